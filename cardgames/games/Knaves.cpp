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
  DrawSeatNumbersPanel(game, hdc, "TRICKS", [&game](std::uint32_t s) { return game.tricksWon[s]; });
}

std::string KnavesName() { return kTitle; }

std::int32_t KnavesId() { return kIdValue; }

CardGame* CreateKnavesGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new KnavesGame(window, humanSeat, rng);
}

KnavesGame::KnavesGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TrickGame(window, kTitle, IDT_KNAVES_RULES, kSeats, 17, 8, humanSeat, rng) {
  AddRankRun(deck, kRankHighAce, 2);
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

Card* KnavesGame::Scan(const Better& better) {
  SeatRecord& hand = seatList[current % kSeats];
  PileIterator it(hand);
  Scanned choice;
  for (Card* c = it.FirstFromRandom(*rng); c; c = it.Next()) {
    if (!tricks.IsLegalPlay(c, hand)) continue;
    const Scanned card = {c, tricks.WouldWin(c)};
    if (!choice.card)
      choice = card;
    else
      better(card, choice);
  }
  return choice.card;
}

Card* KnavesGame::DumpKnave() {
  auto losingJack = [](const Scanned& c) { return c.card->rank == kJack && !c.wins; };
  Card* card = Scan([&](const Scanned& c, Scanned& choice) {
    if (losingJack(c) && (!losingJack(choice) || KnavePenalty(*c.card) > KnavePenalty(*choice.card))) choice = c;
  });
  return card && losingJack({card, tricks.WouldWin(card)}) ? card : nullptr;
}

Card* KnavesGame::ChooseLead() {
  return Scan([this](const Scanned& c, Scanned& choice) {
    const bool safe = leadSafe[c.card->suit] != 0, choiceSafe = leadSafe[choice.card->suit] != 0;
    const bool guard = Guard(c.card), choiceGuard = Guard(choice.card);
    const std::int32_t rank = c.card->rank, choiceRank = choice.card->rank;
    if ((safe && !choiceSafe) ||
        (safe == choiceSafe && ((choiceGuard && !guard) || (!choiceGuard && !guard && rank > choiceRank) ||
                                (choiceGuard && guard && rank < choiceRank))))
      choice = c;
  });
}

Card* KnavesGame::ChooseMiddle() {
  if (Card* knave = DumpKnave()) return knave;
  const std::int32_t led = tricks.ledCard ? tricks.ledCard->suit : kSuitNone;
  const bool jackSafe = led >= 0 && led < 5 &&
                        (jackHolder[led] == kSeats || jackHolder[led] == static_cast<std::int32_t>(current));
  const bool clean = trickPenalty == 0 && jackSafe;
  return Scan([this, clean](const Scanned& c, Scanned& choice) {
    const bool guard = Guard(c.card), choiceGuard = Guard(choice.card);
    const bool lower = c.card->rank < choice.card->rank;
    bool replace;
    if (!clean)
      replace = (choiceGuard && !guard) || (choiceGuard == guard && c.card->rank > choice.card->rank);
    else if (!choice.wins)
      replace = (c.wins && !guard) || (!c.wins && lower);
    else
      replace = choiceGuard || (c.wins && !guard && lower);
    if (replace) choice = c;
  });
}

Card* KnavesGame::LosingScan() {
  return Scan([](const Scanned& c, Scanned& choice) {
    if (!c.wins) {
      if (choice.wins || KnavePenalty(*c.card) > KnavePenalty(*choice.card)) choice = c;
    } else if (KnavePenalty(*c.card) < KnavePenalty(*choice.card)) {
      choice.card = c.card;  // the remembered flag stays as it was
    }
  });
}

Card* KnavesGame::WinningScan() {
  return Scan([](const Scanned& c, Scanned& choice) {
    if (!c.wins) {
      if (!choice.wins && choice.card->rank > c.card->rank) choice.card = c.card;
    } else if (c.card->rank != kJack && KnavePenalty(*c.card) == 0) {
      if (!choice.wins || KnavePenalty(*choice.card) > 0 || choice.card->rank > c.card->rank) choice = c;
    }
  });
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
