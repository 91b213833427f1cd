#include "SpiteAndMalice.h"

#include "CardImages.h"
#include "GamePaint.h"
#include "GameResources.h"
#include "GameSteps.h"

namespace {

const char kTitle[] = "Spite and Malice";
const std::int32_t kIdValue = 0x80001;
const std::uint32_t kHandSize = 5;
const std::uint32_t kCentre = 8;
const std::size_t kFullPile = 13;

// Ranks from the ace (low) up to the king, as the packs are built.
const std::int32_t kRanks[] = {1, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2};

bool IsJoker(const Card& card) { return card.rank == kRankJoker; }

}  // namespace

std::string SpiteAndMaliceName() { return kTitle; }

std::int32_t SpiteAndMaliceId() { return kIdValue; }

CardGame* CreateSpiteAndMaliceGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new SpiteAndMaliceGame(window, humanSeat, rng);
}

SpiteAndMaliceGame::SpiteAndMaliceGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TableGame(window, kTitle, IDT_SPITE_RULES, 2, kHandSize, 1, humanSeat, rng) {
  for (int j = 0; j < 4; ++j) deck.AddToPack(kSuitNone, kRankJoker);
  for (int copy = 0; copy < 2; ++copy)
    for (std::int32_t rank : kRanks) {
      deck.AddToPack(kSuitClubs, rank);
      deck.AddToPack(kSuitSpades, rank);
      redDeck.AddToPack(kSuitDiamonds, rank);
      redDeck.AddToPack(kSuitHearts, rank);
    }
  completedPile.window = window;
  for (CardStack& p : redPiles) p.window = window;
  for (CardStack& p : sidePiles) p.window = window;
  for (CardStack& p : centrePiles) p.window = window;
}

SpiteAndMaliceGame::~SpiteAndMaliceGame() = default;

bool SpiteAndMaliceGame::CentreTakes(const CardPile& pile, const Card& card) const {
  const std::size_t n = pile.cards.size();
  if (n == 0) return card.rank == kRankLowAce;
  if (n == 1) return card.rank == 2;
  return n < kFullPile && (IsJoker(card) || card.rank == static_cast<std::int32_t>(n) + 1);
}

bool SpiteAndMaliceGame::SideTakes(const CardPile& pile, const Card& card) const {
  if (pile.cards.empty() || IsJoker(card)) return true;
  const Card* top = pile.cards.back();
  if (!IsJoker(*top)) return card.rank == top->rank || card.rank == top->rank - 1;
  // Each joker under the top one widens the range below the first plain card.
  std::int32_t k = 2;
  for (auto it = pile.cards.rbegin() + 1; it != pile.cards.rend(); ++it) {
    if (IsJoker(**it)) {
      ++k;
      continue;
    }
    return card.rank <= (*it)->rank && card.rank >= (*it)->rank - k;
  }
  return true;
}

bool SpiteAndMaliceGame::MayEndTurn(std::uint32_t seat) const {
  const SeatRecord& hand = seatList[seat];
  const Card* red = redPiles[seat].FirstCard();
  if (hand.CountRank(kRankLowAce) > 0 || (red && red->rank == kRankLowAce)) return false;
  if (CentreHolding(1) == kCentre) return true;
  bool two = hand.CountRank(2) > 0 || (red && red->rank == 2);
  for (std::uint32_t j = 0; j < 4; ++j) {
    const Card* top = sidePiles[4 * seat + j].LastCard();
    two |= top && top->rank == 2;
  }
  return !two;
}

std::uint32_t SpiteAndMaliceGame::CentreFor(const Card& card) const {
  for (std::uint32_t i = 0; i < kCentre; ++i)
    if (CentreTakes(centrePiles[i], card)) return i;
  return kCentre;
}

std::uint32_t SpiteAndMaliceGame::CentreHolding(std::size_t n) const {
  for (std::uint32_t i = 0; i < kCentre; ++i)
    if (centrePiles[i].cards.size() == n) return i;
  return kCentre;
}

