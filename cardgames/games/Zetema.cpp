#include "Zetema.h"

#include <algorithm>

#include "CardImages.h"
#include "ChoiceList.h"
#include "GamePaint.h"
#include "GameResources.h"
#include "GameSteps.h"

namespace {

const char kTitle[] = "Zetema";
const std::int32_t kIdValue = 0x800001;
const std::uint32_t kHandSize = 6;
const std::int32_t kHandHoldTicks = 50;

// Rank counts of a run of cards, by play rank (0..14).
struct RankCounts {
  explicit RankCounts(const std::deque<Card*>& cards, std::int32_t suit = kSuitNone) {
    for (const Card* c : cards)
      if ((suit == kSuitNone || c->suit == suit) && c->rank >= 0 && c->rank < 15) ++n[c->rank];
  }
  int n[15] = {};
};

// The first run of ranks from the ace up, closed by the next absent rank (or after the
// king), holds six ranks.
bool HasSixRun(const RankCounts& counts) {
  std::int32_t run = 0;
  for (std::int32_t r = 1; r <= kRankKing; ++r) {
    if (counts.n[r] > 0) {
      ++run;
    } else if (run > 0) {
      break;
    }
  }
  return run == 6;
}

// The suit with six cards, or none.
std::int32_t FlushSuit(const CardPile& hand) {
  for (std::int32_t s = 0; s < 4; ++s)
    if (hand.CountSuit(s) >= kHandSize) return s;
  return kSuitNone;
}

std::int32_t AssemblyValue(std::int32_t rank) {
  switch (rank) {
    case kRankLowAce:
    case 5:
      return 110;
    case 11:
      return 120;
    case 12:
    case kRankKing:
      return 130;
    default:
      return 100;
  }
}

std::int32_t MarriageValue(int count) {
  static const std::int32_t values[] = {0, 10, 30, 60, 100};
  return count < 5 ? values[count] : 150;
}

}  // namespace

std::string ZetemaName() { return kTitle; }

std::int32_t ZetemaId() { return kIdValue; }

CardGame* CreateZetemaGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new ZetemaGame(window, humanSeat, rng);
}

ZetemaGame::ZetemaGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TableGame(window, kTitle, IDT_ZETEMA_RULES, 4, kHandSize, 8, humanSeat, rng), lastCombo(4) {
  std::int32_t rank = kRankLowAce;
  for (int i = 0; i < 13; ++i) {
    AddRanks(deck, {rank});
    deck.AddToPack(kSuitSpades, rank);
    rank = rank == kRankLowAce ? kRankKing : rank - 1;
  }
  for (CardStack& pile : rankPiles) pile.window = window;
}

ZetemaGame::~ZetemaGame() = default;

std::int32_t ZetemaGame::RankValue(std::int32_t rank) {
  switch (rank) {
    case kRankLowAce:
    case 5:
      return 15;
    case 11:
      return 20;
    case 12:
    case kRankKing:
      return 50;
    default:
      return 5;
  }
}

std::string ZetemaGame::DeckText() const {
  const std::size_t n = deck.stock.size();
  return std::to_string(n) + " card" + (n == 1 ? "" : "s") + " left in the deck";
}

void ZetemaGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  scoredThisTurn = false;
  std::fill(std::begin(assemblyDeclared), std::end(assemblyDeclared), 0);
  lastCombo.assign(seats, std::string());
  deck.TurnAllFaceUp();
  statusLines[0] = "Hand " + std::to_string(handsPlayed + 1) + " of " + std::to_string(handsPerGame);
  statusLines[1] = DeckText();
  for (CardStack& pile : rankPiles) pile.Clear();
  outOfPlay.Clear();
  SetCurrentSeat(current);
}

