#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "GameTable.h"
#include "TestCanvas.h"
#include "Zetema.h"

namespace {

class ZetemaTest : public SeededTable<ZetemaGame> {
 protected:
  ZetemaTest() { Deal(); }
  std::vector<CardPile*> TablePiles() override {
    std::vector<CardPile*> piles = {&game.outOfPlay};
    for (CardStack& p : game.rankPiles) piles.push_back(&p);
    return piles;
  }
  SeatRecord& Human() { return game.seatList[0]; }
};

TEST(ZetemaRegistryTest, PackOrderAndValues) {
  MersenneRandom rng(3);
  ZetemaGame g(nullptr, 0, rng);
  const std::int32_t ranks[] = {1, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2};
  for (int i = 0; i < 13; ++i) {
    const std::int32_t suits[] = {0, 1, 2, 3, 3};
    for (int k = 0; k < 5; ++k) {
      EXPECT_EQ(g.deck.pack[i * 5 + k].rank, ranks[i]);
      EXPECT_EQ(g.deck.pack[i * 5 + k].suit, suits[k]);
    }
  }
  const std::map<std::int32_t, std::int32_t> values = {{1, 15}, {5, 15}, {11, 20}, {12, 50}, {13, 50}, {2, 5}, {10, 5}};
  for (const auto& v : values) EXPECT_EQ(ZetemaGame::RankValue(v.first), v.second) << v.first;
}

TEST_F(ZetemaTest, TheDealGivesSixCardsAndTheFirstSeatDraws) {
  EXPECT_EQ(game.GetState(), Playing);
  EXPECT_EQ(Line(0), "Hand 1 of 8");
  const std::uint32_t first = game.current;
  EXPECT_EQ(first, (game.dealer + 1) % 4);
  for (std::uint32_t s = 0; s < 4; ++s) EXPECT_EQ(game.seatList[s].cards.size(), 6u);  // a full hand draws nothing
  EXPECT_EQ(game.deck.stock.size(), 41u);
  EXPECT_EQ(Line(1), "41 cards left in the deck");
  for (const Card& c : game.deck.pack) EXPECT_TRUE(c.faceUp);
}

TEST_F(ZetemaTest, DeclarationsScoreTheirCombinations) {
  const struct {
    std::initializer_list<const char*> hand;
    std::int32_t kind;
    std::int32_t points;  // 0: refused
    const char* text;
    const char* shortName;
    std::size_t handAfter;
  } cases[] = {
      {{"2C", "3D", "4H", "5S", "6C", "7D"}, ZetemaGame::kSequence, 20, " declares a sequence.", "Sequence", 6},
      {{"AC", "2D", "3H", "4S", "5C", "6D"}, ZetemaGame::kSequence, 20, " declares a sequence.", "Sequence", 6},
      {{"8C", "9D", "10H", "JS", "QC", "KD"}, ZetemaGame::kSequence, 20, " declares a sequence.", "Sequence", 6},
      {{"2C", "3D", "4H", "5S", "6C", "8D"}, ZetemaGame::kSequence, 0, "", "", 6},
      {{"AC", "2C", "5C", "9C", "JC", "KC"}, ZetemaGame::kFlush, 30, " declares a flush.", "Flush", 6},
      {{"AC", "2C", "5C", "9C", "JC", "KD"}, ZetemaGame::kFlush, 0, "", "", 6},
      {{"9S", "10S", "JS", "QS", "KS", "8S"}, ZetemaGame::kFlushSequence, 50, " declares a flush sequence.", "Flush Seq.", 6},
      {{"AC", "2C", "3C", "4C", "5C", "7C"}, ZetemaGame::kFlushSequence, 0, "", "", 6},
      {{"QC", "QD", "QH", "QS", "QS", "2C"}, ZetemaGame::kAssembly, 130, " declares an assembly of Queens.", "Assembly", 6},
      {{"AC", "AD", "AH", "AS", "AS", "2C"}, ZetemaGame::kAssembly, 110, " declares an assembly of Aces.", "Assembly", 6},
      {{"JC", "JD", "JH", "JS", "JS"}, ZetemaGame::kAssembly, 120, " declares an assembly of Jacks.", "Assembly", 5},
      {{"6C", "6D", "6H", "6S", "6S"}, ZetemaGame::kAssembly, 100, " declares an assembly of Sixs.", "Assembly", 5},
      {{"QC", "QD", "QH", "QS", "2C", "3C"}, ZetemaGame::kAssembly, 0, "", "", 6},
      {{"QH", "2C", "KH", "4D", "5D", "6D"}, ZetemaGame::kMarriage, 10, " declares 1 marriage", "Marriage", 6},
      {{"KS", "2C", "QS", "4D"}, ZetemaGame::kMarriage, 20, " declares 1 marriage", "Marriage", 6},
      {{"QH", "KH", "QS", "KS", "2C", "3C"}, ZetemaGame::kMarriage, 40, " declares 2 marriages", "Marriage", 6},
      {{"QD", "KD", "QC", "KC", "KH", "QH"}, ZetemaGame::kMarriage, 60, " declares 3 marriages", "Marriage", 6},
      {{"QH", "KD", "2C", "3C", "4C", "5C"}, ZetemaGame::kMarriage, 0, "", "", 6},
  };
  for (const auto& c : cases) {
    Deal();
    const std::string what = std::string(*c.hand.begin()) + " ... kind " + std::to_string(c.kind);
    std::vector<Card*> held = Put(Human(), c.hand);
    const std::size_t stockBefore = game.deck.stock.size();
    const bool ok = game.Declare(0, c.kind);
    EXPECT_EQ(ok, c.points > 0) << what;
    EXPECT_EQ(game.scores[0], c.points) << what;
    EXPECT_EQ(game.scoredThisTurn, ok) << what;
    EXPECT_EQ(Line(3), ok ? "Card Shark" + std::string(c.text) : "") << what;
    EXPECT_EQ(game.lastCombo[0], c.shortName) << what;
    EXPECT_EQ(Human().cards.size(), c.handAfter) << what;
    if (c.kind == ZetemaGame::kMarriage && ok) {
      // The married cards leave play; the hand is filled up from the stock.
      std::size_t gone = 0;
      for (Card* h : held) gone += std::count(game.outOfPlay.cards.begin(), game.outOfPlay.cards.end(), h);
      EXPECT_EQ(stockBefore - game.deck.stock.size(), 6 - (held.size() - gone)) << what;
      EXPECT_EQ(Line(1), std::to_string(game.deck.stock.size()) + " cards left in the deck");
    }
  }
}

TEST_F(ZetemaTest, TheHumanDeclaresThroughTheDialogOncePerTurn) {
  game.current = 1;
  game.OnRButtonDown(0);
  game.current = 0;
  Put(Human(), {"QC", "QD", "QH", "QS", "QS", "2C"});
  boxes.values = {ZetemaGame::kFlush, ZetemaGame::kAssembly, ZetemaGame::kNoCombination};
  game.OnRButtonDown(0);  // refused flush
  game.OnRButtonDown(0);  // assembly
  game.OnRButtonDown(0);  // a second declaration
  ASSERT_EQ(boxes.boxes.size(), 5u);
  EXPECT_EQ(boxes.boxes[0].text, "It is Betty's turn to play.");
  EXPECT_EQ(boxes.boxes[1].kind, "choice");
  EXPECT_EQ(boxes.boxes[1].caption, "Which Combination Do You Declare?");
  EXPECT_EQ(boxes.boxes[1].dialogId, 10901);
  EXPECT_EQ(boxes.boxes[1].stateSeen, Paused);
  EXPECT_EQ(boxes.boxes[1].choices,
            (std::vector<std::string>{"None", "Sequence", "Flush", "Flush Sequence", "Assembly", "Marriage"}));
  EXPECT_EQ(boxes.boxes[2].caption, "Zetema");
  EXPECT_EQ(boxes.boxes[2].text, "You do not have a flush.");
  EXPECT_EQ(boxes.boxes[4].text, "You have already scored a combination this turn.");
  EXPECT_EQ(game.scores[0], 130);
  EXPECT_EQ(game.GetState(), Playing);

  // The same rank cannot be assembled twice in a hand; another rank on a later turn can.
  game.scoredThisTurn = false;
  boxes.values = {ZetemaGame::kAssembly};
  game.OnRButtonDown(0);
  EXPECT_EQ(boxes.boxes.back().text, "You do not have an assembly.");
  Put(Human(), {"KC", "KD", "KH", "KS", "KS"});
  EXPECT_TRUE(game.Declare(0, ZetemaGame::kAssembly));
  EXPECT_EQ(game.scores[0], 260);
  Deal();
  Put(Human(), {"QC", "QD", "QH", "QS", "QS", "2C"});
  EXPECT_TRUE(game.Declare(0, ZetemaGame::kAssembly));  // a new hand
}

TEST_F(ZetemaTest, TheFifthCardOfARankScoresItAndClearsThePile) {
  game.current = 0;
  Put(Human(), {"QS", "3C"}, Put(game.rankPiles[12], {"QC", "QD", "QH", "QS"}));
  Card* queen = Human().cards.front();
  ClickOn(Human(), queen);
  EXPECT_TRUE(queen->selected);
  ClickOn(Human(), queen);
  EXPECT_EQ(game.scores[0], 50);
  EXPECT_TRUE(game.rankPiles[12].cards.empty());
  EXPECT_EQ(game.outOfPlay.cards.size(), 5u);
  EXPECT_TRUE(game.gameInProgress);
  EXPECT_EQ(game.current, 1u);
  EXPECT_EQ(Line(2), "It is Betty's turn to play a card.");
  // A fourth card stays on its pile.
  game.current = 0;
  Put(game.rankPiles[3], {"3D", "3H", "3S"});
  ClickOn(Human(), Human().cards.front());
  ClickOn(Human(), Human().cards.front());
  EXPECT_EQ(game.rankPiles[3].cards.size(), 4u);
  EXPECT_EQ(game.scores[0], 50);
}

TEST_F(ZetemaTest, ClicksSelectPlayAndWaitTheirTurn) {
  game.current = 0;
  Put(Human(), {"2C", "3C", "4C"});
  ClickOn(Human(), Human().cards[0]);
  ClickOn(Human(), Human().cards[1]);  // another card: the selection moves
  EXPECT_FALSE(Human().cards[0]->selected);
  EXPECT_TRUE(Human().cards[1]->selected);
  game.OnLButtonDown(MAKELPARAM(300, 30));  // elsewhere
  EXPECT_EQ(Human().FirstSelected(), nullptr);
  EXPECT_EQ(Human().cards.size(), 3u);
  game.current = 2;
  game.OnLButtonDown(MAKELPARAM(300, 30));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"It is Igor's turn to play."}));
}

