#include "framework/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/errors.h"
#include "framework/log.h"

namespace dx {

namespace {

DrawState gState;

bool compareStencil(StencilMode m, uint8_t ref, uint8_t s) {
  switch (m) {
    case stencilAlways: return true;
    case stencilEqual: return ref == s;
    case stencilLess: return ref < s;
    case stencilGreater: return ref > s;
    case stencilLEqual: return ref <= s;
    case stencilGEqual: return ref >= s;
    case stencilNotEqual: return ref != s;
  }
  return true;
}

inline bool inClip(const DrawState& d, int64_t sx, int64_t sy) {
  return sx >= d.clipMinX && sx <= d.clipMaxX && sy >= d.clipMinY && sy <= d.clipMaxY;
}

inline bool ditherBit(const DrawState& d, int sx, int sy) {
  return (d.gDitherPattern >> ((sx & 3) + 4 * (sy & 3))) & 1;
}

inline uint8_t mapped(const DrawState& d, ColorId c) { return uint8_t(d.paletteMapDraw[c & 0xFF]); }

// The fallback colour of the pixel rule: the remapped dither colour, or -1 for none.
inline int mappedFallback(const DrawState& d) { return d.ditherColor >= 0 ? int(mapped(d, d.ditherColor)) : -1; }

// The same fallback without the remap (triangles and clearing write it as it is).
inline int rawFallback(const DrawState& d) { return d.ditherColor >= 0 ? int(uint8_t(d.ditherColor)) : -1; }

inline int64_t floorDiv(int64_t p, int64_t d) {
  int64_t q = p / d;
  if (p % d != 0 && p < 0) --q;
  return q;
}

// One sloped triangle edge walked down the rows. Along a row its value is w + a * k at pixel k
// of the box, so the inside pixels start at ceil(-w / a) when a > 0 and end at floor(w / -a)
// when a < 0. The quotient f = floor(w / |a|) is carried from row to row with its remainder,
// so no row needs a division.
struct EdgeBound {
  int64_t den = 1;         // |a|
  int64_t f = 0, r = 0;    // w = f * den + r, 0 <= r < den
  int64_t bq = 0, br = 0;  // the per-row change of w, split the same way

