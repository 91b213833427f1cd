#include "Klabberjass.h"

#include "CardImages.h"
#include "GamePaint.h"
#include "GameResources.h"

namespace {

const char kTitle[] = "Klabberjass";
const std::int32_t kIdValue = 0x2001;
const std::uint32_t kNoMaker = 2;

}  // namespace

std::string KlabberjassName() { return kTitle; }

std::int32_t KlabberjassId() { return kIdValue; }

CardGame* CreateKlabberjassGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new KlabberjassGame(window, humanSeat, rng);
}

std::string KlabberjassBidText(std::int32_t value) {
  switch (value) {
    case 0: return "Clubs";
    case 1: return "Diamonds";
    case 2: return "Hearts";
    case kKlabPass: return "I Pass";
    case kKlabSchmeiss: return "Schmeiss";
    case kKlabTakeIt: return "I Take It";
    case kKlabAccept: return "Accept Schmeiss";
    case kKlabDeny: return "Deny Schmeiss";
    default: return "Spades";
  }
}

std::int32_t KlabberjassCardPoints(const Card& card, std::int32_t trumpSuit) {
  const bool trump = card.faceSuit == trumpSuit;
  switch (card.faceRank) {
    case 9: return trump ? 14 : 0;
    case 10: return 10;
    case 11: return trump ? 20 : 2;
    case 12: return 3;
    case 13: return 4;
    case kRankHighAce: return 11;
    default: return 0;
  }
}

KlabberjassGame::KlabberjassGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TrickGame(window, kTitle, IDT_KLABBERJASS_RULES, 2, 6, 12, humanSeat, rng), bidTexts(2) {
  showLeadLine = false;
  AddRanks(deck, {14, 10, 13, 12, 11, 9, 8, 7});
}

KlabberjassGame::~KlabberjassGame() = default;

ChoiceList KlabberjassGame::BidChoices(std::uint32_t cycle, bool answerSchmeiss) {
  ChoiceList list;
  list.caption = "Please Select Your Bid";
  if (cycle == 0 && answerSchmeiss) {
    list.Add("I Accept Schmeiss", kKlabAccept);
    list.Add("I Deny Schmeiss", kKlabDeny);
  } else if (cycle == 0) {
    list.Add("I Pass", kKlabPass);
    list.Add("I Take It", kKlabTakeIt);
    list.Add("Schmeiss", kKlabSchmeiss);
  } else {
    list.Add("I Pass", kKlabPass);
    for (std::int32_t s = 0; s < 4; ++s) list.Add("I Choose " + SuitName(s), s);
  }
  return list;
}

KlabberjassGame::Run KlabberjassGame::BestRun(const CardPile& hand, std::vector<Run>* ended) {
  bool held[15][4] = {};
  for (const Card* c : hand.cards)
    if (c->faceRank >= 0 && c->faceRank < 15 && c->faceSuit >= 0 && c->faceSuit < 4) held[c->faceRank][c->faceSuit] = true;
  Run best;
  auto end = [&](std::uint32_t length, std::uint32_t position, std::int32_t suit) {
    const Run run{length, position, suit};
    if (ended) ended->push_back(run);
    if (length > best.length || (length == best.length && (position == 15 || position > best.end))) best = run;
  };
  for (std::int32_t suit = 0; suit < 4; ++suit) {
    std::uint32_t length = 0;
    for (std::uint32_t position = 0; position < 15; ++position) {
      if (held[position][suit]) {
        ++length;
      } else {
        end(length, position, suit);
        length = 0;
      }
    }
    end(length, 15, suit);
  }
  return best;
}

bool KlabberjassGame::TrumpQuality(const CardPile& hand, std::int32_t suit) {
  std::int32_t weight = 0;
  std::uint32_t count = 0;
  for (const Card* c : hand.cards) {
    if (c->faceSuit != suit) continue;
    ++count;
    switch (c->faceRank) {
      case 9: weight += 4; break;
      case 10: weight += 2; break;
      case 11: weight += 5; break;
      case 13: weight += 1; break;
      case kRankHighAce: weight += 3; break;
      default: break;
    }
  }
  return weight > 6 || count > 3;
}

