// The real trainer with the files and limits users end up with: devices, FIFOs and damaged files
// in place of its inputs, a file-size limit and a plot that cannot be written, and seed 0. Each
// run is in a private copy of the run folder.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <thread>

#include "app/gain_pool.h"
#include "app/process_runner.h"
#include "test_support.h"

namespace dx {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class TrainerFiles : public test::RunFolderTest {
 protected:
  TrainerFiles() : RunFolderTest("dx-trainer-files-", "draxen3516-train") {}

  // Runs the trainer (through `sh -c` when a shell prefix is given, for a ulimit).
  test::RunResult train(const std::vector<std::string>& args, const std::string& shellPrefix = "") {
    test::GameProcess p;
    if (shellPrefix.empty()) {
      p.start((run / "draxen3516-train").string(), run.string(), {}, args);
    } else {
      std::string cmd = shellPrefix + " exec ./draxen3516-train";
      for (const std::string& a : args) cmd += " " + a;
      p.start("/bin/sh", run.string(), {}, {"-c", cmd});
    }
    return p.finish(120s);
  }
  void startTrainer(test::GameProcess& p, const std::string& seed, const std::string& generations) {
    p.start((run / "draxen3516-train").string(), run.string(), {},
            {"--generations", generations, "--seed", seed, "--threads", "1"});
  }
  fs::path pool() const { return run / "assets" / "ai.json"; }
  std::vector<ScoredGains> saved() const { return parsePool(test::slurp(pool()), "pool", 3); }
  // The lock another program saving the pool would hold, not inherited by the trainer.
  int takeLock() const {
    const int fd = open((pool().string() + ".lock").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    EXPECT_EQ(flock(fd, LOCK_EX), 0);
    return fd;
  }
};

// The pool best a trainer printed last.
float lastPoolBest(const std::string& out) {
  float best = -1;
  const std::regex line(R"(pool best (-?\d+))");
  for (std::sregex_iterator it(out.begin(), out.end(), line), end; it != end; ++it) best = std::stof((*it)[1]);
  return best;
}

// Seed 0 used to give the generator an all-zero state: every car the same, nothing bred.
TEST_F(TrainerFiles, SeedZeroBreedsDistinctCars) {
  const test::RunResult r = train({"--generations", "2", "--seed", "0"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.out, m, std::regex(R"(generation 1: best (-?\d+), mean (-?[0-9.]+))"))) << r.out;
  EXPECT_NE(std::stod(m[1]), std::stod(m[2])) << r.out;
  const std::string pool = test::slurp(run / "assets" / "ai.json");
  std::set<std::string> weights;
  const std::regex firstWeight(R"("weights": \[\s*(-?[0-9.e-]+))");
  for (std::sregex_iterator it(pool.begin(), pool.end(), firstWeight), end; it != end; ++it) weights.insert((*it)[1]);
  EXPECT_GT(weights.size(), 10u) << pool;
  EXPECT_EQ(train({"--generations", "1", "--seed", "18446744073709551615"}).status, 0);  // the largest seed
}

// Every input that is not a regular file, and every file that cannot be used, ends the run at
// once with a message naming it; the pool is left as it was.
TEST_F(TrainerFiles, InputsThatAreNoUsableFile) {
  const fs::path components = run / "assets" / "components.json", testCar = run / "assets" / "testCar.json";
  const fs::path pool = run / "assets" / "ai.json", track = run / "maps" / "1.map";
  const std::string trackBytes = test::slurp(track);
  struct Case {
    std::function<void()> spoil, mend;
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {[&] { fs::rename(components, run / "c"), fs::create_symlink("/dev/zero", components); },
       [&] { fs::remove(components), fs::rename(run / "c", components); },
       {},
       "error: " + components.string() + " is not a regular file\n"},
      {[&] { fs::rename(testCar, run / "t"), mkfifo(testCar.c_str(), 0644); },
       [&] { fs::remove(testCar), fs::rename(run / "t", testCar); },
       {},
       "error: " + testCar.string() + " is not a regular file\n"},
      {[] {}, [] {}, {"--track", "9"}, "error: no such track: maps/9.map\n"},
      {[&] { std::ofstream(track, std::ios::binary | std::ios::trunc) << trackBytes.substr(0, trackBytes.size() / 2); },
       [&] { std::ofstream(track, std::ios::binary | std::ios::trunc) << trackBytes; },
       {},
       "error: " + track.string() + ": the file ends after " + std::to_string(trackBytes.size() / 2) +
           " bytes, in section "},
      {[&] {
         std::string flipped = trackBytes;
         flipped[5] = char(flipped[5] ^ 0x10);  // a section's turn: the loop no longer closes
         std::ofstream(track, std::ios::binary | std::ios::trunc) << flipped;
       },
       [&] { std::ofstream(track, std::ios::binary | std::ios::trunc) << trackBytes; },
       {},
       "error: " + track.string() + ": the loop does not close: "},
      {[] {}, [] {}, {"--seed", "18446744073709551616"}, "draxen3516-train: bad argument '--seed'\n"},
      {[] {}, [] {}, {"--seed", "-1"}, "draxen3516-train: bad argument '--seed'\n"},
      {[&] { std::ofstream(pool, std::ios::trunc) << R"([{"score": 5, "weights": [1e39, 0, 0]}])"; },
       [&] { std::ofstream(pool, std::ios::trunc) << "[]\n"; },
       {},
       "error: " + pool.string() + ": entry 0: weight 0 is 1e+39, outside -10000 to 10000\n"},
  };
  for (const Case& c : cases) {
    c.spoil();
    const std::string poolBefore = test::slurp(pool);
    std::vector<std::string> args = {"--generations", "1", "--seed", "3"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const test::RunResult r = train(args);
    EXPECT_EQ(r.status, c.message.find("bad argument") != std::string::npos ? 2 : 1) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(test::slurp(pool), poolBefore);
    c.mend();
  }
}

// Under a file-size limit the pool save fails with a message instead of the trainer dying of
// SIGXFSZ: the old pool stays and no temporary file is left. A plot that cannot be written is a
// warning; a run whose pool was never saved ends with status 1, saying so last.
TEST_F(TrainerFiles, WritesThatFailLeaveTheOldFilesAndARunNeverSavedFails) {
  fs::create_directory(run / "assets" / "training.png");  // the plot cannot go there
  const test::RunResult r = train({"--generations", "1", "--seed", "3"}, "ulimit -f 8;");
  EXPECT_EQ(r.status, 1) << r.err;
  const std::string last = "the gain pool was never saved: " + (run / "assets" / "ai.json").string() + "\n";
  EXPECT_EQ(r.out.substr(r.out.size() - std::min(r.out.size(), last.size())), last) << r.out;
  EXPECT_NE(r.out.find("could not save the gain pool (Unable to write " + (run / "assets" / "ai.json").string() +
                       ": write failed: File too large)"),
            std::string::npos)
      << r.out;
  const std::string plot = (run / "assets" / "training.png").string();
  EXPECT_NE(r.out.find("warning: " + plot + " was not written: Unable to write " + plot + ": it is a directory\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(test::slurp(run / "assets" / "ai.json"), "[]\n");
  for (const auto& e : fs::directory_iterator(run / "assets"))
    EXPECT_EQ(e.path().filename().string().find(".tmp-"), std::string::npos) << e.path();
}

// A pool that is a link to no file yet is a pool not made yet: the first save creates the link's
// target. A plot font that cannot be loaded is a warning naming it; the plot is drawn without text.
TEST_F(TrainerFiles, DanglingPoolLinkAndBrokenPlotFont) {
  const fs::path pool = run / "assets" / "ai.json", target = run / "shared-pool.json";
  fs::remove(pool);
  fs::create_symlink(target, pool);
  std::ofstream(run / "assets" / "font5x5.png", std::ios::trunc) << "not a png";
  const test::RunResult r = train({"--generations", "1", "--seed", "3"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("no gain pool yet: " + pool.string() + ", starting from random gains"), std::string::npos)
      << r.out;
  EXPECT_TRUE(fs::is_symlink(pool));
  EXPECT_TRUE(fs::is_regular_file(target));
  EXPECT_NE(r.out.find("warning: " + (run / "assets" / "font5x5.png").string()), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("; the plot has no text"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::exists(run / "assets" / "training.png"));
}

// Two trainers on one track at once: every save merges what the other saved, so the pool keeps
// the best of both instead of the last writer's.
TEST_F(TrainerFiles, TwoTrainersOnOneTrackKeepTheBestOfBoth) {
  test::GameProcess a, b;
  startTrainer(a, "11", "12");
  startTrainer(b, "12", "12");
  const test::RunResult ra = a.finish(120s), rb = b.finish(120s);
  ASSERT_EQ(ra.status, 0) << ra.err;
  ASSERT_EQ(rb.status, 0) << rb.err;
  ASSERT_EQ(saved().size(), 100u);
  EXPECT_EQ(saved()[0].score, std::max(lastPoolBest(ra.out), lastPoolBest(rb.out)));
}

// A held lock delays the save, which then keeps what the holder wrote meanwhile; a pool damaged
// meanwhile is neither merged nor overwritten, and a run that never saved fails. A holder that
// was killed blocks nothing.
TEST_F(TrainerFiles, ALockDelaysASaveThatKeepsWhatTheHolderWrote) {
  for (const std::string written : {R"([{"score": 5000, "weights": [0.125, 0.25, 0.5]}])", "garbage"}) {
    std::ofstream(pool(), std::ios::trunc) << "[]";
    const int lock = takeLock();
    test::GameProcess p;
    startTrainer(p, "3", "1");
    ASSERT_TRUE(p.waitForOutput("iteration: , 1", 30s)) << p.err();
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(p.running());
    EXPECT_EQ(test::slurp(pool()), "[]");
    std::ofstream(pool(), std::ios::trunc) << written;
    close(lock);
    const test::RunResult r = p.finish(30s);
    if (written != "garbage") {
      EXPECT_EQ(r.status, 0) << r.out;
      EXPECT_EQ(saved()[0].score, 5000.0f);
      EXPECT_EQ(saved()[0].weights, (std::vector<float>{0.125f, 0.25f, 0.5f}));
      EXPECT_GT(saved().size(), 1u);
    } else {
      EXPECT_EQ(r.status, 1);
      EXPECT_NE(r.out.find("the gain pool on disk is damaged (" + pool().string() +
                           ": not valid JSON: parse error at line 1, column 1: "),
                std::string::npos)
          << r.out;
      EXPECT_NE(r.out.find("); it is neither merged nor overwritten, and training goes on in memory\n"),
                std::string::npos);
      EXPECT_EQ(test::slurp(pool()), "garbage");
    }
  }
  std::ofstream(pool(), std::ios::trunc) << "[]";
  const pid_t holder = fork();
  if (holder == 0) {
    takeLock();
    pause();
    _exit(0);
  }
  std::this_thread::sleep_for(200ms);
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_EQ(train({"--generations", "1", "--seed", "3"}).status, 0);
  EXPECT_FALSE(saved().empty());
}

}  // namespace
}  // namespace dx
