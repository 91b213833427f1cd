#include "OhHell.h"

#include "GamePaint.h"
#include "GameResources.h"
#include "Window.h"

std::int32_t OhHellHandPoints(std::int32_t bid, std::int32_t won, std::uint32_t cardsPerHand) {
  if (bid != won) return 0;
  return bid == 0 ? static_cast<std::int32_t>(cardsPerHand) + 5 : 10 + won;
}

std::int32_t BidAvoidingTotal(std::int32_t bid, std::int32_t sumOfBids, std::int32_t total) {
  if (sumOfBids + bid != total) return bid;
  return bid > 0 ? bid - 1 : bid + 1;
}

ChoiceList OhHellBidChoices(std::uint32_t cardsPerHand, bool allowTotalEqual, std::uint32_t bidsMade,
                            std::int32_t sumOfBids) {
  std::int32_t forbidden = -1;
  if (!allowTotalEqual && bidsMade == 3) forbidden = static_cast<std::int32_t>(cardsPerHand) - sumOfBids;
  ChoiceList list;
  list.caption = "Please Select Your Bid";
  for (std::int32_t n = 0; n <= static_cast<std::int32_t>(cardsPerHand); ++n)
    if (n != forbidden) list.Add(std::to_string(n), n);
  return list;
}

bool CanBidZero(const CardPile& hand, std::int32_t trumpSuit, std::uint32_t handsPlayed) {
  std::uint32_t trumps = 0, veryHigh = 0;
  bool highTrump = false;
  std::int32_t low[4] = {}, middle[4] = {}, high[4] = {};
  for (const Card* c : hand.cards) {
    if (c->suit == trumpSuit) {
      ++trumps;
      if (c->rank > 10) highTrump = true;
    }
    if (c->rank > 12) ++veryHigh;
    if (c->suit < 0 || c->suit > 3) continue;
    if (c->rank < 6)
      ++low[c->suit];
    else if (c->rank <= 10)
      ++middle[c->suit];
    else
      ++high[c->suit];
  }
  if (trumpSuit != kSuitNone && (trumps > (handsPlayed + 1) / 4 || highTrump)) return false;
  if (veryHigh > 3) return false;
  int doubtful = 0;
  for (int s = 0; s < 4; ++s) {
    const std::int32_t l = low[s], m = middle[s], h = high[s];
    if (l + m + h == 0) continue;  // a void suit is no danger
    if (h > 0 && l + m == 0) return false;
    if (l > 2 || l > h || (l > 0 && l + m > 2) || (h == 0 && l + m > 1)) continue;
    if (l + m <= 1) return false;
    if (++doubtful > 1) return false;
  }
  return true;
}

namespace {

const char kTitle[] = "Oh Hell";
const std::int32_t kIdValue = 0x8001;

}  // namespace

std::string OhHellName() { return kTitle; }

std::int32_t OhHellId() { return kIdValue; }

CardGame* CreateOhHellGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new OhHellGame(window, humanSeat, rng);
}

OhHellGame::OhHellGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TrickGame(window, kTitle, IDT_OHHELL_RULES, 4, 1, 13, humanSeat, rng) {
  OptionsFile().Load();
  AddRankRun(deck, kRankHighAce, 2);
}

OhHellGame::~OhHellGame() = default;

GameOptionsFile OhHellGame::OptionsFile() {
  return GameOptionsFile(window, kTitle, kIdValue).Bool(allowTotalEqual).Bool(leaderIsHighBidder);
}

namespace {

LRESULT OnOptionsInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  auto* game = static_cast<OhHellGame*>(InitOptionsDialog(
      dialog, lParam, {IDC_OHHELL_TOTAL_UNEQUAL, IDC_OHHELL_TOTAL_ANY, IDC_OHHELL_HIGH_LEADS, IDC_OHHELL_LEFT_LEADS}));
  if (!game) return 0;
  SetChecked(dialog, game->allowTotalEqual ? IDC_OHHELL_TOTAL_ANY : IDC_OHHELL_TOTAL_UNEQUAL, true);
  SetChecked(dialog, game->leaderIsHighBidder ? IDC_OHHELL_HIGH_LEADS : IDC_OHHELL_LEFT_LEADS, true);
  return 0;
}

