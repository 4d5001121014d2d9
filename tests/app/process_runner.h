#pragma once
// Starts the game executable as a child process with its output captured, for end-to-end tests.
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace dx::test {

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
};

}  // namespace dx::test
