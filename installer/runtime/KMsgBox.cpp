#include "KMsgBox.h"

#include <richedit.h>

#include <algorithm>

#include "Utils.h"

const char* const kDefaultBtnText = "|OK|Cancel|Yes|No|Abort|Retry|Ignore|";

namespace {

const char kClassName[] = "KMsgBox";
const COLORREF kBandColour = 0x984E00;
const int kBandWidth = 54;
const int kButtonWidth = 70, kButtonHeight = 23;
const int kWidestLine = 400;        // measured lines are cut to this width
const size_t kSteppedText = 16384;  // longer texts are not widened step by step,
const size_t kLongParagraph = 512;  // nor texts with longer paragraphs, which are broken
// The rich-text control takes in text at about a second or two per megabyte: a body shows
// at most this much, and says how much more there is.
const size_t kShownText = 128 * 1024;
const int kFittingHeight = 0x7000;  // body height while it is fitted

// Everything one open box needs; each call has its own.
struct BoxState {
  HWND remembered = nullptr;  // active window before the box, disabled while it is open
  HFONT font = nullptr;
  HWND box = nullptr;
  HWND body = nullptr;
  HWND buttons[3] = {nullptr, nullptr, nullptr};
  int buttonCount = 0;
  SIZE requested = {0, 0};
  HICON icon = nullptr;
  int result = 0;
  bool done = false;
};

int g_classUsers = 0;  // boxes open on this thread; the class lives while any is open

struct ButtonDef {
  int caption;  // item of the caption list
  int id;
};

const ButtonDef kButtonSets[6][3] = {
    {{0, IDOK}, {-1, 0}, {-1, 0}},
    {{0, IDOK}, {1, IDCANCEL}, {-1, 0}},
    {{4, IDABORT}, {5, IDRETRY}, {6, IDIGNORE}},
    {{2, IDYES}, {3, IDNO}, {1, IDCANCEL}},
    {{2, IDYES}, {3, IDNO}, {-1, 0}},
    {{5, IDRETRY}, {1, IDCANCEL}, {-1, 0}},
};

BoxState* StateOf(HWND wnd) { return reinterpret_cast<BoxState*>(GetWindowLongPtrA(wnd, GWLP_USERDATA)); }

void PaintBox(HWND wnd, BoxState* st) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(wnd, &ps);
  RECT rc;
  GetClientRect(wnd, &rc);
  const int line = rc.bottom - 37;
  RECT top = {0, 0, rc.right, line};
  FillRect(dc, &top, GetSysColorBrush(COLOR_WINDOW));
  RECT bottom = {0, line + 2, rc.right, rc.bottom};
  FillRect(dc, &bottom, GetSysColorBrush(COLOR_BTNFACE));
  RECT shadow = {0, line, rc.right, line + 1};
  FillRect(dc, &shadow, GetSysColorBrush(COLOR_3DDKSHADOW));
  RECT white = {0, line + 1, rc.right, line + 2};
  FillRect(dc, &white, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECT band = {0, 0, kBandWidth, line};
  HBRUSH bandBrush = CreateSolidBrush(kBandColour);
  FillRect(dc, &band, bandBrush);
  DeleteObject(bandBrush);
  if (st && st->icon) DrawIcon(dc, 11, 20, st->icon);
  EndPaint(wnd, &ps);
}

LRESULT CALLBACK BoxProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  BoxState* st = StateOf(wnd);
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
      SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      break;
    }
    case WM_PAINT:
      PaintBox(wnd, st);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      if (st && hdr->code == EN_REQUESTRESIZE) {
        auto* rr = reinterpret_cast<REQRESIZE*>(lp);
        st->requested.cx = rr->rc.right - rr->rc.left;
        st->requested.cy = rr->rc.bottom - rr->rc.top;
      }
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_COMMAND:
      if (st && HIWORD(wp) == BN_CLICKED) {
        HWND from = reinterpret_cast<HWND>(lp);
        int id = LOWORD(wp);
        bool ours = false;
        for (int i = 0; i < st->buttonCount; ++i) {
          if (from && st->buttons[i] == from) ours = true;
          if (!from && id == IDOK && GetFocus() == st->buttons[i]) {
            id = GetDlgCtrlID(st->buttons[i]);  // Enter presses the focused button
            ours = true;
          }
          if (!from && id == IDCANCEL && GetDlgCtrlID(st->buttons[i]) == IDCANCEL) ours = true;
        }
        if (ours) {
          st->result = id;
          PostMessageA(wnd, WM_CLOSE, 0, 0);
        }
      }
      return 0;
    case WM_DESTROY:
      if (st) {
        if (st->remembered && IsWindow(st->remembered)) {
          EnableWindow(st->remembered, TRUE);
          SetActiveWindow(st->remembered);
          SetFocus(st->remembered);
        }
        st->done = true;
      }
      return 0;
  }
  return DefWindowProcA(wnd, msg, wp, lp);
}

