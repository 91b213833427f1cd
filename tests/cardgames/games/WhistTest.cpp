#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "GameTable.h"
#include "Whist.h"

namespace {

// The dealer drawn at construction, then a shuffle that leaves the pack in order: seat 3
// deals, each seat is dealt one whole suit (0 spades, 1 hearts, 2 diamonds, 3 clubs) and
// the ace of clubs, the last card, makes clubs trump.
class WhistTest : public GameTable<WhistGame> {
 protected:
  WhistTest() : GameTable(OrderedDraws(2, 52)) {}
  // Moves a card from one seat's hand to another's.
  void Give(const char* text, std::uint32_t to) {
    Card* c = Find(text);
    for (SeatRecord& s : game.seatList) s.RemoveCard(c);
    game.seatList[to].AddCard(c);
  }
};

}  // namespace

TEST(WhistRegistryTest, PackInRankOrder) {
  MersenneRandom rng(7);
  WhistGame g(nullptr, 0, rng);
  EXPECT_EQ(CardName(&g.deck.pack[3]), "AS");
  EXPECT_EQ(CardName(&g.deck.pack[4]), "KC");
}

TEST_F(WhistTest, DealTurnsUpTheDealersLastCardForTrump) {
  Deal();
  EXPECT_EQ(game.dealer, 3u);
  EXPECT_EQ(game.current, 0u);
  ASSERT_EQ(game.trumpCard, Find("AC"));
  EXPECT_TRUE(game.trumpCard->faceUp);
  EXPECT_EQ(game.tricks.trump, kSuitClubs);
  const int suitOfSeat[4] = {kSuitSpades, kSuitHearts, kSuitDiamonds, kSuitClubs};
  for (std::uint32_t s = 0; s < 4; ++s) {
    ASSERT_EQ(game.seatList[s].cards.size(), 13u);
    EXPECT_EQ(game.seatList[s].CountSuit(suitOfSeat[s]), 13u);
    EXPECT_EQ(game.holdsTrump[s], 1);
    EXPECT_EQ(game.firstLedSuit[s], kSuitNone);
    for (Card* c : game.seatList[s].cards) EXPECT_EQ(c->faceUp, s == 0 || c == game.trumpCard);
  }
  EXPECT_EQ(game.statusLines, (std::vector<std::string>{"Hand 1 of 8", "It is your turn to lead a card.", "", "", ""}));
  EXPECT_EQ(game.GetState(), Playing);
}

