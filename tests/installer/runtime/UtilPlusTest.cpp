#include <gtest/gtest.h>

#include "UtilPlus.h"

TEST(Scrambler, WorkedExample) {
  std::string s = ScrambleTextWithKey("abc", 1, 33);
  ASSERT_EQ(s.size(), 16u);
  EXPECT_EQ(s.substr(0, 12), "Scrambled=01");
  EXPECT_EQ(s[12], char(33));
  EXPECT_EQ(static_cast<unsigned char>(s[13]), 0x43);
  EXPECT_EQ(static_cast<unsigned char>(s[14]), 0x83);
  EXPECT_EQ(static_cast<unsigned char>(s[15]), 0x47);
  EXPECT_EQ(ScrambleText(s, 0), "abc");
}

TEST(Scrambler, RoundTripsAndStates) {
  std::string plain;
  for (int i = 0; i < 600; ++i) plain += char(i * 7 + 3);  // every byte value, line breaks included
  for (int k = 33; k <= 122; k += 11) {
    std::string s = ScrambleTextWithKey(plain, 1, static_cast<unsigned char>(k));
    EXPECT_EQ(s.size(), plain.size() + 13);
    EXPECT_EQ(ScrambleText(s, 0), plain);
  }
  std::string once = ScrambleText(plain, 1);
  EXPECT_TRUE(IsScrambledText(once));
  EXPECT_GE(static_cast<unsigned char>(once[12]), 33);
  EXPECT_LE(static_cast<unsigned char>(once[12]), 122);
  EXPECT_EQ(ScrambleText(once, 1), once);  // already scrambled
  EXPECT_EQ(ScrambleText("", 1).size(), 13u);
  EXPECT_EQ(ScrambleText("plain text", 0), "plain text");
  EXPECT_EQ(ScrambleText("x Scrambled=01abc", 0), "x Scrambled=01abc");  // prefix not at the start
  EXPECT_EQ(ScrambleText("Scrambled=01", 0), "");  // no key character
}
