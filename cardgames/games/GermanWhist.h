// German Whist: two players; the first 13 tricks draw the stock, the last 13 score.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "TrickGame.h"

std::string GermanWhistName();
std::int32_t GermanWhistId();
CardGame* CreateGermanWhistGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class GermanWhistGame : public TrickGame {
 public:
  GermanWhistGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~GermanWhistGame() override;

  void Paint(HDC hdc) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  Card* ChooseCard() override;

  // The computer's plan: the suit it means to play (4: none).
  void PlanTargetSuit(std::uint32_t seat, bool stockEmpty);
  // The card of the suit worth leading: the first from the top with no, many, or one more
  // higher card out than the card above it; else the lowest.
  Card* PickSuitCard(std::uint32_t seat, std::int32_t suit);

  std::int32_t targetSuit = kSuitNone;
  // The stock's bottom card, shown face up while the stock lasts; its suit is trump.
  Card* turnUp = nullptr;

 protected:
  // Only the tricks played once the stock is empty count.
  void ScoreTrick(std::int32_t winner) override;
  void TrickGathered(std::int32_t winner) override;
  void ScoreHand() override;

 private:
  std::uint32_t Held(std::uint32_t seat, std::int32_t suit) const;
  std::uint32_t Out(std::uint32_t seat, std::int32_t suit) const;
  Card* PlayLow(std::uint32_t seat);
  Card* LeadFirstHalf(std::uint32_t seat);
  Card* LeadSecondHalf(std::uint32_t seat);
  // Each player takes one stock card after a trick, the winner first.
  void DrawFromStock(std::uint32_t winner);
};
