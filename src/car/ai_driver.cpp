#include "car/ai_driver.h"

#include <cmath>

#include "car/car.h"
#include "car/neural_driver.h"
#include "framework/errors.h"
#include "framework/numeric.h"
#include "framework/random.h"
#include "framework/run_loop.h"
#include "map/node_queries.h"

namespace dx {

namespace {

AIState gAI;

constexpr float kPiF = 3.1415927f;

// Skill scale and tightness range of each difficulty level.
void applyDifficulty(AI& ai, float& s) {
  struct Level {
    float skillScale;
    bool fullSkill;
    float lo, hi;
  };
  static const Level levels[5] = {
      {0.5f, false, 0.0f, 0.5f}, {0.75f, false, 0.25f, 0.75f}, {1.0f, false, 0.5f, 1.0f},
      {3.0f, false, 0.7f, 1.0f}, {1.0f, true, 0.75f, 1.0f},
  };
  const int64_t d = gAI.difficulty;
  if (d < 0 || d > 4) return;
  const Level& l = levels[d];
  s = l.fullSkill ? 1.0f : s * l.skillScale;
  ai.tightness = clamp(ai.tightness, l.lo, l.hi);
}

// The first node at least k ahead that has walls, and the node after it.
struct AimNodes {
  const Node* a;
  const Node* b;
};

AimNodes aimNodes(const Map& map, int64_t node, int64_t k) {
  const int64_t n = int64_t(map.path.size());
  const Node* a = &nodeAt(map, node + k);
  // A track whose nodes all lack walls has no aim point; stop after one lap of searching.
  for (int64_t tries = 0; (a->flags & flagNoWalls) && tries < n; ++tries) a = &nodeAt(map, node + ++k);
  return {a, &nodeAt(map, node + k + 1)};
}

// Steps 6 to 12 of the described driving step: the aim point by speed, the steering controller,
// and on a decision full throttle with the brake on hard steering.
void pidStep(AI& ai, float s, RandomState& r) {
  Car& car = *ai.car;
  const int64_t k = truncToInt64(clamp(length(car.vel) * 0.05f, 1.0f, 7.0f));
  const Vec2f v = aimPointAt(ai, car, k) - car.pos;
  const float e = angleDiff(angle(v), car.angle);
  const float out = update(ai.pidSteering0, e);
  wrapIntegral(ai.pidSteering0, -kPiF, kPiF);
  ai.debugVector = v;
  ai.debugVector2 = car.vel * 0.1f;
  const double turn = lerp(-kPi / 4, kPi / 4, (out + 1.0f) * 0.5f);
  ai.debugVector3 = polarVec2f(float(double(car.angle) + turn), 8);
  if (reacts(ai, s, r)) {
    Controls& c = car.controls;
    c.accel = true;
    c.steer = clamp(out, -1.0f, 1.0f);
    c.brake = std::fabs(out) > 0.5f;
    // The start phase's boost is for the launch: in a race it ends with the ready countdown
    // instead of running the engine hot all race (training cars never race).
    if (car.race) c.boost = false;
  }
}

}  // namespace

Vec2f aimPointAt(const AI& ai, const Car& car, int64_t k) {
  const Map& map = *car.map;
  const AimNodes n = aimNodes(map, car.currentNode, k);
  const Node &A = *n.a, &B = *n.b;
  Vec2f p1, p2;
  if ((A.flags | B.flags) & flagSplit) {
    // Pick a side of the divider and drive down the middle of it.
    const bool left = sideOfLine(A.pos, B.pos, car.pos) > 0;
    p1 = (A.pos + (left ? A.left : A.right)) * 0.5f;
    p2 = (B.pos + (left ? B.left : B.right)) * 0.5f;
  } else {
    p1 = lerp(A.pos, map.racingLine[size_t(A.id)], ai.tightness);
    p2 = lerp(B.pos, map.racingLine[size_t(B.id)], ai.tightness);
  }
  return lerp(p1, p2, car.nodeAlpha);
}

bool reacts(AI& ai, float s, RandomState& r) {
  if (!(ai.lastActive > 15 || s > rnd(r, 1.0f))) return false;
  ai.lastActive = 0;
  return true;
}

AIState& aiState() { return gAI; }
void resetAIState() { gAI = AIState{}; }

PID initPID(float Kp, float Ki, float Kd, float dt) {
  PID p;
  p.Kp = Kp;
  p.Ki = Ki;
  p.Kd = Kd;
  p.dt = dt;
  return p;
}

float update(PID& pid, float e) {
  pid.derivative = (e - pid.err) / pid.dt;
  pid.err = e;
  pid.integral = (pid.Ki * e) * pid.dt + pid.integral;
  return pid.derivative * pid.Kd + (pid.integral + pid.Kp * e);
}

void wrapIntegral(PID& pid, float lo, float hi) {
  if (pid.integral < lo)
    pid.integral += hi;
  else if (pid.integral > hi)
    pid.integral -= hi;
}

void randomizeWeights(PID& pid, RandomState& r) {
  pid.Kp = rnd(r, 2.0f) - 1.0f;
  pid.Ki = rnd(r, 2.0f) - 1.0f;
  pid.Kd = rnd(r, 2.0f) - 1.0f;
}

void loadWeights(PID& pid, const std::vector<float>& w) {
  if (w.size() < 3) throw IndexError("steering gains need 3 values, got " + std::to_string(w.size()));
  pid.Kp = w[0];
  pid.Ki = w[1];
  pid.Kd = w[2];
}

void resetPID(AI& ai) {
  // The controllers run once per simulation step: the loop's fixed time step.
  const float dt = float(loopState().timeStep);
  const int64_t cls = ai.car->settings.carClass;
  if (cls < 0 || cls > 3) throw GameError("a computer driver needs a car of class 0 to 3, not " + std::to_string(cls));
  ai.pidSteering0 = initPID(1.0f, 0.0f, 2.0f, dt);
  ai.pidThrottle = initPID(0.21325f, 0.128224f, 0.16962f, dt);
}

std::shared_ptr<AI> newAI(Car* car, RandomState& r) {
  if (!car) throw GameError("newAI: a driver needs a car");
  auto ai = std::make_shared<AI>();
  ai->car = car;
  ai->target = car->pos;
  ai->skill = ai->baseSkill = rnd(r, 0.5f) + 0.1f;
  ai->aggressiveness = rnd(r, 0.8f) + 0.1f;
  ai->tightness = 0.5f;
  resetPID(*ai);
  const int64_t hidden[] = {5};
  ai->nn = newNeuralNet(6, 3, hidden, r);
  return ai;
}

void update(AI& ai) { update(ai, carRandom(*ai.car, randomState())); }

void update(AI& ai, RandomState& r) {
  Car& car = *ai.car;
  Controls& c = car.controls;
  float s = clamp(ai.skill, 0.1f, 1.0f);
  if (car.race && car.ready > 0) {
    c.boost = c.accel = car.race->ready ? true : rnd(r, 1.0f) > 0.4f;
    return;
  }
  ai.lastActive += 1;
  c.shoot = false;
  if (car.activePowerup == AUTOPILOT) {
    s = 1.0f;
    ai.tightness = 0.75f;
    ai.lastActive = 15;
  } else {
    applyDifficulty(ai, s);
  }
  ai.tightness = float(std::clamp(double(ai.tightness) + (car.colliding > 0 ? -0.1 : 0.000001), 0.0, 1.0));
  switch (ai.kind) {
    case DriverKind::pid: pidStep(ai, s, r); break;
    case DriverKind::racer: racerStep(ai, s, r); break;
    case DriverKind::neural: neuralStep(ai, s, r); break;
  }
  if (car.finished) {
    c.brake = c.boost = c.accel = false;
    if (length(car.vel) < 1.0f) c.steer = 0;
  }
}

void setDriverKind(AI& ai, DriverKind kind, std::shared_ptr<const SpeedPlan> plan) {
  const Map& map = *ai.car->map;
  if (kind != DriverKind::pid && (!plan || plan->speeds.size() != map.path.size() || !(plan->topSpeed > 0)))
    throw GameError("the " + std::string(driverName(kind)) + " driver needs the track's speed plan");
  ai.kind = kind;
  ai.plan = std::move(plan);
}

void randomizeGenes(AI& ai, RandomState& r) {
  if (ai.kind == DriverKind::pid) return randomizeWeights(ai.pidSteering0, r);
  if (ai.kind == DriverKind::neural) return;
  std::vector<float> genes(kRacerGenes);
  for (float& g : genes) g = rnd(r, 2.0f) - 1.0f;
  loadGenes(ai, genes);
}

void loadGenes(AI& ai, const std::vector<float>& genes) {
  const size_t n = geneCount(ai.kind);
  if (genes.size() != n)
    throw IndexError("the " + std::string(driverName(ai.kind)) + " driver has " + std::to_string(n) + " genes, not " +
                     std::to_string(genes.size()));
  if (ai.kind == DriverKind::pid) return loadWeights(ai.pidSteering0, genes);
  if (ai.kind == DriverKind::neural) return loadNetWeights(*ai.nn, genes);
  ai.genes = genes;
  ai.racer = racerTuning(genes);
  const RacerTuning& t = ai.racer;
  ai.pidSteering0.Kp = t.steerKp, ai.pidSteering0.Ki = t.steerKi, ai.pidSteering0.Kd = t.steerKd;
  ai.pidThrottle.Kp = t.throttleKp, ai.pidThrottle.Ki = t.throttleKi, ai.pidThrottle.Kd = t.throttleKd;
  ai.tightness = t.tightness;
}

std::vector<float> genesOf(const AI& ai) {
  if (ai.kind == DriverKind::pid) return {ai.pidSteering0.Kp, ai.pidSteering0.Ki, ai.pidSteering0.Kd};
  if (ai.kind == DriverKind::neural) return netWeights(*ai.nn);
  return ai.genes;
}

}  // namespace dx
