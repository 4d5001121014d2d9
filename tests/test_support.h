#pragma once
// Shared helpers for the tests: a canvas filled with a sentinel colour so stray writes show, the
// log lines the code under test prints, and the files and folders the tests read back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "framework/canvas.h"
#include "framework/log.h"

namespace dx::test {

constexpr uint8_t kSentinel = 0xEE;

inline void fillCanvas(uint8_t v) {
  auto& px = drawState().swCanvas->data;
  std::fill(px.begin(), px.end(), v);
}

inline void freshCanvas(int w, int h, uint8_t fill = kSentinel) {
  resetDrawState();
  setCanvasSize(w, h);
  fillCanvas(fill);
}

inline uint8_t at(int x, int y) { return get(*drawState().swCanvas, x, y); }

// Every canvas position that no longer holds the sentinel.
inline std::set<std::pair<int, int>> changedPixels() {
  std::set<std::pair<int, int>> out;
  const Surface& s = *drawState().swCanvas;
  for (int y = 0; y < s.h; ++y)
    for (int x = 0; x < s.w; ++x)
      if (get(s, x, y) != kSentinel) out.insert({x, y});
  return out;
}

using Pixels = std::set<std::pair<int, int>>;

// Collects the `debug` and `echo` lines printed while it lives, each followed by "\n" as on
// the streams, instead of printing them; the sink in force before comes back at the end.
class LogCapture {
 public:
  LogCapture() : previous_(std::move(logState().sink)) {
    logState().sink = [this](LogStream stream, std::string_view line) {
      const std::lock_guard lock(mutex_);
      std::string& text = stream == LogStream::debug ? err_ : out_;
      text.append(line);
      text += '\n';
    };
  }
  ~LogCapture() { logState().sink = std::move(previous_); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::string err() const {
    const std::lock_guard lock(mutex_);
    return err_;
  }
  std::string out() const {
    const std::lock_guard lock(mutex_);
    return out_;
  }
  // Forgets what was collected, to read the lines of the next step alone.
  void clear() {
    const std::lock_guard lock(mutex_);
    err_.clear();
    out_.clear();
  }

 private:
  LogSink previous_;
  mutable std::mutex mutex_;
  std::string err_, out_;
};

// The source tree and run folder, passed in by the test environment.
inline std::string sourceDir() { return std::getenv("DX_SOURCE_DIR") ? std::getenv("DX_SOURCE_DIR") : "."; }
inline std::string gameDir() { return std::getenv("DX_GAME_DIR") ? std::getenv("DX_GAME_DIR") : "game"; }
inline std::string buildDir() { return std::getenv("DX_BUILD_DIR") ? std::getenv("DX_BUILD_DIR") : "."; }

// A folder of this process's own below the system's temporary folder, made if need be.
inline std::filesystem::path tempFolder(const std::string& prefix) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / (prefix + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  return dir;
}

// The whole file, byte for byte; empty when it cannot be read (a file the program did not write).
inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The entries of a folder, none when there is no such folder.
inline std::vector<std::filesystem::path> filesIn(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> out;
  if (std::filesystem::is_directory(dir))
    for (const auto& e : std::filesystem::directory_iterator(dir)) out.push_back(e.path());
  return out;
}

}  // namespace dx::test
