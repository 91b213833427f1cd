// The form layer on real windows: modal loops, deferred closing, timers, the check list,
// pages and the controls' states.
#include <gtest/gtest.h>

#include <memory>

#include "Forms.h"

#include <commctrl.h>
#include "FormsTestUtil.h"
#include "TestTool.h"

namespace {

// A 24-bit BMP file of w x h pixels; pixel(x, y) gives each colour (y from the top).
std::string BmpBytes(int w, int h, COLORREF (*pixel)(int, int)) {
  int stride = (w * 3 + 3) & ~3;
  std::string data(size_t(stride) * size_t(h), '\0');
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      COLORREF c = pixel(x, y);
      size_t at = size_t(h - 1 - y) * size_t(stride) + size_t(x) * 3;
      data[at] = char(GetBValue(c));
      data[at + 1] = char(GetGValue(c));
      data[at + 2] = char(GetRValue(c));
    }
  BITMAPFILEHEADER fh = {};
  BITMAPINFOHEADER ih = {};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(fh) + sizeof(ih);
  fh.bfSize = DWORD(fh.bfOffBits + data.size());
  ih.biSize = sizeof(ih);
  ih.biWidth = w;
  ih.biHeight = h;
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  return std::string(reinterpret_cast<char*>(&fh), sizeof(fh)) + std::string(reinterpret_cast<char*>(&ih), sizeof(ih)) +
         data;
}

LOGFONTA FontOf(HWND wnd) {
  LOGFONTA lf = {};
  HFONT f = reinterpret_cast<HFONT>(SendMessageA(wnd, WM_GETFONT, 0, 0));
  if (f) GetObjectA(f, sizeof(lf), &lf);
  return lf;
}

}  // namespace

// ---- modal showing

TEST(ModalLoop, ButtonEndsTheLoopWhileTheOwnerIsDisabled) {
  TestForm owner;
  owner.Show();
  TestForm dialog(&owner);
  auto* ok = new TButton(&dialog, "OK");
  ok->SetBounds(10, 10, 80, 24);
  ok->modalResult = IDOK;
  int queries = 0;
  dialog.OnCloseQuery = [&](TForm*, bool& can) { can = ++queries > 1; };  // the first press is refused
  bool ownerEnabledInside = true;
  int presses = 0;
  TTimer timer(&dialog, 30);
  timer.OnTimer = [&](TTimer*) {
    ownerEnabledInside = IsWindowEnabled(owner.Handle()) != 0;
    if (++presses <= 2) tt::ClickButton(dialog.Handle(), "OK");
  };
  timer.SetEnabled(true);
  int result = dialog.ShowModal();
  timer.SetEnabled(false);
  EXPECT_EQ(IDOK, result);
  EXPECT_EQ(2, queries);
  EXPECT_FALSE(ownerEnabledInside);
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
  EXPECT_FALSE(dialog.Visible());
  EXPECT_FALSE(dialog.Modal());
}

TEST(ModalLoop, QuitMessageEndsTheLoopAndIsPostedAgain) {
  TestForm dialog;
  TTimer timer(&dialog, 20);
  timer.OnTimer = [](TTimer* t) {
    t->SetEnabled(false);
    PostQuitMessage(7);
  };
  timer.SetEnabled(true);
  EXPECT_EQ(IDCANCEL, dialog.ShowModal());
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(7u, msg.wParam);
}

TEST(ModalLoop, TitleBarCloseGivesCancel) {
  TestForm dialog;
  TTimer timer(&dialog, 20);
  timer.OnTimer = [&](TTimer* t) {
    t->SetEnabled(false);
    tt::CloseWindowNow(dialog.Handle());
  };
  timer.SetEnabled(true);
  EXPECT_EQ(IDCANCEL, dialog.ShowModal());
}

// ---- closing never frees a form under its own handler

namespace {
bool destroyed;
// A form that frees itself when closed, and tells when it is gone.
struct Doomed : TestForm {
  Doomed() {
    destroyed = false;
    OnClose = [](TForm*, CloseAction& a) { a = CloseAction::Free; };
  }
  ~Doomed() override { destroyed = true; }
};
}  // namespace

TEST(CloseDeferral, FreedOnlyAfterTheHandlerReturns) {
  auto* form = TForm::Create<Doomed>();
  auto* button = new TButton(form, "Go");
  button->SetBounds(10, 10, 80, 24);
  bool aliveAfterClose = false, aliveAfterNestedLoop = false;
  std::string captionInside;
  button->OnClick = [&](TControl*) {
    form->Close();
    aliveAfterClose = !destroyed;
    // A nested loop (as a message box runs) must not free the form either.
    PumpFor(100);
    aliveAfterNestedLoop = !destroyed;
    captionInside = form->Caption();
  };
  form->Show();
  HWND wnd = form->Handle();
  ASSERT_TRUE(tt::ClickButton(wnd, "Go"));
  PumpFor(300);
  EXPECT_TRUE(aliveAfterClose);
  EXPECT_TRUE(aliveAfterNestedLoop);
  EXPECT_EQ("Forms test", captionInside);
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(IsWindow(wnd));
}

