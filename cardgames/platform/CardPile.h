// Runs of cards placed on the table: hands, discard piles, melds, trick spots.
#pragma once
#include <cstdint>
#include <deque>

#include "Cards.h"

struct HWND__;  // HWND of the window units

// Same layout as the window system's rectangle and point.
struct CardRect {
  long left = 0;
  long top = 0;
  long right = 0;
  long bottom = 0;
};
struct CardPoint {
  long x = 0;
  long y = 0;
};

enum PileLayout : std::int32_t {
  kRowFromAnchor = 0,
  kRowCentred = 1,
  kRowToAnchor = 2,
  kColumnFromAnchor = 3,
  kColumnCentred = 4,
  kColumnToAnchor = 5,
  kStack = 6,  // only the first card is drawn
};

// The part of a card's top-left corner that shows its rank and suit: a row never draws
// its cards closer than this, nor its rows.
const std::int32_t kCornerIndexWidth = 12;
const std::int32_t kCornerIndexHeight = 28;

// The pile holds pointers into the game's deck and never owns them.
class CardPile {
 public:
  virtual ~CardPile() = 0;

  void SetPlacement(std::int32_t kind, std::int32_t x, std::int32_t y, std::int32_t spacing);
  // Keeps a row inside the area (an empty area: no limit). A row wider than the area is
  // drawn with its cards closer together, down to kCornerIndexWidth apart, and when even
  // that is too wide, in more rows kCornerIndexHeight apart, each row in front of the one
  // above it; the row moves inside the area when it would stick out, and where the rows
  // are higher than the area, the ones behind the front row reach above it.
  void KeepInside(const CardRect& area);
  std::int32_t TotalWidth() const;
  std::int32_t TotalHeight() const;
  void UpdateBounds();
  // Where the card at the index is drawn, before the lift of a selected card.
  CardPoint CardOrigin(std::size_t index) const;

  void AddCard(Card* card);
  void AddCardFirst(Card* card);
  // Removes the first occurrence (the first card for null); null when it is not here.
  Card* RemoveCard(Card* card);
  // Empties the pile; the bounds keep the old area until the next change.
  void Clear();
  void ReplaceCard(Card* oldCard, Card* newCard);
  void Shuffle(RandomSource& rng);
  void Sort(std::int32_t mode);

  Card* FirstCard() const;
  Card* LastCard() const;
  Card* FirstSelected() const;
  std::uint32_t CountSuit(std::int32_t suit) const;
  std::uint32_t CountRank(std::int32_t rank) const;
  std::uint32_t CountLowerInSuit(const Card* card) const;
  std::uint32_t CountHigherInSuit(const Card* card) const;
  // The (skip + 1)-th card of the suit, counting from the last card backwards.
  Card* FindCardOfSuit(std::int32_t suit, std::uint32_t skip) const;
  // Sets longestSuit and longInSuit.
  void FindLongestSuit(std::int32_t suit);

  bool HitTestAnchor(long x, long y) const;
  bool Contains(long x, long y) const;
  // Right and bottom edges excluded.
  bool ContainsPoint(const CardPoint& point) const;
  template <class Point>
  bool ContainsPoint(const Point& point) const {
    return ContainsPoint(CardPoint{point.x, point.y});
  }
  Card* CardAt(long x, long y) const;

  void ToggleSelect(Card* card);
  void Invalidate() const;
  // Area Invalidate covers: the bounds, grown by spacing up and left for a lifted card.
  CardRect InvalidArea() const;
  void Paint(CardImages& images, HDC__* hdc) const;
  void PaintHighlight(HDC__* hdc) const;

  bool multiSelect = false;
  bool longInSuit = false;
  std::int32_t cardHeight = 0;
  std::int32_t cardWidth = 0;
  std::int32_t spacing = 0;
  std::deque<Card*> cards;
  std::int32_t layout = 0;
  std::int32_t longestSuit = kSuitNone;
  std::int32_t anchorX = 0;
  std::int32_t anchorY = 0;
  CardRect bounds;
  HWND__* window = nullptr;
  CardRect fitArea;
  // The rows as UpdateBounds laid them out: the offset between neighbours in a row, the
  // number of rows and the cards in each (the last row may hold fewer).
  std::int32_t cardStep = 0;
  std::int32_t rowCount = 1;
  std::int32_t cardsPerRow = 0;

 private:
  void PlanRows();
  // Cards in each row as drawn: all of them while there is one row.
  std::size_t RowLength() const;
};

class CardStack : public CardPile {
 public:
  ~CardStack() override;
};

class PileIterator {
 public:
  explicit PileIterator(const CardPile& pile) : pile(&pile) {}
  Card* First();
  Card* FirstFromRandom(RandomSource& rng);
  Card* Next();
  Card* Last();
  Card* Prev();

  const CardPile* pile;
  std::size_t index = 0;
  std::size_t start = 0;
};

// Asks the window to repaint an area; nothing without a window system.
void InvalidateWindowArea(HWND__* window, const CardRect& area);
