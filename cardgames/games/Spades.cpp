#include "Spades.h"

#include <algorithm>

#include "GameResources.h"
#include "OhHell.h"
#include "Window.h"

std::string SpadesBidText(std::int32_t value, bool blind) {
  const std::string text = value == kSpadesNil ? "Nil" : std::to_string(value);
  return blind ? "Bl. " + text : text;
}

std::int32_t SpadesHandPoints(std::int32_t bid, bool blind, std::int32_t won, bool bagPenalty, std::int32_t& bags) {
  const std::int32_t factor = blind ? 2 : 1;
  std::int32_t points;
  std::int32_t target = bid;
  if (bid == kSpadesNil) {
    target = 0;
    points = (won == 0 ? 100 : -100) * factor;
  } else if (bid == 0) {
    points = won;
  } else if (won < bid) {
    points = -10 * bid * factor;
  } else {
    points = 10 * bid * factor + (won - bid);
  }
  if (bagPenalty && won > target) {
    bags += won - target;
    while (bags >= 10) {
      bags -= 10;
      points -= 100;
    }
  }
  return points;
}

ChoiceList SpadesBidChoices(bool blind, bool allowBlindNil, bool allowZeroBid, std::int32_t forbidden) {
  ChoiceList list;
  list.caption = "Please Select Your Bid";
  if (forbidden != 0) {
    if (!blind || allowBlindNil) list.Add("Nil", kSpadesNil);
    if (allowZeroBid) list.Add("0", 0);
  }
  for (std::int32_t n = 1; n <= 13; ++n)
    if (n != forbidden) list.Add(std::to_string(n), n);
  return list;
}

void SetSpadeValues(CardDeck& deck, bool deuceHigh) {
  for (std::int32_t rank = 2; rank <= kRankHighAce; ++rank) {
    std::int32_t play = rank;
    if (deuceHigh) play = rank == 2 ? kRankHighAce : rank - 1;
    deck.SetCardValue(rank, kSuitSpades, play, kSuitSpades);
  }
}

namespace {

const char kTitle[] = "Spades";
const std::int32_t kIdValue = 0x40001;

}  // namespace

std::string SpadesName() { return kTitle; }

std::int32_t SpadesId() { return kIdValue; }

CardGame* CreateSpadesGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new SpadesGame(window, humanSeat, rng);
}

SpadesGame::SpadesGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TrickGame(window, kTitle, IDT_SPADES_RULES, 4, 13, 8, humanSeat, rng) {
  OptionsFile().Load();
  ApplyRules();
  AddRankRun(deck, kRankHighAce, 2);
}

SpadesGame::~SpadesGame() = default;

GameOptionsFile SpadesGame::OptionsFile() {
  return GameOptionsFile(window, kTitle, kIdValue)
      .Bool(allowTotal13)
      .Bool(highBidderLeads)
      .Bool(allowBlind)
      .Bool(allowBlindNil)
      .Bool(spadesLeadAnytime)
      .Bool(firstTrickTrumping)
      .Bool(allowZeroBid)
      .Bool(deuceHigh)
      .Bool(bagPenalty)
      .Int16(blindMargin);
}

namespace {

struct CheckOption {
  int id;
  bool SpadesGame::*field;
};

const CheckOption kChecks[] = {
    {IDC_SPADES_BLIND, &SpadesGame::allowBlind},
    {IDC_SPADES_BLIND_NIL, &SpadesGame::allowBlindNil},
    {IDC_SPADES_LEAD_ANYTIME, &SpadesGame::spadesLeadAnytime},
    {IDC_SPADES_FIRST_TRICK_TRUMP, &SpadesGame::firstTrickTrumping},
    {IDC_SPADES_ZERO_BID, &SpadesGame::allowZeroBid},
    {IDC_SPADES_DEUCE_HIGH, &SpadesGame::deuceHigh},
    {IDC_SPADES_BAG_PENALTY, &SpadesGame::bagPenalty},
    {IDC_SPADES_TOTAL_ANY, &SpadesGame::allowTotal13},
    {IDC_SPADES_HIGH_LEADS, &SpadesGame::highBidderLeads},
};
const std::int16_t kMargins[] = {0, 100, 200};

LRESULT OnOptionsInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  auto* game = static_cast<SpadesGame*>(InitOptionsDialog(
      dialog, lParam,
      {IDC_SPADES_BLIND, IDC_SPADES_BLIND_NIL, IDC_SPADES_LEAD_ANYTIME, IDC_SPADES_FIRST_TRICK_TRUMP,
       IDC_SPADES_ZERO_BID, IDC_SPADES_DEUCE_HIGH, IDC_SPADES_BAG_PENALTY, IDC_SPADES_TOTAL_ANY,
       IDC_SPADES_TOTAL_UNEQUAL, IDC_SPADES_HIGH_LEADS, IDC_SPADES_LEFT_LEADS, IDC_SPADES_MARGIN}));
  if (!game) return 0;
  for (const CheckOption& c : kChecks) SetChecked(dialog, c.id, game->*c.field);
  if (!game->allowTotal13) SetChecked(dialog, IDC_SPADES_TOTAL_UNEQUAL, true);
  if (!game->highBidderLeads) SetChecked(dialog, IDC_SPADES_LEFT_LEADS, true);
  HWND margin = GetDlgItem(dialog, IDC_SPADES_MARGIN);
  WPARAM selected = 0;
  for (std::int16_t m : kMargins) {
    const LRESULT index = SendMessageA(margin, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_string(m).c_str()));
    if (index < 0) continue;
    SendMessageA(margin, CB_SETITEMDATA, static_cast<WPARAM>(index), m);
    if (m == game->blindMargin) selected = static_cast<WPARAM>(index);
  }
  SendMessageA(margin, CB_SETCURSEL, selected, 0);
  return 0;
}

