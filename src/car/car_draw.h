#pragma once
// The car drawing's colour and body choices, which the debug keys change.
#include <cstdint>

namespace dx {

struct CarDrawState {
  bool useAltColors = false;
  int64_t carModelIndex = 0;  // which body model 'm' has loaded (car.obj .. car4.obj)
};

CarDrawState& carDrawState();
void resetCarDrawState();
// The next of the four body models (car.obj .. car4.obj) becomes the shared car model.
void nextCarModel();

}  // namespace dx
