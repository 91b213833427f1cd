// Tablanette: two seats capture cards from up to 13 table places by value; a jack takes
// everything, a cleared table scores its value; four hands.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "TableGame.h"

std::string TablanetteName();
std::int32_t TablanetteId();
CardGame* CreateTablanetteGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class TablanetteGame : public TableGame {
 public:
  static const std::uint32_t kPlaces = 13;

  TablanetteGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~TablanetteGame() override;

  void OnRButtonDown(LPARAM lParam) override;
  void Paint(HDC hdc) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void AdvanceTurn() override;
  void SetCurrentSeat(std::uint32_t seat) override;
  void Layout() override;

  // A card's value for captures: jack 0, queen 13, king 14, ace 1, others their rank.
  static std::int32_t CardValue(const Card& card);
  // The seat plays the card onto the places picked in comboFlags.
  void Play(std::uint32_t seat, Card* card);
  // Picks places in searchFlags whose values make v; answers how many.
  std::uint32_t CaptureSearch(std::int32_t v);
  // Combines the picked places, as the human's right click does.
  void Combine();
  void ComputerTurn();

  std::uint8_t searchFlags[kPlaces] = {};
  std::uint8_t comboFlags[kPlaces] = {};
  Card* lastPlayed = nullptr;
  std::int32_t placeValues[kPlaces] = {};
  std::uint32_t lastCapturer = 0;
  std::uint32_t comboPlace = kPlaces;
  std::uint32_t captured[2] = {};
  CardStack places[kPlaces];
  // Cards taken off the table in this hand (captured, or left over when nobody captured).
  CardStack takenCards;
  RECT stockRect = {};

 protected:
  void PlayingTick() override;
  // The computer's card on show is played.
  void HoldEnded() override;
  void HumanClick(long x, long y) override;

 private:
  std::int32_t TableValue() const;
  std::uint32_t OccupiedPlaces() const;
  // Capture points of one card for the seat.
  void Capture(std::uint32_t seat, Card* card);
  void CapturePlace(std::uint32_t seat, std::uint32_t place);
  // Every place is occupied and the card takes nothing: it goes onto the place with the fewest cards.
  bool LayOnFullTable(std::uint32_t seat, Card* card);
  void EndOfHand();
  void ShowComputerPlay(Card* card);
};
