#include "RegRestore.h"

#include <algorithm>

#include "Common.h"
#include "Files.h"
#include "RegOp.h"
#include "Utils.h"

std::wstring WideText(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring wide(size_t(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), &wide[0], n);
  return wide;
}

struct TRegKeySnapshot::TNode {
  struct TValue {
    std::wstring name;
    DWORD type = 0;
    std::vector<BYTE> data;
  };
  std::wstring name;
  std::vector<TValue> values;
  std::vector<TNode> keys;
};

namespace {

void ReadNode(HKEY key, TRegKeySnapshot::TNode& node) {
  DWORD subkeys = 0, maxKey = 0, values = 0, maxName = 0, maxData = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, &maxKey, nullptr, &values, &maxName, &maxData, nullptr,
                       nullptr) != ERROR_SUCCESS)
    return;
  std::vector<wchar_t> name(std::max(maxName, maxKey) + 2);
  std::vector<BYTE> data(maxData + 2);
  for (DWORD i = 0; i < values; ++i) {
    DWORD nameSize = DWORD(name.size()), dataSize = DWORD(data.size()), type = 0;
    if (RegEnumValueW(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS) continue;
    node.values.push_back({std::wstring(name.data(), nameSize), type, std::vector<BYTE>(data.begin(), data.begin() + dataSize)});
  }
  for (DWORD i = 0; i < subkeys; ++i) {
    DWORD nameSize = DWORD(name.size());
    if (RegEnumKeyExW(key, i, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) continue;
    TRegKeySnapshot::TNode child;
    child.name.assign(name.data(), nameSize);
    HKEY sub;
    if (RegOpenKeyExW(key, child.name.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    ReadNode(sub, child);
    RegCloseKey(sub);
    node.keys.push_back(std::move(child));
  }
}

bool WriteNode(HKEY parent, const std::wstring& name, const TRegKeySnapshot::TNode& node) {
  HKEY key;
  if (RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  bool ok = true;
  for (const auto& v : node.values)
    ok = RegSetValueExW(key, v.name.c_str(), 0, v.type, v.data.data(), DWORD(v.data.size())) == ERROR_SUCCESS && ok;
  for (const auto& child : node.keys) ok = WriteNode(key, child.name, child) && ok;
  RegCloseKey(key);
  return ok;
}

bool KeyThere(HKEY root, const std::wstring& key) {
  HKEY h;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

bool DeleteTree(HKEY root, const std::wstring& key) {
  HKEY h;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS) return true;
  wchar_t name[256];
  std::vector<std::wstring> children;
  for (DWORD i = 0, size = 256; RegEnumKeyExW(h, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       ++i, size = 256)
    children.push_back(name);
  for (const auto& c : children) DeleteTree(h, c);
  RegCloseKey(h);
  return RegDeleteKeyW(root, key.c_str()) == ERROR_SUCCESS;
}

bool SameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), int(a.size()), b.c_str(), int(b.size())) ==
         CSTR_EQUAL;
}

// Brings a key that is there back to what the node holds, changing only what differs: values
// and subkeys that came since go, the others get their data and contents back.
bool RestoreNode(HKEY key, const TRegKeySnapshot::TNode& node) {
  TRegKeySnapshot::TNode now;
  ReadNode(key, now);
  bool ok = true;
  for (const auto& v : now.values) {
    const auto was = std::find_if(node.values.begin(), node.values.end(),
                                  [&](const TRegKeySnapshot::TNode::TValue& o) { return SameName(o.name, v.name); });
    if (was == node.values.end()) ok = RegDeleteValueW(key, v.name.c_str()) == ERROR_SUCCESS && ok;
  }
  for (const auto& v : node.values) {
    const auto is = std::find_if(now.values.begin(), now.values.end(),
                                 [&](const TRegKeySnapshot::TNode::TValue& o) { return SameName(o.name, v.name); });
    if (is != now.values.end() && is->name == v.name && is->type == v.type && is->data == v.data) continue;
    ok = RegSetValueExW(key, v.name.c_str(), 0, v.type, v.data.data(), DWORD(v.data.size())) == ERROR_SUCCESS && ok;
  }
  for (const auto& k : now.keys) {
    const auto was = std::find_if(node.keys.begin(), node.keys.end(),
                                  [&](const TRegKeySnapshot::TNode& o) { return SameName(o.name, k.name); });
    if (was == node.keys.end()) ok = DeleteTree(key, k.name) && ok;
  }
  for (const auto& k : node.keys) {
    HKEY sub;
    if (RegOpenKeyExW(key, k.name.c_str(), 0, KEY_ALL_ACCESS, &sub) != ERROR_SUCCESS) {
      ok = WriteNode(key, k.name, k) && ok;
      continue;
    }
    ok = RestoreNode(sub, k) && ok;
    RegCloseKey(sub);
  }
  return ok;
}

std::wstring ParentKey(const std::wstring& key) {
  const size_t at = key.rfind(L'\\');
  return at == std::wstring::npos ? std::wstring() : key.substr(0, at);
}

}  // namespace

TRegKeySnapshot::TRegKeySnapshot(const std::string& path) {
  std::string key;
  SplitRegPath(path, root_, key);
  key_ = WideText(key);
  while (!key_.empty() && key_.back() == L'\\') key_.pop_back();
  if (key_.empty()) return;
  HKEY h;
  if (RegOpenKeyExW(root_, key_.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {
    existed_ = true;
    node_.reset(new TNode);
    ReadNode(h, *node_);
    RegCloseKey(h);
    return;
  }
  missing_ = key_;
  for (std::wstring up = ParentKey(key_); !up.empty() && !KeyThere(root_, up); up = ParentKey(up)) missing_ = up;
}

TRegKeySnapshot::~TRegKeySnapshot() = default;

bool TRegKeySnapshot::Restore() const {
  if (key_.empty()) return false;
  if (!existed_) return DeleteTree(root_, missing_);
  HKEY key;
  if (RegOpenKeyExW(root_, key_.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return WriteNode(root_, key_, *node_);
  const bool ok = RestoreNode(key, *node_);
  RegCloseKey(key);
  return ok;
}

TRegValueSnapshot::TRegValueSnapshot(const std::string& path, const std::string& valueName)
    : path_(path), name_(WideText(valueName)) {
  HKEY key;
  if (!OpenRegPath(path, KEY_QUERY_VALUE, key)) {
    missingKey_.reset(new TRegKeySnapshot(path));
    return;
  }
  DWORD size = 0;
  if (RegQueryValueExW(key, name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
    data_.resize(size);
    existed_ = RegQueryValueExW(key, name_.c_str(), nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
    data_.resize(size);
  }
  RegCloseKey(key);
}

bool TRegValueSnapshot::Restore() const {
  if (missingKey_) return missingKey_->Restore();
  HKEY key;
  if (!existed_) {
    if (!OpenRegPath(path_, KEY_SET_VALUE, key)) return true;
    const LONG rc = RegDeleteValueW(key, name_.c_str());
    RegCloseKey(key);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
  }
  if (!CreateRegPath(path_, KEY_SET_VALUE, key)) return false;
  const bool ok = RegSetValueExW(key, name_.c_str(), 0, type_, data_.data(), DWORD(data_.size())) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

namespace {

// One path of a pending rename in the form two spellings of it share: without the
// replace mark "!" and the "\??\" prefix, "/" read as "\", "." and ".." resolved, upper case.
std::wstring PendingPathKey(std::wstring path) {
  if (!path.empty() && path[0] == L'!') path.erase(0, 1);
  if (path.compare(0, 4, L"\\??\\") == 0) {
    path.erase(0, 4);
    if (path.compare(0, 4, L"UNC\\") == 0) path.replace(0, 3, L"\\");
  }
  if (path.empty()) return path;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n > 0) {
    std::wstring full(n, L'\0');
    const DWORD m = GetFullPathNameW(path.c_str(), n, &full[0], nullptr);
    if (m > 0 && m < n) path = full.substr(0, m);
  }
  CharUpperBuffW(&path[0], DWORD(path.size()));
  return path;
}

}  // namespace

bool CancelPendingRename(const std::string& source, const std::string& target, bool everyPair) {
  // Pairs of source and target, each "\??\"-prefixed; a target that replaces starts with
  // "!". The value is read and written in wide text, and every pair that is not ours is
  // written back exactly as it was read.
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0,
                    KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return false;
  const wchar_t* const valueName = L"PendingFileRenameOperations";
  DWORD type = 0, size = 0;
  std::vector<wchar_t> data;
  if (RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_MULTI_SZ &&
      size > 0) {
    data.resize(size / sizeof(wchar_t) + 2, L'\0');  // two more zeros end every text
    if (RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
      data.clear();
  }
  const std::wstring ourSource = PendingPathKey(WideText(source)), ourTarget = PendingPathKey(WideText(target));
  // A pair's target is empty for a deletion; an empty source ends the list.
  struct TPair {
    size_t start, end;
    bool ours;
  };
  std::vector<TPair> pairs;
  for (size_t at = 0; at < data.size() && data[at];) {
    const size_t pairStart = at;
    const std::wstring from(data.data() + at);
    at += from.size() + 1;
    const std::wstring to = at < data.size() ? std::wstring(data.data() + at) : std::wstring();
    at += to.size() + 1;
    pairs.push_back({pairStart, std::min(at, data.size()),
                     !to.empty() && PendingPathKey(from) == ourSource && PendingPathKey(to) == ourTarget});
  }
  bool cancelled = false;
  for (size_t i = pairs.size(); i-- > 0;) {
    if (!pairs[i].ours || (cancelled && !everyPair)) pairs[i].ours = false;
    else cancelled = true;
  }
  std::vector<wchar_t> kept;
  for (const TPair& p : pairs)
    if (!p.ours) kept.insert(kept.end(), data.begin() + p.start, data.begin() + p.end);
  if (cancelled) {
    if (kept.empty()) {
      RegDeleteValueW(key, valueName);
    } else {
      kept.push_back(L'\0');
      RegSetValueExW(key, valueName, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                     DWORD(kept.size() * sizeof(wchar_t)));
    }
  }
  RegCloseKey(key);
  return cancelled;
}

const char* const kPendingRenamesKeyPath = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager";
const char* const kPendingRenamesValue = "PendingFileRenameOperations";

namespace {

// The pending pairs as stored: each pair's first and last position in `data` (its end
// one past the target's zero) and whether it is a deletion of `path` (any deletion when
// `path` is empty).
struct TPendingPairs {
  std::vector<wchar_t> data;
  struct TPair {
    size_t start, end;
    bool match;
  };
  std::vector<TPair> pairs;
};

bool ReadPendingDeletions(HKEY key, const std::string& path, TPendingPairs& out) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      type != REG_MULTI_SZ || size == 0)
    return false;
  out.data.assign(size / sizeof(wchar_t) + 2, L'\0');  // two more zeros end every text
  if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(out.data.data()),
                       &size) != ERROR_SUCCESS) {
    out.data.clear();
    return false;
  }
  const std::wstring ours = path.empty() ? std::wstring() : PendingPathKey(WideText(path));
  bool any = false;
  for (size_t at = 0; at < out.data.size() && out.data[at];) {
    const size_t start = at;
    const std::wstring from(out.data.data() + at);
    at += from.size() + 1;
    const std::wstring to = at < out.data.size() ? std::wstring(out.data.data() + at) : std::wstring();
    at += to.size() + 1;
    const bool match = to.empty() && (ours.empty() || PendingPathKey(from) == ours);
    out.pairs.push_back({start, std::min(at, out.data.size()), match});
    any = any || match;
  }
  return any;
}

bool DeletionPendingFor(const std::string& path) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_QUERY_VALUE,
                    &key) != ERROR_SUCCESS)
    return false;
  TPendingPairs pairs;
  const bool any = ReadPendingDeletions(key, path, pairs);
  RegCloseKey(key);
  return any;
}

}  // namespace

bool AnyPendingDeletion() { return DeletionPendingFor(std::string()); }

bool DeletionPending(const std::string& path) { return !path.empty() && DeletionPendingFor(path); }

bool CancelPendingDeletion(const std::string& path) {
  if (path.empty()) return false;
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0,
                    KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
    return false;
  TPendingPairs read;
  const bool any = ReadPendingDeletions(key, path, read);
  LONG rc = ERROR_SUCCESS;
  if (any) {
    // Every pair that is not ours is written back exactly as it was read.
    std::vector<wchar_t> kept;
    for (const auto& p : read.pairs)
      if (!p.match) kept.insert(kept.end(), read.data.begin() + p.start, read.data.begin() + p.end);
    if (kept.empty()) {
      rc = RegDeleteValueW(key, L"PendingFileRenameOperations");
    } else {
      kept.push_back(L'\0');
      rc = RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                          DWORD(kept.size() * sizeof(wchar_t)));
    }
  }
  RegCloseKey(key);
  return any && rc == ERROR_SUCCESS;
}

bool DropWininitDeletion(std::string& text, const std::string& path) {
  if (path.empty()) return false;
  const std::string longName = Trim(path), shortName = ShortPath(path);
  std::string out;
  bool inRename = false, dropped = false;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string line = text.substr(at, end - at);
    at = end;
    const std::string bare = Trim(line);
    if (!bare.empty() && bare[0] == '[') {
      inRename = EqualTextNoCase(bare, "[rename]");
    } else if (inRename) {
      const size_t eq = bare.find('=');
      if (eq != std::string::npos && EqualTextNoCase(Trim(bare.substr(0, eq)), "NUL")) {
        const std::string named = Trim(bare.substr(eq + 1));
        if (EqualTextNoCase(named, longName) || (!shortName.empty() && EqualTextNoCase(named, shortName))) {
          dropped = true;
          continue;
        }
      }
    }
    out += line;
  }
  if (dropped) text = out;
  return dropped;
}
