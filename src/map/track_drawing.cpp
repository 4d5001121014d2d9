#include "map/track_drawing.h"

#include <algorithm>
#include <cmath>

#include "framework/colors.h"
#include "framework/errors.h"
#include "framework/numeric.h"
#include "geom/scalar_math.h"
#include "map/item_types.h"
#include "map/node_queries.h"
#include "objects/shared_records.h"
#include "render3d/model_draw.h"
#include "render3d/rasterizer.h"
#include "render3d/render_state.h"

namespace dx {

namespace {

TrackDrawState gState;

constexpr int64_t kWindow = 16;         // nodes either side of the followed car drawn in full
constexpr float kObjectLayerZ = 0.75f;  // objects from this height up are drawn in layer 4
constexpr float kWallZ = 2.5f;          // height of the raised road edges
constexpr float kMarkZ = 0.1f;          // split marks, just above the road
constexpr float kPaintZ = 0.05f;        // painted lines and dividers, just above the road
constexpr float kSplitHalf = 4.0f / 8.0f;
constexpr std::array<ColorId, 8> kDecorRamp{0, 1, 1, 1, 1, 5, 5, 13};

int64_t frame() { return sharedRecords().frame; }
int64_t nodeCount(const Map& map) { return int64_t(map.path.size()); }
Vec3f at(Vec2f p, float z = 0.0f) { return vec3f(p, z); }

// The first two and last two nodes of an open track are not drawn: at the ends the neighbour
// lookups clamp and the figures would fold back.
bool isEndNode(const Map& map, int64_t id) { return !isLooping(map) && (id < 2 || id >= nodeCount(map) - 2); }

// The nodes drawn in full: within 16 of the followed car's node.
bool inWindow(const Map& map, int64_t id, int64_t current) {
  return !isEndNode(map, id) && modDiff(id, current, nodeCount(map)) < kWindow;
}

// The progress colour, or white where the light running along the track is.
ColorId progressColor(const Map& map, int64_t id) { return id % 60 == (frame() / 3) % 60 ? 7 : trackColor(map, id); }

// One side of the road. The right side's figures are the left side's with P and N exchanged,
// which keeps every face wound clockwise on screen.
struct Side {
  Vec2f Node::*edge;
  Vec2f Node::*inner;
  Vec2f Node::*outer;
  int64_t Node::*edgeColor;
  float Node::*width;
  uint16_t open, special;
  float sign;  // -1 left, +1 right, along the node's normal
};
constexpr Side kLeft{&Node::left,   &Node::ileft, &Node::oleft,    &Node::leftEdgeColor,
                     &Node::widthL, flagLeftOpen, flagLeftSpecial, -1.0f};
constexpr Side kRight{&Node::right,  &Node::iright, &Node::oright,    &Node::rightEdgeColor,
                      &Node::widthR, flagRightOpen, flagRightSpecial, 1.0f};
constexpr Side kSides[2] = {kLeft, kRight};

bool isOpen(const Node& x, const Side& s) { return (x.flags & s.open) != 0; }

// A quad given as the left side's (P a, N a, N b, P b).
void sideQuad(const Side& s, Vec3f pa, Vec3f na, Vec3f nb, Vec3f pb) {
  if (s.sign > 0.0f)
    quadfill3d(na, pa, pb, nb);
  else
    quadfill3d(pa, na, nb, pb);
}

// A triangle given as the left side's corners.
void sideTri(const Side& s, Vec3f a, Vec3f b, Vec3f c) {
  if (s.sign > 0.0f)
    trifill3d(a, c, b);
  else
    trifill3d(a, b, c);
}

// The foot of the rim below the outer band: twice the half-width out, or 4 layout units beyond
// the edge on an open side.
Vec3f rim(const Node& x, const Side& s) {
  const float w = x.*s.width;
  const float reach = isOpen(x, s) ? w + 4.0f : 2.0f * w;
  return at(x.pos + x.normal * (s.sign * reach * 0.125f), -1.0f);
}

ColorId surfaceColor(const Map& map, const Node& N) {
  const int64_t n = nodeCount(map);
  const bool start = isLooping(map) ? N.id == 0 : N.id == 32;
  const bool finish = !isLooping(map) && N.id == n - 33;
  if (start || finish) return frame() % 10 < 5 ? 11 : 7;
  if (N.flags & flagAltSurface) return 2;
  return mapPalette(map.style)[1];
}

// Hazard marks leading into a split (a widening wedge) and along it, in two halves either side
// of the centre line whose colours swap from node to node.
void drawSplitMarks(const Map& map, const Node& P, const Node& N) {
  const bool split = (N.flags & flagSplit) != 0;
  if (!split && !N.warningSplit) return;
  const float hN = kSplitHalf, hP = split || P.warningSplit ? kSplitHalf : 0.0f;
  const ColorId mark = split ? 9 : (frame() % 10 > 4 ? 8 : 7);
  const ColorId other = mapPalette(map.style)[3];
  const bool even = N.id % 2 == 0;
  setColor(even ? mark : other);
  quadfill3d(at(P.pos - P.normal * hP, kMarkZ), at(N.pos - N.normal * hN, kMarkZ), at(N.pos, kMarkZ),
             at(P.pos, kMarkZ));
  setColor(even ? other : mark);
  quadfill3d(at(P.pos, kMarkZ), at(N.pos, kMarkZ), at(N.pos + N.normal * hN, kMarkZ),
             at(P.pos + P.normal * hP, kMarkZ));
}

// The stretch from node P to node N in full: road, banks up to the raised edges, split marks,
// the outer faces down to the outer band and the rims below it.
void drawRoadNode(const Map& map, const Node& N) {
  const Node& P = nodeAt(map, N.id - 1);
  const Node& Q = nodeAt(map, N.id + 1);
  const auto& pal = mapPalette(map.style);
  const ColorId S = surfaceColor(map, N);
  setColor(S);
  quadfill3d(at(P.ileft), at(N.ileft), at(N.iright), at(P.iright));
  for (const Side& s : kSides) {
    if (isOpen(N, s)) continue;
    setColor(isOpen(P, s) ? S : P.*s.edgeColor);
    sideTri(s, at(P.*s.inner), at(P.*s.edge, kWallZ), at(N.*s.edge, kWallZ));
    setColor(isOpen(Q, s) ? S : N.*s.edgeColor);
    sideTri(s, at(P.*s.inner), at(N.*s.edge, kWallZ), at(N.*s.inner));
  }
  drawSplitMarks(map, P, N);
  setColor(pal[3]);
  for (const Side& s : kSides) {
    const float z = isOpen(N, s) ? 0.0f : kWallZ;
    sideQuad(s, at(P.*s.outer), at(N.*s.outer), at(N.*s.edge, z), at(P.*s.edge, z));
  }
  setColor(progressColor(map, N.id));
  for (const Side& s : kSides) sideQuad(s, rim(P, s), rim(N, s), at(N.*s.outer), at(P.*s.outer));
}

// A node beyond the window: its outer band and outer faces only, sunk the deeper the farther
// it lies from the followed car.
void drawSilhouette(const Map& map, const Node& N, int64_t current) {
  const Node& P = nodeAt(map, N.id - 1);
  const int64_t d = modDiff(P.id, current, nodeCount(map));
  const float dropP = std::max(-0.2f * float(d), -10.0f);
  const float dropN = std::max(-0.2f * float(d + 1), -10.0f);
  setColor(mapPalette(map.style)[1]);
  quadfill3d(at(P.oleft, dropP), at(N.oleft, dropN), at(N.oright, dropN), at(P.oright, dropP));
  setColor(progressColor(map, N.id));
  for (const Side& s : kSides) {
    const float z = isOpen(N, s) ? 0.0f : kWallZ;
    sideQuad(s, at(P.*s.outer, dropP), at(N.*s.outer, dropN), at(N.*s.edge, z + dropN), at(P.*s.edge, z + dropP));
  }
}

// Dashes running along a special side's inner line, one per node, moving with the traffic.
void drawMovingDash(Vec2f from, Vec2f to) {
  const float phase = float(frame() % 30) / 30.0f;
  const float end = phase + 0.5f;
  setColor(color::white);
  line3d(at(lerp(from, to, phase), kPaintZ), at(lerp(from, to, std::min(end, 1.0f)), kPaintZ));
  if (end > 1.0f) line3d(at(from, kPaintZ), at(lerp(from, to, end - 1.0f), kPaintZ));
}

void drawSideLines(const Map& map, const Side& s, const Node& P, const Node& N) {
  if (isOpen(N, s)) {
    setColor(color::orange);
    line3d(at(P.*s.edge, kPaintZ), at(N.*s.edge, kPaintZ));
  } else {
    setColor(mapPalette(map.style)[2]);
    line3d(at(P.*s.inner), at(N.*s.inner));
    setColor(progressColor(map, N.id));
    line3d(at(P.*s.edge, kWallZ), at(N.*s.edge, kWallZ));
  }
  if (N.flags & s.special) drawMovingDash(P.*s.inner, N.*s.inner);
}

void drawNodeLines(const Map& map, const Node& N) {
  const Node& P = nodeAt(map, N.id - 1);
  const auto& pal = mapPalette(map.style);
  if (N.flags & flagSplit) {
    // The divider's core, half as wide as the hazard marks under it so their colours still
    // show along its sides; it opens from a point where the split begins.
    const float hN = kSplitHalf * 0.5f, hP = (P.flags & flagSplit) ? hN : 0.0f;
    setColor(pal[3]);
    quadfill3d(at(P.pos - P.normal * hP, kPaintZ), at(N.pos - N.normal * hN, kPaintZ),
               at(N.pos + N.normal * hN, kPaintZ), at(P.pos + P.normal * hP, kPaintZ));
  }
  setColor(pal[2]);
  if (map.style == CityNight || map.style == CityDay)
    lineDashed3d(at(P.pos, kPaintZ), at(N.pos, kPaintZ), 0xCC);
  else if (N.id % 2 != 0)
    line3d(at(P.pos, kPaintZ), at(N.pos, kPaintZ));
  for (const Side& s : kSides) drawSideLines(map, s, P, N);
}

// Shadows first, then bodies, of the objects on one side of the layer height near the car.
void drawObjects(const Map& map, int64_t current, bool high) {
  const int64_t n = nodeCount(map);
  auto selected = [&](const TrackObject& o) {
    return (o.z >= kObjectLayerZ) == high && modDiff(o.currentNode, current, n) < kWindow;
  };
  for (const auto& o : map.trackObjects)
    if (selected(*o)) o->drawShadow3d();
  for (const auto& o : map.trackObjects)
    if (selected(*o)) o->draw3d();
}

// Two rows of three hexagonal columns deep below the track.
void drawHexDecor() {
  modelReset();
  modelTranslate(0.0f, -10.0f, -40.0f);
  modelScale(Vec3f{5.0f, 5.0f, 20.0f});
  setDither(false);
  setLightDir(normalized(Vec3f{0.2f, 0.1f, -1.0f}));
  const Model& hex = itemTypes().hexModel;
  const Vec3f steps[5] = {{10, 0, 0}, {10, 0, 0}, {-20, 4, 0}, {10, 0, 0}, {10, 0, 0}};
  drawLit(hex, kDecorRamp);
  for (Vec3f step : steps) {
    modelTranslate(step);
    drawLit(hex, kDecorRamp);
  }
  modelReset();
}

void drawGate(const Map& map, const Node& N) {
  const Node& P = nodeAt(map, N.id - 1);
  auto gate = [&](float z) { quadfill3d(at(P.oleft, z), at(N.oleft, z), at(N.oright, z), at(P.oright, z)); };
  if (frame() % 2 == 0) {
    setColor(color::black);
    gate(0.0f);
  }
  setColor(trackColor(map, N.id));
  gate(3.0f);
}

// Whole pixels from a map-unit coordinate; held far outside any screen so sums cannot overflow.
Pint pixel(double v) {
  constexpr double kLimit = 1 << 28;
  if (!(v > -kLimit)) return Pint(-kLimit);
  return Pint(v < kLimit ? v : kLimit);
}

// Item files give sprite sizes in cells; nothing sensible is larger than this.
constexpr int64_t kMaxCells = 256;

// The Snow style's trees: a shadow, the trunk and two swaying layers of branches.
void drawSnowTree(Vec2f p) {
  setColor(color::darkGrey);
  circfill(pixel(std::floor(p.x)), pixel(std::floor(p.y + 2.0f)), 6);
  spr(88, pixel(std::floor(p.x - 8.0f)), pixel(std::floor(p.y - 8.0f)), 2, 2);
  const Pint x0 = pixel(std::floor(p.x - 8.0f)), y0 = pixel(std::floor(p.y - 6.0f));
  const Pint s1 = Pint(std::floor(std::sin(double(frame()) / 80.0)));
  const Pint s2 = Pint(std::floor(std::sin(double(frame()) / 70.0)));
  spr(90, x0 + s1 - 1, y0 - 4, 2, 2);
  spr(90, x0 + 2 * s1 - 2, y0 - 8, 2, 2);
  spr(120, x0 + s2 - 1, y0 - 4, 2, 2);
  spr(120, x0 + 2 * s2 - 2, y0 - 8, 2, 2);
}

}  // namespace

TrackDrawState& trackDrawState() { return gState; }
void resetTrackDrawState() { gState = TrackDrawState{}; }

ColorId trackColor(const Map& map, int64_t i) {
  const double progress = double(i) / double(nodeCount(map)) * 6.0;
  return trackColors[size_t(clamp<int64_t>(truncToInt64(progress), 0, 6))];
}

void setupCamera(Vec2f carPos, Vec2f carVel) {
  TrackDrawState& s = gState;
  const float span = 20.0f / s.zoom;  // map units across the view
  const float d = span * 0.5f / std::tan(float(deg2rad(s.fov)) * 0.5f);
  s.near = 2.0f;
  s.far = 50.0f;
  setPerspective(s.fov, s.near, s.far);
  const Vec2f look = clamp(carVel * 0.25f, span * 0.33f);
  const float height = lerp(0.75f * d, d, clamp(length(look) * 0.125f));
  const Vec3f goal = at(carPos + look * 0.5f, height) + Vec3f{0.0f, s.cameraPitch, 0.0f};
  s.cameraPos = lerp(s.cameraPos, goal, 0.33f);
  s.cameraTarget = lerp(s.cameraTarget, at(carPos + look, 2.0f), 0.93f);
  setCamera3D(s.cameraPos, s.cameraTarget, normalized(Vec3f{0.0f, -1.0f, 1.0f}));
  setLightDir(-Vec3f{0.2f, 0.1f, 1.0f});
  stencilClear(255);
  stencilMode(stencilAlways);
  setStencilWrite(false);
}

void drawLayer0(const Map& map, int64_t current) {
  const ColorId background = mapPalette(map.style)[0];
  if (background != 0) {
    // The view box is exactly what the screen shows, so the whole view takes the colour.
    const DrawState& d = drawState();
    setColor(background);
    rectfill(d.clipMinX + d.cameraX, d.clipMinY + d.cameraY, d.clipMaxX + d.cameraX, d.clipMaxY + d.cameraY);
  }
  const Vec2f c = nodeAt(map, current).pos;
  const float x0 = roundTo(c.x - 100.0f, 10.0f), y0 = roundTo(c.y - 100.0f, 10.0f);
  constexpr float z = -30.0f;
  setColor(color::darkBlue);
  for (int i = 0; i < 20; ++i) {
    for (int j = 0; j < 20; ++j) {
      const float a = float(10 * i), b = float(10 * j), b1 = float(10 * (j + 1));
      line3d(Vec3f{x0 + a, y0 + b, z}, Vec3f{x0 + a, y0 + b1, z});
      line3d(Vec3f{x0 + b, y0 + a, z}, Vec3f{x0 + b1, y0 + a, z});
    }
  }
  setSpritesheet(0);
}

void drawLayer1(const Map& map, int64_t current) { drawObjects(map, current, false); }

void drawLayer2(const Map& map, std::span<const Node> nodes, int64_t current) {
  for (const Node& N : nodes) {
    if (inWindow(map, N.id, current))
      drawRoadNode(map, N);
    else if (!isEndNode(map, N.id))
      drawSilhouette(map, N, current);
  }
}

void drawLayer3(const Map& map, std::span<const Node> nodes, int64_t current) {
  setStencilWrite(false);
  stencilMode(stencilAlways);
  for (const Node& N : nodes)
    if (inWindow(map, N.id, current) && !(N.flags & flagNoWalls)) drawNodeLines(map, N);
}

void drawLayer4(const Map& map, int64_t current) {
  drawObjects(map, current, true);
  drawHexDecor();
  if (gState.debugDepth) drawDepthBuffer();
}

void drawLayer5(const Map& map, std::span<const Node> nodes, int64_t current, const AABB& box) {
  for (const Node& N : nodes)
    if (inWindow(map, N.id, current) && (N.flags & flagGate) && N.id % 2 == 0) drawGate(map, N);
  // A style without a tileset (Sea) has no scenery sprites to show.
  if (!drawState().spritesheets[2]) return;
  setSpritesheet(2);
  // Each sprite stands on the projected ground point of its object. (Taken as plain pixel
  // coordinates, map positions would put the sprites at fixed places on the screen, most of
  // them off it, whatever the camera looks at.)
  modelReset();
  const auto& descriptions = itemTypes().mapObjectDescriptions;
  const auto [cx, cy] = getCamera();
  for (MapObject o : getObjectsInAABB(map, box)) {
    const ScreenPoint p = project(vec3f(o.pos, 0.0f));
    if (!p.visible || o.kind >= descriptions.size()) continue;
    const float half = float(std::clamp<int64_t>(descriptions[o.kind].h, 0, kMaxCells) * 4);
    o.pos = {p.x + float(cx), p.y - half + float(cy)};
    drawObj(map, o, 1.0f);
  }
}

void drawObj(const Map& map, const MapObject& object, float scale) {
  const auto& descriptions = itemTypes().mapObjectDescriptions;
  if (object.kind >= descriptions.size())
    throw IndexError("drawObj: scenery kind " + std::to_string(object.kind) + " has no description among " +
                     std::to_string(descriptions.size()));
  if (map.style == Snow && object.kind == 0) {
    drawSnowTree(object.pos);
    return;
  }
  const MapObjectDescription& d = descriptions[object.kind];
  const int64_t cw = clamp<int64_t>(d.w, 0, kMaxCells), ch = clamp<int64_t>(d.h, 0, kMaxCells);
  const int64_t w = cw * 8, h = ch * 8;
  const int64_t period = d.flash[2];
  // A flash colour outside the palette cannot be remapped; such an item simply does not flash.
  if (period != 0 && frame() % period < period / 2 && d.flash[0] >= 0 && d.flash[0] <= 255) pal(d.flash[0], d.flash[1]);
  const Vec2f p = object.pos;
  if (scale == 1.0f) {
    spr(d.spr, pixel(std::trunc(p.x)) - Pint(w >> 1), pixel(std::trunc(p.y)) - Pint(h >> 1), Pint(cw), Pint(ch));
  } else {
    const float dw = float(w) * scale, dh = float(h) * scale;
    if (dw < 1.0f || dh < 1.0f)
      pset(pixel(std::floor(p.x * scale)), pixel(std::floor(p.y * scale)), 3);
    else
      sprss(d.spr, pixel(std::floor(p.x * scale - dw / 2.0f)), pixel(std::floor(p.y * scale - dh / 2.0f)), Pint(cw),
            Pint(ch), pixel(dw), pixel(dh));
  }
  pal();
}

}  // namespace dx
