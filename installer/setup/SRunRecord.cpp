#include "SRunRecord.h"

#include <windows.h>

#include <algorithm>

#include "Common.h"
#include "Files.h"
#include "RegRestore.h"
#include "U_DEBUG0.h"
#include "Utils.h"

namespace {

std::string Key(const std::string& path) { return LowerCase(SetTrailingBackslash(path, false)); }

void DeletePlain(const std::string& path) {
  if (DeleteFileA(path.c_str()) || !FileExists(path)) return;
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
}

bool IsRegistry(TRunStep kind) { return kind == TRunStep::RegKey || kind == TRunStep::RegValue; }

// Takes what the entry's change left; false while that change may be still to come: a new
// file that is not there yet, a registry entry as it was while registry notes follow.
bool TakeAfter(TRunEntry& e, bool registryNext) {
  if (e.kind == TRunStep::NewFile) {
    e.fileAfter = ReadFileMark(e.path, e.fileSize, e.fileWritten);
    return e.fileAfter;
  }
  if (e.kind == TRunStep::RegKey && e.key) {
    std::shared_ptr<TRegKeySnapshot> after(new TRegKeySnapshot(e.path));
    if (registryNext && after->SameAs(*e.key)) return false;
    e.keyAfter = after;
  } else if (e.kind == TRunStep::RegValue && e.value) {
    std::shared_ptr<TRegValueSnapshot> after = e.value->Current();
    if (registryNext && after->SameAs(*e.value)) return false;
    e.valueAfter = after;
  }
  return true;
}

}  // namespace

TRunRecord::TRunRecord(const std::string& journalFolder) : journalFolder_(journalFolder) {}

TRunRecord::~TRunRecord() = default;

bool TRunRecord::OpenJournal() {
  if (!journalTried_ && !journalFolder_.empty()) {
    journalTried_ = true;
    if (journal_.Open(journalFolder_)) journalPath_ = journal_.Path();
  }
  return journal_.IsOpen();
}

bool TRunRecord::Note(TRunEntry entry, bool after) {
  // A journal that could not be made leaves the record in memory; one that was made and
  // fails on the way lets no further change be made.
  if (broken_) return false;
  const bool journal = OpenJournal();
  // The changes noted before are made by now: what they left goes in the same write.
  const std::string settled = Settle(IsRegistry(entry.kind));
  TStep step;
  step.entry = std::move(entry);
  if (journal) {
    if (!journal_.Append(step.entry, settled)) {
      broken_ = true;
      return false;
    }
    step.line = journal_.Entries() - 1;
  }
  steps_.push_back(std::move(step));
  if (after) open_.push_back(steps_.size() - 1);
  return true;
}

bool TRunRecord::NoteStep(TRunStep kind, const std::string& path, const std::string& other, bool after) {
  TRunEntry e;
  e.kind = kind;
  e.path = path;
  e.other = other;
  return Note(std::move(e), after);
}

std::string TRunRecord::Settle(bool registryNext) {
  std::string lines;
  size_t still = 0;
  for (size_t i = 0; i < open_.size(); ++i) {
    TStep& s = steps_[open_[i]];
    if (!TakeAfter(s.entry, registryNext && IsRegistry(s.entry.kind))) {
      open_[still++] = open_[i];
      continue;
    }
    if (s.line != kNoLine) lines += JournalAfterLine(s.line, s.entry);
  }
  open_.resize(still);
  return lines;
}

void TRunRecord::DropLastStep() {
  steps_.pop_back();
  open_.erase(std::remove(open_.begin(), open_.end(), steps_.size()), open_.end());
}

bool TRunRecord::Reopen(const std::string& path) {
  const std::string key = Key(path);
  for (size_t i = steps_.size(); i-- > 0;) {
    TStep& s = steps_[i];
    if (s.undo || s.entry.kind != TRunStep::NewFile || Key(s.entry.path) != key) continue;
    // One not taken yet, or one the run keeps writing, has nothing to take back.
    if (!s.entry.fileAfter) return true;
    s.entry.fileAfter = false;
    open_.push_back(i);
    // On the disk before the file changes: a run killed from here deletes it.
    if (s.line != kNoLine && !journal_.AppendLines(JournalAfterLine(s.line, s.entry))) broken_ = true;
    return !broken_;
  }
  return true;
}

