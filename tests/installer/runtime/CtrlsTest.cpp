#include "Common.h"
#include "Ctrls.h"

#include <gtest/gtest.h>

#include "TestTool.h"
#include "FormsTestUtil.h"

TEST(PositionIndex, NamesIgnoringCaseOtherwiseCenter) {
  const struct {
    const char* name;
    int index;
  } cases[] = {{"Center", 0},         {"Top/Left", 1},      {"top/right", 2},      {"Bottom/Left", 3},
               {"bottom/right", 4},   {"TOP/CENTER", 5},    {"Bottom/Center", 6},  {"Left/Center", 7},
               {"Right/Center", 8},   {"entire screen", 9}, {"Hide", 10},          {"Middle", 0},
               {"", 0},               {"Bottom/Right ", 0}, {"|", 0}};
  for (const auto& c : cases) EXPECT_EQ(c.index, PositionIndex(c.name)) << c.name;
}

TEST(PlaceControl, ElevenPositionsOnAGivenArea) {
  TestForm form;
  auto* panel = new TPanel(&form);
  // Area: top 10, left 20; the control is 100 x 50; free height 150, free width 300; margin 5.
  const struct {
    const char* name;
    int freeH, freeW;
    RECT want;  // left, top, width, height
  } cases[] = {
      {"Center", 150, 300, {170, 85, 100, 50}},       {"Top/Left", 150, 300, {25, 15, 100, 50}},
      {"Top/Right", 150, 300, {315, 15, 100, 50}},    {"Bottom/Left", 150, 300, {25, 155, 100, 50}},
      {"Bottom/Right", 150, 300, {315, 155, 100, 50}}, {"Top/Center", 150, 300, {170, 15, 100, 50}},
      {"Bottom/Center", 150, 300, {170, 155, 100, 50}}, {"Left/Center", 150, 300, {25, 85, 100, 50}},
      {"Right/Center", 150, 300, {315, 85, 100, 50}},  {"Entire Screen", 150, 300, {20, 10, 360, 180}},
      {"Hide", 150, 300, {-95, -45, 100, 50}},         {"nowhere", 151, 301, {170, 85, 100, 50}},
      {"Center", -31, -41, {0, -5, 100, 50}},          {"Bottom/Right", -31, -41, {-26, -26, 100, 50}},
  };
  for (const auto& c : cases) {
    panel->SetBounds(0, 0, 100, 50);
    int index = PlaceControl(panel, c.name, c.freeH, 5, 10, 20, c.freeW);
    EXPECT_EQ(PositionIndex(c.name), index);
    RECT r = tt::ChildRect(form.Handle(), panel->Handle());
    EXPECT_EQ(c.want.left, r.left) << c.name;
    EXPECT_EQ(c.want.top, r.top) << c.name;
    EXPECT_EQ(c.want.right, r.right - r.left) << c.name;
    EXPECT_EQ(c.want.bottom, r.bottom - r.top) << c.name;
  }
}

TEST(PlaceControl, HideLeavesAFivePixelCornerOnTheScreen) {
  TestForm form;
  PlaceControl(&form, "Hide", 0, 0, 0, 0, 0);
  RECT r;
  GetWindowRect(form.Handle(), &r);
  EXPECT_EQ(5, r.right);
  EXPECT_EQ(5, r.bottom);
}

TEST(SetControlCharset, HebrewAndArabicTurnRightToLeft) {
  TestForm form;
  const int charsets[] = {0, 1, 177, 178, 204};
  for (int cs : charsets) {
    auto* label = new TLabel(&form, "text");
    SetControlCharset(label, cs);
    LOGFONTA lf = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(label->Handle(), WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    EXPECT_EQ(cs, lf.lfCharSet);
    bool rtl = (GetWindowLongPtrA(label->Handle(), GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
    EXPECT_EQ(cs == 177 || cs == 178, rtl) << cs;
    EXPECT_EQ(rtl, label->RightToLeft());
    delete label;
  }
  SetControlCharset(nullptr, 177);  // nothing to do, no crash
  TFont font;
  SetTahomaFont(font);
  EXPECT_EQ("Tahoma", font.Name());
}

TEST(HoverUnderline, CheckBoxesAndRadiosUnderlineUnderTheMouse) {
  TestForm form;
  auto* panel = new TPanel(&form);
  auto* box = new TCheckBox(panel, "Desktop shortcut");
  auto* radio = new TRadioButton(&form, "Typical");
  auto* label = new TLabel(&form, "label");
  auto* button = new TButton(&form, "Next");
  box->Font().SetStyle(kBold);

  // Attached only while visual themes are on (this test program has no manifest: off).
  bool themed = IsThemeActive();
  AttachHoverUnderline(&form);
  EXPECT_EQ(themed, bool(box->OnMouseEnter));
  EXPECT_EQ(themed, bool(radio->OnMouseLeave));
  box->OnMouseEnter = nullptr;

  AttachHoverHandlers(&form);
  EXPECT_FALSE(label->OnMouseEnter);
  EXPECT_FALSE(button->OnMouseEnter);
  for (TControl* c : {static_cast<TControl*>(box), static_cast<TControl*>(radio)}) {
    auto underlined = [c] {
      LOGFONTA lf = {};
      GetObjectA(reinterpret_cast<HFONT>(SendMessageA(c->Handle(), WM_GETFONT, 0, 0)), sizeof(lf), &lf);
      return lf.lfUnderline != 0;
    };
    EXPECT_FALSE(underlined());
    SendMessageA(c->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_TRUE(underlined());
    SendMessageA(c->Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(underlined());
  }
  EXPECT_EQ(unsigned(kBold), box->Font().Style());
}
