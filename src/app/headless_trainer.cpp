#include "app/headless_trainer.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <thread>

#include "app/command_line.h"
#include "app/gain_pool.h"
#include "app/game.h"
#include "app/training.h"
#include "car/ai_driver.h"
#include "car/tape.h"
#include "framework/canvas.h"
#include "framework/colors.h"
#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/font.h"
#include "framework/log.h"
#include "framework/palette.h"
#include "framework/png_io.h"
#include "framework/random.h"
#include "framework/run_loop.h"
#include "map/map_source.h"
#include "map/node_queries.h"
#include "map/world_step.h"

namespace dx {

namespace {

const char* kUsage =
    "usage: draxen3516-train [--generations N] [--track SLOT] [--driver KIND] [--difficulty LEVEL] [--seed S]\n"
    "                        [--threads N]\n"
    "Runs the game's training without a window: each generation of 100 computer-driven cars drives\n"
    "60 s of game time, is scored, and the track's gain pool beside the game is saved.\n"
    "Ctrl+C stops it after the current save; the plot and the record cover the finished generations.\n"
    "  --generations N  how many generations to score, then exit (default 10)\n"
    "  --track SLOT     the track, maps/SLOT.map (default 1); its pool is assets/ai.json for track 1\n"
    "                   and assets/ai-SLOT.json for any other, its plot and record training[-SLOT].png/.csv\n"
    "  --driver KIND    the drivers: pid (default), racer or neural; a kind other than pid trains a\n"
    "                   pool of its own, assets/ai[-SLOT]-KIND.json, and files named alike\n"
    "  --difficulty LEVEL  the drivers' level, 0 (default) to 4; a level other than 0 trains a pool of\n"
    "                   its own, assets/ai[-SLOT]-lLEVEL.json\n"
    "  --seed S         a fixed seed makes the run reproducible (default: the clock)\n"
    "  --threads N      threads that drive the cars (default: one per core); the result is the\n"
    "                   same for any number\n";

// The signal that asked the trainer to stop (SIGINT or SIGTERM), 0 while none has.
volatile std::sig_atomic_t gStopSignal = 0;

void requestStop(int sig) { gStopSignal = sig; }

void catchStopSignals() {
  std::signal(SIGINT, requestStop);
  std::signal(SIGTERM, requestStop);
}

// A round step for about `ticks` ticks up to `top`: 1, 2 or 5 times a power of ten.
double tickStep(double top, int ticks) {
  const double raw = top / ticks;
  const double p = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0})
    if (m * p >= raw) return m * p;
  return 10 * p;
}

// Scores go into the track's own pool, so a track that did not load whole (a cut file builds a
// shorter track) must not be trained on.
MapPtr loadTrainingTrack(int64_t slot) {
  const std::string path = mapSourcePath("", slot);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) throw IOError("no such track: maps/" + std::to_string(slot) + ".map");
  SessionTrack t = loadSessionTrack(slot);
  if (!t.loadError.empty()) throw FormatError(t.loadError + "; the trainer needs the whole track");
  if (!t.layoutProblem.empty())
    throw FormatError(t.layoutProblem + "; the trainer needs a track that keeps the layout rules");
  return t.map;
}

}  // namespace

int stopSignal() { return gStopSignal; }

std::optional<TrainerOptions> parseTrainerArgs(const std::vector<std::string>& args, bool& ok) {
  TrainerOptions o;
  const auto take = [&](const std::string& name, const std::string& value) {
    if (name == "--seed") return bool(o.seed = parseUnsigned(value));
    if (name == "--driver") return takeDriver(value, o.driver);
    const std::optional<int64_t> v = parseInteger(value);
    if (!v || *v < (name == "--difficulty" ? 0 : 1)) return false;
    if (name == "--difficulty") return *v <= kMaxLevel ? (o.level = *v, true) : false;
    if (name == "--generations")
      o.generations = *v;
    else if (name == "--track")
      o.track = *v;
    else if (name == "--threads")
      o.threads = *v;
    else
      return false;
    return true;
  };
  const ArgsResult r = walkOptions(args, "draxen3516-train", kUsage, take);
  ok = r != ArgsResult::bad;
  if (r != ArgsResult::parsed) return std::nullopt;
  return o;
}

