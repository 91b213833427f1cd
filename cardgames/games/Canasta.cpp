#include "Canasta.h"

#include <algorithm>
#include <sstream>

#include "CardImages.h"
#include "DrawTable.h"
#include "GamePaint.h"
#include "GameResources.h"
#include "GameSteps.h"
#include "Window.h"

namespace {

const char kTitle[] = "Canasta";
const std::int32_t kIdValue = 0x1000001;
const std::int32_t kHandHoldTicks = 50;
const std::size_t kCanastaSize = 7;

bool IsRed(const Card* card) { return card->suit == kSuitDiamonds || card->suit == kSuitHearts; }

LRESULT OnOptionsInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  auto* game = static_cast<CanastaGame*>(InitOptionsDialog(
      dialog, lParam,
      {IDC_CANASTA_ELEVEN, IDC_CANASTA_THIRTEEN, IDC_CANASTA_RED_THREES, IDC_CANASTA_ALL_THREES, IDC_CANASTA_OUT_ONE,
       IDC_CANASTA_OUT_TWO, IDC_CANASTA_SCORE_ZERO, IDC_CANASTA_SCORE_ONE, IDC_CANASTA_SEVENS, IDC_CANASTA_ACES,
       IDC_CANASTA_WILD}));
  SetChecked(dialog, game->cardsDealt == 13 ? IDC_CANASTA_THIRTEEN : IDC_CANASTA_ELEVEN, true);
  SetChecked(dialog, game->allThrees ? IDC_CANASTA_ALL_THREES : IDC_CANASTA_RED_THREES, true);
  SetChecked(dialog, game->twoCanastasToGoOut ? IDC_CANASTA_OUT_TWO : IDC_CANASTA_OUT_ONE, true);
  SetChecked(dialog, game->oneCanastaToScore ? IDC_CANASTA_SCORE_ONE : IDC_CANASTA_SCORE_ZERO, true);
  SetChecked(dialog, IDC_CANASTA_SEVENS, game->sevensCanasta);
  SetChecked(dialog, IDC_CANASTA_ACES, game->acesCanasta);
  SetChecked(dialog, IDC_CANASTA_WILD, game->wildCanasta);
  return TRUE;
}

LRESULT OnOptionsOk(HWND dialog, WPARAM, LPARAM) {
  auto* game = static_cast<CanastaGame*>(OptionsDialogGame(dialog));
  game->cardsDealt = IsChecked(dialog, IDC_CANASTA_THIRTEEN) ? 13 : 11;
  game->allThrees = IsChecked(dialog, IDC_CANASTA_ALL_THREES);
  game->twoCanastasToGoOut = IsChecked(dialog, IDC_CANASTA_OUT_TWO);
  game->oneCanastaToScore = IsChecked(dialog, IDC_CANASTA_SCORE_ONE);
  game->sevensCanasta = IsChecked(dialog, IDC_CANASTA_SEVENS);
  game->acesCanasta = IsChecked(dialog, IDC_CANASTA_ACES);
  game->wildCanasta = IsChecked(dialog, IDC_CANASTA_WILD);
  game->ApplyOptions();
  AcceptOptionsDialog(dialog, game->OptionsFile());
  return 0;
}


std::string Count(std::int32_t n, const std::string& what) {
  return std::to_string(n) + " " + what + (n == 1 ? " canasta" : " canastas");
}

}  // namespace

std::string CanastaName() { return kTitle; }

std::int32_t CanastaId() { return kIdValue; }

CardGame* CreateCanastaGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new CanastaGame(window, humanSeat, rng);
}

CanastaGame::CanastaGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : CardGame(window, 4, 11, 6, humanSeat, rng) {
  for (int pack = 0; pack < 2; ++pack)
    AddRankRun(deck, kRankHighAce, 2);
  for (int j = 0; j < 4; ++j) deck.AddToPack(kSuitNone, kRankJoker);
  for (SeatRecord& seat : seatList) seat.multiSelect = true;
  discardPile.window = window;
  for (int t = 0; t < 2; ++t) {
    canastaPile[t].window = bonusPile[t].window = window;
    for (CardStack& pile : meldPile[t]) pile.window = window;
  }
  OptionsFile().Load();
  ApplyOptions();
}

CanastaGame::~CanastaGame() = default;

GameOptionsFile CanastaGame::OptionsFile() {
  return GameOptionsFile(window, kTitle, kIdValue)
      .Byte(cardsDealt)
      .Bool(allThrees)
      .Bool(twoCanastasToGoOut)
      .Bool(oneCanastaToScore)
      .Bool(sevensCanasta)
      .Bool(acesCanasta)
      .Bool(wildCanasta);
}

void CanastaGame::ApplyOptions() {
  // Only 13 is the other hand size; anything else stored deals 11.
  if (cardsDealt != 13) cardsDealt = 11;
  cardsPerHand = static_cast<std::uint32_t>(cardsDealt);
}

bool CanastaGame::HasOptions() { return true; }

