// Install then uninstall: a silent install of a package with every kind of record, removed
// through its UnInstallString as a person would; the C: drive and the registry must end as
// they began.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
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
const char* const kSharedDlls = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

using State = std::map<std::string, std::string>;  // entry -> its contents

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  return s;
}

// Files and folders under a folder, with sizes; the skipped folders (upper case, with
// trailing backslash) are left out.
void SnapFiles(const std::string& dir, const std::vector<std::string>& skip, State& out) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = dir + name;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      bool skipped = false;
      for (const auto& s : skip) skipped = skipped || Upper(path + "\\") == s;
      if (skipped) continue;
      out[path + "\\"] = "<dir>";
      SnapFiles(path + "\\", skip, out);
    } else {
      out[path] = std::to_string(fd.nFileSizeLow);
    }
  } while (FindNextFileA(h, &fd));
  FindClose(h);
}

// Keys and values under a key, values with type and data.
void SnapKey(HKEY root, const std::string& rootName, const std::string& sub, State& out) {
  HKEY key;
  if (RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  const std::string name = rootName + "\\" + sub;
  out[name + "\\"] = "<key>";
  std::vector<char> value(16384);
  std::vector<BYTE> data(65536);
  for (DWORD i = 0;; ++i) {
    DWORD valueLen = DWORD(value.size()), dataLen = DWORD(data.size()), type = 0;
    if (RegEnumValueA(key, i, value.data(), &valueLen, nullptr, &type, data.data(), &dataLen) != ERROR_SUCCESS) break;
    out[name + "\\:" + std::string(value.data(), valueLen)] =
        std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data.data()), dataLen);
  }
  std::vector<std::string> subs;
  for (DWORD i = 0;; ++i) {
    DWORD len = DWORD(value.size());
    if (RegEnumKeyExA(key, i, value.data(), &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subs.push_back(std::string(value.data(), len));
  }
  RegCloseKey(key);
  for (const auto& s : subs) SnapKey(root, rootName, sub + "\\" + s, out);
}

// What the machine holds that an install could touch. Temporary folders are left out:
// both programs keep their working copies there.
State Snapshot() {
  State s;
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  std::string t = Upper(temp);
  if (!t.empty() && t.back() != '\\') t += '\\';
  SnapFiles("C:\\", {t, "C:\\WINDOWS\\TEMP\\"}, s);
  SnapKey(HKEY_LOCAL_MACHINE, "HKLM", "Software", s);
  SnapKey(HKEY_CURRENT_USER, "HKCU", "Software", s);
  // Wine keeps its own passing state there.
  for (auto e = s.lower_bound("HKCU\\Software\\Wine\\"); e != s.end() && e->first.compare(0, 19, "HKCU\\Software\\Wine\\") == 0;)
    e = s.erase(e);
  SnapKey(HKEY_CURRENT_USER, "HKCU", "Environment", s);
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

struct Uninstalled {  // also what a setup run showed
  std::vector<std::string> boxes;  // texts of the boxes answered
  bool closed = false;             // Close was pressed at the end of the run
  int exitCode = -2;
};

// Starts the uninstaller by its command line, answers Yes to the question and presses Close.
Uninstalled RunUninstall(const std::string& commandLine) {
  Uninstalled u;
  tt::Process p = tt::Start(commandLine);
  if (!p.ok()) return u;
  std::vector<HWND> seen;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 60000) {
    if (WaitForSingleObject(p.handle, 0) == WAIT_OBJECT_0) break;
    for (HWND box : tt::FindWindows("KMsgBox", p.pid)) {
      // A box slow to go is answered again, but counts once.
      if (std::find(seen.begin(), seen.end(), box) == seen.end()) {
        seen.push_back(box);
        u.boxes.push_back(tt::RichText(box));
      }
      if (!tt::ClickButton(box, "Yes")) tt::ClickButton(box, "OK");
      tt::WaitWindowGone(box, 5000);
    }
    for (HWND form : tt::FindWindows("TMainForm", p.pid)) {
      HWND close = tt::FindChild(form, "Button", "Close");
      if (!u.closed && close && IsWindowEnabled(close) && tt::ClickButton(form, "Close")) u.closed = true;
    }
    Sleep(50);
  }
  u.exitCode = tt::WaitExit(p, 5000);
  return u;
}

// Runs a silent setup to its end; any box is answered with OK and its text kept.
Uninstalled RunSilentSetup(const std::string& exe) {
  Uninstalled r;
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

const char kScript[] =
    "SET_PROG_NAME(%N);\r\n"
    "SET_PROG_VERSION(3.1);\r\n"
    "SET_COMPANY_NAME(Kelvane Round Trip %P);\r\n"
    "SET_TARGET_DIR(%T);\r\n"
    "SET_PROG_EXE_NAME(<InstallDir>app.exe);\r\n"
    "SET_REGISTER_AS_APPLICATION;\r\n"
    "SET_START_PROGRAM_LINK_FOLDER(%N);\r\n"
    "SET_START_PROGRAM_LINK_NAME(%N);\r\n"
    "SET_START_PROGRAM_LINK_ITEM(Read Me|<InstallDir>a.txt|);\r\n"
    "SET_DESKTOP_LINK_NAME(%N);\r\n"
    "SET_CREATE_UNINSTALL;\r\n"
    "SET_CREATE_SETUP_LOG;\r\n"
    "SET_SILENT_SETUP;\r\n"
    "SET_DIALOGS(WelcomeDlg,CopyFilesDlg,CompleteDlg);\r\n"
    "SET_PERFORM_REGISTRY_OP(HKEY_CURRENT_USER\\Software\\KvRoundTrip%P|Where|<InstallDir>|Create|Remove Key|String);\r\n"
    "SET_PERFORM_REGISTRY_OP(HKEY_LOCAL_MACHINE\\Software\\KvRoundTrip%P\\Deep|Count|7|Create|Remove Key|Integer);\r\n"
    "SET_GROUP_DATA(|Main|Everything|6|6||||1|);\r\n"
    "SET_SUB_DIR(<InstallDir>);\r\n"
    "SET_COPY_FILES(app.exe|a.txt|3*lib.dll|big.txt);\r\n"
    "SET_SUB_DIR(*2<InstallDir>Data\\Deeper);\r\n"
    "SET_COPY_FILES(256*ro.txt|b.txt);\r\n";

}  // namespace

TEST(RoundTrip, InstallThenUninstallLeavesTheMachineAsItWas) {
  const std::string exe = setuptest::SetupCopy("roundtrip", nullptr);
  const std::string dir = exe.substr(0, exe.find_last_of('\\') + 1);
  const std::string target = dir + "target";
  const std::string prog = "Kv Round Trip " + kPid;
  tt::CopyFileTo(tt::ProgramDir() + "UnInstall.exe", dir + "UnInstall.exe");
  std::string script = ReplaceAll(ReplaceAll(ReplaceAll(kScript, "%T", target), "%N", prog), "%P", kPid);
  tt::WriteFile(dir + "Setup.txt", script);
  std::string big;
  for (int i = 0; i < 100000; ++i) big += char('a' + i % 11);
  const std::vector<std::pair<std::string, std::string>> files = {
      {"app.exe", "MZ program"}, {"a.txt", "alpha"},  {"lib.dll", "library"},
      {"big.txt._z", packtest::Pack(big)}, {"ro.txt", "ro"}, {"b.txt", "beta"}};
  for (const auto& f : files) tt::WriteFile(dir + f.first, f.second);

  // A count that an earlier, broken-off run of this test left would keep the shared file.
  DeleteRegValueText(kSharedDlls, target + "\\lib.dll");
  const State before = Snapshot();
  const Uninstalled installed = RunSilentSetup(exe);
  ASSERT_EQ(installed.exitCode, 0);
  ASSERT_TRUE(installed.boxes.empty()) << installed.boxes[0];

  // The install reached every place the uninstaller must clean.
  const State during = Snapshot();
  const std::vector<std::string> added = Missing(during, before);
  std::string addedText;
  for (const auto& a : added) addedText += a + "\n";
  for (const std::string& part :
       {"HKCU\\Software\\KvRoundTrip" + kPid + "\\", "HKLM\\Software\\KvRoundTrip" + kPid + "\\Deep\\",
        "\\Kelvane Round Trip " + kPid + "\\", "\\UnInstall\\" + prog + "\\",
        "\\" + prog + ".lnk", std::string("Read Me.lnk")})
    EXPECT_NE(Upper(addedText).find(Upper(part)), std::string::npos) << part << "\n" << addedText;
  std::string fileText;
  tt::ReadFile(target + "\\big.txt", fileText);
  EXPECT_TRUE(fileText == big) << fileText.size();
  EXPECT_TRUE(GetFileAttributesA((target + "\\Data\\Deeper\\ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY);

  const std::string uninstallKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\UnInstall\\" + prog;
  const std::string command = ReadRegValue(uninstallKey, "UnInstallString", "");
  ASSERT_FALSE(command.empty());
  const Uninstalled u = RunUninstall("\"" + command + "\"");
  EXPECT_TRUE(u.closed);
  EXPECT_EQ(u.exitCode, 0);
  std::string said;
  for (const auto& b : u.boxes) said += b + "\n";
  EXPECT_EQ(u.boxes.size(), 1u) << said;  // the question, and nothing after it
  EXPECT_TRUE(tt::GoneWithin(command, 15000));  // the uninstaller, deleted after it ended

  const State after = Snapshot();
  std::string residue, lost;
  for (const auto& e : Missing(after, before)) residue += e + "\n";
  for (const auto& e : Missing(before, after)) lost += e + "\n";
  EXPECT_EQ(lost, "");
  // The kept sub folder keeps what was installed into it, read-only file and all, and with
  // it the folders above it; nothing else of the target folder stays.
  State leftFiles;
  SnapFiles(target + "\\", {}, leftFiles);
  std::string left;
  for (const auto& e : leftFiles) left += e.first.substr(target.size() + 1) + "\n";
  EXPECT_EQ(left, "Data\\\nData\\Deeper\\\nData\\Deeper\\b.txt\nData\\Deeper\\ro.txt\n");
  EXPECT_EQ(residue, "");
  DeleteTree(target, true);
}
