// Every execution once, through the engine, with its effect checked on real files,
// folders, registry, INI files, the environment and programs.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "Common.h"
#include "ExecOp.h"
#include "ExecTestUtil.h"
#include "Files.h"
#include "RunTimeDir.h"
#include "TestTool.h"
#include "Utils.h"

using namespace exectest;

namespace {

const char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const char kArpKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KvExecTestApp";
const std::string kKeyText = std::string(kExecKey) + "\\Ops";
const char kKeyPath[] = "Software\\KvRuntimeTests\\Exec\\Ops";

void SetAppPath(const std::string& exe, const std::string& path) {
  HKEY h;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kAppPaths + exe).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr))
    return;
  RegSetValueExA(h, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()), DWORD(path.size() + 1));
  RegCloseKey(h);
}

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

struct ExecutionsTest : ::testing::Test {
  void SetUp() override {
    dir = tt::ScratchDir("exec_ops");
    RemoveKeyTree(HKEY_CURRENT_USER, kKeyPath);
  }
  void TearDown() override {
    RemoveKeyTree(HKEY_CURRENT_USER, kKeyPath);
    for (const char* exe : {"KvExecGone.exe", "KvExecTree.exe", "KvExecDriver.exe", "KvExecRoot.exe"})
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + exe).c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kArpKey);
    SetCurrentDirectoryA(BinDir().c_str());
  }
  void Write(const std::string& name, const std::string& content) {
    const std::string path = dir + "\\" + name;
    ForceDirectories(ExtractFolder(path));
    ASSERT_TRUE(tt::WriteFile(path, content)) << path;
  }
  static std::string ExtractFolder(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }
  std::string At(const std::string& name) const { return dir + "\\" + name; }
  // An items file for the driver whose one item appends `text` to `file`.
  std::string DriverItems(const std::string& file, const std::string& text) {
    Item item;
    item.slots = {{"Append Text to a File", file, text}};
    const std::string items = At("items.txt");
    EXPECT_TRUE(tt::WriteFile(items, MakeItem(item) + "\r\n"));
    return items;
  }
  std::string dir;
};

}  // namespace

