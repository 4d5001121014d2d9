#pragma once
// The state of the car drawing's debug keys.
#include <cstdint>

namespace dx {

struct CarDrawState {
  bool useAltColors = false;
  int64_t carModelIndex = 0;  // which body model 'm' has loaded (car.obj .. car4.obj)
};

CarDrawState& carDrawState();
void resetCarDrawState();

}  // namespace dx
