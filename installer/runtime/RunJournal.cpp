#include "RunJournal.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "Common.h"
#include "Files.h"
#include "RegRestore.h"
#include "Utils.h"

namespace {

const char kHeaderTag[] = "KVRUN";
const char kHeaderVersion[] = "1";

uint32_t Checksum(const std::string& text) {
  uint32_t h = 2166136261u;
  for (unsigned char c : text) h = (h ^ c) * 16777619u;
  return h;
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool Unhex(const std::string& text, std::string& bytes) {
  if (text.size() % 2) return false;
  bytes.clear();
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    const int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes.push_back(char(hi * 16 + lo));
  }
  return true;
}

// Paths carry no control characters on Windows; a "%" is escaped anyway so that a field
// never holds the separator or an end of line.
std::string Escape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '%' || c < 32) {
      char buffer[4];
      std::snprintf(buffer, sizeof buffer, "%%%02X", c);
      out += buffer;
    } else {
      out.push_back(char(c));
    }
  }
  return out;
}

bool Unescape(const std::string& text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out.push_back(text[i]);
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int hi = HexDigit(text[i + 1]), lo = HexDigit(text[i + 2]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(char(hi * 16 + lo));
    i += 2;
  }
  return true;
}

std::string Line(const std::vector<std::string>& fields) {
  std::string body;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) body.push_back('\t');
    body += fields[i];
  }
  char sum[16];
  std::snprintf(sum, sizeof sum, "%08X", unsigned(Checksum(body)));
  return body + "\t" + sum + "\r\n";
}

// The fields of a whole line (without its end), false when its checksum does not match.
bool SplitLine(const std::string& line, std::vector<std::string>& fields) {
  const size_t tab = line.rfind('\t');
  if (tab == std::string::npos || line.size() - tab - 1 != 8) return false;
  const std::string body = line.substr(0, tab);
  char sum[16];
  std::snprintf(sum, sizeof sum, "%08X", unsigned(Checksum(body)));
  if (line.compare(tab + 1, 8, sum) != 0) return false;
  fields.clear();
  for (size_t at = 0;;) {
    const size_t next = body.find('\t', at);
    fields.push_back(body.substr(at, next == std::string::npos ? std::string::npos : next - at));
    if (next == std::string::npos) break;
    at = next + 1;
  }
  return true;
}

bool KnownStep(char c) { return std::string("DENAUPKVFZ").find(c) != std::string::npos && c; }

// Lines that are no entries: the state an entry's change left (of a registry key, a registry
// value, a new file), and the end of what was given of the new files before. Each is written
// as a folder that was there, named "*" (no folder's name), the kind and the entry's number:
// a reader that does not know them passes over them and undoes the whole run as before.
const char kAfterMark = '*';
const char kKeyAfter = 'k', kValueAfter = 'v', kFileAfter = 'n', kFilesVoid = 'w';

bool IsAfterLine(const std::vector<std::string>& fields) {
  return fields.size() == 3 && fields[0].size() == 1 && fields[0][0] == char(TRunStep::FolderThere) &&
         !fields[1].empty() && fields[1][0] == kAfterMark;
}

std::string AfterLine(char kind, const std::string& index, const std::string& state) {
  return Line({std::string(1, char(TRunStep::FolderThere)), std::string(1, kAfterMark) + kind + index, state});
}

std::string Bytes64(uint64_t a, uint64_t b) {
  std::string bytes;
  for (uint64_t v : {a, b})
    for (int i = 0; i < 8; ++i) bytes.push_back(char((v >> (8 * i)) & 0xFF));
  return bytes;
}

uint64_t U64(const std::string& bytes, size_t at) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= uint64_t(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return v;
}

// An entry number as written: decimal digits only.
bool ReadIndex(const std::string& text, size_t& index) {
  if (text.empty() || text.size() > 9) return false;
  index = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    index = index * 10 + size_t(c - '0');
  }
  return true;
}

