#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "CardTestKit.h"
#include "CardPile.h"

namespace {
struct Table {
  CardDeck deck;
  Table() {
    FillPack(deck, 2);
    deck.Gather();
  }
  Card* operator()(const std::string& name) {
    auto rs = ParseCard(name);
    return FindCard(deck, rs.first, rs.second);
  }
};

void Fill(CardPile& pile, Table& t, std::initializer_list<const char*> names) {
  for (const char* n : names) pile.AddCard(t(n));
}

std::string Names(const CardPile& pile) {
  std::string s;
  for (const Card* c : pile.cards) s += (s.empty() ? "" : " ") + CardName(c);
  return s;
}
}  // namespace

TEST(CardPile, BoundsOfEveryLayout) {
  struct Case { int layout, count, spacing, x, y; long l, t, r, b; };
  // Card 71 x 96.
  const Case cases[] = {
      {0, 3, 15, 100, 200, 100, 200, 202, 296},
      {1, 3, 15, 100, 200, 49, 200, 151, 296},  // w = 102
      {1, 2, 29, 100, 200, 50, 200, 150, 296},  // w = 101: halves rounded toward zero
      {2, 3, 15, 300, 200, 198, 200, 300, 296},
      {3, 4, 20, 10, 20, 10, 20, 81, 177},      // h = 157
      {4, 4, 20, 10, 300, 10, 222, 81, 378},
      {5, 4, 20, 10, 300, 10, 143, 81, 300},
      {6, 5, 30, 40, 50, 40, 50, 111, 146},
      {0, 0, 15, 100, 200, 100, 200, 100, 296},  // empty: width 0
      {3, 0, 15, 100, 200, 100, 200, 171, 200},
      {0, 1, 15, 0, 0, 0, 0, 72, 96},
  };
  Table t;
  for (const auto& c : cases) {
    CardStack pile;
    for (int i = 0; i < c.count; ++i) pile.cards.push_back(&t.deck.pack[i]);
    Place(pile, c.layout, c.x, c.y, c.spacing);
    SCOPED_TRACE(testing::Message() << "layout " << c.layout << " count " << c.count);
    ExpectRect(pile.bounds, c.l, c.t, c.r, c.b);
  }

  // An unknown layout never recomputes the bounds.
  CardStack odd;
  odd.bounds = {1, 2, 3, 4};
  Place(odd, 9, 100, 100, 10);
  odd.AddCard(t("2C"));
  ExpectRect(odd.bounds, 1, 2, 3, 4);
}

TEST(CardPile, HitTests) {
  Table t;
  CardStack row;
  Place(row, kRowFromAnchor, 100, 200, 15);
  EXPECT_TRUE(row.HitTestAnchor(100, 200));  // works while empty
  EXPECT_TRUE(row.HitTestAnchor(171, 296));
  EXPECT_FALSE(row.HitTestAnchor(172, 296));
  EXPECT_EQ(row.CardAt(100, 200), nullptr);
  Fill(row, t, {"2C", "3C", "4C"});

  struct Case { long x, y; const char* card; };
  const Case cases[] = {
      {120, 250, "3C"}, {201, 250, "4C"}, {203, 250, "null"}, {100, 200, "2C"},
      {202, 296, "4C"}, {114, 250, "2C"}, {115, 250, "3C"},   {99, 250, "null"},
      {150, 297, "null"}, {150, 199, "null"},
  };
  for (const auto& c : cases) EXPECT_EQ(CardName(row.CardAt(c.x, c.y)), c.card) << c.x << "," << c.y;

  EXPECT_TRUE(row.Contains(202, 296));
  EXPECT_FALSE(row.ContainsPoint(CardPoint{202, 250}));
  EXPECT_FALSE(row.ContainsPoint(CardPoint{150, 296}));
  EXPECT_TRUE(row.ContainsPoint(CardPoint{201, 295}));
  EXPECT_TRUE(row.ContainsPoint(CardPoint{100, 200}));

  // A column answers by the vertical offset; a stack and a zero spacing by the first card.
  CardStack column;
  Place(column, kColumnFromAnchor, 10, 20, 20);
  Fill(column, t, {"2H", "3H", "4H"});
  EXPECT_EQ(CardName(column.CardAt(40, 20)), "2H");
  EXPECT_EQ(CardName(column.CardAt(40, 45)), "3H");
  EXPECT_EQ(CardName(column.CardAt(40, 150)), "4H");
  CardStack stack;
  Place(stack, kStack, 10, 20, 20);
  Fill(stack, t, {"2S", "3S"});
  EXPECT_EQ(CardName(stack.CardAt(80, 115)), "2S");
  row.SetPlacement(kRowFromAnchor, 100, 200, 0);
  EXPECT_EQ(CardName(row.CardAt(101, 201)), "2C");

  // A selected card answers where it is drawn: lifted by the spacing (left in a column);
  // the place it left shows the card under it.
  row.SetPlacement(kRowFromAnchor, 100, 200, 15);
  t("3C")->selected = true;
  const Case lifted[] = {
      {120, 190, "3C"}, {140, 185, "3C"}, {186, 190, "3C"}, {140, 250, "4C"},
      {120, 290, "2C"}, {140, 184, "null"}, {190, 190, "null"},
  };
  for (const auto& c : lifted) EXPECT_EQ(CardName(row.CardAt(c.x, c.y)), c.card) << c.x << "," << c.y;
  t("3C")->selected = false;
  t("3H")->selected = true;
  EXPECT_EQ(CardName(column.CardAt(5, 50)), "3H");
  EXPECT_EQ(CardName(column.CardAt(75, 50)), "2H");
  t("3H")->selected = false;
  t("2S")->selected = true;
  EXPECT_EQ(CardName(stack.CardAt(80, 5)), "2S");
  EXPECT_EQ(stack.CardAt(80, -1), nullptr);
  t("2S")->selected = false;

  // After Clear the old area still answers Contains, but there is no card.
  row.SetPlacement(kRowFromAnchor, 100, 200, 15);
  row.Clear();
  EXPECT_TRUE(row.Contains(150, 250));
  EXPECT_EQ(row.CardAt(150, 250), nullptr);
  ExpectRect(row.bounds, 100, 200, 202, 296);
}

