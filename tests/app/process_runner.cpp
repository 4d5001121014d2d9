#include "app/process_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "test_support.h"

namespace dx::test {

void GameProcess::start(const std::string& exe, const std::string& workdir, const std::vector<std::string>& env,
                        const std::vector<std::string>& args) {
  char tmpl[] = "/tmp/dx-game-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  stdoutPath = dir + "/stdout";
  stderrPath = dir + "/stderr";
  pid = fork();
  if (pid == 0) {
    const int o = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(o, 1);
    dup2(e, 2);
    if (chdir(workdir.c_str()) != 0) _exit(126);
    for (const std::string& kv : env) putenv(const_cast<char*>(kv.c_str()));
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
}

std::string GameProcess::out() const { return slurp(stdoutPath); }
std::string GameProcess::err() const { return slurp(stderrPath); }

bool GameProcess::waitForOutput(const std::string& needle, std::chrono::milliseconds timeout) const {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (err().find(needle) != std::string::npos || out().find(needle) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void GameProcess::signal(int sig) const {
  if (pid > 0) kill(pid, sig);
}

bool GameProcess::running() {
  if (pid <= 0) return false;
  int st = 0;
  if (waitpid(pid, &st, WNOHANG) != pid) return true;
  pid = -1;
  status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return false;
}

int GameProcess::wait(std::chrono::milliseconds timeout) {
  if (pid <= 0) return status;
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < end) {
    if (!running()) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  int st = 0;
  kill(pid, SIGKILL);
  waitpid(pid, &st, 0);
  pid = -1;
  status = -1;
  return -1;
}

RunResult GameProcess::finish(std::chrono::milliseconds timeout) {
  RunResult r;
  r.status = wait(timeout);
  r.out = out();
  r.err = err();
  return r;
}

void copyRunFolder(const std::filesystem::path& dir, const std::string& exe) {
  namespace fs = std::filesystem;
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path game = gameDir();
  fs::copy_file(game / exe, dir / exe);
  fs::copy(game / "assets", dir / "assets", fs::copy_options::recursive);
  fs::copy(game / "maps", dir / "maps", fs::copy_options::recursive);
  // Untrained, whatever the run folder ships: an empty pool for track 1 and none for the others.
  for (const fs::directory_entry& e : fs::directory_iterator(dir / "assets")) {
    const std::string name = e.path().filename().string();
    if (name.starts_with("ai-") && name.ends_with(".json")) fs::remove(e.path());
  }
  std::ofstream(dir / "assets" / "ai.json") << "[]\n";
}

}  // namespace dx::test
