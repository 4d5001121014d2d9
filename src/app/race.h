#pragma once
// A race: the user's car and a field of AI drivers from the track's gain pool on a grid behind the
// start line, a countdown, the track's laps and the finish. The simulation runs from explicit
// inputs (track, cars, time step, seed) so that a whole race can be run without a window; the
// game's race mode is a shell around it. Nothing is bred into or saved to the pool.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/game.h"
#include "framework/random.h"
#include "objects/shared_records.h"

namespace dx {

constexpr int64_t kDefaultOpponents = 7;
constexpr int64_t kMaxOpponents = 15;
// Steps of the countdown before GO (3, 2, 1 at one second each), and of the GO shown after it.
constexpr int64_t kCountdownSteps = 180;
constexpr int64_t kGoSteps = 60;
// How long the race waits for a user still driving once every opponent has finished, or for the
// field once the user has finished.
constexpr float kLastFinishWait = 30.0f;

// Where an opponent's gains come from.
enum class GainSource { user, pool, bred, random };

struct RaceEntry {
  CarPtr car;
  GainSource source = GainSource::user;
  int64_t rank = 0;            // the gains' 1-based rank in the pool; for bred and random ones their count
  int64_t start = 0;           // the node the car started the race on
  std::vector<float> reached;  // race time at which the car first reached each node from `start`
  std::optional<float> total;  // the time to complete the distance: the sum of its laps
  bool retired = false;
};

// The car's mark on screen and in the results: its pool rank ("3"), "b1" for the first bred, "r1"
// for the first random one; "you" for the user.
std::string entryLabel(const RaceEntry& e);
// "you" or "AI #3".
std::string entryName(const RaceEntry& e);

struct RaceSetup {
  Map& map;
  CarPtr user;                  // the user's car, put on the grid (added to the track if not on it)
  const CarSettings& settings;  // the build of every opponent
  const std::vector<ScoredGains>& pool;
  int64_t opponents = kDefaultOpponents;
  bool pole = false;    // the user starts first instead of last
  uint64_t seed = 0;    // every draw of the race comes from it
  int64_t laps = 0;     // a closed track's laps; 0 for the track's own
  float timeLimit = 0;  // race seconds after which the cars still running are DNF; 0 for none
  DriverKind driver = DriverKind::pid;
  std::shared_ptr<const SpeedPlan> plan;  // the track's speed plan, for the kinds that read it
};

struct Race {
  RaceState state;  // the cars' race: its clock, whether GO has come
  Map* map = nullptr;
  std::vector<RaceEntry> entries;  // the user first, then the opponents in grid order
  int64_t countdown = kCountdownSteps;
  int64_t finishNode = 0;
  float timeLimit = 0;
  std::optional<float> lastOpponentFinish;
  bool over = false;
  RandomState random;  // the step's own generator, for what no car's stream draws
};
using RacePtr = std::unique_ptr<Race>;

// An opponent's gains and where they come from (no gains: random ones, drawn with its car).
struct OpponentChoice {
  GainSource source = GainSource::pool;
  int64_t rank = 0;
  std::vector<float> gains;
};
// The best distinct entries of the pool in rank order, the rest bred from the pool as a generation
// would be (random when it is empty), drawn from `r`.
std::vector<OpponentChoice> chooseOpponents(const std::vector<ScoredGains>& pool, int64_t count, RandomState& r);
// Builds the field on the grid (two abreast, a car length between rows, the pole car just behind
// the line) and adds the opponents to the track. The cars stand still until GO.
RacePtr newRace(const RaceSetup& setup);
// Takes the race's opponents off the track; the user's car stays.
void endRaceOnTrack(Race& race);

// One simulation step: the countdown, or the world, the lap times and the finish of every car.
void stepRace(Race& race, float dt);
// The user gives up: the race ends, the user is DNF.
void retire(Race& race);
// The number shown during the countdown (3, 2, 1), 0 for GO and -1 once GO has gone.
int64_t countdownNumber(const Race& race);

// The entries in race order: finished cars by total time, then the others by how far they got
// (earlier arrival first at the same node).
std::vector<const RaceEntry*> standings(const Race& race);
// The 1-based place of an entry in the standings.
int64_t placeOf(const Race& race, const RaceEntry& e);
// Seconds behind the car ahead at the node where the entry is now, if it has one.
std::optional<float> gapAhead(const Race& race, const RaceEntry& e);
// The race's laps (1 on an open track).
int64_t raceLaps(const Race& race);
// The lap the entry is on, 1-based and at most the race's laps.
int64_t lapOf(const Race& race, const RaceEntry& e);
// Completed laps only.
std::optional<float> lastLap(const Race& race, const RaceEntry& e);
std::optional<float> bestLap(const Race& race, const RaceEntry& e);

}  // namespace dx