LRESULT OnOptionsOk(HWND dialog, WPARAM, LPARAM) {
  auto* game = static_cast<SpadesGame*>(OptionsDialogGame(dialog));
  if (!game) return 0;
  for (const CheckOption& c : kChecks) game->*c.field = IsChecked(dialog, c.id);
  game->blindMargin = static_cast<std::int16_t>(ChosenValue(GetDlgItem(dialog, IDC_SPADES_MARGIN)));
  AcceptOptionsDialog(dialog, game->OptionsFile());
  return 0;
}

}  // namespace

void SpadesGame::ShowOptions(HWND parent) {
  RunOptionsDialog(*this, parent, IDD_SPADES_OPTIONS, &OptionsDialogProc<&OnOptionsInit, &OnOptionsOk>);
  // The trick rules and card values of a hand under way change only before its first card.
  if (!cardPlayedThisHand) {
    ApplyRules();
    SetSpadeValues(deck, deuceHigh);
    tricks.RebuildUnplayed(deck);
  }
}

bool SpadesGame::HasOptions() { return true; }

void SpadesGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  ApplyRules();  // the opening rules of the hand's tricks
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  SetSpadeValues(deck, deuceHigh);
  tricks.RebuildUnplayed(deck);
  cardPlayedThisHand = false;
  ShowHandNumber();
  tricks.SetTrump(kSuitSpades);
  ResetTricks();
  for (std::uint32_t s = 0; s < 4; ++s) {
    seatList[s].Sort(sortMode);
    seatList[s].FindLongestSuit(kSuitSpades);
    isBlind[s] = false;
    if (newGame) bags[s] = 0;
  }
  // A user who may bid blind decides before he sees his cards.
  if (!MayBidBlind(humanSeat) && !MayBidBlindNil(humanSeat)) SetHumanCardsUp();
  SetState(Bidding);
  SetCurrentSeat(current);
}

void SpadesGame::SetHumanCardsUp() {
  TurnHumanCardsUp();
  InvalidateTable();
  if (window) UpdateWindow(window);
}

std::int32_t SpadesGame::AskSpadesBid() {
  ChoiceList list = SpadesBidChoices(isBlind[humanSeat % 4], allowBlindNil, allowZeroBid, ForbiddenBid());
  return AskChoice(*this, IDD_SPADES_BID, list);
}

void SpadesGame::AskHumanBid() {
  const std::uint32_t me = humanSeat % 4;
  SeatBid& bid = seatList[me].bid;
  if (MayBidBlind(me)) {
    if (AskYesNo(kTitle, "Would you like to bid blind?"))
      isBlind[me] = true;
    else
      SetHumanCardsUp();
  } else if (MayBidBlindNil(me) && ForbiddenBid() != 0) {  // a nil may not leave the total at 13
    const bool blindNil = AskYesNo(kTitle, "Would you like to bid blind nil?");
    SetHumanCardsUp();
    if (blindNil) {
      isBlind[me] = true;
      bid.SetValue(kSpadesNil);
      tricks.playedCount = (tricks.playedCount + 1) % 4;
      InvalidateTable();
      return;
    }
  } else {
    SetHumanCardsUp();
  }
  bid.SetValue(AskSpadesBid());
  InvalidateTable();
  tricks.playedCount = (tricks.playedCount + 1) % 4;
  SetHumanCardsUp();
}

