#include "car_collision.h"

#include <cmath>
#include <limits>

#include "framework/audio.h"
#include "framework/numeric.h"
#include "map/node_queries.h"

namespace dx {

namespace {

// rotatePoint with the angle's cosine c and sine s taken once for the whole triangle.
Triangle placeTriangle(Vec2f pos, float c, float s) {
  Triangle t;
  for (size_t i = 0; i < 3; ++i) {
    const Vec2f v = carVerts[i];
    t[i] = pos + Vec2f{v.x * c - v.y * s + 0.0f, v.y * c + v.x * s + 0.0f};
  }
  return t;
}

Triangle placeTriangle(Vec2f pos, float angle) { return placeTriangle(pos, std::cos(angle), std::sin(angle)); }

// The car's triangle in the world, where it stands.
Triangle getWorldPoly(const Car& car) { return placeTriangle(car.pos, car.angle); }

inline double dotD(Vec2f a, Vec2f b) { return double(a.x) * double(b.x) + double(a.y) * double(b.y); }

bool shielded(const Car& car) { return car.activePowerup == SHIELD; }

void emit(Car& car, RandomState& r, ParticleKind kind, Vec2f at, Vec2f vel, float ttl, bool force, float data1) {
  if (car.map) newParticle(car.map->ps, r, kind, at, vel, ttl, force, data1, float(car.currentNode));
}

// A boost puff whose colour is 8 or 0 with equal chance; the velocity is drawn first.
void emitPuff(Car& car, RandomState& r, Vec2f at, float spread) {
  const Vec2f vel = rndVec(r, spread);
  emit(car, r, particleBoost, at, vel, 0.5f, false, rnd(r, 2) == 0 ? 8.0f : 0.0f);
}

void emitSparks(Car& car, RandomState& r, Vec2f at, int count, float spread) {
  for (int i = 0; i < count; ++i) emit(car, r, particleSpark, at, rndVec(r, spread), 1.0f, true, 0.0f);
}

Collision carVsCar(TrackObject& oa, TrackObject& ob) {
  const Car &a = static_cast<Car&>(oa), &b = static_cast<Car&>(ob);
  if (a.z < 0.75f || b.z < 0.75f) return {};
  const Triangle ta = getWorldPoly(a), tb = getWorldPoly(b);
  if (!intersects(getAABB(ta), getAABB(tb))) return {};
  return polygonsIntersect(ta, tb);
}

// The rammer (nose inside the other car) loses throttle; the rammed one is merely touched.
void noteContact(Car& car, const Triangle& own, const Triangle& other) {
  if (shielded(car)) return;
  if (pointInPoly(own[1], other)) {
    car.accel *= 0.95f;
    car.colliding = 2;
  } else {
    car.colliding = 1;
  }
}

void carHitsCar(TrackObject& oa, TrackObject& ob, const Collision& c, RandomState& r) {
  Car &a = static_cast<Car&>(oa), &b = static_cast<Car&>(ob);
  if (a.ethereal || b.ethereal) return;
  const Vec2f push = c.separation + (b.vel * carTimeStep - a.vel * carTimeStep) * 2.0f;
  const Triangle ta = getWorldPoly(a), tb = getWorldPoly(b);
  noteContact(a, ta, tb);
  noteContact(b, tb, ta);
  a.pos += push * 0.5f;
  b.pos -= push * 0.5f;
  a.vel += push * 0.25f;
  b.vel -= push * 0.25f;
  for (int i = 0; i < 6; ++i)
    if (a.map)
      newParticle(a.map->ps, r, particleSpark, c.contacts[0], rndVec(r, 1), 1.0f, true, 0, float(a.currentNode));
  auto settle = [](Car& car, const Car& other) {
    if (shielded(car)) return;
    car.accel *= 0.999f;
    car.vel *= 0.99f;
    car.angle -= 0.2f * angleDiff(car.angle, other.angle);
  };
  settle(a, b);
  settle(b, a);
}

Collision mineVsCar(TrackObject& mine, TrackObject& ocar) {
  const Car& car = static_cast<Car&>(ocar);
  if (car.ethereal || !(static_cast<Mine&>(mine).ttl <= 59.5f) || !(length(car.pos - mine.pos) < 8)) return {};
  Collision c;
  c.hit = true;
  c.contacts[0] = mine.pos;
  return c;
}

Collision sweptProjectileVsCar(TrackObject& op, TrackObject& ocar) {
  const Projectile& p = static_cast<Projectile&>(op);
  const Car& car = static_cast<Car&>(ocar);
  if (car.ethereal || p.owner == &car) return {};
  const Line path{p.pos, p.pos + p.vel};
  const Triangle t = getWorldPoly(car);
  if (!intersects(getAABB(t), getAABB(path))) return {};
  for (size_t i = 0; i < 3; ++i) {
    const Intersection x = lineSegmentIntersection(path, Line{t[i], t[(i + 1) % 3]});
    if (!x.hit) continue;
    Collision c;
    c.hit = true;
    c.contacts[0] = x.point;
    return c;
  }
  return {};
}

// Where the race's first player's car is, for the loudness of a hit; none in the harness.
const Car* listener(const Car& car) {
  if (!car.race || car.race->players.empty() || !car.race->players[0]) return nullptr;
  return car.race->players[0]->car;
}

void hazardHitsCar(TrackObject& hazard, Car& car, const Collision& c, bool isMine, RandomState& r) {
  hazard.remove = true;
  if (!shielded(car)) {
    if (isMine) {
      car.vel *= 0.7f;
      car.accel *= 0.7f;
    } else {
      car.vel *= 0.5f;
      car.vel += static_cast<Projectile&>(hazard).vel * 0.5f;
      car.accel = 0;
    }
  }
  const Vec2f at = c.contacts[0];
  emit(car, r, particleExplosion, at, {0, 0}, 0.25f, true, 4.0f);
  for (int i = 0; i < 5; ++i) {
    emitSparks(car, r, at, 1, 1.0f);
    emitPuff(car, r, at, 4.0f);
  }
  // Without a race and a player there is nobody to hear it.
  if (const Car* ear = listener(car)) {
    const float d = length(ear->pos - hazard.pos);
    const bool near = !(d > 1.0f);
    sfx(-1, 17, 1, near ? 1.0f : std::min(1.0f, 32.0f / d), 1.0f, near ? 1.0f : 1.0f / d);
  }
}

void projectileHitsCar(TrackObject& p, TrackObject& car, const Collision& c, RandomState& r) {
  hazardHitsCar(p, static_cast<Car&>(car), c, false, r);
}

void mineHitsCar(TrackObject& m, TrackObject& car, const Collision& c, RandomState& r) {
  hazardHitsCar(m, static_cast<Car&>(car), c, true, r);
}

// Whether a wall of the node polygon takes part in the test.
bool wallTested(int wall, uint16_t flags, bool split) {
  if (!split) return (wall == 0 && !(flags & flagLeftOpen)) || (wall == 1 && !(flags & flagRightOpen));
  return wall < 2 || (flags & flagSplit);
}

}  // namespace

AABB Car::getAABB() const { return expandAABB(dx::getAABB(getWorldPoly(*this)), vel); }

Projection project(const Triangle& poly, Vec2f axis) {
  Projection p{dotD(poly[0], axis), dotD(poly[0], axis)};
  for (size_t i = 1; i < 3; ++i) {
    const double d = dotD(poly[i], axis);
    p.min = std::min(p.min, d);
    p.max = std::max(p.max, d);
  }
  return p;
}

bool overlap(Projection p, Projection q) { return !(p.min > q.max || p.max < q.min); }

EdgeFeature getFarthestFeature(const Triangle& P, Vec2f n) {
  size_t i = 0;
  for (size_t k = 1; k < 3; ++k)
    if (dot(n, P[k]) > dot(n, P[i])) i = k;
  const Vec2f v = P[i], next = P[(i + 1) % 3], prev = P[(i + 2) % 3];
  const Vec2f l = normal(v - next), r = normal(prev - v);
  EdgeFeature f;
  if (dot(r, n) < dot(l, n))
    f.a = prev, f.b = v;
  else
    f.a = v, f.b = next;
  f.edge = f.b - f.a;
  f.max = v;
  return f;
}

ClipResult clipPoints(Vec2f p1, Vec2f p2, Vec2f n, float o) {
  const double d1 = dotD(n, p1) - double(o), d2 = dotD(n, p2) - double(o);
  ClipResult r;
  if (d1 >= 0) r.points[r.count++] = p1;
  if (d2 >= 0) r.points[r.count++] = p2;
  if (d1 * d2 < 0) r.points[r.count++] = p1 + (p2 - p1) * (d1 / (d1 - d2));
  return r;
}

namespace {

struct ContactManifold {
  int64_t count = 0;
  std::array<Vec2f, 2> points{};
};

ContactManifold getContactManifold(Vec2f n, const Triangle& A, const Triangle& B) {
  const EdgeFeature e1 = getFarthestFeature(A, -n), e2 = getFarthestFeature(B, n);
  const bool flip = !(std::fabs(dot(e1.edge, n)) <= std::fabs(dot(e2.edge, n)));
  const EdgeFeature& ref = flip ? e2 : e1;
  const EdgeFeature& inc = flip ? e1 : e2;
  const Vec2f u = normalized(ref.edge);
  ClipResult cp = clipPoints(inc.a, inc.b, u, dot(u, ref.a));
  if (cp.count < 2) return {};
  cp = clipPoints(cp.points[0], cp.points[1], -u, -dot(u, ref.b));
  if (cp.count < 2) return {};
  const Vec2f rn = flip ? -perpendicular(ref.edge) : perpendicular(ref.edge);
  const float limit = dot(rn, ref.max);
  ContactManifold m;
  if (dot(rn, cp.points[0]) - limit < 0) {
    m.count = 1;
    m.points[0] = cp.points[1];
  } else if (dot(rn, cp.points[1]) - limit < 0) {
    m.count = 1;
    m.points[0] = cp.points[0];
  } else {
    m.count = 2;
    m.points = {cp.points[0], cp.points[1]};
  }
  return m;
}

}  // namespace

Collision polygonsIntersect(const Triangle& A, const Triangle& B) {
  if (!intersects(getAABB(A), getAABB(B))) return {};
  std::array<Vec2f, 6> axes;
  size_t count = 0;
  for (const Triangle* t : {&A, &B})
    for (size_t i = 0; i < 3; ++i) {
      const Vec2f axis = normal((*t)[(i + 1) % 3] - (*t)[i]);
      if (std::find(axes.begin(), axes.begin() + long(count), axis) == axes.begin() + long(count)) axes[count++] = axis;
    }
  double best = std::numeric_limits<double>::infinity();
  Vec2f bestAxis;
  for (size_t k = 0; k < count; ++k) {
    const Projection pa = project(A, axes[k]), pb = project(B, axes[k]);
    if (pb.max < pa.min || pa.max < pb.min) return {};
    const double o = pb.max - pa.min;
    if (o < best) best = o, bestAxis = axes[k];
  }
  const ContactManifold m = getContactManifold(bestAxis, A, B);
  Collision c;
  c.hit = true;
  c.contactCount = m.count;
  c.contacts = m.points;
  c.separation = bestAxis * best;
  return c;
}

namespace {

// The wall test with the box of the sweep, which is the same for every node of a move.
EdgeHit edgeHit(const Triangle& from, const Triangle& to, const AABB& sweep, const std::array<Vec2f, 4>& q,
                uint16_t flags, Vec2f move, bool split) {
  EdgeHit best;
  if (flags & flagNoWalls) return best;
  const std::array<Line, 4> walls = {{{q[0], q[1]}, {q[2], q[3]}, {q[3], q[0]}, {q[1], q[2]}}};
  float bestTime = std::numeric_limits<float>::infinity();
  for (int w = 0; w < 4; ++w) {
    if (!wallTested(w, flags, split) || !intersects(getAABB(walls[w]), sweep)) continue;
    const Vec2f a = walls[w].start, b = walls[w].end;
    const Vec2f d = normalized(b - a), p = perpendicular(d);
    for (int j = 0; j < 3; ++j) {
      const Vec2f m = to[j] - from[j];
      if (dot(p, m) > 0) continue;  // moving away from the wall's front
      const float t = rayCastLineSegment(a, b, from[j], m);
      if (!(t >= 0 && t < bestTime)) continue;
      bestTime = t;
      const Vec2f r = reflect(move, d);
      best.hit = true;
      best.normal = p;
      best.time = t;
      best.vertex = j;
      best.along = project(r, d);
      best.across = project(r, p);
      best.response = best.across * 0.4f + best.along * 0.9f;
    }
  }
  return best;
}

}  // namespace

EdgeHit checkNodeEdgeCollisions(const Triangle& from, const Triangle& to, const std::array<Vec2f, 4>& q, uint16_t flags,
                                Vec2f move, bool split) {
  return edgeHit(from, to, unionAABB(getAABB(from), getAABB(to)), q, flags, move, split);
}

void tryMove(Car& car, float dt, int depth, RandomState& r) { tryMove(car, dt, depth, r, headingOf(car)); }

void tryMove(Car& car, float dt, int depth, RandomState& r, Vec2f heading) {
  const Map& map = *car.map;
  const Vec2f newPos = car.pos + car.vel * dt;
  const float newAngle = car.angularVelocity * dt + car.angle;
  const Vec2f turn = polarVec2f(newAngle, 1);
  const Triangle from = placeTriangle(car.pos, heading.x, heading.y), to = placeTriangle(newPos, turn.x, turn.y);
  const AABB sweep = unionAABB(getAABB(from), getAABB(to));
  const int64_t n = int64_t(map.path.size());
  EdgeHit h;
  auto consider = [&](const EdgeHit& e) {
    if (e.hit && (!h.hit || e.time < h.time)) h = e;
  };
  for (int64_t i = car.currentNode - 1; i <= car.currentNode + 1; ++i) {
    if (map.laps < 1 && (i < 1 || i >= n - 1)) continue;
    const uint16_t flags = nodeAt(map, i).flags;
    consider(edgeHit(from, to, sweep, getNodePoly(map, i), flags, car.vel * dt, false));
    if (flags & flagSplit) consider(edgeHit(from, to, sweep, getNodePolySplit(map, i), flags, car.vel * dt, true));
  }
  if (!h.hit) {
    car.pos += car.vel * dt;
    car.angle += car.angularVelocity * dt;  // the same sum as newAngle
    car.heading = turn;
    car.headingAngle = car.angle;
    return;
  }
  if (car.firstCrashNode == 0) car.firstCrashNode = car.currentNode;
  const double k = std::clamp(double(h.time) - 0.1, 0.0, 1.0);
  const Vec2f contact = lerp(car.pos, newPos, float(k));
  car.accel *= h.vertex == 1 ? 0.9f : 0.99f;
  emitSparks(car, r, contact, 3, 2.0f);
  car.pos = contact + h.normal * 0.1f;
  car.vel = h.response / dt;
  car.angle += h.time * dt * car.angularVelocity;
  if (depth <= 4) tryMove(car, (1.0f - h.time) * dt, depth + 1, r, headingOf(car));
}

void registerCarCollisions() {
  CollisionAnswers& a = collisionAnswers();
  a.carVsCar = carVsCar;
  a.carHitsCar = carHitsCar;
  a.mineVsCar = mineVsCar;
  a.mineHitsCar = mineHitsCar;
  a.sweptProjectileVsCar = sweptProjectileVsCar;
  a.projectileHitsCar = projectileHitsCar;
}

}  // namespace dx
