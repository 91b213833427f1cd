#include "Grafics.h"

#include "Utils.h"

void WrapText(TCanvas& canvas, std::string& text, int width, std::string& line) {
  size_t blank = text.find(' ');
  if (blank == std::string::npos) {
    line = text;
    text.clear();
    return;
  }
  line = text.substr(0, blank + 1);
  text.erase(0, blank + 1);
  while (!text.empty()) {
    blank = text.find(' ');
    std::string word = text.substr(0, blank);
    if (canvas.TextWidth(line) + canvas.TextWidth(word) > width) break;
    size_t take = blank == std::string::npos ? text.size() : blank + 1;
    line += text.substr(0, take);
    text.erase(0, take);
  }
}

void WrapLines(TCanvas& canvas, int width, int size, TTextLines& lines) {
  if (lines.quoteChar != '"') return;
  std::vector<std::string> wrapped;
  for (std::string rest : lines.lines) {
    size_t tilde = rest.find('~');
    bool big = tilde != std::string::npos;
    if (big) rest.erase(tilde, 1);
    canvas.Font().SetSize(big ? 2 * size : size);
    std::string line;
    do {
      WrapText(canvas, rest, width, line);
      wrapped.push_back(big ? "~" + line : line);
    } while (!rest.empty());
  }
  canvas.Font().SetSize(size);
  lines.lines = wrapped;
  lines.quoteChar = '!';
}

namespace {

// A charset line: its first delimited item is a number 0..255.
bool CharsetLine(const std::string& line, int& charset) {
  if (line.empty()) return false;
  std::string item = GetListItem(line, 0);
  if (item.empty() || item.size() > 3) return false;
  for (char c : item)
    if (c < '0' || c > '9') return false;
  int n = StrToIntDef(item, -1);
  if (n < 0 || n > 255) return false;
  charset = n;
  return true;
}

}  // namespace

void DrawWrappedText(TCanvas& canvas, const std::string& fontName, unsigned style, TTextLines& lines, int margin,
                     int width, int charset, TColor color, int size) {
  // The charset line is gone after the first drawing; redraws of the wrapped lines keep its charset.
  if (!lines.lines.empty() && CharsetLine(lines.lines.front(), charset)) {
    lines.lines.erase(lines.lines.begin());
    lines.charset = charset;
  } else if (lines.quoteChar != '"' && lines.charset >= 0) {
    charset = lines.charset;
  } else {
    lines.charset = -1;
  }
  const bool rtl = IsRightToLeftCharset(charset);
  canvas.SetTransparentText(true);
  TFont& font = canvas.Font();
  font.SetCharset(charset);
  font.SetName(fontName);
  font.SetSize(size);
  font.SetColor(color);
  font.SetStyle(style);
  canvas.SetRightToLeftReading(rtl);
  const int textWidth = width - 2 * margin;
  WrapLines(canvas, textWidth, size, lines);
  int y = margin;
  for (std::string line : lines.lines) {
    size_t tilde = line.find('~');
    bool big = tilde != std::string::npos;
    if (big) line.erase(tilde, 1);
    font.SetSize(big ? 2 * size : size);
    int x = margin;
    if (rtl) x = margin + (textWidth - canvas.TextWidth(line));
    canvas.TextAt(x, y, line);
    y += canvas.TextHeight(" ");
  }
  font.SetSize(size);
}

void FillVerticalGradient(TCanvas& canvas, TColor top, TColor bottom, int width, int rows) {
  if (rows <= 0 || width <= 0) return;
  const COLORREF c0 = ColorToRGB(top), c1 = ColorToRGB(bottom);
  const int from[3] = {GetRValue(c0), GetGValue(c0), GetBValue(c0)};
  const int to[3] = {GetRValue(c1), GetGValue(c1), GetBValue(c1)};
  const TColor keep = canvas.brushColor;
  for (int y = 0; y < rows; ++y) {
    // The last row takes the bottom colour itself.
    int ch[3];
    for (int i = 0; i < 3; ++i) ch[i] = rows > 1 ? from[i] + y * (to[i] - from[i]) / (rows - 1) : from[i];
    canvas.brushColor = RGB(ch[0], ch[1], ch[2]);
    RECT row = {0, y, width, y + 1};
    canvas.FillRect(row);
  }
  canvas.brushColor = keep;
}
