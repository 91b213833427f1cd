// The install run behind the copy page: folders, file copy, uninstall script and setup log,
// registration, system operations, fonts and servers, shortcuts; each change noted in the
// run's record, which undoes a run that stops short.
#include "SInstall.h"

#include <algorithm>
#include <map>
#include <memory>

#include "AboutDlg.h"
#include "Common.h"
#include "CopyBar.h"
#include "Ctrls.h"
#include "ExecDll.h"
#include "ExecOp.h"
#include "ExitSetup.h"
#include "Files.h"
#include "KMsgBox.h"
#include "Links.h"
#include "RegOp.h"
#include "RegRestore.h"
#include "RegSvr.h"
#include "ReadMe.h"
#include "RichEd.h"
#include "RunTimeDir.h"
#include "SLang.h"
#include "SRecord.h"
#include "SScript.h"
#include "SelFolder.h"
#include "SStartup.h"
#include "Slider.h"
#include "UtilPlus.h"
#include "Utils.h"
#include "VerInfo.h"
#include "ZLibOpen.h"

namespace {

const char* const kJoin = "\\\\x";
const char* const kAutoUpdateAtom = "AutoUpdateAtomTokenByKelvane";
// The engine maker's own address: kept out of other products' Add/Remove Programs entries.
const char* const kMakerUrl = "http://www.kelvane.example";

std::string FormatText(const std::string& format, const std::string& arg) {
  std::string out = format;
  const size_t at = out.find("%s");
  if (at != std::string::npos) out.replace(at, 2, arg);
  return out;
}

std::string NotFoundText(const std::string& path) {
  return FormatText(
      GetLangText("Messages", "s1", "%s<p>File not found!<p><p>Correct the problem and run Setup once again!"), path);
}

// The names of a "|" list that may be written with or without its outer bars.
std::vector<std::string> ListNames(const std::string& text) {
  const std::string list = !text.empty() && text[0] == '|' ? text : "|" + text + "|";
  std::vector<std::string> names;
  for (int i = 0, n = ListItemCount(list); i < n; ++i)
    if (!Trim(GetListItem(list, i)).empty()) names.push_back(Trim(GetListItem(list, i)));
  return names;
}


bool SameFolder(const std::string& a, const std::string& b) {
  return !a.empty() && EqualTextNoCase(SetTrailingBackslash(a, false), SetTrailingBackslash(b, false));
}

// Folders that belong to the system: the copy records no removal of them.
bool IsSystemFolder(const std::string& folder) {
  for (const std::string& f : {GetWindowsDir(false), GetSystemDir(false), GetTempDir(false), GetSystem16Dir(),
                               GetFontsDir(), GetProgramFilesDir(), GetCommonFilesDir()})
    if (SameFolder(folder, f)) return true;
  return false;
}

// A folder that must never be removed with its contents: what the runtime's guard protects
// (roots, relative paths, the system's and the profile's folders), a path that climbs with
// "..", and the system folders the copy itself never records.
bool RefusesForcedRemoval(const std::string& folder) {
  const std::string f = Trim(folder);
  return IsProtectedFolder(f) || f.find("..") != std::string::npos || IsSystemFolder(f);
}

// The argument of "KEYWORD(argument);".
bool LineArgument(const std::string& line, const std::string& keyword, std::string& arg) {
  if (line.compare(0, keyword.size() + 1, keyword + "(") != 0) return false;
  const size_t close = line.rfind(')');
  arg = close == std::string::npos || close <= keyword.size() ? std::string()
                                                                : line.substr(keyword.size() + 1, close - keyword.size() - 1);
  return true;
}

// Tells the top-level windows that the fonts changed; a window that does not answer holds
// nobody up.
void BroadcastFontChange() {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, 1000, &result);
}

std::string ClassesKey(const std::string& name) {
  const std::string n = Trim(name);
  return n.empty() || n.find("..") != std::string::npos ? std::string() : "HKEY_CLASSES_ROOT\\" + n;
}

// The keys an association item writes: its file type and its extension.
void NoteAssociationKeys(TRunRecord& record, const std::string& item) {
  const std::string ext = Trim(GetListItem(item, 2));
  for (const std::string& key : {ClassesKey(GetListItem(item, 0)), ClassesKey(ext.empty() || ext[0] == '.' ? ext : "." + ext)})
    if (!key.empty()) record.NoteRegKey(key);
}

// The verb keys of the open-with operation: on folders and on each extension's file type.
void NoteOpenWithKeys(TRunRecord& record, const std::string& verb, const std::string& extensions) {
  const std::string v = Trim(verb);
  if (v.empty() || v.find('\\') != std::string::npos) return;
  record.NoteRegKey("HKEY_CLASSES_ROOT\\Folder\\shell\\" + v);
  const std::string list = "," + ReplaceAll(ReplaceAll(extensions, ";", ","), "*", "") + ",";
  for (size_t at = 0, comma; (comma = list.find(',', at)) != std::string::npos; at = comma + 1) {
    std::string e = Trim(list.substr(at, comma - at));
    while (!e.empty() && e[0] == '.') e.erase(0, 1);
    const std::string type = e.empty() ? std::string() : ReadRegValue("HKEY_CLASSES_ROOT\\." + Trim(e), "", "");
    if (!ClassesKey(type).empty()) record.NoteRegKey(ClassesKey(type) + "\\Shell\\" + v);
  }
}

void KeepSourceDate(const std::string& source, const std::string& dest) {
  HANDLE in = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                          nullptr);
  if (in == INVALID_HANDLE_VALUE) return;
  FILETIME written;
  const bool got = GetFileTime(in, nullptr, nullptr, &written);
  CloseHandle(in);
  if (!got) return;
  HANDLE out = CreateFileA(dest.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return;
  SetFileTime(out, nullptr, nullptr, &written);
  CloseHandle(out);
}

// The whole bytes of a file; false when it cannot be read to its end.
bool ReadWhole(const std::string& path, std::string& bytes) {
  HANDLE in = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (in == INVALID_HANDLE_VALUE) return false;
  bytes.clear();
  char buffer[65536];
  bool ok = true;
  for (DWORD got = 0; (ok = ReadFile(in, buffer, sizeof buffer, &got, nullptr) != 0) && got > 0;)
    bytes.append(buffer, got);
  const DWORD reason = GetLastError();
  CloseHandle(in);
  SetLastError(reason);
  return ok;
}

// The installed file as a second name of the package's file; false where the system refuses
// links or the file wants attributes other than the package file's (they are the same file's).
bool LinkInstead(const std::string& source, const std::string& dest, DWORD attributes) {
  const auto plain = [](DWORD a) { return a & ~DWORD(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL); };
  const DWORD had = GetFileAttributesA(source.c_str());
  if (had == INVALID_FILE_ATTRIBUTES || plain(had) != plain(attributes)) return false;
  // What stands at `dest` now is the run's own empty file.
  DeleteFileA(dest.c_str());
  // Looked up: NT 4 has no such call.
  using TLink = BOOL(WINAPI*)(LPCSTR, LPCSTR, LPSECURITY_ATTRIBUTES);
  static const TLink link = reinterpret_cast<TLink>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateHardLinkA")));
  return link && link(dest.c_str(), source.c_str(), nullptr) != 0;
}

int64_t GetFileSizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// DOS date-time stamp of one file, without a directory search.
uint32_t FileDosDate(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  FILETIME local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return 0;
  return (uint32_t(date) << 16) | time;
}

// Unpacks a packed file into a new file `dest` (through `out` when it is made already; it is
// closed) a piece at a time, dated `date` and given `finish.attributes`. Whatever fails
// leaves no `dest` behind; `damaged` tells an unreadable or bad stream from a failed write,
// whose `error` is `dest` and the system's reason.
bool UnpackFile(const std::string& packed, const std::string& dest, HANDLE out, uint32_t date,
                const TProgressProc& progress, std::string& error, bool& damaged, TCopyFinish& finish) {
  finish.attributesSet = false;
  error.clear();
  damaged = false;
  HANDLE in = CreateFileA(packed.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  LARGE_INTEGER size = {};
  if (in == INVALID_HANDLE_VALUE || !GetFileSizeEx(in, &size)) {
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) {
      CloseHandle(out);
      DeleteFileA(dest.c_str());
    }
    damaged = true;
    error = packed;
    return false;
  }
  // Only a file it makes itself: what it would delete on a failure is then its own.
  if (out == INVALID_HANDLE_VALUE)
    out = CreateFileA(dest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    const DWORD reason = GetLastError();
    CloseHandle(in);
    error = dest + "<p><p>" + SystemErrorText(reason);
    return false;
  }
  bool readFailed = false;
  DWORD reason = ERROR_WRITE_FAULT;
  const bool ok = InflateStream(
      [&](char* buffer, size_t room) -> long {
        DWORD got = 0;
        if (ReadFile(in, buffer, DWORD(room), &got, nullptr)) return long(got);
        readFailed = true;
        return -1;
      },
      uint64_t(size.QuadPart),
      [&](const char* data, size_t count) {
        if (WriteWhole(out, data, DWORD(count))) return true;
        reason = GetLastError();
        return false;
      },
      progress, error, damaged);
  if (ok && date) SetHandleDate(out, date);
  if (ok && finish.attributes) finish.attributesSet = SetAttributesOf(out, finish.attributes);
  CloseHandle(out);
  CloseHandle(in);
  if (ok) return true;
  damaged = damaged || readFailed;
  if (!damaged) error = dest + "<p><p>" + SystemErrorText(reason);
  DeleteFileA(dest.c_str());
  return false;
}

}  // namespace

