#include "geom/geometry.h"

#include <algorithm>
#include <limits>

#include "framework/random.h"

namespace dx {

Vec2f rndVec(RandomState& r, float size) {
  const float half = size / 2.0f;
  const float x = rnd(r, size) - half;  // x first: callers' particle streams depend on the order
  const float y = rnd(r, size) - half;
  return {x, y};
}

std::vector<Vec2f> rotatedPoly(Vec2f pos, std::span<const Vec2f> points, float angle, Vec2f origin, float scale) {
  std::vector<Vec2f> out;
  out.reserve(points.size());
  for (Vec2f p : points) out.push_back(pos + rotatePoint(p, angle, origin) * scale);
  return out;
}

Intersection lineLineIntersection(const Line& l1, const Line& l2) {
  const Vec3f p = lineToABC(l1), q = lineToABC(l2);
  const float det = p.x * q.y - q.x * p.y;
  if (det == 0.0f) return {};
  return {true, {(q.y * p.z - p.y * q.z) / det, (p.x * q.z - q.x * p.z) / det}};
}

static bool within(float v, float e0, float e1) { return std::min(e0, e1) <= v && v <= std::max(e0, e1); }

Intersection lineSegmentIntersection(const Line& l1, const Line& l2) {
  const Intersection r = lineLineIntersection(l1, l2);
  if (!r.hit) return {};
  const Vec2f p = r.point;
  if (within(p.x, l1.start.x, l1.end.x) && within(p.y, l1.start.y, l1.end.y) && within(p.x, l2.start.x, l2.end.x) &&
      within(p.y, l2.start.y, l2.end.y))
    return r;
  return {};
}

float rayCastLineSegment(Vec2f a, Vec2f b, Vec2f origin, Vec2f dir) {
  if (a == b || isZero(dir)) return -1.0f;
  const Vec2f w = origin - a, s = b - a, n = perpendicular(dir);
  const float den = dot(s, n);
  if (std::abs(den) < 1e-7f) return -1.0f;
  const float t1 = cross(s, w) / den;  // along dir
  const float t2 = dot(w, n) / den;    // along the segment
  return t1 >= 0.0f && t1 <= 1.0f && t2 >= 0.0f && t2 <= 1.0f ? t1 : -1.0f;
}

}  // namespace dx
