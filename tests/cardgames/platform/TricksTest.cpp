#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CardTestKit.h"
#include "Tricks.h"

namespace {
using Names = std::vector<const char*>;

// A fresh hand of a 52-card pack (aces high) with the referee set up for it.
struct Deal {
  CardDeck deck;
  TrickState t;
  explicit Deal(int trump = 4, int noLead = 4, bool firstTrickTrumps = true) {
    FillPack(deck, 2);
    deck.Gather();
    t.firstTrickTrumpRule = firstTrickTrumps;
    t.SetNoLeadSuit(noLead);
    t.NewHand();
    t.AddUnplayed(deck);
    t.SetTrump(trump);
  }
  Card* operator()(const std::string& name) {
    auto rs = ParseCard(name);
    return FindCard(deck, rs.first, rs.second);
  }
  // Plays the cards to the current trick, seats 0, 1, ...
  void Trick(const Names& cards) {
    int seat = 0;
    for (const char* n : cards) t.Play((*this)(n), seat++);
  }
  void FinishedTrick(const Names& cards) {
    Trick(cards);
    t.NewTrick();
  }
  CardStack Hand(const Names& cards) {
    CardStack h;
    for (const char* n : cards) h.AddCard((*this)(n));
    return h;
  }
};
}  // namespace

TEST(TrickState, SetUpAndTrickHistory) {
  Deal d(3, 1);
  EXPECT_TRUE(d.t.trumpAllowed);
  EXPECT_EQ(d.t.winningSeat, -1);
  EXPECT_EQ(d.t.noLeadSuit, 1);
  EXPECT_EQ(d.t.CountUnplayedOfSuit(2), 13u);
  for (std::uint32_t b : d.t.suitBudget) EXPECT_EQ(b, 3u);

  EXPECT_TRUE(d.t.WouldWin(d("5D")));  // nothing played yet
  EXPECT_TRUE(d.t.Play(d("5D"), 2));
  EXPECT_EQ(d.t.winningSeat, 2);
  EXPECT_EQ(d.t.ledCard, d("5D"));
  EXPECT_EQ(d.t.noLeadSuit, 4);      // a diamond opened diamonds
  EXPECT_EQ(d.t.noLeadSuitRule, 1);
  EXPECT_FALSE(d.t.Play(d("3D"), 3));
  EXPECT_EQ(d.t.winningSeat, 2);
  EXPECT_TRUE(d.t.Play(d("2S"), 0));
  EXPECT_EQ(d.t.winningSeat, 0);
  EXPECT_EQ(d.t.winningCard, d("2S"));
  EXPECT_EQ(d.t.playedCount, 3u);
  EXPECT_EQ(d.t.CountUnplayedOfSuit(1), 11u);

  d.t.NewTrick();
  EXPECT_EQ(d.t.previousTrick[0], d("5D"));
  EXPECT_EQ(d.t.previousTrick[2], d("2S"));
  EXPECT_EQ(d.t.previousTrick[3], nullptr);
  EXPECT_EQ(d.t.currentTrick[0], nullptr);
  EXPECT_EQ(d.t.winningSeat, -1);
  EXPECT_EQ(d.t.ledCard, nullptr);
  EXPECT_EQ(d.t.winningCard, nullptr);

  d.t.NewHand();
  EXPECT_EQ(d.t.noLeadSuit, 1);
  EXPECT_EQ(d.t.trump, 4);
  EXPECT_EQ(d.t.previousTrick[0], nullptr);
  EXPECT_EQ(d.t.CountUnplayedOfSuit(1), 0u);

  d.t.SetTrumpFromCard(*d("9H"));
  EXPECT_EQ(d.t.trump, 2);
  d.t.ClearTrump();
  EXPECT_EQ(d.t.trump, 4);
  EXPECT_TRUE(TrickState::BothOrNeither(false, false));
  EXPECT_FALSE(TrickState::BothOrNeither(true, false));
}

