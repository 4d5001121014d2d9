#pragma once
// The racing line: one point per node, relaxed as a chain of damped springs that cuts corners
// and stays on the usable road.
#include "map/track.h"

namespace dx {

void generateRacingLine(Map& map);
void iterateRacingLine(Map& map);

}  // namespace dx
