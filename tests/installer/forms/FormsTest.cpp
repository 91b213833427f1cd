// The form layer on real windows: modal loops, deferred closing, timers, the check list,
// pages and the controls' states.
#include <gtest/gtest.h>

#include <memory>

#include "Forms.h"
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
