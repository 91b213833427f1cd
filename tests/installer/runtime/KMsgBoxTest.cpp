#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

#include "KMsgBox.h"
#include "TestTool.h"

namespace {

// Finds the next box of this process that is fully built (its buttons exist).
HWND WaitForBox(HWND notThis = nullptr, DWORD timeoutMs = 10000) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    for (HWND w : tt::FindWindows("KMsgBox", GetCurrentProcessId())) {
      if (w != notThis && tt::FindChild(w, "Button")) {
        Sleep(150);
        return w;
      }
    }
    Sleep(20);
  }
  return nullptr;
}

// Runs `show` on this thread while `act` plays the user on another; `act` must end the box.
int WithBox(const std::function<int()>& show, const std::function<void(HWND)>& act) {
  std::atomic<bool> returned{false};
  std::thread user([&] {
    HWND box = WaitForBox(nullptr, 60000);
    ASSERT_NE(box, nullptr) << "no box appeared";
    act(box);
    // Window handles are reused: wait for the caller, not for the handle to vanish.
    for (int i = 0; i < 300 && !returned; ++i) Sleep(10);
    if (!returned) {
      ADD_FAILURE() << "box still open";
      tt::CloseWindowNow(box);
    }
  });
  int r = show();
  returned = true;
  user.join();
  return r;
}

// The whole text of the box's body, however long.
std::string BodyText(HWND box) {
  HWND rich = tt::FindChild(box, "RICHEDIT");
  if (!rich) return std::string();
  std::vector<char> text(size_t(SendMessageA(rich, WM_GETTEXTLENGTH, 0, 0)) + 1);
  LRESULT n = SendMessageA(rich, WM_GETTEXT, WPARAM(text.size()), reinterpret_cast<LPARAM>(text.data()));
  return std::string(text.data(), size_t(n > 0 ? n : 0));
}

// The body's character at the position is bold.
bool BoldAt(HWND rich, int pos) {
  CHARRANGE cr = {pos, pos + 1};
  SendMessageA(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&cr));
  CHARFORMATA cf = {};
  cf.cbSize = sizeof(cf);
  SendMessageA(rich, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  return (cf.dwMask & CFM_BOLD) && (cf.dwEffects & CFE_BOLD);
}

std::string WithoutLineBreaks(std::string text) {
  text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }), text.end());
  return text;
}

std::vector<HWND> Buttons(HWND box) {
  std::vector<HWND> out;
  for (HWND c : tt::Children(box))
    if (tt::ClassOf(c) == "Button") out.push_back(c);
  return out;
}

}  // namespace

TEST(KMsgBox, ButtonSetsCaptionsIdsAndPlaces) {
  struct Case { DWORD set; std::vector<std::string> captions; std::vector<int> ids; };
  const Case cases[] = {
      {0, {"OK"}, {1}},
      {1, {"OK", "Cancel"}, {1, 2}},
      {2, {"Abort", "Retry", "Ignore"}, {3, 4, 5}},
      {3, {"Yes", "No", "Cancel"}, {6, 7, 2}},
      {4, {"Yes", "No"}, {6, 7}},
      {5, {"Retry", "Cancel"}, {4, 2}},
  };
  for (const auto& c : cases) {
    for (size_t press = 0; press < c.ids.size(); ++press) {
      int id = WithBox([&] { return ShowMsgBox(nullptr, "Choose one.", "Buttons", c.set, kDefaultBtnText); },
                       [&](HWND box) {
                         auto buttons = Buttons(box);
                         ASSERT_EQ(buttons.size(), c.captions.size());
                         RECT client = tt::ClientRectOf(box);
                         for (size_t i = 0; i < buttons.size(); ++i) {
                           EXPECT_EQ(tt::WindowText(buttons[i]), c.captions[i]);
                           EXPECT_EQ(GetDlgCtrlID(buttons[i]), c.ids[i]);
                           RECT r = tt::ChildRect(box, buttons[i]);
                           EXPECT_EQ(r.right - r.left, 70);
                           EXPECT_EQ(r.bottom - r.top, 23);
                           EXPECT_EQ(r.top, client.bottom - 29);
                           EXPECT_EQ(r.left, client.right - 80 - 70 * int(buttons.size() - 1 - i));
                         }
                         tt::ClickButton(box, c.captions[press]);
                       });
      EXPECT_EQ(id, c.ids[press]) << "set " << c.set << " button " << press;
    }
  }
}