// Gives the after-state of an after-line to its entry; false when the line is not whole.
bool ReadAfter(const std::vector<std::string>& fields, std::vector<TRunEntry>& entries) {
  const char kind = fields[1].size() > 1 ? fields[1][1] : 0;
  if (kind == kFilesVoid) {
    if (fields[1].size() != 2 || !fields[2].empty()) return false;
    for (TRunEntry& e : entries) e.fileAfter = false;
    return true;
  }
  size_t index = 0;
  std::string blob;
  if (!ReadIndex(fields[1].substr(2), index) || index >= entries.size() || !Unhex(fields[2], blob)) return false;
  TRunEntry& e = entries[index];
  if (kind == kKeyAfter && e.kind == TRunStep::RegKey) {
    std::shared_ptr<TRegKeySnapshot> after = TRegKeySnapshot::Read(blob);
    if (!after) return false;
    e.keyAfter = after;
    return true;
  }
  if (kind == kValueAfter && e.kind == TRunStep::RegValue) {
    std::shared_ptr<TRegValueSnapshot> after = TRegValueSnapshot::Read(blob);
    if (!after) return false;
    e.valueAfter = after;
    return true;
  }
  if (kind == kFileAfter && e.kind == TRunStep::NewFile && (blob.empty() || blob.size() == 16)) {
    e.fileAfter = !blob.empty();
    e.fileSize = e.fileAfter ? U64(blob, 0) : 0;
    e.fileWritten = e.fileAfter ? U64(blob, 8) : 0;
    return true;
  }
  return false;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

unsigned g_freshCounter = 0;

// Deletes the name `path`; a second name of an installed file leaves that file's attributes.
bool DeleteName(const std::string& path) {
  return ChangeName(path, [&path] { return DeleteFileA(path.c_str()) != 0; });
}

// The program's own file, moved out of the way, is its own to delete once it has ended.
bool LeftToProgram(const std::string& path, const std::string& movedTo, TUndoOutcome& outcome) {
  if (outcome.running.empty() || !EqualTextNoCase(path, outcome.running)) return false;
  outcome.runningMovedTo = movedTo;
  return true;
}

// Deletes a file now, or else renames it out of the way and deletes that at the next restart.
void DeleteOrSchedule(const std::string& path, TUndoOutcome& outcome) {
  if (!Exists(path)) return;
  if (DeleteName(path) || !Exists(path)) return;
  const std::string fresh = FreshFileName(path, g_freshCounter);
  if (MoveFileA(path.c_str(), fresh.c_str())) {
    if (LeftToProgram(path, fresh, outcome) || DeleteFileA(fresh.c_str())) return;
    if (MoveFileExA(fresh.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
      outcome.restart = true;
      return;
    }
    ++outcome.failed;
    return;
  }
  if (MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) outcome.restart = true;
  else ++outcome.failed;
}

// Renames a file set aside back over what the run left at its name.
void RenameBack(const std::string& aside, const std::string& path, TUndoOutcome& outcome) {
  if (!Exists(aside)) return;
  const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (ChangeName(path, [&] { return MoveFileExA(aside.c_str(), path.c_str(), flags) != 0; })) return;
  // The run's file is in use: out of the way under a fresh name, deleted at the restart.
  if (Exists(path)) {
    const std::string fresh = FreshFileName(path, g_freshCounter);
    if (MoveFileA(path.c_str(), fresh.c_str())) {
      if (MoveFileA(aside.c_str(), path.c_str())) {
        if (!LeftToProgram(path, fresh, outcome) && !DeleteFileA(fresh.c_str())) {
          if (MoveFileExA(fresh.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) outcome.restart = true;
          else ++outcome.failed;
        }
        return;
      }
      MoveFileA(fresh.c_str(), path.c_str());
    }
  }
  if (MoveFileExA(aside.c_str(), path.c_str(), flags | MOVEFILE_DELAY_UNTIL_REBOOT)) outcome.restart = true;
  else ++outcome.failed;
}

bool ReadWhole(HANDLE file, std::string& bytes) {
  bytes.clear();
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) return true;
    bytes.append(buffer, got);
  }
}

}  // namespace

