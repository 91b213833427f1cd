#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "GameRegistry.h"
#include "GameResources.h"
#include "RauberSkat.h"
#include "TestTool.h"
#include "TrickTableFixture.h"

namespace {

// Dealer 1: seat 0 (the user) calls the bids, seat 2 answers, seat 1 deals.
class RauberSkatTest : public TrickTableFixture<RauberSkatGame> {
 protected:
  RauberSkatTest() : TrickTableFixture({1}) {}
  void Deal() {
    game.dealer = 0;  // the deal passes it on to seat 1
    game.StartDeal(true, false, true);
    game.computerDelay = 0;
  }
  // Put away a skat of these two cards, as if just dealt.
  void SetSkat(const std::string& a, const std::string& b) {
    const std::string texts[2] = {a, b};
    for (int i = 0; i < 2; ++i) {
      Card* c = Find(texts[i]);
      for (SeatRecord& s : game.seatList) s.RemoveCard(c);
      game.skat[i] = c;
    }
  }
  // A declared game of seat 1 ("Betty") ready to be scored.
  void Declared(std::uint32_t flags, std::uint32_t bidIndex) {
    Deal();
    game.declarer = 1;
    game.gameFlags = game.seatGame[1] = flags;
    game.trumpSuit = SkatTrumpSuit(flags);
    game.bidIndex = bidIndex;
    game.gameValue = SkatGameValue(flags, bidIndex);
    game.skat[0] = game.skat[1] = nullptr;
    boxes.boxes.clear();
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& b : boxes.boxes) texts.push_back(b.text);
    return texts;
  }
  std::vector<std::int32_t> Scores() const { return {game.scores[0], game.scores[1], game.scores[2]}; }
};

std::uint32_t IndexOf(std::uint32_t value) {
  const auto* end = SkatBidValues + kSkatBidCount;
  return static_cast<std::uint32_t>(std::find(SkatBidValues, end, value) - SkatBidValues);
}

}  // namespace

TEST(RauberSkatRegistryTest, PlaceInTheList) {
  std::vector<std::string> titles;
  for (const GameDescriptor& d : OrderedGameModules(GameModules())) titles.push_back(d.name());
  const auto at = std::find(titles.begin(), titles.end(), "Rauber Skat");
  ASSERT_NE(at, titles.end());
  ASSERT_TRUE(at != titles.begin() && at + 1 != titles.end());
  EXPECT_EQ(*(at - 1), "Scotch Whist");
  EXPECT_EQ(*(at + 1), "Spades");
}

TEST(RauberSkatRulesTest, BidValuesPointsBasesAndDeclarations) {
  EXPECT_EQ(SkatBidValues[0], 0u);
  EXPECT_EQ(SkatBidValues[1], 18u);
  EXPECT_EQ(SkatBidValues[4], 23u);
  EXPECT_EQ(SkatBidValues[15], 48u);
  EXPECT_EQ(SkatBidValues[66], 360u);
  for (std::uint32_t i = 1; i < kSkatBidCount; ++i) EXPECT_LT(SkatBidValues[i - 1], SkatBidValues[i]) << i;

  CardDeck deck;
  FillPack(deck, 2);
  const std::pair<const char*, std::uint32_t> points[] = {{"AH", 11}, {"10H", 10}, {"KH", 4}, {"QH", 3},
                                                          {"JH", 2},  {"9H", 0},   {"8H", 0}, {"7H", 0}};
  for (const auto& p : points) EXPECT_EQ(SkatCardPoints(*FaceCard(deck, p.first)), p.second) << p.first;
  const std::pair<std::int32_t, std::uint32_t> bases[] = {
      {kSuitClubs, 12}, {kSuitSpades, 11}, {kSuitHearts, 10}, {kSuitDiamonds, 9}, {kSuitNone, 20}};
  for (const auto& b : bases) EXPECT_EQ(SuitGameBase(b.first), b.second) << b.first;

  const struct {
    std::uint32_t flags;
    std::int32_t trump;
    const char* text;
    std::uint32_t value;  // with the bid reached at 20
  } games[] = {
      {kSkatClubs, kSuitClubs, " Bids Clubs ", 20},
      {kSkatSpades | kSkatHand, kSuitSpades, " Bids Spades Hand ", 20},
      {kSkatHearts | kSkatHand | kSkatOpen | kSkatSchwarz, kSuitHearts, " Bids Hearts Hand Open  Schwarz", 20},
      {kSkatDiamonds | kSkatSchneider, kSuitDiamonds, " Bids Diamonds  Schneider", 20},
      {kSkatClubs | kSkatHand | kSkatSchneider | kSkatSchwarz, kSuitClubs, " Bids Clubs Hand  Schwarz", 20},
      {kSkatGrand | kSkatOpen | kSkatSchneider | kSkatSchwarz, kSuitNone, " Bids Grand Open  Schwarz", 20},
      {kSkatGrand | kSkatHand, kSuitNone, " Bids Grand Hand ", 20},
      {kSkatGrand | kSkatOpen, kSuitNone, " Bids Grand Open ", 20},
      {kSkatNull | kSkatHand, kSuitNone, " Bids Null ", 23},
      {kSkatNull | kSkatHand | kSkatOpen, kSuitNone, " Bids Null Open ", 48},
      {kSkatReject | kSkatHand, kSuitNone, " Bids Reject", 10},
  };
  for (const auto& g : games) {
    EXPECT_EQ(SkatDeclarationText(g.flags), g.text) << g.flags;
    EXPECT_EQ(SkatTrumpSuit(g.flags), g.trump) << g.flags;
    EXPECT_EQ(SkatGameValue(g.flags, 2), g.value) << g.flags;
  }
}

