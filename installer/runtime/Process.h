// Finding a running program by its executable's path or name, and waiting for its end.
#pragma once
#include <windows.h>

#include <string>

// Process id of the first process whose executable matches, 0 when none. A match is the
// full path, the bare file name (not with exactOnly) or the short (8.3) path, ignoring case.
DWORD FindProcess9x(const std::string& wanted, bool exactOnly);  // tool-help snapshot
DWORD FindProcessNT(const std::string& wanted, bool exactOnly);  // process-status library
bool IsProcessRunning(const std::string& wanted);
// Pumps messages each second until the program has ended; no time limit.
void WaitForProcessEnd(const std::string& wanted);
