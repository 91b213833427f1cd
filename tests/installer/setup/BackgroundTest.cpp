// The background window's painting, the slide show, the music with a stand-in device and
// mixer, and the volume slider.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "Billboard.h"
#include "../forms/FormsTestUtil.h"
#include "Forms.h"
#include "Music.h"
#include "SMain.h"
#include "SScript.h"
#include "Slider.h"
#include "TestTool.h"

namespace {

// A device that plays for `length` polls and a mixer that remembers every write.
struct FakeMusic : TMusicBackend {
  bool openFails = false;
  unsigned length = 1;
  std::atomic<int> plays{0}, closes{0};
  std::atomic<unsigned> position{0};
  std::mutex lock;
  int volume = 65535;
  std::vector<int> writes;
  unsigned Open(const std::string&, bool, std::string& error) override {
    if (openFails) error = "cannot open";
    return openFails ? 0 : 7;
  }
  bool Play(unsigned, std::string&) override {
    ++plays;
    position = 0;
    return true;
  }
  unsigned Length(unsigned) override { return length; }
  unsigned Position(unsigned) override { return position++; }
  void SeekToStart(unsigned) override {}
  std::string Close(unsigned) override {
    ++closes;
    return "ok";
  }
  int GetVolume(TMusicLine) override {
    std::lock_guard<std::mutex> g(lock);
    return volume;
  }
  void SetVolume(TMusicLine, int value) override {
    std::lock_guard<std::mutex> g(lock);
    volume = value;
    writes.push_back(value);
  }
};

struct MusicTest : ::testing::Test {
  FakeMusic fake;
  void SetUp() override { SetMusicBackend(&fake); }
  void TearDown() override {
    FadeOutMusic(0);
    SetMusicBackend(nullptr);
  }
  bool WaitPlaying() {
    for (int i = 0; i < 200 && !MusicPlaying(); ++i) Sleep(10);
    return MusicPlaying();
  }
};

TScript ScriptFor(const std::string& lines) {
  TScript s;
  s.OnUnrecognized = nullptr;
  s.LoadFromText(lines);
  return s;
}

// A 24-bit bitmap file of one colour.
std::string BitmapFile(int w, int h) {
  const int row = (w * 3 + 3) & ~3;
  BITMAPFILEHEADER fh = {};
  BITMAPINFOHEADER ih = {};
  ih.biSize = sizeof ih;
  ih.biWidth = w;
  ih.biHeight = h;
  ih.biPlanes = 1;
  ih.biBitCount = 24;
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih;
  fh.bfSize = fh.bfOffBits + DWORD(row * h);
  std::string s(reinterpret_cast<char*>(&fh), sizeof fh);
  s.append(reinterpret_cast<char*>(&ih), sizeof ih);
  s.append(size_t(row * h), '\x40');
  return s;
}

}  // namespace

TEST_F(MusicTest, FadeLowersInTenthsAndTheStopRestoresTheVolume) {
  fake.length = 1000000;  // plays until stopped
  PlayMusic("song.wav", 1);
  ASSERT_TRUE(WaitPlaying());
  EXPECT_EQ(GetMusicVolume(), 65535);
  FadeOutMusic(500);
  EXPECT_FALSE(MusicPlaying());
  EXPECT_TRUE(MusicFinished());
  std::vector<int> expected;
  for (int c = 65535 - 6553; c > 0; c -= 6553) expected.push_back(c);
  expected.push_back(0);
  expected.push_back(65535);  // restored once the device is closed
  EXPECT_EQ(fake.writes, expected);
  EXPECT_EQ(fake.closes, 1);
}

TEST_F(MusicTest, FadeOfASmallVolumeStillEnds) {
  fake.length = 1000000;
  fake.volume = 3;
  PlayMusic("song.mid", 1);
  ASSERT_TRUE(WaitPlaying());
  FadeOutMusic(500);  // a step of 3 / 10 would be 0
  ASSERT_GE(fake.writes.size(), 2u);
  EXPECT_LE(fake.writes.size(), 13u);
  EXPECT_EQ(fake.writes[fake.writes.size() - 2], 0);
  EXPECT_EQ(fake.writes.back(), 3);
  FadeOutMusic(1);  // shorter than one step: nothing to fade, no endless loop
}

