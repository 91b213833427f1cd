#include "Grafics.h"

#include <gtest/gtest.h>

#include "FormsTestUtil.h"

namespace {

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < line.size()) {
    size_t blank = line.find(' ', start);
    out.push_back(line.substr(start, blank == std::string::npos ? std::string::npos : blank - start));
    if (blank == std::string::npos) break;
    start = blank + 1;
  }
  return out;
}

// Cuts the whole text and checks every line against the rule of WrapText.
void CheckWrap(TCanvas& c, const std::string& original, int width) {
  std::string text = original, joined;
  int guard = 0;
  do {
    std::string line;
    WrapText(c, text, width, line);
    ASSERT_FALSE(line.empty() && !text.empty()) << "no progress";
    joined += line;
    std::vector<std::string> words = Words(line);
    if (words.size() > 1) {
      // The last word was taken because it fitted after the rest of the line.
      std::string head = line.substr(0, line.size() - words.back().size() - (line.back() == ' ' ? 1 : 0));
      EXPECT_LE(c.TextWidth(head) + c.TextWidth(words.back()), width) << "[" << line << "] of " << original;
    }
    if (!text.empty()) {
      std::string next = text.substr(0, text.find(' '));
      EXPECT_GT(c.TextWidth(line) + c.TextWidth(next), width) << "[" << line << "] + " << next;
    }
  } while (!text.empty() && ++guard < 1000);
  EXPECT_EQ(original, joined);
}

}  // namespace

TEST(FillVerticalGradient, BlackToWhiteGivesEveryGreyOnce) {
  MemoryCanvas m(8, 256);
  FillVerticalGradient(m.canvas, 0x000000, 0xFFFFFF, 6, 256);
  for (int y = 0; y < 256; ++y) {
    EXPECT_EQ(RGB(y, y, y), m.At(0, y)) << y;
    EXPECT_EQ(RGB(y, y, y), m.At(5, y)) << y;
    EXPECT_EQ(RGB(255, 255, 255), m.At(6, y)) << y;  // only the given width
  }
}

TEST(FillVerticalGradient, RowsRunFromTopToBottomColour) {
  const struct {
    TColor top, bottom;
    int rows;
  } cases[] = {{0xAA7744, 0x885522, 449}, {0x0000FF, 0xFF0000, 10}, {0x123456, 0x123456, 5}, {0x00FF00, 0x000000, 2}};
  for (const auto& c : cases) {
    MemoryCanvas m(4, c.rows + 1);
    FillVerticalGradient(m.canvas, c.top, c.bottom, 4, c.rows);
    EXPECT_EQ(COLORREF(c.top), m.At(1, 0));
    EXPECT_EQ(COLORREF(c.bottom), m.At(1, c.rows - 1));
    EXPECT_EQ(RGB(255, 255, 255), m.At(1, c.rows));
    for (int y = 1; y < c.rows; ++y) {
      // Each channel moves one way only.
      COLORREF a = m.At(1, y - 1), b = m.At(1, y);
      EXPECT_GE((int(GetRValue(b)) - int(GetRValue(a))) * (int(GetRValue(COLORREF(c.bottom))) - int(GetRValue(COLORREF(c.top)))), 0);
      EXPECT_GE((int(GetBValue(b)) - int(GetBValue(a))) * (int(GetBValue(COLORREF(c.bottom))) - int(GetBValue(COLORREF(c.top)))), 0);
    }
  }
  MemoryCanvas one(3, 3);
  FillVerticalGradient(one.canvas, 0x0000FF, 0xFF0000, 3, 1);
  EXPECT_EQ(RGB(255, 0, 0), one.At(0, 0));
  FillVerticalGradient(one.canvas, 0x0000FF, 0xFF0000, 3, 0);  // nothing to fill
  EXPECT_EQ(RGB(255, 255, 255), one.At(0, 1));
}

TEST(WrapText, LinesFitAndTheNextWordWouldNot) {
  MemoryCanvas m(10, 10);
  m.canvas.Font().SetName("Tahoma");
  m.canvas.Font().SetSize(10);
  const std::string texts[] = {
      "The quick brown fox jumps over the lazy dog and keeps running until the end of the line",
      "Installation folder: C:\\Program Files\\Kelvane Example Application\\bin is where it goes",
      "one",
      "averyveryverylongwordthatcannotfitanywhere followed by small ones",
      "double  blanks  between  words",
      "trailing blank ",
  };
  const int widths[] = {40, 120, 300, 1};
  for (const std::string& t : texts)
    for (int w : widths) CheckWrap(m.canvas, t, w);

  std::string text = "nospacesatall", line;
  WrapText(m.canvas, text, 5, line);
  EXPECT_EQ("nospacesatall", line);
  EXPECT_EQ("", text);
  WrapText(m.canvas, text, 5, line);
  EXPECT_EQ("", line);
}