namespace {

// The cars of a generation are ethereal and nothing in the trainer can touch them, so each
// thread drives its share of them on a lane of its own with the run's step function, until the
// run clock ends the generation or a stop is asked for. A car's drive depends on nothing but its
// own stream, so the outcome is the same for any split.
void driveGeneration(Harness& h, int64_t threads, float dt) {
  const size_t cars = h.aiCars.size();
  const size_t n = std::clamp<size_t>(size_t(threads), 1, std::max<size_t>(cars, 1));
  std::vector<MapPtr> lanes;
  // Each thread's clock and effects generator (what its particles draw from, every step a car
  // boosts) on a cache line of its own: threads writing neighbours would slow each other down.
  struct alignas(64) LaneClock {
    float clock;
    RandomState effects;
  };
  std::vector<LaneClock> own;
  for (size_t k = 0; k < n; ++k) {
    lanes.push_back(newLane(*h.myMap));
    own.push_back(
        {h.timeSinceStart, streamFor(randomGenerators().seed, uint64_t(h.iteration), uint64_t(kPopulation) + k)});
    for (size_t i = k * cars / n; i < (k + 1) * cars / n; ++i) {
      h.aiCars[i]->map = lanes[k].get();
      lanes[k]->trackObjects.push_back(h.aiCars[i]);
    }
  }
  std::vector<std::exception_ptr> failures(n);
  auto drive = [&](size_t k) {
    try {
      do stepRun(*lanes[k], own[k].clock, dt, own[k].effects);
      while (own[k].clock < 60 && !stopSignal());
    } catch (...) {
      failures[k] = std::current_exception();
    }
  };
  std::vector<std::thread> workers;
  for (size_t k = 1; k < n; ++k) workers.emplace_back(drive, k);
  drive(0);
  for (std::thread& w : workers) w.join();
  for (const CarPtr& car : h.aiCars) car->map = h.myMap.get();
  for (const std::exception_ptr& f : failures)
    if (f) std::rethrow_exception(f);
  h.timeSinceStart = own[0].clock;
}

}  // namespace

int64_t defaultThreads() { return std::max<int64_t>(1, int64_t(std::thread::hardware_concurrency())); }

std::optional<GenerationStats> runGeneration(int64_t threads) {
  Harness& h = harness();
  const float dt = float(loopState().timeStep);
  driveGeneration(h, threads, dt);
  if (stopSignal()) return std::nullopt;  // abandoned: the pool keeps its last save
  nextIteration();
  return trainingRecord().history.back();
}

std::string formatTrainingRecord(const std::vector<GenerationStats>& history) {
  std::string out = "generation,best,mean,pool best,wall seconds,best standing lap s,best flying lap s\n";
  const auto lap = [](const std::optional<float>& t) { return t ? fixed(*t, 3) : std::string(); };
  for (size_t i = 0; i < history.size(); ++i) {
    const GenerationStats& g = history[i];
    out += std::to_string(i + 1) + "," + fixed(g.best, 0) + "," + fixed(g.mean, 1) + "," + fixed(g.poolBest, 0) + "," +
           fixed(g.seconds, 3) + "," + lap(g.standingLap) + "," + lap(g.flyingLap) + "\n";
  }
  return out;
}

namespace {

constexpr int kPlotW = 320, kPlotH = 180, kLeft = 30, kRight = kPlotW - 8, kTop = 14, kBottom = kPlotH - 18;

// The y axis from 0 to `top` with a few round ticks, labelled.
void drawScoreAxis(double top, double step) {
  setColor(color::darkGrey);
  line(kLeft, kBottom, kRight, kBottom);
  line(kLeft, kTop, kLeft, kBottom);
  for (double v = 0; v <= top + step / 2; v += step) {
    const Pint y = Pint(std::lround(kBottom - v / top * (kBottom - kTop)));
    setColor(color::darkGrey);
    line(kLeft - 2, y, kLeft, y);
    setColor(color::lightGrey);
    printr(fixed(v, 0), kLeft - 4, y - 2);
  }
  setColor(color::white);
  print("score (nodes reached)", kLeft, 3);
}

void drawSeries(const std::vector<GenerationStats>& history, double top, bool best) {
  const size_t n = history.size();
  auto x = [&](size_t i) { return Pint(kLeft + (n <= 1 ? 0 : int64_t(i) * (kRight - kLeft) / int64_t(n - 1))); };
  auto y = [&](float v) { return Pint(kBottom - std::clamp(double(v) / top, 0.0, 1.0) * double(kBottom - kTop)); };
  setColor(best ? 11 : 12);  // best in green, mean in blue
  for (size_t i = 0; i < n; ++i) {
    const float v = best ? history[i].best : history[i].mean;
    const float prev = i == 0 ? v : (best ? history[i - 1].best : history[i - 1].mean);
    line(x(i == 0 ? 0 : i - 1), y(prev), x(i), y(v));
    circfill(x(i), y(v), 1);
  }
}

}  // namespace

