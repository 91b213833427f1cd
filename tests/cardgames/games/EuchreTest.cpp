#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Euchre.h"
#include "GameRegistry.h"
#include "GameResources.h"
#include "TestTool.h"
#include "GameTable.h"

namespace {

class EuchreTest : public GameTable<EuchreGame> {
 protected:
  EuchreTest() : GameTable({2}) { game.optionDefendAlone = game.optionGoAlone = true; }
  // As at the table, and a turn-up dealt into the hand is no longer the turn-up.
  void SetHand(std::uint32_t seat, const std::vector<std::string>& cards) {
    GameTable::SetHand(seat, cards);
    for (const std::string& text : cards)
      if (game.turnUp == Find(text)) game.turnUp = nullptr;
  }
  // The turn-up is this card, back from wherever it was.
  void SetTurnUp(const std::string& text) {
    Card* c = Find(text);
    for (SeatRecord& s : game.seatList) s.RemoveCard(c);
    game.turnUp = c;
    c->faceUp = true;
  }
  // Four hands nobody calls on: sevens to tens of mixed suits and one high card of the turn-up's colour out.
  void WeakHands() {
    SetHand(0, {"7C", "8D", "9H", "10S", "7S"});
    SetHand(1, {"8C", "9D", "10H", "7D", "8S"});
    SetHand(2, {"9C", "10D", "7H", "8H", "9S"});
    SetHand(3, {"10C", "QD", "QH", "QS", "QC"});
    SetTurnUp("KH");
  }
};

}  // namespace

TEST(EuchreRulesTest, HandScores) {
  const struct {
    std::uint32_t tricks;
    bool makerAlone, defenderAlone;
    std::int32_t makers, defenders;
  } cases[] = {
      {5, false, false, 2, 0}, {5, true, false, 4, 0}, {5, true, true, 4, 0}, {4, true, false, 1, 0},
      {3, false, false, 1, 0}, {2, false, false, 0, 2}, {0, true, true, 0, 4}, {1, true, false, 0, 2},
  };
  for (const auto& c : cases) {
    const EuchreHandScore s = ScoreEuchreHand(c.tricks, c.makerAlone, c.defenderAlone);
    EXPECT_EQ(s.makers, c.makers) << c.tricks << c.makerAlone << c.defenderAlone;
    EXPECT_EQ(s.defenders, c.defenders) << c.tricks << c.makerAlone << c.defenderAlone;
  }
  const std::pair<int, int> colours[] = {{kSuitClubs, kSuitSpades}, {kSuitDiamonds, kSuitHearts},
                                         {kSuitHearts, kSuitDiamonds}, {kSuitSpades, kSuitClubs}};
  for (const auto& c : colours) EXPECT_EQ(SameColourSuit(c.first), c.second);
}

TEST_F(EuchreTest, BidStrengthAndPlayingAlone) {
  Deal();
  const struct {
    std::vector<std::string> hand;
    std::int32_t suit;
    bool call;
  } calls[] = {
      {{"JH", "JD", "7C", "8C", "9S"}, kSuitHearts, true},    // two trumps worth 166
      {{"9H", "8H", "AC", "KS", "7C"}, kSuitHearts, false},   // two low trumps, side 167
      {{"9H", "8H", "AC", "AS", "7D"}, kSuitHearts, true},    // a low diamond counts double: 202
      {{"9H", "8H", "AC", "AS", "KD"}, kSuitHearts, true},    // side 266
      {{"7H", "8H", "JD", "7C", "8C"}, kSuitHearts, true},    // three trumps with the left jack
      {{"7H", "8H", "9H", "7C", "8C"}, kSuitHearts, false},   // three small trumps
      {{"7H", "8H", "9H", "10H", "7C"}, kSuitHearts, true},   // four trumps
      {{"JH", "7C", "8C", "9S", "10S"}, kSuitHearts, false},  // one trump
  };
  for (const auto& c : calls) {
    SetHand(1, c.hand);
    EXPECT_EQ(game.ShouldCall(1, c.suit), c.call) << c.hand[0] << c.hand[1];
  }
  const struct {
    std::vector<std::string> hand;
    bool alone;
  } alone[] = {
      {{"JH", "JD", "AH", "AC", "7S"}, true},    // 199 in trump, side 100
      {{"JH", "JD", "7H", "KC", "7S"}, false},   // side only 66
      {{"7H", "8H", "AC", "AS", "KD"}, true},    // two trumps, side 266
      {{"JH", "AH", "KH", "QH", "7S"}, true},
      {{"JH", "7C", "AS", "AC", "AD"}, false},
  };
  game.trumpSuit = kSuitHearts;
  for (const auto& a : alone) {
    SetHand(2, a.hand);
    EXPECT_EQ(game.ShouldGoAlone(2), a.alone) << a.hand[0] << a.hand[1] << a.hand[2];
  }
}

