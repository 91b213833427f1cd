#include "RubiconBezique.h"

#include <algorithm>

#include "CardImages.h"
#include "ChoiceList.h"
#include "GamePaint.h"
#include "GameResources.h"

namespace {

const char kTitle[] = "Rubicon Bezique";
const std::int32_t kIdValue = 33;
const std::int32_t kJack = 11, kQueen = 12, kKing = 13, kAce = 14, kTen = 10;

bool IsCourt(const Card& card) { return card.faceRank >= kJack && card.faceRank <= kKing; }

// The play rank of a printed rank: the ten ranks between the ace and the king.
std::int32_t PlayRank(std::int32_t faceRank) {
  switch (faceRank) {
    case kTen:
      return 13;
    case kKing:
      return 12;
    case kQueen:
      return 11;
    case kJack:
      return 10;
    default:
      return faceRank;
  }
}

// The first card of the pile for a declaration: not yet taken, of the rank and suit (any
// for kSuitNone), and without the flag bits given; it is taken (selected).
Card* Take(CardPile& pile, std::int32_t faceRank, std::int32_t suit, std::uint32_t mask) {
  for (Card* c : pile.cards)
    if (!c->selected && !(c->flags & mask) && c->faceRank == faceRank && (suit == kSuitNone || c->faceSuit == suit)) {
      c->selected = true;
      return c;
    }
  return nullptr;
}

struct Needed {
  std::int32_t faceRank;
  std::int32_t suit;
};

}  // namespace

std::string RubiconBeziqueName() { return kTitle; }

std::int32_t RubiconBeziqueId() { return kIdValue; }

CardGame* CreateRubiconBeziqueGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new RubiconBeziqueGame(window, humanSeat, rng);
}

RubiconBeziqueGame::RubiconBeziqueGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TrickGame(window, kTitle, IDT_RUBICON_RULES, 2, 9, 1, humanSeat, rng) {
  showLeadLine = false;
  for (int pack = 0; pack < 4; ++pack)
    AddRanks(deck, {kAce, kTen, kKing, kQueen, kJack, 9, 8, 7});
  for (CardStack& p : declaredPiles) p.window = window;
}

RubiconBeziqueGame::~RubiconBeziqueGame() = default;

std::string RubiconBeziqueGame::StockText() const { return std::to_string(deck.stock.size()) + " Cards in Stock Pile"; }

void RubiconBeziqueGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  for (std::int32_t face : {kTen, kKing, kQueen, kJack}) deck.SetRankValue(face, PlayRank(face));
  tricks.RebuildUnplayed(deck);
  statusLines[0] = StockText();
  trump = kSuitNone;
  tricks.ClearTrump();
  trickPoints = 0;
  lastTrickWinner = seats;
  statusLines[1] = "Trump: " + SuitName(kSuitNone);
  deck.TurnAllFaceUp();
  TurnUpTrump(nullptr);
  ResetTricks();
  for (std::uint32_t s = 0; s < seats; ++s) {
    SeatRecord& hand = seatList[s];
    hand.Sort(sortMode);
    declaredPiles[s].Clear();
    wonTricks[s].Clear();
    carteBlanche[s] = std::none_of(hand.cards.begin(), hand.cards.end(), [](const Card* c) { return IsCourt(*c); });
    if (!carteBlanche[s]) continue;
    if (hand.isComputer)
      ShowInfo(kTitle, hand.name + " declares carte blanche.");
    else if (!AskYesNo(kTitle, "Do you declare carte blanche?"))
      carteBlanche[s] = false;
    if (!carteBlanche[s]) continue;
    scores[s] += 50;
    while (Card* c = hand.FirstCard()) {
      hand.RemoveCard(c);
      declaredPiles[s].AddCard(c);
    }
    declaredPiles[s].Sort(sortMode);
  }
  SetCurrentSeat(current);
}

void RubiconBeziqueGame::SetCurrentSeat(std::uint32_t seat) {
  CardGame::SetCurrentSeat(seat);
  statusLines[2] = current == humanSeat ? "It is your turn to play a card."
                                        : "It is " + seatList[current].name + "'s turn to play a card.";
}

bool RubiconBeziqueGame::IsLegal(std::uint32_t seat, const Card* card) const {
  const CardPile& hand = seatList[seat];
  const bool held = std::count(hand.cards.begin(), hand.cards.end(), card) > 0;
  const bool declared =
      std::count(declaredPiles[seat].cards.begin(), declaredPiles[seat].cards.end(), card) > 0;
  if (!deck.stock.empty()) return held || declared;
  return held && tricks.IsLegalPlay(card, hand);
}

