// Steps the games share: the common part of a tick and of a click, holds, the "select,
// then click again" rule, the pack, the hands' card size and the seat labels.
#pragma once
#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "CardGame.h"
#include "GameOptions.h"
#include "Window.h"

// The four suits of every rank from `from` to `to` (counting up or down), rank by rank.
void AddRankRun(CardDeck& deck, std::int32_t from, std::int32_t to);
// The four suits of each rank in this order.
void AddRanks(CardDeck& deck, std::initializer_list<std::int32_t> ranks);

// Counts the game's hold (handOverCountdown) down; true on the tick that finds it run out.
bool HoldRunsOut(CardGame& game);
// The common part of a timer tick: counts the computer's delay down, runs the hand-over
// hold out (then FinishHand) and ends a game that is over. Answers the state the game
// must act on itself, or -1 when the tick is used up.
std::int32_t CommonTick(CardGame& game, const std::string& title, bool lowerIsBetter, bool positiveOnly = false);
// While no game runs a click offers a new one (true: the click is used up).
bool ClickOffersNewGame(CardGame& game, const std::string& title);
// During the hand-over hold: a click on the human's hand says the hand is over (when
// sayHandOver), any other ends the hold.
void HandOverClick(CardGame& game, const std::string& title, long x, long y, bool sayHandOver);
// A click: offers a new game while none runs, goes to the game's own handler (x, y)
// while it is played, and ends the hand-over hold (see HandOverClick).
template <class Game>
void DispatchClick(Game& game, const std::string& title, LPARAM lParam, void (Game::*whilePlaying)(long, long),
                   bool sayHandOver) {
  if (ClickOffersNewGame(game, title)) return;
  const long x = LOWORD(lParam);
  const long y = HIWORD(lParam);
  if (game.GetState() == Playing)
    (game.*whilePlaying)(x, y);
  else if (game.GetState() == HandOver)
    HandOverClick(game, title, x, y, sayHandOver);
}
// Not the human's turn: says whose it is (true).
bool RefuseOutOfTurn(CardGame& game, const std::string& title);
// The first click selects a card of the hand, a click beside it puts it back; a click on
// the selected card answers it (to be played), otherwise null.
Card* SelectThenConfirm(SeatRecord& hand, long x, long y);
// The card size, given to every seat's hand; false without card images.
bool SizeHands(CardGame& game, long& width, long& height);
// The text at the seat's label, big font, in the seat's colour; fitted, a text too wide
// for the label is drawn smaller, and cut with an ellipsis past the names' smallest size.
void PaintSeatText(CardGame& game, HDC hdc, std::uint32_t seat, const std::string& text, bool fitted = false);
// The seat's name at its label, with a prefix.
void PaintSeatLabel(CardGame& game, HDC hdc, std::uint32_t seat, const std::string& prefix = "");
// Every seat's name at its label.
void PaintSeatLabels(CardGame& game, HDC hdc);
// A label of the table ("Trump") in white, big font, centred at the bottom of r.
void PaintTableLabel(CardGame& game, HDC hdc, const std::string& text, const RECT& r);

// The "GAME STATUS" panel with the cards left in each seat's hand.
void PaintCardsLeft(CardGame& game, HDC hdc, const std::string& heading = "CARDS LEFT");

