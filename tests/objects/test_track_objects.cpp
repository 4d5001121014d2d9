#include <gtest/gtest.h>

#include "framework/random.h"
#include "objects/particles.h"
#include "objects/reset_objects.h"
#include "objects/shared_records.h"
#include "objects/track_object.h"
#include "render3d/render_state.h"
#include "test_support.h"

namespace dx {
namespace {

// A stand-in for the car kind: the dispatch only looks at the kind.
struct FakeCar : TrackObject {
  ObjectKind kind() const override { return ObjectKind::car; }
  bool player = false;
  bool hasPlayer() const override { return player; }
};

// Records which answer of the dispatch ran, with its arguments.
struct Calls {
  std::vector<std::string> log;
  const TrackObject* first = nullptr;
  const TrackObject* second = nullptr;
  Collision seen;
} gCalls;

Collision answer(const char* name, TrackObject& a, TrackObject& b) {
  gCalls.log.push_back(name);
  gCalls.first = &a;
  gCalls.second = &b;
  Collision c;
  c.hit = true;
  c.separation = {1, 2};
  return c;
}

void hitAnswer(const char* name, TrackObject& a, TrackObject& b, const Collision& c) {
  gCalls.log.push_back(name);
  gCalls.first = &a;
  gCalls.second = &b;
  gCalls.seen = c;
}

class Dispatch : public testing::Test {
 protected:
  void SetUp() override {
    gCalls = Calls{};
    CollisionAnswers& a = collisionAnswers();
    a.sweptProjectileVsCar = [](TrackObject& x, TrackObject& y) { return answer("swept", x, y); };
    a.mineVsCar = [](TrackObject& x, TrackObject& y) { return answer("mine", x, y); };
    a.carVsCar = [](TrackObject& x, TrackObject& y) { return answer("carcar", x, y); };
    a.projectileHitsCar = [](TrackObject& x, TrackObject& y, const Collision& c, RandomState&) {
      hitAnswer("projectileHit", x, y, c);
    };
    a.mineHitsCar = [](TrackObject& x, TrackObject& y, const Collision& c, RandomState&) {
      hitAnswer("mineHit", x, y, c);
    };
    a.carHitsCar = [](TrackObject& x, TrackObject& y, const Collision& c, RandomState&) {
      hitAnswer("carHit", x, y, c);
    };
  }
  void TearDown() override { resetObjectModules(); }

