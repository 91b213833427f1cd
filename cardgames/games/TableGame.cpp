#include "TableGame.h"

#include "GameSteps.h"

TableGame::TableGame(HWND window, const std::string& title, UINT rulesId, std::uint32_t seats,
                     std::uint32_t cardsPerHand, std::uint32_t handsPerGame, std::uint32_t humanSeat, RandomSource& rng)
    : CardGame(window, seats, cardsPerHand, handsPerGame, humanSeat, rng), title(title), rulesId(rulesId) {}

TableGame::~TableGame() = default;

bool TableGame::ShowRules(HWND textBox) { return ShowRulesText(window, rulesId, textBox); }

void TableGame::OnTimer() {
  switch (CommonTick(*this, title, false, positiveScoresOnly)) {
    case Playing:
      PlayingTick();
      break;
    case HoldB:
      if (HoldRunsOut(*this)) HoldEnded();
      break;
    default:
      break;
  }
}

void TableGame::OnLButtonDown(LPARAM lParam) {
  if (ClickOffersNewGame(*this, title)) return;
  switch (GetState()) {
    case HoldB:
    case HandOver:
      handOverCountdown = 0;
      break;
    case Playing:
      if (!RefuseOutOfTurn(*this, title)) HumanClick(LOWORD(lParam), HIWORD(lParam));
      break;
    default:
      break;
  }
}
