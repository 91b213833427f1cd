// A game on a test table: card images, scripted random numbers and boxes, named seats,
// and helpers to find cards, set hands, click and tick.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ByteBuffer.h"
#include "CardImages.h"
#include "CardTestKit.h"
#include "GameTestKit.h"
#include "SelfPlay.h"
#include "TestTool.h"

const RECT kTestTable = {12, 12, 611, 491};
const RECT kTestStatus = {623, 12, 778, 491};

// A deck shuffle that leaves the pack in order, after the given draws.
inline std::vector<std::uint32_t> OrderedShuffle(std::vector<std::uint32_t> before, std::uint32_t packSize) {
  for (std::uint32_t i = 1; i < packSize; ++i) before.push_back(i);
  return before;
}

template <class Game>
class TableTest : public ::testing::Test {
 protected:
  explicit TableTest(const std::vector<std::uint32_t>& draws) : rng(draws), game(nullptr, 0, rng), boxes(&game) {
    game.cardImages = &images;
    const char* names[] = {"Card Shark", "Betty", "Igor", "Zeke"};
    for (std::uint32_t s = 0; s < game.seats; ++s) {
      game.SetSeatName(names[s], s);
      game.SetSeatComputer(s != 0, s);
    }
    game.SetAreas(kTestTable, kTestStatus);
    game.Resume();
  }
  // The first pack card with this printed face ("AS", "9D", "JK"); an ace also matches rank 1.
  Card* Find(const std::string& text, int skip = 0) {
    const auto rs = ParseCard(text);
    for (Card& c : game.deck.pack) {
      const bool rank = c.faceRank == rs.first || (rs.first == kRankHighAce && c.faceRank == kRankLowAce);
      if (rank && c.faceSuit == rs.second && skip-- == 0) return &c;
    }
    ADD_FAILURE() << "no card " << text;
    return nullptr;
  }
  // Empties the hand and fills it with these cards, taken from wherever they were.
  void Hand(std::uint32_t seat, std::initializer_list<const char*> cards) {
    game.seatList[seat].Clear();
    for (const char* text : cards) {
      Card* c = Find(text);
      for (SeatRecord& s : game.seatList) s.RemoveCard(c);
      game.seatList[seat].AddCard(c);
    }
  }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) game.OnTimer();
  }
  void Click(long x, long y) { game.OnLButtonDown(MAKELPARAM(x, y)); }
  void ClickOn(const CardPile& pile, const Card* card) {
    long x = 0, y = 0;
    ASSERT_TRUE(PointOnCard(pile, card, x, y)) << CardName(card);
    Click(x, y);
  }
  // Text of the boxes opened so far.
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& b : boxes.boxes) out.push_back(b.text);
    return out;
  }

  CardImages images;
  ScriptedRandom rng;
  Game game;
  ScriptedDialogs boxes;
};

// A game of the seeded self-play runs: seats after the first played by the computer.
template <class Game>
void SeatForSelfPlay(Game& game, CardImages& images) {
  game.cardImages = &images;
  for (std::uint32_t s = 1; s < game.seats; ++s) game.SetSeatComputer(true, s);
  game.SetAreas(kTestTable, kTestStatus);
}

// Where the cards are: every card of the piles added, and whether one lies in two places.
struct CardCensus {
  template <class Cards>
  void Add(const Cards& cards) {
    for (const Card* c : cards) seen.insert(c), ++count;
  }
  bool Distinct() const { return seen.size() == count; }
  std::set<const Card*> seen;
  std::size_t count = 0;
};

// What a game's real options dialog showed: for each listed control whether it was ticked
// and whether it could be used.
struct OptionsSeen {
  bool found = false;
  std::vector<bool> ticked;
  std::vector<bool> enabled;
};

// Opens the game's options dialog (caption as given) and, from another thread, reads the
// listed controls, clicks the ones to click (when they can be used) and presses the button.
inline OptionsSeen UseOptionsDialog(CardGame& game, const std::string& caption, const std::vector<int>& controls,
                                    const std::vector<int>& clicks, int button) {
  OptionsSeen seen;
  std::thread helper([&] {
    HWND dialog = tt::WaitForWindow("", caption, 10000, GetCurrentProcessId());
    if (!dialog) return;
    seen.found = true;
    for (int id : controls) {
      seen.ticked.push_back(IsDlgButtonChecked(dialog, id) == BST_CHECKED);
      seen.enabled.push_back(IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE);
    }
    for (int id : clicks)
      if (IsWindowEnabled(GetDlgItem(dialog, id))) SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    tt::ClickButtonId(dialog, button);
  });
  game.ShowOptions(nullptr);
  helper.join();
  return seen;
}

// Writes a game's options file as a checked file of the given type word.
inline void WriteOptionsFile(const std::string& path, const std::vector<std::uint8_t>& payload, std::uint32_t typeWord) {
  const std::vector<std::uint8_t> file = CheckedFile::Compose(payload, typeWord);
  ASSERT_TRUE(tt::WriteFile(path, std::string(file.begin(), file.end())));
}