bool KlabberjassGame::IsLegalKlabberjass(const Card* card, const CardPile& hand) const {
  if (!card) return false;
  const Card* led = tricks.ledCard;
  if (tricks.playedCount == 0 || !led || hand.cards.size() == 1) return true;
  const bool holdsTrump = trumpSuit != kSuitNone && hand.CountSuit(trumpSuit) > 0;
  if (led->suit == trumpSuit) {
    if (!holdsTrump) return true;
    if (card->suit != trumpSuit) return false;
    if (card->rank > led->rank) return true;
    for (const Card* c : hand.cards)
      if (c->suit == trumpSuit && c->rank > led->rank) return false;
    return true;
  }
  if (hand.CountSuit(led->suit) > 0) return card->suit == led->suit;
  // Void in the suit led: a trump is due while the hand holds one.
  return !holdsTrump || card->suit == trumpSuit;
}

void KlabberjassGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  ShowHandNumber();
  bidTexts.assign(2, std::string());
  turnUp = deck.Draw();
  if (turnUp) turnUp->faceUp = true;
  maker = kNoMaker;
  shownCard = nullptr;
  biddingCycle = 0;
  trumpSuit = kSuitNone;
  trickPoints = 0;
  ResetTricks();
  for (std::uint32_t s = 0; s < 2; ++s) {
    seatList[s].Sort(sortMode);
    handPoints[s] = 0;
    bellaCount[s] = 0;
    runLength[s] = 0;
    runTop[s] = 2;
    runSuit[s] = kSuitNone;
    EvaluateHand(s, false);
  }
  TurnHumanCardsUp();
  SetState(Bidding);
  SetCurrentSeat(current);
}

void KlabberjassGame::SetCurrentSeat(std::uint32_t seat) {
  CardGame::SetCurrentSeat(seat);
  const std::string who = current == humanSeat ? "your" : seatList[current % 2].name + "'s";
  const std::int32_t state = GetState();
  if (state == Bidding)
    statusLines[1] = "It is " + who + " turn to bid.";
  else if (state == Playing)
    statusLines[3] = "It is " + who + (tricks.ledCard ? " turn to play a card." : " turn to lead a card.");
  InvalidateStatus();
}

void KlabberjassGame::EvaluateHand(std::uint32_t seat, bool announce) {
  seat %= 2;
  const SeatRecord& hand = seatList[seat];
  if (seat == ComputerSeat())
    for (std::int32_t s = 0; s < 4; ++s) {
      suitStrength[s] = 0;
      for (const Card* c : hand.cards) suitStrength[s] += KlabberjassCardPoints(*c, s);
    }
  std::vector<Run> ended;
  const Run best = BestRun(hand, &ended);
  if (announce)
    for (const Run& run : ended) {
      if (run.length < 3) continue;
      handPoints[seat] += run.length == 3 ? 20 : 50;
      std::int32_t top = static_cast<std::int32_t>(run.end);
      PreviousRank(top);
      ShowInfo(kTitle, hand.name + " has " + std::to_string(run.length) + " cards to the " + RankName(top) + " in " +
                           SuitName(run.suit));
    }
  runLength[seat] = best.length;
  runTop[seat] = best.end;
  runSuit[seat] = best.suit;
}

std::int32_t KlabberjassGame::RunBonus(std::uint32_t seat) const {
  const std::uint32_t length = runLength[seat % 2];
  return length == 3 ? 10 : length > 3 ? 25 : 0;
}

void KlabberjassGame::SetBid(std::uint32_t seat, std::int32_t value, const std::string& text) {
  seatList[seat % 2].bid.SetValue(value);
  bidTexts[seat % 2] = text;
  InvalidateTable();
}

void KlabberjassGame::ClearBidOf(std::uint32_t seat) {
  seatList[seat % 2].ClearBid();
  bidTexts[seat % 2].clear();
}