TEST_F(ExecutionsTest, FileMasks) {
  // Copy and move with a new extension into a folder that is made; a move takes the sources.
  for (const std::string caption : {"Move File(s)", "Copy File(s)"}) {
    const bool move = caption[0] == 'M';
    Write("a\\one.txt", "1");
    Write("a\\two.txt", "2");
    Write("a\\skip.doc", "3");
    EXPECT_TRUE(Perform(caption, At("a\\*.txt"), At("b\\*.bak"))) << caption;
    for (const char* name : {"one", "two"}) {
      EXPECT_EQ(Content(At(std::string("b\\") + name + ".bak")), name[0] == 'o' ? "1" : "2") << caption;
      EXPECT_NE(Exists(At(std::string("a\\") + name + ".txt")), move) << caption;
    }
    EXPECT_FALSE(Exists(At("b\\skip.bak")));
    EXPECT_TRUE(Exists(At("a\\skip.doc")));
  }
  EXPECT_TRUE(Perform("Copy File(s)", At("a\\one.txt"), At("b\\single.txt")));
  EXPECT_EQ(Content(At("b\\single.txt")), "1");
  EXPECT_FALSE(Perform("Copy File(s)", At("a\\none*.txt"), At("b\\")));
  // Rename within the folder.
  EXPECT_TRUE(Perform("Rename File(s)", At("b\\*.bak"), At("b\\*.old")));
  EXPECT_TRUE(Exists(At("b\\one.old")) && !Exists(At("b\\one.bak")));
  EXPECT_TRUE(Perform("Rename File(s)", At("b\\single.txt"), At("b\\renamed.txt")));
  EXPECT_FALSE(Perform("Rename File(s)", At("b\\gone.txt"), At("b\\x.txt")));
  // Attributes by name.
  EXPECT_TRUE(Perform("Set File(s) Attributes", At("b\\*.old"), "ReadOnly Hidden"));
  EXPECT_EQ(Attributes(At("b\\one.old")) & 3u, 3u);
  EXPECT_TRUE(Perform("Set File(s) Attributes", At("b\\*.old"), "Normal"));
  EXPECT_EQ(Attributes(At("b\\one.old")) & 3u, 0u);
  EXPECT_FALSE(Perform("Set File(s) Attributes", At("b\\*.none"), "Hidden"));
  // Delete: true when something matched, even a file that cannot go.
  EXPECT_TRUE(Perform("Delete File(s)", At("b\\*.old")));
  EXPECT_FALSE(Exists(At("b\\one.old")));
  SetFileAttributesA(At("a\\skip.doc").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(Perform("Delete File(s)", At("a\\*.doc")));
  EXPECT_TRUE(Exists(At("a\\skip.doc")));
  SetFileAttributesA(At("a\\skip.doc").c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_FALSE(Perform("Delete File(s)", At("a\\*.none")));
}

TEST_F(ExecutionsTest, MasksWrittenWithSlashesActInTheirOwnFolder) {
  // The parent holds files of the same names: only those below "logs/" may go.
  SetInstallFolders(dir, "", "");
  for (const std::string caption : {"Delete File(s)", "Move File(s)"}) {
    Write("a.log", "parent");
    Write("logs\\a.log", "logs");
    EXPECT_TRUE(Perform(caption, "<InstallDir>logs/*.log", "<InstallDir>moved/")) << caption;
    EXPECT_EQ(Content(At("a.log")), "parent") << caption;
    EXPECT_FALSE(Exists(At("logs\\a.log"))) << caption;
  }
  EXPECT_EQ(Content(At("moved\\a.log")), "logs");
  SetInstallFolders("", "", "");
}

TEST_F(ExecutionsTest, MoveDeletesOnlyWhatWasCopied) {
  // A source that is its own target stays.
  Write("m\\self.txt", "s");
  EXPECT_FALSE(Perform("Move File(s)", At("m\\*.txt"), At("m\\")));
  EXPECT_EQ(Content(At("m\\self.txt")), "s");
  EXPECT_FALSE(Perform("Move File(s)", At("m\\self.txt"), At("M\\SELF.TXT")));
  EXPECT_EQ(Content(At("m\\self.txt")), "s");
  // A source whose copy failed (a folder holds the target's name) stays; the other one moves.
  Write("p\\keep.txt", "k");
  Write("p\\go.txt", "g");
  Write("q\\keep.txt\\inner.txt", "old");
  EXPECT_TRUE(Perform("Move File(s)", At("p\\*.txt"), At("q\\")));
  EXPECT_EQ(Content(At("p\\keep.txt")), "k");
  EXPECT_EQ(Content(At("q\\keep.txt\\inner.txt")), "old");
  EXPECT_FALSE(Exists(At("p\\go.txt")));
  EXPECT_EQ(Content(At("q\\go.txt")), "g");
  // Targets in the source folder that match the mask are not moved again.
  Write("r\\a.log", "a");
  EXPECT_TRUE(Perform("Move File(s)", At("r\\*.log"), At("r\\moved*")));
  EXPECT_EQ(Content(At("r\\moved.log")), "a");
  EXPECT_FALSE(Exists(At("r\\a.log")));
}

TEST_F(ExecutionsTest, Folders) {
  Write("t\\x.txt", "x");
  Write("t\\sub\\y.txt", "y");
  CreateDirectoryA(At("empty").c_str(), nullptr);
  EXPECT_TRUE(Perform("Remove Directory", At("empty")));
  EXPECT_FALSE(Exists(At("empty")));
  EXPECT_FALSE(Perform("Remove Directory", At("t")));
  EXPECT_TRUE(Perform("Copy Directory Tree", At("t"), At("copy\\deep")));
  EXPECT_EQ(Content(At("copy\\deep\\sub\\y.txt")), "y");
  EXPECT_FALSE(Perform("Copy Directory Tree", At("t"), At("T")));
  EXPECT_FALSE(Perform("Copy Directory Tree", At("missing"), At("copy2")));
  EXPECT_FALSE(Perform("Copy Directory Tree", At("t"), At("t\\inner")));  // refused: it would copy itself
  EXPECT_TRUE(Perform("Rename Directory", At("copy"), "copied"));
  EXPECT_TRUE(Exists(At("copied\\deep\\x.txt")));
  EXPECT_TRUE(Perform("Rename Directory", At("missing"), "other"));  // always true
  EXPECT_TRUE(Perform("Set Working Directory", At("t")));
  char cwd[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, cwd);
  EXPECT_STREQ(cwd, At("t").c_str());
  EXPECT_FALSE(Perform("Set Working Directory", At("missing")));
  SetCurrentDirectoryA(dir.c_str());
  EXPECT_TRUE(Perform("Force Remove Directory", At("copied")));
  EXPECT_FALSE(Exists(At("copied")));
  EXPECT_FALSE(Perform("Force Remove Directory", At("copied")));
}

TEST_F(ExecutionsTest, ForceRemovalRefusesProtectedFolders) {
  Write("guard\\keep.txt", "k");
  SetCurrentDirectoryA(dir.c_str());
  char winDir[MAX_PATH], docs[MAX_PATH] = "";
  GetWindowsDirectoryA(winDir, MAX_PATH);
  SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, 0, docs);
  const std::string marker = std::string(docs) + "\\kv_exec_marker.txt";
  ASSERT_TRUE(tt::WriteFile(marker, "m"));
  for (const std::string& path : {std::string("guard"), std::string(".\\guard"), std::string("C:\\"),
                                 std::string(winDir), std::string(docs), ExtractFolder(std::string(docs))}) {
    EXPECT_FALSE(Perform("Force Remove Directory", path)) << path;
  }
  EXPECT_EQ(Content(At("guard\\keep.txt")), "k");
  EXPECT_EQ(Content(marker), "m");
  // The application's folder named by App Paths: refused when protected.
  SetAppPath("KvExecRoot.exe", std::string(docs) + "\\KvExecRoot.exe");
  EXPECT_FALSE(Perform("Remove Application Directory", "KvExecRoot.exe"));
  EXPECT_EQ(Content(marker), "m");
  DeleteFileA(marker.c_str());
}

TEST_F(ExecutionsTest, Applications) {
  Write("app\\KvExecGone.exe", "MZ");
  Write("app\\data\\d.txt", "d");
  SetAppPath("KvExecGone.exe", At("app\\KvExecGone.exe"));
  EXPECT_TRUE(Perform("Delete Application Executable", "KvExecGone.exe"));
  EXPECT_FALSE(Exists(At("app\\KvExecGone.exe")));
  EXPECT_FALSE(Perform("Delete Application Executable", "KvExecGone.exe"));
  EXPECT_FALSE(Perform("Remove Application Directory", "KvExecNoEntry.exe"));
  SetAppPath("KvExecTree.exe", At("app\\KvExecTree.exe"));
  EXPECT_TRUE(Perform("Remove Application Directory", "KvExecTree.exe"));
  EXPECT_FALSE(Exists(At("app")));
  EXPECT_FALSE(Perform("Remove Application Directory", "KvExecTree.exe"));
}

TEST_F(ExecutionsTest, Programs) {
  const std::string driver = BinDir() + "ExecDriver.exe";
  struct Case { std::string caption, p1, p3; bool waits; };
  SetAppPath("KvExecDriver.exe", driver);
  const Case cases[] = {
      {"Run Executable and Wait", driver, "SW_HIDE", true}, {"Run Executable", driver, "", false},
      {"Run Application and Wait", "KvExecDriver.exe", "sw_showminnoactive", true},
      {"Run Application", "KvExecDriver.exe", "", false},   {"Shell Execute", driver, "SW_HIDE", false},
      {"Shell Execute (Hide)", driver, "", false},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string out = At("run" + std::to_string(++n) + ".txt");
    const std::string items = DriverItems(out, c.caption);
    EXPECT_TRUE(Perform(c.caption, c.p1, "\"" + items + "\" 3", c.p3)) << c.caption;
    if (!c.waits)
      for (int i = 0; i < 200 && !Exists(out); ++i) Sleep(50);
    EXPECT_EQ(Content(out), c.caption);
    DeleteFileA(items.c_str());
  }
  EXPECT_FALSE(Perform("Run Executable", At("nothing.exe")));
  EXPECT_FALSE(Perform("Run Application", "KvExecNoEntry.exe"));
  EXPECT_FALSE(Perform("Shell Execute", At("nothing.exe")));

  // The uninstaller named by an Add/Remove Programs entry, run and waited for.
  EXPECT_FALSE(Perform("UnInstall Application", "Kv Exec Test App"));
  HKEY h;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kArpKey, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr), 0);
  RegSetValueExA(h, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("Kv Exec Test App"), 17);
  RegSetValueExA(h, "UnInstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(driver.c_str()),
                 DWORD(driver.size() + 1));
  RegCloseKey(h);
  EXPECT_TRUE(Perform("UnInstall Application", "kv exec test app"));
}

