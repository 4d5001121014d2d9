#pragma once
// Vector forms of the framework's integer drawing primitives, in the current colour.
// Coordinates are floored (rectfill: truncated toward zero); a coordinate that does not fit
// a 32-bit pixel position (or is NaN) throws IndexError instead of converting undefinedly.
#include <span>

#include "geom/geometry.h"

namespace dx {

void pset(Vec2f p);
void line(Vec2f a, Vec2f b);
// The first three points; fewer than three throws IndexError.
void trifill(std::span<const Vec2f> points);
// Nothing, a point, a line, or for three and more points the closed outline.
void poly(std::span<const Vec2f> points);
void rectfill(const AABB& box);

}  // namespace dx
