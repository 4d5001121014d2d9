#include "geom/draw_adapters.h"

#include <cmath>
#include <string>

#include "framework/canvas.h"
#include "framework/errors.h"
#include "framework/numeric.h"

namespace dx {

static Pint toPixel(float v) {
  // The comparisons also reject NaN; both bounds are exact in float.
  if (!(v >= -2147483648.0f && v < 2147483648.0f))
    throw IndexError("pixel coordinate out of 32-bit range: " + std::to_string(v));
  return Pint(v);
}

// Far-off points are pulled to the edge of the 32-bit range (points with NaN are not drawn):
// drawing outside the canvas is dropped by the primitives, never an error.
static Pint floorPixel(float v) { return truncToInt32(std::floor(double(v))); }

static bool isNan(Vec2f p) { return std::isnan(p.x) || std::isnan(p.y); }

void pset(Vec2f p) {
  if (!isNan(p)) pset(floorPixel(p.x), floorPixel(p.y));
}

void line(Vec2f a, Vec2f b) {
  if (!isNan(a) && !isNan(b)) line(floorPixel(a.x), floorPixel(a.y), floorPixel(b.x), floorPixel(b.y));
}

void trifill(std::span<const Vec2f> points) {
  if (points.size() < 3) throw IndexError("trifill needs 3 points, got " + std::to_string(points.size()));
  if (isNan(points[0]) || isNan(points[1]) || isNan(points[2])) return;
  trifill(floorPixel(points[0].x), floorPixel(points[0].y), floorPixel(points[1].x), floorPixel(points[1].y),
          floorPixel(points[2].x), floorPixel(points[2].y));
}

void poly(std::span<const Vec2f> points) {
  const size_t n = points.size();
  if (n == 0) return;
  if (n == 1) return pset(points[0]);
  if (n == 2) return line(points[0], points[1]);
  for (size_t i = 0; i < n; ++i) line(points[i], points[(i + 1) % n]);
}

void rectfill(const AABB& box) {
  rectfill(toPixel(std::trunc(box.min.x)), toPixel(std::trunc(box.min.y)), toPixel(std::trunc(box.max.x)),
           toPixel(std::trunc(box.max.y)));
}

}  // namespace dx