bool CanastaGame::ShowRules(HWND textBox) { return ShowRulesText(window, IDT_CANASTA_RULES, textBox); }

void CanastaGame::ShowOptions(HWND parent) {
  RunOptionsDialog(*this, parent, IDD_CANASTA_OPTIONS, &OptionsDialogProc<&OnOptionsInit, &OnOptionsOk>);
}

std::uint32_t CanastaGame::TeamOf(std::uint32_t seat) const {
  return seat == humanSeat || seat == (humanSeat + 2) % seats ? 0 : 1;
}

std::int32_t CanastaGame::CardValue(const Card* card) {
  if (card->rank == kRankJoker) return 50;
  if (card->rank == 2 || card->rank == kRankHighAce || card->rank == kRankLowAce) return 20;
  return card->rank <= 7 ? 5 : 10;
}

bool CanastaGame::IsWild(const Card* card) { return card->rank == kRankJoker || card->rank == 2; }

bool CanastaGame::IsBonus(const Card* card) const { return card->rank == 3 && (allThrees || IsRed(card)); }

std::uint32_t CanastaGame::InitialRequirement(std::int32_t dealt, std::int32_t s) {
  if (dealt == 13) return s < 3000 ? 95 : s < 5000 ? 125 : 155;
  return s < 0 ? 15 : s < 1500 ? 50 : s < 3000 ? 90 : 120;
}

std::int32_t CanastaGame::CanastaBonus(const std::vector<Card*>& cards) const {
  std::size_t wilds = 0, jokers = 0, deuces = 0;
  std::int32_t rank = -1;
  for (const Card* c : cards) {
    if (IsWild(c)) {
      ++wilds;
      jokers += c->rank == kRankJoker;
      deuces += c->rank == 2;
    } else {
      rank = c->rank;
    }
  }
  if (rank < 0) return deuces == kCanastaSize ? 5000 : jokers == 4 ? 4000 : 3000;
  if (rank == kRankHighAce && acesCanasta && wilds == 0) return 2500;
  if (rank == 7 && sevensCanasta) return 3500;
  return wilds == 0 ? 500 : 300;
}

std::int32_t CanastaGame::BonusCardScore(std::uint32_t team) const {
  std::int32_t red = 0, black = 0;
  for (const Card* c : bonusPile[team].cards) (IsRed(c) ? red : black) += 1;
  const std::int32_t cards = static_cast<std::int32_t>(bonusPile[team].cards.size()) * 5;
  auto table = [this](std::int32_t n) {
    static const std::int32_t redOnly[] = {0, 100, 200, 300, 800};
    static const std::int32_t all[] = {0, 100, 300, 500, 1000};
    n = std::min(n, 4);
    return allThrees ? all[n] : redOnly[n];
  };
  return cards + table(red) + (allThrees ? table(black) : 0);
}

std::int32_t CanastaGame::UnfinishedMeldScore(std::uint32_t team) const {
  std::int32_t total = 0;
  for (const CardStack& pile : meldPile[team]) {
    if (pile.cards.empty()) continue;
    std::int32_t rank = -1;
    bool wild = false;
    for (const Card* c : pile.cards) {
      total += CardValue(c);
      if (IsWild(c))
        wild = true;
      else
        rank = c->rank;
    }
    if (rank < 0)
      total -= 1500;
    else if (rank == 7 && sevensCanasta)
      total -= 2500;
    else if (rank == kRankHighAce && acesCanasta && !wild)
      total -= 1000;
  }
  return total;
}

std::int32_t CanastaGame::CanastaCount(std::uint32_t team) const {
  return static_cast<std::int32_t>(canastaPile[team].cards.size());
}

void CanastaGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  ApplyOptions();
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  statusLines[0] = "Hand " + std::to_string(handsPlayed + 1) + " of " + std::to_string(handsPerGame);
  deck.TurnAllFaceUp();
  mustDraw = false;
  discardPile.Clear();
  for (std::uint32_t t = 0; t < 2; ++t) {
    for (CardStack& pile : meldPile[t]) pile.Clear();
    canastaPile[t].Clear();
    bonusPile[t].Clear();
    for (std::uint8_t& has : hasCanasta[t]) has = 0;
    handScore[t] = 0;
    naturalCanastas[t] = mixedCanastas[t] = wildCanastas[t] = 0;
    concealed[t] = true;
    requirement[t] = dealRequirement[t] = InitialRequirement(cardsDealt, scores[t]);
  }
  if (Card* top = deck.Draw()) discardPile.AddCardFirst(top);
  SetCurrentSeat(current);
}

void CanastaGame::SetCurrentSeat(std::uint32_t seat) {
  StartDrawTurn(*this, seat);
  mustDraw = true;
}

bool CanastaGame::Refuse(bool silent, const char* text) {
  if (!silent) ShowInfo(kTitle, text);
  return false;
}

