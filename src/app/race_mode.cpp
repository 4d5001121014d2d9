#include "app/race_mode.h"

#include <algorithm>
#include <cmath>

#include "app/race_session.h"
#include "app/training.h"
#include "car/car_draw.h"
#include "framework/input.h"
#include "framework/keys.h"
#include "framework/numeric.h"
#include "map/node_queries.h"

namespace dx {

namespace {

// The car drawing's debug keys, once per key press: 't' moves every car to the next team,
// Return swaps the body colours, 'm' loads the next body model.
void debugKeys(Map& map) {
  if (keyp(keyT))
    for (const TrackObjectPtr& o : map.trackObjects)
      if (o->kind() == ObjectKind::car) {
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

// The node nearest to p within the stretch around the car's own node: the car goes back near
// where it left the road, in the lap it is on, and cannot skip ahead across the infield.
int64_t nearestNode(const Map& map, Vec2f p, int64_t around) {
  constexpr int64_t kReach = 16;
  const int64_t n = int64_t(map.path.size());
  int64_t first = around - kReach, last = around + kReach;
  if (!isLooping(map)) {  // the open ends have no road polygon of their own
    const int64_t end = std::max<int64_t>(1, n - 2);
    first = std::clamp<int64_t>(first, 1, end);
    last = std::clamp<int64_t>(last, first, end);
  }
  int64_t best = first;
  float bestDist = INFINITY;
  for (int64_t c = first; c <= last; ++c) {
    const Vec2f d = nodeAt(map, c).pos - p;
    const float dist = dot(d, d);
    if (dist < bestDist) best = c, bestDist = dist;
  }
  return best;
}

}  // namespace

void resetCarOnTrack(Car& car, const Map& map) {
  const int64_t node = nearestNode(map, car.pos, car.currentNode);
  setNode(car, node);
  car.lastNode = car.lastGoodNode = node;
  car.lost = car.wrongWay = 0;
  car.vel = car.smoothVel = {0, 0};
  car.angularVelocity = car.accel = car.brake = car.brakeAccel = car.boosting = 0;
  car.accelForce = car.dragForceLong = car.dragForceLat = car.boostForce = car.brakeForce = {0, 0};
  car.trail = newRingBuffer<Vec2f>(16);  // no trail back to where the car was
}

DataLogRecord dataLogRecord(const Car& car) {
  return {angleDiff(car.targetAngle, car.angle),
          angleDiff(car.targetAngle, angle(car.vel)),
          car.angularVelocity,
          length(car.vel),
          car.controls.steer,
          car.controls.brake};
}

void gameUpdateRace(float dt) {
  Harness& h = harness();
  if (keyp(keySpace)) h.ff = !h.ff;
  debugKeys(*h.myMap);
  userControls(*h.myCar);
  if (racing()) {
    updateSessionRace(dt);
    return;
  }
  if (h.ff) stepRun(*h.myMap, h.timeSinceStart, dt, randomState());
  stepRun(*h.myMap, h.timeSinceStart, dt, randomState());
  const int64_t generation = h.iteration;
  if (keyp(keyR)) nextIteration();
  if (h.timeSinceStart >= 60) nextIteration();
  if (h.iteration != generation) startChampionReplay(trainingRecord().replays, *h.myMap);
  afterRaceStep(trainingRecord().replays, *h.myCar, *h.myMap, sessionOptions().trackSlot);
  h.dataLog.push_back(dataLogRecord(*h.myCar));
}

}  // namespace dx
