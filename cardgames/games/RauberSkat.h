// Rauber Skat: three players, 32 cards, ten each and a skat of two. The seats bid by fixed
// values, the winner declares a suit game, Grand, Null or (when nobody bid) Reject, with or
// without the skat, and scores its game value by the matadors. Eight hands.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ChoiceList.h"
#include "TrickGame.h"

std::string RauberSkatName();
std::int32_t RauberSkatId();
CardGame* CreateRauberSkatGame(RandomSource& rng, std::uint32_t humanSeat, HWND window);

// The game flags: what is declared and announced.
enum SkatGameFlags : std::uint32_t {
  kSkatOpen = 1,
  kSkatHand = 2,
  kSkatNull = 4,
  kSkatGrand = 8,
  kSkatSpades = 16,
  kSkatHearts = 32,
  kSkatClubs = 64,
  kSkatDiamonds = 128,
  kSkatSchneider = 256,
  kSkatSchwarz = 512,
  kSkatReject = 1024,
};

constexpr std::uint32_t kSkatBidCount = 67;
extern const std::uint32_t SkatBidValues[kSkatBidCount];

// Points of a card by its printed rank.
std::uint32_t SkatCardPoints(const Card& card);
// Clubs 12, spades 11, hearts 10, diamonds 9; Grand (suit 4) 20.
std::uint32_t SuitGameBase(std::int32_t suit);
// The flag of a suit game and back; the trump suit of a game (4 for Null, Grand, Reject).
std::uint32_t SkatSuitFlag(std::int32_t suit);
std::int32_t SkatTrumpSuit(std::uint32_t flags);
// The text the declaration shows after the declarer's name, as " Bids Grand Hand ".
std::string SkatDeclarationText(std::uint32_t flags);
// The value a game is worth before play: Null 23 (Open 48), Reject 10, else the bid reached.
std::uint32_t SkatGameValue(std::uint32_t flags, std::uint32_t bidIndex);

class RauberSkatGame : public TrickGame {
 public:
  static constexpr std::uint32_t kNoDeclarer = 3;

  RauberSkatGame(HWND window, std::uint32_t humanSeat, RandomSource& rng);
  ~RauberSkatGame() override;

  // The user's bid (as the seat that calls, or the one that answers) and game choices.
  ChoiceList BidChoices(bool calling) const;
  ChoiceListWithCheck GameChoices() const;
  // The game flags of a game dialog's answer and its check boxes.
  static std::uint32_t GameFromDialog(std::int32_t value, const ChoiceListWithCheck& record);

  void OnTimer() override;
  void Paint(HDC hdc) override;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override;
  void SetCurrentSeat(std::uint32_t seat) override;
  void ComputerBid(std::uint32_t seat) override;
  void PlayCard(std::uint32_t seat, Card* card) override;
  Card* ChooseCard() override;
  void Layout() override;

  // A computer seat's game and highest bid from its cards.
  void EvaluateSkatHand(std::uint32_t seat);
  // Matadors a hand expects with trump suit t (4: jacks only).
  static std::uint32_t EstimateMatadors(const CardPile& hand, std::int32_t t);
  // The declarer's matadors over its trumps in play order: with (true) or without.
  std::uint32_t CountMatadors(bool& with) const;
  // Play values for the declared game: the jacks join the trumps.
  void SetSkatOrder();
  void DeclareGame();
  void ComputerSkat();
  void HumanSkat();
  void HumanGame();
  // One step of the bidding: the calling seat's bid (an index, 0 a pass) or the answer.
  void BidderCalls(std::uint32_t index);
  void ListenerAnswers(bool hold);
  // The hand is over: the skat and the game are scored.
  void ScoreHand() override;
  // The name at a seat, with its bid text.
  std::string SeatLabel(std::uint32_t seat) override;

  bool noBidYet = true;
  Card* skat[2] = {};
  // The cards put away for the skat: they count for the declarer.
  std::vector<Card*> discards;
  std::vector<std::string> bidTexts;
  std::uint32_t maxBid[3] = {};
  std::uint32_t phase = 0;
  std::uint32_t seatGame[3] = {};
  std::uint32_t gameFlags = 0;
  std::uint32_t gameValue = 0;
  std::uint32_t bidIndex = 0;
  std::uint32_t matadors = 0;
  std::uint32_t trickPoints = 0;
  std::uint32_t cardPoints[3] = {};
  std::uint32_t tricksTaken[3] = {};
  std::int32_t trumpSuit = kSuitNone;
  std::uint32_t bidder = 0;
  std::uint32_t leader = 0;
  std::uint32_t listener = 0;
  std::uint32_t declarer = kNoDeclarer;
  std::int32_t lastTrickWinner = -1;

 protected:
  void TrickOver() override;
  void BiddingClick(LPARAM lParam) override;
  void EndBiddingHold() override;

 private:
  void EndBiddingWith(std::uint32_t seat);
  void Hold(std::int32_t ticks);
  void Discard(std::uint32_t seat, Card* card);
  void TakeSkatIntoHand(std::uint32_t seat);
  void ScoreSuitGame();
  void ScoreNull();
  void ScoreReject();
  bool IsDefender(std::uint32_t seat) const { return declarer < kNoDeclarer && seat != declarer; }
  // The card of a suit that a defender leads into the Open declarer's hand, or null.
  using SuitLead = std::function<Card*(const SeatRecord& mine, const SeatRecord& theirs, std::int32_t suit)>;
  Card* LeadIntoOpen(const SeatRecord& hand, const SuitLead& lead);
  Card* LeadLowOpen(const SeatRecord& hand);
  Card* LeadAgainstOpen(const SeatRecord& hand);
  Card* PickByPoints(const SeatRecord& hand, bool takeTrick);
  Card* ThirdHandWin(const SeatRecord& hand);
  Card* SmearPoints(const SeatRecord& hand);

  RECT skatLabelRect_ = {};
  RECT skatRect_ = {};
};
