#include <gtest/gtest.h>

#include <memory>

#include "Durok.h"
#include "GameTable.h"
#include "TestCanvas.h"

namespace {

class DurokTest : public SeededTable<DurokGame> {
 protected:
  DurokTest() {
    Deal();
    game.trumpCard = Find("2H");  // hearts are trump in these tests
  }
  std::vector<CardPile*> TablePiles() override { return {&game.outOfPlay}; }
  SeatRecord& Human() { return game.seatList[0]; }
  SeatRecord& Computer() { return game.seatList[1]; }
  void Select(std::initializer_list<const char*> names) {
    for (const char* n : names) ClickOn(Human(), Find(n));
  }
  // The computer has sent these cards; the human is to cover.
  void SentToHuman(std::initializer_list<const char*> names) {
    int slot = 0;
    for (const char* n : names) {
      Card* c = Find(n);
      Lift(c);
      game.sentSlots[slot++] = c;
    }
    game.sending = false;
    game.current = 0;
  }
  void ClickSlot(int i) { game.OnLButtonDown(MAKELPARAM(game.slotPositions[i].x + 5, game.slotPositions[i].y + 5)); }
  int SentCount() const {
    int n = 0;
    for (const Card* c : game.sentSlots) n += c != nullptr;
    return n;
  }
};

TEST_F(DurokTest, TheDealTurnsUpTheLastCardOfTheStock) {
  Deal();
  ASSERT_NE(game.trumpCard, nullptr);
  EXPECT_EQ(game.trumpCard, game.deck.stock.front());
  EXPECT_TRUE(game.trumpCard->faceUp);
  EXPECT_EQ(Human().cards.size(), 5u);
  EXPECT_EQ(Computer().cards.size(), 5u);
  for (const Card* c : Human().cards) EXPECT_TRUE(c->faceUp);
  for (const Card* c : Computer().cards) EXPECT_FALSE(c->faceUp);
  EXPECT_EQ(Line(0), "42 cards left in the deck");
  EXPECT_EQ(Line(1), game.current == 0 ? "It is your turn to send cards." : "It is Betty's turn to send cards.");
  EXPECT_TRUE(game.sending);
}

TEST_F(DurokTest, OnlyOneThreeOrFiveCardsWithPairsMayBeSent) {
  const struct {
    std::initializer_list<const char*> selected;
    std::size_t defenderHolds;
    std::vector<int> slots;  // empty: refused
  } cases[] = {
      {{"5C"}, 5, {2}},
      {{"5C", "5D"}, 5, {}},
      {{"5C", "5D", "5S"}, 5, {1, 2, 3}},
      {{"5C", "5D", "9S"}, 5, {1, 2, 3}},
      {{"5C", "6D", "9S"}, 5, {}},
      {{"5C", "5D", "9C", "9S"}, 5, {}},
      {{"5C", "5D", "9C", "9S", "2C"}, 5, {0, 1, 2, 3, 4}},
      {{"5C", "5D", "5S", "5H", "2C"}, 5, {0, 1, 2, 3, 4}},
      {{"5C", "5D", "9C", "3S", "2C"}, 5, {}},
      {{"5C", "5D", "9S"}, 2, {}},  // more than the defender holds
  };
  for (const auto& c : cases) {
    Deal();
    game.trumpCard = Find("2H");
    game.current = 0;
    game.sending = true;
    Put(Human(), {"5C", "5D", "5S", "5H", "9C", "9S", "6D", "3S", "2C"});
    Put(Computer(), {"KC", "KD", "QC", "QD", "JC"});
    while (Computer().cards.size() > c.defenderHolds) Computer().RemoveCard(nullptr);
    boxes.boxes.clear();
    Select(c.selected);
    game.OnRButtonDown(0);
    const std::string what = *c.selected.begin() + std::string(" x") + std::to_string(c.selected.size());
    if (c.slots.empty()) {
      EXPECT_EQ(Texts(), (std::vector<std::string>{"That is not a legal play."})) << what;
      EXPECT_EQ(SentCount(), 0) << what;
      EXPECT_TRUE(game.sending) << what;
      continue;
    }
    EXPECT_TRUE(boxes.boxes.empty()) << what;
    EXPECT_EQ(SentCount(), static_cast<int>(c.slots.size())) << what;
    for (int s : c.slots) EXPECT_NE(game.sentSlots[s], nullptr) << what << " slot " << s;
    EXPECT_FALSE(game.sending);
    EXPECT_EQ(game.current, 1u);
    EXPECT_EQ(Line(1), "It is Betty's turn to cover cards.");
    EXPECT_EQ(Human().cards.size(), std::max<std::size_t>(5, 9 - c.selected.size())) << what;  // filled up at once
    EXPECT_TRUE(game.gameInProgress);
  }
}

TEST_F(DurokTest, CoveringCards) {
  const struct {
    const char* cover;
    const char* sent;
    bool covers;
  } cases[] = {
      {"7C", "5C", true}, {"5C", "7C", false}, {"2H", "AC", true},
      {"5H", "9H", false}, {"9H", "5H", true}, {"AC", "5D", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(game.CanCover(*Find(c.cover), *Find(c.sent)), c.covers) << c.cover << " over " << c.sent;
}

TEST_F(DurokTest, TheHumanCoversOrTakes) {
  Put(Human(), {"7C", "2H", "3D", "4S", "5S"});
  SentToHuman({"5C", "9D"});
  ClickOn(Human(), Find("3D"));
  ClickSlot(1);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"You may not cover with that card."}));
  ClickOn(Human(), Find("3D"));
  ClickOn(Human(), Find("7C"));
  ClickSlot(0);
  EXPECT_EQ(game.sentSlots[0], nullptr);
  EXPECT_EQ(game.outOfPlay.cards.size(), 2u);
  EXPECT_EQ(Human().cards.size(), 4u);
  EXPECT_FALSE(game.sending);
  // Giving up: the nine of diamonds comes into the hand and Betty sends again.
  game.OnRButtonDown(0);
  EXPECT_EQ(SentCount(), 0);
  EXPECT_NE(std::find(Human().cards.begin(), Human().cards.end(), Find("9D")), Human().cards.end());
  EXPECT_TRUE(Find("9D")->faceUp);
  EXPECT_TRUE(game.sending);
  EXPECT_EQ(game.current, 1u);
  EXPECT_EQ(Line(1), "It is Betty's turn to send cards.");

