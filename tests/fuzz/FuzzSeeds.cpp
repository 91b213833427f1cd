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

#include "ByteBuffer.h"
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

// A key and a checked file of an enciphered payload, as the card program saves them.
std::string DataFile(ByteBufferPtr& buffer, uint32_t typeWord, uint8_t keySeed) {
  std::vector<uint8_t> key(16);
  for (size_t i = 0; i < key.size(); ++i) key[i] = uint8_t(keySeed + 37 * i);
  buffer.Encipher(key.data(), key.size());
  return Bytes(key) + Bytes(CheckedFile::Compose(buffer->data, typeWord));
}

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

  // Data files: a Hall of Fame list and a settings record.
  ByteBufferPtr fame;
  fame.WriteUInt16(2);
  for (int i = 0; i < 2; ++i) {
    fame.WriteString("Player " + std::to_string(i));
    fame.WriteString("12/09/2026");
    fame.WriteUInt32(uint32_t(100 - i));
  }
  Write(out + "/datafile", "halloffame", DataFile(fame, 0xEAB29380, 1));
  ByteBufferPtr settings;
  settings.WriteUInt16(0);
  settings.WriteBool(true);
  settings.WriteBool(false);
  settings.WriteUInt16(3);
  settings.WriteUInt32(7);
  settings.WriteString("Card Shark");
  settings.WriteByte(2);
  settings.WriteBytes(std::vector<uint8_t>(32, 0));
  Write(out + "/datafile", "settings", DataFile(settings, 0x39BB01AC, 9));
  return 0;
}
