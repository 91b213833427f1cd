#include "TableGame.h"

#include "CardImages.h"

TableGame::TableGame(HWND window, const std::string& title, UINT rulesId, std::uint32_t seats,
                     std::uint32_t cardsPerHand, std::uint32_t handsPerGame, std::uint32_t humanSeat, RandomSource& rng)
    : CardGame(window, seats, cardsPerHand, handsPerGame, humanSeat, rng), title(title), rulesId(rulesId) {}

TableGame::~TableGame() = default;

bool TableGame::ShowRules(HWND textBox) { return ShowRulesText(window, rulesId, textBox); }

bool TableGame::SizeHands(long& width, long& height) {
  if (!cardImages) return false;
  width = cardImages->CardWidth();
  height = cardImages->CardHeight();
  for (SeatRecord& seat : seatList) {
    seat.cardWidth = width;
    seat.cardHeight = height;
  }
  return true;
}

bool TableGame::HoldRunsOut() {
  if (handOverCountdown-- > 0) return false;
  handOverCountdown = -1;
  return true;
}

void TableGame::OnTimer() {
  if (computerDelay > 0) {
    --computerDelay;
    return;
  }
  switch (GetState()) {
    case Playing:
      PlayingTick();
      break;
    case HoldB:
      if (HoldRunsOut()) HoldEnded();
      break;
    case HandOver:
      if (HoldRunsOut()) FinishHand();
      break;
    case GameOver:
      EndGame(title, false, positiveScoresOnly);
      break;
    default:
      break;
  }
}

void TableGame::OnLButtonDown(LPARAM lParam) {
  switch (GetState()) {
    case Dealing:
    case Finished:
      if (AskNewGame(title)) StartDeal(true, false, true);
      break;
    case HoldB:
    case HandOver:
      handOverCountdown = 0;
      break;
    case Playing:
      if (current != humanSeat)
        ShowTurnMessage(title, seatList[current].name);
      else
        HumanClick(LOWORD(lParam), HIWORD(lParam));
      break;
    default:
      break;
  }
}

void TableGame::DrawSeatNames(HDC hdc) {
  const int oldMode = SetBkMode(hdc, TRANSPARENT);
  const COLORREF oldColour = GetTextColor(hdc);
  bigFont.Select(hdc);
  for (std::uint32_t s = 0; s < seats && s < seatList.size(); ++s) {
    const SeatRecord& seat = seatList[s];
    SetSeatTextColor(hdc, s);
    DrawTextIn(hdc, seat.name, seat.labelRect.left, seat.labelRect.top, seat.labelRect.right, seat.labelRect.bottom,
               static_cast<UINT>(seat.labelFormat));
  }
  bigFont.Restore();
  SetTextColor(hdc, oldColour);
  SetBkMode(hdc, oldMode);
}
