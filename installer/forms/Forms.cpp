// Core of the form layer: colours, fonts, canvases, the control base, forms, the
// application object and timers.
#include "Forms.h"

#include <commctrl.h>

#include <set>

namespace {

const char kObjectProp[] = "KForms.Object";
const UINT kReleaseMsg = WM_APP + 0x3F00;
const DWORD kRtlBits = WS_EX_RTLREADING | WS_EX_RIGHT | WS_EX_LEFTSCROLLBAR;

std::set<std::string>& RegisteredClasses() {
  static std::set<std::string> names;
  return names;
}

std::map<UINT_PTR, TTimer*>& Timers() {
  static std::map<UINT_PTR, TTimer*> timers;
  return timers;
}

}  // namespace

// Registers one of our own window classes once; its windows start with ControlProc.
bool RegisterFormsClass(const std::string& name, UINT style) {
  if (RegisteredClasses().count(name)) return true;
  WNDCLASSA wc = {};
  wc.style = style;
  wc.lpfnWndProc = ControlProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconA(wc.hInstance, "MainIcon");
  wc.lpszClassName = name.c_str();
  if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  RegisteredClasses().insert(name);
  return true;
}

COLORREF ColorToRGB(TColor color) {
  if (color & 0x80000000u) return GetSysColor(int(color & 0xFF));
  return COLORREF(color & 0xFFFFFF);
}

bool IsRightToLeftCharset(int charset) { return charset == 177 || charset == 178; }

// ---- TFont

TFont::TFont() {}
TFont::TFont(const TFont& other)
    : name_(other.name_), size_(other.size_), charset_(other.charset_), style_(other.style_), color_(other.color_) {}
TFont& TFont::operator=(const TFont& other) {
  Assign(other);
  return *this;
}
TFont::~TFont() {
  if (handle_) DeleteObject(handle_);
}

void TFont::Changed() {
  // The old font goes only after the holders took the new one: a font still selected
  // into a device context cannot be deleted.
  HFONT old = handle_;
  handle_ = nullptr;
  if (OnChange) OnChange();
  if (old) DeleteObject(old);
}

void TFont::SetName(const std::string& name) {
  if (name == name_) return;
  name_ = name;
  Changed();
}
void TFont::SetSize(int points) {
  if (points == size_) return;
  size_ = points;
  Changed();
}
void TFont::SetCharset(int charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}
void TFont::SetStyle(unsigned style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}
void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}
void TFont::Assign(const TFont& other) {
  if (&other == this) return;
  name_ = other.name_;
  size_ = other.size_;
  charset_ = other.charset_;
  style_ = other.style_;
  color_ = other.color_;
  Changed();
}

HFONT TFont::Handle() {
  if (!handle_) {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    handle_ = CreateFontA(-MulDiv(size_, dpi, 72), 0, 0, 0, (style_ & kBold) ? FW_BOLD : FW_NORMAL,
                          (style_ & kItalic) != 0, (style_ & kUnderline) != 0, (style_ & kStrikeOut) != 0,
                          BYTE(charset_), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          DEFAULT_PITCH | FF_DONTCARE, name_.c_str());
  }
  return handle_;
}

// ---- TCanvas

TCanvas::TCanvas(HDC dc) : dc_(dc) {
  font_.OnChange = [this] { SelectFont(); };
}
TCanvas::~TCanvas() { SetHandle(nullptr); }

void TCanvas::SetHandle(HDC dc) {
  if (dc_ && oldFont_) SelectObject(dc_, oldFont_);
  oldFont_ = nullptr;
  dc_ = dc;
}

void TCanvas::SelectFont() {
  if (!dc_) return;
  HGDIOBJ old = SelectObject(dc_, font_.Handle());
  if (!oldFont_) oldFont_ = old;
  SetTextColor(dc_, ColorToRGB(font_.Color()));
}

void TCanvas::FillRect(const RECT& rc) {
  if (!dc_) return;
  HBRUSH b = CreateSolidBrush(ColorToRGB(brushColor));
  ::FillRect(dc_, &rc, b);
  DeleteObject(b);
}

void TCanvas::TextAt(int x, int y, const std::string& text) {
  if (!dc_) return;
  SelectFont();
  TextOutA(dc_, x, y, text.data(), int(text.size()));
}

