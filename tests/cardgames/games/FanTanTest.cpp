#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "AppFolders.h"
#include "FanTan.h"
#include "GameResources.h"
#include "GameTable.h"
#include "TestCanvas.h"

namespace {

// Seat 0 deals the first game; with the pack in order each seat is dealt one suit:
// 0 clubs, 1 spades, 2 hearts, 3 diamonds. Options at their defaults.
class FanTanTest : public GameTable<FanTanGame> {
 protected:
  FanTanTest() : GameTable<FanTanGame>(OrderedDraws(3, 52)) {
    game.acesChosenInPlay = true;
    game.acesHigh = false;
    game.sevenOfSpadesStarts = true;
  }
  // Rows as given: low and high rank per suit (15: not started).
  void Rows(std::int32_t low, std::int32_t high, std::int32_t suit) {
    game.lowRank[suit] = low;
    game.highRank[suit] = high;
  }
  void Held(std::uint32_t seat) {
    for (auto& suit : game.held[seat])
      for (auto& h : suit) h = 0;
    for (const Card* c : game.seatList[seat].cards) game.held[seat][c->suit][c->rank == 14 ? 1 : c->rank] = 1;
  }
};

}  // namespace

TEST_F(FanTanTest, TheSevenOfSpadesStartsAndTheStatusSaysSo) {
  Deal();
  EXPECT_EQ(game.current, 1u);  // holds the spades
  EXPECT_EQ(game.statusLines[0], "ACES: Unknown");
  EXPECT_EQ(game.statusLines[1], "It is Betty's turn to play a card.");
  EXPECT_TRUE(game.firstPlay);
  EXPECT_FALSE(game.acesDecided);
  for (std::int32_t s = 0; s < 5; ++s) EXPECT_EQ(game.lowRank[s], 15);
  EXPECT_EQ(game.held[1][kSuitSpades][7], 1);
  EXPECT_EQ(game.held[1][kSuitSpades][1], 1);
  EXPECT_EQ(game.held[0][kSuitSpades][7], 0);
  for (std::uint32_t s = 0; s < 4; ++s) EXPECT_EQ(game.acePreference[s], 1);  // one ace each, a draw of 0: high
  EXPECT_FALSE(game.IsLegal(Find("7C")));  // not a spade
  EXPECT_TRUE(game.IsLegal(Find("7S")));
  EXPECT_FALSE(game.IsLegal(Find("6S")));
  // Without the rule the seat after the dealer starts and any seven goes.
  game.sevenOfSpadesStarts = false;
  game.acesChosenInPlay = false;
  game.acesHigh = true;
  Deal();
  EXPECT_EQ(game.current, 2u);  // dealer 1 now
  EXPECT_EQ(game.statusLines[0], "ACES: High");
  EXPECT_TRUE(game.IsLegal(Find("7C")));
}

TEST_F(FanTanTest, WhichCardsMayBePlayed) {
  Deal();
  game.firstPlay = false;
  Rows(5, 9, kSuitHearts);
  Rows(2, 13, kSuitClubs);
  Rows(7, 13, kSuitDiamonds);
  const struct {
    bool decided, high;
    const char* card;
    bool legal;
  } cases[] = {
      {false, false, "4H", true},   {false, false, "10H", true}, {false, false, "3H", false},
      {false, false, "JH", false},  {false, false, "7S", true},  {false, false, "8S", false},
      {false, false, "AC", true},   {true, false, "AC", true},   {true, true, "AC", true},
      {false, false, "AD", true},   {true, false, "AD", false},  {true, true, "AD", true},
      {false, false, "AH", false},
  };
  for (const auto& c : cases) {
    game.acesDecided = c.decided;
    game.acesHigh = c.high;
    EXPECT_EQ(game.IsLegal(Find(c.card)), c.legal) << c.card << " decided " << c.decided << " high " << c.high;
  }
  // A two-ended row: the ace under the two only while the aces are not decided high.
  Rows(2, 12, kSuitSpades);
  game.acesDecided = true;
  game.acesHigh = true;
  EXPECT_FALSE(game.IsLegal(Find("AS")));
  game.acesHigh = false;
  EXPECT_TRUE(game.IsLegal(Find("AS")));
}

