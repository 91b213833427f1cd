#include "AboutDlg.h"

#include <gtest/gtest.h>

#include "TestTool.h"
#include "FormsTestUtil.h"

namespace {

struct Seen {
  bool found = false;
  RECT client = {0, 0, 0, 0};
  std::string body;
  bool ownerEnabled = true;
  LRESULT formHit = 0, bandHit = 0, bodyHit = 0;
  LONG_PTR style = 0;
  COLORREF bandTop = 0, bandBottom = 0;
  int bandHeight = 0;
};

Seen seen;
TestForm* owner;

// Looks at the box from inside its modal loop, then closes it with its close picture.
void CALLBACK LookTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND box = tt::WaitForWindow("", "About Kelvane", 5000, GetCurrentProcessId());
    if (!box) return;
    seen.found = true;
    seen.client = tt::ClientRectOf(box);
    seen.body = tt::RichText(box);
    seen.ownerEnabled = IsWindowEnabled(owner->Handle()) != 0;
    seen.style = GetWindowLongPtrA(box, GWL_STYLE);
    auto* about = dynamic_cast<TAboutForm*>(TControl::FromHandle(box));
    if (!about) return;
    RECT wr;
    GetWindowRect(box, &wr);
    LPARAM inside = MAKELPARAM(wr.left + 20, wr.top + 200);
    seen.formHit = SendMessageA(box, WM_NCHITTEST, 0, inside);
    seen.bandHit = SendMessageA(about->Panel2->Handle(), WM_NCHITTEST, 0, inside);
    RECT br;
    GetWindowRect(about->RichEdit1->Handle(), &br);
    seen.bodyHit = SendMessageA(about->RichEdit1->Handle(), WM_NCHITTEST, 0, MAKELPARAM(br.left + 30, br.top + 30));
    // The band as painted on the screen.
    HDC dc = GetDC(about->Image2->Handle());
    seen.bandHeight = about->Image2->Height();
    seen.bandTop = GetPixel(dc, 10, 0);
    seen.bandBottom = GetPixel(dc, 10, seen.bandHeight - 1);
    ReleaseDC(about->Image2->Handle(), dc);
    // The close picture ends the box.
    HWND close = about->Image1->Handle();
    PostMessageA(close, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageA(close, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
}

Seen LookAtAboutBox(const std::string& name, TColor top, TColor bottom) {
  seen = Seen();
  TestForm form;
  owner = &form;
  form.Show();
  UINT_PTR id = SetTimer(nullptr, 0, 50, LookTimer);
  ShowAboutBox(&form, name, top, bottom);
  KillTimer(nullptr, id);
  EXPECT_TRUE(IsWindowEnabled(form.Handle()));
  EXPECT_TRUE(tt::FindWindows("", GetCurrentProcessId()).size() >= 1);
  EXPECT_EQ(nullptr, tt::WaitForWindow("", "About Kelvane", 10, GetCurrentProcessId()));
  return seen;
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find_first_of("\r\n")); }

}  // namespace

TEST(AboutBox, ShownModallyWithTheProgramNameAndHouseColours) {
  // Whatever colours the caller passes, the band keeps its own.
  const struct {
    TColor top, bottom;
  } colours[] = {{0xFF0000, 0x800000}, {0x000000, 0xFFFFFF}};
  for (const auto& c : colours) {
    Seen s = LookAtAboutBox("Example Writer 2.0", c.top, c.bottom);
    ASSERT_TRUE(s.found);
    EXPECT_EQ(591, s.client.right);
    EXPECT_EQ(449, s.client.bottom);
    EXPECT_EQ("Example Writer 2.0", FirstLine(s.body));
    EXPECT_EQ(std::string::npos, s.body.find("<PROG_NAME>"));
    EXPECT_NE(std::string::npos, s.body.find(kMakerAddress));
    EXPECT_FALSE(s.ownerEnabled);
    EXPECT_FALSE(s.style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME));
    EXPECT_EQ(HTCAPTION, s.formHit);
    EXPECT_EQ(HTTRANSPARENT, s.bandHit);  // the band drags the window too
    EXPECT_EQ(HTCLIENT, s.bodyHit);
    EXPECT_GT(s.bandHeight, 400);
    EXPECT_EQ(RGB(0x44, 0x77, 0xAA), s.bandTop);
    EXPECT_EQ(RGB(0x22, 0x55, 0x88), s.bandBottom);
  }
}