  // Covering everything: the human sends next.
  Put(Human(), {"7C", "2H", "3D", "4S", "5S"});
  SentToHuman({"AD"});
  ClickOn(Human(), Find("2H"));
  ClickSlot(0);
  EXPECT_TRUE(game.sending);
  EXPECT_EQ(game.current, 0u);
  EXPECT_EQ(Line(1), "It is your turn to send cards.");
  EXPECT_EQ(Human().cards.size(), 5u);
}

TEST_F(DurokTest, TheComputerCoversShowsTheBoutAndTakesTheRest) {
  Put(Computer(), {"7C", "2H", "KH", "4S", "5S"});
  for (const char* n : {"5C", "QH"}) Lift(Find(n));
  game.sentSlots[1] = Find("5C");
  game.sentSlots[2] = Find("QH");
  game.sending = false;
  game.current = 1;
  game.computerDelay = 0;
  StockOf(4);  // late in the game trumps are spent on trumps
  Tick();
  EXPECT_EQ(game.GetState(), HoldB);
  EXPECT_EQ(game.coverSlots[2], Find("KH"));  // the trump first
  EXPECT_EQ(game.coverSlots[1], Find("7C"));
  EXPECT_EQ(game.handOverCountdown, 20);
  game.OnLButtonDown(0);
  Tick();
  EXPECT_EQ(game.GetState(), Playing);
  EXPECT_EQ(SentCount(), 0);
  EXPECT_EQ(game.outOfPlay.cards.size(), 4u);
  EXPECT_TRUE(game.sending);
  EXPECT_EQ(game.current, 1u);  // covered everything: sends next

  // A card it cannot cover is marked and taken.
  Deal();
  game.trumpCard = Find("2H");
  Put(Computer(), {"7C", "3D", "4S", "5S", "6S"});
  Lift(Find("AD"));
  game.sentSlots[2] = Find("AD");
  game.sending = false;
  game.current = 1;
  game.computerDelay = 0;
  Tick();
  EXPECT_EQ(game.coverSlots[2], &game.noCoverCard);
  Tick(21);
  EXPECT_EQ(Computer().cards.size(), 6u);
  EXPECT_FALSE(Find("AD")->faceUp);
  EXPECT_EQ(game.current, 0u);  // the human sends again
  EXPECT_TRUE(game.sending);
}

