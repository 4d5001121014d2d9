// Inputs that once crashed a reader (found by the fuzz targets in fuzz/), each with the result
// it now gets: the reader's own error or a normal load, never undefined behaviour.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "car/car.h"
#include "car/reset_car.h"
#include "framework/canvas.h"
#include "framework/errors.h"
#include "framework/font.h"
#include "framework/png_io.h"
#include "framework/run_loop.h"
#include "framework/tilemap.h"
#include "map/map_source.h"
#include "map/track.h"
#include "render3d/model.h"
#include "test_support.h"

namespace dx {
namespace {

namespace fs = std::filesystem;

class FuzzRegression : public ::testing::Test {
 protected:
  void SetUp() override {
    resetCarModules();
    dir_ = fs::path(test::buildDir()) / "test-fuzz-regressions";
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "components");
    loopState().assetPath = dir_.string();
  }
  void TearDown() override {
    resetCarModules();
    fs::remove_all(dir_);
  }
  std::string write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return (dir_ / name).string();
  }
  // The message of the GameError that f raises, or "" when it returns.
  template <class F>
  static std::string failure(F&& f) {
    try {
      f();
    } catch (const GameError& e) {
      return e.what();
    }
    return "";
  }
  fs::path dir_;
};

// A placement fraction of -1e30 made the object's node index the smallest 64-bit integer, and
// the node before it an overflow. The file reader now refuses such a fraction; a source built
// in memory still places the object safely.
TEST_F(FuzzRegression, TrackObjectFarBeforeTheStartIsPlacedAtAClampedNode) {
  MapSource src;
  Section straight;
  straight.steps = 4;
  straight.widthL = straight.widthR = 32;
  src.sections = {straight};
  src.trackObjects = {TrackObjectPlacement{toBooster, -1e30f, 0.0f}};
  src.name = "far";
  MapPtr map = fromSource(src);
  ASSERT_EQ(map->trackObjects.size(), 1u);
  // An open track clamps the index to its first node.
  EXPECT_EQ(map->trackObjects[0]->currentNode, 0);
  EXPECT_EQ(map->trackObjects[0]->pos.x, map->path[0].pos.x);
}

// The corner index -9223372036854775808 overflowed when it was made 0-based.
TEST_F(FuzzRegression, ObjFaceWithTheSmallestIntegerIsAnInvalidFace) {
  const std::string path = write("m.obj",
                                 "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\n"
                                 "f -9223372036854775808/1/1 2/1/1 3/1/1\nf 1//1 2//1 3//1\n");
  Model m;
  const test::LogCapture capture;
  loadObjFile(path, m);
  EXPECT_EQ(capture.out(), "invalid face: f -9223372036854775808/1/1 2/1/1 3/1/1 (" + path + " line 5)\n");
  ASSERT_EQ(m.faceSets.size(), 1u);
  ASSERT_EQ(m.faceSets[0].faces.size(), 1u);
  EXPECT_EQ(m.faceSets[0].faces[0].vertexIndices, (std::array<int64_t, 4>{0, 1, 2, -1}));
}

// A surface 12 pixels wide and 0 high had its missing top row read for markers.
TEST_F(FuzzRegression, FontImageWithoutRowsIsRefused) {
  Surface s;
  s.channels = 1;
  s.w = 12;
  s.h = 0;
  s.filename = "font.png";
  EXPECT_EQ(failure([&] { createFontFromSurface(s, "ab"); }), "font.png: a font image needs at least one pixel");
}

// 2^62 x 4 tiles overflowed the size check.
TEST_F(FuzzRegression, TileMapSizeOverflowIsABadSize) {
  write("big.json", R"({"width":4611686018427387904,"height":4,"tilewidth":8,"tileheight":8,)"
                    R"("orientation":"orthogonal","layers":[]})");
  EXPECT_EQ(failure([] { loadTilemap(0, "big.json"); }),
            (dir_ / "big.json").string() + ": bad tile map size 4611686018427387904 x 4");
}

// The hexagon offset overflowed for the smallest side length.
TEST_F(FuzzRegression, TileMapHexSideOutOfRangeIsRefused) {
  write("hex.json", R"({"width":1,"height":1,"tilewidth":8,"tileheight":8,"orientation":"hexagonal",)"
                    R"("hexsidelength":-9223372036854775808,"layers":[{"data":[1]}]})");
  EXPECT_EQ(failure([] { loadTilemap(0, "hex.json"); }),
            (dir_ / "hex.json").string() + ": bad \"hexsidelength\" -9223372036854775808");
}

// A cell of -9223372036854775808 overflowed when it was shifted down by one.
TEST_F(FuzzRegression, TileMapCellsOfAnyIntegerKeepTheirLowByte) {
  write("cells.json", R"({"width":3,"height":1,"tilewidth":8,"tileheight":8,"orientation":"orthogonal",)"
                      R"("layers":[{"data":[-9223372036854775808, 9223372036854775807, 18446744073709551615]}]})");
  loadTilemap(0, "cells.json");
  EXPECT_EQ(tilemapState().tilemaps[0]->data, (std::vector<uint8_t>{0xFF, 0xFE, 0xFE}));
}

// A component named "../…/dev/zero" followed by a NUL opened the endless device as its model
// and read it until memory ran out.
TEST_F(FuzzRegression, ComponentNameWithANulHasNoModel) {
  const std::string path =
      write("catalogue.json", R"({"hulls": [{"name": "../../../../../../../../dev/zero\u0000", "mass": 2}]})");
  const test::LogCapture capture;
  const auto start = std::chrono::steady_clock::now();
  loadCarComponentSettings(path);
  const std::string out = capture.out();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "read an endless file";
  EXPECT_EQ(out, std::string("no model:../../../../../../../../dev/zero") + '\0' + "\n");
  ASSERT_EQ(carCatalogue().carHulls.size(), 1u);
  EXPECT_TRUE(carCatalogue().carHulls[0].model.vertices.empty());
  EXPECT_EQ(carCatalogue().carHulls[0].mass, 2.0f);
}

std::string be32(uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

std::string chunk(const std::string& type, const std::string& data) {
  const std::string body = type + data;
  const auto crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size())));
  return be32(uint32_t(data.size())) + body + be32(crc);
}

// A 25-byte header claiming 16384 x 4096 pixels made the decoder allocate 256 MiB up front.
TEST_F(FuzzRegression, PngHeaderClaimingAHugeImageIsRefusedBeforeAllocating) {
  const std::string ihdr = be32(16384) + be32(4096) + std::string{8, 3, 0, 0, 0};
  const std::string plte("\xff\0\0", 3);
  const std::string path = write("huge.png", "\x89PNG\r\n\x1a\n" + chunk("IHDR", ihdr) + chunk("PLTE", plte) +
                                                 chunk("IDAT", "x") + chunk("IEND", ""));
  const std::string expected = path + ": the image is too large (more than 4096 x 4096 pixels)";
  EXPECT_EQ(failure([&] { loadSurfaceIndexed(path); }), expected);
  EXPECT_EQ(failure([&] { loadSurfaceRGBA(path); }), expected);
}

}  // namespace
}  // namespace dx
