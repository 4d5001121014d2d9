#pragma once
// The palette framebuffer: a canvas of colour indices with a stencil buffer beside it, the
// global drawing state, and every primitive that writes pixels.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace dx {

using Pint = int32_t;
using ColorId = int64_t;

inline Pint toPint(uint8_t v) { return Pint(v); }

struct Surface {
  std::vector<uint8_t> data;
  int channels = 1;
  int w = 0, h = 0;
  int tw = 0, th = 0;
  std::string filename;
};
using SurfacePtr = std::shared_ptr<Surface>;

SurfacePtr newSurface(int w, int h);
// Indexed access; 0 outside the surface, writes outside are dropped.
uint8_t get(const Surface& s, int x, int y);
void set(Surface& s, int x, int y, uint8_t v);

struct Rect {
  int64_t x = 0, y = 0, w = 0, h = 0;
};

enum StencilMode : uint8_t {
  stencilAlways = 0,
  stencilEqual = 1,
  stencilLess = 2,
  stencilGreater = 3,
  stencilLEqual = 4,
  stencilGEqual = 5,
  stencilNotEqual = 6,
};

struct DrawState {
  int screenWidth = 128, screenHeight = 128;
  SurfacePtr swCanvas;
  SurfacePtr stencilBuffer;
  ColorId currentColor = 0;
  Pint cameraX = 0, cameraY = 0;
  int clipMinX = 0, clipMinY = 0, clipMaxX = 127, clipMaxY = 127;
  Rect clippingRect{0, 0, 127, 127};
  std::array<ColorId, 256> paletteMapDraw{};
  std::array<ColorId, 256> paletteMapDisplay{};
  std::array<bool, 256> paletteTransparent{};
  uint16_t gDitherPattern = 0xFFFF;
  ColorId ditherColor = -1;
  StencilMode stencil = stencilAlways;
  uint8_t stencilRef = 0;
  bool stencilWrite = false;
  std::array<SurfacePtr, 16> spritesheets{};
  SurfacePtr spritesheet;
};

DrawState& drawState();
// Back to the start-up defaults: identity remaps, default transparency, blank 128 x 128
// spritesheet in slot 0, and a canvas with stencil buffer of the current screen size.
void resetDrawState();
// Re-creates the canvas and the stencil buffer at a new size and resets the clip.
void setCanvasSize(int w, int h);

void setColor(ColorId c);
void setCamera(Pint x, Pint y);
std::pair<Pint, Pint> getCamera();
void clip();

void pset(Pint x, Pint y, ColorId c);
void pset(Pint x, Pint y);
void hline(Pint x0, Pint y, Pint x1);
void vline(Pint x, Pint y0, Pint y1);
void line(Pint x0, Pint y0, Pint x1, Pint y1);
void lineDashed(Pint x0, Pint y0, Pint x1, Pint y1, uint8_t pattern);
void rectfill(Pint x0, Pint y0, Pint x1, Pint y1);
void circ(Pint cx, Pint cy, Pint r);
void circfill(Pint cx, Pint cy, Pint r);
void trifill(Pint x0, Pint y0, Pint x1, Pint y1, Pint x2, Pint y2);
int32_t orient2d(Pint ax, Pint ay, Pint bx, Pint by, Pint cx, Pint cy);
void cls();

void pal(ColorId a, ColorId b);
void pal();
void pald();
void palt();

void ditherPattern(uint16_t p);
void ditherPatternCheckerboard();
void setDitherColor(ColorId c);
bool ditherPass(int x, int y);

void stencilMode(StencilMode m);
void setStencilRef(uint8_t v);
void setStencilWrite(bool b);
void stencilClear(uint8_t v);
uint8_t stencilGet(int x, int y);
bool stencilTest(int x, int y, uint8_t v);

void setSpritesheet(int64_t i);
void spr(int64_t n, Pint x, Pint y, Pint w = 1, Pint h = 1, bool hflip = false, bool vflip = false);
void sprss(int64_t n, Pint x, Pint y, Pint w, Pint h, Pint dw, Pint dh, bool hflip = false, bool vflip = false);
uint8_t sget(int x, int y);

bool overlap(const Rect& a, const Rect& b);

}  // namespace dx
