// System queries and small services of the engines: folders, Windows version, command
// line, registry and INI values, rights, program start and the worker thread.
// Nothing here raises or shows a box: failures come back as false, 0, a default or "".
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Registry path text: root name, backslash, key path ("HKEY_LOCAL_MACHINE\Software\X").
// Without a known root prefix the whole text is a key path under HKEY_CURRENT_USER.
void SplitRegPath(const std::string& path, HKEY& root, std::string& key);
// Opens or creates the key a registry path text names; the caller closes it. A key that
// cannot be created leaves the registry's code as the last error.
bool OpenRegPath(const std::string& path, REGSAM access, HKEY& key);
bool CreateRegPath(const std::string& path, REGSAM access, HKEY& key);

// Folders. The flag asks for a trailing backslash (set) or none.
std::string SetTrailingBackslash(const std::string& path, bool backslash);
std::string GetExeFileName();
std::string GetExeDir(bool backslash);
std::string GetWindowsDir(bool backslash);
std::string GetSystemDir(bool backslash);
std::string GetTempDir(bool backslash);

// Windows version.
bool IsWin9x();
bool IsWinNT();
bool IsWinXP();
std::string GetWinVersionName();  // "32S", "95", "98", "ME", "NT", "2000", "XP" or "major.minor"
int GetWinOSBit();                // 0, 1, 2, 4, 8, 16 or 32
std::string GetWinVersionText();  // "WinXP  5.1  2600 (Service Pack 3)"

std::string GetLoginUserName();
// The command line without the program's own path and its surrounding quotes.
std::string GetCommandLineArgs();
// Value of a switch such as "/OriginalInfoFile=": "" when absent, "TRUE" when bare.
std::string GetSwitchValue(const std::string& switchText);

// Registry values; an empty value name is the key's default value.
std::string ReadRegValue(const std::string& path, const std::string& valueName, const std::string& def);
// A failed write leaves the registry's code as the last error.
bool WriteRegString(const std::string& path, const std::string& valueName, const std::string& text);
bool DeleteRegValue(const std::string& path, const std::string& valueName);

// INI values.
bool WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value);
bool DeleteIniValue(const std::string& file, const std::string& section, const std::string& key);
std::string ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& def);

void RebootWindows();

// Cached answers: asked once per process.
bool HasManifestResource();
bool IsThemeActive();
bool IsDeveloperMode();
bool IsDeveloperAutoAccept();

// A thread that runs the callbacks it is given, in order, and frees itself when it ends:
// the pointer Create returns may already be gone and serves only to tell that it started.
typedef void (*TThreadProc)();
typedef std::function<void()> TThreadMethod;
typedef void (*TThreadDataProc)(void* data);
typedef std::function<void(void*)> TThreadDataMethod;

class TWorkerThread {
 public:
  static TWorkerThread* Create(TThreadProc proc, TThreadMethod method, TThreadDataProc dataProc,
                               TThreadDataMethod dataMethod, void* data);
 private:
  TWorkerThread() = default;
  ~TWorkerThread();
  TWorkerThread(const TWorkerThread&) = delete;
  TWorkerThread& operator=(const TWorkerThread&) = delete;
  void Execute();
  static DWORD WINAPI ThreadStart(void* self);

  TThreadProc proc_ = nullptr;
  TThreadMethod method_;
  TThreadDataProc dataProc_ = nullptr;
  TThreadDataMethod dataMethod_;
  void* data_ = nullptr;
  HANDLE handle_ = nullptr;
  DWORD threadId_ = 0;
};
TWorkerThread* RunInThread(TThreadDataProc proc, void* data);

// Handles every pending message of this thread until ms have passed.
void WaitProcessingMessages(DWORD ms);

// Program start. The program text may hold parameters after the program's path; only the
// path is quoted when the command line is made.
bool ExecAndWait(const std::string& program, const std::string& params, bool wait, int showCmd);
bool RunAppPathProgram(const std::string& exeName, const std::string& params, bool wait, int showCmd);
bool ShellExecuteFile(const std::string& file, const std::string& params, int showCmd);

bool IsUserAdmin();
// True when a token's group list holds the Administrators group (S-1-5-32-544).
bool GroupsListAdministrators(const TOKEN_GROUPS* groups);
bool IsDotNetPresent();
