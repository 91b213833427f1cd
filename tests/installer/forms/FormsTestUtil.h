// Small helpers of the window tests: a test form, a message pump and a memory bitmap.
#pragma once
#include <string>

#include "Forms.h"
#include "TestTool.h"

struct TestForm : TForm {
  explicit TestForm(TForm* owner = nullptr) : TForm("KFormsTestForm", owner, FormBorder::Dialog) {
    SetCaption("Forms test");
    SetClientSize(400, 300);
  }
};

inline void PumpFor(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    Application().ProcessMessages();
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

// A white 32-bit memory bitmap with a canvas on it.
struct MemoryCanvas {
  HDC dc;
  HBITMAP bmp;
  HGDIOBJ old;
  TCanvas canvas;
  int width, height;
  MemoryCanvas(int w, int h) : width(w), height(h) {
    dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bmp = tt::CreateDib32(w, h, &bits);
    old = SelectObject(dc, bmp);
    RECT rc = {0, 0, w, h};
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    canvas.SetHandle(dc);
  }
  ~MemoryCanvas() {
    canvas.SetHandle(nullptr);
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
  // Bounding box of the non-white pixels; right/bottom -1 when there are none.
  RECT Ink() const {
    RECT r = {width, height, -1, -1};
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (At(x, y) != RGB(255, 255, 255)) {
          if (x < r.left) r.left = x;
          if (y < r.top) r.top = y;
          if (x > r.right) r.right = x;
          if (y > r.bottom) r.bottom = y;
        }
    return r;
  }
};
