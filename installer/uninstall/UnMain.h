// The uninstall engine: its script, the removal window and the removal run, and the
// small operations of its own (log, test mode, system folders, process end, self-deletion).
#pragma once
#include <functional>
#include <string>
#include <vector>

#ifdef _WIN32
#include "Forms.h"
#endif

class TExecDll;

using TLines = std::vector<std::string>;

// ---- the uninstall script

// Lines of a text; CR LF, LF and a lone CR each end a line.
TLines SplitScriptLines(const std::string& text);
// The script file's text, unscrambled when it is scrambled; empty when unreadable.
std::string LoadScriptText(const std::string& path);
// The script file's lines, unscrambled when the text is scrambled; none when unreadable.
TLines LoadScriptLines(const std::string& path);
// A script text that no removal may trust: empty, without a single keyword line, or with
// a last line cut short (no line end, and the start of a keyword line or header line
// that does not reach its end).
bool IsDamagedScript(const std::string& text);
// Value of the header line "key=value" whose key equals the given one (letter case
// ignored); empty when none.
std::string ScriptValue(const TLines& lines, const std::string& key);
// The same from the file, read on the first call and kept for the process.
std::string ReadScriptValue(const std::string& scriptPath, const std::string& key);
// The value query of the execute operations: "UserName", "CompanyName", "GroupNameString",
// "SetupType" from the header; empty for any other name.
std::string ScriptQueryValue(const TLines& lines, const std::string& name);

// The entry lists of a removal run, one per keyword, in script order.
struct TUninstallLists {
  TLines ocxFiles, fontFiles, sharedFiles, readOnlyFiles, files, serviceFiles;
  TLines dirs, forcedDirs, folders, forcedFolders, keepBelow, keepExactly, avoidErr;
  TLines regKeys, regOps, iniOps, envOps, associations, openWith, executeItems;
  std::string dllName;
};
// Sorts the keyword lines into the lists. `loadDll` runs at once for the plug-in line.
void ParseUninstallScript(const TLines& lines, TUninstallLists& lists,
                          const std::function<void(const std::string& dllName)>& loadDll = nullptr);

// Entries in the order the run handles them: shortest first by length, then by text
// ignoring case, and then taken from the last to the first (longest path first).
TLines LengthOrder(const TLines& list);

// ---- the removal run's accounts

struct TFailureCounts {
  int registry = 0, ini = 0, association = 0, directories = 0, files = 0, operations = 0;
  bool Any() const { return registry || ini || association || directories || files || operations; }
};
// The summary box text (with "\\n" escapes); empty when nothing failed.
std::string SummaryText(const TFailureCounts& counts);
// The summary's first line, which the closing line shows after failures.
std::string FailureHeadline(const TFailureCounts& counts);

// ---- start-up texts

// The confirmation: "PROG_NAME" replaced, or the bold program name and "?" appended.
std::string ConfirmationText(const std::string& text, const std::string& progName);
// Button captions of the boxes: the default seven when the script gives fewer.
std::string ButtonCaptions(const std::string& btnText);

// ---- own small operations

bool IsTestMode();  // "C:\Setup.tst" exists; asked once
bool IsSystemFolder(const std::string& folder);
bool KillProcessByPath(const std::string& path, bool exactOnly);
std::string IntToStrZeroPad(int number, int width);
// Text of the self-delete batch; q is the quote put around each path, and every path is
// written so that the command interpreter reads it as it is ("%" doubled).
// With removeFolder the folder goes, then each of the parents, when empty.
std::string SelfDeleteBatchText(const std::string& program, const std::string& folder, const std::string& batch,
                                bool removeFolder, const std::string& q, const TLines& parents = TLines());
// A new batch file "_DEL_ME_<process id>[_n].BAT" in the temporary folder, made under a
// name no other file has; empty when it cannot be made.
std::string NewSelfDeleteBatch();
// Writes a new batch that deletes the program, with removeFolder its folder and then the
// recorded folders above it; the batch's path, or empty when it could not be written.
std::string WriteSelfDeleteBatch(bool removeFolder, bool useShortNames);
// Starts a written batch hidden from the temporary folder; false when it did not start.
bool StartSelfDeleteBatch(const std::string& batch);
// Marks what the batch would delete for deletion at the next restart instead: each path,
// and whether the system took it.
struct TRestartRemoval {
  std::string path;
  bool folder;
  bool marked;
};
std::vector<TRestartRemoval> RemoveSelfAtRestart(bool removeFolder);
// A file in use at install time waits beside its place as "X" + name for its rename at the
// next restart. Cancels that rename and deletes the copy; true when there was one.
bool CancelDelayedReplacement(const std::string& path);
// Set by a removal run that ended without an exit request.
bool UninstallCompleted();