TEST(CloseDeferral, ReleaseDuringModalWaitsForTheLoopToEnd) {
  auto* form = TForm::Create<Doomed>();
  auto* timer = new TTimer(form, 20);
  bool aliveInside = false;
  timer->OnTimer = [&](TTimer* t) {
    t->SetEnabled(false);
    form->Close();
    PumpFor(50);
    aliveInside = !destroyed;
  };
  timer->SetEnabled(true);
  HWND wnd = form->Handle();
  EXPECT_EQ(IDCANCEL, form->ShowModal());
  EXPECT_TRUE(aliveInside);
  EXPECT_FALSE(destroyed);  // the loop's caller still holds the form
  PumpFor(200);
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(IsWindow(wnd));
}

TEST(CloseDeferral, CloseQueryAndNoneKeepTheFormOpen) {
  TestForm form;
  form.Show();
  bool allow = false;
  CloseAction action = CloseAction::None;
  form.OnCloseQuery = [&](TForm*, bool& can) { can = allow; };
  form.OnClose = [&](TForm*, CloseAction& a) { a = action; };
  form.Close();
  EXPECT_TRUE(form.Visible());  // refused by the query
  allow = true;
  form.Close();
  EXPECT_TRUE(form.Visible());  // the close event said none
  action = CloseAction::Hide;
  form.Close();
  EXPECT_FALSE(form.Visible());
}

TEST(ApplicationLoop, ClosingTheMainFormEndsRun) {
  TestForm form;
  int shows = 0;
  form.OnShow = [&](TForm*) { ++shows; };
  Application().SetMainForm(&form);
  TTimer timer(&form, 20);
  timer.OnTimer = [&](TTimer* t) {
    t->SetEnabled(false);
    form.Close();
  };
  timer.SetEnabled(true);
  EXPECT_EQ(0, Application().Run());
  Application().SetMainForm(nullptr);
  EXPECT_EQ(1, shows);
  EXPECT_FALSE(form.Visible());
}

TEST(Timers, TickUntilDisabled) {
  TestForm form;
  TTimer timer(&form, 15);
  int ticks = 0;
  timer.OnTimer = [&](TTimer* t) {
    if (++ticks == 3) t->SetEnabled(false);
  };
  timer.SetEnabled(true);
  DWORD start = GetTickCount();
  while (ticks < 3 && GetTickCount() - start < 5000) PumpFor(10);
  PumpFor(100);
  EXPECT_EQ(3, ticks);
  EXPECT_FALSE(timer.Enabled());
}

// ---- check list

TEST(CheckList, ClicksAndSpaceToggleOnlyEnabledLines) {
  TestForm form;
  auto* list = new TCheckListBox(&form);
  list->SetBounds(10, 10, 280, 150);
  struct Line {
    const char* text;
    bool checked, enabled;
    bool checkedAfterClick;
  };
  const Line lines[] = {
      {"Program files\t1200 KB", false, true, true},
      {"Help\t80 KB", true, true, false},
      {"Locked\t5 KB", true, false, true},
      {"Greyed off\t1 KB", false, false, false},
  };
  for (const Line& l : lines) list->AddItem(l.text, l.checked, l.enabled);
  form.Show();
  std::vector<int> reported;
  list->OnClickCheck = [&](TCheckListBox*, int i) { reported.push_back(i); };
  for (int i = 0; i < 4; ++i) {
    RECT box = list->CheckRect(i);
    SendMessageA(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(box.left + 5, box.top + 5));
    SendMessageA(list->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(box.left + 5, box.top + 5));
    EXPECT_EQ(lines[i].checkedAfterClick, list->Checked(i)) << lines[i].text;
    EXPECT_EQ(lines[i].enabled, list->ItemEnabled(i));
  }
  EXPECT_EQ((std::vector<int>{0, 1}), reported);

  // A click on the text selects the line without toggling it.
  RECT item = list->ItemRect(0);
  SendMessageA(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, item.top + 3));
  SendMessageA(list->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(150, item.top + 3));
  EXPECT_EQ(0, list->ItemIndex());
  EXPECT_TRUE(list->Checked(0));
  SendMessageA(list->Handle(), WM_CHAR, ' ', 0);
  EXPECT_FALSE(list->Checked(0));
  list->SetItemIndex(2);
  SendMessageA(list->Handle(), WM_CHAR, ' ', 0);
  EXPECT_TRUE(list->Checked(2));  // locked

  // Lines out of range answer false and change nothing.
  list->SetChecked(9, true);
  list->SetItemEnabled(-1, true);
  EXPECT_FALSE(list->Checked(9));
  EXPECT_FALSE(list->ItemEnabled(-1));
  EXPECT_EQ("Help\t80 KB", list->ItemText(1));
  list->Clear();
  EXPECT_EQ(0, list->Count());
}