TEST_F(ExecutionsTest, ProgramTextWithParameters) {
  // Parameters may follow the program in its own text, in a folder with or without blanks.
  int n = 0;
  for (const std::string folder : {"with blank", "plain"}) {
    const std::string program = At(folder + "\\ExecDriver.exe"), out = At("param" + std::to_string(++n) + ".txt");
    ForceDirectories(At(folder));
    ASSERT_TRUE(tt::CopyFileTo(BinDir() + "ExecDriver.exe", program));
    // The waiting form returns once the program has ended, so its output is there.
    EXPECT_TRUE(Perform("Run Executable and Wait", program + " \"" + DriverItems(out, folder) + "\" 3", "", "SW_HIDE"));
    EXPECT_EQ(Content(out), folder);
  }
}

TEST_F(ExecutionsTest, RegistryKeysAndValues) {
  EXPECT_TRUE(Perform("Create Registry Key", kKeyText + "\\New"));
  bool found = false;
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, std::string(kKeyPath) + "\\New", "", &found), "");
  EXPECT_TRUE(found);
  // An existing default value stays.
  HKEY h;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (std::string(kKeyPath) + "\\Old").c_str(), 0, nullptr, 0, KEY_WRITE,
                            nullptr, &h, nullptr), 0);
  RegSetValueExA(h, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("keep"), 5);
  RegCloseKey(h);
  EXPECT_TRUE(Perform("Create Registry Key", kKeyText + "\\Old"));
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, std::string(kKeyPath) + "\\Old", ""), "keep");

  struct Value { std::string caption, name, data, expect; };
  const Value values[] = {
      {"Create Registry Value (String)", "S", "text", "text"},
      {"Create Registry Value (String)", "(Default)", "dflt", "dflt"},
      {"Create Registry Value (Integer)", "I", "42", "42"},
      {"Create Registry Value (Integer)", "J", "many", "0"},
      {"Create Registry Value (Hex)", "H", "FF,00,01,3A", "FF,00,01,3A"},
  };
  for (const auto& v : values) {
    EXPECT_TRUE(Perform(v.caption, kKeyText + "\\Values", v.name, v.data)) << v.name;
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, std::string(kKeyPath) + "\\Values", v.name == "(Default)" ? "" : v.name),
              v.expect);
  }
  EXPECT_TRUE(Perform("Remove Registry Value", kKeyText + "\\Values", "S"));
  ReadString(HKEY_CURRENT_USER, std::string(kKeyPath) + "\\Values", "S", &found);
  EXPECT_FALSE(found);
  EXPECT_TRUE(Perform("Remove Registry Value", kKeyText + "\\Values", "S"));
  EXPECT_TRUE(Perform("Create Registry Key", kKeyText + "\\Values\\Deeper\\Deepest"));
  EXPECT_TRUE(Perform("Remove Registry Key", kKeyText + "\\Values"));
  ReadString(HKEY_CURRENT_USER, std::string(kKeyPath) + "\\Values", "I", &found);
  EXPECT_FALSE(found);
  EXPECT_TRUE(Perform("Remove Registry Key", kKeyText + "\\Values"));
}