TEST_F(WhistTest, ATrickPlayedByClicksAndTicks) {
  Deal();
  ClickOn("KS");
  EXPECT_TRUE(Find("KS")->selected);
  game.OnLButtonDown(MAKELPARAM(300, 20));  // beside the hand
  EXPECT_FALSE(Find("KS")->selected);
  ClickOn("KS");
  ClickOn("KS");
  EXPECT_EQ(game.tableCards[0], Find("KS"));
  EXPECT_EQ(game.seatList[0].playedCard, Find("KS"));
  EXPECT_EQ(game.seatList[0].cards.size(), 12u);
  EXPECT_EQ(Line(1), "Lead: (King of Spades)");
  EXPECT_EQ(game.firstLedSuit[0], kSuitSpades);
  EXPECT_TRUE(game.gameInProgress);

  // A quick second play to the same trick comes to nothing.
  ClickOn("QS");
  ClickOn("QS");
  EXPECT_EQ(game.seatList[0].cards.size(), 12u);
  EXPECT_EQ(game.tableCards[0], Find("KS"));
  EXPECT_FALSE(Find("QS")->selected);
  EXPECT_EQ(game.tricks.playedCount, 1u);

  Tick();  // the turn moves on
  EXPECT_EQ(game.current, 1u);
  EXPECT_EQ(game.computerDelay, 10);
  EXPECT_EQ(Line(2), "It is Betty's turn to play a card.");
  EXPECT_EQ(Line(1), "Lead: (King of Spades)");
  game.OnLButtonDown(MAKELPARAM(300, 450));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Whist");
  EXPECT_EQ(boxes.boxes[0].text, "It is Betty's turn to play.");

  Tick(10);
  EXPECT_EQ(game.seatList[1].playedCard, nullptr);
  Tick();
  ASSERT_NE(game.seatList[1].playedCard, nullptr);
  EXPECT_EQ(game.seatList[1].playedCard->suit, kSuitHearts);
  for (int i = 0; i < 40 && game.GetState() == Playing; ++i) Tick();
  ASSERT_EQ(game.GetState(), HoldB);
  EXPECT_EQ(game.tricks.winningSeat, 3);  // the only trumps are Zeke's
  EXPECT_EQ(game.tricksWon[3], 1);
  EXPECT_EQ(Line(1), "This trick is over.");
  EXPECT_EQ(Line(2), "");
  EXPECT_EQ(game.handOverCountdown, 20);
  Tick(5);
  game.OnLButtonDown(MAKELPARAM(5, 5));  // a click ends the hold at the next tick
  EXPECT_EQ(game.handOverCountdown, 0);
  Tick();
  EXPECT_EQ(game.GetState(), Playing);
  for (Card* c : game.tableCards) EXPECT_EQ(c, nullptr);
  EXPECT_EQ(game.current, 3u);  // the winner leads
  EXPECT_EQ(Line(1), "It is Zeke's turn to lead a card.");
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(WhistTest, ACardThatDoesNotFollowSuitIsRefused) {
  Deal();
  Give("2H", 0);
  Give("2S", 1);
  game.current = 1;
  game.PlayCard(1, Find("5H"));
  game.SetCurrentSeat(0);
  EXPECT_EQ(Line(2), "It is your turn to play a card.");
  ClickOn("KS");
  ClickOn("KS");
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Whist");
  EXPECT_EQ(boxes.boxes[0].text, "That card is not allowed at this time.");
  EXPECT_EQ(boxes.boxes[0].stateSeen, Paused);
  EXPECT_EQ(game.state, Playing);
  EXPECT_TRUE(Find("KS")->selected);
  EXPECT_EQ(game.seatList[0].playedCard, nullptr);
  ClickOn("2H");
  EXPECT_FALSE(Find("KS")->selected);
  ClickOn("2H");
  EXPECT_EQ(game.seatList[0].playedCard, Find("2H"));
  EXPECT_EQ(game.firstLedSuit[0], kSuitNone);  // following is not leading
  EXPECT_EQ(game.firstLedSuit[1], kSuitHearts);
}

TEST_F(WhistTest, ASideOutOfTrumpsIsNoLongerDrawnAgainst) {
  Deal();
  game.seatList[1].longInSuit = true;
  game.seatList[3].longInSuit = true;
  const struct {
    std::uint32_t seat;
    const char* card;
    std::uint8_t holds[4];
    bool longInSuit;  // of seats 1 and 3 afterwards
  } steps[] = {
      {3, "AC", {1, 1, 1, 1}, true},
      {0, "KS", {0, 1, 1, 1}, true},
      {1, "KH", {0, 0, 1, 1}, true},
      {2, "KD", {0, 0, 0, 1}, false},
  };
  for (const auto& s : steps) {
    game.current = s.seat;
    game.PlayCard(s.seat, Find(s.card));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(game.holdsTrump[i], s.holds[i]) << s.card << " seat " << i;
    EXPECT_EQ(game.seatList[1].longInSuit, s.longInSuit) << s.card;
    EXPECT_EQ(game.seatList[3].longInSuit, s.longInSuit) << s.card;
  }
  EXPECT_TRUE(game.trumpLed);
  EXPECT_EQ(game.trumpCard, Find("AC"));  // still shown after it was played
}

TEST_F(WhistTest, TheSideOverSixTricksScoresTheExcess) {
  const struct {
    int tricks[4];
    int before[2];  // our side, their side
    int after[2];
  } cases[] = {
      {{4, 3, 3, 3}, {0, 0}, {1, 0}},  {{7, 0, 6, 0}, {2, 5}, {9, 5}}, {{3, 4, 3, 3}, {3, 2}, {3, 3}},
      {{0, 7, 0, 6}, {0, 0}, {0, 7}},  {{3, 3, 3, 4}, {1, 1}, {1, 2}},
  };
  for (const auto& c : cases) {
    Deal();
    for (int s = 0; s < 4; ++s) {
      game.seatList[s].Clear();
      game.tricksWon[s] = c.tricks[s];
    }
    game.scores[0] = game.scores[2] = c.before[0];
    game.scores[1] = game.scores[3] = c.before[1];
    game.SetState(HoldB);
    game.handOverCountdown = 0;
    game.computerDelay = 0;
    Tick();
    EXPECT_EQ(game.GetState(), HandOver);
    EXPECT_EQ(game.scores[0], c.after[0]);
    EXPECT_EQ(game.scores[2], c.after[0]);
    EXPECT_EQ(game.scores[1], c.after[1]);
    EXPECT_EQ(game.scores[3], c.after[1]);
    EXPECT_EQ(Line(1), "This hand is over.");
    EXPECT_EQ(game.handOverCountdown, 50);
  }
}

TEST_F(WhistTest, HandsFollowOneAnotherToTheEndOfTheGame) {
  HighScoreScript hof;
  hof.places = {0, 0, 0, 4};
  Deal();
  for (int s = 0; s < 4; ++s) game.seatList[s].Clear();
  game.tricksWon[0] = 9;
  game.SetState(HoldB);
  game.handOverCountdown = 0;
  Tick();
  Tick(50);
  EXPECT_EQ(game.GetState(), HandOver);
  Tick();
  EXPECT_EQ(game.GetState(), Playing);
  EXPECT_EQ(Line(0), "Hand 2 of 8");
  EXPECT_EQ(game.dealer, 0u);
  EXPECT_EQ(game.scores[0], 3);

  // The last hand ends the game; the next tick scores it in the Hall of Fame.
  game.handsPlayed = 7;
  for (int s = 0; s < 4; ++s) game.seatList[s].Clear();
  game.tricksWon[1] = 7;
  game.tricksWon[2] = 6;
  game.SetState(HoldB);
  game.handOverCountdown = 0;
  game.computerDelay = 0;
  Tick();
  game.OnLButtonDown(MAKELPARAM(5, 5));
  Tick();
  ExpectGameOverThenFinished();
  ASSERT_EQ(hof.offers.size(), 4u);
  EXPECT_EQ(hof.offers[3].name, "Card Shark");
  EXPECT_EQ(hof.offers[3].score, 3);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text,
            "Congratulations Card Shark  You won the game, and your score is number 4 on the list of high scores!");

  // A click on the finished game offers a new one.
  boxes.answers = {true};
  game.OnLButtonDown(MAKELPARAM(5, 5));
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].text, "Would you like to start a new game of Whist?");
  EXPECT_EQ(game.GetState(), Playing);
  EXPECT_EQ(Line(0), "Hand 1 of 8");
  EXPECT_EQ(game.scores[0], 0);
}

