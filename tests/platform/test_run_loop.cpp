#include <gtest/gtest.h>

#include "framework/input.h"
#include "framework/reset_framework.h"
#include "framework/run_loop.h"
#include "platform/run_loop.h"

namespace dx {
namespace {

struct LoopProbe {
  int updates = 0, draws = 0;
  void install() {
    resetFrameworkModules();
    LoopState& L = loopState();
    L.updateFunc = [this](float dt) {
      ++updates;
      EXPECT_EQ(dt, float(1.0 / 60.0));
    };
    L.drawFunc = [this] { ++draws; };
  }
};

TEST(Accumulator, NoUpdateDueMeansNoDraw) {
  LoopProbe p;
  p.install();
  EXPECT_FALSE(advance(10));  // 10 ms < one step
  EXPECT_EQ(p.updates, 0);
  EXPECT_EQ(p.draws, 0);
  EXPECT_NEAR(loopState().acc, 0.010, 1e-7);
}

TEST(Accumulator, OneStepOneUpdateOneDraw) {
  LoopProbe p;
  p.install();
  advance(10);
  EXPECT_TRUE(advance(20));
  EXPECT_EQ(p.updates, 1);
  EXPECT_EQ(p.draws, 1);
  EXPECT_EQ(loopState().frame, 1);
}

TEST(Accumulator, StallAddsExactlyOneTimeStep) {
  LoopProbe p;
  p.install();
  loopState().acc = 0.001;
  advance(5000);  // five seconds away
  EXPECT_EQ(p.updates, 1);
  EXPECT_NEAR(loopState().acc, 0.001, 1e-12);
}

TEST(Accumulator, SeveralUpdatesDrawOnlyOnTheLast) {
  LoopProbe p;
  p.install();
  loopState().acc = 2.5 / 60.0;
  advance(0);
  EXPECT_EQ(p.updates, 2);
  EXPECT_EQ(p.draws, 1);
}

TEST(Accumulator, FrameMultScalesWallTime) {
  LoopProbe p;
  p.install();
  loopState().frameMult = 2;
  advance(16);  // 32 ms counted: within two steps
  EXPECT_EQ(p.updates, 1);
}

}  // namespace
}  // namespace dx
