#include "CardPile.h"

#include <algorithm>

namespace {
bool IsColumn(std::int32_t layout) {
  return layout == kColumnFromAnchor || layout == kColumnCentred || layout == kColumnToAnchor;
}
bool IsRow(std::int32_t layout) {
  return layout == kRowFromAnchor || layout == kRowCentred || layout == kRowToAnchor;
}
bool IsEmpty(const CardRect& r) { return r.right <= r.left || r.bottom <= r.top; }
// The distance that moves the span [low, high] inside [from, to], its start first.
long MoveInside(long low, long high, long from, long to) {
  if (high > to) return std::max(to - high, from - low);
  return low < from ? from - low : 0;
}
// The same, its end first.
long MoveInsideEndFirst(long low, long high, long from, long to) {
  if (low < from) return std::min(from - low, to - high);
  return high > to ? to - high : 0;
}
}  // namespace

CardPile::~CardPile() = default;

CardStack::~CardStack() = default;

void CardPile::SetPlacement(std::int32_t kind, std::int32_t x, std::int32_t y, std::int32_t sp) {
  layout = kind;
  anchorX = x;
  anchorY = y;
  spacing = sp;
  UpdateBounds();
}

void CardPile::KeepInside(const CardRect& area) {
  fitArea = area;
  UpdateBounds();
}

std::int32_t CardPile::TotalWidth() const {
  if (cards.empty()) return 0;
  if (layout >= kColumnFromAnchor && layout <= kStack) return cardWidth + 1;
  const std::size_t inRow = std::min(cards.size(), RowLength());
  return static_cast<std::int32_t>(inRow - 1) * cardStep + cardWidth + 1;
}

std::int32_t CardPile::TotalHeight() const {
  if (cards.empty()) return 0;
  if (IsColumn(layout)) return static_cast<std::int32_t>(cards.size() - 1) * spacing + cardHeight + 1;
  return (IsRow(layout) ? rowCount - 1 : 0) * kCornerIndexHeight + cardHeight + 1;
}

void CardPile::PlanRows() {
  const std::int32_t count = static_cast<std::int32_t>(cards.size());
  cardStep = spacing;
  rowCount = 1;
  cardsPerRow = count;
  if (!IsRow(layout) || IsEmpty(fitArea) || count < 2) return;
  // Room for the steps of one row; as many rows as keep the cards that far apart, however
  // high the area (the rows behind then reach above it).
  const long room = fitArea.right - fitArea.left - cardWidth - 1;
  if (static_cast<long>(count - 1) * spacing <= room) return;
  const std::int32_t narrowest = std::min(spacing, kCornerIndexWidth);
  for (rowCount = 1;; ++rowCount) {
    cardsPerRow = (count + rowCount - 1) / rowCount;
    cardStep = cardsPerRow > 1 ? static_cast<std::int32_t>(std::min<long>(spacing, room / (cardsPerRow - 1))) : spacing;
    if (cardStep >= narrowest || cardsPerRow <= 1) break;
  }
  cardStep = std::max(cardStep, 1);
}

void CardPile::UpdateBounds() {
  PlanRows();
  const long w = TotalWidth();
  const long h = TotalHeight();
  const long x = anchorX;
  const long y = anchorY;
  // Rows above the anchor's row lie behind it.
  const long above = static_cast<long>(rowCount - 1) * kCornerIndexHeight;
  switch (layout) {
    case kRowFromAnchor: bounds = {x, y - above, x + w, y + cardHeight}; break;
    case kRowCentred: bounds = {x - w / 2, y - above, x + w / 2, y + cardHeight}; break;
    case kRowToAnchor: bounds = {x - w, y - above, x, y + cardHeight}; break;
    case kColumnFromAnchor: bounds = {x, y, x + cardWidth, y + h}; break;
    case kColumnCentred: bounds = {x, y - h / 2, x + cardWidth, y + h / 2}; break;
    case kColumnToAnchor: bounds = {x, y - h, x + cardWidth, y}; break;
    case kStack: bounds = {x, y, x + cardWidth, y + cardHeight}; break;
    default: break;
  }
  if (IsRow(layout) && !IsEmpty(fitArea)) {
    // Higher than the area, the front row stays inside.
    const long dx = MoveInside(bounds.left, bounds.right, fitArea.left, fitArea.right);
    const long dy = MoveInsideEndFirst(bounds.top, bounds.bottom, fitArea.top, fitArea.bottom);
    bounds = {bounds.left + dx, bounds.top + dy, bounds.right + dx, bounds.bottom + dy};
  }
}

