#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "GameTable.h"
#include "Knaves.h"

namespace {

// Seat 2 deals, so the user leads; the ace of clubs is left over for trump.
class KnavesTest : public GameFixture<KnavesGame> {
 protected:
  KnavesTest() : GameFixture(OrderedDraws(1, 52)) {}
};

// The same deal with the jack of clubs swapped to the front of the pack: it is turned up.
class KnavesJackTurnedTest : public GameFixture<KnavesGame> {
 protected:
  KnavesJackTurnedTest() : GameFixture(Draws()) {}
  static std::vector<std::uint32_t> Draws() {
    std::vector<std::uint32_t> v = OrderedDraws(1, 52);
    v[12] = 0;  // the jack of clubs, 13th in the pack, swaps with the first card
    return v;
  }
};

}  // namespace

TEST(KnavesRulesTest, KnavesCostTheirTakerAndGuardCardsFollowTheJacks) {
  const struct {
    const char* card;
    int penalty;
    bool guardWithJackIn;
    bool guardWithJackOut;  // its suit's jack out of play
  } cases[] = {
      {"JC", 1, true, true}, {"JD", 3, true, true}, {"JH", 4, true, true}, {"JS", 2, true, true},
      {"AH", 0, true, false}, {"KS", 0, true, false}, {"QD", 0, true, false}, {"10C", 0, false, false},
      {"2H", 0, false, false},
  };
  for (const auto& c : cases) {
    const auto rs = ParseCard(c.card);
    const Card card(rs.first, rs.second);
    EXPECT_EQ(KnavePenalty(card), c.penalty) << c.card;
    std::int32_t holders[5] = {0, 1, 2, 1, 3};
    EXPECT_EQ(IsGuardCard(card, holders, 3), c.guardWithJackIn) << c.card;
    holders[card.suit] = 3;
    EXPECT_EQ(IsGuardCard(card, holders, 3), c.guardWithJackOut) << c.card;
  }
}

TEST_F(KnavesTest, PaintsTheTrumpAndTheTricksPanel) {
  Deal();
  ExpectPainted(true);
}

TEST_F(KnavesTest, DealLeavesOneCardForTrumpAndRecordsTheJacks) {
  Deal();
  EXPECT_EQ(game.dealer, 2u);
  EXPECT_EQ(game.current, 0u);
  ASSERT_EQ(game.trumpCard, Find("AC"));
  EXPECT_TRUE(game.trumpCard->faceUp);
  EXPECT_EQ(game.tricks.trump, kSuitClubs);
  EXPECT_TRUE(game.deck.stock.empty());
  for (std::uint32_t s = 0; s < 3; ++s) {
    EXPECT_EQ(game.seatList[s].cards.size(), 17u);
    for (const Card* c : game.seatList[s].cards) {
      EXPECT_NE(c, game.trumpCard);
      EXPECT_EQ(c->faceUp, s == 0);
      if (c->rank == 11) {
        EXPECT_EQ(game.jackHolder[c->suit], static_cast<std::int32_t>(s)) << CardName(c);
      }
    }
  }
  for (int suit = 0; suit < 5; ++suit) EXPECT_EQ(game.leadSafe[suit], 1);
  EXPECT_EQ(game.jackHolder[4], 3);
  EXPECT_EQ(Line(0), "Hand 1 of 8");
  EXPECT_EQ(Line(1), "It is your turn to lead a card.");
}

TEST_F(KnavesJackTurnedTest, ATurnedUpJackMeansNoTrump) {
  Deal();
  ASSERT_EQ(game.trumpCard, Find("JC"));
  EXPECT_EQ(game.tricks.trump, kSuitNone);
  EXPECT_EQ(game.jackHolder[kSuitClubs], 3);  // out of play for the whole hand
  EXPECT_FALSE(IsGuardCard(*Find("AC"), game.jackHolder, 3));
  EXPECT_TRUE(IsGuardCard(*Find("AD"), game.jackHolder, 3));
}

