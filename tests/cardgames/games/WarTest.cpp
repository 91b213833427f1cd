#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "GameTable.h"
#include "TestCanvas.h"
#include "AppFolders.h"
#include "GameResources.h"
#include "GameRegistry.h"
#include "Arlington.h"
#include "Canasta.h"
#include "Comet.h"
#include "FanTan.h"
#include "War.h"

namespace {

// Seat 1 deals at construction, so seat 0 deals the first game and seat 1 plays first;
// the pack stays in order.
class WarTest : public GameTable<WarGame> {
 protected:
  WarTest() : GameTable<WarGame>(OrderedDraws(1, 52)) {}
  CardStack& Pile(std::uint32_t seat) { return game.battlePiles[seat]; }
  // Both seats have played these cards; the human is to choose.
  void Battle(const char* mine, const char* theirs) {
    game.current = 0;
    game.PlayCard(0, Find(mine));
    game.current = 1;
    game.PlayCard(1, Find(theirs));
    game.computerDelay = 0;
    Tick();
    ASSERT_EQ(game.GetState(), WarGame::kChoosing);
  }
};

}  // namespace

TEST(WarRegistryTest, OneOfEachCardAcesHigh) {
  MersenneRandom rng(3);
  WarGame g(nullptr, 0, rng);
  std::set<std::pair<int, int>> faces;
  for (const Card& c : g.deck.pack) faces.insert({c.rank, c.suit});
  EXPECT_EQ(faces.size(), 52u);
  EXPECT_EQ(faces.begin()->first, 2);
  EXPECT_EQ(faces.rbegin()->first, kRankHighAce);
}

TEST_F(WarTest, DealLeavesHandsInDealtOrderFaceDown) {
  Deal();
  EXPECT_EQ(game.dealer, 0u);
  EXPECT_EQ(game.current, 1u);
  for (std::uint32_t s = 0; s < 2; ++s) {
    ASSERT_EQ(game.seatList[s].cards.size(), 26u);
    for (Card* c : game.seatList[s].cards) EXPECT_FALSE(c->faceUp);
    EXPECT_TRUE(Pile(s).cards.empty());
  }
  // Dealt from the end of the stock, seat 1 first: the order is the pack's, not a sorted one.
  EXPECT_EQ(CardName(game.seatList[1].cards.front()), "2S");
  EXPECT_EQ(CardName(game.seatList[0].cards.front()), "2H");
  EXPECT_EQ(CardName(game.seatList[1].cards[1]), "2D");
  EXPECT_EQ(game.statusLines[1], "It is Betty's turn to play a card.");
  EXPECT_EQ(game.GetState(), Playing);
}

