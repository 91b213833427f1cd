#include "FanTan.h"

#include "CardImages.h"
#include "GamePaint.h"
#include "GameResources.h"
#include "GameSteps.h"
#include "Window.h"

namespace {

const char kTitle[] = "Fan Tan";
const std::int32_t kIdValue = 0x401;
const std::int32_t kHandHoldTicks = 50;
const std::int32_t kUnstarted = 15;
const std::int32_t kLosingScore = 299;

bool IsAce(const Card* card) { return card->rank == kRankLowAce || card->rank == kRankHighAce; }

// An ace scores 15 when it is high.
std::int32_t RankValue(const Card* card) { return card->rank == kRankHighAce ? 15 : card->rank; }

LRESULT OnOptionsInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  auto* game = static_cast<FanTanGame*>(InitOptionsDialog(
      dialog, lParam,
      {IDC_FANTAN_ACES_HIGH, IDC_FANTAN_ACES_LOW, IDC_FANTAN_ACES_IN_PLAY, IDC_FANTAN_SEVEN_NOT, IDC_FANTAN_SEVEN}));
  const int aces = game->acesChosenInPlay ? IDC_FANTAN_ACES_IN_PLAY
                   : game->acesHigh       ? IDC_FANTAN_ACES_HIGH
                                          : IDC_FANTAN_ACES_LOW;
  SetChecked(dialog, aces, true);
  SetChecked(dialog, game->sevenOfSpadesStarts ? IDC_FANTAN_SEVEN : IDC_FANTAN_SEVEN_NOT, true);
  return TRUE;
}

LRESULT OnOptionsOk(HWND dialog, WPARAM, LPARAM) {
  auto* game = static_cast<FanTanGame*>(OptionsDialogGame(dialog));
  game->acesChosenInPlay = IsChecked(dialog, IDC_FANTAN_ACES_IN_PLAY);
  if (!game->acesChosenInPlay) {
    game->acesHigh = IsChecked(dialog, IDC_FANTAN_ACES_HIGH);
    game->acesDecided = true;
  }
  game->sevenOfSpadesStarts = IsChecked(dialog, IDC_FANTAN_SEVEN);
  AcceptOptionsDialog(dialog, game->OptionsFile());
  return 0;
}

}  // namespace

std::string FanTanName() { return kTitle; }

std::int32_t FanTanId() { return kIdValue; }

CardGame* CreateFanTanGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new FanTanGame(window, humanSeat, rng);
}

FanTanGame::FanTanGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : CardGame(window, 4, 13, 0, humanSeat, rng) {
  AddRankRun(deck, kRankLowAce, kRankKing);
  for (CardStack& row : rows) row.window = window;
  OptionsFile().Load();
}

FanTanGame::~FanTanGame() = default;

GameOptionsFile FanTanGame::OptionsFile() {
  return GameOptionsFile(window, kTitle, kIdValue).Bool(acesChosenInPlay).Bool(acesHigh).Bool(sevenOfSpadesStarts);
}

bool FanTanGame::HasOptions() { return true; }

bool FanTanGame::ShowRules(HWND textBox) { return ShowRulesText(window, IDT_FANTAN_RULES, textBox); }

void FanTanGame::ShowOptions(HWND parent) {
  RunOptionsDialog(*this, parent, IDD_FANTAN_OPTIONS, &OptionsDialogProc<&OnOptionsInit, &OnOptionsOk>);
}

// Aces keep one place in the table whichever way they count; beyond an ace there is nothing.
bool FanTanGame::Holds(std::uint32_t seat, std::int32_t suit, std::int32_t rank) const {
  if (rank == kRankHighAce) rank = kRankLowAce;
  if (seat >= 4 || suit < 0 || suit > 4 || rank < kRankLowAce || rank > kRankKing) return false;
  return held[seat][suit][rank] != 0;
}

