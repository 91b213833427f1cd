// German Whist: two players; the first 13 tricks draw the stock, the last 13 score.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "CardGame.h"

std::string GermanWhistName();
std::int32_t GermanWhistId();
CardGame* CreateGermanWhistGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class GermanWhistGame : public CardGame {
 public:
  GermanWhistGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~GermanWhistGame() override;

  void OnLButtonDown(LPARAM lParam) override;
  void OnTimer() override;
  void Paint(HDC hdc) override;
  bool ShowRules(HWND textBox) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void SetCurrentSeat(std::uint32_t seat) override;
  void PlayCard(std::uint32_t seat, Card* card) override;
  Card* ChooseCard() override;
  void Layout() override;

  // The computer's plan: the suit it means to play (4: none).
  void PlanTargetSuit(std::uint32_t seat, bool stockEmpty);
  // The card of the suit worth leading: the first from the top with no, many, or one more
  // higher card out than the card above it; else the lowest.
  Card* PickSuitCard(std::uint32_t seat, std::int32_t suit);

  std::int32_t tricksWon[2] = {};
  Card* tableCards[2] = {};
  std::int32_t targetSuit = kSuitNone;
  Card* turnUp = nullptr;
  RECT trickRects[2] = {};
  RECT trumpLabelRect = {};
  RECT stockRect = {};

 private:
  std::uint32_t Held(std::uint32_t seat, std::int32_t suit) const;
  std::uint32_t Out(std::uint32_t seat, std::int32_t suit) const;
  Card* PlayLow(std::uint32_t seat);
  Card* LeadFirstHalf(std::uint32_t seat);
  Card* LeadSecondHalf(std::uint32_t seat);
  // Each player takes one stock card after a trick, the winner first.
  void DrawFromStock(std::uint32_t winner);
};