  EdgeBound() = default;
  EdgeBound(int64_t w0, int64_t a, int64_t rowStep) : den(a > 0 ? a : -a) {
    f = floorDiv(w0, den);
    r = w0 - f * den;
    bq = floorDiv(rowStep, den);
    br = rowStep - bq * den;
  }
  void nextRow() {
    f += bq;
    r += br;
    const int64_t carry = r >= den;
    r -= carry * den;
    f += carry;
  }
};

// The rows [lo, hi] (counted from the box top) in which an edge parallel to the rows, with
// value w at the top and change b per row, is not negative.
inline void flatEdgeRows(int64_t w, int64_t b, int64_t& lo, int64_t& hi) {
  if (b == 0) {
    if (w < 0) hi = -1;
  } else if (b > 0) {
    if (w < 0) lo = std::max(lo, -floorDiv(w, b));
  } else {
    hi = w < 0 ? -1 : std::min(hi, floorDiv(w, -b));
  }
}

// Short runs are cheaper as plain stores than as a library call; long ones take memset's
// widest stores.
inline void fillBytes(uint8_t* p, uint8_t v, size_t n) {
  if (n > 24) {
    std::memset(p, v, n);
    return;
  }
  for (size_t i = 0; i < n; ++i) p[i] = v;
}

// Stencil test, dither and stencil write for a canvas pixel already inside the clip.
inline void ruleAt(DrawState& d, int sx, int sy, uint8_t on, int off) {
  size_t i = size_t(sy) * size_t(d.screenWidth) + size_t(sx);
  uint8_t* st = d.stencilBuffer->data.data();
  if (d.stencil != stencilAlways && !compareStencil(d.stencil, d.stencilRef, st[i])) return;
  if (ditherBit(d, sx, sy))
    d.swCanvas->data[i] = on;
  else if (off >= 0)
    d.swCanvas->data[i] = uint8_t(off);
  if (d.stencilWrite) st[i] = d.stencilRef;
}

// In the default state every pixel of a span simply takes the colour.
inline bool plainState(const DrawState& d) {
  return d.stencil == stencilAlways && d.gDitherPattern == 0xFFFF && !d.stencilWrite;
}

// A clipped run of one canvas row, x0 <= x1.
void span(DrawState& d, int sy, int x0, int x1, uint8_t on, int off) {
  if (plainState(d)) {
    fillBytes(d.swCanvas->data.data() + size_t(sy) * size_t(d.screenWidth) + x0, on, size_t(x1 - x0 + 1));
    return;
  }
  for (int x = x0; x <= x1; ++x) ruleAt(d, x, sy, on, off);
}

// A clipped rectangle of canvas rows; whole rows in the default state are one memset.
void fillRows(DrawState& d, int y0, int y1, int x0, int x1, uint8_t on, int off) {
  if (plainState(d) && x0 == 0 && x1 == d.screenWidth - 1) {
    std::memset(d.swCanvas->data.data() + size_t(y0) * size_t(d.screenWidth), on,
                size_t(y1 - y0 + 1) * size_t(d.screenWidth));
    return;
  }
  for (int y = y0; y <= y1; ++y) span(d, y, x0, x1, on, off);
}

// The full pixel rule for a world-space point in a colour that is remapped.
inline void plot(DrawState& d, int64_t x, int64_t y, ColorId c) {
  int64_t sx = x - d.cameraX, sy = y - d.cameraY;
  if (!inClip(d, sx, sy)) return;
  ruleAt(d, int(sx), int(sy), mapped(d, c), mappedFallback(d));
}

}  // namespace

SurfacePtr newSurface(int w, int h) {
  auto s = std::make_shared<Surface>();
  s->w = std::max(w, 0);
  s->h = std::max(h, 0);
  s->data.assign(size_t(s->w) * size_t(s->h), 0);
  return s;
}

uint8_t get(const Surface& s, int x, int y) {
  if (x < 0 || y < 0 || x >= s.w || y >= s.h) return 0;
  return s.data[(size_t(y) * size_t(s.w) + size_t(x)) * size_t(s.channels)];
}

void set(Surface& s, int x, int y, uint8_t v) {
  if (x < 0 || y < 0 || x >= s.w || y >= s.h) return;
  s.data[(size_t(y) * size_t(s.w) + size_t(x)) * size_t(s.channels)] = v;
}

DrawState& drawState() { return gState; }

void resetDrawState() {
  gState = DrawState{};
  for (int i = 0; i < 256; ++i) gState.paletteMapDraw[i] = gState.paletteMapDisplay[i] = i;
  gState.paletteTransparent[0] = true;
  auto sheet = newSurface(128, 128);
  sheet->tw = sheet->th = 8;
  gState.spritesheets[0] = sheet;
  gState.spritesheet = sheet;
  setCanvasSize(gState.screenWidth, gState.screenHeight);
}

void setCanvasSize(int w, int h) {
  gState.screenWidth = std::max(w, 1);
  gState.screenHeight = std::max(h, 1);
  gState.swCanvas = newSurface(gState.screenWidth, gState.screenHeight);
  gState.stencilBuffer = newSurface(gState.screenWidth, gState.screenHeight);
  clip();
}

void setColor(ColorId c) { gState.currentColor = c; }

void setCamera(Pint x, Pint y) {
  gState.cameraX = x;
  gState.cameraY = y;
}

std::pair<Pint, Pint> getCamera() { return {gState.cameraX, gState.cameraY}; }

void clip() {
  gState.clipMinX = 0;
  gState.clipMinY = 0;
  gState.clipMaxX = gState.screenWidth - 1;
  gState.clipMaxY = gState.screenHeight - 1;
  gState.clippingRect = Rect{0, 0, gState.screenWidth - 1, gState.screenHeight - 1};
}

void pset(Pint x, Pint y, ColorId c) { plot(gState, x, y, c); }
void pset(Pint x, Pint y) { plot(gState, x, y, gState.currentColor); }

void hline(Pint x0, Pint y, Pint x1) {
  DrawState& d = gState;
  int64_t lo = int64_t(d.clipMinX) + d.cameraX, hi = int64_t(d.clipMaxX) + d.cameraX;
  if ((x0 < lo && x1 < lo) || (x0 > hi && x1 > hi)) return;
  int64_t a = std::max<int64_t>(std::min(x0, x1), lo), b = std::min<int64_t>(std::max(x0, x1), hi);
  int64_t sy = int64_t(y) - d.cameraY;
  if (sy < d.clipMinY || sy > d.clipMaxY) return;
  span(d, int(sy), int(a - d.cameraX), int(b - d.cameraX), mapped(d, d.currentColor), mappedFallback(d));
}

void vline(Pint x, Pint y0, Pint y1) {
  DrawState& d = gState;
  int64_t lo = int64_t(d.clipMinY) + d.cameraY, hi = int64_t(d.clipMaxY) + d.cameraY;
  if ((y0 < lo && y1 < lo) || (y0 > hi && y1 > hi)) return;
  int64_t a = std::max<int64_t>(std::min(y0, y1), lo), b = std::min<int64_t>(std::max(y0, y1), hi);
  for (int64_t y = a; y <= b; ++y) plot(d, x, y, d.currentColor);
}

namespace {

// The visible part of a line's walk: the pixels whose major coordinate lies inside the clip.
struct WalkWindow {
  int64_t xlo, xhi, ylo, yhi;  // world coordinates of the clip bounds
};

WalkWindow visibleWindow(const DrawState& d) {
  return {int64_t(d.clipMinX) + d.cameraX, int64_t(d.clipMaxX) + d.cameraX, int64_t(d.clipMinY) + d.cameraY,
          int64_t(d.clipMaxY) + d.cameraY};
}

// One Bresenham walk along the major axis from (a0, b0) over `major` steps, the minor coordinate
// moving by `step` as the error term says. After k steps the minor offset is
// floor((2 minor k + major - 1) / (2 major)), so the walk starts directly at the first visible
// step instead of walking the invisible ones (a far-off line costs nothing).
template <class F>
void bresenham(int64_t a0, int64_t b0, int64_t major, int64_t minor, int64_t step, int64_t lo, int64_t hi, F&& f) {
  const int64_t k0 = std::max<int64_t>(0, lo - a0), k1 = std::min(major, hi - a0);
  if (k0 > k1) return;
  // 128-bit products: the coordinates span up to 2^32, so these can exceed 64 bits.
  const __int128 twoMinorK = __int128(2 * minor) * k0;
  const int64_t m = int64_t((twoMinorK + major - 1) / (2 * major));
  int64_t b = b0 + step * m;
  int64_t D = int64_t(2 * minor - major + twoMinorK - __int128(2 * major) * m);
  for (int64_t k = k0; k <= k1; ++k) {
    f(a0 + k, b, k);
    if (D > 0) b += step, D -= 2 * major;
    D += 2 * minor;
  }
}

// Walks a line exactly as `line` does and hands every visible pixel of the walk, with its
// position k in the walk, to f(x, y, k).
template <class F>
void walkLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, const WalkWindow& w, F&& f) {
  if (x0 == x1 && y0 == y1) {
    f(x0, y0, 0);
  } else if (x0 == x1) {
    const int64_t a = std::min(y0, y1);
    for (int64_t y = std::max(a, w.ylo); y <= std::min(std::max(y0, y1), w.yhi); ++y) f(x0, y, y - a);
  } else if (y0 == y1) {
    const int64_t a = std::min(x0, x1);
    for (int64_t x = std::max(a, w.xlo); x <= std::min(std::max(x0, x1), w.xhi); ++x) f(x, y0, x - a);
  } else if (std::abs(y1 - y0) < std::abs(x1 - x0)) {
    if (x0 > x1) std::swap(x0, x1), std::swap(y0, y1);
    bresenham(x0, y0, x1 - x0, std::abs(y1 - y0), y1 >= y0 ? 1 : -1, w.xlo, w.xhi,
              [&](int64_t x, int64_t y, int64_t k) { f(x, y, k); });
  } else {
    if (y0 > y1) std::swap(x0, x1), std::swap(y0, y1);
    bresenham(y0, x0, y1 - y0, std::abs(x1 - x0), x1 >= x0 ? 1 : -1, w.ylo, w.yhi,
              [&](int64_t y, int64_t x, int64_t k) { f(x, y, k); });
  }
}

}  // namespace

