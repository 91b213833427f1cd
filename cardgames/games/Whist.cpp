#include "Whist.h"

#include <sstream>

#include "CardImages.h"
#include "GameResources.h"

namespace {

const char kTitle[] = "Whist";
const std::int32_t kIdValue = 0x400001;
const COLORREF kPanelColour = 0xA3BCCE;
const std::int32_t kTrickHoldTicks = 20;
const std::int32_t kHandHoldTicks = 50;

std::string CardText(const Card& card) {
  std::ostringstream out;
  out << card;
  return out.str();
}

RECT CardRectAt(long left, long top, long width, long height) { return RECT{left, top, left + width, top + height}; }

}  // namespace

std::string WhistName() { return kTitle; }

std::int32_t WhistId() { return kIdValue; }

CardGame* CreateWhistGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new WhistGame(window, humanSeat, rng);
}

WhistGame::WhistGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : CardGame(window, 4, 13, 8, humanSeat, rng) {
  for (std::int32_t rank = kRankHighAce; rank >= 2; --rank)
    for (std::int32_t suit = 0; suit < 4; ++suit) deck.AddToPack(suit, rank);
}

WhistGame::~WhistGame() = default;

void WhistGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  statusLines[0] = "Hand " + std::to_string(handsPlayed + 1) + " of " + std::to_string(handsPerGame);
  trumpCard = deck.lastDrawn;
  if (trumpCard) {
    trumpCard->faceUp = true;
    tricks.SetTrumpFromCard(*trumpCard);
  }
  for (std::uint32_t s = 0; s < 4; ++s) {
    holdsTrump[s] = 1;
    firstLedSuit[s] = kSuitNone;
    seatList[s].Sort(sortMode);
    seatList[s].FindLongestSuit(tricks.trump);
    tricksWon[s] = 0;
    tableCards[s] = nullptr;
  }
  for (Card* card : seatList[humanSeat % 4].cards) card->faceUp = true;
  SetCurrentSeat(current);
}

// The turn prompt; the lead stays on line 1 while the others play.
void WhistGame::SetCurrentSeat(std::uint32_t seat) {
  CardGame::SetCurrentSeat(seat);
  const std::string who = seat == humanSeat ? "your" : seatList[current % 4].name + "'s";
  if (!tricks.ledCard) {
    statusLines[2].clear();
    statusLines[1] = "It is " + who + " turn to lead a card.";
  } else {
    statusLines[2] = "It is " + who + " turn to play a card.";
  }
}

