// The shell's folder-selection dialog, opened where the user left the last one.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

// Shows the dialog modally over the program's windows, titled `title`, captioned
// windowCaption (when given), rooted at the shell item of that display name (empty: the
// desktop), starting at folder when it exists. True when a folder was chosen: it then
// replaces folder.
bool BrowseForFolder(const std::string& windowCaption, const std::string& title, const std::string& rootDisplayName,
                     bool allowNewFolder, std::string& folder);

// The text of an item of a tree view of this process.
std::string TreeItemText(HWND tree, HTREEITEM item);
