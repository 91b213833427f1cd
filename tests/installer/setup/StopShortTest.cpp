// Setup runs that stop short on the small disk T (the disk fills at one of the run's steps,
// the package lacks a file, or the user confirms Exit during the copy), over nothing, over an
// earlier installation of the program in the same folder and over one in another folder.
// Each leaves the target drive, the package and the registry byte for byte as they were.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Common.h"
#include "ExecTestUtil.h"
#include "Files.h"
#include "PackTestUtil.h"
#include "RegOp.h"
#include "RegRestore.h"
#include "SetupTestUtil.h"
#include "TestTool.h"
#include "Utils.h"

namespace {

const std::string kPid = std::to_string(GetCurrentProcessId());
const std::string kProg = "Kv Stop " + kPid;
const std::string kCompany = "Kelvane Stop Tests " + kPid;
const std::string kExe = "kvstop" + kPid + ".exe";
const std::string kOp = "HKEY_CURRENT_USER\\Software\\KvStopTest" + kPid;
const std::string kWindows = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\";
const std::string kApp = "T:\\App", kOld = "T:\\Old";

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Read(const std::string& path) {
  std::string s;
  tt::ReadFile(path, s);
  return s;
}

// ---------------------------------------------------------------- snapshots

using setuptest::State;

// Wine's own records, which its first windows of a session add.
const char* const kWineOwn[] = {"HKCU\\Software\\Wine\\Temporary System Parameters\\"};

// With `users`, the default user's Software key too.
State Snapshot(const std::vector<std::string>& folders, bool users = false) {
  State s;
  for (const std::string& folder : folders) setuptest::SnapFiles(folder, s, true);
  setuptest::SnapKey(HKEY_LOCAL_MACHINE, "HKLM", "Software", s);
  setuptest::SnapKey(HKEY_CURRENT_USER, "HKCU", "Software", s);
  if (users) setuptest::SnapKey(HKEY_USERS, "HKU", ".DEFAULT\\Software", s);
  for (const char* own : kWineOwn) setuptest::EraseBelow(s, own);
  return s;
}

// Bytes as a short text; `other`, when given, is what they were compared with.
std::string Shown(const std::string& data, const std::string* other = nullptr) {
  if (data.size() > 48) {
    std::string text = std::to_string(data.size()) + " bytes";
    if (other) {
      size_t at = 0;
      while (at < data.size() && at < other->size() && data[at] == (*other)[at]) ++at;
      text += ", from byte " + std::to_string(at) + " on " + Shown(data.substr(at, 24));
    }
    return text;
  }
  std::string out = "\"";
  for (unsigned char c : data) {
    char hex[8];
    snprintf(hex, sizeof hex, "\\x%02X", c);
    out += (c >= 32 && c < 127) ? std::string(1, char(c)) : std::string(hex);
  }
  return out + "\"";
}

// The first differences between two snapshots, a few of each drive and root key, one a
// line; the entries in `expected` may differ.
std::string Differences(const State& before, const State& after, const std::vector<std::string>& expected = {}) {
  std::map<std::string, std::vector<std::string>> areas;
  auto note = [&](const std::string& entry, const std::string& line) {
    for (const std::string& e : expected)
      if (EqualTextNoCase(e, entry)) return;
    areas[entry.substr(0, entry.find('\\'))].push_back(line);
  };
  for (const auto& b : before) {
    const auto a = after.find(b.first);
    if (a == after.end())
      note(b.first, "gone:    " + b.first + " " + Shown(b.second));
    else if (a->second != b.second)
      note(b.first, "changed: " + b.first + " " + Shown(b.second, &a->second) + " -> " + Shown(a->second, &b.second));
  }
  for (const auto& a : after)
    if (!before.count(a.first)) note(a.first, "added:   " + a.first + " " + Shown(a.second));
  std::string text;
  for (const auto& area : areas) {
    for (size_t i = 0; i < area.second.size() && i < 8; ++i) text += area.second[i] + "\n";
    if (area.second.size() > 8)
      text += "... " + std::to_string(area.second.size() - 8) + " more in " + area.first + "\n";
  }
  return text;
}

// ---------------------------------------------------------------- the package

enum class Earlier { None, SameFolder, OtherFolder };
enum class Stop { Uninstaller, DataFile, PackedFile, Script, MissingSource, Exit };

using Files = std::vector<std::pair<std::string, std::string>>;

struct Package {
  std::string dir, exe;
};

// The uninstall engine without its symbols: two installations and a run's new copies fit on
// the 10 MB disk.
std::string Uninstaller() { return Read(tt::ProgramDir() + "UnInstallStripped.exe"); }

// Version 1 or 2 of the program, into `target`. Both have a changed file, the program (with
// its App Paths entry and application key), a file without uninstall lines, a kept folder
// and a folder kept itself, a registry operation and the Add/Remove Programs entry; version 2
// adds a file. `list` and `lines` add to its file list and its script. `at`, when given, is
// the package's folder (with the setup program without its symbols), else a scratch folder.
Package MakePackage(const std::string& name, int version, const std::string& target, const std::string& list,
                    const std::string& lines, Files files, const std::string& at = std::string()) {
  Package p;
  if (at.empty()) {
    p.exe = setuptest::SetupCopy("stop_" + name, nullptr);
  } else {
    CreateDirectoryA(at.c_str(), nullptr);
    p.exe = at + "\\Setup.exe";
    tt::CopyFileTo(tt::ProgramDir() + "SetupSmall.exe", p.exe);
  }
  p.dir = p.exe.substr(0, p.exe.find_last_of('\\') + 1);
  const std::string v = std::to_string(version);
  files.push_back({"a.txt", "alpha of version " + v});
  files.push_back({kExe, "MZ " + v});
  files.push_back({"cfg.ini", "[Main]\r\nVersion=" + v + "\r\n"});
  files.push_back({"d.txt", "data " + v});
  if (version == 2) files.push_back({"new.txt", "new in 2"});
  for (const auto& f : files) tt::WriteFile(p.dir + f.first, f.second);
  if (!Exists(p.dir + "UnInstall.exe")) tt::WriteFile(p.dir + "UnInstall.exe", Uninstaller());
  tt::WriteFile(p.dir + "Setup.txt",
                "SET_PROG_NAME(" + kProg + ");\r\nSET_PROG_VERSION(" + v + ".0);\r\nSET_COMPANY_NAME(" + kCompany +
                    ");\r\nSET_TARGET_DIR(" + target + ");\r\nSET_PROG_EXE_NAME(<InstallDir>" + kExe + ");\r\n"
                    "SET_REGISTER_AS_APPLICATION;\r\nSET_CREATE_UNINSTALL;\r\nSET_CREATE_SETUP_LOG;\r\n"
                    "SET_DIALOGS(WelcomeDlg,CopyFilesDlg,CompleteDlg);\r\n"
                    "SET_PERFORM_REGISTRY_OP(" + kOp + "|Where|<InstallDir>|Create|Remove Key|String);\r\n" + lines +
                    "SET_GROUP_DATA(|Main|x|1|1||||1|);\r\nSET_SUB_DIR(<InstallDir>);\r\nSET_COPY_FILES(" +
                    (version == 2 ? "new.txt|" : "") + "a.txt|" + kExe + "|16*cfg.ini" + list + ");\r\n"
                    "SET_SUB_DIR(*2<InstallDir>Data);\r\nSET_COPY_FILES(d.txt);\r\n"
                    "SET_SUB_DIR(*3<InstallDir>Keep\\Inner);\r\nSET_COPY_FILES(*);\r\n");
  return p;
}

// How a row stops: what its package adds, the room the disk leaves it, the file its box names.
struct StopPlan {
  std::string list, lines;
  Files files;
  unsigned long long room = 0;  // 0: the disk as it is
  std::string boxNames;
};

StopPlan PlanStop(Stop stop) {
  StopPlan s;
  // Room for everything a run writes before its stop, with each file it replaces kept
  // beside its new copy; the stopping step needs more.
  const unsigned long long uninstaller = Uninstaller().size(), before = uninstaller + 128 * 1024;
  const std::string big(size_t(before + uninstaller + 512 * 1024), 'b');
  switch (stop) {
    case Stop::Uninstaller:
      // Larger than the earlier one by more than the room.
      s.files = {{"UnInstall.exe", Uninstaller() + std::string(512 * 1024, '\0')}};
      s.room = 64 * 1024;
      s.boxNames = kApp + "\\UnInstall.exe";
      break;
    case Stop::DataFile:
    case Stop::PackedFile:
      s.list = "|big.bin";
      s.files = {stop == Stop::DataFile ? Files::value_type("big.bin", big)
                                        : Files::value_type("big.bin._z", packtest::Pack(big))};
      s.room = before;
      s.boxNames = kApp + "\\big.bin";
      break;
    case Stop::Script:
      // Lines of the setup script's own, written after the copy and the operations; more
      // than the room even where a run frees the space of the uninstaller it replaces.
      for (int i = 0; i < 48; ++i)
        s.lines += "SET_REMOVE_REG_KEY(" + kOp + "\\" + std::string(48000, 'k') + std::to_string(i) + ");\r\n";
      s.room = before;
      s.boxNames = kApp + "\\UnInstall.txt";
      break;
    case Stop::MissingSource:
      s.list = "|gone.txt";
      s.boxNames = "gone.txt";
      break;
    case Stop::Exit:
      // The wave delay spaces the files out: the click lands inside the copy.
      s.lines = "SET_BG_WAVE_FILE_NAME(none.wav);\r\nSET_BG_WAVE_DELAY(40);\r\n";
      for (int i = 0; i < 150; ++i) {
        s.files.push_back({"f" + std::to_string(i) + ".txt", "f"});
        s.list += "|" + s.files.back().first;
      }
      break;
  }
  return s;
}

void CleanMachine(tt::SmallDisk& disk) {
  disk.Empty();
  for (const std::string& key : {kWindows + "UnInstall\\" + kProg, kWindows + "App Management\\ARPCache\\" + kProg,
                                 kWindows + "App Paths\\" + kExe, "HKEY_LOCAL_MACHINE\\Software\\" + kCompany, kOp})
    DeleteRegKey(key);
  setuptest::RemoveEmptyProgramsCacheKeys();
}

// The earlier installation, made by version 1's setup, with a file and a value of the user's;
// `lines` add to its script.
std::string InstallEarlier(Earlier earlier, const std::string& lines = std::string()) {
  const std::string folder = earlier == Earlier::SameFolder ? kApp : kOld;
  const Package v1 = MakePackage("v1", 1, folder, "", "SET_SILENT_SETUP;\r\n" + lines, {});
  tt::Process setup = tt::Start("\"" + v1.exe + "\"");
  EXPECT_EQ(tt::WaitExit(setup, 60000), 0);
  EXPECT_EQ(Read(folder + "\\a.txt"), "alpha of version 1");
  tt::WriteFile(folder + "\\mine.txt", "the user's");
  WriteRegValueSimple(kOp, "Mine", "kept", false);
  return folder;
}

// The setup walked by clicks to its copy, stopped there as the row says.
void RunToStop(const Package& p, Stop stop, const std::string& boxNames) {
  setuptest::Wizard w(p.exe);
  ASSERT_TRUE(w.wnd);
  ASSERT_TRUE(w.Click("&Next >"));
  if (stop == Stop::Exit) {
    // Inside the copy once its fifteenth file is in place; Exit, then yes to the question.
    ASSERT_TRUE(tt::WaitUntil([] { return Exists(kApp + "\\f10.txt"); }, 30000));
    ASSERT_TRUE(w.Click("&Cancel"));
    ASSERT_TRUE(w.AnswerExit("E&xit Setup"));
  } else {
    setuptest::Box box;
    ASSERT_TRUE(w.AnswerBox(box, 60000));
    EXPECT_NE(box.text.find(boxNames), std::string::npos) << box.text;
  }
  // A stopped run says so: one code for a failure, another for the user's Exit.
  EXPECT_EQ(w.WaitEnd(60000), stop == Stop::Exit ? 2 : 1);
}

// The run stopped as the row says leaves the folders and the registry as they were.
void ExpectStopLeavesAsItWas(const Package& p, Stop stop, const std::string& boxNames,
                             const std::vector<std::string>& folders, bool users = false) {
  const State before = Snapshot(folders, users);
  RunToStop(p, stop, boxNames);
  const std::string diff = Differences(before, Snapshot(folders, users));
  EXPECT_TRUE(diff.empty()) << diff;
}

// The earlier installation is still removable through its entry.
void UninstallEarlier(const std::string& folder) {
  const std::string command = ReadRegValue(kWindows + "UnInstall\\" + kProg, "UnInstallString", "");
  ASSERT_EQ(command, folder + "\\UnInstall.exe");
  EXPECT_TRUE(tt::RunUninstaller("\"" + command + "\"").closed);
  EXPECT_FALSE(Exists(folder + "\\a.txt"));
  EXPECT_FALSE(RegKeyExists(kWindows + "UnInstall\\" + kProg));
  tt::GoneWithin(command, 15000);  // it deletes itself once it has ended
}

// Each way of stopping, over what `earlier` leaves on the disk.
void StopEachWay(Earlier earlier) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  const struct {
    Stop stop;
    const char* name;
  } stops[] = {{Stop::Uninstaller, "uninstaller does not fit"}, {Stop::DataFile, "data file does not fit"},
               {Stop::PackedFile, "packed file does not fit"},  {Stop::Script, "uninstall script cannot grow"},
               {Stop::MissingSource, "missing source"},         {Stop::Exit, "Exit during the copy"}};
  for (const auto& s : stops) {
    SCOPED_TRACE(s.name);
    CleanMachine(disk);
    const std::string folder = earlier == Earlier::None ? std::string() : InstallEarlier(earlier);
    const StopPlan plan = PlanStop(s.stop);
    const Package p = MakePackage("v2", 2, kApp, plan.list, plan.lines, plan.files);
    if (plan.room) {
      ASSERT_TRUE(disk.Leave(plan.room));
    }
    ExpectStopLeavesAsItWas(p, s.stop, plan.boxNames, {disk.root, p.dir});
    if (!folder.empty()) UninstallEarlier(folder);
  }
  CleanMachine(disk);
}

}  // namespace

