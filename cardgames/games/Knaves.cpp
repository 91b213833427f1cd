#include "Knaves.h"

#include "GamePaint.h"
#include "GameResources.h"

namespace {

const char kTitle[] = "Knaves";
const std::int32_t kIdValue = 0x4001;
const std::int32_t kSeats = 3;
const std::int32_t kJack = 11;

}  // namespace

std::int32_t KnavePenalty(const Card& card) {
  if (card.rank != kJack) return 0;
  static const std::int32_t kBySuit[5] = {1, 3, 4, 2, 0};
  return card.suit >= 0 && card.suit < 5 ? kBySuit[card.suit] : 0;
}

bool IsGuardCard(const Card& card, const std::int32_t jackHolder[5], std::int32_t outOfPlay) {
  if (card.rank == kJack) return true;
  if (card.suit < 0 || card.suit > 4 || jackHolder[card.suit] == outOfPlay) return false;
  return card.rank >= 12;
}

void PaintTricksPanel(TrickGame& game, HDC hdc) {
  std::vector<std::string> won;
  for (std::uint32_t s = 0; s < game.seats && s < 4; ++s) won.push_back(std::to_string(game.tricksWon[s]));
  DrawGameStatusPanel(game, hdc, "PLAYER", {WideColumn(game, "TRICKS")}, SeatRows(game, won));
}

std::string KnavesName() { return kTitle; }

std::int32_t KnavesId() { return kIdValue; }

CardGame* CreateKnavesGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new KnavesGame(window, humanSeat, rng);
}

KnavesGame::KnavesGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TrickGame(window, kTitle, IDT_KNAVES_RULES, kSeats, 17, 8, humanSeat, rng) {
  for (std::int32_t rank = kRankHighAce; rank >= 2; --rank)
    for (std::int32_t suit = 0; suit < 4; ++suit) deck.AddToPack(suit, rank);
}

KnavesGame::~KnavesGame() = default;

void KnavesGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  for (std::int32_t suit = 0; suit < 5; ++suit) {
    jackHolder[suit] = kSeats;
    leadSafe[suit] = 1;
  }
  trickPenalty = 0;
  TurnUpTrump(deck.Draw());
  // A turned-up jack leaves the hand without trump.
  if (trumpCard && trumpCard->rank == kJack) tricks.SetTrump(kSuitNone);
  ResetTricks();
  for (std::int32_t s = 0; s < kSeats; ++s)
    for (Card* c : seatList[s].cards)
      if (c->rank == kJack && c->suit >= 0 && c->suit < 4) jackHolder[c->suit] = s;
  TurnHumanCardsUp();
  ShowHandNumber();
  SetCurrentSeat(current);
}

void KnavesGame::Paint(HDC hdc) {
  TrickGame::Paint(hdc);
  PaintTricksPanel(*this, hdc);
}

void KnavesGame::PlayCard(std::uint32_t seat, Card* card) {
  if (!card || seat >= static_cast<std::uint32_t>(kSeats)) return;
  TrickGame::PlayCard(seat, card);
  // The two followers count as the third and fourth hands of the shared card choices.
  if (tricks.playedCount == 1) tricks.playedCount = 2;
  trickPenalty -= KnavePenalty(*card);
  if (card->rank == kJack && card->suit >= 0 && card->suit < 5) {
    jackHolder[card->suit] = kSeats;
    const Card* led = tricks.ledCard;
    if (led && led->suit != card->suit && led->suit >= 0 && led->suit < 5) leadSafe[led->suit] = 0;
  }
}

void KnavesGame::ScoreTrick(std::int32_t winner) {
  TrickGame::ScoreTrick(winner);
  scores[winner] += trickPenalty + 1;
  trickPenalty = 0;
}

Card* KnavesGame::DumpKnave() {
  SeatRecord& hand = seatList[current % kSeats];
  PileIterator it(hand);
  Card* best = nullptr;
  for (Card* c = it.FirstFromRandom(*rng); c; c = it.Next()) {
    if (c->rank != kJack || !tricks.IsLegalPlay(c, hand) || tricks.WouldWin(c)) continue;
    if (!best || KnavePenalty(*c) > KnavePenalty(*best)) best = c;
  }
  return best;
}

