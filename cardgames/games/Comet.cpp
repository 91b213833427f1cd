#include "Comet.h"

#include "CardImages.h"
#include "GameResources.h"
#include "GameSteps.h"

namespace {

const char kTitle[] = "Comet";
const std::int32_t kIdValue = 0x41;
const std::int32_t kHandHoldTicks = 50;

}  // namespace

std::string CometName() { return kTitle; }

std::int32_t CometId() { return kIdValue; }

CardGame* CreateCometGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new CometGame(window, humanSeat, rng);
}

CometGame::CometGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : CardGame(window, 4, 12, 8, humanSeat, rng) {
  // No eights; the ace is low.
  AddRanks(deck, {kRankLowAce, 13, 12, 11, 10, 9, 7, 6, 5, 4, 3, 2});
}

CometGame::~CometGame() = default;

bool CometGame::IsComet(const Card* card) { return card && card->rank == 9 && card->suit == kSuitDiamonds; }

bool CometGame::ShowRules(HWND textBox) { return ShowRulesText(window, IDT_COMET_RULES, textBox); }

void CometGame::FindLowest(std::uint32_t seat) {
  for (std::uint32_t& low : lowestInSuit[seat]) low = kRankKing;
  for (const Card* c : seatList[seat].cards)
    if (c->suit >= 0 && c->suit < 5 && static_cast<std::uint32_t>(c->rank) < lowestInSuit[seat][c->suit])
      lowestInSuit[seat][c->suit] = static_cast<std::uint32_t>(c->rank);
}

void CometGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  statusLines[0] = "Hand " + std::to_string(handsPlayed + 1) + " of " + std::to_string(handsPerGame);
  lastCard = nullptr;
  TakeStockOfHands();
  for (Card* c : seatList[humanSeat].cards) c->faceUp = true;
  SetCurrentSeat(current);
}

void CometGame::TakeStockOfHands() {
  cometHolder = 0;
  for (std::uint32_t s = 0; s < seats; ++s) {
    for (std::uint8_t& k : holdsKing[s]) k = 0;
    for (const Card* c : seatList[s].cards) {
      if (c->rank == kRankKing) holdsKing[s][c->suit] = 1;
      if (IsComet(c)) cometHolder = s;
    }
    FindLowest(s);
  }
}

void CometGame::SetCurrentSeat(std::uint32_t seat) {
  CardGame::SetCurrentSeat(seat);
  statusLines[1] = current == humanSeat ? "It is your turn to play a card."
                                        : "It is " + seatList[current].name + "'s turn to play a card.";
  InvalidateStatus();
}

Card* CometGame::NextInSequence(const CardPile& hand) const {
  if (!lastCard || lastCard->rank == kRankKing) return nullptr;
  for (Card* c : hand.cards)
    if (c->suit == lastCard->suit && c->rank == lastCard->rank + 1) return c;
  return nullptr;
}

bool CometGame::IsPlayable(std::uint32_t seat, const Card* card, const Card* forced) const {
  if (!card) return false;
  if (forced) return card == forced;
  if (IsComet(card)) return true;
  return card->suit >= 0 && card->suit < 5 && static_cast<std::uint32_t>(card->rank) <= lowestInSuit[seat][card->suit];
}

void CometGame::PlayCard(std::uint32_t seat, Card* card) {
  if (!card || seat >= seats) return;
  if (card->rank == kRankKing) {
    holdsKing[seat][card->suit] = 0;
    scores[seat] += 1;
  } else if (IsComet(card)) {
    cometHolder = seats;
    scores[seat] += 2;
  }
  card->selected = false;
  card->faceUp = true;
  seatList[seat].playedCard = nullptr;
  PlayBeep();
  seatList[seat].RemoveCard(card);
  lastCard = card;
  FindLowest(seat);
  if (window) InvalidateRect(window, &centreRect, FALSE);
  InvalidateTable();
  InvalidateStatus();
  if (seatList[seat].cards.empty()) {
    for (std::uint32_t other = 0; other < seats; ++other) {
      if (other == seat) continue;
      scores[seat] += static_cast<std::int32_t>(seatList[other].cards.size());
      // The comet still in a hand: the other three score a point each.
      if (cometHolder < seats) scores[other] += 1;
    }
    handOverCountdown = kHandHoldTicks;
    statusLines[1] = "This hand is over.";
    SetState(HandOver);
    return;
  }
  for (std::uint32_t s = 0; s < seats; ++s)
    if (NextInSequence(seatList[s])) {
      SetCurrentSeat(s);
      return;
    }
  SetCurrentSeat(seat);
}

