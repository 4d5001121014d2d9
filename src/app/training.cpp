#include "app/training.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "car/ai_driver.h"
#include "car/tape.h"
#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/log.h"
#include "framework/random.h"
#include "framework/run_loop.h"
#include "map/node_queries.h"
#include "map/world_step.h"
#include "nn/evolution.h"

namespace dx {

namespace {

using json = nlohmann::ordered_json;

// Bounds of what a pool may hold. Gains start within [-1, 1) and drift by at most 0.5 per
// generation; a score is a node index. Values beyond these (1e39 reads as infinity in float32)
// would drive a car to NaN.
constexpr double kMaxGain = 10000;
constexpr double kMaxScore = 1e9;

// The JSON number at `what` of an entry, as a float within [-limit, limit]; any other JSON value
// is refused.
float poolNumber(const json& v, double limit, const std::string& where, const std::string& what) {
  if (!v.is_number()) throw FormatError(where + ": " + what + " must be a number, not " + std::string(v.type_name()));
  const double d = v.get<double>();
  if (!(std::fabs(d) <= limit))
    throw FormatError(where + ": " + what + " is " + shortNumber(d) + ", outside -" + shortNumber(limit) + " to " +
                      shortNumber(limit));
  return float(d);
}

bool writable(const ScoredGains& g) {
  if (!(g.score > 0) || !(g.score <= kMaxScore)) return false;
  for (float w : g.weights)
    if (!(std::fabs(w) <= kMaxGain)) return false;
  return true;
}

void loadPool(Harness& h) {
  const std::string path = poolPath();
  // Nothing trained yet on this track: the first generation starts from random gains and its
  // save creates the file.
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
    echo("no gain pool yet: ", path, ", starting from random gains");
    return;
  }
  const std::vector<ScoredGains> loaded = parsePool(readTextFile(path, readCap::json), path);
  h.bestAI.insert(h.bestAI.end(), loaded.begin(), loaded.end());
  echo("loaded ", loaded.size(), " pid settings");
}

// A failed save keeps the old file and the pool in memory; the next generation tries again.
void savePool(const Harness& h) {
  try {
    writeFileAtomically(poolPath(), formatPool(h.bestAI));
  } catch (const IOError& e) {
    echo("could not save the gain pool (", e.what(),
         "); the previous file is kept and the save is retried "
         "after the next generation");
  }
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
  if (pool.empty())
    randomizeWeights(car->ai->pidSteering0, start.random);
  else
    loadWeights(car->ai->pidSteering0, chooseGains(pool, start.random));
  startRecording(*car, start.track, "champion");  // the generation's best is replayed afterwards
  return car;
}

}  // namespace

std::string poolPath() { return gameFile(perTrackFile("assets/ai.json", sessionOptions().trackSlot)); }

std::string formatPool(const std::vector<ScoredGains>& pool) {
  json arr = json::array();
  for (const ScoredGains& g : pool) {
    if (!writable(g)) continue;
    json entry = json::object();
    entry["score"] = double(g.score);
    json weights = json::array();
    for (float w : g.weights) weights.push_back(double(w));
    entry["weights"] = weights;
    arr.push_back(entry);
  }
  return arr.dump(2);
}

std::vector<ScoredGains> parsePool(std::string_view text, const std::string& path) {
  const json root = parseJson(text, path);
  if (!root.is_array()) throw FormatError(path + ": the gain pool must be a JSON array");
  std::vector<ScoredGains> out;
  for (size_t i = 0; i < root.size(); ++i) {
    const json& e = root[i];
    const std::string where = path + ": entry " + std::to_string(i);
    if (!e.is_object()) throw FormatError(where + " is not an object");
    if (!e.contains("score")) throw FormatError(where + " has no \"score\"");
    if (!e.contains("weights") || !e["weights"].is_array()) throw FormatError(where + " has no \"weights\" array");
    // Every new car loads three gains from its parents; a shorter or longer set cannot breed.
    if (e["weights"].size() != 3) throw FormatError(where + " must have 3 weights");
    ScoredGains g;
    g.score = poolNumber(e["score"], kMaxScore, where, "\"score\"");
    for (size_t k = 0; k < 3; ++k)
      g.weights.push_back(poolNumber(e["weights"][k], kMaxGain, where, "weight " + std::to_string(k)));
    out.push_back(std::move(g));
  }
  return out;
}

void scorePopulation(std::vector<ScoredGains>& pool, const std::vector<CarPtr>& cars) {
  for (const CarPtr& car : cars) {
    const PID& pid = car->ai->pidSteering0;
    pool.push_back({float(car->currentNode), {pid.Kp, pid.Ki, pid.Kd}});
  }
  std::stable_sort(pool.begin(), pool.end(),
                   [](const ScoredGains& a, const ScoredGains& b) { return a.score > b.score; });
  if (pool.size() > kPoolSize) pool.resize(kPoolSize);
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
    savePool(h);
  } else {
    loadPool(h);
  }
  h.iteration += 1;
  removePopulation(h);
  CarSettings settings;
  loadCarSettings(gameFile(testCarFile), settings);
  const GenerationStart start{
      *h.myMap, settings, randomState(), randomGenerators().seed, h.iteration, sessionOptions().trackSlot};
  h.aiCars = breedGeneration(h.bestAI, start);
  for (const CarPtr& car : h.aiCars) h.myMap->trackObjects.push_back(car);
  record.generationStart = std::chrono::steady_clock::now();
}

void stepRun(Map& map, float& runClock, float dt, RandomState& r) {
  stepWorld(map, dt, r);
  runClock += dt;
}

}  // namespace dx
