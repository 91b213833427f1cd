#include "RauberSkat.h"

#include <algorithm>

#include "CardImages.h"
#include "GameOptions.h"
#include "GamePaint.h"
#include "GameResources.h"
#include "Window.h"

namespace {

const char kTitle[] = "Rauber Skat";
const std::int32_t kIdValue = 0x20001;
const std::uint32_t kSeats = 3;
const std::uint32_t kSuitFlags = kSkatSpades | kSkatHearts | kSkatClubs | kSkatDiamonds;
const std::uint32_t kGameKinds = kSuitFlags | kSkatNull | kSkatGrand | kSkatReject;

bool IsJack(const Card* c) { return c->faceRank == 11; }

// Play rank of a trump in a suit game: the jacks by suit, then the trump suit's cards.
std::int32_t TrumpOrderRank(const Card& c) {
  if (IsJack(&c)) {
    switch (c.faceSuit) {
      case kSuitClubs: return 14;
      case kSuitSpades: return 13;
      case kSuitHearts: return 12;
      default: return 11;
    }
  }
  switch (c.faceRank) {
    case kRankHighAce: return 10;
    case 10: return 9;
    case 13: return 8;
    case 12: return 7;
    default: return c.faceRank - 3;  // nine 6, eight 5, seven 4
  }
}

LRESULT OnGameInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
  auto* record = reinterpret_cast<ChoiceListWithCheck*>(lParam);
  SetChecked(dialog, IDC_SKAT_CHECK1, true);
  if (record) FillChoiceDialog(dialog, GetDlgItem(dialog, IDC_SKAT_LIST), record->list);
  return 0;
}

LRESULT OnGameOk(HWND dialog, WPARAM, LPARAM) {
  auto* record = reinterpret_cast<ChoiceListWithCheck*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
  if (record) {
    if (IsChecked(dialog, IDC_SKAT_CHECK2)) record->ticked = 1;
    if (IsChecked(dialog, IDC_SKAT_RADIO2))
      record->allowCheck = 1;
    else if (IsChecked(dialog, IDC_SKAT_RADIO1))
      record->extraFlag = 1;
  }
  EndDialog(dialog, ChosenValue(GetDlgItem(dialog, IDC_SKAT_LIST)));
  return 0;
}

const DLGPROC GameDialogProc = &InitOkDialogProc<&OnGameInit, &OnGameOk>;

// The answer when it is one of the values offered, else the first offered.
std::int32_t OfferedOrFirst(const ChoiceList& list, std::int32_t answer) {
  if (std::find(list.values.begin(), list.values.end(), answer) != list.values.end()) return answer;
  return list.values.empty() ? 0 : list.values.front();
}

}  // namespace

const std::uint32_t SkatBidValues[kSkatBidCount] = {
    0,   18,  20,  22,  23,  24,  27,  30,  33,  35,  36,  40,  44,  45,  46,  48,  50,
    54,  55,  59,  60,  63,  66,  70,  72,  77,  80,  81,  84,  88,  90,  96,  99,  100,
    108, 110, 117, 120, 121, 126, 130, 132, 135, 140, 143, 144, 150, 153, 154, 156, 160,
    162, 165, 168, 170, 176, 180, 187, 192, 198, 204, 216, 240, 252, 288, 324, 360};

std::string RauberSkatName() { return kTitle; }

std::int32_t RauberSkatId() { return kIdValue; }

CardGame* CreateRauberSkatGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new RauberSkatGame(window, humanSeat, rng);
}

std::uint32_t SkatCardPoints(const Card& card) {
  switch (card.faceRank) {
    case 10: return 10;
    case 11: return 2;
    case 12: return 3;
    case 13: return 4;
    case kRankHighAce: return 11;
    default: return 0;
  }
}

std::uint32_t SuitGameBase(std::int32_t suit) {
  switch (suit) {
    case kSuitClubs: return 12;
    case kSuitSpades: return 11;
    case kSuitHearts: return 10;
    case kSuitDiamonds: return 9;
    default: return 20;
  }
}

std::uint32_t SkatSuitFlag(std::int32_t suit) {
  switch (suit) {
    case kSuitClubs: return kSkatClubs;
    case kSuitDiamonds: return kSkatDiamonds;
    case kSuitHearts: return kSkatHearts;
    case kSuitSpades: return kSkatSpades;
    default: return kSkatGrand;
  }
}

std::int32_t SkatTrumpSuit(std::uint32_t flags) {
  if (flags & (kSkatNull | kSkatGrand | kSkatReject)) return kSuitNone;
  if (flags & kSkatSpades) return kSuitSpades;
  if (flags & kSkatHearts) return kSuitHearts;
  if (flags & kSkatDiamonds) return kSuitDiamonds;
  return kSuitClubs;
}

