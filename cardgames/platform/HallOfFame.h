// The Hall of Fame: the best scores of each game, one enciphered file per game shared
// by all users of the machine.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class ByteBufferPtr;

struct HighScoreEntry {
  std::string name;
  std::string date;
  std::int32_t score = 0;
};

typedef std::vector<HighScoreEntry> HighScoreList;

extern const std::uint32_t kHallOfFameFileType;
extern const std::uint8_t kHallOfFameKey[16];
constexpr std::size_t kHallOfFameSize = 15;

// The list from a checked file's payload, deciphered in place; false, with an empty list,
// when it is damaged.
bool ReadHallOfFame(ByteBufferPtr& buffer, HighScoreList& list);
// The list as that payload, enciphered.
void WriteHallOfFame(ByteBufferPtr& buffer, const HighScoreList& list);

#ifdef _WIN32
// False, with an empty list, when the file is missing, fails its checks or is damaged.
bool LoadHallOfFame(const std::string& path, HighScoreList& list);
// An empty list writes nothing and gives false.
bool SaveHallOfFame(const std::string& path, const HighScoreList& list);
#endif

// Puts the entry in its place: before the first entry it equals or beats (newest first
// among equals), the list cut to 15. Returns the 1-based place, or 0 when a full list
// has no room and is left as it was.
std::size_t InsertHighScore(HighScoreList& list, const HighScoreEntry& entry, bool lowerIsBetter);

#ifdef _WIN32
// Offers a score to the list in the file; the file is rewritten when the score is
// listed. Returns the place, or 0.
std::size_t RecordHighScore(const std::string& path, std::int32_t score, const std::string& playerName,
                            bool lowerIsBetter);

// Today's local date as "MM/DD/YYYY".
std::string HighScoreDate();
#endif
