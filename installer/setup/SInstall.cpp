// The install run behind the copy page: folders, file copy, uninstall script and setup log,
// registration, system operations, fonts and servers, shortcuts, and the take-back of a run
// that cannot be recorded.
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

std::unique_ptr<TUninstallScript> g_uninstall;

// What the install run found before it wrote anything: what taking it back may remove.
struct TRunStart {
  std::vector<std::string> madeFolders;  // folders the run creates
  bool uninstallerThere = false;
  bool uninstallerMissing = false;  // the run could not place its uninstaller
  bool entryMissing = false;        // nor its Add/Remove Programs entry
  bool recordsFailed = false;       // a write of the uninstall script failed
  bool operationsDone = false;      // the post-copy operations were performed
  size_t placedUpTo = size_t(-1);   // script lines from here on only ask for removals
};
TRunStart g_runStart;
// Called when a line cannot be written to the uninstall script while the run goes on.
std::function<void()> g_recordsFailure;

// The folder and those of its parents that do not exist yet.
void NoteMissingFolders(const std::string& folder, std::vector<std::string>& missing) {
  for (std::string f = SetTrailingBackslash(folder, false); f.size() > 3 && !DirectoryExists(f);) {
    missing.push_back(f);
    const std::string parent = SetTrailingBackslash(ExtractFileDir(f), false);
    if (EqualTextNoCase(parent, f)) break;
    f = parent;
  }
}