std::string SkatDeclarationText(std::uint32_t flags) {
  const std::string hand = flags & kSkatHand ? "Hand " : "";
  const std::string open = flags & kSkatOpen ? "Open " : "";
  std::string text;
  if (flags & kSkatReject)
    text = " Bids Reject";
  else if (flags & kSkatNull)
    text = " Bids Null " + open;
  else if (flags & kSkatGrand)
    text = " Bids Grand " + hand + open;
  else
    text = " Bids " + SuitName(SkatTrumpSuit(flags)) + " " + hand + open;
  // Schwarz is the higher announcement and names both.
  if (flags & kSkatSchwarz)
    text += " Schwarz";
  else if (flags & kSkatSchneider)
    text += " Schneider";
  return text;
}

std::uint32_t SkatGameValue(std::uint32_t flags, std::uint32_t bidIndex) {
  if (flags & kSkatNull) return flags & kSkatOpen ? 48 : 23;
  if (flags & kSkatReject) return 10;
  return SkatBidValues[std::min(bidIndex, kSkatBidCount - 1)];
}

RauberSkatGame::RauberSkatGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TrickGame(window, kTitle, IDT_SKAT_RULES, kSeats, 10, 8, humanSeat, rng), bidTexts(kSeats) {
  showLeadLine = false;
  for (std::int32_t rank : {14, 10, 13, 12, 11, 9, 8, 7})
    for (std::int32_t suit = 0; suit < 4; ++suit) deck.AddToPack(suit, rank);
}

RauberSkatGame::~RauberSkatGame() = default;

ChoiceList RauberSkatGame::BidChoices(bool calling) const {
  ChoiceList list;
  list.caption = "Please Select Your Bid";
  list.Add("I Pass", 0);
  if (!calling) {
    list.Add("I Hold", 1);
    return list;
  }
  for (std::uint32_t i = bidIndex + 1; i < kSkatBidCount; ++i)
    list.Add(std::to_string(SkatBidValues[i]), static_cast<std::int32_t>(i));
  return list;
}

ChoiceListWithCheck RauberSkatGame::GameChoices() const {
  ChoiceListWithCheck record;
  record.ticked = record.allowCheck = record.extraFlag = 0;
  ChoiceList& list = record.list;
  list.caption = "Please Select Your Game";
  if (noBidYet) list.Add("Pass", 0);
  list.Add("Clubs", kSkatClubs);
  list.Add("Spades", kSkatSpades);
  list.Add("Hearts", kSkatHearts);
  list.Add("Diamonds", kSkatDiamonds);
  list.Add("Grand", kSkatGrand);
  if (skat[0] && skat[1]) list.Add("Null", kSkatNull);
  if (noBidYet) list.Add("Reject", kSkatReject);
  return record;
}

std::uint32_t RauberSkatGame::GameFromDialog(std::int32_t value, const ChoiceListWithCheck& record) {
  std::uint32_t flags = static_cast<std::uint32_t>(value);
  if (record.ticked) flags |= kSkatOpen;
  if (record.allowCheck)
    flags |= kSkatSchwarz;
  else if (record.extraFlag)
    flags |= kSkatSchneider;
  return flags;
}

void RauberSkatGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  ShowHandNumber();
  noBidYet = true;
  phase = 0;
  ResetTricks();
  skat[0] = deck.Draw();
  skat[1] = deck.Draw();
  discards.clear();
  bidTexts.assign(kSeats, std::string());
  gameFlags = gameValue = bidIndex = matadors = trickPoints = 0;
  trumpSuit = kSuitNone;
  declarer = kNoDeclarer;
  lastTrickWinner = -1;
  bidder = (dealer + 2) % kSeats;
  listener = (dealer + 1) % kSeats;
  for (std::uint32_t s = 0; s < kSeats; ++s) {
    maxBid[s] = seatGame[s] = cardPoints[s] = tricksTaken[s] = 0;
    seatList[s].Sort(sortMode);
    EvaluateSkatHand(s);
  }
  TurnHumanCardsUp();
  SetState(Bidding);
  SetCurrentSeat(bidder);
}

void RauberSkatGame::SetCurrentSeat(std::uint32_t seat) {
  CardGame::SetCurrentSeat(seat);
  const std::string who = current == humanSeat ? "your" : seatList[current % kSeats].name + "'s";
  const std::int32_t state = GetState();
  if (state == Bidding)
    statusLines[1] = "It is " + who + " turn to bid.";
  else if (state == Playing && !tricks.ledCard)
    statusLines[2] = "It is " + who + " turn to lead a card.";
  else if (state == Playing)
    statusLines[3] = "It is " + who + " turn to play a card.";
  InvalidateStatus();
}

