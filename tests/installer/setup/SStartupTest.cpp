#include "SStartup.h"

#include <gtest/gtest.h>

#include <string>

#include "Files.h"
#include "SScript.h"
#include "TestTool.h"

namespace {

TScript ScriptFor(const std::string& lines) {
  TScript s;
  s.OnUnrecognized = nullptr;
  s.LoadFromText(lines);
  return s;
}

}  // namespace

// The system's answers are injected: Wine always reports an administrator.
TEST(StartupTests, Refusals) {
  struct Case {
    const char* script;
    const char* win;
    bool nt, admin, dotNet;
    const char* message;
    int adminAsked;  // times the administrator test ran
  };
  const char* adminMsg = "Unable to install the program\\\\nMake sure you have ADMINISTRATOR Rights on this PC!";
  const char* dotNetMsg =
      "\"Demo\" requires .NET Framework<P><P>Please install .NET Framework and run this setup program again";
  const Case cases[] = {
      {"SET_PROG_NAME(Demo)", "XP", true, false, false, "", 0},
      {"SET_PROG_NAME(Demo)\nSET_ALLOWED_OS(98,XP)", "XP", true, true, true, "", 0},
      {"SET_PROG_NAME(Demo)\nSET_ALLOWED_OS(xp)", "XP", true, true, true,
       "\"Demo\" is not allowed to run on WinXP. --- Setup Aborted!", 0},
      {"SET_ALLOWED_OS(XP)", "5.2", true, true, true, "\"\" is not allowed to run on Win5.2. --- Setup Aborted!", 0},
      {"SET_PROG_NAME(100% %s)\nSET_ALLOWED_OS(XP)", "98", false, true, true,
       "\"100% %s\" is not allowed to run on Win98. --- Setup Aborted!", 0},
      {"SET_PROG_NAME(Demo)\nSET_TEST_ADMIN_RIGHTS", "XP", true, false, true, adminMsg, 1},
      {"SET_PROG_NAME(Demo)\nSET_TEST_ADMIN_RIGHTS", "XP", true, true, true, "", 1},
      {"SET_PROG_NAME(Demo)\nSET_TEST_ADMIN_RIGHTS", "98", false, false, true, "", 0},  // 9x: not asked
      {"SET_PROG_NAME(Demo)\nSET_TEST_FOR_DOT_NET_FRAMEWORK", "XP", true, false, false, dotNetMsg, 0},
      {"SET_PROG_NAME(Demo)\nSET_TEST_FOR_DOT_NET_FRAMEWORK", "98", false, false, true, "", 0},
      // The first failing test gives the message.
      {"SET_PROG_NAME(Demo)\nSET_TEST_ADMIN_RIGHTS\nSET_TEST_FOR_DOT_NET_FRAMEWORK", "XP", true, false, false, adminMsg,
       1},
      {"SET_PROG_NAME(Demo)\nSET_ALLOWED_OS(2000)\nSET_TEST_ADMIN_RIGHTS", "XP", true, false, false,
       "\"Demo\" is not allowed to run on WinXP. --- Setup Aborted!", 0},
  };
  for (const auto& c : cases) {
    int asked = 0;
    TStartupFacts facts{[&] { return std::string(c.win); }, [&] { return c.nt; },
                        [&] {
                          ++asked;
                          return c.admin;
                        },
                        [&] { return c.dotNet; }};
    EXPECT_EQ(StartupRefusal(ScriptFor(c.script), facts), c.message) << c.script << " on " << c.win;
    EXPECT_EQ(asked, c.adminAsked) << c.script << " on " << c.win;
  }
  // A very long program name is kept whole in the refusal.
  const std::string longName(3000, 'n');
  TStartupFacts xp{[] { return std::string("XP"); }, [] { return true; }, [] { return true; }, [] { return true; }};
  EXPECT_EQ(StartupRefusal(ScriptFor("SET_PROG_NAME(" + longName + ")\nSET_ALLOWED_OS(98)"), xp),
            "\"" + longName + "\" is not allowed to run on WinXP. --- Setup Aborted!");
}

