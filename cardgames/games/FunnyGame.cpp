#include "FunnyGame.h"

#include "GamePaint.h"
#include "GameResources.h"

namespace {

const char kTitle[] = "Funny Game";
const std::int32_t kIdValue = 0x801;

const std::uint32_t kPenaltyContracts = FunnyGame::kAllContracts & ~FunnyGame::kTrumpContracts;
// Random penalty picks tried before the open ones are taken in order.
const int kRandomPenaltyDraws = 64;

const struct {
  std::uint32_t value;
  const char* name;
} kContractNames[] = {
    {1, "Clubs"},          {2, "Diamonds"},         {4, "Hearts"},    {8, "Spades"},
    {16, "No Trump"},      {512, "No Hearts"},      {1024, "No Queens"}, {2048, "No Kings or Jacks"},
    {4096, "No King of Hearts"},
};

bool IsOpen(std::uint32_t open, std::uint32_t value) { return (open & value) != 0; }

// The first open one of a pair of copies.
std::uint32_t OpenCopy(std::uint32_t open, std::uint32_t first) {
  if (IsOpen(open, first)) return first;
  return IsOpen(open, first << 1) ? first << 1 : 0;
}

std::uint32_t LowestBit(std::uint32_t bits) { return bits & (~bits + 1); }

}  // namespace

std::string FunnyGameName() { return kTitle; }

std::int32_t FunnyGameId() { return kIdValue; }

CardGame* CreateFunnyGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new FunnyGame(window, humanSeat, rng);
}

FunnyGame::FunnyGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TrickGame(window, kTitle, IDT_FUNNY_RULES, 4, 13, 12, humanSeat, rng) {
  showLeadLine = false;
  AddRankRun(deck, kRankHighAce, 2);
}

FunnyGame::~FunnyGame() = default;

std::string FunnyGame::ContractName(std::uint32_t value) {
  for (const auto& c : kContractNames)
    if (c.value == value) return c.name;
  if (value & kNoTricks) return "No Tricks";
  if (value & kNoLastTrick) return "No Last Trick";
  return std::string();
}

ChoiceList FunnyGame::ContractChoices(std::uint32_t openContracts, bool tookTrump, std::int32_t penaltyDealsLeft) {
  ChoiceList list;
  list.caption = "Please Select Your Bid";
  if (!tookTrump)
    for (std::uint32_t value = 1; value <= kNoTrump; value <<= 1)
      if (IsOpen(openContracts, value)) list.Add(ContractName(value), static_cast<std::int32_t>(value));
  if (penaltyDealsLeft != 0) {
    for (std::uint32_t first : {32u, 128u})
      if (std::uint32_t value = OpenCopy(openContracts, first))
        list.Add(ContractName(value), static_cast<std::int32_t>(value));
    for (std::uint32_t value = kNoHearts; value <= kNoKingOfHearts; value <<= 1)
      if (IsOpen(openContracts, value)) list.Add(ContractName(value), static_cast<std::int32_t>(value));
  }
  return list;
}