void RubiconBeziqueGame::ClearSelections(std::uint32_t seat) {
  for (Card* c : seatList[seat].cards) c->selected = false;
  for (Card* c : declaredPiles[seat].cards) c->selected = false;
  InvalidateTable();
}

Card* RubiconBeziqueGame::FindFor(std::uint32_t seat, std::int32_t faceRank, std::int32_t suit, std::uint32_t flag,
                                  bool freshFound, bool& fresh) {
  CardStack& declared = declaredPiles[seat];
  SeatRecord& hand = seatList[seat];
  fresh = true;
  if (freshFound) {
    // Declared cards serve again before the hand gives up more.
    if (Card* c = Take(declared, faceRank, suit, 0)) return c;
    return Take(hand, faceRank, suit, 0);
  }
  if (Card* c = Take(declared, faceRank, suit, flag)) return c;
  if (Card* c = Take(hand, faceRank, suit, 0)) return c;
  fresh = false;
  return Take(declared, faceRank, suit, 0);
}

bool RubiconBeziqueGame::Declare(std::uint32_t seat, std::uint32_t declaration, std::int32_t suit, bool apply) {
  if (seat >= seats) return false;
  ClearSelections(seat);
  std::vector<Needed> needed;
  std::int32_t points = 0;
  std::string text;
  int beziques = 0;
  switch (declaration) {
    case kSequence:
      if (suit < 0 || suit > 3) return false;
      for (std::int32_t r : {kTen, kJack, kQueen, kKing, kAce}) needed.push_back({r, suit});
      points = suit == trump ? 250 : 150;
      text = " scored " + std::to_string(points) + " points for a sequence.";
      break;
    case kMarriage:
      if (suit < 0 || suit > 3) return false;
      needed = {{kQueen, suit}, {kKing, suit}};
      points = suit == trump ? 40 : 20;
      text = " scored " + std::to_string(points) + " points for a marriage.";
      break;
    case kAces:
    case kKings:
    case kQueens:
    case kJacks: {
      static const struct {
        std::uint32_t kind;
        std::int32_t rank, points;
        const char* text;
      } fours[] = {{kAces, kAce, 100, " scored 100 points for aces."},
                   {kKings, kKing, 80, " scored 80 points for kings."},
                   {kQueens, kQueen, 60, " scored 60 points for queens."},
                   {kJacks, kJack, 40, " scored 40 points for jacks."}};
      for (const auto& f : fours)
        if (f.kind == declaration) {
          needed.assign(4, Needed{f.rank, kSuitNone});
          points = f.points;
          text = f.text;
        }
      break;
    }
    case kBezique:
    case kDoubleBezique:
    case kTripleBezique:
    case kQuadrupleBezique: {
      static const struct {
        std::uint32_t kind;
        int pairs;
        std::int32_t points;
        const char* text;
      } kinds[] = {{kBezique, 1, 40, " scored 40 points for a Bezique."},
                   {kDoubleBezique, 2, 400, " scored 400 points for a Double Bezique."},
                   {kTripleBezique, 3, 1500, " scored 1500 points for a Triple Bezique."},
                   {kQuadrupleBezique, 4, 4500, " scored 4500 points for a Quadruple Bezique."}};
      for (const auto& k : kinds)
        if (k.kind == declaration) {
          beziques = k.pairs;
          points = k.points;
          text = k.text;
        }
      for (int i = 0; i < beziques; ++i) {
        needed.push_back({kQueen, kSuitSpades});
        needed.push_back({kJack, kSuitDiamonds});
      }
      break;
    }
    default:
      return false;
  }
  bool anyFresh = false;
  bool complete = true;
  for (std::size_t i = 0; i < needed.size() && complete; ++i) {
    bool fresh = false;
    Card* c;
    if (beziques > 0) {
      // One card of the first pair must not have served in a bezique; the further pairs may have.
      const bool firstPair = i < 2;
      c = FindFor(seat, needed[i].faceRank, needed[i].suit, kAnyBezique, !firstPair, fresh);
      if (firstPair) anyFresh |= fresh && c;
    } else {
      c = FindFor(seat, needed[i].faceRank, needed[i].suit, declaration, anyFresh, fresh);
      anyFresh |= fresh && c;
    }
    complete = c != nullptr;
  }
  if (!complete || !anyFresh || !apply) {
    ClearSelections(seat);
    return complete && anyFresh;
  }
  SeatRecord& hand = seatList[seat];
  CardStack& declared = declaredPiles[seat];
  for (Card* c : std::vector<Card*>(hand.cards.begin(), hand.cards.end()))
    if (c->selected) {
      hand.RemoveCard(c);
      declared.AddCard(c);
    }
  for (Card* c : declared.cards)
    if (c->selected) {
      c->flags |= declaration;
      c->selected = false;
    }
  hand.Sort(sortMode);
  scores[seat] += points;
  statusLines[0] = hand.name + text;
  if (declaration == kMarriage && trump == kSuitNone) {
    trump = suit;
    tricks.SetTrump(suit);
    statusLines[1] = "Trump: " + SuitName(suit);
  }
  InvalidateTable();
  InvalidateStatus();
  return true;
}

