#include "track_compiler/track_drawing.h"

#include <algorithm>
#include <cmath>

#include "framework/errors.h"
#include "framework/font.h"
#include "framework/numeric.h"
#include "framework/palette.h"
#include "framework/png_io.h"
#include "geom/geometry.h"
#include "map/node_queries.h"
#include "map/track_checks.h"

namespace dx {

namespace {

constexpr int kMargin = 8;
constexpr int kMaxSide = 8192;  // pixels; a larger plan is refused rather than allocated

struct Plan {
  Vec2f origin;
  float scale = 1;
  Pint x(Vec2f p) const { return truncToInt32(std::floor((p.x - origin.x) * scale)) + kMargin; }
  Pint y(Vec2f p) const { return truncToInt32(std::floor((p.y - origin.y) * scale)) + kMargin; }
};

void drawSegment(const Plan& plan, Vec2f a, Vec2f b, ColorId c) {
  setColor(c);
  line(plan.x(a), plan.y(a), plan.x(b), plan.y(b));
}

// The framework fills only clockwise triangles, so each is given in that order.
void fillTriangle(const Plan& plan, Vec2f a, Vec2f b, Vec2f c) {
  const Pint ax = plan.x(a), ay = plan.y(a), bx = plan.x(b), by = plan.y(b), cx = plan.x(c), cy = plan.y(c);
  if (orient2d(ax, ay, bx, by, cx, cy) >= 0)
    trifill(ax, ay, bx, by, cx, cy);
  else
    trifill(ax, ay, cx, cy, bx, by);
}

void fillQuad(const Plan& plan, const Quad& q, ColorId c) {
  setColor(c);
  fillTriangle(plan, q[0], q[1], q[2]);
  fillTriangle(plan, q[0], q[2], q[3]);
}

ColorId sideColor(uint16_t flags, uint16_t open, uint16_t special) {
  if (flags & special) return planSpecialSide;
  return (flags & open) ? planOpenSide : planWall;
}

// The nodes that have a stretch of road behind them.
int64_t firstStretch(const Map& map) { return isLooping(map) ? 0 : 1; }

void drawRoad(const Plan& plan, const Map& map) {
  const int64_t n = int64_t(map.path.size());
  for (int64_t i = firstStretch(map); i < n; ++i) fillQuad(plan, getExtNodePoly(map, i), planBand);
  for (int64_t i = firstStretch(map); i < n; ++i) fillQuad(plan, getNodePoly(map, i), planRoad);
  for (int64_t i = firstStretch(map); i < n; ++i) {
    const Node& node = map.path[size_t(i)];
    if (node.flags & flagSplit) fillQuad(plan, getNodePolySplit(map, i), planDivider);
    const Quad q = getNodePoly(map, i);
    drawSegment(plan, q[0], q[1], sideColor(node.flags, flagLeftOpen, flagLeftSpecial));
    drawSegment(plan, q[3], q[2], sideColor(node.flags, flagRightOpen, flagRightSpecial));
  }
}

void drawMarks(const Plan& plan, const Map& map) {
  const int64_t n = int64_t(map.path.size());
  for (int64_t i = firstStretch(map); i < n; ++i) {
    const Node& node = map.path[size_t(i)];
    if ((node.flags & flagGate) && i % 2 == 0) {
      const Node& prev = nodeAt(map, i - 1);
      fillQuad(plan, {prev.oleft, node.oleft, node.oright, prev.oright}, planGate);
    }
    if (i % 50 == 0) {
      setColor(planNodeMark);
      circ(plan.x(node.oleft), plan.y(node.oleft), 2);
    }
  }
  std::vector<int64_t> lines = isLooping(map) ? std::vector<int64_t>{0} : std::vector<int64_t>{32, n - 33};
  for (int64_t i : lines) {
    if (i < 0 || i >= n) continue;
    const Node& node = map.path[size_t(i)];
    drawSegment(plan, node.oleft, node.oright, planStart);
  }
}

// The node the race starts from: node 0 of a loop, the start line of an open track.
int64_t startNode(const Map& map) {
  const int64_t n = int64_t(map.path.size());
  return isLooping(map) || n <= 33 ? 0 : 32;
}

// An arrow from the start line along the way the cars drive, half the road wide.
void drawStartArrow(const Plan& plan, const Map& map) {
  if (map.path.size() < 2) return;
  const int64_t s = startNode(map);
  const Node& node = nodeAt(map, s);
  const Vec2f ahead = normalized(nodeAt(map, s + 1).pos - node.pos);
  const float half = std::min(node.widthL, node.widthR) / 8.0f;  // map units
  const Vec2f side = perpendicular(ahead) * (0.6f * half);
  setColor(planStart);
  fillTriangle(plan, node.pos + side, node.pos - side, node.pos + ahead * (1.5f * half));
}

struct LegendEntry {
  ColorId color;
  const char* label;
};
constexpr LegendEntry kLegend[] = {
    {planRoad, "road"},
    {planBand, "band"},
    {planWall, "wall"},
    {planOpenSide, "open side"},
    {planSpecialSide, "special side"},
    {planDivider, "split"},
    {planGate, "gate"},
    {planStart, "start, direction"},
    {planRacingLine, "racing line"},
    {planBooster, "booster"},
    {planScenery, "scenery"},
    {planNodeMark, "every 50 nodes"},
};

// The legend's entries flowed into rows of the given width: the left edge of each and its row.
struct LegendLayout {
  std::vector<std::pair<Pint, int>> at;
  int rows = 0;
  Pint rowHeight = 0;
};

LegendLayout layOutLegend(const Font& font, Pint width) {
  LegendLayout l;
  l.rowHeight = Pint(font.h) + 3;
  Pint x = kMargin;
  int row = 0;
  for (const LegendEntry& e : kLegend) {
    const Pint w = 7 + textWidth(e.label) + 8;
    if (x + w > width - kMargin && x > kMargin) x = kMargin, row += 1;
    l.at.push_back({x, row});
    x += w;
  }
  l.rows = row + 1;
  return l;
}

void drawLegend(const LegendLayout& l, Pint top) {
  for (size_t i = 0; i < l.at.size(); ++i) {
    const auto [x, row] = l.at[i];
    const Pint y = top + Pint(row) * l.rowHeight;
    setColor(kLegend[i].color);
    rectfill(x, y, x + 4, y + 4);
    setColor(planWall);
    print(kLegend[i].label, x + 7, y);
  }
}

void drawLineAndObjects(const Plan& plan, const Map& map, const MapSource& src) {
  const size_t n = map.racingLine.size();
  for (size_t i = 0; i + 1 < n + (isLooping(map) ? 1 : 0) && n > 1; ++i)
    drawSegment(plan, map.racingLine[i], map.racingLine[(i + 1) % n], planRacingLine);
  const Pint r = std::max<Pint>(1, truncToInt32(plan.scale));
  for (const TrackObjectPtr& o : map.trackObjects) {
    setColor(isA(o->kind(), ObjectKind::booster) ? planBooster : planStart);
    circfill(plan.x(o->pos), plan.y(o->pos), r);
  }
  setColor(planScenery);
  for (const MapObject& o : src.objects)
    rectfill(plan.x(o.pos) - r, plan.y(o.pos) - r, plan.x(o.pos) + r, plan.y(o.pos) + r);
}

}  // namespace

SurfacePtr drawTrackPlan(const Map& map, const MapSource& src, const PlanView& view) {
  const float scale = view.scale;
  if (!(scale > 0)) throw FormatError("the plan scale must be positive");
  AABB box = trackBounds(map);
  for (const MapObject& o : src.objects)
    box = {{std::min(box.min.x, o.pos.x), std::min(box.min.y, o.pos.y)},
           {std::max(box.max.x, o.pos.x), std::max(box.max.y, o.pos.y)}};
  if (view.window) box = *view.window;
  const double w = double(box.max.x - box.min.x) * scale + 2 * kMargin + 1;
  const double h = double(box.max.y - box.min.y) * scale + 2 * kMargin + 1;
  if (!(w <= kMaxSide && h <= kMaxSide))
    throw FormatError("the plan would be larger than 8192 pixels; use a smaller scale");
  resetDrawState();
  std::optional<LegendLayout> legend;
  if (!view.legendFont.empty()) {
    fontState().fonts[0] = createFontFromSurface(*loadSurfaceRGBA(view.legendFont), font5x5Chars);
    setFont(0);
    legend = layOutLegend(*fontState().currentFont, Pint(w));
  }
  setCanvasSize(int(w), int(h) + (legend ? legend->rows * legend->rowHeight + kMargin : 0));
  cls();
  const Plan plan{box.min, scale};
  drawRoad(plan, map);
  drawMarks(plan, map);
  drawLineAndObjects(plan, map, src);
  drawStartArrow(plan, map);
  if (legend) drawLegend(*legend, Pint(h));
  return drawState().swCanvas;
}

void writeTrackPlan(const std::string& path, const Map& map, const MapSource& src, const PlanView& view) {
  writePngIndexed(path, *drawTrackPlan(map, src, view), loadPaletteDefault());
}

}  // namespace dx
