#include "framework/presentation.h"

#include <SDL.h>

#include <bit>
#include <cmath>
#include <cstring>

#include "framework/capture.h"
#include "framework/errors.h"
#include "framework/log.h"
#include "framework/run_loop.h"

namespace dx {

ScreenLayout computeLayout(int w, int h, int targetW, int targetH, bool fixed, bool integer) {
  ScreenLayout out;
  double sx, sy;
  if (integer) {
    sx = double(w / targetW);
    sy = double(h / targetH);
  } else {
    sx = double(float(w) / float(targetW));
    sy = double(float(h) / float(targetH));
  }
  out.screenScale = std::min(sx, sy);
  if (out.screenScale <= 1.0) out.screenScale = 1.0;
  if (fixed) {
    out.screenWidth = targetW;
    out.screenHeight = targetH;
    out.dw = int(double(targetW) * out.screenScale);
    out.dh = int(double(targetH) * out.screenScale);
    out.paddingX = (w - out.dw) / 2;
    out.paddingY = (h - out.dh) / 2;
  } else if (integer) {
    const int s = int(std::floor(out.screenScale));
    out.screenWidth = w / s;
    out.screenHeight = h / s;
    out.dw = w;
    out.dh = h;
  } else {
    out.screenWidth = int(double(w) / out.screenScale);
    out.screenHeight = int(double(h) / out.screenScale);
    out.dw = w;
    out.dh = h;
  }
  return out;
}

namespace {

void makeRenderer(LoopState& L) {
  L.renderer = SDL_CreateRenderer(L.window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
  if (L.renderer) return;
  // Dummy video drivers, virtual machines and many headless boxes have no accelerated renderer.
  debug("no accelerated renderer: ", SDL_GetError());
  L.renderer = SDL_CreateRenderer(L.window, -1, SDL_RENDERER_SOFTWARE);
  if (!L.renderer) throw GameError(std::string("Could not create renderer: ") + SDL_GetError());
  debug("using the software renderer");
}

}  // namespace

void fixedSize(bool b) { loopState().fixedScreenSize = b; }
void integerScale(bool b) { loopState().integerScreenScale = b; }

void createWindow(const std::string& title, int w, int h, int scale, bool fullscreen) {
  LoopState& L = loopState();
  const uint32_t flags = fullscreen ? 0x1021u : 0x1020u;
  L.window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w * scale,
                              h * scale, flags);
  if (!L.window) throw GameError("Could not create window");
  L.targetScreenWidth = w;
  L.targetScreenHeight = h;
  SDL_SetHint(SDL_HINT_RENDER_VSYNC, "1");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
  resize();
  SDL_RaiseWindow(L.window);
  clip();
}

void resize() {
  LoopState& L = loopState();
  int w = 0, h = 0;
  if (L.window) SDL_GetWindowSize(L.window, &w, &h);
  resize(w, h);
}

void resize(int w, int h) {
  LoopState& L = loopState();
  debug("sdl resize", w, h);
  if (w == 0 || h == 0) return;
  if (L.renderer) {
    SDL_DestroyRenderer(L.renderer);  // also destroys its textures
    L.renderer = nullptr;
    L.hwCanvas = nullptr;
  }
  if (!L.window) {
    echo("window is null, cannot resize");
    return;
  }
  makeRenderer(L);
  const ScreenLayout lay =
      computeLayout(w, h, L.targetScreenWidth, L.targetScreenHeight, L.fixedScreenSize, L.integerScreenScale);
  L.screenScale = lay.screenScale;
  L.screenPaddingX = lay.paddingX;
  L.screenPaddingY = lay.paddingY;
  debug(L.screenPaddingX, L.screenPaddingY);
  L.srcRect = IntRect{0, 0, lay.screenWidth, lay.screenHeight};
  L.dstRect = IntRect{lay.paddingX, lay.paddingY, lay.dw, lay.dh};
  L.hwCanvas = SDL_CreateTexture(L.renderer, SDL_PIXELFORMAT_RGBA8888, SDL_TEXTUREACCESS_STREAMING,
                                 lay.screenWidth, lay.screenHeight);
  setCanvasSize(lay.screenWidth, lay.screenHeight);
  if (L.swCanvas32) SDL_FreeSurface(L.swCanvas32);
  L.swCanvas32 = SDL_CreateRGBSurface(0, lay.screenWidth, lay.screenHeight, 32, 0x000000FF, 0x0000FF00,
                                      0x00FF0000, 0xFF000000);
  if (!L.swCanvas32) throw GameError("error creating RGB surface");
  SDL_SetRenderTarget(L.renderer, L.hwCanvas);
  createRecordBuffer();
  for (auto& f : L.resizeFuncs) f(lay.screenWidth, lay.screenHeight);
}

bool getFullscreen() {
  LoopState& L = loopState();
  return L.window && (SDL_GetWindowFlags(L.window) & 0x1001u) != 0;
}

void setFullscreen(bool b) {
  LoopState& L = loopState();
  if (!L.window) return;
  if (b) {
    debug("setting fullscreen");
    SDL_SetWindowFullscreen(L.window, 0x1001u);
  } else {
    debug("setting windowed");
    SDL_SetWindowFullscreen(L.window, 0);
  }
}

void toggleFullscreen() {
  LoopState& L = loopState();
  if (!L.window) return;
  setFullscreen((SDL_GetWindowFlags(L.window) & 0x1001u) != 0x1001u);
}

void convertCanvas(const Surface& canvas, const Palette& palette, const std::array<ColorId, 256>& displayMap,
                   uint8_t* dst, int pitch) {
  // One table per frame folds the display remap and the palette into ready pixels.
  uint32_t lut[256];
  for (int i = 0; i < 256; ++i) {
    const RGB c = palette.colors[displayMap[i] & 0xFF];
    const uint8_t bytes[4] = {255, c.b, c.g, c.r};
    std::memcpy(&lut[i], bytes, 4);
  }
  for (int y = 0; y < canvas.h; ++y) {
    const uint8_t* src = canvas.data.data() + size_t(y) * size_t(canvas.w);
    uint32_t* out = reinterpret_cast<uint32_t*>(dst + size_t(y) * size_t(pitch));
    for (int x = 0; x < canvas.w; ++x) out[x] = lut[src[x]];
  }
}

void present() {
  LoopState& L = loopState();
  if (!L.renderer || !L.hwCanvas || !L.swCanvas32) return;
  SDL_SetRenderTarget(L.renderer, nullptr);
  DrawState& d = drawState();
  convertCanvas(*d.swCanvas, currentPalette(), d.paletteMapDisplay, static_cast<uint8_t*>(L.swCanvas32->pixels),
                L.swCanvas32->pitch);
  if (SDL_UpdateTexture(L.hwCanvas, nullptr, L.swCanvas32->pixels, L.swCanvas32->pitch) != 0)
    debug(SDL_GetError());
  SDL_SetRenderDrawColor(L.renderer, 5, 5, 10, 255);
  SDL_RenderClear(L.renderer);
  const SDL_Rect src{L.srcRect.x, L.srcRect.y, L.srcRect.w, L.srcRect.h};
  const SDL_Rect dst{L.dstRect.x, L.dstRect.y, L.dstRect.w, L.dstRect.h};
  if (SDL_RenderCopy(L.renderer, L.hwCanvas, &src, &dst) != 0) debug(SDL_GetError());
  SDL_RenderPresent(L.renderer);
}

void flip() {
  present();
  captureFrame();
}

}  // namespace dx