TEST_F(WhistTest, ComputerPlayersReturnThePartnersSuitAndRuff) {
  Deal();
  auto hand = [&](std::uint32_t seat, std::vector<const char*> cards) {
    game.seatList[seat].Clear();
    for (const char* c : cards) game.seatList[seat].AddCard(Find(c));
    game.seatList[seat].longInSuit = false;
    game.seatList[seat].longestSuit = kSuitNone;
  };
  // Leading: the partner first led hearts, so hearts come back.
  hand(2, {"2H", "9H", "AS", "AD", "KD"});
  game.firstLedSuit[0] = kSuitHearts;
  game.current = 2;
  Card* c = game.ChooseCard();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->suit, kSuitHearts);
  // Not a suit that is trump.
  hand(2, {"2C", "AS", "AD"});
  game.firstLedSuit[0] = kSuitClubs;
  c = game.ChooseCard();
  ASSERT_NE(c, nullptr);
  EXPECT_NE(c->suit, kSuitClubs);

  // Second hand, void in the led suit: ruffs while the suit still goes round.
  hand(0, {"5H", "KS"});
  hand(1, {"2C", "3C", "KS", "QD"});
  game.current = 0;
  game.PlayCard(0, Find("5H"));
  game.current = 1;
  c = game.ChooseCard();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->suit, kSuitClubs);
  game.tricks.suitBudget[kSuitHearts] = 0;
  c = game.ChooseCard();
  ASSERT_NE(c, nullptr);
  EXPECT_NE(c->suit, kSuitClubs);

  // Fourth hand with the partner winning: no card is wasted on the trick.
  game.tricks.NewTrick();
  hand(0, {"3H"});
  hand(1, {"QH"});
  hand(2, {"4H"});
  hand(3, {"KH", "2H", "8D"});
  for (std::uint32_t s = 0; s < 3; ++s) {
    game.current = s;
    game.PlayCard(s, game.seatList[s].FirstCard());
  }
  game.current = 3;
  EXPECT_EQ(CardName(game.ChooseCard()), "2H");
}

TEST_F(WhistTest, PaintsTheTableAndPanelsOnlyOnceDealt) {
  tc::Canvas canvas(790, 560);
  DealAfterBlankPaint(canvas);
  game.Paint(canvas.dc());
  const RECT& t = game.trumpCardRect;
  EXPECT_NE(canvas.At(t.left + 10, t.top + 10), tc::kPaper);  // the trump card
  const CardRect& h = game.seatList[0].bounds;
  EXPECT_NE(canvas.At(h.left + 5, h.top + 40), tc::kPaper);  // the human's hand
  EXPECT_EQ(canvas.At(kStatus.left + 40, kStatus.top + 39), COLORREF(0xA3BCCE));
  EXPECT_EQ(canvas.At(kStatus.left + 40, kStatus.top + 199), COLORREF(0xA3BCCE));
  EXPECT_EQ(canvas.At(game.trickRects[0].left + 5, game.trickRects[0].top + 5), tc::kPaper);  // nothing played
}

