#include "RunJournal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common.h"
#include "RegOp.h"
#include "RegRestore.h"
#include "SysTestUtil.h"
#include "TestTool.h"

namespace {

const std::string kPid = std::to_string(GetCurrentProcessId());
const std::string kKey = "HKEY_CURRENT_USER\\Software\\KvRunJournalTest" + kPid;

void Write(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
  DWORD put = 0;
  WriteFile(h, bytes.data(), DWORD(bytes.size()), &put, nullptr);
  CloseHandle(h);
}

std::string Read(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "-";
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got) bytes.append(buffer, got);
  CloseHandle(h);
  return bytes;
}

TRunEntry Entry(TRunStep kind, const std::string& path, const std::string& other = std::string()) {
  TRunEntry e;
  e.kind = kind;
  e.path = path;
  e.other = other;
  return e;
}

// A journal of every kind of entry, a registry key and value included.
std::string SampleJournal(std::vector<TRunEntry>& entries) {
  systest::RemoveKey(HKEY_CURRENT_USER, kKey.substr(18));
  WriteRegValueSimple(kKey + "\\Sub", "Name", "value", false);
  entries.clear();
  entries.push_back(Entry(TRunStep::FolderMissing, "T:\\App"));
  entries.push_back(Entry(TRunStep::FolderThere, "T:\\"));
  entries.push_back(Entry(TRunStep::NewFile, "T:\\App\\a%b.txt"));
  entries.push_back(Entry(TRunStep::Aside, "T:\\App\\x.exe", "T:\\App\\~kv1_1.tmp"));
  entries.push_back(Entry(TRunStep::UsedUp, "D:\\Package\\big.bin"));
  entries.push_back(Entry(TRunStep::PendingRename, "T:\\App\\Xy.dll", "T:\\App\\y.dll"));
  TRunEntry key = Entry(TRunStep::RegKey, kKey);
  key.key.reset(new TRegKeySnapshot(kKey));
  entries.push_back(key);
  TRunEntry value = Entry(TRunStep::RegValue, kKey + "\\Sub");
  value.value.reset(new TRegValueSnapshot(kKey + "\\Sub", "Name"));
  entries.push_back(value);
  entries.push_back(Entry(TRunStep::Fresh, "T:\\App\\~kv1_2.tmp"));
  entries.push_back(Entry(TRunStep::Completing, ""));
  std::string bytes = JournalHeader();
  for (const TRunEntry& e : entries) bytes += JournalLine(e);
  systest::RemoveKey(HKEY_CURRENT_USER, kKey.substr(18));
  return bytes;
}

bool SameEntry(const TRunEntry& a, const TRunEntry& b) {
  return a.kind == b.kind && a.path == b.path && a.other == b.other && bool(a.key) == bool(b.key) &&
         bool(a.value) == bool(b.value);
}

TEST(RunJournal, ReadsBackEveryKindOfEntry) {
  std::vector<TRunEntry> written, read;
  const std::string bytes = SampleJournal(written);
  ASSERT_TRUE(ReadJournal(bytes, read));
  ASSERT_EQ(read.size(), written.size());
  for (size_t i = 0; i < read.size(); ++i) EXPECT_TRUE(SameEntry(read[i], written[i])) << i;
}

