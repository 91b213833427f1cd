#include "UnMain.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "UtilPlus.h"
#include "Utils.h"

// The script reader above the Win32 block also builds natively, for its fuzz target.
#ifdef _WIN32
#include <windows.h>

#include "AboutDlg.h"
#include "Common.h"
#include "Ctrls.h"
#include "ExecDll.h"
#include "ExecOp.h"
#include "Files.h"
#include "Grafics.h"
#include "KMsgBox.h"
#include "Process.h"
#include "RegSvr.h"
#include "RegOp.h"
#include "RegRestore.h"
#include "RichEd.h"
#include "RunJournal.h"
#include "RunTimeDir.h"
#include "U_DEBUG0.h"
#endif

namespace {

bool ListHasEqual(const TLines* list, const std::string& text) {
  if (!list) return false;
  for (const auto& entry : *list)
    if (EqualTextNoCase(entry, text)) return true;
  return false;
}

}  // namespace

#ifdef _WIN32
namespace {

bool g_completed = false;
TLines g_aboveOwnFolder;  // recorded folders that hold the uninstaller's own folder
std::string g_selfDeleteBatch;  // written at the end of a completed run, started at the end
std::string g_ownMovedTo;       // this program's file, moved out of the way by a recovery

const char* const kAtRestart = " will be removed at the next restart";

const char* const kLogFileName = "UnInstall.log";
const char* const kAboutLinkText = "About Kelvane";
const TColor kBlue = 0xFF0000;  // red in the low byte
const TColor kNavy = 0x800000;

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
  return !prefix.empty() && text.size() >= prefix.size() && EqualTextNoCase(text.substr(0, prefix.size()), prefix);
}

bool ListHasPrefixOf(const TLines* list, const std::string& text) {
  if (!list) return false;
  for (const auto& entry : *list)
    if (StartsWithNoCase(text, entry)) return true;
  return false;
}

std::string OwnFolder() { return GetExeDir(false); }


}  // namespace
#endif

// ---- the uninstall script

