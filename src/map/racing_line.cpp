#include "map/racing_line.h"

#include "framework/run_loop.h"
#include "geom/curves.h"
#include "geom/scalar_math.h"
#include "map/node_queries.h"

namespace dx {

namespace {

constexpr float kPinnedMass = 1000000.0f;

// One visit of the relaxation: pulls spring j towards its neighbours (read before it moves) and,
// unless the side is open or split, towards the node centre; then keeps it on the usable road.
void relaxSpring(Map& map, int64_t i, float dt) {
  const int64_t n = int64_t(map.racingLineSprings.size());
  auto& springs = map.racingLineSprings;
  RacingLineSpring& s = springs[size_t(floorMod(i, n))];
  const Vec2f prev = springs[size_t(floorMod(i - 1, n))].pos;
  const Vec2f next = springs[size_t(floorMod(i + 1, n))].pos;
  if (s.fixed) return;
  const Node& node = nodeAt(map, i);
  if ((node.flags & flagSplit) && length2(node.pos - s.pos) < 2.0f) s.vel -= (node.pos - s.pos) * 0.001f;
  // The pulls are those of a unit-mass spring; dividing by the spring's own mass then makes a
  // booster's million-fold mass hold the line there. (With the mass inside the force as well it
  // would cancel out and the booster would not pin anything.)
  s.vel += spring(s.pos, prev, s.vel, 1e-4f, 1e-5f, 1.0f, dt) / s.mass * dt;
  s.vel += spring(s.pos, next, s.vel, 1e-4f, 1e-5f, 1.0f, dt) / s.mass * dt;
  if (!(node.flags & (flagSplit | flagLeftOpen | flagRightOpen)))
    s.vel += spring(s.pos, node.pos, s.vel, 2e-5f, 0.001f, 1.0f, dt) / s.mass * dt;
  s.pos += s.vel * dt;
  const Vec2f a = node.pos - node.normal * ((node.widthL - 16.0f) * 0.125f);
  const Vec2f b = node.pos + node.normal * ((node.widthR - 16.0f) * 0.125f);
  s.pos = closestPointOnLine({a, b}, s.pos);
}

}  // namespace

void generateRacingLine(Map& map) {
  const size_t n = map.path.size();
  map.racingLineSprings.assign(n, RacingLineSpring{});
  for (size_t i = 0; i < n; ++i) {
    Vec2f pos = map.path[i].pos;
    float mass = 1.0f;
    for (const TrackObjectPtr& o : map.trackObjects)
      if (isA(o->kind(), ObjectKind::Booster) && o->currentNode == int64_t(i)) {
        pos = o->pos;
        mass = kPinnedMass;
        break;
      }
    map.racingLineSprings[i] = RacingLineSpring{pos, pos, {0, 0}, mass, false};
  }
  for (int k = 0; k < 1000; ++k) iterateRacingLine(map);
  map.racingLine.resize(n);
  for (size_t i = 0; i < n; ++i) map.racingLine[i] = map.racingLineSprings[i].pos;
}

void iterateRacingLine(Map& map) {
  const int64_t n = int64_t(map.racingLineSprings.size());
  if (n == 0) return;
  const float dt = float(loopState().timeStep);
  if (isLooping(map)) {
    for (int64_t i = 0; i <= 2 * (n - 1); ++i) relaxSpring(map, i, dt);
  } else {
    for (int64_t i = 1; i <= n - 2; ++i) relaxSpring(map, i, dt);
  }
}

}  // namespace dx
