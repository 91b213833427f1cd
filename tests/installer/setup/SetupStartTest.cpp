// Setup.exe as the user meets it: copies of the program in scratch folders, small scripts,
// and the boxes and windows it shows.
#include <gtest/gtest.h>

#include <string>

#include "Common.h"
#include "SetupTestUtil.h"
#include "TestTool.h"

using setuptest::RunSetup;
using setuptest::SetupCopy;
using setuptest::TitledText;

namespace {

const std::string kPid = std::to_string(GetCurrentProcessId());

std::string Dir(const std::string& exe) { return exe.substr(0, exe.find_last_of('\\') + 1); }

}  // namespace

TEST(SetupStart, ScriptMissingOrUnreadableGivesOneBox) {
  struct Case {
    const char* script;  // null: no Setup.txt
    bool locked;         // Setup.txt held open with no sharing while Setup runs
    const char* words;
  };
  const Case cases[] = {
      {nullptr, false, "Script file not found."},
      {"SET_PROG_NAME(Demo)\r\n", true, "Error reading script file."},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string exe = SetupCopy("setup_noscript" + std::to_string(n++), c.script);
    const std::string script = Dir(exe) + "Setup.txt";
    HANDLE lock = c.locked ? CreateFileA(script.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                           : INVALID_HANDLE_VALUE;
    ASSERT_EQ(c.locked, lock != INVALID_HANDLE_VALUE);
    const auto r = RunSetup(exe);
    if (lock != INVALID_HANDLE_VALUE) CloseHandle(lock);
    ASSERT_EQ(r.boxes.size(), 1u) << c.words;
    EXPECT_EQ(r.boxes[0].caption, "Error");
    EXPECT_EQ(r.boxes[0].text, TitledText("Error", script + "\r\n" + c.words + "\r\n\r\nSetup Aborted!"));
    EXPECT_TRUE(r.wizards.empty()) << c.words;
    EXPECT_EQ(r.exitCode, 0);
  }
}

TEST(SetupStart, EachUnrecognisedLineHasItsBox) {
  const std::string exe = SetupCopy("setup_badlines",
                                    "SET_PROG_NAME(Demo);\r\n"
                                    "SET_PROG_NAM(Demo); cut here\r\n"
                                    "// a comment\r\n"
                                    "  Hello World  \r\n"
                                    "SET_DIALOGS(WelcomeDlg)\r\n");
  const auto r = RunSetup(exe);
  ASSERT_EQ(r.boxes.size(), 2u);
  EXPECT_EQ(r.boxes[0].caption, "Error");
  EXPECT_EQ(r.boxes[0].text, TitledText("Error", "SET_PROG_NAM(Demo)\r\n\r\nUnrecognized command in Script file"));
  EXPECT_EQ(r.boxes[1].text, TitledText("Error", "Hello World\r\n\r\nUnrecognized command in Script file"));
  // Start-up goes on to the wizard.
  EXPECT_EQ(r.wizards, std::vector<std::string>{"Welcome"});
  EXPECT_EQ(r.exitCode, 0);
}

TEST(SetupStart, AllowedWindowsVersions) {
  struct Case {
    const char* version;  // what Wine reports to the copy
    const char* allowed;  // SET_ALLOWED_OS
    const char* refusedOn;  // short name in the refusal, null when setup goes on
  };
  const Case cases[] = {
      {"winxp", "XP", nullptr},        {"winxp", "xp", "XP"},           {"winxp", "", nullptr},
      {"winxp", "2000,XP,ME", nullptr}, {"winxp", "2000, XP", "XP"},    {"winxp", "XP2", "XP"},
      {"win98", "98", nullptr},        {"win98", "95,NT,2000,XP", "98"}, {"win2k", "NT,2000", nullptr},
      {"win7", "6.1", nullptr},        {"win7", "XP", "6.1"},
  };
  const std::string name = "kvsetup_os_" + kPid + ".exe";
  int n = 0;
  for (const auto& c : cases) {
    const std::string script = std::string("SET_PROG_NAME(Demo)\r\n") +
                               (*c.allowed ? "SET_ALLOWED_OS(" + std::string(c.allowed) + ")\r\n" : "");
    const std::string exe = SetupCopy("setup_os" + std::to_string(n++), script.c_str(), name);
    ASSERT_TRUE(tt::SetProgramWindowsVersion(name, c.version));
    const auto r = RunSetup(exe);
    EXPECT_EQ(r.exitCode, 0) << c.version << " " << c.allowed;
    if (c.refusedOn) {
      ASSERT_EQ(r.boxes.size(), 1u) << c.version << " " << c.allowed;
      EXPECT_EQ(r.boxes[0].text,
                TitledText("Error", "\"Demo\" is not allowed to run on Win" + std::string(c.refusedOn) +
                                        ". --- Setup Aborted!"));
      EXPECT_TRUE(r.wizards.empty());
    } else {
      EXPECT_TRUE(r.boxes.empty()) << c.version << " " << c.allowed << ": " << r.boxes[0].text;
      EXPECT_EQ(r.wizards.size(), 1u) << c.version << " " << c.allowed;
    }
  }
  tt::SetProgramWindowsVersion(name, "");
}

// Wine always answers that the user is an administrator: the real test lets setup go on.
// The refusal itself is tested with the answer injected (StartupTests.Refusals).
TEST(SetupStart, AdministratorTestPassesForAnAdministrator) {
  ASSERT_TRUE(IsUserAdmin());
  const auto r = RunSetup(SetupCopy("setup_admin", "SET_PROG_NAME(Demo)\r\nSET_TEST_ADMIN_RIGHTS\r\n"));
  EXPECT_TRUE(r.boxes.empty());
  EXPECT_EQ(r.wizards.size(), 1u);
  EXPECT_EQ(r.exitCode, 0);
}

namespace {

// A helper program registered under App Paths and running until the guard ends.
struct RunningProgram {
  std::string exeName, path, marker;
  tt::Process process;
  explicit RunningProgram(const std::string& dir) {
    exeName = "kvrunning_" + kPid + ".exe";
    path = dir + exeName;
    marker = dir + "running.txt";
    tt::CopyFileTo(tt::ProgramDir() + "SetupHelper.exe", path);
    WriteRegString(AppPathsKey(), "", path);
    process = tt::Start("\"" + path + "\" stay \"" + marker + "\" 60000");
    const DWORD start = GetTickCount();
    std::string bytes;
    while (!tt::ReadFile(marker, bytes) && GetTickCount() - start < 10000) Sleep(20);
  }
  std::string AppPathsKey() const {
    return "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + exeName;
  }
  void Stop() {
    if (!process.handle) return;
    tt::WriteFile(marker + ".stop", "");
    tt::WaitExit(process, 10000);
  }
  ~RunningProgram() {
    Stop();
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths", 0, KEY_WRITE,
                      &key) == ERROR_SUCCESS) {
      RegDeleteKeyA(key, exeName.c_str());
      RegCloseKey(key);
    }
  }
};

}  // namespace

