#include "Common.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "RegOp.h"
#include "SysTestUtil.h"
#include "TestTool.h"
#include "Utils.h"

using systest::Exists;
using systest::Lines;

namespace {

const std::string kKey = std::string(systest::kTestKey) + "\\Common";

void SetRaw(const std::string& name, DWORD type, const std::string& bytes) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\KvRuntimeTests\\Common", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &k, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(k, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
  RegCloseKey(k);
}

bool WaitForFile(const std::string& path, DWORD ms) {
  const DWORD start = GetTickCount();
  while (!Exists(path)) {
    if (GetTickCount() - start > ms) return false;
    Sleep(20);
  }
  return true;
}

}  // namespace

TEST(RegPathText, Split) {
  struct Case {
    const char* path;
    HKEY root;
    const char* key;
  };
  const Case cases[] = {
      {"HKEY_LOCAL_MACHINE\\Software\\X", HKEY_LOCAL_MACHINE, "Software\\X"},
      {"  hkey_classes_root\\.txt  ", HKEY_CLASSES_ROOT, ".txt"},
      {"HKEY_USERS\\", HKEY_USERS, ""},
      {"HKEY_CURRENT_CONFIG\\a\\b", HKEY_CURRENT_CONFIG, "a\\b"},
      {"HKEY_DYN_DATA\\a", HKEY_DYN_DATA, "a"},
      {"HKEY_CURRENT_USER\\Software", HKEY_CURRENT_USER, "Software"},
      {"HKEY_FOO\\Bar", HKEY_CURRENT_USER, "Bar"},                   // unknown root name
      {"HKEY_LOCAL_MACHINE", HKEY_CURRENT_USER, "HKEY_LOCAL_MACHINE"},  // no backslash: a key name
      {"Software\\X", HKEY_CURRENT_USER, "Software\\X"},
      {"", HKEY_CURRENT_USER, ""},
  };
  for (const Case& c : cases) {
    HKEY root = nullptr;
    std::string key = "junk";
    SplitRegPath(c.path, root, key);
    EXPECT_EQ(root, c.root) << c.path;
    EXPECT_EQ(key, c.key) << c.path;
  }
}

TEST(Folders, TrailingBackslash) {
  struct Case {
    const char* path;
    bool flag;
    const char* out;
  };
  const Case cases[] = {
      {"C:\\", false, "C:\\"}, {"C:\\", true, "C:\\"},          {"C:", true, "C:\\"},
      {"C:", false, "C:"},     {"C:\\dir\\", false, "C:\\dir"}, {"C:\\dir", true, "C:\\dir\\"},
      {"C:\\dir\\", true, "C:\\dir\\"}, {"", true, ""},         {"\\", true, "\\"},
  };
  for (const Case& c : cases) EXPECT_EQ(SetTrailingBackslash(c.path, c.flag), c.out) << c.path << " " << c.flag;
}

TEST(Folders, SystemFolders) {
  EXPECT_TRUE(EqualTextNoCase(GetWindowsDir(false), "C:\\windows"));
  EXPECT_TRUE(EqualTextNoCase(GetWindowsDir(true), "C:\\windows\\"));
  EXPECT_TRUE(EqualTextNoCase(GetSystemDir(false), "C:\\windows\\system32"));
  const std::string temp = GetTempDir(false);
  ASSERT_FALSE(temp.empty());
  EXPECT_NE(temp.back(), '\\');
  EXPECT_EQ(GetTempDir(true), temp + "\\");
  EXPECT_TRUE(EqualTextNoCase(GetExeDir(true), tt::ProgramDir()));
  EXPECT_TRUE(EqualTextNoCase(GetExeFileName(), tt::ProgramDir() + "runtime_sys_tests.exe"));
  EXPECT_TRUE(IsDotNetPresent());  // mscoree.dll is in the prefix's system folder
  const char* user = std::getenv("USERNAME");
  EXPECT_FALSE(GetLoginUserName().empty());
  if (user) {
    EXPECT_TRUE(EqualTextNoCase(GetLoginUserName(), user));
  }
}

