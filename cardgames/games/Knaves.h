// Knaves: three players, 17 cards each, the odd card turned up for trump; every trick
// scores a point and every jack in it costs its taker.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "TrickGame.h"

// What a jack costs the player who takes it: clubs 1, diamonds 3, hearts 4, spades 2.
std::int32_t KnavePenalty(const Card& card);
// A card worth keeping back for the computer player: a jack, or an ace, king or queen of a
// suit whose jack is still in play (jackHolder of the suit below outOfPlay).
bool IsGuardCard(const Card& card, const std::int32_t jackHolder[5], std::int32_t outOfPlay);

// The "GAME STATUS" panel of the games where each plays for himself: tricks per seat.
void PaintTricksPanel(TrickGame& game, HDC hdc);

std::string KnavesName();
std::int32_t KnavesId();
CardGame* CreateKnavesGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class KnavesGame : public TrickGame {
 public:
  KnavesGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~KnavesGame() override;

  void Paint(HDC hdc) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void PlayCard(std::uint32_t seat, Card* card) override;
  Card* ChooseCard() override;

  std::uint8_t leadSafe[5] = {};
  std::int32_t trickPenalty = 0;
  std::int32_t jackHolder[5] = {};

 protected:
  // A point for the trick, less the knaves in it.
  void ScoreTrick(std::int32_t winner) override;

 private:
  // A legal card met by a scan, and whether it would win the trick now.
  struct Scanned {
    Card* card = nullptr;
    bool wins = false;
  };
  // Decides whether the card met replaces the choice so far (it may change the choice).
  typedef std::function<void(const Scanned& card, Scanned& choice)> Better;

  bool Guard(const Card* card) const { return IsGuardCard(*card, jackHolder, 3); }
  // Walks the legal cards of the current hand once from a random card: the first is the
  // choice, and better decides for each later one.
  Card* Scan(const Better& better);
  Card* DumpKnave();
  Card* ChooseLead();
  Card* ChooseMiddle();
  Card* LosingScan();
  Card* WinningScan();
};
