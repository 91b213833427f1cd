#include "Common.h"

#include <shellapi.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "Files.h"
#include "Process.h"
#include "RegOp.h"
#include "Utils.h"

namespace {

struct RootName {
  const char* name;
  HKEY root;
};
const RootName kRoots[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},   {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {"HKEY_USERS", HKEY_USERS},
    {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG}, {"HKEY_DYN_DATA", HKEY_DYN_DATA},
};

bool GetVersionRecord(OSVERSIONINFOA& info) {
  info = OSVERSIONINFOA();
  info.dwOSVersionInfoSize = sizeof(info);
  return GetVersionExA(&info) != FALSE;
}

std::string VersionNumbers(const OSVERSIONINFOA& info) {
  return std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion);
}

// A 256-character folder query run through SetTrailingBackslash.
std::string FolderOf(UINT (WINAPI* query)(LPSTR, UINT), bool backslash) {
  char buf[256];
  UINT n = query(buf, sizeof(buf));
  if (n == 0 || n >= sizeof(buf)) return std::string();
  return SetTrailingBackslash(std::string(buf, n), backslash);
}

UINT WINAPI TempPathQuery(LPSTR buf, UINT size) { return GetTempPathA(size, buf); }

// One cached yes/no answer: 255 until first asked.
bool Cached(unsigned char& slot, bool (*ask)()) {
  if (slot == 255) slot = ask() ? 1 : 0;
  return slot == 1;
}

bool EnvHoldsDeveloperValue(const char* name) {
  char buf[20];
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof(buf));
  if (n == 0 || n >= sizeof(buf)) return false;
  return EqualTextNoCase(std::string(buf, n), "846");
}

BOOL CALLBACK FoundResource(HMODULE, LPCSTR, LPSTR, LONG_PTR found) {
  *reinterpret_cast<bool*>(found) = true;
  return FALSE;
}

bool AskManifest() {
  bool found = false;
  EnumResourceNamesA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(24), FoundResource,
                     reinterpret_cast<LONG_PTR>(&found));
  return found;
}

bool AskTheme() {
  if (!HasManifestResource() || !IsWinXP()) return false;
  HMODULE lib = LoadLibraryA("Uxtheme.dll");
  if (!lib) return false;
  typedef BOOL(WINAPI * IsAppThemedFn)();
  auto fn = reinterpret_cast<IsAppThemedFn>(reinterpret_cast<void*>(GetProcAddress(lib, "IsAppThemed")));
  bool themed = fn && fn();
  FreeLibrary(lib);
  return themed;
}

bool AskDeveloperMode() { return EnvHoldsDeveloperValue("DVR"); }
bool AskDeveloperAutoAccept() { return EnvHoldsDeveloperValue("DVX"); }

unsigned char g_manifest = 255, g_theme = 255, g_developer = 255, g_autoAccept = 255;

std::string CurrentDirectory() {
  DWORD n = GetCurrentDirectoryA(0, nullptr);
  if (n == 0) return std::string();
  std::string dir(n, '\0');
  n = GetCurrentDirectoryA(n, &dir[0]);
  dir.resize(n);
  return dir;
}

// The file a program text names: the text itself, or with ".exe" added as the system adds
// it; a bare name counts when the system finds it along its search path. Empty when none.
std::string ProgramFileOf(const std::string& text) {
  if (text.empty()) return std::string();
  if (FileExists(text)) return text;
  if (FileExists(text + ".exe")) return text + ".exe";
  if (text.find_first_of("\\/:") != std::string::npos) return std::string();
  char found[MAX_PATH];
  const DWORD n = SearchPathA(nullptr, text.c_str(), ".exe", MAX_PATH, found, nullptr);
  return n > 0 && n < MAX_PATH ? text : std::string();
}

// The program of a command text and the parameters after it: a quoted path; else the
// longest part before a blank (or the whole text) that names a program file, so that a
// shorter name planted along a path with blanks is never taken; a blank within an existing
// folder's name is never a cut. False when the text holds blanks and no part of it names a
// file: cut anywhere, it could start another program.
bool SplitProgramText(const std::string& text, std::string& program, std::string& args) {
  const std::string t = Trim(text);
  program = t;
  args.clear();
  if (!t.empty() && t.front() == '"') {
    const size_t close = t.find('"', 1);
    program = t.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    if (close != std::string::npos) args = Trim(t.substr(close + 1));
    return true;
  }
  for (size_t cut = t.size(); cut != std::string::npos && cut > 0; cut = t.rfind(' ', cut - 1)) {
    if (t[cut - 1] == ' ') continue;  // the blanks of one gap are one cut
    // A blank inside the name of an existing folder is no cut ("C:\Program Files\...").
    const size_t slash = t.find_first_of("\\/", cut);
    if (slash != std::string::npos && DirectoryExists(t.substr(0, slash))) continue;
    const std::string file = ProgramFileOf(t.substr(0, cut));
    if (file.empty()) continue;
    program = file;
    args = Trim(t.substr(cut));
    return true;
  }
  return t.find(' ') == std::string::npos;
}

}  // namespace

