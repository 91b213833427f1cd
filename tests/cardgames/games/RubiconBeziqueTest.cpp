#include <gtest/gtest.h>

#include <memory>

#include "RubiconBezique.h"
#include "GameTable.h"
#include "TestCanvas.h"

namespace {

using RB = RubiconBeziqueGame;

class RubiconBeziqueTest : public SeededTable<RubiconBeziqueGame> {
 protected:
  RubiconBeziqueTest() {
    Deal();
    for (std::uint32_t s = 0; s < 2; ++s) {
      Put(game.declaredPiles[s], {});
      game.carteBlanche[s] = false;
      game.scores[s] = 0;
    }
    boxes.boxes.clear();
    game.current = 0;
  }
  std::vector<CardPile*> TablePiles() override {
    return {&game.declaredPiles[0], &game.declaredPiles[1], &game.wonTricks[0], &game.wonTricks[1]};
  }
  SeatRecord& Human() { return game.seatList[0]; }
  CardStack& Declared(std::uint32_t s) { return game.declaredPiles[s]; }
  // Cards that have served in declarations of the given kinds.
  void Served(CardStack& pile, std::initializer_list<const char*> names, std::uint32_t flags) {
    for (Card* c : Put(pile, names, std::vector<Card*>(pile.cards.begin(), pile.cards.end()))) c->flags = flags;
  }
};

TEST(RubiconBeziqueRegistryTest, FourPacksInRankOrder) {
  MersenneRandom rng(3);
  RubiconBeziqueGame g(nullptr, 0, rng);
  const std::int32_t ranks[] = {14, 10, 13, 12, 11, 9, 8, 7};
  for (int i = 0; i < 32; ++i) EXPECT_EQ(g.deck.pack[i].faceRank, ranks[i / 4]);
  EXPECT_EQ(g.deck.pack[96].faceRank, 14);
}

TEST_F(RubiconBeziqueTest, TheDealRanksTheTenBelowTheAce) {
  Deal();
  EXPECT_EQ(Line(0), "110 Cards in Stock Pile");
  EXPECT_EQ(Line(1), "Trump: None");
  EXPECT_EQ(game.trump, kSuitNone);
  EXPECT_EQ(game.tricks.trump, kSuitNone);
  EXPECT_EQ(game.lastTrickWinner, 2u);
  const struct {
    const char* card;
    std::int32_t rank;
  } ranks[] = {{"AS", 14}, {"10S", 13}, {"KS", 12}, {"QS", 11}, {"JS", 10}, {"9S", 9}, {"7S", 7}};
  for (const auto& r : ranks) EXPECT_EQ(Find(r.card)->rank, r.rank) << r.card;
  EXPECT_EQ(game.tricks.unplayed[13][kSuitSpades], 4u);
  EXPECT_EQ(game.tricks.unplayed[10][kSuitSpades], 4u);
  // A ten beats a king of its suit.
  game.tricks.NewTrick();
  game.tricks.Play(Find("KH"), 0);
  EXPECT_TRUE(game.tricks.WouldWin(Find("10H")));
}

TEST_F(RubiconBeziqueTest, DeclarationsScoreAndMarriagesSetTrumpOnce) {
  const struct {
    std::initializer_list<const char*> hand;
    std::uint32_t declaration;
    std::int32_t suit;
    std::int32_t trumpBefore;
    std::int32_t points;  // 0: refused
    const char* text;
    std::int32_t trumpAfter;
  } cases[] = {
      {{"KH", "QH", "7C"}, RB::kMarriage, kSuitHearts, kSuitNone, 20, " scored 20 points for a marriage.", kSuitHearts},
      {{"KH", "QH", "7C"}, RB::kMarriage, kSuitHearts, kSuitHearts, 40, " scored 40 points for a marriage.", kSuitHearts},
      {{"KC", "QC", "7C"}, RB::kMarriage, kSuitClubs, kSuitHearts, 20, " scored 20 points for a marriage.", kSuitHearts},
      {{"QH", "7C"}, RB::kMarriage, kSuitHearts, kSuitNone, 0, "", kSuitNone},
      {{"AS", "10S", "KS", "QS", "JS"}, RB::kSequence, kSuitSpades, kSuitSpades, 250, " scored 250 points for a sequence.", kSuitSpades},
      {{"AS", "10S", "KS", "QS", "JS"}, RB::kSequence, kSuitSpades, kSuitHearts, 150, " scored 150 points for a sequence.", kSuitHearts},
      {{"AS", "10S", "KS", "QS", "9S"}, RB::kSequence, kSuitSpades, kSuitHearts, 0, "", kSuitHearts},
      {{"AS", "AH", "AS", "AD"}, RB::kAces, kSuitNone, kSuitNone, 100, " scored 100 points for aces.", kSuitNone},
      {{"KS", "KH", "KC", "KD"}, RB::kKings, kSuitNone, kSuitNone, 80, " scored 80 points for kings.", kSuitNone},
      {{"QS", "QH", "QC", "QD"}, RB::kQueens, kSuitNone, kSuitNone, 60, " scored 60 points for queens.", kSuitNone},
      {{"JS", "JH", "JC", "JD"}, RB::kJacks, kSuitNone, kSuitNone, 40, " scored 40 points for jacks.", kSuitNone},
      {{"JS", "JH", "JC"}, RB::kJacks, kSuitNone, kSuitNone, 0, "", kSuitNone},
      {{"QS", "JD"}, RB::kBezique, kSuitNone, kSuitNone, 40, " scored 40 points for a Bezique.", kSuitNone},
      {{"QS", "JD", "QS", "JD"}, RB::kDoubleBezique, kSuitNone, kSuitNone, 400, " scored 400 points for a Double Bezique.", kSuitNone},
      {{"QS", "JD", "QS", "JD", "QS", "JD"}, RB::kTripleBezique, kSuitNone, kSuitNone, 1500, " scored 1500 points for a Triple Bezique.", kSuitNone},
      {{"QS", "JD", "QS", "JD", "QS"}, RB::kTripleBezique, kSuitNone, kSuitNone, 0, "", kSuitNone},
  };
  for (const auto& c : cases) {
    Deal();
    Put(Declared(0), {});
    game.scores[0] = 0;
    game.trump = c.trumpBefore;
    game.tricks.SetTrump(c.trumpBefore);
    std::vector<Card*> held = Put(Human(), c.hand);
    const std::string what = std::to_string(c.declaration) + " " + *c.hand.begin();
    EXPECT_EQ(game.Declare(0, c.declaration, c.suit), c.points > 0) << what;
    EXPECT_EQ(game.scores[0], c.points) << what;
    EXPECT_EQ(game.trump, c.trumpAfter) << what;
    EXPECT_EQ(game.tricks.trump, c.trumpAfter) << what;
    if (c.points > 0) {
      EXPECT_EQ(Line(0), "Card Shark" + std::string(c.text)) << what;
      for (const Card* h : held) {
        const bool declared = std::count(Declared(0).cards.begin(), Declared(0).cards.end(), h) > 0;
        EXPECT_EQ(declared, (h->flags & c.declaration) != 0) << what;
      }
    } else {
      EXPECT_TRUE(Declared(0).cards.empty()) << what;
      EXPECT_EQ(Human().cards.size(), held.size()) << what;
    }
    for (const Card* h : held) EXPECT_FALSE(h->selected) << what;
  }
}

TEST_F(RubiconBeziqueTest, DeclaredCardsServeAgainOnlyWithAFreshCard) {
  // The queen of spades and jack of diamonds of a bezique cannot make a second one...
  Served(Declared(0), {"QS", "JD"}, RB::kBezique);
  Put(Human(), {"7C"});
  EXPECT_FALSE(game.Declare(0, RB::kBezique, kSuitNone));
  // ...but one new jack of diamonds can.
  Put(Human(), {"JD", "7C"}, {Declared(0).cards.begin(), Declared(0).cards.end()});
  EXPECT_TRUE(game.Declare(0, RB::kBezique, kSuitNone));
  EXPECT_EQ(Declared(0).cards.size(), 3u);
  // A king and queen that made a sequence may still make a marriage, but not twice.
  Put(Declared(0), {});
  Served(Declared(0), {"AH", "10H", "KH", "QH", "JH"}, RB::kSequence);
  EXPECT_TRUE(game.Declare(0, RB::kMarriage, kSuitHearts));
  EXPECT_FALSE(game.Declare(0, RB::kMarriage, kSuitHearts));
  // A four with one card from the hand and three already shown.
  Put(Declared(0), {});
  Served(Declared(0), {"KS", "KH", "KD"}, RB::kMarriage);
  Put(Human(), {"KC", "7C"});
  EXPECT_TRUE(game.Declare(0, RB::kKings, kSuitNone));
  EXPECT_EQ(Human().cards.size(), 1u);
}

TEST_F(RubiconBeziqueTest, TheHumanDeclaresAfterWinningATrick) {
  Put(Human(), {"KH", "QH", "7C", "8C"});
  game.OnRButtonDown(0);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"You did not win the last trick."}));
  game.lastTrickWinner = 0;
  boxes.values = {RB::kMarriage, kSuitClubs, RB::kKings, RB::kMarriage, kSuitHearts};
  game.OnRButtonDown(0);  // no marriage in clubs
  game.OnRButtonDown(0);  // no four kings
  game.OnRButtonDown(0);  // the marriage in hearts
  ASSERT_EQ(boxes.boxes.size(), 8u);
  EXPECT_EQ(boxes.boxes[1].caption, "Which Combination Do You Declare?");
  EXPECT_EQ(boxes.boxes[1].dialogId, 9101);
  EXPECT_EQ(boxes.boxes[1].choices.size(), 11u);
  EXPECT_EQ(boxes.boxes[2].caption, "Which Marriage Suit?");
  EXPECT_EQ(boxes.boxes[2].choices, (std::vector<std::string>{"Clubs", "Diamonds", "Hearts", "Spades"}));
  EXPECT_EQ(boxes.boxes[3].text, "You do not have a marriage in Clubs");
  EXPECT_EQ(boxes.boxes[5].text, "You do not have four Kings");
  EXPECT_EQ(game.scores[0], 20);
  EXPECT_EQ(Line(1), "Trump: Hearts");
  EXPECT_EQ(game.lastTrickWinner, 2u);  // one declaration per trick won
  game.OnRButtonDown(0);
  EXPECT_EQ(boxes.boxes.back().text, "You did not win the last trick.");

  // Playing a card ends the right to declare.
  game.lastTrickWinner = 0;
  ClickOn(Human(), Find("7C"));
  ClickOn(Human(), Find("7C"));
  EXPECT_EQ(game.seatList[0].playedCard, Find("7C"));
  EXPECT_EQ(game.lastTrickWinner, 2u);
}

