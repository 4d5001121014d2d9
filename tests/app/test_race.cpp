#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>

#include "app/gain_pool.h"
#include "app/race.h"
#include "app/race_results.h"
#include "app/training.h"
#include "car/ai_driver.h"
#include "car/speed_plan.h"
#include "framework/file_io.h"
#include "harness_fixture.h"
#include "map/node_queries.h"

namespace dx {
namespace {

constexpr float kDt = 1.0f / 60.0f;

// Gains that lap each shipped track, found by the trainer (best first).
std::vector<ScoredGains> drivingPool(int64_t slot) {
  if (slot == 1) return {{724, {1.1466669f, 0.15745458f, 0.71529734f}}, {722, {1.3225640f, 0.089929298f, 0.67683017f}}};
  if (slot == 2) return {{542, {0.948f, 0.057f, 0.975f}}, {542, {0.957f, 0.318f, 0.929f}}};
  return {{896, {0.651f, 0.203f, 0.517f}}, {892, {0.613f, 0.125f, 0.485f}}};
}

struct Result {
  std::string driver;
  int64_t place;
  float total;  // -1 for DNF
  std::vector<float> laps;
  bool operator==(const Result&) const = default;
};

class RaceTest : public test::HarnessTest {
 protected:
  // A one-lap race of the user's car and three opponents (two from the pool, one bred).
  RacePtr start(int64_t slot, uint64_t seed, bool pole = false) {
    map = loadSessionTrack(slot).map;
    loadCarSettings(gameFile(testCarFile), settings);
    user = newCar(nullptr, settings);
    recalculate(user->settings);
    return newRace({*map, user, settings, pool = drivingPool(slot), 3, pole, seed, 1, 100, DriverKind::pid, nullptr});
  }
  // Steps to the results with the user's throttle held.
  std::vector<Result> runToResults(Race& race) {
    for (int i = 0; i < 60 * 200 && !race.over; ++i) {
      user->controls.accel = true;
      stepRace(race, kDt);
    }
    std::vector<Result> out;
    for (const RaceEntry* e : standings(race))
      out.push_back({entryName(*e), placeOf(race, *e), e->total.value_or(-1.0f), e->car->lapTimes});
    return out;
  }
  MapPtr map;
  CarSettings settings;
  CarPtr user;
  std::vector<ScoredGains> pool;
};

TEST_F(RaceTest, RacesOnEveryShippedTrackRunToReproducibleResults) {
  for (int64_t slot : {1, 2, 3}) {
    SCOPED_TRACE("track " + std::to_string(slot));
    RacePtr race = start(slot, 42);
    const std::vector<Result> results = runToResults(*race);
    ASSERT_TRUE(race->over);
    std::vector<int64_t> places;
    int64_t finished = 0;
    for (const RaceEntry& e : race->entries) {
      places.push_back(placeOf(*race, e));
      if (!e.total) continue;
      finished += 1;
      const std::vector<float>& t = e.car->lapTimes;
      ASSERT_EQ(t.size(), 2u);  // the lap, and the step that crossed the line
      EXPECT_EQ(*e.total, t[0]);
      EXPECT_TRUE(e.car->finished);
    }
    std::sort(places.begin(), places.end());
    EXPECT_EQ(places, (std::vector<int64_t>{1, 2, 3, 4}));
    EXPECT_GE(finished, 2) << "the pool's drivers finish";
    std::vector<std::string> drivers;
    for (const Result& r : results) drivers.push_back(r.driver);
    EXPECT_EQ(std::set<std::string>(drivers.begin(), drivers.end()),
              (std::set<std::string>{"you", "AI #1", "AI #2", "AI #b1"}));
    RacePtr again = start(slot, 42);
    EXPECT_EQ(runToResults(*again), results);
  }
}

TEST_F(RaceTest, TheGridHoldsUntilGoAndAFinishedCarStops) {
  RacePtr race = start(1, 7);
  const Node& line = nodeAt(*map, 0);
  const Vec2f ahead = polarVec2f(line.angle, 1);
  std::vector<Vec2f> grid;
  for (const RaceEntry& e : race->entries) grid.push_back(e.car->pos);
  for (size_t i = 0; i < grid.size(); ++i) {
    EXPECT_LT(dot(grid[i] - line.pos, ahead), -0.625f) << "car " << i << " behind the line";
    for (size_t j = 0; j < i; ++j) EXPECT_GE(length(grid[i] - grid[j]), 2.0f) << i << " and " << j;
  }
  // The user starts last, on the last row.
  EXPECT_LT(dot(grid[0] - line.pos, ahead), dot(grid[1] - line.pos, ahead));
  EXPECT_EQ(countdownNumber(*race), 3);
  for (int64_t i = 0; i < kCountdownSteps; ++i) {
    EXPECT_FALSE(race->state.ready);
    user->controls.accel = true;
    stepRace(*race, kDt);
  }
  EXPECT_TRUE(race->state.ready);
  EXPECT_EQ(countdownNumber(*race), 0);
  for (size_t i = 0; i < grid.size(); ++i) EXPECT_EQ(race->entries[i].car->pos, grid[i]);
  stepRace(*race, kDt);
  for (size_t i = 1; i < grid.size(); ++i) EXPECT_TRUE(race->entries[i].car->controls.boost);
  for (int k = 0; k < 120; ++k) stepRace(*race, kDt);  // the launch is over within two seconds
  for (size_t i = 1; i < grid.size(); ++i) EXPECT_FALSE(race->entries[i].car->controls.boost);
  runToResults(*race);
  for (const RaceEntry& e : race->entries) {
    if (e.total) {
      EXPECT_LT(length(e.car->vel), 1.0f) << entryName(e) << " still moving";
    }
  }
}

// Racers from the shipped pool read the track's plan and finish a lap near its reference.
TEST_F(RaceTest, RacerOpponentsDriveOnTheSpeedPlan) {
  map = loadSessionTrack(1).map;
  loadCarSettings(gameFile(testCarFile), settings);
  recalculate(settings);
  const auto plan = std::make_shared<const SpeedPlan>(planSpeeds(*map, measureCarLimits(settings)));
  user = newCar(nullptr, settings);
  recalculate(user->settings);
  pool = *readPool(test::sourceDir() + "/assets/ai-racer.json", kRacerGenes);
  RacePtr race = newRace({*map, user, settings, pool, 3, false, 5, 1, 100, DriverKind::racer, plan});
  runToResults(*race);
  for (size_t i = 1; i < race->entries.size(); ++i) {
    const RaceEntry& e = race->entries[i];
    EXPECT_EQ(e.car->ai->kind, DriverKind::racer);
    ASSERT_TRUE(e.total) << entryName(e);
    EXPECT_LT(*e.total, plan->standingLap * 1.05f) << entryName(e);
  }
}

TEST_F(RaceTest, OpponentsComeFromThePoolThenBreedingThenChance) {
  RandomState r = streamFor(1, 2, 3);
  const std::vector<ScoredGains> pool = {{9, {1, 2, 3}}, {8, {1, 2, 3}}, {7, {4, 5, 6}}};
  const std::vector<OpponentChoice> chosen = chooseOpponents(pool, 3, r);
  ASSERT_EQ(chosen.size(), 3u);
  EXPECT_EQ(chosen[0].rank, 1);
  EXPECT_EQ(chosen[1].rank, 3);  // the second entry drives as the first
  EXPECT_EQ(chosen[1].gains, (std::vector<float>{4, 5, 6}));
  EXPECT_EQ(chosen[2].source, GainSource::bred);
  EXPECT_EQ(chooseOpponents({}, 2, r)[1].source, GainSource::random);
}

TEST_F(RaceTest, ARetiredRaceAppendsItsResultsToTheFile) {
  RacePtr race = start(1, 7, true);
  retire(*race);
  EXPECT_TRUE(race->over);
  EXPECT_TRUE(race->entries[0].retired);
  stepRace(*race, kDt);
  EXPECT_EQ(race->countdown, kCountdownSteps) << "a race that is over stands still";
  // The pole row first, in grid order, every car DNF.
  const std::string lines = resultsLines(*race, {"2026-12-09T10:11:12", 1, "pid", 0});
  EXPECT_EQ(lines,
            "2026-12-09T10:11:12,1,pid,0,1,you,,DNF\n"
            "2026-12-09T10:11:12,1,pid,0,2,AI #1,,DNF\n"
            "2026-12-09T10:11:12,1,pid,0,3,AI #2,,DNF\n"
            "2026-12-09T10:11:12,1,pid,0,4,AI #b1,,DNF\n");
  const std::string path = (base / "results.csv").string();
  const test::LogCapture capture;
  ASSERT_TRUE(appendResults(path, lines));
  ASSERT_TRUE(appendResults(path, lines));
  EXPECT_EQ(readTextFile(path), std::string(kResultsHeader) + lines + lines);
  EXPECT_FALSE(appendResults((base / "none" / "results.csv").string(), lines));
  EXPECT_EQ(capture.out().rfind("could not write the race results (", 0), 0u) << capture.out();
}

}  // namespace
}  // namespace dx
