#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "GamePaint.h"
#include "GameTable.h"
#include "TrickGame.h"

namespace {

// A bidding trick game of three cards a seat: computers bid 1, the user bids 2 when asked
// (or bids a card by clicking it twice when bidByClick is set).
class BidGame : public TrickGame {
 public:
  BidGame(RandomSource& rng, std::uint32_t seats) : TrickGame(nullptr, "Bid Test", 0, seats, 3, 2, 0, rng) {
    for (std::int32_t rank = 2; rank <= 5; ++rank)
      for (std::int32_t suit = 0; suit < 4; ++suit) deck.AddToPack(suit, rank);
  }
  ~BidGame() override = default;
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override {
    CardGame::StartDeal(newGame, randomDealer, sortHands);
    ShowHandNumber();
    ResetTricks();
    TurnHumanCardsUp();
    SetState(Bidding);
    SetCurrentSeat(current);
  }
  void ComputerBid(std::uint32_t seat) override {
    computerBids.push_back(seat);
    seatList[seat].bid.SetValue(1);
  }
  Card* ChooseCard() override {
    for (Card* c : seatList[current].cards)
      if (tricks.IsLegalPlay(c, seatList[current])) return c;
    return nullptr;
  }
  std::string SeatLabel(std::uint32_t seat) override {
    const SeatRecord& s = seatList[seat];
    return s.bid.kind == kNoBid ? s.name : s.name + " - " + std::to_string(s.bid.value);
  }

  std::vector<std::uint32_t> computerBids;
  int asked = 0;
  bool bidByClick = false;

 protected:
  void AskHumanBid() override {
    ++asked;
    if (!bidByClick) seatList[humanSeat].bid.SetValue(2);
  }
  void BiddingClick(LPARAM lParam) override {
    if (Card* c = HumanCardClicked(lParam)) seatList[humanSeat].bid.SetCard(*c);
  }
};

// The user's bid through a choice dialog; optionally a card set aside from the stock at
// each deal, which the game keeps nowhere else.
class DialogBidGame : public BidGame {
 public:
  DialogBidGame(RandomSource& rng, bool setCardAside) : BidGame(rng, 3), setCardAside(setCardAside) {}
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override {
    BidGame::StartDeal(newGame, randomDealer, sortHands);
    aside = setCardAside ? deck.Draw() : nullptr;
  }
  Card* aside = nullptr;
  bool setCardAside;

 protected:
  void AskHumanBid() override {
    ++asked;
    if (bidByClick) return;
    ChoiceList list;
    list.caption = "Please Select Your Bid";
    for (std::int32_t i = 0; i <= 3; ++i) list.Add(std::to_string(i), 10 * i);
    seatList[humanSeat].bid.SetValue(AskChoice(*this, 1, list));
  }
};

// Not a trick game: each seat in turn lays a card on one pile; the user lays his with the
// right button.
class PileGame : public CardGame {
 public:
  explicit PileGame(RandomSource& rng) : CardGame(nullptr, 2, 3, 2, 0, rng) {
    for (std::int32_t rank = 2; rank <= 5; ++rank) deck.AddToPack(0, rank);
    for (std::int32_t rank = 2; rank <= 5; ++rank) deck.AddToPack(1, rank);
  }
  ~PileGame() override = default;
  void OnRButtonDown(LPARAM lParam) override {
    if (GetState() != Playing || current != humanSeat) return;
    if (Card* c = seatList[humanSeat].CardAt(LOWORD(lParam), HIWORD(lParam))) Lay(humanSeat, c);
  }
  void OnTimer() override {
    switch (GetState()) {
      case Playing:
        if (seatList[0].cards.empty() && seatList[1].cards.empty())
          SetState(HandOver);
        else if (current != humanSeat)
          Lay(current, seatList[current].FirstCard());
        break;
      case HandOver:
        FinishHand();
        break;
      case GameOver:
        EndGame("Pile");
        break;
      default:
        break;
    }
  }
  void StartDeal(bool newGame, bool randomDealer, bool sortHands) override {
    pile.Clear();
    CardGame::StartDeal(newGame, randomDealer, sortHands);
  }
  void Layout() override {
    if (!cardImages) return;
    seatList[0].cardWidth = cardImages->CardWidth();
    seatList[0].cardHeight = cardImages->CardHeight();
    seatList[0].SetPlacement(kRowCentred, 300, 300, 20);
  }
  void Lay(std::uint32_t seat, Card* card) {
    seatList[seat].RemoveCard(card);
    pile.AddCard(card);
    AdvanceTurn();
  }
  CardStack pile;
};

class TrickGameTest : public ::testing::Test {
 protected:
  void Prepare(BidGame& game) {
    SeatForSelfPlay(game, images);
    game.Resume();
  }
  void ClickOn(BidGame& game, Card* card) {
    long x = 0, y = 0;
    ASSERT_TRUE(PointOnCard(game.seatList[0], card, x, y));
    game.OnLButtonDown(MAKELPARAM(x, y));
  }
  CardImages images;
};

}  // namespace