void FanTanGame::SetHeld(std::uint32_t seat, const Card* card, bool on) {
  const std::int32_t rank = card->rank == kRankHighAce ? kRankLowAce : card->rank;
  if (seat < 4 && card->suit >= 0 && card->suit <= 4 && rank >= 0 && rank < 15) held[seat][card->suit][rank] = on;
}

void FanTanGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  acesDecided = !acesChosenInPlay;
  reRankPending = true;
  firstPlay = true;
  consecutiveBuries = 0;
  for (auto& seat : held)
    for (auto& suit : seat)
      for (std::uint8_t& h : suit) h = 0;
  for (std::int32_t s = 0; s < 5; ++s) {
    lowRank[s] = highRank[s] = kUnstarted;
    rows[s].Clear();
  }
  for (std::uint32_t s = 0; s < seats; ++s) {
    acePreference[s] = 0;
    buriedAces[s] = buriedCount[s] = buriedPoints[s] = 0;
    lastRank[s] = kUnstarted;
    const std::uint32_t aces = seatList[s].CountRank(kRankLowAce) + seatList[s].CountRank(kRankHighAce);
    // Two or more aces: low; none: high; one: either.
    acePreference[s] = aces == 0 || (aces == 1 && rng->Next(2) == 0);
  }
  for (Card* c : seatList[humanSeat].cards) c->faceUp = true;
  current = (dealer + 1) % seats;
  for (std::uint32_t s = 0; s < seats; ++s)
    for (const Card* c : seatList[s].cards) {
      SetHeld(s, c, true);
      if (sevenOfSpadesStarts && c->rank == 7 && c->suit == kSuitSpades) current = s;
    }
  deck.SetRankValue(kRankLowAce, kRankLowAce);
  SetCurrentSeat(current);
  ShowAces();
}

void FanTanGame::ShowAces() {
  statusLines[0] = !acesDecided ? "ACES: Unknown" : acesHigh ? "ACES: High" : "ACES: Low";
  InvalidateStatus();
}

bool FanTanGame::SeatTakesPart(std::uint32_t seat) { return seat < seats && !seatList[seat].cards.empty(); }

bool FanTanGame::IsLegal(const Card* card) const {
  if (!card || card->suit < 0 || card->suit > 3) return false;
  const std::int32_t suit = card->suit;
  if (firstPlay && sevenOfSpadesStarts && suit != kSuitSpades) return false;
  if (lowRank[suit] == kUnstarted) return card->rank == 7;
  if (IsAce(card)) {
    const bool decidedLow = acesDecided && !acesHigh;
    const bool decidedHigh = acesDecided && acesHigh;
    return (highRank[suit] == kRankKing && !decidedLow) || (lowRank[suit] == 2 && !decidedHigh);
  }
  return card->rank == highRank[suit] + 1 || card->rank == lowRank[suit] - 1;
}

std::uint32_t FanTanGame::CountLegal(std::uint32_t seat) const {
  std::uint32_t n = 0;
  for (const Card* c : seatList[seat].cards) n += IsLegal(c);
  return n;
}

void FanTanGame::SetCurrentSeat(std::uint32_t seat) {
  CardGame::SetCurrentSeat(seat);
  if (current == humanSeat) {
    const std::uint32_t n = CountLegal(humanSeat);
    statusLines[1] = n == 0   ? "You must bury a card."
                     : n == 1 ? "You have 1 legal move."
                              : "You have " + std::to_string(n) + " legal moves.";
  } else {
    statusLines[1] = "It is " + seatList[current].name + "'s turn to play a card.";
  }
  InvalidateStatus();
}

void FanTanGame::AdvanceTurn() {
  seatList[current].playedCard = nullptr;
  SetCurrentSeat((current + 1) % seats);
}

void FanTanGame::PlayCard(std::uint32_t seat, Card* card) {
  if (!card || seat >= seats) return;
  statusLines[2].clear();
  seatList[seat].playedCard = card;
  card->selected = false;
  if (IsLegal(card))
    BuildOnRow(seat, card);
  else
    Bury(seat, card);
  InvalidateStatus();
  InvalidateTable();
}

