#pragma once
// The generation step of the genetic search over steering gains: score the cars that ran, keep
// the best 100 gain sets in the pool file, and start 100 new cars bred from the pool.
#include <vector>

#include "app/game.h"
#include "framework/random.h"

namespace dx {

constexpr int kPopulation = 100;

// Appends the scores of the cars that ran, sorts the pool (stable, best first) and keeps 100.
void scorePopulation(std::vector<ScoredGains>& pool, const std::vector<CarPtr>& cars);
// Chooses the gains of one new car from the pool (the random draws in their fixed order).
std::vector<float> chooseGains(const std::vector<ScoredGains>& pool, RandomState& r);

// The generation step from its inputs alone; nextIteration() is the shell that loads, saves,
// logs and puts the cars on the track.
// Scores the cars that ran into the pool (scorePopulation) and returns the generation's figures
// (the wall time left to the caller).
GenerationStats scoreGeneration(std::vector<ScoredGains>& pool, const std::vector<CarPtr>& cars);

// What a new generation starts from besides the pool.
struct GenerationStart {
  Map& map;                     // the track the cars are set on (not yet added to its objects)
  const CarSettings& settings;  // the build of every car
  RandomState& random;          // breeding's draws and each driver's random make-up
  uint64_t runSeed;             // each car's own stream comes from (runSeed, generation, index)
  int64_t generation;
  int64_t track;  // the slot their tapes are recorded for
  DriverKind driver = DriverKind::pid;
  std::shared_ptr<const SpeedPlan> plan;  // the track's speed plan, which the racer and neural drivers read
};
// kPopulation new cars at start position 2, their genes bred from the pool (random when empty).
std::vector<CarPtr> breedGeneration(const std::vector<ScoredGains>& pool, const GenerationStart& start);

// A session's track as loaded, and what keeps its scores out of the track's pool: `loadError` when
// the file did not load whole, otherwise the first layout rule the track breaks, naming the file
// ("" when none).
struct SessionTrack {
  MapPtr map;
  std::string loadError;
  std::string layoutProblem;
};
SessionTrack loadSessionTrack(int64_t slot);

// Plans the reference lap of the session's track for the test car into the training record and
// logs it ("reference lap 38.1 s flying, 39.4 s standing for assets/testCar.json"); a track or
// car it cannot be planned for is reported and leaves none.
void planReferenceLap();

void nextIteration();

// One step of a generation's run: the world, the lap times of its cars, then the run clock that ends
// the generation.
void stepRun(Map& map, float& runClock, float dt, RandomState& r);

}  // namespace dx