// The table in three parts, so that the test runs can spread them over lanes.
TEST(StopShort, OverNothingLeavesDiskPackageAndRegistryAsTheyWere) { StopEachWay(Earlier::None); }
TEST(StopShort, OverTheProgramInItsFolderLeavesDiskPackageAndRegistryAsTheyWere) { StopEachWay(Earlier::SameFolder); }
TEST(StopShort, OverTheProgramInAnotherFolderLeavesDiskPackageAndRegistryAsTheyWere) {
  StopEachWay(Earlier::OtherFolder);
}

// Two package files installed under one name, the second over the run's own copy of the
// first: a run that then stops puts each back into the package as it was.
TEST(StopShort, TwoFilesForOnePlaceGoBackIntoThePackageAsTheyWere) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  CleanMachine(disk);
  StopPlan plan = PlanStop(Stop::DataFile);
  plan.files.push_back({"00001#a.txt", "the other alpha"});
  const Package p = MakePackage("twice", 2, kApp, "|00001#a.txt" + plan.list, "", plan.files);
  ASSERT_TRUE(disk.Leave(plan.room));
  ExpectStopLeavesAsItWas(p, Stop::DataFile, plan.boxNames, {disk.root, p.dir});
  CleanMachine(disk);
}

// The same package, run to its end, installs; its uninstaller leaves the machine as it was
// but for what the package keeps: the kept folder with its file, the folder kept itself and
// the file without uninstall lines.
TEST(StopShort, TheSamePackageInstallsAndIsRemovable) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  CleanMachine(disk);
  const Package p = MakePackage("v2", 2, kApp, "", "", {});
  const State before = Snapshot({disk.root});
  {
    setuptest::Wizard w(p.exe);
    ASSERT_TRUE(w.wnd);
    ASSERT_TRUE(w.Click("&Next >"));
    ASSERT_TRUE(tt::WaitUntil([&] { return w.Enabled("&Finish"); }, 60000));
    ASSERT_TRUE(w.Click("&Finish"));
    EXPECT_EQ(w.WaitEnd(60000), 0);
  }
  EXPECT_EQ(Read(kApp + "\\a.txt"), "alpha of version 2");
  EXPECT_EQ(ReadRegValue(kOp, "Where", ""), kApp + "\\");
  const std::string command = ReadRegValue(kWindows + "UnInstall\\" + kProg, "UnInstallString", "");
  ASSERT_EQ(command, kApp + "\\UnInstall.exe");
  EXPECT_TRUE(tt::RunUninstaller("\"" + command + "\"").closed);
  EXPECT_TRUE(tt::GoneWithin(command, 15000));
  const std::string diff = Differences(before, Snapshot({disk.root}),
                                       {kApp + "\\", kApp + "\\cfg.ini", kApp + "\\Data\\", kApp + "\\Data\\d.txt",
                                        kApp + "\\Keep\\", kApp + "\\Keep\\Inner\\"});
  EXPECT_TRUE(diff.empty()) << diff;
  CleanMachine(disk);
}