bool CanastaGame::MeldInPile(std::uint32_t seat, int meld, Card* extraCard, bool silent) {
  if (seat >= seats || meld < 0 || meld >= kMelds) return false;
  const std::uint32_t team = TeamOf(seat);
  SeatRecord& hand = seatList[seat];
  CardStack& pile = meldPile[team][meld];
  std::vector<Card*> added;
  if (extraCard) added.push_back(extraCard);
  for (Card* c : hand.cards)
    if (c->selected) added.push_back(c);
  const std::size_t selected = added.size() - (extraCard ? 1 : 0);
  if (added.empty()) return false;
  std::vector<Card*> all(pile.cards.begin(), pile.cards.end());
  all.insert(all.end(), added.begin(), added.end());
  std::size_t naturals = 0, wilds = 0, wildsAdded = 0, wildsBefore = 0;
  std::int32_t rank = -1;
  for (const Card* c : all) {
    if (IsWild(c)) {
      ++wilds;
      continue;
    }
    if (rank >= 0 && c->rank != rank) return Refuse(silent, "You may only meld cards of the same rank.");
    rank = c->rank;
    ++naturals;
  }
  for (const Card* c : added) wildsAdded += IsWild(c);
  wildsBefore = wilds - wildsAdded;
  if (rank >= 0 && hasCanasta[team][rank]) return Refuse(silent, "You already have a canasta of that rank.");
  const bool goingOut = hand.cards.size() - selected <= 1 && !(extraCard && discardPile.cards.size() > 1);
  if (goingOut) {
    const std::int32_t needed = twoCanastasToGoOut ? 2 : 1;
    if (CanastaCount(team) + (all.size() >= kCanastaSize ? 1 : 0) < needed)
      return Refuse(silent, "You do not have enough canastas to go out.");
  }
  if (rank < 0) {
    if (!wildCanasta) return Refuse(silent, "You may not make a wild card canasta.");
  } else {
    if (rank == 7 && sevensCanasta && wilds > 0) return Refuse(silent, "A seven canasta must be natural.");
    if (rank == kRankHighAce && acesCanasta && wildsAdded > 0 && wildsBefore == 0 && !pile.cards.empty())
      return Refuse(silent, "You may not add a wild card to a natural ace canasta.");
    if (rank == 3) {
      if (allThrees) return Refuse(silent, "You may not meld threes.");
      if (!goingOut) return Refuse(silent, "You may only meld threes when you go out.");
    }
    if (naturals < 2) return Refuse(silent, "You need at least two natural cards.");
    if (wilds >= 4) return Refuse(silent, "You may not have more than 3 wild cards in a meld.");
  }
  if (all.size() < 3) return Refuse(silent, "You need at least three cards for an initial meld.");
  if (all.size() > kCanastaSize) return Refuse(silent, "You may not meld more than 7 cards.");
  // Only the cards new to the meld count toward the initial meld.
  std::int32_t value = 0;
  for (const Card* c : added) value += CardValue(c);
  const std::uint32_t before = requirement[team];
  requirement[team] = value >= static_cast<std::int32_t>(before) ? 0 : before - static_cast<std::uint32_t>(value);
  if (all.size() == kCanastaSize && requirement[team] > 0) {
    requirement[team] = before;
    return Refuse(silent, "You may not make a canasta until you meet your initial meld requirement.");
  }
  for (Card* c : added) {
    c->selected = false;
    c->faceUp = true;
    hand.RemoveCard(c);
    pile.AddCard(c);
  }
  if (pile.cards.size() == kCanastaSize) CompleteCanasta(team, meld);
  InvalidateTable();
  InvalidateStatus();
  return true;
}

void CanastaGame::CompleteCanasta(std::uint32_t team, int meld) {
  CardStack& pile = meldPile[team][meld];
  std::vector<Card*> cards(pile.cards.begin(), pile.cards.end());
  for (const Card* c : cards) handScore[team] += CardValue(c);
  handScore[team] += CanastaBonus(cards);
  Card* tally = nullptr;
  std::int32_t rank = -1;
  bool mixed = false;
  for (Card* c : cards) {
    if (IsWild(c))
      mixed = true;
    else if (rank < 0)
      rank = c->rank;
  }
  if (rank < 0) {
    hasCanasta[team][kWildKind] = 1;
    ++wildCanastas[team];
    tally = cards.front();
  } else {
    hasCanasta[team][rank] = 1;
    ++(mixed ? mixedCanastas : naturalCanastas)[team];
    for (Card* c : cards)
      if (!tally && !IsWild(c) && IsRed(c) != mixed) tally = c;
    // An all-red mixed canasta shows its first natural.
    for (Card* c : cards)
      if (!tally && !IsWild(c)) tally = c;
  }
  pile.Invalidate();
  pile.Clear();
  canastaPile[team].AddCard(tally);
  InvalidateStatus();
}

