#include "app/headless_trainer.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "app/game.h"
#include "app/training.h"
#include "framework/canvas.h"
#include "framework/errors.h"
#include "framework/font.h"
#include "framework/log.h"
#include "framework/palette.h"
#include "framework/png_io.h"
#include "framework/random.h"
#include "framework/run_loop.h"
#include "map/map_source.h"
#include "map/node_queries.h"

namespace dx {

namespace {

const char* kUsage =
    "usage: draxen3516-train [--generations N] [--track SLOT] [--seed S]\n"
    "Runs the game's training without a window: each generation of 100 computer-driven cars drives\n"
    "60 s of game time, is scored, and the gain pool (assets/ai.json beside the game) is saved.\n"
    "  --generations N  how many generations to score, then exit (default 10)\n"
    "  --track SLOT     the track, maps/SLOT.map (default 1)\n"
    "  --seed S         a fixed seed makes the run reproducible (default: the clock)\n";

std::optional<int64_t> parseInteger(const std::string& s) {
  try {
    size_t used = 0;
    const long long v = std::stoll(s, &used);
    if (used == s.size()) return v;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

std::string fixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

// Scores go into the track's own pool, so a track that did not load whole (a cut file builds a
// shorter track) must not be trained on.
MapPtr loadTrainingTrack(int64_t slot) {
  const std::string path = mapSourcePath("", slot);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) throw IOError("no such track: maps/" + std::to_string(slot) + ".map");
  debug("load map", "", slot);
  MapSource src = loadMapSource("", slot);
  if (!src.loadError.empty()) throw FormatError(src.loadError + "; the trainer needs the whole track");
  return buildMap(std::move(src), "", slot);
}

}  // namespace

std::optional<TrainerOptions> parseTrainerArgs(const std::vector<std::string>& args, bool& ok) {
  TrainerOptions o;
  ok = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return std::nullopt;
    }
    const bool known = a == "--generations" || a == "--track" || a == "--seed";
    const std::optional<int64_t> v = known && i + 1 < args.size() ? parseInteger(args[i + 1]) : std::nullopt;
    if (!known || !v || (a != "--seed" && *v < 1) || *v < 0) {
      std::fprintf(stderr, "draxen3516-train: bad argument '%s'\n%s", a.c_str(), kUsage);
      ok = false;
      return std::nullopt;
    }
    ++i;
    if (a == "--generations") o.generations = *v;
    if (a == "--track") o.track = *v;
    if (a == "--seed") o.seed = uint64_t(*v);
  }
  return o;
}

GenerationStats currentScores() {
  const Harness& h = harness();
  GenerationStats s;
  if (h.aiCars.empty()) return s;
  s.best = float(h.aiCars[0]->currentNode);
  double sum = 0;
  for (const CarPtr& car : h.aiCars) {
    s.best = std::max(s.best, float(car->currentNode));
    sum += double(car->currentNode);
  }
  s.mean = float(sum / double(h.aiCars.size()));
  return s;
}

GenerationStats runGeneration() {
  Harness& h = harness();
  const float dt = float(loopState().timeStep);
  const auto start = std::chrono::steady_clock::now();
  const int64_t before = h.iteration;
  GenerationStats s;
  // The game's own clock: one map step per update, the next generation at 60 s.
  while (h.iteration == before) {
    update(*h.myMap, dt);
    h.timeSinceStart += dt;
    if (h.timeSinceStart >= 60) {
      s = currentScores();
      nextIteration();
    }
  }
  s.poolBest = h.bestAI.empty() ? 0.0f : h.bestAI[0].score;
  s.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return s;
}

void writeTrainingPlot(const std::string& path, const std::vector<GenerationStats>& history) {
  constexpr int W = 320, H = 180, left = 8, right = W - 8, top = 8, bottom = H - 10;
  resetDrawState();
  setCanvasSize(W, H);
  cls();
  float most = 1;
  for (const GenerationStats& g : history) most = std::max(most, g.best);
  setColor(5);
  line(left, bottom, right, bottom);
  line(left, top, left, bottom);
  const size_t n = history.size();
  auto x = [&](size_t i) { return Pint(left + (n <= 1 ? 0 : int64_t(i) * (right - left) / int64_t(n - 1))); };
  auto y = [&](float v) { return Pint(bottom - std::clamp(v / most, 0.0f, 1.0f) * float(bottom - top)); };
  for (int pass = 0; pass < 2; ++pass) {
    setColor(pass == 0 ? 12 : 11);  // mean in blue, best in green
    for (size_t i = 0; i < n; ++i) {
      const float v = pass == 0 ? history[i].mean : history[i].best;
      const float prev = i == 0 ? v : (pass == 0 ? history[i - 1].mean : history[i - 1].best);
      line(x(i == 0 ? 0 : i - 1), y(prev), x(i), y(v));
      circfill(x(i), y(v), 1);
    }
  }
  // A legend, when the run folder's font is there to write it with.
  try {
    loadFont(1, "font5x5.png", font5x5Chars);
    setFont(1);
    setColor(11);
    print("best", left, bottom + 3);
    setColor(12);
    print("mean", left + 30, bottom + 3);
    setColor(7);
    print(std::to_string(int64_t(most)), left + 3, top);
    printr(std::to_string(n) + " generations", right, bottom + 3);
  } catch (const GameError&) {
  }
  writePngIndexed(path, *drawState().swCanvas, loadPaletteDefault());
}

int runTrainer(const TrainerOptions& o) {
  LoopState& L = loopState();
  L.basePath = basePathOfExecutable();
  L.assetPath = joinPath(L.basePath, "assets");
  // The game is started from its run folder; so is the trainer's file lookup.
  if (chdir(L.basePath.c_str()) != 0) throw IOError("cannot enter the run folder " + L.basePath);
  if (o.seed)
    seedRandomMixed(*o.seed);
  else
    seedRandomFromClock();
  resetDrawState();
  Harness& h = harness();
  h.myMap = loadTrainingTrack(o.track);
  loadCarComponentSettings(componentsFile);
  nextIteration();
  std::vector<GenerationStats> history;
  for (int64_t g = 1; g <= o.generations; ++g) {
    const GenerationStats s = runGeneration();
    history.push_back(s);
    echo("generation ", g, ": best ", fixed(s.best, 0), ", mean ", fixed(s.mean, 1), ", pool best ",
         fixed(s.poolBest, 0), ", ", fixed(s.seconds, 2), " s");
  }
  const std::string plot = joinPath(L.basePath, "assets/training.png");
  // Training and the pool are done; a plot that cannot be written (a full disk, say) is a warning.
  try {
    writeTrainingPlot(plot, history);
    echo("wrote ", plot);
  } catch (const GameError& e) {
    echo("warning: the plot was not written: ", e.what());
  }
  return 0;
}

}  // namespace dx
