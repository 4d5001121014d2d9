#include <gtest/gtest.h>

#include "app/lap_times.h"
#include "app/race_mode.h"
#include "app/training.h"
#include "car/car_draw.h"
#include "framework/input.h"
#include "framework/keys.h"
#include "harness_fixture.h"
#include "test_support.h"

namespace dx {
namespace {

using test::HarnessTest;

class RaceModeTest : public HarnessTest {
 protected:
  void SetUp() override {
    HarnessTest::SetUp();
    addUserCar();
    setNode(*harness().myCar, 0);
    recalculate(harness().myCar->settings);
    initInput();
  }
  void press(Button b) { inputState().controllers[0]->buttons[size_t(b)] = 2; }
};

TEST_F(RaceModeTest, LeftAndRightTogetherCancel) {
  press(Button::Left);
  press(Button::Right);
  press(Button::A);
  gameUpdateRace(1.0f / 60);
  EXPECT_EQ(harness().myCar->controls.steer, 0.0f);
  EXPECT_TRUE(harness().myCar->controls.accel);
  EXPECT_FALSE(harness().myCar->controls.brake);
}

TEST_F(RaceModeTest, ClockLogAndLapTimes) {
  Harness& h = harness();
  gameUpdateRace(1.0f / 60);
  gameUpdateRace(1.0f / 60);
  EXPECT_FLOAT_EQ(h.timeSinceStart, 2.0f / 60);
  ASSERT_EQ(h.dataLog.size(), 2u);
  EXPECT_EQ(h.dataLog[1].speed, length(h.myCar->vel));
  ASSERT_EQ(h.myCar->lapTimes.size(), 1u);
  EXPECT_FLOAT_EQ(h.myCar->lapTimes[0], 2.0f / 60);
}

TEST_F(RaceModeTest, SixtySecondsStartTheNextGeneration) {
  Harness& h = harness();
  h.timeSinceStart = 59.99f;
  const test::LogCapture capture;
  gameUpdateRace(1.0f / 60);
  EXPECT_EQ(capture.out(), "loaded 0 pid settings\n");
  EXPECT_EQ(h.iteration, 1);
  EXPECT_EQ(h.aiCars.size(), 100u);
}

// Backspace (the Back button) puts a car that left the track back on the centre of the nearest
// node of its own lap, at rest and facing along the track; Escape, which shares the button, does not.
TEST_F(RaceModeTest, BackResetsTheCarOnTheNearestNodeOfItsLap) {
  Harness& h = harness();
  Car& car = *h.myCar;
  const int64_t n = int64_t(h.myMap->path.size());
  const Node& target = h.myMap->path[20];
  car.currentNode = n + 18;                     // lap 1, a little behind
  car.pos = target.pos + target.normal * 9.0f;  // off the road
  car.vel = {40, -3};
  car.angle = 2.5f;
  car.angularVelocity = 4;
  car.lapTimes = {31.5f, 2};
  inputState().keysDown[keyEscape] = 1;
  press(Button::Back);
  updateViewKeys();
  gameUpdateRace(1.0f / 60);
  EXPECT_NE(car.vel, Vec2f(0, 0));  // leaving the editor is not a reset

  inputState().keysDown.clear();
  press(Button::Back);
  updateViewKeys();
  gameUpdateRace(1.0f / 60);
  EXPECT_EQ(car.vel, Vec2f(0, 0));
  EXPECT_EQ(car.lapTimes, (std::vector<float>{31.5f, 2 + 2.0f / 60}));

  car.currentNode = n + 18;
  car.pos = target.pos + target.normal * 9.0f;
  car.vel = {40, -3};
  resetCarOnTrack(car, *h.myMap);
  EXPECT_EQ(car.currentNode, n + 20);
  EXPECT_EQ(car.pos, target.pos);
  EXPECT_EQ(car.angle, target.angle);
  EXPECT_EQ(car.vel, Vec2f(0, 0));
  EXPECT_EQ(car.angularVelocity, 0.0f);
}

// The car drawing's debug keys act in the update, once per press.
TEST_F(RaceModeTest, DebugKeysActOncePerPress) {
  auto& keys = inputState().keysDown;
  for (int held : {1, 2}) {  // went down this update, then held
    keys[keyT] = keys[keyReturn] = held;
    gameUpdateRace(1.0f / 60);
    EXPECT_EQ(harness().myCar->team, teamSK);
    EXPECT_TRUE(carDrawState().useAltColors);
  }
}

// A closed track's laps are buckets of its node count, the time before the start line included;
// an open track's one lap ends at its finish node, 33 before the end. Only completed laps count
// as standing or flying laps.
TEST(LapTimes, BucketsByLapIncludingBeforeTheStartAndTheOpenTracksFinish) {
  Car car;
  Map map;
  map.path.resize(100);
  map.laps = 3;
  car.currentNode = -5;
  recordLapTime(car, map, 0.5f);
  EXPECT_EQ(car.lapTimes, std::vector<float>{0.5f});
  EXPECT_FALSE(standingLap(car));
  car.currentNode = 250;  // two and a half laps on: one new entry per step
  recordLapTime(car, map, 0.5f);
  recordLapTime(car, map, 0.5f);
  EXPECT_EQ(car.lapTimes, (std::vector<float>{0.5f, 0.5f, 0.5f}));
  recordLapTime(car, map, 0.25f);
  EXPECT_EQ(car.lapTimes.back(), 0.75f);
  EXPECT_EQ(standingLap(car), 0.5f);
  EXPECT_EQ(bestFlyingLap(car), 0.5f);

  Car open;
  map.laps = 0;
  for (const int64_t node : {-2, 66, 67, 99}) {
    open.currentNode = node;
    recordLapTime(open, map, 1.0f);
  }
  EXPECT_EQ(open.lapTimes, (std::vector<float>{2, 2}));
  EXPECT_EQ(standingLap(open), 2.0f);
  EXPECT_FALSE(bestFlyingLap(open));
}

// Every car's laps run on the simulated clock: fast-forward's two steps per update give the same
// lap times as twice the updates without it, and a car's laps add up to the time it drove.
TEST_F(RaceModeTest, LapTimesOfEveryCarFollowTheSimulatedClock) {
  auto drive = [&](bool ff, int updates) {
    SetUp();  // the same start for both drives
    const test::LogCapture capture;
    nextIteration();
    harness().ff = ff;
    for (int i = 0; i < updates; ++i) gameUpdateRace(1.0f / 60);
    std::vector<std::vector<float>> laps;
    for (const CarPtr& car : harness().aiCars) laps.push_back(car->lapTimes);
    return laps;
  };
  const std::vector<std::vector<float>> plain = drive(false, 1800), fast = drive(true, 900);
  EXPECT_EQ(plain, fast);
  size_t flying = 0;
  for (const std::vector<float>& t : plain) {
    double sum = 0;
    for (float v : t) sum += v;
    EXPECT_NEAR(sum, 30.0, 1e-3);
    flying += t.size() >= 3;
  }
  EXPECT_GT(flying, 0u);  // some cars lapped the stadium more than once in 30 s
}

}  // namespace
}  // namespace dx
