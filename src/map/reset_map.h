#pragma once
// The map's item types and track drawing state, and every state below them, back at their
// start-up defaults.

namespace dx {

void resetMapModules();

}  // namespace dx