TLines SplitScriptLines(const std::string& text) {
  TLines lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string ScriptValue(const TLines& lines, const std::string& key) {
  for (const auto& raw : lines) {
    const size_t eq = raw.find('=');
    if (eq == std::string::npos) continue;
    if (EqualTextNoCase(Trim(raw.substr(0, eq)), key)) return raw.substr(eq + 1);
  }
  return std::string();
}

std::string ScriptQueryValue(const TLines& lines, const std::string& name) {
  if (EqualTextNoCase(name, "UserName")) return GetListItem(ScriptValue(lines, "UserData"), 0);
  if (EqualTextNoCase(name, "CompanyName")) return GetListItem(ScriptValue(lines, "UserData"), 1);
  if (EqualTextNoCase(name, "GroupNameString")) return ScriptValue(lines, "GroupNames");
  if (EqualTextNoCase(name, "SetupType")) return ScriptValue(lines, "SetupType");
  return std::string();
}

namespace {

// The keywords of the script lines, in the order a line is tested: the first one a line
// begins with decides.
const char* const kKeywords[] = {
    "SET_EXECUTION_DLL_NAME", "UN_REG_OCX_FILE", "UN_REG_FONT_FILE", "REMOVE_SHARED_FILE", "REMOVE_READONLY_FILE",
    "REMOVE_FILE", "REMOVE_SERVICE_FILE", "REMOVE_DIR", "FORCE_REMOVE_DIR", "DONT_REMOVE_DIR", "DONT_REMOVE_JUST_DIR",
    "AVOID_ERR_REMOVE_DIR", "REMOVE_FOLDER", "FORCE_REMOVE_FOLDER", "REMOVE_REG_KEY", "SET_PERFORM_REGISTRY_OP",
    "SET_PERFORM_INIFILE_OP", "SET_PERFORM_ENVIRONMENT_OP", "SET_ADD_ASSOCIATION_ITEM", "SET_ADD_OPEN_WITH_ITEM",
    "SET_PERFORM_EXECUTE_OP",
};
const size_t kKeywordCount = sizeof kKeywords / sizeof *kKeywords;

// Index of the keyword a trimmed line begins with; -1 when none.
int KeywordOf(const std::string& line) {
  for (size_t i = 0; i < kKeywordCount; ++i)
    if (line.compare(0, strlen(kKeywords[i]), kKeywords[i]) == 0) return int(i);
  return -1;
}

// The header keys the writer puts down, each with its "=".
const char* const kHeaderKeys[] = {
    "SetupType=", "GroupNames=", "UserData=", "Version=", "ComposerVersion=", "PROG_NAME=", "COMPANY_URL=",
    "CHAR_SET=", "GET_DIALOG_BITMAP_3D_FRAME=", "GET_AUTO_UPDATE_EXE_FILE_NAME=", "GET_PROG_EXE_NAME=",
    "IS_RUNNING_TEST=", "IS_RUNNING_CAPTION=", "IS_RUNNING_TEXT=", "CONFIRM_CAPTION=", "CONFIRM_TEXT=",
    "BTN_TEXT=", "BUTTON_CLOSE=", "BUTTON_LOG=", "S1=", "S2=", "GET_TEST_ADMIN_RIGHTS_UNINSTALL=", "LABEL1=",
    "LABEL2=", "LABEL3=", "LABEL4=", "LABEL5=", "LABEL6=", "RunTimeDir_1=", "RunTimeDir_2=", "RunTimeDir_3=",
    "TargetDir=", "SharedDir=", "AuxiliaryDir=",
};

// A trimmed line that stops short of what it began: a keyword line without the ")" that
// closes its argument or with something other than ";" right after it, or the start of a
// keyword or of a header key before its "=". A comment may follow the ";".
bool IsCutLine(const std::string& line) {
  if (line.empty()) return false;
  if (KeywordOf(line) >= 0) {
    const size_t open = line.find('('), close = line.rfind(')');
    return open == std::string::npos || close == std::string::npos || close < open ||
           (close + 1 < line.size() && line[close + 1] != ';');
  }
  if (line.find('=') != std::string::npos) return false;
  for (const char* keyword : kKeywords)
    if (strncmp(keyword, line.c_str(), line.size()) == 0) return true;
  for (const char* key : kHeaderKeys)
    if (line.size() < strlen(key) && EqualTextNoCase(line, std::string(key, line.size()))) return true;
  return false;
}

}  // namespace

bool IsDamagedScript(const std::string& text) {
  const TLines lines = SplitScriptLines(text);
  if (std::none_of(lines.begin(), lines.end(), [](const std::string& l) { return KeywordOf(Trim(l)) >= 0; }))
    return true;
  // The writer ends every line with a line break. A last line without one is whole unless
  // it stops short: a header line, a closed keyword line or a line the reader passes over
  // may stand without it.
  if (text.back() == '\r' || text.back() == '\n') return false;
  return IsCutLine(Trim(lines.back()));
}

void ParseUninstallScript(const TLines& lines, TUninstallLists& l,
                          const std::function<void(const std::string& dllName)>& loadDll) {
  // The list of each keyword, in the keywords' order; the plug-in line has none.
  TLines* const lists[] = {
      nullptr,      &l.ocxFiles,   &l.fontFiles, &l.sharedFiles, &l.readOnlyFiles, &l.files,       &l.serviceFiles,
      &l.dirs,      &l.forcedDirs, &l.keepBelow, &l.keepExactly, &l.avoidErr,      &l.folders,     &l.forcedFolders,
      &l.regKeys,   &l.regOps,     &l.iniOps,    &l.envOps,      &l.associations,  &l.openWith,    &l.executeItems,
  };
  static_assert(sizeof lists / sizeof *lists == kKeywordCount, "one list per keyword");
  for (const auto& raw : lines) {
    const std::string line = Trim(raw);
    const int keyword = KeywordOf(line);
    if (keyword < 0) continue;
    std::string arg;
    const size_t open = line.find('(');
    const size_t close = line.rfind(')');
    if (open != std::string::npos && close != std::string::npos && close > open)
      arg = line.substr(open + 1, close - open - 1);
    if (lists[keyword]) {
      lists[keyword]->push_back(arg);
    } else {
      l.dllName = arg;
      if (loadDll) loadDll(arg);
    }
  }
  // A folder removed with its contents needs no removal when empty as well.
  l.dirs.erase(std::remove_if(l.dirs.begin(), l.dirs.end(),
                              [&](const std::string& d) { return ListHasEqual(&l.forcedDirs, d); }),
               l.dirs.end());
}

std::string IntToStrZeroPad(int number, int width) {
  std::string text = std::to_string(number);
  if (int(text.size()) < width) text.insert(0, size_t(width) - text.size(), '0');
  return text;
}

TLines LengthOrder(const TLines& list) {
  size_t longest = 0;
  for (const auto& e : list) longest = std::max(longest, e.size());
  const int width = std::max(4, int(std::to_string(longest).size()));
  std::vector<std::pair<std::string, std::string>> keyed;
  for (const auto& e : list) keyed.push_back({IntToStrZeroPad(int(e.size()), width) + LowerCase(e), e});
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  TLines out;
  for (auto it = keyed.rbegin(); it != keyed.rend(); ++it) out.push_back(it->second);
  return out;
}

// ---- accounts and texts

std::string SummaryText(const TFailureCounts& c) {
  std::vector<std::string> groups;
  std::string g;
  if (c.registry > 0) g += "UnInstall was unable to handle one or more Registry keys\\\\n";
  if (c.ini > 0) g += "UnInstall was unable to handle one or more IniFile entries\\\\n";
  if (c.association > 0) g += "UnInstall was unable to handle one or more File Association entries\\\\n";
  if (!g.empty()) groups.push_back(g + "\\\\nTo complete the UnInstall operation, Please handle them manually.");
  g.clear();
  if (c.directories > 0) g += "UnInstall was unable to remove one or more Directories\\\\n";
  if (c.files > 0) g += "UnInstall was unable to remove one or more Files\\\\n";
  if (!g.empty()) groups.push_back(g + "\\\\nTo complete the UnInstall operation, Please remove them manually.");
  if (c.operations > 0)
    groups.push_back(
        "UnInstall was unable to execute one or more operations\\\\n"
        "\\\\nTo complete the UnInstall operation, Please perform them manually.");
  std::string text;
  for (const auto& part : groups) text += (text.empty() ? "" : "\\\\n\\\\n") + part;
  return text;
}

std::string FailureHeadline(const TFailureCounts& counts) {
  const std::string text = SummaryText(counts);
  return text.substr(0, text.find("\\\\n"));
}

std::string ConfirmationText(const std::string& text, const std::string& progName) {
  std::string t = text;
  if (t.find("PROG_NAME") == std::string::npos) t += " <b>" + progName + "?</b>";
  return ReplaceAll(t, "PROG_NAME", progName);
}

#ifdef _WIN32
std::string LoadScriptText(const std::string& path) {
  const std::string text = LoadFileToString(path);
  return IsScrambledText(text) ? ScrambleText(text, 0) : text;
}

TLines LoadScriptLines(const std::string& path) { return SplitScriptLines(LoadScriptText(path)); }

std::string ReadScriptValue(const std::string& scriptPath, const std::string& key) {
  static bool loaded = false;
  static TLines lines;
  if (!loaded) {
    loaded = true;
    if (FileExists(scriptPath)) lines = LoadScriptLines(scriptPath);
  }
  return ScriptValue(lines, key);
}

std::string ButtonCaptions(const std::string& btnText) {
  // A list short of the seven captions would leave buttons blank.
  return ListItemCount(btnText) >= 7 ? btnText : std::string(kDefaultBtnText);
}

// ---- own small operations

bool IsTestMode() {
  static int state = -1;  // not yet known
  if (state < 0) state = FileExists("C:\\Setup.tst") ? 1 : 0;
  return state == 1;
}

bool IsSystemFolder(const std::string& folder) {
  const std::string f = SetTrailingBackslash(folder, false);
  const std::string system[] = {GetTempDir(false),   GetFontsDir(),         GetSystemDir(false),
                                GetWindowsDir(false), GetProgramFilesDir(), GetCommonFilesDir()};
  for (const auto& s : system)
    if (!s.empty() && EqualTextNoCase(f, SetTrailingBackslash(s, false))) return true;
  return false;
}

namespace {
DWORD FindProcessByPath(const std::string& path, bool exactOnly) {
  return IsWinNT() ? FindProcessNT(path, exactOnly) : FindProcess9x(path, exactOnly);
}
}  // namespace

bool KillProcessByPath(const std::string& path, bool exactOnly) {
  const DWORD id = FindProcessByPath(path, exactOnly);
  if (id == 0) return false;
  HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id);
  if (!process) return false;
  const bool done = TerminateProcess(process, 0) != 0;
  CloseHandle(process);
  return done;
}

