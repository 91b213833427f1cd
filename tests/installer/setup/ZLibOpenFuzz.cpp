// Fuzz target: the inflater of packed source files, on any bytes, with and without a
// size estimate; a stream it accepts packs and inflates back to the same bytes.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ZLibOpen.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string output, error;
  int32_t last = -1;
  const TProgressProc progress = [&](int32_t, int32_t, int32_t max, int32_t position, int32_t) {
    if (position < last || position > max) std::abort();
    last = position;
  };
  const bool ok = DecompressBuffer(data, size, output, progress, 0, error);
  if (ok != error.empty()) std::abort();
  if (!ok && !output.empty()) std::abort();

  // The same input with a small estimate (the storage of the last file reused) agrees.
  std::string again = "left over from an earlier file";
  std::string error2;
  const bool ok2 = DecompressBuffer(data, size, again, nullptr, size % 7, error2);
  if (ok2 != ok || (ok && again != output)) std::abort();

  if (ok) {
    uLongf packedSize = compressBound(uLong(output.size()));
    std::string packed(packedSize, '\0');
    if (compress(reinterpret_cast<Bytef*>(&packed[0]), &packedSize, reinterpret_cast<const Bytef*>(output.data()),
                 uLong(output.size())) != Z_OK)
      std::abort();
    packed.resize(packedSize);
    std::string back;
    if (!DecompressString(packed, back, nullptr, error) || back != output) std::abort();
  }
  return 0;
}
