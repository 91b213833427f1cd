#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <sstream>
#include <utility>
#include <vector>

#include "DebugViewer.h"
#include "Files.h"
#include "RunTimeDir.h"
#include "TestTool.h"
#include "Utils.h"

namespace {

const std::string kPid = std::to_string(GetCurrentProcessId());

// A run-time folder descriptor: 18 items, the given ones set.
std::string Desc(std::initializer_list<std::pair<int, std::string>> items) {
  std::string v[18];
  for (const auto& p : items) v[p.first] = p.second;
  std::string list = "|";
  for (const auto& s : v) list += s + "|";
  return list;
}

void SetRegText(HKEY root, const std::string& key, const std::string& name, const std::string& value) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
  RegSetValueExA(k, name.empty() ? nullptr : name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 DWORD(value.size() + 1));
  RegCloseKey(k);
}

std::string RegText(HKEY root, const std::string& key, const std::string& name) {
  char buf[1024];
  DWORD size = sizeof buf, type = 0;
  HKEY k;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return "";
  LONG r = RegQueryValueExA(k, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(k);
  return r == ERROR_SUCCESS ? std::string(buf) : "";
}

std::string Dir(UINT (WINAPI* query)(LPSTR, UINT)) {
  char buf[MAX_PATH];
  UINT n = query(buf, MAX_PATH);
  return std::string(buf, n);
}

std::string WithoutBackslash(std::string s) {
  if (s.size() > 3 && s.back() == '\\') s.pop_back();
  return s;
}

// Runs the probe program with the commands and returns the lines it wrote.
struct ProbeRun {
  int exitCode = -1;
  std::vector<std::string> lines;
};
std::string ProbeCommand(const std::string& out, const std::vector<std::string>& args) {
  std::string cmd = "\"" + tt::ProgramDir() + "RunTimeProbe.exe\" \"" + out + "\"";
  for (const auto& a : args) cmd += " \"" + a + "\"";
  return cmd;
}
std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}
ProbeRun RunProbe(const std::vector<std::string>& args) {
  const std::string out = tt::ScratchDir("rt_probe") + "\\out.txt";
  ProbeRun run;
  tt::Process p = tt::Start(ProbeCommand(out, args));
  if (!p.ok()) return run;
  run.exitCode = tt::WaitExit(p, 120000);
  run.lines = ReadLines(out);
  return run;
}

int CountPieces(const std::string& start, const std::string& part) {
  int n = 0;
  for (const auto& p : DebugViewer::pieces)
    if (p.rfind(start, 0) == 0 && p.find(part) != std::string::npos) ++n;
  return n;
}

}  // namespace

