// Helpers of the capture and table game tests (Zetema, Tablanette, Durok, Spite and Malice,
// Rubicon Bezique): a dealt game with named seats, and cards moved by name
// between hands, table piles and the stock.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
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
    Card* c = Seek(text, avoid);
    if (!c) ADD_FAILURE() << "no card " << text;
    return c;
  }
  // The same, null when every such card is to be avoided.
  Card* Seek(const std::string& text, const std::vector<Card*>& avoid) {
    auto rs = ParseCard(text);
    for (CardDeck* deck : Decks())
      for (Card& c : deck->pack) {
        const bool rank = c.faceRank == rs.first || (rs.first == kRankHighAce && c.faceRank == kRankLowAce);
        if (rank && c.faceSuit == rs.second && std::find(avoid.begin(), avoid.end(), &c) == avoid.end()) return &c;
      }
    return nullptr;
  }
  // Takes the card from wherever it lies.
  void Lift(Card* c) {
    if (!c) return;
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

// Plays seeded games of G with seat 0 the human (played by the driver) and computer seats
// at fast speed (every fourth seed at thinking speed unless alwaysFast); reports the
// driver's faults and hands the finished game to check.
template <class G>
void PlaySeededGames(std::uint32_t count, SelfPlayOptions options,
                     const std::function<void(G&, const SelfPlayResult&, std::uint32_t)>& check,
                     bool alwaysFast = false,
                     const std::function<bool(const std::string&)>& tolerated = nullptr) {
  CardImages images;
  const char* names[] = {"Card Shark", "Betty", "Igor", "Zeke"};
  for (std::uint32_t seed = 1; seed <= count; ++seed) {
    MersenneRandom rng(seed);
    MersenneRandom choices(seed * 7919);
    G game(nullptr, 0, rng);
    game.cardImages = &images;
    for (std::uint32_t s = 0; s < game.seats; ++s) {
      game.SetSeatName(names[s], s);
      game.SetSeatComputer(s != 0, s);
    }
    game.fastSpeed = alwaysFast || seed % 4 != 0;
    game.SetAreas(kTableArea, kStatusArea);
    options.dialogSeed = seed;
    options.clickThroughHolds = seed % 2 == 0;
    SelfPlay driver(game, choices);
    const SelfPlayResult r = driver.Run(options);
    for (const std::string& f : r.faults)
      if (!tolerated || !tolerated(f)) ADD_FAILURE() << "seed " << seed << ": " << f;
    check(game, r, seed);
  }
}

// The rules text the game puts into a text box; empty when it has none.
inline std::string RulesText(CardGame& game) {
  HWND box = CreateWindowExA(0, "EDIT", "", WS_POPUP | ES_MULTILINE, 0, 0, 300, 200, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  std::string text;
  if (box && game.ShowRules(box)) {
    std::vector<char> buffer(GetWindowTextLengthA(box) + 1);
    GetWindowTextA(box, buffer.data(), static_cast<int>(buffer.size()));
    text = buffer.data();
  }
  if (box) DestroyWindow(box);
  return text;
}

// Clicks inside the card box at a pile's anchor.
inline void ClickAnchor(SelfPlay& p, const CardPile& pile) { p.Click(pile.anchorX + 5, pile.anchorY + 5); }

// Every card of the packs lies in exactly one of the piles and stocks given.
inline void ExpectEachCardOnce(const std::vector<const CardDeck*>& packs, const std::vector<const Card*>& located,
                               const std::string& what) {
  std::map<const Card*, int> n;
  for (const Card* c : located) ++n[c];
  std::size_t total = 0;
  for (const CardDeck* pack : packs)
    for (const Card& c : pack->pack) {
      EXPECT_EQ(n[&c], 1) << what << ": " << CardName(&c);
      ++total;
    }
  EXPECT_EQ(located.size(), total) << what;
}