TEST_F(ZetemaTest, DrawingAtTheTurnAndTheDeckText) {
  const struct {
    std::size_t stock;
    std::initializer_list<const char*> hand;
    std::size_t handAfter;
    const char* line;
  } cases[] = {
      {2, {"2C", "3C", "4C", "5C", "6C"}, 6, "1 card left in the deck"},
      {3, {"2C", "3C", "4C"}, 4, "2 cards left in the deck"},
      {3, {"2C", "3C", "4C", "5C", "6C", "7D"}, 6, ""},
      {0, {"2C"}, 1, ""},
  };
  for (const auto& c : cases) {
    Deal();
    Put(Human(), c.hand);
    StockOf(c.stock);
    game.statusLines[1].clear();
    game.SetCurrentSeat(0);
    EXPECT_EQ(Human().cards.size(), c.handAfter);
    EXPECT_EQ(Line(1), c.line);
    EXPECT_EQ(Line(2), "It is your turn to play a card.");
  }
}

TEST_F(ZetemaTest, EmptyHandsArePassedOverAndEndTheHand) {
  for (std::uint32_t s = 0; s < 4; ++s) Put(game.seatList[s], {});
  Put(game.seatList[2], {"5D"});
  StockOf(0);
  game.SetCurrentSeat(0);
  Tick();  // the human holds nothing: passed over
  EXPECT_EQ(game.current, 1u);
  Tick();  // so is Betty
  EXPECT_EQ(game.current, 2u);
  Tick();  // Igor plays his last card, and every hand is empty
  EXPECT_EQ(game.rankPiles[5].cards.size(), 1u);
  EXPECT_EQ(game.GetState(), HandOver);
  EXPECT_EQ(Line(2), "This hand is over.");
  EXPECT_EQ(game.handOverCountdown, 50);

  // Every hand empty on the human's turn ends the hand instead of passing forever.
  Deal();
  for (std::uint32_t s = 0; s < 4; ++s) Put(game.seatList[s], {});
  StockOf(0);
  game.current = 0;
  Tick();
  EXPECT_EQ(game.GetState(), HandOver);
  game.OnLButtonDown(0);
  EXPECT_EQ(game.handOverCountdown, 0);
  Tick();
  EXPECT_EQ(game.GetState(), Playing);
  EXPECT_EQ(Line(0), "Hand 2 of 8");
}

