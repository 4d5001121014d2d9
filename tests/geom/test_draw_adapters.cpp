#include <gtest/gtest.h>

#include <vector>

#include "framework/canvas.h"
#include "framework/errors.h"
#include "geom/draw_adapters.h"
#include "test_support.h"

namespace dx {
namespace {

using test::changedPixels;
using test::freshCanvas;
using test::Pixels;

// The pixels the framework's own integer line draws, for comparison.
Pixels frameworkLines(const std::vector<std::array<Pint, 4>>& lines) {
  freshCanvas(16, 16);
  setColor(7);
  for (const auto& l : lines) line(l[0], l[1], l[2], l[3]);
  return changedPixels();
}

TEST(DrawAdapters, PsetAndLineFloorCoordinates) {
  freshCanvas(8, 8);
  setColor(3);
  pset(vec2f(2.9f, 1.1f));
  pset(vec2f(-0.5f, 3.0f));  // floors to x = -1: off the canvas
  EXPECT_EQ(changedPixels(), (Pixels{{2, 1}}));
  freshCanvas(8, 8);
  setColor(3);
  line(vec2f(1.5f, 2.7f), vec2f(4.2f, 2.0f));
  EXPECT_EQ(changedPixels(), (Pixels{{1, 2}, {2, 2}, {3, 2}, {4, 2}}));
}

TEST(DrawAdapters, PolyDrawsPointLineOrClosedOutline) {
  freshCanvas(16, 16);
  setColor(7);
  poly(std::vector<Vec2f>{});
  EXPECT_TRUE(changedPixels().empty());
  poly(std::vector<Vec2f>{vec2f(3.5f, 4.5f)});
  EXPECT_EQ(changedPixels(), (Pixels{{3, 4}}));

  // Two points: the one line between them.
  const Pixels two = frameworkLines({{1, 1, 9, 4}});
  freshCanvas(16, 16);
  setColor(7);
  poly(std::vector<Vec2f>{vec2f(1, 1), vec2f(9.9f, 4.2f)});
  EXPECT_EQ(changedPixels(), two);

  // Three points: three lines, the last closing back to the first.
  const Pixels three = frameworkLines({{1, 1, 12, 3}, {12, 3, 5, 10}, {5, 10, 1, 1}});
  freshCanvas(16, 16);
  setColor(7);
  poly(std::vector<Vec2f>{vec2f(1, 1), vec2f(12, 3), vec2f(5, 10)});
  EXPECT_EQ(changedPixels(), three);

  freshCanvas(8, 8);
  setColor(7);
  poly(std::vector<Vec2f>{vec2f(1, 1), vec2f(5, 1), vec2f(5, 4), vec2f(1, 4)});
  Pixels border;
  for (int x = 1; x <= 5; ++x) border.insert({{x, 1}, {x, 4}});
  for (int y = 1; y <= 4; ++y) border.insert({{1, y}, {5, y}});
  EXPECT_EQ(changedPixels(), border);
}

TEST(DrawAdapters, RectfillTruncatesTowardZero) {
  freshCanvas(8, 8);
  setColor(2);
  rectfill(AABB{{-0.9f, 1.9f}, {1.9f, 2.5f}});  // -> (0, 1) .. (1, 2)
  EXPECT_EQ(changedPixels(), (Pixels{{0, 1}, {1, 1}, {0, 2}, {1, 2}}));
}

TEST(DrawAdapters, TrifillUsesTheFirstThreePoints) {
  const std::vector<Vec2f> pts{vec2f(0.5f, 0.5f), vec2f(4.9f, 0), vec2f(0, 4.9f), vec2f(7, 7)};
  freshCanvas(8, 8);
  setColor(4);
  trifill(0, 0, 4, 0, 0, 4);
  const Pixels expected = changedPixels();
  freshCanvas(8, 8);
  setColor(4);
  trifill(pts);
  EXPECT_EQ(changedPixels(), expected);
  EXPECT_FALSE(expected.contains({7, 7}));
}

TEST(DrawAdapters, BadInputThrowsInsteadOfDrawing) {
  freshCanvas(8, 8);
  setColor(4);
  EXPECT_THROW(trifill(std::vector<Vec2f>{vec2f(0, 0), vec2f(1, 1)}), IndexError);
  EXPECT_THROW(rectfill(AABB{{0, 0}, {3e9f, 2}}), IndexError);
  EXPECT_THROW(rectfill(AABB{{-3e9f, 0}, {2, 2}}), IndexError);
  // Far-off and NaN points are not errors: what is off the canvas is simply not drawn.
  EXPECT_NO_THROW(pset(vec2f(std::nanf(""), 0)));
  EXPECT_NO_THROW(line(vec2f(100, 1e10f), vec2f(100, -1e10f)));
  EXPECT_TRUE(changedPixels().empty());
  // The extremes of the 32-bit range still convert.
  EXPECT_NO_THROW(rectfill(AABB{{-2147483648.0f, 0}, {2147483520.0f, 0}}));
}

}  // namespace
}  // namespace dx
