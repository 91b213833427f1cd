#include "Slider.h"

#include "Billboard.h"
#include "Common.h"
#include "CopyBar.h"
#include "Ctrls.h"
#include "Files.h"
#include "Music.h"
#include "SDialog.h"
#include "SScript.h"
#include "Utils.h"

TSlider::TSlider(TWinControl* parent)
    : TControl(parent), trackColor_(SysColor(COLOR_BTNFACE)), thumbColor_(SysColor(COLOR_BTNFACE)) {
  CreateHandle("Static", std::string(), WS_VISIBLE | SS_NOTIFY, 0);
  SetBounds(0, 0, 30, 130);
}

void TSlider::SetTrackWidth(int value) {
  if (value == trackWidth_) return;
  trackWidth_ = value;
  Invalidate();
}

void TSlider::SetTrackColor(TColor value) {
  if (value == trackColor_) return;
  trackColor_ = value;
  Invalidate();
}

void TSlider::SetThumbHeight(int value) {
  if (value == thumbHeight_) return;
  thumbHeight_ = value;
  Invalidate();
}

void TSlider::SetThumbColor(TColor value) {
  if (value == thumbColor_) return;
  thumbColor_ = value;
  Invalidate();
}

void TSlider::SetOrientation(TSliderOrientation value) {
  if (value == orientation_) return;
  orientation_ = value;
  Invalidate();
}

void TSlider::SetCtl3D(bool value) {
  if (value == ctl3d_) return;
  ctl3d_ = value;
  Invalidate();
}

void TSlider::SetMin(int value) {
  if (value == min_) return;
  min_ = value;
  if (position_ < min_) SetPosition(min_);
  Invalidate();
}

void TSlider::SetMax(int value) {
  if (value == max_) return;
  max_ = value;
  if (position_ > max_) SetPosition(max_);
  Invalidate();
}

void TSlider::SetPosition(int value) {
  if (value == position_) return;
  position_ = value;
  Invalidate();
  if (OnValueChange) OnValueChange(this);
}

int TSlider::TrackLength() const { return orientation_ == TSliderOrientation::slVertical ? ClientHeight() : ClientWidth(); }

RECT TSlider::ThumbRect() const {
  // An empty range or a track no longer than the thumb keeps the thumb at the start.
  const long long range = max_ - min_;
  const long long room = TrackLength() - thumbHeight_;
  const long long offset = range > 0 && room > 0 ? room * (position_ - min_) / range : 0;
  if (orientation_ == TSliderOrientation::slVertical) {
    const int bottom = ClientHeight() - int(offset);
    return RECT{0, bottom - thumbHeight_, ClientWidth(), bottom};
  }
  return RECT{int(offset), 0, int(offset) + thumbHeight_, ClientHeight()};
}

void TSlider::Paint(HDC dc) {
  RECT rc;
  GetClientRect(Handle(), &rc);
  HDC mem = CreateCompatibleDC(dc);
  HBITMAP bmp = CreateCompatibleBitmap(dc, rc.right > 0 ? rc.right : 1, rc.bottom > 0 ? rc.bottom : 1);
  HGDIOBJ old = SelectObject(mem, bmp);
  HWND parent = GetParent(Handle());
  HBRUSH back = reinterpret_cast<HBRUSH>(SendMessageA(parent, WM_CTLCOLORSTATIC, WPARAM(mem), LPARAM(Handle())));
  FillRect(mem, &rc, back ? back : GetSysColorBrush(COLOR_BTNFACE));
  RECT track = rc;
  if (orientation_ == TSliderOrientation::slVertical) {
    track.left = (rc.right - trackWidth_) / 2;
    track.right = track.left + trackWidth_;
  } else {
    track.top = (rc.bottom - trackWidth_) / 2;
    track.bottom = track.top + trackWidth_;
  }
  HBRUSH trackBrush = CreateSolidBrush(ColorToRGB(trackColor_));
  FillRect(mem, &track, trackBrush);
  DeleteObject(trackBrush);
  if (ctl3d_) DrawEdge(mem, &track, BDR_SUNKENOUTER, BF_RECT);
  RECT thumb = ThumbRect();
  HBRUSH thumbBrush = CreateSolidBrush(IsWindowEnabled(Handle()) ? ColorToRGB(thumbColor_) : RGB(0x80, 0x80, 0x80));
  FillRect(mem, &thumb, thumbBrush);
  DeleteObject(thumbBrush);
  if (ctl3d_) DrawEdge(mem, &thumb, EDGE_RAISED, BF_RECT);
  BitBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
}

bool TSlider::Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (PaintMessage(msg, wp, result, [this](HDC dc) { Paint(dc); })) return true;
  const POINT pt = {short(LOWORD(lp)), short(HIWORD(lp))};
  switch (msg) {
    case WM_LBUTTONDOWN: {
      const RECT thumb = ThumbRect();
      if (PtInRect(&thumb, pt)) {
        dragging_ = true;
        dragPoint_ = pt;
        dragPosition_ = position_;
        SetCapture(Handle());
      }
      break;
    }
    case WM_MOUSEMOVE:
      if (dragging_) {
        const long long moved = orientation_ == TSliderOrientation::slVertical ? dragPoint_.y - pt.y : pt.x - dragPoint_.x;
        const long long room = TrackLength() - thumbHeight_;
        long long p = dragPosition_ + (room > 0 ? moved * (max_ - min_) / room : 0);
        if (p < min_) p = min_;
        if (p > max_) p = max_;
        SetPosition(int(p));
        UpdateWindow(Handle());
      }
      break;
    case WM_LBUTTONUP:
      if (dragging_) {
        dragging_ = false;
        ReleaseCapture();
      }
      break;
  }
  return TControl::Message(msg, wp, lp, result);
}