TEST_F(RauberSkatTest, TheBidAndGameDialogsOfferTheirChoices) {
  Deal();
  const ChoiceList answer = game.BidChoices(false);
  EXPECT_EQ(answer.caption, "Please Select Your Bid");
  EXPECT_EQ(answer.choices, (std::vector<std::string>{"I Pass", "I Hold"}));
  EXPECT_EQ(answer.values, (std::vector<std::int32_t>{0, 1}));
  const ChoiceList first = game.BidChoices(true);
  ASSERT_EQ(first.choices.size(), 67u);
  EXPECT_EQ(first.choices[0], "I Pass");
  EXPECT_EQ(first.choices[1], "18");
  EXPECT_EQ(first.values[1], 1);
  EXPECT_EQ(first.choices[66], "360");
  game.bidIndex = 64;
  const ChoiceList last = game.BidChoices(true);
  EXPECT_EQ(last.choices, (std::vector<std::string>{"I Pass", "324", "360"}));
  EXPECT_EQ(last.values, (std::vector<std::int32_t>{0, 65, 66}));

  const struct {
    bool noBid, skatThere;
    std::vector<std::string> texts;
    std::vector<std::int32_t> values;
  } cases[] = {
      {true, true, {"Pass", "Clubs", "Spades", "Hearts", "Diamonds", "Grand", "Null", "Reject"},
       {0, 64, 16, 32, 128, 8, 4, 1024}},
      {false, true, {"Clubs", "Spades", "Hearts", "Diamonds", "Grand", "Null"}, {64, 16, 32, 128, 8, 4}},
      {false, false, {"Clubs", "Spades", "Hearts", "Diamonds", "Grand"}, {64, 16, 32, 128, 8}},
  };
  for (const auto& c : cases) {
    game.noBidYet = c.noBid;
    game.skat[0] = c.skatThere ? Find("7H") : nullptr;
    game.skat[1] = c.skatThere ? Find("8H") : nullptr;
    const ChoiceListWithCheck record = game.GameChoices();
    EXPECT_EQ(record.list.caption, "Please Select Your Game");
    EXPECT_EQ(record.list.choices, c.texts);
    EXPECT_EQ(record.list.values, c.values);
    EXPECT_EQ(record.ticked + record.allowCheck + record.extraFlag, 0);
  }
  const struct {
    std::uint8_t ticked, second, third;
    std::uint32_t flags;
  } flags[] = {
      {0, 0, 0, kSkatGrand},
      {1, 0, 0, kSkatGrand | kSkatOpen},
      {0, 1, 0, kSkatGrand | kSkatSchwarz},
      {0, 0, 1, kSkatGrand | kSkatSchneider},
      {1, 1, 1, kSkatGrand | kSkatOpen | kSkatSchwarz},
  };
  for (const auto& f : flags) {
    ChoiceListWithCheck record;
    record.ticked = f.ticked;
    record.allowCheck = f.second;
    record.extraFlag = f.third;
    EXPECT_EQ(RauberSkatGame::GameFromDialog(kSkatGrand, record), f.flags);
  }
}

TEST_F(RauberSkatTest, TheComputerJudgesItsHand) {
  Deal();
  const struct {
    std::vector<std::string> hand;
    std::uint32_t flags, maxBid;
  } cases[] = {
      // Nothing high, every suit low: Null Open Hand.
      {{"7C", "8C", "9C", "7D", "8D", "9D", "7H", "8H", "7S", "8S"}, kSkatNull | kSkatHand | kSkatOpen, 48},
      // A lone king on top of a suit is exposed danger: Null Hand.
      {{"7C", "8C", "9C", "7D", "KD", "7H", "8H", "9H", "7S", "8S"}, kSkatNull | kSkatHand, 23},
      // Four jacks and three aces: Grand, open, Schneider and Hand; never a suit game as well.
      {{"JC", "JS", "JH", "JD", "AC", "AS", "AH", "10C", "10S", "KH"},
       kSkatGrand | kSkatOpen | kSkatSchneider | kSkatHand, 160},
      // Five hearts with two jacks and two aces: Hearts, open.
      {{"JC", "JS", "AH", "10H", "KH", "QH", "9H", "AC", "8D", "7S"}, kSkatHearts | kSkatOpen, 40},
      // Without the top jacks the matadors count one.
      {{"JH", "JD", "AC", "10C", "KC", "QC", "9D", "AS", "8D", "7S"}, kSkatClubs, 24},
      {{"7C", "9C", "QC", "KD", "8D", "10S", "9S", "AH", "8H", "7H"}, 0, 0},
  };
  for (const auto& c : cases) {
    SetHand(1, c.hand);
    game.EvaluateSkatHand(1);
    EXPECT_EQ(game.seatGame[1], c.flags) << c.hand[0] << c.hand[5];
    EXPECT_EQ(game.maxBid[1], c.maxBid) << c.hand[0] << c.hand[5];
  }
  SetHand(0, cases[2].hand);  // the user's seat is never judged
  game.EvaluateSkatHand(0);
  EXPECT_EQ(game.seatGame[0], 0u);
  EXPECT_EQ(game.maxBid[0], 0u);
}

