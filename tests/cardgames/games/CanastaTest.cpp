#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "AppFolders.h"
#include "Canasta.h"
#include "DrawTable.h"
#include "GameResources.h"
#include "GameTable.h"
#include "TestCanvas.h"

namespace {

// Seat 0 deals the first game and seat 1 plays first; default options.
class CanastaTest : public GameTable<CanastaGame> {
 protected:
  CanastaTest() : GameTable<CanastaGame>(OrderedDraws(3, 108)) {
    game.cardsDealt = 11;
    game.allThrees = game.twoCanastasToGoOut = game.oneCanastaToScore = false;
    game.sevensCanasta = game.acesCanasta = game.wildCanasta = false;
    game.ApplyOptions();
  }
  // The human's turn after drawing, with these cards; copies are taken in turn.
  void HumanToPlay(std::initializer_list<const char*> cards) {
    Deal();
    Hand(0, cards);
    game.SetCurrentSeat(0);
    game.mustDraw = false;
    game.computerDelay = 0;
  }
  std::vector<CardPile*> TablePiles() override { return {&game.discardPile}; }
  std::size_t Meld(int k) { return game.meldPile[0][k].cards.size(); }
  void ClickMeld(std::uint32_t team, int k) { ClickAt(game.meldPile[team][k]); }
};

}  // namespace

TEST(CanastaRegistryTest, TeamsAndSelection) {
  MersenneRandom rng(5);
  CanastaGame c(nullptr, 0, rng);
  EXPECT_EQ(CardName(&c.deck.pack[104]), "JK");
  for (const SeatRecord& s : c.seatList) EXPECT_TRUE(s.multiSelect);
  EXPECT_EQ(c.TeamOf(0), 0u);
  EXPECT_EQ(c.TeamOf(2), 0u);
  EXPECT_EQ(c.TeamOf(1), 1u);
  EXPECT_EQ(c.TeamOf(3), 1u);
}

TEST_F(CanastaTest, TheDealAndItsRequirements) {
  for (int dealt : {11, 13}) {
    game.cardsDealt = dealt;
    Deal();
    EXPECT_EQ(game.seatList[0].cards.size(), static_cast<std::size_t>(dealt));
    EXPECT_EQ(game.deck.stock.size(), 108u - 4 * dealt - 1);
    EXPECT_EQ(game.discardPile.cards.size(), 1u);
    EXPECT_EQ(game.requirement[0], dealt == 11 ? 50u : 95u);
    EXPECT_TRUE(game.concealed[0]);
    EXPECT_TRUE(game.mustDraw);
    EXPECT_EQ(game.statusLines[0], "Hand 1 of 6");
    EXPECT_EQ(game.statusLines[1], "It is " + game.seatList[game.current].name + "'s turn to draw.");
  }
  const struct {
    std::int32_t dealt, score;
    std::uint32_t need;
  } table[] = {
      {11, -10, 15},  {11, 0, 50},    {11, 1499, 50},  {11, 1500, 90},  {11, 2999, 90},  {11, 3000, 120},
      {11, 5000, 120}, {13, -10, 95}, {13, 2999, 95},  {13, 3000, 125}, {13, 4999, 125}, {13, 5000, 155},
  };
  for (const auto& t : table) EXPECT_EQ(CanastaGame::InitialRequirement(t.dealt, t.score), t.need) << t.dealt << " " << t.score;
}