// Bidding: the bid of the seat in turn, the skat decision, the game choice; the user's
// discards come by clicks.
void RauberSkatGame::OnTimer() {
  if (GetState() != Bidding || computerDelay > 0) {
    TrickGame::OnTimer();
    return;
  }
  const std::uint32_t seat = current % kSeats;
  const bool human = seat == humanSeat;
  if (phase == 0) {
    if (seat != bidder && seat != listener) {
      SetCurrentSeat(bidder);
    } else if (!human) {
      ComputerBid(seat);
    } else {
      const bool calling = seat == bidder;
      ChoiceList list = BidChoices(calling);
      list.owner = window;
      const std::int32_t value = OfferedOrFirst(list, AskChoice(*this, IDD_SKAT_BID, list));
      if (calling)
        BidderCalls(static_cast<std::uint32_t>(value));
      else
        ListenerAnswers(value == 1);
    }
    return;
  }
  if ((phase == 1 || phase == 2) && declarer >= kNoDeclarer) {
    phase = 5;  // nobody to declare: the hand is over unplayed
    Hold(kTrickHoldTicks);
    return;
  }
  if (phase == 1) {
    if (declarer == humanSeat)
      HumanSkat();
    else
      ComputerSkat();
  } else if (phase == 2) {
    if (declarer == humanSeat)
      HumanGame();
    else
      DeclareGame();
  }
}

void RauberSkatGame::ComputerBid(std::uint32_t seat) {
  seat %= kSeats;
  const std::uint32_t most = maxBid[seat];
  if (seat == bidder) {
    std::uint32_t index = 0;
    if (bidIndex + 4 < kSkatBidCount && SkatBidValues[bidIndex + 4] < most)
      index = bidIndex + 4;
    else if (bidIndex + 1 < kSkatBidCount && SkatBidValues[bidIndex + 1] < most)
      index = bidIndex + 1;
    BidderCalls(index);
  } else if (seat == listener) {
    ListenerAnswers(SkatBidValues[std::min(bidIndex, kSkatBidCount - 1)] < most);
  }
}

void RauberSkatGame::BidderCalls(std::uint32_t index) {
  const std::uint32_t seat = bidder % kSeats;
  if (index > 0) {
    noBidYet = false;
    if (index > bidIndex && index < kSkatBidCount) bidIndex = index;
    bidTexts[seat] = std::to_string(SkatBidValues[bidIndex]);
    InvalidateTable();
    SetCurrentSeat(listener);
    return;
  }
  bidTexts[seat] = "I Pass";
  InvalidateTable();
  if (bidder == dealer) {
    EndBiddingWith(listener);
    return;
  }
  if (bidIndex > 0) bidTexts[listener % kSeats] = std::to_string(SkatBidValues[bidIndex]);
  bidder = dealer;
  SetCurrentSeat(dealer);
}

void RauberSkatGame::ListenerAnswers(bool hold) {
  bidTexts[listener % kSeats] = hold ? "I Hold" : "I Pass";
  InvalidateTable();
  if (!hold) {
    if (bidder == dealer) {
      EndBiddingWith(bidder);
      return;
    }
    listener = bidder;
    bidder = dealer;
  }
  SetCurrentSeat(bidder);
}

void RauberSkatGame::EndBiddingWith(std::uint32_t seat) {
  declarer = seat % kSeats;
  gameFlags = seatGame[declarer];
  phase = 1;
  SetCurrentSeat(declarer);
  Hold(kTrickHoldTicks);
}

void RauberSkatGame::Hold(std::int32_t ticks) {
  handOverCountdown = ticks;
  SetState(HoldA);
  InvalidateTable();
  InvalidateStatus();
}

// The pause after bidding, the skat or the declaration has run out.
void RauberSkatGame::EndBiddingHold() {
  if (phase != 5) {
    SetState(Bidding);
    InvalidateStatus();
    return;
  }
  if (bidIndex == 0 || declarer >= kNoDeclarer) {
    FinishHand();  // passed out
    return;
  }
  SetState(Playing);
  for (std::uint32_t s = 0; s < kSeats; ++s) seatList[s].FindLongestSuit(trumpSuit);
  SetCurrentSeat((dealer + 1) % kSeats);
  InvalidateTable();
}

void RauberSkatGame::HumanSkat() {
  const std::uint32_t seat = humanSeat % kSeats;
  if (AskYesNo(kTitle, "Do you take the Skat?")) {
    gameFlags &= ~static_cast<std::uint32_t>(kSkatHand);
    noBidYet = false;
    phase = 3;
    bidTexts[seat] = "Take Skat";
    statusLines[1] = "Select a card to exchange with the skat";
  } else {
    gameFlags |= kSkatHand;
    phase = 2;
    bidTexts[seat] = "Decline Skat";
  }
  InvalidateTable();
  InvalidateStatus();
}

void RauberSkatGame::Discard(std::uint32_t seat, Card* card) {
  seat %= kSeats;
  SeatRecord& hand = seatList[seat];
  if (!card || !hand.RemoveCard(card)) return;
  card->selected = false;
  card->faceUp = false;
  discards.push_back(card);
  cardPoints[seat] += SkatCardPoints(*card);
  InvalidateTable();
}

void RauberSkatGame::TakeSkatIntoHand(std::uint32_t seat) {
  seat %= kSeats;
  SeatRecord& hand = seatList[seat];
  for (Card*& card : skat) {
    if (!card) continue;
    card->faceUp = seat == humanSeat;
    hand.AddCard(card);
    card = nullptr;
  }
  hand.Sort(sortMode);
  hand.UpdateBounds();
  InvalidateTable();
}

