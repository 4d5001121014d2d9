#include "framework/random.h"

#include <bit>
#include <cstring>
#include <ctime>

namespace dx {

RandomState& randomState() {
  static RandomState state;
  return state;
}

uint64_t nextRandom() {
  RandomState& r = randomState();
  uint64_t s0 = r.s0, s1 = r.s1;
  uint64_t result = s0 + s1;
  uint64_t t = s0 ^ s1;
  r.s0 = std::rotl(s0, 55) ^ t ^ (t << 14);
  r.s1 = std::rotl(t, 36);
  return result;
}

void seedRandom(uint64_t seed) {
  randomState() = RandomState{seed >> 16, seed & 0xFFFF};
  nextRandom();
}

namespace {

uint64_t splitMix64(uint64_t& x) {
  uint64_t z = (x += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

void seedRandomMixed(uint64_t seed) {
  const uint64_t s0 = splitMix64(seed);
  randomState() = RandomState{s0, splitMix64(seed)};
}

void seedRandomFromClock() { seedRandom(uint64_t(std::time(nullptr))); }

static double unitDraw() {
  uint64_t bits = (nextRandom() >> 12) | 0x3FF0000000000000ull;
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d - 1.0;
}

double rnd(double x) { return unitDraw() * x; }

float rnd(float x) { return float(unitDraw() * double(x)); }

uint64_t randInclusive(uint64_t m) {
  if (m == 0) return 0;
  const uint64_t top = ~uint64_t(0);
  const uint64_t limit = top - (top % m);
  for (;;) {
    uint64_t x = nextRandom();
    if (x <= limit) return m == top ? x : x % (m + 1);
  }
}

int64_t rnd(int64_t n) { return n <= 1 ? 0 : int64_t(randInclusive(uint64_t(n - 1))); }

}  // namespace dx
