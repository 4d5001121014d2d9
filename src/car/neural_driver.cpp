#include "car/neural_driver.h"

#include <cmath>

#include "car/ai_driver.h"
#include "car/car.h"
#include "framework/numeric.h"
#include "map/node_queries.h"

namespace dx {

namespace {

constexpr float kQuarterPi = 0.78539816f;

float headingInput(const AI& ai, const Car& car, int64_t k) {
  const Vec2f v = aimPointAt(ai, car, k) - car.pos;
  return clamp(angleDiff(angle(v), car.angle) / kNeuralHeading, -1.0f, 1.0f);
}

// Signed distance from the racing line across the road at the car's node, in half road widths.
float offsetInput(const Car& car) {
  const Node& node = nodeAt(*car.map, car.currentNode);
  const Vec2f across = node.right - node.left;
  const float width = length(across);
  if (!(width > 0)) return 0;
  const float off = dot(car.pos - car.map->racingLine[size_t(node.id)], across) / width;
  return clamp(off / (0.5f * width), -1.0f, 1.0f);
}

}  // namespace

std::array<float, 6> neuralInputs(const AI& ai) {
  const Car& car = *ai.car;
  const float top = ai.plan->topSpeed;
  const int64_t near = int64_t(clamp(length(car.vel) * 0.05f, 1.0f, 7.0f));
  const float far = float(car.currentNode) + car.nodeAlpha + float(near + kNeuralFarNodes);
  return {headingInput(ai, car, near),
          headingInput(ai, car, near + kNeuralFarNodes),
          length(car.vel) / top,
          plannedSpeedAt(*ai.plan, *car.map, far) / top,
          offsetInput(car),
          clamp(car.angularVelocity / kNeuralSpin, -1.0f, 1.0f)};
}

void neuralStep(AI& ai, float s, RandomState& r) {
  Car& car = *ai.car;
  ai.debugVector2 = car.vel * 0.1f;
  if (!reacts(ai, s, r)) return;
  const std::array<float, 6> in = neuralInputs(ai);
  evaluate(*ai.nn, in);
  const std::vector<float>& out = ai.nn->O.data;
  Controls& c = car.controls;
  c.steer = std::tanh(out[0]);
  c.accel = out[1] > 0;
  c.brake = out[2] > 0;
  c.boost = false;
  // The aim lines show the far aim point the network looks at, and where it steers.
  ai.debugVector = aimPointAt(ai, car, int64_t(clamp(length(car.vel) * 0.05f, 1.0f, 7.0f)) + kNeuralFarNodes) - car.pos;
  ai.debugVector3 = polarVec2f(car.angle + c.steer * kQuarterPi, 8);
}

}  // namespace dx
