// Packs bytes as one zlib stream, as the package builder makes "._z" files.
#pragma once
#include <zlib.h>

#include <string>

namespace packtest {

inline std::string Pack(const std::string& data) {
  uLongf size = compressBound(uLong(data.size()));
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(data.data()), uLong(data.size()));
  out.resize(size);
  return out;
}

}  // namespace packtest
