#include <gtest/gtest.h>

#include "framework/canvas.h"
#include "framework/errors.h"
#include "test_support.h"

namespace dx {
namespace {

using test::at;
using test::changedPixels;
using test::freshCanvas;
using test::Pixels;

TEST(PixelRule, DitherMaskSelectsExactlyItsBits) {
  freshCanvas(8, 8);
  ditherPattern(0xA5A5);
  setColor(3);
  rectfill(0, 0, 3, 3);
  EXPECT_EQ(changedPixels(), (Pixels{{0, 0}, {2, 0}, {1, 1}, {3, 1}, {0, 2}, {2, 2}, {1, 3}, {3, 3}}));
  EXPECT_EQ(at(2, 2), 3);
}

TEST(PixelRule, DitherFallbackColourIsRemapped) {
  freshCanvas(4, 1);
  ditherPattern(0x0001);
  setDitherColor(6);
  pal(6, 9);
  setColor(2);
  hline(0, 0, 3);
  EXPECT_EQ(at(0, 0), 2);
  EXPECT_EQ(at(1, 0), 9);
  EXPECT_EQ(at(3, 0), 9);
}

TEST(PixelRule, StencilWrittenWhereDitherBitIsClear) {
  freshCanvas(4, 4);
  ditherPattern(0x0000);
  setStencilRef(42);
  setStencilWrite(true);
  setColor(5);
  pset(1, 1);
  EXPECT_EQ(at(1, 1), test::kSentinel);
  EXPECT_EQ(stencilGet(1, 1), 42);
  EXPECT_EQ(stencilGet(0, 0), 0);
}

TEST(PixelRule, FailedStencilTestWritesNothing) {
  freshCanvas(4, 4);
  stencilClear(10);
  stencilMode(stencilLess);  // passes when ref < stored
  setStencilWrite(true);
  setStencilRef(10);
  setColor(5);
  pset(0, 0);
  EXPECT_EQ(at(0, 0), test::kSentinel);
  EXPECT_EQ(stencilGet(0, 0), 10);
  setStencilRef(9);
  pset(0, 0);
  EXPECT_EQ(at(0, 0), 5);
  EXPECT_EQ(stencilGet(0, 0), 9);
}

TEST(PixelRule, StencilComparisons) {
  freshCanvas(2, 1);
  stencilClear(5);
  const struct {
    StencilMode m;
    uint8_t ref;
    bool pass;
  } cases[] = {{stencilAlways, 0, true},   {stencilEqual, 5, true},   {stencilEqual, 4, false},
               {stencilLess, 4, true},     {stencilLess, 5, false},   {stencilGreater, 6, true},
               {stencilGreater, 5, false}, {stencilLEqual, 5, true},  {stencilLEqual, 6, false},
               {stencilGEqual, 5, true},   {stencilGEqual, 4, false}, {stencilNotEqual, 4, true},
               {stencilNotEqual, 5, false}};
  for (const auto& c : cases) {
    stencilMode(c.m);
    EXPECT_EQ(stencilTest(0, 0, c.ref), c.pass) << int(c.m) << " ref " << int(c.ref);
  }
}

TEST(PixelRule, CameraAndClipDropOutsidePixels) {
  freshCanvas(4, 4);
  setCamera(10, 20);
  setColor(1);
  pset(10, 20);
  pset(9, 20);
  pset(14, 20);
  EXPECT_EQ(changedPixels(), (Pixels{{0, 0}}));
}

TEST(Lines, HorizontalAndVerticalRunsAreClipped) {
  freshCanvas(5, 5);
  setColor(1);
  hline(-100, 2, 100);
  vline(3, 100, -100);
  Pixels want;
  for (int x = 0; x < 5; ++x) want.insert({x, 2});
  for (int y = 0; y < 5; ++y) want.insert({3, y});
  EXPECT_EQ(changedPixels(), want);
}

TEST(Lines, RunsEntirelyOutsideDrawNothing) {
  freshCanvas(5, 5);
  setColor(1);
  hline(-10, 1, -1);
  hline(5, 1, 9);
  hline(0, 7, 4);
  EXPECT_TRUE(changedPixels().empty());
}

TEST(Lines, DiagonalIsWalkedAlongY) {
  freshCanvas(5, 5);
  setColor(1);
  line(3, 3, 0, 0);
  EXPECT_EQ(changedPixels(), (Pixels{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
}

TEST(Lines, LowLineStepsByBresenham) {
  freshCanvas(8, 4);
  setColor(1);
  line(0, 0, 5, 2);
  EXPECT_EQ(changedPixels(), (Pixels{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}}));
}

TEST(Lines, DashedPatternCountsFromTheWalkStart) {
  freshCanvas(12, 2);
  setColor(1);
  lineDashed(9, 0, 0, 0, 0x0F);
  EXPECT_EQ(changedPixels(), (Pixels{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {8, 0}, {9, 0}}));
  freshCanvas(2, 2);
  setColor(1);
  lineDashed(1, 1, 1, 1, 0x00);  // a single point ignores the pattern
  EXPECT_EQ(changedPixels(), (Pixels{{1, 1}}));
}

TEST(Circles, RadiusZeroAndOne) {
  freshCanvas(5, 5);
  setColor(1);
  circ(2, 2, 1);
  EXPECT_EQ(changedPixels(), (Pixels{{1, 2}, {3, 2}, {2, 1}, {2, 3}}));
  freshCanvas(5, 5);
  setColor(1);
  circfill(2, 2, 1);
  EXPECT_EQ(changedPixels(), (Pixels{{1, 2}, {3, 2}, {2, 1}, {2, 3}, {2, 2}}));
  freshCanvas(5, 5);
  setColor(1);
  circ(2, 2, 0);
  EXPECT_EQ(changedPixels(), (Pixels{{2, 2}}));
  freshCanvas(5, 5);
  setColor(1);
  circfill(2, 2, 0);
  EXPECT_EQ(changedPixels(), (Pixels{{2, 2}}));
  freshCanvas(5, 5);
  circ(2, 2, -1);
  circfill(2, 2, -1);
  EXPECT_TRUE(changedPixels().empty());
}

TEST(Circles, RadiusTwoOutlineAndFill) {
  freshCanvas(7, 7);
  setColor(1);
  circ(3, 3, 2);
  EXPECT_EQ(changedPixels(),
            (Pixels{{5, 3}, {1, 3}, {3, 5}, {3, 1}, {5, 4}, {1, 4}, {5, 2}, {1, 2}, {4, 5}, {2, 5}, {4, 1}, {2, 1}}));
  freshCanvas(7, 7);
  setColor(1);
  circfill(3, 3, 2);
  Pixels want;
  for (int x = 1; x <= 5; ++x)
    for (int y = 2; y <= 4; ++y) want.insert({x, y});
  for (int x = 2; x <= 4; ++x) want.insert({x, 1}), want.insert({x, 5});
  EXPECT_EQ(changedPixels(), want);
}

TEST(Triangles, OnlyClockwiseOnScreenIsFilled) {
  freshCanvas(6, 6);
  setColor(4);
  trifill(0, 0, 4, 0, 0, 4);  // clockwise with y down
  EXPECT_EQ(changedPixels().size(), 15u);
  EXPECT_EQ(at(4, 0), 4);
  EXPECT_EQ(at(2, 2), 4);  // on the long edge: edges are inclusive
  EXPECT_EQ(at(3, 2), test::kSentinel);
  freshCanvas(6, 6);
  setColor(4);
  trifill(0, 0, 0, 4, 4, 0);
  EXPECT_TRUE(changedPixels().empty());
}

TEST(Triangles, DegenerateFillsItsLine) {
  freshCanvas(6, 3);
  setColor(4);
  trifill(0, 1, 2, 1, 5, 1);
  Pixels want;
  for (int x = 0; x <= 5; ++x) want.insert({x, 1});
  EXPECT_EQ(changedPixels(), want);
}

TEST(Triangles, WriteTheColourWithoutTheDrawRemap) {
  freshCanvas(4, 4);
  pal(5, 9);
  pset(0, 3, 5);
  EXPECT_EQ(at(0, 3), 9);
  setColor(5);
  trifill(0, 0, 2, 0, 0, 2);
  EXPECT_EQ(at(0, 0), 5);
}

TEST(Triangles, MatchThePerPixelRuleUnderDitherAndStencil) {
  // The span fast path must give exactly the pixel rule: compare against a reference walk.
  const int v[6] = {-5, 2, 35, 9, 7, 40};
  for (int variant = 0; variant < 3; ++variant) {
    freshCanvas(40, 30);
    if (variant >= 1) {
      ditherPattern(0x5A5A);
      setDitherColor(3);
    }
    if (variant == 2) {
      stencilClear(0);
      stencilMode(stencilNotEqual);  // ref 0 against 0: nothing passes
    }
    setColor(7);
    trifill(v[0], v[1], v[2], v[3], v[4], v[5]);
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        const bool inside = orient2d(v[2], v[3], v[4], v[5], x, y) >= 0 &&
                            orient2d(v[4], v[5], v[0], v[1], x, y) >= 0 && orient2d(v[0], v[1], v[2], v[3], x, y) >= 0;
        uint8_t want = test::kSentinel;
        if (inside && variant == 0) want = 7;
        if (inside && variant == 1) want = ((0x5A5A >> ((x & 3) + 4 * (y & 3))) & 1) ? 7 : 3;
        ASSERT_EQ(at(x, y), want) << "variant " << variant << " at " << x << "," << y;
      }
  }
}

TEST(Clearing, IgnoresTheCameraAndWritesIndexZero) {
  freshCanvas(6, 4);
  setCamera(100, 100);
  pal(0, 9);
  cls();
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_EQ(at(x, y), 0);
}

TEST(Clearing, DitherFallbackIsWrittenAsItIs) {
  freshCanvas(4, 1);
  ditherPattern(0x0005);
  setDitherColor(2);
  pal(2, 8);
  cls();
  EXPECT_EQ(at(0, 0), 0);
  EXPECT_EQ(at(1, 0), 2);
  EXPECT_EQ(at(2, 0), 0);
}

TEST(Sprites, SgetOutOfRangeLogsAndReturnsZero) {
  freshCanvas(4, 4);
  set(*drawState().spritesheet, 3, 2, 17);
  EXPECT_EQ(sget(3, 2), 17);
  const test::LogCapture capture;
  EXPECT_EQ(sget(-1, 0), 0);
  EXPECT_EQ(sget(128, 0), 0);
  EXPECT_EQ(capture.err(), "sget invalid coord: , -1, 0\nsget invalid coord: , 128, 0\n");
}

TEST(Sprites, SprCopiesAndFlipsSkippingTransparent) {
  freshCanvas(10, 10);
  Surface& s = *drawState().spritesheet;
  // Sprite 1 occupies columns 8..15 of row 0: a diagonal of colours 1..8 with colour 0 elsewhere.
  for (int i = 0; i < 8; ++i) set(s, 8 + i, i, uint8_t(i + 1));
  spr(1, 1, 1);
  EXPECT_EQ(at(1, 1), 1);
  EXPECT_EQ(at(8, 8), 8);
  EXPECT_EQ(at(2, 1), test::kSentinel);  // colour 0 is transparent
  freshCanvas(10, 10);
  for (int i = 0; i < 8; ++i) set(*drawState().spritesheet, 8 + i, i, uint8_t(i + 1));
  spr(1, 0, 0, 1, 1, true, false);
  EXPECT_EQ(at(7, 0), 1);
  EXPECT_EQ(at(0, 7), 8);
  setSpritesheet(0);
  EXPECT_THROW(setSpritesheet(16), IndexError);
  EXPECT_THROW(setSpritesheet(3), IndexError);
}

TEST(Sprites, StretchedBlitDoublesPixels) {
  freshCanvas(20, 20);
  Surface& s = *drawState().spritesheet;
  set(s, 0, 0, 5);
  set(s, 1, 0, 6);
  sprss(0, 2, 2, 1, 1, 16, 16);
  EXPECT_EQ(at(2, 2), 5);
  EXPECT_EQ(at(3, 3), 5);
  EXPECT_EQ(at(4, 2), 6);
  EXPECT_EQ(at(6, 2), test::kSentinel);
  // A sprite crossing the left clip edge keeps the rest of its rows.
  freshCanvas(20, 20);
  set(*drawState().spritesheet, 1, 0, 6);
  sprss(0, -2, 0, 1, 1, 16, 16);
  EXPECT_EQ(at(0, 0), 6);
}

TEST(Rects, OverlapIsInclusive) {
  EXPECT_TRUE(overlap(Rect{0, 0, 2, 2}, Rect{2, 2, 1, 1}));
  EXPECT_FALSE(overlap(Rect{0, 0, 2, 2}, Rect{3, 0, 1, 1}));
}

}  // namespace
}  // namespace dx

namespace dx {
namespace {

// The walk that a line must follow, step by step from its start, for comparison.
test::Pixels referenceWalk(int x0, int y0, int x1, int y1, uint8_t pattern, int w, int h) {
  test::Pixels out;
  const bool low = std::abs(y1 - y0) < std::abs(x1 - x0);
  if (low ? x0 > x1 : y0 > y1) std::swap(x0, x1), std::swap(y0, y1);
  const int major = low ? x1 - x0 : y1 - y0, minor = low ? std::abs(y1 - y0) : std::abs(x1 - x0);
  const int step = low ? (y1 >= y0 ? 1 : -1) : (x1 >= x0 ? 1 : -1);
  int D = 2 * minor - major, b = low ? y0 : x0;
  for (int k = 0; k <= major; ++k) {
    const int x = low ? x0 + k : b, y = low ? b : y0 + k;
    if (((pattern >> (k & 7)) & 1) && x >= 0 && y >= 0 && x < w && y < h) out.insert({x, y});
    if (D > 0) b += step, D -= 2 * major;
    D += 2 * minor;
  }
  return out;
}

TEST(Lines, StartingFarOutsideMatchesTheFullWalk) {
  const int cases[][4] = {{-1000, -37, 50, 20}, {30, -5000, 2, 40}, {-300, 200, 300, -100}, {7, 3, 25, 11}};
  for (const auto& c : cases) {
    for (uint8_t pattern : {uint8_t(0xFF), uint8_t(0xCC)}) {
      test::freshCanvas(32, 24);
      setColor(1);
      lineDashed(c[0], c[1], c[2], c[3], pattern);
      EXPECT_EQ(test::changedPixels(), referenceWalk(c[0], c[1], c[2], c[3], pattern, 32, 24))
          << c[0] << "," << c[1] << " " << int(pattern);
    }
  }
}

TEST(Lines, HugeCoordinatesDrawOnlyTheVisiblePart) {
  test::freshCanvas(16, 16);
  setColor(1);
  line(-2000000000, 8, 2000000000, 9);
  EXPECT_FALSE(test::changedPixels().empty());
}

}  // namespace
}  // namespace dx
