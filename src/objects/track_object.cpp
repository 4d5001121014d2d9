#include "objects/track_object.h"

#include <cmath>

#include "framework/canvas.h"
#include "framework/colors.h"
#include "framework/numeric.h"
#include "objects/shared_records.h"

namespace dx {

bool isA(ObjectKind kind, ObjectKind base) {
  return kind == base || (base == ObjectKind::projectile && kind == ObjectKind::sweptProjectile);
}

void TrackObject::update(float, RandomState&) {}
void TrackObject::draw() {}
void TrackObject::draw3d() {}
void TrackObject::drawShadow3d() {}
void TrackObject::drawEditor(float) {}

AABB TrackObject::getAABB() const { return AABB{{pos.x - radius, pos.y - radius}, {pos.x + radius, pos.y + radius}}; }

void Cursor::drawEditor(float scale) {
  setColor(sharedRecords().frame % 30 <= 14 ? 7 : 11);
  const Pint x = truncToInt32(std::floor(pos.x * scale)), y = truncToInt32(std::floor(pos.y * scale));
  const Pint r = truncToInt32(scale * 24.0f);
  circfill(x, y, r);
  setColor(color::lavender);
  circ(x, y, r);
}

namespace {

// The circle test every pair falls back to.
Collision circleCollision(TrackObject& a, TrackObject& b) {
  if (!intersects(a.getAABB(), b.getAABB())) return {};
  const float d = length(a.pos - b.pos), R = a.radius + b.radius;
  if (!(R > d)) return {};
  Collision c;
  c.hit = true;
  c.contactCount = 1;
  c.contacts[0] = (a.pos * b.radius + b.pos * a.radius) / R;
  c.separation = normalized(a.pos - b.pos) * (d - R);
  return c;
}

}  // namespace

CollisionAnswers& collisionAnswers() {
  static CollisionAnswers answers;
  return answers;
}

Collision checkCollision(TrackObject& a, TrackObject& b) {
  const ObjectKind ka = a.kind(), kb = b.kind();
  const CollisionAnswers& ans = collisionAnswers();
  if (ka == ObjectKind::sweptProjectile && kb == ObjectKind::car)
    return ans.sweptProjectileVsCar ? ans.sweptProjectileVsCar(a, b) : circleCollision(a, b);
  if (ka == ObjectKind::mine && kb == ObjectKind::car)
    return ans.mineVsCar ? ans.mineVsCar(a, b) : circleCollision(a, b);
  if (ka == ObjectKind::car && kb == ObjectKind::car) return ans.carVsCar ? ans.carVsCar(a, b) : circleCollision(a, b);
  if (ka == ObjectKind::car && isA(kb, ObjectKind::projectile)) return checkCollision(b, a);
  return circleCollision(a, b);
}

void hit(TrackObject& a, TrackObject& b, const Collision& c, RandomState& r) {
  const ObjectKind ka = a.kind(), kb = b.kind();
  const CollisionAnswers& ans = collisionAnswers();
  auto answer = [&](HitAnswer f) {
    if (f) f(a, b, c, r);
  };
  if (isA(ka, ObjectKind::projectile) && kb == ObjectKind::car) return answer(ans.projectileHitsCar);
  if (ka == ObjectKind::booster && kb == ObjectKind::car) return static_cast<Booster&>(a).hitBy(b);
  if (ka == ObjectKind::mine && kb == ObjectKind::car) return answer(ans.mineHitsCar);
  if (ka == ObjectKind::car && kb == ObjectKind::car) return answer(ans.carHitsCar);
  if (ka == ObjectKind::car && (isA(kb, ObjectKind::projectile) || kb == ObjectKind::mine)) return hit(b, a, c, r);
}

}  // namespace dx