void line(Pint x0, Pint y0, Pint x1, Pint y1) {
  if (x0 == x1 && y0 == y1) return pset(x0, y0, gState.currentColor);
  if (x0 == x1) return vline(x0, y0, y1);
  if (y0 == y1) return hline(x0, y0, x1);
  walkLine(x0, y0, x1, y1, visibleWindow(gState),
           [](int64_t x, int64_t y, int64_t) { plot(gState, x, y, gState.currentColor); });
}

void lineDashed(Pint x0, Pint y0, Pint x1, Pint y1, uint8_t pattern) {
  if (x0 == x1 && y0 == y1) return pset(x0, y0, gState.currentColor);
  walkLine(x0, y0, x1, y1, visibleWindow(gState), [&](int64_t x, int64_t y, int64_t k) {
    if ((pattern >> (k & 7)) & 1) plot(gState, x, y, gState.currentColor);
  });
}

void rectfill(Pint x0, Pint y0, Pint x1, Pint y1) {
  DrawState& d = gState;
  int64_t ax = int64_t(std::min(x0, x1)) - d.cameraX, bx = int64_t(std::max(x0, x1)) - d.cameraX;
  int64_t ay = int64_t(std::min(y0, y1)) - d.cameraY, by = int64_t(std::max(y0, y1)) - d.cameraY;
  ax = std::max<int64_t>(ax, d.clipMinX);
  bx = std::min<int64_t>(bx, d.clipMaxX);
  ay = std::max<int64_t>(ay, d.clipMinY);
  by = std::min<int64_t>(by, d.clipMaxY);
  if (ax > bx || ay > by) return;
  fillRows(d, int(ay), int(by), int(ax), int(bx), mapped(d, d.currentColor), mappedFallback(d));
}