TEST_F(RauberSkatTest, TheComputerBidsBelowItsLimit) {
  Deal();
  const struct {
    std::uint32_t bidIndex, maxBid, called;
    bool holds;
  } cases[] = {
      {0, 40, 4, true},   // 23 < 40: four steps up
      {0, 23, 1, true},   // 23 is not below 23: one step
      {0, 18, 0, true},   // 18 is not below 18: pass
      {3, 24, 4, true},   // 30 is too high, 23 is not
      {5, 24, 0, false},  // 24 is not below 24
      {63, 400, 64, true},
      {66, 1000, 0, true},  // nothing above 360
  };
  for (const auto& c : cases) {
    game.bidder = 1;
    game.listener = 2;
    game.dealer = 0;
    game.bidIndex = c.bidIndex;
    game.maxBid[1] = c.maxBid;
    game.ComputerBid(1);
    const std::uint32_t expected = c.called;
    if (expected) {
      EXPECT_EQ(game.bidIndex, expected) << c.bidIndex << " " << c.maxBid;
      EXPECT_EQ(game.bidTexts[1], std::to_string(SkatBidValues[expected]));
    } else {
      EXPECT_EQ(game.bidTexts[1], "I Pass") << c.bidIndex << " " << c.maxBid;
    }
    game.bidIndex = c.bidIndex;
    game.bidder = 2;
    game.listener = 1;
    game.ComputerBid(1);
    EXPECT_EQ(game.bidTexts[1], c.holds ? "I Hold" : "I Pass") << c.bidIndex << " " << c.maxBid;
  }
}

TEST_F(RauberSkatTest, EverybodyPassingLeavesForehandToPassOutOrPlayReject) {
  const struct {
    std::vector<std::string> forehand;
    bool passedOut;
  } cases[] = {
      {{"JH", "7C", "9C", "QC", "KD", "8D", "10S", "9S", "AH", "8H"}, true},
      {{"7H", "7C", "9C", "QC", "KD", "8D", "10S", "9S", "AH", "8H"}, false},
  };
  for (const auto& c : cases) {
    Deal();
    SetHand(2, c.forehand);
    game.maxBid[1] = game.maxBid[2] = 0;
    game.seatGame[1] = game.seatGame[2] = 0;
    boxes.values = {0};  // the user passes
    Tick();
    EXPECT_EQ(game.bidTexts[0], "I Pass");
    EXPECT_EQ(game.bidder, 1u);
    TickWhile(Bidding, 30);  // the dealer passes too
    EXPECT_EQ(game.bidTexts[1], "I Pass");
    EXPECT_EQ(game.declarer, 2u);
    EXPECT_EQ(game.phase, 1u);
    EXPECT_EQ(game.GetState(), HoldA);
    TickWhile(HoldA, 60);
    EXPECT_EQ(game.GetState(), Bidding);  // back to bidding after the pause
    TickWhile(Bidding, 30);
    if (c.passedOut) {
      EXPECT_EQ(game.statusLines[1], "This hand is passed out.");
      EXPECT_EQ(game.bidIndex, 0u);
      TickWhile(HoldA, 60);
      EXPECT_EQ(game.handsPlayed, 1u);  // the next hand: nothing was played
      EXPECT_EQ(game.GetState(), Bidding);
      EXPECT_EQ(Scores(), (std::vector<std::int32_t>{0, 0, 0}));
    } else {
      EXPECT_EQ(game.seatGame[2], kSkatReject | kSkatHand);
      EXPECT_EQ(game.bidTexts[2], "Decline Skat");
      EXPECT_EQ(game.bidIndex, 1u);  // the first bid value
      TickWhile(HoldA, 60);
      Tick(12);
      EXPECT_EQ(game.phase, 5u);
      EXPECT_EQ(game.gameValue, 10u);
      EXPECT_EQ(game.statusLines[1], "Igor Bids Reject");
      // The jacks are trumps: the jack of hearts takes an ace of another suit.
      EXPECT_EQ(Find("JH")->suit, kSuitNone);
      EXPECT_TRUE(game.tricks.suit4Trump);
      game.tricks.NewTrick();
      game.tricks.Play(Find("AC"), 0);
      EXPECT_TRUE(game.tricks.WouldWin(Find("JH")));
      game.tricks.NewTrick();
      TickWhile(HoldA, 60);
      EXPECT_EQ(game.GetState(), Playing);
      EXPECT_EQ(game.current, 2u);
    }
  }
}

