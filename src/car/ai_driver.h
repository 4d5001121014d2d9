#pragma once
// The computer driver: it aims between the centre line and the racing line a few nodes ahead
// and steers with a PID controller whose three gains are what training evolves. Two more kinds
// decide differently within the same reaction model: the racer (speed plan, throttle controller,
// boost) and the neural driver (its network).
#include <cstdint>
#include <memory>
#include <vector>

#include "car/driver_kind.h"
#include "car/racer_driver.h"
#include "car/speed_plan.h"
#include "framework/random.h"
#include "geom/vec.h"
#include "nn/neural_net.h"

namespace dx {

class Car;

struct PID {
  float Kp = 0, Ki = 0, Kd = 0;
  float err = 0;
  float integral = 0;  // already multiplied by Ki
  float derivative = 0;
  float lastD = 0;
  float dt = 0;
  float min = 0, max = 0;
  bool clamping = false;
};

PID initPID(float Kp, float Ki, float Kd, float dt);
// One controller step for the error e.
float update(PID& pid, float e);
// Folds the integral back by hi (not by hi - lo) when it leaves [lo, hi].
void wrapIntegral(PID& pid, float lo, float hi);
void randomizeWeights(PID& pid, RandomState& r = randomState());
// Kp, Ki, Kd from the first three values; fewer raise IndexError.
void loadWeights(PID& pid, const std::vector<float>& w);

struct AI {
  Car* car = nullptr;  // not owned: the car owns its driver
  Vec2f target;
  Vec2f targetVel;
  float skill = 0;
  float baseSkill = 0;
  float aggressiveness = 0;
  float tightness = 0;
  int64_t lastActive = 0;
  PID pidSteering0, pidSteering1, pidThrottle;
  Vec2f debugVector, debugVector2, debugVector3;
  float score = 0;
  std::shared_ptr<NeuralNet> nn;
  // Beyond the described record: how this driver decides, and what the other kinds read.
  DriverKind kind = DriverKind::pid;
  std::vector<float> genes;               // the racer's genes as loaded (the others keep theirs in place)
  RacerTuning racer;                      // decoded from them
  std::shared_ptr<const SpeedPlan> plan;  // the track's speed plan for this car's build
};

// The highest difficulty level.
constexpr int64_t kMaxLevel = 4;

// The drivers' difficulty level (0..4); a session sets it from its options.
struct AIState {
  int64_t difficulty = 0;
};
AIState& aiState();
void resetAIState();

// Raises GameError for a car whose class has no controller settings (only classes 0..3 do).
void resetPID(AI& ai);
std::shared_ptr<AI> newAI(Car* car, RandomState& r = randomState());

// Makes the driver one of the kind. The racer and the neural driver read the track's speed plan;
// they raise GameError without one, or with one of another track.
void setDriverKind(AI& ai, DriverKind kind, std::shared_ptr<const SpeedPlan> plan);
// A random start: the pid driver's three gains uniform in [-1, 1) (randomizeWeights), the racer's
// genes likewise; the neural driver keeps the weights its network was built with.
void randomizeGenes(AI& ai, RandomState& r);
// Raises IndexError unless `genes` holds geneCount(kind) values.
void loadGenes(AI& ai, const std::vector<float>& genes);
std::vector<float> genesOf(const AI& ai);

// The aim point k nodes ahead (walls-less nodes skipped), between the centre and the racing line
// by the driver's tightness, or down the middle of a split's side.
Vec2f aimPointAt(const AI& ai, const Car& car, int64_t k);
// The reaction model: the driver re-decides when it has not for 15 steps or, on other steps,
// with probability s (drawn from r); a decision resets the count.
bool reacts(AI& ai, float s, RandomState& r);
// The driving step: writes the car's controls. Its reaction draws come from r; the first form
// takes the car's own stream, or the simulation's generator for a car without one.
void update(AI& ai);
void update(AI& ai, RandomState& r);

}  // namespace dx
