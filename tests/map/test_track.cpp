#include <gtest/gtest.h>

#include "map/item_types.h"
#include "map/node_queries.h"
#include "map/reset_map.h"
#include "map/track.h"
#include "map_fixtures.h"
#include "test_support.h"

namespace dx {
namespace {

using test::ring;
using test::sourceOf;
using test::straight;
using test::turning;

void expectVec(Vec2f got, Vec2f want, const char* what, int node) {
  EXPECT_NEAR(got.x, want.x, 1e-5f) << what << " of node " << node;
  EXPECT_NEAR(got.y, want.y, 1e-5f) << what << " of node " << node;
}

TEST(SectionWalk, StraightSectionNodesAndTheirPoints) {
  const MapPtr map = fromSource(sourceOf({straight(3)}, 1));
  ASSERT_EQ(map->path.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const Node& n = map->path[i];
    const float x = 4.0f * float(i + 1);
    EXPECT_EQ(n.id, i);
    expectVec(n.pos, {x, 0}, "pos", i);
    expectVec(n.normal, {0, 1}, "normal", i);
    EXPECT_EQ(n.angle, 0.0f);
    expectVec(n.left, {x, -4}, "left", i);
    expectVec(n.right, {x, 4}, "right", i);
    expectVec(n.ileft, {x, -2.4f}, "ileft", i);
    expectVec(n.iright, {x, 2.4f}, "iright", i);
    expectVec(n.oleft, {x, -5}, "oleft", i);
    expectVec(n.oright, {x, 5}, "oright", i);
    EXPECT_EQ(n.index, (SectorKey{i + 1, 0}));
    EXPECT_EQ(n.section, 0);
    EXPECT_EQ(map->sectorMap.at(n.index), std::vector<int64_t>{i});
  }
}

TEST(SectionWalk, SharpTurnsEmitTwoHalfSteps) {
  const MapPtr map = fromSource(sourceOf({turning(3, 0.4f)}, 1));
  ASSERT_EQ(map->path.size(), 6u);
  Vec2f prev{0, 0};
  for (int k = 0; k < 6; ++k) {
    const Node& n = map->path[k];
    EXPECT_NEAR(n.angle, 0.2f * float(k + 1), 1e-5f) << k;
    EXPECT_NEAR(length(n.pos - prev), 2.0f, 1e-5f) << k;  // 16 layout units
    prev = n.pos;
  }
}

TEST(SectionWalk, TurnsUpToPointThreeTakeWholeSteps) {
  const MapPtr map = fromSource(sourceOf({turning(4, 0.3f)}, 1));
  EXPECT_EQ(map->path.size(), 4u);
}

TEST(NodeBands, OpenAndSpecialFlagsChooseFactorsAndExtras) {
  const MapPtr map = fromSource(sourceOf({straight(1, flagLeftOpen | flagLeftSpecial, 32, 5)}, 1));
  const Node& n = map->path[0];
  expectVec(n.ileft, {4, -32 * 0.33f / 8}, "ileft", 0);   // special wins over open for the inner band
  expectVec(n.oleft, {4, -(32 + 4) / 8.0f}, "oleft", 0);  // open side: extra 4 whatever the verge
  expectVec(n.oright, {4, (32 + 5) / 8.0f}, "oright", 0);
  EXPECT_EQ(n.leftEdgeColor, 11);
}

TEST(NodeBands, VergeZeroMeansTheDefaultExtra) {
  const Node zero = initNode(0, 0, {0, 0}, {0, 1}, 0, 32, 32, 0, 5, 0);
  expectVec(zero.oleft, {0, -5}, "oleft", 0);
  expectVec(zero.oright, {0, 37 / 8.0f}, "oright", 0);
}

TEST(NodeBands, BlendFlagMovesWidthsAcrossTheSection) {
  Section s = straight(4, flagBlendWidths, 64, 8);
  const MapPtr map = fromSource(sourceOf({straight(1), s}, 1));
  // The running width is 32; the blend factor of step k is k / 4.
  EXPECT_EQ(map->path[1].widthL, 32.0f);
  EXPECT_EQ(map->path[2].widthL, 40.0f);
  EXPECT_EQ(map->path[4].widthL, 56.0f);
}

TEST(Marks, CornersWarningsAndStripes) {
  const MapPtr map = fromSource(sourceOf({straight(10), turning(4, 0.2f), straight(10)}, 1));
  EXPECT_TRUE(map->path[10].cornerLeft);
  EXPECT_FALSE(map->path[10].cornerRight);
  EXPECT_TRUE(map->path[4].warningLeft);  // node 10 is six ahead of node 4's look-ahead pair
  EXPECT_EQ(map->path[4].leftEdgeColor, 8);
  EXPECT_EQ(map->path[5].leftEdgeColor, mapPalette(CityNight)[3]);  // odd nodes take the wall colour
  EXPECT_EQ(map->path[10].leftEdgeColor, 9);
  EXPECT_EQ(map->path[10].rightEdgeColor, mapPalette(CityNight)[1]);
}

TEST(Marks, SplitWarningUpToFiveNodesAhead) {
  const MapPtr map = fromSource(sourceOf({straight(10), straight(3, flagSplit), straight(10)}, 1));
  for (int i = 0; i < 23; ++i) EXPECT_EQ(map->path[i].warningSplit, i >= 5 && i <= 9) << i;
}

TEST(Length, ClosedTrackSumsEverySegmentButTheClosingOne) {
  const MapPtr map = fromSource(sourceOf({straight(10)}, 1));
  EXPECT_FLOAT_EQ(map->length, 36.0f);  // nine segments of 4 map units
  EXPECT_FLOAT_EQ(map->path[0].distanceRemaining, 36.0f);
  EXPECT_FLOAT_EQ(map->path[1].distanceRemaining, 36.0f);
  EXPECT_FLOAT_EQ(map->path[2].distanceRemaining, 32.0f);
  EXPECT_FLOAT_EQ(map->path[9].distanceRemaining, 4.0f);
}

TEST(Length, ShortOpenTrackHasNoLength) {
  const MapPtr map = fromSource(sourceOf({straight(40)}, 0));
  EXPECT_EQ(map->length, 0.0f);
  for (const Node& n : map->path) EXPECT_EQ(n.distanceRemaining, 0.0f);
  EXPECT_EQ(map->path[0].leftEdgeColor, 0);  // run-off nodes are not marked
}

TEST(Placements, HalfwayOnAHundredNodes) {
  MapSource src = sourceOf({straight(100)}, 1);
  src.trackObjects = {{toBooster, 0.5f, 0.5f}, {toPowerup, 0.5f, -1.0f}, {toCursor, 0.5f, 0}};
  const MapPtr map = fromSource(src);
  ASSERT_EQ(map->trackObjects.size(), 2u);
  const TrackObject& b = *map->trackObjects[0];
  EXPECT_EQ(b.kind(), ObjectKind::booster);
  EXPECT_EQ(b.currentNode, 50);
  expectVec(b.pos, map->path[49].pos + map->path[50].normal * (0.5f * (32.0f - 8.0f)), "booster", 50);
  EXPECT_EQ(b.radius, 7.0f);
  EXPECT_EQ(b.z, 1.0f);
  EXPECT_EQ(b.map, map.get());
  EXPECT_EQ(map->trackObjects[1]->kind(), ObjectKind::powerup);
}

TEST(Scenery, SortedByRowAndDroppedWithoutAType) {
  resetMapModules();
  MapSource src = sourceOf({straight(3)}, 1);
  src.objects = {{0, {1, 3.5f}}, {0, {2, 0.5f}}, {5, {3, 1}}};
  const MapPtr map = fromSource(src);
  EXPECT_TRUE(map->objectIndex.empty());  // no item types loaded: nothing is indexed
}

TEST(Construction, NoNodesEndsTheProgram) {
  const test::LogCapture capture;
  EXPECT_THROW(fromSource(sourceOf({}, 1)), TrackError);
  EXPECT_EQ(capture.out(), "map has no nodes\n");
}

TEST(Construction, NodeCountIsBounded) {
  Section huge;
  huge.kind = CubicBezierCurve;
  huge.endOffset = {1e30f, 0};
  EXPECT_THROW(fromSource(sourceOf({huge}, 1)), FormatError);
}

}  // namespace
}  // namespace dx
