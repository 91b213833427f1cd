#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "AppFolders.h"
#include "Arlington.h"
#include "DrawTable.h"
#include "GameResources.h"
#include "GameTable.h"
#include "TestCanvas.h"

namespace {

// Seat 0 deals the first game, so the computer (seat 1) plays first; deuces wild.
class ArlingtonTest : public GameTable<ArlingtonGame> {
 protected:
  ArlingtonTest() : GameTable<ArlingtonGame>(OrderedDraws(1, 105)) { game.deucesWild = true; }
  // The human's turn after drawing, with this hand.
  void HumanToPlay(std::initializer_list<const char*> cards) {
    Deal();
    Hand(0, cards);
    game.SetCurrentSeat(0);
    game.mustDraw = false;
  }
  MeldSlot& Slot(std::uint32_t seat, int k) { return game.slots[seat][k]; }
  void ClickSlot(int k) { ClickAt(Slot(0, k).pile); }
  std::vector<std::string> SlotCards(std::uint32_t seat, int k) {
    std::vector<std::string> out;
    for (const Card* c : Slot(seat, k).pile.cards) out.push_back(CardName(c));
    return out;
  }
};

}  // namespace

TEST(ArlingtonRegistryTest, TwoPacksWithOneJoker) {
  MersenneRandom rng(5);
  ArlingtonGame g(nullptr, 0, rng);
  EXPECT_EQ(CardName(&g.deck.pack[52]), "AC");
}

TEST_F(ArlingtonTest, TheDealLeavesSeventyEightInTheStock) {
  Deal();
  EXPECT_EQ(game.deck.stock.size(), 78u);
  EXPECT_EQ(game.discardPile.cards.size(), 1u);
  EXPECT_EQ(game.seatList[0].cards.size(), 13u);
  EXPECT_EQ(game.seatList[1].cards.size(), 13u);
  for (const Card& c : game.deck.pack) EXPECT_TRUE(c.faceUp);
  EXPECT_EQ(game.current, 1u);
  EXPECT_TRUE(game.mustDraw);
  EXPECT_EQ(game.computerStep, 0);
  EXPECT_EQ(game.statusLines[0], "Hand 1 of 8");
  EXPECT_EQ(game.statusLines[1], "It is Betty's turn to draw.");
  EXPECT_EQ(game.jokerCard.rank, 0);
}

TEST_F(ArlingtonTest, CardValuesInHandAndInMelds) {
  const struct {
    const char* card;
    bool deuces;
    bool inMeld;
    std::int32_t position;
    std::int32_t value;
  } cases[] = {
      {"JK", true, false, 15, 200}, {"JK", true, true, 5, 100},  {"QS", true, false, 15, 100},
      {"QS", true, true, 12, 50},   {"QH", true, false, 15, 10}, {"8D", false, true, 8, 10},
      {"3C", true, false, 15, 5},   {"7C", true, true, 7, 5},    {"2C", true, false, 15, 20},
      {"2C", true, true, 2, 5},     {"2C", true, true, 9, 10},   {"AS", true, true, 1, 5},
      {"AS", true, true, 14, 10},   {"AS", true, false, 15, 20}, {"2C", false, false, 15, 5},
      {"AS", false, true, 14, 5},
  };
  for (const auto& c : cases) {
    game.deucesWild = c.deuces;
    EXPECT_EQ(game.CardValue(Find(c.card), c.inMeld, c.position), c.value) << c.card << " " << c.position;
  }
  game.deucesWild = true;
  EXPECT_TRUE(game.IsWild(Find("2H")));
  EXPECT_TRUE(game.IsWild(Find("JK")));
  game.deucesWild = false;
  EXPECT_FALSE(game.IsWild(Find("2H")));
}