void TRunRecord::FilesMayChange() {
  bool written = false;
  for (size_t i = 0; i < steps_.size(); ++i) {
    TStep& s = steps_[i];
    if (s.undo || s.entry.kind != TRunStep::NewFile || !s.entry.fileAfter) continue;
    s.entry.fileAfter = false;
    open_.push_back(i);
    written = written || s.line != kNoLine;
  }
  if (written && !journal_.AppendLines(JournalFilesVoidLine())) broken_ = true;
}

bool TRunRecord::NoteFolder(const std::string& folder) {
  for (std::string f = SetTrailingBackslash(folder, false); f.size() > 3;) {
    const std::string key = Key(f);
    if (folders_.count(key)) return true;  // it and its parents are noted already
    const bool missing = !DirectoryExists(f);
    if (!NoteStep(missing ? TRunStep::FolderMissing : TRunStep::FolderThere, f)) return false;
    folders_[key] = missing;
    if (!missing) return true;
    madeOrder_.push_back(f);
    const std::string parent = SetTrailingBackslash(ExtractFileDir(f), false);
    if (EqualTextNoCase(parent, f)) return true;
    f = parent;
  }
  return true;
}

bool TRunRecord::MadeByRun(const std::string& folder) const {
  const auto it = folders_.find(Key(folder));
  return it != folders_.end() && it->second;
}

std::string TRunRecord::AsideName(const std::string& path) { return FreshFileName(path, counter_); }

// Sets the file at `path` aside by one rename in its folder, noted before it is made.
bool TRunRecord::SetAside(const std::string& path, std::string& aside) {
  for (int tries = 0; tries < 8; ++tries) {
    aside = AsideName(path);
    if (!NoteStep(TRunStep::Aside, path, aside)) break;
    if (MoveFileA(path.c_str(), aside.c_str())) return true;
    const DWORD error = GetLastError();
    DropLastStep();  // its line in the journal names a file that is not there: harmless
    SetLastError(error);
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
  }
  aside.clear();
  return false;
}

bool TRunRecord::BeforeWrite(const std::string& path, bool keepsWriting) {
  const std::string key = Key(path);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // Not there: what the run writes there goes on undo.
    if (aside_.count(key)) return true;
    if (!NoteStep(TRunStep::NewFile, path, std::string(), !keepsWriting)) return false;
    aside_.emplace(key, std::string());
    return true;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  // Set aside even when the run wrote it itself: undo renames each back, the last first.
  std::string aside;
  if (!SetAside(path, aside)) return false;
  aside_[key] = aside;
  return true;
}

bool TRunRecord::NoteNew(const std::string& path) {
  if (!NoteStep(TRunStep::NewFile, path, std::string(), true)) return false;
  aside_.emplace(Key(path), std::string());
  return true;
}

void TRunRecord::PutBack(const std::string& path) {
  const auto it = aside_.find(Key(path));
  if (it == aside_.end()) return;
  TRunEntry e;
  e.kind = it->second.empty() ? TRunStep::NewFile : TRunStep::Aside;
  e.path = path;
  e.other = it->second;
  UndoEntry(e, outcome_);
  // Its undo finds nothing more to do; a later write of the path notes it anew.
  aside_.erase(it);
}

bool TRunRecord::NoteUsedUp(const std::string& packageFile) { return NoteStep(TRunStep::UsedUp, packageFile); }

std::string TRunRecord::FreshName(const std::string& path) {
  const std::string name = AsideName(path);
  return NoteStep(TRunStep::Fresh, name) ? name : std::string();
}

