#include "RegRestore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Common.h"
#include "RegOp.h"

namespace {

const std::string kPid = std::to_string(GetCurrentProcessId());
const std::string kBase = "Software\\KvRegRestoreTest" + kPid;
const std::string kPath = "HKEY_CURRENT_USER\\" + kBase;

// A key's whole contents as text: value names, types and bytes, then the subkeys, sorted as
// the registry lists them; "-" for a missing key.
std::string Dump(HKEY root, const std::string& key) {
  HKEY k;
  if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return "-";
  std::string out;
  char name[512];
  BYTE data[4096];
  for (DWORD i = 0;; ++i) {
    DWORD n = sizeof name, size = sizeof data, type = 0;
    if (RegEnumValueA(k, i, name, &n, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    out += std::string(name, n) + ":" + std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size) + "\n";
  }
  std::vector<std::string> subs;
  for (DWORD i = 0;; ++i) {
    DWORD n = sizeof name;
    if (RegEnumKeyExA(k, i, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subs.emplace_back(name, n);
  }
  RegCloseKey(k);
  for (const auto& s : subs) out += "[" + s + "]\n" + Dump(root, key + "\\" + s);
  return out;
}

void Set(const std::string& key, const char* name, DWORD type, const std::string& bytes) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(k, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
  RegCloseKey(k);
}

std::vector<wchar_t> ReadPending() {
  HKEY key;
  std::vector<wchar_t> data;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return data;
  DWORD size = 0, type = 0;
  if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    data.resize(size / sizeof(wchar_t));
    RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  }
  RegCloseKey(key);
  return data;
}

void WritePending(const std::vector<wchar_t>& data) {
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_SET_VALUE,
                          &key),
            ERROR_SUCCESS);
  if (data.empty())
    RegDeleteValueW(key, L"PendingFileRenameOperations");
  else
    RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   DWORD(data.size() * sizeof(wchar_t)));
  RegCloseKey(key);
}

std::vector<wchar_t> Pairs(const std::vector<std::wstring>& texts) {
  std::vector<wchar_t> out;
  for (const auto& t : texts) {
    out.insert(out.end(), t.begin(), t.end());
    out.push_back(L'\0');
  }
  out.push_back(L'\0');
  return out;
}

}  // namespace

