#include "Exacta.h"

#include <cstdlib>
#include <utility>

#include "CardImages.h"
#include "GameResources.h"
#include "OhHell.h"
#include "Window.h"

std::int32_t BidRank(const Card& card) {
  if (card.rank == kRankHighAce) return 1;
  return card.rank;
}

std::int32_t ExactaHandPoints(std::int32_t bid, std::int32_t won) {
  if (bid == 0) return won == 0 ? 50 : -20 * won;
  return won == bid ? 10 * bid : -5 * std::abs(won - bid);
}

std::uint32_t HigherOverNth(const CardPile& hand, const TrickState& tricks, std::int32_t suit, std::uint32_t k) {
  if (k == 0) return 15;
  const Card* card = hand.FindCardOfSuit(suit, k - 1);
  return card ? tricks.CountHigherUnplayed(card) : 15;
}

std::int32_t ShapePoints(std::uint32_t length) {
  switch (length) {
    case 0: return 8;
    case 1: return 4;
    case 2: return 2;
    default: return 0;
  }
}

std::int32_t RateSuit(const CardPile& hand, const TrickState& tricks, std::int32_t suit) {
  const std::uint32_t n = hand.CountSuit(suit);
  const std::uint32_t h1 = HigherOverNth(hand, tricks, suit, 1);
  const std::uint32_t h2 = HigherOverNth(hand, tricks, suit, 2);
  const std::uint32_t h3 = HigherOverNth(hand, tricks, suit, 3);
  switch (n) {
    case 0: return 0;
    case 1: return h1 == 0 ? 4 : 0;
    case 2:
      if (h1 == 0) return h2 == 1 ? 8 : h2 == 2 ? 6 : 4;
      if (h1 == 1) return h2 == 2 ? 4 : 2;
      return 0;
    case 3:
      if (h1 == 0) {
        if (h2 == 1) return h3 == 2 ? 10 : h3 == 3 ? 9 : 8;
        return h2 == 2 ? 6 : 4;
      }
      if (h1 == 1) return h2 == 2 ? 5 : h2 == 3 ? 4 : 3;
      if (h1 == 2) return h2 == 3 ? 2 : 1;
      return 0;
    case 4:
    case 5:
      if (h1 == 0) return h2 == 1 ? 8 : h2 == 2 ? 6 : 4;
      if (h1 == 1) return h2 == 2 ? 6 : 4;
      return 0;
    case 6:
      if (h1 == 0) return h2 == 1 ? 6 : 4;
      return h1 == 1 ? 2 : 0;
    default:
      return h1 == 0 ? 4 : 0;
  }
}

std::int32_t SuitTrickEstimate(const CardPile& hand, const TrickState& tricks, std::int32_t suit, std::int32_t shape) {
  const std::int32_t length = static_cast<std::int32_t>(hand.CountSuit(suit));
  std::int32_t sure = 0;
  for (std::int32_t k = 1; k <= length; ++k)
    if (HigherOverNth(hand, tricks, suit, static_cast<std::uint32_t>(k)) < 3) ++sure;
  std::int32_t est = length + sure - 3;
  if (est < 0) est = 0;
  if (length > 7 && sure < 3) ++est;
  if (est - sure > shape) return est;
  const std::int32_t y = shape / 4 + sure - 1;
  return y <= length ? y : sure;
}

namespace {

const char kTitle[] = "Exacta";
const std::int32_t kIdValue = 0x201;

}  // namespace

std::string ExactaName() { return kTitle; }

std::int32_t ExactaId() { return kIdValue; }

CardGame* CreateExactaGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new ExactaGame(window, humanSeat, rng);
}

ExactaGame::ExactaGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TrickGame(window, kTitle, IDT_EXACTA_RULES, 4, 13, 8, humanSeat, rng), zeroCard(kRankJoker, kSuitNone) {
  OptionsFile().Load();
  AddRankRun(deck, kRankHighAce, 2);
}

ExactaGame::~ExactaGame() = default;

GameOptionsFile ExactaGame::OptionsFile() {
  return GameOptionsFile(window, kTitle, kIdValue).Bool(highBidderLeads).Bool(allowZeroBid);
}

namespace {

LRESULT OnOptionsInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  auto* game = static_cast<ExactaGame*>(
      InitOptionsDialog(dialog, lParam, {IDC_EXACTA_HIGH_LEADS, IDC_EXACTA_LEFT_LEADS, IDC_EXACTA_ZERO_BID}));
  if (!game) return 0;
  SetChecked(dialog, game->highBidderLeads ? IDC_EXACTA_HIGH_LEADS : IDC_EXACTA_LEFT_LEADS, true);
  SetChecked(dialog, IDC_EXACTA_ZERO_BID, game->allowZeroBid);
  return 0;
}

