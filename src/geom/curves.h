#pragma once
// Cubic Bézier curves (track sections) and the damped spring of the racing line.
#include <cstdint>

#include "geom/vec.h"

namespace dx {

Vec2f bezierCubic(Vec2f p0, Vec2f p1, Vec2f p2, Vec2f p3, float t);
// Sum of the chords between the samples t = i/steps, i = 0 .. steps - 1; t = 1 itself is not
// sampled, so the estimate falls short of the true length. Track construction divides this
// exact estimate into node steps, so it must not be "improved". 0 for steps <= 0.
float bezierCubicLength(Vec2f p0, Vec2f p1, Vec2f p2, Vec2f p3, int64_t steps);
// -(k*mass/dt^2)*(pos - anchor) - (d*mass/dt)*vel; the caller integrates it.
Vec2f spring(Vec2f pos, Vec2f anchor, Vec2f vel, float k, float d, float mass, float dt);

}  // namespace dx
