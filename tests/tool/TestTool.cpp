#include "TestTool.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "WindowWatch.h"

namespace tt {

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string StripAmp(const std::string& s) {
  std::string r;
  for (char c : s)
    if (c != '&') r += c;
  return r;
}

struct FindCtx {
  std::string cls, title;
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK EnumTop(HWND wnd, LPARAM lp) {
  auto* ctx = reinterpret_cast<FindCtx*>(lp);
  if (!IsWindowVisible(wnd)) return TRUE;
  if (ctx->pid) {
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != ctx->pid) return TRUE;
  }
  if (!ctx->cls.empty() && Lower(ClassOf(wnd)) != Lower(ctx->cls)) return TRUE;
  if (!ctx->title.empty() && WindowText(wnd) != ctx->title) return TRUE;
  ctx->found.push_back(wnd);
  return TRUE;
}

BOOL CALLBACK EnumKids(HWND wnd, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(wnd);
  return TRUE;
}

// Lets this thread's own windows run while a test waits.
void Pump(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(10);
  } while (GetTickCount() - start < ms);
}

// Delivers the button's click to its parent. Sent, so that it is handled at once; a handler
// that opens a modal window of its own lets the short time-out end the wait.
bool Press(HWND b) {
  DWORD_PTR r = 0;
  SendMessageTimeoutA(GetParent(b), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(b), BN_CLICKED), reinterpret_cast<LPARAM>(b),
                      SMTO_NORMAL, 300, &r);
  return true;
}

}  // namespace

std::vector<HWND> FindWindows(const std::string& cls, DWORD pid) {
  FindCtx ctx{cls, std::string(), pid, {}};
  EnumWindows(EnumTop, reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

HWND WaitForWindow(const std::string& cls, const std::string& title, DWORD timeoutMs, DWORD pid) {
  DWORD start = GetTickCount();
  for (;;) {
    FindCtx ctx{cls, title, pid, {}};
    EnumWindows(EnumTop, reinterpret_cast<LPARAM>(&ctx));
    if (!ctx.found.empty()) return ctx.found.front();
    if (GetTickCount() - start > timeoutMs) return nullptr;
    Pump(25);
  }
}

bool WaitWindowGone(HWND wnd, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (IsWindow(wnd)) {
    if (GetTickCount() - start > timeoutMs) return false;
    Pump(25);
  }
  return true;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Pump(25);
  }
  return true;
}

std::string WindowText(HWND wnd) {
  char buf[4096];
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutA(wnd, WM_GETTEXT, sizeof(buf), reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &len))
    return std::string();
  return std::string(buf, size_t(len));
}

std::string ClassOf(HWND wnd) {
  char buf[256];
  int n = GetClassNameA(wnd, buf, sizeof(buf));
  return std::string(buf, n > 0 ? size_t(n) : 0);
}

std::vector<HWND> Children(HWND wnd) {
  std::vector<HWND> out;
  EnumChildWindows(wnd, EnumKids, reinterpret_cast<LPARAM>(&out));
  return out;
}

std::vector<std::string> ControlTexts(HWND wnd) {
  std::vector<std::string> out;
  for (HWND c : Children(wnd)) out.push_back(WindowText(c));
  return out;
}

HWND FindChild(HWND wnd, const std::string& cls, const std::string& text) {
  for (HWND c : Children(wnd)) {
    if (!cls.empty() && Lower(ClassOf(c)) != Lower(cls)) continue;
    if (!text.empty() && StripAmp(WindowText(c)) != StripAmp(text)) continue;
    return c;
  }
  return nullptr;
}

std::string RichText(HWND wnd) {
  for (HWND c : Children(wnd)) {
    std::string cls = Lower(ClassOf(c));
    if (cls.find("richedit") == 0) return WindowText(c);
  }
  return std::string();
}

bool ClickButton(HWND wnd, const std::string& caption) {
  HWND b = FindChild(wnd, "Button", caption);
  if (!b) return false;
  return Press(b);
}

bool ClickButtonId(HWND wnd, int id) {
  HWND b = GetDlgItem(wnd, id);
  if (!b) {
    for (HWND c : Children(wnd))
      if (GetDlgCtrlID(c) == id) b = c;
  }
  if (!b) return false;
  return Press(b);
}

void CloseWindowNow(HWND wnd) { PostMessageA(wnd, WM_SYSCOMMAND, SC_CLOSE, 0); }

RECT ClientRectOf(HWND wnd) {
  RECT r = {0, 0, 0, 0};
  GetClientRect(wnd, &r);
  return r;
}

