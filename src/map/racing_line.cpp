#include "map/racing_line.h"

#include "framework/run_loop.h"
#include "geom/curves.h"
#include "map/node_queries.h"

namespace dx {

namespace {

constexpr float kPinnedMass = 1000000.0f;

// The two spring kinds of the relaxation, as `spring` computes them for a unit mass.
struct SpringConstants {
  float stiffness, damping;
  SpringConstants(float k, float d, float dt) : stiffness(k * 1.0f / (dt * dt)), damping(d * 1.0f / dt) {}
  Vec2f force(Vec2f pos, Vec2f anchor, Vec2f vel) const { return (pos - anchor) * -stiffness - vel * damping; }
};

struct Relaxation {
  SpringConstants neighbour, centre;
  float dt;
};

// One visit of the relaxation: pulls spring j towards its neighbours (read before it moves) and,
// unless the side is open or split, towards the node centre; then keeps it on the usable road.
// The pulls are those of a unit-mass spring; dividing by the spring's own mass then makes a
// booster's million-fold mass hold the line there. (With the mass inside the force as well it
// would cancel out and the booster would not pin anything.)
void relaxSpring(Map& map, int64_t j, const Relaxation& r) {
  const int64_t n = int64_t(map.racingLineSprings.size());
  auto& springs = map.racingLineSprings;
  RacingLineSpring& s = springs[size_t(j)];
  const Vec2f prev = springs[size_t(j == 0 ? n - 1 : j - 1)].pos;
  const Vec2f next = springs[size_t(j == n - 1 ? 0 : j + 1)].pos;
  if (s.fixed) return;
  const Node& node = map.path[size_t(j)];
  if ((node.flags & flagSplit) && length2(node.pos - s.pos) < 2.0f) s.vel -= (node.pos - s.pos) * 0.001f;
  // Dividing by a mass of exactly 1 changes nothing; skipping it shortens the chain of
  // dependent operations that runs through the whole line.
  auto pull = [&](Vec2f f) { return (s.mass == 1.0f ? f : f / s.mass) * r.dt; };
  s.vel += pull(r.neighbour.force(s.pos, prev, s.vel));
  s.vel += pull(r.neighbour.force(s.pos, next, s.vel));
  if (!(node.flags & (flagSplit | flagLeftOpen | flagRightOpen))) s.vel += pull(r.centre.force(s.pos, node.pos, s.vel));
  s.pos += s.vel * r.dt;
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
  if (n == 0 || int64_t(map.path.size()) != n) return;
  const float dt = float(loopState().timeStep);
  const Relaxation r{{1e-4f, 1e-5f, dt}, {2e-5f, 0.001f, dt}, dt};
  if (isLooping(map)) {
    // Every spring but the last is visited twice, the second time as i - n.
    for (int64_t i = 0; i <= 2 * (n - 1); ++i) relaxSpring(map, i < n ? i : i - n, r);
  } else {
    for (int64_t i = 1; i <= n - 2; ++i) relaxSpring(map, i, r);
  }
}

}  // namespace dx