TEST(StartupTests, SystemAnswersUnderWine) {
  const TStartupFacts facts = SystemStartupFacts();
  EXPECT_TRUE(facts.isUserAdmin());
  EXPECT_TRUE(facts.isWinNT());
  EXPECT_FALSE(facts.winVersionName().empty());
  EXPECT_EQ(StartupRefusal(ScriptFor("SET_TEST_ADMIN_RIGHTS\nSET_TEST_FOR_DOT_NET_FRAMEWORK"), facts), "");
}

TEST(AutoUpdate, FilesOfThePreviousInstallation) {
  struct Case {
    const char* original;  // null: no such file
    const char* info;
    const char* app;
    const char* common;
    const char* aux;
    bool background;
  };
  const Case cases[] = {
      {"[Directories]\r\nTargetDir=C:\\Prog\\App\r\nSharedDir=C:\\Shared\r\nAuxiliaryDir=C:\\Aux\r\n",
       "[NewSetup]\r\nBackgroundUpdate=1\r\n", "C:\\Prog\\App", "C:\\Shared", "C:\\Aux", true},
      {"[Directories]\r\nTargetDir=C:\\Only\r\n", "[NewSetup]\r\nBackgroundUpdate=0\r\n", "C:\\Only", "", "", false},
      {nullptr, "[NewSetup]\r\nBackgroundUpdate=2\r\n", "", "", "", false},
      {"[Other]\r\nTargetDir=C:\\No\r\n", nullptr, "", "", "", false},
      {"garbage without sections", "[NewSetup]\r\nBackgroundUpdate=1\r\n", "", "", "", true},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string dir = tt::ScratchDir("autoupdate" + std::to_string(n++)) + "\\";
    if (c.original) tt::WriteFile(dir + "app.original", c.original);
    if (c.info) tt::WriteFile(dir + "app.info", c.info);
    SetPresetAppFolder("stale");
    SetPresetCommonFolder("");
    SetPresetAuxFolder("");
    SetBackgroundUpdate(false);
    TScript script = ScriptFor("SET_PROG_NAME(Demo)");
    AutoUpdateFrom(script, dir + "app.dat");
    EXPECT_EQ(GetPresetAppFolder(), c.original ? c.app : "stale") << n;
    EXPECT_EQ(GetPresetCommonFolder(), c.common) << n;
    EXPECT_EQ(GetPresetAuxFolder(), c.aux) << n;
    EXPECT_EQ(IsBackgroundUpdate(), c.background) << n;
    EXPECT_EQ(script.SilentSetup(), c.background) << n;
  }
  // No switch on this test's command line: nothing happens.
  SetBackgroundUpdate(false);
  TScript script = ScriptFor("");
  AutoUpdateEntry(script);
  EXPECT_FALSE(IsBackgroundUpdate());
  EXPECT_FALSE(script.SilentSetup());
  SetPresetAppFolder("");
}

namespace {

// A copy of the helper that records its current folder and arguments.
struct Recorder {
  std::string exe;
  Recorder(const std::string& dir, const std::string& name) {
    ForceDirectories(dir);
    exe = dir + name;
    tt::CopyFileTo(tt::ProgramDir() + "SetupHelper.exe", exe);
  }
  std::vector<std::string> Wait() const {
    std::string bytes;
    const DWORD start = GetTickCount();
    while (!tt::ReadFile(exe + ".txt", bytes) && GetTickCount() - start < 15000) Sleep(30);
    Sleep(50);
    tt::ReadFile(exe + ".txt", bytes);
    const size_t nl = bytes.find('\n');
    if (nl == std::string::npos) return {};
    return {bytes.substr(0, nl), bytes.substr(nl + 1)};
  }
};

struct CurrentFolderGuard {
  char saved[MAX_PATH] = "";
  CurrentFolderGuard() { GetCurrentDirectoryA(MAX_PATH, saved); }
  ~CurrentFolderGuard() { SetCurrentDirectoryA(saved); }
};

}  // namespace