int TCanvas::TextWidth(const std::string& text) {
  if (!dc_ || text.empty()) return 0;
  SelectFont();
  SIZE s = {0, 0};
  GetTextExtentPoint32A(dc_, text.data(), int(text.size()), &s);
  return s.cx;
}

int TCanvas::TextHeight(const std::string& text) {
  if (!dc_) return 0;
  SelectFont();
  SIZE s = {0, 0};
  GetTextExtentPoint32A(dc_, text.empty() ? " " : text.data(), text.empty() ? 1 : int(text.size()), &s);
  return s.cy;
}

void TCanvas::SetTransparentText(bool on) {
  if (dc_) SetBkMode(dc_, on ? TRANSPARENT : OPAQUE);
}

void TCanvas::SetRightToLeftReading(bool on) {
  if (!dc_) return;
  UINT align = GetTextAlign(dc_);
  SetTextAlign(dc_, on ? (align | TA_RTLREADING) : (align & ~UINT(TA_RTLREADING)));
}

void TCanvas::MoveTo(int x, int y) {
  if (dc_) MoveToEx(dc_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
  if (!dc_) return;
  HPEN pen = CreatePen(PS_SOLID, 1, ColorToRGB(penColor));
  HGDIOBJ old = SelectObject(dc_, pen);
  ::LineTo(dc_, x, y);
  SelectObject(dc_, old);
  DeleteObject(pen);
}

// ---- TControl

TControl::TControl(TWinControl* parent) : parent_(parent) {
  if (parent_) {
    parent_->children_.push_back(this);
    form_ = parent_->form_;
    font_.Assign(parent_->font_);
  }
  font_.OnChange = [this] {
    if (!settingFont_) parentFont_ = false;
    FontChanged();
  };
}

TControl::~TControl() {
  if (!hint_.empty()) SetHint(std::string());
  if (wnd_) {
    HWND w = wnd_;
    DestroyWindow(w);
    if (wnd_) Detach();  // not ours to destroy (another thread), just let go
  }
  if (brush_) DeleteObject(brush_);
  if (parent_) {
    auto& list = parent_->children_;
    for (size_t i = 0; i < list.size(); ++i)
      if (list[i] == this) {
        list.erase(list.begin() + long(i));
        break;
      }
  }
}

TControl* TControl::FromHandle(HWND wnd) {
  if (!wnd) return nullptr;
  return static_cast<TControl*>(GetPropA(wnd, kObjectProp));
}

void TControl::Attach(HWND wnd) {
  wnd_ = wnd;
  SetPropA(wnd, kObjectProp, this);
}

void TControl::Detach() {
  if (!wnd_) return;
  RemovePropA(wnd_, kObjectProp);
  if (oldProc_ && oldProc_ != DefWindowProcA &&
      reinterpret_cast<WNDPROC>(GetWindowLongPtrA(wnd_, GWLP_WNDPROC)) == ControlProc)
    SetWindowLongPtrA(wnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldProc_));
  wnd_ = nullptr;
}

void TControl::CreateHandle(const char* cls, const std::string& text, DWORD style, DWORD exStyle, HWND parentWnd) {
  if (parent_) {
    parentWnd = parent_->Handle();
    style |= WS_CHILD | WS_CLIPSIBLINGS;
  }
  bool own = RegisteredClasses().count(cls) != 0;
  HWND w = CreateWindowExA(exStyle, cls, text.c_str(), style, 0, 0, 0, 0, parentWnd, nullptr,
                           GetModuleHandleA(nullptr), own ? this : nullptr);
  if (!w) return;
  if (own) {
    oldProc_ = DefWindowProcA;
  } else {
    Attach(w);
    oldProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc)));
  }
  if (parent_) SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
}

LRESULT CALLBACK ControlProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  TControl* c = TControl::FromHandle(wnd);
  if (!c && msg == WM_NCCREATE) {
    c = static_cast<TControl*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    if (c) c->Attach(wnd);
  }
  if (!c) return DefWindowProcA(wnd, msg, wp, lp);
  return c->HandleMessage(msg, wp, lp);
}

LRESULT TControl::DefaultMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (!oldProc_) return DefWindowProcA(wnd_, msg, wp, lp);
  return CallWindowProcA(oldProc_, wnd_, msg, wp, lp);
}