// ---------------------------------------------------------------- registrations, restart marks

namespace {

const std::string kClasses = "HKEY_CLASSES_ROOT\\";
const std::string kServerKey = kClasses + "CLSID\\{6F1C2A4E-5B7D-4C3E-9A21-0D4E8B7F3C51}";
const std::string kProgIdKey = kClasses + "KvRoundTrip.Server";

// The round trip's COM server and a font, registered after the copy, added to a plan.
StopPlan WithServerAndFont(StopPlan plan) {
  const std::string server = Read(tt::ProgramDir() + "kv_rtserver.dll");
  const std::string font = Read(tt::ProgramDir() + "kv_stopfont.ttf");
  EXPECT_FALSE(server.empty() || font.empty());
  plan.list += "|2*hcom.dll|1073741824*kvfont.ttf";
  plan.files.push_back({"hcom.dll", server});
  plan.files.push_back({"kvfont.ttf", font});
  if (plan.room) plan.room += server.size() + font.size();
  return plan;
}

void CleanServerKeys() {
  DeleteRegKey(kServerKey);
  DeleteRegKey(kProgIdKey);
}

// The system's pending renames and deletions, as stored (empty when there are none).
std::string PendingPairs() { return tt::PendingRenameBytes(); }

void SetPendingPairs(const std::string& data) { ASSERT_TRUE(tt::SetPendingRenameBytes(data)); }

}  // namespace

// ---------------------------------------------------------------- Setup killed during the copy

