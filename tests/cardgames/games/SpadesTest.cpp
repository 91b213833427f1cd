#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <memory>

#include "GameTable.h"
#include "GameResources.h"
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

namespace {

// Seat 3 deals and the user bids first; each seat holds one suit: 0 spades, 1 hearts,
// 2 diamonds, 3 clubs.
class SpadesTest : public GameFixture<SpadesGame> {
 protected:
  SpadesTest() : GameFixture(OrderedDraws(2, 52)) {
    game.fastSpeed = true;
    game.allowBlind = false;
    game.allowBlindNil = true;
    game.allowTotal13 = true;
    game.spadesLeadAnytime = true;
    game.firstTrickTrumping = true;
    game.allowZeroBid = false;
    game.highBidderLeads = false;
    game.deuceHigh = false;
    game.bagPenalty = true;
    game.blindMargin = 100;
  }
  void Bids(std::uint32_t from, const std::vector<int>& bids) {
    for (std::size_t i = 0; i < bids.size(); ++i) game.seatList[(from + i) % 4].bid.SetValue(bids[i]);
    game.tricks.playedCount = static_cast<std::uint32_t>(bids.size()) % 4;
  }
  bool HumanCardsUp() {
    for (const Card* c : game.seatList[0].cards)
      if (!c->faceUp) return false;
    return true;
  }
};

}  // namespace

TEST(SpadesRegistryTest, DefaultOptions) {
  DeleteFileA(OptionsPath("Spades").c_str());
  MersenneRandom rng(7);
  SpadesGame g(nullptr, 0, rng);
  const bool flags[] = {g.allowBlind,         g.allowBlindNil, g.allowTotal13,    g.spadesLeadAnytime,
                        g.firstTrickTrumping, g.allowZeroBid,  g.highBidderLeads, g.deuceHigh,
                        g.bagPenalty};
  const bool defaults[] = {false, true, true, true, true, false, false, false, true};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(flags[i], defaults[i]) << i;
  EXPECT_EQ(g.blindMargin, 100);
}

TEST_F(SpadesTest, PaintsTheBidPanelWithoutATrumpCard) {
  Deal();
  ExpectPainted(false);
}

TEST_F(SpadesTest, TheUserBidsThroughTheDialogAndTheLastBidCannotMakeThirteen) {
  Deal();
  EXPECT_EQ(game.GetState(), Bidding);
  EXPECT_EQ(game.tricks.trump, kSuitSpades);
  EXPECT_TRUE(HumanCardsUp());
  EXPECT_EQ(Line(1), "It is your turn to bid.");
  boxes.values = {kSpadesNil};
  Tick();
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].dialogId, IDD_SPADES_BID);
  EXPECT_EQ(boxes.boxes[0].caption, "Please Select Your Bid");
  EXPECT_EQ(boxes.boxes[0].choices.front(), "Nil");
  EXPECT_EQ(boxes.boxes[0].choices.size(), 14u);
  EXPECT_EQ(game.seatList[0].bid.value, kSpadesNil);
  TickWhile(Bidding);
  EXPECT_EQ(boxes.boxes.size(), 1u);

  game.allowTotal13 = false;
  game.dealer = 3;
  game.StartDeal(false, false, true);  // seat 1 bids first, the user last
  Bids(1, {4, 3, 3});
  game.current = 0;
  boxes.values = {2};
  Tick();
  ASSERT_EQ(boxes.boxes.size(), 2u);
  const std::vector<std::string>& offered = boxes.boxes[1].choices;
  EXPECT_EQ(std::find(offered.begin(), offered.end(), "3"), offered.end());
  EXPECT_NE(std::find(offered.begin(), offered.end(), "Nil"), offered.end());
  EXPECT_EQ(game.seatList[0].bid.value, 2);
}

TEST_F(SpadesTest, BlindBidsAreOfferedToAPlayerFarBehind) {
  const struct {
    const char* what;
    bool allowBlind, allowBlindNil;
    bool answer;
    std::vector<std::string> questions;
    bool dialog;
    int bid;
    bool blind;
  } cases[] = {
      {"blind", true, true, true, {"Would you like to bid blind?"}, true, 5, true},
      {"not blind", true, true, false, {"Would you like to bid blind?"}, true, 5, false},
      {"blind nil", false, true, true, {"Would you like to bid blind nil?"}, false, kSpadesNil, true},
      {"not blind nil", false, true, false, {"Would you like to bid blind nil?"}, true, 5, false},
      {"no blind bids", false, false, true, {}, true, 5, false},
  };
  for (const auto& c : cases) {
    game.allowBlind = c.allowBlind;
    game.allowBlindNil = c.allowBlindNil;
    game.blindMargin = 100;
    Deal();
    game.scores[2] = 101;  // the user trails by more than the margin
    game.dealer = 3;
    game.StartDeal(false, false, true);
    EXPECT_EQ(HumanCardsUp(), !c.allowBlind && !c.allowBlindNil) << c.what;
    boxes.boxes.clear();
    boxes.answers = {c.answer};
    boxes.values = {5};
    game.current = 0;
    Tick();
    std::vector<std::string> questions;
    bool dialog = false;
    for (const auto& b : boxes.boxes) {
      if (b.kind == "yesno") questions.push_back(b.text);
      if (b.kind == "choice") dialog = true;
    }
    EXPECT_EQ(questions, c.questions) << c.what;
    EXPECT_EQ(dialog, c.dialog) << c.what;
    EXPECT_EQ(game.seatList[0].bid.value, c.bid) << c.what;
    EXPECT_EQ(game.isBlind[0], c.blind) << c.what;
    EXPECT_TRUE(HumanCardsUp()) << c.what;
  }
  // Level scores: no blind question at all.
  game.allowBlind = true;
  Deal();
  EXPECT_TRUE(HumanCardsUp());
  EXPECT_FALSE(game.MayBidBlind(0));
  game.blindMargin = 0;  // always
  EXPECT_TRUE(game.MayBidBlind(0));
}

