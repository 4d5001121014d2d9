#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/reset_framework.h"
#include "framework/run_loop.h"
#include "framework/tilemap.h"
#include "test_support.h"

namespace dx {
namespace {

namespace fs = std::filesystem;

class TilemapFile : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFrameworkModules();
    dir_ = fs::path(test::buildDir()) / "test-tilemap";
    fs::create_directories(dir_);
    loopState().assetPath = dir_.string();
  }
  void TearDown() override { resetFrameworkModules(); }
  std::string write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return (dir_ / name).string();
  }
  // Loads and returns the error message, or "" when it loaded.
  std::string failure(const std::string& name) {
    try {
      const test::LogCapture capture;
      loadTilemap(0, name);
    } catch (const GameError& e) {
      return e.what();
    }
    return "";
  }
  fs::path dir_;
};

const char* kTiled = R"({"width": 3, "height": 2, "tilewidth": 8, "tileheight": 8, "orientation": "orthogonal",
  "layers": [{"data": [0, 1, 2, 256, 300, 5]}, {"data": []}]})";

TEST_F(TilemapFile, TiledJsonCellsAreShiftedDownByOne) {
  write("m.json", kTiled);
  loadTilemap(3, "m.json");
  const Tilemap& m = *tilemapState().tilemaps[3];
  EXPECT_EQ(m.w, 3);
  EXPECT_EQ(m.h, 2);
  EXPECT_EQ(m.tw, 8);
  EXPECT_EQ(m.th, 8);
  EXPECT_FALSE(m.hex);
  // An empty cell (0) becomes 255; values keep their low byte.
  EXPECT_EQ(m.data, (std::vector<uint8_t>{255, 0, 1, 255, 43, 4}));
  EXPECT_EQ(tilemapState().currentTilemap, nullptr);
  setMap(3);
  EXPECT_EQ(tilemapState().currentTilemap, tilemapState().tilemaps[3]);
}

TEST_F(TilemapFile, HexagonalOffset) {
  write("h.json", R"({"width": 1, "height": 1, "tilewidth": 14, "tileheight": 16, "orientation": "hexagonal",
    "hexsidelength": 7, "layers": [{"data": [1]}]})");
  loadTilemap(0, "h.json");
  const Tilemap& m = *tilemapState().tilemaps[0];
  EXPECT_TRUE(m.hex);
  EXPECT_EQ(m.hexOffset, 7 + (16 - 7) / 2);
}

TEST_F(TilemapFile, BinaryMapAndItsLogLine) {
  write("b.map", std::string("\x03\x00\x00\x00\x02\x00\x00\x00\x01\x02\x03\x04\x05\x06", 14));
  const test::LogCapture capture;
  loadTilemap(15, "b.map");
  EXPECT_EQ(capture.err(), "read , 6,  tiles: , 3,  x, 2\n");
  const Tilemap& m = *tilemapState().tilemaps[15];
  EXPECT_EQ(m.w, 3);
  EXPECT_EQ(m.h, 2);
  EXPECT_EQ(m.tw, 8);
  EXPECT_EQ(m.th, 8);
  EXPECT_EQ(m.data, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
}

TEST_F(TilemapFile, TiledJsonErrorsNameTheFileAndTheKey) {
  const std::string path = (dir_ / "e.json").string();
  const std::string keys[] = {"width", "height", "tilewidth", "tileheight"};
  for (const std::string& key : keys) {
    nlohmann::json j = nlohmann::json::parse(kTiled);
    j.erase(key);
    write("e.json", j.dump());
    EXPECT_EQ(failure("e.json"), path + ": tile map lacks the integer \"" + key + "\"");
  }
  write("e.json", R"({"width": 3, "height": 2, "tilewidth": 8, "tileheight": 8, "layers": []})");
  EXPECT_EQ(failure("e.json"), path + ": tile map lacks the string \"orientation\"");
  write("e.json", R"({"width": 3, "height": 2, "tilewidth": 8, "tileheight": 8, "orientation": "x", "layers": []})");
  EXPECT_EQ(failure("e.json"), path + ": tile map lacks a first layer in \"layers\"");
  write("e.json", R"({"width": 3, "height": 2, "tilewidth": 8, "tileheight": 8, "orientation": "x",
    "layers": [{"data": [1, 2, 3, 4, 5]}]})");
  EXPECT_EQ(failure("e.json"), path + ": the first layer holds 5 cells, not 6");
  write("e.json", R"({"width": 1, "height": 1, "tilewidth": 8, "tileheight": 8, "orientation": "hexagonal",
    "layers": [{"data": [1]}]})");
  EXPECT_EQ(failure("e.json"), path + ": tile map lacks the integer \"hexsidelength\"");
  write("e.json", R"({"width": 1, "height": 1, "tilewidth": 8, "tileheight": 8, "orientation": "x",
    "layers": [{"data": ["1"]}]})");
  EXPECT_EQ(failure("e.json"), path + ": tile 0 is not an integer");
  write("e.json", R"([1, 2])");
  EXPECT_EQ(failure("e.json"), path + ": a tile map must be a JSON object");
  write("e.json", R"({"width": )");
  EXPECT_EQ(failure("e.json").rfind(path + ": ", 0), 0u);
  EXPECT_EQ(failure("none.json"), "Unable to open file: " + (dir_ / "none.json").string());
}

