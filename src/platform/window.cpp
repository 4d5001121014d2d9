#include "platform/window.h"

#include <SDL.h>

#include "framework/canvas.h"
#include "framework/capture.h"
#include "framework/errors.h"
#include "framework/log.h"
#include "framework/palette.h"
#include "framework/presentation.h"
#include "framework/run_loop.h"

namespace dx {

namespace {

WindowState gWindow;

void makeRenderer(WindowState& W) {
  W.renderer = SDL_CreateRenderer(W.window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
  if (W.renderer) return;
  // Dummy video drivers, virtual machines and many headless boxes have no accelerated renderer.
  debug("no accelerated renderer: ", SDL_GetError());
  W.renderer = SDL_CreateRenderer(W.window, -1, SDL_RENDERER_SOFTWARE);
  if (!W.renderer) throw GameError(std::string("Could not create renderer: ") + SDL_GetError());
  debug("using the software renderer");
}

}  // namespace

WindowState& windowState() { return gWindow; }

void resetWindowState() {
  WindowState& W = gWindow;
  if (W.swCanvas32) SDL_FreeSurface(W.swCanvas32);
  if (W.renderer) SDL_DestroyRenderer(W.renderer);  // also destroys its textures
  if (W.window) SDL_DestroyWindow(W.window);
  gWindow = WindowState{};
  loopState().windowOpen = false;
}

void fixedSize(bool b) { loopState().fixedScreenSize = b; }
void integerScale(bool b) { loopState().integerScreenScale = b; }

void createWindow(const std::string& title, int w, int h, int scale, bool fullscreen) {
  LoopState& L = loopState();
  WindowState& W = gWindow;
  const uint32_t flags = fullscreen ? 0x1021u : 0x1020u;
  W.window =
      SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w * scale, h * scale, flags);
  if (!W.window) throw GameError("Could not create window");
  L.windowOpen = true;
  L.targetScreenWidth = w;
  L.targetScreenHeight = h;
  SDL_SetHint(SDL_HINT_RENDER_VSYNC, "1");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
  resize();
  SDL_RaiseWindow(W.window);
  clip();
}

void resize() {
  int w = 0, h = 0;
  if (gWindow.window) SDL_GetWindowSize(gWindow.window, &w, &h);
  resize(w, h);
}

void resize(int w, int h) {
  LoopState& L = loopState();
  WindowState& W = gWindow;
  debug("sdl resize", w, h);
  if (w == 0 || h == 0) return;
  if (W.renderer) {
    SDL_DestroyRenderer(W.renderer);  // also destroys its textures
    W.renderer = nullptr;
    W.hwCanvas = nullptr;
  }
  if (!W.window) {
    echo("window is null, cannot resize");
    return;
  }
  makeRenderer(W);
  const ScreenLayout lay =
      computeLayout(w, h, L.targetScreenWidth, L.targetScreenHeight, L.fixedScreenSize, L.integerScreenScale);
  L.screenScale = lay.screenScale;
  L.screenPaddingX = lay.paddingX;
  L.screenPaddingY = lay.paddingY;
  debug(L.screenPaddingX, L.screenPaddingY);
  W.srcRect = IntRect{0, 0, lay.screenWidth, lay.screenHeight};
  W.dstRect = IntRect{lay.paddingX, lay.paddingY, lay.dw, lay.dh};
  W.hwCanvas = SDL_CreateTexture(W.renderer, SDL_PIXELFORMAT_RGBA8888, SDL_TEXTUREACCESS_STREAMING, lay.screenWidth,
                                 lay.screenHeight);
  setCanvasSize(lay.screenWidth, lay.screenHeight);
  if (W.swCanvas32) SDL_FreeSurface(W.swCanvas32);
  W.swCanvas32 =
      SDL_CreateRGBSurface(0, lay.screenWidth, lay.screenHeight, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
  if (!W.swCanvas32) throw GameError("error creating RGB surface");
  SDL_SetRenderTarget(W.renderer, W.hwCanvas);
  createRecordBuffer();
  for (auto& f : L.resizeFuncs) f(lay.screenWidth, lay.screenHeight);
}

bool getFullscreen() { return gWindow.window && (SDL_GetWindowFlags(gWindow.window) & 0x1001u) != 0; }

void setFullscreen(bool b) {
  if (!gWindow.window) return;
  if (b) {
    debug("setting fullscreen");
    SDL_SetWindowFullscreen(gWindow.window, 0x1001u);
  } else {
    debug("setting windowed");
    SDL_SetWindowFullscreen(gWindow.window, 0);
  }
}

void toggleFullscreen() {
  if (!gWindow.window) return;
  setFullscreen((SDL_GetWindowFlags(gWindow.window) & 0x1001u) != 0x1001u);
}

void present() {
  WindowState& W = gWindow;
  if (!W.renderer || !W.hwCanvas || !W.swCanvas32) return;
  SDL_SetRenderTarget(W.renderer, nullptr);
  DrawState& d = drawState();
  convertCanvas(*d.swCanvas, currentPalette(), d.paletteMapDisplay, static_cast<uint8_t*>(W.swCanvas32->pixels),
                W.swCanvas32->pitch);
  if (SDL_UpdateTexture(W.hwCanvas, nullptr, W.swCanvas32->pixels, W.swCanvas32->pitch) != 0) debug(SDL_GetError());
  SDL_SetRenderDrawColor(W.renderer, 5, 5, 10, 255);
  SDL_RenderClear(W.renderer);
  const SDL_Rect src{W.srcRect.x, W.srcRect.y, W.srcRect.w, W.srcRect.h};
  const SDL_Rect dst{W.dstRect.x, W.dstRect.y, W.dstRect.w, W.dstRect.h};
  if (SDL_RenderCopy(W.renderer, W.hwCanvas, &src, &dst) != 0) debug(SDL_GetError());
  SDL_RenderPresent(W.renderer);
}

void flip() {
  present();
  captureFrame();
}

}  // namespace dx