// A key put back is the key as it was, whatever was changed, added or removed in it since;
// a key that was missing goes with the parents that were missing with it.
TEST(RegRestore, KeysAndValuesComeBackExactly) {
  DeleteRegKey(kPath);
  Set(kBase, "Text", REG_SZ, std::string("old\0", 4));
  Set(kBase, "", REG_SZ, std::string("default\0", 8));
  Set(kBase, "Bytes", REG_BINARY, std::string("\x00\x01\xff", 3));
  Set(kBase, "Number", REG_DWORD, std::string("\x2a\0\0\0", 4));
  Set(kBase + "\\Sub\\Deep", "Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5));
  Set(kBase + "\\Other", "x", REG_SZ, std::string("x\0", 2));
  const std::string before = Dump(HKEY_CURRENT_USER, kBase);
  TRegKeySnapshot snapshot(kPath);
  EXPECT_TRUE(snapshot.Existed());
  Set(kBase, "Text", REG_SZ, std::string("new\0", 4));
  Set(kBase, "Added", REG_SZ, std::string("a\0", 2));
  Set(kBase + "\\New", "y", REG_SZ, std::string("y\0", 2));
  DeleteRegKey(kPath + "\\Sub");
  ASSERT_NE(Dump(HKEY_CURRENT_USER, kBase), before);
  EXPECT_TRUE(snapshot.Restore());
  EXPECT_EQ(Dump(HKEY_CURRENT_USER, kBase), before);

  TRegValueSnapshot value(kPath, "Number"), missingValue(kPath, "Later");
  Set(kBase, "Number", REG_SZ, std::string("7\0", 2));
  Set(kBase, "Later", REG_SZ, std::string("l\0", 2));
  EXPECT_TRUE(value.Restore());
  EXPECT_TRUE(missingValue.Restore());
  EXPECT_EQ(Dump(HKEY_CURRENT_USER, kBase), before);

  TRegKeySnapshot missing(kPath + "\\Gone\\Deeper\\Key");
  EXPECT_FALSE(missing.Existed());
  Set(kBase + "\\Gone\\Deeper\\Key", "v", REG_SZ, std::string("v\0", 2));
  EXPECT_TRUE(missing.Restore());
  EXPECT_EQ(Dump(HKEY_CURRENT_USER, kBase), before);
  DeleteRegKey(kPath);
}

namespace {

// One write to the registry below kBase: a value set (data), a value deleted (no data) or a
// key deleted (no name).
struct TWrite {
  const char *key, *name, *data;
};

void Apply(const std::vector<TWrite>& writes) {
  for (const TWrite& w : writes) {
    const std::string key = kBase + (*w.key ? "\\" + std::string(w.key) : std::string());
    if (!w.name) {
      DeleteRegKey("HKEY_CURRENT_USER\\" + key);
    } else if (!w.data) {
      DeleteRegValue("HKEY_CURRENT_USER\\" + key, w.name);
    } else {
      Set(key, w.name, REG_SZ, std::string(w.data) + '\0');
    }
  }
}

}  // namespace

// A run's changes taken back by what it left: what another program wrote since stays, and
// what the run changed is as it was. The registry after the undo is the one the other
// program's writes alone would have made.
TEST(RegRestore, UndoSinceTakesBackOnlyTheRunsChanges) {
  const struct {
    const char* name;
    const char* noted;  // below kBase: the key noted, or with `value` the value's key
    const char* value;  // the value noted, when one is
    std::vector<TWrite> before, run, other;
  } rows[] = {
      {"value added, another added", "", nullptr, {{"", "Keep", "1"}}, {{"", "Ours", "run"}}, {{"", "Theirs", "x"}}},
      {"value changed, another added", "", nullptr, {{"", "V", "old"}}, {{"", "V", "new"}}, {{"", "Theirs", "x"}}},
      {"value deleted, another added", "", nullptr, {{"", "V", "old"}, {"", "Keep", "1"}}, {{"", "V", nullptr}},
       {{"", "Theirs", "x"}}},
      {"value changed, changed again by another", "", nullptr, {{"", "V", "old"}}, {{"", "V", "new"}},
       {{"", "V", "theirs"}}},
      {"value added, deleted by another", "", nullptr, {{"", "Keep", "1"}}, {{"", "Ours", "run"}},
       {{"", "Ours", nullptr}}},
      {"subkey made, another wrote into it", "", nullptr, {{"", "Keep", "1"}},
       {{"Sub", "Ours", "run"}, {"Sub\\Deeper", "Ours", "run"}}, {{"Sub", "Theirs", "x"}}},
      {"subkey made, nothing else", "", nullptr, {{"", "Keep", "1"}},
       {{"Sub", "Ours", "run"}, {"Sub\\Deeper", "Ours", "run"}}, {}},
      {"subkey made, another made one below it", "", nullptr, {{"", "Keep", "1"}}, {{"Sub", "Ours", "run"}},
       {{"Sub\\Theirs", "x", "x"}}},
      {"subkey deleted", "", nullptr, {{"Sub", "A", "1"}, {"Sub\\Deeper", "B", "2"}}, {{"Sub", nullptr, nullptr}},
       {}},
      {"subkey deleted, made again by another", "", nullptr, {{"Sub", "A", "1"}}, {{"Sub", nullptr, nullptr}},
       {{"Sub", "Theirs", "x"}}},
      {"key and its parent made, another wrote into the parent", "Made\\Deep", nullptr, {{"", "Keep", "1"}},
       {{"Made\\Deep", "Ours", "run"}}, {{"Made", "Theirs", "x"}}},
      {"key and its parent made, nothing else", "Made\\Deep", nullptr, {{"", "Keep", "1"}},
       {{"Made\\Deep", "Ours", "run"}, {"Made\\Deep\\Below", "Ours", "run"}}, {}},
      {"one value added, another added", "", "V", {{"", "Keep", "1"}}, {{"", "V", "run"}}, {{"", "Theirs", "x"}}},
      {"one value changed, changed again by another", "", "V", {{"", "V", "old"}}, {{"", "V", "new"}},
       {{"", "V", "theirs"}}},
      {"one value deleted", "", "V", {{"", "V", "old"}}, {{"", "V", nullptr}}, {}},
      {"one value in a key made, another wrote into the key", "Env", "V", {{"", "Keep", "1"}},
       {{"Env", "V", "run"}}, {{"Env", "Theirs", "x"}}},
      {"one value in a key made, nothing else", "Env\\Deep", "V", {{"", "Keep", "1"}}, {{"Env\\Deep", "V", "run"}},
       {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    DeleteRegKey(kPath);
    Apply(row.before);
    Apply(row.other);
    const std::string expected = Dump(HKEY_CURRENT_USER, kBase);
    DeleteRegKey(kPath);
    Apply(row.before);
    const std::string noted = kPath + (*row.noted ? "\\" + std::string(row.noted) : std::string());
    if (row.value) {
      TRegValueSnapshot before(noted, row.value);
      Apply(row.run);
      const std::unique_ptr<TRegValueSnapshot> after = before.Current();
      EXPECT_FALSE(after->SameAs(before));
      Apply(row.other);
      EXPECT_TRUE(before.UndoSince(*after));
    } else {
      TRegKeySnapshot before(noted);
      Apply(row.run);
      const TRegKeySnapshot after(noted);
      EXPECT_FALSE(after.SameAs(before));
      Apply(row.other);
      EXPECT_TRUE(before.UndoSince(after));
    }
    EXPECT_EQ(Dump(HKEY_CURRENT_USER, kBase), expected);
  }
  DeleteRegKey(kPath);
}

// Only the pair named goes from the pending renames, the last one when it is there twice;
// the others stay as they were written, in their spelling.
TEST(RegRestore, CancelPendingRenameKeepsOtherPairs) {
  const std::vector<wchar_t> saved = ReadPending();
  const std::wstring ours = L"\\??\\C:\\KvPending\\Xa.txt", target = L"!\\??\\C:\\KvPending\\a.txt";
  const std::vector<std::wstring> others = {L"\\??\\C:\\Other\\x.dll", L"!\\??\\c:/other/Y.DLL",
                                            L"\\??\\C:\\Other\\delete.me", L""};
  std::vector<std::wstring> texts = others;
  texts.insert(texts.end(), {ours, target, L"\\??\\C:\\Other\\z", L"!\\??\\C:\\Other\\w", ours, target});
  WritePending(Pairs(texts));
  EXPECT_TRUE(CancelPendingRename("C:\\KvPending\\Xa.txt", "c:\\kvpending\\A.TXT", false));
  texts.erase(texts.end() - 2, texts.end());
  EXPECT_EQ(ReadPending(), Pairs(texts));
  EXPECT_TRUE(CancelPendingRename("C:\\KvPending\\Xa.txt", "C:\\KvPending\\a.txt", true));
  texts.erase(texts.begin() + 4, texts.begin() + 6);
  EXPECT_EQ(ReadPending(), Pairs(texts));
  EXPECT_FALSE(CancelPendingRename("C:\\KvPending\\Xa.txt", "C:\\KvPending\\a.txt", true));
  EXPECT_EQ(ReadPending(), Pairs(texts));
  WritePending(saved);
}

// Every deletion of the path goes, in whatever spelling; a rename of it and other pairs stay.
TEST(RegRestore, CancelPendingDeletionKeepsOtherPairs) {
  const std::vector<wchar_t> saved = ReadPending();
  const std::vector<std::wstring> texts = {L"\\??\\C:\\KvPending\\UnInstall.exe", L"",
                                           L"\\??\\C:\\Other\\delete.me", L"",
                                           L"\\??\\C:\\KvPending\\UnInstall.exe", L"!\\??\\C:\\Other\\u.exe",
                                           L"\\??\\c:/kvpending/UNINSTALL.EXE", L""};
  WritePending(Pairs(texts));
  EXPECT_TRUE(AnyPendingDeletion());
  EXPECT_TRUE(DeletionPending("C:\\KvPending\\UnInstall.exe"));
  EXPECT_FALSE(DeletionPending("C:\\KvPending\\UnInstall.txt"));
  EXPECT_TRUE(CancelPendingDeletion("C:\\KvPending\\UnInstall.exe"));
  EXPECT_EQ(ReadPending(), Pairs({texts.begin() + 2, texts.begin() + 6}));
  EXPECT_FALSE(CancelPendingDeletion("C:\\KvPending\\UnInstall.exe"));
  EXPECT_EQ(ReadPending(), Pairs({texts.begin() + 2, texts.begin() + 6}));
  WritePending(Pairs({texts[4], texts[5]}));
  EXPECT_FALSE(AnyPendingDeletion());
  WritePending(saved);
}

// Windows 9x keeps its deletions as "NUL=path" lines of WININIT.INI's [rename] section.
TEST(RegRestore, DropWininitDeletionTakesOnlyItsLines) {
  const struct {
    const char *text, *kept;
    bool dropped;
  } rows[] = {
      {"[rename]\r\nNUL=C:\\App\\UnInstall.exe\r\nNUL=C:\\Other\\x.dll\r\n", "[rename]\r\nNUL=C:\\Other\\x.dll\r\n", true},
      {"[Rename]\r\n nul = c:\\app\\uninstall.exe\r\nC:\\App\\UnInstall.exe=C:\\App\\XUnInstall.exe\r\n",
       "[Rename]\r\nC:\\App\\UnInstall.exe=C:\\App\\XUnInstall.exe\r\n", true},
      {"[Other]\r\nNUL=C:\\App\\UnInstall.exe\r\n", "[Other]\r\nNUL=C:\\App\\UnInstall.exe\r\n", false},
      {"[rename]\r\nNUL=C:\\App\\UnInstall.exe", "[rename]\r\n", true},
      {"", "", false},
  };
  for (const auto& row : rows) {
    std::string text = row.text;
    EXPECT_EQ(DropWininitDeletion(text, "C:\\App\\UnInstall.exe"), row.dropped) << row.text;
    EXPECT_EQ(text, row.kept) << row.text;
  }
}
