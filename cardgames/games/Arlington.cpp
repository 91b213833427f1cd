#include "Arlington.h"

#include <algorithm>
#include <vector>

#include "CardImages.h"
#include "ChoiceList.h"
#include "DrawTable.h"
#include "GamePaint.h"
#include "GameResources.h"
#include "GameSteps.h"
#include "Window.h"

namespace {

const char kTitle[] = "Arlington";
const std::int32_t kIdValue = 0x11;
const std::int32_t kHandHoldTicks = 50;
const std::uint32_t kMeldSize = 4;

bool IsAce(std::int32_t rank) { return rank == kRankLowAce || rank == kRankHighAce; }

LRESULT OnOptionsInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  auto* game = static_cast<ArlingtonGame*>(InitOptionsDialog(dialog, lParam, {IDC_ARLINGTON_DEUCES}));
  SetChecked(dialog, IDC_ARLINGTON_DEUCES, game->deucesWild);
  return TRUE;
}

LRESULT OnOptionsOk(HWND dialog, WPARAM, LPARAM) {
  auto* game = static_cast<ArlingtonGame*>(OptionsDialogGame(dialog));
  game->deucesWild = IsChecked(dialog, IDC_ARLINGTON_DEUCES);
  AcceptOptionsDialog(dialog, game->OptionsFile());
  return 0;
}

}  // namespace

std::string ArlingtonName() { return kTitle; }

std::int32_t ArlingtonId() { return kIdValue; }

CardGame* CreateArlingtonGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new ArlingtonGame(window, humanSeat, rng);
}

// The joker stands for nothing.
void ResetJokerCard(Card& card) {
  card.rank = card.faceRank = kRankJoker;
  card.suit = card.faceSuit = kSuitNone;
  card.faceUp = false;
}

void MeldSlot::Clear() {
  pile.Clear();
  isRun = hasJoker = false;
  lowRank = 14;
  highRank = 15;
  suit = kSuitNone;
}

ArlingtonGame::ArlingtonGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : CardGame(window, 2, 13, 8, humanSeat, rng) {
  for (int pack = 0; pack < 2; ++pack)
    AddRankRun(deck, kRankHighAce, 2);
  deck.AddToPack(kSuitNone, kRankJoker);
  seatList[humanSeat].multiSelect = true;
  discardPile.window = window;
  for (auto& side : slots)
    for (MeldSlot& slot : side) slot.pile.window = window;
  ResetJokerCard(jokerCard);
  OptionsFile().Load();
}

ArlingtonGame::~ArlingtonGame() = default;

GameOptionsFile ArlingtonGame::OptionsFile() { return GameOptionsFile(window, kTitle, kIdValue).Bool(deucesWild); }

bool ArlingtonGame::HasOptions() { return true; }

bool ArlingtonGame::ShowRules(HWND textBox) { return ShowRulesText(window, IDT_ARLINGTON_RULES, textBox); }

void ArlingtonGame::ShowOptions(HWND parent) {
  RunOptionsDialog(*this, parent, IDD_ARLINGTON_OPTIONS, &OptionsDialogProc<&OnOptionsInit, &OnOptionsOk>);
}

bool ArlingtonGame::IsWild(const Card* card) const {
  return card->rank == kRankJoker || (deucesWild && card->rank == 2);
}

std::int32_t ArlingtonGame::CardValue(const Card* card, bool inMeld, std::int32_t position) const {
  if (card->rank == kRankJoker) return inMeld ? 100 : 200;
  if (card->rank == 12 && card->suit == kSuitSpades) return inMeld ? 50 : 100;
  if (card->rank >= 8 && card->rank <= 13) return 10;
  if (card->rank >= 3 && card->rank <= 7) return 5;
  if (!deucesWild) return 5;
  if (!inMeld) return 20;
  return position < 8 ? 5 : 10;
}

void ArlingtonGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  statusLines[0] = "Hand " + std::to_string(handsPlayed + 1) + " of " + std::to_string(handsPerGame);
  deck.TurnAllFaceUp();
  ResetJokerCard(jokerCard);
  for (auto& suit : seen)
    for (std::int32_t& n : suit) n = 0;
  for (auto& side : slots)
    for (MeldSlot& slot : side) slot.Clear();
  discardPile.Clear();
  if (Card* top = deck.Draw()) discardPile.AddCardFirst(top);
  SetCurrentSeat(current);
}

