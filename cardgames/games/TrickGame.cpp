#include "TrickGame.h"

#include <sstream>

#include "CardImages.h"
#include "GameSteps.h"

namespace {

// Where a seat sits: seat 0 at the bottom, then clockwise.
enum TablePlace { kBottom, kLeft, kTop, kRight };

TablePlace PlaceOf(std::uint32_t seat, std::uint32_t seats) {
  if (seats == 2) return seat == 0 ? kBottom : kTop;
  return static_cast<TablePlace>(seat % 4);
}

RECT CardRectAt(long left, long top, long width, long height) { return RECT{left, top, left + width, top + height}; }

const char kNotAllowed[] = "That card is not allowed at this time.";

}  // namespace

std::string CardText(const Card& card) {
  std::ostringstream out;
  out << card;
  return out.str();
}

TrickGame::TrickGame(HWND window, const std::string& title, UINT rulesId, std::uint32_t seats,
                     std::uint32_t cardsPerHand, std::uint32_t handsPerGame, std::uint32_t humanSeat, RandomSource& rng)
    : CardGame(window, seats, cardsPerHand, handsPerGame, humanSeat, rng), title(title), rulesId(rulesId) {}

TrickGame::~TrickGame() = default;

bool TrickGame::ShowRules(HWND textBox) { return ShowRulesText(window, rulesId, textBox); }

void TrickGame::ShowHandNumber() {
  statusLines[0] = "Hand " + std::to_string(handsPlayed + 1) + " of " + std::to_string(handsPerGame);
}

void TrickGame::TurnUpTrump(Card* card) {
  trumpCard = card;
  if (card) {
    card->faceUp = true;
    tricks.SetTrumpFromCard(*card);
  } else {
    tricks.ClearTrump();
  }
}

void TrickGame::TurnHumanCardsUp() {
  for (Card* card : seatList[humanSeat % 4].cards) card->faceUp = true;
}

void TrickGame::ResetTricks() {
  for (std::uint32_t s = 0; s < 4; ++s) {
    tricksWon[s] = 0;
    tableCards[s] = nullptr;
  }
}

void TrickGame::SetCurrentSeat(std::uint32_t seat) {
  CardGame::SetCurrentSeat(seat);
  const std::string who = current == humanSeat ? "your" : seatList[current % 4].name + "'s";
  const std::int32_t state = GetState();
  if (state == Bidding) {
    statusLines[1] = "It is " + who + " turn to bid.";
  } else if (state == Playing) {
    if (!tricks.ledCard) {
      if (separatePlayPrompt) statusLines[2].clear();
      statusLines[1] = "It is " + who + " turn to lead a card.";
    } else {
      statusLines[separatePlayPrompt ? 2 : 1] = "It is " + who + " turn to play a card.";
    }
  }
}

void TrickGame::PlayCard(std::uint32_t seat, Card* card) {
  if (!card || seat >= seats || seat >= 4) return;
  if (showLeadLine && tricks.playedCount == 0) statusLines[1] = "Lead: " + CardText(*card);
  card->selected = false;
  card->faceUp = true;
  PlayBeep();
  seatList[seat].playedCard = card;
  tricks.Play(card, static_cast<std::int32_t>(seat));
  seatList[seat].RemoveCard(card);
  tableCards[seat] = card;
  InvalidateStatus();
  if (window) InvalidateRect(window, &trickRects[seat], FALSE);
}

bool TrickGame::HoldRunsOut() { return ::HoldRunsOut(*this); }

void TrickGame::OnTimer() {
  switch (CommonTick(*this, title, false)) {
    case Bidding:
      if (AllSeatsHaveBid()) {
        EndBidding();
      } else {
        BidTurn();
        if (GetState() == Bidding && current == humanSeat && seatList[current % 4].bid.kind == kNoBid) AskHumanBid();
      }
      break;
    case Playing:
      if (AllSeatsHavePlayed())
        TrickOver();
      else
        PlayTurn();
      break;
    case HoldA:
      if (HoldRunsOut()) EndBiddingHold();
      break;
    case HoldB:
      if (HoldRunsOut()) GatherTrick();
      break;
    default:
      break;
  }
}

void TrickGame::TrickOver() {
  if (separatePlayPrompt) statusLines[2].clear();
  statusLines[1] = "This trick is over.";
  SetState(HoldB);
  const std::int32_t winner = tricks.winningSeat;
  if (winner >= 0 && winner < 4) ScoreTrick(winner);
  handOverCountdown = kTrickHoldTicks;
  InvalidateStatus();
}

void TrickGame::ScoreTrick(std::int32_t winner) { ++tricksWon[winner]; }

void TrickGame::ClearTrickCards() {
  for (std::uint32_t s = 0; s < 4; ++s) {
    if (s < seatList.size()) seatList[s].playedCard = nullptr;
    tableCards[s] = nullptr;
    if (window && s < seats) InvalidateRect(window, &trickRects[s], FALSE);
  }
}

void TrickGame::GatherTrick() {
  const std::int32_t winner = tricks.winningSeat;
  ClearTrickCards();
  TrickGathered(winner);
  if (HandIsOver()) {
    ScoreHand();
    statusLines[1] = "This hand is over.";
    handOverCountdown = kHandHoldTicks;
    SetState(HandOver);
  } else {
    StartNextTrick(winner);
  }
  InvalidateStatus();
}

void TrickGame::StartNextTrick(std::int32_t winner) {
  SetState(Playing);
  tricks.NewTrick();
  SetCurrentSeat(winner >= 0 && static_cast<std::uint32_t>(winner) < seats ? static_cast<std::uint32_t>(winner)
                                                                              : current);
}

