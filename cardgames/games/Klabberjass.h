// Klabberjass: two players, 32 cards, six each and a turn-up; trump is taken in two
// bidding rounds (or by Schmeiss), three more cards follow, then sequences, bella, card
// points and the last trick decide whether the maker scores or goes "bete". Twelve hands.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ChoiceList.h"
#include "TrickGame.h"

std::string KlabberjassName();
std::int32_t KlabberjassId();
CardGame* CreateKlabberjassGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

enum KlabberjassBid : std::int32_t {
  kKlabPass = 4,
  kKlabSchmeiss = 5,
  kKlabTakeIt = 6,
  kKlabAccept = 7,
  kKlabDeny = 8,
};

std::string KlabberjassBidText(std::int32_t value);
// Points of a card by its printed rank, as a trump or not.
std::int32_t KlabberjassCardPoints(const Card& card, std::int32_t trumpSuit);

class KlabberjassGame : public TrickGame {
 public:
  KlabberjassGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~KlabberjassGame() override;

  // The user's bids: cycle 0 (or the answer to a Schmeiss) and cycle 1.
  static ChoiceList BidChoices(std::uint32_t cycle, bool answerSchmeiss);
  // A seat's best sequence: length, end position (one above its top rank; 15 for the ace) and suit.
  struct Run {
    std::uint32_t length = 0;
    std::uint32_t end = 0;
    std::int32_t suit = kSuitNone;
  };
  static Run BestRun(const CardPile& hand, std::vector<Run>* ended = nullptr);
  static bool TrumpQuality(const CardPile& hand, std::int32_t suit);
  bool IsLegalKlabberjass(const Card* card, const CardPile& hand) const;

  void OnLButtonDown(LPARAM lParam) override;
  void Paint(HDC hdc) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void SetCurrentSeat(std::uint32_t seat) override;
  void ComputerBid(std::uint32_t seat) override;
  void PlayCard(std::uint32_t seat, Card* card) override;
  Card* ChooseCard() override;

  void EvaluateHand(std::uint32_t seat, bool announce);
  void MakeTrump(std::int32_t suit, std::uint32_t seat);
  // The winner of the sequences; its runs of three or more score.
  std::uint32_t CompareRuns();
  // The hand's points go to the scores: the maker needs more than the opponent.
  void ScoreHandPoints();

  std::vector<std::string> bidTexts;
  std::uint32_t bellaCount[2] = {};
  std::uint32_t biddingCycle = 0;
  std::uint32_t maker = 2;
  std::int32_t trumpSuit = kSuitNone;
  std::uint32_t runLength[2] = {};
  std::uint32_t runTop[2] = {};
  std::int32_t runSuit[2] = {};
  std::int32_t trickPoints = 0;
  std::int32_t handPoints[2] = {};
  std::int32_t suitStrength[5] = {};
  Card* turnUp = nullptr;
  Card* shownCard = nullptr;

 protected:
  void TrickOver() override;
  void GatherTrick() override;
  void AskHumanBid() override;
  void EndBidding() override;
  void EndBiddingHold() override;
  std::string SeatLabel(std::uint32_t seat) override;

 private:
  std::uint32_t ComputerSeat() const { return (humanSeat + 1) % 2; }
  std::int32_t RunBonus(std::uint32_t seat) const;
  void SetBid(std::uint32_t seat, std::int32_t value, const std::string& text);
  void ClearBidOf(std::uint32_t seat);
  void ComputerChoose(std::uint32_t seat);
  void ExchangeDix();
  void SetTrumpOrder();
};