TEST_F(ExecutionsTest, IniFilesAndEnvironment) {
  const std::string ini = At("test.ini");
  EXPECT_TRUE(Perform("Write INI Item", ini, "Main", "Key=Value=More"));
  EXPECT_TRUE(Perform("Write INI Item", ini, "Main", "Other=2"));
  EXPECT_TRUE(Perform("Write INI Item", ini, "Bare", "JustText"));
  char buf[256];
  GetPrivateProfileStringA("Main", "Key", "", buf, sizeof buf, ini.c_str());
  EXPECT_STREQ(buf, "Value=More");
  EXPECT_NE(Content(ini).find("=JustText"), std::string::npos) << Content(ini);
  EXPECT_TRUE(Perform("Delete INI Item", ini, "Main", "Key"));
  GetPrivateProfileStringA("Main", "Key", "gone", buf, sizeof buf, ini.c_str());
  EXPECT_STREQ(buf, "gone");
  GetPrivateProfileStringA("Main", "Other", "", buf, sizeof buf, ini.c_str());
  EXPECT_STREQ(buf, "2");

  SetEnvironmentVariableA("KV_EXEC_PART", "inner");
  EXPECT_TRUE(Perform("Create Environment Variable", "KV_EXEC_USER", "a;%KV_EXEC_PART%;%KV_EXEC_UNSET%", "user"));
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, "Environment", "KV_EXEC_USER"), "a;inner;%KV_EXEC_UNSET%");
  EXPECT_TRUE(Perform("Create Environment Variable", "KV_EXEC_SYS", "s", "System"));
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager\\Environment",
                       "KV_EXEC_SYS"), "s");
  EXPECT_TRUE(Perform("Remove Environment Variable", "KV_EXEC_USER", "User"));
  EXPECT_FALSE(Perform("Remove Environment Variable", "KV_EXEC_USER", "User"));
  EXPECT_FALSE(Perform("Remove Environment Variable", "KV_EXEC_SYS", "User"));
  EXPECT_TRUE(Perform("Remove Environment Variable", "KV_EXEC_SYS", ""));
  bool found = true;
  ReadString(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager\\Environment", "KV_EXEC_SYS",
             &found);
  EXPECT_FALSE(found);
  SetEnvironmentVariableA("KV_EXEC_PART", nullptr);
}