// ---- registry path text

void SplitRegPath(const std::string& path, HKEY& root, std::string& key) {
  const std::string t = Trim(path);
  root = HKEY_CURRENT_USER;
  key = t;
  const size_t slash = t.find('\\');
  if (slash == std::string::npos || UpperCase(t.substr(0, 5)) != "HKEY_") return;
  const std::string name = UpperCase(t.substr(0, slash));
  for (const RootName& r : kRoots)
    if (name == r.name) root = r.root;
  key = t.substr(slash + 1);
}

bool OpenRegPath(const std::string& path, REGSAM access, HKEY& key) {
  HKEY root;
  std::string sub;
  SplitRegPath(path, root, sub);
  key = nullptr;
  return RegOpenKeyExA(root, sub.c_str(), 0, access, &key) == ERROR_SUCCESS;
}

bool CreateRegPath(const std::string& path, REGSAM access, HKEY& key) {
  HKEY root;
  std::string sub;
  SplitRegPath(path, root, sub);
  key = nullptr;
  const LONG r = RegCreateKeyExA(root, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
  // The registry answers with its code: kept as the last error for whoever reports it.
  if (r != ERROR_SUCCESS) SetLastError(DWORD(r));
  return r == ERROR_SUCCESS;
}

// ---- folders

std::string SetTrailingBackslash(const std::string& path, bool backslash) {
  std::string p = path;
  if (p.empty()) return p;
  // A drive root keeps its backslash: "C:\" stays "C:\".
  if (p.size() > 2 && p.back() == '\\' && p[p.size() - 2] != ':') p.pop_back();
  if (backslash && p.back() != '\\') p += '\\';
  return p;
}

std::string GetExeFileName() {
  char buf[1024];
  DWORD n = GetModuleFileNameA(nullptr, buf, sizeof(buf));
  if (n == 0 || n >= sizeof(buf)) return std::string();
  return std::string(buf, n);
}

std::string GetExeDir(bool backslash) {
  const std::string exe = GetExeFileName();
  const size_t slash = exe.find_last_of("\\:");
  if (slash == std::string::npos) return std::string();
  return SetTrailingBackslash(exe.substr(0, slash + 1), backslash);
}

std::string GetWindowsDir(bool backslash) { return FolderOf(GetWindowsDirectoryA, backslash); }
std::string GetSystemDir(bool backslash) { return FolderOf(GetSystemDirectoryA, backslash); }
std::string GetTempDir(bool backslash) { return FolderOf(TempPathQuery, backslash); }

// ---- Windows version

bool IsWin9x() {
  OSVERSIONINFOA info;
  return GetVersionRecord(info) && info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

bool IsWinNT() {
  OSVERSIONINFOA info;
  return GetVersionRecord(info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool IsWinXP() {
  OSVERSIONINFOA info;
  return GetVersionRecord(info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT && VersionNumbers(info) == "5.1";
}

namespace {

struct VersionRow {
  DWORD platform;
  const char* version;  // nullptr: any
  const char* name;
  int bit;
};
const VersionRow kVersions[] = {
    {VER_PLATFORM_WIN32s, nullptr, "32S", 0}, {VER_PLATFORM_WIN32_WINDOWS, "4.0", "95", 1},
    {VER_PLATFORM_WIN32_WINDOWS, "4.10", "98", 2}, {VER_PLATFORM_WIN32_WINDOWS, "4.90", "ME", 4},
    {VER_PLATFORM_WIN32_NT, "4.0", "NT", 8},  {VER_PLATFORM_WIN32_NT, "5.0", "2000", 16},
    {VER_PLATFORM_WIN32_NT, "5.1", "XP", 32},
};

// The row of the running Windows; nullptr with the version text when none fits.
const VersionRow* VersionRowOf(std::string& versionText) {
  OSVERSIONINFOA info;
  if (!GetVersionRecord(info)) return nullptr;
  versionText = VersionNumbers(info);
  for (const VersionRow& r : kVersions)
    if (r.platform == info.dwPlatformId && (!r.version || versionText == r.version)) return &r;
  return nullptr;
}

}  // namespace

std::string GetWinVersionName() {
  std::string text;
  const VersionRow* row = VersionRowOf(text);
  return row ? row->name : text;
}

int GetWinOSBit() {
  std::string text;
  const VersionRow* row = VersionRowOf(text);
  return row ? row->bit : 0;
}

std::string GetWinVersionText() {
  OSVERSIONINFOA info;
  if (!GetVersionRecord(info)) return std::string();
  std::string text = "Win" + GetWinVersionName() + "  " + VersionNumbers(info) + "  " +
                     std::to_string(info.dwBuildNumber);
  const std::string pack = Trim(info.szCSDVersion);
  if (!pack.empty()) text += " (" + std::string(info.szCSDVersion) + ")";
  return text;
}

std::string GetLoginUserName() {
  char buf[256];
  DWORD size = sizeof(buf);
  if (!GetUserNameA(buf, &size)) return std::string();
  return std::string(buf);
}

// ---- command line

std::string GetCommandLineArgs() {
  std::string line = GetCommandLineA();
  const std::string exe = GetExeFileName();
  const int at = exe.empty() ? 0 : PosNoCase(exe, line);
  if (at > 0) line.erase(at - 1, exe.size());
  for (line = Trim(line); !line.empty() && line.front() == '"'; line = Trim(line)) line.erase(0, 1);
  for (line = Trim(line); !line.empty() && line.back() == '"'; line = Trim(line)) line.pop_back();
  return Trim(line);
}

std::string GetSwitchValue(const std::string& switchText) {
  const std::string args = GetCommandLineArgs();
  const int at = switchText.empty() ? 0 : PosNoCase(switchText, args);
  if (at == 0) return std::string();
  std::string rest = args.substr(at - 1 + switchText.size());
  if (rest.empty()) return "TRUE";
  if (rest.front() == '"') {
    rest = rest.substr(1);
    rest = rest.substr(0, rest.find('"'));
  } else {
    rest = rest.substr(0, rest.find(' '));
    rest = rest.substr(0, rest.find('/'));
  }
  return Trim(rest);
}

// ---- registry and INI values

std::string ReadRegValue(const std::string& path, const std::string& valueName, const std::string& def) {
  HKEY key;
  if (!OpenRegPath(path, KEY_READ, key)) return def;
  BYTE buf[2048];
  DWORD type = 0, size = sizeof(buf);
  LONG r = RegQueryValueExA(key, valueName.c_str(), nullptr, &type, buf, &size);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS) return def;
  if (type == REG_DWORD && size == 4) {
    int32_t v;
    memcpy(&v, buf, 4);
    return std::to_string(v);
  }
  DWORD n = 0;
  while (n < size && buf[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(buf), n);
}

bool WriteRegString(const std::string& path, const std::string& valueName, const std::string& text) {
  HKEY key;
  if (!CreateRegPath(path, KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, key)) return false;
  LONG r = RegSetValueExA(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          DWORD(text.size() + 1));
  RegCloseKey(key);
  if (r != ERROR_SUCCESS) SetLastError(DWORD(r));
  return r == ERROR_SUCCESS;
}

bool DeleteRegValue(const std::string& path, const std::string& valueName) {
  HKEY key;
  if (!OpenRegPath(path, KEY_SET_VALUE, key)) return false;
  LONG r = RegDeleteValueA(key, valueName.c_str());
  RegCloseKey(key);
  return r == ERROR_SUCCESS;
}

bool WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

bool DeleteIniValue(const std::string& file, const std::string& section, const std::string& key) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, file.c_str()) != FALSE;
}

std::string ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& def) {
  std::vector<char> buf(10241);
  DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buf.data(), DWORD(buf.size()),
                                     file.c_str());
  return std::string(buf.data(), n);
}

// ---- restart

void RebootWindows() {
  if (IsWinNT()) {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
    TOKEN_PRIVILEGES priv = {};
    priv.PrivilegeCount = 1;
    priv.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool granted = LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &priv.Privileges[0].Luid) &&
                   AdjustTokenPrivileges(token, FALSE, &priv, 0, nullptr, nullptr) &&
                   GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    if (!granted) return;
  }
  ExitWindowsEx(EWX_REBOOT, 0);
}