LRESULT OnOptionsOk(HWND dialog, WPARAM, LPARAM) {
  auto* game = static_cast<OhHellGame*>(OptionsDialogGame(dialog));
  if (!game) return 0;
  game->allowTotalEqual = IsChecked(dialog, IDC_OHHELL_TOTAL_ANY);
  game->leaderIsHighBidder = IsChecked(dialog, IDC_OHHELL_HIGH_LEADS);
  AcceptOptionsDialog(dialog, game->OptionsFile());
  return 0;
}

}  // namespace

void OhHellGame::ShowOptions(HWND parent) {
  RunOptionsDialog(*this, parent, IDD_OHHELL_OPTIONS, &OptionsDialogProc<&OnOptionsInit, &OnOptionsOk>);
}

bool OhHellGame::HasOptions() { return true; }

void OhHellGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  if (newGame) cardsPerHand = 1;
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  ShowHandNumber();
  // The last hand deals the whole pack and has no trump.
  TurnUpTrump(cardsPerHand < 13 ? deck.Draw() : nullptr);
  for (std::uint32_t s = 0; s < 4; ++s) seatList[s].FindLongestSuit(tricks.trump);
  ResetTricks();
  TurnHumanCardsUp();
  SetState(Bidding);
  SetCurrentSeat(current);
}

void OhHellGame::AskHumanBid() {
  ChoiceList list = OhHellBidChoices(cardsPerHand, allowTotalEqual, tricks.playedCount, SumOfBids());
  const std::int32_t bid = AskChoice(*this, IDD_OHHELL_BID, list);
  seatList[humanSeat % 4].bid.SetValue(bid);
  tricks.playedCount = (tricks.playedCount + 1) % 4;
  InvalidateTable();
}

void OhHellGame::EndBidding() {
  TrickGame::EndBidding();
  if (leaderIsHighBidder)
    for (std::uint32_t i = 0; i < 4; ++i) {
      const std::uint32_t s = (dealer + 1 + i) % 4;
      if (seatList[s].bid.value > seatList[current % 4].bid.value) SetCurrentSeat(s);
    }
}

void OhHellGame::ScoreHand() {
  for (std::uint32_t s = 0; s < 4; ++s) scores[s] += OhHellHandPoints(seatList[s].bid.value, tricksWon[s], cardsPerHand);
}

std::string OhHellGame::SeatLabel(std::uint32_t seat) {
  const SeatRecord& s = seatList[seat % 4];
  const std::int32_t state = GetState();
  if ((state == Bidding || state == HoldA) && s.bid.kind != kNoBid) return s.name + " - " + std::to_string(s.bid.value);
  return s.name;
}

void PaintBidPanel(TrickGame& game, HDC hdc, const std::vector<std::string>& bids, const std::string& widestBid) {
  const RECT& r = game.statusRect;
  std::vector<PanelRow> rows;
  for (std::uint32_t s = 0; s < game.seats && s < 4; ++s)
    rows.push_back({game.seatList[s].name, {s < bids.size() ? bids[s] : std::string(), std::to_string(game.tricksWon[s])}});
  DrawGameStatusPanel(game, hdc, "PLAYER",
                      {{"BID", r.left + 75, r.left + 105, 0x21, widestBid}, {"TRICKS", r.left + 105, r.right - 5, 0x21}},
                      rows);
}

void OhHellGame::Paint(HDC hdc) {
  TrickGame::Paint(hdc);
  std::vector<std::string> bids;
  for (std::uint32_t s = 0; s < 4; ++s)
    bids.push_back(seatList[s].bid.kind != kNoBid ? std::to_string(seatList[s].bid.value) : std::string());
  PaintBidPanel(*this, hdc, bids);
}

void OhHellGame::EndHand() {
  ++cardsPerHand;
  CardGame::EndHand();
}

