#include "objects/particles.h"

#include <cmath>

#include "framework/canvas.h"
#include "framework/colors.h"
#include "framework/numeric.h"
#include "framework/random.h"
#include "geom/geometry.h"
#include "render3d/rasterizer.h"

namespace dx {

namespace {

template <class Move>
void advance(ParticleSystem& pool, float dt, RandomState& r, Move move) {
  for (int64_t i = 0; i < pool.size; ++i) {
    Particle& p = pool.items[i];
    if (!(p.ttl > 0)) continue;
    move(p);
    if (p.kind == particleSnow) p.vel += rndVec(r, 0.2f);
    p.ttl -= dt;
    if (p.ttl < 0) free(pool, &p);
  }
}

void disc(Vec2f pos, float z, int64_t colour, float radius) {
  setColor(colour);
  circfill3d(vec3f(pos, z), radius);
}

void drawSpark(const Particle& p, double timeStep) {
  if (p.ttl > 0.95f * p.maxttl)
    setColor(color::white);
  else if (p.ttl > 0.75f * p.maxttl)
    setColor(color::yellow);
  else if (p.ttl > 0.5f * p.maxttl)
    setColor(color::orange);
  else if (p.ttl < 0.25f * p.maxttl)
    setColor(color::red);
  if (p.ttl > 0.95f * p.maxttl) {
    circfill3d(vec3f(p.pos, 2), 0.25f);
  } else {
    const Vec2f tail = p.pos - p.vel * timeStep;
    line3d(vec3f(p.pos, 2), vec3f(tail, 2));
  }
}

void drawExplosion(const Particle& p) {
  const double k = double(p.data1) * 0.125;
  const double f = std::pow(8.0, double(p.ttl) / double(p.maxttl)) - 1.0;
  disc(p.pos, 2, 8, float(f * k));
  disc(p.pos, 2, 9, float(f * k * 0.5));
  disc(p.pos, 2, 7, float(f * k * 0.25));
}

void drawFog(const Particle& p) {
  setSpritesheet(0);
  const int64_t n = (p.ttl > 1.8f || p.ttl < 0.2f) ? 118 : (p.ttl > 1.5f || p.ttl < 0.5f) ? 86 : 54;
  const int64_t x = roundTo(int64_t(truncToInt32(p.pos.x)) - 8, 2);
  const int64_t y = roundTo(int64_t(truncToInt32(p.pos.y)) - 8, 2);
  spr(n, truncToInt32(double(x)), truncToInt32(double(y)), 2, 2);
}

}  // namespace

void newParticleSystem(int64_t count, ParticleSystem& pool) {
  initPool(count, pool);
  for (int64_t i = 0; i < pool.size; ++i) pool.items[i].ttl = 0;
}

Particle* newParticle(ParticleSystem& pool, RandomState& r, ParticleKind kind, Vec2f pos, Vec2f vel, float ttl,
                      bool force, float data1, float data2) {
  Particle p;
  p.kind = kind;
  p.pos = pos;
  p.vel = vel;
  p.ttl = ttl;
  p.maxttl = ttl;
  p.data1 = data1;
  p.data2 = data2;
  return add(pool, p, force, r);
}

void updateParticles(ParticleSystem& ps, float dt, RandomState& r) {
  advance(ps, dt, r, [dt](Particle& p) {
    p.pos += p.vel * dt;
    p.vel *= 0.97f;
  });
}

void updateWeather(ParticleSystem& envPS, float dt, RandomState& r) {
  advance(envPS, dt, r, [](Particle& p) { p.pos += p.vel; });
}

void drawParticles(const ParticleSystem& ps, int64_t node, double timeStep) {
  for (int64_t i = 0; i < ps.size; ++i) {
    const Particle& p = ps.items[i];
    if (!(p.ttl > 0)) continue;
    const int64_t d = truncToInt64(p.data2) - node;
    if (d < -7 || d > 7) continue;
    switch (p.kind) {
      case particleSpark: drawSpark(p, timeStep); break;
      case particleSmoke: disc(p.pos, 2, 6, 1); break;
      case particleDust: disc(p.pos, 2, 5, float(1 + rnd(drawRandom(), 2))); break;
      case particleBoost:
        disc(p.pos, 2, truncToInt64(p.data1), float((std::pow(8.0, double(p.ttl)) - 1.0) * 2.0 * 0.1));
        break;
      case particleSnow: disc(p.pos, 2, 7, p.ttl > 0.9f ? 0.1f : 1.0f); break;
      case particleExplosion: drawExplosion(p); break;
      default: break;
    }
  }
}

void drawWeather(const ParticleSystem& envPS, double timeStep) {
  for (int64_t i = 0; i < envPS.size; ++i) {
    const Particle& p = envPS.items[i];
    if (!(p.ttl > 0)) continue;
    if (p.kind == particleRain) {
      setColor(color::lightGrey);
      if (timeStep >= double(p.ttl))
        circ(truncToInt32(p.pos.x), truncToInt32(p.pos.y), 1);  // the splash, flat on the screen
      else
        circfill3d(vec3f(p.pos, 5), 0.5f);
    } else if (p.kind == particleSnow) {
      disc(p.pos, 5, 7, p.ttl > 0.9f ? 0.5f : 1.0f);
    } else if (p.kind == particleFog) {
      drawFog(p);
    }
  }
}

}  // namespace dx