// Presence of files answered from one listing per folder, made when the folder is first asked about.
class TListedFolders {
 public:
  bool Exists(const std::string& path) {
    const std::string folder = ExtractFileDir(path);
    auto it = folders_.find(LowerCase(folder));
    if (it == folders_.end()) {
      it = folders_.emplace(LowerCase(folder), TFolderNames()).first;
      ListFolder(folder, it->second);
    }
    const TFolderNames::Kind kind = it->second.KindOf(path);
    return kind == TFolderNames::Unknown ? FileExists(path) : kind == TFolderNames::File;
  }

 private:
  std::map<std::string, TFolderNames> folders_;
};

std::string UndoAtRestartText() {
  return GetLangText("Messages", "UndoAtRestart",
                     "Setup has put back what it changed, except for files that are in use.<p><p>"
                     "Restart your computer to complete this.");
}

std::string UndoIncompleteText() { return GetLangText("Messages", "UndoIncomplete", kUndoIncompleteText); }

std::string UndoLaterText() { return GetLangText("Messages", "UndoLater", kUndoLaterText); }

namespace {
// A confirmed Exit, a closed wizard or a run-time folder abort: no further step of the run.
bool RunStopped() { return IsCancelRequested() || IsWizardClosed() || IsRunTimeDirAbort(); }
}  // namespace

bool TInstallRun::ContinueInCopy(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    // Written to until the run ends.
    record.BeforeWrite(path, true);
    return !RecordBroken();
  }
  const std::string fresh = record.FreshName(path);
  if (RecordBroken()) return false;
  DWORD reason = 0;
  if (!CopyFileA(path.c_str(), fresh.c_str(), FALSE)) {
    reason = GetLastError();
    DeleteFileA(fresh.c_str());
  } else if (!record.ReplaceWith(path, fresh)) {
    if (RecordBroken()) return false;
    reason = GetLastError();
  } else {
    return true;
  }
  FailBox(path + "<p><p>" + SystemErrorText(reason ? reason : DWORD(ERROR_WRITE_FAULT)));
  CloseWithoutAsking();
  return false;
}

bool TInstallRun::OpenScript(const std::string& path, bool enabled, bool scramble, unsigned char key,
                             std::function<void()> failure) {
  if (enabled) KeepFromRestartDeletion(path);
  // An earlier installation's script is set aside whole and comes back as it was; the run
  // goes on in a copy of it. A new one goes.
  if (enabled && !path.empty() && !ContinueInCopy(path)) return false;
  uninstall_.reset(new TUninstallScript(path, enabled, scramble, key));
  recordsFailure_ = std::move(failure);
  TUninstallScript* script = uninstall_.get();
  record.NoteUndo([this, script] {
    recordsFailure_ = nullptr;
    script->Withdraw();
  });
  return true;
}

bool TInstallRun::AddUninstallLine(const std::string& line, bool force) {
  if (!uninstall_) return true;
  const bool added = uninstall_->AddUninstallLine(line, force);
  if (!uninstall_->Whole() && recordsFailure_) recordsFailure_();
  return added;
}


// ---------------------------------------------------------------- install run

void TSDialogForm::CopyFilesTimerTimer() {
  // Never under the exit question: the timer ticks again once it is answered.
  if (ExitBoxOpen()) return;
  copyTimer_->SetEnabled(false);
  if (!RunStopped()) RunInstall();
}

void TSDialogForm::FailBox(const std::string& text) {
  ErrorBox(Handle(), text, GetLangText("MsgBox", "Error", "Error"), GetLangBtnText(), GetLangCharset());
}

void TSDialogForm::RunInstall() {
  TScript& s = *script_;
  // The folder tokens follow the destination as it stands now, for every step of the run.
  SyncInstallFolders();
  run_.reset(new TInstallRun(*this));
  // A destination that the system's calls (and the uninstaller) cannot reach is refused
  // before anything is written.
  if (!run_->PathsFit()) {
    run_.reset();
    return;
  }
  // Busy before the copy bar's waits: a close confirmed then is held until the run stops.
  busy_ = true;
  if (s.AddBillboard()) OpenCopyBar(*this);
  installOk_ = false;
  const bool ok = run_->Run();
  run_.reset();
  installOk_ = ok;
  if (g_setupLog) g_setupLog->Flush();
  if (ok) FinishCopyBar();
  CloseCopyBar(*this);
  busy_ = false;
  if (!ok) {
    // A stopped run ends the setup: nothing more to show, and nothing it set up starts.
    SetSetupExitCode(UserChoseExit() ? kExitUserExit : kExitRunFailed);
    SetPostRunCommand(std::string(), std::string());
    SetExitConfirmed(true);
    if (!IsWizardClosed()) Close();
    return;
  }
  if (s.SilentSetup()) {
    bool exitRequest = false;
    PerformExecuteOps(4, exitRequest);
    SetExitConfirmed(true);
    Close();
    return;
  }
  if (!hide_) Show();
  nextButton->SetEnabled(true);
  NextButtonClick();
}

TInstallRun::TInstallRun(TSDialogForm& form) : form_(form), script_(form.Script()) {}

bool TInstallRun::Run() {
  TScript& s = *script_;
  TInstallRun& run = *this;
  run.setupFolder = GetExeDir(false);
  // An After Copy item (a program, a plug-in, an INI or text write) may write into an
  // installed file in place: a file that is also the package's is then copied, not linked.
  run.linksAllowed = true;
  for (const std::string& item : s.ExecuteOps())
    if (StageNumber(GetListItem(item, 0)) == esAfterCopy) run.linksAllowed = false;
  const std::string app = GetAppFolder(false);
  // A run whose record cannot be kept on the disk says so before its first change; its
  // record in memory still undoes a stop.
  if (!run.record.OpenJournal()) {
    const std::string reason = SystemErrorText(run.record.JournalError());
    AddSetupLogLine("Run record kept in memory only: " + reason);
    WarningBox(form_.Handle(), FormatText(GetLangText("Messages", "RecordInMemory",
                                         "Setup cannot keep the record of this run on the disk:<p>%s<p><p>"
                                         "Should Setup be ended before it completes, what it changed cannot "
                                         "be put back."),
                             RunJournalFolder() + "<p>" + reason),
               GetLangText("MsgBox", "Attention", "Attention"), GetLangBtnText(), GetLangCharset());
  }
  // Whether a folder is the run's is what it was when the run began.
  for (const TPlannedCopy& c : plan_)
    if (c.source.empty()) run.record.NoteFolder(c.dest);
  bool folders = !RunStopped() && !RecordBroken() && CreateRunFolder(app, "Create Target Directory: ");
  // The log goes into the target folder from now on. An earlier log there is set aside
  // whole and comes back as it was; the run goes on in a copy of it.
  if (folders && g_setupLog && g_setupLog->Enabled()) {
    run.KeepFromRestartDeletion(app + "\\Setup.log");
    folders = ContinueInCopy(app + "\\Setup.log");
    TSetupLog* log = g_setupLog.get();
    run.record.NoteUndo([log] { log->Withdraw(); });
    if (folders) g_setupLog->SetFile(app + "\\Setup.log");
  }
  if (folders && s.UsesCommonFolder()) folders = CreateRunFolder(GetCommonFolder(false), "Create Common Directory: ");
  if (folders && s.UsesAuxiliaryFolder()) folders = CreateRunFolder(GetAuxFolder(false), "Create Auxiliary Directory: ");
  bool ok = false;
  bool music = false;
  if (folders && !IsRunTimeDirAbort()) {
    AddSetupLogLine("Show Screen: " + form_.Caption());
    form_.SyncInstallFolders();
    const bool opened = run.OpenScript(UninstallScriptPathFor(app, s.ProgStamp()), s.CreateUninstall(),
                                       s.ScrambleUninstall(), NewScrambleKey(), [this] { StopForRecords(); });
    if (opened) {
      AddUninstallLine("SetupType=" + form_.SetupTypeName());
      AddUninstallLine("GroupNames=" + form_.GroupNameString());
      AddUninstallLine("UserData=|" + form_.UserName() + "|" + form_.CompanyName() + "|");
      AddSetupLogLine("Execute Before Copy");
      bool exitRequest = false;
      form_.PerformExecuteOps(2, exitRequest);
      // A package that lacks a file (one an earlier run consumed) is refused once the stage
      // that may make files has run, before anything registers the installation.
      if (!exitRequest && !RunStopped() && SourcesPresent()) {
        AddSetupLogLine("Handle First UnInstall Data");
        WriteUninstallHeader();
        run.uninstallerMissing = run.Script()->Enabled() && !s.ProgName().empty() &&
                                 !FileExists(UninstallerPathFor(run.Script()->Path()));
        // The uninstaller's copy pumps messages: an Exit then ends the run here.
        if (!RunStopped()) WriteApplicationRegistration();
        form_.progressBar1->SetRange(0, form_.SelectedFileCount());
        form_.progressBar1->SetPosition(0);
        run.filesStepped = 0;
        AddUninstallLine("TargetDir=" + app);
        AddUninstallLine("SharedDir=" + GetCommonFolder(false));
        AddUninstallLine("AuxiliaryDir=" + GetAuxFolder(false));
        music = StartBackgroundMusic(form_);
        ok = !RunStopped() && CopySelectedGroups() && !RunStopped();
        RecordCreatedFolders();
        WaitProcessingMessages(100);
        ok = ok && !RunStopped();
        AddSetupLogLine(std::string());
        if (ok) {
          AddSetupLogLine("Execute After Copy");
          // Its items may write into the files the copy made (they are then copies, not links).
          if (!run.linksAllowed) run.record.FilesMayChange();
          form_.PerformExecuteOps(3, exitRequest);
          ok = !exitRequest && !RunStopped();
        }
        if (ok) PostCopyOperations();
        if (music) StopBackgroundMusic(form_);
        ok = ok && !RunStopped();
        if (ok) {
          const ATOM atom = GlobalFindAtomA(kAutoUpdateAtom);
          if (atom) GlobalDeleteAtom(atom);
        }
      }
    }
  }
  // A run that stops short, for whatever reason, leaves the machine and the package as it
  // found them; one that completes lets go of what it kept aside.
  ok = ok && RunRecorded();
  std::vector<std::string> left;
  if (ok && !run.record.Complete(left)) {
    RecordBroken();
    ok = false;
  }
  if (ok) {
    // A file set aside that a running program holds goes at the next restart, and with the
    // uninstaller should that come first.
    for (const std::string& f : left) AddUninstallLine("REMOVE_FILE(" + f + ")");
    if (!left.empty() && Script()) Script()->Flush();
  } else {
    const TUndoOutcome undone = run.record.Undo();
    if (undone.failed)
      FailBox(UndoIncompleteText() + (undone.retried ? "<p><p>" + UndoLaterText() : std::string()));
    else if (undone.restart) FailBox(UndoAtRestartText());
  }
  return ok;
}

