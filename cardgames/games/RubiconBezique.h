// Rubicon Bezique: two seats, four packs of 32 cards, nine-card hands; the winner of a trick
// may declare while the stock lasts, then suit must be followed and brisques count; one
// hand, settled with the game bonus and the Rubicon.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "TrickGame.h"

std::string RubiconBeziqueName();
std::int32_t RubiconBeziqueId();
CardGame* CreateRubiconBeziqueGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class RubiconBeziqueGame : public TrickGame {
 public:
  // Declarations, as the declaration dialog answers them and as the cards' flags keep them.
  enum Declaration : std::uint32_t {
    kNothing = 0,
    kSequence = 0x1,
    kMarriage = 0x2,
    kAces = 0x10,
    kKings = 0x20,
    kQueens = 0x40,
    kJacks = 0x80,
    kBezique = 0x100,
    kDoubleBezique = 0x200,
    kTripleBezique = 0x400,
    kQuadrupleBezique = 0x800,
    kAnyBezique = 0xF00,
  };
  // What the computer could declare now: declaration bits, and the suits (bit per suit) of
  // its marriages and sequences.
  struct Possible {
    std::uint32_t declarations = 0;
    std::uint32_t marriageSuits = 0;
    std::uint32_t sequenceSuits = 0;
  };

  RubiconBeziqueGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~RubiconBeziqueGame() override;

  void OnLButtonDown(LPARAM lParam) override;
  void OnRButtonDown(LPARAM lParam) override;
  void OnTimer() override;
  void Paint(HDC hdc) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void SetCurrentSeat(std::uint32_t seat) override;
  void PlayTurn() override;
  void PlayCard(std::uint32_t seat, Card* card) override;
  Card* ChooseCard() override;
  void Layout() override;

  // The seat declares (suit for sequences and marriages); false, with nothing changed, when
  // it cannot. With apply false only the test is made.
  bool Declare(std::uint32_t seat, std::uint32_t declaration, std::int32_t suit, bool apply = true);
  Possible PossibleDeclarations(std::uint32_t seat);
  // The computer's declaration after a trick won; true when it made one.
  bool ComputerDeclares(std::uint32_t seat);
  bool IsLegal(std::uint32_t seat, const Card* card) const;
  std::int32_t KeepValue(std::uint32_t seat, const Card* card, bool possible);

  bool carteBlanche[2] = {};
  std::uint8_t declarationFlags[75] = {};
  CardStack declaredPiles[2];
  // Cards of the tricks each seat has taken.
  CardStack wonTricks[2];
  std::int32_t trump = kSuitNone;
  std::int32_t trickPoints = 0;
  std::uint32_t lastTrickWinner = 2;
  RECT stockRect = {};

 protected:
  void TrickOver() override;

 private:
  std::string StockText() const;
  void DrawAfterTrick(std::uint32_t seat);
  void CollectTrick();
  void Settle();
  // Finds a card for a declaration and selects it; null when there is none.
  Card* FindFor(std::uint32_t seat, std::int32_t faceRank, std::int32_t suit, std::uint32_t flag, bool freshFound,
                bool& fresh);
  void ClearSelections(std::uint32_t seat);
  void HumanDeclaration();
};