void RauberSkatGame::ComputerSkat() {
  const std::uint32_t d = declarer;
  SeatRecord& hand = seatList[d];
  if (noBidYet) {
    if (seatGame[d] == 0) {
      if (std::any_of(hand.cards.begin(), hand.cards.end(), IsJack)) {
        phase = 5;
        statusLines[1] = "This hand is passed out.";
        Hold(kTrickHoldTicks);
        return;
      }
      seatGame[d] = kSkatReject | kSkatHand;
    }
    if (bidIndex == 0) bidIndex = 1;
  }
  gameFlags = seatGame[d];
  if (!(seatGame[d] & kSkatHand)) {
    bidTexts[d] = "Take Skat";
    noBidYet = false;
    const bool null = (seatGame[d] & kSkatNull) != 0;
    const std::int32_t t = SkatTrumpSuit(seatGame[d]);
    // Kept longest: jacks, then trumps; the lowest of a suit goes first.
    auto keep = [t](const Card* c) { return IsJack(c) ? 2 : c->faceSuit == t ? 1 : 0; };
    for (int n = 0; n < 2; ++n) {
      PileIterator it(hand);
      Card* choice = nullptr;
      for (Card* c = it.FirstFromRandom(*rng); c; c = it.Next()) {
        bool replace;
        if (!choice)
          replace = true;
        else if (null)
          replace = c->faceRank > choice->faceRank;
        else
          replace = keep(c) < keep(choice) ||
                    (keep(c) == keep(choice) && c->faceSuit == choice->faceSuit && c->faceRank < choice->faceRank);
        if (replace) choice = c;
      }
      Discard(d, choice);
    }
    TakeSkatIntoHand(d);
  } else {
    bidTexts[d] = "Decline Skat";
  }
  phase = 2;
  Hold(kTrickHoldTicks);
}

void RauberSkatGame::BiddingClick(LPARAM lParam) {
  if ((phase != 3 && phase != 4) || declarer != humanSeat) return;
  Card* card = HumanCardClicked(lParam);
  if (!card) return;
  Discard(humanSeat, card);
  if (phase == 3) {
    phase = 4;
    statusLines[1] = "Select another card to exchange with the skat";
  } else {
    TakeSkatIntoHand(humanSeat);
    phase = 2;
    SetCurrentSeat(humanSeat);  // the exchange is done: the prompt is the game to declare
  }
  InvalidateStatus();
}

void RauberSkatGame::HumanGame() {
  ChoiceListWithCheck record = GameChoices();
  record.list.owner = window;
  const std::int32_t value =
      OfferedOrFirst(record.list, AskChoiceWithCheck(*this, IDD_SKAT_GAME, GameDialogProc, record));
  gameInProgress = true;
  if (value == 0) {
    phase = 5;
    statusLines[1] = "This hand is passed out.";
    Hold(kTrickHoldTicks);
    return;
  }
  if (bidIndex == 0) bidIndex = 1;
  gameFlags |= GameFromDialog(value, record);
  const std::uint32_t seat = humanSeat % kSeats;
  seatGame[seat] = gameFlags;
  declarer = seat;
  DeclareGame();
}

void RauberSkatGame::SetSkatOrder() {
  deck.SetTenBelowAce();
  const std::int32_t t = trumpSuit;
  for (Card& c : deck.pack)
    if (IsJack(&c) || (t != kSuitNone && c.faceSuit == t)) {
      c.rank = TrumpOrderRank(c);
      c.suit = t;
    }
}

void RauberSkatGame::DeclareGame() {
  if (declarer >= kNoDeclarer) return;
  phase = 5;
  gameFlags = seatGame[declarer];
  if (!(gameFlags & kGameKinds)) gameFlags |= kSkatClubs;
  trumpSuit = SkatTrumpSuit(gameFlags);
  gameValue = SkatGameValue(gameFlags, bidIndex);
  SeatRecord& hand = seatList[declarer];
  statusLines[1] = hand.name + SkatDeclarationText(gameFlags);
  if (gameFlags & kSkatOpen)
    for (Card* c : hand.cards) c->faceUp = true;
  const bool null = (gameFlags & kSkatNull) != 0;
  if (null) {
    tricks.ClearTrump();
  } else {
    SetSkatOrder();
    if (trumpSuit == kSuitNone)
      tricks.SetTrumpSuit4();
    else
      tricks.SetTrump(trumpSuit);
  }
  for (std::uint32_t s = 0; s < kSeats; ++s) {
    seatList[s].Sort(sortMode);
    seatList[s].UpdateBounds();
  }
  tricks.RebuildUnplayed(deck);
  matadors = 0;
  if (!null && !(gameFlags & kSkatReject)) {
    bool with = false;
    matadors = CountMatadors(with);
    InvalidateTable();
    InvalidateStatus();
    ShowInfo(kTitle, hand.name + " is " + (with ? "with " : "without ") + std::to_string(matadors) + " matador" +
                         (matadors == 1 ? "." : "s."));
  }
  Hold(kTrickHoldTicks);
}

