// A person at the screen, for tests: find windows, read their controls, click buttons,
// start programs, and prepare folders and per-program Windows versions.
#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tt {

// Waits until a visible top-level window with the class and/or exact title exists
// (either may be empty = any). pid 0 = any process. Returns null on timeout.
HWND WaitForWindow(const std::string& cls, const std::string& title, DWORD timeoutMs, DWORD pid = 0);
// Waits until the window is gone.
bool WaitWindowGone(HWND wnd, DWORD timeoutMs);
// Asks again until the condition holds; false when it never did within the time.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);
// All top-level windows of a class (visible ones).
std::vector<HWND> FindWindows(const std::string& cls, DWORD pid = 0);

std::string WindowText(HWND wnd);
std::string ClassOf(HWND wnd);
// Child controls in creation order (descendants included).
std::vector<HWND> Children(HWND wnd);
// Texts of all child controls, in order.
std::vector<std::string> ControlTexts(HWND wnd);
// First child of that class (ignoring case); null when none.
HWND FindChild(HWND wnd, const std::string& cls, const std::string& text = std::string());
// Text of the first rich-edit child (the message box body).
std::string RichText(HWND wnd);

// Presses a button child by caption (exact; "&" ignored) or by control id.
bool ClickButton(HWND wnd, const std::string& caption);
bool ClickButtonId(HWND wnd, int id);
// Asks the window to close, as the title-bar button does.
void CloseWindowNow(HWND wnd);

RECT ClientRectOf(HWND wnd);
// Rectangle of a child in the parent's client coordinates.
RECT ChildRect(HWND parent, HWND child);

// What happened to a top-level window of a watched program, and when.
struct WindowEvent {
  enum Kind { Created, Shown, Hidden, Moved, Destroyed };
  Kind kind;
  HWND wnd;
  std::string cls;
  DWORD at;  // GetTickCount() in the watched program at the moment it happened
  RECT window, client;  // then, in screen coordinates
};

// Watches the top-level windows of one program through window hooks: each creation, show,
// hide, move and end is written down in the program as it happens. Nothing is missed, also
// a window that lives for a moment or goes just before its program ends; the events stay
// readable after the end. Start a program with a watch to see it from its first window.
class WindowWatch {
 public:
  WindowWatch();
  ~WindowWatch();
  WindowWatch(const WindowWatch&) = delete;
  WindowWatch& operator=(const WindowWatch&) = delete;
  // Watches the process (one at a time); false when the hooks or a free slot are missing.
  bool Watch(DWORD pid);
  // The events so far, in order; with a class (letter case ignored), only its windows'.
  std::vector<WindowEvent> Events(const std::string& cls = std::string()) const;
  // More events happened than the watch keeps.
  bool Overflowed() const;

 private:
  void Release();
  int slot_ = -1;
};

// The first event of that kind in the list, if any.
std::optional<WindowEvent> FirstEvent(const std::vector<WindowEvent>& events, WindowEvent::Kind kind);

// Program start and end.
struct Process {
  HANDLE handle = nullptr;
  DWORD pid = 0;
  bool ok() const { return handle != nullptr; }
};
// With a watch, the program is watched before it runs.
Process Start(const std::string& commandLine, const std::string& workDir = std::string(),
              WindowWatch* watch = nullptr);
// Waits for the end; returns the exit code, or -1 on timeout (the process is then killed).
int WaitExit(Process& p, DWORD timeoutMs);

// Runs an uninstaller as a person would: Yes (else OK) to each of its boxes, Close once the
// removal window enables it; the texts of the boxes in order, a box slow to go counted once.
struct UninstallRun {
  std::vector<std::string> boxes;
  bool closed = false;
  int exitCode = -2;
  DWORD ms = 0;  // from the start to the end of the program
};
UninstallRun RunUninstaller(const std::string& commandLine, DWORD timeoutMs = 60000);

// Folder of the running test program, with a trailing backslash.
std::string ProgramDir();
// A fresh, empty scratch folder for one test (under the scratch folder of the test's lane).
std::string ScratchDir(const std::string& name);
bool DeleteTree(const std::string& path);
// Waits until the path is gone; false when it is still there after the time.
bool GoneWithin(const std::string& path, DWORD ms);
bool WriteFile(const std::string& path, const std::string& bytes);
bool ReadFile(const std::string& path, std::string& bytes);
bool CopyFileTo(const std::string& from, const std::string& to);
// The system's pending renames (PendingFileRenameOperations) as their raw bytes, and set so;
// empty bytes remove the value.
std::string PendingRenameBytes();
bool SetPendingRenameBytes(const std::string& bytes);
// The same as wide text, each name ended by '|'.
std::wstring PendingRenameText();

// A top-down 32-bit DIB section of the given size; its pixels at *bits.
HBITMAP CreateDib32(int width, int height, void** bits);

// Windows version that Wine reports to one program ("win98", "winxp", ...); empty removes it.
bool SetProgramWindowsVersion(const std::string& exeName, const std::string& version);
// Makes a DLL missing for one program, as WINEDLLOVERRIDES="<dll>=" would (false undoes it).
bool SetProgramDllDisabled(const std::string& exeName, const std::string& dll, bool disabled);

// One of the lane's small disks (S: holds 3 MB, T: 10 MB; tools/test.sh mounts them as
// root), emptied when taken and when let go. Without it `why` says what is missing, and the
// test is skipped.
struct SmallDisk {
  SmallDisk(char letter, unsigned long long size);
  ~SmallDisk();
  unsigned long long FreeBytes() const;
  bool Empty() const;  // removes everything on it; true when the whole disk is free again
  // Fills it with a file of the user's, fill.bin, until `room` bytes are free and less than a
  // page more (with no room: until it is full); true when it is so.
  bool Leave(unsigned long long room) const;
  std::string root, why;
  unsigned long long bytes;
  bool ok = false;
};
#define KV_NEED_DISK(disk) \
  if (!(disk).ok) GTEST_SKIP() << (disk).why

}  // namespace tt
