// Settings and Hall of Fame files, data folders and registry values of the program,
// through real files and the real registry.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "AppFolders.h"
#include "AppSettings.h"
#include "GameRegistry.h"
#include "HallOfFame.h"
#include "Random.h"
#include "Rijndael.h"
#include "TestTool.h"

namespace {

typedef std::vector<uint8_t> Bytes;

Bytes FromHex(const char* hex) {
  Bytes out;
  for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) out.push_back(uint8_t(std::stoul(std::string(hex + i, 2), nullptr, 16)));
  return out;
}

// The stored form: zero padding to whole blocks, chained blocks from a zero vector.
Bytes Encipher(Bytes plain, const char* keyHex) {
  Bytes key = FromHex(keyHex);
  Rijndael cipher(key.data(), key.size());
  plain.resize((plain.size() + 15) / 16 * 16, 0);
  uint8_t chain[16] = {};
  for (size_t at = 0; at < plain.size(); at += 16) {
    for (int i = 0; i < 16; ++i) plain[at + i] ^= chain[i];
    cipher.EncryptBlock(&plain[at], &plain[at]);
    std::copy(&plain[at], &plain[at] + 16, chain);
  }
  return plain;
}

std::string CheckedFileBytes(const Bytes& payload, uint32_t type) {
  uLong crc = crc32(0, payload.data(), uInt(payload.size()));
  std::string out;
  for (int shift = 24; shift >= 0; shift -= 8) out += char((crc >> shift) & 0xFF);
  for (int shift = 24; shift >= 0; shift -= 8) out += char((type >> shift) & 0xFF);
  out.append(payload.begin(), payload.end());
  return out;
}

void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void PutText(Bytes& b, const std::string& s) {
  b.push_back(uint8_t(s.size()));
  b.push_back(uint8_t(s.size() >> 8));
  b.insert(b.end(), s.begin(), s.end());
}

const char kSettingsKeyHex[] = "e07a4d9b12c58f3360d1ab94c2e7f518";
const char kHallKeyHex[] = "5c1e9a07d4b36f2280e9c3a1b7d06e45";

Bytes SettingsPlain(bool fast, bool sound, bool status, uint32_t last, const std::string& name, int back, int sort) {
  Bytes b = {uint8_t(fast), 0, uint8_t(sound), uint8_t(status)};
  Put32(b, last);
  PutText(b, name);
  b.push_back(uint8_t(back));
  b.push_back(uint8_t(sort));
  Put32(b, 32);
  b.insert(b.end(), 32, 0);
  return b;
}

std::string Raw(const std::string& path) {
  std::string bytes;
  tt::ReadFile(path, bytes);
  return bytes;
}

Bytes HallPlain(const HighScoreList& list) {
  Bytes b = {uint8_t(list.size()), uint8_t(list.size() >> 8)};
  for (const HighScoreEntry& e : list) {
    PutText(b, e.name);
    PutText(b, e.date);
    Put32(b, uint32_t(e.score));
  }
  return b;
}

HighScoreEntry Entry(const std::string& name, int32_t score) {
  HighScoreEntry e;
  e.name = name;
  e.date = "01/02/2003";
  e.score = score;
  return e;
}

std::vector<int32_t> Scores(const HighScoreList& list) {
  std::vector<int32_t> out;
  for (const HighScoreEntry& e : list) out.push_back(e.score);
  return out;
}

}  // namespace

TEST(AppSettingsTest, SavedFileIsTheEncipheredLayout) {
  std::string path = tt::ScratchDir("settings_layout") + "\\Rookwell.cfg";
  AppSettings s;
  s.playerName = "Ann";
  s.fastSpeed = true;
  s.soundOn = false;
  s.showStatus = true;
  s.lastGame = 0x400001;
  s.cardBack = 62;
  s.sortMode = 2;
  SaveAppSettings(path, s);
  Bytes plain = SettingsPlain(true, false, true, 0x400001, "Ann", 62, 2);
  EXPECT_EQ(CheckedFileBytes(Encipher(plain, kSettingsKeyHex), 0x39BB01AC), Raw(path));

  AppSettings back;
  back.cardBack = 0;
  EXPECT_TRUE(LoadAppSettings(path, back));
  EXPECT_EQ("Ann", back.playerName);
  EXPECT_TRUE(back.fastSpeed);
  EXPECT_FALSE(back.soundOn);
  EXPECT_TRUE(back.showStatus);
  EXPECT_EQ(0x400001, back.lastGame);
  EXPECT_EQ(62, back.cardBack);
  EXPECT_EQ(2, back.sortMode);

  // No last game is stored as all ones.
  s.lastGame = -1;
  SaveAppSettings(path, s);
  EXPECT_TRUE(LoadAppSettings(path, back));
  EXPECT_EQ(-1, back.lastGame);
}