TEST(CardPile, AddRemoveReplace) {
  Table t;
  CardStack pile;
  Place(pile, kRowFromAnchor, 0, 0, 10);
  Fill(pile, t, {"2C", "3C", "4C"});
  pile.AddCardFirst(t("AS"));
  pile.AddCard(nullptr);
  pile.AddCardFirst(nullptr);
  EXPECT_EQ(Names(pile), "AS 2C 3C 4C");
  EXPECT_EQ(pile.bounds.right, 30 + 72);
  EXPECT_EQ(pile.RemoveCard(t("3C")), t("3C"));
  EXPECT_EQ(pile.RemoveCard(t("3C")), nullptr);
  EXPECT_EQ(pile.RemoveCard(nullptr), t("AS"));
  EXPECT_EQ(Names(pile), "2C 4C");
  EXPECT_EQ(pile.bounds.right, 10 + 72);
  pile.AddCard(t("2C"));
  pile.ReplaceCard(t("2C"), t("KD"));
  EXPECT_EQ(Names(pile), "KD 4C KD");
  EXPECT_EQ(pile.FirstCard(), t("KD"));
  EXPECT_EQ(pile.LastCard(), t("KD"));
  pile.Clear();
  EXPECT_EQ(pile.FirstCard(), nullptr);
  EXPECT_EQ(pile.LastCard(), nullptr);
  EXPECT_EQ(pile.RemoveCard(nullptr), nullptr);
}

TEST(CardPile, SortModesAreStable) {
  Table t;
  CardDeck second;  // a second pack: equal cards
  FillPack(second, 2);
  Card* otherTenH = FindCard(second, 10, 2);
  Card joker1(0, 4), joker2(0, 4);

  struct Case { int mode; const char* sorted; };
  const Case cases[] = {
      {0, "JK JK 2C QC 10D AD 3S 10H 10H KH"},
      {1, "JK JK 3S 10H 10H KH 2C QC 10D AD"},
      {2, "JK JK 2C 3S 10D 10H 10H QC KH AD"},
      {7, "JK JK 2C QC 10D AD 3S 10H 10H KH"},
  };
  for (const auto& c : cases) {
    CardStack hand;
    for (Card* p : {t("KH"), t("10H"), &joker2, t("3S"), t("AD"), otherTenH, t("10D"), t("2C"),
                    &joker1, t("QC")})
      hand.AddCard(p);
    hand.Sort(c.mode);
    EXPECT_EQ(Names(hand), c.sorted) << "mode " << c.mode;
    // Equal cards keep the order they had.
    auto pos = [&](const Card* p) {
      for (std::size_t i = 0; i < hand.cards.size(); ++i)
        if (hand.cards[i] == p) return i;
      return hand.cards.size();
    };
    EXPECT_LT(pos(&joker2), pos(&joker1));
    EXPECT_LT(pos(t("10H")), pos(otherTenH));
  }
}