// Damaged journals: each is refused (no header) or read up to its first damaged line, and
// what is read is exactly the whole entries before it.
TEST(RunJournal, DamagedJournalIsReadAsFarAsItIsWhole) {
  std::vector<TRunEntry> written, read;
  const std::string bytes = SampleJournal(written);
  std::vector<size_t> lineEnds;
  for (size_t i = 0; i < bytes.size(); ++i)
    if (bytes[i] == '\n') lineEnds.push_back(i + 1);
  auto wholeBefore = [&](size_t cut) {
    size_t n = 0;
    for (size_t e : lineEnds)
      if (e <= cut) ++n;
    return n == 0 ? 0 : n - 1;  // the header is no entry
  };
  // Cut at every byte.
  for (size_t cut = 0; cut <= bytes.size(); ++cut) {
    const bool header = ReadJournal(bytes.substr(0, cut), read);
    EXPECT_EQ(header, cut >= lineEnds[0]) << cut;
    ASSERT_EQ(read.size(), wholeBefore(cut)) << cut;
    for (size_t i = 0; i < read.size(); ++i) EXPECT_TRUE(SameEntry(read[i], written[i])) << cut;
  }
  const size_t third = lineEnds[3];  // after the header and three entries
  const struct {
    const char* name;
    std::string bytes;
    bool header;
    size_t entries;
  } rows[] = {
      {"empty", "", false, 0},
      {"garbage", std::string("\x01\xFF garbage\n\n\t\t\t\n", 15), false, 0},
      {"another file's header", "KVRUN\t2\t1\t00000000\r\n" + bytes.substr(lineEnds[0]), false, 0},
      {"a byte changed in the fourth entry",
       bytes.substr(0, third + 4) + char(bytes[third + 4] ^ 1) + bytes.substr(third + 5), true, 3},
      {"garbage line after three entries", bytes.substr(0, third) + "N\tC:\\x\t\tZZZZZZZZ\r\n" + bytes.substr(third),
       true, 3},
      {"a line of nulls", bytes.substr(0, third) + std::string(64, '\0') + "\n", true, 3},
      {"an entry of an unknown kind", bytes.substr(0, third) + "Q\tC:\\x\t\t00000000\r\n", true, 3},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ReadJournal(row.bytes, read), row.header);
    EXPECT_EQ(read.size(), row.entries);
  }
}

// A registry snapshot's bytes: read back whole, refused when cut or changed, never a crash.
TEST(RunJournal, SnapshotBytesAreRefusedWhenDamaged) {
  systest::RemoveKey(HKEY_CURRENT_USER, kKey.substr(18));
  WriteRegValueSimple(kKey, "Top", "1", false);
  WriteRegValueSimple(kKey + "\\A\\B", "Deep", "2", false);
  TRegKeySnapshot snapshot(kKey);
  const std::string bytes = snapshot.Serialize();
  TRegValueSnapshot value(kKey, "Top");
  const std::string valueBytes = value.Serialize();
  ASSERT_TRUE(TRegKeySnapshot::Read(bytes));
  ASSERT_TRUE(TRegValueSnapshot::Read(valueBytes));
  for (size_t cut = 0; cut < bytes.size(); ++cut) EXPECT_FALSE(TRegKeySnapshot::Read(bytes.substr(0, cut))) << cut;
  for (size_t cut = 0; cut < valueBytes.size(); ++cut)
    EXPECT_FALSE(TRegValueSnapshot::Read(valueBytes.substr(0, cut))) << cut;
  // Counts made huge: refused without trying to hold them.
  for (size_t at = 3; at + 4 <= bytes.size(); ++at) {
    std::string damaged = bytes;
    damaged.replace(at, 4, "\xFF\xFF\xFF\x7F", 4);
    TRegKeySnapshot::Read(damaged);
  }
  EXPECT_FALSE(TRegKeySnapshot::Read(bytes + "x"));
  EXPECT_FALSE(TRegKeySnapshot::Read(valueBytes));
  systest::RemoveKey(HKEY_CURRENT_USER, kKey.substr(18));
}

// A key read back from its bytes puts the registry back as it was.
TEST(RunJournal, SnapshotReadBackRestoresTheKey) {
  systest::RemoveKey(HKEY_CURRENT_USER, kKey.substr(18));
  WriteRegValueSimple(kKey, "Top", "before", false);
  WriteRegValueSimple(kKey + "\\A", "Deep", "before", false);
  const std::string bytes = TRegKeySnapshot(kKey).Serialize();
  const std::string missing = TRegKeySnapshot(kKey + "\\New\\Deeper").Serialize();
  WriteRegValueSimple(kKey, "Top", "after", false);
  WriteRegValueSimple(kKey + "\\A", "Added", "after", false);
  WriteRegValueSimple(kKey + "\\New\\Deeper", "X", "after", false);
  ASSERT_TRUE(TRegKeySnapshot::Read(missing)->Restore());
  ASSERT_TRUE(TRegKeySnapshot::Read(bytes)->Restore());
  EXPECT_EQ(ReadRegValue(kKey, "Top", ""), "before");
  EXPECT_EQ(ReadRegValue(kKey + "\\A", "Deep", ""), "before");
  EXPECT_EQ(ReadRegValue(kKey + "\\A", "Added", "-"), "-");
  EXPECT_FALSE(RegKeyExists(kKey + "\\New"));
  systest::RemoveKey(HKEY_CURRENT_USER, kKey.substr(18));
}

