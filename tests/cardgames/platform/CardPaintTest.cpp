#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "CardImages.h"
#include "CardTestKit.h"
#include "CardPile.h"
#include "TestCanvas.h"

TEST(PileWindow, ChangesInvalidateThePileArea) {
  tc::TestWindow w;
  ASSERT_NE(w.hwnd, nullptr);
  CardDeck deck;
  FillPack(deck, 2);
  CardStack pile;
  pile.window = w.hwnd;
  Place(pile, kRowFromAnchor, 100, 200, 15);
  w.TakeUpdate();

  pile.AddCard(&deck.pack[0]);
  ExpectRect(w.TakeUpdate(), 85, 185, 172, 296);  // grown up and left by the spacing
  pile.AddCard(&deck.pack[1]);
  pile.AddCard(&deck.pack[2]);
  w.TakeUpdate();

  EXPECT_EQ(pile.RemoveCard(&deck.pack[9]), nullptr);
  ExpectRect(w.TakeUpdate(), 0, 0, 0, 0);
  pile.RemoveCard(&deck.pack[2]);
  ExpectRect(w.TakeUpdate(), 85, 185, 202, 296);  // the old, wider area
  pile.ToggleSelect(&deck.pack[0]);
  ExpectRect(w.TakeUpdate(), 85, 185, 187, 296);
  pile.Clear();
  ExpectRect(w.TakeUpdate(), 85, 185, 187, 296);

  // Near the window's edge the area is not moved past the spacing.
  pile.SetPlacement(kColumnFromAnchor, 10, 12, 15);
  w.TakeUpdate();
  pile.AddCard(&deck.pack[0]);
  ExpectRect(w.TakeUpdate(), 10, 12, 81, 109);

  pile.window = nullptr;
  pile.AddCard(&deck.pack[1]);
  ExpectRect(w.TakeUpdate(), 0, 0, 0, 0);
}

TEST(PileWindow, HighlightFillsAroundTheBounds) {
  tc::Canvas canvas(40, 40);
  CardStack pile;
  pile.bounds = {10, 10, 20, 20};
  pile.PaintHighlight(canvas.dc());
  struct Case { int x, y; COLORREF colour; };
  const COLORREF white = RGB(255, 255, 255);
  const Case cases[] = {{6, 6, white}, {23, 23, white},       {15, 15, white},
                        {5, 6, tc::kPaper}, {24, 23, tc::kPaper}, {23, 24, tc::kPaper}};
  for (const auto& c : cases) EXPECT_EQ(canvas.At(c.x, c.y), c.colour) << c.x << "," << c.y;
}

TEST(MersenneRandom, ClockSeedIsTheSystemTime) {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  const std::uint32_t seed = ClockSeed();
  // Within a few seconds of each other, in 100 ns units.
  EXPECT_LT(seed - ft.dwLowDateTime, 50000000u);
}

namespace {
// What a painting should look like: each step drawn straight through the card images.
struct Step { int x, y, mode, designOrRank, suit; };

std::vector<DWORD> Expected(CardImages& images, const std::vector<Step>& steps) {
  tc::Canvas canvas(260, 260);
  for (const Step& s : steps) images.DrawCard(canvas.dc(), s.x, s.y, s.mode, s.designOrRank, s.suit);
  return canvas.Pixels();
}

const int F = CardImages::FaceMode;
const int B = CardImages::BackMode;
}  // namespace

TEST(PilePaint, EveryLayoutDrawsItsCardsInPlace) {
  CardImages images;
  CardDeck deck;
  FillPack(deck, 2);
  Card* twoC = FindCard(deck, 2, 0);
  Card* threeH = FindCard(deck, 3, 2);
  Card* fourS = FindCard(deck, 4, 3);
  Card* kingD = FindCard(deck, 13, 1);
  Card joker(0, 4);

  struct Case {
    int layout, x, y, spacing;
    std::vector<Card*> cards;
    std::vector<bool> faceUp, selected;
    std::vector<Step> steps;
  };
  const std::vector<Case> cases = {
      // A row: the selected card is raised by the spacing; a face-down card shows its back.
      {kRowFromAnchor, 20, 30, 15, {twoC, threeH, fourS}, {true, false, true}, {false, false, true},
       {{20, 30, F, 2, 0}, {35, 30, B, 1, 0}, {50, 15, F, 4, 3}}},
      // A centred row starts left of the anchor.
      {kRowCentred, 120, 40, 20, {twoC, fourS}, {true, true}, {false, false},
       {{120 - (20 + images.CardWidth() + 1) / 2, 40, F, 2, 0},
        {120 - (20 + images.CardWidth() + 1) / 2 + 20, 40, F, 4, 3}}},
      // A column: the selected card moves left by the spacing.
      {kColumnFromAnchor, 40, 20, 20, {kingD, &joker}, {true, true}, {true, false},
       {{20, 20, F, 13, 1}, {40, 40, F, 0, 4}}},
      // A stack shows its first card only; selected, a back stays under the lifted card.
      {kStack, 30, 30, 12, {threeH, twoC}, {true, true}, {true, false},
       {{30, 30, B, 1, 0}, {30, 18, F, 3, 2}}},
      {kStack, 30, 30, 12, {threeH, twoC}, {false, true}, {false, false}, {{30, 30, B, 1, 0}}},
      {kStack, 30, 30, 12, {}, {}, {}, {}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    CardStack pile;
    pile.cardWidth = images.CardWidth();
    pile.cardHeight = images.CardHeight();
    for (std::size_t k = 0; k < c.cards.size(); ++k) {
      c.cards[k]->faceUp = c.faceUp[k];
      c.cards[k]->selected = c.selected[k];
      pile.AddCard(c.cards[k]);
    }
    pile.SetPlacement(c.layout, c.x, c.y, c.spacing);
    tc::Canvas canvas(260, 260);
    pile.Paint(images, canvas.dc());
    EXPECT_TRUE(canvas.Pixels() == Expected(images, c.steps)) << "case " << i;
    EXPECT_EQ(canvas.Pixels() == tc::Canvas(260, 260).Pixels(), c.steps.empty()) << "case " << i;
    for (Card* card : c.cards) card->selected = false;
  }
}

TEST(PilePaint, CardsDrawTheirPrintedFace) {
  CardImages images;
  Card ace(14, 3);
  ace.rank = 3;  // the game counts it as a three of clubs
  ace.suit = 0;
  tc::Canvas canvas(260, 260);
  ace.Draw(images, canvas.dc(), 10, 10, true);  // face down, but shown
  EXPECT_TRUE(canvas.Pixels() == Expected(images, {{10, 10, F, 14, 3}}));

  // A back the player cannot have chosen still draws as a back.
  images.SetBack(CardImages::ValidateCardBack(66));
  tc::Canvas back(260, 260);
  ace.Draw(images, back.dc(), 10, 10, false);
  EXPECT_TRUE(back.Pixels() == Expected(images, {{10, 10, B, CardImages::DefaultBack, 0}}));
  EXPECT_FALSE(back.Pixels() == canvas.Pixels());
}
