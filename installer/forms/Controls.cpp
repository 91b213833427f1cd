// The controls of the form layer, each on a standard Win32 window class (or on our panel
// class for containers).
#include "Forms.h"

#include <commctrl.h>
#include <richedit.h>

namespace {

const char kPanelClass[] = "KFormsPanel";

void InitCommon() {
  static bool done = false;
  if (done) return;
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  done = true;
}

}  // namespace

// ---- TLabel

TLabel::TLabel(TWinControl* parent, const std::string& caption) : TControl(parent) {
  CreateHandle("Static", caption, WS_VISIBLE | SS_NOTIFY | SS_NOPREFIX | SS_LEFTNOWORDWRAP, 0);
}

void TLabel::ApplyStyle() {
  TextAlign a = align_;
  if (rightToLeft_ && a != TextAlign::Center) a = (a == TextAlign::Left) ? TextAlign::Right : TextAlign::Left;
  DWORD st = a == TextAlign::Center ? SS_CENTER : a == TextAlign::Right ? SS_RIGHT : wordWrap_ ? SS_LEFT : SS_LEFTNOWORDWRAP;
  ModifyStyle(SS_TYPEMASK, st);
}

void TLabel::SetTransparent(bool on) {
  transparent_ = on;
  Invalidate();
}
void TLabel::SetAlignment(TextAlign align) {
  align_ = align;
  ApplyStyle();
}
void TLabel::SetWordWrap(bool on) {
  wordWrap_ = on;
  ApplyStyle();
}
void TLabel::SetRightToLeft(bool on) {
  TControl::SetRightToLeft(on);
  ApplyStyle();
}

void TLabel::SetCaption(const std::string& text) {
  TControl::SetCaption(text);
  Invalidate();
}

void TLabel::Command(WORD code) {
  if (code == STN_CLICKED && OnClick) OnClick(this);
}

HBRUSH TLabel::CtlColor(HDC dc) {
  if (!transparent_ || !parent_) return TControl::CtlColor(dc);
  // The parent's colour shows through.
  SetTextColor(dc, ColorToRGB(font_.Color()));
  SetBkMode(dc, TRANSPARENT);
  return parent_->ColorBrush();
}

// ---- TEdit

