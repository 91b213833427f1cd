#include <gtest/gtest.h>

#include <memory>

#include "SpiteAndMalice.h"
#include "GameTable.h"
#include "TestCanvas.h"

namespace {

class SpiteAndMaliceTest : public SeededTable<SpiteAndMaliceGame> {
 protected:
  SpiteAndMaliceTest() {
    Deal();
    game.current = 0;
  }
  std::vector<CardPile*> TablePiles() override {
    std::vector<CardPile*> piles = {&game.completedPile, &game.redPiles[0], &game.redPiles[1]};
    for (CardStack& p : game.sidePiles) piles.push_back(&p);
    for (CardStack& p : game.centrePiles) piles.push_back(&p);
    return piles;
  }
  std::vector<CardDeck*> Decks() override { return {&game.deck, &game.redDeck}; }
  SeatRecord& Human() { return game.seatList[0]; }
  // Cards on the centre and completed piles.
  std::vector<Card*> InUse() {
    std::vector<Card*> used(game.completedPile.cards.begin(), game.completedPile.cards.end());
    for (const CardStack& p : game.centrePiles) used.insert(used.end(), p.cards.begin(), p.cards.end());
    return used;
  }
  // A centre pile built up to n cards (ace, two, ...; clubs from no other pile, and from
  // no hand while there are others).
  void Build(std::uint32_t i, int n) {
    static const char* const ranks[] = {"AC", "2C", "3C", "4C", "5C", "6C", "7C", "8C", "9C", "10C", "JC", "QC"};
    Put(game.centrePiles[i], {});
    std::vector<Card*> used = InUse();
    std::vector<Card*> held = used;
    for (const SeatRecord& s : game.seatList) held.insert(held.end(), s.cards.begin(), s.cards.end());
    for (int k = 0; k < n; ++k) {
      Card* c = Seek(ranks[k], held);
      if (!c) c = Find(ranks[k], used);
      used.push_back(c);
      held.push_back(c);
      Lift(c);
      game.centrePiles[i].AddCardFirst(c);
    }
  }
  void ClickPile(const CardPile& p) { game.OnLButtonDown(MAKELPARAM(p.anchorX + 5, p.anchorY + 5)); }
};

TEST(SpiteAndMaliceRegistryTest, ABlackPackWithJokersAndARedPack) {
  MersenneRandom rng(3);
  SpiteAndMaliceGame game(nullptr, 0, rng);
  ASSERT_EQ(game.redDeck.pack.size(), 52u);
  int jokers = 0, black = 0, red = 0;
  for (const Card& c : game.deck.pack) {
    jokers += c.rank == 0 && c.suit == kSuitNone;
    black += c.suit == kSuitClubs || c.suit == kSuitSpades;
  }
  for (const Card& c : game.redDeck.pack) red += (c.suit == kSuitDiamonds || c.suit == kSuitHearts) && c.rank >= 1 && c.rank <= 13;
  EXPECT_EQ(jokers, 4);
  EXPECT_EQ(black, 52);
  EXPECT_EQ(red, 52);
  EXPECT_EQ(game.deck.pack[4].rank, 1);
}

TEST_F(SpiteAndMaliceTest, TheDealGivesRedPilesAndHands) {
  for (std::uint32_t s = 0; s < 2; ++s) {
    EXPECT_EQ(game.redPiles[s].cards.size(), 26u);
    EXPECT_EQ(game.seatList[s].cards.size(), 5u);
    for (const Card* c : game.redPiles[s].cards) EXPECT_TRUE(c->faceUp);
  }
  EXPECT_EQ(game.deck.stock.size(), 46u);
  for (const CardStack& p : game.centrePiles) EXPECT_TRUE(p.cards.empty());
  for (const CardStack& p : game.sidePiles) EXPECT_TRUE(p.cards.empty());
  EXPECT_EQ(game.GetState(), Playing);
}

TEST_F(SpiteAndMaliceTest, WhatTheCentreAndSidePilesTake) {
  const struct {
    int built;
    const char* card;
    bool takes;
  } centre[] = {{0, "AS", true}, {0, "JK", false}, {0, "2S", false}, {1, "2S", true}, {1, "JK", false},
                {2, "3S", true}, {2, "JK", true},  {2, "4S", false}, {12, "KS", true}, {12, "JK", true}};
  for (const auto& c : centre) {
    Build(0, c.built);
    EXPECT_EQ(game.CentreTakes(game.centrePiles[0], *Find(c.card)), c.takes) << c.built << " " << c.card;
  }
  const struct {
    std::initializer_list<const char*> pile;  // bottom first
    const char* card;
    bool takes;
  } side[] = {
      {{}, "KS", true},           {{"7S"}, "7C", true},       {{"7S"}, "6C", true},       {{"7S"}, "5C", false},
      {{"7S"}, "8C", false},      {{"7S"}, "JK", true},       {{"7S", "JK"}, "5C", true}, {{"7S", "JK"}, "4C", false},
      {{"7S", "JK"}, "8C", false}, {{"7S", "JK", "JK"}, "4C", true}, {{"7S", "JK", "JK"}, "3C", false},
      {{"JK", "JK"}, "2C", true},
  };
  for (const auto& c : side) {
    Put(game.sidePiles[0], c.pile);
    EXPECT_EQ(game.SideTakes(game.sidePiles[0], *Find(c.card, {game.sidePiles[0].cards.begin(), game.sidePiles[0].cards.end()})),
              c.takes)
        << c.pile.size() << " " << c.card;
  }
}

TEST_F(SpiteAndMaliceTest, WhenATurnMayEnd) {
  const struct {
    std::initializer_list<const char*> hand;
    const char* red;
    int loneAces;
    const char* sideTop;
    bool mayEnd;
  } cases[] = {
      {{"5C", "6C"}, "9D", 0, nullptr, true},
      {{"AC", "6C"}, "9D", 0, nullptr, false},
      {{"5C", "6C"}, "AD", 0, nullptr, false},
      {{"2C", "6C"}, "9D", 1, nullptr, false},
      {{"5C", "6C"}, "2D", 1, nullptr, false},
      {{"5C", "6C"}, "9D", 1, "2S", false},
      {{"2C", "6C"}, "9D", 0, nullptr, true},  // no lone ace to build on
  };
  for (const auto& c : cases) {
    Put(Human(), c.hand);
    Put(game.redPiles[0], {c.red});
    Build(3, c.loneAces);
    Put(game.sidePiles[1], {});
    if (c.sideTop) Put(game.sidePiles[1], {c.sideTop});
    EXPECT_EQ(game.MayEndTurn(0), c.mayEnd) << *c.hand.begin() << " " << c.red;
  }
}

TEST_F(SpiteAndMaliceTest, CentrePileClicksAndPlays) {
  Build(0, 8);
  Build(1, 1);
  ClickPile(game.centrePiles[2]);
  ClickPile(game.centrePiles[0]);
  ClickPile(game.centrePiles[1]);
  Put(Human(), {"5S", "2S", "JK", "8S", "KS"});
  ClickOn(Human(), Find("5S"));
  ClickPile(game.centrePiles[1]);  // a five on an ace
  EXPECT_EQ(Texts(), (std::vector<std::string>{"There are no cards on this pile", "The top card is an Eight",
                                               "The top card is an Ace", "That card is not allowed at this time."}));
  ClickOn(Human(), Find("JK"));  // the selection moves to the joker
  EXPECT_FALSE(Find("5S")->selected);
  ClickPile(game.centrePiles[0]);
  EXPECT_EQ(game.centrePiles[0].cards.size(), 9u);
  EXPECT_EQ(game.centrePiles[0].FirstCard(), Find("JK"));
  EXPECT_EQ(game.selectedCard, nullptr);
  EXPECT_TRUE(game.gameInProgress);
  EXPECT_EQ(Human().cards.size(), 4u);
}

TEST_F(SpiteAndMaliceTest, RedCardsScoreTheirRankAndTheLastEndsTheGame) {
  HighScoreScript hof;
  Build(0, 4);
  Put(game.redPiles[0], {"5D", "6H"});
  Put(game.redPiles[1], {"KD", "2H"});
  ClickOn(game.redPiles[0], Find("5D"));
  EXPECT_EQ(game.selectedSource, SpiteAndMaliceGame::kFromRed);
  ClickPile(game.centrePiles[0]);
  EXPECT_EQ(game.scores[0], 5);
  EXPECT_EQ(game.redPiles[0].FirstCard(), Find("6H"));
  ClickOn(game.redPiles[0], Find("6H"));
  ClickPile(game.centrePiles[0]);
  EXPECT_EQ(game.GetState(), GameOver);
  EXPECT_EQ(game.scores[0], 5 + 6 + 50 + 13 + 2);
  game.GameIsOver();  // scored once
  EXPECT_EQ(game.scores[0], 76);
  Tick();
  EXPECT_EQ(game.GetState(), Finished);
  ASSERT_EQ(hof.offers.size(), 2u);
  EXPECT_EQ(hof.offers[1].score, 76);
}

TEST_F(SpiteAndMaliceTest, AFullCentrePileGoesBackIntoTheStockOnlyWhenItRunsOut) {
  Build(0, 12);
  Put(Human(), {"KS", "3S", "4S", "5S", "6S"});
  ClickOn(Human(), Find("KS"));
  ClickPile(game.centrePiles[0]);
  EXPECT_TRUE(game.centrePiles[0].cards.empty());
  EXPECT_EQ(game.completedPile.cards.size(), 13u);
  Put(Human(), {"3S"});
  StockOf(0);
  Build(1, 2);
  ClickOn(Human(), Find("3S"));
  ClickPile(game.centrePiles[1]);  // the hand is empty: refilled from the completed pile at once
  EXPECT_EQ(Human().cards.size(), 5u);
  EXPECT_EQ(game.deck.stock.size(), 8u);
  EXPECT_TRUE(game.completedPile.cards.empty());
  for (const Card* c : Human().cards) EXPECT_TRUE(c->faceUp);
}

TEST_F(SpiteAndMaliceTest, DiscardingToASidePileEndsTheTurn) {
  Put(Human(), {"AC", "7S", "9C"});
  Put(game.sidePiles[0], {"10S"});
  ClickOn(Human(), Find("7S"));
  ClickPile(game.sidePiles[0]);
  Put(Human(), {"7S", "9C"});
  Put(game.redPiles[0], {"9D"});
  ClickOn(game.redPiles[0], Find("9D"));
  ClickPile(game.sidePiles[0]);
  ClickOn(Human(), Find("7S"));
  ClickPile(game.sidePiles[0]);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"You may not end your turn yet.", "You may not discard from your red pile.",
                                               "That card is not allowed on this pile."}));
  ClickOn(Human(), Find("9C"));
  ClickPile(game.sidePiles[0]);
  EXPECT_EQ(game.sidePiles[0].LastCard(), Find("9C"));
  EXPECT_EQ(game.current, 1u);
  EXPECT_EQ(Human().cards.size(), 1u);
  // A side pile's top card can be picked up and played.
  game.current = 0;
  Build(2, 8);
  ClickPile(game.sidePiles[0]);
  EXPECT_EQ(game.selectedCard, Find("9C"));
  ClickPile(game.centrePiles[2]);
  EXPECT_EQ(game.sidePiles[0].LastCard(), Find("10S"));
  EXPECT_EQ(game.centrePiles[2].FirstCard(), Find("9C"));
}