TEST_F(MusicTest, FailedOpenNeverTouchesTheMixer) {
  fake.openFails = true;
  PlayMusic("missing.wav", 1);
  Sleep(200);
  EXPECT_FALSE(MusicPlaying());
  EXPECT_EQ(GetMusicVolume(), 0);
  SetMusicVolume(100);
  FadeOutMusic(500);
  EXPECT_TRUE(fake.writes.empty());
  EXPECT_EQ(fake.volume, 65535);
  EXPECT_EQ(fake.plays, 0);
}

TEST_F(MusicTest, RepeatCountZeroPlaysUntilStoppedAndACountIsKept) {
  fake.length = 1;
  PlayMusic("loop.wav", 0);
  ASSERT_TRUE(WaitPlaying());
  for (int i = 0; i < 300 && fake.plays < 3; ++i) Sleep(10);
  EXPECT_GE(fake.plays, 3);
  FadeOutMusic(0);
  EXPECT_FALSE(MusicPlaying());
  fake.plays = 0;
  PlayMusic("twice.wav", 2);
  for (int i = 0; i < 300 && !MusicFinished(); ++i) Sleep(10);
  EXPECT_TRUE(MusicFinished());
  FadeOutMusic(0);
  EXPECT_EQ(fake.plays, 2);
  EXPECT_TRUE(IsMidiFile("a.MiDi"));
  EXPECT_TRUE(IsMidiFile("x\\a.mid"));
  EXPECT_FALSE(IsMidiFile("a.wav"));
}

TEST(Slider, ThumbFollowsThePositionAndDragsToTheEnds) {
  TForm* form = TForm::Create<TForm>("KvSliderTest");
  form->SetClientSize(200, 200);
  TSlider* s = new TSlider(form);
  EXPECT_EQ(s->Width(), 30);
  EXPECT_EQ(s->Height(), 130);
  struct Case {
    int min, max, pos, height, thumbTop;
  } cases[] = {
      {0, 100, 0, 130, 110}, {0, 100, 100, 130, 0}, {0, 100, 50, 130, 55}, {0, 65535, 65535, 130, 0},
      {5, 5, 5, 130, 110},   // empty range
      {0, 100, 50, 15, -5},  // track shorter than the thumb
  };
  for (const Case& c : cases) {
    s->SetBounds(0, 0, 30, c.height);
    s->SetMin(-1000000);
    s->SetMax(c.max);
    s->SetMin(c.min);
    s->SetPosition(c.pos);
    EXPECT_EQ(s->ThumbRect().top, c.thumbTop) << c.min << ".." << c.max << " @" << c.pos << " h" << c.height;
  }
  s->SetBounds(0, 0, 30, 130);
  s->SetMin(0);
  s->SetMax(65535);
  s->SetPosition(0);
  int changes = 0;
  s->OnValueChange = [&](TSlider*) { ++changes; };
  form->Show();
  auto drag = [&](int fromY, int toY) {
    SendMessageA(s->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, fromY));
    SendMessageA(s->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(15, toY));
    SendMessageA(s->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(15, toY));
  };
  drag(s->ThumbRect().top + 5, -300);
  EXPECT_EQ(s->Position(), 65535);
  drag(s->ThumbRect().top + 5, 500);
  EXPECT_EQ(s->Position(), 0);
  drag(60, 0);  // a press beside the thumb moves nothing
  EXPECT_EQ(s->Position(), 0);
  EXPECT_EQ(changes, 2);
  s->SetPosition(60000);
  s->SetMax(1000);
  EXPECT_EQ(s->Position(), 1000);
  EXPECT_EQ(changes, 4);
  s->SetOrientation(TSliderOrientation::slHoriz);
  s->SetBounds(0, 0, 120, 30);
  EXPECT_EQ(s->ThumbRect().left, 100);
  delete form;
}

