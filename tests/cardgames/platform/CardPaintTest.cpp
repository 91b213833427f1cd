#include <gtest/gtest.h>
#include <windows.h>

#include "CardTestKit.h"
#include "CardPile.h"

namespace {
// A plain visible window whose update region the tests read.
class TestWindow {
 public:
  TestWindow() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CardsPaintTestWindow";
    RegisterClassA(&wc);
    hwnd = CreateWindowExA(0, wc.lpszClassName, "cards", WS_POPUP | WS_VISIBLE, 0, 0, 600, 500,
                           nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~TestWindow() { DestroyWindow(hwnd); }
  // Bounding box of what is waiting to be repainted since the last call; empty when none.
  RECT TakeUpdate() {
    RECT r = {0, 0, 0, 0};
    if (!GetUpdateRect(hwnd, &r, FALSE)) r = RECT{0, 0, 0, 0};
    ValidateRect(hwnd, nullptr);
    return r;
  }
  HWND hwnd;
};

void ExpectRect(const RECT& r, long l, long t, long rr, long b) {
  EXPECT_EQ(r.left, l);
  EXPECT_EQ(r.top, t);
  EXPECT_EQ(r.right, rr);
  EXPECT_EQ(r.bottom, b);
}

// A 24-bit memory bitmap, filled black.
class MemoryCanvas {
 public:
  MemoryCanvas(int w, int h) : width(w), height(h) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    dc = CreateCompatibleDC(nullptr);
    bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    old = SelectObject(dc, bmp);
    for (int i = 0; i < w * h; ++i) bits[i] = 0;
  }
  ~MemoryCanvas() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
  std::uint32_t Pixel(int x, int y) const {
    GdiFlush();
    return bits[y * width + x] & 0xFFFFFF;
  }
  int width, height;
  HDC dc;
  HBITMAP bmp;
  HGDIOBJ old;
  std::uint32_t* bits = nullptr;
};
}  // namespace

TEST(PileWindow, ChangesInvalidateThePileArea) {
  TestWindow w;
  ASSERT_NE(w.hwnd, nullptr);
  CardDeck deck;
  FillPack(deck, 2);
  CardStack pile;
  pile.cardWidth = 71;
  pile.cardHeight = 96;
  pile.window = w.hwnd;
  pile.SetPlacement(kRowFromAnchor, 100, 200, 15);
  w.TakeUpdate();

  pile.AddCard(&deck.pack[0]);
  ExpectRect(w.TakeUpdate(), 85, 185, 172, 296);  // grown up and left by the spacing
  pile.AddCard(&deck.pack[1]);
  pile.AddCard(&deck.pack[2]);
  w.TakeUpdate();

  EXPECT_EQ(pile.RemoveCard(&deck.pack[9]), nullptr);
  ExpectRect(w.TakeUpdate(), 0, 0, 0, 0);
  pile.RemoveCard(&deck.pack[2]);
  ExpectRect(w.TakeUpdate(), 85, 185, 202, 296);  // the old, wider area
  pile.ToggleSelect(&deck.pack[0]);
  ExpectRect(w.TakeUpdate(), 85, 185, 187, 296);
  pile.Clear();
  ExpectRect(w.TakeUpdate(), 85, 185, 187, 296);

  // Near the window's edge the area is not moved past the spacing.
  pile.SetPlacement(kColumnFromAnchor, 10, 12, 15);
  w.TakeUpdate();
  pile.AddCard(&deck.pack[0]);
  ExpectRect(w.TakeUpdate(), 10, 12, 81, 109);

  pile.window = nullptr;
  pile.AddCard(&deck.pack[1]);
  ExpectRect(w.TakeUpdate(), 0, 0, 0, 0);
}

TEST(PileWindow, HighlightFillsAroundTheBounds) {
  MemoryCanvas canvas(40, 40);
  CardStack pile;
  pile.bounds = {10, 10, 20, 20};
  pile.PaintHighlight(canvas.dc);
  struct Case { int x, y; std::uint32_t colour; };
  const Case cases[] = {{6, 6, 0xFFFFFF}, {23, 23, 0xFFFFFF}, {15, 15, 0xFFFFFF},
                        {5, 6, 0},        {24, 23, 0},        {23, 24, 0}};
  for (const auto& c : cases) EXPECT_EQ(canvas.Pixel(c.x, c.y), c.colour) << c.x << "," << c.y;
}

TEST(MersenneRandom, ClockSeedIsTheSystemTime) {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  const std::uint32_t seed = ClockSeed();
  // Within a few seconds of each other, in 100 ns units.
  EXPECT_LT(seed - ft.dwLowDateTime, 50000000u);
}