bool CanastaGame::TakeDiscardPile(std::uint32_t seat) {
  Card* top = discardPile.FirstCard();
  if (!top) return false;
  const std::uint32_t team = TeamOf(seat);
  SeatRecord& hand = seatList[seat];
  const bool human = seat == humanSeat;
  if (human && requirement[team] > 0) {
    std::int32_t value = CardValue(top);
    for (const Card* c : hand.cards)
      if (c->selected) value += CardValue(c);
    if (value < static_cast<std::int32_t>(requirement[team]))
      return Refuse(false, "You have not satisfied your initial meld requirements.");
  }
  if (!IsWild(top) && hasCanasta[team][top->rank])
    return Refuse(!human, "You already have a canasta of that rank.");
  bool taken = false;
  for (int k = 0; k < kMelds && !taken; ++k) {
    const CardStack& pile = meldPile[team][k];
    for (const Card* c : pile.cards)
      if (!IsWild(c) && !IsWild(top) && c->rank == top->rank) {
        taken = MeldInPile(seat, k, top, true);
        break;
      }
  }
  for (int k = 0; k < kMelds && !taken; ++k) taken = MeldInPile(seat, k, top, true);
  if (!taken) return Refuse(!human, "That is not a legal meld.");
  discardPile.RemoveCard(top);
  while (Card* c = discardPile.RemoveCard(nullptr)) {
    c->selected = false;
    if (IsBonus(c))
      bonusPile[team].AddCard(c);
    else
      hand.AddCard(c);
  }
  hand.Sort(sortMode);
  statusLines[2] = hand.name + " takes the discard pile.";
  InvalidateTable();
  InvalidateStatus();
  return true;
}

bool CanastaGame::CanEndTurn(std::uint32_t seat) {
  const std::uint32_t team = TeamOf(seat);
  for (const Card* c : seatList[seat].cards)
    if (IsBonus(c)) return Refuse(false, "You may not discard with a bonus card in your hand.");
  bool melds = false, threeNaturals = false;
  for (const CardStack& pile : meldPile[team]) {
    if (pile.cards.empty()) continue;
    melds = true;
    std::size_t naturals = 0;
    for (const Card* c : pile.cards) naturals += !IsWild(c);
    threeNaturals |= naturals >= 3 || naturals == 0;
  }
  if (!concealed[team] || !melds) return true;
  std::string text;
  if (!threeNaturals && CanastaCount(team) == 0)
    text = "You need at least one natural three-of-a-kind for your initial meld. ";
  else if (requirement[team] > 0)
    text = "You need " + std::to_string(requirement[team]) + " more points to satisfy your initial meld count.";
  else
    return true;
  if (AskYesNo(kTitle, text + "  Would you like to retrieve your melds?")) RetrieveMelds(seat);
  return false;
}

void CanastaGame::RetrieveMelds(std::uint32_t seat) {
  const std::uint32_t team = TeamOf(seat);
  SeatRecord& hand = seatList[seat];
  for (CardStack& pile : meldPile[team]) {
    for (Card* c : pile.cards) hand.AddCard(c);
    pile.Invalidate();
    pile.Clear();
  }
  requirement[team] = dealRequirement[team];
  hand.Sort(sortMode);
  InvalidateTable();
}

void CanastaGame::Discard(std::uint32_t seat) {
  SeatRecord& hand = seatList[seat];
  Card* card = hand.FirstSelected();
  if (!card) return;
  ClearSelection(hand);
  hand.RemoveCard(card);
  discardPile.AddCardFirst(card);
  InvalidateTable();
  if (!hand.cards.empty() && !deck.stock.empty()) {
    const std::uint32_t team = TeamOf(seat);
    if (requirement[team] == 0) concealed[team] = false;
    SetCurrentSeat((seat + 1) % seats);
  } else {
    EndOfHand(seat);
  }
}

void CanastaGame::EndOfHand(std::uint32_t seat) {
  // Only once: the move that ended the hand may be noticed twice.
  if (GetState() != Playing) return;
  if (seatList[seat].cards.empty()) scores[TeamOf(seat)] += concealed[TeamOf(seat)] ? 200 : 100;
  std::int32_t left[2] = {};
  for (std::uint32_t s = 0; s < seats; ++s)
    for (const Card* c : seatList[s].cards) left[TeamOf(s)] += CardValue(c);
  for (std::uint32_t t = 0; t < 2; ++t) {
    std::int32_t earned = handScore[t] + BonusCardScore(t);
    std::int32_t penalties = 0;
    for (const CardStack& pile : meldPile[t])
      for (const Card* c : pile.cards) earned += CardValue(c);
    penalties = UnfinishedMeldScore(t);
    for (const CardStack& pile : meldPile[t])
      for (const Card* c : pile.cards) penalties -= CardValue(c);
    // Without a canasta the earned part counts against the side; penalties stay penalties.
    if (oneCanastaToScore && CanastaCount(t) == 0) earned = -earned;
    handScore[t] = earned + penalties - left[t];
    scores[t] += handScore[t];
  }
  scores[2] = scores[0];
  scores[3] = scores[1];
  handOverCountdown = kHandHoldTicks;
  SetState(HandOver);
  statusLines[2].clear();
  statusLines[1] = "This hand is over.";
  InvalidateStatus();
  InvalidateTable();
}