std::uint32_t FunnyGame::PickContract(const CardPile& hand, std::int32_t penaltyDealsLeft, bool tookTrump,
                                      std::uint32_t open, RandomSource& rng) {
  std::int32_t strength = 0, kings = 0, queens = 0, aces = 0;
  bool highHeart = false;
  std::uint32_t length[4] = {};
  for (const Card* c : hand.cards) {
    if (c->suit >= 0 && c->suit < 4) ++length[c->suit];
    switch (c->rank) {
      case 11: strength += 1; break;
      case 12: strength += 2; ++queens; break;
      case 13: strength += 3; ++kings; break;
      case kRankHighAce: strength += 4; ++aces; break;
      default: break;
    }
    if (c->suit == kSuitHearts && c->rank >= 13) highHeart = true;
  }
  std::int32_t longest = 0, shortest = 0;
  for (std::int32_t s = 1; s < 4; ++s) {
    if (length[s] > length[longest]) longest = s;
    if (length[s] < length[shortest]) shortest = s;
  }
  std::int32_t second = longest == 0 ? 1 : 0;
  for (std::int32_t s = 0; s < 4; ++s)
    if (s != longest && length[s] > length[second]) second = s;
  const std::uint32_t longSuit = 1u << longest, secondSuit = 1u << second;

  // A seat takes one trump contract only: a second one would leave another seat without.
  if (!tookTrump && (penaltyDealsLeft == 0 || strength > 15)) {
    if (length[longest] > 4 && IsOpen(open, longSuit)) return longSuit;
    if (length[second] > 4 && IsOpen(open, secondSuit)) return secondSuit;
    if (length[shortest] >= 2 && length[longest] <= 5 && IsOpen(open, kNoTrump)) return kNoTrump;
    if (penaltyDealsLeft == 0) {
      if (IsOpen(open, kNoTrump)) return kNoTrump;
      if (IsOpen(open, longSuit)) return longSuit;
      if (IsOpen(open, secondSuit)) return secondSuit;
      if (open & kTrumpContracts) return LowestBit(open & kTrumpContracts);
    }
  }
  if (std::uint32_t value = OpenCopy(open, 32); value && strength <= 6) return value;
  const std::uint32_t hearts = length[kSuitHearts];
  if (IsOpen(open, kNoHearts) && (length[shortest] < 2 || (strength < 11 && hearts < 3))) return kNoHearts;
  if (IsOpen(open, kNoKingsOrJacks) && kings + aces <= 1) return kNoKingsOrJacks;
  if (IsOpen(open, kNoQueens) && kings + queens + aces <= 2) return kNoQueens;
  if (IsOpen(open, kNoKingOfHearts) && !highHeart) return kNoKingOfHearts;
  if (std::uint32_t value = OpenCopy(open, 128)) return value;
  if (open & kPenaltyContracts) {
    for (int i = 0; i < kRandomPenaltyDraws; ++i) {
      const std::uint32_t value = 32u << rng.Next(8);
      if (IsOpen(open, value)) return value;
    }
    return LowestBit(open & kPenaltyContracts);
  }
  return LowestBit(open);
}

std::int32_t FunnyGame::TrickValueAfter(std::uint32_t contract, std::int32_t trickValue, const Card& card,
                                        std::size_t cardsInHand) {
  if (contract & kTrumpContracts) return trickValue == 0 ? 10 : trickValue;
  if (contract & kNoTricks) return trickValue == 0 ? -5 : trickValue;
  if (contract & kNoLastTrick) return trickValue == 0 && cardsInHand == 1 ? -50 : trickValue;
  switch (contract) {
    case kNoHearts:
      return card.suit == kSuitHearts ? trickValue - 5 : trickValue;
    case kNoQueens:
      return card.rank == 12 ? trickValue - 15 : trickValue;
    case kNoKingsOrJacks:
      return card.rank == 11 ? trickValue - 10 : card.rank == 13 ? trickValue - 20 : trickValue;
    case kNoKingOfHearts:
      return card.suit == kSuitHearts && card.rank == 13 ? trickValue - 45 : trickValue;
    default:
      return trickValue;
  }
}

void FunnyGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  ShowHandNumber();
  TurnUpTrump(nullptr);
  if (newGame) {
    for (std::uint32_t s = 0; s < 4; ++s) {
      penaltyDealsLeft[s] = 2;
      usedContracts[s] = 0;
    }
    openContracts = kAllContracts;
  }
  for (SeatRecord& seat : seatList) seat.Sort(sortMode);
  ResetTricks();
  TurnHumanCardsUp();
  trickValue = 0;
  contract = 0;
  SetState(Bidding);
  SetCurrentSeat(dealer);
}

void FunnyGame::SetCurrentSeat(std::uint32_t seat) {
  CardGame::SetCurrentSeat(seat);
  const std::string who = current == humanSeat ? "your" : seatList[current % 4].name + "'s";
  const std::int32_t state = GetState();
  if (state == Bidding) {
    statusLines[2] = "It is " + who + " turn to bid.";
  } else if (state == Playing) {
    if (!tricks.ledCard) {
      statusLines[3].clear();
      statusLines[2] = "It is " + who + " turn to lead a card.";
    } else {
      statusLines[3] = "It is " + who + " turn to play a card.";
    }
  }
  InvalidateStatus();
}

// Bidding is the dealer's pick of a contract, then the hold before the first lead.
void FunnyGame::OnTimer() {
  if (GetState() != Bidding || computerDelay > 0) {
    TrickGame::OnTimer();
    return;
  }
  if (contract != 0) {
    SetState(HoldA);
    tricks.NewTrick();
    handOverCountdown = kTrickHoldTicks;
    SetCurrentSeat((dealer + 1) % 4);
  } else if (dealer == humanSeat) {
    AskContract();
  } else {
    ComputerBid(dealer);
  }
}

