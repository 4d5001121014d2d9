#include <gtest/gtest.h>

#include <algorithm>

#include "map/node_queries.h"
#include "map_fixtures.h"

namespace dx {
namespace {

using test::ring;
using test::sourceOf;
using test::straight;

TEST(GetNode, WrapsOnLoopsAndClampsOnOpenTracks) {
  const MapPtr loop = fromSource(sourceOf({straight(100)}, 1));
  EXPECT_EQ(getNode(*loop, -1).id, 99);
  EXPECT_EQ(getNode(*loop, 100).id, 0);
  EXPECT_EQ(getNode(*loop, 250).id, 50);
  const MapPtr open = fromSource(sourceOf({straight(100)}, 0));
  EXPECT_EQ(getNode(*open, -1).id, 0);
  EXPECT_EQ(getNode(*open, 100).id, 99);
}

TEST(StartAndEnd, OpenAndClosedTracks) {
  const MapPtr open = fromSource(sourceOf({straight(200)}, 0));
  EXPECT_EQ(getStartNode(*open, 3), 29);
  EXPECT_EQ(getEndNode(*open), 167);
  const MapPtr loop = fromSource(sourceOf({straight(200)}, 3));
  EXPECT_EQ(getStartNode(*loop, 3), -3);
  EXPECT_EQ(getNode(*loop, getStartNode(*loop, 3)).id, 197);
  EXPECT_EQ(getEndNode(*loop), 600);
}

TEST(Polygons, RoadExtendedAndSplit) {
  const MapPtr map = fromSource(sourceOf({straight(3), straight(2, flagSplit)}, 1));
  const Quad road = getNodePoly(*map, 1);
  EXPECT_EQ(road[0], map->path[0].left);
  EXPECT_EQ(road[1], map->path[1].left);
  EXPECT_EQ(road[2], map->path[1].right);
  EXPECT_EQ(road[3], map->path[0].right);
  const Quad ext = getExtNodePoly(*map, 1);
  EXPECT_EQ(ext[0], map->path[0].oleft);
  EXPECT_EQ(ext[2], map->path[1].oright);
  // Node 3 starts the split: its divider narrows from a point at node 2.
  const Quad first = getNodePolySplit(*map, 3);
  EXPECT_EQ(first[0], map->path[2].pos);
  EXPECT_EQ(first[1], map->path[3].pos + Vec2f(0, 0.5f));
  const Quad inside = getNodePolySplit(*map, 4);
  EXPECT_EQ(inside[0], map->path[3].pos + Vec2f(0, 0.5f));
  EXPECT_EQ(inside[3], map->path[3].pos - Vec2f(0, 0.5f));
}

TEST(WhichNode, FindsTheCandidateInOrderAndRespectsTheRange) {
  const MapPtr map = fromSource(ring(30));
  auto onNode = [&](int i) { return (map->path[(i + 29) % 30].pos + map->path[i].pos) * 0.5f; };
  EXPECT_EQ(whichNode(*map, onNode(10), 10, 0).index, 10);
  EXPECT_FALSE(whichNode(*map, onNode(10), 7, 2).found);  // 10 is three candidates away
  const NodeSearch s = whichNode(*map, onNode(10), 7, 3);
  EXPECT_TRUE(s.found);
  EXPECT_EQ(s.index, 10);
  const NodeSearch miss = whichNode(*map, {500, 500}, 10, 12);
  EXPECT_FALSE(miss.found);
  EXPECT_EQ(miss.index, 0);
  // Candidates keep their unwrapped value on a loop.
  EXPECT_EQ(whichNode(*map, onNode(1), 29, 2).index, 31);
}

TEST(WhichNode, OpenTracksSkipTheEndsExceptTheGuess) {
  const MapPtr map = fromSource(sourceOf({straight(30)}, 0));
  const Vec2f onLast = (map->path[28].pos + map->path[29].pos) * 0.5f;
  EXPECT_FALSE(whichNode(*map, onLast, 27, 3).found);  // candidate 29 is the last node
  EXPECT_TRUE(whichNode(*map, onLast, 29, 0).found);
  const Vec2f onOne = (map->path[0].pos + map->path[1].pos) * 0.5f;
  EXPECT_EQ(whichNode(*map, onOne, 3, 2).index, 1);
}

TEST(BoxQueries, GrowByFortyEightMapUnits) {
  const MapPtr map = fromSource(sourceOf({straight(40)}, 1));  // nodes at x = 4 .. 160
  // A box inside one sector still sees every node within 48 units of it.
  const std::vector<Node> near = getNodesInAABB(*map, AABB{{100, 0.5f}, {100.5f, 1}});
  std::vector<int64_t> ids;
  for (const Node& n : near) ids.push_back(n.id);
  std::vector<int64_t> want;
  for (const Node& n : map->path)
    if (n.index.x >= getIndex({52, 0}).x && n.index.x <= getIndex({148.5f, 0}).x) want.push_back(n.id);
  EXPECT_EQ(ids, want);  // columns ascending, so ids ascending along +x
  EXPECT_TRUE(getNodesInAABB(*map, AABB{{1000, 1000}, {1001, 1001}}).empty());
}

TEST(BoxQueries, SceneryRowsOuterColumnsInner) {
  Map map;
  map.objectIndex[{1, 0}] = {{1, {4, 0}}};
  map.objectIndex[{0, 1}] = {{2, {0, 4}}, {3, {1, 5}}};
  const std::vector<MapObject> got = getObjectsInAABB(map, AABB{{0, 0}, {1, 1}});
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].kind, 1);  // row 0 before row 1
  EXPECT_EQ(got[1].kind, 2);
  EXPECT_EQ(got[2].kind, 3);
  EXPECT_EQ(get(map, {5, 5}), nullptr);
}

}  // namespace
}  // namespace dx
