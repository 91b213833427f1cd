#include "SStartup.h"

#include <new>

#include "Files.h"
#include "KMsgBox.h"
#include "Process.h"
#include "RegOp.h"
#include "RunJournal.h"
#include "SInstall.h"
#include "SDialog.h"
#include "SLang.h"
#include "SMain.h"
#include "SScript.h"
#include "U_DEBUG0.h"
#include "Utils.h"

namespace {

std::string g_presetApp, g_presetCommon, g_presetAux;
std::string g_launchProgram, g_launchWorkFolder;
std::string g_postRunCommand, g_postRunFolder;
bool g_restart = false;
int g_exitCode = 0;
bool g_backgroundUpdate = false;

// Steps 9 to 11: the first window and the message loop.
void RunForms(TScript& script) {
  TApplication& app = Application();
  if (!script.SetupBackground() || g_backgroundUpdate) {
    TSDialogForm* wizard = TForm::Create<TSDialogForm>();
    app.SetMainForm(wizard);
    wizard->SetScript(&script);
    wizard->InitFromScript();
    if (g_backgroundUpdate) wizard->SetHideWizard(true);
    if (!wizard->BeforeDialogs()) app.Run();
    app.SetMainForm(nullptr);
    delete wizard;
  } else {
    TSMainForm* background = TForm::Create<TSMainForm>(&script);
    app.SetMainForm(background);
    app.Run();
    app.SetMainForm(nullptr);
    delete background;
  }
}

}  // namespace

void SetPresetAppFolder(const std::string& folder) { g_presetApp = folder; }
const std::string& GetPresetAppFolder() { return g_presetApp; }
void SetPresetCommonFolder(const std::string& folder) { g_presetCommon = folder; }
const std::string& GetPresetCommonFolder() { return g_presetCommon; }
void SetPresetAuxFolder(const std::string& folder) { g_presetAux = folder; }
const std::string& GetPresetAuxFolder() { return g_presetAux; }
void SetLaunchProgram(const std::string& path) { g_launchProgram = path; }
const std::string& GetLaunchProgram() { return g_launchProgram; }
void SetLaunchWorkFolder(const std::string& folder) { g_launchWorkFolder = folder; }
const std::string& GetLaunchWorkFolder() { return g_launchWorkFolder; }

void SetPostRunCommand(const std::string& program, const std::string& params) {
  if (program.empty()) {
    g_postRunCommand.clear();
    g_postRunFolder.clear();
    return;
  }
  g_postRunCommand = "\"" + program + "\"" + (params.empty() ? "" : " " + params);
  g_postRunFolder = ExtractFileDir(program);
}
const std::string& GetPostRunCommand() { return g_postRunCommand; }
const std::string& GetPostRunFolder() { return g_postRunFolder; }

void SetSetupExitCode(int code) { g_exitCode = code; }
void RequestRestart() { g_restart = true; }
bool RestartRequested() { return g_restart; }
void SetBackgroundUpdate(bool on) { g_backgroundUpdate = on; }
bool IsBackgroundUpdate() { return g_backgroundUpdate; }

std::string GetSetupScriptFileName() { return "Setup.txt"; }

bool WriteProgramResource(const char* name, const char* type, const std::string& path) {
  std::string bytes;
  return ReadProgramResource(name, type, bytes) && WriteFileContents(path, bytes, 0);
}

bool EnsurePsapi() {
  if (!IsWinNT()) return false;
  if (HMODULE lib = LoadLibraryA("psapi.dll")) {
    FreeLibrary(lib);
    return true;
  }
  // No library and nothing of our own to put in its place: the process search does without.
  return WriteProgramResource("_psapi", "BINARY", GetSystemDir(true) + "psapi.dll");
}

TStartupFacts SystemStartupFacts() {
  return TStartupFacts{GetWinVersionName, IsWinNT, IsUserAdmin, IsDotNetPresent};
}

std::string StartupRefusal(const TScript& script, const TStartupFacts& facts) {
  const std::string& allowed = script.AllowedOs();
  if (!allowed.empty()) {
    const std::string name = facts.winVersionName();
    if (Pos("," + name + ",", "," + allowed + ",") == 0)
      return "\"" + script.ProgName() + "\" is not allowed to run on Win" + name + ". --- Setup Aborted!";
  }
  if (script.TestAdminRights() && facts.isWinNT() && !facts.isUserAdmin())
    return "Unable to install the program\\\\nMake sure you have ADMINISTRATOR Rights on this PC!";
  if (script.TestForDotNetFramework() && !facts.isDotNetPresent())
    return "\"" + script.ProgName() +
           "\" requires .NET Framework<P><P>Please install .NET Framework and run this setup program again";
  return std::string();
}