void ZetemaGame::SetCurrentSeat(std::uint32_t seat) {
  CardGame::SetCurrentSeat(seat);
  scoredThisTurn = false;
  SeatRecord& hand = seatList[current];
  if (!deck.stock.empty() && hand.cards.size() < kHandSize) {
    hand.AddCard(deck.Draw());
    hand.Sort(sortMode);
    statusLines[1] = DeckText();
    InvalidateTable();
  }
  if (current < lastCombo.size()) lastCombo[current].clear();
  statusLines[3].clear();
  if (current == humanSeat) {
    statusLines[2] = "It is your turn to play a card.";
  } else {
    statusLines[2] = "It is " + hand.name + "'s turn to play a card.";
    StartComputerDelay();
  }
}

bool ZetemaGame::TestHandOver() {
  for (std::uint32_t s = 0; s < seats; ++s)
    if (!seatList[s].cards.empty()) return false;
  SetState(HandOver);
  handOverCountdown = kHandHoldTicks;
  statusLines[2] = "This hand is over.";
  return true;
}

void ZetemaGame::PassTurn(std::uint32_t seat) {
  if (!TestHandOver()) SetCurrentSeat((seat + 1) % seats);
}

void ZetemaGame::PlayCard(std::uint32_t seat, Card* card) {
  if (!card || seat >= seats || card->rank < 1 || card->rank > kRankKing) return;
  card->selected = false;
  if (!seatList[seat].RemoveCard(card)) return;
  CardStack& pile = rankPiles[card->rank];
  pile.AddCard(card);
  if (pile.cards.size() == 5) {
    scores[seat] += RankValue(card->rank);
    for (Card* c : pile.cards) outOfPlay.AddCard(c);
    pile.Clear();
  }
  PlayBeep();
  InvalidateStatus();
  PassTurn(seat);
}

void ZetemaGame::Scored(std::uint32_t seat, std::int32_t points, const std::string& text,
                        const std::string& shortName) {
  scores[seat] += points;
  statusLines[3] = seatList[seat].name + text;
  lastCombo[seat] = shortName;
  scoredThisTurn = true;
}

void ZetemaGame::RefillHand(std::uint32_t seat) {
  SeatRecord& hand = seatList[seat];
  while (hand.cards.size() < kHandSize && !deck.stock.empty()) hand.AddCard(deck.Draw());
  InvalidateTable();
  statusLines[1] = DeckText();
  hand.Sort(sortMode);
}

bool ZetemaGame::DeclareMarriages(std::uint32_t seat) {
  SeatRecord& hand = seatList[seat];
  int count = 0;
  for (;;) {
    Card* first = nullptr;
    Card* partner = nullptr;
    for (Card* c : hand.cards) {
      if (c->rank != 12 && c->rank != kRankKing) continue;
      const std::int32_t other = c->rank == 12 ? kRankKing : 12;
      for (Card* p : hand.cards)
        if (p->rank == other && p->suit == c->suit) {
          partner = p;
          break;
        }
      if (partner) {
        first = c;
        break;
      }
    }
    if (!first) break;
    for (Card* c : {first, partner}) {
      hand.RemoveCard(c);
      outOfPlay.AddCard(c);
    }
    if (first->suit == kSuitSpades) scores[seat] += 10;
    ++count;
    if (TestHandOver()) break;
  }
  if (count == 0) return false;
  Scored(seat, MarriageValue(count),
         " declares " + std::to_string(count) + " marriage" + (count >= 2 ? "s" : ""), "Marriage");
  if (GetState() != HandOver) RefillHand(seat);
  return true;
}

bool ZetemaGame::Declare(std::uint32_t seat, std::int32_t combination) {
  if (seat >= seats) return false;
  SeatRecord& hand = seatList[seat];
  switch (combination) {
    case kSequence:
      if (!HasSixRun(RankCounts(hand.cards))) return false;
      Scored(seat, 20, " declares a sequence.", "Sequence");
      return true;
    case kFlush:
      if (FlushSuit(hand) == kSuitNone) return false;
      Scored(seat, 30, " declares a flush.", "Flush");
      return true;
    case kFlushSequence: {
      const std::int32_t suit = FlushSuit(hand);
      if (suit == kSuitNone || !HasSixRun(RankCounts(hand.cards, suit))) return false;
      Scored(seat, 50, " declares a flush sequence.", "Flush Seq.");
      return true;
    }
    case kAssembly:
      for (std::int32_t r = kRankLowAce; r <= kRankKing; ++r) {
        if (assemblyDeclared[r] || hand.CountRank(r) < 5) continue;
        assemblyDeclared[r] = 1;
        Scored(seat, AssemblyValue(r), " declares an assembly of " + RankName(r) + "s.", "Assembly");
        return true;
      }
      return false;
    case kMarriage:
      return DeclareMarriages(seat);
    default:
      return false;
  }
}

