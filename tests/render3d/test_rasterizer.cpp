#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "framework/canvas.h"
#include "framework/errors.h"
#include "framework/numeric.h"
#include "framework/run_loop.h"
#include "render3d/model_draw.h"
#include "render3d/rasterizer.h"
#include "render3d/render_state.h"
#include "render3d/reset_render3d.h"
#include "test_support.h"

namespace dx {
namespace {

using test::at;
using test::changedPixels;
using test::Pixels;

// Model points are clip points with w = 1: screen x = floor((1 - x) * w / 2), y likewise.
void identityView(int w, int h) {
  resetRender3dModules();
  test::freshCanvas(w, h);
  renderState().perspectiveWidth = float(w);
  renderState().perspectiveHeight = float(h);
  stencilClear(255);
}

// The car editor's camera.
void editorView() {
  resetRender3dModules();
  test::freshCanvas(240, 136);
  setPerspective(50.0f, 1.0f, 100.0f);
  setCamera3D(Vec3f{15.0f, 0.0f, 7.19f}, worldOrigin, worldUp);
  stencilClear(255);
}

Model oneTriangle(Vec3f a, Vec3f b, Vec3f c, Vec3f normal, int64_t materialId = 0) {
  Model m;
  m.vertices = {a, b, c};
  Face f;
  f.vertexIndices = {0, 1, 2, -1};
  f.normal = normal;
  m.faceSets.push_back(FaceSet{materialId, {f}});
  return m;
}

TEST(Projection, MirrorsXAndFlipsY) {
  identityView(8, 8);
  const ScreenPoint p = project(Vec3f{-0.5f, 0.5f, 0.25f});
  EXPECT_TRUE(p.visible);
  EXPECT_EQ(p.x, 6.0f);
  EXPECT_EQ(p.y, 2.0f);
  EXPECT_EQ(p.z, 0.25f);
}

TEST(Projection, VisibilityRule) {
  identityView(8, 8);
  EXPECT_FALSE(projectClip(Vec4f{0, 0, 0, 0}).visible);
  EXPECT_FALSE(projectClip(Vec4f{0, 0, 0, -1}).visible);
  EXPECT_TRUE(projectClip(Vec4f{0, 0, 0.9f, 1}).visible);
  EXPECT_FALSE(projectClip(Vec4f{0, 0, 1.0f, 1}).visible);  // w must exceed |z / w|
  EXPECT_TRUE(projectClip(Vec4f{0, 0, 3.9f, 2}).visible);
}

TEST(Projection, HugeAndNonFinitePositionsAreHeld) {
  identityView(8, 8);
  const float inf = std::numeric_limits<float>::infinity();
  const ScreenPoint p = projectClip(Vec4f{-1e30f, inf, 0.0f, 1.0f});
  EXPECT_EQ(p.x, 1048576.0f);
  EXPECT_EQ(p.y, -1048576.0f);
  const ScreenPoint q = projectClip(Vec4f{std::nanf(""), 0.0f, 0.0f, 1.0f});
  EXPECT_EQ(q.x, -1048576.0f);
  // A triangle reaching far off the canvas still fills what it covers and returns.
  setColor(3);
  trifillDepth(ScreenPoint{0, 0, 0, true}, ScreenPoint{1048576.0f, 0, 0, true}, ScreenPoint{0, 1048576.0f, 0, true});
  EXPECT_EQ(changedPixels().size(), 64u);
}

TEST(DepthCodes, SquareTheDepth) {
  EXPECT_EQ(getDepthValue(0.5f), 63);
  EXPECT_EQ(getDepthValue(1.0f), 255);
  EXPECT_EQ(getDepthValue(-1.0f), 255);
  EXPECT_EQ(getDepthValue(0.0f), 0);
  EXPECT_EQ(getDepthValue(-0.5f), 63);
  EXPECT_EQ(getDepthValue(7.0f), 255);
  EXPECT_EQ(getDepthValue(std::nanf("")), 0);
}

TEST(Triangles, OnlyClockwiseOnScreenIsFilled) {
  identityView(8, 8);
  setColor(4);
  // Counter-clockwise in clip space, so clockwise on the mirrored screen: (6,6) (2,6) (4,2).
  trifill3d(Vec3f{-0.5f, -0.5f, 0}, Vec3f{0.5f, -0.5f, 0}, Vec3f{0, 0.5f, 0});
  const Pixels drawn = changedPixels();
  EXPECT_TRUE(drawn.count({4, 2}) && drawn.count({2, 6}) && drawn.count({6, 6}) && drawn.count({4, 4}));
  EXPECT_FALSE(drawn.count({1, 6}) || drawn.count({3, 2}));
  identityView(8, 8);
  setColor(4);
  trifill3d(Vec3f{-0.5f, -0.5f, 0}, Vec3f{0, 0.5f, 0}, Vec3f{0.5f, -0.5f, 0});
  EXPECT_TRUE(changedPixels().empty());
}

TEST(Triangles, OutwardFacesSeenFromTheEditorCamera) {
  // A ground square wound counter-clockwise about +z (right-handed, normal up) faces an eye
  // above it; the same square wound the other way is culled.
  editorView();
  setColor(4);
  quadfill3d(Vec3f{-2, -2, 0}, Vec3f{2, -2, 0}, Vec3f{2, 2, 0}, Vec3f{-2, 2, 0});
  EXPECT_GT(changedPixels().size(), 200u);
  editorView();
  setColor(4);
  quadfill3d(Vec3f{-2, -2, 0}, Vec3f{-2, 2, 0}, Vec3f{2, 2, 0}, Vec3f{2, -2, 0});
  EXPECT_TRUE(changedPixels().empty());
}

TEST(Triangles, EditorViewShowsMinusYOnTheRight) {
  // The screen mirrors x: looking from +x toward the origin, -y lies to the right.
  editorView();
  const ScreenPoint left = project(Vec3f{0, 3, 0}), right = project(Vec3f{0, -3, 0});
  EXPECT_LT(left.x, 120.0f);
  EXPECT_GT(right.x, 120.0f);
}

TEST(Triangles, AnyVertexBehindTheCameraDropsTheTriangle) {
  editorView();
  setColor(4);
  trifill3d(Vec3f{0, -2, 0}, Vec3f{0, 2, 0}, Vec3f{20, 0, 8});  // the third is behind the eye
  EXPECT_TRUE(changedPixels().empty());
  trifill3d(Vec3f{0, -2, 0}, Vec3f{0, 2, 0}, Vec3f{0, 0, 3});
  EXPECT_FALSE(changedPixels().empty());
}

TEST(Triangles, SliversAreCulled) {
  identityView(8, 8);
  setColor(4);
  trifillDepth(ScreenPoint{0, 0, 0, true}, ScreenPoint{4, 4, 0, true}, ScreenPoint{7, 7, 0, true});
  EXPECT_TRUE(changedPixels().empty());
}

TEST(Triangles, NearerFaceWinsInEitherOrder) {
  const Vec3f a{-0.9f, -0.9f, 0}, b{0.9f, -0.9f, 0}, c{0, 0.9f, 0};
  const Vec3f nearZ{0, 0, 0.2f}, farZ{0, 0, 0.6f};
  for (bool nearFirst : {true, false}) {
    identityView(8, 8);
    setUseDepth(true);
    for (int pass = 0; pass < 2; ++pass) {
      const bool drawNear = (pass == 0) == nearFirst;
      const Vec3f z = drawNear ? nearZ : farZ;
      setColor(drawNear ? 2 : 9);
      trifill3d(a + z, b + z, c + z);
    }
    EXPECT_EQ(at(4, 4), 2) << "near first: " << nearFirst;
    EXPECT_EQ(stencilGet(4, 4), getDepthValue(0.2f));
    // Every fill leaves the stencil state as it found the default.
    EXPECT_EQ(drawState().stencil, stencilAlways);
    EXPECT_FALSE(drawState().stencilWrite);
  }
}

TEST(Triangles, DitherFallbackAndNoDepthWrite) {
  identityView(4, 4);
  setColor(2);
  setDitherColor(9);
  ditherPattern(0x0001);
  trifillDepth(ScreenPoint{0, 0, 0.5f, true}, ScreenPoint{3, 0, 0.5f, true}, ScreenPoint{0, 3, 0.5f, true});
  EXPECT_EQ(at(0, 0), 2);
  EXPECT_EQ(at(1, 0), 9);
  EXPECT_EQ(at(3, 3), test::kSentinel);
  EXPECT_EQ(stencilGet(0, 0), 255);  // depth write off
  EXPECT_EQ(drawState().stencilRef, 63);
}

TEST(Lines, EndBehindZeroDepthMovesToTheCrossingWithUnitW) {
  identityView(16, 8);
  Mat4 m = mat4x4f(1.0f);
  m(3, 3) = 2.0f;  // every point gets w = 2
  renderState().mvp = m;
  setColor(5);
  // The far end has clip (3, 0, -1, 2); the crossing is (1, 0, 0) with w = 1, at x = 0. Kept
  // at w = 2 it would land at x = 4.
  line3d(Vec3f{-1, 0, 1}, Vec3f{3, 0, -1});
  Pixels want;
  for (int x = 0; x <= 12; ++x) want.insert({x, 4});
  EXPECT_EQ(changedPixels(), want);
  identityView(16, 8);
  renderState().mvp = m;
  line3d(Vec3f{-1, 0, -1}, Vec3f{3, 0, -1});
  EXPECT_TRUE(changedPixels().empty());
}

TEST(Lines, OutlinesAndDashesNeedBothEndsVisible) {
  identityView(8, 8);
  setColor(5);
  lineDashed3d(Vec3f{0.75f, 0, 0}, Vec3f{-0.99f, 0, 0}, 0x05);
  EXPECT_EQ(changedPixels(), (Pixels{{1, 4}, {3, 4}}));
  identityView(8, 8);
  setColor(5);
  lineDashed3d(Vec3f{0.75f, 0, 0}, Vec3f{-0.99f, 0, 2}, 0xFF);
  tri3d(Vec3f{0, 0, 0}, Vec3f{0.5f, 0, 0}, Vec3f{0, 0.5f, 5});
  EXPECT_TRUE(changedPixels().empty());
  tri3d(Vec3f{0, 0, 0}, Vec3f{0.5f, 0, 0}, Vec3f{0, 0.5f, 0});
  EXPECT_EQ(changedPixels(), (Pixels{{2, 4}, {3, 4}, {4, 4}, {4, 3}, {4, 2}, {3, 3}}));
}

TEST(Circles, FlatCircleStartsAndEndsAtCenterPlusRadiusY) {
  identityView(16, 16);
  setColor(5);
  const Vec3f c{0.03f, 0.03f, 0.0f};
  // One segment is a chord from the start point round to itself.
  circflat3d(c, 0.5f, worldUp, 1);
  EXPECT_EQ(changedPixels(), (Pixels{{7, 3}}));
  circflat3d(c, 0.5f, worldUp, 0);
  circflat3d(c, 0.5f, worldUp, -3);
  EXPECT_EQ(changedPixels(), (Pixels{{7, 3}}));
  // Four segments: a diamond through the four quarter points.
  identityView(16, 16);
  setColor(5);
  circflat3d(c, 0.5f, worldUp, 4);
  const Pixels drawn = changedPixels();
  for (auto p : {std::pair{7, 3}, {3, 7}, {7, 11}, {11, 7}}) EXPECT_TRUE(drawn.count(p)) << p.first << "," << p.second;
  EXPECT_EQ(drawn.size(), 16u);
}

TEST(Circles, DiscSitsJustInFrontOfItsDepth) {
  identityView(16, 16);
  setUseDepth(true);
  setColor(6);
  stencilClear(63 - 2);  // a surface two codes nearer than the disc's own depth 0.5
  circfill3d(Vec3f{0, 0, 0.5f}, 0.1f);
  EXPECT_EQ(at(8, 8), 6);
  EXPECT_EQ(stencilGet(8, 8), 61);
  stencilClear(60);
  setColor(7);
  circfill3d(Vec3f{0, 0, 0.5f}, 0.1f);
  EXPECT_EQ(at(8, 8), 6);
  // Radius: 0.1 * 16 / w pixels, floored to 1: a plus sign.
  EXPECT_EQ(changedPixels(), (Pixels{{8, 8}, {7, 8}, {9, 8}, {8, 7}, {8, 9}}));
}

TEST(Circles, DiscNearZeroDepthStaysInFront) {
  identityView(16, 16);
  setUseDepth(true);
  stencilClear(0);
  setColor(6);
  circfill3d(Vec3f{0, 0, 0.01f}, 0.1f);  // code 0: the reference stays 0 rather than wrapping
  EXPECT_EQ(at(8, 8), 6);
  EXPECT_EQ(drawState().stencil, stencilAlways);
}

TEST(LitModels, RampChoiceWithoutDithering) {
  identityView(8, 8);
  setDither(false);
  const std::array<ColorId, 8> ramp{10, 11, 12, 13, 14, 15, 16, 17};
  const Model m = oneTriangle(Vec3f{-0.9f, -0.9f, 0}, Vec3f{0.9f, -0.9f, 0}, Vec3f{0, 0.9f, 0}, Vec3f{0, 0, 1});
  setLightDir(Vec3f{0, 0, -3});  // straight onto the face: I = 1
  drawLit(m, ramp);
  EXPECT_EQ(at(4, 4), 17);
  EXPECT_TRUE(renderState().depthTest && renderState().depthWrite);
  stencilClear(255);
  setLightDir(Vec3f{0, 0, 1});  // from behind: I = -1
  drawLit(m, ramp);
  EXPECT_EQ(at(4, 4), 10);
  stencilClear(255);
  setLightDir(Vec3f{1, 0, 0});  // grazing: I = 0
  drawLit(m, ramp);
  EXPECT_EQ(at(4, 4), 10);
}

TEST(LitModels, DitheredShadesMixNeighbouringColours) {
  identityView(8, 8);
  const std::array<ColorId, 8> ramp{10, 11, 12, 13, 14, 15, 16, 17};
  const Model m = oneTriangle(Vec3f{1, 1, 0}, Vec3f{-1, 1, 0}, Vec3f{1, -1, 0}, Vec3f{0, 0, 1});
  // I = 0.3: J = 9, colour ramp[2], fallback ramp[1], pattern 0xFAFA.
  setLightDir(-Vec3f{std::sqrt(1.0f - 0.09f), 0, 0.3f});
  drawLit(m, ramp);
  EXPECT_EQ(at(0, 0), 11);
  EXPECT_EQ(at(1, 0), 12);
  EXPECT_EQ(at(2, 0), 11);
  EXPECT_EQ(at(3, 0), 12);
  EXPECT_EQ(at(0, 1), 12);  // odd rows are whole
  EXPECT_EQ(at(0, 2), 11);
  EXPECT_EQ(drawState().ditherColor, -1);
  EXPECT_EQ(drawState().gDitherPattern, 0xFFFF);
  // Fully lit: J = 31, every pixel in ramp[7].
  identityView(8, 8);
  setLightDir(Vec3f{0, 0, -1});
  drawLit(m, ramp);
  EXPECT_EQ(at(0, 0), 17);
  EXPECT_EQ(at(1, 1), 17);
}

TEST(LitModels, FaceNormalFollowsTheModelMatrix) {
  identityView(8, 8);
  setDither(false);
  const std::array<ColorId, 8> ramp{10, 11, 12, 13, 14, 15, 16, 17};
  const Model m = oneTriangle(Vec3f{-0.9f, -0.9f, 0}, Vec3f{0.9f, -0.9f, 0}, Vec3f{0, 0.9f, 0}, Vec3f{2, 0, 0});
  setLightDir(Vec3f{0, 1, 0});
  drawLit(m, ramp);
  EXPECT_EQ(at(4, 4), 10);  // grazing
  // A quarter turn about z takes the normal from +x to -y, straight toward the light.
  identityView(8, 8);
  setDither(false);
  setLightDir(Vec3f{0, 1, 0});
  modelRotate(float(kPi / 2), worldZ);
  drawLit(m, ramp);
  EXPECT_EQ(at(4, 4), 17);
}

TEST(FlatModels, MaterialIdsPickColoursAndBadIdsAreSkippedOnce) {
  identityView(8, 8);
  Model m = oneTriangle(Vec3f{-0.9f, -0.9f, 0}, Vec3f{0.9f, -0.9f, 0}, Vec3f{0, 0.9f, 0}, Vec3f{0, 0, 1}, 2);
  m.filename = "bad.obj";
  FaceSet bad = m.faceSets[0];
  bad.materialId = 8;
  m.faceSets.insert(m.faceSets.begin(), bad);
  const std::array<ColorId, 8> colors{20, 21, 22, 23, 24, 25, 26, 27};
  const test::LogCapture capture;
  drawFlat(m, colors);
  drawFlat(m, colors);
  const std::string out = capture.out();
  EXPECT_EQ(out, "model bad.obj: material id 8 has no colour among 8, its faces are not drawn\n");
  EXPECT_EQ(at(4, 4), 22);
}

TEST(FlatModels, VertexIndexOutsideAHandBuiltModelIsAnIndexError) {
  identityView(8, 8);
  Model m = oneTriangle(Vec3f{}, Vec3f{}, Vec3f{}, Vec3f{0, 0, 1});
  m.faceSets[0].faces[0].vertexIndices[2] = 3;
  const std::array<ColorId, 8> colors{};
  EXPECT_THROW(drawFlat(m, colors), IndexError);
  EXPECT_THROW(drawWire(m), IndexError);
}

TEST(FlatModels, WireOutlinesEveryFace) {
  identityView(8, 8);
  setColor(5);
  Model m = oneTriangle(Vec3f{0, 0, 0}, Vec3f{0.5f, 0, 0}, Vec3f{0, 0.5f, 0}, Vec3f{0, 0, 1});
  drawWire(m);
  EXPECT_EQ(changedPixels(), (Pixels{{2, 4}, {3, 4}, {4, 4}, {4, 3}, {4, 2}, {3, 3}}));
}

TEST(DepthBuffer, FollowsTheScreenSizeAndShowsTheStencil) {
  identityView(6, 5);
  resetLoopState();
  initRenderer3d();
  EXPECT_EQ(renderState().depthBuffer.size(), 30u);
  setCanvasSize(10, 4);
  for (auto& f : loopState().resizeFuncs) f(10, 4);
  EXPECT_EQ(renderState().depthBuffer.size(), 40u);
  identityView(6, 5);
  stencilClear(40);
  renderState().depthPal[40] = 3;
  drawDepthBuffer();
  EXPECT_EQ(at(0, 0), 3);
  EXPECT_EQ(at(5, 4), 3);
}

}  // namespace
}  // namespace dx