TEST(CheckList, SizeColumnIsRightAligned) {
  TestForm form;
  auto* list = new TCheckListBox(&form);
  list->SetBounds(10, 10, 280, 150);
  list->AddItem("Name\t1234 KB");
  form.Show();
  const int margins[] = {2, 26, 60};
  for (int margin : margins) {
    list->SetColumns({2, -margin});
    RECT rc = list->ItemRect(0);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    MemoryCanvas mem(w, h);
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_LISTBOX;
    dis.itemID = 0;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.hwndItem = list->Handle();
    dis.hDC = mem.dc;
    dis.rcItem = RECT{0, 0, w, h};
    SendMessageA(form.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    int rightmost = -1;
    for (int x = 0; x < w; ++x)
      for (int y = 0; y < h; ++y)
        if (GetPixel(mem.dc, x, y) == RGB(0, 0, 0)) rightmost = x;
    EXPECT_LE(rightmost, w - margin) << margin;
    EXPECT_GE(rightmost, w - margin - 4) << margin;
  }
}

// ---- pages

TEST(Pages, OnlyTheActivePageShows) {
  TestForm form;
  auto* pages = new TPageControl(&form);
  pages->SetBounds(0, 0, 300, 200);
  std::vector<TButton*> buttons;
  for (int i = 0; i < 3; ++i) {
    auto* sheet = new TTabSheet(pages, "Page " + std::to_string(i));
    auto* b = new TButton(sheet, "Button " + std::to_string(i));
    b->SetBounds(10, 10, 80, 24);
    buttons.push_back(b);
  }
  form.Show();
  EXPECT_EQ(3, pages->PageCount());
  EXPECT_EQ(0, pages->ActivePageIndex());  // the first page starts active
  const int order[] = {2, 1, 1, 0, 7, -1};
  int expected = 0;
  for (int want : order) {
    pages->SetActivePageIndex(want);
    if (want >= 0 && want < 3) expected = want;  // bad indexes change nothing
    EXPECT_EQ(expected, pages->ActivePageIndex());
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(i == expected, IsWindowVisible(buttons[size_t(i)]->Handle()) != 0) << want << " " << i;
      RECT r = tt::ChildRect(pages->Handle(), pages->Page(i)->Handle());
      EXPECT_EQ(300, r.right - r.left);
    }
  }
  EXPECT_EQ(nullptr, tt::FindChild(form.Handle(), "SysTabControl32"));
  EXPECT_EQ(1, pages->Page(1)->PageIndex());
}

// ---- controls

TEST(Controls, FontsFollowTheParentUntilSetThemselves) {
  TestForm form;
  auto* panel = new TPanel(&form);
  auto* follower = new TLabel(panel, "follows");
  auto* own = new TLabel(panel, "own");
  own->Font().SetStyle(kBold | kUnderline);
  form.Font().SetCharset(177);
  form.Font().SetSize(12);
  LOGFONTA f = FontOf(follower->Handle()), o = FontOf(own->Handle());
  EXPECT_EQ(177, f.lfCharSet);
  EXPECT_EQ(12, follower->Font().Size());
  EXPECT_EQ(FW_NORMAL, f.lfWeight);
  EXPECT_NE(177, o.lfCharSet);
  EXPECT_EQ(FW_BOLD, o.lfWeight);
  EXPECT_TRUE(o.lfUnderline);
}

TEST(Controls, EditReportsChanges) {
  TestForm form;
  auto* edit = new TEdit(&form);
  edit->SetBounds(10, 10, 200, 22);
  std::vector<std::string> seen;
  edit->OnChange = [&](TEdit* e) { seen.push_back(e->Text()); };
  edit->SetText("C:\\Program Files");
  SendMessageA(edit->Handle(), WM_CHAR, 'X', 0);
  ASSERT_EQ(2u, seen.size());
  EXPECT_EQ("C:\\Program Files", seen[0]);
  EXPECT_EQ("XC:\\Program Files", seen[1]);
}

