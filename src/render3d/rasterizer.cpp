#include "render3d/rasterizer.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "framework/canvas.h"
#include "framework/numeric.h"
#include "framework/run_loop.h"
#include "render3d/render_state.h"

namespace dx {

namespace {

// Projected positions are held within this many pixels of the origin so that the integer edge
// functions cannot overflow and a wild vertex cannot make the 2D primitives walk for ever.
constexpr float kPixelLimit = 1048576.0f;

float holdPixel(float v) {
  if (!(v >= -kPixelLimit)) return -kPixelLimit;  // also catches NaN
  return v > kPixelLimit ? kPixelLimit : v;
}

Vec4f toClip(Vec3f p) {
  refreshMVP();
  return renderState().mvp * vec4f(p, 1.0f);
}

inline int64_t floorDiv(int64_t p, int64_t d) {
  int64_t q = p / d;
  if (p % d != 0 && ((p < 0) != (d < 0))) --q;
  return q;
}

// The pixels [lo, hi] of a row, counted from the box's left edge, where an edge function with
// value w at the left edge and change a per pixel is not negative.
inline void edgeSpan(int64_t w, int64_t a, int64_t& lo, int64_t& hi) {
  if (a == 0) {
    if (w < 0) hi = -1;
  } else if (a > 0) {
    if (w < 0) lo = std::max(lo, floorDiv(-w + a - 1, a));
  } else {
    hi = w < 0 ? -1 : std::min(hi, floorDiv(w, -a));
  }
}

inline void setStencilFor3d(const RenderState& r) {
  stencilMode(r.depthTest ? stencilLEqual : stencilAlways);
  setStencilWrite(r.depthWrite);
}

inline void restoreStencil() {
  stencilMode(stencilAlways);
  setStencilWrite(false);
}

inline Pint pix(float v) { return Pint(v); }

inline ScreenPoint toScreen(Vec4f v, float width, float height) {
  ScreenPoint p;
  if (!(v.w > 0.0f)) return p;
  p.visible = v.w > std::fabs(v.z / v.w);
  p.x = holdPixel(std::floor((-v.x / v.w + 1.0f) * 0.5f * width));
  p.y = holdPixel(std::floor((-v.y / v.w + 1.0f) * 0.5f * height));
  p.z = v.z / v.w;
  return p;
}

}  // namespace

ScreenPoint projectClip(Vec4f v) {
  const RenderState& r = renderState();
  return toScreen(v, r.perspectiveWidth, r.perspectiveHeight);
}

ScreenPoint project(Vec3f p) { return projectClip(toClip(p)); }

void projectPoints(std::span<const Vec3f> points, std::vector<ScreenPoint>& out) {
  refreshMVP();
  const RenderState& r = renderState();
  const Mat4 mvp = r.mvp;
  const float width = r.perspectiveWidth, height = r.perspectiveHeight;
  out.resize(points.size());
  for (size_t i = 0; i < points.size(); ++i) out[i] = toScreen(mvp * vec4f(points[i], 1.0f), width, height);
}

uint8_t getDepthValue(float z) {
  const float v = z * z * 255.0f;
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return uint8_t(v);
}

void trifillDepth(const ScreenPoint& p0, const ScreenPoint& p1, const ScreenPoint& p2) {
  if (!frontFacing(p0, p1, p2)) return;  // back faces and slivers
  const float area = screenArea(p0, p1, p2);
  DrawState& d = drawState();
  const RenderState& r = renderState();
  const int64_t x0 = int64_t(p0.x) - d.cameraX, y0 = int64_t(p0.y) - d.cameraY;
  const int64_t x1 = int64_t(p1.x) - d.cameraX, y1 = int64_t(p1.y) - d.cameraY;
  const int64_t x2 = int64_t(p2.x) - d.cameraX, y2 = int64_t(p2.y) - d.cameraY;
  const int64_t minx = std::max<int64_t>(std::min({x0, x1, x2}), d.clipMinX);
  const int64_t maxx = std::min<int64_t>(std::max({x0, x1, x2}), d.clipMaxX);
  const int64_t miny = std::max<int64_t>(std::min({y0, y1, y2}), d.clipMinY);
  const int64_t maxy = std::min<int64_t>(std::max({y0, y1, y2}), d.clipMaxY);
  setStencilFor3d(r);
  if (minx <= maxx && miny <= maxy) {
    // Edge functions at the box's top-left pixel; a step right adds a[i], a step down b[i].
    const int64_t a[3] = {y1 - y2, y2 - y0, y0 - y1};
    const int64_t b[3] = {x2 - x1, x0 - x2, x1 - x0};
    int64_t w[3] = {b[0] * (miny - y1) - (y2 - y1) * (minx - x1), b[1] * (miny - y2) - (y0 - y2) * (minx - x2),
                    b[2] * (miny - y0) - (y1 - y0) * (minx - x0)};
    const float z0 = p0.z, z1 = p1.z, z2 = p2.z;
    const bool test = r.depthTest, write = r.depthWrite;
    const uint16_t pattern = d.gDitherPattern;
    const uint8_t on = uint8_t(d.currentColor);
    const int off = d.ditherColor >= 0 ? int(uint8_t(d.ditherColor)) : -1;
    uint8_t* const canvas = d.swCanvas->data.data();
    uint8_t* const stencil = d.stencilBuffer->data.data();
    const size_t pitch = size_t(d.screenWidth);
    int lastCode = -1;
    // A narrow box tests its pixels one by one; a wide one finds each row's span by division.
    const bool narrow = maxx - minx < 16;
    for (int64_t y = miny; y <= maxy; ++y) {
      int64_t lo = 0, hi = maxx - minx;
      if (!narrow)
        for (int i = 0; i < 3; ++i) edgeSpan(w[i], a[i], lo, hi);
      int64_t e0 = w[0] + a[0] * lo, e1 = w[1] + a[1] * lo, e2 = w[2] + a[2] * lo;
      const size_t rowStart = size_t(y) * pitch;
      const unsigned ditherRow = unsigned(pattern >> (4 * (y & 3)));
      for (int64_t k = lo; k <= hi; ++k, e0 += a[0], e1 += a[1], e2 += a[2]) {
        if ((e0 | e1 | e2) < 0) continue;  // outside an edge
        const float z = (float(e0) / area) * z0 + (float(e1) / area) * z1 + (float(e2) / area) * z2;
        const uint8_t code = getDepthValue(z);
        lastCode = code;
        const int64_t x = minx + k;
        const size_t i = rowStart + size_t(x);
        if (test && code > stencil[i]) continue;
        if ((ditherRow >> (x & 3)) & 1u)
          canvas[i] = on;
        else if (off >= 0)
          canvas[i] = uint8_t(off);
        if (write) stencil[i] = code;
      }
      for (int i = 0; i < 3; ++i) w[i] += b[i];
    }
    // Each filled pixel set its code as the stencil reference; the last one stays.
    if (lastCode >= 0) setStencilRef(uint8_t(lastCode));
  }
  restoreStencil();
}

void outlineProjected(const ScreenPoint* const* p, int n) {
  for (int i = 0; i < n; ++i)
    if (!p[i]->visible) return;
  for (int i = 0; i < n; ++i) {
    const ScreenPoint& a = *p[i];
    const ScreenPoint& b = *p[(i + 1) % n];
    line(pix(a.x), pix(a.y), pix(b.x), pix(b.y));
  }
}

namespace {

// Projects the corners in order and hands them to draw: the fill or the outline.
template <size_t N>
void drawProjected(const std::array<Vec3f, N>& v, void (*draw)(const ScreenPoint* const*, int)) {
  std::array<ScreenPoint, N> points;
  std::array<const ScreenPoint*, N> corners;
  for (size_t i = 0; i < N; ++i) {
    points[i] = project(v[i]);
    corners[i] = &points[i];
  }
  draw(corners.data(), int(N));
}

}  // namespace

void trifill3d(Vec3f a, Vec3f b, Vec3f c) { drawProjected<3>({a, b, c}, fillProjected); }
void quadfill3d(Vec3f a, Vec3f b, Vec3f c, Vec3f d) { drawProjected<4>({a, b, c, d}, fillProjected); }
void tri3d(Vec3f a, Vec3f b, Vec3f c) { drawProjected<3>({a, b, c}, outlineProjected); }
void quad3d(Vec3f a, Vec3f b, Vec3f c, Vec3f d) { drawProjected<4>({a, b, c, d}, outlineProjected); }

void line3d(Vec3f a, Vec3f b) {
  Vec4f A = toClip(a), B = toClip(b);
  const float da = A.z, db = B.z;
  if (da < 0.0f && db < 0.0f) return;
  if (da < 0.0f || db < 0.0f) {
    // The end behind z = 0 moves to the crossing; its w becomes 1 rather than being interpolated.
    const float t = da / (da - db);
    const Vec4f cut{A.x + (B.x - A.x) * t, A.y + (B.y - A.y) * t, A.z + (B.z - A.z) * t, 1.0f};
    (da < 0.0f ? A : B) = cut;
  }
  const ScreenPoint pa = projectClip(A), pb = projectClip(B);
  if (pa.visible && pb.visible) line(pix(pa.x), pix(pa.y), pix(pb.x), pix(pb.y));
}

void lineDashed3d(Vec3f a, Vec3f b, uint8_t pattern) {
  const ScreenPoint pa = project(a), pb = project(b);
  if (pa.visible && pb.visible) lineDashed(pix(pa.x), pix(pa.y), pix(pb.x), pix(pb.y), pattern);
}

void circfill3d(Vec3f center, float radius) {
  const Vec4f v = toClip(center);
  const ScreenPoint p = projectClip(v);
  if (!p.visible) return;
  const RenderState& r = renderState();
  setStencilFor3d(r);
  // Slightly in front of its own depth; a code already near 0 stays at 0 instead of wrapping
  // round to the far end of the range.
  setStencilRef(uint8_t(std::max(int(getDepthValue(p.z)) - 2, 0)));
  const float rad = holdPixel(std::floor(radius * float(drawState().screenHeight) / v.w));
  circfill(pix(p.x), pix(p.y), pix(rad));
  restoreStencil();
}

void circflat3d(Vec3f center, float radius, Vec3f /*normal*/, int64_t segments) {
  if (segments <= 0) return;  // a single point draws no chord
  const float step = float(2.0 * kPi / double(segments));
  auto point = [&](float theta) { return center + Vec3f{std::sin(theta), std::cos(theta), 0.0f} * radius; };
  float theta = 0.0f;
  Vec3f prev = point(theta);
  for (int64_t i = 1; i <= segments; ++i) {
    theta += step;
    const Vec3f cur = point(theta);
    line3d(prev, cur);
    prev = cur;
  }
}

void newDepthBuffer() {
  const DrawState& d = drawState();
  renderState().depthBuffer.assign(size_t(d.screenWidth) * size_t(d.screenHeight), 0);
}

void initRenderer3d() {
  newDepthBuffer();
  addResizeFunc([](int, int) { newDepthBuffer(); });
}

void drawDepthBuffer() {
  DrawState& d = drawState();
  const auto& pal = renderState().depthPal;
  auto& canvas = d.swCanvas->data;
  const auto& stencil = d.stencilBuffer->data;
  for (size_t i = 0; i < canvas.size() && i < stencil.size(); ++i) canvas[i] = pal[stencil[i]];
}

}  // namespace dx