TEST_F(ExecutionsTest, TextFiles) {
  const std::string file = At("text.txt");
  EXPECT_TRUE(Perform("Append Text to a File", file, "one\\\\ntwo\\\\tend\\n"));
  EXPECT_EQ(Content(file), "one\r\ntwo\tend\\n");
  EXPECT_TRUE(Perform("Append Text to a File", file, "+"));
  EXPECT_EQ(Content(file), "one\r\ntwo\tend\\n+");

  ASSERT_TRUE(tt::WriteFile(file, "cat dog Cat category"));
  EXPECT_TRUE(Perform("Replace Text in File", file, "cat", "cats"));  // holds the search text: still ends
  EXPECT_EQ(Content(file), "cats dog Cat catsegory");
  EXPECT_TRUE(Perform("Replace Text in File", file, "!!!cat", "lion"));
  EXPECT_EQ(Content(file), "cats dog lion catsegory");
  EXPECT_TRUE(Perform("Replace Text in File", file, "!DOG", "dog dog"));
  EXPECT_EQ(Content(file), "cats dog dog lion catsegory");
  EXPECT_FALSE(Perform("Replace Text in File", file, "zebra", "x"));
  // Every search starts again at the start of the text.
  ASSERT_TRUE(tt::WriteFile(file, "aaaa"));
  EXPECT_TRUE(Perform("Replace Text in File", file, "aa", "a"));
  EXPECT_EQ(Content(file), "a");
  EXPECT_FALSE(Perform("Replace Text in File", At("none.txt"), "a", "b"));
  EXPECT_FALSE(Exists(At("none.txt")));
  // A rewriting without end writes nothing and reports it.
  ASSERT_TRUE(tt::WriteFile(file, "aab"));
  EXPECT_FALSE(Perform("Replace Text in File", file, "ab", "bbaa"));
  EXPECT_EQ(Content(file), "aab");
  // The rewritten file keeps its attributes; a read-only one is not rewritten.
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_TRUE(Perform("Replace Text in File", file, "b", "c"));
  EXPECT_EQ(Content(file), "aac");
  EXPECT_EQ(Attributes(file), DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(Perform("Replace Text in File", file, "c", "d"));
  EXPECT_EQ(Content(file), "aac");
  SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ListFiles(dir + "\\*.*", true), "|text.txt|") << "nothing left beside it";
  // So in a folder of 250 characters, where the new text is made beside the file too.
  std::string deep = dir;
  while (deep.size() < 250)
    deep += "\\" + std::string(std::min<size_t>(90, std::max<size_t>(249 - deep.size(), 1)), 'd');
  ASSERT_TRUE(ForceDirectories(deep) && tt::WriteFile(deep + "\\t.txt", "aab"));
  EXPECT_TRUE(Perform("Replace Text in File", deep + "\\t.txt", "b", "c"));
  EXPECT_EQ(ListFiles(deep + "\\*.*", true), "|t.txt|");
  EXPECT_EQ(Content(deep + "\\t.txt"), "aac");
}

