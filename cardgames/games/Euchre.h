// Euchre: four players in two partnerships, 32 cards, five each and a turn-up; trump is
// ordered up or named in two bidding cycles, a maker may play alone and a defender may
// defend alone; the two jacks of the trump colour are the highest trumps. Sixteen hands.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ChoiceList.h"
#include "GameOptions.h"
#include "TrickGame.h"

std::string EuchreName();
std::int32_t EuchreId();
CardGame* CreateEuchreGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

// The suit of the same colour: clubs with spades, diamonds with hearts.
std::int32_t SameColourSuit(std::int32_t suit);
// Points for the hand: t tricks of the making side.
struct EuchreHandScore {
  std::int32_t makers;
  std::int32_t defenders;
};
EuchreHandScore ScoreEuchreHand(std::uint32_t makerTricks, bool makerAlone, bool defenderAlone);

class EuchreGame : public TrickGame {
 public:
  static constexpr std::uint32_t kNone = 4;

  EuchreGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~EuchreGame() override;

  GameOptionsFile OptionsFile();
  // The user's bid dialog: "I Pass" and the offers of the phase.
  ChoiceList BidChoices() const;
  // A seat's bid strength for a candidate trump suit; the dealer counts the turn-up too.
  bool ShouldCall(std::uint32_t seat, std::int32_t suit) const;
  bool ShouldGoAlone(std::uint32_t seat) const;
  std::string BidText(std::uint32_t seat, std::int32_t value) const;

  void OnLButtonDown(LPARAM lParam) override;
  void OnTimer() override;
  void Paint(HDC hdc) override;
  bool HasOptions() override;
  void ShowOptions(HWND parent) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void SetCurrentSeat(std::uint32_t seat) override;
  bool SeatTakesPart(std::uint32_t seat) override;
  void ComputerBid(std::uint32_t seat) override;
  void PlayCard(std::uint32_t seat, Card* card) override;
  Card* ChooseCard() override;

  void DealerTakesTurnUp(std::uint32_t seat);
  void EndBidding() override;

  bool optionDefendAlone = true;
  bool optionGoAlone = true;
  bool makerAlone = false;
  std::vector<std::string> bidTexts;
  std::uint32_t teamTricks[4] = {};
  std::int32_t biddingPhase = 2;
  std::uint32_t maker = kNone;
  std::uint32_t loneDefender = kNone;
  std::int32_t trumpSuit = kSuitNone;
  Card* turnUp = nullptr;
  // The turn-up once turned down, or the card the dealer discarded for it.
  Card* discard = nullptr;

 protected:
  void TrickOver() override;
  void GatherTrick() override;
  void EndBiddingHold() override;
  std::string SeatLabel(std::uint32_t seat) override;

 private:
  void HumanBid();
  void MakeMaker(std::uint32_t seat, std::int32_t suit);
  void OpenDefendAlone();
  void SetBid(std::uint32_t seat, std::int32_t value, const std::string& text);
  void SetTrumpOrder();
  void ExchangeClick(LPARAM lParam);
  void ScoreHandTricks();
};
