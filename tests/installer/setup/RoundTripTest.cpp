// Install then uninstall: a silent install of a package with every kind of record, removed
// through its UnInstallString as a person would; the C: drive and the registry must end as
// they began.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Common.h"
#include "Files.h"
#include "RegOp.h"
#include "PackTestUtil.h"
#include "SetupTestUtil.h"
#include "TestTool.h"
#include "UtilPlus.h"
#include "Utils.h"

namespace {

const std::string kPid = std::to_string(GetCurrentProcessId());
const char* const kSystemEnvironment = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char* const kSharedDlls = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

using setuptest::State;

// What the machine holds that an install could touch. Temporary folders are left out:
// both programs keep their working copies there.
State Snapshot() {
  State s;
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  std::string t = UpperCase(temp);
  if (!t.empty() && t.back() != '\\') t += '\\';
  setuptest::SnapFiles("C:\\", s, false, {t, "C:\\WINDOWS\\TEMP\\"});
  setuptest::SnapKey(HKEY_LOCAL_MACHINE, "HKLM", "Software", s);
  setuptest::SnapKey(HKEY_CURRENT_USER, "HKCU", "Software", s);
  // Wine keeps its own passing state there.
  setuptest::EraseBelow(s, "HKCU\\Software\\Wine\\");
  setuptest::SnapKey(HKEY_CURRENT_USER, "HKCU", "Environment", s);
  setuptest::SnapKey(HKEY_LOCAL_MACHINE, "HKLM", kSystemEnvironment, s);
  return s;
}

// Entries of a that b lacks or holds otherwise.
std::vector<std::string> Missing(const State& a, const State& b) {
  std::vector<std::string> out;
  for (const auto& e : a) {
    const auto other = b.find(e.first);
    if (other != b.end() && other->second == e.second) continue;
    out.push_back(e.first);
  }
  return out;
}

struct SetupRun {  // what a setup run showed
  std::vector<std::string> boxes;  // texts of the boxes answered
  int exitCode = -2;
};

// Runs a silent setup to its end; any box is answered with OK and its text kept.
SetupRun RunSilentSetup(const std::string& exe) {
  SetupRun r;
  tt::Process p = tt::Start("\"" + exe + "\"");
  if (!p.ok()) return r;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 60000 && WaitForSingleObject(p.handle, 0) != WAIT_OBJECT_0) {
    for (HWND box : tt::FindWindows("KMsgBox", p.pid)) {
      r.boxes.push_back(tt::RichText(box));
      tt::ClickButton(box, "OK");
      tt::WaitWindowGone(box, 5000);
    }
    Sleep(30);
  }
  r.exitCode = tt::WaitExit(p, 5000);
  return r;
}

std::string Lines(const std::vector<std::string>& list) {
  std::string text;
  for (const auto& e : list) text += e + "\n";
  return text;
}

// One round trip: `prepare` lays the package out beside the setup program before each
// install (an install consumes its sources); `installed` looks at the machine before the
// uninstaller runs. A folder named `gone` is awaited: the uninstaller's batch removes it.
struct Trip {
  std::vector<SetupRun> setups;
  tt::UninstallRun uninstall;
  std::string added, residue, lost, command;
};