bool TInstallRun::RecordBroken() {
  if (!record.Broken()) return false;
  if (!journalStopped) {
    journalStopped = true;
    if (!RunStopped()) {
      FailBox(record.JournalPath() + "<p><p>" + SystemErrorText(record.JournalError()));
      CloseWithoutAsking();
    }
  }
  return true;
}

// A line the uninstall script cannot hold stops the run at once with the system's reason
// (unless it has stopped already); the run is undone when it ends.
void TInstallRun::StopForRecords() {
  if (recordsFailed) return;
  recordsFailed = true;
  if (RunStopped()) return;
  const int error = Script()->WriteError();
  FailBox(Script()->Path() + "<p><p>" + SystemErrorText(error > 0 ? DWORD(error) : ERROR_WRITE_FAULT));
  CloseWithoutAsking();
}

// A setup that cannot write the Add/Remove Programs entry it promised stops with the
// registry's reason and is undone.
void TInstallRun::RefuseWithoutEntry() {
  const DWORD reason = GetLastError();
  entryMissing = true;
  FailBox(UninstallEntryKey(script_->ProgName()) + "<p><p>" + SystemErrorText(reason));
  CloseWithoutAsking();
}

bool TInstallRun::RunRecorded() const {
  if (record.Broken()) return false;
  TUninstallScript* script = Script();
  if (!script) return true;
  script->Flush();
  return script->Whole() && !uninstallerMissing && !entryMissing;
}

bool TInstallRun::CreateRunFolder(const std::string& folder, const std::string& logCaption) {
  AddSetupLogLine(logCaption + folder);
  const bool ok = !folder.empty() && CreateInstallFolder(folder, false, 0);
  AddSetupLogLine(std::string(kJoin) + " ... " + (ok ? "TRUE" : "FALSE"));
  if (!ok) {
    FailBox(FormatText(GetLangText("Messages", "s2", "Unable to create directory:<p>%s<p><p>Setup will now close.<p>"
                                                     "Correct the problem and run Setup once again!"),
                       folder));
    CloseWithoutAsking();
  }
  return ok;
}

bool TInstallRun::CreateInstallFolder(const std::string& folder, bool writeUninstallLine, char prefix) {
  TInstallRun& run = *this;
  if (!run.record.NoteFolder(folder) && RecordBroken()) return false;
  if (!ForceDirectories(folder)) return false;
  // The parents the run made are its own too: each is recorded, removed when left empty.
  for (std::string f = SetTrailingBackslash(folder, false);;) {
    const std::string parent = SetTrailingBackslash(ExtractFileDir(f), false);
    if (parent.size() <= 3 || EqualTextNoCase(parent, f) || !run.record.MadeByRun(parent)) break;
    if (std::find(run.unrecordedParents.begin(), run.unrecordedParents.end(), parent) == run.unrecordedParents.end())
      run.unrecordedParents.push_back(parent);
    f = parent;
  }
  if (!writeUninstallLine || IsSystemFolder(folder)) return true;
  if (prefix == '1' && RefusesForcedRemoval(folder)) return true;
  const char* keyword = prefix == '1'   ? "FORCE_REMOVE_DIR("
                        : prefix == '2' ? "DONT_REMOVE_DIR("
                        : prefix == '3' ? "DONT_REMOVE_JUST_DIR("
                                        : "REMOVE_DIR(";
  // What is kept is always recorded; what is removed only when it is the run's.
  if (prefix == '2' || prefix == '3' || MayRecordRemoval(folder, prefix == '1'))
    AddUninstallLine(keyword + SetTrailingBackslash(folder, false) + ")");
  RecordCreatedFolders();
  return true;
}

// Parents the run made, recorded once the uninstall script is open.
void TInstallRun::RecordCreatedFolders() {
  if (!Script()) return;
  for (const std::string& f : unrecordedParents)
    if (!IsSystemFolder(f) && MayRecordRemoval(f, false)) AddUninstallLine("REMOVE_DIR(" + f + ")");
  unrecordedParents.clear();
}

bool TInstallRun::MayRecordRemoval(const std::string& folder, bool forced) const {
  if (!record.MadeByRun(folder)) return false;
  const std::string f = LowerCase(SetTrailingBackslash(folder, false));
  // A folder kept exactly stays, and with it every folder above it.
  if (!forced)
    for (const std::string& kept : keptFolders)
      if (kept.size() > f.size() && kept.compare(0, f.size(), f) == 0 && kept[f.size()] == '\\') return false;
  return true;
}

void TInstallRun::WalkCopyLists(TCopyListVisitor& visitor) {
  const std::string selection = form_.GroupSelection();
  auto& groups = script_->Groups();
  for (size_t g = 0; g < groups.size(); ++g) {
    if (selection[g] != '1') continue;
    for (const std::string& item : groups[g].items) {
      if (!visitor.Proceed()) return;
      const TCopyItem c = ParseCopyItem(item);
      if (c.subFolder.empty()) continue;
      std::string sub = c.subFolder;
      char keep = 0;
      if (sub.size() >= 2 && sub[0] == '*') {
        keep = sub[1];
        sub.erase(0, 2);
      }
      const int mode = c.overwrite > 0 ? c.overwrite : script_->GlobalOverwriteFlag();
      const TCopyListVisitor::TFolderVerdict verdict = visitor.Folder(sub, keep, mode);
      if (verdict == TCopyListVisitor::kStop) return;
      if (verdict == TCopyListVisitor::kPass) continue;
      const std::string list = Trim(c.fileList);
      if (!list.empty() && list != "*") {
        visitor.ListStart();
        const std::string items = "|" + list + "|";
        for (int i = 0, n = ListItemCount(items); i < n; ++i) {
          uint32_t flags = 0;
          std::string name;
          ParseFileEntry(Trim(GetListItem(items, i)), flags, name);
          if (name.empty()) flags = 0;
          if (!visitor.Item(name, flags, !name.empty() && !FileFlagExcludesThisOS(flags))) break;
        }
      }
      if (!visitor.FolderDone()) return;
    }
  }
}

bool TInstallRun::SkippedWhenMissing(uint32_t flags) const {
  return form_.SetupTypeName() == "Partial" && FileFlagSkipPartial(flags);
}

