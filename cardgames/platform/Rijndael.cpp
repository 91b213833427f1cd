#include "Rijndael.h"

#include <cstring>
#include <stdexcept>

namespace {

uint8_t Times2(uint8_t a) { return uint8_t((a << 1) ^ ((a & 0x80) ? 0x1B : 0)); }

uint8_t Multiply(uint8_t a, uint8_t b) {
  uint8_t r = 0;
  while (b) {
    if (b & 1) r ^= a;
    a = Times2(a);
    b >>= 1;
  }
  return r;
}

uint8_t RotateLeft(uint8_t b, int n) { return uint8_t((b << n) | (b >> (8 - n))); }

void MixColumn(uint8_t* c) {
  uint8_t a0 = c[0], a1 = c[1], a2 = c[2], a3 = c[3];
  c[0] = uint8_t(Multiply(a0, 2) ^ Multiply(a1, 3) ^ a2 ^ a3);
  c[1] = uint8_t(a0 ^ Multiply(a1, 2) ^ Multiply(a2, 3) ^ a3);
  c[2] = uint8_t(a0 ^ a1 ^ Multiply(a2, 2) ^ Multiply(a3, 3));
  c[3] = uint8_t(Multiply(a0, 3) ^ a1 ^ a2 ^ Multiply(a3, 2));
}

void InverseMixColumn(uint8_t* c) {
  uint8_t a0 = c[0], a1 = c[1], a2 = c[2], a3 = c[3];
  c[0] = uint8_t(Multiply(a0, 14) ^ Multiply(a1, 11) ^ Multiply(a2, 13) ^ Multiply(a3, 9));
  c[1] = uint8_t(Multiply(a0, 9) ^ Multiply(a1, 14) ^ Multiply(a2, 11) ^ Multiply(a3, 13));
  c[2] = uint8_t(Multiply(a0, 13) ^ Multiply(a1, 9) ^ Multiply(a2, 14) ^ Multiply(a3, 11));
  c[3] = uint8_t(Multiply(a0, 11) ^ Multiply(a1, 13) ^ Multiply(a2, 9) ^ Multiply(a3, 14));
}

}  // namespace

Rijndael::Rijndael(const uint8_t* key, size_t keyLength, int blockWords) {
  if (keyLength != 16 && keyLength != 24 && keyLength != 32) throw std::invalid_argument("Invalid Key Size");
  if (blockWords != 4 && blockWords != 6 && blockWords != 8) throw std::invalid_argument("Invalid Block Size");
  nk_ = int(keyLength / 4);
  nb_ = blockWords;
  rounds_ = (nk_ > nb_ ? nk_ : nb_) + 6;
  key_.assign(key, key + keyLength);

  // S-box: multiplicative inverse in GF(2^8), then the affine transform.
  uint8_t power[255], log[256] = {};
  uint8_t x = 1;
  for (int i = 0; i < 255; ++i) {
    power[i] = x;
    log[x] = uint8_t(i);
    x = uint8_t(x ^ Times2(x));  // times the generator 3
  }
  for (int b = 0; b < 256; ++b) {
    uint8_t inv = b ? power[(255 - log[b]) % 255] : 0;
    uint8_t s = uint8_t(inv ^ RotateLeft(inv, 1) ^ RotateLeft(inv, 2) ^ RotateLeft(inv, 3) ^
                        RotateLeft(inv, 4) ^ 0x63);
    sbox_[b] = s;
    inverseSbox_[s] = uint8_t(b);
  }
  EncryptionKeySchedule();
  DecryptionKeySchedule();
}

void Rijndael::EncryptionKeySchedule() {
  int words = nb_ * (rounds_ + 1);
  encKeys_.assign(size_t(words) * 4, 0);
  std::memcpy(encKeys_.data(), key_.data(), key_.size());
  uint8_t rcon = 1;
  for (int i = nk_; i < words; ++i) {
    uint8_t t[4];
    std::memcpy(t, &encKeys_[size_t(i - 1) * 4], 4);
    if (i % nk_ == 0) {
      uint8_t first = t[0];
      t[0] = uint8_t(sbox_[t[1]] ^ rcon);
      t[1] = sbox_[t[2]];
      t[2] = sbox_[t[3]];
      t[3] = sbox_[first];
      rcon = Times2(rcon);
    } else if (nk_ > 6 && i % nk_ == 4) {
      for (uint8_t& b : t) b = sbox_[b];
    }
    for (int j = 0; j < 4; ++j) encKeys_[size_t(i) * 4 + j] = uint8_t(encKeys_[size_t(i - nk_) * 4 + j] ^ t[j]);
  }
}

void Rijndael::DecryptionKeySchedule() {
  decKeys_ = encKeys_;
  size_t block = BlockSize();
  for (int round = 1; round < rounds_; ++round)
    for (int c = 0; c < nb_; ++c) InverseMixColumn(&decKeys_[round * block + size_t(c) * 4]);
}

void Rijndael::AddRoundKey(uint8_t* state, const std::vector<uint8_t>& keys, int round) const {
  size_t block = BlockSize();
  for (size_t i = 0; i < block; ++i) state[i] ^= keys[round * block + i];
}

void Rijndael::ShiftRows(uint8_t* state, bool inverse) const {
  static const int offsets[2][4] = {{0, 1, 2, 3}, {0, 1, 3, 4}};
  const int* shift = offsets[nb_ == 8 ? 1 : 0];
  uint8_t row[8];
  for (int r = 1; r < 4; ++r) {
    for (int c = 0; c < nb_; ++c) {
      int from = inverse ? (c - shift[r] + nb_) % nb_ : (c + shift[r]) % nb_;
      row[c] = state[from * 4 + r];
    }
    for (int c = 0; c < nb_; ++c) state[c * 4 + r] = row[c];
  }
}

void Rijndael::EncryptBlock(const uint8_t* in, uint8_t* out) const {
  uint8_t state[32];
  size_t block = BlockSize();
  std::memcpy(state, in, block);
  AddRoundKey(state, encKeys_, 0);
  for (int round = 1; round <= rounds_; ++round) {
    for (size_t i = 0; i < block; ++i) state[i] = sbox_[state[i]];
    ShiftRows(state, false);
    if (round != rounds_)
      for (int c = 0; c < nb_; ++c) MixColumn(&state[c * 4]);
    AddRoundKey(state, encKeys_, round);
  }
  std::memcpy(out, state, block);
}

void Rijndael::DecryptBlock(const uint8_t* in, uint8_t* out) const {
  uint8_t state[32];
  size_t block = BlockSize();
  std::memcpy(state, in, block);
  AddRoundKey(state, decKeys_, rounds_);
  for (int round = rounds_ - 1; round >= 0; --round) {
    for (size_t i = 0; i < block; ++i) state[i] = inverseSbox_[state[i]];
    ShiftRows(state, true);
    if (round != 0)
      for (int c = 0; c < nb_; ++c) InverseMixColumn(&state[c * 4]);
    AddRoundKey(state, decKeys_, round);
  }
  std::memcpy(out, state, block);
}
