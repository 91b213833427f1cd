#include "Euchre.h"

#include "CardImages.h"
#include "GamePaint.h"
#include "GameResources.h"
#include "Window.h"

namespace {

const char kTitle[] = "Euchre";
const std::int32_t kIdValue = 0x101;

// Trump weights for the bid and for playing alone, by printed rank.
std::int32_t CallTrumpWeight(std::int32_t rank) {
  switch (rank) {
    case 7: case 8: return 1;
    case 9: return 2;
    case 10: return 4;
    case 12: return 8;
    case 13: return 16;
    case kRankHighAce: return 33;
    default: return 0;
  }
}

std::int32_t HighCardWeight(std::int32_t rank) {
  switch (rank) {
    case kRankHighAce: return 100;
    case 13: return 66;
    case 12: return 33;
    case 11: return 16;
    default: return 0;
  }
}

LRESULT OnBidInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  auto* record = reinterpret_cast<ChoiceListWithCheck*>(lParam);
  SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
  if (!record) return 0;
  if (!record->allowCheck) ShowWindow(GetDlgItem(dialog, IDC_EUCHRE_CHECK), SW_HIDE);
  FillChoiceDialog(dialog, GetDlgItem(dialog, IDC_EUCHRE_LIST), record->list);
  return 0;
}

LRESULT OnBidOk(HWND dialog, WPARAM, LPARAM) {
  auto* record = reinterpret_cast<ChoiceListWithCheck*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
  if (record) record->ticked = IsChecked(dialog, IDC_EUCHRE_CHECK) ? 1 : 0;
  EndDialog(dialog, ChosenValue(GetDlgItem(dialog, IDC_EUCHRE_LIST)));
  return 0;
}

const DLGPROC BidProc = &InitOkDialogProc<&OnBidInit, &OnBidOk>;

LRESULT OnOptionsInit(HWND dialog, UINT, WPARAM, LPARAM lParam) {
  auto* game = static_cast<EuchreGame*>(InitOptionsDialog(dialog, lParam, {IDC_EUCHRE_DEFEND_ALONE, IDC_EUCHRE_GO_ALONE}));
  if (!game) return 0;
  SetChecked(dialog, IDC_EUCHRE_DEFEND_ALONE, game->optionDefendAlone);
  SetChecked(dialog, IDC_EUCHRE_GO_ALONE, game->optionGoAlone);
  return 0;
}

LRESULT OnOptionsOk(HWND dialog, WPARAM, LPARAM) {
  auto* game = static_cast<EuchreGame*>(OptionsDialogGame(dialog));
  if (!game) return 0;
  game->optionDefendAlone = IsChecked(dialog, IDC_EUCHRE_DEFEND_ALONE);
  game->optionGoAlone = IsChecked(dialog, IDC_EUCHRE_GO_ALONE);
  AcceptOptionsDialog(dialog, game->OptionsFile());
  return 0;
}

}  // namespace

std::string EuchreName() { return kTitle; }

std::int32_t EuchreId() { return kIdValue; }

CardGame* CreateEuchreGame(RandomSource& rng, std::uint32_t humanSeat, HWND window) {
  return new EuchreGame(window, humanSeat, rng);
}

std::int32_t SameColourSuit(std::int32_t suit) { return suit >= 0 && suit < 4 ? 3 - suit : kSuitNone; }

EuchreHandScore ScoreEuchreHand(std::uint32_t makerTricks, bool makerAlone, bool defenderAlone) {
  if (makerTricks < 3) return {0, defenderAlone ? 4 : 2};
  if (makerTricks < 5) return {1, 0};
  return {makerAlone ? 4 : 2, 0};
}

EuchreGame::EuchreGame(HWND window, std::uint32_t humanSeat, RandomSource& rng)
    : TrickGame(window, kTitle, IDT_EUCHRE_RULES, 4, 5, 16, humanSeat, rng), bidTexts(4) {
  showLeadLine = false;
  OptionsFile().Load();
  AddRankRun(deck, kRankHighAce, 7);
}

