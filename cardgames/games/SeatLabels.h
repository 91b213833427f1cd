// The seats' names on the table, as the table games draw them.
#pragma once
#include <windows.h>

class CardGame;

// Every seat's name in its label rectangle and format, big font, transparent, in the
// seat's colour (the dealer's stands out).
void DrawSeatNames(CardGame& game, HDC hdc);