TEST_F(TrickGameTest, BiddingGoesRoundThenHoldsBeforePlay) {
  ScriptedRandom rng;  // dealer 0 at construction: seat 1 deals, seat 2 bids first
  BidGame game(rng, 3);
  Prepare(game);
  ScriptedDialogs boxes(&game);
  game.StartDeal(true, false, true);
  EXPECT_EQ(game.statusLines[0], "Hand 1 of 2");
  EXPECT_EQ(game.statusLines[1], "It is Igor's turn to bid.");
  game.OnTimer();
  EXPECT_EQ(game.computerBids, std::vector<std::uint32_t>{2});
  game.OnTimer();  // on to the user, who is asked at once
  EXPECT_EQ(game.current, 0u);
  EXPECT_EQ(game.statusLines[1], "It is your turn to bid.");
  EXPECT_EQ(game.asked, 1);
  game.OnTimer();
  game.OnTimer();
  EXPECT_EQ(game.computerBids, (std::vector<std::uint32_t>{2, 1}));
  EXPECT_EQ(game.asked, 1);
  game.OnTimer();  // every seat has bid
  EXPECT_EQ(game.GetState(), HoldA);
  EXPECT_EQ(game.statusLines[1], "Bidding is over.");  // the lead prompt waits for play
  EXPECT_EQ(game.current, 2u);
  EXPECT_EQ(game.handOverCountdown, 20);
  EXPECT_EQ(game.tricks.playedCount, 0u);
  game.OnLButtonDown(MAKELPARAM(5, 5));  // a click ends the hold at the next tick
  EXPECT_EQ(game.handOverCountdown, 0);
  game.OnTimer();
  EXPECT_EQ(game.GetState(), Playing);
  EXPECT_EQ(game.statusLines[1], "It is Igor's turn to lead a card.");
  game.OnTimer();  // Igor leads
  ASSERT_NE(game.tableCards[2], nullptr);
  EXPECT_EQ(game.statusLines[1], "Lead: " + CardText(*game.tableCards[2]));
  EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(TrickGameTest, ABidByClicksIsMadeOnceAndOnlyInTurn) {
  ScriptedRandom rng;
  BidGame game(rng, 3);
  Prepare(game);
  game.bidByClick = true;
  ScriptedDialogs boxes(&game);
  game.StartDeal(true, false, true);
  Card* first = game.seatList[0].cards[0];
  Card* second = game.seatList[0].cards[1];
  ClickOn(game, first);  // Igor's turn: only the turn message
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "It is Igor's turn to play.");
  EXPECT_FALSE(first->selected);
  game.OnTimer();
  game.OnTimer();
  ASSERT_EQ(game.current, 0u);
  EXPECT_EQ(game.seatList[0].bid.kind, kNoBid);  // asked, but waiting for the click
  ClickOn(game, first);
  EXPECT_TRUE(first->selected);
  EXPECT_EQ(game.seatList[0].bid.kind, kNoBid);
  ClickOn(game, first);
  EXPECT_EQ(game.seatList[0].bid.kind, kCardBid);
  EXPECT_EQ(game.seatList[0].bid.card.uniqueId, first->uniqueId);
  ClickOn(game, second);  // one bid a round
  ClickOn(game, second);
  EXPECT_EQ(game.seatList[0].bid.card.uniqueId, first->uniqueId);
  EXPECT_FALSE(second->selected);
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(TrickGameTest, PromptsOnOneLineLeaveLineTwoAlone) {
  ScriptedRandom rng;
  BidGame game(rng, 3);
  Prepare(game);
  game.separatePlayPrompt = false;
  game.showLeadLine = false;
  game.StartDeal(true, false, true);
  for (int i = 0; i < 5; ++i) game.OnTimer();
  game.handOverCountdown = 0;
  game.statusLines[2] = "9 cards in the deck";
  game.OnTimer();
  ASSERT_EQ(game.GetState(), Playing);
  EXPECT_EQ(game.statusLines[1], "It is Igor's turn to lead a card.");
  game.OnTimer();  // Igor leads: no lead line, the next prompt on line 1
  game.OnTimer();
  EXPECT_EQ(game.statusLines[1], "It is your turn to play a card.");
  EXPECT_EQ(game.statusLines[2], "9 cards in the deck");
  game.OnTimer();  // the turn waits for the user
  EXPECT_EQ(game.current, 0u);
}

TEST_F(TrickGameTest, LayoutSeatsTwoThreeAndFourPlayers) {
  const int w = images.CardWidth(), h = images.CardHeight();
  const long handTop = 491 - h - 5;
  const RECT bottom = {(599 - w) / 2 + 12, handTop - h - 30, (599 - w) / 2 + 12 + w, handTop - 30};
  const RECT left = {17, (479 - h) / 2 + 12, 17 + w, (479 - h) / 2 + 12 + h};
  const RECT top = {(599 - w) / 2 + 12, 17, (599 - w) / 2 + 12 + w, 17 + h};
  const RECT right = {611 - w - 5, (479 - h) / 2 + 12, 611 - 5, (479 - h) / 2 + 12 + h};
  const struct {
    std::uint32_t seats;
    std::vector<RECT> rects;
    std::vector<std::int32_t> formats;
  } cases[] = {
      {2, {bottom, top}, {0x29, 0x21}},
      {3, {bottom, left, top}, {0x29, 0x24, 0x21}},
      {4, {bottom, left, top, right}, {0x29, 0x24, 0x21, 0x26}},
  };
  for (const auto& c : cases) {
    ScriptedRandom rng;
    BidGame game(rng, c.seats);
    Prepare(game);
    EXPECT_EQ(game.seatList[0].bounds.top, handTop) << c.seats;
    for (std::uint32_t s = 0; s < c.seats; ++s) {
      const RECT& r = game.trickRects[s];
      EXPECT_TRUE(EqualRect(&r, &c.rects[s])) << c.seats << " seats, seat " << s;
      EXPECT_EQ(game.seatList[s].labelFormat, c.formats[s]) << c.seats << " seats, seat " << s;
    }
    // The top seat's name under its card, across the table; the user's 10 pixels above the hand.
    const std::uint32_t topSeat = c.seats == 2 ? 1 : 2;
    EXPECT_EQ(game.seatList[topSeat].labelRect.top, top.bottom + 10) << c.seats;
    EXPECT_EQ(game.seatList[0].labelRect.bottom, handTop - 10) << c.seats;
  }
}

TEST(GamePaintTest, StockBacksStepLeftOnePerFiveCards) {
  const struct {
    std::size_t cards;
    int backs;
  } counts[] = {{0, 0}, {1, 0}, {2, 1}, {6, 1}, {7, 2}, {26, 5}, {27, 6}};
  for (const auto& c : counts) EXPECT_EQ(StockBackCount(c.cards), c.backs) << c.cards;

  CardImages images;
  tc::Canvas canvas(300, 200);
  DrawStockBacks(images, canvas.dc(), 5, 100, 20);
  EXPECT_NE(canvas.At(100 - 8, 30), tc::kPaper);  // the fifth back, 8 pixels left of the first
  EXPECT_EQ(canvas.At(100 - 10, 30), tc::kPaper);
  EXPECT_NE(canvas.At(100 + images.CardWidth() - 2, 30), tc::kPaper);
  EXPECT_EQ(canvas.At(100 + images.CardWidth() + 1, 30), tc::kPaper);
}

TEST(GamePaintTest, StatusPanelOnlyWhenShownAndDealt) {
  CardImages images;
  const struct {
    bool show;
    bool dealt;
    bool drawn;
  } cases[] = {{true, true, true}, {false, true, false}, {true, false, false}};
  for (const auto& c : cases) {
    ScriptedRandom rng;
    BidGame game(rng, 3);
    game.cardImages = &images;
    game.SetAreas(kTable, kStatus);
    game.Resume();
    if (c.dealt) game.StartDeal(true, false, true);
    game.showStatusLines = c.show;
    tc::Canvas canvas(790, 560);
    const RECT& r = game.statusRect;
    DrawGameStatusPanel(game, canvas.dc(), "PLAYER",
                        {PanelColumn{"BID", r.left + 75, r.left + 105, 0x21}, PanelColumn{"TRICKS", r.left + 105, r.right - 5, 0x21}},
                        {PanelRow{"Betty", {"2", "1"}}});
    const COLORREF line = c.drawn ? COLORREF(0xA3BCCE) : tc::kPaper;
    EXPECT_EQ(canvas.At(r.left + 40, r.top + 199), line) << c.show << c.dealt;  // under the header
    // Left of each column, moved over to give "TRICKS" its room.
    EXPECT_EQ(canvas.At(r.left + 72, r.top + 260), line) << c.show << c.dealt;
    EXPECT_EQ(canvas.At(r.left + 99, r.top + 260), line) << c.show << c.dealt;
    EXPECT_EQ(canvas.At(r.left + 90, r.top + 280), tc::kPaper);  // the grid ends at top + 272
    EXPECT_EQ(canvas.Changed() > 0, c.drawn);
  }
}

TEST(RandomDialogsTest, AnswersWithOfferedValuesAndScriptsEveryFlag) {
  MersenneRandom rng(7);
  RandomDialogs dialogs(nullptr, rng);
  ChoiceList list;
  list.Add("I Pass", 0);
  list.Add("Seven", 70);
  list.Add("Nil", 255);
  std::set<std::int32_t> answers;
  int ticked = 0, allow = 0, extra = 0, yes = 0;
  for (int i = 0; i < 60; ++i) {
    const std::int32_t v = dialogs.Choose(nullptr, 9, nullptr, list);
    EXPECT_TRUE(v == 0 || v == 70 || v == 255) << v;
    answers.insert(v);
    ChoiceListWithCheck record;
    record.list = list;
    EXPECT_NE(dialogs.ChooseWithCheck(nullptr, 10306, nullptr, record), 1);
    EXPECT_FALSE(record.allowCheck && record.extraFlag);  // radio buttons: one at most
    ticked += record.ticked;
    allow += record.allowCheck;
    extra += record.extraFlag;
    yes += dialogs.YesNo(nullptr, "Spades", "Would you like to bid blind?");
  }
  EXPECT_EQ(answers.size(), 3u);
  for (int n : {ticked, allow, extra, yes}) {
    EXPECT_GT(n, 0);
    EXPECT_LT(n, 60);
  }
  ASSERT_EQ(dialogs.boxes.size(), 180u);
  EXPECT_EQ(dialogs.boxes[0].values, list.values);  // what was offered is recorded
  EXPECT_EQ(dialogs.boxes[0].choices, list.choices);
  for (const auto& b : dialogs.boxes) {
    if (b.kind != "yesno") {
      EXPECT_NE(std::find(b.values.begin(), b.values.end(), b.answer), b.values.end());
    }
  }
  ChoiceList empty;
  EXPECT_EQ(dialogs.Choose(nullptr, 9, nullptr, empty), 0);  // nothing offered: OK answers 0

  // A game's own rule for the flags.
  dialogs.checkFlags = [](ChoiceListWithCheck& r, RandomSource&) { r.ticked = r.allowCheck = r.extraFlag = 1; };
  ChoiceListWithCheck flagged;
  flagged.list = list;
  dialogs.ChooseWithCheck(nullptr, 9404, nullptr, flagged);
  EXPECT_TRUE(flagged.ticked && flagged.allowCheck && flagged.extraFlag);
}

TEST(SelfPlayKitTest, BidsByDialogOrByClicksAndAccountsForSetAsideCards) {
  CardImages images;
  const struct {
    const char* what;
    bool bidByClick;
    bool aside;
    bool listAside;
    bool faultExpected;
  } cases[] = {
      {"dialog bids", false, false, false, false},
      {"click bids", true, false, false, false},
      {"a card set aside and listed", false, true, true, false},
      {"a card set aside and not listed", false, true, false, true},
  };
  for (const auto& c : cases) {
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
      MersenneRandom rng(seed);
      MersenneRandom choices(seed * 31);
      DialogBidGame game(rng, c.aside);
      game.bidByClick = c.bidByClick;
      SeatForSelfPlay(game, images);
      SelfPlayOptions options;
      options.tricksPerHand = 3;
      options.bidByClick = c.bidByClick;
      options.dialogSeed = seed;
      options.allowBox = [](const ScriptedDialogs::Box& b) { return b.kind == "choice"; };
      if (c.listAside)
        options.places = [](const CardGame& g, std::vector<const Card*>& cards) {
          cards.push_back(static_cast<const DialogBidGame&>(g).aside);
        };
      SelfPlay driver(game, choices);
      SelfPlayResult r = driver.Run(options);
      const std::string where = std::string(c.what) + ", seed " + std::to_string(seed);
      EXPECT_TRUE(r.finished) << where;
      EXPECT_EQ(r.hands, 2) << where;
      EXPECT_EQ(r.tricks, 6) << where;
      EXPECT_EQ(r.humanBids, c.bidByClick ? 2 : 0) << where;
      int choicesAsked = 0;
      for (const auto& b : r.boxes)
        if (b.kind == "choice") {
          ++choicesAsked;
          EXPECT_NE(std::find(b.values.begin(), b.values.end(), b.answer), b.values.end()) << where;
          EXPECT_EQ(b.stateSeen, Paused) << where;
        }
      EXPECT_EQ(choicesAsked, c.bidByClick ? 0 : 2) << where;
      if (c.faultExpected) {
        ASSERT_FALSE(r.faults.empty()) << where;
        EXPECT_NE(r.faults[0].find("is in 0 places"), std::string::npos) << r.faults[0];
      } else {
        for (const std::string& f : r.faults) ADD_FAILURE() << where << ": " << f;
      }
    }
  }
}

