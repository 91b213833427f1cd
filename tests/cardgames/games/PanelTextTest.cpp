// The games' status panels painted with the prefix's fonts: headings and ordinary bids fit
// their columns at the panel's size, texts wider than their room shrink to fit, all clear
// of the column lines, while a bid wider than its column takes the names' room but their
// first letters; a status line that wraps leaves a gap above the next.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Arlington.h"
#include "CardImages.h"
#include "Klabberjass.h"
#include "Random.h"
#include "RauberSkat.h"
#include "Spades.h"
#include "SpiteAndMalice.h"
#include "TestCanvas.h"
#include "Whist.h"
#include "Zetema.h"

namespace {

const RECT kTable = {12, 12, 611, 491};
const RECT kStatus = {623, 12, 778, 491};

// Paints a game dealt at the table, with the status area shown, once prepare has set it up.
typedef std::function<void(tc::Canvas&, CardImages&)> Painter;
template <class Game>
Painter Dealt(const std::function<void(Game&)>& prepare = [](Game&) {}) {
  return [prepare](tc::Canvas& canvas, CardImages& images) {
    MersenneRandom rng(7);
    Game game(nullptr, 0, rng);
    game.cardImages = &images;
    game.SetAreas(kTable, kStatus);
    const char* const names[] = {"Card Shark", "Maximilian Alexander", "Igor", "Zeke"};
    for (std::uint32_t s = 0; s < game.seats; ++s) game.SetSeatName(names[s], s);
    game.showStatusLines = true;
    game.StartDeal(true, false, true);
    game.SetState(Playing);
    prepare(game);
    game.Paint(canvas.dc());
  };
}

bool Ink(const tc::Canvas& c, int x, int y) { return c.At(x, y) != tc::kPaper; }

// Checks the "GAME STATUS" panel: its column lines (runs of ink through the whole header
// row) have no ink beside them in the header or any of the rows, no text reaches the
// panel's right edge, and every column shows its heading. Answers the lines.
std::vector<std::pair<int, int>> ExpectPanelClear(const tc::Canvas& c, int rows) {
  const int top = kStatus.top + 180;
  std::vector<std::pair<int, int>> bands = {{top, top + 16}};
  for (int k = 0; k < rows; ++k) bands.push_back({top + 24 + 16 * k, top + 40 + 16 * k});
  std::vector<std::pair<int, int>> lines;  // first and last x of each line
  for (int x = kStatus.left + 5; x < kStatus.right; ++x) {
    bool run = true;
    for (int y = top + 1; y < top + 16 && run; ++y) run = Ink(c, x, y);
    if (!run) continue;
    if (!lines.empty() && lines.back().second == x - 1)
      lines.back().second = x;
    else
      lines.push_back({x, x});
  }
  EXPECT_FALSE(lines.empty());
  std::vector<int> clear = {kStatus.right - 6, kStatus.right - 7};
  for (const auto& line : lines) {
    clear.push_back(line.first - 1);
    clear.push_back(line.second + 1);
  }
  for (const auto& band : bands)
    for (int x : clear)
      for (int y = band.first; y < band.second; ++y) EXPECT_FALSE(Ink(c, x, y)) << "ink at " << x << "," << y;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int right = i + 1 < lines.size() ? lines[i + 1].first - 1 : kStatus.right - 5;
    int ink = 0;
    for (int x = lines[i].second + 2; x < right; ++x)
      for (int y = top; y < top + 16; ++y) ink += Ink(c, x, y);
    EXPECT_GT(ink, 10) << "heading of column " << i;
  }
  return lines;
}

}  // namespace

