// Writes the fuzz targets' starting inputs with the project's own writers:
//   FuzzSeeds <corpus folder> <setup script> [more scripts...]
// Each target's inputs go into a sub folder named after it.
#include <sys/stat.h>
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "AppSettings.h"
#include "ByteBuffer.h"
#include "GameOptions.h"
#include "HallOfFame.h"
#include "SRecord.h"
#include "UtilPlus.h"
#include "Utils.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const std::string& folder, const std::string& name, const std::string& bytes) {
  mkdir(folder.c_str(), 0755);
  std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
}

// A packed file as the package builder writes it: one zlib stream.
std::string Packed(const std::string& text, int level) {
  uLongf size = compressBound(uLong(text.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(text.data()), uLong(text.size()),
            level);
  out.resize(size);
  return out;
}

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: FuzzSeeds <corpus folder> <setup script>...\n";
    return 2;
  }
  const std::string out = argv[1];
  mkdir(out.c_str(), 0755);

  // Scripts: as written, scrambled, and with their lines wrapped in block comments.
  std::vector<std::string> lines;
  for (int i = 2; i < argc; ++i) {
    const std::string script = ReadAll(argv[i]);
    const std::string tag = std::to_string(i - 1);
    Write(out + "/script", "plain" + tag, script);
    Write(out + "/script", "scrambled" + tag, ScrambleTextWithKey(script, 1, uint8_t(33 + i)));
    Write(out + "/inflate", "fast" + tag, Packed(script, 1));
    Write(out + "/inflate", "best" + tag, Packed(script, 9));
    Write(out + "/script", "commented" + tag, "/* head */\r\n" + ReplaceAll(script, "\r\n", " /* x */\r\n"));
    for (size_t at = 0; at < script.size();) {
      size_t end = script.find('\n', at);
      if (end == std::string::npos) end = script.size();
      lines.push_back(Trim(script.substr(at, end - at)));
      at = end + 1;
    }
  }

  Write(out + "/inflate", "empty", Packed(std::string(), 6));

  // Uninstall scripts as the install engine's writer leaves them, plain and scrambled.
  mkdir((out + "/uninstall-script").c_str(), 0755);
  const std::vector<std::string> record = {
      "SetupType=Typical", "GroupNames=|Program files|", "UserData=|A User|A Company|", "PROG_NAME=Fuzz Notes",
      "BTN_TEXT=|OK|Cancel|Yes|No|Abort|Retry|Ignore|", "", "SET_EXECUTION_DLL_NAME(C:\\App\\Plug.dll)",
      "UN_REG_OCX_FILE(C:\\App\\Grid.ocx)", "UN_REG_FONT_FILE(C:\\Windows\\Fonts\\App.ttf)",
      "REMOVE_SHARED_FILE(C:\\Common\\Shared.dll)", "REMOVE_READONLY_FILE(C:\\App\\Notes.txt)",
      "REMOVE_FILE(C:\\App\\App.exe)", "REMOVE_SERVICE_FILE(C:\\App\\Svc.exe)", "REMOVE_DIR(C:\\App\\Data)",
      "FORCE_REMOVE_DIR(C:\\App\\Cache)", "DONT_REMOVE_DIR(C:\\App\\Keep)", "DONT_REMOVE_JUST_DIR(C:\\App)",
      "AVOID_ERR_REMOVE_DIR(C:\\App\\Logs)", "REMOVE_FOLDER(Fuzz Notes)", "FORCE_REMOVE_FOLDER(Fuzz Tools)",
      "REMOVE_REG_KEY(HKEY_CURRENT_USER\\Software\\Fuzz\\Notes)",
      "SET_PERFORM_REGISTRY_OP(|HKEY_CURRENT_USER\\Software\\Fuzz|Value|1|)",
      "SET_PERFORM_INIFILE_OP(|C:\\App\\App.ini|Main|Key|1|)", "SET_PERFORM_ENVIRONMENT_OP(|PATH|C:\\App|)",
      "SET_ADD_ASSOCIATION_ITEM(|.fzn|FuzzNotes.Document|)", "SET_ADD_OPEN_WITH_ITEM(|.txt|App.exe|)",
      "SET_PERFORM_EXECUTE_OP(|1|C:\\App\\Clean.exe|)", "TargetDir=C:\\App"};
  for (int scrambled = 0; scrambled < 2; ++scrambled) {
    const std::string path = out + "/uninstall-script/writer" + std::to_string(scrambled);
    TUninstallScript script(path, true, scrambled != 0, uint8_t(40 + scrambled));
    for (const std::string& line : record) script.AddUninstallLine(line, false);
  }

  // Lists and texts: a list built with the list writer, then script lines as texts.
  std::string list = "|";
  for (int i = 1; i <= 4; ++i) SetListItem(list, i, "item" + std::to_string(i));
  Write(out + "/utils", "list", std::string(1, char(2)) + list + '\0' + "item3" + '\0' + "new");
  for (size_t i = 0; i < lines.size() && i < 40; ++i) {
    if (lines[i].empty()) continue;
    Write(out + "/utils", "line" + std::to_string(i), std::string(1, char(i)) + lines[i] + '\0' + "," + '\0' + "\\\\");
  }

  // Data files, written by the program's own writers, each as the file saved (form 0) and
  // as its plain payload (form 1).
  const auto dataSeeds = [&](const std::string& name, uint8_t kind, const std::string& head, ByteBufferPtr& payload,
                             uint32_t typeWord, const uint8_t* key) {
    Write(out + "/datafile", name, std::string{char(kind), 0} + head + Bytes(CheckedFile::Compose(payload->data, typeWord)));
    if (key) payload.Decipher(key, 16);
    Write(out + "/datafile", name + "-plain", std::string{char(kind), 1} + head + Bytes(payload->data));
  };
  HighScoreList fame;
  for (int i = 0; i < 2; ++i) fame.push_back({"Player " + std::to_string(i), "12/09/2026", 100 - i});
  ByteBufferPtr fameFile;
  WriteHallOfFame(fameFile, fame);
  dataSeeds("halloffame", 0, "", fameFile, kHallOfFameFileType, kHallOfFameKey);
  AppSettings settings;
  settings.playerName = "Card Shark";
  settings.lastGame = 7;
  ByteBufferPtr settingsFile;
  WriteAppSettings(settingsFile, settings);
  dataSeeds("settings", 1, "", settingsFile, kSettingsFileType, kSettingsKey);
  // An options file of two flags, a byte and a number (kinds 0, 0, 1, 2).
  bool first = true, second = false;
  int count = 3, target = -250;
  GameOptionsFile options(std::string("options.cfg"), 1234);
  options.Bool(first).Bool(second).Byte(count).Int16(target);
  ByteBufferPtr optionsFile;
  options.Write(optionsFile);
  dataSeeds("options", 2, std::string{4, 0, 0, 1, 2}, optionsFile, 1234, nullptr);
  return 0;
}
