// Setup.exe's records where the machine cannot hold them: a really full disk (the small
// disks of the test prefix, S: 3 MB and T: 10 MB, filled by the packages themselves) and a
// program name longer than a registry key.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common.h"
#include "Links.h"
#include "RegOp.h"
#include "SetupTestUtil.h"
#include "TestTool.h"
#include "Utils.h"

using setuptest::Box;
using setuptest::SmallDisk;

namespace {

const std::string kPid = std::to_string(GetCurrentProcessId());
const unsigned long long kMB = 1024 * 1024;

std::string UninstallKey(const std::string& prog) {
  return "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\UnInstall\\" + prog;
}
std::string CacheKey(const std::string& prog) {
  return "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache\\" + prog;
}
const char kCompanyKey[] = "HKEY_LOCAL_MACHINE\\Software\\Kelvane Disk Tests";

// A setup folder with Setup.exe, UnInstall.exe, Setup.txt and the files; "%N" in the script
// is the program name.
struct Package {
  std::string dir, exe, prog;
};
Package MakePackage(const std::string& name, const std::string& script,
                    const std::vector<std::pair<std::string, std::string>>& files, const std::string& prog = "") {
  Package p;
  p.exe = setuptest::SetupCopy("disk_" + name, nullptr);
  p.dir = p.exe.substr(0, p.exe.find_last_of('\\') + 1);
  p.prog = prog.empty() ? "Kv disk " + name + " " + kPid : prog;
  tt::CopyFileTo(tt::ProgramDir() + "UnInstall.exe", p.dir + "UnInstall.exe");
  tt::WriteFile(p.dir + "Setup.txt", ReplaceAll(script, "%N", p.prog));
  for (const auto& f : files) tt::WriteFile(p.dir + f.first, f.second);
  return p;
}

const std::string kOpKey = "HKEY_CURRENT_USER\\Software\\KvDiskTest" + kPid;
const std::string kAppPath = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\kvdisk" + kPid + ".exe";
const char kShared[] = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

void CleanRegistry(const Package& p) {
  DeleteRegKey(UninstallKey(p.prog));
  DeleteRegKey(CacheKey(p.prog));
  DeleteRegKey(kCompanyKey);
  DeleteRegKey(kOpKey);
  DeleteRegKey(kAppPath);
  DeleteRegValue(kShared, "T:\\Big\\lib.dll");
  tt::DeleteTree(GetShellFolder(2, false) + "\\" + p.prog);
  setuptest::RemoveEmptyProgramsCacheKeys();
}

std::string Read(const std::string& path) {
  std::string s;
  return tt::ReadFile(path, s) ? s : "<missing>";
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

unsigned long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return 0;
  return (unsigned long long)d.nFileSizeHigh << 32 | d.nFileSizeLow;
}

// The files of a list that fills the 10 MB disk: one large file that leaves no room once
// the uninstaller and `pages` small files (a page of the disk each: the script, the log and
// those of the list) are there, then `empty` empty files with 90-character names, which
// take no room but lines of the script.
std::string FillingList(std::vector<std::pair<std::string, std::string>>& files, int pages, int empty) {
  const unsigned long long page = 4096;
  const unsigned long long uninstaller = (FileSize(tt::ProgramDir() + "UnInstall.exe") + page - 1) / page * page;
  files.push_back({"big.bin", std::string(size_t(10 * kMB - uninstaller - pages * page), 'b')});
  std::string list = "big.bin";
  for (int i = 0; i < empty; ++i) {
    const std::string name = std::string(84, 'e') + (i < 10 ? "0" : "") + std::to_string(i) + ".dat";
    files.push_back({name, ""});
    list += "|" + name;
  }
  return list;
}

std::string DiskFullText() {
  char text[256] = "";
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_DISK_FULL, 0, text,
                 sizeof text, nullptr);
  return Trim(text);
}

// Everything on the disk, one path a line.
std::string Listing(const std::string& folder) {
  std::string out;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    const std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    out += folder + name + "\n";
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) out += Listing(folder + name + "\\");
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return out;
}

