#pragma once
// The state of the car drawing's debug keys, and whether AI cars show their aim lines.
#include <cstdint>

namespace dx {

struct CarDrawState {
  bool useAltColors = false;
  int64_t carModelIndex = 0;  // which body model 'm' has loaded (car.obj .. car4.obj)
  bool aiLines = true;        // the AI's three debug vectors from each AI car
};

CarDrawState& carDrawState();
void resetCarDrawState();
// The next of the four body models (car.obj .. car4.obj) becomes the shared car model.
void nextCarModel();

}  // namespace dx
