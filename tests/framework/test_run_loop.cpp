#include <gtest/gtest.h>

#include "framework/run_loop.h"

namespace dx {
namespace {

TEST(Folders, JoinPathUsesOneSeparator) {
  EXPECT_EQ(joinPath("/a/b/", "assets"), "/a/b/assets");
  EXPECT_EQ(joinPath("/a/b", "assets"), "/a/b/assets");
  EXPECT_EQ(joinPath("/a/b/", "/x"), "/a/b/x");
  EXPECT_EQ(joinPath("", "x"), "x");
}

}  // namespace
}  // namespace dx