Card* KnavesGame::ChooseLead() {
  SeatRecord& hand = seatList[current % kSeats];
  PileIterator it(hand);
  Card* choice = nullptr;
  for (Card* c = it.FirstFromRandom(*rng); c; c = it.Next()) {
    if (!tricks.IsLegalPlay(c, hand)) continue;
    if (!choice) {
      choice = c;
      continue;
    }
    const bool safe = leadSafe[c->suit] != 0, choiceSafe = leadSafe[choice->suit] != 0;
    const bool guard = Guard(c), choiceGuard = Guard(choice);
    if ((safe && !choiceSafe) ||
        (safe == choiceSafe && ((choiceGuard && !guard) || (!choiceGuard && !guard && c->rank > choice->rank) ||
                                (choiceGuard && guard && c->rank < choice->rank))))
      choice = c;
  }
  return choice;
}

Card* KnavesGame::ChooseMiddle() {
  if (Card* knave = DumpKnave()) return knave;
  SeatRecord& hand = seatList[current % kSeats];
  const std::int32_t led = tricks.ledCard ? tricks.ledCard->suit : kSuitNone;
  const bool jackSafe = led >= 0 && led < 5 &&
                        (jackHolder[led] == kSeats || jackHolder[led] == static_cast<std::int32_t>(current));
  PileIterator it(hand);
  Card* choice = nullptr;
  bool choiceWins = false;
  for (Card* c = it.FirstFromRandom(*rng); c; c = it.Next()) {
    if (!tricks.IsLegalPlay(c, hand)) continue;
    const bool wins = tricks.WouldWin(c);
    if (c->rank == kJack && !wins) return c;
    if (!choice) {
      choice = c;
      choiceWins = wins;
      continue;
    }
    const bool guard = Guard(c), choiceGuard = Guard(choice);
    bool replace;
    if (trickPenalty == 0 && jackSafe) {
      if (!choiceWins)
        replace = (wins && !guard) || (!wins && c->rank < choice->rank);
      else if (choiceGuard)
        replace = true;
      else
        replace = wins && !guard && c->rank < choice->rank;
    } else {
      replace = (choiceGuard && !guard) || (choiceGuard == guard && c->rank > choice->rank);
    }
    if (replace) {
      choice = c;
      choiceWins = wins;
    }
  }
  return choice;
}

Card* KnavesGame::LosingScan() {
  SeatRecord& hand = seatList[current % kSeats];
  PileIterator it(hand);
  Card* choice = nullptr;
  bool choiceWins = false;
  for (Card* c = it.FirstFromRandom(*rng); c; c = it.Next()) {
    if (!tricks.IsLegalPlay(c, hand)) continue;
    const bool wins = tricks.WouldWin(c);
    if (!choice) {
      choice = c;
      choiceWins = wins;
    } else if (!wins) {
      if (choiceWins || KnavePenalty(*c) > KnavePenalty(*choice)) {
        choice = c;
        choiceWins = false;
      }
    } else if (KnavePenalty(*c) < KnavePenalty(*choice)) {
      choice = c;  // the remembered flag stays as it was
    }
  }
  return choice;
}

Card* KnavesGame::WinningScan() {
  SeatRecord& hand = seatList[current % kSeats];
  PileIterator it(hand);
  Card* choice = nullptr;
  bool choiceWins = false;
  for (Card* c = it.FirstFromRandom(*rng); c; c = it.Next()) {
    if (!tricks.IsLegalPlay(c, hand)) continue;
    const bool wins = tricks.WouldWin(c);
    if (!choice) {
      choice = c;
      choiceWins = wins;
    } else if (!wins) {
      if (!choiceWins && choice->rank > c->rank) choice = c;
    } else if (c->rank != kJack && KnavePenalty(*c) == 0) {
      if (!choiceWins || KnavePenalty(*choice) > 0 || choice->rank > c->rank) {
        choice = c;
        choiceWins = true;
      }
    }
  }
  return choice;
}

Card* KnavesGame::ChooseCard() {
  SeatRecord& hand = seatList[current % kSeats];
  if (tricks.playedCount == 0) return ChooseLead();
  if (tricks.playedCount < 3) return ChooseMiddle();
  if (trickPenalty == 0) {
    if (Card* knave = DumpKnave()) return knave;
    return tricks.CanWin(hand, false) ? WinningScan() : LosingScan();
  }
  return tricks.CanLose(hand) ? LosingScan() : WinningScan();
}