void circ(Pint cx, Pint cy, Pint r) {
  DrawState& d = gState;
  if (r < 0) return;
  ColorId c = d.currentColor;
  if (r == 1) {
    plot(d, cx + 1, cy, c), plot(d, cx - 1, cy, c), plot(d, cx, cy + 1, c), plot(d, cx, cy - 1, c);
    return;
  }
  int64_t x = r, y = 0, err = -r;
  while (x >= y) {
    plot(d, cx + x, cy + y, c), plot(d, cx - x, cy + y, c);
    plot(d, cx + x, cy - y, c), plot(d, cx - x, cy - y, c);
    plot(d, cx + y, cy + x, c), plot(d, cx - y, cy + x, c);
    plot(d, cx + y, cy - x, c), plot(d, cx - y, cy - x, c);
    y += 1;
    err += 2 * y + 1;
    if (err >= x) {
      x -= 1;
      err += 1 - 2 * x;
    }
  }
}

void circfill(Pint cx, Pint cy, Pint r) {
  if (r < 0) return;
  if (r == 1) {
    hline(cx - 1, cy, cx + 1);
    pset(cx, cy - 1, gState.currentColor);
    pset(cx, cy + 1, gState.currentColor);
    return;
  }
  Pint x = r, y = 0, err = -r;
  while (x >= y) {
    Pint y0 = y;
    err += 2 * y0 + 1;
    y = y0 + 1;
    hline(cx - x, cy + y0, cx + x);
    if (x != 0 && y0 != 0) hline(cx - x, cy - y0, cx + x);
    if (err > 0) {
      if (x != y0) {
        hline(cx - y0, cy + x, cx + y0);
        if (y0 != 0 && x != 0) hline(cx - y0, cy - x, cx + y0);
      }
      err -= 2 * x - 1;
      x -= 1;
    }
  }
}