RECT ChildRect(HWND parent, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

namespace {

// The hooks and the table of this test program's watches, there while a watch is.
struct WatchHooks {
  int users = 0;
  HANDLE mapping = nullptr;
  KvWatchTable* table = nullptr;
  HMODULE library = nullptr;
  HHOOK cbt = nullptr, sent = nullptr;
} g_watch;

bool WatchReady() { return g_watch.table && g_watch.cbt && g_watch.sent; }

bool Running(DWORD pid) {
  if (pid == GetCurrentProcessId()) return true;
  HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
  if (!h) return false;
  const bool running = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
  CloseHandle(h);
  return running;
}

bool SameEvent(const WindowEvent& a, const WindowEvent& b) {
  return a.kind == b.kind && EqualRect(&a.window, &b.window) && EqualRect(&a.client, &b.client);
}

}  // namespace

WindowWatch::WindowWatch() {
  if (g_watch.users++) return;
  g_watch.mapping =
      CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(KvWatchTable), KV_WATCH_MAPPING);
  if (g_watch.mapping)
    g_watch.table = static_cast<KvWatchTable*>(MapViewOfFile(g_watch.mapping, FILE_MAP_WRITE, 0, 0, sizeof(KvWatchTable)));
  g_watch.library = LoadLibraryA((ProgramDir() + "kv_winwatch.dll").c_str());
  if (g_watch.library) {
    auto proc = [](const char* name) {
      return reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(g_watch.library, name)));
    };
    // Global hooks: the system loads the library into each program that makes windows.
    g_watch.cbt = SetWindowsHookExA(WH_CBT, proc("KvWatchCbt"), g_watch.library, 0);
    g_watch.sent = SetWindowsHookExA(WH_CALLWNDPROCRET, proc("KvWatchSent"), g_watch.library, 0);
  }
  if (!WatchReady()) std::fprintf(stderr, "test tool: the window watch has no hooks (error %lu)\n", GetLastError());
}

WindowWatch::~WindowWatch() {
  Release();
  if (--g_watch.users) return;
  if (g_watch.cbt) UnhookWindowsHookEx(g_watch.cbt);
  if (g_watch.sent) UnhookWindowsHookEx(g_watch.sent);
  if (g_watch.library) FreeLibrary(g_watch.library);
  if (g_watch.table) UnmapViewOfFile(g_watch.table);
  if (g_watch.mapping) CloseHandle(g_watch.mapping);
  g_watch = WatchHooks();
}

bool WindowWatch::Watch(DWORD pid) {
  Release();
  if (!WatchReady()) return false;
  const LONG me = LONG(GetCurrentProcessId());
  for (int i = 0; i < KV_WATCH_SLOTS; ++i) {
    KvWatchSlot& slot = g_watch.table->slots[i];
    // A slot is free, or left behind by a test program that has ended.
    const LONG owner = slot.owner;
    if (owner && Running(DWORD(owner))) continue;
    if (InterlockedCompareExchange(&slot.owner, me, owner) != owner) continue;
    InterlockedExchange(&slot.pid, 0);
    std::memset(slot.events, 0, sizeof slot.events);
    InterlockedExchange(&slot.count, 0);
    InterlockedExchange(&slot.pid, LONG(pid));
    slot_ = i;
    return true;
  }
  std::fprintf(stderr, "test tool: no free window watch\n");
  return false;
}

void WindowWatch::Release() {
  if (slot_ < 0) return;
  KvWatchSlot& slot = g_watch.table->slots[slot_];
  InterlockedExchange(&slot.pid, 0);
  InterlockedExchange(&slot.owner, 0);
  slot_ = -1;
}

std::vector<WindowEvent> WindowWatch::Events(const std::string& cls) const {
  std::vector<WindowEvent> out;
  if (slot_ < 0) return out;
  const KvWatchSlot& slot = g_watch.table->slots[slot_];
  const LONG n = std::min<LONG>(LONG(slot.count), KV_WATCH_EVENTS);
  for (LONG i = 0; i < n; ++i) {
    const KvWatchEvent& e = slot.events[i];
    if (!e.ready) break;  // still being written
    WindowEvent ev{WindowEvent::Kind(e.kind), reinterpret_cast<HWND>(ULONG_PTR(e.wnd)),
                   std::string(e.cls, strnlen(e.cls, sizeof e.cls)), e.at, e.window, e.client};
    if (!cls.empty() && Lower(ev.cls) != Lower(cls)) continue;
    // The hooks of every watching program write an event: it is taken once.
    auto last = std::find_if(out.rbegin(), out.rend(), [&](const WindowEvent& o) { return o.wnd == ev.wnd; });
    if (last != out.rend() && SameEvent(*last, ev)) continue;
    out.push_back(ev);
  }
  return out;
}

