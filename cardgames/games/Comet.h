// Comet: four players shed cards in rising runs of one suit; the nine of diamonds goes anywhere.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "CardGame.h"

std::string CometName();
std::int32_t CometId();
CardGame* CreateCometGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class CometGame : public CardGame {
 public:
  CometGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~CometGame() override;

  void OnLButtonDown(LPARAM lParam) override;
  void OnTimer() override;
  void Paint(HDC hdc) override;
  bool ShowRules(HWND textBox) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void SetCurrentSeat(std::uint32_t seat) override;
  void PlayCard(std::uint32_t seat, Card* card) override;
  Card* ChooseCard() override;
  void Layout() override;

  // Kings, the comet's holder and the lowest card of each suit, from the hands.
  void TakeStockOfHands();
  static bool IsComet(const Card* card);
  // The card of this hand that continues the run on the centre, or null.
  Card* NextInSequence(const CardPile& hand) const;
  // forced: the card the seat must play (NextInSequence), or null.
  bool IsPlayable(std::uint32_t seat, const Card* card, const Card* forced) const;

  std::uint8_t holdsKing[4][5] = {};
  Card* lastCard = nullptr;
  std::uint32_t lowestInSuit[4][5] = {};
  RECT centreRect = {};
  std::uint32_t cometHolder = 0;

 private:
  void FindLowest(std::uint32_t seat);
  void HumanClick(long x, long y);
};