TEST(TrickState, LegalPlays) {
  struct Case {
    int trump, noLead;
    bool firstTrickTrumps;
    Names led, hand;
    const char* card;
    bool legal;
  };
  const std::vector<Case> cases = {
      // Leading with a closed suit.
      {4, 3, true, {}, {"2S", "5S"}, "2S", true},
      {4, 3, true, {}, {"2S", "5H"}, "2S", false},
      {4, 3, true, {}, {"2S", "5H"}, "5H", true},
      {4, 4, true, {}, {"2S", "5H"}, "2S", true},
      // Following suit.
      {4, 4, true, {"10H"}, {"2H", "3C"}, "2H", true},
      {4, 4, true, {"10H"}, {"2H", "3C"}, "3C", false},
      // Void: no trump while trumps are not allowed...
      {3, 4, false, {"10H"}, {"4S", "3C"}, "4S", false},
      {3, 4, false, {"10H"}, {"4S", "3C"}, "3C", true},
      // ...unless the hand holds nothing but trumps.
      {3, 4, false, {"10H"}, {"4S", "9S"}, "4S", true},
      {3, 4, true, {"10H"}, {"4S", "3C"}, "4S", true},
      {4, 4, false, {"10H"}, {"4S", "3C"}, "4S", true},
      // A trump led is followed with trumps.
      {3, 4, false, {"10S"}, {"4S", "3C"}, "4S", true},
      {3, 4, false, {"10S"}, {"4S", "3C"}, "3C", false},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    Deal d(c.trump, c.noLead, c.firstTrickTrumps);
    d.Trick(c.led);
    CardStack hand = d.Hand(c.hand);
    EXPECT_EQ(d.t.IsLegalPlay(d(c.card), hand), c.legal) << "case " << i;
  }
  Deal d;
  CardStack empty;
  EXPECT_FALSE(d.t.IsLegalPlay(nullptr, empty));
}

TEST(TrickState, WinningAndRanking) {
  struct Case { int trump; Names played; const char* card; bool wins; };
  const std::vector<Case> cases = {
      {2, {"AC"}, "2H", true},  // a trump two beats a non-trump ace
      {2, {"10C"}, "2D", false},
      {2, {"10C"}, "JC", true},
      {2, {"10C"}, "9C", false},
      {2, {"10C", "3H"}, "AC", false},
      {2, {"10C", "3H"}, "4H", true},
      {2, {"10C", "3H"}, "2H", false},
      {4, {"10C"}, "2H", false},
      {4, {"10C", "QC"}, "KC", true},
  };
  for (const auto& c : cases) {
    Deal d(c.trump);
    d.Trick(c.played);
    EXPECT_EQ(d.t.WouldWin(d(c.card)), c.wins) << c.card;
  }

  Deal d(2);
  struct Rank { const char* a; const char* b; bool above; };
  const Rank ranks[] = {{"2H", "AC", true}, {"AC", "2H", false}, {"KD", "QC", true},
                        {"QC", "QD", false}, {"3H", "2H", true}, {"2H", "3H", false}};
  for (const auto& r : ranks) EXPECT_EQ(d.t.Outranks(d(r.a), d(r.b)), r.above) << r.a << r.b;
  EXPECT_FALSE(d.t.Outranks(nullptr, d("2H")));
}

TEST(TrickState, SuitBudgetAndUnplayedCounts) {
  Deal d;
  d.FinishedTrick({"JS", "10S", "8S"});
  EXPECT_EQ(d.t.suitBudget[3], 0u);
  d.FinishedTrick({"7S"});
  EXPECT_EQ(d.t.suitBudget[3], 4294967295u);
  EXPECT_EQ(d.t.suitBudget[2], 3u);

  EXPECT_EQ(d.t.CountHigherUnplayed(d("AS")), 0u);
  EXPECT_EQ(d.t.CountHigherUnplayed(d("9S")), 3u);  // Q K A
  EXPECT_EQ(d.t.CountLowerUnplayed(d("9S")), 5u);   // 2..6
  EXPECT_EQ(d.t.CountLowerUnplayed(d("2S")), 0u);
  EXPECT_EQ(d.t.CountUnplayedOfSuit(3), 9u);
  EXPECT_EQ(d.t.CountUnplayedOfSuit(7), 0u);

  // The same card played twice leaves its count at zero, never below.
  d.FinishedTrick({"7S"});
  EXPECT_EQ(d.t.unplayed[7][3], 0u);
  EXPECT_EQ(d.t.CountLowerUnplayed(d("9S")), 5u);

  // A card outside the table's ranks is played without touching it.
  Card odd(20, 9);
  d.t.Play(&odd, 0);
  EXPECT_EQ(d.t.CountUnplayedOfSuit(3), 9u);
  // A fifth card in a trick is counted but not stored past the trick's four places.
  d.Trick({"2C", "3C", "4C"});
  d.t.Play(d("5C"), 0);
  EXPECT_EQ(d.t.playedCount, 5u);
  EXPECT_EQ(d.t.currentTrick[3], d("4C"));
}

