#include <gtest/gtest.h>

#include <cstring>

#include "map/node_queries.h"
#include "map/racing_line.h"
#include "map_fixtures.h"

namespace dx {
namespace {

using test::ring;
using test::sourceOf;
using test::straight;
using test::turning;

// Distance of p from the road edge line of node i's side (positive inside).
float insideMargin(const Node& n, Vec2f p) {
  const float lateral = dot(p - n.pos, n.normal);  // + to the right
  return std::min(n.widthL / 8.0f + lateral, n.widthR / 8.0f - lateral);
}

MapPtr builtWithLine(MapSource src) { return buildMap(std::move(src)); }

TEST(RacingLine, HoldsTheCentreOnAStraight) {
  const MapPtr map = builtWithLine(sourceOf({straight(60)}, 0));
  for (int i = 0; i < 60; ++i) EXPECT_NEAR(map->racingLine[i].y, 0.0f, 1e-4f) << i;
  // On an open track the end springs never move.
  EXPECT_EQ(map->racingLine[0], map->path[0].pos);
  EXPECT_EQ(map->racingLine[59], map->path[59].pos);
}

TEST(RacingLine, CutsCornersButStaysTwoUnitsInside) {
  const float quarter = 3.14159265f / 2 / 6;
  const MapPtr map =
      builtWithLine(sourceOf({straight(20), turning(6, quarter), straight(20), turning(6, quarter), straight(20)}, 0));
  float innermost = 0;
  for (size_t i = 0; i < map->path.size(); ++i) {
    const Node& n = map->path[i];
    EXPECT_GE(insideMargin(n, map->racingLine[i]), 2.0f - 1e-3f) << i;
    innermost = std::max(innermost, dot(map->racingLine[i] - n.pos, n.normal));
  }
  EXPECT_GT(innermost, 1.0f);  // the line moved towards the inside of the right-hand corners
}

TEST(RacingLine, PassesThroughABooster) {
  MapSource src = sourceOf({straight(40), turning(10, 0.3f), straight(40)}, 0);
  // The placement's lateral value counts in eighths of the usable half-width.
  src.trackObjects = {{toBooster, 0.25f, -0.5f / 8}};
  const MapPtr map = builtWithLine(src);
  const TrackObject& booster = *map->trackObjects[0];
  const size_t k = size_t(booster.currentNode);
  EXPECT_FLOAT_EQ(map->racingLineSprings[k].mass, 1000000.0f);
  const Node& n = map->path[k];
  EXPECT_NEAR(dot(map->racingLine[k] - n.pos, n.normal), dot(booster.pos - n.pos, n.normal), 0.05f);
  const float toLine = std::min(lineSegDistance({map->racingLine[k - 1], map->racingLine[k]}, booster.pos),
                                lineSegDistance({map->racingLine[k], map->racingLine[k + 1]}, booster.pos));
  EXPECT_LT(toLine, 0.5f);
}

TEST(RacingLine, OneStepMovesOnlyTheSprings) {
  const MapPtr map = builtWithLine(sourceOf({straight(20), turning(12, 0.25f), straight(20)}, 1));
  const std::vector<Vec2f> snapshot = map->racingLine;
  for (int k = 0; k < 10; ++k) iterateRacingLine(*map);
  EXPECT_EQ(map->racingLine, snapshot);
}

// Every step computed: the relaxation as described, with nothing replayed.
void computedSteps(Map& map, int steps) {
  for (int k = 0; k < steps; ++k) {
    map.racingLineRest = RacingLineRest{};
    iterateRacingLine(map);
  }
}

bool sameBits(const std::vector<RacingLineSpring>& a, const std::vector<RacingLineSpring>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i].pos, &b[i].pos, sizeof(Vec2f)) || std::memcmp(&a[i].vel, &b[i].vel, sizeof(Vec2f)))
      return false;
  return true;
}

TEST(RacingLineRest, ReplayedStepsAreTheComputedOnesBitForBit) {
  const MapPtr resting = builtWithLine(ring(40)), computed = builtWithLine(ring(40));
  int steps = 0;
  while (resting->racingLineRest.cycle.empty() && steps < 50000) {
    iterateRacingLine(*resting);
    ++steps;
  }
  ASSERT_FALSE(resting->racingLineRest.cycle.empty()) << "the line never came to rest";
  for (int k = 0; k < 1000; ++k) iterateRacingLine(*resting);
  EXPECT_FALSE(resting->racingLineRest.cycle.empty());
  computedSteps(*computed, steps + 1000);
  EXPECT_TRUE(sameBits(resting->racingLineSprings, computed->racingLineSprings));
  // A spring moved from outside: the relaxation runs again from there.
  resting->racingLineSprings[7].vel.x += 0.5f;
  computed->racingLineSprings[7].vel.x += 0.5f;
  iterateRacingLine(*resting);
  computedSteps(*computed, 1);
  EXPECT_TRUE(resting->racingLineRest.cycle.empty());
  EXPECT_TRUE(sameBits(resting->racingLineSprings, computed->racingLineSprings));
}

}  // namespace
}  // namespace dx
