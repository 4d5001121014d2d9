#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>

#include "app/process_runner.h"
#include "test_support.h"

namespace dx {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A private copy of the run folder with an empty gain pool.
fs::path runFolderCopy(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("dx-trainer-" + std::to_string(getpid()) + "-" + name);
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path game = test::gameDir();
  fs::copy_file(game / "draxen3516-train", dir / "draxen3516-train");
  fs::copy(game / "assets", dir / "assets", fs::copy_options::recursive);
  fs::copy(game / "maps", dir / "maps", fs::copy_options::recursive);
  std::ofstream(dir / "assets" / "ai.json") << "[]\n";
  return dir;
}

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

struct TrainerRun {
  int status;
  std::string out, err;
};

TrainerRun train(const fs::path& dir, const std::vector<std::string>& args) {
  test::GameProcess p;
  p.start((dir / "draxen3516-train").string(), dir.string(), {}, args);
  TrainerRun r;
  r.status = p.wait(300s);
  r.out = p.out();
  r.err = p.err();
  return r;
}

struct Generation {
  double best, mean;
};

std::vector<Generation> progress(const std::string& out) {
  std::vector<Generation> g;
  const std::regex line(R"(generation \d+: best (-?[0-9.]+), mean (-?[0-9.]+), pool best -?[0-9.]+, [0-9.]+ s)");
  for (std::sregex_iterator it(out.begin(), out.end(), line), end; it != end; ++it)
    g.push_back({std::stod((*it)[1]), std::stod((*it)[2])});
  return g;
}

// The same seed gives the same pool, byte for byte, however many threads drive the cars.
TEST(Trainer, SameSeedGivesTheSamePoolOnAnyNumberOfThreads) {
  std::string first;
  for (const char* threads : {"1", "2", "4"}) {
    const fs::path dir = runFolderCopy(std::string("threads") + threads);
    const TrainerRun r = train(dir, {"--generations", "3", "--seed", "42", "--threads", threads});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(progress(r.out).size(), 3u) << r.out;
    EXPECT_TRUE(fs::exists(dir / "assets" / "training.png"));
    const std::string pool = slurp(dir / "assets" / "ai.json");
    EXPECT_GT(pool.size(), 10u);
    if (first.empty()) first = pool;
    EXPECT_EQ(pool, first) << threads << " threads";
    fs::remove_all(dir);
  }
}

TEST(Trainer, TenGenerationsLearnToDrive) {
  const fs::path dir = runFolderCopy("learn");
  const TrainerRun r = train(dir, {"--generations", "10", "--seed", "7"});
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
  const TrainerRun help = train(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--generations"), std::string::npos);
  EXPECT_EQ(train(dir, {"--generations", "zero"}).status, 2);
  EXPECT_EQ(train(dir, {"--laps"}).status, 2);
  EXPECT_EQ(train(dir, {"--threads", "0"}).status, 2);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace dx
