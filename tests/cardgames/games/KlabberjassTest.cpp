#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "GameRegistry.h"
#include "GameResources.h"
#include "Klabberjass.h"
#include "GameTable.h"

namespace {

class KlabberjassTest : public GameTable<KlabberjassGame> {
 protected:
  KlabberjassTest() : GameTable({1}) { game.SetSeatName("Zeke", 1); }
  // The user is to bid next in the first cycle, against the given bid of the computer.
  void UserBidsAgainst(std::int32_t computerBid) {
    Deal();
    game.SetCurrentSeat(0);
    game.computerDelay = 0;
    if (computerBid >= 0) game.seatList[1].bid.SetValue(computerBid);
  }
};

}  // namespace

TEST(KlabberjassRegistryTest, PackOrder) {
  MersenneRandom rng(7);
  KlabberjassGame g(nullptr, 0, rng);
  EXPECT_EQ(CardName(&g.deck.pack[4]), "10C");  // ace, ten, king, ... in every suit
}

TEST(KlabberjassRulesTest, BidTextsAndCardPoints) {
  const std::pair<int, const char*> texts[] = {{0, "Clubs"},          {1, "Diamonds"},       {2, "Hearts"},
                                               {3, "Spades"},         {4, "I Pass"},         {5, "Schmeiss"},
                                               {6, "I Take It"},      {7, "Accept Schmeiss"}, {8, "Deny Schmeiss"},
                                               {9, "Spades"},         {-1, "Spades"}};
  for (const auto& t : texts) EXPECT_EQ(KlabberjassBidText(t.first), t.second) << t.first;
  CardDeck deck;
  FillPack(deck, 2);
  const struct {
    const char* card;
    int plain, trump;
  } points[] = {{"9C", 0, 14}, {"10C", 10, 10}, {"JC", 2, 20}, {"QC", 3, 3},
                {"KC", 4, 4},  {"AC", 11, 11},  {"8C", 0, 0},  {"7C", 0, 0}};
  for (const auto& p : points) {
    const Card& c = *FaceCard(deck, p.card);
    EXPECT_EQ(KlabberjassCardPoints(c, kSuitHearts), p.plain) << p.card;
    EXPECT_EQ(KlabberjassCardPoints(c, kSuitClubs), p.trump) << p.card;
  }
}

TEST(KlabberjassRulesTest, TheBidsOfferedInEachCycle) {
  const struct {
    std::uint32_t cycle;
    bool schmeiss;
    std::vector<std::string> texts;
    std::vector<std::int32_t> values;
  } cases[] = {
      {0, false, {"I Pass", "I Take It", "Schmeiss"}, {4, 6, 5}},
      {0, true, {"I Accept Schmeiss", "I Deny Schmeiss"}, {7, 8}},
      {1, false, {"I Pass", "I Choose Clubs", "I Choose Diamonds", "I Choose Hearts", "I Choose Spades"}, {4, 0, 1, 2, 3}},
  };
  for (const auto& c : cases) {
    const ChoiceList list = KlabberjassGame::BidChoices(c.cycle, c.schmeiss);
    EXPECT_EQ(list.caption, "Please Select Your Bid");
    EXPECT_EQ(list.choices, c.texts);
    EXPECT_EQ(list.values, c.values);
  }
}

