#include "GermanWhist.h"

#include "CardImages.h"
#include "GamePaint.h"
#include "GameResources.h"
#include "Knaves.h"

namespace {

const char kTitle[] = "German Whist";
const std::int32_t kIdValue = 0x1001;

// The suits from a random one, as many as there are.
template <class Visit>
bool WalkSuitsFromRandom(RandomSource& rng, Visit visit) {
  std::int32_t suit = 0;
  SuitCycle cycle;
  BeginSuitCycle(rng, suit, cycle);
  for (cycle.count = 0; cycle.count < 4; ++cycle.count)
    if (visit((cycle.first + cycle.count) & 3)) return true;
  return false;
}

}  // namespace

std::string GermanWhistName() { return kTitle; }

std::int32_t GermanWhistId() { return kIdValue; }

CardGame* CreateGermanWhistGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new GermanWhistGame(window, humanSeat, rng);
}

GermanWhistGame::GermanWhistGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TrickGame(window, kTitle, IDT_GERMAN_WHIST_RULES, 2, 13, 8, humanSeat, rng) {
  // Both prompts go on line 1: line 2 counts the stock.
  separatePlayPrompt = false;
  showLeadLine = false;
  AddRankRun(deck, kRankHighAce, 2);
}

GermanWhistGame::~GermanWhistGame() = default;

void GermanWhistGame::StartDeal(bool newGame, bool randomDealer, bool) {
  CardGame::StartDeal(newGame, randomDealer, true);
  turnUp = deck.BottomCard();
  if (turnUp) {
    tricks.SetTrumpFromCard(*turnUp);
    turnUp->faceUp = true;
  }
  ResetTricks();
  TurnHumanCardsUp();
  ShowHandNumber();
  statusLines[2] = std::to_string(deck.stock.size()) + " cards in the deck";
  SetCurrentSeat(current);
}

void GermanWhistGame::ScoreTrick(std::int32_t winner) {
  if (deck.stock.empty()) TrickGame::ScoreTrick(winner);
}

void GermanWhistGame::TrickGathered(std::int32_t winner) {
  if (!deck.stock.empty()) {
    DrawFromStock(winner >= 0 ? static_cast<std::uint32_t>(winner) : current);
  } else {
    SeatRecord& computer = seatList[(humanSeat + 1) % 2];
    computer.FindLongestSuit(tricks.trump);
  }
}

void GermanWhistGame::ScoreHand() {
  const std::uint32_t h = humanSeat % 2, o = (h + 1) % 2;
  if (tricksWon[h] > tricksWon[o])
    scores[h] += tricksWon[h] - tricksWon[o];
  else
    scores[o] += tricksWon[o] - tricksWon[h];
}

void GermanWhistGame::DrawFromStock(std::uint32_t winner) {
  // One card each, the winner first: the stock lasts for the first 13 tricks.
  for (std::uint32_t n = 0; n < 2; ++n) {
    const std::uint32_t seat = (winner + n) % 2;
    Card* card = deck.Draw();
    if (!card) break;
    card->faceUp = true;
    seatList[seat].AddCard(card);
    if (seat == humanSeat) seatList[seat].Sort(sortMode);
  }
  statusLines[2] = deck.stock.empty() ? std::string() : std::to_string(deck.stock.size()) + " cards in the deck";
  InvalidateTable();
}

std::uint32_t GermanWhistGame::Held(std::uint32_t seat, std::int32_t suit) const {
  return seatList[seat % 2].CountSuit(suit);
}

std::uint32_t GermanWhistGame::Out(std::uint32_t seat, std::int32_t suit) const {
  const std::uint32_t unplayed = tricks.CountUnplayedOfSuit(suit), held = Held(seat, suit);
  return unplayed > held ? unplayed - held : 0;
}

