#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "CardGame.h"
#include "CardImages.h"
#include "CardTestKit.h"
#include "GameTestKit.h"
#include "TestCanvas.h"
#include "TestTool.h"

namespace {

// A game with the base behaviour, whose seats take part by a mask and whose computer
// plays the first card of its hand.
class TestGame : public CardGame {
 public:
  TestGame(RandomSource& rng, std::uint32_t seats = 4, std::uint32_t cards = 2, std::uint32_t hands = 0,
           HWND window = nullptr)
      : CardGame(window, seats, cards, hands, 0, rng) {}
  ~TestGame() override = default;
  bool SeatTakesPart(std::uint32_t seat) override { return (takesPart >> seat) & 1u; }
  void PlayCard(std::uint32_t seat, Card* card) override {
    plays.push_back({seat, card});
    seatList[seat].playedCard = card;
    seatList[seat].RemoveCard(card);
  }
  Card* ChooseCard() override {
    ++chooses;
    return seatList[current].FirstCard();
  }
  void SetCurrentSeat(std::uint32_t seat) override {
    ++seatCalls;
    CardGame::SetCurrentSeat(seat);
  }
  void NewDeal(bool newGame, bool randomDealer) override {
    ++deals;
    CardGame::NewDeal(newGame, randomDealer);
  }

  unsigned takesPart = 0xF;
  int chooses = 0;
  int seatCalls = 0;
  int deals = 0;
  std::vector<std::pair<std::uint32_t, Card*>> plays;
};

void AddCards(CardDeck& deck, int n) {
  for (int i = 0; i < n; ++i) deck.AddToPack(i % 4, 2 + i / 4);
}

}  // namespace

TEST(CardGameTest, ConstructionLeavesTheGamePausedBeforeDealing) {
  ScriptedRandom rng({2});
  TestGame g(rng);
  EXPECT_EQ(g.state, Paused);
  EXPECT_EQ(g.savedState, Dealing);
  EXPECT_EQ(g.GetState(), Dealing);
  EXPECT_EQ(g.dealer, 2u);
  EXPECT_EQ(g.handOverCountdown, -1);
  EXPECT_EQ(g.seatList.size(), 4u);
  EXPECT_EQ(g.statusLines, (std::vector<std::string>{"The game has not started.", "", "", "", ""}));
}

TEST(CardGameTest, PauseNestsOneLevelAndSetStateWaitsBehindIt) {
  ScriptedRandom rng;
  TestGame g(rng);
  g.Resume();
  EXPECT_EQ(g.state, Dealing);
  g.Resume();  // not paused: nothing
  EXPECT_EQ(g.state, Dealing);
  g.SetState(Playing);
  g.Pause();
  g.Pause();
  EXPECT_EQ(g.savedState, Playing);
  g.SetState(GameOver);
  EXPECT_EQ(g.state, Paused);
  EXPECT_EQ(g.savedState, GameOver);
  EXPECT_EQ(g.GetState(), GameOver);
  g.Resume();
  EXPECT_EQ(g.state, GameOver);
}

TEST(CardGameTest, DealStartsLeftOfTheDealerOneCardAtATime) {
  ScriptedRandom rng({0, 2, 1, 2, 3, 4, 5, 6, 7});  // dealer at construction, random dealer, shuffle
  TestGame g(rng);
  AddCards(g.deck, 8);
  g.scores[1] = 5;
  g.handsPlayed = 3;
  g.StartDeal(true, true, false);
  EXPECT_EQ(g.dealer, 2u);
  EXPECT_EQ(g.current, 3u);
  EXPECT_EQ(g.scores[1], 0);
  EXPECT_EQ(g.handsPlayed, 0u);
  // The stock is in pack order and is drawn from its end: seat 3 gets the last pack card.
  const std::vector<int> firstSeatOfCard = {3, 0, 1, 2, 3, 0, 1, 2};
  for (int n = 0; n < 8; ++n) {
    Card* c = &g.deck.pack[7 - n];
    const auto& hand = g.seatList[firstSeatOfCard[n]].cards;
    EXPECT_NE(std::find(hand.begin(), hand.end(), c), hand.end()) << "card " << n;
  }
  EXPECT_EQ(g.deck.lastDrawn, &g.deck.pack[0]);
  EXPECT_EQ(g.state, Playing);
  EXPECT_EQ(g.statusLines[0], "Please wait...");

  // The next deal moves the dealer on and keeps the scores.
  g.scores[1] = 4;
  g.StartDeal(false, false, true);
  EXPECT_EQ(g.dealer, 3u);
  EXPECT_EQ(g.current, 0u);
  EXPECT_EQ(g.scores[1], 4);
}