TEST_F(FanTanTest, TheFirstAceDecidesHowAcesCount) {
  const struct {
    std::int32_t lo, hi;  // the hearts row
    std::uint32_t seat;
    std::uint8_t preference;
    bool answer;  // the human's
    bool high;
  } cases[] = {
      {5, 13, 1, 0, false, true},   // only the king open: high
      {2, 10, 1, 1, false, false},  // only the two: low
      {2, 13, 1, 1, false, true},   // both: the computer's preference
      {2, 13, 1, 0, false, false},
      {2, 13, 0, 0, true, true},    // both: the human is asked
      {2, 13, 0, 1, false, false},
  };
  for (const auto& c : cases) {
    Deal();
    game.firstPlay = false;
    Rows(c.lo, c.hi, kSuitHearts);
    game.rows[kSuitHearts].AddCard(Find("7H"));  // stands for the row so far
    Hand(c.seat, {"AH", "AC", "5C"});
    Held(c.seat);
    game.acePreference[c.seat] = c.preference;
    boxes.answers = {c.answer};
    const std::size_t before = boxes.boxes.size();
    game.current = c.seat;
    game.PlayCard(c.seat, Find("AH"));
    EXPECT_TRUE(game.acesDecided);
    EXPECT_EQ(game.acesHigh, c.high) << c.lo << "-" << c.hi << " seat " << c.seat;
    EXPECT_EQ(game.statusLines[0], c.high ? "ACES: High" : "ACES: Low");
    const bool asked = c.seat == 0 && c.lo == 2 && c.hi == 13;
    ASSERT_EQ(boxes.boxes.size(), before + asked);
    if (asked) {
      EXPECT_EQ(boxes.boxes.back().text, "Do you want aces to be high?");
    }
    // A high ace goes last in its row, a low one first.
    ASSERT_EQ(game.rows[kSuitHearts].cards.size(), 2u);
    EXPECT_EQ(game.rows[kSuitHearts].LastCard() == Find("AH"), c.high);
    EXPECT_EQ(game.rows[kSuitHearts].FirstCard() == Find("AH"), !c.high);
    // Every ace of the pack turns high with the first high ace; the held table keeps it.
    EXPECT_EQ(Find("AC")->rank, c.high ? 14 : 1);
    EXPECT_EQ(game.highRank[kSuitHearts], c.high ? 14 : c.hi);
    EXPECT_EQ(game.lowRank[kSuitHearts], c.high ? c.lo : 1);
    EXPECT_FALSE(game.reRankPending && c.high);
    EXPECT_EQ(game.held[c.seat][kSuitClubs][1], 1);
    EXPECT_EQ(game.held[c.seat][kSuitHearts][1], 0);
    EXPECT_EQ(game.lastRank[c.seat], c.high ? 14 : 1);
  }
}

TEST_F(FanTanTest, BuriedCardsAndTheEndOfAHand) {
  const struct {
    std::initializer_list<const char*> buried;
    bool acesHigh;
    std::int32_t lastRank;
    std::int32_t score;
  } cases[] = {
      {{}, false, 8, -25},  {{}, false, 7, -100},  {{"2C"}, false, 7, 3},
      {{"KC", "5D"}, false, 9, 20},  {{"AC", "3D"}, false, 9, 5},  {{"AC", "AD", "3D"}, true, 9, 34},
  };
  for (const auto& c : cases) {
    Deal();
    game.firstPlay = false;
    game.acesHigh = c.acesHigh;
    Hand(0, {});
    Hand(1, {});
    for (const char* b : c.buried) {
      Hand(1, {b});
      game.PlayCard(1, Find(b));  // no row is started: nothing is legal
    }
    EXPECT_EQ(game.buriedCount[1], static_cast<int>(c.buried.size()));
    EXPECT_EQ(game.seatList[1].cards.size(), 0u);
    for (std::uint32_t s = 0; s < 4; ++s) game.seatList[s].Clear();
    game.lastRank[1] = c.lastRank;
    game.computerDelay = 0;
    Tick();
    EXPECT_EQ(game.GetState(), HandOver);
    EXPECT_EQ(game.scores[1], c.score);
    EXPECT_EQ(game.statusLines[1], "This hand is over.");
    EXPECT_EQ(game.handOverCountdown, 50);
  }
}

