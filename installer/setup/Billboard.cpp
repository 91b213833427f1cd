#include "Billboard.h"

#include <fstream>

#include "Common.h"
#include "Ctrls.h"
#include "ExitSetup.h"
#include "Files.h"
#include "Utils.h"

namespace {

TBillboardForm* g_billboard = nullptr;

int CALLBACK FontFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

std::string BareName(const std::string& path, bool fromProgramFolder) {
  return fromProgramFolder ? GetExeDir(true) + ExtractFileName(path) : path;
}

bool IsTextSlide(const std::string& name) {
  return name.size() >= 4 && EqualTextNoCase(name.substr(name.size() - 4), ".txt");
}

}  // namespace

std::string SettingItem(const std::string& setting, int index) {
  return Trim(GetListItem("|" + setting + "|", index));
}

std::string FontOrArial(const std::string& name) {
  if (name.empty() || name.size() >= LF_FACESIZE) return "Arial";
  LOGFONTA lf = {};
  lf.lfCharSet = DEFAULT_CHARSET;
  memcpy(lf.lfFaceName, name.c_str(), name.size() + 1);
  bool found = false;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExA(dc, &lf, FontFound, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found ? name : "Arial";
}

TBillboardData ReadBillboardData(std::string d, std::vector<std::string>& slides) {
  if (Trim(d).empty() && !slides.empty()) {
    d = slides.front();
    slides.erase(slides.begin());
  }
  auto item = [&](int i) { return SettingItem(d, i); };
  auto flag = [&](int i) { return item(i) == "1"; };
  auto number = [&](int i, int def) { return StrToIntDef(item(i), def); };
  TBillboardData b;
  b.waitForEnd = flag(0);
  b.dialogFrame = flag(1);
  b.sizeToPicture = flag(2);
  b.gradient = flag(3);
  b.transparent = flag(4);
  if (!item(5).empty()) b.position = item(5);
  b.dx = number(6, 0);
  b.dy = number(7, 0);
  b.topColor = TColor(number(8, 0));
  b.bottomColor = TColor(number(9, 0xFF0000));
  b.fontName = item(10);
  b.fontSize = number(11, 14);
  b.fontColor = TColor(number(12, 0xFFFFFF));
  b.charset = number(13, 1);
  b.fontStyle = unsigned(number(14, 0));
  b.width = number(15, 0);
  b.height = number(16, 0);
  b.margin = number(17, 0);
  // A pace of 0 or no number would stop the show: one tick per 500 ms then.
  b.pace = number(18, 1);
  if (b.pace < 1) b.pace = 1;
  return b;
}

TBillboardForm::TBillboardForm(TForm* owner, const std::string& descriptor, const std::vector<std::string>& slides,
                               bool fromProgramFolder)
    : TForm("BillboardForm", owner, FormBorder::None), slides_(slides), fromProgramFolder_(fromProgramFolder) {
  data_ = ReadBillboardData(descriptor, slides_);
  SetCaption("Billboard");
  SetTahomaFont(Font());
  if (data_.dialogFrame) ModifyExStyle(0, WS_EX_DLGMODALFRAME);
  image1 = new TImage(this);
  image1->SetCenter(true);
  image1->SetVisible(false);
  button1 = new TButton(this, "Close");
  button1->Font().SetStyle(1);
  button1->SetBounds(1, 1, 60, 22);
  button1->SetVisible(false);
  button1->OnClick = [this](TControl*) {
    running_ = false;
    timer1_->SetEnabled(false);
    Close();
  };
  timer1_ = new TTimer(this, unsigned(data_.pace) * 500);
  timer1_->SetEnabled(false);
  timer1_->OnTimer = [this](TTimer*) {
    // The show pauses while the exit question is open.
    if (!ExitBoxOpen()) Step();
  };
  SetClientSize(data_.width > 0 ? data_.width : 1, data_.height > 0 ? data_.height : 1);
  SetBounds(-Width() - 5, -Height() - 5, Width(), Height());
}

TBillboardForm::~TBillboardForm() {
  if (g_billboard == this) g_billboard = nullptr;
}

void TBillboardForm::ShowCloseButton() { button1->Show(); }

void TBillboardForm::DoShow() {
  TForm::DoShow();
  SetColor(data_.topColor);
  running_ = true;
  Step();
  Step();
}

void TBillboardForm::Step() {
  const bool inRange = index_ < int(slides_.size());
  if (loadPhase_) {
    if (inRange) LoadSlide();
    loadPhase_ = false;
  } else {
    if (inRange) {
      LayoutSlide();
    } else {
      running_ = false;
      timer1_->SetEnabled(false);
    }
    ++index_;
    loadPhase_ = true;
  }
  // Ticks keep coming (and do nothing) after the last slide.
  if (running_) {
    timer1_->SetEnabled(false);
    timer1_->SetEnabled(true);
  }
}

void TBillboardForm::LoadSlide() {
  const std::string path = BareName(Trim(slides_[size_t(index_)]), fromProgramFolder_);
  loaded_.lines.clear();
  if (!IsTextSlide(path)) {
    HANDLE probe = LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (probe) {
      DeleteObject(probe);
      picturePath_ = path;
      pictureMode_ = true;
      return;
    }
  } else {
    std::ifstream in(path, std::ios::binary);
    if (in) {
      std::string line;
      while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        loaded_.lines.push_back(line);
      }
      pictureMode_ = false;
      return;
    }
  }
  pictureMode_ = false;
  loaded_.lines.push_back(path);
  loaded_.lines.push_back(std::string());
  loaded_.lines.push_back("    File Not Found!");
}

