#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "FunnyGame.h"
#include "GameRegistry.h"
#include "GameResources.h"
#include "GameTable.h"

namespace {

// The dealer drawn at construction (seat 2, so seat 3 deals first), then a shuffle that
// leaves the pack in order: seat 0 holds the spades, 1 the hearts, 2 the diamonds, 3 the clubs.
class FunnyGameTest : public GameTable<FunnyGame> {
 protected:
  FunnyGameTest() : GameTable(OrderedDraws(2, 52)) {}
};

}  // namespace

TEST(FunnyGameRulesTest, ContractNames) {
  const struct {
    std::uint32_t value;
    const char* name;
  } cases[] = {
      {1, "Clubs"},         {2, "Diamonds"},          {4, "Hearts"},         {8, "Spades"},
      {16, "No Trump"},     {32, "No Tricks"},        {64, "No Tricks"},     {128, "No Last Trick"},
      {256, "No Last Trick"}, {512, "No Hearts"},     {1024, "No Queens"},   {2048, "No Kings or Jacks"},
      {4096, "No King of Hearts"}, {0, ""},           {96, "No Tricks"},     {384 | 1, "No Last Trick"},
      {8192, ""},           {3, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FunnyGame::ContractName(c.value), c.name) << c.value;
}

TEST(FunnyGameRulesTest, TheDealerIsOfferedTheOpenContractsHeMayStillPick) {
  const std::vector<std::string> penalties = {"No Tricks", "No Last Trick", "No Hearts", "No Queens",
                                              "No Kings or Jacks", "No King of Hearts"};
  const struct {
    std::uint32_t open;
    bool tookTrump;
    std::int32_t penaltyDealsLeft;
    std::vector<std::int32_t> values;
  } cases[] = {
      {0x1FFF, false, 2, {1, 2, 4, 8, 16, 32, 128, 512, 1024, 2048, 4096}},
      {0x1FFF, false, 0, {1, 2, 4, 8, 16}},                        // must take trump now
      {0x1FFF, true, -2, {32, 128, 512, 1024, 2048, 4096}},        // took trump already
      {0x1FFF & ~32u & ~128u & ~4u, false, 1, {1, 2, 8, 16, 64, 256, 512, 1024, 2048, 4096}},
      {0x1FFF & ~96u & ~512u, true, -3, {128, 1024, 2048, 4096}},  // both No Tricks gone
      {0x10 | 0x100, false, 0, {16}},
  };
  for (const auto& c : cases) {
    const ChoiceList list = FunnyGame::ContractChoices(c.open, c.tookTrump, c.penaltyDealsLeft);
    EXPECT_EQ(list.caption, "Please Select Your Bid");
    EXPECT_EQ(list.values, c.values) << std::hex << c.open;
    ASSERT_EQ(list.choices.size(), list.values.size());
    for (std::size_t i = 0; i < list.values.size(); ++i)
      EXPECT_EQ(list.choices[i], FunnyGame::ContractName(static_cast<std::uint32_t>(list.values[i])));
  }
}

TEST(FunnyGameRulesTest, WhatEachCardAddsToTheTrick) {
  CardDeck deck;
  FillPack(deck, 2);
  const struct {
    std::uint32_t contract;
    std::vector<std::string> cards;
    std::size_t cardsInHand;
    std::int32_t value;
  } cases[] = {
      {4, {"2C", "AH", "3H", "4S"}, 5, 10},                  // a trump contract: 10 a trick
      {16, {"2C", "3C"}, 1, 10},
      {32, {"KH", "QH", "2D", "5S"}, 7, -5},                 // No Tricks: 5 a trick
      {128, {"2C", "3C", "4C", "5C"}, 2, 0},                 // not the last trick
      {256, {"2C", "3C", "4C", "5C"}, 1, -50},               // the last trick
      {512, {"2H", "QH", "AH", "2C"}, 6, -15},               // three hearts
      {512, {"2S", "3S", "4S", "5S"}, 6, 0},
      {1024, {"QC", "QH", "2S", "KS"}, 6, -30},
      {2048, {"JC", "KD", "KS", "QH"}, 6, -50},
      {4096, {"KH", "QH", "AH", "KS"}, 6, -45},
      {4096, {"KS", "KD", "KC", "QH"}, 6, 0},
  };
  for (const auto& c : cases) {
    std::int32_t value = 0;
    for (const std::string& text : c.cards)
      value = FunnyGame::TrickValueAfter(c.contract, value, *FaceCard(deck, text), c.cardsInHand);
    EXPECT_EQ(value, c.value) << c.contract << " " << c.cards[0];
  }
}

TEST(FunnyGameRulesTest, TheComputerPicksAContractItMayStillTake) {
  CardDeck deck;
  FillPack(deck, 2);
  const std::vector<std::string> longSpades = {"AS", "KS", "QS", "JS", "10S", "9S", "AH", "KH", "AD", "KD", "2C", "3C", "4C"};
  const std::vector<std::string> weak = {"2S", "3S", "4S", "5H", "6H", "7H", "8D", "9D", "10D", "2C", "3C", "4C", "JC"};
  const std::vector<std::string> evenStrong = {"AS", "KS", "QS", "AH", "KH", "QH", "AD", "KD", "2D", "AC", "KC", "3C", "2S"};
  const std::vector<std::string> middling = {"6S", "KS", "2S", "3S", "AH", "KH", "5H", "QD", "JD", "4D", "9C", "8C", "7C"};
  const struct {
    const std::vector<std::string>* hand;
    std::int32_t penaltyDealsLeft;
    bool tookTrump;
    std::uint32_t open;
    std::uint32_t pick;
  } cases[] = {
      {&longSpades, 2, false, 0x1FFF, 8},               // strong, six spades
      {&longSpades, 2, false, 0x1FFF & ~8u, 128},        // spades gone, six too long for no trump
      {&longSpades, 0, false, 0x1FFF & ~8u, 16},         // must take trump
      {&longSpades, 0, false, 0x0003, 1},                // must take trump: first open suit
      {&longSpades, -2, true, 0x1FFF, 128},              // strong but trump already taken
      {&weak, 2, false, 0x1FFF, 32},                     // weak: No Tricks
      {&weak, 2, false, 0x1FFF & ~32u, 64},              // the second copy
      {&weak, 0, false, 0x1FFF, 16},
      {&evenStrong, 2, false, 0x1FFF, 16},               // no long suit: no trump
      {&middling, 1, false, 0x1FFF, 128},                // high hearts, many honours
      {&middling, 1, false, 0x1F | 64, 64},              // drawn at random
  };
  for (const auto& c : cases) {
    const CardStack hand = HandOf(deck, *c.hand);
    MersenneRandom rng(3);
    EXPECT_EQ(FunnyGame::PickContract(hand, c.penaltyDealsLeft, c.tookTrump, c.open, rng), c.pick)
        << (*c.hand)[0] << " " << c.penaltyDealsLeft << " " << std::hex << c.open;
  }
  // Random draws that never come up with an open contract end after a bounded number.
  const CardStack hand = HandOf(deck, middling);
  ScriptedRandom never;
  EXPECT_EQ(FunnyGame::PickContract(hand, 1, true, 0x1F | 0x1000 | 64, never), 64u);
  EXPECT_LE(never.draws, 64);
}

TEST_F(FunnyGameTest, AComputerDealerPicksAndTheHandStarts) {
  Deal();
  EXPECT_EQ(game.dealer, 3u);
  EXPECT_EQ(game.GetState(), Bidding);
  EXPECT_EQ(game.current, 3u);
  EXPECT_EQ(game.contract, 0u);
  EXPECT_EQ(game.openContracts, 0x1FFFu);
  EXPECT_EQ(game.statusLines[0], "Hand 1 of 12");
  EXPECT_EQ(game.statusLines[2], "It is Zeke's turn to bid.");
  for (std::uint32_t s = 0; s < 4; ++s) {
    EXPECT_EQ(game.penaltyDealsLeft[s], 2);
    EXPECT_EQ(game.usedContracts[s], 0u);
    EXPECT_EQ(game.seatList[s].cards.size(), 13u);
  }
  TickWhile(Bidding);
  // Zeke holds all thirteen clubs, honours worth 10 and no heart.
  EXPECT_EQ(game.contract, 512u);
  EXPECT_EQ(game.tricks.trump, kSuitNone);
  EXPECT_EQ(game.statusLines[1], "No Hearts");
  EXPECT_EQ(game.statusLines[2], "");
  EXPECT_EQ(game.penaltyDealsLeft[3], 1);
  EXPECT_EQ(game.usedContracts[3], 512u);
  EXPECT_EQ(game.openContracts, 0x1FFFu & ~512u);
  EXPECT_EQ(game.GetState(), HoldA);
  EXPECT_EQ(game.current, 0u);
  TickWhile(HoldA, 30);
  EXPECT_EQ(game.GetState(), Playing);
  EXPECT_EQ(game.statusLines[2], "It is your turn to lead a card.");
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(FunnyGameTest, TricksScoreTheContractsValueForTheirWinner) {
  Deal();
  game.current = 3;
  game.ApplyContract(1);
  EXPECT_EQ(game.penaltyDealsLeft[3], -2);
  EXPECT_EQ(game.usedContracts[3], 0x1Fu);
  EXPECT_EQ(game.openContracts, 0x1FFEu);
  EXPECT_EQ(game.tricks.trump, kSuitClubs);
  TickWhile(Bidding);
  TickWhile(HoldA, 30);
  ClickOn("AS");
  ClickOn("AS");
  EXPECT_EQ(game.statusLines[2], "Lead: (Ace of Spades)");
  EXPECT_EQ(game.trickValue, 10);
  // A quick second play to the same trick comes to nothing.
  ClickOn("KS");
  ClickOn("KS");
  EXPECT_EQ(game.seatList[0].cards.size(), 12u);
  EXPECT_EQ(game.tricks.playedCount, 1u);
  Tick();
  EXPECT_EQ(game.statusLines[3], "It is Betty's turn to play a card.");
  TickWhile(Playing);
  ASSERT_EQ(game.GetState(), HoldB);
  EXPECT_EQ(game.tricks.winningSeat, 3);  // Zeke trumps
  EXPECT_EQ(game.tricksWon[3], 1);
  EXPECT_EQ(game.scores[3], 10);
  EXPECT_EQ(game.statusLines[2], "This trick is over.");
  EXPECT_EQ(game.statusLines[3], "");
  TickWhile(HoldB, 30);
  EXPECT_EQ(game.GetState(), Playing);
  EXPECT_EQ(game.trickValue, 0);
  EXPECT_EQ(game.current, 3u);
  EXPECT_EQ(game.tableCards[0], nullptr);
}

// Zeke has played the trick's last card; before the tick that ends the trick the user
// clicks the table to move on: the click ends the trick and its display, and no more.
TEST_F(FunnyGameTest, AClickOnAFinishedTrickMovesOnAndIsUsedUp) {
  Deal();
  game.current = 3;
  game.ApplyContract(1);
  TickWhile(Bidding);
  TickWhile(HoldA, 30);
  ClickOn("AS");
  ClickOn("AS");
  for (int i = 0; i < 100 && !game.AllSeatsHavePlayed(); ++i) Tick();
  ASSERT_EQ(game.GetState(), Playing);
  ASSERT_EQ(game.current, 3u);
  Click(kTable.left + 5, kTable.top + 5);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(game.GetState(), HoldB);
  EXPECT_EQ(game.statusLines[2], "This trick is over.");
  EXPECT_EQ(game.scores[3], 10);
  Tick();
  EXPECT_EQ(game.GetState(), Playing);
  EXPECT_EQ(game.current, 3u);
  EXPECT_EQ(game.tableCards[3], nullptr);
  EXPECT_EQ(game.tricksWon[3], 1);
}

TEST_F(FunnyGameTest, UnderNoLastTrickOnlyTheLastTrickCosts) {
  Deal();
  game.current = 3;
  game.ApplyContract(128);
  EXPECT_EQ(game.penaltyDealsLeft[3], 1);
  EXPECT_FALSE(game.tricks.trump != kSuitNone);
  TickWhile(Bidding);
  TickWhile(HoldA, 30);
  std::int32_t lastValue = 0;
  for (int i = 0; i < 20000 && game.GetState() != HandOver; ++i) {
    PlayHandOut(1);
    if (game.GetState() == HoldB && game.seatList[0].cards.empty()) lastValue = game.trickValue;
  }
  ASSERT_EQ(game.GetState(), HandOver);
  EXPECT_EQ(lastValue, -50);
  std::int32_t total = 0;
  for (std::int32_t s : game.scores) total += s;
  EXPECT_EQ(total, -50);
  EXPECT_EQ(game.statusLines[2], "This hand is over.");
  EXPECT_EQ(game.contract, 0u);
}

TEST_F(FunnyGameTest, AHumanDealerPicksFromTheDialog) {
  game.dealer = 3;  // the next deal is the user's
  boxes.values = {64, 1024};
  Deal();
  ASSERT_EQ(game.dealer, 0u);
  game.penaltyDealsLeft[0] = 1;
  game.openContracts &= ~32u;
  game.usedContracts[0] = 32;
  EXPECT_EQ(game.statusLines[2], "It is your turn to bid.");
  Tick();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].kind, "choice");
  EXPECT_EQ(boxes.boxes[0].dialogId, IDD_FUNNY_BID);
  EXPECT_EQ(boxes.boxes[0].caption, "Please Select Your Bid");
  EXPECT_EQ(boxes.boxes[0].stateSeen, Paused);
  EXPECT_EQ(boxes.boxes[0].choices[5], "No Tricks");
  EXPECT_EQ(boxes.boxes[0].values[5], 64);
  EXPECT_EQ(game.GetState(), Bidding);
  EXPECT_EQ(game.contract, 64u);
  EXPECT_EQ(game.statusLines[1], "No Tricks");
  EXPECT_EQ(game.penaltyDealsLeft[0], 0);
  EXPECT_EQ(game.openContracts, 0x1FFFu & ~96u);

  // With no penalty deal left only the open trump contracts are offered; an answer that
  // was not offered takes the first offered one.
  game.dealer = 3;
  game.StartDeal(false, false, true);
  ASSERT_EQ(game.dealer, 0u);
  Tick();
  ASSERT_EQ(boxes.boxes.size(), 2u);
  EXPECT_EQ(boxes.boxes[1].values, (std::vector<std::int32_t>{1, 2, 4, 8, 16}));
  EXPECT_EQ(game.contract, 1u);
  EXPECT_EQ(game.penaltyDealsLeft[0], -2);
  EXPECT_EQ(game.statusLines[1], "Clubs");
}