bool TInstallRun::CopySelectedGroups() {
  struct TCopy : TCopyListVisitor {
    TInstallRun& form;
    const std::string source;
    std::string folder;
    int mode = 0;
    bool listed = false, noUninstall = false, failed = false, stopped = false;
    explicit TCopy(TInstallRun& f) : form(f), source(SetTrailingBackslash(GetExeDir(false), true)) {}
    bool Proceed() override {
      // An open exit question holds the copy until it is answered.
      while (ExitBoxOpen() && !IsCancelRequested()) WaitProcessingMessages(50);
      stopped = IsCancelRequested() || IsRunTimeDirAbort() || IsWizardClosed();
      return !stopped;
    }
    TFolderVerdict Folder(const std::string& sub, char keep, int itemMode) override {
      folder = SetTrailingBackslash(form.ExpandTokens(sub, "\\"), false);
      mode = itemMode;
      noUninstall = false;
      if (form.CreateInstallFolder(folder, true, keep)) return kEnter;
      form.FailBox(FormatText(GetLangText("Messages", "s2",
                                          "Unable to create directory:<p>%s<p><p>Setup will now close.<p>"
                                          "Correct the problem and run Setup once again!"),
                              folder));
      form.CloseWithoutAsking();
      failed = true;
      return kStop;
    }
    void ListStart() override {
      AddSetupLogLine(std::string());
      AddSetupLogLine("Start Copy Directory");
      AddSetupLogLine("  (" + folder + ")");
      form.ListCopyFolders(source, folder);
      listed = true;
    }
    bool Item(const std::string& name, uint32_t flags, bool copy) override {
      if (IsCancelRequested() || IsWizardClosed()) return false;
      ++form.filesStepped;
      if (FileFlagNoUninstall(flags)) noUninstall = true;
      if (!copy) return true;
      bool delayed = false;
      const std::string dest = SetTrailingBackslash(folder, true) + name;
      // A failed file stops the list and, with it, the install.
      failed = !form.CopyOneFile(source + name, dest, delayed, false, false, true, false, flags, mode);
      return !failed;
    }
    bool FolderDone() override {
      if (listed) form.ListCopyFolders(std::string(), std::string());
      listed = false;
      // A failed list ends its group like any other: what it copied stays removable.
      if (noUninstall) form.AddUninstallLine("AVOID_ERR_REMOVE_DIR(" + folder + ")");
      form.AddUninstallLine(std::string(), true);
      return !failed;
    }
  } copy(*this);
  form_.copying_ = true;
  WalkCopyLists(copy);
  form_.progressBar1->SetPosition(filesStepped);
  form_.copying_ = false;
  return !copy.stopped && !copy.failed;
}