std::uint32_t RauberSkatGame::CountMatadors(bool& with) const {
  with = false;
  if (declarer >= kNoDeclarer) return 0;
  bool held[15] = {};
  for (const Card* c : seatList[declarer].cards)
    if (c->suit == trumpSuit && c->rank >= 0 && c->rank < 15) held[c->rank] = true;
  const std::int32_t lowest = trumpSuit == kSuitNone ? 11 : 4;
  with = held[14];
  std::uint32_t n = 0;
  for (std::int32_t r = 14; r >= lowest && held[r] == with; --r) ++n;
  return n;
}

std::uint32_t RauberSkatGame::EstimateMatadors(const CardPile& hand, std::int32_t t) {
  bool held[15] = {};
  for (const Card* c : hand.cards)
    if (IsJack(c) || c->faceSuit == t) held[TrumpOrderRank(*c)] = true;
  if (!held[14] || !held[13]) return 1;
  std::uint32_t n = 0;
  for (std::int32_t r = 14; r >= 4 && held[r]; --r) ++n;
  return n;
}

void RauberSkatGame::EvaluateSkatHand(std::uint32_t seat) {
  seat %= kSeats;
  maxBid[seat] = seatGame[seat] = 0;
  const SeatRecord& hand = seatList[seat];
  if (!hand.isComputer) return;
  // Suits together, low to high, whatever order the hand is shown in.
  std::vector<Card*> cards(hand.cards.begin(), hand.cards.end());
  std::stable_sort(cards.begin(), cards.end(), &CompareCardsCDSH);
  std::uint32_t jacks = 0, aces = 0, tens = 0, kings = 0, low = 0, suitCount[4] = {};
  std::uint32_t allTens = 0, allKings = 0;
  bool jackOfClubs = false;
  for (const Card* c : cards) {
    if (IsJack(c)) {
      ++jacks;
      jackOfClubs = jackOfClubs || c->faceSuit == kSuitClubs;
      continue;
    }
    if (c->faceSuit >= 0 && c->faceSuit < 4) ++suitCount[c->faceSuit];
    if (c->faceRank == kRankHighAce) ++aces;
    if (c->faceRank == 10) ++allTens;
    if (c->faceRank == 13) ++allKings;
    if (c->faceRank <= 9 || c->faceRank == 12) ++low;
  }
  for (const Card* c : cards) {
    if (IsJack(c) || c->faceSuit < 0 || c->faceSuit > 3) continue;
    if (c->faceRank == 10 && suitCount[c->faceSuit] >= 2) ++tens;
    if (c->faceRank == 13 && suitCount[c->faceSuit] >= 3) ++kings;
  }

  if (allTens + aces < 2 && allKings < 2 && jacks < 3) {
    std::uint32_t exposed = 0, danger = 0, pos = 0, lows = 0;
    std::int32_t suit = -1, prev = 15;
    // Each suit from its lowest card up: a high card near the bottom of a suit is exposed.
    for (const Card* c : cards) {
      if (c->faceSuit != suit) {
        suit = c->faceSuit;
        pos = lows = 0;
        prev = 15;
      }
      ++pos;
      switch (c->faceRank) {
        case 7: case 9: ++lows; break;
        case 8: if (prev == 7) ++lows; break;
        case 10: if (lows < 2) ++danger; break;
        case 11:
          if (pos < 2) {
            ++exposed;
            if (lows < 2) ++danger;
          }
          break;
        default:
          if (pos < 3) {
            ++exposed;
            ++danger;
          }
          break;
      }
      prev = c->faceRank;
    }
    if (exposed < 2) {
      seatGame[seat] = danger == 0 ? kSkatNull | kSkatHand | kSkatOpen : kSkatNull | kSkatHand;
      maxBid[seat] = danger == 0 ? 48 : 23;
      return;
    }
  }

  std::int32_t longest = kSuitClubs, shortest = kSuitClubs, s = 0;
  SuitCycle cycle;
  BeginSuitCycle(*rng, s, cycle);
  for (cycle.count = 0; cycle.count < 4; ++cycle.count) {
    s = (cycle.first + cycle.count) & 3;
    if (suitCount[s] > suitCount[longest]) longest = s;
    if (suitCount[s] < suitCount[shortest]) shortest = s;
  }
  const std::uint32_t L = suitCount[longest];
  const std::uint32_t high = tens + kings + aces + jacks;
  std::uint32_t flags = 0, base = 0, multiplier = 0;
  if (L < 4 && (suitCount[shortest] > 0 || jacks == 4) && jacks > 2) {
    flags = kSkatGrand;
    base = 20;
    multiplier = EstimateMatadors(hand, kSuitNone) + 1;
    if (jacks == 4 && (aces > 2 || (aces == 2 && tens > 1))) {
      flags |= kSkatOpen;
      ++multiplier;
    }
    if (high >= 10 && jackOfClubs) {
      flags |= kSkatSchneider | kSkatSchwarz | kSkatOpen;
      multiplier += 2;
    } else if ((aces + jacks > 6 || (aces + jacks == 6 && tens > 1)) && tens > 0) {
      flags |= kSkatSchneider;
      ++multiplier;
    }
    if (high > 8) {
      flags |= kSkatHand;
      ++multiplier;
    }
  } else if ((L + jacks > 4 && (aces > 1 || aces + tens > 2)) || aces + jacks > 4 || tens + aces + jacks > 5) {
    // A hand is judged once: a Grand hand is not also a suit game.
    flags = SkatSuitFlag(longest);
    base = SuitGameBase(longest);
    multiplier = EstimateMatadors(hand, longest) + 1;
    if (L + jacks > 6 || aces + jacks > 5) {
      flags |= kSkatOpen;
      ++multiplier;
    }
    if (low < 2) {
      flags |= kSkatHand;
      ++multiplier;
    }
    if (low == 0 && jacks > 2 && aces == 4 && jackOfClubs) {
      flags |= kSkatSchneider | kSkatSchwarz;
      multiplier += 2;
    } else if (L > 2 && jacks > 1 && aces > 2 && tens > 2) {
      flags |= kSkatSchneider;
      ++multiplier;
    }
  }
  seatGame[seat] = flags;
  maxBid[seat] = base * multiplier;
}