TEST(KMsgBox, TranslatedCaptionsComeFromTheList) {
  const std::string german = "|Gut|Abbrechen|Ja|Nein|Abbruch|Wiederholen|Ignorieren|";
  bool yes = true;
  WithBox([&] { return int(yes = AskYesNo(KMSG_OWNER_ACTIVE, "Weiter?", "Frage", german, 0)); },
          [&](HWND box) {
            auto buttons = Buttons(box);
            ASSERT_EQ(buttons.size(), 2u);
            EXPECT_EQ(tt::WindowText(buttons[0]), "Ja");
            EXPECT_EQ(tt::WindowText(buttons[1]), "Nein");
            tt::ClickButton(box, "Nein");
          });
  EXPECT_FALSE(yes);
}

TEST(KMsgBox, TitleBarCloseAnswersNeitherYesNorOk) {
  bool yes = true, ok = true;
  WithBox([&] { return int(yes = AskYesNo(KMSG_OWNER_ACTIVE, "Sure?", "Q", kDefaultBtnText, 0)); },
          [](HWND box) { tt::CloseWindowNow(box); });
  WithBox([&] { return int(ok = AskOkCancel(KMSG_OWNER_ACTIVE, "Go?", "Q", kDefaultBtnText, 0)); },
          [](HWND box) { tt::CloseWindowNow(box); });
  EXPECT_FALSE(yes);
  EXPECT_FALSE(ok);
  int id = WithBox([] { return ShowMsgBox(nullptr, "x", "x", 3, kDefaultBtnText); },
                   [](HWND box) { tt::CloseWindowNow(box); });
  EXPECT_EQ(id, 0);
}

TEST(KMsgBox, BodyTagsAndTitledWrapping) {
  MsgBodyText b = ParseMsgBody("<b>One</B> and <B>two</b> bold</B>, done");
  EXPECT_EQ(b.text, "One and two bold, done");
  ASSERT_EQ(b.bold.size(), 2u);
  EXPECT_EQ(b.text.substr(b.bold[0].start, b.bold[0].length), "One");
  EXPECT_EQ(b.text.substr(b.bold[1].start, b.bold[1].length), "two");
  EXPECT_EQ(ParseMsgBody("<<b>T</b>\\\\nx").text, "T\r\nx");
  EXPECT_EQ(ParseMsgBody(std::string("SET_X(a\0b)", 10)).text, "SET_X(a\\0b)");  // a NUL is shown, not an end

  // Owner 0: the upper-cased caption in bold, a blank line, then the text.
  std::string shown;
  bool captionBold = false, textBold = true;
  WithBox([] { return ShowMessageBoxEx(KMSG_OWNER_TITLED, "Disk is <b>full</b>", "Warning", kDefaultBtnText, 0, 0); },
          [&](HWND box) {
            shown = tt::RichText(box);
            HWND rich = tt::FindChild(box, "RICHEDIT");
            ASSERT_NE(rich, nullptr);
            captionBold = BoldAt(rich, 1);
            textBold = BoldAt(rich, int(shown.find("Disk")) - 2);
            tt::ClickButton(box, "OK");
          });
  EXPECT_EQ(shown.substr(0, 7), "WARNING");
  EXPECT_NE(shown.find("Disk is full"), std::string::npos);
  EXPECT_EQ(shown.find("<b>"), std::string::npos);
  EXPECT_TRUE(captionBold);
  EXPECT_FALSE(textBold);
}

