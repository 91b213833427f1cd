#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <set>
#include <vector>

#include "Files.h"
#include "TestTool.h"
#include "Utils.h"

namespace {

struct Call {
  int mode, min, max, position, step;
};

// A receiver that records every report.
struct Recorder {
  std::vector<Call> calls;
  TProgressProc proc() {
    return [this](int32_t mode, int32_t min, int32_t max, int32_t position, int32_t step) {
      calls.push_back({mode, min, max, position, step});
    };
  }
  std::vector<int> positions() const {
    std::vector<int> p;
    for (const auto& c : calls) p.push_back(c.position);
    return p;
  }
};

std::string Pattern(size_t size) {
  std::string s(size, '\0');
  for (size_t i = 0; i < size; ++i) s[i] = char((i * 7 + i / 251) & 0xFF);
  return s;
}

std::string Content(const std::string& path) {
  std::string s;
  return tt::ReadFile(path, s) ? s : std::string("<missing>");
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::set<std::string> ItemSet(const std::string& list) {
  std::set<std::string> s;
  for (int i = 0; i < ListItemCount(list); ++i) s.insert(GetListItem(list, i));
  return s;
}

// DOS stamp of a fixed local time (even seconds: the stamp holds two-second steps).
uint32_t Stamp(int year, int month, int day, int hour, int minute, int second) {
  return (uint32_t((year - 1980) << 9 | month << 5 | day) << 16) | uint32_t(hour << 11 | minute << 5 | second / 2);
}

}  // namespace

TEST(Files, ChunkSizes) {
  struct Case { int64_t size, parts, cap, chunk; };
  const Case cases[] = {
      {500, 10, 1048576, 500},          {5000, 10, 1048576, 1024},     {10240, 10, 1048576, 1024},
      {10250, 10, 1048576, 1025},       {10485760, 10, 1048576, 1048576}, {104857600, 10, 1048576, 1048576},
      {1000000, 10, 32768, 32768},      {0, 10, 32768, 0},              {4096, 0, 32768, 4096},
  };
  for (const auto& c : cases) EXPECT_EQ(GetChunkSize(c.size, c.parts, c.cap), c.chunk) << c.size << "/" << c.parts;
}

TEST(Files, TransfersReportEveryChunk) {
  const std::string dir = tt::ScratchDir("files_transfer");
  struct Case { const char* what; size_t size; std::vector<int> positions; };
  const int mib = 1048576;
  std::vector<int> saveTen;
  for (int i = 0; i <= 10; ++i) saveTen.push_back(i * mib);
  std::vector<int> copyHundred;
  for (int i = 0; i <= 10; ++i) copyHundred.push_back(i * 10240);
  const Case cases[] = {
      {"save", 500, {0, 500}},     {"load", 500, {0, 500}},
      {"save", 10 * mib, saveTen}, {"load", 10 * mib, saveTen},
      {"copy", 102400, copyHundred}, {"copy", 10 * mib, {}},
      {"save", 0, {0, 0}},         {"load", 0, {0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.what) + " " + std::to_string(c.size));
    const std::string data = Pattern(c.size), a = dir + "\\a.bin", b = dir + "\\b.bin";
    Recorder rec;
    std::string loaded;
    if (std::string(c.what) == "save") {
      ASSERT_TRUE(SaveStringToFile(a, data, 0, rec.proc()));
      EXPECT_EQ(Content(a), data);
    } else if (std::string(c.what) == "load") {
      ASSERT_TRUE(tt::WriteFile(a, data));
      EXPECT_EQ(LoadFileToString(a, rec.proc()), data);
    } else {
      ASSERT_TRUE(tt::WriteFile(a, data));
      ASSERT_TRUE(tt::WriteFile(b, "old content that is longer than nothing"));
      ASSERT_TRUE(CopyFileWithProgress(a, b, rec.proc()));
      EXPECT_EQ(Content(b), data);
    }
    if (!c.positions.empty()) EXPECT_EQ(rec.positions(), c.positions);
    else EXPECT_EQ(rec.calls.size(), 321u);  // copies go in chunks of at most 32 KiB
    for (const auto& call : rec.calls) {
      EXPECT_EQ(call.mode, 0);
      EXPECT_EQ(call.min, 0);
      EXPECT_EQ(call.max, int(c.size));
      EXPECT_EQ(call.step, 1);
    }
  }
  // Without a receiver the same routines move the whole content.
  const std::string big = Pattern(300000);
  EXPECT_TRUE(SaveStringToFile(dir + "\\n.bin", big, 0));
  EXPECT_EQ(LoadFileToString(dir + "\\n.bin"), big);
  EXPECT_EQ(ReadFileContents(dir + "\\n.bin"), big);
  EXPECT_TRUE(CopyFileWithProgress(dir + "\\n.bin", dir + "\\m.bin"));
  EXPECT_EQ(Content(dir + "\\m.bin"), big);
}

TEST(Files, MissingAndUnwritableFiles) {
  const std::string dir = tt::ScratchDir("files_missing");
  Recorder rec;
  EXPECT_EQ(LoadFileToString(dir + "\\none.txt", rec.proc()), "");
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_EQ(ReadFileContents(dir + "\\none.txt"), "");
  EXPECT_FALSE(CopyFileWithProgress(dir + "\\none.txt", dir + "\\copy.txt"));
  EXPECT_FALSE(Exists(dir + "\\copy.txt"));
  EXPECT_FALSE(SaveStringToFile(dir + "\\no\\such\\folder.txt", "x", 0));
  EXPECT_FALSE(WriteFileContents(dir + "\\no\\such\\folder.txt", "x", 0));
  EXPECT_FALSE(AppendToFile(dir + "\\no\\such\\folder.txt", "x", 0));
  ASSERT_TRUE(tt::WriteFile(dir + "\\src.txt", "source"));
  EXPECT_FALSE(CopyFileWithProgress(dir + "\\src.txt", dir + "\\no\\such\\dest.txt"));
  EXPECT_EQ(GetFileDate(dir + "\\none*.txt"), 0u);
}

TEST(Files, DatesAndAppend) {
  const std::string dir = tt::ScratchDir("files_dates");
  const uint32_t stamp = Stamp(2004, 7, 15, 13, 42, 18);
  ASSERT_TRUE(SaveStringToFile(dir + "\\s.txt", "saved", stamp));
  EXPECT_EQ(GetFileDate(dir + "\\s.txt"), stamp);
  ASSERT_TRUE(WriteFileContents(dir + "\\w.txt", "written", stamp));
  EXPECT_EQ(GetFileDate(dir + "\\w.txt"), stamp);
  EXPECT_EQ(GetFileDate(dir + "\\?.txt"), stamp);  // a mask takes its first match

  // Date 0 leaves the time of writing.
  ASSERT_TRUE(SaveStringToFile(dir + "\\s.txt", "again", 0));
  EXPECT_NE(GetFileDate(dir + "\\s.txt"), stamp);
  EXPECT_NE(GetFileDate(dir + "\\s.txt"), 0u);

  EXPECT_TRUE(AppendToFile(dir + "\\a.txt", "one,", 0));
  EXPECT_TRUE(AppendToFile(dir + "\\a.txt", "two", stamp));
  EXPECT_EQ(Content(dir + "\\a.txt"), "one,two");
  EXPECT_EQ(GetFileDate(dir + "\\a.txt"), stamp);
  // Saving cuts what was there before.
  ASSERT_TRUE(SaveStringToFile(dir + "\\a.txt", "x", 0));
  EXPECT_EQ(Content(dir + "\\a.txt"), "x");
}

TEST(Files, CopyOntoItselfLeavesTheSource) {
  const std::string dir = tt::ScratchDir("files_self");
  const std::string file = dir + "\\Long Source Name.txt", data = Pattern(70000);
  ASSERT_TRUE(tt::WriteFile(file, data));
  char shortName[MAX_PATH] = "";
  GetShortPathNameA(file.c_str(), shortName, MAX_PATH);
  SetCurrentDirectoryA(dir.c_str());
  const std::string spellings[] = {file, UpperCase(file), dir + "\\.\\Long Source Name.txt",
                                   dir + "\\..\\files_self\\long source name.TXT", "Long Source Name.txt",
                                   shortName};
  for (const auto& dest : spellings) {
    Recorder rec;
    EXPECT_FALSE(CopyFileWithProgress(file, dest, rec.proc())) << dest;
    EXPECT_EQ(Content(file), data) << dest;
    EXPECT_EQ(CopyFiles(file, dest, false), 0) << dest;
    EXPECT_EQ(Content(file), data) << dest;
  }
  // A mask onto its own folder copies nothing onto itself either.
  EXPECT_EQ(CopyFiles(dir + "\\*.txt", dir + "\\", false), 0);
  EXPECT_EQ(Content(file), data);
  SetCurrentDirectoryA(tt::ProgramDir().c_str());
}

TEST(Files, NamesAndFreeSpace) {
  struct Case { const char* path; const char* name; };
  const Case cases[] = {{"C:\\a\\b.c.txt", "b.c"}, {"C:\\a.b\\noext", "noext"}, {"x.txt", "x"},
                        {"C:\\dir\\", ""},         {".profile", ""}};
  for (const auto& c : cases) EXPECT_EQ(FileNameWithoutExt(c.path), c.name) << c.path;

  EXPECT_GT(GetDiskFreeBytes(tt::ProgramDir()), 0.0);
  EXPECT_GT(GetDiskFreeBytes(""), 0.0);
  EXPECT_EQ(GetDiskFreeBytes("Q:\\nothing"), -1.0);  // no such drive in the prefix
}

TEST(Files, WildcardOperations) {
  const std::string dir = tt::ScratchDir("files_masks");
  for (const char* n : {"a.txt", "b.txt", "c.log", "d"}) ASSERT_TRUE(tt::WriteFile(dir + "\\" + n, n));
  CreateDirectoryA((dir + "\\sub.txt").c_str(), nullptr);  // folders never match

  EXPECT_EQ(ItemSet(ListFiles(dir + "\\*.txt", true)), (std::set<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(ItemSet(ListFiles(dir + "\\*", false)), (std::set<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(ListFiles(dir + "\\*.none", true), "|");

  EXPECT_TRUE(SetFilesAttributes(dir + "\\*.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(GetFileAttributesA((dir + "\\a.txt").c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
            DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_FALSE(SetFilesAttributes(dir + "\\*.none", FILE_ATTRIBUTE_READONLY));

  // Hidden read-only files are still found; without the flag they stay.
  EXPECT_TRUE(DeleteFiles(dir + "\\*.txt", false));
  EXPECT_TRUE(Exists(dir + "\\a.txt"));
  EXPECT_TRUE(DeleteFiles(dir + "\\*.txt", true));
  EXPECT_FALSE(Exists(dir + "\\a.txt"));
  EXPECT_FALSE(Exists(dir + "\\b.txt"));
  EXPECT_TRUE(Exists(dir + "\\c.log"));
  EXPECT_TRUE(Exists(dir + "\\sub.txt"));
  EXPECT_FALSE(DeleteFiles(dir + "\\*.txt", true));
}

TEST(Files, MaskCopyAndRenameTargets) {
  struct Case { std::vector<const char*> sources; const char* mask; const char* dest; int count;
                std::vector<const char*> expected; };
  const Case cases[] = {
      {{"a.txt", "b.txt", "c.log"}, "*.txt", "out\\*.bak", 2, {"a.bak", "b.bak"}},
      {{"one.txt", "two.dat"}, "*", "out\\new.*", 2, {"new.txt", "new.dat"}},
      {{"x.txt", "y.txt"}, "*.txt", "out\\new.*", 2, {"new.txt"}},  // the later copy overwrites
      {{"p.txt", "q.log"}, "*.*", "out", 2, {"p.txt", "q.log"}},     // an existing folder
      {{"p.txt"}, "*.*", "out\\*.*", 1, {"p.txt"}},
      {{"p.txt"}, "*.*", "out\\fixed.name", 1, {"fixed.name"}},
      {{"p.txt"}, "*.none", "out\\", 0, {}},
      // <deep>: a folder of 250 characters, deeper than the system's temporary names can go.
      {{"a.txt", "b.txt"}, "*.txt", "out\\<deep>\\*.bak", 2, {"a.bak", "b.bak"}},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.mask) + " -> " + c.dest);
    const std::string dir = tt::ScratchDir("files_maskcopy" + std::to_string(n++));
    CreateDirectoryA((dir + "\\in").c_str(), nullptr);
    for (const char* s : c.sources) ASSERT_TRUE(tt::WriteFile(dir + "\\in\\" + s, s));
    if (std::string(c.dest) == "out") CreateDirectoryA((dir + "\\out").c_str(), nullptr);
    std::string out = dir + "\\out";
    while (std::string(c.dest).find("<deep>") != std::string::npos && out.size() < 250)
      out += "\\" + std::string(std::min<size_t>(90, std::max<size_t>(249 - out.size(), 1)), 'd');
    const std::string dest = ReplaceAll(dir + "\\" + c.dest, dir + "\\out\\<deep>", out);
    EXPECT_EQ(CopyFiles(dir + "\\in\\" + c.mask, dest, true), c.count);
    EXPECT_EQ(ItemSet(ListFiles(out + "\\*", true)), std::set<std::string>(c.expected.begin(), c.expected.end()));
  }

  // Renames stay in the source folder; a name taken already fails.
  struct Rename { std::vector<const char*> sources; const char* mask; const char* dest; int count;
                  std::vector<const char*> after; };
  const Rename renames[] = {
      {{"a.txt", "b.txt", "c.log"}, "*.txt", "*.bak", 2, {"a.bak", "b.bak", "c.log"}},
      {{"one.txt"}, "*.txt", "elsewhere\\*.doc", 1, {"one.doc"}},
      {{"x.txt", "y.txt"}, "*.txt", "new.*", 1, {"new.txt"}},
  };
  for (const auto& r : renames) {
    SCOPED_TRACE(std::string(r.mask) + " -> " + r.dest);
    const std::string dir = tt::ScratchDir("files_rename" + std::to_string(n++));
    for (const char* s : r.sources) ASSERT_TRUE(tt::WriteFile(dir + "\\" + s, s));
    EXPECT_EQ(RenameFiles(dir + "\\" + r.mask, dir + "\\" + r.dest), r.count);
    for (const char* e : r.after) EXPECT_TRUE(Exists(dir + "\\" + e)) << e;
    EXPECT_EQ(ListItemCount(ListFiles(dir + "\\*", true)), int(r.sources.size()));
    EXPECT_FALSE(Exists(dir + "\\elsewhere"));
  }
  // Without a star: one copy, one rename.
  const std::string dir = tt::ScratchDir("files_plaincopy");
  ASSERT_TRUE(tt::WriteFile(dir + "\\f.txt", "f"));
  EXPECT_EQ(CopyFiles(dir + "\\f.txt", dir + "\\g.txt", false), 1);
  EXPECT_EQ(Content(dir + "\\g.txt"), "f");
  EXPECT_EQ(CopyFiles(dir + "\\none.txt", dir + "\\h.txt", false), 0);
  EXPECT_EQ(CopyFiles(dir + "\\*.txt", dir + "\\missing\\", false), 0);
  EXPECT_EQ(RenameFiles(dir + "\\g.txt", dir + "\\h.txt"), 1);
  EXPECT_TRUE(Exists(dir + "\\h.txt"));
  EXPECT_EQ(RenameFiles(dir + "\\g.txt", dir + "\\i.txt"), 0);
}

TEST(Files, Trees) {
  const std::string dir = tt::ScratchDir("files_trees");
  const std::string src = dir + "\\src";
  for (const char* f : {"\\top.txt", "\\A\\a1.txt", "\\A\\Deep\\d.txt", "\\B\\b.txt"}) {
    ForceDirectories(ExtractFileDir(src + f));
    ASSERT_TRUE(tt::WriteFile(src + f, f));
  }
  SetFileAttributesA((src + "\\A\\a1.txt").c_str(), FILE_ATTRIBUTE_READONLY);

  // Parents come before their children.
  const std::string list = ListDirTree(src);
  ASSERT_EQ(ListItemCount(list), 4) << list;
  EXPECT_EQ(GetListItem(list, 0), src);
  EXPECT_LT(ListItemIndex(list, src + "\\A"), ListItemIndex(list, src + "\\A\\Deep"));
  EXPECT_GE(ListItemIndex(list, src + "\\B"), 1);
  EXPECT_EQ(ListDirTree(dir + "\\none"), "");

  EXPECT_TRUE(CopyDirTree(src, dir + "\\copy\\of\\src"));
  EXPECT_EQ(Content(dir + "\\copy\\of\\src\\A\\Deep\\d.txt"), "\\A\\Deep\\d.txt");
  EXPECT_EQ(Content(dir + "\\copy\\of\\src\\top.txt"), "\\top.txt");
  EXPECT_FALSE(CopyDirTree(src, UpperCase(src) + "\\"));
  EXPECT_FALSE(CopyDirTree(dir + "\\none", dir + "\\x"));
  EXPECT_FALSE(Exists(dir + "\\x"));
  // Into itself: refused, nothing made.
  EXPECT_FALSE(CopyDirTree(src, src + "\\A\\inner"));
  EXPECT_FALSE(Exists(src + "\\A\\inner"));

  EXPECT_EQ(FindFileInTree(src, "D.TXT"), src + "\\A\\Deep\\d.txt");
  EXPECT_EQ(FindFileInTree(src, "top.txt"), src + "\\top.txt");
  EXPECT_EQ(FindFileInTree(src, "Deep"), "");  // folders are not files
  EXPECT_EQ(FindFileInTree(src, ""), "");
  EXPECT_EQ(FindFolderInTree(src, "deep"), src + "\\A\\Deep");
  EXPECT_EQ(FindFolderInTree(src, "rc"), src);  // the tail of the root's name matches
  EXPECT_EQ(FindFolderInTree(src, "eep"), src + "\\A\\Deep");
  EXPECT_EQ(FindFolderInTree(src, "top.txt"), "");
  EXPECT_EQ(FindFolderInTree(src, ""), "");

  EXPECT_TRUE(RenameFolder(src + "\\B", "Bee"));
  EXPECT_EQ(Content(src + "\\Bee\\b.txt"), "\\B\\b.txt");
  EXPECT_TRUE(RenameFolder(src + "\\Bee", dir + "\\moved"));
  EXPECT_TRUE(Exists(dir + "\\moved\\b.txt"));
  EXPECT_FALSE(RenameFolder(src + "\\none", "x"));
  EXPECT_FALSE(RenameFolder(dir + "\\moved", dir + "\\no\\parent"));
  EXPECT_FALSE(RenameFolder(dir + "\\moved", ""));
  EXPECT_TRUE(Exists(dir + "\\moved\\b.txt"));

  // Read-only files stop a deletion unless they are cleared.
  EXPECT_FALSE(DeleteTree(src, false));
  EXPECT_TRUE(Exists(src + "\\A\\a1.txt"));
  EXPECT_FALSE(Exists(src + "\\top.txt"));
  EXPECT_TRUE(DeleteTree(src + "\\", true));
  EXPECT_FALSE(Exists(src));
  EXPECT_FALSE(DeleteTree(src, true));
  EXPECT_TRUE(Exists(dir + "\\copy\\of\\src\\top.txt"));
}

TEST(Files, DeleteTreeOfNothingTouchesNothing) {
  const std::string dir = tt::ScratchDir("files_nothing");
  ASSERT_TRUE(tt::WriteFile(dir + "\\keep.txt", "keep"));
  SetCurrentDirectoryA(dir.c_str());
  EXPECT_FALSE(DeleteTree("", true));
  EXPECT_FALSE(DeleteTree("keep.txt", true));
  SetCurrentDirectoryA(tt::ProgramDir().c_str());
  EXPECT_EQ(Content(dir + "\\keep.txt"), "keep");
}

// The build leaves a folder holding a host link to a sibling folder, which Wine shows as
// a reparse point: the only kind of link a program can meet here.
// A drive root, however it is written, is never emptied. V: is the tests' throwaway
// drive (D:\fixtures\volume).
TEST(Files, DeleteTreeNeverEmptiesAVolume) {
  const std::string dir = tt::ProgramDir() + "..\\fixtures\\volume";
  CreateDirectoryA((dir + "\\sub").c_str(), nullptr);
  ASSERT_TRUE(tt::WriteFile(dir + "\\keep.txt", "keep"));
  ASSERT_TRUE(tt::WriteFile(dir + "\\sub\\inner.txt", "inner"));
  if (Content("V:\\keep.txt") != "keep") GTEST_SKIP() << "no drive V: for " << dir;
  SetCurrentDirectoryA("V:\\");
  for (const std::string root : {"V:\\", "v:\\\\", "V:", "\\", "V:\\sub\\.."}) {
    EXPECT_FALSE(DeleteTree(root, true)) << root;
    EXPECT_EQ(Content(dir + "\\keep.txt"), "keep") << root;
    EXPECT_EQ(Content(dir + "\\sub\\inner.txt"), "inner") << root;
  }
  // A folder below the root still goes.
  EXPECT_TRUE(DeleteTree("V:\\sub", true));
  EXPECT_FALSE(Exists(dir + "\\sub"));
  SetCurrentDirectoryA(tt::ProgramDir().c_str());
}

TEST(Files, LinksAreNeverEntered) {
  char full[MAX_PATH];
  GetFullPathNameA((tt::ProgramDir() + "..\\fixtures\\linktree").c_str(), MAX_PATH, full, nullptr);
  const std::string root = full, tree = root + "\\tree", link = tree + "\\link";
  const DWORD attrs = GetFileAttributesA(link.c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_REPARSE_POINT))
    GTEST_SKIP() << "no link fixture at " << link;
  ASSERT_TRUE(Exists(link + "\\keep.txt"));  // seen through the link

  EXPECT_EQ(FindFileInTree(tree, "keep.txt"), "");
  EXPECT_EQ(FindFileInTree(root, "keep.txt"), root + "\\target\\keep.txt");
  EXPECT_EQ(FindFolderInTree(tree, "link"), "");
  EXPECT_EQ(FindFolderInTree(tree, "sub"), tree + "\\sub");
  EXPECT_EQ(ItemSet(ListDirTree(tree)), (std::set<std::string>{tree, tree + "\\sub", link}));
  EXPECT_TRUE(CopyDirTree(tree, root + "\\copied"));
  EXPECT_TRUE(Exists(root + "\\copied\\sub\\inner.txt"));
  EXPECT_FALSE(Exists(root + "\\copied\\link\\keep.txt"));

  // The link itself as the folder to delete: the target keeps its content.
  const bool gone = DeleteTree(link, true);
  EXPECT_EQ(gone, !Exists(link));
  EXPECT_TRUE(Exists(root + "\\target\\keep.txt"));
  // The tree around it: everything of the tree goes, the target stays whole.
  const bool treeGone = DeleteTree(tree, true);
  EXPECT_EQ(treeGone, !Exists(tree));
  EXPECT_FALSE(Exists(tree + "\\plain.txt"));
  EXPECT_FALSE(Exists(tree + "\\sub"));
  EXPECT_TRUE(Exists(root + "\\target\\keep.txt"));
}

TEST(Files, DriveSearches) {
  // Drive searches run over the prefix's own drives; a file and a folder of unique names
  // at the root of C: are found before anything below.
  const std::string name = "kv_drive_probe_" + std::to_string(GetCurrentProcessId());
  ASSERT_EQ(GetDriveTypeA("C:\\"), UINT(DRIVE_FIXED));
  ASSERT_TRUE(tt::WriteFile("C:\\" + name + ".txt", "probe"));
  ASSERT_TRUE(CreateDirectoryA(("C:\\" + name + "_dir").c_str(), nullptr));
  EXPECT_EQ(FindFileOnDrives(name + ".txt", DRIVE_FIXED), "C:\\" + name + ".txt");
  EXPECT_EQ(FindFileOnDrives(name + ".txt", DRIVE_REMOTE), "");
  EXPECT_EQ(FindFolderOnDrives(name + "_dir", DRIVE_REMOTE), "");
  // A folder is reached by a depth-first walk; the walk does not enter links.
  EXPECT_EQ(UpperCase(FindFolderOnDrives(name + "_dir", DRIVE_FIXED)), UpperCase("C:\\" + name + "_dir"));
  // A file found only in the scratch folder of the build drive.
  const std::string dir = tt::ScratchDir("files_drives");
  ASSERT_TRUE(tt::WriteFile(dir + "\\" + name + ".only", "x"));
  EXPECT_EQ(UpperCase(FindFileOnDrives(name + ".only", DRIVE_FIXED)), UpperCase(dir + "\\" + name + ".only"));
  EXPECT_EQ(FindFileOnDrives(name + ".nowhere", DRIVE_FIXED), "");
  DeleteFileA(("C:\\" + name + ".txt").c_str());
  RemoveDirectoryA(("C:\\" + name + "_dir").c_str());
}

namespace {

std::string ShellFolder(int id) {
  char buf[MAX_PATH] = "";
  return SUCCEEDED(SHGetFolderPathA(nullptr, id, nullptr, 0, buf)) ? buf : "";
}

std::string ShortName(const std::string& path) {
  char buf[MAX_PATH] = "";
  const DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof buf);
  return n > 0 && n < sizeof buf ? buf : path;
}

}  // namespace

TEST(Files, ProtectedFolders) {
  const std::string scratch = tt::ScratchDir("files_protected");
  CreateDirectoryA((scratch + "\\App").c_str(), nullptr);
  char winDir[MAX_PATH] = "";
  GetWindowsDirectoryA(winDir, MAX_PATH);
  const std::string win = winDir;
  const std::string programFiles = ShellFolder(CSIDL_PROGRAM_FILES);
  const std::string profile = ShellFolder(CSIDL_PROFILE);
  struct Case { std::string path; bool isProtected; };
  std::vector<Case> cases = {
      {"", true}, {"App", true}, {"..\\App", true}, {"C:App", true}, {"\\Windows", true},
      {"C:\\", true}, {"c:", true}, {"C:\\\\", true}, {"C:/", true}, {"\\\\server\\share", true},
      {"\\\\server\\share\\", true}, {"\\\\server", true}, {"\\\\.\\C:", true},
      {win, true}, {win + "\\", true}, {UpperCase(win), true}, {LowerCase(win) + "\\system32\\..", true},
      {win + "\\system32", true}, {programFiles, true}, {ShortName(programFiles), true},
      {profile, true}, {ExtractFileDir(profile), true},
      {programFiles + "\\Some Application", false}, {scratch + "\\App", false}, {scratch + "\\App\\", false},
      {"\\\\?\\" + scratch + "\\App", false}, {"\\\\server\\share\\App", false}, {win + "\\Temp\\App", false},
  };
  // The user's and all users' shell folders.
  for (int id : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_COMMON_DOCUMENTS,
                 CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_STARTUP,
                 CSIDL_COMMON_STARTUP, CSIDL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_SYSTEM}) {
    const std::string folder = ShellFolder(id);
    ASSERT_FALSE(folder.empty()) << id;
    cases.push_back({folder, true});
    cases.push_back({UpperCase(folder) + "\\", true});
    cases.push_back({folder + "\\Some Application", false});
  }
  for (const auto& c : cases) EXPECT_EQ(IsProtectedFolder(c.path), c.isProtected) << "'" << c.path << "'";
}

// The test prefix reaches nothing of the host: no drive for its root, and the profile
// folders are real folders, not links into the host's home.
TEST(Files, PrefixIsSealedFromTheHost) {
  EXPECT_EQ(GetDriveTypeA("Z:\\"), UINT(DRIVE_NO_ROOT_DIR));
  for (int id : {CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_MYMUSIC, CSIDL_MYPICTURES, CSIDL_MYVIDEO}) {
    const std::string folder = ShellFolder(id);
    const DWORD attrs = GetFileAttributesA(folder.c_str());
    ASSERT_NE(attrs, INVALID_FILE_ATTRIBUTES) << folder;
    EXPECT_FALSE(attrs & FILE_ATTRIBUTE_REPARSE_POINT) << folder;
  }
}

// The copy is whole only once the destination's close succeeded: a close that fails (a handle
// protected from closing) leaves the copy failed and the source as it was.
TEST(Files, DirectCopyFailsWhenTheDestinationDoesNotClose) {
  const std::string dir = tt::ScratchDir("files_copyinto") + "\\";
  ASSERT_TRUE(tt::WriteFile(dir + "source.txt", "payload"));
  const HANDLE out = CreateFileA((dir + "dest.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_TRUE(SetHandleInformation(out, HANDLE_FLAG_PROTECT_FROM_CLOSE, HANDLE_FLAG_PROTECT_FROM_CLOSE));
  TCopyFinish finish;
  EXPECT_FALSE(CopyIntoFile(dir + "source.txt", out, finish));
  std::string text;
  EXPECT_TRUE(tt::ReadFile(dir + "source.txt", text) && text == "payload");
  SetHandleInformation(out, HANDLE_FLAG_PROTECT_FROM_CLOSE, 0);
  CloseHandle(out);
}