void RauberSkatGame::PlayCard(std::uint32_t seat, Card* card) {
  if (!card || seat >= kSeats) return;
  const bool leads = tricks.playedCount == 0;
  trickPoints += SkatCardPoints(*card);
  TrickGame::PlayCard(seat, card);
  if (leads) {
    statusLines[2] = "Lead: " + CardText(*card);
    // Three cards make the trick: the third plays as the last hand.
    ++tricks.playedCount;
    leader = seat;
  }
}

Card* RauberSkatGame::ChooseCard() {
  const std::uint32_t seat = current % kSeats;
  SeatRecord& hand = seatList[seat];
  const bool leading = tricks.playedCount == 0 || !tricks.ledCard;
  const bool defender = IsDefender(seat);
  const bool againstOpen = defender && (gameFlags & kSkatOpen);
  if (gameFlags & (kSkatNull | kSkatReject)) {
    if (leading) return againstOpen ? LeadLowOpen(hand) : tricks.ChooseLowCard(hand, *rng);
    if ((gameFlags & kSkatNull) && defender && leader == declarer &&
        tricks.winningSeat != static_cast<std::int32_t>(declarer))
      return tricks.ChooseWinningCard(hand, *rng, true);
    return tricks.ChooseLosingCard(hand, *rng, true);
  }
  if (leading) return againstOpen ? LeadAgainstOpen(hand) : tricks.ChooseLead(hand, *rng);
  const bool canWin = tricks.CanWin(hand, false);
  if (!defender) return canWin ? tricks.ChooseWinningCard(hand, *rng, false) : tricks.ChooseLosingCard(hand, *rng, false);
  const bool third = tricks.playedCount >= 3;
  if (canWin) return third ? ThirdHandWin(hand) : tricks.ChooseWinningCard(hand, *rng, false);
  if (third && tricks.winningSeat != static_cast<std::int32_t>(declarer)) return SmearPoints(hand);
  return tricks.ChooseLosingCard(hand, *rng, false);
}

// Winning the trick (or, with takeTrick false, leaving it to the seat winning it) comes
// first; between equals the card with more points.
Card* RauberSkatGame::PickByPoints(const SeatRecord& hand, bool takeTrick) {
  PileIterator it(hand);
  Card* choice = nullptr;
  for (Card* c = it.FirstFromRandom(*rng); c; c = it.Next()) {
    if (!tricks.IsLegalPlay(c, hand)) continue;
    if (!choice) {
      choice = c;
      continue;
    }
    const bool choiceWins = tricks.WouldWin(choice), cardWins = tricks.WouldWin(c);
    const bool better = takeTrick ? !choiceWins && cardWins : choiceWins && !cardWins;
    if (better || (TrickState::BothOrNeither(choiceWins, cardWins) && SkatCardPoints(*c) > SkatCardPoints(*choice)))
      choice = c;
  }
  return choice;
}

Card* RauberSkatGame::ThirdHandWin(const SeatRecord& hand) { return PickByPoints(hand, true); }

Card* RauberSkatGame::SmearPoints(const SeatRecord& hand) { return PickByPoints(hand, false); }

// Both walk the suits from a random start over the suits the Open declarer holds too.
Card* RauberSkatGame::LeadLowOpen(const SeatRecord& hand) {
  return LeadIntoOpen(hand, [this](const SeatRecord& mine, const SeatRecord& theirs, std::int32_t suit) {
    // A low card under all of the declarer's cards of the suit forces it to take the trick.
    Card* ours = tricks.LowestOfSuit(mine, suit);
    const Card* lowest = tricks.LowestOfSuit(theirs, suit);
    return ours && lowest && ours->rank < lowest->rank ? ours : nullptr;
  });
}

Card* RauberSkatGame::LeadAgainstOpen(const SeatRecord& hand) {
  return LeadIntoOpen(hand, [this](const SeatRecord& mine, const SeatRecord& theirs, std::int32_t suit) {
    // A card over the declarer's best of a side suit wins the trick.
    Card* ours = mine.FindCardOfSuit(suit, 0);
    const Card* best = theirs.FindCardOfSuit(suit, 0);
    return suit != trumpSuit && ours && best && ours->rank > best->rank ? ours : nullptr;
  });
}