TEST_F(ArlingtonTest, WhichMeldsAreValid) {
  const struct {
    bool deuces;
    std::initializer_list<const char*> cards;
    bool valid;
    bool run;
    std::int32_t low, high;
  } cases[] = {
      {true, {"5H", "6H"}, false, false, 0, 0},               // two cards
      {true, {"5H", "6H", "7H", "8H", "9H"}, false, false, 0, 0},
      {true, {"5H", "JK", "2C"}, false, false, 0, 0},         // one natural
      {true, {"5H", "6H", "7D"}, false, false, 0, 0},         // mixed suits
      {true, {"5H", "5D", "6H"}, false, false, 0, 0},         // neither set nor run
      {true, {"5H", "6H", "7H"}, true, true, 5, 7},
      {true, {"5H", "7H", "2C"}, true, true, 5, 7},           // the deuce fills the gap
      {true, {"5H", "8H", "2C"}, false, false, 0, 0},         // a gap too wide
      {true, {"KS", "AS", "QS"}, true, true, 12, 14},         // ace high beside a king
      {true, {"AS", "3S", "2C"}, true, true, 1, 3},           // ace low beside a three
      {false, {"AS", "2S", "5S", "JK"}, false, false, 0, 0},
      {false, {"AS", "2S", "3S"}, true, true, 1, 3},          // a natural two makes it low
      {true, {"9C", "9D", "9C"}, true, false, 9, 9},
      {true, {"9C", "9D", "2H"}, true, false, 9, 9},
      {true, {"AC", "AD", "3D"}, false, false, 0, 0},
  };
  for (const auto& c : cases) {
    game.deucesWild = c.deuces;
    Deal();
    game.seatList[0].Clear();
    std::map<std::string, int> used;
    for (const char* t : c.cards) {
      Card* card = Find(t, used[t]++);
      for (SeatRecord& s : game.seatList) s.RemoveCard(card);
      game.seatList[0].AddCard(card);
      card->selected = true;
    }
    const bool ok = game.MeldInSlot(0, 0, nullptr);
    std::string what;
    for (const char* t : c.cards) what += std::string(t) + " ";
    EXPECT_EQ(ok, c.valid) << what;
    if (!ok) {
      EXPECT_EQ(game.seatList[0].cards.size(), c.cards.size()) << what;
      EXPECT_TRUE(Slot(0, 0).pile.cards.empty()) << what;
      continue;
    }
    EXPECT_EQ(Slot(0, 0).isRun, c.run) << what;
    EXPECT_EQ(Slot(0, 0).lowRank, c.low) << what;
    EXPECT_EQ(Slot(0, 0).highRank, c.high) << what;
    EXPECT_TRUE(game.seatList[0].cards.empty()) << what;
  }
}

TEST_F(ArlingtonTest, FourWithoutTheJokerScoreAndClearAtOnce) {
  const struct {
    bool deuces;
    std::initializer_list<const char*> cards;
    bool cleared;
    std::int32_t score;
  } cases[] = {
      {true, {"AC", "AD", "AH", "AS"}, true, 40},    // every ace stands at its own rank
      {false, {"2C", "2D", "2H", "2S"}, true, 20},   // natural deuces
      {true, {"KC", "KD", "KH", "KS"}, true, 40},
      {true, {"9H", "10H", "JH", "QH"}, true, 40},
      {true, {"QS", "QD", "QH", "QC"}, true, 80},
      {true, {"9H", "10H", "JH", "2C"}, true, 40},   // a deuce put at the eight's place counts 10
      {true, {"3H", "4H", "5H", "2C"}, true, 20},    // ...and 5 at the six's
      {true, {"9H", "10H", "JH", "JK"}, false, 0},   // the joker keeps the meld on the table
  };
  for (const auto& c : cases) {
    game.deucesWild = c.deuces;
    HumanToPlay({});
    for (const char* t : c.cards) {
      Card* card = Find(t);
      for (SeatRecord& s : game.seatList) s.RemoveCard(card);
      game.seatList[0].AddCard(card);
      card->selected = true;
    }
    ASSERT_TRUE(game.MeldInSlot(0, 2, nullptr));
    EXPECT_EQ(Slot(0, 2).pile.cards.empty(), c.cleared);
    EXPECT_EQ(game.scores[0], c.score);
    if (c.cleared) {
      EXPECT_EQ(game.statusLines[2], "Slot 3 has been cleared.");
    }
  }
}