TEST(SetupStart, RunningProgramWarning) {
  const std::string helperDir = tt::ScratchDir("setup_running_prog") + "\\";
  RunningProgram program(helperDir);
  ASSERT_TRUE(program.process.ok());
  const std::string script = "SET_PROG_NAME(Demo)\r\nSET_PROG_EXE_NAME(bin\\" + program.exeName +
                             ")\r\nSET_TEST_EXE_BEFORE_INSTALL\r\n";
  const std::string expected =
      TitledText("Attention", "Demo --- is running!\r\n\r\nPlease close the program and then click OK to continue "
                              "with Installation.");
  {
    // The warning, then setup goes on.
    const auto r = RunSetup(SetupCopy("setup_running", script.c_str()));
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].caption, "Attention");
    EXPECT_EQ(r.boxes[0].text, expected);
    EXPECT_FALSE(r.boxes[0].rightToLeft);
    EXPECT_EQ(r.wizards.size(), 1u);
    EXPECT_EQ(r.exitCode, 0);
  }
  {
    // Without the test switched on: nothing.
    const std::string off = "SET_PROG_NAME(Demo)\r\nSET_PROG_EXE_NAME(" + program.exeName + ")\r\n";
    const auto r = RunSetup(SetupCopy("setup_running_off", off.c_str()));
    EXPECT_TRUE(r.boxes.empty());
  }
  {
    // The texts and the charset come from the language: a right-to-left language turns the box.
    const std::string exe = SetupCopy("setup_running_rtl", (script + "SET_LANG_FLAG(2)\r\nSET_LANG_NAMES(|Hebrew|)\r\n").c_str());
    tt::WriteFile(Dir(exe) + "Hebrew.lng",
                  "[General]\r\nLangID=13\r\nCharset=177\r\n[BeforeInstall]\r\nIsRunningCaption=Watch\r\n"
                  "IsRunningText=PROG_NAME runs, PROG_NAME!\r\n[MsgBox]\r\nBtnText=|OK|C|Y|N|A|R|I|\r\n");
    const auto r = RunSetup(exe);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_EQ(r.boxes[0].caption, "Watch");
    EXPECT_EQ(r.boxes[0].text, TitledText("Watch", "Demo runs, Demo!"));
    EXPECT_TRUE(r.boxes[0].rightToLeft);
  }
  program.Stop();
  {
    // Ended: no warning.
    const auto r = RunSetup(SetupCopy("setup_running_ended", script.c_str()));
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_EQ(r.wizards.size(), 1u);
  }
}

