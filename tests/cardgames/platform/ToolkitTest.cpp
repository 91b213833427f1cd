#include <gtest/gtest.h>

#include <png.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "BitmapButton.h"
#include "Drawing.h"
#include "TestCanvas.h"
#include "TestTool.h"
#include "Window.h"

namespace {

// What the handlers of the test maps saw.
struct Seen {
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  int calls = 0;
} seen;

LRESULT OnUser(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
  seen.msg = msg;
  seen.wParam = wParam;
  seen.lParam = lParam;
  ++seen.calls;
  return 42;
}

LRESULT OnCommand7(HWND, WPARAM wParam, LPARAM lParam) {
  seen.msg = WM_COMMAND;
  seen.wParam = wParam;
  seen.lParam = lParam;
  ++seen.calls;
  return 77;
}

const MessageMapEntry kMessages[] = {{WM_USER + 1, &OnUser}, {}};
const MessageMapEntry kCommands[] = {{7, &OnCommand7}, {}};
const MessageMap kMap = {kMessages, kCommands};

LRESULT CALLBACK MappedProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DispatchWindowMessageMap(kMap, h, m, w, l); }

HWND TopWindow(const char* cls, WNDPROC proc, int x, int y, int w, int h) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = cls;
  RegisterClassA(&wc);
  return CreateWindowExA(0, cls, "test", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr, wc.hInstance, nullptr);
}

WNDPROC previousEdit = nullptr;
const MessageMapEntry kSubMessages[] = {{WM_USER + 1, &OnUser}, {}};
const MessageMap kSubMap = {kSubMessages, nullptr};
LRESULT CALLBACK SubclassProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  return DispatchSubclassMessageMap(kSubMap, previousEdit, h, m, w, l);
}

}  // namespace

TEST(MessageMapTest, DialogDispatch) {
  struct Case {
    UINT msg;
    WPARAM wParam;
    LRESULT result;
    int calls;
  } cases[] = {
      {WM_USER + 1, 5, 42, 1},
      {WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), 77, 1},
      {WM_COMMAND, 8, 0, 0},  // no entry: FALSE, the dialog manager's default
      {WM_USER + 2, 0, 0, 0},
      {WM_NULL, 0, 0, 0},
  };
  for (const Case& c : cases) {
    seen = Seen();
    EXPECT_EQ(c.result, DispatchMessageMap(kMap, nullptr, c.msg, c.wParam, 9)) << c.msg;
    EXPECT_EQ(c.calls, seen.calls) << c.msg;
    if (c.calls) {
      EXPECT_EQ(c.wParam, seen.wParam);
      EXPECT_EQ(9, seen.lParam);
    }
  }
}

TEST(MessageMapTest, WindowAndSubclassDispatch) {
  HWND w = TopWindow("MapTestClass", MappedProc, 0, 0, 50, 50);
  ASSERT_NE(nullptr, w);
  seen = Seen();
  EXPECT_EQ(42, SendMessageA(w, WM_USER + 1, 3, 4));
  EXPECT_EQ(77, SendMessageA(w, WM_COMMAND, 7, 0));
  EXPECT_EQ(2, seen.calls);
  // Unmatched: the default procedure keeps the title.
  EXPECT_EQ(0, SendMessageA(w, WM_COMMAND, 8, 0));
  char title[16] = {};
  GetWindowTextA(w, title, sizeof(title));
  EXPECT_STREQ("test", title);
  DestroyWindow(w);

  HWND edit = CreateWindowExA(0, "EDIT", "before", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, edit);
  previousEdit = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
  seen = Seen();
  EXPECT_EQ(42, SendMessageA(edit, WM_USER + 1, 0, 0));
  SetWindowTextA(edit, "after");  // goes on to the edit control
  GetWindowTextA(edit, title, sizeof(title));
  EXPECT_STREQ("after", title);
  EXPECT_EQ(1, seen.calls);
  DestroyWindow(edit);
}

TEST(PlacementTest, CentresWithHalvesTowardZero) {
  struct Case {
    int otherX, otherW, w, expectX;
  } cases[] = {{0, 501, 200, 150}, {100, 400, 200, 200}, {10, 100, 201, -40}, {0, 200, 200, 0}};
  for (const Case& c : cases) {
    HWND other = TopWindow("PlaceOther", DefWindowProcA, c.otherX, 20, c.otherW, 300);
    HWND w = TopWindow("PlaceWindow", DefWindowProcA, 5, 5, c.w, 100);
    CenterWindowOver(w, other);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(c.expectX, r.left) << c.otherW << " " << c.w;
    EXPECT_EQ(20 + 100, r.top);
    EXPECT_EQ(c.w, r.right - r.left);
    DestroyWindow(w);
    DestroyWindow(other);
  }
}

