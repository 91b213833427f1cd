// The turn flow the table games share (games of hands and table piles, not tricks),
// between CardGame and the games.
//
// Timer: the computer's thinking delay; Playing: PlayingTick; HoldB (a computer's move on
// show): HoldEnded when its countdown runs out; HandOver: FinishHand when it runs out;
// GameOver: EndGame(title). Left clicks: a new game when dealing or finished, a click in
// a hold ends it, out of turn the turn message, else HumanClick.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "CardGame.h"

class TableGame : public CardGame {
 public:
  TableGame(HWND window, const std::string& title, UINT rulesId, std::uint32_t seats, std::uint32_t cardsPerHand,
            std::uint32_t handsPerGame, std::uint32_t humanSeat, RandomSource& rng);
  ~TableGame() override;

  void OnLButtonDown(LPARAM lParam) override;
  void OnTimer() override;
  bool ShowRules(HWND textBox) override;

  std::string title;
  UINT rulesId;
  // The Hall of Fame takes only scores above 0.
  bool positiveScoresOnly = false;

 protected:
  virtual void PlayingTick() = 0;
  virtual void HoldEnded() {}
  // The human's click on the table on the human's turn.
  virtual void HumanClick(long x, long y) = 0;
};
