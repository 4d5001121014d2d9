#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <limits>

#include "app/gain_pool.h"
#include "app/reset_all.h"
#include "app/training.h"
#include "car/ai_driver.h"
#include "framework/errors.h"
#include "framework/file_io.h"
#include "harness_fixture.h"
#include "nn/evolution.h"
#include "test_support.h"

namespace dx {
namespace {

using test::HarnessTest;
namespace fs = std::filesystem;

TEST_F(HarnessTest, FirstCallLoadsAnEmptyPoolAndMakesRandomDrivers) {
  const test::LogCapture capture;
  nextIteration();
  EXPECT_EQ(capture.out(), "loaded 0 pid settings\n");
  const Harness& h = harness();
  EXPECT_EQ(h.iteration, 1);
  ASSERT_EQ(h.aiCars.size(), 100u);
  EXPECT_EQ(h.myMap->trackObjects.size(), 100u);
  for (const CarPtr& car : h.aiCars) {
    EXPECT_TRUE(car->ethereal);
    EXPECT_EQ(car->team, teamSK);
    EXPECT_EQ(car->ai->skill, 0.5f);
    EXPECT_EQ(car->currentNode, -2);  // start position 2 on a loop
    const PID& p = car->ai->pidSteering0;
    for (float g : {p.Kp, p.Ki, p.Kd}) {
      EXPECT_GE(g, -1.0f);
      EXPECT_LE(g, 1.0f);
    }
  }
  EXPECT_NE(h.aiCars[0]->ai->pidSteering0.Kp, h.aiCars[1]->ai->pidSteering0.Kp);
}

TEST_F(HarnessTest, ScoringSavesOnlyPositiveScoresBestFirst) {
  test::LogCapture capture;
  nextIteration();
  Harness& h = harness();
  for (size_t i = 0; i < h.aiCars.size(); ++i) h.aiCars[i]->currentNode = int64_t(i % 7) - 3;
  capture.clear();
  nextIteration();
  EXPECT_EQ(capture.err(), "iteration: , 1\n");
  EXPECT_EQ(h.timeSinceStart, 0.0f);
  ASSERT_EQ(h.bestAI.size(), 100u);
  EXPECT_EQ(h.bestAI[0].score, 3.0f);
  const std::vector<ScoredGains> saved = parsePool(pool(), "pool", 3);
  for (const ScoredGains& g : saved) EXPECT_GT(g.score, 0.0f);
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(saved[0].score, 3.0f);
  EXPECT_EQ(saved.size(), size_t(std::count_if(h.bestAI.begin(), h.bestAI.end(), [](auto& g) { return g.score > 0; })));
  EXPECT_EQ(h.aiCars.size(), 100u);
  EXPECT_EQ(h.myMap->trackObjects.size(), 100u);  // the old generation left the track
}

TEST_F(HarnessTest, NoPositiveScoreSavesAnEmptyArray) {
  const test::LogCapture capture;
  nextIteration();
  for (const CarPtr& car : harness().aiCars) car->currentNode = 0;
  nextIteration();
  EXPECT_EQ(pool(), "[]");
  EXPECT_EQ(harness().bestAI.size(), 100u);
}

TEST_F(HarnessTest, KthScoringWritesItsDebugLine) {
  const test::LogCapture capture;
  for (int k = 0; k < 4; ++k) nextIteration();
  EXPECT_EQ(capture.err(), "iteration: , 1\niteration: , 2\niteration: , 3\n");
}

// The record the panel shows and the trainer plots: one per scored generation.
// The record the status panel shows and the trainer prints and plots: one per scored generation.
TEST_F(HarnessTest, ScoringRecordsTheGeneration) {
  Harness& h = harness();
  auto next = [] {
    const test::LogCapture capture;
    nextIteration();
  };
  next();
  EXPECT_TRUE(trainingRecord().history.empty());
  double sum = 0;
  for (size_t i = 0; i < h.aiCars.size(); ++i) {
    h.aiCars[i]->currentNode = int64_t(i % 7) - 3;
    sum += double(int64_t(i % 7) - 3);
  }
  h.aiCars[17]->currentNode = 9;
  sum += 9 - (17 % 7 - 3);
  next();
  ASSERT_EQ(trainingRecord().history.size(), 1u);
  EXPECT_EQ(trainingRecord().history[0].best, 9.0f);
  EXPECT_EQ(trainingRecord().history[0].mean, float(sum / 100));
  EXPECT_EQ(trainingRecord().history[0].poolBest, 9.0f);
  EXPECT_GE(trainingRecord().history[0].seconds, 0.0);
  for (const CarPtr& car : h.aiCars) car->currentNode = 1;
  next();
  ASSERT_EQ(trainingRecord().history.size(), 2u);
  EXPECT_EQ(trainingRecord().history[1].best, 1.0f);
  EXPECT_EQ(trainingRecord().history[1].poolBest, 9.0f);
}

TEST_F(HarnessTest, LoadedPoolSeedsTheNextGeneration) {
  writePool(R"([{"score": 7, "weights": [0.5, 0.25, 2]}, {"score": 3.5, "weights": [1, 2, 3]}])");
  const test::LogCapture capture;
  nextIteration();
  EXPECT_EQ(capture.out(), "loaded 2 pid settings\n");
  ASSERT_EQ(harness().bestAI.size(), 2u);
  EXPECT_EQ(harness().bestAI[0].weights, (std::vector<float>{0.5f, 0.25f, 2.0f}));
}

TEST_F(HarnessTest, UnreadablePoolEndsWithAnErrorAndIsLeftAlone) {
  const std::string bad = R"([{"score": 1, "weights": [1, 2]}])";
  for (const std::string& text : {std::string("{}"), std::string("[1]"), std::string("[{\"score\": 1}]"), bad,
                                  std::string("[{\"weights\": [1,2,3]}]"), std::string("not json")}) {
    writePool(text);
    try {
      nextIteration();
      FAIL() << text;
    } catch (const FormatError& e) {
      EXPECT_NE(std::string(e.what()).find("ai.json"), std::string::npos) << e.what();
    }
    EXPECT_EQ(pool(), text);
  }
}

// Numbers a float32 cannot hold or no gain can use, and values of another JSON type, are refused
// naming the file and the entry; the file is left as it was.
TEST_F(HarnessTest, PoolValuesOutOfRangeOrOfTheWrongTypeAreRefused) {
  const std::string file = (base / "assets" / "ai.json").string();
  const struct {
    std::string entry, why;
  } cases[] = {
      {R"({"score": 5, "weights": [1e39, 0, 0]})", "weight 0 is 1e+39, outside -10000 to 10000"},
      {R"({"score": 5, "weights": [0, -3.4e38, 0]})", "weight 1 is -3.4e+38, outside -10000 to 10000"},
      {R"({"score": -1e10, "weights": [0, 0, 0]})", "\"score\" is -1e+10, outside -1e+09 to 1e+09"},
      {R"({"score": "high", "weights": [0, 0, 0]})", "\"score\" must be a number, not string"},
      {R"({"score": true, "weights": [0, 0, 0]})", "\"score\" must be a number, not boolean"},
      {R"({"score": null, "weights": [0, 0, 0]})", "\"score\" must be a number, not null"},
      {R"({"score": 5, "weights": [0, "1", 0]})", "weight 1 must be a number, not string"},
      {R"({"score": 5, "weights": [0, 0, [1]]})", "weight 2 must be a number, not array"},
  };
  for (const auto& c : cases) {
    const std::string text = R"([{"score": 9, "weights": [1, 2, 3]}, )" + c.entry + "]";
    writePool(text);
    try {
      nextIteration();
      ADD_FAILURE() << c.entry;
    } catch (const FormatError& e) {
      EXPECT_EQ(std::string(e.what()), file + ": entry 1: " + c.why);
    }
    EXPECT_EQ(pool(), text);
  }
}

// A pool that is not JSON at all is refused, naming the file and where the parser stopped.
TEST(PoolFile, TextThatIsNotJsonSaysWhere) {
  try {
    parsePool("[{\"score\": 1, \"weights\": [1, 2, 3]},", "ai.json", 3);
    FAIL() << "parsed";
  } catch (const FormatError& e) {
    EXPECT_STREQ(e.what(),
                 "ai.json: not valid JSON: parse error at line 1, column 37: syntax error while parsing value - "
                 "unexpected end of input; expected '[', '{', or a literal");
  }
}

// Whatever is in memory, the written pool holds only finite numbers within range, so it reads back.
TEST(PoolFile, NeverWritesANumberItWouldRefuse) {
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<ScoredGains> pool = {{9, {1, 2, 3}},    {inf, {1, 2, 3}},  {8, {nan, 0, 0}},
                                         {7, {0, -inf, 0}}, {6, {0, 0, 2e4f}}, {nan, {0, 0, 0}}};
  const std::string text = formatPool(pool);
  EXPECT_EQ(text.find("null"), std::string::npos) << text;
  const std::vector<ScoredGains> back = parsePool(text, "p", 3);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].score, 9.0f);
}

