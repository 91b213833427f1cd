// Builds without a window system have no window to repaint.
#include "CardPile.h"

void InvalidateWindowArea(HWND__*, const CardRect&) {}
