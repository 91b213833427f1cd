// What the wizard form and its install run (SInstall.cpp) share.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FolderNames.h"
#include "RegOp.h"
#include "SDialog.h"
#include "SRecord.h"
#include "SRunRecord.h"

// The setup log of this run: opened with the script, written by the pages and the run.
extern std::unique_ptr<TSetupLog> g_setupLog;

// The box texts of an undo that a restart completes, and of one that could not be done whole.
std::string UndoAtRestartText();
std::string UndoIncompleteText();
std::string UndoLaterText();

// Field i of a "|" list written without its outer bars.
std::string Field(const std::string& item, int index);
// Field i of a "|" list that may already carry its outer bars (component lines do).
std::string ListField(const std::string& list, int index);

// One install run: the state of the copy page's run from its first step to its last, and
// the record of what it changes. The wizard starts it, shows its progress and asks it to
// stop; a run that stops short is undone from its record.
class TInstallRun {
 public:
  explicit TInstallRun(TSDialogForm& form);
  TInstallRun(const TInstallRun&) = delete;
  TInstallRun& operator=(const TInstallRun&) = delete;

  // Refuses the run with a box (false) when a path would reach the system's limit; nothing
  // is written then.
  bool PathsFit();
  // The run from its folders to its last operation; true when it completed. A run that
  // stops short has been undone when this returns.
  bool Run();

  // Opens the uninstall script of the run; `failure` is called when a line cannot be written.
  // False (with its box) when an earlier script could not be set aside.
  bool OpenScript(const std::string& path, bool enabled, bool scramble, unsigned char key,
                  std::function<void()> failure);
  // The only way lines reach the uninstall script (none before it is open).
  bool AddUninstallLine(const std::string& line, bool force = false);
  // Before the run writes on in a file an earlier installation left at `path`: the file is
  // set aside whole and a copy of it takes its name; a missing one is noted as the run's.
  // False (with its box, the run stopped) when the copy could not be made.
  bool ContinueInCopy(const std::string& path);
  std::string UninstallScriptPath() const { return uninstall_ ? uninstall_->Path() : std::string(); }
  TUninstallScript* Script() const { return uninstall_.get(); }