TEST_F(FanTanTest, FourBuriesInARowBuryEverythingLeft) {
  Deal();
  game.firstPlay = false;
  Hand(0, {"2C", "3C"});
  Hand(1, {"2S", "KS"});
  Hand(2, {"AH"});
  Hand(3, {"9D", "4D", "5D"});
  for (std::uint32_t s = 0; s < 4; ++s) {
    game.current = s;
    game.PlayCard(s, game.seatList[s].FirstCard());
  }
  EXPECT_EQ(game.consecutiveBuries, 4u);
  EXPECT_TRUE(game.HandIsOver());
  game.computerDelay = 0;
  Tick();
  EXPECT_EQ(game.GetState(), HandOver);
  for (std::uint32_t s = 0; s < 4; ++s) EXPECT_TRUE(game.seatList[s].cards.empty());
  EXPECT_EQ(game.buriedCount[3], 3);
  EXPECT_EQ(game.scores[0], 3 + 4);
  EXPECT_EQ(game.scores[1], 3 + 14);
  EXPECT_EQ(game.scores[2], 1);  // a low ace
  EXPECT_EQ(game.scores[3], 10 + 5 + 6);
  // A score past 299 ends the game; the lowest wins.
  HighScoreScript hof;
  game.StartDeal(false, false, true);
  game.scores[2] = 299;
  for (std::uint32_t s = 0; s < 4; ++s) game.seatList[s].Clear();
  Hand(2, {"KH"});
  game.consecutiveBuries = 4;
  game.computerDelay = 0;
  Tick();
  ExpectGameOverThenFinished();
  ASSERT_EQ(hof.offers.size(), 4u);
  EXPECT_TRUE(hof.offers[0].lowerIsBetter);
}

TEST_F(FanTanTest, AnEmptyHandIsPassedOver) {
  Deal();
  game.firstPlay = false;
  Hand(1, {});
  Hand(0, {"KD", "QH"});
  game.current = 0;
  game.seatList[0].playedCard = Find("KC");
  game.AdvanceTurn();
  EXPECT_EQ(game.current, 2u);
  EXPECT_EQ(game.seatList[0].playedCard, nullptr);
  EXPECT_FALSE(game.HandIsOver());
  for (std::uint32_t s : {0u, 2u, 3u}) game.seatList[s].Clear();
  EXPECT_TRUE(game.HandIsOver());
}

TEST_F(FanTanTest, TheHumanPlaysOneCardATurnAndBuriesOnlyWhenBlocked) {
  Deal();
  game.firstPlay = false;
  Rows(7, 7, kSuitClubs);
  Hand(0, {"6C", "KD", "QH"});
  Held(0);
  game.SetCurrentSeat(0);
  EXPECT_EQ(game.statusLines[1], "You have 1 legal move.");
  ClickOn(game.seatList[0], Find("KD"));
  ClickOn(game.seatList[0], Find("KD"));
  EXPECT_EQ(Texts().back(), "That card is not allowed at this time.");
  ClickOn(game.seatList[0], Find("6C"));
  ClickOn(game.seatList[0], Find("6C"));
  EXPECT_EQ(game.rows[kSuitClubs].FirstCard(), Find("6C"));
  EXPECT_EQ(game.lowRank[kSuitClubs], 6);
  // A second play before the turn moves on comes to nothing.
  Rows(7, 7, kSuitDiamonds);
  Rows(12, 12, kSuitHearts);
  ClickOn(game.seatList[0], Find("QH"));
  ClickOn(game.seatList[0], Find("QH"));
  EXPECT_EQ(game.seatList[0].cards.size(), 2u);
  game.computerDelay = 0;
  Tick();
  EXPECT_EQ(game.current, 1u);
  // Blocked: any card is buried.
  Rows(15, 15, kSuitDiamonds);
  Rows(15, 15, kSuitHearts);
  game.SetCurrentSeat(0);
  EXPECT_EQ(game.statusLines[1], "You must bury a card.");
  ClickOn(game.seatList[0], Find("KD"));
  ClickOn(game.seatList[0], Find("KD"));
  EXPECT_EQ(game.buriedCount[0], 1);
  EXPECT_EQ(game.buriedPoints[0], 14);
  EXPECT_EQ(game.statusLines[2], "Card Shark buried a card.");
}

