// What an install run changes, noted before or as it makes each change: whether each thing
// was there when the run began and, if so, what it was; and, once the change is made, what
// the run left (a registry key or value, a new file's size and time). A run that stops short
// is undone in reverse, taking back only what is still as the run left it; one that completes
// lets go of what it kept aside.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "RunJournal.h"

class TRunRecord {
 public:
  // The journal goes into `journalFolder` (by default the one every Setup and uninstaller
  // looks in); an empty folder keeps the record in memory only.
  explicit TRunRecord(const std::string& journalFolder = RunJournalFolder());
  ~TRunRecord();
  TRunRecord(const TRunRecord&) = delete;
  TRunRecord& operator=(const TRunRecord&) = delete;

  // Every note returns false when its entry could not be written to the journal: the change
  // it announces must not be made, and the record is broken (see Broken) from then on.

  // Opens the run's journal; false (with JournalError) when it cannot be made: the record is
  // then kept in memory only, which undoes a stop but not a killed run.
  bool OpenJournal();
  // Notes a folder and its parents as they are now; the first note of a folder holds. The
  // ones missing then are the run's, whoever makes them later.
  bool NoteFolder(const std::string& folder);
  // Whether a folder was noted missing: it did not exist when the run began.
  bool MadeByRun(const std::string& folder) const;

  // Before the run writes a file at `path`: one that is there, the run's own included, is set
  // aside in its folder (one rename) and comes back on undo; a missing one is the run's and
  // goes on undo. False when a file there could not be set aside (it is then left as it is)
  // or its entry not written. `keepsWriting`: the run writes a new file there until it ends (its uninstall script, its
  // log): undo deletes it whatever it holds then.
  bool BeforeWrite(const std::string& path, bool keepsWriting = false);
  // A file the run has just made by a create that fails where one is there: it goes on undo.
  // False when the entry could not be written: the caller takes the file away again.
  bool NoteNew(const std::string& path);
  // The write failed: what it left at `path` goes and the file set aside is put back now.
  void PutBack(const std::string& path);
  // A package file the run has used up: it stays in the package untouched and is deleted only
  // on completion; nothing on undo.
  bool NoteUsedUp(const std::string& packageFile);
  // `fresh` is a whole new file beside `path`: the file at `path` is set aside as BeforeWrite
  // does (an earlier one comes back on undo, the run's own is simply replaced) and `fresh`
  // takes its name. False, with `fresh` deleted and `path` as it was, when that fails.
  bool ReplaceWith(const std::string& path, const std::string& fresh);
  // A free name beside `path` for a new file; undo deletes that file if it is still there.
  // Empty when its entry could not be written.
  std::string FreshName(const std::string& path);
  // A rename scheduled for the next restart: cancelled on undo.
  bool NotePendingRename(const std::string& from, const std::string& to);
  // A registry key (values and subkeys) or one value as it stands now.
  bool NoteRegKey(const std::string& path);
  bool NoteRegValue(const std::string& path, const std::string& valueName);
  // Any other change of the process's own state, with what undoes it (not on disk).
  void NoteUndo(std::function<void()> undo);
  // The run's next steps may change its new files in place (After Copy items): what was
  // taken of them no longer holds until each is taken again, at the next note.
  void FilesMayChange();

  // Undoes every noted change, the last first, then removes the run's folders that are
  // empty, the deepest first. Every step is checked; one that cannot be done now is left to
  // the next restart (the outcome says so). The record is empty afterwards and its journal
  // gone, or left holding only the steps that failed, for the next start to finish.
  TUndoOutcome Undo();
  // The run is complete: the files set aside and used up are deleted. Those that cannot be
  // deleted now (a program that runs) are deleted at the next restart and go into `left`.
  // False, with nothing deleted, when the journal could not say so: the run is then undone.
  bool Complete(std::vector<std::string>& left);

  // Where the record is kept on disk, and why it is not when it is not (the run then goes
  // on with the record in memory).
  std::string JournalPath() const { return journalPath_; }
  DWORD JournalError() const { return journal_.Error(); }
  // An entry could not be written to the open journal: no change may follow.
  bool Broken() const { return broken_; }

 private:
  static const size_t kNoLine = size_t(-1);
  struct TStep {
    TRunEntry entry;
    std::function<void()> undo;  // in-process state only: not in the journal
    size_t line = kNoLine;       // its entry's number in the journal
  };
  // Writes the entry to the journal before its change is made, and keeps it; false (and the
  // entry not kept) when it could not be written. `after`: what its change leaves is taken
  // at the next note.
  bool Note(TRunEntry entry, bool after = false);
  bool NoteStep(TRunStep kind, const std::string& path, const std::string& other = std::string(),
                bool after = false);
  // Takes what the changes of the open steps left, as after-lines for the journal. Before a
  // registry note a registry step that is as it was stays open: callers note a group of keys,
  // then change them.
  std::string Settle(bool registryNext);
  // The last step did not happen.
  void DropLastStep();
  // The run's own file at `path` is replaced: its new-file step is taken again. False when
  // the journal could not say so.
  bool Reopen(const std::string& path);
  bool SetAside(const std::string& path, std::string& aside);
  std::string AsideName(const std::string& path);
  std::vector<TStep> steps_;
  std::vector<size_t> open_;  // steps whose after-state is to be taken
  std::map<std::string, std::string> aside_;            // lower-case path -> file set aside
  std::map<std::string, bool> folders_;                 // lower-case folder -> missing when noted
  std::vector<std::string> madeOrder_;                  // the missing folders as written
  unsigned counter_ = 0;
  TUndoOutcome outcome_;  // of the steps put back during the run
  std::string journalFolder_;
  TRunJournal journal_;
  std::string journalPath_;  // kept for the failure box once the journal is gone
  bool journalTried_ = false;
  bool broken_ = false;
};