TEST_F(ArlingtonTest, AddingToMelds) {
  HumanToPlay({"5H", "6H", "7H", "8D", "4H", "AC", "AD", "2C", "QC"});
  Select({"5H", "6H", "7H"});
  ASSERT_TRUE(game.MeldInSlot(0, 0, nullptr));
  Select({"8D"});
  EXPECT_FALSE(game.MeldInSlot(0, 0, nullptr));  // a natural must be of the run's suit
  Select({"QC"});
  EXPECT_FALSE(game.MeldInSlot(0, 0, nullptr));
  Select({"4H"});
  ASSERT_TRUE(game.MeldInSlot(0, 0, nullptr));  // four cards: scored and cleared
  EXPECT_TRUE(Slot(0, 0).pile.cards.empty());
  EXPECT_EQ(game.scores[0], 20);
  // A run with an ace at its low end takes a wild card at the top, without asking.
  game.deucesWild = false;
  Hand(0, {"AC", "2C", "3C", "JK", "9D"});
  Select({"AC", "2C", "3C"});
  ASSERT_TRUE(game.MeldInSlot(0, 1, nullptr));
  EXPECT_EQ(Slot(0, 1).lowRank, 1);
  const std::size_t boxesBefore = boxes.boxes.size();
  EXPECT_TRUE(game.AddCardToSlot(0, 1, Find("JK")));
  EXPECT_EQ(boxes.boxes.size(), boxesBefore);
  EXPECT_EQ(Slot(0, 1).highRank, 4);
  EXPECT_EQ(SlotCards(0, 1), (std::vector<std::string>{"AC", "2C", "3C", "JK"}));
  EXPECT_EQ(game.jokerCard.rank, 4);
  EXPECT_EQ(game.jokerCard.suit, kSuitClubs);
  // The human chooses the end of a run that could go either way.
  game.deucesWild = true;
  Hand(0, {"6S", "7S", "8S", "2D", "JD"});
  Select({"6S", "7S", "8S"});
  ASSERT_TRUE(game.MeldInSlot(0, 2, nullptr));
  boxes.answers = {false};
  EXPECT_TRUE(game.AddCardToSlot(0, 2, Find("2D")));
  EXPECT_EQ(boxes.boxes.back().text, "Would you like the deuce to be high?");
  EXPECT_TRUE(Slot(0, 2).pile.cards.empty());  // four without a joker: scored and cleared
  EXPECT_EQ(game.scores[0], 20 + 5 + 5 + 5 + 10);  // 5 (the deuce low), 6, 7, 8
}

TEST_F(ArlingtonTest, TheJokerIsExchangedOnlyForItsExactCard) {
  HumanToPlay({"9H", "10H", "JK", "JH", "QD", "AS", "KS", "QS"});
  ClickAt(game.jokerRect);
  EXPECT_EQ(Texts().back(), "You must have the exact match for the joker to exchange cards");  // none melded
  Select({"9H", "10H", "JK"});
  boxes.answers = {true};  // the joker goes high
  ASSERT_TRUE(game.MeldInSlot(0, 0, nullptr));
  EXPECT_EQ(boxes.boxes.back().text, "Would you like the joker to be high?");
  EXPECT_EQ(game.jokerCard.rank, 11);
  EXPECT_EQ(game.jokerCard.suit, kSuitHearts);
  ClickAt(game.jokerRect);  // nothing selected
  EXPECT_EQ(Texts().back(), "You must have the exact match for the joker to exchange cards");
  Select({"QD"});
  ClickAt(game.jokerRect);
  EXPECT_EQ(Texts().back(), "You must have the exact match for the joker to exchange cards");
  game.mustDraw = true;
  ClickAt(game.jokerRect);
  EXPECT_EQ(Texts().back(), "You must draw before exchanging the joker");
  game.mustDraw = false;
  Select({"JH"});
  ClickAt(game.jokerRect);
  EXPECT_EQ(game.jokerCard.rank, 0);
  EXPECT_TRUE(std::count(game.seatList[0].cards.begin(), game.seatList[0].cards.end(), Find("JK")));
  EXPECT_EQ(SlotCards(0, 0), (std::vector<std::string>{"9H", "10H", "JH"}));
  EXPECT_FALSE(Slot(0, 0).hasJoker);
  // A joker standing for an ace is matched by the ace, whichever way the ace counts.
  Select({"QS", "KS", "JK"});
  boxes.answers = {true};
  ASSERT_TRUE(game.MeldInSlot(0, 1, nullptr));
  EXPECT_EQ(game.jokerCard.rank, kRankHighAce);
  EXPECT_TRUE(game.MatchesJoker(Find("AS")));
  game.jokerCard.rank = kRankLowAce;
  EXPECT_TRUE(game.MatchesJoker(Find("AS")));
  EXPECT_FALSE(game.MatchesJoker(Find("AD")));
}

