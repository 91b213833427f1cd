// A stand-in for the debug viewer: a window of the viewer's class that keeps every piece
// of text the debug channel hands it (from this process or any other).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct DebugViewer {
  static inline std::vector<std::string> pieces;
  static inline UINT message = 0;
  HWND wnd = nullptr;

  static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (message != 0 && msg == message) {
      char text[300] = "";
      GlobalGetAtomNameA(ATOM(lp), text, sizeof text);
      pieces.push_back((wp == 1 ? "" : "<bad wparam>") + std::string(text));
      return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
  }
  DebugViewer() {
    message = RegisterWindowMessageA(".K_DebugMsg.");
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = ".KDebug.";
    RegisterClassA(&wc);
    wnd = CreateWindowA(".KDebug.", "viewer", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                        GetModuleHandleA(nullptr), nullptr);
    pieces.clear();
  }
  ~DebugViewer() { DestroyWindow(wnd); }
  DebugViewer(const DebugViewer&) = delete;
  DebugViewer& operator=(const DebugViewer&) = delete;
};
