#include "BitmapButton.h"

#include <windowsx.h>

#include <stdexcept>
#include <utility>

namespace {

const char kClassName[] = "RwButtonClass";

BitmapButton* Owner(HWND hwnd) { return reinterpret_cast<BitmapButton*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)); }

void Line(HDC hdc, int x1, int y1, int x2, int y2) {
  MoveToEx(hdc, x1, y1, nullptr);
  LineTo(hdc, x2, y2);
}

}  // namespace

const MessageMapEntry BitmapButton::messages_[] = {
    {WM_NCCREATE, &BitmapButton::OnNcCreate},
    {WM_PAINT, &BitmapButton::OnPaint},
    {WM_LBUTTONDOWN, &BitmapButton::OnButtonDown},
    {WM_LBUTTONDBLCLK, &BitmapButton::OnButtonDown},
    {WM_MOUSEMOVE, &BitmapButton::OnMouseMove},
    {WM_LBUTTONUP, &BitmapButton::OnButtonUp},
    {WM_CAPTURECHANGED, &BitmapButton::OnCaptureChanged},
    {WM_KEYDOWN, &BitmapButton::OnKeyDown},
    {WM_DESTROY, &BitmapButton::OnDestroy},
    {}};
const MessageMap BitmapButton::messageMap_ = {messages_, nullptr};

void BitmapButton::RegisterButtonClass(HINSTANCE instance) {
  WNDCLASSA wc;
  if (GetClassInfoA(instance, kClassName, &wc)) return;
  wc = WNDCLASSA();
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  if (!RegisterClassA(&wc)) throw std::runtime_error("Registration failure");
}

BitmapButton::BitmapButton(const std::string& text, int commandId) : text_(text), commandId_(commandId) {
  font_.Create("Arial", 18, FW_NORMAL);
}

BitmapButton::~BitmapButton() {
  if (window_) DestroyWindow(window_);
}

HWND BitmapButton::Create(HWND parent, int x, int y, int width, int height) {
  if (window_) DestroyWindow(window_);
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
  window_ = CreateWindowExA(0, kClassName, text_.c_str(), WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(commandId_)), instance, this);
  return window_;
}

void BitmapButton::SetText(const std::string& text) {
  text_ = text;
  if (window_) SetWindowTextA(window_, text.c_str());
  Redraw();
}

void BitmapButton::SetColours(COLORREF face, COLORREF text, COLORREF disabledText) {
  face_ = face;
  textColour_ = text;
  disabledText_ = disabledText;
  Redraw();
}

void BitmapButton::SetFont(const std::string& face, int height, int weight) {
  font_.Create(face, height, weight);
  Redraw();
}

void BitmapButton::SetPicture(State state, const Bitmap& picture) {
  pictures_[state] = picture;
  Redraw();
}

void BitmapButton::SetFrame(int borderStyle, int bevelStyle, int bevelWidth) {
  borderStyle_ = borderStyle;
  bevelStyle_ = bevelStyle;
  bevelWidth_ = bevelWidth;
  Redraw();
}

void BitmapButton::Enable(bool on) {
  enabled_ = on;
  if (!on) pressed_ = false;
  Redraw();
}

void BitmapButton::Redraw() const {
  if (window_) InvalidateRect(window_, nullptr, FALSE);
}

bool BitmapButton::Inside(LPARAM point) const {
  RECT r;
  GetClientRect(window_, &r);
  int x = GET_X_LPARAM(point), y = GET_Y_LPARAM(point);
  return x >= 0 && y >= 0 && x <= r.right && y <= r.bottom;
}

void BitmapButton::SendCommand() {
  if (behaviour_ == Toggle) checked_ = !checked_;
  Redraw();
  SendMessageA(GetParent(window_), WM_COMMAND, WPARAM(commandId_), reinterpret_cast<LPARAM>(window_));
}

