// Folders of an installation: the install folders and the folder tokens that name them,
// the system folders the tokens need, the per-file flag word, the required-space account,
// and the run-time folders that only the user's machine can tell.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

// Install folders, without trailing backslash; empty at start.
void SetInstallFolders(const std::string& target, const std::string& shared, const std::string& auxiliary);
std::string GetTargetFolder();
std::string GetSharedFolder();
std::string GetAuxiliaryFolder();

// Replaces every folder token of the text in one fixed order; `sep` follows each folder
// value (callers pass "\").
std::string ExpandFolderTokens(const std::string& text, const std::string& sep);
// The same against the given install folders instead of those set above.
std::string ExpandFolderTokens(const std::string& text, const std::string& sep, const std::string& target,
                               const std::string& shared, const std::string& auxiliary);
// Text of the date token "<Date=c>" for the code c on the given local date; empty for an
// unknown code.
std::string DateTokenText(char code, const SYSTEMTIME& date);

// Fixed file names, with the program's folder in front when asked.
std::string GetSetupScriptFileName(bool withFolder);
std::string GetUninstallScriptFileName(bool withFolder);
std::string GetSetupLogFileName(bool withFolder);
// "C:\S\00012#readme.txt" -> "C:\S\readme.txt".
std::string StripFileNumberPrefix(const std::string& path);

// System folders, without trailing backslash.
std::string GetSystem16Dir();
std::string GetFontsDir();
std::string GetProgramFilesDir();
std::string GetCommonFilesDir();
std::string GetStartMenuDir();
std::string GetOriginDir();
std::string GetOriginExe();
std::string GetUserDir();  // computed once per process

bool IsSelfRegisterExtension(const std::string& path);

// FileEntryFlags: the flag word of one file of a file list.
inline bool FileFlagIsShared(uint32_t flags) { return flags & 0x1; }
inline bool FileFlagIsComServer(uint32_t flags) { return flags & 0x2; }
inline bool FileFlagNoUninstall(uint32_t flags) { return flags & 0x10; }
inline bool FileFlagSkipPartial(uint32_t flags) { return flags & 0x40; }
inline uint32_t FileFlagAttributes(uint32_t flags) { return (flags >> 8) & 0x23; }
inline bool FileFlagIsReadOnly(uint32_t flags) { return flags & 0x100; }
bool FileFlagExcludesThisOS(uint32_t flags);  // bits 16-21: 95, 98, ME, NT 4.0, 2000, XP
inline int FileFlagOverwriteMode(uint32_t flags) { return int((flags >> 24) & 0x7); }
inline bool FileFlagIsFont(uint32_t flags) { return flags & 0x40000000; }

// Required space. Units: 0 bytes, 1 KiB, 2 MiB.
double GetRequiredSpace(int unit);
void SetDefaultRequiredSpace(int unit, double amount);
// "!" takes the default space; a number above -1 becomes the required space.
void SetRequiredSpaceText(const std::string& text, int unit);
void AddRequiredSpaceText(const std::string& text, int unit);

// Run-time folders 1..3, each described by an 18-item list (see ResolveRunTimeDir) and
// resolved on first use.
void SetRunTimeDirs(const std::string& d1, const std::string& d2, const std::string& d3);
std::string GetRunTimeDir(int index);
std::string ResolveRunTimeDir(const std::string& descriptor);
// Set once a descriptor that found nothing asked for the install to stop.
bool IsRunTimeDirAbort();