namespace {

const int kKilledFiles = 120, kKillAt = 30;

// Version 2 with 120 files spaced out by the wave delay, so that the copy is still going
// when its 30th file is in place.
Package KilledPackage() {
  StopPlan plan;
  plan.lines = "SET_BG_WAVE_FILE_NAME(none.wav);\r\nSET_BG_WAVE_DELAY(40);\r\n";
  for (int i = 0; i < kKilledFiles; ++i) {
    plan.files.push_back({"k" + std::to_string(i) + ".txt", "k" + std::to_string(i)});
    plan.list += "|" + plan.files.back().first;
  }
  return MakePackage("v2", 2, kApp, plan.list, plan.lines, plan.files);
}

// Walks the setup to its copy and ends its process once `reached` (given the process's id)
// returns.
void KillOnceReached(const Package& p, const std::function<void(DWORD)>& reached) {
  setuptest::Wizard w(p.exe);
  ASSERT_TRUE(w.wnd);
  DWORD pid = 0;
  GetWindowThreadProcessId(w.wnd, &pid);
  const HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  ASSERT_TRUE(process);
  ASSERT_TRUE(w.Click("&Next >"));
  reached(pid);
  EXPECT_TRUE(TerminateProcess(process, 9));
  EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
  CloseHandle(process);
}

// Ends the setup once the 30th file is in place, as the file system tells.
void KillDuringCopy(const Package& p) {
  const HANDLE change = FindFirstChangeNotificationA("T:\\", TRUE, FILE_NOTIFY_CHANGE_FILE_NAME);
  ASSERT_NE(change, INVALID_HANDLE_VALUE);
  const std::string last = kApp + "\\k" + std::to_string(kKillAt - 1) + ".txt";
  KillOnceReached(p, [&](DWORD) {
    while (!Exists(last) && WaitForSingleObject(change, 30000) == WAIT_OBJECT_0) FindNextChangeNotification(change);
    EXPECT_TRUE(Exists(last));
  });
  FindCloseChangeNotification(change);
  // Killed inside the copy: the run's files and set-aside files are there.
  EXPECT_FALSE(Exists(kApp + "\\k" + std::to_string(kKilledFiles - 1) + ".txt"));
}

// Files on T: that were not there before, or differ from what was there.
std::string AddedOrChanged(const State& before, const State& after) {
  std::string text;
  for (const auto& a : after) {
    const auto b = before.find(a.first);
    if (b == before.end()) text += "added:   " + a.first + "\n";
    else if (b->second != a.second) text += "changed: " + a.first + "\n";
  }
  return text;
}

std::string FirstFile(const std::string& pattern) {
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA(pattern.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return std::string();
  FindClose(find);
  return found.cFileName;
}

enum class AfterKill { NewSetup, EarlierUninstaller };

void KilledDuringCopy(Earlier earlier, AfterKill after) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  CleanMachine(disk);
  const std::string folder = InstallEarlier(earlier);
  const Package p = KilledPackage();
  const State before = Snapshot({disk.root, p.dir});
  KillDuringCopy(p);
  if (after == AfterKill::NewSetup) {
    // The new start undoes the killed run before its wizard, and says so in one box.
    const setuptest::SetupResult r = setuptest::RunSetup(p.exe);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_NE(r.boxes[0].text.find("did not end"), std::string::npos) << r.boxes[0].text;
    EXPECT_EQ(r.wizards.size(), 1u);
    const std::string diff = Differences(before, Snapshot({disk.root, p.dir}));
    EXPECT_TRUE(diff.empty()) << diff;
    UninstallEarlier(folder);
  } else {
    // v1's uninstaller through its entry: the entry as the killed run left it names the
    // run's uninstaller, which undoes the run first; then the entry is v1's again.
    const std::string entry = kWindows + "UnInstall\\" + kProg;
    const std::string first = ReadRegValue(entry, "UnInstallString", "");
    ASSERT_EQ(first, kApp + "\\UnInstall.exe");
    const tt::UninstallRun u = tt::RunUninstaller("\"" + first + "\"");
    std::string boxes;
    for (const std::string& b : u.boxes) boxes += "[" + b + "]\n";
    if (earlier == Earlier::OtherFolder) {
      // The script was the killed run's: nothing to remove there; the entry is v1's.
      EXPECT_EQ(u.boxes.size(), 1u) << boxes;
      EXPECT_TRUE(tt::GoneWithin(kApp, 15000));
      const std::string command = ReadRegValue(entry, "UnInstallString", "");
      ASSERT_EQ(command, folder + "\\UnInstall.exe");
      EXPECT_TRUE(tt::RunUninstaller("\"" + command + "\"").closed);
    } else {
      // The box of the recovery, then v1's question.
      EXPECT_EQ(u.boxes.size(), 2u) << boxes;
      EXPECT_TRUE(u.closed);
    }
    EXPECT_TRUE(tt::GoneWithin(folder + "\\UnInstall.exe", 15000));
    // The uninstaller that undid the run ran from the run's file: it goes once it has ended.
    EXPECT_TRUE(tt::WaitUntil([] { return !Exists(kApp) || FirstFile(kApp + "\\~kv*.tmp").empty(); }, 15000))
        << FirstFile(kApp + "\\~kv*.tmp");
    EXPECT_FALSE(Exists(folder + "\\a.txt"));
    EXPECT_FALSE(RegKeyExists(entry));
    // v1 is removed and nothing of the killed run is left.
    State now;
    setuptest::SnapFiles(disk.root, now, true);
    const std::string added = AddedOrChanged(before, now);
    EXPECT_TRUE(added.empty()) << added;
  }
  CleanMachine(disk);
}

}  // namespace

// ---------------------------------------------------------------- the run's own writes

namespace {

// Bytes a file takes on the small disks (whole pages).
unsigned long long OnDisk(size_t bytes) { return (bytes + 4095) / 4096 * 4096; }

const std::string kInfo = "[Info]\r\nName=the package\r\n";

}  // namespace

// The package on the target disk itself, its files moved (second names) or copied, the disk
// left with little more room than the run's copies take: after a stop every package file is
// there whole (the uninstaller, a large file, the last of many small ones, the info file).
TEST(StopShort, APackageOnTheTargetDiskComesBackWhole) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  const struct {
    const char* name;
    bool copies;
    Stop stop;
  } rows[] = {{"moved, the script does not fit", false, Stop::Script},
              {"copied, the script does not fit", true, Stop::Script},
              {"copied, Exit during the copy", true, Stop::Exit}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CleanMachine(disk);
    StopPlan plan = PlanStop(row.stop);
    Files files = plan.files;
    files.insert(files.begin(), {"big.bin", std::string(256 * 1024, 'b')});
    std::string list = "|big.bin" + plan.list;
    for (int i = 0; i < 40; ++i) {
      files.push_back({"s" + std::to_string(i) + ".txt", "small file " + std::to_string(i)});
      list += "|" + files.back().first;
    }
    files.push_back({"happ.info", kInfo});
    // What the run copies, each with a page more for the disk's own records.
    unsigned long long copies = OnDisk(Uninstaller().size()) + OnDisk(kInfo.size()) + 64 * 1024;
    if (row.copies)
      for (const auto& f : files) copies += OnDisk(f.second.size()) + 4096;
    const std::string lines = plan.lines + (row.copies ? "SET_USE_COPY;\r\n" : "") +
                              "SET_ORIGINAL_INFO_FILE_NAME(happ.info);\r\n";
    const Package p = MakePackage("ondisk", 2, kApp, list, lines, files, disk.root + "Pkg");
    ASSERT_TRUE(disk.Leave(copies + 128 * 1024)) << disk.FreeBytes() << " free, " << copies << " copied";
    ExpectStopLeavesAsItWas(p, row.stop, plan.boxNames, {disk.root});
  }
  CleanMachine(disk);
}

// v1 registered a COM server and a font; v2 registers them again and stops after that (its
// uninstall script does not fit): v1's class and program id stay as they were, and v1's
// uninstaller then takes them away.
TEST(StopShort, OverAProgramWithAComServerAndAFontItsRegistrationStays) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  CleanMachine(disk);
  CleanServerKeys();
  const StopPlan first = WithServerAndFont(StopPlan());
  const Package v1 = MakePackage("v1", 1, kApp, first.list, "SET_SILENT_SETUP;\r\n", first.files);
  tt::Process setup = tt::Start("\"" + v1.exe + "\"");
  ASSERT_EQ(tt::WaitExit(setup, 60000), 0);
  ASSERT_EQ(ReadRegValue(kServerKey + "\\InprocServer32", "", ""), kApp + "\\hcom.dll");
  ASSERT_NE(Read(kApp + "\\UnInstall.txt").find("UN_REG_FONT_FILE(" + kApp + "\\kvfont.ttf)"), std::string::npos);
  const StopPlan plan = WithServerAndFont(PlanStop(Stop::Script));
  const Package p = MakePackage("v2", 2, kApp, plan.list, plan.lines, plan.files);
  ASSERT_TRUE(disk.Leave(plan.room));
  ExpectStopLeavesAsItWas(p, Stop::Script, plan.boxNames, {disk.root, p.dir});
  EXPECT_EQ(ReadRegValue(kProgIdKey + "\\CLSID", "", ""), "{6F1C2A4E-5B7D-4C3E-9A21-0D4E8B7F3C51}");
  UninstallEarlier(kApp);
  EXPECT_FALSE(RegKeyExists(kServerKey));
  EXPECT_FALSE(RegKeyExists(kProgIdKey));
  CleanServerKeys();
  CleanMachine(disk);
}

