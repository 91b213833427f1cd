// Every condition once, through the engine, against real files, registry, environment,
// windows and processes.
#include <gtest/gtest.h>

#include <map>

#include "Common.h"
#include "ExecOp.h"
#include "ExecTestUtil.h"
#include "TestTool.h"
#include "VerInfo.h"

using namespace exectest;

namespace {

const char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KvExecApp.exe";
const char kTestKeyPath[] = "Software\\KvRuntimeTests\\Exec";

struct Case {
  std::string caption, p1, relation, p2;
  bool result;
};

void Check(const std::vector<Case>& cases) {
  for (const auto& c : cases)
    EXPECT_EQ(ConditionHolds(c.caption, c.p1, c.relation, c.p2), c.result)
        << c.caption << " [" << c.p1 << "] [" << c.relation << "] [" << c.p2 << "]";
}

LRESULT CALLBACK PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

struct ConditionsTest : ::testing::Test {
  void SetUp() override {
    dir = tt::ScratchDir("exec_conditions");
    text = dir + "\\text.txt";
    ASSERT_TRUE(tt::WriteFile(text, "Hello Setup world\r\nsecond line\r\n"));
    app = dir + "\\KvExecApp.exe";
    ASSERT_TRUE(tt::CopyFileTo(BinDir() + "kv_vertwo.dll", app));
    HKEY h;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kAppPaths, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr), 0);
    RegSetValueExA(h, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(app.c_str()), DWORD(app.size() + 1));
    RegCloseKey(h);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kTestKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr), 0);
    const DWORD nine = 9;
    RegSetValueExA(h, "Num", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&nine), 4);
    RegSetValueExA(h, "Str", 0, REG_SZ, reinterpret_cast<const BYTE*>("9"), 2);
    RegSetValueExA(h, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("Default Text"), 13);
    RegCloseKey(h);
    SetEnvironmentVariableA("KV_EXEC_VAR", "Mixed Case");
  }
  void TearDown() override {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kAppPaths);
    RemoveKeyTree(HKEY_CURRENT_USER, kTestKeyPath);
    SetEnvironmentVariableA("KV_EXEC_VAR", nullptr);
    SetEngineCallbacks(nullptr, nullptr);
  }
  std::string dir, text, app;
};

}  // namespace

TEST_F(ConditionsTest, FilesFoldersAndDrives) {
  Check({
      {"File Found", text, "", "", true},         {"file found", text, "", "", true},
      {" File Found", text, "", "", false},       {"File Found", dir, "", "", false},
      {"File Found", dir + "\\no.txt", "", "", false},
      {"Directory Found", dir, "", "", true},     {"Directory Found", text, "", "", false},
      {"Drive Found", "C", "", "", true},         {"Drive Found", "c:\\anything", "", "", true},
      {"Drive Found", "Q", "", "", false},        {"Drive Found", "", "", "", false},
      {"Text Found in File", text, "", "Setup", true},    {"Text Found in File", text, "", "setup", false},
      {"Text Found in File", text, "", "!setup", true},   {"Text Found in File", text, "", "!!Set", false},
      {"Text Found in File", text, "", "!!!SECOND", true}, {"Text Found in File", dir + "\\no.txt", "", "x", false},
      {"File Version is", app, "=", "5.1.2600.0", true},  {"File Version is", app, ">", "5.1.2600.10", false},
      {"File Version is", app, "<", "5.1.10000", true},   {"File Version is", text, "<", "0.0.0.1", true},
      {"File Version is", app, "=>", "5.1.2600.0", false},
  });
}

TEST_F(ConditionsTest, ApplicationsProcessesWindowsAndSystem) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string selfName = strrchr(self, '\\') + 1;
  Check({
      {"Application Found", "KvExecApp.exe", "", "", true},   {"Application Found", "KvNoSuchApp.exe", "", "", false},
      {"Application Path Found", "kvexecapp.exe", "", "", true}, {"Application Path Found", "KvNoSuchApp.exe", "", "", false},
      {"Application Version is", "KvExecApp.exe", ">=", "5.1", true},
      {"Application Version is", "KvExecApp.exe", "<", "5.1.2600.0", false},
      {"Application Version is", "KvNoSuchApp.exe", ">", "0.0.0.1", false},
      {"Exe is Running", selfName, "", "", true},            {"Exe is Running", "kv_not_running.exe", "", "", false},
      {"Service is Running", "Kv No Such Service", "", "", false},
      {"Operating System is in", "95," + GetWinVersionName(), "", "", true},
      {"Operating System is in", "95, " + GetWinVersionName(), "", "", false},
      {"Operating System is in", "32S", "", "", false},
  });
}

