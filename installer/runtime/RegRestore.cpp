#include "RegRestore.h"

#include <algorithm>
#include <cstdint>
#include <string>

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

using TValue = TRegKeySnapshot::TNode::TValue;

const TValue* FindValue(const std::vector<TValue>& values, const std::wstring& name) {
  for (const TValue& v : values)
    if (SameName(v.name, name)) return &v;
  return nullptr;
}

const TRegKeySnapshot::TNode* FindKey(const std::vector<TRegKeySnapshot::TNode>& keys, const std::wstring& name) {
  for (const TRegKeySnapshot::TNode& k : keys)
    if (SameName(k.name, name)) return &k;
  return nullptr;
}

bool SameData(const TValue& a, const TValue& b) { return a.type == b.type && a.data == b.data; }

// The same values and subkeys, in whatever order the registry lists them.
bool SameNode(const TRegKeySnapshot::TNode& a, const TRegKeySnapshot::TNode& b) {
  if (a.values.size() != b.values.size() || a.keys.size() != b.keys.size()) return false;
  for (const TValue& v : a.values) {
    const TValue* o = FindValue(b.values, v.name);
    if (!o || o->name != v.name || !SameData(*o, v)) return false;
  }
  for (const TRegKeySnapshot::TNode& k : a.keys) {
    const TRegKeySnapshot::TNode* o = FindKey(b.keys, k.name);
    if (!o || !SameNode(k, *o)) return false;
  }
  return true;
}

bool SetValue(HKEY key, const TValue& v) {
  return RegSetValueExW(key, v.name.c_str(), 0, v.type, v.data.data(), DWORD(v.data.size())) == ERROR_SUCCESS;
}

bool KeyEmpty(HKEY key) {
  DWORD subkeys = 0, values = 0;
  return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                          nullptr, nullptr) == ERROR_SUCCESS &&
         subkeys == 0 && values == 0;
}

