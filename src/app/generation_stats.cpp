#include "app/generation_stats.h"

#include <algorithm>

namespace dx {

GenerationStats currentScores(const std::vector<CarPtr>& cars) {
  GenerationStats s;
  if (cars.empty()) return s;
  s.best = float(cars[0]->currentNode);
  double sum = 0;
  for (const CarPtr& car : cars) {
    s.best = std::max(s.best, float(car->currentNode));
    sum += double(car->currentNode);
  }
  s.mean = float(sum / double(cars.size()));
  return s;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace dx
