#include "render3d/render_state.h"

#include "framework/canvas.h"
#include "framework/numeric.h"

namespace dx {

namespace {

RenderState gRender;

}  // namespace

RenderState& renderState() { return gRender; }

void resetRenderState() { gRender = RenderState{}; }

void setPerspective(float fovDegrees, float near, float far) {
  const DrawState& d = drawState();
  gRender.perspectiveWidth = float(d.screenWidth);
  gRender.perspectiveHeight = float(d.screenHeight);
  gRender.projectionMatrix =
      perspectiveRH(float(deg2rad(fovDegrees)), float(d.screenWidth) / float(d.screenHeight), near, far);
  gRender.near = near;
  gRender.far = far;
  gRender.mvpDirty = true;
}

void setCamera3D(Vec3f eye, Vec3f target, Vec3f up) {
  gRender.cameraPos = eye;
  gRender.cameraDir = normalized(target - eye);
  gRender.viewMatrix = lookAt(eye, target, up);
  gRender.mvpDirty = true;
}

void setLightDir(Vec3f d) { gRender.lightDir = d; }

void modelReset() {
  gRender.modelMatrix = mat4x4f(1.0f);
  gRender.mvpDirty = true;
}

void modelTranslate(Vec3f v) {
  gRender.modelMatrix = translate(gRender.modelMatrix, v);
  gRender.mvpDirty = true;
}

void modelTranslate(float x, float y, float z) { modelTranslate(Vec3f{x, y, z}); }

void modelRotate(float angle, Vec3f axis) {
  gRender.modelMatrix = rotate(gRender.modelMatrix, angle, axis);
  gRender.mvpDirty = true;
}

void modelScale(float s) {
  gRender.modelMatrix = scale(gRender.modelMatrix, s);
  gRender.mvpDirty = true;
}

void modelScale(Vec3f s) {
  gRender.modelMatrix = scale(gRender.modelMatrix, s);
  gRender.mvpDirty = true;
}

void refreshMVP() {
  if (!gRender.mvpDirty) return;
  gRender.mvp = (gRender.projectionMatrix * gRender.viewMatrix) * gRender.modelMatrix;
  gRender.mvpDirty = false;
}

void setUseDepth(bool b) { gRender.depthTest = gRender.depthWrite = b; }

void setDither(bool b) { gRender.lightDithering = b; }

}  // namespace dx