TEST_F(HarnessTest, FailedSaveKeepsTheOldFileAndTriesAgain) {
  test::LogCapture capture;
  nextIteration();
  for (const CarPtr& car : harness().aiCars) car->currentNode = 5;
  const std::string before = pool();
  std::filesystem::remove(base / "assets" / "ai.json");
  std::filesystem::create_directory(base / "assets" / "ai.json");  // a folder where the file should be
  capture.clear();
  nextIteration();
  EXPECT_NE(capture.out().find("could not save the gain pool"), std::string::npos);
  EXPECT_EQ(harness().bestAI.size(), 100u);  // kept in memory
  std::filesystem::remove(base / "assets" / "ai.json");
  nextIteration();
  EXPECT_EQ(parsePool(pool(), "pool", 3).size(), 100u);
}

// A track that has not been trained on yet: no file is an empty pool, and the first scoring
// creates the track's own file.
TEST_F(HarnessTest, MissingPoolStartsFromRandomGainsInTheTracksOwnFile) {
  sessionOptions().trackSlot = 4;
  const std::string path = (base / "assets" / "ai-4.json").string();
  EXPECT_EQ(poolPath(), path);
  const test::LogCapture capture;
  nextIteration();
  EXPECT_EQ(capture.out(), "no gain pool yet: " + path + ", starting from random gains\n");
  EXPECT_EQ(harness().aiCars.size(), 100u);
  for (const CarPtr& car : harness().aiCars) car->currentNode = 3;
  nextIteration();
  EXPECT_EQ(parsePool(test::slurp(path), path, 3).size(), 100u);
  EXPECT_EQ(pool(), "[]");  // track 1's pool is not touched
  EXPECT_EQ(runFile("assets/training.csv", 1, 0), "assets/training.csv");
  EXPECT_EQ(runFile("assets/training.csv", 12, 0), "assets/training-12.csv");
  EXPECT_EQ(runFile("assets/ai.json", 1, 4), "assets/ai-l4.json");
  EXPECT_EQ(runFile("assets/champion.tape", 2, 4), "assets/champion-2-l4.tape");
}

