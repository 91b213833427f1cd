// Oh Hell: four players, one card more each hand from 1 to 13, exact bids only score.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TrickGame.h"
#include "ChoiceList.h"
#include "GameOptions.h"

// An exact bid scores 10 + tricks, an exact bid of nothing cardsPerHand + 5; a miss nothing.
std::int32_t OhHellHandPoints(std::int32_t bid, std::int32_t won, std::uint32_t cardsPerHand);
// The bid to use instead when bid would make the bids add up to total: one less, or 1 for 0.
std::int32_t BidAvoidingTotal(std::int32_t bid, std::int32_t sumOfBids, std::int32_t total);
// The user's bids: 0 .. cardsPerHand; when the total may not come out even, the last
// bidder (three bids made) loses the number that would make it so.
ChoiceList OhHellBidChoices(std::uint32_t cardsPerHand, bool allowTotalEqual, std::uint32_t bidsMade,
                            std::int32_t sumOfBids);
// The computer's test for a hand that can safely take nothing (handsPlayed = cards - 1).
bool CanBidZero(const CardPile& hand, std::int32_t trumpSuit, std::uint32_t handsPlayed);

std::string OhHellName();
std::int32_t OhHellId();
CardGame* CreateOhHellGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

// The "GAME STATUS" panel of the bidding games: each seat's bid (empty: none) and tricks;
// the bid column has room for the widest bid text.
void PaintBidPanel(TrickGame& game, HDC hdc, const std::vector<std::string>& bids,
                   const std::string& widestBid = std::string());

class OhHellGame : public TrickGame {
 public:
  OhHellGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~OhHellGame() override;

  void Paint(HDC hdc) override;
  bool HasOptions() override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void EndHand() override;
  void ShowOptions(HWND parent) override;
  void ComputerBid(std::uint32_t seat) override;
  Card* ChooseCard() override;

  // allowTotalEqual, then leaderIsHighBidder.
  GameOptionsFile OptionsFile();
  // The total of the bids made so far.
  std::int32_t SumOfBids() const;
  std::int32_t EstimateBid(std::uint32_t seat);
  std::int32_t TrumpTricks(std::uint32_t seat);
  std::int32_t LongSuitTricks(std::uint32_t seat);
  std::int32_t SideSuitTricks(std::uint32_t seat, std::int32_t suit);

  bool allowTotalEqual = true;
  bool leaderIsHighBidder = false;

 protected:
  void AskHumanBid() override;
  void EndBidding() override;
  void ScoreHand() override;
  std::string SeatLabel(std::uint32_t seat) override;
};
