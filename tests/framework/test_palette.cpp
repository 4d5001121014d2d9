#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "framework/canvas.h"
#include "framework/errors.h"
#include "framework/palette.h"
#include "framework/reset_framework.h"
#include "framework/run_loop.h"
#include "test_support.h"

namespace dx {
namespace {

namespace fs = std::filesystem;

// Palettes are read from the asset folder, so each test points it at a scratch folder.
class GplFile : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFrameworkModules();
    dir_ = fs::path(test::buildDir()) / "test-palette";
    fs::create_directories(dir_);
    loopState().assetPath = dir_.string();
  }
  void TearDown() override { resetFrameworkModules(); }
  std::string write(const std::string& text) {
    std::ofstream(dir_ / "p.gpl", std::ios::binary) << text;
    return (dir_ / "p.gpl").string();
  }
  fs::path dir_;
};

TEST_F(GplFile, ColumnsCommentsAndNameLine) {
  write("GIMP Palette\nName: Test\n# a comment\n255  0 77\tred\n1 2 3 plain\n");
  const test::LogCapture capture;
  const Palette p = loadPaletteFromGPL("p.gpl");
  EXPECT_EQ(capture.err(), "not matched: , Name: Test\n");
  EXPECT_EQ(p.colors[0], (RGB{255, 0, 77}));
  EXPECT_EQ(p.colors[1], (RGB{1, 2, 3}));
  EXPECT_EQ(p.colors[2], (RGB{0, 0, 0}));
  EXPECT_EQ(p.size, 3);  // colour lines plus one
}

TEST_F(GplFile, LineEndingsAndLineShapes) {
  // CR LF, CR and LF all end lines; a blank line is skipped; numbers need one space each
  // between them, a tab alone does not separate them.
  write("GIMP Palette\r\n 10 20 30\r40 50 60\n\n7\t8 9\n70 80 90");
  const test::LogCapture capture;
  const Palette p = loadPaletteFromGPL("p.gpl");
  EXPECT_EQ(capture.err(), "not matched: , 7\t8 9\n");
  EXPECT_EQ(p.size, 4);
  EXPECT_EQ(p.colors[0], (RGB{10, 20, 30}));
  EXPECT_EQ(p.colors[1], (RGB{40, 50, 60}));
  EXPECT_EQ(p.colors[2], (RGB{70, 80, 90}));
}

TEST_F(GplFile, LoadingResetsTheColourTables) {
  pal(3, 4);
  drawState().paletteMapDisplay[5] = 6;
  drawState().paletteTransparent[0] = false;
  drawState().paletteTransparent[9] = true;
  write("GIMP Palette\n1 1 1\n");
  loadPaletteFromGPL("p.gpl");
  EXPECT_EQ(drawState().paletteMapDraw[3], 3);
  EXPECT_EQ(drawState().paletteMapDisplay[5], 5);
  EXPECT_TRUE(drawState().paletteTransparent[0]);
  EXPECT_FALSE(drawState().paletteTransparent[9]);
}

TEST_F(GplFile, FullPaletteLoadsAndLongerOnesKeepTheirFirst256) {
  std::string text = "GIMP Palette\n";
  for (int i = 0; i < 256; ++i) text += std::to_string(i) + " 0 0\n";
  write(text);
  const Palette p = loadPaletteFromGPL("p.gpl");
  EXPECT_EQ(p.size, 257);
  EXPECT_EQ(p.colors[255], (RGB{255, 0, 0}));
  const std::string path = write(text + "1 1 1\nnot a colour\n");
  const test::LogCapture capture;
  const Palette longer = loadPaletteFromGPL("p.gpl");
  EXPECT_EQ(capture.err(), path + ": more than 256 colours, the rest are ignored\n");
  EXPECT_EQ(longer.size, 257);
  EXPECT_EQ(longer.colors[255], (RGB{255, 0, 0}));
}

TEST_F(GplFile, MalformedFilesNameTheFile) {
  for (const char* text : {"1 2 3\nGIMP Palette\n", "no header at all\n", "", "GIMP Palette\n256 0 0\n"}) {
    const std::string path = write(text);
    try {
      const test::LogCapture capture;
      loadPaletteFromGPL("p.gpl");
      FAIL() << "no error for: " << text;
    } catch (const FormatError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(path + ": ", 0), 0u) << e.what();
    }
  }
  EXPECT_THROW(loadPaletteFromGPL("absent.gpl"), IOError);
}

// Text in memory gives the palette alone: the colour tables stay as they are, and the given
// name stands for the file in messages.
TEST(GplText, ParsesWithoutTouchingTheTables) {
  resetFrameworkModules();
  pal(3, 4);
  const test::LogCapture capture;
  const Palette p = parsePaletteGPL("GIMP Palette\nColumns: 4\n9 8 7 first\n", "mem.gpl");
  EXPECT_EQ(capture.err(), "not matched: , Columns: 4\n");
  EXPECT_EQ(p.size, 2);
  EXPECT_EQ(p.colors[0], (RGB{9, 8, 7}));
  EXPECT_EQ(drawState().paletteMapDraw[3], 4);
  try {
    parsePaletteGPL("GIMP Palette\n1 2 300\n", "mem.gpl");
    FAIL() << "no error";
  } catch (const FormatError& e) {
    EXPECT_STREQ(e.what(), "mem.gpl: colour value above 255: 1 2 300");
  }
  resetDrawState();
}

}  // namespace
}  // namespace dx