TEST(RunProgramTest, WaitsPumpsAndReportsFailure) {
  std::string helper = "\"" + tt::ProgramDir() + "cards_ui_helper.exe\"";
  HWND w = TopWindow("RunTestClass", MappedProc, 0, 0, 10, 10);
  seen = Seen();
  PostMessageA(w, WM_USER + 1, 11, 0);
  EXPECT_EQ(7u, RunProgram(helper + " exit 7", SW_HIDE, true));
  EXPECT_EQ(1, seen.calls);  // the posted message was dispatched while waiting
  EXPECT_EQ(0u, RunProgram(helper + " exit 0", -1, true));
  DestroyWindow(w);
  try {
    RunProgram(tt::ProgramDir() + "no_such_program.exe", -1, true);
    ADD_FAILURE() << "started";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ("CreateProcess:2", e.what());
  }
}

namespace {

// A PNG made with libpng, kept in memory.
std::vector<uint8_t> MakePng(int colourType, int bitDepth, int width, int height, const std::vector<uint8_t>& rows,
                             const std::vector<png_color>& palette = {}) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        v->insert(v->end(), data, data + n);
      },
      [](png_structp) {});
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), bitDepth, colourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) png_set_PLTE(png, info, palette.data(), int(palette.size()));
  png_write_info(png, info);
  size_t stride = rows.size() / size_t(height);
  for (int y = 0; y < height; ++y) png_write_row(png, &rows[size_t(y) * stride]);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

// Pixels of a picture as COLORREFs, top row first.
std::vector<COLORREF> PixelsOf(const Bitmap& picture) {
  tc::Canvas c(picture.Width(), picture.Height());
  picture.Draw(c.dc(), 0, 0);
  std::vector<COLORREF> px;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) px.push_back(c.At(x, y));
  return px;
}

}  // namespace

TEST(PngToDibTest, DecodesEveryKindTo24BitColour) {
  const std::vector<COLORREF> six = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255),
                                     RGB(10, 20, 30), RGB(255, 255, 255), RGB(0, 0, 0)};
  std::vector<uint8_t> rgb, rgba, rgb16;
  for (COLORREF c : six) {
    uint8_t r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    rgb.insert(rgb.end(), {r, g, b});
    rgba.insert(rgba.end(), {r, g, b, 128});
    rgb16.insert(rgb16.end(), {r, r, g, g, b, b});
  }
  std::vector<png_color> palette;
  for (COLORREF c : six) palette.push_back(png_color{GetRValue(c), GetGValue(c), GetBValue(c)});
  struct Case {
    const char* name;
    std::vector<uint8_t> png;
    std::vector<COLORREF> expect;
  } cases[] = {
      {"rgb", MakePng(PNG_COLOR_TYPE_RGB, 8, 3, 2, rgb), six},
      {"rgba", MakePng(PNG_COLOR_TYPE_RGB_ALPHA, 8, 3, 2, rgba), six},
      {"rgb16", MakePng(PNG_COLOR_TYPE_RGB, 16, 3, 2, rgb16), six},
      {"palette", MakePng(PNG_COLOR_TYPE_PALETTE, 8, 3, 2, {0, 1, 2, 3, 4, 5}, palette), six},
      {"gray", MakePng(PNG_COLOR_TYPE_GRAY, 8, 3, 2, {0, 50, 100, 150, 200, 255}),
       {RGB(0, 0, 0), RGB(50, 50, 50), RGB(100, 100, 100), RGB(150, 150, 150), RGB(200, 200, 200),
        RGB(255, 255, 255)}},
  };
  for (const Case& c : cases) {
    Bitmap picture;
    ASSERT_TRUE(picture.Attach(PngToDib(c.png.data(), c.png.size()))) << c.name;
    EXPECT_EQ(3, picture.Width());
    EXPECT_EQ(2, picture.Height());
    EXPECT_EQ(c.expect, PixelsOf(picture)) << c.name;
  }
}

TEST(PngToDibTest, DamagedDataGivesNoBitmap) {
  std::vector<uint8_t> good = MakePng(PNG_COLOR_TYPE_RGB, 8, 3, 2, std::vector<uint8_t>(18, 7));
  std::vector<uint8_t> flipped = good;
  flipped[good.size() / 2] ^= 0xFF;
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"cut header", std::vector<uint8_t>(good.begin(), good.begin() + 20)},
      {"cut data", std::vector<uint8_t>(good.begin(), good.end() - 20)},
      {"flipped", flipped},
      {"not png", std::vector<uint8_t>(100, 'x')},
      {"empty", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(nullptr, PngToDib(c.bytes.data(), c.bytes.size())) << c.name;
}

