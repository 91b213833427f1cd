#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Comet.h"
#include "GameTable.h"
#include "TestCanvas.h"

namespace {

// Seat 0 deals the first game and seat 1 plays first; with the pack in order each seat is
// dealt one suit: 0 clubs, 1 spades, 2 hearts, 3 diamonds.
class CometTest : public GameTable<CometGame> {
 protected:
  CometTest() : GameTable<CometGame>(OrderedDraws(3, 48)) {}
  // Hands as given, every bookkeeping field as the deal would set it.
  void Hands(std::initializer_list<const char*> h0, std::initializer_list<const char*> h1,
             std::initializer_list<const char*> h2, std::initializer_list<const char*> h3) {
    Deal();
    Hand(0, h0);
    Hand(1, h1);
    Hand(2, h2);
    Hand(3, h3);
    game.TakeStockOfHands();
  }
};

}  // namespace

TEST(CometRegistryTest, APackWithoutEights) {
  MersenneRandom rng(5);
  CometGame g(nullptr, 0, rng);
  EXPECT_EQ(g.deck.pack[0].rank, kRankLowAce);
  EXPECT_EQ(g.deck.pack[4].rank, kRankKing);
  EXPECT_EQ(g.deck.pack[47].rank, 2);
  for (const Card& c : g.deck.pack) EXPECT_NE(c.rank, 8);
}

TEST_F(CometTest, TheDealHandsOutTheWholePack) {
  Deal();
  EXPECT_TRUE(game.deck.stock.empty());
  EXPECT_EQ(game.current, 1u);
  EXPECT_EQ(game.statusLines[0], "Hand 1 of 8");
  EXPECT_EQ(game.statusLines[1], "It is Betty's turn to play a card.");
  EXPECT_EQ(game.computerDelay, 10);
  const int suitOf[4] = {kSuitClubs, kSuitSpades, kSuitHearts, kSuitDiamonds};
  for (std::uint32_t s = 0; s < 4; ++s) {
    ASSERT_EQ(game.seatList[s].cards.size(), 12u);
    EXPECT_EQ(game.seatList[s].CountSuit(suitOf[s]), 12u);
    for (int suit = 0; suit < 4; ++suit) {
      EXPECT_EQ(game.holdsKing[s][suit], suit == suitOf[s]);
      EXPECT_EQ(game.lowestInSuit[s][suit], suit == suitOf[s] ? 1u : 13u);
    }
    for (Card* c : game.seatList[s].cards) EXPECT_EQ(c->faceUp, s == 0);
  }
  EXPECT_EQ(game.cometHolder, 3u);
  EXPECT_EQ(game.lastCard, nullptr);
}

TEST_F(CometTest, WhichCardsMayBePlayed) {
  Hands({"3C", "5C", "9D", "2H", "KH", "6S"}, {"4C"}, {"6C"}, {"7C"});
  const struct {
    const char* centre;  // the card on the centre, or none
    const char* card;
    bool playable;
  } cases[] = {
      {nullptr, "3C", true},  {nullptr, "5C", false}, {nullptr, "9D", true},  {nullptr, "2H", true},
      {nullptr, "KH", false}, {nullptr, "6S", true},
      {"4C", "5C", true},  // the next card of the run must be played...
      {"4C", "3C", false}, {"4C", "9D", false},  // ...even by the comet's holder
      {"2C", "3C", true},  {"2C", "9D", false},
      {"KC", "3C", true},  {"KC", "9D", true},  // nothing follows a king
      {"10D", "9D", true},  {"5S", "6S", true},  {"5S", "2H", false},
  };
  for (const auto& c : cases) {
    game.lastCard = c.centre ? Find(c.centre) : nullptr;
    const Card* forced = game.NextInSequence(game.seatList[0]);
    EXPECT_EQ(game.IsPlayable(0, Find(c.card), forced), c.playable) << (c.centre ? c.centre : "-") << " " << c.card;
  }
}