TEST_F(ZetemaTest, AMarriageThatEmptiesTheHumansHandPassesTheTurn) {
  game.current = 0;
  Put(Human(), {"QH", "KH"});
  StockOf(0);
  boxes.values = {ZetemaGame::kMarriage};
  game.OnRButtonDown(0);
  EXPECT_TRUE(Human().cards.empty());
  EXPECT_EQ(game.scores[0], 10);
  EXPECT_EQ(game.current, 1u);
}

TEST_F(ZetemaTest, TheComputerDeclaresThenLetsGoOfItsLeastUsefulCard) {
  const struct {
    std::initializer_list<const char*> hand;
    const char* played;
    std::int32_t points;
  } cases[] = {
      {{"QH", "2C", "3D"}, "2C", 0},                          // the first of the cards worth least
      {{"2S", "3D"}, "3D", 0},                                // a spade is kept before another suit
      {{"5C", "4C"}, "4C", 0},                                // the lower rank value goes
      {{"7C", "9D", "9H"}, "9D", 0},                          // a rank held twice goes first
      {{"2C", "3C", "4C", "8D", "KH", "QS"}, "8D", 0},        // outside the run, the suit and the court cards
      {{"2D", "3D", "4D", "5D", "6D", "7D"}, "2D", 50},       // a flush sequence is declared first
      {{"QH", "KH", "2C", "3D"}, "2C", 10},                   // a marriage, then a card of the rest
  };
  for (const auto& c : cases) {
    Deal();
    Put(game.seatList[1], c.hand);
    StockOf(0);
    game.SetCurrentSeat(1);
    game.computerDelay = 0;
    Card* expected = Find(c.played);
    Tick();
    EXPECT_EQ(game.scores[1], c.points) << c.played;
    EXPECT_EQ(game.rankPiles[expected->rank].cards.size(), 1u) << c.played;
    EXPECT_EQ(game.rankPiles[expected->rank].FirstCard()->suit, expected->suit) << c.played;
    EXPECT_EQ(game.current, 2u) << c.played;
  }
}