TEST_F(FanTanTest, ComputerChoicesScoreTheirSideOfTheSeven) {
  Deal();
  game.firstPlay = false;
  game.current = 1;
  // 6C and 8C both fit; the clubs held below the seven make the six the better play.
  Rows(7, 7, kSuitClubs);
  Hand(1, {"8C", "6C", "5C", "2C", "9D"});
  Held(1);
  EXPECT_EQ(game.PlayScore(1, Find("6C")), 6 + 6 + 5 + 2);
  EXPECT_EQ(game.PlayScore(1, Find("8C")), 8 + 8);
  EXPECT_EQ(CardName(game.ChooseCard()), "6C");
  // Blocked: bury the card with the lowest score, keeping runs together.
  Rows(15, 15, kSuitClubs);
  Hand(1, {"KC", "QC", "3D", "JH"});
  Held(1);
  EXPECT_EQ(game.BuryScore(1, Find("KC")), 13 + 13 + 12);
  EXPECT_EQ(game.BuryScore(1, Find("QC")), 12 + 13 + 12 + 5);
  EXPECT_EQ(CardName(game.ChooseCard()), "3D");
  // Nothing lies beyond a high ace, nor below a low one.
  Hand(1, {"AS", "KS"});
  Find("AS")->rank = 14;
  Held(1);
  EXPECT_EQ(game.BuryScore(1, Find("AS")), 15);
  EXPECT_EQ(game.PlayScore(1, Find("AS")), 15 + 5);  // the king is next toward the seven
  Find("AS")->rank = 1;
  EXPECT_EQ(game.BuryScore(1, Find("AS")), 1);
}

// An ace held counts 15 in the score of the cards on its side of the seven: a low ace
// below it, a high ace above it; the computer plays and buries by that score.
TEST_F(FanTanTest, AcesHeldCountFifteenInTheirSuitsScore) {
  const struct {
    std::initializer_list<const char*> hand;
    std::int32_t aceRank;
    bool blocked;
    const char* card;
    std::int32_t score;
    const char* chosen;
  } cases[] = {
      {{"8C", "9C", "6C", "AC"}, 1, false, "6C", 6 + 6 + 15, "6C"},
      {{"8C", "9C", "6C", "AC"}, 1, false, "8C", 8 + 8 + 9, "6C"},
      {{"6C", "5C", "8C", "AC"}, 14, false, "8C", 8 + 8 + 15, "8C"},
      {{"6C", "5C", "8C", "AC"}, 14, false, "6C", 6 + 6 + 5, "8C"},
      // Blocked: the king beside a high ace counts it; the ace alone scores 15 and goes first.
      {{"KC", "AC", "QH"}, 14, true, "KC", 13 + 13 + 15 + 5, "AC"},
  };
  for (const auto& c : cases) {
    Deal();
    game.firstPlay = false;
    game.current = 1;
    for (std::int32_t suit = 0; suit < 4; ++suit) Rows(15, 15, suit);
    if (!c.blocked) Rows(7, 7, kSuitClubs);
    Hand(1, c.hand);
    Find("AC")->rank = c.aceRank;
    Held(1);
    const std::int32_t score = c.blocked ? game.BuryScore(1, Find(c.card)) : game.PlayScore(1, Find(c.card));
    EXPECT_EQ(score, c.score) << c.card << " ace " << c.aceRank;
    EXPECT_EQ(Chosen(), c.chosen) << c.card << " ace " << c.aceRank;
  }
}

