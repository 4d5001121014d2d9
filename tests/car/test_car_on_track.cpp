#include <gtest/gtest.h>

#include <cmath>

#include "car/reset_car.h"
#include "car_fixtures.h"
#include "framework/numeric.h"
#include "map/node_queries.h"
#include "map/world_step.h"
#include "test_support.h"

namespace dx {
namespace {

// The test car on the shipped circuit, steered by a plain rule towards its racing-line target.
TEST(CarOnTrack, TestCarDrivesALapOfTheFirstTrack) {
  resetCarModules();
  test::useSourceAssets();
  const test::LogCapture capture;
  const MapPtr map = buildMap(loadMapSourceFile(test::sourceDir() + "/maps/1.map"));
  loadCarComponentSettings(test::sourceDir() + "/assets/components.json");
  ASSERT_TRUE(isLooping(*map));
  CarSettings s;
  loadCarSettings(test::sourceDir() + "/assets/testCar.json", s);
  CarPtr car = newCar(nullptr, s);
  car->map = map.get();
  setNode(*car, getStartNode(*map, 0));
  recalculate(car->settings);
  map->trackObjects.push_back(car);
  const int64_t n = int64_t(map->path.size());
  int64_t highest = car->currentNode, outside = 0;
  float seconds = 0;
  float lastError = 0;
  while (car->currentNode < n && seconds < 120) {
    // Proportional and derivative steering on the heading error, braking into sharp bends.
    const float error = angleDiff(car->targetAngle, car->angle);
    const float rate = (error - lastError) * 60.0f;
    lastError = error;
    car->controls.steer = clamp(error * 2.0f + rate * 0.5f, -1.0f, 1.0f);
    car->controls.accel = true;
    car->controls.brake = std::fabs(error) > 0.4f && length(car->vel) > 35;
    update(*map, 1.0f / 60);
    seconds += 1.0f / 60;
    if (!pointInPoly(car->pos, getExtNodePoly(*map, car->currentNode))) ++outside;
    highest = std::max(highest, car->currentNode);
  }
  std::cout << "lap of " << n << " nodes in " << seconds << " s\n";
  EXPECT_GE(car->currentNode, n) << "stopped at node " << car->currentNode << " after " << seconds << " s";
  EXPECT_EQ(highest, car->currentNode);
  EXPECT_EQ(outside, 0);
}

}  // namespace
}  // namespace dx
