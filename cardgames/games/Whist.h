// Whist: four seats in two partnerships, trump turned up by the dealer, eight hands.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "CardGame.h"

std::string WhistName();
std::int32_t WhistId();
CardGame* CreateWhistGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class WhistGame : public CardGame {
 public:
  WhistGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~WhistGame() override;

  void OnLButtonDown(LPARAM lParam) override;
  void OnTimer() override;
  void Paint(HDC hdc) override;
  bool ShowRules(HWND textBox) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void SetCurrentSeat(std::uint32_t seat) override;
  void PlayCard(std::uint32_t seat, Card* card) override;
  Card* ChooseCard() override;
  void Layout() override;

  std::uint8_t holdsTrump[4] = {};
  bool trumpLed = false;
  std::int32_t tricksWon[4] = {};
  Card* tableCards[4] = {};
  Card* trumpCard = nullptr;
  std::int32_t firstLedSuit[4] = {};
  RECT trickRects[4] = {};
  RECT trumpLabelRect = {};
  RECT trumpCardRect = {};

 private:
  void GatherTrick();
  void PaintTable(HDC hdc);
  void PaintPanels(HDC hdc);
};
