#include <gtest/gtest.h>

#include "car/ai_driver.h"
#include "car/reset_car.h"
#include "car_fixtures.h"
#include "framework/errors.h"
#include "framework/numeric.h"
#include "framework/random.h"

namespace dx {
namespace {

TEST(Pid, ProportionalAndDerivativeFromAFreshController) {
  PID p = initPID(1, 0, 2, 1.0f / 60);
  const float out = update(p, 0.1f);
  EXPECT_NEAR(out, 12.1f, 1e-4f);  // 0.1 + 2 * (0.1 / (1/60))
  EXPECT_EQ(p.err, 0.1f);
  EXPECT_EQ(p.integral, 0.0f);
  EXPECT_EQ(clamp(out, -1.0f, 1.0f), 1.0f);
}

TEST(Pid, IntegralAccumulatesTimesKi) {
  PID p = initPID(0, 2, 0, 0.5f);
  update(p, 1);
  EXPECT_EQ(update(p, 1), 2.0f);  // (2 * 1) * 0.5 twice
}

TEST(Pid, IntegralWrapsByHi) {
  PID p;
  p.integral = -3.5f;
  wrapIntegral(p, -3.1415927f, 3.1415927f);
  EXPECT_FLOAT_EQ(p.integral, -3.5f + 3.1415927f);
  p.integral = 3.5f;
  wrapIntegral(p, -3.1415927f, 3.1415927f);
  EXPECT_FLOAT_EQ(p.integral, 3.5f - 3.1415927f);
  p.integral = 1;
  wrapIntegral(p, -3.1415927f, 3.1415927f);
  EXPECT_EQ(p.integral, 1.0f);
}

TEST(Pid, WeightsFromThreeValues) {
  PID p;
  loadWeights(p, {0.5f, 0.25f, 2});
  EXPECT_EQ(p.Kp, 0.5f);
  EXPECT_EQ(p.Kd, 2.0f);
  EXPECT_THROW(loadWeights(p, {1, 2}), IndexError);
  seedRandom(3);
  const float a = rnd(2.0f) - 1, b = rnd(2.0f) - 1, c = rnd(2.0f) - 1;
  seedRandom(3);
  randomizeWeights(p);
  EXPECT_EQ(p.Kp, a);
  EXPECT_EQ(p.Ki, b);
  EXPECT_EQ(p.Kd, c);
}

class DriverTest : public testing::Test {
 protected:
  void SetUp() override {
    resetCarModules();
    map = test::straightTrack(80);
    car = test::carOn(map, 20);
    seedRandom(77);
    car->ai = newAI(car.get());
  }
  MapPtr map;
  CarPtr car;
};

TEST_F(DriverTest, CreationDrawsSkillThenAggressiveness) {
  seedRandom(5);
  const float skill = rnd(0.5f) + 0.1f, aggr = rnd(0.8f) + 0.1f;
  seedRandom(5);
  const std::shared_ptr<AI> ai = newAI(car.get());
  EXPECT_EQ(ai->skill, skill);
  EXPECT_EQ(ai->baseSkill, skill);
  EXPECT_EQ(ai->aggressiveness, aggr);
  EXPECT_EQ(ai->tightness, 0.5f);
  EXPECT_EQ(ai->target, car->pos);
  EXPECT_EQ(ai->pidSteering0.Kd, 2.0f);
  EXPECT_FLOAT_EQ(ai->pidThrottle.Kp, 0.21325f);
  EXPECT_EQ(ai->nn->wO.nrows, 6);
}

TEST_F(DriverTest, OnlyClassesZeroToThreeHaveControllers) {
  car->settings.carClass = 4;
  EXPECT_THROW(newAI(car.get()), GameError);
  EXPECT_THROW(newAI(nullptr), GameError);
}

TEST_F(DriverTest, RedecidesAtLeastEverySixteenSteps) {
  car->ai->skill = 0;  // s = 0.1 * 0.5: a fresh draw rarely lets it react
  int longest = 0, since = 0;
  for (int i = 0; i < 400; ++i) {
    const int64_t before = car->ai->lastActive;
    update(*car->ai);
    since = car->ai->lastActive == 0 ? 0 : since + 1;
    longest = std::max(longest, since);
    if (before >= 15) {
      EXPECT_EQ(car->ai->lastActive, 0);
    }
  }
  EXPECT_LE(longest, 15);
  EXPECT_TRUE(car->controls.accel);
}

TEST_F(DriverTest, AimsAtTheRacingLineAheadAndSteers) {
  car->pos.y = -2;  // left of the centre line: the aim point lies to the right
  car->ai->lastActive = 16;
  update(*car->ai);
  EXPECT_GT(car->controls.steer, 0.0f);
  EXPECT_EQ(car->ai->lastActive, 0);
  EXPECT_EQ(car->ai->debugVector2, car->vel * 0.1f);
  EXPECT_NEAR(length(car->ai->debugVector3), 8.0f, 1e-4f);
}

TEST_F(DriverTest, LooksOneNodeAheadAtRestAndSevenAtSpeed) {
  car->ai->tightness = 0;  // aim at the centre points, so the aim point is node k's position
  car->nodeAlpha = 0;
  car->pos = map->path[20].pos + Vec2f{0, -1};
  car->ai->lastActive = 16;
  update(*car->ai);
  EXPECT_EQ(car->ai->debugVector, map->path[21].pos - car->pos);
  car->vel = {140, 0};
  update(*car->ai);
  EXPECT_EQ(car->ai->debugVector, map->path[27].pos - car->pos);
}

TEST_F(DriverTest, FinishedCarStopsAllControls) {
  car->finished = true;
  car->controls = Controls{0.7f, true, true, true, false};
  car->vel = {0.5f, 0};
  update(*car->ai);
  EXPECT_FALSE(car->controls.accel);
  EXPECT_FALSE(car->controls.brake);
  EXPECT_FALSE(car->controls.boost);
  EXPECT_EQ(car->controls.steer, 0.0f);
}

TEST_F(DriverTest, TightnessFallsWhileColliding) {
  car->colliding = 1;
  update(*car->ai);
  EXPECT_FLOAT_EQ(car->ai->tightness, 0.4f);
  car->colliding = 0;
  update(*car->ai);
  EXPECT_FLOAT_EQ(car->ai->tightness, float(double(0.4f) + 0.000001));
}

TEST_F(DriverTest, StartPhaseOnlyRevsTheEngine) {
  RaceState race;
  race.ready = true;
  car->race = &race;
  car->ready = 1;
  update(*car->ai);
  EXPECT_TRUE(car->controls.boost);
  EXPECT_TRUE(car->controls.accel);
  EXPECT_EQ(car->ai->lastActive, 0);
}

}  // namespace
}  // namespace dx
