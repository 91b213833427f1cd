// Hands that grow wider than the table: every card stays on the table, shows its corner
// index and answers a click, up to the largest hand each game allows.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Arlington.h"
#include "Canasta.h"
#include "Durok.h"
#include "GameTable.h"

namespace {

struct Dealt {
  std::unique_ptr<MersenneRandom> rng;
  std::unique_ptr<CardGame> game;
  // Cards that may not go into the hand (a bonus card is laid as soon as it is clicked).
  std::function<bool(const Card*)> refused = [](const Card*) { return false; };
};

template <class Game>
Dealt Deal(CardImages& images, const std::function<void(Game&, Dealt&)>& prepare = nullptr) {
  Dealt d;
  d.rng = std::make_unique<MersenneRandom>(5);
  auto game = std::make_unique<Game>(nullptr, 0, *d.rng);
  SeatAtTable(*game, images);
  game->Resume();
  game->StartDeal(true, false, true);
  game->SetState(Playing);
  game->current = 0;
  if (prepare) prepare(*game, d);
  d.game = std::move(game);
  return d;
}

// Brings the seat's hand to n cards from the stock, then from the other seats' hands (each
// keeps one card); the user's cards face up, the others face down; sorted as dealt.
void GrowHand(Dealt& d, std::uint32_t seat, std::size_t n) {
  CardGame& g = *d.game;
  SeatRecord& hand = g.seatList[seat];
  auto take = [&](Card* c) {
    c->faceUp = seat == g.humanSeat;
    hand.AddCard(c);
  };
  auto& stock = g.deck.stock;
  for (Card* c : std::vector<Card*>(hand.cards.begin(), hand.cards.end()))
    if (d.refused(c)) stock.insert(stock.begin(), hand.RemoveCard(c));
  for (std::size_t i = stock.size(); i-- > 0 && hand.cards.size() < n;)
    if (!d.refused(stock[i])) {
      take(stock[i]);
      stock.erase(stock.begin() + static_cast<std::ptrdiff_t>(i));
    }
  for (std::uint32_t s = 0; s < g.seats; ++s) {
    SeatRecord& other = g.seatList[s];
    if (s == seat) continue;
    for (std::size_t i = other.cards.size(); i-- > 1 && hand.cards.size() < n;)
      if (!d.refused(other.cards[i])) take(other.RemoveCard(other.cards[i]));
  }
  hand.Sort(g.sortMode);
  hand.UpdateBounds();
}

std::vector<DWORD> Painted(CardGame& g, tc::Canvas& canvas) {
  canvas.Clear();
  g.Paint(canvas.dc());
  return canvas.Pixels();
}

// Where a card shows its rank and suit: the top-left corner, 12 x 28 pixels.
const int kIndexWidth = 12;
const int kIndexHeight = 28;

bool InTable(long x, long y) { return x >= kTable.left && x < kTable.right && y >= kTable.top && y < kTable.bottom; }

}  // namespace

