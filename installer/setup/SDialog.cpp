#include "SDialog.h"

#include <winternl.h>

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

const char* const kWizardClassName = ".SDialog_Class_Name.";

namespace {

bool g_cancelRequested = false;
bool g_wizardClosed = false;
std::function<void()> g_restartRequester;
std::unique_ptr<TUninstallScript> g_uninstall;
std::unique_ptr<TSetupLog> g_setupLog;

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
bool SamePage(const std::string& listed, const char* page);
const char* const kAutoUpdateAtom = "AutoUpdateAtomTokenByKelvane";
// The engine maker's own address: kept out of other products' Add/Remove Programs entries.
const char* const kMakerUrl = "http://www.kelvane.example";

const TPageInfo kPages[] = {
    {"WelcomeDlg", "Welcome", "Welcome", "Welcome"},
    {"LicenseDlg", "License", "License", "License"},
    {"ReadmeDlg", "Readme", "Readme", "Readme"},
    {"UserInformationDlg", "User", "User Information", "UserInfo"},
    {"DestinationDlg", "Destination", "Destination", "Destination"},
    {"SetupTypeDlg", "Type", "Setup Type", "SetupType"},
    {"CustomDlg", "Custom", "Custom", "Components"},
    {"AssociateDlg", "Associate", "Associate", "Associate"},
    {"ShortcutsDlg", "Shortcut", "Shortcuts", "Shortcuts"},
    {"ConfirmSetupDlg", "Confirm", "Confirm Setup", "Confirm"},
    {"CopyFilesDlg", "Copy", "Copy Files", "CopyFiles"},
    {"CopyFilesDlgHide", nullptr, nullptr, nullptr},
    {"CompleteDlg", "Complete", "Complete", "Complete"},
};

template <class C>
C* Placed(C* control, int left, int top, int width, int height) {
  control->SetBounds(left, top, width, height);
  return control;
}

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

// Field i of a "|" list written without its outer bars.
std::string Field(const std::string& item, int index) { return GetListItem("|" + item + "|", index); }
// Field i of a "|" list that may already carry its outer bars (component lines do).
std::string ListField(const std::string& list, int index) {
  return !list.empty() && list[0] == '|' ? GetListItem(list, index) : Field(list, index);
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

// The system's text for an error code, on one line.
std::string SystemErrorText(DWORD code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out = n && text ? Trim(ReplaceAll(ReplaceAll(std::string(text, n), "\r", " "), "\n", " ")) : std::string();
  if (text) LocalFree(text);
  return out.empty() ? "Error " + std::to_string(code) : out;
}

bool IsDiskFull(DWORD code) { return code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL; }

// A plain copy, overwriting.
bool PlainCopy(const std::string& source, const std::string& dest) {
  return CopyFileA(source.c_str(), dest.c_str(), FALSE) != 0;
}

// The ntdll calls the copy uses where the system has them; looked up at run time: Windows 9x
// has no such calls, and there the ordinary road is taken.
struct TNtCalls {
  decltype(&NtCreateFile) create = nullptr;
  decltype(&NtSetInformationFile) setInfo = nullptr;
  decltype(&RtlDosPathNameToNtPathName_U) toNt = nullptr;
  decltype(&RtlFreeUnicodeString) release = nullptr;
  TNtCalls() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    Bind(ntdll, "NtCreateFile", create);
    Bind(ntdll, "NtSetInformationFile", setInfo);
    Bind(ntdll, "RtlDosPathNameToNtPathName_U", toNt);
    Bind(ntdll, "RtlFreeUnicodeString", release);
  }
  template <typename F>
  static void Bind(HMODULE module, const char* name, F& call) {
    call = module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
  }
};
const TNtCalls& Nt() {
  static const TNtCalls calls;
  return calls;
}

// Makes `path` as a new empty file under exactly that name, open for writing, without the
// case-blind search for a name that is not there (under Wine that reads the whole folder).
// INVALID_HANDLE_VALUE when anything is in the way.
HANDLE CreateExactFile(const std::string& path) {
  const TNtCalls& nt = Nt();
  const int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  if (!nt.create || !nt.toNt || !nt.release || n <= 0) return INVALID_HANDLE_VALUE;
  std::wstring wide(size_t(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], n);
  UNICODE_STRING name;
  if (!nt.toNt(wide.c_str(), &name, nullptr, nullptr)) return INVALID_HANDLE_VALUE;
  OBJECT_ATTRIBUTES attr;
  InitializeObjectAttributes(&attr, &name, 0, nullptr, nullptr);
  IO_STATUS_BLOCK io;
  HANDLE h = nullptr;
  const NTSTATUS status = nt.create(&h, GENERIC_WRITE | SYNCHRONIZE, &attr, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_CREATE,
                                    FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  nt.release(&name);
  return status < 0 ? INVALID_HANDLE_VALUE : h;
}

// One piece of information set on an open file; false when the system cannot.
template <typename T>
bool SetFileInfo(HANDLE file, T& info, int kind) {
  IO_STATUS_BLOCK io;
  return Nt().setInfo && Nt().setInfo(file, &io, &info, sizeof info, FILE_INFORMATION_CLASS(kind)) >= 0;
}

// Gives an open file its attributes through the handle, without opening it again by name.
bool SetAttributesOf(HANDLE file, DWORD attributes) {
  struct {
    LARGE_INTEGER created, accessed, written, changed;  // zero: left as they are
    ULONG attributes;
  } basic = {};
  basic.attributes = attributes;
  return SetFileInfo(file, basic, 4);  // FileBasicInformation
}

// Marks an open file (opened with DELETE access) to go when its handle is closed.
bool DeleteWhenClosed(HANDLE file) {
  BOOLEAN remove = TRUE;
  return SetFileInfo(file, remove, 13);  // FileDispositionInformation
}

// The entries of one folder (without trailing backslash) into `names`; a folder that cannot
// be listed whole leaves it knowing nothing.
void ListFolder(const std::string& folder, TFolderNames& names) {
  names.Reset(std::string());
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  names.Reset(folder);
  do {
    names.Add(fd.cFileName, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  } while (FindNextFileA(h, &fd));
  if (GetLastError() != ERROR_NO_MORE_FILES) names.Reset(std::string());
  FindClose(h);
}

}  // namespace

bool CopyIntoFile(const std::string& source, HANDLE out, TCopyFinish& finish) {
  finish.attributesSet = finish.sourceDeleted = false;
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE in = finish.deleteSource ? CreateFileA(source.c_str(), GENERIC_READ | DELETE, share, nullptr, OPEN_EXISTING,
                                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr)
                                  : INVALID_HANDLE_VALUE;
  const bool mayDelete = in != INVALID_HANDLE_VALUE;
  if (!mayDelete)
    in = CreateFileA(source.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  bool ok = in != INVALID_HANDLE_VALUE;
  if (ok) {
    // One buffer for the whole run: a fresh one for every file costs more than a small file's copy.
    static std::vector<char> buffer(256 * 1024);
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(in, buffer.data(), DWORD(buffer.size()), &got, nullptr)) ok = false;
      if (!ok || got == 0) break;
      if (!WriteWhole(out, buffer.data(), got)) {
        ok = false;
        break;
      }
    }
    FILETIME written;
    if (ok && GetFileTime(in, nullptr, nullptr, &written)) SetFileTime(out, nullptr, nullptr, &written);
    if (ok) finish.attributesSet = SetAttributesOf(out, finish.attributes);
  }
  DWORD reason = GetLastError();
  // The destination is whole only once its close succeeded; only then may the source go.
  if (!CloseHandle(out) && ok) {
    ok = false;
    reason = GetLastError();
  }
  if (ok && mayDelete) finish.sourceDeleted = DeleteWhenClosed(in);
  if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
  if (!ok) SetLastError(reason);
  return ok;
}

namespace {

// Unpacks a packed file into a new file `dest` (through `out` when it is made already; it is
// closed) a piece at a time, dated `date` and given `finish.attributes`. Whatever fails
// leaves no `dest` behind; `damaged` tells an unreadable or bad stream from a failed write,
// whose `error` stays empty.
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
    CloseHandle(in);
    return false;
  }
  bool readFailed = false;
  const bool ok = InflateStream(
      [&](char* buffer, size_t room) -> long {
        DWORD got = 0;
        if (ReadFile(in, buffer, DWORD(room), &got, nullptr)) return long(got);
        readFailed = true;
        return -1;
      },
      uint64_t(size.QuadPart),
      [&](const char* data, size_t count) { return WriteWhole(out, data, DWORD(count)); },
      progress, error, damaged);
  if (ok && date) SetHandleDate(out, date);
  if (ok && finish.attributes) finish.attributesSet = SetAttributesOf(out, finish.attributes);
  CloseHandle(out);
  CloseHandle(in);
  if (ok) return true;
  damaged = damaged || readFailed;
  if (!damaged) error.clear();
  DeleteFileA(dest.c_str());
  return false;
}

