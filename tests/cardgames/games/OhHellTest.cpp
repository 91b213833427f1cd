#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CardTestKit.h"
#include "OhHell.h"

namespace {

std::vector<std::string> Texts(const ChoiceList& list) { return list.choices; }

}  // namespace

TEST(OhHellRulesTest, OnlyExactBidsScore) {
  const struct {
    int bid, won;
    unsigned cards;
    int points;
  } cases[] = {
      {0, 0, 7, 12}, {3, 3, 7, 13}, {0, 0, 1, 6}, {1, 1, 1, 11}, {2, 1, 4, 0}, {0, 1, 4, 0}, {13, 13, 13, 23},
  };
  for (const auto& c : cases)
    EXPECT_EQ(OhHellHandPoints(c.bid, c.won, c.cards), c.points) << c.bid << "/" << c.won << " of " << c.cards;
}

TEST(OhHellRulesTest, TheLastBidderMayNotEvenTheTotal) {
  const struct {
    unsigned cards;
    bool allowTotalEqual;
    unsigned bidsMade;
    int sum;
    std::vector<std::string> offered;
  } cases[] = {
      {4, false, 3, 3, {"0", "2", "3", "4"}},        // bids 2, 1, 0: not 1
      {4, true, 3, 3, {"0", "1", "2", "3", "4"}},
      {4, false, 2, 3, {"0", "1", "2", "3", "4"}},   // not the last bidder
      {2, false, 3, 5, {"0", "1", "2"}},             // already over: nothing to forbid
      {1, false, 3, 0, {"0"}},
  };
  for (const auto& c : cases) {
    const ChoiceList list = OhHellBidChoices(c.cards, c.allowTotalEqual, c.bidsMade, c.sum);
    EXPECT_EQ(list.caption, "Please Select Your Bid");
    EXPECT_EQ(Texts(list), c.offered) << c.cards << " cards, sum " << c.sum;
    for (std::size_t i = 0; i < list.choices.size(); ++i) EXPECT_EQ(std::to_string(list.values[i]), list.choices[i]);
  }
  const struct {
    int bid, sum, total, expected;
  } moves[] = {{1, 3, 4, 0}, {0, 4, 4, 1}, {2, 1, 4, 2}, {3, 10, 13, 2}};
  for (const auto& m : moves) EXPECT_EQ(BidAvoidingTotal(m.bid, m.sum, m.total), m.expected) << m.bid;
}

TEST(OhHellRulesTest, AHandBidsNothingOnlyWhenItCanDuck) {
  const struct {
    std::vector<const char*> hand;
    int trump;
    unsigned handsPlayed;
    bool zero;
  } cases[] = {
      {{"2C"}, kSuitHearts, 0, true},                               // one low card, no trump held
      {{"AC"}, kSuitHearts, 0, false},                              // only high cards in a suit
      {{"2H"}, kSuitHearts, 0, false},                              // more trumps than (hp + 1) / 4
      {{"2H", "3C", "4C", "5D", "6D"}, kSuitHearts, 4, true},       // one low trump allowed at hand 5
      {{"QH", "3C", "4C", "5D", "6D"}, kSuitHearts, 4, false},      // a trump above ten
      {{"AC", "KD", "AS", "KH", "2C", "3D"}, kSuitNone, 5, false},  // four cards above the queen
      {{"10C", "JC", "2D", "3D"}, kSuitNone, 3, false},             // a jack with one lower card
      {{"7C", "8C", "JC", "7D", "8D", "QD"}, kSuitNone, 5, false},  // two doubtful suits
      {{"7C", "8C", "JC", "2D", "3D"}, kSuitNone, 4, true},         // one doubtful suit is tolerated
  };
  for (const auto& c : cases) {
    CardDeck deck;
    FillPack(deck, 2);
    CardStack hand;
    std::string name;
    for (const char* n : c.hand) {
      const auto rs = ParseCard(n);
      hand.AddCard(FindCard(deck, rs.first, rs.second));
      name += std::string(n) + " ";
    }
    EXPECT_EQ(CanBidZero(hand, c.trump, c.handsPlayed), c.zero) << name;
  }
}
