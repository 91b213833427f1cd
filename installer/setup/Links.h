// Shortcuts in the shell's special folders (shell links, or Internet shortcut files for web
// and mail targets).
#pragma once
#include <string>

// Folder kinds: 0 desktop, 1 Start menu, 2 programs menu, 3 StartUp, 4 documents, 5 Send To,
// 6 Quick Launch.
std::string GetShellFolder(int kind, bool allUsers);
bool IsWebTarget(const std::string& text);
// The path CreateLink saves a link at, and its folder (empty when the special folder is unknown).
std::string LinkPathFor(int kind, const std::string& subFolder, bool allUsers, const std::string& target,
                        const std::string& linkName, std::string& folder);
// Makes folder\name.lnk (or .url for web and mail targets). True when the file was saved;
// linkPath is then its path, else empty.
bool CreateLink(int kind, const std::string& subFolder, bool allUsers, std::string& linkPath, int showCmd,
                int iconIndex, const std::string& iconFile, const std::string& workDir, const std::string& args,
                const std::string& target, const std::string& linkName);