// ---- cached answers

bool HasManifestResource() { return Cached(g_manifest, AskManifest); }
bool IsThemeActive() { return Cached(g_theme, AskTheme); }
bool IsDeveloperMode() { return Cached(g_developer, AskDeveloperMode); }
bool IsDeveloperAutoAccept() { return Cached(g_autoAccept, AskDeveloperAutoAccept); }

// ---- worker thread

TWorkerThread* TWorkerThread::Create(TThreadProc proc, TThreadMethod method, TThreadDataProc dataProc,
                                     TThreadDataMethod dataMethod, void* data) {
  TWorkerThread* t = new TWorkerThread();
  t->proc_ = proc;
  t->method_ = std::move(method);
  t->dataProc_ = dataProc;
  t->dataMethod_ = std::move(dataMethod);
  t->data_ = data;
  t->handle_ = CreateThread(nullptr, 0, ThreadStart, t, CREATE_SUSPENDED, &t->threadId_);
  if (!t->handle_) {
    delete t;
    return nullptr;
  }
  ResumeThread(t->handle_);  // from here on the thread owns the object
  return t;
}

TWorkerThread::~TWorkerThread() {
  if (handle_) CloseHandle(handle_);
}

void TWorkerThread::Execute() {
  if (proc_) proc_();
  if (method_) method_();
  if (dataProc_) dataProc_(data_);
  if (dataMethod_) dataMethod_(data_);
}

