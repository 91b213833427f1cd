#include "Tablanette.h"

#include <algorithm>

#include "CardImages.h"
#include "GamePaint.h"
#include "GameResources.h"
#include "GameSteps.h"
#include "TrickGame.h"

namespace {

const char kTitle[] = "Tablanette";
const std::int32_t kIdValue = 0x100001;
const std::int32_t kShowTicks = 20;
const std::int32_t kHandHoldTicks = 50;
const std::int32_t kMajorityBonus = 3;

bool IsAce(const Card& card) { return card.rank == kRankHighAce || card.rank == kRankLowAce; }

}  // namespace

std::string TablanetteName() { return kTitle; }

std::int32_t TablanetteId() { return kIdValue; }

CardGame* CreateTablanetteGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new TablanetteGame(window, humanSeat, rng);
}

TablanetteGame::TablanetteGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TableGame(window, kTitle, IDT_TABLANETTE_RULES, 2, 4, 4, humanSeat, rng), lastCapturer(2) {
  AddRankRun(deck, kRankHighAce, 2);
  for (CardStack& place : places) place.window = window;
}

TablanetteGame::~TablanetteGame() = default;

std::int32_t TablanetteGame::CardValue(const Card& card) {
  switch (card.rank) {
    case 11:
      return 0;
    case 12:
      return 13;
    case kRankKing:
      return 14;
    case kRankHighAce:
    case kRankLowAce:
      return 1;
    default:
      return card.rank;
  }
}

std::int32_t TablanetteGame::TableValue() const {
  std::int32_t total = 0;
  for (const CardStack& place : places)
    for (const Card* c : place.cards) total += CardValue(*c);
  return total;
}

std::uint32_t TablanetteGame::OccupiedPlaces() const {
  std::uint32_t n = 0;
  for (const CardStack& place : places) n += !place.cards.empty();
  return n;
}

void TablanetteGame::Capture(std::uint32_t seat, Card* card) {
  ++captured[seat];
  const bool diamond = card->suit == kSuitDiamonds, club = card->suit == kSuitClubs;
  switch (card->rank) {
    case 10:
      scores[seat] += diamond ? 2 : 1;
      break;
    case 11:
      scores[seat] += club ? 2 : 1;
      break;
    case 12:
    case kRankKing:
    case kRankHighAce:
      scores[seat] += 1;
      break;
    default:
      break;
  }
  card->selected = false;
  takenCards.AddCard(card);
  InvalidateStatus();
}

void TablanetteGame::CapturePlace(std::uint32_t seat, std::uint32_t place) {
  lastCapturer = seat;
  for (Card* c : places[place].cards) Capture(seat, c);
  places[place].Clear();
  placeValues[place] = 0;
  comboFlags[place] = 0;
}

void TablanetteGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  statusLines[0] = "Hand " + std::to_string(handsPlayed + 1) + " of " + std::to_string(handsPerGame);
  deck.TurnAllFaceUp();
  std::fill(std::begin(placeValues), std::end(placeValues), 0);
  std::fill(std::begin(searchFlags), std::end(searchFlags), 0);
  std::fill(std::begin(comboFlags), std::end(comboFlags), 0);
  captured[0] = captured[1] = 0;
  lastPlayed = nullptr;
  lastCapturer = seats;
  comboPlace = kPlaces;
  for (CardStack& place : places) place.Clear();
  takenCards.Clear();
  for (std::uint32_t p = 0; p < 4; ++p) {
    Card* c = deck.Draw();
    if (!c) break;
    places[p].AddCard(c);
    placeValues[p] = CardValue(*c);
  }
  SetCurrentSeat(current);
}

void TablanetteGame::SetCurrentSeat(std::uint32_t seat) {
  CardGame::SetCurrentSeat(seat);
  std::fill(std::begin(comboFlags), std::end(comboFlags), 0);
  if (current == humanSeat) {
    statusLines[1] = "It is your turn to play.";
  } else {
    StartComputerDelay();
    statusLines[1] = "It is " + seatList[current].name + "'s turn to play.";
  }
}

