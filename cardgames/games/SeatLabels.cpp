#include "SeatLabels.h"

#include "CardGame.h"

void DrawSeatNames(CardGame& game, HDC hdc) {
  const int oldMode = SetBkMode(hdc, TRANSPARENT);
  const COLORREF oldColour = GetTextColor(hdc);
  game.bigFont.Select(hdc);
  for (std::uint32_t s = 0; s < game.seats && s < game.seatList.size(); ++s) {
    const SeatRecord& seat = game.seatList[s];
    game.SetSeatTextColor(hdc, s);
    DrawTextIn(hdc, seat.name, seat.labelRect.left, seat.labelRect.top, seat.labelRect.right, seat.labelRect.bottom,
               static_cast<UINT>(seat.labelFormat));
  }
  game.bigFont.Restore();
  SetTextColor(hdc, oldColour);
  SetBkMode(hdc, oldMode);
}
