#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CardTestKit.h"
#include "Spades.h"

TEST(SpadesRulesTest, HandPointsBagsAndBlindBids) {
  const struct {
    int bid;
    bool blind;
    int won;
    bool bagPenalty;
    int bagsBefore;
    int points;
    int bagsAfter;
  } cases[] = {
      {4, false, 6, true, 0, 42, 2},            // made with two overtricks
      {4, false, 6, true, 8, 42 - 100, 0},      // the tenth bag costs 100 at once
      {4, false, 7, true, 8, 43 - 100, 1},      // and leaves the rest
      {4, false, 6, false, 8, 42, 8},           // no penalty: no bags counted
      {4, false, 3, true, 0, -40, 0},           // set
      {3, true, 3, true, 0, 60, 0},             // blind made exactly
      {3, true, 2, true, 0, -60, 0},            // blind set
      {kSpadesNil, false, 0, true, 0, 100, 0},  // nil made
      {kSpadesNil, true, 0, true, 0, 200, 0},   // blind nil made
      {kSpadesNil, false, 2, true, 0, -100, 2}, // nil broken: its tricks are bags
      {kSpadesNil, true, 1, true, 9, -300, 0},
      {0, false, 3, true, 0, 3, 3},             // a bid of 0 scores its tricks
      {13, false, 13, true, 0, 130, 0},
  };
  for (const auto& c : cases) {
    int bags = c.bagsBefore;
    EXPECT_EQ(SpadesHandPoints(c.bid, c.blind, c.won, c.bagPenalty, bags), c.points)
        << SpadesBidText(c.bid, c.blind) << " took " << c.won;
    EXPECT_EQ(bags, c.bagsAfter) << SpadesBidText(c.bid, c.blind) << " took " << c.won;
  }
}

TEST(SpadesRulesTest, BidTextsAndTheBidsOffered) {
  EXPECT_EQ(SpadesBidText(kSpadesNil, false), "Nil");
  EXPECT_EQ(SpadesBidText(kSpadesNil, true), "Bl. Nil");
  EXPECT_EQ(SpadesBidText(4, false), "4");
  EXPECT_EQ(SpadesBidText(4, true), "Bl. 4");
  auto numbers = [](std::vector<std::string> head, int except) {
    for (int n = 1; n <= 13; ++n)
      if (n != except) head.push_back(std::to_string(n));
    return head;
  };
  const struct {
    bool blind, allowBlindNil, allowZeroBid;
    int forbidden;
    std::vector<std::string> offered;
  } cases[] = {
      {false, true, false, -1, numbers({"Nil"}, -1)},
      {false, true, true, -1, numbers({"Nil", "0"}, -1)},
      {true, false, false, -1, numbers({}, -1)},      // a blind bid without blind nil
      {true, true, false, -1, numbers({"Nil"}, -1)},
      {false, true, true, 3, numbers({"Nil", "0"}, 3)},  // bids 4, 3, 3: not 3
      {false, true, true, 0, numbers({}, 0)},        // nothing left: neither Nil nor 0
  };
  for (const auto& c : cases) {
    const ChoiceList list = SpadesBidChoices(c.blind, c.allowBlindNil, c.allowZeroBid, c.forbidden);
    EXPECT_EQ(list.caption, "Please Select Your Bid");
    EXPECT_EQ(list.choices, c.offered) << c.forbidden;
    for (std::size_t i = 0; i < list.choices.size(); ++i)
      EXPECT_EQ(list.values[i], list.choices[i] == "Nil" ? kSpadesNil : std::stoi(list.choices[i]));
  }
}

TEST(SpadesRulesTest, TheDeuceOfSpadesCanBeHighest) {
  CardDeck deck;
  FillPack(deck, 2);
  const struct {
    const char* card;
    int high, plain;
  } cases[] = {{"2S", 14, 2}, {"AS", 13, 14}, {"3S", 2, 3}, {"KS", 12, 13}, {"2H", 2, 2}, {"AD", 14, 14}};
  for (bool deuceHigh : {true, false, true}) {
    SetSpadeValues(deck, deuceHigh);
    for (const auto& c : cases) {
      const auto rs = ParseCard(c.card);
      const Card* card = nullptr;
      for (const Card& k : deck.pack)
        if (k.faceRank == rs.first && k.faceSuit == rs.second) card = &k;
      ASSERT_NE(card, nullptr);
      EXPECT_EQ(card->rank, deuceHigh ? c.high : c.plain) << c.card;
      EXPECT_EQ(card->suit, rs.second) << c.card;
    }
  }
}
