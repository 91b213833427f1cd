#include "ByteBuffer.h"

#include <zlib.h>

#include <stdexcept>

#include "Rijndael.h"

namespace {

const size_t kBlock = 16;

}  // namespace

uint32_t ReadBigEndian32(const uint8_t* b) {
  return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
}

void WriteBigEndian32(uint8_t* b, uint32_t v) {
  b[0] = uint8_t(v >> 24);
  b[1] = uint8_t(v >> 16);
  b[2] = uint8_t(v >> 8);
  b[3] = uint8_t(v);
}

uint32_t Crc32(const uint8_t* bytes, size_t size) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes the length as uInt: feed large blocks in parts.
  while (size > 0) {
    uInt part = size > 0x40000000 ? 0x40000000 : uInt(size);
    crc = crc32(crc, bytes, part);
    bytes += part;
    size -= part;
  }
  return uint32_t(crc);
}

std::vector<uint8_t> CheckedFile::Compose(const std::vector<uint8_t>& payload, uint32_t typeWord) {
  std::vector<uint8_t> file(8 + payload.size());
  WriteBigEndian32(&file[0], Crc32(payload.data(), payload.size()));
  WriteBigEndian32(&file[4], typeWord);
  std::copy(payload.begin(), payload.end(), file.begin() + 8);
  return file;
}

bool CheckedFile::Parse(const std::vector<uint8_t>& file, uint32_t typeWord, std::vector<uint8_t>& payload) {
  if (file.size() < 8) return false;
  if (ReadBigEndian32(&file[4]) != typeWord) return false;
  if (Crc32(file.data() + 8, file.size() - 8) != ReadBigEndian32(&file[0])) return false;
  payload.assign(file.begin() + 8, file.end());
  return true;
}

void ByteBufferPtr::WriteBool(bool value) { buffer_->data.push_back(value ? 1 : 0); }

void ByteBufferPtr::WriteByte(uint8_t value) { buffer_->data.push_back(value); }

void ByteBufferPtr::WriteUInt16(uint16_t value) {
  buffer_->data.push_back(uint8_t(value));
  buffer_->data.push_back(uint8_t(value >> 8));
}

void ByteBufferPtr::WriteUInt32(uint32_t value) {
  for (int i = 0; i < 4; ++i) buffer_->data.push_back(uint8_t(value >> (8 * i)));
}

void ByteBufferPtr::WriteString(const std::string& value) {
  size_t n = value.size() > 0xFFFF ? 0xFFFF : value.size();
  WriteUInt16(uint16_t(n));
  buffer_->data.insert(buffer_->data.end(), value.begin(), value.begin() + n);
}

void ByteBufferPtr::WriteBytes(const std::vector<uint8_t>& block) {
  WriteUInt32(uint32_t(block.size()));
  buffer_->data.insert(buffer_->data.end(), block.begin(), block.end());
}

const uint8_t* ByteBufferPtr::Take(size_t n) {
  ByteBuffer& b = *buffer_;
  if (b.readPos > b.data.size() || b.data.size() - b.readPos < n) throw std::runtime_error("");
  const uint8_t* p = b.data.data() + b.readPos;
  b.readPos += n;
  return p;
}

bool ByteBufferPtr::ReadBool() { return *Take(1) == 1; }

uint8_t ByteBufferPtr::ReadByte() { return *Take(1); }

uint16_t ByteBufferPtr::ReadUInt16() {
  const uint8_t* p = Take(2);
  return uint16_t(p[0] | p[1] << 8);
}

int16_t ByteBufferPtr::ReadInt16() { return int16_t(ReadUInt16()); }

uint32_t ByteBufferPtr::ReadUInt32() {
  const uint8_t* p = Take(4);
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::string ByteBufferPtr::ReadString() {
  uint16_t n = ReadUInt16();
  const uint8_t* p = Take(n);
  return std::string(reinterpret_cast<const char*>(p), n);
}

void ByteBufferPtr::Encipher(const uint8_t* key, size_t keyLength) {
  Rijndael cipher(key, keyLength);
  std::vector<uint8_t>& d = buffer_->data;
  d.resize((d.size() + kBlock - 1) / kBlock * kBlock, 0);
  const uint8_t* previous = nullptr;
  for (size_t at = 0; at < d.size(); at += kBlock) {
    if (previous)
      for (size_t i = 0; i < kBlock; ++i) d[at + i] ^= previous[i];
    cipher.EncryptBlock(&d[at], &d[at]);
    previous = &d[at];
  }
}

void ByteBufferPtr::Decipher(const uint8_t* key, size_t keyLength) {
  Rijndael cipher(key, keyLength);
  std::vector<uint8_t>& d = buffer_->data;
  if (d.size() % kBlock != 0) throw std::runtime_error("");
  std::vector<uint8_t> plain(d.size());
  for (size_t at = 0; at < d.size(); at += kBlock) {
    cipher.DecryptBlock(&d[at], &plain[at]);
    if (at > 0)
      for (size_t i = 0; i < kBlock; ++i) plain[at + i] ^= d[at - kBlock + i];
  }
  d.swap(plain);
  buffer_->readPos = 0;
}