// Deletes a registry key named by an uninstall line: a line without a key part does
// nothing and succeeds; a key less than two levels deep is refused.
// A key it deleted takes its parents along while they are left empty.
bool RemoveScriptRegKey(const std::string& path);
// Deletes the parents of a removed key, innermost first, while they hold no value and no
// subkey; never a first-level key. Returns how many went.
int RemoveEmptyParentKeys(const std::string& path);
// A registry operation of the script; one whose action removes its key, and did remove
// it, takes the key's emptied parents along.
bool UndoRegistryOp(const std::string& item, bool install);
// An INI operation of the script; a removal that leaves its section empty removes the
// section, and a file left empty is deleted.
bool UndoIniFileOp(const std::string& item, bool install);
// Removes a shortcut folder or directory entry of the script.
struct TFolderRules {
  const TLines* keepBelow = nullptr;
  const TLines* keepExactly = nullptr;
  const TLines* avoidErr = nullptr;
  std::string ownFolder;
  // Files that must outlive a forced removal (the run deletes them at its very end).
  const TLines* keepFiles = nullptr;
  // Plain folders above the own folder: the self-delete batch removes them after it.
  TLines* aboveOwnFolder = nullptr;
};
// Result of one entry: skipped ones leave no trace line; a deferred forced removal waits
// for files that the end of the run still needs.
enum class TEntryResult { Done, Failed, Skipped, Deferred };
TEntryResult RemoveFolderEntry(const std::string& folder, bool forced, const TFolderRules& rules);

// ---- the removal window

#ifdef _WIN32

class TMainForm : public TForm {
 public:
  TMainForm();
  ~TMainForm() override;

  TPanel* Panel2;
  TImage* Image0;
  TRichEdit* RichEdit1;
  TPanel* Panel1;
  TLabel* Labels[6];
  TImage* Images[6];
  TMemo* Memo1;
  TLabel* Label7;
  TLabel* Label21;
  TLabel* CompanyUrlLabel;
  TButton* LogButton;
  TButton* CloseButton;
  TBevel* Bevel1;
  TTimer* StartupTimer;

  void FormCreate();
  void FormShow();
  void StartupTimerTimer();
  void CloseButtonClick();
  void LogButtonClick();
  void CompanyUrlLabelClick();
  void FormClose();

  // Reads the script and runs the removal, once.
  void StartUninstall();
  const std::string& FailureLog() const { return failureLog_; }
  const TFailureCounts& Counts() const { return counts_; }

 protected:
  void DoShow() override;
  bool DoCloseQuery() override;
  void DoClose(CloseAction& action) override;

 private:
  void RunUninstall();
  // Runs the execute items of a stage, last first; true when one asked to exit.
  bool RunStage(int stage);
  void Section(const std::string& header);
  void Trace(const std::string& entry, bool ok);
  void Log(const std::string& line);  // a line of the failure log, and of the debug output
  // Without a self-delete batch: the uninstaller and its folder go at the next restart.
  void LeaveSelfToRestart();
  void FlushTrace();  // the trace lines gathered so far into the memo
  void ShowStep(int index);
  bool RemoveFileEntry(const std::string& path);
  // Handles each entry, longest first: counts and traces the failures.
  void Entries(const TLines& list, const std::function<bool(const std::string&)>& handle, int* counter);
  void NextStep(int index, const char* header);  // pause, step image, section
  void FolderList(const TLines& list, bool forced);
  void OperationList(const char* header, const TLines& list, const std::string& sep,
                     bool (*op)(const std::string&, bool), int* counter);
  void FinishDeferredFolders();

  TLines script_;
  int charset_ = 0;
  TUninstallLists lists_;
  TExecDll* execDll_ = nullptr;
  std::string failureLog_;
  TFailureCounts counts_;
  TLines keepFiles_;       // files that stage UnInstall End still needs
  TLines deferredDirs_;    // forced removals left waiting for those files
  TLines pendingTrace_;    // trace lines not yet in the memo
  bool started_ = false;
  bool running_ = false;
};

// The program's main procedure; its result is the program's exit code.
int UninstallMain();
#endif  // _WIN32
