#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <memory>

#include "Exacta.h"
#include "GameTable.h"
#include "GameResources.h"

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

namespace {

// Seat 3 deals and the user bids first; each seat holds one suit: 0 spades, 1 hearts,
// 2 diamonds, 3 clubs.
class ExactaTest : public GameFixture<ExactaGame> {
 protected:
  ExactaTest() : GameFixture(OrderedDraws(2, 52)) {
    game.fastSpeed = true;
    game.allowZeroBid = true;
    game.highBidderLeads = false;
  }
  // Bids the cards from the seat left of the dealer on, as the seats would.
  void Bids(const std::vector<Card*>& cards) {
    for (std::size_t i = 0; i < cards.size(); ++i) {
      const std::uint32_t s = (game.dealer + 1 + i) % 4;
      game.seatList[s].bid.SetCard(*cards[i]);
      game.tableCards[s] = cards[i];
    }
  }
};

}  // namespace

TEST(ExactaRegistryTest, DefaultOptions) {
  DeleteFileA(OptionsPath("Exacta").c_str());
  MersenneRandom rng(7);
  ExactaGame g(nullptr, 0, rng);
  EXPECT_TRUE(g.allowZeroBid);
  EXPECT_FALSE(g.highBidderLeads);
  EXPECT_EQ(g.zeroCard.rank, kRankJoker);
}

TEST_F(ExactaTest, PaintsTheTrumpOnceTheBiddingIsOver) {
  Deal();
  ExpectPainted(false);
  Bids({Find("3S"), Find("KH"), Find("7D"), Find("2C")});
  Tick();
  ExpectPainted(true);
}

TEST_F(ExactaTest, TheUserBidsOnceByClickingACardTwice) {
  for (bool zero : {true, false}) {
    game.allowZeroBid = zero;
    Deal();
    SeatRecord& hand = game.seatList[0];
    ASSERT_EQ(game.GetState(), Bidding);
    EXPECT_EQ(Line(1), "It is your turn to bid.");
    EXPECT_EQ(hand.cards.size(), zero ? 14u : 13u);
    const bool holdsJoker = std::find(hand.cards.begin(), hand.cards.end(), &game.zeroCard) != hand.cards.end();
    EXPECT_EQ(holdsJoker, zero);
    EXPECT_TRUE(game.zeroCard.faceUp);  // shown as the joker
    ClickOn("7S");
    EXPECT_EQ(game.seatList[0].bid.kind, kNoBid);
    ClickOn("7S");
    EXPECT_EQ(hand.bid.kind, kCardBid);
    EXPECT_EQ(BidRank(hand.bid.card), 7);
    EXPECT_EQ(game.tableCards[0], Find("7S"));
    EXPECT_FALSE(Find("7S")->selected);
    EXPECT_EQ(hand.cards.size(), 13u);  // the bid card stays, the joker goes
    EXPECT_EQ(std::find(hand.cards.begin(), hand.cards.end(), &game.zeroCard), hand.cards.end());
    EXPECT_EQ(game.tricks.playedCount, 1u);
    EXPECT_TRUE(game.gameInProgress);
    // A second bid in the same round comes to nothing.
    ClickOn("AS");
    ClickOn("AS");
    EXPECT_EQ(BidRank(hand.bid.card), 7);
    EXPECT_EQ(game.tableCards[0], Find("7S"));
    EXPECT_EQ(game.tricks.playedCount, 1u);
  }
  // The joker bids nothing.
  game.allowZeroBid = true;
  Deal();
  ClickOn(game.seatList[0], &game.zeroCard);
  ClickOn(game.seatList[0], &game.zeroCard);
  EXPECT_EQ(game.tableCards[0], &game.zeroCard);
  EXPECT_EQ(BidRank(game.seatList[0].bid.card), 0);
  EXPECT_EQ(game.seatList[0].cards.size(), 13u);
}