// Runs a setup to its end: its Next button pressed once when it shows a wizard (null: a
// silent one), every engine box read and answered with OK.
struct RunResult {
  std::vector<Box> boxes;
  int exitCode = -1;
};
RunResult RunToEnd(const Package& p, bool pressNext) {
  RunResult r;
  tt::Process proc = tt::Start("\"" + p.exe + "\"");
  if (!proc.ok()) return r;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 120000 && WaitForSingleObject(proc.handle, 0) != WAIT_OBJECT_0) {
    for (HWND box : tt::FindWindows("KMsgBox", proc.pid)) {
      Box b;
      b.caption = tt::WindowText(box);
      b.text = tt::RichText(box);
      r.boxes.push_back(b);
      tt::ClickButton(box, "OK");
      tt::WaitWindowGone(box, 5000);
    }
    for (HWND wizard : tt::FindWindows(".SDialog_Class_Name.", proc.pid)) {
      HWND next = tt::FindChild(wizard, "Button", "&Next >");
      if (pressNext && next && IsWindowEnabled(next) && tt::ClickButton(wizard, "&Next >")) pressNext = false;
    }
    Sleep(30);
  }
  r.exitCode = tt::WaitExit(proc, 5000);
  return r;
}

}  // namespace

// The uninstaller does not fit: the box names it and the system's reason, and the run takes
// back all it wrote, the interactive and the silent one alike.
TEST(SetupDisk, UninstallerThatDoesNotFitLeavesNothing) {
  SmallDisk disk('S', 3 * kMB);
  KV_NEED_DISK(disk);
  ASSERT_GT(FileSize(tt::ProgramDir() + "UnInstall.exe"), 3 * kMB);
  const std::string mb(kMB, 'm');
  for (bool silent : {false, true}) {
    const Package p = MakePackage(
        silent ? "nouninst_silent" : "nouninst",
        std::string("SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(S:\\Big);\r\nSET_CREATE_UNINSTALL;\r\nSET_CREATE_SETUP_LOG;\r\n") +
            (silent ? "SET_SILENT_SETUP;\r\n" : "SET_SHOW_PROG_BAR_2;\r\n") +
            "SET_DIALOGS(WelcomeDlg,CopyFilesDlg,CompleteDlg);\r\nSET_GROUP_DATA(|Main|x|1|5120||||1|);\r\n"
            "SET_SUB_DIR(<InstallDir>);\r\nSET_COPY_FILES(f1.dat|f2.dat|f3.dat|f4.dat|f5.dat);\r\n",
        {{"f1.dat", mb}, {"f2.dat", mb}, {"f3.dat", mb}, {"f4.dat", mb}, {"f5.dat", mb}});
    CleanRegistry(p);
    const RunResult r = RunToEnd(p, !silent);
    const std::vector<Box>& boxes = r.boxes;
    EXPECT_EQ(r.exitCode, 0) << silent;
    ASSERT_EQ(boxes.size(), 1u) << silent;
    EXPECT_NE(boxes[0].text.find("S:\\Big\\UnInstall.exe"), std::string::npos) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find(DiskFullText()), std::string::npos) << boxes[0].text;
    EXPECT_EQ(Listing(disk.root), "") << silent;
    EXPECT_EQ(disk.FreeBytes(), 3 * kMB) << silent;
    EXPECT_FALSE(RegKeyExists(UninstallKey(p.prog)));
    EXPECT_FALSE(RegKeyExists(CacheKey(p.prog)));
    // Nothing was copied: the package is whole for another try.
    EXPECT_EQ(Read(p.dir + "f1.dat"), mb);
    CleanRegistry(p);
    disk.Empty();
  }
}