TEST(AppSettingsTest, BadFilesGiveTheDefaults) {
  std::string dir = tt::ScratchDir("settings_bad");
  Bytes good = SettingsPlain(true, false, false, 0x11, "Bob", 55, 1);
  // Ends right after the name, on a block boundary: reading the card back fails.
  Bytes cut = {1, 0, 0, 0};
  Put32(cut, 0x11);
  PutText(cut, "Bobbie");
  ASSERT_EQ(16u, cut.size());
  std::string flipped = CheckedFileBytes(Encipher(good, kSettingsKeyHex), 0x39BB01AC);
  flipped[20] ^= 1;
  Bytes odd = Encipher(good, kSettingsKeyHex);
  odd.pop_back();
  struct Case {
    const char* name;
    std::string bytes;  // empty: no file
    bool loads;
    int back;
  } cases[] = {
      {"good", CheckedFileBytes(Encipher(good, kSettingsKeyHex), 0x39BB01AC), true, 55},
      {"back 66 becomes the chosen back", CheckedFileBytes(Encipher(SettingsPlain(1, 0, 0, 0x11, "Bob", 66, 1),
                                                                   kSettingsKeyHex), 0x39BB01AC), true, 1},
      {"missing", "", false, 59},
      {"cut after the name", CheckedFileBytes(Encipher(cut, kSettingsKeyHex), 0x39BB01AC), false, 59},
      {"changed byte", flipped, false, 59},
      {"other type", CheckedFileBytes(Encipher(good, kSettingsKeyHex), 0xEAB29380), false, 59},
      {"not whole blocks", CheckedFileBytes(odd, 0x39BB01AC), false, 59},
      {"not enciphered", CheckedFileBytes(good, 0x39BB01AC), false, 59},
      {"short header", "\x01\x02\x03", false, 59},
  };
  for (const Case& c : cases) {
    std::string path = dir + "\\Rookwell.cfg";
    DeleteFileA(path.c_str());
    if (!c.bytes.empty()) {
      ASSERT_TRUE(tt::WriteFile(path, c.bytes));
    }
    AppSettings s;
    s.playerName = "before";
    s.fastSpeed = true;
    s.soundOn = false;
    s.showStatus = false;
    s.lastGame = 5;
    bool loaded = LoadAppSettings(path, s);
    SCOPED_TRACE(c.name);
    if (!c.loads && std::string(c.name) == "not enciphered") {
      // Deciphering plain bytes gives noise that may or may not read through; it never raises out.
      continue;
    }
    EXPECT_EQ(c.loads, loaded);
    EXPECT_EQ(c.back, s.cardBack);
    if (c.loads) {
      EXPECT_EQ("Bob", s.playerName);
      EXPECT_EQ(0x11, s.lastGame);
      EXPECT_EQ(1, s.sortMode);
    } else {
      EXPECT_EQ("Card Shark", s.playerName);
      EXPECT_EQ(-1, s.lastGame);
      EXPECT_FALSE(s.fastSpeed);
      EXPECT_TRUE(s.soundOn);
      EXPECT_TRUE(s.showStatus);
      EXPECT_EQ(0, s.sortMode);
    }
  }
}