TEST_F(CanastaTest, ValuesBonusesAndPenalties) {
  const struct {
    const char* card;
    std::int32_t value;
  } values[] = {{"JK", 50}, {"2C", 20}, {"AS", 20}, {"3C", 5}, {"7D", 5}, {"8H", 10}, {"KS", 10}};
  for (const auto& v : values) EXPECT_EQ(CanastaGame::CardValue(Find(v.card)), v.value) << v.card;

  game.sevensCanasta = game.acesCanasta = game.wildCanasta = true;
  const struct {
    std::initializer_list<const char*> cards;
    std::int32_t bonus;
  } canastas[] = {
      {{"2C", "2C", "2D", "2D", "2H", "2H", "2S"}, 5000},
      {{"JK", "JK", "JK", "JK", "2C", "2D", "2H"}, 4000},
      {{"JK", "JK", "2C", "2D", "2H", "2S", "2S"}, 3000},
      {{"AC", "AC", "AD", "AD", "AH", "AH", "AS"}, 2500},
      {{"AC", "AC", "AD", "AD", "AH", "AH", "JK"}, 300},
      {{"7C", "7C", "7D", "7D", "7H", "7H", "7S"}, 3500},
      {{"KC", "KC", "KD", "KD", "KH", "KH", "KS"}, 500},
      {{"KC", "KC", "KD", "KD", "KH", "2H", "JK"}, 300},
  };
  for (const auto& c : canastas) EXPECT_EQ(game.CanastaBonus(Cards(c.cards)), c.bonus) << *c.cards.begin();

  const struct {
    bool allThrees;
    std::initializer_list<const char*> threes;
    std::int32_t score;
  } bonus[] = {
      {false, {}, 0},
      {false, {"3D"}, 105},
      {false, {"3D", "3H"}, 210},
      {false, {"3D", "3H", "3D"}, 315},
      {false, {"3D", "3H", "3D", "3H"}, 820},
      {true, {"3C", "3D"}, 210},
      {true, {"3D", "3H", "3C", "3S", "3S"}, 300 + 500 + 25},
      {true, {"3D", "3H", "3D", "3H", "3C", "3C", "3S", "3S"}, 2000 + 40},
  };
  for (const auto& b : bonus) {
    game.allThrees = b.allThrees;
    game.bonusPile[0].Clear();
    for (Card* c : Cards(b.threes)) game.bonusPile[0].AddCard(c);
    EXPECT_EQ(game.BonusCardScore(0), b.score) << b.threes.size() << " all " << b.allThrees;
  }
  game.allThrees = false;

  const struct {
    std::initializer_list<const char*> meld;
    std::int32_t score;
  } unfinished[] = {
      {{"KC", "KD", "KH"}, 30},
      {{"JK", "2C", "2D"}, 90 - 1500},
      {{"7C", "7D", "7H"}, 15 - 2500},
      {{"AC", "AD", "AH"}, 60 - 1000},
      {{"AC", "AD", "JK"}, 90},  // not a natural ace meld
  };
  for (const auto& u : unfinished) {
    game.meldPile[0][0].Clear();
    for (Card* c : Cards(u.meld)) game.meldPile[0][0].AddCard(c);
    EXPECT_EQ(game.UnfinishedMeldScore(0), u.score) << *u.meld.begin();
  }
}

TEST_F(CanastaTest, MeldsAreRefusedWithTheirReasons) {
  const struct {
    const char* what;
    std::initializer_list<const char*> hand;
    std::initializer_list<const char*> selected;
    const char* message;  // null: accepted
  } cases[] = {
      {"mixed ranks", {"5C", "5D", "6H", "KS", "KD"}, {"5C", "5D", "6H"}, "You may only meld cards of the same rank."},
      {"going out without a canasta", {"5C", "5D", "5H", "KS"}, {"5C", "5D", "5H"},
       "You do not have enough canastas to go out."},
      {"wild only", {"JK", "2C", "2D", "KS", "KD"}, {"JK", "2C", "2D"}, "You may not make a wild card canasta."},
      {"black threes", {"3C", "3S", "2D", "KS", "KD"}, {"3C", "3S", "2D"}, "You may only meld threes when you go out."},
      {"one natural", {"9C", "2S", "2D", "KS", "KD"}, {"9C", "2S", "2D"}, "You need at least two natural cards."},
      {"four wild", {"9C", "9S", "2D", "2H", "JK", "JK", "KS", "KD"}, {"9C", "9S", "2D", "2H", "JK", "JK"},
       "You may not have more than 3 wild cards in a meld."},
      {"two cards", {"9C", "9S", "KS", "KD"}, {"9C", "9S"}, "You need at least three cards for an initial meld."},
      {"eight", {"9C", "9S", "9C", "9S", "9D", "9D", "9H", "9H", "KS", "KD"},
       {"9C", "9S", "9C", "9S", "9D", "9D", "9H", "9H"}, "You may not meld more than 7 cards."},
      {"a canasta before the requirement", {"5C", "5S", "5C", "5S", "5D", "5D", "5H", "KS", "KD"},
       {"5C", "5S", "5C", "5S", "5D", "5D", "5H"}, "You may not make a canasta until you meet your initial meld requirement."},
      {"a set of kings", {"KC", "KS", "KD", "2D", "9S", "9D"}, {"KC", "KS", "KD", "2D"}, nullptr},
  };
  for (const auto& c : cases) {
    HumanToPlay(c.hand);
    Select(c.selected);
    const std::size_t before = boxes.boxes.size();
    const bool ok = game.MeldInPile(0, 0, nullptr, false);
    EXPECT_EQ(ok, c.message == nullptr) << c.what;
    if (c.message) {
      ASSERT_EQ(boxes.boxes.size(), before + 1) << c.what;
      EXPECT_EQ(boxes.boxes.back().text, c.message) << c.what;
      EXPECT_EQ(boxes.boxes.back().caption, "Canasta");
      EXPECT_EQ(game.seatList[0].cards.size(), c.hand.size()) << c.what;
      EXPECT_EQ(game.requirement[0], 50u) << c.what;
    } else {
      EXPECT_EQ(Meld(0), c.selected.size());
      EXPECT_EQ(game.requirement[0], 0u);  // 30 + 20 = 50
    }
    // Silent for the computer players.
    Select(c.selected);
    const std::size_t quiet = boxes.boxes.size();
    game.MeldInPile(0, 1, nullptr, true);
    EXPECT_EQ(boxes.boxes.size(), quiet) << c.what;
  }
}

