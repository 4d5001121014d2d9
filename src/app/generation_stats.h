#pragma once
// What each generation scored: the one record that the training step fills when it scores a
// generation, that the game's status panel shows and the headless trainer prints and plots.
#include <chrono>
#include <vector>

#include "car/car.h"

namespace dx {

struct GenerationStats {
  float best = 0;      // the farthest node a car of the generation reached
  float mean = 0;      // the mean of the nodes its cars reached
  float poolBest = 0;  // the best score in the pool once the generation was added to it
  double seconds = 0;  // wall time from the generation's start to its scoring
};

// Best and mean node of the given cars (all zero without cars).
GenerationStats currentScores(const std::vector<CarPtr>& cars);

// Seconds of wall time since `start`.
double secondsSince(std::chrono::steady_clock::time_point start);

}  // namespace dx
