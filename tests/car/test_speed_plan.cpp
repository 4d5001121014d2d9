#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <thread>

#include "car/ai_driver.h"
#include "car/reset_car.h"
#include "car/speed_plan.h"
#include "car_fixtures.h"
#include "framework/numeric.h"
#include "map/node_queries.h"
#include "map/world_step.h"

namespace dx {
namespace {

// Twice round: a long straight, a wide quarter bend, a short straight and a tight one.
MapPtr testCircuit() {
  const float quarter = float(kPi / 2);
  const std::vector<Section> half = {test::straight(20), test::turning(8, quarter / 8), test::straight(6),
                                     test::turning(4, quarter / 4)};
  std::vector<Section> both = half;
  both.insert(both.end(), half.begin(), half.end());
  return buildMap(test::sourceOf(both, 1));
}

// A ring of 24 nodes 4 units apart whose road, 2 units to each side of the centre line, is its
// racing line; no walls keep a car on it.
MapPtr wallessRing() { return buildMap(test::sourceOf({test::section(24, float(2 * kPi / 24), flagNoWalls, 16)}, 1)); }

class SpeedPlanTest : public testing::Test {
 protected:
  // The shipped test car, built from the shipped catalogue, and its limits.
  static void SetUpTestSuite() {
    resetCarModules();
    test::useSourceAssets();
    loadCarComponentSettings(test::sourceDir() + "/assets/components.json");
    loadCarSettings(test::sourceDir() + "/assets/testCar.json", settings);
    recalculate(settings);
    limits = measureCarLimits(settings);
  }

  // Full throttle below `factor` times the plan's speed at the car's node and the next, the brake
  // above it. The steering pursues the racing line half a second ahead: it turns the velocity at
  // the rate that reaches that point, with the steady steer for the rate from the car's settings.
  static void follow(Car& car, const Map& map, const SpeedPlan& plan, float factor) {
    const int64_t n = int64_t(plan.speeds.size());
    const float planned =
        std::min(plan.speeds[size_t(wrap(car.currentNode, n))], plan.speeds[size_t(wrap(car.currentNode + 1, n))]);
    const float speed = length(car.vel);
    car.controls.accel = speed < factor * planned;
    car.controls.brake = speed > factor * planned * 1.01f;
    int64_t k = car.currentNode;
    while (length(map.racingLine[size_t(wrap(k, n))] - car.pos) < std::max(6.0f, 0.5f * speed) &&
           k < car.currentNode + n)
      ++k;
    const Vec2f aim = map.racingLine[size_t(wrap(k, n))] - car.pos;
    const float heading = speed > 1 ? angle(car.vel) : car.angle;
    const float rate = 2 * speed * std::sin(angleDiff(angle(aim), heading)) / length(aim);
    const CarSettings& s = car.settings;
    const float steady = rate * (30 + speed * s.stabilisation) / (1.5f * s.turnForce);
    car.controls.steer = clamp(steady + rate - car.angularVelocity, -1.0f, 1.0f);
  }