void SpadesGame::EndBidding() {
  TrickGame::EndBidding();
  // The first trick of the hand follows the trumping option.
  tricks.trumpAllowed = firstTrickTrumping;
  if (highBidderLeads)
    for (std::uint32_t k = 1; k < 4; ++k) {
      const std::uint32_t s = (dealer + 1 + k) % 4;
      const std::int32_t mine = seatList[current % 4].bid.value, theirs = seatList[s].bid.value;
      if (mine == kSpadesNil || (theirs > mine && theirs != kSpadesNil)) SetCurrentSeat(s);
    }
}

void SpadesGame::PlayCard(std::uint32_t seat, Card* card) {
  if (!card) return;
  cardPlayedThisHand = true;
  TrickGame::PlayCard(seat, card);
}

void SpadesGame::ScoreHand() {
  for (std::uint32_t s = 0; s < 4; ++s)
    scores[s] += SpadesHandPoints(seatList[s].bid.value, isBlind[s], tricksWon[s], bagPenalty, bags[s]);
}

std::string SpadesGame::SeatLabel(std::uint32_t seat) {
  const SeatRecord& s = seatList[seat % 4];
  const std::int32_t state = GetState();
  if ((state == Bidding || state == HoldA) && s.bid.kind != kNoBid)
    return s.name + " - " + SpadesBidText(s.bid.value, isBlind[seat % 4]);
  return s.name;
}

void SpadesGame::Paint(HDC hdc) {
  TrickGame::Paint(hdc);
  std::vector<std::string> bids;
  for (std::uint32_t s = 0; s < 4; ++s)
    bids.push_back(seatList[s].bid.kind != kNoBid ? SpadesBidText(seatList[s].bid.value, isBlind[s]) : std::string());
  PaintBidPanel(*this, hdc, bids, SpadesBidText(kSpadesNil, true));
}

void SpadesGame::ApplyRules() {
  tricks.firstTrickTrumpRule = firstTrickTrumping;
  tricks.trumpAllowed = firstTrickTrumping;
  tricks.SetNoLeadSuit(spadesLeadAnytime ? kSuitNone : kSuitSpades);
}

std::int32_t SpadesGame::SumOfSpadeBids() const {
  std::int32_t sum = 0;
  for (std::uint32_t s = 0; s < 4; ++s)
    if (seatList[s].bid.kind != kNoBid && seatList[s].bid.value != kSpadesNil) sum += seatList[s].bid.value;
  return sum;
}

std::int32_t SpadesGame::LeadOverSeat(std::uint32_t seat) const {
  std::int32_t lead = 0;
  for (std::uint32_t j = 0; j < 4; ++j) lead = std::max(lead, scores[j] - scores[seat % 4]);
  return lead;
}

bool SpadesGame::MayBidBlind(std::uint32_t seat) const {
  return allowBlind && (LeadOverSeat(seat) > blindMargin || blindMargin == 0);
}

bool SpadesGame::MayBidBlindNil(std::uint32_t seat) const {
  return allowBlindNil && (LeadOverSeat(seat) > blindMargin || blindMargin == 0);
}

bool SpadesGame::IsNil(std::uint32_t seat) const {
  const SeatBid& bid = seatList[seat % 4].bid;
  return bid.kind != kNoBid && (bid.value == 0 || bid.value == kSpadesNil);
}

bool SpadesGame::AnyNilBid() const {
  for (std::uint32_t s = 0; s < 4; ++s)
    if (IsNil(s)) return true;
  return false;
}

bool SpadesGame::EarlierNilInTrick() const {
  for (std::uint32_t n = 1; n <= tricks.playedCount && n < 4; ++n)
    if (IsNil((current + 4 - n) % 4)) return true;
  return false;
}

std::int32_t SpadesGame::ForbiddenBid() const {
  if (allowTotal13 || tricks.playedCount != 3) return -1;
  return 13 - SumOfSpadeBids();
}

void SpadesGame::ComputerBid(std::uint32_t seat) {
  std::int32_t bid = EstimateSpadesBid(seat);
  if (bid > 13 && bid != kSpadesNil) bid = 13;  // no more tricks than there are
  if (tricks.playedCount == 3 && !allowTotal13) {
    // A nil adds nothing: when the others already make 13 it would keep that total.
    if (bid == kSpadesNil && SumOfSpadeBids() == 13) bid = 1;
    bid = BidAvoidingTotal(bid, SumOfSpadeBids(), 13);
  }
  seatList[seat % 4].bid.SetValue(bid);
  tricks.playedCount = (tricks.playedCount + 1) % 4;
  InvalidateTable();
}