TEST_F(CanastaTest, SpecialCanastaRules) {
  game.sevensCanasta = game.acesCanasta = true;
  HumanToPlay({"7C", "7D", "2H", "AC", "AD", "AH", "2C", "KS", "KD", "QS"});
  Select({"7C", "7D", "2H"});
  EXPECT_FALSE(game.MeldInPile(0, 0, nullptr, false));
  EXPECT_EQ(Texts().back(), "A seven canasta must be natural.");
  Select({"AC", "AD", "AH"});
  ASSERT_TRUE(game.MeldInPile(0, 0, nullptr, false));
  Select({"2C"});
  EXPECT_FALSE(game.MeldInPile(0, 0, nullptr, false));
  EXPECT_EQ(Texts().back(), "You may not add a wild card to a natural ace canasta.");
  // A canasta of a rank closes that rank for the side.
  game.hasCanasta[0][13] = 1;
  Hand(0, {"KS", "KD", "KH", "QS", "QD"});
  Select({"KS", "KD", "KH"});
  EXPECT_FALSE(game.MeldInPile(0, 1, nullptr, false));
  EXPECT_EQ(Texts().back(), "You already have a canasta of that rank.");
  game.allThrees = true;
  Hand(0, {"3C", "3S", "3C", "QS", "QD"});
  Select({"3C", "3S", "3C"});
  EXPECT_FALSE(game.MeldInPile(0, 1, nullptr, false));
  EXPECT_EQ(Texts().back(), "You may not meld threes.");
}

TEST_F(CanastaTest, OnlyNewCardsCountTowardTheRequirement) {
  HumanToPlay({"8C", "8D", "8H", "8S", "9C", "9D", "9H", "QS", "QD"});
  Select({"8C", "8D", "8H"});
  ASSERT_TRUE(game.MeldInPile(0, 0, nullptr, false));
  EXPECT_EQ(game.requirement[0], 20u);
  Select({"8S"});
  ASSERT_TRUE(game.MeldInPile(0, 0, nullptr, false));
  EXPECT_EQ(game.requirement[0], 10u);  // the meld's three earlier cards are not counted again
  Select({"9C", "9D", "9H"});
  ASSERT_TRUE(game.MeldInPile(0, 1, nullptr, false));
  EXPECT_EQ(game.requirement[0], 0u);
  // Taking the melds back restores the requirement of the deal.
  game.RetrieveMelds(0);
  EXPECT_EQ(game.requirement[0], 50u);
  EXPECT_EQ(game.seatList[0].cards.size(), 9u);
  EXPECT_EQ(Meld(0), 0u);
}