// Whole games between the computer seats and a human seat that plays legal cards and picks
// contracts at random: every seat takes one trump and two penalty contracts, and the
// points of the trump and penalty contracts cancel out.
TEST(FunnyGameSelfPlayTest, SeededGamesPlayToTheEnd) {
  std::int32_t sum = 0;
  std::uint32_t hands = 0;
  const auto setUp = [&](FunnyGame&, SelfPlayOptions& options, std::uint32_t seed) {
    options.tricksPerHand = 13;
    options.clickThroughHolds = seed % 2 == 0;
    options.doubleClickPlays = seed % 3 == 0;
    options.allowBox = [](const ScriptedDialogs::Box& b) { return b.kind == "choice"; };
    sum = 0;
    hands = 0;
    options.onHandOver = [&](CardGame& g) {
      FunnyGame& f = static_cast<FunnyGame&>(g);
      std::int32_t tricks = 0;
      for (std::uint32_t s = 0; s < 4; ++s) tricks += f.tricksWon[s];
      EXPECT_EQ(tricks, 13);
      sum = f.scores[0] + f.scores[1] + f.scores[2] + f.scores[3];
      ++hands;
      if (hands == 12) {
        EXPECT_EQ(sum, 0) << "seed " << seed;
        EXPECT_EQ(__builtin_popcount(f.openContracts), 1) << "seed " << seed;
        EXPECT_EQ(f.openContracts & ~FunnyGame::kTrumpContracts, 0u) << "seed " << seed;
        for (std::uint32_t s = 0; s < 4; ++s) {
          EXPECT_EQ(__builtin_popcount(f.usedContracts[s] & ~FunnyGame::kTrumpContracts), 2) << "seed " << seed;
          EXPECT_EQ(f.usedContracts[s] & FunnyGame::kTrumpContracts, FunnyGame::kTrumpContracts);
          // -2 after trump last, -3 or -4 with one or two penalty picks after it.
          EXPECT_GE(f.penaltyDealsLeft[s], -4);
          EXPECT_LE(f.penaltyDealsLeft[s], -2);
        }
      }
    };
  };
  PlaySeeds<FunnyGame>(200, setUp, [&](FunnyGame&, const SelfPlayResult& r, std::uint32_t seed) {
    EXPECT_TRUE(r.finished) << "seed " << seed;
    EXPECT_EQ(r.hands, 12) << "seed " << seed;
    EXPECT_EQ(hands, 12u) << "seed " << seed;
    int bids = 0;
    for (const auto& b : r.boxes)
      if (b.kind == "choice") {
        ++bids;
        EXPECT_FALSE(b.values.empty());
      }
    EXPECT_EQ(bids, 3) << "seed " << seed;  // the user deals three times
  });
}
