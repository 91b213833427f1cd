#include "FolderNames.h"

#include <cstring>

#include "Utils.h"

namespace {
bool PlainName(const std::string& name) {
  if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
  for (unsigned char c : name)
    if (c >= 0x80 || c < 0x20 || std::strchr("~\\/:*?\"<>|", c)) return false;
  return true;
}
}  // namespace

void TFolderNames::Reset(const std::string& folder) {
  folder_ = LowerCase(folder);
  entries_.clear();
}

void TFolderNames::Add(const std::string& name, bool folder) {
  if (PlainName(name)) entries_[LowerCase(name)] = folder;
}

void TFolderNames::Note(const std::string& path) {
  std::string key;
  if (Covers(path, key)) entries_[key] = false;
}

void TFolderNames::Forget(const std::string& path) {
  std::string key;
  if (Covers(path, key)) entries_.erase(key);
}

bool TFolderNames::Covers(const std::string& path, std::string& key) const {
  if (folder_.empty() || path.size() <= folder_.size() + 1 || path[folder_.size()] != '\\') return false;
  key = LowerCase(path.substr(folder_.size() + 1));
  return PlainName(key) && LowerCase(path.substr(0, folder_.size())) == folder_;
}

TFolderNames::Kind TFolderNames::KindOf(const std::string& path) const {
  std::string key;
  if (!Covers(path, key)) return Unknown;
  const auto it = entries_.find(key);
  return it == entries_.end() ? Absent : it->second ? Folder : File;
}