// v1 registered a server that opens HKEY_CLASSES_ROOT\CLSID to write its class below it, or
// one that writes under HKEY_USERS\.DEFAULT, each naming its own file; v2 registers its copy
// under another name and stops after that (its uninstall script does not fit): v1's keys
// name v1's file as before, and v1's uninstaller then takes them away.
TEST(StopShort, OverAProgramWithAServerOfAnotherShapeItsRegistrationStays) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  const std::string classKey = kClasses + "CLSID\\{7A2D3B5F-6C8E-4D4F-8B32-1E5F9C8A4D62}";
  const std::string usersKey = "HKEY_USERS\\.DEFAULT\\Software\\KvTrialServer";
  const struct {
    const char* name;
    const char* dll;
    std::string key, valueKey, value;
  } rows[] = {{"opens CLSID", "kv_openserver.dll", classKey, classKey + "\\InprocServer32", ""},
              {"writes under HKEY_USERS", "kv_usersserver.dll", usersKey, usersKey, "Server"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CleanMachine(disk);
    DeleteRegKey(row.key);
    const std::string server = Read(tt::ProgramDir() + row.dll);
    ASSERT_FALSE(server.empty());
    const Package v1 = MakePackage("v1", 1, kApp, "|2*ocom1.dll", "SET_SILENT_SETUP;\r\n", {{"ocom1.dll", server}});
    tt::Process setup = tt::Start("\"" + v1.exe + "\"");
    ASSERT_EQ(tt::WaitExit(setup, 60000), 0);
    ASSERT_EQ(ReadRegValue(row.valueKey, row.value, ""), kApp + "\\ocom1.dll");
    StopPlan plan = PlanStop(Stop::Script);
    plan.list += "|2*ocom2.dll";
    plan.files.push_back({"ocom2.dll", server});
    plan.room += server.size();
    const Package p = MakePackage("v2", 2, kApp, plan.list, plan.lines, plan.files);
    ASSERT_TRUE(disk.Leave(plan.room));
    ExpectStopLeavesAsItWas(p, Stop::Script, plan.boxNames, {disk.root, p.dir}, true);
    EXPECT_EQ(ReadRegValue(row.valueKey, row.value, ""), kApp + "\\ocom1.dll");
    DeleteFileA((disk.root + "fill.bin").c_str());
    UninstallEarlier(kApp);
    EXPECT_FALSE(RegKeyExists(row.key));
    DeleteRegKey(row.key);
  }
  CleanMachine(disk);
}

