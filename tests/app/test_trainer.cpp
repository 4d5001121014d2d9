#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <regex>

#include "app/process_runner.h"
#include "test_support.h"

namespace dx {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A private copy of the run folder with an empty gain pool.
fs::path runFolderCopy(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("dx-trainer-" + std::to_string(getpid()) + "-" + name);
  test::copyRunFolder(dir, "draxen3516-train");
  return dir;
}

test::RunResult train(const fs::path& dir, const std::vector<std::string>& args) {
  test::GameProcess p;
  p.start((dir / "draxen3516-train").string(), dir.string(), {}, args);
  return p.finish(300s);
}

struct Generation {
  double best, mean;
};

std::vector<Generation> progress(const std::string& out) {
  std::vector<Generation> g;
  const std::regex line(
      R"(generation \d+: best (-?[0-9.]+), mean (-?[0-9.]+), pool best -?[0-9.]+, )"
      R"((no lap|standing [0-9]+\.[0-9]{2} s, (no flying lap|flying [0-9]+\.[0-9]{2} s)), [0-9.]+ s)");
  for (std::sregex_iterator it(out.begin(), out.end(), line), end; it != end; ++it)
    g.push_back({std::stod((*it)[1]), std::stod((*it)[2])});
  return g;
}

// The same seed gives the same pool, byte for byte, however many threads drive the cars, for
// every kind of driver. The described driver's scores and pool are those it always gave.
TEST(Trainer, SameSeedGivesTheSamePoolOnAnyNumberOfThreads) {
  for (const std::string kind : {"pid", "racer", "neural"}) {
    const std::string file = kind == "pid" ? "ai.json" : "ai-" + kind + ".json";
    std::string first;
    for (const char* threads : {"1", "2", "4"}) {
      const fs::path dir = runFolderCopy(kind + threads);
      const test::RunResult r =
          train(dir, {"--generations", "3", "--seed", "42", "--threads", threads, "--driver", kind});
      ASSERT_EQ(r.status, 0) << r.err;
      const std::vector<Generation> g = progress(r.out);
      ASSERT_EQ(g.size(), 3u) << r.out;
      if (kind == "pid") {
        EXPECT_EQ(std::vector<double>({g[0].best, g[1].best, g[2].best}), std::vector<double>({648, 699, 714}));
        EXPECT_EQ(test::slurp(dir / "assets" / file).substr(0, 81),
                  "[\n  {\n    \"score\": 714.0,\n    \"weights\": [\n      1.1512579917907715,\n      0.1759");
      }
      EXPECT_TRUE(fs::exists(dir / "assets" / (kind == "pid" ? "training.png" : "training-" + kind + ".png")));
      const std::string pool = test::slurp(dir / "assets" / file);
      EXPECT_GT(pool.size(), 10u);
      if (first.empty()) first = pool;
      EXPECT_EQ(pool, first) << kind << ", " << threads << " threads";
      fs::remove_all(dir);
    }
  }
}

// The racer and the neural driver learn past what the described driver ever reaches on track 1
// (about 750 nodes), each in a pool of its own; a pool of one kind is refused by another.
TEST(Trainer, NewDriversLearnPastTheDescribedDriversPlateau) {
  const fs::path dir = runFolderCopy("kinds");
  const std::string base = fs::canonical(dir).string() + "/assets/";
  for (const std::string kind : {"racer", "neural"}) {
    const test::RunResult r = train(dir, {"--generations", "20", "--seed", "1", "--driver", kind});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("gain pool: " + base + "ai-" + kind + ".json (" + kind + " drivers at level 0)\n", 0), 0u)
        << r.out;
    const std::vector<Generation> g = progress(r.out);
    ASSERT_EQ(g.size(), 20u) << r.out;
    EXPECT_GT(g.back().best, 800) << kind;
  }
  EXPECT_EQ(test::slurp(dir / "assets" / "ai.json"), "[]\n");
  fs::copy_file(dir / "assets" / "ai-racer.json", dir / "assets" / "ai-neural.json",
                fs::copy_options::overwrite_existing);
  const test::RunResult wrong = train(dir, {"--generations", "1", "--driver", "neural"});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_NE(wrong.err.find(base + "ai-neural.json: entry 0 must have 53 weights, not 11"), std::string::npos)
      << wrong.err;
  fs::remove_all(dir);
}

