#include "War.h"

#include "CardImages.h"
#include "GamePaint.h"
#include "GameResources.h"
#include "GameSteps.h"
#include "Window.h"

namespace {

const char kTitle[] = "War";
const std::int32_t kIdValue = 0x200001;
const std::uint8_t kTopLevel = 3;
const int kLevelButtons[] = {IDC_WAR_LEVEL0, IDC_WAR_LEVEL1, IDC_WAR_LEVEL2, IDC_WAR_LEVEL3};

LRESULT OnOptionsInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  auto* game = static_cast<WarGame*>(
      InitOptionsDialog(dialog, lParam, {IDC_WAR_LEVEL0, IDC_WAR_LEVEL1, IDC_WAR_LEVEL2, IDC_WAR_LEVEL3}));
  SetChecked(dialog, kLevelButtons[game->level > kTopLevel ? kTopLevel : game->level], true);
  return TRUE;
}

LRESULT OnOptionsOk(HWND dialog, WPARAM, LPARAM) {
  auto* game = static_cast<WarGame*>(OptionsDialogGame(dialog));
  for (std::uint8_t level = 0; level <= kTopLevel; ++level)
    if (IsChecked(dialog, kLevelButtons[level])) {
      game->level = level;
      break;
    }
  AcceptOptionsDialog(dialog, game->OptionsFile());
  return 0;
}

}  // namespace

std::string WarName() { return kTitle; }

std::int32_t WarId() { return kIdValue; }

CardGame* CreateWarGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new WarGame(window, humanSeat, rng);
}

WarGame::WarGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : CardGame(window, 2, 26, 1, humanSeat, rng), battlePiles(2) {
  AddRankRun(deck, kRankHighAce, 2);
  for (CardStack& pile : battlePiles) pile.window = window;
  OptionsFile().Load();
  if (level > kTopLevel) level = kTopLevel;
}

GameOptionsFile WarGame::OptionsFile() { return GameOptionsFile(window, kTitle, kIdValue).Byte(level); }

WarGame::~WarGame() = default;

bool WarGame::HasOptions() { return true; }

bool WarGame::ShowRules(HWND textBox) { return ShowRulesText(window, IDT_WAR_RULES, textBox); }

void WarGame::StartDeal(bool newGame, bool randomDealer, bool) {
  // The hands stay in the order they were dealt.
  CardGame::StartDeal(newGame, randomDealer, false);
  statusLines[0].clear();
  for (CardStack& pile : battlePiles) pile.Clear();
  SetCurrentSeat(current);
}

void WarGame::NewDeal(bool newGame, bool randomDealer) { StartDeal(newGame, randomDealer, false); }

void WarGame::SetCurrentSeat(std::uint32_t seat) {
  CardGame::SetCurrentSeat(seat);
  statusLines[1] = current == humanSeat ? "It is your turn to play a card."
                                        : "It is " + seatList[current % 2].name + "'s turn to play a card.";
  InvalidateStatus();
}

void WarGame::PlayCard(std::uint32_t seat, Card* card) {
  if (!card || seat >= 2) return;
  card->selected = false;
  card->faceUp = true;
  PlayBeep();
  battlePiles[seat].AddCard(card);
  seatList[seat].RemoveCard(card);
  seatList[seat].playedCard = card;
  InvalidateStatus();
  InvalidateTable();
}

Card* WarGame::ChooseCard() { return seatList[current % 2].LastCard(); }

void WarGame::OnTimer() {
  if (CommonTick(*this, kTitle, false) != Playing) return;
  if (AllSeatsHavePlayed()) {
    statusLines[1] = "Choose the winning card.";
    SetState(kChoosing);
    InvalidateStatus();
  } else {
    PlayTurn();
  }
}

void WarGame::OnLButtonDown(LPARAM lParam) {
  if (ClickOffersNewGame(*this, kTitle)) return;
  const long x = LOWORD(lParam);
  const long y = HIWORD(lParam);
  if (GetState() == Playing)
    HumanMove(x, y);
  else if (GetState() == kChoosing)
    ChooseWinner(x, y);
}

void WarGame::HumanMove(long x, long y) {
  if (current != humanSeat) {
    ShowInfo(kTitle, "It is not your turn to move.");
    return;
  }
  SeatRecord& hand = seatList[humanSeat % 2];
  // One card a turn: a second click before the turn moves on plays nothing.
  if (hand.playedCard) return;
  Card* card = hand.CardAt(x, y);
  if (!card) return;
  gameInProgress = true;
  PlayCard(humanSeat, card);
}