// r while tuning: a broken file, or one the user's car can no longer be built from, leaves the
// catalogue in force; a good one replaces it.
TEST_F(HarnessTest, CatalogueReloadKeepsTheOldOneUntilTheNewOneWorks) {
  CarSettings s;
  loadCarSettings(gameFile(testCarFile), s);
  harness().myCar = newCar(nullptr, s);
  harness().myCar->settings.hullIndex = 1;
  const fs::path file = base / "assets" / "components.json";
  const std::string good = test::slurp(file);
  const size_t hulls = carCatalogue().carHulls.size();
  auto reloadWith = [&](const std::string& text) {
    fs::remove(file);
    std::ofstream(file) << text;
    const test::LogCapture capture;
    const bool took = reloadCatalogue();
    return std::make_pair(took, capture.out());
  };
  auto [took, out] = reloadWith("{\"hulls\": [\n  {\"name\": 1}}");
  EXPECT_FALSE(took);
  EXPECT_EQ(out,
            "could not reload the catalogue: " + file.string() +
                ": not valid JSON: parse error at line 2, column 14: syntax error while parsing array - unexpected "
                "'}'; expected ']'; the previous catalogue stays in force\n");
  EXPECT_EQ(carCatalogue().carHulls.size(), hulls);
  std::tie(took, out) =
      reloadWith(R"({"hulls": [{"name": "h"}], "thrusters": [{"name": "t"}], "heatsinks": [{"name": "s"}],
      "wings": [{"name": "w"}], "covers": [{"name": "c"}], "pods": [{"name": "p"}]})");
  EXPECT_FALSE(took);
  EXPECT_NE(out.find(": your car cannot be built from it: hull 1 is outside the catalogue's 1 entries;"),
            std::string::npos)
      << out;
  EXPECT_EQ(carCatalogue().carHulls.size(), hulls);
  std::tie(took, out) = reloadWith(good);
  EXPECT_TRUE(took) << out;
}