TEST(CardGameTest, DealStopsAtAnEmptyStock) {
  ScriptedRandom rng;
  TestGame g(rng, 4, 2);
  AddCards(g.deck, 5);
  g.StartDeal(true, false, true);
  std::set<Card*> seen;
  for (const SeatRecord& seat : g.seatList)
    for (Card* c : seat.cards) {
      ASSERT_NE(c, nullptr);
      EXPECT_TRUE(seen.insert(c).second);
    }
  EXPECT_EQ(seen.size(), 5u);
  EXPECT_TRUE(g.deck.stock.empty());
}

TEST(CardGameTest, SetCurrentSeatSkipsSeatsThatSitOut) {
  struct Case {
    unsigned mask;
    std::uint32_t start;
    std::uint32_t expected;
  } cases[] = {
      {0xF, 2, 2}, {0x1, 2, 0}, {0x8, 0, 3}, {0x4, 3, 2},
      {0x0, 1, 7},  // nobody takes part: the turn stays where it was
  };
  for (const Case& c : cases) {
    ScriptedRandom rng;
    TestGame g(rng);
    g.takesPart = c.mask;
    g.current = 7;
    g.SetCurrentSeat(c.start);
    EXPECT_EQ(g.current, c.expected) << "mask " << c.mask;
    EXPECT_LE(g.seatCalls, 4) << "mask " << c.mask;
  }
}

TEST(CardGameTest, ComputerSeatsThinkUnlessTheSpeedIsFast) {
  ScriptedRandom rng;
  TestGame g(rng);
  g.SetSeatComputer(true, 1);
  g.SetCurrentSeat(1);
  EXPECT_EQ(g.computerDelay, 10);
  g.computerDelay = 0;
  g.SetCurrentSeat(0);
  EXPECT_EQ(g.computerDelay, 0);
  g.fastSpeed = true;
  g.SetCurrentSeat(1);
  EXPECT_EQ(g.computerDelay, 0);
  g.AdvanceTurn();
  EXPECT_EQ(g.current, 2u);
}

TEST(CardGameTest, PlayTurnPlaysForcedCardsAndLetsTheComputerChoose) {
  ScriptedRandom rng;
  TestGame g(rng);
  AddCards(g.deck, 8);
  Card* a = &g.deck.pack[0];
  Card* b = &g.deck.pack[1];
  Card* c = &g.deck.pack[2];
  g.seatList[0].AddCard(a);  // the human with one card
  g.seatList[1].AddCard(b);
  g.seatList[1].AddCard(c);
  g.SetSeatComputer(true, 1);

  g.current = 0;
  g.PlayTurn();
  ASSERT_EQ(g.plays.size(), 1u);
  EXPECT_EQ(g.plays[0], std::make_pair(0u, a));
  g.PlayTurn();  // seat 0 has played: the turn moves on
  EXPECT_EQ(g.current, 1u);
  g.PlayTurn();
  EXPECT_EQ(g.chooses, 1);
  ASSERT_EQ(g.plays.size(), 2u);
  EXPECT_EQ(g.plays[1], std::make_pair(1u, b));

  // A human with more than one card is waited for.
  g.seatList[2].AddCard(b);
  g.seatList[2].AddCard(c);
  g.current = 2;
  g.PlayTurn();
  EXPECT_EQ(g.plays.size(), 2u);
  EXPECT_FALSE(g.AllSeatsHavePlayed());
  g.takesPart = 0x3;
  EXPECT_TRUE(g.AllSeatsHavePlayed());
}

