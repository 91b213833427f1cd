#include "SMain.h"

#include "Billboard.h"
#include "Common.h"
#include "Ctrls.h"
#include "ExitSetup.h"
#include "Files.h"
#include "Grafics.h"
#include "RegOp.h"
#include "SDialog.h"
#include "SScript.h"
#include "Utils.h"

const char* const kBackgroundClassName = "TSMainForm";

namespace {

TColor ColorSetting(const std::string& text) { return TColor(StrToIntDef(Trim(text), 0xFF0000)); }

// Font descriptor: name, points, colour, charset, style bits.
void SetLabelFont(TFont& font, const std::string& d) {
  font.SetName(FontOrArial(SettingItem(d, 0)));
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  font.SetSize(StrToIntDef(SettingItem(d, 1), 16) * 96 / (dpi > 0 ? dpi : 96));
  font.SetColor(TColor(StrToIntDef(SettingItem(d, 2), 0xFFFFFF)));
  font.SetCharset(StrToIntDef(SettingItem(d, 3), 1));
  font.SetStyle(unsigned(StrToIntDef(SettingItem(d, 4), 0)));
}

int FontSize(const std::string& d) { return StrToIntDef(SettingItem(d, 1), 16); }

int Ascent(TCanvas& canvas) {
  canvas.TextHeight("A");  // selects the font
  TEXTMETRICA tm = {};
  GetTextMetricsA(canvas.Handle(), &tm);
  return tm.tmAscent;
}

// The text in black two pixels down and right, then in the font's colour.
void ShadowText(TCanvas& canvas, int x, int y, const std::string& text) {
  const TColor color = canvas.Font().Color();
  canvas.Font().SetColor(0);
  canvas.TextAt(x + 2, y + 2, text);
  canvas.Font().SetColor(color);
  canvas.TextAt(x, y, text);
}

}  // namespace

TSMainForm::TSMainForm(TScript* script) : TForm(kBackgroundClassName, nullptr, FormBorder::Single), script_(script) {
  SetCaption("Kelvane");
  SetTahomaFont(Font());
  RECT work = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  SetBounds(work.left, work.top, work.right - work.left, work.bottom - work.top);
  startupTimer_ = new TTimer(this, 500);
  startupTimer_->SetEnabled(false);
  startupTimer_->OnTimer = [this](TTimer*) { StartupTimerTimer(); };
  setOnTopTimer_ = new TTimer(this, 100);
  setOnTopTimer_->OnTimer = [this](TTimer*) {
    if (wizardShown_ && wizard_ && wizard_->Handle())
      SetWindowPos(Handle(), wizard_->Handle(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  };
  setOnTopTimer_->SetEnabled(true);
}

TSMainForm::~TSMainForm() {
  if (wizard_) wizard_->closeWith = nullptr;
  delete wizard_;
  if (picture_) DeleteObject(picture_);
}

void TSMainForm::DoShow() {
  if (!wizard_) {
    wizard_ = TForm::Create<TSDialogForm>(this);
    SetTahomaFont(wizard_->Font());
    wizard_->SetScript(script_);
    wizard_->closeWith = this;
  }
  SetColor(ColorSetting(script_->TopBgColor()));
  LoadPicture();
  if (!script_->ProgName().empty()) SetCaption(script_->ProgName());
  TForm::DoShow();
  startupTimer_->SetEnabled(true);
}

void TSMainForm::LoadPicture() {
  if (picture_ || script_->BgBitmapFileName().empty()) return;
  // A real install takes the picture from the program's folder under its bare name.
  const std::string path = GetExeDir(true) + ExtractFileName(script_->BgBitmapFileName());
  picture_ = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  if (!picture_) return;  // a picture that fails to load is left out
  BITMAP bm = {};
  GetObject(picture_, sizeof bm, &bm);
  picW_ = bm.bmWidth;
  picH_ = bm.bmHeight;
  // Placed on the client area like a control of the picture's size.
  TLabel place(this);
  place.SetVisible(false);
  place.SetBounds(0, 0, picW_, picH_);
  const std::string& loc = script_->BgBitmapLocation();
  PlaceControl(&place, SettingItem(loc, 0), ClientHeight() - picH_, 0, StrToIntDef(SettingItem(loc, 2), 0),
               StrToIntDef(SettingItem(loc, 1), 0), ClientWidth() - picW_);
  pictureRect_ = {place.Left(), place.Top(), place.Left() + place.Width(), place.Top() + place.Height()};
}

void TSMainForm::StartupTimerTimer() {
  // Never under the exit question: the timer ticks again once it is answered.
  if (ExitBoxOpen()) return;
  startupTimer_->SetEnabled(false);
  if (IsWizardClosed()) return;
  wizard_->InitFromScript();
  if (wizard_->BeforeDialogs()) {
    ForceCloseProg();
    return;
  }
  wizard_->Show();
  wizardShown_ = true;
}

void TSMainForm::ForceCloseProg() {
  forced_ = true;
  SetExitConfirmed(true);
  if (wizard_) wizard_->closeWith = nullptr;
  Close();
}

bool TSMainForm::DoCloseQuery() {
  if (!TForm::DoCloseQuery()) return false;
  if (forced_ || IsWizardClosed() || !wizard_) {
    wizardShown_ = false;
    return true;
  }
  // The wizard asks (also while it is hidden behind the copy bar or not shown yet) and,
  // during the copy, closes once the run has stopped; its close closes this window.
  wizard_->Close();
  if (IsWizardClosed()) {
    wizardShown_ = false;
    return true;
  }
  return false;
}

void TSMainForm::DoClose(CloseAction& action) {
  TForm::DoClose(action);
  if (action == CloseAction::None) return;
  DeleteRegKey("HKEY_CURRENT_USER\\Software\\Kelvane_Dyn_Data");
}

bool TSMainForm::Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_ERASEBKGND) {
    result = 1;
    return true;
  }
  return TForm::Message(msg, wp, lp, result);
}

