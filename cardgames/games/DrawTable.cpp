#include "DrawTable.h"

#include <sstream>

#include "CardImages.h"
#include "GamePaint.h"

namespace {

// A place for a label: the rectangle and the format the text takes there.
struct LabelPlace {
  UINT format;
  CardRect room;
};

long Width(const CardRect& r) { return r.right - r.left; }

}  // namespace

DrawTableLayout::DrawTableLayout(const RECT& t, long cardWidth, long cardHeight)
    : table(t), w(cardWidth), h(cardHeight) {
  rowGap = (t.bottom - 4 * h - t.top) / 5;
  colGap = (t.right - 8 * w - t.left) / 9;
  upperRowY = t.top + rowGap;
  lowerRowY = t.top + 3 * rowGap + 2 * h;
  const long deckLeft = t.left + (t.right - t.left - w) / 2;
  const long deckTop = t.top + 2 * rowGap + h;
  deckRect = RECT{deckLeft, deckTop, deckLeft + w, deckTop + h};
  discardX = deckRect.right + w / 4;
  discardY = deckRect.top;
  handX = deckLeft;
  handY = t.bottom - rowGap - h;
  // Clear of the frames drawn round the melds.
  handArea = CardRect{t.left, lowerRowY + h + 5, t.right, t.bottom};
}

long DrawTableLayout::SlotX(int k) const { return table.left + (k + 1) * colGap + k * w; }

std::string DiscardPileText(std::size_t cards) {
  return cards == 1 ? "There is 1 card in the discard pile"
                    : "There are " + std::to_string(cards) + " cards in the discard pile";
}

std::string StockText(std::size_t cards) {
  return cards == 1 ? "There is 1 card left in the deck"
                    : "There are " + std::to_string(cards) + " cards left in the deck";
}

std::string PileCardsText(const CardPile& pile, const std::string& emptyText) {
  if (pile.cards.empty()) return emptyText;
  std::ostringstream out;
  for (const Card* c : pile.cards) out << *c << "\n";
  return out.str();
}

std::size_t CountSelected(const CardPile& hand) {
  std::size_t n = 0;
  for (const Card* c : hand.cards) n += c->selected;
  return n;
}

void ClearSelection(CardPile& hand) {
  for (Card* c : hand.cards) c->selected = false;
}

void HumanToPlay(CardGame& game) {
  game.gameInProgress = true;
  game.statusLines[1] = "It is your turn to play.";
  game.InvalidateStatus();
}

void StartDrawTurn(CardGame& game, std::uint32_t seat) {
  const bool userTurnOver = game.current == game.humanSeat && seat != game.humanSeat;
  game.CardGame::SetCurrentSeat(seat);
  if (userTurnOver) game.statusLines[2].clear();
  game.statusLines[1] = game.current == game.humanSeat ? "It is your turn to draw."
                                                       : "It is " + game.seatList[game.current].name + "'s turn to draw.";
  game.InvalidateStatus();
}

void PaintFramedPile(CardGame& game, HDC hdc, const CardPile& pile) {
  if (!game.cardImages) return;
  game.DrawCardFrame(hdc, pile.anchorX, pile.anchorY);
  pile.Paint(*game.cardImages, hdc);
}

void PaintHandLabel(CardGame& game, HDC hdc) {
  SeatRecord& hand = game.seatList[game.humanSeat];
  const RECT& t = game.tableRect;
  const CardRect& b = hand.bounds;
  const long kGap = 10, front = b.bottom - hand.cardHeight;
  const bool empty = hand.cards.empty();
  const LabelPlace places[] = {
      {0x24, {t.left + kGap, front, empty ? t.right : b.left - kGap, b.bottom}},
      {0x24, {b.right + kGap, front, t.right - kGap, b.bottom}},
      {DT_SINGLELINE | DT_VCENTER | DT_CENTER, {t.left + kGap, b.bottom, t.right - kGap, t.bottom}},
  };
  SIZE name = {};
  TEXTMETRICA font = {};
  game.bigFont.Select(hdc);
  GetTextExtentPoint32A(hdc, hand.name.c_str(), static_cast<int>(hand.name.size()), &name);
  GetTextMetricsA(hdc, &font);
  game.bigFont.Restore();
  // The first place the name fits whole, else the widest it fits in at all.
  const LabelPlace* chosen = nullptr;
  for (const LabelPlace& p : places) {
    if (p.room.bottom - p.room.top < font.tmHeight || Width(p.room) <= 0) continue;
    if (Width(p.room) >= name.cx) {
      chosen = &p;
      break;
    }
    if (!chosen || Width(p.room) > Width(chosen->room)) chosen = &p;
  }
  if (!chosen) return;
  const CardRect& r = chosen->room;
  hand.SetLabel(static_cast<std::int32_t>(chosen->format), r.left, r.right, r.top, r.bottom);
  PaintSeatText(game, hdc, game.humanSeat, hand.name, true);
}

void PaintStock(CardGame& game, HDC hdc, const RECT& deckRect, int backs) {
  if (game.cardImages) DrawStockBacks(*game.cardImages, hdc, backs, deckRect.left, deckRect.top);
}