TEST(Billboard, DescriptorDefaultsAndRepairs) {
  struct Case {
    std::string descriptor;
    std::vector<std::string> slides;
    int pace;
    std::string position;
    int width, margin;
    size_t slidesLeft;
  } cases[] = {
      {"", {"1|1|0|1|0|Top/Left|5|6|0|255|Arial|12|0|1|0|300|200|4|4", "a.txt"}, 4, "Top/Left", 300, 4, 1},
      {"0|0|0|0|0||0|0|0|0|Arial|12|0|1|0|100|50|0|0", {"a.txt"}, 1, "Center", 100, 0, 1},
      {"0|0|0|0|0|Center|0|0|0|0|Arial|12|0|1|0|100|50|0|abc", {}, 1, "Center", 100, 0, 0},
      {"0|0|0|0|0|Center|0|0|0|0|Arial|12|0|1|0|100|50|0|-3", {}, 1, "Center", 100, 0, 0},
      {"1", {}, 1, "Center", 0, 0, 0},
  };
  for (Case& c : cases) {
    const TBillboardData d = ReadBillboardData(c.descriptor, c.slides);
    EXPECT_EQ(d.pace, c.pace) << c.descriptor;
    EXPECT_EQ(d.position, c.position) << c.descriptor;
    EXPECT_EQ(d.width, c.width) << c.descriptor;
    EXPECT_EQ(d.margin, c.margin) << c.descriptor;
    EXPECT_EQ(c.slides.size(), c.slidesLeft) << c.descriptor;
  }
  std::vector<std::string> none;
  const TBillboardData d = ReadBillboardData("1", none);
  EXPECT_TRUE(d.waitForEnd);
  EXPECT_EQ(d.fontSize, 14);
  EXPECT_EQ(d.fontColor, 0xFFFFFFu);
  EXPECT_EQ(d.bottomColor, 0xFF0000u);
  EXPECT_EQ(FontOrArial("No Such Font Kv"), "Arial");
  EXPECT_EQ(FontOrArial("Courier New"), "Courier New");
}

TEST(Billboard, SlidesStepLoadAndShowAndArePlaced) {
  const std::string dir = tt::ScratchDir("billboard");
  tt::WriteFile(dir + "one.txt", "First slide\r\nsecond line\r\n");
  tt::WriteFile(dir + "pic.bmp", BitmapFile(40, 30));
  RECT work = {};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  // Frameless, sized to pictures with margin 5, top left at (7, 9), 40 s per tick so only
  // the steps below move it.
  const std::string descriptor = "0|0|1|1|0|Top/Left|7|9|0|255|Arial|12|16777215|1|0|200|100|5|80";
  TBillboardForm* b = ShowBillboard(nullptr, descriptor, {dir + "one.txt", dir + "gone.txt", dir + "pic.bmp"}, false, false);
  ASSERT_EQ(CurrentBillboard(), b);
  // Shown: slide 0 loaded and laid out.
  EXPECT_TRUE(b->Running());
  EXPECT_EQ(b->SlideIndex(), 1);
  EXPECT_EQ(b->ShownLines(), (std::vector<std::string>{"First slide", "second line"}));
  EXPECT_EQ(b->ClientWidth(), 200);  // a text slide keeps the fixed size
  EXPECT_EQ(b->ClientHeight(), 100);
  EXPECT_EQ(b->Left(), work.left + 7);
  EXPECT_EQ(b->Top(), work.top + 9);
  b->Step();  // loads the missing slide; the first stays on screen
  EXPECT_EQ(b->ShownLines().size(), 2u);
  b->Step();
  EXPECT_EQ(b->SlideIndex(), 2);
  ASSERT_EQ(b->ShownLines().size(), 3u);
  EXPECT_EQ(b->ShownLines()[1], "");
  EXPECT_EQ(b->ShownLines()[2], "    File Not Found!");
  b->Step();
  b->Step();
  EXPECT_TRUE(b->PictureMode());
  EXPECT_TRUE(b->ShownLines().empty());
  EXPECT_EQ(b->ClientWidth(), 50);
  EXPECT_EQ(b->ClientHeight(), 40);
  EXPECT_EQ(b->image1->Left(), 5);
  EXPECT_TRUE(b->Running());
  b->Step();
  b->Step();  // past the last slide: the show ends on it
  EXPECT_FALSE(b->Running());
  EXPECT_TRUE(b->PictureMode());
  // The close button waits for nothing once the show has ended.
  WaitBillboardEnd();
  EXPECT_TRUE(b->button1->Visible());
  FreeBillboard();
  EXPECT_EQ(CurrentBillboard(), nullptr);
}