TEST_F(WarTest, TurnsTakeOneCardEachThenTheHumanChooses) {
  Deal();
  Click(game.seatList[0].bounds.left + 5, game.seatList[0].bounds.top + 5);
  EXPECT_EQ(Texts(), std::vector<std::string>{"It is not your turn to move."});
  EXPECT_EQ(boxes.boxes[0].caption, "War");
  EXPECT_EQ(game.seatList[0].cards.size(), 26u);
  Tick(10);  // the computer thinks
  EXPECT_EQ(game.seatList[1].playedCard, nullptr);
  Tick();
  Card* theirs = game.seatList[1].playedCard;
  ASSERT_NE(theirs, nullptr);
  EXPECT_EQ(CardName(theirs), "AD");  // the last card of its hand
  EXPECT_TRUE(theirs->faceUp);
  EXPECT_EQ(Pile(1).LastCard(), theirs);
  Tick();  // the turn moves on
  EXPECT_EQ(game.current, 0u);
  EXPECT_EQ(game.statusLines[1], "It is your turn to play a card.");
  Card* front = game.seatList[0].FirstCard();
  ClickOn(game.seatList[0], front);
  EXPECT_EQ(game.seatList[0].playedCard, front);
  EXPECT_TRUE(game.gameInProgress);
  // A second click before the next tick plays nothing.
  ClickOn(game.seatList[0], game.seatList[0].FirstCard());
  EXPECT_EQ(game.seatList[0].cards.size(), 25u);
  EXPECT_EQ(Pile(0).cards.size(), 1u);
  Tick();
  EXPECT_EQ(game.GetState(), WarGame::kChoosing);
  EXPECT_EQ(game.statusLines[1], "Choose the winning card.");
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(WarTest, OnlyTheWinningCardTakesTheBattle) {
  Deal();
  Battle("9S", "KD");
  ClickOn(Pile(0), Find("9S"));
  ClickOn(Pile(0), Find("9S"));
  Click(5, 5);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"You must click on the winning card.", "You must click on the winning card.",
                                               "You must click on the winning card."}));
  EXPECT_EQ(game.GetState(), WarGame::kChoosing);
  EXPECT_EQ(game.scores[1], 0);
  ClickOn(Pile(1), Find("KD"));
  EXPECT_EQ(game.scores[1], 2);
  EXPECT_EQ(game.scores[0], 0);
  EXPECT_TRUE(Pile(0).cards.empty());
  EXPECT_TRUE(Pile(1).cards.empty());
  EXPECT_FALSE(Find("KD")->faceUp);
  EXPECT_EQ(game.seatList[0].playedCard, nullptr);
  EXPECT_EQ(game.seatList[1].playedCard, nullptr);
  EXPECT_EQ(game.current, 1u);  // the seat after the dealer
  EXPECT_EQ(game.GetState(), Playing);
}

TEST_F(WarTest, AWarAddsLevelCardsFaceDownAndOneFaceUp) {
  const struct {
    std::uint8_t level;
    std::size_t handSize;  // cards in each hand before the war
    std::size_t pile;      // cards in each battle pile after it
    bool over;
  } cases[] = {
      {0, 10, 2, false}, {1, 10, 3, false}, {3, 10, 5, false},
      {3, 4, 5, false},  // the hands run out with the war, and the new tops differ
      {3, 2, 3, false},  // fewer than level + 1 cards: what there is
  };
  for (const auto& c : cases) {
    Deal();
    game.level = c.level;
    // Seat 0 holds low clubs and diamonds, seat 1 high hearts and spades: the new tops differ.
    game.seatList[0].Clear();
    game.seatList[1].Clear();
    for (std::size_t i = 0; i < c.handSize; ++i) {
      game.seatList[0].AddCard(FindCard(game.deck, 2 + static_cast<int>(i % 5), static_cast<int>(i / 5)));
      game.seatList[1].AddCard(FindCard(game.deck, 9 + static_cast<int>(i % 5), 2 + static_cast<int>(i / 5)));
    }
    Battle("7C", "7H");
    Click(5, 5);
    EXPECT_EQ(boxes.boxes.back().text, "You must click on either card.");
    ClickOn(Pile(1), Find("7H"));
    for (std::uint32_t s = 0; s < 2; ++s) {
      ASSERT_EQ(Pile(s).cards.size(), c.pile) << int(c.level) << " " << c.handSize;
      for (std::size_t i = 1; i < c.pile; ++i) EXPECT_EQ(Pile(s).cards[i]->faceUp, i + 1 == c.pile);
    }
    EXPECT_EQ(game.GetState(), c.over ? GameOver : WarGame::kChoosing);
    // The war is decided by the new tops.
    ClickOn(Pile(1), Pile(1).LastCard());
    EXPECT_EQ(game.scores[1], static_cast<int>(2 * c.pile));
    EXPECT_EQ(game.GetState(), game.seatList[0].cards.empty() ? GameOver : Playing);
  }
}