// The execute items of one stage, in script order, until one asks to exit; each log goes
// into the setup log.
void RunStageItems(TScript& script, const TExecDll* plugins, int stage, bool& exitRequest) {
  exitRequest = false;
  for (const std::string& item : script.ExecuteOps()) {
    if (exitRequest) break;
    std::string log;
    RunExecuteItem(plugins, item, stage, exitRequest, log);
    if (!log.empty()) AddSetupLogLine(log);
  }
}

// Stages run when a page is entered or left; 0 for the others.
int EnterStage(const std::string& page) {
  return SamePage(page, "DestinationDlg") ? esBeforeDestination
         : SamePage(page, "CustomDlg")    ? esBeforeCustom
         : SamePage(page, "SetupTypeDlg") ? esBeforeSetupType
                                          : 0;
}
int LeaveStage(const std::string& page) {
  return SamePage(page, "DestinationDlg") ? esAfterDestination
         : SamePage(page, "CustomDlg")    ? esAfterCustom
         : SamePage(page, "SetupTypeDlg") ? esAfterSetupType
                                          : 0;
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

bool IsCancelRequested() { return g_cancelRequested; }
void SetCancelRequested(bool on) { g_cancelRequested = on; }
bool IsWizardClosed() { return g_wizardClosed; }
namespace {
// A confirmed Exit, a closed wizard or a run-time folder abort: no further step of the run.
bool RunStopped() { return g_cancelRequested || g_wizardClosed || IsRunTimeDirAbort(); }
}  // namespace
void SetRestartRequester(std::function<void()> requester) { g_restartRequester = std::move(requester); }

bool AddUninstallLine(const std::string& line, bool force) {
  if (!g_uninstall) return true;
  const bool added = g_uninstall->AddUninstallLine(line, force);
  if (!g_uninstall->Whole() && g_recordsFailure) g_recordsFailure();
  return added;
}

void AddSetupLogLine(const std::string& text) {
  if (g_setupLog) g_setupLog->AddSetupLogLine(text);
}

std::string UninstallScriptPath() { return g_uninstall ? g_uninstall->Path() : std::string(); }

namespace {
// Page names of the list match ignoring case and surrounding blanks.
bool SamePage(const std::string& listed, const char* page) { return EqualTextNoCase(Trim(listed), page); }
}  // namespace

const TPageInfo* FindPage(const std::string& name) {
  for (const auto& p : kPages)
    if (SamePage(name, p.name)) return &p;
  return nullptr;
}

// ---------------------------------------------------------------- form

TSDialogForm::TSDialogForm(TForm* owner) : TForm(kWizardClassName, owner, FormBorder::Dialog) {
  SetClientSize(515, 351);
  SetCentered(true);
  picturePanel = new TPanel(this);
  picturePanel->SetBounds(6, 6, ClientWidth() - 374 - 12, 275);
  picture = new TImage(picturePanel);
  picture->SetBounds(0, 0, picturePanel->ClientWidth(), picturePanel->ClientHeight());
  picture->SetCenter(true);
  contentPanel = new TPanel(this);
  contentPanel->SetBounds(ClientWidth() - 374, 6, 370, 275);
  pages = new TPageControl(contentPanel);
  pages->SetBounds(-4, -4, contentPanel->Width() + 8, contentPanel->Height() + 28);
  for (const auto& p : kPages) sheets_.push_back(p.tab ? new TTabSheet(pages, p.tab) : nullptr);
  headerLabel = new TLabel(this);
  headerLabel->SetBounds(12, 8, 400, 18);
  headerLabel->Font().SetStyle(kBold);
  headerLabel->Hide();
  productLabel = new TLabel(this, " Kelvane ");
  productLabel->SetBounds(8, 292, 60, 14);
  productLabel->Font().SetStyle(kBold);
  productLabel->SetEnabled(false);
  upperBevel_ = Placed(new TBevel(this, BevelShape::TopLine), 0, 58, ClientWidth(), 2);
  upperBevel_->Hide();
  lowerBevel_ = Placed(new TBevel(this, BevelShape::TopLine), 0, 306, ClientWidth(), 2);
  statusLabel = Placed(new TLabel(this), 80, 292, 170, 14);
  companyLink = Placed(new TLabel(this), 8, 321, 240, 16);
  SetTahomaFont(companyLink->Font());
  companyLink->Font().SetColor(0xFF0000);
  companyLink->Font().SetStyle(kUnderline);
  companyLink->SetCursor(IDC_HAND);
  companyLink->Hide();
  companyLink->OnClick = [this](TControl*) {
    if (EqualTextNoCase(companyLink->Caption(), "About Kelvane")) {
      ShowAboutBox(this, script_ ? script_->ProgName() : std::string(), 0xFF0000, 0);
    } else {
      ShellExecuteFile(companyLink->Caption(), "", SW_SHOW);
    }
  };
  backButton = Placed(new TButton(this), 258, 318, 78, 23);
  backButton->OnClick = [this](TControl*) { BackButtonClick(); };
  nextButton = Placed(new TButton(this), 336, 318, 78, 23);
  nextButton->Font().SetStyle(kBold);
  nextButton->SetDefault(true);
  nextButton->OnClick = [this](TControl*) { NextButtonClick(); };
  cancelButton = Placed(new TButton(this), 428, 318, 78, 23);
  cancelButton->OnClick = [this](TControl*) { Close(); };

  TTabSheet* copy = SheetFor(FindPage("CopyFilesDlg"));
  fileLabel = Placed(new TLabel(copy), 12, 60, 340, 16);
  folderLabel = Placed(new TLabel(copy), 12, 80, 340, 16);
  progressBar1 = Placed(new TProgressBar(copy), 12, 110, 340, 18);
  progressBar2 = Placed(new TProgressBar(copy), 12, 140, 340, 18);
  progressBar2->Hide();

  BuildPages();

  OnClick = [this](TControl*) {
    if (IsDeveloperMode()) CopySetupFolder();
  };
  AttachHoverUnderline(this);
  copyTimer_ = new TTimer(this, 10);
  copyTimer_->OnTimer = [this](TTimer*) { CopyFilesTimerTimer(); };
  stopTimer_ = new TTimer(this, 100);
  stopTimer_->OnTimer = [this](TTimer*) { StopTimerTimer(); };
  spaceTimer_ = new TTimer(this, 1000);
  spaceTimer_->OnTimer = [this](TTimer*) {
    spaceTimer_->SetEnabled(false);
    RefreshSpaceLabels();
  };
}

namespace {

TRichEdit* RichLabel(TWinControl* parent, int left, int top, int width, int height) {
  TRichEdit* edit = Placed(new TRichEdit(parent), left, top, width, height);
  edit->SetBorder(false);
  edit->SetReadOnly(true);
  edit->SetTabStop(false);
  return edit;
}

// A read-only document below a page's first line.
TRichEdit* DocumentView(TWinControl* parent, int height) {
  TRichEdit* edit = Placed(new TRichEdit(parent), 10, 28, 354, height);
  edit->SetReadOnly(true);
  edit->SetScrollBars(ScrollBars::Vertical);
  edit->SetColor(SysColor(COLOR_WINDOW));
  return edit;
}

}  // namespace

// The controls of every page; their texts come with the script (SetPageTexts).
void TSDialogForm::BuildPages() {
  TTabSheet* welcome = SheetFor(FindPage("WelcomeDlg"));
  welcomeText = RichLabel(welcome, 10, 8, 354, 232);

  TTabSheet* license = SheetFor(FindPage("LicenseDlg"));
  licenseLabel = RichLabel(license, 10, 8, 354, 18);
  licenseEdit = DocumentView(license, 128);
  licenseHint = Placed(new TLabel(license), 10, 160, 354, 16);
  licenseYes = Placed(new TRadioButton(license), 10, 180, 354, 20);
  licenseNo = Placed(new TRadioButton(license), 10, 202, 354, 20);
  licenseYes->OnClick = licenseNo->OnClick = [this](TControl*) { SetButtons(); };

  TTabSheet* readme = SheetFor(FindPage("ReadmeDlg"));
  readmeLabel = RichLabel(readme, 10, 8, 354, 18);
  readmeEdit = DocumentView(readme, 208);

  TTabSheet* user = SheetFor(FindPage("UserInformationDlg"));
  userPrompt = RichLabel(user, 10, 8, 354, 40);
  nameLabel = Placed(new TLabel(user), 10, 62, 80, 16);
  nameEdit = Placed(new TEdit(user), 95, 58, 260, 21);
  companyLabel = Placed(new TLabel(user), 10, 94, 80, 16);
  companyEdit = Placed(new TEdit(user), 95, 90, 260, 21);

  TTabSheet* destination = SheetFor(FindPage("DestinationDlg"));
  destinationText = RichLabel(destination, 10, 8, 354, 110);
  folderGroup = Placed(new TGroupBox(destination), 10, 122, 354, 52);
  folderEdit = Placed(new TEdit(folderGroup), 10, 20, 250, 21);
  folderEdit->OnChange = [this](TEdit*) {
    if (fillingFolder_) return;
    folderEdited_ = true;
    // A preset folder would win over the field: what the user types must be where it installs.
    if (!GetPresetAppFolder().empty()) SetPresetAppFolder(folderEdit->Text());
    spaceTimer_->SetEnabled(false);
    spaceTimer_->SetEnabled(true);
  };
  browseButton = Placed(new TButton(folderGroup), 266, 19, 80, 23);
  browseButton->OnClick = [this](TControl*) { BrowseButtonClick(); };
  requiredCaption = Placed(new TLabel(destination), 10, 186, 200, 16);
  requiredValue = Placed(new TLabel(destination), 214, 186, 140, 16);
  availableCaption = Placed(new TLabel(destination), 10, 206, 200, 16);
  availableValue = Placed(new TLabel(destination), 214, 206, 140, 16);

  TTabSheet* type = SheetFor(FindPage("SetupTypeDlg"));
  typeText = RichLabel(type, 10, 8, 354, 36);
  for (int i = 0; i < 3; ++i) {
    typeButtons[i] = Placed(new TRadioButton(type), 10, 50 + 60 * i, 344, 20);
    typeButtons[i]->Font().SetStyle(kBold);
    typeDescriptions[i] = Placed(new TLabel(type), 30, 72 + 60 * i, 324, 34);
    typeDescriptions[i]->SetWordWrap(true);
    const TSetupType t = TSetupType(i);
    typeButtons[i]->OnClick = [this, t](TControl*) { setupType_ = t; };
  }

  TTabSheet* custom = SheetFor(FindPage("CustomDlg"));
  componentsText = RichLabel(custom, 10, 8, 354, 30);
  componentsCaption = Placed(new TLabel(custom), 10, 42, 354, 16);
  componentList = Placed(new TCheckListBox(custom), 10, 60, 354, 100);
  componentList->SetColumns({2, -26});
  descriptionGroup = Placed(new TGroupBox(custom), 10, 166, 354, 70);
  descriptionLabel = Placed(new TLabel(descriptionGroup), 8, 18, 336, 46);
  descriptionLabel->SetWordWrap(true);
  componentList->OnSelect = [this](TCheckListBox* list) {
    const int i = list->ItemIndex();
    const auto& groups = script_->Groups();
    descriptionLabel->SetCaption(i >= 0 && i < int(groups.size())
                                     ? ExpandTextEscapes(ListField(groups[size_t(i)].line, 1))
                                     : std::string());
  };

  TTabSheet* associate = SheetFor(FindPage("AssociateDlg"));
  associateText = RichLabel(associate, 10, 8, 354, 50);
  associateCaption = Placed(new TLabel(associate), 10, 62, 354, 16);
  associateList = Placed(new TCheckListBox(associate), 10, 80, 354, 150);
  associateList->SetColumns({8, 72});

  TTabSheet* shortcuts = SheetFor(FindPage("ShortcutsDlg"));
  shortcutsText = RichLabel(shortcuts, 10, 8, 354, 50);
  programFolderCaption = Placed(new TLabel(shortcuts), 10, 62, 354, 16);
  programFolderEdit = Placed(new TEdit(shortcuts), 10, 80, 354, 21);
  for (int i = 0; i < 5; ++i) shortcutBoxes[i] = Placed(new TCheckBox(shortcuts), 10, 110 + 24 * i, 354, 20);

  TTabSheet* confirm = SheetFor(FindPage("ConfirmSetupDlg"));
  confirmText = RichLabel(confirm, 10, 8, 354, 40);
  summaryMemo = Placed(new TMemo(confirm, ScrollBars::Vertical), 10, 52, 354, 184);
  summaryMemo->SetReadOnly(true);

  TTabSheet* complete = SheetFor(FindPage("CompleteDlg"));
  completeText = RichLabel(complete, 12, 12, 340, 130);
  readmeCheckBox = Placed(new TCheckBox(complete), 12, 150, 340, 20);
  launchCheckBox = Placed(new TCheckBox(complete), 12, 180, 340, 20);
  restartGroup = Placed(new TGroupBox(complete), 12, 150, 340, 70);
  restartNowButton = Placed(new TRadioButton(restartGroup), 10, 18, 320, 20);
  restartLaterButton = Placed(new TRadioButton(restartGroup), 10, 42, 320, 20);
  restartGroup->Hide();
}

TSDialogForm::~TSDialogForm() {
  if (callbacksSet_) SetEngineCallbacks(nullptr, nullptr);
  if (g_setupLog) g_setupLog->Flush();
  delete plugins_;
}

TTabSheet* TSDialogForm::SheetFor(const TPageInfo* info) {
  if (!info) return nullptr;
  return sheets_[size_t(info - kPages)];
}

void TSDialogForm::InitFromScript() {
  TScript& s = *script_;
  SetRunTimeDirs(s.RunTimeDir1(), s.RunTimeDir2(), s.RunTimeDir3());
  g_setupLog.reset(new TSetupLog(s.CreateSetupLog()));
  char date[64] = "", time[64] = "";
  GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, sizeof date);
  GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, sizeof time);
  for (const std::string& line :
       {"Setup Log of: " + s.ProgName(), "Version: " + s.ProgVersion(), std::string(),
        "Date: " + std::string(date) + " " + time, "Operating System: " + GetWinVersionText(),
        "Composer Version: " + s.ComposerBuild(), std::string(), "WinTempDir: " + GetTempDir(false),
        "SourceDir:  " + GetExeDir(false), std::string()})
    AddSetupLogLine(line);
  plugins_ = new TExecDll(Handle());
  if (!s.ExecutionDllName().empty())
    LoadExecDll(*plugins_, GetExeDir(true) + ExtractFileName(s.ExecutionDllName()), true, true);
  Font().SetCharset(GetLangCharset());
  SetCaption(GetLangText("Welcome", "Caption", "Welcome"));
  if (IsLangRightToLeft()) MirrorPagesRightToLeft();
  fillingFolder_ = true;
  folderEdit->SetText(GetPresetAppFolder().empty() ? ExpandFolderTokens(s.TargetDir(), "\\") : GetPresetAppFolder());
  fillingFolder_ = false;
  programFolderEdit->SetText(s.StartProgramLinkFolder());
  optionalLinks_.clear();
  int linkIndex = 0;
  for (const std::string& name : {s.StartMenuLinkName(), s.DesktopLinkName(), s.SendToLinkName(),
                                  s.StartUpLinkName(), s.QuickLaunchLinkName()}) {
    OptionalLink link;
    link.checked = !name.empty() && name[0] == '^';
    link.name = link.checked ? name.substr(1) : name;
    shortcutBoxes[linkIndex++]->SetChecked(link.checked);
    optionalLinks_.push_back(link);
  }
  // The shortcut page's text depends on the names just read.
  SetPageTexts();
  // Without a setup-type page the components decide: the Custom type.
  SelectSetupType(s.ContainsDialog("SetupType") ? TSetupType::Typical : TSetupType::Custom);
  RebuildComponentList();
  associateList->Clear();
  for (const auto& item : s.AssociationItems()) associateList->AddItem(ListField(item, 2) + "\t" + ListField(item, 1), true);
  // The fields start with the registered owner and organisation; a hidden one stays empty.
  nameEdit->SetText(s.RequestUserName() ? GetRegisteredOwner() : std::string());
  companyEdit->SetText(s.RequestCompanyName() ? GetRegisteredOrganization() : std::string());
  for (TControl* c : {static_cast<TControl*>(nameLabel), static_cast<TControl*>(nameEdit)}) c->SetVisible(s.RequestUserName());
  for (TControl* c : {static_cast<TControl*>(companyLabel), static_cast<TControl*>(companyEdit)})
    c->SetVisible(s.RequestCompanyName());
  if (!s.RequestUserName()) {
    companyLabel->SetTop(nameLabel->Top());
    companyEdit->SetTop(nameEdit->Top());
  }
  readmeCheckBox->SetVisible(s.ProposeReadme());
  readmeCheckBox->SetChecked(s.ProposeReadmeChecked());
  launchCheckBox->SetVisible(s.ProposeLaunch());
  launchCheckBox->SetChecked(s.ProposeLaunchChecked());
  restartOffered_ = s.ProposeRestart();
  licenseYes->SetChecked(IsDeveloperAutoAccept());
  licenseNo->SetChecked(!IsDeveloperAutoAccept());
}

