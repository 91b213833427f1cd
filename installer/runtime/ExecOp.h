// The execute-operation engine: runs the conditional items of the setup and uninstall
// scripts at their stage, writes a log of what it tested and did, and asks its host for
// values and actions through two callbacks.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

class TExecDll;

// Stage numbers: positions in kExecStageNames. 0 is no stage; no host passes it.
extern const char* const kExecStageNames;
enum ExecStage {
  esNone = 0,
  esSetupStart = 1,
  esBeforeCopy,
  esAfterCopy,
  esSetupEnd,
  esUnInstallStart,
  esUnInstallEnd,
  esBeforeSetupType,
  esAfterSetupType,
  esBeforeCustom,
  esAfterCustom,
  esBeforeDestination,
  esAfterDestination,
};

// Host callbacks. The action's commands: "SetFolderTo" (target "Application Folder",
// "Common Folder" or "Auxiliary Folder", value the folder) and "SetStupType" (target the
// setup type); extra is always empty. Value names: "UserName", "CompanyName",
// "GroupNameString" (each selected group enclosed in "|"), "SetupType".
typedef std::function<bool(const std::string& command, const std::string& target, const std::string& value,
                           const std::string& extra)>
    TExecActionEvent;
typedef std::function<std::string(const std::string& name)> TExecValueEvent;

// Replaces both callbacks; empty functions unregister.
void SetEngineCallbacks(TExecActionEvent action, TExecValueEvent query);
bool CallHostAction(const std::string& command, const std::string& target, const std::string& value);
std::string QueryHostValue(const std::string& name);
std::string GetHostSetupType(bool useDefault);

// The execution log; a line is added only while the log is shorter than 10240 characters.
void ClearExecLog();
void AppendExecLog(const std::string& line);
std::string GetExecLog();

int StageFromName(const std::string& name);
int StageNumber(const std::string& header);
int FindConditionRow(const std::string& caption);
int FindExecutionRow(const std::string& caption);

// Runs one item when its stage is the given one (otherwise true, nothing done). plugins may
// be null. exitRequest tells whether an "Exit" ran; log receives the item's log text.
bool RunExecuteItem(const TExecDll* plugins, const std::string& item, int stage, bool& exitRequest,
                    std::string& log);

// One condition or execution by its code, parameters already expanded.
bool TestCondition(int code, const std::string& p1, const std::string& relation, const std::string& p2);
bool PerformExecution(int code, const std::string& p1, const std::string& p2, const std::string& p3);

// The tests and operations behind some codes.
// 1-based position of search in content, 0 when none; "!!" before the search text asks
// for a whole word, then "!" for any letter case.
int FindTextInString(const std::string& content, const std::string& search);
bool TextFoundInFile(const std::string& file, const std::string& search);
bool ReplaceTextInFile(const std::string& file, const std::string& search, const std::string& replacement);
int ShowCommandFromName(const std::string& name);
uint32_t FileAttributesFromNames(const std::string& names);
// Measured (left) against given (right) by one of "=", "!=", ">", "<", ">=", "<=".
bool CompareTexts(const std::string& measured, const std::string& relation, const std::string& given);
bool CompareIntegers(int64_t measured, const std::string& relation, int64_t given);
bool CompareNumbers(double measured, const std::string& relation, double given);
bool FileVersionMatches(const std::string& file, const std::string& relation, const std::string& given);
bool RegistryValueMatches(const std::string& path, const std::string& relation, const std::string& given);
bool ScreenSizeMatches(int width, int height, const std::string& relation, const std::string& given);
bool ScreenResolutionMatches(const std::string& relation, const std::string& given);
int ColorDepthFromName(const std::string& name);
int64_t GetMemorySizeMB();
int GetCpuSpeedMHz();
double GetAdoVersion();
bool SetupTypeMatches(const std::string& name);