TEST_F(ArlingtonTest, TakingTheDiscardPile) {
  HumanToPlay({"8C", "8D", "4S", "JK"});
  game.mustDraw = true;
  game.discardPile.Clear();
  for (const char* c : {"8H", "5D", "QS"}) {
    Card* card = Find(c);
    for (SeatRecord& s : game.seatList) s.RemoveCard(card);
    game.discardPile.AddCard(card);
  }
  ClickAt(game.discardPile);
  EXPECT_EQ(Texts().back(), "There are 3 cards in the discard pile");
  Select({"4S"});
  ClickAt(game.discardPile);
  EXPECT_EQ(Texts().back(), "That is not a valid meld.");
  EXPECT_EQ(game.discardPile.cards.size(), 3u);
  Select({"8C", "8D"});
  ClickAt(game.discardPile);
  EXPECT_FALSE(game.mustDraw);
  EXPECT_TRUE(game.discardPile.cards.empty());
  EXPECT_EQ(SlotCards(0, 0), (std::vector<std::string>{"8H", "8C", "8D"}));
  EXPECT_EQ(game.seen[kSuitHearts][8], 1);  // the top card is counted once
  EXPECT_EQ(game.seen[kSuitClubs][8], 1);
  EXPECT_EQ(game.seatList[0].cards.size(), 4u);  // 4S, JK, 5D, QS
  EXPECT_EQ(game.statusLines[1], "It is your turn to play.");
  EXPECT_EQ(game.statusLines[2], "Card Shark takes the discard pile.");
}

TEST_F(ArlingtonTest, DrawingAndDiscardingByClicks) {
  HumanToPlay({"8C", "QS", "4S"});
  game.mustDraw = true;
  Select({"8C"});
  ClickAt(game.deckRect);
  EXPECT_EQ(Texts().back(), "You may not meld with an unknown card.");
  ClickSlot(0);
  EXPECT_EQ(Texts().back(), "You must draw before melding");
  Select({});
  ClickSlot(0);
  EXPECT_EQ(Texts().back(), "This slot is empty.");
  const std::size_t stock = game.deck.stock.size();
  ClickAt(game.deckRect);
  EXPECT_EQ(game.seatList[0].cards.size(), 4u);
  EXPECT_EQ(game.deck.stock.size(), stock - 1);
  EXPECT_FALSE(game.mustDraw);
  EXPECT_TRUE(game.gameInProgress);
  ClickAt(game.deckRect);
  EXPECT_EQ(Texts().back(), "There are " + std::to_string(stock - 1) + " cards left in the deck");
  Select({"QS"});
  ClickAt(game.discardPile);
  EXPECT_EQ(Texts().back(), "That is not a legal discard");
  Select({"QS", "4S"});
  ClickAt(game.discardPile);
  EXPECT_EQ(Texts().back(), "You may only discard one card at a time.");
  Select({"8C", "4S"});
  ClickSlot(0);
  EXPECT_EQ(Texts().back(), "That is not a valid meld");
  Select({"4S"});
  ClickAt(game.discardPile);
  EXPECT_EQ(game.discardPile.FirstCard(), Find("4S"));
  EXPECT_EQ(game.current, 1u);
  EXPECT_EQ(game.statusLines[1], "It is Betty's turn to draw.");
  ClickAt(game.deckRect);
  EXPECT_EQ(Texts().back(), "It is Betty's turn to play.");
}

TEST_F(ArlingtonTest, TheHandEndsOnceWithItsScores) {
  HumanToPlay({"5C", "5D", "5H", "KD"});
  Hand(1, {"JK", "QS", "7C"});
  Select({"5C", "5D", "5H"});
  ClickSlot(0);
  ASSERT_EQ(SlotCards(0, 0).size(), 3u);
  Select({"KD"});
  ClickAt(game.discardPile);
  EXPECT_EQ(game.GetState(), HandOver);
  EXPECT_EQ(game.scores[0], 100 + 15);                // out, and the meld left on the table
  EXPECT_EQ(game.scores[1], -(200 + 100 + 5));        // the cards left in hand
  EXPECT_EQ(game.statusLines[1], "This hand is over.");
  EXPECT_EQ(game.handOverCountdown, 50);
  game.EndOfHand(0);  // noticed a second time: nothing more
  EXPECT_EQ(game.scores[0], 115);
  // A computer's last discard ends the hand once, though the tick notices the empty hand too.
  Deal();
  game.computerDelay = 0;
  Hand(1, {"9C"});
  game.current = 1;
  game.computerStep = 4;
  game.mustDraw = false;
  Tick();
  EXPECT_EQ(game.GetState(), HandOver);
  EXPECT_EQ(game.scores[1], 100);
}