TEST(AfterRun, LaunchPostRunAndRestart) {
  CurrentFolderGuard guard;
  const std::string dir = tt::ScratchDir("afterrun") + "\\";
  int restarts = 0;
  auto restart = [&] { ++restarts; };

  // Nothing set: nothing runs.
  RunAfterActions(restart);
  EXPECT_EQ(restarts, 0);

  // Launch in the program's folder, then in the chosen work folder.
  Recorder launched(dir + "App Folder\\", "app.exe");
  SetLaunchProgram(launched.exe);
  RunAfterActions(restart);
  EXPECT_EQ(launched.Wait(), (std::vector<std::string>{dir + "App Folder", ""}));
  DeleteFileA((launched.exe + ".txt").c_str());
  CreateDirectoryA((dir + "Work").c_str(), nullptr);
  SetLaunchWorkFolder(dir + "Work");
  RunAfterActions(restart);
  EXPECT_EQ(launched.Wait(), (std::vector<std::string>{dir + "Work", ""}));
  SetLaunchProgram("");
  SetLaunchWorkFolder("");

  // The post-run command: quoted program (its folder has blanks), run in the program's folder.
  Recorder update(dir + "Prog Files\\Sub Dir\\", "upd.exe");
  SetPostRunCommand(update.exe, "/DELAY=120");
  EXPECT_EQ(GetPostRunCommand(), "\"" + update.exe + "\" /DELAY=120");
  EXPECT_EQ(GetPostRunFolder(), dir + "Prog Files\\Sub Dir");
  RunAfterActions(restart);
  EXPECT_EQ(update.Wait(), (std::vector<std::string>{dir + "Prog Files\\Sub Dir", "/DELAY=120"}));
  SetPostRunCommand("", "");
  EXPECT_EQ(GetPostRunCommand(), "");
  EXPECT_EQ(restarts, 0);

  // Restart: asked once, after the other actions.
  EXPECT_FALSE(RestartRequested());
  RequestRestart();
  EXPECT_TRUE(RestartRequested());
  RunAfterActions(restart);
  EXPECT_EQ(restarts, 1);
}

TEST(Psapi, PresentLibraryIsLeftAlone) {
  char sys[MAX_PATH];
  GetSystemDirectoryA(sys, MAX_PATH);
  const std::string path = std::string(sys) + "\\psapi.dll";
  std::string before, after;
  ASSERT_TRUE(tt::ReadFile(path, before));
  EXPECT_TRUE(EnsurePsapi());
  ASSERT_TRUE(tt::ReadFile(path, after));
  EXPECT_EQ(before, after);

  // With the library made missing for a program that carries none: it does nothing.
  const std::string dir = tt::ScratchDir("psapi") + "\\";
  const std::string name = "kvpsapi_" + std::to_string(GetCurrentProcessId()) + ".exe";
  ASSERT_TRUE(tt::CopyFileTo(tt::ProgramDir() + "SetupHelper.exe", dir + name));
  ASSERT_TRUE(tt::SetProgramDllDisabled(name, "psapi", true));
  tt::Process p = tt::Start("\"" + dir + name + "\" psapi \"" + dir + "out.txt\"");
  EXPECT_EQ(tt::WaitExit(p, 20000), 0);
  tt::SetProgramDllDisabled(name, "psapi", false);
  std::string out;
  ASSERT_TRUE(tt::ReadFile(dir + "out.txt", out));
  EXPECT_EQ(out, "00");  // not ensured, still not loadable
  ASSERT_TRUE(tt::ReadFile(path, after));
  EXPECT_EQ(before, after);
}

TEST(Psapi, ResourceWriting) {
  const std::string dir = tt::ScratchDir("psapi_res") + "\\";
  // This program carries the built-in language table as a resource.
  EXPECT_TRUE(WriteProgramResource("ENGLISH", "TEXT", dir + "english.bin"));
  std::string bytes;
  ASSERT_TRUE(tt::ReadFile(dir + "english.bin", bytes));
  EXPECT_EQ(bytes.substr(0, 9), "[General]");
  EXPECT_FALSE(WriteProgramResource("_psapi", "BINARY", dir + "psapi.dll"));
  EXPECT_FALSE(tt::ReadFile(dir + "psapi.dll", bytes));
}
