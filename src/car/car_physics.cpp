// The car's per-step update: controls into forces, integration, the move with walls, and the
// tracking of the node it is on and of the racing line ahead.
#include <cmath>

#include "car/ai_driver.h"
#include "car/car.h"
#include "car/tape.h"
#include "car_collision.h"
#include "framework/numeric.h"
#include "map/node_queries.h"

namespace dx {

namespace {

constexpr float kDragFactor = 0.0023769f;

// Effects draw from the step's generator r: they change nothing the car does.
void emitAtEngine(Car& car, RandomState& r, ParticleKind kind, Vec2f vel, float ttl, bool force, float data1) {
  if (car.map) newParticle(car.map->ps, r, kind, enginePoint(car), vel, ttl, force, data1, float(car.currentNode));
}

// A boost puff at the engine, coloured 8 or 0 with equal chance; its velocity is drawn first.
void emitEnginePuff(Car& car, RandomState& r, float spread) {
  const Vec2f vel = rndVec(r, spread);
  emitAtEngine(car, r, particleBoost, vel, 0.5f, false, rnd(r, 2) == 0 ? 8.0f : 0.0f);
}

void replayControls(Car& car) {
  Tape& tape = *car.replayTape;
  if (tape.position < int64_t(tape.frames.size())) {
    car.controls = tape.frames[size_t(tape.position)].controls;
    tape.position += 1;
  } else {
    car.controls.accel = false;
    car.controls.brake = true;
    car.controls.boost = false;
  }
}

void steer(Car& car, float dt) {
  const CarSettings& s = car.settings;
  if (car.race && !(car.race->time > 0 && car.ready <= 0)) return;
  if (car.controls.steer != 0) {
    const float k = lerp(s.turnForce, s.brakeTurnForce, car.brake);
    car.angularVelocity += k * 1.5f * dt * clamp(car.controls.steer, -1.0f, 1.0f) / s.mass;
  } else {
    car.angularVelocity += 1.5f * s.brakeTurnForce * dt * clamp(-car.angularVelocity, -1.0f, 1.0f) / s.mass;
  }
}

void overheat(Car& car, RandomState& r) {
  const CarSettings& s = car.settings;
  if (car.engineShutdown) {
    if (s.restartTemperature > car.temperature) car.engineShutdown = false;
    return;
  }
  if (!(car.temperature > s.shutdownTemperature)) return;
  car.engineShutdown = true;
  car.boostReset = false;
  car.boostForce = car.dir * s.boostForce * 60.0f;  // a kick along last step's heading
  emitAtEngine(car, r, particleExplosion, {0, 0}, 0.25f, true, 32.0f);
  for (int i = 0; i < 11; ++i) {
    emitEnginePuff(car, r, 4.0f);
    emitAtEngine(car, r, particleSpark, rndVec(r, 4), 1.0f, true, 0.0f);
  }
}

void throttle(Car& car, float dt) {
  const CarSettings& s = car.settings;
  if (car.controls.accel) {
    car.accel += s.accsqr * dt;
    car.accel = clamp(car.accel, 0.0f, car.engineShutdown ? s.maxaccel * 0.75f : s.maxaccel);
  } else {
    car.accel -= 0.5f * car.accel * dt;
  }
}

void engineParticles(Car& car, RandomState& r) {
  if (car.boosting > 0) {
    if (rnd(r, 16) == 0) emitAtEngine(car, r, particleBoost, {0, 0}, 0.5f, false, float(getEngineColor(car)));
  } else if (car.engineShutdown) {
    if (rnd(r, 4) == 0) emitEnginePuff(car, r, 1.0f);
    if (rnd(r, 4) == 0) emitAtEngine(car, r, particleSpark, rndVec(r, 1), 1.0f, true, 0.0f);
  }
}

void brakes(Car& car, float dt) {
  const CarSettings& s = car.settings;
  car.brake = lerp(car.brake, car.controls.brake ? 1.0f : 0.0f, 0.5f);
  if (car.controls.brake)
    car.brakeAccel = clamp(car.brakeAccel + s.brakeAccSqr * dt, 0.0f, s.brakeMaxAccel);
  else
    car.brakeAccel -= 10.0f * car.brakeAccel * dt;
  if (car.brake < 0.001f) car.brake = 0;
}

// rotatePoint(v, angle, (0, 0)) with the angle's cosine and sine: dir holds them exactly.
Vec2f turned(Vec2f v, Vec2f dir) { return {v.x * dir.x - v.y * dir.y + 0.0f, v.y * dir.x + v.x * dir.y + 0.0f}; }

// Braking while steering pushes backwards and 45 degrees to the side.
Vec2f brakeForceOf(const Car& car) {
  if (car.controls.steer < 0) return turned(normalized(Vec2f{-1, 1}), car.dir) * car.brakeAccel;
  if (car.controls.steer > 0) return turned(normalized(Vec2f{-1, -1}), car.dir) * car.brakeAccel;
  return -car.dir * car.brakeAccel;
}

Vec2f quadraticDrag(Vec2f v, float area, float c) {
  return (v * 0.5f + v * length(v) * 0.5f * area) * (-c * kDragFactor);
}

void forces(Car& car, float dt, float T0) {
  const CarSettings& s = car.settings;
  car.dir = headingOf(car);
  car.accelForce = car.dir * car.accel;
  car.brakeForce = brakeForceOf(car);
  if (!car.controls.boost) car.boostReset = true;
  car.boosting = car.engineShutdown ? 0.0f : lerp(car.boosting, car.controls.boost ? 1.0f : 0.0f, 0.5f);
  car.boostForce += car.dir * s.boostForce * car.boosting;
  car.temperature += s.boostHeatGeneration * car.boosting * dt;
  if (car.accel < 0.01f && car.brakeAccel < 0.01f && length(car.vel) < 10) car.accelForce -= car.vel * 20.0f;
  const Vec2f vL = car.dir * dot(car.vel, car.dir);
  car.dragForceLong = quadraticDrag(vL, s.longSurfaceArea, lerp(s.dragLong, s.dragLongBraking, car.brake));
  car.angularVelocity -= 30.0f * car.angularVelocity * dt / s.mass;
  car.angularVelocity -= length(vL) * car.angularVelocity * s.stabilisation * dt / s.mass;
  if (car.engineShutdown || car.accel < 0.1f) car.temperature -= 0.25f * s.heatDissipation * dt;
  car.temperature -= s.heatDissipation * dt;
  if (!(car.temperature >= 24)) car.temperature = 24;
  car.temperatureChange = lerp(car.temperatureChange, car.temperature - T0, 0.1f);
  const Vec2f p = perpendicular(car.dir);
  const Vec2f vT = p * dot(car.vel, p);
  car.dragForceLat = quadraticDrag(vT, s.latSurfaceArea, lerp(s.dragLat, s.dragLatBraking, car.brake));
  car.accelForce += car.dir * (s.dragLat * length(vT)) * s.lift;
  car.dragForceLong -= (car.vel * length(car.vel) * 0.5f + car.vel * 0.5f) * s.dragViscous;
  const Vec2f F = car.accelForce + car.brakeForce + car.boostForce + car.dragForceLong + car.dragForceLat;
  car.vel += F / s.mass * dt;
  car.smoothVel = lerp(car.smoothVel, car.vel, 5.0f * dt);
}

// Side pushers, progress across the node and the side distance from the centre line.
void nodeGeometry(Car& car, float dt) {
  const Map& map = *car.map;
  const Node& N = nodeAt(map, car.currentNode);
  const Node& P = nodeAt(map, car.currentNode - 1);
  if ((N.flags & flagLeftSpecial) && sideOfLine(P.ileft, N.ileft, car.pos) > 0)
    car.vel += normalized(N.ileft - P.ileft) * 10.0f * dt;
  if ((N.flags & flagRightSpecial) && sideOfLine(P.iright, N.iright, car.pos) < 0)
    car.vel += normalized(N.iright - P.iright) * 10.0f * dt;
  car.nodeAlpha = 1.0f - clamp(lineSegDistance({N.left, N.right}, car.pos) / length(P.pos - N.pos), 0.0f, 1.0f);
  car.nodeLat = sideOfLine(P.pos, N.pos, car.pos);
}

void trackProgress(Car& car, float dt) {
  const Map& map = *car.map;
  car.lastNode = car.currentNode;
  const NodeSearch r = whichNode(map, car.pos, car.currentNode, 12);
  if (r.found) {
    car.lastGoodNode = r.index;
    if (r.index < car.currentNode) car.wrongWay += 1;
    if (r.index > car.currentNode) car.wrongWay = 0;
    car.currentNode = r.index;
    car.lost = 0;
  }
  if (r.found || car.lost == 0) nodeGeometry(car, dt);
  const int64_t k = truncToInt64(clamp(length(car.vel) * 0.05f, 1.0f, 7.0f));
  const Node& A = nodeAt(map, car.currentNode + k);
  const Node& B = nodeAt(map, car.currentNode + k + 1);
  const Vec2f target = lerp(map.racingLine[size_t(A.id)], map.racingLine[size_t(B.id)], car.nodeAlpha);
  car.targetAngle = angle(target - car.pos);
}

}  // namespace

void Car::update(float dt, RandomState& r) {
  if (ai) dx::update(*ai, carRandom(*this, r));
  shake = 0;
  const float T0 = temperature;
  colliding = 0;
  accelForce = {0, 0};
  if (recovery > 0) recovery -= dt;
  if (replayTape) replayControls(*this);
  if (ready > 0) ready = controls.accel ? ready - dt : clamp(ready + dt, 0.0f, 1.0f);
  steer(*this, dt);
  if (finished) controls.accel = false;
  if (recordTape) recordStep(*recordTape, controls);
  boostForce = {0, 0};
  overheat(*this, r);
  throttle(*this, dt);
  engineParticles(*this, r);
  brakes(*this, dt);
  forces(*this, dt, T0);
  if (!map) return;               // a car off any track has no walls, nodes or racing line to follow
  tryMove(*this, dt, 0, r, dir);  // dir is this step's heading: (cos, sin) of the angle
  // Every fourth of the car's own steps, so that drawing (which counts frames) changes nothing.
  if ((updates & 3) == 0) add(trail, enginePoint(*this));
  updates += 1;
  trackProgress(*this, dt);
}

}  // namespace dx