TEST_F(TilemapFile, BinaryErrors) {
  const std::string path = (dir_ / "t.map").string();
  write("t.map", std::string("\x03\x00\x00", 3));
  EXPECT_EQ(failure("t.map"), path + ": tile map ends before its size");
  write("t.map", std::string("\x03\x00\x00\x00\x02\x00\x00\x00\x01\x02\x03\x04\x05", 13));
  EXPECT_EQ(failure("t.map"), path + ": tile map ends early: 5 of 6 tiles");
  write("t.map", std::string("\xFF\xFF\xFF\xFF\x02\x00\x00\x00", 8));
  EXPECT_EQ(failure("t.map"), path + ": bad tile map size -1 x 2");
  write("t.map", std::string("\x00\x00\x01\x00\x00\x00\x01\x00", 8));  // 65536 x 65536
  EXPECT_EQ(failure("t.map"), path + ": bad tile map size 65536 x 65536");
  EXPECT_EQ(failure("none.map"), "Unable to open " + (dir_ / "none.map").string() + " for reading");
  // A failed load leaves the slot as it was.
  EXPECT_EQ(tilemapState().tilemaps[0], nullptr);
}

TEST_F(TilemapFile, JsonFilesKeepTheirMemberOrder) {
  const std::string path = write("o.json", R"({"zeta": 1, "alpha": 2, "mid": 3})");
  std::string order;
  const nlohmann::ordered_json j = readJsonFile(path);
  for (const auto& [key, value] : j.items()) order += key + " ";
  EXPECT_EQ(order, "zeta alpha mid ");
}

// Bytes in memory are read in the form their name ends in, and the name stands for the file in
// errors; no slot changes.
TEST(TilemapBytes, FormByNameAndTheNameInErrors) {
  resetTilemapState();
  const Tilemap tiled = parseTilemap(kTiled, "bg.json");
  EXPECT_EQ(tiled.data, (std::vector<uint8_t>{255, 0, 1, 255, 43, 4}));
  const test::LogCapture capture;
  const Tilemap binary = parseTilemap(std::string("\x02\x00\x00\x00\x01\x00\x00\x00\x07\x09", 10), "bg.map");
  EXPECT_EQ(capture.err(), "read , 2,  tiles: , 2,  x, 1\n");
  EXPECT_EQ(binary.data, (std::vector<uint8_t>{7, 9}));
  EXPECT_EQ(binary.tw, 8);
  EXPECT_EQ(tilemapState().tilemaps[0], nullptr);
  auto failure = [](std::string_view bytes, const std::string& name) {
    try {
      parseTilemap(bytes, name);
    } catch (const FormatError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(failure(kTiled, "bg.map"), "bg.map: bad tile map size 1769415291 x 577270884");
  EXPECT_EQ(failure("{\"width\": 1}", "bg.json"), "bg.json: tile map lacks the integer \"height\"");
  EXPECT_EQ(failure("{\"width\": }", "bg.json"),
            "bg.json: not valid JSON: parse error at line 1, column 11: syntax error while parsing value - unexpected "
            "'}'; expected '[', '{', or a literal");
}

TEST_F(TilemapFile, SlotsAreChecked) {
  EXPECT_THROW(loadTilemap(16, "b.map"), IndexError);
  EXPECT_THROW(loadTilemap(-1, "b.map"), IndexError);
  EXPECT_THROW(setMap(16), IndexError);
}

}  // namespace
}  // namespace dx
