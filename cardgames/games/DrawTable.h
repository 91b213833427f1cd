// The table of the draw-and-discard games (Arlington, Canasta): two rows of eight meld
// piles, the stock between them with the discard pile beside it, the human's hand below,
// and the texts a click on a pile answers.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "CardGame.h"
#include "GameSteps.h"

// Where everything goes, from the table area and the card size.
struct DrawTableLayout {
  DrawTableLayout(const RECT& table, long cardWidth, long cardHeight);
  // Left edge of meld pile k (0..7) of either row.
  long SlotX(int k) const;

  RECT table;
  long w, h;
  long rowGap, colGap;
  long upperRowY;  // the opponents' melds
  long lowerRowY;  // the human's side's melds
  RECT deckRect;
  long discardX, discardY;
  long handX, handY;  // the human's hand (left edge, top)
  CardRect handArea;  // where the hand may grow: below the human's side's melds
};

// "There is 1 card in the discard pile" / "There are n cards in the discard pile".
std::string DiscardPileText(std::size_t cards);
// "There is 1 card left in the deck" / "There are n cards left in the deck".
std::string StockText(std::size_t cards);
// The pile's cards, one per line, or the text for an empty pile.
std::string PileCardsText(const CardPile& pile, const std::string& emptyText);
// The cards of the hand that are selected.
std::size_t CountSelected(const CardPile& hand);
void ClearSelection(CardPile& hand);

// The human has drawn: it is the human's turn to meld and discard.
void HumanToPlay(CardGame& game);
// The turn passes to the seat, which is to draw: the prompt on line 1. Once the user's turn
// is over, the reports of the moves before it (line 2) go.
void StartDrawTurn(CardGame& game, std::uint32_t seat);
// A timer tick: after the common part, a computer seat's turn (its selection cleared
// first); a seat that has run out of cards ends the hand.
template <class Game>
void DrawGameTick(Game& game, const std::string& title, void (Game::*computerTurn)()) {
  if (CommonTick(game, title, false) != Playing || game.current == game.humanSeat) return;
  const std::uint32_t seat = game.current;
  ClearSelection(game.seatList[seat]);
  (game.*computerTurn)();
  if (game.seatList[seat].cards.empty()) game.EndOfHand(seat);
}

// A pile of the table with its frame; the stock as backs, the first at the deck's left
// edge and each further one 2 pixels to the left.
void PaintFramedPile(CardGame& game, HDC hdc, const CardPile& pile);
// The human's name beside the front row of the hand, never over a card: from 10 pixels
// inside the table's left edge up to 10 pixels before the hand; where it does not fit
// whole, right of the hand, else centred under it; where it fits whole nowhere, cut in the
// widest of these.
void PaintHandLabel(CardGame& game, HDC hdc);
void PaintStock(CardGame& game, HDC hdc, const RECT& deckRect, int backs);
