#include "car/reset_car.h"

#include "car/ai_driver.h"
#include "car/car.h"
#include "car/car_draw.h"
#include "car_collision.h"
#include "map/reset_map.h"

namespace dx {

void resetCarModules() {
  resetMapModules();
  resetCarCatalogue();
  resetCarDrawState();
  resetAIState();
  registerCarCollisions();
}

}  // namespace dx