TEST(FolderTokens, Expand) {
  const std::string win = Dir(GetWindowsDirectoryA), sys = Dir(GetSystemDirectoryA);
  char temp[MAX_PATH], user[256];
  GetTempPathA(MAX_PATH, temp);
  DWORD userLen = sizeof user;
  GetUserNameA(user, &userLen);
  const std::string programFiles =
      RegText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
  ASSERT_FALSE(programFiles.empty());
  SetInstallFolders("C:\\App", "C:\\Shared", "E:\\Aux");
  SetRunTimeDirs(Desc({{12, "1"}, {13, "C:\\Rt"}}), "", Desc({{12, "1"}, {13, "C:\\Third\\"}}));
  struct Case { std::string text, expanded; };
  const Case cases[] = {
      {"<installdir>\\bin", "C:\\App\\bin"},
      {"<INSTALLDIR>", "C:\\App\\"},
      {"<Application Folder>x<InstallDir>y", "C:\\App\\xy"},
      {"<Windows Directory><InstallDir>", win + "\\"},
      {"<WinDir>notepad.exe", win + "\\notepad.exe"},
      {"<WinDir>\\notepad.exe", win + "\\notepad.exe"},
      {"<WinSysDir>a.dll|<WinSys32Dir>b.dll", sys + "\\a.dll|" + sys + "\\b.dll"},
      {"<System Directory>", sys + "\\"},
      {"<Common Folder>f|<InstallCommonDir>g", "C:\\Shared\\f|C:\\Shared\\g"},
      {"<Auxiliary Folder>f|<InstallAuxDir>g", "E:\\Aux\\f|E:\\Aux\\g"},
      {"<InstallDrive>x", "C:\\x"},
      {"<WinDrive>|<WinDisk>|<WinSysDrive>|<WinSysDisk>",
       win.substr(0, 2) + "\\|" + win.substr(0, 2) + "\\|" + sys.substr(0, 2) + "\\|" + sys.substr(0, 2) + "\\"},
      {"<AbsoluteDir>C:\\\\x", "C:\\x"},
      {"<TempDir>t.tmp", WithoutBackslash(temp) + "\\t.tmp"},
      {"<SrcDir>Setup.txt", tt::ProgramDir() + "Setup.txt"},
      {"<ProgramFilesDir>My App", WithoutBackslash(programFiles) + "\\My App"},
      {"<RunTimeDir_1>bin<RunTimeDir_3>", "C:\\Rt\\binC:\\Third\\"},
      {"<RunTimeDir_2>x", "\\x"},
      {"\\\\server\\share\\<InstallDir>", "\\\\server\\share\\C:\\App\\"},
      // Without a folder token nothing is collapsed.
      {"plain\\\\text <unknown>", "plain\\\\text <unknown>"},
      {"<UserName>\\\\x", std::string(user) + "\\\\x"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandFolderTokens(c.text, "\\"), c.expanded) << c.text;
  EXPECT_EQ(ExpandFolderTokens("<InstallDir>bin", "/"), "C:\\App/bin");
}

TEST(FolderTokens, DateToken) {
  SYSTEMTIME d = {};
  d.wYear = 2004;
  d.wMonth = 7;
  d.wDay = 5;
  d.wHour = 13;
  char sep[8], month[40];
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDATE, sep, sizeof sep);
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SMONTHNAME7, month, sizeof month);
  struct Case { char code; std::string text; };
  const Case cases[] = {{'1', "05-07-04"},   {'2', "07-05-04"},   {'3', "04-07-05"},
                        {'4', "05-07-2004"}, {'5', "07-05-2004"}, {'6', "2004-07-05"},
                        {'0', "1647"},       {'#', std::string("05") + sep + month + sep + "2004"},
                        {'9', ""},           {'>', ""}};
  for (const auto& c : cases) EXPECT_EQ(DateTokenText(c.code, d), c.text) << c.code;
  SYSTEMTIME second = {};
  second.wYear = 2000;
  second.wMonth = 1;
  second.wDay = 2;
  second.wHour = 9;
  EXPECT_EQ(DateTokenText('0', second), "1");
  second.wDay = 1;
  second.wHour = 23;
  EXPECT_EQ(DateTokenText('0', second), "0");

  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::string today = DateTokenText('6', now);
  struct Expansion { std::string text, expanded; };
  const Expansion expansions[] = {
      {"log_<date=6>.txt", "log_" + today + ".txt"},
      {"<Date=6>\\\\x", today + "\\\\x"},  // no folder token: no collapse
      {"<Date=6>-<Date=6>", today + "-<Date=6>"},
      {"<Date=9>x", "<Date=9>x"},
      {"<Date=6", "<Date=6"},
      {"<Date=>", "<Date=>"},
  };
  for (const auto& e : expansions) EXPECT_EQ(ExpandFolderTokens(e.text, "\\"), e.expanded) << e.text;
}