namespace {

// A path as literal text of a batch line: the command interpreter expands "%" even between
// quotes, so it is doubled.
std::string BatchLiteral(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '%') out += '%';
    out += c;
  }
  return out;
}

}  // namespace

std::string SelfDeleteBatchText(const std::string& programPath, const std::string& folderPath,
                                const std::string& batchPath, bool removeFolder, const std::string& q,
                                const TLines& parents) {
  const std::string program = BatchLiteral(programPath), folder = BatchLiteral(folderPath),
                    batch = BatchLiteral(batchPath);
  // DEL sets no error level, so the loop asks whether the file is still there, and gives
  // up after about two minutes; PING is the one pause every Windows has. "!" stays a plain
  // character even where delayed expansion is switched on for every command interpreter.
  std::string t;
  t += "@ECHO OFF\r\n";
  t += "SETLOCAL DISABLEDELAYEDEXPANSION\r\n";
  t += "SET KV_TRIES=0\r\n";
  t += ":START\r\n";
  t += "DEL " + q + program + q + " >NUL 2>NUL\r\n";
  t += "IF NOT EXIST " + q + program + q + " GOTO GONE\r\n";
  t += "SET /A KV_TRIES=KV_TRIES+1\r\n";
  t += "IF %KV_TRIES% GEQ 120 GOTO GONE\r\n";
  t += "PING -n 2 127.0.0.1 >NUL 2>NUL\r\n";
  t += "GOTO START\r\n";
  t += ":GONE\r\n";
  if (removeFolder) {
    t += "RD " + q + folder + q + " >NUL 2>NUL\r\n";
    for (const std::string& parent : parents) t += "RD " + q + BatchLiteral(parent) + q + " >NUL 2>NUL\r\n";
  }
  t += "DEL " + q + batch + q + " >NUL 2>NUL\r\n";
  return t;
}

std::string NewSelfDeleteBatch() {
  const std::string temp = GetTempDir(true);
  char id[16];
  snprintf(id, sizeof id, "%lX", GetCurrentProcessId());
  for (int n = 0; n < 100; ++n) {
    const std::string path = temp + "_DEL_ME_" + id + (n ? "_" + std::to_string(n) : std::string()) + ".BAT";
    // Made only when the name is free: another uninstaller's batch is never overwritten.
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) continue;
      return std::string();
    }
    DWORD put = 0;
    const bool ok = WriteFile(h, "ABC\r\n", 5, &put, nullptr) && put == 5;
    CloseHandle(h);
    if (ok) return path;
    DeleteFileA(path.c_str());
    return std::string();
  }
  return std::string();
}