// Takes back the run's changes of one key: `before` as it was (null: missing), `after` as the
// run left it (null: missing). What is as the run left it gets back what it was; what another
// program wrote since stays.
bool UndoNode(HKEY parent, const std::wstring& name, const TRegKeySnapshot::TNode* before,
              const TRegKeySnapshot::TNode* after) {
  HKEY key;
  if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
    // One the run deleted comes back; one deleted since it was left stays so.
    return after || !before || WriteNode(parent, name, *before);
  // One the run deleted that is there again: what it held comes back beside the new contents.
  static const TRegKeySnapshot::TNode kNone;
  const TRegKeySnapshot::TNode& left = after ? *after : kNone;
  TRegKeySnapshot::TNode now;
  ReadNode(key, now);
  bool ok = true;
  for (const TValue& v : left.values) {
    const TValue* is = FindValue(now.values, v.name);
    if (!is || !SameData(*is, v)) continue;
    const TValue* was = before ? FindValue(before->values, v.name) : nullptr;
    if (!was) ok = RegDeleteValueW(key, v.name.c_str()) == ERROR_SUCCESS && ok;
    else if (was->name != v.name || !SameData(*was, v)) ok = SetValue(key, *was) && ok;
  }
  if (before)
    for (const TValue& v : before->values)
      if (!FindValue(left.values, v.name) && !FindValue(now.values, v.name)) ok = SetValue(key, v) && ok;
  for (const TRegKeySnapshot::TNode& k : left.keys)
    ok = UndoNode(key, k.name, before ? FindKey(before->keys, k.name) : nullptr, &k) && ok;
  if (before)
    for (const TRegKeySnapshot::TNode& k : before->keys)
      if (!FindKey(left.keys, k.name)) ok = UndoNode(key, k.name, &k, nullptr) && ok;
  // A key the run made goes once nothing of another program's is in it.
  const bool made = !before && KeyEmpty(key);
  RegCloseKey(key);
  if (made) ok = RegDeleteKeyW(parent, name.c_str()) == ERROR_SUCCESS && ok;
  return ok;
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

bool TRegKeySnapshot::UndoSince(const TRegKeySnapshot& after) const {
  if (key_.empty() || root_ != after.root_ || !SameName(key_, after.key_)) return Restore();
  const bool ok = UndoNode(root_, key_, existed_ ? node_.get() : nullptr, after.existed_ ? after.node_.get() : nullptr);
  return RemoveIfEmpty() && ok;
}

bool TRegKeySnapshot::SameAs(const TRegKeySnapshot& other) const {
  if (root_ != other.root_ || !SameName(key_, other.key_) || existed_ != other.existed_) return false;
  return !existed_ || (node_ && other.node_ && SameNode(*node_, *other.node_));
}

bool TRegKeySnapshot::RemoveIfEmpty() const {
  if (existed_ || key_.empty() || missing_.empty()) return true;
  for (std::wstring k = key_; !k.empty(); k = ParentKey(k)) {
    HKEY h;
    if (RegOpenKeyExW(root_, k.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS) {
      const bool empty = KeyEmpty(h);
      RegCloseKey(h);
      // Another program's is in it: it stays, and its parents with it.
      if (!empty) return true;
      if (RegDeleteKeyW(root_, k.c_str()) != ERROR_SUCCESS) return false;
    }
    if (k.size() <= missing_.size()) break;
  }
  return true;
}

TRegValueSnapshot::TRegValueSnapshot(const std::string& path, const std::string& valueName)
    : path_(path), name_(WideText(valueName)) {
  if (!ReadValue()) missingKey_.reset(new TRegKeySnapshot(path));
}

bool TRegValueSnapshot::ReadValue() {
  HKEY key;
  if (!OpenRegPath(path_, KEY_QUERY_VALUE, key)) return false;
  DWORD size = 0;
  if (RegQueryValueExW(key, name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
    data_.resize(size);
    existed_ = RegQueryValueExW(key, name_.c_str(), nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
    data_.resize(size);
  }
  RegCloseKey(key);
  return true;
}

std::unique_ptr<TRegValueSnapshot> TRegValueSnapshot::Current() const {
  std::unique_ptr<TRegValueSnapshot> now(new TRegValueSnapshot);
  now->path_ = path_;
  now->name_ = name_;
  if (!now->ReadValue()) now->missingKey_.reset(new TRegKeySnapshot(path_));
  return now;
}

bool TRegValueSnapshot::SameAs(const TRegValueSnapshot& other) const {
  return EqualTextNoCase(path_, other.path_) && SameName(name_, other.name_) && existed_ == other.existed_ &&
         (!existed_ || (type_ == other.type_ && data_ == other.data_));
}

bool TRegValueSnapshot::UndoSince(const TRegValueSnapshot& after) const {
  if (!EqualTextNoCase(path_, after.path_) || !SameName(name_, after.name_)) return Restore();
  const std::unique_ptr<TRegValueSnapshot> now = Current();
  bool ok = true;
  if (after.existed_ ? now->SameAs(after) && !SameAs(after) : existed_ && !now->existed_) {
    // As the run left it: what was there comes back, or it goes.
    HKEY key;
    if (!existed_) {
      if (OpenRegPath(path_, KEY_SET_VALUE, key)) {
        const LONG rc = RegDeleteValueW(key, name_.c_str());
        RegCloseKey(key);
        ok = rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
      }
    } else if (CreateRegPath(path_, KEY_SET_VALUE, key)) {
      ok = RegSetValueExW(key, name_.c_str(), 0, type_, data_.data(), DWORD(data_.size())) == ERROR_SUCCESS;
      RegCloseKey(key);
    } else {
      ok = false;
    }
  }
  if (missingKey_) ok = missingKey_->RemoveIfEmpty() && ok;
  return ok;
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

// ---------------------------------------------------------------- snapshots as bytes
// Little-endian 32-bit counts; texts as their count of units and the units. Every count is
// checked against what is left, so damaged bytes are refused without a large allocation.

namespace {

const char kKeyTag[] = "RK1";
const char kValueTag[] = "RV1";
const int kMaxDepth = 256;

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}
void PutBytes(std::string& out, const void* data, size_t size) {
  PutU32(out, uint32_t(size));
  out.append(static_cast<const char*>(data), size);
}
void PutWide(std::string& out, const std::wstring& text) {
  PutU32(out, uint32_t(text.size()));
  for (wchar_t c : text) {
    out.push_back(char(c & 0xFF));
    out.push_back(char((c >> 8) & 0xFF));
  }
}

void PutNode(std::string& out, const TRegKeySnapshot::TNode& node);

// The predefined roots a snapshot may name.
bool KnownRoot(uint32_t v) {
  return v == uint32_t(ULONG_PTR(HKEY_CLASSES_ROOT)) || v == uint32_t(ULONG_PTR(HKEY_CURRENT_USER)) ||
         v == uint32_t(ULONG_PTR(HKEY_LOCAL_MACHINE)) || v == uint32_t(ULONG_PTR(HKEY_USERS)) ||
         v == uint32_t(ULONG_PTR(HKEY_CURRENT_CONFIG));
}
HKEY RootOf(uint32_t v) { return reinterpret_cast<HKEY>(ULONG_PTR(LONG_PTR(LONG(v)))); }

}  // namespace

struct TRegKeySnapshot::TReader {
  const std::string& bytes;
  size_t at = 0;
  bool ok = true;
  explicit TReader(const std::string& b) : bytes(b) {}
  size_t Left() const { return bytes.size() - at; }
  uint32_t U32() {
    if (!ok || Left() < 4) return ok = false, 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    at += 4;
    return v;
  }
  bool Tag(const char* tag) {
    const size_t n = std::char_traits<char>::length(tag);
    if (!ok || Left() < n || bytes.compare(at, n, tag) != 0) return ok = false;
    at += n;
    return true;
  }
  std::string Bytes() {
    const uint32_t n = U32();
    if (!ok || Left() < n) return ok = false, std::string();
    std::string v = bytes.substr(at, n);
    at += n;
    return v;
  }
  std::wstring Wide() {
    const uint32_t n = U32();
    if (!ok || Left() / 2 < n) return ok = false, std::wstring();
    std::wstring v(n, L'\0');
    for (uint32_t i = 0; i < n; ++i)
      v[i] = wchar_t(static_cast<unsigned char>(bytes[at + 2 * i]) | (static_cast<unsigned char>(bytes[at + 2 * i + 1]) << 8));
    at += 2 * size_t(n);
    return v;
  }
  bool Node(TRegKeySnapshot::TNode& node, int depth) {
    if (depth > kMaxDepth) return ok = false;
    node.name = Wide();
    const uint32_t values = U32();
    // Each value takes at least twelve bytes, each key at least eight.
    if (!ok || values > Left() / 12) return ok = false;
    for (uint32_t i = 0; i < values && ok; ++i) {
      TRegKeySnapshot::TNode::TValue v;
      v.name = Wide();
      v.type = U32();
      const std::string data = Bytes();
      v.data.assign(data.begin(), data.end());
      node.values.push_back(std::move(v));
    }
    const uint32_t keys = U32();
    if (!ok || keys > Left() / 8) return ok = false;
    node.keys.resize(keys);
    for (uint32_t i = 0; i < keys && ok; ++i) Node(node.keys[i], depth + 1);
    return ok;
  }
};

namespace {
void PutNode(std::string& out, const TRegKeySnapshot::TNode& node) {
  PutWide(out, node.name);
  PutU32(out, uint32_t(node.values.size()));
  for (const auto& v : node.values) {
    PutWide(out, v.name);
    PutU32(out, v.type);
    PutBytes(out, v.data.data(), v.data.size());
  }
  PutU32(out, uint32_t(node.keys.size()));
  for (const auto& k : node.keys) PutNode(out, k);
}
}  // namespace

void TRegKeySnapshot::Write(std::string& out) const {
  out += kKeyTag;
  PutU32(out, uint32_t(ULONG_PTR(root_)));
  PutWide(out, key_);
  PutWide(out, missing_);
  PutU32(out, existed_ && node_ ? 1 : 0);
  if (existed_ && node_) PutNode(out, *node_);
}

std::string TRegKeySnapshot::Serialize() const {
  std::string out;
  Write(out);
  return out;
}

std::unique_ptr<TRegKeySnapshot> TRegKeySnapshot::ReadFrom(TReader& in) {
  std::unique_ptr<TRegKeySnapshot> s(new TRegKeySnapshot);
  in.Tag(kKeyTag);
  const uint32_t root = in.U32();
  if (!in.ok || !KnownRoot(root)) return nullptr;
  s->root_ = RootOf(root);
  s->key_ = in.Wide();
  s->missing_ = in.Wide();
  const uint32_t existed = in.U32();
  if (!in.ok || existed > 1 || s->key_.empty()) return nullptr;
  s->existed_ = existed == 1;
  // A missing key is put back by deleting the highest missing one: it must lie on the key's path.
  if (!s->existed_ && (s->missing_.empty() || s->key_.compare(0, s->missing_.size(), s->missing_) != 0 ||
                       (s->key_.size() > s->missing_.size() && s->key_[s->missing_.size()] != L'\\')))
    return nullptr;
  if (s->existed_) {
    s->node_.reset(new TNode);
    if (!in.Node(*s->node_, 0)) return nullptr;
  }
  return in.ok ? std::move(s) : nullptr;
}

std::unique_ptr<TRegKeySnapshot> TRegKeySnapshot::Read(const std::string& bytes) {
  TReader in(bytes);
  std::unique_ptr<TRegKeySnapshot> s = ReadFrom(in);
  return s && in.ok && in.Left() == 0 ? std::move(s) : nullptr;
}

std::string TRegValueSnapshot::Serialize() const {
  std::string out = kValueTag;
  PutU32(out, missingKey_ ? 1 : 0);
  if (missingKey_) {
    const std::string key = missingKey_->Serialize();
    PutBytes(out, key.data(), key.size());
  }
  PutBytes(out, path_.data(), path_.size());
  PutWide(out, name_);
  PutU32(out, existed_ ? 1 : 0);
  PutU32(out, type_);
  PutBytes(out, data_.data(), data_.size());
  return out;
}

std::unique_ptr<TRegValueSnapshot> TRegValueSnapshot::Read(const std::string& bytes) {
  TRegKeySnapshot::TReader in(bytes);
  std::unique_ptr<TRegValueSnapshot> s(new TRegValueSnapshot);
  in.Tag(kValueTag);
  const uint32_t hasKey = in.U32();
  if (!in.ok || hasKey > 1) return nullptr;
  if (hasKey) {
    s->missingKey_ = TRegKeySnapshot::Read(in.Bytes());
    if (!in.ok || !s->missingKey_) return nullptr;
  }
  s->path_ = in.Bytes();
  s->name_ = in.Wide();
  const uint32_t existed = in.U32();
  s->type_ = in.U32();
  const std::string data = in.Bytes();
  if (!in.ok || existed > 1 || in.Left() != 0 || s->path_.empty()) return nullptr;
  s->existed_ = existed == 1;
  s->data_.assign(data.begin(), data.end());
  return s;
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
