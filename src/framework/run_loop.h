#pragma once
// The state of the fixed-time-step loop that the framework and the platform share: the timing,
// the program's callbacks, how the canvas sits in the window, the resize listeners and the
// folders. The loop itself, the window and the discovery of the folders are the platform's
// (platform/run_loop.h, platform/window.h, platform/folders.h).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dx {

struct LoopState {
  int frameRate = 60;
  double timeStep = 1.0 / 60.0;
  int frameMult = 1;
  int64_t frame = 0;  // fixed updates run so far
  bool keepRunning = true;
  bool running = false;
  bool focused = true;
  uint32_t currentTime = 0;
  double acc = 0.0;
  int targetScreenWidth = 128, targetScreenHeight = 128;
  double screenScale = 4.0;
  bool fixedScreenSize = true;
  bool integerScreenScale = false;
  int screenPaddingX = 0, screenPaddingY = 0;
  std::function<void()> initFunc;
  std::function<void(float)> updateFunc;
  std::function<void()> drawFunc;
  std::vector<std::function<void(int, int)>> resizeFuncs;
  std::string basePath, assetPath, writePath;
  bool windowOpen = false;  // set by the platform once its window exists
};

LoopState& loopState();
// Start-up defaults.
void resetLoopState();

void addResizeFunc(std::function<void(int, int)> f);

const std::string& basePath();
const std::string& assetPath();
const std::string& writePath();
// Joins two path pieces with exactly one separator between them.
std::string joinPath(const std::string& a, const std::string& b);

}  // namespace dx
