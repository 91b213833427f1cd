#include "ReadMe.h"

#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "FormsTestUtil.h"
#include "TestTool.h"

namespace {

std::string RichBody(HWND rich) {
  std::vector<char> text(size_t(SendMessageA(rich, WM_GETTEXTLENGTH, 0, 0)) + 1);
  LRESULT n = SendMessageA(rich, WM_GETTEXT, WPARAM(text.size()), reinterpret_cast<LPARAM>(text.data()));
  return std::string(text.data(), size_t(n > 0 ? n : 0));
}

// The whole text as UTF-16.
std::wstring WideBody(HWND rich) {
  std::vector<wchar_t> buf(size_t(SendMessageA(rich, WM_GETTEXTLENGTH, 0, 0)) * 2 + 2);
  GETTEXTEX gt = {};
  gt.cb = DWORD(buf.size() * sizeof(wchar_t));
  gt.codepage = 1200;
  LRESULT n = SendMessageA(rich, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&gt), reinterpret_cast<LPARAM>(buf.data()));
  return std::wstring(buf.data(), size_t(n > 0 ? n : 0));
}

struct Looks {
  int charset = -1;
  bool rtlPara = false, rtlStyle = false, rightAligned = false;
};
Looks LooksOf(HWND rich) {
  Looks l;
  CHARRANGE all = {0, -1};
  SendMessageA(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
  CHARFORMATA cf = {};
  cf.cbSize = sizeof(cf);
  SendMessageA(rich, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  if (cf.dwMask & CFM_CHARSET) l.charset = cf.bCharSet;
  PARAFORMAT2 pf = {};
  pf.cbSize = sizeof(pf);
  SendMessageA(rich, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
  l.rtlPara = (pf.wEffects & PFE_RTLPARA) != 0;
  l.rightAligned = pf.wAlignment == PFA_RIGHT;
  l.rtlStyle = (GetWindowLongA(rich, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
  CHARRANGE none = {0, 0};
  SendMessageA(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
  return l;
}

struct ReadmeSeen {
  bool shown = false;
  std::string caption, body;
  int width = 0, height = 0;
  bool readOnly = false, vscroll = false, statusBar = false, richAboveStatus = false;
  COLORREF background = CLR_INVALID;
};

// Shows the readme window on this thread and reads it from another, then closes it.
ReadmeSeen ShowAndRead(const std::string& caption, const std::string& path, COLORREF background) {
  ReadmeSeen seen;
  std::atomic<bool> returned{false};
  std::thread user([&] {
    HWND wnd = tt::WaitForWindow("TReadmeForm", caption, 20000, GetCurrentProcessId());
    ASSERT_NE(wnd, nullptr);
    Sleep(300);
    seen.shown = true;
    seen.caption = tt::WindowText(wnd);
    RECT r;
    GetWindowRect(wnd, &r);
    seen.width = r.right - r.left;
    seen.height = r.bottom - r.top;
    HWND rich = tt::FindChild(wnd, "RICHEDIT");
    HWND status = tt::FindChild(wnd, "msctls_statusbar32");
    seen.statusBar = status && IsWindowVisible(status);
    if (rich) {
      seen.body = RichBody(rich);
      LONG style = GetWindowLongA(rich, GWL_STYLE);
      seen.readOnly = (style & ES_READONLY) != 0;
      seen.vscroll = (style & WS_VSCROLL) != 0;
      if (status) {
        RECT rr = tt::ChildRect(wnd, rich), sr = tt::ChildRect(wnd, status);
        RECT client = tt::ClientRectOf(wnd);
        seen.richAboveStatus = rr.top == 0 && rr.left == 0 && rr.right == client.right && rr.bottom == sr.top;
      }
      // A pixel of the empty area at the bottom right shows the background.
      RECT rc;
      GetClientRect(rich, &rc);
      HDC dc = GetDC(rich);
      seen.background = GetPixel(dc, rc.right - 10, rc.bottom - 5);
      ReleaseDC(rich, dc);
    }
    tt::CloseWindowNow(wnd);
    for (int i = 0; i < 500 && !returned; ++i) Sleep(10);
    if (!returned) ADD_FAILURE() << "readme window still open";
  });
  ShowReadmeWindow(nullptr, caption, path, background);
  returned = true;
  user.join();
  return seen;
}

const char kRtf[] = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Rich {\\b bold} text\\par}";

}  // namespace

TEST(ReadmeWindow, ShowsPlainOrRichTextByExtension) {
  const std::string dir = tt::ScratchDir("readme_window") + "\\";
  const struct {
    const char* name;
    std::string content;
    const char* body;  // what the window shows, line ends as CR
  } cases[] = {
      {"readme.txt", "First line\r\nSecond line", "First line\rSecond line"},
      {"README.TXT", kRtf, kRtf},  // plain text: the markup shows
      {"readme.rtf", kRtf, "Rich bold text"},
      {"readme", kRtf, "Rich bold text"},
      {"readme.txt.doc", kRtf, "Rich bold text"},
      {"missing.txt", "", ""},
  };
  for (const auto& c : cases) {
    const std::string path = dir + c.name;
    if (std::string(c.name) != "missing.txt") {
      ASSERT_TRUE(tt::WriteFile(path, c.content));
    }
    ReadmeSeen seen = ShowAndRead("Readme of " + std::string(c.name), path, 0xEEFFFF);
    ASSERT_TRUE(seen.shown) << c.name;
    std::string body = seen.body;
    for (size_t at; (at = body.find("\r\n")) != std::string::npos;) body.erase(at + 1, 1);
    EXPECT_EQ(c.body, body) << c.name;
    EXPECT_EQ("Readme of " + std::string(c.name), seen.caption);
  }
}

TEST(ReadmeWindow, SizeControlsAndBackground) {
  const std::string path = tt::ScratchDir("readme_look") + "\\readme.txt";
  std::string longText;  // taller than the window: the scroll bar shows
  for (int i = 0; i < 200; ++i) longText += "Line " + std::to_string(i) + "\r\n";
  ASSERT_TRUE(tt::WriteFile(path, longText));
  const COLORREF colours[] = {0xEEFFFF, RGB(200, 220, 240)};
  for (COLORREF colour : colours) {
    ReadmeSeen seen = ShowAndRead("Readme", path, colour);
    EXPECT_EQ(600, seen.width);
    EXPECT_EQ(425, seen.height);
    EXPECT_TRUE(seen.readOnly);
    EXPECT_TRUE(seen.vscroll);
    EXPECT_TRUE(seen.statusBar);
    EXPECT_TRUE(seen.richAboveStatus);
    EXPECT_EQ(colour, seen.background);
  }
}

TEST(LoadDocument, RightToLeftOnlyForDocumentsInThatScript) {
  const std::string dir = tt::ScratchDir("readme_rtl") + "\\";
  const std::string hebrew = "\xE0\xE1\xE2\xE3 \xF9\xFA ok";  // 6 high bytes, 2 letters
  const std::string even = "\xE0\xE1\xE2 abc";                // 3 against 3
  const std::string hebrewRtf =
      "{\\rtf1\\ansi\\ansicpg1255{\\fonttbl{\\f0\\fcharset177 Arial;}}\\f0 \\'e0\\'e1\\'e2\\'e3 ab\\par}";
  const struct {
    const char* name;
    std::string content;
    int charset;
    bool startRtl;  // the control was made right-to-left for the language
    int wantCharset;
    bool wantRtl;
    wchar_t firstChar;
  } cases[] = {
      {"he.txt", hebrew, 177, false, 177, true, 0x05D0},
      {"he2.txt", hebrew, 177, true, 177, true, 0x05D0},
      {"en.txt", "Licence agreement", 177, true, 0, false, L'L'},
      {"even.txt", even, 177, false, 0, false, 0x00E0},
      {"ar.txt", "\xC7\xE1\xE3 \xE4\xE5", 178, false, 178, true, 0x0627},
      {"he.rtf", hebrewRtf, 177, false, 177, true, 0x05D0},
      {"en.rtf", "{\\rtf1\\ansi Hello world\\par}", 178, true, 0, false, L'H'},
      {"he0.txt", hebrew, 0, false, -2, false, 0x00E0},  // -2: charset left as loaded
  };
  TestForm form;
  for (const auto& c : cases) {
    ASSERT_TRUE(tt::WriteFile(dir + c.name, c.content));
    TRichEdit edit(&form, c.startRtl);
    edit.SetBounds(0, 0, 300, 100);
    EXPECT_TRUE(LoadDocument(edit, dir + c.name, c.charset)) << c.name;
    Looks l = LooksOf(edit.Handle());
    if (c.wantCharset != -2) {
      EXPECT_EQ(c.wantCharset, l.charset) << c.name;
    } else {
      EXPECT_NE(177, l.charset) << c.name;
    }
    EXPECT_EQ(c.wantRtl, l.rtlPara) << c.name;
    EXPECT_EQ(c.wantRtl, l.rtlStyle) << c.name;
    EXPECT_EQ(c.wantRtl, l.rightAligned) << c.name;
    std::wstring text = WideBody(edit.Handle());
    ASSERT_FALSE(text.empty()) << c.name;
    EXPECT_EQ(c.firstChar, text[0]) << c.name;
  }
}

TEST(LoadDocument, UnloadableFileLeavesTheControlEmpty) {
  const std::string dir = tt::ScratchDir("readme_bad") + "\\";
  TestForm form;
  const struct {
    std::string path;
    int charset;
  } cases[] = {{dir + "nothing.txt", 0}, {dir + "nothing.rtf", 177}, {dir, 0}, {"", 178}};
  for (const auto& c : cases) {
    TRichEdit edit(&form);
    edit.SetText("left over");
    EXPECT_FALSE(LoadDocument(edit, c.path, c.charset)) << c.path;
    EXPECT_EQ("", edit.Text()) << c.path;
  }
}