DWORD WINAPI TWorkerThread::ThreadStart(void* self) {
  TWorkerThread* t = static_cast<TWorkerThread*>(self);
  t->Execute();
  delete t;
  return 0;
}

TWorkerThread* RunInThread(TThreadDataProc proc, void* data) {
  return TWorkerThread::Create(nullptr, nullptr, proc, nullptr, data);
}

void WaitProcessingMessages(DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(int(msg.wParam));  // for the loop that owns it
        const DWORD spent = GetTickCount() - start;
        if (spent < ms) Sleep(ms - spent);
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    const DWORD spent = GetTickCount() - start;
    if (spent > ms) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent + 1, QS_ALLINPUT);
  }
}

// ---- program start

bool ExecAndWait(const std::string& program, const std::string& params, bool wait, int showCmd) {
  std::string path, args;
  if (!SplitProgramText(program, path, args) || path.empty()) return false;
  const std::string dir = CurrentDirectory();
  // Only the program's own path is quoted: parameters in the program text stay parameters.
  std::string line = path.find(' ') != std::string::npos ? "\"" + path + "\"" : path;
  if (!args.empty()) line += " " + args;
  if (!params.empty()) line += " " + params;
  const bool started = WinExec(line.c_str(), UINT(showCmd)) >= 32;
  if (started && wait) WaitForProcessEnd(path);
  if (!dir.empty()) SetCurrentDirectoryA(dir.c_str());
  return started;
}

bool RunAppPathProgram(const std::string& exeName, const std::string& params, bool wait, int showCmd) {
  return ExecAndWait(ReadAppPath(exeName), params, wait, showCmd);
}

bool ShellExecuteFile(const std::string& file, const std::string& params, int showCmd) {
  HINSTANCE r = ShellExecuteA(GetDesktopWindow(), nullptr, file.c_str(), params.empty() ? nullptr : params.c_str(),
                              nullptr, showCmd);
  return reinterpret_cast<INT_PTR>(r) > 32;
}

// ---- rights and runtimes

bool GroupsListAdministrators(const TOKEN_GROUPS* groups) {
  if (!groups) return false;
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                &admins))
    return false;
  bool found = false;
  for (DWORD i = 0; i < groups->GroupCount && !found; ++i)
    found = groups->Groups[i].Sid && EqualSid(groups->Groups[i].Sid, admins);
  FreeSid(admins);
  return found;
}

bool IsUserAdmin() {
  HANDLE token = nullptr;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
    if (GetLastError() != ERROR_NO_TOKEN) return false;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  }
  // Ask the token how much room its group list needs.
  DWORD size = 0;
  GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
  bool admin = false;
  if (size > 0) {
    std::vector<BYTE> buf(size);
    if (GetTokenInformation(token, TokenGroups, buf.data(), size, &size))
      admin = GroupsListAdministrators(reinterpret_cast<const TOKEN_GROUPS*>(buf.data()));
  }
  CloseHandle(token);
  return admin;
}

bool IsDotNetPresent() {
  const std::string dir = GetSystemDir(true);
  if (dir.empty()) return false;
  DWORD attr = GetFileAttributesA((dir + "mscoree.dll").c_str());
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}
