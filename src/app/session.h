#pragma once
// What the harness keeps beyond its described module state: the options the session was started
// with, and the record of its training (scores per generation, the champion, the replays).
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/generation_stats.h"
#include "app/replays.h"
#include "car/ai_driver.h"
#include "car/speed_plan.h"

namespace dx {

// Chosen on the command line; fixed for the session.
struct SessionOptions {
  int64_t trackSlot = 1;                // the track raced and trained on: maps/<slot>.map
  int64_t level = 0;                    // the drivers' difficulty level, 0 to 4
  DriverKind driver = DriverKind::pid;  // how the computer drivers decide
  std::string ghostFile;                // a tape to race against from the start, if any
  bool race = false;                    // a race against the pool's best instead of training
  int64_t opponents = 7;                // the race's computer drivers, 1 to 15
  bool pole = false;                    // the user starts the race first instead of last
};

// What training has done in this session.
struct TrainingRecord {
  std::vector<GenerationStats> history;  // one record per scored generation
  std::chrono::steady_clock::time_point generationStart;
  Replays replays;
  // Why the track's pool is not saved in this session (its track did not load whole, or breaks a
  // layout rule); empty when it is.
  std::string notSaved;
  int64_t poolSaves = 0;  // saves that reached the file
  // The reference lap of the track for the test car: what the car could do along the racing line.
  std::shared_ptr<const SpeedPlan> reference;
};

SessionOptions& sessionOptions();
TrainingRecord& trainingRecord();
void resetSession();

}  // namespace dx