TEST_F(SpadesTest, AComputerBidsAtMostThirteen) {
  Deal();
  game.current = 1;
  for (std::uint32_t s = 0; s < 4; ++s) game.seatList[s].Clear();
  SetHand(1, {"AS", "KS", "QS", "JS", "10S", "9S", "8S", "7S", "6S", "5S", "4S", "3S", "2S"});
  EXPECT_GT(game.EstimateSpadesBid(1), 13);
  game.ComputerBid(1);
  EXPECT_EQ(game.seatList[1].bid.value, 13);
  EXPECT_EQ(game.tricks.playedCount, 1u);
}

TEST_F(SpadesTest, TheFirstTrickAndTheLeaderFollowTheOptions) {
  const struct {
    bool firstTrickTrumping, highBidderLeads;
    std::vector<int> bids;  // seats 0 to 3
    std::uint32_t leader;
  } cases[] = {
      {true, false, {2, 5, 3, 3}, 0},
      {false, false, {2, 5, 3, 3}, 0},
      {true, true, {2, 5, 3, 5}, 1},
      {true, true, {kSpadesNil, 2, 4, 1}, 2},  // a nil bidder never leads as highest
  };
  for (const auto& c : cases) {
    game.firstTrickTrumping = c.firstTrickTrumping;
    game.highBidderLeads = c.highBidderLeads;
    Deal();
    Bids(0, c.bids);
    Tick();
    ASSERT_EQ(game.GetState(), HoldA);
    EXPECT_EQ(game.tricks.trumpAllowed, c.firstTrickTrumping);
    EXPECT_EQ(game.current, c.leader);
  }
}


TEST_F(SpadesTest, OptionsChangeTheHandOnlyBeforeItsFirstCard) {
  boxes.onOptions = [](CardGame& g) {
    SpadesGame& s = static_cast<SpadesGame&>(g);
    s.deuceHigh = !s.deuceHigh;
    s.spadesLeadAnytime = !s.spadesLeadAnytime;
    return 1;
  };
  Deal();
  game.ShowOptions(nullptr);  // during the bidding: at once
  EXPECT_EQ(Find("2S")->rank, 14);
  EXPECT_EQ(Find("AS")->rank, 13);
  EXPECT_EQ(game.tricks.noLeadSuit, kSuitSpades);
  EXPECT_EQ(game.tricks.CountHigherUnplayed(Find("AS")), 1u);
  Bids(0, {3, 3, 3, 3});
  TickWhile(Bidding);
  TickWhile(HoldA);
  ASSERT_EQ(game.GetState(), Playing);
  SetHand(0, {"2S", "5H"});
  EXPECT_FALSE(game.tricks.IsLegalPlay(Find("2S"), game.seatList[0]));  // spades not broken
  EXPECT_TRUE(game.tricks.IsLegalPlay(Find("5H"), game.seatList[0]));
  ClickOn("5H");
  ClickOn("5H");
  ASSERT_EQ(game.seatList[0].playedCard, Find("5H"));
  game.ShowOptions(nullptr);  // after the first card: from the next deal
  EXPECT_EQ(Find("2S")->rank, 14);
  EXPECT_EQ(game.tricks.noLeadSuit, kSuitSpades);
  EXPECT_FALSE(game.deuceHigh);
  game.StartDeal(false, false, true);
  EXPECT_EQ(Find("2S")->rank, 2);
  EXPECT_EQ(game.tricks.noLeadSuit, kSuitNone);
}