bool TRunRecord::ReplaceWith(const std::string& path, const std::string& fresh) {
  // On failure the system's reason is the one of the step that failed.
  auto fail = [&fresh](DWORD reason) {
    DeletePlain(fresh);
    SetLastError(reason ? reason : DWORD(ERROR_WRITE_FAULT));
    return false;
  };
  const std::string key = Key(path);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    return fail(ERROR_ACCESS_DENIED);
  if (aside_.count(key)) {
    // What stands at `path` is the run's own: replaced.
    if (aside_[key].empty() && !Reopen(path)) return fail(ERROR_WRITE_FAULT);
    if (ChangeName(path, [&] {
          return MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        }))
      return true;
    return fail(GetLastError());
  }
  std::string aside;
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (!SetAside(path, aside)) return fail(GetLastError());
  } else if (!NoteStep(TRunStep::NewFile, path, std::string(), true)) {
    return fail(ERROR_WRITE_FAULT);
  }
  if (!MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
    const DWORD reason = GetLastError();
    if (!aside.empty()) MoveFileA(aside.c_str(), path.c_str());
    DropLastStep();
    return fail(reason);
  }
  aside_[key] = aside;
  return true;
}

bool TRunRecord::NotePendingRename(const std::string& from, const std::string& to) {
  return NoteStep(TRunStep::PendingRename, from, to);
}

bool TRunRecord::NoteRegKey(const std::string& path) {
  TRunEntry e;
  e.kind = TRunStep::RegKey;
  e.path = path;
  e.key.reset(new TRegKeySnapshot(path));
  return Note(std::move(e), true);
}

bool TRunRecord::NoteRegValue(const std::string& path, const std::string& valueName) {
  TRunEntry e;
  e.kind = TRunStep::RegValue;
  e.path = path;
  e.value.reset(new TRegValueSnapshot(path, valueName));
  return Note(std::move(e), true);
}

void TRunRecord::NoteUndo(std::function<void()> undo) {
  TStep step;
  step.undo = std::move(undo);
  steps_.push_back(std::move(step));
}

TUndoOutcome TRunRecord::Undo() {
  // The open steps' changes are made by now; a kill during the undo finds what they left.
  const std::string settled = Settle(false);
  if (journal_.IsOpen()) journal_.AppendLines(settled);
  TUndoOutcome outcome = outcome_;
  std::vector<TRunEntry> left;
  for (size_t i = steps_.size(); i-- > 0;) {
    if (steps_[i].undo) {
      steps_[i].undo();
      continue;
    }
    const int failed = outcome.failed;
    UndoEntry(steps_[i].entry, outcome);
    if (outcome.failed > failed) left.insert(left.begin(), steps_[i].entry);
  }
  for (const std::string& f : outcome.kept) WriteDebugLine(kKeptChangedText + f);
  RemoveRunFolders(madeOrder_);
  // The steps that failed stay in a journal for the next start; where that cannot be
  // written, the run's own journal stays (it holds every change the run made).
  if (!left.empty()) {
    for (auto f = madeOrder_.rbegin(); f != madeOrder_.rend(); ++f) {
      if (!DirectoryExists(*f)) continue;
      TRunEntry e;
      e.kind = TRunStep::FolderMissing;
      e.path = *f;
      left.insert(left.begin(), e);
    }
    outcome.retried = !journalFolder_.empty() && KeepUndone(journalFolder_, left);
    if (!outcome.retried && journal_.IsOpen()) {
      journal_.Close();
      outcome.retried = true;
    }
  }
  steps_.clear();
  open_.clear();
  aside_.clear();
  journal_.Remove();
  outcome_ = TUndoOutcome();
  return outcome;
}

bool TRunRecord::Complete(std::vector<std::string>& left) {
  // Noted first: a run killed from here on is finished, not undone, by the next start. What
  // the open steps left is not needed then.
  std::vector<size_t> open;
  open.swap(open_);
  if (!NoteStep(TRunStep::Completing, std::string())) {
    open_.swap(open);
    return false;
  }
  std::vector<TRunEntry> entries;
  for (const TStep& step : steps_)
    if (!step.undo) entries.push_back(step.entry);
  left = ReleaseEntries(entries);
  steps_.clear();
  aside_.clear();
  journal_.Remove();
  outcome_ = TUndoOutcome();
  return true;
}

