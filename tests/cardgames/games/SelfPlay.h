// Plays whole games through a game's own operations (ticks and clicks), with the human
// seat played at random, and checks the play as it goes:
//  - every card a seat plays to a trick was in its hand and was legal when it was played;
//  - every seat that takes part plays exactly one card to every trick, in turn after the
//    leader, and the winner of a trick leads the next one;
//  - a card leaves a hand only to be played or to a place the game lists;
//  - at the end of every hand each card of the pack (and of a second pack) is in exactly
//    one place: a hand, the stock, a listed place, or gone with a trick;
//  - every box or dialog is answered with one of the values it offered, and no box opens
//    but those the game allows and the one that ends the game;
//  - the game finishes within a bounded number of ticks and is not left paused.
// Trick games use it as it stands; other games set the options below.
#pragma once
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "CardGame.h"
#include "ChoiceList.h"
#include "GameTestKit.h"

// Answers every box and choice dialog from its own seeded random source and records what
// was offered and answered: Yes or No at random, one of the offered values, random flags
// of a check-box choice (or as checkFlags sets them); options dialogs are cancelled.
class RandomDialogs : public ScriptedDialogs {
 public:
  RandomDialogs(const CardGame* watched, RandomSource& rng) : ScriptedDialogs(watched), rng_(rng) {}

  bool YesNo(HWND owner, const std::string& caption, const std::string& text) override;
  std::int32_t Choose(HWND owner, int dialogId, DLGPROC procedure, ChoiceList& list) override;
  std::int32_t ChooseWithCheck(HWND owner, int dialogId, DLGPROC procedure, ChoiceListWithCheck& record) override;

  // Sets the three flags of a check-box choice; without it: ticked at random, and at most
  // one of allowCheck and extraFlag (they are radio buttons in Rauber Skat).
  std::function<void(ChoiceListWithCheck&, RandomSource&)> checkFlags;

 private:
  std::int32_t Pick(const ChoiceList& list);
  RandomSource& rng_;
};

struct SelfPlayOptions {
  std::uint64_t maxTicks = 50000;
  // Seed of the source that answers the boxes and dialogs.
  std::uint32_t dialogSeed = 1;
  // Click the table while a trick or a hand is held, to move on at once.
  bool clickThroughHolds = false;
  // After each of the human's plays, try to play a second card to the same trick.
  bool doubleClickPlays = true;
  // Seats play in turn and the winner of a trick leads the next one.
  bool checkTurnOrder = true;
  // The game plays tricks (seats' playedCard): check every play as a play to a trick.
  bool trickPlays = true;
  // The user bids by clicking a card of the hand twice during Bidding.
  bool bidByClick = false;
  // Tricks every hand must have (0: not checked).
  int tricksPerHand = 0;
  // The state in which a hand is over and the pack is checked.
  std::int32_t handOverState = HandOver;
  // The game's own count of finished hands (default handsPlayed); every change is a hand.
  std::function<std::uint32_t(const CardGame&)> handCounter;
  // Cards the game keeps outside hands and stock: table piles, turn-up, skat, discards.
  std::function<void(const CardGame&, std::vector<const Card*>&)> places;
  // A pack besides the game's deck whose cards are in play too.
  std::function<const CardDeck*(const CardGame&)> secondPack;
  // Boxes the game opens in normal play (besides the one that ends the game).
  std::function<bool(const ScriptedDialogs::Box&)> allowBox;
  // How the check-box choices are answered (see RandomDialogs).
  std::function<void(ChoiceListWithCheck&, RandomSource&)> checkFlags;
  // A game that is not played by cards to tricks: when the user is to move, and the move
  // (with the driver's clicks; false when it found nothing to do).
  std::function<bool(const CardGame&)> humanToMove;
  std::function<bool(class SelfPlay&)> humanMove;
  // Called at the end of every hand, after the checks.
  std::function<void(CardGame&)> onHandOver;
};

struct SelfPlayResult {
  bool finished = false;
  std::uint64_t ticks = 0;
  int hands = 0;
  int tricks = 0;
  int humanPlays = 0;
  int humanBids = 0;
  std::vector<std::string> faults;
  std::vector<ScriptedDialogs::Box> boxes;
};

class SelfPlay {
 public:
  SelfPlay(CardGame& game, RandomSource& choices) : game_(game), choices_(choices) {}
  virtual ~SelfPlay() = default;

  // Starts a new game (as the New Game button does) and plays it to the end.
  SelfPlayResult Run(const SelfPlayOptions& options);

  // For a game's own moves: clicks at a point or on a card's visible part (false when no
  // point shows it), a random number below n, and a fault to report.
  void Click(long x, long y);
  void RightClick(long x, long y);
  bool ClickCard(const CardPile& pile, const Card* card);
  bool RightClickCard(const CardPile& pile, const Card* card);
  // Selects the card (unless it is selected) and clicks it again, as the user plays a card;
  // false, with a fault, when no point shows it.
  bool ClickToPlay(const CardPile& pile, const Card* card);
  std::uint32_t Random(std::uint32_t n);
  void Fault(const std::string& what);
  CardGame& Game() { return game_; }

 protected:
  // The game waits for the human seat.
  virtual bool HumanToMove();
  // Picks a legal card at random and clicks it twice (or bids with a card).
  virtual void MoveHuman();
  // The hand has ended: checks the pack.
  virtual bool HandEnded(std::int32_t before, std::int32_t after);
  virtual void CheckHand();

  CardGame& game_;
  RandomSource& choices_;
  SelfPlayOptions options_;
  SelfPlayResult result_;

 private:
  void BidHuman();
  void Snapshot();
  void Observe();
  // A seat has played: it leads after the last winner or follows the seat before it.
  void CheckTurn(std::uint32_t seat, bool leads);
  // Cards the game holds somewhere now: hands, stock, played cards and listed places.
  std::vector<const Card*> Located() const;
  bool FromPacks(const Card* card) const;
  std::uint32_t HandCount() const;

  std::vector<std::vector<Card*>> hands_;
  std::vector<Card*> played_;
  TrickState tricks_;
  std::int32_t state_ = Dealing;
  std::uint32_t handCount_ = 0;
  std::vector<int> trickPlays_;
  std::set<const Card*> playedThisHand_;
  int tricksThisHand_ = 0;
  // Seat that played last to the current trick, and the winner of the last trick (-1: none).
  std::int32_t lastToPlay_ = -1;
  std::int32_t lastWinner_ = -1;
};

// A point inside the card's visible part of the pile; false when there is none.
bool PointOnCard(const CardPile& pile, const Card* card, long& x, long& y);