TEST_F(ExactaTest, TheHighestBidCardFixesTrumpAndMayLead) {
  const struct {
    const char* what;
    std::vector<std::string> bids;  // from the dealer's left: seats 0, 1, 2, 3
    bool highLeads;
    int trump;
    std::uint32_t leader;
  } cases[] = {
      {"the highest card", {"3S", "KH", "7D", "2C"}, false, kSuitHearts, 0},
      {"an ace bids one", {"AS", "2H", "2D", "2C"}, true, kSuitHearts, 1},
      {"first of equals", {"3S", "5H", "5D", "2C"}, true, kSuitHearts, 1},
      {"the joker is lowest", {"JK", "2H", "3D", "2C"}, true, kSuitDiamonds, 2},
      {"all nothing: no trump", {"JK", "JK", "JK", "JK"}, true, kSuitNone, 0},
  };
  for (const auto& c : cases) {
    game.highBidderLeads = c.highLeads;
    Deal();
    std::vector<Card*> cards;
    for (const std::string& b : c.bids) cards.push_back(b == "JK" ? &game.zeroCard : Find(b));
    Bids(cards);
    Tick();
    ASSERT_EQ(game.GetState(), HoldA) << c.what;
    EXPECT_EQ(Line(1), "Bidding is over.");
    EXPECT_EQ(game.handOverCountdown, 50);
    EXPECT_EQ(game.tricks.trump, c.trump) << c.what;
    EXPECT_EQ(game.trumpBidCard != nullptr, true) << c.what;
    EXPECT_EQ(game.trumpCard, c.trump == kSuitNone ? nullptr : game.trumpBidCard) << c.what;
    EXPECT_EQ(game.current, c.leader) << c.what;
    TickWhile(HoldA);
    EXPECT_EQ(game.GetState(), Playing);
    for (Card* t : game.tableCards) EXPECT_EQ(t, nullptr);
  }
}


TEST_F(ExactaTest, ABidCardIsFoundForEveryShapeOfHand) {
  Deal();  // every seat holds one whole suit
  for (bool zero : {true, false}) {
    game.allowZeroBid = zero;
    for (std::uint32_t s = 0; s < 4; ++s) {
      Card* card = game.ChooseBidCard(s);
      ASSERT_NE(card, nullptr);
      const bool inHand = std::find(game.seatList[s].cards.begin(), game.seatList[s].cards.end(), card) !=
                          game.seatList[s].cards.end();
      EXPECT_TRUE(inHand || (zero && card == &game.zeroCard)) << s;
    }
  }
}

TEST(ExactaOptionsTest, TheOptionsFileHoldsTwoFlags) {
  ExpectOptionsFile<ExactaGame>(
      "Exacta", 0x201,
      [](ExactaGame& g) {
        g.highBidderLeads = true;
        g.allowZeroBid = false;
      },
      {0x01, 0x00}, [](const ExactaGame& g) { return g.highBidderLeads && !g.allowZeroBid; });
}

// Whole games: the user bids by clicking cards (the joker too), the highest bid card fixes
// trump, and every seat scores its bid exactly as the rules say.
TEST(ExactaSelfPlayTest, SeededGamesPlayToTheEnd) {
  PlaySeededGames<ExactaGame>(200, 8, [](ExactaGame& game, SelfPlayOptions& options, std::uint32_t seed) {
    game.allowZeroBid = seed % 2 == 1;
    game.highBidderLeads = seed % 4 < 2;
    options.tricksPerHand = 13;
    options.bidByClick = true;
    // The joker is set aside once the user has bid.
    options.places = [](const CardGame& g, std::vector<const Card*>& cards) {
      const auto& e = static_cast<const ExactaGame&>(g);
      if (e.GetState() == Bidding || e.GetState() == HoldA) cards.push_back(&e.zeroCard);
    };
    auto deltas = std::make_shared<ScoreDeltas>();
    options.onHandOver = [deltas, seed, &game](CardGame&) {
      ASSERT_NE(game.trumpBidCard, nullptr);
      int highest = 0;
      for (std::uint32_t s = 0; s < 4; ++s) highest = std::max(highest, BidRank(game.seatList[s].bid.card));
      EXPECT_EQ(BidRank(*game.trumpBidCard), highest) << "seed " << seed;
      EXPECT_EQ(game.tricks.trump, highest == 0 ? kSuitNone : game.trumpBidCard->suit) << "seed " << seed;
      const std::vector<std::int32_t> d = deltas->Take(game);
      for (std::uint32_t s = 0; s < 4; ++s)
        EXPECT_EQ(d[s], ExactaHandPoints(BidRank(game.seatList[s].bid.card), game.tricksWon[s])) << "seed " << seed;
    };
  });
}
