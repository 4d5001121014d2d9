#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "framework/errors.h"
#include "framework/png_io.h"
#include "framework/reset_framework.h"
#include "framework/run_loop.h"
#include "framework/spritesheet.h"
#include "test_support.h"

namespace dx {
namespace {

namespace fs = std::filesystem;

fs::path scratch() {
  const fs::path dir = fs::path(test::buildDir()) / "test-png";
  fs::create_directories(dir);
  return dir;
}

// Writes a PNG with libpng itself, so the decoder is checked against an independent encoder.
// Pixels are given one byte each (index, grey level or RGB/RGBA bytes); packing to small bit
// depths is libpng's.
void writeReference(const fs::path& path, int w, int h, int colorType, int depth, const std::vector<uint8_t>& pixels,
                    int channels, bool interlaced = false, bool transparentZero = false) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, w, h, depth, colorType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> plte;
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    for (int i = 0; i < (1 << depth); ++i)
      plte.push_back(png_color{uint8_t(10 * i), uint8_t(20 + i), uint8_t(255 - i)});
    png_set_PLTE(png, info, plte.data(), int(plte.size()));
    if (transparentZero) {
      png_byte alpha[1] = {0};
      png_set_tRNS(png, info, alpha, 1, nullptr);
    }
  }
  png_write_info(png, info);
  if (depth < 8) png_set_packing(png);
  std::vector<png_bytep> rows(static_cast<size_t>(h));
  for (int y = 0; y < h; ++y)
    rows[size_t(y)] = const_cast<png_bytep>(pixels.data() + size_t(y) * size_t(w) * size_t(channels));
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

std::vector<uint8_t> readBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const fs::path& p, const std::vector<uint8_t>& bytes, size_t n) {
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(n));
}

TEST(PngIndexed, EveryPaletteDepthGivesTheIndicesUnchanged) {
  // An odd width puts the last pixels of each row in a partly used byte.
  const int w = 7, h = 3;
  for (int depth : {1, 2, 4, 8}) {
    std::vector<uint8_t> px(size_t(w * h));
    for (int i = 0; i < w * h; ++i) px[size_t(i)] = uint8_t((i * 5 + i / w) % (1 << depth));
    const fs::path path = scratch() / ("palette" + std::to_string(depth) + ".png");
    writeReference(path, w, h, PNG_COLOR_TYPE_PALETTE, depth, px, 1);
    const SurfacePtr s = loadSurfaceIndexed(path.string());
    EXPECT_EQ(s->channels, 1);
    EXPECT_EQ(s->w, w);
    EXPECT_EQ(s->h, h);
    EXPECT_EQ(s->filename, path.string());
    EXPECT_EQ(s->data, px) << depth << " bits";
  }
}

TEST(PngIndexed, InterlacedAndGreyImagesDecode) {
  const int w = 9, h = 9;
  std::vector<uint8_t> px(size_t(w * h));
  for (int i = 0; i < w * h; ++i) px[size_t(i)] = uint8_t(i * 3);
  const fs::path interlaced = scratch() / "interlaced.png";
  writeReference(interlaced, w, h, PNG_COLOR_TYPE_PALETTE, 8, px, 1, true);
  EXPECT_EQ(loadSurfaceIndexed(interlaced.string())->data, px);
  const fs::path grey = scratch() / "grey.png";
  writeReference(grey, w, h, PNG_COLOR_TYPE_GRAY, 8, px, 1);
  EXPECT_EQ(loadSurfaceIndexed(grey.string())->data, px);
}

TEST(PngIndexed, ColourImageIsAFormatErrorNamingTheFile) {
  const fs::path path = scratch() / "colour.png";
  writeReference(path, 2, 1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6}, 3);
  try {
    loadSurfaceIndexed(path.string());
    FAIL() << "no error";
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
  }
}

