#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CardTestKit.h"
#include "Exacta.h"

namespace {

// The pack with nothing played, and a hand from it.
struct Table {
  CardDeck deck;
  TrickState tricks;
  CardStack hand;
  explicit Table(std::vector<const char*> cards) {
    FillPack(deck, 2);
    tricks.NewHand();
    tricks.AddUnplayed(deck);
    for (const char* n : cards) {
      const auto rs = ParseCard(n);
      hand.AddCard(FindCard(deck, rs.first, rs.second));
    }
    hand.Sort(kSortCDSH);
  }
};

}  // namespace

TEST(ExactaRulesTest, BidRanksAndHandPoints) {
  const struct {
    Card card;
    int rank;
  } ranks[] = {{Card(0, 4), 0}, {Card(14, 3), 1}, {Card(7, 2), 7}, {Card(13, 0), 13}, {Card(2, 1), 2}};
  for (const auto& r : ranks) EXPECT_EQ(BidRank(r.card), r.rank) << r.card;
  const struct {
    int bid, won, points;
  } cases[] = {{4, 6, -10}, {0, 2, -40}, {0, 0, 50}, {3, 3, 30}, {5, 1, -20}, {1, 1, 10}, {13, 0, -65}};
  for (const auto& c : cases) EXPECT_EQ(ExactaHandPoints(c.bid, c.won), c.points) << c.bid << "/" << c.won;
}

TEST(ExactaRulesTest, SuitsAreRatedByTheirTopCards) {
  const struct {
    std::vector<const char*> hand;
    int suit;
    int honours;
    int shape;
    int estimate;  // with the hand's shape points of all four suits
  } cases[] = {
      {{"AS"}, kSuitSpades, 4, 4, 1},
      {{"KS"}, kSuitSpades, 0, 4, 1},
      {{"AS", "KS"}, kSuitSpades, 8, 2, 2},
      {{"AS", "QS"}, kSuitSpades, 6, 2, 2},
      {{"KS", "QS"}, kSuitSpades, 4, 2, 2},
      {{"AS", "KS", "QS"}, kSuitSpades, 10, 0, 3},
      {{"AS", "KS", "JS"}, kSuitSpades, 9, 0, 2},
      {{"KS", "QS", "2S"}, kSuitSpades, 5, 0, 2},
      {{"QS", "JS", "2S"}, kSuitSpades, 2, 0, 1},
      {{"AS", "KS", "2S", "3S", "4S"}, kSuitSpades, 8, 0, 2},
      {{"AS", "2S", "3S", "4S", "5S", "6S"}, kSuitSpades, 4, 0, 6},
      {{"KS", "2S", "3S", "4S", "5S", "6S", "7S", "8S"}, kSuitSpades, 0, 0, 6},
      {{"2H"}, kSuitSpades, 0, 8, 0},
      // A balanced hand has no shape points: the long suit's own length counts.
      {{"AS", "KS", "QS", "2S", "2H", "3H", "4H", "2D", "3D", "4D", "2C", "3C", "4C"}, kSuitSpades, 8, 0, 4},
  };
  for (const auto& c : cases) {
    Table t(c.hand);
    std::int32_t shape = 0;
    for (int s = 0; s < 4; ++s) shape += ShapePoints(t.hand.CountSuit(s));
    EXPECT_EQ(RateSuit(t.hand, t.tricks, c.suit), c.honours) << c.hand.size() << " " << c.hand[0];
    EXPECT_EQ(ShapePoints(t.hand.CountSuit(c.suit)), c.shape) << c.hand[0];
    EXPECT_EQ(SuitTrickEstimate(t.hand, t.tricks, c.suit, shape), c.estimate) << c.hand.size() << " " << c.hand[0];
  }
}
