#pragma once
// The genetic operators on weight vectors: mutation of one parent and two crossovers. They
// never change their inputs and return a vector of the first parent's length; their draws come from r.
#include <span>
#include <vector>

#include "framework/random.h"

namespace dx {

// Each element changes with chance rate by a uniform amount in [-amount, amount).
std::vector<float> mutate(std::span<const float> w, float amount, float rate, RandomState& r = randomState());
// One random point on the straight line from a to b. b shorter than a throws IndexError.
std::vector<float> breedLinear(std::span<const float> a, std::span<const float> b, RandomState& r = randomState());
// Each element from a or b with equal chance. b shorter than a throws IndexError.
std::vector<float> breedBinary(std::span<const float> a, std::span<const float> b, RandomState& r = randomState());

}  // namespace dx
