#include "SRecord.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

#include "UtilPlus.h"
#include "Utils.h"

namespace {

const char* const kJoinEscape = "\\\\x";
const char* const kTabEscape = "\\\\t";

bool ReadWhole(const std::string& path, std::string& text) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  text.clear();
  char buf[65536];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, got);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

void CloseFile(FILE*& file) {
  if (file) std::fclose(file);
  file = nullptr;
}

#ifdef _WIN32
// Through the file's own handle: a write the system cuts short goes on with the rest and
// then fails with the system's reason, which the C library does not keep.
bool PutBytes(FILE* file, const std::string& bytes, bool append, int& error) {
  const HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (append) SetFilePointer(h, 0, nullptr, FILE_END);
  const char* at = bytes.data();
  for (DWORD left = DWORD(bytes.size()), put = 0; left > 0; at += put, left -= put) {
    if (!WriteFile(h, at, left, &put, nullptr) || put == 0) {
      error = GetLastError() ? int(GetLastError()) : -1;
      return false;
    }
  }
  return true;
}
int OpenError() { return int(GetLastError()); }
#else
bool PutBytes(FILE* file, const std::string& bytes, bool, int& error) {
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
  error = ok ? 0 : errno ? errno : -1;
  return ok;
}
int OpenError() { return errno; }
#endif

// Writes through a file kept open for appending; a rewrite starts the file anew. A failure
// leaves the system's code for it in `error`.
bool WriteBytes(FILE*& file, const std::string& path, const std::string& bytes, bool append, int& error) {
  if (!append && file) {
    std::fclose(file);
    file = nullptr;
  }
  if (!file) file = std::fopen(path.c_str(), append ? "ab" : "wb");
  if (!file) {
    const int code = OpenError();
    error = code ? code : -1;
    return false;
  }
  error = 0;
  const bool ok = PutBytes(file, bytes, append, error);
  if (!ok) CloseFile(file);
  return ok;
}

// Closes a file for good; one that was not there before goes. An earlier one is never
// written back in place.
void PutBack(FILE*& file, const std::string& path, bool had) {
  CloseFile(file);
  if (!path.empty() && !had) std::remove(path.c_str());
}

std::string JoinLines(const TLineList& lines, size_t from, size_t to) {
  std::string out;
  for (size_t i = from; i < to; ++i) {
    out += lines[i];
    out += "\r\n";
  }
  return out;
}

std::string HeaderKey(const std::string& line) { return LowerCase(line.substr(0, line.find('='))); }

}  // namespace

TLineList SplitTextLines(const std::string& text) {
  TLineList lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.push_back(text.substr(start, stop - start));
    start = end + 1;
  }
  return lines;
}

bool IsHeaderLine(const std::string& line) {
  const size_t eq = line.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  for (size_t i = 0; i < eq; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (!std::isalnum(c) && c != '_') return false;
  }
  return true;
}

std::string UninstallScriptPathFor(const std::string& targetFolder, const std::string& stamp) {
  std::string path = targetFolder;
  if (!path.empty() && path.back() != '\\') path += '\\';
  path += "UnInstall.txt";
  if (!stamp.empty()) path.insert(path.rfind('.'), "_" + stamp);
  return path;
}

std::string UninstallerPathFor(const std::string& scriptPath) {
  const size_t dot = scriptPath.rfind('.');
  const size_t slash = scriptPath.rfind('\\');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return scriptPath + ".exe";
  return scriptPath.substr(0, dot) + ".exe";
}

// ---------------------------------------------------------------- uninstall script

TUninstallScript::TUninstallScript(const std::string& path, bool enabled, bool scramble, unsigned char key)
    : path_(path), enabled_(enabled && !path.empty()), scramble_(scramble), key_(key) {}

TUninstallScript::~TUninstallScript() { CloseFile(file_); }

void TUninstallScript::LoadEarlier() {
  loaded_ = true;
  std::string text;
  if (!ReadWhole(path_, text)) return;
  hadEarlier_ = true;
  if (IsScrambledText(text)) text = ScrambleTextWithKey(text, 0, 0);
  lines_ = SplitTextLines(text);
  earlierCount_ = lines_.size();
  for (const auto& l : lines_) seen_.insert(LowerCase(l));
  // The earlier file may carry another key: this run writes it once whole.
  rewrite_ = true;
}

bool TUninstallScript::AddUninstallLine(const std::string& text, bool force) {
  if (!enabled_) return true;
  if (!loaded_) LoadEarlier();
  std::string line = text;
  if (line.empty() && !lines_.empty() && lines_.back().empty()) return false;
  if (!line.empty() && line.back() == ')' && line.find('=') == std::string::npos) line += ';';
  const std::string lower = LowerCase(line);
  if (!force && seen_.count(lower)) return false;
  if (!force && IsHeaderLine(line)) {
    // A reinstall keeps one value per key: the new value takes the old one's place.
    const std::string key = HeaderKey(line);
    for (auto& old : lines_) {
      if (IsHeaderLine(old) && HeaderKey(old) == key) {
        seen_.erase(LowerCase(old));
        old = line;
        seen_.insert(lower);
        rewrite_ = true;
        Write();
        return true;
      }
    }
  }
  lines_.push_back(line);
  seen_.insert(lower);
  Write();
  return true;
}