RubiconBeziqueGame::Possible RubiconBeziqueGame::PossibleDeclarations(std::uint32_t seat) {
  Possible p;
  std::fill(std::begin(declarationFlags), std::end(declarationFlags), 0);
  auto flag = [&](std::int32_t rank, std::int32_t suit) { declarationFlags[suit * 15 + rank] = 1; };
  flag(kQueen, kSuitSpades);
  flag(kJack, kSuitDiamonds);
  if (Declare(seat, kBezique, kSuitNone, false)) p.declarations |= kAnyBezique;
  const std::pair<std::uint32_t, std::int32_t> fours[] = {{kJacks, kJack}, {kQueens, kQueen}, {kKings, kKing}, {kAces, kAce}};
  for (const auto& f : fours)
    if (Declare(seat, f.first, kSuitNone, false)) {
      p.declarations |= f.first;
      for (std::int32_t s = 0; s < 4; ++s) flag(f.second, s);
    }
  for (std::int32_t s = 0; s < 4; ++s) {
    if (Declare(seat, kMarriage, s, false)) {
      p.declarations |= kMarriage;
      p.marriageSuits |= 1u << s;
      flag(kQueen, s);
      flag(kKing, s);
    }
    if (Declare(seat, kSequence, s, false)) {
      p.declarations |= kSequence;
      p.sequenceSuits |= 1u << s;
      for (std::int32_t r : {kTen, kJack, kQueen, kKing, kAce}) flag(r, s);
    }
  }
  return p;
}

bool RubiconBeziqueGame::ComputerDeclares(std::uint32_t seat) {
  const Possible p = PossibleDeclarations(seat);
  if (p.declarations & kAnyBezique)
    for (std::uint32_t d : {kQuadrupleBezique, kTripleBezique, kDoubleBezique, kBezique})
      if (Declare(seat, d, kSuitNone)) return true;
  if (p.declarations & kSequence) {
    std::int32_t s = 3;
    while (!(p.sequenceSuits & (1u << s))) --s;
    if (s == trump && Declare(seat, kSequence, s)) return true;
    if (Declare(seat, kMarriage, s) || Declare(seat, kSequence, s)) return true;
  }
  for (std::uint32_t d : {kAces, kKings, kQueens, kJacks})
    if ((p.declarations & d) && Declare(seat, d, kSuitNone)) return true;
  if (p.declarations & kMarriage) {
    if (trump != kSuitNone && (p.marriageSuits & (1u << trump)) && Declare(seat, kMarriage, trump)) return true;
    for (std::int32_t s = 0; s < 4; ++s)
      if ((p.marriageSuits & (1u << s)) && Declare(seat, kMarriage, s)) return true;
  }
  return false;
}