EuchreGame::~EuchreGame() = default;

GameOptionsFile EuchreGame::OptionsFile() {
  return GameOptionsFile(window, kTitle, kIdValue).Bool(optionDefendAlone).Bool(optionGoAlone);
}

bool EuchreGame::HasOptions() { return true; }

void EuchreGame::ShowOptions(HWND parent) {
  RunOptionsDialog(*this, parent, IDD_EUCHRE_OPTIONS, &OptionsDialogProc<&OnOptionsInit, &OnOptionsOk>);
}

void EuchreGame::StartDeal(bool newGame, bool randomDealer, bool sortHands) {
  CardGame::StartDeal(newGame, randomDealer, sortHands);
  ShowHandNumber();
  makerAlone = false;
  turnUp = deck.Draw();
  if (turnUp) turnUp->faceUp = true;
  discard = nullptr;
  biddingPhase = 2;
  trumpSuit = kSuitNone;
  maker = loneDefender = kNone;
  bidTexts.assign(4, std::string());
  for (std::uint32_t s = 0; s < 4; ++s) {
    seatList[s].Sort(sortMode);
    seatList[s].ClearBid();
    teamTricks[s] = 0;
  }
  ResetTricks();
  TurnHumanCardsUp();
  SetState(Bidding);
  SetCurrentSeat(current);
}

void EuchreGame::SetCurrentSeat(std::uint32_t seat) {
  CardGame::SetCurrentSeat(seat);
  const bool human = current == humanSeat;
  const std::string& name = seatList[current % 4].name;
  const std::string who = human ? "your" : name + "'s";
  const std::int32_t state = GetState();
  // The hold between the bidding rounds already names the next seat to bid.
  if (state == Bidding || state == HoldA) {
    switch (biddingPhase) {
      case 2: case 3: statusLines[1] = "It is " + who + " turn to bid."; break;
      case 4: statusLines[3] = human ? "Will you defend alone?" : name + " considers defending alone."; break;
      case 5: statusLines[3] = human ? "Will you accept the Turn-Up?" : name + " considers accepting the Turn-Up."; break;
      case 6: statusLines[3] = "Exchange a card with the Turn-Up."; break;
      default: statusLines[3].clear(); break;
    }
  } else if (state == Playing) {
    if (tricks.ledCard) {
      statusLines[4] = "It is " + who + " turn to play a card.";
    } else {
      statusLines[4].clear();
      statusLines[3] = "It is " + who + " turn to lead a card.";
    }
  }
  InvalidateStatus();
}

bool EuchreGame::SeatTakesPart(std::uint32_t seat) {
  if (makerAlone && maker < kNone && seat == (maker + 2) % 4) return false;
  if (loneDefender < kNone && seat == (loneDefender + 2) % 4) return false;
  return true;
}

ChoiceList EuchreGame::BidChoices() const {
  ChoiceList list;
  list.caption = "Please Select Your Bid";
  list.Add("I Pass", 0);
  if (biddingPhase == 2) {
    const std::uint32_t seat = humanSeat % 4;
    list.Add(seat == dealer ? "I Take It Up" : seat == (dealer + 2) % 4 ? "I Assist" : "I Order It Up", 1);
  } else {
    for (std::int32_t s = 0; s < 4; ++s) list.Add(SuitName(s), s + 1);
  }
  return list;
}

std::string EuchreGame::BidText(std::uint32_t seat, std::int32_t value) const {
  if (value == 0) return makerAlone ? std::string() : "I Pass";
  if (turnUp) {
    if (seat == dealer) return makerAlone ? "Take Alone" : "I Take It";
    if (seat == (dealer + 2) % 4) return makerAlone ? "Assist Alone" : "I Assist";
    return makerAlone ? "Order It Alone" : "I Order It";
  }
  return SuitName(trumpSuit) + (makerAlone ? " Alone" : "");
}