  // The steps of the run.
  bool CreateRunFolder(const std::string& folder, const std::string& logCaption);
  bool CreateInstallFolder(const std::string& folder, bool writeUninstallLine, char prefix);
  void RecordCreatedFolders();
  // Whether a folder may be recorded for removal: it was not there when the run began, and
  // (for a plain removal) no folder the script keeps exactly lies inside it.
  bool MayRecordRemoval(const std::string& folder, bool forced) const;
  // The one walk over the selected groups' copy lists; it holds the rules of what is copied.
  void WalkCopyLists(TCopyListVisitor& visitor);
  // A Partial setup goes on without these files when their source is missing.
  bool SkippedWhenMissing(uint32_t flags) const;
  // The run's folders, the registration's files and the selected groups' folders and files,
  // by the copy's rules; a folder named through a run-time folder is left to the copy.
  std::vector<TPlannedCopy> PlannedCopies();
  // With the copy's box and log lines, false when a source the copy needs is missing (on the
  // way it notes the folders the script keeps exactly).
  bool SourcesPresent();
  bool CopySelectedGroups();
  bool CopyOneFile(const std::string& source, const std::string& dest, bool& delayed, bool keepSource, bool force,
                   bool writeUninstallLines, bool serviceFile, uint32_t flags, int mode);
  bool LocateSourceFile(std::string& source);
  bool ShouldOverwrite(const std::string& source, const std::string& dest, int mode, uint32_t flags);
  const std::string& DiskSetFolders();
  bool FindSourceFile(const std::string& path, TListedFolders& listed);
  // Whether a file (source or destination) is there: from the listings of the current list's
  // two folders when they cover it, else from the file system.
  bool ListedFileExists(const std::string& path) const;
  // Makes a file that the listings know to be missing under its exact name and opens it
  // for writing, without a search; INVALID_HANDLE_VALUE when it did not.
  HANDLE CreateExactly(const std::string& path);
  // Lists the setup and destination folders of a file list; clears them with empty folders.
  void ListCopyFolders(const std::string& source, const std::string& dest);
  // Raises a shared file's count, noting the count it had.
  void RaiseSharedCount(const std::string& file);
  bool CopyServiceFile(const std::string& name, bool serviceFile);
  void WriteUninstallHeader();
  void WriteApplicationRegistration();
  bool WriteInfoValue(const std::string& section, const std::string& key, const std::string& value);
  // The info file's values, written in one edit; false when there is no info file or the
  // edit failed (the run then stops).
  bool WriteInfoValues(const std::vector<TIniChange>& values);
  // Makes INI changes to a copy of `file` beside it, reads the copy back and puts it in place
  // when it holds exactly the file's values with the changes; else `reason` tells why not.
  bool EditIniFile(const std::string& file, const std::vector<TIniChange>& changes, DWORD& reason);
  // The same; a failure stops the run with a box naming the file and the reason.
  bool EditIniOrStop(const std::string& file, const std::vector<TIniChange>& changes);
  void PostCopyOperations();
  void RegisterFontsAndServers();
  // Before the run writes `path`: a deletion of it that waits for the next restart (an
  // uninstaller's mark of itself) is cancelled, noted first so that an undone run puts it
  // back; every other program's pairs stay.
  void KeepFromRestartDeletion(const std::string& path);
  void CreateShortcuts();
  std::string ResolveLinkFolder(const std::string& folderText, int& kind) const;
  // Notes a link's folder and an earlier link of its name before the link is made.
  // Returns the link's path, empty when it has none.
  std::string NoteLink(int kind, const std::string& folderText, bool allUsers, const std::string& target,
                       const std::string& name);
  bool CreateOneLink(int kind, const std::string& folderText, const std::vector<std::string>& fields,
                     const std::string& name, bool allUsers, std::string& linkPath);
  void StopForRecords();
  // Whether the run's record could not write an entry: the change it announced is not made,
  // and the run stops (once, with the journal and the system's reason) to be undone.
  bool RecordBroken();
  void RefuseWithoutEntry();
  // Whether what the run did may stay: it ended whole and is recorded in a whole uninstall
  // script beside its uninstaller and entry.
  bool RunRecorded() const;

  // What the wizard holds for the run.
  std::string ExpandTokens(const std::string& text, const std::string& sep = "\\") {
    return form_.ExpandTokens(text, sep);
  }
  std::string GetAppFolder(bool backslash) const { return form_.GetAppFolder(backslash); }
  std::string GetCommonFolder(bool backslash) const { return form_.GetCommonFolder(backslash); }
  std::string GetAuxFolder(bool backslash) const { return form_.GetAuxFolder(backslash); }
  void FailBox(const std::string& text) { form_.FailBox(text); }
  void CloseWithoutAsking() { form_.CloseWithoutAsking(); }

  TSDialogForm& form_;
  TScript* script_;
  std::vector<TPlannedCopy> plan_;
  TRunRecord record;
  bool uninstallerMissing = false;  // the run could not place its uninstaller
  bool entryMissing = false;        // nor its Add/Remove Programs entry
  bool recordsFailed = false;       // a write of the uninstall script failed
  bool journalStopped = false;      // the run's journal failed and the run was stopped
  std::vector<std::string> unrecordedParents;  // parents the run made whose lines wait for the script
  std::vector<std::string> keptFolders;        // the "*3" folders of the selected groups, lower case
  std::vector<std::string> comServers, fonts;  // collected by the copy, registered after it
  bool infoCopied = false, infoTried = false;
  bool linksAllowed = true;  // a move on one drive may make the installed file a second name
  std::string setupFolder;
  std::string diskSetFolders;
  bool diskSetKnown = false;
  bool sourceDamaged = false;
  std::string unpackInto;          // where a packed source may be unpacked directly
  bool unpackedInPlace = false;    // the last located source went there
  DWORD unpackAttributes = 0;      // the attributes it is given there
  bool unpackAttributesSet = false;
  TFolderNames sourceNames, destNames;  // the two folders of the list being copied
  int filesStepped = 0;
  int restartDeletions = -1;  // whether any were pending when the run first looked; -1 before

 private:
  std::unique_ptr<TUninstallScript> uninstall_;
  std::function<void()> recordsFailure_;
};