TEST(HandRowTest, EveryCardOfTheLargestHandsStaysOnTheTableShowsItsIndexAndAnswersAClick) {
  CardImages images;
  const int w = images.CardWidth(), h = images.CardHeight();
  // The largest hands: in Durok a seat may take all 52 cards but the one the other seat
  // keeps (sending its last card with the stock empty wins). In Canasta the user may take a
  // discard pile that holds everything but the 33 cards the computer seats keep (they draw
  // one and discard one a turn), the top card that goes to a meld, and the card the stock
  // still holds for the turn to come round. In Arlington the same with the other seat's 13
  // cards and a meld of three: 105 - 13 - 3 - 1.
  struct Case {
    const char* game;
    std::uint32_t seat;
    std::size_t cards;
    std::function<Dealt()> deal;
  };
  auto durok = [&] {
    return Deal<DurokGame>(images, [](DurokGame& g, Dealt&) { g.sending = true; });
  };
  auto canasta = [&] {
    return Deal<CanastaGame>(images, [](CanastaGame& g, Dealt& d) {
      d.refused = [&g](const Card* c) { return g.IsBonus(c); };
    });
  };
  auto arlington = [&] { return Deal<ArlingtonGame>(images); };
  const Case cases[] = {
      {"Durok", 0, 27, durok},     {"Durok", 0, 44, durok},         {"Durok", 0, 45, durok},
      {"Durok", 0, 51, durok},     {"Durok", 1, 51, durok},         {"Canasta", 0, 30, canasta},
      {"Canasta", 0, 73, canasta}, {"Arlington", 0, 27, arlington}, {"Arlington", 0, 88, arlington},
  };
  tc::Canvas canvas(790, 560), alone(790, 560), face(w, h);
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.game << ", seat " << k.seat << ", " << k.cards << " cards");
    Dealt d = k.deal();
    CardGame& g = *d.game;
    SeatRecord& hand = g.seatList[k.seat];
    GrowHand(d, k.seat, k.cards);
    ASSERT_EQ(hand.cards.size(), k.cards);

    // The whole hand, painted alone, lies on the table.
    alone.Clear();
    hand.Paint(images, alone.dc());
    const std::vector<DWORD> handInk = alone.Pixels();
    int outside = 0;
    for (int y = 0; y < 560; ++y)
      for (int x = 0; x < 790; ++x) outside += handInk[y * 790 + x] != 0xFF00FF && !InTable(x, y);
    EXPECT_EQ(outside, 0);

    // Each card: what changes when it alone is turned over is its visible part. A joker's
    // face is a picture without an index, like a back: it shows another face instead.
    const bool user = k.seat == g.humanSeat;
    const std::vector<DWORD> table = Painted(g, canvas);
    std::vector<std::pair<long, long>> corners;
    for (Card* c : std::vector<Card*>(hand.cards.begin(), hand.cards.end())) {
      const std::string name = CardName(c);
      const bool joker = c->faceRank == kRankJoker;
      const Card before = *c;
      if (joker) c->faceRank = kRankHighAce, c->faceSuit = kSuitSpades;
      else c->faceUp = !c->faceUp;
      const std::vector<DWORD> turned = Painted(g, canvas);
      *c = before;
      long left = 790, top = 560, changed = 0;
      bool offTable = false;
      for (int y = 0; y < 560; ++y)
        for (int x = 0; x < 790; ++x)
          if (table[y * 790 + x] != turned[y * 790 + x]) {
            ++changed;
            offTable |= !InTable(x, y);
            left = std::min<long>(left, x);
            top = std::min<long>(top, y);
          }
      ASSERT_GT(changed, 0) << name << " cannot be seen";
      EXPECT_FALSE(offTable) << name;
      if (!user) continue;
      if (joker) {
        g.OnLButtonDown(MAKELPARAM(left + 4, top + 8));
        EXPECT_TRUE(c->selected) << "a click on " << name << " missed it";
        c->selected = false;
        continue;
      }

      // Its corner index shows as the card alone shows it.
      face.Clear();
      c->Draw(images, face.dc(), 0, 0, true);
      const std::vector<DWORD> own = face.Pixels();
      auto indexShown = [&](long ox, long oy) {
        for (int y = 2; y < kIndexHeight; ++y)
          for (int x = 2; x < kIndexWidth; ++x)
            if (ox + x < 0 || oy + y < 0 || table[(oy + y) * 790 + ox + x] != own[y * w + x]) return false;
        return true;
      };
      long ox = -1, oy = -1;
      for (long dy = 0; dy <= 6 && ox < 0; ++dy)
        for (long dx = 0; dx <= 6 && ox < 0; ++dx)
          if (indexShown(left - dx, top - dy)) ox = left - dx, oy = top - dy;
      ASSERT_GE(ox, 0) << "the corner index of " << name << " is hidden";
      corners.push_back({ox, oy});

      // A click on the index picks the card up.
      g.OnLButtonDown(MAKELPARAM(ox + kIndexWidth / 2, oy + kIndexHeight / 2));
      EXPECT_TRUE(c->selected) << "a click on " << name << " missed it";
      c->selected = false;
    }

    // While the row fits, the cards keep their spacing.
    if (user && (k.cards - 1) * 20 + w + 1 <= static_cast<std::size_t>(kTable.right - kTable.left)) {
      for (std::size_t i = 1; i < corners.size(); ++i) EXPECT_EQ(corners[i].first - corners[i - 1].first, 20) << i;
    }
  }
}
