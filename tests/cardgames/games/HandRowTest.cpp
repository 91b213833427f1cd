// The user's hand grown past the table's width, up to the largest each game allows: Durok,
// 52 cards less the one the other seat keeps (sending its last card with the stock empty
// wins); Canasta, a discard pile of all but the 33 cards the computer seats keep (they draw
// one and discard one a turn), the top card melded and the stock's last card; Arlington,
// 105 less the other seat's 13, a meld of three and the stock's last card, and up to 100
// (the other seat melds down to one card). The fourth card is selected: it lies in the
// row behind the others once there are more rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "Arlington.h"
#include "Canasta.h"
#include "Durok.h"
#include "Euchre.h"
#include "Exacta.h"
#include "FunnyGame.h"
#include "GameTable.h"
#include "GermanWhist.h"
#include "Klabberjass.h"
#include "Knaves.h"
#include "OhHell.h"
#include "RauberSkat.h"
#include "RubiconBezique.h"
#include "ScotchWhist.h"
#include "Spades.h"
#include "Whist.h"

namespace {

// Gives the user's seat a hand of the stock's and the other seats' cards, all but one of
// each other seat's, up to count cards; no joker: its face has no index.
SeatRecord& GrowHand(CardGame& g, std::size_t count) {
  SeatRecord& hand = g.seatList[0];
  for (std::uint32_t s = 0; s < g.seats; ++s)
    while (g.seatList[s].cards.size() > (s ? 1u : 0u)) g.deck.stock.push_back(g.seatList[s].RemoveCard(nullptr));
  for (Card* c : g.deck.stock)
    if (hand.cards.size() < count && c->faceRank != kRankJoker) c->faceUp = true, hand.AddCard(c);
  g.deck.stock.clear();
  hand.Sort(g.sortMode);
  return hand;
}

}  // namespace

TEST(HandRowTest, EveryCardStaysOnTheTableShowingItsIndexWhereAClickFindsIt) {
  const struct {
    std::size_t cards;
    CardGame* (*create)(RandomSource&, std::uint32_t, HWND);
  } cases[] = {{27, CreateDurokGame},   {44, CreateDurokGame},     {51, CreateDurokGame},
               {73, CreateCanastaGame}, {27, CreateArlingtonGame}, {60, CreateArlingtonGame},
               {88, CreateArlingtonGame}, {89, CreateArlingtonGame}, {100, CreateArlingtonGame}};
  CardImages images;
  const long w = images.CardWidth();
  tc::Canvas canvas(790, 560), face(w, images.CardHeight());
  auto paint = [&canvas](CardGame& g) {
    canvas.Clear();
    g.Paint(canvas.dc());
    return canvas.Pixels();
  };
  for (const auto& k : cases) {
    MersenneRandom rng(5);
    std::unique_ptr<CardGame> g(k.create(rng, 0, nullptr));
    SeatAtTable(*g, images);
    g->StartDeal(true, false, true);
    SCOPED_TRACE(testing::Message() << k.cards << " cards of " << g->deck.pack.size());
    SeatRecord& hand = GrowHand(*g, k.cards);
    ASSERT_EQ(k.cards, hand.cards.size());
    hand.cards[3]->selected = true;
    const CardRect& b = hand.bounds;
    EXPECT_TRUE(b.left >= kTable.left && b.top >= kTable.top && b.right <= kTable.right && b.bottom <= kTable.bottom);
    const std::vector<DWORD> table = paint(*g);
    long lastLeft = 0;
    for (Card* c : hand.cards) {
      // What changes when the card alone is turned over starts at its index (rows 2 to 27,
      // columns 2 to 11), which shows as on the card alone; a click there finds the card.
      c->faceUp = false;
      const std::vector<DWORD> turned = paint(*g);
      c->faceUp = true;
      face.Clear();
      c->Draw(images, face.dc(), 0, 0, true);
      const std::vector<DWORD> own = face.Pixels();
      const long first = std::mismatch(table.begin(), table.end(), turned.begin()).first - table.begin();
      ASSERT_LT(first, 790 * 560) << CardName(c) << " is hidden";
      long at = -1;
      for (long d = 0; d < 36 && at < 0; ++d) {
        at = first - d / 6 * 790 - d % 6;
        for (long i = 0; i < 26 * 10 && at >= 0; ++i)
          if (table[at + (i / 10 + 2) * 790 + i % 10 + 2] != own[(i / 10 + 2) * w + i % 10 + 2]) at = -1;
      }
      ASSERT_GE(at, 0) << CardName(c) << " shows no index";
      EXPECT_EQ(hand.CardAt(at % 790 + 6, at / 790 + 14), c) << CardName(c);
      // While the row fits, the cards keep their spacing of 20.
      EXPECT_TRUE((k.cards - 1) * 20 + 72 > 599 || !lastLeft || at % 790 - lastLeft == 20) << CardName(c);
      lastLeft = at % 790;
    }
  }
}