TEST(Controls, MouseEnterAndLeaveOnCheckBoxesAndRadios) {
  TestForm form;
  auto* box = new TCheckBox(&form, "Desktop");
  auto* radio = new TRadioButton(&form, "Typical");
  for (TControl* c : {static_cast<TControl*>(box), static_cast<TControl*>(radio)}) {
    int enters = 0, leaves = 0;
    c->OnMouseEnter = [&](TControl*) { ++enters; };
    c->OnMouseLeave = [&](TControl*) { ++leaves; };
    SendMessageA(c->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    SendMessageA(c->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 2));
    EXPECT_EQ(1, enters);
    SendMessageA(c->Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(1, leaves);
    SendMessageA(c->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(2, enters);
  }
}

TEST(Controls, RadioButtonsGroupByParent) {
  TestForm form;
  auto* group = new TGroupBox(&form, "Restart");
  auto* now = new TRadioButton(group, "Now");
  auto* later = new TRadioButton(group, "Later");
  auto* other = new TRadioButton(&form, "Elsewhere");
  now->SetBounds(10, 20, 100, 20);
  later->SetBounds(10, 45, 100, 20);
  other->SetChecked(true);
  now->SetChecked(true);
  int clicks = 0;
  later->OnClick = [&](TControl*) { ++clicks; };
  form.Show();
  ASSERT_TRUE(tt::ClickButton(group->Handle(), "Later"));
  PumpFor(50);
  EXPECT_EQ(1, clicks);
  EXPECT_TRUE(later->Checked());
  EXPECT_FALSE(now->Checked());
  EXPECT_TRUE(other->Checked());
  TCheckBox* asBox = now;
  asBox->SetChecked(true);
  EXPECT_FALSE(later->Checked());
}

TEST(Controls, RightToLeftReachesChildren) {
  TestForm form;
  auto* panel = new TPanel(&form);
  auto* label = new TLabel(panel, "Label");
  auto* box = new TCheckBox(panel, "Box");
  panel->SetRightToLeft(true);
  for (TControl* c : {static_cast<TControl*>(panel), static_cast<TControl*>(label), static_cast<TControl*>(box)})
    EXPECT_TRUE(GetWindowLongPtrA(c->Handle(), GWL_EXSTYLE) & WS_EX_RTLREADING);
  EXPECT_EQ(SS_RIGHT, GetWindowLongPtrA(label->Handle(), GWL_STYLE) & SS_TYPEMASK);
  EXPECT_TRUE(GetWindowLongPtrA(box->Handle(), GWL_STYLE) & BS_RIGHTBUTTON);
  panel->SetRightToLeft(false);
  EXPECT_FALSE(GetWindowLongPtrA(label->Handle(), GWL_EXSTYLE) & WS_EX_RTLREADING);
  EXPECT_EQ(SS_LEFTNOWORDWRAP, GetWindowLongPtrA(label->Handle(), GWL_STYLE) & SS_TYPEMASK);
}

TEST(Controls, ZOrderAndTabOrder) {
  TestForm form;
  auto* a = new TButton(&form, "A");
  auto* b = new TButton(&form, "B");
  auto* c = new TButton(&form, "C");
  EXPECT_EQ(0, a->TabOrder());
  EXPECT_EQ(2, c->TabOrder());
  c->BringToFront();
  EXPECT_EQ(c->Handle(), GetWindow(form.Handle(), GW_CHILD));
  c->SendToBack();
  EXPECT_EQ(2, c->TabOrder());
  c->SetTabOrder(1);
  EXPECT_EQ(1, c->TabOrder());
  EXPECT_EQ(2, b->TabOrder());
  a->SetTabOrder(9);
  EXPECT_EQ(2, a->TabOrder());
}

TEST(Controls, ProgressAndStatusLine) {
  TestForm form;
  auto* bar = new TProgressBar(&form);
  bar->SetRange(0, 500);
  bar->SetPosition(125);
  EXPECT_EQ(125, bar->Position());
  auto* status = new TStatusBar(&form);
  status->SetText("Ready to install");
  EXPECT_EQ("Ready to install", status->Text());
  form.Show();
  RECT r = tt::ChildRect(form.Handle(), status->Handle());
  EXPECT_EQ(form.ClientHeight(), r.bottom);
  EXPECT_EQ(form.ClientWidth(), r.right - r.left);
}

// ---- images

namespace {
COLORREF Quadrants(int x, int y) {
  if (y == 0) return x == 0 ? RGB(255, 0, 0) : RGB(0, 255, 0);
  return x == 0 ? RGB(0, 0, 255) : RGB(255, 255, 0);
}
COLORREF Keyed(int x, int y) { return (x == 1 && y == 1) ? RGB(200, 0, 0) : RGB(0, 255, 255); }
}  // namespace

TEST(Images, LoadStretchCentreAndTransparency) {
  std::string dir = tt::ScratchDir("forms_images");
  ASSERT_TRUE(tt::WriteFile(dir + "\\quad.bmp", BmpBytes(2, 2, Quadrants)));
  ASSERT_TRUE(tt::WriteFile(dir + "\\keyed.bmp", BmpBytes(3, 3, Keyed)));
  ASSERT_TRUE(tt::WriteFile(dir + "\\broken.bmp", "BM not really a bitmap"));
  TestForm form;
  form.SetColor(RGB(10, 20, 30));
  auto* image = new TImage(&form);
  image->SetBounds(0, 0, 20, 20);

  EXPECT_FALSE(image->LoadFromFile(dir + "\\missing.bmp"));
  EXPECT_TRUE(image->Empty());
  ASSERT_TRUE(image->LoadFromFile(dir + "\\quad.bmp"));
  EXPECT_EQ(2, image->PictureWidth());
  EXPECT_FALSE(image->LoadFromFile(dir + "\\broken.bmp"));
  EXPECT_EQ(2, image->PictureHeight());  // the old picture stays

  struct Case {
    bool stretch, center;
    POINT at;
    COLORREF want;
  };
  const Case cases[] = {
      {true, false, {2, 2}, RGB(255, 0, 0)},      {true, false, {17, 17}, RGB(255, 255, 0)},
      {true, false, {17, 2}, RGB(0, 255, 0)},     {false, true, {9, 9}, RGB(255, 0, 0)},
      {false, true, {10, 10}, RGB(255, 255, 0)},  {false, true, {2, 2}, RGB(10, 20, 30)},
      {false, false, {0, 1}, RGB(0, 0, 255)},     {false, false, {5, 5}, RGB(10, 20, 30)},
  };
  for (const Case& c : cases) {
    image->SetStretch(c.stretch);
    image->SetCenter(c.center);
    MemoryCanvas mem(20, 20);
    image->PaintTo(mem.dc);
    EXPECT_EQ(c.want, GetPixel(mem.dc, c.at.x, c.at.y)) << c.stretch << c.center << " " << c.at.x << "," << c.at.y;
  }

  ASSERT_TRUE(image->LoadFromFile(dir + "\\keyed.bmp"));
  image->SetStretch(false);
  image->SetCenter(false);
  image->SetTransparent(true);
  MemoryCanvas mem(20, 20);
  image->PaintTo(mem.dc);
  EXPECT_EQ(RGB(10, 20, 30), GetPixel(mem.dc, 0, 0));
  EXPECT_EQ(RGB(200, 0, 0), GetPixel(mem.dc, 1, 1));
}

TEST(Images, ClickReportsAndCanvasDraws) {
  TestForm form;
  auto* image = new TImage(&form);
  image->SetBounds(5, 5, 30, 30);
  int clicks = 0;
  image->OnClick = [&](TControl*) { ++clicks; };
  image->SetPictureSize(30, 30);
  TCanvas& c = image->Canvas();
  c.brushColor = RGB(1, 2, 3);
  RECT rc = {0, 0, 30, 30};
  c.FillRect(rc);
  MemoryCanvas mem(30, 30);
  image->PaintTo(mem.dc);
  EXPECT_EQ(RGB(1, 2, 3), GetPixel(mem.dc, 15, 15));
  form.Show();
  SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(0, STN_CLICKED), reinterpret_cast<LPARAM>(image->Handle()));
  EXPECT_EQ(1, clicks);
}

// ---- rich edit documents

namespace {
// CR LF line ends as RTF paragraph marks.
std::string ReplaceLineEnds(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, "\r\n") == 0) {
      out += "\\par\r\n";
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}
}  // namespace