void ArlingtonGame::SetCurrentSeat(std::uint32_t seat) {
  StartDrawTurn(*this, seat);
  mustDraw = true;
  if (current != humanSeat) computerStep = 0;
}

void ArlingtonGame::PutOnTable(Card* card) {
  for (SeatRecord& seat : seatList) seat.RemoveCard(card);
  card->selected = false;
  card->faceUp = true;
  if (!IsWild(card) && card->suit >= 0 && card->suit < 5 && card->rank >= 0 && card->rank < 15)
    ++seen[card->suit][card->rank];
}

bool ArlingtonGame::MeldInSlot(std::uint32_t seat, int slot, Card* extraCard) {
  if (seat >= 2 || slot < 0 || slot >= kSlots) return false;
  SeatRecord& hand = seatList[seat];
  MeldSlot& m = slots[seat][slot];
  std::vector<Card*> selected;
  for (Card* c : hand.cards)
    if (c->selected) selected.push_back(c);
  if (!m.pile.cards.empty()) {
    if (extraCard || selected.size() != 1) return false;
    return AddCardToSlot(seat, slot, selected.front());
  }
  std::vector<Card*> cards;
  if (extraCard) cards.push_back(extraCard);
  cards.insert(cards.end(), selected.begin(), selected.end());
  std::vector<Card*> naturals, wilds;
  std::int32_t counts[15] = {};
  bool oneSuit = true, court = false, low = false;
  for (Card* c : cards) {
    if (IsWild(c)) {
      wilds.push_back(c);
      continue;
    }
    if (!naturals.empty() && c->suit != naturals.front()->suit) oneSuit = false;
    naturals.push_back(c);
    ++counts[c->rank];
    if (c->rank == kRankHighAce) ++counts[kRankLowAce];
    court |= c->rank >= 11 && c->rank <= 13;
    low |= c->rank >= 2 && c->rank <= 4;
  }
  // The ace goes low beside a two, three or four, high beside a court card.
  if (court)
    counts[kRankLowAce] = 0;
  else if (low)
    counts[kRankHighAce] = 0;
  if (cards.size() < 3 || cards.size() > kMeldSize || naturals.size() < 2) return false;
  const std::int32_t maxCount = *std::max_element(counts, counts + 15);
  std::vector<Card*> placed;  // the cards in slot order
  std::vector<std::int32_t> jokerPlace;
  if (maxCount == 1) {
    if (!oneSuit) return false;
    std::int32_t remaining = 0;
    for (std::int32_t n : counts) remaining += n;
    std::size_t wildsLeft = wilds.size();
    std::int32_t first = -1, last = -1;
    for (std::int32_t p = 0; p < 15 && remaining > 0; ++p) {
      if (counts[p]) {
        if (first < 0) first = p;
        last = p;
        remaining -= counts[p];
      } else if (first >= 0) {
        if (wildsLeft == 0) return false;
        --wildsLeft;
      }
    }
    std::vector<Card*> naturalsLeft = naturals, wildsUnused = wilds;
    std::vector<std::pair<Card*, std::int32_t>> order;
    for (std::int32_t p = first; p <= last; ++p) {
      Card* card = nullptr;
      for (auto it = naturalsLeft.begin(); it != naturalsLeft.end(); ++it)
        if ((*it)->rank == p || (p == kRankLowAce && (*it)->rank == kRankHighAce)) {
          card = *it;
          naturalsLeft.erase(it);
          break;
        }
      if (!card) {
        card = wildsUnused.front();
        wildsUnused.erase(wildsUnused.begin());
      }
      order.push_back({card, p});
    }
    m.isRun = true;
    m.lowRank = first;
    m.highRank = last;
    m.suit = naturals.front()->suit;
    for (Card* c : cards) PutOnTable(c);
    for (const auto& [card, place] : order) {
      m.pile.AddCard(card);
      if (card->rank == kRankJoker) {
        m.hasJoker = true;
        jokerCard.rank = jokerCard.faceRank = place == kRankLowAce ? kRankHighAce : place;
        jokerCard.suit = jokerCard.faceSuit = m.suit;
        jokerCard.faceUp = true;
      }
    }
    for (Card* wild : wildsUnused) PlaceWildInRun(seat, slot, wild);
  } else {
    const std::int32_t rank = naturals.front()->rank;
    for (const Card* c : naturals)
      if (c->rank != rank) return false;
    m.isRun = false;
    m.lowRank = m.highRank = rank;
    m.suit = kSuitNone;
    for (Card* c : cards) {
      PutOnTable(c);
      m.pile.AddCard(c);
    }
    for (Card* c : cards)
      if (c->rank == kRankJoker) ChooseJokerSuit(seat, slot);
  }
  if (m.pile.cards.size() == kMeldSize && !m.hasJoker) ScoreSlot(seat, slot, true);
  InvalidateTable();
  InvalidateStatus();
  return true;
}

