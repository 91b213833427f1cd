// The language table: the built-in English texts, overridden key by key by the language
// file the script chooses, and the character set of every window and box.
#pragma once
#include <string>
#include <vector>

class TScript;

// An INI text in memory: sections and keys are found ignoring case, values are kept as
// written after the first "=".
class TLangTable {
 public:
  void LoadFromText(const std::string& text);
  void Clear() { sections_.clear(); }
  bool Find(const std::string& section, const std::string& key, std::string& value) const;
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
  };
  std::vector<Section> sections_;
};

std::string GetLangText(const std::string& section, const std::string& key, const std::string& def);
// Chooses and loads the language file the script asks for (once, after it is read).
void SelectLanguage(const TScript& script);
// The same in a given language folder (with trailing backslash) for a user whose
// primary language id is given; returns the path of the loaded file, empty when none.
std::string SelectLanguageIn(const TScript& script, const std::string& folder, int primaryLangId);
// "LANG" in the program's folder when it exists, else the program's folder; trailing backslash.
std::string GetLanguageFolder();
int GetLangCharset();
bool IsLangRightToLeft();
// Bytes of a resource of the running program; false when it has none.
bool ReadProgramResource(const char* name, const char* type, std::string& bytes);
// [MsgBox] BtnText: the message-box button captions of the language.
std::string GetLangBtnText();
