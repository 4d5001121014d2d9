#include <gtest/gtest.h>

#include <cmath>

#include "framework/errors.h"
#include "framework/numeric.h"
#include "render3d/mat4.h"
#include "render3d/render_state.h"
#include "render3d/reset_render3d.h"
#include "test_support.h"

namespace dx {
namespace {

void expectNear(Vec4f got, Vec4f want, float tol = 1e-5f) {
  EXPECT_NEAR(got.x, want.x, tol);
  EXPECT_NEAR(got.y, want.y, tol);
  EXPECT_NEAR(got.z, want.z, tol);
  EXPECT_NEAR(got.w, want.w, tol);
}

TEST(Mat4Ops, ElementsAreColumnMajor) {
  Mat4 m;
  m(1, 2) = 5.0f;
  EXPECT_EQ(m.m[6], 5.0f);
  EXPECT_EQ(row(m, 2).y, 5.0f);
  EXPECT_EQ(transpose(m)(2, 1), 5.0f);
  EXPECT_THROW(m(4, 0), IndexError);
  EXPECT_THROW(m(0, -1), IndexError);
  EXPECT_THROW(row(m, 4), IndexError);
}

TEST(Mat4Ops, RotationTurnsXTowardMinusY) {
  const Mat4 r = rotate(float(kPi / 2), Vec3f{0, 0, 1});
  expectNear(r * Vec4f{1, 0, 0, 1}, Vec4f{0, -1, 0, 1});
  expectNear(r * Vec4f{0, 1, 0, 1}, Vec4f{1, 0, 0, 1});
  // The axis is used as given: a doubled axis does not describe the same rotation.
  EXPECT_NE(rotate(1.0f, Vec3f{0, 0, 2}), rotate(1.0f, Vec3f{0, 0, 1}));
}

TEST(Mat4Ops, PerspectiveElements) {
  const Mat4 p = perspectiveRH(float(kPi / 2), 1.0f, 1.0f, 100.0f);
  EXPECT_FLOAT_EQ(p(0, 0), 1.0f);
  EXPECT_FLOAT_EQ(p(1, 1), 1.0f);
  EXPECT_FLOAT_EQ(p(2, 2), -101.0f / 99.0f);
  EXPECT_FLOAT_EQ(p(3, 2), -200.0f / 99.0f);
  EXPECT_EQ(p(2, 3), -1.0f);
  EXPECT_EQ(p(3, 3), 0.0f);
  EXPECT_EQ(p(0, 1), 0.0f);
}

TEST(Mat4Ops, LookAtPutsTheTargetAheadOfTheEye) {
  const Mat4 v = lookAt(Vec3f{15, 0, 0}, Vec3f{0, 0, 0}, Vec3f{0, 0, 1});
  expectNear(v * Vec4f{15, 0, 0, 1}, Vec4f{0, 0, 0, 1});
  expectNear(v * Vec4f{0, 0, 0, 1}, Vec4f{0, 0, -15, 1});
  expectNear(v * Vec4f{0, 0, 1, 1}, Vec4f{0, 1, -15, 1});  // up stays up
}

TEST(Mat4Ops, TranslateScaleAndProductsCompose) {
  Mat4 m = translate(mat4x4f(1.0f), Vec3f{1, 2, 3});
  m = scale(m, 2.0f);
  // The last operation acts first on the point.
  expectNear(m * Vec4f{1, 1, 1, 1}, Vec4f{3, 4, 5, 1});
  expectNear(scale(mat4x4f(1.0f), Vec3f{1, 2, 3}) * Vec4f{1, 1, 1, 0}, Vec4f{1, 2, 3, 0});
  const Mat4 r = rotate(0.3f, Vec3f{0, 1, 0});
  expectNear((m * r) * Vec4f{1, 0, 0, 1}, m * (r * Vec4f{1, 0, 0, 1}));
}

TEST(Mat4Ops, InverseUndoesAGeneralTransform) {
  Mat4 m = rotate(translate(mat4x4f(1.0f), Vec3f{4, -2, 7}), 0.7f, normalized(Vec3f{1, 2, 3}));
  m = scale(m, Vec3f{2, 3, 0.5f});
  const Mat4 p = perspectiveRH(1.0f, 1.5f, 1.0f, 50.0f) * m;
  const Mat4 id = inverse(p) * p;
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) EXPECT_NEAR(id(c, r), c == r ? 1.0f : 0.0f, 1e-4f) << c << "," << r;
}

TEST(RendererState, MvpIsRecomputedOnceWhenNeeded) {
  resetRender3dModules();
  test::freshCanvas(240, 136);
  RenderState& r = renderState();
  EXPECT_EQ(r.lightDir, (Vec3f{0, 1, 0}));
  EXPECT_TRUE(r.lightDithering);
  setPerspective(50.0f, 1.0f, 100.0f);
  EXPECT_EQ(r.perspectiveWidth, 240.0f);
  EXPECT_EQ(r.perspectiveHeight, 136.0f);
  EXPECT_EQ(r.near, 1.0f);
  EXPECT_EQ(r.far, 100.0f);
  setCamera3D(Vec3f{15, 0, 0}, worldOrigin, worldUp);
  setCamera3D(Vec3f{15, 0, 7.19f}, worldOrigin, worldUp);
  EXPECT_TRUE(r.mvpDirty);
  EXPECT_EQ(r.mvp, mat4x4f(1.0f));  // nothing computed yet
  EXPECT_NEAR(r.cameraDir.z, -7.19f / std::sqrt(15.0f * 15.0f + 7.19f * 7.19f), 1e-6f);
  modelRotate(0.5f, worldUp);
  refreshMVP();
  EXPECT_FALSE(r.mvpDirty);
  EXPECT_EQ(r.mvp, (r.projectionMatrix * r.viewMatrix) * r.modelMatrix);
  // Without a change the product is not recomputed.
  const Mat4 before = r.mvp;
  r.projectionMatrix = mat4x4f(2.0f);
  refreshMVP();
  EXPECT_EQ(r.mvp, before);
  modelReset();
  EXPECT_TRUE(r.mvpDirty);
  EXPECT_EQ(r.modelMatrix, mat4x4f(1.0f));
}

TEST(RendererState, ModelTransformsPostMultiply) {
  resetRender3dModules();
  modelTranslate(1.0f, 0.0f, 0.0f);
  modelScale(Vec3f{2, 2, 2});
  modelRotate(float(kPi / 2), worldZ);
  const Vec4f p = renderState().modelMatrix * Vec4f{1, 0, 0, 1};
  // Rotated first (x to -y), then scaled, then moved.
  expectNear(p, Vec4f{1, -2, 0, 1});
}

}  // namespace
}  // namespace dx