LRESULT OnOptionsOk(HWND dialog, WPARAM, LPARAM) {
  auto* game = static_cast<ExactaGame*>(OptionsDialogGame(dialog));
  if (!game) return 0;
  game->highBidderLeads = IsChecked(dialog, IDC_EXACTA_HIGH_LEADS);
  game->allowZeroBid = IsChecked(dialog, IDC_EXACTA_ZERO_BID);
  AcceptOptionsDialog(dialog, game->OptionsFile());
  return 0;
}

}  // namespace

void ExactaGame::ShowOptions(HWND parent) {
  RunOptionsDialog(*this, parent, IDD_EXACTA_OPTIONS, &OptionsDialogProc<&OnOptionsInit, &OnOptionsOk>);
}

bool ExactaGame::HasOptions() { return true; }

void ExactaGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  ShowHandNumber();
  for (std::uint32_t s = 0; s < 4; ++s) seatList[s].Sort(sortMode);
  ResetTricks();
  trumpBidCard = nullptr;
  trumpCard = nullptr;
  TurnHumanCardsUp();
  if (allowZeroBid) {
    zeroCard.faceUp = true;
    zeroCard.selected = false;
    seatList[humanSeat % 4].AddCard(&zeroCard);
  }
  SetState(Bidding);
  SetCurrentSeat(current);
}

void ExactaGame::BiddingClick(LPARAM lParam) {
  Card* card = HumanCardClicked(lParam);
  if (!card) return;
  gameInProgress = true;
  SeatRecord& hand = seatList[humanSeat % 4];
  hand.bid.SetCard(*card);
  tableCards[humanSeat % 4] = card;
  card->selected = false;
  // The joker leaves the hand whichever card was bid.
  while (hand.RemoveCard(&zeroCard)) {
  }
  tricks.playedCount = (tricks.playedCount + 1) % 4;
  if (window) InvalidateRect(window, &trickRects[humanSeat % 4], FALSE);
  InvalidateTable();
}

void ExactaGame::EndBidding() {
  TrickGame::EndBidding();
  handOverCountdown = kHandHoldTicks;
  const std::uint32_t high = HighBidder();
  trumpBidCard = tableCards[high];
  const bool noTrump = !trumpBidCard || trumpBidCard == &zeroCard || BidRank(*trumpBidCard) == 0;
  if (noTrump)
    tricks.SetTrump(kSuitNone);
  else
    tricks.SetTrumpFromCard(*trumpBidCard);
  trumpCard = noTrump ? nullptr : trumpBidCard;
  for (std::uint32_t s = 0; s < 4; ++s) seatList[s].FindLongestSuit(tricks.trump);
  if (highBidderLeads) SetCurrentSeat(high);
}

void ExactaGame::EndBiddingHold() {
  for (std::uint32_t s = 0; s < 4; ++s) tableCards[s] = nullptr;
  TrickGame::EndBiddingHold();
}

void ExactaGame::ScoreHand() {
  for (std::uint32_t s = 0; s < 4; ++s) scores[s] += ExactaHandPoints(BidRank(seatList[s].bid.card), tricksWon[s]);
}

void ExactaGame::Paint(HDC hdc) {
  const std::int32_t state = GetState();
  if (state == Dealing) return;
  // The bid cards lie face down while the bidding goes round, and face up in the hold after it.
  Card* bidCards[4] = {};
  if (state == Bidding || state == HoldA)
    for (std::uint32_t s = 0; s < 4; ++s) std::swap(bidCards[s], tableCards[s]);
  TrickGame::Paint(hdc);
  for (std::uint32_t s = 0; s < 4; ++s) {
    if (!bidCards[s]) continue;
    if (cardImages) {
      if (state == Bidding || bidCards[s] == &zeroCard)
        bidCards[s]->DrawBack(*cardImages, hdc, trickRects[s].left, trickRects[s].top);
      else
        bidCards[s]->Draw(*cardImages, hdc, trickRects[s].left, trickRects[s].top, true);
    }
    tableCards[s] = bidCards[s];
  }
  std::vector<std::string> bids;
  for (std::uint32_t s = 0; s < 4; ++s)
    bids.push_back(state != Bidding && seatList[s].bid.kind != kNoBid ? std::to_string(BidRank(seatList[s].bid.card))
                                                                      : std::string());
  PaintBidPanel(*this, hdc, bids);
}