TSliderForm::TSliderForm(TForm* owner) : TForm("SliderForm", owner, FormBorder::None) {
  SetCaption("Volume");
  ModifyStyle(WS_POPUP, WS_POPUP | WS_CAPTION);
  ModifyExStyle(0, WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  SetStayOnTop(true);
  slider1 = new TSlider(this);
  slider1->SetTrackWidth(4);
  slider1->SetTrackColor(SysColor(COLOR_3DDKSHADOW));
  slider1->SetThumbHeight(20);
  slider1->SetThumbColor(SysColor(COLOR_BTNSHADOW));
  slider1->SetMax(65535);
  SetClientSize(45, 140);
  slider1->SetBounds((45 - slider1->Width()) / 2 + 1, 5, slider1->Width(), 130);
  slider1->OnValueChange = [](TSlider* s) { SetMusicVolume(s->Position()); };
  sliderTimer_ = new TTimer(this, 100);
  sliderTimer_->OnTimer = [this](TTimer*) { slider1->SetPosition(GetMusicVolume()); };
  sliderTimer_->SetEnabled(true);
}

namespace {
TSlider* g_fixed = nullptr;
TSliderForm* g_floating = nullptr;
TTimer* g_fixedTimer = nullptr;
int g_barWidth1 = 0, g_barWidth2 = 0;

// The copy page's first progress bar, also while the copy bar stands in for it.
TProgressBar* PageBar(TSDialogForm& wizard) {
  return CurrentCopyBar() ? CurrentCopyBar()->WizardBar() : wizard.progressBar1;
}
}  // namespace

TSlider* FixedVolumeSlider() { return g_fixed; }
TSliderForm* FloatingVolumeSlider() { return g_floating; }

bool StartBackgroundMusic(TSDialogForm& wizard) {
  TScript& s = *wizard.Script();
  if (s.BgWaveFileName().empty()) return false;
  const std::string file = GetExeDir(true) + ExtractFileName(s.BgWaveFileName());
  if (!FileExists(file)) return false;
  if (EqualTextNoCase(Trim(s.BgWaveSlider()), "Fixed")) {
    // Beside the copy page's progress bars, which give up the room it takes.
    TProgressBar* bar1 = PageBar(wizard);
    TProgressBar* bar2 = wizard.progressBar2;
    g_barWidth1 = bar1->Width();
    g_barWidth2 = bar2->Width();
    g_fixed = new TSlider(bar1->Parent());
    const int left = bar1->Left() + bar1->Width() - 30;
    const int top = IntMax(0, bar1->Top() - 60);
    g_fixed->SetBounds(left, top, 30, IntMin(130, bar1->Parent()->ClientHeight() - top));
    g_fixed->SetMax(65535);
    bar1->SetWidth(g_barWidth1 - 36);
    bar2->SetWidth(g_barWidth2 - 36);
    g_fixed->OnValueChange = [](TSlider* sl) { SetMusicVolume(sl->Position()); };
    g_fixedTimer = new TTimer(&wizard, 100);
    g_fixedTimer->OnTimer = [](TTimer*) {
      if (g_fixed) g_fixed->SetPosition(GetMusicVolume());
    };
    g_fixedTimer->SetEnabled(true);
  } else if (EqualTextNoCase(Trim(s.BgWaveSlider()), "Floating")) {
    g_floating = TForm::Create<TSliderForm>(&wizard);
    // Placed like the wizard: in the background window's client area, or the work area.
    RECT area = {};
    TForm* owner = wizard.Owner();
    if (owner && owner->Handle()) {
      GetClientRect(owner->Handle(), &area);
      MapWindowPoints(owner->Handle(), nullptr, reinterpret_cast<POINT*>(&area), 2);
    } else {
      SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    const std::string& loc = s.BgWaveLocation();
    PlaceControl(g_floating, SettingItem(loc, 0), (area.bottom - area.top) - g_floating->Height(), 0,
                 area.top + StrToIntDef(SettingItem(loc, 2), 0),
                 area.left + StrToIntDef(SettingItem(loc, 1), 0), (area.right - area.left) - g_floating->Width());
    SetWindowPos(g_floating->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (!s.AddBillboard() && wizard.Handle()) SetForegroundWindow(wizard.Handle());
  }
  PlayMusic(file, StrToIntDef(Trim(s.BgWaveLoop()), 0));
  return true;
}

void StopBackgroundMusic(TSDialogForm& wizard) {
  if (g_fixed) {
    delete g_fixedTimer;
    g_fixedTimer = nullptr;
    delete g_fixed;
    g_fixed = nullptr;
    PageBar(wizard)->SetWidth(g_barWidth1);
    wizard.progressBar2->SetWidth(g_barWidth2);
  }
  if (g_floating) {
    g_floating->Hide();
    delete g_floating;
    g_floating = nullptr;
  }
  WaitProcessingMessages(50);
  FadeOutMusic(500);
}