std::int32_t SpadesGame::EstimateSpadesBid(std::uint32_t seat) {
  const SeatRecord& hand = seatList[seat % 4];
  if (MayBidBlindNil(seat)) {
    const std::int32_t lead = LeadOverSeat(seat);
    if (tricks.playedCount == 0) {
      if (static_cast<std::int32_t>(rng->Next(0) % 4000) < lead) {
        isBlind[seat % 4] = true;
        return kSpadesNil;
      }
    } else if (static_cast<std::int32_t>(rng->Next(0) % 100) + 30 < 10 * SumOfSpadeBids() &&
               static_cast<std::int32_t>(rng->Next(0) % 2000) < lead) {
      return kSpadesNil;
    }
  }
  std::int32_t points = 1, shape = 0;
  for (std::int32_t s = 0; s < 3; ++s) {
    const std::uint32_t n = hand.CountSuit(s);
    const Card* first = hand.FindCardOfSuit(s, 0);
    const Card* second = hand.FindCardOfSuit(s, 1);
    const Card* third = hand.FindCardOfSuit(s, 2);
    const std::int32_t top = first ? first->rank : 0, next = second ? second->rank : 0;
    const std::int32_t after = third ? third->rank : 0;
    if (n == 0) {
      shape += 8;
    } else if (n == 1) {
      shape += 4;
      if (top == kRankHighAce) points += 4;
    } else if (n == 3) {
      if (top == 12) points += next == 11 ? 2 : 1;
      else if (top == 13) points += next == 11 ? 4 : next == 12 ? 5 : 3;
      else if (top == kRankHighAce) {
        if (next == 12) points += 6;
        else if (next == 13) points += after == 11 ? 9 : after == 12 ? 10 : 8;
        else points += 4;
      }
    } else if (n <= 5) {
      if (n == 2) shape += 2;
      if (top == 13) points += next == 12 ? 4 : 2;
      else if (top == kRankHighAce) points += next == 12 ? 6 : next == 13 ? 8 : 4;
    } else if (n == 6) {
      if (top == 13) points += 2;
      else if (top == kRankHighAce) points += next == 13 ? 6 : 4;
    } else if (top == kRankHighAce) {
      points += 4;
    }
  }
  const std::int32_t n = static_cast<std::int32_t>(hand.CountSuit(kSuitSpades));
  std::int32_t honours = 0, sure = 0;
  const Card* highest = hand.FindCardOfSuit(kSuitSpades, 0);
  if (n > 0) {
    for (std::uint32_t k = 0; k < static_cast<std::uint32_t>(n); ++k) {
      const Card* c = hand.FindCardOfSuit(kSuitSpades, k);
      if (!c) break;
      if (c->rank == kRankHighAce) {
        ++honours;
        ++sure;
      } else if (c->rank == 13) {
        ++honours;
        if (n >= 2) ++sure;
      } else if (c->rank == 12) {
        ++honours;
        if (n >= 3) ++sure;
      }
    }
    if (n > 4) sure = sure - 3 + n;
    std::int32_t u = shape / 4 + honours;
    if (u < sure) {
      points += 4 * sure;
    } else {
      u = u < 2 ? 0 : u - 1;
      points += 4 * (n < u ? honours : u);
    }
    if (points < 5 && highest && highest->rank >= 12) points += 4;
  }
  if (AnyNilBid()) points += 2;
  const std::int32_t bid = 4 * points / 15;
  if (bid == 0) return honours == 0 ? kSpadesNil : 1;
  return bid;
}

Card* SpadesGame::ChooseCard() {
  const std::uint32_t seat = current % 4;
  SeatRecord& hand = seatList[seat];
  const bool leading = tricks.playedCount == 0;
  if (IsNil(seat)) return leading ? tricks.ChooseLowCard(hand, *rng) : tricks.ChooseLosingCard(hand, *rng, true);
  if (leading) return !AnyNilBid() || hand.cards.size() < 9 ? tricks.ChooseLead(hand, *rng) : tricks.ChooseLowCard(hand, *rng);
  const std::uint32_t winner = static_cast<std::uint32_t>(tricks.winningSeat) % 4;
  if (tricksWon[winner] == 0 && tricks.CanLose(hand) && IsNil(winner)) return tricks.ChooseLosingCard(hand, *rng, false);
  if (AnyNilBid() && hand.cards.size() > 8 && !EarlierNilInTrick()) return tricks.ChooseLosingCard(hand, *rng, false);
  return tricks.CanWin(hand, false) ? tricks.ChooseWinningCard(hand, *rng, false)
                                    : tricks.ChooseLosingCard(hand, *rng, false);
}
