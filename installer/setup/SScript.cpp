#include "SScript.h"

#include <fstream>
#include <iterator>
#include <unordered_map>

#include "UtilPlus.h"
#include "Utils.h"

#ifdef _WIN32
#include "KMsgBox.h"
#endif

// Setters that the keyword table points at.
struct TScriptSetters {
#define X_TEXT(kw, name, def) \
  static void name(TScript& s, const std::string& a) { s.name##_ = a; }
#define X_FLAG(kw, name) \
  static void name(TScript& s, const std::string&) { s.name##_ = true; }
#define X_INT(kw, name, def, bad) \
  static void name(TScript& s, const std::string& a) { s.name##_ = StrToIntDef(a, bad); }
#define X_BOUNDED(kw, name, def, lo, hi)                   \
  static void name(TScript& s, const std::string& a) {     \
    int v = StrToIntDef(a, lo - 1);                        \
    if (v >= lo && v <= hi) s.name##_ = v;                 \
  }
#define X_LIST(kw, name) \
  static void name(TScript& s, const std::string& a) { s.name##_.push_back(a); }
  SCRIPT_TEXT_SETTINGS(X_TEXT)
  SCRIPT_FLAG_SETTINGS(X_FLAG)
  SCRIPT_INT_SETTINGS(X_INT)
  SCRIPT_BOUNDED_SETTINGS(X_BOUNDED)
  SCRIPT_LIST_SETTINGS(X_LIST)
#undef X_TEXT
#undef X_FLAG
#undef X_INT
#undef X_BOUNDED
#undef X_LIST

  static void GroupData(TScript& s, const std::string& a) { s.GroupData(a); }
  static void SubDir(TScript& s, const std::string& a) { s.SubDir(a); }
  static void CopyFiles(TScript& s, const std::string& a) { s.CopyFiles(a); }
  static void Dialogs(TScript& s, const std::string& a) { s.dialogs_ = "," + a + ","; }
  static void CopyToUninstall(TScript& s, const std::string&) { s.copyToUninstall_ = true; }
  static void RemoveRegKey(TScript& s, const std::string& a) { s.uninstallLines_.push_back("REMOVE_REG_KEY(" + a + ")"); }
  static void RemoveFile(TScript& s, const std::string& a) { s.uninstallLines_.push_back("REMOVE_FILE(" + a + ")"); }
  static void RemoveDir(TScript& s, const std::string& a) { s.uninstallLines_.push_back("REMOVE_DIR(" + a + ")"); }
  static void ForceRemoveDir(TScript& s, const std::string& a) {
    s.uninstallLines_.push_back("FORCE_REMOVE_DIR(" + a + ")");
  }
  static void ForceRemoveTargetSubDir(TScript& s, const std::string& a) {
    s.uninstallLines_.push_back("FORCE_REMOVE_DIR(<TARGET_DIR>\\" + a + ")");
  }
  static void ForceRemoveTargetDir(TScript& s, const std::string&) {
    s.uninstallLines_.push_back("FORCE_REMOVE_DIR(<TARGET_DIR>)");
  }
};

const std::vector<TScript::Keyword>& TScript::KeywordTable() {
  static const std::vector<Keyword> table = [] {
    std::vector<Keyword> t;
#define X_TEXT(kw, name, def) t.push_back({#kw, TKeywordKind::Text, &TScriptSetters::name});
#define X_FLAG(kw, name) t.push_back({#kw, TKeywordKind::Flag, &TScriptSetters::name});
#define X_INT(kw, name, def, bad) t.push_back({#kw, TKeywordKind::Integer, &TScriptSetters::name});
#define X_BOUNDED(kw, name, def, lo, hi) t.push_back({#kw, TKeywordKind::Bounded, &TScriptSetters::name});
#define X_LIST(kw, name) t.push_back({#kw, TKeywordKind::List, &TScriptSetters::name});
    SCRIPT_TEXT_SETTINGS(X_TEXT)
    SCRIPT_FLAG_SETTINGS(X_FLAG)
    SCRIPT_INT_SETTINGS(X_INT)
    SCRIPT_BOUNDED_SETTINGS(X_BOUNDED)
    SCRIPT_LIST_SETTINGS(X_LIST)
#undef X_TEXT
#undef X_FLAG
#undef X_INT
#undef X_BOUNDED
#undef X_LIST
    t.push_back({"SET_GROUP_DATA", TKeywordKind::Special, &TScriptSetters::GroupData});
    t.push_back({"SET_SUB_DIR", TKeywordKind::Special, &TScriptSetters::SubDir});
    t.push_back({"SET_COPY_FILES", TKeywordKind::Special, &TScriptSetters::CopyFiles});
    t.push_back({"SET_DIALOGS", TKeywordKind::Special, &TScriptSetters::Dialogs});
    t.push_back({"SET_COPY_TO_UNINSTALL", TKeywordKind::Special, &TScriptSetters::CopyToUninstall});
    t.push_back({"SET_REMOVE_REG_KEY", TKeywordKind::Special, &TScriptSetters::RemoveRegKey});
    t.push_back({"SET_REMOVE_ABSOLUTE_FILE", TKeywordKind::Special, &TScriptSetters::RemoveFile});
    t.push_back({"SET_REMOVE_ABSOLUTE_DIR", TKeywordKind::Special, &TScriptSetters::RemoveDir});
    t.push_back({"SET_FORCE_REMOVE_ABSOLUTE_DIR", TKeywordKind::Special, &TScriptSetters::ForceRemoveDir});
    t.push_back({"SET_FORCE_REMOVE_TARGET_SUB_DIR", TKeywordKind::Special, &TScriptSetters::ForceRemoveTargetSubDir});
    t.push_back({"SET_FORCE_REMOVE_TARGET_DIR", TKeywordKind::Special, &TScriptSetters::ForceRemoveTargetDir});
    return t;
  }();
  return table;
}

TScript::TScript() {
#ifdef _WIN32
  OnUnrecognized = [](const std::string& line) {
    ErrorBox(KMSG_OWNER_TITLED, line + "\\\\n\\\\nUnrecognized command in Script file", "Error", kDefaultBtnText, 0);
  };
#endif
  Reset();
}

void TScript::Reset() {
#define X_TEXT(kw, name, def) name##_ = def;
#define X_FLAG(kw, name) name##_ = false;
#define X_INT(kw, name, def, bad) name##_ = def;
#define X_BOUNDED(kw, name, def, lo, hi) name##_ = def;
#define X_LIST(kw, name) name##_.clear();
  SCRIPT_TEXT_SETTINGS(X_TEXT)
  SCRIPT_FLAG_SETTINGS(X_FLAG)
  SCRIPT_INT_SETTINGS(X_INT)
  SCRIPT_BOUNDED_SETTINGS(X_BOUNDED)
  SCRIPT_LIST_SETTINGS(X_LIST)
#undef X_TEXT
#undef X_FLAG
#undef X_INT
#undef X_BOUNDED
#undef X_LIST
  lines_.clear();
  groups_.clear();
  pendingFiles_.clear();
  pendingCount_.clear();
  subDir_.clear();
  subDirPending_ = false;
  usesCommon_ = usesAux_ = false;
  dialogs_.clear();
  dialogIndex_ = 0;
  copyToUninstall_ = false;
  uninstallLines_.clear();
  binary_ = false;
}

bool TScript::Load(const std::string& path) {
  Reset();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  LoadFromText(text);
  return true;
}

std::string TScript::RemoveBlockComments(const std::string& text) {
  // Comments go one after the other, each time the first "/*" with the first "*/" after it,
  // until a "*/" comes first or one of them is missing. The text kept so far holds neither
  // mark, so the next one can only end at the character being added: one pass suffices,
  // and marks that form where a comment is cut out are found like any other.
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    out += text[i++];
    const size_t n = out.size();
    if (n < 2) continue;
    if (out[n - 2] == '*' && out[n - 1] == '/') break;  // a close before any open: the rest stays
    if (out[n - 2] != '/' || out[n - 1] != '*') continue;
    // Its close may share the open's star, as in "/*/".
    const size_t close = text.find("*/", i - 1);
    if (close == std::string::npos) break;  // never closed: the rest stays
    out.resize(n - 2);
    i = close + 2;
  }
  out.append(text, i, std::string::npos);
  return out;
}

std::string TScript::PlainScriptText(const std::string& raw) {
  // An editor's byte-order mark may stand before the text, scrambled or plain.
  std::string text = HasUtf8Bom(raw) ? ScrambleText(raw.substr(3), 0) : ScrambleText(raw, 0);
  if (HasUtf8Bom(text)) text.erase(0, 3);
  return text;
}

TStringList TScript::CleanScriptText(const std::string& raw) { return CleanLines(PlainScriptText(raw)); }

TStringList TScript::CleanLines(const std::string& text) {
  // Split at CR, LF or CR LF and join with CR LF for the block-comment pass.
  std::string joined;
  joined.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') {
      joined += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      joined += "\r\n";
    } else {
      joined += c;
    }
  }
  joined = RemoveBlockComments(joined);
  TStringList out;
  size_t start = 0;
  for (;;) {
    size_t end = joined.find("\r\n", start);
    std::string line = joined.substr(start, end == std::string::npos ? std::string::npos : end - start);
    // Line comment: a "//" that is not the tail of "://".
    std::string probe = line;
    for (size_t p = probe.find("://"); p != std::string::npos; p = probe.find("://", p + 1)) probe[p + 1] = '#';
    size_t cut = probe.find("//");
    if (cut != std::string::npos) line.erase(cut);
    line = Trim(line);
    if (!line.empty()) out.push_back(std::move(line));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return out;
}

std::string TScript::UnquoteArgument(const std::string& arg) {
  if (arg.size() < 2 || arg.front() != '"' || arg.back() != '"') return arg;
  // Two quotes alone are an empty quoted text, not a doubled quote.
  if (arg.size() == 2) return std::string();
  std::string s = arg;
  for (size_t i = s.size() - 1; i >= 1; --i) {
    if (s[i] == '"' && s[i - 1] != '"') s.erase(i, 1);
  }
  if (!s.empty() && s[0] == '"') s.erase(0, 1);
  return s;
}

bool TScript::LoadFromText(const std::string& text) {
  const std::string plain = PlainScriptText(text);
  // A text holds no NUL byte: a file with one is no script, and none of its lines is read.
  binary_ = plain.find('\0') != std::string::npos;
  if (binary_) return false;
  lines_ = CleanLines(plain);
  for (const auto& line : lines_) ParseLine(line);
  return true;
}

void TScript::ParseLine(const std::string& raw) {
  if (copyToUninstall_) {
    uninstallLines_.push_back(Trim(raw));
    return;
  }
  std::string line = Trim(raw);
  size_t semi = line.rfind(';');
  if (semi != std::string::npos) line.erase(semi);
  std::string keyword, arg;
  size_t open = line.find('(');
  if (open != std::string::npos && open > 0) {
    keyword = line.substr(0, open);
    size_t close = line.rfind(')');
    if (close != std::string::npos && close > open) arg = UnquoteArgument(line.substr(open + 1, close - open - 1));
  } else {
    keyword = line;
  }
  keyword = UpperCase(Trim(keyword));
  if (keyword.empty()) return;
  // The table's first entry of each name, found by name.
  static const std::unordered_map<std::string, const Keyword*> byName = [] {
    std::unordered_map<std::string, const Keyword*> m;
    for (const auto& k : KeywordTable()) m.emplace(k.name, &k);
    return m;
  }();
  const auto found = byName.find(keyword);
  if (found == byName.end()) {
    if (OnUnrecognized) OnUnrecognized(line);
    return;
  }
  parsedLine_ = line;
  found->second->set(*this, arg);
  parsedLine_.clear();
}

void TScript::Reject() {
  if (OnUnrecognized) OnUnrecognized(parsedLine_);
}

void TScript::GroupData(const std::string& arg) {
  SubDir(std::string());
  groups_.push_back(TScriptGroup{arg, {}});
}

void TScript::SubDir(const std::string& arg) {
  if (!arg.empty() && groups_.empty()) {
    // A folder with no group to hold it: the script is wrong here, and nothing changes.
    Reject();
    return;
  }
  if (subDirPending_ && !subDir_.empty()) CopyFiles(std::string());
  if (arg.empty()) {
    subDirPending_ = false;
    return;
  }
  if (PosNoCase("<Common Folder>", arg) > 0) usesCommon_ = true;
  if (PosNoCase("<Auxiliary Folder>", arg) > 0) usesAux_ = true;
  subDir_ = arg;
  subDirPending_ = true;
}

void TScript::CopyFiles(const std::string& arg) {
  if (groups_.empty()) {
    Reject();
    return;
  }
  groups_.back().items.push_back(std::to_string(OverwriteFlag_) + "|" + subDir_ + "|" + arg);
  subDirPending_ = false;
  if (arg.empty()) return;
  const std::string list = "|" + arg + "|";
  const int n = ListItemCount(list);
  for (int i = 0; i < n; ++i) {
    std::string item = GetListItem(list, i);
    size_t star = item.find('*');
    if (star != std::string::npos) item.erase(0, star + 1);
    // The copy trims each entry: the count must name the files the same way.
    item = Trim(item);
    pendingFiles_.push_back(item);
    ++pendingCount_[LowerCase(item)];
  }
}

void TScript::SetDialogByName(const std::string& name) {
  int i = ListItemIndex(dialogs_, name);
  dialogIndex_ = i < 0 ? 0 : i;
}

std::string TScript::CurrentDialog() const { return Trim(GetListItem(dialogs_, dialogIndex_)); }

bool TScript::ContainsDialog(const std::string& name) const { return PosNoCase(name, dialogs_) > 0; }

bool TScript::TakePendingFileName(const std::string& path) {
  size_t slash = path.find_last_of("\\/:");
  const std::string name = Trim(slash == std::string::npos ? path : path.substr(slash + 1));
  // The counts answer at once; the list keeps the script's order.
  auto count = pendingCount_.find(LowerCase(name));
  if (count == pendingCount_.end() || count->second == 0) return false;
  for (auto it = pendingFiles_.begin(); it != pendingFiles_.end(); ++it) {
    if (EqualTextNoCase(*it, name)) {
      pendingFiles_.erase(it);
      break;
    }
  }
  return --count->second > 0;
}