TEST_F(CanastaTest, ACompletedCanastaLeavesItsTallyCard) {
  const struct {
    std::initializer_list<const char*> cards;
    const char* tally;
    std::int32_t handScore;
    const char* summary;
  } cases[] = {
      {{"KC", "KS", "KC", "KS", "KD", "KH", "KD"}, "KD", 570, "1 natural canasta\r\n"},
      {{"KC", "KD", "KC", "KS", "KH", "2H", "JK"}, "KC", 300 + 50 + 20 + 50, "1 mixed canasta\r\n"},
      {{"KD", "KH", "KD", "KH", "2C", "2D", "JK"}, "KD", 300 + 40 + 40 + 50, "1 mixed canasta\r\n"},  // all red
      {{"JK", "2C", "2D", "2H", "2S", "2C", "2D"}, "JK", 3000 + 50 + 120, "1 joker canasta\r\n"},
  };
  for (const auto& c : cases) {
    game.wildCanasta = true;
    HumanToPlay({});
    game.requirement[0] = 0;
    game.meldPile[0][3].Clear();
    for (Card* card : Cards(c.cards)) {
      Lift(card);
      game.meldPile[0][3].AddCard(card);
    }
    Card* last = game.meldPile[0][3].cards.back();
    game.meldPile[0][3].RemoveCard(last);
    Card* two = Find("QS");
    Lift(two);
    game.seatList[0].cards.assign({last, two, Find("QD")});
    Lift(Find("QD"));
    game.seatList[0].cards.assign({last, two, Find("QD")});
    last->selected = true;
    ASSERT_TRUE(game.MeldInPile(0, 3, nullptr, false)) << c.tally;
    EXPECT_EQ(Meld(3), 0u);
    ASSERT_EQ(game.canastaPile[0].cards.size(), 1u);
    EXPECT_EQ(CardName(game.canastaPile[0].FirstCard()), c.tally);
    EXPECT_EQ(game.handScore[0], c.handScore);
    EXPECT_EQ(game.CanastaSummary(0), c.summary);
    EXPECT_EQ(game.CanastaSummary(1), "No canastas.");
  }
}

TEST_F(CanastaTest, TakingTheDiscardPile) {
  HumanToPlay({"9C", "9D", "5S", "KD"});
  game.mustDraw = true;
  game.discardPile.Clear();
  for (const char* t : {"9H", "3D", "4C"}) {
    Card* c = Find(t);
    Lift(c);
    game.discardPile.AddCard(c);
  }
  Select({"9C", "9D"});
  ClickAt(game.discardPile);  // 10 + 10 + 10 falls short of 50
  EXPECT_EQ(Texts().back(), "You have not satisfied your initial meld requirements.");
  game.requirement[0] = 20;
  ClickAt(game.discardPile);
  EXPECT_FALSE(game.mustDraw);
  EXPECT_EQ(game.requirement[0], 0u);
  EXPECT_EQ(Meld(0), 3u);
  EXPECT_EQ(CardName(game.meldPile[0][0].FirstCard()), "9H");
  EXPECT_EQ(CardName(game.bonusPile[0].FirstCard()), "3D");  // a red three goes to the bonus pile
  EXPECT_EQ(game.seatList[0].cards.size(), 3u);              // 5S, KD, 4C
  EXPECT_EQ(game.statusLines[1], "It is your turn to play.");
  EXPECT_EQ(game.statusLines[2], "Card Shark takes the discard pile.");
  EXPECT_TRUE(game.discardPile.cards.empty());
  // The report goes with the user's turn.
  Select({"4C"});
  ClickAt(game.discardPile);
  EXPECT_EQ(game.current, 1u);
  EXPECT_EQ(game.statusLines[2], "");
}

TEST_F(CanastaTest, EndingATurn) {
  HumanToPlay({"8C", "8D", "8H", "3H", "KS", "QD"});
  Select({"KS"});
  ClickAt(game.discardPile);
  EXPECT_EQ(Texts().back(), "You may not discard with a bonus card in your hand.");
  // Clicking the three lays it aside and draws a replacement.
  const std::size_t stock = game.deck.stock.size();
  ClickOn("3H");
  EXPECT_EQ(game.bonusPile[0].cards.size(), 1u);
  EXPECT_EQ(game.deck.stock.size(), stock - 1);
  // With an empty stock there is no replacement.
  game.bonusPile[0].Clear();
  Hand(0, {"8C", "8D", "8H", "3H", "KS", "QD"});
  const std::vector<Card*> kept = game.deck.stock;
  game.deck.stock.clear();
  ClickOn("3H");
  EXPECT_EQ(game.seatList[0].cards.size(), 5u);
  game.deck.stock = kept;
  // Melds short of the requirement: the side may take them back; the discard is refused.
  Select({"8C", "8D", "8H"});
  ASSERT_TRUE(game.MeldInPile(0, 0, nullptr, false));
  boxes.answers = {false};
  Select({"KS"});
  ClickAt(game.discardPile);
  EXPECT_EQ(Texts().back(), "You need 20 more points to satisfy your initial meld count.  Would you like to retrieve your melds?");
  EXPECT_EQ(Meld(0), 3u);
  boxes.answers = {true};
  Select({"KS"});
  ClickAt(game.discardPile);
  EXPECT_EQ(Meld(0), 0u);
  EXPECT_EQ(game.requirement[0], 50u);
  EXPECT_EQ(game.current, 0u);
  // Melds without a natural set of three.
  Hand(0, {"8C", "8D", "2H", "KS", "QD"});
  game.requirement[0] = 0;
  Select({"8C", "8D", "2H"});
  ASSERT_TRUE(game.MeldInPile(0, 0, nullptr, false));
  boxes.answers = {false};
  Select({"KS"});
  ClickAt(game.discardPile);
  EXPECT_EQ(Texts().back(),
            "You need at least one natural three-of-a-kind for your initial meld.   Would you like to retrieve your melds?");
  // Once met, the discard goes and the side is no longer concealed.
  Hand(0, {"8C", "8D", "8H", "KS", "QD"});
  game.meldPile[0][0].Clear();
  Select({"8C", "8D", "8H"});
  ASSERT_TRUE(game.MeldInPile(0, 0, nullptr, false));
  Select({"KS"});
  ClickAt(game.discardPile);
  EXPECT_EQ(game.discardPile.FirstCard(), Find("KS"));
  EXPECT_FALSE(game.concealed[0]);
  EXPECT_EQ(game.current, 1u);
}

