#include "GamePaint.h"

#include <algorithm>

#include "CardGame.h"
#include "CardImages.h"

namespace {

const COLORREF kPanelColour = 0xA3BCCE;
const UINT kHeading = DT_SINGLELINE | DT_BOTTOM | DT_CENTER;
const UINT kNameHeading = DT_SINGLELINE | DT_BOTTOM | DT_RIGHT;
const UINT kName = DT_SINGLELINE | DT_RIGHT;
// Between a text and the column lines beside it.
const long kTextGap = 3;
// From the sides of the status area to the ends of the line under the header.
const long kPanelInset = 5;

long TextWidth(HDC hdc, const std::string& text) {
  SIZE size = {};
  GetTextExtentPoint32A(hdc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

// The text's width in the selected font's face at the height given.
long TextWidthAt(HDC hdc, const std::string& text, int height) {
  HGDIOBJ current = GetCurrentObject(hdc, OBJ_FONT);
  LOGFONTA lf;
  if (!current || !GetObjectA(current, sizeof(lf), &lf)) return TextWidth(hdc, text);
  lf.lfHeight = lf.lfHeight < 0 ? -height : height;
  lf.lfWidth = 0;
  HFONT font = CreateFontIndirectA(&lf);
  if (!font) return TextWidth(hdc, text);
  SelectObject(hdc, font);
  const long width = TextWidth(hdc, text);
  SelectObject(hdc, current);
  DeleteObject(font);
  return width;
}

// The room of a text's first letter and an ellipsis, shrunk to the height given.
long FirstLetterWidth(HDC hdc, const std::string& text, int height) {
  return text.empty() ? 0 : TextWidthAt(hdc, text.substr(0, 1) + "\x85", height);
}

// The columns as drawn, in the selected font: each as wide as its heading, widest value
// and (widenForValues) the rows' values need, the columns left of a widened one moved
// over; the first keeps clear of the name heading (past that a heading shrinks) unless a
// row's value needs that room too. The names and their heading keep their first letters
// even then: the columns right of them are moved back, each keeping what its values and
// its heading at the smallest size need, and a widened column's values shrink.
std::vector<PanelColumn> RoomForTexts(HDC hdc, long left, const std::string& nameHeading,
                                      std::vector<PanelColumn> columns, const std::vector<PanelRow>& rows) {
  bool forValues = false;
  for (std::size_t i = columns.size(); i-- > 0;) {
    PanelColumn& c = columns[i];
    if (i + 1 < columns.size()) c.right = std::min(c.right, columns[i + 1].left);
    long need = std::max(TextWidth(hdc, c.heading), TextWidth(hdc, c.widest));
    for (const PanelRow& row : rows) {
      if (!c.widenForValues || i >= row.values.size()) continue;
      const long value = TextWidth(hdc, row.values[i]);
      forValues = forValues || value > need;
      need = std::max(need, value);
    }
    c.left = std::min(c.left, c.right - need - 2 * kTextGap);
  }
  if (columns.empty()) return columns;
  long names = TextWidth(hdc, nameHeading);
  if (forValues) {
    names = FirstLetterWidth(hdc, nameHeading, kSmallestPanelText);
    for (const PanelRow& row : rows) names = std::max(names, FirstLetterWidth(hdc, row.name, kSmallestName));
  }
  // The first line stays inside the line under the header.
  columns.front().left = std::max(columns.front().left, left + std::max(names + kTextGap, kPanelInset + 1));
  for (std::size_t i = 0; forValues && i + 1 < columns.size(); ++i) {
    const PanelColumn& c = columns[i];
    long least = TextWidthAt(hdc, c.heading, kSmallestPanelText);
    for (const PanelRow& row : rows)
      if (i < row.values.size()) least = std::max(least, TextWidth(hdc, row.values[i]));
    least += 2 * kTextGap;
    columns[i + 1].left = std::min(std::max(columns[i + 1].left, c.left + least), columns[i + 1].right);
    columns[i].right = columns[i + 1].left;
  }
  return columns;
}

// Text of a column's cell: shrunk to fit between the column's lines, clear of them; words
// that do not fit on one line even at the smallest size take two.
void DrawCell(HDC hdc, const PanelColumn& c, const std::string& text, long top, UINT format) {
  const long kClear = 2, left = c.left + kClear, right = c.right - kClear, bottom = top + 16;
  if (!TextFitsIn(hdc, text, left, top, right, bottom, format, kSmallestPanelText))
    format = (format & ~UINT(DT_SINGLELINE | DT_VCENTER | DT_BOTTOM)) | DT_WORDBREAK;
  DrawFittedIn(hdc, text, left, top, right, bottom, format, kSmallestPanelText);
}

}  // namespace

PanelText::PanelText(CardGame& game, HDC hdc)
    : game_(game), hdc_(hdc), oldMode_(SetBkMode(hdc, TRANSPARENT)), oldColour_(SetTextColor(hdc, kPanelColour)) {
  game.smallFont.Select(hdc);
}

PanelText::~PanelText() {
  game_.smallFont.Restore();
  SetTextColor(hdc_, oldColour_);
  SetBkMode(hdc_, oldMode_);
}

void DrawPanel(CardGame& game, HDC hdc, long top, long lineBottom, const std::string& nameHeading,
               const std::vector<PanelColumn>& given, const std::vector<PanelRow>& rows) {
  const RECT& r = game.statusRect;
  std::vector<PanelColumn> columns;
  {
    PanelText text(game, hdc);
    columns = RoomForTexts(hdc, r.left, nameHeading, given, rows);
    // The first 70 pixels, less what the columns need; names cut short end in an ellipsis.
    const long namesRight = columns.empty() ? r.left + 70 : std::min(r.left + 70, columns.front().left - kTextGap);
    if (namesRight > r.left)
      DrawFittedIn(hdc, nameHeading, r.left, top, namesRight, top + 16, kNameHeading, kSmallestPanelText);
    for (const PanelColumn& c : columns) DrawCell(hdc, c, c.heading, top, kHeading);
    long y = top + 24;
    for (const PanelRow& row : rows) {
      if (namesRight > r.left) DrawNameIn(hdc, row.name, r.left, y, namesRight, y + 16, kName);
      for (std::size_t i = 0; i < columns.size() && i < row.values.size(); ++i)
        if (!row.values[i].empty()) DrawCell(hdc, columns[i], row.values[i], y, columns[i].format);
      y += 16;
    }
  }
  GdiPen pen(hdc, kPanelColour, 2);
  DrawLine(hdc, r.left + kPanelInset, top + 19, r.right - kPanelInset, top + 19);
  for (const PanelColumn& c : columns) DrawLine(hdc, c.left, top, c.left, lineBottom);
}

void DrawGameStatusPanel(CardGame& game, HDC hdc, const std::string& nameHeading,
                         const std::vector<PanelColumn>& columns, const std::vector<PanelRow>& rows) {
  if (!game.showStatusLines || game.GetState() == Dealing) return;
  const RECT& r = game.statusRect;
  {
    PanelText text(game, hdc);
    DrawTextIn(hdc, "GAME STATUS", r.left, r.top + 150, r.right, r.bottom, DT_SINGLELINE | DT_TOP | DT_CENTER);
  }
  DrawPanel(game, hdc, r.top + 180, r.top + 272, nameHeading, columns, rows);
}

PanelColumn WideColumn(const CardGame& game, const std::string& heading, UINT format) {
  return PanelColumn{heading, game.statusRect.left + 75, game.statusRect.right - 5, format};
}

std::vector<PanelRow> SeatRows(const CardGame& game, const std::vector<std::string>& values) {
  std::vector<PanelRow> rows;
  for (std::uint32_t s = 0; s < game.seats && s < 4 && s < values.size(); ++s)
    rows.push_back(PanelRow{game.seatList[s].name, {values[s]}});
  return rows;
}

void DrawSeatNumbersPanel(CardGame& game, HDC hdc, const std::string& heading,
                          const std::function<std::int64_t(std::uint32_t)>& number) {
  std::vector<std::string> values;
  for (std::uint32_t s = 0; s < game.seats && s < 4; ++s) values.push_back(std::to_string(number(s)));
  DrawGameStatusPanel(game, hdc, "PLAYER", {WideColumn(game, heading)}, SeatRows(game, values));
}

int StockBackCount(std::size_t cards) { return cards > 1 ? static_cast<int>((cards - 2) / 5 + 1) : 0; }

void DrawStockBacks(CardImages& images, HDC hdc, int backs, int x, int y) {
  for (int i = 0; i < backs; ++i) images.DrawCard(hdc, x - 2 * i, y, CardImages::BackMode, 1);
}