TEST_F(KnavesTest, TricksScoreAPointLessTheirKnaves) {
  const struct {
    std::vector<std::string> hands[3];
    std::vector<std::string> trick;  // from seat 0
    int winner;
    int points;
    bool heartsStillSafe;
  } cases[] = {
      {{{"5H", "2C"}, {"JH", "3C"}, {"JC", "3D"}}, {"5H", "JH", "JC"}, 1, 1 - 4 - 1, false},
      {{{"5H", "2C"}, {"9H", "3C"}, {"KH", "AH"}}, {"5H", "9H", "KH"}, 2, 1, true},
      {{{"JS", "2C"}, {"2S", "3C"}, {"JD", "AH"}}, {"JS", "2S", "JD"}, 0, 1 - 2 - 3, true},
  };
  for (const auto& c : cases) {
    Deal();
    for (std::uint32_t s = 0; s < 3; ++s) SetHand(s, c.hands[s]);
    game.tricks.SetTrump(kSuitSpades);
    game.current = 0;
    game.PlayCard(0, Find(c.trick[0]));
    EXPECT_EQ(game.tricks.playedCount, 2u);  // the followers count as third and fourth hands
    game.current = 1;
    game.PlayCard(1, Find(c.trick[1]));
    game.current = 2;
    game.PlayCard(2, Find(c.trick[2]));
    Tick();
    ASSERT_EQ(game.GetState(), HoldB);
    EXPECT_EQ(game.tricks.winningSeat, c.winner);
    EXPECT_EQ(game.scores[c.winner], c.points);
    EXPECT_EQ(game.tricksWon[c.winner], 1);
    EXPECT_EQ(game.trickPenalty, 0);
    EXPECT_EQ(game.leadSafe[kSuitHearts] != 0, c.heartsStillSafe);
    for (const std::string& card : c.trick)
      if (card[0] == 'J') {
        EXPECT_EQ(game.jackHolder[Find(card)->suit], 3) << card;
      }
    EXPECT_EQ(Line(1), "This trick is over.");
  }
}

TEST_F(KnavesTest, ComputerPlayersKeepClearOfKnaves) {
  const struct {
    const char* what;
    std::vector<std::string> hand;  // seat 1 or 2's hand
    std::vector<std::string> before;  // played from seat 0 on
    std::string expected;
  } cases[] = {
      // Second hand, void in the led suit: the dearest knave that does not win goes.
      {"dumps a knave", {"JC", "JD", "2S"}, {"5H"}, "JD"},
      // Second hand, jack of the led suit still out: a guard card is kept back, the higher
      // of the others goes.
      {"keeps its guards", {"AH", "9H", "4H"}, {"5H"}, "9H"},
      // Last hand with a knave in the trick: it ducks with the dearest losing card.
      {"ducks a knave", {"JH", "AH", "2H"}, {"5H", "JS"}, "2H"},
      // Last hand, no knave in the trick: the cheapest winner that carries no penalty.
      {"takes a clean trick", {"QH", "KH", "2S"}, {"5H", "9H"}, "QH"},
  };
  for (const auto& c : cases) {
    Deal();
    const std::uint32_t seat = static_cast<std::uint32_t>(c.before.size());
    SetHand(0, {"5H", "10H", "JS", "3D"});
    SetHand(seat, c.hand);
    if (seat == 2) SetHand(1, {"JS", "9H", "4S"});
    game.tricks.SetTrump(kSuitClubs);
    game.jackHolder[kSuitHearts] = 0;  // someone else holds the jack of hearts
    game.current = 0;
    Play(c.before);
    EXPECT_EQ(game.current, seat);
    EXPECT_EQ(Chosen(), c.expected) << c.what;
  }
}

TEST_F(KnavesTest, LeadsPreferSafeSuitsAndLowGuards) {
  Deal();
  SetHand(1, {"AH", "KH", "9D", "4D"});
  game.tricks.SetTrump(kSuitClubs);
  game.jackHolder[kSuitHearts] = 2;
  game.jackHolder[kSuitDiamonds] = 0;
  game.current = 1;
  EXPECT_EQ(Chosen(), "9D");  // the highest card that guards nothing
  game.leadSafe[kSuitDiamonds] = 0;
  EXPECT_EQ(Chosen(), "KH");  // a safe suit first, and the lower of its guards
}

// Whole games: each hand hands out 17 trick points less the knaves that were in play.
TEST(KnavesSelfPlayTest, SeededGamesPlayToTheEnd) {
  PlaySeededGames<KnavesGame>(200, 8, [](KnavesGame& game, SelfPlayOptions& options, std::uint32_t seed) {
    options.tricksPerHand = 17;
    options.places = [](const CardGame& g, std::vector<const Card*>& cards) {
      cards.push_back(static_cast<const KnavesGame&>(g).trumpCard);
    };
    auto deltas = std::make_shared<ScoreDeltas>();
    options.onHandOver = [deltas, seed, &game](CardGame&) {
      int total = 0;
      for (std::int32_t d : deltas->Take(game)) total += d;
      EXPECT_EQ(total, 17 - 10 + KnavePenalty(*game.trumpCard)) << "seed " << seed;
    };
  });
}