// Each Windows version in a probe of its own name, since Wine fixes it per program.
TEST(WindowsVersion, NamesAndBitsPerVersion) {
  struct Case {
    const char* wine;
    const char* name;
    const char* bit;
    const char* family;  // 9x, NT, XP flags
  };
  const Case cases[] = {
      {"win95", "95", "1", "100"},   {"win98", "98", "2", "100"},   {"winme", "ME", "4", "100"},
      {"nt40", "NT", "8", "010"},    {"win2k", "2000", "16", "010"}, {"winxp", "XP", "32", "011"},
      {"win7", "6.1", "0", "010"},
  };
  const std::string dir = systest::Scratch("winver");
  for (const Case& c : cases) {
    const std::string exe = systest::ProbeCopy(dir, std::string("kvver_") + c.wine + ".exe");
    const std::string out = dir + c.wine + ".txt";
    ASSERT_EQ(systest::RunAs(exe, c.wine, "version \"" + out + "\""), 0) << c.wine;
    const auto l = Lines(out);
    ASSERT_EQ(l.size(), 6u) << c.wine;
    EXPECT_EQ(l[0], c.name) << c.wine;
    EXPECT_EQ(l[1], c.bit) << c.wine;
    EXPECT_EQ(l[2] + l[3] + l[4], c.family) << c.wine;
    EXPECT_EQ(l[5].rfind(std::string("Win") + c.name + "  ", 0), 0u) << l[5];
    if (std::string(c.wine) == "winxp") {
      EXPECT_EQ(l[5], "WinXP  5.1  2600 (Service Pack 3)");
    }
  }
}

TEST(CommandLine, ArgsAndSwitchValues) {
  struct Case {
    const char* tail;  // after the program's path
    const char* args;
    const char* value;  // of "/OriginalInfoFile="
  };
  const Case cases[] = {
      {" /OriginalInfoFile=", "/OriginalInfoFile=", "TRUE"},
      {" /OriginalInfoFile=\"C:\\a b\\x.txt\"", "/OriginalInfoFile=\"C:\\a b\\x.txt", "C:\\a b\\x.txt"},
      {" /OriginalInfoFile= /S", "/OriginalInfoFile= /S", ""},
      {" /S /originalinfofile=C:\\x.txt /S", "/S /originalinfofile=C:\\x.txt /S", "C:\\x.txt"},
      {" /OriginalInfoFile=C:\\x.txt/S", "/OriginalInfoFile=C:\\x.txt/S", "C:\\x.txt"},
      {" /S", "/S", ""},
      {"", "", ""},
  };
  const std::string dir = systest::Scratch("cmdline");
  const std::string out = dir + "args.txt";
  SetEnvironmentVariableA("KV_PROBE_ARGS_OUT", out.c_str());
  SetEnvironmentVariableA("KV_PROBE_SWITCH", "/OriginalInfoFile=");
  for (const Case& c : cases) {
    DeleteFileA(out.c_str());
    ASSERT_EQ(systest::Run("\"" + systest::ProbePath() + "\"" + c.tail), 0) << c.tail;
    const auto l = Lines(out);
    ASSERT_EQ(l.size(), 2u) << c.tail;
    EXPECT_EQ(l[0], c.args) << c.tail;
    EXPECT_EQ(l[1], c.value) << c.tail;
  }
  // The program's own path is found whatever its letter case.
  DeleteFileA(out.c_str());
  ASSERT_EQ(systest::Run("\"" + LowerCase(systest::ProbePath()) + "\" /X=1"), 0);
  EXPECT_EQ(Lines(out).at(0), "/X=1");
  SetEnvironmentVariableA("KV_PROBE_ARGS_OUT", nullptr);
  SetEnvironmentVariableA("KV_PROBE_SWITCH", nullptr);
}

