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

std::vector<Vec2f> rotatedPoly(Vec2f pos, std::span<const Vec2f> points, float angle, Vec2f origin,
                               float scale) {
  std::vector<Vec2f> out;
  out.reserve(points.size());
  for (Vec2f p : points) out.push_back(pos + rotatePoint(p, angle, origin) * scale);
  return out;
}

AABB unionAABB(const AABB& a, const AABB& b) {
  return {{std::min(a.min.x, b.min.x), std::min(a.min.y, b.min.y)},
          {std::max(a.max.x, b.max.x), std::max(a.max.y, b.max.y)}};
}

AABB getAABB(const std::array<Vec2f, 3>& tri) {
  constexpr float inf = std::numeric_limits<float>::infinity();
  AABB box{{inf, inf}, {-inf, -inf}};
  for (Vec2f p : tri) {
    box.min = {std::min(box.min.x, p.x), std::min(box.min.y, p.y)};
    box.max = {std::max(box.max.x, p.x), std::max(box.max.y, p.y)};
  }
  return box;
}

AABB getAABB(Vec2f a, Vec2f b) {
  return {{std::min(a.x, b.x), std::min(a.y, b.y)}, {std::max(a.x, b.x), std::max(a.y, b.y)}};
}

AABB expandAABB(const AABB& box, Vec2f v) {
  const Vec2f d{std::abs(v.x), std::abs(v.y)};
  return {box.min - d, box.max + d};
}

template <size_t N>
static bool pointInPolyN(Vec2f p, const std::array<Vec2f, N>& v) {
  bool inside = false;
  for (size_t i = 0; i < N; ++i) {
    const Vec2f a = v[i], b = v[(i + 1) % N];
    // A horizontal edge never passes the first test, so its division is never reached.
    if ((p.y < a.y) != (p.y < b.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
      inside = !inside;
  }
  return inside;
}

bool pointInPoly(Vec2f p, const std::array<Vec2f, 4>& quad) { return pointInPolyN(p, quad); }
bool pointInPoly(Vec2f p, const std::array<Vec2f, 3>& tri) { return pointInPolyN(p, tri); }

Vec2f closestPointOnLine(const Line& line, Vec2f p) {
  const Vec2f a = line.start, ab = line.end - line.start;
  const float len2 = length2(ab);
  if (len2 == 0.0f) return a;
  float t = dot(p - a, ab) / len2;
  t = std::isnan(t) ? 1.0f : std::clamp(t, 0.0f, 1.0f);
  return a + ab * double(t);
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
  if (within(p.x, l1.start.x, l1.end.x) && within(p.y, l1.start.y, l1.end.y) &&
      within(p.x, l2.start.x, l2.end.x) && within(p.y, l2.start.y, l2.end.y))
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
