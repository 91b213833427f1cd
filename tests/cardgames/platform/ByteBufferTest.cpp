#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ByteBuffer.h"
#include "Rijndael.h"

namespace {

typedef std::vector<uint8_t> Bytes;

Bytes Of(const std::string& s) { return Bytes(s.begin(), s.end()); }

const uint8_t kKey[16] = {0x5c, 0x1e, 0x9a, 0x07, 0xd4, 0xb3, 0x6f, 0x22,
                          0x80, 0xe9, 0xc3, 0xa1, 0xb7, 0xd0, 0x6e, 0x45};

}  // namespace

TEST(CheckedFileTest, CrcKnownAnswers) {
  EXPECT_EQ(0xCBF43926u, Crc32(Of("123456789").data(), 9));
  EXPECT_EQ(0x00000000u, Crc32(nullptr, 0));
  EXPECT_EQ(0x414FA339u, Crc32(Of("The quick brown fox jumps over the lazy dog").data(), 43));
}

TEST(CheckedFileTest, LayoutIsBigEndianCrcTypeThenPayload) {
  struct Case {
    std::string payload;
    uint32_t type;
    Bytes file;
  } cases[] = {
      {"123456789", 0x39BB01AC,
       {0xCB, 0xF4, 0x39, 0x26, 0x39, 0xBB, 0x01, 0xAC, '1', '2', '3', '4', '5', '6', '7', '8', '9'}},
      {"", 0xEAB29380, {0, 0, 0, 0, 0xEA, 0xB2, 0x93, 0x80}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.file, CheckedFile::Compose(Of(c.payload), c.type));
    Bytes payload = Of("old");
    ASSERT_TRUE(CheckedFile::Parse(c.file, c.type, payload));
    EXPECT_EQ(Of(c.payload), payload);
  }
}

TEST(CheckedFileTest, DamagedFilesAreRefused) {
  Bytes good = CheckedFile::Compose(Of("payload"), 7);
  std::vector<Bytes> bad;
  for (size_t i = 0; i < good.size(); ++i) {
    Bytes b = good;
    b[i] ^= 0x01;
    bad.push_back(b);
  }
  bad.push_back(Bytes(good.begin(), good.end() - 1));
  bad.push_back(Bytes(good.begin(), good.begin() + 7));
  bad.push_back(Bytes());
  for (const Bytes& b : bad) {
    Bytes payload = Of("kept");
    EXPECT_FALSE(CheckedFile::Parse(b, 7, payload)) << b.size();
    EXPECT_EQ(Of("kept"), payload);
  }
  Bytes payload;
  EXPECT_FALSE(CheckedFile::Parse(good, 8, payload));
}

TEST(ByteBufferTest, FieldEncodings) {
  ByteBufferPtr b;
  b.WriteBool(true);
  b.WriteBool(false);
  b.WriteByte(0xAB);
  b.WriteUInt16(0x1234);
  b.WriteUInt32(0xDEADBEEF);
  b.WriteString("Hi");
  b.WriteBytes(Bytes{9, 8});
  b << uint16_t(0xFFFE) << std::string() << true << "ok";
  Bytes expected = {1, 0, 0xAB, 0x34, 0x12, 0xEF, 0xBE, 0xAD, 0xDE, 2, 0, 'H', 'i',
                    2, 0, 0, 0, 9, 8, 0xFE, 0xFF, 0, 0, 1, 2, 0, 'o', 'k'};
  EXPECT_EQ(expected, b->data);

  EXPECT_TRUE(b.ReadBool());
  EXPECT_FALSE(b.ReadBool());
  EXPECT_EQ(0xAB, b.ReadByte());
  EXPECT_EQ(0x1234, b.ReadUInt16());
  EXPECT_EQ(0xDEADBEEFu, b.ReadUInt32());
  EXPECT_EQ("Hi", b.ReadString());
  EXPECT_EQ(2u, b.ReadUInt32());
  EXPECT_EQ(0x0809, b.ReadUInt16());
  int16_t s = 0;
  std::string empty = "x";
  bool last = false;
  std::string text;
  b >> s >> empty >> last >> text;
  EXPECT_EQ(-2, s);
  EXPECT_EQ("", empty);
  EXPECT_TRUE(last);
  EXPECT_EQ("ok", text);
  EXPECT_EQ(b->data.size(), b->readPos);
}

TEST(ByteBufferTest, BoolIsTrueOnlyForOne) {
  ByteBufferPtr b;
  for (uint8_t v : {0, 1, 2, 0xFF}) b.WriteByte(v);
  EXPECT_FALSE(b.ReadBool());
  EXPECT_TRUE(b.ReadBool());
  EXPECT_FALSE(b.ReadBool());
  EXPECT_FALSE(b.ReadBool());
}

