// Fan Tan: four players build the suits out from the sevens; a player who cannot play
// buries a card, and buried cards count against him.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "CardGame.h"
#include "GameOptions.h"

std::string FanTanName();
std::int32_t FanTanId();
CardGame* CreateFanTanGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class FanTanGame : public CardGame {
 public:
  FanTanGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~FanTanGame() override;

  void OnLButtonDown(LPARAM lParam) override;
  void OnTimer() override;
  void Paint(HDC hdc) override;
  bool HasOptions() override;
  bool ShowRules(HWND textBox) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void AdvanceTurn() override;
  void ShowOptions(HWND parent) override;
  void SetCurrentSeat(std::uint32_t seat) override;
  // A seat whose hand is empty is passed over.
  bool SeatTakesPart(std::uint32_t seat) override;
  void PlayCard(std::uint32_t seat, Card* card) override;
  Card* ChooseCard() override;
  void Layout() override;

  GameOptionsFile OptionsFile();
  bool IsLegal(const Card* card) const;
  std::uint32_t CountLegal(std::uint32_t seat) const;
  // Every hand is empty, or every seat has buried in a row.
  bool HandIsOver() const;
  // Buries what is left and scores the hand.
  void EndOfHand();
  // How much a seat wants to play (or, when it cannot, to bury) a card.
  std::int32_t PlayScore(std::uint32_t seat, const Card* card) const;
  std::int32_t BuryScore(std::uint32_t seat, const Card* card) const;

  bool acesChosenInPlay = true;
  bool acesHigh = false;
  bool acesDecided = false;
  bool sevenOfSpadesStarts = true;
  std::uint8_t held[4][5][15] = {};
  bool reRankPending = false;
  bool firstPlay = false;
  std::uint8_t acePreference[4] = {};
  std::int32_t buriedAces[4] = {};
  std::int32_t lowRank[5] = {};
  std::int32_t buriedCount[4] = {};
  std::int32_t buriedPoints[4] = {};
  std::int32_t lastRank[4] = {};
  std::uint32_t consecutiveBuries = 0;
  std::int32_t highRank[5] = {};
  CardStack rows[5];

 private:
  bool Holds(std::uint32_t seat, std::int32_t suit, std::int32_t rank) const;
  void SetHeld(std::uint32_t seat, const Card* card, bool on);
  std::int32_t SideScore(std::uint32_t seat, const Card* card) const;
  void Bury(std::uint32_t seat, Card* card);
  void BuildOnRow(std::uint32_t seat, Card* card);
  void DecideAces(std::uint32_t seat, std::int32_t suit);
  void ShowAces();
  void HumanClick(long x, long y);
};