TEST(TrickState, RebuildAfterPlayValuesChange) {
  CardDeck deck;
  FillPack(deck, 1);  // aces low in the pack
  deck.Gather();
  TrickState t;
  t.AddUnplayed(deck);
  deck.SetRankValue(1, 14);  // the game counts aces high after the deal
  Card* ace = FindCard(deck, 14, 3);
  Card* king = FindCard(deck, 13, 3);
  EXPECT_EQ(t.CountHigherUnplayed(king), 0u);  // stale: the ace is still counted low

  // Playing the ace on the stale table does not wrap its count.
  TrickState stale = t;
  stale.Play(ace, 0);
  EXPECT_EQ(stale.unplayed[14][3], 0u);
  EXPECT_EQ(stale.CountHigherUnplayed(king), 0u);

  t.RebuildUnplayed(deck);
  EXPECT_EQ(t.CountHigherUnplayed(king), 1u);
  EXPECT_EQ(t.unplayed[1][3], 0u);
  EXPECT_EQ(t.CountUnplayedOfSuit(3), 13u);
  t.Play(ace, 0);
  EXPECT_EQ(t.CountHigherUnplayed(king), 0u);
  EXPECT_EQ(t.CountUnplayedOfSuit(3), 12u);
}

TEST(TrickState, HandQueries) {
  Deal d(2);
  d.FinishedTrick({"AS", "KS", "QS", "JS"});
  CardStack hand = d.Hand({"9S", "8S", "7S", "6S", "5S", "KD", "2D", "4D"});
  EXPECT_TRUE(d.t.CanOutlastHigher(d("8S"), hand));    // 1 + 2 < 5
  EXPECT_FALSE(d.t.CanOutlastHigher(d("5S"), hand));   // 1 + 5 < 5
  EXPECT_TRUE(d.t.CanOutlastHigher(d("KD"), hand));    // 1 + 1 < 3
  EXPECT_FALSE(d.t.CanOutlastHigher(d("2D"), hand));
  EXPECT_EQ(d.t.LowestOfSuit(hand, 1), d("2D"));
  EXPECT_EQ(d.t.LowestOfSuit(hand, 2), nullptr);

  d.Trick({"10S"});
  EXPECT_TRUE(d.t.CanLose(hand));
  EXPECT_FALSE(d.t.CanWin(hand, false));
  d.t.NewTrick();
  d.Trick({"4S"});
  EXPECT_TRUE(d.t.CanWin(hand, false));
  EXPECT_TRUE(d.t.CanWin(hand, true));  // the 9 is the highest spade left
  EXPECT_FALSE(d.t.CanLose(hand));      // every spade beats the four
  d.t.NewTrick();
  d.Trick({"3D"});
  EXPECT_TRUE(d.t.CanWin(hand, false));
  EXPECT_FALSE(d.t.CanWin(hand, true));  // the ace of diamonds is out
}

TEST(TrickState, LeadInSuit) {
  struct Case { int trump; Names before, hand; int suit; const char* card; std::uint32_t score; };
  const std::vector<Case> cases = {
      {4, {}, {"AS", "KS", "5S", "2H"}, 3, "AS", 15},
      {4, {}, {"KS", "QS", "5S"}, 3, "QS", 24},
      {4, {}, {"5S", "3S"}, 3, "5S", 26},
      {4, {}, {"KS"}, 3, "KS", 15},
      {3, {}, {"5S", "3S"}, 3, "5S", 41},
      {4, {"AS", "KS", "QS", "JS"}, {"9S", "8S", "7S", "6S", "5S"}, 3, "8S", 20},
      {4, {}, {"2H"}, 3, "null", 15},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    Deal d(c.trump);
    d.FinishedTrick(c.before);
    CardStack hand = d.Hand(c.hand);
    std::uint32_t score = 99;
    EXPECT_EQ(CardName(d.t.ChooseLeadInSuit(hand, c.suit, score)), c.card) << "case " << i;
    EXPECT_EQ(score, c.score) << "case " << i;
    EXPECT_EQ(CardName(d.t.ChooseLeadInSuit(hand, c.suit)), c.card) << "case " << i;
  }
}