// What a run left, given after its entries: read back onto them; a journal of an earlier
// Setup (no such lines) has none; a damaged line ends the reading as any other.
TEST(RunJournal, AfterLinesReadBackAndADamagedOneIsRefused) {
  systest::RemoveKey(HKEY_CURRENT_USER, kKey.substr(18));
  WriteRegValueSimple(kKey, "Top", "before", false);
  std::vector<TRunEntry> entries = {Entry(TRunStep::RegKey, kKey), Entry(TRunStep::RegValue, kKey),
                                    Entry(TRunStep::NewFile, "T:\\App\\a.txt"), Entry(TRunStep::NewFile, "T:\\App\\b.txt")};
  entries[0].key.reset(new TRegKeySnapshot(kKey));
  entries[1].value.reset(new TRegValueSnapshot(kKey, "Top"));
  WriteRegValueSimple(kKey, "Top", "after", false);
  WriteRegValueSimple(kKey, "Added", "after", false);
  entries[0].keyAfter.reset(new TRegKeySnapshot(kKey));
  entries[1].valueAfter = entries[1].value->Current();
  systest::RemoveKey(HKEY_CURRENT_USER, kKey.substr(18));
  entries[2].fileAfter = entries[3].fileAfter = true;
  entries[2].fileSize = 5;
  entries[2].fileWritten = 0x01D2030405060708ull;
  entries[3].fileSize = 1ull << 33;
  entries[3].fileWritten = 42;
  std::string plain = JournalHeader();
  for (const TRunEntry& e : entries) plain += JournalLine(e);
  // The first file's state is given, then voided; the second's given after that.
  const std::string bytes = plain + JournalAfterLine(0, entries[0]) + JournalAfterLine(1, entries[1]) +
                            JournalAfterLine(2, entries[2]) + JournalFilesVoidLine() + JournalAfterLine(3, entries[3]);
  std::vector<TRunEntry> read;
  ASSERT_TRUE(ReadJournal(bytes, read));
  ASSERT_EQ(read.size(), 4u);
  ASSERT_TRUE(read[0].keyAfter && read[1].valueAfter);
  EXPECT_TRUE(read[0].keyAfter->SameAs(*entries[0].keyAfter));
  EXPECT_FALSE(read[0].keyAfter->SameAs(*read[0].key));
  EXPECT_TRUE(read[1].valueAfter->SameAs(*entries[1].valueAfter));
  EXPECT_FALSE(read[1].valueAfter->SameAs(*read[1].value));
  EXPECT_FALSE(read[2].fileAfter);
  EXPECT_TRUE(read[3].fileAfter);
  EXPECT_EQ(read[3].fileSize, entries[3].fileSize);
  EXPECT_EQ(read[3].fileWritten, entries[3].fileWritten);
  ASSERT_TRUE(ReadJournal(plain, read));
  ASSERT_EQ(read.size(), 4u);
  EXPECT_TRUE(!read[0].keyAfter && !read[1].valueAfter && !read[2].fileAfter && !read[3].fileAfter);

  std::string flipped = JournalAfterLine(2, entries[2]);
  flipped[4] = char(flipped[4] ^ 1);
  const struct {
    const char* name;
    std::string line;
  } rows[] = {
      {"a byte changed", flipped},
      {"an entry number past the entries", JournalAfterLine(4, entries[2])},
      {"a key's state given to a new file", JournalAfterLine(2, entries[0])},
      {"a file's state given to a key", JournalAfterLine(0, entries[2])},
      {"cut", JournalAfterLine(0, entries[0]).substr(0, 40) + "\r\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    // Nothing after the damaged line is read either.
    ASSERT_TRUE(ReadJournal(plain + row.line + JournalAfterLine(3, entries[3]), read));
    ASSERT_EQ(read.size(), 4u);
    EXPECT_TRUE(!read[0].keyAfter && !read[2].fileAfter && !read[3].fileAfter);
  }
}

// A new file of the run goes on undo while it is as the run left it; one another program
// changed since stays, and the undo says so. Without the run's state it goes, as before.
TEST(RunJournal, UndoKeepsANewFileChangedSince) {
  const std::string dir = systest::Scratch("journal_kept");
  const struct {
    const char* name;
    bool state;        // the run's state was taken
    const char* data;  // what another program writes then (null: nothing)
    int later;         // seconds its last write time is later than the run's
    bool gone, kept;
  } rows[] = {
      {"as the run left it", true, nullptr, 0, true, false},
      {"rewritten, the same size", true, "THE RUN'S", 10, false, true},
      {"grown, the same time", true, "the run's and theirs", 0, false, true},
      {"changed, no state taken", false, "theirs", 10, true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string file = dir + "made.txt";
    Write(file, "the run's");
    TRunEntry e = Entry(TRunStep::NewFile, file);
    if (row.state) {
      ASSERT_TRUE(ReadFileMark(file, e.fileSize, e.fileWritten));
      e.fileAfter = true;
    }
    if (row.data) {
      uint64_t size = 0, written = 0;
      ASSERT_TRUE(ReadFileMark(file, size, written));
      Write(file, row.data);
      const uint64_t when = written + uint64_t(row.later) * 10000000u;
      FILETIME t = {DWORD(when), DWORD(when >> 32)};
      HANDLE h = CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(h, INVALID_HANDLE_VALUE);
      SetFileTime(h, nullptr, nullptr, &t);
      CloseHandle(h);
    }
    TUndoOutcome outcome;
    UndoEntry(e, outcome);
    EXPECT_EQ(systest::Exists(file), !row.gone);
    EXPECT_EQ(outcome.kept, row.kept ? std::vector<std::string>{file} : std::vector<std::string>());
    EXPECT_EQ(outcome.failed, 0);
    DeleteFileA(file.c_str());
  }
}

std::wstring PendingText() { return tt::PendingRenameText(); }

std::wstring Upper(const std::string& text) {
  std::wstring w = WideText(text);
  CharUpperBuffW(&w[0], DWORD(w.size()));
  return w;
}

// Undo by renames, each checked: a file the run left that cannot be moved now is replaced at
// the next restart by the earlier one, and the undo says so.
TEST(RunJournal, UndoThatCannotRenameNowIsLeftToTheRestart) {
  const std::string dir = systest::Scratch("journal_undo");
  const std::string path = dir + "prog.dll", aside = dir + "~kv1_1.tmp", made = dir + "made.txt";
  Write(aside, "earlier");
  Write(path, "the run's");
  Write(made, "new");
  const std::vector<TRunEntry> entries = {Entry(TRunStep::Aside, path, aside), Entry(TRunStep::NewFile, made)};
  {
    TUndoOutcome outcome;
    UndoEntries(entries, outcome);
    EXPECT_EQ(outcome.failed, 0);
    EXPECT_FALSE(outcome.restart);
    EXPECT_EQ(Read(path), "earlier");
    EXPECT_FALSE(systest::Exists(aside));
    EXPECT_FALSE(systest::Exists(made));
  }
  Write(aside, "earlier");
  Write(path, "the run's");
  // Held without sharing its deletion: neither replaced nor renamed while it is open.
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  TUndoOutcome outcome;
  UndoEntries({Entry(TRunStep::Aside, path, aside)}, outcome);
  CloseHandle(held);
  EXPECT_EQ(outcome.failed, 0);
  EXPECT_TRUE(outcome.restart);
  EXPECT_EQ(Read(path), "the run's");
  EXPECT_EQ(Read(aside), "earlier");
  const std::wstring pending = PendingText();
  CharUpperBuffW(const_cast<wchar_t*>(pending.data()), DWORD(pending.size()));
  EXPECT_NE(pending.find(L"\\??\\" + Upper(aside) + L"|!\\??\\" + Upper(path) + L"|"), std::wstring::npos);
  EXPECT_TRUE(CancelPendingRename(aside, path, true));
}

// Completion deletes what was set aside; one that cannot be deleted goes at the restart.
TEST(RunJournal, ReleaseLeavesAHeldAsideFileToTheRestart) {
  const std::string dir = systest::Scratch("journal_release");
  const std::string a = dir + "~kv1_1.tmp", b = dir + "~kv1_2.tmp", used = dir + "used.bin";
  Write(a, "1");
  Write(b, "2");
  Write(used, "3");
  HANDLE held = CreateFileA(b.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  const std::vector<std::string> left = ReleaseEntries(
      {Entry(TRunStep::Aside, dir + "x", a), Entry(TRunStep::Aside, dir + "y", b), Entry(TRunStep::UsedUp, used)});
  CloseHandle(held);
  EXPECT_FALSE(systest::Exists(a));
  EXPECT_FALSE(systest::Exists(used));
  ASSERT_EQ(left, std::vector<std::string>{b});
  const std::wstring pending = PendingText();
  CharUpperBuffW(const_cast<wchar_t*>(pending.data()), DWORD(pending.size()));
  EXPECT_NE(pending.find(L"\\??\\" + Upper(b) + L"||"), std::wstring::npos);
  MoveFileExA(b.c_str(), nullptr, 0);
}

// A journal that its run holds is left alone; once its run is gone (killed: the handle closes,
// the file stays), the next recovery undoes it and deletes it.
TEST(RunJournal, RecoveryUndoesOnlyTheJournalsNoRunHolds) {
  const std::string dir = systest::Scratch("journal_recover");
  const std::string folder = dir + "Runs", app = dir + "App", file = app + "\\a.txt", aside = app + "\\~kv9_1.tmp";
  CreateDirectoryA(app.c_str(), nullptr);
  Write(file, "earlier");
  std::string journalPath;
  {
    TRunJournal journal;
    ASSERT_TRUE(journal.Open(folder));
    journalPath = journal.Path();
    ASSERT_TRUE(journal.Append(Entry(TRunStep::Aside, file, aside)));
    ASSERT_TRUE(MoveFileA(file.c_str(), aside.c_str()));
    ASSERT_TRUE(journal.Append(Entry(TRunStep::NewFile, file)));
    Write(file, "the run's");
    // Held: not undone.
    EXPECT_EQ(RecoverUnfinishedRuns(folder).runs, 0);
    EXPECT_EQ(Read(file), "the run's");
  }
  // The run is killed before its last line is whole (the handle closed, the file stays).
  {
    const std::string cut = "N\t" + app + "\\b.txt";
    DWORD put = 0;
    HANDLE h = CreateFileA(journalPath.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    WriteFile(h, cut.data(), DWORD(cut.size()), &put, nullptr);
    CloseHandle(h);
  }
  ASSERT_TRUE(systest::Exists(journalPath));
  const TRecovery recovery = RecoverUnfinishedRuns(folder);
  EXPECT_EQ(recovery.runs, 1);
  EXPECT_FALSE(recovery.outcome.restart);
  EXPECT_EQ(Read(file), "earlier");
  EXPECT_FALSE(systest::Exists(aside));
  EXPECT_FALSE(systest::Exists(journalPath));
  EXPECT_EQ(RecoverUnfinishedRuns(folder).runs, 0);
}

// The names of a folder's journals.
std::vector<std::string> Journals(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA((folder + "\\*.kvr").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(folder + "\\" + found.cFileName);
  while (FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

// A recovery that cannot put a key back now (its parent has become volatile, which takes no
// lasting subkey) keeps that step, and only it, in a journal of its own: the next recovery,
// once the obstacle is gone, finishes it and deletes that journal.
TEST(RunJournal, RecoveryThatFailsKeepsTheStepsItCouldNotDo) {
  const std::string dir = systest::Scratch("journal_kept");
  const std::string folder = dir + "Runs", made = dir + "made.txt";
  const std::string parent = kKey.substr(18) + "\\Vol", sub = kKey + "\\Vol\\Sub";
  systest::RemoveKey(HKEY_CURRENT_USER, kKey.substr(18));
  WriteRegValueSimple(sub, "Name", "before", false);
  TRunEntry key = Entry(TRunStep::RegKey, sub);
  key.key.reset(new TRegKeySnapshot(sub));
  systest::RemoveKey(HKEY_CURRENT_USER, parent);
  HKEY volatileKey;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, parent.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &volatileKey, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(volatileKey);
  Write(made, "the run's");
  {
    TRunJournal journal;
    ASSERT_TRUE(journal.Open(folder));
    ASSERT_TRUE(journal.Append(Entry(TRunStep::FolderThere, dir)));
    ASSERT_TRUE(journal.Append(key));
    ASSERT_TRUE(journal.Append(Entry(TRunStep::NewFile, made)));
    journal.Close();
  }
  const std::vector<std::string> first = Journals(folder);
  ASSERT_EQ(first.size(), 1u);
  TRecovery recovery = RecoverUnfinishedRuns(folder);
  EXPECT_EQ(recovery.runs, 1);
  EXPECT_EQ(recovery.outcome.failed, 1);
  EXPECT_TRUE(recovery.outcome.retried);
  EXPECT_FALSE(systest::Exists(made));
  const std::vector<std::string> kept = Journals(folder);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_NE(kept[0], first[0]);
  std::vector<TRunEntry> entries;
  ASSERT_TRUE(ReadJournal(Read(kept[0]), entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].kind, TRunStep::RegKey);
  EXPECT_EQ(entries[0].path, sub);
  systest::RemoveKey(HKEY_CURRENT_USER, parent);
  recovery = RecoverUnfinishedRuns(folder);
  EXPECT_EQ(recovery.runs, 1);
  EXPECT_EQ(recovery.outcome.failed, 0);
  EXPECT_FALSE(recovery.outcome.retried);
  EXPECT_EQ(ReadRegValue(sub, "Name", ""), "before");
  EXPECT_TRUE(Journals(folder).empty());
  systest::RemoveKey(HKEY_CURRENT_USER, kKey.substr(18));
}

// An installed file that is a second name of the package's file: deleting the package's name
// on completion, or the installed name on undo, leaves the other name's read-only and hidden
// attributes as they were.
TEST(RunJournal, DeletingOneNameOfAFileKeepsTheOthersAttributes) {
  const DWORD attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
  const struct {
    const char* name;
    bool complete;  // the package's name goes on completion, else the installed one on undo
  } rows[] = {{"completion", true}, {"undo", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string dir = systest::Scratch(std::string("journal_links_") + row.name);
    const std::string package = dir + "pkg.txt", installed = dir + "inst.txt";
    Write(package, "bytes");
    ASSERT_TRUE(CreateHardLinkA(installed.c_str(), package.c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesA(installed.c_str(), attributes));
    const std::string gone = row.complete ? package : installed, stays = row.complete ? installed : package;
    if (row.complete) {
      EXPECT_TRUE(ReleaseEntries({Entry(TRunStep::UsedUp, package)}).empty());
    } else {
      TUndoOutcome outcome;
      UndoEntries({Entry(TRunStep::NewFile, installed)}, outcome);
      EXPECT_EQ(outcome.failed, 0);
    }
    EXPECT_FALSE(systest::Exists(gone));
    EXPECT_EQ(Read(stays), "bytes");
    EXPECT_EQ(GetFileAttributesA(stays.c_str()) & (attributes | FILE_ATTRIBUTE_NORMAL), attributes);
    SetFileAttributesA(stays.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

}  // namespace