void KlabberjassGame::AskHumanBid() {
  const std::uint32_t other = ComputerSeat();
  const SeatBid& theirs = seatList[other].bid;
  ChoiceList list = BidChoices(biddingCycle, theirs.kind != kNoBid && theirs.value == kKlabSchmeiss);
  list.owner = window;
  const std::int32_t answer = AskChoice(*this, IDD_KLABBERJASS_BID, list);
  bool offered = false;
  for (std::int32_t v : list.values) offered = offered || v == answer;
  const std::int32_t value = offered ? answer : list.values.front();
  const std::uint32_t seat = humanSeat % 2;
  SetBid(seat, value, KlabberjassBidText(value));
  statusLines[1].clear();
  if (biddingCycle == 0 && value == kKlabTakeIt && turnUp)
    MakeTrump(turnUp->faceSuit, seat);
  else if (biddingCycle == 0 && value == kKlabSchmeiss)
    ClearBidOf(other);
  else if (biddingCycle == 1 && value >= 0 && value < 4)
    MakeTrump(value, seat);
}

void KlabberjassGame::ComputerBid(std::uint32_t seat) {
  seat %= 2;
  const SeatBid& theirs = seatList[(seat + 1) % 2].bid;
  if (biddingCycle == 0 && theirs.kind != kNoBid && theirs.value == kKlabSchmeiss) {
    const std::int32_t t = (turnUp ? suitStrength[turnUp->faceSuit] : 0) + RunBonus(seat);
    const std::int32_t value = t < 35 ? kKlabAccept : kKlabDeny;
    SetBid(seat, value, KlabberjassBidText(value));
    EndBidding();
  } else if (biddingCycle < 2) {
    ComputerChoose(seat);
  }
}

void KlabberjassGame::ComputerChoose(std::uint32_t seat) {
  std::int32_t best = 0;
  for (std::int32_t s = 1; s < 4; ++s)
    if (suitStrength[s] > suitStrength[best]) best = s;
  std::int32_t bonus = RunBonus(seat);
  for (std::int32_t s = 0; s < 4; ++s)
    if (s != best) bonus += suitStrength[s] / 2;
  const SeatRecord& hand = seatList[seat];
  if (biddingCycle == 0) {
    const std::int32_t upSuit = turnUp ? turnUp->faceSuit : 0;
    const std::int32_t strength = suitStrength[upSuit] + bonus;
    if (strength > 34 && strength > 45 && TrumpQuality(hand, upSuit)) {
      SetBid(seat, kKlabTakeIt, "I Take It");
      MakeTrump(upSuit, seat);
    } else if (strength > 34) {
      const std::int32_t bound = bonus - suitStrength[upSuit] + 45;
      if (rng->Next(bound > 1 ? static_cast<std::uint32_t>(bound) : 1u) == 0) {
        SetBid(seat, kKlabSchmeiss, KlabberjassBidText(kKlabSchmeiss));
        ClearBidOf((seat + 1) % 2);
      } else {
        SetBid(seat, kKlabPass, KlabberjassBidText(kKlabPass));
      }
    } else {
      SetBid(seat, kKlabPass, KlabberjassBidText(kKlabPass));
    }
  } else if (bonus + suitStrength[best] > 45 && TrumpQuality(hand, best)) {
    SetBid(seat, best, "I Choose " + SuitName(best));
    MakeTrump(best, seat);
  } else {
    SetBid(seat, kKlabPass, KlabberjassBidText(kKlabPass));
  }
}

void KlabberjassGame::MakeTrump(std::int32_t suit, std::uint32_t seat) {
  SetState(HoldA);
  maker = seat % 2;
  trumpSuit = suit;
  tricks.SetTrump(suit);
  statusLines[1] = "Maker: " + seatList[maker].name;
  statusLines[2] = "Trump: " + SuitName(suit);
  for (std::uint32_t s = 0; s < 2; ++s) {
    SeatRecord& hand = seatList[s];
    for (int i = 0; i < 3; ++i)
      if (Card* card = deck.Draw()) {
        card->faceUp = true;
        hand.AddCard(card);
      }
    hand.Sort(sortMode);
    hand.FindLongestSuit(suit);
  }
  shownCard = deck.Draw();
  if (shownCard) shownCard->faceUp = true;
  biddingCycle = 2;
  tricks.NewTrick();
  handOverCountdown = kTrickHoldTicks;
  InvalidateTable();
  InvalidateStatus();
}

