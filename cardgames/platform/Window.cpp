#include "Window.h"

#include <stdexcept>
#include <vector>

namespace {

const UINT kProductNameId = 3000;

const MessageMapEntry* Find(const MessageMapEntry* list, UINT id) {
  for (; list && list->id != 0; ++list)
    if (list->id == id) return list;
  return nullptr;
}

// The entry of the message map that handles the message, or null.
const MessageMapEntry* Handler(const MessageMap& map, UINT msg, WPARAM wParam) {
  if (msg == WM_COMMAND) {
    const MessageMapEntry* e = Find(map.commands, LOWORD(wParam));
    return e && e->onCommand ? e : nullptr;
  }
  const MessageMapEntry* e = Find(map.messages, msg);
  return e && e->onMessage ? e : nullptr;
}

LRESULT Call(const MessageMapEntry* e, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return msg == WM_COMMAND ? e->onCommand(hwnd, wParam, lParam) : e->onMessage(hwnd, msg, wParam, lParam);
}

void Box(HWND owner, UINT textId, UINT flags) {
  HINSTANCE module = GetModuleHandleA(nullptr);
  MessageBoxA(owner, LoadResourceString(module, textId).c_str(), LoadResourceString(module, kProductNameId).c_str(),
              flags);
}

}  // namespace

LRESULT DispatchMessageMap(const MessageMap& map, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const MessageMapEntry* e = Handler(map, msg, wParam);
  return e ? Call(e, hwnd, msg, wParam, lParam) : 0;
}

LRESULT DispatchWindowMessageMap(const MessageMap& map, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const MessageMapEntry* e = Handler(map, msg, wParam);
  return e ? Call(e, hwnd, msg, wParam, lParam) : DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT DispatchSubclassMessageMap(const MessageMap& map, WNDPROC previous, HWND hwnd, UINT msg, WPARAM wParam,
                                   LPARAM lParam) {
  const MessageMapEntry* e = Handler(map, msg, wParam);
  return e ? Call(e, hwnd, msg, wParam, lParam) : CallWindowProcA(previous, hwnd, msg, wParam, lParam);
}

void CenterInRect(HWND window, int left, int top, int width, int height) {
  RECT r;
  if (!GetWindowRect(window, &r)) return;
  int x = left + (width - (r.right - r.left)) / 2;
  int y = top + (height - (r.bottom - r.top)) / 2;
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CenterWindowOver(HWND window, HWND other) {
  RECT r;
  if (GetWindowRect(other, &r)) CenterInRect(window, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void CenterOnScreen(HWND window) {
  CenterInRect(window, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

void CenterOverParentOrScreen(HWND window) {
  HWND parent = GetParent(window);
  if (parent)
    CenterWindowOver(window, parent);
  else
    CenterOnScreen(window);
}

bool FrameSizes(HWND window, int& border, int& caption) {
  RECT w, c;
  if (!GetWindowRect(window, &w) || !GetClientRect(window, &c)) return false;
  border = ((w.right - w.left) - (c.right - c.left)) / 2;
  caption = (w.bottom - w.top) - (c.bottom - c.top) - 2 * border;
  return true;
}

std::string LoadResourceString(HINSTANCE module, UINT id) {
  std::vector<char> buffer(4096);
  int n = LoadStringA(module, id, buffer.data(), int(buffer.size()));
  return std::string(buffer.data(), n > 0 ? size_t(n) : 0);
}

bool AskYesNo(HWND owner, const std::string& caption, const std::string& text) {
  return MessageBoxA(owner, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void ShowError(HWND owner, const std::string& caption, const std::string& text) {
  MessageBoxA(owner, text.c_str(), caption.c_str(), MB_ICONHAND);
}

void ShowError(HWND owner, UINT textId) { Box(owner, textId, MB_ICONHAND); }
void ShowWarning(HWND owner, UINT textId) { Box(owner, textId, MB_ICONEXCLAMATION); }
void ShowInfo(HWND owner, UINT textId) { Box(owner, textId, MB_ICONINFORMATION); }

DWORD RunProgram(const std::string& commandLine, int show, bool wait) {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  if (show >= 0) {
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = WORD(show);
  }
  PROCESS_INFORMATION pi = {};
  std::vector<char> cmd(commandLine.begin(), commandLine.end());
  cmd.push_back('\0');
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    throw std::runtime_error("CreateProcess:" + std::to_string(GetLastError()));
  DWORD code = 0;
  if (wait) {
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
      MSG msg;
      while (!quit && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          quit = true;  // handed back to the message loop afterwards
          quitCode = msg.wParam;
          break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
      Sleep(100);
      if (!GetExitCodeProcess(pi.hProcess, &code) || code != STILL_ACTIVE) break;
    }
    if (quit) PostQuitMessage(int(quitCode));
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return code;
}