Card* RauberSkatGame::LeadIntoOpen(const SeatRecord& hand, const SuitLead& lead) {
  if (declarer >= kNoDeclarer) return tricks.ChooseLowCard(hand, *rng);
  const SeatRecord& open = seatList[declarer];
  std::int32_t suit = 0;
  SuitCycle cycle;
  BeginSuitCycle(*rng, suit, cycle);
  Card* fallback = nullptr;
  for (cycle.count = 0; cycle.count < 4; ++cycle.count) {
    suit = (cycle.first + cycle.count) & 3;
    if (hand.CountSuit(suit) == 0) continue;
    if (!fallback) fallback = tricks.LowestOfSuit(hand, suit);
    if (open.CountSuit(suit) == 0) continue;
    if (Card* c = lead(hand, open, suit)) return c;
  }
  if (!fallback) fallback = tricks.LowestOfSuit(hand, kSuitNone);
  return fallback ? fallback : tricks.ChooseLowCard(hand, *rng);
}

void RauberSkatGame::TrickOver() {
  statusLines[3].clear();
  statusLines[2] = "This trick is over.";
  SetState(HoldB);
  handOverCountdown = kTrickHoldTicks;
  const std::int32_t winner = tricks.winningSeat;
  if (winner >= 0 && winner < static_cast<std::int32_t>(kSeats)) {
    ++tricksTaken[winner];
    cardPoints[winner] += trickPoints;
    lastTrickWinner = winner;
  }
  trickPoints = 0;
  InvalidateStatus();
}

void RauberSkatGame::ScoreHand() {
  statusLines[2].clear();
  InvalidateStatus();
  if (window) UpdateWindow(window);
  if (declarer >= kNoDeclarer) return;
  if (skat[0] && skat[1]) {
    const std::uint32_t points = SkatCardPoints(*skat[0]) + SkatCardPoints(*skat[1]);
    if (gameFlags & kSkatReject) {
      if (lastTrickWinner >= 0 && lastTrickWinner < static_cast<std::int32_t>(kSeats))
        cardPoints[lastTrickWinner] += points;
    } else if (!(gameFlags & kSkatNull)) {
      cardPoints[declarer] += points;
    }
  }
  if (gameFlags & kSkatNull)
    ScoreNull();
  else if (gameFlags & kSkatReject)
    ScoreReject();
  else
    ScoreSuitGame();
  InvalidateStatus();
}

void RauberSkatGame::ScoreSuitGame() {
  const std::uint32_t d = declarer;
  const std::string& name = seatList[d].name;
  const std::uint32_t base = gameFlags & kSkatGrand ? 20 : SuitGameBase(trumpSuit);
  std::uint32_t m = matadors + 1;
  if (gameFlags & kSkatHand) ++m;
  if (gameFlags & kSkatOpen) ++m;
  if (tricksTaken[d] == 10) ++m;
  if (cardPoints[d] > 90) ++m;
  std::vector<std::string> failures;
  if (gameFlags & kSkatSchwarz) {
    if (tricksTaken[d] == 10)
      ++m;
    else
      failures.push_back(name + " did not make Schwarz.");
  }
  if (gameFlags & kSkatSchneider) {
    if (cardPoints[d] >= 90)
      ++m;
    else
      failures.push_back(name + " did not make Schneider.");
  }
  if (cardPoints[d] < 61) failures.push_back(name + " did not make Game.");
  if (failures.empty()) {
    if (m * base >= gameValue) {
      ShowInfo(kTitle, name + " scored " + std::to_string(m * base) + " points.");
      scores[d] += static_cast<std::int32_t>(m * base);
      return;
    }
    failures.push_back(name + " only scored " + std::to_string(m * base) + " points.");
  }
  for (const std::string& text : failures) ShowInfo(kTitle, text);
  if (tricksTaken[d] == 0) {
    ShowInfo(kTitle, name + " was Schwarzed!");
    ++m;
  } else if (cardPoints[d] < 31) {
    ShowInfo(kTitle, name + " was Schneidered!");
    ++m;
  }
  scores[d] -= static_cast<std::int32_t>(std::max(m * base, SkatBidValues[std::min(bidIndex, kSkatBidCount - 1)]));
}

void RauberSkatGame::ScoreNull() {
  const std::uint32_t d = declarer;
  const std::string& name = seatList[d].name;
  const std::uint32_t bid = SkatBidValues[std::min(bidIndex, kSkatBidCount - 1)];
  if (tricksTaken[d] > 0) {
    ShowInfo(kTitle, name + " failed at Null");
    scores[d] -= static_cast<std::int32_t>(gameValue);
  } else if (gameValue < bid) {
    ShowInfo(kTitle, name + " bid too high for Null");
    scores[d] -= static_cast<std::int32_t>(bid);
  } else {
    ShowInfo(kTitle, name + " made Null");
    scores[d] += static_cast<std::int32_t>(gameValue);
  }
}

