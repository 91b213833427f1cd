// Fuzz target: the program's data files. The input is a 16-byte key and a checked file;
// the file is checked, its payload deciphered with the key and read as the Hall of Fame
// and settings records are; the raw bytes are read the same way, so that the fuzzer
// steers the readers directly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "ByteBuffer.h"

namespace {

// Reads records until the data runs out; every text read writes back to the same bytes.
void ReadRecords(ByteBufferPtr& buffer) {
  try {
    const uint16_t count = buffer.ReadUInt16();
    for (uint16_t i = 0; i < count; ++i) {
      const size_t start = buffer->readPos;
      const std::string name = buffer.ReadString();
      ByteBufferPtr again;
      again.WriteString(name);
      if (again->data.size() != buffer->readPos - start) std::abort();
      buffer.ReadString();
      buffer.ReadUInt32();
    }
    buffer.ReadBool();
    buffer.ReadBool();
    buffer.ReadInt16();
    buffer.ReadUInt32();
    buffer.ReadString();
    buffer.ReadByte();
  } catch (const std::runtime_error&) {
    // The data ran out: the readers' own signal of a short file.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 16) return 0;
  const uint8_t* key = data;
  const std::vector<uint8_t> file(data + 16, data + size);

  ByteBufferPtr raw;
  raw->data = file;
  ReadRecords(raw);

  const uint32_t typeWord = file.size() >= 8 ? ReadBigEndian32(&file[4]) : 0;
  std::vector<uint8_t> payload;
  if (!CheckedFile::Parse(file, typeWord, payload)) return 0;
  if (CheckedFile::Compose(payload, typeWord) != file) std::abort();

  ByteBufferPtr buffer;
  buffer->data = payload;
  try {
    buffer.Decipher(key, 16);
  } catch (const std::runtime_error&) {
    // Not whole blocks: damaged, and left as it was.
    if (buffer->data != payload) std::abort();
    return 0;
  }
  ReadRecords(buffer);
  // Enciphering the plain data again gives the payload back.
  ByteBufferPtr back;
  back->data = buffer->data;
  back.Encipher(key, 16);
  if (back->data != payload) std::abort();
  return 0;
}
