// Fuzz target: the language-file reader on any text, and the look-ups the engine makes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "SLang.h"
#include "Utils.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  // Each key named in the text is asked under the section it stands in, and under [General].
  std::vector<std::pair<std::string, std::string>> asked{{"General", "Charset"}};
  std::string current;
  for (size_t at = 0; at < text.size() && asked.size() < 64;) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) end = text.size();
    const std::string line = Trim(text.substr(at, end - at));
    const size_t close = line.find(']');
    if (!line.empty() && line[0] == '[') {
      current = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    } else if (line.find('=') != std::string::npos) {
      const std::string key = Trim(line.substr(0, line.find('=')));
      asked.emplace_back(current, key);
      asked.emplace_back("General", key);
    }
    at = end + 1;
  }

  TLangTable table;
  table.LoadFromText(text);
  std::vector<std::string> found;
  for (const auto& [section, key] : asked) {
    std::string value = "\x01unset";
    const bool hit = table.Find(section, key, value);
    // A value is kept as written: it stands in the text.
    if (hit) Check(text.find(value) != std::string::npos);
    else Check(value == "\x01unset");
    Check(table.ReadString(section, key, "\x02" "default") == (hit ? value : std::string("\x02" "default")));
    found.push_back(hit ? value : "\x03none");
  }

  // Reading again into the same table gives the same answers.
  table.LoadFromText(text);
  size_t i = 0;
  for (const auto& [section, key] : asked) Check(table.ReadString(section, key, "\x03none") == found[i++]);

  // A section added at the end is found, whatever came before, unless the text had one.
  if (LowerCase(text).find("fuzzprobe") == std::string::npos) {
    table.LoadFromText(text + "\r\n[FuzzProbe]\r\n  Key = Some value \r\n");
    std::string value;
    Check(table.Find("FUZZPROBE", "key", value) && value == " Some value ");
  }
  return 0;
}