Card* CometGame::ChooseCard() {
  SeatRecord& hand = seatList[current];
  Card* forced = NextInSequence(hand);
  if (forced) return forced;
  const std::uint8_t* kings = holdsKing[current];
  PileIterator walk(hand);
  Card* best = nullptr;
  for (Card* c = walk.FirstFromRandom(*rng); c; c = walk.Next()) {
    if (!IsPlayable(current, c, nullptr)) continue;
    if (IsComet(c)) return c;
    if (!best) {
      best = c;
    } else if (!kings[best->suit]) {
      if (kings[c->suit] || c->rank > best->rank) best = c;
    } else if (c->rank > best->rank && (c->suit == best->suit || kings[c->suit])) {
      best = c;
    }
  }
  return best;
}

void CometGame::OnTimer() {
  if (CommonTick(*this, kTitle, false) == Playing) PlayTurn();
}

void CometGame::OnLButtonDown(LPARAM lParam) {
  DispatchClick(*this, kTitle, lParam, &CometGame::HumanClick, true);
}

void CometGame::HumanClick(long x, long y) {
  if (RefuseOutOfTurn(*this, kTitle)) return;
  SeatRecord& hand = seatList[humanSeat];
  Card* card = SelectThenConfirm(hand, x, y);
  if (!card) return;
  if (IsPlayable(humanSeat, card, NextInSequence(hand))) {
    gameInProgress = true;
    PlayCard(humanSeat, card);
  } else {
    ShowInfo(kTitle, "That card is not allowed at this time.");
  }
}

void CometGame::Layout() {
  long w = 0, h = 0;
  if (!SizeHands(*this, w, h)) return;
  const RECT& t = tableRect;
  const long width = t.right - t.left;
  const long height = t.bottom - t.top;
  centreRect = RECT{t.left + (width - w) / 2, t.top + (height - h) / 2, 0, 0};
  centreRect.right = centreRect.left + w;
  centreRect.bottom = centreRect.top + h;
  const long midY = t.top + height / 2;
  seatList[0].SetPlacement(kRowCentred, t.left + width / 2, t.bottom - h - 5, 20);
  seatList[1].SetPlacement(kRowCentred, t.left + width / 2, t.top + 5, 20);
  seatList[2].SetPlacement(kColumnCentred, t.left + 5, midY, 20);
  seatList[3].SetPlacement(kColumnCentred, t.right - w - 5, midY, 20);
  const CardRect& b0 = seatList[0].bounds;
  const CardRect& b1 = seatList[1].bounds;
  const CardRect& b2 = seatList[2].bounds;
  const CardRect& b3 = seatList[3].bounds;
  seatList[0].SetLabel(0x29, t.left, t.right, t.top, b0.top - 10);
  seatList[1].SetLabel(0x21, t.left, t.right, b1.bottom + 10, t.bottom);
  seatList[2].SetLabel(0x24, b2.right + 10, t.right, t.top, t.bottom);
  seatList[3].SetLabel(0x26, t.left, b3.left - 10, t.top, t.bottom);
}

void CometGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  if (cardImages) {
    for (std::uint32_t s = 0; s < seats; ++s) seatList[s].Paint(*cardImages, hdc);
    if (lastCard) lastCard->Draw(*cardImages, hdc, centreRect.left, centreRect.top, true);
  }
  for (std::uint32_t s = 0; s < seats; ++s) PaintSeatLabel(*this, hdc, s);
  CardGame::Paint(hdc);
}