TEST(CardGameTest, BidTurnAsksComputersAndMovesOnAfterABid) {
  ScriptedRandom rng;
  TestGame g(rng);
  g.current = 1;
  g.BidTurn();
  EXPECT_EQ(g.current, 1u);  // a human waits
  g.seatList[1].bid.SetValue(3);
  g.BidTurn();
  EXPECT_EQ(g.current, 2u);
  EXPECT_FALSE(g.AllSeatsHaveBid());
  for (int s = 0; s < 4; ++s) g.seatList[s].bid.SetValue(1);
  EXPECT_TRUE(g.AllSeatsHaveBid());
}

TEST(CardGameTest, HandsEndTheGameOnlyAtTheLimit) {
  ScriptedRandom rng;
  TestGame endless(rng, 4, 2, 0);
  AddCards(endless.deck, 8);
  endless.Resume();
  for (int i = 0; i < 100; ++i) endless.FinishHand();
  EXPECT_EQ(endless.handsPlayed, 100u);
  EXPECT_EQ(endless.GetState(), Playing);
  EXPECT_EQ(endless.deals, 100);

  TestGame three(rng, 4, 2, 3);
  AddCards(three.deck, 8);
  three.Resume();
  three.FinishHand();
  three.FinishHand();
  EXPECT_EQ(three.deals, 2);
  three.FinishHand();
  EXPECT_EQ(three.deals, 2);
  EXPECT_EQ(three.GetState(), GameOver);
  EXPECT_EQ(three.handsPlayed, 0u);
  EXPECT_EQ(three.statusLines[0], "The game is over.");
}

TEST(CardGameTest, EndGameNamesTheWinnerAndThePlace) {
  struct Case {
    std::int32_t scores[4];
    bool lowerIsBetter;
    bool positiveOnly;
    std::deque<std::uint32_t> places;  // answers for seats 1, 2, 3, then the human
    size_t offers;
    std::string message;
  } cases[] = {
      {{10, 5, 7, 3}, false, false, {0, 0, 0, 2}, 4,
       "Congratulations Me  You won the game, and your score is number 2 on the list of high scores!"},
      {{5, 9, 9, 1}, false, false, {1, 2, 0, 3}, 4,
       "Too bad, Ann won the game, but your score was high enough to make number 3 on the list of high scores."},
      {{9, 9, 2, 2}, false, false, {}, 4,
       "Congratulations Me!  You won the game, but you did not make the high score list.  Try again."},
      {{1, 2, 8, 3}, false, false, {}, 4, "Too bad, Bob won the game.  Try again."},
      {{4, 2, 9, 9}, true, false, {}, 4, "Too bad, Ann won the game.  Try again."},
      {{0, 0, 0, 0}, false, true, {}, 0,
       "Congratulations Me!  You won the game, but you did not make the high score list.  Try again."},
      {{0, 3, 0, 0}, false, true, {0}, 1, "Too bad, Ann won the game.  Try again."},
  };
  for (const Case& c : cases) {
    ScriptedRandom rng;
    TestGame g(rng);
    ScriptedDialogs boxes(&g);
    HighScoreScript hof;
    hof.places = c.places;
    const char* names[] = {"Me", "Ann", "Bob", "Cy"};
    for (int s = 0; s < 4; ++s) {
      g.SetSeatName(names[s], s);
      g.scores[s] = c.scores[s];
    }
    g.gameInProgress = true;
    g.Resume();
    g.SetState(GameOver);
    g.EndGame("Test Game", c.lowerIsBetter, c.positiveOnly);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].kind, "info");
    EXPECT_EQ(boxes.boxes[0].caption, "Test Game");
    EXPECT_EQ(boxes.boxes[0].text, c.message);
    EXPECT_EQ(boxes.boxes[0].stateSeen, Paused);
    EXPECT_EQ(hof.offers.size(), c.offers);
    for (const auto& o : hof.offers) {
      EXPECT_EQ(o.game, "Test Game");
      EXPECT_EQ(o.lowerIsBetter, c.lowerIsBetter);
    }
    EXPECT_EQ(g.GetState(), Finished);
    EXPECT_FALSE(g.gameInProgress);
  }
}