TEST(KlabberjassRulesTest, SequencesAndTrumpQuality) {
  CardDeck deck;
  FillPack(deck, 2);
  const struct {
    std::vector<std::string> hand;
    std::uint32_t length, end;
    std::int32_t suit;
  } runs[] = {
      {{"7C", "8C", "9C", "KD", "AS", "QH"}, 3, 10, kSuitClubs},
      {{"JH", "QH", "KH", "AH", "7C", "9C"}, 4, 15, kSuitHearts},          // to the ace
      {{"7C", "8C", "9C", "JD", "QD", "KD"}, 3, 14, kSuitDiamonds},        // equal length: the higher
      {{"7C", "9C", "JD", "KD", "AS", "QH"}, 1, 15, kSuitSpades},
      {{"10S", "JS", "QS", "KS", "AS", "7S"}, 5, 15, kSuitSpades},
  };
  for (const auto& r : runs) {
    const KlabberjassGame::Run run = KlabberjassGame::BestRun(HandOf(deck, r.hand));
    EXPECT_EQ(run.length, r.length) << r.hand[0];
    EXPECT_EQ(run.end, r.end) << r.hand[0];
    EXPECT_EQ(run.suit, r.suit) << r.hand[0];
  }
  const struct {
    std::vector<std::string> hand;
    std::int32_t suit;
    bool good;
  } quality[] = {
      {{"JC", "9C", "7H"}, kSuitClubs, true},           // 9
      {{"JC", "KC", "7H"}, kSuitClubs, false},          // 6
      {{"7C", "8C", "QC", "KC"}, kSuitClubs, true},     // four cards
      {{"AC", "10C", "KC"}, kSuitClubs, false},         // 6
      {{"AC", "10C", "KC", "9C"}, kSuitClubs, true},
      {{"JC", "9C"}, kSuitHearts, false},
  };
  for (const auto& q : quality)
    EXPECT_EQ(KlabberjassGame::TrumpQuality(HandOf(deck, q.hand), q.suit), q.good) << q.hand[0];
}

TEST_F(KlabberjassTest, TrumpMustBeFollowedAndRaised) {
  Deal();
  game.trumpSuit = kSuitHearts;
  game.tricks.SetTrump(kSuitHearts);
  const struct {
    const char* led;
    std::vector<std::string> hand;
    const char* card;
    bool legal;
  } cases[] = {
      {"9H", {"JH", "7H", "AC"}, "JH", true},    // jack over nine in trump
      {"9H", {"JH", "7H", "AC"}, "7H", false},   // a lower trump while a higher is held
      {"9H", {"8H", "7H", "AC"}, "7H", true},    // nothing higher held
      {"9H", {"8H", "7H", "AC"}, "AC", false},   // trumps must follow trumps
      {"9H", {"AC", "KD"}, "KD", true},
      {"KC", {"AC", "7H", "8D"}, "7H", false},   // the suit led must be followed
      {"KC", {"AC", "7H", "8D"}, "AC", true},
      {"KC", {"7H", "8D"}, "8D", false},         // void: a trump is due
      {"KC", {"7H", "8D"}, "7H", true},
      {"KC", {"9D", "8D"}, "9D", true},
      {"KC", {"8D"}, "8D", true},
  };
  for (const auto& c : cases) {
    SetHand(0, c.hand);
    SetHand(1, {c.led});
    game.tricks.NewTrick();
    game.tricks.Play(Find(c.led), 1);
    EXPECT_EQ(game.IsLegalKlabberjass(Find(c.card), game.seatList[0]), c.legal) << c.led << " " << c.card;
  }
}

TEST_F(KlabberjassTest, TheMakerNeedsMorePointsThanTheOpponent) {
  const struct {
    std::uint32_t maker;
    std::int32_t makerPoints, otherPoints;
    std::int32_t makerScore, otherScore;
    bool bete;
  } cases[] = {
      {0, 90, 62, 90, 62, false},
      {1, 81, 81, 0, 81, false},   // equal: only the opponent scores
      {0, 50, 102, 0, 152, true},  // bete: the opponent takes both
      {1, 40, 112, 0, 152, true},
  };
  for (const auto& c : cases) {
    game.maker = c.maker;
    game.handPoints[c.maker] = c.makerPoints;
    game.handPoints[1 - c.maker] = c.otherPoints;
    game.scores[0] = game.scores[1] = 0;
    boxes.boxes.clear();
    game.ScoreHandPoints();
    EXPECT_EQ(game.scores[c.maker], c.makerScore);
    EXPECT_EQ(game.scores[1 - c.maker], c.otherScore);
    ASSERT_EQ(boxes.boxes.size(), c.bete ? 1u : 0u);
    if (c.bete) {
      EXPECT_EQ(boxes.boxes[0].text, game.seatList[c.maker].name + " is 'bete'.");
    }
  }
}

