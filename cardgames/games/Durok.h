// Durok: two seats send one, three or five cards and cover them with higher cards of the
// suit or with trumps; the first to run out once the stock is empty wins. One hand.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "TableGame.h"

std::string DurokName();
std::int32_t DurokId();
CardGame* CreateDurokGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class DurokGame : public TableGame {
 public:
  static const int kSlots = 5;

  DurokGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~DurokGame() override;

  void OnRButtonDown(LPARAM lParam) override;
  void Paint(HDC hdc) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void SetCurrentSeat(std::uint32_t seat) override;
  void FinishHand() override;
  void Layout() override;

  // Scoring value: the rank, 5 more for a trump.
  std::int32_t CardValue(const Card& card) const;
  bool IsTrump(const Card& card) const;
  // The covering card beats the sent one: higher in its suit, or any trump over a non-trump.
  bool CanCover(const Card& cover, const Card& sent) const;
  // The human's selection may be sent: 1 card, 3 with a pair, 5 with two pairs, no more
  // than the other seat holds.
  bool IsLegalSend() const;
  // The seat's selected cards go onto the table.
  void Send(std::uint32_t seat);
  // The defender takes what it did not cover; covered pairs leave play.
  void Take(std::uint32_t seat);
  void ComputerSend();
  void ComputerCover();

  bool sending = true;
  Card noCoverCard;
  Card* coverSlots[kSlots] = {};
  Card* sentSlots[kSlots] = {};
  Card* trumpCard = nullptr;
  POINT slotPositions[kSlots] = {};
  RECT trumpLabelRect = {};
  RECT stockRect = {};
  // Cards covered and out of play.
  CardStack outOfPlay;

 protected:
  void PlayingTick() override;
  // The computer's covers have been on show: it takes the rest.
  void HoldEnded() override;
  // A card of the hand is picked up, or the picked card covers a card sent.
  void HumanClick(long x, long y) override;

 private:
  // The hand is over when the seat's hand and the stock are empty: the winner scores.
  bool EndCheck(std::uint32_t seat);
  void Discard(Card* card);
  // Selects a pair (or two) to send, counting only cards that are not trumps or are trumps below the bar.
  bool SelectPairs(int pairs, std::int32_t bar);
  // Each seat's name 10 pixels off its hand, on the side of the slots.
  void PlaceLabels();
  // Between a hand and the slots: the label and its distance from the hand.
  static const long kLabelRoom = 30;
};