TEST_F(ConditionsTest, Windows) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "KvExecWindowClass";
  RegisterClassA(&wc);
  HWND wnd = CreateWindowA("KvExecWindowClass", "Kv Exec Window", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                           wc.hInstance, nullptr);
  ASSERT_NE(wnd, nullptr);
  Check({
      {"HWindow is Found", "KvExecWindowClass", "", "Kv Exec Window", true},
      {"HWindow is Found", "KvExecWindowClass", "", "", true},
      {"HWindow is Found", "", "", "Kv Exec Window", true},
      {"HWindow is Found", "KvExecWindowClass", "", "Other Title", false},
      {"HWindow is Found", "KvNoSuchClass", "", "", false},
  });
  DestroyWindow(wnd);
  EXPECT_FALSE(ConditionHolds("HWindow is Found", "KvExecWindowClass"));
}

TEST_F(ConditionsTest, RegistryAndEnvironment) {
  const std::string key = std::string("HKEY_CURRENT_USER\\") + kTestKeyPath;
  Check({
      {"Registry Key Found", key, "", "", true},            {"Registry Key Found", key + "\\None", "", "", false},
      {"Registry Key Found", "HKEY_LOCAL_MACHINE\\Software", "", "", true},
      {"Registry Value Found", key, "", "Num", true},       {"Registry Value Found", key, "", "Missing", false},
      {"Registry Value Found", key + "\\None", "", "Num", false},
      {"Registry Value is", key + "\\Num", "<", "10", true},  // 009 < 010
      {"Registry Value is", key + "\\Str", "<", "10", false}, // "9" after "10"
      {"Registry Value is", key + "\\Num", "=", "9", true},
      {"Registry Value is", key + "\\Str", ">=", "9", true},
      {"Registry Value is", key + "\\(default)", "=", "Default Text", true},
      {"Registry Value is", key + "\\Missing", "=", "", true},
      {"Registry Value is", key + "\\Missing", ">", "", false},
      {"Registry Value is", "NoBackslash", "=", "", false},
      {"Environment Variable Found", "KV_EXEC_VAR", "", "", true},
      {"Environment Variable Found", "KV_EXEC_UNSET", "", "", false},
      {"Environment Variable Is", "KV_EXEC_VAR", "=", "Mixed Case", true},
      {"Environment Variable Is", "KV_EXEC_VAR", "=", "mixed case", false},
      {"Environment Variable Is", "KV_EXEC_VAR", "!=", "Other", true},
      {"Environment Variable Is", "KV_EXEC_UNSET", "<", "a", true},
      {"Environment Variable Is (UpCase)", "KV_EXEC_VAR", "=", "mixed CASE", true},
      {"Environment Variable Is (UpCase)", "KV_EXEC_VAR", ">", "MIXED", true},
  });
}