// The user's name (and bid) is painted beside the front row of the hand in the draw games
// as long as it fits there, else moves or is cut, and at the trick tables moves or is cut
// as well: no pixel of it painted without the cards is one the cards cover, whichever of
// the two would be painted last.
TEST(HandRowTest, TheNameBesideTheHandCoversNoCard) {
  const struct {
    std::size_t cards;
    const char* name;
    CardGame* (*create)(RandomSource&, std::uint32_t, HWND);
    bool shown;
    void (*bid)(CardGame&) = nullptr;
  } cases[] = {
      {5, "Card Shark", CreateArlingtonGame, true},           {14, "Card Shark", CreateArlingtonGame, true},
      {15, "Card Shark", CreateArlingtonGame, true},          {15, "Card Shark", CreateCanastaGame, true},
      {11, "Maximilian Alexander", CreateArlingtonGame, true}, {20, "Maximilian Alexander", CreateArlingtonGame, true},
      {30, "Card Shark", CreateArlingtonGame, true},          {60, "Card Shark", CreateArlingtonGame, false},
      {14, "Card Shark", CreateCanastaGame, true},            {11, "Maximilian Alexander", CreateCanastaGame, true},
      // Over a raised card at the trick tables.
      {6, "Maximilian Alexander", CreateKlabberjassGame, true},
      {13, "Maximilian Alexander", CreateWhistGame, true},
      {17, "Maximilian Alexander", CreateKnavesGame, true},
      {9, "Maximilian Alexander", CreateScotchWhistGame, true},
      {13, "Maximilian Alexander", CreateGermanWhistGame, true},
      {13, "Maximilian Alexander", CreateOhHellGame, true},
      {13, "Maximilian Alexander", CreateExactaGame, true},
      {13, "Maximilian Alexander", CreateSpadesGame, true},
      {5, "Maximilian Alexander", CreateEuchreGame, true},
      {13, "Maximilian Alexander", CreateFunnyGame, true},
      // Left of the hand; beside the skat.
      {9, "Maximilian Alexander", CreateRubiconBeziqueGame, true},
      {10, "Maximilian Alexander", CreateRauberSkatGame, true,
       [](CardGame& g) { static_cast<RauberSkatGame&>(g).bidTexts[0] = "I Pass"; }},
      {10, "Maximilian Alexander", CreateRauberSkatGame, true,
       [](CardGame& g) { static_cast<RauberSkatGame&>(g).bidTexts[0] = "Decline Skat"; }},
  };
  CardImages images;
  tc::Canvas canvas(790, 560);
  for (const auto& k : cases) {
    MersenneRandom rng(5);
    std::unique_ptr<CardGame> g(k.create(rng, 0, nullptr));
    SeatAtTable(*g, images);
    g->StartDeal(true, false, true);
    SCOPED_TRACE(testing::Message() << k.name << " over " << k.cards << " cards of " << g->deck.pack.size());
    SeatRecord& hand = GrowHand(*g, k.cards);
    hand.cards[k.cards / 2]->selected = true;
    if (k.bid) k.bid(*g);
    auto paint = [&](const char* name, bool cards) {
      g->SetSeatName(name, 0);
      g->cardImages = cards ? &images : nullptr;
      canvas.Clear();
      g->Paint(canvas.dc());
      g->cardImages = &images;
      return canvas.Pixels();
    };
    const std::vector<DWORD> table = paint("", true), bare = paint("", false), name = paint(k.name, false);
    // On the table (the score panels beside it show the name as well).
    int ink = 0, onCards = 0;
    for (long y = kTable.top; y < kTable.bottom; ++y)
      for (long x = kTable.left; x < kTable.right; ++x) {
        const long at = y * 790 + x;
        if (name[at] == bare[at]) continue;
        ++ink;
        onCards += table[at] != bare[at];
      }
    EXPECT_EQ(0, onCards);
    EXPECT_EQ(k.shown, ink > 100) << ink;
  }
  // As laid out while it fits there: left in the table, over the front row.
  MersenneRandom rng(5);
  std::unique_ptr<CardGame> g(CreateArlingtonGame(rng, 0, nullptr));
  SeatAtTable(*g, images);
  g->StartDeal(true, false, true);
  g->Paint(canvas.dc());
  const SeatRecord& hand = g->seatList[0];
  EXPECT_EQ(kTable.left + 10, hand.labelRect.left);
  EXPECT_EQ(hand.bounds.top, hand.labelRect.top);
  EXPECT_EQ(0x24, hand.labelFormat);
}