bool CanastaGame::DrawCard(std::uint32_t seat) {
  Card* card = deck.Draw();
  if (!card) return false;
  card->faceUp = true;
  seatList[seat].AddCard(card);
  seatList[seat].Sort(sortMode);
  InvalidateTable();
  return true;
}

void CanastaGame::LayBonusCard(std::uint32_t seat, Card* card) {
  card->selected = false;
  seatList[seat].RemoveCard(card);
  bonusPile[TeamOf(seat)].AddCard(card);
  // A replacement only while the stock has one.
  if (!deck.stock.empty()) DrawCard(seat);
  InvalidateTable();
}

void CanastaGame::LayBonusCards(std::uint32_t seat) {
  for (bool found = true; found;) {
    found = false;
    for (Card* c : seatList[seat].cards)
      if (IsBonus(c)) {
        LayBonusCard(seat, c);
        found = true;
        break;
      }
  }
}

std::string CanastaGame::CanastaSummary(std::uint32_t team) const {
  if (CanastaCount(team) == 0) return "No canastas.";
  std::string out;
  if (wildCanastas[team] > 0) out += "1 joker canasta\r\n";
  if (naturalCanastas[team] > 0) out += Count(naturalCanastas[team], "natural") + "\r\n";
  if (mixedCanastas[team] > 0) out += Count(mixedCanastas[team], "mixed") + "\r\n";
  return out;
}

void CanastaGame::OnTimer() { DrawGameTick(*this, kTitle, &CanastaGame::ComputerTurn); }

void CanastaGame::OnLButtonDown(LPARAM lParam) {
  DispatchClick(*this, kTitle, lParam, &CanastaGame::HumanClick, false);
}

void CanastaGame::HumanClick(long x, long y) {
  if (RefuseOutOfTurn(*this, kTitle)) return;
  SeatRecord& hand = seatList[humanSeat];
  const std::uint32_t team = TeamOf(humanSeat);
  if (Card* card = hand.CardAt(x, y)) {
    if (IsBonus(card)) {
      LayBonusCard(humanSeat, card);
      gameInProgress = true;
      // With the stock empty no replacement comes: a lone bonus card laid empties the hand.
      if (hand.cards.empty()) EndOfHand(humanSeat);
    } else {
      hand.ToggleSelect(card);
    }
    return;
  }
  if (discardPile.HitTestAnchor(x, y)) {
    HumanDiscardPileClick();
    return;
  }
  if (x >= deckRect.left && x <= deckRect.right && y >= deckRect.top && y <= deckRect.bottom) {
    if (!mustDraw) {
      ShowInfo(kTitle, StockText(deck.stock.size()));
    } else if (DrawCard(humanSeat)) {
      mustDraw = false;
      HumanToPlay(*this);
    } else {
      EndOfHand(humanSeat);  // the stock ran out
    }
    return;
  }
  for (std::uint32_t t = 0; t < 2; ++t) {
    if (bonusPile[t].HitTestAnchor(x, y) || bonusPile[t].Contains(x, y)) {
      ShowInfo(kTitle, PileCardsText(bonusPile[t], "No bonus cards."));
      return;
    }
    if (canastaPile[t].HitTestAnchor(x, y) || canastaPile[t].Contains(x, y)) {
      ShowInfo(kTitle, CanastaSummary(t));
      return;
    }
  }
  for (std::uint32_t t = 0; t < 2; ++t)
    for (int k = 0; k < kMelds; ++k) {
      if (!meldPile[t][k].HitTestAnchor(x, y)) continue;
      if (t != team || CountSelected(hand) == 0)
        ShowInfo(kTitle, PileCardsText(meldPile[t][k], "This slot is empty."));
      else if (MeldInPile(humanSeat, k, nullptr, false) && hand.cards.empty())
        EndOfHand(humanSeat);
      return;
    }
}

void CanastaGame::HumanDiscardPileClick() {
  SeatRecord& hand = seatList[humanSeat];
  const std::size_t selected = CountSelected(hand);
  if (selected == 0) {
    ShowInfo(kTitle, DiscardPileText(discardPile.cards.size()));
  } else if (mustDraw) {
    if (TakeDiscardPile(humanSeat)) {
      mustDraw = false;
      HumanToPlay(*this);
      if (hand.cards.empty()) EndOfHand(humanSeat);
    }
  } else if (selected > 1) {
    ShowInfo(kTitle, "You may only discard one card at a time.");
  } else if (CanEndTurn(humanSeat)) {
    Discard(humanSeat);
  }
}

// Computer seats.

std::uint32_t CanastaGame::CountRankInHand(std::uint32_t seat, std::int32_t rank) const {
  std::uint32_t n = 0;
  for (const Card* c : seatList[seat].cards) n += rank == kRankJoker ? IsWild(c) : !IsWild(c) && c->rank == rank;
  return n;
}