TEST(PoolRanking, HundredBestKeepTheirEarlierOrderOnTies) {
  std::vector<ScoredGains> pool;
  for (int i = 0; i < 150; ++i) pool.push_back({float(i % 75), {float(i), 0, 0}});
  std::vector<CarPtr> none;
  scorePopulation(pool, none);
  ASSERT_EQ(pool.size(), 100u);
  EXPECT_EQ(pool[0].score, 74.0f);
  EXPECT_EQ(pool[0].weights[0], 74.0f);  // of the two 74s the earlier comes first
  EXPECT_EQ(pool[1].weights[0], 149.0f);
  EXPECT_EQ(pool[99].score, 25.0f);
}

TEST(PoolFile, TwoSpaceIndentPositiveScoresOnly) {
  const std::vector<ScoredGains> pool = {{2, {0.5f, 0, -1}}, {0, {1, 1, 1}}, {-1, {1, 1, 1}}};
  EXPECT_EQ(formatPool(pool),
            "[\n  {\n    \"score\": 2.0,\n    \"weights\": [\n      0.5,\n      0.0,\n      -1.0\n    ]\n  }\n]");
  EXPECT_EQ(formatPool({}), "[]");
  const std::vector<ScoredGains> back = parsePool(R"([{"score": 3, "weights": [1, -2, 2.5]}])", "p", 3);
  EXPECT_EQ(back[0].weights, (std::vector<float>{1, -2, 2.5f}));
}

// Gains that are not short decimals come back from the file as the very same floats, in order.
TEST(PoolFile, EntriesSurviveASaveAndReload) {
  const std::vector<ScoredGains> pool = {{731.5f, {0.1f, 1.0f / 3, -1e-7f}}, {1.0f / 7, {12.345678f, -7.25f, 2}}};
  const std::vector<ScoredGains> back = parsePool(formatPool(pool), "ai.json", 3);
  ASSERT_EQ(back.size(), pool.size());
  for (size_t i = 0; i < pool.size(); ++i) {
    EXPECT_EQ(back[i].score, pool[i].score);
    EXPECT_EQ(back[i].weights, pool[i].weights);
  }
}