Card* GermanWhistGame::PickSuitCard(std::uint32_t seat, std::int32_t suit) {
  const SeatRecord& hand = seatList[seat % 2];
  std::uint32_t prev = 15;
  for (auto it = hand.cards.rbegin(); it != hand.cards.rend(); ++it) {
    Card* card = *it;
    if (card->suit != suit) continue;
    const std::uint32_t n = tricks.CountHigherUnplayed(card);
    if (n == 0 || n == prev + 1 || n > 4) return card;
    prev = n;
  }
  return tricks.LowestOfSuit(hand, suit);
}

void GermanWhistGame::PlanTargetSuit(std::uint32_t seat, bool stockEmpty) {
  const std::int32_t trump = tricks.trump;
  targetSuit = kSuitNone;
  if (trump >= 0 && trump < 4) {
    if (stockEmpty) {
      if (Out(seat, trump) > 0 && Out(seat, trump) < Held(seat, trump)) {
        targetSuit = trump;
        return;
      }
    } else if (Out(seat, trump) > 0 && Held(seat, trump) > 2 &&
               tricks.CountHigherUnplayed(PickSuitCard(seat, trump)) > 4) {
      targetSuit = trump;
      return;
    }
  }
  const SeatRecord& hand = seatList[seat % 2];
  if (!stockEmpty) {
    if (WalkSuitsFromRandom(*rng, [&](std::int32_t s) {
          const std::uint32_t n = Held(seat, s);
          if (s == trump || n < 1 || n > 4 || tricks.CountHigherUnplayed(PickSuitCard(seat, s)) <= 3) return false;
          targetSuit = s;
          return true;
        }))
      return;
  } else {
    std::uint32_t best1 = 0, best2 = 0;
    std::int32_t second = kSuitNone;
    WalkSuitsFromRandom(*rng, [&](std::int32_t s) {
      const std::uint32_t n = Held(seat, s);
      if (s == trump || (n <= best1 && n <= best2)) return false;
      if (tricks.CountHigherUnplayed(tricks.LowestOfSuit(hand, s)) <= 4) return false;
      best2 = n;
      if (best1 == 0) {
        best1 = n;
        targetSuit = s;
      } else if (n > best1) {
        best2 = best1;
        best1 = n;
        second = targetSuit;
      } else {
        second = s;
      }
      return false;
    });
    if (second != kSuitNone) {
      targetSuit = second;
      return;
    }
  }
  if (targetSuit == kSuitNone) {
    std::uint32_t longest = 0;
    WalkSuitsFromRandom(*rng, [&](std::int32_t s) {
      if (s != trump && Held(seat, s) > longest) {
        longest = Held(seat, s);
        targetSuit = s;
      }
      return false;
    });
  }
  if (targetSuit == kSuitNone) targetSuit = trump;
}

Card* GermanWhistGame::PlayLow(std::uint32_t seat) {
  const SeatRecord& hand = seatList[seat % 2];
  const std::int32_t trump = tricks.trump;
  const std::int32_t led = tricks.ledCard ? tricks.ledCard->suit : kSuitNone;
  if (led != kSuitNone && Held(seat, led) > 0) return tricks.LowestOfSuit(hand, led);
  if (deck.stock.empty()) {
    const SeatRecord& user = seatList[(seat + 1) % 2];
    PileIterator it(hand);
    Card* choice = nullptr;
    for (Card* c = it.FirstFromRandom(*rng); c; c = it.Next()) {
      if (!choice) {
        choice = c;
        continue;
      }
      const bool t = c->suit == trump, choiceTrump = choice->suit == trump;
      bool replace;
      if (choiceTrump)
        replace = t && c->rank < choice->rank;
      else if (t)
        replace = true;
      else {
        const std::uint32_t mine = user.CountSuit(c->suit), theirs = user.CountSuit(choice->suit);
        replace = mine < theirs || (mine == theirs && c->rank < choice->rank);
      }
      if (replace) choice = c;
    }
    return choice;
  }
  Card* card = nullptr;
  if (WalkSuitsFromRandom(*rng, [&](std::int32_t s) {
        if (s == targetSuit || s == trump || Held(seat, s) == 0 || Out(seat, s) == 0) return false;
        card = tricks.LowestOfSuit(hand, s);
        return true;
      }))
    return card;
  if (WalkSuitsFromRandom(*rng, [&](std::int32_t s) {
        if (s == trump || Held(seat, s) == 0) return false;
        card = tricks.LowestOfSuit(hand, s);
        return true;
      }))
    return card;
  card = tricks.LowestOfSuit(hand, trump);
  return card ? card : hand.FirstCard();
}