TEST(Billboard, PaceTimesTheTicks) {
  const std::string dir = tt::ScratchDir("billboard_pace");
  tt::WriteFile(dir + "a.txt", "a");
  tt::WriteFile(dir + "b.txt", "b");
  // One tick per 500 ms: slide 1 shows after two ticks (load, show).
  TBillboardForm* b =
      ShowBillboard(nullptr, "0|0|0|0|0|Center|0|0|0|0|Arial|12|0|1|0|100|60|0|0", {dir + "a.txt", dir + "b.txt"},
                    true, false);
  EXPECT_TRUE(b->button1->Visible());
  PumpFor(700);
  EXPECT_EQ(b->SlideIndex(), 1);
  PumpFor(800);
  EXPECT_EQ(b->SlideIndex(), 2);
  EXPECT_EQ(b->ShownLines(), std::vector<std::string>{"b"});
  FreeBillboard();
}

TEST(Background, GradientPictureAndTitles) {
  const std::string dir = tt::ScratchDir("background");
  struct Case {
    std::string script;
    COLORREF first, last;
  } cases[] = {
      {"SET_TOP_BG_COLOR(255)\nSET_BOTTOM_BG_COLOR_REQ\nSET_BOTTOM_BG_COLOR(16711680)", RGB(255, 0, 0), RGB(0, 0, 255)},
      {"SET_TOP_BG_COLOR(65280)\nSET_BOTTOM_BG_COLOR(16711680)", RGB(0, 255, 0), RGB(0, 255, 0)},  // flat
      {"SET_TOP_BG_COLOR(junk)", RGB(0, 0, 255), RGB(0, 0, 255)},
  };
  for (const Case& c : cases) {
    TScript s = ScriptFor(c.script + "\nSET_BG_BITMAP_FILE_NAME(" + dir + "missing.bmp)");
    TSMainForm* f = TForm::Create<TSMainForm>(&s);
    MemoryCanvas surf(300, 200);
    f->PaintBackground(surf.canvas, 300, 200);
    EXPECT_EQ(surf.At(150, 0), c.first) << c.script;
    EXPECT_EQ(surf.At(150, 199), c.last) << c.script;
    EXPECT_EQ(f->PictureRect().right, 0);
    delete f;
  }
  // Titles: white text with a black shadow, left at the top, right at the bottom.
  TScript s = ScriptFor(
      "SET_TOP_BG_COLOR(8421376)\nSET_TOP_LABEL_TEXT(Demo)\nSET_TOP_LABEL_FONT(No Such Font|20|16777215|1|1)\n"
      "SET_TOP_LABEL_SIDE(Left)\nSET_BOTTOM_LABEL_TEXT(Bottom)\nSET_BOTTOM_LABEL_SIDE(RIGHT)");
  TSMainForm* f = TForm::Create<TSMainForm>(&s);
  MemoryCanvas surf(400, 300);
  f->PaintBackground(surf.canvas, 400, 300);
  auto count = [&](COLORREF color, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += surf.At(x, y) == color;
    return n;
  };
  const int m = GetSystemMetrics(SM_CXSCREEN) < 1000 ? 16 : 20;
  EXPECT_GT(count(RGB(255, 255, 255), m, 0, 200, 60), 20);
  EXPECT_GT(count(RGB(0, 0, 0), m, 0, 200, 60), 20);
  EXPECT_EQ(count(RGB(255, 255, 255), 0, 0, m, 60), 0);
  EXPECT_GT(count(RGB(255, 255, 255), 200, 240, 400, 300), 10);
  EXPECT_EQ(count(RGB(255, 255, 255), 0, 240, 200, 300), 0);
  delete f;
}

