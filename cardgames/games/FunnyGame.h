// Funny Game: four players, twelve hands, each played under a contract the dealer picks
// from a menu of trump and penalty contracts; every seat picks one trump contract and two
// penalty contracts over its three deals.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "ChoiceList.h"
#include "TrickGame.h"

std::string FunnyGameName();
std::int32_t FunnyGameId();
CardGame* CreateFunnyGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

class FunnyGame : public TrickGame {
 public:
  // Contracts are single bits; the five trump contracts are the low five.
  static constexpr std::uint32_t kTrumpContracts = 0x1F;
  static constexpr std::uint32_t kNoTrump = 16;
  static constexpr std::uint32_t kNoTricks = 32 | 64;
  static constexpr std::uint32_t kNoLastTrick = 128 | 256;
  static constexpr std::uint32_t kNoHearts = 512;
  static constexpr std::uint32_t kNoQueens = 1024;
  static constexpr std::uint32_t kNoKingsOrJacks = 2048;
  static constexpr std::uint32_t kNoKingOfHearts = 4096;
  static constexpr std::uint32_t kAllContracts = 0x1FFF;

  FunnyGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~FunnyGame() override;

  static std::string ContractName(std::uint32_t value);
  // The contracts the user may pick as dealer.
  static ChoiceList ContractChoices(std::uint32_t openContracts, bool tookTrump, std::int32_t penaltyDealsLeft);
  // The computer's pick for a hand; always an open contract while one is open.
  static std::uint32_t PickContract(const CardPile& hand, std::int32_t penaltyDealsLeft, bool tookTrump,
                                    std::uint32_t openContracts, RandomSource& rng);
  // What the trick is worth after this card, under the contract.
  static std::int32_t TrickValueAfter(std::uint32_t contract, std::int32_t trickValue, const Card& card,
                                      std::size_t cardsInHand);

  void OnTimer() override;
  void Paint(HDC hdc) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void SetCurrentSeat(std::uint32_t seat) override;
  void ComputerBid(std::uint32_t seat) override;
  void PlayCard(std::uint32_t seat, Card* card) override;
  Card* ChooseCard() override;

  // The current seat's contract for this hand.
  void ApplyContract(std::uint32_t value);
  bool TookTrump(std::uint32_t seat) const { return (usedContracts[seat % 4] & kTrumpContracts) != 0; }

  std::int32_t trickValue = 0;
  std::int32_t penaltyDealsLeft[4] = {};
  std::uint32_t openContracts = kAllContracts;
  std::uint32_t contract = 0;
  std::uint32_t usedContracts[4] = {};

 protected:
  void TrickOver() override;
  void GatherTrick() override;

 private:
  void AskContract();
  void ContractPicked();
  Card* FollowBelow(std::int32_t limit);
  Card* LeadAvoiding(std::int32_t limit, std::int32_t suit);
  Card* SafeWin(std::int32_t limit, std::int32_t suit);
  bool BudgetLeft(std::int32_t suit) const;
};
