#pragma once
// The program's xoroshiro128+ generators. The simulation draws from one (everything that can
// change a car's path or a score, and what is created for it), the drawing from another (effects
// that are only drawn), so that what is drawn never changes what is simulated. Training cars and
// parallel workers get streams of their own, derived from the run's seed.
#include <cstdint>

namespace dx {

// One stream: two 64-bit state words.
struct RandomState {
  uint64_t s0 = 0x69B4C98CB8530805ull;
  uint64_t s1 = 0xFED1DD3004688D67ull;
};

struct RandomGenerators {
  RandomState simulation;
  RandomState drawing;
  uint64_t seed = 0;  // what both were last seeded with
};

RandomGenerators& randomGenerators();
void resetRandomGenerators();
// The simulation's generator, which the forms without an explicit stream draw from.
inline RandomState& randomState() { return randomGenerators().simulation; }
inline RandomState& drawRandom() { return randomGenerators().drawing; }

// One generator step: returns s0 + s1 and advances the state.
uint64_t nextRandom(RandomState& r);
inline uint64_t nextRandom() { return nextRandom(randomState()); }
// s0 = seed >> 16, s1 = seed & 0xFFFF, then one step whose output is discarded.
void seedRandom(RandomState& r, uint64_t seed);
// Seeds both generators alike and remembers the seed.
void seedRandom(uint64_t seed);
// Seeds both generators alike from any value, 0 included: the two state words are successive
// SplitMix64 outputs of the seed, which are never both 0 (the one state from which xoroshiro gives
// nothing but zeros), and nearby seeds give unrelated streams. Remembers the seed.
void seedRandomMixed(uint64_t seed);
// Seeds both from the current Unix time in whole seconds.
void seedRandomFromClock();
// An independent stream for member `b` of group `a` of a run seeded with `seed` (for example a
// generation and a car): the three are mixed with SplitMix64, which never gives the all-zero
// state xoroshiro cannot leave.
RandomState streamFor(uint64_t seed, uint64_t a, uint64_t b);

// Uniform float in [0, x): the float draw scaled by x.
double rnd(RandomState& r, double x);
float rnd(RandomState& r, float x);
// Uniform integer in [0, n - 1]; n <= 1 gives 0 without a step.
int64_t rnd(RandomState& r, int64_t n);
inline int64_t rnd(RandomState& r, int n) { return rnd(r, int64_t(n)); }
// Uniform integer in [0, m] by rejection; m <= 0 gives 0 without a step.
uint64_t randInclusive(RandomState& r, uint64_t m);

inline double rnd(double x) { return rnd(randomState(), x); }
inline float rnd(float x) { return rnd(randomState(), x); }
inline int64_t rnd(int64_t n) { return rnd(randomState(), n); }
inline int64_t rnd(int n) { return rnd(randomState(), int64_t(n)); }
inline uint64_t randInclusive(uint64_t m) { return randInclusive(randomState(), m); }

}  // namespace dx