void SpiteAndMaliceGame::Refill(std::uint32_t seat) {
  SeatRecord& hand = seatList[seat];
  while (hand.cards.size() < kHandSize) {
    if (deck.stock.empty()) {
      // The finished centre piles become the stock again.
      completedPile.Shuffle(*rng);
      for (Card* c : completedPile.cards) deck.ReturnCard(c);
      completedPile.Clear();
      deck.TurnAllFaceUp();
      if (deck.stock.empty()) break;
    }
    Card* c = deck.Draw();
    c->faceUp = true;
    hand.AddCard(c);
  }
  hand.Sort(sortMode);
}

void SpiteAndMaliceGame::GameIsOver() {
  state = GameOver;
  if (endScored) return;
  endScored = true;
  const std::uint32_t other = (humanSeat + 1) % seats;
  std::uint32_t winner = seats;
  if (redPiles[humanSeat].cards.empty()) winner = humanSeat;
  else if (redPiles[other].cards.empty()) winner = other;
  if (winner == seats) return;
  std::int32_t won = 50;
  for (const Card* c : redPiles[(winner + 1) % seats].cards) won += c->rank;
  scores[winner] += won;
  InvalidateStatus();
}

bool SpiteAndMaliceGame::PlayToCentre(std::uint32_t seat, std::uint32_t i, Card* card, std::uint32_t source) {
  CardStack& pile = centrePiles[i];
  if (!card) {
    static const char* const names[] = {"n Ace", " Two", " Three", " Four", " Five", " Six",
                                        " Seven", "n Eight", " Nine", " Ten", " Jack", " Queen"};
    const std::size_t n = pile.cards.size();
    ShowInfo(kTitle, n == 0 ? "There are no cards on this pile"
                            : std::string("The top card is a") + (n <= 12 ? names[n - 1] : " King"));
    return false;
  }
  if (!CentreTakes(pile, *card)) {
    ShowInfo(kTitle, "That card is not allowed at this time.");
    return false;
  }
  passedLastTurn = false;
  gameInProgress = true;
  card->selected = false;
  pile.AddCardFirst(card);
  PlayBeep();
  bool redEmptied = false;
  if (source == kFromHand) {
    seatList[seat].RemoveCard(card);
    if (seatList[seat].cards.empty()) Refill(seat);
  } else if (source == kFromRed) {
    redPiles[seat].RemoveCard(card);
    InvalidateStatus();
    scores[seat] += card->rank;
    redEmptied = redPiles[seat].cards.empty();
  } else {
    SidePile(seat, (source - kFromSide) % 4).RemoveCard(card);
  }
  if (pile.cards.size() == kFullPile) {
    while (Card* c = pile.FirstCard()) {
      pile.RemoveCard(c);
      completedPile.AddCard(c);
    }
  }
  selectedCard = nullptr;
  if (redEmptied) GameIsOver();
  InvalidateTable();
  return true;
}

void SpiteAndMaliceGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  deck.TurnAllFaceUp();
  completedPile.Clear();
  redDeck.Gather();
  redDeck.Shuffle(*rng);
  redDeck.TurnAllFaceUp();
  for (CardStack& p : redPiles) p.Clear();
  for (CardStack& p : sidePiles) p.Clear();
  for (CardStack& p : centrePiles) p.Clear();
  std::uint32_t seat = (dealer + humanSeat + 1) % seats;
  for (std::uint32_t n = 0; n < 26 * seats; ++n) {
    Card* c = redDeck.Draw();
    if (!c) break;
    redPiles[seat].AddCard(c);
    seat = (seat + 1) % seats;
  }
  ClearStatusLines();
  passedLastTurn = false;
  selectedCard = nullptr;
  endScored = false;
  SetCurrentSeat(current);
}

void SpiteAndMaliceGame::SetCurrentSeat(std::uint32_t seat) {
  CardGame::SetCurrentSeat(seat);
  Refill(current);
  if (seatList[current].isComputer) {
    StartComputerDelay();
    computerTargetsRed = false;
    computerWillPlay = ComputerPlan(current);
  }
  InvalidateTable();
}

bool SpiteAndMaliceGame::PlanPlay(std::uint32_t seat, std::uint32_t pile, Card* card, std::uint32_t source) {
  if (pile >= kCentre || !PlayToCentre(seat, pile, card, source)) return false;
  const Card* red = redPiles[seat].FirstCard();
  if (computerTargetsRed && red && card->rank == red->rank) computerTargetsRed = false;
  return true;
}