TEST_F(RubiconBeziqueTest, OneCardATrickFromTheHandOrTheDeclaredCards) {
  Put(Human(), {"7C", "8C"});
  Put(Declared(0), {"KH"});
  ClickOn(Declared(0), Find("KH"));
  EXPECT_TRUE(Find("KH")->selected);
  ClickOn(Human(), Find("7C"));  // the selection moves to the hand
  EXPECT_FALSE(Find("KH")->selected);
  ClickOn(Declared(0), Find("KH"));
  ClickOn(Declared(0), Find("KH"));
  EXPECT_EQ(game.tableCards[0], Find("KH"));
  EXPECT_TRUE(Declared(0).cards.empty());
  EXPECT_TRUE(game.gameInProgress);
  ClickOn(Human(), Find("7C"));
  ClickOn(Human(), Find("7C"));
  EXPECT_EQ(Human().cards.size(), 2u);  // a second play to the trick comes to nothing
  EXPECT_EQ(game.tableCards[0], Find("KH"));
  game.current = 1;
  game.OnLButtonDown(MAKELPARAM(5, 5));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"It is Betty's turn to play."}));
}

TEST_F(RubiconBeziqueTest, SuitIsFollowedOnceTheStockIsEmpty) {
  Put(Human(), {"7C", "8H"});
  Put(game.seatList[1], {"9H"});
  StockOf(0);
  game.current = 1;
  game.PlayCard(1, Find("9H"));
  game.current = 0;
  ClickOn(Human(), Find("7C"));
  ClickOn(Human(), Find("7C"));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"That card is not allowed at this time."}));
  EXPECT_EQ(game.seatList[0].playedCard, nullptr);
  ClickOn(Human(), Find("8H"));
  ClickOn(Human(), Find("8H"));
  EXPECT_EQ(game.seatList[0].playedCard, Find("8H"));
}

