// The background tilesets and tile maps: the committed files load through the framework's
// loaders, use only palette colours and tiles that exist, and are what the generator makes.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "framework/palette.h"
#include "framework/png_io.h"
#include "framework/reset_framework.h"
#include "framework/run_loop.h"
#include "framework/tilemap.h"
#include "gen_backgrounds/backgrounds.h"
#include "test_support.h"

namespace dx {
namespace {

std::string assetsDir() { return test::sourceDir() + "/assets"; }

class Backgrounds : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFrameworkModules();
    loopState().assetPath = assetsDir();
    ramps = rampsFromGpl(test::slurp(assetsDir() + "/palette.gpl"));
    palette = loadPaletteFromGPL("palette.gpl");
  }
  void TearDown() override { resetFrameworkModules(); }
  Ramps ramps;
  Palette palette;
};

TEST(Ramps, ReadByNameInFileOrderWithTheFirstSixteenAsBase) {
  std::string gpl = "GIMP Palette\nName: test\n# comment\n";
  for (int i = 0; i < 16; ++i) gpl += "0 0 0\tbase " + std::to_string(i) + "\n";
  gpl += " 10  20  30\tsand 0\n40 50 60\tsand 1\n1 2 3\tdeep water 0\r\n";
  const Ramps r = rampsFromGpl(gpl);
  ASSERT_EQ(r.at("base").size(), 16u);
  EXPECT_EQ(r.at("base")[15], 15);
  EXPECT_EQ(r.at("sand"), (std::vector<uint8_t>{16, 17}));
  EXPECT_EQ(r.at("deep water"), (std::vector<uint8_t>{18}));
}

TEST_F(Backgrounds, TilesetsAreIndexedPalettePicturesAsGenerated) {
  for (Scene s : kScenes) {
    const SurfacePtr committed = loadSurfaceIndexed(assetsDir() + "/" + tilesetFile(s));
    const SurfacePtr sprites = loadSurfaceIndexed(assetsDir() + "/spritesheet.png");
    ASSERT_EQ(committed->w, sprites->w) << tilesetFile(s);
    ASSERT_EQ(committed->h, sprites->h) << tilesetFile(s);
    for (uint8_t v : committed->data) ASSERT_LT(int(v), palette.size) << tilesetFile(s);
    EXPECT_EQ(committed->data, composeStyleSheet(*sprites, *drawTileset(s, ramps))->data)
        << tilesetFile(s) << " is stale: rebuild it with the regenerate_backgrounds target";
    // The scenery is drawn from this sheet: every prop sprite is where the main sheet has it.
    for (int y = 0; y < kFirstBackgroundTile / kSheetColumns * 8; ++y)
      for (int x = 0; x < sprites->w; ++x) ASSERT_EQ(get(*committed, x, y), get(*sprites, x, y));
  }
}

TEST_F(Backgrounds, TileMapsLoadThroughTheFrameworkAsGenerated) {
  for (Scene s : kScenes) {
    loadTilemap(0, tileMapFile(s));
    const Tilemap& m = *tilemapState().tilemaps[0];
    EXPECT_EQ(m.w, kBackgroundSide) << tileMapFile(s);
    EXPECT_EQ(m.h, kBackgroundSide) << tileMapFile(s);
    EXPECT_EQ(m.tw, 8);
    EXPECT_EQ(m.th, 8);
    EXPECT_FALSE(m.hex);
    for (uint8_t t : m.data) {
      ASSERT_GE(int(t), kFirstBackgroundTile) << tileMapFile(s);
      ASSERT_LT(int(t), kFirstBackgroundTile + kTileCount) << tileMapFile(s);
    }
    EXPECT_EQ(m.data, tileMap(s)) << tileMapFile(s) << " is stale: rebuild it with the regenerate_backgrounds target";
  }
}

TEST(TileMapFiles, BinaryAndTiledEncodings) {
  const std::vector<uint8_t> tiles = {3, 0, 15, 7, 1, 2};
  const std::string bin = encodeBinaryTileMap(tiles, 3, 2);
  EXPECT_EQ(bin, std::string("\x03\0\0\0\x02\0\0\0\x03\0\x0f\x07\x01\x02", 14));
  const nlohmann::json doc = nlohmann::json::parse(encodeTiledJson(tiles, 3, 2, "../tiles.png"));
  EXPECT_EQ(doc["width"], 3);
  EXPECT_EQ(doc["height"], 2);
  EXPECT_EQ(doc["tilewidth"], 8);
  EXPECT_EQ(doc["tileheight"], 8);
  EXPECT_EQ(doc["orientation"], "orthogonal");
  EXPECT_EQ(doc["layers"][0]["data"], nlohmann::json::parse("[4, 1, 16, 8, 2, 3]"));
  EXPECT_EQ(doc["tilesets"][0]["image"], "../tiles.png");
}

}  // namespace
}  // namespace dx
