// Spades: four players, spades always trump, bids of tricks, nil and blind bids, bags.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "TrickGame.h"
#include "GameOptions.h"
#include "ChoiceList.h"

const std::int32_t kSpadesNil = 255;

// "Nil", "Bl. Nil", "4", "Bl. 4".
std::string SpadesBidText(std::int32_t value, bool blind);
// Points of one hand for one seat; with the bag penalty the overtricks go to bags, and
// every ten bags cost 100 at once.
std::int32_t SpadesHandPoints(std::int32_t bid, bool blind, std::int32_t won, bool bagPenalty, std::int32_t& bags);
// The user's bids: Nil unless blind without blind nil allowed, 0 when allowed, 1..13;
// forbidden (-1: none) is left out, and a forbidden 0 also removes Nil and 0.
ChoiceList SpadesBidChoices(bool blind, bool allowBlindNil, bool allowZeroBid, std::int32_t forbidden);
// Play ranks of the spades: with deuceHigh the two is highest and the others one lower.
void SetSpadeValues(CardDeck& deck, bool deuceHigh);

std::string SpadesName();
std::int32_t SpadesId();
CardGame* CreateSpadesGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class SpadesGame : public TrickGame {
 public:
  SpadesGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~SpadesGame() override;

  void Paint(HDC hdc) override;
  bool HasOptions() override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void PlayCard(std::uint32_t seat, Card* card) override;
  void ShowOptions(HWND parent) override;
  void ComputerBid(std::uint32_t seat) override;
  Card* ChooseCard() override;

  // The options in file order.
  GameOptionsFile OptionsFile();
  std::int32_t SumOfSpadeBids() const;
  // How far the best score is ahead of the seat's (0 when it leads).
  std::int32_t LeadOverSeat(std::uint32_t seat) const;
  bool MayBidBlind(std::uint32_t seat) const;
  bool MayBidBlindNil(std::uint32_t seat) const;
  bool AnyNilBid() const;
  // A seat that has already played to this trick bid nothing.
  bool EarlierNilInTrick() const;
  std::int32_t EstimateSpadesBid(std::uint32_t seat);
  // The bid the user may not make (-1: none).
  std::int32_t ForbiddenBid() const;

  bool allowBlind = false;
  bool allowBlindNil = true;
  bool allowTotal13 = true;
  bool spadesLeadAnytime = true;
  bool firstTrickTrumping = true;
  bool allowZeroBid = false;
  bool highBidderLeads = false;
  bool deuceHigh = false;
  bool bagPenalty = true;
  std::int16_t blindMargin = 100;
  bool isBlind[4] = {};
  // A card has been played in this hand: option changes wait for the next deal.
  bool cardPlayedThisHand = false;
  std::int32_t bags[4] = {};

 protected:
  // The blind questions, then the bid dialog.
  void AskHumanBid() override;
  void EndBidding() override;
  void ScoreHand() override;
  std::string SeatLabel(std::uint32_t seat) override;

 private:
  std::int32_t AskSpadesBid();
  void SetHumanCardsUp();
  bool IsNil(std::uint32_t seat) const;
  // The trick rules and spade values of the options.
  void ApplyRules();
};
