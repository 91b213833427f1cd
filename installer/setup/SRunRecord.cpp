#include "SRunRecord.h"

#include <windows.h>

#include <algorithm>

#include "Common.h"
#include "Files.h"
#include "RegRestore.h"
#include "Utils.h"

namespace {

std::string Key(const std::string& path) { return LowerCase(SetTrailingBackslash(path, false)); }

void DeletePlain(const std::string& path) {
  if (DeleteFileA(path.c_str()) || !FileExists(path)) return;
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
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

bool TRunRecord::Note(TRunEntry entry) {
  // A journal that could not be made leaves the record in memory; one that was made and
  // fails on the way lets no further change be made.
  if (broken_) return false;
  if (OpenJournal() && !journal_.Append(entry)) {
    broken_ = true;
    return false;
  }
  steps_.push_back({std::move(entry), nullptr});
  return true;
}

bool TRunRecord::NoteStep(TRunStep kind, const std::string& path, const std::string& other) {
  TRunEntry e;
  e.kind = kind;
  e.path = path;
  e.other = other;
  return Note(std::move(e));
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
    steps_.pop_back();  // its line in the journal names a file that is not there: harmless
    SetLastError(error);
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
  }
  aside.clear();
  return false;
}

bool TRunRecord::BeforeWrite(const std::string& path) {
  const std::string key = Key(path);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // Not there: what the run writes there goes on undo.
    if (aside_.count(key)) return true;
    if (!NoteStep(TRunStep::NewFile, path)) return false;
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
  if (!NoteStep(TRunStep::NewFile, path)) return false;
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
    if (ChangeName(path, [&] {
          return MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        }))
      return true;
    return fail(GetLastError());
  }
  std::string aside;
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (!SetAside(path, aside)) return fail(GetLastError());
  } else if (!NoteStep(TRunStep::NewFile, path)) {
    return fail(ERROR_WRITE_FAULT);
  }
  if (!MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
    const DWORD reason = GetLastError();
    if (!aside.empty()) MoveFileA(aside.c_str(), path.c_str());
    steps_.pop_back();
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
  return Note(std::move(e));
}

bool TRunRecord::NoteRegValue(const std::string& path, const std::string& valueName) {
  TRunEntry e;
  e.kind = TRunStep::RegValue;
  e.path = path;
  e.value.reset(new TRegValueSnapshot(path, valueName));
  return Note(std::move(e));
}

void TRunRecord::NoteUndo(std::function<void()> undo) {
  TStep step;
  step.undo = std::move(undo);
  steps_.push_back(std::move(step));
}

TUndoOutcome TRunRecord::Undo() {
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
    outcome.kept = !journalFolder_.empty() && KeepUndone(journalFolder_, left);
    if (!outcome.kept && journal_.IsOpen()) {
      journal_.Close();
      outcome.kept = true;
    }
  }
  steps_.clear();
  aside_.clear();
  journal_.Remove();
  outcome_ = TUndoOutcome();
  return outcome;
}

bool TRunRecord::Complete(std::vector<std::string>& left) {
  // Noted first: a run killed from here on is finished, not undone, by the next start.
  if (!NoteStep(TRunStep::Completing, std::string())) return false;
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