void TablanetteGame::AdvanceTurn() {
  CardGame::AdvanceTurn();
  comboPlace = kPlaces;
  std::fill(std::begin(comboFlags), std::end(comboFlags), 0);
  PlayBeep();
  for (std::uint32_t s = 0; s < seats; ++s)
    if (!seatList[s].cards.empty()) return;
  if (deck.stock.empty()) {
    EndOfHand();
    return;
  }
  for (int pass = 0; pass < 2; ++pass)
    for (std::uint32_t s = 0; s < seats; ++s)
      for (int n = 0; n < 2; ++n)
        if (Card* c = deck.Draw()) seatList[s].AddCard(c);
  for (std::uint32_t s = 0; s < seats; ++s) seatList[s].Sort(sortMode);
  if (deck.stock.empty()) statusLines[2] = "Last Deal";
  InvalidateTable();
}

void TablanetteGame::EndOfHand() {
  // The last cards on the table go to the last seat that captured; to nobody when none did.
  for (std::uint32_t p = 0; p < kPlaces; ++p) {
    if (lastCapturer < seats) {
      CapturePlace(lastCapturer, p);
    } else {
      for (Card* c : places[p].cards) takenCards.AddCard(c);
      places[p].Clear();
      placeValues[p] = 0;
    }
  }
  const std::uint32_t other = (humanSeat + 1) % seats;
  if (captured[humanSeat] > captured[other]) scores[humanSeat] += kMajorityBonus;
  if (captured[other] > captured[humanSeat]) scores[other] += kMajorityBonus;
  handOverCountdown = kHandHoldTicks;
  statusLines[1] = "This hand is over.";
  statusLines[2].clear();
  SetState(HandOver);
  InvalidateStatus();
  InvalidateTable();
}

bool TablanetteGame::LayOnFullTable(std::uint32_t seat, Card* card) {
  if (OccupiedPlaces() < kPlaces || card->rank == 11) return false;
  const std::int32_t v = CardValue(*card);
  for (std::int32_t value : placeValues)
    if (value == v || (IsAce(*card) && value == 11)) return false;
  std::uint32_t fewest = 0;
  for (std::uint32_t p = 1; p < kPlaces; ++p)
    if (places[p].cards.size() < places[fewest].cards.size()) fewest = p;
  card->selected = false;
  seatList[seat].RemoveCard(card);
  places[fewest].AddCard(card);
  placeValues[fewest] = v;
  AdvanceTurn();
  return true;
}

void TablanetteGame::Play(std::uint32_t seat, Card* card) {
  if (!card || seat >= seats) return;
  card->selected = false;
  SeatRecord& hand = seatList[seat];
  if (card->rank == 11) {
    const std::int32_t tableValue = TableValue();
    scores[seat] += tableValue;
    for (std::uint32_t p = 0; p < kPlaces; ++p)
      if (!places[p].cards.empty()) CapturePlace(seat, p);
    hand.RemoveCard(card);
    Capture(seat, card);
    AdvanceTurn();
    InvalidateTable();
    return;
  }
  const bool human = seat == humanSeat;
  if (human && comboPlace < kPlaces && !comboFlags[comboPlace]) {
    ShowInfo(kTitle, "You must take the combined pile.");
    return;
  }
  if (human && LayOnFullTable(seat, card)) return;
  const std::int32_t v = CardValue(*card);
  bool cleared = true;
  bool any = false;
  for (std::uint32_t p = 0; p < kPlaces; ++p) {
    const bool empty = places[p].cards.empty();
    if (!comboFlags[p]) {
      if (!empty) cleared = false;
      continue;
    }
    if (empty) {
      hand.RemoveCard(card);
      places[p].AddCard(card);
      placeValues[p] = v;
      AdvanceTurn();
      InvalidateTable();
      return;
    }
    if (human && placeValues[p] != v && !(IsAce(*card) && placeValues[p] == 11)) {
      ShowInfo(kTitle, "Cannot take these cards.");
      return;
    }
    any = true;
  }
  if (!any) return;
  if (cleared) scores[seat] += TableValue() + v;
  for (std::uint32_t p = 0; p < kPlaces; ++p)
    if (comboFlags[p]) CapturePlace(seat, p);
  hand.RemoveCard(card);
  Capture(seat, card);
  comboPlace = kPlaces;
  AdvanceTurn();
  InvalidateStatus();
  InvalidateTable();
}

