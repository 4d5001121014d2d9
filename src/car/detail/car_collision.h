#pragma once
// How cars meet the track walls (a swept move that slides along them) and other objects
// (separating axes with a contact manifold, mines and projectiles).
#include <array>
#include <cstdint>

#include "car/car.h"

namespace dx {

using Triangle = std::array<Vec2f, 3>;

struct Projection {
  double min = 0, max = 0;
};
Projection project(const Triangle& poly, Vec2f axis);
bool overlap(Projection p, Projection q);

struct EdgeFeature {
  Vec2f a, b, edge, max;
};
EdgeFeature getFarthestFeature(const Triangle& poly, Vec2f n);

// Up to three points kept by clipping a segment against the half-plane dot(n, p) >= o.
struct ClipResult {
  std::array<Vec2f, 3> points{};
  int count = 0;
};
ClipResult clipPoints(Vec2f p1, Vec2f p2, Vec2f n, float o);

Collision polygonsIntersect(const Triangle& a, const Triangle& b);

struct EdgeHit {
  bool hit = false;
  Vec2f normal;
  float time = 0;
  Vec2f response, across, along;
  int64_t vertex = 0;
};
EdgeHit checkNodeEdgeCollisions(const Triangle& from, const Triangle& to, const std::array<Vec2f, 4>& quad,
                                uint16_t flags, Vec2f move, bool split);
// Moves the car over dt, sliding along the walls of the three nodes around it; at most six
// moves in one step. The sparks of a wall contact draw from r.
void tryMove(Car& car, float dt, int depth, RandomState& r);
inline void tryMove(Car& car, float dt, int depth) { tryMove(car, dt, depth, randomState()); }
// The same when the caller has the cosine and sine of the car's angle at hand, as heading.
void tryMove(Car& car, float dt, int depth, RandomState& r, Vec2f heading);

// Installs the car answers of the two-object dispatch.
void registerCarCollisions();

}  // namespace dx
