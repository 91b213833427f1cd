// Scotch Whist: four players, 36 cards, a point a trick and more for the high trumps in it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "TrickGame.h"

// Extra points of a trump in a trick: jack 11, ten 10, ace 4, king 3, queen 2; other cards 0.
std::int32_t TrumpHonourPoints(const Card& card, std::int32_t trumpSuit);

std::string ScotchWhistName();
std::int32_t ScotchWhistId();
CardGame* CreateScotchWhistGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class ScotchWhistGame : public TrickGame {
 public:
  ScotchWhistGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~ScotchWhistGame() override;

  void Paint(HDC hdc) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void PlayCard(std::uint32_t seat, Card* card) override;
  Card* ChooseCard() override;

  std::int32_t trickPoints = 0;

 protected:
  // A point for the trick and the honours of the trumps in it.
  void ScoreTrick(std::int32_t winner) override;
};
