// Shared helpers of the card tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "CardPile.h"
#include "Random.h"

// Hands out the given numbers in turn (modulo the bound) and counts the draws.
class ScriptedRandom : public RandomSource {
 public:
  ScriptedRandom(std::initializer_list<std::uint32_t> values = {}) : values_(values) {}
  explicit ScriptedRandom(const std::vector<std::uint32_t>& values) : values_(values.begin(), values.end()) {}
  std::uint32_t Next(std::uint32_t bound) override {
    ++draws;
    std::uint32_t v = 0;
    if (!values_.empty()) {
      v = values_.front();
      values_.pop_front();
    }
    return bound ? v % bound : v;
  }
  void Seed(std::uint32_t) override {}
  int draws = 0;

 private:
  std::deque<std::uint32_t> values_;
};

// A pack of 52 in suit-major order: suits 0..3, ranks from lowRank to lowRank + 12.
inline void FillPack(CardDeck& deck, std::int32_t lowRank) {
  for (std::int32_t s = 0; s < 4; ++s)
    for (std::int32_t r = lowRank; r < lowRank + 13; ++r) deck.AddToPack(s, r);
}

inline Card* FindCard(CardDeck& deck, std::int32_t rank, std::int32_t suit) {
  for (Card& c : deck.pack)
    if (c.rank == rank && c.suit == suit) return &c;
  return nullptr;
}

// "AS", "10H", "2C", "JK": rank then suit letter.
inline std::pair<std::int32_t, std::int32_t> ParseCard(const std::string& text) {
  const std::string ranks[] = {"JK", "", "2", "3", "4", "5", "6", "7", "8", "9", "10", "J", "Q", "K", "A"};
  if (text == "JK") return {0, 4};
  std::string r = text.substr(0, text.size() - 1);
  const char s = text.back();
  std::int32_t rank = -1;
  for (std::int32_t i = 2; i <= 14; ++i)
    if (ranks[i] == r) rank = i;
  const std::int32_t suit = s == 'C' ? 0 : s == 'D' ? 1 : s == 'H' ? 2 : s == 'S' ? 3 : 4;
  return {rank, suit};
}

inline std::string CardName(const Card* c) {
  if (!c) return "null";
  const char* ranks[] = {"JK", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "J", "Q", "K", "A"};
  if (c->rank == 0) return "JK";
  std::string r = c->rank >= 0 && c->rank <= 14 ? ranks[c->rank] : "?";
  return r + "CDHS?"[c->suit >= 0 && c->suit <= 4 ? c->suit : 4];
}

// Card size 71 x 96 (the library's), then the placement.
inline void Place(CardPile& pile, std::int32_t layout, std::int32_t x, std::int32_t y,
                  std::int32_t spacing) {
  pile.cardWidth = 71;
  pile.cardHeight = 96;
  pile.SetPlacement(layout, x, y, spacing);
}

// Any rectangle with left, top, right and bottom.
template <class Rect>
void ExpectRect(const Rect& r, long l, long t, long rr, long b) {
  EXPECT_EQ(r.left, l);
  EXPECT_EQ(r.top, t);
  EXPECT_EQ(r.right, rr);
  EXPECT_EQ(r.bottom, b);
}
