#include "car/racer_driver.h"

#include <algorithm>
#include <cmath>

#include "car/ai_driver.h"
#include "car/car.h"
#include "framework/numeric.h"
#include "map/node_queries.h"

namespace dx {

namespace {

constexpr float kPiF = 3.1415927f;
// Where the plan counts as a straight at top speed, and how hot the car may be to boost (of the
// way from the floor temperature to its shutdown temperature).
constexpr float kTopShare = 0.95f;
constexpr float kBoostHeat = 0.75f;
constexpr float kFloorTemperature = 24;

bool straightAhead(const AI& ai, const Car& car) {
  const float top = ai.plan->topSpeed * kTopShare;
  const int64_t stretch = int64_t(ai.racer.boostStretch);
  for (int64_t k = 0; k <= stretch; ++k)
    if (ai.plan->speeds[size_t(nodeAt(*car.map, car.currentNode + k).id)] < top) return false;
  return true;
}

bool coolEnough(const Car& car) {
  const float limit = lerp(kFloorTemperature, car.settings.shutdownTemperature, kBoostHeat);
  return !car.engineShutdown && car.temperature < limit;
}

}  // namespace

RacerTuning racerTuning(std::span<const float> genes) {
  float g[kRacerGenes] = {};
  for (size_t i = 0; i < kRacerGenes && i < genes.size(); ++i) g[i] = std::clamp(genes[i], -2.0f, 2.0f);
  RacerTuning t;
  t.steerKp = std::exp2(1.5f * g[0]);
  t.steerKi = 0.5f * g[1];
  t.steerKd = 0.1f * (g[2] + 1);
  t.throttleKp = 10 * std::exp2(2 * g[3]);
  t.throttleKi = 2 * g[4];
  t.throttleKd = 0.1f * (g[5] + 1);
  t.margin = 1.2f + 0.3f * g[6];
  t.lookAhead = std::exp2(g[7] + 1);
  t.speedAhead = std::max(0.0f, 2 * (g[8] + 1));
  t.boostStretch = std::max(0.0f, 25 + 20 * g[9]);
  t.tightness = std::clamp(0.5f * (g[10] + 1), 0.0f, 1.0f);
  return t;
}

void racerStep(AI& ai, float s, RandomState& r) {
  Car& car = *ai.car;
  const RacerTuning& t = ai.racer;
  const float speed = length(car.vel);
  const float look = clamp(speed * 0.05f * t.lookAhead, 1.0f, 7.0f * t.lookAhead);
  const Vec2f v = aimPointAt(ai, car, int64_t(look)) - car.pos;
  const float steer = update(ai.pidSteering0, angleDiff(angle(v), car.angle));
  wrapIntegral(ai.pidSteering0, -kPiF, kPiF);
  const float here = float(car.currentNode) + car.nodeAlpha;
  const float target =
      std::min(plannedSpeedAt(*ai.plan, *car.map, here), plannedSpeedAt(*ai.plan, *car.map, here + t.speedAhead));
  const float throttle = update(ai.pidThrottle, (target * t.margin - speed) / ai.plan->topSpeed);
  ai.pidThrottle.integral = clamp(ai.pidThrottle.integral, -1.0f, 1.0f);  // no wind-up on a straight
  ai.debugVector = v;
  ai.debugVector2 = car.vel * 0.1f;
  ai.debugVector3 = polarVec2f(car.angle + clamp(steer, -1.0f, 1.0f) * kPiF / 4, 8);
  if (!reacts(ai, s, r)) return;
  Controls& c = car.controls;
  c.steer = clamp(steer, -1.0f, 1.0f);
  c.accel = throttle > 0;
  c.brake = throttle < -kRacerBrake;
  c.boost = c.accel && straightAhead(ai, car) && coolEnough(car);
}

}  // namespace dx
