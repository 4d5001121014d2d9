#pragma once
// Depth-tested drawing of 3D points, lines, triangles, quads and discs into the palette
// framebuffer. Depth lives in the framework's stencil buffer: every filled pixel carries an 8-bit
// depth code as the stencil reference, and the stencil test `stencilLEqual` is the depth test.
#include <cstdint>
#include <span>
#include <vector>

#include "geom/vec.h"

namespace dx {

// A point after projection: whole-pixel screen position (canvas coordinates before the 2D
// camera offset) and normalised depth.
struct ScreenPoint {
  float x = 0.0f, y = 0.0f, z = 0.0f;
  bool visible = false;
};

// Projects a clip-space vector. Visible when w > 0 and w > |z / w|. Screen x and y are both
// negated before the mapping to pixels, so x is mirrored as well as y flipped. Positions
// beyond a million pixels (or not finite) are held at that bound.
ScreenPoint projectClip(Vec4f v);
// Projects a model-space point through the current mvp.
ScreenPoint project(Vec3f p);
// Projects many model-space points through the current mvp into out (resized to match), as
// project does one by one.
void projectPoints(std::span<const Vec3f> points, std::vector<ScreenPoint>& out);

// Depth code of a normalised depth: trunc(clamp(z * z * 255, 0, 255)).
uint8_t getDepthValue(float z);

// Twice the signed screen area of a projected triangle, positive when its corners run
// clockwise on screen.
inline float screenArea(const ScreenPoint& p0, const ScreenPoint& p1, const ScreenPoint& p2) {
  return (p1.x - p0.x) * (p2.y - p0.y) - (p1.y - p0.y) * (p2.x - p0.x);
}
// Whether trifillDepth draws anything of the triangle; most faces of a small model do not.
inline bool frontFacing(const ScreenPoint& p0, const ScreenPoint& p1, const ScreenPoint& p2) {
  return !(screenArea(p0, p1, p2) < 0.01f);
}

// Fills a projected triangle whose corners run clockwise on screen; the other winding and
// slivers below 0.01 pixels of area are culled. Tests and writes depth as set by setUseDepth.
void trifillDepth(const ScreenPoint& p0, const ScreenPoint& p1, const ScreenPoint& p2);

// Filled polygons from model-space points in the current colour; nothing is drawn when any
// corner is not visible (there is no clipping). A quad is the triangles (a, b, c), (a, c, d).
void trifill3d(Vec3f a, Vec3f b, Vec3f c);
void quadfill3d(Vec3f a, Vec3f b, Vec3f c, Vec3f d);
// Outlines with the 2D line, without depth test.
void tri3d(Vec3f a, Vec3f b, Vec3f c);
void quad3d(Vec3f a, Vec3f b, Vec3f c, Vec3f d);
// The same from corners already projected (whole models project each vertex once). n is 3
// or 4.
inline void fillProjected(const ScreenPoint* const* p, int n) {
  for (int i = 0; i < n; ++i)
    if (!p[i]->visible) return;
  if (frontFacing(*p[0], *p[1], *p[2])) trifillDepth(*p[0], *p[1], *p[2]);
  if (n == 4 && frontFacing(*p[0], *p[2], *p[3])) trifillDepth(*p[0], *p[2], *p[3]);
}
void outlineProjected(const ScreenPoint* const* corners, int n);
// A line clipped at z = 0 of clip space.
void line3d(Vec3f a, Vec3f b);
// A dashed line through an 8-bit on/off pattern; both ends must be visible.
void lineDashed3d(Vec3f a, Vec3f b, uint8_t pattern);
// A screen-space disc at the projected centre, slightly in front of its depth.
void circfill3d(Vec3f center, float radius);
// A circle of line3d chords in the horizontal plane through center, starting and ending at
// center + (0, radius, 0). The normal is accepted and not used.
void circflat3d(Vec3f center, float radius, Vec3f normal, int64_t segments);

// (Re)allocates the spare depth store at the current screen size, zeroed.
void newDepthBuffer();
// Start-up: allocates the depth store and keeps it sized with the screen on every resize.
void initRenderer3d();
// Debug view: every canvas pixel shows the depth code held for it, through depthPal.
void drawDepthBuffer();

}  // namespace dx