TEST(FanTanOptionsTest, ThreeBytesSavedAndAShortFileKeepsTheDefaults) {
  const std::string path = OptionsPath("Fan Tan");
  const struct {
    const char* what;
    std::vector<std::uint8_t> payload;
    std::uint32_t typeWord;
    bool inPlay, high, seven;
  } cases[] = {
      {"stored", {0, 1, 0}, 0x401, false, true, false},
      {"short", {0, 1}, 0x401, true, false, true},
      {"another game's", {0, 1, 0}, 0x11, true, false, true},
  };
  for (const auto& c : cases) {
    WriteOptionsFile(path, c.payload, c.typeWord);
    MersenneRandom rng(1);
    FanTanGame game(nullptr, 0, rng);
    EXPECT_EQ(game.acesChosenInPlay, c.inPlay) << c.what;
    EXPECT_EQ(game.acesHigh, c.high) << c.what;
    EXPECT_EQ(game.sevenOfSpadesStarts, c.seven) << c.what;
  }
  MersenneRandom rng(1);
  FanTanGame game(nullptr, 0, rng);
  const std::vector<int> controls = {IDC_FANTAN_ACES_IN_PLAY, IDC_FANTAN_ACES_HIGH, IDC_FANTAN_ACES_LOW,
                                     IDC_FANTAN_SEVEN, IDC_FANTAN_SEVEN_NOT};
  OptionsSeen seen = UseOptionsDialog(game, "Fan Tan Options", controls, {IDC_FANTAN_ACES_LOW, IDC_FANTAN_SEVEN_NOT}, IDOK);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.ticked, (std::vector<bool>{true, false, false, true, false}));
  EXPECT_FALSE(game.acesChosenInPlay);
  EXPECT_FALSE(game.acesHigh);
  EXPECT_TRUE(game.acesDecided);
  EXPECT_FALSE(game.sevenOfSpadesStarts);
  EXPECT_EQ(FileText(path), StoredOptions({0, 0, 0}, 0x401));
  DeleteFileA(path.c_str());
}