void writeTrainingPlot(const std::string& path, const std::vector<GenerationStats>& history) {
  resetDrawState();
  setCanvasSize(kPlotW, kPlotH);
  cls();
  float most = 1;
  for (const GenerationStats& g : history) most = std::max(most, g.best);
  const double step = tickStep(most, 4), top = step * std::ceil(most / step);
  // Text only when the run folder's font is there to write it with.
  bool text = true;
  try {
    loadFont(1, "font5x5.png", font5x5Chars);
    setFont(1);
  } catch (const GameError& e) {
    echo("warning: ", e.what(), "; the plot has no text");
    text = false;
  }
  if (text) {
    drawScoreAxis(top, step);
    setColor(color::green);
    print("best", kLeft, kBottom + 8);
    setColor(color::blue);
    print("mean", kLeft + 30, kBottom + 8);
    setColor(color::white);
    const size_t n = history.size();
    printr(std::to_string(n) + (n == 1 ? " generation" : " generations"), kRight, kBottom + 8);
  } else {
    setColor(color::darkGrey);
    line(kLeft, kBottom, kRight, kBottom);
    line(kLeft, kTop, kLeft, kBottom);
  }
  drawSeries(history, top, false);
  drawSeries(history, top, true);
  writePngIndexed(path, *drawState().swCanvas, loadPaletteDefault());
}

namespace {

// Training and the pool are done when these are written: a file that cannot be written (a full
// disk, say) is a warning, not a failed run.
void writeOrWarn(const std::string& path, const std::function<void(const std::string&)>& write) {
  try {
    write(path);
    echo("wrote ", path);
  } catch (const GameError& e) {
    echo("warning: ", path, " was not written: ", e.what());
  }
}

void writeTrainingFiles(const std::vector<GenerationStats>& history, const TrainerOptions& o) {
  const auto file = [&](const char* name) { return gameFile(runFile(name, o.track, o.level, o.driver)); };
  writeOrWarn(file("assets/training.png"), [&](const std::string& p) { writeTrainingPlot(p, history); });
  writeOrWarn(file("assets/training.csv"),
              [&](const std::string& p) { writeFileAtomically(p, formatTrainingRecord(history)); });
  // The last scored generation's best car, for the game's --ghost and for a closer look.
  if (const std::shared_ptr<Tape>& champion = trainingRecord().replays.champion)
    writeOrWarn(file("assets/champion.tape"), [&](const std::string& p) { writeTapeFile(p, *champion); });
}

}  // namespace

int runTrainer(const TrainerOptions& o) {
  catchStopSignals();
  if (o.seed)
    seedRandomMixed(*o.seed);
  else
    seedRandomFromClock();
  Harness& h = harness();
  sessionOptions().trackSlot = o.track;
  sessionOptions().level = aiState().difficulty = o.level;
  sessionOptions().driver = o.driver;
  const std::string kind = o.driver == DriverKind::pid ? "" : std::string(driverName(o.driver)) + " ";
  echo("gain pool: ", poolPath(), " (", kind, "drivers at level ", o.level, ")");
  h.myMap = loadTrainingTrack(o.track);
  loadCarComponentSettings(gameFile(componentsFile));
  planReferenceLap();
  nextIteration();
  for (int64_t g = 1; g <= o.generations; ++g) {
    const std::optional<GenerationStats> s = runGeneration(o.threads);
    if (!s) break;
    echo("generation ", g, ": best ", fixed(s->best, 0), ", mean ", fixed(s->mean, 1), ", pool best ",
         fixed(s->poolBest, 0), ", ", lapsText(*s), ", ", fixed(s->seconds, 2), " s");
    if (stopSignal()) break;
  }
  const std::vector<GenerationStats>& history = trainingRecord().history;
  writeTrainingFiles(history, o);
  if (!history.empty() && trainingRecord().poolSaves == 0) {
    echo("the gain pool was never saved: ", poolPath());
    return 1;
  }
  if (stopSignal()) {
    echo("stopped by ", stopSignal() == SIGINT ? "SIGINT" : "SIGTERM", " after ", history.size(),
         history.size() == 1 ? " generation" : " generations", "; the pool holds the last save");
    return 128 + stopSignal();
  }
  return 0;
}

}  // namespace dx
