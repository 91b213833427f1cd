// A memory canvas whose pixels the card-platform tests read back.
#pragma once
#include <windows.h>

#include <vector>

#include "TestTool.h"

namespace tc {

const COLORREF kPaper = RGB(255, 0, 255);

class Canvas {
 public:
  Canvas(int w, int h) : w_(w), h_(h) {
    dc_ = CreateCompatibleDC(nullptr);
    bmp_ = tt::CreateDib32(w, h, reinterpret_cast<void**>(&bits_));
    old_ = SelectObject(dc_, bmp_);
    Clear();
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  void Clear() {
    GdiFlush();
    for (int i = 0; i < w_ * h_; ++i) bits_[i] = 0x00FF00FF;
  }
  COLORREF At(int x, int y) const {
    GdiFlush();
    DWORD v = bits_[y * w_ + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  std::vector<DWORD> Pixels() const {
    GdiFlush();
    return std::vector<DWORD>(bits_, bits_ + w_ * h_);
  }
  int Changed() const {
    int n = 0;
    for (DWORD v : Pixels()) n += (v & 0xFFFFFF) != 0xFF00FF;
    return n;
  }
  int Red() const {
    int n = 0;
    for (DWORD v : Pixels()) {
      int r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
      n += r > 150 && g < 90 && b < 90 && (v & 0xFFFFFF) != 0xFF00FF;
    }
    return n;
  }

 private:
  int w_, h_;
  HDC dc_;
  HBITMAP bmp_;
  HGDIOBJ old_;
  DWORD* bits_ = nullptr;
};

// A plain visible window whose update region the tests read.
class TestWindow {
 public:
  explicit TestWindow(int w = 600, int h = 500) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CardsPaintTestWindow";
    RegisterClassA(&wc);
    hwnd = CreateWindowExA(0, wc.lpszClassName, "cards", WS_POPUP | WS_VISIBLE, 0, 0, w, h, nullptr, nullptr,
                           wc.hInstance, nullptr);
  }
  ~TestWindow() { DestroyWindow(hwnd); }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  // Bounding box of what is waiting to be repainted since the last call; empty when none.
  RECT TakeUpdate() {
    RECT r = {0, 0, 0, 0};
    if (!GetUpdateRect(hwnd, &r, FALSE)) r = RECT{0, 0, 0, 0};
    ValidateRect(hwnd, nullptr);
    return r;
  }
  // Whether the whole of r is waiting to be repainted.
  bool Repaints(const RECT& r) const {
    HRGN update = CreateRectRgn(0, 0, 0, 0), outside = CreateRectRgnIndirect(&r);
    GetUpdateRgn(hwnd, update, FALSE);
    const int left = CombineRgn(outside, outside, update, RGN_DIFF);
    DeleteObject(update);
    DeleteObject(outside);
    return left == NULLREGION;
  }
  HWND hwnd;
};

}  // namespace tc
