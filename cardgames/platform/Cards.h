// Playing cards, the pack and stock, card texts and hand orders.
#pragma once
#include <cstdint>
#include <deque>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "Random.h"

class CardImages;
struct HDC__;  // HDC of the drawing units

// Ranks: 0 joker, 1 low ace, 2..13 two to king, 14 high ace.
// Suits: 0 clubs, 1 diamonds, 2 hearts, 3 spades, 4 none.
enum { kSuitClubs = 0, kSuitDiamonds = 1, kSuitHearts = 2, kSuitSpades = 3, kSuitNone = 4 };
enum { kRankJoker = 0, kRankLowAce = 1, kRankKing = 13, kRankHighAce = 14 };

class Card {
 public:
  Card();
  Card(std::int32_t rank, std::int32_t suit);
  // A copy is a new card: it takes a new uniqueId and starts unselected with no flags.
  Card(const Card& other);
  // Assignment copies everything, uniqueId and flags included.
  Card& operator=(const Card& other);

  // Back to the printed values; unselected, face down, no flags.
  void Reset();

  // Face when faceUp or showFace, else the chosen back.
  void Draw(CardImages& images, HDC__* hdc, int x, int y, bool showFace) const;
  void DrawBack(CardImages& images, HDC__* hdc, int x, int y) const;

  bool selected = false;
  bool faceUp = false;
  std::int32_t rank = 0;      // in play
  std::int32_t faceRank = 0;  // printed
  std::int32_t suit = 4;      // in play
  std::int32_t faceSuit = 4;  // printed
  std::uint32_t uniqueId = 0;
  std::uint32_t flags = 0;
};

// "(Ace of Spades)", "(Joker)": names the printed card.
std::ostream& operator<<(std::ostream& out, const Card& card);

std::string RankName(std::int32_t rank);
std::string SuitName(std::int32_t suit);
void NextRank(std::int32_t& rank);
void PreviousRank(std::int32_t& rank);

// Hand orders.
enum CardSortMode : std::int32_t {
  kSortCDSH = 0,  // clubs, diamonds, spades, hearts
  kSortSHCD = 1,  // spades, hearts, clubs, diamonds
  kSortByRank = 2,
};
// "a before b"; jokers first and equal among themselves.
bool CompareCardsCDSH(const Card* a, const Card* b);
bool CompareCardsSHCD(const Card* a, const Card* b);
bool CompareCardsByRank(const Card* a, const Card* b);

class CardDeck {
 public:
  CardDeck() = default;
  ~CardDeck();
  CardDeck(const CardDeck&) = delete;
  CardDeck& operator=(const CardDeck&) = delete;

  void AddToPack(std::int32_t suit, std::int32_t rank);
  // Resets every card and refills the stock in pack order.
  void Gather();
  void Shuffle(RandomSource& rng);
  // Next card from the end of the stock, or null when it is empty.
  Card* Draw();
  Card* BottomCard() const;
  // Puts the card back on the end: it is drawn next.
  void ReturnCard(Card* card);
  void TurnAllFaceUp();
  void SetRankValue(std::int32_t faceRank, std::int32_t rank);
  // The ten ranks just below the ace; king, queen and jack move down one.
  void SetTenBelowAce();
  void SetCardValue(std::int32_t faceRank, std::int32_t faceSuit, std::int32_t rank,
                    std::int32_t suit);

  // A deque keeps the cards where they are while the pack grows.
  std::deque<Card> pack;
  std::vector<Card*> stock;
  Card* lastDrawn = nullptr;
};

class DeckIterator {
 public:
  explicit DeckIterator(CardDeck& deck) : deck(&deck) {}
  Card* First();
  Card* Next();

  CardDeck* deck;
  std::size_t index = 0;
  std::size_t start = 0;
};

// A walk over the four suits from a random start.
struct SuitCycle {
  std::int32_t count = 0;
  std::int32_t first = 0;
};
void BeginSuitCycle(RandomSource& rng, std::int32_t& suit, SuitCycle& cycle);

// Same method for the stock and for piles: each position from 1 up swaps with a
// random position at or below it.
template <class Seq>
void ShuffleSequence(Seq& items, RandomSource& rng) {
  for (std::size_t i = 1; i < items.size(); ++i) {
    std::size_t j = rng.Next(static_cast<std::uint32_t>(i + 1));
    if (j > i) j = i;  // a source that breaks its bound must not reach past the end
    std::swap(items[i], items[j]);
  }
}