TEST(AboutBox, ProgramNamesGoInOnceAndSafely) {
  const std::string names[] = {"Tool <PROG_NAME> 1", "Brace {x} and back\\slash", ""};
  for (const std::string& name : names) {
    Seen s = LookAtAboutBox(name, 0, 0);
    ASSERT_TRUE(s.found);
    EXPECT_EQ(name, FirstLine(s.body));
  }
}

TEST(AboutBox, OnlyTheMakersBlueUnderlinedLinkOpens) {
  const struct {
    const char* rtf;  // empty: the program's own body
    const char* link;
    const char* opened;
  } cases[] = {
      {"", "www.example.com", "www.example.com"},
      {"{\\rtf1\\ansi{\\colortbl ;\\red0\\green0\\blue255;}Visit {\\cf1\\ul http://www.example.com/page}\\par}",
       "http://www.example.com/page", "http://www.example.com"},
      {"{\\rtf1\\ansi{\\colortbl ;\\red0\\green0\\blue255;}Visit {\\cf1\\ul www.elsewhere.test.org}\\par}",
       "www.elsewhere.test.org", ""},
      {"{\\rtf1\\ansi{\\colortbl ;\\red0\\green0\\blue255;}Visit {\\cf1 www.example.com plain blue}\\par}",
       "www.example.com", ""},
  };
  for (const auto& c : cases) {
    TAboutForm* box = TForm::Create<TAboutForm>(nullptr);
    std::vector<std::string> opened;
    box->openLink = [&](const std::string& a) { opened.push_back(a); };
    box->programName = "Linked";
    box->Show();
    box->SetStayOnTop(true);
    if (*c.rtf) box->RichEdit1->LoadRtf(c.rtf);
    PumpFor(100);
    TRichEdit* body = box->RichEdit1;
    std::string text;
    for (int i = 0; i < body->TextLength(); ++i) text += body->TextRange(i, 1);
    size_t at = text.find(c.link);
    ASSERT_NE(std::string::npos, at) << c.link;
    POINT p = body->PosFromChar(int(at) + 7);
    int x = p.x + 2, y = -1;
    HDC dc = GetDC(body->Handle());
    for (int row = p.y - 12; row < p.y + 24 && y < 0; ++row)
      if (IsLinkAt(dc, x, row)) y = row;
    ReleaseDC(body->Handle(), dc);
    bool underlined = std::string(c.rtf).find("\\ul") != std::string::npos || !*c.rtf;
    EXPECT_EQ(underlined, y >= 0) << c.link;
    if (y < 0) y = p.y + 4;
    SendMessageA(body->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    EXPECT_EQ(underlined, box->OverLink());
    SendMessageA(body->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(body->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    if (*c.opened) {
      EXPECT_EQ(std::vector<std::string>{c.opened}, opened) << c.link;
    } else {
      EXPECT_TRUE(opened.empty()) << c.link;
    }
    // Plain text is no link.
    size_t plain = text.find("Visit");
    if (plain == std::string::npos) plain = text.find("installed");
    POINT q = body->PosFromChar(int(plain) + 2);
    SendMessageA(body->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(q.x + 2, q.y + 4));
    EXPECT_FALSE(box->OverLink());
    delete box;
  }
}

TEST(AboutBox, MakerAddressInEitherForm) {
  const struct {
    const char* text;
    const char* found;
  } cases[] = {{"see WWW.Example.COM today", "www.example.com"},
               {"at http://www.example.com/about", "http://www.example.com"},
               {"www.example.org", ""},
               {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(c.found, FindMakerAddress(c.text)) << c.text;
}

TEST(AboutBox, BodyResourceHoldsThePlaceholderAndTheLink) {
  std::string raw = AboutText("<PROG_NAME>");
  ASSERT_EQ(0u, raw.find("{\\rtf1"));
  EXPECT_NE(std::string::npos, raw.find("<PROG_NAME>"));
  EXPECT_NE(std::string::npos, raw.find("\\ul www.example.com"));
}