TEST(CardPile, CountsAndSearches) {
  Table t;
  CardStack hand;
  Fill(hand, t, {"2H", "9S", "5H", "KH", "5S", "AH", "5C", "JS", "3H"});
  EXPECT_EQ(hand.CountSuit(2), 5u);
  EXPECT_EQ(hand.CountSuit(1), 0u);
  EXPECT_EQ(hand.CountRank(5), 3u);
  EXPECT_EQ(hand.CountLowerInSuit(t("5H")), 2u);
  EXPECT_EQ(hand.CountHigherInSuit(t("5H")), 2u);
  EXPECT_EQ(hand.CountHigherInSuit(t("JS")), 0u);
  EXPECT_EQ(hand.CountLowerInSuit(nullptr), 0u);
  EXPECT_EQ(CardName(hand.FindCardOfSuit(2, 0)), "3H");
  EXPECT_EQ(CardName(hand.FindCardOfSuit(2, 1)), "AH");
  EXPECT_EQ(CardName(hand.FindCardOfSuit(2, 4)), "2H");
  EXPECT_EQ(hand.FindCardOfSuit(2, 5), nullptr);
  EXPECT_EQ(hand.FindCardOfSuit(1, 0), nullptr);

  // Five hearts and five spades: hearts, the lower suit, is the longest.
  struct Case { std::vector<const char*> cards; int asked; int longest; bool longIn; };
  const std::vector<Case> cases = {
      {{"2H", "3H", "4H", "5H", "6H", "2S", "3S", "4S", "5S", "6S"}, 2, 2, true},
      {{"2H", "3H", "4H", "5H", "6H", "2S", "3S", "4S", "5S", "6S"}, 3, 2, false},
      {{"2H", "3H", "4H", "5H", "2S", "3S", "4S", "5S", "6S"}, 3, 3, true},
      {{"2H", "3H", "4H", "5H", "2C"}, 2, 2, false},  // four is not long
      {{}, 4, 4, false},
      {{"2D"}, 1, 1, false},
  };
  for (const auto& c : cases) {
    CardStack pile;
    for (const char* n : c.cards) pile.AddCard(t(n));
    pile.FindLongestSuit(c.asked);
    EXPECT_EQ(pile.longestSuit, c.longest);
    EXPECT_EQ(pile.longInSuit, c.longIn);
  }
}

TEST(CardPile, Selection) {
  Table t;
  CardStack hand;
  Fill(hand, t, {"2C", "3C", "4C"});
  hand.ToggleSelect(t("3C"));
  EXPECT_EQ(hand.FirstSelected(), t("3C"));
  hand.ToggleSelect(t("2C"));
  EXPECT_FALSE(t("3C")->selected);
  EXPECT_EQ(hand.FirstSelected(), t("2C"));
  hand.ToggleSelect(t("2C"));
  EXPECT_EQ(hand.FirstSelected(), nullptr);
  hand.ToggleSelect(nullptr);

  hand.multiSelect = true;
  hand.ToggleSelect(t("4C"));
  hand.ToggleSelect(t("3C"));
  EXPECT_TRUE(t("4C")->selected);
  EXPECT_EQ(hand.FirstSelected(), t("3C"));
}

TEST(PileIterator, WalksAndWraps) {
  Table t;
  CardStack pile;
  PileIterator it(pile);
  ScriptedRandom rng({2});
  EXPECT_EQ(it.First(), nullptr);
  EXPECT_EQ(it.FirstFromRandom(rng), nullptr);
  EXPECT_EQ(rng.draws, 0);
  EXPECT_EQ(it.Last(), nullptr);
  EXPECT_EQ(it.Prev(), nullptr);
  Fill(pile, t, {"2C", "3C", "4C", "5C"});

  std::string walk;
  for (Card* c = it.FirstFromRandom(rng); c; c = it.Next()) walk += CardName(c) + " ";
  EXPECT_EQ(walk, "4C 5C 2C 3C ");

  walk.clear();
  for (Card* c = it.Last(); c; c = it.Prev()) walk += CardName(c) + " ";
  EXPECT_EQ(walk, "5C 4C 3C 2C ");
  it.Last();
  EXPECT_EQ(it.Next(), nullptr);
  it.First();
  EXPECT_EQ(it.Prev(), nullptr);
}

TEST(CardPile, ShuffleMatchesTheDeck) {
  CardDeck deck;
  FillPack(deck, 1);
  deck.Gather();
  CardStack pile;
  for (Card* c : deck.stock) pile.AddCard(c);
  MersenneRandom a(12345), b(12345);
  deck.Shuffle(a);
  pile.Shuffle(b);
  EXPECT_TRUE(std::equal(deck.stock.begin(), deck.stock.end(), pile.cards.begin()));
  EXPECT_EQ(a.Next(0), b.Next(0));
}

// Equal cards of a double pack keep their dealt order in every sort.
TEST(CardPile, SortOfADoublePackIsStable) {
  CardDeck deck;
  FillPack(deck, 2);
  FillPack(deck, 2);
  for (int i = 0; i < 4; ++i) deck.AddToPack(4, 0);
  deck.Gather();
  MersenneRandom rng(77);
  deck.Shuffle(rng);
  for (int mode = 0; mode < 3; ++mode) {
    CardStack hand;
    for (Card* c : deck.stock) hand.AddCard(c);
    hand.Sort(mode);
    auto dealt = [&](const Card* c) {
      return std::find(deck.stock.begin(), deck.stock.end(), c) - deck.stock.begin();
    };
    for (std::size_t i = 1; i < hand.cards.size(); ++i) {
      const Card* a = hand.cards[i - 1];
      const Card* b = hand.cards[i];
      const bool same = a->faceRank == b->faceRank && a->faceSuit == b->faceSuit;
      if (same) {
        EXPECT_LT(dealt(a), dealt(b)) << "mode " << mode << " at " << i;
      }
    }
  }
}