void TSMainForm::DoPaint(TCanvas& canvas) {
  const int w = ClientWidth(), h = ClientHeight();
  HDC mem = CreateCompatibleDC(canvas.Handle());
  HBITMAP bmp = CreateCompatibleBitmap(canvas.Handle(), w > 0 ? w : 1, h > 0 ? h : 1);
  HGDIOBJ old = SelectObject(mem, bmp);
  {
    TCanvas back(mem);
    PaintBackground(back, w, h);
    back.SetHandle(nullptr);
  }
  BitBlt(canvas.Handle(), 0, 0, w, h, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
}

void TSMainForm::PaintBackground(TCanvas& canvas, int width, int height) {
  const TScript& s = *script_;
  const TColor top = ColorSetting(s.TopBgColor());
  FillVerticalGradient(canvas, top, s.BottomBgColorReq() ? ColorSetting(s.BottomBgColor()) : top, width, height);
  if (picture_) {
    HDC pic = CreateCompatibleDC(canvas.Handle());
    HGDIOBJ old = SelectObject(pic, picture_);
    const RECT& r = pictureRect_;
    if (s.BgBitmapTransparent()) {
      TransparentBlt(canvas.Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, pic, 0, 0, picW_, picH_,
                     GetPixel(pic, 0, picH_ - 1));
    } else {
      SetStretchBltMode(canvas.Handle(), COLORONCOLOR);
      StretchBlt(canvas.Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, pic, 0, 0, picW_, picH_, SRCCOPY);
    }
    SelectObject(pic, old);
    DeleteDC(pic);
  }
  canvas.SetTransparentText(true);
  const std::string version = s.TopLabelVer() ? s.ProgVersion() : std::string();
  y_ = 0;
  DrawTitleLine(canvas, width, height, s.TopLabelText(), version, s.TopLabelFont(), s.TopLabelSide(), true, 0);
  y_ += 2;
  DrawTitleLine(canvas, width, height, s.TopLabelText2(), std::string(), s.TopLabelFont2(), s.TopLabelSide2(), true,
                (FontSize(s.TopLabelFont()) - FontSize(s.TopLabelFont2())) / 7);
  y_ = 0;
  DrawTitleLine(canvas, width, height, s.BottomLabelText(), std::string(), s.BottomLabelFont(), s.BottomLabelSide(),
                false, 0);
}

void TSMainForm::DrawTitleLine(TCanvas& canvas, int width, int height, const std::string& text,
                               const std::string& suffix, const std::string& font, const std::string& side, bool top,
                               int xOffset) {
  if (text.empty()) return;
  SetLabelFont(canvas.Font(), font);
  const std::string line = suffix.empty() ? text : text + " ";
  const int w = canvas.TextWidth(line), h = canvas.TextHeight(line), a1 = Ascent(canvas);
  int total = w, a2 = 0;
  const int fullSize = canvas.Font().Size();
  if (!suffix.empty()) {
    canvas.Font().SetSize(fullSize / 2);
    total += canvas.TextWidth(suffix);
    a2 = Ascent(canvas);
    if (a1 / 2 >= a2) --a2;
    canvas.Font().SetSize(fullSize);
  }
  int a = y_ == 0 ? 10 : y_;
  y_ = a + h;
  int m = 20;
  if (GetSystemMetrics(SM_CXSCREEN) < 1000) {
    m = 16;
    a = a * 4 / 5;
  }
  int x = m + xOffset;
  if (EqualTextNoCase(side, "Right")) x = width - total - m;
  else if (EqualTextNoCase(side, "Center")) x = (width - (total + m)) / 2 - xOffset;
  int t = top ? a : height - h - a;
  ShadowText(canvas, x, t, line);
  if (!suffix.empty()) {
    t += a1 - a2;
    x += w;
    canvas.Font().SetSize(fullSize / 2);
    ShadowText(canvas, x, t, suffix);
    canvas.Font().SetSize(fullSize);
  }
}
