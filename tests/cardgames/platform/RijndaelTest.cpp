#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "Rijndael.h"

namespace {

std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < text.size(); i += 2) bytes.push_back(uint8_t(std::stoi(text.substr(i, 2), nullptr, 16)));
  return bytes;
}

}  // namespace

// FIPS-197, appendices B and C.
TEST(RijndaelTest, PublishedVectorsBothWays) {
  struct Case {
    const char* key;
    const char* plain;
    const char* cipher;
    int rounds;
  } cases[] = {
      {"2b7e151628aed2a6abf7158809cf4f3c", "3243f6a8885a308d313198a2e0370734", "3925841d02dc09fbdc118597196a0b32", 10},
      {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff", "69c4e0d86a7b0430d8cdb78070b4c55a", 10},
      {"000102030405060708090a0b0c0d0e0f1011121314151617", "00112233445566778899aabbccddeeff",
       "dda97ca4864cdfe06eaf70a0ec0d7191", 12},
      {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "00112233445566778899aabbccddeeff",
       "8ea2b7ca516745bfeafc49904b496089", 14},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> key = Hex(c.key), plain = Hex(c.plain), cipher = Hex(c.cipher);
    Rijndael r(key.data(), key.size());
    EXPECT_EQ(c.rounds, r.Rounds());
    std::vector<uint8_t> out(16);
    r.EncryptBlock(plain.data(), out.data());
    EXPECT_EQ(cipher, out) << c.key;
    r.DecryptBlock(cipher.data(), out.data());
    EXPECT_EQ(plain, out) << c.key;
  }
}

TEST(RijndaelTest, OtherKeySizesAreRefused) {
  std::vector<uint8_t> key(40, 7);
  for (size_t n : {0, 1, 15, 17, 20, 23, 25, 31, 33, 40}) {
    try {
      Rijndael r(key.data(), n);
      ADD_FAILURE() << n << " accepted";
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ("Invalid Key Size", e.what()) << n;
    }
  }
}

TEST(RijndaelTest, WiderBlocksRoundTrip) {
  struct Case {
    size_t keyBytes;
    int blockWords, rounds;
  } cases[] = {{16, 6, 12}, {24, 6, 12}, {32, 6, 14}, {16, 8, 14}, {32, 8, 14}};
  for (const Case& c : cases) {
    std::vector<uint8_t> key(c.keyBytes), plain(size_t(c.blockWords) * 4), out(plain.size()), back(plain.size());
    for (size_t i = 0; i < key.size(); ++i) key[i] = uint8_t(i * 7 + 1);
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = uint8_t(i * 13);
    Rijndael r(key.data(), key.size(), c.blockWords);
    EXPECT_EQ(c.rounds, r.Rounds());
    r.EncryptBlock(plain.data(), out.data());
    EXPECT_NE(plain, out);
    r.DecryptBlock(out.data(), back.data());
    EXPECT_EQ(plain, back) << c.keyBytes << "/" << c.blockWords;
  }
}