bool ArlingtonGame::AddCardToSlot(std::uint32_t seat, int slot, Card* card) {
  if (!card || seat >= 2 || slot < 0 || slot >= kSlots) return false;
  MeldSlot& m = slots[seat][slot];
  if (m.pile.cards.empty() || m.pile.cards.size() >= kMeldSize) return false;
  const bool wild = IsWild(card);
  if (!wild) {
    if (!m.isRun) {
      if (card->rank != m.lowRank) return false;
    } else {
      if (card->suit != m.suit) return false;
      const bool below = card->rank == m.lowRank - 1 || (card->rank == kRankHighAce && m.lowRank == 2);
      const bool above = card->rank == m.highRank + 1;
      if (!below && !above) return false;
      PutOnTable(card);
      if (above) {
        m.highRank = card->rank;
        m.pile.AddCard(card);
      } else {
        m.lowRank = m.lowRank - 1;
        m.pile.AddCardFirst(card);
      }
    }
  }
  if (wild || !m.isRun) {
    PutOnTable(card);
    if (m.isRun) {
      PlaceWildInRun(seat, slot, card);
    } else {
      m.pile.AddCard(card);
      if (card->rank == kRankJoker) ChooseJokerSuit(seat, slot);
    }
  }
  if (!m.hasJoker && m.pile.cards.size() == kMeldSize) ScoreSlot(seat, slot, true);
  InvalidateTable();
  InvalidateStatus();
  return true;
}

// A wild card that fills no gap lengthens the run at one end.
void ArlingtonGame::PlaceWildInRun(std::uint32_t seat, int slot, Card* card) {
  MeldSlot& m = slots[seat][slot];
  // The run cannot go below the lowest natural, nor below an ace at its low end.
  const bool canGoLower = m.lowRank > (deucesWild ? 3 : 2);
  bool up = true;
  if (m.highRank == kRankHighAce) {
    up = false;
  } else if (canGoLower && seat == humanSeat) {
    up = AskYesNo(kTitle, card->rank == kRankJoker ? "Would you like the joker to be high?"
                                                   : "Would you like the deuce to be high?");
  }
  std::int32_t place;
  if (up) {
    place = ++m.highRank;
    m.pile.AddCard(card);
  } else {
    place = --m.lowRank;
    m.pile.AddCardFirst(card);
  }
  if (card->rank == kRankJoker) {
    m.hasJoker = true;
    jokerCard.rank = jokerCard.faceRank = place == kRankLowAce ? kRankHighAce : place;
    jokerCard.suit = jokerCard.faceSuit = m.suit;
    jokerCard.faceUp = true;
  }
  InvalidateTable();
}

void ArlingtonGame::ChooseJokerSuit(std::uint32_t seat, int slot) {
  MeldSlot& m = slots[seat][slot];
  m.hasJoker = true;
  std::int32_t suit = kSuitSpades;
  if (seat == humanSeat) {
    ChoiceList list;
    list.caption = "Select a Suit for the Joker";
    for (std::int32_t s = 0; s < 4; ++s) list.Add(SuitName(s), s);
    suit = AskChoice(*this, IDD_ARLINGTON_JOKER, list);
    if (suit < 0 || suit > 3) suit = kSuitSpades;
  } else {
    SuitCycle cycle;
    std::int32_t start = 0;
    BeginSuitCycle(*rng, start, cycle);
    suit = start;
    for (std::int32_t i = 0; i < 4; ++i) {
      const std::int32_t s = (start + i) & 3;
      if (seen[s][m.lowRank] == 2) {
        suit = s;
        break;
      }
    }
  }
  jokerCard.rank = jokerCard.faceRank = m.lowRank;
  jokerCard.suit = jokerCard.faceSuit = suit;
  jokerCard.faceUp = true;
}

