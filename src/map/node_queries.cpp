#include "map/node_queries.h"

#include <algorithm>

#include "framework/errors.h"
#include "geom/scalar_math.h"

namespace dx {

const Node& nodeBeyond(const Map& map, int64_t i) {
  const int64_t n = int64_t(map.path.size());
  if (n == 0) throw IndexError("node " + std::to_string(i) + " of a track without nodes");
  if (!isLooping(map)) return map.path[size_t(std::clamp<int64_t>(i, 0, n - 1))];
  // A car counts on past the last node lap after lap, and starts a little before node 0:
  // those indices wrap by a subtraction or an addition instead of a division.
  if (i >= n && i < 4 * n) {
    while (i >= n) i -= n;
    return map.path[size_t(i)];
  }
  if (i < 0 && i >= -n) return map.path[size_t(i + n)];
  return map.path[size_t(floorMod(i, n))];
}

Quad getNodePoly(const Map& map, int64_t i) {
  const Node &p = nodeAt(map, i - 1), &c = nodeAt(map, i);
  return {p.left, c.left, c.right, p.right};
}

Quad getExtNodePoly(const Map& map, int64_t i) {
  const Node &p = nodeAt(map, i - 1), &c = nodeAt(map, i);
  return {p.oleft, c.oleft, c.oright, p.oright};
}

Quad getNodePolySplit(const Map& map, int64_t i) {
  const Node &p = nodeAt(map, i - 1), &c = nodeAt(map, i);
  auto h = [](const Node& n) { return n.normal * 4.0f / 8.0f; };
  if (p.flags & flagSplit) return {p.pos + h(p), c.pos + h(c), c.pos - h(c), p.pos - h(p)};
  return {p.pos, c.pos + h(c), c.pos, p.pos - h(p)};
}

NodeSearch whichNode(const Map& map, Vec2f pos, int64_t guess, int64_t range) {
  const int64_t n = int64_t(map.path.size());
  const bool loop = isLooping(map);
  auto test = [&](int64_t c, bool isGuess) {
    if (!loop && !isGuess && !(c > 0 && c < n - 1)) return false;
    return pointInPoly(pos, getExtNodePoly(map, c));
  };
  if (test(guess, true)) return {true, guess};
  for (int64_t k = 1; k <= range; ++k) {
    if (test(guess + k, false)) return {true, guess + k};
    if (test(guess - k, false)) return {true, guess - k};
  }
  return {};
}

int64_t getStartNode(const Map& map, int64_t offset) { return isLooping(map) ? -offset : 32 - offset; }

int64_t getEndNode(const Map& map) {
  const int64_t n = int64_t(map.path.size());
  return isLooping(map) ? map.laps * n : n - 33;
}

namespace {

// The sector range of a box grown by 48 map units on every side.
struct SectorRange {
  int64_t x0, x1, y0, y1;
};

SectorRange sectorsAround(const AABB& box) {
  const AABB g = expandAABB(box, {48, 48});
  return {getIndex(g.min).x, getIndex(g.max).x, getIndex(g.min).y, getIndex(g.max).y};
}

}  // namespace

std::vector<Node> getNodesInAABB(const Map& map, const AABB& box) {
  const SectorRange r = sectorsAround(box);
  std::vector<Node> out;
  for (int64_t x = r.x0; x <= r.x1; ++x)
    for (int64_t y = r.y0; y <= r.y1; ++y) {
      const auto it = map.sectorMap.find({x, y});
      if (it == map.sectorMap.end()) continue;
      for (int64_t id : it->second) out.push_back(nodeAt(map, id));
    }
  return out;
}

const std::vector<MapObject>* get(const Map& map, SectorKey key) {
  const auto it = map.objectIndex.find(key);
  return it == map.objectIndex.end() ? nullptr : &it->second;
}

std::vector<MapObject> getObjectsInAABB(const Map& map, const AABB& box) {
  const SectorRange r = sectorsAround(box);
  std::vector<MapObject> out;
  for (int64_t y = r.y0; y <= r.y1; ++y)
    for (int64_t x = r.x0; x <= r.x1; ++x)
      if (const auto* objs = get(map, {x, y})) out.insert(out.end(), objs->begin(), objs->end());
  return out;
}

}  // namespace dx
