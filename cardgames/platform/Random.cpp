#include "Random.h"

#include <chrono>

namespace {
const int kN = 624;
const int kM = 397;
const std::uint32_t kUpper = 0x80000000u;
const std::uint32_t kLower = 0x7FFFFFFFu;
}  // namespace

struct MersenneRandom::State {
  std::uint32_t x[kN];
  std::uint32_t mag01[2] = {0, 0x9908B0DFu};
  int index = kN + 1;
};

std::uint32_t ClockSeed() {
  // 1601-01-01 to 1970-01-01 in 100 ns units.
  const std::uint64_t kEpochGap = 116444736000000000ull;
  auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::system_clock::now().time_since_epoch()).count();
  if (since1970 < 0) return 0;
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(since1970) / 100 + kEpochGap);
}

MersenneRandom::MersenneRandom() : state_(new State) { Seed(ClockSeed()); }

MersenneRandom::MersenneRandom(std::uint32_t seed) : state_(new State) { Seed(seed); }

MersenneRandom::~MersenneRandom() = default;

void MersenneRandom::Seed(std::uint32_t value) {
  std::uint32_t* x = state_->x;
  x[0] = value;
  for (int i = 1; i < kN; ++i) x[i] = x[i - 1] * 69069u;
  state_->index = kN;
}

std::uint32_t MersenneRandom::Word() {
  State& s = *state_;
  std::uint32_t* x = s.x;
  if (s.index >= kN) {
    int k = 0;
    std::uint32_t y;
    for (; k < kN - kM; ++k) {
      y = (x[k] & kUpper) | (x[k + 1] & kLower);
      x[k] = x[k + kM] ^ (y >> 1) ^ s.mag01[y & 1];
    }
    for (; k < kN - 1; ++k) {
      y = (x[k] & kUpper) | (x[k + 1] & kLower);
      x[k] = x[k + kM - kN] ^ (y >> 1) ^ s.mag01[y & 1];
    }
    y = (x[kN - 1] & kUpper) | (x[0] & kLower);
    x[kN - 1] = x[kM - 1] ^ (y >> 1) ^ s.mag01[y & 1];
    s.index = 0;
  }
  std::uint32_t y = x[s.index++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return y;
}

std::uint32_t MersenneRandom::Next(std::uint32_t bound) {
  std::uint32_t w = Word();
  if (bound == 0) return w;
  return w % bound;
}