TEST(FolderTokens, NamesAndPrefixes) {
  struct Case { const char* path; const char* stripped; };
  const Case cases[] = {{"C:\\S\\00012#readme.txt", "C:\\S\\readme.txt"},
                        {"C:\\S\\abcde#x.txt", "C:\\S\\abcde#x.txt"},
                        {"C:\\S\\0012#a.txt", "C:\\S\\0012#a.txt"},
                        {"C:\\00001#b", "C:\\b"},
                        {"00012#a.txt", "\\a.txt"},
                        {"C:\\S\\plain.txt", "C:\\S\\plain.txt"}};
  for (const auto& c : cases) EXPECT_EQ(StripFileNumberPrefix(c.path), c.stripped) << c.path;

  for (const char* yes : {"x.ocx", "C:\\A\\b.DLL", "f.Ax"}) EXPECT_TRUE(IsSelfRegisterExtension(yes)) << yes;
  for (const char* no : {"x.exe", "dll", "a.dll.txt", "b.axe"}) EXPECT_FALSE(IsSelfRegisterExtension(no)) << no;

  EXPECT_EQ(GetSetupScriptFileName(false), "Setup.txt");
  EXPECT_EQ(GetSetupScriptFileName(true), tt::ProgramDir() + "Setup.txt");
  EXPECT_EQ(GetUninstallScriptFileName(true), tt::ProgramDir() + "UnInstall.txt");
  EXPECT_EQ(GetSetupLogFileName(false), "Setup.log");
}

