#pragma once
// Everything that lives on the track is a TrackObject: one list per map, updated every step,
// tested pairwise for collisions and dropped when it asks to be removed.
#include <array>
#include <cstdint>
#include <memory>

#include "framework/random.h"
#include "geom/geometry.h"
#include "objects/enums.h"

namespace dx {

struct Map;
class RaceState;
class Car;

// The exact kind of an object, for the two-object dispatch.
enum class ObjectKind : uint8_t { base, car, booster, powerup, cursor, projectile, sweptProjectile, mine };

// True when `kind` is `base` or a kind derived from it.
bool isA(ObjectKind kind, ObjectKind base);

struct Collision {
  bool hit = false;
  int64_t contactCount = 0;
  std::array<Vec2f, 2> contacts{};
  Vec2f separation;
};

class TrackObject {
 public:
  virtual ~TrackObject() = default;

  virtual ObjectKind kind() const { return ObjectKind::base; }
  // One simulation step of dt seconds; whatever it draws at random comes from r.
  virtual void update(float dt, RandomState& r);
  // The step with the simulation's generator.
  void update(float dt) { update(dt, randomState()); }
  virtual void draw();
  virtual void draw3d();
  virtual void drawShadow3d();
  virtual void drawEditor(float scale);
  virtual AABB getAABB() const;
  // Whether a person drives this object (only cars can have a player).
  virtual bool hasPlayer() const { return false; }

  Map* map = nullptr;  // not owned: the map owns its objects
  int64_t currentNode = 0;
  float nodeAlpha = 0;
  float nodeLat = 0;
  Vec2f pos;
  float radius = 0;
  bool ethereal = false;
  float z = 0;
  float zv = 0;
  bool remove = false;
};

using TrackObjectPtr = std::shared_ptr<TrackObject>;

class Booster : public TrackObject {
 public:
  ObjectKind kind() const override { return ObjectKind::booster; }
  void draw() override;
  void drawEditor(float scale) override;
  // A car with a player touching the booster hears it; nothing else happens.
  void hitBy(TrackObject& car);
  float angle = 0;
};

class Powerup : public TrackObject {
 public:
  ObjectKind kind() const override { return ObjectKind::powerup; }
  float angle = 0;
  float timeout = 0;
};

class Cursor : public TrackObject {
 public:
  ObjectKind kind() const override { return ObjectKind::cursor; }
  void drawEditor(float scale) override;
};

class Projectile : public TrackObject {
 public:
  ObjectKind kind() const override { return ObjectKind::projectile; }
  RaceState* race = nullptr;
  Car* owner = nullptr;
  float angle = 0;
  Vec2f vel;
  float ttl = 0;
};

class SweptProjectile : public Projectile {
 public:
  ObjectKind kind() const override { return ObjectKind::sweptProjectile; }
};

class Mine : public TrackObject {
 public:
  ObjectKind kind() const override { return ObjectKind::mine; }
  RaceState* race = nullptr;
  Car* owner = nullptr;
  float ttl = 0;
};

// The answers that need a car's own shape and state. The car module fills them in when it
// starts; until then those pairs fall back to the circle test and to doing nothing.
using CheckAnswer = Collision (*)(TrackObject& a, TrackObject& b);
using HitAnswer = void (*)(TrackObject& a, TrackObject& b, const Collision& c, RandomState& r);
struct CollisionAnswers {
  CheckAnswer sweptProjectileVsCar = nullptr;
  CheckAnswer mineVsCar = nullptr;
  CheckAnswer carVsCar = nullptr;
  HitAnswer projectileHitsCar = nullptr;
  HitAnswer mineHitsCar = nullptr;
  HitAnswer carHitsCar = nullptr;
};
CollisionAnswers& collisionAnswers();

// Two-object dispatch: the first matching row of each table answers. A hit's effects draw from r
// (the simulation's generator in the form without it).
Collision checkCollision(TrackObject& a, TrackObject& b);
void hit(TrackObject& a, TrackObject& b, const Collision& c, RandomState& r);
inline void hit(TrackObject& a, TrackObject& b, const Collision& c) { hit(a, b, c, randomState()); }

}  // namespace dx