int32_t orient2d(Pint ax, Pint ay, Pint bx, Pint by, Pint cx, Pint cy) {
  int64_t v = (int64_t(bx) - ax) * (int64_t(cy) - ay) - (int64_t(by) - ay) * (int64_t(cx) - ax);
  return int32_t(uint32_t(uint64_t(v)));
}

namespace {

struct TriangleRows {
  EdgeBound left[3], right[3];
  int64_t rowLo = 0, rowHi = 0;  // rows of the box that can hold pixels
  int64_t width = 0;             // last pixel of a row, counted from the box's left
  int64_t x0 = 0, y0 = 0;        // the box's top-left canvas pixel
};

// Fills the rows of a triangle; the edge counts are fixed at compile time so that the
// per-row work stays in registers.
template <int NL, int NR>
void fillTriangleRows(DrawState& d, TriangleRows t) {
  const uint8_t on = uint8_t(d.currentColor);
  const int off = rawFallback(d);
  const bool plain = plainState(d);
  uint8_t* const canvas = d.swCanvas->data.data();
  const size_t pitch = size_t(d.screenWidth);
  for (int64_t k = t.rowLo; k <= t.rowHi; ++k) {
    int64_t lo = 0, hi = t.width;
    for (int i = 0; i < NL; ++i) lo = std::max(lo, -t.left[i].f), t.left[i].nextRow();
    for (int i = 0; i < NR; ++i) hi = std::min(hi, t.right[i].f), t.right[i].nextRow();
    if (lo > hi) continue;
    const int64_t y = t.y0 + k;
    if (plain)
      fillBytes(canvas + size_t(y) * pitch + size_t(t.x0 + lo), on, size_t(hi - lo + 1));
    else
      for (int64_t x = t.x0 + lo; x <= t.x0 + hi; ++x) ruleAt(d, int(x), int(y), on, off);
  }
}

}  // namespace

void trifill(Pint px0, Pint py0, Pint px1, Pint py1, Pint px2, Pint py2) {
  DrawState& d = gState;
  // Only saturated far-off points come near the 32-bit limits; held within 2^30 the edge
  // products below stay inside 64 bits.
  auto canvasX = [&](Pint v) { return std::clamp<int64_t>(int64_t(v) - d.cameraX, -(1ll << 30), 1ll << 30); };
  auto canvasY = [&](Pint v) { return std::clamp<int64_t>(int64_t(v) - d.cameraY, -(1ll << 30), 1ll << 30); };
  const int64_t x0 = canvasX(px0), y0 = canvasY(py0);
  const int64_t x1 = canvasX(px1), y1 = canvasY(py1);
  const int64_t x2 = canvasX(px2), y2 = canvasY(py2);
  int64_t minx = std::max<int64_t>(std::min({x0, x1, x2}), d.clipMinX);
  int64_t maxx = std::min<int64_t>(std::max({x0, x1, x2}), d.clipMaxX);
  int64_t miny = std::max<int64_t>(std::min({y0, y1, y2}), d.clipMinY);
  int64_t maxy = std::min<int64_t>(std::max({y0, y1, y2}), d.clipMaxY);
  if (minx > maxx || miny > maxy) return;
  // Edge values at the box's top-left pixel, then stepped per row; within a row the inside
  // pixels form one run, found exactly from the three linear edge functions.
  const int64_t b0 = x2 - x1, b1 = x0 - x2, b2 = x1 - x0;
  const int64_t w0 = b0 * (miny - y1) - (y2 - y1) * (minx - x1);
  const int64_t w1 = b1 * (miny - y2) - (y0 - y2) * (minx - x2);
  const int64_t w2 = b2 * (miny - y0) - (y1 - y0) * (minx - x0);
  const int64_t w[3] = {w0, w1, w2}, a[3] = {y1 - y2, y2 - y0, y0 - y1}, b[3] = {b0, b1, b2};
  TriangleRows t;
  t.rowHi = maxy - miny;
  t.width = maxx - minx;
  int nl = 0, nr = 0;
  for (int i = 0; i < 3; ++i) {
    if (a[i] == 0) flatEdgeRows(w[i], b[i], t.rowLo, t.rowHi);
  }
  if (t.rowLo > t.rowHi) return;
  for (int i = 0; i < 3; ++i) {
    if (a[i] > 0) t.left[nl++] = EdgeBound(w[i] + b[i] * t.rowLo, a[i], b[i]);
    if (a[i] < 0) t.right[nr++] = EdgeBound(w[i] + b[i] * t.rowLo, a[i], b[i]);
  }
  t.x0 = minx;
  t.y0 = miny;
  // The three edge values sum to a constant, so the slopes cancel: a triangle has one or two
  // sloped edges on each side, or none at all when it is flat.
  if (nl == 1 && nr == 1)
    fillTriangleRows<1, 1>(d, t);
  else if (nl == 2 && nr == 1)
    fillTriangleRows<2, 1>(d, t);
  else if (nl == 1 && nr == 2)
    fillTriangleRows<1, 2>(d, t);
  else
    fillTriangleRows<0, 0>(d, t);
}