TEST_F(RubiconBeziqueTest, TricksDrawFromTheStockAndTheLastOnesCountBrisques) {
  // While the stock lasts the winner draws first, and the declared cards come home with its last card.
  Put(Human(), {"9S", "8S"});
  Put(game.seatList[1], {"10S", "7S"});
  Put(Declared(1), {"QD"});
  Lift(Find("7D"));
  Lift(Find("AC"));
  game.deck.stock = {Find("7D"), Find("AC")};
  game.current = 0;
  game.PlayCard(0, Find("9S"));
  game.current = 1;
  game.PlayCard(1, Find("10S"));
  game.SetState(Playing);
  Tick();  // the trick is over
  EXPECT_EQ(game.GetState(), HoldB);
  EXPECT_EQ(Line(2), "This trick is over.");
  EXPECT_EQ(game.scores[1], 0);  // no brisques while the stock lasts
  game.OnLButtonDown(0);
  Tick();
  EXPECT_EQ(game.GetState(), Playing);
  EXPECT_EQ(game.lastTrickWinner, 1u);
  EXPECT_EQ(game.current, 1u);
  EXPECT_EQ(game.wonTricks[1].cards.size(), 2u);
  EXPECT_NE(std::find(game.seatList[1].cards.begin(), game.seatList[1].cards.end(), Find("AC")), game.seatList[1].cards.end());
  EXPECT_NE(std::find(game.seatList[1].cards.begin(), game.seatList[1].cards.end(), Find("QD")), game.seatList[1].cards.end());
  EXPECT_TRUE(Declared(1).cards.empty());
  EXPECT_EQ(Human().cards.size(), 2u);
  EXPECT_EQ(Line(0), "0 Cards in Stock Pile");

  // The last trick: aces and tens 10 each, 50 for the trick, then the settlement.
  const struct {
    std::int32_t before[2];
    std::int32_t after[2];
    bool rubicon;
  } cases[] = {
      {{1500, 800}, {1500 + 20 + 50 + 500 - 800 + 500, 0}, true},
      {{2000, 1200}, {2000 + 20 + 50 + 500 - 1200, 0}, false},
      {{600, 1530}, {0, 1530 + 500 - 670 + 500}, true},  // the human's trick points are not enough
      {{700, 770}, {770, 770}, false},                    // equal scores: nobody wins
  };
  for (const auto& c : cases) {
    Deal();
    Put(Human(), {"AS"});
    Put(game.seatList[1], {"10S"});
    StockOf(0);
    boxes.boxes.clear();
    game.scores[0] = c.before[0];
    game.scores[1] = c.before[1];
    game.current = 0;
    game.PlayCard(0, Find("AS"));
    game.current = 1;
    game.PlayCard(1, Find("10S"));
    Tick();
    EXPECT_EQ(game.scores[0], c.after[0]) << c.before[0];
    EXPECT_EQ(game.scores[1], c.after[1]) << c.before[0];
    EXPECT_EQ(!boxes.boxes.empty(), c.rubicon) << c.before[0];
    if (c.rubicon) {
      EXPECT_EQ(boxes.boxes[0].text, std::string(c.after[0] ? "Betty" : "Card Shark") + " suffered a Rubicon");
    }
    Tick(21);
    EXPECT_EQ(game.GetState(), HandOver);
    EXPECT_EQ(Line(1), "This hand is over.");
  }
  HighScoreScript hof;
  Tick(51);
  ExpectGameOverThenFinished();
  EXPECT_EQ(hof.offers.size(), 2u);  // equal positive scores are both offered
}