namespace {

std::string Lang(const char* section, const char* key) { return GetLangText(section, key, ""); }

// A rich label's text: escapes expanded, bold tags applied.
void SetRich(TRichEdit* edit, const std::string& text) { SetRichLabelText(edit, text); }

void Mirror(TControl* c) {
  const TWinControl* parent = c->Parent();
  if (parent) c->SetLeft(parent->ClientWidth() - c->Left() - c->Width());
  c->SetRightToLeft(true);
}

std::string SpaceText(double mb) {
  if (mb < 0) mb = 0;
  char buf[64];
  snprintf(buf, sizeof buf, mb > 10 ? "%.1f MB" : mb >= 1 ? "%.2f MB" : "%.3f MB", mb);
  return buf;
}

}  // namespace

void TSDialogForm::SetPageTexts() {
  const TScript& s = *script_;
  const std::string prog = s.ProgName();
  auto prog_ = [&](const std::string& text) { return ReplaceAll(text, "PROG_NAME", prog); };
  const std::string crlf = "\r\n";
  auto repeat = [](const std::string& t, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += t;
    return out;
  };
  SetRich(welcomeText, prog_(Lang("Welcome", "s1") +
                             (s.ShowCloseRecommendation() ? Lang("Welcome", "s2") : repeat(crlf, 5)) + crlf +
                             (s.ShowAdwareDisclaimer() ? Lang("Welcome", "s4") : repeat(crlf, 3)) +
                             (s.ShowCopyrightWarning() ? Lang("Welcome", "s3") : repeat(crlf, 3))));
  SetRich(licenseLabel, Lang("License", "s1"));
  licenseHint->SetCaption(Lang("License", "s2"));
  licenseYes->SetCaption(Lang("License", "s3"));
  licenseNo->SetCaption(Lang("License", "s4"));
  const std::string dir = GetExeDir(true);
  if (!s.LicenseFileName().empty()) LoadDocument(*licenseEdit, dir + ExtractFileName(s.LicenseFileName()), GetLangCharset());
  SetRich(readmeLabel, Lang("Readme", "s1"));
  if (!s.ReadmeFileName().empty()) LoadDocument(*readmeEdit, dir + ExtractFileName(s.ReadmeFileName()), GetLangCharset());

  const char* prompt = s.RequestUserName() && s.RequestCompanyName() ? "s3" : s.RequestUserName() ? "s1" : "s2";
  SetRich(userPrompt, Lang("UserInfo", prompt));
  nameLabel->SetCaption(Lang("UserInfo", "s11"));
  companyLabel->SetCaption(Lang("UserInfo", "s12"));

  SetRich(destinationText, prog_(Lang("Destination", "s1")));
  folderGroup->SetCaption(" " + Lang("Destination", "s2") + " ");
  browseButton->SetCaption(GetLangText("Buttons", "Browse", "&Browse..."));
  requiredCaption->SetCaption(GetLangText("Destination", "s3", "Space required in drive:"));
  availableCaption->SetCaption(GetLangText("Destination", "s4", "Space available in drive:"));

  SetRich(typeText, Lang("SetupType", "s1"));
  const bool cd = s.CdSetup();
  const char* names[3] = {cd ? "s14" : "s11", cd ? "s15" : "s12", "s13"};
  const char* texts[3] = {cd ? "s24" : "s21", cd ? "s25" : "s22", "s23"};
  for (int i = 0; i < 3; ++i) {
    typeButtons[i]->SetCaption(Lang("SetupType", names[i]));
    typeDescriptions[i]->SetCaption(Lang("SetupType", texts[i]));
  }
  if (!s.ShowCompactSetup() && !cd) {
    // Custom takes the place of the hidden Compact choice.
    typeButtons[2]->SetTop(typeButtons[1]->Top());
    typeDescriptions[2]->SetTop(typeDescriptions[1]->Top());
    typeButtons[1]->Hide();
    typeDescriptions[1]->Hide();
  }
  if (cd || !s.ContainsDialog("Custom")) {
    typeButtons[2]->Hide();
    typeDescriptions[2]->Hide();
  }

  SetRich(componentsText, Lang("Components", "s1"));
  componentsCaption->SetCaption(Lang("Components", "s2"));
  descriptionGroup->SetCaption(" " + Lang("Components", "s3") + " ");
  SetRich(associateText, prog_(Lang("Associate", "s1")));
  associateCaption->SetCaption(Lang("Associate", "s2"));

  bool anyNamed = false;
  for (const auto& link : optionalLinks_) anyNamed = anyNamed || !link.name.empty();
  SetRich(shortcutsText, Lang("Shortcuts", "s1") + (anyNamed ? crlf + Lang("Shortcuts", "s2") : std::string()));
  programFolderCaption->SetCaption(Lang("Shortcuts", "s3"));
  const char* boxes[5] = {"s11", "s12", "s13", "s14", "s15"};
  for (int i = 0; i < 5; ++i) shortcutBoxes[i]->SetCaption(Lang("Shortcuts", boxes[i]));

  SetRich(confirmText, Lang("Confirm", "s1"));

  readmeCheckBox->SetCaption(GetLangText("Complete", "s8", "Display the Readme file."));
  launchCheckBox->SetCaption(GetLangText("Complete", "s3", "Yes, Launch the program file."));
  restartGroup->SetCaption(" " + GetLangText("Complete", "s4", "Restart") + " ");
  restartNowButton->SetCaption(GetLangText("Complete", "s5", "Yes, I want to restart my computer now."));
  restartLaterButton->SetCaption(GetLangText("Complete", "s6", "No, I will restart my computer later."));
}