// The uninstall script cannot grow: on a disk filled during the copy, and by the setup
// script's own last lines after it. The run stops with the disk-full box and takes back all
// it did: files, uninstaller, folders, registry keys, the shared count, the shortcut and the
// registry operation it performed; not what it did not do, nor what the lines only name.
TEST(SetupDisk, ScriptThatCannotGrowStopsTheRunAndTakesItBack) {
  SmallDisk disk('T', 10 * kMB);
  KV_NEED_DISK(disk);
  for (bool afterCopy : {false, true}) {
    std::vector<std::pair<std::string, std::string>> files = {{"kvdisk" + kPid + ".exe", "MZ"}, {"lib.dll", "L"}};
    const std::string list = FillingList(files, 4, afterCopy ? 0 : 60);
    const Package p = MakePackage(
        afterCopy ? "cut_after" : "cut_during",
        "SET_PROG_NAME(%N);\r\nSET_PROG_VERSION(1.0);\r\nSET_COMPANY_NAME(Kelvane Disk Tests);\r\n"
        "SET_TARGET_DIR(T:\\Big);\r\nSET_PROG_EXE_NAME(<InstallDir>kvdisk" + kPid + ".exe);\r\n"
        "SET_REGISTER_AS_APPLICATION;\r\nSET_START_PROGRAM_LINK_FOLDER(%N);\r\nSET_START_PROGRAM_LINK_NAME(%N);\r\n"
        "SET_CREATE_UNINSTALL;\r\nSET_CREATE_SETUP_LOG;\r\nSET_SILENT_SETUP;\r\n"
        "SET_PERFORM_REGISTRY_OP(" + kOpKey + "|Where|<InstallDir>|Create|Remove Key|String);\r\n"
        "SET_REMOVE_ABSOLUTE_FILE(T:\\keep.txt);\r\nSET_REMOVE_REG_KEY(" + kOpKey + "\\" + std::string(5000, 'k') + ");\r\n"
        "SET_GROUP_DATA(|Main|x|1|10240||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\n"
        "SET_COPY_FILES(kvdisk" + kPid + ".exe|*lib.dll|" + list + ");\r\n",
        files);
    CleanRegistry(p);
    WriteRegValueSimple(kOpKey, "Mine", "1", true);
    tt::WriteFile("T:\\keep.txt", "");
    const RunResult r = RunToEnd(p, false);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.boxes.size(), 1u) << afterCopy;
    EXPECT_NE(r.boxes[0].text.find("T:\\Big\\UnInstall.txt"), std::string::npos) << r.boxes[0].text;
    EXPECT_NE(r.boxes[0].text.find(DiskFullText()), std::string::npos) << r.boxes[0].text;
    EXPECT_FALSE(Exists(p.dir + "big.bin"));  // copied (and consumed) before the stop
    EXPECT_EQ(Listing(disk.root), "T:\\keep.txt\n") << afterCopy;
    for (const std::string& key : {UninstallKey(p.prog), CacheKey(p.prog), kCompanyKey + ("\\" + p.prog), kAppPath})
      EXPECT_FALSE(RegKeyExists(key)) << key;
    EXPECT_FALSE(RegValueExists(kShared, "T:\\Big\\lib.dll"));
    // Performed after the copy only: taken back then, left as it was before.
    EXPECT_EQ(RegKeyExists(kOpKey), !afterCopy);
    EXPECT_FALSE(RegValueExists(kOpKey, "Where"));
    EXPECT_FALSE(Exists(GetShellFolder(2, false) + "\\" + p.prog));
    CleanRegistry(p);
    disk.Empty();
  }
}

// An earlier installation in the folder: the run taken back leaves it as it was, and its
// uninstaller removes it.
TEST(SetupDisk, ScriptThatCannotGrowLeavesAnEarlierInstallationAsItWas) {
  SmallDisk disk('T', 10 * kMB);
  KV_NEED_DISK(disk);
  const std::string head = "SET_PROG_NAME(%N);\r\nSET_TARGET_DIR(T:\\App);\r\nSET_CREATE_UNINSTALL;\r\n"
                           "SET_CREATE_SETUP_LOG;\r\nSET_SILENT_SETUP;\r\nSET_GROUP_DATA(|Main|x|1|10240||||1|);\r\n"
                           "SET_SUB_DIR(<InstallDir>);\r\n";
  const Package first = MakePackage("earlier", head + "SET_COPY_FILES(a.txt);\r\n", {{"a.txt", "alpha"}});
  CleanRegistry(first);
  ASSERT_TRUE(RunToEnd(first, false).boxes.empty());
  const std::string script = Read("T:\\App\\UnInstall.txt"), log = Read("T:\\App\\Setup.log");
  std::vector<std::pair<std::string, std::string>> files;
  const std::string list = FillingList(files, 3, 60);
  const Package second = MakePackage("again", head + "SET_COPY_FILES(" + list + ");\r\n", files, first.prog);
  const RunResult r = RunToEnd(second, false);
  ASSERT_EQ(r.boxes.size(), 1u);
  EXPECT_NE(r.boxes[0].text.find(DiskFullText()), std::string::npos) << r.boxes[0].text;
  EXPECT_EQ(Read("T:\\App\\UnInstall.txt"), script);
  EXPECT_EQ(Read("T:\\App\\Setup.log"), log);
  EXPECT_EQ(Listing(disk.root), "T:\\App\nT:\\App\\a.txt\nT:\\App\\Setup.log\nT:\\App\\UnInstall.exe\nT:\\App\\UnInstall.txt\n");
  const std::string command = ReadRegValue(UninstallKey(first.prog), "UnInstallString", "");
  ASSERT_EQ(command, "T:\\App\\UnInstall.exe");
  EXPECT_TRUE(tt::RunUninstaller("\"" + command + "\"").closed);
  EXPECT_FALSE(Exists("T:\\App\\a.txt"));
  EXPECT_FALSE(RegKeyExists(UninstallKey(first.prog)));
  tt::GoneWithin("T:\\App\\UnInstall.exe", 10000);
  CleanRegistry(first);
}