// While the stock lasts any card may be played: the higher card of the suit led wins (the
// ten between the king and the ace), a trump wins, and a card of another suit or an equal
// card leaves the trick to the leader, who leads the next one.
TEST_F(RubiconBeziqueTest, TheFirstPhasesTrickGoesToTheHigherCardOfTheSuitLed) {
  const struct {
    std::uint32_t leader;
    const char* lead;
    const char* follow;
    std::int32_t trump;
    std::uint32_t winner;
  } cases[] = {
      {1, "7H", "10H", kSuitNone, 0},  {1, "KH", "10H", kSuitNone, 0}, {1, "10H", "AH", kSuitNone, 0},
      {1, "10H", "KH", kSuitNone, 1},  {1, "7H", "10S", kSuitNone, 1}, {1, "7H", "7H", kSuitNone, 1},
      {1, "AH", "7S", kSuitSpades, 0}, {0, "7H", "10H", kSuitNone, 1}, {0, "10H", "10H", kSuitNone, 0},
  };
  for (const auto& c : cases) {
    Deal();
    boxes.boxes.clear();
    game.trump = c.trump;
    game.tricks.SetTrump(c.trump);
    const std::uint32_t follower = 1 - c.leader;
    const std::vector<Card*> led = Put(game.seatList[c.leader], {c.lead, "8C"});
    const std::vector<Card*> followed = Put(game.seatList[follower], {c.follow, "9D"}, led);
    const std::string what = std::string(c.lead) + " then " + c.follow;
    ASSERT_EQ(followed.size(), 2u) << what;
    Card* human = c.leader == 0 ? led[0] : followed[0];
    Card* computer = c.leader == 0 ? followed[0] : led[0];
    game.current = c.leader;
    if (c.leader == 1) game.PlayCard(1, computer);
    game.current = 0;
    ClickOn(Human(), human);
    ClickOn(Human(), human);
    ASSERT_EQ(game.seatList[0].playedCard, human) << what;
    if (c.leader == 0) {
      game.current = 1;
      game.PlayCard(1, computer);
    }
    Click(kTable.left + 5, kTable.top + 5);  // the trick is over: the click moves on
    Tick();
    EXPECT_EQ(game.GetState(), Playing) << what;
    EXPECT_EQ(game.lastTrickWinner, c.winner) << what;
    EXPECT_EQ(game.current, c.winner) << what;
    EXPECT_EQ(game.wonTricks[c.winner].cards.size(), 2u) << what;
    EXPECT_TRUE(boxes.boxes.empty()) << what;
  }
}

