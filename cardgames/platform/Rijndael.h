// The Rijndael block cipher (AES with 16-byte blocks), keys of 16, 24 or 32 bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class Rijndael {
 public:
  // Raises std::invalid_argument("Invalid Key Size") unless keyLength is 16, 24 or 32;
  // blockWords is 4, 6 or 8 (16, 24 or 32-byte blocks).
  Rijndael(const uint8_t* key, size_t keyLength, int blockWords = 4);

  int Rounds() const { return rounds_; }
  size_t BlockSize() const { return size_t(nb_) * 4; }
  // One block of BlockSize() bytes; in and out may be the same.
  void EncryptBlock(const uint8_t* in, uint8_t* out) const;
  void DecryptBlock(const uint8_t* in, uint8_t* out) const;

 private:
  void EncryptionKeySchedule();
  void DecryptionKeySchedule();
  void AddRoundKey(uint8_t* state, const std::vector<uint8_t>& keys, int round) const;
  void ShiftRows(uint8_t* state, bool inverse) const;

  int nk_;
  int nb_;
  int rounds_;
  std::vector<uint8_t> key_;
  std::vector<uint8_t> encKeys_;  // (rounds + 1) x block bytes
  std::vector<uint8_t> decKeys_;  // round keys of the equivalent inverse cipher
  uint8_t sbox_[256];
  uint8_t inverseSbox_[256];
};
