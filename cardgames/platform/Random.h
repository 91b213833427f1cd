// Random numbers for shuffles, dealers and the computer players.
#pragma once
#include <cstdint>
#include <memory>

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // A number below bound; bound 0 gives the whole 32-bit word.
  virtual std::uint32_t Next(std::uint32_t bound) = 0;
  virtual void Seed(std::uint32_t value) = 0;
};

// MT19937 with the original seeding (each word 69069 times the one before).
class MersenneRandom : public RandomSource {
 public:
  // Seeded from the clock.
  MersenneRandom();
  explicit MersenneRandom(std::uint32_t seed);
  ~MersenneRandom() override;
  MersenneRandom(const MersenneRandom&) = delete;
  MersenneRandom& operator=(const MersenneRandom&) = delete;

  std::uint32_t Next(std::uint32_t bound) override;
  void Seed(std::uint32_t value) override;

 private:
  struct State;
  std::uint32_t Word();
  std::unique_ptr<State> state_;
};

// Low 32 bits of the current time in 100-nanosecond units since 1601.
std::uint32_t ClockSeed();
