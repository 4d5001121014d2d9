#pragma once
// Training without a window: the game's generations run back to back as fast as the processor
// allows, on the same track, catalogue, test car and gain pool.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/generation_stats.h"
#include "car/driver_kind.h"

namespace dx {

// All cores, and at least one thread.
int64_t defaultThreads();

struct TrainerOptions {
  int64_t generations = 10;
  int64_t track = 1;
  int64_t level = 0;  // the drivers' difficulty level
  DriverKind driver = DriverKind::pid;
  std::optional<uint64_t> seed;
  int64_t threads = defaultThreads();
};

// Parses the command line; returns nothing after printing the usage or an error. `ok` tells
// which of the two it was.
std::optional<TrainerOptions> parseTrainerArgs(const std::vector<std::string>& args, bool& ok);

// Runs one generation for 60 s of game time, its cars shared out over `threads` threads, and
// starts the next; returns its record, or nothing when a stop signal abandoned it. The outcome
// does not depend on the number of threads.
std::optional<GenerationStats> runGeneration(int64_t threads);
// The per-generation record as CSV: a header line, then generation, best, mean, pool best, wall
// seconds and the champion's best standing and flying laps (empty when it completed none).
std::string formatTrainingRecord(const std::vector<GenerationStats>& history);
// SIGINT or SIGTERM once one has asked the trainer to stop, else 0.
int stopSignal();
// Draws the best and mean score per generation into a PNG.
void writeTrainingPlot(const std::string& path, const std::vector<GenerationStats>& history);

// Trains after start-up (every module state reset, the base and asset paths set).
int runTrainer(const TrainerOptions& options);

}  // namespace dx