std::uint32_t TablanetteGame::CaptureSearch(std::int32_t v) {
  std::fill(std::begin(searchFlags), std::end(searchFlags), 0);
  std::uint32_t count = 0;
  auto open = [&](std::uint32_t p) { return !places[p].cards.empty() && !searchFlags[p]; };
  // Places summing to v; an ace among them may count 11.
  auto makes = [&](std::int32_t sum, bool ace) { return sum == v || (ace && v == sum + 10); };
  for (std::uint32_t i = 0; i < kPlaces; ++i) {
    if (!open(i)) continue;
    const std::int32_t vi = placeValues[i];
    if (vi == v || (vi == 1 && v == 11)) {
      searchFlags[i] = 1;
      ++count;
      continue;
    }
    bool found = false;
    for (std::uint32_t j = i + 1; j < kPlaces && !found; ++j) {
      if (!open(j)) continue;
      const std::int32_t vj = placeValues[j];
      if (makes(vi + vj, vi == 1 || vj == 1)) {
        searchFlags[i] = searchFlags[j] = 1;
        count += 2;
        found = true;
        break;
      }
      for (std::uint32_t k = j + 1; k < kPlaces; ++k) {
        if (!open(k)) continue;
        const std::int32_t vk = placeValues[k];
        if (makes(vi + vj + vk, vi == 1 || vj == 1 || vk == 1)) {
          searchFlags[i] = searchFlags[j] = searchFlags[k] = 1;
          count += 3;
          found = true;
          break;
        }
      }
    }
  }
  return count;
}

void TablanetteGame::ShowComputerPlay(Card* card) {
  lastPlayed = card;
  handOverCountdown = kShowTicks;
  SetState(HoldB);
  InvalidateTable();
  statusLines[1] = seatList[current].name + " Plays the " + CardText(*card);
}

void TablanetteGame::ComputerTurn() {
  SeatRecord& hand = seatList[current];
  if (hand.cards.empty()) return;
  Card* jack = nullptr;
  PileIterator walk(hand);
  for (Card* c = walk.FirstFromRandom(*rng); c; c = walk.Next())
    if (c->rank == 11) {
      jack = c;
      break;
    }
  std::uint32_t t = jack ? OccupiedPlaces() : 0;
  Card* best = nullptr;
  std::uint32_t bestCount = 0;
  PileIterator search(hand);
  for (Card* c = search.FirstFromRandom(*rng); c; c = search.Next()) {
    for (std::int32_t v : {CardValue(*c), IsAce(*c) ? 11 : -1}) {
      if (v < 0) continue;
      const std::uint32_t count = CaptureSearch(v);
      if (count > bestCount) {
        bestCount = count;
        best = c;
        std::copy(std::begin(searchFlags), std::end(searchFlags), std::begin(comboFlags));
      }
    }
  }
  if (best) {
    bool leftOver = false;
    for (std::uint32_t p = 0; p < kPlaces; ++p) leftOver |= !places[p].cards.empty() && !comboFlags[p];
    if (leftOver && t > 2) best = jack;
    ShowComputerPlay(best);
    return;
  }
  t = OccupiedPlaces();
  Card* chosen = hand.FirstCard();
  std::int32_t low = chosen->rank;
  PileIterator pick(hand);
  for (Card* c = pick.FirstFromRandom(*rng); c; c = pick.Next()) {
    if (c->rank == 11) {
      if (t > 0) {
        chosen = c;
        low = 11;
        if (t > 2) break;
      }
    } else if (c->rank < low || rng->Next(4) == 0) {
      chosen = c;
      low = c->rank;
    }
  }
  if (chosen->rank == 11) {
    ShowComputerPlay(chosen);
    return;
  }
  for (std::uint32_t p = 0; p < kPlaces; ++p)
    if (places[p].cards.empty()) {
      comboFlags[p] = 1;
      Play(current, chosen);
      return;
    }
  LayOnFullTable(current, chosen);
}

void TablanetteGame::Combine() {
  std::uint32_t n = 0, aces = 0, first = kPlaces;
  std::int32_t sum = 0;
  for (std::uint32_t p = 0; p < kPlaces; ++p) {
    if (!comboFlags[p]) continue;
    if (places[p].cards.size() != 1) {
      ShowInfo(kTitle, "Cannot combine these cards.");
      return;
    }
    if (first == kPlaces) first = p;
    ++n;
    sum += placeValues[p];
    aces += placeValues[p] == 1;
  }
  if (n < 2) {
    ShowInfo(kTitle, "You must select at least two piles to combine.");
    return;
  }
  const SeatRecord& hand = seatList[humanSeat];
  bool held = false;
  for (const Card* c : hand.cards) held |= CardValue(*c) == sum || (IsAce(*c) && sum == 11);
  if (!held && aces > 0)
    for (const Card* c : hand.cards)
      if (CardValue(*c) == sum + 10) {
        held = true;
        sum += 10;
        break;
      }
  if (!held) {
    ShowInfo(kTitle, "Cannot combine these cards.");
    return;
  }
  if (comboPlace < kPlaces && placeValues[comboPlace] != sum) {
    ShowInfo(kTitle, "Another combination is already in progress.");
    return;
  }
  const std::uint32_t target = comboPlace < kPlaces ? comboPlace : first;
  for (std::uint32_t p = 0; p < kPlaces; ++p) {
    if (!comboFlags[p] || p == target) continue;
    for (Card* c : places[p].cards) places[target].AddCard(c);
    places[p].Clear();
    placeValues[p] = 0;
  }
  std::fill(std::begin(comboFlags), std::end(comboFlags), 0);
  comboPlace = target;
  placeValues[target] = sum;
  InvalidateTable();
}