TEST_F(CometTest, ThePlayerHoldingTheNextCardMustPlayIt) {
  Hands({"3C", "KH", "5D"}, {"4C", "QH", "2S"}, {"5C", "JH"}, {"AS", "AH", "9D", "QD"});
  game.current = 0;
  game.PlayCard(0, Find("3C"));
  EXPECT_EQ(game.lastCard, Find("3C"));
  EXPECT_EQ(game.current, 1u);  // holds the four of clubs
  EXPECT_EQ(game.lowestInSuit[0][kSuitClubs], 13u);
  EXPECT_EQ(CardName(game.ChooseCard()), "4C");
  game.PlayCard(1, Find("4C"));
  EXPECT_EQ(game.current, 2u);
  game.PlayCard(2, Find("5C"));
  EXPECT_EQ(game.current, 2u);  // nobody holds the six: the same player starts again
  // A king scores 1 and its player goes on.
  game.lastCard = Find("QH");
  game.current = 0;
  game.PlayCard(0, Find("KH"));
  EXPECT_EQ(game.scores[0], 1);
  EXPECT_EQ(game.holdsKing[0][kSuitHearts], 0);
  EXPECT_EQ(game.current, 0u);
  // The comet scores 2.
  game.current = 3;
  game.PlayCard(3, Find("9D"));
  EXPECT_EQ(game.scores[3], 2);
  EXPECT_EQ(game.cometHolder, 4u);
  EXPECT_EQ(game.current, 3u);  // the ten of diamonds is out of every hand
  EXPECT_EQ(game.GetState(), Playing);
}

TEST_F(CometTest, GoingOutScoresTheCardsLeftAndAnUnplayedComet) {
  const struct {
    bool cometPlayed;
    int scores[4];
  } cases[] = {
      {true, {5, 0, 0, 0}},   // 2 + 1 + 2 cards left
      {false, {5, 1, 1, 1}},  // and a point each for the others
  };
  for (const auto& c : cases) {
    Hands({"AC"}, {"4C", "QH"}, {"5C"}, {c.cometPlayed ? "2S" : "9D", "QD"});
    if (c.cometPlayed) game.cometHolder = 4;
    game.current = 0;
    game.PlayCard(0, Find("AC"));
    for (int s = 0; s < 4; ++s) EXPECT_EQ(game.scores[s], c.scores[s]) << c.cometPlayed << " seat " << s;
    EXPECT_EQ(game.GetState(), HandOver);
    EXPECT_EQ(game.handOverCountdown, 50);
    EXPECT_EQ(game.statusLines[1], "This hand is over.");
  }
  // A click on the hand during the hold says so; a click elsewhere moves on.
  Hand(0, {"7H"});
  ClickOn(game.seatList[0], Find("7H"));
  EXPECT_EQ(Texts().back(), "This hand is over");
  EXPECT_EQ(game.handOverCountdown, 50);
  Click(5, 5);
  EXPECT_EQ(game.handOverCountdown, 0);
  game.computerDelay = 0;
  Tick();
  EXPECT_EQ(game.GetState(), Playing);
  EXPECT_EQ(game.statusLines[0], "Hand 2 of 8");
  EXPECT_EQ(game.scores[1], 1);  // scores carry on
}

TEST_F(CometTest, TheHumanSelectsThenPlays) {
  Hands({"3C", "5C", "9D"}, {"4C"}, {"6C"}, {"7C"});
  game.current = 1;
  ClickOn(game.seatList[0], Find("3C"));
  EXPECT_EQ(boxes.boxes.back().text, "It is Betty's turn to play.");
  EXPECT_EQ(boxes.boxes.back().caption, "Comet");
  game.SetCurrentSeat(0);
  EXPECT_EQ(game.statusLines[1], "It is your turn to play a card.");
  ClickOn(game.seatList[0], Find("5C"));
  EXPECT_TRUE(Find("5C")->selected);
  ClickOn(game.seatList[0], Find("5C"));
  EXPECT_EQ(boxes.boxes.back().text, "That card is not allowed at this time.");
  EXPECT_EQ(game.seatList[0].cards.size(), 3u);
  Click(5, 5);
  EXPECT_FALSE(Find("5C")->selected);
  ClickOn(game.seatList[0], Find("3C"));
  ClickOn(game.seatList[0], Find("3C"));
  EXPECT_EQ(game.lastCard, Find("3C"));
  EXPECT_TRUE(game.gameInProgress);
  EXPECT_EQ(game.current, 1u);
}

TEST_F(CometTest, ComputerChoices) {
  Hands({"3C", "KH"}, {"4C"}, {"6C"}, {"7C"});
  const struct {
    std::initializer_list<const char*> hand;
    const char* centre;
    const char* expected;
  } cases[] = {
      {{"4C", "9D", "2S"}, "3C", "4C"},        // the next card of the run first
      {{"2S", "9D", "3H"}, nullptr, "9D"},     // the comet whenever it may go
      {{"2S", "5H", "KH"}, nullptr, "5H"},     // a suit whose king it holds
      {{"2S", "6D", "KS"}, nullptr, "2S"},     // even when it is lower
      {{"2S", "6D", "3H"}, nullptr, "6D"},     // no king: the highest
  };
  for (const auto& c : cases) {
    Hand(1, c.hand);
    game.TakeStockOfHands();
    game.lastCard = c.centre ? Find(c.centre) : nullptr;
    game.current = 1;
    EXPECT_EQ(CardName(game.ChooseCard()), c.expected);
  }
}

