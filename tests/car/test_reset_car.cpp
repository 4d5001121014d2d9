#include <gtest/gtest.h>

#include "car/ai_driver.h"
#include "car/reset_car.h"
#include "car_collision.h"
#include "framework/run_loop.h"
#include "map/item_types.h"
#include "objects/shared_records.h"
#include "objects/track_object.h"
#include "render3d/render_state.h"

namespace dx {
namespace {

Collision noHit(TrackObject&, TrackObject&) { return {}; }

// One call puts back the car's collision answers that a test replaced, the car's own state and
// those of every library below it.
TEST(ResetCarModules, RestoresTheCarsAnswersAndEveryLayerBelow) {
  registerCarCollisions();
  const CollisionAnswers real = collisionAnswers();
  ASSERT_NE(real.carVsCar, nullptr);
  collisionAnswers() = CollisionAnswers{};
  collisionAnswers().carVsCar = noHit;
  aiState().difficulty = 3;
  itemTypes().mapObjectDescriptions.resize(2);
  sharedRecords().frame = 7;
  renderState().mvpDirty = true;
  loopState().frame = 9;

  resetCarModules();
  const CollisionAnswers& a = collisionAnswers();
  EXPECT_EQ(a.sweptProjectileVsCar, real.sweptProjectileVsCar);
  EXPECT_EQ(a.mineVsCar, real.mineVsCar);
  EXPECT_EQ(a.carVsCar, real.carVsCar);
  EXPECT_EQ(a.projectileHitsCar, real.projectileHitsCar);
  EXPECT_EQ(a.mineHitsCar, real.mineHitsCar);
  EXPECT_EQ(a.carHitsCar, real.carHitsCar);
  EXPECT_EQ(aiState().difficulty, 0);
  EXPECT_TRUE(itemTypes().mapObjectDescriptions.empty());
  EXPECT_EQ(sharedRecords().frame, 0);
  EXPECT_FALSE(renderState().mvpDirty);
  EXPECT_EQ(loopState().frame, 0);
}

}  // namespace
}  // namespace dx