// Whole games: the human plays a random legal card, or buries a random one when blocked.
// A card that reaches a row was legal; a card buried during play came from a blocked hand;
// every card is in a hand, on a row or buried; and the game ends.
TEST(FanTanSelfPlayTest, SeededGamesAccountForEveryCard) {
  CardImages images;
  for (std::uint32_t seed = 1; seed <= 200; ++seed) {
    MersenneRandom rng(seed);
    MersenneRandom choices(seed * 17);
    FanTanGame game(nullptr, 0, rng);
    SeatForSelfPlay(game, images);
    game.fastSpeed = seed % 5 != 0;
    game.acesChosenInPlay = seed % 3 != 0;
    game.acesHigh = seed % 2 == 0;
    game.sevenOfSpadesStarts = seed % 4 != 1;
    MersenneRandom answers(seed);
    RandomDialogs boxes(&game, answers);
    game.Resume();
    game.NewDeal(true, true);
    int ticks = 0, hands = 0;
    for (; ticks < 100000 && game.GetState() != Finished; ++ticks) {
      const std::int32_t st = game.GetState();
      const std::uint32_t mover = game.current;
      std::set<const Card*> legal;
      std::vector<std::size_t> sizes;
      for (const SeatRecord& s : game.seatList) sizes.push_back(s.cards.size());
      for (const Card* c : game.seatList[mover].cards)
        if (game.IsLegal(c)) legal.insert(c);
      const bool humanTurn = st == Playing && mover == 0 && !game.HandIsOver() && !game.seatList[0].playedCard &&
                             game.seatList[0].cards.size() > 1;
      if (humanTurn) {
        SeatRecord& hand = game.seatList[0];
        std::vector<Card*> pool;
        for (Card* c : hand.cards)
          if (legal.empty() || legal.count(c)) pool.push_back(c);
        Card* pick = pool[choices.Next(static_cast<std::uint32_t>(pool.size()))];
        long x = 0, y = 0;
        ASSERT_TRUE(PointOnCard(hand, pick, x, y));
        game.OnLButtonDown(MAKELPARAM(x, y));
        game.OnLButtonDown(MAKELPARAM(x, y));
        ASSERT_EQ(hand.playedCard, pick) << "seed " << seed;
      } else if (st == HandOver && ticks % 7 == 0) {
        game.OnLButtonDown(MAKELPARAM(5, 5));
      } else if (game.state != Paused) {
        game.OnTimer();
      }
      if (st == Playing && game.GetState() == Playing) {
        for (std::uint32_t s = 0; s < 4; ++s) {
          if (game.seatList[s].cards.size() == sizes[s]) continue;
          ASSERT_EQ(s, mover) << "seed " << seed << ": seat " << s << " played out of turn";
          ASSERT_EQ(game.seatList[s].cards.size() + 1, sizes[s]) << "seed " << seed;
          const Card* c = game.seatList[s].playedCard;
          ASSERT_NE(c, nullptr);
          const bool onRow = std::find(game.rows[c->suit].cards.begin(), game.rows[c->suit].cards.end(), c) !=
                             game.rows[c->suit].cards.end();
          if (onRow)
            ASSERT_TRUE(legal.count(c)) << "seed " << seed << ": seat " << s << " built " << CardName(c);
          else
            ASSERT_TRUE(legal.empty()) << "seed " << seed << ": seat " << s << " buried with a play open";
        }
      }
      if (st == Playing && game.GetState() != Playing) ++hands;
      CardCensus census;
      for (const SeatRecord& s : game.seatList) census.Add(s.cards);
      for (const CardStack& r : game.rows) census.Add(r.cards);
      ASSERT_TRUE(census.Distinct()) << "seed " << seed;
      const std::size_t count = census.count;
      std::size_t buried = 0;
      for (int b : game.buriedCount) buried += static_cast<std::size_t>(b);
      if (game.GetState() != Finished) {
        ASSERT_EQ(count + buried, 52u) << "seed " << seed << " tick " << ticks;
      }
    }
    ASSERT_EQ(game.GetState(), Finished) << "seed " << seed;
    EXPECT_GE(hands, 1);
    std::int32_t high = -1000;
    for (std::uint32_t s = 0; s < 4; ++s) high = std::max(high, game.scores[s]);
    EXPECT_GT(high, 299) << "seed " << seed;
    int others = 0;
    for (const auto& b : boxes.boxes) others += b.text != "Do you want aces to be high?";
    EXPECT_EQ(others, 1) << "seed " << seed;
  }
}

TEST_F(FanTanTest, PaintsTheHumansHandTheRowsAndTheBuriedPanel) {
  tc::Canvas canvas(790, 560);
  DealAfterBlankPaint(canvas);
  game.PlayCard(1, Find("7S"));
  game.Paint(canvas.dc());
  const CardRect& hand = game.seatList[0].bounds;
  EXPECT_NE(canvas.At(hand.left + 10, hand.top + 10), tc::kPaper);
  const CardRect& row = game.rows[kSuitSpades].bounds;
  EXPECT_NE(canvas.At(row.left + 10, row.top + 10), tc::kPaper);
  EXPECT_EQ(canvas.At(game.rows[kSuitHearts].anchorX + 10, game.rows[kSuitHearts].anchorY + 10), tc::kPaper);
  EXPECT_EQ(canvas.At(kStatus.left + 40, kStatus.top + 199), COLORREF(0xA3BCCE));
}