TEST(ByteBufferTest, ReadsPastTheEndRaise) {
  struct Case {
    Bytes data;
    int field;  // 0 bool, 1 u16, 2 i16, 3 u32, 4 string
    size_t posAfter;
  } cases[] = {
      {{}, 0, 0},
      {{1}, 1, 0},
      {{1}, 2, 0},
      {{1, 2, 3}, 3, 0},
      {{10, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 4, 2},  // length 10, 9 bytes left: the length is spent
      {{5}, 4, 0},
  };
  for (const Case& c : cases) {
    ByteBufferPtr b;
    b->data = c.data;
    try {
      switch (c.field) {
        case 0: b.ReadBool(); break;
        case 1: b.ReadUInt16(); break;
        case 2: b.ReadInt16(); break;
        case 3: b.ReadUInt32(); break;
        default: b.ReadString(); break;
      }
      ADD_FAILURE() << "field " << c.field << " read";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ("", e.what());
    }
    EXPECT_EQ(c.posAfter, b->readPos) << c.field;
  }
}

TEST(ByteBufferTest, LongStringsAreCutToTheLengthField) {
  ByteBufferPtr b;
  b.WriteString(std::string(70000, 'a'));
  b.WriteByte(42);
  EXPECT_EQ(2u + 65535u + 1u, b->data.size());
  EXPECT_EQ(std::string(65535, 'a'), b.ReadString());
  EXPECT_EQ(42, b.ReadByte());
}

TEST(ByteBufferTest, EncipherChainsBlocksAndPads) {
  // 17 bytes: two blocks, the second padded with zeros.
  Bytes plain = Of("Seventeen bytes!!");
  ASSERT_EQ(17u, plain.size());
  ByteBufferPtr b;
  b->data = plain;
  b.Encipher(kKey, 16);
  ASSERT_EQ(32u, b->data.size());

  Rijndael aes(kKey, 16);
  Bytes padded = plain;
  padded.resize(32, 0);
  Bytes c1(16), c2(16), x(16);
  aes.EncryptBlock(padded.data(), c1.data());
  for (int i = 0; i < 16; ++i) x[i] = uint8_t(padded[16 + i] ^ c1[i]);
  aes.EncryptBlock(x.data(), c2.data());
  EXPECT_EQ(c1, Bytes(b->data.begin(), b->data.begin() + 16));
  EXPECT_EQ(c2, Bytes(b->data.begin() + 16, b->data.end()));

  b->readPos = 5;
  b.Decipher(kKey, 16);
  EXPECT_EQ(padded, b->data);
  EXPECT_EQ(0u, b->readPos);
}

TEST(ByteBufferTest, EqualBlocksEncipherDifferently) {
  ByteBufferPtr b;
  b->data.assign(48, 0x41);
  b.Encipher(kKey, 16);
  EXPECT_NE(Bytes(b->data.begin(), b->data.begin() + 16), Bytes(b->data.begin() + 16, b->data.begin() + 32));
  EXPECT_NE(Bytes(b->data.begin() + 16, b->data.begin() + 32), Bytes(b->data.begin() + 32, b->data.end()));
  b.Decipher(kKey, 16);
  EXPECT_EQ(Bytes(48, 0x41), b->data);
}

TEST(ByteBufferTest, EmptyPayloadStaysEmpty) {
  ByteBufferPtr b;
  b.Encipher(kKey, 16);
  EXPECT_TRUE(b->data.empty());
  b.Decipher(kKey, 16);
  EXPECT_TRUE(b->data.empty());
}

TEST(ByteBufferTest, PartialBlockIsDamaged) {
  for (size_t n : {1, 15, 17, 31, 33}) {
    ByteBufferPtr b;
    b->data.assign(n, 0x5A);
    b->readPos = 1;
    try {
      b.Decipher(kKey, 16);
      ADD_FAILURE() << n << " deciphered";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ("", e.what());
    }
    EXPECT_EQ(Bytes(n, 0x5A), b->data);
    EXPECT_EQ(1u, b->readPos);
  }
}

TEST(ByteBufferTest, BadKeyIsRefused) {
  uint8_t key[20] = {};
  ByteBufferPtr b;
  b->data.assign(16, 1);
  EXPECT_THROW(b.Encipher(key, 20), std::invalid_argument);
  EXPECT_THROW(b.Decipher(key, 20), std::invalid_argument);
  EXPECT_EQ(Bytes(16, 1), b->data);
}
