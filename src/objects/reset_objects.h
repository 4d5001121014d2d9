#pragma once
// The track objects' shared records and collision answers, and every state below them, back at
// their start-up defaults. Without the car library's answers, pairs with a car fall back to the
// circle test and their hits do nothing.

namespace dx {

void resetObjectModules();

}  // namespace dx
