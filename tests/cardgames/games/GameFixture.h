// A game at the table for the games' tests: named seats, areas laid out, scripted boxes,
// and a deal that leaves the pack in order unless the test scripts another shuffle.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CardImages.h"
#include "CardTestKit.h"
#include "GameTestKit.h"
#include "SelfPlay.h"

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