bool EuchreGame::ShouldCall(std::uint32_t seat, std::int32_t suit) const {
  const std::int32_t colour = SameColourSuit(suit);
  std::vector<const Card*> cards(seatList[seat % 4].cards.begin(), seatList[seat % 4].cards.end());
  if (seat == dealer && turnUp) cards.push_back(turnUp);
  std::int32_t trumpCount = 0, trumpWeight = 0, sideWeight = 0;
  for (const Card* c : cards) {
    const bool leftJack = c->faceRank == 11 && c->faceSuit == colour;
    if (c->faceSuit == suit || leftJack) {
      ++trumpCount;
      trumpWeight += leftJack ? 66 : c->faceRank == 11 ? 100 : CallTrumpWeight(c->faceRank);
    } else if (c->faceRank >= 11) {
      sideWeight += HighCardWeight(c->faceRank);
    } else {
      const std::int32_t low = c->faceRank == 10 ? 8 : c->faceRank == 9 ? 4 : c->faceRank == 8 ? 2 : 1;
      sideWeight += c->faceSuit == colour ? low * 2 : low;
    }
  }
  switch (trumpCount) {
    case 2: return trumpWeight > 150 || sideWeight > 200;
    case 3: return trumpWeight > 50 || sideWeight > 100;
    case 4: case 5: return true;
    default: return false;
  }
}

bool EuchreGame::ShouldGoAlone(std::uint32_t seat) const {
  const std::int32_t colour = SameColourSuit(trumpSuit);
  std::int32_t trumpCount = 0, trumpWeight = 0, sideWeight = 0;
  for (const Card* c : seatList[seat % 4].cards) {
    const bool leftJack = c->faceRank == 11 && c->faceSuit == colour;
    if (c->faceSuit == trumpSuit || leftJack) {
      ++trumpCount;
      if (leftJack)
        trumpWeight += 66;
      else if (c->faceRank == 11)
        trumpWeight += 100;
      else if (c->faceRank >= 12)
        trumpWeight += c->faceRank == kRankHighAce ? 33 : c->faceRank == 13 ? 16 : 8;
    } else {
      sideWeight += HighCardWeight(c->faceRank);
    }
  }
  switch (trumpCount) {
    case 2: return sideWeight > 200;
    case 3: return trumpWeight >= 121 && sideWeight > 75;
    case 4: case 5: return true;
    default: return false;
  }
}

void EuchreGame::SetBid(std::uint32_t seat, std::int32_t value, const std::string& text) {
  seatList[seat % 4].bid.SetValue(value);
  bidTexts[seat % 4] = text;
  InvalidateTable();
  InvalidateStatus();
}

void EuchreGame::MakeMaker(std::uint32_t seat, std::int32_t suit) {
  maker = seat % 4;
  trumpSuit = suit;
  statusLines[1] = "Maker: " + seatList[maker].name + (makerAlone ? " Alone" : "");
  statusLines[2] = "Trump: " + SuitName(suit);
}

void EuchreGame::HumanBid() {
  ChoiceListWithCheck record;
  record.list = BidChoices();
  record.allowCheck = optionGoAlone ? 1 : 0;
  const std::int32_t answer = AskChoiceWithCheck(*this, IDD_EUCHRE_BID, BidProc, record);
  bool offered = false;
  for (std::int32_t v : record.list.values) offered = offered || v == answer;
  const std::int32_t value = offered ? answer : 0;
  const std::uint32_t seat = humanSeat % 4;
  if (value != 0) {
    // Playing alone only goes with naming trump.
    makerAlone = record.ticked != 0 && optionGoAlone;
    MakeMaker(seat, biddingPhase == 2 && turnUp ? turnUp->faceSuit : value - 1);
  }
  SetBid(seat, value, BidText(seat, value));
  if (value != 0) EndBidding();
}