// A program name longer than a registry key can hold: its keys are cut to fit, the entry
// keeps the whole name, and the uninstaller removes them. An entry that the registry
// refuses stops the setup with the registry's reason, and the run is taken back.
TEST(SetupRecords, LongProgramNameGetsItsKeysAndARefusedEntryStopsTheSetup) {
  const std::string target = tt::ScratchDir("disk_names") + "\\App";
  const size_t room = 255 - CacheKey("").size();  // a key text holds 255 characters
  for (bool refused : {false, true}) {
    const std::string prog = refused ? "Kv refused " + kPid : "Kv long " + kPid + " " + std::string(102400, 'n');
    const Package p = MakePackage(refused ? "refused" : "long",
                                  "SET_PROG_NAME(%N);\r\nSET_PROG_VERSION(1.0);\r\nSET_COMPANY_NAME(Kelvane Disk Tests);\r\n"
                                  "SET_TARGET_DIR(" + target + ");\r\nSET_PROG_EXE_NAME(<InstallDir>a.txt);\r\n"
                                  "SET_CREATE_UNINSTALL;\r\nSET_SILENT_SETUP;\r\nSET_GROUP_DATA(|Main|x|1|4||||1|);\r\n"
                                  "SET_SUB_DIR(<InstallDir>);\r\nSET_COPY_FILES(a.txt);\r\n",
                                  {{"a.txt", "a"}}, prog);
    const std::string name = prog.substr(0, room);
    const std::string user = std::string(kCompanyKey) + "\\" + prog.substr(0, 255 - strlen(kCompanyKey) - 5) + "\\1.0";
    CleanRegistry(p);
    for (const std::string& k : {UninstallKey(name), CacheKey(name)}) DeleteRegKey(k);
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
    const RunResult r = RunToEnd(p, false);
    EXPECT_EQ(r.exitCode, 0);
    if (refused) {
      char reason[256] = "";
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED, 0, reason,
                     sizeof reason, nullptr);
      ASSERT_EQ(r.boxes.size(), 1u);
      EXPECT_EQ(r.boxes[0].text.find(UninstallKey(name)), 0u) << r.boxes[0].text;
      EXPECT_NE(r.boxes[0].text.find(Trim(reason)), std::string::npos) << r.boxes[0].text;
      EXPECT_FALSE(Exists(target));
      EXPECT_FALSE(RegKeyExists(CacheKey(name)));
      EXPECT_EQ(Read(p.dir + "a.txt"), "a");
      CleanRegistry(p);
      continue;
    }
    EXPECT_TRUE(r.boxes.empty());
    // The entry's display name is the whole name.
    DWORD size = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKey(name).substr(19).c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
      RegQueryValueExA(key, "DisplayName", nullptr, nullptr, nullptr, &size);
      RegCloseKey(key);
    }
    EXPECT_EQ(size, prog.size() + 1);
    const std::string command = ReadRegValue(UninstallKey(name), "UnInstallString", "");
    EXPECT_EQ(command, target + "\\UnInstall.exe");
    EXPECT_TRUE(RegKeyExists(CacheKey(name)));
    EXPECT_TRUE(RegKeyExists(user));
    EXPECT_TRUE(tt::RunUninstaller("\"" + command + "\"").closed);
    for (const std::string& k : {UninstallKey(name), CacheKey(name), user}) EXPECT_FALSE(RegKeyExists(k)) << k;
    EXPECT_FALSE(Exists(target + "\\a.txt"));
    CleanRegistry(p);
  }
}