TEST(CardGameTest, OffersNameEverySeatWithItsScore) {
  ScriptedRandom rng;
  TestGame g(rng);
  ScriptedDialogs boxes;
  HighScoreScript hof;
  const char* names[] = {"Me", "Ann", "Bob", "Cy"};
  for (int s = 0; s < 4; ++s) {
    g.SetSeatName(names[s], s);
    g.scores[s] = 10 * s - 5;
  }
  g.EndGame("Test Game");
  ASSERT_EQ(hof.offers.size(), 4u);
  EXPECT_EQ(hof.offers[0].name, "Ann");
  EXPECT_EQ(hof.offers[0].score, 5);
  EXPECT_EQ(hof.offers[2].name, "Cy");
  EXPECT_EQ(hof.offers[3].name, "Me");
  EXPECT_EQ(hof.offers[3].score, -5);
  EXPECT_FALSE(hof.offers[3].lowerIsBetter);
}

TEST(CardGameTest, QuestionsPauseTheGameAndSayWhatThePlayerSees) {
  ScriptedRandom rng;
  TestGame g(rng);
  g.Resume();
  g.SetState(Playing);
  ScriptedDialogs boxes(&g);
  EXPECT_TRUE(g.ConfirmQuit());  // nothing in progress: no question
  EXPECT_TRUE(boxes.boxes.empty());
  g.gameInProgress = true;
  boxes.answers = {false, true, true};
  EXPECT_FALSE(g.ConfirmQuit());
  EXPECT_TRUE(g.ConfirmQuit());
  EXPECT_TRUE(g.AskNewGame("Whist"));
  g.ShowTurnMessage("Whist", "Betty");
  ASSERT_EQ(boxes.boxes.size(), 4u);
  EXPECT_EQ(boxes.boxes[0].caption, "Quit Game");
  EXPECT_EQ(boxes.boxes[0].text, "You are in the middle of a game.  Are you sure you want to quit now?");
  EXPECT_EQ(boxes.boxes[2].caption, "Whist");
  EXPECT_EQ(boxes.boxes[2].text, "Would you like to start a new game of Whist?");
  EXPECT_EQ(boxes.boxes[3].kind, "info");
  EXPECT_EQ(boxes.boxes[3].text, "It is Betty's turn to play.");
  for (const auto& b : boxes.boxes) EXPECT_EQ(b.stateSeen, Paused);
  EXPECT_EQ(g.state, Playing);
}

// Without a stand-in the game's questions are real message boxes owned by its window.
TEST(CardGameTest, RealBoxesAreOwnedByTheGameWindowAndAnswerTheButtonPressed) {
  HWND owner = CreateWindowExA(0, "STATIC", "table", WS_POPUP | WS_VISIBLE, 10, 10, 300, 200, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  ScriptedRandom rng;
  TestGame g(rng, 4, 2, 0, owner);
  g.Resume();
  g.SetState(Playing);
  const struct {
    const char* caption;
    int button;
    LPCSTR icon;
    bool expected;
  } cases[] = {
      {"Quit Game", IDYES, IDI_QUESTION, true},
      {"Whist", IDNO, IDI_QUESTION, false},
      {"Turn", IDOK, IDI_INFORMATION, false},
  };
  for (const auto& c : cases) {
    HWND boxOwner = nullptr;
    HICON icon = nullptr;
    std::vector<std::string> texts;
    std::int32_t stateSeen = -1;
    std::thread user([&] {
      HWND box = tt::WaitForWindow("", c.caption, 10000, GetCurrentProcessId());
      if (!box) return;
      boxOwner = GetWindow(box, GW_OWNER);
      texts = tt::ControlTexts(box);
      for (HWND child : tt::Children(box))
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && tt::ClassOf(child) == "Static")
          icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
      stateSeen = g.state;
      tt::ClickButtonId(box, c.button);
    });
    bool answer = false;
    std::string text;
    if (c.button == IDOK) {
      text = "It is Betty's turn to play.";
      g.ShowTurnMessage(c.caption, "Betty");
    } else {
      text = "Really?";
      answer = g.AskYesNo(c.caption, text);
    }
    user.join();
    EXPECT_EQ(answer, c.expected) << c.caption;
    EXPECT_EQ(boxOwner, owner) << c.caption;
    EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end()) << c.caption;
    EXPECT_EQ(icon, LoadIconA(nullptr, c.icon)) << c.caption;
    EXPECT_EQ(stateSeen, Paused) << c.caption;
    EXPECT_EQ(g.state, Playing) << c.caption;
  }
  DestroyWindow(owner);
}

