// Fuzz target: the card program's data files, through their real readers.
// Input: a kind byte (0 Hall of Fame, 1 settings, 2 game options), a form byte (odd: the
// rest is the plain payload, which is enciphered and wrapped as the program saves it; even:
// the rest is the file as it lies on disk), for game options a field count and the kind of
// each field, then the bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "AppSettings.h"
#include "ByteBuffer.h"
#include "GameOptions.h"
#include "HallOfFame.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// The payload the reader gets: the file checked (a damaged one never reaches the reader),
// or the plain bytes enciphered with the file's key.
bool Payload(const std::vector<uint8_t>& bytes, bool plain, uint32_t typeWord, const uint8_t* key,
             ByteBufferPtr& buffer) {
  std::vector<uint8_t> file = bytes;
  if (plain) {
    buffer->data = bytes;
    if (key) buffer.Encipher(key, 16);
    file = CheckedFile::Compose(buffer->data, typeWord);
  }
  std::vector<uint8_t> payload;
  if (!CheckedFile::Parse(file, typeWord, payload)) return false;
  Check(CheckedFile::Compose(payload, typeWord) == file);
  buffer->data = payload;
  buffer->readPos = 0;
  return true;
}

bool SameList(const HighScoreList& a, const HighScoreList& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].name != b[i].name || a[i].date != b[i].date || a[i].score != b[i].score) return false;
  return true;
}

void HallOfFameFile(const std::vector<uint8_t>& bytes, bool plain) {
  ByteBufferPtr buffer;
  if (!Payload(bytes, plain, kHallOfFameFileType, kHallOfFameKey, buffer)) return;
  HighScoreList list(1);
  if (!ReadHallOfFame(buffer, list)) {
    Check(list.empty());
    return;
  }
  // What was read is written and read back the same.
  ByteBufferPtr again;
  WriteHallOfFame(again, list);
  HighScoreList back;
  Check(ReadHallOfFame(again, back) && SameList(list, back));
}

void SettingsFile(const std::vector<uint8_t>& bytes, bool plain) {
  ByteBufferPtr buffer;
  if (!Payload(bytes, plain, kSettingsFileType, kSettingsKey, buffer)) return;
  AppSettings s;
  s.playerName = "someone";
  s.lastGame = 5;
  s.fastSpeed = true;
  s.soundOn = s.showStatus = false;
  if (!ReadAppSettings(buffer, s)) {
    Check(s.playerName == kDefaultPlayerName && s.lastGame == -1 && !s.fastSpeed && s.soundOn && s.showStatus);
    return;
  }
  ByteBufferPtr again;
  WriteAppSettings(again, s);
  AppSettings back;
  Check(ReadAppSettings(again, back));
  Check(back.playerName == s.playerName && back.lastGame == s.lastGame && back.fastSpeed == s.fastSpeed &&
        back.soundOn == s.soundOn && back.showStatus == s.showStatus && back.cardBack == s.cardBack &&
        back.sortMode == s.sortMode);
}

// Up to eight fields of the kinds the input names, bound to values that start unset.
struct Options {
  int32_t values[8];
  GameOptionsFile file{std::string("options.cfg"), 1234};
  Options(const std::vector<uint8_t>& kinds) {
    for (size_t i = 0; i < kinds.size(); ++i) {
      values[i] = 12345;
      switch (kinds[i] % 3) {
        case 0: file.Bool(values[i]); break;
        case 1: file.Byte(values[i]); break;
        default: file.Int16(values[i]); break;
      }
    }
  }
};

void OptionsFile(const std::vector<uint8_t>& kinds, const std::vector<uint8_t>& bytes, bool plain) {
  ByteBufferPtr buffer;
  if (!Payload(bytes, plain, 1234, nullptr, buffer)) return;
  Options read(kinds);
  if (!read.file.Read(buffer)) {
    // A short file changes no field.
    for (size_t i = 0; i < kinds.size(); ++i) Check(read.values[i] == 12345);
    return;
  }
  ByteBufferPtr again;
  read.file.Write(again);
  Options back(kinds);
  Check(back.file.Read(again));
  for (size_t i = 0; i < kinds.size(); ++i) Check(back.values[i] == read.values[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t kind = data[0] % 3;
  const bool plain = data[1] & 1;
  data += 2;
  size -= 2;
  if (kind == 0) {
    HallOfFameFile(std::vector<uint8_t>(data, data + size), plain);
  } else if (kind == 1) {
    SettingsFile(std::vector<uint8_t>(data, data + size), plain);
  } else {
    if (size < 1) return 0;
    const size_t count = data[0] % 9;
    if (size < 1 + count) return 0;
    const std::vector<uint8_t> kinds(data + 1, data + 1 + count);
    OptionsFile(kinds, std::vector<uint8_t>(data + 1 + count, data + size), plain);
  }
  return 0;
}