// Whole games with a human that picks playable cards at random: each card played was the
// player's to play and allowed, every card is in a hand or on the centre, and the game ends.
TEST(CometSelfPlayTest, SeededGamesPlayToTheEnd) {
  CardImages images;
  for (std::uint32_t seed = 1; seed <= 200; ++seed) {
    MersenneRandom rng(seed);
    MersenneRandom choices(seed * 31);
    CometGame game(nullptr, 0, rng);
    SeatForSelfPlay(game, images);
    game.fastSpeed = seed % 4 != 0;
    ScriptedDialogs boxes(&game);
    game.Resume();
    game.NewDeal(true, true);
    std::set<const Card*> played;
    int hands = 0, ticks = 0;
    for (; ticks < 20000 && game.GetState() != Finished; ++ticks) {
      std::vector<std::vector<Card*>> before;
      for (const SeatRecord& s : game.seatList) before.emplace_back(s.cards.begin(), s.cards.end());
      const Card* centre = game.lastCard;
      const std::uint32_t mover = game.current;
      const std::int32_t stateBefore = game.GetState();
      if (stateBefore == Playing && mover == 0 && game.seatList[0].cards.size() > 1) {
        SeatRecord& hand = game.seatList[0];
        std::vector<Card*> ok;
        for (Card* c : hand.cards)
          if (game.IsPlayable(0, c, game.NextInSequence(hand))) ok.push_back(c);
        ASSERT_FALSE(ok.empty()) << "seed " << seed << ": the human has nothing to play";
        Card* pick = ok[choices.Next(static_cast<std::uint32_t>(ok.size()))];
        long x = 0, y = 0;
        ASSERT_TRUE(PointOnCard(hand, pick, x, y));
        game.OnLButtonDown(MAKELPARAM(x, y));
        game.OnLButtonDown(MAKELPARAM(x, y));
      } else if (game.state != Paused) {
        game.OnTimer();
      }
      if (stateBefore == HandOver && game.GetState() != HandOver) played.clear();
      for (std::uint32_t s = 0; s < 4; ++s) {
        const auto& now = game.seatList[s].cards;
        if (now.size() == before[s].size() || stateBefore != Playing) continue;
        ASSERT_EQ(now.size() + 1, before[s].size()) << "seed " << seed;
        ASSERT_EQ(s, mover) << "seed " << seed << ": seat " << s << " played out of turn";
        Card* c = game.lastCard;
        ASSERT_TRUE(std::find(before[s].begin(), before[s].end(), c) != before[s].end());
        // Allowed against the hand as it was.
        CardStack held;
        held.cards.assign(before[s].begin(), before[s].end());
        Card* forced = nullptr;
        if (centre && centre->rank != kRankKing)
          for (Card* h : held.cards)
            if (h->suit == centre->suit && h->rank == centre->rank + 1) forced = h;
        std::int32_t lowest = 14;
        for (Card* h : held.cards)
          if (h->suit == c->suit) lowest = std::min(lowest, h->rank);
        const bool ok = forced ? c == forced : CometGame::IsComet(c) || c->rank <= lowest;
        ASSERT_TRUE(ok) << "seed " << seed << ": seat " << s << " played " << CardName(c);
        ASSERT_TRUE(played.insert(c).second);
      }
      if (stateBefore == Playing && game.GetState() != Playing) {
        ++hands;
        std::size_t held = played.size();
        for (const SeatRecord& s : game.seatList) held += s.cards.size();
        ASSERT_EQ(held, 48u) << "seed " << seed << " hand " << hands;
      }
    }
    ASSERT_EQ(game.GetState(), Finished) << "seed " << seed;
    EXPECT_EQ(hands, 8) << "seed " << seed;
    EXPECT_EQ(boxes.boxes.size(), 1u) << "seed " << seed;
  }
}

TEST_F(CometTest, PaintsEveryHandAndTheCentreCard) {
  tc::Canvas canvas(790, 560);
  game.Paint(canvas.dc());
  EXPECT_EQ(canvas.Changed(), 0);
  Deal();
  game.current = 0;
  game.PlayCard(0, game.seatList[0].FirstCard());
  game.Paint(canvas.dc());
  for (std::uint32_t s = 0; s < 4; ++s) {
    const CardRect& b = game.seatList[s].bounds;
    EXPECT_NE(canvas.At(b.left + 10, b.top + 10), tc::kPaper) << s;
  }
  EXPECT_NE(canvas.At(game.centreRect.left + 10, game.centreRect.top + 10), tc::kPaper);
  EXPECT_EQ(canvas.At(kStatus.left + 40, kStatus.top + 39), COLORREF(0xA3BCCE));
}
