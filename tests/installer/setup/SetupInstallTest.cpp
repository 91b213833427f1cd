// Whole installs: Setup.exe with small packages in scratch folders, and what it leaves in the
// target folder, the registry and the shell's folders.
#include <windows.h>
#include <commctrl.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "Common.h"
#include "Files.h"
#include "Links.h"
#include "PackTestUtil.h"
#include "RegOp.h"
#include "SLang.h"
#include "SetupTestUtil.h"
#include "TestTool.h"
#include "UtilPlus.h"
#include "Utils.h"

using setuptest::Box;
using setuptest::SetupCopy;

namespace {

using packtest::Pack;

const std::string kPid = std::to_string(GetCurrentProcessId());

struct Package {
  std::string dir;     // the setup folder, with trailing backslash
  std::string exe;     // its Setup.exe
  std::string target;  // the install folder, without trailing backslash
  std::string prog;    // the program name of the script
};

// A setup folder with Setup.exe, UnInstall.exe, the payload files and Setup.txt. "%T" in the
// script stands for the target folder, "%N" for the program name.
Package MakePackage(const std::string& name, const std::string& script,
                    const std::vector<std::pair<std::string, std::string>>& files,
                    const std::string& exeName = "Setup.exe") {
  Package p;
  p.exe = SetupCopy("install_" + name, nullptr, exeName);
  p.dir = p.exe.substr(0, p.exe.find_last_of('\\') + 1);
  p.target = p.dir + "target";
  p.prog = "Kv " + name + " " + kPid;
  // The uninstall engine without its symbols: it fits on the small disks.
  tt::CopyFileTo(tt::ProgramDir() + "UnInstallStripped.exe", p.dir + "UnInstall.exe");
  std::string text = script;
  for (size_t at; (at = text.find("%T")) != std::string::npos;) text.replace(at, 2, p.target);
  for (size_t at; (at = text.find("%N")) != std::string::npos;) text.replace(at, 2, p.prog);
  tt::WriteFile(p.dir + "Setup.txt", text);
  for (const auto& f : files) tt::WriteFile(p.dir + f.first, f.second);
  return p;
}

struct RunResult {
  std::vector<Box> boxes;
  int exitCode = -1;
};

// Runs the setup to its end; engine boxes are answered with OK, the wizard is left alone
// unless a page's button is to be pressed (caption list, in order).
RunResult RunToEnd(const Package& p, const std::vector<std::string>& presses = {}) {
  RunResult r;
  tt::Process proc = tt::Start("\"" + p.exe + "\"");
  if (!proc.ok()) return r;
  size_t next = 0;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 60000) {
    if (WaitForSingleObject(proc.handle, 0) == WAIT_OBJECT_0) break;
    for (HWND box : tt::FindWindows("KMsgBox", proc.pid)) {
      Box b;
      b.caption = tt::WindowText(box);
      b.text = tt::RichText(box);
      r.boxes.push_back(b);
      tt::ClickButton(box, "OK");
      tt::WaitWindowGone(box, 5000);
    }
    if (next < presses.size()) {
      for (HWND wizard : tt::FindWindows(".SDialog_Class_Name.", proc.pid)) {
        HWND button = tt::FindChild(wizard, "Button", presses[next]);
        if (button && IsWindowEnabled(button) && IsWindowVisible(wizard) && tt::ClickButton(wizard, presses[next]))
          ++next;
      }
    }
    Sleep(30);
  }
  r.exitCode = tt::WaitExit(proc, 5000);
  return r;
}

std::string Read(const std::string& path) {
  std::string s;
  if (!tt::ReadFile(path, s)) return "<missing>";
  return s;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Lang(const char* key, const char* def) { return GetLangText("UnInstall", key, def); }

const char kShared[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

std::string UninstallKey(const std::string& prog) {
  return "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\UnInstall\\" + prog;
}
std::string CacheKey(const std::string& prog) {
  return "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\" + prog;
}

void CleanRegistry(const Package& p) {
  DeleteRegValue(kShared, p.target + "\\lib.dll");
  DeleteRegKey(UninstallKey(p.prog));
  DeleteRegKey(CacheKey(p.prog));
  DeleteRegKey("HKEY_LOCAL_MACHINE\\Software\\Kelvane Tests");
  DeleteRegKey("HKEY_CURRENT_USER\\Software\\KvInstallTest" + kPid);
  setuptest::RemoveEmptyProgramsCacheKeys();
}

struct ShellLinkData {
  std::string path, args, workDir;
  int show = 0;
};
bool ReadShellLink(const std::string& file, ShellLinkData& d) {
  CoInitialize(nullptr);
  IShellLinkA* link = nullptr;
  bool ok = false;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* pf = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pf)))) {
      WCHAR wide[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, MAX_PATH);
      if (SUCCEEDED(pf->Load(wide, STGM_READ))) {
        char buf[MAX_PATH] = "";
        link->GetPath(buf, MAX_PATH, nullptr, 0);
        d.path = buf;
        link->GetArguments(buf, MAX_PATH);
        d.args = buf;
        link->GetWorkingDirectory(buf, MAX_PATH);
        d.workDir = buf;
        ok = true;
      }
      pf->Release();
    }
    link->Release();
  }
  CoUninitialize();
  // The show command as stored in the link's header (Wine's loader does not hand it back).
  const std::string bytes = Read(file);
  if (bytes.size() >= 0x40) memcpy(&d.show, bytes.data() + 0x3C, 4);
  return ok;
}

const char kSilentScript[] =
    "SET_PROG_NAME(%N);\r\n"
    "SET_PROG_VERSION(2.5);\r\n"
    "SET_COMPANY_NAME(Kelvane Tests);\r\n"
    "SET_TARGET_DIR(%T);\r\n"
    "SET_PROG_EXE_NAME(<InstallDir>app.exe);\r\n"
    "SET_START_PROGRAM_LINK_FOLDER(%N);\r\n"
    "SET_START_PROGRAM_LINK_NAME(%N);\r\n"
    "SET_START_PROGRAM_LINK_PARAM(/go);\r\n"
    "SET_START_PROGRAM_LINK_RUN(Maximized);\r\n"
    "SET_START_PROGRAM_LINK_ITEM(Home Page|www.example.com/kv|<Desktop>);\r\n"
    "SET_CREATE_UNINSTALL;\r\n"
    "SET_CREATE_SETUP_LOG;\r\n"
    "SET_SILENT_SETUP;\r\n"
    "SET_DIALOGS(WelcomeDlg,CopyFilesDlg,CompleteDlg);\r\n"
    "SET_PERFORM_REGISTRY_OP(HKEY_CURRENT_USER\\Software\\KvInstallTest@|Where|<InstallDir>|Create|Remove Key|String);\r\n"
    "SET_REMOVE_ABSOLUTE_FILE(<TARGET_DIR>\\extra.dat);\r\n"
    "SET_FORCE_REMOVE_ABSOLUTE_DIR(C:\\);\r\n"
    "SET_GROUP_DATA(|Main|Everything|4|4||||1|);\r\n"
    "SET_SUB_DIR(<InstallDir>);\r\n"
    "SET_COPY_FILES(app.exe|a.txt|3*lib.dll);\r\n"
    "SET_SUB_DIR(*2<InstallDir>Data);\r\n"
    "SET_COPY_FILES(256*ro.txt);\r\n";

std::string SilentScript() { return ReplaceAll(kSilentScript, "@", kPid); }

// Names of a key's direct subkeys.
std::vector<std::string> Subkeys(const std::string& path) {
  std::vector<std::string> names;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.substr(path.find('\\') + 1).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return names;
  char name[256];
  DWORD size = sizeof name;
  while (RegEnumKeyExA(key, DWORD(names.size()), name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
    names.emplace_back(name, size);
    size = sizeof name;
  }
  RegCloseKey(key);
  return names;
}

// A silent install of one file that registers the program under the given name.
std::string RegisteringScript(const std::string& prog) {
  return "SET_PROG_NAME(" + prog + ");\r\nSET_PROG_VERSION(1.0);\r\nSET_COMPANY_NAME(Kelvane Tests);\r\n"
         "SET_TARGET_DIR(%T);\r\nSET_PROG_EXE_NAME(<InstallDir>a.txt);\r\nSET_CREATE_UNINSTALL;\r\n"
         "SET_SILENT_SETUP;\r\nSET_GROUP_DATA(|Main|x|1|4||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
         "SET_COPY_FILES(a.txt);\r\n";
}

std::string DiskFullText() {
  char text[256] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_DISK_FULL, 0, text,
                 sizeof text, nullptr);
  return Trim(text);
}

}  // namespace