TEST_F(ArlingtonTest, ComputerTurnsGoStepByStep) {
  Deal();
  game.computerDelay = 0;
  game.fastSpeed = true;
  Hand(1, {"9C", "9D", "9H", "2S", "KD", "QS", "4H"});
  game.discardPile.Clear();
  Card* top = Find("9S");
  for (SeatRecord& s : game.seatList) s.RemoveCard(top);
  game.discardPile.AddCard(top);
  game.current = 1;
  game.computerStep = 0;
  Tick();  // takes the pile with three nines: four, scored and cleared
  EXPECT_TRUE(game.discardPile.cards.empty());
  EXPECT_EQ(game.scores[1], 40);
  EXPECT_EQ(game.computerStep, 1);
  Tick(3);  // nothing to exchange, no new meld, nothing to add
  EXPECT_EQ(game.computerStep, 4);
  Tick();
  ASSERT_EQ(game.discardPile.cards.size(), 1u);
  EXPECT_NE(game.discardPile.FirstCard(), Find("2S"));  // not the wild card
  EXPECT_NE(game.discardPile.FirstCard(), Find("QS"));
  EXPECT_EQ(game.current, 0u);
}

// Betty's take of the pile is told during the user's next turn and gone once it is over.
TEST_F(ArlingtonTest, AReportedMoveLastsUntilTheUsersTurnIsOver) {
  Deal();
  game.computerDelay = 0;
  game.fastSpeed = true;
  Hand(0, {"5C", "7D", "JH"});
  Hand(1, {"9C", "9D", "KD", "QS", "4H"});
  Put(game.discardPile, {"9S"});
  game.current = 1;
  game.computerStep = 0;
  for (int i = 0; i < 20 && game.current != 0; ++i) Tick();
  ASSERT_EQ(game.current, 0u);
  EXPECT_EQ(game.statusLines[1], "It is your turn to draw.");
  EXPECT_EQ(game.statusLines[2], "Betty takes the discard pile.");
  ClickAt(game.deckRect);
  ClickToDiscard(game, game.seatList[0].cards.front());
  ASSERT_EQ(game.current, 1u);
  EXPECT_EQ(game.statusLines[1], "It is Betty's turn to draw.");
  EXPECT_EQ(game.statusLines[2], "");
}

TEST_F(ArlingtonTest, PaintsTheTable) {
  tc::Canvas canvas(790, 560);
  DealAfterBlankPaint(canvas);
  game.Paint(canvas.dc());
  EXPECT_NE(canvas.At(game.deckRect.left + 10, game.deckRect.top + 10), tc::kPaper);
  EXPECT_NE(canvas.At(game.discardPile.anchorX + 10, game.discardPile.anchorY + 10), tc::kPaper);
  EXPECT_NE(canvas.At(game.seatList[0].bounds.left + 10, game.seatList[0].bounds.top + 10), tc::kPaper);
  EXPECT_EQ(canvas.At(game.jokerRect.left + 10, game.jokerRect.top + 10), tc::kPaper);  // no joker melded
  EXPECT_EQ(canvas.At(kStatus.left + 40, kStatus.top + 199), COLORREF(0xA3BCCE));
}

TEST(ArlingtonOptionsTest, DeucesWildIsOneByte) {
  const std::string path = OptionsPath("Arlington");
  const struct {
    const char* what;
    std::vector<std::uint8_t> payload;
    std::uint32_t typeWord;
    bool deuces;
  } cases[] = {
      {"off", {0}, 0x11, false}, {"on", {1}, 0x11, true}, {"short", {}, 0x11, true}, {"War's", {0}, 0x200001, true},
  };
  for (const auto& c : cases) {
    WriteOptionsFile(path, c.payload, c.typeWord);
    MersenneRandom rng(1);
    ArlingtonGame game(nullptr, 0, rng);
    EXPECT_EQ(game.deucesWild, c.deuces) << c.what;
  }
  MersenneRandom rng(1);
  ArlingtonGame game(nullptr, 0, rng);
  OptionsSeen seen = UseOptionsDialog(game, "Arlington Options", {IDC_ARLINGTON_DEUCES}, {IDC_ARLINGTON_DEUCES}, IDOK);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.ticked, std::vector<bool>{true});
  EXPECT_FALSE(game.deucesWild);
  EXPECT_EQ(FileText(path), StoredOptions({0}, 0x11));
  DeleteFileA(path.c_str());
}