  static CarSettings settings;
  static CarLimits limits;
};

CarSettings SpeedPlanTest::settings;
CarLimits SpeedPlanTest::limits;

std::vector<uint32_t> bitsOf(const std::vector<float>& v) {
  std::vector<uint32_t> out;
  for (float x : v) out.push_back(std::bit_cast<uint32_t>(x));
  return out;
}

TEST_F(SpeedPlanTest, IsBitIdenticalBetweenRunsAndThreads) {
  const MapPtr map = testCircuit();
  CarLimits otherLimits;
  SpeedPlan other;
  std::thread([&] {
    otherLimits = measureCarLimits(settings);
    other = planSpeeds(*map, otherLimits);
  }).join();
  const SpeedPlan plan = planSpeeds(*map, limits);
  EXPECT_EQ(bitsOf(otherLimits.cornerSpeeds), bitsOf(limits.cornerSpeeds));
  EXPECT_EQ(bitsOf(otherLimits.acceleration.rates), bitsOf(limits.acceleration.rates));
  EXPECT_EQ(bitsOf(otherLimits.braking.rates), bitsOf(limits.braking.rates));
  EXPECT_EQ(bitsOf(other.speeds), bitsOf(plan.speeds));
  EXPECT_EQ(bitsOf({other.flyingLap, other.standingLap}), bitsOf({plan.flyingLap, plan.standingLap}));
  EXPECT_EQ(plan.speeds.size(), map->path.size());
  EXPECT_LT(plan.flyingLap, plan.standingLap);
}

// From the training cars' start at rest, two laps: the first is the standing lap, the second a
// flying one.
TEST_F(SpeedPlanTest, ACarFollowingThePlanLapsWithinThreePercentOfIt) {
  const MapPtr map = testCircuit();
  const SpeedPlan plan = planSpeeds(*map, limits);
  CarPtr car = test::carOn(map, getStartNode(*map, 2), settings);
  map->trackObjects.push_back(car);
  const int64_t n = int64_t(map->path.size());
  int64_t steps = 0, firstLap = 0;
  while (car->currentNode < 2 * n && steps < 3600) {
    follow(*car, *map, plan, 1.0f);
    update(*map, float(carTimeStep));
    ++steps;
    if (car->currentNode >= n && firstLap == 0) firstLap = steps;
  }
  ASSERT_EQ(car->currentNode, 2 * n);
  EXPECT_NEAR(float(steps - firstLap) / 60, plan.flyingLap, 0.03f * plan.flyingLap);
  EXPECT_NEAR(float(firstLap) / 60, plan.standingLap, 0.03f * plan.standingLap);
}

// Up to speed from rest, then ten seconds on the ring: at the planned speed the car keeps to the
// road, a tenth faster it drifts off it.
TEST_F(SpeedPlanTest, OnACircleThePlannedSpeedHoldsAndATenthMoreLeavesTheRoad) {
  const MapPtr ring = wallessRing();
  const SpeedPlan plan = planSpeeds(*ring, limits);
  Vec2f centre;
  for (const Node& node : ring->path) centre += node.pos / 24.0f;
  const float radius = length(ring->path[0].pos - centre);
  for (const float factor : {1.0f, 1.1f}) {
    const MapPtr map = wallessRing();
    CarPtr car = test::carOn(map, 0, settings);
    map->trackObjects.push_back(car);
    float widest = 0;
    double speeds = 0;
    for (int step = 0; step < 900; ++step) {
      follow(*car, *map, plan, factor);
      update(*map, float(carTimeStep));
      if (step < 300) continue;
      widest = std::max(widest, std::fabs(length(car->pos - centre) - radius));
      speeds += double(length(car->vel));
    }
    EXPECT_NEAR(speeds / 600, factor * plan.speeds[0], 0.01 * plan.speeds[0]) << factor;
    if (factor == 1.0f)
      EXPECT_LT(widest, 1.0f);
    else
      EXPECT_GT(widest, 2.0f);
  }
}

// A racer sent down the long straight at top speed is at or below the plan's speed when it
// reaches the bend the plan marks slowest: it brakes in time, on the plan alone.
TEST_F(SpeedPlanTest, ARacerAtTopSpeedBrakesInTimeForTheSlowBend) {
  const MapPtr map = testCircuit();
  const auto plan = std::make_shared<const SpeedPlan>(planSpeeds(*map, limits));
  const auto slowest = std::min_element(plan->speeds.begin(), plan->speeds.begin() + 40);
  const int64_t bend = int64_t(slowest - plan->speeds.begin());
  ASSERT_LT(*slowest, 0.6f * limits.topSpeed);
  aiState().difficulty = 4;  // a decision every step
  CarPtr car = test::carOn(map, 0, settings);
  car->vel = polarVec2f(car->angle, limits.topSpeed);
  car->ai = newAI(car.get());
  setDriverKind(*car->ai, DriverKind::racer, plan);
  std::vector<float> genes(kRacerGenes, 0.0f);
  genes[3] = 1;      // a firm throttle controller
  genes[6] = -0.7f;  // a margin just under the plan
  loadGenes(*car->ai, genes);
  map->trackObjects = {car};
  while (car->currentNode < bend) update(*map, 1.0f / 60);
  EXPECT_LE(length(car->vel), *slowest) << "at node " << bend;
  aiState().difficulty = 0;
}

}  // namespace
}  // namespace dx
