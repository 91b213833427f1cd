#include "SelfPlay.h"

#include <algorithm>
#include <map>

#include "CardTestKit.h"

bool PointOnCard(const CardPile& pile, const Card* card, long& x, long& y) {
  const CardRect& b = pile.bounds;
  const long midY = b.top + pile.cardHeight / 2;
  for (x = b.left; x < b.right; ++x)
    if (pile.CardAt(x, midY) == card) {
      y = midY;
      return true;
    }
  for (y = b.top; y < b.bottom; y += 2)
    for (x = b.left; x < b.right; x += 2)
      if (pile.CardAt(x, y) == card) return true;
  return false;
}

void SelfPlay::Fault(const std::string& what) {
  if (result_.faults.size() < 20) result_.faults.push_back(what);
}

void SelfPlay::Click(long x, long y) {
  const LPARAM at = MAKELPARAM(x, y);
  game_.OnLButtonDown(at);
  game_.OnLButtonUp(at);
}

bool SelfPlay::ClickCard(const CardPile& pile, const Card* card) {
  long x = 0, y = 0;
  if (!PointOnCard(pile, card, x, y)) return false;
  Click(x, y);
  return true;
}

bool SelfPlay::HumanToMove() {
  const std::uint32_t human = game_.humanSeat;
  if (game_.GetState() != Playing || game_.current != human || human >= game_.seats) return false;
  const SeatRecord& hand = game_.seatList[human];
  return !hand.playedCard && hand.cards.size() > 1;
}

void SelfPlay::MoveHuman() {
  SeatRecord& hand = game_.seatList[game_.humanSeat];
  std::vector<Card*> legal;
  for (Card* c : hand.cards)
    if (game_.tricks.IsLegalPlay(c, hand)) legal.push_back(c);
  if (legal.empty()) {
    Fault("the human seat holds no legal card");
    return;
  }
  Card* pick = legal[choices_.Next(static_cast<std::uint32_t>(legal.size())) % legal.size()];
  if (!pick->selected && !ClickCard(hand, pick)) {
    Fault("no point of the table shows " + CardName(pick));
    return;
  }
  ClickCard(hand, pick);
  ++result_.humanPlays;
  if (!hand.playedCard) Fault("two clicks on a legal card did not play it: " + CardName(pick));
  if (options_.doubleClickPlays && !hand.cards.empty()) {
    // A quick second play to the same trick must come to nothing.
    Observe();
    Snapshot();
    Card* other = hand.cards[choices_.Next(static_cast<std::uint32_t>(hand.cards.size())) % hand.cards.size()];
    ClickCard(hand, other);
    ClickCard(hand, other);
  }
}

bool SelfPlay::HandEnded(std::int32_t before, std::int32_t after) { return after == HandOver && before != HandOver; }

void SelfPlay::CheckHand() {
  ++result_.hands;
  std::map<const Card*, int> places;
  for (const SeatRecord& seat : game_.seatList)
    for (const Card* c : seat.cards) ++places[c];
  for (const Card* c : playedThisHand_) ++places[c];
  for (const Card* c : game_.deck.stock) ++places[c];
  std::size_t counted = 0;
  for (const Card& c : game_.deck.pack) {
    const int n = places.count(&c) ? places[&c] : 0;
    if (n != 1) Fault("hand " + std::to_string(result_.hands) + ": " + CardName(&c) + " is in " + std::to_string(n) +
                      " places");
    counted += places.count(&c);
  }
  if (counted != places.size()) Fault("cards from outside the pack are in play");
  if (options_.tricksPerHand && tricksThisHand_ != options_.tricksPerHand)
    Fault("hand " + std::to_string(result_.hands) + " had " + std::to_string(tricksThisHand_) + " tricks");
  playedThisHand_.clear();
  tricksThisHand_ = 0;
  lastToPlay_ = lastWinner_ = -1;
  if (options_.onHandOver) options_.onHandOver(game_);
}

void SelfPlay::CheckTurn(std::uint32_t seat, bool leads) {
  const std::int32_t who = static_cast<std::int32_t>(seat);
  if (leads) {
    if (lastWinner_ >= 0 && who != lastWinner_)
      Fault("seat " + std::to_string(seat) + " led, but seat " + std::to_string(lastWinner_) + " won the last trick");
  } else if (lastToPlay_ >= 0) {
    std::uint32_t next = static_cast<std::uint32_t>(lastToPlay_);
    for (std::uint32_t n = 0; n < game_.seats; ++n) {
      next = (next + 1) % game_.seats;
      if (game_.SeatTakesPart(next)) break;
    }
    if (seat != next) Fault("seat " + std::to_string(seat) + " played out of turn: seat " + std::to_string(next) + " was next");
  }
  lastToPlay_ = who;
}