// Hebrew and Arabic: rich labels read right to left, labels and choices sit on the right.
void TSDialogForm::MirrorPagesRightToLeft() {
  const int charset = GetLangCharset();
  for (TRichEdit** edit : {&welcomeText, &licenseLabel, &readmeLabel, &userPrompt, &destinationText, &typeText,
                           &componentsText, &associateText, &shortcutsText, &confirmText, &completeText})
    MakeRightToLeftRichEdit(*edit, charset);
  for (TControl* c : {static_cast<TControl*>(nameLabel), static_cast<TControl*>(nameEdit),
                      static_cast<TControl*>(companyLabel), static_cast<TControl*>(companyEdit)})
    Mirror(c);
  // Values and captions trade places; the captions are right-aligned.
  const int captionLeft = requiredCaption->Left(), valueLeft = requiredValue->Left();
  const int captionWidth = requiredCaption->Width(), valueWidth = requiredValue->Width();
  for (TLabel* caption : {requiredCaption, availableCaption}) {
    caption->SetBounds(valueLeft + valueWidth - captionWidth, caption->Top(), captionWidth, caption->Height());
    caption->SetAlignment(TextAlign::Right);
    caption->SetRightToLeft(true);
  }
  for (TLabel* value : {requiredValue, availableValue}) value->SetBounds(captionLeft, value->Top(), valueWidth, value->Height());
  for (int i = 0; i < 3; ++i) {
    Mirror(typeButtons[i]);
    Mirror(typeDescriptions[i]);
  }
}

void TSDialogForm::SelectSetupType(TSetupType type) {
  setupType_ = type;
  for (int i = 0; i < 3; ++i) typeButtons[i]->SetChecked(int(type) == i);
}

void TSDialogForm::RebuildComponentList() {
  TScript& s = *script_;
  const bool noChoicePages = !s.ContainsDialog("SetupType") && !s.ContainsDialog("Custom");
  componentList->Clear();
  for (const auto& group : s.Groups()) {
    const std::string& line = group.line;
    const bool locked = ListField(line, 9) == "1";
    componentList->AddItem(ListField(line, 0) + "\t" + ListField(line, 2) + " KB",
                           ListField(line, 8) == "1" || locked || noChoicePages, !locked);
  }
  if (!s.ContainsDialog("SetupType")) SelectSetupType(TSetupType::Custom);
}

