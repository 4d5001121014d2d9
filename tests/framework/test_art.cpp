#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "art.h"
#include "framework/font.h"
#include "framework/png_io.h"
#include "framework/reset_framework.h"
#include "framework/run_loop.h"
#include "framework/spritesheet.h"
#include "test_support.h"

namespace dx {
namespace {

namespace fs = std::filesystem;

// Loads the committed art the way the game does.
class ShippedArt : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFrameworkModules();
    loopState().assetPath = test::sourceDir() + "/assets";
    const test::LogCapture capture;
    palette_ = loadPaletteFromGPL("palette.gpl");
    loadSpriteSheet(0, "spritesheet.png", 8, 8);
    loadFont(0, "font.png", fontChars);
    loadFont(1, "font5x5.png", font5x5Chars);
    setSpritesheet(0);
  }
  void TearDown() override { resetFrameworkModules(); }
  // Opaque pixels of a sprite w x h tiles big.
  static int opaque(int spr, int w, int h) {
    int n = 0;
    for (int y = 0; y < h * 8; ++y)
      for (int x = 0; x < w * 8; ++x) n += sget((spr % 16) * 8 + x, (spr / 16) * 8 + y) != 0;
    return n;
  }
  Palette palette_;
};

TEST_F(ShippedArt, CommittedFilesMatchTheGenerator) {
  const Palette p = artPalette();
  EXPECT_EQ(palette_.size, p.size);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(palette_.colors[i], p.colors[i]) << "colour " << i;
  const SurfacePtr sheet = artSpritesheet();
  EXPECT_EQ(drawState().spritesheets[0]->data, sheet->data);
  const std::string dir = test::sourceDir() + "/assets/";
  EXPECT_EQ(loadSurfaceRGBA(dir + "font.png")->data, artFont()->data);
  EXPECT_EQ(loadSurfaceRGBA(dir + "font5x5.png")->data, artFont5x5()->data);
}

TEST_F(ShippedArt, PaletteKeepsTheDefaultRoles) {
  const Palette d = loadPaletteDefault();
  for (int i = 0; i < 16; ++i) {
    EXPECT_LE(std::abs(palette_.colors[i].r - d.colors[i].r), 24) << i;
    EXPECT_LE(std::abs(palette_.colors[i].g - d.colors[i].g), 24) << i;
    EXPECT_LE(std::abs(palette_.colors[i].b - d.colors[i].b), 24) << i;
  }
  EXPECT_GT(palette_.size, 64);
}

// A car is a few pixels on screen and mostly shows the tops of its parts, in its team's body
// colour: that colour must stand well clear of the road of every shipped style (palette entries 1,
// 5 and 13: city night, desert, snow), the user's team (0) most of all, and the user's car must
// not look like the training cars (team 1).
TEST_F(ShippedArt, TeamColoursInRow32StandOutOnEveryRoad) {
  auto luma = [&](int c) {
    const RGB& k = palette_.colors[c];
    return 0.299f * float(k.r) + 0.587f * float(k.g) + 0.114f * float(k.b);
  };
  std::set<int> seen;
  for (int team = 0; team < 6; ++team) {
    for (int j = 0; j < 8; ++j) {
      const int c = sget(8 * team + j, 32);
      EXPECT_EQ(c, teamRampFirst + 8 * team + j);
      EXPECT_TRUE(seen.insert(c).second);
    }
    const int body = sget(8 * team + 1, 32), dark = sget(8 * team, 32);
    EXPECT_LT(luma(dark), luma(body) - 100) << team;
    for (int road : {1, 5, 13}) EXPECT_GT(luma(body) - luma(road), team == 0 ? 75 : 40) << team << " " << road;
  }
  const RGB& user = palette_.colors[size_t(sget(1, 32))];
  const RGB& ai = palette_.colors[size_t(sget(9, 32))];
  EXPECT_GT(std::abs(user.r - ai.r) + std::abs(user.g - ai.g) + std::abs(user.b - ai.b), 250);
}

TEST_F(ShippedArt, FixedSpritesAndPropsHavePixels) {
  for (const PropSprite& p : propSprites()) EXPECT_GT(opaque(p.spr, p.w, p.h), 8 * p.w * p.h) << p.name;
  EXPECT_GT(opaque(snowTreeBase, 2, 2), 100);
  EXPECT_GT(opaque(snowTreeTier, 2, 2), 50);
  EXPECT_GT(opaque(snowTreeSnow, 2, 2), 12);
  // The fog thins out from the dense puff to the faint one.
  EXPECT_GT(opaque(fogDense, 2, 2), opaque(fogMedium, 2, 2));
  EXPECT_GT(opaque(fogMedium, 2, 2), opaque(fogFaint, 2, 2));
  EXPECT_GT(opaque(fogFaint, 2, 2), 10);
}

// The canvas through the palette, as the presentation shows it.
Surface toRGBA(const Surface& canvas, const Palette& p) {
  Surface out;
  out.channels = 4;
  out.w = canvas.w;
  out.h = canvas.h;
  for (uint8_t c : canvas.data) {
    const RGB& k = p.colors[c];
    out.data.insert(out.data.end(), {k.r, k.g, k.b, 255});
  }
  return out;
}

// Both fonts' whole glyph sets, the spritesheet and a palette swatch in one picture, compared
// with the committed reference. DX_UPDATE_REFERENCES=1 rewrites the reference instead.
TEST_F(ShippedArt, PictureMatchesTheReference) {
  setCanvasSize(256, 208);
  auto& px = drawState().swCanvas->data;
  std::fill(px.begin(), px.end(), uint8_t(1));
  spr(0, 0, 0, 16, 16);
  for (int c = 0; c < palette_.size - 1; ++c) {
    setColor(c);
    rectfill(128 + (c % 8) * 16, (c / 8) * 8, 128 + (c % 8) * 16 + 15, (c / 8) * 8 + 7);
  }
  setColor(7);
  const std::string glyphs(fontChars);
  setFont(1);
  print(glyphs.substr(0, 47) + "\n" + glyphs.substr(47), 2, 130, 1);
  print("The quick brown fox jumps over the lazy dog, 0123456789.", 2, 143, 1);
  setFont(0);
  print(glyphs.substr(0, 32) + "\n" + glyphs.substr(32, 32) + "\n" + glyphs.substr(64), 2, 151, 1);
  setColor(9);
  printr("246", 254, 175, 1);
  setColor(11);
  print("Boost Ready", 2, 175, 1);
  setColor(8);
  print("DRAXEN 3516", 2, 186, 2);

  const Surface picture = toRGBA(*drawState().swCanvas, palette_);
  const fs::path out = fs::path(test::buildDir()) / "test-art" / "art_picture.png";
  fs::create_directories(out.parent_path());
  writePngRGBA(out.string(), picture);
  const std::string reference = test::sourceDir() + "/tests/framework/reference/art_picture.png";
  if (std::getenv("DX_UPDATE_REFERENCES")) writePngRGBA(reference, picture);
  const SurfacePtr expected = loadSurfaceRGBA(reference);
  ASSERT_EQ(expected->w, picture.w);
  ASSERT_EQ(expected->h, picture.h);
  EXPECT_TRUE(expected->data == picture.data) << "picture differs from the reference; see " << out;
}

}  // namespace
}  // namespace dx
