// Spite and Malice: two seats race to play out their red piles onto eight shared centre
// piles built from ace to king, helped by a hand from a stock of black cards and jokers
// and four side piles each. One hand.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "TableGame.h"

std::string SpiteAndMaliceName();
std::int32_t SpiteAndMaliceId();
CardGame* CreateSpiteAndMaliceGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class SpiteAndMaliceGame : public TableGame {
 public:
  // Where a selected card lies: the hand, the red pile, or side pile j at kFromSide + j.
  enum Source : std::uint32_t { kFromHand = 0, kFromRed = 1, kFromSide = 2 };

  SpiteAndMaliceGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~SpiteAndMaliceGame() override;

  void OnRButtonDown(LPARAM lParam) override;
  void Paint(HDC hdc) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void SetCurrentSeat(std::uint32_t seat) override;
  void Layout() override;

  // The centre pile takes the card: an ace on an empty pile, a two on a lone ace, then the
  // next rank or a joker.
  bool CentreTakes(const CardPile& pile, const Card& card) const;
  // The side pile takes the card as a discard.
  bool SideTakes(const CardPile& pile, const Card& card) const;
  bool MayEndTurn(std::uint32_t seat) const;
  // Plays the card from its source onto centre pile i; false when refused.
  bool PlayToCentre(std::uint32_t seat, std::uint32_t pile, Card* card, std::uint32_t source);
  void Refill(std::uint32_t seat);
  // One card of the computer's turn; false when it discarded and the turn passed.
  bool ComputerStep(std::uint32_t seat);
  void ComputerDiscard(std::uint32_t seat);
  bool ComputerPlan(std::uint32_t seat);
  // Ends the game: the seat whose red pile is empty scores 50 and the other's red cards.
  void GameIsOver();

  CardStack& SidePile(std::uint32_t seat, std::uint32_t j) { return sidePiles[4 * seat + j]; }

  bool passedLastTurn = false;
  bool computerWillPlay = false;
  bool computerTargetsRed = false;
  std::uint32_t selectedSource = kFromHand;
  Card* selectedCard = nullptr;
  CardDeck redDeck;
  CardStack completedPile;
  CardStack redPiles[2];
  CardStack sidePiles[8];
  CardStack centrePiles[8];
  // The end of the game has been scored.
  bool endScored = false;

 protected:
  // The computer plays one card per thinking pause.
  void PlayingTick() override;
  void HumanClick(long x, long y) override;

 private:
  void ClearSelection();
  void Select(Card* card, std::uint32_t source);
  void HumanSideClick(std::uint32_t j);
  bool CanDiscardAny(std::uint32_t seat);
  // First centre pile that takes the card, or 8.
  std::uint32_t CentreFor(const Card& card) const;
  // First centre pile holding n cards, or 8.
  std::uint32_t CentreHolding(std::size_t n) const;
  // Plays from the source and drops the red-pile target once its rank is reached.
  bool PlanPlay(std::uint32_t seat, std::uint32_t pile, Card* card, std::uint32_t source);
};