TEST(RegistryValues, ReadByType) {
  systest::RemoveKey(HKEY_CURRENT_USER, "Software\\KvRuntimeTests\\Common");
  const int32_t minus5 = -5;
  const DWORD big = 1234;
  SetRaw("dword", REG_DWORD, std::string(reinterpret_cast<const char*>(&big), 4));
  SetRaw("negative", REG_DWORD, std::string(reinterpret_cast<const char*>(&minus5), 4));
  SetRaw("bin4", REG_BINARY, "abcd");
  SetRaw("binzero", REG_BINARY, std::string("ab\0d", 4));
  SetRaw("sz", REG_SZ, std::string("hello\0", 6));
  SetRaw("", REG_SZ, std::string("default\0", 8));
  SetRaw("large", REG_SZ, std::string(3000, 'x') + '\0');
  struct Case {
    const char* path;
    const char* name;
    const char* out;
  };
  const std::string key = kKey;
  const Case cases[] = {
      {key.c_str(), "dword", "1234"},
      {key.c_str(), "negative", "-5"},
      {key.c_str(), "bin4", "abcd"},  // raw bytes stay text
      {key.c_str(), "binzero", "ab"},
      {key.c_str(), "sz", "hello"},
      {key.c_str(), "", "default"},
      {key.c_str(), "large", "DEF"},  // larger than the buffer
      {key.c_str(), "missing", "DEF"},
      {"HKEY_CURRENT_USER\\Software\\KvRuntimeTests\\NoSuchKey", "sz", "DEF"},
      {"Software\\KvRuntimeTests\\Common", "sz", "hello"},  // no root: current user
  };
  for (const Case& c : cases) EXPECT_EQ(ReadRegValue(c.path, c.name, "DEF"), c.out) << c.name;
}

TEST(RegistryValues, WriteAndDeleteString) {
  const std::string key = kKey + "\\Write\\Deep";
  ASSERT_TRUE(WriteRegString(key, "name", "value one"));
  HKEY k;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\KvRuntimeTests\\Common\\Write\\Deep", 0, KEY_READ, &k),
            ERROR_SUCCESS);
  char buf[64];
  DWORD type = 0, size = sizeof(buf);
  ASSERT_EQ(RegQueryValueExA(k, "name", nullptr, &type, reinterpret_cast<BYTE*>(buf), &size), ERROR_SUCCESS);
  RegCloseKey(k);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(size, 10u);  // with its terminating zero
  EXPECT_STREQ(buf, "value one");
  EXPECT_TRUE(DeleteRegValue(key, "name"));
  EXPECT_EQ(ReadRegValue(key, "name", "gone"), "gone");
  EXPECT_FALSE(DeleteRegValue(key, "name"));
  EXPECT_FALSE(DeleteRegValue(kKey + "\\Absent", "name"));
}

TEST(IniValues, WriteReadDelete) {
  const std::string file = systest::Scratch("ini") + "test.ini";
  ASSERT_TRUE(WriteIniValue(file, "Main", "Key", "Value 1"));
  ASSERT_TRUE(WriteIniValue(file, "Main", "Other", "2"));
  const std::string longValue(5000, 'v');
  ASSERT_TRUE(WriteIniValue(file, "Long", "Text", longValue));
  std::string bytes;
  ASSERT_TRUE(tt::ReadFile(file, bytes));
  EXPECT_NE(bytes.find("[Main]"), std::string::npos);
  EXPECT_NE(bytes.find("Key=Value 1"), std::string::npos);
  EXPECT_EQ(ReadIniValue(file, "main", "key", "d"), "Value 1");
  EXPECT_EQ(ReadIniValue(file, "Long", "Text", "d"), longValue);
  EXPECT_EQ(ReadIniValue(file, "Main", "Missing", "d"), "d");
  EXPECT_EQ(ReadIniValue(file + ".none", "Main", "Key", "d"), "d");
  ASSERT_TRUE(DeleteIniValue(file, "Main", "Key"));
  ASSERT_TRUE(tt::ReadFile(file, bytes));
  EXPECT_EQ(bytes.find("Key="), std::string::npos);
  EXPECT_NE(bytes.find("Other=2"), std::string::npos);  // the rest of the section stays
  EXPECT_EQ(ReadIniValue(file, "Main", "Key", "d"), "d");
}