TEST_F(EuchreTest, TheBidsOfferedAndTheirTexts) {
  Deal();  // seat 3 deals
  ASSERT_EQ(game.dealer, 3u);
  EXPECT_EQ(game.BidChoices().choices, (std::vector<std::string>{"I Pass", "I Order It Up"}));
  game.dealer = 2;
  EXPECT_EQ(game.BidChoices().choices, (std::vector<std::string>{"I Pass", "I Assist"}));
  game.dealer = 0;
  EXPECT_EQ(game.BidChoices().choices, (std::vector<std::string>{"I Pass", "I Take It Up"}));
  EXPECT_EQ(game.BidChoices().values, (std::vector<std::int32_t>{0, 1}));
  EXPECT_EQ(game.BidChoices().caption, "Please Select Your Bid");
  EXPECT_EQ(game.BidText(0, 1), "I Take It");
  EXPECT_EQ(game.BidText(2, 1), "I Assist");
  EXPECT_EQ(game.BidText(1, 1), "I Order It");
  EXPECT_EQ(game.BidText(1, 0), "I Pass");
  game.makerAlone = true;
  EXPECT_EQ(game.BidText(0, 1), "Take Alone");
  EXPECT_EQ(game.BidText(3, 1), "Order It Alone");
  game.biddingPhase = 3;
  game.turnUp = nullptr;
  game.trumpSuit = kSuitSpades;
  EXPECT_EQ(game.BidText(3, 4), "Spades Alone");
  game.makerAlone = false;
  EXPECT_EQ(game.BidText(3, 4), "Spades");
  EXPECT_EQ(game.BidChoices().choices, (std::vector<std::string>{"I Pass", "Clubs", "Diamonds", "Hearts", "Spades"}));
  EXPECT_EQ(game.BidChoices().values, (std::vector<std::int32_t>{0, 1, 2, 3, 4}));
}

TEST_F(EuchreTest, EveryonePassingTwiceThrowsTheHandIn) {
  Deal();
  WeakHands();
  boxes.values = {0, 0};
  boxes.tick = 1;  // ticked, but a pass never plays alone
  TickWhile(Bidding);
  ASSERT_EQ(game.biddingPhase, 3);
  EXPECT_EQ(game.turnUp, nullptr);
  EXPECT_EQ(game.discard, Find("KH"));
  EXPECT_FALSE(game.makerAlone);
  TickWhile(HoldA, 40);
  TickWhile(Bidding);
  EXPECT_EQ(game.biddingPhase, 7);
  EXPECT_EQ(game.statusLines[1], "This hand is passed out.");
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[0].kind, "check");
  EXPECT_EQ(boxes.boxes[0].dialogId, IDD_EUCHRE_BID);
  EXPECT_EQ(boxes.boxes[1].choices.size(), 5u);
  TickWhile(HoldA, 40);
  EXPECT_EQ(game.handsPlayed, 1u);
  for (std::int32_t s : game.scores) EXPECT_EQ(s, 0);
  EXPECT_EQ(game.GetState(), Bidding);
  EXPECT_EQ(game.biddingPhase, 2);
}

// The user deals and passes last in the first round: during the hold before the second
// round the prompt names the seat that bids next, not the user.
TEST_F(EuchreTest, ThePromptLeavesTheUserOnceTheUserHasPassed) {
  game.dealer = 3;
  Deal();
  ASSERT_EQ(game.dealer, 0u);
  WeakHands();
  boxes.values = {0};
  TickWhile(Bidding);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(game.GetState(), HoldA);
  EXPECT_EQ(game.biddingPhase, 3);
  EXPECT_EQ(game.current, 1u);
  EXPECT_EQ(game.statusLines[1], "It is Betty's turn to bid.");
}