bool SpiteAndMaliceGame::ComputerStep(std::uint32_t seat) {
  SeatRecord& hand = seatList[seat];
  Card* red = redPiles[seat].FirstCard();
  const std::uint32_t empty = CentreHolding(0);
  if (empty < kCentre) {
    if (red && red->rank == kRankLowAce) return PlayToCentre(seat, empty, red, kFromRed);
    for (Card* c : hand.cards)
      if (c->rank == kRankLowAce) return PlayToCentre(seat, empty, c, kFromHand);
  }
  const std::uint32_t lone = CentreHolding(1);
  if (lone < kCentre) {
    if (red && red->rank == 2) return PlayToCentre(seat, lone, red, kFromRed);
    for (Card* c : hand.cards)
      if (c->rank == 2) return PlayToCentre(seat, lone, c, kFromHand);
    for (std::uint32_t j = 0; j < 4; ++j) {
      Card* top = SidePile(seat, j).LastCard();
      if (top && top->rank == 2) return PlayToCentre(seat, lone, top, kFromSide + j);
    }
  }
  if (computerWillPlay || computerTargetsRed) {
    if (red && PlanPlay(seat, CentreFor(*red), red, kFromRed)) return true;
    // A card that builds on a pile at once, then one a joker stands in for.
    for (int loose = 0; loose < 2; ++loose) {
      for (Card* c : hand.cards)
        for (std::uint32_t i = 0; i < kCentre; ++i) {
          const bool fits = loose ? CentreTakes(centrePiles[i], *c)
                                  : c->rank == static_cast<std::int32_t>(centrePiles[i].cards.size()) + 1 &&
                                        CentreTakes(centrePiles[i], *c);
          if (fits) return PlanPlay(seat, i, c, kFromHand);
        }
      for (std::uint32_t j = 0; j < 4; ++j) {
        Card* top = SidePile(seat, j).LastCard();
        if (!top) continue;
        for (std::uint32_t i = 0; i < kCentre; ++i) {
          const bool fits = loose ? CentreTakes(centrePiles[i], *top)
                                  : top->rank == static_cast<std::int32_t>(centrePiles[i].cards.size()) + 1 &&
                                        CentreTakes(centrePiles[i], *top);
          if (fits) return PlanPlay(seat, i, top, kFromSide + j);
        }
      }
    }
  }
  ComputerDiscard(seat);
  return false;
}

void SpiteAndMaliceGame::ComputerDiscard(std::uint32_t seat) {
  SeatRecord& hand = seatList[seat];
  passedLastTurn = false;
  Card* best = nullptr;
  CardStack* bestPile = nullptr;
  std::int32_t bestValue = 0;
  for (Card* c : hand.cards)
    for (std::uint32_t j = 0; j < 4; ++j) {
      CardStack& pile = SidePile(seat, j);
      if (!SideTakes(pile, *c)) continue;
      const Card* top = pile.LastCard();
      std::int32_t value;
      if (IsJoker(*c)) value = 2;
      else if (!top) value = c->rank + 26;
      else if (IsJoker(*top)) value = 1;
      else if (top->rank == c->rank) value = c->rank + 52;
      else value = top->rank + 39;
      if (!best || value > bestValue) {
        best = c;
        bestPile = &pile;
        bestValue = value;
      }
    }
  if (best) {
    best->selected = false;
    PlayBeep();
    bestPile->AddCard(best);
    hand.RemoveCard(best);
  } else if (hand.cards.size() == kHandSize || deck.stock.empty()) {
    passedLastTurn = true;
  }
  SetCurrentSeat((current + 1) % seats);
  InvalidateTable();
}

