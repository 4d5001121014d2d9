#pragma once
// Race mode's simulation step: the user's controls, the track steps, the training clock, lap
// times and the telemetry of the user's car.
#include "app/game.h"

namespace dx {

void gameUpdateRace(float dt);
// Adds dt to the last lap-time entry, opening a new one when the car's node count reaches the
// next lap (at most one per step).
void recordLapTime(Car& car, const Map& map, float dt);
DataLogRecord dataLogRecord(const Car& car);
// Puts a car at rest on the centre of the nearest node of the lap it is on, facing along the
// track; its lap times stay.
void resetCarOnTrack(Car& car, const Map& map);

}  // namespace dx