TEST_F(EuchreTest, AMakerAloneSkipsThePartnerAndScoresFourForAllTricks) {
  game.optionDefendAlone = false;
  Deal();
  SetHand(0, {"JH", "JD", "AH", "KH", "QH"});
  SetHand(1, {"8C", "9D", "7D", "8S", "9C"});
  SetHand(2, {"10D", "7H", "8H", "9S", "10S"});
  SetHand(3, {"10C", "QD", "QS", "QC", "KD"});
  SetTurnUp("10H");
  boxes.values = {1};
  boxes.tick = 1;
  TickWhile(Bidding);
  EXPECT_EQ(game.maker, 0u);
  EXPECT_TRUE(game.makerAlone);
  EXPECT_EQ(game.trumpSuit, kSuitHearts);
  EXPECT_EQ(game.statusLines[1], "Maker: Card Shark Alone");
  EXPECT_EQ(game.statusLines[2], "Trump: Hearts");
  EXPECT_FALSE(game.SeatTakesPart(2));
  EXPECT_TRUE(game.SeatTakesPart(1));
  EXPECT_EQ(game.biddingPhase, 5);  // the dealer, Zeke, takes part
  for (int i = 0; i < 3000 && game.GetState() != HandOver; ++i) {
    PlayHandOut(1);
    EXPECT_EQ(game.seatList[2].playedCard, nullptr);
  }
  ASSERT_EQ(game.GetState(), HandOver);
  EXPECT_EQ(game.teamTricks[0], 5u);
  EXPECT_EQ(game.scores[0], 4);
  EXPECT_EQ(game.scores[2], 4);
  EXPECT_EQ(game.scores[1], 0);
  EXPECT_EQ(game.statusLines[1], "This hand is over.");
  EXPECT_EQ(game.seatList[2].cards.size(), 5u);
}

TEST_F(EuchreTest, AHumanDealerExchangesACardForTheTurnUp) {
  game.dealer = 3;
  Deal();
  ASSERT_EQ(game.dealer, 0u);
  WeakHands();
  SetHand(1, {"JH", "JD", "AH", "KC", "8S"});  // Betty orders it up
  SetTurnUp("10H");
  game.optionGoAlone = false;
  boxes.answers = {true};
  TickWhile(Bidding);
  TickWhile(HoldA, 40);
  ASSERT_EQ(game.maker, 1u);
  ASSERT_EQ(game.biddingPhase, 5);
  Tick();
  ASSERT_EQ(game.biddingPhase, 6);
  EXPECT_EQ(boxes.boxes.back().text, "Do you accept the Turn-Up card?");
  EXPECT_EQ(game.statusLines[3], "Exchange a card with the Turn-Up.");
  ClickOn("7C");
  EXPECT_TRUE(Find("7C")->selected);
  ClickOn("7C");
  EXPECT_EQ(game.turnUp, nullptr);
  EXPECT_EQ(game.discard, Find("7C"));
  EXPECT_EQ(game.biddingPhase, 7);
  auto& hand = game.seatList[0].cards;
  EXPECT_NE(std::find(hand.begin(), hand.end(), Find("10H")), hand.end());
  EXPECT_EQ(hand.size(), 5u);
  TickWhile(HoldA, 40);
  EXPECT_EQ(game.GetState(), Playing);
  // The play order of trump: the jacks above the ace; the left jack joins hearts.
  EXPECT_EQ(Find("JH")->rank, 14);
  EXPECT_EQ(Find("JD")->rank, 13);
  EXPECT_EQ(Find("JD")->suit, kSuitHearts);
  EXPECT_EQ(Find("AH")->rank, 12);
  EXPECT_EQ(Find("7H")->rank, 5);
  EXPECT_EQ(game.tricks.unplayed[13][kSuitHearts], 1u);
}

TEST_F(EuchreTest, OptionsFileKeepsBothChoices) {
  game.optionDefendAlone = false;
  game.optionGoAlone = true;
  game.OptionsFile().Save();
  MersenneRandom other(1);
  EuchreGame loaded(nullptr, 0, other);
  EXPECT_FALSE(loaded.optionDefendAlone);
  EXPECT_TRUE(loaded.optionGoAlone);
  game.optionDefendAlone = true;
  game.OptionsFile().Save();
  game.optionDefendAlone = false;
  EXPECT_TRUE(game.OptionsFile().Load());
  EXPECT_TRUE(game.optionDefendAlone);
  DeleteFileA(game.OptionsFile().Path().c_str());
}