TEST(SpadesOptionsTest, TheOptionsFileAndDialog) {
  ExpectOptionsFile<SpadesGame>(
      "Spades", 0x40001,
      [](SpadesGame& g) {
        g.allowTotal13 = false;
        g.allowBlind = true;
        g.deuceHigh = true;
        g.blindMargin = 200;
      },
      {0, 0, 1, 1, 1, 1, 0, 1, 1, 0xC8, 0x00},
      [](const SpadesGame& g) { return !g.allowTotal13 && g.allowBlind && g.deuceHigh && g.blindMargin == 200; });
  const std::string path = OptionsPath("Spades");
  MersenneRandom rng(3);
  std::string bytes;
  DeleteFileA(path.c_str());
  SpadesGame game(nullptr, 0, rng);
  std::vector<std::string> margins;
  std::string selected;
  bool shown = false;
  ASSERT_TRUE(WorkOptionsDialog(game, "Spades Options", [&](HWND d) {
    shown = !Ticked(d, IDC_SPADES_BLIND) && Ticked(d, IDC_SPADES_BLIND_NIL) && Ticked(d, IDC_SPADES_TOTAL_ANY) &&
            !Ticked(d, IDC_SPADES_TOTAL_UNEQUAL) && Ticked(d, IDC_SPADES_LEFT_LEADS) &&
            Ticked(d, IDC_SPADES_LEAD_ANYTIME) && Ticked(d, IDC_SPADES_FIRST_TRICK_TRUMP) &&
            !Ticked(d, IDC_SPADES_ZERO_BID) && !Ticked(d, IDC_SPADES_DEUCE_HIGH) && Ticked(d, IDC_SPADES_BAG_PENALTY);
    HWND list = GetDlgItem(d, IDC_SPADES_MARGIN);
    char text[32] = {};
    for (LRESULT i = 0; i < SendMessageA(list, CB_GETCOUNT, 0, 0); ++i) {
      SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
      margins.push_back(text);
    }
    SendMessageA(list, CB_GETLBTEXT, SendMessageA(list, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(text));
    selected = text;
    Press(d, IDC_SPADES_BLIND);
    Press(d, IDC_SPADES_TOTAL_UNEQUAL);
    Press(d, IDC_SPADES_HIGH_LEADS);
    Press(d, IDC_SPADES_FIRST_TRICK_TRUMP);
    SendMessageA(list, CB_SETCURSEL, 0, 0);
    tt::ClickButtonId(d, IDOK);
  }));
  EXPECT_TRUE(shown);
  EXPECT_EQ(margins, (std::vector<std::string>{"0", "100", "200"}));
  EXPECT_EQ(selected, "100");
  EXPECT_TRUE(game.allowBlind);
  EXPECT_FALSE(game.allowTotal13);
  EXPECT_TRUE(game.highBidderLeads);
  EXPECT_FALSE(game.firstTrickTrumping);
  EXPECT_FALSE(game.tricks.firstTrickTrumpRule);
  EXPECT_EQ(game.blindMargin, 0);
  ASSERT_TRUE(tt::ReadFile(path, bytes));
  EXPECT_EQ(bytes, StoredOptions({0, 1, 1, 1, 1, 0, 0, 0, 1, 0, 0}, 0x40001));
  DeleteFileA(path.c_str());
}

// Whole games under many combinations of the options: bids are legal, computer bids stay
// within 13, the total avoids 13 when asked, and every hand scores with its bags.
TEST(SpadesSelfPlayTest, SeededGamesPlayToTheEnd) {
  PlaySeededGames<SpadesGame>(200, 8, [](SpadesGame& game, SelfPlayOptions& options, std::uint32_t seed) {
    game.allowBlind = seed % 2 == 0;
    game.allowBlindNil = seed % 3 != 0;
    game.blindMargin = static_cast<std::int16_t>(seed % 5 == 0 ? 0 : 100);
    game.allowTotal13 = seed % 4 < 2;
    game.spadesLeadAnytime = seed % 7 < 4;
    game.firstTrickTrumping = seed % 3 != 1;
    game.allowZeroBid = seed % 6 < 3;
    game.highBidderLeads = seed % 5 < 2;
    game.deuceHigh = seed % 8 < 3;
    game.bagPenalty = seed % 9 != 0;
    options.tricksPerHand = 13;
    options.allowBox = [](const ScriptedDialogs::Box& b) {
      return (b.kind == "choice" && b.dialogId == IDD_SPADES_BID) ||
             (b.kind == "yesno" && b.caption == "Spades" &&
              (b.text == "Would you like to bid blind?" || b.text == "Would you like to bid blind nil?"));
    };
    auto deltas = std::make_shared<ScoreDeltas>();
    auto bags = std::make_shared<std::vector<std::int32_t>>(4, 0);
    options.onHandOver = [deltas, bags, seed, &game](CardGame&) {
      for (const Card& c : game.deck.pack) {
        if (c.faceSuit == kSuitSpades && c.faceRank == 2) {
          EXPECT_EQ(c.rank, game.deuceHigh ? 14 : 2);
        }
      }
      const std::vector<std::int32_t> d = deltas->Take(game);
      for (std::uint32_t s = 0; s < 4; ++s) {
        const std::int32_t bid = game.seatList[s].bid.value;
        EXPECT_TRUE((bid >= 0 && bid <= 13) || bid == kSpadesNil) << "seed " << seed << " bid " << bid;
        std::int32_t& b = (*bags)[s];
        EXPECT_EQ(d[s], SpadesHandPoints(bid, game.isBlind[s], game.tricksWon[s], game.bagPenalty, b))
            << "seed " << seed << " seat " << s;
        EXPECT_EQ(b, game.bags[s]);
      }
      if (!game.allowTotal13) {
        EXPECT_NE(game.SumOfSpadeBids(), 13) << "seed " << seed;
      }
    };
  });
}