// The bold stretches sit on the words the tags enclose, however many line breaks come first.
TEST(KMsgBox, BoldFollowsLineBreaks) {
  const std::string raw = "<b>Demo</b> --- is running!<p><p>Please close <b>Demo</b>\\\\nand click <b>OK</b>.";
  const std::vector<std::string> boldWords = {"Demo", "Demo", "OK"};
  std::string shown, bold;
  WithBox([&] { return ShowMsgBox(nullptr, raw, "Attention", 0, kDefaultBtnText); },
          [&](HWND box) {
            shown = tt::RichText(box);
            HWND rich = tt::FindChild(box, "RICHEDIT");
            ASSERT_NE(rich, nullptr);
            // The control's character positions are those of the text it gives back; a
            // line break has no look of its own.
            for (int i = 0; i < int(shown.size()); ++i)
              bold += shown[i] != '\r' && shown[i] != '\n' && BoldAt(rich, i) ? shown[i] : ' ';
            tt::ClickButton(box, "OK");
          });
  ASSERT_EQ(shown, "Demo --- is running!\r\n\r\nPlease close Demo\r\nand click OK.");
  std::string expected(shown.size(), ' ');
  size_t from = 0;
  for (const std::string& w : boldWords) {
    from = shown.find(w, from);
    expected.replace(from, w.size(), w);
    from += w.size();
  }
  EXPECT_EQ(bold, expected);
}

// Long texts open with their bold in a box that fits the screen and scrolls what it cannot
// show; a text beyond what the control takes in promptly shows its beginning and says how
// much more there is.
TEST(KMsgBox, LongTextsShowInABoxOnTheScreen) {
  std::string longLine, manyLines;
  while (longLine.size() < 100 * 1024) longLine += "lorem ipsum ";
  while (manyLines.size() < 1024 * 1024) manyLines += "A line of a long report, one of many.<p>";
  struct Case {
    const char* name;
    std::string text;
    const char* boldWord;
    bool whole;
  };
  const Case cases[] = {
      {"10 KB line", longLine.substr(0, 10 * 1024) + "<b>END</b>", "END", true},
      {"100 KB line", "<b>START</b>" + longLine + "<b>END</b>", "END", true},
      {"1 MB of lines", "<b>START</b>" + manyLines, "START", false},
      {"NUL inside", std::string("before\0after", 12) + "<b>END</b>", "END", true},
  };
  const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  for (const Case& c : cases) {
    RECT boxRect = {};
    std::string shown;
    bool wordBold = false, beforeBold = true;
    WithBox([&] { return ShowMsgBox(nullptr, c.text, c.name, 0, kDefaultBtnText); },
            [&](HWND box) {
              GetWindowRect(box, &boxRect);
              shown = BodyText(box);
              HWND rich = tt::FindChild(box, "RICHEDIT");
              const int at = int(shown.rfind(c.boldWord));
              wordBold = at >= 0 && BoldAt(rich, at) && BoldAt(rich, at + 2);
              beforeBold = at > 0 && BoldAt(rich, at - 1);
              tt::ClickButton(box, "OK");
            });
    const std::string full = WithoutLineBreaks(ParseMsgBody(c.text).text);
    if (c.whole) {
      EXPECT_EQ(WithoutLineBreaks(shown), full) << c.name;
    } else {
      const size_t note = shown.rfind("\r\n[... ");
      ASSERT_NE(note, std::string::npos) << c.name;
      const std::string part = WithoutLineBreaks(shown.substr(0, note));
      EXPECT_EQ(full.compare(0, part.size(), part), 0) << c.name;
      EXPECT_GE(part.size(), 100000u) << c.name;
      EXPECT_EQ(shown.substr(note + 2), "[... " + std::to_string(ParseMsgBody(c.text).text.size() - note) +
                                            " more characters]")
          << c.name;
    }
    EXPECT_TRUE(wordBold) << c.name;
    EXPECT_FALSE(beforeBold) << c.name;
    EXPECT_GE(boxRect.left, 0) << c.name;
    EXPECT_GE(boxRect.top, 0) << c.name;
    EXPECT_LE(boxRect.right, screenW) << c.name;
    EXPECT_LE(boxRect.bottom, screenH) << c.name;
  }
}