bool TSDialogForm::ValidateUserPage() {
  if (!SamePage(script_->CurrentDialog(), "UserInformationDlg")) return true;
  const char* key = nullptr;
  TEdit* field = nullptr;
  if (nameEdit->Visible() && Trim(nameEdit->Text()).empty()) {
    key = "s21";
    field = nameEdit;
  } else if (companyEdit->Visible() && Trim(companyEdit->Text()).empty()) {
    key = "s22";
    field = companyEdit;
  }
  if (!key) return true;
  ErrorBox(Handle(), GetLangText("UserInfo", key, key[2] == '1' ? "Please enter User Name!" : "Please enter Company Name!"),
           GetLangText("MsgBox", "Error", "Error"), GetLangBtnText(), GetLangCharset());
  field->SetFocus();
  return false;
}

double TSDialogForm::ComputedSpaceKB() const {
  const bool partial = SetupTypeName() == "Partial";
  double kb = 0;
  for (size_t i = 0; i < script_->Groups().size(); ++i)
    if (IsGroupSelected(int(i))) kb += StrToIntDef(ListField(script_->Groups()[i].line, partial ? 4 : 2), 0);
  return kb;
}

void TSDialogForm::RefreshSpaceLabels() {
  double required = GetRequiredSpace(2);
  if (required == 0) required = ComputedSpaceKB() / 1024.0;
  double available = 0;
  const std::string folder = Trim(folderEdit->Text());
  if (!folder.empty()) {
    const std::string root = std::string(1, folder[0]) + ":\\";
    ULARGE_INTEGER free = {};
    if (GetDiskFreeSpaceExA(root.c_str(), &free, nullptr, nullptr)) available = double(free.QuadPart) / 1048576.0;
  }
  requiredValue->SetCaption(SpaceText(required));
  availableValue->SetCaption(SpaceText(available));
}

void TSDialogForm::BrowseButtonClick() {
  std::string folder = Trim(folderEdit->Text());
  for (int i = 0; i < 10 && !folder.empty() && !DirectoryExists(folder); ++i) {
    const std::string up = ExtractFileDir(SetTrailingBackslash(folder, false));
    if (up == folder) break;
    folder = up;
  }
  if (BrowseForFolder(Caption(), Lang("Messages", "s3"), "My Computer", true, folder)) {
    folderEdit->SetText(folder);
    RefreshSpaceLabels();
  }
}

std::string TSDialogForm::SummaryText() const {
  const TScript& s = *script_;
  const std::string indent = "   ", crlf = "\r\n";
  std::string text = Lang("Confirm", "s11") + crlf + indent + GetAppFolder(false) + crlf + crlf +
                     Lang("Confirm", "s12") + crlf + indent + programFolderEdit->Text() + crlf;
  const char* captions[5] = {"s13", "s14", "s15", "s16", "s17"};
  for (size_t i = 0; i < optionalLinks_.size() && i < 5; ++i)
    if (shortcutBoxes[i]->Checked() && !optionalLinks_[i].name.empty())
      text += crlf + Lang("Confirm", captions[i]) + crlf + indent + optionalLinks_[i].name + crlf;
  if (s.ContainsDialog("UserInformation") && (nameEdit->Visible() || companyEdit->Visible())) {
    text += crlf + Lang("Confirm", "s30") + crlf;
    auto line = [&](const char* key, const std::string& value) {
      std::string caption = Lang("Confirm", key);
      if (caption.size() < 10) caption.resize(10, ' ');
      if (!value.empty()) text += indent + caption + "\t" + value + crlf;
    };
    line("s31", UserName());
    line("s32", CompanyName());
  }
  return text;
}

std::string TSDialogForm::UserName() const { return nameEdit->Text(); }
std::string TSDialogForm::CompanyName() const { return companyEdit->Text(); }

bool TSDialogForm::AssociationChecked(size_t index) const {
  return int(index) >= associateList->Count() || associateList->Checked(int(index));
}

// First time on the Shortcuts page: boxes of unnamed shortcuts go, the rest move up.
void TSDialogForm::HideUnnamedShortcuts() {
  if (!shortcutsFirstTime_) return;
  shortcutsFirstTime_ = false;
  int top = shortcutBoxes[0]->Top();
  for (int i = 0; i < 5; ++i) {
    if (optionalLinks_[size_t(i)].name.empty()) {
      shortcutBoxes[i]->Hide();
      continue;
    }
    shortcutBoxes[i]->SetTop(top);
    top += 24;
  }
}

void TSDialogForm::RegisterHostCallbacks() {
  if (callbacksSet_) return;
  callbacksSet_ = true;
  SetEngineCallbacks(
      [this](const std::string& command, const std::string& target, const std::string& value, const std::string&) {
        return HostAction(command, target, value);
      },
      [this](const std::string& name) { return HostValue(name); });
}

bool TSDialogForm::HostAction(const std::string& command, const std::string& target, const std::string& value) {
  if (EqualTextNoCase(command, "SetFolderTo")) {
    if (EqualTextNoCase(target, "Application Folder")) {
      SetPresetAppFolder(value);
    } else if (EqualTextNoCase(target, "Common Folder")) {
      SetPresetCommonFolder(value);
    } else if (EqualTextNoCase(target, "Auxiliary Folder")) {
      SetPresetAuxFolder(value);
    } else {
      return false;
    }
    SyncInstallFolders();
    return true;
  }
  if (EqualTextNoCase(command, "SetStupType")) {
    const struct {
      const char* name;
      TSetupType type;
    } types[] = {{"Typical", TSetupType::Typical}, {"Compact", TSetupType::Compact}, {"Custom", TSetupType::Custom},
                 {"Complete", TSetupType::Typical}, {"Partial", TSetupType::Compact}};
    for (const auto& t : types)
      if (EqualTextNoCase(target, t.name)) {
        SelectSetupType(t.type);
        return true;
      }
  }
  return false;
}

std::string TSDialogForm::HostValue(const std::string& name) const {
  if (EqualTextNoCase(name, "UserName")) return UserName();
  if (EqualTextNoCase(name, "CompanyName")) return CompanyName();
  if (EqualTextNoCase(name, "GroupNameString")) return GroupNameString();
  if (EqualTextNoCase(name, "SetupType")) return SetupTypeName();
  return std::string();
}

bool TSDialogForm::BeforeDialogs() {
  SyncInstallFolders();
  // Setup Start items may already set folders and the setup type.
  RegisterHostCallbacks();
  AddSetupLogLine("Execute Before Dialogs");
  bool exitRequest = false;
  PerformExecuteOps(1, exitRequest);
  return exitRequest;
}

std::string TSDialogForm::GetAppFolder(bool backslash) const {
  const std::string f = GetPresetAppFolder().empty() ? folderEdit->Text() : GetPresetAppFolder();
  return SetTrailingBackslash(Trim(f), backslash);
}

// A folder setting expanded against the application folder as it stands now.
std::string TSDialogForm::ExpandFolderSetting(const std::string& setting) const {
  SetInstallFolders(GetAppFolder(false), GetSharedFolder(), GetAuxiliaryFolder());
  return ExpandFolderTokens(setting, "\\");
}

std::string TSDialogForm::GetCommonFolder(bool backslash) const {
  const std::string f = GetPresetCommonFolder().empty() ? ExpandFolderSetting(script_->CommonDir()) : GetPresetCommonFolder();
  return SetTrailingBackslash(f, backslash);
}

std::string TSDialogForm::GetAuxFolder(bool backslash) const {
  const std::string f = GetPresetAuxFolder().empty() ? ExpandFolderSetting(script_->AuxDir()) : GetPresetAuxFolder();
  return SetTrailingBackslash(f, backslash);
}

void TSDialogForm::SyncInstallFolders() {
  const std::string common = GetCommonFolder(false), aux = GetAuxFolder(false);
  SetInstallFolders(GetAppFolder(false), common, aux);
}

std::string TSDialogForm::ExpandTokens(const std::string& text, const std::string& sep) {
  SyncInstallFolders();
  return ExpandFolderTokens(text, sep);
}

// ---------------------------------------------------------------- setup type and components

std::string TSDialogForm::SetupTypeName() const {
  if (script_->ForcePartialSetup()) return "Partial";
  switch (setupType_) {
    case TSetupType::Typical: return script_->CdSetup() ? "Complete" : "Typical";
    case TSetupType::Compact: return script_->CdSetup() ? "Partial" : "Compact";
    default: return "Custom";
  }
}

