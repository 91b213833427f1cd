// Helpers of the host tests of the tools.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

// The whole file, or "" when it cannot be read.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