TEST_F(ZetemaTest, EightHandsMakeAGame) {
  HighScoreScript hof;
  game.handsPlayed = 7;
  game.scores[2] = 40;
  for (std::uint32_t s = 0; s < 4; ++s) Put(game.seatList[s], {});
  StockOf(0);
  game.current = 0;
  Tick();
  game.OnLButtonDown(0);
  Tick();
  ExpectGameOverThenFinished();
  ASSERT_EQ(hof.offers.size(), 4u);
  EXPECT_EQ(hof.offers[0].game, "Zetema");
  EXPECT_EQ(Texts().back(), "Too bad, Igor won the game.  Try again.");
}

TEST_F(ZetemaTest, LayoutAndPainting) {
  const long w = images.CardWidth(), h = images.CardHeight();
  const long g1 = (611 - 7 * w - 12) / 8, g2 = (611 - 6 * w - 12) / 7;
  EXPECT_EQ(game.rankPiles[1].anchorX, 12 + g1);
  EXPECT_EQ(game.rankPiles[7].anchorX, 12 + g1 + 6 * (g1 + w));
  EXPECT_EQ(game.rankPiles[1].anchorY, 42);
  EXPECT_EQ(game.rankPiles[8].anchorX, 12 + g2);
  EXPECT_EQ(game.rankPiles[13].anchorY, 42 + 80 + h);
  EXPECT_EQ(game.rankPiles[13].layout, kColumnFromAnchor);
  const long top = 491 - h - 5;
  EXPECT_EQ(Human().bounds.top, top);
  ExpectRect(game.stockRect, 611 - w - 10, top, 611 - 10, top + h);
  ExpectRect(game.seatList[0].labelRect, 0, 0, 611, top - 10);
  ExpectRect(game.seatList[3].labelRect, 0, 0, 606, 411);

  tc::Canvas canvas(790, 560);
  game.showStatusLines = true;
  game.lastCombo[1] = "Flush";
  game.Paint(canvas.dc());
  EXPECT_NE(canvas.At(game.stockRect.left - w / 2 + 5, top + 5), tc::kPaper);  // the stock
  EXPECT_NE(canvas.At(Human().bounds.left + 5, top + 40), tc::kPaper);
  EXPECT_EQ(canvas.At(kStatus.left + 40, kStatus.top + 199), COLORREF(0xA3BCCE));  // the status grid
  canvas.Clear();
  game.SetState(HandOver);
  game.Paint(canvas.dc());
  EXPECT_NE(canvas.At(kStatus.left + 40, kStatus.top + 199), COLORREF(0xA3BCCE));  // only while playing
}

