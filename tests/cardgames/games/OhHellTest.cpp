#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "GameTable.h"
#include "GameResources.h"
#include "OhHell.h"

namespace {

std::vector<std::string> Texts(const ChoiceList& list) { return list.choices; }

}  // namespace

TEST(OhHellRulesTest, OnlyExactBidsScore) {
  const struct {
    int bid, won;
    unsigned cards;
    int points;
  } cases[] = {
      {0, 0, 7, 12}, {3, 3, 7, 13}, {0, 0, 1, 6}, {1, 1, 1, 11}, {2, 1, 4, 0}, {0, 1, 4, 0}, {13, 13, 13, 23},
  };
  for (const auto& c : cases)
    EXPECT_EQ(OhHellHandPoints(c.bid, c.won, c.cards), c.points) << c.bid << "/" << c.won << " of " << c.cards;
}

TEST(OhHellRulesTest, TheLastBidderMayNotEvenTheTotal) {
  const struct {
    unsigned cards;
    bool allowTotalEqual;
    unsigned bidsMade;
    int sum;
    std::vector<std::string> offered;
  } cases[] = {
      {4, false, 3, 3, {"0", "2", "3", "4"}},        // bids 2, 1, 0: not 1
      {4, true, 3, 3, {"0", "1", "2", "3", "4"}},
      {4, false, 2, 3, {"0", "1", "2", "3", "4"}},   // not the last bidder
      {2, false, 3, 5, {"0", "1", "2"}},             // already over: nothing to forbid
      {1, false, 3, 0, {"0"}},
  };
  for (const auto& c : cases) {
    const ChoiceList list = OhHellBidChoices(c.cards, c.allowTotalEqual, c.bidsMade, c.sum);
    EXPECT_EQ(list.caption, "Please Select Your Bid");
    EXPECT_EQ(Texts(list), c.offered) << c.cards << " cards, sum " << c.sum;
    for (std::size_t i = 0; i < list.choices.size(); ++i) EXPECT_EQ(std::to_string(list.values[i]), list.choices[i]);
  }
  const struct {
    int bid, sum, total, expected;
  } moves[] = {{1, 3, 4, 0}, {0, 4, 4, 1}, {2, 1, 4, 2}, {3, 10, 13, 2}};
  for (const auto& m : moves) EXPECT_EQ(BidAvoidingTotal(m.bid, m.sum, m.total), m.expected) << m.bid;
}

TEST(OhHellRulesTest, AHandBidsNothingOnlyWhenItCanDuck) {
  const struct {
    std::vector<const char*> hand;
    int trump;
    unsigned handsPlayed;
    bool zero;
  } cases[] = {
      {{"2C"}, kSuitHearts, 0, true},                               // one low card, no trump held
      {{"AC"}, kSuitHearts, 0, false},                              // only high cards in a suit
      {{"2H"}, kSuitHearts, 0, false},                              // more trumps than (hp + 1) / 4
      {{"2H", "3C", "4C", "5D", "6D"}, kSuitHearts, 4, true},       // one low trump allowed at hand 5
      {{"QH", "3C", "4C", "5D", "6D"}, kSuitHearts, 4, false},      // a trump above ten
      {{"AC", "KD", "AS", "KH", "2C", "3D"}, kSuitNone, 5, false},  // four cards above the queen
      {{"10C", "JC", "2D", "3D"}, kSuitNone, 3, false},             // a jack with one lower card
      {{"7C", "8C", "JC", "7D", "8D", "QD"}, kSuitNone, 5, false},  // two doubtful suits
      {{"7C", "8C", "JC", "2D", "3D"}, kSuitNone, 4, true},         // one doubtful suit is tolerated
  };
  for (const auto& c : cases) {
    CardDeck deck;
    FillPack(deck, 2);
    CardStack hand;
    std::string name;
    for (const char* n : c.hand) {
      const auto rs = ParseCard(n);
      hand.AddCard(FindCard(deck, rs.first, rs.second));
      name += std::string(n) + " ";
    }
    EXPECT_EQ(CanBidZero(hand, c.trump, c.handsPlayed), c.zero) << name;
  }
}