TEST_F(CanastaTest, TheEndOfAHand) {
  const struct {
    const char* what;
    bool oneCanastaToScore;
    bool canasta;
    bool concealed;
    std::int32_t team0, team1;
  } cases[] = {
      // Team 0 goes out: its meld of three kings (30), a red three (105), no cards left;
      // team 1 holds 20 + 50 in hand and an unfinished wild meld (90 - 1500, wildCanasta on).
      {"out concealed", false, false, true, 200 + 30 + 105, -(20 + 50) + 90 - 1500},
      {"out", false, false, false, 100 + 30 + 105, -(20 + 50) + 90 - 1500},
      {"with a canasta", false, true, false, 100 + 30 + 105 + 570, -(20 + 50) + 90 - 1500},
      // Without a canasta, what was earned counts against; the penalty stays a penalty.
      {"one canasta to score", true, false, false, 100 - (30 + 105), -(20 + 50) - 90 - 1500},
  };
  for (const auto& c : cases) {
    game.wildCanasta = true;
    game.oneCanastaToScore = c.oneCanastaToScore;
    HumanToPlay({"KH"});
    for (std::uint32_t s = 1; s < 4; ++s) game.seatList[s].Clear();
    Hand(1, {"AS"});
    Hand(3, {"JK"});
    for (Card* k : Cards({"KC", "KD", "KS"})) {
      Lift(k);
      game.meldPile[0][0].AddCard(k);
    }
    for (Card* w : Cards({"JK", "2C", "2D"})) {
      if (w->rank == 0) w = Find("JK", 1);
      Lift(w);
      game.meldPile[1][0].AddCard(w);
    }
    Card* three = Find("3D");
    Lift(three);
    game.bonusPile[0].AddCard(three);
    if (c.canasta) {
      game.canastaPile[0].AddCard(Find("QD"));
      game.handScore[0] = 570;
    }
    game.concealed[0] = c.concealed;
    game.requirement[0] = 0;
    game.scores[0] = game.scores[1] = 0;
    Select({"KH"});
    ClickAt(game.discardPile);
    EXPECT_EQ(game.GetState(), HandOver) << c.what;
    EXPECT_EQ(game.scores[0], c.team0) << c.what;
    EXPECT_EQ(game.scores[1], c.team1) << c.what;
    EXPECT_EQ(game.scores[2], game.scores[0]);
    EXPECT_EQ(game.scores[3], game.scores[1]);
    EXPECT_EQ(game.statusLines[1], "This hand is over.");
    game.EndOfHand(0);  // a second notice changes nothing
    EXPECT_EQ(game.scores[0], c.team0) << c.what;
  }
}

// The user draws the stock's last card, a red three, melds the rest and lays the three:
// the hand is empty and the stock too, so the hand ends.
TEST_F(CanastaTest, ALoneBonusCardLaidFromTheLastDrawEndsTheHand) {
  HumanToPlay({"8C", "8D", "8H"});
  game.mustDraw = true;
  game.requirement[0] = 0;
  game.concealed[0] = false;
  game.canastaPile[0].AddCard(Find("QD"));
  game.scores[0] = 0;
  StockOf(0);
  Card* three = Find("3H");
  Lift(three);
  game.deck.stock.push_back(three);
  ClickAt(game.deckRect);
  ASSERT_TRUE(game.deck.stock.empty());
  Select({"8C", "8D", "8H"});
  ClickMeld(0, 0);
  ASSERT_EQ(game.seatList[0].cards.size(), 1u);
  ClickOn("3H");
  EXPECT_EQ(game.bonusPile[0].cards.size(), 1u);
  EXPECT_TRUE(game.seatList[0].cards.empty());
  EXPECT_EQ(game.GetState(), HandOver);
  EXPECT_EQ(game.statusLines[1], "This hand is over.");
  std::int32_t partnerHolds = 0;
  for (const Card* c : game.seatList[2].cards) partnerHolds += CanastaGame::CardValue(c);
  // Out, the meld of eights and the red three, less what the partner holds.
  EXPECT_EQ(game.scores[0], 100 + 30 + 105 - partnerHolds);
}