std::vector<Card*> CanastaGame::CardsOfRank(std::uint32_t seat, std::int32_t rank) const {
  std::vector<Card*> out;
  for (Card* c : seatList[seat].cards)
    if (!IsWild(c) && c->rank == rank) out.push_back(c);
  return out;
}

std::vector<Card*> CanastaGame::WildsInHand(std::uint32_t seat) const {
  std::vector<Card*> out;
  for (Card* c : seatList[seat].cards)
    if (IsWild(c)) out.push_back(c);
  return out;
}

int CanastaGame::FirstEmptyMeld(std::uint32_t team) const {
  // Stops once all eight are in use.
  for (int k = 0; k < kMelds; ++k)
    if (meldPile[team][k].cards.empty()) return k;
  return -1;
}

bool CanastaGame::MeldCards(std::uint32_t seat, int meld, const std::vector<Card*>& cards) {
  if (meld < 0 || cards.empty()) return false;
  SeatRecord& hand = seatList[seat];
  ClearSelection(hand);
  for (Card* c : cards) c->selected = true;
  const bool ok = MeldInPile(seat, meld, nullptr, true);
  ClearSelection(hand);
  return ok;
}

bool CanastaGame::OpponentsReady(std::uint32_t seat) const {
  return CanastaCount(1 - TeamOf(seat)) >= (twoCanastasToGoOut ? 2 : 1);
}

bool CanastaGame::WorthMelding(std::uint32_t seat, std::int32_t rank) const {
  const std::uint32_t team = TeamOf(seat);
  if (rank >= 0 && rank < 16 && hasCanasta[team][rank == kRankJoker ? kWildKind : rank]) return false;
  const std::size_t stock = deck.stock.size();
  const std::uint32_t held = CountRankInHand(seat, rank);
  const bool pressed = stock < 12 || OpponentsReady(seat);
  const bool noWild = WildsInHand(seat).empty();
  if ((rank == 7 && sevensCanasta) || (rank == kRankHighAce && acesCanasta && noWild))
    return held >= (pressed ? 7u : stock < 20 ? 6u : 5u);
  if (rank == kRankJoker && wildCanasta) return pressed ? held >= 7 : held >= (stock < 20 ? 5u : 4u);
  return true;
}

bool CanastaGame::MeetRequirement(std::uint32_t seat) {
  const std::uint32_t team = TeamOf(seat);
  for (int attempt = 0; attempt < 32; ++attempt) {
    if (requirement[team] == 0) return true;
    bool laid = false;
    for (std::int32_t rank = kRankHighAce; rank >= 4 && !laid; --rank) {
      std::vector<Card*> set = CardsOfRank(seat, rank);
      const std::size_t least = (rank == 7 && sevensCanasta) || (rank == kRankHighAce && acesCanasta) ? 5 : 3;
      if (set.size() < least) continue;
      if (set.size() > kCanastaSize) set.resize(kCanastaSize);
      laid = MeldCards(seat, FirstEmptyMeld(team), set);
    }
    if (laid) continue;
    std::vector<Card*> wilds = WildsInHand(seat);
    if (wilds.empty()) break;
    for (std::int32_t rank = kRankHighAce; rank >= 4 && !laid; --rank) {
      if (rank == 7 && sevensCanasta) continue;
      std::vector<Card*> pair = CardsOfRank(seat, rank);
      if (pair.size() != 2) continue;
      pair.push_back(wilds.front());
      laid = MeldCards(seat, FirstEmptyMeld(team), pair);
      break;
    }
    for (int k = 0; k < kMelds && !laid; ++k)
      if (!meldPile[team][k].cards.empty()) laid = MeldCards(seat, k, {wilds.front()});
    if (!laid) break;
  }
  return requirement[team] == 0;
}

