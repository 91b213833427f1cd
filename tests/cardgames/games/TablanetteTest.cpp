#include <gtest/gtest.h>

#include <memory>

#include "GameTable.h"
#include "Tablanette.h"
#include "TestCanvas.h"

namespace {

class TablanetteTest : public SeededTable<TablanetteGame> {
 protected:
  TablanetteTest() { Deal(); }
  std::vector<CardPile*> TablePiles() override {
    std::vector<CardPile*> piles = {&game.takenCards};
    for (CardStack& p : game.places) piles.push_back(&p);
    return piles;
  }
  SeatRecord& Human() { return game.seatList[0]; }
  void ClearTable() {
    for (std::uint32_t p = 0; p < TablanetteGame::kPlaces; ++p) {
      Put(game.places[p], {});
      game.placeValues[p] = 0;
    }
  }
  void Lay(std::uint32_t place, const char* card) {
    Put(game.places[place], {card});
    game.placeValues[place] = TablanetteGame::CardValue(*game.places[place].FirstCard());
  }
  void Pick(std::initializer_list<std::uint32_t> picked) {
    std::fill(std::begin(game.comboFlags), std::end(game.comboFlags), 0);
    for (std::uint32_t p : picked) game.comboFlags[p] = 1;
  }
  void ClickPlace(std::uint32_t p) { ClickAt(game.places[p]); }
};

TEST(TablanetteRegistryTest, CardValues) {
  const struct {
    std::int32_t rank, value;
  } values[] = {{11, 0}, {12, 13}, {13, 14}, {14, 1}, {2, 2}, {10, 10}};
  for (const auto& v : values) EXPECT_EQ(TablanetteGame::CardValue(Card(v.rank, 0)), v.value) << v.rank;
}

TEST_F(TablanetteTest, TheDealLaysFourCardsOnTheTable) {
  EXPECT_EQ(game.GetState(), Playing);
  EXPECT_EQ(Line(0), "Hand 1 of 4");
  EXPECT_EQ(Human().cards.size(), 4u);
  EXPECT_EQ(game.seatList[1].cards.size(), 4u);
  EXPECT_EQ(game.deck.stock.size(), 40u);
  for (std::uint32_t p = 0; p < 13; ++p) {
    EXPECT_EQ(game.places[p].cards.size(), p < 4 ? 1u : 0u);
    if (p < 4) {
      EXPECT_EQ(game.placeValues[p], TablanetteGame::CardValue(*game.places[p].FirstCard()));
    }
  }
  EXPECT_EQ(game.lastCapturer, 2u);
  EXPECT_EQ(game.comboPlace, 13u);
  EXPECT_EQ(Line(1), game.current == 0 ? "It is your turn to play." : "It is Betty's turn to play.");
}

TEST_F(TablanetteTest, CaptureSearchFindsSinglesPairsAndTriples) {
  const struct {
    std::vector<const char*> table;
    std::int32_t v;
    std::uint32_t count;
    std::vector<int> picked;
  } cases[] = {
      {{"5C", "6D"}, 11, 2, {1, 1}},
      {{"AC", "3D"}, 14, 2, {1, 1}},            // the ace counts 11
      {{"AC", "2D", "2H"}, 14, 0, {0, 0, 0}},   // not without an ace among the summed places
      {{"2C", "3D", "4H", "7S"}, 9, 3, {1, 1, 1, 0}},  // no place counts in two groups
      {{"9C", "4D", "5H", "9S"}, 9, 4, {1, 1, 1, 1}},
      {{"AH"}, 11, 1, {1}},
      {{"QH", "2C"}, 14, 0, {0, 0}},  // a queen is 13
  };
  for (const auto& c : cases) {
    ClearTable();
    for (std::size_t i = 0; i < c.table.size(); ++i) Lay(static_cast<std::uint32_t>(i), c.table[i]);
    EXPECT_EQ(game.CaptureSearch(c.v), c.count) << c.table[0] << " for " << c.v;
    for (std::size_t i = 0; i < c.picked.size(); ++i) EXPECT_EQ(game.searchFlags[i], c.picked[i]) << c.v << " place " << i;
  }
}

TEST_F(TablanetteTest, CapturesScoreCardsAndAClearedTable) {
  const struct {
    std::vector<const char*> table;
    std::vector<std::uint32_t> picked;
    const char* played;
    std::int32_t score;
    std::uint32_t captured;
    std::size_t left;  // cards still on the table
  } cases[] = {
      {{"7C"}, {0}, "7H", 14, 2, 0},                   // a lone seven: table value and the card
      {{}, {}, "JH", 1, 1, 0},                         // a jack on an empty table
      {{}, {}, "JC", 2, 1, 0},
      {{"10D", "5C"}, {}, "JS", 18, 3, 0},             // a jack sweeps: 15 and 2 + 1 points
      {{"10D", "9C"}, {0}, "10S", 3, 2, 1},
      {{"QH", "9C"}, {0}, "QS", 2, 2, 1},
      {{"KH", "9C"}, {0}, "KD", 2, 2, 1},
      {{"AH", "9C"}, {0}, "AD", 2, 2, 1},
      {{"5H", "9C"}, {0}, "5S", 0, 2, 1},
      {{"4H", "3C", "9C"}, {0, 1}, "7S", 0, 3, 1},      // a sum taken by the computer
  };
  for (const auto& c : cases) {
    Deal();
    ClearTable();
    for (std::size_t i = 0; i < c.table.size(); ++i) Lay(static_cast<std::uint32_t>(i), c.table[i]);
    Put(game.seatList[1], {c.played, "2C"});
    game.current = 1;
    Pick({});
    for (std::uint32_t p : c.picked) game.comboFlags[p] = 1;
    game.Play(1, Find(c.played));
    EXPECT_EQ(game.scores[1], c.score) << c.played;
    EXPECT_EQ(game.captured[1], c.captured) << c.played;
    std::size_t left = 0;
    for (const CardStack& p : game.places) left += p.cards.size();
    EXPECT_EQ(left, c.left) << c.played;
    EXPECT_EQ(game.lastCapturer, c.table.empty() ? 2u : 1u) << c.played;
    EXPECT_EQ(game.current, 0u) << c.played;
    EXPECT_EQ(game.takenCards.cards.size(), c.captured) << c.played;
  }
}

TEST_F(TablanetteTest, TheHumanPicksPlacesAndPlays) {
  ClearTable();
  Lay(0, "7C");
  Lay(1, "5C");
  Put(Human(), {"7H", "6S", "2C"});
  game.current = 0;
  ClickOn(Human(), Find("6S"));
  ClickPlace(1);  // six on a five: refused
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Cannot take these cards."}));
  EXPECT_EQ(game.comboFlags[1], 0);
  EXPECT_EQ(Human().cards.size(), 3u);
  EXPECT_FALSE(Find("6S")->selected);
  ClickPlace(0);  // picked without a card
  EXPECT_EQ(game.comboFlags[0], 1);
  ClickPlace(0);
  EXPECT_EQ(game.comboFlags[0], 0);
  ClickPlace(0);
  ClickOn(Human(), Find("7H"));  // a card clicked while places are picked plays it
  EXPECT_EQ(game.captured[0], 2u);
  EXPECT_EQ(game.scores[0], 0);
  EXPECT_TRUE(game.gameInProgress);
  EXPECT_EQ(game.current, 1u);
  game.OnLButtonDown(MAKELPARAM(300, 300));
  EXPECT_EQ(boxes.boxes.back().text, "It is Betty's turn to play.");
  // A card laid on an empty place.
  game.current = 0;
  ClickOn(Human(), Find("2C"));
  ClickPlace(5);
  EXPECT_EQ(game.places[5].FirstCard(), Find("2C"));
  EXPECT_EQ(game.placeValues[5], 2);
}

TEST_F(TablanetteTest, CombiningPlacesForOneCard) {
  ClearTable();
  Lay(0, "5C");
  Lay(1, "6D");
  Lay(2, "9H");
  Lay(3, "4C");
  Lay(4, "3D");
  Lay(5, "AH");
  Lay(6, "3H");
  Put(Human(), {"AS", "3C", "7S", "KS"});
  game.current = 0;
  const struct {
    std::vector<std::uint32_t> picked;
    const char* refusal;  // empty: combined
    std::uint32_t place;
    std::int32_t value;
  } steps[] = {
      {{0}, "You must select at least two piles to combine.", 0, 0},
      {{0, 3}, "Cannot combine these cards.", 0, 0},  // nine: no such card in the hand
      {{0, 1}, "", 0, 11},
      {{0, 2}, "Cannot combine these cards.", 0, 0},  // a pile of two cards
      {{3, 4}, "Another combination is already in progress.", 0, 0},
      {{5, 6}, "Another combination is already in progress.", 0, 0},  // ace and three make 14
  };
  for (const auto& s : steps) {
    boxes.boxes.clear();
    std::fill(std::begin(game.comboFlags), std::end(game.comboFlags), 0);
    for (std::uint32_t p : s.picked) ClickPlace(p);
    game.OnRButtonDown(0);
    if (*s.refusal) {
      EXPECT_EQ(Texts(), (std::vector<std::string>{s.refusal}));
    } else {
      EXPECT_TRUE(boxes.boxes.empty());
      EXPECT_EQ(game.comboPlace, s.place);
      EXPECT_EQ(game.placeValues[s.place], s.value);
      EXPECT_EQ(game.places[s.place].cards.size(), 2u);
      EXPECT_TRUE(game.places[1].cards.empty());
      EXPECT_EQ(game.placeValues[1], 0);
    }
  }
  // The combined pile must be taken this turn.
  boxes.boxes.clear();
  std::fill(std::begin(game.comboFlags), std::end(game.comboFlags), 0);
  ClickOn(Human(), Find("3C"));
  ClickPlace(4);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"You must take the combined pile."}));
  ClickOn(Human(), Find("AS"));
  ClickPlace(0);
  EXPECT_EQ(game.captured[0], 3u);
  EXPECT_EQ(game.scores[0], 1);
  EXPECT_EQ(game.comboPlace, 13u);
  EXPECT_EQ(game.current, 1u);

  // An ace among the combined cards may count 11.
  game.current = 0;
  ClickPlace(5);
  ClickPlace(6);
  game.OnRButtonDown(0);
  EXPECT_EQ(game.comboPlace, 5u);
  EXPECT_EQ(game.placeValues[5], 14);
}