TEST_F(KlabberjassTest, AnAcceptedSchmeissThrowsTheHandIn) {
  UserBidsAgainst(kKlabSchmeiss);
  boxes.values = {kKlabAccept};
  Tick();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].values, (std::vector<std::int32_t>{7, 8}));
  EXPECT_EQ(game.bidTexts[0], "Accept Schmeiss");
  Tick();
  EXPECT_EQ(game.GetState(), HoldA);
  EXPECT_EQ(game.biddingCycle, 2u);
  EXPECT_EQ(game.maker, 2u);
  TickWhile(HoldA, 30);
  EXPECT_EQ(game.handsPlayed, 1u);
  EXPECT_EQ(game.scores[0] + game.scores[1], 0);
  EXPECT_EQ(game.GetState(), Bidding);  // the next hand
}

TEST_F(KlabberjassTest, ADeniedSchmeissMakesItsCallerTheMaker) {
  UserBidsAgainst(kKlabSchmeiss);
  const std::int32_t upSuit = game.turnUp->faceSuit;
  boxes.values = {kKlabDeny};
  Tick(2);
  EXPECT_EQ(game.maker, 1u);
  EXPECT_EQ(game.trumpSuit, upSuit);
  EXPECT_EQ(game.statusLines[1], "Maker: Zeke");
  EXPECT_EQ(game.statusLines[2], "Trump: " + SuitName(upSuit));
  EXPECT_EQ(game.seatList[0].cards.size(), 9u);
  EXPECT_EQ(game.seatList[1].cards.size(), 9u);
  ASSERT_NE(game.shownCard, nullptr);
  EXPECT_EQ(game.deck.stock.size(), 12u);
  TickWhile(HoldA, 30);
  EXPECT_EQ(game.GetState(), Playing);
  // The trump order: jack, nine, ace, ten, king, queen.
  EXPECT_EQ(Find("J" + std::string(1, "CDHS"[upSuit]))->rank, 14);
  EXPECT_EQ(Find("9" + std::string(1, "CDHS"[upSuit]))->rank, 13);
  EXPECT_EQ(Find(upSuit == kSuitClubs ? "10D" : "10C")->rank, 13);
  EXPECT_EQ(Find(upSuit == kSuitClubs ? "JD" : "JC")->rank, 10);
}

TEST_F(KlabberjassTest, TheComputerRecordsTheBidThatMadeTrump) {
  Deal();
  game.SetCurrentSeat(1);
  const std::int32_t upSuit = game.turnUp->faceSuit;
  const char suit = "CDHS"[upSuit];
  std::vector<std::string> strong = {"J", "9", "A", "10", "K", "Q"};
  for (std::string& s : strong) s += suit;
  SetHand(1, strong);
  game.EvaluateHand(1, false);
  game.ComputerBid(1);
  EXPECT_EQ(game.maker, 1u);
  EXPECT_EQ(game.seatList[1].bid.value, kKlabTakeIt);
  EXPECT_EQ(game.bidTexts[1], "I Take It");
}

TEST_F(KlabberjassTest, TheDixIsExchangedForTheTurnUpAndBellaCountsOnce) {
  UserBidsAgainst(-1);
  const std::int32_t upSuit = game.turnUp->faceSuit;
  const std::string s(1, "CDHS"[upSuit]);
  Card* up = game.turnUp;
  std::vector<std::string> mine = {"7" + s, "K" + s, "Q" + s};
  SetHand(0, mine);
  boxes.values = {kKlabTakeIt};
  boxes.answers = {true};
  Tick();
  EXPECT_EQ(game.maker, 0u);
  TickWhile(HoldA, 30);
  ASSERT_GE(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].kind, "yesno");
  EXPECT_EQ(boxes.boxes[1].text, "Do you want to exchange the dix?");
  EXPECT_EQ(game.turnUp, Find("7" + s));
  auto& hand = game.seatList[0].cards;
  EXPECT_NE(std::find(hand.begin(), hand.end(), up), hand.end());
  EXPECT_EQ(std::find(hand.begin(), hand.end(), Find("7" + s)), hand.end());

  const std::size_t before = boxes.boxes.size();
  const std::int32_t points = game.handPoints[0];
  game.PlayCard(0, Find("K" + s));
  EXPECT_EQ(boxes.boxes.size(), before);
  game.PlayCard(0, Find("Q" + s));
  ASSERT_EQ(boxes.boxes.size(), before + 1);
  EXPECT_EQ(boxes.boxes.back().text, "Card Shark scored BELLA");
  EXPECT_EQ(game.handPoints[0], points + 20);
  EXPECT_EQ(game.trickPoints, 7);
}