bool CanastaGame::WantsDiscardPile(std::uint32_t seat) {
  const std::uint32_t team = TeamOf(seat);
  Card* top = discardPile.FirstCard();
  if (!top || IsBonus(top)) return false;
  // A wild top counts as rank 0 (wild cards).
  const std::int32_t rank = IsWild(top) ? kRankJoker : top->rank;
  if (rank == kRankJoker && !wildCanasta) return false;
  if (CountRankInHand(seat, rank) < 2 || hasCanasta[team][rank == kRankJoker ? kWildKind : rank]) return false;
  for (const CardStack& pile : meldPile[team]) {
    bool natural = false, same = false;
    for (const Card* c : pile.cards) {
      natural |= !IsWild(c);
      same |= !IsWild(c) && c->rank == rank;
    }
    if (same || (rank == kRankJoker && !pile.cards.empty() && !natural)) return false;
  }
  if (requirement[team] > 0) {
    std::int32_t value = CardValue(top);
    bool set = false;
    std::vector<Card*> wilds = WildsInHand(seat);
    for (const Card* w : wilds) value += CardValue(w);
    std::size_t spare = wilds.size();
    for (std::int32_t r = kRankHighAce; r >= 4; --r) {
      const std::vector<Card*> cards = CardsOfRank(seat, r);
      if (!WorthMelding(seat, r)) continue;
      if (cards.size() >= 3 || (r == rank && cards.size() >= 2)) {
        set = true;
        for (const Card* c : cards) value += CardValue(c);
      } else if (cards.size() == 2 && spare > 0) {
        --spare;
        for (const Card* c : cards) value += CardValue(c);
      }
    }
    if (!set || value < static_cast<std::int32_t>(requirement[team])) return false;
  }
  if (!WorthMelding(seat, rank)) return false;
  if (requirement[team] == 0 && deck.stock.size() > 12 && discardPile.cards.size() < 8 &&
      CanastaCount(1 - team) == 0)
    return false;
  SeatRecord& hand = seatList[seat];
  std::vector<Card*> pair = rank == kRankJoker ? WildsInHand(seat) : CardsOfRank(seat, rank);
  pair.resize(2);
  if (requirement[team] > 0) {
    // The two that go with the top card are kept out of the initial melds.
    for (Card* c : pair) hand.RemoveCard(c);
    const bool met = MeetRequirement(seat);
    for (Card* c : pair) hand.AddCard(c);
    if (!met) {
      RetrieveMelds(seat);
      return false;
    }
  }
  ClearSelection(hand);
  for (Card* c : pair) c->selected = true;
  const bool taken = TakeDiscardPile(seat);
  ClearSelection(hand);
  return taken;
}

void CanastaGame::ComputerMeld(std::uint32_t seat) {
  const std::uint32_t team = TeamOf(seat);
  // first: only what completes a canasta (and the special ranks); again: every natural,
  // and wild cards where there is none when spareWilds.
  auto extend = [&](bool again, bool spareWilds) {
    for (int k = 0; k < kMelds; ++k) {
      CardStack& pile = meldPile[team][k];
      if (pile.cards.empty()) continue;
      std::int32_t rank = -1;
      std::size_t wildsIn = 0;
      for (const Card* c : pile.cards) {
        if (IsWild(c))
          ++wildsIn;
        else
          rank = c->rank;
      }
      const std::size_t room = kCanastaSize - pile.cards.size();
      std::vector<Card*> wilds = WildsInHand(seat);
      if (rank < 0) {
        if (!again) {
          if (wilds.size() > room) wilds.resize(room);
          MeldCards(seat, k, wilds);
        }
        continue;
      }
      std::vector<Card*> naturals = CardsOfRank(seat, rank);
      if (naturals.size() > room) naturals.resize(room);
      const bool special = (rank == 7 && sevensCanasta) || (rank == kRankHighAce && acesCanasta);
      if (!naturals.empty() && (again || special || naturals.size() == room)) {
        MeldCards(seat, k, naturals);
        continue;
      }
      if (wildsIn >= 3 || special || (again && !spareWilds)) continue;
      const std::size_t wildRoom = std::min<std::size_t>(3 - wildsIn, wilds.size());
      if (again || naturals.size() + wildRoom >= room) {
        std::vector<Card*> cards = naturals;
        for (std::size_t i = 0; i < wildRoom && cards.size() < room; ++i) cards.push_back(wilds[i]);
        MeldCards(seat, k, cards);
      }
    }
  };
  if (requirement[team] == 0) extend(false, false);
  const bool noCanasta = CanastaCount(1 - team) == 0;
  const bool early = deck.stock.size() > 12 && noCanasta;
  const std::uint32_t limit = rng->Next(requirement[team] == 0 ? 16 : 20);
  if (early && discardPile.cards.size() <= limit) return;
  if (requirement[team] > 0 && !MeetRequirement(seat)) {
    RetrieveMelds(seat);
    return;
  }
  const std::uint32_t stock = static_cast<std::uint32_t>(deck.stock.size());
  extend(true, !(noCanasta && stock > 0 && rng->Next(stock) > 7));
}

void CanastaGame::ComputerTurn() {
  const std::uint32_t seat = current;
  LayBonusCards(seat);
  bool took = false;
  if (!discardPile.cards.empty()) took = WantsDiscardPile(seat);
  if (!took) {
    // A seat that does not take the pile draws.
    if (!DrawCard(seat)) {
      EndOfHand(seat);
      return;
    }
    LayBonusCards(seat);
  }
  mustDraw = false;
  ComputerMeld(seat);
  if (seatList[seat].cards.empty()) return;
  Card* card = ChooseDiscard(seat);
  if (!card) {
    EndOfHand(seat);
    return;
  }
  ClearSelection(seatList[seat]);
  card->selected = true;
  PlayBeep();
  Discard(seat);
}

std::int32_t CanastaGame::KeepScore(std::uint32_t seat, const Card* card) const {
  if (IsWild(card)) return 1;
  const std::uint32_t held = CountRankInHand(seat, card->rank);
  if (requirement[TeamOf(seat)] > 0 && held >= 3) return 2;
  if (held == 2) return 3;
  if ((card->rank == 7 && sevensCanasta) || (card->rank == kRankHighAce && acesCanasta)) return 4;
  if (held >= 3) return 5;
  const std::int32_t value = CardValue(card);
  return value == 20 ? 6 : value == 10 ? 7 : 8;
}

