#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "GameTable.h"
#include "ScotchWhist.h"

namespace {

// Seat 3 deals; each seat is dealt one suit (0 spades, 1 hearts, 2 diamonds, 3 clubs) and
// the ace of clubs, the dealer's last card, makes clubs trump.
class ScotchWhistTest : public GameFixture<ScotchWhistGame> {
 protected:
  ScotchWhistTest() : GameFixture(OrderedDraws(2, 36)) {}
};

}  // namespace

TEST(ScotchWhistRulesTest, OnlyTrumpHonoursScore) {
  const struct {
    const char* card;
    int points;
  } cases[] = {{"JH", 11}, {"10H", 10}, {"AH", 4}, {"KH", 3}, {"QH", 2}, {"9H", 0}, {"6H", 0},
               {"JS", 0},  {"10D", 0},  {"AC", 0}};
  for (const auto& c : cases) {
    const auto rs = ParseCard(c.card);
    EXPECT_EQ(TrumpHonourPoints(Card(rs.first, rs.second), kSuitHearts), c.points) << c.card;
  }
}

TEST_F(ScotchWhistTest, PaintsTheTrumpAndTheTricksPanel) {
  Deal();
  ExpectPainted(true);
}

TEST_F(ScotchWhistTest, TheDealersLastCardIsTrumpAndStaysInHisHand) {
  Deal();
  EXPECT_EQ(game.dealer, 3u);
  ASSERT_EQ(game.trumpCard, Find("AC"));
  EXPECT_TRUE(game.trumpCard->faceUp);
  EXPECT_EQ(game.tricks.trump, kSuitClubs);
  const int suitOfSeat[4] = {kSuitSpades, kSuitHearts, kSuitDiamonds, kSuitClubs};
  for (std::uint32_t s = 0; s < 4; ++s) {
    ASSERT_EQ(game.seatList[s].cards.size(), 9u);
    EXPECT_EQ(game.seatList[s].CountSuit(suitOfSeat[s]), 9u);
  }
  EXPECT_EQ(game.statusLines, (std::vector<std::string>{"Hand 1 of 8", "It is your turn to lead a card.", "", "", ""}));
}

TEST_F(ScotchWhistTest, ATrickScoresOneAndTheTrumpHonoursInIt) {
  const struct {
    std::vector<std::string> trick;  // seats 0 to 3
    int winner;
    int points;
  } cases[] = {
      {{"7S", "JC", "10C", "8S"}, 1, 1 + 11 + 10},  // the jack and the ten of trumps
      {{"AS", "KS", "QS", "JS"}, 0, 1},             // honours of a plain suit score nothing
      {{"6S", "AC", "6C", "7S"}, 1, 1 + 4},         // the turned-up ace scores like any trump
      {{"9C", "QC", "KC", "7C"}, 2, 1 + 2 + 3},
  };
  for (const auto& c : cases) {
    Deal();
    SetHand(0, {c.trick[0], "6H"});
    SetHand(1, {c.trick[1], "7H"});
    SetHand(2, {c.trick[2], "8H"});
    SetHand(3, {c.trick[3], "9H"});
    game.current = 0;
    Play(c.trick);
    Tick();
    ASSERT_EQ(game.GetState(), HoldB) << c.trick[0];
    EXPECT_EQ(game.tricks.winningSeat, c.winner) << c.trick[0];
    for (int s = 0; s < 4; ++s) EXPECT_EQ(game.scores[s], s == c.winner ? c.points : 0) << c.trick[0];
    EXPECT_EQ(game.tricksWon[c.winner], 1);
    EXPECT_EQ(game.trickPoints, 0);
  }
}

// Whole games: every hand hands out 9 trick points and the 30 points of the trump honours.
TEST(ScotchWhistSelfPlayTest, SeededGamesPlayToTheEnd) {
  PlaySeededGames<ScotchWhistGame>(200, 8, [](ScotchWhistGame& game, SelfPlayOptions& options, std::uint32_t seed) {
    options.tricksPerHand = 9;
    auto deltas = std::make_shared<ScoreDeltas>();
    options.onHandOver = [deltas, seed, &game](CardGame&) {
      int total = 0;
      for (std::int32_t d : deltas->Take(game)) total += d;
      EXPECT_EQ(total, 9 + 30) << "seed " << seed;
    };
  });
}
