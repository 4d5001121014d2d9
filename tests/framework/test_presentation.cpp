#include <gtest/gtest.h>

#include <cstring>

#include "framework/presentation.h"

namespace dx {
namespace {

TEST(Layout, FixedSizeFreeScaleLetterboxes) {
  const ScreenLayout l = computeLayout(1000, 600, 240, 136, true, false);
  EXPECT_EQ(float(l.screenScale), 4.1666665f);
  EXPECT_EQ(l.dw, 999);
  EXPECT_EQ(l.dh, 566);
  EXPECT_EQ(l.paddingX, 0);
  EXPECT_EQ(l.paddingY, 17);
  EXPECT_EQ(l.screenWidth, 240);
  EXPECT_EQ(l.screenHeight, 136);
}

TEST(Layout, FixedSizeIntegerScale) {
  const ScreenLayout l = computeLayout(1000, 600, 240, 136, true, true);
  EXPECT_EQ(l.screenScale, 4.0);
  EXPECT_EQ(l.dw, 960);
  EXPECT_EQ(l.dh, 544);
  EXPECT_EQ(l.paddingX, 20);
  EXPECT_EQ(l.paddingY, 28);
}

TEST(Layout, FollowingTheWindowFreeScale) {
  const ScreenLayout l = computeLayout(1000, 600, 240, 136, false, false);
  EXPECT_EQ(l.screenWidth, 240);
  EXPECT_EQ(l.screenHeight, 144);
  EXPECT_EQ(l.paddingX, 0);
  EXPECT_EQ(l.paddingY, 0);
  EXPECT_EQ(l.dw, 1000);
  EXPECT_EQ(l.dh, 600);
}

TEST(Layout, FollowingTheWindowIntegerScale) {
  const ScreenLayout l = computeLayout(1000, 600, 240, 136, false, true);
  EXPECT_EQ(l.screenWidth, 250);
  EXPECT_EQ(l.screenHeight, 150);
  const ScreenLayout first = computeLayout(480, 272, 240, 136, false, true);
  EXPECT_EQ(first.screenWidth, 240);
  EXPECT_EQ(first.screenHeight, 136);
}

TEST(Layout, SmallWindowKeepsScaleOneAndCrops) {
  const ScreenLayout l = computeLayout(200, 100, 240, 136, true, false);
  EXPECT_EQ(l.screenScale, 1.0);
  EXPECT_EQ(l.dw, 240);
  EXPECT_EQ(l.paddingX, -20);
  EXPECT_EQ(l.paddingY, -18);
}

TEST(Conversion, DisplayRemapThenPaletteIntoAlphaBlueGreenRed) {
  Surface canvas;
  canvas.w = 2;
  canvas.h = 2;
  canvas.data = {0, 1, 2, 200};
  Palette p = loadPaletteDefault();
  p.colors[200] = RGB{1, 2, 3};
  std::array<ColorId, 256> map{};
  for (int i = 0; i < 256; ++i) map[i] = i;
  map[2] = 8;
  uint8_t out[2 * 12] = {};
  convertCanvas(canvas, p, map, out, 12);  // pitch wider than a row
  const uint8_t row0[8] = {255, 0, 0, 0, 255, 83, 43, 29};
  const uint8_t row1[8] = {255, 77, 0, 255, 255, 3, 2, 1};
  EXPECT_EQ(0, std::memcmp(out, row0, 8));
  EXPECT_EQ(0, std::memcmp(out + 12, row1, 8));
  EXPECT_EQ(out[8], 0);  // padding untouched
}

}  // namespace
}  // namespace dx