std::int32_t RubiconBeziqueGame::KeepValue(std::uint32_t seat, const Card* card, bool possible) {
  auto held = [&](std::int32_t rank, std::int32_t suit) {
    std::int32_t n = 0;
    for (const CardPile* pile : {static_cast<const CardPile*>(&seatList[seat]), static_cast<const CardPile*>(&declaredPiles[seat])})
      for (const Card* c : pile->cards) n += c->faceRank == rank && c->faceSuit == suit;
    return n;
  };
  const bool queenOfSpades = card->faceRank == kQueen && card->faceSuit == kSuitSpades;
  const bool jackOfDiamonds = card->faceRank == kJack && card->faceSuit == kSuitDiamonds;
  if (queenOfSpades || jackOfDiamonds) {
    // The partner of a bezique card: how many are still out against how many more of its own kind are held.
    const std::int32_t rank = queenOfSpades ? kJack : kQueen, suit = queenOfSpades ? kSuitDiamonds : kSuitSpades;
    const std::int32_t out = static_cast<std::int32_t>(tricks.unplayed[PlayRank(rank)][suit]) - held(rank, suit);
    const std::int32_t others = held(card->faceRank, card->faceSuit) - 1;
    if (out < others || (out == others && (card->flags & kAnyBezique))) return 0;
  }
  std::int32_t value = (20 - card->faceRank) * 10;
  if (possible) {
    if (tricks.playedCount == 0)
      value += card->faceRank;
    else if (tricks.winningSeat == static_cast<std::int32_t>(humanSeat) && tricks.WouldWin(card))
      value += 20;
  }
  if (card->faceSuit >= 0 && card->faceSuit < 4 && declarationFlags[card->faceSuit * 15 + card->faceRank]) value -= 30;
  if (card->faceRank >= kJack) value -= 10;
  return std::max(value, 0);
}

Card* RubiconBeziqueGame::ChooseCard() {
  const std::uint32_t seat = current;
  const bool possible = PossibleDeclarations(seat).declarations != 0;
  Card* best = nullptr;
  std::int32_t bestValue = -1;
  const std::pair<const CardPile*, std::int32_t> piles[] = {{&declaredPiles[seat], 5}, {&seatList[seat], 0}};
  for (const auto& pile : piles) {
    PileIterator walk(*pile.first);
    for (Card* c = walk.FirstFromRandom(*rng); c; c = walk.Next()) {
      if (!IsLegal(seat, c)) continue;
      const std::int32_t value = KeepValue(seat, c, possible) + pile.second;
      if (value > bestValue) {
        best = c;
        bestValue = value;
      }
    }
  }
  return best;
}

void RubiconBeziqueGame::PlayTurn() {
  SeatRecord& seat = seatList[current];
  if (seat.playedCard) {
    AdvanceTurn();
    InvalidateStatus();
    return;
  }
  if (!seat.isComputer) return;
  Card* card;
  if (deck.stock.empty()) {
    if (tricks.playedCount > 0) {
      card = tricks.CanWin(seat, false) ? tricks.ChooseWinningCard(seat, *rng, false)
                                        : tricks.ChooseLosingCard(seat, *rng, false);
    } else {
      seat.FindLongestSuit(trump);
      card = tricks.ChooseLead(seat, *rng);
    }
  } else {
    if (lastTrickWinner == current && ComputerDeclares(current)) lastTrickWinner = seats;
    card = ChooseCard();
    ClearSelections(current);
  }
  PlayCard(current, card);
}

void RubiconBeziqueGame::PlayCard(std::uint32_t seat, Card* card) {
  if (!card || seat >= seats) return;
  if (deck.stock.empty() && (card->faceRank == kTen || card->faceRank == kAce)) trickPoints += 10;
  // Playing a card ends the right to declare for the trick won.
  if (seat == lastTrickWinner) lastTrickWinner = seats;
  declaredPiles[seat].RemoveCard(card);
  TrickGame::PlayCard(seat, card);
}

void RubiconBeziqueGame::OnTimer() {
  if (computerDelay > 0) {
    --computerDelay;
    return;
  }
  switch (GetState()) {
    case Playing:
      if (AllSeatsHavePlayed())
        TrickOver();
      else
        PlayTurn();
      break;
    case HoldB:
      if (HoldRunsOut()) CollectTrick();
      break;
    case HandOver:
      if (HoldRunsOut()) {
        ClearStatusLines();
        statusLines[0] = "The game is over.";
        InvalidateStatus();
        SetState(GameOver);
      }
      break;
    case GameOver:
      EndGame(kTitle, false, true);
      break;
    default:
      break;
  }
}

void RubiconBeziqueGame::TrickOver() {
  statusLines[2] = "This trick is over.";
  SetState(HoldB);
  handOverCountdown = kTrickHoldTicks;
  const std::int32_t winner = tricks.winningSeat;
  if (deck.stock.empty() && winner >= 0 && winner < 2) {
    scores[winner] += trickPoints;
    if (seatList[humanSeat].cards.empty()) {
      scores[winner] += 50;
      Settle();
    }
  }
  trickPoints = 0;
  InvalidateStatus();
}