void WarnIfProgramRunning(const TScript& script) {
  if (!script.TestExeBeforeInstall()) return;
  const std::string exe = ExtractFileName(script.ProgExeName());
  if (exe.empty()) return;
  const std::string path = ReadAppPath(exe);
  if (path.empty() || !FileExists(path) || !IsProcessRunning(path)) return;
  ErrorBox(KMSG_OWNER_TITLED,
           ReplaceAll(GetLangText("BeforeInstall", "IsRunningText", ""), "PROG_NAME", script.ProgName()),
           GetLangText("BeforeInstall", "IsRunningCaption", ""), GetLangBtnText(), GetLangCharset());
}

void RecoverEarlierRuns(const TScript& script) {
  const TRecovery recovery = RecoverUnfinishedRuns(RunJournalFolder());
  for (const std::string& f : recovery.outcome.kept) WriteDebugLine(kKeptChangedText + f);
  if (!recovery.runs && !recovery.outcome.restart && !recovery.outcome.failed) return;
  std::string text = GetLangText("Messages", "RunUndone", kRunUndoneText);
  if (recovery.outcome.failed)
    text += "<p><p>" + UndoIncompleteText() + (recovery.outcome.retried ? "<p><p>" + UndoLaterText() : std::string());
  else if (recovery.outcome.restart) text += "<p><p>" + GetLangText("Messages", "RestartCompletes", kRestartCompletesText);
  WarningBox(KMSG_OWNER_TITLED, text, script.ProgName().empty() ? "Setup" : script.ProgName(), GetLangBtnText(),
             GetLangCharset());
}

void AutoUpdateFrom(TScript& script, const std::string& infoFile) {
  if (infoFile.empty()) return;
  const std::string original = ChangeFileExt(infoFile, ".original");
  if (FileExists(original)) {
    g_presetApp = ReadIniValue(original, "Directories", "TargetDir", "");
    g_presetCommon = ReadIniValue(original, "Directories", "SharedDir", "");
    g_presetAux = ReadIniValue(original, "Directories", "AuxiliaryDir", "");
  }
  const std::string info = ChangeFileExt(infoFile, ".info");
  if (FileExists(info) && ReadIniValue(info, "NewSetup", "BackgroundUpdate", "0") == "1") {
    g_backgroundUpdate = true;
    script.SetSilentSetup();
  }
}

void AutoUpdateEntry(TScript& script) { AutoUpdateFrom(script, GetSwitchValue("/OriginalInfoFile=")); }

void RunAfterActions(const std::function<void()>& restart) {
  if (!g_launchProgram.empty()) {
    const std::string folder = g_launchWorkFolder.empty() ? ExtractFileDir(g_launchProgram) : g_launchWorkFolder;
    SetCurrentDirectoryA(folder.c_str());
    ShellExecuteFile(g_launchProgram, "", SW_SHOW);
  }
  if (!g_postRunCommand.empty()) {
    if (!g_postRunFolder.empty()) SetCurrentDirectoryA(g_postRunFolder.c_str());
    WinExec(g_postRunCommand.c_str(), SW_HIDE);
  }
  if (g_restart) {
    if (TForm* main = Application().MainForm()) main->Hide();
    PumpMessagesFor(100);
    if (restart) restart();
  }
}

int SetupMain() {
  std::string message;
  const std::string path = GetExeDir(true) + GetSetupScriptFileName();
  if (!FileExists(path)) message = path + "\\\\nScript file not found.\\\\n\\\\nSetup Aborted!";
  const std::string unreadable = path + "\\\\nError reading script file.\\\\n\\\\nSetup Aborted!";
  TScript* script = nullptr;
  if (message.empty()) {
    script = new (std::nothrow) TScript();
    if (!script) message = unreadable;
  }
  // A script that is there but cannot be read (locked, no access) must not run as an empty one.
  if (message.empty() && !script->Load(path)) message = unreadable;
  if (message.empty() && script->HoldsBinary())
    message = path + "\\\\nScript file holds binary data.\\\\n\\\\nSetup Aborted!";
  if (message.empty()) {
    SelectLanguage(*script);
    message = StartupRefusal(*script, SystemStartupFacts());
  }
  if (message.empty()) {
    // A run that did not end is undone before anything reads what it changed.
    RecoverEarlierRuns(*script);
    WarnIfProgramRunning(*script);
    AutoUpdateEntry(*script);
    RunForms(*script);
    RunAfterActions();
  }
  delete script;
  if (!message.empty()) ErrorBox(KMSG_OWNER_TITLED, message, "Error", kDefaultBtnText, 0);
  return g_exitCode;
}