void ArlingtonGame::ScoreSlot(std::uint32_t seat, int slot, bool clear) {
  MeldSlot& m = slots[seat][slot];
  std::int32_t place = m.lowRank;
  for (const Card* c : m.pile.cards) {
    scores[seat] += CardValue(c, true, place);
    // A set's cards all stand at its rank.
    if (m.isRun) ++place;
  }
  if (clear) {
    m.pile.Invalidate();
    m.Clear();
    statusLines[2] = "Slot " + std::to_string(slot + 1) + " has been cleared.";
  }
  InvalidateStatus();
}

bool ArlingtonGame::MatchesJoker(const Card* card) const {
  if (!card || jokerCard.rank == kRankJoker || IsWild(card) || card->suit != jokerCard.suit) return false;
  return card->rank == jokerCard.rank || (IsAce(card->rank) && IsAce(jokerCard.rank));
}

void ArlingtonGame::ExchangeJoker(Card* card, std::uint32_t seat) {
  for (std::uint32_t owner = 0; owner < 2; ++owner)
    for (int k = 0; k < kSlots; ++k) {
      MeldSlot& m = slots[owner][k];
      if (!m.hasJoker) continue;
      m.hasJoker = false;
      ResetJokerCard(jokerCard);
      Card* joker = nullptr;
      for (Card* c : m.pile.cards)
        if (c->rank == kRankJoker) joker = c;
      if (!joker) return;
      m.pile.ReplaceCard(joker, card);
      seatList[seat].ReplaceCard(card, joker);
      card->selected = false;
      joker->selected = false;
      if (!IsWild(card)) ++seen[card->suit][card->rank];
      seatList[seat].Sort(sortMode);
      if (m.pile.cards.size() == kMeldSize) ScoreSlot(owner, k, true);
      InvalidateTable();
      return;
    }
}

bool ArlingtonGame::TakeDiscardPile(std::uint32_t seat) {
  Card* top = discardPile.FirstCard();
  if (!top) return false;
  bool taken = false;
  for (int k = 0; k < kSlots && !taken; ++k) taken = MeldInSlot(seat, k, top);
  if (!taken) return false;
  // The top card was counted as it went onto the table.
  discardPile.RemoveCard(top);
  SeatRecord& hand = seatList[seat];
  while (Card* c = discardPile.RemoveCard(nullptr)) {
    c->selected = false;
    hand.AddCard(c);
  }
  hand.Sort(sortMode);
  statusLines[2] = hand.name + " takes the discard pile.";
  InvalidateTable();
  InvalidateStatus();
  return true;
}

bool ArlingtonGame::IsLegalDiscard(const Card* card, const CardPile& hand) const {
  if (card->rank != 12 || card->suit != kSuitSpades) return true;
  for (const Card* c : hand.cards)
    if (c->rank != 12 || c->suit != kSuitSpades) return false;
  return true;
}

void ArlingtonGame::Discard(std::uint32_t seat) {
  SeatRecord& hand = seatList[seat];
  Card* card = hand.FirstSelected();
  if (!card) return;
  card->selected = false;
  hand.RemoveCard(card);
  discardPile.AddCardFirst(card);
  InvalidateTable();
  if (!hand.cards.empty() && !deck.stock.empty())
    SetCurrentSeat((seat + 1) % seats);
  else
    EndOfHand(seat);
}

void ArlingtonGame::EndOfHand(std::uint32_t seat) {
  // Only once: the move that ended the hand may be noticed twice.
  if (GetState() != Playing) return;
  scores[seat] += 100;
  const std::uint32_t other = (seat + 1) % seats;
  for (const Card* c : seatList[other].cards) scores[other] -= CardValue(c, false, kInHand);
  for (std::uint32_t s = 0; s < 2; ++s)
    for (int k = 0; k < kSlots; ++k)
      if (!slots[s][k].pile.cards.empty()) ScoreSlot(s, k, false);
  handOverCountdown = kHandHoldTicks;
  SetState(HandOver);
  statusLines[2].clear();
  statusLines[1] = "This hand is over.";
  InvalidateStatus();
}

void ArlingtonGame::DrawCard(std::uint32_t seat) {
  Card* card = deck.Draw();
  if (!card) return;
  card->faceUp = true;
  seatList[seat].AddCard(card);
  seatList[seat].Sort(sortMode);
  mustDraw = false;
  InvalidateTable();
  InvalidateStatus();
}

