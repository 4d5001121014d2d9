#include "framework/run_loop.h"

#include <SDL.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "framework/audio.h"
#include "framework/canvas.h"
#include "framework/capture.h"
#include "framework/config.h"
#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/input.h"
#include "framework/keys.h"
#include "framework/log.h"
#include "framework/palette.h"
#include "framework/presentation.h"
#include "framework/random.h"
#include "framework/spritesheet.h"

namespace dx {

namespace {

LoopState gLoop;

// The community file of all the world's controllers holds a few thousand lines. SDL's work grows
// with the square of the count (10,000 lines take about a second, 100,000 minutes), so a file
// beyond this is not handed to it.
constexpr int64_t kMaxControllerMappings = 10000;

std::string takeSdlString(char* s) {
  std::string out = s ? s : "";
  SDL_free(s);
  return out;
}

void startPlatform() {
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  if (SDL_Init(SDL_INIT_EVERYTHING) == 0) return;
  // Sound is never essential here (the game starts no music and its effects are cues), so a
  // machine without an audio device still runs it, silently.
  debug(SDL_GetError());
  if (SDL_Init(SDL_INIT_EVERYTHING & ~SDL_INIT_AUDIO) == 0) {
    debug("starting without audio");
    return;
  }
  debug(SDL_GetError());
  std::exit(1);
}

// The file is checked and read here, not by SDL: SDL would block on a FIFO, ask for an
// allocation of 2^63 bytes for a directory and read an endless device forever.
void addControllerMappings(const std::string& path) {
  std::vector<uint8_t> bytes;
  try {
    bytes = readFile(path, readCap::controllerDb);
  } catch (const NotFoundError&) {
    return;
  } catch (const IOError& e) {
    debug(e.what(), "controller mappings not loaded");
    return;
  }
  if (std::count(bytes.begin(), bytes.end(), '\n') > kMaxControllerMappings) {
    debug(path + " has more than " + std::to_string(kMaxControllerMappings) + " lines", "controller mappings not loaded");
    return;
  }
  if (SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), int(bytes.size()))) SDL_GameControllerAddMappingsFromRW(rw, 1);
}

// The freedesktop rule: an empty or relative XDG_DATA_HOME counts as unset (SDL would otherwise
// put the folder at the file system's root or relative to the working directory).
void dropInvalidDataHome() {
  const char* home = std::getenv("XDG_DATA_HOME");
  if (home && home[0] != '/') unsetenv("XDG_DATA_HOME");
}

// Whether a program of that name can be started from the search path.
bool onSearchPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view rest = path ? path : "/usr/bin:/bin";
  while (true) {
    const size_t colon = rest.find(':');
    const std::string dir(rest.substr(0, colon));
    if (access(joinPath(dir.empty() ? "." : dir, name).c_str(), X_OK) == 0) return true;
    if (colon == std::string_view::npos) return false;
    rest.remove_prefix(colon + 1);
  }
}

bool handleHotKey(const SDL_KeyboardEvent& k) {
  const bool down = k.type == SDL_KEYDOWN;
  const int32_t sym = k.keysym.sym;
  if (down && sym == keyQ && (k.keysym.mod & modCtrl)) {
    gLoop.keepRunning = false;
  } else if (!down && sym == keyF && (k.keysym.mod & modCtrl)) {
    toggleFullscreen();
    resize();
    return true;
  } else if (!down && sym == keyReturn && (k.keysym.mod & modAlt)) {
    toggleFullscreen();
    resize();
    return true;
  } else if (down && sym == keyF8) {
    createRecordBuffer();
  } else if (down && sym == keyF9) {
    saveRecording();
  } else if (down && sym == keyF10) {
    saveScreenshot();
  } else if (down && sym == keyF11) {
    openFolder(gLoop.writePath);
  }
  return false;
}

void handleWindowChange(const SDL_WindowEvent& w) {
  switch (w.event) {
    case SDL_WINDOWEVENT_RESIZED:
      resize(w.data1, w.data2);
      if (gLoop.renderer) {
        SDL_SetRenderTarget(gLoop.renderer, nullptr);
        SDL_SetRenderDrawColor(gLoop.renderer, 0, 0, 0, 255);
        SDL_RenderClear(gLoop.renderer);
      }
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      gLoop.focused = true;
      reloadSpritesheets();
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      gLoop.focused = false;
      break;
    default:
      break;
  }
}

}  // namespace

LoopState& loopState() { return gLoop; }

void resetLoopState() { gLoop = LoopState{}; }

