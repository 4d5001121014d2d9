#pragma once
// Race mode's simulation step: the user's controls, the track steps, the training clock, lap
// times and the telemetry of the user's car.
#include "app/game.h"

namespace dx {

void gameUpdateRace(float dt);
DataLogRecord dataLogRecord(const Car& car);
// Puts a car at rest on the centre of the nearest node of the lap it is on, facing along the
// track; its lap times stay.
void resetCarOnTrack(Car& car, const Map& map);

}  // namespace dx
