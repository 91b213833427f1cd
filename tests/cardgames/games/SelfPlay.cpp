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

bool RandomDialogs::YesNo(HWND owner, const std::string& caption, const std::string& text) {
  ScriptedDialogs::YesNo(owner, caption, text);
  const bool yes = rng_.Next(2) == 1;
  boxes.back().answer = yes;
  return yes;
}

std::int32_t RandomDialogs::Pick(const ChoiceList& list) {
  // The dialog attaches a value to every choice shown; with none shown OK answers 0.
  const std::size_t shown = std::min(list.choices.size(), list.values.size());
  if (shown == 0) return 0;
  return list.values[rng_.Next(static_cast<std::uint32_t>(shown)) % shown];
}

std::int32_t RandomDialogs::Choose(HWND owner, int dialogId, DLGPROC procedure, ChoiceList& list) {
  ScriptedDialogs::Choose(owner, dialogId, procedure, list);
  return boxes.back().answer = Pick(list);
}

std::int32_t RandomDialogs::ChooseWithCheck(HWND owner, int dialogId, DLGPROC procedure,
                                            ChoiceListWithCheck& record) {
  ScriptedDialogs::ChooseWithCheck(owner, dialogId, procedure, record);
  if (checkFlags) {
    checkFlags(record, rng_);
  } else {
    record.ticked = static_cast<std::uint8_t>(rng_.Next(2));
    const std::uint32_t radio = rng_.Next(3);
    record.allowCheck = radio == 1;
    record.extraFlag = radio == 2;
  }
  return boxes.back().answer = Pick(record.list);
}

void SelfPlay::Fault(const std::string& what) {
  if (result_.faults.size() < 20) result_.faults.push_back(what);
}

std::uint32_t SelfPlay::Random(std::uint32_t n) { return n ? choices_.Next(n) % n : 0; }

void SelfPlay::Click(long x, long y) {
  const LPARAM at = MAKELPARAM(x, y);
  game_.OnLButtonDown(at);
  game_.OnLButtonUp(at);
}

void SelfPlay::RightClick(long x, long y) {
  const LPARAM at = MAKELPARAM(x, y);
  game_.OnRButtonDown(at);
  game_.OnRButtonUp(at);
}

bool SelfPlay::ClickCard(const CardPile& pile, const Card* card) {
  long x = 0, y = 0;
  if (!PointOnCard(pile, card, x, y)) return false;
  Click(x, y);
  return true;
}

bool SelfPlay::ClickToPlay(const CardPile& pile, const Card* card) {
  if (!card->selected && !ClickCard(pile, card)) {
    Fault("no point of the table shows " + CardName(card));
    return false;
  }
  ClickCard(pile, card);
  return true;
}

bool SelfPlay::RightClickCard(const CardPile& pile, const Card* card) {
  long x = 0, y = 0;
  if (!PointOnCard(pile, card, x, y)) return false;
  RightClick(x, y);
  return true;
}

std::uint32_t SelfPlay::HandCount() const {
  return options_.handCounter ? options_.handCounter(game_) : game_.handsPlayed;
}

bool SelfPlay::FromPacks(const Card* card) const {
  // The pack is a deque: its cards do not lie in one block, so each is compared.
  auto in = [card](const CardDeck* deck) {
    return deck && std::any_of(deck->pack.begin(), deck->pack.end(), [card](const Card& c) { return &c == card; });
  };
  return in(&game_.deck) || (options_.secondPack && in(options_.secondPack(game_)));
}

std::vector<const Card*> SelfPlay::Located() const {
  std::vector<const Card*> cards;
  for (const SeatRecord& seat : game_.seatList) {
    cards.insert(cards.end(), seat.cards.begin(), seat.cards.end());
    if (seat.playedCard) cards.push_back(seat.playedCard);
  }
  cards.insert(cards.end(), game_.deck.stock.begin(), game_.deck.stock.end());
  if (options_.secondPack)
    if (const CardDeck* second = options_.secondPack(game_))
      cards.insert(cards.end(), second->stock.begin(), second->stock.end());
  if (options_.places) options_.places(game_, cards);
  return cards;
}

bool SelfPlay::HumanToMove() {
  if (options_.humanToMove) return options_.humanToMove(game_);
  const std::uint32_t human = game_.humanSeat;
  if (human >= game_.seats || game_.current != human) return false;
  const SeatRecord& hand = game_.seatList[human];
  const std::int32_t st = game_.GetState();
  if (st == Bidding) return options_.bidByClick && hand.bid.kind == kNoBid && !hand.cards.empty();
  return st == Playing && !hand.playedCard && hand.cards.size() > 1;
}

void SelfPlay::BidHuman() {
  SeatRecord& hand = game_.seatList[game_.humanSeat];
  Card* pick = hand.cards[Random(static_cast<std::uint32_t>(hand.cards.size()))];
  if (!ClickToPlay(hand, pick)) return;
  ++result_.humanBids;
  if (hand.bid.kind == kNoBid) Fault("two clicks on a card did not bid it: " + CardName(pick));
}