bool SpiteAndMaliceGame::ComputerPlan(std::uint32_t seat) {
  SeatRecord& hand = seatList[seat];
  std::int32_t need[kCentre];
  for (std::uint32_t i = 0; i < kCentre; ++i) need[i] = static_cast<std::int32_t>(centrePiles[i].cards.size()) + 1;
  std::size_t sideLeft[4];
  int started = 0;
  for (std::uint32_t j = 0; j < 4; ++j) {
    sideLeft[j] = SidePile(seat, j).cards.size();
    started += sideLeft[j] > 0;
  }
  for (Card* c : hand.cards) c->selected = false;
  const Card* red = redPiles[seat].FirstCard();
  bool kings = false;
  bool willPlay = false;
  // Counts the card on every pile it builds on (a hand card on the first only).
  auto builds = [&](const Card& c, bool jokers, bool once) {
    bool used = false;
    for (std::uint32_t i = 0; i < kCentre; ++i) {
      if (!(need[i] == c.rank || (jokers && IsJoker(c)))) continue;
      if (red && need[i] == red->rank) computerTargetsRed = true;
      if (need[i] == kRankKing) kings = true;
      ++need[i];
      used = true;
      if (once) break;
    }
    return used;
  };
  for (int round = 0; round < 2 && !willPlay; ++round) {
    const bool jokers = round == 1;
    for (bool matched = true; matched && !willPlay;) {
      matched = false;
      for (std::int32_t n : need) willPlay |= red && red->rank == n;
      if (willPlay) break;
      for (Card* c : hand.cards)
        if (!c->selected && builds(*c, jokers, true)) {
          c->selected = true;
          matched = true;
        }
      for (std::uint32_t j = 0; j < 4; ++j) {
        if (sideLeft[j] == 0) continue;
        const Card* c = SidePile(seat, j).cards[sideLeft[j] - 1];
        for (std::uint32_t i = 0; i < kCentre && sideLeft[j] > 0; ++i) {
          if (!(need[i] == c->rank || (jokers && IsJoker(*c)))) continue;
          if (red && need[i] == red->rank) computerTargetsRed = true;
          if (need[i] == kRankKing) kings = true;
          ++need[i];
          --sideLeft[j];
          matched = true;
        }
      }
    }
  }
  for (Card* c : hand.cards) c->selected = false;
  if (willPlay) return true;
  const std::uint32_t bound = kings ? 40 : 100;
  switch (started) {
    case 0:
      return false;
    case 1:
      return rng->Next(bound) == 0;
    case 2:
      return rng->Next(bound) < 10;
    case 3:
      return rng->Next(bound) < 25;
    default:
      return true;
  }
}

void SpiteAndMaliceGame::PlayingTick() {
  if (current != humanSeat && ComputerStep(current)) StartComputerDelay();
}

void SpiteAndMaliceGame::ClearSelection() {
  if (selectedCard) selectedCard->selected = false;
  selectedCard = nullptr;
  InvalidateTable();
}

void SpiteAndMaliceGame::Select(Card* card, std::uint32_t source) {
  Card* before = selectedCard;
  ClearSelection();
  if (card && card != before) {
    card->selected = true;
    selectedCard = card;
    selectedSource = source;
  }
}

bool SpiteAndMaliceGame::CanDiscardAny(std::uint32_t seat) {
  for (const Card* c : seatList[seat].cards)
    for (std::uint32_t j = 0; j < 4; ++j)
      if (SideTakes(SidePile(seat, j), *c)) return true;
  return false;
}

void SpiteAndMaliceGame::HumanSideClick(std::uint32_t j) {
  CardStack& pile = SidePile(humanSeat, j);
  if (selectedCard && (selectedSource == kFromHand || selectedSource == kFromRed)) {
    if (!MayEndTurn(humanSeat)) {
      ShowInfo(kTitle, "You may not end your turn yet.");
    } else if (selectedSource == kFromRed) {
      ShowInfo(kTitle, "You may not discard from your red pile.");
    } else if (!SideTakes(pile, *selectedCard)) {
      ShowInfo(kTitle, "That card is not allowed on this pile.");
    } else {
      Card* card = selectedCard;
      gameInProgress = true;
      card->selected = false;
      PlayBeep();
      pile.AddCard(card);
      seatList[humanSeat].RemoveCard(card);
      selectedCard = nullptr;
      passedLastTurn = false;
      SetCurrentSeat((current + 1) % seats);
    }
    return;
  }
  Select(pile.LastCard(), kFromSide + j);
}