TEST(HallOfFameTest, SavedFileIsTheEncipheredLayoutAndLoadsBack) {
  std::string path = tt::ScratchDir("hof_layout") + "\\Whist.hof";
  HighScoreList list = {Entry("Ann", 120), Entry("Zeke", -7)};
  EXPECT_TRUE(SaveHallOfFame(path, list));
  EXPECT_EQ(CheckedFileBytes(Encipher(HallPlain(list), kHallKeyHex), 0xEAB29380), Raw(path));

  HighScoreList back = {Entry("stale", 1)};
  EXPECT_TRUE(LoadHallOfFame(path, back));
  ASSERT_EQ(2u, back.size());
  EXPECT_EQ("Zeke", back[1].name);
  EXPECT_EQ("01/02/2003", back[1].date);
  EXPECT_EQ(-7, back[1].score);

  // An empty list writes nothing.
  std::string other = tt::ScratchDir("hof_layout") + "\\Empty.hof";
  EXPECT_FALSE(SaveHallOfFame(other, HighScoreList()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(other.c_str()));
}

TEST(HallOfFameTest, DamagedFilesAreEmptyListsAndANewScoreStartsAgain) {
  std::string dir = tt::ScratchDir("hof_damaged");
  Bytes shortPayload = HallPlain({Entry("Ann", 5), Entry("Bob", 4), Entry("Cy", 3)});
  shortPayload[0] = 9;  // claims more entries than it holds
  std::string flipped = CheckedFileBytes(Encipher(HallPlain({Entry("Ann", 5)}), kHallKeyHex), 0xEAB29380);
  flipped[9] ^= 0x40;
  Bytes odd = Encipher(HallPlain({Entry("Ann", 5)}), kHallKeyHex);
  odd.resize(odd.size() - 3);
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"missing", ""},
      {"short payload", CheckedFileBytes(Encipher(shortPayload, kHallKeyHex), 0xEAB29380)},
      {"changed byte", flipped},
      {"settings type", CheckedFileBytes(Encipher(HallPlain({Entry("Ann", 5)}), kHallKeyHex), 0x39BB01AC)},
      {"not whole blocks", CheckedFileBytes(odd, 0xEAB29380)},
      {"empty file", "\0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir + "\\Game.hof";
    DeleteFileA(path.c_str());
    if (!c.bytes.empty()) {
      ASSERT_TRUE(tt::WriteFile(path, c.bytes));
    }
    HighScoreList list = {Entry("stale", 1)};
    EXPECT_FALSE(LoadHallOfFame(path, list));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(1u, RecordHighScore(path, 3, "Dee", false));
    ASSERT_TRUE(LoadHallOfFame(path, list));
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ("Dee", list[0].name);
    EXPECT_EQ(3, list[0].score);
  }
}

TEST(HallOfFameTest, InsertionRules) {
  std::vector<int32_t> full;
  for (int i = 15; i >= 1; --i) full.push_back(i * 10);  // 150 .. 10
  struct Case {
    const char* name;
    std::vector<int32_t> before;
    int32_t score;
    bool lowerIsBetter;
    size_t place;
    std::vector<int32_t> after;
  } cases[] = {
      {"first entry", {}, 42, false, 1, {42}},
      {"best", {30, 20}, 31, false, 1, {31, 30, 20}},
      {"between", {30, 20}, 25, false, 2, {30, 25, 20}},
      {"equal goes before", {30, 20}, 20, false, 2, {30, 20, 20}},
      {"appended", {30, 20}, 5, false, 3, {30, 20, 5}},
      {"lower is better", {8, 12}, 10, true, 2, {8, 10, 12}},
      {"lower is better, worst", {8, 12}, 13, true, 3, {8, 12, 13}},
      {"full, equal to the last", full, 10, false, 15, {}},
      {"full, below the last", full, 9, false, 0, full},
      {"full, best", full, 500, false, 1, {}},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    HighScoreList list;
    for (int32_t s : c.before) list.push_back(Entry("old", s));
    HighScoreEntry e = Entry("new", c.score);
    EXPECT_EQ(c.place, InsertHighScore(list, e, c.lowerIsBetter));
    EXPECT_LE(list.size(), 15u);
    if (c.place) {
      EXPECT_EQ("new", list[c.place - 1].name);
      EXPECT_EQ(c.score, list[c.place - 1].score);
    }
    if (!c.after.empty()) {
      EXPECT_EQ(c.after, Scores(list));
    }
  }
  // The new entry comes before an old equal one; a full list loses its last entry.
  HighScoreList list;
  for (int32_t s : full) list.push_back(Entry("old", s));
  EXPECT_EQ(15u, InsertHighScore(list, Entry("new", 10), false));
  EXPECT_EQ(15u, list.size());
  EXPECT_EQ("new", list[14].name);
  EXPECT_EQ(20, list[13].score);
}