LRESULT TControl::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  TForm* form = form_;
  if (msg == kReleaseMsg && form == this) {
    // A release waits while any handler of the form still runs.
    if (form->busy_ > 0 || form->modal_ || form->destroying_) {
      form->releasePending_ = true;
      return 0;
    }
    delete form;
    return 0;
  }
  if (form) form->Enter();
  if (!hint_.empty() && form && form->hintWnd_ && msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) {
    MSG m = {wnd_, msg, wp, lp, 0, {0, 0}};
    SendMessageA(form->hintWnd_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
  }
  LRESULT r = 0;
  bool done = Message(msg, wp, lp, r);
  if (!done) {
    done = true;
    switch (msg) {
      case WM_COMMAND: {
        TControl* c = FromHandle(reinterpret_cast<HWND>(lp));
        if (c && c != this)
          c->Command(HIWORD(wp));
        else
          done = false;
        break;
      }
      case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        TControl* c = FromHandle(hdr->hwndFrom);
        done = c && c != this && c->Notify(hdr, r);
        break;
      }
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX: {
        TControl* c = FromHandle(reinterpret_cast<HWND>(lp));
        HBRUSH b = (c && c != this) ? c->CtlColor(reinterpret_cast<HDC>(wp)) : nullptr;
        if (b)
          r = reinterpret_cast<LRESULT>(b);
        else
          done = false;
        break;
      }
      case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        TControl* c = FromHandle(dis->hwndItem);
        if (c && c != this) {
          c->DrawItem(dis);
          r = TRUE;
        } else {
          done = false;
        }
        break;
      }
      case WM_MEASUREITEM: {
        // Sent while the list is being made, before its object is tied to it; the
        // list sets its real line height afterwards.
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        if (mis->CtlType == ODT_LISTBOX) {
          mis->itemHeight = 16;
          r = TRUE;
        } else {
          done = false;
        }
        break;
      }
      case WM_MOUSEMOVE:
        r = DefaultMessage(msg, wp, lp);
        if (!tracking_) {
          TRACKMOUSEEVENT tme = {sizeof(tme), TME_LEAVE, wnd_, 0};
          tracking_ = TrackMouseEvent(&tme) != 0;
          if (OnMouseEnter) OnMouseEnter(this);
        }
        if (OnMouseMove) OnMouseMove(this, short(LOWORD(lp)), short(HIWORD(lp)));
        break;
      case WM_MOUSELEAVE:
        tracking_ = false;
        r = DefaultMessage(msg, wp, lp);
        if (OnMouseLeave) OnMouseLeave(this);
        break;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
        r = DefaultMessage(msg, wp, lp);
        if (OnMouseDown)
          OnMouseDown(this, msg == WM_LBUTTONDOWN ? 0 : msg == WM_RBUTTONDOWN ? 1 : 2, short(LOWORD(lp)),
                      short(HIWORD(lp)));
        break;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP:
      case WM_MBUTTONUP:
        r = DefaultMessage(msg, wp, lp);
        if (OnMouseUp)
          OnMouseUp(this, msg == WM_LBUTTONUP ? 0 : msg == WM_RBUTTONUP ? 1 : 2, short(LOWORD(lp)),
                    short(HIWORD(lp)));
        break;
      case WM_SETCURSOR:
        if (cursor_ && LOWORD(lp) == HTCLIENT && reinterpret_cast<HWND>(wp) == wnd_) {
          ::SetCursor(cursor_);
          r = TRUE;
        } else {
          done = false;
        }
        break;
      case WM_NCHITTEST:
        if (hitTransparent_)
          r = HTTRANSPARENT;
        else
          done = false;
        break;
      case WM_NCDESTROY:
        r = DefaultMessage(msg, wp, lp);
        Detach();
        break;
      default:
        done = false;
    }
  }
  if (!done) r = DefaultMessage(msg, wp, lp);
  if (form) form->Leave();
  return r;
}

bool TControl::Message(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool TControl::EraseBackground(UINT msg, WPARAM wp, LRESULT& result) {
  if (msg != WM_ERASEBKGND || !wnd_) return false;
  RECT rc;
  GetClientRect(wnd_, &rc);
  FillRect(reinterpret_cast<HDC>(wp), &rc, ColorBrush());
  result = 1;
  return true;
}
bool TControl::PaintMessage(UINT msg, WPARAM wp, LRESULT& result, const std::function<void(HDC)>& paint) {
  switch (msg) {
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd_, &ps);
      paint(dc);
      EndPaint(wnd_, &ps);
      result = 0;
      return true;
    }
    case WM_PRINTCLIENT:
      paint(reinterpret_cast<HDC>(wp));
      result = 0;
      return true;
  }
  return false;
}
bool TControl::Notify(NMHDR*, LRESULT&) { return false; }

