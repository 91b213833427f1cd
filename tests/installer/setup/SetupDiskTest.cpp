// Setup.exe on a really full disk: the small disks of the test prefix (S: 3 MB, T: 10 MB),
// filled by the packages themselves.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
                    const std::vector<std::pair<std::string, std::string>>& files) {
  Package p;
  p.exe = setuptest::SetupCopy("disk_" + name, nullptr);
  p.dir = p.exe.substr(0, p.exe.find_last_of('\\') + 1);
  p.prog = "Kv disk " + name + " " + kPid;
  tt::CopyFileTo(tt::ProgramDir() + "UnInstall.exe", p.dir + "UnInstall.exe");
  tt::WriteFile(p.dir + "Setup.txt", ReplaceAll(script, "%N", p.prog));
  for (const auto& f : files) tt::WriteFile(p.dir + f.first, f.second);
  return p;
}

void CleanRegistry(const Package& p) {
  DeleteRegKey(UninstallKey(p.prog));
  DeleteRegKey(CacheKey(p.prog));
  DeleteRegKey(kCompanyKey);
  setuptest::RemoveEmptyProgramsCacheKeys();
}

std::string Read(const std::string& path) {
  std::string s;
  return tt::ReadFile(path, s) ? s : "<missing>";
}

unsigned long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d)) return 0;
  return (unsigned long long)d.nFileSizeHigh << 32 | d.nFileSizeLow;
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
