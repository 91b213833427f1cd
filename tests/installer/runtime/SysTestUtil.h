// Shared steps of the system tests: the probe program, its output, test registry keys.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace systest {

// Test keys live below this registry path text (under HKEY_CURRENT_USER).
extern const char* const kTestKey;  // "HKEY_CURRENT_USER\Software\KvRuntimeTests"

// A fresh scratch folder, with a trailing backslash.
std::string Scratch(const std::string& name);
// Full path of the probe program built beside the tests.
std::string ProbePath();
// A copy of the probe under another name (its own Windows version, its own process name).
std::string ProbeCopy(const std::string& dir, const std::string& name);
// Starts a command line, waits up to a minute and returns the exit code (-1 on timeout).
int Run(const std::string& commandLine);
// Runs a probe copy under a given Windows version ("" = the prefix's own).
int RunAs(const std::string& exePath, const std::string& version, const std::string& args);
std::vector<std::string> Lines(const std::string& file);
bool Exists(const std::string& path);
// A hidden top-level window of its own class with the given procedure.
HWND MakeWindow(const char* className, WNDPROC proc);
// Removes a key tree below HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_CLASSES_ROOT.
void RemoveKey(HKEY root, const std::string& key);

}  // namespace systest
