#pragma once
// Start-up of the platform, the fixed-time-step loop with its three callbacks, window and
// application events, the window-level hot keys and the per-user folders.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

union SDL_Event;
struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Surface;

namespace dx {

struct IntRect {
  int32_t x = 0, y = 0, w = 0, h = 0;
};

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
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* hwCanvas = nullptr;
  SDL_Surface* swCanvas32 = nullptr;
  IntRect srcRect, dstRect;
};

LoopState& loopState();
// Start-up defaults without touching the platform (for tests).
void resetLoopState();

void init(const std::string& org, const std::string& app);
void run(std::function<void()> initCb, std::function<void(float)> updateCb, std::function<void()> drawCb);
// One pass of the loop: drain events, then `advance` with the current tick count.
bool step();
// Feeds the elapsed time into the accumulator and runs the due updates and at most one draw.
// Returns whether any update ran.
bool advance(uint32_t now);

// The window-level part of the event handling: quit, window and application events and the
// hot keys. Returns true when a key event must not be processed further.
bool handleWindowEvent(const SDL_Event& e);

void addResizeFunc(std::function<void(int, int)> f);

// The executable's folder with a trailing separator ("./" when the platform cannot tell).
std::string basePathOfExecutable();
const std::string& basePath();
const std::string& assetPath();
const std::string& writePath();
// Joins two path pieces with exactly one separator between them.
std::string joinPath(const std::string& a, const std::string& b);

// Opens a folder in the desktop's file browser without waiting for it.
void openFolder(const std::string& path);

}  // namespace dx