void WarGame::ChooseWinner(long x, long y) {
  CardStack& mine = battlePiles[humanSeat % 2];
  CardStack& theirs = battlePiles[(humanSeat + 1) % 2];
  const Card* a = mine.LastCard();
  const Card* b = theirs.LastCard();
  if (!a || !b) return;
  const bool onMine = mine.CardAt(x, y) != nullptr;
  const bool onTheirs = theirs.CardAt(x, y) != nullptr;
  if (a->rank == b->rank) {
    if (!onMine && !onTheirs) {
      ShowInfo(kTitle, "You must click on either card.");
      return;
    }
    // War: each adds level face-down cards and one face up, as far as the hand goes.
    bool added[2] = {false, false};
    for (std::uint32_t s = 0; s < 2; ++s) {
      Card* last = nullptr;
      for (std::uint32_t n = 0; n <= level && !seatList[s].cards.empty(); ++n) {
        last = seatList[s].RemoveCard(nullptr);
        last->faceUp = false;
        battlePiles[s].AddCard(last);
      }
      if (last) {
        last->faceUp = true;
        added[s] = true;
      }
    }
    InvalidateTable();
    const bool handsLeft = !seatList[0].cards.empty() && !seatList[1].cards.empty();
    if (handsLeft) return;
    const Card* na = mine.LastCard();
    const Card* nb = theirs.LastCard();
    if (!added[0] || !added[1] || na->rank == nb->rank) EndOfGame();
    return;
  }
  const std::uint32_t winner = a->rank > b->rank ? humanSeat % 2 : (humanSeat + 1) % 2;
  if (battlePiles[winner].CardAt(x, y) == nullptr) {
    ShowInfo(kTitle, "You must click on the winning card.");
    return;
  }
  for (CardStack& pile : battlePiles) {
    for (Card* c : pile.cards) c->faceUp = false;
    scores[winner] += static_cast<std::int32_t>(pile.cards.size());
    pile.Invalidate();
    pile.Clear();
  }
  InvalidateStatus();
  InvalidateTable();
  SetState(Playing);
  for (SeatRecord& seat : seatList) seat.playedCard = nullptr;
  SetCurrentSeat((dealer + 1) % seats);
  if (seatList[0].cards.empty() || seatList[1].cards.empty()) EndOfGame();
}

void WarGame::EndOfGame() {
  ClearStatusLines();
  statusLines[0] = "The game is over.";
  InvalidateStatus();
  SetState(GameOver);
}

void WarGame::ShowOptions(HWND parent) {
  RunOptionsDialog(*this, parent, IDD_WAR_OPTIONS, &OptionsDialogProc<&OnOptionsInit, &OnOptionsOk>);
}

void WarGame::Layout() {
  long w = 0, h = 0;
  if (!SizeHands(*this, w, h)) return;
  const RECT& t = tableRect;
  for (CardStack& pile : battlePiles) {
    pile.cardWidth = w;
    pile.cardHeight = h;
  }
  const long rowGap = (t.bottom - 4 * h - t.top) / 5;
  const long x = t.left + (t.right - t.left - w) / 2;
  const std::uint32_t other = (humanSeat + 1) % 2;
  SeatRecord& top = seatList[other];
  SeatRecord& bottom = seatList[humanSeat % 2];
  top.SetPlacement(kStack, x, t.top + rowGap, 20);
  bottom.SetPlacement(kStack, x, t.bottom - rowGap - h, 20);
  battlePiles[other].SetPlacement(kRowFromAnchor, top.bounds.left, t.top + 2 * rowGap + h, 20);
  battlePiles[humanSeat % 2].SetPlacement(kRowFromAnchor, bottom.bounds.left, t.top + 3 * rowGap + 2 * h, 20);
  for (SeatRecord* seat : {&top, &bottom})
    seat->SetLabel(DT_SINGLELINE | DT_VCENTER | DT_RIGHT, 0, seat->bounds.left - 10, seat->anchorY,
                   seat->anchorY + h);
}

void WarGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  if (cardImages) {
    for (std::uint32_t s = 0; s < 2; ++s) {
      seatList[s].Paint(*cardImages, hdc);
      battlePiles[s].Paint(*cardImages, hdc);
    }
  }
  for (std::uint32_t s = 0; s < 2; ++s) PaintSeatLabel(*this, hdc, s);
  CardGame::Paint(hdc);
  PaintCardsLeft(*this, hdc);
}
