// Text wrapping and drawing on a canvas, and vertical colour gradients.
#pragma once
#include <string>
#include <vector>

#include "Forms.h"

// Lines to be wrapped once: the quote character tells whether they were ("!" after it).
struct TTextLines {
  std::vector<std::string> lines;
  char quoteChar = '"';
  int charset = -1;  // taken from a charset line when drawn, for the redraws (-1: none)
};

// Cuts one line off the front of the text: whole words (each with its blank) while they fit
// the width in the canvas font; the first word is always taken.
void WrapText(TCanvas& canvas, std::string& text, int width, std::string& line);
// Wraps every line once; a line holding "~" is measured at twice the size, and each of its
// pieces starts with "~".
void WrapLines(TCanvas& canvas, int width, int size, TTextLines& lines);
// Draws the lines wrapped to the width, from (margin, margin); Hebrew and Arabic right-aligned.
// A first line whose first delimited item is a number 0..255 sets the charset instead.
void DrawWrappedText(TCanvas& canvas, const std::string& fontName, unsigned style, TTextLines& lines, int margin,
                     int width, int charset, TColor color, int size);
// Fills rows 0..rows-1, width pixels wide, from the top colour to the bottom colour.
void FillVerticalGradient(TCanvas& canvas, TColor top, TColor bottom, int width, int rows);
