#include "ScotchWhist.h"

#include "GameResources.h"

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
    : CardGame(window, 4, 9, 8, humanSeat, rng) {
  for (std::int32_t rank = kRankHighAce; rank >= 6; --rank)
    for (std::int32_t suit = 0; suit < 4; ++suit) deck.AddToPack(suit, rank);
}

ScotchWhistGame::~ScotchWhistGame() = default;

Card* ScotchWhistGame::ChooseCard() {
  SeatRecord& hand = seatList[current % 4];
  if (tricks.playedCount == 0) return tricks.ChooseLead(hand, *rng);
  return tricks.CanWin(hand, false) ? tricks.ChooseWinningCard(hand, *rng, false)
                                    : tricks.ChooseLosingCard(hand, *rng, false);
}

bool ScotchWhistGame::ShowRules(HWND textBox) { return ShowRulesText(window, IDT_SCOTCH_WHIST_RULES, textBox); }
