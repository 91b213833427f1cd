// Serialised data of the program's files: a growable little-endian byte buffer with a
// read position, its enciphered form, and the checked-file layout around it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ByteBuffer {
  explicit ByteBuffer(bool shared = false) : shared(shared) {}
  std::vector<uint8_t> data;
  size_t readPos = 0;
  bool shared;  // files written from it get the all-users access descriptor
};

uint32_t ReadBigEndian32(const uint8_t* bytes);
void WriteBigEndian32(uint8_t* bytes, uint32_t value);
// The CRC-32 of zlib (reflected, polynomial 0xEDB88320).
uint32_t Crc32(const uint8_t* bytes, size_t size);

// A checked file: CRC-32 of the payload and the type word, both big-endian, then the payload.
struct CheckedFile {
  static std::vector<uint8_t> Compose(const std::vector<uint8_t>& payload, uint32_t typeWord);
  // False when the file is shorter than its header, of another type, or its CRC differs.
  static bool Parse(const std::vector<uint8_t>& file, uint32_t typeWord, std::vector<uint8_t>& payload);
};

// Owner of a ByteBuffer. Readers raise std::runtime_error with an empty text when the
// data runs out.
class ByteBufferPtr {
 public:
  explicit ByteBufferPtr(bool shared = false) : buffer_(new ByteBuffer(shared)) {}

  ByteBuffer* operator->() const { return buffer_.get(); }
  ByteBuffer& operator*() const { return *buffer_; }

  void WriteBool(bool value);
  void WriteByte(uint8_t value);
  void WriteUInt16(uint16_t value);
  void WriteUInt32(uint32_t value);
  // A length word and the bytes; a text longer than 65535 bytes is cut there.
  void WriteString(const std::string& value);
  void WriteBytes(const std::vector<uint8_t>& block);

  bool ReadBool();
  uint8_t ReadByte();
  uint16_t ReadUInt16();
  int16_t ReadInt16();
  uint32_t ReadUInt32();
  std::string ReadString();

  ByteBufferPtr& operator<<(bool v) { WriteBool(v); return *this; }
  ByteBufferPtr& operator<<(uint8_t v) { WriteByte(v); return *this; }
  ByteBufferPtr& operator<<(uint16_t v) { WriteUInt16(v); return *this; }
  ByteBufferPtr& operator<<(uint32_t v) { WriteUInt32(v); return *this; }
  ByteBufferPtr& operator<<(const std::string& v) { WriteString(v); return *this; }
  // A text, not the bool its pointer would otherwise convert to.
  ByteBufferPtr& operator<<(const char* v) { WriteString(v ? v : ""); return *this; }
  ByteBufferPtr& operator>>(bool& v) { v = ReadBool(); return *this; }
  ByteBufferPtr& operator>>(uint8_t& v) { v = ReadByte(); return *this; }
  ByteBufferPtr& operator>>(uint16_t& v) { v = ReadUInt16(); return *this; }
  ByteBufferPtr& operator>>(int16_t& v) { v = ReadInt16(); return *this; }
  ByteBufferPtr& operator>>(uint32_t& v) { v = ReadUInt32(); return *this; }
  ByteBufferPtr& operator>>(std::string& v) { v = ReadString(); return *this; }

  // Pads the data with zeros to whole 16-byte blocks and enciphers it (chained blocks,
  // zero start vector). Raises std::invalid_argument("Invalid Key Size") for a bad key.
  void Encipher(const uint8_t* key, size_t keyLength);
  // Deciphers the data and rewinds; data that is not whole blocks is damaged and raises
  // the readers' error, leaving the data as it was.
  void Decipher(const uint8_t* key, size_t keyLength);

#ifdef _WIN32
  // Reads a checked file of that type; false when it is missing, unreadable or damaged.
  bool LoadChecked(const std::string& path, uint32_t typeWord);
  // Writes the data as a checked file; nothing is reported.
  void SaveChecked(const std::string& path, uint32_t typeWord);
#endif

 private:
  const uint8_t* Take(size_t n);

  std::unique_ptr<ByteBuffer> buffer_;
};
