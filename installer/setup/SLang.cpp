#include "SLang.h"

#include "Utils.h"

// The in-memory table also builds natively, for its fuzz target.
#ifdef _WIN32
#include <windows.h>

#include <iostream>

#include "Common.h"
#include "Files.h"
#include "Forms.h"
#include "KMsgBox.h"
#include "SScript.h"

namespace {

TLangTable g_builtIn;
TLangTable g_file;
bool g_builtInLoaded = false;
bool g_hasFile = false;
int g_charset = 0;

void EnsureBuiltIn() {
  if (g_builtInLoaded) return;
  g_builtInLoaded = true;
  std::string text;
  ReadProgramResource("ENGLISH", "TEXT", text);
  g_builtIn.LoadFromText(text);
  g_charset = StrToIntDef(g_builtIn.ReadString("General", "Charset", "0"), 0);
}

// [General] LangID read straight from the file; -1 when missing or not a number.
int ReadLangId(const std::string& path) {
  char buf[2048] = "";
  GetPrivateProfileStringA("General", "LangID", "", buf, sizeof(buf), path.c_str());
  return StrToIntDef(Trim(buf), -1);
}

}  // namespace

bool ReadProgramResource(const char* name, const char* type, std::string& bytes) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC res = FindResourceA(module, name, type);
  HGLOBAL data = res ? LoadResource(module, res) : nullptr;
  const char* start = data ? static_cast<const char*>(LockResource(data)) : nullptr;
  if (!start) return false;
  bytes.assign(start, SizeofResource(module, res));
  return true;
}
#endif

void TLangTable::LoadFromText(const std::string& text) {
  // An editor's byte-order mark may stand before the first line.
  const std::string body = WithoutUtf8Bom(text);
  sections_.clear();
  Section* current = nullptr;
  size_t start = 0;
  while (start <= body.size()) {
    size_t end = body.find_first_of("\r\n", start);
    if (end == std::string::npos) end = body.size();
    const std::string raw = body.substr(start, end - start);
    start = end + 1;
    if (end < body.size() && body[end] == '\r' && end + 1 < body.size() && body[end + 1] == '\n') ++start;
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      sections_.push_back(Section{Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)), {}});
      current = &sections_.back();
      continue;
    }
    const size_t eq = raw.find('=');
    if (!current || eq == std::string::npos) continue;
    const std::string key = Trim(raw.substr(0, eq));
    if (!key.empty()) current->values.emplace_back(key, raw.substr(eq + 1));
  }
}

bool TLangTable::Find(const std::string& section, const std::string& key, std::string& value) const {
  for (const Section& s : sections_) {
    if (!EqualTextNoCase(s.name, section)) continue;
    for (const auto& kv : s.values) {
      if (EqualTextNoCase(kv.first, key)) {
        value = kv.second;
        return true;
      }
    }
  }
  return false;
}

std::string TLangTable::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  std::string value;
  return Find(section, key, value) ? value : def;
}

#ifdef _WIN32
std::string GetLangText(const std::string& section, const std::string& key, const std::string& def) {
  EnsureBuiltIn();
  if (!g_hasFile) return g_builtIn.ReadString(section, key, def);
  const std::string fallback = def.empty() ? g_builtIn.ReadString(section, key, def) : def;
  return g_file.ReadString(section, key, fallback);
}

std::string GetLanguageFolder() {
  const std::string lang = GetExeDir(true) + "LANG";
  return DirectoryExists(lang) ? lang + "\\" : GetExeDir(true);
}

std::string SelectLanguageIn(const TScript& script, const std::string& folder, int primaryLangId) {
  EnsureBuiltIn();
  g_file.Clear();
  g_hasFile = false;
  g_charset = 0;
  if (script.LangFlag() != 2) return std::string();
  const std::string& names = script.LangNames();
  const int count = ListItemCount(names);
  std::string chosen;
  for (int i = 0; i < count && chosen.empty(); ++i) {
    const std::string name = GetListItem(names, i);
    if (count == 1 || ReadLangId(folder + name + ".lng") == primaryLangId) chosen = name;
  }
  if (chosen.empty() && FileExists(folder + "English.lng")) chosen = "English";
  if (chosen.empty()) return std::string();
  const std::string path = folder + chosen + ".lng";
  std::cout << path << std::endl;
  g_file.LoadFromText(ReadFileContents(path));
  g_hasFile = true;
  g_charset = StrToIntDef(g_file.ReadString("General", "Charset", std::to_string(g_charset)), g_charset);
  std::cout << "Charset=" << g_charset << std::endl;
  return path;
}

void SelectLanguage(const TScript& script) {
  SelectLanguageIn(script, GetLanguageFolder(), int(GetUserDefaultLCID() & 0x3FF));
}

int GetLangCharset() {
  EnsureBuiltIn();
  return g_charset;
}

bool IsLangRightToLeft() { return IsRightToLeftCharset(GetLangCharset()); }

std::string GetLangBtnText() { return GetLangText("MsgBox", "BtnText", kDefaultBtnText); }
#endif  // _WIN32
