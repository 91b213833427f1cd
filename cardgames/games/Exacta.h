// Exacta: four players bid by showing a card of their hand; the highest bid card fixes trump.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "TrickGame.h"
#include "GameOptions.h"

// Tricks a bid card undertakes: the joker 0, an ace 1, otherwise the rank.
std::int32_t BidRank(const Card& card);
// Exact bid: 10 a trick; missed: -5 a trick off; nothing bid: +50, or -20 a trick taken.
std::int32_t ExactaHandPoints(std::int32_t bid, std::int32_t won);
// Unplayed cards above the seat's k-th highest card of the suit (k from 1); 15 when it holds fewer.
std::uint32_t HigherOverNth(const CardPile& hand, const TrickState& tricks, std::int32_t suit, std::uint32_t k);
// Honour points of one suit of the hand.
std::int32_t RateSuit(const CardPile& hand, const TrickState& tricks, std::int32_t suit);
// Shape points of one suit: void 8, singleton 4, doubleton 2.
std::int32_t ShapePoints(std::uint32_t length);
// Tricks the suit may bring, given the hand's shape points.
std::int32_t SuitTrickEstimate(const CardPile& hand, const TrickState& tricks, std::int32_t suit, std::int32_t shape);

std::string ExactaName();
std::int32_t ExactaId();
CardGame* CreateExactaGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class ExactaGame : public TrickGame {
 public:
  ExactaGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~ExactaGame() override;

  void Paint(HDC hdc) override;
  bool HasOptions() override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void ShowOptions(HWND parent) override;
  void ComputerBid(std::uint32_t seat) override;
  Card* ChooseCard() override;

  // highBidderLeads, then allowZeroBid.
  GameOptionsFile OptionsFile();
  // The card the computer bids with.
  Card* ChooseBidCard(std::uint32_t seat);
  // The computer's trick expectation once trump is known.
  void ExpectTricks(std::uint32_t seat);
  // The highest bid card's seat; the first of equals from the dealer's left.
  std::uint32_t HighBidder() const;

  bool allowZeroBid = true;
  bool highBidderLeads = false;
  std::int32_t expectedTricks[4] = {};
  // Stands for a bid of nothing; shown as the joker.
  Card zeroCard;
  Card* trumpBidCard = nullptr;

 protected:
  // The user bids by clicking a card twice.
  void BiddingClick(LPARAM lParam) override;
  void EndBidding() override;
  void EndBiddingHold() override;
  void ScoreHand() override;
};