TEST_F(KlabberjassTest, OnlyTheSequenceWinnerScoresItsRuns) {
  Deal();
  game.trumpSuit = kSuitHearts;
  SetHand(0, {"7C", "8C", "9C", "JD", "QD", "KD", "AD", "7S", "9S"});
  SetHand(1, {"10H", "JH", "QH", "7D", "9D", "8S", "AS", "KC", "AC"});
  boxes.boxes.clear();
  EXPECT_EQ(game.CompareRuns(), 0u);
  EXPECT_EQ(game.handPoints[0], 70);
  EXPECT_EQ(game.handPoints[1], 0);
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].text, "Card Shark has 3 cards to the Nine in Clubs");
  EXPECT_EQ(boxes.boxes[1].text, "Card Shark has 4 cards to the Ace in Diamonds");
}

// Whole games against the computer, the user bidding and playing legal cards at random.
TEST(KlabberjassSelfPlayTest, SeededGamesPlayToTheEnd) {
  int played = 0, tricks = 0;
  std::int32_t before[2] = {0, 0};
  const auto setUp = [&](KlabberjassGame& game, SelfPlayOptions& options, std::uint32_t seed) {
    game.SetSeatName("Zeke", 1);
    options.clickThroughHolds = seed % 2 == 0;
    options.doubleClickPlays = seed % 3 == 0;
    options.places = [](const CardGame& g, std::vector<const Card*>& cards) {
      const auto& k = static_cast<const KlabberjassGame&>(g);
      if (k.turnUp) cards.push_back(k.turnUp);
      if (k.shownCard) cards.push_back(k.shownCard);
    };
    options.allowBox = [](const ScriptedDialogs::Box& b) {
      return b.kind == "choice" || (b.kind == "info" && b.caption == "Klabberjass") ||
             (b.kind == "yesno" && b.text == "Do you want to exchange the dix?");
    };
    options.humanToMove = [](const CardGame& g) {
      return g.GetState() == Playing && g.current == g.humanSeat && !g.seatList[g.humanSeat].playedCard &&
             !g.seatList[g.humanSeat].cards.empty();
    };
    options.humanMove = [](SelfPlay& p) {
      auto& k = static_cast<KlabberjassGame&>(p.Game());
      SeatRecord& hand = k.seatList[k.humanSeat];
      std::vector<Card*> legal;
      for (Card* c : hand.cards)
        if (k.IsLegalKlabberjass(c, hand)) legal.push_back(c);
      if (legal.empty()) return false;
      Card* pick = legal[p.Random(static_cast<std::uint32_t>(legal.size()))];
      p.ClickToPlay(hand, pick);
      if (!hand.playedCard) p.Fault("two clicks on a legal card did not play it");
      return true;
    };
    before[0] = before[1] = 0;
    options.onHandOver = [&](CardGame& g) {
      auto& k = static_cast<KlabberjassGame&>(g);
      ++played;
      EXPECT_EQ(k.tricksWon[0] + k.tricksWon[1], 9);
      EXPECT_LT(k.maker, 2u);
      const std::int32_t gained = k.scores[0] - before[0] + k.scores[1] - before[1];
      const std::int32_t all = k.handPoints[0] + k.handPoints[1];
      const std::uint32_t o = 1 - k.maker;
      EXPECT_EQ(gained, k.handPoints[k.maker] == k.handPoints[o] ? k.handPoints[o] : all);
      EXPECT_GE(all, 10);
      before[0] = k.scores[0];
      before[1] = k.scores[1];
    };
  };
  PlaySeeds<KlabberjassGame>(200, setUp, [&](KlabberjassGame&, const SelfPlayResult& r, std::uint32_t seed) {
    EXPECT_TRUE(r.finished) << "seed " << seed;
    EXPECT_EQ(r.hands, 12) << "seed " << seed;
    tricks += r.tricks;
  });
  // Most hands are played out, not passed or thrown in.
  EXPECT_GT(played, 200 * 6);
  EXPECT_LT(played, 200 * 12);
  EXPECT_EQ(tricks, played * 9);
}