void BitmapButton::Paint(HDC hdc) const {
  RECT r;
  GetClientRect(window_, &r);
  bool down = (pressed_ && hover_) || (behaviour_ == Toggle && checked_);
  State state = !enabled_ ? Disabled : down ? Pressed : hover_ ? Hover : Normal;
  if (pictures_[state].Handle()) {
    pictures_[state].Draw(hdc, 0, 0);
  } else {
    GdiBrush face(face_);
    FillRect(hdc, &r, face.Handle());
  }
  RECT inner = r;
  if (borderStyle_ > 0) {
    GdiPen frame(hdc, borderStyle_ == 1 ? RGB(64, 64, 64) : RGB(0, 0, 0));
    HGDIOBJ oldBrush = SelectObject(hdc, GetStockObject(NULL_BRUSH));
    Rectangle(hdc, r.left, r.top, r.right, r.bottom);
    SelectObject(hdc, oldBrush);
    InflateRect(&inner, -1, -1);
  }
  if (bevelStyle_ > 0) {
    COLORREF light = RGB(255, 255, 255), dark = RGB(128, 128, 128);
    if (down) std::swap(light, dark);
    for (int i = 0; i < bevelWidth_; ++i) {
      int l = inner.left + i, t = inner.top + i, rr = inner.right - 1 - i, b = inner.bottom - 1 - i;
      {
        GdiPen pen(hdc, light);
        Line(hdc, l, b, l, t);
        Line(hdc, l, t, rr + 1, t);
      }
      GdiPen pen(hdc, dark);
      Line(hdc, rr, t, rr, b);
      Line(hdc, rr, b, l - 1, b);
    }
  }
  RECT text = r;
  if (down) OffsetRect(&text, 1, 1);
  GdiFont& font = const_cast<GdiFont&>(font_);
  font.Select(hdc);
  SetBkMode(hdc, TRANSPARENT);
  SetTextColor(hdc, enabled_ ? textColour_ : disabledText_);
  DrawTextA(hdc, text_.c_str(), int(text_.size()), &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  font.Restore();
}

LRESULT CALLBACK BitmapButton::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DispatchWindowMessageMap(messageMap_, hwnd, msg, wParam, lParam);
}

LRESULT BitmapButton::OnNcCreate(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  BitmapButton* self = static_cast<BitmapButton*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  if (self) self->window_ = hwnd;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT BitmapButton::OnPaint(HWND hwnd, UINT, WPARAM, LPARAM) {
  PAINTSTRUCT ps;
  HDC hdc = BeginPaint(hwnd, &ps);
  if (BitmapButton* self = Owner(hwnd)) self->Paint(hdc);
  EndPaint(hwnd, &ps);
  return 0;
}

LRESULT BitmapButton::OnButtonDown(HWND hwnd, UINT, WPARAM, LPARAM) {
  BitmapButton* self = Owner(hwnd);
  if (!self || !self->enabled_) return 0;
  self->pressed_ = true;
  self->hover_ = true;
  SetCapture(hwnd);
  self->Redraw();
  return 0;
}

LRESULT BitmapButton::OnMouseMove(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
  BitmapButton* self = Owner(hwnd);
  if (!self || !self->enabled_) return 0;
  bool inside = self->Inside(lParam);
  if (inside != self->hover_) {
    self->hover_ = inside;
    self->Redraw();
  }
  // The button holds the mouse while it is over it, or while it is pressed.
  if (inside && GetCapture() != hwnd)
    SetCapture(hwnd);
  else if (!inside && !self->pressed_ && GetCapture() == hwnd)
    ReleaseCapture();
  return 0;
}

LRESULT BitmapButton::OnButtonUp(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
  BitmapButton* self = Owner(hwnd);
  if (!self || !self->pressed_) return 0;
  bool inside = self->Inside(lParam);
  self->pressed_ = false;
  self->hover_ = inside;
  if (GetCapture() == hwnd) ReleaseCapture();
  self->Redraw();
  // The command's handler may delete the button: nothing of it is used afterwards.
  if (inside) self->SendCommand();
  return 0;
}

LRESULT BitmapButton::OnCaptureChanged(HWND hwnd, UINT, WPARAM, LPARAM lParam) {
  BitmapButton* self = Owner(hwnd);
  if (self && reinterpret_cast<HWND>(lParam) != hwnd) {
    self->pressed_ = false;
    self->hover_ = false;
    self->Redraw();
  }
  return 0;
}

LRESULT BitmapButton::OnKeyDown(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  BitmapButton* self = Owner(hwnd);
  if (self && self->enabled_ &&
      ((wParam == VK_RETURN && self->isDefault_) || (wParam == VK_ESCAPE && self->isCancel_))) {
    self->SendCommand();
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT BitmapButton::OnDestroy(HWND hwnd, UINT, WPARAM, LPARAM) {
  if (BitmapButton* self = Owner(hwnd)) self->window_ = nullptr;
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  return 0;
}
