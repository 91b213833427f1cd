// Drawing and repainting of cards and piles.
#include <windows.h>

#include "CardImages.h"
#include "CardPile.h"

void Card::Draw(CardImages& images, HDC hdc, int x, int y, bool showFace) const {
  if (faceUp || showFace) {
    images.DrawCard(hdc, x, y, CardImages::FaceMode, faceRank, faceSuit);
  } else {
    DrawBack(images, hdc, x, y);
  }
}

void Card::DrawBack(CardImages& images, HDC hdc, int x, int y) const {
  // Design 1 is whichever back the player chose.
  images.DrawCard(hdc, x, y, CardImages::BackMode, 1);
}

void CardPile::Paint(CardImages& images, HDC hdc) const {
  const int left = bounds.left;
  const int top = bounds.top;
  if (layout == kStack) {
    Card* first = FirstCard();
    if (!first) return;
    if (first->selected) {
      first->DrawBack(images, hdc, left, top);
      first->Draw(images, hdc, left, top - spacing, false);
    } else {
      first->Draw(images, hdc, left, top, false);
    }
    return;
  }
  const bool column =
      layout == kColumnFromAnchor || layout == kColumnCentred || layout == kColumnToAnchor;
  std::size_t i = 0;
  for (const Card* c : cards) {
    const CardPoint origin = CardOrigin(i);
    int x = origin.x;
    int y = origin.y;
    if (c->selected) {
      if (column) {
        x -= spacing;
      } else {
        y -= spacing;
      }
    }
    c->Draw(images, hdc, x, y, false);
    ++i;
  }
}

void InvalidateWindowArea(HWND window, const CardRect& area) {
  RECT r = {area.left, area.top, area.right, area.bottom};
  InvalidateRect(window, &r, FALSE);
}

void CardPile::PaintHighlight(HDC hdc) const {
  RECT r = {bounds.left - 4, bounds.top - 4, bounds.right + 4, bounds.bottom + 4};
  FillRect(hdc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}