TEST(BitmapTest, MaskedDrawKeepsTransparentPixels) {
  std::vector<uint8_t> rgb = {255, 0, 255, 0, 0, 255, 255, 0, 255, 10, 200, 30};
  Bitmap picture;
  EXPECT_FALSE(picture.Attach(PngToDib(rgb.data(), 0)));
  std::vector<uint8_t> png = MakePng(PNG_COLOR_TYPE_RGB, 8, 2, 2, rgb);
  ASSERT_TRUE(picture.Attach(PngToDib(png.data(), png.size())));
  Bitmap copy = picture;
  ASSERT_NE(picture.Handle(), copy.Handle());
  tc::Canvas c(4, 2);
  // Background of the canvas is the transparent magenta too: paint it white first.
  RECT all = {0, 0, 4, 2};
  FillRect(c.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  copy.DrawMasked(c.dc(), 0, 0, RGB(255, 0, 255));
  copy.Draw(c.dc(), 2, 0);
  EXPECT_EQ(RGB(255, 255, 255), c.At(0, 0));
  EXPECT_EQ(RGB(0, 0, 255), c.At(1, 0));
  EXPECT_EQ(RGB(255, 255, 255), c.At(0, 1));
  EXPECT_EQ(RGB(10, 200, 30), c.At(1, 1));
  EXPECT_EQ(RGB(255, 0, 255), c.At(2, 0));
  EXPECT_EQ(RGB(10, 200, 30), c.At(3, 1));
}

namespace {

std::vector<std::pair<WPARAM, LPARAM>> commands;

LRESULT CALLBACK ParentProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_COMMAND) {
    commands.push_back({w, l});
    return 0;
  }
  return DefWindowProcA(h, m, w, l);
}

LPARAM At(int x, int y) { return MAKELPARAM(WORD(short(x)), WORD(short(y))); }

}  // namespace

TEST(BitmapButtonTest, ClicksSendCommandToParent) {
  BitmapButton::RegisterButtonClass(GetModuleHandleA(nullptr));
  BitmapButton::RegisterButtonClass(GetModuleHandleA(nullptr));  // once is enough
  HWND parent = TopWindow("ButtonParent", ParentProc, 0, 0, 300, 200);
  struct Case {
    const char* name;
    bool enabled, toggle;
    int upX, upY;
    size_t commands;
  } cases[] = {
      {"inside", true, false, 45, 15, 1},
      {"far edge", true, false, 90, 30, 1},  // edges belong to the button
      {"outside", true, false, 91, 15, 0},
      {"above", true, false, 45, -1, 0},
      {"disabled", false, false, 45, 15, 0},
      {"toggle", true, true, 10, 10, 1},
  };
  for (const Case& c : cases) {
    BitmapButton button("New Game", 1003);
    HWND w = button.Create(parent, 25, 100, 90, 30);
    ASSERT_NE(nullptr, w);
    EXPECT_EQ("RwButtonClass", tt::ClassOf(w));
    EXPECT_EQ(1003, GetDlgCtrlID(w));
    button.Enable(c.enabled);
    if (c.toggle) button.SetBehaviour(BitmapButton::Toggle);
    commands.clear();
    SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
    EXPECT_EQ(c.enabled, button.IsPressed()) << c.name;
    SendMessageA(w, WM_MOUSEMOVE, MK_LBUTTON, At(c.upX, c.upY));
    SendMessageA(w, WM_LBUTTONUP, 0, At(c.upX, c.upY));
    EXPECT_FALSE(button.IsPressed()) << c.name;
    ASSERT_EQ(c.commands, commands.size()) << c.name;
    if (c.commands) {
      EXPECT_EQ(WPARAM(1003), commands[0].first);
      EXPECT_EQ(reinterpret_cast<LPARAM>(w), commands[0].second);
    }
    EXPECT_EQ(c.toggle, button.IsChecked()) << c.name;
  }
  DestroyWindow(parent);
}

namespace {

// A button whose owner deletes it in the command handler, as a closing dialog does.
// The freed memory is then filled with the handle of a watch window, so any use of the
// button after the command shows up as a repaint request on that window.
alignas(BitmapButton) unsigned char buttonStore[sizeof(BitmapButton)];
BitmapButton* storedButton = nullptr;
HWND watchWindow = nullptr;

LRESULT CALLBACK DeletingParentProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_COMMAND && storedButton) {
    storedButton->~BitmapButton();
    storedButton = nullptr;
    for (size_t i = 0; i + sizeof(HWND) <= sizeof(buttonStore); i += sizeof(HWND))
      memcpy(buttonStore + i, &watchWindow, sizeof(HWND));
    return 0;
  }
  return DefWindowProcA(h, m, w, l);
}

}  // namespace

