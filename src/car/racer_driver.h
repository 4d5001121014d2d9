#pragma once
// The racer: the described aim point and steering controller with a look-ahead and a racing-line
// blend of its own, plus speed control along the track's speed plan and boost on long straights.
#include <cstddef>
#include <span>

#include "framework/random.h"

namespace dx {

struct AI;

// What the racer's genes mean. The search breeds genes in about [-1, 1) (random ones are uniform
// there, a mutation moves one by up to 0.5); each maps to its own range (g is the gene):
struct RacerTuning {
  float steerKp = 1, steerKi = 0, steerKd = 0;  // 2^(1.5 g), 0.5 g, 0.1 (g + 1)
  // On the speed error as a share of the top speed: 10 × 4^g, 2 g, 0.1 (g + 1). Above 0 the
  // racer throttles, below -kRacerBrake it brakes, between it coasts.
  float throttleKp = 10, throttleKi = 0, throttleKd = 0;
  float margin = 1;         // the plan's speed × 1.2 + 0.3 g: the plan is conservative at the limit
  float lookAhead = 2;      // aim look-ahead as a multiple of the described one: 2^(g + 1)
  float speedAhead = 2;     // nodes ahead where the target speed is read too: 2 (g + 1)
  float boostStretch = 25;  // nodes ahead that must be planned at top speed to boost: 25 + 20 g
  float tightness = 0.5f;   // where the aim leans towards the racing line at the start: 0.5 (g + 1)
};

constexpr size_t kRacerGenes = 11;
constexpr float kRacerBrake = 0.1f;

// Genes outside the search's range are clamped to [-2, 2] first, so every value stays usable.
RacerTuning racerTuning(std::span<const float> genes);

// The racer's decision step after the shared start of the driving step (s is the skill after
// the level): steering and speed controllers every step, controls when it reacts.
void racerStep(AI& ai, float s, RandomState& r);

}  // namespace dx
