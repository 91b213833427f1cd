#include "Whist.h"

#include "GamePaint.h"
#include "GameResources.h"

namespace {

const char kTitle[] = "Whist";
const std::int32_t kIdValue = 0x400001;

}  // namespace

std::string WhistName() { return kTitle; }

std::int32_t WhistId() { return kIdValue; }

CardGame* CreateWhistGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new WhistGame(window, humanSeat, rng);
}

WhistGame::WhistGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TrickGame(window, kTitle, IDT_WHIST_RULES, 4, 13, 8, humanSeat, rng) {
  AddRankRun(deck, kRankHighAce, 2);
}

WhistGame::~WhistGame() = default;

void WhistGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  ShowHandNumber();
  TurnUpTrump(deck.lastDrawn);
  for (std::uint32_t s = 0; s < 4; ++s) {
    holdsTrump[s] = 1;
    firstLedSuit[s] = kSuitNone;
    seatList[s].Sort(sortMode);
    seatList[s].FindLongestSuit(tricks.trump);
  }
  ResetTricks();
  TurnHumanCardsUp();
  SetCurrentSeat(current);
}

void WhistGame::PlayCard(std::uint32_t seat, Card* card) {
  if (!card || seat >= 4) return;
  const std::int32_t trump = trumpCard ? trumpCard->suit : kSuitNone;
  if (tricks.playedCount == 0) {
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
  TrickGame::PlayCard(seat, card);
}

// Partners share a score: the side over six tricks scores the excess.
void WhistGame::ScoreHand() {
  const std::int32_t ours = tricksWon[0] + tricksWon[2];
  if (ours > 6) {
    scores[2] += ours - 6;
    scores[0] = scores[2];
  } else {
    scores[3] += tricksWon[1] + tricksWon[3] - 6;
    scores[1] = scores[3];
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

void WhistGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  PaintTable(hdc);
  PaintPanels(hdc);
}

void WhistGame::PaintPanels(HDC hdc) {
  const RECT& r = statusRect;
  // Partners share one value, shown on the first row of each side.
  auto sides = [&](std::int32_t ours, std::int32_t theirs) {
    return std::vector<PanelRow>{{seatList[2].name, {std::to_string(ours)}},
                                 {seatList[0].name, {}},
                                 {seatList[3].name, {std::to_string(theirs)}},
                                 {seatList[1].name, {}}};
  };
  DrawPanel(*this, hdc, r.top + 20, r.top + static_cast<long>(seats) * 16 + 47, "TEAM", {WideColumn(*this, "SCORE")},
            sides(scores[2], scores[3]));
  DrawGameStatusPanel(*this, hdc, "TEAM", {WideColumn(*this, "TRICKS")},
                      sides(tricksWon[0] + tricksWon[2], tricksWon[1] + tricksWon[3]));
  if (showStatusLines) {
    PanelText text(*this, hdc);
    DrawStatusLines(hdc);
  }
}
