#include <gtest/gtest.h>

#include "app/status_panel.h"
#include "app/training.h"
#include "app/view_controls.h"
#include "car/car_draw.h"
#include "framework/input.h"
#include "harness_fixture.h"
#include "test_support.h"

namespace dx {
namespace {

class ViewControls : public test::HarnessTest {
 protected:
  void SetUp() override {
    HarnessTest::SetUp();
    addUserCar();
    initInput();
  }
  void startGeneration() {
    const test::LogCapture capture;
    nextIteration();
  }
};

TEST_F(ViewControls, FollowCyclesUserLeaderSecondAndFallsBackOnANewGeneration) {
  Harness& h = harness();
  cycleFollow();  // no AI car yet: the user's car stays followed
  EXPECT_EQ(&followedCar(), h.myCar.get());
  EXPECT_EQ(viewState().followStep, 0);

  startGeneration();
  for (size_t i = 0; i < h.aiCars.size(); ++i) h.aiCars[i]->currentNode = int64_t(i % 7);
  h.aiCars[41]->currentNode = 50;
  h.aiCars[9]->currentNode = 40;
  cycleFollow();
  EXPECT_EQ(&followedCar(), h.aiCars[41].get());
  EXPECT_EQ(followedAiNumber(), 42);
  h.aiCars[3]->currentNode = 70;  // overtaking does not move the camera to another car
  EXPECT_EQ(&followedCar(), h.aiCars[41].get());
  h.aiCars[3]->currentNode = 3;
  cycleFollow();
  EXPECT_EQ(&followedCar(), h.aiCars[9].get());  // the second farthest
  cycleFollow();
  EXPECT_EQ(&followedCar(), h.myCar.get());
  EXPECT_EQ(followedAiNumber(), 0);

  cycleFollow();
  EXPECT_EQ(&followedCar(), h.aiCars[41].get());
  startGeneration();  // the followed car leaves the track with its generation
  EXPECT_EQ(&followedCar(), h.myCar.get());
  EXPECT_EQ(viewState().followStep, 0);
  cycleFollow();  // every new car is at its start: the first of them leads
  EXPECT_EQ(&followedCar(), h.aiCars[0].get());

  // The last generation's champion, replayed: one more stop before the user's car.
  startChampionReplay(trainingRecord().replays, *h.myMap);
  ASSERT_TRUE(trainingRecord().replays.championCar);
  cycleFollow();
  cycleFollow();
  EXPECT_EQ(&followedCar(), trainingRecord().replays.championCar.get());
  EXPECT_TRUE(followingChampion());
  const std::vector<std::string> lines = panelLines(followedCar());
  EXPECT_EQ(lines[5], "following: champion replay, node -2");
  EXPECT_EQ(lines[7].rfind("score 50  gains ", 0), 0u) << lines[7];
  cycleFollow();
  EXPECT_EQ(&followedCar(), h.myCar.get());
}

TEST_F(ViewControls, TabF1YAndL1) {
  startGeneration();
  auto& keys = inputState().keysDown;
  auto& buttons = inputState().controllers[0]->buttons;
  keys[keyTab] = 1;
  keys[keyF1] = 1;
  buttons[size_t(Button::Y)] = 2;  // went down this update
  buttons[size_t(Button::L1)] = 2;
  updateViewKeys();
  EXPECT_FALSE(viewState().panel);
  EXPECT_TRUE(viewState().keyHelp);
  EXPECT_EQ(viewState().followStep, 1);
  EXPECT_FALSE(carDrawState().aiLines);
  keys[keyTab] = 2;  // held, not pressed again
  buttons[size_t(Button::Y)] = 3;
  updateViewKeys();
  EXPECT_FALSE(viewState().panel);
  EXPECT_EQ(viewState().followStep, 1);
}

}  // namespace
}  // namespace dx
