#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "framework/errors.h"
#include "framework/numeric.h"
#include "geom/vec.h"

namespace dx {
namespace {

TEST(VecArithmetic, DoubleScalarRoundsOnceToFloat) {
  // 3 * 0.3 applied in double lands on a different float than 3 * 0.3f.
  EXPECT_EQ((vec2f(3, 3) * 0.3).x, float(3.0 * 0.3));
  EXPECT_NE(float(3.0 * 0.3), 3.0f * 0.3f);
  Vec3f v = vec3f(0, 3, 0);
  v *= 0.3;
  EXPECT_EQ(v.y, float(3.0 * 0.3));
}

TEST(VecArithmetic, IntegerDifferenceChecksOverflow) {
  EXPECT_EQ(vec2i(5, -3) - vec2i(7, 4), vec2i(-2, -7));
  const int64_t lo = std::numeric_limits<int64_t>::min();
  EXPECT_THROW(vec2i(lo, 0) - vec2i(1, 0), IndexError);
  EXPECT_THROW(vec2i(0, 1) - vec2i(0, lo), IndexError);
  EXPECT_EQ(xyi(vec2f(-1.7f, 2.9f)), vec2i(-1, 2));  // truncation toward zero
}

TEST(VecOps, NormalizedAndNormal) {
  EXPECT_EQ(normalized(vec2f(1e-7f, 0.0f)), vec2f(0, 0));
  EXPECT_EQ(normalized(vec2f(3, 4)), vec2f(0.6f, 0.8f));
  EXPECT_EQ(normal(vec2f(3, 4)), vec2f(-0.8f, 0.6f));
  EXPECT_EQ(normal(vec2f(0, 0)), vec2f(0, 0));
  EXPECT_EQ(normalized(vec3f(0, 3, 4)), vec3f(0, 0.6f, 0.8f));
}

TEST(VecOps, ReflectAndProject) {
  EXPECT_EQ(reflect(vec2f(1, 0), vec2f(0, 1)), vec2f(-1, 0));
  EXPECT_EQ(reflect(vec2f(1, 1), vec2f(0, 1)), vec2f(-1, 1));
  EXPECT_EQ(project(vec2f(3, 4), vec2f(2, 0)), vec2f(3, 0));
  EXPECT_EQ(project(vec2f(1, 1), vec2f(1, -1)), vec2f(0, 0));
}

TEST(VecOps, ClampLengthAndScalarClampCoexist) {
  EXPECT_EQ(clamp(vec2f(3, 4), 5.0f), vec2f(3, 4));  // exactly at the limit: unchanged
  EXPECT_EQ(clamp(vec2f(6, 8), 5.0f), vec2f(3, 4));
  EXPECT_EQ(clamp(vec3f(0, 0, -10), 2.0f), vec3f(0, 0, -2));
  EXPECT_EQ(clamp(7, 0, 5), 5);  // the scalar helpers still resolve
  EXPECT_EQ(clamp(1.5f), 1.0f);
}

}  // namespace
}  // namespace dx
