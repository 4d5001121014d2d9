#pragma once
// The process-wide xoroshiro128+ generator behind every random draw of the program.
#include <cstdint>

namespace dx {

struct RandomState {
  uint64_t s0 = 0x69B4C98CB8530805ull;
  uint64_t s1 = 0xFED1DD3004688D67ull;
};

RandomState& randomState();

// One generator step: returns s0 + s1 and advances the state.
uint64_t nextRandom();
// s0 = seed >> 16, s1 = seed & 0xFFFF, then one step whose output is discarded.
void seedRandom(uint64_t seed);
// Seeds from any value, 0 included: the two state words are successive SplitMix64 outputs of
// the seed, which are never both 0 (the one state from which xoroshiro gives nothing but zeros),
// and nearby seeds give unrelated streams.
void seedRandomMixed(uint64_t seed);
// Seeds from the current Unix time in whole seconds.
void seedRandomFromClock();

// Uniform float in [0, x): the float draw scaled by x.
double rnd(double x);
float rnd(float x);
// Uniform integer in [0, n - 1]; n <= 1 gives 0 without a step.
int64_t rnd(int64_t n);
inline int64_t rnd(int n) { return rnd(int64_t(n)); }
// Uniform integer in [0, m] by rejection; m <= 0 gives 0 without a step.
uint64_t randInclusive(uint64_t m);

}  // namespace dx