void KlabberjassGame::EndBidding() {
  SetState(HoldA);
  if (maker == kNoMaker && biddingCycle == 0) {
    std::int32_t schmeiss = -1;
    bool accepted = false;
    for (std::uint32_t s = 0; s < 2; ++s) {
      const SeatBid& bid = seatList[s].bid;
      if (bid.kind == kNoBid) continue;
      if (bid.value == kKlabSchmeiss) schmeiss = static_cast<std::int32_t>(s);
      if (bid.value == kKlabAccept) accepted = true;
    }
    if (schmeiss < 0)
      biddingCycle = 1;
    else if (accepted || !turnUp)
      biddingCycle = 2;  // thrown in
    else
      MakeTrump(turnUp->faceSuit, static_cast<std::uint32_t>(schmeiss));
  } else if (maker == kNoMaker && biddingCycle == 1) {
    statusLines[1] = "This hand is passed out.";
    biddingCycle = 2;
  }
  tricks.NewTrick();
  handOverCountdown = kTrickHoldTicks;
  InvalidateTable();
  InvalidateStatus();
}

void KlabberjassGame::EndBiddingHold() {
  bidTexts.assign(2, std::string());
  if (biddingCycle < 2) {
    SetState(Bidding);
    for (SeatRecord& seat : seatList) seat.ClearBid();
    SetCurrentSeat((dealer + 1) % 2);
    return;
  }
  if (maker == kNoMaker) {
    FinishHand();
    return;
  }
  if (seatList[maker].bid.kind != kNoBid && seatList[maker].bid.value == kKlabTakeIt) ExchangeDix();
  CompareRuns();
  SetState(Playing);
  tricks.SetTrump(trumpSuit);
  SetTrumpOrder();
  for (SeatRecord& seat : seatList) {
    seat.Sort(sortMode);
    seat.FindLongestSuit(trumpSuit);
  }
  SetCurrentSeat((dealer + 1) % 2);
  InvalidateTable();
}

// The seven of trump may be swapped for the turn-up, which then takes the seven's place.
void KlabberjassGame::ExchangeDix() {
  if (!turnUp) return;
  for (std::uint32_t s = 0; s < 2; ++s) {
    SeatRecord& hand = seatList[s];
    Card* dix = nullptr;
    for (Card* c : hand.cards)
      if (c->faceRank == 7 && c->faceSuit == trumpSuit) dix = c;
    if (!dix) continue;
    bool swap = true;
    if (s == humanSeat)
      swap = AskYesNo(kTitle, "Do you want to exchange the dix?");
    else
      ShowInfo(kTitle, hand.name + " exchanges the dix");
    if (swap) {
      hand.RemoveCard(dix);
      turnUp->faceUp = s == humanSeat;
      hand.AddCard(turnUp);
      dix->faceUp = true;
      turnUp = dix;
    }
    return;
  }
}

void KlabberjassGame::SetTrumpOrder() {
  deck.SetTenBelowAce();
  const std::int32_t t = trumpSuit;
  const std::int32_t trumpOrder[][2] = {{11, 14}, {9, 13}, {kRankHighAce, 12}, {10, 11}, {13, 10}, {12, 9}};
  for (const auto& r : trumpOrder) deck.SetCardValue(r[0], t, r[1], t);
  tricks.RebuildUnplayed(deck);
}

std::uint32_t KlabberjassGame::CompareRuns() {
  EvaluateHand(0, false);
  EvaluateHand(1, false);
  std::uint32_t winner;
  if (runLength[0] != runLength[1])
    winner = runLength[0] > runLength[1] ? 0 : 1;
  else if (runTop[0] != runTop[1])
    winner = runTop[0] > runTop[1] ? 0 : 1;
  else if ((runSuit[0] == trumpSuit) != (runSuit[1] == trumpSuit))
    winner = runSuit[0] == trumpSuit ? 0 : 1;
  else
    winner = (dealer + 1) % 2;
  EvaluateHand(winner, true);
  return winner;
}

void KlabberjassGame::OnLButtonDown(LPARAM lParam) {
  if (GetState() != Playing) {
    TrickGame::OnLButtonDown(lParam);
    return;
  }
  if (Card* card = HumanCardClicked(lParam)) {
    if (IsLegalKlabberjass(card, seatList[humanSeat % 2])) {
      gameInProgress = true;
      PlayCard(humanSeat, card);
    } else {
      ShowInfo(kTitle, "That card is not allowed at this time.");
    }
  }
}