void TBillboardForm::LayoutSlide() {
  button1->SetBounds(1, 1, button1->Width(), button1->Height());
  const int oldW = ClientWidth(), oldH = ClientHeight();
  int w = data_.width, h = data_.height, px = 0, py = 0;
  if (pictureMode_) image1->LoadFromFile(picturePath_);
  const int picW = pictureMode_ ? image1->PictureWidth() : 0, picH = pictureMode_ ? image1->PictureHeight() : 0;
  if (pictureMode_ && data_.sizeToPicture) {
    w = picW + 2 * data_.margin;
    h = picH + 2 * data_.margin;
    px = py = data_.margin;
  } else {
    px = (w - picW) / 2;
    py = (h - picH) / 2;
  }
  if (w < 1) w = 1;
  if (h < 1) h = 1;
  if (w < oldW || h < oldH) SetClientSize(IntMin(w, oldW), IntMin(h, oldH));
  RECT work = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int outerW = Width() + (w - ClientWidth()), outerH = Height() + (h - ClientHeight());
  SetBounds(Left(), Top(), outerW, outerH);
  PlaceControl(this, data_.position, (work.bottom - work.top) - outerH, 0, work.top + data_.dy, work.left + data_.dx,
               (work.right - work.left) - outerW);
  SetClientSize(w, h);
  if (pictureMode_) {
    const bool hadText = !shown_.lines.empty();
    shown_.lines.clear();
    image1->SetBounds(px, py, picW, picH);
    image1->SetTransparent(data_.transparent);
    image1->Show();
    if (hadText) Invalidate();
  } else {
    shown_.lines = loaded_.lines;
    shown_.quoteChar = '"';  // wrapped anew when drawn
    image1->Hide();
    Invalidate();
  }
  button1->SetBounds(IntMax(0, ClientWidth() - button1->Width() - 8), IntMax(0, ClientHeight() - button1->Height() - 8),
                     button1->Width(), button1->Height());
  if (ClientWidth() != oldW || ClientHeight() != oldH) Invalidate();
}

void TBillboardForm::DoPaint(TCanvas& canvas) {
  FillVerticalGradient(canvas, data_.topColor, data_.gradient ? data_.bottomColor : data_.topColor, ClientWidth(),
                       ClientHeight());
  if (!shown_.lines.empty())
    DrawWrappedText(canvas, FontOrArial(data_.fontName), data_.fontStyle, shown_, data_.margin, ClientWidth(),
                    data_.charset, data_.fontColor, data_.fontSize);
  TForm::DoPaint(canvas);
}

bool TBillboardForm::Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_ERASEBKGND) {
    result = 1;
    return true;
  }
  return TForm::Message(msg, wp, lp, result);
}

TBillboardForm* CurrentBillboard() { return g_billboard; }

TBillboardForm* ShowBillboard(TForm* owner, const std::string& descriptor, const std::vector<std::string>& slides,
                              bool showCloseButton, bool fromProgramFolder) {
  FreeBillboard();
  g_billboard = TForm::Create<TBillboardForm>(owner, descriptor, slides, fromProgramFolder);
  if (showCloseButton) g_billboard->ShowCloseButton();
  g_billboard->Show();
  return g_billboard;
}

void FreeBillboard() {
  TBillboardForm* b = g_billboard;
  g_billboard = nullptr;
  delete b;
}

void WaitBillboardEnd() {
  if (!g_billboard) return;
  g_billboard->ShowCloseButton();
  while (g_billboard && g_billboard->Running() && g_billboard->Visible()) WaitProcessingMessages(100);
}