TEST_F(TablanetteTest, AFullTableTakesTheCardOnItsSmallestPile) {
  ClearTable();
  const char* cards[] = {"3C", "3D", "3H", "3S", "4C", "4D", "4H", "4S", "5C", "5D", "5H", "5S", "6C"};
  for (std::uint32_t p = 0; p < 13; ++p) Lay(p, cards[p]);
  Put(game.places[0], {"3C", "9C"});
  Put(game.seatList[1], {"2S"});
  Put(Human(), {"2H", "9D"});
  game.rng = new ScriptedRandom({0, 0, 0, 1});
  std::unique_ptr<RandomSource> owned(game.rng);
  // The computer takes nothing: its two goes onto the first pile of one card.
  game.current = 1;
  game.computerDelay = 0;
  Tick();
  EXPECT_EQ(game.GetState(), Playing);
  ASSERT_EQ(game.places[1].cards.size(), 2u);
  EXPECT_EQ(game.places[1].cards[1], Find("2S"));
  EXPECT_EQ(game.placeValues[1], 2);
  EXPECT_EQ(game.current, 0u);
  // The human's nine takes nothing either: it goes onto the next smallest pile.
  ClickOn(Human(), Find("9D"));
  ClickPlace(7);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(game.places[2].cards.size(), 2u);
  EXPECT_EQ(game.placeValues[2], 9);
  // A capture of such a pile takes the cards under it.
  game.current = 0;
  ClickOn(Human(), Find("2H"));
  ClickPlace(1);
  EXPECT_EQ(game.captured[0], 3u);
  EXPECT_TRUE(game.places[1].cards.empty());
  game.rng = &rng;
}

