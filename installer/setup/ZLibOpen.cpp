#include "ZLibOpen.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <memory>
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
  // The buffer grows geometrically from this stream's own size; what an earlier, larger
  // output held is let go first.
  const size_t capacity = estimate > 0 ? estimate : std::max<size_t>(step * 4, 65536);
  size_t produced = 0;
  std::string().swap(output);
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

bool InflateStream(const TReadProc& read, uint64_t inputSize, const TWriteProc& write, const TProgressProc& progress,
                   std::string& error, bool& damaged) {
  error.clear();
  damaged = false;
  const int32_t total = int32_t(std::min<uint64_t>(inputSize, INT32_MAX));
  if (progress) progress(0, 0, total, 0, 1);
  z_stream z = {};
  int rc = inflateInit(&z);
  if (rc != Z_OK) {
    error = zError(rc);
    return false;
  }
  const size_t kPiece = 256 * 1024;
  // Kept from stream to stream: fresh pieces for every small file cost more than its inflating.
  thread_local std::unique_ptr<Bytef[]> in, out;
  if (!in) in.reset(new (std::nothrow) Bytef[kPiece]);
  if (!out) out.reset(new (std::nothrow) Bytef[kPiece]);
  if (!in || !out) {
    inflateEnd(&z);
    error = zError(Z_MEM_ERROR);
    return false;
  }
  bool ended = false, inputDone = false;
  while (!ended) {
    if (z.avail_in == 0 && !inputDone) {
      const long got = read(reinterpret_cast<char*>(in.get()), kPiece);
      if (got < 0) {
        error = "read error";
        break;
      }
      inputDone = got == 0;
      z.next_in = in.get();
      z.avail_in = uInt(got);
    }
    z.next_out = out.get();
    z.avail_out = uInt(kPiece);
    rc = inflate(&z, Z_NO_FLUSH);
    const size_t made = kPiece - z.avail_out;
    if (made > 0 && !write(reinterpret_cast<const char*>(out.get()), made)) {
      error = "write error";
      break;
    }
    if (rc == Z_STREAM_END) {
      ended = true;
      break;
    }
    // No progress with all input read: the stream stops before its end mark.
    if (rc == Z_NEED_DICT || (rc != Z_OK && rc != Z_BUF_ERROR) || (made == 0 && inputDone && z.avail_in == 0)) {
      damaged = true;
      error = z.msg ? z.msg : rc == Z_OK || rc == Z_BUF_ERROR ? "unexpected end of data" : zError(rc);
      break;
    }
    if (progress && made > 0) progress(0, 0, total, int32_t(std::min<uLong>(z.total_in, INT32_MAX)), 1);
  }
  inflateEnd(&z);
  return ended;
}
