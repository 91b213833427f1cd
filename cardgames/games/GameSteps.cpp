#include "GameSteps.h"

#include <vector>

#include "CardImages.h"
#include "GamePaint.h"

void AddRankRun(CardDeck& deck, std::int32_t from, std::int32_t to) {
  const std::int32_t step = from <= to ? 1 : -1;
  for (std::int32_t rank = from;; rank += step) {
    AddRanks(deck, {rank});
    if (rank == to) break;
  }
}

void AddRanks(CardDeck& deck, std::initializer_list<std::int32_t> ranks) {
  for (std::int32_t rank : ranks)
    for (std::int32_t suit = 0; suit < 4; ++suit) deck.AddToPack(suit, rank);
}

bool HoldRunsOut(CardGame& game) {
  if (game.handOverCountdown-- > 0) return false;
  game.handOverCountdown = -1;
  return true;
}

std::int32_t CommonTick(CardGame& game, const std::string& title, bool lowerIsBetter, bool positiveOnly) {
  if (game.computerDelay > 0) {
    --game.computerDelay;
    return -1;
  }
  const std::int32_t state = game.GetState();
  if (state == HandOver) {
    if (HoldRunsOut(game)) game.FinishHand();
    return -1;
  }
  if (state == GameOver) {
    game.EndGame(title, lowerIsBetter, positiveOnly);
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

bool SizeHands(CardGame& game, long& width, long& height) {
  if (!game.cardImages) return false;
  width = game.cardImages->CardWidth();
  height = game.cardImages->CardHeight();
  for (SeatRecord& seat : game.seatList) {
    seat.cardWidth = width;
    seat.cardHeight = height;
  }
  return true;
}

void PaintSeatText(CardGame& game, HDC hdc, std::uint32_t seat, const std::string& text, bool fitted) {
  const SeatRecord& s = game.seatList[seat];
  const int oldMode = SetBkMode(hdc, TRANSPARENT);
  const COLORREF oldColour = GetTextColor(hdc);
  game.bigFont.Select(hdc);
  game.SetSeatTextColor(hdc, seat);
  const CardRect& r = s.labelRect;
  if (fitted)
    DrawNameIn(hdc, text, r.left, r.top, r.right, r.bottom, static_cast<UINT>(s.labelFormat));
  else
    DrawTextIn(hdc, text, r.left, r.top, r.right, r.bottom, static_cast<UINT>(s.labelFormat));
  game.bigFont.Restore();
  SetTextColor(hdc, oldColour);
  SetBkMode(hdc, oldMode);
}

void PaintSeatLabel(CardGame& game, HDC hdc, std::uint32_t seat, const std::string& prefix) {
  PaintSeatText(game, hdc, seat, prefix + game.seatList[seat].name);
}

void PaintSeatLabels(CardGame& game, HDC hdc) {
  for (std::uint32_t s = 0; s < game.seats && s < game.seatList.size(); ++s) PaintSeatLabel(game, hdc, s);
}

void PaintTableLabel(CardGame& game, HDC hdc, const std::string& text, const RECT& r) {
  const int oldMode = SetBkMode(hdc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(hdc, 0xFFFFFF);
  game.bigFont.Select(hdc);
  DrawTextIn(hdc, text, r.left, r.top, r.right, r.bottom, 0x29);
  game.bigFont.Restore();
  SetTextColor(hdc, oldColour);
  SetBkMode(hdc, oldMode);
}

void PaintCardsLeft(CardGame& game, HDC hdc, const std::string& heading) {
  DrawSeatNumbersPanel(game, hdc, heading,
                       [&game](std::uint32_t s) { return static_cast<std::int64_t>(game.seatList[s].cards.size()); });
}