  FakeCar car, otherCar;
  Projectile projectile;
  SweptProjectile swept;
  Mine mine;
  Booster booster;
  Powerup powerup;
};

TEST_F(Dispatch, CheckCollisionRows) {
  checkCollision(swept, car);
  checkCollision(mine, car);
  checkCollision(car, otherCar);
  EXPECT_EQ(gCalls.log, (std::vector<std::string>{"swept", "mine", "carcar"}));
  // A plain projectile has no test of its own: the circle test answers (nothing overlaps here).
  gCalls.log.clear();
  car.pos = {100, 0};
  EXPECT_FALSE(checkCollision(projectile, car).hit);
  EXPECT_FALSE(checkCollision(booster, car).hit);
  EXPECT_FALSE(checkCollision(car, mine).hit);  // a car listed before a mine gets the circle test
  EXPECT_TRUE(gCalls.log.empty());
}

TEST_F(Dispatch, CarBeforeAProjectileSwapsTheArguments) {
  const Collision c = checkCollision(car, swept);
  EXPECT_EQ(gCalls.log, std::vector<std::string>{"swept"});
  EXPECT_EQ(gCalls.first, &swept);
  EXPECT_EQ(gCalls.second, &car);
  EXPECT_TRUE(c.hit);
  gCalls.log.clear();
  hit(car, swept, c);
  EXPECT_EQ(gCalls.log, std::vector<std::string>{"projectileHit"});
  EXPECT_EQ(gCalls.first, &swept);
  EXPECT_EQ(gCalls.seen.separation, (Vec2f{1, 2}));  // the same collision handed on
}

TEST_F(Dispatch, HitRows) {
  const Collision c;
  hit(projectile, car, c);
  hit(swept, car, c);
  hit(mine, car, c);
  hit(car, otherCar, c);
  hit(car, mine, c);
  EXPECT_EQ(gCalls.log, (std::vector<std::string>{"projectileHit", "projectileHit", "mineHit", "carHit", "mineHit"}));
  EXPECT_EQ(gCalls.first, &mine);  // the car before a mine hands the hit to the mine
  gCalls.log.clear();
  hit(car, projectile, c);
  hit(powerup, car, c);
  hit(projectile, otherCar, c);
  hit(mine, booster, c);
  EXPECT_EQ(gCalls.log, (std::vector<std::string>{"projectileHit", "projectileHit"}));
}

TEST_F(Dispatch, KindsAndDerivedKinds) {
  EXPECT_TRUE(isA(ObjectKind::sweptProjectile, ObjectKind::projectile));
  EXPECT_FALSE(isA(ObjectKind::projectile, ObjectKind::sweptProjectile));
  EXPECT_FALSE(isA(ObjectKind::mine, ObjectKind::projectile));
  EXPECT_TRUE(isA(ObjectKind::booster, ObjectKind::booster));
}

TEST(CircleTest, TouchingCirclesDoNotCollide) {
  TrackObject a, b;
  a.radius = b.radius = 2;
  a.pos = {0, 0};
  b.pos = {4, 0};
  const Collision c = checkCollision(a, b);
  EXPECT_FALSE(c.hit);
  EXPECT_EQ(c.contactCount, 0);
  EXPECT_EQ(c.contacts[0], (Vec2f{0, 0}));
  EXPECT_EQ(c.separation, (Vec2f{0, 0}));
}

TEST(CircleTest, ContactBetweenCentresAndSeparationFromAToB) {
  TrackObject a, b;
  a.radius = 3;
  b.radius = 1;
  a.pos = {0, 0};
  b.pos = {2, 0};
  const Collision c = checkCollision(a, b);
  ASSERT_TRUE(c.hit);
  EXPECT_EQ(c.contactCount, 1);
  EXPECT_EQ(c.contacts[0], (Vec2f{1.5f, 0}));  // (a.pos * 1 + b.pos * 3) / 4
  EXPECT_EQ(c.separation, (Vec2f{2, 0}));      // normalized(a - b) * (2 - 4): towards b, overlap long
  EXPECT_EQ(c.contacts[1], (Vec2f{0, 0}));
}

TEST(BaseObject, BoxIsTheRadiusAroundThePosition) {
  TrackObject o;
  o.pos = {5, -1};
  o.radius = 2;
  EXPECT_EQ(o.getAABB(), (AABB{{3, -3}, {7, 1}}));
}

TEST(BoosterHit, OnlyACarWithAPlayerMakesASound) {
  Booster b;
  FakeCar car;
  const test::LogCapture capture;
  b.hitBy(car);  // no player: nothing at all
  car.player = true;
  b.hitBy(car);  // the sound call returns at once without a library
  EXPECT_FALSE(b.remove);
}

TEST(Particles, LiveWhileTtlStaysAtOrAboveZero) {
  ParticleSystem ps;
  newParticleSystem(4, ps);
  const float dt = 1.0f / 60;
  Particle* p = newParticle(ps, particleSmoke, {0, 0}, {60, 0}, 0.5f, false, 0, 3);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->maxttl, 0.5f);
  int steps = 0;
  float ttl = 0.5f;
  while (ps.inUse == 1) {
    updateParticles(ps, dt, randomState());
    ttl -= dt;
    ++steps;
  }
  int want = 0;
  for (float t = 0.5f; t >= 0; t -= dt) ++want;  // alive while the subtraction leaves it >= 0
  EXPECT_EQ(steps, want);
  EXPECT_EQ(ps.firstAvailable, p);
}

TEST(Particles, DampedMovementAndUndampedWeather) {
  ParticleSystem ps, env;
  newParticleSystem(2, ps);
  newParticleSystem(2, env);
  Particle* p = newParticle(ps, particleSpark, {0, 0}, {60, 0}, 1, false, 0, 0);
  Particle* w = newParticle(env, particleRain, {0, 0}, {1, 2}, 1, false, 0, 0);
  updateParticles(ps, 1.0f / 60, randomState());
  updateWeather(env, 1.0f / 60, randomState());
  EXPECT_EQ(p->pos, (Vec2f{1, 0}));
  EXPECT_FLOAT_EQ(p->vel.x, 60 * 0.97f);
  EXPECT_EQ(w->pos, (Vec2f{1, 2}));  // moved by its velocity per step
  EXPECT_EQ(w->vel, (Vec2f{1, 2}));
}

TEST(Particles, FullPoolDropsOrOverwrites) {
  ParticleSystem ps;
  newParticleSystem(3, ps);
  for (int i = 0; i < 3; ++i) ASSERT_NE(newParticle(ps, particleDust, {0, 0}, {0, 0}, 1, false, 0, 0), nullptr);
  EXPECT_EQ(newParticle(ps, particleDust, {9, 9}, {0, 0}, 1, false, 0, 0), nullptr);
  seedRandom(4);
  Particle* forced = newParticle(ps, particleSpark, {9, 9}, {0, 0}, 2, true, 0, 0);
  ASSERT_NE(forced, nullptr);
  EXPECT_EQ(forced->pos, (Vec2f{9, 9}));
  EXPECT_EQ(ps.inUse, 3);
}

TEST(Particles, LayerWindowOfSevenNodes) {
  ParticleSystem ps;
  newParticleSystem(4, ps);
  newParticle(ps, particleSmoke, {0, 0}, {0, 0}, 1, false, 0, 20);
  for (int64_t node = 11; node <= 29; ++node) {
    resetObjectModules();
    test::freshCanvas(64, 64);
    setPerspective(50, 1, 100);
    setCamera3D({0, -20, 20}, {0, 0, 0}, {0, 0, 1});
    drawParticles(ps, node, 1.0 / 60);
    EXPECT_EQ(!test::changedPixels().empty(), node >= 13 && node <= 27) << "layer of node " << node;
  }
}

}  // namespace
}  // namespace dx