TEST(KMsgBox, SizeRules) {
  // A short line: the minimum width, and the wide margins of a narrow body.
  RECT boxRect = {}, bodyRect = {}, client = {};
  WithBox([] { return ShowMsgBox(nullptr, "Short.", "Size", 0, kDefaultBtnText); },
          [&](HWND box) {
            GetWindowRect(box, &boxRect);
            client = tt::ClientRectOf(box);
            bodyRect = tt::ChildRect(box, tt::FindChild(box, "RICHEDIT"));
            tt::ClickButton(box, "OK");
          });
  EXPECT_EQ(boxRect.right - boxRect.left, 360);
  int bodyW = bodyRect.right - bodyRect.left, bodyH = bodyRect.bottom - bodyRect.top;
  EXPECT_EQ(bodyRect.left, (client.right - bodyW - 54) / 2 + 54);
  EXPECT_EQ(bodyRect.top, (client.bottom - bodyH - 36) / 2);
  EXPECT_EQ(client.bottom, bodyH + 2 * 45 + 36);  // low body: vertical margin 45

  // One long line wraps to a body of at most 400 + 20 steps of 10 pixels.
  std::string longLine;
  for (int i = 0; i < 40; ++i) longLine += "word" + std::to_string(i) + " ";
  WithBox([&] { return ShowMsgBox(nullptr, longLine, "Size", 0, kDefaultBtnText); },
          [&](HWND box) {
            GetWindowRect(box, &boxRect);
            client = tt::ClientRectOf(box);
            bodyRect = tt::ChildRect(box, tt::FindChild(box, "RICHEDIT"));
            tt::ClickButton(box, "OK");
          });
  bodyW = bodyRect.right - bodyRect.left;
  EXPECT_GE(bodyW, 200);
  EXPECT_LE(bodyW, 400 + 200 + 10 + 10);  // at most 20 steps, then the widest request + 10
  EXPECT_EQ(client.right, bodyW + 2 * 32 + 54);  // wide body: horizontal margin 32
  EXPECT_GT(boxRect.right - boxRect.left, 360);
  int screenW = GetSystemMetrics(SM_CXSCREEN);
  EXPECT_LE(std::abs((boxRect.left + boxRect.right) / 2 - screenW / 2), 1);  // centred
}

TEST(KMsgBox, BodyGrowsInTenPixelSteps) {
  // A line a little shorter than the 400-pixel cap: the body starts at its measured width
  // and grows only in steps of 10.
  HFONT font = CreateFontA(13, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS | DEFAULT_PITCH, "Tahoma");
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  std::string text = "The quick brown fox";
  SIZE sz;
  for (;;) {
    GetTextExtentPoint32A(dc, (text + " jumps").c_str(), int(text.size() + 6), &sz);
    if (sz.cx > 380) break;
    text += " jumps";
  }
  GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &sz);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  RECT bodyRect = {};
  WithBox([&] { return ShowMsgBox(nullptr, text, "Steps", 0, kDefaultBtnText); },
          [&](HWND box) {
            bodyRect = tt::ChildRect(box, tt::FindChild(box, "RICHEDIT"));
            tt::ClickButton(box, "OK");
          });
  int bodyW = bodyRect.right - bodyRect.left;
  EXPECT_GE(bodyW, sz.cx);
  EXPECT_LE(bodyW, sz.cx + 200);
  EXPECT_EQ((bodyW - sz.cx) % 10, 0) << bodyW << " from " << sz.cx;
}

TEST(KMsgBox, RightToLeftForHebrewAndArabic) {
  for (int charset : {177, 178, 0}) {
    LONG style = 0, exStyle = 0;
    WithBox([&] { return ShowMessageBoxEx(KMSG_OWNER_ACTIVE, "text", "c", kDefaultBtnText, charset, 0); },
            [&](HWND box) {
              HWND rich = tt::FindChild(box, "RICHEDIT");
              style = GetWindowLongA(rich, GWL_STYLE);
              exStyle = GetWindowLongA(rich, GWL_EXSTYLE);
              tt::ClickButton(box, "OK");
            });
    bool rtl = charset != 0;
    EXPECT_EQ((style & ES_RIGHT) != 0, rtl) << charset;
    EXPECT_EQ((exStyle & WS_EX_RTLREADING) != 0, rtl) << charset;
  }
}