void ArlingtonGame::OnTimer() { DrawGameTick(*this, kTitle, &ArlingtonGame::ComputerStep); }

void ArlingtonGame::ComputerStep() {
  const std::uint32_t seat = current;
  SeatRecord& hand = seatList[seat];
  switch (computerStep) {
    case 0:
      if (discardPile.cards.empty() || !ComputerTakeDiscard(seat)) {
        ClearSelection(hand);
        DrawCard(seat);
      }
      mustDraw = false;
      computerStep = 1;
      StartComputerDelay();
      break;
    case 1:
      if (jokerCard.rank != kRankJoker) {
        Card* match = nullptr;
        for (Card* c : hand.cards)
          if (MatchesJoker(c)) match = c;
        if (match) {
          ExchangeJoker(match, seat);
          statusLines[2] = hand.name + " takes the joker";
          StartComputerDelay();
        }
      }
      computerStep = 2;
      break;
    case 2:
      if (ComputerMeldNew(seat)) {
        PlayBeep();
        StartComputerDelay();
      } else {
        computerStep = 3;
      }
      break;
    case 3:
      if (ComputerAddToMelds(seat)) {
        PlayBeep();
        StartComputerDelay();
      } else {
        computerStep = 4;
      }
      break;
    default:
      if (Card* card = ChooseDiscard(seat)) {
        ClearSelection(hand);
        card->selected = true;
        PlayBeep();
        Discard(seat);
      }
      break;
  }
}

bool ArlingtonGame::TryMeld(std::uint32_t seat, const std::vector<Card*>& cards) {
  SeatRecord& hand = seatList[seat];
  int empty = -1;
  for (int k = 0; k < kSlots && empty < 0; ++k)
    if (slots[seat][k].pile.cards.empty()) empty = k;
  if (empty < 0) return false;
  ClearSelection(hand);
  for (Card* c : cards) c->selected = true;
  const bool ok = MeldInSlot(seat, empty, nullptr);
  ClearSelection(hand);
  return ok;
}

bool ArlingtonGame::ComputerTakeDiscard(std::uint32_t seat) {
  SeatRecord& hand = seatList[seat];
  const Card* top = discardPile.FirstCard();
  if (!top) return false;
  ClearSelection(hand);
  auto selectRank = [&](std::int32_t rank, std::size_t most) {
    std::size_t n = 0;
    for (Card* c : hand.cards)
      if (n < most && !IsWild(c) && c->rank == rank) c->selected = true, ++n;
    return n;
  };
  auto find = [&](std::int32_t suit, std::int32_t rank) -> Card* {
    if (rank == kRankLowAce) rank = kRankHighAce;
    for (Card* c : hand.cards)
      if (!IsWild(c) && !c->selected && c->suit == suit && c->rank == rank) return c;
    return nullptr;
  };
  if (!IsWild(top)) {
    if (hand.CountRank(top->rank) >= 2 && selectRank(top->rank, 3) >= 2) return TakeDiscardPile(seat);
    const std::int32_t r = top->rank;
    const std::int32_t pairs[3][2] = {{r + 1, r + 2}, {r - 1, r - 2}, {r - 1, r + 1}};
    for (const auto& p : pairs) {
      Card* a = find(top->suit, p[0]);
      Card* b = find(top->suit, p[1]);
      if (a && b && a != b) {
        a->selected = b->selected = true;
        if (TakeDiscardPile(seat)) return true;
        ClearSelection(hand);
      }
    }
    return false;
  }
  for (std::int32_t rank = kRankHighAce; rank >= (deucesWild ? 3 : 2); --rank) {
    std::size_t held = 0;
    for (const Card* c : hand.cards) held += !IsWild(c) && c->rank == rank;
    if (held >= 2) {
      selectRank(rank, 3);
      return TakeDiscardPile(seat);
    }
  }
  return false;
}

