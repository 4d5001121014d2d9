#include "geom/curves.h"

namespace dx {

Vec2f bezierCubic(Vec2f p0, Vec2f p1, Vec2f p2, Vec2f p3, float t) {
  const float u = 1.0f - t;
  return p0 * (u * u * u) + p1 * (3.0f * t * u * u) + p2 * (3.0f * t * t * u) + p3 * (t * t * t);
}

float bezierCubicLength(Vec2f p0, Vec2f p1, Vec2f p2, Vec2f p3, int64_t steps) {
  double sum = 0.0;
  Vec2f prev;
  for (int64_t i = 0; i < steps; ++i) {
    const Vec2f p = bezierCubic(p0, p1, p2, p3, float(i) / float(steps));
    if (i > 0) {
      const double dx = double(p.x) - double(prev.x), dy = double(p.y) - double(prev.y);
      sum += std::sqrt(dx * dx + dy * dy);
    }
    prev = p;
  }
  return float(sum);
}

Vec2f spring(Vec2f pos, Vec2f anchor, Vec2f vel, float k, float d, float mass, float dt) {
  const float stiffness = k * mass / (dt * dt);
  const float damping = d * mass / dt;
  return (pos - anchor) * -stiffness - vel * damping;
}

}  // namespace dx