TEST(Background, VersionFollowsTheTitleAtHalfSizeOnItsBaseline) {
  // White ink of the top line, drawn with and without the version.
  auto ink = [](bool version) {
    TScript s = ScriptFor(std::string("SET_TOP_BG_COLOR(8421376)\nSET_TOP_LABEL_TEXT(HEM)\n"
                                      "SET_TOP_LABEL_FONT(Arial|40|16777215|1|0)\nSET_PROG_VERSION(14)\n") +
                          (version ? "SET_TOP_LABEL_VER\n" : ""));
    TSMainForm* f = TForm::Create<TSMainForm>(&s);
    MemoryCanvas surf(600, 150);
    f->PaintBackground(surf.canvas, 600, 150);
    delete f;
    std::vector<RECT> columns;  // per x: top and bottom row of white, or empty
    for (int x = 0; x < 600; ++x) {
      RECT c = {x, 150, x, -1};
      for (int y = 0; y < 150; ++y)
        if (surf.At(x, y) == RGB(255, 255, 255)) {
          c.top = std::min<LONG>(c.top, y);
          c.bottom = y;
        }
      columns.push_back(c);
    }
    return columns;
  };
  const std::vector<RECT> plain = ink(false), withVersion = ink(true);
  int titleEnd = 0, titleTop = 150, titleBottom = -1;
  for (const RECT& c : plain)
    if (c.bottom >= 0) titleEnd = c.left, titleTop = std::min<int>(titleTop, c.top), titleBottom = c.bottom;
  int suffixTop = 150, suffixBottom = -1, suffixWidth = 0;
  for (int x = titleEnd + 1; x < 600; ++x)
    if (withVersion[size_t(x)].bottom >= 0) {
      ++suffixWidth;
      suffixTop = std::min<int>(suffixTop, withVersion[size_t(x)].top);
      suffixBottom = std::max<int>(suffixBottom, withVersion[size_t(x)].bottom);
    }
  ASSERT_GT(titleBottom, 0);
  ASSERT_GT(suffixWidth, 5);
  EXPECT_NEAR(suffixBottom, titleBottom, 1);  // one baseline
  const int titleHeight = titleBottom - titleTop, suffixHeight = suffixBottom - suffixTop;
  EXPECT_NEAR(suffixHeight * 2, titleHeight, 4);  // half the size
}

TEST(Background, PictureIsPlacedFromTheProgramFolder) {
  const std::string name = "kv_bg_picture.bmp";
  const std::string path = tt::ProgramDir() + name;
  ASSERT_TRUE(tt::WriteFile(path, BitmapFile(20, 10)));
  TScript s = ScriptFor("SET_TOP_BG_COLOR(0)\nSET_BG_BITMAP_FILE_NAME(C:\\elsewhere\\" + name +
                        ")\nSET_BG_BITMAP_LOCATION(Bottom/Right|0|0)");
  TSMainForm* f = TForm::Create<TSMainForm>(&s);
  f->Show();
  const RECT r = f->PictureRect();
  EXPECT_EQ(r.right - r.left, 20);
  EXPECT_EQ(r.bottom - r.top, 10);
  EXPECT_EQ(r.right, f->ClientWidth());
  EXPECT_EQ(r.bottom, f->ClientHeight());
  MemoryCanvas surf(f->ClientWidth(), f->ClientHeight());
  f->PaintBackground(surf.canvas, f->ClientWidth(), f->ClientHeight());
  EXPECT_EQ(surf.At(r.left + 2, r.top + 2), RGB(0x40, 0x40, 0x40));
  f->ForceCloseProg();
  delete f;
  DeleteFileA(path.c_str());
}
