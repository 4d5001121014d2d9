// The simulation's costs on the shipped track: loading it, the racing line, node queries, one
// map step with a full generation of cars, and a whole training generation.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/game.h"
#include "app/headless_trainer.h"
#include "app/training.h"
#include "car/car.h"
#include "framework/random.h"
#include "framework/run_loop.h"
#include "map/node_queries.h"
#include "map/racing_line.h"
#include "map/world_step.h"

namespace {

using namespace dx;

// The benchmarks read the run folder's assets and maps like the game (DX_GAME_DIR, else ./game),
// from a copy in a temporary folder with an empty gain pool: the generations they run save their
// pool there, never over the user's training.
void enterRunFolder() {
  static bool done = false;
  if (done) return;
  done = true;
  namespace fs = std::filesystem;
  const char* env = std::getenv("DX_GAME_DIR");
  const fs::path game = env ? env : "game";
  if (!fs::is_directory(game / "assets") || !fs::is_directory(game / "maps")) {
    std::fprintf(stderr,
                 "bench_simulation: the run folder %s (with assets/ and maps/) is missing; build the game "
                 "first or point DX_GAME_DIR at it\n",
                 game.c_str());
    std::exit(1);
  }
  const fs::path copy = fs::temp_directory_path() / ("dx-bench-" + std::to_string(getpid()));
  fs::remove_all(copy);
  fs::create_directories(copy);
  fs::copy(game / "assets", copy / "assets", fs::copy_options::recursive);
  fs::copy(game / "maps", copy / "maps", fs::copy_options::recursive);
  // Every kind of driver starts from nothing, whatever pools the run folder ships.
  for (const fs::directory_entry& e : fs::directory_iterator(copy / "assets"))
    if (e.path().filename().string().starts_with("ai-")) fs::remove(e.path());
  std::ofstream(copy / "assets" / "ai.json") << "[]\n";
  std::atexit([] { fs::remove_all(fs::temp_directory_path() / ("dx-bench-" + std::to_string(getpid()))); });
  fs::current_path(copy);
  loopState().basePath = copy.string() + "/";
  loopState().assetPath = (copy / "assets").string();
}

MapPtr quietLoad() {
  enterRunFolder();
  std::FILE* saved = stderr;
  stderr = std::fopen("/dev/null", "w");
  MapPtr map = loadMap("", 1);
  std::fclose(stderr);
  stderr = saved;
  return map;
}

void BM_loadMap(benchmark::State& st) {
  for (auto _ : st) benchmark::DoNotOptimize(quietLoad());
}
BENCHMARK(BM_loadMap)->Unit(benchmark::kMillisecond);

void BM_iterateRacingLine(benchmark::State& st) {
  const MapPtr map = quietLoad();
  st.counters["nodes"] = double(map->path.size());
  for (auto _ : st) iterateRacingLine(*map);
}
BENCHMARK(BM_iterateRacingLine)->Unit(benchmark::kMicrosecond);

void BM_getNodesInAABB_raceView(benchmark::State& st) {
  const MapPtr map = quietLoad();
  const Vec2f c = map->path[map->path.size() / 3].pos;
  // The race view: 240 x 136 pixels at 8 pixels per map unit.
  const AABB box{c - Vec2f{15, 8.5f}, c + Vec2f{15, 8.5f}};
  for (auto _ : st) benchmark::DoNotOptimize(getNodesInAABB(*map, box));
}
BENCHMARK(BM_getNodesInAABB_raceView)->Unit(benchmark::kMicrosecond);

void BM_whichNode_rightGuess(benchmark::State& st) {
  const MapPtr map = quietLoad();
  const int64_t k = int64_t(map->path.size() / 2);
  const Vec2f p = (map->path[size_t(k - 1)].pos + map->path[size_t(k)].pos) * 0.5f;
  for (auto _ : st) benchmark::DoNotOptimize(whichNode(*map, p, k, 12));
}
BENCHMARK(BM_whichNode_rightGuess)->Unit(benchmark::kNanosecond);

// A generation of drivers of the kind as training places it.
void startGeneration(uint64_t seed, DriverKind driver = DriverKind::pid) {
  resetHarness();
  seedRandom(seed);
  Harness& h = harness();
  h.myMap = quietLoad();
  sessionOptions().driver = driver;
  std::FILE* saved = stdout;
  stdout = std::fopen("/dev/null", "w");
  loadCarComponentSettings(componentsFile);
  planReferenceLap();
  nextIteration();
  std::fclose(stdout);
  stdout = saved;
}

void BM_mapStep_100cars(benchmark::State& st) {
  startGeneration(1);
  Harness& h = harness();
  for (int i = 0; i < 600; ++i) update(*h.myMap, 1.0f / 60);
  for (auto _ : st) update(*h.myMap, 1.0f / 60);
}
BENCHMARK(BM_mapStep_100cars)->Unit(benchmark::kMicrosecond);

// A whole generation in the trainer, its cars shared out over st.range(0) threads, of the kind of
// driver st.range(1) (0 pid, 1 racer, 2 neural).
void BM_trainingGeneration(benchmark::State& st) {
  startGeneration(2, DriverKind(st.range(1)));
  std::FILE* saved = stdout;
  for (auto _ : st) {
    stdout = std::fopen("/dev/null", "w");
    std::FILE* savedErr = stderr;
    stderr = stdout;
    runGeneration(st.range(0));
    stderr = savedErr;
    std::fclose(stdout);
    stdout = saved;
  }
}
BENCHMARK(BM_trainingGeneration)
    ->ArgsProduct({{1, 2}, {0, 1, 2}})
    ->ArgNames({"threads", "driver"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
