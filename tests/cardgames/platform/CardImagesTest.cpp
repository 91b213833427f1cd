#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "CardImages.h"
#include "TestCanvas.h"
#include "TestTool.h"

namespace {

class CardImagesTest : public ::testing::Test {
 protected:
  CardImages images;
  // Pixels of one card drawn alone.
  std::vector<DWORD> Draw(int mode, int designOrRank, int suit = 0) {
    tc::Canvas c(images.CardWidth() + 4, images.CardHeight() + 4);
    EXPECT_TRUE(images.DrawCard(c.dc(), 0, 0, mode, designOrRank, suit));
    return c.Pixels();
  }
};

}  // namespace

TEST(CardImageIndexTest, MapsCardsAndBacks) {
  struct Case {
    int mode, design, back, rank, suit, index;
  } cases[] = {
      {CardImages::FaceMode, 0, 59, 8, 2, 30},   // eight of hearts
      {CardImages::FaceMode, 0, 59, 1, 3, 3},    // ace of spades, low
      {CardImages::FaceMode, 0, 59, 14, 3, 3},   // and high
      {CardImages::FaceMode, 0, 59, 0, 4, 57},   // joker
      {CardImages::FaceMode, 0, 59, 13, 0, 48},  // king of clubs
      {CardImages::FaceMode, 0, 59, 2, 1, 5},    // two of diamonds
      {CardImages::BackMode, 1, 60, 0, 0, 60},   // the chosen back
      {CardImages::BackMode, 55, 60, 0, 0, 55},  // a named back
      {CardImages::BackMode, 1, 1, 0, 0, 59},    // an invalid stored back: the default
      {CardImages::BackMode, 30, 60, 0, 0, 59},  // a face number asked as a back
      {CardImages::BackMode, 69, 60, 0, 0, 59},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.index, CardImages::CardImageIndex(c.mode, c.design, c.back, c.rank, c.suit))
        << c.mode << " " << c.design << " " << c.back << " " << c.rank << " " << c.suit;
}

TEST(CardImageIndexTest, ValidatesStoredBacks) {
  for (int v = -1; v <= 70; ++v) {
    bool valid = (v >= 53 && v <= 65) || v == 67 || v == 68;
    EXPECT_EQ(valid ? v : 1, CardImages::ValidateCardBack(v)) << v;
  }
}

TEST_F(CardImagesTest, DrawsCardOfLibrarySize) {
  ASSERT_GT(images.CardWidth(), 20);
  ASSERT_GT(images.CardHeight(), 20);
  EXPECT_EQ(CardImages::DefaultBack, images.Back());
  int w = images.CardWidth(), h = images.CardHeight();
  tc::Canvas c(w + 10, h + 10);
  ASSERT_TRUE(images.DrawCard(c.dc(), 5, 5, CardImages::FaceMode, 8, 2));
  EXPECT_GT(c.Changed(), w * h * 9 / 10);
  EXPECT_NE(tc::kPaper, c.At(5 + w / 2, 5 + h / 2));
  EXPECT_NE(tc::kPaper, c.At(5 + w / 2, 5 + h - 1));
  EXPECT_EQ(tc::kPaper, c.At(5 + w / 2, 5 + h));
  EXPECT_EQ(tc::kPaper, c.At(5 + w, 5 + h / 2));
  EXPECT_EQ(tc::kPaper, c.At(2, 2));
}

TEST_F(CardImagesTest, RedSuitsShowRedBlackSuitsNone) {
  struct Case {
    int rank, suit;
    bool red;
  } cases[] = {  // black pip cards only: court pictures hold red in every suit
      {8, 2, true}, {14, 1, true}, {12, 1, true}, {8, 0, false}, {1, 3, false}, {5, 3, false}};
  for (const Case& k : cases) {
    tc::Canvas c(images.CardWidth(), images.CardHeight());
    ASSERT_TRUE(images.DrawCard(c.dc(), 0, 0, CardImages::FaceMode, k.rank, k.suit));
    if (k.red)
      EXPECT_GT(c.Red(), 20) << k.rank << " of " << k.suit;
    else
      EXPECT_EQ(0, c.Red()) << k.rank << " of " << k.suit;
  }
  // Distinct cards give distinct pictures; the high ace is the low one.
  EXPECT_NE(Draw(CardImages::FaceMode, 8, 2), Draw(CardImages::FaceMode, 9, 2));
  EXPECT_NE(Draw(CardImages::FaceMode, 8, 2), Draw(CardImages::FaceMode, 8, 1));
  EXPECT_EQ(Draw(CardImages::FaceMode, 1, 3), Draw(CardImages::FaceMode, 14, 3));
}

TEST_F(CardImagesTest, BackDesignOneIsTheChosenBack) {
  images.SetBack(60);
  std::vector<DWORD> chosen = Draw(CardImages::BackMode, 1);
  EXPECT_EQ(Draw(CardImages::BackMode, 60), chosen);
  EXPECT_NE(Draw(CardImages::BackMode, 55), chosen);
  EXPECT_NE(Draw(CardImages::FaceMode, 1, 0), chosen);
}

TEST_F(CardImagesTest, InvalidStoredBackDrawsDefaultBack) {
  std::vector<DWORD> defaultBack = Draw(CardImages::BackMode, 59);
  images.SetBack(CardImages::ValidateCardBack(66));
  ASSERT_EQ(1, images.Back());
  EXPECT_EQ(defaultBack, Draw(CardImages::BackMode, 1));
  // No face number ever shows as a back.
  EXPECT_EQ(defaultBack, Draw(CardImages::BackMode, 0));
  EXPECT_EQ(defaultBack, Draw(CardImages::BackMode, 30));
}

TEST_F(CardImagesTest, NoSuchFaceDrawsNothing) {
  struct Case {
    int rank, suit;
  } cases[] = {{15, 0}, {-1, 2}, {5, 4}, {5, -1}};
  for (const Case& k : cases) {
    tc::Canvas c(images.CardWidth(), images.CardHeight());
    EXPECT_FALSE(images.DrawCard(c.dc(), 0, 0, CardImages::FaceMode, k.rank, k.suit));
    EXPECT_EQ(0, c.Changed());
  }
}

TEST(CardLibraryTest, MissingLibraryGivesClearError) {
  struct Case {
    bool missing;
    int code;
    const char* text;
  } cases[] = {{true, 3, "Cannot Load Card DLL"}, {false, 0, "loaded"}};
  std::string dir = tt::ScratchDir("cardlib");
  for (const Case& c : cases) {
    std::string out = dir + "\\result.txt";
    DeleteFileA(out.c_str());
    // Wine reads its DLL overrides when a program starts: the helper runs without cards.dll.
    ASSERT_TRUE(tt::SetProgramDllDisabled("cards_ui_helper.exe", "cards", c.missing));
    tt::Process p = tt::Start("\"" + tt::ProgramDir() + "cards_ui_helper.exe\" cards \"" + out + "\"");
    ASSERT_TRUE(p.ok());
    int code = tt::WaitExit(p, 60000);
    tt::SetProgramDllDisabled("cards_ui_helper.exe", "cards", false);
    EXPECT_EQ(c.code, code) << c.missing;
    std::string text;
    ASSERT_TRUE(tt::ReadFile(out, text));
    EXPECT_EQ(c.text, text);
  }
}
