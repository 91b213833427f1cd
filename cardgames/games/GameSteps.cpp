#include "GameSteps.h"

#include <vector>

#include "GamePaint.h"

std::int32_t CommonTick(CardGame& game, const std::string& title, bool lowerIsBetter) {
  if (game.computerDelay > 0) {
    --game.computerDelay;
    return -1;
  }
  const std::int32_t state = game.GetState();
  if (state == HandOver) {
    if (game.handOverCountdown-- <= 0) {
      game.handOverCountdown = -1;
      game.FinishHand();
    }
    return -1;
  }
  if (state == GameOver) {
    game.EndGame(title, lowerIsBetter, false);
    return -1;
  }
  return state;
}

bool ClickOffersNewGame(CardGame& game, const std::string& title) {
  const std::int32_t state = game.GetState();
  if (state != Dealing && state != Finished) return false;
  if (game.AskNewGame(title)) game.StartDeal(true, false, true);
  return true;
}

void HandOverClick(CardGame& game, const std::string& title, long x, long y, bool sayHandOver) {
  if (sayHandOver && game.seatList[game.humanSeat].CardAt(x, y))
    game.ShowInfo(title, "This hand is over");
  else
    game.handOverCountdown = 0;
}

bool RefuseOutOfTurn(CardGame& game, const std::string& title) {
  if (game.current == game.humanSeat) return false;
  game.ShowTurnMessage(title, game.seatList[game.current].name);
  return true;
}

Card* SelectThenConfirm(SeatRecord& hand, long x, long y) {
  Card* card = hand.CardAt(x, y);
  Card* selected = hand.FirstSelected();
  if (!card) {
    if (selected) hand.ToggleSelect(selected);
    return nullptr;
  }
  if (card != selected) {
    hand.ToggleSelect(card);
    return nullptr;
  }
  return card;
}

void PaintSeatLabel(CardGame& game, HDC hdc, std::uint32_t seat, const std::string& prefix) {
  const SeatRecord& s = game.seatList[seat];
  const int oldMode = SetBkMode(hdc, TRANSPARENT);
  const COLORREF oldColour = GetTextColor(hdc);
  game.bigFont.Select(hdc);
  game.SetSeatTextColor(hdc, seat);
  DrawTextIn(hdc, prefix + s.name, s.labelRect.left, s.labelRect.top, s.labelRect.right, s.labelRect.bottom,
             static_cast<UINT>(s.labelFormat));
  game.bigFont.Restore();
  SetTextColor(hdc, oldColour);
  SetBkMode(hdc, oldMode);
}

void PaintCardsLeft(CardGame& game, HDC hdc) {
  std::vector<std::string> values;
  for (std::uint32_t s = 0; s < game.seats && s < game.seatList.size(); ++s)
    values.push_back(std::to_string(game.seatList[s].cards.size()));
  DrawGameStatusPanel(game, hdc, "PLAYER", {WideColumn(game, "CARDS LEFT")}, SeatRows(game, values));
}
