#include "RichEd.h"

#include <gtest/gtest.h>

#include "TestTool.h"
#include "FormsTestUtil.h"

namespace {

// The control's text as it counts characters, with a '*' mark per bold one.
struct Shown {
  std::string text, bold;
};
Shown Read(TRichEdit* edit) {
  Shown s;
  int n = edit->TextLength();
  for (int i = 0; i < n; ++i) {
    std::string ch = edit->TextRange(i, 1);
    if (ch.empty() || ch == "\n") continue;
    if (ch == "\r") {  // a paragraph mark keeps a style of its own: not looked at
      s.text += '|';
      s.bold += '|';
      continue;
    }
    edit->SetSelection(i, 1);
    s.text += ch;
    s.bold += edit->SelAttributes().bold ? '*' : '.';
  }
  edit->SetSelection(0, 0);
  return s;
}

}  // namespace

TEST(ApplyBoldMarkup, TaggedStretchesBecomeBold) {
  TestForm form;
  const struct {
    const char* in;
    const char* text;
    const char* bold;
  } cases[] = {
      {"Hello <b>World</b>!", "Hello World!", "......*****."},
      {"<B>All</B>", "All", "***"},
      {"a<b>b</B>c<b>d", "abcd", ".*.*"},
      {"</b>stray<b>", "stray", "....."},
      {"x<b></b>y", "xy", ".."},
      {"one\r\n<b>two</b> three", "one|two three", "...|***......"},
      {"<b>a<b>b</b>c</b>", "abc", "**."},
      {"less < b > <bb>", "less < b > <bb>", "..............."},
  };
  for (const auto& c : cases) {
    TRichEdit edit(&form);
    edit.SetBounds(0, 0, 300, 100);
    ApplyBoldMarkup(&edit, c.in);
    Shown s = Read(&edit);
    EXPECT_EQ(c.text, s.text) << c.in;
    EXPECT_EQ(c.bold, s.bold) << c.in;
    EXPECT_EQ(0, edit.SelLength());
  }
}

TEST(ApplyBoldMarkup, AppendsAndHonoursAtMost200Stretches) {
  TestForm form;
  TRichEdit edit(&form);
  edit.SetBounds(0, 0, 300, 100);
  ApplyBoldMarkup(&edit, "<b>first</b> ");
  ApplyBoldMarkup(&edit, "second");
  Shown s = Read(&edit);
  EXPECT_EQ("first second", s.text);
  EXPECT_EQ("*****.......", s.bold);

  edit.Clear();
  std::string many;
  for (int i = 0; i < 205; ++i) many += "<b>x</b>y";
  ApplyBoldMarkup(&edit, many);
  s = Read(&edit);
  std::string text, bold;
  for (int i = 0; i < 205; ++i) {
    text += "xy";
    bold += i < 200 ? "*." : "..";
  }
  EXPECT_EQ(text, s.text);
  EXPECT_EQ(bold, s.bold);
}

TEST(SetRichLabelText, LooksLikeALabel) {
  TestForm form;
  auto* panel = new TPanel(&form);
  panel->SetColor(RGB(200, 220, 240));
  auto* edit = new TRichEdit(panel);
  edit->SetBounds(0, 0, 300, 100);
  edit->SetText("old text");
  const int size = edit->Font().Size();
  SetRichLabelText(edit, "Welcome to <b>PROG</b>\\\\nNext<p>Last");
  Shown s = Read(edit);
  EXPECT_EQ("Welcome to PROG|Next|Last", s.text);
  EXPECT_EQ("...........****|....|....", s.bold);
  EXPECT_EQ(RGB(200, 220, 240), edit->Color());
  EXPECT_FALSE(edit->Border());
  EXPECT_TRUE(edit->ReadOnly());
  EXPECT_FALSE(edit->TabStop());
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(dpi > 96 ? 7 : size, edit->Font().Size());
}

// An overlong text (a program name of 100 KB, one word or many) is cut, never inside a
// tag, instead of being laid out for minutes.
TEST(SetRichLabelText, CutsOverlongTexts) {
  TestForm form;
  const std::string word(100000, 'x');
  std::string words;
  while (words.size() < 100000) words += "word ";
  const struct {
    std::string in, start;
  } cases[] = {
      {"Welcome to " + word, "Welcome to xxx"},
      {words, "word word"},
      {std::string(4090, 'y') + "<b>bold</b>" + word, "yyyy"},
  };
  for (const auto& c : cases) {
    TRichEdit edit(&form);
    edit.SetBounds(0, 0, 300, 100);
    SetRichLabelText(&edit, c.in);
    const std::string shown = edit.Text();
    EXPECT_LE(shown.size(), 4096u + 3) << c.start;
    EXPECT_GT(shown.size(), 4000u) << c.start;
    EXPECT_EQ(shown.substr(0, c.start.size()), c.start);
    EXPECT_EQ(shown.substr(shown.size() - 3), "...") << c.start;
    EXPECT_EQ(shown.find('<'), std::string::npos) << c.start;
  }
}

TEST(MakeRightToLeftRichEdit, ReplacesTheControlInPlace) {
  TestForm form;
  auto* before = new TButton(&form, "before");
  TRichEdit* edit = new TRichEdit(&form);
  auto* after = new TButton(&form, "after");
  edit->SetBounds(12, 34, 200, 80);
  edit->SetText("shalom");
  edit->SetReadOnly(true);
  edit->SetBorder(false);
  edit->SetColor(RGB(1, 2, 3));
  edit->Font().SetCharset(177);
  int moves = 0;
  edit->OnMouseMove = [&](TControl*, int, int) { ++moves; };

  TRichEdit* same = edit;
  MakeRightToLeftRichEdit(same, 0);
  EXPECT_EQ(edit, same);  // other charsets keep the control

  HWND oldWnd = edit->Handle();
  MakeRightToLeftRichEdit(edit, 177);
  ASSERT_NE(same, edit);
  EXPECT_FALSE(IsWindow(oldWnd));
  EXPECT_EQ(3u, form.Controls().size());
  EXPECT_TRUE(GetWindowLongPtrA(edit->Handle(), GWL_EXSTYLE) & WS_EX_RTLREADING);
  RECT r = tt::ChildRect(form.Handle(), edit->Handle());
  EXPECT_EQ(12, r.left);
  EXPECT_EQ(34, r.top);
  EXPECT_EQ(200, r.right - r.left);
  EXPECT_EQ(80, r.bottom - r.top);
  EXPECT_EQ("shalom", edit->Text());
  EXPECT_TRUE(edit->ReadOnly());
  EXPECT_FALSE(edit->Border());
  EXPECT_EQ(RGB(1, 2, 3), edit->Color());
  EXPECT_EQ(177, edit->Font().Charset());
  EXPECT_TRUE(edit->Visible());
  EXPECT_EQ(before->TabOrder() + 1, edit->TabOrder());
  EXPECT_EQ(edit->TabOrder() + 1, after->TabOrder());
  SendMessageA(edit->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
  EXPECT_EQ(1, moves);
}