void FunnyGame::AskContract() {
  const std::uint32_t seat = humanSeat % 4;
  ChoiceList list = ContractChoices(openContracts, TookTrump(seat), penaltyDealsLeft[seat]);
  list.owner = window;
  if (list.values.empty()) {
    // Nothing left to offer: the hand is played under what the computer would pick.
    ComputerBid(seat);
    return;
  }
  const std::int32_t value = AskChoice(*this, IDD_FUNNY_BID, list);
  bool offered = false;
  for (std::int32_t v : list.values) offered = offered || v == value;
  current = seat;
  ApplyContract(static_cast<std::uint32_t>(offered ? value : list.values.front()));
  ContractPicked();
}

void FunnyGame::ComputerBid(std::uint32_t seat) {
  current = seat % 4;
  ApplyContract(PickContract(seatList[current], penaltyDealsLeft[current], TookTrump(current), openContracts, *rng));
  ContractPicked();
}

void FunnyGame::ApplyContract(std::uint32_t value) {
  const std::uint32_t seat = current % 4;
  contract = value;
  std::int32_t suit = kSuitNone;
  for (std::int32_t s = 0; s < 4; ++s)
    if (value == 1u << s) suit = s;
  if (suit == kSuitNone)
    tricks.ClearTrump();
  else
    tricks.SetTrump(suit);
  if (value & kTrumpContracts) {
    penaltyDealsLeft[seat] = -1;
    usedContracts[seat] |= kTrumpContracts;
  }
  openContracts &= ~value;
  usedContracts[seat] |= value;
  --penaltyDealsLeft[seat];
  for (SeatRecord& hand : seatList) hand.FindLongestSuit(tricks.trump);
}

void FunnyGame::ContractPicked() {
  statusLines[2].clear();
  statusLines[1] = ContractName(contract);
  InvalidateStatus();
  InvalidateTable();
}

void FunnyGame::PlayCard(std::uint32_t seat, Card* card) {
  if (!card || seat >= 4) return;
  if (tricks.playedCount == 0) statusLines[2] = "Lead: " + CardText(*card);
  trickValue = TrickValueAfter(contract, trickValue, *card, seatList[seat].cards.size());
  TrickGame::PlayCard(seat, card);
}

void FunnyGame::TrickOver() {
  statusLines[3].clear();
  statusLines[2] = "This trick is over.";
  SetState(HoldB);
  handOverCountdown = kTrickHoldTicks;
  const std::int32_t winner = tricks.winningSeat;
  if (winner >= 0 && winner < 4) {
    ++tricksWon[winner];
    scores[winner] += trickValue;
  }
  InvalidateStatus();
}

void FunnyGame::GatherTrick() {
  const std::int32_t winner = tricks.winningSeat;
  trickValue = 0;
  ClearTrickCards();
  if (seatList[humanSeat % 4].cards.empty()) {
    contract = 0;
    handOverCountdown = kHandHoldTicks;
    statusLines[2] = "This hand is over.";
    SetState(HandOver);
  } else {
    StartNextTrick(winner);
  }
  InvalidateStatus();
}

bool FunnyGame::BudgetLeft(std::int32_t suit) const { return suit >= 0 && suit <= 4 && tricks.suitBudget[suit] != 0; }