TEST(TrickState, Lead) {
  struct Case {
    int trump, noLead;
    Names before;
    int budgetSpades;  // -1: as played
    Names hand;
    int asked;  // suit handed to FindLongestSuit
    std::uint32_t first;  // random start of the suit walk
    const char* card;
  };
  const Names longTrumps = {"AH", "KH", "7H", "5H", "3H", "2C", "9D", "4S"};
  const Names longSpades = {"KS", "QS", "9S", "5S", "3S", "2H", "4C"};
  const std::vector<Case> cases = {
      {2, 4, {}, -1, longTrumps, 2, 0, "AH"},  // draw trumps
      {2, 4, {}, -1, longTrumps, 0, 0, "2C"},  // a singleton while holding trumps
      {2, 4, {}, -1, longTrumps, 0, 1, "9D"},
      {2, 4, {}, -1, longSpades, 3, 0, "QS"},  // long suit
      {2, 4, {"JS", "10S", "8S"}, -1, longSpades, 3, 0, "4C"},        // its budget is spent
      {2, 4, {"JS", "10S", "8S", "7S"}, -1, longSpades, 3, 0, "QS"},  // wrapped budget is not 0
      {2, 4, {}, 0, {"KD", "QD", "7C", "6C", "5S", "4S", "3S"}, 3, 0, "QD"},  // suit walk
      {2, 4, {}, 0, {"KD", "QD", "7C", "6C", "5S", "4S", "3S"}, 3, 3, "QD"},
      {2, 4, {}, 0, {"AS", "4S", "3S", "KD", "3D", "7C", "6C"}, 3, 0, "AS"},
      {2, 4, {}, 0, {"AS", "4S", "3S", "KD", "3D", "7C", "6C"}, 3, 3, "AS"},
      {4, 2, {}, -1, {"2H", "3H", "KS"}, 2, 0, "KS"},  // closed suit
      {4, 2, {}, -1, {"3H", "2H"}, 2, 0, "3H"},        // unless the hand is all of it
      {2, 4, {}, -1, {}, 2, 0, "null"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    Deal d(c.trump, c.noLead);
    d.FinishedTrick(c.before);
    if (c.budgetSpades >= 0) d.t.suitBudget[3] = static_cast<std::uint32_t>(c.budgetSpades);
    CardStack hand = d.Hand(c.hand);
    hand.FindLongestSuit(c.asked);
    ScriptedRandom rng({c.first});
    EXPECT_EQ(CardName(d.t.ChooseLead(hand, rng)), c.card) << "case " << i;
  }
}

TEST(TrickState, LosingAndWinningChoices) {
  enum Kind { kLose, kWin };
  struct Case {
    Kind kind;
    int trump;
    bool firstTrickTrumps;
    Names played, hand;
    std::uint32_t start;
    bool dumpHigh;
    const char* card;
  };
  const std::vector<Case> cases = {
      {kLose, 3, true, {"10H"}, {"5H", "QH", "3C"}, 0, false, "5H"},
      {kLose, 3, true, {"10H"}, {"5H", "QH", "3C"}, 1, false, "5H"},
      {kLose, 3, true, {"10H"}, {"2H", "5H", "9H", "KH"}, 2, false, "2H"},
      {kLose, 3, true, {"10H"}, {"2H", "5H", "9H", "KH"}, 2, true, "9H"},
      {kLose, 3, true, {"10H"}, {"4S", "KC", "2D"}, 0, true, "KC"},
      {kLose, 3, true, {"10H"}, {"4S", "KC", "2D"}, 0, false, "2D"},
      {kLose, 4, true, {"2H"}, {"KH", "AH"}, 0, false, "AH"},  // nothing loses
      // Void and holding only trumps while trumps are closed: still a card.
      {kLose, 3, false, {"10H"}, {"4S", "9S"}, 0, false, "9S"},
      {kWin, 3, false, {"10H"}, {"4S", "9S"}, 0, false, "9S"},
      // Second to play.
      {kWin, 4, true, {"10H"}, {"2H", "JH", "QH", "AH"}, 0, false, "AH"},
      {kWin, 4, true, {"10H"}, {"2H", "JH", "QH"}, 0, false, "JH"},
      {kWin, 4, true, {"10H"}, {"KH", "QH", "JH"}, 0, false, "QH"},
      {kWin, 3, true, {"10H"}, {"3C", "2S", "9S"}, 0, false, "9S"},
      {kWin, 3, true, {"10H"}, {"2S", "AS"}, 0, false, "2S"},
      // Third.
      {kWin, 4, true, {"2H", "10H"}, {"3H", "JH", "KH"}, 0, false, "KH"},
      {kWin, 4, true, {"2H", "10H"}, {"QH", "JH", "3H"}, 0, false, "JH"},
      // Fourth.
      {kWin, 4, true, {"2H", "5H", "10H"}, {"KH", "JH"}, 0, false, "JH"},
      {kWin, 4, true, {"2H", "5H", "10H"}, {"KH", "JH"}, 0, true, "KH"},
      // Nothing wins.
      {kWin, 4, true, {"AH"}, {"2H", "3H"}, 0, false, "2H"},
      {kWin, 4, true, {"AH"}, {"2H", "3H"}, 0, true, "3H"},
      // An empty hand ends with nothing.
      {kWin, 4, true, {"AH"}, {}, 0, false, "null"},
      {kLose, 4, true, {"AH"}, {}, 0, false, "null"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    Deal d(c.trump, 4, c.firstTrickTrumps);
    d.Trick(c.played);
    CardStack hand = d.Hand(c.hand);
    ScriptedRandom rng({c.start});
    Card* chosen = c.kind == kLose ? d.t.ChooseLosingCard(hand, rng, c.dumpHigh)
                                   : d.t.ChooseWinningCard(hand, rng, c.dumpHigh);
    EXPECT_EQ(CardName(chosen), c.card) << "case " << i;
  }
}

TEST(TrickState, LowCard) {
  struct Case { Names played, hand; std::uint32_t start; const char* card; };
  const std::vector<Case> cases = {
      {{"7H"}, {"2H", "9H", "KH"}, 0, "2H"},
      {{"7H"}, {"9H", "KH"}, 0, "9H"},
      {{"7H"}, {"9H", "KH"}, 1, "9H"},
      {{"7H"}, {"AH", "9H"}, 0, "9H"},  // a best with nothing higher out gives way
      {{"7H"}, {"AH", "9H", "3C"}, 0, "9H"},
      {{"7H"}, {}, 0, "null"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    Deal d;
    d.Trick(c.played);
    CardStack hand = d.Hand(c.hand);
    ScriptedRandom rng({c.start});
    EXPECT_EQ(CardName(d.t.ChooseLowCard(hand, rng)), c.card) << "case " << i;
  }
}

// Rauber Skat's Grand moves the four jacks into suit 4 and plays them as trumps; suit 4
// set with SetTrump still means no trump.
TEST(TrickState, CardsMovedIntoSuitFourAsTrumps) {
  const struct {
    bool suit4Trump;
    bool jackWinsOverAce;
  } cases[] = {{true, true}, {false, false}};
  for (const auto& c : cases) {
    Deal d;
    const std::int32_t order[4] = {0, 3, 2, 1};  // clubs 14, spades 13, hearts 12, diamonds 11
    for (int i = 0; i < 4; ++i) d.deck.SetCardValue(11, order[i], 14 - i, 4);
    d.t.RebuildUnplayed(d.deck);
    if (c.suit4Trump)
      d.t.SetTrumpSuit4();
    else
      d.t.SetTrump(4);
    Card* jackHearts = FindCard(d.deck, 12, 4);
    Card* jackDiamonds = FindCard(d.deck, 11, 4);
    ASSERT_TRUE(jackHearts && jackDiamonds);
    EXPECT_EQ(d.t.CountHigherUnplayed(jackDiamonds), 3u);
    EXPECT_EQ(d.t.CountUnplayedOfSuit(4), 4u);

    d.t.Play(d("AH"), 0);
    CardStack hand;
    hand.AddCard(jackHearts);  // no longer a heart: the hand is void in hearts
    hand.AddCard(jackDiamonds);
    hand.AddCard(d("2C"));
    EXPECT_TRUE(d.t.IsLegalPlay(d("2C"), hand)) << c.suit4Trump;
    EXPECT_EQ(d.t.WouldWin(jackDiamonds), c.jackWinsOverAce) << c.suit4Trump;
    EXPECT_EQ(d.t.Outranks(jackDiamonds, d("AH")), c.jackWinsOverAce) << c.suit4Trump;
    EXPECT_EQ(d.t.CanWin(hand, false), c.jackWinsOverAce) << c.suit4Trump;
    EXPECT_EQ(d.t.Play(jackDiamonds, 1), c.jackWinsOverAce) << c.suit4Trump;
    EXPECT_EQ(d.t.winningSeat, c.jackWinsOverAce ? 1 : 0) << c.suit4Trump;
    // The higher jack over the lower one, whichever way suit 4 counts.
    EXPECT_TRUE(d.t.Outranks(jackHearts, jackDiamonds));

    // A led jack must be followed with a jack while one is held.
    d.t.NewTrick();
    d.t.Play(FindCard(d.deck, 14, 4), 2);
    EXPECT_FALSE(d.t.IsLegalPlay(d("2C"), hand)) << c.suit4Trump;
    EXPECT_TRUE(d.t.IsLegalPlay(jackHearts, hand)) << c.suit4Trump;
  }
  // A new hand forgets it.
  TrickState t;
  t.SetTrumpSuit4();
  EXPECT_TRUE(t.suit4Trump);
  t.NewHand();
  EXPECT_FALSE(t.suit4Trump);
  t.SetTrumpSuit4();
  t.SetTrump(2);
  EXPECT_FALSE(t.suit4Trump);
}