TEST(NoGameTest, DrivesHarmlesslyAndNeverRepaintsOtherWindows) {
  HWND other = CreateWindowExA(0, "STATIC", "bystander", WS_POPUP | WS_VISIBLE, 10, 10, 200, 100, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  UpdateWindow(other);
  ValidateRect(other, nullptr);
  ScriptedRandom rng;
  NoGame g(rng);
  EXPECT_EQ(g.GetWindowHandle(), nullptr);
  EXPECT_EQ(g.seats, 0u);
  g.Resume();
  g.SetSeatName("Card Shark", 0);
  g.NewDeal(true, true);
  g.SetCurrentSeat(3);
  g.AdvanceTurn();
  g.PlayTurn();
  g.OnTimer();
  g.OnLButtonDown(0);
  g.FinishHand();
  RECT table = {12, 12, 611, 491}, status = {623, 12, 778, 491};
  g.SetAreas(table, status);
  g.InvalidateTable();
  g.InvalidateStatus();
  EXPECT_FALSE(g.HasOptions());
  EXPECT_FALSE(g.ShowRules(nullptr));
  EXPECT_EQ(g.ChooseCard(), nullptr);
  EXPECT_EQ(g.GetState(), Playing);
  RECT dirty;
  EXPECT_FALSE(GetUpdateRect(other, &dirty, FALSE));
  DestroyWindow(other);
}

TEST(CardGamePaintTest, ScorePanelLinesAndCardFrame) {
  ScriptedRandom rng;
  TestGame g(rng);
  CardImages images;
  g.cardImages = &images;
  RECT table = {0, 0, 300, 300}, status = {320, 0, 480, 400};
  g.SetAreas(table, status);
  tc::Canvas canvas(500, 420);
  g.Resume();
  g.Paint(canvas.dc());  // dealing: nothing
  EXPECT_EQ(canvas.Changed(), 0);
  g.SetState(Playing);
  g.Paint(canvas.dc());
  EXPECT_EQ(canvas.At(400, 39), COLORREF(0xA3BCCE));         // rule under the headings
  EXPECT_EQ(canvas.At(395, 47 + 64 - 2), COLORREF(0xA3BCCE));  // column rule, four seats
  EXPECT_EQ(canvas.At(395, 47 + 64 + 4), tc::kPaper);
  canvas.Clear();
  g.DrawCardFrame(canvas.dc(), 20, 20);
  const int w = images.CardWidth(), h = images.CardHeight();
  EXPECT_EQ(canvas.At(20, 20 + h / 2), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(20 + w / 2, 20), RGB(255, 255, 255));
  EXPECT_EQ(canvas.At(20 + w, 20 + h / 2), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(20 + w / 2, 20 + h), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(20 + w / 2, 20 + h / 2), tc::kPaper);
}

TEST(CardGameTest, SortModeSortsTheHumanHand) {
  ScriptedRandom rng;
  TestGame g(rng);
  AddCards(g.deck, 8);
  for (int i = 7; i >= 0; --i) g.seatList[0].AddCard(&g.deck.pack[i]);
  g.SetSortMode(kSortByRank);
  EXPECT_EQ(g.sortMode, kSortByRank);
  for (size_t i = 1; i < g.seatList[0].cards.size(); ++i)
    EXPECT_FALSE(CompareCardsByRank(g.seatList[0].cards[i], g.seatList[0].cards[i - 1]));
}

// Before the first deal the table carries the game's status lines, white, in its middle.
TEST(CardGamePaintTest, TablePromptShowsTheStatusLinesInTheMiddleOfTheTable) {
  ScriptedRandom rng;
  NoGame g(rng);
  RECT table = {12, 12, 611, 491}, status = {623, 12, 778, 491};
  g.SetAreas(table, status);
  struct Case {
    std::vector<std::string> lines;
    int rows;
  } cases[] = {{{"The game has not started.", "", "", "", ""}, 1}, {{"Hand 1 of 8", "", "Choose a card.", "", ""}, 2}};
  for (const Case& c : cases) {
    g.statusLines = c.lines;
    tc::Canvas canvas(790, 560);
    g.PaintTablePrompt(canvas.dc());
    int white = 0, whiteTop = 560, whiteBottom = 0;
    bool outside = false;
    const std::vector<DWORD> pixels = canvas.Pixels();
    for (int y = 0; y < 560; ++y) {
      for (int x = 0; x < 790; ++x) {
        const DWORD v = pixels[size_t(y) * 790 + size_t(x)] & 0xFFFFFF;
        if (v == 0xFF00FF) continue;
        const bool inTable = x >= table.left && x < table.right && y >= table.top && y < table.bottom;
        outside = outside || !inTable;
        if (v == 0xFFFFFF) {
          ++white;
          whiteTop = std::min(whiteTop, y);
          whiteBottom = std::max(whiteBottom, y);
        }
      }
    }
    const int middle = (table.top + table.bottom) / 2;
    EXPECT_GT(white, 50) << c.lines[0];
    EXPECT_FALSE(outside) << c.lines[0];
    EXPECT_LT(whiteTop, middle) << c.lines[0];
    EXPECT_GT(whiteBottom, middle - 20) << c.lines[0];
    EXPECT_LE(whiteBottom - whiteTop, 30 * c.rows) << c.lines[0];
    EXPECT_GT(whiteBottom - whiteTop, 30 * (c.rows - 1)) << c.lines[0];
  }
}

// The score panel's font is Arial or a face of its widths, and a name in its 70-pixel
// column is never cut at its start: the longest computer name whole, a long player's name
// from its first letter.
TEST(CardGamePaintTest, NamesFitTheScoreColumn) {
  ScriptedRandom rng;
  NoGame g(rng);
  tc::Canvas canvas(400, 100);
  HDC dc = canvas.dc();
  g.smallFont.Select(dc);
  std::vector<char> metrics(GetOutlineTextMetricsA(dc, 0, nullptr));
  ASSERT_FALSE(metrics.empty()) << "no outline font for Arial";
  auto* otm = reinterpret_cast<OUTLINETEXTMETRICA*>(metrics.data());
  GetOutlineTextMetricsA(dc, UINT(metrics.size()), otm);
  const std::string family = metrics.data() + reinterpret_cast<std::uintptr_t>(otm->otmpFamilyName);
  EXPECT_TRUE(family == "Arial" || family == "Liberation Sans") << family;

  struct Case {
    const char* name;
    bool whole;
  } cases[] = {{"Persephone", true}, {"Card Shark", true}, {"Maximilian Featherstonehaugh", false}};
  for (const Case& c : cases) {
    canvas.Clear();
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    EXPECT_EQ(c.whole, DrawNameIn(dc, c.name, 100, 10, 170, 26, DT_SINGLELINE | DT_RIGHT)) << c.name;
    int inkLeft = 400, inkRight = -1;
    const std::vector<DWORD> pixels = canvas.Pixels();
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 400; ++x)
        if ((pixels[size_t(y) * 400 + size_t(x)] & 0xFFFFFF) != 0xFF00FF) {
          inkLeft = std::min(inkLeft, x);
          inkRight = std::max(inkRight, x);
        }
    EXPECT_GT(inkLeft, 100) << c.name << ": cut at the column's left edge";
    EXPECT_LT(inkRight, 170) << c.name;
    EXPECT_GT(inkRight - inkLeft, 40) << c.name;
    // The font the panel selected is back in place.
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), HGDIOBJ(g.smallFont.Handle())) << c.name;
  }
  g.smallFont.Restore();
}
