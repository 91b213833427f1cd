#include "Tricks.h"

#include <algorithm>

namespace {
bool ValidSlot(const Card* card) {
  return card && card->rank >= 0 && card->rank <= 14 && card->suit >= 0 && card->suit <= 4;
}

bool ValidSuit(std::int32_t suit) { return suit >= 0 && suit <= 4; }

bool AllOfSuit(const CardPile& hand, std::int32_t suit) {
  return std::all_of(hand.cards.begin(), hand.cards.end(),
                     [&](const Card* c) { return c->suit == suit; });
}
}  // namespace

TrickState::TrickState() { NewHand(); }

void TrickState::NewHand() {
  NewTrick();
  trumpAllowed = firstTrickTrumpRule;
  noLeadSuit = noLeadSuitRule;
  trump = kSuitNone;
  suit4Trump = false;
  std::fill(std::begin(suitBudget), std::end(suitBudget), 3u);
  for (auto& row : unplayed) std::fill(std::begin(row), std::end(row), 0u);
  std::fill(std::begin(previousTrick), std::end(previousTrick), nullptr);
  std::fill(std::begin(currentTrick), std::end(currentTrick), nullptr);
}

void TrickState::AddUnplayed(const CardDeck& deck) {
  for (const Card& c : deck.pack) {
    if (ValidSlot(&c)) ++unplayed[c.rank][c.suit];
  }
}

void TrickState::RebuildUnplayed(const CardDeck& deck) {
  for (auto& row : unplayed) std::fill(std::begin(row), std::end(row), 0u);
  AddUnplayed(deck);
}

void TrickState::NewTrick() {
  std::copy(std::begin(currentTrick), std::end(currentTrick), std::begin(previousTrick));
  std::fill(std::begin(currentTrick), std::end(currentTrick), nullptr);
  winningSeat = -1;
  ledCard = nullptr;
  winningCard = nullptr;
  trumpAllowed = true;
  playedCount = 0;
}

void TrickState::SetTrump(std::int32_t suit) {
  trump = suit;
  suit4Trump = false;
}

void TrickState::SetTrumpSuit4() {
  trump = kSuitNone;
  suit4Trump = true;
}

void TrickState::ClearTrump() {
  trump = kSuitNone;
  suit4Trump = false;
}

void TrickState::SetTrumpFromCard(const Card& card) { SetTrump(card.suit); }

void TrickState::SetNoLeadSuit(std::int32_t suit) { noLeadSuitRule = noLeadSuit = suit; }

bool TrickState::IsTrump(const Card* card) const {
  return HasTrump() && card->suit == trump;
}

bool TrickState::IsClosedFor(std::int32_t suit, const CardPile& hand) const {
  return noLeadSuit != kSuitNone && suit == noLeadSuit && !AllOfSuit(hand, suit);
}

bool TrickState::IsLegalPlay(const Card* card, const CardPile& hand) const {
  if (!card) return false;
  if (playedCount == 0 || !ledCard) return !IsClosedFor(card->suit, hand);
  if (card->suit == ledCard->suit) return true;
  if (hand.CountSuit(ledCard->suit) > 0) return false;
  // Void in the led suit: anything, but a trump only once trumps are allowed or the
  // hand holds nothing else.
  if (!IsTrump(card) || trumpAllowed) return true;
  return AllOfSuit(hand, trump);
}

bool TrickState::WouldWin(const Card* card) const {
  if (!card) return false;
  if (!winningCard) return true;
  if (IsTrump(card)) return !IsTrump(winningCard) || card->rank > winningCard->rank;
  if (IsTrump(winningCard)) return false;
  return ledCard && card->suit == ledCard->suit && card->rank > winningCard->rank;
}

bool TrickState::Outranks(const Card* a, const Card* b) const {
  if (!a || !b) return a && !b;
  bool at = IsTrump(a);
  bool bt = IsTrump(b);
  if (at != bt) return at;
  return a->rank > b->rank;
}

bool TrickState::Play(Card* card, std::int32_t seat) {
  if (!card) return false;
  if (playedCount < 4) currentTrick[playedCount] = card;
  if (noLeadSuit != kSuitNone && card->suit == noLeadSuit) noLeadSuit = kSuitNone;
  if (ValidSlot(card) && unplayed[card->rank][card->suit] > 0) --unplayed[card->rank][card->suit];
  if (ValidSuit(card->suit)) --suitBudget[card->suit];  // wraps on purpose past zero
  if (playedCount == 0) {
    ledCard = card;
    winningCard = nullptr;
    winningSeat = seat;
  }
  ++playedCount;
  if (!WouldWin(card)) return false;
  winningCard = card;
  winningSeat = seat;
  return true;
}