Card* ZetemaGame::ComputerDiscard(const CardPile& hand) const {
  const std::size_t n = hand.cards.size();
  if (n == 0) return nullptr;
  const RankCounts ranks(hand.cards);
  std::vector<int> keep(n, 0);
  auto add = [&](auto test, int points) {
    for (std::size_t i = 0; i < n; ++i)
      if (test(hand.cards[i])) keep[i] += points;
  };
  if (n > 5) {
    add([](const Card* c) { return RankValue(c->rank) > 5; }, 1);
    for (std::int32_t r = 0; r < 15; ++r)
      if (ranks.n[r] > 2) {
        add([r](const Card* c) { return c->rank == r; }, 2);
        break;
      }
    // The window of six ranks that most of the hand falls in.
    std::int32_t start = -1;
    int gaps = 0;
    for (std::int32_t r = 0; r < 15; ++r) {
      const bool present = ranks.n[r] > 0;
      if (start < 0) {
        if (present) {
          start = r;
          gaps = 0;
        }
      } else if (present) {
        if (r > start + 5) break;
      } else if (++gaps == 4) {
        start = -1;
      }
    }
    if (start >= 0)
      add([start](const Card* c) { return c->rank >= start && c->rank <= start + 5; }, start > 4 ? 4 : 3);
    for (std::int32_t s = 0; s < 4; ++s) {
      const int count = static_cast<int>(hand.CountSuit(s));
      if (count > 2) {
        // Once for the flush and once for the flush sequence.
        add([s](const Card* c) { return c->suit == s; }, 2 * (count + 1));
        break;
      }
    }
  }
  add([](const Card* c) { return c->rank == 12 || c->rank == kRankKing; }, 5);
  const int lowest = *std::min_element(keep.begin(), keep.end());
  Card* best = nullptr;
  for (std::size_t i = 0; i < n; ++i) {
    if (keep[i] != lowest) continue;
    Card* c = hand.cards[i];
    if (!best) {
      best = c;
      continue;
    }
    const int mine = ranks.n[c->rank], theirs = ranks.n[best->rank];
    if (mine > theirs || (mine == theirs && ((best->suit == kSuitSpades && c->suit != kSuitSpades) ||
                                             (c->suit == best->suit && RankValue(c->rank) < RankValue(best->rank)))))
      best = c;
  }
  return best;
}

void ZetemaGame::ComputerTurn() {
  const std::uint32_t seat = current;
  SeatRecord& hand = seatList[seat];
  if (hand.cards.empty()) {
    PassTurn(seat);
    return;
  }
  for (std::int32_t kind : {kFlushSequence, kSequence, kFlush, kAssembly, kMarriage})
    if (Declare(seat, kind)) break;
  if (GetState() != Playing) return;
  if (hand.cards.empty()) {
    PassTurn(seat);
    return;
  }
  PlayCard(seat, ComputerDiscard(hand));
}

void ZetemaGame::PlayingTick() {
  if (current == humanSeat) {
    // A human with nothing left to play is passed over.
    if (seatList[current].cards.empty()) PassTurn(current);
  } else {
    ComputerTurn();
    InvalidateStatus();
  }
}

void ZetemaGame::HumanClick(long x, long y) {
  SeatRecord& hand = seatList[humanSeat];
  Card* card = hand.CardAt(x, y);
  Card* selected = hand.FirstSelected();
  if (card && card == selected) {
    gameInProgress = true;
    PlayCard(humanSeat, card);
  } else if (card) {
    hand.ToggleSelect(card);
  } else if (selected) {
    hand.ToggleSelect(selected);
  }
}