TEST_F(RauberSkatTest, TheUserWinsTheBiddingTakesTheSkatAndDeclares) {
  Deal();
  SetHand(0, {"JC", "JS", "AC", "10C", "KC", "QC", "AS", "7D", "8D", "9H"});
  SetSkat("AH", "10H");
  game.maxBid[1] = game.maxBid[2] = 0;
  boxes.values = {1};  // 18
  Tick();
  EXPECT_EQ(game.bidTexts[0], "18");
  EXPECT_FALSE(game.noBidYet);
  EXPECT_EQ(game.current, 2u);
  TickWhile(Bidding, 40);  // seat 2 and the dealer pass
  EXPECT_EQ(game.declarer, 0u);
  EXPECT_EQ(game.bidIndex, 1u);
  TickWhile(HoldA, 60);
  boxes.answers = {true};
  Tick();
  EXPECT_EQ(boxes.boxes.back().text, "Do you take the Skat?");
  EXPECT_EQ(game.phase, 3u);
  EXPECT_EQ(game.statusLines[1], "Select a card to exchange with the skat");
  // The two cards go before the skat joins the hand.
  ClickOn("7D");
  ClickOn("7D");
  EXPECT_EQ(game.phase, 4u);
  EXPECT_EQ(game.statusLines[1], "Select another card to exchange with the skat");
  EXPECT_EQ(game.seatList[0].cards.size(), 9u);
  ASSERT_NE(game.skat[0], nullptr);
  ClickOn("QC");
  ClickOn("QC");
  EXPECT_EQ(game.phase, 2u);
  EXPECT_EQ(game.statusLines[1], "It is your turn to bid.");  // no exchange prompt under the game dialog
  EXPECT_EQ(game.seatList[0].cards.size(), 10u);
  EXPECT_EQ(game.skat[0], nullptr);
  EXPECT_EQ(game.discards, (std::vector<Card*>{Find("7D"), Find("QC")}));
  EXPECT_EQ(game.cardPoints[0], 3u);
  EXPECT_TRUE(Find("AH")->faceUp);
  boxes.values = {kSkatClubs};
  boxes.tick = 0;
  Tick();
  const auto& dialog = boxes.boxes[boxes.boxes.size() - 2];
  EXPECT_EQ(dialog.kind, "check");
  EXPECT_EQ(dialog.dialogId, IDD_SKAT_GAME);
  EXPECT_EQ(dialog.values, (std::vector<std::int32_t>{64, 16, 32, 128, 8}));  // no Pass, Null or Reject
  EXPECT_EQ(game.gameFlags, static_cast<std::uint32_t>(kSkatClubs));
  EXPECT_EQ(game.statusLines[1], "Card Shark Bids Clubs ");
  EXPECT_EQ(boxes.boxes.back().text, "Card Shark is with 2 matadors.");
  EXPECT_EQ(game.matadors, 2u);
  EXPECT_EQ(game.gameValue, 18u);
  // Clubs trump: the jacks on top, then ace, ten, king; a side suit's ten over its king.
  const std::pair<const char*, std::int32_t> order[] = {{"JC", 14}, {"JS", 13}, {"JH", 12}, {"JD", 11}, {"AC", 10},
                                                        {"10C", 9}, {"KC", 8},  {"7C", 4},  {"10H", 13}, {"KH", 12}};
  for (const auto& o : order) EXPECT_EQ(Find(o.first)->rank, o.second) << o.first;
  EXPECT_EQ(Find("JH")->suit, kSuitClubs);
  // Counted once, not twice: one of each card is unplayed.
  EXPECT_EQ(game.tricks.CountUnplayedOfSuit(kSuitClubs), 11u);
  EXPECT_EQ(game.tricks.CountUnplayedOfSuit(kSuitHearts), 7u);
  TickWhile(HoldA, 60);
  EXPECT_EQ(game.GetState(), Playing);
}