bool WindowWatch::Overflowed() const { return slot_ >= 0 && g_watch.table->slots[slot_].count > KV_WATCH_EVENTS; }

std::optional<WindowEvent> FirstEvent(const std::vector<WindowEvent>& events, WindowEvent::Kind kind) {
  for (const WindowEvent& e : events)
    if (e.kind == kind) return e;
  return std::nullopt;
}

Process Start(const std::string& commandLine, const std::string& workDir, WindowWatch* watch) {
  Process p;
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  std::string cmd = commandLine;
  if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, watch ? CREATE_SUSPENDED : 0, nullptr,
                     workDir.empty() ? nullptr : workDir.c_str(), &si, &pi)) {
    if (watch) {
      watch->Watch(pi.dwProcessId);
      ResumeThread(pi.hThread);
    }
    CloseHandle(pi.hThread);
    p.handle = pi.hProcess;
    p.pid = pi.dwProcessId;
  } else {
    std::fprintf(stderr, "test tool: could not start %s (error %lu)\n", commandLine.c_str(), GetLastError());
  }
  return p;
}

int WaitExit(Process& p, DWORD timeoutMs) {
  if (!p.handle) return -1;
  DWORD start = GetTickCount();
  for (;;) {
    if (WaitForSingleObject(p.handle, 20) == WAIT_OBJECT_0) break;
    if (GetTickCount() - start > timeoutMs) {
      TerminateProcess(p.handle, 255);
      WaitForSingleObject(p.handle, 5000);
      CloseHandle(p.handle);
      p.handle = nullptr;
      return -1;
    }
    Pump(0);
  }
  DWORD code = 0;
  GetExitCodeProcess(p.handle, &code);
  CloseHandle(p.handle);
  p.handle = nullptr;
  return int(code);
}

UninstallRun RunUninstaller(const std::string& commandLine, DWORD timeoutMs) {
  UninstallRun u;
  const DWORD start = GetTickCount();
  Process p = Start(commandLine);
  if (!p.ok()) return u;
  std::vector<HWND> seen;
  while (GetTickCount() - start < timeoutMs) {
    if (WaitForSingleObject(p.handle, 0) == WAIT_OBJECT_0) break;
    for (HWND box : FindWindows("KMsgBox", p.pid)) {
      if (std::find(seen.begin(), seen.end(), box) == seen.end()) {
        seen.push_back(box);
        u.boxes.push_back(RichText(box));
      }
      // A box still laying itself out has no buttons yet: it is tried again next time.
      if (ClickButton(box, "Yes") || ClickButton(box, "OK")) WaitWindowGone(box, 5000);
    }
    for (HWND form : FindWindows("TMainForm", p.pid)) {
      HWND close = FindChild(form, "Button", "Close");
      if (!u.closed && close && IsWindowEnabled(close) && ClickButton(form, "Close")) u.closed = true;
    }
    Sleep(10);
  }
  u.exitCode = WaitExit(p, 5000);
  u.ms = GetTickCount() - start;
  return u;
}

std::string ProgramDir() {
  char buf[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  std::string s(buf, n);
  return s.substr(0, s.find_last_of('\\') + 1);
}

bool GoneWithin(const std::string& path, DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount() - start > ms) return false;
    Sleep(100);
  }
  return true;
}

bool DeleteTree(const std::string& path) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = path + "\\" + name;
      if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        DeleteTree(full);
      } else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  return RemoveDirectoryA(path.c_str()) != 0;
}

std::string ScratchDir(const std::string& name) {
  // Each lane of the test command runs one test program at a time: a scratch folder of the
  // lane's own is touched by no program of another lane.
  char lane[64] = "";
  GetEnvironmentVariableA("CTEST_RESOURCE_GROUP_0_LANE", lane, sizeof lane);
  const std::string id = std::strncmp(lane, "id:", 3) == 0 ? std::string(lane + 3, std::strcspn(lane + 3, ",")) : "0";
  std::string root = ProgramDir() + "..\\" + (id == "0" ? std::string() : "lanes\\" + id + "\\") + "scratch";
  CreateDirectoryA(root.c_str(), nullptr);
  std::string dir = root + "\\" + name;
  DeleteTree(dir);
  CreateDirectoryA(dir.c_str(), nullptr);
  char full[MAX_PATH];
  GetFullPathNameA(dir.c_str(), MAX_PATH, full, nullptr);
  return full;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = ::WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(h);
  return ok && written == bytes.size();
}