void WhistGame::PlayCard(std::uint32_t seat, Card* card) {
  if (!card || seat >= 4) return;
  const std::int32_t trump = trumpCard ? trumpCard->suit : kSuitNone;
  if (tricks.playedCount == 0) {
    statusLines[1] = "Lead: " + CardText(*card);
    if (firstLedSuit[seat] == kSuitNone) firstLedSuit[seat] = card->suit;
    trumpLed = card->suit == trump;
  } else if (trumpLed && card->suit != trump) {
    holdsTrump[seat] = 0;
    if (!holdsTrump[(seat + 2) % 4]) {
      // That side has no trumps left: the other side stops drawing them.
      seatList[(seat + 1) % 4].longInSuit = false;
      seatList[(seat + 3) % 4].longInSuit = false;
    }
  }
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

void WhistGame::OnTimer() {
  if (computerDelay > 0) {
    --computerDelay;
    return;
  }
  switch (GetState()) {
    case Playing:
      if (AllSeatsHavePlayed()) {
        statusLines[2].clear();
        statusLines[1] = "This trick is over.";
        SetState(HoldB);
        if (tricks.winningSeat >= 0 && tricks.winningSeat < 4) ++tricksWon[tricks.winningSeat];
        handOverCountdown = kTrickHoldTicks;
        InvalidateStatus();
      } else {
        PlayTurn();
      }
      break;
    case HoldB:
      if (handOverCountdown-- <= 0) {
        handOverCountdown = -1;
        GatherTrick();
      }
      break;
    case HandOver:
      if (handOverCountdown-- <= 0) {
        handOverCountdown = -1;
        FinishHand();
      }
      break;
    case GameOver:
      EndGame(kTitle, false, false);
      break;
    default:
      break;
  }
}

void WhistGame::GatherTrick() {
  const std::int32_t winner = tricks.winningSeat;
  for (std::uint32_t s = 0; s < 4; ++s) {
    seatList[s].playedCard = nullptr;
    tableCards[s] = nullptr;
    if (window) InvalidateRect(window, &trickRects[s], FALSE);
  }
  if (seatList[0].cards.empty()) {
    const std::int32_t ours = tricksWon[0] + tricksWon[2];
    if (ours > 6) {
      scores[2] += ours - 6;
      scores[0] = scores[2];
    } else {
      scores[3] += tricksWon[1] + tricksWon[3] - 6;
      scores[1] = scores[3];
    }
    statusLines[1] = "This hand is over.";
    handOverCountdown = kHandHoldTicks;
    SetState(HandOver);
  } else {
    SetState(Playing);
    tricks.NewTrick();
    SetCurrentSeat(winner >= 0 ? static_cast<std::uint32_t>(winner) : current);
  }
  InvalidateStatus();
}

void WhistGame::OnLButtonDown(LPARAM lParam) {
  const long x = LOWORD(lParam);
  const long y = HIWORD(lParam);
  switch (GetState()) {
    case Dealing:
    case Finished:
      if (AskNewGame(kTitle)) StartDeal(true, false, true);
      break;
    case Playing: {
      if (current != humanSeat) {
        ShowTurnMessage(kTitle, seatList[current % 4].name);
        break;
      }
      SeatRecord& hand = seatList[humanSeat % 4];
      // One card per trick: a second click before the turn moves on plays nothing.
      if (hand.playedCard) break;
      Card* card = hand.CardAt(x, y);
      Card* selected = hand.FirstSelected();
      if (!card) {
        if (selected) hand.ToggleSelect(selected);
      } else if (card != selected) {
        hand.ToggleSelect(card);
      } else if (tricks.IsLegalPlay(card, hand)) {
        gameInProgress = true;
        PlayCard(humanSeat, card);
      } else {
        ShowInfo(kTitle, "That card is not allowed at this time.");
      }
      break;
    }
    case HoldB:
    case HandOver:
      handOverCountdown = 0;
      break;
    default:
      break;
  }
}

Card* WhistGame::ChooseCard() {
  SeatRecord& hand = seatList[current % 4];
  const std::uint32_t partner = (current + 2) % seats;
  const std::int32_t trump = tricks.trump;
  if (tricks.playedCount == 0) {
    const std::int32_t back = firstLedSuit[partner];
    if (back != kSuitNone && back != trump && hand.CountSuit(back) > 0) return tricks.ChooseLeadInSuit(hand, back);
    return tricks.ChooseLead(hand, *rng);
  }
  const std::int32_t led = tricks.ledCard ? tricks.ledCard->suit : kSuitNone;
  const bool partnerWinning = tricks.winningSeat == static_cast<std::int32_t>(partner);
  bool win;
  if (tricks.playedCount == 1) {
    const bool ruff = tricks.suitBudget[led] != 0 && hand.CountSuit(led) == 0 && trump != kSuitNone &&
                      hand.CountSuit(trump) > 0;
    win = ruff || tricks.CanWin(hand, true);
  } else if (tricks.playedCount == 2 && partnerWinning) {
    const Card* best = tricks.winningCard;
    win = tricks.CanWin(hand, false) && best && best->suit == led && tricks.CountHigherUnplayed(best) > 2;
  } else {
    win = !partnerWinning && tricks.CanWin(hand, false);
  }
  return win ? tricks.ChooseWinningCard(hand, *rng, false) : tricks.ChooseLosingCard(hand, *rng, false);
}

void WhistGame::Layout() {
  if (!cardImages) return;
  const long w = cardImages->CardWidth();
  const long h = cardImages->CardHeight();
  const RECT& t = tableRect;
  for (SeatRecord& seat : seatList) {
    seat.cardWidth = w;
    seat.cardHeight = h;
  }
  trumpCardRect = CardRectAt(t.right - w - 10, t.top + 40, w, h);
  trumpLabelRect = RECT{trumpCardRect.left, t.top + 10, trumpCardRect.right, t.top + 30};
  seatList[0].SetPlacement(kRowCentred, t.left + (t.right - t.left) / 2, t.bottom - h - 5, 20);
  for (std::uint32_t s = 1; s < 4; ++s) seatList[s].SetPlacement(kStack, 0, 0, 20);
  const long handTop = seatList[0].bounds.top;
  const long midX = (t.right - t.left - w) / 2 + t.left;
  const long midY = (t.bottom - t.top - h) / 2 + t.top;
  trickRects[0] = CardRectAt(midX, handTop - h - 30, w, h);
  trickRects[1] = CardRectAt(t.left + 5, midY, w, h);
  trickRects[2] = CardRectAt(midX, t.top + 5, w, h);
  trickRects[3] = CardRectAt(t.right - w - 5, midY, w, h);
  seatList[0].SetLabel(0x29, t.left, t.right, t.top, handTop - 10);
  seatList[1].SetLabel(0x24, trickRects[1].right + 10, t.right, trickRects[1].top, trickRects[1].bottom);
  seatList[2].SetLabel(0x21, t.left, t.right, trickRects[2].bottom + 10, t.bottom);
  seatList[3].SetLabel(0x26, t.left, trickRects[3].left - 10, trickRects[3].top, trickRects[3].bottom);
}

bool WhistGame::ShowRules(HWND textBox) { return ShowRulesText(window, IDT_WHIST_RULES, textBox); }

void WhistGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  PaintTable(hdc);
  PaintPanels(hdc);
}

