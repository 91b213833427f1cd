// The record of an install run as typed entries, kept in a journal file as the run goes:
// each entry is written and flushed before its change is made, so that a run that did not
// end (killed, power lost) can be undone from the disk by the next Setup or uninstaller.
// Undo is renames and deletions only; a step that cannot be done now is left to the next
// restart.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TRegKeySnapshot;
class TRegValueSnapshot;

enum class TRunStep : char {
  FolderMissing = 'D',  // a folder that was not there: removed on undo when empty
  FolderThere = 'E',    // a folder that was there
  NewFile = 'N',        // a file the run makes: deleted on undo
  Aside = 'A',          // a file set aside under `other`: renamed back on undo
  UsedUp = 'U',         // a package file used up: deleted on completion only
  PendingRename = 'P',  // a rename for the next restart, `path` to `other`: cancelled on undo
  RegKey = 'K',         // a registry key as it stood
  RegValue = 'V',       // a registry value as it stood
  Fresh = 'F',          // a fresh name for a new file: deleted on undo if still there
  Completing = 'Z',     // the run completed: what it set aside goes, nothing is undone
};

struct TRunEntry {
  TRunStep kind = TRunStep::NewFile;
  std::string path, other;
  std::shared_ptr<TRegKeySnapshot> key;
  std::shared_ptr<TRegValueSnapshot> value;
  // As the run left it once its change was made, where that was taken: the undo then takes
  // back only what is still so and leaves what another program wrote since. Without it the
  // undo puts back the whole key or value, and deletes the new file.
  std::shared_ptr<TRegKeySnapshot> keyAfter;
  std::shared_ptr<TRegValueSnapshot> valueAfter;
  bool fileAfter = false;  // a new file's size and last write time as the run left it
  uint64_t fileSize = 0, fileWritten = 0;
};

// A file's size and last write time; false when there is no file.
bool ReadFileMark(const std::string& path, uint64_t& size, uint64_t& written);

// One entry as a journal line (with its end of line), and the header line of a journal.
std::string JournalLine(const TRunEntry& entry);
std::string JournalHeader();
// The line that gives the after-state of the journal's entry number `index` (0 the first),
// or for a new file without one, that what an earlier line gave no longer holds.
std::string JournalAfterLine(size_t index, const TRunEntry& entry);
// The line after which no new file's after-state given before it holds.
std::string JournalFilesVoidLine();
// The entries of a journal's bytes: false when the header is not one of ours. Reading stops
// at the first line that is cut or damaged; the entries before it are whole.
bool ReadJournal(const std::string& bytes, std::vector<TRunEntry>& entries);

// What an undo did not finish.
struct TUndoOutcome {
  int failed = 0;        // steps that could neither be done nor scheduled
  bool restart = false;  // steps left to the next restart
  bool retried = false;  // steps that failed, kept in a journal for the next start
  // New files of the run that another program changed since: they stay as they are.
  std::vector<std::string> kept;
  // The program that undoes, when a step moves its own file out of the way: that file is
  // left to the program (not to the restart), under the name it has then.
  std::string running, runningMovedTo;
};

// Undoes one entry (folders are only noted: RemoveRunFolders removes them).
void UndoEntry(const TRunEntry& entry, TUndoOutcome& outcome);
// Removes the folders noted missing that are empty now, the deepest first.
void RemoveRunFolders(const std::vector<std::string>& folders);
// Undoes the entries, the last first, then removes the run's empty folders. The steps that
// could neither be done nor left to the restart go into `left` (with the run's folders).
void UndoEntries(const std::vector<TRunEntry>& entries, TUndoOutcome& outcome, std::vector<TRunEntry>* left = nullptr);
// Writes the steps an undo left into a new journal in `folder`, closed, for the next start
// of Setup or an uninstaller to finish; false when it could not be written whole.
bool KeepUndone(const std::string& folder, const std::vector<TRunEntry>& left);
// The run completed: deletes the files set aside and used up. Those that cannot be deleted
// now (a running program) are deleted at the next restart and returned.
std::vector<std::string> ReleaseEntries(const std::vector<TRunEntry>& entries);

// A free name beside `path` for a new file, ~kv<pid>_<n>.tmp.
std::string FreshFileName(const std::string& path, unsigned& counter);

// The folder every Setup and uninstaller looks in: "Kelvane Runs" in the Windows folder.
std::string RunJournalFolder();

// The journal of one run, held open so that no other process takes it.
class TRunJournal {
 public:
  TRunJournal() = default;
  ~TRunJournal();
  TRunJournal(const TRunJournal&) = delete;
  TRunJournal& operator=(const TRunJournal&) = delete;
  // Makes a new journal in `folder`; false (with the system's reason) when it cannot.
  bool Open(const std::string& folder);
  bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
  const std::string& Path() const { return path_; }
  DWORD Error() const { return error_; }
  // Writes an entry and flushes it to the disk; false when it could not. `before`: lines
  // (after-lines) that go in the same write, ahead of it.
  bool Append(const TRunEntry& entry, const std::string& before = std::string());
  // Writes lines that are no entries and flushes them.
  bool AppendLines(const std::string& lines);
  // The entries written so far.
  size_t Entries() const { return entries_; }
  // Closes and deletes the journal: the run has ended.
  void Remove();
  // Closes the journal and leaves it for the next start to undo.
  void Close();

 private:
  bool Write(const std::string& lines);
  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::string path_;
  DWORD error_ = 0;
  size_t entries_ = 0;
};

// The box after a recovery (English; Setup takes its language's text where it has one).
extern const char* const kRunUndoneText;
extern const char* const kRestartCompletesText;
extern const char* const kUndoIncompleteText;
extern const char* const kUndoLaterText;
// The log line before a new file of the run that an undo keeps (another program changed it).
extern const char* const kKeptChangedText;

// What a recovery did.
struct TRecovery {
  int runs = 0;          // runs undone
  TUndoOutcome outcome;  // what is left to the restart
};
// Undoes (or, for a run that had completed, finishes) every journal in `folder` that no
// running process holds, and deletes it.
// `running`: the file of the program that recovers (see TUndoOutcome).
TRecovery RecoverUnfinishedRuns(const std::string& folder, const std::string& running = std::string());