// Removes the folders that are empty, the deepest first.
void RemoveEmptyFolders(std::vector<std::string> folders) {
  std::sort(folders.begin(), folders.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  for (const std::string& f : folders) RemoveDirectoryA(f.c_str());
}

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

namespace {
// A confirmed Exit, a closed wizard or a run-time folder abort: no further step of the run.
bool RunStopped() { return IsCancelRequested() || IsWizardClosed() || IsRunTimeDirAbort(); }
}  // namespace

bool AddUninstallLine(const std::string& line, bool force) {
  if (!g_uninstall) return true;
  const bool added = g_uninstall->AddUninstallLine(line, force);
  if (!g_uninstall->Whole() && g_recordsFailure) g_recordsFailure();
  return added;
}

std::string UninstallScriptPath() { return g_uninstall ? g_uninstall->Path() : std::string(); }

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
  // A destination that the system's calls (and the uninstaller) cannot reach is refused
  // before anything is written.
  // The folder tokens follow the destination as it stands now, for every step of the run.
  SyncInstallFolders();
  if (!PathsFit()) return;
  // Busy before the copy bar's waits: a close confirmed then is held until the run stops.
  busy_ = true;
  if (s.AddBillboard()) OpenCopyBar(*this);
  installOk_ = false;
  setupFolder_ = GetExeDir(false);
  const std::string app = GetAppFolder(false);
  g_runStart = TRunStart();
  NoteMissingFolders(app, g_runStart.madeFolders);
  if (s.UsesCommonFolder()) NoteMissingFolders(GetCommonFolder(false), g_runStart.madeFolders);
  if (s.UsesAuxiliaryFolder()) NoteMissingFolders(GetAuxFolder(false), g_runStart.madeFolders);
  bool folders = !RunStopped() && CreateRunFolder(app, "Create Target Directory: ");
  // The log goes into the target folder from now on; an earlier log stays until then.
  if (folders && g_setupLog) g_setupLog->SetFile(app + "\\Setup.log");
  if (folders && s.UsesCommonFolder()) folders = CreateRunFolder(GetCommonFolder(false), "Create Common Directory: ");
  if (folders && s.UsesAuxiliaryFolder()) folders = CreateRunFolder(GetAuxFolder(false), "Create Auxiliary Directory: ");
  bool ok = false;
  bool music = false;
  if (folders && !IsRunTimeDirAbort()) {
    AddSetupLogLine("Show Screen: " + Caption());
    SyncInstallFolders();
    g_uninstall.reset(new TUninstallScript(UninstallScriptPathFor(app, s.ProgStamp()), s.CreateUninstall(),
                                           s.ScrambleUninstall(), NewScrambleKey()));
    g_runStart.uninstallerThere = FileExists(UninstallerPathFor(g_uninstall->Path()));
    g_recordsFailure = [this] { StopForRecords(); };
    AddUninstallLine("SetupType=" + SetupTypeName());
    AddUninstallLine("GroupNames=" + GroupNameString());
    AddUninstallLine("UserData=|" + UserName() + "|" + CompanyName() + "|");
    AddSetupLogLine("Execute Before Copy");
    bool exitRequest = false;
    PerformExecuteOps(2, exitRequest);
    // A package that lacks a file (one an earlier run consumed) is refused once the stage
    // that may make files has run, before anything registers the installation.
    if (!exitRequest && !RunStopped() && SourcesPresent()) {
      AddSetupLogLine("Handle First UnInstall Data");
      WriteUninstallHeader();
      g_runStart.uninstallerMissing = g_uninstall->Enabled() && !s.ProgName().empty() &&
                                      !FileExists(UninstallerPathFor(g_uninstall->Path()));
      // The uninstaller's copy pumps messages: an Exit then ends the run here.
      if (!RunStopped()) WriteApplicationRegistration();
      progressBar1->SetRange(0, SelectedFileCount());
      progressBar1->SetPosition(0);
      filesStepped_ = 0;
      AddUninstallLine("TargetDir=" + app);
      AddUninstallLine("SharedDir=" + GetCommonFolder(false));
      AddUninstallLine("AuxiliaryDir=" + GetAuxFolder(false));
      music = StartBackgroundMusic(*this);
      ok = !RunStopped() && CopySelectedGroups() && !RunStopped();
      RecordCreatedFolders();
      WaitProcessingMessages(100);
      ok = ok && !RunStopped();
      AddSetupLogLine(std::string());
      if (ok) {
        AddSetupLogLine("Execute After Copy");
        PerformExecuteOps(3, exitRequest);
        ok = !exitRequest && !RunStopped();
      }
      if (ok) PostCopyOperations();
      if (music) StopBackgroundMusic(*this);
      ok = ok && !RunStopped();
      if (ok) {
        const ATOM atom = GlobalFindAtomA(kAutoUpdateAtom);
        if (atom) GlobalDeleteAtom(atom);
      }
    }
  }
  g_recordsFailure = nullptr;
  if (!KeepRunRecords()) ok = false;
  installOk_ = ok;
  if (g_setupLog) g_setupLog->Flush();
  if (ok) FinishCopyBar();
  CloseCopyBar(*this);
  busy_ = false;
  if (!ok) {
    // A stopped run ends the setup: nothing more to show.
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

// A line the uninstall script cannot hold stops the run at once with the system's reason
// (unless it has stopped already); the run is taken back when it ends.
void TSDialogForm::StopForRecords() {
  if (g_runStart.recordsFailed) return;
  g_runStart.recordsFailed = true;
  if (RunStopped()) return;
  const int error = g_uninstall->WriteError();
  FailBox(g_uninstall->Path() + "<p><p>" + SystemErrorText(error > 0 ? DWORD(error) : ERROR_WRITE_FAULT));
  CloseWithoutAsking();
}

// A setup that cannot write the Add/Remove Programs entry it promised stops with the
// registry's reason and is taken back.
void TSDialogForm::RefuseWithoutEntry() {
  const DWORD reason = GetLastError();
  g_runStart.entryMissing = true;
  FailBox(UninstallEntryKey(script_->ProgName()) + "<p><p>" + SystemErrorText(reason));
  CloseWithoutAsking();
}

// What the run did stays only when it is recorded in a whole uninstall script beside the
// uninstaller; otherwise it is taken back. True when the run keeps what it did.
bool TSDialogForm::KeepRunRecords() {
  if (!g_uninstall) return true;
  g_uninstall->Flush();
  if (g_uninstall->Whole() && !g_runStart.uninstallerMissing && !g_runStart.entryMissing) return true;
  WithdrawRun();
  return false;
}

namespace {
// Undoes lines of the uninstall script as the uninstaller would, last line first, except
// that folders go only when empty; operations only when they were performed. Files named
// in `keep` stay.
void UndoLines(const TLineList& lines, size_t from, size_t to, bool operationsDone, const std::string& keep,
               const std::function<std::string(const std::string&, const std::string&)>& expand,
               std::vector<std::string>& folders) {
  bool fonts = false, associations = false;
  for (size_t i = std::min(to, lines.size()); i-- > from;) {
    const std::string line = Trim(lines[i]);
    std::string arg;
    auto is = [&](const char* keyword) { return LineArgument(line, keyword, arg); };
    if (is("UN_REG_OCX_FILE")) {
      RegisterComServer(arg, false);
    } else if (is("UN_REG_FONT_FILE")) {
      fonts = RemoveFontResourceA(arg.c_str()) || fonts;
    } else if (is("REMOVE_SHARED_FILE")) {
      if (ReleaseSharedDll(arg) == 0) DeleteFileA(arg.c_str());
    } else if (is("REMOVE_FILE") || is("REMOVE_READONLY_FILE") || is("REMOVE_SERVICE_FILE")) {
      if (PosNoCase("|" + arg + "|", keep) > 0) continue;
      SetFileAttributesA(arg.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(arg.c_str());
    } else if (is("REMOVE_DIR") || is("FORCE_REMOVE_DIR") || is("DONT_REMOVE_DIR") || is("DONT_REMOVE_JUST_DIR") ||
               is("REMOVE_FOLDER") || is("FORCE_REMOVE_FOLDER")) {
      folders.push_back(arg);
    } else if (is("REMOVE_REG_KEY")) {
      DeleteRegKey(arg);
    } else if (!operationsDone) {
      continue;
    } else if (is("SET_PERFORM_REGISTRY_OP")) {
      PerformRegistryOp(expand(arg, "\\"), false);
    } else if (is("SET_PERFORM_INIFILE_OP")) {
      PerformIniFileOp(expand(arg, "\\"), false);
    } else if (is("SET_PERFORM_ENVIRONMENT_OP")) {
      PerformEnvironmentOp(expand(arg, ""), false);
    } else if (is("SET_ADD_ASSOCIATION_ITEM")) {
      associations = PerformAssociationOp(expand(arg, "\\"), false) || associations;
    } else if (is("SET_ADD_OPEN_WITH_ITEM")) {
      PerformOpenWithOp(GetListItem(arg, 0), std::string(), std::string(), false, GetListItem(arg, 1));
    }
  }
  if (fonts) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, 1000, &result);
  }
  if (associations) FlushAssociationChanges();
}
}  // namespace

// Takes back what the run did: what its uninstall script records of this run (as its
// uninstaller would, folders only when empty), the uninstaller it placed, its script and
// log (an earlier installation's come back as they were) and the folders it made.
void TSDialogForm::WithdrawRun() {
  const std::string uninstaller = UninstallerPathFor(g_uninstall->Path());
  const std::string keep = "|" + g_uninstall->Path() + "|" + (g_setupLog ? g_setupLog->Path() : std::string()) + "|";
  std::vector<std::string> folders = g_runStart.madeFolders;
  folders.insert(folders.end(), createdFolders_.begin(), createdFolders_.end());
  UndoLines(g_uninstall->Lines(), g_uninstall->EarlierCount(), g_runStart.placedUpTo, g_runStart.operationsDone, keep,
            [this](const std::string& text, const std::string& sep) { return ExpandTokens(text, sep); }, folders);
  if (!g_runStart.uninstallerThere) DeleteFileA(uninstaller.c_str());
  g_uninstall->Withdraw();
  if (g_setupLog) g_setupLog->Withdraw();
  folders.erase(std::remove_if(folders.begin(), folders.end(), RefusesForcedRemoval), folders.end());
  RemoveEmptyFolders(folders);
}

bool TSDialogForm::CreateRunFolder(const std::string& folder, const std::string& logCaption) {
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

bool TSDialogForm::CreateInstallFolder(const std::string& folder, bool writeUninstallLine, char prefix) {
  // The parents this creates are the run's too: each is recorded, removed when left empty.
  std::vector<std::string> missing;
  for (std::string f = SetTrailingBackslash(folder, false); !f.empty() && !DirectoryExists(f);) {
    missing.push_back(f);
    const std::string parent = SetTrailingBackslash(ExtractFileDir(f), false);
    if (parent.size() <= 3 || EqualTextNoCase(parent, f)) break;
    f = parent;
  }
  if (!ForceDirectories(folder)) return false;
  for (const std::string& f : missing) madeFolders_.push_back(LowerCase(f));
  if (missing.size() > 1) createdFolders_.insert(createdFolders_.end(), missing.begin() + 1, missing.end());
  if (!writeUninstallLine || IsSystemFolder(folder)) return true;
  if (prefix == '1' && RefusesForcedRemoval(folder)) return true;
  const char* keyword = prefix == '1'   ? "FORCE_REMOVE_DIR("
                        : prefix == '2' ? "DONT_REMOVE_DIR("
                        : prefix == '3' ? "DONT_REMOVE_JUST_DIR("
                                        : "REMOVE_DIR(";
  // What is kept is always recorded; what is removed only when this run made it.
  if (prefix == '2' || prefix == '3' || MayRecordRemoval(folder, prefix == '1'))
    AddUninstallLine(keyword + SetTrailingBackslash(folder, false) + ")");
  RecordCreatedFolders();
  return true;
}

// Parents the run created, recorded once the uninstall script is open.
void TSDialogForm::RecordCreatedFolders() {
  if (!g_uninstall) return;
  for (const std::string& f : createdFolders_)
    if (!IsSystemFolder(f) && MayRecordRemoval(f, false)) AddUninstallLine("REMOVE_DIR(" + f + ")");
  createdFolders_.clear();
}

bool TSDialogForm::MayRecordRemoval(const std::string& folder, bool forced) const {
  const std::string f = LowerCase(SetTrailingBackslash(folder, false));
  if (std::find(madeFolders_.begin(), madeFolders_.end(), f) == madeFolders_.end()) return false;
  // A folder kept exactly stays, and with it every folder above it.
  if (!forced)
    for (const std::string& kept : keptFolders_)
      if (kept.size() > f.size() && kept.compare(0, f.size(), f) == 0 && kept[f.size()] == '\\') return false;
  return true;
}

void TSDialogForm::WalkCopyLists(TCopyListVisitor& visitor) {
  const std::string selection = GroupSelection();
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

bool TSDialogForm::SkippedWhenMissing(uint32_t flags) const {
  return SetupTypeName() == "Partial" && FileFlagSkipPartial(flags);
}

bool TSDialogForm::CopySelectedGroups() {
  struct TCopy : TCopyListVisitor {
    TSDialogForm& form;
    const std::string source;
    std::string folder;
    int mode = 0;
    bool listed = false, noUninstall = false, failed = false, stopped = false;
    explicit TCopy(TSDialogForm& f) : form(f), source(SetTrailingBackslash(GetExeDir(false), true)) {}
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
      ++form.filesStepped_;
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
      if (noUninstall) AddUninstallLine("AVOID_ERR_REMOVE_DIR(" + folder + ")");
      AddUninstallLine(std::string(), true);
      return !failed;
    }
  } copy(*this);
  copying_ = true;
  WalkCopyLists(copy);
  progressBar1->SetPosition(filesStepped_);
  copying_ = false;
  return !copy.stopped && !copy.failed;
}

bool TSDialogForm::CopyOneFile(const std::string& sourcePath, const std::string& destPath, bool& delayed,
                               bool keepSource, bool force, bool writeUninstallLines, bool serviceFile, uint32_t flags,
                               int mode) {
  std::string source = sourcePath;
  const bool stillNeeded = script_->TakePendingFileName(source);
  const std::string dest = StripFileNumberPrefix(destPath);
  const DWORD attributes = FileFlagAttributes(flags) ? FileFlagAttributes(flags) : FILE_ATTRIBUTE_NORMAL;
  ShowCopyProgress(dest);
  // Pumped as often as the eye and a Cancel click need, not for every small file.
  if (GetTickCount() - lastPump_ >= 20) {
    lastPump_ = GetTickCount();
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
    unpackInto_ = !stillNeeded && (force || effective == 0 || effective == 1) ? dest : std::string();
    unpackAttributes_ = attributes;
    found = LocateSourceFile(source);
    unpackInto_.clear();
    keepSource = true;
    // A damaged packed file has had its box already.
    if (!found && sourceDamaged_) return false;
  }
  AddSetupLogLine("  Copy File: " + dest);
  if (!found) {
    AddSetupLogLine(std::string(kJoin) + " ... File not Found!");
    FailBox(NotFoundText(source));
    CloseWithoutAsking();
    return false;
  }
  const bool unpacked = unpackedInPlace_;
  unpackedInPlace_ = false;
  // Set through the handle that wrote the file, where that could be done.
  TCopyFinish finish;
  finish.attributes = attributes;
  finish.attributesSet = unpacked && unpackAttributesSet_;
  if (!unpacked && !force && !ShouldOverwrite(source, dest, mode, flags)) return true;
  if (FileFlagIsComServer(flags)) comServers_.push_back(dest);
  if (FileFlagIsFont(flags)) fonts_.push_back(dest);
  // The listing only tells where to try a new file under its exact name. Where none was
  // made, the file system says whether one was there: a failure removes only what this
  // copy made.
  const HANDLE fresh = (unpacked || ListedFileExists(dest)) ? INVALID_HANDLE_VALUE : CreateExactly(dest);
  const bool created = fresh != INVALID_HANDLE_VALUE;
  const bool destExists = !unpacked && !created && FileExists(dest);
  // Only a destination that exists can be the source itself.
  const bool same = unpacked || (destExists && IsSameFile(source, dest));
  bool copied = same, moved = false;
  if (!same) {
    const bool moveAllowed = !keepSource && !script_->UseCopy() &&
                             EqualTextNoCase(source.substr(0, 3), dest.substr(0, 3)) && IsWinNT();
    if (destExists) SetFileAttributesA(dest.c_str(), FILE_ATTRIBUTE_NORMAL);
    const bool direct = created && !moveAllowed && !script_->ShowProgBar2();
    finish.deleteSource = !stillNeeded && SameFolder(ExtractFileDir(source), setupFolder_);
    if (created && !direct) CloseHandle(fresh);
    if (moveAllowed) {
      copied = MoveFileExA(source.c_str(), dest.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH) != 0;
      moved = copied;
    } else if (script_->ShowProgBar2()) {
      copied = CopyFileWithProgress(source, dest, FileProgress());
      if (copied) KeepSourceDate(source, dest);
    } else if (direct) {
      copied = CopyIntoFile(source, fresh, finish);
      moved = finish.sourceDeleted;
    } else {
      copied = PlainCopy(source, dest);
    }
  }
  if (copied) {
    if (!same) destNames_.Note(dest);
    AddSetupLogLine(std::string(kJoin) + " ... OK");
    if ((!same || unpacked) && !finish.attributesSet) SetFileAttributesA(dest.c_str(), attributes);
    if (!script_->BgWaveFileName().empty()) WaitProcessingMessages(DWORD(StrToIntDef(script_->BgWaveDelay(), 0)));
  } else {
    const DWORD reason = GetLastError();
    // What a failed copy left of a new file (or of one a full disk cut short) is no file.
    if (!destExists || IsDiskFull(reason)) {
      DeleteFileA(dest.c_str());
      destNames_.Forget(dest);
    }
    // Most often the destination is in use: it is replaced at the next restart. A full disk
    // has no room for a second copy.
    const std::string xcopy = ExtractFilePath(dest) + "X" + ExtractFileName(dest);
    const bool xcopied = !IsDiskFull(reason) && PlainCopy(source, xcopy);
    if (!xcopied) {
      if (!IsDiskFull(reason)) DeleteFileA(xcopy.c_str());
      AddSetupLogLine(std::string(kJoin) + " ... FAILED");
      if (g_uninstall) g_uninstall->Flush();
      FailBox(dest + "<p><p>" + SystemErrorText(reason));
      CloseWithoutAsking();
      return false;
    }
    destNames_.Note(xcopy);
    SetFileAttributesA(xcopy.c_str(), FILE_ATTRIBUTE_NORMAL);
    AddSetupLogLine(std::string(kJoin) + " ... OK Delayed");
    delayed = true;
    restartOffered_ = true;
    if (IsWinNT()) {
      MoveFileExA(xcopy.c_str(), dest.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
    } else {
      WritePrivateProfileStringA("Rename", ShortPath(dest).c_str(), ShortPath(xcopy).c_str(),
                                 (GetWindowsDir(true) + "WININIT.INI").c_str());
    }
  }
  // Removal lines and shared counts only for a file that is in place.
  if (writeUninstallLines && !FileFlagNoUninstall(flags)) {
    if (serviceFile) {
      AddUninstallLine("REMOVE_SERVICE_FILE(" + dest + ")");
    } else if (FileFlagIsShared(flags)) {
      if (AddUninstallLine("REMOVE_SHARED_FILE(" + dest + ")")) IncSharedDllCount(dest);
    } else {
      if (FileFlagIsReadOnly(flags)) AddUninstallLine("REMOVE_READONLY_FILE(" + dest + ")");
      AddUninstallLine("REMOVE_FILE(" + dest + ")");
    }
  } else if (FileFlagIsShared(flags)) {
    IncSharedDllCount(dest);
  }
  if (!same && !stillNeeded && SameFolder(ExtractFileDir(source), setupFolder_)) {
    // A moved source is gone already, as is one the copy deleted.
    if (!moved && !DeleteFileA(source.c_str()) && FileExists(source)) {
      SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileA(source.c_str());
    }
    sourceNames_.Forget(source);
  }
  return true;
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
  progressBar1->SetPosition(filesStepped_);
  progressBar2->SetRange(0, 10);
  progressBar2->SetPosition(0);
}

const std::string& TSDialogForm::DiskSetFolders() {
  if (!diskSetKnown_) {
    diskSetFolders_ = ListDirTree(GetOriginDir());
    if (diskSetFolders_.empty()) diskSetFolders_ = "|";
    diskSetKnown_ = true;
  }
  return diskSetFolders_;
}

// Whether the copy will find a source: where it is named, or plain or packed in a disk-set folder.
bool TSDialogForm::FindSourceFile(const std::string& path, TListedFolders& listed) {
  if (listed.Exists(path)) return true;
  const std::string& folders = DiskSetFolders();
  const std::string name = ExtractFileName(StripFileNumberPrefix(path));
  for (int i = 0, n = folders == "|" ? 0 : ListItemCount(folders); i < n; ++i) {
    const std::string file = SetTrailingBackslash(GetListItem(folders, i), true) + name;
    if (listed.Exists(file) || listed.Exists(file + "._z")) return true;
  }
  return false;
}

std::vector<TPlannedCopy> TSDialogForm::PlannedCopies(bool runTimeDirs) {
  struct TPlan : TCopyListVisitor {
    TSDialogForm& form;
    const bool runTimeDirs;
    std::vector<TPlannedCopy> out;
    std::string dest;
    TPlan(TSDialogForm& f, bool r) : form(f), runTimeDirs(r) {}
    void AddFolder(const std::string& path, char keep) { out.push_back({std::string(), path, 0, keep, false}); }
    void AddFile(const std::string& source, const std::string& to, uint32_t flags, bool optional) {
      out.push_back({source, to, flags, 0, optional});
    }
    TFolderVerdict Folder(const std::string& sub, char keep, int) override {
      // A run-time folder is looked for once, when the run first needs it.
      if (!runTimeDirs && LowerCase(sub).find("<runtimedir_") != std::string::npos) return kPass;
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
  } plan(*this, runTimeDirs);
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

bool TSDialogForm::PathsFit() {
  for (const TPlannedCopy& c : PlannedCopies(false)) {
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

bool TSDialogForm::SourcesPresent() {
  TListedFolders listed;
  keptFolders_.clear();
  for (const TPlannedCopy& c : PlannedCopies(true)) {
    if (c.source.empty() && c.keep == '3') keptFolders_.push_back(LowerCase(c.dest));
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

bool TSDialogForm::LocateSourceFile(std::string& source) {
  if (DiskSetFolders() == "|") return false;
  sourceDamaged_ = false;
  const std::string name = ExtractFileName(StripFileNumberPrefix(source));
  const int n = ListItemCount(diskSetFolders_);
  for (int i = 0; i < n; ++i) {
    const std::string folder = SetTrailingBackslash(GetListItem(diskSetFolders_, i), true);
    // The path first asked for is known to be missing.
    if (!EqualTextNoCase(folder + name, source) && FileExists(folder + name)) {
      source = folder + name;
      return true;
    }
    const std::string packed = folder + name + "._z";
    if (!FileExists(packed)) continue;
    // Only large files report their progress.
    const TProgressProc progress = GetFileSizeOf(packed) > 1048576 ? FileProgress() : TProgressProc();
    const uint32_t date = FileDosDate(packed);
    std::string error;
    bool damaged = false;
    // Straight into place while the destination is not there: a damaged stream then leaves
    // nothing behind. One that is there takes the ordinary road below.
    if (!unpackInto_.empty() && !ListedFileExists(unpackInto_)) {
      TCopyFinish finish;
      finish.attributes = unpackAttributes_;
      if (UnpackFile(packed, unpackInto_, CreateExactly(unpackInto_), date, progress, error, damaged, finish)) {
        unpackedInPlace_ = true;
        unpackAttributesSet_ = finish.attributesSet;
        return true;
      }
      destNames_.Forget(unpackInto_);
    }
    // The unpacked source is copied on like a plain one: its attributes stay as they are.
    const HANDLE out = damaged ? INVALID_HANDLE_VALUE : CreateExactly(source);
    // One made since the listing (that it does not know of) is the source.
    if (!damaged && out == INVALID_HANDLE_VALUE && FileExists(source)) return true;
    TCopyFinish finish;
    finish.attributes = 0;
    const bool unpacked = !damaged && UnpackFile(packed, source, out, date, progress, error, damaged, finish);
    if (!unpacked) {
      sourceNames_.Forget(source);
      // A damaged packed file leaves nothing behind.
      if (error.empty()) error = source;
      AddSetupLogLine("  Copy File: " + packed);
      AddSetupLogLine(std::string(kJoin) + " ... FAILED");
      FailBox(packed + "<p><p>" + error);
      CloseWithoutAsking();
      sourceDamaged_ = true;
      return false;
    }
    return true;
  }
  return false;
}

bool TSDialogForm::ShouldOverwrite(const std::string& source, const std::string& dest, int mode, uint32_t flags) {
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

bool TSDialogForm::ListedFileExists(const std::string& path) const {
  for (const TFolderNames* names : {&sourceNames_, &destNames_}) {
    const TFolderNames::Kind kind = names->KindOf(path);
    if (kind != TFolderNames::Unknown) return kind == TFolderNames::File;
  }
  return FileExists(path);
}

HANDLE TSDialogForm::CreateExactly(const std::string& path) {
  for (TFolderNames* names : {&sourceNames_, &destNames_}) {
    const TFolderNames::Kind kind = names->KindOf(path);
    if (kind == TFolderNames::Unknown) continue;
    const HANDLE h = kind == TFolderNames::Absent ? CreateExactFile(path) : INVALID_HANDLE_VALUE;
    if (h != INVALID_HANDLE_VALUE) names->Note(path);
    return h;
  }
  return INVALID_HANDLE_VALUE;
}

void TSDialogForm::ListCopyFolders(const std::string& source, const std::string& dest) {
  sourceNames_.Reset(std::string());
  destNames_.Reset(std::string());
  // One folder for both: its two listings would not follow each other.
  if (source.empty() || dest.empty() || SameFolder(source, dest)) return;
  const std::string folders[2] = {SetTrailingBackslash(source, false), SetTrailingBackslash(dest, false)};
  ListFolder(folders[0], sourceNames_);
  ListFolder(folders[1], destNames_);
}

// ---------------------------------------------------------------- registration

bool TSDialogForm::CopyServiceFile(const std::string& name, bool serviceFile) {
  const std::string file = ExtractFileName(name);
  bool delayed = false;
  return CopyOneFile(GetExeDir(true) + file, GetAppFolder(true) + file, delayed, true, true, true, serviceFile, 0, 1);
}

void TSDialogForm::WriteUninstallHeader() {
  const TScript& s = *script_;
  auto add = [](const std::string& line) { AddUninstallLine(line); };
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
      WriteUninstallEntry(s.ProgName(), uninstaller, s.ProgVersion(), entryKey, url, GetOriginExe(), s.CompanyName());
      if (!entryKey.empty()) add("REMOVE_REG_KEY(" + entryKey + ")");
      else RefuseWithoutEntry();
      double bytes = GetRequiredSpace(0);
      if (bytes <= 0) {
        for (size_t i = 0; i < script_->Groups().size(); ++i)
          if (IsGroupSelected(int(i))) bytes += 1024.0 * StrToIntDef(ListField(script_->Groups()[i].line, 2), 0);
      }
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
    if (AssociationChecked(i)) add("SET_ADD_ASSOCIATION_ITEM(|" + associations[i] + "|)");
  AddUninstallLine(std::string(), true);
  if (s.OpenWith()) add("SET_ADD_OPEN_WITH_ITEM(|" + s.OpenWithName() + "|" + s.OpenWithExtensions() + "|)");
  if (!s.ExecutionDllName().empty()) add("SET_EXECUTION_DLL_NAME(" + s.ExecutionDllName() + ")");
  for (const auto& item : script_->ExecuteOps()) add("SET_PERFORM_EXECUTE_OP(" + item + ")");
  AddUninstallLine(std::string(), true);
}

bool TSDialogForm::WriteInfoValue(const std::string& section, const std::string& key, const std::string& value) {
  const std::string name = ExtractFileName(script_->OriginalInfoFileName());
  if (name.empty()) return false;
  if (!infoTried_) {
    infoTried_ = true;
    if (FileExists(GetExeDir(true) + name)) {
      bool delayed = false;
      infoCopied_ = CopyOneFile(GetExeDir(true) + name, GetAppFolder(true) + name, delayed, true, true, true, false, 0, 1);
    }
  }
  if (!infoCopied_) return false;
  WriteIniValue(GetAppFolder(true) + name, section, key, value);
  return true;
}

void TSDialogForm::WriteApplicationRegistration() {
  const TScript& s = *script_;
  if (s.RegisterAsApplication()) {
    const std::string appKey = CreateApplicationKey(s.CompanyName(), s.ProgName(), s.ProgVersion());
    if (!appKey.empty()) AddUninstallLine("REMOVE_REG_KEY(" + appKey + ")");
    const std::string pathKey = WriteAppPath(ExpandTokens(s.ProgExeName()));
    if (!pathKey.empty()) AddUninstallLine("REMOVE_REG_KEY(" + pathKey + ")");
  }
  if (!s.OriginalInfoFileName().empty()) {
    const std::string script = UninstallScriptPath();
    WriteInfoValue("Directories", "TargetDir", GetAppFolder(false));
    WriteInfoValue("Directories", "SharedDir", GetCommonFolder(false));
    WriteInfoValue("Directories", "AuxiliaryDir", GetAuxFolder(false));
    WriteInfoValue("UnInstall", "Txt", script);
    WriteInfoValue("UnInstall", "Exe", UninstallerPathFor(script));
    WriteInfoValue("MsgBox", "BtnText", GetLangBtnText());
    for (const char* k : {"Error", "Confirm", "Attention"}) WriteInfoValue("MsgBox", k, GetLangText("MsgBox", k, k));
    WriteInfoValue("MsgBox", "CharSet", std::to_string(GetLangCharset()));
    const std::string keys = "|s1|s2|s3|s4|s5|s11|s12|s13|s14|s15|s16|s17|s21|s22|s23|s24|";
    for (int i = 0, n = ListItemCount(keys); i < n; ++i)
      WriteInfoValue("AutoUpdate", GetListItem(keys, i), GetLangText("AutoUpdate", GetListItem(keys, i), ""));
  }
  if (!s.AutoUpdateExeFileName().empty() && FileExists(GetExeDir(true) + ExtractFileName(s.AutoUpdateExeFileName())))
    CopyServiceFile(s.AutoUpdateExeFileName(), false);
}

// ---------------------------------------------------------------- after the copy

void TSDialogForm::PostCopyOperations() {
  const TScript& s = *script_;
  g_runStart.operationsDone = true;
  for (const auto& item : script_->RegistryOps()) {
    const std::string raw = "|" + item + "|";
    PerformRegistryOp(ExpandTokens(raw, "\\"), true);
    std::string log = "RegistryOp: " + GetListItem(raw, 3) + "  " + GetListItem(raw, 0);
    if (!GetListItem(raw, 1).empty()) log += "\\" + GetListItem(raw, 1);
    if (!GetListItem(raw, 2).empty()) log += "=" + GetListItem(raw, 2);
    AddSetupLogLine(log);
  }
  for (const auto& item : script_->IniFileOps()) {
    const std::string raw = "|" + item + "|";
    PerformIniFileOp(ExpandTokens(raw, "\\"), true);
    AddSetupLogLine("IniFileOp: " + GetListItem(raw, 4) + "  " + GetListItem(raw, 0) + "  [" + GetListItem(raw, 1) +
                    "] " + GetListItem(raw, 2) + "=" + GetListItem(raw, 3));
  }
  for (const auto& item : script_->EnvironmentOps()) {
    const std::string raw = "|" + item + "|";
    PerformEnvironmentOp(ExpandTokens(raw, ""), true);
    AddSetupLogLine("EnvironmentOp: " + GetListItem(raw, 0) + "=" + GetListItem(raw, 1));
  }
  bool associated = false;
  const auto& associations = script_->AssociationItems();
  for (size_t i = 0; i < associations.size(); ++i) {
    const std::string& item = associations[i];
    if (AssociationChecked(i) && PerformAssociationOp(ExpandTokens("|" + item + "|", "\\"), true)) {
      AddSetupLogLine("Associate: " + Field(item, 0));
      associated = true;
    }
  }
  if (associated) FlushAssociationChanges();
  if (s.OpenWith() && PerformOpenWithOp(s.OpenWithName(), s.OpenWithMenuText(), ExpandTokens(s.ProgExeName()), true,
                                        s.OpenWithExtensions()))
    AddSetupLogLine("OpenWith: " + s.OpenWithMenuText());
  CreateShortcuts();
  RegisterFontsAndServers();
  std::string userKey;
  WriteUserInfo(s.CompanyName(), s.ProgName(), s.ProgVersion(), userKey, UserName(), CompanyName());
  if (!userKey.empty()) AddUninstallLine("REMOVE_REG_KEY(" + userKey + ")");
  const std::string target = GetAppFolder(false);
  // The setup script's own lines ask for removals; the run placed nothing for them.
  if (g_uninstall) g_runStart.placedUpTo = g_uninstall->Lines().size();
  for (std::string line : s.UninstallLines()) {
    const size_t at = line.find("<TARGET_DIR>");
    if (at != std::string::npos) line.replace(at, 12, target);
    std::string folder;
    if (LineArgument(line, "FORCE_REMOVE_DIR", folder) && RefusesForcedRemoval(folder)) continue;
    AddUninstallLine(line);
  }
}

void TSDialogForm::RegisterFontsAndServers() {
  for (const auto& file : comServers_)
    if (RegisterComServer(file, true)) AddUninstallLine("UN_REG_OCX_FILE(" + file + ")");
  for (const auto& file : fonts_)
    if (AddFontResourceA(file.c_str()) > 0) AddUninstallLine("UN_REG_FONT_FILE(" + file + ")");
  if (!fonts_.empty()) {
    // A window that does not answer holds nobody up.
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, 1000, &result);
  }
}

std::string TSDialogForm::ResolveLinkFolder(const std::string& folderText, int& kind) const {
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
  const std::string programFolder = programFolderEdit->Text();
  if (folderText.empty() || EqualTextNoCase(folderText, script_->StartProgramLinkFolder())) return programFolder;
  if (folderText[0] == '\\') return folderText.substr(1);
  return programFolder.empty() ? folderText : programFolder + "\\" + folderText;
}

bool TSDialogForm::CreateOneLink(int kind, const std::string& folderText, const std::vector<std::string>& f,
                                 const std::string& name, bool allUsers, std::string& linkPath) {
  const std::string target = ExpandTokens(f[1]);
  std::string workDir = SetTrailingBackslash(ExpandTokens(f[4]), false);
  const int show = f[5] == "Maximized" ? 3 : f[5] == "Minimized" ? 7 : 1;
  return CreateLink(kind, folderText, allUsers, linkPath, show, StrToIntDef(f[7], 0), ExpandTokens(f[6]), workDir,
                    ExpandTokens(f[3]), target, name);
}

void TSDialogForm::CreateShortcuts() {
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
  for (size_t i = 0; i < optionalLinks_.size() && i < 5; ++i) {
    if (!shortcutBoxes[i]->Checked() || optionalLinks_[i].name.empty()) continue;
    AddSetupLogLine(optional[i].log);
    std::string path;
    const bool made = CreateOneLink(optional[i].kind, std::string(), main, optionalLinks_[i].name, allUsers, path);
    if (made) AddUninstallLine("REMOVE_FILE(" + path + ")");
    if (optional[i].reportResult) AddSetupLogLine(std::string(kJoin) + (made ? " ... OK" : " ... FAILED"));
  }
  if (s.RunAutoUpdateAtStartup() && !s.AutoUpdateExeFileName().empty()) {
    AddSetupLogLine("Create AutoUpdate link at StartUp:");
    const std::string program = GetAppFolder(true) + ExtractFileName(s.AutoUpdateExeFileName());
    std::string path;
    if (CreateLink(3, std::string(), allUsers, path, 0, 0, std::string(), GetAppFolder(false), "/DELAY=120", program,
                   s.ProgName() + " - Auto Update")) {
      AddUninstallLine("REMOVE_FILE(" + path + ")");
      SetPostRunCommand(program, "/DELAY=120");
      WriteInfoValue("UnInstall", "StartUpLink", path);
    }
  }
}