bool ArlingtonGame::ComputerMeldNew(std::uint32_t seat) {
  SeatRecord& hand = seatList[seat];
  bool emptySlot = false;
  for (const MeldSlot& m : slots[seat]) emptySlot |= m.pile.cards.empty();
  if (!emptySlot) return false;
  std::vector<Card*> wilds;
  for (Card* c : hand.cards)
    if (IsWild(c)) wilds.push_back(c);
  auto ofRank = [&](std::int32_t rank) {
    std::vector<Card*> out;
    for (Card* c : hand.cards)
      if (!IsWild(c) && c->rank == rank) out.push_back(c);
    return out;
  };
  for (std::int32_t rank = kRankHighAce; rank >= 2; --rank) {
    std::vector<Card*> set = ofRank(rank);
    if (set.size() >= 3) {
      if (set.size() > kMeldSize) set.resize(kMeldSize);
      if (TryMeld(seat, set)) return true;
    }
  }
  if (!wilds.empty())
    for (std::int32_t rank = kRankHighAce; rank >= 2; --rank) {
      std::vector<Card*> pair = ofRank(rank);
      if (pair.size() == 2) {
        pair.push_back(wilds.front());
        if (TryMeld(seat, pair)) return true;
        break;
      }
    }
  // Runs: spans of one suit, one card a rank, bridging one gap with a wild card.
  for (std::int32_t suit = 0; suit < 4; ++suit) {
    Card* byRank[16] = {};
    for (Card* c : hand.cards)
      if (!IsWild(c) && c->suit == suit) {
        byRank[c->rank] = c;
        if (c->rank == kRankHighAce) byRank[kRankLowAce] = c;
      }
    for (std::int32_t start = 1; start <= 12; ++start) {
      if (!byRank[start]) continue;
      std::vector<Card*> run;
      bool bridged = false;
      for (std::int32_t r = start; r <= 14 && run.size() < kMeldSize; ++r) {
        if (byRank[r] && std::find(run.begin(), run.end(), byRank[r]) == run.end()) {
          run.push_back(byRank[r]);
        } else if (!bridged && !wilds.empty() && r + 1 <= 14 && byRank[r + 1]) {
          run.push_back(wilds.front());
          bridged = true;
        } else {
          break;
        }
      }
      if (run.size() >= 3 && TryMeld(seat, run)) return true;
    }
  }
  return false;
}

bool ArlingtonGame::ComputerAddToMelds(std::uint32_t seat) {
  SeatRecord& hand = seatList[seat];
  std::size_t melds = 0;
  for (const MeldSlot& m : slots[seat]) melds += !m.pile.cards.empty();
  if (melds == 0 || (hand.cards.size() <= 2 && hand.cards.size() <= melds)) return false;
  const bool wildsAllowed = hand.cards.size() < 3;
  for (int k = 0; k < kSlots; ++k) {
    if (slots[seat][k].pile.cards.empty()) continue;
    const std::vector<Card*> held(hand.cards.begin(), hand.cards.end());
    for (Card* c : held) {
      if (IsWild(c) && !wildsAllowed) continue;
      if (AddCardToSlot(seat, k, c)) return true;
    }
  }
  return false;
}

Card* ArlingtonGame::ChooseDiscard(std::uint32_t seat) {
  const SeatRecord& hand = seatList[seat];
  for (int pass = 0; pass < 2; ++pass) {
    PileIterator walk(hand);
    Card* best = nullptr;
    std::uint32_t bestCount = 0;
    std::int32_t bestValue = 0;
    for (Card* c = walk.FirstFromRandom(*rng); c; c = walk.Next()) {
      if (!IsLegalDiscard(c, hand) || (pass == 0 && IsWild(c))) continue;
      const std::uint32_t count = hand.CountRank(c->rank);
      const std::int32_t value = CardValue(c, false, kInHand);
      if (!best || count < bestCount || (count == bestCount && value < bestValue))
        best = c, bestCount = count, bestValue = value;
    }
    if (best) return best;
  }
  return nullptr;
}

void ArlingtonGame::OnLButtonDown(LPARAM lParam) {
  DispatchClick(*this, kTitle, lParam, &ArlingtonGame::HumanClick, false);
}

void ArlingtonGame::HumanClick(long x, long y) {
  if (RefuseOutOfTurn(*this, kTitle)) return;
  SeatRecord& hand = seatList[humanSeat];
  if (Card* card = hand.CardAt(x, y)) {
    hand.ToggleSelect(card);
    return;
  }
  if (y < deckRect.top || y > deckRect.bottom) {
    for (int k = 0; k < kSlots; ++k) {
      if (!slots[humanSeat][k].pile.HitTestAnchor(x, y)) continue;
      if (CountSelected(hand) == 0) {
        ShowInfo(kTitle, PileCardsText(slots[humanSeat][k].pile, "This slot is empty."));
      } else if (mustDraw) {
        ShowInfo(kTitle, "You must draw before melding");
      } else if (!MeldInSlot(humanSeat, k, nullptr)) {
        ShowInfo(kTitle, "That is not a valid meld");
      } else if (hand.cards.empty()) {
        EndOfHand(humanSeat);
      }
      return;
    }
    return;
  }
  if (discardPile.HitTestAnchor(x, y))
    HumanDiscardPileClick();
  else if (x >= deckRect.left && x <= deckRect.right)
    HumanDeckClick();
  else if (x >= jokerRect.left && x <= jokerRect.right)
    HumanJokerClick();
}