void FanTanGame::Bury(std::uint32_t seat, Card* card) {
  statusLines[2] = seatList[seat].name + " buried a card.";
  SetHeld(seat, card, false);
  ++buriedCount[seat];
  ++consecutiveBuries;
  if (IsAce(card))
    ++buriedAces[seat];
  else
    buriedPoints[seat] += card->rank + 1;
  card->faceUp = false;
  seatList[seat].RemoveCard(card);
}

void FanTanGame::BuildOnRow(std::uint32_t seat, Card* card) {
  const std::int32_t suit = card->suit;
  card->faceUp = true;
  PlayBeep();
  seatList[seat].RemoveCard(card);
  firstPlay = false;
  consecutiveBuries = 0;
  SetHeld(seat, card, false);
  CardStack& row = rows[suit];
  if (card->rank == 7) {
    lowRank[suit] = highRank[suit] = 7;
    row.AddCard(card);
  } else if (IsAce(card)) {
    if (!acesDecided) DecideAces(seat, suit);
    if (acesHigh) {
      if (reRankPending) {
        reRankPending = false;
        deck.SetRankValue(kRankLowAce, kRankHighAce);
        for (std::uint32_t s = 0; s < seats; ++s) seatList[s].Sort(sortMode);
      }
      highRank[suit] = kRankHighAce;
      row.AddCard(card);
    } else {
      lowRank[suit] = kRankLowAce;
      row.AddCardFirst(card);
    }
  } else if (card->rank == highRank[suit] + 1) {
    highRank[suit] = card->rank;
    row.AddCard(card);
  } else {
    lowRank[suit] = card->rank;
    row.AddCardFirst(card);
  }
  lastRank[seat] = card->rank;
  seatList[seat].Sort(sortMode);
}

void FanTanGame::DecideAces(std::uint32_t seat, std::int32_t suit) {
  const bool kingOpen = highRank[suit] == kRankKing;
  if (kingOpen && lowRank[suit] == 2)
    acesHigh = seat == humanSeat ? AskYesNo(kTitle, "Do you want aces to be high?") : acePreference[seat] != 0;
  else
    acesHigh = kingOpen;
  acesDecided = true;
  ShowAces();
}

bool FanTanGame::HandIsOver() const {
  if (consecutiveBuries >= seats) return true;
  for (std::uint32_t s = 0; s < seats; ++s)
    if (!seatList[s].cards.empty()) return false;
  return true;
}

void FanTanGame::EndOfHand() {
  for (std::uint32_t s = 0; s < seats; ++s)
    while (Card* c = seatList[s].FirstCard()) Bury(s, c);
  statusLines[2].clear();
  statusLines[1] = "This hand is over.";
  handOverCountdown = kHandHoldTicks;
  SetState(HandOver);
  bool over = false;
  for (std::uint32_t s = 0; s < seats; ++s) {
    if (buriedPoints[s] == 0 && buriedAces[s] == 0)
      scores[s] += lastRank[s] == 7 ? -100 : -25;
    else
      scores[s] += buriedPoints[s] + buriedAces[s] * (acesHigh ? 15 : 1);
    over |= scores[s] > kLosingScore;
  }
  if (over) {
    ClearStatusLines();
    statusLines[0] = "The game is over.";
    SetState(GameOver);
  }
  InvalidateStatus();
  InvalidateTable();
}

void FanTanGame::OnTimer() {
  if (CommonTick(*this, kTitle, true) != Playing) return;
  if (HandIsOver()) {
    EndOfHand();
  } else {
    PlayTurn();
    InvalidateTable();
  }
}

void FanTanGame::OnLButtonDown(LPARAM lParam) {
  DispatchClick(*this, kTitle, lParam, &FanTanGame::HumanClick, true);
}

