#include <gtest/gtest.h>

#include "app/telemetry.h"

namespace dx {
namespace {

TEST(CarDat, OneLinePerRecordByteForByte) {
  const std::vector<DataLogRecord> log = {{0.1f, -0.5f, 0.0f, 12.25f, -1.0f, true},
                                          {0.0f, 0.0f, 3.5f, 0.0f, 0.25f, false}};
  EXPECT_EQ(formatDataLog(log),
            "0.100000 -0.500000 0.000000 12.250000 -1.000000 1\n"
            "0.000000 0.000000 3.500000 0.000000 0.250000 0\n");
}

TEST(CarDat, EmptyLogIsAnEmptyFile) { EXPECT_EQ(formatDataLog({}), ""); }

}  // namespace
}  // namespace dx
