#include "map/track_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "framework/numeric.h"
#include "geom/geometry.h"
#include "map/node_queries.h"

namespace dx {

namespace {

// Nodes whose polygons are checked: on an open track node 0 has no stretch before it.
int64_t firstPolygon(const Map& map) { return isLooping(map) ? 0 : 1; }

int64_t ringDistance(const Map& map, int64_t a, int64_t b) {
  const int64_t n = int64_t(map.path.size());
  const int64_t d = std::abs(a - b);
  return isLooping(map) ? std::min(d, n - d) : d;
}

double orient(Vec2f a, Vec2f b, Vec2f c) {
  return (double(b.x) - a.x) * (double(c.y) - a.y) - (double(b.y) - a.y) * (double(c.x) - a.x);
}

// The segments cross at a point inside both (touching ends do not count).
bool properCross(Vec2f a, Vec2f b, Vec2f c, Vec2f d) {
  return orient(a, b, c) * orient(a, b, d) < 0 && orient(c, d, a) * orient(c, d, b) < 0;
}

AABB quadBox(const Quad& q) {
  AABB box{q[0], q[0]};
  for (const Vec2f& p : q) {
    box.min = {std::min(box.min.x, p.x), std::min(box.min.y, p.y)};
    box.max = {std::max(box.max.x, p.x), std::max(box.max.y, p.y)};
  }
  return box;
}

bool quadsOverlap(const Quad& a, const Quad& b) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (properCross(a[i], a[(i + 1) % 4], b[j], b[(j + 1) % 4])) return true;
  return pointInPoly(a[0], b) || pointInPoly(b[0], a);
}

std::vector<NodeRange> rangesWith(const Map& map, uint16_t bit) {
  std::vector<NodeRange> out;
  for (const Node& n : map.path) {
    if (!(n.flags & bit)) continue;
    if (!out.empty() && out.back().last == n.id - 1)
      out.back().last = n.id;
    else
      out.push_back({n.id, n.id});
  }
  return out;
}

float distanceToPolyline(const std::vector<Vec2f>& line, bool loop, Vec2f p) {
  float best = std::numeric_limits<float>::infinity();
  const size_t n = line.size();
  for (size_t i = 0; i + (loop ? 0 : 1) < n; ++i)
    best = std::min(best, lineSegDistance({line[i], line[(i + 1) % n]}, p));
  return best;
}

void checkJoint(const Map& map, TrackReport& r) {
  const int64_t n = int64_t(map.path.size());
  for (int64_t i = 1; i < n; ++i)
    r.maxSpacing = std::max(r.maxSpacing, length(map.path[size_t(i)].pos - map.path[size_t(i - 1)].pos));
  if (!isLooping(map) || n < 3) return;
  const Vec2f first = map.path[0].pos, second = map.path[1].pos;
  const Vec2f last = map.path[size_t(n - 1)].pos, beforeLast = map.path[size_t(n - 2)].pos;
  r.loopGap = length(first - last);
  r.endFromStart = length(last);
  const float joint = angle(first - last);
  r.headingMismatch = std::max(std::fabs(angleDiff(joint, angle(last - beforeLast))),
                               std::fabs(angleDiff(angle(second - first), joint)));
}

void checkFolds(const Map& map, TrackReport& r) {
  for (int64_t i = firstPolygon(map); i < int64_t(map.path.size()); ++i) {
    const Node& a = nodeAt(map, i - 1);
    const Node& b = map.path[size_t(i)];
    const Vec2f dir = b.pos - a.pos;
    if (dot(b.oleft - a.oleft, dir) <= 0 || dot(b.oright - a.oright, dir) <= 0) r.folds.push_back(i);
  }
}

// How far the racing line keeps from the walls of the two stretches that meet at each node,
// and from the centre of a split.
void checkRacingLine(const Map& map, TrackReport& r) {
  const int64_t n = int64_t(map.path.size());
  for (int64_t i = 0; i < n && size_t(i) < map.racingLine.size(); ++i) {
    const Vec2f p = map.racingLine[size_t(i)];
    const Node& node = map.path[size_t(i)];
    float clearance = std::numeric_limits<float>::infinity();
    for (int64_t k : {i, i + 1}) {
      if (!isLooping(map) && (k < 1 || k >= n)) continue;
      const Quad q = getNodePoly(map, k);
      clearance = std::min({clearance, lineSegDistance({q[0], q[1]}, p), lineSegDistance({q[3], q[2]}, p)});
    }
    if (clearance < r.lineClearance) r.lineClearance = clearance, r.lineClearanceNode = i;
    if (node.flags & flagSplit) {
      r.dividerClearance = std::min(r.dividerClearance, std::fabs(dot(p - node.pos, node.normal)));
      r.narrowestSplitLane = std::min({r.narrowestSplitLane, node.widthL / 8.0f - 0.5f, node.widthR / 8.0f - 0.5f});
    }
  }
}

std::string fmt(const char* format, double a, double b = 0, double c = 0, double d = 0) {
  char buf[160];
  std::snprintf(buf, sizeof buf, format, a, b, c, d);
  return buf;
}

}  // namespace

