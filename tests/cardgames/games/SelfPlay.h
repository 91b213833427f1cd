// Plays whole games through a game's own operations (ticks and clicks), with the human
// seat played by random legal choices, and checks the play as it goes:
//  - every card a seat plays was in its hand and was legal when it was played;
//  - every seat that takes part plays exactly one card to every trick, in turn after the
//    leader, and the winner of a trick leads the next one;
//  - at the end of every hand each card of the pack is in exactly one place;
//  - the game finishes within a bounded number of ticks and is not left paused.
// Trick games use it as it stands; other games override the human's move and the checks.
#pragma once
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "CardGame.h"
#include "GameTestKit.h"

struct SelfPlayOptions {
  std::uint64_t maxTicks = 50000;
  // Click the table while a trick or a hand is held, to move on at once.
  bool clickThroughHolds = false;
  // After each of the human's plays, try to play a second card to the same trick.
  bool doubleClickPlays = true;
  // Seats play in turn and the winner of a trick leads the next one.
  bool checkTurnOrder = true;
  // Tricks every hand must have (0: not checked).
  int tricksPerHand = 0;
  // Called at the end of every hand, after the checks.
  std::function<void(CardGame&)> onHandOver;
};

struct SelfPlayResult {
  bool finished = false;
  std::uint64_t ticks = 0;
  int hands = 0;
  int tricks = 0;
  int humanPlays = 0;
  std::vector<std::string> faults;
  std::vector<ScriptedDialogs::Box> boxes;
};

class SelfPlay {
 public:
  SelfPlay(CardGame& game, RandomSource& choices) : game_(game), choices_(choices) {}
  virtual ~SelfPlay() = default;

  // Starts a new game (as the New Game button does) and plays it to the end.
  SelfPlayResult Run(const SelfPlayOptions& options);

 protected:
  // The game waits for the human seat.
  virtual bool HumanToMove();
  // Picks a legal card at random and clicks it twice.
  virtual void MoveHuman();
  // The hand has ended: checks the pack.
  virtual bool HandEnded(std::int32_t before, std::int32_t after);
  virtual void CheckHand();

  void Click(long x, long y);
  bool ClickCard(const CardPile& pile, const Card* card);
  void Fault(const std::string& what);

  CardGame& game_;
  RandomSource& choices_;
  SelfPlayOptions options_;
  SelfPlayResult result_;

 private:
  void Snapshot();
  void Observe();
  // A seat has played: it leads after the last winner or follows the seat before it.
  void CheckTurn(std::uint32_t seat, bool leads);

  std::vector<std::vector<Card*>> hands_;
  std::vector<Card*> played_;
  TrickState tricks_;
  std::int32_t state_ = Dealing;
  std::vector<int> trickPlays_;
  std::set<Card*> playedThisHand_;
  int tricksThisHand_ = 0;
  // Seat that played last to the current trick, and the winner of the last trick (-1: none).
  std::int32_t lastToPlay_ = -1;
  std::int32_t lastWinner_ = -1;
};

// A point inside the card's visible part of the pile; false when there is none.
bool PointOnCard(const CardPile& pile, const Card* card, long& x, long& y);
