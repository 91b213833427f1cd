#include "Durok.h"

#include "CardImages.h"
#include "GamePaint.h"
#include "GameResources.h"
#include "GameSteps.h"

namespace {

const char kTitle[] = "Durok";
const std::int32_t kIdValue = 0x81;
const std::uint32_t kHandSize = 5;
const std::int32_t kHoldTicks = 20;

}  // namespace

std::string DurokName() { return kTitle; }

std::int32_t DurokId() { return kIdValue; }

CardGame* CreateDurokGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new DurokGame(window, humanSeat, rng);
}

DurokGame::DurokGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TableGame(window, kTitle, IDT_DUROK_RULES, 2, kHandSize, 1, humanSeat, rng), noCoverCard(2, kSuitClubs) {
  positiveScoresOnly = true;
  AddRankRun(deck, kRankHighAce, 2);
  seatList[humanSeat].multiSelect = true;
}

DurokGame::~DurokGame() { trumpCard = nullptr; }

bool DurokGame::IsTrump(const Card& card) const { return trumpCard && card.suit == trumpCard->suit; }

std::int32_t DurokGame::CardValue(const Card& card) const { return card.rank + (IsTrump(card) ? 5 : 0); }

bool DurokGame::CanCover(const Card& cover, const Card& sent) const {
  if (cover.suit == sent.suit) return cover.rank > sent.rank;
  return IsTrump(cover);
}

void DurokGame::StartDeal(bool newGame, bool randomDealer, bool) {
  CardGame::StartDeal(newGame, randomDealer, true);
  sending = true;
  trumpCard = deck.BottomCard();
  if (trumpCard) trumpCard->faceUp = true;
  statusLines[0].clear();
  for (int i = 0; i < kSlots; ++i) sentSlots[i] = coverSlots[i] = nullptr;
  outOfPlay.Clear();
  SetCurrentSeat(current);
  for (Card* c : seatList[humanSeat].cards) c->faceUp = true;
}

void DurokGame::SetCurrentSeat(std::uint32_t seat) {
  CardGame::SetCurrentSeat(seat);
  const std::string task = sending ? "send cards." : "cover cards.";
  statusLines[1] = current == humanSeat ? "It is your turn to " + task : "It is " + seatList[current].name + "'s turn to " + task;
  for (std::uint32_t s = 0; s < seats; ++s) {
    SeatRecord& hand = seatList[s];
    while (hand.cards.size() < kHandSize && !deck.stock.empty()) {
      Card* c = deck.Draw();
      // The computer's last draw is the face-up trump: it goes into the hand face down.
      if (s == humanSeat) c->faceUp = true;
      else if (deck.stock.empty()) c->faceUp = false;
      hand.AddCard(c);
    }
    hand.Sort(sortMode);
  }
  statusLines[0] = std::to_string(deck.stock.size()) + " cards left in the deck";
}

bool DurokGame::IsLegalSend() const {
  int n = 0, pairs = 0;
  bool open[15] = {};
  for (const Card* c : seatList[humanSeat].cards) {
    if (!c->selected) continue;
    ++n;
    const std::int32_t r = c->rank >= 0 && c->rank < 15 ? c->rank : 0;
    if (open[r]) ++pairs;
    open[r] = !open[r];
  }
  const std::size_t other = seatList[(humanSeat + 1) % seats].cards.size();
  return n > 0 && static_cast<std::size_t>(n) <= other && (n == 1 || (n == 3 && pairs == 1) || (n == 5 && pairs == 2));
}

void DurokGame::Send(std::uint32_t seat) {
  SeatRecord& hand = seatList[seat];
  std::vector<Card*> chosen;
  for (Card* c : hand.cards)
    if (c->selected) chosen.push_back(c);
  int slot = chosen.size() >= 5 ? 0 : chosen.size() >= 3 ? 1 : 2;
  for (Card* c : chosen) {
    if (slot >= kSlots) break;
    c->selected = false;
    c->faceUp = true;
    sentSlots[slot++] = c;
    hand.RemoveCard(c);
  }
  sending = false;
  if (!EndCheck(seat)) {
    SetCurrentSeat((current + 1) % seats);
    PlayBeep();
  }
  InvalidateTable();
  InvalidateStatus();
}

void DurokGame::Discard(Card* card) {
  if (card && card != &noCoverCard) outOfPlay.AddCard(card);
}

