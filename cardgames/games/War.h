// War: two players turn up cards; the human picks the winner of each battle.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CardGame.h"
#include "GameOptions.h"

std::string WarName();
std::int32_t WarId();
CardGame* CreateWarGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);


class WarGame : public CardGame {
 public:
  // The state in which the human chooses the winning card.
  static constexpr std::int32_t kChoosing = HoldB;

  WarGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~WarGame() override;

  void OnLButtonDown(LPARAM lParam) override;
  void OnTimer() override;
  void Paint(HDC hdc) override;
  bool HasOptions() override;
  bool ShowRules(HWND textBox) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void NewDeal(bool newGame, bool randomDealer) override;
  void ShowOptions(HWND parent) override;
  void SetCurrentSeat(std::uint32_t seat) override;
  void PlayCard(std::uint32_t seat, Card* card) override;
  Card* ChooseCard() override;
  void Layout() override;

  GameOptionsFile OptionsFile();

  // Face-down cards each player adds in a war (0 to 3).
  std::uint8_t level = 3;
  std::vector<CardStack> battlePiles;

 private:
  void HumanMove(long x, long y);
  void ChooseWinner(long x, long y);
  void EndOfGame();
};
