#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "framework/errors.h"
#include "geom/scalar_math.h"

namespace dx {
namespace {

TEST(RingIndex, FloorModTakesTheSignOfTheDivisor) {
  EXPECT_EQ(floorMod(5, 3), 2);
  EXPECT_EQ(floorMod(-1, 3), 2);
  EXPECT_EQ(floorMod(-3, 3), 0);
  EXPECT_EQ(floorMod(1, -3), -2);
  EXPECT_EQ(floorMod(-7, -3), -1);
  const int64_t lo = std::numeric_limits<int64_t>::min(), hi = std::numeric_limits<int64_t>::max();
  EXPECT_EQ(floorMod(lo, -1), 0);       // would trap as a plain %
  EXPECT_EQ(floorMod(-1, hi), hi - 1);  // would overflow as (a % b) + b
  EXPECT_THROW(floorMod(4, 0), IndexError);
}

TEST(RingIndex, ModDiffIsTheShorterWayRound) {
  EXPECT_EQ(modDiff(1, 9, 10), 2);
  EXPECT_EQ(modDiff(-1, 1, 10), 2);
  EXPECT_EQ(modDiff(3, 3, 10), 0);
  EXPECT_EQ(modDiff(0, 5, 10), 5);
  EXPECT_EQ(modDiff(23, 1, 10), 2);
  EXPECT_THROW(modDiff(1, 2, 0), IndexError);
}

TEST(Rounding, RoundsDownToAMultiple) {
  EXPECT_EQ(roundTo(-0.5f, 1.0f), -1.0f);
  EXPECT_EQ(roundTo(7.9f, 4.0f), 4.0f);
  EXPECT_EQ(roundTo(8.0f, 4.0f), 8.0f);
  EXPECT_EQ(roundTo(-4.0f, 4.0f), -4.0f);
  EXPECT_EQ(roundTo(1.3f, 0.5f), 1.0f);
  EXPECT_EQ(roundTo(int64_t(-5), int64_t(4)), -8);  // the framework's integer form still resolves
}

}  // namespace
}  // namespace dx