Card* GermanWhistGame::LeadFirstHalf(std::uint32_t seat) {
  const SeatRecord& hand = seatList[seat % 2];
  const std::int32_t trump = tricks.trump;
  if (targetSuit == trump && trump != kSuitNone) {
    if (Held(seat, trump) > 0 && Out(seat, trump) != 0) return tricks.LowestOfSuit(hand, trump);
  } else if (targetSuit != kSuitNone && Held(seat, targetSuit) > 0) {
    return tricks.LowestOfSuit(hand, targetSuit);
  }
  Card* card = nullptr;
  if (WalkSuitsFromRandom(*rng, [&](std::int32_t s) {
        if (s == trump || Held(seat, s) == 0) return false;
        card = tricks.LowestOfSuit(hand, s);
        return true;
      }))
    return card;
  return hand.FirstCard();
}

Card* GermanWhistGame::LeadSecondHalf(std::uint32_t seat) {
  const SeatRecord& hand = seatList[seat % 2];
  const std::int32_t trump = tricks.trump;
  if (trump != kSuitNone && Held(seat, trump) > Out(seat, trump) && Out(seat, trump) > 0)
    return PickSuitCard(seat, trump);
  for (std::int32_t s = 0; s < 4; ++s)
    if (s != trump && Held(seat, s) > 0 && Out(seat, s) == 0) return PickSuitCard(seat, s);
  if (hand.longestSuit >= 0 && hand.longestSuit < 4 && Held(seat, hand.longestSuit) > 0)
    return PickSuitCard(seat, hand.longestSuit);
  if (targetSuit >= 0 && targetSuit < 4 && targetSuit != trump && Held(seat, targetSuit) > 0)
    return PickSuitCard(seat, targetSuit);
  for (std::int32_t s = 0; s < 4; ++s)
    if (s != targetSuit && s != trump && Held(seat, s) > 0) return PickSuitCard(seat, s);
  return hand.FirstCard();
}

Card* GermanWhistGame::ChooseCard() {
  const std::uint32_t seat = current % 2;
  SeatRecord& hand = seatList[seat];
  const bool stockEmpty = deck.stock.empty();
  PlanTargetSuit(seat, stockEmpty);
  if (tricks.ledCard) {
    const std::int32_t led = tricks.ledCard->suit;
    if (!tricks.CanWin(hand, false) || (!stockEmpty && led == targetSuit)) return PlayLow(seat);
    // The follower counts as the last hand of the shared choices.
    tricks.playedCount = (tricks.playedCount + 2) % 4;
    Card* card = tricks.ChooseWinningCard(hand, *rng, false);
    if (!stockEmpty && card && (card->suit == tricks.trump || card->rank < 4)) return PlayLow(seat);
    return card;
  }
  return stockEmpty ? LeadSecondHalf(seat) : LeadFirstHalf(seat);
}

void GermanWhistGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  if (cardImages && turnUp && !deck.stock.empty()) {
    turnUp->Draw(*cardImages, hdc, trumpCardRect.left, trumpCardRect.top, true);
    if (deck.stock.size() > 1)
      DrawStockBacks(*cardImages, hdc, StockBackCount(deck.stock.size()),
                     trumpCardRect.left - cardImages->CardWidth() / 2, trumpCardRect.top);
    PaintTableLabel(*this, hdc, "Trump", trumpLabelRect);
  }
  TrickGame::Paint(hdc);
  PaintTricksPanel(*this, hdc);
}