void RubiconBeziqueGame::Settle() {
  if (scores[0] == scores[1]) return;
  const std::uint32_t winner = scores[0] > scores[1] ? 0 : 1, loser = 1 - winner;
  scores[winner] += 500 - scores[loser];
  if (scores[loser] < 1000) {
    scores[winner] += 500;
    ShowInfo(kTitle, seatList[loser].name + " suffered a Rubicon");
  }
  scores[loser] = 0;
}

void RubiconBeziqueGame::DrawAfterTrick(std::uint32_t seat) {
  Card* c = deck.Draw();
  if (!c) return;
  SeatRecord& hand = seatList[seat];
  c->faceUp = true;
  hand.AddCard(c);
  if (carteBlanche[seat] && !IsCourt(*c)) {
    scores[seat] += 50;
    ShowInfo(kTitle, hand.name + " scored 50 points.");
  } else {
    carteBlanche[seat] = false;
  }
  hand.Sort(sortMode);
}

void RubiconBeziqueGame::CollectTrick() {
  const std::int32_t won = tricks.winningSeat;
  const std::uint32_t winner = won >= 0 && won < 2 ? static_cast<std::uint32_t>(won) : current;
  for (std::uint32_t s = 0; s < seats; ++s) {
    if (seatList[s].playedCard) wonTricks[winner].AddCard(seatList[s].playedCard);
    seatList[s].playedCard = nullptr;
    tableCards[s] = nullptr;
    if (window) InvalidateRect(window, &trickRects[s], FALSE);
  }
  lastTrickWinner = winner;
  if (!deck.stock.empty()) {
    DrawAfterTrick(winner);
    DrawAfterTrick(1 - winner);
    statusLines[0] = StockText();
    if (deck.stock.empty()) {
      // The declared cards go back to the hands for the last tricks.
      for (std::uint32_t s = 0; s < seats; ++s) {
        while (Card* c = declaredPiles[s].FirstCard()) {
          declaredPiles[s].RemoveCard(c);
          seatList[s].AddCard(c);
        }
        seatList[s].Sort(sortMode);
      }
    }
  }
  statusLines[3].clear();
  if (seatList[0].cards.empty()) {
    handOverCountdown = kHandHoldTicks;
    statusLines[1] = "This hand is over.";
    statusLines[2].clear();
    SetState(HandOver);
  } else {
    SetState(Playing);
    tricks.NewTrick();
    SetCurrentSeat(winner);
  }
  InvalidateStatus();
}

void RubiconBeziqueGame::OnLButtonDown(LPARAM lParam) {
  const long x = LOWORD(lParam);
  const long y = HIWORD(lParam);
  switch (GetState()) {
    case Dealing:
    case Finished:
      if (AskNewGame(kTitle)) StartDeal(true, false, true);
      return;
    case HoldB:
    case HandOver:
      handOverCountdown = 0;
      return;
    case Playing:
      break;
    default:
      return;
  }
  if (ClickEndsFinishedTrick()) return;
  if (current != humanSeat) {
    ShowTurnMessage(kTitle, seatList[current].name);
    return;
  }
  SeatRecord& hand = seatList[humanSeat];
  CardStack& declared = declaredPiles[humanSeat];
  // One card a trick: a second play before the turn moves on does nothing.
  if (hand.playedCard) return;
  CardPile* pile = &hand;
  Card* card = hand.CardAt(x, y);
  if (!card) {
    pile = &declared;
    card = declared.CardAt(x, y);
  }
  Card* selected = hand.FirstSelected();
  if (!selected) selected = declared.FirstSelected();
  if (card && card == selected) {
    if (IsLegal(humanSeat, card)) {
      gameInProgress = true;
      PlayCard(humanSeat, card);
    } else {
      ShowInfo(kTitle, "That card is not allowed at this time.");
    }
    return;
  }
  ClearSelections(humanSeat);
  if (card) pile->ToggleSelect(card);
}

