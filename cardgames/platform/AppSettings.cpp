#include "AppSettings.h"

#include <vector>

#include "ByteBuffer.h"
#ifdef _WIN32
#include "CardImages.h"
#endif

const std::uint32_t kSettingsFileType = 0x39BB01AC;
const std::uint8_t kSettingsKey[16] = {0xe0, 0x7a, 0x4d, 0x9b, 0x12, 0xc5, 0x8f, 0x33,
                                       0x60, 0xd1, 0xab, 0x94, 0xc2, 0xe7, 0xf5, 0x18};
const char kDefaultPlayerName[] = "Card Shark";

namespace {
void UseDefaults(AppSettings& settings) {
  settings.lastGame = -1;
  settings.playerName = kDefaultPlayerName;
  settings.fastSpeed = false;
  settings.soundOn = true;
  settings.showStatus = true;
}
}  // namespace

bool ReadAppSettings(ByteBufferPtr& buffer, AppSettings& settings) {
  try {
    buffer.Decipher(kSettingsKey, sizeof(kSettingsKey));
    bool fast = buffer.ReadBool();
    buffer.ReadBool();  // reserved
    bool sound = buffer.ReadBool();
    bool status = buffer.ReadBool();
    std::int32_t last = std::int32_t(buffer.ReadUInt32());
    std::string name = buffer.ReadString();
    settings.cardBack = buffer.ReadByte();
    settings.sortMode = buffer.ReadByte();
    settings.fastSpeed = fast;
    settings.soundOn = sound;
    settings.showStatus = status;
    settings.lastGame = last;
    settings.playerName = name;
    return true;
  } catch (...) {
  }
  UseDefaults(settings);
  return false;
}

void WriteAppSettings(ByteBufferPtr& buffer, const AppSettings& settings) {
  buffer.WriteBool(settings.fastSpeed);
  buffer.WriteBool(false);
  buffer.WriteBool(settings.soundOn);
  buffer.WriteBool(settings.showStatus);
  buffer.WriteUInt32(std::uint32_t(settings.lastGame));
  buffer.WriteString(settings.playerName);
  buffer.WriteByte(std::uint8_t(settings.cardBack));
  buffer.WriteByte(std::uint8_t(settings.sortMode));
  buffer.WriteBytes(std::vector<std::uint8_t>(32, 0));
  buffer.Encipher(kSettingsKey, sizeof(kSettingsKey));
}

#ifdef _WIN32
bool LoadAppSettings(const std::string& path, AppSettings& settings) {
  ByteBufferPtr buffer;
  bool read = false;
  if (buffer.LoadChecked(path, kSettingsFileType))
    read = ReadAppSettings(buffer, settings);
  else
    UseDefaults(settings);
  settings.cardBack = CardImages::ValidateCardBack(settings.cardBack);
  return read;
}

void SaveAppSettings(const std::string& path, const AppSettings& settings) {
  try {
    ByteBufferPtr buffer(false);
    WriteAppSettings(buffer, settings);
    buffer.SaveChecked(path, kSettingsFileType);
  } catch (...) {
  }
}
#endif  // _WIN32
