#include <gtest/gtest.h>

#include "car/car.h"
#include "car/reset_car.h"
#include "car_fixtures.h"
#include "map/node_queries.h"

namespace dx {
namespace {

constexpr float kDt = 1.0f / 60.0f;

class PhysicsTest : public testing::Test {
 protected:
  void SetUp() override {
    resetCarModules();
    map = test::straightTrack(60);
    car = test::carOn(map, 20);
  }
  MapPtr map;
  CarPtr car;
};

TEST_F(PhysicsTest, CreepStopHoldsACarAtRest) {
  car->vel = {3, 0};
  car->update(kDt);
  EXPECT_FLOAT_EQ(car->vel.x, 2.0f);  // 3 + (-20 * 3) / 1 * dt
  EXPECT_EQ(car->vel.y, 0.0f);
}

TEST_F(PhysicsTest, ExactlyZeroSteerBrakesTheRotation) {
  car->angularVelocity = 0.5f;
  car->update(kDt);
  const float released = car->angularVelocity;
  EXPECT_FLOAT_EQ(released, (0.5f + 1.5f * 1.0f * kDt * -0.5f) * 0.5f);  // then damping halves it
  car = test::carOn(map, 20);
  car->angularVelocity = 0.5f;
  car->controls.steer = 0.0001f;
  car->update(kDt);
  EXPECT_FLOAT_EQ(car->angularVelocity, (0.5f + 1.0f * 1.5f * kDt * 0.0001f) * 0.5f);
  EXPECT_GT(car->angularVelocity, released);
}

TEST_F(PhysicsTest, SteeringIsClampedButBrakingLooksAtTheSign) {
  car->controls.steer = 3;
  car->update(kDt);
  const float hard = car->angularVelocity;
  CarPtr other = test::carOn(map, 20);
  other->controls.steer = 1;
  other->update(kDt);
  EXPECT_EQ(hard, other->angularVelocity);
  EXPECT_FLOAT_EQ(hard, 1.0f * 1.5f * kDt * 1.0f * 0.5f);
}

TEST_F(PhysicsTest, NoSteeringBeforeTheRaceClockRuns) {
  RaceState race;
  race.time = 0;
  car->race = &race;
  car->ready = 0;
  car->controls.steer = 1;
  car->update(kDt);
  EXPECT_EQ(car->angularVelocity, 0.0f);
  race.time = 0.1f;
  car->update(kDt);
  EXPECT_GT(car->angularVelocity, 0.0f);
}

TEST_F(PhysicsTest, TemperatureNeverReadsBelow24) {
  car->settings.heatDissipation = 5;
  car->update(kDt);
  EXPECT_EQ(car->temperature, 24.0f);
}

TEST_F(PhysicsTest, OverheatShutsDownLimitsThrottleAndRestarts) {
  car->temperature = 101;
  car->accel = 100;
  car->controls.accel = true;
  car->update(kDt);
  EXPECT_TRUE(car->engineShutdown);
  EXPECT_FLOAT_EQ(car->accel, 75.0f);  // 75 % of maxaccel while shut down
  EXPECT_EQ(car->boosting, 0.0f);
  EXPECT_GT(map->ps.inUse, 10);  // the burst of sparks and puffs
  car->temperature = 60;         // cooling, but still above the restart temperature
  car->update(kDt);
  EXPECT_TRUE(car->engineShutdown);
  car->temperature = 49;
  car->update(kDt);
  EXPECT_FALSE(car->engineShutdown);
}

TEST_F(PhysicsTest, OverheatGivesOneKickAlongTheOldHeading) {
  car->settings.boostForce = 2;
  car->dir = {0, 1};
  car->temperature = 101;
  car->controls.boost = true;  // a held boost keeps boostReset as the overheat left it
  car->update(kDt);
  EXPECT_FALSE(car->boostReset);
  // The kick is the old heading times boostForce times 60, integrated over one step.
  EXPECT_NEAR(car->vel.y, 2.0f * 60.0f * kDt, 1e-4f);
}

// The brake is a reverse thrust: held, it stops a car running at 30 along its heading in well
// under a second, slowing it every step, and then backs it up.
TEST_F(PhysicsTest, HeldBrakeStopsACarThenBacksItUp) {
  const test::LogCapture quiet;
  loadCarComponentSettings(test::sourceDir() + "/assets/components.json");
  CarSettings s;
  loadCarSettings(test::sourceDir() + "/assets/testCar.json", s);
  car = test::carOn(map, 5, s);
  const Vec2f heading{std::cos(car->angle), std::sin(car->angle)};
  car->vel = heading * 30.0f;
  car->controls.brake = true;
  float along = 30.0f;
  int steps = 0;
  for (; steps < 60 && along > 0.0f; ++steps) {
    car->update(kDt);
    const float now = dot(car->vel, heading);
    ASSERT_LT(now, along) << steps;
    along = now;
  }
  EXPECT_LT(steps, 60);
  for (int i = 0; i < 10; ++i) car->update(kDt);
  EXPECT_LT(dot(car->vel, heading), along);
}

TEST_F(PhysicsTest, TapeDrivesThenBrakes) {
  auto tape = std::make_shared<Tape>();
  tape->frames.resize(10);
  for (TapeFrame& f : tape->frames) f.controls = Controls{0.5f, true, false, true, false};
  car->replayTape = tape;
  for (int i = 0; i < 10; ++i) {
    car->update(kDt);
    EXPECT_TRUE(car->controls.accel) << i;
  }
  EXPECT_EQ(tape->position, 10);
  car->update(kDt);
  EXPECT_FALSE(car->controls.accel);
  EXPECT_TRUE(car->controls.brake);
  EXPECT_FALSE(car->controls.boost);
  EXPECT_EQ(car->controls.steer, 0.5f);
}

// The look-ahead aims between the racing-line points k and k + 1 nodes ahead.
float expectedTarget(const Car& c, const Map& m, int64_t k) {
  const Vec2f a = m.racingLine[size_t(nodeAt(m, c.currentNode + k).id)];
  const Vec2f b = m.racingLine[size_t(nodeAt(m, c.currentNode + k + 1).id)];
  return angle(lerp(a, b, c.nodeAlpha) - c.pos);
}

TEST_F(PhysicsTest, LookAheadGrowsWithSpeed) {
  car->pos.y = 1.5f;
  car->vel = {200, 0};
  car->update(kDt);
  EXPECT_GT(length(car->vel), 140.0f);
  EXPECT_FLOAT_EQ(car->targetAngle, expectedTarget(*car, *map, 7));
  CarPtr slow = test::carOn(map, 20);
  slow->pos.y = 1.5f;
  slow->vel = {30, 0};
  slow->settings.maxaccel = 0;
  slow->update(kDt);
  EXPECT_LT(length(slow->vel), 40.0f);
  EXPECT_FLOAT_EQ(slow->targetAngle, expectedTarget(*slow, *map, 1));
  EXPECT_NE(slow->targetAngle, expectedTarget(*slow, *map, 2));
}

TEST_F(PhysicsTest, NodeSearchFollowsTheCar) {
  car->vel = {60, 0};
  car->controls.accel = true;
  const int64_t start = car->currentNode;
  for (int i = 0; i < 30; ++i) car->update(kDt);
  EXPECT_GT(car->currentNode, start);
  EXPECT_EQ(car->lastGoodNode, car->currentNode);
  EXPECT_EQ(car->wrongWay, 0);
  EXPECT_GE(car->nodeAlpha, 0.0f);
  EXPECT_LE(car->nodeAlpha, 1.0f);
}

// The car counts its own steps: the drawing's frame counter has no say.
TEST_F(PhysicsTest, TrailGetsAPointEveryFourthStepOfTheCar) {
  std::vector<int64_t> sizes;
  for (int i = 0; i < 9; ++i) {
    sharedRecords().frame = 3;
    car->update(kDt);
    sizes.push_back(car->trail.size);
  }
  EXPECT_EQ(sizes, (std::vector<int64_t>{1, 1, 1, 1, 2, 2, 2, 2, 3}));
  EXPECT_EQ(car->trail[2], enginePoint(*car));
}

}  // namespace
}  // namespace dx