TEST_F(TablanetteTest, NewCardsWhenBothHandsAreEmpty) {
  const struct {
    std::size_t stock;
    std::size_t stockAfter;
    const char* line;
  } cases[] = {{16, 8, ""}, {8, 0, "Last Deal"}};
  for (const auto& c : cases) {
    Deal();
    Put(Human(), {});
    Put(game.seatList[1], {});
    StockOf(c.stock);
    game.AdvanceTurn();
    EXPECT_EQ(Human().cards.size(), 4u);
    EXPECT_EQ(game.seatList[1].cards.size(), 4u);
    EXPECT_EQ(game.deck.stock.size(), c.stockAfter);
    EXPECT_EQ(Line(2), c.line);
    EXPECT_EQ(game.GetState(), Playing);
  }
}

TEST_F(TablanetteTest, TheEndOfAHandGivesTheTableAndTheMajorityBonus) {
  const struct {
    std::uint32_t before[2];
    std::uint32_t lastCapturer;
    std::uint32_t after[2];
    std::int32_t score[2];
  } cases[] = {
      {{25, 25}, 0, {27, 25}, {4, 0}},  // the queen and the five go to the human, then the bonus
      {{24, 26}, 0, {26, 26}, {1, 0}},  // no bonus at 26 each
      {{25, 25}, 1, {25, 27}, {0, 4}},
      {{0, 0}, 2, {0, 0}, {0, 0}},      // nobody captured: the cards go to nobody
  };
  for (const auto& c : cases) {
    Deal();
    ClearTable();
    Lay(3, "QH");
    Lay(7, "5C");
    Put(Human(), {});
    Put(game.seatList[1], {});
    StockOf(0);
    game.captured[0] = c.before[0];
    game.captured[1] = c.before[1];
    game.lastCapturer = c.lastCapturer;
    game.AdvanceTurn();
    EXPECT_EQ(game.GetState(), HandOver);
    EXPECT_EQ(game.captured[0], c.after[0]);
    EXPECT_EQ(game.captured[1], c.after[1]);
    EXPECT_EQ(game.scores[0], c.score[0]);
    EXPECT_EQ(game.scores[1], c.score[1]);
    EXPECT_EQ(game.takenCards.cards.size(), 2u);
    for (const CardStack& p : game.places) EXPECT_TRUE(p.cards.empty());
    EXPECT_EQ(Line(1), "This hand is over.");
    EXPECT_EQ(game.handOverCountdown, 50);
  }
  game.OnLButtonDown(0);
  Tick();
  EXPECT_EQ(Line(0), "Hand 2 of 4");
}

