// Two programs training one track at once: every save takes the pool's lock, merges what the other
// saved and keeps the best of both; a lock held by another process delays a save and never loses
// it; a holder that was killed blocks nothing; a pool damaged on disk is kept as it is.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "app/gain_pool.h"
#include "app/process_runner.h"
#include "test_support.h"

namespace dx {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class SharedPools : public test::RunFolderTest {
 protected:
  SharedPools() : RunFolderTest("dx-shared-pools-", "draxen3516-train") {}
  void startTrainer(test::GameProcess& p, const std::string& seed, const std::string& generations) {
    p.start((run / "draxen3516-train").string(), run.string(), {},
            {"--generations", generations, "--seed", seed, "--threads", "1"});
  }
  // The pool best a trainer printed last.
  static float lastPoolBest(const std::string& out) {
    float best = -1;
    const std::regex line(R"(pool best (-?\d+))");
    for (std::sregex_iterator it(out.begin(), out.end(), line), end; it != end; ++it) best = std::stof((*it)[1]);
    return best;
  }
  std::vector<ScoredGains> pool() const { return parsePool(test::slurp(poolFile()), "pool"); }
  fs::path poolFile() const { return run / "assets" / "ai.json"; }
};

TEST_F(SharedPools, TwoTrainersOnOneTrackKeepTheBestOfBoth) {
  test::GameProcess a, b;
  startTrainer(a, "11", "12");
  startTrainer(b, "12", "12");
  const test::RunResult ra = a.finish(120s), rb = b.finish(120s);
  ASSERT_EQ(ra.status, 0) << ra.err;
  ASSERT_EQ(rb.status, 0) << rb.err;
  const float bestA = lastPoolBest(ra.out), bestB = lastPoolBest(rb.out);
  const std::vector<ScoredGains> saved = pool();
  ASSERT_EQ(saved.size(), 100u);
  EXPECT_EQ(saved[0].score, std::max(bestA, bestB)) << bestA << " " << bestB;
  EXPECT_FALSE(fs::exists(run / "assets" / "ai.json.tmp"));
}

// The test holds the lock, as another program saving would; what that program writes meanwhile
// is merged into the trainer's save, and a damaged pool is neither merged nor overwritten.
TEST_F(SharedPools, ALockDelaysASaveThatThenKeepsWhatTheHolderWrote) {
  const std::string other = R"([{"score": 5000, "weights": [0.125, 0.25, 0.5]}])";
  for (const std::string& written : {other, std::string("garbage")}) {
    std::ofstream(poolFile(), std::ios::trunc) << "[]";
    const int lock = open((poolFile().string() + ".lock").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);
    test::GameProcess p;
    startTrainer(p, "3", "1");
    ASSERT_TRUE(p.waitForOutput("iteration: , 1", 30s)) << p.err();
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(p.running());  // waiting for the lock
    EXPECT_EQ(test::slurp(poolFile()), "[]");
    std::ofstream(poolFile(), std::ios::trunc) << written;
    close(lock);
    const test::RunResult r = p.finish(30s);
    if (written == other) {
      EXPECT_EQ(r.status, 0) << r.out;
      const std::vector<ScoredGains> saved = pool();
      ASSERT_GT(saved.size(), 1u);
      EXPECT_EQ(saved[0].score, 5000.0f);
      EXPECT_EQ(saved[0].weights, (std::vector<float>{0.125f, 0.25f, 0.5f}));
    } else {
      EXPECT_EQ(r.status, 1) << r.out;
      EXPECT_NE(r.out.find("the gain pool on disk is damaged (" + poolFile().string() + ": not valid JSON"),
                std::string::npos);
      EXPECT_NE(r.out.find("it is neither merged nor overwritten, and training goes on in memory"), std::string::npos)
          << r.out;
      EXPECT_NE(r.out.find("the gain pool was never saved: "), std::string::npos) << r.out;
      EXPECT_EQ(test::slurp(poolFile()), "garbage");
    }
  }
}

TEST_F(SharedPools, ALockWhoseHolderWasKilledBlocksNothing) {
  const pid_t holder = fork();
  if (holder == 0) {
    const int fd = open((poolFile().string() + ".lock").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    flock(fd, LOCK_EX);
    pause();
    _exit(0);
  }
  std::this_thread::sleep_for(200ms);
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  test::GameProcess p;
  startTrainer(p, "3", "1");
  const test::RunResult r = p.finish(30s);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_FALSE(pool().empty());
}

}  // namespace
}  // namespace dx