const char* const kRunUndoneText =
    "An earlier Setup run on this computer did not end. What it changed has been put back as it was.";
const char* const kRestartCompletesText = "Some files are in use: restart your computer to complete this.";
const char* const kUndoIncompleteText = "Setup could not put back everything it changed.";
const char* const kUndoLaterText = "What is left is put back the next time Setup or an uninstaller starts.";
const char* const kKeptChangedText = "Kept, changed since Setup made it: ";

std::string FreshFileName(const std::string& path, unsigned& counter) {
  // Short, in the same folder: the rename stays on its disk and within the path limit.
  const std::string folder = ExtractFilePath(path);
  const std::string stem = folder + "~kv" + std::to_string(GetCurrentProcessId()) + "_";
  std::string name;
  for (int tries = 0; tries < 1000; ++tries) {
    name = stem + std::to_string(++counter) + ".tmp";
    if (!Exists(name)) break;
  }
  return name;
}

bool ReadFileMark(const std::string& path, uint64_t& size, uint64_t& written) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  size = (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  written = (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
  return true;
}

std::string JournalHeader() {
  return Line({kHeaderTag, kHeaderVersion, std::to_string(GetCurrentProcessId())});
}

std::string JournalLine(const TRunEntry& entry) {
  std::string other;
  if (entry.kind == TRunStep::RegKey && entry.key) other = Hex(entry.key->Serialize());
  else if (entry.kind == TRunStep::RegValue && entry.value) other = Hex(entry.value->Serialize());
  else other = Escape(entry.other);
  return Line({std::string(1, char(entry.kind)), Escape(entry.path), other});
}

std::string JournalAfterLine(size_t index, const TRunEntry& entry) {
  char kind = 0;
  std::string state;
  if (entry.kind == TRunStep::RegKey && entry.keyAfter) {
    kind = kKeyAfter;
    state = Hex(entry.keyAfter->Serialize());
  } else if (entry.kind == TRunStep::RegValue && entry.valueAfter) {
    kind = kValueAfter;
    state = Hex(entry.valueAfter->Serialize());
  } else if (entry.kind == TRunStep::NewFile) {
    kind = kFileAfter;
    if (entry.fileAfter) state = Hex(Bytes64(entry.fileSize, entry.fileWritten));
  } else {
    return std::string();
  }
  return AfterLine(kind, std::to_string(index), state);
}

std::string JournalFilesVoidLine() { return AfterLine(kFilesVoid, std::string(), std::string()); }

bool ReadJournal(const std::string& bytes, std::vector<TRunEntry>& entries) {
  entries.clear();
  std::vector<std::string> fields;
  size_t at = 0;
  bool header = false;
  while (at < bytes.size()) {
    const size_t end = bytes.find('\n', at);
    if (end == std::string::npos) break;  // a cut last entry: its change never happened
    std::string line = bytes.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!SplitLine(line, fields)) break;
    if (!header) {
      if (fields.size() != 3 || fields[0] != kHeaderTag || fields[1] != kHeaderVersion) return false;
      header = true;
      continue;
    }
    if (IsAfterLine(fields)) {
      if (!ReadAfter(fields, entries)) break;
      continue;
    }
    if (fields.size() != 3 || fields[0].size() != 1 || !KnownStep(fields[0][0])) break;
    TRunEntry e;
    e.kind = TRunStep(fields[0][0]);
    if (!Unescape(fields[1], e.path)) break;
    if (e.kind == TRunStep::RegKey || e.kind == TRunStep::RegValue) {
      std::string blob;
      if (!Unhex(fields[2], blob)) break;
      if (e.kind == TRunStep::RegKey) e.key = TRegKeySnapshot::Read(blob);
      else e.value = TRegValueSnapshot::Read(blob);
      if (!e.key && !e.value) break;
    } else if (!Unescape(fields[2], e.other)) {
      break;
    }
    // Every file step names its file; a rename back and a pending rename name both ends.
    if (e.kind != TRunStep::Completing && e.kind != TRunStep::RegKey && e.kind != TRunStep::RegValue &&
        e.path.empty())
      break;
    if ((e.kind == TRunStep::Aside || e.kind == TRunStep::PendingRename) && e.other.empty()) break;
    entries.push_back(std::move(e));
  }
  return header;
}

