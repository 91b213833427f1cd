// UnInstall.exe run from hand-written scripts, with a person answering its boxes and
// pressing its buttons; the effects are checked file by file and key by key.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <random>

#include "Common.h"
#include "Files.h"
#include "RegOp.h"
#include "TestTool.h"
#include "UtilPlus.h"
#include "Utils.h"

namespace {

const char* const kRegBase = "HKEY_LOCAL_MACHINE\\Software\\KvUnRun";
const char* const kSharedDlls = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

struct Box {
  std::string caption, text;
  std::vector<std::string> buttons;
};

struct RunOptions {
  bool confirm = true;
  std::string yes = "Yes", no = "No", close = "Close", log = "View Log";
  bool closeDuringRun = false;
  bool viewLog = false;
  std::string workDir;  // the folder it is started in; the test program's own when empty
};

struct RunResult {
  std::vector<Box> boxes;
  std::string title;
  bool removalWindow = false;      // shown at any time, from the run's window events
  std::vector<std::string> texts;  // the window's controls when the run is over
  std::vector<RECT> checks;        // the visible step images then, in their panel
  bool closeIgnored = false;
  std::string logText;
  bool logDeleted = false;
  int exitCode = -2;
};

std::vector<std::string> ButtonTexts(HWND wnd) {
  std::vector<std::string> out;
  for (HWND child : tt::Children(wnd))
    if (tt::ClassOf(child) == "Button") out.push_back(tt::WindowText(child));
  return out;
}

HWND ButtonWithText(HWND wnd, const std::string& text) {
  for (HWND child : tt::Children(wnd)) {
    std::string t = tt::WindowText(child);
    t.erase(std::remove(t.begin(), t.end(), '&'), t.end());
    if (tt::ClassOf(child) == "Button" && t == text) return child;
  }
  return nullptr;
}

bool Contains(const std::vector<std::string>& list, const std::string& text) {
  for (const auto& s : list)
    if (s.find(text) != std::string::npos) return true;
  return false;
}

// A copy of UnInstall.exe in a fresh folder (with a blank in its name), and its script.
struct Install {
  std::string root, app, exe, script;
  Install(const std::string& name, const std::string& exeName = "UnInstall.exe") {
    root = tt::ScratchDir(name);
    app = root + "\\My App";
    ForceDirectories(app);
    exe = app + "\\" + exeName;
    script = ChangeFileExt(exe, ".txt");
    tt::CopyFileTo(tt::ProgramDir() + "UnInstall.exe", exe);
  }
  void Write(const std::string& text) const { tt::WriteFile(script, text); }
  std::string File(const std::string& rel, const std::string& content = "x") const {
    const std::string path = root + "\\" + rel;
    ForceDirectories(ExtractFileDir(path));
    tt::WriteFile(path, content);
    return path;
  }
};

// Header lines; the extra ones come first, so they win over the usual ones.
std::string Header(const std::string& prog, const std::string& extra = std::string()) {
  return "SetupType=Typical\r\nGroupNames=|Main|\r\nUserData=|Ann|ACME|\r\nVersion=1.0\r\n\r\n" + extra +
         "\r\nPROG_NAME=" + prog +
         "\r\nCHAR_SET=0\r\nCONFIRM_CAPTION=Confirm\r\nCONFIRM_TEXT=Are you sure you want to uninstall the program\r\n" +
         "IS_RUNNING_CAPTION=Attention\r\nS1=Removing <b>PROG_NAME</b> from this PC.\r\n\r\n";
}

RunResult RunUninstaller(const std::string& exe, const RunOptions& o = RunOptions()) {
  RunResult r;
  tt::WindowWatch watch;
  tt::Process p = tt::Start("\"" + exe + "\"", o.workDir, &watch);
  if (!p.ok()) return r;
  const std::string logPath = ExtractFilePath(exe) + "UnInstall.log";
  bool closeTried = false, closed = false;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 60000) {
    if (WaitForSingleObject(p.handle, 0) == WAIT_OBJECT_0) break;
    for (HWND box : tt::FindWindows("KMsgBox", p.pid)) {
      Box b{tt::WindowText(box), tt::RichText(box), ButtonTexts(box)};
      r.boxes.push_back(b);
      std::string press = b.buttons.empty() ? "OK" : b.buttons.front();
      if (ButtonWithText(box, o.yes)) press = o.confirm ? o.yes : o.no;
      tt::ClickButton(box, press);
      tt::WaitWindowGone(box, 5000);
    }
    for (HWND form : tt::FindWindows("TMainForm", p.pid)) {
      r.title = tt::WindowText(form);
      HWND close = ButtonWithText(form, o.close);
      if (o.closeDuringRun && !closeTried && close && !IsWindowEnabled(close)) {
        closeTried = true;
        Sleep(1200);  // the run has begun
        tt::CloseWindowNow(form);
        Sleep(300);
        r.closeIgnored = IsWindowVisible(form) != 0;
      }
      if (!closed && close && IsWindowEnabled(close)) {
        r.texts = tt::ControlTexts(form);
        for (HWND child : tt::Children(form)) {
          const RECT rc = tt::ChildRect(GetParent(child), child);
          if (tt::ClassOf(child) == "Static" && tt::WindowText(child).empty() && IsWindowVisible(child) &&
              rc.right - rc.left == 13 && rc.bottom - rc.top == 13)
            r.checks.push_back(rc);
        }
        if (o.viewLog) {
          tt::ClickButton(form, o.log);
          for (int i = 0; i < 50 && !tt::ReadFile(logPath, r.logText); ++i) Sleep(100);
          HWND pad = tt::WaitForWindow("Notepad", "", 10000);
          if (pad) {
            DWORD padPid = 0;
            GetWindowThreadProcessId(pad, &padPid);
            HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, padPid);
            if (h) {
              TerminateProcess(h, 0);
              CloseHandle(h);
            }
          }
        }
        tt::ClickButton(form, o.close);
        closed = true;
      }
    }
    Sleep(50);
  }
  r.exitCode = tt::WaitExit(p, 5000);
  r.removalWindow = tt::FirstEvent(watch.Events("TMainForm"), tt::WindowEvent::Shown).has_value();
  r.logDeleted = !FileExists(logPath);
  return r;
}