TEST_F(RubiconBeziqueTest, CarteBlancheAtTheDealAndWithEachDraw) {
  // Find a deal that gives the human no court card.
  bool found = false;
  for (std::uint32_t seed = 1; seed < 2000 && !found; ++seed) {
    MersenneRandom r(seed);
    RubiconBeziqueGame g(nullptr, 0, r);
    ScriptedDialogs answers(&g);
    answers.answers = {true, true};
    g.cardImages = &images;
    g.SetSeatName("Card Shark", 0);
    g.SetSeatName("Betty", 1);
    g.SetSeatComputer(true, 1);
    g.SetAreas(kTable, kStatus);
    g.Resume();
    g.StartDeal(true, false, true);
    bool asked = false;
    for (const auto& b : answers.boxes) asked |= b.text == "Do you declare carte blanche?";
    if (!asked) continue;
    found = true;
    EXPECT_EQ(answers.boxes.back().caption, "Rubicon Bezique");
    EXPECT_TRUE(g.carteBlanche[0]);
    EXPECT_GE(g.scores[0], 50);
    EXPECT_TRUE(g.seatList[0].cards.empty());
    EXPECT_EQ(g.declaredPiles[0].cards.size(), 9u);
  }
  EXPECT_TRUE(found);
  SetGameDialogs(&boxes);  // the deals above had their own boxes

  // Each plain card drawn scores 50 more; the first court card ends it.
  game.carteBlanche[0] = true;
  const struct {
    const char* drawn;
    std::int32_t score;
    bool still;
  } draws[] = {{"9C", 50, true}, {"AC", 100, true}, {"JH", 100, false}, {"7D", 100, false}};
  for (const auto& d : draws) {
    Put(Human(), {"8S"});
    Put(game.seatList[1], {"7S"});
    Lift(Find(d.drawn));
    game.deck.stock = {Find("8D"), Find("8H"), Find(d.drawn)};
    game.current = 0;
    game.SetState(Playing);
    game.PlayCard(0, Find("8S"));
    game.current = 1;
    game.PlayCard(1, Find("7S"));
    Tick();
    Tick(21);
    EXPECT_EQ(game.scores[0], d.score) << d.drawn;
    EXPECT_EQ(game.carteBlanche[0], d.still) << d.drawn;
  }
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Card Shark scored 50 points.", "Card Shark scored 50 points."}));
}

