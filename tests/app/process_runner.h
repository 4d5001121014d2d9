#pragma once
// Starts the game executable as a child process with its output captured, for end-to-end tests,
// in a private copy of the run folder where it needs one.
#include <gtest/gtest.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace dx::test {

// A finished run: its exit status (-1 when killed or timed out) and its output.
struct RunResult {
  int status;
  std::string out, err;
};

struct GameProcess {
  pid_t pid = -1;
  std::string stdoutPath, stderrPath;

  // Starts `exe` in `workdir` with extra environment entries (NAME=value) and arguments.
  void start(const std::string& exe, const std::string& workdir, const std::vector<std::string>& env,
             const std::vector<std::string>& args = {});
  std::string out() const;
  std::string err() const;
  // Waits until `needle` appears on stderr (or stdout); false on timeout.
  bool waitForOutput(const std::string& needle, std::chrono::milliseconds timeout) const;
  void signal(int sig) const;
  // True while the process has not ended (an ended one is reaped and its status kept).
  bool running();
  int status = -1;
  // Waits for the process to end; returns its exit status, or -1 when killed or timed out.
  int wait(std::chrono::milliseconds timeout);
  // Waits as `wait` does and returns the status with the output.
  RunResult finish(std::chrono::milliseconds timeout);
};

// Makes `dir` afresh as a copy of the run folder with the executable `exe`, its assets and maps,
// an empty gain pool for track 1 and none for the other tracks, so a run never changes the built
// run folder and starts untrained.
void copyRunFolder(const std::filesystem::path& dir, const std::string& exe);

// Each test in its own copy of the run folder (see copyRunFolder), named for the test and removed
// after it.
class RunFolderTest : public testing::Test {
 protected:
  RunFolderTest(std::string prefix, std::string exe) : prefix_(std::move(prefix)), exe_(std::move(exe)) {}
  void SetUp() override {
    run = std::filesystem::temp_directory_path() /
          (prefix_ + std::to_string(getpid()) + "-" + testing::UnitTest::GetInstance()->current_test_info()->name());
    copyRunFolder(run, exe_);
  }
  void TearDown() override { std::filesystem::remove_all(run); }

  std::filesystem::path run;

 private:
  std::string prefix_, exe_;
};

}  // namespace dx::test
