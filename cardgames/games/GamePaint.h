// Drawing shared by the games' status areas and tables: the panels of names and values
// ("TEAM"/"SCORE", "GAME STATUS" with "PLAYER"/"TRICKS" and the like) and the stock
// drawn as stepped card backs.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CardGame;
class CardImages;

// While it lives, text is drawn as in the panels: colour 0xA3BCCE, transparent, the
// game's small font (for example around CardGame::DrawStatusLines).
class PanelText {
 public:
  PanelText(CardGame& game, HDC hdc);
  ~PanelText();
  PanelText(const PanelText&) = delete;
  PanelText& operator=(const PanelText&) = delete;

 private:
  CardGame& game_;
  HDC hdc_;
  int oldMode_;
  COLORREF oldColour_;
};

// A column of values right of the names, from left to right (window x), with its heading.
// A column narrower than its heading, or than the widest value it is given, needs at the
// panel's size is widened to the left when drawn, the names' column giving up the room.
// With widenForValues it is widened as well for the values of the rows drawn, and for
// those the names, their heading included, give up all their room.
struct PanelColumn {
  std::string heading;
  long left;
  long right;
  UINT format;  // of the values; headings are single line, bottom, centred
  std::string widest = std::string();
  bool widenForValues = false;
};

// One row: a name and one value per column (an empty value is not drawn).
struct PanelRow {
  std::string name;
  std::vector<std::string> values;
};

// A panel in the game's status area, small font, colour 0xA3BCCE: the header row at top
// (16 high; the name heading right-aligned in the names' column, the first 70 pixels while
// the columns leave them), rows from top + 24, 16 apart, a line under the header and one
// left of every column down to lineBottom.
void DrawPanel(CardGame& game, HDC hdc, long top, long lineBottom, const std::string& nameHeading,
               const std::vector<PanelColumn>& columns, const std::vector<PanelRow>& rows);
// The same under the heading "GAME STATUS" (status top + 150), the header at top + 180,
// lines down to top + 272; only while showStatusLines is set and the game is not dealing.
void DrawGameStatusPanel(CardGame& game, HDC hdc, const std::string& nameHeading,
                         const std::vector<PanelColumn>& columns, const std::vector<PanelRow>& rows);
// One value column from statusRect.left + 75 to statusRect.right - 5, as most panels have.
PanelColumn WideColumn(const CardGame& game, const std::string& heading, UINT format = 0x11);
// One row per seat: the seat's name and one value.
std::vector<PanelRow> SeatRows(const CardGame& game, const std::vector<std::string>& values);
// The "GAME STATUS" panel of "PLAYER" rows with one number per seat under the heading.
void DrawSeatNumbersPanel(CardGame& game, HDC hdc, const std::string& heading,
                          const std::function<std::int64_t(std::uint32_t)>& number);

// Backs shown for a stock: one for every five cards after the first, none for one card.
int StockBackCount(std::size_t cards);
// Card backs at y, the first at x and each next one 2 pixels further left.
void DrawStockBacks(CardImages& images, HDC hdc, int backs, int x, int y);