void RauberSkatGame::ScoreReject() {
  if (cardPoints[0] == 40 && cardPoints[1] == 40 && cardPoints[2] == 40) {
    ShowInfo(kTitle, seatList[declarer].name + " correctly named Reject.");
    scores[declarer] += 10;
    return;
  }
  for (std::uint32_t s = 0; s < kSeats; ++s)
    if (tricksTaken[s] == 10) {
      ShowInfo(kTitle, seatList[s].name + " loses 30 points for taking all the tricks at Reject.");
      scores[s] -= 30;
      return;
    }
  std::uint32_t fewest = 0;
  for (std::uint32_t s = 1; s < kSeats; ++s)
    if (cardPoints[s] < cardPoints[fewest]) fewest = s;
  scores[fewest] += tricksTaken[fewest] > 0 ? 10 : 20;
  for (std::uint32_t s = 0; s < kSeats; ++s)
    if (s != fewest && cardPoints[s] == cardPoints[fewest]) {
      scores[s] += 10;
      break;
    }
}

void RauberSkatGame::Layout() {
  if (!cardImages) return;
  const long w = cardImages->CardWidth();
  const long h = cardImages->CardHeight();
  const RECT& t = tableRect;
  const long height = t.bottom - t.top;
  const long g = (height - 4 * h) / 5;
  const long midX = t.left + (t.right - t.left) / 2;
  const long midY = t.top + height / 2;
  for (SeatRecord& seat : seatList) {
    seat.cardWidth = w;
    seat.cardHeight = h;
  }
  seatList[0].SetPlacement(kRowCentred, midX, t.bottom - g - h, 20);
  seatList[1].SetPlacement(kColumnCentred, t.left + 10, midY, 30);
  seatList[2].SetPlacement(kRowCentred, midX, t.top + g, 20);
  trickRects[0] = RECT{midX - w / 2, t.top + 2 * h + 3 * g, midX - w / 2 + w, t.top + 3 * h + 3 * g};
  trickRects[1] = RECT{t.left + 20 + w, midY - h / 2, t.left + 20 + 2 * w, midY - h / 2 + h};
  trickRects[2] = RECT{midX - w / 2, t.top + 2 * g + h, midX - w / 2 + w, t.top + 2 * g + 2 * h};
  const RECT& r0 = trickRects[0];
  const RECT& r1 = trickRects[1];
  const RECT& r2 = trickRects[2];
  // Cut short with an ellipsis where it does not fit (Paint keeps it clear of the skat).
  seatList[0].SetLabel(0x28 | DT_END_ELLIPSIS, r0.right + 10, t.right, r0.top, r0.bottom);
  seatList[1].SetLabel(0x28, r1.left, t.right, t.top, r1.top - 10);
  seatList[2].SetLabel(0x20, r2.right + 10, t.right, r2.top, r2.bottom);
  const long x = t.right - w - 10;
  const long y0 = t.top + (height - 3 * h / 2) / 2;
  skatLabelRect_ = RECT{x, y0 - 30, x + w, y0 - 10};
  skatRect_ = RECT{x, y0, x + w, y0 + 2 * h};
}

std::string RauberSkatGame::SeatLabel(std::uint32_t seat) {
  const std::string& bid = bidTexts[seat % kSeats];
  const std::string& name = seatList[seat % kSeats].name;
  return bid.empty() ? name : name + " - " + bid;
}

void RauberSkatGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  if (cardImages) {
    for (std::uint32_t s = 0; s < kSeats; ++s)
      if (s != humanSeat) seatList[s].Paint(*cardImages, hdc);
    const long h = cardImages->CardHeight();
    for (int i = 0; i < 2; ++i)
      if (skat[i]) skat[i]->Draw(*cardImages, hdc, skatRect_.left, skatRect_.top + i * h, false);
  }
  if (skat[0] || skat[1]) {
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(hdc, 0xFFFFFF);
    bigFont.Select(hdc);
    DrawTextIn(hdc, "Skat", skatLabelRect_.left, skatLabelRect_.top, skatLabelRect_.right, skatLabelRect_.bottom, 0x25);
    bigFont.Restore();
    SetTextColor(hdc, oldColour);
    SetBkMode(hdc, oldMode);
  }
  // The user's label ends 10 pixels before the skat while that lies on the table.
  seatList[0].labelRect.right = skat[0] || skat[1] ? skatRect_.left - 10 : tableRect.right;
  TrickGame::Paint(hdc);
  const RECT& r = statusRect;
  std::vector<PanelRow> rows;
  for (std::uint32_t s = 0; s < kSeats; ++s)
    rows.push_back({seatList[s].name, {bidTexts[s], std::to_string(tricksTaken[s])}});
  DrawGameStatusPanel(*this, hdc, "PLAYER",
                      {{"BID", r.left + 75, r.left + 115, 0x21, "I Pass", true}, {"TRICKS", r.left + 115, r.right - 5, 0x21}},
                      rows);
}