TEST(PngRGBA, PaletteGreyAndColourImagesExpandToRGBA) {
  const fs::path pal = scratch() / "rgba-palette.png";
  writeReference(pal, 3, 1, PNG_COLOR_TYPE_PALETTE, 2, {0, 1, 3}, 1, false, true);
  const SurfacePtr a = loadSurfaceRGBA(pal.string());
  EXPECT_EQ(a->channels, 4);
  // Entry 0 is transparent by tRNS; the others are opaque palette colours.
  EXPECT_EQ(a->data, (std::vector<uint8_t>{0, 20, 255, 0, 10, 21, 254, 255, 30, 23, 252, 255}));

  const fs::path grey = scratch() / "rgba-grey.png";
  writeReference(grey, 2, 1, PNG_COLOR_TYPE_GRAY, 8, {7, 200}, 1);
  EXPECT_EQ(loadSurfaceRGBA(grey.string())->data, (std::vector<uint8_t>{7, 7, 7, 255, 200, 200, 200, 255}));

  const fs::path rgb = scratch() / "rgba-rgb.png";
  writeReference(rgb, 2, 1, PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6}, 3);
  EXPECT_EQ(loadSurfaceRGBA(rgb.string())->data, (std::vector<uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}));
}

TEST(PngWrite, RGBAAndIndexedImagesReadBackExactly) {
  Surface rgba;
  rgba.channels = 4;
  rgba.w = 3;
  rgba.h = 2;
  for (int i = 0; i < 24; ++i) rgba.data.push_back(uint8_t(i * 11));
  const fs::path p1 = scratch() / "written-rgba.png";
  writePngRGBA(p1.string(), rgba);
  EXPECT_EQ(loadSurfaceRGBA(p1.string())->data, rgba.data);

  Surface idx;
  idx.w = 4;
  idx.h = 2;
  idx.data = {0, 1, 2, 3, 3, 2, 1, 0};
  Palette p;
  p.size = 2;  // smaller than the indices used: the written palette still covers them
  p.colors[3] = RGB{9, 8, 7};
  const fs::path p2 = scratch() / "written-indexed.png";
  writePngIndexed(p2.string(), idx, p);
  EXPECT_EQ(loadSurfaceIndexed(p2.string())->data, idx.data);
  const SurfacePtr asColour = loadSurfaceRGBA(p2.string());
  EXPECT_EQ(std::vector<uint8_t>(asColour->data.begin() + 12, asColour->data.begin() + 16),
            (std::vector<uint8_t>{9, 8, 7, 255}));
}

TEST(PngErrors, TruncatedFilesFailCleanlyAtEveryLength) {
  std::vector<uint8_t> px(64 * 16);
  for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t(i * 7 + i / 64);
  const fs::path whole = scratch() / "whole.png";
  writeReference(whole, 64, 16, PNG_COLOR_TYPE_PALETTE, 8, px, 1);
  const std::vector<uint8_t> bytes = readBytes(whole);
  const fs::path cut = scratch() / "cut.png";
  for (size_t n = 0; n < bytes.size(); ++n) {
    writeBytes(cut, bytes, n);
    EXPECT_THROW(loadSurfaceIndexed(cut.string()), FormatError) << n << " bytes";
    EXPECT_THROW(loadSurfaceRGBA(cut.string()), FormatError) << n << " bytes";
  }
}

TEST(PngErrors, GarbageOversizeAndMissingFiles) {
  const fs::path junk = scratch() / "junk.png";
  writeBytes(junk, std::vector<uint8_t>(100, 'x'), 100);
  EXPECT_THROW(loadSurfaceIndexed(junk.string()), FormatError);

  // Wider than the decoder accepts: refused before pixel memory is allocated.
  const fs::path wide = scratch() / "wide.png";
  writeReference(wide, 20000, 1, PNG_COLOR_TYPE_PALETTE, 1, std::vector<uint8_t>(20000, 1), 1);
  EXPECT_THROW(loadSurfaceIndexed(wide.string()), FormatError);

  const std::string missing = (scratch() / "missing.png").string();
  try {
    loadSurfaceRGBA(missing);
    FAIL() << "no error";
  } catch (const IOError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to open file: " + missing);
  }
}