TEST(SetupStart, FirstWindowAndBackgroundUpdate) {
  const char* script = "SET_PROG_NAME(Demo)\r\nSET_SETUP_BACKGROUND\r\n";
  {
    const auto r = RunSetup(SetupCopy("setup_background", script));
    EXPECT_TRUE(r.background);
    EXPECT_EQ(r.wizards.size(), 1u);
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_EQ(r.exitCode, 0);
  }
  struct Case {
    const char* info;  // contents of the .info file; null: none
    bool backgroundUpdate;
  };
  const Case cases[] = {{"[NewSetup]\r\nBackgroundUpdate=1\r\n", true},
                        {"[NewSetup]\r\nBackgroundUpdate=0\r\n", false},
                        {"[NewSetup]\r\nBackgroundUpdate=yes\r\n", false},
                        {nullptr, false}};
  int n = 0;
  for (const auto& c : cases) {
    const std::string exe = SetupCopy("setup_update" + std::to_string(n++), script);
    const std::string old = Dir(exe) + "old\\";
    CreateDirectoryA(old.c_str(), nullptr);
    if (c.info) tt::WriteFile(old + "app.info", c.info);
    // A background update installs into its folder without a word.
    tt::WriteFile(Dir(exe) + "Setup.txt", std::string(script) + "SET_TARGET_DIR(" + Dir(exe) + "App)\r\n");
    const auto r = RunSetup(exe, "/OriginalInfoFile=" + old + "app.dat");
    // A background update runs silently: no window at all, and it ends by itself.
    EXPECT_EQ(r.background, !c.backgroundUpdate) << n;
    EXPECT_EQ(r.shown.empty(), c.backgroundUpdate) << n;
    EXPECT_EQ(r.wizards.size(), c.backgroundUpdate ? 0u : 1u) << n;
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_EQ(r.exitCode, 0);
  }
}

TEST(SetupStart, LanguageOfAnEnglishUser) {
  ASSERT_EQ(GetUserDefaultLCID() & 0x3FF, 9u);
  const char* script = "SET_PROG_NAME(Demo)\r\nSET_LANG_FLAG(2)\r\nSET_LANG_NAMES(|German|French|)\r\n";
  const std::string exe = SetupCopy("setup_lang_en", script);
  const std::string lang = Dir(exe) + "LANG\\";
  CreateDirectoryA(lang.c_str(), nullptr);
  tt::WriteFile(lang + "German.lng", "[General]\r\nLangID=7\r\n[Welcome]\r\nCaption=Willkommen\r\n");
  tt::WriteFile(lang + "French.lng", "[General]\r\nLangID=12\r\n[Welcome]\r\nCaption=Bienvenue\r\n");
  EXPECT_EQ(RunSetup(exe).wizards, std::vector<std::string>{"Welcome"});  // the built-in table
  tt::WriteFile(lang + "English.lng", "[General]\r\nLangID=9\r\n[Welcome]\r\nCaption=Hello\r\n");
  EXPECT_EQ(RunSetup(exe).wizards, std::vector<std::string>{"Hello"});
  // Files beside the program count only when there is no LANG folder.
  tt::WriteFile(Dir(exe) + "English.lng", "[General]\r\nLangID=9\r\n[Welcome]\r\nCaption=Beside\r\n");
  EXPECT_EQ(RunSetup(exe).wizards, std::vector<std::string>{"Hello"});
  tt::DeleteTree(lang);
  EXPECT_EQ(RunSetup(exe).wizards, std::vector<std::string>{"Beside"});
}
