// The player's settings: one enciphered checked file in the per-user data folder.
#pragma once
#include <cstdint>
#include <string>

struct AppSettings {
  std::string playerName;
  bool fastSpeed = false;
  std::int32_t sortMode = 0;
  bool soundOn = true;
  bool showStatus = true;
  std::int32_t cardBack = 59;
  std::int32_t lastGame = -1;
};

extern const std::uint32_t kSettingsFileType;
extern const std::uint8_t kSettingsKey[16];
extern const char kDefaultPlayerName[];

class ByteBufferPtr;

// Reads a checked file's payload (deciphered in place) into the settings; a damaged one,
// or one that ends early, gives the defaults below. The card back is read as stored.
bool ReadAppSettings(ByteBufferPtr& buffer, AppSettings& settings);
// The settings as that payload, enciphered.
void WriteAppSettings(ByteBufferPtr& buffer, const AppSettings& settings);

#ifdef _WIN32
// Reads the file into the settings. A missing or damaged file, or one that ends early,
// gives the defaults (name "Card Shark", no last game, slow, sound on, status shown);
// card back and sort order then keep what they held or what was read before the error.
// False when the defaults were used.
bool LoadAppSettings(const std::string& path, AppSettings& settings);
void SaveAppSettings(const std::string& path, const AppSettings& settings);
#endif
