// The shipped models: their structure (closed, outward-wound, colour slots in range, the car
// frame) and their look, rendered from the car editor's camera and compared with committed
// reference pictures. DX_UPDATE_REFERENCES=1 rewrites the references from the current output.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <utility>
#include <vector>

#include "framework/canvas.h"
#include "framework/palette.h"
#include "render3d/model_draw.h"
#include "render3d/render_state.h"
#include "render3d/reset_render3d.h"
#include "test_support.h"

namespace dx {
namespace {

namespace fs = std::filesystem;

struct ShippedModel {
  std::string name;  // path below assets/, without ".obj"
  fs::path file;
};

std::vector<ShippedModel> shippedModels() {
  const fs::path assets = fs::path(test::sourceDir()) / "assets";
  std::vector<ShippedModel> out;
  for (const fs::path& dir : {assets, assets / "components"}) {
    if (!fs::exists(dir)) continue;
    for (const auto& e : fs::directory_iterator(dir)) {
      if (e.path().extension() != ".obj") continue;
      const std::string prefix = dir == assets ? "" : "components_";
      out.push_back({prefix + e.path().stem().string(), e.path()});
    }
  }
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  return out;
}

Model loadQuietly(const fs::path& file) {
  Model m;
  const test::LogCapture capture;
  loadObjFile(file.string(), m);
  EXPECT_EQ(capture.out(), "") << file;
  return m;
}

int corners(const Face& f) { return f.isQuad() ? 4 : 3; }

TEST(ShippedModels, TheCatalogueSetIsComplete) {
  std::map<std::string, int> kinds;
  bool hex = false;
  int cars = 0;
  for (const auto& m : shippedModels()) {
    if (m.name.starts_with("components_")) ++kinds[m.name.substr(11, m.name.find('_', 11) - 11)];
    hex = hex || m.name == "hex";
    cars += m.name.starts_with("car");
  }
  EXPECT_GE(kinds["hull"], 3);
  EXPECT_GE(kinds["thruster"], 3);
  EXPECT_GE(kinds["heatsink"], 2);
  EXPECT_GE(kinds["wing"], 3);
  EXPECT_GE(kinds["cover"], 2);
  EXPECT_GE(kinds["pod"], 2);
  EXPECT_TRUE(hex);
  EXPECT_EQ(cars, 4);
}

// Every face is wound counter-clockwise about its stored normal, and every edge is walked once
// in each direction: closed solids whose outside is what back-face culling keeps.
TEST(ShippedModels, ClosedAndWoundOutward) {
  for (const auto& sm : shippedModels()) {
    SCOPED_TRACE(sm.name);
    const Model m = loadQuietly(sm.file);
    std::map<std::pair<int64_t, int64_t>, int> edges;
    for (const FaceSet& set : m.faceSets) {
      EXPECT_GE(set.materialId, 0);
      EXPECT_LT(set.materialId, 8);
      for (const Face& f : set.faces) {
        const Vec3f a = m.vertices[f.vertexIndices[0]], b = m.vertices[f.vertexIndices[1]];
        const Vec3f c = m.vertices[f.vertexIndices[2]];
        EXPECT_GT(dot(cross(b - a, c - a), f.normal), 0.0f);
        for (int i = 0; i < corners(f); ++i) ++edges[{f.vertexIndices[i], f.vertexIndices[(i + 1) % corners(f)]}];
      }
    }
    int unmatched = 0;
    for (const auto& [e, n] : edges) {
      auto back = edges.find({e.second, e.first});
      unmatched += back == edges.end() || back->second != n;
    }
    EXPECT_EQ(unmatched, 0);
  }
}

TEST(ShippedModels, CarsFaceMinusYAndRestOnTheGround) {
  for (const auto& sm : shippedModels()) {
    if (sm.name == "hex") continue;
    SCOPED_TRACE(sm.name);
    const Model m = loadQuietly(sm.file);
    Vec3f lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
    for (Vec3f v : m.vertices) {
      lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
      hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
    }
    // Everything lies within the car's box: 10 long from the nose at y = -5, the engines
    // reaching back toward the flame at y = 7.
    EXPECT_GE(lo.y, -5.2f);
    EXPECT_LE(hi.y, 6.6f);
    EXPECT_LE(std::max(-lo.x, hi.x), 3.4f);
    EXPECT_GE(lo.z, 0.0f);
    EXPECT_LE(hi.z, 3.0f);
    if (sm.name.starts_with("car")) {
      EXPECT_EQ(lo.z, 0.0f);
      EXPECT_LE(lo.y, -4.9f);
    }
  }
}

// ---- pictures ----

constexpr int kW = 240, kH = 136;
using Rgb = std::vector<uint8_t>;

Rgb canvasRgb() {
  const Palette pal = loadPaletteDefault();
  Rgb out;
  for (uint8_t c : drawState().swCanvas->data) {
    out.push_back(pal.colors[c].r);
    out.push_back(pal.colors[c].g);
    out.push_back(pal.colors[c].b);
  }
  return out;
}

bool writePng(const fs::path& file, const Rgb& rgb) {
  fs::create_directories(file.parent_path());
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  img.width = kW;
  img.height = kH;
  img.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&img, file.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

bool readPng(const fs::path& file, Rgb& rgb) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, file.c_str())) return false;
  img.format = PNG_FORMAT_RGB;
  if (img.width != kW || img.height != kH) {
    png_image_free(&img);
    return false;
  }
  rgb.assign(PNG_IMAGE_SIZE(img), 0);
  return png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr) != 0;
}