namespace {

// Seat 3 deals, so the user bids and leads first.
class OhHellTest : public GameFixture<OhHellGame> {
 protected:
  OhHellTest() : GameFixture(OrderedDraws(2, 52)) {
    game.fastSpeed = true;
    game.allowTotalEqual = true;
    game.leaderIsHighBidder = false;
  }
  // A later hand of cards cards, dealt by the given seat.
  void DealHand(std::uint32_t cards, std::uint32_t dealer) {
    game.handsPlayed = cards - 1;
    game.cardsPerHand = cards;
    game.dealer = (dealer + 3) % 4;
    game.StartDeal(false, false, true);
  }
  void Bids(std::uint32_t from, const std::vector<int>& bids) {
    for (std::size_t i = 0; i < bids.size(); ++i) game.seatList[(from + i) % 4].bid.SetValue(bids[i]);
    game.tricks.playedCount = static_cast<std::uint32_t>(bids.size()) % 4;
  }
};

}  // namespace

TEST(OhHellRegistryTest, DefaultOptions) {
  DeleteFileA(OptionsPath("Oh Hell").c_str());
  MersenneRandom rng(7);
  OhHellGame g(nullptr, 0, rng);
  EXPECT_TRUE(g.allowTotalEqual);
  EXPECT_FALSE(g.leaderIsHighBidder);
}

TEST_F(OhHellTest, PaintsTheTrumpOnlyWhenThereIsOne) {
  Deal();
  ExpectPainted(true);
  DealHand(13, 1);
  ExpectPainted(false);
}

TEST_F(OhHellTest, HandsGrowByOneCardAndTheLastHasNoTrump) {
  Deal();
  EXPECT_EQ(game.GetState(), Bidding);
  EXPECT_EQ(Line(0), "Hand 1 of 13");
  EXPECT_EQ(Line(1), "It is your turn to bid.");
  ASSERT_NE(game.trumpCard, nullptr);
  EXPECT_TRUE(game.trumpCard->faceUp);
  EXPECT_EQ(game.tricks.trump, game.trumpCard->suit);
  for (std::uint32_t s = 0; s < 4; ++s) EXPECT_EQ(game.seatList[s].cards.size(), 1u);
  EXPECT_EQ(game.deck.stock.size(), 47u);  // four dealt, one turned up

  game.EndHand();
  EXPECT_EQ(game.cardsPerHand, 2u);
  DealHand(13, 1);
  EXPECT_EQ(Line(0), "Hand 13 of 13");
  EXPECT_EQ(game.trumpCard, nullptr);
  EXPECT_EQ(game.tricks.trump, kSuitNone);
  EXPECT_TRUE(game.deck.stock.empty());
  for (std::uint32_t s = 0; s < 4; ++s) EXPECT_EQ(game.seatList[s].cards.size(), 13u);
  EXPECT_EQ(Line(1), "It is Igor's turn to bid.");
}

TEST_F(OhHellTest, TheUserBidsOnceThroughTheBidDialog) {
  Deal();
  boxes.values = {1, 0};
  Tick();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, "choice");
  EXPECT_EQ(boxes.boxes[0].dialogId, IDD_OHHELL_BID);
  EXPECT_EQ(boxes.boxes[0].caption, "Please Select Your Bid");
  EXPECT_EQ(boxes.boxes[0].choices, (std::vector<std::string>{"0", "1"}));
  EXPECT_EQ(boxes.boxes[0].stateSeen, Paused);
  EXPECT_EQ(game.seatList[0].bid.kind, kNumberBid);
  EXPECT_EQ(game.seatList[0].bid.value, 1);
  EXPECT_EQ(game.tricks.playedCount, 1u);
  TickWhile(Bidding);
  EXPECT_EQ(boxes.boxes.size(), 1u);  // never asked twice
  EXPECT_EQ(game.seatList[0].bid.value, 1);
  ASSERT_EQ(game.GetState(), HoldA);
  EXPECT_EQ(Line(1), "Bidding is over.");
  EXPECT_EQ(game.tricks.playedCount, 0u);
  for (std::uint32_t s = 0; s < 4; ++s) EXPECT_EQ(game.seatList[s].bid.kind, kNumberBid);
  EXPECT_EQ(game.handOverCountdown, 20);
  TickWhile(HoldA);
  EXPECT_EQ(game.GetState(), Playing);
  EXPECT_EQ(game.current, 0u);
  EXPECT_EQ(Line(1), "It is your turn to lead a card.");
}

