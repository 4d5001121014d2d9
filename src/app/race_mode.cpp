#include "app/race_mode.h"

#include <algorithm>
#include <cmath>

#include "app/training.h"
#include "car/car_draw.h"
#include "framework/input.h"
#include "framework/numeric.h"
#include "map/node_queries.h"

namespace dx {

namespace {

// The car drawing's debug keys, once per key press: 't' moves every car to the next team,
// Return swaps the body colours, 'm' loads the next body model.
void debugKeys(Map& map) {
  if (keyp(keyT))
    for (const TrackObjectPtr& o : map.trackObjects)
      if (o->kind() == ObjectKind::Car) {
        Car& car = static_cast<Car&>(*o);
        car.team = Team((car.team + 1) % 6);
      }
  if (keyp(keyReturn)) carDrawState().useAltColors = !carDrawState().useAltColors;
  if (keyp(keyM)) nextCarModel();
}

void userControls(Car& car) {
  Controls& c = car.controls;
  c.steer = 0;
  if (btn(Button::Left)) c.steer -= 1;
  if (btn(Button::Right)) c.steer += 1;
  c.accel = btn(Button::A);
  c.brake = btn(Button::B);
  c.boost = btn(Button::X);
}

}  // namespace

void recordLapTime(Car& car, const Map& map, float dt) {
  const float n = float(map.path.size());
  const int64_t lap = n > 0 ? std::max<int64_t>(0, int64_t(std::trunc(float(car.currentNode) / n))) : 0;
  if (car.lapTimes.empty() || int64_t(car.lapTimes.size()) - 1 < lap) car.lapTimes.push_back(0.0f);
  car.lapTimes.back() += dt;
}

DataLogRecord dataLogRecord(const Car& car) {
  return {angleDiff(car.targetAngle, car.angle), angleDiff(car.targetAngle, angle(car.vel)), car.angularVelocity,
          length(car.vel), car.controls.steer, car.controls.brake};
}

void gameUpdateRace(float dt) {
  Harness& h = harness();
  if (keyp(keySpace)) h.ff = !h.ff;
  debugKeys(*h.myMap);
  userControls(*h.myCar);
  if (h.ff) stepRun(*h.myMap, h.timeSinceStart, dt, randomState());
  stepRun(*h.myMap, h.timeSinceStart, dt, randomState());
  if (keyp(keyR)) nextIteration();
  if (h.timeSinceStart >= 60) nextIteration();
  recordLapTime(*h.myCar, *h.myMap, dt);
  h.dataLog.push_back(dataLogRecord(*h.myCar));
}

}  // namespace dx
