#include "app/generation_stats.h"

#include <algorithm>
#include <cstdio>

#include "app/lap_times.h"
#include "framework/log.h"

namespace dx {

GenerationStats currentScores(const std::vector<CarPtr>& cars) {
  GenerationStats s;
  if (cars.empty()) return s;
  const Car* champion = cars[0].get();
  double sum = 0;
  for (const CarPtr& car : cars) {
    if (runScore(*car) > runScore(*champion)) champion = car.get();
    sum += double(runScore(*car));
  }
  s.best = runScore(*champion);
  s.mean = float(sum / double(cars.size()));
  s.standingLap = standingLap(*champion);
  s.flyingLap = bestFlyingLap(*champion);
  return s;
}

std::string lapsText(const GenerationStats& s) {
  const auto seconds = [](float v) { return fixed(v, 2) + " s"; };
  if (!s.standingLap) return "no lap";
  return "standing " + seconds(*s.standingLap) + ", " +
         (s.flyingLap ? "flying " + seconds(*s.flyingLap) : "no flying lap");
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace dx