TEST_F(OhHellTest, TheLastBidderMayNotMakeTheBidsAddUp) {
  game.allowTotalEqual = false;
  DealHand(4, 0);  // seat 1 bids first, the user last
  Bids(1, {2, 1, 0});
  game.current = 0;
  boxes.values = {3};
  Tick();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].choices, (std::vector<std::string>{"0", "2", "3", "4"}));
  EXPECT_EQ(game.seatList[0].bid.value, 3);

  // A computer seat bidding last moves its estimate away from the total.
  for (int first : {0, 1, 2, 3}) {
    DealHand(4, 3);  // the user first, seat 3 last
    Bids(0, {first, 1, 3 - first > 0 ? 3 - first : 0});
    game.current = 3;
    game.ComputerBid(3);
    EXPECT_NE(game.SumOfBids(), 4) << first;
    EXPECT_EQ(game.tricks.playedCount, 0u);
  }
}

TEST_F(OhHellTest, TheFirstHighestBidderLeadsWhenTheOptionIsSet) {
  for (bool highLeads : {false, true}) {
    game.leaderIsHighBidder = highLeads;
    DealHand(4, 1);  // seat 2 bids first
    Bids(2, {1, 3, 3, 0});
    Tick();
    ASSERT_EQ(game.GetState(), HoldA);
    EXPECT_EQ(game.current, highLeads ? 3u : 2u);
  }
}


TEST(OhHellOptionsTest, TheOptionsFileHoldsTwoFlags) {
  ExpectOptionsFile<OhHellGame>(
      "Oh Hell", 0x8001,
      [](OhHellGame& g) {
        g.allowTotalEqual = false;
        g.leaderIsHighBidder = true;
      },
      {0x00, 0x01}, [](const OhHellGame& g) { return !g.allowTotalEqual && g.leaderIsHighBidder; });
}


// Whole games of 13 hands under every combination of the options: exact bids score,
// a missed bid nothing, and an uneven total is kept when the option asks for it.
TEST(OhHellSelfPlayTest, SeededGamesPlayToTheEnd) {
  PlaySeededGames<OhHellGame>(200, 13, [](OhHellGame& game, SelfPlayOptions& options, std::uint32_t seed) {
    game.allowTotalEqual = seed % 2 == 0;
    game.leaderIsHighBidder = seed % 4 < 2;
    options.places = [](const CardGame& g, std::vector<const Card*>& cards) {
      if (const Card* up = static_cast<const OhHellGame&>(g).trumpCard) cards.push_back(up);
    };
    options.allowBox = [](const ScriptedDialogs::Box& b) { return b.kind == "choice" && b.dialogId == IDD_OHHELL_BID; };
    auto deltas = std::make_shared<ScoreDeltas>();
    auto cards = std::make_shared<std::uint32_t>(1);
    options.onHandOver = [deltas, cards, seed, &game](CardGame&) {
      EXPECT_EQ(game.cardsPerHand, (*cards)++) << "seed " << seed;
      int tricks = 0;
      for (int t : game.tricksWon) tricks += t;
      EXPECT_EQ(tricks, static_cast<int>(game.cardsPerHand)) << "seed " << seed;
      if (!game.allowTotalEqual) {
        EXPECT_NE(game.SumOfBids(), static_cast<int>(game.cardsPerHand)) << "seed " << seed;
      }
      const std::vector<std::int32_t> d = deltas->Take(game);
      for (std::uint32_t s = 0; s < 4; ++s) {
        const std::int32_t bid = game.seatList[s].bid.value;
        EXPECT_TRUE(bid >= 0 && bid <= static_cast<int>(game.cardsPerHand)) << "seed " << seed;
        EXPECT_EQ(d[s], OhHellHandPoints(bid, game.tricksWon[s], game.cardsPerHand)) << "seed " << seed;
      }
    };
  });
}