bool TSDialogForm::IsGroupSelected(int index) const {
  auto& groups = script_->Groups();
  if (script_->CdSetup() || index < 0 || index >= int(groups.size())) return true;
  const std::string& line = groups[size_t(index)].line;
  if (setupType_ == TSetupType::Typical) return ListField(line, 6) == "1";
  if (setupType_ == TSetupType::Compact) return ListField(line, 7) == "1";
  if (index < componentList->Count()) return componentList->Checked(index);
  return ListField(line, 8) == "1" || ListField(line, 9) == "1" ||
         (!script_->ContainsDialog("SetupType") && !script_->ContainsDialog("Custom"));
}

std::string TSDialogForm::GroupSelection() const {
  std::string sel;
  for (size_t i = 0; i < script_->Groups().size(); ++i) sel += IsGroupSelected(int(i)) ? '1' : '0';
  return sel;
}

std::string TSDialogForm::GroupNameString() const {
  std::string names;
  for (size_t i = 0; i < script_->Groups().size(); ++i)
    if (IsGroupSelected(int(i))) names += "|" + ListField(script_->Groups()[i].line, 0);
  return names.empty() ? names : names + "|";
}

int TSDialogForm::SelectedFileCount() const {
  int count = 0;
  for (size_t i = 0; i < script_->Groups().size(); ++i)
    if (IsGroupSelected(int(i))) count += StrToIntDef(ListField(script_->Groups()[i].line, 3), 0);
  return count;
}

// ---------------------------------------------------------------- page flow

void TSDialogForm::SetVisible(bool visible) {
  if (visible && hide_) {
    // A hidden wizard still goes through its first show.
    if (!shown_) DoShow();
    return;
  }
  TForm::SetVisible(visible);
}

void TSDialogForm::DoShow() {
  shown_ = true;
  TForm::DoShow();
  if (!firstShow_ || !script_) return;
  firstShow_ = false;
  RegisterHostCallbacks();
  SetDialogLocation();
  companyLink->SetTop(backButton->Top() + 3);
  companyLink->SetCaption(script_->CompanyUrl());
  companyLink->SetHint(script_->CompanyUrl());
  companyLink->SetVisible(!script_->CompanyUrl().empty());
  picturePanel->SetSingleBorder(script_->DialogBitmap3dFrame());
  SetRequiredSpaceText(script_->SpaceReqOnDrive(), 2);
  progressBar2->SetVisible(script_->ShowProgBar2());
  script_->SetDialogIndex(0);
  if (script_->SilentSetup()) {
    script_->SetDialogByName("CopyFilesDlg");
    if (script_->AddBillboard()) SetBounds(-30, Top(), 20, Height());
    // A silent run always goes to the copy page, listed or not.
    if (!SamePage(script_->CurrentDialog(), "CopyFilesDlg")) {
      ShowPage("CopyFilesDlg");
      return;
    }
  }
  if (FindPage(script_->CurrentDialog())) ShowPage(script_->CurrentDialog());
}

void TSDialogForm::SetDialogLocation() {
  RECT area = {};
  if (Owner() && Owner()->Handle()) {
    GetClientRect(Owner()->Handle(), &area);
    MapWindowPoints(Owner()->Handle(), nullptr, reinterpret_cast<POINT*>(&area), 2);
  } else {
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  }
  const std::string list = "|" + script_->DialogLocation() + "|";
  const std::string position = hide_ ? "Hide" : GetListItem(list, 0);
  const int dx = StrToIntDef(GetListItem(list, 1), 0), dy = StrToIntDef(GetListItem(list, 2), 0);
  PlaceControl(this, position, (area.bottom - area.top) - Height(), 0, area.top + dy, area.left + dx,
               (area.right - area.left) - Width());
}

void TSDialogForm::LoadPagePicture(const TPageInfo* info) {
  const std::string dir = GetExeDir(true);
  const bool wide = EqualTextNoCase(info->name, "WelcomeDlg") || EqualTextNoCase(info->name, "CompleteDlg");
  std::string file = dir + (script_->DialogStyleModern() ? (wide ? "Modern_Setup.bmp" : "Modern_Icon.bmp")
                                                         : "Classic_Setup.bmp");
  auto prefer = [&](const std::string& name) {
    if (!name.empty() && FileExists(dir + ExtractFileName(name))) file = dir + ExtractFileName(name);
  };
  prefer(script_->DialogBitmapFileName());
  for (const auto& entry : script_->DialogImages())
    if (EqualTextNoCase(Trim(TextBefore(entry, "=")), info->picture)) prefer(Trim(TextAfter(entry, "=")));
  if (EqualTextNoCase(file, lastPicture_) && !picture->Empty()) return;
  if (picture->LoadFromFile(file)) {
    lastPicture_ = file;
  } else {
    fputs((file + " --- Image Load Error!\n").c_str(), stdout);
  }
}

void TSDialogForm::ApplyLayout(const TPageInfo* info) {
  const int w = ClientWidth();
  if (!script_->DialogStyleModern()) {
    productLabel->Show();
    headerLabel->Hide();
    upperBevel_->Hide();
    picturePanel->SetBounds(6, 6, w - 374 - 12, 275);
    picture->SetBounds(0, 0, picturePanel->ClientWidth(), picturePanel->ClientHeight());
    contentPanel->SetBounds(w - 374, 6, 370, 275);
    return;
  }
  lowerBevel_->SetBounds(-1, lowerBevel_->Top(), w + 2, 2);
  upperBevel_->SetBounds(-1, 58, w + 2, 2);
  const bool imageLeft = EqualTextNoCase(info->name, "WelcomeDlg") || EqualTextNoCase(info->name, "CompleteDlg");
  const int pw = picture->PictureWidth(), ph = picture->PictureHeight();
  if (imageLeft) {
    productLabel->Hide();
    headerLabel->Hide();
    upperBevel_->Hide();
    const int width = IntMax(120, IntMin(160, pw + 1));
    picturePanel->SetColor(SysColor(COLOR_BTNFACE));
    picturePanel->SetBounds(0, 0, width, 307);
    picture->SetBounds(IntMax(0, (width - pw) / 2), IntMax(0, (307 - ph) / 2), pw, ph);
    contentPanel->SetBounds(width, 0, w - width, 307);
    contentPanel->SetColor(0xFFFFFF);
  } else {
    productLabel->Show();
    headerLabel->Show();
    headerLabel->BringToFront();
    upperBevel_->Show();
    picturePanel->SetColor(0xFFFFFF);
    picturePanel->SetBounds(0, 0, w, 58);
    const int top = IntMax(0, (58 - ph) / 2);
    picture->SetBounds(w - top - pw, top, pw, ph);
    contentPanel->SetBounds(50, 60, w - 100, lowerBevel_->Top() - 6 - 60);
    contentPanel->SetColor(SysColor(COLOR_BTNFACE));
  }
  pages->SetBounds(-4, -4, contentPanel->Width() + 8, contentPanel->Height() + 28);
}

void TSDialogForm::ShowPage(const std::string& name) {
  const TPageInfo* info = FindPage(name);
  if (!info) return;
  if (info->tab) {
    LoadPagePicture(info);
    ApplyLayout(info);
    const std::string caption = GetLangText(info->section, "Caption", info->tab);
    SetCaption(caption);
    headerLabel->SetCaption(caption);
    AddSetupLogLine("Show Screen: " + Caption());
    // Rich labels take the background of the layout.
    for (TControl* c : SheetFor(info)->Controls())
      if (TRichEdit* label = dynamic_cast<TRichEdit*>(c))
        if (!label->Border()) label->SetColor(contentPanel->Color());
    pages->SetActivePage(SheetFor(info));
  }
  ShowPageExtras(info->name);
}

