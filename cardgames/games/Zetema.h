// Zetema: four seats, a 65-card pack with five cards of every rank, combinations declared
// from the hand and ranks completed on the table; eight hands.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TableGame.h"

std::string ZetemaName();
std::int32_t ZetemaId();
CardGame* CreateZetemaGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class ZetemaGame : public TableGame {
 public:
  // Declarations, numbered as the declaration dialog answers them.
  enum Combination : std::int32_t {
    kSequence = 0,
    kFlush = 1,
    kFlushSequence = 2,
    kAssembly = 3,
    kMarriage = 4,
    kNoCombination = 5,
  };

  ZetemaGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~ZetemaGame() override;

  void OnRButtonDown(LPARAM lParam) override;
  void Paint(HDC hdc) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void SetCurrentSeat(std::uint32_t seat) override;
  void PlayCard(std::uint32_t seat, Card* card) override;
  void Layout() override;

  // Points for completing a rank on the table.
  static std::int32_t RankValue(std::int32_t rank);
  // Tries one declaration for the seat; true when it scored.
  bool Declare(std::uint32_t seat, std::int32_t combination);
  // The computer's turn for the current seat.
  void ComputerTurn();
  // The card the computer lets go of.
  Card* ComputerDiscard(const CardPile& hand) const;

  std::uint8_t assemblyDeclared[15] = {};
  bool scoredThisTurn = false;
  std::vector<std::string> lastCombo;
  CardStack rankPiles[15];
  // Cards out of play in this hand: completed ranks and declared marriages.
  CardStack outOfPlay;
  RECT stockRect = {};

 protected:
  void PlayingTick() override;
  void HumanClick(long x, long y) override;

 private:
  // Every hand is empty: the hand is over. True when it is.
  bool TestHandOver();
  // Passes the turn to the seat after this one, unless the hand is over.
  void PassTurn(std::uint32_t seat);
  std::string DeckText() const;
  void RefillHand(std::uint32_t seat);
  bool DeclareMarriages(std::uint32_t seat);
  void Scored(std::uint32_t seat, std::int32_t points, const std::string& text, const std::string& shortName);
};