// Each answer is taken once per process: the probe changes the variables after asking.
TEST(CachedAnswers, DeveloperSwitches) {
  struct Case {
    const char* dvr;
    const char* dvx;
    const char* out;
  };
  const Case cases[] = {{"846", nullptr, "10"}, {nullptr, "846", "01"}, {"847", "8460", "00"}, {"846", "846", "11"}};
  const std::string out = systest::Scratch("dev") + "dev.txt";
  for (const Case& c : cases) {
    SetEnvironmentVariableA("DVR", c.dvr);
    SetEnvironmentVariableA("DVX", c.dvx);
    ASSERT_EQ(systest::Run("\"" + systest::ProbePath() + "\" dev \"" + out + "\""), 0);
    const auto l = Lines(out);
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0], c.out);
    EXPECT_EQ(l[1], c.out);  // unchanged after the variables were flipped
  }
  SetEnvironmentVariableA("DVR", nullptr);
  SetEnvironmentVariableA("DVX", nullptr);
}

TEST(CachedAnswers, ManifestAndTheme) {
  const std::string dir = systest::Scratch("manifest");
  struct Case {
    std::string exe;
    const char* version;
    const char* out;
  };
  const Case cases[] = {
      {systest::ProbePath(), "", "0\n0"},
      {tt::ProgramDir() + "SysProbeManifest.exe", "", "1\n0"},  // themes need XP
      {systest::ProbeCopy(dir, "kvtheme_xp.exe"), "winxp", "0\n0"},
      {[&] { tt::CopyFileTo(tt::ProgramDir() + "SysProbeManifest.exe", dir + "kvtheme_mxp.exe");
             return dir + "kvtheme_mxp.exe"; }(), "winxp", "1\n1"},
  };
  for (const Case& c : cases) {
    const std::string out = dir + "out.txt";
    DeleteFileA(out.c_str());
    ASSERT_EQ(systest::RunAs(c.exe, c.version, "manifest \"" + out + "\""), 0) << c.exe;
    const auto l = Lines(out);
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0] + "\n" + l[1], c.out) << c.exe;
  }
}

namespace {

struct ThreadLog {
  HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::vector<std::string> calls;
  std::vector<DWORD> threads;
  void Add(const std::string& s) {
    calls.push_back(s);
    threads.push_back(GetCurrentThreadId());
  }
};
ThreadLog* g_log = nullptr;

void PlainProc() { g_log->Add("proc"); }
void DataProc(void* data) {
  g_log->Add("dataProc:" + std::string(static_cast<const char*>(data)));
}

}  // namespace

TEST(WorkerThread, RunsCallbacksInOrderOnItsOwnThread) {
  ThreadLog log;
  g_log = &log;
  char data[] = "payload";
  TWorkerThread* t = TWorkerThread::Create(
      PlainProc, [&] { log.Add("method"); }, DataProc,
      [&](void* d) {
        log.Add("dataMethod:" + std::string(static_cast<const char*>(d)));
        SetEvent(log.done);
      },
      data);
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(WaitForSingleObject(log.done, 10000), WAIT_OBJECT_0);
  const std::vector<std::string> want = {"proc", "method", "dataProc:payload", "dataMethod:payload"};
  EXPECT_EQ(log.calls, want);
  for (DWORD id : log.threads) EXPECT_NE(id, GetCurrentThreadId());

  // Only the data procedure.
  log.calls.clear();
  ResetEvent(log.done);
  ASSERT_NE(RunInThread([](void* d) {
              g_log->Add("only:" + std::string(static_cast<const char*>(d)));
              SetEvent(g_log->done);
            }, data),
            nullptr);
  ASSERT_EQ(WaitForSingleObject(log.done, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(log.calls, std::vector<std::string>{"only:payload"});
  CloseHandle(log.done);
  g_log = nullptr;
}

namespace {
int g_posted = 0, g_ticks = 0;
LRESULT CALLBACK CountingProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP) ++g_posted;
  if (msg == WM_TIMER) ++g_ticks;
  return DefWindowProcA(w, msg, wp, lp);
}
}  // namespace