Trip RoundTrip(const std::string& exe, const std::string& progName, int installs, const std::function<void()>& prepare,
               const std::function<void()>& installed, const std::string& gone = std::string()) {
  Trip t;
  // As on a fresh machine: without the keys an install makes when they are missing.
  for (const char* key : {"App Management", "SharedDLLs"})
    DeleteRegKey(std::string("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\") + key);
  const State before = Snapshot();
  for (int i = 0; i < installs; ++i) {
    prepare();
    t.setups.push_back(RunSilentSetup(exe));
  }
  t.added = Lines(Missing(Snapshot(), before));
  if (installed) installed();
  t.command = ReadRegValue("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\UnInstall\\" + progName,
                           "UnInstallString", "");
  if (!t.command.empty()) {
    t.uninstall = tt::RunUninstaller("\"" + t.command + "\"");
    tt::GoneWithin(t.command, 15000);  // deleted after the uninstaller ended
    if (!gone.empty()) tt::GoneWithin(gone, 15000);
  }
  const State after = Snapshot();
  t.residue = Lines(Missing(after, before));
  t.lost = Lines(Missing(before, after));
  return t;
}

// The setups ended well without a box, and the uninstaller asked its question, said
// nothing more, was closed and deleted itself.
void ExpectCleanRuns(const Trip& t) {
  for (const auto& s : t.setups) {
    EXPECT_EQ(s.exitCode, 0);
    EXPECT_EQ(Lines(s.boxes), "");
  }
  ASSERT_FALSE(t.command.empty());
  EXPECT_TRUE(t.uninstall.closed);
  EXPECT_EQ(t.uninstall.exitCode, 0);
  EXPECT_EQ(t.uninstall.boxes.size(), 1u) << Lines(t.uninstall.boxes);
  EXPECT_FALSE(FileExists(t.command)) << t.command;
}

void ExpectAdded(const Trip& t, const std::vector<std::string>& parts) {
  for (const std::string& part : parts)
    EXPECT_NE(UpperCase(t.added).find(UpperCase(part)), std::string::npos) << part << "\n" << t.added;
}

// Every kind of record the install engine writes.
const char kScript[] =
    "SET_PROG_NAME(%N);\r\n"
    "SET_PROG_VERSION(3.1);\r\n"
    "SET_COMPANY_NAME(Kelvane Round Trip %P);\r\n"
    "SET_TARGET_DIR(%T);\r\n"
    "SET_PROG_EXE_NAME(<InstallDir>app%P.exe);\r\n"
    "SET_REGISTER_AS_APPLICATION;\r\n"
    "SET_START_PROGRAM_LINK_FOLDER(%N);\r\n"
    "SET_START_PROGRAM_LINK_NAME(%N);\r\n"
    "SET_START_PROGRAM_LINK_ITEM(Read Me|<InstallDir>a.txt|);\r\n"
    "SET_DESKTOP_LINK_NAME(%N);\r\n"
    "SET_AUTO_UPDATE_EXE_FILE_NAME(upd.exe);\r\n"
    "SET_RUN_AUTO_UPDATE_AT_STARTUP;\r\n"
    "SET_CREATE_UNINSTALL;\r\n"
    "SET_CREATE_SETUP_LOG;\r\n"
    "SET_SILENT_SETUP;\r\n"
    "SET_DIALOGS(WelcomeDlg,CopyFilesDlg,CompleteDlg);\r\n"
    "SET_PERFORM_REGISTRY_OP(HKEY_CURRENT_USER\\Software\\KvRoundTrip%P|Where|<InstallDir>|Create|Remove Key|String);\r\n"
    "SET_PERFORM_REGISTRY_OP(HKEY_LOCAL_MACHINE\\Software\\KvRoundTrip%P\\Deep|Count|7|Create|Remove Key|Integer);\r\n"
    "SET_PERFORM_INIFILE_OP(<InstallDir>settings.ini|Main|Where|<InstallDir>|Create|Remove);\r\n"
    "SET_PERFORM_INIFILE_OP(<InstallDir>Cache\\cache.ini|Cache|Size|10|Create|Remove);\r\n"
    "SET_PERFORM_INIFILE_OP(%I|Main|Added|2|Create|Remove);\r\n"
    "SET_PERFORM_INIFILE_OP(%I|Round Trip|Key|3|Create|Remove);\r\n"
    "SET_PERFORM_ENVIRONMENT_OP(KV_RT_%P|%WINDIR%\\kv|Create|Remove|User);\r\n"
    "SET_PERFORM_ENVIRONMENT_OP(KV_RT_SYS_%P|on|Create|Remove|System);\r\n"
    "SET_ADD_ASSOCIATION_ITEM(KvRoundTrip%P.Note|Round trip note|kvrt%P||<InstallDir>app%P.exe|||Create|Remove);\r\n"
    "SET_GROUP_DATA(|Main|Everything|6|6||||1|);\r\n"
    "SET_SUB_DIR(<InstallDir>);\r\n"
    "SET_COPY_FILES(app%P.exe|a.txt|3*lib.dll|big.txt|2*server.dll);\r\n"
    "SET_SUB_DIR(*2<InstallDir>Data\\Deeper);\r\n"
    "SET_COPY_FILES(256*ro.txt|b.txt);\r\n"
    "SET_SUB_DIR(*1<InstallDir>Cache);\r\n"
    "SET_COPY_FILES(c.txt);\r\n";

const char kServerClass[] = "HKEY_CLASSES_ROOT\\CLSID\\{6F1C2A4E-5B7D-4C3E-9A21-0D4E8B7F3C51}";
const char kServerProgId[] = "HKEY_CLASSES_ROOT\\KvRoundTrip.Server";
// An INI file of the machine that the package adds to; it ends as it began.
const char kIniBefore[] = "[Main]\r\nKeep=1\r\n";

struct FullPackage {
  std::string exe, dir, target, prog, ini, mark, big;
  FullPackage() {
    exe = setuptest::SetupCopy("roundtrip", nullptr);
    dir = exe.substr(0, exe.find_last_of('\\') + 1);
    target = dir + "target";
    prog = "Kv Round Trip " + kPid;
    ini = "C:\\KvRoundTrip" + kPid + ".ini";
    mark = dir + "updater.txt";
    for (int i = 0; i < 100000; ++i) big += char('a' + i % 11);
    tt::CopyFileTo(tt::ProgramDir() + "UnInstall.exe", dir + "UnInstall.exe");
    tt::WriteFile(dir + "Setup.txt", ReplaceAll(ReplaceAll(ReplaceAll(ReplaceAll(kScript, "%T", target), "%N", prog),
                                                          "%P", kPid), "%I", ini));
    tt::WriteFile(ini, kIniBefore);
    // What an earlier, broken-off run of this test may have left: a count that would keep
    // the shared file, the server's class.
    DeleteRegValueText(kSharedDlls, target + "\\lib.dll");
    DeleteRegKey(kServerClass);
    DeleteRegKey(kServerProgId);
    SetEnvironmentVariableA("KV_RT_MARK", mark.c_str());
  }
  ~FullPackage() {
    SetEnvironmentVariableA("KV_RT_MARK", nullptr);
    DeleteFileA(ini.c_str());
    DeleteTree(target, true);
  }
  void Lay() const {
    const std::vector<std::pair<std::string, std::string>> files = {
        {"app" + kPid + ".exe", "MZ program"}, {"a.txt", "alpha"}, {"lib.dll", "library"}, {"big.txt._z", packtest::Pack(big)},
        {"ro.txt", "ro"},          {"b.txt", "beta"},   {"c.txt", "cache"}};
    for (const auto& f : files) tt::WriteFile(dir + f.first, f.second);
    tt::CopyFileTo(tt::ProgramDir() + "kv_rtserver.dll", dir + "server.dll");
    tt::CopyFileTo(tt::ProgramDir() + "RoundTripUpdater.exe", dir + "upd.exe");
  }
  // The kept sub folder keeps what was installed into it, read-only file and all, and
  // with it the folders above it; nothing else of the target folder stays.
  std::string Left() const {
    State files;
    setuptest::SnapFiles(target + "\\", files, false);
    std::string left;
    for (const auto& e : files) left += e.first.substr(target.size() + 1) + "\n";
    return left;
  }
};

const char kKeptFolder[] = "Data\\\nData\\Deeper\\\nData\\Deeper\\b.txt\nData\\Deeper\\ro.txt\n";

}  // namespace

TEST(RoundTrip, EveryKindOfRecordLeavesTheMachineAsItWas) {
  const FullPackage p;
  const Trip t = RoundTrip(p.exe, p.prog, 1, [&] { p.Lay(); }, [&] {
    // The install reached every place the uninstaller must clean, and worked there.
    std::string text;
    tt::ReadFile(p.target + "\\big.txt", text);
    EXPECT_TRUE(text == p.big) << text.size();
    EXPECT_TRUE(GetFileAttributesA((p.target + "\\Data\\Deeper\\ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ReadRegValue(kServerClass + std::string("\\InprocServer32"), "", ""), p.target + "\\server.dll");
    EXPECT_EQ(ReadRegValue("HKEY_CLASSES_ROOT\\.kvrt" + kPid, "", ""), "KvRoundTrip" + kPid + ".Note");
    EXPECT_EQ(ReadRegValue("HKEY_CLASSES_ROOT\\KvRoundTrip" + kPid + ".Note\\shell\\open\\command", "", ""),
              "\"" + p.target + "\\app" + kPid + ".exe\" \"%1\"");
    EXPECT_EQ(ReadIniValue(p.target + "\\settings.ini", "Main", "Where", ""), p.target + "\\");
    EXPECT_EQ(ReadIniValue(p.ini, "Round Trip", "Key", ""), "3");
    // Removed with its forced folder before the INI step of the uninstaller comes to it.
    EXPECT_EQ(ReadIniValue(p.target + "\\Cache\\cache.ini", "Cache", "Size", ""), "10");
    char windir[MAX_PATH] = "";
    GetWindowsDirectoryA(windir, MAX_PATH);
    EXPECT_EQ(ReadRegValue("HKEY_CURRENT_USER\\Environment", "KV_RT_" + kPid, ""), std::string(windir) + "\\kv");
    std::string started;
    tt::ReadFile(p.mark, started);
    EXPECT_EQ(Trim(started), "/DELAY=120");  // the auto-update program ran after the install
  });
  ExpectCleanRuns(t);
  ExpectAdded(t, {"HKCU\\Software\\KvRoundTrip" + kPid + "\\", "HKLM\\Software\\KvRoundTrip" + kPid + "\\Deep\\",
                  "\\Kelvane Round Trip " + kPid + "\\", "\\UnInstall\\" + p.prog + "\\", "\\" + p.prog + ".lnk",
                  "Read Me.lnk", p.prog + " - Auto Update.lnk", "\\.kvrt" + kPid + "\\",
                  "\\{6F1C2A4E-5B7D-4C3E-9A21-0D4E8B7F3C51}\\InprocServer32\\", "\\Environment\\:KV_RT_" + kPid,
                  "\\Environment\\:KV_RT_SYS_" + kPid, "KvRoundTrip" + kPid + ".ini"});
  EXPECT_EQ(t.residue, "");
  EXPECT_EQ(t.lost, "");
  std::string ini;
  tt::ReadFile(p.ini, ini);
  EXPECT_EQ(ini, kIniBefore);
  EXPECT_EQ(p.Left(), kKeptFolder);
}

// Installed twice into one folder and uninstalled once: the second install adds to the
// first one's script, and its shared file is counted for one install only.
TEST(RoundTrip, ReinstallOverAnEarlierInstallLeavesNothing) {
  const FullPackage p;
  const Trip t = RoundTrip(p.exe, p.prog, 2, [&] { p.Lay(); }, [&] {
    bool isInteger = false;
    EXPECT_EQ(ReadRegValueTyped(kSharedDlls, p.target + "\\lib.dll", isInteger), "1");
    std::string script;
    tt::ReadFile(p.target + "\\UnInstall.txt", script);
    size_t lines = 0;
    for (size_t at = 0; (at = script.find("REMOVE_SHARED_FILE(", at)) != std::string::npos; ++at) ++lines;
    EXPECT_EQ(lines, 1u);
  });
  ExpectCleanRuns(t);
  EXPECT_EQ(t.residue, "");
  EXPECT_EQ(t.lost, "");
  EXPECT_EQ(p.Left(), kKeptFolder);
}

// Folders the install made above its target and its sub folders go with the uninstall;
// one that was there before stays.
TEST(RoundTrip, CreatedParentFoldersGoAndEarlierOnesStay) {
  const std::string top = "C:\\KvApps" + kPid, target = top + "\\Acme Notes";
  for (bool topExisted : {false, true}) {
    SCOPED_TRACE(topExisted);
    const std::string exe = setuptest::SetupCopy("roundtrip_parents", nullptr);
    const std::string dir = exe.substr(0, exe.find_last_of('\\') + 1);
    const std::string prog = "Kv Round Trip Parents " + kPid;
    tt::CopyFileTo(tt::ProgramDir() + "UnInstall.exe", dir + "UnInstall.exe");
    tt::WriteFile(dir + "Setup.txt", "SET_PROG_NAME(" + prog + ");\r\nSET_TARGET_DIR(" + target +
                                         ");\r\nSET_CREATE_UNINSTALL;\r\nSET_SILENT_SETUP;\r\n"
                                         "SET_GROUP_DATA(|Main|x|1|2||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
                                         "SET_COPY_FILES(a.txt);\r\nSET_SUB_DIR(<InstallDir>Docs\\Deep);\r\n"
                                         "SET_COPY_FILES(b.txt);\r\n");
    if (topExisted) CreateDirectoryA(top.c_str(), nullptr);
    const Trip t = RoundTrip(
        exe, prog, 1,
        [&] {
          tt::WriteFile(dir + "a.txt", "a");
          tt::WriteFile(dir + "b.txt", "b");
        },
        [&] { EXPECT_TRUE(FileExists(target + "\\Docs\\Deep\\b.txt")); }, topExisted ? target : top);
    ExpectCleanRuns(t);
    EXPECT_EQ(t.residue, "");
    EXPECT_EQ(t.lost, "");
    EXPECT_EQ(DirectoryExists(top), topExisted);
    DeleteTree(top, true);
  }
}

// The demo package, silently.
TEST(RoundTrip, DemoPackageLeavesTheMachineAsItWas) {
  const std::string exe = setuptest::SetupCopy("roundtrip_demo", nullptr);
  const std::string dir = exe.substr(0, exe.find_last_of('\\') + 1);
  const std::string demo = tt::ProgramDir() + "demo-package\\";
  std::string script;
  ASSERT_TRUE(tt::ReadFile(demo + "Setup.txt", script));
  tt::WriteFile(dir + "Setup.txt", script + "\r\nSET_SILENT_SETUP;\r\n");
  tt::CopyFileTo(tt::ProgramDir() + "UnInstall.exe", dir + "UnInstall.exe");
  for (const char* file : {"License.txt", "Readme.txt", "Classic_Setup.bmp", "Samples\\Sample.txt"}) {
    ForceDirectories(ExtractFileDir(dir + file));
    tt::CopyFileTo(demo + file, dir + file);
  }
  const std::string target = "C:\\Program Files\\Demo Notes";
  // A demo that the main job installed into this prefix is removed first, as its user would.
  const std::string earlier = ReadRegValue(
      "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\UnInstall\\Demo Notes", "UnInstallString", "");
  if (!earlier.empty() && FileExists(earlier)) {
    tt::RunUninstaller("\"" + earlier + "\"");
    tt::GoneWithin(earlier, 15000);
  }
  ASSERT_FALSE(DirectoryExists(target)) << "the demo is installed already";
  const Trip t = RoundTrip(exe, "Demo Notes", 1, [] {}, [&] {
    EXPECT_TRUE(FileExists(target + "\\Samples\\Sample.txt"));
    EXPECT_TRUE(FileExists(target + "\\Readme.txt"));
  }, target);
  ExpectCleanRuns(t);
  ExpectAdded(t, {"C:\\Program Files\\Demo Notes\\Readme.txt", "\\UnInstall\\Demo Notes\\", "Demo Notes.lnk"});
  EXPECT_EQ(t.residue, "");
  EXPECT_EQ(t.lost, "");
}
