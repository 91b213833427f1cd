// A trick game at the table for the games' tests: named seats (seat 0 the user), areas laid
// out, scripted boxes, and cards found and dealt by their printed faces.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CardImages.h"
#include "CardTestKit.h"
#include "GameRegistry.h"
#include "GameTestKit.h"
#include "TrickGame.h"
#include "SelfPlay.h"

const RECT kTable = {12, 12, 611, 491};
const RECT kStatus = {623, 12, 778, 491};

// The printed card, wherever the game has moved its play value.
inline Card* FaceCard(CardDeck& deck, const std::string& text) {
  const auto rs = ParseCard(text);
  for (Card& c : deck.pack)
    if (c.faceRank == rs.first && c.faceSuit == rs.second) return &c;
  return nullptr;
}

inline CardStack HandOf(CardDeck& deck, const std::vector<std::string>& cards) {
  CardStack hand;
  for (const std::string& text : cards) hand.AddCard(FaceCard(deck, text));
  return hand;
}

// What a game's descriptor and a new game of it must show.
struct RegisteredGame {
  std::string title;
  std::int32_t id;
  std::uint32_t seats, cardsPerHand, handsPerGame;
  bool options;
  std::string firstCard, lastCard;
  UINT rulesId;
};

// The descriptor functions, a game from the factory, its rules text and its place in the list.
inline void ExpectRegistered(std::string (*name)(), std::int32_t (*id)(),
                             CardGame* (*create)(RandomSource&, std::uint32_t, HWND), const RegisteredGame& e) {
  EXPECT_EQ(name(), e.title);
  EXPECT_EQ(id(), e.id);
  MersenneRandom rng(7);
  std::unique_ptr<CardGame> g(create(rng, 0, nullptr));
  EXPECT_EQ(g->seats, e.seats);
  EXPECT_EQ(g->cardsPerHand, e.cardsPerHand);
  EXPECT_EQ(g->handsPerGame, e.handsPerGame);
  EXPECT_EQ(g->HasOptions(), e.options);
  ASSERT_FALSE(g->deck.pack.empty());
  EXPECT_EQ(CardName(&g->deck.pack.front()), e.firstCard);
  EXPECT_EQ(CardName(&g->deck.pack.back()), e.lastCard);
  EXPECT_EQ(static_cast<TrickGame*>(g.get())->rulesId, e.rulesId);
  EXPECT_NE(FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(e.rulesId), "TEXT"), nullptr);
  bool listed = false;
  for (const GameDescriptor& d : OrderedGameModules(GameModules()))
    if (d.idValue == e.id) listed = d.name() == e.title;
  EXPECT_TRUE(listed) << e.title;
}

template <class Game>
class TrickTableFixture : public ::testing::Test {
 protected:
  explicit TrickTableFixture(const std::vector<std::uint32_t>& draws) : rng(draws), game(nullptr, 0, rng), boxes(&game) {
    game.cardImages = &images;
    const char* names[] = {"Card Shark", "Betty", "Igor", "Zeke"};
    for (std::uint32_t s = 0; s < game.seats; ++s) {
      game.SetSeatName(names[s], s);
      game.SetSeatComputer(s != 0, s);
    }
    game.SetAreas(kTable, kStatus);
    game.Resume();
  }
  void Deal() { game.StartDeal(true, false, true); }
  Card* Find(const std::string& text) { return FaceCard(game.deck, text); }
  // Empties the seat's hand and gives it these cards, taken from wherever they are.
  void SetHand(std::uint32_t seat, const std::vector<std::string>& cards) {
    game.seatList[seat].Clear();
    for (const std::string& text : cards) {
      Card* c = Find(text);
      for (SeatRecord& s : game.seatList) s.RemoveCard(c);
      auto& stock = game.deck.stock;
      stock.erase(std::remove(stock.begin(), stock.end(), c), stock.end());
      c->faceUp = seat == 0;
      game.seatList[seat].AddCard(c);
    }
    game.seatList[seat].Sort(game.sortMode);
    game.seatList[seat].UpdateBounds();
  }
  void ClickOn(const std::string& text) {
    long x = 0, y = 0;
    ASSERT_TRUE(PointOnCard(game.seatList[0], Find(text), x, y)) << text;
    game.OnLButtonDown(MAKELPARAM(x, y));
  }
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) game.OnTimer();
  }
  void TickWhile(std::int32_t state, int most = 400) {
    for (int i = 0; i < most && game.GetState() == state; ++i) Tick();
  }
  // Plays the hand to its end, the user playing its first legal card.
  void PlayHandOut(int most = 5000) {
    for (int i = 0; i < most && game.GetState() != HandOver; ++i) {
      SeatRecord& hand = game.seatList[0];
      if (game.GetState() == Playing && game.current == 0 && !hand.playedCard)
        for (Card* c : hand.cards)
          if (game.tricks.IsLegalPlay(c, hand)) {
            game.PlayCard(0, c);
            break;
          }
      Tick();
    }
  }

  CardImages images;
  ScriptedRandom rng;
  Game game;
  ScriptedDialogs boxes;
};