// The uninstaller marked itself for deletion at the next restart; a reinstall before it
// takes the mark away (an undone one puts it back), and leaves every other pair as it was.
TEST(StopShort, AReinstallCancelsTheRestartDeletionOfItsUninstaller) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  CleanMachine(disk);
  const std::string saved = PendingPairs();
  SetPendingPairs(std::string());
  InstallEarlier(Earlier::SameFolder);
  const std::string uninstaller = kApp + "\\UnInstall.exe";
  ASSERT_TRUE(MoveFileExA(uninstaller.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  const std::string marked = PendingPairs();
  // Another program's deletion and rename, after the mark.
  tt::WriteFile("T:\\kvother.tmp", "other");
  tt::WriteFile("T:\\kvfrom.tmp", "from");
  ASSERT_TRUE(MoveFileExA("T:\\kvother.tmp", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(MoveFileExA("T:\\kvfrom.tmp", "T:\\kvto.tmp", MOVEFILE_DELAY_UNTIL_REBOOT));
  const std::string pairs = PendingPairs();
  ASSERT_GT(marked.size(), 2u);
  // The mark's pair and then the others'; the list ends in one more zero.
  const std::string others = pairs.substr(marked.size() - 2);
  {
    SCOPED_TRACE("a stopped run");
    const StopPlan plan = PlanStop(Stop::Script);
    const Package p = MakePackage("v2", 2, kApp, plan.list, plan.lines, plan.files);
    ASSERT_TRUE(disk.Leave(plan.room));
    ExpectStopLeavesAsItWas(p, Stop::Script, plan.boxNames, {disk.root, p.dir});
    EXPECT_EQ(PendingPairs(), pairs);
  }
  {
    SCOPED_TRACE("a completed run");
    DeleteFileA((disk.root + "fill.bin").c_str());
    const Package p = MakePackage("v2done", 2, kApp, "", "SET_SILENT_SETUP;\r\n", {});
    tt::Process setup = tt::Start("\"" + p.exe + "\"");
    EXPECT_EQ(tt::WaitExit(setup, 60000), 0);
    EXPECT_EQ(Read(kApp + "\\new.txt"), "new in 2");
    EXPECT_EQ(PendingPairs(), others);
    EXPECT_TRUE(Exists(uninstaller));
    UninstallEarlier(kApp);
  }
  SetPendingPairs(saved);
  CleanMachine(disk);
}

TEST(StopShort, KilledOverTheProgramInItsFolderIsUndoneByTheNextSetup) {
  KilledDuringCopy(Earlier::SameFolder, AfterKill::NewSetup);
}
TEST(StopShort, KilledOverTheProgramInAnotherFolderIsUndoneByTheNextSetup) {
  KilledDuringCopy(Earlier::OtherFolder, AfterKill::NewSetup);
}
TEST(StopShort, KilledOverTheProgramInItsFolderIsUndoneByItsUninstaller) {
  KilledDuringCopy(Earlier::SameFolder, AfterKill::EarlierUninstaller);
}
TEST(StopShort, KilledOverTheProgramInAnotherFolderIsUndoneByItsUninstaller) {
  KilledDuringCopy(Earlier::OtherFolder, AfterKill::EarlierUninstaller);
}

// Setup killed during its copy over v1; then another program writes where the run had
// written. The next Setup undoes the run, and what the other program wrote stays: its values
// in the Add/Remove Programs entry the run changed and in the version key the run made (the
// run's values go, v1's come back), or its bytes in a file the run made. Everything else is
// as before the run.
TEST(StopShort, KilledThenWrittenByAnotherProgramKeepsWhatThatProgramWrote) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  const std::string entry = kWindows + "UnInstall\\" + kProg;
  const std::string version = "HKEY_LOCAL_MACHINE\\Software\\" + kCompany + "\\" + kProg + "\\2.0";
  const std::string entryState = "HKLM" + entry.substr(18) + "\\:KvOther", versionState = "HKLM" + version.substr(18);
  const std::string file = kApp + "\\k5.txt";
  const struct {
    const char* name;
    std::function<void()> write;
    std::function<void()> expect;
    std::vector<std::string> theirs;  // what differs from before the run
  } rows[] = {
      {"values in a registry key the run changed and in one it made",
       [&] {
         WriteRegValueSimple(entry, "KvOther", "theirs", false);
         WriteRegValueSimple(version, "KvOther", "theirs", false);
       },
       [&] {
         EXPECT_EQ(ReadRegValue(entry, "KvOther", ""), "theirs");
         EXPECT_EQ(ReadRegValue(entry, "DisplayVersion", ""), "1.0");
         EXPECT_EQ(ReadRegValue(version, "KvOther", ""), "theirs");
       },
       {entryState, versionState + "\\", versionState + "\\:KvOther"}},
      {"a file the run made", [&] { tt::WriteFile(file, "theirs"); }, [&] { EXPECT_EQ(Read(file), "theirs"); },
       {file}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CleanMachine(disk);
    const std::string folder = InstallEarlier(Earlier::SameFolder);
    const Package p = KilledPackage();
    const State before = Snapshot({disk.root, p.dir});
    KillDuringCopy(p);
    ASSERT_EQ(ReadRegValue(entry, "DisplayVersion", ""), "2.0");
    ASSERT_TRUE(RegKeyExists(version));
    ASSERT_EQ(Read(file), "k5");
    row.write();
    const setuptest::SetupResult r = setuptest::RunSetup(p.exe);
    ASSERT_EQ(r.boxes.size(), 1u);
    EXPECT_NE(r.boxes[0].text.find("did not end"), std::string::npos) << r.boxes[0].text;
    row.expect();
    const std::string diff = Differences(before, Snapshot({disk.root, p.dir}), row.theirs);
    EXPECT_TRUE(diff.empty()) << diff;
    UninstallEarlier(folder);
  }
  CleanMachine(disk);
}

// ---------------------------------------------------------------- the earlier program running

namespace {

// Version 1 whose program is a real one, started from its installed file and left running.
struct RunningEarlier {
  std::string folder;
  tt::Process program;
  explicit RunningEarlier(tt::SmallDisk& disk) {
    CleanMachine(disk);
    const std::string sleeper = Read(tt::ProgramDir() + "UnSleeper.exe");
    const Package v1 = MakePackage("v1", 1, kApp, "", "SET_SILENT_SETUP;\r\n", {});
    tt::WriteFile(v1.dir + kExe, sleeper);
    tt::Process setup = tt::Start("\"" + v1.exe + "\"");
    EXPECT_EQ(tt::WaitExit(setup, 60000), 0);
    folder = kApp;
    program = tt::Start("\"" + kApp + "\\" + kExe + "\"");
    EXPECT_TRUE(program.ok());
  }
  void End() {
    if (!program.ok()) return;
    TerminateProcess(program.handle, 0);
    tt::WaitExit(program, 10000);
    program = tt::Process();
  }
  ~RunningEarlier() { End(); }
};

std::wstring PendingRenames() {
  std::wstring text = tt::PendingRenameText();
  for (wchar_t& c : text)
    if (c >= L'a' && c <= L'z') c = wchar_t(c - 32);
  return text;
}

std::wstring Wide(const std::string& text) {
  std::wstring w;
  for (unsigned char c : text) w.push_back(wchar_t(c >= 'a' && c <= 'z' ? c - 32 : c));
  return w;
}

}  // namespace

// v1's program runs while v2 stops short, and a program holds v2's new program file open:
// every undo step is checked, and what cannot be put back now (v1's file over the held one)
// is put back at the next restart by a pending rename of that pair; the run's last box says so.
TEST(StopShort, UndoThatMustWaitForTheRestartSaysSoAndSchedulesThePair) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  RunningEarlier v1(disk);
  const StopPlan plan = PlanStop(Stop::Exit);
  const Package p = MakePackage("v2", 2, kApp, plan.list, plan.lines, plan.files);
  const std::string exe = kApp + "\\" + kExe, v1Exe = Read(exe);
  HANDLE held = INVALID_HANDLE_VALUE;
  std::vector<setuptest::Box> boxes;
  {
    setuptest::Wizard w(p.exe);
    ASSERT_TRUE(w.wnd);
    ASSERT_TRUE(w.Click("&Next >"));
    // Inside the copy, v2's program in place; held as a program that reads it would.
    ASSERT_TRUE(tt::WaitUntil([] { return Exists(kApp + "\\f10.txt"); }, 30000));
    ASSERT_EQ(Read(exe), "MZ 2");
    held = CreateFileA(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(w.Click("&Cancel"));
    ASSERT_TRUE(w.AnswerExit("E&xit Setup"));
    for (setuptest::Box box; w.AnswerBox(box, 20000);) boxes.push_back(box);
    w.WaitEnd(60000);
  }
  CloseHandle(held);
  // v1's file waits under its ~kv name for the restart, which renames it back.
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find("Restart your computer"), std::string::npos) << boxes[0].text;
  const std::string aside = FirstFile(kApp + "\\~kv*.tmp");
  ASSERT_FALSE(aside.empty());
  EXPECT_EQ(Read(kApp + "\\" + aside), v1Exe);
  const std::wstring pair = L"\\??\\" + Wide(kApp + "\\" + aside) + L"|!\\??\\" + Wide(exe) + L"|";
  EXPECT_NE(PendingRenames().find(pair), std::wstring::npos) << "no pending rename " << Read(kApp + "\\" + aside).size();
  // What the restart does, done here once the program has ended.
  v1.End();
  ASSERT_TRUE(MoveFileExA((kApp + "\\" + aside).c_str(), exe.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_TRUE(CancelPendingRename(kApp + "\\" + aside, exe, true));
  EXPECT_EQ(Read(exe), v1Exe);
  UninstallEarlier(kApp);
  CleanMachine(disk);
}

// A completed upgrade over a running program: the earlier program's file, set aside and still
// running, goes with the uninstaller once the program has ended.
TEST(StopShort, UpgradeOverARunningProgramLeavesNothingAfterItsUninstall) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  CleanMachine(disk);
  const State clean = Snapshot({disk.root});
  RunningEarlier v1(disk);
  const Package p = MakePackage("v2", 2, kApp, "", "", {});
  {
    setuptest::Wizard w(p.exe);
    ASSERT_TRUE(w.wnd);
    ASSERT_TRUE(w.Click("&Next >"));
    ASSERT_TRUE(tt::WaitUntil([&] { return w.Enabled("&Finish"); }, 60000));
    ASSERT_TRUE(w.Click("&Finish"));
    EXPECT_EQ(w.WaitEnd(60000), 0);
  }
  EXPECT_EQ(Read(kApp + "\\" + kExe), "MZ 2");
  v1.End();
  const std::string command = ReadRegValue(kWindows + "UnInstall\\" + kProg, "UnInstallString", "");
  ASSERT_EQ(command, kApp + "\\UnInstall.exe");
  EXPECT_TRUE(tt::RunUninstaller("\"" + command + "\"").closed);
  EXPECT_TRUE(tt::GoneWithin(command, 15000));
  EXPECT_TRUE(FirstFile(kApp + "\\~kv*.tmp").empty()) << FirstFile(kApp + "\\~kv*.tmp");
  const std::string diff = Differences(clean, Snapshot({disk.root}),
                                       {kApp + "\\", kApp + "\\cfg.ini", kApp + "\\Data\\", kApp + "\\Data\\d.txt",
                                        kApp + "\\Keep\\", kApp + "\\Keep\\Inner\\"});
  EXPECT_TRUE(diff.empty()) << diff;
  CleanMachine(disk);
}

// A user's INI file that the package edits is never cut: on a full disk of its own the edit
// stops the run (it used to complete with the file's last line lost), and a stop after the
// edit gives the file back whole.
TEST(StopShort, AUsersIniFileIsNeverCut) {
  tt::SmallDisk disk('T', 10 << 20), other('S', 3 << 20);
  KV_NEED_DISK(disk);
  KV_NEED_DISK(other);
  // `bytes` long, its last line the one a cut loses first.
  const auto ini = [](size_t bytes) {
    std::string text = "[Main]\r\n";
    for (int i = 0; text.size() + 40 < bytes; ++i)
      text += "Key" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
    text += "Fill=" + std::string(bytes - text.size() - 23, 'f') + "\r\n";
    return text + "Last=important\r\n";
  };
  const struct {
    const char* name;
    std::string file, op;
    Stop stop;
  } rows[] = {{"a key added on a full disk", "S:\\Settings\\user.ini", "S:\\Settings\\user.ini|Main|Added|yes|Create|",
               Stop::MissingSource},
              {"a long value removed, then the script does not fit", "T:\\user.ini",
               "T:\\user.ini|Other|Long|x|Remove|", Stop::Script}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    CleanMachine(disk);
    other.Empty();
    CreateDirectoryA("S:\\Settings", nullptr);
    // Within a page of the disk once the edit is made, or a page more: the first row's key
    // needs a page its full disk does not have; the second row's page goes to the script.
    tt::WriteFile(row.file, row.stop == Stop::Script ? ini(3900) + "[Other]\r\nLong=" + std::string(2100, 'l') + "\r\n"
                                                     : ini(4092));
    StopPlan plan = PlanStop(row.stop);
    std::string lines = "SET_PERFORM_INIFILE_OP(" + row.op + ");\r\n";
    // The first row stops nowhere else: it has no missing source.
    if (row.stop == Stop::MissingSource) {
      plan.list.clear();
      plan.boxNames = row.file;
      ASSERT_TRUE(other.Leave(0));
    }
    const Package p = MakePackage("userini", 2, kApp, plan.list, plan.lines + lines, plan.files);
    if (plan.room) {
      ASSERT_TRUE(disk.Leave(plan.room));
    }
    ExpectStopLeavesAsItWas(p, Stop::Script, plan.boxNames, {disk.root, other.root, p.dir});
  }
  other.Empty();
  CleanMachine(disk);
}

// An INI operation on a bare file name writes the Windows folder's file, as the system's
// profile calls do; a stop puts that file back: over nothing the user's value, over v1 in
// another folder v1's.
TEST(StopShort, AnIniOperationOnABareNameIsUndoneInTheWindowsFolder) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  char windows[MAX_PATH];
  ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  const std::string name = "kvhostile" + kPid + ".ini", file = std::string(windows) + "\\" + name;
  const std::string op = "SET_PERFORM_INIFILE_OP(" + name + "|Paths|App|<InstallDir>|Create|Remove);\r\n";
  for (Earlier earlier : {Earlier::None, Earlier::OtherFolder}) {
    SCOPED_TRACE(earlier == Earlier::None ? "over nothing" : "over v1 in another folder");
    CleanMachine(disk);
    DeleteFileA(file.c_str());
    tt::WriteFile(file, "[Paths]\r\nApp=user-value\r\nOther=kept\r\n");
    const std::string folder = earlier == Earlier::None ? std::string() : InstallEarlier(earlier, op);
    if (!folder.empty()) {
      EXPECT_EQ(ReadIniValue(file, "Paths", "App", ""), kOld + "\\");
    }
    const std::string was = Read(file);
    const StopPlan plan = PlanStop(Stop::Script);
    const Package p = MakePackage("bare", 2, kApp, plan.list, plan.lines + op, plan.files);
    ASSERT_TRUE(disk.Leave(plan.room));
    const State before = Snapshot({disk.root, p.dir});
    RunToStop(p, Stop::Script, plan.boxNames);
    EXPECT_EQ(Read(file), was);
    const std::string diff = Differences(before, Snapshot({disk.root, p.dir}));
    EXPECT_TRUE(diff.empty()) << diff;
    if (!folder.empty()) UninstallEarlier(folder);
  }
  DeleteFileA(file.c_str());
  CleanMachine(disk);
}

// A shortcut that cannot be made (its folder on a full disk) leaves the earlier one in its
// place; the run goes on to its end.
TEST(StopShort, AFailedShortcutPutsTheEarlierOneBack) {
  tt::SmallDisk disk('T', 10 << 20), other('S', 3 << 20);
  KV_NEED_DISK(disk);
  KV_NEED_DISK(other);
  CleanMachine(disk);
  other.Empty();
  const std::string folders = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
  const std::string link = "S:\\Programs\\KvStop" + kPid + "\\Kv Link.lnk";
  ForceDirectories(ExtractFileDir(link));
  tt::WriteFile(link, "the earlier link");
  const std::string lines = "SET_SILENT_SETUP;\r\nSET_START_PROGRAM_LINK_FOLDER(KvStop" + kPid +
                            ");\r\nSET_START_PROGRAM_LINK_NAME(Kv Link);\r\n";
  const Package p = MakePackage("link", 2, kApp, "", lines, {});
  ASSERT_TRUE(other.Leave(0));
  // The program folder on the full disk for this run.
  const std::string shell = ReadRegValue(folders + "Shell Folders", "Programs", "");
  WriteRegValueSimple(folders + "Shell Folders", "Programs", "S:\\Programs", false);
  tt::Process setup = tt::Start("\"" + p.exe + "\"");
  EXPECT_EQ(tt::WaitExit(setup, 60000), 0);
  WriteRegValueSimple(folders + "Shell Folders", "Programs", shell, false);
  EXPECT_EQ(Read(kApp + "\\a.txt"), "alpha of version 2");
  EXPECT_EQ(Read(link), "the earlier link");
  UninstallEarlier(kApp);
  other.Empty();
  CleanMachine(disk);
}

// What Setup returns: 0 for a completed run, 1 for one a failure stopped, 2 for one the
// user's Exit stopped.
TEST(StopShort, TheExitCodeTellsHowTheRunEnded) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  {
    SCOPED_TRACE("completed");
    CleanMachine(disk);
    const Package p = MakePackage("code", 2, kApp, "", "SET_SILENT_SETUP;\r\n", {});
    tt::Process setup = tt::Start("\"" + p.exe + "\"");
    EXPECT_EQ(tt::WaitExit(setup, 60000), 0);
    EXPECT_EQ(Read(kApp + "\\a.txt"), "alpha of version 2");
    UninstallEarlier(kApp);
  }
  for (Stop stop : {Stop::MissingSource, Stop::Exit}) {
    SCOPED_TRACE(stop == Stop::Exit ? "the user's Exit" : "a failure");
    CleanMachine(disk);
    const StopPlan plan = PlanStop(stop);
    const Package p = MakePackage("code", 2, kApp, plan.list, plan.lines, plan.files);
    RunToStop(p, stop, plan.boxNames);
    EXPECT_FALSE(Exists(kApp + "\\a.txt"));
  }
  CleanMachine(disk);
}

// An After Copy item edits a file the run took out of the package ("Replace Text in File"),
// then an exit item stops the run: the package's file still holds its own text, whether the
// run moved it (the package on the target drive) or copied it from another drive.
TEST(StopShort, AnEditAfterTheCopyNeverReachesThePackage) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  const auto item = [](const exectest::Slot& slot) {
    exectest::Item i;
    i.slots = {slot};
    return "SET_PERFORM_EXECUTE_OP(" + exectest::MakeItem(i) + ");\r\n";
  };
  const std::string lines = item({"Replace Text in File", "<InstallDir>host.ini", "OLDHOST", "NEWHOST"}) +
                            item({"Exit"});
  for (bool onTarget : {true, false}) {
    SCOPED_TRACE(onTarget ? "moved within the target drive" : "copied from another drive");
    CleanMachine(disk);
    const Package p = MakePackage("edit", 2, kApp, "|host.ini", lines, {{"host.ini", "[Net]\r\nHost=OLDHOST\r\n"}},
                                  onTarget ? disk.root + "Pkg" : std::string());
    const State before = Snapshot({disk.root, p.dir});
    {
      setuptest::Wizard w(p.exe);
      ASSERT_TRUE(w.wnd);
      ASSERT_TRUE(w.Click("&Next >"));
      EXPECT_EQ(w.WaitEnd(60000), 1);
    }
    EXPECT_EQ(Read(p.dir + "host.ini"), "[Net]\r\nHost=OLDHOST\r\n");
    const std::string diff = Differences(before, Snapshot({disk.root, p.dir}));
    EXPECT_TRUE(diff.empty()) << diff;
  }
  CleanMachine(disk);
}

