#include "HallOfFame.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdio>

#include "ByteBuffer.h"

const std::uint32_t kHallOfFameFileType = 0xEAB29380;
const std::uint8_t kHallOfFameKey[16] = {0x5c, 0x1e, 0x9a, 0x07, 0xd4, 0xb3, 0x6f, 0x22,
                                         0x80, 0xe9, 0xc3, 0xa1, 0xb7, 0xd0, 0x6e, 0x45};

bool ReadHallOfFame(ByteBufferPtr& buffer, HighScoreList& list) {
  list.clear();
  try {
    buffer.Decipher(kHallOfFameKey, sizeof(kHallOfFameKey));
    std::uint16_t count = buffer.ReadUInt16();
    HighScoreList read;
    for (std::uint16_t i = 0; i < count; ++i) {
      HighScoreEntry entry;
      entry.name = buffer.ReadString();
      entry.date = buffer.ReadString();
      entry.score = std::int32_t(buffer.ReadUInt32());
      read.push_back(entry);
    }
    list.swap(read);
    return true;
  } catch (...) {
    // A damaged list counts as none; the next high score starts a new one.
    list.clear();
    return false;
  }
}

void WriteHallOfFame(ByteBufferPtr& buffer, const HighScoreList& list) {
  buffer.WriteUInt16(std::uint16_t(list.size()));
  for (const HighScoreEntry& entry : list) {
    buffer.WriteString(entry.name);
    buffer.WriteString(entry.date);
    buffer.WriteUInt32(std::uint32_t(entry.score));
  }
  buffer.Encipher(kHallOfFameKey, sizeof(kHallOfFameKey));
}

std::size_t InsertHighScore(HighScoreList& list, const HighScoreEntry& entry, bool lowerIsBetter) {
  for (std::size_t i = 0; i < list.size() && i < kHallOfFameSize; ++i) {
    bool beats = lowerIsBetter ? entry.score <= list[i].score : entry.score >= list[i].score;
    if (beats) {
      list.insert(list.begin() + i, entry);
      if (list.size() > kHallOfFameSize) list.resize(kHallOfFameSize);
      return i + 1;
    }
  }
  if (list.size() >= kHallOfFameSize) return 0;
  list.push_back(entry);
  return list.size();
}

#ifdef _WIN32
bool LoadHallOfFame(const std::string& path, HighScoreList& list) {
  list.clear();
  ByteBufferPtr buffer(true);
  return buffer.LoadChecked(path, kHallOfFameFileType) && ReadHallOfFame(buffer, list);
}

bool SaveHallOfFame(const std::string& path, const HighScoreList& list) {
  if (list.empty()) return false;
  ByteBufferPtr buffer(true);
  WriteHallOfFame(buffer, list);
  buffer.SaveChecked(path, kHallOfFameFileType);
  return true;
}

std::size_t RecordHighScore(const std::string& path, std::int32_t score, const std::string& playerName,
                            bool lowerIsBetter) {
  HighScoreList list;
  LoadHallOfFame(path, list);
  HighScoreEntry entry;
  entry.name = playerName;
  entry.date = HighScoreDate();
  entry.score = score;
  std::size_t place = InsertHighScore(list, entry, lowerIsBetter);
  if (place > 0) SaveHallOfFame(path, list);
  return place;
}

std::string HighScoreDate() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char text[16];
  std::snprintf(text, sizeof(text), "%02u/%02u/%04u", unsigned(now.wMonth), unsigned(now.wDay), unsigned(now.wYear));
  return text;
}
#endif  // _WIN32
