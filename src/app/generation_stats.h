#pragma once
// What each generation scored: the one record that the training step fills when it scores a
// generation, that the game's status panel shows and the headless trainer prints and plots.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "car/car.h"

namespace dx {

struct GenerationStats {
  float best = 0;      // the farthest node a car of the generation reached
  float mean = 0;      // the mean of the nodes its cars reached
  float poolBest = 0;  // the best score in the pool once the generation was added to it
  double seconds = 0;  // wall time from the generation's start to its scoring
  // The laps of the generation's champion (its farthest car, the first of equals), when it
  // completed them: its standing lap and its best flying lap, in simulated seconds.
  std::optional<float> standingLap, flyingLap;
};

// Best and mean node of the given cars and the champion's laps (all zero or none without cars).
GenerationStats currentScores(const std::vector<CarPtr>& cars);

// "standing 38.52 s, flying 36.10 s", "standing 38.52 s, no flying lap" or "no lap".
std::string lapsText(const GenerationStats& s);

// Seconds of wall time since `start`.
double secondsSince(std::chrono::steady_clock::time_point start);

}  // namespace dx