TEST_F(CanastaTest, PileTextsOnClick) {
  HumanToPlay({"8C", "KS"});
  ClickAt(game.discardPile);
  EXPECT_EQ(Texts().back(), "There is 1 card in the discard pile");
  ClickAt(game.deckRect);
  EXPECT_EQ(Texts().back(), "There are " + std::to_string(game.deck.stock.size()) + " cards left in the deck");
  ClickMeld(0, 2);
  EXPECT_EQ(Texts().back(), "This slot is empty.");
  game.meldPile[1][2].AddCard(Find("9C"));
  ClickMeld(1, 2);
  EXPECT_EQ(Texts().back(), "(Nine of Clubs)\n");
  ClickAt(game.bonusPile[1]);
  EXPECT_EQ(Texts().back(), "No bonus cards.");
  ClickAt(game.canastaPile[0]);
  EXPECT_EQ(Texts().back(), "No canastas.");
  Select({"8C", "KS"});
  ClickAt(game.discardPile);
  EXPECT_EQ(Texts().back(), "You may only discard one card at a time.");
  game.current = 2;
  ClickAt(game.deckRect);
  EXPECT_EQ(Texts().back(), "It is Igor's turn to play.");
}

TEST_F(CanastaTest, AComputerThatLeavesThePileDraws) {
  Deal();
  game.computerDelay = 0;
  Hand(1, {"5C", "9D", "KS", "QH"});
  game.discardPile.Clear();
  Card* top = Find("JC");
  Lift(top);
  game.discardPile.AddCard(top);
  const std::size_t stock = game.deck.stock.size();
  game.current = 1;
  Tick();
  EXPECT_EQ(game.deck.stock.size(), stock - 1);
  EXPECT_EQ(game.discardPile.cards.size(), 2u);
  EXPECT_EQ(game.seatList[1].cards.size(), 4u);
  EXPECT_EQ(game.current, 2u);
}

TEST_F(CanastaTest, ComputerChoices) {
  Deal();
  // Keep a pair, throw a single card of low value.
  Hand(1, {"KC", "KD", "5S", "AH", "JK"});
  game.discardPile.Clear();
  EXPECT_EQ(game.KeepScore(1, Find("KC")), 3);
  EXPECT_EQ(game.KeepScore(1, Find("5S")), 8);
  EXPECT_EQ(game.KeepScore(1, Find("AH")), 6);
  EXPECT_EQ(game.KeepScore(1, Find("JK")), 1);
  EXPECT_EQ(CardName(game.ChooseDiscard(1)), "5S");
  game.hasCanasta[0][5] = 1;  // the other side holds a canasta of fives
  EXPECT_EQ(game.SafetyScore(1, Find("5S")), 8);
  EXPECT_EQ(game.SafetyScore(1, Find("KC")), 4);
  // WorthMelding: special ranks wait for more cards while the stock is long.
  game.sevensCanasta = true;
  Hand(1, {"7C", "7D", "7H", "7S", "7C"});
  EXPECT_TRUE(game.WorthMelding(1, 7));  // 5 with a long stock
  game.deck.stock.resize(15);
  EXPECT_FALSE(game.WorthMelding(1, 7));
  EXPECT_TRUE(game.WorthMelding(1, 9));
  game.hasCanasta[1][9] = 1;
  EXPECT_FALSE(game.WorthMelding(1, 9));
  // MeetRequirement lays sets, then a pair with a wild card.
  game.sevensCanasta = false;
  Hand(1, {"KC", "KD", "KH", "QC", "QD", "2S", "5D", "9H", "6C"});
  game.requirement[1] = 50;
  EXPECT_TRUE(game.MeetRequirement(1));
  EXPECT_EQ(game.requirement[1], 0u);
  EXPECT_EQ(game.meldPile[1][0].cards.size(), 3u);
  EXPECT_EQ(game.meldPile[1][1].cards.size(), 3u);
}

