#include "app/lap_times.h"

#include <algorithm>

#include "car/ai_driver.h"
#include "map/node_queries.h"

namespace dx {

int64_t lapIndex(const Car& car, const Map& map) {
  const int64_t nodes = int64_t(map.path.size());
  if (!isLooping(map)) return car.currentNode >= nodes - kFinishFromEnd ? 1 : 0;
  // The conversion truncates as std::trunc would, without a call into the maths library: this
  // runs for every car at every step.
  const float n = float(nodes);
  return n > 0 ? std::max<int64_t>(0, int64_t(float(car.currentNode) / n)) : 0;
}

void recordLapTime(Car& car, const Map& map, float dt) {
  if (car.lapTimes.empty() || int64_t(car.lapTimes.size()) - 1 < lapIndex(car, map)) car.lapTimes.push_back(0.0f);
  car.lapTimes.back() += dt;
}

void recordLapTimes(const Map& map, float dt) {
  for (const TrackObjectPtr& o : map.trackObjects)
    if (o->kind() == ObjectKind::car) recordLapTime(static_cast<Car&>(*o), map, dt);
}

float runScore(const Car& car) {
  const float reached = float(car.currentNode);
  if (!car.ai || car.ai->kind == DriverKind::pid || !car.map || isLooping(*car.map)) return reached;
  const std::optional<float> t = standingLap(car);
  if (!t || !(*t > 0)) return reached;
  return float(int64_t(car.map->path.size()) - kFinishFromEnd) * 60 / *t;
}

std::optional<float> standingLap(const Car& car) {
  if (car.lapTimes.size() < 2) return std::nullopt;
  return car.lapTimes[0];
}

std::optional<float> bestFlyingLap(const Car& car) {
  if (car.lapTimes.size() < 3) return std::nullopt;
  return *std::min_element(car.lapTimes.begin() + 1, car.lapTimes.end() - 1);
}

}  // namespace dx