void KlabberjassGame::PlayCard(std::uint32_t seat, Card* card) {
  if (!card || seat >= 2) return;
  TrickGame::PlayCard(seat, card);
  trickPoints += KlabberjassCardPoints(*card, trumpSuit);
  if (card->faceSuit == trumpSuit && (card->faceRank == 12 || card->faceRank == 13) && ++bellaCount[seat] == 2) {
    if (window) UpdateWindow(window);
    ShowInfo(kTitle, seatList[seat].name + " scored BELLA");
    handPoints[seat] += 20;
  }
}

Card* KlabberjassGame::ChooseCard() {
  SeatRecord& hand = seatList[current % 2];
  if (tricks.playedCount == 0 || !tricks.ledCard) return tricks.ChooseLead(hand, *rng);
  Card* choice = nullptr;
  std::int32_t worth = 0;
  for (Card* c : hand.cards) {
    if (!IsLegalKlabberjass(c, hand)) continue;
    const std::int32_t points = KlabberjassCardPoints(*c, trumpSuit);
    bool better;
    if (!choice) {
      better = true;
    } else if (tricks.Outranks(c, choice) && c->suit != trumpSuit) {
      better = trickPoints > 2 ? points > worth : points < worth;
    } else {
      better = points < worth;
    }
    if (better) {
      choice = c;
      worth = points;
    }
  }
  return choice;
}

void KlabberjassGame::TrickOver() {
  statusLines[3] = "This trick is over.";
  SetState(HoldB);
  handOverCountdown = kTrickHoldTicks;
  const std::int32_t winner = tricks.winningSeat;
  if (winner >= 0 && winner < 2) {
    ++tricksWon[winner];
    handPoints[winner] += trickPoints;
    if (seatList[humanSeat % 2].cards.empty()) handPoints[winner] += 10;
  }
  trickPoints = 0;
  InvalidateStatus();
}

void KlabberjassGame::GatherTrick() {
  const std::int32_t winner = tricks.winningSeat;
  ClearTrickCards();
  if (!seatList[humanSeat % 2].cards.empty()) {
    StartNextTrick(winner);
    return;
  }
  handOverCountdown = kHandHoldTicks;
  statusLines[3].clear();
  statusLines[2].clear();
  statusLines[0] = "This hand is over.";
  SetState(HandOver);
  ScoreHandPoints();
}

void KlabberjassGame::ScoreHandPoints() {
  if (maker >= 2) return;
  const std::uint32_t m = maker, o = (maker + 1) % 2;
  if (handPoints[m] > handPoints[o]) {
    scores[m] += handPoints[m];
    scores[o] += handPoints[o];
  } else if (handPoints[m] == handPoints[o]) {
    scores[o] += handPoints[o];
  } else {
    scores[o] += handPoints[m] + handPoints[o];
    InvalidateStatus();
    if (window) UpdateWindow(window);
    ShowInfo(kTitle, seatList[m].name + " is 'bete'.");
  }
}

std::string KlabberjassGame::SeatLabel(std::uint32_t seat) {
  const std::string& bid = bidTexts[seat % 2];
  return bid.empty() ? seatList[seat % 2].name : seatList[seat % 2].name + " - " + bid;
}

void KlabberjassGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  TrickGame::Paint(hdc);
  if (cardImages) {
    if (shownCard) shownCard->Draw(*cardImages, hdc, trumpCardRect.left, trumpCardRect.top, true);
    if (turnUp) turnUp->Draw(*cardImages, hdc, trumpCardRect.left, trumpCardRect.top, true);
  }
  PaintTableLabel(*this, hdc, "Turn-Up", trumpLabelRect);
  const RECT& r = statusRect;
  std::vector<PanelRow> rows;
  for (std::uint32_t s = 0; s < 2; ++s) rows.push_back({seatList[s].name, {std::to_string(handPoints[s]), bidTexts[s]}});
  DrawGameStatusPanel(*this, hdc, "PLAYER",
                      {{"POINTS", r.left + 75, r.left + 108, 0x21}, {"BID", r.left + 108, r.right - 5, 0x21, "I Pass", true}},
                      rows);
}
