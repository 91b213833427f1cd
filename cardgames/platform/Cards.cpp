#include "Cards.h"

#include <ostream>

namespace {
std::uint32_t cardCounter = 1;

// Position of a printed suit in an order given as four suits; others come last.
int SuitPlace(std::int32_t suit, const std::int32_t (&order)[4]) {
  for (int i = 0; i < 4; ++i) {
    if (order[i] == suit) return i;
  }
  return 4;
}

const std::int32_t kCDSH[4] = {kSuitClubs, kSuitDiamonds, kSuitSpades, kSuitHearts};
const std::int32_t kSHCD[4] = {kSuitSpades, kSuitHearts, kSuitClubs, kSuitDiamonds};

// Jokers first (equal among themselves); then first key, then second key.
bool JokerFirstThen(const Card* a, const Card* b, int a1, int b1, int a2, int b2) {
  bool aj = a->faceRank == kRankJoker;
  bool bj = b->faceRank == kRankJoker;
  if (aj || bj) return aj && !bj;
  if (a1 != b1) return a1 < b1;
  return a2 < b2;
}
}  // namespace

Card::Card() : uniqueId(cardCounter++) {}

Card::Card(std::int32_t r, std::int32_t s)
    : rank(r), faceRank(r), suit(s), faceSuit(s), uniqueId(cardCounter++) {}

Card::Card(const Card& other)
    : faceUp(other.faceUp),
      rank(other.rank),
      faceRank(other.faceRank),
      suit(other.suit),
      faceSuit(other.faceSuit),
      uniqueId(cardCounter++) {}

Card& Card::operator=(const Card& other) {
  if (this == &other) return *this;
  selected = other.selected;
  faceUp = other.faceUp;
  rank = other.rank;
  faceRank = other.faceRank;
  suit = other.suit;
  faceSuit = other.faceSuit;
  uniqueId = other.uniqueId;
  flags = other.flags;
  return *this;
}

void Card::Reset() {
  selected = false;
  faceUp = false;
  flags = 0;
  rank = faceRank;
  suit = faceSuit;
}

std::ostream& operator<<(std::ostream& out, const Card& card) {
  if (card.faceRank == kRankJoker) return out << "(" << RankName(kRankJoker) << ")";
  return out << "(" << RankName(card.faceRank) << " of " << SuitName(card.faceSuit) << ")";
}

std::string RankName(std::int32_t rank) {
  static const char* const names[] = {"Joker", "Ace",   "Two",  "Three", "Four",
                                      "Five",  "Six",   "Seven", "Eight", "Nine",
                                      "Ten",   "Jack",  "Queen", "King",  "Ace"};
  if (rank < 0 || rank > 14) return "None";
  return names[rank];
}

std::string SuitName(std::int32_t suit) {
  static const char* const names[] = {"Clubs", "Diamonds", "Hearts", "Spades"};
  if (suit < 0 || suit > 3) return "None";
  return names[suit];
}

void NextRank(std::int32_t& rank) { rank = rank == 14 ? 0 : rank + 1; }

void PreviousRank(std::int32_t& rank) { rank = rank == 0 ? 14 : rank - 1; }

bool CompareCardsCDSH(const Card* a, const Card* b) {
  return JokerFirstThen(a, b, SuitPlace(a->faceSuit, kCDSH), SuitPlace(b->faceSuit, kCDSH),
                        a->rank, b->rank);
}

bool CompareCardsSHCD(const Card* a, const Card* b) {
  return JokerFirstThen(a, b, SuitPlace(a->faceSuit, kSHCD), SuitPlace(b->faceSuit, kSHCD),
                        a->rank, b->rank);
}

bool CompareCardsByRank(const Card* a, const Card* b) {
  return JokerFirstThen(a, b, a->rank, b->rank, SuitPlace(a->faceSuit, kCDSH),
                        SuitPlace(b->faceSuit, kCDSH));
}

CardDeck::~CardDeck() {
  lastDrawn = nullptr;
  stock.clear();
  pack.clear();
}

void CardDeck::AddToPack(std::int32_t suit, std::int32_t rank) { pack.emplace_back(rank, suit); }

void CardDeck::Gather() {
  stock.clear();
  for (Card& c : pack) {
    c.Reset();
    stock.push_back(&c);
  }
}

void CardDeck::Shuffle(RandomSource& rng) { ShuffleSequence(stock, rng); }

Card* CardDeck::Draw() {
  if (stock.empty()) return nullptr;
  lastDrawn = stock.back();
  stock.pop_back();
  return lastDrawn;
}

Card* CardDeck::BottomCard() const { return stock.empty() ? nullptr : stock.front(); }

void CardDeck::ReturnCard(Card* card) {
  if (card) stock.push_back(card);
}

void CardDeck::TurnAllFaceUp() {
  for (Card& c : pack) c.faceUp = true;
}

void CardDeck::SetRankValue(std::int32_t faceRank, std::int32_t rank) {
  for (Card& c : pack) {
    if (c.faceRank == faceRank) c.rank = rank;
  }
}

void CardDeck::SetTenBelowAce() {
  SetRankValue(10, 13);
  SetRankValue(13, 12);
  SetRankValue(12, 11);
  SetRankValue(11, 10);
}

void CardDeck::SetCardValue(std::int32_t faceRank, std::int32_t faceSuit, std::int32_t rank,
                            std::int32_t suit) {
  for (Card& c : pack) {
    if (c.faceRank == faceRank && c.faceSuit == faceSuit) {
      c.rank = rank;
      c.suit = suit;
    }
  }
}

Card* DeckIterator::First() {
  index = 0;
  start = 0;
  return deck->pack.empty() ? nullptr : &deck->pack[0];
}

Card* DeckIterator::Next() {
  std::size_t size = deck->pack.size();
  if (index + 1 >= size) return nullptr;
  ++index;
  return &deck->pack[(start + index) % size];
}

void BeginSuitCycle(RandomSource& rng, std::int32_t& suit, SuitCycle& cycle) {
  cycle.first = static_cast<std::int32_t>(rng.Next(4));
  cycle.count = 0;
  suit = cycle.first & 3;
}