namespace {

// Plays the human seat by clicks: draws, lays any set of three it holds, discards a
// random legal card.
void HumanTurn(ArlingtonGame& game, RandomSource& choices) {
  SeatRecord& hand = game.seatList[0];
  if (game.mustDraw) {
    ClickToDraw(game);
    return;
  }
  for (std::int32_t rank = 3; rank <= 14; ++rank) {
    std::vector<Card*> set;
    for (Card* c : hand.cards)
      if (c->rank == rank && set.size() < 3) set.push_back(c);
    int empty = -1;
    for (int k = 0; k < ArlingtonGame::kSlots && empty < 0; ++k)
      if (game.slots[0][k].pile.cards.empty()) empty = k;
    if (set.size() == 3 && empty >= 0 && hand.cards.size() > 3) {
      ClearSelection(hand);
      for (Card* c : set) c->selected = true;
      ClickPoint(game, game.slots[0][empty].pile.anchorX + 5, game.slots[0][empty].pile.anchorY + 5);
      return;
    }
  }
  std::vector<Card*> legal;
  for (Card* c : hand.cards)
    if (game.IsLegalDiscard(c, hand)) legal.push_back(c);
  ClickToDiscard(game, legal[choices.Next(static_cast<std::uint32_t>(legal.size()))]);
}

}  // namespace

// Whole games: every card is in one place (hands, stock, discard pile, slots, or out of play
// with a cleared slot, four at a time), every discard was legal, and the game ends.
TEST(ArlingtonSelfPlayTest, SeededGamesAccountForEveryCard) {
  CardImages images;
  for (std::uint32_t seed = 1; seed <= 200; ++seed) {
    MersenneRandom rng(seed);
    MersenneRandom choices(seed * 13);
    ArlingtonGame game(nullptr, 0, rng);
    SeatForSelfPlay(game, images);
    game.fastSpeed = true;
    game.deucesWild = seed % 3 != 0;
    MersenneRandom answers(seed);
    RandomDialogs boxes(&game, answers);
    game.Resume();
    game.NewDeal(true, true);
    std::size_t outBefore = 0;
    int ticks = 0, hands = 0;
    for (; ticks < 60000 && game.GetState() != Finished; ++ticks) {
      const std::int32_t st = game.GetState();
      const Card* topBefore = game.discardPile.FirstCard();
      std::vector<Card*> handBefore(game.seatList[game.current].cards.begin(), game.seatList[game.current].cards.end());
      DrawGameStep(game, [&] { HumanTurn(game, choices); });
      const Card* top = game.discardPile.FirstCard();
      if (st == Playing && top && top != topBefore && std::find(handBefore.begin(), handBefore.end(), top) != handBefore.end()) {
        CardStack held;
        held.cards.assign(handBefore.begin(), handBefore.end());
        ASSERT_TRUE(game.IsLegalDiscard(top, held)) << "seed " << seed << ": " << CardName(top);
      }
      if (st != HandOver && game.GetState() == HandOver) ++hands;
      if (st == HandOver && game.GetState() == Playing) outBefore = 0;
      CardCensus census;
      for (const SeatRecord& s : game.seatList) census.Add(s.cards);
      census.Add(game.discardPile.cards);
      for (auto& side : game.slots)
        for (const MeldSlot& m : side) {
          census.Add(m.pile.cards);
          ASSERT_LE(m.pile.cards.size(), 4u);
          if (m.pile.cards.size() == 4) {
            ASSERT_TRUE(m.hasJoker) << "seed " << seed;
          }
        }
      census.Add(game.deck.stock);
      ASSERT_TRUE(census.Distinct()) << "seed " << seed << ": a card is in two places";
      const std::size_t out = 105 - census.count;
      if (game.GetState() == Playing) {
        ASSERT_EQ(out % 4, 0u) << "seed " << seed << " tick " << ticks;
        ASSERT_GE(out, outBefore) << "seed " << seed;
        outBefore = out;
      }
    }
    ASSERT_EQ(game.GetState(), Finished) << "seed " << seed;
    EXPECT_EQ(hands, 8) << "seed " << seed;
    int ends = 0;
    for (const auto& b : boxes.boxes) ends += b.kind == "info";
    EXPECT_EQ(ends, 1) << "seed " << seed;
  }
}