void ArlingtonGame::HumanDiscardPileClick() {
  SeatRecord& hand = seatList[humanSeat];
  const std::size_t selected = CountSelected(hand);
  if (selected == 0) {
    ShowInfo(kTitle, DiscardPileText(discardPile.cards.size()));
  } else if (mustDraw) {
    if (TakeDiscardPile(humanSeat)) {
      mustDraw = false;
      HumanToPlay(*this);
      if (hand.cards.empty()) EndOfHand(humanSeat);
    } else {
      ShowInfo(kTitle, "That is not a valid meld.");
    }
  } else if (selected > 1) {
    ShowInfo(kTitle, "You may only discard one card at a time.");
  } else if (IsLegalDiscard(hand.FirstSelected(), hand)) {
    Discard(humanSeat);
  } else {
    ShowInfo(kTitle, "That is not a legal discard");
  }
}

void ArlingtonGame::HumanDeckClick() {
  SeatRecord& hand = seatList[humanSeat];
  if (!mustDraw) {
    ShowInfo(kTitle, StockText(deck.stock.size()));
  } else if (CountSelected(hand) > 0) {
    ShowInfo(kTitle, "You may not meld with an unknown card.");
  } else {
    DrawCard(humanSeat);
    HumanToPlay(*this);
  }
}

void ArlingtonGame::HumanJokerClick() {
  SeatRecord& hand = seatList[humanSeat];
  Card* selected = hand.FirstSelected();
  if (mustDraw)
    ShowInfo(kTitle, "You must draw before exchanging the joker");
  else if (selected && MatchesJoker(selected))
    ExchangeJoker(selected, humanSeat);
  else
    ShowInfo(kTitle, "You must have the exact match for the joker to exchange cards");
}

void ArlingtonGame::Layout() {
  long w = 0, h = 0;
  if (!SizeHands(*this, w, h)) return;
  const DrawTableLayout at(tableRect, w, h);
  for (std::uint32_t s = 0; s < 2; ++s)
    for (int k = 0; k < kSlots; ++k) {
      CardStack& pile = slots[s][k].pile;
      pile.cardWidth = at.w;
      pile.cardHeight = at.h;
      pile.SetPlacement(kStack, at.SlotX(k), s == humanSeat ? at.lowerRowY : at.upperRowY, 20);
    }
  deckRect = at.deckRect;
  jokerRect = RECT{tableRect.left + 10, deckRect.top, tableRect.left + 10 + at.w, deckRect.bottom};
  discardPile.cardWidth = at.w;
  discardPile.cardHeight = at.h;
  discardPile.SetPlacement(kStack, at.discardX, at.discardY, 20);
  const std::uint32_t other = (humanSeat + 1) % 2;
  seatList[other].SetPlacement(kStack, 0, 0, 20);
  SeatRecord& hand = seatList[humanSeat];
  hand.KeepInside(at.handArea);
  hand.SetPlacement(kRowCentred, at.handX, at.handY, 20);
  hand.SetLabel(0x24, tableRect.left + 10, tableRect.right, at.handY, at.handY + at.h);
}

void ArlingtonGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  if (cardImages) {
    for (auto& side : slots)
      for (const MeldSlot& m : side) PaintFramedPile(*this, hdc, m.pile);
    PaintStock(*this, hdc, deckRect, static_cast<int>((deck.stock.size() + 5) / 5));
    if (jokerCard.rank != kRankJoker) jokerCard.Draw(*cardImages, hdc, jokerRect.left, jokerRect.top, true);
    PaintFramedPile(*this, hdc, discardPile);
    // Over the melds' lower edge: a lifted card and the rows behind a large hand's front row.
    seatList[humanSeat].Paint(*cardImages, hdc);
  }
  PaintHandLabel(*this, hdc);
  CardGame::Paint(hdc);
  PaintCardsLeft(*this, hdc);
}
