// The tracks and item files the game ships: each track loads, closes its loop, never runs over
// itself, keeps its racing line on the road, and carries the features the harness relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "framework/numeric.h"
#include "framework/png_io.h"
#include "geom/geometry.h"
#include "map/item_types.h"
#include "map/map_source.h"
#include "map/node_queries.h"
#include "map/track.h"
#include "map/track_checks.h"
#include "test_support.h"

namespace dx {
namespace {

std::string sourcePath(const std::string& relative) { return test::sourceDir() + "/" + relative; }

std::string readText(const std::string& path) {
  EXPECT_TRUE(std::ifstream(path).good()) << path;
  return test::slurp(path);
}

struct Shipped {
  MapSource src;
  MapPtr map;
};

Shipped loadShipped(int slot) {
  Shipped t;
  t.src = loadMapSourceFile(sourcePath("maps/" + std::to_string(slot) + ".map"));
  t.map = buildMap(t.src, "", slot);
  return t;
}

// Nodes with a stretch of road behind them (node 0 of an open track has none).
int64_t firstStretch(const Map& map) { return isLooping(map) ? 0 : 1; }

int64_t ringDistance(const Map& map, int64_t a, int64_t b) {
  const int64_t n = int64_t(map.path.size()), d = std::abs(a - b);
  return isLooping(map) ? std::min(d, n - d) : d;
}

bool quadsOverlap(const Quad& a, const Quad& b) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (lineSegmentIntersection({a[i], a[(i + 1) % 4]}, {b[j], b[(j + 1) % 4]}).hit) return true;
  return pointInPoly(a[0], b) || pointInPoly(b[0], a);
}

int64_t countFlag(const Map& map, uint16_t bit) {
  return std::count_if(map.path.begin(), map.path.end(), [&](const Node& n) { return (n.flags & bit) != 0; });
}

class ShippedTrack : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { t = loadShipped(GetParam()); }
  Shipped t;
};

TEST_P(ShippedTrack, LoadsWholeWithRunOffsOnOpenTracks) {
  const Map& map = *t.map;
  EXPECT_NE(map.name, "???");
  EXPECT_FALSE(map.name.empty());
  EXPECT_GE(map.path.size(), 300u);
  EXPECT_GT(map.length, 1000.0f);
  // Node spacing never exceeds one straight step, and nothing sits on top of its neighbour.
  for (int64_t i = 1; i < int64_t(map.path.size()); ++i) {
    const float d = length(map.path[size_t(i)].pos - map.path[size_t(i - 1)].pos);
    EXPECT_LE(d, 4.0f + 1e-3f) << "node " << i;
    EXPECT_GE(d, 1.0f) << "node " << i;
  }
  if (!isLooping(map)) {
    EXPECT_GT(map.path.size(), size_t(32 + 33 + 100));
  }
}

TEST_P(ShippedTrack, LoopClosesWithMatchingHeadings) {
  const Map& map = *t.map;
  if (!isLooping(map)) GTEST_SKIP() << "point-to-point track";
  const size_t n = map.path.size();
  const Vec2f first = map.path[0].pos, second = map.path[1].pos, last = map.path[n - 1].pos;
  const Vec2f beforeLast = map.path[n - 2].pos;
  EXPECT_LE(length(first - last), 4.0f + 1e-3f);
  const float joint = angle(first - last);
  EXPECT_LE(std::fabs(angleDiff(joint, angle(last - beforeLast))), 0.05f);
  EXPECT_LE(std::fabs(angleDiff(angle(second - first), joint)), 0.05f);
}

// The checks the game and the trainer can run on the track they load: none broken, and scenery
// put on the road is named.
TEST_P(ShippedTrack, KeepsEveryLayoutRule) {
  EXPECT_EQ(layoutProblems(*t.map, t.src), std::vector<std::string>{});
  MapSource moved = t.src;
  moved.objects.push_back({0, t.map->path[10].pos});
  EXPECT_EQ(layoutProblems(*buildMap(moved), moved), std::vector<std::string>{"1 scenery objects stand on the road"});
}