void SelfPlay::Snapshot() {
  hands_.assign(4, {});
  played_.assign(4, nullptr);
  for (std::size_t s = 0; s < 4 && s < game_.seatList.size(); ++s) {
    hands_[s].assign(game_.seatList[s].cards.begin(), game_.seatList[s].cards.end());
    played_[s] = game_.seatList[s].playedCard;
  }
  tricks_ = game_.tricks;
  state_ = game_.GetState();
}

void SelfPlay::Observe() {
  const std::uint32_t seats = std::min<std::uint32_t>(game_.seats, 4);
  bool anyBefore = false, anyNow = false, anyCleared = false;
  int newPlays = 0;
  std::uint32_t player = 0;
  for (std::uint32_t s = 0; s < seats; ++s) {
    const SeatRecord& seat = game_.seatList[s];
    Card* before = played_[s];
    Card* now = seat.playedCard;
    anyBefore |= before != nullptr;
    anyNow |= now != nullptr;
    anyCleared |= before && !now;
    const std::string who = "seat " + std::to_string(s) + " ";
    if (now && now != before) {
      ++newPlays;
      player = s;
      if (before) Fault(who + "played a second card to one trick: " + CardName(now));
      const std::vector<Card*>& held = hands_[s];
      if (std::find(held.begin(), held.end(), now) == held.end()) {
        Fault(who + "played a card it did not hold: " + CardName(now));
      } else {
        CardStack pile;
        pile.cards.assign(held.begin(), held.end());
        if (!tricks_.IsLegalPlay(now, pile)) Fault(who + "played an illegal card: " + CardName(now));
      }
      if (std::find(seat.cards.begin(), seat.cards.end(), now) != seat.cards.end())
        Fault(who + "still holds the card it played: " + CardName(now));
      if (!playedThisHand_.insert(now).second) Fault(who + "played a card twice in one hand: " + CardName(now));
      ++trickPlays_[s];
      if (seat.cards.size() + 1 < hands_[s].size()) Fault(who + "lost more than the card it played");
    } else if (seat.cards.size() < hands_[s].size()) {
      Fault(who + "lost cards without playing them");
    }
  }
  if (anyCleared && anyNow) Fault("a trick was cleared only in part");
  if (options_.checkTurnOrder && newPlays == 1) CheckTurn(player, !anyBefore);
  if (anyBefore && !anyNow) {
    lastWinner_ = tricks_.winningSeat;
    lastToPlay_ = -1;
    for (std::uint32_t s = 0; s < seats; ++s)
      if (game_.SeatTakesPart(s) && trickPlays_[s] != 1)
        Fault("seat " + std::to_string(s) + " played " + std::to_string(trickPlays_[s]) + " cards to a trick");
    std::fill(trickPlays_.begin(), trickPlays_.end(), 0);
    ++result_.tricks;
    ++tricksThisHand_;
  }
  const std::int32_t now = game_.GetState();
  if (now != state_ && HandEnded(state_, now)) CheckHand();
}

SelfPlayResult SelfPlay::Run(const SelfPlayOptions& options) {
  options_ = options;
  result_ = SelfPlayResult();
  ScriptedDialogs boxes(&game_);
  trickPlays_.assign(4, 0);
  playedThisHand_.clear();
  tricksThisHand_ = 0;
  lastToPlay_ = lastWinner_ = -1;
  game_.Resume();  // as the window's first size message does
  Snapshot();
  game_.NewDeal(true, true);
  Observe();
  while (result_.ticks < options_.maxTicks) {
    if (game_.GetState() == Finished) {
      result_.finished = true;
      break;
    }
    if (HumanToMove()) {
      Snapshot();
      MoveHuman();
      Observe();
    }
    const std::int32_t st = game_.GetState();
    if (options_.clickThroughHolds && (st == HoldA || st == HoldB || st == HandOver)) {
      Snapshot();
      Click(0, 0);
      Observe();
    }
    Snapshot();
    if (game_.state != Paused) game_.OnTimer();  // the window sends no ticks while paused
    ++result_.ticks;
    Observe();
  }
  if (!result_.finished) Fault("the game did not end within " + std::to_string(options_.maxTicks) + " ticks");
  else if (game_.state == Paused) Fault("the finished game was left paused");
  // A game of legal plays opens no box before the one that ends it.
  if (boxes.boxes.size() != 1) Fault(std::to_string(boxes.boxes.size()) + " boxes were opened");
  result_.boxes = boxes.boxes;
  return result_;
}