TEST_F(WarTest, ATieWithTheHandsEmptyEndsTheGame) {
  HighScoreScript hof;
  Deal();
  game.level = 1;
  Hand(0, {"3C", "5C"});
  Hand(1, {"4D", "5D"});
  game.scores[0] = 20;
  game.scores[1] = 24;
  Battle("8S", "8H");
  ClickOn(Pile(0), Find("8S"));
  EXPECT_EQ(game.GetState(), GameOver);
  EXPECT_EQ(game.statusLines[0], "The game is over.");
  EXPECT_EQ(Pile(0).cards.size(), 3u);  // undecided cards score for nobody
  Tick();
  EXPECT_EQ(game.GetState(), Finished);
  ASSERT_EQ(hof.offers.size(), 2u);
  EXPECT_FALSE(hof.offers[0].lowerIsBetter);
  EXPECT_EQ(boxes.boxes.back().text, "Too bad, Betty won the game.  Try again.");
  // A click then offers a new game.
  boxes.answers = {true};
  Click(5, 5);
  EXPECT_EQ(boxes.boxes.back().text, "Would you like to start a new game of War?");
  EXPECT_EQ(game.GetState(), Playing);
  EXPECT_EQ(game.scores[1], 0);
  EXPECT_EQ(game.seatList[0].cards.size(), 26u);
}

// Whole games: the human plays its front card and picks the right winner; every card is in
// a hand, a battle pile or won (one point each) at every tick.
TEST(WarSelfPlayTest, SeededGamesAccountForEveryCard) {
  CardImages images;
  for (std::uint32_t seed = 1; seed <= 200; ++seed) {
    MersenneRandom rng(seed);
    WarGame game(nullptr, 0, rng);
    SeatForSelfPlay(game, images);
    game.fastSpeed = seed % 3 != 0;
    game.level = static_cast<std::uint8_t>(seed % 4);
    ScriptedDialogs boxes(&game);
    game.Resume();
    game.NewDeal(true, true);
    int ticks = 0;
    for (; ticks < 5000 && game.GetState() != Finished; ++ticks) {
      const std::int32_t st = game.GetState();
      if (st == Playing && game.current == 0 && !game.seatList[0].playedCard && game.seatList[0].cards.size() > 1) {
        long x = 0, y = 0;
        ASSERT_TRUE(PointOnCard(game.seatList[0], game.seatList[0].FirstCard(), x, y));
        game.OnLButtonDown(MAKELPARAM(x, y));
      } else if (st == WarGame::kChoosing) {
        const Card* a = game.battlePiles[0].LastCard();
        const Card* b = game.battlePiles[1].LastCard();
        const std::uint32_t pick = a->rank >= b->rank ? 0 : 1;
        long x = 0, y = 0;
        ASSERT_TRUE(PointOnCard(game.battlePiles[pick], game.battlePiles[pick].LastCard(), x, y));
        game.OnLButtonDown(MAKELPARAM(x, y));
      }
      CardCensus census;
      for (std::uint32_t s = 0; s < 2; ++s) {
        census.Add(game.seatList[s].cards);
        census.Add(game.battlePiles[s].cards);
      }
      ASSERT_TRUE(census.Distinct()) << "seed " << seed << ": a card is in two places";
      ASSERT_EQ(census.count + game.scores[0] + game.scores[1], 52u) << "seed " << seed;
      if (game.GetState() == WarGame::kChoosing) {
        ASSERT_EQ(game.seatList[0].cards.size(), game.seatList[1].cards.size()) << "seed " << seed;
      }
      if (game.state != Paused) game.OnTimer();
    }
    ASSERT_EQ(game.GetState(), Finished) << "seed " << seed << " did not end";
    EXPECT_EQ(boxes.boxes.size(), 1u) << "seed " << seed;
    EXPECT_FALSE(game.gameInProgress);
  }
}

TEST(WarOptionsTest, TheLevelIsSavedAsOneByteAndClampedOnLoad) {
  const std::string path = OptionsPath("War");
  const struct {
    const char* what;
    std::vector<std::uint8_t> payload;
    std::uint32_t typeWord;
    std::uint8_t level;
  } cases[] = {
      {"level 1", {1}, 0x200001, 1},        {"level 0", {0}, 0x200001, 0},
      {"too high", {9}, 0x200001, 3},       {"another game's", {1}, 0x401, 3},
      {"short", {}, 0x200001, 3},
  };
  for (const auto& c : cases) {
    WriteOptionsFile(path, c.payload, c.typeWord);
    MersenneRandom rng(1);
    WarGame game(nullptr, 0, rng);
    EXPECT_EQ(game.level, c.level) << c.what;
  }
  DeleteFileA(path.c_str());
  MersenneRandom rng(1);
  WarGame game(nullptr, 0, rng);
  EXPECT_EQ(game.level, 3);  // the default
  game.level = 2;
  game.OptionsFile().Save();
  EXPECT_EQ(FileText(path), StoredOptions({2}, 0x200001));
  DeleteFileA(path.c_str());
}

