#include "ZLibOpen.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

bool DecompressBuffer(const void* input, size_t inputSize, std::string& output, const TProgressProc& progress,
                      size_t estimate, std::string& error) {
  output.clear();
  error.clear();
  if (inputSize > UINT_MAX) {
    error = zError(Z_MEM_ERROR);
    return false;
  }
  const size_t step = (inputSize + 255) / 256 * 256 + (inputSize == 0 ? 256 : 0);
  const int32_t total = int32_t(std::min<size_t>(inputSize, INT32_MAX));
  if (progress) progress(0, 0, total, 0, 1);
  z_stream z = {};
  int rc = inflateInit(&z);
  if (rc != Z_OK) {
    error = zError(rc);
    return false;
  }
  std::string out;
  out.resize(estimate > 0 ? estimate : step);
  size_t produced = 0;
  z.next_in = static_cast<Bytef*>(const_cast<void*>(input));
  z.avail_in = uInt(inputSize);
  for (;;) {
    if (produced == out.size()) out.resize(out.size() + std::max(step, out.size()));  // grows geometrically
    const size_t room = std::min<size_t>(out.size() - produced, UINT_MAX);
    z.next_out = reinterpret_cast<Bytef*>(&out[produced]);
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
      return false;
    }
    if (progress) progress(0, 0, total, int32_t(std::min<uLong>(z.total_in, INT32_MAX)), 1);
  }
  inflateEnd(&z);
  out.resize(produced);
  output.swap(out);
  return true;
}

bool DecompressString(const std::string& packed, std::string& output, const TProgressProc& progress,
                      std::string& error) {
  return DecompressBuffer(packed.data(), packed.size(), output, progress, 0, error);
}