// Whole games with the user bidding, exchanging and playing at random.
TEST(EuchreSelfPlayTest, SeededGamesPlayToTheEnd) {
  int played = 0, alone = 0;
  std::int32_t before[4] = {};
  const auto setUp = [&](EuchreGame& game, SelfPlayOptions& options, std::uint32_t seed) {
    game.optionGoAlone = seed % 5 != 0;
    game.optionDefendAlone = seed % 3 != 0;
    options.clickThroughHolds = seed % 2 == 0;
    options.doubleClickPlays = seed % 3 == 0;
    options.places = [](const CardGame& g, std::vector<const Card*>& cards) {
      const auto& e = static_cast<const EuchreGame&>(g);
      if (e.turnUp) cards.push_back(e.turnUp);
      if (e.discard) cards.push_back(e.discard);
    };
    options.allowBox = [](const ScriptedDialogs::Box& b) {
      return b.kind == "check" || (b.kind == "yesno" && b.caption == "Euchre");
    };
    options.humanToMove = [](const CardGame& g) {
      const auto& e = static_cast<const EuchreGame&>(g);
      if (g.current != g.humanSeat) return false;
      if (g.GetState() == Bidding) return e.biddingPhase == 6;
      return g.GetState() == Playing && !g.seatList[g.humanSeat].playedCard && !g.seatList[g.humanSeat].cards.empty();
    };
    options.humanMove = [](SelfPlay& p) {
      CardGame& g = p.Game();
      SeatRecord& hand = g.seatList[g.humanSeat];
      std::vector<Card*> cards;
      for (Card* c : hand.cards)
        if (g.GetState() == Bidding || g.tricks.IsLegalPlay(c, hand)) cards.push_back(c);
      if (cards.empty()) return false;
      Card* pick = cards[p.Random(static_cast<std::uint32_t>(cards.size()))];
      p.ClickToPlay(hand, pick);
      return true;
    };
    std::fill(std::begin(before), std::end(before), 0);
    options.onHandOver = [&](CardGame& g) {
      auto& e = static_cast<EuchreGame&>(g);
      ++played;
      if (e.makerAlone) ++alone;
      EXPECT_LT(e.maker, 4u);
      EXPECT_EQ(e.teamTricks[0] + e.teamTricks[1], 5u);
      EXPECT_EQ(e.scores[0], e.scores[2]);
      EXPECT_EQ(e.scores[1], e.scores[3]);
      const std::int32_t gained = e.scores[0] - before[0] + e.scores[1] - before[1];
      EXPECT_GE(gained, 1);
      EXPECT_LE(gained, 4);
      std::copy(std::begin(e.scores), std::end(e.scores), std::begin(before));
    };
  };
  PlaySeeds<EuchreGame>(200, setUp, [](EuchreGame&, const SelfPlayResult& r, std::uint32_t seed) {
    EXPECT_TRUE(r.finished) << "seed " << seed;
    EXPECT_EQ(r.hands, 16) << "seed " << seed;
  });
  EXPECT_GT(played, 200 * 10);
  EXPECT_GT(alone, 0);
}

// The real bid dialog: the play-alone box shows only when the option allows it, and its
// tick makes a lone maker only together with a bid.
TEST(EuchreBidDialogTest, ThePlayAloneBoxGoesWithTheBid) {
  const struct {
    bool goAlone;
    int pick;
    bool visible, alone;
    std::uint32_t maker;
  } cases[] = {
      {true, 1, true, true, 0},
      {false, 1, false, false, 0},
      {true, 0, true, false, EuchreGame::kNone},  // ticked, but passed
  };
  for (const auto& c : cases) {
    MersenneRandom rng(5);
    EuchreGame game(nullptr, 0, rng);
    game.SetSeatComputer(false, 0);
    for (std::uint32_t s = 1; s < 4; ++s) game.SetSeatComputer(true, s);
    game.optionGoAlone = c.goAlone;
    game.optionDefendAlone = false;
    game.StartDeal(true, false, true);
    game.SetCurrentSeat(0);
    game.computerDelay = 0;
    for (std::uint32_t s = 1; s < 4; ++s) game.seatList[s].bid.SetValue(0);
    bool found = false, visible = false;
    std::thread helper([&] {
      HWND dialog = tt::WaitForWindow("", "Please Select Your Bid", 10000, GetCurrentProcessId());
      if (!dialog) return;
      found = true;
      HWND check = GetDlgItem(dialog, IDC_EUCHRE_CHECK);
      visible = IsWindowVisible(check) != FALSE;
      if (visible) SendMessageA(check, BM_SETCHECK, BST_CHECKED, 0);
      SendMessageA(GetDlgItem(dialog, IDC_EUCHRE_LIST), CB_SETCURSEL, c.pick, 0);
      tt::ClickButtonId(dialog, IDOK);
    });
    game.OnTimer();
    helper.join();
    ASSERT_TRUE(found);
    EXPECT_EQ(visible, c.visible);
    EXPECT_EQ(game.makerAlone, c.alone);
    EXPECT_EQ(game.maker, c.maker);
    EXPECT_EQ(game.seatList[0].bid.value, c.pick);
  }
}