// On a disk too full for the new content, an item that rewrites, overwrites or appends to
// a user's file reports False and leaves it byte for byte as it was, with nothing beside
// it; with room, the same item does its work. The small disk T: (10 MB) is mounted by the
// test command; without it the test is skipped.
TEST_F(ExecutionsTest, FullDiskLeavesTheUsersFileAsItWas) {
  const std::string root = "T:\\", app = "T:\\App", settings = app + "\\settings.ini";
  auto freeBytes = [&]() {
    ULARGE_INTEGER free = {};
    GetDiskFreeSpaceExA(root.c_str(), &free, nullptr, nullptr);
    return free.QuadPart;
  };
  auto empty = [&]() {
    tt::DeleteTree("T:");  // all it holds: a drive root itself stays
    return freeBytes() == 10u << 20;
  };
  ULARGE_INTEGER total = {};
  GetDiskFreeSpaceExA(root.c_str(), nullptr, &total, nullptr);
  if (total.QuadPart != 10u << 20 || !empty()) GTEST_SKIP() << "no empty small disk of 10 MB at T:";
  std::string user;
  for (int i = 0; i < 4000; ++i) user += "server=OLDHOST " + std::string(36, 'x') + "\r\n";  // 212,000 bytes
  const std::string package(1 << 20, 'p'), appended(60002, 'a');
  const struct {
    const char *caption, *p1, *p2, *p3;
    std::string after;  // the file once the item had room
  } rows[] = {
      {"Replace Text in File", "<Disk>settings.ini", "OLDHOST", "newhost.example.com",
       ReplaceAll(user, "OLDHOST", "newhost.example.com")},
      {"Copy Directory Tree", "<Package>", "<Disk>", "", package},
      {"Copy File(s)", "<Package>\\settings.ini", "<Disk>settings.ini", "", package},
      {"Copy File(s)", "<Package>\\*.ini", "<Disk>", "", package},
      {"Move File(s)", "<Package>\\settings.ini", "<Disk>settings.ini", "", package},
      {"Append Text to a File", "<Disk>settings.ini", appended.c_str(), "", user + appended},
  };
  auto expand = [&](const char* p) { return ReplaceAll(ReplaceAll(p, "<Disk>", app + "\\"), "<Package>", At("package")); };
  for (const auto& row : rows) {
    const std::string what = std::string(row.caption) + " " + row.p1;
    ASSERT_TRUE(empty()) << what;
    ASSERT_TRUE(ForceDirectories(app));
    ASSERT_TRUE(tt::WriteFile(settings, user));
    Write("package\\settings.ini", package);
    // Room for 40 KB more.
    ASSERT_TRUE(tt::WriteFile(root + "filler", std::string(size_t(freeBytes() - 40 * 1024), 'f')));
    Item item;
    // The item's result is its last slot's.
    item.slots = {Slot("", "", "", "", false), Slot("", "", "", "", false), Slot("", "", "", "", false),
                  Slot(row.caption, expand(row.p1), expand(row.p2), row.p3)};
    const ItemRun run = RunItem(item);
    EXPECT_FALSE(run.result) << what;
    EXPECT_NE(run.log.find("  (FALSE)\r\n"), std::string::npos) << what << ": " << run.log;
    EXPECT_TRUE(Content(settings) == user) << what << ": " << Content(settings).size() << " bytes";
    EXPECT_EQ(ListFiles(app + "\\*.*", true), "|settings.ini|") << what;
    EXPECT_EQ(Content(At("package\\settings.ini")), package) << what;
    ASSERT_TRUE(DeleteFileA((root + "filler").c_str()));
    EXPECT_TRUE(RunItem(item).result) << what << " with room";
    EXPECT_TRUE(Content(settings) == row.after) << what << " with room: " << Content(settings).size() << " bytes";
    EXPECT_EQ(ListFiles(app + "\\*.*", true), "|settings.ini|") << what << " with room";
  }
  // An append that makes its file and cannot fill it takes it away again.
  ASSERT_TRUE(tt::WriteFile(root + "filler", std::string(size_t(freeBytes() - 40 * 1024), 'f')));
  EXPECT_FALSE(Perform("Append Text to a File", app + "\\new.txt", appended));
  EXPECT_EQ(ListFiles(app + "\\*.*", true), "|settings.ini|");
  empty();
}