TEST(BitmapButtonTest, OwnerMayDeleteTheButtonOnItsCommand) {
  BitmapButton::RegisterButtonClass(GetModuleHandleA(nullptr));
  HWND parent = TopWindow("ButtonDeletingParent", DeletingParentProc, 0, 0, 300, 200);
  watchWindow = TopWindow("ButtonWatch", DefWindowProcA, 310, 0, 50, 50);
  struct Case {
    const char* name;
    UINT down, up;
    WPARAM key;
  } cases[] = {{"click", WM_LBUTTONDOWN, WM_LBUTTONUP, 0}, {"enter", 0, WM_KEYDOWN, VK_RETURN}};
  for (const Case& c : cases) {
    storedButton = new (buttonStore) BitmapButton("OK", 1);
    storedButton->SetDefault(true);
    HWND w = storedButton->Create(parent, 0, 0, 60, 20);
    ASSERT_NE(nullptr, w);
    UpdateWindow(watchWindow);
    ValidateRect(watchWindow, nullptr);
    if (c.down) SendMessageA(w, c.down, MK_LBUTTON, At(5, 5));
    SendMessageA(w, c.up, c.key, c.key ? 0 : At(5, 5));
    EXPECT_EQ(nullptr, storedButton) << c.name;
    EXPECT_FALSE(IsWindow(w)) << c.name;
    EXPECT_FALSE(GetUpdateRect(watchWindow, nullptr, FALSE)) << c.name;
    if (storedButton) storedButton->~BitmapButton();
    storedButton = nullptr;
  }
  DestroyWindow(watchWindow);
  DestroyWindow(parent);
}

TEST(BitmapButtonTest, EnterAndEscapeForDefaultAndCancel) {
  BitmapButton::RegisterButtonClass(GetModuleHandleA(nullptr));
  HWND parent = TopWindow("ButtonParent2", ParentProc, 0, 0, 300, 200);
  struct Case {
    bool isDefault, isCancel;
    WPARAM key;
    size_t commands;
  } cases[] = {{true, false, VK_RETURN, 1}, {false, false, VK_RETURN, 0}, {false, true, VK_ESCAPE, 1},
               {true, false, VK_ESCAPE, 0}, {true, true, VK_SPACE, 0}};
  for (const Case& c : cases) {
    BitmapButton button("OK", 1);
    HWND w = button.Create(parent, 0, 0, 60, 20);
    button.SetDefault(c.isDefault);
    button.SetCancel(c.isCancel);
    commands.clear();
    SendMessageA(w, WM_KEYDOWN, c.key, 0);
    EXPECT_EQ(c.commands, commands.size()) << c.key;
  }
  DestroyWindow(parent);
}

TEST(BitmapButtonTest, PaintsFaceFrameAndBevel) {
  BitmapButton::RegisterButtonClass(GetModuleHandleA(nullptr));
  HWND parent = TopWindow("ButtonParent3", ParentProc, 0, 0, 300, 200);
  BitmapButton button("Exit", 1001);
  button.SetColours(0x800000, 0xFFFFFF, 0x808080);
  button.SetFont("Arial", 14, FW_BOLD);
  button.SetFrame(2, 1, 2);
  HWND w = button.Create(parent, 0, 0, 90, 30);
  struct Case {
    bool pressed;
    COLORREF topLeftBevel, bottomRightBevel;
  } cases[] = {{false, RGB(255, 255, 255), RGB(128, 128, 128)}, {true, RGB(128, 128, 128), RGB(255, 255, 255)}};
  for (const Case& c : cases) {
    if (c.pressed) SendMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    InvalidateRect(w, nullptr, FALSE);
    UpdateWindow(w);
    HDC dc = GetDC(w);
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 0, 0)) << c.pressed;
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 89, 29)) << c.pressed;
    EXPECT_EQ(c.topLeftBevel, GetPixel(dc, 1, 10)) << c.pressed;
    EXPECT_EQ(c.topLeftBevel, GetPixel(dc, 2, 10)) << c.pressed;
    EXPECT_EQ(c.bottomRightBevel, GetPixel(dc, 88, 10)) << c.pressed;
    EXPECT_EQ(COLORREF(0x800000), GetPixel(dc, 4, 10)) << c.pressed;
    int white = 0;  // the text
    for (int x = 20; x < 70; ++x)
      for (int y = 8; y < 22; ++y) white += GetPixel(dc, x, y) == RGB(255, 255, 255);
    EXPECT_GT(white, 10) << c.pressed;
    ReleaseDC(w, dc);
  }
  DestroyWindow(parent);
}