TEST(PanelTextTest, HeadingsAndBidsFitTheirColumnsAtThePanelsSizeClearOfTheLines) {
  CardImages images;
  MersenneRandom rng(1);
  WhistGame fonts(nullptr, 0, rng);
  tc::Canvas measure(10, 10);
  fonts.smallFont.Select(measure.dc());
  const struct {
    const char* game;
    int rows;
    std::vector<std::vector<const char*>> fit;  // texts of each column, the names' first
    Painter paint;
  } cases[] = {
      {"Spades, blind bids", 4, {{"PLAYER"}, {"BID", "Bl. Nil"}, {"TRICKS"}}, Dealt<SpadesGame>([](SpadesGame& g) {
         g.SetState(Bidding);
         g.seatList[0].bid.SetValue(255);
         g.seatList[1].bid.SetValue(13);
         g.isBlind[0] = g.isBlind[1] = true;
       })},
      // Bids wider than "I Pass" at the panel's size too, on one line: the names give up the room.
      {"Rauber Skat", 3, {{}, {"BID", "I Pass", "I Hold", "Take Skat", "Decline Skat"}, {"TRICKS"}},
       Dealt<RauberSkatGame>([](RauberSkatGame& g) { g.bidTexts = {"Take Skat", "I Pass", "Decline Skat"}; })},
      {"Rauber Skat, calling", 3, {{"PLAYER"}, {"BID", "I Pass", "I Hold", "360"}, {"TRICKS"}},
       Dealt<RauberSkatGame>([](RauberSkatGame& g) { g.bidTexts = {"360", "I Hold", "I Pass"}; })},
      {"Klabberjass", 2, {{}, {}, {"BID", "I Pass", "Schmeiss", "Deny Schmeiss"}},
       Dealt<KlabberjassGame>([](KlabberjassGame& g) { g.bidTexts = {"Schmeiss", "Deny Schmeiss"}; })},
      {"Klabberjass, an accepted Schmeiss", 2, {{}, {}, {"BID", "I Pass", "Deny Schmeiss"}},
       Dealt<KlabberjassGame>([](KlabberjassGame& g) { g.bidTexts = {"Accept Schmeiss", "I Choose Diamonds"}; })},
      {"Klabberjass, a suit chosen", 2, {{}, {}, {"BID", "I Pass", "Deny Schmeiss"}},
       Dealt<KlabberjassGame>([](KlabberjassGame& g) { g.bidTexts = {"I Pass", "I Choose Hearts"}; })},
      {"Klabberjass, taking it", 2, {{}, {"POINTS"}, {"BID", "I Pass", "I Take It"}},
       Dealt<KlabberjassGame>([](KlabberjassGame& g) { g.bidTexts = {"I Take It", "I Pass"}; })},
      {"Klabberjass, passing", 2, {{"PLAYER"}, {"POINTS"}, {"BID", "I Pass"}},
       Dealt<KlabberjassGame>([](KlabberjassGame& g) { g.bidTexts = {"I Pass", "I Pass"}; })},
      {"Zetema", 4, {{"PLAYER"}, {"LAST COMBO."}}, Dealt<ZetemaGame>([](ZetemaGame& g) { g.lastCombo.assign(4, "Pair"); })},
      {"Spite and Malice", 2, {{"PLAYER"}, {"RED CARDS"}}, Dealt<SpiteAndMaliceGame>()},
      {"Arlington", 2, {{"PLAYER"}, {"CARDS LEFT"}}, Dealt<ArlingtonGame>()},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.game);
    tc::Canvas canvas(790, 560);
    k.paint(canvas, images);
    const std::vector<std::pair<int, int>> lines = ExpectPanelClear(canvas, k.rows);
    ASSERT_EQ(lines.size() + 1, k.fit.size());
    // The name heading and every name keep at least their first letters: more than a dot.
    for (int row = 0; row <= k.rows; ++row) {
      const int top = kStatus.top + 180 + (row ? 8 + 16 * row : 0);
      int ink = 0, first = kStatus.right, last = 0;
      for (int x = kStatus.left; x < lines[0].first - 1; ++x)
        for (int y = top; y < top + 16; ++y)
          if (Ink(canvas, x, y)) ++ink, first = std::min(first, x), last = std::max(last, x);
      EXPECT_GT(ink, 20) << "names' row " << row;
      EXPECT_GE(last - first, 12) << "names' row " << row;
    }
    for (std::size_t i = 0; i < k.fit.size(); ++i) {
      // Between the lines (the status area's edge, the panel's end), 2 pixels clear of each.
      const long left = i == 0 ? kStatus.left : lines[i - 1].second + 3;
      const long right = i < lines.size() ? lines[i].first - 2 : kStatus.right - 5;
      for (const char* text : k.fit[i]) {
        SIZE size = {};
        GetTextExtentPoint32A(measure.dc(), text, static_cast<int>(strlen(text)), &size);
        EXPECT_LE(size.cx, right - left) << text;
      }
    }
  }
  fonts.smallFont.Restore();
}

TEST(PanelTextTest, AWrappedStatusLineLeavesAGapAboveTheNext) {
  CardImages images;
  tc::Canvas canvas(790, 560);
  Dealt<WhistGame>([](WhistGame& g) {
    g.ClearStatusLines();
    g.statusLines[1] = "Lead: (Seven of Diamonds)";
    g.statusLines[2] = "It is your turn to play.";
  })(canvas, images);
  const int row = kStatus.bottom - 180 + 30;
  int ink = 0, inGap = 0;
  for (int x = kStatus.left + 5; x < kStatus.right - 5; ++x) {
    for (int y = row; y < row + 26; ++y) ink += Ink(canvas, x, y);
    for (int y = row + 26; y < row + 30; ++y) inGap += Ink(canvas, x, y);
  }
  EXPECT_GT(ink, 50);
  EXPECT_EQ(0, inGap);
}
