#pragma once
// The reference lap that `info` prints: the speed plan of the asset folder's test car, built from
// its catalogue, on a track.
#include <optional>
#include <string>

#include "car/speed_plan.h"

namespace dx {

struct ReferenceCar {
  std::string file;  // the car description, as shown
  CarLimits limits;
};

// The test car of `assetRoot` (assets/testCar.json built from assets/components.json), measured.
// None when either file is missing; raises GameError for one that cannot be read.
std::optional<ReferenceCar> loadReferenceCar(const std::string& assetRoot);

}  // namespace dx