TEST(KMsgBox, DefaultButtonHasTheFocus) {
  DWORD guiThread = GetCurrentThreadId();
  std::string focused, defaultStyled;
  WithBox([] { return ShowMsgBox(nullptr, "Which?", "Default", 3 | 0x100, kDefaultBtnText); },
          [&](HWND box) {
            for (HWND b : Buttons(box))
              if ((GetWindowLongA(b, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) defaultStyled = tt::WindowText(b);
            // Other test programs share this screen and may hold the foreground: the focus
            // is only asked of the box's thread when it has one at all.
            for (int i = 0; i < 50 && focused.empty(); ++i) {
              GUITHREADINFO gi = {};
              gi.cbSize = sizeof(gi);
              GetGUIThreadInfo(guiThread, &gi);
              if (gi.hwndFocus && tt::ClassOf(gi.hwndFocus) == "Button") focused = tt::WindowText(gi.hwndFocus);
              else Sleep(20);
            }
            tt::ClickButton(box, "Cancel");
          });
  EXPECT_EQ(defaultStyled, "No");
  if (!focused.empty()) {
    EXPECT_EQ(focused, "No");
  }
}

namespace {
std::atomic<int> g_innerResult{-1};
void CALLBACK OpenInnerBox(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_innerResult = ShowMsgBox(nullptr, "Inner box", "Inner", 4, kDefaultBtnText);
}
void CALLBACK PostQuit(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  PostQuitMessage(7);
}
}  // namespace

TEST(KMsgBox, SecondBoxFromATimerAnswersItsOwnCaller) {
  g_innerResult = -1;
  std::thread user([] {
    HWND outer = WaitForBox();
    ASSERT_NE(outer, nullptr);
    HWND inner = WaitForBox(outer);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(tt::WindowText(inner), "Inner");
    tt::ClickButton(inner, "No");
    Sleep(500);
    tt::ClickButton(outer, "Retry");
  });
  SetTimer(nullptr, 0, 200, OpenInnerBox);
  int outerResult = ShowMsgBox(nullptr, "Outer box", "Outer", 5, kDefaultBtnText);
  user.join();
  EXPECT_EQ(g_innerResult.load(), IDNO);
  EXPECT_EQ(outerResult, IDRETRY);
  // The class is gone once no box is open, and comes back for the next one.
  WNDCLASSA wc;
  EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "KMsgBox", &wc));
}

TEST(KMsgBox, QuitInsideTheBoxStillEndsTheProgram) {
  SetTimer(nullptr, 0, 200, PostQuit);
  int id = ShowMsgBox(nullptr, "Waiting", "Quit", 0, kDefaultBtnText);
  EXPECT_EQ(id, 0);
  EXPECT_TRUE(tt::FindWindows("KMsgBox", GetCurrentProcessId()).empty());
  MSG msg;
  bool sawQuit = false;
  for (int i = 0; i < 50 && !sawQuit; ++i) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message == WM_QUIT) {
      sawQuit = true;
      EXPECT_EQ(msg.wParam, 7u);
    }
    Sleep(5);
  }
  EXPECT_TRUE(sawQuit);
}

// An owner that no longer exists must neither hang the caller nor lose the message.
TEST(KMsgBox, OwnerThatIsGoneStillGetsAnAnswer) {
  HWND gone = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(gone, nullptr);
  DestroyWindow(gone);
  struct Case { bool viaWrapper; };
  for (const Case c : {Case{false}, Case{true}}) {
    std::atomic<int> result{-1};
    std::atomic<DWORD> thread{0};
    std::thread caller([&] {
      thread = GetCurrentThreadId();
      result = c.viaWrapper ? ShowMessageBoxEx(gone, "Owner gone.", "Stale", kDefaultBtnText, 0, 0)
                            : ShowMsgBox(gone, "Owner gone.", "Stale", 0, kDefaultBtnText);
    });
    HWND box = WaitForBox(nullptr, 3000);
    if (box) tt::ClickButton(box, "OK");
    for (int i = 0; i < 300 && result == -1; ++i) Sleep(10);
    if (result == -1) PostThreadMessageA(thread, WM_QUIT, 0, 0);  // release a caller that hangs
    caller.join();
    EXPECT_NE(box, nullptr) << c.viaWrapper;
    EXPECT_EQ(result.load(), IDOK) << c.viaWrapper;
  }
}