TEST_P(ShippedTrack, RoadNeverRunsOverItself) {
  const Map& map = *t.map;
  const int64_t n = int64_t(map.path.size());
  std::vector<Quad> quads;
  for (int64_t i = 0; i < n; ++i) quads.push_back(getExtNodePoly(map, i));
  int overlaps = 0;
  for (int64_t i = firstStretch(map); i < n; ++i) {
    // Band edges run forward: a corner too tight for its width folds them back.
    const Node& a = nodeAt(map, i - 1);
    const Node& b = map.path[size_t(i)];
    EXPECT_GT(dot(b.oleft - a.oleft, b.pos - a.pos), 0.0f) << "node " << i;
    EXPECT_GT(dot(b.oright - a.oright, b.pos - a.pos), 0.0f) << "node " << i;
    for (int64_t j = i + 2; j < n; ++j)
      if (ringDistance(map, i, j) >= 2 && quadsOverlap(quads[size_t(i)], quads[size_t(j)])) {
        ADD_FAILURE() << "outer bands of nodes " << i << " and " << j << " overlap";
        if (++overlaps > 5) return;
      }
  }
}

TEST_P(ShippedTrack, RacingLineKeepsTwoUnitsFromTheWalls) {
  const Map& map = *t.map;
  const int64_t n = int64_t(map.path.size());
  ASSERT_EQ(map.racingLine.size(), size_t(n));
  for (int64_t i = 0; i < n; ++i) {
    const Node& node = map.path[size_t(i)];
    const Vec2f off = map.racingLine[size_t(i)] - node.pos;
    const float lateral = dot(off, node.normal);
    EXPECT_NEAR(dot(off, perpendicular(node.normal)), 0.0f, 1e-3f) << "node " << i;
    EXPECT_GE(lateral, -(node.widthL - 16.0f) / 8.0f - 1e-3f) << "node " << i;
    EXPECT_LE(lateral, (node.widthR - 16.0f) / 8.0f + 1e-3f) << "node " << i;
  }
  // Between nodes the line crosses the stretch of road it belongs to, clear of its walls.
  for (int64_t i = firstStretch(map); i < n; ++i) {
    const Vec2f mid = lerp(map.racingLine[size_t(wrap(i - 1, n))], map.racingLine[size_t(i)], 0.5f);
    const Quad q = getNodePoly(map, i);
    EXPECT_TRUE(pointInPoly(mid, q)) << "stretch " << i;
    EXPECT_GE(lineSegDistance({q[0], q[1]}, mid), 1.9f) << "stretch " << i;
    EXPECT_GE(lineSegDistance({q[3], q[2]}, mid), 1.9f) << "stretch " << i;
  }
}

TEST_P(ShippedTrack, BoostersSitOnTheRacingLine) {
  const Map& map = *t.map;
  int boosters = 0;
  for (const TrackObjectPtr& o : map.trackObjects) {
    if (!isA(o->kind(), ObjectKind::booster)) continue;
    ++boosters;
    EXPECT_TRUE(pointInPoly(o->pos, getNodePoly(map, o->currentNode))) << "booster at node " << o->currentNode;
    const Vec2f a = map.racingLine[size_t(wrap(o->currentNode - 1, int64_t(map.path.size())))];
    const Vec2f b = map.racingLine[size_t(o->currentNode)];
    EXPECT_LT(lineSegDistance({a, b}, o->pos), 0.5f) << "booster at node " << o->currentNode;
  }
  EXPECT_GE(boosters, 4);
  EXPECT_LE(boosters, 8);
}

TEST_P(ShippedTrack, SceneryStandsOffTheRoadAndHasItemTypes) {
  const Map& map = *t.map;
  const std::string file = itemFileForStyle(map.style);
  const size_t kinds = parseItemTypes(readText(sourcePath(file)), file).size();
  ASSERT_FALSE(t.src.objects.empty());
  for (const MapObject& o : t.src.objects) {
    EXPECT_LT(o.kind, kinds);
    for (int64_t i = firstStretch(map); i < int64_t(map.path.size()); ++i)
      ASSERT_FALSE(pointInPoly(o.pos, getExtNodePoly(map, i))) << "object at " << o.pos.x << ", " << o.pos.y;
  }
}