Card* FunnyGame::ChooseCard() {
  SeatRecord& hand = seatList[current % 4];
  const bool leading = tricks.playedCount == 0 || !tricks.ledCard;
  const bool last = tricks.playedCount == 3;
  const bool penalty = (contract & kTrumpContracts) == 0;
  Card* card = nullptr;
  auto winOrLose = [&] {
    return tricks.CanWin(hand, false) ? tricks.ChooseWinningCard(hand, *rng, penalty)
                                      : tricks.ChooseLosingCard(hand, *rng, penalty);
  };
  if (!penalty || (contract & kNoLastTrick)) {
    card = leading ? tricks.ChooseLead(hand, *rng) : winOrLose();
  } else if (contract & kNoTricks) {
    card = leading                  ? tricks.ChooseLowCard(hand, *rng)
           : tricks.CanLose(hand) ? tricks.ChooseLosingCard(hand, *rng, true)
                                  : tricks.ChooseWinningCard(hand, *rng, true);
  } else if (trickValue < 0) {
    card = tricks.ChooseLosingCard(hand, *rng, true);
  } else if (contract == kNoHearts) {
    if (leading)
      card = tricks.ChooseLowCard(hand, *rng);
    else if (last)
      card = winOrLose();
    else
      card = BudgetLeft(tricks.ledCard->suit) ? tricks.ChooseWinningCard(hand, *rng, true) : FollowBelow(15);
  } else {
    // Queens, kings and jacks, or the king of hearts: keep the costly cards out of tricks won.
    std::int32_t limit = 12, avoid = kSuitNone, lastLimit = 12;
    if (contract == kNoKingsOrJacks) limit = lastLimit = 11;
    if (contract == kNoKingOfHearts) {
      avoid = kSuitHearts;
      lastLimit = 13;
    }
    if (leading)
      card = LeadAvoiding(limit, avoid);
    else if (last)
      card = tricks.CanWin(hand, false) ? SafeWin(lastLimit, avoid) : tricks.ChooseLosingCard(hand, *rng, true);
    else
      card = FollowBelow(limit);
  }
  if (card && tricks.IsLegalPlay(card, hand)) return card;
  for (Card* c : hand.cards)
    if (tricks.IsLegalPlay(c, hand)) return c;
  return nullptr;
}

Card* FunnyGame::FollowBelow(std::int32_t limit) {
  SeatRecord& hand = seatList[current % 4];
  const std::int32_t led = tricks.ledCard ? tricks.ledCard->suit : kSuitNone;
  Card* best = nullptr;
  PileIterator it(hand);
  for (Card* c = it.FirstFromRandom(*rng); c; c = it.Next()) {
    if (!tricks.IsLegalPlay(c, hand)) continue;
    if (!best) {
      best = c;
      continue;
    }
    const bool wins = tricks.WouldWin(c);
    bool better;
    if (best->suit == led) {
      if (tricks.WouldWin(best))
        better = !wins || best->rank >= limit;
      else
        better = wins ? c->rank < limit : c->rank > best->rank;
    } else if (best->rank < limit) {
      better = c->rank >= limit;
    } else {
      better = contract == kNoHearts && best->suit != kSuitHearts && c->suit == kSuitHearts;
    }
    if (better) best = c;
  }
  return best;
}

Card* FunnyGame::LeadAvoiding(std::int32_t limit, std::int32_t suit) {
  SeatRecord& hand = seatList[current % 4];
  Card* best = nullptr;
  PileIterator it(hand);
  for (Card* c = it.FirstFromRandom(*rng); c; c = it.Next()) {
    if (!tricks.IsLegalPlay(c, hand)) continue;
    if (!best) {
      best = c;
      continue;
    }
    const bool poor = !BudgetLeft(best->suit) || best->suit == suit || best->rank > limit;
    const bool better = poor ? BudgetLeft(c->suit) || (best->rank >= limit && c->rank < limit)
                             : best->rank == limit && BudgetLeft(c->suit) && c->suit != suit && c->rank < limit;
    if (better) best = c;
  }
  return best;
}

Card* FunnyGame::SafeWin(std::int32_t limit, std::int32_t suit) {
  SeatRecord& hand = seatList[current % 4];
  Card* best = nullptr;
  for (Card* c : hand.cards) {
    if (!tricks.IsLegalPlay(c, hand) || (c->rank >= limit && c->suit == suit)) continue;
    const bool wins = tricks.WouldWin(c);
    if (!best || (wins && !tricks.WouldWin(best)) || (wins && tricks.WouldWin(best) && c->rank > best->rank)) best = c;
  }
  return best ? best : tricks.ChooseLosingCard(hand, *rng, true);
}

void FunnyGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  TrickGame::Paint(hdc);
  const std::int32_t state = GetState();
  if (state == Bidding || state == HoldA) {
    const int oldMode = SetBkMode(hdc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(hdc, 0xA3BCCE);
    bigFont.Select(hdc);
    DrawTextIn(hdc, statusLines[1], tableRect.left, tableRect.top, tableRect.right, tableRect.bottom,
               DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    bigFont.Restore();
    SetTextColor(hdc, oldColour);
    SetBkMode(hdc, oldMode);
  }
  DrawSeatNumbersPanel(*this, hdc, "TRICKS", [this](std::uint32_t s) { return tricksWon[s]; });
}