std::uint32_t TrickState::CountHigherUnplayed(const Card* card) const {
  if (!card || !ValidSuit(card->suit)) return 0;
  std::uint32_t n = 0;
  for (std::int32_t r = std::max(card->rank + 1, 0); r <= 14; ++r) n += unplayed[r][card->suit];
  return n;
}

std::uint32_t TrickState::CountLowerUnplayed(const Card* card) const {
  if (!card || !ValidSuit(card->suit)) return 0;
  std::uint32_t n = 0;
  for (std::int32_t r = 0; r < card->rank && r <= 14; ++r) n += unplayed[r][card->suit];
  return n;
}

std::uint32_t TrickState::CountUnplayedOfSuit(std::int32_t suit) const {
  if (!ValidSuit(suit)) return 0;
  std::uint32_t n = 0;
  for (std::int32_t r = 0; r <= 14; ++r) n += unplayed[r][suit];
  return n;
}

bool TrickState::HasLegalCard(const CardPile& hand) const {
  return std::any_of(hand.cards.begin(), hand.cards.end(),
                     [&](const Card* c) { return IsLegalPlay(c, hand); });
}

bool TrickState::CanLose(const CardPile& hand) const {
  return std::any_of(hand.cards.begin(), hand.cards.end(),
                     [&](const Card* c) { return IsLegalPlay(c, hand) && !WouldWin(c); });
}

bool TrickState::CanWin(const CardPile& hand, bool sureOnly) const {
  return std::any_of(hand.cards.begin(), hand.cards.end(), [&](const Card* c) {
    return IsLegalPlay(c, hand) && WouldWin(c) && (!sureOnly || CountHigherUnplayed(c) == 0);
  });
}

bool TrickState::CanOutlastHigher(const Card* card, const CardPile& hand) const {
  if (!card) return false;
  return 1u + CountHigherUnplayed(card) < hand.CountSuit(card->suit);
}

Card* TrickState::LowestOfSuit(const CardPile& hand, std::int32_t suit) const {
  Card* lowest = nullptr;
  for (Card* c : hand.cards) {
    if (c->suit == suit && (!lowest || c->rank < lowest->rank)) lowest = c;
  }
  return lowest;
}

Card* TrickState::ChooseLeadInSuit(const CardPile& hand, std::int32_t suit,
                                   std::uint32_t& score) const {
  score = 15;
  std::uint32_t prev = 15;
  Card* result = nullptr;
  for (Card* c : hand.cards) {
    if (c->suit != suit || !IsLegalPlay(c, hand)) continue;
    std::uint32_t h = CountHigherUnplayed(c);
    if (h == 0) return c;
    if (h == prev + 1 || h > 4) {
      std::uint32_t s = h;
      if (HasTrump() && suit == trump) s += 15;
      if (!CanOutlastHigher(c, hand)) s += 15;
      score = s;
      if (!result) result = c;
      prev = s;
    } else {
      prev = h;
    }
  }
  return result ? result : LowestOfSuit(hand, suit);
}

Card* TrickState::ChooseLead(const CardPile& hand, RandomSource& rng) const {
  auto held = [&](std::int32_t s) { return hand.CountSuit(s); };
  auto out = [&](std::int32_t s) { return CountUnplayedOfSuit(s); };
  std::uint32_t score = 15;

  // Draw trumps.
  const std::uint32_t heldTrump = held(trump);
  const std::uint32_t outTrump = out(trump);
  if (HasTrump() && outTrump > heldTrump && heldTrump > 0 && hand.longInSuit &&
      (heldTrump > 1 || (outTrump - heldTrump < 3 && hand.longestSuit != kSuitNone &&
                         held(hand.longestSuit) > 0)) &&
      !IsClosedFor(trump, hand)) {
    return ChooseLeadInSuit(hand, trump, score);
  }

  // Long suit.
  const std::int32_t longSuit = hand.longestSuit;
  if (longSuit != kSuitNone && longSuit != trump && !IsClosedFor(longSuit, hand) &&
      held(longSuit) > 0 && ValidSuit(longSuit)) {
    if (outTrump == heldTrump || suitBudget[longSuit] != 0)
      return ChooseLeadInSuit(hand, longSuit, score);
  }

  // Walk the suits from a random start.
  std::int32_t suit = 0;
  SuitCycle cycle;
  BeginSuitCycle(rng, suit, cycle);
  Card* best = nullptr;
  std::uint32_t bestScore = 15;
  for (cycle.count = 0; cycle.count < 4; ++cycle.count) {
    suit = (cycle.first + cycle.count) & 3;
    if (held(suit) == 0 || IsClosedFor(suit, hand)) continue;
    if (held(suit) == 1 && suit != trump && HasTrump() && heldTrump > 0)
      return hand.FindCardOfSuit(suit, 0);
    std::uint32_t s = 15;
    Card* c = ChooseLeadInSuit(hand, suit, s);
    if (!c) continue;
    bool take;
    if (!best) {
      take = true;
    } else if (IsTrump(c) || best->rank == kRankHighAce) {
      take = false;
    } else {
      take = c->rank == kRankHighAce || s < bestScore;
    }
    if (take) {
      best = c;
      bestScore = s;
    }
  }
  if (best) return best;
  return ChooseLeadInSuit(hand, trump, score);
}

