// Arlington: two players draw, meld sets and runs of three or four into eight slots
// each, and discard; a single joker and (by option) the deuces are wild.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "CardGame.h"
#include "GameOptions.h"

std::string ArlingtonName();
std::int32_t ArlingtonId();
CardGame* CreateArlingtonGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

// Back to a plain joker that stands for nothing.
void ResetJokerCard(Card& card);

struct MeldSlot {
  void Clear();
  bool isRun = false;
  bool hasJoker = false;
  CardStack pile;
  std::int32_t lowRank = 14;
  std::int32_t highRank = 15;
  std::int32_t suit = kSuitNone;
};

class ArlingtonGame : public CardGame {
 public:
  static const int kSlots = 8;
  // Rank place of a card in the hand, for CardValue.
  static const std::int32_t kInHand = 15;

  ArlingtonGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~ArlingtonGame() override;

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
  std::int32_t CardValue(const Card* card, bool inMeld, std::int32_t position) const;
  bool IsWild(const Card* card) const;
  // Lays the selected cards of the seat's hand (and the taken top discard) into a slot.
  bool MeldInSlot(std::uint32_t seat, int slot, Card* extraCard);
  bool AddCardToSlot(std::uint32_t seat, int slot, Card* card);
  void ScoreSlot(std::uint32_t seat, int slot, bool clear);
  void ExchangeJoker(Card* card, std::uint32_t seat);
  bool TakeDiscardPile(std::uint32_t seat);
  bool IsLegalDiscard(const Card* card, const CardPile& hand) const;
  void Discard(std::uint32_t seat);
  // The seat went out or the stock ran out with its discard.
  void EndOfHand(std::uint32_t seat);
  // One step of a computer seat's turn.
  void ComputerStep();
  bool ComputerTakeDiscard(std::uint32_t seat);
  bool ComputerMeldNew(std::uint32_t seat);
  bool ComputerAddToMelds(std::uint32_t seat);
  Card* ChooseDiscard(std::uint32_t seat);
  // The card that the melded joker stands for matches this one.
  bool MatchesJoker(const Card* card) const;

  bool deucesWild = true;
  bool mustDraw = false;
  Card jokerCard;
  CardStack discardPile;
  std::int32_t computerStep = 0;
  std::int32_t seen[5][15] = {};
  MeldSlot slots[2][kSlots];
  RECT deckRect = {};
  RECT jokerRect = {};

 private:
  void PlaceWildInRun(std::uint32_t seat, int slot, Card* card);
  void ChooseJokerSuit(std::uint32_t seat, int slot);
  void PutOnTable(Card* card);
  void HumanClick(long x, long y);
  void HumanDiscardPileClick();
  void HumanDeckClick();
  void HumanJokerClick();
  void DrawCard(std::uint32_t seat);
  bool TryMeld(std::uint32_t seat, const std::vector<Card*>& cards);
};