TEST(RichEdits, PlainAndRtfDocuments) {
  std::string dir = tt::ScratchDir("forms_rich");
  ASSERT_TRUE(tt::WriteFile(dir + "\\plain.txt", "{\\rtf1 not parsed}"));
  ASSERT_TRUE(tt::WriteFile(dir + "\\doc.rtf", "{\\rtf1\\ansi {\\b Bold} plain}"));
  TestForm form;
  auto* edit = new TRichEdit(&form);
  edit->SetBounds(0, 0, 300, 100);
  ASSERT_TRUE(edit->LoadFromFile(dir + "\\plain.txt", true));
  EXPECT_EQ("{\\rtf1 not parsed}", edit->Text());
  ASSERT_TRUE(edit->LoadFromFile(dir + "\\doc.rtf", false));
  EXPECT_EQ("Bold plain", edit->Text().substr(0, 10));
  edit->SetSelection(1, 1);
  EXPECT_TRUE(edit->SelAttributes().bold);
  edit->SetSelection(6, 1);
  EXPECT_FALSE(edit->SelAttributes().bold);
  EXPECT_EQ("plain", edit->TextRange(5, 5));
  EXPECT_EQ("Bold", edit->TextRange(-3, 7));
  // A long licence comes in whole, as plain text and as RTF.
  std::string longText;
  for (int i = 0; i < 2500; ++i) longText += "Clause " + std::to_string(i) + " of a long licence text.\r\n";
  ASSERT_TRUE(tt::WriteFile(dir + "\\long.txt", longText));
  ASSERT_TRUE(tt::WriteFile(dir + "\\long.rtf", "{\\rtf1\\ansi " + ReplaceLineEnds(longText) + "}"));
  for (bool plain : {true, false}) {
    ASSERT_TRUE(edit->LoadFromFile(dir + (plain ? "\\long.txt" : "\\long.rtf"), plain));
    EXPECT_GT(edit->TextLength(), 80000) << plain;
    EXPECT_NE(std::string::npos, edit->TextRange(edit->TextLength() - 60, 60).find("Clause 2499 ")) << plain;
  }
  EXPECT_FALSE(edit->LoadFromFile(dir + "\\missing.rtf", false));
  EXPECT_EQ("", edit->Text());

  edit->SetReadOnly(true);
  EXPECT_TRUE(edit->ReadOnly());
  edit->SetBorder(false);
  EXPECT_FALSE(edit->Border());
  TRichEdit rtl(&form, true);
  EXPECT_TRUE(GetWindowLongPtrA(rtl.Handle(), GWL_EXSTYLE) & WS_EX_RTLREADING);
  EXPECT_STRCASEEQ("RICHEDIT", tt::ClassOf(rtl.Handle()).c_str());
}