void EuchreGame::ComputerBid(std::uint32_t seat) {
  seat %= 4;
  const std::string& name = seatList[seat].name;
  if (biddingPhase == 2 || biddingPhase == 3) {
    std::int32_t value = 0;
    if (biddingPhase == 2) {
      if (turnUp && ShouldCall(seat, turnUp->faceSuit)) value = turnUp->faceSuit + 1;
    } else {
      for (std::int32_t s = 0; s < 4 && value == 0; ++s)
        if (ShouldCall(seat, s)) value = s + 1;
    }
    if (value != 0) {
      trumpSuit = value - 1;
      makerAlone = optionGoAlone && ShouldGoAlone(seat);
      MakeMaker(seat, value - 1);
      if (biddingPhase == 2) value = 1;
    }
    SetBid(seat, value, BidText(seat, value));
    if (value != 0) EndBidding();
  } else if (biddingPhase == 4) {
    if (maker < kNone && seat == (maker + 2) % 4) {
      seatList[seat].bid.SetValue(0);
    } else if (ShouldGoAlone(seat)) {
      statusLines[3] = name + " will defend alone";
      SetBid(seat, 1, "Alone");
      loneDefender = seat;
      EndBidding();
    } else {
      statusLines[3] = name + " does not defend alone";
      SetBid(seat, 0, "Pass");
    }
  }
}

void EuchreGame::DealerTakesTurnUp(std::uint32_t seat) {
  seat %= 4;
  if (!turnUp) return;
  tricks.SetTrumpFromCard(*turnUp);
  SeatRecord& hand = seatList[seat];
  Card* lowest = nullptr;
  for (Card* c : hand.cards)
    if (!lowest || tricks.Outranks(lowest, c)) lowest = c;
  if (lowest && tricks.Outranks(turnUp, lowest)) {
    hand.RemoveCard(lowest);
    lowest->faceUp = false;
    discard = lowest;
    turnUp->faceUp = seat == humanSeat;
    hand.AddCard(turnUp);
    hand.Sort(sortMode);
    turnUp = nullptr;
    statusLines[3] = hand.name + " takes the Turn-Up";
    bidTexts[seat] = "I Accept the Turn-Up";
  } else {
    statusLines[3] = hand.name + " declines the Turn-Up";
    bidTexts[seat] = "I Decline the Turn-Up";
  }
  InvalidateTable();
}

void EuchreGame::OpenDefendAlone() {
  biddingPhase = 4;
  SetState(Bidding);
  const std::uint32_t partner = (maker + 2) % 4;
  seatList[maker].bid.SetValue(0);
  seatList[partner].bid.SetValue(0);
  bidTexts[partner].clear();
  for (std::uint32_t s : {(maker + 1) % 4, (maker + 3) % 4}) {
    seatList[s].ClearBid();
    bidTexts[s].clear();
  }
  SetCurrentSeat((maker + 1) % 4);
}

void EuchreGame::EndBidding() {
  SetState(HoldA);
  const bool made = maker < kNone;
  switch (biddingPhase) {
    case 2:
      if (!made) {
        discard = turnUp;
        if (discard) discard->faceUp = false;
        turnUp = nullptr;
        biddingPhase = 3;
        SetCurrentSeat((dealer + 1) % 4);
      } else if (makerAlone && optionDefendAlone) {
        OpenDefendAlone();
      } else if (SeatTakesPart(dealer)) {
        biddingPhase = 5;
        SetCurrentSeat(dealer);
      } else {
        biddingPhase = 7;
      }
      break;
    case 3:
      if (!made) {
        biddingPhase = 7;
        statusLines[1] = "This hand is passed out.";
      } else if (makerAlone && optionDefendAlone) {
        OpenDefendAlone();
      } else {
        biddingPhase = 7;
      }
      break;
    case 4:
      if (turnUp && SeatTakesPart(dealer)) {
        biddingPhase = 5;
        SetCurrentSeat(dealer);
      } else {
        biddingPhase = 7;
      }
      break;
    case 5:
      statusLines[3].clear();
      biddingPhase = 7;
      break;
    default:
      break;
  }
  handOverCountdown = kTrickHoldTicks;
  InvalidateStatus();
}

