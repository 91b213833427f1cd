#include "AboutDlg.h"

#include <shellapi.h>

#include "Common.h"
#include "Grafics.h"
#include "Utils.h"

const char* const kMakerAddress = "www.example.com";
const char* const kMakerAddressLong = "http://www.example.com";

namespace {

const TColor kBandTop = 0xAA7744, kBandBottom = 0x885522;
const COLORREF kLinkBlue = RGB(0, 0, 255);

std::string RtfEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '{' || c == '}') out += '\\';
    out += c;
  }
  return out;
}

// The close picture: a dark cross on the bar's colour.
void DrawClosePicture(TImage* image) {
  image->SetPictureSize(20, 20);
  TCanvas& c = image->Canvas();
  c.brushColor = 0xF0F0F0;
  RECT all = {0, 0, 20, 20};
  c.FillRect(all);
  c.penColor = 0x404040;
  for (int d = 0; d < 2; ++d) {
    c.MoveTo(5 + d, 5);
    c.LineTo(15 + d, 15);
    c.MoveTo(14 + d, 5);
    c.LineTo(4 + d, 15);
  }
}

}  // namespace

TAboutForm::TAboutForm(TForm* owner) : TForm("TAboutForm", owner, FormBorder::None) {
  SetCaption("About Kelvane");
  Font().SetName("MS Sans Serif");
  SetClientSize(591, 449);
  SetCentered(true);

  Panel1 = new TPanel(this);
  Panel1->SetBounds(0, 0, 591, 449);
  Panel1->SetSingleBorder(true);
  Panel1->SetColor(0);
  const int w = Panel1->ClientWidth(), h = Panel1->ClientHeight();

  Panel2 = new TPanel(Panel1);
  Panel2->SetBounds(0, 0, 57, h);
  Image2 = new TImage(Panel2);
  Image2->SetBounds(0, 0, 57, h);

  Panel4 = new TPanel(Panel1);
  Panel4->SetBounds(57, 0, w - 57, h);
  Panel4->SetColor(0xFFFFFF);
  Panel3 = new TPanel(Panel4);
  Panel3->SetBounds(0, 0, w - 57, 25);
  Image1 = new TImage(Panel3);
  Image1->SetBounds(w - 57 - 23, 2, 20, 20);
  Image1->SetCursor(IDC_HAND);
  DrawClosePicture(Image1);

  RichEdit1 = new TRichEdit(Panel4);
  RichEdit1->SetBounds(16, 25 + 12, w - 57 - 32, h - 25 - 24);
  RichEdit1->SetBorder(false);
  RichEdit1->SetReadOnly(true);

  // The window is dragged by any part that is not the body or the close picture.
  for (TControl* c : {static_cast<TControl*>(Panel1), static_cast<TControl*>(Panel2),
                      static_cast<TControl*>(Panel3), static_cast<TControl*>(Panel4),
                      static_cast<TControl*>(Image2)})
    c->SetHitTestTransparent(true);

  Image1->OnClick = [this](TControl*) { Image1Click(); };
  RichEdit1->OnMouseMove = [this](TControl*, int x, int y) { RichEdit1MouseMove(x, y); };
  RichEdit1->OnMouseUp = [this](TControl*, int button, int, int) {
    if (button == 0) RichEdit1MouseUp();
  };
  RichEdit1->OnMouseDown = [this](TControl*, int button, int, int) {
    if (button == 0 && (GetVersion() & 0x80000000u)) RichEdit1MouseUp();  // Windows 9x
  };
  openLink = [](const std::string& address) { ShellExecuteFile(address, std::string(), SW_SHOW); };
  OnCreate = [this](TForm*) { FormCreate(); };
}

void TAboutForm::FormCreate() {
  programName.clear();
  Panel2->SetCaption(std::string());
  Panel1->SetColor(0x996633);
  Panel2->SetColor(0x996633);
  Panel3->SetColor(0xF0F0F0);
  RichEdit1->SetColor(0xF0F0F0);
}

void TAboutForm::DoShow() {
  FormShow();
  TForm::DoShow();
}

void TAboutForm::FormShow() {
  // The band always has the house colours.
  const int w = Panel2->Width(), h = Panel2->Height();
  Image2->SetBounds(0, 0, w, h);
  Image2->SetPictureSize(w, h);
  FillVerticalGradient(Image2->Canvas(), kBandTop, kBandBottom, w, h);
  RichEdit1->LoadRtf(AboutText(programName));
  Panel2->SetFocus();
}

void TAboutForm::Image1Click() { Close(); }

void TAboutForm::RichEdit1MouseMove(int x, int y) {
  HDC dc = GetDC(RichEdit1->Handle());
  overLink_ = IsLinkAt(dc, x, y);
  ReleaseDC(RichEdit1->Handle(), dc);
  RichEdit1->SetCursor(overLink_ ? IDC_HAND : IDC_ARROW);
  ::SetCursor(LoadCursor(nullptr, overLink_ ? IDC_HAND : IDC_ARROW));
}

void TAboutForm::RichEdit1MouseUp() {
  if (!overLink_) return;
  TRichEdit::CharAttributes a = RichEdit1->SelAttributes();
  if (a.color != kLinkBlue || !a.underline) return;
  int caret = RichEdit1->SelStart();
  int from = caret > 30 ? caret - 30 : 0;
  std::string address = FindMakerAddress(RichEdit1->TextRange(from, 60));
  if (!address.empty() && openLink) openLink(address);
}

bool TAboutForm::Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  if (msg == WM_NCHITTEST) {
    result = HTCAPTION;
    return true;
  }
  return TForm::Message(msg, wp, lp, result);
}

void ShowAboutBox(TForm* owner, const std::string& programName, TColor topColor, TColor bottomColor) {
  TAboutForm* box = TForm::Create<TAboutForm>(owner);
  box->programName = programName;
  box->topColor = topColor;
  box->bottomColor = bottomColor;
  box->ShowModal();
  delete box;
}

bool IsLinkAt(HDC dc, int x, int y) {
  bool blue = false;
  for (int row = y - 1; row <= y + 10 && !blue; ++row) blue = GetPixel(dc, x, row) == kLinkBlue;
  if (!blue) return false;
  for (int row = y - 1; row <= y + 10; ++row) {
    int run = 0;
    for (int col = x - 29; col <= x + 15; ++col) {
      run = GetPixel(dc, col, row) == kLinkBlue ? run + 1 : 0;
      if (run >= 15) return true;
    }
  }
  return false;
}

std::string FindMakerAddress(const std::string& text) {
  for (const char* form : {kMakerAddressLong, kMakerAddress})
    if (PosNoCase(form, text) > 0) return form;
  return std::string();
}

std::string AboutText(const std::string& programName) {
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC res = FindResourceA(self, "About", "TEXT");
  HGLOBAL data = res ? LoadResource(self, res) : nullptr;
  const char* bytes = data ? static_cast<const char*>(LockResource(data)) : nullptr;
  if (!bytes) return std::string();
  std::string text(bytes, SizeofResource(self, res));
  return ReplaceAll(text, "<PROG_NAME>", RtfEscaped(programName));
}