TEST_F(ExecutionsTest, SpaceMessagesAndWaits) {
  SetDefaultRequiredSpace(2, 10);
  EXPECT_TRUE(Perform("Set Space Req on Drive", "25"));
  EXPECT_DOUBLE_EQ(GetRequiredSpace(2), 25);
  EXPECT_TRUE(Perform("ADD to Space Req on Drive", "5"));
  EXPECT_DOUBLE_EQ(GetRequiredSpace(2), 30);
  EXPECT_TRUE(Perform("Set Space Req on Drive", "!"));
  EXPECT_DOUBLE_EQ(GetRequiredSpace(2), 10);

  const DWORD start = GetTickCount();
  EXPECT_TRUE(Perform("Wait (MS)", "200"));
  EXPECT_GE(GetTickCount() - start, 200u);
  EXPECT_TRUE(Perform("Wait (MS)", "soon"));

  bool result = false;
  std::string shown;
  WithBox([&] { result = Perform("Display Message", "Read <b>this</b>"); },
          [&](HWND box) {
            EXPECT_EQ(tt::WindowText(box), "Attention");
            EXPECT_TRUE(tt::ClickButton(box, "OK"));
          },
          &shown);
  EXPECT_TRUE(result);
  EXPECT_NE(shown.find("Read this"), std::string::npos) << shown;
}