// ---- painting and labels

TEST(Painting, PaintEventDrawsOnTheFormsCanvas) {
  TestForm form;
  form.SetColor(RGB(0, 128, 0));
  int paints = 0;
  form.OnPaint = [&](TForm*, TCanvas& c) {
    ++paints;
    c.brushColor = RGB(200, 10, 10);
    RECT rc = {0, 0, 40, 40};
    c.FillRect(rc);
  };
  form.Show();
  RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  EXPECT_GE(paints, 1);
  HDC dc = GetDC(form.Handle());
  EXPECT_EQ(RGB(200, 10, 10), GetPixel(dc, 20, 20));
  EXPECT_EQ(RGB(0, 128, 0), GetPixel(dc, 100, 100));
  ReleaseDC(form.Handle(), dc);
}

TEST(Labels, ClickHandCursorAndTransparency) {
  TestForm form;
  auto* panel = new TPanel(&form);
  panel->SetColor(RGB(1, 2, 3));
  auto* link = new TLabel(panel, "www.example.com");
  link->SetBounds(0, 0, 150, 16);
  link->Font().SetColor(RGB(0, 0, 255));
  link->SetCursor(IDC_HAND);
  int clicks = 0;
  link->OnClick = [&](TControl*) { ++clicks; };
  SendMessageA(panel->Handle(), WM_COMMAND, MAKEWPARAM(0, STN_CLICKED), reinterpret_cast<LPARAM>(link->Handle()));
  EXPECT_EQ(1, clicks);
  EXPECT_TRUE(SendMessageA(link->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(link->Handle()),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  EXPECT_EQ(LoadCursor(nullptr, IDC_HAND), GetCursor());

  // The label's colours, as the static control asks its parent for them.
  HDC dc = GetDC(link->Handle());
  link->SetTransparent(true);
  auto brush = reinterpret_cast<HBRUSH>(
      SendMessageA(panel->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link->Handle())));
  EXPECT_EQ(panel->ColorBrush(), brush);
  EXPECT_EQ(RGB(0, 0, 255), GetTextColor(dc));
  EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
  link->SetTransparent(false);
  link->SetColor(RGB(9, 9, 9));
  SendMessageA(panel->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(link->Handle()));
  EXPECT_EQ(RGB(9, 9, 9), GetBkColor(dc));
  ReleaseDC(link->Handle(), dc);
}

// ---- Enter and Escape

namespace {
struct KeyForm : TestForm {
  TEdit* edit;
  TButton *next, *cancel, *other;
  int nexts = 0, cancels = 0, others = 0;
  KeyForm() {
    edit = new TEdit(this);
    edit->SetBounds(10, 10, 200, 22);
    next = new TButton(this, "&Next >");
    next->SetBounds(10, 40, 80, 24);
    next->SetDefault(true);
    cancel = new TButton(this, "&Cancel");
    cancel->SetBounds(100, 40, 80, 24);
    cancel->SetCancel(true);
    other = new TButton(this, "Other");
    other->SetBounds(190, 40, 80, 24);
    next->OnClick = [this](TControl*) { ++nexts; };
    cancel->OnClick = [this](TControl*) { ++cancels; };
    other->OnClick = [this](TControl*) { ++others; };
  }
};
// A key as the keyboard gives it: to the focused control, through the message loop.
void PressKey(HWND focus, WPARAM key) {
  PostMessageA(focus, WM_KEYDOWN, key, 1);
  PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
  PumpFor(60);
}
}  // namespace

TEST(DialogKeys, EnterPressesTheDefaultAndEscapeTheCancelButton) {
  enum Focus { kEdit, kNext, kOther };
  const struct {
    const char* what;
    Focus focus;
    WPARAM key;
    bool nextUsable, cancelFlag;
    int nexts, cancels, others;
  } cases[] = {
      {"enter in the edit", kEdit, VK_RETURN, true, true, 1, 0, 0},
      {"escape in the edit", kEdit, VK_ESCAPE, true, true, 0, 1, 0},
      {"enter on another button", kOther, VK_RETURN, true, true, 0, 0, 1},
      {"enter on the default button", kNext, VK_RETURN, true, true, 1, 0, 0},
      {"default button disabled", kEdit, VK_RETURN, false, true, 0, 0, 0},
      {"no cancel button", kEdit, VK_ESCAPE, true, false, 0, 0, 0},
  };
  for (const auto& c : cases) {
    KeyForm form;
    form.cancel->SetCancel(c.cancelFlag);
    form.Show();
    SetActiveWindow(form.Handle());
    TControl* focus = c.focus == kEdit ? static_cast<TControl*>(form.edit)
                      : c.focus == kNext ? static_cast<TControl*>(form.next)
                                         : static_cast<TControl*>(form.other);
    focus->SetFocus();
    form.next->SetEnabled(c.nextUsable);
    ASSERT_TRUE(focus->Focused()) << c.what;
    PressKey(focus->Handle(), c.key);
    EXPECT_EQ(c.nexts, form.nexts) << c.what;
    EXPECT_EQ(c.cancels, form.cancels) << c.what;
    EXPECT_EQ(c.others, form.others) << c.what;
  }

  // A default button on a hidden page does not take Enter.
  KeyForm form;
  auto* pages = new TPageControl(&form);
  pages->SetBounds(0, 80, 300, 100);
  auto* first = new TTabSheet(pages, "First");
  auto* second = new TTabSheet(pages, "Second");
  auto* finish = new TButton(second, "Finish");
  finish->SetDefault(true);
  int finishes = 0;
  finish->OnClick = [&](TControl*) { ++finishes; };
  form.next->SetDefault(false);
  form.Show();
  SetActiveWindow(form.Handle());
  form.edit->SetFocus();
  PressKey(form.edit->Handle(), VK_RETURN);
  EXPECT_EQ(0, finishes);
  pages->SetActivePage(second);
  form.edit->SetFocus();
  PressKey(form.edit->Handle(), VK_RETURN);
  EXPECT_EQ(1, finishes);
  EXPECT_EQ(0, form.nexts);
  (void)first;
}

TEST(DialogKeys, EnterEndsAModalLoopThroughTheDefaultButton) {
  KeyForm dialog;
  dialog.next->modalResult = IDOK;
  TTimer press(&dialog, 30), rescue(&dialog, 1500);
  press.OnTimer = [&](TTimer* t) {
    t->SetEnabled(false);
    dialog.edit->SetFocus();
    PostMessageA(dialog.edit->Handle(), WM_KEYDOWN, VK_RETURN, 1);
  };
  rescue.OnTimer = [&](TTimer* t) {  // ends the loop when Enter did not
    t->SetEnabled(false);
    dialog.Close();
  };
  press.SetEnabled(true);
  rescue.SetEnabled(true);
  EXPECT_EQ(IDOK, dialog.ShowModal());
  EXPECT_EQ(1, dialog.nexts);
}

// ---- modal loop whose window goes with its owner

namespace {
bool rescued;
// Ends a modal loop that would otherwise wait for ever.
void CALLBACK Rescue(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  rescued = true;
  PostQuitMessage(0);
}
}  // namespace

TEST(ModalLoop, EndsWhenItsWindowIsDestroyedWithTheOwner) {
  TestForm owner;
  owner.Show();
  TestForm dialog(&owner);
  TTimer destroy(&dialog, 30);
  destroy.OnTimer = [&](TTimer* t) {
    t->SetEnabled(false);
    DestroyWindow(owner.Handle());
  };
  destroy.SetEnabled(true);
  rescued = false;
  UINT_PTR id = SetTimer(nullptr, 0, 2000, Rescue);
  EXPECT_EQ(IDCANCEL, dialog.ShowModal());
  KillTimer(nullptr, id);
  EXPECT_FALSE(rescued);
  EXPECT_EQ(nullptr, dialog.Handle());
  EXPECT_FALSE(dialog.Modal());
  MSG msg;
  while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

// ---- memo

TEST(Memo, KeepsLongTracesLineByLine) {
  TestForm form;
  auto* memo = new TMemo(&form);
  memo->SetBounds(10, 10, 289, 173);
  memo->SetReadOnly(true);
  EXPECT_TRUE(memo->ReadOnly());
  LONG_PTR style = GetWindowLongPtrA(memo->Handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_VSCROLL);
  EXPECT_TRUE(style & WS_HSCROLL);
  EXPECT_TRUE(style & ES_MULTILINE);
  form.Show();

  // Far more than the edit control keeps by default (about 32K).
  std::vector<std::string> want;
  for (int i = 0; i < 3000; ++i) {
    want.push_back("Deleting file C:\\Program Files\\Example\\file" + std::to_string(i) + ".dat");
    memo->AddLine(want.back());
  }
  EXPECT_EQ(want, memo->Lines());
  EXPECT_GT(memo->Text().size(), 100000u);
  EXPECT_GT(SendMessageA(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 2900);  // the last line shows

  // Typing changes nothing in a read-only memo; every kind of line end splits lines.
  memo->SetText("one\ntwo\r\nthree\rfour\n");
  SendMessageA(memo->Handle(), WM_CHAR, 'x', 0);
  EXPECT_EQ((std::vector<std::string>{"one", "two", "three", "four", ""}), memo->Lines());
  EXPECT_EQ("one\r\ntwo\r\nthree\r\nfour\r\n", tt::WindowText(memo->Handle()));
  memo->Clear();
  EXPECT_TRUE(memo->Lines().empty());
  memo->AddLine("first");
  EXPECT_EQ("first", memo->Text());

  // Without a horizontal scroll bar a long line wraps but stays one line of the text.
  auto* wrapped = new TMemo(&form, ScrollBars::Vertical);
  wrapped->SetBounds(10, 200, 120, 80);
  EXPECT_FALSE(GetWindowLongPtrA(wrapped->Handle(), GWL_STYLE) & WS_HSCROLL);
  wrapped->SetText("a long line of words that cannot fit into one hundred and twenty pixels");
  EXPECT_GT(SendMessageA(wrapped->Handle(), EM_GETLINECOUNT, 0, 0), 1);
  EXPECT_EQ(1u, wrapped->Lines().size());
}

// ---- hints

namespace {
struct TipSearch {
  HWND owner, found;
};
BOOL CALLBACK FindTip(HWND w, LPARAM lp) {
  auto* f = reinterpret_cast<TipSearch*>(lp);
  if (tt::ClassOf(w) == TOOLTIPS_CLASSA && GetWindow(w, GW_OWNER) == f->owner) {
    f->found = w;
    return FALSE;
  }
  return TRUE;
}
// The tip window of a form, found among the thread's windows.
HWND TipWindowOf(HWND form) {
  TipSearch f = {form, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindTip, reinterpret_cast<LPARAM>(&f));
  return f.found;
}
int ToolCount(HWND tip) { return tip ? int(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0)) : 0; }
std::string ToolText(HWND tip, HWND form, HWND control) {
  char buf[256] = "";
  TOOLINFOA ti = {};
  ti.cbSize = TTTOOLINFOA_V2_SIZE;
  ti.hwnd = form;
  ti.uId = reinterpret_cast<UINT_PTR>(control);
  ti.lpszText = buf;
  SendMessageA(tip, TTM_GETTEXTA, sizeof(buf), reinterpret_cast<LPARAM>(&ti));
  return buf;
}
}  // namespace

TEST(Hints, ControlsRegisterTheirHintsWithTheFormsTipWindow) {
  TestForm form;
  auto* panel = new TPanel(&form);
  panel->SetBounds(0, 0, 300, 100);
  auto* link = new TLabel(panel, "About Kelvane");
  link->SetBounds(10, 10, 150, 16);
  auto* button = new TButton(&form, "Go");
  button->SetBounds(10, 150, 80, 24);
  EXPECT_EQ(nullptr, TipWindowOf(form.Handle()));  // none until a hint is set

  link->SetHint("About Kelvane");
  HWND tip = TipWindowOf(form.Handle());
  ASSERT_NE(nullptr, tip);
  EXPECT_EQ(1, ToolCount(tip));
  EXPECT_EQ("About Kelvane", ToolText(tip, form.Handle(), link->Handle()));
  link->SetHint("http://www.example.com");
  EXPECT_EQ(1, ToolCount(tip));
  EXPECT_EQ("http://www.example.com", ToolText(tip, form.Handle(), link->Handle()));
  EXPECT_EQ("http://www.example.com", link->Hint());
  button->SetHint("Start");
  EXPECT_EQ(2, ToolCount(tip));
  delete link;  // a freed control leaves no tool behind
  EXPECT_EQ(1, ToolCount(tip));
  button->SetHint("");
  EXPECT_EQ(0, ToolCount(tip));

  // Resting the mouse on the control shows the tip.
  button->SetHint("Start the installation");
  form.Show();
  form.SetStayOnTop(true);
  RECT r;
  GetWindowRect(button->Handle(), &r);
  SetCursorPos(r.left + 20, r.top + 10);
  SendMessageA(button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
  bool shown = false;
  DWORD start = GetTickCount();
  while (!shown && GetTickCount() - start < 3000) {
    PumpFor(20);
    shown = IsWindowVisible(tip) != 0;
  }
  EXPECT_TRUE(shown);
}