// An execute item: fields of its header and parameter lists by number.
std::string ExecItem(const std::map<int, std::string>& header, const std::map<int, std::string>& params) {
  std::string h = "|", p = "|";
  for (int i = 0; i < 30; ++i) h += (header.count(i) ? header.at(i) : "") + "|";
  for (int i = 0; i < 25; ++i) p += (params.count(i) ? params.at(i) : "") + "|";
  return "#" + h + "#" + p + "#";
}

TEST(UnInstallRun, MissingScriptEndsAfterOneBox) {
  Install in("un_noscript");
  DeleteFileA(in.script.c_str());
  const RunResult r = RunUninstaller(in.exe);
  ASSERT_EQ(r.boxes.size(), 1u);
  EXPECT_EQ(r.boxes[0].caption, "Error");
  EXPECT_NE(r.boxes[0].text.find(in.script + "\r\nScript file not found.\r\n\r\nUnInstall aborted!"), std::string::npos);
  EXPECT_FALSE(r.removalWindow);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(FileExists(in.exe));
}

TEST(UnInstallRun, NoAtTheConfirmationRemovesNothing) {
  Install in("un_no");
  const std::string file = in.File("My App\\keep.txt");
  in.Write(Header("Demo") + "BTN_TEXT=|\r\nREMOVE_FILE(" + file + ");\r\n");
  RunOptions o;
  o.confirm = false;
  const RunResult r = RunUninstaller(in.exe, o);
  ASSERT_EQ(r.boxes.size(), 1u);
  EXPECT_EQ(r.boxes[0].caption, "Confirm");
  // An empty caption list falls back to the default captions.
  EXPECT_TRUE(Contains(r.boxes[0].buttons, "Yes"));
  EXPECT_TRUE(Contains(r.boxes[0].buttons, "No"));
  EXPECT_NE(r.boxes[0].text.find("Are you sure you want to uninstall the program Demo?"), std::string::npos);
  EXPECT_FALSE(r.removalWindow);
  EXPECT_TRUE(FileExists(file));
  Sleep(1500);
  EXPECT_TRUE(FileExists(in.exe));
}

