// A game at the table for the games' tests: named seats, areas laid out, scripted boxes,
// and a deal that leaves the pack in order unless the test scripts another shuffle.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AppFolders.h"
#include "ByteBuffer.h"
#include "CardImages.h"
#include "CardTestKit.h"
#include "GameTestKit.h"
#include "SelfPlay.h"
#include "TestTool.h"

const RECT kTable = {12, 12, 611, 491};
const RECT kStatus = {623, 12, 778, 491};

// The dealer draw, then a shuffle that keeps a pack of packSize cards in order; the stock
// is dealt from its end, so the first card of the pack is the last one left.
inline std::vector<std::uint32_t> OrderedDraws(std::uint32_t dealerDraw, std::uint32_t packSize) {
  std::vector<std::uint32_t> v = {dealerDraw};
  for (std::uint32_t i = 1; i < packSize; ++i) v.push_back(i);
  return v;
}

template <class Game>
class GameFixture : public ::testing::Test {
 protected:
  explicit GameFixture(const std::vector<std::uint32_t>& draws) : rng(draws), game(nullptr, 0, rng), boxes(&game) {
    game.cardImages = &images;
    const char* names[] = {"Card Shark", "Betty", "Igor", "Zeke"};
    for (std::uint32_t s = 0; s < game.seats; ++s) {
      game.SetSeatName(names[s], s);
      game.SetSeatComputer(s != 0, s);
    }
    game.SetAreas(kTable, kStatus);
    game.Resume();
  }
  void Deal() { game.StartDeal(true, false, true); }
  Card* Find(const std::string& text) {
    auto rs = ParseCard(text);
    for (Card& c : game.deck.pack)
      if (c.faceRank == rs.first && c.faceSuit == rs.second) return &c;
    return nullptr;
  }
  // Empties the seat's hand and gives it these cards, taken from wherever they are.
  void SetHand(std::uint32_t seat, const std::vector<std::string>& cards) {
    game.seatList[seat].Clear();
    for (const std::string& text : cards) {
      Card* c = Find(text);
      for (SeatRecord& s : game.seatList) s.RemoveCard(c);
      game.seatList[seat].AddCard(c);
    }
    game.seatList[seat].Sort(game.sortMode);
    game.seatList[seat].UpdateBounds();
  }
  // Plays the cards in turn from the current seat on.
  void Play(const std::vector<std::string>& cards) {
    for (const std::string& text : cards) {
      game.PlayCard(game.current, Find(text));
      game.current = (game.current + 1) % game.seats;
    }
  }
  void ClickOn(const std::string& text) {
    long x = 0, y = 0;
    ASSERT_TRUE(PointOnCard(game.seatList[0], Find(text), x, y)) << text;
    game.OnLButtonDown(MAKELPARAM(x, y));
  }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) game.OnTimer();
  }
  // Ticks until the state changes (at most n ticks).
  void TickWhile(std::int32_t state, int n = 400) {
    for (int i = 0; i < n && game.GetState() == state; ++i) game.OnTimer();
  }
  std::string Line(int i) { return game.statusLines[i]; }
  std::string Chosen() { return CardName(game.ChooseCard()); }

  CardImages images;
  ScriptedRandom rng;
  Game game;
  ScriptedDialogs boxes;
};

// A game's options file as stored: the checked file with the game's id value as type word.
inline std::string StoredOptions(const std::vector<std::uint8_t>& payload, std::int32_t idValue) {
  std::vector<std::uint8_t> file = CheckedFile::Compose(payload, static_cast<std::uint32_t>(idValue));
  return std::string(file.begin(), file.end());
}

inline std::string OptionsPath(const std::string& title) { return GetGameSettingsPath(nullptr, title); }

// Opens the game's real options dialog and lets act work it from another thread (act
// presses the button that ends it); false when the dialog did not appear.
inline bool WorkOptionsDialog(CardGame& game, const std::string& caption, const std::function<void(HWND)>& act) {
  bool found = false;
  std::thread helper([&] {
    HWND dialog = tt::WaitForWindow("", caption, 10000, GetCurrentProcessId());
    if (!dialog) return;
    found = true;
    act(dialog);
  });
  game.ShowOptions(nullptr);
  helper.join();
  return found;
}

inline bool Ticked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
inline void Press(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// A game ready for the self-play driver: seat 0 is the user, the others computer seats.
inline void SeatForSelfPlay(CardGame& game, CardImages& images) {
  game.cardImages = &images;
  const char* names[] = {"Card Shark", "Zeke", "Betty", "Igor"};
  for (std::uint32_t s = 0; s < game.seats; ++s) {
    game.SetSeatComputer(s != 0, s);
    game.SetSeatName(names[s], s);
  }
  game.fastSpeed = true;
  game.SetAreas(kTable, kStatus);
}

// The points each seat gained in the hand just scored, kept from hand to hand.
struct ScoreDeltas {
  std::int32_t before[4] = {};
  std::vector<std::int32_t> Take(const CardGame& game) {
    std::vector<std::int32_t> d;
    for (std::uint32_t s = 0; s < game.seats && s < 4; ++s) {
      d.push_back(game.scores[s] - before[s]);
      before[s] = game.scores[s];
    }
    return d;
  }
};

// The rules text the game puts into a text box; empty when it has none.
inline std::string RulesText(CardGame& game) {
  HWND box = CreateWindowExA(0, "EDIT", "", WS_POPUP | ES_MULTILINE, 0, 0, 300, 200, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  if (!box) return std::string();
  std::string text;
  if (game.ShowRules(box)) {
    std::vector<char> buffer(GetWindowTextLengthA(box) + 1);
    GetWindowTextA(box, buffer.data(), static_cast<int>(buffer.size()));
    text = buffer.data();
  }
  DestroyWindow(box);
  return text;
}

// Plays the games of seeds 1 to count under the self-play driver, the user's seat played
// at random: setUp sets the game's options and the driver's checks for the seed; every game
// must end without a fault after `hands` hands (and tricksPerHand tricks each, when set).
template <class Game>
void PlaySeededGames(std::uint32_t count, int hands,
                     const std::function<void(Game&, SelfPlayOptions&, std::uint32_t)>& setUp) {
  CardImages images;
  for (std::uint32_t seed = 1; seed <= count; ++seed) {
    MersenneRandom rng(seed);
    MersenneRandom choices(seed * 7919);
    Game game(nullptr, 0, rng);
    SeatForSelfPlay(game, images);
    SelfPlayOptions options;
    options.clickThroughHolds = true;
    options.dialogSeed = seed;
    options.maxTicks = 10000;
    setUp(game, options, seed);
    SelfPlay driver(game, choices);
    const SelfPlayResult r = driver.Run(options);
    EXPECT_TRUE(r.finished) << "seed " << seed;
    for (const std::string& f : r.faults) ADD_FAILURE() << "seed " << seed << ": " << f;
    EXPECT_EQ(r.hands, hands) << "seed " << seed;
    if (options.tricksPerHand) {
      EXPECT_EQ(r.tricks, hands * options.tricksPerHand) << "seed " << seed;
    }
  }
}