TEST_F(RauberSkatTest, AHandGameKeepsTheSkatAndOffersNull) {
  Deal();
  game.declarer = 0;
  game.phase = 1;
  game.noBidYet = false;
  game.bidIndex = IndexOf(30);
  boxes.answers = {false};
  game.SetCurrentSeat(0);
  Tick();
  EXPECT_EQ(game.phase, 2u);
  EXPECT_EQ(game.gameFlags, static_cast<std::uint32_t>(kSkatHand));
  boxes.values = {kSkatNull};
  boxes.tick = 1;
  Tick();
  EXPECT_EQ(boxes.boxes.back().values, (std::vector<std::int32_t>{64, 16, 32, 128, 8, 4}));
  EXPECT_EQ(game.gameFlags, static_cast<std::uint32_t>(kSkatNull | kSkatHand | kSkatOpen));
  EXPECT_EQ(game.gameValue, 48u);
  EXPECT_EQ(game.statusLines[1], "Card Shark Bids Null Open ");
  EXPECT_NE(game.skat[0], nullptr);
  // Null keeps the printed order and has no trump.
  EXPECT_EQ(Find("10H")->rank, 10);
  EXPECT_EQ(Find("JH")->suit, kSuitHearts);
  EXPECT_FALSE(game.tricks.suit4Trump);
  EXPECT_EQ(game.tricks.trump, kSuitNone);
}

TEST_F(RauberSkatTest, MatadorsWithAndWithout) {
  const struct {
    std::uint32_t flags;
    std::vector<std::string> hand;
    bool with;
    std::uint32_t count;
  } cases[] = {
      {kSkatClubs, {"JC", "JS", "JH", "7C"}, true, 3},
      {kSkatClubs, {"JC", "JS", "JH", "JD", "AC", "10C", "KC", "QC", "9C", "8C"}, true, 10},
      {kSkatClubs, {"JS", "7C"}, false, 1},
      {kSkatHearts, {"AH", "10H", "7C"}, false, 4},
      {kSkatGrand, {"JC", "JS", "JH", "JD"}, true, 4},
      {kSkatGrand, {"AC", "10C"}, false, 4},  // Grand counts no more than the jacks
      {kSkatGrand, {"JD", "AC"}, false, 3},
  };
  for (const auto& c : cases) {
    Declared(c.flags, 1);
    game.declarer = 2;
    SetHand(2, c.hand);
    game.seatGame[2] = c.flags;
    game.DeclareGame();
    EXPECT_EQ(game.matadors, c.count) << c.hand[0];
    const std::string text = "Igor is " + std::string(c.with ? "with " : "without ") + std::to_string(c.count) +
                             (c.count == 1 ? " matador." : " matadors.");
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(boxes.boxes.back().text, text);
    EXPECT_EQ(boxes.boxes.back().caption, "Rauber Skat");
  }
}

TEST_F(RauberSkatTest, SuitGamesAndGrandAreScoredByTheirValue) {
  const struct {
    std::uint32_t flags;
    std::uint32_t bid;  // value reached
    std::uint32_t matadors, points, tricks;
    bool skatInPlace;
    std::int32_t change;
    std::vector<std::string> texts;
  } cases[] = {
      {kSkatClubs, 18, 2, 70, 6, false, 36, {"Betty scored 36 points."}},
      {kSkatClubs | kSkatHand, 18, 2, 70, 6, false, 48, {"Betty scored 48 points."}},
      {kSkatSpades, 18, 1, 95, 8, false, 33, {"Betty scored 33 points."}},  // over 90: one more
      {kSkatHearts, 24, 1, 70, 6, false, -24, {"Betty only scored 20 points."}},
      {kSkatHearts, 18, 3, 50, 4, false, -40, {"Betty did not make Game."}},
      {kSkatSpades, 18, 1, 25, 2, false, -33, {"Betty did not make Game.", "Betty was Schneidered!"}},
      {kSkatDiamonds, 18, 1, 0, 0, false, -27, {"Betty did not make Game.", "Betty was Schwarzed!"}},
      {kSkatGrand, 18, 2, 80, 7, false, 60, {"Betty scored 60 points."}},
      {kSkatGrand, 72, 1, 70, 7, false, -72, {"Betty only scored 40 points."}},
      {kSkatGrand | kSkatSchwarz, 18, 1, 120, 10, false, 100, {"Betty scored 100 points."}},
      {kSkatGrand | kSkatSchwarz, 18, 1, 110, 9, false, -60, {"Betty did not make Schwarz."}},
      {kSkatClubs | kSkatSchneider, 18, 1, 80, 7, false, -24, {"Betty did not make Schneider."}},
      {kSkatClubs | kSkatSchneider, 18, 1, 90, 8, false, 36, {"Betty scored 36 points."}},
      // A skat left in place counts for the declarer: 45 + 21 makes the game.
      {kSkatHearts | kSkatHand, 18, 1, 45, 5, true, 30, {"Betty scored 30 points."}},
  };
  for (const auto& c : cases) {
    Declared(c.flags, IndexOf(c.bid));
    game.matadors = c.matadors;
    game.cardPoints[1] = c.points;
    game.tricksTaken[1] = c.tricks;
    if (c.skatInPlace) SetSkat("10S", "AS");
    game.ScoreHand();
    EXPECT_EQ(game.scores[1], c.change) << c.flags << " " << c.points;
    EXPECT_EQ(game.scores[0] + game.scores[2], 0);
    EXPECT_EQ(Texts(), c.texts) << c.flags << " " << c.points;
    for (const auto& b : boxes.boxes) EXPECT_EQ(b.caption, "Rauber Skat");
  }
}