void WhistGame::PaintTable(HDC hdc) {
  if (cardImages) {
    if (trumpCard) trumpCard->Draw(*cardImages, hdc, trumpCardRect.left, trumpCardRect.top, true);
    for (std::uint32_t s = 0; s < 4; ++s)
      if (tableCards[s]) tableCards[s]->Draw(*cardImages, hdc, trickRects[s].left, trickRects[s].top, true);
  }
  const int oldMode = SetBkMode(hdc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(hdc, 0xFFFFFF);
  bigFont.Select(hdc);
  RECT label = trumpLabelRect;
  DrawTextA(hdc, "Trump", -1, &label, 0x29);
  for (std::uint32_t s = 0; s < 4; ++s) {
    SetSeatTextColor(hdc, s);
    RECT r = {seatList[s].labelRect.left, seatList[s].labelRect.top, seatList[s].labelRect.right,
              seatList[s].labelRect.bottom};
    DrawTextA(hdc, seatList[s].name.c_str(), -1, &r, static_cast<UINT>(seatList[s].labelFormat));
  }
  bigFont.Restore();
  SetTextColor(hdc, oldColour);
  SetBkMode(hdc, oldMode);
  // The hand comes last: a selected card rises into the space of the player's name.
  if (cardImages) seatList[humanSeat % 4].Paint(*cardImages, hdc);
}

void WhistGame::PaintPanels(HDC hdc) {
  const RECT& r = statusRect;
  const int oldMode = SetBkMode(hdc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(hdc, kPanelColour);
  smallFont.Select(hdc);
  // Partners share one score, shown on the first row of each side.
  const std::uint32_t order[4] = {2, 0, 3, 1};
  auto rows = [&](long headerTop, const char* valueHeading, const std::int32_t values[4]) {
    DrawTextIn(hdc, "TEAM", r.left, headerTop, r.left + 70, headerTop + 16, 0x2a);
    DrawTextIn(hdc, valueHeading, r.left + 75, headerTop, r.right - 5, headerTop + 16, 0x29);
    long top = headerTop + 24;
    for (int i = 0; i < 4; ++i, top += 16) {
      DrawNameIn(hdc, seatList[order[i]].name, r.left, top, r.left + 70, top + 16, 0x22);
      if (i % 2 == 0) DrawTextIn(hdc, std::to_string(values[order[i]]), r.left + 75, top, r.right - 5, top + 16, 0x11);
    }
  };
  rows(r.top + 20, "SCORE", scores);
  if (showStatusLines) {
    DrawTextIn(hdc, "GAME STATUS", r.left, r.top + 150, r.right, r.bottom, 0x21);
    std::int32_t sideTricks[4] = {};
    sideTricks[2] = tricksWon[0] + tricksWon[2];
    sideTricks[3] = tricksWon[1] + tricksWon[3];
    rows(r.top + 180, "TRICKS", sideTricks);
    DrawStatusLines(hdc);
  }
  smallFont.Restore();
  SetTextColor(hdc, oldColour);
  SetBkMode(hdc, oldMode);
  GdiPen pen(hdc, kPanelColour, 2);
  DrawLine(hdc, r.left + 5, r.top + 39, r.right - 5, r.top + 39);
  DrawLine(hdc, r.left + 75, r.top + 20, r.left + 75, r.top + static_cast<long>(seats) * 16 + 47);
  if (showStatusLines) {
    DrawLine(hdc, r.left + 5, r.top + 199, r.right - 5, r.top + 199);
    DrawLine(hdc, r.left + 75, r.top + 180, r.left + 75, r.top + 272);
  }
}
