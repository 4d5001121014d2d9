#pragma once
// The neural driver: the driver's own network decides steering, throttle and brake from what it
// sees of the track ahead; it never boosts.
#include <array>
#include <cstdint>

#include "framework/random.h"

namespace dx {

struct AI;

// The network's six inputs, each about -1 to 1: the heading errors to the near aim point and to
// one kNeuralFarNodes further (÷ kNeuralHeading radians, clamped: a weight near 1 then steers
// firmly, as the search cannot grow weights fast), speed ÷ top speed, the planned speed at the far
// point ÷ top speed, the offset from the racing line ÷ half the road's width (positive to the
// right), and the angular velocity ÷ kNeuralSpin.
constexpr int64_t kNeuralFarNodes = 8;
constexpr float kNeuralHeading = 0.15f;
constexpr float kNeuralSpin = 4;
std::array<float, 6> neuralInputs(const AI& ai);

// The neural driver's decision step after the shared start of the driving step: on a decision it
// evaluates the network; steer = tanh(O[0]), throttle when O[1] > 0, brake when O[2] > 0.
void neuralStep(AI& ai, float s, RandomState& r);

}  // namespace dx
