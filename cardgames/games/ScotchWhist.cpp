#include "ScotchWhist.h"

#include "GameResources.h"
#include "Knaves.h"

namespace {

const char kTitle[] = "Scotch Whist";
const std::int32_t kIdValue = 0x10001;

}  // namespace

std::int32_t TrumpHonourPoints(const Card& card, std::int32_t trumpSuit) {
  if (card.suit != trumpSuit) return 0;
  switch (card.rank) {
    case 11: return 11;
    case 10: return 10;
    case 14: return 4;
    case 13: return 3;
    case 12: return 2;
    default: return 0;
  }
}

std::string ScotchWhistName() { return kTitle; }

std::int32_t ScotchWhistId() { return kIdValue; }

CardGame* CreateScotchWhistGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new ScotchWhistGame(window, humanSeat, rng);
}

ScotchWhistGame::ScotchWhistGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TrickGame(window, kTitle, IDT_SCOTCH_WHIST_RULES, 4, 9, 8, humanSeat, rng) {
  AddRankRun(deck, kRankHighAce, 6);
}

ScotchWhistGame::~ScotchWhistGame() = default;

void ScotchWhistGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  ShowHandNumber();
  ResetTricks();
  // The dealer's last card fixes trump and stays in the dealer's hand.
  TurnUpTrump(deck.lastDrawn);
  trickPoints = 0;
  TurnHumanCardsUp();
  SetCurrentSeat(current);
}

void ScotchWhistGame::PlayCard(std::uint32_t seat, Card* card) {
  if (!card || seat >= 4) return;
  TrickGame::PlayCard(seat, card);
  trickPoints += TrumpHonourPoints(*card, tricks.trump);
}

void ScotchWhistGame::ScoreTrick(std::int32_t winner) {
  TrickGame::ScoreTrick(winner);
  scores[winner] += trickPoints + 1;
  trickPoints = 0;
}

Card* ScotchWhistGame::ChooseCard() {
  SeatRecord& hand = seatList[current % 4];
  if (tricks.playedCount == 0) return tricks.ChooseLead(hand, *rng);
  return tricks.CanWin(hand, false) ? tricks.ChooseWinningCard(hand, *rng, false)
                                    : tricks.ChooseLosingCard(hand, *rng, false);
}

void ScotchWhistGame::Paint(HDC hdc) {
  TrickGame::Paint(hdc);
  PaintTricksPanel(*this, hdc);
}