TEST(SetupInstall, SilentRunLeavesExactlyItsRecords) {
  const Package p = MakePackage("silent", SilentScript(),
                                {{"app.exe", "MZ program"}, {"a.txt", "alpha"}, {"lib.dll", "library"}, {"ro.txt", "ro"}});
  CleanRegistry(p);
  const std::string t = p.target;
  const std::string sharedBefore = ReadRegValue(kShared, t + "\\lib.dll", "0");
  const RunResult r = RunToEnd(p);
  EXPECT_TRUE(r.boxes.empty()) << (r.boxes.empty() ? "" : r.boxes[0].text);
  EXPECT_EQ(r.exitCode, 0);

  // Files in place, sources consumed, attributes from the flags.
  EXPECT_EQ(Read(t + "\\a.txt"), "alpha");
  EXPECT_EQ(Read(t + "\\lib.dll"), "library");
  EXPECT_EQ(Read(t + "\\Data\\ro.txt"), "ro");
  EXPECT_TRUE(GetFileAttributesA((t + "\\Data\\ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(Read(t + "\\UnInstall.exe"), Read(tt::ProgramDir() + "UnInstallStripped.exe"));
  for (const char* f : {"a.txt", "lib.dll", "ro.txt", "app.exe"}) EXPECT_FALSE(Exists(p.dir + f)) << f;

  // Registry: the operation, the uninstall entry, its cache, the shared count.
  EXPECT_EQ(ReadRegValue("HKEY_CURRENT_USER\\Software\\KvInstallTest" + kPid, "Where", ""), t + "\\");
  EXPECT_EQ(ReadRegValue(UninstallKey(p.prog), "UnInstallString", ""), t + "\\UnInstall.exe");
  EXPECT_EQ(ReadRegValue(UninstallKey(p.prog), "DisplayVersion", ""), "2.5");
  EXPECT_TRUE(RegKeyExists(CacheKey(p.prog)));
  EXPECT_EQ(StrToIntDef(ReadRegValue(kShared, t + "\\lib.dll", "0"), 0), StrToIntDef(sharedBefore, 0) + 1);

  // Shortcuts: the program link read back through the shell, the web link as a .url file.
  const std::string programs = GetShellFolder(2, false);
  const std::string lnk = programs + "\\" + p.prog + "\\" + p.prog + ".lnk";
  ShellLinkData link;
  ASSERT_TRUE(ReadShellLink(lnk, link)) << lnk;
  EXPECT_TRUE(EqualTextNoCase(link.path, t + "\\app.exe")) << link.path;
  EXPECT_EQ(link.args, "/go");
  EXPECT_EQ(link.show, SW_SHOWMAXIMIZED);
  const std::string url = GetShellFolder(0, false) + "\\Home Page.url";
  EXPECT_EQ(Read(url), "[InternetShortcut]\r\nURL=www.example.com/kv\r\n");

  const std::string cr = "\r\n";
  std::string expected = "SetupType=Custom\r\nGroupNames=|Main|\r\nUserData=|||\r\nVersion=1.0\r\nComposerVersion=\r\n\r\n";
  expected += "PROG_NAME=" + p.prog + cr + "COMPANY_URL=\r\nCHAR_SET=0\r\nGET_DIALOG_BITMAP_3D_FRAME=0\r\n";
  expected += "GET_AUTO_UPDATE_EXE_FILE_NAME=\r\nGET_PROG_EXE_NAME=" + t + "\\app.exe\r\nIS_RUNNING_TEST=0\r\n";
  expected += "IS_RUNNING_CAPTION=" + Lang("IsRunningCaption", "") + cr + "IS_RUNNING_TEXT=" + Lang("IsRunningText", "") +
              cr + "CONFIRM_CAPTION=" + Lang("ConfirmCaption", "") + cr + "CONFIRM_TEXT=" + Lang("ConfirmText", "") +
              cr + "BTN_TEXT=|OK|Cancel|Yes|No|Abort|Retry|Ignore|\r\nBUTTON_CLOSE=Close\r\nBUTTON_LOG=View Log\r\n";
  expected += "S1=" + Lang("s1", "") + cr + "S2=" + Lang("s2", "") + cr + "GET_TEST_ADMIN_RIGHTS_UNINSTALL=0\r\n";
  for (int i = 1; i <= 6; ++i)
    expected += "LABEL" + std::to_string(i) + "=" + Lang(("Label" + std::to_string(i)).c_str(), "") + cr;
  expected += cr;
  expected += "REMOVE_FILE(" + t + "\\UnInstall.txt);\r\nREMOVE_FILE(" + t + "\\Setup.log);\r\n";
  expected += "RunTimeDir_1=\r\nRunTimeDir_2=\r\nRunTimeDir_3=\r\n";
  expected += "REMOVE_REG_KEY(" + UninstallKey(p.prog) + ");\r\nREMOVE_REG_KEY(" + CacheKey(p.prog) + ");\r\n\r\n";
  expected += "SET_PERFORM_REGISTRY_OP(|HKEY_CURRENT_USER\\Software\\KvInstallTest" + kPid +
              "|Where|<InstallDir>|Create|Remove Key|String|);\r\n\r\n";
  expected += "TargetDir=" + t + "\r\nSharedDir=\r\nAuxiliaryDir=\r\n";
  expected += "REMOVE_DIR(" + t + ");\r\nREMOVE_FILE(" + t + "\\app.exe);\r\nREMOVE_FILE(" + t + "\\a.txt);\r\n";
  expected += "REMOVE_SHARED_FILE(" + t + "\\lib.dll);\r\n\r\n";
  expected += "DONT_REMOVE_DIR(" + t + "\\Data);\r\nREMOVE_READONLY_FILE(" + t + "\\Data\\ro.txt);\r\nREMOVE_FILE(" + t +
              "\\Data\\ro.txt);\r\n\r\n";
  expected += "REMOVE_FILE(" + lnk + ");\r\nREMOVE_FOLDER(" + programs + "\\" + p.prog + ");\r\n";
  expected += "REMOVE_FILE(" + url + ");\r\n";
  expected += "REMOVE_REG_KEY(HKEY_LOCAL_MACHINE\\Software\\Kelvane Tests\\" + p.prog + "\\2.5);\r\n";
  expected += "REMOVE_FILE(" + t + "\\extra.dat);\r\n";  // the forced removal of C:\ is never recorded
  EXPECT_EQ(Read(t + "\\UnInstall.txt"), expected);

  // The setup log: its header, then the run in order, results joined to their lines.
  const std::string log = Read(t + "\\Setup.log");
  const std::string head = "Setup Log of: " + p.prog + "\r\nVersion: 2.5\r\n\r\nDate: ";
  EXPECT_EQ(log.compare(0, head.size(), head), 0) << log;
  for (const std::string& part :
       {"SourceDir:  " + p.dir.substr(0, p.dir.size() - 1) + "\r\n\r\nExecute Before Dialogs\r\nShow Screen: Copying Files\r\n"
        "Create Target Directory: " + t + " ... TRUE\r\nShow Screen: Copying Files\r\nExecute Before Copy\r\n"
        "Handle First UnInstall Data\r\n  Copy File: " + t + "\\UnInstall.exe ... OK\r\n\r\nStart Copy Directory\r\n"
        "  (" + t + ")\r\n  Copy File: " + t + "\\app.exe ... OK\r\n  Copy File: " + t + "\\a.txt ... OK\r\n"
        "  Copy File: " + t + "\\lib.dll ... OK\r\n\r\nStart Copy Directory\r\n  (" + t + "\\Data)\r\n"
        "  Copy File: " + t + "\\Data\\ro.txt ... OK\r\n\r\nExecute After Copy\r\n"
        "RegistryOp: Create  HKEY_CURRENT_USER\\Software\\KvInstallTest" + kPid + "\\Where=<InstallDir>\r\n"
        "Create Start/Program Link(s):\r\n  " + p.prog + "\\" + p.prog + "  (" + t + "\\app.exe)\r\n"
        "  \\Home Page  (www.example.com/kv)\r\n"})
    EXPECT_NE(log.find(part), std::string::npos) << log;
  DeleteFileA(lnk.c_str());
  RemoveDirectoryA((programs + "\\" + p.prog).c_str());
  DeleteFileA(url.c_str());
  CleanRegistry(p);
}

TEST(SetupInstall, ReinstallReplacesHeaderValuesAndCountsSharedFilesOnce) {
  const std::string script = SilentScript() + "SET_SCRAMBLE_UNINSTALL;\r\n";
  Package p = MakePackage("again", script, {{"app.exe", "MZ"}, {"a.txt", "1"}, {"lib.dll", "L"}, {"ro.txt", "r"}});
  CleanRegistry(p);
  const std::string t = p.target;
  const int before = StrToIntDef(ReadRegValue(kShared, t + "\\lib.dll", "0"), 0);
  ASSERT_EQ(RunToEnd(p).exitCode, 0);
  const std::string first = ScrambleTextWithKey(Read(t + "\\UnInstall.txt"), 0, 0);
  ASSERT_TRUE(IsScrambledText(Read(t + "\\UnInstall.txt")));
  // The second run: the same files again and a new version.
  for (const auto& f : std::vector<std::pair<std::string, std::string>>{
           {"app.exe", "MZ"}, {"a.txt", "2"}, {"lib.dll", "L"}, {"ro.txt", "r"}, {"UnInstall.exe", Read(tt::ProgramDir() + "UnInstallStripped.exe")}})
    tt::WriteFile(p.dir + f.first, f.second);
  std::string text;
  tt::ReadFile(p.dir + "Setup.txt", text);
  tt::WriteFile(p.dir + "Setup.txt", ReplaceAll(text, "SET_PROG_VERSION(2.5)", "SET_PROG_VERSION(2.6)"));
  ASSERT_EQ(RunToEnd(p).exitCode, 0);
  EXPECT_EQ(Read(t + "\\a.txt"), "2");
  const std::string second = ScrambleTextWithKey(Read(t + "\\UnInstall.txt"), 0, 0);
  EXPECT_EQ(StrToIntDef(ReadRegValue(kShared, t + "\\lib.dll", "0"), 0), before + 1);
  // Every line once: after one separating empty line only the new user-info key is added.
  EXPECT_EQ(second, first + "\r\nREMOVE_REG_KEY(HKEY_LOCAL_MACHINE\\Software\\Kelvane Tests\\" + p.prog + "\\2.6);\r\n");
  CleanRegistry(p);
}

TEST(SetupInstall, OverwriteModesByVersionAndDate) {
  // kv_verone carries version 1.0.2.5, kv_vertwo 5.1.2600.0.
  const std::string one = Read(tt::ProgramDir() + "kv_verone.dll"), two = Read(tt::ProgramDir() + "kv_vertwo.dll");
  ASSERT_NE(one, "<missing>");
  ASSERT_NE(two, "<missing>");
  struct Case {
    int mode;  // given in the entry's own flags (bits 24 to 26)
    bool installedTwo, packagedTwo;
    bool copied;
  };
  const Case cases[] = {{2, true, false, false}, {2, false, true, true},  {3, false, false, false},
                        {2, false, false, true}, {4, false, true, false}, {1, true, false, true}};
  int n = 0;
  for (const auto& c : cases) {
    const std::string packaged = c.packagedTwo ? two : one;
    const std::string installed = (c.installedTwo ? two : one) + "#old";
    Package p = MakePackage("ver" + std::to_string(n++),
                            "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(%T);\r\nSET_SILENT_SETUP;\r\n"
                            "SET_GROUP_DATA(|Main|x|1|1||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
                            "SET_COPY_FILES(" + std::to_string(c.mode << 24) + "*v.dll);\r\n",
                            {{"v.dll", packaged}});
    CreateDirectoryA(p.target.c_str(), nullptr);
    tt::WriteFile(p.target + "\\v.dll", installed);
    EXPECT_EQ(RunToEnd(p).exitCode, 0) << n;
    EXPECT_EQ(Read(p.target + "\\v.dll"), c.copied ? packaged : installed) << "case " << n;
  }
  // Dates decide between files without versions.
  struct DateCase {
    int mode;
    int sourceAge, destAge;  // days back
    bool copied;
  };
  const DateCase dates[] = {{2, 1, 1, true}, {3, 1, 1, false}, {3, 1, 5, true}, {2, 5, 1, false}};
  for (const auto& d : dates) {
    Package p = MakePackage("date" + std::to_string(n++),
                            "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(%T);\r\nSET_SILENT_SETUP;\r\n"
                            "SET_GROUP_DATA(|Main|x|1|1||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
                            "SET_OVERWRITE_FLAG(" + std::to_string(d.mode) + ");\r\nSET_COPY_FILES(d.txt);\r\n",
                            {{"d.txt", "new"}});
    CreateDirectoryA(p.target.c_str(), nullptr);
    tt::WriteFile(p.target + "\\d.txt", "old");
    auto age = [](const std::string& file, int days) {
      FILETIME ft;
      GetSystemTimeAsFileTime(&ft);
      ULARGE_INTEGER u;
      u.LowPart = ft.dwLowDateTime;
      u.HighPart = ft.dwHighDateTime;
      u.QuadPart -= ULONGLONG(days) * 864000000000ULL;
      ft.dwLowDateTime = u.LowPart;
      ft.dwHighDateTime = u.HighPart;
      HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      SetFileTime(h, nullptr, nullptr, &ft);
      CloseHandle(h);
    };
    age(p.dir + "d.txt", d.sourceAge);
    age(p.target + "\\d.txt", d.destAge);
    EXPECT_EQ(RunToEnd(p).exitCode, 0);
    EXPECT_EQ(Read(p.target + "\\d.txt"), d.copied ? "new" : "old") << d.mode << " " << d.sourceAge << " " << d.destAge;
  }
}

TEST(SetupInstall, PackedFilesGoodAndDamaged) {
  std::string big;
  for (int i = 0; i < 300000; ++i) big += char('a' + i % 7);
  std::string damaged = Pack(big);
  damaged[damaged.size() / 2] ^= 0x33;
  struct Case {
    const char* name;
    std::string packed;
    int overwrite;  // mode 2 looks at the unpacked file before it is copied
    bool ok;
  };
  const Case cases[] = {{"good", Pack(big), 1, true},
                        {"goodnewer", Pack(big), 2, true},
                        {"damaged", damaged, 1, false},
                        {"cut", Pack(big).substr(0, 100), 2, false}};
  for (const auto& c : cases) {
    Package p = MakePackage(std::string("z") + c.name,
                            "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(%T);\r\nSET_SILENT_SETUP;\r\nSET_CREATE_UNINSTALL;\r\n"
                            "SET_SHOW_PROG_BAR_2;\r\nSET_GROUP_DATA(|Main|x|1|2||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
                            "SET_OVERWRITE_FLAG(" + std::to_string(c.overwrite) + ");\r\nSET_COPY_FILES(big.txt|after.txt);\r\n",
                            {{"big.txt._z", c.packed}, {"after.txt", "after"}});
    if (c.overwrite == 2) {
      // An older installed copy: the packed file is newer and replaces it.
      CreateDirectoryA(p.target.c_str(), nullptr);
      tt::WriteFile(p.target + "\\big.txt", "old");
      HANDLE h = CreateFileA((p.target + "\\big.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      FILETIME old = {0x10000000, 0x01000000};
      SetFileTime(h, nullptr, nullptr, &old);
      CloseHandle(h);
    }
    const RunResult r = RunToEnd(p);
    EXPECT_EQ(r.exitCode, c.ok ? 0 : 1) << c.name;
    const std::string script = Read(p.target + "\\UnInstall.txt");
    if (c.ok) {
      EXPECT_TRUE(r.boxes.empty()) << c.name;
      EXPECT_EQ(Read(p.target + "\\big.txt"), big);
      EXPECT_FALSE(Exists(p.dir + "big.txt"));  // the unpacked copy in the setup folder is gone
      EXPECT_NE(script.find("REMOVE_FILE(" + p.target + "\\big.txt);"), std::string::npos);
      EXPECT_EQ(Read(p.target + "\\after.txt"), "after");
    } else {
      ASSERT_EQ(r.boxes.size(), 1u) << c.name;
      EXPECT_NE(r.boxes[0].text.find("big.txt._z"), std::string::npos) << r.boxes[0].text;
      if (c.overwrite == 2) {
        EXPECT_EQ(Read(p.target + "\\big.txt"), "old") << c.name;
      } else {
        EXPECT_FALSE(Exists(p.target + "\\big.txt")) << c.name;
      }
      EXPECT_FALSE(Exists(p.dir + "big.txt")) << c.name;
      EXPECT_TRUE(Exists(p.dir + "big.txt._z")) << c.name;
      EXPECT_EQ(script.find("big.txt"), std::string::npos) << c.name;
      // The run stopped: the next file was not copied.
      EXPECT_FALSE(Exists(p.target + "\\after.txt")) << c.name;
    }
    CleanRegistry(p);
  }
}

// A source that is not there stops the run before anything registers the installation;
// the log tells which file, as the copy would. The check reads a list as the copy does, a
// list written with a leading bar too.
TEST(SetupInstall, MissingSourceStopsTheRunBeforeAnythingIsRegistered) {
  const struct {
    const char* name;
    const char* list;
  } rows[] = {{"missing", "a.txt|00007#gone.txt|b.txt"}, {"missing_bar", "|a.txt|b.txt|00007#gone.txt"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.list);
    Package p = MakePackage(row.name,
                            "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(%T);\r\nSET_SILENT_SETUP;\r\nSET_CREATE_UNINSTALL;\r\n"
                            "SET_CREATE_SETUP_LOG;\r\nSET_PERFORM_REGISTRY_OP(HKEY_CURRENT_USER\\Software\\KvInstallTest" +
                                kPid +
                                "|Where|x|Create|Remove Key|String);\r\n"
                                "SET_GROUP_DATA(|Main|x|1|2||||1|);\r\nSET_SUB_DIR(<InstallDir>Sub);\r\n"
                                "SET_COPY_FILES(" + std::string(row.list) + ");\r\n",
                            {{"a.txt", "a"}, {"b.txt", "b"}});
    CleanRegistry(p);
    const RunResult r = RunToEnd(p);
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_NE(r.boxes[0].text.find(p.dir + "00007#gone.txt"), std::string::npos) << r.boxes[0].text;
    EXPECT_NE(r.boxes[0].text.find("File not found!"), std::string::npos);
    // What the run had written before the refusal (its log, the script's first lines, the
    // folders) is gone.
    EXPECT_FALSE(Exists(p.target));
    EXPECT_EQ(Read(p.dir + "a.txt"), "a");
    EXPECT_TRUE(Exists(p.dir + "b.txt"));
    EXPECT_FALSE(RegKeyExists("HKEY_CURRENT_USER\\Software\\KvInstallTest" + kPid));
    EXPECT_FALSE(RegKeyExists(UninstallKey(p.prog)));
    CleanRegistry(p);
  }
}

// The first install consumed its package: running the same Setup.exe again is refused
// before it registers anything, and the first installation stays registered.
TEST(SetupInstall, SecondRunOfAConsumedPackageKeepsTheFirstInstallation) {
  // Outside the setup folder, whose sub folders are searched for sources.
  const std::string target = tt::ScratchDir("install_second_target") + "\\Notes";
  Package p = MakePackage("second",
                          "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(" + target +
                              ");\r\nSET_SILENT_SETUP;\r\nSET_CREATE_UNINSTALL;\r\n"
                          "SET_GROUP_DATA(|Main|x|1|2||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
                          "SET_COPY_FILES(a.txt|b.txt);\r\n",
                          {{"a.txt", "a"}, {"b.txt", "b"}});
  p.target = target;
  CleanRegistry(p);
  const RunResult first = RunToEnd(p);
  ASSERT_TRUE(first.boxes.empty()) << first.boxes[0].text;
  ASSERT_FALSE(Exists(p.dir + "UnInstall.exe"));
  const std::string script = Read(p.target + "\\UnInstall.txt");
  const RunResult second = RunToEnd(p);
  EXPECT_EQ(second.exitCode, 1);
  ASSERT_EQ(second.boxes.size(), 1u);
  EXPECT_NE(second.boxes[0].text.find(p.dir + "UnInstall.exe"), std::string::npos) << second.boxes[0].text;
  EXPECT_NE(second.boxes[0].text.find("File not found!"), std::string::npos);
  EXPECT_EQ(ReadRegValue(UninstallKey(p.prog), "UnInstallString", ""), p.target + "\\UnInstall.exe");
  EXPECT_EQ(Read(p.target + "\\UnInstall.txt"), script);
  // A full package into a folder on a disk too small for its uninstaller leaves the entry too.
  tt::SmallDisk disk('S', 3 * 1024 * 1024);
  if (!disk.ok) CleanRegistry(p);
  KV_NEED_DISK(disk);
  const std::string text = Read(p.dir + "Setup.txt");
  tt::WriteFile(p.dir + "Setup.txt", ReplaceAll(text, target, "S:\\Notes"));
  for (const char* f : {"a.txt", "b.txt"}) tt::WriteFile(p.dir + f, f);
  tt::CopyFileTo(tt::ProgramDir() + "UnInstall.exe", p.dir + "UnInstall.exe");
  const RunResult full = RunToEnd(p);
  ASSERT_EQ(full.boxes.size(), 1u);
  EXPECT_NE(full.boxes[0].text.find("S:\\Notes\\UnInstall.exe"), std::string::npos) << full.boxes[0].text;
  EXPECT_FALSE(Exists("S:\\Notes\\UnInstall.exe"));
  EXPECT_EQ(ReadRegValue(UninstallKey(p.prog), "UnInstallString", ""), p.target + "\\UnInstall.exe");
  CleanRegistry(p);
}

// A disk that fills during the copy: the box names the file that did not fit and the
// system's reason, and the run is undone: the disk is empty again and the package whole. On
// each of the copy's roads: straight through the handle it creates, with the file progress
// bar, and unpacked from a packed file.
TEST(SetupInstall, FullDiskLeavesNoDebrisAndUndoesTheRun) {
  const unsigned long long size = 10 * 1024 * 1024;
  tt::SmallDisk disk('T', size);
  KV_NEED_DISK(disk);
  const std::string big(size, 'z');  // never fits beside the uninstaller
  const struct {
    const char* road;
    const char* line;
    bool packed;
  } roads[] = {{"direct", "", false}, {"progress", "SET_SHOW_PROG_BAR_2;\r\n", false}, {"packed", "", true}};
  for (const auto& road : roads) {
    Package p = MakePackage(std::string("full_") + road.road,
                            std::string("SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(T:\\Full);\r\nSET_SILENT_SETUP;\r\n"
                                        "SET_CREATE_UNINSTALL;\r\n") +
                                road.line +
                                "SET_GROUP_DATA(|Main|x|1|4||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
                                "SET_COPY_FILES(a.txt|16*n.txt|big.bin|c.txt);\r\n",
                            {{"a.txt", "alpha"}, {"n.txt", "n"}, {"c.txt", "c"}});
    tt::WriteFile(p.dir + (road.packed ? "big.bin._z" : "big.bin"), road.packed ? Pack(big) : big);
    p.target = "T:\\Full";
    CleanRegistry(p);
    const RunResult r = RunToEnd(p);
    EXPECT_EQ(r.exitCode, 1) << road.road;
    ASSERT_EQ(r.boxes.size(), 1u) << road.road;
    EXPECT_NE(r.boxes[0].text.find(p.target + "\\big.bin"), std::string::npos) << r.boxes[0].text;
    EXPECT_NE(r.boxes[0].text.find(DiskFullText()), std::string::npos) << road.road << ": " << r.boxes[0].text;
    EXPECT_FALSE(Exists(p.target)) << road.road;
    EXPECT_EQ(disk.FreeBytes(), size) << road.road;
    EXPECT_FALSE(RegKeyExists(UninstallKey(p.prog))) << road.road;
    for (const char* f : {"a.txt", "n.txt", "c.txt", "UnInstall.exe"}) EXPECT_TRUE(Exists(p.dir + f)) << road.road << f;
    EXPECT_EQ(Read(p.dir + "a.txt"), "alpha") << road.road;
    EXPECT_TRUE(Exists(p.dir + (road.packed ? "big.bin._z" : "big.bin"))) << road.road;
    EXPECT_FALSE(road.packed && Exists(p.dir + "big.bin")) << road.road;
    CleanRegistry(p);
    disk.Empty();
  }
}

TEST(SetupInstall, FileInUseIsReplacedAtRestart) {
  Package p = MakePackage("inuse",
                          "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(%T);\r\nSET_SILENT_SETUP;\r\nSET_CREATE_SETUP_LOG;\r\n"
                          "SET_GROUP_DATA(|Main|x|1|1||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\nSET_COPY_FILES(busy.txt);\r\n",
                          {{"busy.txt", "new"}});
  CreateDirectoryA(p.target.c_str(), nullptr);
  const std::string dest = p.target + "\\busy.txt";
  tt::WriteFile(dest, "old");
  HANDLE lock = CreateFileA(dest.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  const RunResult r = RunToEnd(p);
  CloseHandle(lock);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.boxes.empty());
  EXPECT_EQ(Read(p.target + "\\Xbusy.txt"), "new");
  EXPECT_EQ(Read(dest), "old");
  EXPECT_NE(Read(p.target + "\\Setup.log").find("  Copy File: " + dest + " ... OK Delayed\r\n"), std::string::npos);
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  std::vector<char> data(65536);
  DWORD size = DWORD(data.size()), type = 0;
  const LONG rc = RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, &type,
                                   reinterpret_cast<BYTE*>(data.data()), &size);
  RegCloseKey(key);
  ASSERT_EQ(rc, ERROR_SUCCESS);
  const std::string pending(data.data(), size);
  EXPECT_NE(pending.find("Xbusy.txt"), std::string::npos);
}

TEST(SetupInstall, WizardWalksToCompleteAndFinishes) {
  Package p = MakePackage("wizard",
                          "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(%T);\r\nSET_CREATE_SETUP_LOG;\r\n"
                          "SET_DIALOGS(WelcomeDlg,CopyFilesDlg,CompleteDlg);\r\n"
                          "SET_GROUP_DATA(|Main|x|1|1||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\nSET_COPY_FILES(w.txt);\r\n",
                          {{"w.txt", "w"}});
  const RunResult r = RunToEnd(p, {"&Next >", "&Finish"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.boxes.empty());
  EXPECT_EQ(Read(p.target + "\\w.txt"), "w");
  const std::string log = Read(p.target + "\\Setup.log");
  EXPECT_NE(log.find("Show Screen: Welcome\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Show Screen: Setup Complete\r\nExecute After Dialogs\r\n"), std::string::npos) << log;
}

// A package of `n` files f0.txt ... whose copy waits `delay` ms after each file (the wave
// delay), started and sent on to its copy page; the wizard window, or null.
HWND StartSlowCopy(const std::string& name, const std::string& lines, int n, int delay, Package& p,
                   tt::Process& proc) {
  std::string list;
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 0; i < n; ++i) {
    const std::string file = "f" + std::to_string(i) + ".txt";
    list += (i ? "|" : "") + file;
    files.push_back({file, file});
  }
  p = MakePackage(name,
                  lines + "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(%T);\r\nSET_BG_WAVE_FILE_NAME(none.wav);\r\n"
                          "SET_BG_WAVE_DELAY(" + std::to_string(delay) + ");\r\n"
                          "SET_DIALOGS(WelcomeDlg,CopyFilesDlg,CompleteDlg);\r\n"
                          "SET_GROUP_DATA(|Main|x|1|" + std::to_string(n) + "||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
                          "SET_COPY_FILES(" + list + ");\r\n",
                  files);
  proc = tt::Start("\"" + p.exe + "\"");
  HWND wizard = tt::WaitForWindow(".SDialog_Class_Name.", "", 20000, proc.pid);
  if (!wizard) return nullptr;
  Sleep(500);
  return tt::ClickButton(wizard, "&Next >") ? wizard : nullptr;
}

TEST(SetupInstall, CancelDuringCopyAsksOnceAndEndsOrResumes) {
  for (bool resume : {false, true}) {
    // The wave delay slows every file down enough for a person to press Cancel.
    Package p;
    tt::Process proc;
    HWND wizard = StartSlowCopy(resume ? "resume" : "cancel", "SET_CREATE_SETUP_LOG;\r\n", 100, 40, p, proc);
    ASSERT_TRUE(wizard);
    Sleep(600);
    tt::CloseWindowNow(wizard);
    HWND ask = tt::WaitForWindow("TExitSetupForm", "", 10000, proc.pid);
    ASSERT_TRUE(ask);
    Sleep(300);
    auto count = [&](const std::string& folder) {
      int n = 0;
      for (int i = 0; i < 100; ++i) n += Exists(folder + "f" + std::to_string(i) + ".txt");
      return n;
    };
    const int during = count(p.target + "\\");
    EXPECT_TRUE(tt::ClickButton(ask, resume ? "&Resume" : "E&xit Setup"));
    if (resume) {
      const DWORD start = GetTickCount();
      while (GetTickCount() - start < 30000 && !tt::ClickButton(wizard, "&Finish")) Sleep(100);
    }
    EXPECT_EQ(tt::WaitExit(proc, 30000), resume ? 0 : 2) << resume;
    EXPECT_TRUE(tt::FindWindows("TExitSetupForm", proc.pid).empty());
    const int copied = count(p.target + "\\");
    const std::string log = Read(p.target + "\\Setup.log");
    if (resume) {
      EXPECT_EQ(copied, 100);
      EXPECT_NE(log.find("Execute After Copy"), std::string::npos);
    } else {
      // Stopped inside the copy, and undone: nothing stays installed, the package is whole.
      EXPECT_GT(during, 0);
      EXPECT_LT(during, 100);
      EXPECT_EQ(copied, 0);
      EXPECT_FALSE(Exists(p.target));
      EXPECT_EQ(count(p.dir), 100);
      EXPECT_EQ(log.find("Execute After Copy"), std::string::npos);
      EXPECT_EQ(log.find("Show Screen: Setup Complete"), std::string::npos);
    }
  }
}

// The copy page follows the copy, with the file progress bar shown or not: the file label
// names file after file and the overall bar moves on.
TEST(SetupInstall, CopyPageFollowsTheCopyInBothModes) {
  for (bool bar2 : {true, false}) {
    // Copied, not moved, so the file progress runs; the wave delay spaces the files out.
    Package p;
    tt::Process proc;
    HWND wizard = StartSlowCopy(bar2 ? "progress2" : "progress1",
                                std::string(bar2 ? "SET_SHOW_PROG_BAR_2;\r\n" : "") + "SET_USE_COPY;\r\nSET_CREATE_UNINSTALL;\r\n",
                                150, 20, p, proc);
    ASSERT_TRUE(wizard);
    std::set<std::string> names;
    std::set<LRESULT> positions;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 60000 && !tt::FindChild(wizard, "Button", "&Finish")) {
      for (HWND c : tt::Children(wizard)) {
        if (!IsWindowVisible(c)) continue;
        const std::string text = tt::WindowText(c);
        if (tt::ClassOf(c) == "Static" && text.size() > 5 && text[0] == 'f' && text.substr(text.size() - 4) == ".txt")
          names.insert(text);
        if (tt::ClassOf(c) == "msctls_progress32" && positions.size() < 1000)
          positions.insert(SendMessageA(c, PBM_GETPOS, 0, 0));
      }
      Sleep(10);
    }
    EXPECT_TRUE(tt::ClickButton(wizard, "&Finish"));
    EXPECT_EQ(tt::WaitExit(proc, 30000), 0);
    EXPECT_GE(names.size(), 10u) << bar2;
    int between = 0;
    for (LRESULT pos : positions) between += pos > 10 && pos < 140;
    EXPECT_GE(between, 5) << bar2;
    EXPECT_TRUE(Exists(p.target + "\\f149.txt"));
    CleanRegistry(p);
  }
}

TEST(SetupInstall, SameFileAndMissingUninstaller) {
  {
    // Source and destination are one file: it stays, and counts as installed.
    Package p = MakePackage("same",
                            "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(%T);\r\nSET_SILENT_SETUP;\r\nSET_CREATE_UNINSTALL;\r\n"
                            "SET_GROUP_DATA(|Main|x|1|1||||1|);\r\nSET_SUB_DIR(<SrcDir>);\r\nSET_COPY_FILES(same.txt);\r\n",
                            {{"same.txt", "kept"}});
    CleanRegistry(p);
    const RunResult r = RunToEnd(p);
    EXPECT_TRUE(r.boxes.empty());
    EXPECT_EQ(Read(p.dir + "same.txt"), "kept");
    EXPECT_NE(Read(p.target + "\\UnInstall.txt").find("REMOVE_FILE(" + p.dir + "same.txt);"), std::string::npos);
    CleanRegistry(p);
  }
  {
    // Without the uninstaller there is no Add/Remove Programs entry that would start it.
    Package p = MakePackage("nouninst",
                            "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(%T);\r\nSET_SILENT_SETUP;\r\nSET_CREATE_UNINSTALL;\r\n"
                            "SET_GROUP_DATA(|Main|x|1|1||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\nSET_COPY_FILES(a.txt);\r\n",
                            {{"a.txt", "a"}});
    DeleteFileA((p.dir + "UnInstall.exe").c_str());
    CleanRegistry(p);
    const RunResult r = RunToEnd(p);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_NE(r.boxes[0].text.find("UnInstall.exe"), std::string::npos) << r.boxes[0].text;
    EXPECT_FALSE(RegKeyExists(UninstallKey(p.prog)));
    EXPECT_FALSE(RegKeyExists(CacheKey(p.prog)));
    EXPECT_FALSE(Exists(p.target + "\\a.txt"));
    CleanRegistry(p);
  }
}

TEST(SetupInstall, FilesForOtherWindowsAreLeftOut) {
  // Bit 21 leaves a file out on XP, bit 20 on 2000.
  const std::string exeName = "kvsetup_xp_" + kPid + ".exe";
  ASSERT_TRUE(tt::SetProgramWindowsVersion(exeName, "winxp"));
  Package p = MakePackage("os",
                          "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(%T);\r\nSET_SILENT_SETUP;\r\nSET_CREATE_UNINSTALL;\r\n"
                          "SET_GROUP_DATA(|Main|x|1|3||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
                          "SET_COPY_FILES(2097152*notxp.txt);\r\nSET_COPY_FILES(1048576*xp.txt|plain.txt);\r\n",
                          {{"notxp.txt", "1"}, {"xp.txt", "2"}, {"plain.txt", "3"}}, exeName);
  CleanRegistry(p);
  const RunResult r = RunToEnd(p);
  tt::SetProgramWindowsVersion(exeName, "");
  EXPECT_TRUE(r.boxes.empty());
  EXPECT_FALSE(Exists(p.target + "\\notxp.txt"));
  EXPECT_EQ(Read(p.target + "\\xp.txt"), "2");
  EXPECT_EQ(Read(p.target + "\\plain.txt"), "3");
  EXPECT_EQ(Read(p.target + "\\UnInstall.txt").find("notxp"), std::string::npos);
  CleanRegistry(p);
}

namespace {

// The names in a folder that equal `name` ignoring case.
int EntriesNamed(const std::string& folder, const std::string& name) {
  int count = 0;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  do {
    if (EqualTextNoCase(fd.cFileName, name)) ++count;
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return count;
}

void SetWrittenAt(const std::string& path, FILETIME t) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  SetFileTime(h, nullptr, nullptr, &t);
  CloseHandle(h);
}

}  // namespace

// Small packed files after a large one, new destinations and ones already there under
// another letter case: each lands once, whole, dated like its source. A read-only source is
// consumed too; a packed file with the read-only flag is read-only in place.
TEST(SetupInstall, PackedAfterLargeAndNamesInAnotherCase) {
  std::string big;
  for (int i = 0; i < 3000000; ++i) big += char('a' + (i * 7 + i / 4099) % 26);
  Package p = MakePackage("zcase",
                          "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(%T);\r\nSET_SILENT_SETUP;\r\nSET_CREATE_UNINSTALL;\r\n"
                          "SET_USE_COPY;\r\nSET_GROUP_DATA(|Main|x|1|7||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
                          "SET_COPY_FILES(big.bin|one.txt|two.txt|Plain.txt|new.txt|rosrc.txt|256*pro.txt);\r\n",
                          {{"big.bin._z", Pack(big)},
                           {"one.txt._z", Pack("one")},
                           {"two.txt._z", Pack("two")},
                           {"Plain.txt", "plain"},
                           {"new.txt", "new"},
                           {"rosrc.txt", "rosrc"},
                           {"pro.txt._z", Pack("pro")}});
  SetFileAttributesA((p.dir + "rosrc.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  const FILETIME old = {0x10000000, 0x01C00000};
  SetWrittenAt(p.dir + "new.txt", old);
  SetWrittenAt(p.dir + "one.txt._z", old);
  const uint32_t copiedDate = GetFileDate(p.dir + "new.txt"), packedDate = GetFileDate(p.dir + "one.txt._z");
  CreateDirectoryA(p.target.c_str(), nullptr);
  tt::WriteFile(p.target + "\\TWO.TXT", "old two");
  tt::WriteFile(p.target + "\\PLAIN.TXT", "old plain");
  const RunResult r = RunToEnd(p);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.boxes.empty()) << (r.boxes.empty() ? "" : r.boxes[0].text);
  const struct {
    const char* name;
    std::string content;
  } rows[] = {{"big.bin", big}, {"one.txt", "one"}, {"two.txt", "two"}, {"Plain.txt", "plain"}, {"new.txt", "new"},
                {"rosrc.txt", "rosrc"}, {"pro.txt", "pro"}};
  const std::string script = Read(p.target + "\\UnInstall.txt");
  for (const auto& row : rows) {
    EXPECT_TRUE(Read(p.target + "\\" + row.name) == row.content) << row.name;
    EXPECT_EQ(EntriesNamed(p.target, row.name), 1) << row.name;
    EXPECT_NE(script.find("REMOVE_FILE(" + p.target + "\\" + row.name + ");"), std::string::npos) << row.name;
    EXPECT_FALSE(Exists(p.dir + row.name)) << row.name;  // sources are consumed
  }
  EXPECT_TRUE(GetFileAttributesA((p.target + "\\pro.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(GetFileAttributesA((p.target + "\\rosrc.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  // A copy keeps its source's date; an unpacked file gets its packed file's.
  EXPECT_EQ(GetFileDate(p.target + "\\new.txt"), copiedDate);
  EXPECT_EQ(GetFileDate(p.target + "\\one.txt"), packedDate);
  CleanRegistry(p);
}

// A source that cannot be read fails its file and leaves no empty destination behind.
TEST(SetupInstall, UnreadableSourceLeavesNoDestination) {
  Package p = MakePackage("locked",
                          "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(%T);\r\nSET_SILENT_SETUP;\r\nSET_CREATE_UNINSTALL;\r\n"
                          "SET_USE_COPY;\r\nSET_GROUP_DATA(|Main|x|1|2||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
                          "SET_COPY_FILES(first.txt|locked.txt);\r\n",
                          {{"first.txt", "first"}, {"locked.txt", "locked"}});
  HANDLE lock = CreateFileA((p.dir + "locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  const RunResult r = RunToEnd(p);
  CloseHandle(lock);
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_EQ(r.boxes.size(), 1u);
  // The run is undone: the file copied before stays in the package only.
  EXPECT_FALSE(Exists(p.target));
  EXPECT_EQ(Read(p.dir + "first.txt"), "first");
  EXPECT_TRUE(Exists(p.dir + "locked.txt"));
  CleanRegistry(p);
}

// A failed copy deletes only a file it made: not an unpacked source that is its own
// destination, the folder written in another spelling ("/", its short name).
TEST(SetupInstall, FailedCopyDeletesOnlyWhatItMade) {
  for (const bool slash : {true, false}) {
    Package p = MakePackage(slash ? "slash" : "short", "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(%T);\r\nSET_SILENT_SETUP;\r\n"
                                                     "SET_OVERWRITE_FLAG(2);\r\nSET_GROUP_DATA(|Main|x|1|1||||1|);\r\n",
                            {{"b.txt._z", Pack("packed")}});
    const std::string setup = p.dir.substr(0, p.dir.size() - 1);
    const std::string folder = slash ? ReplaceAll(setup, "\\", "/") : ShortPath(setup);
    ASSERT_NE(folder, setup);
    tt::WriteFile(p.dir + "Setup.txt", Read(p.dir + "Setup.txt") + "SET_SUB_DIR(" + folder + ");\r\nSET_COPY_FILES(b.txt);\r\n");
    const RunResult r = RunToEnd(p);
    EXPECT_TRUE(r.boxes.empty()) << r.boxes[0].text;
    EXPECT_EQ(Read(p.dir + "b.txt"), "packed");
  }
}

// A destination under which a folder, a file or the uninstaller would reach the system's
// path limit is refused with a box naming the path, before anything is written. A file
// counts with its installed name, without the number prefix.
TEST(SetupInstall, PathsPastTheSystemLimitAreRefusedBeforeAnythingIsWritten) {
  const std::string root = "C:\\KvLong" + kPid + "_" + std::to_string(GetTickCount());
  const std::string n74 = std::string(70, 'n') + ".txt";
  const struct {
    size_t length;  // of the target folder
    std::string sub, file, refused;  // refused: what follows the target in the path the box names
  } cases[] = {{248, "", "a.txt", ""}, {246, "", "a.txt", "\\UnInstall.exe"}, {191, "Sub", n74, "\\Sub\\" + n74},
               {245, "", "00001#abcdefghi.txt", "fits"}};
  for (const auto& c : cases) {
    std::string target = root;
    for (size_t room; (room = c.length - target.size()) > 0;) target += "\\" + std::string(room > 101 ? 90 : room - 1, 'd');
    Package p = MakePackage("long" + std::to_string(c.length),
                            "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(" + target + ");\r\nSET_SILENT_SETUP;\r\nSET_CREATE_UNINSTALL;\r\n"
                            "SET_GROUP_DATA(|Main|x|1|1||||1|);\r\nSET_SUB_DIR(<InstallDir>" + c.sub + ");\r\n"
                            "SET_COPY_FILES(" + c.file + ");\r\n", {{c.file, "f"}});
    const RunResult r = RunToEnd(p);
    if (c.refused == "fits") {
      EXPECT_TRUE(r.boxes.empty()) << r.boxes[0].text;
      EXPECT_EQ(Read(target + "\\abcdefghi.txt"), "f");
    } else {
      ASSERT_EQ(r.boxes.size(), 1u) << c.length;
      EXPECT_NE(("\n" + ReplaceAll(r.boxes[0].text, "\r", "\n") + "\n").find("\n" + target + c.refused + "\n"),
                std::string::npos) << r.boxes[0].text;
      EXPECT_FALSE(Exists(root));
    }
    tt::DeleteTree(root);
    CleanRegistry(p);
  }
}

// A run-time folder found through the App Paths entry that the package itself writes: the
// checks before the registration leave it alone, and the copy finds it when it gets there.
TEST(SetupInstall, RunTimeFolderIsLookedForWhereTheCopyReachesIt) {
  const std::string exe = "kvrt" + kPid + ".exe";
  const std::string appPath = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + exe;
  std::string descriptor = "|1|" + exe + "|";
  for (int i = 2; i < 18; ++i) descriptor += std::string(i == 16 ? "1" : "") + "|";  // a box when not found
  Package p = MakePackage("rtdir", "SET_PROG_NAME(%N);\r\nSET_PROG_VERSION(1.0);\r\nSET_COMPANY_NAME(Kelvane Tests);\r\n"
                                   "SET_TARGET_DIR(%T);\r\nSET_SILENT_SETUP;\r\nSET_CREATE_UNINSTALL;\r\n"
                                   "SET_PROG_EXE_NAME(<InstallDir>" + exe + ");\r\nSET_REGISTER_AS_APPLICATION;\r\n"
                                   "SET_RUN_TIME_DIR_1(" + descriptor + ");\r\nSET_GROUP_DATA(|Main|x|1|2||||1|);\r\n"
                                   "SET_SUB_DIR(<InstallDir>);\r\nSET_COPY_FILES(" + exe + ");\r\n"
                                   "SET_SUB_DIR(<RunTimeDir_1>\\Data);\r\nSET_COPY_FILES(d.txt);\r\n",
                          {{exe, "MZ"}, {"d.txt", "d"}});
  DeleteRegKey(appPath);
  CleanRegistry(p);
  const RunResult r = RunToEnd(p);
  EXPECT_TRUE(r.boxes.empty()) << r.boxes[0].text;
  EXPECT_EQ(Read(p.target + "\\Data\\d.txt"), "d");
  EXPECT_EQ(ReadRegValue(appPath, "", ""), p.target + "\\" + exe);
  DeleteRegKey(appPath);
  CleanRegistry(p);
  DeleteRegKey("HKEY_LOCAL_MACHINE\\Software\\Kelvane Tests\\" + p.prog);
}

// Folders the installation does not own: ones that were there before (empty, or holding the
// user's file), and ones the run made that hold a folder the script keeps exactly. None is
// recorded for removal: the uninstall leaves them and ends without a failure.
TEST(SetupInstall, FoldersTheInstallDoesNotOwnStayAndTheUninstallEndsClean) {
  const std::string top = "C:\\KvOwn" + kPid;
  const struct {
    std::string target, items;
    std::vector<std::string> stay;
  } cases[] = {{top, "SET_SUB_DIR(<InstallDir>Data);\r\nSET_COPY_FILES(d.txt);\r\nSET_SUB_DIR(<InstallDir>Empty);\r\nSET_COPY_FILES(*);\r\n",
                {top + "\\Data\\mine.txt", top + "\\Empty"}},
               {top + "\\App", "SET_SUB_DIR(*3" + top + "\\Kept\\Data);\r\nSET_COPY_FILES(d.txt);\r\n", {top + "\\Kept\\Data"}}};
  for (const auto& c : cases) {
    tt::DeleteTree(top);
    if (c.target == top && ForceDirectories(top + "\\Empty") && ForceDirectories(top + "\\Data"))
      tt::WriteFile(top + "\\Data\\mine.txt", "mine");
    Package p = MakePackage("own", "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(" + c.target + ");\r\nSET_SILENT_SETUP;\r\n"
                                   "SET_CREATE_UNINSTALL;\r\nSET_GROUP_DATA(|Main|x|1|2||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
                                   "SET_COPY_FILES(a.txt);\r\n" + c.items, {{"a.txt", "a"}, {"d.txt", "d"}});
    EXPECT_TRUE(RunToEnd(p).boxes.empty());
    const tt::UninstallRun u = tt::RunUninstaller("\"" + c.target + "\\UnInstall.exe\"");
    EXPECT_EQ(u.boxes.size(), 1u) << (u.boxes.empty() ? "" : u.boxes.back());  // the question only
    EXPECT_TRUE(tt::GoneWithin(c.target + "\\UnInstall.exe", 15000));
    for (const std::string& path : c.stay) EXPECT_TRUE(Exists(path)) << path;
    EXPECT_FALSE(Exists(top + "\\a.txt") || Exists(top + "\\App\\a.txt"));
    tt::DeleteTree(top);
    CleanRegistry(p);
  }
}

namespace {

// A file list that fills the 10 MB disk: a large file that leaves no room once the
// uninstaller and `pages` small files (a page of the disk each: the script, the log, those
// of the list) are there, then 60 empty files with 90-character names, which take no room
// but lines of the uninstall script.
std::string FillingList(std::vector<std::pair<std::string, std::string>>& files, int pages) {
  const size_t page = 4096, uninstaller = (Read(tt::ProgramDir() + "UnInstallStripped.exe").size() + page - 1) / page * page;
  files.push_back({"big.bin", std::string((10 << 20) - uninstaller - pages * page, 'b')});
  std::string list = "big.bin";
  for (int i = 10; i < 70; ++i) {
    files.push_back({std::string(84, 'e') + std::to_string(i) + ".dat", ""});
    list += "|" + files.back().first;
  }
  return list;
}

}  // namespace

// The uninstaller does not fit on the disk: the box names it and the system's reason, and
// the run takes back all it wrote, interactive or silent.
TEST(SetupInstall, UninstallerThatDoesNotFitLeavesNothing) {
  tt::SmallDisk disk('S', 3 << 20);
  KV_NEED_DISK(disk);
  const std::string mb(1 << 20, 'm');
  for (const char* mode : {"SET_SHOW_PROG_BAR_2;\r\n", "SET_SILENT_SETUP;\r\n"}) {
    Package p = MakePackage("nouninst",
                            std::string("SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(S:\\Big);\r\nSET_CREATE_UNINSTALL;\r\n") + mode +
                                "SET_CREATE_SETUP_LOG;\r\nSET_DIALOGS(WelcomeDlg,CopyFilesDlg,CompleteDlg);\r\n"
                                "SET_GROUP_DATA(|Main|x|1|5120||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
                                "SET_COPY_FILES(f1|f2|f3|f4|f5);\r\n",
                            {{"f1", mb}, {"f2", mb}, {"f3", mb}, {"f4", mb}, {"f5", mb}});
    // The uninstall engine with its symbols, larger than the disk.
    tt::CopyFileTo(tt::ProgramDir() + "UnInstall.exe", p.dir + "UnInstall.exe");
    CleanRegistry(p);
    const RunResult r = RunToEnd(p, {"&Next >"});
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(r.boxes.size(), 1u) << mode;
    EXPECT_NE(r.boxes[0].text.find("S:\\Big\\UnInstall.exe"), std::string::npos) << r.boxes[0].text;
    EXPECT_NE(r.boxes[0].text.find(DiskFullText()), std::string::npos) << r.boxes[0].text;
    EXPECT_FALSE(Exists("S:\\Big")) << mode;
    EXPECT_EQ(disk.FreeBytes(), 3u << 20) << mode;
    EXPECT_FALSE(RegKeyExists(UninstallKey(p.prog)));
    EXPECT_EQ(Read(p.dir + "f1"), mb);  // nothing was copied
    CleanRegistry(p);
    disk.Empty();
  }
}

// The uninstall script cannot grow: on a disk filled during the copy, and by the setup
// script's own lines after it. The run stops with the disk-full box and takes back what it
// did: files, uninstaller, folders, registry keys, the shared count, the shortcut and the
// registry operation it performed; not an operation it did not perform, nor a file that a
// line of the setup script only names.
TEST(SetupInstall, ScriptThatCannotGrowStopsTheRunAndTakesItBack) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  const std::string op = "HKEY_CURRENT_USER\\Software\\KvInstallTest" + kPid, exe = "kvdisk" + kPid + ".exe";
  const std::string appPath = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + exe;
  for (bool afterCopy : {false, true}) {
    std::vector<std::pair<std::string, std::string>> files = {{exe, "MZ"}, {"lib.dll", "L"}};
    const std::string filling = FillingList(files, 4);
    const std::string list = afterCopy ? "big.bin" : filling;
    Package p = MakePackage("cut", "SET_PROG_NAME(%N);\r\nSET_PROG_VERSION(1.0);\r\nSET_COMPANY_NAME(Kelvane Tests);\r\n"
                                   "SET_TARGET_DIR(T:\\Big);\r\nSET_PROG_EXE_NAME(<InstallDir>" + exe + ");\r\n"
                                   "SET_REGISTER_AS_APPLICATION;\r\nSET_START_PROGRAM_LINK_NAME(%N);\r\n"
                                   "SET_START_PROGRAM_LINK_FOLDER(%N);\r\nSET_CREATE_UNINSTALL;\r\nSET_CREATE_SETUP_LOG;\r\n"
                                   "SET_SILENT_SETUP;\r\nSET_PERFORM_REGISTRY_OP(" + op + "|Where|x|Create|Remove Key|String);\r\n"
                                   "SET_REMOVE_ABSOLUTE_FILE(T:\\keep.txt);\r\nSET_REMOVE_REG_KEY(" + op + "\\" +
                                   std::string(5000, 'k') + ");\r\nSET_GROUP_DATA(|Main|x|1|10240||||1|);\r\n"
                                   "SET_SUB_DIR(<InstallDir>);\r\nSET_COPY_FILES(" + exe + "|*lib.dll|" + list + ");\r\n",
                            files);
    p.target = "T:\\Big";
    CleanRegistry(p);
    DeleteRegKey(appPath);
    const std::string programs = GetShellFolder(2, false) + "\\" + p.prog;
    tt::DeleteTree(programs);
    WriteRegValueSimple(op, "Mine", "1", true);
    tt::WriteFile("T:\\keep.txt", "");
    const RunResult r = RunToEnd(p);
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(r.boxes.size(), 1u) << afterCopy;
    EXPECT_NE(r.boxes[0].text.find("T:\\Big\\UnInstall.txt"), std::string::npos) << r.boxes[0].text;
    EXPECT_NE(r.boxes[0].text.find(DiskFullText()), std::string::npos) << r.boxes[0].text;
    EXPECT_TRUE(Exists(p.dir + "big.bin"));  // copied before the stop, and back in the package
    EXPECT_FALSE(Exists("T:\\Big")) << afterCopy;
    EXPECT_TRUE(Exists("T:\\keep.txt"));
    for (const std::string& key : {UninstallKey(p.prog), CacheKey(p.prog), appPath,
                                   "HKEY_LOCAL_MACHINE\\Software\\Kelvane Tests\\" + p.prog})
      EXPECT_FALSE(RegKeyExists(key)) << key;
    EXPECT_FALSE(RegValueExists(kShared, "T:\\Big\\lib.dll"));
    // Performed after the copy only, and then undone: the key holds what it held before.
    EXPECT_TRUE(RegValueExists(op, "Mine")) << afterCopy;
    EXPECT_FALSE(RegValueExists(op, "Where"));
    EXPECT_FALSE(Exists(programs));
    CleanRegistry(p);
    disk.Empty();
  }
}

// An earlier installation in the folder: the run taken back leaves it as it was, and its
// uninstaller removes it.
TEST(SetupInstall, ScriptThatCannotGrowLeavesAnEarlierInstallationAsItWas) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  const std::string head = "SET_TARGET_DIR(T:\\App);\r\nSET_CREATE_UNINSTALL;\r\nSET_CREATE_SETUP_LOG;\r\nSET_SILENT_SETUP;\r\n"
                           "SET_GROUP_DATA(|Main|x|1|10240||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n";
  Package p = MakePackage("earlier", "SET_PROG_NAME(%N);\r\n" + head + "SET_COPY_FILES(a.txt);\r\n", {{"a.txt", "a"}});
  CleanRegistry(p);
  ASSERT_TRUE(RunToEnd(p).boxes.empty());
  const std::string script = Read("T:\\App\\UnInstall.txt"), log = Read("T:\\App\\Setup.log");
  std::vector<std::pair<std::string, std::string>> files;
  const std::string list = FillingList(files, 3);
  const RunResult r = RunToEnd(MakePackage("again", "SET_PROG_NAME(" + p.prog + ");\r\n" + head + "SET_COPY_FILES(" +
                                                        list + ");\r\n", files));
  ASSERT_EQ(r.boxes.size(), 1u);
  EXPECT_NE(r.boxes[0].text.find(DiskFullText()), std::string::npos) << r.boxes[0].text;
  EXPECT_EQ(Read("T:\\App\\UnInstall.txt"), script);
  EXPECT_EQ(Read("T:\\App\\Setup.log"), log);
  EXPECT_FALSE(Exists("T:\\App\\big.bin"));
  EXPECT_FALSE(Exists("T:\\App\\" + files.back().first));
  const std::string command = ReadRegValue(UninstallKey(p.prog), "UnInstallString", "");
  ASSERT_EQ(command, "T:\\App\\UnInstall.exe");
  EXPECT_TRUE(tt::RunUninstaller("\"" + command + "\"").closed);
  EXPECT_FALSE(Exists("T:\\App\\a.txt"));
  EXPECT_FALSE(RegKeyExists(UninstallKey(p.prog)));
  tt::GoneWithin(command, 10000);  // the uninstaller deletes itself once it has ended
  CleanRegistry(p);
}

// A program name longer than a registry key can hold: its keys are cut to fit (a key text
// holds 255 characters), and the uninstaller removes them.
// An entry that the registry refuses stops the setup with its reason; the run is taken back.
TEST(SetupInstall, LongProgramNameGetsItsKeysAndARefusedEntryStopsTheSetup) {
  for (bool refused : {false, true}) {
    const std::string tail = refused ? "" : std::string(102400, 'n');
    Package p = MakePackage(refused ? "refused" : "longname", RegisteringScript("%N" + tail), {{"a.txt", "a"}});
    p.prog += tail;
    const std::string name = UninstallEntryKey(p.prog).substr(UninstallKey("").size());
    ASSERT_LE(UninstallKey(name).size(), 255u);
    const std::string company = "HKEY_LOCAL_MACHINE\\Software\\Kelvane Tests";
    for (const std::string& key : {UninstallKey(name), CacheKey(name), company}) DeleteRegKey(key);
    HKEY key;
    if (refused && RegCreateKeyExA(HKEY_LOCAL_MACHINE, UninstallKey(name).substr(19).c_str(), 0, nullptr, 0,
                                   KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
      // Anyone may read the key, nobody may write it.
      PSECURITY_DESCRIPTOR sd = nullptr;
      ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;KW;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &sd, nullptr);
      RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd);
      LocalFree(sd);
      RegCloseKey(key);
    }
    const RunResult r = RunToEnd(p);
    EXPECT_EQ(r.exitCode, refused ? 1 : 0);
    if (refused) {
      char reason[256] = "";
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED, 0, reason,
                     sizeof reason, nullptr);
      ASSERT_EQ(r.boxes.size(), 1u);
      EXPECT_EQ(r.boxes[0].text.find(UninstallKey(name)), 0u) << r.boxes[0].text;
      EXPECT_NE(r.boxes[0].text.find(Trim(reason)), std::string::npos) << r.boxes[0].text;
      EXPECT_FALSE(Exists(p.target));
      EXPECT_FALSE(RegKeyExists(CacheKey(name)));
      EXPECT_EQ(Read(p.dir + "a.txt"), "a");
      DeleteRegKey(UninstallKey(name));
      continue;
    }
    EXPECT_TRUE(r.boxes.empty());
    const std::string command = ReadRegValue(UninstallKey(name), "UnInstallString", "");
    EXPECT_EQ(command, p.target + "\\UnInstall.exe");
    EXPECT_TRUE(RegKeyExists(CacheKey(name)));
    const std::vector<std::string> programs = Subkeys(company);
    ASSERT_EQ(programs.size(), 1u);
    const std::string user = company + "\\" + programs[0] + "\\1.0";
    EXPECT_LE(user.size(), 255u);
    EXPECT_TRUE(RegKeyExists(user));
    EXPECT_TRUE(tt::RunUninstaller("\"" + command + "\"").closed);
    for (const std::string& k : {UninstallKey(name), CacheKey(name), user}) EXPECT_FALSE(RegKeyExists(k)) << k;
  }
}

// The package on a disk with no room left to unpack a packed file: the box names the file,
// what it was unpacked into and the system's reason, and nothing unpacked stays beside it.
TEST(SetupInstall, PackedFileWithNoRoomToUnpackSaysWhyAndLeavesNothing) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  Package p;
  p.dir = "T:\\Package\\";
  p.exe = p.dir + "Setup.exe";
  p.target = tt::ScratchDir("install_nounpack") + "\\target";
  p.prog = "Kv nounpack " + kPid;
  ASSERT_TRUE(CreateDirectoryA(p.dir.c_str(), nullptr));
  ASSERT_TRUE(tt::CopyFileTo(tt::ProgramDir() + "SetupSmall.exe", p.exe));
  // Mode 2 looks at the unpacked file before it is copied: it is unpacked in the package.
  tt::WriteFile(p.dir + "Setup.txt", "SET_PROG_NAME(" + p.prog + ");\r\nSET_TARGET_DIR(" + p.target +
                                         ");\r\nSET_SILENT_SETUP;\r\nSET_GROUP_DATA(|Main|x|1|8192||||1|);\r\n"
                                         "SET_SUB_DIR(<InstallDir>);\r\nSET_OVERWRITE_FLAG(2);\r\nSET_COPY_FILES(big.bin);\r\n");
  // Half of it does not pack: the packed file is large enough to report its progress.
  std::string big(6 << 20, 'z');
  unsigned seed = 7;
  for (size_t i = 0; i < (3u << 20); ++i) big[i] = char((seed = seed * 1103515245 + 12345) >> 16);
  tt::WriteFile(p.dir + "big.bin._z", Pack(big));
  ASSERT_GT(disk.FreeBytes(), 256u << 10);
  ASSERT_TRUE(tt::WriteFile("T:\\filler", std::string(disk.FreeBytes() - (128 << 10), 'f')));
  const RunResult r = RunToEnd(p);
  EXPECT_EQ(r.exitCode, 1);
  ASSERT_EQ(r.boxes.size(), 1u);
  const std::string& text = r.boxes[0].text;
  EXPECT_EQ(text.find(p.dir + "big.bin._z"), 0u) << text;
  const size_t into = text.find(p.dir + "big.bin", 1);
  EXPECT_NE(into, std::string::npos) << text;
  const size_t reason = text.find(DiskFullText());
  EXPECT_TRUE(reason != std::string::npos && reason > into) << text;
  EXPECT_FALSE(Exists(p.dir + "big.bin"));
  EXPECT_TRUE(Exists(p.dir + "big.bin._z"));
  EXPECT_FALSE(Exists(p.target + "\\big.bin"));
  CleanRegistry(p);
}

// Long program names that share their first characters: each keeps an entry, a cache key
// and a program key of its own, so that removing one leaves the others' as they were. A
// name that fits keeps its whole name as its key.
TEST(SetupInstall, LongNamesSharingTheirStartKeepKeysOfTheirOwn) {
  const std::string start = "Kv shared " + kPid + " " + std::string(240, 'n');
  const std::string company = "HKEY_LOCAL_MACHINE\\Software\\Kelvane Tests";
  DeleteRegKey(company);
  // What a run that failed left.
  for (const std::string& parent : {UninstallKey(""), CacheKey("")})
    for (const std::string& name : Subkeys(parent.substr(0, parent.size() - 1)))
      if (name.compare(0, 10, "Kv shared ") == 0) DeleteRegKey(parent + name);
  std::vector<Package> packages;
  for (const std::string& prog : {start + "A", start + "B", start.substr(0, 255 - CacheKey("").size())}) {
    Package p = MakePackage("shared" + std::to_string(packages.size()), RegisteringScript(prog), {{"a.txt", "a"}});
    p.prog = prog;
    const RunResult r = RunToEnd(p);
    EXPECT_TRUE(r.boxes.empty()) << r.boxes[0].text;
    EXPECT_LE(UninstallKey(FindUninstallKey(prog)).size(), 255u);
    packages.push_back(p);
  }
  EXPECT_EQ(FindUninstallKey(packages[2].prog), packages[2].prog);
  // One goes at a time; the others keep theirs.
  for (size_t gone = 0; gone < packages.size(); ++gone) {
    EXPECT_EQ(Subkeys(company).size(), packages.size() - gone);
    for (size_t i = gone; i < packages.size(); ++i) {
      const std::string name = FindUninstallKey(packages[i].prog);
      EXPECT_EQ(ReadRegValue(UninstallKey(name), "UnInstallString", ""), packages[i].target + "\\UnInstall.exe") << i;
      EXPECT_TRUE(RegKeyExists(CacheKey(name))) << i;
    }
    EXPECT_TRUE(tt::RunUninstaller("\"" + packages[gone].target + "\\UnInstall.exe\"").closed) << gone;
    EXPECT_EQ(FindUninstallKey(packages[gone].prog), "") << gone;
  }
  EXPECT_FALSE(RegKeyExists(company));
  for (const Package& p : packages) CleanRegistry(p);
}
