// Canasta: two partnerships draw or take the discard pile, lay threes aside as bonus
// cards, meld by rank and complete canastas of seven cards.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CardGame.h"
#include "GameOptions.h"

std::string CanastaName();
std::int32_t CanastaId();
CardGame* CreateCanastaGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class CanastaGame : public CardGame {
 public:
  static const int kMelds = 8;
  // hasCanasta's entry for a canasta of wild cards.
  static const int kWildKind = 15;

  CanastaGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~CanastaGame() override;

  void OnLButtonDown(LPARAM lParam) override;
  void OnTimer() override;
  void Paint(HDC hdc) override;
  bool HasOptions() override;
  bool ShowRules(HWND textBox) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void ShowOptions(HWND parent) override;
  void SetCurrentSeat(std::uint32_t seat) override;
  void Layout() override;

  GameOptionsFile OptionsFile();
  // Checks the option values and applies the hand size.
  void ApplyOptions();
  std::uint32_t TeamOf(std::uint32_t seat) const;
  static std::int32_t CardValue(const Card* card);
  static bool IsWild(const Card* card);
  bool IsBonus(const Card* card) const;
  static std::uint32_t InitialRequirement(std::int32_t cardsDealt, std::int32_t score);
  std::int32_t CanastaBonus(const std::vector<Card*>& cards) const;
  std::int32_t BonusCardScore(std::uint32_t team) const;
  // Values and penalties of the melds left unfinished.
  std::int32_t UnfinishedMeldScore(std::uint32_t team) const;
  std::int32_t CanastaCount(std::uint32_t team) const;

  bool MeldInPile(std::uint32_t seat, int meld, Card* extraCard, bool silent);
  bool TakeDiscardPile(std::uint32_t seat);
  bool CanEndTurn(std::uint32_t seat);
  void RetrieveMelds(std::uint32_t seat);
  void Discard(std::uint32_t seat);
  void EndOfHand(std::uint32_t seat);
  // Lays a bonus card aside and draws its replacement.
  void LayBonusCard(std::uint32_t seat, Card* card);
  bool DrawCard(std::uint32_t seat);
  std::string CanastaSummary(std::uint32_t team) const;

  void ComputerTurn();
  bool OpponentsReady(std::uint32_t seat) const;
  bool WorthMelding(std::uint32_t seat, std::int32_t rank) const;
  bool MeetRequirement(std::uint32_t seat);
  bool WantsDiscardPile(std::uint32_t seat);
  void ComputerMeld(std::uint32_t seat);
  std::int32_t KeepScore(std::uint32_t seat, const Card* card) const;
  std::int32_t SafetyScore(std::uint32_t seat, const Card* card) const;
  Card* ChooseDiscard(std::uint32_t seat);

  CardStack discardPile;
  CardStack canastaPile[2];
  CardStack bonusPile[2];
  CardStack meldPile[2][kMelds];
  RECT deckRect = {};
  bool mustDraw = false;
  std::uint32_t requirement[2] = {};
  // The requirement as it was at the deal; retrieving melds goes back to it.
  std::uint32_t dealRequirement[2] = {};
  std::int32_t handScore[2] = {};
  std::uint8_t hasCanasta[2][16] = {};
  bool concealed[2] = {};
  // Completed canastas by kind, for the canasta pile's summary.
  std::int32_t naturalCanastas[2] = {};
  std::int32_t mixedCanastas[2] = {};
  std::int32_t wildCanastas[2] = {};
  std::int32_t cardsDealt = 11;
  bool allThrees = false;
  bool twoCanastasToGoOut = false;
  bool oneCanastaToScore = false;
  bool sevensCanasta = false;
  bool acesCanasta = false;
  bool wildCanasta = false;

 private:
  // Refuses with a message (for the human) and answers false.
  bool Refuse(bool silent, const char* text);
  std::uint32_t CountRankInHand(std::uint32_t seat, std::int32_t rank) const;
  std::vector<Card*> CardsOfRank(std::uint32_t seat, std::int32_t rank) const;
  std::vector<Card*> WildsInHand(std::uint32_t seat) const;
  int FirstEmptyMeld(std::uint32_t team) const;
  bool MeldCards(std::uint32_t seat, int meld, const std::vector<Card*>& cards);
  void LayBonusCards(std::uint32_t seat);
  void CompleteCanasta(std::uint32_t team, int meld);
  void HumanClick(long x, long y);
  void HumanDiscardPileClick();
};