// A selected card stands 20 pixels above the hand: that part of it plays it, and the
// player's name, just above the hand, is drawn under it.
TEST_F(WhistTest, TheRaisedPartOfASelectedCardIsItsOwn) {
  Deal();
  SeatRecord& hand = game.seatList[0];
  Card* middle = hand.cards[6];
  const long left = hand.bounds.left + 6 * 20, top = hand.bounds.top;
  auto paintWithName = [&](const char* name) {
    game.seatList[0].name = name;
    tc::Canvas canvas(790, 560);
    game.Paint(canvas.dc());
    const std::vector<DWORD> pixels = canvas.Pixels();
    std::vector<DWORD> raised;
    for (long y = top - 19; y < top; ++y)
      for (long x = left + 1; x < left + images.CardWidth(); ++x) raised.push_back(pixels[size_t(y) * 790 + size_t(x)]);
    return raised;
  };
  middle->selected = true;
  const std::vector<DWORD> unnamed = paintWithName("");
  EXPECT_EQ(paintWithName("WWWWWWWWWWWWWWWWWW"), unnamed);
  middle->selected = false;

  game.OnLButtonDown(MAKELPARAM(left + 10, top + 40));
  ASSERT_TRUE(middle->selected);
  game.OnLButtonDown(MAKELPARAM(left + 40, top - 10));  // above the hand, on the raised card
  EXPECT_EQ(game.tableCards[0], middle);
}

TEST_F(WhistTest, LayoutPlacesHandTricksAndLabels) {
  const int w = images.CardWidth(), hgt = images.CardHeight();
  ExpectRect(game.trumpCardRect, 611 - w - 10, 52, 611 - 10, 52 + hgt);
  ExpectRect(game.trumpLabelRect, 611 - w - 10, 22, 611 - 10, 42);
  const long handTop = 491 - hgt - 5;
  EXPECT_EQ(game.seatList[0].bounds.top, handTop);
  ExpectRect(game.trickRects[0], (599 - w) / 2 + 12, handTop - hgt - 30, (599 - w) / 2 + 12 + w, handTop - 30);
  ExpectRect(game.trickRects[1], 17, (479 - hgt) / 2 + 12, 17 + w, (479 - hgt) / 2 + 12 + hgt);
  ExpectRect(game.trickRects[3], 611 - w - 5, (479 - hgt) / 2 + 12, 611 - 5, (479 - hgt) / 2 + 12 + hgt);
  EXPECT_EQ(game.seatList[0].labelFormat, 0x29);
  ExpectRect(game.seatList[0].labelRect, 12, 12, 611, handTop - 10);
  ExpectRect(game.seatList[2].labelRect, 12, 17 + hgt + 10, 611, 491);
  EXPECT_EQ(game.seatList[3].labelRect.right, game.trickRects[3].left - 10);
}

// Whole games between the computer seats and a human seat that plays legal cards at random.
TEST(WhistSelfPlayTest, SeededGamesPlayToTheEnd) {
  int before[2] = {0, 0};
  const auto setUp = [&](WhistGame& game, SelfPlayOptions& options, std::uint32_t seed) {
    game.SetSeatName("Zeke", 1);
    game.fastSpeed = seed % 4 != 0;
    options.tricksPerHand = 13;
    options.clickThroughHolds = seed % 2 == 0;
    options.maxTicks = 20000;
    before[0] = before[1] = 0;
    options.onHandOver = [&](CardGame& g) {
      WhistGame& w = static_cast<WhistGame&>(g);
      const int ours = w.tricksWon[0] + w.tricksWon[2];
      const int theirs = w.tricksWon[1] + w.tricksWon[3];
      EXPECT_EQ(ours + theirs, 13);
      EXPECT_EQ(w.scores[0], w.scores[2]);
      EXPECT_EQ(w.scores[1], w.scores[3]);
      EXPECT_EQ(w.scores[0] - before[0], ours > 6 ? ours - 6 : 0);
      EXPECT_EQ(w.scores[1] - before[1], theirs > 6 ? theirs - 6 : 0);
      before[0] = w.scores[0];
      before[1] = w.scores[1];
    };
  };
  PlaySeeds<WhistGame>(40, setUp, [](WhistGame& game, const SelfPlayResult& r, std::uint32_t seed) {
    EXPECT_TRUE(r.finished) << "seed " << seed;
    EXPECT_EQ(r.hands, 8) << "seed " << seed;
    EXPECT_EQ(r.tricks, 8 * 13) << "seed " << seed;
    EXPECT_EQ(r.humanPlays, 8 * 12) << "seed " << seed;  // the last card of a hand plays itself
    ASSERT_EQ(r.boxes.size(), 1u) << "seed " << seed;
    const std::string expected = game.scores[0] >= game.scores[1]
                                     ? "Congratulations Card Shark!  You won the game, but you did not make the "
                                       "high score list.  Try again."
                                     : "Too bad, Zeke won the game.  Try again.";
    EXPECT_EQ(r.boxes[0].text, expected) << "seed " << seed;
  });
}
