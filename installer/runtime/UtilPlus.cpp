#include "UtilPlus.h"

#include <chrono>
#include <random>

const char* const kScramblePrefix = "Scrambled=01";

namespace {

const size_t kPrefixLen = 12;

// The same loop scrambles and unscrambles; the sign of the key alternates from byte to byte.
void XorBody(std::string& body, unsigned char key, size_t offset = 0) {
  for (size_t i = 0; i < body.size(); ++i) {
    const size_t at = offset + i;
    const int k = (at % 2 == 0) ? int(key) : -int(key);
    body[i] = char(static_cast<unsigned char>(body[i]) ^ static_cast<unsigned char>((int(at) + k + 1) & 0xFF));
  }
}

}  // namespace

std::string ScrambleBodyAt(const std::string& part, unsigned char key, size_t offset) {
  std::string out = part;
  XorBody(out, key, offset);
  return out;
}

bool IsScrambledText(const std::string& text) { return text.compare(0, kPrefixLen, kScramblePrefix) == 0; }

std::string ScrambleTextWithKey(const std::string& text, int mode, unsigned char key) {
  const bool scrambled = IsScrambledText(text);
  if (scrambled == (mode == 1)) return text;
  if (mode == 1) {
    std::string body = text;
    XorBody(body, key);
    return std::string(kScramblePrefix) + char(key) + body;
  }
  // A bare prefix carries no key: it reads as an empty text.
  if (text.size() <= kPrefixLen) return std::string();
  unsigned char k = static_cast<unsigned char>(text[kPrefixLen]);
  std::string body = text.substr(kPrefixLen + 1);
  XorBody(body, k);
  return body;
}

unsigned char NewScrambleKey() {
  static std::mt19937 gen;
  gen.seed(static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
  return static_cast<unsigned char>(std::uniform_int_distribution<int>(0, 89)(gen) + 33);
}

std::string ScrambleText(const std::string& text, int mode) { return ScrambleTextWithKey(text, mode, NewScrambleKey()); }