namespace {
const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
}  // namespace

std::string PendingRenameBytes() {
  HKEY key;
  std::string data;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return data;
  DWORD size = 0, type = 0;
  if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    data.resize(size);
    if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(&data[0]),
                         &size) != ERROR_SUCCESS)
      size = 0;
    data.resize(size);
  }
  RegCloseKey(key);
  return data;
}

bool SetPendingRenameBytes(const std::string& bytes) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
  const LONG rc = bytes.empty() ? RegDeleteValueW(key, L"PendingFileRenameOperations")
                                : RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ,
                                                 reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS || (bytes.empty() && rc == ERROR_FILE_NOT_FOUND);
}

std::wstring PendingRenameText() {
  const std::string bytes = PendingRenameBytes();
  std::wstring text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const wchar_t c = wchar_t(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    text.push_back(c ? c : L'|');
  }
  return text;
}

bool ReadFile(const std::string& path, std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD size = GetFileSize(h, nullptr);
  bytes.assign(size, '\0');
  DWORD got = 0;
  BOOL ok = size == 0 || ::ReadFile(h, &bytes[0], size, &got, nullptr);
  CloseHandle(h);
  return ok && got == size;
}

bool CopyFileTo(const std::string& from, const std::string& to) { return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0; }

HBITMAP CreateDib32(int width, int height, void** bits) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
}

bool SetProgramWindowsVersion(const std::string& exeName, const std::string& version) {
  std::string key = "Software\\Wine\\AppDefaults\\" + exeName;
  if (version.empty()) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
      RegDeleteValueA(k, "Version");
      RegCloseKey(k);
    }
    return true;
  }
  HKEY k;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
      ERROR_SUCCESS)
    return false;
  LONG r = RegSetValueExA(k, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                          DWORD(version.size() + 1));
  RegCloseKey(k);
  return r == ERROR_SUCCESS;
}

bool SetProgramDllDisabled(const std::string& exeName, const std::string& dll, bool disabled) {
  std::string key = "Software\\Wine\\AppDefaults\\" + exeName + "\\DllOverrides";
  HKEY k;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) !=
      ERROR_SUCCESS)
    return false;
  LONG r = disabled ? RegSetValueExA(k, dll.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1)
                    : RegDeleteValueA(k, dll.c_str());
  RegCloseKey(k);
  return r == ERROR_SUCCESS || (!disabled && r == ERROR_FILE_NOT_FOUND);
}

SmallDisk::SmallDisk(char letter, unsigned long long size) : root(std::string(1, letter) + ":\\"), bytes(size) {
  ULARGE_INTEGER total = {};
  GetDiskFreeSpaceExA(root.c_str(), nullptr, &total, nullptr);
  if (total.QuadPart != bytes)
    why = root + " is no small disk of " + std::to_string(bytes) + " bytes: tools/test.sh mounts one there as root";
  else if (!Empty())
    why = root + " could not be emptied";
  ok = why.empty();
}

SmallDisk::~SmallDisk() {
  if (ok) Empty();
}

unsigned long long SmallDisk::FreeBytes() const {
  ULARGE_INTEGER free = {};
  GetDiskFreeSpaceExA(root.c_str(), nullptr, nullptr, &free);
  return free.QuadPart;
}

bool SmallDisk::Empty() const {
  tt::DeleteTree(root.substr(0, 2));  // all it holds; a drive root itself is never removed
  return FreeBytes() == bytes;
}

bool SmallDisk::Leave(unsigned long long room) const {
  const unsigned long long page = 4096;
  HANDLE h = CreateFileA((root + "fill.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const std::string chunk(65536, 'u');
  for (DWORD put = 0;;) {
    const unsigned long long free = FreeBytes(), over = free > room ? free - room : 0;
    DWORD n = DWORD(std::min<unsigned long long>(chunk.size(), over / page * page));
    if (!n && !room) n = DWORD(over);  // the last bytes of a disk to fill up
    if (!n || !::WriteFile(h, chunk.data(), n, &put, nullptr) || !put) break;
  }
  CloseHandle(h);
  const unsigned long long free = FreeBytes();
  return room ? free >= room && free - room < page : free == 0;
}

}  // namespace tt