// What a page does each time it is shown.
void TSDialogForm::ShowPageExtras(const std::string& n) {
  const TScript& s = *script_;
  if (n == "UserInformationDlg") {
    SetButtons();
    if (nameEdit->Visible() && nameEdit->Text().empty()) {
      nameEdit->SetFocus();
    } else if (companyEdit->Visible() && companyEdit->Text().empty()) {
      companyEdit->SetFocus();
    }
    return;
  }
  if (n == "DestinationDlg") {
    // The script's folder (tokens may have changed) until the user edits it; a preset one wins.
    fillingFolder_ = true;
    if (!GetPresetAppFolder().empty()) {
      folderEdit->SetText(GetPresetAppFolder());
    } else if (!folderEdited_) {
      folderEdit->SetText(ExpandFolderTokens(s.TargetDir(), "\\"));
    }
    fillingFolder_ = false;
    RefreshSpaceLabels();
  } else if (n == "CustomDlg") {
    SetButtons();
    if (componentList->Count() > 0) {
      componentList->SetItemIndex(0);
      if (componentList->OnSelect) componentList->OnSelect(componentList);
    }
    componentList->SetFocus();
    return;
  } else if (n == "ShortcutsDlg") {
    HideUnnamedShortcuts();
  } else if (n == "ConfirmSetupDlg") {
    summaryMemo->SetText(SummaryText());
    SetButtons();
    statusLabel->SetCaption(Lang("Confirm", "s2"));
    return;
  } else if (n == "CompleteDlg") {
    completeShown_ = true;
    std::string text = GetLangText("Complete", "s0", "Setup has finished copying files to your computer.");
    if (s.ProposeLaunch()) text += "<p><p>" + GetLangText("Complete", "s1", "");
    if (restartOffered_) {
      restartGroup->SetTop(launchCheckBox->Top() - 10);
      restartGroup->Show();
      readmeCheckBox->SetTop(restartGroup->Top() - 30);
      launchCheckBox->Hide();
      restartNowButton->SetChecked(true);
      restartLaterButton->SetChecked(false);
      text = GetLangText("Complete", "s0", "Setup has finished copying files to your computer.") + "<p><p>" +
             GetLangText("Complete", "s2", "");
      if (GetLangCharset() == 177) text += '\xFE';
    }
    SetRich(completeText, text + "<p><p>" + GetLangText("Complete", "s7", ""));
    cancelButton->Hide();
    SetExitConfirmed(true);
  }
  SetButtons();
  if (n == "CopyFilesDlg" || n == "CopyFilesDlgHide") copyTimer_->SetEnabled(true);
}

void TSDialogForm::SetButtons() {
  const std::string cur = script_->CurrentDialog();
  const bool copyPage = EqualTextNoCase(cur, "CopyFilesDlg") || EqualTextNoCase(cur, "CopyFilesDlgHide");
  backButton->SetEnabled(script_->DialogIndex() > 0 && !copyPage && !EqualTextNoCase(cur, "CompleteDlg"));
  const bool licenseOpen = !SamePage(cur, "LicenseDlg") || licenseYes->Checked();
  nextButton->SetEnabled(!copyPage && !copying_ && licenseOpen);
  backButton->SetCaption(GetLangText("Buttons", "Back", "< &Back"));
  nextButton->SetCaption(SamePage(cur, "CompleteDlg") ? GetLangText("Buttons", "Finish", "&Finish")
                                                      : GetLangText("Buttons", "Next", "&Next >"));
  cancelButton->SetCaption(GetLangText("Buttons", "Cancel", "&Cancel"));
  statusLabel->SetCaption(std::string());
}

bool TSDialogForm::SkipCustom(const std::string& name) const {
  return SamePage(name, "CustomDlg") && setupType_ != TSetupType::Custom;
}

void TSDialogForm::NextButtonClick() {
  if (!nextButton->Enabled()) return;
  if (pages->ActivePage() == SheetFor(FindPage("UserInformationDlg"))) RebuildComponentList();
  if (!ValidateUserPage()) return;
  bool exitRequest = false;
  if (const int stage = LeaveStage(script_->CurrentDialog())) PerformExecuteOps(stage, exitRequest);
  if (exitRequest) return CloseWithoutAsking();
  script_->NextDialog();
  if (SkipCustom(script_->CurrentDialog())) script_->NextDialog();
  const std::string entering = script_->CurrentDialog();
  if (const int stage = EnterStage(entering)) PerformExecuteOps(stage, exitRequest);
  if (exitRequest) return CloseWithoutAsking();
  if (FindPage(entering)) {
    ShowPage(entering);
  } else {
    FinishActions();
  }
}

void TSDialogForm::BackButtonClick() {
  if (!backButton->Enabled()) return;
  const int from = script_->DialogIndex();
  script_->PreviousDialog();
  if (SkipCustom(script_->CurrentDialog())) script_->PreviousDialog();
  const std::string entering = script_->CurrentDialog();
  if (script_->DialogIndex() < 0 || !FindPage(entering)) {
    // Nothing to go back to: the cursor stays on the page shown.
    script_->SetDialogIndex(from);
    return;
  }
  bool exitRequest = false;
  if (const int stage = EnterStage(entering)) PerformExecuteOps(stage, exitRequest);
  if (exitRequest) return CloseWithoutAsking();
  ShowPage(entering);
}

void TSDialogForm::FinishActions() {
  nextButton->SetEnabled(false);
  WaitProcessingMessages(10);
  if (FinishRun()) {
    const TScript& s = *script_;
    if (!s.ReadmeFileName2().empty() && readmeCheckBox->Checked()) {
      // The package's copy may have been moved into the target folder by the run.
      std::string file = GetExeDir(true) + ExtractFileName(s.ReadmeFileName2());
      if (!FileExists(file)) file = GetAppFolder(true) + ExtractFileName(s.ReadmeFileName2());
      if (s.UseNotepad()) {
        ShellExecuteFile(file, "", SW_SHOW);
      } else {
        ShowReadmeWindow(this, GetLangText("Readme", "Caption", "Readme"), file, 0xEEFFFF);
      }
    }
    if (restartOffered_ && restartNowButton->Checked()) {
      if (g_restartRequester) {
        g_restartRequester();
      } else {
        RequestRestart();
      }
    } else if (launchCheckBox->Checked()) {
      SetLaunchProgram(ExpandTokens(s.ProgExeName()));
      SetLaunchWorkFolder(ExpandTokens(s.StartProgramLinkWorkDir()));
    }
  }
  SetExitConfirmed(true);
  Close();
}

// Stage Setup End once the wizard is through; false when it asks to end without the rest.
bool TSDialogForm::FinishRun() {
  finished_ = true;
  AddSetupLogLine("Execute After Dialogs");
  bool exitRequest = false;
  PerformExecuteOps(esSetupEnd, exitRequest);
  return !exitRequest;
}

bool TSDialogForm::PerformExecuteOps(int stage, bool& exitRequest) {
  exitRequest = false;
  const char mark = char(stage + 33);
  if (doneStages_.find(mark) != std::string::npos) return true;
  if (stage >= 1 && stage <= 6) doneStages_ += mark;
  SetDefaultRequiredSpace(1, ComputedSpaceKB());
  // The items see the folders as the wizard holds them now.
  SyncInstallFolders();
  RunStageItems(*script_, plugins_, stage, exitRequest);
  if (IsRunTimeDirAbort()) exitRequest = true;
  return true;
}

// ---------------------------------------------------------------- closing

void TSDialogForm::CloseWithoutAsking() {
  SetExitConfirmed(true);
  if (busy_) {
    // The run stops at its next file and the stop timer closes the wizard after it.
    SetCancelRequested(true);
    stopTimer_->SetEnabled(true);
    return;
  }
  Close();
}

bool TSDialogForm::DoCloseQuery() {
  if (!TForm::DoCloseQuery()) return false;
  const bool may = ConfirmExit(this);
  SetCancelRequested(may);
  if (may && busy_) {
    // Closed once the run has come to a stop.
    stopTimer_->SetEnabled(true);
    return false;
  }
  return may;
}

void TSDialogForm::StopTimerTimer() {
  stopTimer_->SetEnabled(false);
  if (g_wizardClosed) return;
  if (busy_) {
    stopTimer_->SetEnabled(true);
    return;
  }
  Close();
}

void TSDialogForm::DoClose(CloseAction& action) {
  TForm::DoClose(action);
  if (action == CloseAction::None) return;
  // Closed from the Complete page without Finish: the setup has still ended.
  if (completeShown_ && !finished_) FinishRun();
  copyTimer_->SetEnabled(false);
  stopTimer_->SetEnabled(false);
  spaceTimer_->SetEnabled(false);
  if (callbacksSet_) SetEngineCallbacks(nullptr, nullptr);
  callbacksSet_ = false;
  g_wizardClosed = true;
  if (g_setupLog) g_setupLog->Flush();
  if (IsDeveloperMode()) {
    const std::string key = "HKEY_CURRENT_USER\\Software\\Drennick\\Kelvane";
    if (ReadRegValue(key, "CopyAllSetupFilesFromTempDir", "0") == "1") {
      DeleteRegValue(key, "CopyAllSetupFilesFromTempDir");
      CopySetupFolder();
    }
  }
  if (closeWith) {
    TForm* other = closeWith;
    closeWith = nullptr;
    other->Close();
  }
}