void DurokGame::Take(std::uint32_t seat) {
  SeatRecord& hand = seatList[seat];
  bool coveredAll = true;
  for (int i = 0; i < kSlots; ++i) {
    if (coverSlots[i] && coverSlots[i] != &noCoverCard) {
      Discard(sentSlots[i]);
      Discard(coverSlots[i]);
      sentSlots[i] = nullptr;
    }
    coverSlots[i] = nullptr;
    if (sentSlots[i]) {
      sentSlots[i]->faceUp = seat == humanSeat;
      hand.AddCard(sentSlots[i]);
      sentSlots[i] = nullptr;
      coveredAll = false;
    }
  }
  if (!EndCheck(seat)) {
    hand.Sort(sortMode);
    sending = true;
    SetCurrentSeat(coveredAll ? seat : (current + 1) % seats);
    PlayBeep();
    SetState(Playing);
  }
  InvalidateTable();
  InvalidateStatus();
}

bool DurokGame::EndCheck(std::uint32_t seat) {
  if (!seatList[seat].cards.empty() || !deck.stock.empty()) return false;
  const std::uint32_t winner = seatList[humanSeat].cards.empty() ? humanSeat : (humanSeat + 1) % seats;
  std::int32_t won = 0;
  for (std::uint32_t s = 0; s < seats; ++s)
    for (const Card* c : seatList[s].cards) won += CardValue(*c);
  for (const Card* c : sentSlots)
    if (c) won += CardValue(*c);
  scores[winner] += won;
  handOverCountdown = kHoldTicks;
  SetState(HandOver);
  return true;
}

bool DurokGame::SelectPairs(int pairs, std::int32_t bar) {
  SeatRecord& hand = seatList[current];
  Card* entered[15] = {};
  int found = 0;
  PileIterator walk(hand);
  for (Card* c = walk.FirstFromRandom(*rng); c && found < pairs; c = walk.Next()) {
    if (IsTrump(*c) && c->rank >= bar) continue;
    const std::int32_t r = c->rank >= 0 && c->rank < 15 ? c->rank : 0;
    if (entered[r]) {
      entered[r]->selected = c->selected = true;
      entered[r] = nullptr;
      ++found;
    } else {
      entered[r] = c;
    }
  }
  if (found == pairs) return true;
  for (Card* c : hand.cards) c->selected = false;
  return false;
}

void DurokGame::ComputerSend() {
  SeatRecord& hand = seatList[current];
  const SeatRecord& other = seatList[(current + 1) % seats];
  if (hand.cards.empty()) {
    EndCheck(current);
    return;
  }
  const std::int32_t trumpRank = trumpCard ? trumpCard->rank : 0;
  const std::size_t stock = deck.stock.size();
  for (Card* c : hand.cards) c->selected = false;
  int chosen = 0;
  if (hand.cards.size() > 4 && other.cards.size() > 4 &&
      SelectPairs(2, stock >= 6 ? 10 : trumpRank > 10 ? trumpRank : 2))
    chosen = 4;
  else if (hand.cards.size() > 2 && other.cards.size() > 2 &&
           SelectPairs(1, stock < 4 && trumpRank > 10 ? trumpRank : 10))
    chosen = 2;
  // One more card: a plain card before a trump, from a long suit, else the lowest.
  Card* best = nullptr;
  for (Card* c : hand.cards) {
    if (c->selected) continue;
    if (!best) {
      best = c;
    } else if (IsTrump(*best)) {
      if (!IsTrump(*c) || c->rank < best->rank) best = c;
    } else if (!IsTrump(*c) && (hand.CountSuit(c->suit) > hand.CountSuit(best->suit) || c->rank < best->rank)) {
      best = c;
    }
  }
  if (best) best->selected = true;
  if (chosen > 0 || best) Send(current);
}

void DurokGame::ComputerCover() {
  SeatRecord& hand = seatList[current];
  const std::size_t stock = deck.stock.size();
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < kSlots; ++i) {
      Card* sent = sentSlots[i];
      if (!sent || coverSlots[i] || IsTrump(*sent) != (pass == 0)) continue;
      const bool a = stock < 8 || !IsTrump(*sent) || sent->rank < 6;
      const bool b = stock < 5;
      Card* best = nullptr;
      PileIterator walk(hand);
      for (Card* c = walk.FirstFromRandom(*rng); c; c = walk.Next()) {
        const bool candidate = !IsTrump(*c) || (a && (b || c->rank < 8));
        if (!candidate || !CanCover(*c, *sent)) continue;
        if (!best || (IsTrump(*best) && !IsTrump(*c)) || (best->suit == c->suit && c->rank < best->rank)) best = c;
      }
      if (!best) continue;
      best->selected = false;
      best->faceUp = true;
      coverSlots[i] = best;
      hand.RemoveCard(best);
    }
  }
  for (int i = 0; i < kSlots; ++i)
    if (sentSlots[i] && !coverSlots[i]) coverSlots[i] = &noCoverCard;
  handOverCountdown = kHoldTicks;
  SetState(HoldB);
  InvalidateTable();
  InvalidateStatus();
}

