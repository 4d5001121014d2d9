#pragma once
// The reference lap: how fast a car could drive a track's racing line. The car's limits are
// measured by driving it with its own physics (the steady speed on circles, acceleration and
// braking on a straight, never boost); a quasi-steady-state plan then sets a speed at every
// racing-line point from the line's curvature and what the car can gain and lose between points.
#include <string>
#include <vector>

#include "car/car.h"
#include "map/track.h"

namespace dx {

// A rate of change of speed (map units per second squared) by speed, ascending speeds.
struct SpeedTable {
  std::vector<float> speeds, rates;
};

struct CarLimits {
  // The highest speed at which the car holds a circle of each radius, ascending radii.
  std::vector<float> radii, cornerSpeeds;
  SpeedTable acceleration;  // full throttle on a straight, from rest to the top speed
  SpeedTable braking;       // full brake, throttle released, from the top speed to rest
  float topSpeed = 0;       // where full throttle on a straight settles
};

// Drives a car of its own with these (built) settings on open ground of its own. Nothing shared
// is read or written: the same settings give the same limits bit for bit, on any thread.
CarLimits measureCarLimits(const CarSettings& settings);

// The table's highest steady speed on a circle of the radius: proportional to the radius below
// the smallest one measured, linear in curvature from the largest one to the top speed on a
// straight (an infinite radius).
float cornerSpeed(const CarLimits& limits, float radius);

struct SpeedPlan {
  std::vector<float> speeds;  // planned speed at the racing-line point of each node, by node id
  // Seconds. Flying: a closed track's steady lap; an open track's run from its start node to
  // its finish node at the planned speeds. Standing: from the training cars' start at rest to
  // the first lap boundary (an open track's finish node).
  float flyingLap = 0, standingLap = 0;
  float topSpeed = 0;  // the car's, from its limits
};

// Raises IndexError for a track without nodes or without its racing line.
SpeedPlan planSpeeds(const Map& map, const CarLimits& limits);

// The planned speed at a fractional node index (node i + fraction f), interpolated between the
// two nodes; indices wrap or clamp as nodeAt does.
float plannedSpeedAt(const SpeedPlan& plan, const Map& map, float node);

// "reference lap 38.1 s flying, 39.4 s standing for <carFile>", as every program tells it.
std::string referenceLapLine(const SpeedPlan& plan, const std::string& carFile);

}  // namespace dx