void cls() {
  DrawState& d = gState;
  fillRows(d, d.clipMinY, d.clipMaxY, d.clipMinX, d.clipMaxX, 0, rawFallback(d));
}

void pal(ColorId a, ColorId b) {
  if (a < 0 || a > 255) throw IndexError("pal: colour index out of range: " + std::to_string(a));
  gState.paletteMapDraw[a] = b;
}

void pal() {
  for (int i = 0; i < 256; ++i) gState.paletteMapDraw[i] = i;
}

void pald() {
  for (int i = 0; i < 256; ++i) gState.paletteMapDisplay[i] = i;
}

void palt() {
  gState.paletteTransparent.fill(false);
  gState.paletteTransparent[0] = true;
}

void ditherPattern(uint16_t p) { gState.gDitherPattern = p; }
void ditherPatternCheckerboard() { gState.gDitherPattern = 0xA5A5; }
void setDitherColor(ColorId c) { gState.ditherColor = c; }
bool ditherPass(int x, int y) { return ditherBit(gState, x, y); }

void stencilMode(StencilMode m) { gState.stencil = m; }
void setStencilRef(uint8_t v) { gState.stencilRef = v; }
void setStencilWrite(bool b) { gState.stencilWrite = b; }

void stencilClear(uint8_t v) {
  auto& data = gState.stencilBuffer->data;
  std::fill(data.begin(), data.end(), v);
}

uint8_t stencilGet(int x, int y) { return get(*gState.stencilBuffer, x, y); }

bool stencilTest(int x, int y, uint8_t v) {
  if (gState.stencil == stencilAlways) return true;
  return compareStencil(gState.stencil, v, stencilGet(x, y));
}

void setSpritesheet(int64_t i) {
  if (i < 0 || i > 15) throw IndexError("Invalid spritesheet " + std::to_string(i));
  if (!gState.spritesheets[i]) throw IndexError("No spritesheet loaded: " + std::to_string(i));
  gState.spritesheet = gState.spritesheets[i];
}