// The bytes of a PNG file decode in memory as the file does, named by the given name.
TEST(PngBytes, DecodeAsTheFileDoesUnderTheGivenName) {
  std::vector<uint8_t> px(5 * 2);
  for (size_t i = 0; i < px.size(); ++i) px[i] = uint8_t(i % 16);
  const fs::path path = scratch() / "bytes.png";
  writeReference(path, 5, 2, PNG_COLOR_TYPE_PALETTE, 4, px, 1, false, true);
  const std::vector<uint8_t> file = readBytes(path);
  const std::string bytes(file.begin(), file.end());
  const SurfacePtr indexed = decodeSurfaceIndexed(bytes, "sheet in memory");
  EXPECT_EQ(indexed->data, px);
  EXPECT_EQ(indexed->filename, "sheet in memory");
  const SurfacePtr rgba = decodeSurfaceRGBA(bytes, "font in memory");
  EXPECT_EQ(rgba->data, loadSurfaceRGBA(path.string())->data);
  EXPECT_EQ(std::vector<uint8_t>(rgba->data.begin(), rgba->data.begin() + 8),
            (std::vector<uint8_t>{0, 20, 255, 0, 10, 21, 254, 255}));
  EXPECT_EQ(rgba->filename, "font in memory");
  try {
    decodeSurfaceRGBA(bytes.substr(0, 20), "cut");
    FAIL() << "no error";
  } catch (const FormatError& e) {
    EXPECT_STREQ(e.what(), "cut: the file ends early (truncated PNG)");
  }
}

// Spritesheets are indexed PNGs from the asset folder.
class SpritesheetFile : public ::testing::Test {
 protected:
  void SetUp() override {
    resetFrameworkModules();
    loopState().assetPath = scratch().string();
  }
  void TearDown() override { resetFrameworkModules(); }
  static void writeSheet(const std::string& name, int w, int h, uint8_t fill) {
    Surface s;
    s.w = w;
    s.h = h;
    s.data.assign(size_t(w * h), fill);
    writePngIndexed((scratch() / name).string(), s, loadPaletteDefault());
  }
};

TEST_F(SpritesheetFile, LoadPrintsItsLineAndKeepsTheCurrentSlotCurrent) {
  writeSheet("sheet.png", 16, 8, 3);
  const test::LogCapture capture;
  loadSpriteSheet(0, "sheet.png", 8, 4);
  EXPECT_EQ(capture.out(), "loaded spritesheet: sheet.png 16x8 tile:8x4\n");
  const SurfacePtr s = drawState().spritesheets[0];
  EXPECT_EQ(drawState().spritesheet, s);  // slot 0 was current, so the new sheet is
  EXPECT_EQ(s->filename, "sheet.png");
  EXPECT_EQ(s->tw, 8);
  EXPECT_EQ(s->th, 4);
  EXPECT_EQ(sget(15, 7), 3);
  loadSpriteSheet(2, "sheet.png", 8, 8);
  EXPECT_EQ(drawState().spritesheet, s);
  EXPECT_THROW(loadSpriteSheet(16, "sheet.png", 8, 8), IndexError);
  EXPECT_THROW(loadSpriteSheet(3, "absent.png", 8, 8), IOError);
  EXPECT_EQ(drawState().spritesheets[3], nullptr);
}

TEST_F(SpritesheetFile, ReloadReplacesPixelsInPlaceAndSurvivesABrokenFile) {
  writeSheet("a.png", 8, 8, 1);
  writeSheet("b.png", 8, 8, 2);
  test::LogCapture capture;
  loadSpriteSheet(0, "a.png", 8, 8);
  loadSpriteSheet(1, "b.png", 4, 4);
  const SurfacePtr current = drawState().spritesheet;
  writeSheet("a.png", 16, 8, 5);
  std::ofstream(scratch() / "b.png", std::ios::trunc) << "not a png";
  capture.clear();
  reloadSpritesheets();
  const std::string log = capture.err();
  EXPECT_NE(log.find("refreshed spritesheet, a.png, 16, 8, 8, 8\n"), std::string::npos) << log;
  EXPECT_NE(log.find("cannot refresh spritesheet"), std::string::npos) << log;
  EXPECT_EQ(drawState().spritesheet, current);
  EXPECT_EQ(current->w, 16);
  EXPECT_EQ(sget(15, 0), 5);
  const Surface& b = *drawState().spritesheets[1];
  EXPECT_EQ(b.data, std::vector<uint8_t>(64, 2));
  EXPECT_EQ(b.tw, 4);
}

}  // namespace
}  // namespace dx