void TablanetteGame::PlayingTick() {
  if (current == humanSeat) return;
  ComputerTurn();
  InvalidateStatus();
}

void TablanetteGame::HoldEnded() {
  SetState(Playing);
  Card* card = lastPlayed;
  lastPlayed = nullptr;
  Play(current, card);
  InvalidateTable();
}

void TablanetteGame::HumanClick(long x, long y) {
  SeatRecord& hand = seatList[humanSeat];
  Card* selected = hand.FirstSelected();
  if (Card* card = hand.CardAt(x, y)) {
    if (std::find(std::begin(comboFlags), std::end(comboFlags), 1) != std::end(comboFlags)) {
      gameInProgress = true;
      Play(humanSeat, selected ? selected : card);
    } else {
      hand.ToggleSelect(card);
    }
    return;
  }
  for (std::uint32_t p = 0; p < kPlaces; ++p) {
    if (!places[p].HitTestAnchor(x, y)) continue;
    if (!selected) {
      if (!places[p].cards.empty()) comboFlags[p] = !comboFlags[p];
    } else {
      comboFlags[p] = 1;
      gameInProgress = true;
      Play(humanSeat, selected);
      comboFlags[p] = 0;
    }
    InvalidateTable();
    return;
  }
  if (selected) hand.ToggleSelect(selected);
}

void TablanetteGame::OnRButtonDown(LPARAM) {
  if (GetState() != Playing || current != humanSeat) return;
  Combine();
}

void TablanetteGame::Layout() {
  long w = 0, h = 0;
  if (!SizeHands(*this, w, h)) return;
  const RECT& t = tableRect;
  const long g1 = (t.right - 6 * w - t.left) / 7;
  const long g2 = (t.right - 7 * w - t.left) / 8;
  for (std::uint32_t p = 0; p < kPlaces; ++p) {
    places[p].cardWidth = w;
    places[p].cardHeight = h;
    if (p < 6)
      places[p].SetPlacement(kColumnFromAnchor, t.left + g1 + p * (g1 + w), t.top + 30, 20);
    else
      places[p].SetPlacement(kColumnFromAnchor, t.left + g2 + (p - 6) * (g2 + w), t.top + 30 + 80 + h, 20);
  }
  seatList[0].SetLabel(0x29, t.left, t.right, t.top, t.bottom - 5);
  seatList[1].SetLabel(0x21, t.left, t.right, t.top + 5, t.bottom);
  seatList[1].SetPlacement(kStack, 0, 0, 20);
  seatList[0].SetPlacement(kRowFromAnchor, t.left + (t.right - t.left) / 2, t.bottom - h - 40, 20);
  const long top = seatList[0].bounds.top;
  stockRect = RECT{t.right - w - 10, top, t.right - 10, top + h};
}

void TablanetteGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  if (cardImages) {
    seatList[humanSeat].Paint(*cardImages, hdc);
    DrawStockBacks(*cardImages, hdc, StockBackCount(deck.stock.size()),
                   stockRect.left - cardImages->CardWidth() / 2, stockRect.top);
    if (lastPlayed) lastPlayed->Draw(*cardImages, hdc, tableRect.left + 10, stockRect.top, true);
    for (std::uint32_t p = 0; p < kPlaces; ++p) {
      if (comboFlags[p]) places[p].PaintHighlight(hdc);
      DrawCardFrame(hdc, places[p].anchorX, places[p].anchorY);
      places[p].Paint(*cardImages, hdc);
    }
  }
  PaintSeatLabels(*this, hdc);
  CardGame::Paint(hdc);
  DrawSeatNumbersPanel(*this, hdc, "WINNINGS", [this](std::uint32_t s) { return captured[s]; });
}
