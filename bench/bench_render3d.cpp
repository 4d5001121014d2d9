// Drawing a whole car (the six component models) from the car editor's camera and from the
// race camera, flat and lit, into the game's 240 x 136 canvas; and the raw fill rate of a
// depth-tested quad covering the screen.
#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <vector>

#include "framework/canvas.h"
#include "geom/vec.h"
#include "render3d/model_draw.h"
#include "render3d/rasterizer.h"
#include "render3d/render_state.h"

namespace {

constexpr int W = 240, H = 136;
const std::array<dx::ColorId, 8> kTeam{5, 8, 2, 9, 10, 6, 12, 7};
const std::array<dx::ColorId, 8> kRamp{0, 1, 5, 5, 13, 13, 6, 7};

const std::vector<dx::Model>& car() {
  static const std::vector<dx::Model> parts = [] {
    std::vector<dx::Model> out;
    for (const char* name :
         {"hull_dart", "thruster_single", "heatsink_fins", "wing_delta", "pod_side", "cover_bubble"}) {
      out.emplace_back();
      dx::loadObjFile(std::string(DX_ASSETS) + "/components/" + name + ".obj", out.back());
    }
    return out;
  }();
  return parts;
}

void scene(bool race) {
  dx::resetDrawState();
  dx::setCanvasSize(W, H);
  dx::resetRenderState();
  if (race) {
    dx::setPerspective(35.0f, 2.0f, 50.0f);
    dx::setCamera3D(dx::Vec3f{0, 10, 23.8f}, dx::Vec3f{0, 0, 2}, dx::normalized(dx::Vec3f{0, -1, 1}));
    dx::modelTranslate(dx::Vec3f{0, 0, 2});
    dx::modelRotate(2.0f, -dx::worldZ);
    dx::modelScale(0.125f);
  } else {
    dx::setPerspective(50.0f, 1.0f, 100.0f);
    dx::setCamera3D(dx::Vec3f{15, 0, 7.19f}, dx::worldOrigin, dx::worldUp);
    dx::modelRotate(0.8f, dx::worldUp);
  }
  dx::setLightDir(-dx::normalized(dx::Vec3f{5, 5, 5}));
  dx::setUseDepth(true);
}

int64_t faceCount() {
  int64_t n = 0;
  for (const auto& m : car())
    for (const auto& s : m.faceSets) n += int64_t(s.faces.size());
  return n;
}

template <bool Lit, bool Race>
void BM_car(benchmark::State& st) {
  scene(Race);
  for (auto _ : st) {
    dx::stencilClear(255);
    for (const auto& m : car()) {
      if (Lit)
        dx::drawLit(m, kRamp);
      else
        dx::drawFlat(m, kTeam);
    }
    benchmark::ClobberMemory();
  }
  st.counters["faces"] = double(faceCount());
}
BENCHMARK(BM_car<false, false>)->Name("BM_car_flat_editor");
BENCHMARK(BM_car<true, false>)->Name("BM_car_lit_editor");
BENCHMARK(BM_car<false, true>)->Name("BM_car_flat_race");
BENCHMARK(BM_car<true, true>)->Name("BM_car_lit_race");

void BM_screen_quad_depth(benchmark::State& st) {
  scene(false);
  dx::setColor(6);
  for (auto _ : st) {
    dx::stencilClear(255);
    dx::quadfill3d(dx::Vec3f{0, -15, -10}, dx::Vec3f{0, 15, -10}, dx::Vec3f{0, 15, 10}, dx::Vec3f{0, -15, 10});
    benchmark::ClobberMemory();
  }
  st.counters["px"] = double(W * H);
}
BENCHMARK(BM_screen_quad_depth);

}  // namespace

BENCHMARK_MAIN();