TEST(Messages, WaitProcessingMessagesHandlesAllThatArrive) {
  HWND w = systest::MakeWindow("KvCountingWindow", CountingProc);
  ASSERT_NE(w, nullptr);
  g_posted = g_ticks = 0;
  for (int i = 0; i < 5; ++i) PostMessageA(w, WM_APP, 0, 0);
  SetTimer(w, 1, 20, nullptr);
  WaitProcessingMessages(300);
  KillTimer(w, 1);
  EXPECT_EQ(g_posted, 5);
  EXPECT_GE(g_ticks, 2);  // messages that arrive during the wait are handled too
  DestroyWindow(w);
}

TEST(ProgramStart, ExecAndWaitWaitsForTheEnd) {
  const std::string dir = systest::Scratch("exec");
  const std::string exe = systest::ProbeCopy(dir, "kvexec_wait.exe");
  ASSERT_TRUE(ExecAndWait(exe, "stay \"" + dir + "w.txt\" 1500", true, SW_HIDE));
  EXPECT_TRUE(Exists(dir + "w.txt.end"));

  // Without waiting it returns while the program still runs.
  ASSERT_TRUE(ExecAndWait(exe, "stay \"" + dir + "n.txt\" 60000", false, SW_HIDE));
  EXPECT_FALSE(Exists(dir + "n.txt.end"));
  ASSERT_TRUE(WaitForFile(dir + "n.txt", 10000));
  tt::WriteFile(dir + "n.txt.stop", "");
  EXPECT_TRUE(WaitForFile(dir + "n.txt.end", 10000));

  EXPECT_FALSE(ExecAndWait(dir + "missing.exe", "", false, SW_HIDE));
  EXPECT_FALSE(ExecAndWait("", exe, false, SW_HIDE));  // parameters alone never run as a program
}

// A path with a blank is quoted: "with.exe" beside "with blank" must not be started instead.
TEST(ProgramStart, ExecAndWaitQuotesAPathWithABlank) {
  const std::string dir = systest::Scratch("exec_blank");
  CreateDirectoryA((dir + "with blank").c_str(), nullptr);
  systest::ProbeCopy(dir, "with.exe");
  const std::string exe = systest::ProbeCopy(dir + "with blank\\", "probe copy.exe");
  const std::string out = dir + "out.txt";
  const DWORD before = GetCurrentDirectoryA(0, nullptr);
  ASSERT_TRUE(ExecAndWait(exe, "stay \"" + out + "\" 1000", true, SW_HIDE));
  EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), before);
  const auto l = Lines(out);
  ASSERT_FALSE(l.empty());
  EXPECT_TRUE(EqualTextNoCase(l[0], exe)) << l[0];
  EXPECT_TRUE(Exists(out + ".end"));  // waited for the program by its path
}

