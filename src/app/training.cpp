#include "app/training.h"

#include <algorithm>
#include <cmath>

#include "app/gain_pool.h"
#include "app/lap_times.h"
#include "car/ai_driver.h"
#include "car/tape.h"
#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/log.h"
#include "framework/random.h"
#include "framework/run_loop.h"
#include "map/map_source.h"
#include "map/node_queries.h"
#include "map/track_checks.h"
#include "map/world_step.h"
#include "nn/evolution.h"

namespace dx {

namespace {

void loadPool(Harness& h) {
  const std::string path = poolPath();
  const std::optional<std::vector<ScoredGains>> loaded = readPool(path, geneCount(sessionOptions().driver));
  // Nothing trained yet on this track: the first generation starts from random gains and its
  // save creates the file.
  if (!loaded) {
    echo("no gain pool yet: ", path, ", starting from random gains");
    return;
  }
  h.bestAI.insert(h.bestAI.end(), loaded->begin(), loaded->end());
  echo("loaded ", loaded->size(), " ", driverName(sessionOptions().driver), " settings");
}

void removePopulation(Harness& h) {
  auto& objs = h.myMap->trackObjects;
  for (const CarPtr& car : h.aiCars) {
    const auto it = std::find(objs.begin(), objs.end(), car);
    if (it == objs.end()) throw IndexError("a car of the generation is missing from the track");
    *it = objs.back();
    objs.pop_back();
  }
  h.aiCars.clear();
}

// Each car drives with a stream of its own, drawn from the run's seed, the generation and its
// place in it: how a car drives does not depend on the order in which the cars are stepped.
CarPtr newTrainingCar(const std::vector<ScoredGains>& pool, const GenerationStart& start, int64_t index) {
  CarPtr car = newCar(nullptr, start.settings);
  car->stream = streamFor(start.runSeed, uint64_t(start.generation), uint64_t(index));
  car->team = teamSK;
  car->map = &start.map;
  setNode(*car, getStartNode(start.map, 2));
  recalculate(car->settings);
  car->ethereal = true;
  car->ai = newAI(car.get(), start.random);
  car->ai->skill = 0.5f;
  setDriverKind(*car->ai, start.driver, start.plan);
  if (pool.empty())
    randomizeGenes(*car->ai, start.random);
  else
    loadGenes(*car->ai, chooseGains(pool, start.random));
  startRecording(*car, start.track, "champion");  // the generation's best is replayed afterwards
  return car;
}

}  // namespace

void scorePopulation(std::vector<ScoredGains>& pool, const std::vector<CarPtr>& cars) {
  for (const CarPtr& car : cars) pool.push_back({runScore(*car), genesOf(*car->ai)});
  rankPool(pool);
}

std::vector<float> chooseGains(const std::vector<ScoredGains>& pool, RandomState& r) {
  const int64_t n = int64_t(pool.size());
  const int64_t five = std::min<int64_t>(n, 5), ten = std::min<int64_t>(n, 10);
  const int64_t c = rnd(r, 10);
  int64_t a = 0, b = 0;
  switch (c) {
    case 0: a = rnd(r, five), b = rnd(r, ten); break;
    case 1: a = rnd(r, n), b = rnd(r, n); break;
    case 2: a = rnd(r, ten), b = rnd(r, n); break;
    case 3: break;  // the best alone
    default: a = rnd(r, ten), b = rnd(r, ten); break;
  }
  if (c == 3 || a == b) return mutate(pool[size_t(a)].weights, 0.5f, 0.25f, r);
  const std::vector<float>& A = pool[size_t(a)].weights;
  const std::vector<float>& B = pool[size_t(b)].weights;
  const int64_t g = rnd(r, 4);
  if (g == 0) return mutate(breedLinear(A, B, r), 0.5f, 0.25f, r);
  if (g == 1) return mutate(breedBinary(A, B, r), 0.5f, 0.25f, r);
  return breedLinear(A, B, r);
}

GenerationStats scoreGeneration(std::vector<ScoredGains>& pool, const std::vector<CarPtr>& cars) {
  GenerationStats stats = currentScores(cars);
  scorePopulation(pool, cars);
  stats.poolBest = pool.empty() ? 0.0f : pool[0].score;
  return stats;
}

std::vector<CarPtr> breedGeneration(const std::vector<ScoredGains>& pool, const GenerationStart& start) {
  std::vector<CarPtr> cars;
  for (int i = 0; i < kPopulation; ++i) cars.push_back(newTrainingCar(pool, start, i));
  return cars;
}

SessionTrack loadSessionTrack(int64_t slot) {
  debug("load map", "", slot);
  MapSource src = loadMapSource("", slot);
  SessionTrack t;
  t.map = buildMap(src, "", slot);
  t.loadError = src.loadError;
  if (t.loadError.empty())
    if (const std::vector<std::string> problems = layoutProblems(*t.map, src); !problems.empty())
      t.layoutProblem = mapSourcePath("", slot) + ": " + problems.front();
  return t;
}

void planReferenceLap() {
  try {
    CarSettings settings;
    loadCarSettings(gameFile(testCarFile), settings);
    recalculate(settings);
    auto plan = std::make_shared<const SpeedPlan>(planSpeeds(*harness().myMap, measureCarLimits(settings)));
    echo(referenceLapLine(*plan, testCarFile));
    trainingRecord().reference = plan;
  } catch (const GameError& e) {
    echo("no reference lap: ", e.what());
  }
}

void nextIteration() {
  Harness& h = harness();
  TrainingRecord& record = trainingRecord();
  if (h.iteration != 0) {
    keepChampion(record.replays, h.aiCars);
    GenerationStats stats = scoreGeneration(h.bestAI, h.aiCars);
    stats.seconds = secondsSince(record.generationStart);
    record.history.push_back(stats);
    h.timeSinceStart = 0;
    debug("iteration: ", h.iteration);
    if (record.notSaved.empty() && savePool(h.bestAI, poolPath(), geneCount(sessionOptions().driver)))
      record.poolSaves += 1;
  } else {
    loadPool(h);
  }
  h.iteration += 1;
  removePopulation(h);
  CarSettings settings;
  loadCarSettings(gameFile(testCarFile), settings);
  const GenerationStart start{*h.myMap,
                              settings,
                              randomState(),
                              randomGenerators().seed,
                              h.iteration,
                              sessionOptions().trackSlot,
                              sessionOptions().driver,
                              record.reference};
  h.aiCars = breedGeneration(h.bestAI, start);
  for (const CarPtr& car : h.aiCars) h.myMap->trackObjects.push_back(car);
  record.generationStart = std::chrono::steady_clock::now();
}

void stepRun(Map& map, float& runClock, float dt, RandomState& r) {
  stepWorld(map, dt, r);
  recordLapTimes(map, dt);
  runClock += dt;
}

}  // namespace dx