std::int32_t CanastaGame::SafetyScore(std::uint32_t seat, const Card* card) const {
  const std::uint32_t team = TeamOf(seat);
  if (!IsWild(card) && hasCanasta[1 - team][card->rank]) return 8;
  if (card->rank == 3 && !allThrees && !IsRed(card)) return 7;
  const bool special = (card->rank == 7 && sevensCanasta) || (card->rank == kRankHighAce && acesCanasta);
  if (special && CountRankInHand(seat, card->rank) >= 3) return 6;
  if (IsWild(card)) return requirement[team] == 0 ? 2 : 1;
  const std::int32_t value = CardValue(card);
  return value == 20 ? 5 : value == 10 ? 4 : 3;
}

Card* CanastaGame::ChooseDiscard(std::uint32_t seat) {
  const std::size_t pile = discardPile.cards.size();
  PileIterator walk(seatList[seat]);
  Card* best = nullptr;
  std::int32_t bestScore = 0;
  for (Card* c = walk.FirstFromRandom(*rng); c; c = walk.Next()) {
    const std::int32_t score = pile < 8    ? KeepScore(seat, c)
                               : pile < 16 ? KeepScore(seat, c) + SafetyScore(seat, c)
                                           : SafetyScore(seat, c);
    if (!best || score > bestScore) best = c, bestScore = score;
  }
  return best;
}

void CanastaGame::Layout() {
  long w = 0, h = 0;
  if (!SizeHands(*this, w, h)) return;
  const DrawTableLayout at(tableRect, w, h);
  const RECT& t = tableRect;
  auto place = [&](CardPile& pile, std::int32_t kind, long x, long y, long spacing) {
    pile.cardWidth = at.w;
    pile.cardHeight = at.h;
    pile.SetPlacement(kind, x, y, spacing);
  };
  for (int k = 0; k < kMelds; ++k) {
    place(meldPile[0][k], kStack, at.SlotX(k), at.lowerRowY, 20);
    place(meldPile[1][k], kStack, at.SlotX(k), at.upperRowY, 20);
  }
  // Each side's bonus and canasta piles lie beside its row of melds, toward the stock.
  const long ownY = at.lowerRowY - at.h - 5;
  const long theirY = at.upperRowY + at.h + 5;
  place(bonusPile[0], kRowFromAnchor, t.left + at.colGap, ownY, 5);
  place(canastaPile[0], kRowFromAnchor, t.left + 2 * at.colGap + at.w, ownY, 5);
  place(bonusPile[1], kRowFromAnchor, t.right - at.colGap - at.w, theirY, 5);
  // A row that would reach past the table's right edge moves back toward the stock.
  bonusPile[1].KeepInside({t.left, t.top, t.right, t.bottom});
  place(canastaPile[1], kRowFromAnchor, t.right - 2 * (at.colGap + at.w), theirY, 5);
  deckRect = at.deckRect;
  place(discardPile, kStack, at.discardX, at.discardY, 20);
  for (std::uint32_t s = 0; s < seats; ++s)
    if (s != humanSeat) seatList[s].SetPlacement(kStack, 0, 0, 20);
  SeatRecord& hand = seatList[humanSeat];
  hand.KeepInside(at.handArea);
  hand.SetPlacement(kRowCentred, at.handX, at.handY, 20);
  hand.SetLabel(0x24, t.left + 10, t.right, at.handY, at.handY + at.h);
}

void CanastaGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  if (cardImages) {
    for (auto& side : meldPile)
      for (const CardStack& pile : side) PaintFramedPile(*this, hdc, pile);
    for (std::uint32_t t = 0; t < 2; ++t) {
      PaintFramedPile(*this, hdc, bonusPile[t]);
      PaintFramedPile(*this, hdc, canastaPile[t]);
    }
    PaintStock(*this, hdc, deckRect, StockBackCount(deck.stock.size()));
    PaintFramedPile(*this, hdc, discardPile);
    // Over the melds' lower edge: a lifted card and the rows behind a large hand's front row.
    seatList[humanSeat].Paint(*cardImages, hdc);
  }
  PaintHandLabel(*this, hdc);
  const RECT& r = statusRect;
  std::vector<PanelRow> teams = {{seatList[2].name, {std::to_string(scores[0])}},
                                 {seatList[0].name, {}},
                                 {seatList[3].name, {std::to_string(scores[1])}},
                                 {seatList[1].name, {}}};
  DrawPanel(*this, hdc, r.top + 20, r.top + static_cast<long>(seats) * 16 + 47, "TEAM", {WideColumn(*this, "SCORE")},
            teams);
  if (showStatusLines) {
    PanelText text(*this, hdc);
    DrawStatusLines(hdc);
  }
  PaintCardsLeft(*this, hdc);
}