TEST_F(SpiteAndMaliceTest, AClickOnASidePileThatALongerOneRunsUnderTakesTheTopPile) {
  Put(game.sidePiles[0], {"KS", "KC", "QS", "QC", "JS", "JC", "10S", "10C", "9S", "9C", "8S", "8C", "7S", "7C",
                          "6S", "6C", "5S", "5C", "4S", "4C", "3S", "3C", "JK", "JK"});
  Put(game.sidePiles[1], {"9D"});
  ASSERT_TRUE(game.sidePiles[0].Contains(game.sidePiles[1].anchorX + 5, game.sidePiles[1].anchorY + 5));
  ClickPile(game.sidePiles[1]);
  EXPECT_EQ(game.selectedCard, Find("9D"));
  EXPECT_EQ(game.selectedSource, SpiteAndMaliceGame::kFromSide + 1);
}

TEST_F(SpiteAndMaliceTest, EndingTheTurnWithoutADiscardAndTheStalemate) {
  const char* full[] = {"5S", "6S", "7S", "8S"};
  for (std::uint32_t j = 0; j < 4; ++j) Put(game.sidePiles[j], {full[j]});
  Put(Human(), {"KC", "KS", "QC", "QS", "JC"});
  Put(game.redPiles[0], {"9D"});
  boxes.answers = {false, true, true};
  game.OnRButtonDown(0);  // declined
  EXPECT_EQ(game.current, 0u);
  game.OnRButtonDown(0);
  EXPECT_TRUE(game.passedLastTurn);
  EXPECT_EQ(game.current, 1u);
  game.current = 0;
  game.OnRButtonDown(0);  // a second pass in a row ends the game
  EXPECT_EQ(game.GetState(), GameOver);
  const std::size_t seen = boxes.boxes.size();
  game.OnRButtonDown(0);
  EXPECT_EQ(boxes.boxes.size(), seen);  // nothing more
  EXPECT_EQ(Texts().back(), "This game is over");
  EXPECT_EQ(game.scores[0], 0);
  EXPECT_EQ(game.scores[1], 0);
  // A hand that can discard cannot pass.
  Deal();
  game.current = 0;
  boxes.boxes.clear();
  game.OnRButtonDown(0);
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(SpiteAndMaliceTest, TheComputerPlaysAcesAndTwosFirstAndOnlyWhereTheyFit) {
  const struct {
    std::initializer_list<const char*> hand;
    const char* red;
    int centre0, centre1;
    const char* played;  // nullptr: discarded
    std::uint32_t pile;
  } cases[] = {
      {{"AC", "9S"}, "KD", 0, 0, "AC", 0},
      {{"9S"}, "AD", 3, 0, "AD", 1},
      {{"2C", "9S"}, "KD", 1, 0, "2C", 0},
      {{"2S", "9S"}, "KD", 2, 3, nullptr, 0},  // no lone ace: the two is not played
      {{"4C", "9S"}, "KD", 3, 0, "4C", 0},
  };
  for (const auto& c : cases) {
    Deal();
    Build(0, c.centre0);
    Build(1, c.centre1);
    Put(game.seatList[1], c.hand, InUse());
    Put(game.redPiles[1], {c.red});
    for (std::uint32_t j = 4; j < 8; ++j) Put(game.sidePiles[j], {});
    game.current = 1;
    game.computerWillPlay = true;
    game.computerDelay = 0;
    const std::size_t before = game.seatList[1].cards.size();
    Tick();
    if (c.played) {
      EXPECT_EQ(game.centrePiles[c.pile].FirstCard(), Find(c.played)) << c.played;
      EXPECT_EQ(game.current, 1u);
    } else {
      EXPECT_EQ(game.centrePiles[0].cards.size(), 2u);
      EXPECT_EQ(game.seatList[1].cards.size(), before - 1);  // a discard
      EXPECT_EQ(game.current, 0u);
    }
  }
}

TEST_F(SpiteAndMaliceTest, TheComputerDiscardsWhereItKeepsTheMostOrder) {
  const struct {
    std::initializer_list<const char*> hand;
    std::vector<const char*> tops;  // side piles 4..7; empty string: empty pile
    const char* card;
    std::uint32_t pile;
  } cases[] = {
      {{"9S", "5C"}, {"", "", "", ""}, "9S", 4},           // the higher rank onto an empty pile
      {{"9S", "5C"}, {"5S", "", "", ""}, "5C", 4},         // the same rank beats an empty pile
      {{"9S", "JK"}, {"10S", "3C", "3S", "4C"}, "9S", 4},  // one below
      {{"2S", "JK"}, {"10S", "3C", "3S", "4C"}, "2S", 5},
  };
  for (const auto& c : cases) {
    Deal();
    Put(game.seatList[1], c.hand);
    for (std::uint32_t j = 0; j < 4; ++j) {
      Put(game.sidePiles[4 + j], {});
      if (*c.tops[j]) Put(game.sidePiles[4 + j], {c.tops[j]}, {Find(c.card)});
    }
    game.current = 1;
    game.ComputerDiscard(1);
    EXPECT_EQ(game.sidePiles[c.pile].LastCard(), Find(c.card)) << c.card;
    EXPECT_EQ(game.current, 0u);
  }
}

TEST_F(SpiteAndMaliceTest, LayoutAndPainting) {
  const long w = images.CardWidth(), h = images.CardHeight();
  const long vgap = (491 - 4 * h - 12) / 5, hgap = (611 - 8 * w - 12) / 9;
  EXPECT_EQ(game.redPiles[1].anchorY, 12 + vgap);
  EXPECT_EQ(game.redPiles[0].anchorY, 12 + 3 * vgap + 2 * h);
  EXPECT_EQ(game.centrePiles[3].anchorX, 12 + 4 * hgap + 3 * w);
  EXPECT_EQ(game.centrePiles[3].anchorY, 12 + 2 * vgap + h);
  const long x0 = 22;
  EXPECT_EQ(game.sidePiles[2].anchorX, x0 + 2 * ((611 - (5 * w + 30) - x0) / 5 + w) + 30 + w);
  EXPECT_EQ(game.sidePiles[6].anchorY, 12 + vgap);
  EXPECT_EQ(Human().anchorY, 491 - vgap - h);
  EXPECT_EQ(Human().labelFormat, 0x24);

  tc::Canvas canvas(790, 560);
  game.Paint(canvas.dc());
  EXPECT_NE(canvas.At(game.redPiles[1].anchorX + 10, game.redPiles[1].anchorY + 10), tc::kPaper);
  EXPECT_EQ(canvas.At(game.centrePiles[3].anchorX + 20, game.centrePiles[3].anchorY + 20), tc::kPaper);
}

// The human seat of the self-play games: plays its red card whenever it can, most other
// plays it finds, and ends its turn with a discard or, when none is possible, by asking.
bool SpiteHumanMove(SelfPlay& p) {
  auto& g = static_cast<SpiteAndMaliceGame&>(p.Game());
  const std::uint32_t h = g.humanSeat;
  SeatRecord& hand = g.seatList[h];
  p.Click(1, 1);  // nothing there: the selection is cleared
  auto centreFor = [&](const Card& c) {
    std::vector<std::uint32_t> piles;
    for (std::uint32_t i = 0; i < 8; ++i)
      if (g.CentreTakes(g.centrePiles[i], c)) piles.push_back(i);
    return piles;
  };
  if (Card* red = g.redPiles[h].FirstCard()) {
    const std::vector<std::uint32_t> piles = centreFor(*red);
    if (!piles.empty()) {
      p.ClickCard(g.redPiles[h], red);
      ClickAnchor(p, g.centrePiles[piles[p.Random(static_cast<std::uint32_t>(piles.size()))]]);
      return true;
    }
  }
  if (!g.MayEndTurn(h) || p.Random(3) != 0) {
    struct Play {
      Card* card;
      int side;  // -1: from the hand
      std::uint32_t pile;
    };
    std::vector<Play> plays;
    for (Card* c : hand.cards)
      for (std::uint32_t i : centreFor(*c)) plays.push_back({c, -1, i});
    for (std::uint32_t j = 0; j < 4; ++j)
      if (Card* top = g.SidePile(h, j).LastCard())
        for (std::uint32_t i : centreFor(*top)) plays.push_back({top, static_cast<int>(j), i});
    if (!plays.empty()) {
      const Play& play = plays[p.Random(static_cast<std::uint32_t>(plays.size()))];
      if (play.side < 0) p.ClickCard(hand, play.card);
      else ClickAnchor(p, g.SidePile(h, static_cast<std::uint32_t>(play.side)));
      ClickAnchor(p, g.centrePiles[play.pile]);
      return true;
    }
  }
  if (!g.MayEndTurn(h)) {
    p.Fault("the human can neither play nor end the turn");
    return false;
  }
  std::vector<std::pair<Card*, std::uint32_t>> discards;
  for (Card* c : hand.cards)
    for (std::uint32_t j = 0; j < 4; ++j)
      if (g.SideTakes(g.SidePile(h, j), *c)) discards.push_back({c, j});
  if (discards.empty()) {
    p.RightClick(0, 0);
    return true;
  }
  const auto& d = discards[p.Random(static_cast<std::uint32_t>(discards.size()))];
  p.ClickCard(hand, d.first);
  ClickAnchor(p, g.SidePile(h, d.second));
  return true;
}

// The game has no end of its own but an emptied red pile or two passes in a row: a game
// still going after the tick bound is stopped there, with its cards accounted for.
TEST(SpiteAndMaliceSelfPlayTest, SeededGamesPlayOnWithEveryCardInOnePlace) {
  SelfPlayOptions o;
  o.trickPlays = false;
  o.maxTicks = 6000;
  o.handOverState = GameOver;
  o.handCounter = [](const CardGame& g) { return g.GetState() >= GameOver ? 1u : 0u; };
  o.secondPack = [](const CardGame& g) { return &static_cast<const SpiteAndMaliceGame&>(g).redDeck; };
  auto located = [](const SpiteAndMaliceGame& s, std::vector<const Card*>& cards) {
    cards.insert(cards.end(), s.completedPile.cards.begin(), s.completedPile.cards.end());
    for (const CardStack& p : s.redPiles) cards.insert(cards.end(), p.cards.begin(), p.cards.end());
    for (const CardStack& p : s.sidePiles) cards.insert(cards.end(), p.cards.begin(), p.cards.end());
    for (const CardStack& p : s.centrePiles) cards.insert(cards.end(), p.cards.begin(), p.cards.end());
  };
  o.places = [&](const CardGame& g, std::vector<const Card*>& cards) {
    located(static_cast<const SpiteAndMaliceGame&>(g), cards);
  };
  o.humanToMove = [](const CardGame& g) { return g.GetState() == Playing && g.current == g.humanSeat; };
  o.humanMove = &SpiteHumanMove;
  o.allowBox = [](const ScriptedDialogs::Box& b) {
    return b.caption == "Spite and Malice" &&
           (b.text == "Would you like to end your turn now?" || b.text == "This game is over");
  };
  int finished = 0, stalemates = 0;
  PlaySeededGames<SpiteAndMaliceGame>(
      200, o,
      [&](SpiteAndMaliceGame& g, const SelfPlayResult& r, std::uint32_t seed) {
        const std::string what = "seed " + std::to_string(seed);
        if (r.finished) {
          ++finished;
          EXPECT_EQ(r.hands, 1) << what;
          const bool redOut = g.redPiles[0].cards.empty() || g.redPiles[1].cards.empty();
          stalemates += !redOut;
          if (!redOut) {
            EXPECT_EQ(r.boxes[r.boxes.size() - 2].text, "This game is over") << what;
          }
          return;
        }
        std::vector<const Card*> cards(g.deck.stock.begin(), g.deck.stock.end());
        for (const SeatRecord& s : g.seatList) cards.insert(cards.end(), s.cards.begin(), s.cards.end());
        located(g, cards);
        ExpectEachCardOnce({&g.deck, &g.redDeck}, cards, what);
      },
      true,
      [](const std::string& f) { return f.rfind("the game did not end", 0) == 0 || f == "no box ended the game"; });
  EXPECT_GE(finished, 100);
  EXPECT_GT(stalemates + finished, 0);
}

}  // namespace
