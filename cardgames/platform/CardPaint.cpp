// Drawing and repainting of cards and piles.
#include <windows.h>

#include "CardPile.h"

void InvalidateWindowArea(HWND window, const CardRect& area) {
  RECT r = {area.left, area.top, area.right, area.bottom};
  InvalidateRect(window, &r, FALSE);
}

void CardPile::PaintHighlight(HDC hdc) const {
  RECT r = {bounds.left - 4, bounds.top - 4, bounds.right + 4, bounds.bottom + 4};
  FillRect(hdc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}
