#pragma once
// The racing line: one point per node, relaxed as a chain of damped springs that cuts corners
// and stays on the usable road.
#include "map/track.h"

namespace dx {

// The relaxation's step length: the loop's fixed step (1/60 s).
constexpr float racingLineTimeStep = float(1.0 / 60.0);

void generateRacingLine(Map& map);
// One relaxation step of dt seconds. Once the springs repeat a state they had, the later steps
// are replayed from the stored states instead of computed, with the same result bit for bit;
// springs changed from outside, or another dt, start the relaxation again. (The nodes must not
// change after the line is generated.)
void iterateRacingLine(Map& map, float dt);
inline void iterateRacingLine(Map& map) { iterateRacingLine(map, racingLineTimeStep); }

}  // namespace dx
