#include "VerInfo.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "Utils.h"

TVersionInfo::TVersionInfo(const std::string& path) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return;
  block_.assign(size, 0);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, block_.data())) {
    block_.clear();
    return;
  }
  loaded_ = true;
  WORD* pairs = nullptr;
  UINT bytes = 0;
  char subBlock[] = "\\VarFileInfo\\Translation";
  if (!VerQueryValueA(block_.data(), subBlock, reinterpret_cast<void**>(&pairs), &bytes) || !pairs) return;
  for (UINT i = 0; i + 1 < bytes / sizeof(WORD); i += 2) {
    char code[16];
    snprintf(code, sizeof code, "%04X%04X", pairs[i], pairs[i + 1]);
    translations_.push_back(code);
    char name[256] = "";
    VerLanguageNameA(pairs[i], name, sizeof name);
    languageNames_.push_back(name);
  }
}

TVersionInfo::~TVersionInfo() = default;

std::string TVersionInfo::GetString(const std::string& name) const {
  if (!loaded_ || name.empty()) return std::string();
  for (const auto& translation : translations_) {
    std::string query = "\\StringFileInfo\\" + translation + "\\" + name;
    char* value = nullptr;
    UINT length = 0;
    // The block is only read; the call merely lacks a const.
    void* block = const_cast<char*>(block_.data());
    if (VerQueryValueA(block, &query[0], reinterpret_cast<void**>(&value), &length) && value && length > 0) {
      std::string text(value, strnlen(value, length));
      if (!text.empty()) return text;
    }
  }
  return std::string();
}

std::string PadVersionText(const std::string& text, int width) {
  std::string t = ReplaceAll(text, ",", ".");
  size_t cut = t.find_first_not_of(".0123456789");
  if (cut != std::string::npos && cut > 0) t.erase(cut);
  const std::string list = "." + t + ".";
  std::string result;
  for (int i = 0, n = ListItemCount(list); i < n; ++i) {
    if (i) result += ".";
    result += PadLeftZero(GetListItem(list, i), width);
  }
  return result;
}

std::string GetPaddedFileVersion(const std::string& path, int width) {
  TVersionInfo info(path);
  const std::string version = info.GetString("FileVersion");
  return version.empty() ? std::string() : PadVersionText(version, width);
}