TEST_F(RauberSkatTest, NullIsWonOnlyWithoutATrickAndAtItsValue) {
  const struct {
    std::uint32_t flags, bid, tricks;
    std::int32_t change;
    const char* text;
  } cases[] = {
      {kSkatNull | kSkatHand, 18, 0, 23, "Betty made Null"},
      {kSkatNull | kSkatHand | kSkatOpen, 18, 0, 48, "Betty made Null"},
      {kSkatNull | kSkatHand | kSkatOpen, 48, 0, 48, "Betty made Null"},
      {kSkatNull | kSkatHand, 24, 0, -24, "Betty bid too high for Null"},
      {kSkatNull | kSkatHand | kSkatOpen, 50, 0, -50, "Betty bid too high for Null"},
      {kSkatNull | kSkatHand, 18, 1, -23, "Betty failed at Null"},
      {kSkatNull | kSkatHand | kSkatOpen, 18, 3, -48, "Betty failed at Null"},
  };
  for (const auto& c : cases) {
    Declared(c.flags, IndexOf(c.bid));
    game.tricksTaken[1] = c.tricks;
    SetSkat("AS", "AH");  // goes to nobody
    game.cardPoints[1] = 5;
    game.ScoreHand();
    EXPECT_EQ(Scores(), (std::vector<std::int32_t>{0, c.change, 0})) << c.text << c.bid;
    EXPECT_EQ(Texts(), std::vector<std::string>{c.text});
    EXPECT_EQ(game.cardPoints[1], 5u);
  }
}

TEST_F(RauberSkatTest, RejectRewardsTheFewestPoints) {
  const struct {
    std::uint32_t points[3], tricks[3];
    std::int32_t lastWinner;
    bool skat;
    std::vector<std::int32_t> scores;
    std::vector<std::string> texts;
  } cases[] = {
      {{40, 40, 40}, {3, 4, 3}, 0, false, {0, 10, 0}, {"Betty correctly named Reject."}},
      {{40, 40, 19}, {3, 4, 3}, 2, true, {0, 10, 0}, {"Betty correctly named Reject."}},  // the skat to the last trick
      {{0, 120, 0}, {0, 10, 0}, 1, false, {0, -30, 0}, {"Betty loses 30 points for taking all the tricks at Reject."}},
      {{0, 0, 120}, {0, 0, 10}, 2, false, {0, 0, -30}, {"Igor loses 30 points for taking all the tricks at Reject."}},
      {{0, 70, 50}, {0, 6, 4}, 1, false, {20, 0, 0}, {}},
      {{30, 60, 30}, {2, 5, 3}, 1, false, {10, 0, 10}, {}},
      {{50, 20, 50}, {4, 1, 5}, 0, false, {0, 10, 0}, {}},
      {{10, 10, 10}, {3, 4, 3}, 0, false, {10, 10, 0}, {}},  // only the first equal seat gains 10
  };
  for (const auto& c : cases) {
    Declared(kSkatReject | kSkatHand, 1);
    for (int s = 0; s < 3; ++s) {
      game.cardPoints[s] = c.points[s];
      game.tricksTaken[s] = c.tricks[s];
    }
    game.lastTrickWinner = c.lastWinner;
    if (c.skat) SetSkat("AS", "10S");
    game.ScoreHand();
    EXPECT_EQ(Scores(), c.scores) << c.points[0] << " " << c.points[1] << " " << c.points[2];
    EXPECT_EQ(Texts(), c.texts);
  }
}

TEST_F(RauberSkatTest, TheComputerPutsAwayTwoCardsAndTakesTheSkat) {
  Deal();
  SetHand(2, {"JC", "JS", "AH", "10H", "KH", "QH", "9H", "AC", "8D", "7S"});
  SetSkat("7H", "KC");
  game.declarer = 2;
  game.seatGame[2] = kSkatHearts;
  game.noBidYet = false;
  game.bidIndex = 1;
  game.phase = 1;
  game.SetCurrentSeat(2);
  game.computerDelay = 0;
  Tick();
  EXPECT_EQ(game.bidTexts[2], "Take Skat");
  EXPECT_EQ(game.phase, 2u);
  EXPECT_EQ(game.GetState(), HoldA);
  ASSERT_EQ(game.discards.size(), 2u);
  // Neither a jack nor a trump goes while side cards are left.
  for (const Card* c : game.discards) {
    EXPECT_NE(c->faceRank, 11);
    EXPECT_NE(c->faceSuit, kSuitHearts);
  }
  EXPECT_EQ(game.cardPoints[2], SkatCardPoints(*game.discards[0]) + SkatCardPoints(*game.discards[1]));
  EXPECT_EQ(game.seatList[2].cards.size(), 10u);
  EXPECT_EQ(game.skat[0], nullptr);
  EXPECT_FALSE(Find("7H")->faceUp);  // the computer's cards stay hidden
}