TEST(UnInstallRun, FullRemovalThenSelfDeletion) {
  Install in("un_full");
  const std::string reg = kRegBase;
  // Files of every kind.
  const std::string plain = in.File("My App\\a.txt"), deep = in.File("My App\\Sub\\b.txt");
  const std::string ro = in.File("My App\\ro.txt");
  SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY);
  const std::string sharedKept = in.File("Common\\kept.dll"), sharedGone = in.File("Common\\gone.dll");
  ASSERT_TRUE(WriteRegValueSimple(kSharedDlls, sharedKept, "3", true));
  ASSERT_TRUE(WriteRegValueSimple(kSharedDlls, sharedGone, "1", true));
  const std::string keptBelow = in.File("Data\\Shared\\x.dll"), data = in.root + "\\Data";
  const std::string roKept = in.File("Data\\Shared\\ro.txt");
  SetFileAttributesA(roKept.c_str(), FILE_ATTRIBUTE_READONLY);
  const std::string forced = in.root + "\\Forced";
  in.File("Forced\\Deep\\f.txt");
  in.File("Forced\\svc.exe");
  in.File("My App\\Plug.dll");
  const std::string menu = in.root + "\\Menu\\Demo";
  ForceDirectories(menu);
  const std::string updater = in.File("My App\\upd.exe");
  // Registry, INI and environment.
  ASSERT_TRUE(WriteRegValueSimple(reg + "\\App\\1.0", "Name", "Ann", false));
  ASSERT_TRUE(WriteRegValueSimple(reg + "\\Co\\Prog\\1.0", "Name", "Ann", false));
  ASSERT_TRUE(WriteRegValueSimple(reg + "\\OpKey\\Deep", "V", "1", false));
  ASSERT_TRUE(WriteRegValueSimple(reg + "\\Ops", "Gone", "1", false));
  ASSERT_TRUE(WriteRegValueSimple(reg + "\\Ops", "Stays", "1", false));
  const std::string ini = in.File("Ini\\app.ini", "[Main]\r\nKey=1\r\nOther=2\r\n");
  ASSERT_TRUE(WriteRegValueSimple("HKEY_CURRENT_USER\\Environment", "KV_UNTEST_VAR", "x", false));

  in.Write(Header("Demo", "TargetDir=" + in.app + "\r\nGET_AUTO_UPDATE_EXE_FILE_NAME=upd.exe") +
           "REMOVE_FILE(" + in.script + ");\r\n"
           "REMOVE_FILE(" + in.exe + ");\r\n"
           "REMOVE_FILE(" + plain + ");\r\n"
           "REMOVE_FILE(" + deep + ");\r\n"
           "REMOVE_FILE(" + in.app + "\\missing.txt);\r\n"
           "REMOVE_FILE(" + keptBelow + ");\r\n"
           "REMOVE_READONLY_FILE(" + ro + ");\r\n"
           "REMOVE_READONLY_FILE(" + roKept + ");\r\n"
           "REMOVE_SHARED_FILE(" + sharedKept + ");\r\n"
           "REMOVE_SHARED_FILE(" + sharedGone + ");\r\n"
           "REMOVE_DIR(" + in.app + "\\Sub);\r\n"
           "REMOVE_DIR(" + in.app + ");\r\n"
           "REMOVE_DIR(" + data + ");\r\n"
           "REMOVE_DIR(" + data + "\\Shared);\r\n"
           "DONT_REMOVE_DIR(" + data + "\\Shared);\r\n"
           "FORCE_REMOVE_DIR(" + forced + ");\r\n"
           "REMOVE_SERVICE_FILE(" + forced + "\\svc.exe);\r\n"
           "REMOVE_FOLDER(" + menu + ");\r\n"
           "SET_EXECUTION_DLL_NAME(Plug.dll);\r\n"
           "REMOVE_REG_KEY(" + reg + "\\App);\r\n"
           "REMOVE_REG_KEY(" + reg + "\\Co\\Prog);\r\n"
           "SET_PERFORM_REGISTRY_OP(|" + reg + "\\OpKey\\Deep|V|1|Create|Remove Key|String|);\r\n"
           "SET_PERFORM_REGISTRY_OP(|" + reg + "\\Ops|Gone|1|Create|Remove Value|String|);\r\n"
           "SET_PERFORM_REGISTRY_OP(|" + reg + "\\Ops|Stays|1|Create||String|);\r\n"
           "SET_PERFORM_INIFILE_OP(|<InstallDir>..\\Ini\\app.ini|Main|Key|1|Create|Remove|);\r\n"
           "SET_PERFORM_ENVIRONMENT_OP(|KV_UNTEST_VAR|x|Create|Remove|User|);\r\n"
           // The last stage still finds the files it may need, and runs.
           "SET_PERFORM_EXECUTE_OP(" +
           ExecItem({{1, "Seen"}, {2, "UnInstall End"}, {4, "Conditional"}, {7, "File Found"}, {9, "1"},
                     {12, "File Found"}, {19, "1"}, {20, "Create Registry Value (String)"}},
                    {{1, forced + "\\svc.exe"}, {5, in.app + "\\Plug.dll"}, {13, reg + "\\Stage"}, {14, "Seen"},
                     {15, "1"}}) +
           ");\r\n");

  // The auto-update program's running copy is ended and deleted before the window shows.
  const std::string running = in.app + "\\X_upd.exe";
  tt::CopyFileTo(tt::ProgramDir() + "UnSleeper.exe", running);
  tt::Process sleeper = tt::Start("\"" + running + "\"");
  ASSERT_TRUE(sleeper.ok());

  const RunResult r = RunUninstaller(in.exe);
  EXPECT_EQ(r.title, "UnInstall - Demo");
  EXPECT_TRUE(r.removalWindow);
  ASSERT_EQ(r.boxes.size(), 1u) << (r.boxes.size() > 1 ? r.boxes[1].text : "");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(tt::WaitExit(sleeper, 2000), 0);
  EXPECT_TRUE(Contains(r.texts, "UnInstall completed successfully !"));
  ASSERT_EQ(r.checks.size(), 6u);
  for (const RECT& rc : r.checks) EXPECT_LT(rc.left, 30);
  EXPECT_TRUE(Contains(r.texts, "Removing Demo from this PC."));

  for (const auto& gone : {plain, deep, ro, sharedGone, forced, menu, updater, running, in.app + "\\Plug.dll"})
    EXPECT_FALSE(FileExists(gone) || DirectoryExists(gone)) << gone;
  EXPECT_TRUE(FileExists(sharedKept));
  EXPECT_TRUE(FileExists(keptBelow));
  EXPECT_TRUE(FileExists(roKept));  // read-only or not, nothing below a kept folder goes
  bool isInt = false;
  EXPECT_EQ(ReadRegValueTyped(kSharedDlls, sharedKept, isInt), "2");
  EXPECT_FALSE(RegValueExists(kSharedDlls, sharedGone));
  EXPECT_FALSE(RegKeyExists(reg + "\\App"));
  // Emptied parents of removed keys go with them; a parent that holds more stays.
  EXPECT_FALSE(RegKeyExists(reg + "\\Co"));
  EXPECT_FALSE(RegKeyExists(reg + "\\OpKey"));
  EXPECT_TRUE(RegKeyExists(reg));
  EXPECT_FALSE(RegValueExists(reg + "\\Ops", "Gone"));
  EXPECT_TRUE(RegValueExists(reg + "\\Ops", "Stays"));
  EXPECT_FALSE(RegValueExists("HKEY_CURRENT_USER\\Environment", "KV_UNTEST_VAR"));
  EXPECT_TRUE(RegValueExists(reg + "\\Stage", "Seen"));
  EXPECT_EQ(ReadIniValue(ini, "Main", "Key", "none"), "none");
  EXPECT_EQ(ReadIniValue(ini, "Main", "Other", "none"), "2");

  // After Close the program and its folder go, blank in the path and all.
  EXPECT_TRUE(tt::GoneWithin(in.exe, 15000));
  EXPECT_TRUE(tt::GoneWithin(in.app, 5000));
  DeleteRegValueText(kSharedDlls, sharedKept);
  DeleteRegKey(reg);
  SetFileAttributesA(roKept.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(UnInstallRun, ExitAtUnInstallStartRemovesNothing) {
  Install in("un_exit");
  const std::string file = in.File("My App\\a.txt");
  const std::string later = ExecItem({{1, "Later"}, {2, "UnInstall Start"}, {4, "UnConditional"}, {19, "1"},
                                      {20, "Delete File(s)"}},
                                     {{13, file}});
  const std::string quit =
      ExecItem({{1, "Quit"}, {2, "UnInstall Start"}, {4, "UnConditional"}, {19, "1"}, {20, "Exit"}}, {});
  // Items run last first: the exit comes before the deletion.
  in.Write(Header("Demo") + "REMOVE_FILE(" + file + ");\r\nREMOVE_FILE(" + in.script + ");\r\nSET_PERFORM_EXECUTE_OP(" +
           later + ");\r\nSET_PERFORM_EXECUTE_OP(" + quit + ");\r\n");
  RunOptions o;
  o.close = "no button is pressed";
  const RunResult r = RunUninstaller(in.exe, o);
  EXPECT_EQ(r.title, "UnInstall - Demo");
  EXPECT_EQ(r.boxes.size(), 1u);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(in.script));
  Sleep(2000);
  EXPECT_TRUE(FileExists(in.exe));
}

