#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include "CardTestKit.h"
#include "Cards.h"

namespace {
std::string Text(const Card& c) {
  std::ostringstream o;
  o << c;
  return o.str();
}
}  // namespace

TEST(Card, IdentityOfCopiesAndAssignments) {
  Card a(12, 2);
  a.selected = true;
  a.faceUp = true;
  a.flags = 0x30;
  Card b(a);
  EXPECT_NE(b.uniqueId, a.uniqueId);
  EXPECT_FALSE(b.selected);
  EXPECT_TRUE(b.faceUp);
  EXPECT_EQ(b.flags, 0u);
  EXPECT_EQ(b.rank, 12);
  EXPECT_EQ(b.faceSuit, 2);

  Card c;
  EXPECT_EQ(c.suit, 4);
  EXPECT_EQ(c.faceRank, 0);
  EXPECT_NE(c.uniqueId, b.uniqueId);
  c = a;
  EXPECT_EQ(c.uniqueId, a.uniqueId);
  EXPECT_TRUE(c.selected);
  EXPECT_EQ(c.flags, 0x30u);
  const std::uint32_t id = c.uniqueId;
  c = c;
  EXPECT_EQ(c.uniqueId, id);

  a.rank = 14;
  a.suit = 0;
  a.Reset();
  EXPECT_EQ(a.rank, 12);
  EXPECT_EQ(a.suit, 2);
  EXPECT_FALSE(a.selected || a.faceUp);
  EXPECT_EQ(a.flags, 0u);
}

TEST(Card, TextNamesThePrintedCard) {
  struct Case { int faceRank, faceSuit, rank, suit; const char* text; };
  const Case cases[] = {
      {14, 3, 14, 3, "(Ace of Spades)"},
      {1, 2, 1, 2, "(Ace of Hearts)"},
      {1, 2, 14, 2, "(Ace of Hearts)"},     // ace counted high
      {11, 0, 15, 3, "(Jack of Clubs)"},    // jack moved to another suit and rank
      {2, 1, 0, 1, "(Two of Diamonds)"},    // a wild two given rank 0
      {0, 4, 0, 4, "(Joker)"},
      {0, 4, 5, 2, "(Joker)"},
      {10, 1, 10, 1, "(Ten of Diamonds)"},
  };
  for (const auto& c : cases) {
    Card card(c.faceRank, c.faceSuit);
    card.rank = c.rank;
    card.suit = c.suit;
    EXPECT_EQ(Text(card), c.text);
  }
}

TEST(Card, RankAndSuitNames) {
  const char* ranks[] = {"Joker", "Ace", "Two", "Three", "Four", "Five", "Six", "Seven",
                         "Eight", "Nine", "Ten", "Jack", "Queen", "King", "Ace"};
  for (int r = 0; r <= 14; ++r) EXPECT_EQ(RankName(r), ranks[r]);
  EXPECT_EQ(RankName(-1), "None");
  EXPECT_EQ(RankName(15), "None");
  const char* suits[] = {"Clubs", "Diamonds", "Hearts", "Spades", "None", "None"};
  for (int s = 0; s <= 5; ++s) EXPECT_EQ(SuitName(s), suits[s]);
  EXPECT_EQ(SuitName(-1), "None");

  std::int32_t r = 14;
  NextRank(r);
  EXPECT_EQ(r, 0);
  NextRank(r);
  EXPECT_EQ(r, 1);
  PreviousRank(r);
  PreviousRank(r);
  EXPECT_EQ(r, 14);
}