TEST_F(CanastaTest, WithAllEightMeldsInUseNoNewMeldIsStarted) {
  Deal();
  const char* ranks[] = {"4C", "5C", "6C", "8C", "9C", "10C", "JC", "QC"};
  for (int k = 0; k < CanastaGame::kMelds; ++k)
    for (Card* c : Cards({ranks[k], ranks[k]})) {
      Lift(c);
      game.meldPile[1][k].AddCard(c);
    }
  Hand(1, {"KC", "KD", "KH", "AS", "AD", "9H", "6D"});
  game.requirement[1] = 50;
  EXPECT_FALSE(game.MeetRequirement(1));
  EXPECT_EQ(game.seatList[1].cards.size(), 7u);
  for (int k = 0; k < CanastaGame::kMelds; ++k) EXPECT_EQ(game.meldPile[1][k].cards.size(), 2u);
}

TEST_F(CanastaTest, PaintsTheTableAndTheTeamPanel) {
  tc::Canvas canvas(790, 560);
  DealAfterBlankPaint(canvas);
  game.Paint(canvas.dc());
  EXPECT_NE(canvas.At(game.deckRect.left + 10, game.deckRect.top + 10), tc::kPaper);
  EXPECT_NE(canvas.At(game.discardPile.anchorX + 10, game.discardPile.anchorY + 10), tc::kPaper);
  EXPECT_NE(canvas.At(game.seatList[0].bounds.left + 10, game.seatList[0].bounds.top + 10), tc::kPaper);
  EXPECT_EQ(canvas.At(kStatus.left + 40, kStatus.top + 39), COLORREF(0xA3BCCE));
  EXPECT_EQ(canvas.At(kStatus.left + 40, kStatus.top + 199), COLORREF(0xA3BCCE));
  // The opponents' four red threes stay on the table, short of its right edge.
  CardStack& bonus = game.bonusPile[1];
  for (const char* three : {"3D", "3H", "3D", "3H"}) bonus.AddCard(Seek(three, {bonus.cards.begin(), bonus.cards.end()}));
  canvas.Clear();
  game.Paint(canvas.dc());
  EXPECT_LE(bonus.bounds.right, kTable.right);
  for (long x = kTable.right; x < kStatus.left; ++x) EXPECT_EQ(canvas.At(x, bonus.bounds.top + 10), tc::kPaper) << x;
}

TEST(CanastaOptionsTest, SevenBytesAndAHandSizeOtherThanThirteenLoadsAsEleven) {
  const std::string path = OptionsPath("Canasta");
  const struct {
    const char* what;
    std::vector<std::uint8_t> payload;
    std::int32_t dealt;
    bool allThrees, two, one, sevens, aces, wild;
  } cases[] = {
      {"thirteen", {13, 1, 0, 1, 0, 1, 0}, 13, true, false, true, false, true, false},
      {"twelve", {12, 0, 1, 0, 1, 0, 1}, 11, false, true, false, true, false, true},
      {"short", {13, 1, 1, 1, 1, 1}, 11, false, false, false, false, false, false},
  };
  for (const auto& c : cases) {
    WriteOptionsFile(path, c.payload, 0x1000001);
    MersenneRandom rng(1);
    CanastaGame game(nullptr, 0, rng);
    EXPECT_EQ(game.cardsDealt, c.dealt) << c.what;
    EXPECT_EQ(game.cardsPerHand, static_cast<std::uint32_t>(c.dealt)) << c.what;
    EXPECT_EQ(game.allThrees, c.allThrees) << c.what;
    EXPECT_EQ(game.twoCanastasToGoOut, c.two) << c.what;
    EXPECT_EQ(game.oneCanastaToScore, c.one) << c.what;
    EXPECT_EQ(game.sevensCanasta, c.sevens) << c.what;
    EXPECT_EQ(game.acesCanasta, c.aces) << c.what;
    EXPECT_EQ(game.wildCanasta, c.wild) << c.what;
  }
  DeleteFileA(path.c_str());
  MersenneRandom rng(1);
  CanastaGame game(nullptr, 0, rng);
  const std::vector<int> controls = {IDC_CANASTA_ELEVEN,   IDC_CANASTA_THIRTEEN,   IDC_CANASTA_RED_THREES,
                                     IDC_CANASTA_ALL_THREES, IDC_CANASTA_OUT_ONE,  IDC_CANASTA_OUT_TWO,
                                     IDC_CANASTA_SCORE_ZERO, IDC_CANASTA_SCORE_ONE, IDC_CANASTA_SEVENS,
                                     IDC_CANASTA_ACES,     IDC_CANASTA_WILD};
  OptionsSeen seen =
      UseOptionsDialog(game, "Canasta Options", controls, {IDC_CANASTA_THIRTEEN, IDC_CANASTA_OUT_TWO, IDC_CANASTA_ACES}, IDOK);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.ticked, (std::vector<bool>{true, false, true, false, true, false, true, false, false, false, false}));
  EXPECT_EQ(game.cardsDealt, 13);
  EXPECT_EQ(game.cardsPerHand, 13u);
  EXPECT_TRUE(game.twoCanastasToGoOut);
  EXPECT_TRUE(game.acesCanasta);
  EXPECT_EQ(FileText(path), StoredOptions({13, 0, 1, 0, 0, 1, 0}, 0x1000001));
  DeleteFileA(path.c_str());
}

