#include "map/racing_line.h"

#include <bit>
#include <cstdint>

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

uint64_t bits(Vec2f v) { return std::bit_cast<uint64_t>(v); }

// Bit for bit, the whole state of a spring.
bool sameSpring(const RacingLineSpring& a, const RacingLineSpring& b) {
  return bits(a.pos) == bits(b.pos) && bits(a.vel) == bits(b.vel) && bits(a.anchor) == bits(b.anchor) &&
         std::bit_cast<uint32_t>(a.mass) == std::bit_cast<uint32_t>(b.mass) && a.fixed == b.fixed;
}

bool sameSprings(const std::vector<RacingLineSpring>& a, const std::vector<RacingLineSpring>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (!sameSpring(a[i], b[i])) return false;
  return true;
}

// One visit of the relaxation: pulls spring j towards its neighbours (read before it moves) and,
// unless the side is open or split, towards the node centre; then keeps it on the usable road.
// The pulls are those of a unit-mass spring; dividing by the spring's own mass then makes a
// booster's million-fold mass hold the line there. (With the mass inside the force as well it
// would cancel out and the booster would not pin anything.)
// Returns whether the visit changed the spring.
bool relaxSpring(Map& map, int64_t j, const Relaxation& r) {
  const int64_t n = int64_t(map.racingLineSprings.size());
  auto& springs = map.racingLineSprings;
  RacingLineSpring& s = springs[size_t(j)];
  const Vec2f prev = springs[size_t(j == 0 ? n - 1 : j - 1)].pos;
  const Vec2f next = springs[size_t(j == n - 1 ? 0 : j + 1)].pos;
  if (s.fixed) return false;
  const uint64_t pos0 = bits(s.pos), vel0 = bits(s.vel);
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
  return bits(s.pos) != pos0 || bits(s.vel) != vel0;
}

// One step computed in full; returns whether any visit changed a spring.
bool relax(Map& map, float dt) {
  const int64_t n = int64_t(map.racingLineSprings.size());
  const Relaxation r{{1e-4f, 1e-5f, dt}, {2e-5f, 0.001f, dt}, dt};
  bool moved = false;
  if (isLooping(map)) {
    // Every spring but the last is visited twice, the second time as i - n.
    for (int64_t i = 0; i <= 2 * (n - 1); ++i) moved |= relaxSpring(map, i < n ? i : i - n, r);
  } else {
    for (int64_t i = 1; i <= n - 2; ++i) moved |= relaxSpring(map, i, r);
  }
  return moved;
}

// Longer cycles are relaxed on: storing them would cost more than it saves.
constexpr int64_t kLongestReplay = 64;

// The states of a cycle of `period` steps that starts at the current springs, which step back
// to themselves after `period` steps; the springs are left as they were.
std::vector<std::vector<RacingLineSpring>> recordCycle(Map& map, float dt, int64_t period) {
  std::vector<std::vector<RacingLineSpring>> cycle{map.racingLineSprings};
  for (int64_t k = 1; k < period; ++k) {
    relax(map, dt);
    cycle.push_back(map.racingLineSprings);
  }
  relax(map, dt);
  const bool closed = sameSprings(map.racingLineSprings, cycle[0]);
  map.racingLineSprings = cycle[0];
  if (!closed) cycle.clear();
  return cycle;
}

// After a computed step: a fixed point, or (Brent's search) a return to the kept state.
void lookForRepeat(Map& map, float dt, bool moved) {
  RacingLineRest& rest = map.racingLineRest;
  if (!moved) {
    rest.cycle = {map.racingLineSprings};
    rest.next = 0;
    return;
  }
  rest.sinceMark += 1;
  if (!rest.mark.empty() && rest.sinceMark <= kLongestReplay && sameSprings(map.racingLineSprings, rest.mark)) {
    rest.cycle = recordCycle(map, dt, rest.sinceMark);
    rest.next = rest.cycle.size() > 1 ? 1 : 0;
    if (!rest.cycle.empty()) return;
  }
  if (rest.sinceMark >= rest.window || rest.mark.empty()) {
    rest.mark = map.racingLineSprings;
    rest.sinceMark = 0;
    rest.window = std::min(rest.window * 2, kLongestReplay);
  }
}

// Replays the next stored state when the springs are still where the last step left them.
bool replay(Map& map, float dt) {
  RacingLineRest& rest = map.racingLineRest;
  if (rest.cycle.empty() || rest.dt != dt) return false;
  const size_t p = rest.cycle.size();
  if (!sameSprings(map.racingLineSprings, rest.cycle[(rest.next + p - 1) % p])) return false;
  if (p > 1) map.racingLineSprings = rest.cycle[rest.next];
  rest.next = (rest.next + 1) % p;
  return true;
}

}  // namespace

void generateRacingLine(Map& map) {
  const size_t n = map.path.size();
  map.racingLineSprings.assign(n, RacingLineSpring{});
  for (size_t i = 0; i < n; ++i) {
    Vec2f pos = map.path[i].pos;
    float mass = 1.0f;
    for (const TrackObjectPtr& o : map.trackObjects)
      if (isA(o->kind(), ObjectKind::booster) && o->currentNode == int64_t(i)) {
        pos = o->pos;
        mass = kPinnedMass;
        break;
      }
    map.racingLineSprings[i] = RacingLineSpring{pos, pos, {0, 0}, mass, false};
  }
  map.racingLineRest = RacingLineRest{};
  for (int k = 0; k < 1000; ++k) iterateRacingLine(map);
  map.racingLine.resize(n);
  for (size_t i = 0; i < n; ++i) map.racingLine[i] = map.racingLineSprings[i].pos;
}

void iterateRacingLine(Map& map, float dt) {
  const int64_t n = int64_t(map.racingLineSprings.size());
  if (n == 0 || int64_t(map.path.size()) != n) return;
  if (replay(map, dt)) return;
  RacingLineRest& rest = map.racingLineRest;
  if (!rest.cycle.empty() || rest.dt != dt) {
    // Moved from outside, or another step length: the relaxation starts again.
    rest = RacingLineRest{};
    rest.dt = dt;
  }
  lookForRepeat(map, dt, relax(map, dt));
}

}  // namespace dx