TEST(Card, HandOrders) {
  Card tenC(10, 0), tenH(10, 2), twoS(2, 3), aceD(14, 1), kingC(13, 0), joker1(0, 4), joker2(0, 4);
  struct Case { bool (*before)(const Card*, const Card*); const Card* a; const Card* b; bool expected; };
  const Case cases[] = {
      {CompareCardsByRank, &tenC, &tenH, true},   {CompareCardsByRank, &tenH, &tenC, false},
      {CompareCardsByRank, &joker1, &tenC, true}, {CompareCardsByRank, &tenC, &joker1, false},
      {CompareCardsByRank, &twoS, &tenC, true},   {CompareCardsByRank, &joker1, &joker2, false},
      {CompareCardsCDSH, &aceD, &twoS, true},     {CompareCardsCDSH, &twoS, &tenH, true},
      {CompareCardsCDSH, &kingC, &aceD, true},    {CompareCardsCDSH, &tenC, &kingC, true},
      {CompareCardsCDSH, &joker1, &tenC, true},   {CompareCardsCDSH, &joker2, &joker1, false},
      {CompareCardsSHCD, &twoS, &tenH, true},     {CompareCardsSHCD, &tenH, &tenC, true},
      {CompareCardsSHCD, &kingC, &aceD, true},    {CompareCardsSHCD, &aceD, &kingC, false},
      {CompareCardsSHCD, &joker1, &joker2, false},
  };
  for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    EXPECT_EQ(cases[i].before(cases[i].a, cases[i].b), cases[i].expected) << "case " << i;
}

// Sorting needs strict weak orders: irreflexive, transitive, and "neither before the
// other" transitive too. Checked over cards with two jokers, doubled cards and odd suits.
TEST(Card, HandOrdersAreStrictWeakOrders) {
  std::vector<Card> cards = {Card(0, 4), Card(0, 4), Card(5, 0), Card(5, 0), Card(14, 3),
                             Card(2, 2), Card(13, 1), Card(7, 4), Card(1, 2), Card(9, 3)};
  cards[8].rank = 14;  // an ace counted high keeps its printed rank
  std::vector<const Card*> p;
  for (const Card& c : cards) p.push_back(&c);
  for (auto before : {CompareCardsCDSH, CompareCardsSHCD, CompareCardsByRank}) {
    auto same = [&](const Card* a, const Card* b) { return !before(a, b) && !before(b, a); };
    for (const Card* a : p) {
      EXPECT_FALSE(before(a, a));
      for (const Card* b : p) {
        EXPECT_FALSE(before(a, b) && before(b, a));
        for (const Card* c : p) {
          if (before(a, b) && before(b, c)) {
            EXPECT_TRUE(before(a, c));
          }
          if (same(a, b) && same(b, c)) {
            EXPECT_TRUE(same(a, c));
          }
        }
      }
    }
    EXPECT_TRUE(same(p[0], p[1]));  // two jokers
  }
}

TEST(CardDeck, GatherDrawAndReturn) {
  CardDeck deck;
  EXPECT_EQ(deck.Draw(), nullptr);
  FillPack(deck, 2);
  ASSERT_EQ(deck.pack.size(), 52u);
  EXPECT_TRUE(deck.stock.empty());
  deck.pack[3].rank = 99;
  deck.pack[3].selected = true;
  deck.pack[3].flags = 7;
  deck.Gather();
  ASSERT_EQ(deck.stock.size(), 52u);
  for (std::size_t i = 0; i < 52; ++i) EXPECT_EQ(deck.stock[i], &deck.pack[i]);
  EXPECT_EQ(deck.pack[3].rank, 5);
  EXPECT_FALSE(deck.pack[3].selected);
  EXPECT_EQ(deck.pack[3].flags, 0u);

  EXPECT_EQ(deck.BottomCard(), &deck.pack[0]);
  Card* top = deck.Draw();
  EXPECT_EQ(top, &deck.pack[51]);
  EXPECT_EQ(deck.lastDrawn, top);
  EXPECT_EQ(deck.stock.size(), 51u);
  deck.ReturnCard(top);
  deck.ReturnCard(nullptr);  // ignored
  EXPECT_EQ(deck.Draw(), top);
  while (deck.Draw()) {
  }
  EXPECT_EQ(deck.lastDrawn, &deck.pack[0]);
  EXPECT_EQ(deck.Draw(), nullptr);
  EXPECT_EQ(deck.lastDrawn, &deck.pack[0]);
  EXPECT_EQ(deck.BottomCard(), nullptr);

  // The cards stay where they are when the pack grows after a deal.
  deck.Gather();
  Card* first = deck.stock[0];
  for (int i = 0; i < 200; ++i) deck.AddToPack(0, 2);
  EXPECT_EQ(first, &deck.pack[0]);
  EXPECT_EQ(deck.stock[51]->faceRank, 14);
}