TEST_F(DurokTest, TheComputerSendsPairsButKeepsHighTrumps) {
  const struct {
    std::initializer_list<const char*> hand;
    std::size_t stock;
    std::vector<const char*> sent;
  } cases[] = {
      {{"5C", "5D", "9S", "9C", "2C"}, 20, {"2C", "5C", "5D", "9C", "9S"}},
      {{"5C", "5D", "QH", "QS", "2C"}, 20, {"2C", "5C", "5D"}},  // no pair with the queen of trumps
      {{"5C", "6D", "9S", "JC", "2C"}, 20, {"2C"}},               // no pair: the lowest of a suit of two
      {{"4H", "6H", "KD"}, 0, {"KD"}},                            // a plain card before trumps
  };
  for (const auto& c : cases) {
    Deal();
    game.trumpCard = Find("AH");
    Put(Human(), {"3S", "4S", "6S", "7S", "8S"});
    Put(Computer(), c.hand);
    StockOf(c.stock);
    game.sending = true;
    game.current = 1;
    game.computerDelay = 0;
    Tick();
    std::vector<std::string> sent;
    for (const Card* s : game.sentSlots)
      if (s) sent.push_back(CardName(s));
    std::sort(sent.begin(), sent.end());
    std::vector<std::string> expected(c.sent.begin(), c.sent.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sent, expected) << *c.hand.begin();
    EXPECT_EQ(game.current, 0u);
  }
}

TEST_F(DurokTest, TheFirstOutWithAnEmptyStockWinsWhatIsLeftInPlay) {
  HighScoreScript hof;
  hof.places = {2};
  Put(Human(), {"5C"});
  Put(Computer(), {"KC", "3H"});
  StockOf(0);
  game.current = 0;
  game.sending = true;
  Select({"5C"});
  game.OnRButtonDown(0);
  EXPECT_EQ(game.GetState(), HandOver);
  EXPECT_EQ(game.scores[0], 5 + 13 + 3 + 5);  // the card just sent counts, trumps 5 more
  EXPECT_EQ(game.scores[1], 0);
  game.OnLButtonDown(0);
  Tick();
  ExpectGameOverThenFinished();
  ASSERT_EQ(hof.offers.size(), 1u);  // only positive scores are offered
  EXPECT_EQ(hof.offers[0].score, 26);
  EXPECT_EQ(Texts().back(),
            "Congratulations Card Shark  You won the game, and your score is number 2 on the list of high scores!");
}

// The computer covers every card sent with its last cards, the stock empty: the covered
// pairs leave play before the end check, so it scores only the cards left in the user's hand.
TEST_F(DurokTest, GoingOutByCoveringScoresOnlyTheCardsLeftInHand) {
  const struct {
    std::initializer_list<const char*> human, computer, sent;
  } cases[] = {
      {{"AS", "9C"}, {"KC"}, {"9C"}},
      {{"AS", "9C", "5C", "5D"}, {"KC", "7C", "2H"}, {"9C", "5C", "5D"}},
  };
  for (const auto& c : cases) {
    Deal();
    game.trumpCard = Find("2H");
    Put(Human(), c.human);
    Put(Computer(), c.computer);
    StockOf(0);
    game.current = 0;
    game.sending = true;
    Select(c.sent);
    game.OnRButtonDown(0);
    ASSERT_EQ(SentCount(), static_cast<int>(c.sent.size())) << *c.human.begin();
    TickWhile(Playing, 40);
    EXPECT_EQ(game.GetState(), HoldB);
    TickWhile(HoldB, 40);
    EXPECT_EQ(game.GetState(), HandOver);
    EXPECT_EQ(SentCount(), 0);
    EXPECT_EQ(game.scores[1], 14) << c.sent.size() << " sent";  // the ace of spades
    EXPECT_EQ(game.scores[0], 0);
  }
}

TEST_F(DurokTest, TheTrumpCardIsDrawnLastAndHiddenInTheComputersHand) {
  Put(Computer(), {"5C", "6C", "7C", "8C"});
  Put(Human(), {"5D", "6D", "7D", "8D", "9D"});
  StockOf(0);
  Lift(Find("2H"));
  game.deck.stock.push_back(Find("2H"));  // the turned-up card
  Find("2H")->faceUp = true;
  game.SetCurrentSeat(1);
  EXPECT_EQ(Computer().cards.size(), 5u);
  EXPECT_FALSE(Find("2H")->faceUp);
  EXPECT_EQ(Line(0), "0 cards left in the deck");
}

TEST_F(DurokTest, LayoutAndPainting) {
  const long w = images.CardWidth(), h = images.CardHeight();
  const long gap = (599 - 5 * w) / 6;
  EXPECT_EQ(game.slotPositions[0].x, 12 + gap);
  EXPECT_EQ(game.slotPositions[4].x, 12 + 5 * gap + 4 * w);
  EXPECT_EQ(game.slotPositions[2].y, 12 + (479 - h) / 2);
  EXPECT_EQ(Computer().anchorY, 22);
  EXPECT_EQ(Human().anchorY, 491 - h - 10);
  ExpectRect(game.stockRect, 611 - w - 10, 52, 601, 52 + h);
  ExpectRect(game.trumpLabelRect, 611 - w - 10, 22, 601, 42);
  ExpectRect(Human().labelRect, 12, 0, 611, 491 - h - 20);
  ExpectRect(Computer().labelRect, 12, 22 + h + 10, 611, 491);

  tc::Canvas canvas(790, 560);
  game.Paint(canvas.dc());
  EXPECT_NE(canvas.At(game.stockRect.left + 10, game.stockRect.top + 10), tc::kPaper);  // the trump card
  EXPECT_NE(canvas.At(Computer().bounds.left + 5, Computer().bounds.top + 20), tc::kPaper);  // backs
  EXPECT_EQ(canvas.At(game.slotPositions[2].x + 20, game.slotPositions[2].y + 20), tc::kPaper);
}