TEdit::TEdit(TWinControl* parent, const std::string& text) : TControl(parent) {
  colorSet_ = true;
  color_ = SysColor(COLOR_WINDOW);
  CreateHandle("Edit", text, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
}

void TEdit::SetReadOnly(bool on) {
  if (wnd_) SendMessageA(wnd_, EM_SETREADONLY, on, 0);
}

void TEdit::Command(WORD code) {
  if (code == EN_CHANGE && OnChange) OnChange(this);
}

HBRUSH TEdit::CtlColor(HDC dc) { return TControl::CtlColor(dc); }

// ---- TButton

TButton::TButton(TWinControl* parent, const std::string& caption) : TControl(parent) {
  CreateHandle("Button", caption, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0);
}

void TButton::SetDefault(bool on) {
  default_ = on;
  if (wnd_) SendMessageA(wnd_, BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() { Command(BN_CLICKED); }

void TButton::Command(WORD code) {
  if (code != BN_CLICKED) return;
  if (modalResult && form_) form_->SetModalResult(modalResult);
  if (OnClick) OnClick(this);
}

// ---- TMemo

namespace {
// Every line ending (CR LF, a lone CR or LF) as CR LF, as the edit control needs.
std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      out += "\r\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  return out;
}
}  // namespace

TMemo::TMemo(TWinControl* parent, ScrollBars bars) : TControl(parent), scrolls_(bars) {
  colorSet_ = true;
  color_ = SysColor(COLOR_WINDOW);
  DWORD style = WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL;
  if (bars != ScrollBars::None) style |= WS_VSCROLL;
  if (bars == ScrollBars::Both) style |= WS_HSCROLL | ES_AUTOHSCROLL;  // no wrapping then
  CreateHandle("Edit", std::string(), style, WS_EX_CLIENTEDGE);
  if (wnd_) SendMessageA(wnd_, EM_SETLIMITTEXT, 0, 0);  // no 32K limit on what it keeps
}

void TMemo::SetText(const std::string& text) { SetCaption(WithCrLf(text)); }

void TMemo::AddLine(const std::string& line) {
  if (!wnd_) return;
  int end = GetWindowTextLengthA(wnd_);
  std::string add = (end > 0 ? "\r\n" : "") + WithCrLf(line);
  SendMessageA(wnd_, EM_SETSEL, WPARAM(end), LPARAM(end));
  SendMessageA(wnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(add.c_str()));
  SendMessageA(wnd_, EM_SCROLLCARET, 0, 0);
}

std::vector<std::string> TMemo::Lines() const {
  std::vector<std::string> lines;
  std::string text = Text();
  if (text.empty()) return lines;
  size_t start = 0;
  for (;;) {
    size_t brk = text.find("\r\n", start);
    lines.push_back(text.substr(start, brk == std::string::npos ? std::string::npos : brk - start));
    if (brk == std::string::npos) break;
    start = brk + 2;
  }
  return lines;
}

bool TMemo::ReadOnly() const { return wnd_ && (GetWindowLongPtrA(wnd_, GWL_STYLE) & ES_READONLY); }

void TMemo::SetReadOnly(bool on) {
  if (wnd_) SendMessageA(wnd_, EM_SETREADONLY, on, 0);
}

// ---- TCheckBox and TRadioButton

TCheckBox::TCheckBox(TWinControl* parent, const std::string& caption) : TCheckBox(parent, caption, BS_AUTOCHECKBOX) {}

TCheckBox::TCheckBox(TWinControl* parent, const std::string& caption, DWORD buttonStyle) : TControl(parent) {
  CreateHandle("Button", caption, WS_VISIBLE | WS_TABSTOP | buttonStyle, 0);
}

bool TCheckBox::Checked() const { return wnd_ && SendMessageA(wnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TCheckBox::SetChecked(bool on) {
  if (wnd_) SendMessageA(wnd_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::SetRightToLeft(bool on) {
  TControl::SetRightToLeft(on);
  ModifyStyle(on ? 0 : BS_RIGHTBUTTON, on ? BS_RIGHTBUTTON : 0);
}

void TCheckBox::Command(WORD code) {
  if (code == BN_CLICKED && OnClick) OnClick(this);
}

HBRUSH TCheckBox::CtlColor(HDC dc) { return TControl::CtlColor(dc); }

TRadioButton::TRadioButton(TWinControl* parent, const std::string& caption)
    : TCheckBox(parent, caption, BS_RADIOBUTTON) {}

void TRadioButton::SetChecked(bool on) {
  TCheckBox::SetChecked(on);
  if (!on || !parent_) return;
  for (TControl* c : parent_->Controls()) {
    auto* r = dynamic_cast<TRadioButton*>(c);
    if (r && r != this && r->Handle()) SendMessageA(r->Handle(), BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

void TRadioButton::Command(WORD code) {
  if (code != BN_CLICKED) return;
  SetChecked(true);
  if (OnClick) OnClick(this);
}

// ---- TGroupBox

TGroupBox::TGroupBox(TWinControl* parent, const std::string& caption) : TWinControl(parent) {
  CreateHandle("Button", caption, WS_VISIBLE | BS_GROUPBOX, WS_EX_CONTROLPARENT);
}

bool TGroupBox::Message(UINT msg, WPARAM wp, LPARAM, LRESULT& result) { return EraseBackground(msg, wp, result); }

HBRUSH TGroupBox::CtlColor(HDC dc) { return TControl::CtlColor(dc); }

// ---- TBevel

TBevel::TBevel(TWinControl* parent, BevelShape shape, bool raised) : TControl(parent), shape_(shape), raised_(raised) {
  CreateHandle("Static", std::string(), WS_VISIBLE, 0);
}

void TBevel::SetShape(BevelShape shape) {
  shape_ = shape;
  Invalidate();
}

bool TBevel::Message(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (EraseBackground(msg, wp, result)) return true;
  if (msg != WM_PAINT) return false;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(wnd_, &ps);
  RECT rc;
  GetClientRect(wnd_, &rc);
  UINT edge = raised_ ? EDGE_BUMP : EDGE_ETCHED;
  switch (shape_) {
    case BevelShape::Box:
      DrawEdge(dc, &rc, raised_ ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
      break;
    case BevelShape::Frame:
      DrawEdge(dc, &rc, edge, BF_RECT);
      break;
    case BevelShape::TopLine:
      rc.bottom = rc.top + 2;
      DrawEdge(dc, &rc, edge, BF_TOP);
      break;
    case BevelShape::BottomLine:
      rc.top = rc.bottom - 2;
      DrawEdge(dc, &rc, edge, BF_BOTTOM);
      break;
    case BevelShape::LeftLine:
      rc.right = rc.left + 2;
      DrawEdge(dc, &rc, edge, BF_LEFT);
      break;
    case BevelShape::RightLine:
      rc.left = rc.right - 2;
      DrawEdge(dc, &rc, edge, BF_RIGHT);
      break;
  }
  EndPaint(wnd_, &ps);
  result = 0;
  return true;
}

// ---- TPanel

TPanel::TPanel(TWinControl* parent, const std::string& caption) : TPanel(parent, caption, true) {}

TPanel::TPanel(TWinControl* parent, const std::string& caption, bool visible) : TWinControl(parent) {
  RegisterFormsClass(kPanelClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS);
  CreateHandle(kPanelClass, caption, (visible ? WS_VISIBLE : 0) | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

void TPanel::SetBevel(PanelBevel bevel) {
  bevel_ = bevel;
  Invalidate();
}

void TPanel::SetSingleBorder(bool on) { ModifyStyle(on ? 0 : WS_BORDER, on ? WS_BORDER : 0); }

void TPanel::SetCaption(const std::string& text) {
  TControl::SetCaption(text);
  Invalidate();
}

bool TPanel::Message(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  if (EraseBackground(msg, wp, result)) return true;
  if (msg != WM_PAINT) return false;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(wnd_, &ps);
  RECT rc;
  GetClientRect(wnd_, &rc);
  if (bevel_ != PanelBevel::None) DrawEdge(dc, &rc, bevel_ == PanelBevel::Raised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
  std::string text = Caption();
  if (showCaption_ && !text.empty()) {
    HGDIOBJ old = SelectObject(dc, font_.Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(font_.Color()));
    DrawTextA(dc, text.c_str(), int(text.size()), &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
  }
  EndPaint(wnd_, &ps);
  result = 0;
  return true;
}

// ---- TImage

TImage::TImage(TWinControl* parent) : TControl(parent) {
  CreateHandle("Static", std::string(), WS_VISIBLE | SS_NOTIFY, 0);
}

TImage::~TImage() {
  canvas_.SetHandle(nullptr);
  if (memDc_) {
    if (oldBmp_) SelectObject(memDc_, oldBmp_);
    DeleteDC(memDc_);
  }
  if (bitmap_) DeleteObject(bitmap_);
}

void TImage::TakeBitmap(HBITMAP bmp) {
  if (!memDc_) memDc_ = CreateCompatibleDC(nullptr);
  canvas_.SetHandle(nullptr);
  if (bitmap_) {
    SelectObject(memDc_, oldBmp_);
    DeleteObject(bitmap_);
  }
  bitmap_ = bmp;
  oldBmp_ = SelectObject(memDc_, bmp);
  BITMAP bm = {};
  GetObjectA(bmp, sizeof(bm), &bm);
  picW_ = bm.bmWidth;
  picH_ = bm.bmHeight;
  canvas_.SetHandle(memDc_);
  Invalidate();
}

bool TImage::LoadFromFile(const std::string& path) {
  HANDLE h = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
  if (!h) return false;
  TakeBitmap(static_cast<HBITMAP>(h));
  return true;
}

void TImage::SetPictureSize(int width, int height) {
  if (width < 1) width = 1;
  if (height < 1) height = 1;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bmp) return;
  TakeBitmap(bmp);
  RECT rc = {0, 0, width, height};
  FillRect(memDc_, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

TCanvas& TImage::Canvas() {
  if (!bitmap_) SetPictureSize(Width(), Height());
  Invalidate();
  return canvas_;
}

void TImage::SetStretch(bool on) {
  stretch_ = on;
  Invalidate();
}
void TImage::SetCenter(bool on) {
  center_ = on;
  Invalidate();
}
void TImage::SetTransparent(bool on) {
  transparent_ = on;
  Invalidate();
}

void TImage::PaintTo(HDC dc) {
  RECT rc = {0, 0, ClientWidth(), ClientHeight()};
  FillRect(dc, &rc, ColorBrush());
  if (!bitmap_) return;
  int x = 0, y = 0, w = picW_, h = picH_;
  if (stretch_) {
    w = rc.right;
    h = rc.bottom;
  } else if (center_) {
    x = (rc.right - picW_) / 2;
    y = (rc.bottom - picH_) / 2;
  }
  if (transparent_) {
    COLORREF key = GetPixel(memDc_, 0, picH_ - 1);
    TransparentBlt(dc, x, y, w, h, memDc_, 0, 0, picW_, picH_, key);
  } else if (w != picW_ || h != picH_) {
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, x, y, w, h, memDc_, 0, 0, picW_, picH_, SRCCOPY);
  } else {
    BitBlt(dc, x, y, w, h, memDc_, 0, 0, SRCCOPY);
  }
}

bool TImage::Message(UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  return PaintMessage(msg, wp, result, [this](HDC dc) { PaintTo(dc); });
}

void TImage::Command(WORD code) {
  if (code == STN_CLICKED && OnClick) OnClick(this);
}

// ---- TProgressBar and TStatusBar

TProgressBar::TProgressBar(TWinControl* parent) : TControl(parent) {
  InitCommon();
  CreateHandle(PROGRESS_CLASSA, std::string(), WS_VISIBLE, 0);
  SetRange(0, 100);
}

void TProgressBar::SetRange(int min, int max) {
  if (max < min) max = min;
  min_ = min;
  max_ = max;
  if (wnd_) SendMessageA(wnd_, PBM_SETRANGE32, WPARAM(min), LPARAM(max));
}

int TProgressBar::Position() const { return wnd_ ? int(SendMessageA(wnd_, PBM_GETPOS, 0, 0)) : 0; }

void TProgressBar::SetPosition(int pos) {
  if (wnd_) SendMessageA(wnd_, PBM_SETPOS, WPARAM(pos), 0);
}

TStatusBar::TStatusBar(TWinControl* parent) : TControl(parent) {
  InitCommon();
  CreateHandle(STATUSCLASSNAMEA, std::string(), WS_VISIBLE, 0);
}

std::string TStatusBar::Text() const {
  if (!wnd_) return std::string();
  int n = LOWORD(SendMessageA(wnd_, SB_GETTEXTLENGTHA, 0, 0));
  std::string s(size_t(n) + 1, '\0');
  SendMessageA(wnd_, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(&s[0]));
  s.resize(size_t(n));
  return s;
}

void TStatusBar::SetText(const std::string& text) {
  if (wnd_) SendMessageA(wnd_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// ---- TPageControl and TTabSheet

TTabSheet::TTabSheet(TPageControl* pages, const std::string& caption)
    : TPanel(pages, caption, false), pages_(pages) {
  showCaption_ = false;
  pages_->pages_.push_back(this);
  SetBounds(0, 0, pages_->ClientWidth(), pages_->ClientHeight());
  if (!pages_->active_) pages_->SetActivePage(this);
}

TTabSheet::~TTabSheet() {
  auto& list = pages_->pages_;
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == this) {
      list.erase(list.begin() + long(i));
      break;
    }
  if (pages_->active_ == this) pages_->active_ = nullptr;
}

int TTabSheet::PageIndex() const {
  for (size_t i = 0; i < pages_->pages_.size(); ++i)
    if (pages_->pages_[i] == this) return int(i);
  return -1;
}

TPageControl::TPageControl(TWinControl* parent) : TWinControl(parent) {
  RegisterFormsClass(kPanelClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS);
  CreateHandle(kPanelClass, std::string(), WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT);
}

// The pages go first: each takes itself off the page list, which must still be there.
TPageControl::~TPageControl() { DeleteChildren(); }

TTabSheet* TPageControl::Page(int index) const {
  return index >= 0 && index < int(pages_.size()) ? pages_[size_t(index)] : nullptr;
}

int TPageControl::ActivePageIndex() const { return active_ ? active_->PageIndex() : -1; }

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page == active_ || (page && page->pages_ != this)) return;
  TTabSheet* old = active_;
  active_ = page;
  if (page) {
    page->BringToFront();
    page->Show();
  }
  if (old) old->Hide();
}

void TPageControl::SetActivePageIndex(int index) {
  if (TTabSheet* page = Page(index)) SetActivePage(page);
}

void TPageControl::SetBounds(int left, int top, int width, int height) {
  TControl::SetBounds(left, top, width, height);
  for (TTabSheet* p : pages_) p->SetBounds(0, 0, ClientWidth(), ClientHeight());
}

bool TPageControl::Message(UINT msg, WPARAM wp, LPARAM, LRESULT& result) { return EraseBackground(msg, wp, result); }

// ---- TCheckListBox

TCheckListBox::TCheckListBox(TWinControl* parent) : TControl(parent) {
  colorSet_ = true;
  color_ = SysColor(COLOR_WINDOW);
  CreateHandle("ListBox", std::string(),
               WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY |
                   LBS_NOINTEGRALHEIGHT,
               WS_EX_CLIENTEDGE);
  FontChanged();
}

void TCheckListBox::FontChanged() {
  TControl::FontChanged();
  if (!wnd_) return;
  HDC dc = GetDC(wnd_);
  HGDIOBJ old = SelectObject(dc, font_.Handle());
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(wnd_, dc);
  int h = tm.tmHeight + 2;
  SendMessageA(wnd_, LB_SETITEMHEIGHT, 0, h < 16 ? 16 : h);
}

int TCheckListBox::AddItem(const std::string& text, bool checked, bool enabled) {
  if (!wnd_) return -1;
  LRESULT i = SendMessageA(wnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (i < 0) return -1;
  items_.insert(items_.begin() + long(i), Item{checked, enabled});
  for (int k = int(i); k < Count(); ++k) PublishState(k);
  return int(i);
}

void TCheckListBox::Clear() {
  if (wnd_) SendMessageA(wnd_, LB_RESETCONTENT, 0, 0);
  items_.clear();
}

std::string TCheckListBox::ItemText(int index) const {
  if (!wnd_ || index < 0 || index >= Count()) return std::string();
  LRESULT n = SendMessageA(wnd_, LB_GETTEXTLEN, WPARAM(index), 0);
  if (n <= 0) return std::string();
  std::string s(size_t(n) + 1, '\0');
  n = SendMessageA(wnd_, LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(&s[0]));
  s.resize(size_t(n > 0 ? n : 0));
  return s;
}

bool TCheckListBox::Checked(int index) const { return index >= 0 && index < Count() && items_[size_t(index)].checked; }

void TCheckListBox::SetChecked(int index, bool on) {
  if (index < 0 || index >= Count()) return;
  items_[size_t(index)].checked = on;
  PublishState(index);
  RECT rc = ItemRect(index);
  InvalidateRect(wnd_, &rc, TRUE);
}

bool TCheckListBox::ItemEnabled(int index) const {
  return index >= 0 && index < Count() && items_[size_t(index)].enabled;
}

void TCheckListBox::SetItemEnabled(int index, bool on) {
  if (index < 0 || index >= Count()) return;
  items_[size_t(index)].enabled = on;
  PublishState(index);
  RECT rc = ItemRect(index);
  InvalidateRect(wnd_, &rc, TRUE);
}

// The line's item data mirrors its state (bit 0 checked, bit 1 disabled) for other programs.
void TCheckListBox::PublishState(int index) {
  const Item& it = items_[size_t(index)];
  SendMessageA(wnd_, LB_SETITEMDATA, WPARAM(index), LPARAM((it.checked ? 1 : 0) | (it.enabled ? 0 : 2)));
}

int TCheckListBox::ItemIndex() const { return wnd_ ? int(SendMessageA(wnd_, LB_GETCURSEL, 0, 0)) : -1; }

void TCheckListBox::SetItemIndex(int index) {
  if (wnd_) SendMessageA(wnd_, LB_SETCURSEL, WPARAM(index), 0);
}

RECT TCheckListBox::ItemRect(int index) const {
  RECT rc = {0, 0, 0, 0};
  if (wnd_) SendMessageA(wnd_, LB_GETITEMRECT, WPARAM(index), reinterpret_cast<LPARAM>(&rc));
  return rc;
}

RECT TCheckListBox::CheckRect(int index) const {
  RECT item = ItemRect(index);
  int top = item.top + (item.bottom - item.top - 13) / 2;
  RECT rc = {item.left + 2, top, item.left + 15, top + 13};
  return rc;
}

void TCheckListBox::SetColumns(const std::vector<int>& columns) {
  columns_ = columns.empty() ? std::vector<int>{2} : columns;
  Invalidate();
}

void TCheckListBox::Toggle(int index) {
  if (!ItemEnabled(index)) return;
  SetChecked(index, !Checked(index));
  if (OnClickCheck) OnClickCheck(this, index);
}

bool TCheckListBox::Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      result = DefaultMessage(msg, wp, lp);
      POINT pt = {short(LOWORD(lp)), short(HIWORD(lp))};
      LRESULT hit = SendMessageA(wnd_, LB_ITEMFROMPOINT, 0, lp);
      int index = LOWORD(hit);
      if (HIWORD(hit) == 0 && index < Count()) {
        RECT box = CheckRect(index);
        if (pt.x >= box.left - 2 && pt.x < box.right + 2) Toggle(index);
      }
      if (OnMouseDown) OnMouseDown(this, 0, pt.x, pt.y);
      return true;
    }
    case WM_CHAR:
      if (wp == ' ') {
        Toggle(ItemIndex());
        result = 0;
        return true;
      }
      return false;
  }
  return false;
}

void TCheckListBox::Command(WORD code) {
  if (code == LBN_SELCHANGE && OnSelect) OnSelect(this);
}

void TCheckListBox::DrawItem(DRAWITEMSTRUCT* dis) {
  if (int(dis->itemID) < 0 || int(dis->itemID) >= Count()) return;
  int index = int(dis->itemID);
  HDC dc = dis->hDC;
  RECT rc = dis->rcItem;
  bool selected = (dis->itemState & ODS_SELECTED) != 0;
  FillRect(dc, &rc, selected ? GetSysColorBrush(COLOR_HIGHLIGHT) : ColorBrush());
  RECT box = CheckRect(index);
  // Same geometry as CheckRect, but from the drawing rectangle.
  box.top = rc.top + (rc.bottom - rc.top - 13) / 2;
  box.bottom = box.top + 13;
  UINT state = DFCS_BUTTONCHECK;
  if (items_[size_t(index)].checked) state |= DFCS_CHECKED;
  if (!items_[size_t(index)].enabled) state |= DFCS_INACTIVE;
  DrawFrameControl(dc, &box, DFC_BUTTON, state);

  COLORREF text = !items_[size_t(index)].enabled ? GetSysColor(COLOR_GRAYTEXT)
                  : selected                     ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                                 : ColorToRGB(font_.Color());
  SetTextColor(dc, text);
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ old = SelectObject(dc, font_.Handle());
  std::string s = ItemText(index);
  int textLeft = box.right + 2;
  size_t col = 0, start = 0;
  for (;;) {
    size_t tab = s.find('\t', start);
    bool last = col + 1 >= columns_.size() || tab == std::string::npos;
    std::string part = s.substr(start, last ? std::string::npos : tab - start);
    int pos = columns_[col < columns_.size() ? col : columns_.size() - 1];
    RECT tr = rc;
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    if (pos >= 0) {
      tr.left = textLeft + pos;
    } else {
      tr.left = textLeft;
      tr.right = rc.right + pos;
      flags |= DT_RIGHT;
    }
    DrawTextA(dc, part.c_str(), int(part.size()), &tr, flags);
    if (last) break;
    start = tab + 1;
    ++col;
  }
  SelectObject(dc, old);
  if (dis->itemState & ODS_FOCUS) DrawFocusRect(dc, &rc);
}

// ---- TRichEdit

namespace {

struct StreamText {
  const std::string* text;
  size_t pos;
};

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buf, LONG size, LONG* got) {
  auto* st = reinterpret_cast<StreamText*>(cookie);
  size_t n = st->text->size() - st->pos;
  if (n > size_t(size)) n = size_t(size);
  memcpy(buf, st->text->data() + st->pos, n);
  st->pos += n;
  *got = LONG(n);
  return 0;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD size = GetFileSize(h, nullptr);
  bool ok = size != INVALID_FILE_SIZE;
  if (ok) {
    bytes.assign(size, '\0');
    DWORD got = 0;
    ok = size == 0 || (::ReadFile(h, &bytes[0], size, &got, nullptr) && got == size);
  }
  CloseHandle(h);
  return ok;
}

}  // namespace

TRichEdit::TRichEdit(TWinControl* parent, bool rightToLeft) : TControl(parent) {
  static HMODULE lib = LoadLibraryA("RICHED32.DLL");
  (void)lib;
  colorSet_ = true;
  color_ = SysColor(COLOR_WINDOW);
  rightToLeft_ = rightToLeft;
  DWORD ex = WS_EX_CLIENTEDGE;
  if (rightToLeft) ex |= WS_EX_RTLREADING | WS_EX_RIGHT | WS_EX_LEFTSCROLLBAR;
  CreateHandle("RICHEDIT", std::string(), WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL, ex);
  if (wnd_) SendMessageA(wnd_, EM_SETBKGNDCOLOR, 0, LPARAM(ColorToRGB(color_)));
  // Documents (licence, readme) longer than the control's default 32K come in whole.
  if (wnd_) SendMessageA(wnd_, EM_EXLIMITTEXT, 0, 0x7FFFFFF0);
  if (wnd_ && rightToLeft) {
    PARAFORMAT pf = {};
    pf.cbSize = sizeof(pf);
    pf.dwMask = PFM_ALIGNMENT;
    pf.wAlignment = PFA_RIGHT;
    SendMessageA(wnd_, EM_SETSEL, 0, -1);
    SendMessageA(wnd_, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    SendMessageA(wnd_, EM_SETSEL, 0, 0);
  }
}

std::string TRichEdit::Text() const { return Caption(); }

void TRichEdit::SetText(const std::string& text) {
  if (wnd_) SetWindowTextA(wnd_, text.c_str());
}

void TRichEdit::Clear() { SetText(std::string()); }

bool TRichEdit::LoadRtf(const std::string& rtf) { return LoadText(rtf, false); }

bool TRichEdit::LoadFromFile(const std::string& path, bool plainText, unsigned codePage) {
  std::string bytes;
  if (!wnd_ || !ReadWholeFile(path, bytes)) {
    Clear();
    return false;
  }
  return LoadText(bytes, plainText, codePage);
}

bool TRichEdit::LoadText(const std::string& bytes, bool plainText, unsigned codePage) {
  if (!wnd_) return false;
  UINT format = plainText ? SF_TEXT : SF_RTF;
  std::string stream = bytes;
  if (plainText && codePage != CP_ACP) {
    // The control reads plain bytes in the system code page: hand it UTF-16 instead.
    int n = bytes.empty() ? 0 : MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    if (!bytes.empty() && n <= 0) return false;
    stream.assign(size_t(n) * sizeof(WCHAR), '\0');
    if (n > 0)
      MultiByteToWideChar(codePage, 0, bytes.data(), int(bytes.size()), reinterpret_cast<WCHAR*>(&stream[0]), n);
    format |= SF_UNICODE;
  }
  StreamText st = {&stream, 0};
  EDITSTREAM es = {reinterpret_cast<DWORD_PTR>(&st), 0, ReadStream};
  SendMessageA(wnd_, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&es));
  return es.dwError == 0;
}

std::string TRichEdit::TextInCodePage(unsigned codePage) const {
  if (!wnd_) return std::string();
  GETTEXTLENGTHEX gl = {GTL_NUMBYTES | GTL_PRECISE, codePage};
  LRESULT n = SendMessageA(wnd_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gl), 0);
  if (n <= 0) return std::string();
  std::string buf(size_t(n) + 2, '\0');
  GETTEXTEX gt = {};
  gt.cb = DWORD(buf.size());
  gt.flags = GT_DEFAULT;
  gt.codepage = codePage;
  LRESULT got = SendMessageA(wnd_, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&gt), reinterpret_cast<LPARAM>(&buf[0]));
  buf.resize(size_t(got > 0 ? got : 0));
  return buf;
}

void TRichEdit::SetDocumentCharset(int charset) {
  if (!wnd_) return;
  CHARFORMATA cf = {};
  cf.cbSize = sizeof(cf);
  cf.dwMask = CFM_CHARSET;
  cf.bCharSet = BYTE(charset);
  SendMessageA(wnd_, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&cf));
  SendMessageA(wnd_, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
}

void TRichEdit::SetReadingRightToLeft(bool on) {
  if (!wnd_) return;
  SetRightToLeft(on);
  PARAFORMAT2 pf = {};
  pf.cbSize = sizeof(pf);
  pf.dwMask = PFM_RTLPARA | PFM_ALIGNMENT;
  pf.wEffects = on ? PFE_RTLPARA : 0;
  pf.wAlignment = on ? PFA_RIGHT : PFA_LEFT;
  CHARRANGE keep = {0, 0}, all = {0, -1};
  SendMessageA(wnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&keep));
  SendMessageA(wnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
  SendMessageA(wnd_, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
  SendMessageA(wnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&keep));
}

bool TRichEdit::ReadOnly() const { return wnd_ && (GetWindowLongPtrA(wnd_, GWL_STYLE) & ES_READONLY); }

void TRichEdit::SetReadOnly(bool on) {
  if (wnd_) SendMessageA(wnd_, EM_SETREADONLY, on, 0);
}

bool TRichEdit::Border() const { return wnd_ && (GetWindowLongPtrA(wnd_, GWL_EXSTYLE) & WS_EX_CLIENTEDGE); }

void TRichEdit::SetBorder(bool on) { ModifyExStyle(on ? 0 : WS_EX_CLIENTEDGE, on ? WS_EX_CLIENTEDGE : 0); }

void TRichEdit::SetScrollBars(ScrollBars bars) {
  scrolls_ = bars;
  DWORD add = bars == ScrollBars::None ? 0 : bars == ScrollBars::Vertical ? WS_VSCROLL : (WS_VSCROLL | WS_HSCROLL);
  ModifyStyle(WS_VSCROLL | WS_HSCROLL, add);
  // The control shows and hides its bars itself: tell it which ones it has.
  if (wnd_) {
    SendMessageA(wnd_, EM_SHOWSCROLLBAR, SB_VERT, bars != ScrollBars::None);
    SendMessageA(wnd_, EM_SHOWSCROLLBAR, SB_HORZ, bars == ScrollBars::Both);
  }
}

void TRichEdit::SetColor(TColor color) {
  TControl::SetColor(color);
  if (wnd_) SendMessageA(wnd_, EM_SETBKGNDCOLOR, 0, LPARAM(ColorToRGB(color)));
}

int TRichEdit::TextLength() const {
  if (!wnd_) return 0;
  GETTEXTLENGTHEX gl = {GTL_NUMCHARS | GTL_PRECISE, CP_ACP};
  LRESULT n = SendMessageA(wnd_, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gl), 0);
  if (n < 0) n = GetWindowTextLengthA(wnd_);
  return int(n);
}

std::string TRichEdit::TextRange(int start, int length) const {
  int total = TextLength();
  if (start < 0) {
    length += start;
    start = 0;
  }
  if (start > total) start = total;
  if (length > total - start) length = total - start;
  if (!wnd_ || length <= 0) return std::string();
  std::string buf(size_t(length) * 2 + 2, '\0');
  TEXTRANGEA tr = {{start, start + length}, &buf[0]};
  LRESULT n = SendMessageA(wnd_, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&tr));
  buf.resize(size_t(n > 0 ? n : 0));
  return buf;
}

void TRichEdit::SetSelection(int start, int length) {
  if (!wnd_) return;
  CHARRANGE cr = {start, start + length};
  SendMessageA(wnd_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&cr));
}

int TRichEdit::SelStart() const {
  CHARRANGE cr = {0, 0};
  if (wnd_) SendMessageA(wnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&cr));
  return cr.cpMin;
}

int TRichEdit::SelLength() const {
  CHARRANGE cr = {0, 0};
  if (wnd_) SendMessageA(wnd_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&cr));
  return cr.cpMax - cr.cpMin;
}

TRichEdit::CharAttributes TRichEdit::SelAttributes() const {
  CharAttributes a;
  if (!wnd_) return a;
  CHARFORMATA cf = {};
  cf.cbSize = sizeof(cf);
  SendMessageA(wnd_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  a.bold = (cf.dwMask & CFM_BOLD) && (cf.dwEffects & CFE_BOLD);
  a.underline = (cf.dwMask & CFM_UNDERLINE) && (cf.dwEffects & CFE_UNDERLINE);
  a.color = (cf.dwEffects & CFE_AUTOCOLOR) ? GetSysColor(COLOR_WINDOWTEXT) : cf.crTextColor;
  return a;
}

void TRichEdit::SetSelBold(bool on) {
  if (!wnd_) return;
  CHARFORMATA cf = {};
  cf.cbSize = sizeof(cf);
  cf.dwMask = CFM_BOLD;
  cf.dwEffects = on ? CFE_BOLD : 0;
  SendMessageA(wnd_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
}

int TRichEdit::CharFromPos(int x, int y) const {
  if (!wnd_) return 0;
  POINTL pt = {x, y};
  return int(SendMessageA(wnd_, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&pt)));
}

POINT TRichEdit::PosFromChar(int index) const {
  POINTL pt = {0, 0};
  if (wnd_) SendMessageA(wnd_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&pt), index);
  POINT p = {pt.x, pt.y};
  return p;
}