TEST(CardDeck, PlayValuesAndFaces) {
  CardDeck deck;
  FillPack(deck, 1);
  deck.Gather();
  deck.SetRankValue(1, 14);
  deck.SetCardValue(11, 0, 15, 3);
  int highAces = 0;
  for (const Card& c : deck.pack) {
    if (c.faceRank == 1) {
      EXPECT_EQ(c.rank, 14);
      ++highAces;
    }
    if (c.faceRank == 11) {
      EXPECT_EQ(c.rank, c.faceSuit == 0 ? 15 : 11);
      EXPECT_EQ(c.suit, c.faceSuit == 0 ? 3 : c.faceSuit);
    }
  }
  EXPECT_EQ(highAces, 4);
  deck.TurnAllFaceUp();
  EXPECT_TRUE(std::all_of(deck.pack.begin(), deck.pack.end(), [](const Card& c) { return c.faceUp; }));
  deck.Gather();
  for (const Card& c : deck.pack) {
    EXPECT_EQ(c.rank, c.faceRank);
    EXPECT_EQ(c.suit, c.faceSuit);
    EXPECT_FALSE(c.faceUp);
  }
}

// Known answer: a suit-major pack (clubs ace..king, then diamonds, hearts, spades)
// shuffled with a generator seeded 12345, worked out separately.
TEST(CardDeck, ShuffleKnownAnswer) {
  const char* expected[] = {
      "2D", "8D", "8C", "9D", "2C", "KS", "1C", "3H", "5H", "9S", "1H", "4C", "4H",
      "3S", "4D", "QS", "10S", "JC", "9H", "6C", "6D", "6H", "JS", "QC", "3D", "JD",
      "1D", "3C", "5S", "KC", "5C", "8H", "1S", "7D", "2S", "KD", "2H", "QH", "KH",
      "QD", "7H", "10H", "7C", "10C", "7S", "6S", "4S", "5D", "9C", "10D", "JH", "8S"};
  CardDeck deck;
  FillPack(deck, 1);
  deck.Gather();
  MersenneRandom rng(12345);
  deck.Shuffle(rng);
  ASSERT_EQ(deck.stock.size(), 52u);
  for (std::size_t i = 0; i < 52; ++i) EXPECT_EQ(CardName(deck.stock[i]), expected[i]) << i;
  EXPECT_EQ(CardName(deck.Draw()), "8S");
}

TEST(CardDeck, ShuffleOfTinyStocksDrawsNothing) {
  ScriptedRandom rng;
  CardDeck deck;
  deck.Shuffle(rng);
  deck.AddToPack(2, 5);
  deck.Gather();
  deck.Shuffle(rng);
  EXPECT_EQ(rng.draws, 0);
  EXPECT_EQ(deck.stock.size(), 1u);
  deck.AddToPack(3, 5);
  deck.Gather();
  deck.Shuffle(rng);
  EXPECT_EQ(rng.draws, 1);
}

TEST(CardDeck, IteratorAndSuitCycle) {
  CardDeck deck;
  DeckIterator it(deck);
  EXPECT_EQ(it.First(), nullptr);
  EXPECT_EQ(it.Next(), nullptr);
  FillPack(deck, 2);
  int n = 0;
  for (Card* c = it.First(); c; c = it.Next()) EXPECT_EQ(c, &deck.pack[n++]);
  EXPECT_EQ(n, 52);

  ScriptedRandom rng({6});
  std::int32_t suit = -1;
  SuitCycle cycle;
  cycle.count = 3;
  BeginSuitCycle(rng, suit, cycle);
  EXPECT_EQ(cycle.first, 2);
  EXPECT_EQ(cycle.count, 0);
  EXPECT_EQ(suit, 2);
}