TEST_F(RauberSkatTest, PlayCountsPointsAndTricksAndTheTableShowsThem) {
  Declared(kSkatGrand, 1);
  SetHand(0, {"AC", "7D"});
  SetHand(1, {"10C", "8D"});
  SetHand(2, {"JD", "9D"});
  game.SetState(Playing);
  game.tricks.SetTrumpSuit4();
  game.SetSkatOrder();
  game.tricks.RebuildUnplayed(game.deck);
  game.current = 0;
  game.SetCurrentSeat(0);
  EXPECT_EQ(game.statusLines[2], "It is your turn to lead a card.");
  ClickOn("AC");
  ClickOn("AC");
  ClickOn("7D");  // a fast second click does not play again
  ClickOn("7D");
  EXPECT_EQ(game.seatList[0].cards.size(), 1u);
  EXPECT_EQ(game.statusLines[2], "Lead: (Ace of Clubs)");
  EXPECT_EQ(game.leader, 0u);
  game.PlayCard(1, Find("10C"));
  game.SetCurrentSeat(2);
  EXPECT_EQ(game.statusLines[3], "It is Igor's turn to play a card.");
  game.PlayCard(2, Find("JD"));  // void in clubs: the jack trumps
  game.computerDelay = 0;
  Tick();
  EXPECT_EQ(game.statusLines[2], "This trick is over.");
  EXPECT_EQ(game.tricksTaken[2], 1u);
  EXPECT_EQ(game.cardPoints[2], 23u);
  EXPECT_EQ(game.SeatLabel(1), "Betty");
  game.bidTexts[1] = "I Pass";
  EXPECT_EQ(game.SeatLabel(1), "Betty - I Pass");
  // The layout: the user's hand at the bottom, the left seat's column, the skat at the right.
  const RECT& t = kTable;
  EXPECT_GT(game.seatList[0].bounds.top, game.trickRects[0].bottom);
  EXPECT_LT(game.seatList[2].bounds.bottom, game.trickRects[2].top);
  EXPECT_EQ(game.seatList[1].bounds.left, t.left + 10);
  EXPECT_LT(game.trickRects[2].bottom, game.trickRects[0].top);
  EXPECT_EQ(game.seatList[0].labelRect.left, game.trickRects[0].right + 10);
}

TEST_F(RauberSkatTest, WithoutADeclarerNothingIsDeclaredOrScored) {
  Deal();
  game.declarer = RauberSkatGame::kNoDeclarer;
  game.phase = 2;
  Tick();
  EXPECT_EQ(game.phase, 5u);
  TickWhile(HoldA, 60);
  EXPECT_EQ(game.handsPlayed, 1u);  // over unplayed
  game.declarer = RauberSkatGame::kNoDeclarer;
  game.gameFlags = kSkatClubs;
  boxes.boxes.clear();
  game.DeclareGame();
  game.ScoreHand();
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(Scores(), (std::vector<std::int32_t>{0, 0, 0}));
}

// The real game dialog: "No announcement" starts ticked; Open and the announcements come
// back in the record's flags.
TEST(RauberSkatGameDialogTest, TheBoxesAndButtonsBecomeGameFlags) {
  const struct {
    bool open;
    int radio;
    std::uint32_t flags;
  } cases[] = {
      {false, 0, kSkatNull},
      {true, IDC_SKAT_RADIO2, kSkatNull | kSkatOpen | kSkatSchwarz},
      {false, IDC_SKAT_RADIO1, kSkatNull | kSkatSchneider},
  };
  for (const auto& c : cases) {
    MersenneRandom rng(5);
    RauberSkatGame game(nullptr, 0, rng);
    game.SetSeatComputer(false, 0);
    game.SetSeatComputer(true, 1);
    game.SetSeatComputer(true, 2);
    game.StartDeal(true, false, true);
    game.declarer = 0;
    game.noBidYet = false;
    game.bidIndex = 1;
    game.phase = 2;
    bool found = false, startTicked = false;
    LRESULT items = 0;
    std::thread helper([&] {
      HWND dialog = tt::WaitForWindow("", "Please Select Your Game", 10000, GetCurrentProcessId());
      if (!dialog) return;
      found = true;
      startTicked = IsDlgButtonChecked(dialog, IDC_SKAT_CHECK1) == BST_CHECKED;
      HWND list = GetDlgItem(dialog, IDC_SKAT_LIST);
      items = SendMessageA(list, CB_GETCOUNT, 0, 0);
      if (c.radio) {
        CheckDlgButton(dialog, IDC_SKAT_CHECK1, BST_UNCHECKED);
        CheckDlgButton(dialog, c.radio, BST_CHECKED);
      }
      if (c.open) CheckDlgButton(dialog, IDC_SKAT_CHECK2, BST_CHECKED);
      SendMessageA(list, CB_SETCURSEL, 5, 0);  // Null
      tt::ClickButtonId(dialog, IDOK);
    });
    game.HumanGame();
    helper.join();
    ASSERT_TRUE(found);
    EXPECT_TRUE(startTicked);
    EXPECT_EQ(items, 6);
    EXPECT_EQ(game.gameFlags, c.flags);
    EXPECT_EQ(game.declarer, 0u);
    EXPECT_EQ(game.phase, 5u);
  }
}

