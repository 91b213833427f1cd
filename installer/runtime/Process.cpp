#include "Process.h"

#include <tlhelp32.h>

#include <vector>

#include "Common.h"
#include "KMsgBox.h"
#include "Utils.h"

namespace {

// Tool help is missing from NT 4.0's kernel32 and the process-status library from
// Windows 9x: both are bound at run time so the program loads on either family.
typedef HANDLE(WINAPI* SnapshotFn)(DWORD, DWORD);
typedef BOOL(WINAPI* ProcessWalkFn)(HANDLE, PROCESSENTRY32*);
typedef BOOL(WINAPI* EnumProcessesFn)(DWORD*, DWORD, DWORD*);
typedef BOOL(WINAPI* EnumModulesFn)(HANDLE, HMODULE*, DWORD, DWORD*);
typedef DWORD(WINAPI* ModuleTextFn)(HANDLE, HMODULE, LPSTR, DWORD);

template <typename Fn>
Fn Bind(HMODULE lib, const char* name) {
  return lib ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(lib, name))) : nullptr;
}

struct ToolHelp {
  SnapshotFn snapshot;
  ProcessWalkFn first, next;
  ToolHelp() {
    HMODULE k = GetModuleHandleA("kernel32.dll");
    snapshot = Bind<SnapshotFn>(k, "CreateToolhelp32Snapshot");
    first = Bind<ProcessWalkFn>(k, "Process32First");
    next = Bind<ProcessWalkFn>(k, "Process32Next");
  }
  bool ok() const { return snapshot && first && next; }
};

struct ProcessStatus {
  HMODULE lib;
  EnumProcessesFn enumProcesses;
  EnumModulesFn enumModules;
  ModuleTextFn fileName, baseName;
  ProcessStatus() {
    lib = LoadLibraryA("psapi.dll");
    enumProcesses = Bind<EnumProcessesFn>(lib, "EnumProcesses");
    enumModules = Bind<EnumModulesFn>(lib, "EnumProcessModules");
    fileName = Bind<ModuleTextFn>(lib, "GetModuleFileNameExA");
    baseName = Bind<ModuleTextFn>(lib, "GetModuleBaseNameA");
  }
  ~ProcessStatus() {
    if (lib) FreeLibrary(lib);
  }
  ProcessStatus(const ProcessStatus&) = delete;
  ProcessStatus& operator=(const ProcessStatus&) = delete;
  bool ok() const { return enumProcesses && enumModules && fileName && baseName; }

  std::vector<DWORD> Ids() const {
    std::vector<DWORD> ids;
    for (DWORD bytes = 1024;; bytes += 1024) {
      ids.assign(bytes / sizeof(DWORD), 0);
      DWORD returned = 0;
      if (!enumProcesses(ids.data(), bytes, &returned)) return std::vector<DWORD>();
      if (returned < bytes) {
        ids.resize(returned / sizeof(DWORD));
        return ids;
      }
    }
  }
};

std::string ShortForm(const std::string& path) {
  if (path.empty()) return std::string();
  char buf[MAX_PATH];
  DWORD n = GetShortPathNameA(path.c_str(), buf, sizeof(buf));
  if (n == 0 || n >= sizeof(buf)) return std::string();
  return std::string(buf, n);
}

std::string BareName(const std::string& path) {
  const size_t slash = path.find_last_of("\\/:");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The wanted text in the three forms a process is compared with.
struct Wanted {
  std::string full, bare, shortForm;
  Wanted(const std::string& w, bool exactOnly) : full(UpperCase(w)) {
    bare = exactOnly ? "*X*" : full;
    shortForm = UpperCase(ShortForm(w));
    if (shortForm.empty()) shortForm = "*XX*";
  }
  bool Matches(const std::string& path, const std::string& name) const {
    return UpperCase(path) == full || UpperCase(name) == bare || UpperCase(ShortForm(path)) == shortForm;
  }
};

}  // namespace

DWORD FindProcess9x(const std::string& wanted, bool exactOnly) {
  if (wanted.empty()) return 0;
  static const ToolHelp th;
  if (!th.ok()) return 0;
  HANDLE snap = th.snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 0;
  const Wanted w(wanted, exactOnly);
  DWORD found = 0;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof(entry);
  for (BOOL more = th.first(snap, &entry); more && !found; more = th.next(snap, &entry)) {
    const std::string path(entry.szExeFile, strnlen(entry.szExeFile, sizeof(entry.szExeFile)));
    if (w.Matches(path, BareName(path))) found = entry.th32ProcessID;
    entry.dwSize = sizeof(entry);
  }
  CloseHandle(snap);
  return found;
}

DWORD FindProcessNT(const std::string& wanted, bool exactOnly) {
  if (wanted.empty()) return 0;
  const ProcessStatus ps;
  if (!ps.ok()) return 0;
  const Wanted w(wanted, exactOnly);
  for (DWORD id : ps.Ids()) {
    std::string path, name;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
    if (process) {
      HMODULE module;
      DWORD needed = 0;
      if (ps.enumModules(process, &module, sizeof(module), &needed) && needed >= sizeof(module)) {
        char buf[256];
        DWORD n = ps.fileName(process, module, buf, sizeof(buf));
        path.assign(buf, n < sizeof(buf) ? n : 0);
        n = ps.baseName(process, module, buf, sizeof(buf));
        name.assign(buf, n < sizeof(buf) ? n : 0);
      }
      CloseHandle(process);
    }
    if (w.Matches(path, name)) return id;
  }
  return 0;
}

bool IsProcessRunning(const std::string& wanted) {
  if (IsWinNT()) return FindProcessNT(wanted, false) != 0;
  return FindProcess9x(wanted, false) != 0;
}

void WaitForProcessEnd(const std::string& wanted) {
  if (IsWinNT()) {
    const DWORD id = FindProcessNT(wanted, false);
    if (id == 0) return;
    const ProcessStatus ps;
    if (!ps.ok()) return;
    for (;;) {
      PumpMessagesFor(1000);
      bool listed = false;
      for (DWORD other : ps.Ids()) listed = listed || other == id;
      if (!listed) return;
    }
  }
  do {
    PumpMessagesFor(1000);
  } while (FindProcess9x(wanted, false) != 0);
}