TEST(FolderTokens, SystemFolders) {
  for (const std::string& dir : {GetSystem16Dir(), GetFontsDir(), GetProgramFilesDir(), GetUserDir()}) {
    EXPECT_TRUE(DirectoryExists(dir)) << dir;
    EXPECT_NE(dir.back(), '\\') << dir;
  }
  // The profile folder is the parent of the documents folder.
  const std::string personal = RegText(
      HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Personal");
  ASSERT_FALSE(personal.empty());
  EXPECT_TRUE(EqualTextNoCase(GetUserDir(), ExtractFileDir(personal))) << GetUserDir();

  const std::string key = "Software\\Kelvane_Dyn_Data";
  const std::string oldDir = RegText(HKEY_CURRENT_USER, key, "OriginDir");
  const std::string oldExe = RegText(HKEY_CURRENT_USER, key, "OriginExe");
  SetRegText(HKEY_CURRENT_USER, key, "OriginDir", "");
  SetRegText(HKEY_CURRENT_USER, key, "OriginExe", "");
  EXPECT_EQ(GetOriginDir() + "\\", tt::ProgramDir());
  EXPECT_EQ(ExtractFileName(GetOriginExe()), "runtime_files_tests.exe");
  SetRegText(HKEY_CURRENT_USER, key, "OriginDir", "F:\\Disk1");
  SetRegText(HKEY_CURRENT_USER, key, "OriginExe", "F:\\Disk1\\Setup.exe");
  EXPECT_EQ(GetOriginDir(), "F:\\Disk1");
  EXPECT_EQ(GetOriginExe(), "F:\\Disk1\\Setup.exe");
  EXPECT_EQ(ExpandFolderTokens("<OriginDrive>|<OriginDir>x", "\\"), "F:\\|F:\\Disk1\\x");
  SetRegText(HKEY_CURRENT_USER, key, "OriginDir", oldDir);
  SetRegText(HKEY_CURRENT_USER, key, "OriginExe", oldExe);
}

TEST(RequiredSpace, Account) {
  SetDefaultRequiredSpace(2, 3);  // 3 MiB
  struct Step { bool add; const char* text; int unit; double bytes; };
  const Step steps[] = {
      {false, "!", 0, 3145728},     {false, "1024", 1, 1048576},  {false, " !", 0, 1048576},
      {true, "512", 1, 1572864},    {true, "x", 0, 1572864},      {true, "-1", 0, 1572864},
      {true, "!", 2, 1572864},      {false, "2.5", 2, 2621440},   {false, "", 0, 2621440},
      {true, " 0.5 ", 2, 3145728},  {false, "-2", 0, 3145728},    {false, "1e3", 0, 1000},
      {false, "0x10", 0, 1000},     {false, "0", 2, 0},
  };
  for (const auto& s : steps) {
    if (s.add) AddRequiredSpaceText(s.text, s.unit);
    else SetRequiredSpaceText(s.text, s.unit);
    EXPECT_EQ(GetRequiredSpace(0), s.bytes) << (s.add ? "add " : "set ") << "'" << s.text << "'";
  }
  SetRequiredSpaceText("3", 2);
  EXPECT_EQ(GetRequiredSpace(1), 3072.0);
  EXPECT_EQ(GetRequiredSpace(2), 3.0);
}

TEST(RunTimeDirs, Resolution) {
  const std::string regKey = "Software\\KvRtTest_" + kPid;
  const std::string appKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\kvrt_" + kPid + ".exe";
  const std::string app = "kvrt_" + kPid + ".exe", rootFile = "kvrt_" + kPid + ".txt",
                    folder = "kvrtdir_" + kPid;
  SetRegText(HKEY_CURRENT_USER, regKey, "", "C:\\From\\Default\\");
  SetRegText(HKEY_CURRENT_USER, regKey, "Folder", "C:\\From\\Value");
  SetRegText(HKEY_LOCAL_MACHINE, appKey, "", "C:\\Apps\\Probe\\kvrt.exe");
  ASSERT_TRUE(tt::WriteFile("C:\\" + rootFile, "x"));
  const std::string scratch = tt::ScratchDir("rt_resolution");
  ASSERT_TRUE(CreateDirectoryA((scratch + "\\" + folder).c_str(), nullptr));
  const std::string regPath = "HKEY_CURRENT_USER\\" + regKey, missing = regPath + "\\Missing";

  struct Case { std::string descriptor, result; };
  const Case cases[] = {
      {Desc({}), ""},
      {"", ""},
      {Desc({{12, "1"}, {13, "C:\\Fallback"}}), "C:\\Fallback"},
      {Desc({{12, "1"}, {13, ""}}), ""},
      {Desc({{12, "on"}, {13, "C:\\Fallback"}}), ""},  // a switch is on only as "1"
      {Desc({{0, "1"}, {1, app}}), "C:\\Apps\\Probe"},
      {Desc({{0, "1"}, {1, "kvnone.exe"}}), ""},
      {Desc({{2, "1"}, {3, regPath}}), "C:\\From\\Default"},
      {Desc({{2, "1"}, {3, regPath + "\\Folder"}}), "C:\\From\\Value"},
      {Desc({{0, "1"}, {1, app}, {2, "1"}, {3, missing}}), ""},
      {Desc({{0, "1"}, {1, app}, {2, "1"}, {3, missing}, {12, "1"}, {13, "C:\\Later"}}), "C:\\Later"},
      {Desc({{0, "1"}, {1, app}, {4, "1"}, {5, "kvnone.txt"}, {6, "1"}}), "C:\\Apps"},
      {Desc({{4, "1"}, {5, rootFile}, {6, "1"}}), "C:\\"},
      {Desc({{4, "1"}, {5, rootFile}, {7, "1"}}), ""},
      {Desc({{8, "1"}, {9, folder}, {10, "1"}}), scratch + "\\" + folder},
      {Desc({{8, "1"}, {9, folder}, {11, "1"}}), ""},
      {Desc({{8, "1"}, {9, folder}, {10, "1"}, {12, "1"}, {13, "C:\\Unused"}}), scratch + "\\" + folder},
  };
  for (const auto& c : cases) EXPECT_EQ(UpperCase(ResolveRunTimeDir(c.descriptor)), UpperCase(c.result)) << c.descriptor;
  EXPECT_FALSE(IsRunTimeDirAbort());

  DeleteFileA(("C:\\" + rootFile).c_str());
  HKEY k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
    RegDeleteKeyA(k, ("KvRtTest_" + kPid).c_str());
    RegCloseKey(k);
  }
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths", 0, KEY_ALL_ACCESS,
                    &k) == ERROR_SUCCESS) {
    RegDeleteKeyA(k, app.c_str());
    RegCloseKey(k);
  }
}