void EuchreGame::EndBiddingHold() {
  bidTexts.assign(4, std::string());
  if (biddingPhase == 7) {
    if (maker >= kNone) {
      FinishHand();
      return;
    }
    SetState(Playing);
    tricks.NewTrick();
    tricks.SetTrump(trumpSuit);
    SetTrumpOrder();
    for (SeatRecord& seat : seatList) {
      seat.Sort(sortMode);
      seat.FindLongestSuit(trumpSuit);
    }
    SetCurrentSeat((dealer + 1) % 4);
  } else {
    SetState(Bidding);
    for (std::uint32_t s = 0; s < 4; ++s)
      if (maker >= kNone || s % 2 != maker % 2) seatList[s].ClearBid();
    SetCurrentSeat(current);
  }
  InvalidateTable();
  InvalidateStatus();
}

void EuchreGame::SetTrumpOrder() {
  const std::int32_t t = trumpSuit;
  deck.SetCardValue(11, t, 14, t);
  deck.SetCardValue(11, SameColourSuit(t), 13, t);
  const std::int32_t order[][2] = {{kRankHighAce, 12}, {13, 11}, {12, 10}, {10, 8}, {9, 7}, {8, 6}, {7, 5}};
  for (const auto& r : order) deck.SetCardValue(r[0], t, r[1], t);
  tricks.RebuildUnplayed(deck);
}

// Bidding: the dealer's turn-up decision, the user's exchange, or the next bid.
void EuchreGame::OnTimer() {
  if (GetState() != Bidding || computerDelay > 0) {
    TrickGame::OnTimer();
    return;
  }
  const std::uint32_t human = humanSeat % 4;
  if (biddingPhase == 5 && SeatTakesPart(dealer)) {
    if (dealer != human) {
      DealerTakesTurnUp(dealer);
    } else if (AskYesNo(kTitle, "Do you accept the Turn-Up card?")) {
      biddingPhase = 6;
      SetCurrentSeat(human);
      return;
    }
    EndBidding();
    return;
  }
  if (biddingPhase == 6) return;  // the user picks the card to give up
  if (AllSeatsHaveBid()) {
    EndBidding();
    return;
  }
  BidTurn();
  if (GetState() != Bidding || current != human || seatList[human].bid.kind != kNoBid) return;
  if (biddingPhase == 2 || biddingPhase == 3) {
    HumanBid();
  } else if (biddingPhase == 4) {
    if (maker < kNone && human == (maker + 2) % 4) {
      seatList[human].bid.SetValue(0);
    } else if (AskYesNo(kTitle, "Do you want to defend alone?")) {
      SetBid(human, 1, "Alone");
      loneDefender = human;
      EndBidding();
    } else {
      SetBid(human, 0, "Pass");
    }
  }
}

void EuchreGame::ExchangeClick(LPARAM lParam) {
  if (current != humanSeat) {
    ShowInfo(kTitle, "It is not your turn to select a card");
    return;
  }
  SeatRecord& hand = seatList[humanSeat % 4];
  Card* card = SelectInHand(LOWORD(lParam), HIWORD(lParam));
  if (!card || !turnUp) return;
  card->selected = false;
  card->faceUp = false;
  hand.RemoveCard(card);
  discard = card;
  turnUp->faceUp = true;
  hand.AddCard(turnUp);
  hand.Sort(sortMode);
  hand.UpdateBounds();
  turnUp = nullptr;
  biddingPhase = 7;
  EndBidding();
  InvalidateTable();
}

void EuchreGame::OnLButtonDown(LPARAM lParam) {
  const std::int32_t state = GetState();
  if ((state == Bidding || state == HoldA) && biddingPhase == 6) {
    ExchangeClick(lParam);
  } else if (state == Bidding) {
    handOverCountdown = 0;
  } else {
    TrickGame::OnLButtonDown(lParam);
  }
}