TEST(UnInstallRun, FailuresAreSummedUpAndLogged) {
  Install in("un_fail");
  const std::string full = in.root + "\\Full";
  in.File("Full\\x.txt");
  tt::WriteFile("C:\\Setup.tst", "");
  in.Write(Header("Demo", "BUTTON_CLOSE=Done\r\nBUTTON_LOG=Show Log\r\nS2=All gone") +
           "REMOVE_FILE(" + in.script + ");\r\n"
           "REMOVE_DIR(" + full + ");\r\n"
           "REMOVE_REG_KEY(HKEY_LOCAL_MACHINE\\Software);\r\n"
           "REMOVE_REG_KEY(HKEY_LOCAL_MACHINE\\);\r\n");
  RunOptions o;
  o.close = "Done";
  o.log = "Show Log";
  o.viewLog = true;
  o.closeDuringRun = true;
  const RunResult r = RunUninstaller(in.exe, o);
  DeleteFileA("C:\\Setup.tst");
  EXPECT_TRUE(r.closeIgnored);
  ASSERT_EQ(r.boxes.size(), 2u);
  EXPECT_EQ(r.boxes[1].caption, "Error");
  EXPECT_NE(r.boxes[1].text.find("UnInstall was unable to handle one or more Registry keys\r\n\r\n"
                                 "To complete the UnInstall operation, Please handle them manually.\r\n\r\n"
                                 "UnInstall was unable to remove one or more Directories\r\n\r\n"
                                 "To complete the UnInstall operation, Please remove them manually."),
            std::string::npos)
      << r.boxes[1].text;
  EXPECT_EQ(r.boxes[1].text.find("Files"), std::string::npos);
  EXPECT_EQ(r.logText, full + "\r\nHKEY_LOCAL_MACHINE\\Software\r\n");
  EXPECT_TRUE(r.logDeleted);
  // The trace of the test mode shows every entry, failures starred.
  std::string trace;
  for (const auto& t : r.texts)
    if (t.find("REMOVE FILES") != std::string::npos) trace = t;
  const std::string start = "PERFORM EXECUTE OP \r\n\r\nUNREGISTER_OCX_FILES \r\n\r\nUNREGISTER_FONT_FILES \r\n";
  EXPECT_EQ(trace.compare(0, start.size(), start), 0) << trace;
  EXPECT_NE(trace.find("\r\nREMOVE FILES \r\n\t" + in.script + " \r\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find("*\t" + full + " \r\n"), std::string::npos);
  EXPECT_NE(trace.find("\tHKEY_LOCAL_MACHINE\\ \r\n"), std::string::npos);
  // The closing line does not say that all went well.
  EXPECT_FALSE(Contains(r.texts, "All gone"));
  EXPECT_NE(std::find(r.texts.begin(), r.texts.end(), "UnInstall was unable to handle one or more Registry keys"),
            r.texts.end());
  EXPECT_TRUE(DirectoryExists(full));
  EXPECT_TRUE(RegKeyExists("HKEY_LOCAL_MACHINE\\Software\\Microsoft"));
  EXPECT_TRUE(tt::GoneWithin(in.exe, 15000));
}

namespace {

const wchar_t* const kSessionManager = L"System\\CurrentControlSet\\Control\\Session Manager";
const wchar_t* const kPendingRenames = L"PendingFileRenameOperations";

// A wide text, its ending zero included, as bytes; and a plain text widened.
std::string WideZ(const std::wstring& text) {
  return std::string(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * sizeof(wchar_t));
}
std::wstring Widened(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The bytes of the pending renames as the system keeps them (source and target, one after
// the other, each a wide text ended by a zero); empty when there are none.
std::string PendingRenames() {
  std::string data;
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return data;
  DWORD size = 0;
  if (RegQueryValueExW(key, kPendingRenames, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS && size > 0) {
    data.assign(size, '\0');
    if (RegQueryValueExW(key, kPendingRenames, nullptr, nullptr, reinterpret_cast<BYTE*>(&data[0]), &size))
      data.clear();
  }
  RegCloseKey(key);
  return data;
}

void RestorePendingRenames(const std::string& data) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  if (data.empty())
    RegDeleteValueW(key, kPendingRenames);
  else
    RegSetValueExW(key, kPendingRenames, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
  RegCloseKey(key);
}

// True when a pending rename names the path (after its "\\??\\" prefix).
bool PendingNamed(const std::string& path) { return PendingRenames().find(WideZ(Widened(path))) != std::string::npos; }

}  // namespace

TEST(UnInstallRun, DelayedReplacementsGoWithTheirFiles) {
  // A file in use at install time, its new version beside it, renamed at the next restart
  // the way the install engine asks for it; and someone else's file deleted at the restart.
  Install in("un_delayed");
  const std::string before = PendingRenames();
  const std::string tool = in.File("My App\\tool.exe", "old"), xtool = in.File("My App\\Xtool.exe", "new");
  const std::string doomed = in.File("Other\\old.txt", "old");
  ASSERT_TRUE(MoveFileExA(doomed.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(MoveFileExA(xtool.c_str(), tool.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(PendingNamed(xtool));
  in.Write(Header("Demo") + "REMOVE_FILE(" + in.script + ");\r\nREMOVE_FILE(" + in.exe + ");\r\nREMOVE_FILE(" + tool +
           ");\r\nREMOVE_DIR(" + in.app + ");\r\n");
  const RunResult r = RunUninstaller(in.exe);
  EXPECT_EQ(r.boxes.size(), 1u);
  EXPECT_FALSE(FileExists(tool));
  EXPECT_FALSE(FileExists(xtool));
  EXPECT_FALSE(PendingNamed(xtool));
  EXPECT_TRUE(PendingNamed(doomed));
  EXPECT_TRUE(tt::GoneWithin(in.app, 15000));
  RestorePendingRenames(before);
}

TEST(UnInstallRun, CancelledReplacementLeavesOtherProgramsPendingRenames) {
  // Another program's pending deletion of a file whose name the ANSI code page cannot
  // hold, and our replacement; the uninstall script names our file as written (plain) or
  // in another spelling of the same path.
  const std::string before = PendingRenames();
  const std::string foreign = WideZ(L"\\??\\C:\\foreign\\\u0416file\u20AC.txt") + WideZ(L"");
  struct Case { const char* name; bool respell; };
  for (const Case& c : {Case{"un_wide_plain", false}, Case{"un_wide_respelt", true}}) {
    Install in(c.name);
    const std::string tool = in.File("My App\\tool.exe", "old"), xtool = in.File("My App\\Xtool.exe", "new");
    RestorePendingRenames(foreign + WideZ(L"\\??\\" + Widened(xtool)) + WideZ(L"!\\??\\" + Widened(tool)) +
                          WideZ(L""));
    std::string named = tool;
    if (c.respell) {
      named = UpperCase(in.app) + "\\Sub\\..\\.\\tool.exe";
      std::replace(named.begin(), named.end(), '\\', '/');
    }
    in.Write(Header("Demo") + "REMOVE_FILE(" + in.script + ");\r\nREMOVE_FILE(" + in.exe + ");\r\nREMOVE_FILE(" +
             named + ");\r\nREMOVE_DIR(" + in.app + ");\r\n");
    const RunResult r = RunUninstaller(in.exe);
    EXPECT_EQ(r.boxes.size(), 1u) << c.name;
    // Ours is gone, with the copy that waited for it; the other pair is kept to the byte.
    EXPECT_EQ(PendingRenames(), foreign + WideZ(L"")) << c.name;
    EXPECT_FALSE(FileExists(xtool)) << c.name;
    EXPECT_FALSE(FileExists(tool)) << c.name;
    EXPECT_TRUE(tt::GoneWithin(in.app, 15000)) << c.name;
  }
  RestorePendingRenames(before);
}

TEST(UnInstallRun, AFileBeyondThePathLimitCountsAsAFailure) {
  // A 191-character folder and 74-character file names in a sub folder: the files' paths
  // are longer than the plain calls reach, so they stay, whatever their kind, and the
  // summary and the log say so. Only the long form of a path ("\\?\") reaches them.
  Install in("un_long");
  const std::string target = in.root + "\\" + std::string(190 - in.root.size(), 'd');
  ASSERT_TRUE(ForceDirectories(target + "\\Sub"));
  auto longForm = [](const std::string& path) { return L"\\\\?\\" + Widened(path); };
  std::vector<std::string> files;
  for (char c : {'p', 'r', 's'}) {
    files.push_back(target + "\\Sub\\" + std::string(70, c) + ".txt");
    HANDLE h = CreateFileW(longForm(files.back()).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
  }
  ASSERT_TRUE(WriteRegValueSimple(kSharedDlls, files[2], "1", true));
  in.Write(Header("Demo") + "REMOVE_FILE(" + in.script + ");\r\nREMOVE_FILE(" + in.exe + ");\r\nREMOVE_FILE(" +
           files[0] + ");\r\nREMOVE_READONLY_FILE(" + files[1] + ");\r\nREMOVE_SHARED_FILE(" + files[2] +
           ");\r\nREMOVE_DIR(" + target + "\\Sub);\r\nREMOVE_DIR(" + target + ");\r\nREMOVE_DIR(" + in.app + ");\r\n");
  RunOptions o;
  o.viewLog = true;
  const RunResult r = RunUninstaller(in.exe, o);
  ASSERT_EQ(r.boxes.size(), 2u);
  EXPECT_NE(r.boxes[1].text.find("UnInstall was unable to remove one or more Files"), std::string::npos);
  for (const auto& file : files) {
    EXPECT_NE(r.logText.find(file + "\r\n"), std::string::npos) << file;
    EXPECT_TRUE(DeleteFileW(longForm(file).c_str())) << file;  // still there
  }
  EXPECT_TRUE(tt::GoneWithin(in.app, 15000));
  DeleteRegValueText(kSharedDlls, files[2]);
}

TEST(UnInstallRun, StartedInItsOwnFolderItStillRemovesIt) {
  // As from a shortcut whose working folder is the install folder.
  Install in("un_workdir");
  const std::string file = in.File("My App\\a.txt");
  in.Write(Header("Demo") + "REMOVE_FILE(" + in.script + ");\r\nREMOVE_FILE(" + in.exe + ");\r\nREMOVE_FILE(" + file +
           ");\r\nREMOVE_DIR(" + in.app + ");\r\n");
  RunOptions o;
  o.workDir = in.app;
  const RunResult r = RunUninstaller(in.exe, o);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(tt::GoneWithin(in.exe, 15000));
  EXPECT_TRUE(tt::GoneWithin(in.app, 5000));
}

TEST(UnInstallRun, SelfDeletionTakesPathsAsWritten) {
  // Folder names, and a temporary folder for the batch, that the command interpreter would
  // read as variables; each decoy must stay (for %USERNAME%, the folder the name turns into).
  char user[256] = "", temp[1024] = "";
  ASSERT_GT(GetEnvironmentVariableA("USERNAME", user, sizeof user), 0u);
  GetEnvironmentVariableA("TEMP", temp, sizeof temp);
  struct Case { std::string folder, decoy, temp; };
  const Case cases[] = {
      {"C:\\Pct\\%USERNAME%", std::string("C:\\Pct\\") + user, temp},
      {"C:\\Names Dir\\Sub %TEMP% 100%", "C:\\Names Dir", temp},
      {"C:\\Names Dir\\Plain", "C:\\Names Dir", "C:\\Pct\\Temp %USERNAME%"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(ForceDirectories(c.folder) && ForceDirectories(c.decoy) && ForceDirectories(c.temp));
    const std::string exe = c.folder + "\\UnInstall.exe", script = c.folder + "\\UnInstall.txt";
    ASSERT_TRUE(tt::CopyFileTo(tt::ProgramDir() + "UnInstall.exe", exe));
    ASSERT_TRUE(tt::WriteFile(script, Header("Demo") + "REMOVE_FILE(" + script + ");\r\nREMOVE_FILE(" + exe +
                                          ");\r\nREMOVE_DIR(" + c.folder + ");\r\n"));
    SetEnvironmentVariableA("TMP", c.temp.c_str());
    SetEnvironmentVariableA("TEMP", c.temp.c_str());
    const RunResult r = RunUninstaller(exe);
    EXPECT_EQ(r.boxes.size(), 1u) << c.folder;
    EXPECT_TRUE(tt::GoneWithin(exe, 15000)) << c.folder;
    EXPECT_TRUE(tt::GoneWithin(c.folder, 5000)) << c.folder;
    EXPECT_TRUE(DirectoryExists(c.decoy)) << c.decoy;
    // The batch goes too, as the last thing it does.
    std::string batches = ListFiles(c.temp + "\\_DEL_ME_*.BAT", true);
    for (int i = 0; i < 300 && batches != "|"; ++i) {
      Sleep(50);
      batches = ListFiles(c.temp + "\\_DEL_ME_*.BAT", true);
    }
    EXPECT_EQ(batches, "|") << c.temp;
  }
  SetEnvironmentVariableA("TMP", temp);
  SetEnvironmentVariableA("TEMP", temp);
  DeleteTree("C:\\Pct", true);
  DeleteTree("C:\\Names Dir", true);
}

TEST(UnInstallRun, RunningProgramWarnsAndScrambledScriptReads) {
  Install in("un_running");
  const std::string file = in.File("My App\\a.txt");
  const std::string prog = in.root + "\\Prog\\demo.exe";
  ForceDirectories(ExtractFileDir(prog));
  tt::CopyFileTo(tt::ProgramDir() + "UnSleeper.exe", prog);
  tt::Process running = tt::Start("\"" + prog + "\"");
  ASSERT_TRUE(running.ok());
  const std::string text = Header("Demo",
                                  "CHAR_SET=177\r\nIS_RUNNING_TEST=1\r\nIS_RUNNING_TEXT=Please close PROG_NAME first\r\n"
                                  "CONFIRM_TEXT=Remove PROG_NAME now?\r\n"
                                  "BTN_TEXT=|Okay|Abbrechen|Ja|Nein|Abbruch|Wiederholen|Ignorieren|\r\n"
                                  "GET_PROG_EXE_NAME=" + prog) +
                           "REMOVE_FILE(" + file + ");\r\n";
  in.Write(ScrambleText(text, 1));
  RunOptions o;
  o.yes = "Ja";
  o.no = "Nein";
  const RunResult r = RunUninstaller(in.exe, o);
  TerminateProcess(running.handle, 0);
  ASSERT_GE(r.boxes.size(), 2u);
  EXPECT_NE(r.boxes[0].text.find("Remove Demo now?"), std::string::npos);
  EXPECT_EQ(r.boxes[0].text.find("Demo?"), std::string::npos);  // nothing appended
  EXPECT_EQ(r.boxes[1].caption, "Attention");
  EXPECT_NE(r.boxes[1].text.find("Please close Demo first"), std::string::npos);
  EXPECT_TRUE(Contains(r.boxes[1].buttons, "Okay"));
  EXPECT_FALSE(FileExists(file));  // the run went on
  // Right-to-left: the step images stand at the right of their labels.
  ASSERT_EQ(r.checks.size(), 6u);
  for (const RECT& rc : r.checks) EXPECT_GT(rc.left, 200);
}

TEST(UnInstallRun, DamagedScriptIsRefusedBeforeAnythingGoes) {
  // An emptied script, one of random bytes, and one whose last line was cut short (plain
  // and scrambled) end after one box, and so does one that another program holds open;
  // whole scripts, a whole last line without its line end too, are run.
  std::mt19937 random(43);
  std::string junk(8000, '\0');
  for (char& c : junk) c = char(random() & 0xFF);
  const char* const damaged = "Script file is damaged.";
  struct Row {
    const char* name;
    std::string (*text)(const std::string& whole, const std::string& junk);
    const char* refusal;  // none: the script is run
    bool held;            // open in another program that shares it with none
  };
  const Row rows[] = {
      {"un_dmg_empty", [](const std::string&, const std::string&) { return std::string(); }, damaged, false},
      {"un_dmg_random", [](const std::string&, const std::string& j) { return j; }, damaged, false},
      {"un_dmg_cut", [](const std::string& w, const std::string&) { return w.substr(0, w.size() - 8); }, damaged, false},
      {"un_dmg_cutscrambled",
       [](const std::string& w, const std::string&) { return ScrambleText(w.substr(0, w.size() - 8), 1); }, damaged,
       false},
      {"un_dmg_cutkey", [](const std::string& w, const std::string&) { return w + "RunTimeD"; }, damaged, false},
      {"un_dmg_held", [](const std::string& w, const std::string&) { return w; }, "Error reading script file.", true},
      {"un_dmg_whole", [](const std::string& w, const std::string&) { return w; }, nullptr, false},
      {"un_dmg_scrambled", [](const std::string& w, const std::string&) { return ScrambleText(w, 1); }, nullptr, false},
      {"un_dmg_noend", [](const std::string& w, const std::string&) { return w.substr(0, w.size() - 2); }, nullptr, false},
      {"un_dmg_nosemicolon", [](const std::string& w, const std::string&) { return w.substr(0, w.size() - 3); },
       nullptr, false},
      {"un_dmg_comment", [](const std::string& w, const std::string&) { return w.substr(0, w.size() - 2) + " // x  "; },
       nullptr, false},
      {"un_dmg_header", [](const std::string& w, const std::string&) { return w + "TargetDir=C:\\SdApp"; }, nullptr,
       false},
      {"un_dmg_ignored", [](const std::string& w, const std::string&) { return w + "[by hand]"; }, nullptr, false},
  };
  for (const Row& row : rows) {
    Install in(row.name);
    const std::string file = in.File("My App\\a.txt");
    // The file's own line comes last: cut, it ends in "...\\a".
    const std::string whole = Header("Demo") + "REMOVE_FILE(" + in.script + ");\r\nREMOVE_FILE(" + in.exe +
                              ");\r\nREMOVE_DIR(" + in.app + ");\r\nREMOVE_FILE(" + file + ");\r\n";
    const std::string text = row.text(whole, junk);
    in.Write(text);
    const HANDLE held = row.held ? CreateFileA(in.script.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                                 : INVALID_HANDLE_VALUE;
    const RunResult r = RunUninstaller(in.exe);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    if (row.refusal) {
      ASSERT_EQ(r.boxes.size(), 1u) << row.name;
      EXPECT_EQ(r.boxes[0].caption, "Error") << row.name;
      EXPECT_NE(r.boxes[0].text.find(in.script + "\r\n" + row.refusal + "\r\n\r\nUnInstall aborted!"), std::string::npos)
          << row.name << ": " << r.boxes[0].text;
      EXPECT_FALSE(r.removalWindow) << row.name;
      EXPECT_EQ(r.exitCode, 1) << row.name;
      EXPECT_TRUE(FileExists(file)) << row.name;
      std::string kept;
      EXPECT_TRUE(tt::ReadFile(in.script, kept) && kept == text) << row.name;
      EXPECT_FALSE(tt::GoneWithin(in.exe, 2000)) << row.name;
    } else {
      ASSERT_EQ(r.boxes.size(), 1u) << row.name;
      EXPECT_EQ(r.boxes[0].caption, "Confirm") << row.name;
      EXPECT_TRUE(r.removalWindow) << row.name;
      EXPECT_EQ(r.exitCode, 0) << row.name;
      EXPECT_FALSE(FileExists(file)) << row.name;
      EXPECT_TRUE(tt::GoneWithin(in.app, 15000)) << row.name;
    }
  }
}

TEST(UnInstallRun, ScrambledScriptWrittenBySetupIsRun) {
  // Setup writes the scrambled script a line at a time; what it wrote is whole.
  const std::string dir = tt::ScratchDir("un_bysetup"), target = dir + "\\target";
  const std::string prog = "Kv UnBySetup " + std::to_string(GetCurrentProcessId());
  for (const char* exe : {"Setup.exe", "UnInstall.exe"}) tt::CopyFileTo(tt::ProgramDir() + exe, dir + "\\" + exe);
  tt::WriteFile(dir + "\\a.txt", "a");
  tt::WriteFile(dir + "\\Setup.txt", "SET_PROG_NAME(" + prog + ");\r\nSET_TARGET_DIR(" + target +
                                       ");\r\nSET_SILENT_SETUP;\r\nSET_CREATE_UNINSTALL;\r\nSET_SCRAMBLE_UNINSTALL;\r\n"
                                       "SET_GROUP_DATA(|Main|x|1|1||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
                                       "SET_COPY_FILES(a.txt);\r\n");
  const RunResult setup = RunUninstaller(dir + "\\Setup.exe");  // answers its boxes the same way
  EXPECT_EQ(setup.exitCode, 0);
  EXPECT_TRUE(setup.boxes.empty());
  std::string script;
  ASSERT_TRUE(tt::ReadFile(target + "\\UnInstall.txt", script));
  ASSERT_TRUE(IsScrambledText(script));
  const RunResult r = RunUninstaller(target + "\\UnInstall.exe");
  ASSERT_EQ(r.boxes.size(), 1u) << (r.boxes.empty() ? "" : r.boxes.back().text);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_FALSE(FileExists(target + "\\a.txt"));
  EXPECT_FALSE(RegKeyExists("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\UnInstall\\" + prog));
  EXPECT_TRUE(tt::GoneWithin(target, 15000));
}

TEST(UnInstallRun, FullTemporaryFolderLeavesTheUninstallerToTheRestart) {
  // No room for the batch that would delete the uninstaller: the program and its emptied
  // folder are marked for deletion at the next restart, after another program's pending
  // deletion, and the log says so.
  tt::SmallDisk disk('S', 3 * 1024 * 1024);
  KV_NEED_DISK(disk);
  ASSERT_TRUE(disk.Leave(0));
  const std::string before = PendingRenames();
  const std::string foreign = WideZ(L"\\??\\C:\\foreign\\\u0416file\u20AC.txt") + WideZ(L"");
  RestorePendingRenames(foreign + WideZ(L""));
  Install in("un_fulltemp");
  const std::string file = in.File("My App\\a.txt");
  in.Write(Header("Demo") + "REMOVE_FILE(" + in.script + ");\r\nREMOVE_FILE(" + in.exe + ");\r\nREMOVE_FILE(" + file +
           ");\r\nREMOVE_DIR(" + in.app + ");\r\n");
  char temp[1024] = "", tmp[1024] = "";
  GetEnvironmentVariableA("TEMP", temp, sizeof temp);
  GetEnvironmentVariableA("TMP", tmp, sizeof tmp);
  SetEnvironmentVariableA("TEMP", disk.root.c_str());
  SetEnvironmentVariableA("TMP", disk.root.c_str());
  RunOptions o;
  o.viewLog = true;
  const RunResult r = RunUninstaller(in.exe, o);
  SetEnvironmentVariableA("TEMP", temp);
  SetEnvironmentVariableA("TMP", tmp);
  const std::string pending = PendingRenames();
  RestorePendingRenames(before);
  EXPECT_EQ(r.exitCode, 0);
  ASSERT_EQ(r.boxes.size(), 1u) << (r.boxes.size() > 1 ? r.boxes[1].text : "");
  EXPECT_FALSE(FileExists(file));
  EXPECT_EQ(ListFiles(disk.root + "_DEL_ME_*.BAT", true), "|");
  EXPECT_NE(r.logText.find(in.exe + " will be removed at the next restart\r\n"), std::string::npos) << r.logText;
  EXPECT_NE(r.logText.find(in.app + " will be removed at the next restart\r\n"), std::string::npos) << r.logText;
  // The other program's pair first, as it was; then the program, then its folder.
  EXPECT_EQ(pending, foreign + WideZ(L"\\??\\" + Widened(in.exe)) + WideZ(L"") + WideZ(L"\\??\\" + Widened(in.app)) +
                         WideZ(L"") + WideZ(L""));
  EXPECT_TRUE(FileExists(in.exe));
}

}  // namespace
