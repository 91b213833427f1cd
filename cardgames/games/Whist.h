// Whist: four seats in two partnerships, trump turned up by the dealer, eight hands.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "TrickGame.h"

std::string WhistName();
std::int32_t WhistId();
CardGame* CreateWhistGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class WhistGame : public TrickGame {
 public:
  WhistGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~WhistGame() override;

  void Paint(HDC hdc) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void PlayCard(std::uint32_t seat, Card* card) override;
  Card* ChooseCard() override;

  std::uint8_t holdsTrump[4] = {};
  bool trumpLed = false;
  std::int32_t firstLedSuit[4] = {};

 protected:
  void ScoreHand() override;

 private:
  void PaintPanels(HDC hdc);
};