TEST(SelfPlayKitTest, DrivesAGameWithoutTricksByRightClicks) {
  CardImages images;
  for (bool listPile : {true, false}) {
    MersenneRandom rng(3);
    MersenneRandom choices(5);
    PileGame game(rng);
    game.cardImages = &images;
    game.SetSeatComputer(true, 1);
    game.SetAreas(kTable, kStatus);
    SelfPlayOptions options;
    options.trickPlays = false;
    options.humanToMove = [](const CardGame& g) {
      return g.GetState() == Playing && g.current == g.humanSeat && !g.seatList[g.humanSeat].cards.empty();
    };
    int moves = 0;
    options.humanMove = [&moves](SelfPlay& p) {
      const SeatRecord& hand = p.Game().seatList[0];
      ++moves;
      return p.RightClickCard(hand, hand.cards[p.Random(static_cast<std::uint32_t>(hand.cards.size()))]);
    };
    if (listPile)
      options.places = [](const CardGame& g, std::vector<const Card*>& cards) {
        const CardStack& pile = static_cast<const PileGame&>(g).pile;
        cards.insert(cards.end(), pile.cards.begin(), pile.cards.end());
      };
    SelfPlay driver(game, choices);
    SelfPlayResult r = driver.Run(options);
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.hands, 2);
    EXPECT_EQ(r.tricks, 0);
    EXPECT_EQ(moves, 6);  // three cards a hand, two hands
    if (listPile) {
      for (const std::string& f : r.faults) ADD_FAILURE() << f;
    } else {
      ASSERT_FALSE(r.faults.empty());
      EXPECT_NE(r.faults[0].find("lost a card without playing it"), std::string::npos) << r.faults[0];
    }
  }
}