TEST(HallOfFameTest, RecordHighScoreRewritesOnlyWhenListed) {
  std::string path = tt::ScratchDir("hof_record") + "\\Whist.hof";
  EXPECT_EQ(1u, RecordHighScore(path, 50, "Ann", false));
  EXPECT_EQ(1u, RecordHighScore(path, 60, "Bob", false));
  EXPECT_EQ(2u, RecordHighScore(path, 50, "Cy", false));  // the newest of equals first
  HighScoreList list;
  ASSERT_TRUE(LoadHallOfFame(path, list));
  ASSERT_EQ(3u, list.size());
  EXPECT_EQ("Bob", list[0].name);
  EXPECT_EQ("Cy", list[1].name);
  EXPECT_EQ("Ann", list[2].name);
  EXPECT_EQ(HighScoreDate(), list[0].date);
  for (int i = 0; i < 12; ++i) RecordHighScore(path, 100 + i, "Filler", false);
  std::string before = Raw(path);
  EXPECT_EQ(0u, RecordHighScore(path, 49, "Late", false));
  EXPECT_EQ(before, Raw(path));
  EXPECT_EQ(14u, RecordHighScore(path, 50, "Tie", false));
  ASSERT_TRUE(LoadHallOfFame(path, list));
  ASSERT_EQ(15u, list.size());
  EXPECT_EQ("Tie", list[13].name);
  EXPECT_EQ("Cy", list[14].name);  // Ann dropped out
}

TEST(HallOfFameTest, DateIsMonthDayYear) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char expected[16];
  snprintf(expected, sizeof(expected), "%02d/%02d/%04d", now.wMonth, now.wDay, now.wYear);
  std::string date = HighScoreDate();
  EXPECT_EQ(10u, date.size());
  EXPECT_EQ(expected, date);
}

TEST(FolderLocatorTest, DataFoldersLieBelowTheSystemFoldersAndAreMade) {
  const std::string maker = "Rookwell Test Maker";
  FolderLocator locator(GetModuleHandleA(nullptr), maker, "Product X");
  struct Case {
    int csidl;
    std::string got;
  } cases[] = {
      {CSIDL_APPDATA, locator.PerUserDataFolder()},
      {CSIDL_COMMON_APPDATA, locator.CommonDataFolder()},
  };
  for (const Case& c : cases) {
    char base[MAX_PATH] = {};
    ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, c.csidl, nullptr, 0, base));
    EXPECT_EQ(std::string(base) + "\\" + maker + "\\Product X\\", c.got);
    DWORD attributes = GetFileAttributesA(c.got.c_str());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
    tt::DeleteTree(std::string(base) + "\\" + maker);
  }
  EXPECT_EQ(tt::ProgramDir(), locator.ProgramFolder());
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  EXPECT_EQ(std::string(current) + "\\", FolderLocator::CurrentFolder());
}

TEST(FolderLocatorTest, CreateFolderTreeMakesEveryMissingLevel) {
  std::string dir = tt::ScratchDir("folder_tree");
  struct Case {
    std::string path;
    bool shared;
  } cases[] = {
      {dir + "\\a\\b\\c", false},
      {dir + "\\a\\b\\c\\", false},
      {dir + "\\shared\\one", true},
      {dir, false},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(FolderLocator::CreateFolderTree(c.path, c.shared)) << c.path;
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(c.path.c_str())) << c.path;
  }
  ASSERT_TRUE(tt::WriteFile(dir + "\\file", "x"));
  EXPECT_FALSE(FolderLocator::CreateFolderTree(dir + "\\file\\below", false));
}

