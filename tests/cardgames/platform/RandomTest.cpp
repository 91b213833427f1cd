#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "Random.h"

// Known answers worked out once with a separate calculation of the generator:
// words x[i] = 69069 * x[i-1], the MT19937 recurrence and tempering.
TEST(MersenneRandom, KnownWordsForSeeds) {
  struct Case { std::uint32_t seed; std::vector<std::uint32_t> words; };
  const Case cases[] = {
      {4357, {0xd13c8af5, 0xffc27482, 0x82a6958b, 0x21ac240a, 0x09110bba, 0xfe127bc0}},
      {1, {0xe2450886, 0xf94c56fa, 0x81f0eeaf, 0xe30e8878, 0xb07a203c, 0xf179224e}},
      {0xDEADBEEF, {0x9532c5e2, 0x95363136, 0xf943dc14, 0xdeb83078, 0x2193a8d8, 0x854c4ccf}},
  };
  for (const auto& c : cases) {
    MersenneRandom r(c.seed);
    for (std::size_t i = 0; i < c.words.size(); ++i)
      EXPECT_EQ(r.Next(0), c.words[i]) << "seed " << c.seed << " word " << i;
  }
}

TEST(MersenneRandom, WordsAfterTheArrayIsRegenerated) {
  MersenneRandom r(4357);
  for (int i = 0; i < 1000; ++i) r.Next(0);
  EXPECT_EQ(r.Next(0), 0x0bd8fb72u);
  EXPECT_EQ(r.Next(0), 0x1f4fe215u);
  EXPECT_EQ(r.Next(0), 0xaf373b03u);
}

TEST(MersenneRandom, SeedingDiffersFromTheLaterInitialisation) {
  std::mt19937 later(4357);
  MersenneRandom r(4357);
  EXPECT_NE(r.Next(0), static_cast<std::uint32_t>(later()));
}

TEST(MersenneRandom, BoundsAndReseeding) {
  MersenneRandom r(4357);
  EXPECT_EQ(r.Next(1), 0u);
  EXPECT_EQ(r.Next(1), 0u);
  EXPECT_EQ(r.Next(0), 0x82a6958bu);  // Next(1) drew two words

  // No rejection of the modulo bias: the word modulo 52.
  MersenneRandom d(2024);
  const std::uint32_t expected[] = {34, 11, 19, 25, 51, 42, 13, 13, 42, 1};
  for (std::uint32_t e : expected) EXPECT_EQ(d.Next(52), e);

  d.Seed(1);
  EXPECT_EQ(d.Next(0), 0xe2450886u);
  EXPECT_EQ(d.Next(0x100), 0xfau);
}