// The human seat of the self-play games: sends one card or a pair and one more, covers
// most of what it can and takes the rest.
bool DurokHumanMove(SelfPlay& p) {
  auto& g = static_cast<DurokGame&>(p.Game());
  SeatRecord& hand = g.seatList[g.humanSeat];
  for (Card* c : std::vector<Card*>(hand.cards.begin(), hand.cards.end()))
    if (c->selected) p.ClickCard(hand, c);
  if (g.sending) {
    Card* first = hand.cards[p.Random(static_cast<std::uint32_t>(hand.cards.size()))];
    std::vector<Card*> send = {first};
    // Now and then a pair of another rank goes with it.
    if (hand.cards.size() >= 3 && g.seatList[1].cards.size() >= 3 && p.Random(2) == 0)
      for (std::size_t a = 0; a < hand.cards.size() && send.size() == 1; ++a)
        for (std::size_t b = a + 1; b < hand.cards.size(); ++b)
          if (hand.cards[a]->rank == hand.cards[b]->rank && hand.cards[a]->rank != first->rank) {
            send = {first, hand.cards[a], hand.cards[b]};
            break;
          }
    for (Card* c : send) p.ClickCard(hand, c);
    p.RightClick(0, 0);
    return true;
  }
  for (int i = 0; i < DurokGame::kSlots; ++i) {
    Card* sent = g.sentSlots[i];
    if (!sent || p.Random(4) == 0) continue;
    for (Card* c : hand.cards) {
      if (!g.CanCover(*c, *sent)) continue;
      p.ClickCard(hand, c);
      p.Click(g.slotPositions[i].x + 5, g.slotPositions[i].y + 5);
      break;
    }
    if (g.GetState() != Playing || g.sending) return true;
  }
  p.RightClick(0, 0);
  return true;
}

TEST(DurokSelfPlayTest, SeededGamesPlayToTheEnd) {
  SelfPlayOptions o;
  o.trickPlays = false;
  o.maxTicks = 20000;
  o.places = [](const CardGame& g, std::vector<const Card*>& cards) {
    const auto& d = static_cast<const DurokGame&>(g);
    for (int i = 0; i < DurokGame::kSlots; ++i) {
      if (d.sentSlots[i]) cards.push_back(d.sentSlots[i]);
      if (d.coverSlots[i] && d.coverSlots[i] != &d.noCoverCard) cards.push_back(d.coverSlots[i]);
    }
    cards.insert(cards.end(), d.outOfPlay.cards.begin(), d.outOfPlay.cards.end());
  };
  o.handCounter = [](const CardGame& g) { return g.GetState() >= GameOver ? 1u : 0u; };
  o.humanToMove = [](const CardGame& g) {
    return g.GetState() == Playing && g.current == g.humanSeat && !g.seatList[g.humanSeat].cards.empty();
  };
  o.humanMove = &DurokHumanMove;
  o.onHandOver = [](CardGame& g) {
    const auto& d = static_cast<const DurokGame&>(g);
    EXPECT_TRUE(d.deck.stock.empty());
    EXPECT_TRUE(d.seatList[0].cards.empty() || d.seatList[1].cards.empty());
    std::int32_t left = 0;
    for (std::uint32_t s = 0; s < 2; ++s)
      for (const Card* c : d.seatList[s].cards) left += d.CardValue(*c);
    for (const Card* c : d.sentSlots)
      if (c) left += d.CardValue(*c);
    EXPECT_EQ(d.scores[0] + d.scores[1], left);
    EXPECT_TRUE(d.scores[0] == 0 || d.scores[1] == 0);
  };
  int humanWins = 0;
  PlaySeededGames<DurokGame>(200, o, [&](DurokGame& g, const SelfPlayResult& r, std::uint32_t seed) {
    EXPECT_TRUE(r.finished) << "seed " << seed;
    EXPECT_EQ(r.hands, 1) << "seed " << seed;
    humanWins += g.scores[0] > 0;
  });
  EXPECT_GT(humanWins, 0);
  EXPECT_LT(humanWins, 200);
}

}  // namespace
