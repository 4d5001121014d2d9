#include "framework/random.h"

#include <bit>
#include <cstring>
#include <ctime>

namespace dx {

namespace {

RandomGenerators gRandom;

double unitDraw(RandomState& r) {
  uint64_t bits = (nextRandom(r) >> 12) | 0x3FF0000000000000ull;
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d - 1.0;
}

// SplitMix64: advances x and returns a well-mixed word.
uint64_t splitMix(uint64_t& x) {
  uint64_t z = (x += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

}  // namespace

RandomGenerators& randomGenerators() { return gRandom; }
void resetRandomGenerators() { gRandom = RandomGenerators{}; }

uint64_t nextRandom(RandomState& r) {
  uint64_t s0 = r.s0, s1 = r.s1;
  uint64_t result = s0 + s1;
  uint64_t t = s0 ^ s1;
  r.s0 = std::rotl(s0, 55) ^ t ^ (t << 14);
  r.s1 = std::rotl(t, 36);
  return result;
}

void seedRandom(RandomState& r, uint64_t seed) {
  r = RandomState{seed >> 16, seed & 0xFFFF};
  nextRandom(r);
}

void seedRandom(uint64_t seed) {
  seedRandom(gRandom.simulation, seed);
  seedRandom(gRandom.drawing, seed);
  gRandom.seed = seed;
}

void seedRandomMixed(uint64_t seed) {
  uint64_t x = seed;
  const uint64_t s0 = splitMix(x);
  gRandom.simulation = RandomState{s0, splitMix(x)};
  gRandom.drawing = gRandom.simulation;
  gRandom.seed = seed;
}

void seedRandomFromClock() { seedRandom(uint64_t(std::time(nullptr))); }

RandomState streamFor(uint64_t seed, uint64_t a, uint64_t b) {
  uint64_t x = seed;
  x = splitMix(x) ^ a;
  x = splitMix(x) ^ b;
  // SplitMix64's output is a bijection of its counter, so two consecutive outputs are never both 0.
  const uint64_t s0 = splitMix(x);
  return RandomState{s0, splitMix(x)};
}

double rnd(RandomState& r, double x) { return unitDraw(r) * x; }

float rnd(RandomState& r, float x) { return float(unitDraw(r) * double(x)); }

uint64_t randInclusive(RandomState& r, uint64_t m) {
  if (m == 0) return 0;
  const uint64_t top = ~uint64_t(0);
  const uint64_t limit = top - (top % m);
  for (;;) {
    uint64_t x = nextRandom(r);
    if (x <= limit) return m == top ? x : x % (m + 1);
  }
}

int64_t rnd(RandomState& r, int64_t n) { return n <= 1 ? 0 : int64_t(randInclusive(r, uint64_t(n - 1))); }

}  // namespace dx
