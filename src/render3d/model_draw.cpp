#include "render3d/model_draw.h"

#include <algorithm>
#include <string>
#include <vector>

#include "framework/errors.h"
#include "framework/log.h"
#include "render3d/rasterizer.h"
#include "render3d/render_state.h"

namespace dx {

namespace {

// Every vertex of a model projected once; faces share their corners.
std::vector<ScreenPoint> projectVertices(const Model& m) {
  std::vector<ScreenPoint> out;
  projectPoints(m.vertices, out);
  return out;
}

struct Corners {
  const ScreenPoint* p[4];
  int n;
};

[[noreturn]] __attribute__((noinline)) void badVertexIndex(const Model& m, int64_t k, size_t n) {
  throw IndexError("model " + m.filename + ": vertex index " + std::to_string(k) + " outside " + std::to_string(n) +
                   " vertices");
}

// Loaded models have their indices checked by the loader; a model built in code that refers
// past its vertex list is a programming error.
inline Corners corners(const Model& m, const std::vector<ScreenPoint>& projected, const Face& f) {
  Corners c{{}, f.isQuad() ? 4 : 3};
  for (int i = 0; i < c.n; ++i) {
    const int64_t k = f.vertexIndices[i];
    if (k < 0 || uint64_t(k) >= projected.size()) badVertexIndex(m, k, projected.size());
    c.p[i] = &projected[size_t(k)];
  }
  return c;
}

void fillFace(const Model& m, const std::vector<ScreenPoint>& projected, const Face& f) {
  const Corners c = corners(m, projected, f);
  fillProjected(c.p, c.n);
}

void reportOnce(const std::string& message) {
  if (renderState().reportedModelFaults.insert(message).second) echo(message);
}

// The integer part of v limited to [lo, hi]; NaN counts as lo.
int truncClamped(float v, int lo, int hi) {
  if (!(v > float(lo))) return lo;
  return v >= float(hi) ? hi : int(v);
}

}  // namespace

void drawFlat(const Model& model, std::span<const ColorId> colors) {
  const std::vector<ScreenPoint> projected = projectVertices(model);
  for (const FaceSet& set : model.faceSets) {
    if (set.materialId < 0 || uint64_t(set.materialId) >= colors.size()) {
      reportOnce("model " + model.filename + ": material id " + std::to_string(set.materialId) +
                 " has no colour among " + std::to_string(colors.size()) + ", its faces are not drawn");
      continue;
    }
    setColor(colors[size_t(set.materialId)]);
    for (const Face& f : set.faces) fillFace(model, projected, f);
  }
}

void drawLit(const Model& model, const std::array<ColorId, 8>& ramp) {
  static constexpr uint16_t kShadePatterns[4] = {0x0401, 0xFAFA, 0xFBFE, 0xFFFF};
  const RenderState& r = renderState();
  const Vec3f toLight = -normalized(r.lightDir);
  const std::vector<ScreenPoint> projected = projectVertices(model);
  for (const FaceSet& set : model.faceSets) {
    for (const Face& f : set.faces) {
      const Vec3f n = normalized(xyz(r.modelMatrix * vec4f(f.normal, 0.0f)));
      const float I = dot(n, toLight);
      if (r.lightDithering) {
        const int J = truncClamped(I * 32.0f, 0, 31);
        setColor(ramp[J / 4]);
        setDitherColor(ramp[std::max(0, J / 4 - 1)]);
        ditherPattern(kShadePatterns[J % 4]);
      } else {
        setColor(ramp[truncClamped(I * 8.0f, 0, 7)]);
      }
      setUseDepth(true);
      fillFace(model, projected, f);
    }
  }
  setDitherColor(-1);
  ditherPattern(0xFFFF);
}

void drawWire(const Model& model) {
  const std::vector<ScreenPoint> projected = projectVertices(model);
  for (const FaceSet& set : model.faceSets) {
    for (const Face& f : set.faces) {
      const Corners c = corners(model, projected, f);
      outlineProjected(c.p, c.n);
    }
  }
}

}  // namespace dx
