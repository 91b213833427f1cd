// Helpers of the table game tests: a dealt game with named seats, and cards moved by name
// between hands, table piles and the stock.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "CardGame.h"
#include "CardImages.h"
#include "CardTestKit.h"
#include "GameTestKit.h"
#include "SelfPlay.h"

const RECT kTableArea = {12, 12, 611, 491};
const RECT kStatusArea = {623, 12, 778, 491};

// A game of class G with seat 0 the human "Card Shark" and computer seats "Betty", "Igor", "Zeke".
template <class G>
class TableTest : public ::testing::Test {
 protected:
  explicit TableTest(std::uint32_t seed = 11) : rng(seed), game(nullptr, 0, rng), boxes(&game) {
    game.cardImages = &images;
    const char* names[] = {"Card Shark", "Betty", "Igor", "Zeke"};
    for (std::uint32_t s = 0; s < game.seats; ++s) {
      game.SetSeatName(names[s], s);
      game.SetSeatComputer(s != 0, s);
    }
    game.fastSpeed = true;
    game.SetAreas(kTableArea, kStatusArea);
    game.Resume();
  }
  void Deal() { game.StartDeal(true, false, true); }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) game.OnTimer();
  }
  std::string Line(int i) { return game.statusLines[i]; }

  // The piles a card may lie in besides the hands and the stock.
  virtual std::vector<CardPile*> TablePiles() { return {}; }
  // The packs the game's cards come from.
  virtual std::vector<CardDeck*> Decks() { return {&game.deck}; }

  // A pack card by name ("QS", "10H", "AC"; an ace matches rank 1 or 14), skipping the
  // cards in avoid (for packs with several copies).
  Card* Find(const std::string& text, const std::vector<Card*>& avoid = {}) {
    auto rs = ParseCard(text);
    for (CardDeck* deck : Decks())
      for (Card& c : deck->pack) {
        const bool rank = c.faceRank == rs.first || (rs.first == kRankHighAce && c.faceRank == kRankLowAce);
        if (rank && c.faceSuit == rs.second && std::find(avoid.begin(), avoid.end(), &c) == avoid.end()) return &c;
      }
    ADD_FAILURE() << "no card " << text;
    return nullptr;
  }
  // Takes the card from wherever it lies.
  void Lift(Card* c) {
    for (SeatRecord& s : game.seatList) s.RemoveCard(c);
    for (CardPile* p : TablePiles()) p->RemoveCard(c);
    for (CardDeck* deck : Decks()) {
      auto& stock = deck->stock;
      stock.erase(std::remove(stock.begin(), stock.end(), c), stock.end());
    }
  }
  // Gives the pile exactly these cards (none of keep); what it held goes back to the stock.
  std::vector<Card*> Put(CardPile& pile, std::initializer_list<const char*> names, std::vector<Card*> keep = {}) {
    for (Card* c : std::vector<Card*>(pile.cards.begin(), pile.cards.end())) {
      pile.RemoveCard(c);
      game.deck.stock.insert(game.deck.stock.begin(), c);
    }
    std::vector<Card*> placed;
    for (const char* n : names) {
      Card* c = Find(n, keep);
      if (!c) continue;
      Lift(c);
      c->faceUp = true;
      pile.AddCard(c);
      placed.push_back(c);
      keep.push_back(c);
    }
    return placed;
  }
  // Leaves n cards in the stock (the others go nowhere: out of the game for the test).
  void StockOf(std::size_t n) {
    if (game.deck.stock.size() > n) game.deck.stock.resize(n);
  }
  void Click(const CardPile& pile, const Card* c) {
    long x = 0, y = 0;
    ASSERT_TRUE(PointOnCard(pile, c, x, y)) << CardName(c);
    game.OnLButtonDown(MAKELPARAM(x, y));
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& b : boxes.boxes) t.push_back(b.text);
    return t;
  }

  CardImages images;
  MersenneRandom rng;
  G game;
  ScriptedDialogs boxes;
};
