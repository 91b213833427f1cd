// Trick referee and the computer players' card choices for the trick-taking games.
#pragma once
#include <cstdint>

#include "CardPile.h"

class TrickState {
 public:
  TrickState();

  // Start of a hand: the rules' opening values, no trump, budgets of 3, nothing counted.
  void NewHand();
  // Counts every pack card (play values) as unplayed.
  void AddUnplayed(const CardDeck& deck);
  // Counts the pack again from nothing, for play values changed after the deal.
  void RebuildUnplayed(const CardDeck& deck);
  void NewTrick();
  // Suit 4 stands for no trump here.
  void SetTrump(std::int32_t suit);
  // Cards a game has moved into suit 4 (Rauber Skat's jacks in Grand) are trumps.
  void SetTrumpSuit4();
  void ClearTrump();
  void SetTrumpFromCard(const Card& card);
  void SetNoLeadSuit(std::int32_t suit);

  bool IsLegalPlay(const Card* card, const CardPile& hand) const;
  bool WouldWin(const Card* card) const;
  bool Outranks(const Card* a, const Card* b) const;
  // Records the card; true when it now wins the trick.
  bool Play(Card* card, std::int32_t seat);
  static bool BothOrNeither(bool a, bool b) { return a == b; }

  std::uint32_t CountHigherUnplayed(const Card* card) const;
  std::uint32_t CountLowerUnplayed(const Card* card) const;
  std::uint32_t CountUnplayedOfSuit(std::int32_t suit) const;
  bool CanLose(const CardPile& hand) const;
  bool CanWin(const CardPile& hand, bool sureOnly) const;
  bool CanOutlastHigher(const Card* card, const CardPile& hand) const;
  Card* LowestOfSuit(const CardPile& hand, std::int32_t suit) const;

  Card* ChooseLead(const CardPile& hand, RandomSource& rng) const;
  Card* ChooseLeadInSuit(const CardPile& hand, std::int32_t suit, std::uint32_t& score) const;
  Card* ChooseLeadInSuit(const CardPile& hand, std::int32_t suit) const {
    std::uint32_t score = 15;
    return ChooseLeadInSuit(hand, suit, score);
  }
  Card* ChooseLosingCard(const CardPile& hand, RandomSource& rng, bool dumpHigh) const;
  Card* ChooseWinningCard(const CardPile& hand, RandomSource& rng, bool dumpHigh) const;
  Card* ChooseLowCard(const CardPile& hand, RandomSource& rng) const;

  bool firstTrickTrumpRule = true;
  bool trumpAllowed = true;
  std::uint32_t suitBudget[5] = {};
  std::uint32_t unplayed[15][5] = {};
  std::uint32_t playedCount = 0;
  std::int32_t winningSeat = 0;
  std::int32_t trump = kSuitNone;
  bool suit4Trump = false;  // trump is 4 and suit 4 is a real trump suit
  std::int32_t noLeadSuitRule = kSuitNone;
  std::int32_t noLeadSuit = kSuitNone;
  Card* previousTrick[4] = {};
  Card* currentTrick[4] = {};
  Card* ledCard = nullptr;
  Card* winningCard = nullptr;

 private:
  bool HasTrump() const { return trump != kSuitNone || suit4Trump; }
  bool IsTrump(const Card* card) const;
  bool HasLegalCard(const CardPile& hand) const;
  // A suit that may not be led yet, unless the hand holds nothing else.
  bool IsClosedFor(std::int32_t suit, const CardPile& hand) const;
};