void spr(int64_t n, Pint x, Pint y, Pint w, Pint h, bool hflip, bool vflip) {
  DrawState& d = gState;
  const Surface* S = d.spritesheet.get();
  if (!S || S->tw <= 0 || S->th <= 0) return;
  const int64_t perRow = S->w / S->tw;
  if (perRow <= 0) return;
  const int64_t sx = (n % perRow) * S->tw, sy = (n / perRow) * S->th;
  const int64_t width = int64_t(w) * S->tw, height = int64_t(h) * S->th;
  const int64_t left = int64_t(x) - d.cameraX, top = int64_t(y) - d.cameraY;
  const int64_t j0 = std::max<int64_t>(0, d.clipMinX - left);
  const int64_t j1 = std::min<int64_t>(width - 1, d.clipMaxX - left);
  for (int64_t i = 0; i < height; ++i) {
    const int64_t dy = top + i, row = vflip ? sy + height - 1 - i : sy + i;
    if (row < 0 || row >= S->h || dy < d.clipMinY || dy > d.clipMaxY) continue;
    for (int64_t j = j0; j <= j1; ++j) {
      const int64_t dx = left + j, col = hflip ? sx + width - 1 - j : sx + j;
      if (col < 0 || col >= S->w) continue;
      uint8_t& px = d.swCanvas->data[size_t(dy) * size_t(d.screenWidth) + size_t(dx)];
      if (ditherBit(d, int(dx), int(dy))) {
        uint8_t c = S->data[(size_t(row) * size_t(S->w) + size_t(col)) * size_t(S->channels)];
        if (!d.paletteTransparent[c]) px = mapped(d, c);
      } else if (d.ditherColor >= 0) {
        px = uint8_t(d.ditherColor);
      }
    }
  }
}

void sprss(int64_t n, Pint x, Pint y, Pint w, Pint h, Pint dw, Pint dh, bool hflip, bool vflip) {
  DrawState& d = gState;
  const Surface* S = d.spritesheet.get();
  if (!S || S->tw <= 0 || S->th <= 0 || dw <= 0 || dh <= 0) return;
  const int64_t perRow = S->w / S->tw;
  if (perRow <= 0) return;
  const Rect src{(n % perRow) * S->tw, (n / perRow) * S->th, int64_t(w) * S->tw, int64_t(h) * S->th};
  const Rect dst{int64_t(x) - d.cameraX, int64_t(y) - d.cameraY, dw, dh};
  if (!overlap(dst, d.clippingRect)) return;
  const float du = float(src.w) / float(dw), dv = float(src.h) / float(dh);
  // A flag walks that axis of both the source and the destination from its far end.
  float v = vflip ? float(src.y + src.h) - dv : float(src.y);
  float py = vflip ? float(dst.y + dh - 1) : float(dst.y);
  const int off = mappedFallback(d);
  for (int64_t r = 0; r < dh; ++r, v += vflip ? -dv : dv, py += vflip ? -1.0f : 1.0f) {
    float u = hflip ? float(src.x + src.w) - du : float(src.x);
    float px = hflip ? float(dst.x + dw - 1) : float(dst.x);
    // Skipped pixels still advance the walk, so a sprite crossing the clip edge keeps its rows.
    for (int64_t c = 0; c < dw; ++c, u += hflip ? -du : du, px += hflip ? -1.0f : 1.0f) {
      if (u < 0 || v < 0) continue;
      const int64_t iu = int64_t(u), iv = int64_t(v), ix = int64_t(std::floor(px)), iy = int64_t(std::floor(py));
      if (iu > S->w - 1 || iv > S->h - 1 || !inClip(d, ix, iy)) continue;
      uint8_t& out = d.swCanvas->data[size_t(iy) * size_t(d.screenWidth) + size_t(ix)];
      if (ditherBit(d, int(ix), int(iy))) {
        uint8_t col = S->data[(size_t(iv) * size_t(S->w) + size_t(iu)) * size_t(S->channels)];
        if (!d.paletteTransparent[col]) out = mapped(d, col);
      } else if (off >= 0) {
        out = uint8_t(off);
      }
    }
  }
}

uint8_t sget(int x, int y) {
  const Surface* S = gState.spritesheet.get();
  if (!S || x < 0 || y < 0 || x >= S->w || y >= S->h) {
    debug("sget invalid coord: ", x, y);
    return 0;
  }
  return get(*S, x, y);
}

bool overlap(const Rect& a, const Rect& b) {
  return !(a.x + a.w < b.x || b.x + b.w < a.x || a.y + a.h < b.y || b.y + b.h < a.y);
}

}  // namespace dx