std::size_t CardPile::RowLength() const {
  return IsRow(layout) && rowCount > 1 ? static_cast<std::size_t>(std::max(cardsPerRow, 1))
                                       : std::max<std::size_t>(cards.size(), 1);
}

CardPoint CardPile::CardOrigin(std::size_t index) const {
  if (IsColumn(layout)) return {bounds.left, bounds.top + static_cast<long>(index) * spacing};
  if (layout == kStack) return {bounds.left, bounds.top};
  const std::size_t perRow = RowLength();
  return {bounds.left + static_cast<long>(index % perRow) * cardStep,
          bounds.top + static_cast<long>(index / perRow) * kCornerIndexHeight};
}

void CardPile::AddCard(Card* card) {
  if (!card) return;
  cards.push_back(card);
  UpdateBounds();
  Invalidate();
}

void CardPile::AddCardFirst(Card* card) {
  if (!card) return;
  cards.push_front(card);
  UpdateBounds();
  Invalidate();
}

Card* CardPile::RemoveCard(Card* card) {
  if (cards.empty()) return nullptr;
  auto it = card ? std::find(cards.begin(), cards.end(), card) : cards.begin();
  if (it == cards.end()) return nullptr;
  Card* removed = *it;
  cards.erase(it);
  Invalidate();
  UpdateBounds();
  return removed;
}

void CardPile::Clear() {
  cards.clear();
  Invalidate();
}

void CardPile::ReplaceCard(Card* oldCard, Card* newCard) {
  std::replace(cards.begin(), cards.end(), oldCard, newCard);
}

void CardPile::Shuffle(RandomSource& rng) { ShuffleSequence(cards, rng); }

void CardPile::Sort(std::int32_t mode) {
  bool (*before)(const Card*, const Card*) = CompareCardsCDSH;
  if (mode == kSortSHCD) before = CompareCardsSHCD;
  if (mode == kSortByRank) before = CompareCardsByRank;
  std::stable_sort(cards.begin(), cards.end(), before);
}

Card* CardPile::FirstCard() const { return cards.empty() ? nullptr : cards.front(); }

Card* CardPile::LastCard() const { return cards.empty() ? nullptr : cards.back(); }

Card* CardPile::FirstSelected() const {
  for (Card* c : cards) {
    if (c->selected) return c;
  }
  return nullptr;
}

std::uint32_t CardPile::CountSuit(std::int32_t suit) const {
  return static_cast<std::uint32_t>(
      std::count_if(cards.begin(), cards.end(), [&](const Card* c) { return c->suit == suit; }));
}

std::uint32_t CardPile::CountRank(std::int32_t rank) const {
  return static_cast<std::uint32_t>(std::count_if(
      cards.begin(), cards.end(), [&](const Card* c) { return c->faceRank == rank; }));
}

std::uint32_t CardPile::CountLowerInSuit(const Card* card) const {
  if (!card) return 0;
  return static_cast<std::uint32_t>(std::count_if(cards.begin(), cards.end(), [&](const Card* c) {
    return c->suit == card->suit && c->rank < card->rank;
  }));
}

std::uint32_t CardPile::CountHigherInSuit(const Card* card) const {
  if (!card) return 0;
  return static_cast<std::uint32_t>(std::count_if(cards.begin(), cards.end(), [&](const Card* c) {
    return c->suit == card->suit && c->rank > card->rank;
  }));
}

Card* CardPile::FindCardOfSuit(std::int32_t suit, std::uint32_t skip) const {
  for (auto it = cards.rbegin(); it != cards.rend(); ++it) {
    if ((*it)->suit != suit) continue;
    if (skip == 0) return *it;
    --skip;
  }
  return nullptr;
}

