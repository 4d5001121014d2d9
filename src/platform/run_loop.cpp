#include "platform/run_loop.h"

#include <SDL.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "audio_device.h"
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
#include "framework/random.h"
#include "framework/run_loop.h"
#include "framework/spritesheet.h"
#include "platform/folders.h"
#include "platform/input_events.h"
#include "platform/window.h"

namespace dx {

namespace {

// The community file of all the world's controllers holds a few thousand lines. SDL's work grows
// with the square of the count (10,000 lines take about a second, 100,000 minutes), so a file
// beyond this is not handed to it.
constexpr int64_t kMaxControllerMappings = 10000;

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
  throw GameError(std::string("could not start SDL: ") + SDL_GetError());
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
    debug(path + " has more than " + std::to_string(kMaxControllerMappings) + " lines",
          "controller mappings not loaded");
    return;
  }
  if (SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), int(bytes.size()))) SDL_GameControllerAddMappingsFromRW(rw, 1);
}

bool handleHotKey(const SDL_KeyboardEvent& k) {
  const bool down = k.type == SDL_KEYDOWN;
  const int32_t sym = toTeskKeycode(k.keysym.sym);
  if (down && sym == keyQ && (k.keysym.mod & modCtrl)) {
    loopState().keepRunning = false;
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
    openFolder(writePath());
  }
  return false;
}

void handleWindowChange(const SDL_WindowEvent& w) {
  switch (w.event) {
    case SDL_WINDOWEVENT_RESIZED:
      resize(w.data1, w.data2);
      if (SDL_Renderer* r = windowState().renderer) {
        SDL_SetRenderTarget(r, nullptr);
        SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
        SDL_RenderClear(r);
      }
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      loopState().focused = true;
      reloadSpritesheets();
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST: loopState().focused = false; break;
    default: break;
  }
}

}  // namespace

void init(const std::string& org, const std::string& app) {
  LoopState& L = loopState();
  ignoreFileSizeSignal();
  startPlatform();
  installKeyNames();
  initInput();
  L.basePath = basePathOfExecutable();
  debug("basePath: ", L.basePath);
  L.assetPath = joinPath(L.basePath, "assets");
  debug("assetPath: ", L.assetPath);
  L.writePath = perUserFolder(org, app);
  debug("writePath: ", L.writePath);
  if (L.writePath.empty())
    debug("no per-user folder: " + std::string(SDL_GetError()), "screenshots and recordings cannot be saved");
  addControllerMappings(joinPath(L.basePath, "assets/gamecontrollerdb.txt"));
  if (!L.writePath.empty()) addControllerMappings(joinPath(L.writePath, "gamecontrollerdb.txt"));
  openAttachedControllers();
  initMixer(false);
  setPalette(loadPaletteDefault());
  seedRandomFromClock();
  loadConfig();
  resetDrawState();
  L.currentTime = SDL_GetTicks();
}

bool handleWindowEvent(const SDL_Event& e) {
  LoopState& L = loopState();
  switch (e.type) {
    case SDL_QUIT: L.keepRunning = false; break;
    case SDL_APP_WILLENTERBACKGROUND:
      debug("pausing");
      L.focused = false;
      break;
    case SDL_APP_DIDENTERFOREGROUND:
      debug("resumed");
      resize();
      L.currentTime = SDL_GetTicks();
      L.focused = true;
      break;
    case SDL_WINDOWEVENT: handleWindowChange(e.window); break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: return handleHotKey(e.key);
    default: break;
  }
  return false;
}

bool advance(uint32_t now) {
  LoopState& L = loopState();
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
  LoopState& L = loopState();
  L.initFunc = std::move(initCb);
  L.updateFunc = std::move(updateCb);
  L.drawFunc = std::move(drawCb);
  if (L.initFunc) L.initFunc();
  if (L.running) return;
  L.running = true;
  while (L.keepRunning) {
    // Without vsync nothing else paces the loop: give the processor back until an update is due.
    if (!step()) SDL_Delay(1);
  }
  SDL_Quit();
}

}  // namespace dx