void SpiteAndMaliceGame::HumanClick(long x, long y) {
  if (Card* card = seatList[humanSeat].CardAt(x, y)) {
    Select(card, kFromHand);
    return;
  }
  if (Card* red = redPiles[humanSeat].CardAt(x, y)) {
    Select(red, kFromRed);
    return;
  }
  for (std::uint32_t i = 0; i < kCentre; ++i)
    if (centrePiles[i].HitTestAnchor(x, y)) {
      PlayToCentre(humanSeat, i, selectedCard, selectedSource);
      return;
    }
  // A long side pile runs under the next one, which is drawn over it: the later pile first.
  for (std::uint32_t j = 4; j-- > 0;) {
    const CardStack& pile = SidePile(humanSeat, j);
    if (pile.HitTestAnchor(x, y) || pile.Contains(x, y)) {
      HumanSideClick(j);
      return;
    }
  }
  ClearSelection();
}

void SpiteAndMaliceGame::OnRButtonDown(LPARAM) {
  if (GetState() != Playing || current != humanSeat) return;
  if (!MayEndTurn(humanSeat) || CanDiscardAny(humanSeat)) return;
  if (!AskYesNo(kTitle, "Would you like to end your turn now?")) return;
  if (seatList[humanSeat].cards.size() == kHandSize || deck.stock.empty()) {
    if (passedLastTurn) {
      ShowInfo(kTitle, "This game is over");
      GameIsOver();
      return;
    }
    passedLastTurn = true;
  } else {
    passedLastTurn = false;
  }
  SetCurrentSeat((current + 1) % seats);
}

void SpiteAndMaliceGame::Layout() {
  long w = 0, h = 0;
  if (!SizeHands(*this, w, h)) return;
  const RECT& t = tableRect;
  const long vgap = (t.bottom - 4 * h - t.top) / 5;
  const long hgap = (t.right - 8 * w - t.left) / 9;
  auto size = [&](CardPile& p) {
    p.cardWidth = w;
    p.cardHeight = h;
  };
  for (CardStack& p : redPiles) size(p);
  for (CardStack& p : sidePiles) size(p);
  for (CardStack& p : centrePiles) size(p);
  seatList[1].SetPlacement(kStack, 0, 0, 20);
  seatList[0].SetPlacement(kRowCentred, t.left + (t.right - t.left - w) / 2, t.bottom - vgap - h, 20);
  const long computerRow = t.top + vgap, humanRow = t.top + 3 * vgap + 2 * h;
  redPiles[1].SetPlacement(kStack, t.left + 10, computerRow, 20);
  redPiles[0].SetPlacement(kStack, t.left + 10, humanRow, 20);
  for (std::uint32_t i = 0; i < kCentre; ++i)
    centrePiles[i].SetPlacement(kStack, t.left + hgap * (i + 1) + i * w, t.top + 2 * vgap + h, 20);
  const long x0 = redPiles[1].bounds.left;
  for (std::uint32_t j = 0; j < 4; ++j) {
    const long x = x0 + j * ((t.right - (5 * w + 30) - x0) / 5 + w) + 30 + w;
    SidePile(humanSeat, j).SetPlacement(kRowFromAnchor, x, humanRow, 5);
    SidePile((humanSeat + 1) % seats, j).SetPlacement(kRowFromAnchor, x, computerRow, 5);
  }
  for (std::uint32_t s = 0; s < 2; ++s) {
    const CardRect& b = seatList[s].bounds;
    seatList[s].SetLabel(s == 0 ? 0x24 : 0x26, t.left + 10, b.left, b.top, b.top + h);
  }
}

void SpiteAndMaliceGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  if (cardImages) {
    CardImages& images = *cardImages;
    seatList[humanSeat].Paint(images, hdc);
    for (const CardStack& p : redPiles) p.Paint(images, hdc);
    for (const CardStack& p : centrePiles) {
      DrawCardFrame(hdc, p.anchorX, p.anchorY);
      p.Paint(images, hdc);
    }
    for (const CardStack& p : sidePiles) {
      DrawCardFrame(hdc, p.anchorX, p.anchorY);
      p.Paint(images, hdc);
    }
  }
  PaintSeatLabels(*this, hdc);
  CardGame::Paint(hdc);
  DrawSeatNumbersPanel(*this, hdc, "RED CARDS",
                       [this](std::uint32_t s) { return static_cast<std::int64_t>(redPiles[s].cards.size()); });
}