TEST(Trainer, TenGenerationsLearnToDrive) {
  const fs::path dir = runFolderCopy("learn");
  const test::RunResult r = train(dir, {"--generations", "10", "--seed", "7"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<Generation> g = progress(r.out);
  ASSERT_EQ(g.size(), 10u) << r.out;
  std::cout << r.out;
  EXPECT_GE(g[9].best, g[0].best);
  EXPECT_GT(g[9].mean, 2 * g[0].mean);  // the bred population drives far better than random gains
  fs::remove_all(dir);
}

TEST(Trainer, HelpAndBadArguments) {
  const fs::path dir = runFolderCopy("args");
  const test::RunResult help = train(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--generations"), std::string::npos);
  EXPECT_EQ(train(dir, {"--generations", "zero"}).status, 2);
  EXPECT_EQ(train(dir, {"--laps"}).status, 2);
  EXPECT_EQ(train(dir, {"--threads", "0"}).status, 2);
  fs::remove_all(dir);
}

// Ctrl+C mid-run on track 3: the track's own pool, plot and record hold the finished
// generations, track 1's pool is untouched, and the exit status says SIGINT.
TEST(Trainer, InterruptedRunKeepsItsTrackFiles) {
  const fs::path dir = runFolderCopy("interrupt");
  test::GameProcess p;
  p.start((dir / "draxen3516-train").string(), dir.string(), {},
          {"--track", "3", "--generations", "100000", "--seed", "3"});
  ASSERT_TRUE(p.waitForOutput("generation 2: ", 60s)) << p.err();
  p.signal(SIGINT);
  EXPECT_EQ(p.wait(30s), 130) << p.err();
  const std::string base = fs::canonical(dir).string() + "/assets/";
  EXPECT_EQ(p.out().rfind("gain pool: " + base + "ai-3.json (drivers at level 0)\n", 0), 0u) << p.out();
  EXPECT_NE(p.out().find("wrote " + base + "training-3.png\nwrote " + base + "training-3.csv\nwrote " + base +
                         "champion-3.tape\nstopped by SIGINT after "),
            std::string::npos)
      << p.out();
  EXPECT_TRUE(nlohmann::json::parse(test::slurp(dir / "assets" / "ai-3.json")).is_array());
  EXPECT_EQ(test::slurp(dir / "assets" / "ai.json"), "[]\n");
  const std::string csv = test::slurp(dir / "assets" / "training-3.csv");
  EXPECT_EQ(csv.rfind("generation,best,mean,pool best,wall seconds,best standing lap s,best flying lap s\n1,", 0), 0u)
      << csv;
  EXPECT_GE(std::count(csv.begin(), csv.end(), '\n'), 3);
  EXPECT_TRUE(fs::exists(dir / "assets" / "training-3.png"));
  fs::remove_all(dir);
}

// A difficulty level trains a pool, plot, record and champion of its own; track 1's level-0 pool
// is left byte for byte. Each generation line and record row tells the champion's laps.
TEST(Trainer, ALevelTrainsItsOwnFilesAndReportsLaps) {
  const fs::path dir = runFolderCopy("level");
  EXPECT_EQ(train(dir, {"--difficulty", "5"}).status, 2);
  EXPECT_EQ(train(dir, {"--difficulty", "-1"}).status, 2);
  const std::string pool = test::slurp(dir / "assets" / "ai.json");
  const test::RunResult r = train(dir, {"--difficulty", "4", "--generations", "3", "--seed", "5"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string base = fs::canonical(dir).string() + "/assets/";
  EXPECT_EQ(r.out.rfind("gain pool: " + base + "ai-l4.json (drivers at level 4)\n", 0), 0u) << r.out;
  EXPECT_EQ(progress(r.out).size(), 3u) << r.out;
  EXPECT_NE(r.out.find(", standing "), std::string::npos) << r.out;  // a champion of the third generation laps
  EXPECT_EQ(test::slurp(dir / "assets" / "ai.json"), pool);
  EXPECT_TRUE(nlohmann::json::parse(test::slurp(dir / "assets" / "ai-l4.json")).is_array());
  EXPECT_TRUE(fs::exists(dir / "assets" / "champion-l4.tape"));
  const std::string csv = test::slurp(dir / "assets" / "training-l4.csv");
  const std::regex row(R"(\n3,\d+,[0-9.]+,\d+,[0-9.]+,[0-9]+\.[0-9]{3},([0-9]+\.[0-9]{3})?\n$)");
  EXPECT_TRUE(std::regex_search(csv, row)) << csv;
  fs::remove_all(dir);
}

}  // namespace
}  // namespace dx
