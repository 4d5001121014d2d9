#include <gtest/gtest.h>

#include "car_collision.h"
#include "car_fixtures.h"
#include "map/node_queries.h"

namespace dx {
namespace {

const Triangle kShape = {carVerts[0], carVerts[1], carVerts[2]};

TEST(SeparatingAxes, IdenticalTrianglesUseTheFirstSmallestOverlap) {
  const Collision c = polygonsIntersect(kShape, kShape);
  ASSERT_TRUE(c.hit);
  // The first edge's normal has the smallest extent (0.718...), ahead of the equal second one.
  const Vec2f axis = normal(carVerts[1] - carVerts[0]);
  const Projection p = project(kShape, axis);
  EXPECT_NEAR(c.separation.x, axis.x * float(p.max - p.min), 1e-6f);
  EXPECT_NEAR(c.separation.y, axis.y * float(p.max - p.min), 1e-6f);
  EXPECT_NEAR(length(c.separation), 0.71837f, 1e-4f);
}

TEST(SeparatingAxes, SeparatedTrianglesDoNotHit) {
  Triangle moved = kShape;
  for (Vec2f& v : moved) v.x += 1.3f;
  EXPECT_FALSE(polygonsIntersect(kShape, moved).hit);
  for (Vec2f& v : moved) v.x -= 0.4f;  // boxes overlap, but a separating axis remains
  for (Vec2f& v : moved) v.y += 0.5f;
  const Collision c = polygonsIntersect(kShape, moved);
  EXPECT_EQ(c.hit, false);
  EXPECT_EQ(c.separation, (Vec2f{0, 0}));
}

TEST(ClipPoints, KeepsTheInsideAndTheCrossing) {
  const ClipResult r = clipPoints({0, 0}, {4, 0}, {1, 0}, 1);
  ASSERT_EQ(r.count, 2);
  EXPECT_EQ(r.points[0], (Vec2f{4, 0}));
  EXPECT_EQ(r.points[1], (Vec2f{1, 0}));
  EXPECT_EQ(clipPoints({0, 0}, {0.5f, 0}, {1, 0}, 1).count, 0);
}

TEST(FarthestFeature, FarthestVertexAndTheEdgeItsNormalsChoose) {
  const EdgeFeature f = getFarthestFeature(kShape, {-1, 0});
  // Vertices 0 and 2 tie for farthest backwards; the first wins. Of its two edges the one
  // whose normal leans less towards the direction is taken: here 0 -> 1.
  EXPECT_EQ(f.max, carVerts[0]);
  EXPECT_EQ(f.a, carVerts[0]);
  EXPECT_EQ(f.b, carVerts[1]);
  EXPECT_EQ(f.edge, carVerts[1] - carVerts[0]);
}

class CarPairTest : public testing::Test {
 protected:
  void SetUp() override {
    map = test::straightTrack(40);
    a = test::carOn(map, 10);
    b = test::carOn(map, 10);
    a->pos = {40, 0};
    a->angle = 0;
    // b faces +y just ahead of a, so a's nose pokes into b's side.
    b->pos = {40.75f, 0};
    b->angle = 3.14159265f / 2;
    a->accel = b->accel = 10;
    a->vel = b->vel = {1, 0};
  }
  MapPtr map;
  CarPtr a, b;
};

TEST_F(CarPairTest, NoseIntoASideRamsTheOther) {
  const Collision c = checkCollision(*a, *b);
  ASSERT_TRUE(c.hit);
  const Vec2f aBefore = a->pos;
  hit(*a, *b, c);
  EXPECT_EQ(a->colliding, 2);
  EXPECT_EQ(b->colliding, 1);
  EXPECT_FLOAT_EQ(a->accel, 10 * 0.95f * 0.999f);
  EXPECT_FLOAT_EQ(b->accel, 10 * 0.999f);
  EXPECT_NE(a->pos, aBefore);
  EXPECT_EQ(map->ps.inUse, 6);
}

TEST_F(CarPairTest, ShieldedCarIsPushedButNotSlowed) {
  a->activePowerup = SHIELD;
  const Collision c = checkCollision(*a, *b);
  const Vec2f aBefore = a->pos;
  const float angleBefore = a->angle;
  hit(*a, *b, c);
  EXPECT_EQ(a->accel, 10.0f);
  EXPECT_EQ(a->colliding, 0);
  EXPECT_EQ(a->angle, angleBefore);
  EXPECT_NE(a->pos, aBefore);
  // Both cars moved alike, so the push is the separation alone.
  EXPECT_EQ(a->vel, Vec2f(1, 0) + c.separation * 0.25f);
}

TEST_F(CarPairTest, LowOrEtherealCarsPassThrough) {
  b->z = 0.5f;
  EXPECT_FALSE(checkCollision(*a, *b).hit);
  b->z = 3;
  b->ethereal = true;
  const Collision c = checkCollision(*a, *b);
  ASSERT_TRUE(c.hit);
  const Vec2f before = a->pos;
  hit(*a, *b, c);
  EXPECT_EQ(a->pos, before);
}

TEST_F(CarPairTest, MinesArmBelowFiftyNinePointFive) {
  Mine mine;
  mine.pos = a->pos + Vec2f{3, 0};
  mine.ttl = 59.6f;
  EXPECT_FALSE(checkCollision(mine, *a).hit);
  mine.ttl = 59.5f;
  const Collision c = checkCollision(mine, *a);
  ASSERT_TRUE(c.hit);
  EXPECT_EQ(c.contacts[0], mine.pos);
  hit(*a, mine, c);  // the car listed first hands the hit to the mine
  EXPECT_TRUE(mine.remove);
  EXPECT_FLOAT_EQ(a->accel, 7.0f);
}

// A road polygon from (0, 0) to (10, 8): wall 0 along y = 0, wall 1 along y = 8.
const std::array<Vec2f, 4> kQuad = {{{0, 0}, {10, 0}, {10, 8}, {0, 8}}};

Triangle shifted(Vec2f by) {
  Triangle t = kShape;
  for (Vec2f& v : t) v += by;
  return t;
}

TEST(Walls, SlidingKeepsNinetyPercentAlongAndFortyAcross) {
  const Vec2f move{4, -1};
  const Triangle from = shifted({5, 0.8f}), to = shifted(Vec2f{5, 0.8f} + move);
  const EdgeHit h = checkNodeEdgeCollisions(from, to, kQuad, 0, move, false);
  ASSERT_TRUE(h.hit);
  EXPECT_EQ(h.normal, (Vec2f{0, 1}));
  EXPECT_EQ(h.vertex, 0);  // the rear right corner reaches the wall first
  EXPECT_NEAR(h.time, (0.8f - 0.375f) / 1.0f, 1e-6f);
  EXPECT_EQ(h.along, (Vec2f{4, 0}));
  EXPECT_EQ(h.across, (Vec2f{0, 1}));
  EXPECT_NEAR(h.response.x, 3.6f, 1e-6f);
  EXPECT_NEAR(h.response.y, 0.4f, 1e-6f);
}

TEST(Walls, FlagsOpenSidesOrRemoveAllWalls) {
  const Vec2f up{0, -2}, down{0, 2};
  const Triangle mid = shifted({5, 1}), low = shifted({5, 7});
  EXPECT_TRUE(checkNodeEdgeCollisions(mid, shifted(Vec2f{5, 1} + up), kQuad, 0, up, false).hit);
  EXPECT_FALSE(checkNodeEdgeCollisions(mid, shifted(Vec2f{5, 1} + up), kQuad, flagLeftOpen, up, false).hit);
  EXPECT_TRUE(checkNodeEdgeCollisions(low, shifted(Vec2f{5, 7} + down), kQuad, flagLeftOpen, down, false).hit);
  EXPECT_FALSE(checkNodeEdgeCollisions(low, shifted(Vec2f{5, 7} + down), kQuad, flagRightOpen, down, false).hit);
  EXPECT_FALSE(checkNodeEdgeCollisions(mid, shifted(Vec2f{5, 1} + up), kQuad, flagNoWalls, up, false).hit);
  // Moving away from a wall never hits it.
  EXPECT_FALSE(checkNodeEdgeCollisions(mid, shifted(Vec2f{5, 1} + down), kQuad, 0, down, false).hit);
}

TEST(Walls, AtMostSixMovesInAStep) {
  const MapPtr map = test::straightTrack(40);
  const CarPtr car = test::carOn(map, 10);
  car->pos = (map->path[9].pos + map->path[10].pos) * 0.5f;
  car->angle = 0;
  car->vel = {0, 100000};  // bounces between the two walls of the node
  tryMove(*car, 1.0f / 60, 0);
  EXPECT_EQ(map->ps.inUse, 6 * 3);  // three sparks per move that hit
  EXPECT_NE(car->firstCrashNode, 0);
}

TEST(Walls, NoseHitCostsMoreThrottle) {
  const MapPtr map = test::straightTrack(40);
  const CarPtr car = test::carOn(map, 10);
  car->pos = (map->path[9].pos + map->path[10].pos) * 0.5f;
  car->angle = 3.14159265f / 2;  // nose towards the right wall
  car->accel = 10;
  car->vel = {0, 240};
  tryMove(*car, 1.0f / 60, 0);
  EXPECT_FLOAT_EQ(car->accel, 9.0f);
}

}  // namespace
}  // namespace dx