// In a process of its own: a folder is searched once, then taken from the cache until the
// descriptors are set again; a search that finds nothing ends after one pass.
TEST(RunTimeDirs, CachedAndSearchedOnce) {
  const std::string file = "kvrtc_" + kPid + ".txt", never = "kvnever_" + kPid + ".txt";
  ASSERT_TRUE(tt::WriteFile("C:\\" + file, "x"));
  DebugViewer viewer;
  const ProbeRun run = RunProbe({"d1=" + Desc({{4, "1"}, {5, file}, {6, "1"}}),
                                 "d2=" + Desc({{4, "1"}, {5, never}}),  // no drive type chosen
                                 "d3=" + Desc({{4, "1"}, {5, never}, {6, "1"}, {7, "1"}}), "apply", "get=1",
                                 "del=C:\\" + file, "get=1", "get=2", "get=3", "get=3", "abort", "apply", "get=1"});
  DeleteFileA(("C:\\" + file).c_str());
  EXPECT_EQ(run.exitCode, 0);
  const std::vector<std::string> expected = {"get1=C:\\", "get1=C:\\", "get2=", "get3=", "get3=", "abort=0", "get1="};
  EXPECT_EQ(run.lines, expected);
  // The probe's trace lines reached this process's viewer window.
  EXPECT_EQ(CountPieces("Def=>", file), 2);
  EXPECT_EQ(CountPieces("Def=>", never + "|1|1|"), 1);
  EXPECT_GE(CountPieces("Result=>C:\\<", ""), 1);
}

TEST(RunTimeDirs, ErrorBoxAndAbort) {
  const std::string regPath = "HKEY_CURRENT_USER\\Software\\KvNone_" + kPid + "\\Path";
  const std::string out = tt::ScratchDir("rt_box") + "\\out.txt";
  tt::Process p = tt::Start(ProbeCommand(
      out, {"d1=" + Desc({{0, "1"}, {1, "kvnone.exe"}, {2, "1"}, {3, regPath}, {16, "1"}, {17, "1"}}), "apply",
            "get=1", "abort"}));
  ASSERT_TRUE(p.ok());
  HWND box = tt::WaitForWindow("", "Error", 20000, p.pid);
  ASSERT_NE(box, nullptr);
  const std::string text = tt::RichText(box);
  EXPECT_NE(text.find("RunTimeDir(" + regPath + ")"), std::string::npos) << text;
  EXPECT_NE(text.find("Not Found!"), std::string::npos) << text;
  EXPECT_TRUE(tt::ClickButton(box, "OK"));
  EXPECT_EQ(tt::WaitExit(p, 20000), 0);
  EXPECT_EQ(ReadLines(out), (std::vector<std::string>{"get1=", "abort=1"}));

  // Abort without a box; a found folder neither shows a box nor aborts.
  const ProbeRun quiet = RunProbe({"d1=" + Desc({{12, "1"}, {17, "1"}}),
                                   "d2=" + Desc({{12, "1"}, {13, "C:\\Here"}, {16, "1"}, {17, "1"}}), "apply",
                                   "get=2", "abort", "get=1", "abort"});
  EXPECT_EQ(quiet.exitCode, 0);
  EXPECT_EQ(quiet.lines, (std::vector<std::string>{"get2=C:\\Here", "abort=0", "get1=", "abort=1"}));
}

TEST(FileFlags, ExcludedSystems) {
  struct Case { const char* version; const char* line; };
  const Case cases[] = {{"win95", "os=1 100000 1"},  {"win98", "os=2 010000 1"}, {"winme", "os=4 001000 0"},
                        {"nt40", "os=8 000100 0"},   {"win2k", "os=16 000010 0"}, {"winxp", "os=32 000001 0"},
                        {"win7", "os=0 000000 0"}};
  for (const auto& c : cases) {
    ASSERT_TRUE(tt::SetProgramWindowsVersion("RunTimeProbe.exe", c.version));
    const ProbeRun run = RunProbe({"os"});
    EXPECT_EQ(run.lines, std::vector<std::string>{c.line}) << c.version;
  }
  tt::SetProgramWindowsVersion("RunTimeProbe.exe", "");
  EXPECT_EQ(FileFlagAttributes(0xFF00), 0x23u);
  EXPECT_EQ(FileFlagOverwriteMode(0x03000000), 3);
}
