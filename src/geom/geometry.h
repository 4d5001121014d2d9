#pragma once
// Boxes, segments, polygon and intersection tests, ray casts and rotations on 2D vectors.
// Plain value functions: the collision, AI and racing-line code calls them many times a step.
#include <array>
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
std::vector<Vec2f> rotatedPoly(Vec2f pos, std::span<const Vec2f> points, float angle, Vec2f origin,
                               float scale);

// Negative when p lies right of a->b on screen (towards +y when a->b points along +x),
// positive to the left, 0 on the line.
inline float sideOfLine(Vec2f a, Vec2f b, Vec2f p) {
  return (p.x - a.x) * (b.y - a.y) - (p.y - a.y) * (b.x - a.x);
}

// Touching boxes intersect.
inline bool intersects(const AABB& a, const AABB& b) {
  return a.min.x <= b.max.x && b.min.x <= a.max.x && a.min.y <= b.max.y && b.min.y <= a.max.y;
}
// The box covering both (`union` is a C++ keyword).
AABB unionAABB(const AABB& a, const AABB& b);
AABB getAABB(const std::array<Vec2f, 3>& tri);
AABB getAABB(Vec2f a, Vec2f b);
inline AABB getAABB(const Line& l) { return getAABB(l.start, l.end); }
AABB expandAABB(const AABB& box, Vec2f v);

// Even-odd rule; on the boundary the result follows the crossing arithmetic exactly.
bool pointInPoly(Vec2f p, const std::array<Vec2f, 4>& quad);
bool pointInPoly(Vec2f p, const std::array<Vec2f, 3>& tri);

// The closest point of the segment; its start when the segment has no length.
Vec2f closestPointOnLine(const Line& line, Vec2f p);
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