std::int32_t OhHellGame::SumOfBids() const {
  std::int32_t sum = 0;
  for (std::uint32_t s = 0; s < 4; ++s)
    if (seatList[s].bid.kind != kNoBid) sum += seatList[s].bid.value;
  return sum;
}

void OhHellGame::ComputerBid(std::uint32_t seat) {
  std::int32_t bid = EstimateBid(seat);
  if (tricks.playedCount == 3 && !allowTotalEqual)
    bid = BidAvoidingTotal(bid, SumOfBids(), static_cast<std::int32_t>(cardsPerHand));
  seatList[seat % 4].bid.SetValue(bid);
  tricks.playedCount = (tricks.playedCount + 1) % 4;
  InvalidateTable();
}

std::int32_t OhHellGame::EstimateBid(std::uint32_t seat) {
  const SeatRecord& hand = seatList[seat % 4];
  const std::int32_t trump = tricks.trump;
  if (CanBidZero(hand, trump, handsPlayed)) return tricks.playedCount == 3 && SumOfBids() == 0 ? 1 : 0;
  std::int32_t est = trump != kSuitNone ? TrumpTricks(seat) : LongSuitTricks(seat);
  const std::int32_t skip = trump != kSuitNone ? trump : hand.longestSuit;
  for (std::int32_t s = 0; s < 4; ++s)
    if (s != skip) est += SideSuitTricks(seat, s);
  const std::int32_t cards = static_cast<std::int32_t>(cardsPerHand);
  return est > cards ? cards : est;
}

std::int32_t OhHellGame::LongSuitTricks(std::uint32_t seat) {
  const SeatRecord& hand = seatList[seat % 4];
  const std::int32_t longest = hand.longestSuit;
  const std::int32_t n = longest >= 0 && longest < 4 ? static_cast<std::int32_t>(hand.CountSuit(longest)) : 0;
  std::int32_t base = n > 7 ? 2 : n > 4 ? 3 : 4;
  std::int32_t stoppers = 0;
  PileIterator it(hand);
  for (Card* c = it.FirstFromRandom(*rng); c; c = it.Next()) {
    if (c->suit == longest) {
      if (c->rank >= 13 || (c->rank == 12 && n < 8)) --base;
      continue;
    }
    const std::uint32_t length = hand.CountSuit(c->suit);
    if ((c->rank == 11 && length > 3) || (c->rank == 12 && length > 2) || (c->rank == 13 && length > 1) ||
        c->rank == kRankHighAce)
      ++stoppers;
  }
  if (stoppers < base) return 0;
  const std::int32_t r = n - base;
  if (base > 0)
    for (std::uint32_t s = 0; s < 4; ++s)
      if (seatList[s].bid.kind != kNoBid && seatList[s].bid.value > r) return 0;
  return r;
}

std::int32_t OhHellGame::TrumpTricks(std::uint32_t seat) {
  SeatRecord& hand = seatList[seat % 4];
  hand.longInSuit = false;
  const std::int32_t trump = tricks.trump;
  const std::int32_t t = static_cast<std::int32_t>(hand.CountSuit(trump));
  if (t == 0) return 0;
  const std::uint32_t hp = handsPlayed;
  std::int32_t need = 0;
  switch (hp) {
    case 0: case 1: need = 1; break;
    case 2: case 3: need = t > 1 ? 1 : 0; break;
    case 4: case 5: need = t > 2 ? 1 : t == 2 ? 2 : 0; break;
    case 6: case 7: need = t > 2 ? 2 : 0; break;
    case 8: need = t > 3 ? 2 : 0; break;
    case 9: need = t > 4 ? 2 : t == 4 ? 3 : 0; break;
    case 10: need = t > 5 ? 2 : t >= 4 ? 3 : 0; break;
    case 11: need = t > 6 ? 2 : t >= 4 ? 3 : 0; break;
    case 12: need = t > 7 ? 2 : t >= 5 ? 3 : 0; break;
    default: need = 0; break;
  }
  const std::int32_t bar = hp == 0 ? 8 : hp == 1 ? 10 : hp == 2 ? 11 : hp == 3 ? 12 : 14;
  std::int32_t count = 0;
  for (const Card* c : hand.cards)
    if (c->suit == trump && (bar - c->rank < 2 || (bar - c->rank == 2 && need == 3))) ++count;
  if (need > 0) {
    if (need <= count) {
      count = need;
      hand.longInSuit = true;
    }
    return count - need + t;
  }
  std::int32_t extra = 0;
  for (std::int32_t s = 0; s < 4; ++s) {
    if (s == trump) continue;
    const std::uint32_t n = hand.CountSuit(s);
    if (n == 0 && hp > 8)
      extra = 2;
    else if (n == 0 && hp > 2)
      extra = 1;
    else if (n == 1 && hp > 5)
      extra = 1;
  }
  return count + extra < t ? count + extra : t;
}