void RubiconBeziqueGame::HumanDeclaration() {
  ChoiceList list;
  list.caption = "Which Combination Do You Declare?";
  const std::pair<const char*, std::uint32_t> choices[] = {
      {"None", kNothing},          {"Sequence", kSequence},           {"Marriage", kMarriage},
      {"Aces", kAces},             {"Kings", kKings},                 {"Queens", kQueens},
      {"Jacks", kJacks},           {"Bezique", kBezique},             {"Double Bezique", kDoubleBezique},
      {"Triple Bezique", kTripleBezique}, {"Quadruple Bezique", kQuadrupleBezique}};
  for (const auto& c : choices) list.Add(c.first, static_cast<std::int32_t>(c.second));
  const std::uint32_t declaration = static_cast<std::uint32_t>(AskChoice(*this, IDD_RUBICON_CHOICE, list));
  if (declaration == kNothing) return;
  std::int32_t suit = kSuitNone;
  const bool bySuit = declaration == kSequence || declaration == kMarriage;
  const std::string kind = declaration == kSequence ? "Sequence" : "Marriage";
  if (bySuit) {
    ChoiceList suits;
    suits.caption = "Which " + kind + " Suit?";
    for (std::int32_t s = 0; s < 4; ++s) suits.Add(SuitName(s), s);
    suit = AskChoice(*this, IDD_RUBICON_CHOICE, suits);
  }
  if (Declare(humanSeat, declaration, suit)) {
    lastTrickWinner = seats;
    InvalidateStatus();
    return;
  }
  std::string refusal;
  if (bySuit) {
    refusal = "You do not have a " + std::string(declaration == kSequence ? "sequence" : "marriage") + " in " +
              SuitName(suit);
  } else if (declaration & kAnyBezique) {
    const char* names[] = {"a Bezique", "a Double Bezique", "a Triple Bezique", "a Quadruple Bezique"};
    const int n = declaration == kBezique ? 0 : declaration == kDoubleBezique ? 1 : declaration == kTripleBezique ? 2 : 3;
    refusal = std::string("You do not have ") + names[n];
  } else {
    const char* word = declaration == kAces ? "Aces" : declaration == kKings ? "Kings" : declaration == kQueens ? "Queens" : "Jacks";
    refusal = std::string("You do not have four ") + word;
  }
  ShowInfo(kTitle, refusal);
}

void RubiconBeziqueGame::OnRButtonDown(LPARAM) {
  if (GetState() != Playing || deck.stock.empty()) return;
  if (lastTrickWinner != humanSeat) {
    ShowInfo(kTitle, "You did not win the last trick.");
    return;
  }
  HumanDeclaration();
  ClearSelections(humanSeat);
}

void RubiconBeziqueGame::Layout() {
  long w = 0, h = 0;
  if (!SizeHands(*this, w, h)) return;
  const RECT& t = tableRect;
  const long vgap = (t.bottom - 4 * h - t.top) / 5;
  for (CardStack& p : declaredPiles) {
    p.cardWidth = w;
    p.cardHeight = h;
  }
  const long trickTop = t.top + 2 * vgap + h;
  const long middle = t.left + (t.right - t.left) / 2;
  trickRects[0] = RECT{middle + 5, trickTop, middle + 5 + w, trickTop + h};
  trickRects[1] = RECT{middle - w - 5, trickTop, middle - 5, trickTop + h};
  const long x = t.left + (t.right - t.left - w) / 2;
  seatList[1].SetPlacement(kStack, 0, 0, 20);
  seatList[0].SetPlacement(kRowCentred, x, t.bottom - vgap - h, 20);
  declaredPiles[1].SetPlacement(kRowCentred, x, t.top + vgap, 20);
  declaredPiles[0].SetPlacement(kRowCentred, x, t.bottom - 2 * (vgap + h), 20);
  seatList[0].SetLabel(0x24 | DT_END_ELLIPSIS, t.left + 10, t.right, seatList[0].anchorY, seatList[0].anchorY + h);
  seatList[1].SetLabel(0x24, t.left + 10, t.right, declaredPiles[1].anchorY, declaredPiles[1].anchorY + h);
  stockRect = RECT{t.right - w - 10, trickTop, t.right - 10, trickTop + h};
}

void RubiconBeziqueGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  if (cardImages) {
    DrawStockBacks(*cardImages, hdc, StockBackCount(deck.stock.size()), stockRect.left - cardImages->CardWidth() / 2,
                   stockRect.top);
    for (const CardStack& p : declaredPiles) p.Paint(*cardImages, hdc);
  }
  // The user's label ends 10 pixels before the hand, cut with an ellipsis where it is longer.
  seatList[0].labelRect.right = seatList[0].bounds.left - 10;
  PaintTable(hdc);
  CardGame::Paint(hdc);
}