TEST_F(TablanetteTest, TheComputerShowsItsCaptureBeforeMakingIt) {
  ClearTable();
  Lay(0, "7C");
  Lay(1, "9D");
  Put(game.seatList[1], {"7H", "2S", "3S"});
  game.current = 1;
  game.computerDelay = 0;
  Tick();
  EXPECT_EQ(game.GetState(), HoldB);
  EXPECT_EQ(game.lastPlayed, Find("7H"));
  EXPECT_EQ(Line(1), "Betty Plays the (Seven of Hearts)");
  EXPECT_EQ(game.comboFlags[0], 1);
  Tick(20);
  EXPECT_EQ(game.GetState(), HoldB);
  Tick();
  EXPECT_EQ(game.GetState(), Playing);
  EXPECT_EQ(game.lastPlayed, nullptr);
  EXPECT_TRUE(game.places[0].cards.empty());
  EXPECT_EQ(game.captured[1], 2u);
  EXPECT_EQ(game.current, 0u);

  // With more than two piles left behind, a jack takes everything instead.
  Deal();
  ClearTable();
  Lay(0, "7C");
  Lay(1, "9D");
  Lay(2, "4H");
  Lay(3, "10S");
  Put(game.seatList[1], {"7H", "JD"});
  game.current = 1;
  game.computerDelay = 0;
  Tick();
  EXPECT_EQ(game.lastPlayed, Find("JD"));
  game.OnLButtonDown(0);  // a click ends the hold
  Tick();
  EXPECT_EQ(game.captured[1], 5u);
  EXPECT_EQ(game.scores[1], 7 + 9 + 4 + 10 + 1 + 1);
}

TEST_F(TablanetteTest, LayoutAndPainting) {
  const long w = images.CardWidth(), h = images.CardHeight();
  const long g1 = (611 - 6 * w - 12) / 7, g2 = (611 - 7 * w - 12) / 8;
  EXPECT_EQ(game.places[0].anchorX, 12 + g1);
  EXPECT_EQ(game.places[5].anchorX, 12 + g1 + 5 * (g1 + w));
  EXPECT_EQ(game.places[6].anchorX, 12 + g2);
  EXPECT_EQ(game.places[12].anchorY, 42 + 80 + h);
  const long top = 491 - h - 40;
  EXPECT_EQ(Human().anchorX, 12 + 599 / 2);
  EXPECT_EQ(Human().bounds.top, top);
  ExpectRect(game.stockRect, 611 - w - 10, top, 601, top + h);
  ExpectRect(game.seatList[0].labelRect, 12, 12, 611, 486);
  ExpectRect(game.seatList[1].labelRect, 12, 17, 611, 491);

  tc::Canvas canvas(790, 560);
  game.showStatusLines = true;
  game.comboFlags[0] = 1;
  game.Paint(canvas.dc());
  EXPECT_EQ(canvas.At(game.places[0].anchorX - 2, game.places[0].anchorY + 10), RGB(255, 255, 255));  // highlighted
  EXPECT_NE(canvas.At(game.stockRect.left - w / 2 + 5, top + 5), tc::kPaper);
  EXPECT_EQ(canvas.At(kStatus.left + 75, kStatus.top + 250), COLORREF(0xA3BCCE));
}