// Whole games between three computer seats and a human seat that declares now and then
// and plays cards at random.
TEST(ZetemaSelfPlayTest, SeededGamesPlayToTheEnd) {
  SelfPlayOptions o;
  o.trickPlays = false;
  o.maxTicks = 20000;
  o.places = [](const CardGame& g, std::vector<const Card*>& cards) {
    const auto& z = static_cast<const ZetemaGame&>(g);
    for (const CardStack& p : z.rankPiles) cards.insert(cards.end(), p.cards.begin(), p.cards.end());
    cards.insert(cards.end(), z.outOfPlay.cards.begin(), z.outOfPlay.cards.end());
  };
  o.humanToMove = [](const CardGame& g) {
    return g.GetState() == Playing && g.current == g.humanSeat && !g.seatList[g.humanSeat].cards.empty();
  };
  o.humanMove = [](SelfPlay& p) {
    CardGame& g = p.Game();
    if (p.Random(3) == 0) p.RightClick(0, 0);
    SeatRecord& hand = g.seatList[g.humanSeat];
    if (g.GetState() != Playing || g.current != g.humanSeat || hand.cards.empty()) return true;
    Card* c = hand.cards[p.Random(static_cast<std::uint32_t>(hand.cards.size()))];
    p.ClickToPlay(hand, c);
    return true;
  };
  o.allowBox = [](const ScriptedDialogs::Box& b) {
    return b.kind == "choice" || (b.kind == "info" && b.caption == "Zetema" &&
                                  (b.text.rfind("You do not have", 0) == 0 || b.text.rfind("You have already", 0) == 0));
  };
  int declared = 0;
  std::vector<std::int32_t> before(4, 0);
  o.onHandOver = [&](CardGame& g) {
    for (std::uint32_t s = 0; s < 4; ++s) {
      EXPECT_GE(g.scores[s], before[s]);
      before[s] = g.scores[s];
    }
  };
  PlaySeededGames<ZetemaGame>(200, o, [&](ZetemaGame& g, const SelfPlayResult& r, std::uint32_t seed) {
    EXPECT_TRUE(r.finished) << "seed " << seed;
    EXPECT_EQ(r.hands, 8) << "seed " << seed;
    EXPECT_EQ(g.GetState(), Finished) << "seed " << seed;
    for (const auto& b : r.boxes) declared += b.kind == "choice";
    before.assign(4, 0);
  });
  EXPECT_GT(declared, 0);
}

}  // namespace