TEST(WrapLines, WrapsOnceAndTildeLinesAtDoubleSize) {
  MemoryCanvas m(10, 10);
  m.canvas.Font().SetName("Tahoma");
  const std::string body = "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu";
  TTextLines plain;
  plain.lines = {body, "", "short"};
  WrapLines(m.canvas, 150, 10, plain);
  EXPECT_EQ('!', plain.quoteChar);
  EXPECT_EQ(10, m.canvas.Font().Size());
  std::vector<std::string> once = plain.lines;
  ASSERT_GT(once.size(), 3u);
  EXPECT_EQ("", once[once.size() - 2]);  // empty lines stay
  WrapLines(m.canvas, 20, 10, plain);
  EXPECT_EQ(once, plain.lines);

  TTextLines big;
  big.lines = {"~" + body};
  WrapLines(m.canvas, 150, 10, big);
  EXPECT_GT(big.lines.size(), once.size() - 2);
  std::string joined;
  m.canvas.Font().SetSize(20);
  for (const std::string& l : big.lines) {
    ASSERT_EQ('~', l[0]);
    joined += l.substr(1);
    std::vector<std::string> words = Words(l.substr(1));
    if (words.size() > 1) {
      std::string head = l.substr(1, l.size() - 1 - words.back().size() - (l.back() == ' ' ? 1 : 0));
      EXPECT_LE(m.canvas.TextWidth(head) + m.canvas.TextWidth(words.back()), 150);
    }
  }
  EXPECT_EQ(body, joined);
}

TEST(DrawWrappedText, LeftOrRightAlignedWithinTheMargin) {
  const struct {
    std::vector<std::string> lines;
    int charset;
    bool rightAligned;
  } cases[] = {
      {{"Hello there"}, 0, false},
      {{"Hello there"}, 177, true},
      {{"|178|", "Hello there"}, 0, true},
      {{"|0|", "Hello there"}, 177, false},
      {{"|x|", "Hello there"}, 0, false},
  };
  const int width = 300, margin = 20;
  for (const auto& c : cases) {
    MemoryCanvas m(width, 120);
    TTextLines lines;
    lines.lines = c.lines;
    DrawWrappedText(m.canvas, "Tahoma", 0, lines, margin, width, c.charset, 0x000000, 10);
    RECT ink = m.Ink();
    ASSERT_GE(ink.right, 0);
    EXPECT_GE(ink.top, margin);
    if (c.rightAligned) {
      EXPECT_LE(ink.right, width - margin);
      EXPECT_GE(ink.right, width - margin - 4);
      EXPECT_GT(ink.left, width / 2);
    } else {
      EXPECT_GE(ink.left, margin);
      EXPECT_LE(ink.left, margin + 4);
      EXPECT_LT(ink.right, width / 2);
    }
    bool charsetLine = c.lines.front()[0] == '|' && c.lines.front() != "|x|";
    EXPECT_EQ(charsetLine ? 1u : c.lines.size(), lines.lines.size());
    // A repaint draws the same lines the same way, though the charset line is gone.
    MemoryCanvas again(width, 120);
    DrawWrappedText(again.canvas, "Tahoma", 0, lines, margin, width, c.charset, 0x000000, 10);
    RECT ink2 = again.Ink();
    EXPECT_EQ(ink.left, ink2.left) << c.lines.front();
    EXPECT_EQ(ink.right, ink2.right) << c.lines.front();
  }
}

TEST(DrawWrappedText, TildeLinesAreDrawnAtTwiceTheSize) {
  MemoryCanvas normal(300, 150), big(300, 150);
  TTextLines a, b;
  a.lines = {"Title"};
  b.lines = {"~Title"};
  DrawWrappedText(normal.canvas, "Tahoma", 0, a, 5, 300, 0, 0x000000, 10);
  DrawWrappedText(big.canvas, "Tahoma", 0, b, 5, 300, 0, 0x000000, 10);
  RECT n = normal.Ink(), g = big.Ink();
  EXPECT_GT(g.bottom - g.top, (n.bottom - n.top) * 3 / 2);
  EXPECT_GT(g.right - g.left, (n.right - n.left) * 3 / 2);
  // Shown a second time, the list is not wrapped again.
  std::vector<std::string> after = b.lines;
  DrawWrappedText(big.canvas, "Tahoma", 0, b, 5, 40, 0, 0x000000, 10);
  EXPECT_EQ(after, b.lines);
}
