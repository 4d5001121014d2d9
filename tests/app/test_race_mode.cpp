#include <gtest/gtest.h>

#include <SDL.h>

#include "app/race_mode.h"
#include "car/car_draw.h"
#include "framework/input.h"
#include "harness_fixture.h"

namespace dx {
namespace {

using test::HarnessTest;

class RaceModeTest : public HarnessTest {
 protected:
  void SetUp() override {
    HarnessTest::SetUp();
    Harness& h = harness();
    CarSettings s;
    loadCarSettings(testCarFile, s);
    h.myCar = newCar(nullptr, s);
    h.myCar->map = h.myMap.get();
    setNode(*h.myCar, 0);
    recalculate(h.myCar->settings);
    h.myMap->trackObjects.push_back(h.myCar);
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
  testing::internal::CaptureStdout();
  gameUpdateRace(1.0f / 60);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "loaded 0 pid settings\n");
  EXPECT_EQ(h.iteration, 1);
  EXPECT_EQ(h.aiCars.size(), 100u);
}

// The car drawing's debug keys act in the update, once per press.
TEST_F(RaceModeTest, DebugKeysActOncePerPress) {
  resetCarDrawState();
  auto& keys = inputState().keysDown;
  for (int held : {1, 2}) {  // went down this update, then held
    keys[keyT] = keys[keyReturn] = held;
    gameUpdateRace(1.0f / 60);
    EXPECT_EQ(harness().myCar->team, teamSK);
    EXPECT_TRUE(carDrawState().useAltColors);
  }
}

TEST(LapTimes, BucketsByLapIncludingBeforeTheStart) {
  Car car;
  Map map;
  map.path.resize(100);
  car.currentNode = -5;
  recordLapTime(car, map, 0.5f);
  EXPECT_EQ(car.lapTimes, std::vector<float>{0.5f});
  car.currentNode = 250;  // two and a half laps on: one new entry per step
  recordLapTime(car, map, 0.5f);
  recordLapTime(car, map, 0.5f);
  EXPECT_EQ(car.lapTimes, (std::vector<float>{0.5f, 0.5f, 0.5f}));
  recordLapTime(car, map, 0.25f);
  EXPECT_EQ(car.lapTimes.back(), 0.75f);
}

}  // namespace
}  // namespace dx
