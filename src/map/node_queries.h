#pragma once
// Where things are on a track: nodes by index and by position, the road polygons, the start and
// end, and the nodes and scenery near a box.
#include <array>
#include <cstdint>
#include <vector>

#include "map/track.h"

namespace dx {

// The node of an index outside 0..n - 1, or the error of a track without nodes.
const Node& nodeBeyond(const Map& map, int64_t i);
// Wraps on a closed track, clamps on an open one. The track must have nodes. Inline for the
// common case of an index on the path: a car step asks for a few dozen nodes.
inline const Node& nodeAt(const Map& map, int64_t i) {
  if (uint64_t(i) < uint64_t(map.path.size())) return map.path[size_t(i)];
  return nodeBeyond(map, i);
}
inline Node getNode(const Map& map, int64_t i) { return nodeAt(map, i); }

using Quad = std::array<Vec2f, 4>;
Quad getNodePoly(const Map& map, int64_t i);
Quad getExtNodePoly(const Map& map, int64_t i);
Quad getNodePolySplit(const Map& map, int64_t i);

struct NodeSearch {
  bool found = false;
  int64_t index = 0;
};
NodeSearch whichNode(const Map& map, Vec2f pos, int64_t guess, int64_t range);

int64_t getStartNode(const Map& map, int64_t offset);
int64_t getEndNode(const Map& map);

std::vector<Node> getNodesInAABB(const Map& map, const AABB& box);
std::vector<MapObject> getObjectsInAABB(const Map& map, const AABB& box);
// The scenery stored under a sector, or nullptr.
const std::vector<MapObject>* get(const Map& map, SectorKey key);

}  // namespace dx