// ---------------------------------------------------------------- the run's journal

// The tests' prefixes keep every run's journal (the Windows folder's "Kelvane Runs") on R:.
const unsigned long long kRunsDisk = 4 << 20;

// The journals' disk fills while v2 runs over v1: no change is made without its entry, so the
// run stops there with the journal and the system's reason in its box, and is undone.
TEST(StopShort, AJournalThatCannotBeWrittenStopsTheRunAndIsUndone) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  tt::SmallDisk runs('R', kRunsDisk);
  KV_NEED_DISK(runs);
  for (unsigned long long room : {4096ull, 8192ull}) {
    SCOPED_TRACE(std::to_string(room) + " bytes for the journal");
    CleanMachine(disk);
    ASSERT_TRUE(runs.Empty());
    InstallEarlier(Earlier::SameFolder);
    StopPlan plan;
    for (int i = 0; i < 120; ++i) {
      plan.files.push_back({"j" + std::to_string(i) + ".txt", "j" + std::to_string(i)});
      plan.list += "|" + plan.files.back().first;
    }
    const Package p = MakePackage("v2", 2, kApp, plan.list, "", plan.files);
    ASSERT_TRUE(runs.Leave(room));
    ExpectStopLeavesAsItWas(p, Stop::MissingSource, "Kelvane Runs", {disk.root, p.dir});
    runs.Empty();
    UninstallEarlier(kApp);
  }
  CleanMachine(disk);
}