TEST_F(ConditionsTest, Measurements) {
  MEMORYSTATUSEX ms;
  ms.dwLength = sizeof ms;
  ASSERT_TRUE(GlobalMemoryStatusEx(&ms));
  const std::string mb = std::to_string(ms.ullTotalPhys >> 20);
  EXPECT_EQ(GetMemorySizeMB(), int64_t(ms.ullTotalPhys >> 20));
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  const std::string screen = std::to_string(width) + "x" + std::to_string(height);
  HDC dc = GetDC(nullptr);
  const int depth = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
  ReleaseDC(nullptr, dc);
  const std::string depthName = depth == 8 ? "256 (8 bit)" : depth == 16 ? "64K (16 bit)" : depth == 24 ? "16M (24 bit)"
                                                                                                         : "True Color (32 bit)";
  const std::string dotNet = GetPaddedFileVersion(GetSystemDir(true) + "mscoree.dll", 5);
  const int cpu = GetCpuSpeedMHz();
  EXPECT_GT(cpu, 0);
  EXPECT_EQ(GetCpuSpeedMHz(), cpu);
  EXPECT_GE(GetAdoVersion(), 0.0);
  Check({
      {"Memory Size is (MB)", "", "=", mb, true},          {"Memory Size is (MB)", "", ">=", "not a number", true},
      {"Memory Size is (MB)", "", "<", "0", false},
      {"CPU Speed is (MHz)", "", "=", std::to_string(cpu), true}, {"CPU Speed is (MHz)", "", "<", "1", false},
      {"Screen Resolution is", "", "=", screen, true},     {"Screen Resolution is", "", ">", screen, false},
      {"Screen Resolution is", "", "<=", screen, true},
      {"Color Depth is", "", "=", depthName, true},         {"Color Depth is", "", "<", "256 (8 bit)", false},
      // The runtime library's own version (none in some prefixes: an empty text is smallest).
      {".NET Framework Version is", "", ">=", "0", !dotNet.empty()},
      {".NET Framework Version is", "", "<", "0", dotNet.empty()},
      {".NET Framework Version is", "", "<=", dotNet.empty() ? "0" : dotNet, true},
      {"ADO(MDAC) Version is", "", ">=", "0", true},        {"ADO(MDAC) Version is", "", "<", "0", false},
      {"ADO(MDAC) Version is", "", ">=", "x", true},
  });
}

TEST_F(ConditionsTest, VisualBasicRuntime) {
  // The prefix's own system folder is ours to change.
  const std::string vb5 = GetSystemDir(true) + "msvbvm50.dll", vb6 = GetSystemDir(true) + "msvbvm60.dll";
  const bool had6 = Exists(vb6);
  ASSERT_FALSE(Exists(vb5));
  Check({{"Visual Basic Runtime Found", " 5 ", "", "", false}, {"Visual Basic Runtime Found", "6", "", "", had6}});
  ASSERT_TRUE(tt::WriteFile(vb5, "MZ"));
  Check({{"Visual Basic Runtime Found", " 5 ", "", "", true}, {"Visual Basic Runtime Found", "7", "", "", false},
         {"Visual Basic Runtime Found", "", "", "", false}});
  DeleteFileA(vb5.c_str());
}

TEST_F(ConditionsTest, HostValues) {
  // Without a host: the setup type is Typical, every other value empty.
  Check({{"Setup Type is", "typical", "", "", true}, {"Setup Type is", "Custom", "", "", false},
         {"User Name is", "", "", "", true},          {"Group Selected", "Main", "", "", false}});
  std::map<std::string, std::string> values = {
      {"UserName", "Ann Smith"}, {"CompanyName", "Acme Ltd"}, {"GroupNameString", "|Main|Help Files|"}, {"SetupType", "Custom"}};
  SetEngineCallbacks(nullptr, [&](const std::string& name) { return values[name]; });
  Check({
      {"Setup Type is", "custom", "", "", true},       {"Setup Type is", "Typical", "", "", false},
      {"Group Selected", "Help Files", "", "", true},  {"Group Selected", "Help", "", "", false},
      {"Group Selected", "main", "", "", false},       {"User Name is", "ann smith", "", "", true},
      {"User Name is", "Ann", "", "", false},          {"Company Name is", "ACME LTD", "", "", true},
      {"Company Name is", "Acme", "", "", false},
  });
  // Setup types outside the known list all match one another.
  values["SetupType"] = "Minimal";
  Check({{"Setup Type is", "Server", "", "", true}, {"Setup Type is", "Custom", "", "", false}});
}

TEST_F(ConditionsTest, QuestionBoxes) {
  struct Case { std::string caption, button; bool result; };
  const Case cases[] = {{"Ask Yes/No", "Yes", true}, {"Ask Yes/No", "No", false},
                        {"Ask OK/Cancel", "OK", true}, {"Ask OK/Cancel", "Cancel", false}};
  for (const auto& c : cases) {
    bool result = !c.result;
    std::string shown;
    WithBox([&] { result = ConditionHolds(c.caption, "Go on with <b>this</b>?"); },
            [&](HWND box) {
              EXPECT_EQ(tt::WindowText(box), "Confirm");
              EXPECT_TRUE(tt::ClickButton(box, c.button));
            },
            &shown);
    EXPECT_EQ(result, c.result) << c.caption << " " << c.button;
    EXPECT_NE(shown.find("Go on with this?"), std::string::npos) << shown;
  }
}