void DurokGame::PlayingTick() {
  if (current == humanSeat) return;
  if (sending)
    ComputerSend();
  else
    ComputerCover();
}

void DurokGame::HoldEnded() { Take(current); }

void DurokGame::FinishHand() {
  ClearStatusLines();
  statusLines[0] = "The game is over.";
  InvalidateStatus();
  SetState(GameOver);
}

void DurokGame::HumanClick(long x, long y) {
  SeatRecord& hand = seatList[humanSeat];
  if (Card* card = hand.CardAt(x, y)) {
    hand.ToggleSelect(card);
    return;
  }
  Card* cover = hand.FirstSelected();
  if (sending || !cover || !cardImages) return;
  for (int i = 0; i < kSlots; ++i) {
    const POINT& p = slotPositions[i];
    const bool inside = x > p.x && x < p.x + cardImages->CardWidth() && y > p.y && y < p.y + cardImages->CardHeight();
    if (!inside || !sentSlots[i]) continue;
    if (!CanCover(*cover, *sentSlots[i])) {
      ShowInfo(kTitle, "You may not cover with that card.");
      return;
    }
    gameInProgress = true;
    cover->selected = false;
    hand.RemoveCard(cover);
    Discard(sentSlots[i]);
    Discard(cover);
    sentSlots[i] = nullptr;
    InvalidateTable();
    if (EndCheck(humanSeat)) return;
    bool left = false;
    for (const Card* c : sentSlots) left |= c != nullptr;
    if (!left) {
      sending = true;
      SetCurrentSeat(current);
      InvalidateStatus();
    }
    return;
  }
}

void DurokGame::OnRButtonDown(LPARAM) {
  if (GetState() != Playing) return;
  if (current != humanSeat) {
    ShowTurnMessage(kTitle, seatList[current].name);
    return;
  }
  if (!sending) {
    Take(humanSeat);
  } else if (!IsLegalSend()) {
    ShowInfo(kTitle, "That is not a legal play.");
  } else {
    gameInProgress = true;
    Send(humanSeat);
  }
}

void DurokGame::Layout() {
  long w = 0, h = 0;
  if (!SizeHands(*this, w, h)) return;
  const RECT& t = tableRect;
  const long midX = t.left + (t.right - t.left) / 2;
  const long gap = (t.right - 5 * w - t.left) / 6;
  const long slotTop = t.top + (t.bottom - t.top - h) / 2;
  for (int i = 0; i < kSlots; ++i) slotPositions[i] = POINT{t.left + gap * (i + 1) + i * w, slotTop};
  // A hand that grows keeps to its side of the slots (and of the covers drawn above them),
  // with room for its label.
  seatList[1].KeepInside({t.left, t.top, t.right, slotTop - 10 - kLabelRoom});
  seatList[0].KeepInside({t.left, slotTop + h + kLabelRoom, t.right, t.bottom});
  seatList[1].SetPlacement(kRowCentred, midX, t.top + 10, 20);
  seatList[0].SetPlacement(kRowCentred, midX, t.bottom - h - 10, 20);
  PlaceLabels();
  stockRect = RECT{t.right - w - 10, t.top + 40, t.right - 10, t.top + 40 + h};
  trumpLabelRect = RECT{t.right - w - 10, t.top + 10, t.right - 10, t.top + 30};
}

void DurokGame::PlaceLabels() {
  const RECT& t = tableRect;
  seatList[0].SetLabel(0x29, t.left, t.right, 0, seatList[0].bounds.top - 10);
  seatList[1].SetLabel(0x21, t.left, t.right, seatList[1].bounds.bottom + 10, t.bottom);
}

void DurokGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  PlaceLabels();
  if (cardImages) {
    CardImages& images = *cardImages;
    seatList[0].Paint(images, hdc);
    seatList[1].Paint(images, hdc);
    if (!deck.stock.empty()) {
      if (trumpCard) trumpCard->Draw(images, hdc, stockRect.left, stockRect.top, true);
      DrawStockBacks(images, hdc, StockBackCount(deck.stock.size()), stockRect.left - images.CardWidth() / 2,
                     stockRect.top);
    }
    for (int i = 0; i < kSlots; ++i) {
      const POINT& p = slotPositions[i];
      if (sentSlots[i]) sentSlots[i]->Draw(images, hdc, p.x, p.y, false);
      if (coverSlots[i]) coverSlots[i]->Draw(images, hdc, p.x - 10, p.y - 10, false);
    }
  }
  PaintSeatLabels(*this, hdc);
  if (!deck.stock.empty()) PaintTableLabel(*this, hdc, "Trump", trumpLabelRect);
  CardGame::Paint(hdc);
  PaintCardsLeft(*this, hdc, "CARDS");
}