void TrickGame::TrickGathered(std::int32_t) {}

bool TrickGame::HandIsOver() { return seatList[0].cards.empty(); }

void TrickGame::ScoreHand() {}

void TrickGame::AskHumanBid() {}

void TrickGame::BiddingClick(LPARAM) {}

void TrickGame::EndBidding() {
  statusLines[1] = "Bidding is over.";
  SetState(HoldA);
  tricks.NewTrick();
  handOverCountdown = kTrickHoldTicks;
  if (seats > 0) SetCurrentSeat((dealer + 1) % seats);
  InvalidateTable();
  InvalidateStatus();
}

void TrickGame::EndBiddingHold() {
  SetState(Playing);
  SetCurrentSeat(current);
  InvalidateTable();
  InvalidateStatus();
}

bool TrickGame::ClickEndsFinishedTrick() {
  if (GetState() != Playing || !AllSeatsHavePlayed()) return false;
  TrickOver();
  handOverCountdown = 0;
  return true;
}

Card* TrickGame::HumanCardClicked(LPARAM lParam) {
  if (ClickEndsFinishedTrick() || RefuseOutOfTurn(*this, title)) return nullptr;
  SeatRecord& hand = seatList[humanSeat % 4];
  // One card a trick, one bid a round: a second click before the turn moves on does nothing.
  if (GetState() == Bidding ? hand.bid.kind != kNoBid : hand.playedCard != nullptr) return nullptr;
  return SelectInHand(LOWORD(lParam), HIWORD(lParam));
}

Card* TrickGame::SelectInHand(long x, long y) {
  SeatRecord& hand = seatList[humanSeat % 4];
  const bool raised = hand.FirstSelected() != nullptr;
  Card* card = SelectThenConfirm(hand, x, y);
  if (labelOverHand && raised != (hand.FirstSelected() != nullptr)) InvalidateTable();
  return card;
}

long TrickGame::LabelBottomOverHand() const {
  const SeatRecord& hand = seatList[0];
  return hand.bounds.top - (hand.FirstSelected() ? hand.spacing : 0) - 10;
}

void TrickGame::OnLButtonDown(LPARAM lParam) {
  if (ClickOffersNewGame(*this, title)) return;
  switch (GetState()) {
    case Bidding:
      BiddingClick(lParam);
      break;
    case Playing:
      if (Card* card = HumanCardClicked(lParam)) {
        if (tricks.IsLegalPlay(card, seatList[humanSeat % 4])) {
          gameInProgress = true;
          PlayCard(humanSeat, card);
        } else {
          ShowInfo(title, kNotAllowed);
        }
      }
      break;
    case HoldA:
    case HoldB:
    case HandOver:
      handOverCountdown = 0;
      break;
    default:
      break;
  }
}

void TrickGame::Layout() {
  long w = 0, h = 0;
  if (!SizeHands(*this, w, h)) return;
  const RECT& t = tableRect;
  trumpCardRect = CardRectAt(t.right - w - 10, t.top + 40, w, h);
  trumpLabelRect = RECT{trumpCardRect.left, t.top + 10, trumpCardRect.right, t.top + 30};
  seatList[0].SetPlacement(kRowCentred, t.left + (t.right - t.left) / 2, t.bottom - h - 5, 20);
  for (std::uint32_t s = 1; s < 4; ++s) seatList[s].SetPlacement(kStack, 0, 0, 20);
  const long handTop = seatList[0].bounds.top;
  const long midX = (t.right - t.left - w) / 2 + t.left;
  const long midY = (t.bottom - t.top - h) / 2 + t.top;
  for (std::uint32_t s = 0; s < seats && s < 4; ++s) {
    RECT& r = trickRects[s];
    switch (PlaceOf(s, seats)) {
      case kBottom:
        r = CardRectAt(midX, handTop - h - 30, w, h);
        seatList[s].SetLabel(0x29, t.left, t.right, t.top, LabelBottomOverHand());
        labelOverHand = true;
        break;
      case kLeft:
        r = CardRectAt(t.left + 5, midY, w, h);
        seatList[s].SetLabel(0x24, r.right + 10, t.right, r.top, r.bottom);
        break;
      case kTop:
        r = CardRectAt(midX, t.top + 5, w, h);
        seatList[s].SetLabel(0x21, t.left, t.right, r.bottom + 10, t.bottom);
        break;
      case kRight:
        r = CardRectAt(t.right - w - 5, midY, w, h);
        seatList[s].SetLabel(0x26, t.left, r.left - 10, r.top, r.bottom);
        break;
    }
  }
}

std::string TrickGame::SeatLabel(std::uint32_t seat) { return seatList[seat % 4].name; }

void TrickGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  PaintTable(hdc);
  CardGame::Paint(hdc);
}

void TrickGame::PaintTable(HDC hdc) {
  if (labelOverHand) seatList[0].labelRect.bottom = LabelBottomOverHand();
  if (cardImages) {
    if (trumpCard) trumpCard->Draw(*cardImages, hdc, trumpCardRect.left, trumpCardRect.top, true);
    for (std::uint32_t s = 0; s < seats && s < 4; ++s)
      if (tableCards[s]) tableCards[s]->Draw(*cardImages, hdc, trickRects[s].left, trickRects[s].top, true);
  }
  if (trumpCard) PaintTableLabel(*this, hdc, "Trump", trumpLabelRect);
  for (std::uint32_t s = 0; s < seats && s < 4; ++s) PaintSeatText(*this, hdc, s, SeatLabel(s));
  // The hand comes last, its selected card raised below the player's name.
  if (cardImages) seatList[humanSeat % 4].Paint(*cardImages, hdc);
}
