#pragma once
// The renderer's state: the model, view and projection transforms with their lazily kept
// product, the camera and light, and the depth settings of the rasteriser.
#include <array>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "geom/vec.h"
#include "render3d/mat4.h"

namespace dx {

inline constexpr Vec3f worldOrigin{0.0f, 0.0f, 0.0f};
inline constexpr Vec3f worldUp{0.0f, 0.0f, 1.0f};
inline constexpr Vec3f worldY{0.0f, 1.0f, 0.0f};
inline constexpr Vec3f worldZ{0.0f, 0.0f, 1.0f};

struct RenderState {
  Mat4 modelMatrix = mat4x4f(1.0f);
  Mat4 viewMatrix = mat4x4f(1.0f);
  Mat4 projectionMatrix = mat4x4f(1.0f);
  Mat4 mvp = mat4x4f(1.0f);
  bool mvpDirty = false;
  Vec3f cameraPos{};
  Vec3f cameraDir{};
  Vec3f lightDir{0.0f, 1.0f, 0.0f};  // the direction the light travels
  float near = 0.0f, far = 0.0f;
  float perspectiveWidth = 0.0f, perspectiveHeight = 0.0f;
  bool depthTest = false;
  bool depthWrite = false;
  bool lightDithering = true;
  std::vector<uint8_t> depthBuffer;  // spare per-pixel store; the depth test uses the stencil
  std::array<uint8_t, 256> depthPal = identityPal();
  // Faults of model files already reported, so a bad model does not flood the log every frame.
  std::set<std::string> reportedModelFaults;

  static std::array<uint8_t, 256> identityPal() {
    std::array<uint8_t, 256> p{};
    for (int i = 0; i < 256; ++i) p[i] = uint8_t(i);
    return p;
  }
};

RenderState& renderState();
void resetRenderState();

void setPerspective(float fovDegrees, float near, float far);
void setCamera3D(Vec3f eye, Vec3f target, Vec3f up);
void setLightDir(Vec3f d);

void modelReset();
void modelTranslate(Vec3f v);
void modelTranslate(float x, float y, float z);
void modelRotate(float angle, Vec3f axis);
void modelScale(float s);
void modelScale(Vec3f s);
// Recomputes mvp = (projection * view) * model when a transform changed since the last call.
void refreshMVP();

// Depth test and depth write together.
void setUseDepth(bool b);
// Lit models: 32 dithered shades when on, 8 plain ones when off.
void setDither(bool b);

}  // namespace dx
