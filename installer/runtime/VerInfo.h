// Version resources of files, and version texts padded so that they order as texts.
#pragma once
#include <string>
#include <vector>

class TVersionInfo {
 public:
  explicit TVersionInfo(const std::string& path);
  virtual ~TVersionInfo();

  bool Loaded() const { return loaded_; }
  // Language id and code page of each translation, 4 upper-case hex digits each ("040904E4").
  const std::vector<std::string>& Translations() const { return translations_; }
  // The system's name of each translation's language, in the same order.
  const std::vector<std::string>& LanguageNames() const { return languageNames_; }
  // The first non-empty string of that name over the translations; empty when none.
  std::string GetString(const std::string& name) const;

 private:
  std::vector<char> block_;
  bool loaded_ = false;
  std::vector<std::string> translations_;
  std::vector<std::string> languageNames_;
};

std::string PadVersionText(const std::string& text, int width);
// The file's "FileVersion" padded; empty when the file has no version.
std::string GetPaddedFileVersion(const std::string& path, int width);