// A journal that cannot even be made: the run says so before its first change, goes on with
// its record in memory, and completes.
TEST(StopShort, AJournalThatCannotBeMadeIsToldBeforeTheRun) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  tt::SmallDisk runs('R', kRunsDisk);
  KV_NEED_DISK(runs);
  CleanMachine(disk);
  const Package p = MakePackage("v2", 2, kApp, "", "", {});
  ASSERT_TRUE(runs.Leave(0));
  {
    setuptest::Wizard w(p.exe);
    ASSERT_TRUE(w.wnd);
    ASSERT_TRUE(w.Click("&Next >"));
    setuptest::Box box;
    ASSERT_TRUE(w.AnswerBox(box, 60000));
    EXPECT_NE(box.text.find("Kelvane Runs"), std::string::npos) << box.text;
    EXPECT_FALSE(Exists(kApp));
    ASSERT_TRUE(tt::WaitUntil([&] { return w.Enabled("&Finish"); }, 60000));
    ASSERT_TRUE(w.Click("&Finish"));
    EXPECT_EQ(w.WaitEnd(60000), 0);
  }
  EXPECT_EQ(Read(kApp + "\\a.txt"), "alpha of version 2");
  EXPECT_NE(Read(kApp + "\\Setup.log").find("Run record kept in memory only"), std::string::npos);
  runs.Empty();
  UninstallEarlier(kApp);
  CleanMachine(disk);
}

// A completed move on the target drive makes the installed files second names of the package's
// files; deleting the package's names leaves the installed files read-only and hidden.
TEST(StopShort, ACompletedMoveKeepsTheInstalledFilesAttributes) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  CleanMachine(disk);
  const Package p = MakePackage("attrs", 2, kApp, "|256*ro.txt|512*hid.txt", "SET_SILENT_SETUP;\r\n",
                                {{"ro.txt", "read-only"}, {"hid.txt", "hidden"}}, disk.root + "Pkg");
  // As the installed files will be: a move links only a file of the same attributes.
  ASSERT_TRUE(SetFileAttributesA((p.dir + "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesA((p.dir + "hid.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
  tt::Process setup = tt::Start("\"" + p.exe + "\"");
  ASSERT_EQ(tt::WaitExit(setup, 60000), 0);
  EXPECT_FALSE(Exists(p.dir + "ro.txt"));
  EXPECT_FALSE(Exists(p.dir + "hid.txt"));
  const DWORD mask = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  EXPECT_EQ(GetFileAttributesA((kApp + "\\ro.txt").c_str()) & mask, DWORD(FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesA((kApp + "\\hid.txt").c_str()) & mask, DWORD(FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(Read(kApp + "\\ro.txt"), "read-only");
  EXPECT_NE(Read(kApp + "\\UnInstall.txt").find("REMOVE_READONLY_FILE(" + kApp + "\\ro.txt)"), std::string::npos);
  UninstallEarlier(kApp);
  CleanMachine(disk);
}

// Setup killed while a server's registration trial runs: the trial's scratch key is the run's
// own, and the next Setup takes it away with the rest of the run.
TEST(StopShort, KilledDuringARegistrationTrialLeavesNoScratchKey) {
  tt::SmallDisk disk('T', 10 << 20);
  KV_NEED_DISK(disk);
  CleanMachine(disk);
  const HANDLE in = CreateEventA(nullptr, TRUE, FALSE, "KvTrialServerIn");
  const HANDLE go = CreateEventA(nullptr, TRUE, FALSE, "KvTrialServerGo");
  ASSERT_TRUE(in && go);
  const Package p = MakePackage("trial", 2, kApp, "|2*wcom.dll", "",
                                {{"wcom.dll", Read(tt::ProgramDir() + "kv_waitserver.dll")}});
  const State before = Snapshot({disk.root, p.dir});
  std::string scratch;
  KillOnceReached(p, [&](DWORD pid) {
    EXPECT_EQ(WaitForSingleObject(in, 60000), WAIT_OBJECT_0);
    scratch = "HKEY_CURRENT_USER\\Software\\~kvreg" + std::to_string(pid);
    EXPECT_TRUE(RegKeyExists(scratch));
  });
  SetEvent(go);
  const setuptest::SetupResult r = setuptest::RunSetup(p.exe);
  ASSERT_EQ(r.boxes.size(), 1u);
  EXPECT_NE(r.boxes[0].text.find("did not end"), std::string::npos) << r.boxes[0].text;
  EXPECT_FALSE(RegKeyExists(scratch));
  const std::string diff = Differences(before, Snapshot({disk.root, p.dir}));
  EXPECT_TRUE(diff.empty()) << diff;
  CloseHandle(in);
  CloseHandle(go);
  CleanMachine(disk);
}