std::string TUninstallScript::Text() const { return JoinLines(lines_, 0, lines_.size()); }

void TUninstallScript::Withdraw() {
  if (enabled_ && loaded_) PutBack(file_, path_, hadEarlier_);
  enabled_ = false;
}

void TUninstallScript::Write() {
  bool ok;
  if (rewrite_) {
    const std::string body = Text();
    ok = WriteBytes(file_, path_, scramble_ ? ScrambleTextWithKey(body, 1, key_) : body, false, error_);
    if (ok) bodySize_ = body.size();
  } else {
    const std::string tail = JoinLines(lines_, onDisk_, lines_.size());
    ok = WriteBytes(file_, path_, scramble_ ? ScrambleBodyAt(tail, key_, bodySize_) : tail, true, error_);
    if (ok) bodySize_ += tail.size();
  }
  // A failed write leaves the file as it was; the next line writes it whole.
  rewrite_ = !ok;
  if (ok) onDisk_ = lines_.size();
}

// ---------------------------------------------------------------- setup log

void TSetupLog::AddSetupLogLine(const std::string& text) {
  if (!enabled_) return;
  std::string line = text;
  if (line.compare(0, 3, kJoinEscape) == 0) {
    line.erase(0, 3);
    line = ReplaceAll(line, kTabEscape, "\t");
    if (lines_.empty()) {
      lines_.push_back(line);
    } else {
      // A last line already in the file is changed: the file is written whole once more.
      if (onDisk_ >= lines_.size()) rewrite_ = true;
      lines_.back() += line;
    }
  } else {
    lines_.push_back(ReplaceAll(line, kTabEscape, "\t"));
  }
  WritePending(false);
}

void TSetupLog::SetFile(const std::string& path) {
  if (!enabled_ || path.empty()) return;
  CloseFile(file_);
  path_ = path;
  FILE* earlier = std::fopen(path.c_str(), "rb");
  hadEarlier_ = earlier != nullptr;
  if (earlier) std::fclose(earlier);
  rewrite_ = true;
  onDisk_ = 0;
  WritePending(false);
}

TSetupLog::~TSetupLog() {
  Flush();
  CloseFile(file_);
}

void TSetupLog::Flush() { WritePending(true); }

void TSetupLog::Withdraw() {
  if (enabled_) PutBack(file_, path_, hadEarlier_);
  enabled_ = false;
  path_.clear();
}

void TSetupLog::WritePending(bool all) {
  if (path_.empty()) return;
  // The last line may still be joined by a result: it waits unless all is asked.
  const size_t upto = all ? lines_.size() : (lines_.empty() ? 0 : lines_.size() - 1);
  if (upto <= onDisk_ && !rewrite_) return;
  int error = 0;
  const bool ok = WriteBytes(file_, path_, JoinLines(lines_, rewrite_ ? 0 : onDisk_, upto), !rewrite_, error);
  if (ok) {
    onDisk_ = upto;
    rewrite_ = false;
  }
}

// ---------------------------------------------------------------- copy rules

bool DecideOverwrite(int mode, uint32_t flags, const TOverwriteFacts& f) {
  const int own = int((flags >> 24) & 0x7);
  if (own > 0) mode = own;
  if (mode == 4) return !f.destExists;
  if ((mode != 2 && mode != 3) || !f.sourceExists || !f.destExists) return true;
  if (!f.sourceVersion.empty() && !f.destVersion.empty()) {
    const int c = f.sourceVersion.compare(f.destVersion);
    return mode == 2 ? c >= 0 : c > 0;
  }
  if (f.sourceDate != 0 && f.destDate != 0) return mode == 2 ? f.sourceDate >= f.destDate : f.sourceDate > f.destDate;
  return true;
}

void ParseFileEntry(const std::string& entry, uint32_t& flags, std::string& name) {
  flags = 0;
  name = entry;
  const size_t star = entry.find('*');
  if (star == std::string::npos) return;
  const std::string prefix = entry.substr(0, star);
  if (prefix.empty()) {
    flags = 1;
    name = entry.substr(1);
    return;
  }
  if (prefix.size() > 10) return;
  uint64_t value = 0;
  for (char c : prefix) {
    if (c < '0' || c > '9') return;
    value = value * 10 + uint64_t(c - '0');
  }
  if (value > 0xFFFFFFFFull) return;
  flags = uint32_t(value);
  name = entry.substr(star + 1);
}

TCopyItem ParseCopyItem(const std::string& item) {
  TCopyItem c;
  const size_t bar1 = item.find('|');
  if (bar1 == std::string::npos) {
    c.overwrite = StrToIntDef(item, 0);
    return c;
  }
  c.overwrite = StrToIntDef(item.substr(0, bar1), 0);
  const size_t bar2 = item.find('|', bar1 + 1);
  if (bar2 == std::string::npos) {
    c.subFolder = item.substr(bar1 + 1);
    return c;
  }
  c.subFolder = item.substr(bar1 + 1, bar2 - bar1 - 1);
  c.fileList = item.substr(bar2 + 1);
  return c;
}