std::int32_t OhHellGame::SideSuitTricks(std::uint32_t seat, std::int32_t suit) {
  const SeatRecord& hand = seatList[seat % 4];
  const std::int32_t n = static_cast<std::int32_t>(hand.CountSuit(suit));
  if (n == 0) return 0;
  const std::uint32_t c = cardsPerHand, hp = handsPlayed;
  std::int32_t need = 0;
  if (c == 1 || c == 2) need = 1;
  else if (c == 3) need = n > 1 ? 1 : 0;
  else if (c <= 8) need = n > 2 ? 2 : 0;
  else if (c == 9) need = n > 3 ? 2 : 0;
  else if (c == 10) need = n > 4 ? 2 : n == 4 ? 3 : 0;
  else if (c == 11) need = n > 5 ? 2 : n >= 4 ? 3 : 0;
  else if (c == 12) need = n > 6 ? 2 : n >= 4 ? 3 : 0;
  else if (c == 13) need = n > 7 ? 2 : n >= 5 ? 3 : 0;
  if (hand.longInSuit && need > 0) {
    PileIterator it(hand);
    for (Card* card = it.FirstFromRandom(*rng); card; card = it.Next()) {
      if (card->suit != suit || need == 0) continue;
      if (card->rank >= 13 || (card->rank == 12 && n < 8)) --need;
    }
    return n - need;
  }
  std::int32_t count = 0;
  for (const Card* card : hand.cards) {
    if (card->suit != suit) continue;
    if (card->rank == kRankHighAce) {
      if (hp > 2 || (SumOfBids() < static_cast<std::int32_t>(c) && rng->Next(4) == 0)) ++count;
    } else if (card->rank == 13) {
      if ((n == 2 && hp > 4) || (n == 3 && hp > 7) || (n == 4 && hp > 9) || (n == 5 && hp > 10) ||
          (n != 2 && n != 3 && n != 4 && n != 5 && hp == 12))
        ++count;
    } else if (card->rank == 12 && n > 2 && hp == 12) {
      ++count;
    }
  }
  return count;
}

Card* OhHellGame::ChooseCard() {
  SeatRecord& hand = seatList[current % 4];
  const std::int32_t bid = hand.bid.value, won = tricksWon[current % 4];
  const bool leading = tricks.playedCount == 0;
  if (won == bid) return leading ? tricks.ChooseLowCard(hand, *rng) : tricks.ChooseLosingCard(hand, *rng, true);
  if (leading) return tricks.ChooseLead(hand, *rng);
  const std::uint32_t winner = static_cast<std::uint32_t>(tricks.winningSeat) % 4;
  if (tricks.playedCount == 3 && tricksWon[winner] == seatList[winner].bid.value)
    return tricks.ChooseLosingCard(hand, *rng, false);
  if (bid < won) return tricks.ChooseLosingCard(hand, *rng, true);
  const bool dumpHigh = bid <= won + 2;
  if (seatList[winner].bid.value == 0 && tricksWon[winner] == 0 && tricks.CanLose(hand))
    return tricks.ChooseLosingCard(hand, *rng, dumpHigh);
  return tricks.CanWin(hand, false) ? tricks.ChooseWinningCard(hand, *rng, dumpHigh)
                                    : tricks.ChooseLosingCard(hand, *rng, dumpHigh);
}