void SelfPlay::MoveHuman() {
  if (options_.humanMove) {
    if (!options_.humanMove(*this)) Fault("the user was to move, but had nothing to do");
    return;
  }
  if (game_.GetState() == Bidding) {
    BidHuman();
    return;
  }
  SeatRecord& hand = game_.seatList[game_.humanSeat];
  std::vector<Card*> legal;
  for (Card* c : hand.cards)
    if (game_.tricks.IsLegalPlay(c, hand)) legal.push_back(c);
  if (legal.empty()) {
    Fault("the human seat holds no legal card");
    return;
  }
  Card* pick = legal[Random(static_cast<std::uint32_t>(legal.size()))];
  if (!ClickToPlay(hand, pick)) return;
  ++result_.humanPlays;
  if (!hand.playedCard) Fault("two clicks on a legal card did not play it: " + CardName(pick));
  if (options_.doubleClickPlays && !hand.cards.empty()) {
    // A quick second play to the same trick must come to nothing.
    Observe();
    Snapshot();
    Card* other = hand.cards[Random(static_cast<std::uint32_t>(hand.cards.size()))];
    ClickCard(hand, other);
    ClickCard(hand, other);
  }
}

bool SelfPlay::HandEnded(std::int32_t before, std::int32_t after) {
  return after == options_.handOverState && before != options_.handOverState;
}

void SelfPlay::CheckHand() {
  const std::string hand = "hand " + std::to_string(result_.hands + 1) + ": ";
  std::map<const Card*, int> held;  // in a hand or the stock
  for (const SeatRecord& seat : game_.seatList)
    for (const Card* c : seat.cards) ++held[c];
  for (const Card* c : game_.deck.stock) ++held[c];
  std::map<const Card*, int> places;
  for (const Card* c : Located()) ++places[c];
  std::vector<const CardDeck*> packs = {&game_.deck};
  if (options_.secondPack)
    if (const CardDeck* second = options_.secondPack(game_)) packs.push_back(second);
  for (const CardDeck* pack : packs)
    for (const Card& c : pack->pack) {
      const int n = places.count(&c) ? places[&c] : 0;
      // A card played this hand may have gone with its trick or lie on a listed pile.
      const bool ok = playedThisHand_.count(&c) ? n == 0 || (n == 1 && !held.count(&c)) : n == 1;
      if (!ok) Fault(hand + CardName(&c) + " is in " + std::to_string(n) + " places");
    }
  for (const auto& p : places)
    if (p.second > 0 && !FromPacks(p.first)) Fault(hand + "cards from outside the pack are in play");
  if (options_.tricksPerHand && tricksThisHand_ != options_.tricksPerHand)
    Fault(hand + std::to_string(tricksThisHand_) + " tricks");
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
  const std::vector<const Card*> located = Located();
  const std::set<const Card*> somewhere(located.begin(), located.end());
  bool anyBefore = false, anyNow = false, anyCleared = false;
  int newPlays = 0;
  std::uint32_t player = 0;
  for (std::uint32_t s = 0; s < seats; ++s) {
    const SeatRecord& seat = game_.seatList[s];
    Card* before = played_[s];
    Card* now = seat.playedCard;
    const std::string who = "seat " + std::to_string(s) + " ";
    if (options_.trickPlays) {
      anyBefore |= before != nullptr;
      anyNow |= now != nullptr;
      anyCleared |= before && !now;
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
      }
    }
    // A card that left the hand was played or went to a place the game keeps.
    for (const Card* c : hands_[s])
      if (c != now && std::find(seat.cards.begin(), seat.cards.end(), c) == seat.cards.end() && !somewhere.count(c))
        Fault(who + "lost a card without playing it: " + CardName(c));
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
  const std::uint32_t count = HandCount();
  if (count != handCount_) {
    ++result_.hands;
    handCount_ = count;
  }
}

SelfPlayResult SelfPlay::Run(const SelfPlayOptions& options) {
  options_ = options;
  result_ = SelfPlayResult();
  MersenneRandom dialogRandom(options_.dialogSeed);
  RandomDialogs boxes(&game_, dialogRandom);
  boxes.checkFlags = options_.checkFlags;
  trickPlays_.assign(4, 0);
  playedThisHand_.clear();
  tricksThisHand_ = 0;
  lastToPlay_ = lastWinner_ = -1;
  game_.Resume();  // as the window's first size message does
  Snapshot();
  game_.NewDeal(true, true);
  handCount_ = HandCount();
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
  // Only the boxes the game allows open before the one that ends it.
  const std::vector<ScriptedDialogs::Box>& seen = boxes.boxes;
  for (std::size_t i = 0; i + 1 < seen.size(); ++i)
    if (!options_.allowBox || !options_.allowBox(seen[i]))
      Fault("a " + seen[i].kind + " box opened during play: " + seen[i].caption + ": " + seen[i].text);
  if (seen.empty() || seen.back().kind != "info") Fault("no box ended the game");
  result_.boxes = seen;
  return result_;
}