Card* TrickState::ChooseLosingCard(const CardPile& hand, RandomSource& rng, bool dumpHigh) const {
  if (!HasLegalCard(hand)) return hand.FirstCard();
  if (!CanLose(hand)) return ChooseWinningCard(hand, rng, true);

  PileIterator it(hand);
  Card* best = nullptr;
  bool bestWins = false;
  for (Card* c = it.FirstFromRandom(rng); c; c = it.Next()) {
    if (!IsLegalPlay(c, hand)) continue;
    bool w = WouldWin(c);
    bool take;
    if (!best) {
      take = true;
    } else if (w != bestWins) {
      take = !w;
    } else if (!w) {
      take = dumpHigh ? !Outranks(best, c) : Outranks(best, c);
    } else {
      take = Outranks(best, c);
    }
    if (take) {
      best = c;
      bestWins = w;
    }
  }
  return best;
}

Card* TrickState::ChooseWinningCard(const CardPile& hand, RandomSource& rng, bool dumpHigh) const {
  if (!HasLegalCard(hand)) return hand.FirstCard();
  if (!CanWin(hand, false)) return ChooseLosingCard(hand, rng, dumpHigh);

  const std::uint32_t trumpsHeld = HasTrump() ? hand.CountSuit(trump) : 0;
  // A trump over a non-trump winner, when higher trumps are many or it is the only one.
  auto trumpRule = [&](const Card* c) {
    return IsTrump(c) && winningCard && !IsTrump(winningCard) &&
           (CountHigherUnplayed(c) > 3 || trumpsHeld == 1);
  };
  std::int32_t prevSuit = kSuitNone;
  std::uint32_t prevPlus1 = 0;
  Card* best = nullptr;
  bool bestWins = false;
  for (Card* c : hand.cards) {
    if (!IsLegalPlay(c, hand)) continue;
    if (c->suit != prevSuit) {
      prevPlus1 = 0;
      prevSuit = c->suit;
    }
    const bool w = WouldWin(c);
    const std::uint32_t higher = CountHigherUnplayed(c);
    const bool ledSuit = ledCard && c->suit == ledCard->suit;
    bool take;
    if (!best) {
      take = true;
    } else if (w != bestWins) {
      take = w;
    } else if (!w) {
      take = dumpHigh ? !Outranks(best, c) : Outranks(best, c);
    } else if (playedCount == 1) {
      if ((ledSuit && higher == 0) || trumpRule(c) || (ledSuit && higher == prevPlus1)) return c;
      take = Outranks(best, c);
    } else if (playedCount == 2) {
      if ((ledSuit && (higher == prevPlus1 || higher == prevPlus1 + 1)) || trumpRule(c)) return c;
      take = !Outranks(best, c);
    } else if (playedCount == 3) {
      take = dumpHigh ? !Outranks(best, c) : Outranks(best, c);
    } else {
      take = false;
    }
    if (take) {
      best = c;
      bestWins = w;
    }
    prevPlus1 = higher + 1;
  }
  return best;
}

Card* TrickState::ChooseLowCard(const CardPile& hand, RandomSource& rng) const {
  PileIterator it(hand);
  Card* best = nullptr;
  std::int64_t bestLower = 0;
  std::int64_t bestHigher = 0;
  for (Card* c = it.FirstFromRandom(rng); c; c = it.Next()) {
    if (!IsLegalPlay(c, hand)) continue;
    // Cards of the suit that other players may still hold.
    const std::int64_t lowerOut =
        static_cast<std::int64_t>(CountLowerUnplayed(c)) - hand.CountLowerInSuit(c);
    const std::int64_t higherOut =
        static_cast<std::int64_t>(CountHigherUnplayed(c)) - hand.CountHigherInSuit(c);
    if (lowerOut < 2 && higherOut > 1) return c;
    bool take = !best || bestHigher == 0 || lowerOut < bestLower ||
                (lowerOut == bestLower && higherOut > bestHigher && hand.CountSuit(c->suit) < 3);
    if (take) {
      best = c;
      bestLower = lowerOut;
      bestHigher = higherOut;
    }
  }
  return best;
}