namespace {

// The human by clicks: lays bonus cards aside, draws, and discards a random card.
void HumanTurn(CanastaGame& game, RandomSource& choices) {
  SeatRecord& hand = game.seatList[0];
  long x = 0, y = 0;
  for (Card* c : hand.cards)
    if (game.IsBonus(c) && PointOnCard(hand, c, x, y)) {
      ClickPoint(game, x, y);
      return;
    }
  if (game.mustDraw)
    ClickToDraw(game);
  else
    ClickToDiscard(game, hand.cards[choices.Next(static_cast<std::uint32_t>(hand.cards.size()))]);
}

}  // namespace

// Whole games: every card is in one place (hands, stock, discard pile, melds, bonus piles,
// tally cards, or set aside in a canasta, six a canasta), and the game ends.
TEST(CanastaSelfPlayTest, SeededGamesAccountForEveryCard) {
  CardImages images;
  for (std::uint32_t seed = 1; seed <= 200; ++seed) {
    MersenneRandom rng(seed);
    MersenneRandom choices(seed * 11);
    CanastaGame game(nullptr, 0, rng);
    SeatForSelfPlay(game, images);
    game.fastSpeed = true;
    game.cardsDealt = seed % 5 == 0 ? 13 : 11;
    game.allThrees = seed % 7 == 0;
    game.twoCanastasToGoOut = seed % 3 == 0;
    game.oneCanastaToScore = seed % 4 == 0;
    game.sevensCanasta = seed % 2 == 0;
    game.acesCanasta = seed % 3 == 1;
    game.wildCanasta = seed % 6 == 0;
    game.ApplyOptions();
    ScriptedDialogs boxes(&game);
    game.Resume();
    game.NewDeal(true, true);
    int ticks = 0, hands = 0;
    for (; ticks < 40000 && game.GetState() != Finished; ++ticks) {
      const std::int32_t st = game.GetState();
      const std::uint32_t mover = game.current;
      DrawGameStep(game, [&] { HumanTurn(game, choices); });
      if (st != HandOver && game.GetState() == HandOver) ++hands;
      // A computer's turn lays every bonus card aside.
      if (st == Playing && mover != 0 && game.GetState() == Playing && game.current != mover) {
        for (const Card* c : game.seatList[mover].cards)
          ASSERT_FALSE(game.IsBonus(c)) << "seed " << seed << ": seat " << mover << " kept " << CardName(c);
      }
      CardCensus census;
      for (const SeatRecord& s : game.seatList) census.Add(s.cards);
      census.Add(game.discardPile.cards);
      std::size_t canastas = 0;
      for (std::uint32_t t = 0; t < 2; ++t) {
        census.Add(game.bonusPile[t].cards);
        census.Add(game.canastaPile[t].cards);
        canastas += game.canastaPile[t].cards.size();
        for (const CardStack& m : game.meldPile[t]) {
          ASSERT_LT(m.cards.size(), 7u) << "seed " << seed;
          census.Add(m.cards);
        }
      }
      census.Add(game.deck.stock);
      ASSERT_TRUE(census.Distinct()) << "seed " << seed << ": a card is in two places";
      const std::size_t count = census.count;
      if (game.GetState() == Playing) {
        ASSERT_EQ(count + 6 * canastas, 108u) << "seed " << seed << " tick " << ticks;
      }
    }
    ASSERT_EQ(game.GetState(), Finished) << "seed " << seed;
    EXPECT_EQ(hands, 6) << "seed " << seed;
    EXPECT_EQ(game.scores[2], game.scores[0]);
    int ends = 0;
    for (const auto& b : boxes.boxes) ends += b.kind == "info";
    EXPECT_EQ(ends, 1) << "seed " << seed;
  }
}