void FanTanGame::HumanClick(long x, long y) {
  if (RefuseOutOfTurn(*this, kTitle)) return;
  SeatRecord& hand = seatList[humanSeat];
  // One card a turn: a second click before the turn moves on plays nothing.
  if (hand.playedCard) return;
  Card* card = SelectThenConfirm(hand, x, y);
  if (!card) return;
  if (IsLegal(card) || CountLegal(humanSeat) == 0) {
    gameInProgress = true;
    PlayCard(humanSeat, card);
  } else {
    ShowInfo(kTitle, "That card is not allowed at this time.");
  }
}

// The card's rank plus the ranks of the cards of its suit held on its side of the seven
// (the card itself included; an ace held counts 15, on the side its rank puts it); an ace
// counts only itself.
std::int32_t FanTanGame::SideScore(std::uint32_t seat, const Card* card) const {
  std::int32_t score = RankValue(card);
  if (IsAce(card)) return score;
  for (const Card* c : seatList[seat].cards) {
    if (c->suit != card->suit) continue;
    const bool sameSide = card->rank == 7 || c->rank == 7 || (card->rank < 7) == (c->rank < 7);
    if (sameSide) score += IsAce(c) ? 15 : c->rank;
  }
  return score;
}

std::int32_t FanTanGame::PlayScore(std::uint32_t seat, const Card* card) const {
  const std::int32_t toward = card->rank < 7 ? card->rank + 1 : card->rank - 1;
  return SideScore(seat, card) + (Holds(seat, card->suit, toward) ? 5 : 0);
}

std::int32_t FanTanGame::BuryScore(std::uint32_t seat, const Card* card) const {
  const std::int32_t away = card->rank <= 6 ? card->rank - 1 : card->rank + 1;
  return SideScore(seat, card) + (Holds(seat, card->suit, away) ? 5 : 0);
}

Card* FanTanGame::ChooseCard() {
  const SeatRecord& hand = seatList[current];
  const bool canPlay = CountLegal(current) > 0;
  PileIterator walk(hand);
  Card* best = nullptr;
  std::int32_t bestScore = 0;
  for (Card* c = walk.FirstFromRandom(*rng); c; c = walk.Next()) {
    if (canPlay) {
      if (!IsLegal(c)) continue;
      const std::int32_t score = PlayScore(current, c);
      if (!best || score >= bestScore) best = c, bestScore = score;
    } else {
      const std::int32_t score = BuryScore(current, c);
      if (!best || score < bestScore) best = c, bestScore = score;
    }
  }
  return best;
}

void FanTanGame::Layout() {
  long w = 0, h = 0;
  if (!SizeHands(*this, w, h)) return;
  const RECT& t = tableRect;
  seatList[0].SetPlacement(kRowCentred, t.left + (t.right - t.left) / 2, t.bottom - h - 5, 20);
  for (std::uint32_t s = 1; s < 4; ++s) seatList[s].SetPlacement(kStack, 0, 0, 20);
  const long gap = (t.right - 4 * w - t.left) / 5;
  for (long k = 0; k < 5; ++k) {
    rows[k].cardWidth = w;
    rows[k].cardHeight = h;
    rows[k].SetPlacement(kColumnFromAnchor, t.left + (k + 1) * gap + k * w, t.top + 5, 20);
  }
  seatList[0].SetLabel(0x29, t.left, t.right, t.top, seatList[0].bounds.top - 5);
  seatList[1].SetLabel(0x24, t.left + 5, t.right, t.top, t.bottom);
  seatList[2].SetLabel(0x21, t.left, t.right, t.top + 5, t.bottom);
  seatList[3].SetLabel(0x26, t.left, t.right - 5, t.top, t.bottom);
}

void FanTanGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  if (cardImages) {
    seatList[humanSeat].Paint(*cardImages, hdc);
    for (const CardStack& row : rows) row.Paint(*cardImages, hdc);
  }
  for (std::uint32_t s = 0; s < seats; ++s) PaintSeatLabel(*this, hdc, s, s == current ? "-->" : "");
  CardGame::Paint(hdc);
  DrawSeatNumbersPanel(*this, hdc, "BURIED", [this](std::uint32_t s) { return buriedCount[s]; });
}
