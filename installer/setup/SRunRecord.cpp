#include "SRunRecord.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

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

// Moves a file back under its name, whatever the run left there.
void MoveBack(const std::string& from, const std::string& to) {
  if (!FileExists(from)) return;
  SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
  MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH);
}

bool ReadBytes(const std::string& path, std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bytes.clear();
  char buffer[65536];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, got);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

}  // namespace

TRunRecord::TRunRecord() = default;
TRunRecord::~TRunRecord() = default;

void TRunRecord::NoteFolder(const std::string& folder) {
  for (std::string f = SetTrailingBackslash(folder, false); f.size() > 3;) {
    const std::string key = Key(f);
    if (folders_.count(key)) return;  // it and its parents are noted already
    const bool missing = !DirectoryExists(f);
    folders_[key] = missing;
    if (!missing) return;
    madeOrder_.push_back(f);
    const std::string parent = SetTrailingBackslash(ExtractFileDir(f), false);
    if (EqualTextNoCase(parent, f)) return;
    f = parent;
  }
}

bool TRunRecord::MadeByRun(const std::string& folder) const {
  const auto it = folders_.find(Key(folder));
  return it != folders_.end() && it->second;
}

std::string TRunRecord::AsideName(const std::string& path) {
  // Short, in the same folder: the rename stays on its disk and within the path limit.
  return ExtractFilePath(path) + "~kv" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter_) + ".tmp";
}

bool TRunRecord::BeforeWrite(const std::string& path) {
  const std::string key = Key(path);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    // Not there: what the run writes there goes on undo.
    if (aside_.emplace(key, std::string()).second) undo_.push_back([path] { DeletePlain(path); });
    return true;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  // Set aside even when the run wrote it itself: a package file used up in between is put
  // back from what stood here then.
  std::string aside;
  for (int tries = 0; tries < 8; ++tries) {
    aside = AsideName(path);
    if (MoveFileA(path.c_str(), aside.c_str())) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) return false;
    aside.clear();
  }
  if (aside.empty()) return false;
  aside_[key] = aside;
  release_.push_back(aside);
  undo_.push_back([path, aside] { MoveBack(aside, path); });
  return true;
}

void TRunRecord::NoteNew(const std::string& path) {
  aside_.emplace(Key(path), std::string());
  undo_.push_back([path] { DeletePlain(path); });
}

void TRunRecord::PutBack(const std::string& path) {
  const auto it = aside_.find(Key(path));
  if (it == aside_.end()) return;
  if (it->second.empty()) {
    DeletePlain(path);
  } else {
    MoveBack(it->second, path);
    release_.erase(std::remove(release_.begin(), release_.end(), it->second), release_.end());
  }
  // Its undo finds nothing more to do; a later write of the path notes it anew.
  aside_.erase(it);
}

void TRunRecord::NoteMoved(const std::string& from, const std::string& to) {
  undo_.push_back([from, to] {
    if (!FileExists(from)) MoveFileExA(to.c_str(), from.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH);
  });
}

void TRunRecord::NoteCopiedFrom(const std::string& path, const std::string& copy) {
  undo_.push_back([path, copy] {
    if (!FileExists(path) && CopyFileA(copy.c_str(), path.c_str(), TRUE))
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  });
}

void TRunRecord::NoteContents(const std::string& path) {
  std::string bytes;
  const bool had = ReadBytes(path, bytes);
  undo_.push_back([path, had, bytes] {
    if (!had) {
      DeletePlain(path);
      return;
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  });
}

void TRunRecord::NoteUsedUp(const std::string& packageFile) { release_.push_back(packageFile); }

std::string TRunRecord::FreshName(const std::string& path) {
  std::string name = AsideName(path);
  for (int tries = 0; tries < 64 && GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES; ++tries)
    name = AsideName(path);
  undo_.push_back([name] { DeletePlain(name); });
  return name;
}

bool TRunRecord::ReplaceWith(const std::string& path, const std::string& fresh) {
  const std::string key = Key(path);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  const bool noted = aside_.count(key) != 0;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    DeletePlain(fresh);
    return false;
  }
  if (noted) {
    // What stands at `path` is the run's own: replaced.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    DeletePlain(fresh);
    return false;
  }
  std::string aside;
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    for (int tries = 0; tries < 8 && aside.empty(); ++tries) {
      aside = AsideName(path);
      if (MoveFileA(path.c_str(), aside.c_str())) break;
      const DWORD error = GetLastError();
      aside.clear();
      if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
    }
    if (aside.empty()) {
      DeletePlain(fresh);
      return false;
    }
  }
  if (!MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)) {
    if (!aside.empty()) MoveFileA(aside.c_str(), path.c_str());
    DeletePlain(fresh);
    return false;
  }
  aside_[key] = aside;
  if (aside.empty()) {
    undo_.push_back([path] { DeletePlain(path); });
  } else {
    release_.push_back(aside);
    undo_.push_back([path, aside] { MoveBack(aside, path); });
  }
  return true;
}

void TRunRecord::NotePendingRename(const std::string& from, const std::string& to) {
  undo_.push_back([from, to] { CancelPendingRename(from, to, false); });
}

void TRunRecord::NoteRegKey(const std::string& path) {
  std::shared_ptr<TRegKeySnapshot> snapshot(new TRegKeySnapshot(path));
  undo_.push_back([snapshot] { snapshot->Restore(); });
}

void TRunRecord::NoteRegValue(const std::string& path, const std::string& valueName) {
  std::shared_ptr<TRegValueSnapshot> snapshot(new TRegValueSnapshot(path, valueName));
  undo_.push_back([snapshot] { snapshot->Restore(); });
}

void TRunRecord::NoteUndo(std::function<void()> undo) { undo_.push_back(std::move(undo)); }

void TRunRecord::Undo() {
  for (size_t i = undo_.size(); i-- > 0;) undo_[i]();
  undo_.clear();
  release_.clear();
  aside_.clear();
  std::vector<std::string> folders = madeOrder_;
  std::sort(folders.begin(), folders.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  for (const std::string& f : folders)
    if (!IsProtectedFolder(f)) RemoveDirectoryA(f.c_str());
}

void TRunRecord::Complete() {
  for (const std::string& path : release_) DeletePlain(path);
  undo_.clear();
  release_.clear();
  aside_.clear();
}

