// Start-up of the Setup program: the start-up tests, the auto-update entry, the choice of
// the first window, and what runs after the message loop has ended.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "Common.h"

class TScript;

// Values set during the run and read after the message loop.
void SetPresetAppFolder(const std::string& folder);
const std::string& GetPresetAppFolder();
void SetPresetCommonFolder(const std::string& folder);
const std::string& GetPresetCommonFolder();
void SetPresetAuxFolder(const std::string& folder);
const std::string& GetPresetAuxFolder();
void SetLaunchProgram(const std::string& path);
const std::string& GetLaunchProgram();
void SetLaunchWorkFolder(const std::string& folder);
const std::string& GetLaunchWorkFolder();
// The command started after the loop: the program in double quotes, then the parameters;
// it runs in the program's folder.
void SetPostRunCommand(const std::string& program, const std::string& params);
const std::string& GetPostRunCommand();
const std::string& GetPostRunFolder();
// What Setup returns: 0 once it has ended without a stopped run; a run that stopped short
// returns kExitRunFailed, or kExitUserExit where the user's Exit stopped it.
const int kExitRunFailed = 1;
const int kExitUserExit = 2;
void SetSetupExitCode(int code);
void RequestRestart();
bool RestartRequested();
void SetBackgroundUpdate(bool on);
bool IsBackgroundUpdate();

std::string GetSetupScriptFileName();

// Writes the process-status library into the system folder on NT when the system lacks
// it and the program carries it as a resource; true when the library can be loaded.
bool EnsurePsapi();
// Writes the bytes of a resource of the program to a file; false when there is no such resource.
bool WriteProgramResource(const char* name, const char* type, const std::string& path);

// What the start-up tests ask of the system.
struct TStartupFacts {
  std::function<std::string()> winVersionName;
  std::function<bool()> isWinNT;
  std::function<bool()> isUserAdmin;
  std::function<bool()> isDotNetPresent;
};
TStartupFacts SystemStartupFacts();
// The refusal message of the system tests the script asks for; empty when setup may go on.
std::string StartupRefusal(const TScript& script, const TStartupFacts& facts);
// Undoes every run that did not end and that no running Setup holds; one box tells the user.
void RecoverEarlierRuns(const TScript& script);
// Shows the running-program warning when the script asks and the program runs.
void WarnIfProgramRunning(const TScript& script);
// Reads the files of a previous installation named by /OriginalInfoFile=.
void AutoUpdateEntry(TScript& script);
void AutoUpdateFrom(TScript& script, const std::string& infoFile);
// Launch, post-run command and restart, as set during the run.
void RunAfterActions(const std::function<void()>& restart = RebootWindows);

// The main body; returns Setup's exit code when the setup has ended.
int SetupMain();
