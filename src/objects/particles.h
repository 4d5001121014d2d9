#pragma once
// Short-lived points kept in fixed pools: `ps` for effects that move with the race (sparks,
// smoke, dust, boost puffs, explosions) and `envPS` for the weather (rain, snow, fog).
#include <cstdint>

#include "framework/random.h"
#include "geom/vec.h"
#include "objects/enums.h"
#include "objects/pool.h"

namespace dx {

struct Particle {
  uint32_t kind = particleSpark;  // a ParticleKind, in a 4-byte slot
  Vec2f pos;
  Vec2f vel;      // ps: map units per second; envPS: map units per step
  float ttl = 0;  // alive while above 0; beyond the free-list link, so valid in free slots too
  float maxttl = 0;
  float data1 = 0;  // colour of a boost puff, size of an explosion
  float data2 = 0;  // ps: the track node whose layer draws the particle
};

using ParticleSystem = Pool<Particle>;

void newParticleSystem(int64_t count, ParticleSystem& pool);
// A forced add to a full pool overwrites a slot drawn from r.
Particle* newParticle(ParticleSystem& pool, RandomState& r, ParticleKind kind, Vec2f pos, Vec2f vel, float ttl,
                      bool force, float data1, float data2);
inline Particle* newParticle(ParticleSystem& pool, ParticleKind kind, Vec2f pos, Vec2f vel, float ttl, bool force,
                             float data1, float data2) {
  return newParticle(pool, randomState(), kind, pos, vel, ttl, force, data1, data2);
}

// The race effects: moved by vel × dt and damped; snow drifts by draws from r.
void updateParticles(ParticleSystem& ps, float dt, RandomState& r);
// The weather: moved by vel every step, undamped.
void updateWeather(ParticleSystem& envPS, float dt, RandomState& r);

// The race effects of the layer of one track node (those within 7 nodes of it). A spark's tail
// is the way it moves in one simulation step of timeStep seconds.
void drawParticles(const ParticleSystem& ps, int64_t node, double timeStep);
// Rain splashes on its last step of timeStep seconds.
void drawWeather(const ParticleSystem& envPS, double timeStep);

}  // namespace dx
