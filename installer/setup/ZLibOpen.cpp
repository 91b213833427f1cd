#include "ZLibOpen.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <new>

bool DecompressBuffer(const void* input, size_t inputSize, std::string& output, const TProgressProc& progress,
                      size_t estimate, std::string& error) {
  error.clear();
  if (inputSize > UINT_MAX) {
    output.clear();
    error = zError(Z_MEM_ERROR);
    return false;
  }
  const size_t step = (inputSize + 255) / 256 * 256 + (inputSize == 0 ? 256 : 0);
  const int32_t total = int32_t(std::min<size_t>(inputSize, INT32_MAX));
  if (progress) progress(0, 0, total, 0, 1);
  z_stream z = {};
  int rc = inflateInit(&z);
  if (rc != Z_OK) {
    output.clear();
    error = zError(rc);
    return false;
  }
  // The output string is the buffer: it grows geometrically, and a caller that passes the
  // same string again keeps its storage from the last file.
  size_t capacity = estimate > 0 ? estimate : std::max<size_t>(step * 4, 65536);
  capacity = std::max(capacity, output.capacity());
  size_t produced = 0;
  try {
    output.resize(capacity);
  } catch (const std::bad_alloc&) {
    inflateEnd(&z);
    error = zError(Z_MEM_ERROR);
    return false;
  }
  z.next_in = static_cast<Bytef*>(const_cast<void*>(input));
  z.avail_in = uInt(inputSize);
  for (;;) {
    if (produced == output.size()) {
      try {
        output.resize(output.size() + std::max(step, output.size()));
      } catch (const std::bad_alloc&) {
        inflateEnd(&z);
        output.clear();
        error = zError(Z_MEM_ERROR);
        return false;
      }
    }
    const size_t room = std::min<size_t>(output.size() - produced, UINT_MAX);
    z.next_out = reinterpret_cast<Bytef*>(&output[produced]);
    z.avail_out = uInt(room);
    const uLong inBefore = z.total_in, outBefore = z.total_out;
    rc = inflate(&z, Z_NO_FLUSH);
    produced += room - z.avail_out;
    if (rc == Z_STREAM_END) break;
    const bool moved = z.total_in != inBefore || z.total_out != outBefore;
    if (rc == Z_NEED_DICT || (rc != Z_OK && rc != Z_BUF_ERROR) || !moved) {
      if (z.msg) {
        error = z.msg;
      } else if (rc == Z_OK || rc == Z_BUF_ERROR) {
        error = "unexpected end of data";
      } else {
        error = zError(rc);
      }
      inflateEnd(&z);
      output.clear();
      return false;
    }
    if (progress) progress(0, 0, total, int32_t(std::min<uLong>(z.total_in, INT32_MAX)), 1);
  }
  inflateEnd(&z);
  output.resize(produced);
  return true;
}

bool DecompressString(const std::string& packed, std::string& output, const TProgressProc& progress,
                      std::string& error) {
  return DecompressBuffer(packed.data(), packed.size(), output, progress, 0, error);
}