// A gate near the chase camera covers much of the screen, so none is drawn within eight nodes
// (32 map units, beyond the view) of where the user's car and the training cars start.
TEST_P(ShippedTrack, NoGateOverTheStart) {
  const Map& map = *t.map;
  const int64_t n = int64_t(map.path.size());
  for (int64_t offset : {0, 2}) {
    const int64_t start = wrap(getStartNode(map, offset), n);
    for (const Node& node : map.path) {
      if ((node.flags & flagGate) && node.id % 2 == 0) {
        EXPECT_GE(ringDistance(map, node.id, start), 8) << "gate at node " << node.id;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Slots, ShippedTrack, ::testing::Values(1, 2, 3));

TEST(ShippedTracks, SlotOneIsTheFullFeaturedNightCircuit) {
  const Shipped t = loadShipped(1);
  const Map& map = *t.map;
  EXPECT_EQ(map.style, CityNight);
  EXPECT_GE(map.laps, 1);
  EXPECT_GE(map.path.size(), 450u);
  EXPECT_LE(map.path.size(), 650u);
  EXPECT_GE(map.length, 1800.0f);
  EXPECT_LE(map.length, 2600.0f);
  EXPECT_GT(countFlag(map, flagGate), 0);
  EXPECT_GT(countFlag(map, flagLeftOpen | flagRightOpen), 0);
  EXPECT_GT(countFlag(map, flagLeftSpecial | flagRightSpecial), 0);
  // A divider of several nodes with a drivable lane on each side, the racing line in one of them.
  EXPECT_GE(countFlag(map, flagSplit), 5);
  for (const Node& n : map.path) {
    if (!(n.flags & flagSplit)) continue;
    EXPECT_GE(n.widthL / 8.0f - 0.5f, 3.0f);
    EXPECT_GE(n.widthR / 8.0f - 0.5f, 3.0f);
    EXPECT_GE(std::fabs(dot(map.racingLine[size_t(n.id)] - n.pos, n.normal)), 1.0f) << "node " << n.id;
  }
  // Hairpins: stretches of nodes that turn the heading by at least 170 degrees within 20 nodes.
  int hairpins = 0;
  for (size_t i = 0; i + 20 < map.path.size(); ++i) {
    double turned = 0;
    for (size_t k = i + 1; k <= i + 20; ++k) turned += angleDiff(map.path[k].angle, map.path[k - 1].angle);
    if (std::fabs(turned) >= deg2rad(170)) {
      ++hairpins;
      i += 20;
    }
  }
  EXPECT_GE(hairpins, 2);
}

TEST(ShippedTracks, OtherSlotsUseOtherStylesAndOneRunsPointToPoint) {
  const Shipped two = loadShipped(2), three = loadShipped(3);
  EXPECT_NE(two.map->style, CityNight);
  EXPECT_NE(three.map->style, CityNight);
  EXPECT_NE(two.map->style, three.map->style);
  EXPECT_TRUE(two.map->laps <= 0 || three.map->laps <= 0);
}

TEST(ItemFiles, EveryStyleParsesAndPointsAtDrawnSprites) {
  const SurfacePtr sheet = loadSurfaceIndexed(sourcePath("assets/spritesheet.png"));
  ASSERT_EQ(sheet->w % 8, 0);
  const int columns = sheet->w / 8, rows = sheet->h / 8;
  for (MapStyle style : {CityNight, Desert, Snow, Forest, Sea}) {
    const std::string file = itemFileForStyle(style);
    const std::vector<MapObjectDescription> items = parseItemTypes(readText(sourcePath(file)), file);
    EXPECT_GE(items.size(), 4u) << file;
    for (const MapObjectDescription& d : items) {
      ASSERT_GE(d.spr, 0) << d.name;
      const int cx = int(d.spr % columns), cy = int(d.spr / columns);
      ASSERT_LE(cx + d.w, columns) << file << ": " << d.name;
      ASSERT_LE(cy + d.h, rows) << file << ": " << d.name;
      int ink = 0;
      for (int y = cy * 8; y < (cy + int(d.h)) * 8; ++y)
        for (int x = cx * 8; x < (cx + int(d.w)) * 8; ++x) ink += get(*sheet, x, y) != 0;
      EXPECT_GT(ink, 0) << file << ": " << d.name << " points at an empty sprite";
    }
  }
}

}  // namespace
}  // namespace dx