bool RegisterBoxClass() {
  if (g_classUsers++ > 0) return true;
  WNDCLASSA wc = {};
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = BoxProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  return RegisterClassA(&wc) != 0;
}

void UnregisterBoxClass() {
  if (--g_classUsers == 0) UnregisterClassA(kClassName, GetModuleHandleA(nullptr));
}

// Width of the widest line, up to the cap, and the sum of the line heights, in the box font.
// A line is measured piece by piece only until it is wider than the cap, so a long text
// costs one pass over its characters.
SIZE MeasureText(HFONT font, const std::string& text, int cap) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  const size_t kPiece = 256;
  SIZE total = {0, 0};
  size_t start = 0;
  for (;;) {
    size_t end = text.find("\r\n", start);
    const size_t stop = end == std::string::npos ? text.size() : end;
    int width = 0;
    for (size_t at = start; at < stop && width <= cap; at += kPiece) {
      SIZE s = {0, 0};
      const size_t n = IntMin(int(kPiece), int(stop - at));
      if (GetTextExtentPoint32A(dc, text.data() + at, int(n), &s)) width += s.cx;
    }
    total.cx = IntMax(total.cx, IntMin(width, cap));
    total.cy += tm.tmHeight;
    if (end == std::string::npos) break;
    start = end + 2;
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return total;
}

// Length of the longest paragraph (text between line breaks).
size_t LongestParagraph(const std::string& text) {
  size_t longest = 0, start = 0;
  for (;;) {
    const size_t end = text.find("\r\n", start);
    longest = std::max(longest, (end == std::string::npos ? text.size() : end) - start);
    if (end == std::string::npos) return longest;
    start = end + 2;
  }
}

// Cuts a text longer than kShownText, at a line break near the limit where there is one,
// and ends it with a line that says how many characters are left out.
void CutToShownLength(MsgBodyText& shown) {
  std::string& t = shown.text;
  if (t.size() <= kShownText) return;
  size_t cut = t.rfind("\r\n", kShownText);
  if (cut == std::string::npos || cut < kShownText - 1024) cut = kShownText;
  if (cut > 0 && t[cut - 1] == '\r') --cut;
  const size_t left = t.size() - cut;
  t.resize(cut);
  t += "\r\n[... " + std::to_string(left) + " more characters]";
  std::vector<MsgBodyText::Stretch> bold;
  for (const auto& b : shown.bold)
    if (size_t(b.start) < cut) bold.push_back({b.start, int(std::min(size_t(b.start + b.length), cut)) - b.start});
  shown.bold.swap(bold);
}

