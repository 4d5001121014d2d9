#include <gtest/gtest.h>

#include "car/reset_car.h"
#include "car_collision.h"
#include "framework/run_loop.h"
#include "map/item_types.h"
#include "objects/track_object.h"

namespace dx {
namespace {

Collision noHit(TrackObject&, TrackObject&) { return {}; }

// One call puts back the car's collision answers that a test replaced (tests once reset them by
// hand) and resets the libraries below it.
TEST(ResetCarModules, RestoresTheCarsAnswersAndEveryLayerBelow) {
  registerCarCollisions();
  const CollisionAnswers real = collisionAnswers();
  ASSERT_NE(real.carVsCar, nullptr);
  collisionAnswers() = CollisionAnswers{};
  collisionAnswers().carVsCar = noHit;
  itemTypes().mapObjectDescriptions.resize(2);
  loopState().frame = 9;

  resetCarModules();
  EXPECT_EQ(collisionAnswers().carVsCar, real.carVsCar);
  EXPECT_EQ(collisionAnswers().carHitsCar, real.carHitsCar);
  EXPECT_TRUE(itemTypes().mapObjectDescriptions.empty());
  EXPECT_EQ(loopState().frame, 0);
}

}  // namespace
}  // namespace dx