TEST(FolderLocatorTest, MoveDataFilesNeverLosesTheFileItMoves) {
  std::string from = tt::ScratchDir("move_from"), to = tt::ScratchDir("move_to");
  ASSERT_TRUE(tt::WriteFile(from + "\\Canasta.cfg", "new canasta"));
  ASSERT_TRUE(tt::WriteFile(from + "\\Whist.cfg", "whist"));
  ASSERT_TRUE(tt::WriteFile(from + "\\Whist.hof", "scores"));
  ASSERT_TRUE(tt::WriteFile(to + "\\Canasta.cfg", "old canasta"));
  MoveDataFiles(from, "*.cfg", to);
  struct Case {
    std::string path;
    const char* content;  // null: gone
  } cases[] = {
      {from + "\\Canasta.cfg", nullptr}, {from + "\\Whist.cfg", nullptr}, {from + "\\Whist.hof", "scores"},
      {to + "\\Canasta.cfg", "new canasta"}, {to + "\\Whist.cfg", "whist"},
  };
  for (const Case& c : cases) {
    std::string bytes;
    EXPECT_EQ(c.content != nullptr, tt::ReadFile(c.path, bytes)) << c.path;
    if (c.content) {
      EXPECT_EQ(c.content, bytes) << c.path;
    }
  }

  // The same folder, written in other letters: everything stays where it is.
  std::string upper = to;
  for (char& ch : upper) ch = char(toupper(static_cast<unsigned char>(ch)));
  MoveDataFiles(to, "*.cfg", upper + "\\");
  std::string bytes;
  EXPECT_TRUE(tt::ReadFile(to + "\\Canasta.cfg", bytes));
  EXPECT_EQ("new canasta", bytes);
  EXPECT_TRUE(tt::ReadFile(to + "\\Whist.cfg", bytes));
  EXPECT_EQ("whist", bytes);
}

TEST(RegistryKeyTest, ValuesAndTrees) {
  RegistryKey key("Rookwell Test Maker");
  key.DeleteTree("");
  std::string value = "unchanged";
  EXPECT_FALSE(key.ReadValue("Game", "Path", value));
  EXPECT_EQ("unchanged", value);
  EXPECT_FALSE(key.KeyExists("Game"));
  ASSERT_TRUE(key.WriteValue("Game\\Deeper", "Path", "C:\\Games\\"));
  ASSERT_TRUE(key.WriteValue("Game", "Empty", ""));
  EXPECT_TRUE(key.ReadValue("Game\\Deeper", "Path", value));
  EXPECT_EQ("C:\\Games\\", value);
  EXPECT_TRUE(key.ReadValue("Game", "Empty", value));
  EXPECT_EQ("", value);
  HKEY raw;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Rookwell Test Maker\\Game\\Deeper", 0,
                                         KEY_READ, &raw));
  RegCloseKey(raw);
  EXPECT_TRUE(key.DeleteValue("Game", "Empty"));
  EXPECT_FALSE(key.ReadValue("Game", "Empty", value));
  EXPECT_TRUE(key.DeleteTree(""));
  EXPECT_FALSE(key.KeyExists("Game"));
  EXPECT_FALSE(key.KeyExists(""));
}

TEST(GameRegistryTest, ComputerSeatsOfOneGameHaveDistinctNames) {
  struct Case {
    const char* player;
    std::size_t seats;
  } cases[] = {{"Card Shark", 3}, {"rose", 3}, {"Persephone", 24}, {"Card Shark", 30}};
  for (const Case& c : cases) {
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
      MersenneRandom rng(seed);
      std::vector<std::string> names = DrawComputerNames(rng, c.seats, c.player);
      std::set<std::string> upper;
      for (std::string n : names) {
        for (char& ch : n) ch = char(std::toupper(static_cast<unsigned char>(ch)));
        upper.insert(n);
      }
      std::string player = c.player;
      for (char& ch : player) ch = char(std::toupper(static_cast<unsigned char>(ch)));
      const bool playerIsOne = player == "ROSE" || player == "PERSEPHONE";
      ASSERT_EQ(std::min(c.seats, std::size_t(playerIsOne ? 24 : 25)), names.size()) << seed;
      EXPECT_EQ(names.size(), upper.size()) << c.player << " " << seed;
      EXPECT_EQ(0u, upper.count(player)) << c.player << " " << seed;
    }
  }
}