namespace {

// Recorded folders above the own folder, the deepest first: they go after it.
TLines FoldersAboveOwnFolder() {
  TLines parents = g_aboveOwnFolder;
  std::sort(parents.begin(), parents.end(), [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  return parents;
}

}  // namespace

std::string WriteSelfDeleteBatch(bool removeFolder, bool useShortNames) {
  std::string batch = NewSelfDeleteBatch();
  if (batch.empty()) return batch;
  std::string q = "\"";
  std::string program = GetExeFileName(), folder = GetExeDir(false);
  // A recovery put the earlier uninstaller back under this program's name, which is free to
  // delete now; the batch waits for this program under the name it runs from.
  if (!g_ownMovedTo.empty()) {
    SetFileAttributesA(program.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(program.c_str());
    program = g_ownMovedTo;
  }
  TLines parents = FoldersAboveOwnFolder();
  WriteDebugLine(std::string("UseShortNames=") + (useShortNames ? "TRUE" : "FALSE"));
  if (useShortNames) {
    q.clear();
    batch = ShortPath(batch);
    program = ShortPath(program);
    folder = ShortPath(folder);
    for (std::string& parent : parents) parent = ShortPath(parent);
  }
  if (!WriteFileContents(batch, SelfDeleteBatchText(program, folder, batch, removeFolder, q, parents), 0)) {
    DeleteFileA(batch.c_str());
    return std::string();
  }
  return batch;
}

bool StartSelfDeleteBatch(const std::string& batch) {
  // The batch runs in the temporary folder: a batch inside the folder it removes holds it.
  // Started by its bare name there, as the interpreter would read "%" in its folder's name.
  const std::string temp = GetTempDir(false);
  const bool inTemp = !temp.empty() && SetCurrentDirectoryA(temp.c_str());
  return WinExec((inTemp ? ".\\" + ExtractFileName(batch) : Quoted(batch)).c_str(), SW_HIDE) >= 32;
}

namespace {

// Whether a file is there, also when its path is too long for the plain calls to reach it.
bool FileStillThere(const std::string& path) {
  if (FileExists(path)) return true;
  // The long form of the path ("\\?\") has no length limit: a file the plain calls cannot
  // reach is there all the same.
  const std::wstring wide = WideText(path);
  if (wide.empty()) return false;
  const DWORD n = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return false;
  std::wstring full(n, L'\0');
  const DWORD m = GetFullPathNameW(wide.c_str(), n, &full[0], nullptr);
  if (m == 0 || m >= n) return false;
  full.resize(m);
  if (full.compare(0, 4, L"\\\\?\\") != 0)
    full = full.compare(0, 2, L"\\\\") == 0 ? L"\\\\?\\UNC" + full.substr(1) : L"\\\\?\\" + full;
  const DWORD attributes = GetFileAttributesW(full.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool CancelDelayedReplacement(const std::string& path) {
  const std::string xcopy = ExtractFilePath(path) + "X" + ExtractFileName(path);
  if (ExtractFileName(path).empty() || !FileExists(xcopy)) return false;
  bool cancelled = false;
  if (IsWinNT()) {
    cancelled = CancelPendingRename(xcopy, path, true);
  } else {
    const std::string wininit = GetWindowsDir(true) + "WININIT.INI", target = ShortPath(path);
    if (EqualTextNoCase(ReadIniValue(wininit, "Rename", target, ""), ShortPath(xcopy))) {
      WritePrivateProfileStringA("Rename", target.c_str(), nullptr, wininit.c_str());
      cancelled = true;
    }
  }
  // Only a copy that was waiting for its rename is ours to delete.
  if (cancelled) {
    SetFileAttributesA(xcopy.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(xcopy.c_str());
  }
  return cancelled;
}

std::vector<TRestartRemoval> RemoveSelfAtRestart(bool removeFolder) {
  // The program's own path in wide text, as the system keeps the pending deletions.
  std::wstring program(32768, L'\0');
  program.resize(GetModuleFileNameW(nullptr, &program[0], DWORD(program.size())));
  std::vector<TRestartRemoval> marks;
  auto mark = [&](const std::string& path, const std::wstring& wide, bool folder) {
    marks.push_back({path, folder, !wide.empty() && MoveFileExW(wide.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)});
  };
  // Deleted at the restart in this order: the program, then its folder (when empty by
  // then) and the folders above it.
  mark(GetExeFileName(), program, false);
  if (removeFolder) {
    mark(GetExeDir(false), program.substr(0, program.rfind(L'\\')), true);
    for (const std::string& parent : FoldersAboveOwnFolder()) mark(parent, WideText(parent), true);
  }
  return marks;
}

bool UninstallCompleted() { return g_completed; }

bool RemoveScriptRegKey(const std::string& path) {
  HKEY root;
  std::string key;
  SplitRegPath(path, root, key);
  // A root name alone ("HKEY_CURRENT_USER") has no key part either.
  if (UpperCase(key.substr(0, 5)) == "HKEY_" && key.find('\\') == std::string::npos) key.clear();
  int levels = 0;
  const std::string list = "\\" + key + "\\";
  for (int i = 0, n = ListItemCount(list); i < n; ++i)
    if (!Trim(GetListItem(list, i)).empty()) ++levels;
  if (levels == 0) return true;    // names no key: nothing to do
  if (levels < 2) return false;    // a whole branch such as Software is never ours
  const bool existed = RegKeyExists(path);
  if (!DeleteRegKey(path)) return false;
  if (existed) RemoveEmptyParentKeys(path);
  return true;
}

int RemoveEmptyParentKeys(const std::string& path) {
  HKEY root;
  std::string key;
  SplitRegPath(path, root, key);
  std::vector<std::string> parts;
  const std::string list = "\\" + key + "\\";
  for (int i = 0, n = ListItemCount(list); i < n; ++i)
    if (!Trim(GetListItem(list, i)).empty()) parts.push_back(Trim(GetListItem(list, i)));
  int removed = 0;
  // Only a product's own branch under Software is pruned: keys that Windows owns (App
  // Paths, Uninstall, the classes) stay even when they are empty, except the Add/Remove
  // Programs size cache, which an install makes when it is missing.
  static const char* const kSystemOwned[] = {"Microsoft", "Classes", "Wow6432Node", "Policies", "Wine"};
  static const char* const kMadeOnDemand[] = {"Software\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache",
                                              "Software\\Microsoft\\Windows\\CurrentVersion\\App Management"};
  if (parts.size() < 2 || !EqualTextNoCase(parts[0], "Software")) return 0;
  const std::string rootName = path.substr(0, path.find('\\'));
  bool systemOwned = false;
  for (const char* owned : kSystemOwned) systemOwned = systemOwned || EqualTextNoCase(parts[1], owned);
  // The key itself is gone; its parents follow while they hold nothing, down to the
  // second level (a first-level key such as Software always stays).
  for (size_t depth = parts.size() - (parts.empty() ? 0 : 1); depth >= 2; --depth) {
    std::string sub = parts[0];
    for (size_t i = 1; i < depth; ++i) sub += "\\" + parts[i];
    if (systemOwned && (root != HKEY_LOCAL_MACHINE || std::none_of(std::begin(kMadeOnDemand), std::end(kMadeOnDemand),
                                                                    [&](const char* k) { return EqualTextNoCase(sub, k); })))
      break;
    if (!DeleteEmptyRegKey(rootName + "\\" + sub)) break;
    ++removed;
  }
  return removed;
}

bool UndoRegistryOp(const std::string& item, bool install) {
  const std::string path = GetListItem(item, 0);
  const bool removesKey = !install && EqualTextNoCase(Trim(GetListItem(item, 4)), "Remove Key");
  const bool existed = removesKey && RegKeyExists(path);
  const bool ok = PerformRegistryOp(item, install);
  if (ok && existed) RemoveEmptyParentKeys(path);
  return ok;
}

TEntryResult RemoveFolderEntry(const std::string& folder, bool forced, const TFolderRules& rules) {
  const std::string f = SetTrailingBackslash(folder, false);
  const bool own = !rules.ownFolder.empty() && EqualTextNoCase(f, rules.ownFolder);
  if (forced) {
    if (own) return TEntryResult::Done;
    if (IsSystemFolder(f) || IsProtectedFolder(f) || !DirectoryExists(f)) return TEntryResult::Done;
    auto keep = [&](const std::string& path) { return ListHasEqual(rules.keepFiles, path); };
    DeleteTree(f, true, keep);
    if (!DirectoryExists(f)) return TEntryResult::Done;
    // Left standing for files that are still needed: finished at the very end.
    if (rules.keepFiles)
      for (const auto& kept : *rules.keepFiles)
        if (StartsWithNoCase(kept, f + "\\") && FileExists(kept)) return TEntryResult::Deferred;
    return TEntryResult::Failed;
  }
  for (const auto& keep : rules.keepBelow ? *rules.keepBelow : TLines())
    if (StartsWithNoCase(f, keep) || StartsWithNoCase(keep, f)) return TEntryResult::Skipped;
  if (ListHasEqual(rules.keepExactly, f)) return TEntryResult::Skipped;
  if (own) return TEntryResult::Done;
  // A folder holding the own folder can only go after the uninstaller has.
  if (!rules.ownFolder.empty() && StartsWithNoCase(rules.ownFolder, f + "\\") && DirectoryExists(f) &&
      !IsSystemFolder(f) && !IsProtectedFolder(f)) {
    if (rules.aboveOwnFolder) rules.aboveOwnFolder->push_back(f);
    return TEntryResult::Done;
  }
  if (!IsSystemFolder(f) && !IsProtectedFolder(f) && DirectoryExists(f)) RemoveDirectoryA(f.c_str());
  if (!DirectoryExists(f) || IsSystemFolder(f) || IsProtectedFolder(f)) return TEntryResult::Done;
  if (rules.avoidErr)
    for (const auto& tolerant : *rules.avoidErr)
      if (StartsWithNoCase(tolerant, f)) return TEntryResult::Done;
  return TEntryResult::Failed;
}

bool UndoIniFileOp(const std::string& item, bool install) {
  const bool removes = !install && EqualTextNoCase(Trim(GetListItem(item, 5)), "Remove");
  const std::string file = GetListItem(item, 0), section = GetListItem(item, 1);
  const bool existed = removes && FileExists(file);
  const bool ok = PerformIniFileOp(item, install);
  if (!ok || !removes) return ok;
  // A section the removal left empty goes, and so does a file left with nothing in it.
  char keys[4] = "";
  if (existed && GetPrivateProfileSectionA(section.c_str(), keys, sizeof keys, file.c_str()) == 0)
    WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, file.c_str());
  if (FileExists(file) && Trim(LoadFileToString(file)).empty()) DeleteFileA(file.c_str());
  return ok;
}

// ---- the removal window

namespace {

const char* const kStepDefaults[6] = {"Shared program files...", "Standard program files...", "Folder items...",
                                      "Program folders...",      "Program directories...",     "Program registry entries..."};

// A check mark on the window colour.
void DrawCheck(TImage* image) {
  image->SetPictureSize(13, 13);
  TCanvas& c = image->Canvas();
  c.brushColor = SysColor(COLOR_BTNFACE);
  const RECT all = {0, 0, 13, 13};
  c.FillRect(all);
  c.penColor = 0x008000;
  for (int d = 0; d < 2; ++d) {
    c.MoveTo(2, 6 + d);
    c.LineTo(5, 9 + d);
    c.LineTo(11, 3 + d);
  }
}

}  // namespace

TMainForm::TMainForm() : TForm("TMainForm", nullptr, FormBorder::Dialog) {
  SetCaption("UnInstall");
  SetClientSize(476, 344);
  SetCentered(true);
  Panel2 = new TPanel(this);
  Panel2->SetBounds(16, 16, 138, 262);
  Image0 = new TImage(Panel2);
  Image0->SetBounds(1, 1, 134, 258);
  RichEdit1 = new TRichEdit(this);
  RichEdit1->SetBounds(170, 16, 289, 66);
  RichEdit1->SetReadOnly(true);
  Panel1 = new TPanel(this);
  Panel1->SetBounds(170, 90, 257, 173);
  for (int i = 0; i < 6; ++i) {
    Images[i] = new TImage(Panel1);
    Images[i]->SetBounds(12, 14 + 26 * i, 13, 13);
    DrawCheck(Images[i]);
    Labels[i] = new TLabel(Panel1, kStepDefaults[i]);
    Labels[i]->SetBounds(34, 14 + 26 * i, 189, 16);  // clear of the mirrored images too
  }
  Memo1 = new TMemo(this, ScrollBars::Both);
  Memo1->SetBounds(170, 90, 289, 173);
  Memo1->SetReadOnly(true);
  Label7 = new TLabel(this, "UnInstall completed successfully !");
  Label7->SetBounds(170, 270, 289, 26);
  Label7->SetWordWrap(true);
  Label7->Hide();
  Bevel1 = new TBevel(this, BevelShape::TopLine);
  Bevel1->SetBounds(8, 296, 460, 2);
  Label21 = new TLabel(this, " Kelvane ");
  Label21->SetBounds(12, 289, 50, 14);
  Label21->SetEnabled(false);
  Label21->BringToFront();
  CompanyUrlLabel = new TLabel(this, kAboutLinkText);
  CompanyUrlLabel->SetBounds(16, 314, 200, 16);
  CompanyUrlLabel->SetCursor(IDC_HAND);
  CompanyUrlLabel->OnClick = [this](TControl*) { CompanyUrlLabelClick(); };
  LogButton = new TButton(this, "View &Log");
  LogButton->SetBounds(296, 309, 80, 25);
  LogButton->Hide();
  LogButton->OnClick = [this](TControl*) { LogButtonClick(); };
  CloseButton = new TButton(this, "&Close");
  CloseButton->SetBounds(384, 309, 80, 25);
  CloseButton->OnClick = [this](TControl*) { CloseButtonClick(); };
  StartupTimer = new TTimer(this, 1000);
  StartupTimer->SetEnabled(false);
  StartupTimer->OnTimer = [this](TTimer*) { StartupTimerTimer(); };
  OnCreate = [this](TForm*) { FormCreate(); };
}

TMainForm::~TMainForm() {
  SetEngineCallbacks(nullptr, nullptr);
  delete execDll_;
}

void TMainForm::FormCreate() {
  static TMainForm* self = nullptr;
  self = this;
  SetEngineCallbacks(nullptr, [](const std::string& name) {
    return self ? ScriptQueryValue(self->script_, name) : std::string();
  });
  failureLog_.clear();
  SetTahomaFont(Font());
  const std::string path = ChangeFileExt(GetExeFileName(), ".txt");
  script_ = LoadScriptLines(path);
  Panel1->SetBevel(PanelBevel::None);
  charset_ = StrToIntDef(ScriptValue(script_, "CHAR_SET"), 0);
  SetInstallFolders(ScriptValue(script_, "TargetDir"), ScriptValue(script_, "SharedDir"),
                    ScriptValue(script_, "AuxiliaryDir"));
  SetRunTimeDirs(ScriptValue(script_, "RunTimeDir_1"), ScriptValue(script_, "RunTimeDir_2"),
                 ScriptValue(script_, "RunTimeDir_3"));
  lists_ = TUninstallLists();
  execDll_ = new TExecDll(nullptr);
  for (auto* image : Images) image->Hide();
  Memo1->Clear();
  if (IsTestMode())
    Panel1->Hide();
  else
    Memo1->Hide();
  TFont bold = Label7->Font();
  bold.SetStyle(kBold);
  Label7->Font().Assign(bold);
  // The side picture: the product's colours from top to bottom.
  Image0->SetPictureSize(Image0->Width(), Image0->Height());
  FillVerticalGradient(Image0->Canvas(), kBlue, kNavy, Image0->Width(), Image0->Height());
}

void TMainForm::DoShow() {
  FormShow();
  TForm::DoShow();
}

void TMainForm::FormShow() {
  const std::string progName = ScriptValue(script_, "PROG_NAME");
  const std::string url = ScriptValue(script_, "COMPANY_URL");
  CompanyUrlLabel->SetCaption(url.empty() ? kAboutLinkText : url);
  CompanyUrlLabel->SetHint(CompanyUrlLabel->Caption());
  SetCaption("UnInstall - " + progName);
  if (IsRightToLeftCharset(charset_)) {
    SetRightToLeft(true);
    const int left = Panel1->ClientWidth() - (Images[0]->Left() + Images[0]->Width());
    for (auto* image : Images) image->SetLeft(left);
  }
  // Texts the script leaves empty keep their built-in wording.
  auto take = [&](TControl* control, const char* key) {
    const std::string text = ScriptValue(script_, key);
    if (!text.empty()) control->SetCaption(text);
  };
  const char* labelKeys[6] = {"LABEL1", "LABEL2", "LABEL3", "LABEL4", "LABEL5", "LABEL6"};
  for (int i = 0; i < 6; ++i) take(Labels[i], labelKeys[i]);
  take(Label7, "S2");
  take(CloseButton, "BUTTON_CLOSE");
  take(LogButton, "BUTTON_LOG");
  SetControlCharset(CloseButton, charset_);
  SetControlCharset(LogButton, charset_);
  MakeRightToLeftRichEdit(RichEdit1, charset_);
  RichEdit1->Font().SetCharset(charset_);
  SetRichLabelText(RichEdit1, ReplaceAll(ScriptValue(script_, "S1"), "PROG_NAME", progName));
  Panel2->SetSingleBorder(ScriptValue(script_, "GET_DIALOG_BITMAP_3D_FRAME") == "1");
  StartupTimer->SetEnabled(true);
  CloseButton->SetEnabled(false);
}

void TMainForm::StartupTimerTimer() {
  StartupTimer->SetEnabled(false);
  StartUninstall();
}

void TMainForm::CloseButtonClick() {
  if (g_completed)
    Close();
  else
    StartUninstall();
}

void TMainForm::LogButtonClick() {
  const std::string path = GetExeDir(true) + kLogFileName;
  WriteFileContents(path, failureLog_, 0);
  ExecAndWait("notepad.exe", Quoted(path), false, SW_SHOWNORMAL);
}

void TMainForm::CompanyUrlLabelClick() {
  const std::string text = CompanyUrlLabel->Caption();
  if (EqualTextNoCase(text, kAboutLinkText))
    ShowAboutBox(this, ScriptValue(script_, "PROG_NAME"), kBlue, kNavy);
  else
    ShellExecuteFile(text, std::string(), SW_SHOWDEFAULT);
}

void TMainForm::FormClose() {
  const std::string path = GetExeDir(true) + kLogFileName;
  if (FileExists(path)) DeleteFileA(path.c_str());
  lists_ = TUninstallLists();
  delete execDll_;
  execDll_ = nullptr;
}

bool TMainForm::DoCloseQuery() {
  // The run is not to be broken off half-way.
  if (running_) return false;
  return TForm::DoCloseQuery();
}

void TMainForm::DoClose(CloseAction& action) {
  TForm::DoClose(action);
  if (action != CloseAction::None) FormClose();
}

// ---- the removal run

void TMainForm::StartUninstall() {
  if (started_) return;
  started_ = true;
  running_ = true;
  ParseUninstallScript(script_, lists_, [this](const std::string& name) {
    LoadExecDll(*execDll_, GetExeDir(true) + name, true, false);
  });
  RunUninstall();
}

void TMainForm::Section(const std::string& header) {
  pendingTrace_.push_back(std::string());
  pendingTrace_.push_back(header + " ");
}

// Trace lines reach the memo in one go per step: a line at a time costs the memo a
// rebuild of its whole text.
void TMainForm::FlushTrace() {
  if (pendingTrace_.empty()) return;
  const size_t shown = Memo1->Text().size();
  std::string text;
  for (const auto& line : pendingTrace_) {
    if (shown + text.size() > 0) text += "\r\n";
    text += line;
  }
  pendingTrace_.clear();
  // The memo puts the line break before what it adds itself.
  Memo1->AddLine(shown > 0 ? text.substr(2) : text);
}

void TMainForm::Trace(const std::string& entry, bool ok) {
  pendingTrace_.push_back((ok ? "\t" : "*\t") + entry + " ");
  if (!ok) Log(entry);
}

void TMainForm::Log(const std::string& line) {
  WriteDebugLine(line);
  failureLog_ += line + "\r\n";
}

void TMainForm::LeaveSelfToRestart() {
  for (const TRestartRemoval& r : RemoveSelfAtRestart(true)) {
    if (!r.marked) {
      ++(r.folder ? counts_.directories : counts_.files);
      Trace(r.path, false);
      continue;
    }
    Trace(r.path + kAtRestart, true);
    Log(r.path + kAtRestart);
  }
}

void TMainForm::ShowStep(int index) { Images[index - 1]->Show(); }

bool TMainForm::RunStage(int stage) {
  FlushTrace();
  bool exitRequest = false;
  const TLines& items = lists_.executeItems;
  for (auto it = items.rbegin(); it != items.rend() && !exitRequest; ++it) {
    std::string log;
    bool itemExit = false;
    const bool ok = RunExecuteItem(execDll_, *it, stage, itemExit, log);
    if (StageNumber(GetListItem(*it, 0)) == stage) Trace(*it, ok);
    if (!ok) ++counts_.operations;
    exitRequest = itemExit;
  }
  return exitRequest;
}

bool TMainForm::RemoveFileEntry(const std::string& path) {
  if (EqualTextNoCase(path, GetExeFileName())) return true;  // goes after the program has ended
  CancelDelayedReplacement(path);
  // One call for the usual case; a file that was not there is no failure.
  if (DeleteFileA(path.c_str())) return true;
  return !FileStillThere(path);
}

void TMainForm::Entries(const TLines& list, const std::function<bool(const std::string&)>& handle, int* counter) {
  for (const auto& entry : LengthOrder(list)) {
    const bool ok = handle(entry);
    if (!ok && counter) ++*counter;
    Trace(entry, ok);
  }
}

void TMainForm::NextStep(int index, const char* header) {
  FlushTrace();
  WaitProcessingMessages(500);
  ShowStep(index);
  Section(header);
}

void TMainForm::FolderList(const TLines& list, bool forced) {
  TFolderRules rules;
  rules.keepBelow = &lists_.keepBelow;
  rules.keepExactly = &lists_.keepExactly;
  rules.avoidErr = &lists_.avoidErr;
  rules.ownFolder = OwnFolder();
  rules.keepFiles = &keepFiles_;
  if (!forced) rules.aboveOwnFolder = &g_aboveOwnFolder;
  for (const auto& entry : LengthOrder(list)) {
    const TEntryResult r = RemoveFolderEntry(entry, forced, rules);
    if (r == TEntryResult::Skipped) continue;
    if (r == TEntryResult::Deferred) deferredDirs_.push_back(entry);
    const bool ok = r != TEntryResult::Failed;
    if (!ok) ++counts_.directories;
    Trace(entry, ok);
  }
}

void TMainForm::OperationList(const char* header, const TLines& list, const std::string& sep,
                              bool (*op)(const std::string&, bool), int* counter) {
  Section(header);
  Entries(list, [&](const std::string& entry) { return op(ExpandFolderTokens(entry, sep), false); }, counter);
}

void TMainForm::FinishDeferredFolders() {
  for (const auto& folder : deferredDirs_) {
    DeleteTree(folder, true);
    if (DirectoryExists(folder)) {
      ++counts_.directories;
      Trace(folder, false);
    }
  }
}

void TMainForm::RunUninstall() {
  HideCaret(nullptr);
  keepFiles_ = lists_.serviceFiles;
  if (!lists_.dllName.empty()) keepFiles_.push_back(GetExeDir(true) + lists_.dllName);
  auto removeFile = [this](const std::string& entry) { return RemoveFileEntry(entry); };

  Section("PERFORM EXECUTE OP");
  bool exitRequest = RunStage(5);
  if (!exitRequest) {
    ShowStep(1);
    // Failures of the next two sections are logged, not counted.
    Section("UNREGISTER_OCX_FILES");
    Entries(lists_.ocxFiles, [](const std::string& entry) {
      return !FileExists(entry) || RegisterComServer(entry, false);
    }, nullptr);
    Section("UNREGISTER_FONT_FILES");
    Entries(lists_.fontFiles, [](const std::string& entry) {
      if (!FileExists(entry)) return true;
      if (!RemoveFontResourceA(entry.c_str())) return false;
      DWORD_PTR result;
      SendMessageTimeoutA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
      return true;
    }, nullptr);
    Section("REMOVE SHARED FILES");
    Entries(lists_.sharedFiles, [](const std::string& entry) {
      if (!FileStillThere(entry) || ReleaseSharedDll(entry) > 0) return true;
      CancelDelayedReplacement(entry);
      DeleteFileA(entry.c_str());
      return !FileStillThere(entry);
    }, &counts_.files);

    NextStep(2, "REMOVE FILES");
    // Files below a kept folder stay, read-only ones too, and leave no trace line.
    auto outsideKept = [this](const TLines& list) {
      TLines out;
      for (const auto& entry : list)
        if (!ListHasPrefixOf(&lists_.keepBelow, entry)) out.push_back(entry);
      return out;
    };
    Entries(outsideKept(lists_.readOnlyFiles), [](const std::string& entry) {
      CancelDelayedReplacement(entry);
      if (FileExists(entry)) {
        SetFileAttributesA(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(entry.c_str());
      }
      return !FileStillThere(entry);
    }, &counts_.files);
    Entries(outsideKept(lists_.files), removeFile, &counts_.files);

    NextStep(3, "REMOVE FOLDERS");
    NextStep(4, "REMOVE PROGRAM FOLDERS");
    FolderList(lists_.forcedFolders, true);
    FolderList(lists_.folders, false);
    NextStep(5, "REMOVE PROGRAM DIRECTORIES");
    FolderList(lists_.forcedDirs, true);
    FolderList(lists_.dirs, false);

    NextStep(6, "REMOVE REGISTRY KEYS");
    Entries(lists_.regKeys, RemoveScriptRegKey, &counts_.registry);
    OperationList("REGISTRY OP", lists_.regOps, "\\", UndoRegistryOp, &counts_.registry);
    OperationList("INI FILE OP", lists_.iniOps, "\\", UndoIniFileOp, &counts_.ini);
    OperationList("ENVIRONMENT OP", lists_.envOps, "", PerformEnvironmentOp, nullptr);
    OperationList("ASSOCIATE OP", lists_.associations, "\\", PerformAssociationOp, &counts_.association);
    Section("OPEN WITH OP");
    Entries(lists_.openWith, [](const std::string& entry) {
      return PerformOpenWithOp(GetListItem(entry, 0), "", "", false, GetListItem(entry, 1));
    }, &counts_.association);

    FlushTrace();
    WaitProcessingMessages(500);
    Section("PERFORM EXECUTE OP");
    exitRequest = RunStage(6);
    // The files that the last stage needed go now, even after an exit request.
    Entries(lists_.serviceFiles, removeFile, &counts_.files);
    if (!exitRequest) {
      if (!lists_.dllName.empty()) Entries({GetExeDir(true) + lists_.dllName}, removeFile, &counts_.files);
      FinishDeferredFolders();
      // Written now, while the log can still say what happens when it cannot be.
      g_selfDeleteBatch = WriteSelfDeleteBatch(true, false);
      if (g_selfDeleteBatch.empty()) LeaveSelfToRestart();
      FlushTrace();
      if (counts_.Any()) {
        ErrorBox(KMSG_OWNER_TITLED, SummaryText(counts_), "Error", kDefaultBtnText, 0);
        // The closing line says what went wrong, not that all went well.
        Label7->SetCaption(FailureHeadline(counts_));
      }
      Label7->Show();
      g_completed = true;
      if (!failureLog_.empty()) LogButton->Show();
      CloseButton->SetEnabled(true);
      CloseButton->SetFocus();
      FlushAssociationChanges();
      running_ = false;
      return;
    }
  }
  FlushTrace();
  running_ = false;
  Close();
}

// ---- start-up

namespace {

// Undoes every Setup run that did not end, before anything here reads what it changed; one
// box tells the user. True when a run was undone.
bool RecoverEarlierRuns() {
  const TRecovery recovery = RecoverUnfinishedRuns(RunJournalFolder(), GetExeFileName());
  g_ownMovedTo = recovery.outcome.runningMovedTo;
  for (const std::string& f : recovery.outcome.kept) WriteDebugLine(kKeptChangedText + f);
  if (!recovery.runs && !recovery.outcome.restart && !recovery.outcome.failed) return false;
  std::string text = kRunUndoneText;
  if (recovery.outcome.failed) {
    text += std::string("<p><p>") + kUndoIncompleteText;
    if (recovery.outcome.retried) text += std::string("<p><p>") + kUndoLaterText;
  } else if (recovery.outcome.restart) text += std::string("<p><p>") + kRestartCompletesText;
  WarningBox(KMSG_OWNER_TITLED, text, "UnInstall", kDefaultBtnText, 0);
  return recovery.runs > 0;
}

// This program's file, moved out of the way by the recovery, goes once the program has ended
// (at the next restart when no batch can do it).
void LeaveMovedSelf() {
  if (g_ownMovedTo.empty()) return;
  const std::string batch = NewSelfDeleteBatch();
  if (!batch.empty() &&
      WriteFileContents(batch,
                        SelfDeleteBatchText(g_ownMovedTo, ExtractFileDir(g_ownMovedTo), batch, true, "\"", TLines()),
                        0) &&
      StartSelfDeleteBatch(batch))
    return;
  if (!batch.empty()) DeleteFileA(batch.c_str());
  MoveFileExA(g_ownMovedTo.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// The run of the uninstaller from its start to its end.
int UninstallRun();

}  // namespace

int UninstallMain() {
  const int code = UninstallRun();
  if (!g_completed) LeaveMovedSelf();
  return code;
}

namespace {
int UninstallRun() {
  // The script read below is the one a run that did not end left, once that run is undone.
  const bool recovered = RecoverEarlierRuns();
  const std::string script = ChangeFileExt(GetExeFileName(), ".txt");
  auto refuse = [&](const char* why) {
    ErrorBox(KMSG_OWNER_TITLED, script + "\\\\n" + why + "\\\\n\\\\nUnInstall aborted!", "Error", kDefaultBtnText, 0);
  };
  if (!FileExists(script)) {
    // The script was the undone run's: nothing of it is left to remove.
    if (recovered) return 0;
    refuse("Script file not found.");
    return 0;
  }
  // One held open by another program with no sharing cannot be read at all.
  const HANDLE held = CreateFileA(script.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held == INVALID_HANDLE_VALUE) {
    refuse("Error reading script file.");
    return 1;
  }
  CloseHandle(held);
  // A script cut short would remove part of the installation and then the uninstaller.
  if (IsDamagedScript(LoadScriptText(script))) {
    refuse("Script file is damaged.");
    return 1;
  }
  const int charset = StrToIntDef(ReadScriptValue(script, "CHAR_SET"), 0);
  const std::string progName = ReadScriptValue(script, "PROG_NAME");
  const std::string runningTest = ReadScriptValue(script, "IS_RUNNING_TEST");
  const std::string adminTest = ReadScriptValue(script, "GET_TEST_ADMIN_RIGHTS_UNINSTALL");
  const std::string runningCaption = ReadScriptValue(script, "IS_RUNNING_CAPTION");
  std::string runningText = ReadScriptValue(script, "IS_RUNNING_TEXT");
  const std::string progExe = ReadScriptValue(script, "GET_PROG_EXE_NAME");
  const std::string confirmCaption = ReadScriptValue(script, "CONFIRM_CAPTION");
  const std::string autoUpdate = ReadScriptValue(script, "GET_AUTO_UPDATE_EXE_FILE_NAME");
  const std::string confirmText = ConfirmationText(ReadScriptValue(script, "CONFIRM_TEXT"), progName);
  const std::string buttons = ButtonCaptions(ReadScriptValue(script, "BTN_TEXT"));

  if (adminTest == "1" && IsWinNT() && !IsUserAdmin()) {
    ErrorBox(KMSG_OWNER_TITLED,
             "Unable to UnInstall the program\\\\nMake sure you have ADMINISTRATOR Rights on this PC!", "Error",
             kDefaultBtnText, 0);
    return 0;
  }
  if (!AskYesNo(KMSG_OWNER_TITLED, confirmText, confirmCaption, buttons, charset)) return 0;
  runningText = ReplaceAll(runningText, "PROG_NAME", progName);
  if (runningTest == "1" && IsProcessRunning(progExe))
    ErrorBox(KMSG_OWNER_TITLED, runningText, runningCaption, buttons, charset);

  // The auto-update program and its running copy.
  const std::string updater = autoUpdate.empty() ? std::string() : GetExeDir(true) + autoUpdate;
  const std::string runningUpdater = autoUpdate.empty() ? std::string() : GetExeDir(true) + "X_" + autoUpdate;
  auto removeUpdater = [&]() {
    if (updater.empty()) return;
    DeleteFileA(updater.c_str());
    if (!FileExists(runningUpdater)) return;
    if (KillProcessByPath(runningUpdater, true)) {
      // Waited for only once it was ended, and not for long.
      const DWORD start = GetTickCount();
      while (FindProcessByPath(runningUpdater, true) != 0 && GetTickCount() - start < 10000) WaitProcessingMessages(100);
      WaitProcessingMessages(100);
    }
    DeleteFileA(runningUpdater.c_str());
  };
  removeUpdater();

  TApplication& app = Application();
  TMainForm* form = TForm::Create<TMainForm>();
  app.SetMainForm(form);
  app.Run();
  app.SetMainForm(nullptr);
  delete form;

  if (!updater.empty()) {
    DeleteFileA(runningUpdater.c_str());
    DeleteFileA(updater.c_str());
  }
  if (g_completed && !g_selfDeleteBatch.empty() && !StartSelfDeleteBatch(g_selfDeleteBatch)) {
    DeleteFileA(g_selfDeleteBatch.c_str());
    for (const TRestartRemoval& r : RemoveSelfAtRestart(true))
      if (r.marked) WriteDebugLine(r.path + kAtRestart);
  }
  return 0;
}
}  // namespace
#endif  // _WIN32