void ZetemaGame::OnRButtonDown(LPARAM) {
  if (GetState() != Playing) return;
  if (current != humanSeat) {
    ShowTurnMessage(kTitle, seatList[current].name);
    return;
  }
  if (scoredThisTurn) {
    ShowInfo(kTitle, "You have already scored a combination this turn.");
    return;
  }
  ChoiceList list;
  list.caption = "Which Combination Do You Declare?";
  list.Add("None", kNoCombination);
  list.Add("Sequence", kSequence);
  list.Add("Flush", kFlush);
  list.Add("Flush Sequence", kFlushSequence);
  list.Add("Assembly", kAssembly);
  list.Add("Marriage", kMarriage);
  const std::int32_t choice = AskChoice(*this, IDD_ZETEMA_DECLARE, list);
  static const char* const refusals[] = {"You do not have a sequence.", "You do not have a flush.",
                                         "You do not have a flush sequence.", "You do not have an assembly.",
                                         "You do not have a marriage."};
  if (choice >= kSequence && choice <= kMarriage) {
    if (!Declare(humanSeat, choice)) {
      ShowInfo(kTitle, refusals[choice]);
    } else if (choice == kMarriage && seatList[humanSeat].cards.empty() && GetState() == Playing) {
      PassTurn(humanSeat);
    }
  }
  InvalidateStatus();
}

void ZetemaGame::Layout() {
  long w = 0, h = 0;
  if (!SizeHands(*this, w, h)) return;
  const RECT& t = tableRect;
  const long g1 = (t.right - 7 * w - t.left) / 8;
  const long g2 = (t.right - 6 * w - t.left) / 7;
  for (std::int32_t r = 1; r <= kRankKing; ++r) {
    CardStack& pile = rankPiles[r];
    pile.cardWidth = w;
    pile.cardHeight = h;
    if (r <= 7)
      pile.SetPlacement(kColumnFromAnchor, t.left + g1 + (r - 1) * (g1 + w), t.top + 30, 20);
    else
      pile.SetPlacement(kColumnFromAnchor, t.left + g2 + (r - 8) * (g2 + w), t.top + 30 + 80 + h, 20);
  }
  seatList[0].SetPlacement(kRowCentred, t.left + (t.right - t.left) / 2, t.bottom - h - 5, 20);
  for (std::uint32_t s = 1; s < 4; ++s) seatList[s].SetPlacement(kStack, 0, 0, 20);
  const long handTop = seatList[0].bounds.top;
  seatList[0].SetLabel(0x29, 0, t.right, 0, handTop - 10);
  seatList[1].SetLabel(0x24, t.left + 5, t.right, 0, t.bottom - 80);
  seatList[2].SetLabel(0x21, 0, t.right, t.top + 5, t.bottom);
  seatList[3].SetLabel(0x26, 0, t.right - 5, 0, t.bottom - 80);
  stockRect = RECT{t.right - w - 10, handTop, t.right - 10, handTop + h};
}

void ZetemaGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  if (cardImages) {
    seatList[humanSeat].Paint(*cardImages, hdc);
    DrawStockBacks(*cardImages, hdc, StockBackCount(deck.stock.size()),
                   stockRect.left - cardImages->CardWidth() / 2, stockRect.top);
    for (std::int32_t r = 1; r <= kRankKing; ++r) {
      DrawCardFrame(hdc, rankPiles[r].anchorX, rankPiles[r].anchorY);
      rankPiles[r].Paint(*cardImages, hdc);
    }
  }
  PaintSeatLabels(*this, hdc);
  CardGame::Paint(hdc);
  if (GetState() == Playing)
    DrawGameStatusPanel(*this, hdc, "PLAYER", {WideColumn(*this, "LAST COMBO.")}, SeatRows(*this, lastCombo));
}