bool TInstallRun::CopyOneFile(const std::string& sourcePath, const std::string& destPath, bool& delayed,
                               bool keepSource, bool force, bool writeUninstallLines, bool serviceFile, uint32_t flags,
                               int mode) {
  TInstallRun& run = *this;
  std::string source = sourcePath;
  const bool stillNeeded = script_->TakePendingFileName(source);
  const std::string dest = StripFileNumberPrefix(destPath);
  const DWORD attributes = FileFlagAttributes(flags) ? FileFlagAttributes(flags) : FILE_ATTRIBUTE_NORMAL;
  form_.ShowCopyProgress(dest);
  // Pumped as often as the eye and a Cancel click need, not for every small file.
  if (GetTickCount() - form_.lastPump_ >= 20) {
    form_.lastPump_ = GetTickCount();
    Application().ProcessMessages();
  }
  bool found = ListedFileExists(source);
  if (found) {
    keepSource = keepSource || stillNeeded;
  } else {
    if (SkippedWhenMissing(flags)) return true;
    // A packed file that no later item needs is unpacked straight into place when the
    // rule overwrites without looking at the source.
    const int own = FileFlagOverwriteMode(flags);
    const int effective = own > 0 ? own : mode;
    run.unpackInto = !stillNeeded && (force || effective == 0 || effective == 1) ? dest : std::string();
    run.unpackAttributes = attributes;
    found = LocateSourceFile(source);
    run.unpackInto.clear();
    keepSource = true;
    // A damaged packed file, or a journal that failed, has had its box already.
    if (!found && (run.sourceDamaged || RecordBroken())) return false;
  }
  AddSetupLogLine("  Copy File: " + dest);
  if (!found) {
    AddSetupLogLine(std::string(kJoin) + " ... File not Found!");
    FailBox(NotFoundText(source));
    CloseWithoutAsking();
    return false;
  }
  const bool unpacked = run.unpackedInPlace;
  run.unpackedInPlace = false;
  // Set through the handle that wrote the file, where that could be done.
  TCopyFinish finish;
  finish.attributes = attributes;
  finish.attributesSet = unpacked && run.unpackAttributesSet;
  if (!unpacked && !force && !ShouldOverwrite(source, dest, mode, flags)) return true;
  if (FileFlagIsComServer(flags)) run.comServers.push_back(dest);
  if (FileFlagIsFont(flags)) run.fonts.push_back(dest);
  run.KeepFromRestartDeletion(dest);
  // The listing only tells where to try a new file under its exact name. Where none was
  // made, the file system says whether one was there.
  HANDLE fresh = (unpacked || ListedFileExists(dest)) ? INVALID_HANDLE_VALUE : CreateExactly(dest);
  bool created = fresh != INVALID_HANDLE_VALUE;
  if (created && !run.record.NoteNew(dest)) {
    // Made but not recorded: taken away again.
    CloseHandle(fresh);
    DeleteFileA(dest.c_str());
    run.destNames.Forget(dest);
    RecordBroken();
    return false;
  }
  bool destExists = !unpacked && !created && FileExists(dest);
  // Only a destination that exists can be the source itself.
  const bool same = unpacked || (destExists && IsSameFile(source, dest));
  // A file that is there is never written over: it is set aside until the run completes,
  // and the copy is a new file. One that cannot be set aside (in use) is replaced at restart.
  bool aside = false, blocked = false;
  DWORD reason = 0;
  if (destExists && !same) {
    blocked = !run.record.BeforeWrite(dest);
    if (RecordBroken()) return false;
    if (blocked) reason = GetLastError();
    aside = !blocked;
    if (aside) {
      destExists = false;
      fresh = CreateExactFile(dest);
      created = fresh != INVALID_HANDLE_VALUE;
    }
  } else if (!destExists && !created && !same) {
    // The copy below makes it.
    if (!run.record.NoteNew(dest)) return !RecordBroken();
  }
  bool copied = same, moved = false;
  if (!same && !blocked) {
    const bool moveAllowed = !keepSource && !script_->UseCopy() &&
                             EqualTextNoCase(source.substr(0, 3), dest.substr(0, 3)) && IsWinNT();
    const bool direct = created && !moveAllowed && !script_->ShowProgBar2();
    if (created && !direct) CloseHandle(fresh);
    if (moveAllowed) {
      // A move within the drive: the installed file is a second name of the package's, which
      // keeps its bytes until the run completes. Where links are refused, a copy.
      moved = run.linksAllowed && LinkInstead(source, dest, attributes);
      copied = moved || PlainCopy(source, dest);
    } else if (script_->ShowProgBar2()) {
      copied = CopyFileWithProgress(source, dest, form_.FileProgress());
      if (copied) KeepSourceDate(source, dest);
    } else if (direct) {
      copied = CopyIntoFile(source, fresh, finish);
    } else {
      copied = PlainCopy(source, dest);
    }
    if (!copied) reason = GetLastError();
  }
  if (copied) {
    if (!same) run.destNames.Note(dest);
    AddSetupLogLine(std::string(kJoin) + " ... OK");
    if ((!same || unpacked) && !finish.attributesSet && !moved) SetFileAttributesA(dest.c_str(), attributes);
    if (!script_->BgWaveFileName().empty()) WaitProcessingMessages(DWORD(StrToIntDef(script_->BgWaveDelay(), 0)));
  } else {
    // What a failed copy left of a new file is no file; one set aside comes back.
    if (aside) {
      run.record.PutBack(dest);
    } else if (!destExists) {
      DeleteFileA(dest.c_str());
      run.destNames.Forget(dest);
    }
    // Most often the destination is in use: it is replaced at the next restart. A full disk
    // has no room for a second copy.
    const std::string xcopy = ExtractFilePath(dest) + "X" + ExtractFileName(dest);
    if (!IsDiskFull(reason)) run.KeepFromRestartDeletion(xcopy);
    const bool xcopied = !IsDiskFull(reason) && run.record.BeforeWrite(xcopy) && PlainCopy(source, xcopy);
    if (RecordBroken()) return false;
    if (!xcopied) {
      if (!IsDiskFull(reason)) run.record.PutBack(xcopy);
      AddSetupLogLine(std::string(kJoin) + " ... FAILED");
      if (run.Script()) run.Script()->Flush();
      FailBox(dest + "<p><p>" + SystemErrorText(reason));
      CloseWithoutAsking();
      return false;
    }
    run.destNames.Note(xcopy);
    SetFileAttributesA(xcopy.c_str(), FILE_ATTRIBUTE_NORMAL);
    // The replacement is scheduled for the restart; one the system does not take stops the run.
    bool scheduled;
    if (IsWinNT()) {
      if (!run.record.NotePendingRename(xcopy, dest)) return !RecordBroken();
      scheduled =
          MoveFileExA(xcopy.c_str(), dest.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
      if (!scheduled) {
        const DWORD why = GetLastError();
        AddSetupLogLine(std::string(kJoin) + " ... FAILED");
        FailBox(dest + "<p><p>" + SystemErrorText(why));
        CloseWithoutAsking();
      }
    } else {
      TIniChange rename;
      rename.section = "Rename";
      rename.key = ShortPath(dest);
      rename.value = ShortPath(xcopy);
      scheduled = EditIniOrStop(GetWindowsDir(true) + "WININIT.INI", {rename});
      if (!scheduled) AddSetupLogLine(std::string(kJoin) + " ... FAILED");
    }
    if (!scheduled) return false;
    AddSetupLogLine(std::string(kJoin) + " ... OK Delayed");
    delayed = true;
    form_.restartOffered_ = true;
  }
  // Removal lines and shared counts only for a file that is in place.
  if (writeUninstallLines && !FileFlagNoUninstall(flags)) {
    if (serviceFile) {
      AddUninstallLine("REMOVE_SERVICE_FILE(" + dest + ")");
    } else if (FileFlagIsShared(flags)) {
      if (AddUninstallLine("REMOVE_SHARED_FILE(" + dest + ")")) RaiseSharedCount(dest);
    } else {
      if (FileFlagIsReadOnly(flags)) AddUninstallLine("REMOVE_READONLY_FILE(" + dest + ")");
      AddUninstallLine("REMOVE_FILE(" + dest + ")");
    }
  } else if (FileFlagIsShared(flags)) {
    RaiseSharedCount(dest);
  }
  // A used source leaves the package once the run completes; until then it stays whole.
  if (!same && !stillNeeded && SameFolder(ExtractFileDir(source), run.setupFolder)) {
    if (!run.record.NoteUsedUp(source)) return !RecordBroken();
    run.sourceNames.Forget(source);
  }
  return true;
}

void TInstallRun::RaiseSharedCount(const std::string& file) {
  if (record.NoteRegValue(kSharedDllsKeyPath, file)) IncSharedDllCount(file);
  RecordBroken();
}

TProgressProc TSDialogForm::FileProgress() {
  return [this](int32_t mode, int32_t lo, int32_t hi, int32_t pos, int32_t) {
    if (mode != 0) return;
    // A long file keeps the labels current; the bar has its own 50 ms pace.
    const bool labels = GetTickCount() - lastUi_ >= 50;
    if (labels) ShowCopyProgress(copyDest_);
    if (!labels && GetTickCount() - lastBar2_ < 50 && pos < hi) return;
    lastBar2_ = GetTickCount();
    progressBar2->SetRange(lo, hi);
    progressBar2->SetPosition(pos);
  };
}

void TSDialogForm::ShowCopyProgress(const std::string& dest) {
  copyDest_ = dest;
  // Drawn at most every 50 ms: painting each file would cost more than copying it.
  const DWORD now = GetTickCount();
  if (uiShown_ && now - lastUi_ < 50) return;
  uiShown_ = true;
  lastUi_ = now;
  fileLabel->SetCaption(ExtractFileName(dest));
  folderLabel->SetCaption(ExtractFileDir(dest));
  progressBar1->SetPosition(run_ ? run_->filesStepped : 0);
  progressBar2->SetRange(0, 10);
  progressBar2->SetPosition(0);
}

const std::string& TInstallRun::DiskSetFolders() {
  TInstallRun& run = *this;
  if (!run.diskSetKnown) {
    run.diskSetFolders = ListDirTree(GetOriginDir());
    if (run.diskSetFolders.empty()) run.diskSetFolders = "|";
    run.diskSetKnown = true;
  }
  return run.diskSetFolders;
}

// Whether the copy will find a source: where it is named, or plain or packed in a disk-set folder.
bool TInstallRun::FindSourceFile(const std::string& path, TListedFolders& listed) {
  if (listed.Exists(path)) return true;
  const std::string& folders = DiskSetFolders();
  const std::string name = ExtractFileName(StripFileNumberPrefix(path));
  for (int i = 0, n = folders == "|" ? 0 : ListItemCount(folders); i < n; ++i) {
    const std::string file = SetTrailingBackslash(GetListItem(folders, i), true) + name;
    if (listed.Exists(file) || listed.Exists(file + "._z")) return true;
  }
  return false;
}

std::vector<TPlannedCopy> TInstallRun::PlannedCopies() {
  struct TPlan : TCopyListVisitor {
    TInstallRun& form;
    std::vector<TPlannedCopy> out;
    std::string dest;
    explicit TPlan(TInstallRun& f) : form(f) {}
    void AddFolder(const std::string& path, char keep) { out.push_back({std::string(), path, 0, keep, false}); }
    void AddFile(const std::string& source, const std::string& to, uint32_t flags, bool optional) {
      out.push_back({source, to, flags, 0, optional});
    }
    TFolderVerdict Folder(const std::string& sub, char keep, int) override {
      // A run-time folder is looked for when the copy reaches it, never by the checks.
      if (LowerCase(sub).find("<runtimedir_") != std::string::npos) return kPass;
      dest = SetTrailingBackslash(form.ExpandTokens(sub, "\\"), false);
      AddFolder(dest, keep);
      return kEnter;
    }
    bool Item(const std::string& name, uint32_t flags, bool copy) override {
      if (copy)
        AddFile(GetExeDir(true) + name, StripFileNumberPrefix(SetTrailingBackslash(dest, true) + name), flags,
                form.SkippedWhenMissing(flags));
      return true;
    }
  } plan(*this);
  TScript& s = *script_;
  const std::string setup = GetExeDir(true), app = GetAppFolder(false), target = GetAppFolder(true);
  plan.AddFolder(app, 0);
  if (s.UsesCommonFolder()) plan.AddFolder(GetCommonFolder(false), 0);
  if (s.UsesAuxiliaryFolder()) plan.AddFolder(GetAuxFolder(false), 0);
  // The registration's files, as the header and the registration copy them.
  if (s.CreateUninstall() && !s.ProgName().empty()) {
    plan.AddFile(setup + "UnInstall.exe", UninstallerPathFor(UninstallScriptPathFor(app, s.ProgStamp())), 0, false);
    std::vector<std::string> services = ListNames(s.DeliveryFiles());
    if (!s.ExecutionDllName().empty()) services.insert(services.begin(), s.ExecutionDllName());
    for (const std::string& name : services)
      plan.AddFile(setup + ExtractFileName(name), target + ExtractFileName(name), 0, false);
  }
  for (const std::string& name : {s.OriginalInfoFileName(), s.AutoUpdateExeFileName()})
    if (!name.empty() && FileExists(setup + ExtractFileName(name)))
      plan.AddFile(setup + ExtractFileName(name), target + ExtractFileName(name), 0, true);
  WalkCopyLists(plan);
  return plan.out;
}

bool TInstallRun::PathsFit() {
  plan_ = PlannedCopies();
  for (const TPlannedCopy& c : plan_) {
    // MAX_PATH counts the closing zero; a folder keeps room for an 8.3 name below it.
    if (c.dest.size() < (c.source.empty() ? size_t(MAX_PATH - 12) : size_t(MAX_PATH))) continue;
    FailBox(FormatText(GetLangText("Messages", "PathTooLong",
                                   "The path<p>%s<p>is too long for Windows.<p><p>Setup will now close.<p>"
                                   "Choose a shorter destination folder and run Setup once again!"),
                       c.dest));
    CloseWithoutAsking();
    return false;
  }
  return true;
}

bool TInstallRun::SourcesPresent() {
  TListedFolders listed;
  keptFolders.clear();
  for (const TPlannedCopy& c : PlannedCopies()) {
    if (c.source.empty() && c.keep == '3') keptFolders.push_back(LowerCase(c.dest));
    if (c.source.empty() || c.optional || FindSourceFile(c.source, listed)) continue;
    // As the copy would have reported it.
    AddSetupLogLine("  Copy File: " + c.dest);
    AddSetupLogLine(std::string(kJoin) + " ... File not Found!");
    FailBox(NotFoundText(c.source));
    CloseWithoutAsking();
    return false;
  }
  return true;
}

bool TInstallRun::LocateSourceFile(std::string& source) {
  if (DiskSetFolders() == "|") return false;
  TInstallRun& run = *this;
  run.sourceDamaged = false;
  const std::string name = ExtractFileName(StripFileNumberPrefix(source));
  const int n = ListItemCount(run.diskSetFolders);
  for (int i = 0; i < n; ++i) {
    const std::string folder = SetTrailingBackslash(GetListItem(run.diskSetFolders, i), true);
    // The path first asked for is known to be missing.
    if (!EqualTextNoCase(folder + name, source) && FileExists(folder + name)) {
      source = folder + name;
      return true;
    }
    const std::string packed = folder + name + "._z";
    if (!FileExists(packed)) continue;
    // Only large files report their progress.
    const TProgressProc progress = GetFileSizeOf(packed) > 1048576 ? form_.FileProgress() : TProgressProc();
    const uint32_t date = FileDosDate(packed);
    std::string error;
    bool damaged = false;
    // Straight into place while the destination is not there: a damaged stream then leaves
    // nothing behind. One that is there takes the ordinary road below.
    if (!run.unpackInto.empty() && !ListedFileExists(run.unpackInto)) {
      TCopyFinish finish;
      finish.attributes = run.unpackAttributes;
      // It makes the file only where none was: a new file of the run.
      if (UnpackFile(packed, run.unpackInto, CreateExactly(run.unpackInto), date, progress, error, damaged, finish)) {
        if (!run.record.NoteNew(run.unpackInto)) {
          DeleteFileA(run.unpackInto.c_str());
          run.destNames.Forget(run.unpackInto);
          RecordBroken();
          return false;
        }
        run.unpackedInPlace = true;
        run.unpackAttributesSet = finish.attributesSet;
        return true;
      }
      run.destNames.Forget(run.unpackInto);
    }
    // The unpacked source is copied on like a plain one: its attributes stay as they are.
    const HANDLE out = damaged ? INVALID_HANDLE_VALUE : CreateExactly(source);
    // One made since the listing (that it does not know of) is the source.
    if (!damaged && out == INVALID_HANDLE_VALUE && FileExists(source)) return true;
    TCopyFinish finish;
    finish.attributes = 0;
    const bool unpacked = !damaged && UnpackFile(packed, source, out, date, progress, error, damaged, finish);
    // Made in the package by the run: it goes on undo (or once used, as a used source).
    if (unpacked && !run.record.NoteNew(source)) {
      DeleteFileA(source.c_str());
      run.sourceNames.Forget(source);
      RecordBroken();
      return false;
    }
    if (!unpacked) {
      run.sourceNames.Forget(source);
      // A damaged packed file leaves nothing behind.
      if (error.empty()) error = source;
      AddSetupLogLine("  Copy File: " + packed);
      AddSetupLogLine(std::string(kJoin) + " ... FAILED");
      FailBox(packed + "<p><p>" + error);
      CloseWithoutAsking();
      run.sourceDamaged = true;
      return false;
    }
    return true;
  }
  return false;
}

bool TInstallRun::ShouldOverwrite(const std::string& source, const std::string& dest, int mode, uint32_t flags) {
  const int own = FileFlagOverwriteMode(flags);
  const int m = own > 0 ? own : mode;
  // Modes 0 and 1 overwrite whatever is there.
  if (m != 2 && m != 3 && m != 4) return true;
  TOverwriteFacts f;
  f.sourceExists = FileExists(source);
  f.destExists = FileExists(dest);
  if ((m == 2 || m == 3) && f.sourceExists && f.destExists) {
    f.sourceVersion = GetPaddedFileVersion(source, 4);
    f.destVersion = GetPaddedFileVersion(dest, 4);
    f.sourceDate = GetFileDate(source);
    f.destDate = GetFileDate(dest);
  }
  return DecideOverwrite(mode, flags, f);
}

bool TInstallRun::ListedFileExists(const std::string& path) const {
  for (const TFolderNames* names : {&sourceNames, &destNames}) {
    const TFolderNames::Kind kind = names->KindOf(path);
    if (kind != TFolderNames::Unknown) return kind == TFolderNames::File;
  }
  return FileExists(path);
}

HANDLE TInstallRun::CreateExactly(const std::string& path) {
  for (TFolderNames* names : {&sourceNames, &destNames}) {
    const TFolderNames::Kind kind = names->KindOf(path);
    if (kind == TFolderNames::Unknown) continue;
    const HANDLE h = kind == TFolderNames::Absent ? CreateExactFile(path) : INVALID_HANDLE_VALUE;
    if (h != INVALID_HANDLE_VALUE) names->Note(path);
    return h;
  }
  return INVALID_HANDLE_VALUE;
}

void TInstallRun::ListCopyFolders(const std::string& source, const std::string& dest) {
  sourceNames.Reset(std::string());
  destNames.Reset(std::string());
  // One folder for both: its two listings would not follow each other.
  if (source.empty() || dest.empty() || SameFolder(source, dest)) return;
  const std::string folders[2] = {SetTrailingBackslash(source, false), SetTrailingBackslash(dest, false)};
  ListFolder(folders[0], sourceNames);
  ListFolder(folders[1], destNames);
}

// ---------------------------------------------------------------- registration

bool TInstallRun::CopyServiceFile(const std::string& name, bool serviceFile) {
  const std::string file = ExtractFileName(name);
  bool delayed = false;
  return CopyOneFile(GetExeDir(true) + file, GetAppFolder(true) + file, delayed, true, true, true, serviceFile, 0, 1);
}

void TInstallRun::WriteUninstallHeader() {
  const TScript& s = *script_;
  auto add = [this](const std::string& line) { AddUninstallLine(line); };
  auto lang = [](const char* key, const char* def) { return GetLangText("UnInstall", key, def); };
  add("Version=1.0");
  add("ComposerVersion=" + s.ComposerBuild());
  add(std::string());
  add("PROG_NAME=" + s.ProgName());
  add("COMPANY_URL=" + s.CompanyUrl());
  add("CHAR_SET=" + std::to_string(GetLangCharset()));
  add("GET_DIALOG_BITMAP_3D_FRAME=" + BoolToDigit(s.DialogBitmap3dFrame()));
  add("GET_AUTO_UPDATE_EXE_FILE_NAME=" + s.AutoUpdateExeFileName());
  add("GET_PROG_EXE_NAME=" + ExpandTokens(s.ProgExeName()));
  add(std::string());
  add("IS_RUNNING_TEST=" + BoolToDigit(s.TestExeBeforeUninstall()));
  add("IS_RUNNING_CAPTION=" + lang("IsRunningCaption", "Attention"));
  add("IS_RUNNING_TEXT=" + lang("IsRunningText", ""));
  add("CONFIRM_CAPTION=" + lang("ConfirmCaption", "Confirm"));
  add("CONFIRM_TEXT=" + lang("ConfirmText", "Are you sure you want to uninstall the program"));
  add("BTN_TEXT=" + GetLangBtnText());
  add("BUTTON_CLOSE=" + lang("ButtonClose", "Close"));
  add("BUTTON_LOG=" + lang("ButtonLog", "View Log"));
  add("S1=" + lang("s1", ""));
  add("S2=" + lang("s2", ""));
  add("GET_TEST_ADMIN_RIGHTS_UNINSTALL=" + BoolToDigit(s.TestAdminRightsUninstall()));
  for (int i = 1; i <= 6; ++i) {
    const std::string key = "Label" + std::to_string(i);
    add("LABEL" + std::to_string(i) + "=" + lang(key.c_str(), ""));
  }
  AddUninstallLine(std::string(), true);
  const std::string script = UninstallScriptPath();
  add("REMOVE_FILE(" + script + ")");
  if (s.CreateSetupLog()) add("REMOVE_FILE(" + GetAppFolder(true) + "Setup.log)");
  if (s.UsesCommonFolder() && MayRecordRemoval(GetCommonFolder(false), false))
    add("REMOVE_DIR(" + GetCommonFolder(false) + ")");
  if (s.UsesAuxiliaryFolder() && MayRecordRemoval(GetAuxFolder(false), false))
    add("REMOVE_DIR(" + GetAuxFolder(false) + ")");
  add("RunTimeDir_1=" + s.RunTimeDir1());
  add("RunTimeDir_2=" + s.RunTimeDir2());
  add("RunTimeDir_3=" + s.RunTimeDir3());

  bool copied = true;
  if (s.CreateUninstall() && !s.ProgName().empty() && !script.empty()) {
    const std::string uninstaller = UninstallerPathFor(script);
    std::string url = s.CompanyUrl();
    if (EqualTextNoCase(url, kMakerUrl) && s.CompanyName() != "Drennick") url.clear();
    bool delayed = false;
    // The entry is written once the uninstaller it starts is in place: a failed copy leaves
    // no entry, and an earlier installation's entry as it was.
    copied = !RunStopped() &&
             CopyOneFile(GetExeDir(true) + "UnInstall.exe", uninstaller, delayed, true, true, false, false, 0, 1);
    if (copied) {
      std::string entryKey, cacheKey;
      if (!record.NoteRegKey(UninstallEntryKey(s.ProgName())) && RecordBroken()) return;
      WriteUninstallEntry(s.ProgName(), uninstaller, s.ProgVersion(), entryKey, url, GetOriginExe(), s.CompanyName());
      if (!entryKey.empty()) add("REMOVE_REG_KEY(" + entryKey + ")");
      else RefuseWithoutEntry();
      double bytes = GetRequiredSpace(0);
      if (bytes <= 0) {
        for (size_t i = 0; i < script_->Groups().size(); ++i)
          if (form_.IsGroupSelected(int(i))) bytes += 1024.0 * StrToIntDef(ListField(script_->Groups()[i].line, 2), 0);
      }
      if (!record.NoteRegKey(ArpCacheEntryKey(s.ProgName())) && RecordBroken()) return;
      WriteArpCacheEntry(s.ProgName(), ExpandTokens(s.ProgExeName()), cacheKey, int64_t(bytes + 0.5));
      if (!cacheKey.empty()) add("REMOVE_REG_KEY(" + cacheKey + ")");
    }
    if (copied && !s.ExecutionDllName().empty()) copied = CopyServiceFile(s.ExecutionDllName(), true);
    for (const std::string& name : ListNames(s.DeliveryFiles()))
      if (copied) copied = CopyServiceFile(name, true);
  }
  AddUninstallLine(std::string(), true);
  if (!copied) return;
  for (const auto& item : script_->RegistryOps()) add("SET_PERFORM_REGISTRY_OP(|" + item + "|)");
  AddUninstallLine(std::string(), true);
  for (const auto& item : script_->IniFileOps()) {
    std::string list = "|" + item + "|";
    SetListItem(list, 0, ExpandTokens(GetListItem(list, 0)));
    add("SET_PERFORM_INIFILE_OP(" + list + ")");
  }
  AddUninstallLine(std::string(), true);
  for (const auto& item : script_->EnvironmentOps()) add("SET_PERFORM_ENVIRONMENT_OP(|" + item + "|)");
  AddUninstallLine(std::string(), true);
  const auto& associations = script_->AssociationItems();
  for (size_t i = 0; i < associations.size(); ++i)
    if (form_.AssociationChecked(i)) add("SET_ADD_ASSOCIATION_ITEM(|" + associations[i] + "|)");
  AddUninstallLine(std::string(), true);
  if (s.OpenWith()) add("SET_ADD_OPEN_WITH_ITEM(|" + s.OpenWithName() + "|" + s.OpenWithExtensions() + "|)");
  if (!s.ExecutionDllName().empty()) add("SET_EXECUTION_DLL_NAME(" + s.ExecutionDllName() + ")");
  for (const auto& item : script_->ExecuteOps()) add("SET_PERFORM_EXECUTE_OP(" + item + ")");
  AddUninstallLine(std::string(), true);
}

bool TInstallRun::EditIniFile(const std::string& file, const std::vector<TIniChange>& changes, DWORD& reason) {
  reason = 0;
  std::string original;
  const bool had = GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (had && !ReadWhole(file, original)) {
    reason = GetLastError();
    return false;
  }
  if (!had && std::all_of(changes.begin(), changes.end(), [](const TIniChange& c) { return c.remove; })) return true;
  // The edit goes into a copy beside the file, which takes its place once it is checked whole.
  const std::string fresh = record.FreshName(file);
  if (fresh.empty()) {
    reason = record.JournalError();
    return false;
  }
  bool ok = !had || CopyFileA(file.c_str(), fresh.c_str(), FALSE);
  for (size_t i = 0; ok && i < changes.size(); ++i) {
    const TIniChange& c = changes[i];
    ok = c.remove ? DeleteIniValue(fresh, c.section, c.key) : WriteIniValue(fresh, c.section, c.key, c.value);
  }
  reason = GetLastError();
  // What the profile calls hold goes to the file before it is read back.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, fresh.c_str());
  std::string edited;
  if (ok && (!ReadWhole(fresh, edited) || !IniHoldsChanges(original, edited, changes))) {
    ok = false;
    if (!IsDiskFull(reason)) reason = ERROR_WRITE_FAULT;
  }
  if (!ok) {
    if (!reason) reason = ERROR_WRITE_FAULT;
    SetFileAttributesA(fresh.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(fresh.c_str());
    return false;
  }
  if (!record.ReplaceWith(file, fresh)) {
    reason = GetLastError() ? GetLastError() : DWORD(ERROR_WRITE_FAULT);
    return false;
  }
  return true;
}

bool TInstallRun::EditIniOrStop(const std::string& file, const std::vector<TIniChange>& changes) {
  DWORD reason = 0;
  if (EditIniFile(file, changes, reason)) return true;
  if (!RecordBroken() && !RunStopped()) {
    FailBox(file + "<p><p>" + SystemErrorText(reason));
    CloseWithoutAsking();
  }
  return false;
}

bool TInstallRun::WriteInfoValues(const std::vector<TIniChange>& values) {
  const std::string name = ExtractFileName(script_->OriginalInfoFileName());
  if (name.empty()) return false;
  TInstallRun& run = *this;
  if (!run.infoTried) {
    run.infoTried = true;
    if (FileExists(GetExeDir(true) + name)) {
      bool delayed = false;
      run.infoCopied = CopyOneFile(GetExeDir(true) + name, GetAppFolder(true) + name, delayed, true, true, true, false, 0, 1);
    }
  }
  if (!run.infoCopied || RunStopped()) return false;
  return EditIniOrStop(GetAppFolder(true) + name, values);
}

bool TInstallRun::WriteInfoValue(const std::string& section, const std::string& key, const std::string& value) {
  TIniChange c;
  c.section = section;
  c.key = key;
  c.value = value;
  return WriteInfoValues({c});
}

void TInstallRun::WriteApplicationRegistration() {
  const TScript& s = *script_;
  if (s.RegisterAsApplication()) {
    if (!record.NoteRegKey(ProgramKeyPath(s.CompanyName(), s.ProgName(), s.ProgVersion())) ||
        !record.NoteRegKey(AppPathKey(ExpandTokens(s.ProgExeName())))) {
      RecordBroken();
      return;
    }
    const std::string appKey = CreateApplicationKey(s.CompanyName(), s.ProgName(), s.ProgVersion());
    if (!appKey.empty()) AddUninstallLine("REMOVE_REG_KEY(" + appKey + ")");
    const std::string pathKey = WriteAppPath(ExpandTokens(s.ProgExeName()));
    if (!pathKey.empty()) AddUninstallLine("REMOVE_REG_KEY(" + pathKey + ")");
  }
  if (!s.OriginalInfoFileName().empty()) {
    const std::string script = UninstallScriptPath();
    // All in one edit of the file, in this order.
    std::vector<TIniChange> values;
    const auto add = [&values](const std::string& section, const std::string& key, const std::string& value) {
      TIniChange c;
      c.section = section;
      c.key = key;
      c.value = value;
      values.push_back(c);
    };
    add("Directories", "TargetDir", GetAppFolder(false));
    add("Directories", "SharedDir", GetCommonFolder(false));
    add("Directories", "AuxiliaryDir", GetAuxFolder(false));
    add("UnInstall", "Txt", script);
    add("UnInstall", "Exe", UninstallerPathFor(script));
    add("MsgBox", "BtnText", GetLangBtnText());
    for (const char* k : {"Error", "Confirm", "Attention"}) add("MsgBox", k, GetLangText("MsgBox", k, k));
    add("MsgBox", "CharSet", std::to_string(GetLangCharset()));
    const std::string keys = "|s1|s2|s3|s4|s5|s11|s12|s13|s14|s15|s16|s17|s21|s22|s23|s24|";
    for (int i = 0, n = ListItemCount(keys); i < n; ++i)
      add("AutoUpdate", GetListItem(keys, i), GetLangText("AutoUpdate", GetListItem(keys, i), ""));
    WriteInfoValues(values);
    if (RunStopped()) return;
  }
  if (!s.AutoUpdateExeFileName().empty() && FileExists(GetExeDir(true) + ExtractFileName(s.AutoUpdateExeFileName())))
    CopyServiceFile(s.AutoUpdateExeFileName(), false);
}

// ---------------------------------------------------------------- after the copy

void TInstallRun::PostCopyOperations() {
  const TScript& s = *script_;
  for (const auto& item : script_->RegistryOps()) {
    const std::string raw = "|" + item + "|";
    const std::string op = ExpandTokens(raw, "\\");
    if (!record.NoteRegKey(GetListItem(op, 0)) && RecordBroken()) return;
    PerformRegistryOp(op, true);
    std::string log = "RegistryOp: " + GetListItem(raw, 3) + "  " + GetListItem(raw, 0);
    if (!GetListItem(raw, 1).empty()) log += "\\" + GetListItem(raw, 1);
    if (!GetListItem(raw, 2).empty()) log += "=" + GetListItem(raw, 2);
    AddSetupLogLine(log);
  }
  for (const auto& item : script_->IniFileOps()) {
    const std::string raw = "|" + item + "|";
    const std::string op = ExpandTokens(raw, "\\");
    // The file the system's profile calls reach; the edit is made beside it and checked.
    const std::string file = IniFilePath(GetListItem(op, 0));
    TIniChange change;
    if (!file.empty() && IniOpChange(op, change) && !EditIniOrStop(file, {change})) return;
    AddSetupLogLine("IniFileOp: " + GetListItem(raw, 4) + "  " + GetListItem(raw, 0) + "  [" + GetListItem(raw, 1) +
                    "] " + GetListItem(raw, 2) + "=" + GetListItem(raw, 3));
  }
  for (const auto& item : script_->EnvironmentOps()) {
    const std::string raw = "|" + item + "|";
    const std::string op = ExpandTokens(raw, "");
    if (!record.NoteRegValue(EnvironmentKeyPath(GetListItem(op, 4)), GetListItem(op, 0)) && RecordBroken()) return;
    PerformEnvironmentOp(op, true);
    AddSetupLogLine("EnvironmentOp: " + GetListItem(raw, 0) + "=" + GetListItem(raw, 1));
  }
  bool associated = false;
  const auto& associations = script_->AssociationItems();
  for (size_t i = 0; i < associations.size(); ++i) {
    const std::string& item = associations[i];
    if (!form_.AssociationChecked(i)) continue;
    const std::string op = ExpandTokens("|" + item + "|", "\\");
    NoteAssociationKeys(record, op);
    if (RecordBroken()) return;
    if (PerformAssociationOp(op, true)) {
      AddSetupLogLine("Associate: " + Field(item, 0));
      associated = true;
    }
  }
  if (associated) FlushAssociationChanges();
  if (s.OpenWith()) NoteOpenWithKeys(record, s.OpenWithName(), s.OpenWithExtensions());
  if (RecordBroken()) return;
  if (s.OpenWith() && PerformOpenWithOp(s.OpenWithName(), s.OpenWithMenuText(), ExpandTokens(s.ProgExeName()), true,
                                        s.OpenWithExtensions()))
    AddSetupLogLine("OpenWith: " + s.OpenWithMenuText());
  CreateShortcuts();
  if (RecordBroken()) return;
  RegisterFontsAndServers();
  std::string userKey;
  if (RecordBroken() || (!record.NoteRegKey(ProgramKeyPath(s.CompanyName(), s.ProgName(), s.ProgVersion())) &&
                         RecordBroken()))
    return;
  WriteUserInfo(s.CompanyName(), s.ProgName(), s.ProgVersion(), userKey, form_.UserName(), form_.CompanyName());
  if (!userKey.empty()) AddUninstallLine("REMOVE_REG_KEY(" + userKey + ")");
  const std::string target = GetAppFolder(false);
  for (std::string line : s.UninstallLines()) {
    const size_t at = line.find("<TARGET_DIR>");
    if (at != std::string::npos) line.replace(at, 12, target);
    std::string folder;
    if (LineArgument(line, "FORCE_REMOVE_DIR", folder) && RefusesForcedRemoval(folder)) continue;
    AddUninstallLine(line);
  }
}

void TInstallRun::RegisterFontsAndServers() {
  TInstallRun& run = *this;
  // Noted missing: a run killed during a trial leaves no scratch key behind.
  if (!run.comServers.empty() && !run.record.NoteRegKey(ComTrialKey()) && RecordBroken()) return;
  for (const auto& file : run.comServers) {
    // The keys the registration writes are noted as they stand: an undone run puts back an
    // earlier installation's entries instead of taking them away. A server whose trial
    // failed is not registered: the trial saw the keys that stand, so the registration is
    // taken to fail as well, and what it wrote before failing could not have been noted.
    std::vector<std::string> keys;
    if (!ComServerKeys(file, keys)) continue;
    for (const std::string& key : keys)
      if (!run.record.NoteRegKey(key) && RecordBroken()) return;
    if (!RegisterComServer(file, true)) continue;
    AddUninstallLine("UN_REG_OCX_FILE(" + file + ")");
  }
  for (const auto& file : run.fonts) {
    if (AddFontResourceA(file.c_str()) <= 0) continue;
    // The session's font table holds the registration, no key: the one reference added here
    // goes, and an earlier one stays.
    run.record.NoteUndo([file] {
      if (RemoveFontResourceA(file.c_str())) BroadcastFontChange();
    });
    AddUninstallLine("UN_REG_FONT_FILE(" + file + ")");
  }
  if (!run.fonts.empty()) BroadcastFontChange();
}

void TInstallRun::KeepFromRestartDeletion(const std::string& path) {
  if (path.empty()) return;
  if (IsWinNT()) {
    // Looked up once a run: most runs find none, and then no write looks again.
    if (restartDeletions < 0) restartDeletions = AnyPendingDeletion() ? 1 : 0;
    if (restartDeletions == 0 || !DeletionPending(path)) return;
    if (record.NoteRegValue(kPendingRenamesKeyPath, kPendingRenamesValue)) CancelPendingDeletion(path);
    RecordBroken();
    return;
  }
  const std::string wininit = GetWindowsDir(true) + "WININIT.INI";
  if (!FileExists(wininit)) return;
  std::string text = ReadFileContents(wininit);
  if (!DropWininitDeletion(text, path)) return;
  // Written as a new file; the one that was there comes back on undo.
  if (record.BeforeWrite(wininit) && !WriteFileContents(wininit, text, 0)) record.PutBack(wininit);
  RecordBroken();
}

std::string TInstallRun::ResolveLinkFolder(const std::string& folderText, int& kind) const {
  const std::string t = LowerCase(Trim(folderText));
  const struct {
    const char* text;
    int kind;
  } special[] = {{"<desktop>", 0}, {"<start menu>", 1}, {"<startup>", 3}, {"<send to>", 5}, {"<quick launch>", 6}};
  for (const auto& s : special)
    if (t == s.text) {
      kind = s.kind;
      return std::string();
    }
  kind = 2;
  const std::string programFolder = form_.programFolderEdit->Text();
  if (folderText.empty() || EqualTextNoCase(folderText, script_->StartProgramLinkFolder())) return programFolder;
  if (folderText[0] == '\\') return folderText.substr(1);
  return programFolder.empty() ? folderText : programFolder + "\\" + folderText;
}

std::string TInstallRun::NoteLink(int kind, const std::string& folderText, bool allUsers, const std::string& target,
                                   const std::string& name) {
  std::string folder;
  const std::string path = LinkPathFor(kind, folderText, allUsers, target, name, folder);
  if (path.empty()) return path;
  record.NoteFolder(folder);
  KeepFromRestartDeletion(path);
  record.BeforeWrite(path);
  return RecordBroken() ? std::string() : path;
}

bool TInstallRun::CreateOneLink(int kind, const std::string& folderText, const std::vector<std::string>& f,
                                 const std::string& name, bool allUsers, std::string& linkPath) {
  const std::string target = ExpandTokens(f[1]);
  std::string workDir = SetTrailingBackslash(ExpandTokens(f[4]), false);
  const int show = f[5] == "Maximized" ? 3 : f[5] == "Minimized" ? 7 : 1;
  const std::string noted = NoteLink(kind, folderText, allUsers, target, name);
  if (RecordBroken()) return false;
  if (CreateLink(kind, folderText, allUsers, linkPath, show, StrToIntDef(f[7], 0), ExpandTokens(f[6]), workDir,
                 ExpandTokens(f[3]), target, name))
    return true;
  // A link that could not be made leaves the earlier one in its place.
  if (!noted.empty()) record.PutBack(noted);
  return false;
}

void TInstallRun::CreateShortcuts() {
  const TScript& s = *script_;
  std::vector<std::vector<std::string>> items;
  const std::vector<std::string> main = {s.StartProgramLinkName(),   s.ProgExeName(),
                                         std::string(),              s.StartProgramLinkParam(),
                                         s.StartProgramLinkWorkDir(), s.StartProgramLinkRun(),
                                         s.StartProgramLinkIconFile(), s.StartProgramLinkIconNum()};
  items.push_back(main);
  for (const auto& item : script_->StartProgramLinkItems()) {
    std::vector<std::string> f;
    for (int i = 0; i < 8; ++i) f.push_back(ListField(item, i));
    items.push_back(f);
  }
  const bool allUsers = s.AllUsers() && IsWinNT() && IsUserAdmin();
  AddSetupLogLine("Create Start/Program Link(s):");
  for (const auto& f : items) {
    int kind = 2;
    const std::string folderText = ResolveLinkFolder(f[2], kind);
    const std::string target = ExpandTokens(f[1]);
    const bool acceptable = FileExists(target) || IsWebTarget(target) ||
                            (target.find('\\') == std::string::npos && PosNoCase(".exe", target) > 0);
    if (f[0].empty() || !acceptable) continue;
    AddSetupLogLine("  " + folderText + "\\" + f[0] + "  (" + target + ")");
    // A shortcut folder stays inside its special folder.
    if (folderText.find("..") != std::string::npos || folderText.find(':') != std::string::npos ||
        folderText.compare(0, 1, "\\") == 0) {
      AddSetupLogLine(std::string(kJoin) + " ... FAILED");
      continue;
    }
    std::string path;
    if (!CreateOneLink(kind, folderText, f, f[0], allUsers, path)) {
      AddSetupLogLine(std::string(kJoin) + " ... FAILED");
      continue;
    }
    if (PosNoCase("Check for New Update.lnk", path) > 0) WriteInfoValue("UnInstall", "CheckforNewUpdateLink", path);
    const std::string ext = LowerCase(path.substr(path.size() >= 4 ? path.size() - 4 : 0));
    if (ext == ".lnk" || ext == ".url") AddUninstallLine("REMOVE_FILE(" + path + ")");
    if (!folderText.empty()) {
      std::string dir = ExtractFileDir(path);
      AddUninstallLine((s.ForceRemoveShortcutFolder() ? "FORCE_REMOVE_FOLDER(" : "REMOVE_FOLDER(") + dir + ")");
      const std::string levels = ReplaceAll(Trim(folderText), "/", "\\");
      for (size_t p = levels.find('\\'); p != std::string::npos; p = levels.find('\\', p + 1)) {
        dir = ExtractFileDir(dir);
        AddUninstallLine("REMOVE_FOLDER(" + dir + ")");
      }
    }
  }
  const struct {
    int kind;
    const char* log;
    bool reportResult;
  } optional[] = {{1, "Create Start Menu Link:", false},
                  {0, "Create Desktop Link:", false},
                  {5, "Create SendTo Link:", true},
                  {3, "Create StartUp Link:", true},
                  {6, "Create Quick Launch Link:", true}};
  for (size_t i = 0; i < form_.optionalLinks_.size() && i < 5; ++i) {
    if (!form_.shortcutBoxes[i]->Checked() || form_.optionalLinks_[i].name.empty()) continue;
    AddSetupLogLine(optional[i].log);
    std::string path;
    const bool made = CreateOneLink(optional[i].kind, std::string(), main, form_.optionalLinks_[i].name, allUsers, path);
    if (made) AddUninstallLine("REMOVE_FILE(" + path + ")");
    if (optional[i].reportResult) AddSetupLogLine(std::string(kJoin) + (made ? " ... OK" : " ... FAILED"));
  }
  if (s.RunAutoUpdateAtStartup() && !s.AutoUpdateExeFileName().empty()) {
    AddSetupLogLine("Create AutoUpdate link at StartUp:");
    const std::string program = GetAppFolder(true) + ExtractFileName(s.AutoUpdateExeFileName());
    std::string path;
    const std::string noted = NoteLink(3, std::string(), allUsers, program, s.ProgName() + " - Auto Update");
    if (RecordBroken()) return;
    if (CreateLink(3, std::string(), allUsers, path, 0, 0, std::string(), GetAppFolder(false), "/DELAY=120", program,
                   s.ProgName() + " - Auto Update")) {
      AddUninstallLine("REMOVE_FILE(" + path + ")");
      SetPostRunCommand(program, "/DELAY=120");
      WriteInfoValue("UnInstall", "StartUpLink", path);
    } else if (!noted.empty()) {
      record.PutBack(noted);
    }
  }
}