void UndoEntry(const TRunEntry& e, TUndoOutcome& outcome) {
  switch (e.kind) {
    case TRunStep::NewFile:
      if (e.fileAfter) {
        uint64_t size = 0, written = 0;
        if (!ReadFileMark(e.path, size, written)) break;
        // Changed since the run left it: another program's now.
        if (size != e.fileSize || written != e.fileWritten) {
          outcome.kept.push_back(e.path);
          break;
        }
      }
      DeleteOrSchedule(e.path, outcome);
      break;
    case TRunStep::Fresh:
      DeleteOrSchedule(e.path, outcome);
      break;
    case TRunStep::Aside:
      RenameBack(e.other, e.path, outcome);
      break;
    case TRunStep::PendingRename:
      CancelPendingRename(e.path, e.other, false);
      break;
    case TRunStep::RegKey:
      if (e.key && !(e.keyAfter ? e.key->UndoSince(*e.keyAfter) : e.key->Restore())) ++outcome.failed;
      break;
    case TRunStep::RegValue:
      if (e.value && !(e.valueAfter ? e.value->UndoSince(*e.valueAfter) : e.value->Restore())) ++outcome.failed;
      break;
    default:
      break;
  }
}

void RemoveRunFolders(const std::vector<std::string>& made) {
  std::vector<std::string> folders = made;
  std::sort(folders.begin(), folders.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  for (const std::string& f : folders)
    if (!IsProtectedFolder(f)) RemoveDirectoryA(f.c_str());
}

void UndoEntries(const std::vector<TRunEntry>& entries, TUndoOutcome& outcome, std::vector<TRunEntry>* left) {
  std::vector<std::string> folders;
  std::vector<TRunEntry> failed;
  for (size_t i = entries.size(); i-- > 0;) {
    const int before = outcome.failed;
    UndoEntry(entries[i], outcome);
    if (outcome.failed > before) failed.insert(failed.begin(), entries[i]);
    if (entries[i].kind == TRunStep::FolderMissing) folders.push_back(entries[i].path);
  }
  RemoveRunFolders(folders);
  if (!left || failed.empty()) return;
  // The folders first, as the run noted them: they go once the steps in them are done.
  left->clear();
  for (const TRunEntry& e : entries)
    if (e.kind == TRunStep::FolderMissing && DirectoryExists(e.path)) left->push_back(e);
  left->insert(left->end(), failed.begin(), failed.end());
}

bool KeepUndone(const std::string& folder, const std::vector<TRunEntry>& left) {
  TRunJournal journal;
  if (!journal.Open(folder)) return false;
  for (const TRunEntry& e : left) {
    // With what the run left, where that was taken: the next undo still leaves what another
    // program wrote since.
    const bool after = e.keyAfter || e.valueAfter || e.fileAfter;
    if (!journal.Append(e) || (after && !journal.AppendLines(JournalAfterLine(journal.Entries() - 1, e)))) {
      journal.Remove();
      return false;
    }
  }
  journal.Close();
  return true;
}

std::vector<std::string> ReleaseEntries(const std::vector<TRunEntry>& entries) {
  std::vector<std::string> left;
  for (const TRunEntry& e : entries) {
    const std::string* file = e.kind == TRunStep::Aside ? &e.other : e.kind == TRunStep::UsedUp ? &e.path : nullptr;
    if (!file || !Exists(*file)) continue;
    if (DeleteName(*file) || !Exists(*file)) continue;
    // A program that still runs can be renamed but not deleted.
    if (MoveFileExA(file->c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) left.push_back(*file);
  }
  return left;
}

std::string RunJournalFolder() { return GetWindowsDir(true) + "Kelvane Runs"; }

TRunJournal::~TRunJournal() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

bool TRunJournal::Open(const std::string& folder) {
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string stem = SetTrailingBackslash(folder, true) + "run" + std::to_string(GetCurrentProcessId()) + "_" +
                           std::to_string(GetTickCount());
  for (int tries = 0; tries < 16 && file_ == INVALID_HANDLE_VALUE; ++tries) {
    path_ = stem + (tries ? "_" + std::to_string(tries) : std::string()) + ".kvr";
    // Readers may look; no other process may write or delete it while the run holds it.
    file_ = CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                        nullptr);
    error_ = file_ == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    // The folder may have gone with another run's last journal in between.
    if (error_ == ERROR_PATH_NOT_FOUND && CreateDirectoryA(folder.c_str(), nullptr)) continue;
    if (error_ && error_ != ERROR_FILE_EXISTS && error_ != ERROR_ALREADY_EXISTS) break;
  }
  if (file_ == INVALID_HANDLE_VALUE) {
    path_.clear();
    return false;
  }
  const std::string header = JournalHeader();
  DWORD written = 0;
  if (!WriteFile(file_, header.data(), DWORD(header.size()), &written, nullptr) || written != header.size() ||
      !FlushFileBuffers(file_)) {
    error_ = GetLastError();
    Remove();
    return false;
  }
  return true;
}

bool TRunJournal::Append(const TRunEntry& entry, const std::string& before) {
  if (!Write(before + JournalLine(entry))) return false;
  ++entries_;
  return true;
}

bool TRunJournal::AppendLines(const std::string& lines) { return lines.empty() || Write(lines); }

bool TRunJournal::Write(const std::string& lines) {
  if (file_ == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  if (WriteFile(file_, lines.data(), DWORD(lines.size()), &written, nullptr) && written == lines.size() &&
      FlushFileBuffers(file_))
    return true;
  error_ = GetLastError();
  return false;
}

void TRunJournal::Close() {
  if (file_ == INVALID_HANDLE_VALUE) return;
  CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
  path_.clear();
}

void TRunJournal::Remove() {
  if (file_ == INVALID_HANDLE_VALUE) return;
  CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
  DeleteFileA(path_.c_str());
  entries_ = 0;
  // The folder goes with its last journal; another run's keeps it.
  RemoveDirectoryA(ExtractFileDir(path_).c_str());
  path_.clear();
}

TRecovery RecoverUnfinishedRuns(const std::string& folder, const std::string& running) {
  TRecovery recovery;
  recovery.outcome.running = running;
  const std::string dir = SetTrailingBackslash(folder, true);
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  const HANDLE find = FindFirstFileA((dir + "*.kvr").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return recovery;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(dir + found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  std::sort(names.begin(), names.end());
  for (const std::string& path : names) {
    // A run that still goes holds its journal: it cannot be opened without sharing.
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    std::string bytes;
    std::vector<TRunEntry> entries;
    const bool read = ReadWhole(file, bytes) && ReadJournal(bytes, entries);
    if (read && !entries.empty()) {
      const bool completed = std::any_of(entries.begin(), entries.end(),
                                         [](const TRunEntry& e) { return e.kind == TRunStep::Completing; });
      // A run that had completed is finished quietly; only an undone one is told.
      std::vector<TRunEntry> left;
      if (completed) {
        ReleaseEntries(entries);
      } else {
        UndoEntries(entries, recovery.outcome, &left);
        ++recovery.runs;
      }
      // What could not be undone now is tried again at the next start; where even that
      // cannot be written, the whole journal stays for it.
      if (!left.empty()) {
        recovery.outcome.retried = true;
        if (!KeepUndone(folder, left)) {
          CloseHandle(file);
          continue;
        }
      }
    }
    CloseHandle(file);
    // One that cannot be read holds nothing to undo: its header is written before any change.
    DeleteFileA(path.c_str());
  }
  RemoveDirectoryA(folder.c_str());
  return recovery;
}