// Breaks the paragraphs longer than kLongParagraph into lines of the width, after a blank
// where there is one, as the control would wrap them: it lays out one paragraph in time
// that grows with the square of its length. The bold stretches move with their text.
void BreakLongParagraphs(HFONT font, MsgBodyText& shown, int width) {
  const std::string& t = shown.text;
  std::vector<size_t> breaks;  // a line break goes before each of these characters
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  size_t start = 0;
  for (;;) {
    size_t end = t.find("\r\n", start);
    if (end == std::string::npos) end = t.size();
    for (size_t at = start; end - start > kLongParagraph && at < end;) {
      const int n = int(std::min<size_t>(end - at, 1024));
      int fit = 0;
      SIZE size;
      GetTextExtentExPointA(dc, t.data() + at, n, width, &fit, nullptr, &size);
      if (fit >= n && at + size_t(n) == end) break;  // the rest fits on one line
      size_t cut = at + size_t(std::max(fit, 1));
      if (fit < n && t[cut] == ' ') {
        ++cut;  // a blank may stand past the edge
      } else if (fit < n) {
        size_t blank = cut;
        while (blank > at + 1 && t[blank - 1] != ' ') --blank;
        if (blank > at + 1) cut = blank;
      }
      breaks.push_back(cut);
      at = cut;
    }
    if (end == t.size()) break;
    start = end + 2;
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  if (breaks.empty()) return;
  std::string text;
  text.reserve(t.size() + 2 * breaks.size());
  size_t from = 0;
  for (size_t b : breaks) {
    text.append(t, from, b - from);
    text += "\r\n";
    from = b;
  }
  text.append(t, from, std::string::npos);
  auto moved = [&](int pos) {
    return pos + 2 * int(std::upper_bound(breaks.begin(), breaks.end(), size_t(pos)) - breaks.begin());
  };
  for (auto& b : shown.bold) {
    const int first = moved(b.start), last = moved(b.start + b.length - 1);
    b.start = first;
    b.length = last - first + 1;
  }
  shown.text.swap(text);
}

// The rich-text body with its text and bold stretches, taller than any text it lays out.
HWND MakeBody(BoxState& st, const MsgBodyText& shown, DWORD flags, bool scrolls, int width) {
  DWORD style = WS_CHILD | WS_VISIBLE | ES_READONLY | ES_MULTILINE | (scrolls ? WS_VSCROLL : 0);
  if (flags & 0x80000) style |= ES_RIGHT;
  DWORD exStyle = (flags & 0x100000) ? WS_EX_RTLREADING : 0;
  HWND body = CreateWindowExA(exStyle, "RICHEDIT", "", style, 86, 30, width, kFittingHeight, st.box, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  if (!body) return nullptr;
  SendMessageA(body, EM_EXLIMITTEXT, 0, LPARAM(IntMax(int(shown.text.size()) + 1, 32767)));
  SendMessageA(body, EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE);
  SendMessageA(body, WM_SETFONT, reinterpret_cast<WPARAM>(st.font), TRUE);
  SendMessageA(body, EM_SETBKGNDCOLOR, 0, GetSysColor(COLOR_WINDOW));
  SetWindowTextA(body, shown.text.c_str());
  // The control counts a line break as the two characters it is, as the text does.
  for (const auto& b : shown.bold) {
    CHARRANGE cr = {b.start, b.start + b.length};
    SendMessageA(body, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&cr));
    CHARFORMATA cf = {};
    cf.cbSize = sizeof(cf);
    cf.dwMask = CFM_BOLD;
    cf.dwEffects = CFE_BOLD;
    SendMessageA(body, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  }
  CHARRANGE none = {0, 0};
  SendMessageA(body, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
  return body;
}

// Height the body asks for at its present width.
int RequestedHeight(BoxState& st) {
  st.requested = SIZE{0, 0};
  SendMessageA(st.body, EM_REQUESTRESIZE, 0, 0);
  return st.requested.cy;
}

HICON IconFor(DWORD flags) {
  switch (flags & 0xF0) {
    case 0x10: return LoadIcon(nullptr, IDI_HAND);
    case 0x20: return LoadIcon(nullptr, IDI_QUESTION);
    case 0x30: return LoadIcon(nullptr, IDI_EXCLAMATION);
    case 0x40: return LoadIcon(nullptr, IDI_ASTERISK);
  }
  return LoadIconA(GetModuleHandleA(nullptr), "MainIcon");
}

}  // namespace

MsgBodyText ParseMsgBody(const std::string& raw) {
  std::string t = ExpandTextEscapes(raw);
  if (t.compare(0, 4, "<<b>") == 0) t.erase(0, 1);
  MsgBodyText out;
  int openAt = -1;
  size_t i = 0;
  while (i < t.size()) {
    if (t[i] == '<' && EqualTextNoCase(t.substr(i, 3), "<b>")) {
      if (openAt < 0) openAt = int(out.text.size());
      i += 3;
    } else if (t[i] == '<' && EqualTextNoCase(t.substr(i, 4), "</b>")) {
      if (openAt >= 0 && int(out.text.size()) > openAt)
        out.bold.push_back({openAt, int(out.text.size()) - openAt});
      openAt = -1;
      i += 4;
    } else if (t[i] == '\0') {
      out.text += "\\0";  // shown, where it would end the text the control gets
      ++i;
    } else {
      out.text += t[i++];
    }
  }
  if (openAt >= 0 && int(out.text.size()) > openAt) out.bold.push_back({openAt, int(out.text.size()) - openAt});
  return out;
}

int ShowMsgBox(HWND owner, const std::string& text, const std::string& caption, DWORD flags,
               const std::string& btnText) {
  BoxState st;
  st.remembered = GetActiveWindow();
  if (st.remembered) EnableWindow(st.remembered, FALSE);

  st.font = CreateFontA(13, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_SWISS | DEFAULT_PITCH, "Tahoma");
  HMODULE rich = LoadLibraryA("RICHED32.DLL");
  RegisterBoxClass();
  HINSTANCE inst = GetModuleHandleA(nullptr);

  // An owner that is gone would make the window fail: the box then stands on its own.
  if (owner && !IsWindow(owner)) owner = nullptr;
  st.box = CreateWindowExA(WS_EX_TOPMOST | WS_EX_DLGMODALFRAME, kClassName, caption.c_str(),
                           WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, -100, -100, 10, 10, owner, nullptr, inst,
                           &st);
  if (!st.box) {
    // No window, no loop: nothing could ever end it.
    if (st.remembered && IsWindow(st.remembered)) EnableWindow(st.remembered, TRUE);
    DeleteObject(st.font);
    UnregisterBoxClass();
    if (rich) FreeLibrary(rich);
    return 0;
  }
  // Body text and its bold stretches; measured once.
  MsgBodyText shown = ParseMsgBody(text);
  CutToShownLength(shown);
  const SIZE m = MeasureText(st.font, shown.text, kWidestLine);
  const int tallest = GetSystemMetrics(SM_CYSCREEN) * 2 / 3;

  // The body scrolls when the text is taller than the screen allows. While it is fitted it
  // is kept taller than the text, so that no scroll bar changes the width it lays out.
  const int bar = GetSystemMetrics(SM_CXVSCROLL);
  int bodyW = m.cx, bodyH = m.cy;
  bool scrolls = m.cy > tallest;
  bool barRoom = false;  // the width holds the scroll bar's
  if (shown.text.size() <= kSteppedText && LongestParagraph(shown.text) <= kLongParagraph) {
    // Widen in 10-pixel steps until the text no longer wraps.
    st.body = MakeBody(st, shown, flags, scrolls, IntMax(m.cx, 100));
    bool fitted = false;
    int widest = m.cx;
    for (int i = 0; i <= 20 && st.body; ++i) {
      bodyW = m.cx + 10 * i;
      SetWindowPos(st.body, nullptr, 0, 0, bodyW, kFittingHeight, SWP_NOMOVE | SWP_NOZORDER);
      const int wanted = RequestedHeight(st);
      widest = IntMax(widest, st.requested.cx);
      if (bodyH >= wanted) {
        fitted = true;
        break;
      }
    }
    if (st.body && !fitted) {
      // It still wraps: as wide as it asked, as tall as the control lays it out.
      bodyW = widest + 10;
      SetWindowPos(st.body, nullptr, 0, 0, bodyW, kFittingHeight, SWP_NOMOVE | SWP_NOZORDER);
      const int wanted = RequestedHeight(st);
      if (wanted > 0) bodyH = wanted;
    }
  } else {
    // Each step would lay the whole text out again: a long text takes the widest body the
    // steps could give, and room for the scroll bar it most likely needs.
    bodyW = m.cx < kWidestLine ? m.cx + 10 : kWidestLine + 20 * 10 + 10;
    BreakLongParagraphs(st.font, shown, bodyW - 20);
    bodyW += bar;
    scrolls = barRoom = true;
    st.body = MakeBody(st, shown, flags, scrolls, bodyW);
    const int wanted = st.body ? RequestedHeight(st) : 0;
    if (wanted > 0) bodyH = wanted;
  }
  if (bodyH > tallest) {
    // Taller than the screen allows: the body scrolls, and its bar takes room of its own.
    bodyH = tallest;
    if (!barRoom) bodyW += bar;
    if (st.body && !scrolls) {
      DestroyWindow(st.body);
      st.body = MakeBody(st, shown, flags, true, bodyW);
    }
  }

  const int hMargin = bodyW < 200 ? 64 : 32;
  const int vMargin = bodyH < 39 ? 45 : 32;
  const int frameX = GetSystemMetrics(SM_CXDLGFRAME), frameY = GetSystemMetrics(SM_CYDLGFRAME);
  int boxW = IntMax(bodyW + 2 * frameX + 2 * hMargin + kBandWidth, 360);
  int boxH = bodyH + 2 * frameY + 2 * vMargin + GetSystemMetrics(SM_CYCAPTION) + 36;
  SetWindowPos(st.box, HWND_TOPMOST, (GetSystemMetrics(SM_CXSCREEN) - boxW) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - boxH) / 2, boxW, boxH, SWP_NOACTIVATE);
  RECT client;
  GetClientRect(st.box, &client);
  if (st.body)
    SetWindowPos(st.body, nullptr, (client.right - bodyW - kBandWidth) / 2 + kBandWidth,
                 (client.bottom - bodyH - 36) / 2, bodyW, bodyH, SWP_NOZORDER);

  st.icon = IconFor(flags);

  // Buttons, right-aligned: the last one's left edge at client width - 80.
  const ButtonDef* set = kButtonSets[IntMin(int(flags & 0x0F), 5)];
  for (int i = 0; i < 3 && set[i].caption >= 0; ++i) st.buttonCount = i + 1;
  for (int i = 0; i < st.buttonCount; ++i) {
    int left = client.right - 80 - kButtonWidth * (st.buttonCount - 1 - i);
    std::string cap = GetListItem(btnText, set[i].caption);
    st.buttons[i] = CreateWindowExA(0, "BUTTON", cap.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                    left, client.bottom - 29, kButtonWidth, kButtonHeight, st.box,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(set[i].id)), inst, nullptr);
    SendMessageA(st.buttons[i], WM_SETFONT, reinterpret_cast<WPARAM>(st.font), TRUE);
  }
  int def = int((flags >> 8) & 0x0F);
  if (def >= st.buttonCount) def = 0;
  ShowWindow(st.box, SW_SHOW);
  SetForegroundWindow(st.box);
  if (st.buttonCount > 0) {
    SendMessageA(st.buttons[def], BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    SetFocus(st.buttons[def]);
  }
  InvalidateRect(st.box, nullptr, TRUE);

  MSG msg;
  while (!st.done) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      // The program is ending: close the box and leave the quit for the outer loop.
      PostQuitMessage(int(msg.wParam));
      if (IsWindow(st.box)) DestroyWindow(st.box);
      st.result = 0;
      break;
    }
    if (got < 0) break;
    if (IsDialogMessageA(st.box, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (IsWindow(st.box)) DestroyWindow(st.box);
  DeleteObject(st.font);
  UnregisterBoxClass();
  if (rich) FreeLibrary(rich);
  return st.result;
}

int ShowMessageBoxEx(HWND owner, const std::string& text, const std::string& caption,
                     const std::string& btnText, int charset, DWORD flags) {
  std::string body = text;
  HWND useOwner = owner;
  if (owner == KMSG_OWNER_TITLED) {
    body = "<<b>" + UpperCase(caption) + "</b><p><p>" + text + "<p>";
    useOwner = GetActiveWindow();
  } else if (owner == KMSG_OWNER_ACTIVE) {
    useOwner = GetActiveWindow();
  }
  flags += 0x52000;
  if (charset == 177 || charset == 178) flags |= 0x180000;
  int id = ShowMsgBox(useOwner, body, caption, flags, btnText);
  PumpMessagesFor(100);
  return id;
}

void ErrorBox(HWND owner, const std::string& text, const std::string& caption, const std::string& btnText,
              int charset) {
  ShowMessageBoxEx(owner, text, caption, btnText, charset, 16);
}

void WarningBox(HWND owner, const std::string& text, const std::string& caption, const std::string& btnText,
                int charset) {
  ShowMessageBoxEx(owner, text, caption, btnText, charset, 48);
}

bool AskYesNo(HWND owner, const std::string& text, const std::string& caption, const std::string& btnText,
              int charset) {
  return ShowMessageBoxEx(owner, text, caption, btnText, charset, 36) == IDYES;
}

bool AskOkCancel(HWND owner, const std::string& text, const std::string& caption, const std::string& btnText,
                 int charset) {
  return ShowMessageBoxEx(owner, text, caption, btnText, charset, 33) == IDOK;
}

void PumpOneMessage() {
  MSG msg;
  if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int(msg.wParam));  // keep it for the loop that owns it
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void PumpMessagesFor(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    PumpOneMessage();
  } while (GetTickCount() - start <= ms);
}

void PumpMessagesSleeping(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    PumpOneMessage();
    Sleep(50);
  } while (GetTickCount() - start <= ms);
}