std::string joinPath(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  const bool aSlash = a.back() == '/', bSlash = b.front() == '/';
  if (aSlash && bSlash) return a + b.substr(1);
  if (aSlash || bSlash) return a + b;
  return a + "/" + b;
}

std::string basePathOfExecutable() {
  const std::string path = takeSdlString(SDL_GetBasePath());
  return path.empty() ? "./" : path;
}

const std::string& basePath() { return gLoop.basePath; }
const std::string& assetPath() { return gLoop.assetPath; }
const std::string& writePath() { return gLoop.writePath; }

void openFolder(const std::string& path) {
  if (path.empty()) {
    debug("cannot open the per-user folder: there is none (see the writePath line at start-up)");
    return;
  }
  if (!onSearchPath("xdg-open")) {
    debug("cannot open the folder: no file browser (xdg-open is not installed)", "the folder is " + path);
    return;
  }
  // Two forks so the opener is not left behind as a zombie; no shell sees the path.
  pid_t child = fork();
  if (child == 0) {
    if (fork() == 0) {
      execlp("xdg-open", "xdg-open", path.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    _exit(0);
  }
  if (child > 0) waitpid(child, nullptr, 0);
}

void init(const std::string& org, const std::string& app) {
  ignoreFileSizeSignal();
  startPlatform();
  initInput();
  gLoop.basePath = basePathOfExecutable();
  debug("basePath: ", gLoop.basePath);
  gLoop.assetPath = joinPath(gLoop.basePath, "assets");
  debug("assetPath: ", gLoop.assetPath);
  dropInvalidDataHome();
  gLoop.writePath = takeSdlString(SDL_GetPrefPath(org.c_str(), app.c_str()));
  debug("writePath: ", gLoop.writePath);
  if (gLoop.writePath.empty())
    debug("no per-user folder: " + std::string(SDL_GetError()), "screenshots and recordings cannot be saved");
  addControllerMappings(joinPath(gLoop.basePath, "assets/gamecontrollerdb.txt"));
  if (!gLoop.writePath.empty()) addControllerMappings(joinPath(gLoop.writePath, "gamecontrollerdb.txt"));
  openAttachedControllers();
  initMixer(false);
  setPalette(loadPaletteDefault());
  seedRandomFromClock();
  loadConfig();
  resetDrawState();
  gLoop.currentTime = SDL_GetTicks();
}

bool handleWindowEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT:
      gLoop.keepRunning = false;
      break;
    case SDL_APP_WILLENTERBACKGROUND:
      debug("pausing");
      gLoop.focused = false;
      break;
    case SDL_APP_DIDENTERFOREGROUND:
      debug("resumed");
      resize();
      gLoop.currentTime = SDL_GetTicks();
      gLoop.focused = true;
      break;
    case SDL_WINDOWEVENT:
      handleWindowChange(e.window);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      return handleHotKey(e.key);
    default:
      break;
  }
  return false;
}

void addResizeFunc(std::function<void(int, int)> f) { gLoop.resizeFuncs.push_back(std::move(f)); }

bool advance(uint32_t now) {
  LoopState& L = gLoop;
  const float elapsed = float(uint32_t(now - L.currentTime)) / 1000.0f * float(L.frameMult);
  L.currentTime = now;
  L.acc += elapsed <= 2.0 * L.timeStep ? double(elapsed) : L.timeStep;
  bool ran = false;
  while (L.acc > L.timeStep) {
    ran = true;
    updateControllers();
    L.updateFunc(float(L.timeStep));
    postUpdateControllers();
    L.frame += 1;
    if (L.timeStep < L.acc && L.acc < 2.0 * L.timeStep) {
      L.drawFunc();
      flip();
    }
    advanceKeyCounters();
    L.acc -= L.timeStep;
    refillAudio();
  }
  return ran;
}

bool step() {
  SDL_Event e;
  while (SDL_PollEvent(&e)) processEvent(e);
  return advance(SDL_GetTicks());
}

void run(std::function<void()> initCb, std::function<void(float)> updateCb, std::function<void()> drawCb) {
  if (!updateCb || !drawCb) throw GameError("run: the update and draw callbacks must be given");
  gLoop.initFunc = std::move(initCb);
  gLoop.updateFunc = std::move(updateCb);
  gLoop.drawFunc = std::move(drawCb);
  if (gLoop.initFunc) gLoop.initFunc();
  if (gLoop.running) return;
  gLoop.running = true;
  while (gLoop.keepRunning) {
    // Without vsync nothing else paces the loop: give the processor back until an update is due.
    if (!step()) SDL_Delay(1);
  }
  SDL_Quit();
}

}  // namespace dx