// The human seat of the self-play games: combines two places for a card now and then,
// takes a matching place or lays the card down, and sweeps with jacks.
bool TablanetteHumanMove(SelfPlay& p) {
  auto& g = static_cast<TablanetteGame&>(p.Game());
  SeatRecord& hand = g.seatList[g.humanSeat];
  auto place = [&](std::uint32_t i) { ClickAnchor(p, g.places[i]); };
  const std::uint32_t n = TablanetteGame::kPlaces;
  if (p.Random(3) == 0) {
    for (std::uint32_t i = 0; i < n; ++i)
      for (std::uint32_t j = i + 1; j < n; ++j) {
        if (g.places[i].cards.size() != 1 || g.places[j].cards.size() != 1) continue;
        for (Card* c : hand.cards) {
          if (c->rank == 11 || TablanetteGame::CardValue(*c) != g.placeValues[i] + g.placeValues[j]) continue;
          place(i);
          place(j);
          p.RightClick(0, 0);
          if (g.comboPlace != i) p.Fault("two places were not combined");
          p.ClickCard(hand, c);
          place(i);
          return true;
        }
      }
  }
  Card* c = hand.cards[p.Random(static_cast<std::uint32_t>(hand.cards.size()))];
  p.ClickCard(hand, c);
  if (c->rank == 11) {
    place(p.Random(n));
    return true;
  }
  const std::int32_t v = TablanetteGame::CardValue(*c);
  std::vector<std::uint32_t> matches, empties;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (g.places[i].cards.empty()) empties.push_back(i);
    else if (g.placeValues[i] == v || (v == 1 && g.placeValues[i] == 11)) matches.push_back(i);
  }
  if (!matches.empty() && (empties.empty() || p.Random(2) == 0))
    place(matches[p.Random(static_cast<std::uint32_t>(matches.size()))]);
  else if (!empties.empty())
    place(empties[p.Random(static_cast<std::uint32_t>(empties.size()))]);
  else
    place(0);  // a full table and nothing to take
  return true;
}

TEST(TablanetteSelfPlayTest, SeededGamesPlayToTheEnd) {
  SelfPlayOptions o;
  o.trickPlays = false;
  o.maxTicks = 20000;
  o.places = [](const CardGame& g, std::vector<const Card*>& cards) {
    const auto& t = static_cast<const TablanetteGame&>(g);
    for (const CardStack& p : t.places) cards.insert(cards.end(), p.cards.begin(), p.cards.end());
    cards.insert(cards.end(), t.takenCards.cards.begin(), t.takenCards.cards.end());
    if (t.lastPlayed && std::find(cards.begin(), cards.end(), t.lastPlayed) == cards.end()) cards.push_back(t.lastPlayed);
  };
  o.humanToMove = [](const CardGame& g) {
    return g.GetState() == Playing && g.current == g.humanSeat && !g.seatList[g.humanSeat].cards.empty();
  };
  o.humanMove = &TablanetteHumanMove;
  std::int32_t before[2] = {0, 0};
  o.onHandOver = [&](CardGame& g) {
    const auto& t = static_cast<const TablanetteGame&>(g);
    EXPECT_EQ(t.takenCards.cards.size(), 52u);
    if (t.lastCapturer < 2) {
      EXPECT_EQ(t.captured[0] + t.captured[1], 52u);
    }
    for (int s = 0; s < 2; ++s) {
      EXPECT_GE(g.scores[s], before[s]);
      before[s] = g.scores[s];
    }
  };
  PlaySeededGames<TablanetteGame>(200, o, [&](TablanetteGame& g, const SelfPlayResult& r, std::uint32_t seed) {
    EXPECT_TRUE(r.finished) << "seed " << seed;
    EXPECT_EQ(r.hands, 4) << "seed " << seed;
    EXPECT_EQ(g.GetState(), Finished) << "seed " << seed;
    before[0] = before[1] = 0;
  });
}

}  // namespace