// Developer aid: keeps the files of a setup that runs from a temporary SETUP_ folder.
void TSDialogForm::CopySetupFolder() {
  const std::string folder = GetExeDir(false);
  if (folder.find("SETUP_") == std::string::npos) {
    fputs(("\n" + folder + "\nNot a SETUP_NNNNN directory!\n").c_str(), stdout);
    return;
  }
  const std::string dest = folder + "_XXX";
  ForceDirectories(dest);
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      CopyFileA((folder + "\\" + fd.cFileName).c_str(), (dest + "\\" + fd.cFileName).c_str(), FALSE);
      fputs((std::string(fd.cFileName) + "\n").c_str(), stdout);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  fputs(("TargetDir = " + dest + "\n").c_str(), stdout);
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
  // A destination that the system's calls (and the uninstaller) cannot reach is refused
  // before anything is written.
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
    SetInstallFolders(app, GetCommonFolder(false), GetAuxFolder(false));
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
    if (!g_wizardClosed) Close();
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

bool TSDialogForm::CopySelectedGroups() {
  copying_ = true;
  bool stopped = false;
  const std::string selection = GroupSelection();
  const std::string source = GetExeDir(false);
  auto& groups = script_->Groups();
  for (size_t g = 0; g < groups.size() && !stopped; ++g) {
    if (selection[g] != '1') continue;
    for (const std::string& item : groups[g].items) {
      // An open exit question holds the copy until it is answered.
      while (ExitBoxOpen() && !IsCancelRequested()) WaitProcessingMessages(50);
      if (IsCancelRequested() || IsRunTimeDirAbort() || g_wizardClosed) {
        stopped = true;
        break;
      }
      const TCopyItem c = ParseCopyItem(item);
      const int mode = c.overwrite > 0 ? c.overwrite : script_->GlobalOverwriteFlag();
      if (CopyGroupDirectory(source, c.subFolder, mode, c.fileList) < 0) {
        stopped = true;
        break;
      }
    }
  }
  progressBar1->SetPosition(filesStepped_);
  copying_ = false;
  return !stopped;
}

int TSDialogForm::CopyGroupDirectory(const std::string& sourceFolder, const std::string& subFolder, int mode,
                                     const std::string& fileList) {
  if (subFolder.empty()) return 0;
  std::string sub = subFolder;
  char prefix = 0;
  if (sub.size() >= 2 && sub[0] == '*') {
    prefix = sub[1];
    sub.erase(0, 2);
  }
  const std::string folder = SetTrailingBackslash(ExpandTokens(sub, "\\"), false);
  if (!CreateInstallFolder(folder, true, prefix)) {
    FailBox(FormatText(GetLangText("Messages", "s2", "Unable to create directory:<p>%s<p><p>Setup will now close.<p>"
                                                     "Correct the problem and run Setup once again!"),
                       folder));
    CloseWithoutAsking();
    return -1;
  }
  bool noUninstall = false;
  const int count = CopyFileList(sourceFolder, folder, noUninstall, mode, fileList);
  // A failed list ends its group like any other: what it copied stays removable.
  if (noUninstall) AddUninstallLine("AVOID_ERR_REMOVE_DIR(" + folder + ")");
  AddUninstallLine(std::string(), true);
  return count;
}

int TSDialogForm::CopyFileList(const std::string& sourceFolder, const std::string& destFolder, bool& noUninstallSeen,
                               int mode, const std::string& fileList) {
  const std::string list = Trim(fileList);
  if (list.empty() || list == "*") return 0;
  int count = -1;
  AddSetupLogLine(std::string());
  AddSetupLogLine("Start Copy Directory");
  AddSetupLogLine("  (" + destFolder + ")");
  const std::string items = "|" + list + "|";
  const int n = ListItemCount(items);
  const std::string src = SetTrailingBackslash(sourceFolder, true), dst = SetTrailingBackslash(destFolder, true);
  struct Listing {
    TSDialogForm* form;
    ~Listing() { form->ListCopyFolders(std::string(), std::string()); }
  } listing{this};
  ListCopyFolders(sourceFolder, destFolder);
  for (int i = 0; i < n; ++i) {
    if (IsCancelRequested() || g_wizardClosed) break;
    ++filesStepped_;
    uint32_t flags = 0;
    std::string name;
    ParseFileEntry(Trim(GetListItem(items, i)), flags, name);
    if (name.empty()) continue;
    if (FileFlagNoUninstall(flags)) noUninstallSeen = true;
    if (FileFlagExcludesThisOS(flags)) continue;
    bool delayed = false;
    // A failed file stops the list and, with it, the install.
    if (!CopyOneFile(src + name, dst + name, delayed, false, false, true, false, flags, mode)) return -1;
    count = count < 0 ? 1 : count + 1;
  }
  // Files left out for this Windows are no failure.
  return count < 0 ? 0 : count;
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
  bool found = SourcePresent(source);
  if (found) {
    keepSource = keepSource || stillNeeded;
  } else {
    if (SetupTypeName() == "Partial" && FileFlagSkipPartial(flags)) return true;
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
  const HANDLE fresh = (unpacked || SourcePresent(dest)) ? INVALID_HANDLE_VALUE : CreateExactly(dest);
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
  TScript& s = *script_;
  std::vector<TPlannedCopy> out;
  auto folder = [&](const std::string& path, char keep) {
    TPlannedCopy c;
    c.dest = path;
    c.keep = keep;
    out.push_back(c);
  };
  auto file = [&](const std::string& source, const std::string& dest, uint32_t flags, bool optional) {
    TPlannedCopy c;
    c.source = source;
    c.dest = dest;
    c.flags = flags;
    c.optional = optional;
    out.push_back(c);
  };
  const std::string setup = GetExeDir(true), app = GetAppFolder(false), target = GetAppFolder(true);
  folder(app, 0);
  if (s.UsesCommonFolder()) folder(GetCommonFolder(false), 0);
  if (s.UsesAuxiliaryFolder()) folder(GetAuxFolder(false), 0);
  // The registration's files, as the header and the registration copy them.
  if (s.CreateUninstall() && !s.ProgName().empty()) {
    file(setup + "UnInstall.exe", UninstallerPathFor(UninstallScriptPathFor(app, s.ProgStamp())), 0, false);
    std::vector<std::string> services = ListNames(s.DeliveryFiles());
    if (!s.ExecutionDllName().empty()) services.insert(services.begin(), s.ExecutionDllName());
    for (const std::string& name : services) file(setup + ExtractFileName(name), target + ExtractFileName(name), 0, false);
  }
  for (const std::string& name : {s.OriginalInfoFileName(), s.AutoUpdateExeFileName()})
    if (!name.empty() && FileExists(setup + ExtractFileName(name)))
      file(setup + ExtractFileName(name), target + ExtractFileName(name), 0, true);
  const std::string selection = GroupSelection();
  const bool partial = SetupTypeName() == "Partial";
  for (size_t g = 0; g < s.Groups().size(); ++g) {
    if (selection[g] != '1') continue;
    for (const std::string& item : s.Groups()[g].items) {
      const TCopyItem c = ParseCopyItem(item);
      if (c.subFolder.empty()) continue;
      std::string sub = c.subFolder;
      char keep = 0;
      if (sub.size() >= 2 && sub[0] == '*') {
        keep = sub[1];
        sub.erase(0, 2);
      }
      // A run-time folder is looked for once, when the run first needs it.
      if (!runTimeDirs && LowerCase(sub).find("<runtimedir_") != std::string::npos) continue;
      const std::string dest = SetTrailingBackslash(ExpandTokens(sub, "\\"), false);
      folder(dest, keep);
      const std::string list = Trim(c.fileList);
      if (list.empty() || list == "*") continue;
      for (const std::string& entry : ListNames(list)) {
        uint32_t flags = 0;
        std::string name;
        ParseFileEntry(entry, flags, name);
        if (name.empty() || FileFlagExcludesThisOS(flags)) continue;
        file(setup + name, StripFileNumberPrefix(SetTrailingBackslash(dest, true) + name), flags,
             partial && FileFlagSkipPartial(flags));
      }
    }
  }
  return out;
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
    if (!unpackInto_.empty() && !SourcePresent(unpackInto_)) {
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

bool TSDialogForm::SourcePresent(const std::string& path) const {
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