Card* ExactaGame::ChooseBidCard(std::uint32_t seat) {
  const SeatRecord& hand = seatList[seat % 4];
  std::int32_t s1 = kSuitNone, s2 = kSuitNone;
  std::uint32_t n1 = 0, n2 = 0;
  for (std::int32_t s = 0; s < 4; ++s) {
    const std::uint32_t n = hand.CountSuit(s);
    if (s1 == kSuitNone || n > n1) {
      s2 = s1;
      n2 = n1;
      s1 = s;
      n1 = n;
    } else if (s2 == kSuitNone || n > n2) {
      s2 = s;
      n2 = n;
    }
  }
  std::int32_t honours = 3, shape = 0;
  for (std::int32_t s = 0; s < 4; ++s) {
    honours += RateSuit(hand, tricks, s);
    shape += ShapePoints(hand.CountSuit(s));
  }
  Card* candidate[2] = {};
  std::int32_t gap[2] = {};
  const std::int32_t suits[2] = {s1, s2};
  for (int i = 0; i < 2; ++i) {
    const std::int32_t target = SuitTrickEstimate(hand, tricks, suits[i], shape) + honours / 4;
    for (Card* c : hand.cards) {
      if (c->suit != suits[i] || BidRank(*c) > target) continue;
      const std::int32_t d = target - BidRank(*c);
      if (!candidate[i] || d < gap[i]) {
        candidate[i] = c;
        gap[i] = d;
      }
    }
  }
  if (candidate[1] && (!candidate[0] || gap[1] < gap[0])) return candidate[1];
  if (candidate[0]) return candidate[0];
  if (allowZeroBid) return &zeroCard;
  PileIterator it(hand);
  Card* lowest = nullptr;
  for (Card* c = it.FirstFromRandom(*rng); c; c = it.Next())
    if (!lowest || BidRank(*c) < BidRank(*lowest)) lowest = c;
  return lowest;
}

void ExactaGame::ComputerBid(std::uint32_t seat) {
  Card* card = ChooseBidCard(seat);
  if (!card) return;
  tableCards[seat % 4] = card;
  seatList[seat % 4].bid.SetCard(*card);
  tricks.playedCount = (tricks.playedCount + 1) % 4;
  if (window) InvalidateRect(window, &trickRects[seat % 4], FALSE);
}

std::uint32_t ExactaGame::HighBidder() const {
  std::uint32_t high = (dealer + 1) % 4;
  for (std::uint32_t k = 2; k <= 4; ++k) {
    const std::uint32_t s = (dealer + k) % 4;
    if (BidRank(seatList[s].bid.card) > BidRank(seatList[high].bid.card)) high = s;
  }
  return high;
}

void ExactaGame::ExpectTricks(std::uint32_t seat) {
  const SeatRecord& hand = seatList[seat % 4];
  const std::int32_t trump = tricks.trump;
  std::int32_t honours = 0, shape = 0;
  for (std::int32_t s = 0; s < 4; ++s) {
    honours += RateSuit(hand, tricks, s);
    if (trump != kSuitNone && s != trump) shape += ShapePoints(hand.CountSuit(s));
  }
  expectedTricks[seat % 4] = honours / 4;
  if (trump != kSuitNone) expectedTricks[seat % 4] += SuitTrickEstimate(hand, tricks, trump, shape);
}

Card* ExactaGame::ChooseCard() {
  const std::uint32_t seat = current % 4;
  SeatRecord& hand = seatList[seat];
  ExpectTricks(seat);
  const std::int32_t b = BidRank(hand.bid.card), t = tricksWon[seat], e = expectedTricks[seat];
  const bool leading = tricks.playedCount == 0;
  if (b == 0) return leading ? tricks.ChooseLowCard(hand, *rng) : tricks.ChooseLosingCard(hand, *rng, true);
  if (leading) return t < b ? tricks.ChooseLead(hand, *rng) : tricks.ChooseLowCard(hand, *rng);
  if (e + 2 < b && t < b) {
    const std::uint32_t winner = static_cast<std::uint32_t>(tricks.winningSeat) % 4;
    if (tricksWon[winner] == 0 && BidRank(seatList[winner].bid.card) == 0 && tricks.CanLose(hand))
      return tricks.ChooseLosingCard(hand, *rng, false);
    if (tricks.CanWin(hand, false)) return tricks.ChooseWinningCard(hand, *rng, false);
    std::int32_t sum = 0;
    for (std::uint32_t s = 0; s < 4; ++s) sum += BidRank(seatList[s].bid.card);
    return tricks.ChooseLosingCard(hand, *rng, sum < 8);
  }
  if (t >= b) return tricks.ChooseLosingCard(hand, *rng, true);
  return tricks.CanWin(hand, false) ? tricks.ChooseWinningCard(hand, *rng, true)
                                    : tricks.ChooseLosingCard(hand, *rng, false);
}