// A program named without ".exe" in a folder with a blank, with its parameters apart or in
// its text: the program itself starts and is waited for, not "with.exe" planted where the
// text would be cut at its first blank; a text none of whose parts names a file starts nothing.
TEST(ProgramStart, ExecAndWaitTakesAProgramWithoutExtensionWhole) {
  const std::string dir = systest::Scratch("exec_noext");
  CreateDirectoryA((dir + "with blank").c_str(), nullptr);
  systest::ProbeCopy(dir, "with.exe");
  const std::string exe = systest::ProbeCopy(dir + "with blank\\", "tool.exe"), text = dir + "with blank\\tool";
  for (const std::string& out : {dir + "p.txt", dir + "t.txt"}) {
    const std::string params = "stay \"" + out + "\" 700";
    ASSERT_TRUE(out == dir + "p.txt" ? ExecAndWait(text, params, true, SW_HIDE)
                                     : ExecAndWait(text + " " + params, "", true, SW_HIDE));
    const auto l = Lines(out);
    ASSERT_FALSE(l.empty()) << out;
    EXPECT_TRUE(EqualTextNoCase(l[0], exe)) << l[0];
    EXPECT_TRUE(Exists(out + ".end")) << out;  // waited for by its file
  }
  EXPECT_FALSE(ExecAndWait(dir + "with blank\\absent stay \"" + dir + "a.txt\" 10", "", true, SW_HIDE));
  EXPECT_FALSE(Exists(dir + "a.txt"));
}

TEST(ProgramStart, RunAppPathProgramUsesTheRegisteredPath) {
  const std::string dir = systest::Scratch("apppath");
  const std::string exe = systest::ProbeCopy(dir, "kvapp target.exe");
  const std::string key = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\kvrt_app.exe";
  ASSERT_TRUE(WriteRegString(key, "", exe));
  EXPECT_TRUE(RunAppPathProgram("kvrt_app.exe", "stay \"" + dir + "a.txt\" 500", true, SW_HIDE));
  EXPECT_TRUE(Exists(dir + "a.txt.end"));
  EXPECT_EQ(ReadAppPathDir("kvrt_app.exe"), dir);
  systest::RemoveKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\kvrt_app.exe");
  EXPECT_FALSE(RunAppPathProgram("kvrt_app.exe", "stay \"" + dir + "b.txt\" 10", false, SW_HIDE));
  EXPECT_FALSE(Exists(dir + "b.txt"));
}

TEST(ProgramStart, ShellExecuteFile) {
  const std::string dir = systest::Scratch("shellexec");
  const std::string exe = systest::ProbeCopy(dir, "kvshell.exe");
  ASSERT_TRUE(ShellExecuteFile(exe, "stay \"" + dir + "s.txt\" 10", SW_HIDE));
  EXPECT_TRUE(WaitForFile(dir + "s.txt.end", 10000));
  EXPECT_FALSE(ShellExecuteFile(dir + "absent.exe", "", SW_HIDE));
}

TEST(Rights, AdministratorGroup) {
  EXPECT_TRUE(IsUserAdmin());  // Wine's token always holds the group

  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY, world = SECURITY_WORLD_SID_AUTHORITY;
  PSID admins, users, everyone;
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                       0, &admins));
  ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0,
                                       0, &users));
  ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
  struct Case {
    std::vector<PSID> sids;
    bool admin;
  };
  const Case cases[] = {{{}, false}, {{everyone, users}, false}, {{everyone, users, admins}, true}, {{admins}, true}};
  for (const Case& c : cases) {
    std::vector<BYTE> buf(sizeof(TOKEN_GROUPS) + 8 * sizeof(SID_AND_ATTRIBUTES));
    auto* groups = reinterpret_cast<TOKEN_GROUPS*>(buf.data());
    groups->GroupCount = DWORD(c.sids.size());
    for (size_t i = 0; i < c.sids.size(); ++i) groups->Groups[i] = {c.sids[i], SE_GROUP_ENABLED};
    EXPECT_EQ(GroupsListAdministrators(groups), c.admin) << c.sids.size();
  }
  EXPECT_FALSE(GroupsListAdministrators(nullptr));
  FreeSid(admins);
  FreeSid(users);
  FreeSid(everyone);
}
