#pragma once
// Boxes, segments, polygon and intersection tests, ray casts and rotations on 2D vectors.
// Plain value functions: the collision, AI and racing-line code calls them many times a step.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <vector>

#include "framework/random.h"
#include "geom/vec.h"

namespace dx {

// Inclusive on all sides; min is the top-left corner, max the bottom-right.
struct AABB {
  Vec2f min, max;
  bool operator==(const AABB&) const = default;
};

// A segment unless an operation treats it as an infinite line.
struct Line {
  Vec2f start, end;
  bool operator==(const Line&) const = default;
};

// When hit is false the point is (0, 0).
struct Intersection {
  bool hit = false;
  Vec2f point;
  bool operator==(const Intersection&) const = default;
};

inline Vec2f polarVec2f(float angle, float len) { return {std::cos(angle) * len, std::sin(angle) * len}; }
// Uniform in [-size/2, size/2) on both axes; x is drawn first.
Vec2f rndVec(RandomState& r, float size);
inline Vec2f rndVec(float size) { return rndVec(randomState(), size); }

inline Vec2f rotatePoint(Vec2f p, float angle, Vec2f origin) {
  const Vec2f d = p - origin;
  const float c = std::cos(angle), s = std::sin(angle);
  return {d.x * c - d.y * s + origin.x, d.y * c + d.x * s + origin.y};
}
// pos + scale * rotatePoint(points[i], angle, origin) for every point.
std::vector<Vec2f> rotatedPoly(Vec2f pos, std::span<const Vec2f> points, float angle, Vec2f origin, float scale);

// Negative when p lies right of a->b on screen (towards +y when a->b points along +x),
// positive to the left, 0 on the line.
inline float sideOfLine(Vec2f a, Vec2f b, Vec2f p) { return (p.x - a.x) * (b.y - a.y) - (p.y - a.y) * (b.x - a.x); }

// Touching boxes intersect.
inline bool intersects(const AABB& a, const AABB& b) {
  return a.min.x <= b.max.x && b.min.x <= a.max.x && a.min.y <= b.max.y && b.min.y <= a.max.y;
}
// The box helpers, the point test and the closest point are inline: every car step asks for
// dozens of them.

// The box covering both (`union` is a C++ keyword).
inline AABB unionAABB(const AABB& a, const AABB& b) {
  return {{std::min(a.min.x, b.min.x), std::min(a.min.y, b.min.y)},
          {std::max(a.max.x, b.max.x), std::max(a.max.y, b.max.y)}};
}
inline AABB getAABB(const std::array<Vec2f, 3>& tri) {
  constexpr float inf = std::numeric_limits<float>::infinity();
  AABB box{{inf, inf}, {-inf, -inf}};
  for (Vec2f p : tri) {
    box.min = {std::min(box.min.x, p.x), std::min(box.min.y, p.y)};
    box.max = {std::max(box.max.x, p.x), std::max(box.max.y, p.y)};
  }
  return box;
}
inline AABB getAABB(Vec2f a, Vec2f b) {
  return {{std::min(a.x, b.x), std::min(a.y, b.y)}, {std::max(a.x, b.x), std::max(a.y, b.y)}};
}
inline AABB getAABB(const Line& l) { return getAABB(l.start, l.end); }
inline AABB expandAABB(const AABB& box, Vec2f v) {
  const Vec2f d{std::abs(v.x), std::abs(v.y)};
  return {box.min - d, box.max + d};
}

// Even-odd rule; on the boundary the result follows the crossing arithmetic exactly.
template <size_t N>
bool pointInPolyN(Vec2f p, const std::array<Vec2f, N>& v) {
  bool inside = false;
  for (size_t i = 0; i < N; ++i) {
    const Vec2f a = v[i], b = v[(i + 1) % N];
    // A horizontal edge never passes the first test, so its division is never reached.
    if ((p.y < a.y) != (p.y < b.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
  }
  return inside;
}
inline bool pointInPoly(Vec2f p, const std::array<Vec2f, 4>& quad) { return pointInPolyN(p, quad); }
inline bool pointInPoly(Vec2f p, const std::array<Vec2f, 3>& tri) { return pointInPolyN(p, tri); }

// The closest point of the segment; its start when the segment has no length.
inline Vec2f closestPointOnLine(const Line& line, Vec2f p) {
  const Vec2f a = line.start, ab = line.end - line.start;
  const float len2 = length2(ab);
  if (len2 == 0.0f) return a;
  float t = dot(p - a, ab) / len2;
  t = std::isnan(t) ? 1.0f : std::clamp(t, 0.0f, 1.0f);
  return a + ab * double(t);
}
inline float lineSegDistanceSqr(const Line& line, Vec2f p) { return length2(p - closestPointOnLine(line, p)); }
inline float lineSegDistance(const Line& line, Vec2f p) { return length(p - closestPointOnLine(line, p)); }

// (A, B, C) of the implicit line A*x + B*y = C.
inline Vec3f lineToABC(const Line& l) {
  const float a = l.end.y - l.start.y, b = l.start.x - l.end.x;
  return {a, b, a * l.start.x + b * l.start.y};
}
// Of the infinite lines; parallel or identical lines do not hit.
Intersection lineLineIntersection(const Line& l1, const Line& l2);
// Of the segments, ends included.
Intersection lineSegmentIntersection(const Line& l1, const Line& l2);
// The fraction of dir in [0, 1] at which the ray origin -> origin + dir meets segment a-b,
// or -1 when it does not.
float rayCastLineSegment(Vec2f a, Vec2f b, Vec2f origin, Vec2f dir);

}  // namespace dx