// The generation step from its inputs alone: no run folder, no files. Scoring ranks the cars that
// ran into the pool; breeding from the same inputs and stream gives the same cars, each driving
// with the stream of its seed, generation and place, and draws from nothing else.
TEST(GenerationStep, ScoresAndBreedsFromItsInputs) {
  resetAllState();
  loopState().assetPath = test::sourceDir() + "/assets";  // the body model
  loadCarComponentSettings(test::sourceDir() + "/assets/components.json");
  CarSettings settings;
  loadCarSettings(test::sourceDir() + "/assets/testCar.json", settings);
  const MapPtr map = test::stadium();
  auto breed = [&](const std::vector<ScoredGains>& pool, uint64_t seed) {
    RandomState r = streamFor(seed, 1, 2);
    return breedGeneration(pool, {*map, settings, r, seed, 3, 1, DriverKind::pid, nullptr});
  };
  const RandomState global = randomState();
  std::vector<CarPtr> cars = breed({}, 7);
  ASSERT_EQ(cars.size(), 100u);
  EXPECT_TRUE(map->trackObjects.empty());
  for (size_t i = 0; i < cars.size(); ++i) {
    EXPECT_EQ(cars[i]->currentNode, -2);
    EXPECT_EQ(cars[i]->stream->s0, streamFor(7, 3, i).s0);
    cars[i]->currentNode = int64_t(i % 7) - 3;
  }
  cars[17]->currentNode = 9;
  std::vector<ScoredGains> pool = {{5, {0.1f, 0.2f, 0.3f}}};
  const GenerationStats stats = scoreGeneration(pool, cars);
  EXPECT_EQ(stats.best, 9.0f);
  EXPECT_EQ(stats.poolBest, 9.0f);
  ASSERT_EQ(pool.size(), 100u);
  EXPECT_EQ(pool[1].weights, (std::vector<float>{0.1f, 0.2f, 0.3f}));  // 5 outranks every car but one
  const PID& best = cars[17]->ai->pidSteering0;
  EXPECT_EQ(pool[0].weights, (std::vector<float>{best.Kp, best.Ki, best.Kd}));

  const std::vector<CarPtr> a = breed(pool, 8), b = breed(pool, 8);
  for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i]->ai->pidSteering0.Kd, b[i]->ai->pidSteering0.Kd) << i;
  EXPECT_EQ(randomState().s0, global.s0);
}

// Draws taken by hand from the same stream decide the expected parents; breeding draws from the
// stream it is given and from nothing else.
TEST(GainChoice, TableConsumesDrawsInOrder) {
  std::vector<ScoredGains> pool;
  for (int i = 0; i < 20; ++i) pool.push_back({float(20 - i), {float(i), float(i), float(i)}});
  const RandomState global = randomState();
  for (uint64_t seed = 1; seed < 60; ++seed) {
    RandomState r = streamFor(seed, 0, 0);
    const int64_t c = rnd(r, 10);
    int64_t a = 0, b = 0;
    if (c == 0) a = rnd(r, 5), b = rnd(r, 10);
    if (c == 1) a = rnd(r, 20), b = rnd(r, 20);
    if (c == 2) a = rnd(r, 10), b = rnd(r, 20);
    if (c >= 4) a = rnd(r, 10), b = rnd(r, 10);
    std::vector<float> want;
    if (c == 3 || a == b) {
      want = mutate(pool[size_t(a)].weights, 0.5f, 0.25f, r);
    } else {
      const int64_t g = rnd(r, 4);
      const auto& A = pool[size_t(a)].weights;
      const auto& B = pool[size_t(b)].weights;
      want = g == 0   ? mutate(breedLinear(A, B, r), 0.5f, 0.25f, r)
             : g == 1 ? mutate(breedBinary(A, B, r), 0.5f, 0.25f, r)
                      : breedLinear(A, B, r);
    }
    RandomState again = streamFor(seed, 0, 0);
    EXPECT_EQ(chooseGains(pool, again), want) << seed;
    EXPECT_EQ(again.s0, r.s0) << seed;
  }
  EXPECT_EQ(randomState().s0, global.s0);
}

TEST(AtomicPool, KillDuringTheWriteLeavesAWholeFile) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("dx-kill-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "ai.json").string();
  std::vector<ScoredGains> big;
  for (int i = 0; i < 100; ++i) big.push_back({float(100 - i), {0.1f * float(i), 1, 2}});
  const std::string oldText = formatPool({{1, {1, 2, 3}}}), newText = formatPool(big);
  writeFileAtomically(path, oldText);
  for (int round = 0; round < 20; ++round) {
    const pid_t child = fork();
    if (child == 0) {
      for (;;) writeFileAtomically(path, round % 2 ? oldText : newText);
    }
    usleep(useconds_t(200 + round * 137));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const std::string text = test::slurp(path);
    EXPECT_TRUE(text == oldText || text == newText) << "round " << round << " left " << text.size() << " bytes";
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace dx
