#pragma once
// Short-lived points kept in fixed pools: `ps` for effects that move with the race (sparks,
// smoke, dust, boost puffs, explosions) and `envPS` for the weather (rain, snow, fog).
#include <cstdint>

#include "geom/vec.h"
#include "objects/enums.h"
#include "objects/pool.h"

namespace dx {

struct Particle {
  uint32_t kind = particleSpark;  // a ParticleKind, in a 4-byte slot
  Vec2f pos;
  Vec2f vel;  // ps: map units per second; envPS: map units per step
  float ttl = 0;  // alive while above 0; beyond the free-list link, so valid in free slots too
  float maxttl = 0;
  float data1 = 0;  // colour of a boost puff, size of an explosion
  float data2 = 0;  // ps: the track node whose layer draws the particle
};

using ParticleSystem = Pool<Particle>;

void newParticleSystem(int64_t count, ParticleSystem& pool);
Particle* newParticle(ParticleSystem& pool, ParticleKind kind, Vec2f pos, Vec2f vel, float ttl, bool force,
                      float data1, float data2);

// The race effects: moved by vel × dt and damped.
void updateParticles(ParticleSystem& ps, float dt);
// The weather: moved by vel every step, undamped.
void updateWeather(ParticleSystem& envPS, float dt);

// The race effects of the layer of one track node (those within 7 nodes of it).
void drawParticles(const ParticleSystem& ps, int64_t node);
void drawWeather(const ParticleSystem& envPS);

}  // namespace dx