// Whole games with the user bidding, declaring, exchanging and playing at random.
TEST(RauberSkatSelfPlayTest, SeededGamesPlayToTheEnd) {
  CardImages images;
  int played = 0, declared[4] = {};  // suit, Grand, Null, Reject
  for (std::uint32_t seed = 1; seed <= 200; ++seed) {
    MersenneRandom rng(seed);
    MersenneRandom choices(seed * 7919);
    // The game as the program makes it: through its entry in the list of games.
    std::unique_ptr<CardGame> made;
    for (const GameDescriptor& d : OrderedGameModules(GameModules()))
      if (d.idValue == 0x20001) made.reset(d.create(rng, 0, nullptr));
    ASSERT_NE(made, nullptr);
    RauberSkatGame& game = static_cast<RauberSkatGame&>(*made);
    game.cardImages = &images;
    game.SetSeatComputer(true, 1);
    game.SetSeatComputer(true, 2);
    game.SetSeatName("Card Shark", 0);
    game.SetSeatName("Zeke", 1);
    game.SetSeatName("Rose", 2);
    game.fastSpeed = true;
    game.SetAreas(kTable, kStatus);
    SelfPlayOptions options;
    options.clickThroughHolds = seed % 2 == 0;
    options.doubleClickPlays = seed % 3 == 0;
    options.dialogSeed = seed;
    options.tricksPerHand = 10;
    options.places = [](const CardGame& g, std::vector<const Card*>& cards) {
      const auto& k = static_cast<const RauberSkatGame&>(g);
      for (const Card* c : k.skat)
        if (c) cards.push_back(c);
      cards.insert(cards.end(), k.discards.begin(), k.discards.end());
    };
    options.allowBox = [](const ScriptedDialogs::Box& b) {
      return b.kind == "choice" || b.kind == "check" || (b.kind == "info" && b.caption == "Rauber Skat") ||
             (b.kind == "yesno" && b.text == "Do you take the Skat?");
    };
    options.humanToMove = [](const CardGame& g) {
      const auto& k = static_cast<const RauberSkatGame&>(g);
      if (g.current != g.humanSeat || g.seatList[g.humanSeat].cards.empty()) return false;
      if (g.GetState() == Bidding) return (k.phase == 3 || k.phase == 4) && k.declarer == g.humanSeat;
      return g.GetState() == Playing && !g.seatList[g.humanSeat].playedCard;
    };
    options.humanMove = [](SelfPlay& p) {
      auto& k = static_cast<RauberSkatGame&>(p.Game());
      SeatRecord& hand = k.seatList[k.humanSeat];
      std::vector<Card*> cards;
      for (Card* c : hand.cards)
        if (k.GetState() == Bidding || k.tricks.IsLegalPlay(c, hand)) cards.push_back(c);
      if (cards.empty()) return false;
      const std::size_t before = hand.cards.size();
      Card* pick = cards[p.Random(static_cast<std::uint32_t>(cards.size()))];
      if (!pick->selected) p.ClickCard(hand, pick);
      p.ClickCard(hand, pick);
      if (hand.cards.size() != before - 1 && hand.cards.size() != before + 1)
        p.Fault("two clicks on a card did not take it from the hand");
      return true;
    };
    options.onHandOver = [&](CardGame& g) {
      auto& k = static_cast<RauberSkatGame&>(g);
      ++played;
      ASSERT_LT(k.declarer, 3u);
      const std::uint32_t f = k.gameFlags;
      ++declared[f & kSkatReject ? 3 : f & kSkatNull ? 2 : f & kSkatGrand ? 1 : 0];
      // Every card point is taken once; only a Null skat left in place belongs to nobody.
      std::uint32_t points = k.cardPoints[0] + k.cardPoints[1] + k.cardPoints[2];
      if (f & kSkatNull)
        for (const Card* c : k.skat)
          if (c) points += SkatCardPoints(*c);
      EXPECT_EQ(points, 120u) << "seed " << seed;
      EXPECT_EQ(k.tricksTaken[0] + k.tricksTaken[1] + k.tricksTaken[2], 10u);
      EXPECT_EQ(k.discards.size(), k.skat[0] ? 0u : 2u);
    };
    SelfPlay driver(game, choices);
    const SelfPlayResult r = driver.Run(options);
    EXPECT_TRUE(r.finished) << "seed " << seed;
    EXPECT_EQ(r.hands, 8) << "seed " << seed;
    for (const std::string& f : r.faults) ADD_FAILURE() << "seed " << seed << ": " << f;
  }
  EXPECT_GT(played, 200 * 4);
  for (int kind = 0; kind < 4; ++kind) EXPECT_GT(declared[kind], 0) << kind;
}
