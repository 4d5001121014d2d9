#pragma once
// The car library's states, and every state below them, back at their start-up defaults, with
// the car's collision answers in place: a test that replaced them gets the real ones back.

namespace dx {

void resetCarModules();

}  // namespace dx