HBRUSH TControl::ColorBrush() {
  COLORREF rgb = ColorToRGB(Color());
  if (!brush_ || brushRgb_ != rgb) {
    if (brush_) DeleteObject(brush_);
    brush_ = CreateSolidBrush(rgb);
    brushRgb_ = rgb;
  }
  return brush_;
}

HBRUSH TControl::CtlColor(HDC dc) {
  SetTextColor(dc, ColorToRGB(font_.Color()));
  SetBkColor(dc, ColorToRGB(Color()));
  return ColorBrush();
}

void TControl::FontChanged() {
  if (wnd_) SendMessageA(wnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
}

void TControl::ParentFontChanged(const TFont& font) {
  if (!parentFont_) return;
  settingFont_ = true;
  font_.Assign(font);
  settingFont_ = false;
}

void TControl::ModifyStyle(DWORD remove, DWORD add) {
  if (!wnd_) return;
  LONG_PTR s = GetWindowLongPtrA(wnd_, GWL_STYLE);
  SetWindowLongPtrA(wnd_, GWL_STYLE, (s & ~LONG_PTR(remove)) | LONG_PTR(add));
  SetWindowPos(wnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  InvalidateRect(wnd_, nullptr, TRUE);
}

void TControl::ModifyExStyle(DWORD remove, DWORD add) {
  if (!wnd_) return;
  LONG_PTR s = GetWindowLongPtrA(wnd_, GWL_EXSTYLE);
  SetWindowLongPtrA(wnd_, GWL_EXSTYLE, (s & ~LONG_PTR(remove)) | LONG_PTR(add));
  SetWindowPos(wnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  InvalidateRect(wnd_, nullptr, TRUE);
}

namespace {
RECT PlacedRect(HWND wnd) {
  RECT r = {0, 0, 0, 0};
  if (!wnd) return r;
  GetWindowRect(wnd, &r);
  HWND parent = (GetWindowLongPtrA(wnd, GWL_STYLE) & WS_CHILD) ? GetParent(wnd) : nullptr;
  if (parent) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}
}  // namespace

int TControl::Left() const { return PlacedRect(wnd_).left; }
int TControl::Top() const { return PlacedRect(wnd_).top; }
int TControl::Width() const {
  RECT r = PlacedRect(wnd_);
  return r.right - r.left;
}
int TControl::Height() const {
  RECT r = PlacedRect(wnd_);
  return r.bottom - r.top;
}
void TControl::SetBounds(int left, int top, int width, int height) {
  if (wnd_) MoveWindow(wnd_, left, top, width < 0 ? 0 : width, height < 0 ? 0 : height, TRUE);
}
int TControl::ClientWidth() const {
  RECT r = {0, 0, 0, 0};
  if (wnd_) GetClientRect(wnd_, &r);
  return r.right;
}
int TControl::ClientHeight() const {
  RECT r = {0, 0, 0, 0};
  if (wnd_) GetClientRect(wnd_, &r);
  return r.bottom;
}

bool TControl::Visible() const { return wnd_ && (GetWindowLongPtrA(wnd_, GWL_STYLE) & WS_VISIBLE); }
void TControl::SetVisible(bool visible) {
  if (wnd_) ShowWindow(wnd_, visible ? SW_SHOWNA : SW_HIDE);
}
bool TControl::Enabled() const { return wnd_ && IsWindowEnabled(wnd_); }
void TControl::SetEnabled(bool enabled) {
  if (wnd_) EnableWindow(wnd_, enabled);
}

std::string TControl::Caption() const {
  if (!wnd_) return std::string();
  int n = GetWindowTextLengthA(wnd_);
  std::string s(size_t(n) + 1, '\0');
  n = GetWindowTextA(wnd_, &s[0], n + 1);
  s.resize(size_t(n > 0 ? n : 0));
  return s;
}
void TControl::SetCaption(const std::string& text) {
  if (wnd_) SetWindowTextA(wnd_, text.c_str());
}

bool TControl::TabStop() const { return wnd_ && (GetWindowLongPtrA(wnd_, GWL_STYLE) & WS_TABSTOP); }
void TControl::SetTabStop(bool on) { ModifyStyle(on ? 0 : WS_TABSTOP, on ? WS_TABSTOP : 0); }

int TControl::TabOrder() const {
  if (!wnd_ || !parent_) return 0;
  int n = 0;
  for (HWND w = GetWindow(wnd_, GW_HWNDPREV); w; w = GetWindow(w, GW_HWNDPREV)) ++n;
  return n;
}

void TControl::SetTabOrder(int order) {
  if (!wnd_ || !parent_) return;
  std::vector<HWND> others;
  for (HWND w = GetWindow(wnd_, GW_HWNDFIRST); w; w = GetWindow(w, GW_HWNDNEXT))
    if (w != wnd_) others.push_back(w);
  HWND after = HWND_TOP;
  if (order > 0 && !others.empty()) after = others[size_t(order - 1) < others.size() ? size_t(order - 1) : others.size() - 1];
  SetWindowPos(wnd_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TControl::BringToFront() {
  if (wnd_) SetWindowPos(wnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
void TControl::SendToBack() {
  if (wnd_) SetWindowPos(wnd_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
void TControl::SetFocus() {
  if (wnd_) ::SetFocus(wnd_);
}
bool TControl::Focused() const { return wnd_ && GetFocus() == wnd_; }
void TControl::Invalidate() {
  if (wnd_) InvalidateRect(wnd_, nullptr, TRUE);
}

TColor TControl::Color() const {
  if (colorSet_) return color_;
  if (parent_) return parent_->Color();
  return color_;
}
void TControl::SetColor(TColor color) {
  colorSet_ = true;
  color_ = color;
  Invalidate();
}

void TControl::SetRightToLeft(bool on) {
  rightToLeft_ = on;
  ModifyExStyle(on ? 0 : kRtlBits, on ? kRtlBits : 0);
}

void TControl::SetCursor(LPCSTR systemCursor) {
  cursor_ = systemCursor ? LoadCursor(nullptr, systemCursor) : nullptr;
}

void TControl::SetHint(const std::string& hint) {
  bool had = !hint_.empty();
  hint_ = hint;
  if (!wnd_ || !form_ || form_ == this || (!had && hint_.empty())) return;
  HWND tip = hint_.empty() ? form_->hintWnd_ : form_->HintWindow();
  if (!tip || !IsWindow(tip)) return;
  TOOLINFOA ti = {};
  ti.cbSize = TTTOOLINFOA_V2_SIZE;
  ti.uFlags = TTF_IDISHWND;
  ti.hwnd = form_->Handle();
  ti.uId = reinterpret_cast<UINT_PTR>(wnd_);
  ti.lpszText = const_cast<char*>(hint_.c_str());
  if (had) SendMessageA(tip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
  if (!hint_.empty()) SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
}

// ---- TWinControl

TWinControl::~TWinControl() { DeleteChildren(); }

void TWinControl::DeleteChildren() {
  while (!children_.empty()) delete children_.back();
}

std::vector<TControl*> TWinControl::AllControls() const {
  std::vector<TControl*> out;
  for (TControl* c : children_) {
    out.push_back(c);
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      std::vector<TControl*> sub = w->AllControls();
      out.insert(out.end(), sub.begin(), sub.end());
    }
  }
  return out;
}

void TWinControl::SetColor(TColor color) {
  TControl::SetColor(color);
  if (wnd_) RedrawWindow(wnd_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void TWinControl::SetRightToLeft(bool on) {
  TControl::SetRightToLeft(on);
  for (TControl* c : children_) c->SetRightToLeft(on);
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  for (TControl* c : children_) c->ParentFontChanged(font_);
}

// ---- TForm

TForm::TForm(const std::string& className, TForm* owner, FormBorder border) : TWinControl(nullptr), owner_(owner) {
  form_ = this;
  RegisterFormsClass(className, CS_DBLCLKS);
  DWORD style = WS_POPUP | WS_CLIPCHILDREN, ex = WS_EX_CONTROLPARENT;
  switch (border) {
    case FormBorder::None:
      break;
    case FormBorder::Single:
      style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
      break;
    case FormBorder::Dialog:
      style |= WS_CAPTION | WS_SYSMENU;
      ex |= WS_EX_DLGMODALFRAME;
      break;
    case FormBorder::Sizeable:
      style |= WS_OVERLAPPEDWINDOW;
      break;
  }
  CreateHandle(className.c_str(), std::string(), style, ex, owner ? owner->Handle() : nullptr);
}

TForm::~TForm() {
  destroying_ = true;
  while (!timers_.empty()) delete timers_.back();
  if (Application().MainForm() == this) Application().SetMainForm(nullptr);
  DeleteChildren();
  if (wnd_) {
    HWND w = wnd_;
    DestroyWindow(w);
  }
}

HWND TForm::HintWindow() {
  if (!hintWnd_ && wnd_) {
    static bool init = [] {
      INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
      return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)init;
    // Owned by the form, so it goes with the form's window.
    hintWnd_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, wnd_, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  }
  return hintWnd_;
}

void TForm::DialogKey(WORD id) {
  TButton* pick = nullptr;
  if (id == IDOK) {
    pick = dynamic_cast<TButton*>(FromHandle(GetFocus()));
    if (pick && pick->Form() != this) pick = nullptr;
  }
  if (!pick && (id == IDOK || id == IDCANCEL)) {
    for (TControl* c : AllControls()) {
      auto* b = dynamic_cast<TButton*>(c);
      if (b && (id == IDOK ? b->Default() : b->Cancel()) && IsWindowVisible(b->Handle()) &&
          IsWindowEnabled(b->Handle())) {
        pick = b;
        break;
      }
    }
  }
  if (pick && pick->Enabled()) pick->Click();
}

void TForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TForm::SetClientSize(int width, int height) {
  if (!wnd_) return;
  RECT r = {0, 0, width, height};
  AdjustWindowRectEx(&r, DWORD(GetWindowLongPtrA(wnd_, GWL_STYLE)), FALSE, DWORD(GetWindowLongPtrA(wnd_, GWL_EXSTYLE)));
  SetWindowPos(wnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetVisible(bool visible) {
  if (!wnd_) return;
  if (!visible) {
    ShowWindow(wnd_, SW_HIDE);
    return;
  }
  if (Visible()) return;
  if (centered_ && !placed_) {
    SetBounds((GetSystemMetrics(SM_CXSCREEN) - Width()) / 2, (GetSystemMetrics(SM_CYSCREEN) - Height()) / 2, Width(),
              Height());
  }
  placed_ = true;
  DoShow();
  ShowWindow(wnd_, SW_SHOW);
  UpdateWindow(wnd_);
}

void TForm::SetStayOnTop(bool on) {
  if (wnd_) SetWindowPos(wnd_, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm::DoShow() {
  if (OnShow) OnShow(this);
}
bool TForm::DoCloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}
void TForm::DoClose(CloseAction& action) {
  if (OnClose) OnClose(this, action);
}
void TForm::DoPaint(TCanvas& canvas) {
  if (OnPaint) OnPaint(this, canvas);
}

bool TForm::CloseNow() {
  if (closing_) return false;
  closing_ = true;
  bool ok = DoCloseQuery();
  if (ok) {
    CloseAction action = CloseAction::Hide;
    DoClose(action);
    if (action == CloseAction::None) {
      ok = false;
    } else {
      if (!modal_) Hide();
      if (action == CloseAction::Free) Release();
      if (Application().MainForm() == this) Application().Terminate();
    }
  }
  closing_ = false;
  return ok;
}

void TForm::Close() {
  if (modal_) {
    // The modal loop runs the close query once the current message is done.
    if (!modalResult_) modalResult_ = IDCANCEL;
    return;
  }
  CloseNow();
}

void TForm::Release() {
  // Posted now, or once the running handlers (or the modal loop) have returned.
  if (busy_ > 0 || modal_)
    releasePending_ = true;
  else
    PostRelease();
}

void TForm::PostRelease() {
  if (wnd_) PostMessageA(wnd_, kReleaseMsg, 0, 0);
}

void TForm::Leave() {
  if (--busy_ == 0 && releasePending_ && !modal_ && !destroying_) {
    releasePending_ = false;
    PostRelease();
  }
}

int TForm::ShowModal() {
  if (modal_ || !wnd_) return 0;
  HWND ownerWnd = owner_ ? owner_->Handle() : nullptr;
  if (!ownerWnd && Application().MainForm() && Application().MainForm() != this)
    ownerWnd = Application().MainForm()->Handle();
  bool disabled = ownerWnd && IsWindowEnabled(ownerWnd);
  if (disabled) EnableWindow(ownerWnd, FALSE);
  modal_ = true;
  modalResult_ = 0;
  Show();
  SetActiveWindow(wnd_);
  MSG msg;
  for (;;) {
    if (!wnd_) {  // the window went with its owner's
      modalResult_ = IDCANCEL;
      break;
    }
    if (modalResult_ != 0) {
      if (CloseNow()) break;
      modalResult_ = 0;
    }
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // The program is ending: leave the quit message for the outer loop.
      if (got == 0) PostQuitMessage(int(msg.wParam));
      modalResult_ = IDCANCEL;
      break;
    }
    Application().Dispatch(msg);
  }
  if (disabled) EnableWindow(ownerWnd, TRUE);
  Hide();
  if (ownerWnd && IsWindowVisible(ownerWnd)) SetActiveWindow(ownerWnd);
  modal_ = false;
  if (releasePending_ && busy_ == 0) {
    releasePending_ = false;
    PostRelease();
  }
  return modalResult_;
}

bool TForm::Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_CLOSE:
      Close();
      result = 0;
      return true;
    case WM_DESTROY:
      hintWnd_ = nullptr;  // owned windows are gone by now
      return false;
    case WM_ERASEBKGND:
      return EraseBackground(msg, wp, result);
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(wnd_, &ps);
      canvas_.SetHandle(dc);
      canvas_.Font().Assign(font_);
      canvas_.brushColor = Color();
      DoPaint(canvas_);
      canvas_.SetHandle(nullptr);
      EndPaint(wnd_, &ps);
      result = 0;
      return true;
    }
    case WM_SIZE:
      // Status lines follow the form's width.
      for (TControl* c : Controls())
        if (dynamic_cast<TStatusBar*>(c)) SendMessageA(c->Handle(), WM_SIZE, 0, 0);
      return false;
    case WM_COMMAND:
      if (lp == 0) {  // Enter and Escape from the dialog keys
        if (HIWORD(wp) == 0) DialogKey(LOWORD(wp));
        result = 0;
        return true;
      }
      return false;
  }
  (void)lp;
  return false;
}

// ---- TApplication

TApplication& Application() {
  static TApplication app;
  return app;
}

void TApplication::Dispatch(MSG& msg) {
  // Dialog keys (Tab, Enter, Escape) go to the form the message is for.
  HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (top && dynamic_cast<TForm*>(TControl::FromHandle(top)) && IsDialogMessageA(top, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

int TApplication::Run() {
  if (mainForm_) mainForm_->Show();
  MSG msg;
  msg.wParam = 0;
  for (;;) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) break;
    Dispatch(msg);
  }
  terminated_ = true;
  return int(msg.wParam);
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      terminated_ = true;
      PostQuitMessage(int(msg.wParam));
      return;
    }
    Dispatch(msg);
  }
}

void TApplication::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

// ---- TTimer

TTimer::TTimer(TForm* owner, unsigned interval) : owner_(owner), interval_(interval) {
  if (owner_) owner_->timers_.push_back(this);
}

TTimer::~TTimer() {
  enabled_ = false;
  Restart();
  if (owner_) {
    auto& list = owner_->timers_;
    for (size_t i = 0; i < list.size(); ++i)
      if (list[i] == this) {
        list.erase(list.begin() + long(i));
        break;
      }
  }
}

void TTimer::SetInterval(unsigned ms) {
  if (ms == interval_) return;
  interval_ = ms;
  Restart();
}

void TTimer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  Restart();
}

void TTimer::Restart() {
  if (id_) {
    KillTimer(nullptr, id_);
    Timers().erase(id_);
    id_ = 0;
  }
  if (enabled_ && interval_ > 0) {
    id_ = SetTimer(nullptr, 0, interval_, Tick);
    if (id_) Timers()[id_] = this;
  }
}

void CALLBACK TTimer::Tick(HWND, UINT, UINT_PTR id, DWORD) {
  auto it = Timers().find(id);
  if (it == Timers().end()) return;
  TTimer* t = it->second;
  if (!t->enabled_ || !t->OnTimer) return;
  TForm* owner = t->owner_;
  auto handler = t->OnTimer;  // the handler may free the timer
  if (owner) owner->Enter();
  handler(t);
  if (owner) owner->Leave();
}