TEST_F(RubiconBeziqueTest, TheComputerDeclaresWhenItWonTheTrickThenPlays) {
  Put(game.seatList[1], {"KH", "QH", "7C", "8C"});
  game.lastTrickWinner = 1;
  game.current = 1;
  game.computerDelay = 0;
  Tick();
  EXPECT_EQ(game.scores[1], 20);
  EXPECT_EQ(game.trump, kSuitHearts);
  EXPECT_EQ(Line(0), "Betty scored 20 points for a marriage.");
  EXPECT_EQ(Declared(1).cards.size() + game.seatList[1].cards.size(), 3u);
  ASSERT_NE(game.seatList[1].playedCard, nullptr);
  EXPECT_EQ(game.seatList[1].playedCard->faceRank, 7);  // the lowest card is let go
  EXPECT_EQ(game.lastTrickWinner, 2u);

  // Beziques first, then the rest.
  const struct {
    std::initializer_list<const char*> hand;
    std::int32_t score;
  } cases[] = {{{"QS", "JD", "QS", "JD", "KH", "QH"}, 400},
               {{"AS", "AH", "AC", "AD", "KH", "QH"}, 100},
               {{"AS", "10S", "KS", "QS", "JS", "8C"}, 20}};  // the marriage before the sequence
  for (const auto& c : cases) {
    Deal();
    Put(Declared(1), {});
    game.scores[1] = 0;
    Put(game.seatList[1], c.hand);
    game.lastTrickWinner = 1;
    game.current = 1;
    game.computerDelay = 0;
    game.SetState(Playing);
    Tick();
    EXPECT_EQ(game.scores[1], c.score) << *c.hand.begin();
  }
}

TEST_F(RubiconBeziqueTest, LayoutAndPainting) {
  const long w = images.CardWidth(), h = images.CardHeight();
  const long vgap = (491 - 4 * h - 12) / 5;
  ExpectRect(game.trickRects[0], 12 + 299 + 5, 12 + 2 * vgap + h, 12 + 299 + 5 + w, 12 + 2 * vgap + 2 * h);
  EXPECT_EQ(game.trickRects[1].left, 12 + 299 - w - 5);
  EXPECT_EQ(Human().anchorY, 491 - vgap - h);
  EXPECT_EQ(Declared(0).anchorY, 491 - 2 * (vgap + h));
  EXPECT_EQ(Declared(1).anchorY, 12 + vgap);
  EXPECT_EQ(game.seatList[1].labelRect.top, 12 + vgap);
  ExpectRect(game.stockRect, 611 - w - 10, 12 + 2 * vgap + h, 601, 12 + 2 * vgap + 2 * h);

  Put(Declared(1), {"KH", "QH"});
  tc::Canvas canvas(790, 560);
  game.Paint(canvas.dc());
  EXPECT_NE(canvas.At(Declared(1).bounds.left + 5, Declared(1).bounds.top + 40), tc::kPaper);
  EXPECT_NE(canvas.At(game.stockRect.left - w / 2 + 5, game.stockRect.top + 5), tc::kPaper);
  EXPECT_EQ(canvas.At(game.trickRects[0].left + 20, game.trickRects[0].top + 20), tc::kPaper);
}

