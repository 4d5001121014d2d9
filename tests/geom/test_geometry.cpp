#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "framework/numeric.h"
#include "framework/random.h"
#include "geom/curves.h"
#include "geom/geometry.h"

namespace dx {
namespace {

TEST(SideOfLine, SignFollowsScreenAxes) {
  EXPECT_EQ(sideOfLine(vec2f(0, 0), vec2f(1, 0), vec2f(0, 1)), -1.0f);
  EXPECT_EQ(sideOfLine(vec2f(0, 0), vec2f(1, 0), vec2f(0, -1)), 1.0f);
  EXPECT_EQ(sideOfLine(vec2f(0, 0), vec2f(1, 0), vec2f(5, 0)), 0.0f);
}

TEST(Boxes, TouchingIntersectsAndHelpersAreTight) {
  const AABB a{{0, 0}, {2, 2}}, b{{2, 2}, {3, 3}}, c{{2.5f, 0}, {3, 1}};
  EXPECT_TRUE(intersects(a, b));
  EXPECT_FALSE(intersects(a, c));
  EXPECT_EQ(unionAABB(a, c), (AABB{{0, 0}, {3, 2}}));
  EXPECT_EQ(getAABB(std::array<Vec2f, 3>{vec2f(1, 5), vec2f(-2, 3), vec2f(4, -1)}), (AABB{{-2, -1}, {4, 5}}));
  EXPECT_EQ(getAABB(Line{{3, 1}, {1, 4}}), (AABB{{1, 1}, {3, 4}}));
  EXPECT_EQ(expandAABB(a, vec2f(-1, 0.5f)), (AABB{{-1, -0.5f}, {3, 2.5f}}));
}

TEST(PointInPoly, InteriorOutsideAndEdges) {
  const std::array<Vec2f, 4> sq{vec2f(0, 0), vec2f(4, 0), vec2f(4, 4), vec2f(0, 4)};
  EXPECT_TRUE(pointInPoly(vec2f(2, 2), sq));
  EXPECT_FALSE(pointInPoly(vec2f(5, 2), sq));
  // The crossing rule: the left and top edges count as inside, the right and bottom do not.
  EXPECT_TRUE(pointInPoly(vec2f(0, 2), sq));
  EXPECT_FALSE(pointInPoly(vec2f(4, 2), sq));
  EXPECT_TRUE(pointInPoly(vec2f(2, 0), sq));
  EXPECT_FALSE(pointInPoly(vec2f(2, 4), sq));
  EXPECT_TRUE(pointInPoly(vec2f(0, 0), sq));
  const std::array<Vec2f, 3> tri{vec2f(0, 0), vec2f(4, 0), vec2f(0, 4)};
  EXPECT_TRUE(pointInPoly(vec2f(1, 1), tri));
  EXPECT_FALSE(pointInPoly(vec2f(3, 3), tri));
  EXPECT_FALSE(pointInPoly(vec2f(2, 2), tri));  // on the hypotenuse
}

TEST(ClosestPoint, ClampsToTheSegment) {
  const Line l{{0, 0}, {10, 0}};
  EXPECT_EQ(closestPointOnLine(l, vec2f(3, 5)), vec2f(3, 0));
  EXPECT_EQ(closestPointOnLine(l, vec2f(-4, 1)), vec2f(0, 0));
  EXPECT_EQ(closestPointOnLine(l, vec2f(12, -1)), vec2f(10, 0));
  EXPECT_EQ(closestPointOnLine(Line{{2, 2}, {2, 2}}, vec2f(9, 9)), vec2f(2, 2));
  EXPECT_EQ(lineSegDistanceSqr(l, vec2f(13, 4)), 25.0f);
  EXPECT_EQ(lineSegDistance(l, vec2f(13, 4)), 5.0f);
}

TEST(LineIntersection, CrossingParallelAndOutOfRange) {
  EXPECT_EQ(lineToABC(Line{{1, 2}, {4, 6}}), vec3f(4, -3, -2));
  const Intersection x = lineSegmentIntersection(Line{{0, 0}, {4, 4}}, Line{{0, 4}, {4, 0}});
  EXPECT_EQ(x, (Intersection{true, {2, 2}}));
  // Parallel segments never hit, even when both pass through the origin.
  EXPECT_EQ(lineSegmentIntersection(Line{{-1, -1}, {1, 1}}, Line{{-2, -2}, {3, 3}}), Intersection{});
  EXPECT_EQ(lineSegmentIntersection(Line{{-1, 0}, {1, 0}}, Line{{-1, 1}, {1, 1}}), Intersection{});
  // The lines meet at (5, 5), beyond the end of the first segment.
  EXPECT_EQ(lineLineIntersection(Line{{0, 0}, {1, 1}}, Line{{0, 10}, {10, 0}}), (Intersection{true, {5, 5}}));
  EXPECT_EQ(lineSegmentIntersection(Line{{0, 0}, {1, 1}}, Line{{0, 10}, {10, 0}}), Intersection{});
  // Touching at an end point counts.
  EXPECT_EQ(lineSegmentIntersection(Line{{0, 0}, {2, 0}}, Line{{2, -1}, {2, 1}}), (Intersection{true, {2, 0}}));
}

TEST(RayCast, FractionOfDirection) {
  const Vec2f a = vec2f(0, -1), b = vec2f(0, 1), o = vec2f(-1, 0);
  EXPECT_EQ(rayCastLineSegment(a, b, o, vec2f(2, 0)), 0.5f);
  EXPECT_EQ(rayCastLineSegment(a, b, o, vec2f(1, 0)), 1.0f);      // hit exactly at the ray's end
  EXPECT_EQ(rayCastLineSegment(a, b, o, vec2f(0.5f, 0)), -1.0f);  // too short
  EXPECT_EQ(rayCastLineSegment(a, b, o, vec2f(-2, 0)), -1.0f);    // pointing away
  EXPECT_EQ(rayCastLineSegment(a, b, o, vec2f(0, 3)), -1.0f);     // parallel
  EXPECT_EQ(rayCastLineSegment(a, a, o, vec2f(2, 0)), -1.0f);     // degenerate segment
  EXPECT_EQ(rayCastLineSegment(a, b, o, vec2f(0, 0)), -1.0f);
  EXPECT_EQ(rayCastLineSegment(a, b, o, vec2f(2, 2)), 0.5f);  // meets b, the segment's end
}

TEST(Rotation, PolarRotateAndPoly) {
  EXPECT_EQ(polarVec2f(0, 3), vec2f(3, 0));
  const Vec2f r = rotatePoint(vec2f(2, 1), float(kPi / 2), vec2f(1, 1));
  EXPECT_NEAR(r.x, 1.0f, 1e-6f);
  EXPECT_NEAR(r.y, 2.0f, 1e-6f);  // +x turns towards +y
  const std::vector<Vec2f> pts{vec2f(1, 0), vec2f(0, 2)};
  const std::vector<Vec2f> out = rotatedPoly(vec2f(10, 20), pts, 0.0f, vec2f(0, 0), 2.0f);
  EXPECT_EQ(out, (std::vector<Vec2f>{vec2f(12, 20), vec2f(10, 24)}));
  EXPECT_EQ(pts[0], vec2f(1, 0));
}

TEST(RandomVector, DrawsXThenYFromTheSharedGenerator) {
  seedRandom(1234);
  const float rx = rnd(4.0f), ry = rnd(4.0f), next = rnd(4.0f);
  seedRandom(1234);
  EXPECT_EQ(rndVec(4.0f), vec2f(rx - 2.0f, ry - 2.0f));
  EXPECT_EQ(rnd(4.0f), next);  // exactly two draws taken
}

TEST(Bezier, EndsAndSampledLength) {
  const Vec2f p0 = vec2f(0, 0), p1 = vec2f(10.0f / 3.0f, 0), p2 = vec2f(20.0f / 3.0f, 0), p3 = vec2f(10, 0);
  EXPECT_EQ(bezierCubic(p0, p1, p2, p3, 0.0f), p0);
  EXPECT_EQ(bezierCubic(p0, p1, p2, p3, 1.0f), p3);
  EXPECT_EQ(bezierCubic(vec2f(0, 0), vec2f(0, 4), vec2f(4, 4), vec2f(4, 0), 0.5f), vec2f(2, 3));
  // t = 1 is not sampled: 5 steps measure 0 .. 0.8 of the straight 10-unit curve.
  EXPECT_EQ(bezierCubicLength(p0, p1, p2, p3, 5), 8.0f);
  EXPECT_EQ(bezierCubicLength(p0, p1, p2, p3, 1), 0.0f);
  EXPECT_EQ(bezierCubicLength(p0, p1, p2, p3, 0), 0.0f);
  EXPECT_EQ(bezierCubicLength(p0, p1, p2, p3, -3), 0.0f);
}

TEST(Spring, PullsTowardsAnchorAndDamps) {
  // k*mass/dt^2 = 0.5*2/0.25 = 4; d*mass/dt = 0.25*2/0.5 = 1.
  EXPECT_EQ(spring(vec2f(3, 0), vec2f(1, 0), vec2f(0, 2), 0.5f, 0.25f, 2.0f, 0.5f), vec2f(-8, -2));
}

}  // namespace
}  // namespace dx