void CardPile::FindLongestSuit(std::int32_t suit) {
  longestSuit = kSuitNone;
  std::uint32_t most = 0;
  if (!cards.empty()) {
    longestSuit = kSuitClubs;
    most = CountSuit(kSuitClubs);
    for (std::int32_t s = kSuitDiamonds; s <= kSuitSpades; ++s) {
      std::uint32_t n = CountSuit(s);
      if (n > most) {
        most = n;
        longestSuit = s;
      }
    }
  }
  longInSuit = longestSuit == suit && longestSuit != kSuitNone && most > 4;
}

bool CardPile::HitTestAnchor(long x, long y) const {
  return x >= anchorX && x <= anchorX + cardWidth && y >= anchorY && y <= anchorY + cardHeight;
}

bool CardPile::Contains(long x, long y) const {
  return x >= bounds.left && x <= bounds.right && y >= bounds.top && y <= bounds.bottom;
}

bool CardPile::ContainsPoint(const CardPoint& p) const {
  return p.x >= bounds.left && p.x < bounds.right && p.y >= bounds.top && p.y < bounds.bottom;
}

Card* CardPile::CardAt(long x, long y) const {
  if (cards.empty()) return nullptr;
  // A selected card is drawn lifted by the spacing (moved left in a column): its raised
  // part answers for it, and the place it left shows what lies under it.
  if (layout == kStack || spacing == 0) {
    Card* first = cards.front();
    const long lift = layout == kStack && first->selected ? spacing : 0;
    const bool onRaised = lift > 0 && x >= bounds.left && x <= bounds.left + cardWidth && y >= bounds.top - lift &&
                          y <= bounds.top - lift + cardHeight;
    return Contains(x, y) || onRaised ? first : nullptr;
  }
  // Cards are drawn first to last, each over the one before: the last one under the point
  // is the one seen there. The last card of a full row reaches the far edge of the bounds.
  const bool column = IsColumn(layout);
  const std::size_t perRow = RowLength();
  for (std::size_t i = cards.size(); i-- > 0;) {
    const CardPoint origin = CardOrigin(i);
    long left = origin.x, top = origin.y;
    long right = left + cardWidth, bottom = top + cardHeight;
    if (column && i + 1 == cards.size()) bottom = bounds.bottom;
    if (!column && i % perRow + 1 == perRow) right = bounds.right;
    if (cards[i]->selected) {
      const long dx = column ? spacing : 0, dy = column ? 0 : spacing;
      left -= dx;
      right -= dx;
      top -= dy;
      bottom -= dy;
    }
    if (x >= left && x <= right && y >= top && y <= bottom) return cards[i];
  }
  return nullptr;
}

void CardPile::ToggleSelect(Card* card) {
  if (!card) return;
  if (card->selected) {
    card->selected = false;
  } else {
    if (!multiSelect) {
      for (Card* c : cards) c->selected = false;
    }
    card->selected = true;
  }
  Invalidate();
}

CardRect CardPile::InvalidArea() const {
  CardRect r = bounds;
  if (r.left > spacing) r.left -= spacing;
  if (r.top > spacing) r.top -= spacing;
  return r;
}

void CardPile::Invalidate() const {
  if (window) InvalidateWindowArea(window, InvalidArea());
}

Card* PileIterator::First() {
  index = 0;
  start = 0;
  return pile->cards.empty() ? nullptr : pile->cards.front();
}

Card* PileIterator::FirstFromRandom(RandomSource& rng) {
  const std::size_t count = pile->cards.size();
  if (count == 0) return nullptr;
  index = 0;
  start = rng.Next(static_cast<std::uint32_t>(count)) % count;
  return pile->cards[start];
}

Card* PileIterator::Next() {
  const std::size_t count = pile->cards.size();
  if (index + 1 >= count) return nullptr;
  ++index;
  return pile->cards[(start + index) % count];
}

Card* PileIterator::Last() {
  const std::size_t count = pile->cards.size();
  if (count == 0) return nullptr;
  start = 0;
  index = count - 1;
  return pile->cards.back();
}

Card* PileIterator::Prev() {
  if (index == 0 || index > pile->cards.size()) return nullptr;
  --index;
  return pile->cards[index];
}
