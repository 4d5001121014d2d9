#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "app/lap_times.h"
#include "app/process_runner.h"
#include "app/race_mode.h"
#include "app/replays.h"
#include "app/training.h"
#include "car/tape.h"
#include "framework/input.h"
#include "harness_fixture.h"
#include "map/node_queries.h"
#include "map/world_step.h"
#include "test_support.h"

namespace dx {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test::HarnessTest;

class ReplaysTest : public HarnessTest {
 protected:
  void SetUp() override {
    HarnessTest::SetUp();
    Harness& h = harness();
    CarSettings s;
    loadCarSettings(gameFile(testCarFile), s);
    h.myCar = newCar(nullptr, s);
    h.myCar->map = h.myMap.get();
    setNode(*h.myCar, 0);
    recalculate(h.myCar->settings);
    h.myMap->trackObjects.push_back(h.myCar);
    startReplays(trainingRecord().replays, *h.myCar, *h.myMap, 1);
    initInput();
  }
  // Drives the user's car along for some steps, then puts it over the line into the next lap.
  void lap(float seconds, int steps = 30) {
    Harness& h = harness();
    inputState().controllers[0]->buttons[size_t(Button::A)] = 2;
    for (int i = 0; i < steps; ++i) gameUpdateRace(1.0f / 60);
    const int64_t n = int64_t(h.myMap->path.size());
    h.myCar->currentNode = (h.myCar->currentNode / n + 1) * n;
    h.myCar->lapTimes.back() = seconds;
    h.myCar->lapTimes.push_back(0);
    afterRaceStep(trainingRecord().replays, *h.myCar, *h.myMap, 1);
  }
};

// Only a faster, undisturbed lap becomes the ghost; the ghost starts at every lap start, passes
// through the user's car and never reaches the pool.
TEST_F(ReplaysTest, FastestCleanLapBecomesAGhostThatTouchesNothing) {
  Replays& r = trainingRecord().replays;
  const test::LogCapture capture;
  lap(40);
  ASSERT_TRUE(r.bestLap);
  EXPECT_EQ(r.bestLap->time, 40.0f);
  EXPECT_EQ(r.bestLap->frames.size(), 30u);
  const CarPtr first = r.ghost;
  ASSERT_TRUE(first);
  EXPECT_TRUE(first->ethereal);
  EXPECT_EQ(first->team, harness().myCar->team);
  lap(45);
  EXPECT_EQ(r.bestLap->time, 40.0f);
  EXPECT_NE(r.ghost, first);  // a new start for the new lap
  lap(35);
  EXPECT_EQ(r.bestLap->time, 35.0f);
  lapInterrupted(r);
  lap(20);
  EXPECT_EQ(r.bestLap->time, 35.0f);
  EXPECT_EQ(capture.out(), "best lap: 40.00 s\nbest lap: 35.00 s\n");
  EXPECT_EQ(std::count(harness().myMap->trackObjects.begin(), harness().myMap->trackObjects.end(), r.ghost), 1);

  // The ghost on the user's car: the user drives exactly as it would alone.
  Car& user = *harness().myCar;
  r.ghost->pos = user.pos;
  r.ghost->angle = user.angle;
  r.ghost->currentNode = user.currentNode;
  const CarStart before = captureStart(user);
  const Vec2f vel = user.vel;
  update(*harness().myMap, 1.0f / 60);
  const Vec2f withGhost = user.pos;
  takeOffTrack(*harness().myMap, r.ghost);
  restoreStart(user, before);
  user.vel = vel;
  update(*harness().myMap, 1.0f / 60);
  EXPECT_EQ(user.pos, withGhost);

  toggleGhost(r, *harness().myMap);
  EXPECT_FALSE(r.ghost);
  nextIteration();
  for (const CarPtr& car : harness().aiCars) car->currentNode = 7;
  nextIteration();
  EXPECT_EQ(harness().bestAI.size(), 100u);
  ASSERT_TRUE(r.champion);
  EXPECT_EQ(r.champion->score, 7.0f);
}

TEST_F(ReplaysTest, BestLapSavedToTheUsersTapesAndLoadedAsAGhost) {
  Replays& r = trainingRecord().replays;
  loopState().writePath = (base / "home").string();
  test::LogCapture capture;
  EXPECT_EQ(saveBestLap(r, 1), "");
  lap(31.255f);
  const std::string path = saveBestLap(r, 1);
  const std::string out = capture.out();
  EXPECT_EQ(fs::path(path).parent_path(), base / "home" / "tapes");
  EXPECT_EQ(fs::path(path).filename().string().rfind("track1-lap-31.25s-", 0), 0u) << path;
  EXPECT_NE(out.find("saved tape to: " + path), std::string::npos) << out;

  Replays loaded;
  capture.clear();
  EXPECT_TRUE(loadGhost(loaded, path, 1));
  EXPECT_FALSE(loadGhost(loaded, path, 2));
  EXPECT_EQ(capture.out(),
            "ghost: " + path + "\nno ghost: " + path + ": the tape was driven on track 1, not on track 2\n");
  EXPECT_EQ(formatTape(*loaded.bestLap), formatTape(*r.bestLap));
}

// The trainer's champion tape, replayed alone on the track, reaches the champion's score exactly,
// for every kind of driver: on the open track 2 a racer scores at its pace to the finish.
TEST(ChampionTape, TrainersChampionReplaysToItsScore) {
  const fs::path dir = fs::temp_directory_path() / ("dx-champion-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path game = fs::absolute(test::gameDir());
  fs::copy_file(game / "draxen3516-train", dir / "draxen3516-train");
  fs::create_directory_symlink(game / "maps", dir / "maps");
  fs::create_directories(dir / "assets");
  for (const fs::directory_entry& e : fs::directory_iterator(game / "assets"))
    if (e.path().filename().string().rfind("ai", 0) != 0)
      fs::create_symlink(e.path(), dir / "assets" / e.path().filename());
  loopState().basePath = dir.string() + "/";
  loopState().assetPath = (dir / "assets").string();
  for (const auto& [kind, track, tape] : {std::tuple{"pid", 1, "champion.tape"},
                                          {"neural", 1, "champion-neural.tape"},
                                          {"racer", 2, "champion-2-racer.tape"}}) {
    test::GameProcess p;
    p.start((dir / "draxen3516-train").string(), dir.string(), {},
            {"--generations", "2", "--seed", "9", "--driver", kind, "--track", std::to_string(track)});
    ASSERT_EQ(p.wait(120s), 0) << p.err();
    const Tape champion = readTapeFile((dir / "assets" / tape).string());
    EXPECT_EQ(champion.kind, "champion");
    EXPECT_EQ(driverName(champion.driver), kind);
    EXPECT_EQ(champion.genes.size(), geneCount(champion.driver));
    EXPECT_GT(champion.score, 100.0f);
    EXPECT_NEAR(double(champion.frames.size()), 3600, 1);  // 60 s of steps

    const test::LogCapture capture;
    MapPtr map = loadMap("", track);
    CarPtr car = newReplayCar(champion, *map, teamDK);
    map->trackObjects = {car};
    float clock = 0;
    for (size_t i = 0; i < champion.frames.size(); ++i) stepRun(*map, clock, 1.0f / 60, randomState());
    const float finish = float(int64_t(map->path.size()) - kFinishFromEnd);
    EXPECT_EQ(track == 1 ? float(car->currentNode) : finish * 60 / car->lapTimes.at(0), champion.score) << kind;
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace dx