// The rows behind the front row of a very large hand, and its cards lifted there, reach
// over the lower edge of the user's melds in Arlington, leaving their indices in view.
TEST(HandRowTest, AHandReachingOverTheMeldsLeavesTheirIndicesInView) {
  CardImages images;
  const long w = images.CardWidth();
  tc::Canvas canvas(790, 560), face(w, images.CardHeight());
  MersenneRandom rng(5);
  ArlingtonGame g(nullptr, 0, rng);
  SeatAtTable(g, images);
  g.StartDeal(true, false, true);
  SeatRecord& hand = GrowHand(g, 100);
  for (MeldSlot& slot : g.slots[0]) slot.pile.AddCard(hand.RemoveCard(hand.LastCard()));
  ASSERT_GT(hand.rowCount, 2);
  for (std::size_t i = 0; i < hand.cards.size(); i += 5) hand.cards[i]->selected = true;
  g.Paint(canvas.dc());
  const std::vector<DWORD> table = canvas.Pixels();
  for (const MeldSlot& slot : g.slots[0]) {
    Card* c = slot.pile.FirstCard();
    face.Clear();
    c->Draw(images, face.dc(), 0, 0, true);
    const std::vector<DWORD> own = face.Pixels();
    int differ = 0;
    for (long y = 2; y < 28; ++y)
      for (long x = 2; x < 12; ++x)
        differ += table[(slot.pile.anchorY + y) * 790 + slot.pile.anchorX + x] != own[y * w + x];
    EXPECT_EQ(0, differ) << CardName(c);
  }
}


// A card raised or lowered at the trick tables moves the user's label: a click that raises
// one, and one beside the hand that lowers it, leave the label's place across the table,
// from its top down to 10 pixels above the hand, to be repainted.
TEST(HandRowTest, ARaisedOrLoweredCardRepaintsTheUsersLabel) {
  auto playing = [](CardGame& g) { g.SetState(Playing); };
  const struct {
    const char* game;
    CardGame* (*create)(RandomSource&, std::uint32_t, HWND);
    std::function<void(CardGame&)> prepare;
  } cases[] = {
      {"Whist", CreateWhistGame, playing},
      {"Knaves", CreateKnavesGame, playing},
      {"Scotch Whist", CreateScotchWhistGame, playing},
      {"German Whist", CreateGermanWhistGame, playing},
      {"Oh Hell", CreateOhHellGame, playing},
      {"Exacta", CreateExactaGame, playing},
      {"Exacta, bidding", CreateExactaGame, [](CardGame& g) { g.SetState(Bidding); }},
      {"Spades", CreateSpadesGame, playing},
      {"Euchre", CreateEuchreGame, playing},
      {"Euchre, exchanging with the turn-up", CreateEuchreGame,
       [](CardGame& g) {
         g.SetState(Bidding);
         static_cast<EuchreGame&>(g).biddingPhase = 6;
       }},
      {"Funny Game", CreateFunnyGame, playing},
      {"Klabberjass", CreateKlabberjassGame, playing},
  };
  tc::TestWindow window(790, 560);
  ASSERT_NE(window.hwnd, nullptr);
  CardImages images;
  for (const auto& k : cases) {
    SCOPED_TRACE(k.game);
    MersenneRandom rng(5);
    std::unique_ptr<CardGame> g(k.create(rng, 0, window.hwnd));
    ScriptedDialogs boxes(g.get());
    SeatAtTable(*g, images);
    g->StartDeal(true, false, true);
    k.prepare(*g);
    g->current = 0;
    SeatRecord& hand = g->seatList[0];
    ASSERT_FALSE(hand.cards.empty());
    const RECT label = {kTable.left, kTable.top, kTable.right, hand.bounds.top - 10};
    long x = 0, y = 0;
    ASSERT_TRUE(PointOnCard(hand, hand.cards[0], x, y));
    window.TakeUpdate();
    ClickPoint(*g, x, y);
    ASSERT_TRUE(hand.cards[0]->selected);
    EXPECT_TRUE(window.Repaints(label)) << "raised";
    window.TakeUpdate();
    ClickPoint(*g, hand.bounds.right + 5, hand.bounds.bottom - 5);
    ASSERT_FALSE(hand.cards[0]->selected);
    EXPECT_TRUE(window.Repaints(label)) << "lowered";
    EXPECT_TRUE(boxes.boxes.empty());
  }
}