TEST(WarOptionsTest, TheDialogShowsAndSetsTheLevel) {
  const std::string path = OptionsPath("War");
  DeleteFileA(path.c_str());
  MersenneRandom rng(1);
  WarGame game(nullptr, 0, rng);
  game.level = 1;
  const std::vector<int> radios = {IDC_WAR_LEVEL0, IDC_WAR_LEVEL1, IDC_WAR_LEVEL2, IDC_WAR_LEVEL3};
  OptionsSeen seen = UseOptionsDialog(game, "War Options", radios, {IDC_WAR_LEVEL0}, IDOK);
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.ticked, (std::vector<bool>{false, true, false, false}));
  EXPECT_EQ(game.level, 0);
  WarGame reloaded(nullptr, 0, rng);
  EXPECT_EQ(reloaded.level, 0);
  // While a game is in progress nothing can change.
  game.gameInProgress = true;
  seen = UseOptionsDialog(game, "War Options", radios, {IDC_WAR_LEVEL2}, IDCANCEL);
  EXPECT_EQ(seen.enabled, (std::vector<bool>(4, false)));
  EXPECT_EQ(game.level, 0);
  DeleteFileA(path.c_str());
}

TEST_F(WarTest, PaintsHandsBattlesAndTheCardsLeftPanel) {
  tc::Canvas canvas(790, 560);
  DealAfterBlankPaint(canvas);
  game.PlayCard(1, game.seatList[1].LastCard());
  game.Paint(canvas.dc());
  const CardRect& hand = game.seatList[0].bounds;
  EXPECT_NE(canvas.At(hand.left + 10, hand.top + 10), tc::kPaper);
  const CardRect& pile = Pile(1).bounds;
  EXPECT_NE(canvas.At(pile.left + 10, pile.top + 10), tc::kPaper);
  EXPECT_EQ(canvas.At(Pile(0).anchorX + 10, Pile(0).anchorY + 10), tc::kPaper);  // nothing played yet
  EXPECT_EQ(canvas.At(kStatus.left + 40, kStatus.top + 199), COLORREF(0xA3BCCE));
}

// Every game of this family shows its own rules text.
TEST(DrawAndShedRulesTest, EachGameShowsItsOwnRules) {
  HWND box = CreateWindowExA(0, "EDIT", "", WS_POPUP | ES_MULTILINE, 0, 0, 300, 200, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(box, nullptr);
  const struct {
    CardGame* (*create)(RandomSource&, std::uint32_t, HWND);
    const char* heading;
    const char* phrase;
  } games[] = {
      {&CreateArlingtonGame, "ARLINGTON\r\n", "queen of spades"},
      {&CreateCanastaGame, "CANASTA\r\n", "DESCRIPTION"},
      {&CreateCometGame, "COMET\r\n", "nine of diamonds"},
      {&CreateFanTanGame, "FAN TAN\r\n", "bury"},
      {&CreateWarGame, "WAR\r\n", "face-down"},
  };
  for (const auto& g : games) {
    MersenneRandom rng(1);
    std::unique_ptr<CardGame> game(g.create(rng, 0, nullptr));
    ASSERT_TRUE(game->ShowRules(box)) << g.heading;
    std::vector<char> text(GetWindowTextLengthA(box) + 1);
    GetWindowTextA(box, text.data(), static_cast<int>(text.size()));
    const std::string rules(text.data());
    EXPECT_EQ(rules.rfind(g.heading, 0), 0u) << g.heading;
    EXPECT_NE(rules.find(g.phrase), std::string::npos) << g.heading;
  }
  DestroyWindow(box);
}