AABB trackBounds(const Map& map) {
  AABB box;
  if (!map.path.empty()) box = {map.path[0].pos, map.path[0].pos};
  for (const Node& node : map.path)
    for (Vec2f p : {node.oleft, node.oright}) {
      box.min = {std::min(box.min.x, p.x), std::min(box.min.y, p.y)};
      box.max = {std::max(box.max.x, p.x), std::max(box.max.y, p.y)};
    }
  return box;
}

bool nearRoad(const Map& map, Vec2f p, float margin) {
  for (int64_t i = firstPolygon(map); i < int64_t(map.path.size()); ++i) {
    const Quad q = getExtNodePoly(map, i);
    if (pointInPoly(p, q)) return true;
    if (margin > 0 && (lineSegDistance({q[0], q[1]}, p) < margin || lineSegDistance({q[3], q[2]}, p) < margin))
      return true;
  }
  return false;
}

std::vector<std::pair<int64_t, int64_t>> findCrossings(const Map& map) {
  const int64_t n = int64_t(map.path.size());
  std::vector<Quad> quads;
  std::vector<AABB> boxes;
  for (int64_t i = 0; i < n; ++i) {
    quads.push_back(getExtNodePoly(map, i));
    boxes.push_back(quadBox(quads.back()));
  }
  std::vector<std::pair<int64_t, int64_t>> out;
  for (int64_t i = firstPolygon(map); i < n; ++i)
    for (int64_t j = i + 2; j < n; ++j)
      if (ringDistance(map, i, j) >= 2 && intersects(boxes[size_t(i)], boxes[size_t(j)]) &&
          quadsOverlap(quads[size_t(i)], quads[size_t(j)]))
        out.push_back({i, j});
  return out;
}

TrackReport inspectTrack(const Map& map, const MapSource& src) {
  TrackReport r;
  r.name = map.name;
  r.style = map.style;
  r.laps = map.laps;
  r.sections = src.sections.size();
  r.sectionNodes.assign(r.sections, NodeRange{0, -1});
  for (const Node& n : map.path) {
    if (n.section < 0 || size_t(n.section) >= r.sections) continue;
    NodeRange& range = r.sectionNodes[size_t(n.section)];
    if (range.last < range.first) range.first = n.id;
    range.last = n.id;
  }
  r.nodes = int64_t(map.path.size());
  r.length = map.length;
  r.bounds = trackBounds(map);
  const WalkEnd end = walkEnd(map);
  r.walkEndPos = end.pos;
  r.walkEndHeading = end.heading;
  checkJoint(map, r);
  r.crossings = findCrossings(map);
  checkFolds(map, r);
  checkRacingLine(map, r);
  for (int b = 0; b < 16; ++b) {
    const uint16_t bit = uint16_t(1u << b);
    std::vector<NodeRange> ranges = rangesWith(map, bit);
    if (!ranges.empty()) r.flags.push_back({bit, std::move(ranges)});
  }
  for (const TrackObjectPtr& o : map.trackObjects) {
    if (!isA(o->kind(), ObjectKind::booster)) continue;
    r.boosterNodes.push_back(o->currentNode);
    r.boosterLineDistance = std::max(r.boosterLineDistance, distanceToPolyline(map.racingLine, isLooping(map), o->pos));
  }
  r.scenery = src.objects.size();
  for (const MapObject& o : src.objects) r.sceneryOnRoad += nearRoad(map, o.pos, 0) ? 1 : 0;
  return r;
}

std::vector<std::string> trackProblems(const TrackReport& r) {
  std::vector<std::string> out;
  if (r.laps > 0 && (r.loopGap > kMaxNodeSpacing + 0.01f || r.headingMismatch > kMaxJointTurn))
    out.push_back(fmt("the loop does not close: the last node is %.2f from node 0 with a %.3f rad turn at the joint",
                      r.loopGap, r.headingMismatch));
  for (const auto& [a, b] : r.crossings) {
    out.push_back("the road crosses itself: nodes " + std::to_string(a) + " and " + std::to_string(b) + " overlap");
    if (out.size() > 8) break;
  }
  if (!r.folds.empty())
    out.push_back("a corner is too tight for its width: the band edges fold back at node " +
                  std::to_string(r.folds[0]) +
                  (r.folds.size() > 1 ? " (and " + std::to_string(r.folds.size() - 1) + " more)" : ""));
  if (r.lineClearance < kMinLineClearance)
    out.push_back(
        fmt("the racing line comes within %.2f of a wall at node %.0f", r.lineClearance, double(r.lineClearanceNode)));
  if (r.dividerClearance < kMinDividerClearance)
    out.push_back(fmt("the racing line runs within %.2f of a split's centre", r.dividerClearance));
  if (r.sceneryOnRoad > 0) out.push_back(std::to_string(r.sceneryOnRoad) + " scenery objects stand on the road");
  return out;
}

std::vector<std::string> layoutProblems(const Map& map, const MapSource& src) {
  return trackProblems(inspectTrack(map, src));
}

WalkEnd walkEnd(const Map& map) {
  const size_t n = map.path.size();
  if (n == 0) return {};
  const Vec2f last = map.path[n - 1].pos * 8.0f;
  const Vec2f prev = n >= 2 ? map.path[n - 2].pos * 8.0f : Vec2f{};
  return {last, angle(last - prev)};
}

}  // namespace dx