void EuchreGame::PlayCard(std::uint32_t seat, Card* card) {
  if (!card || seat >= 4) return;
  const bool leads = tricks.playedCount == 0;
  if (leads) statusLines[3] = "Lead: " + CardText(*card);
  TrickGame::PlayCard(seat, card);
  if (leads) {
    // Seats sitting out count as played, so the trick ends with the last seat in play.
    if (makerAlone) ++tricks.playedCount;
    if (loneDefender < kNone) ++tricks.playedCount;
  }
}

Card* EuchreGame::ChooseCard() {
  SeatRecord& hand = seatList[current % 4];
  if (tricks.playedCount == 0 || !tricks.ledCard) return tricks.ChooseLead(hand, *rng);
  const bool partnerWins = tricks.winningSeat == static_cast<std::int32_t>((current + 2) % 4);
  if (!tricks.CanWin(hand, false) || partnerWins) return tricks.ChooseLosingCard(hand, *rng, false);
  return tricks.ChooseWinningCard(hand, *rng, false);
}

void EuchreGame::TrickOver() {
  statusLines[4].clear();
  statusLines[3] = "This trick is over.";
  SetState(HoldB);
  handOverCountdown = kTrickHoldTicks;
  const std::int32_t winner = tricks.winningSeat;
  if (winner >= 0 && winner < 4) {
    ++teamTricks[winner];
    ++teamTricks[(winner + 2) % 4];
    ++tricksWon[winner];
  }
  InvalidateStatus();
}

void EuchreGame::GatherTrick() {
  const std::int32_t winner = tricks.winningSeat;
  ClearTrickCards();
  if (maker >= kNone || !seatList[maker].cards.empty()) {
    StartNextTrick(winner);
    return;
  }
  ScoreHandTricks();
  handOverCountdown = kHandHoldTicks;
  statusLines[2].clear();
  statusLines[3].clear();
  statusLines[1] = "This hand is over.";
  SetState(HandOver);
  InvalidateStatus();
}

void EuchreGame::ScoreHandTricks() {
  const EuchreHandScore s = ScoreEuchreHand(teamTricks[maker], makerAlone, loneDefender < kNone);
  scores[maker] += s.makers;
  scores[(maker + 1) % 4] += s.defenders;
  scores[(maker + 2) % 4] = scores[maker];
  scores[(maker + 3) % 4] = scores[(maker + 1) % 4];
}

std::string EuchreGame::SeatLabel(std::uint32_t seat) {
  const std::string& bid = bidTexts[seat % 4];
  return bid.empty() ? seatList[seat % 4].name : seatList[seat % 4].name + " - " + bid;
}

void EuchreGame::Paint(HDC hdc) {
  if (GetState() == Dealing) return;
  PaintTable(hdc);
  if (turnUp && cardImages) turnUp->Draw(*cardImages, hdc, trumpCardRect.left, trumpCardRect.top, true);
  const RECT& r = statusRect;
  auto sides = [&](const std::string& ours, const std::string& theirs) {
    return std::vector<PanelRow>{{seatList[0].name, {ours}},
                                 {seatList[2].name, {}},
                                 {seatList[1].name, {theirs}},
                                 {seatList[3].name, {}}};
  };
  DrawPanel(*this, hdc, r.top + 20, r.top + 111, "TEAM", {WideColumn(*this, "SCORE")},
            sides(std::to_string(scores[0]), std::to_string(scores[1])));
  const std::int32_t state = GetState();
  const bool tricksShown = state == Playing || state == HoldA || state == HoldB || state == HandOver;
  DrawGameStatusPanel(*this, hdc, "TEAM", {WideColumn(*this, "TRICKS")},
                      sides(tricksShown ? std::to_string(teamTricks[0]) : std::string(),
                            tricksShown ? std::to_string(teamTricks[1]) : std::string()));
  if (showStatusLines) {
    PanelText text(*this, hdc);
    DrawStatusLines(hdc);
  }
}
