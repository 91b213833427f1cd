#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "GameTable.h"
#include "GermanWhist.h"

namespace {

// Seat 1 deals, so the user leads; the ace of clubs, first in the pack, is the stock's
// bottom card and makes clubs trump.
class GermanWhistTest : public GameFixture<GermanWhistGame> {
 protected:
  GermanWhistTest() : GameFixture(OrderedDraws(0, 52)) {}
};

}  // namespace

TEST(GermanWhistRegistryTest, NoTargetSuitBeforeTheDeal) {
  MersenneRandom rng(7);
  GermanWhistGame g(nullptr, 0, rng);
  EXPECT_EQ(g.targetSuit, kSuitNone);
}

TEST_F(GermanWhistTest, PaintsTheStockUntilItIsEmpty) {
  Deal();
  ExpectPainted(true);
  game.deck.stock.clear();
  ExpectPainted(false);
}

TEST_F(GermanWhistTest, TheStocksBottomCardIsTurnedUpForTrump) {
  Deal();
  EXPECT_EQ(game.dealer, 1u);
  EXPECT_EQ(game.current, 0u);
  ASSERT_EQ(game.turnUp, Find("AC"));
  EXPECT_EQ(game.deck.BottomCard(), game.turnUp);
  EXPECT_TRUE(game.turnUp->faceUp);
  EXPECT_EQ(game.tricks.trump, kSuitClubs);
  EXPECT_EQ(game.deck.stock.size(), 26u);
  for (std::uint32_t s = 0; s < 2; ++s) EXPECT_EQ(game.seatList[s].cards.size(), 13u);
  EXPECT_EQ(game.statusLines,
            (std::vector<std::string>{"Hand 1 of 8", "It is your turn to lead a card.", "26 cards in the deck", "", ""}));
}

TEST_F(GermanWhistTest, EachPlayerDrawsOneCardAfterATrickTheWinnerFirst) {
  Deal();
  SetHand(0, {"5H", "3S"});
  SetHand(1, {"8H", "2C"});
  Card* top = game.deck.stock.back();
  Card* next = game.deck.stock[game.deck.stock.size() - 2];
  game.current = 0;
  ClickOn("5H");
  ClickOn("5H");
  EXPECT_EQ(game.seatList[0].playedCard, Find("5H"));
  EXPECT_EQ(Line(1), "It is your turn to lead a card.");  // no lead line in this game
  TickWhile(Playing);
  ASSERT_EQ(game.GetState(), HoldB);
  EXPECT_EQ(game.tricks.winningSeat, 1);
  EXPECT_EQ(game.tricksWon[1], 0);  // the first half counts nothing
  EXPECT_EQ(Line(1), "This trick is over.");
  EXPECT_EQ(Line(2), "26 cards in the deck");
  TickWhile(HoldB);
  EXPECT_EQ(game.deck.stock.size(), 24u);
  EXPECT_EQ(game.seatList[1].cards.back(), top);  // the computer's card goes on the end, unsorted
  EXPECT_NE(std::find(game.seatList[0].cards.begin(), game.seatList[0].cards.end(), next), game.seatList[0].cards.end());
  EXPECT_TRUE(next->faceUp);
  EXPECT_EQ(Line(2), "24 cards in the deck");
  EXPECT_EQ(game.current, 1u);
  EXPECT_EQ(Line(1), "It is Betty's turn to lead a card.");
}


// Whole games: 26 tricks a hand, the first 13 draw the stock, the last 13 score.
TEST(GermanWhistSelfPlayTest, SeededGamesPlayToTheEnd) {
  PlaySeededGames<GermanWhistGame>(200, 8, [](GermanWhistGame& game, SelfPlayOptions& options, std::uint32_t seed) {
    options.tricksPerHand = 26;
    auto deltas = std::make_shared<ScoreDeltas>();
    options.onHandOver = [deltas, seed, &game](CardGame&) {
      EXPECT_EQ(game.tricksWon[0] + game.tricksWon[1], 13) << "seed " << seed;
      EXPECT_TRUE(game.deck.stock.empty());
      const std::vector<std::int32_t> d = deltas->Take(game);
      const int diff = game.tricksWon[0] - game.tricksWon[1];
      EXPECT_EQ(d[0], diff > 0 ? diff : 0) << "seed " << seed;
      EXPECT_EQ(d[1], diff < 0 ? -diff : 0) << "seed " << seed;
    };
  });
}
