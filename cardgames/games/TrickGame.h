// The flow the trick games share, between CardGame and the games.
//
// A game passes its title and rules text to the constructor and overrides what differs:
//  - StartDeal: CardGame::StartDeal, then its own set-up, with the helpers ShowHandNumber,
//    TurnUpTrump, TurnHumanCardsUp, ResetTricks, and finally SetCurrentSeat(current).
//  - ChooseCard: the computer player.
//  - PlayCard: its own bookkeeping around TrickGame::PlayCard (the lead line, the card to
//    the table, the trick referee).
//  - ScoreTrick (trick over; the base counts tricksWon), ScoreHand (hand over),
//    TrickGathered (after each gathering, before the hand-over test), HandIsOver.
//  - Bidding games: AskHumanBid (timer, the user's turn to bid), BiddingClick (a click in
//    Bidding; HumanCardClicked gives the card clicked twice), EndBidding, EndBiddingHold.
//  - SeatLabel: the name drawn at a seat; Paint: PaintTable plus the game's panels.
// Timer: computer delay; Bidding: EndBidding when every seat has bid, else BidTurn;
// Playing: trick over when every seat has played, else PlayTurn; HoldA: EndBiddingHold
// after its countdown; HoldB: gathering after 20 ticks; HandOver: FinishHand after 50
// ticks; GameOver: EndGame(title). Clicks: a new game when dealing or finished; the
// human's card in Playing (select, click again to play, one card a trick, refused when
// illegal or out of turn); a click on a trick every seat has played, or in a hold, ends it.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "CardGame.h"
#include "GameSteps.h"

class TrickGame : public CardGame {
 public:
  static constexpr std::int32_t kTrickHoldTicks = 20;
  static constexpr std::int32_t kHandHoldTicks = 50;

  TrickGame(HWND window, const std::string& title, UINT rulesId, std::uint32_t seats, std::uint32_t cardsPerHand,
            std::uint32_t handsPerGame, std::uint32_t humanSeat, RandomSource& rng);
  ~TrickGame() override;

  void OnLButtonDown(LPARAM lParam) override;
  void OnTimer() override;
  void Paint(HDC hdc) override;
  bool ShowRules(HWND textBox) override;
  // The turn prompt: whose bid (Bidding), whose lead on line 1 or whose play on line 2
  // (Playing); in other states the lines stay.
  void SetCurrentSeat(std::uint32_t seat) override;
  // The lead line, then the card leaves the hand for the table and the trick referee.
  void PlayCard(std::uint32_t seat, Card* card) override;
  // The table for two (bottom, top), three (bottom, left, top) or four seats; seat 0's
  // hand is the visible row at the bottom.
  void Layout() override;

  // Status line 0: "Hand n of m".
  void ShowHandNumber();
  // The turned-up card fixes trump and is shown face up; none: no trump.
  void TurnUpTrump(Card* card);
  void TurnHumanCardsUp();
  // Every seat: no card on the table, no tricks won.
  void ResetTricks();
  // The human's click on the hand while it is the human's turn: selects, deselects or,
  // for the selected card clicked again, answers it. Out of turn it shows whose turn it is;
  // once the seat has played (or, in Bidding, bid) it does nothing.
  Card* HumanCardClicked(LPARAM lParam);
  // SelectThenConfirm on the human's hand; a card raised or lowered moves the user's label
  // over the hand, and the table is repainted.
  Card* SelectInHand(long x, long y);
  // Every seat has played and the next tick would end the trick: a click ends it now and
  // its display at once, and is used up (true).
  bool ClickEndsFinishedTrick();
  // The human's hand, the trump card under "Trump", the cards on the table and the names.
  void PaintTable(HDC hdc);
  // Where the user's label across the table above the hand ends: 10 pixels above the hand,
  // or above its raised card, in the place of the user's played card, empty while a card
  // can be raised.
  long LabelBottomOverHand() const;

  std::string title;
  UINT rulesId;
  // Line 2 prompts a play while line 1 keeps the lead; off: both prompts on line 1, line 2 left alone.
  bool separatePlayPrompt = true;
  // PlayCard writes "Lead: <card>" on line 1 when a card leads.
  bool showLeadLine = true;
  std::int32_t tricksWon[4] = {};
  Card* tableCards[4] = {};
  Card* trumpCard = nullptr;
  RECT trickRects[4] = {};
  RECT trumpLabelRect = {};
  RECT trumpCardRect = {};
  // Layout put the user's label across the table above the hand (LabelBottomOverHand).
  bool labelOverHand = false;

 protected:
  virtual void ScoreTrick(std::int32_t winner);
  virtual void TrickGathered(std::int32_t winner);
  virtual bool HandIsOver();
  virtual void ScoreHand();
  virtual void AskHumanBid();
  virtual void BiddingClick(LPARAM lParam);
  // Line 1 "Bidding is over.", a 20-tick HoldA, the seat after the dealer to lead.
  virtual void EndBidding();
  // HoldA has run out: play begins with the current seat.
  virtual void EndBiddingHold();
  virtual std::string SeatLabel(std::uint32_t seat);

  // Counts a hold down; true on the tick that finds it run out.
  bool HoldRunsOut();
  // Every seat has played: the trick is scored and held (HoldB).
  virtual void TrickOver();
  // The hold after a trick has run out: the next trick, or the end of the hand.
  virtual void GatherTrick();
  // No card on the table: the seats' played cards and table cards cleared and repainted.
  void ClearTrickCards();
  // Play goes on with the next trick, led by the winner of the last one (the current seat
  // when there was none).
  void StartNextTrick(std::int32_t winner);
};

// A card's text, as "(Queen of Hearts)".
std::string CardText(const Card& card);