// The car editor's view, turned so that the tail, the top and the right side show.
void editorScene() {
  resetRender3dModules();
  test::freshCanvas(kW, kH, 0);
  stencilClear(255);
  setPerspective(50.0f, 1.0f, 100.0f);
  setCamera3D(Vec3f{15.0f, 0.0f, 7.19f}, worldOrigin, worldUp);
  setLightDir(-normalized(Vec3f{5, 5, 5}));
  modelRotate(0.8f, worldUp);
  setUseDepth(true);
}

void checkPicture(const std::string& name, const Rgb& rgb) {
  const fs::path out = fs::path(test::buildDir()) / "render3d-pictures" / (name + ".png");
  const fs::path ref = fs::path(test::sourceDir()) / "tests" / "render3d" / "reference" / (name + ".png");
  ASSERT_TRUE(writePng(out, rgb)) << out;
  if (std::getenv("DX_UPDATE_REFERENCES")) {
    ASSERT_TRUE(writePng(ref, rgb)) << ref;
  }
  Rgb want;
  ASSERT_TRUE(readPng(ref, want)) << "missing reference " << ref;
  int differing = 0;
  for (size_t i = 0; i < rgb.size(); i += 3) differing += !std::equal(&rgb[i], &rgb[i] + 3, &want[i]);
  EXPECT_EQ(differing, 0) << "pixels differ from " << ref << "; see " << out;
}

TEST(ShippedModels, PicturesMatchTheReferences) {
  // A team ramp in the default palette: dark grey, red body and its shade, orange and yellow
  // accents, grey, blue glow, white lights.
  const std::array<ColorId, 8> team{5, 8, 2, 9, 10, 6, 12, 7};
  const std::array<ColorId, 8> ramp{0, 1, 5, 5, 13, 13, 6, 7};
  for (const auto& sm : shippedModels()) {
    SCOPED_TRACE(sm.name);
    const Model m = loadQuietly(sm.file);
    // The column is two units wide; shown three times larger.
    const float size = sm.name == "hex" ? 3.0f : 1.0f;
    editorScene();
    modelScale(size);
    drawFlat(m, team);
    checkPicture(sm.name + "_flat", canvasRgb());
    editorScene();
    modelScale(size);
    drawLit(m, ramp);
    checkPicture(sm.name + "_lit", canvasRgb());
  }
}

}  // namespace
}  // namespace dx