// The human seat of the self-play games: declares now and then after a trick won and plays
// a legal card from the hand or the declared cards.
bool BeziqueHumanMove(SelfPlay& p) {
  auto& g = static_cast<RubiconBeziqueGame&>(p.Game());
  const std::uint32_t h = g.humanSeat;
  if (g.lastTrickWinner == h && !g.deck.stock.empty() && p.Random(2) == 0) p.RightClick(0, 0);
  std::vector<std::pair<CardPile*, Card*>> legal;
  for (CardPile* pile : {static_cast<CardPile*>(&g.seatList[h]), static_cast<CardPile*>(&g.declaredPiles[h])})
    for (Card* c : pile->cards)
      if (g.IsLegal(h, c)) legal.push_back({pile, c});
  if (legal.empty()) {
    p.Fault("the human seat holds no legal card");
    return false;
  }
  const auto& pick = legal[p.Random(static_cast<std::uint32_t>(legal.size()))];
  p.ClickToPlay(*pick.first, pick.second);
  if (!g.seatList[h].playedCard) p.Fault("two clicks on a legal card did not play it");
  // A second play to the same trick must come to nothing.
  if (!g.seatList[h].cards.empty()) {
    Card* other = g.seatList[h].cards.front();
    p.ClickCard(g.seatList[h], other);
    p.ClickCard(g.seatList[h], other);
  }
  return true;
}

TEST(RubiconBeziqueSelfPlayTest, SeededGamesPlayToTheSettlement) {
  SelfPlayOptions o;
  o.trickPlays = false;
  o.maxTicks = 20000;
  o.places = [](const CardGame& g, std::vector<const Card*>& cards) {
    const auto& b = static_cast<const RubiconBeziqueGame&>(g);
    for (const CardStack* p : {&b.declaredPiles[0], &b.declaredPiles[1], &b.wonTricks[0], &b.wonTricks[1]})
      cards.insert(cards.end(), p->cards.begin(), p->cards.end());
  };
  o.handCounter = [](const CardGame& g) { return g.GetState() >= GameOver ? 1u : 0u; };
  o.humanToMove = [](const CardGame& g) {
    const auto& b = static_cast<const RubiconBeziqueGame&>(g);
    return g.GetState() == Playing && g.current == g.humanSeat && !g.seatList[g.humanSeat].playedCard &&
           (!g.seatList[g.humanSeat].cards.empty() || !b.declaredPiles[g.humanSeat].cards.empty());
  };
  o.humanMove = &BeziqueHumanMove;
  o.allowBox = [](const ScriptedDialogs::Box& b) {
    const auto ends = [&](const char* tail) {
      const std::string t(tail);
      return b.text.size() >= t.size() && b.text.compare(b.text.size() - t.size(), t.size(), t) == 0;
    };
    return b.kind == "choice" ||
           (b.caption == "Rubicon Bezique" &&
            (b.text.rfind("You do not have", 0) == 0 || b.text == "Do you declare carte blanche?" ||
             ends(" declares carte blanche.") || ends(" scored 50 points.") || ends(" suffered a Rubicon")));
  };
  o.onHandOver = [](CardGame& g) {
    const auto& b = static_cast<const RubiconBeziqueGame&>(g);
    EXPECT_EQ(b.wonTricks[0].cards.size() + b.wonTricks[1].cards.size(), 128u);
    EXPECT_TRUE(g.scores[0] == 0 || g.scores[1] == 0 || g.scores[0] == g.scores[1]);
  };
  int declarations = 0;
  PlaySeededGames<RubiconBeziqueGame>(200, o, [&](RubiconBeziqueGame& g, const SelfPlayResult& r, std::uint32_t seed) {
    EXPECT_TRUE(r.finished) << "seed " << seed;
    EXPECT_EQ(r.hands, 1) << "seed " << seed;
    EXPECT_EQ(g.GetState(), Finished) << "seed " << seed;
    for (const Card& c : g.deck.pack) declarations += c.flags != 0;
  });
  EXPECT_GT(declarations, 0);
}

}  // namespace
