#pragma once
// Lap times of every car on the track, on the simulated clock: each simulation step adds its own
// time step to the lap the car is on. Lap 0 runs from the car's start to the first lap boundary
// (a standing lap); later laps are flying laps. A closed track's boundaries are multiples of its
// node count; an open track's one lap ends at its finish node.
#include <optional>

#include "car/car.h"
#include "map/track.h"

namespace dx {

// The finish node of an open track: the last nodes are its run-out.
constexpr int64_t kFinishFromEnd = 33;

// The lap the car is on (0 before and during the first lap).
int64_t lapIndex(const Car& car, const Map& map);
// Adds dt to the last lap-time entry, opening a new one when the car reaches the next lap (at
// most one per step).
void recordLapTime(Car& car, const Map& map, float dt);
// Records one simulation step of dt for every car on the map.
void recordLapTimes(const Map& map, float dt);

// A car's score for a run of 60 s: the node it reached. A racer or a neural driver that reaches
// an open track's finish scores at its pace instead, the finish node × 60 ÷ its time to the finish
// (every driver reaches it, so the node alone would not tell them apart).
float runScore(const Car& car);

// Completed laps only: the standing lap, and the best of the flying laps.
std::optional<float> standingLap(const Car& car);
std::optional<float> bestFlyingLap(const Car& car);

}  // namespace dx
