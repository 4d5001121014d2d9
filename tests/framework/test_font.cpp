#include <gtest/gtest.h>

#include <filesystem>

#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/font.h"
#include "framework/png_io.h"
#include "framework/run_loop.h"
#include "test_support.h"

namespace dx {
namespace {

using test::at;
using test::changedPixels;
using test::freshCanvas;
using test::kSentinel;
using test::Pixels;

// An indexed font image from rows of text: M marker, # ink, . background.
Surface image(const std::vector<std::string>& rows) {
  Surface s;
  s.w = int(rows[0].size());
  s.h = int(rows.size());
  for (const std::string& r : rows)
    for (char c : r) s.data.push_back(c == 'M' ? 2 : c == '#' ? 1 : 0);
  return s;
}

// Glyphs "a" (3 wide: a box outline's left column and top) and "b" (1 wide), 3 rows high in a
// 4-row image; the marker columns reach row 3, so the cells are 3 rows high.
Surface twoGlyphs() { return image({"M###M#M", "M#..M#M", "M#..M.M", "M...M.M"}); }

void useFont(const Surface& s, std::string_view chars) {
  resetFontState();
  fontState().fonts[0] = createFontFromSurface(s, chars);
  setFont(0);
}

TEST(FontCells, AdjacentMarkersMakeNoGlyph) {
  // Width 12, markers at 0, 5, 6 and 11: glyphs in columns 1-4 and 7-10.
  Surface s = image({"M....MM....M", "M....M.....M", "M..........M"});
  const FontPtr f = createFontFromSurface(s, "xy");
  ASSERT_EQ(f->rects.size(), 2u);
  const Rect x = f->rects.at(U'x'), y = f->rects.at(U'y');
  EXPECT_EQ((std::vector<int64_t>{x.x, x.y, x.w, x.h}), (std::vector<int64_t>{1, 0, 4, 1}));
  // The height is the lowest marker row of the column that closes the cell.
  EXPECT_EQ((std::vector<int64_t>{y.x, y.y, y.w, y.h}), (std::vector<int64_t>{7, 0, 4, 2}));
  EXPECT_EQ(f->w, 12);
  EXPECT_EQ(f->h, 3);
}

TEST(FontCells, RGBAImageIsClassifiedByItsFirstTwoPixels) {
  Surface s;
  s.channels = 4;
  s.w = 4;
  s.h = 1;
  // marker, background, ink, marker again
  s.data = {9, 9, 9, 255, 0, 0, 0, 0, 1, 2, 3, 4, 9, 9, 9, 255};
  s.filename = "f.png";
  const test::LogCapture capture;
  const FontPtr f = createFontFromSurface(s, "q");
  EXPECT_EQ(capture.err(), "loading font from RGBA, f.png\n");
  EXPECT_EQ(f->data, (std::vector<uint8_t>{2, 0, 1, 2}));
  EXPECT_EQ(f->rects.at(U'q').w, 2);
}

TEST(FontCells, CharacterCountsAndDuplicatesAreErrors) {
  const Surface s = twoGlyphs();
  auto message = [&](std::string_view chars) {
    try {
      createFontFromSurface(s, chars);
    } catch (const FormatError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(message("a"), "didn't load all characters from font, loaded: 2 bitmaps of specified chars 1");
  EXPECT_EQ(message("abc"), "didn't load all characters from font, loaded: 2 bitmaps of specified chars 3");
  EXPECT_EQ(message("aa"), "font already has character: a index: 1");
  // Characters are UTF-8; a stray byte is U+FFFD.
  const FontPtr f = createFontFromSurface(s, "\xC3\xA9\xFF");
  EXPECT_EQ(f->rects.count(U'\u00E9'), 1u);
  EXPECT_EQ(f->rects.count(U'\uFFFD'), 1u);
}

TEST(FontDrawing, GlyphAdvanceAndScale) {
  freshCanvas(16, 8);
  useFont(twoGlyphs(), "ab");
  setColor(5);
  EXPECT_EQ(glyph(U'a', 1, 1, 1), 4);
  EXPECT_EQ(changedPixels(), (Pixels{{1, 1}, {2, 1}, {3, 1}, {1, 2}, {1, 3}}));
  EXPECT_EQ(at(1, 1), 5);
  freshCanvas(16, 8);
  setColor(5);
  // Width 3 at scale 2 advances by 3 * 2 + 2.
  EXPECT_EQ(glyph(U'a', 0, 0, 2), 8);
  EXPECT_EQ(changedPixels().size(), 20u);
  EXPECT_EQ(at(5, 1), 5);
  EXPECT_EQ(at(1, 5), 5);
  EXPECT_EQ(at(2, 2), kSentinel);
  // No glyph: nothing drawn, no advance.
  freshCanvas(16, 8);
  EXPECT_EQ(glyph(U'z', 0, 0, 1), 0);
  EXPECT_TRUE(changedPixels().empty());
}

TEST(FontDrawing, PrintAdvancesLinesByTheImageHeightAtAnyScale) {
  for (int scale : {1, 2}) {
    freshCanvas(64, 64);
    useFont(twoGlyphs(), "ab");
    setColor(3);
    print("b\nb", 10, 20, scale);
    // b's ink is its cell's top two rows; the font image is 4 rows high.
    EXPECT_EQ(at(10, 20), 3);
    EXPECT_EQ(at(10, 24), 3) << scale;
    EXPECT_EQ(at(10, 23), scale == 1 ? kSentinel : 3);
  }
  freshCanvas(64, 64);
  setColor(3);
  print("a\r\nb\rb", 0, 0, 1);  // CR LF is one break, CR alone another
  EXPECT_EQ(at(0, 4), 3);
  EXPECT_EQ(at(0, 8), 3);
  EXPECT_EQ(at(0, 12), kSentinel);
}

TEST(FontDrawing, PrintFollowsTheCameraAndTheClipKeepsRows) {
  freshCanvas(16, 8);
  useFont(twoGlyphs(), "ab");
  setColor(2);
  setCamera(-3, -2);
  print("b", 0, 0, 1);
  EXPECT_EQ(changedPixels(), (Pixels{{3, 2}, {3, 3}}));
  // A glyph starting left of the clip area still draws the part inside it, on every row.
  freshCanvas(16, 8);
  setColor(2);
  glyph(U'a', -2, 0, 1);
  EXPECT_EQ(changedPixels(), (Pixels{{0, 0}}));
  glyph(U'a', -1, 3, 2);
  EXPECT_EQ(changedPixels(), (Pixels{{0, 0},
                                     {0, 3},
                                     {1, 3},
                                     {2, 3},
                                     {3, 3},
                                     {4, 3},
                                     {0, 4},
                                     {1, 4},
                                     {2, 4},
                                     {3, 4},
                                     {4, 4},
                                     {0, 5},
                                     {0, 6},
                                     {0, 7}}));
}

TEST(FontDrawing, DitherAndBackgroundColour) {
  freshCanvas(8, 4);
  useFont(twoGlyphs(), "ab");
  setColor(4);
  setDitherColor(9);
  glyph(U'a', 0, 0, 1);
  // Background cells are painted with the fallback colour, ink keeps the text colour, and the
  // draw remap is not applied.
  EXPECT_EQ(at(0, 0), 4);
  EXPECT_EQ(at(1, 1), 9);
  EXPECT_EQ(at(2, 2), 9);
  EXPECT_EQ(at(3, 0), kSentinel);
  freshCanvas(8, 4);
  pal(4, 12);
  setColor(4);
  ditherPattern(0xFFFE);  // bit of pixel (0, 0) clear
  glyph(U'a', 0, 0, 1);
  EXPECT_EQ(at(0, 0), kSentinel);
  EXPECT_EQ(at(1, 0), 4);
}

TEST(FontMeasure, TextWidthCountsLineBreaksAndRightAlignment) {
  freshCanvas(32, 8);
  // a (3 wide), b (1 wide) and a line feed (1 wide).
  useFont(image({"M###M#M.M", "M#..M#M.M", "M#..M.M.M", "M...M.M.M"}), "ab\n");
  EXPECT_EQ(textWidth("ab", 1), 6);
  EXPECT_EQ(textWidth("ab", 3), 18);
  EXPECT_EQ(textWidth("a\nb", 1), 8);
  try {
    textWidth("abc", 1);
    FAIL() << "no error";
  } catch (const GameError& e) {
    EXPECT_EQ(std::string(e.what()), "character not in font: 'c'");
  }
  setColor(6);
  printr("ab", 20, 0, 1);  // starts at 20 - 6
  EXPECT_EQ(at(14, 0), 6);
  EXPECT_EQ(at(18, 0), 6);
  EXPECT_EQ(changedPixels().size(), 7u);
  EXPECT_THROW(printr("c", 20, 0, 1), GameError);
}

TEST(FontSlots, CurrentFontFollowsLoadsAndSelection) {
  const std::string dir = test::buildDir() + "/test-font";
  std::filesystem::create_directories(dir);
  loopState().assetPath = dir;
  Surface rgba;
  rgba.channels = 4;
  rgba.w = 3;
  rgba.h = 1;
  rgba.data = {255, 0, 255, 255, 0, 0, 0, 0, 255, 0, 255, 255};
  writePngRGBA(dir + "/f.png", rgba);
  resetFontState();
  freshCanvas(8, 8);
  EXPECT_THROW(print("x", 0, 0, 1), GameError);
  EXPECT_THROW(textWidth("x", 1), GameError);
  EXPECT_THROW(glyph(U'x', 0, 0, 1), GameError);
  const test::LogCapture capture;
  loadFont(0, "f.png", "x");  // nothing current and the slot empty: it becomes current
  EXPECT_EQ(fontState().currentFont, fontState().fonts[0]);
  loadFont(1, "f.png", "x");
  EXPECT_EQ(fontState().currentFont, fontState().fonts[0]);
  setFont(1);
  loadFont(1, "f.png", "x");  // reloading the current slot keeps it current
  EXPECT_EQ(fontState().currentFont, fontState().fonts[1]);
  EXPECT_EQ(fontState().currentFontId, 1);
  setFont(16);
  EXPECT_EQ(fontState().currentFontId, 1);
  setFont(5);
  EXPECT_THROW(print("x", 0, 0, 1), GameError);
  EXPECT_THROW(loadFont(16, "f.png", "x"), IndexError);
  resetLoopState();
}

// The bytes of a PNG font cut in memory as the file does, named by the given name.
TEST(FontSlots, FontFromPngBytesNamesItsSource) {
  const std::string file = test::buildDir() + "/test-font-bytes.png";
  Surface rgba;
  rgba.channels = 4;
  rgba.w = 5;
  rgba.h = 1;
  rgba.data = {255, 0, 255, 255, 0, 0, 0, 0, 7, 7, 7, 255, 255, 0, 255, 255, 255, 0, 255, 255};
  writePngRGBA(file, rgba);
  const std::string bytes = readTextFile(file);
  const test::LogCapture capture;
  const FontPtr f = decodeFont(bytes, "mem.png", "z");
  EXPECT_EQ(capture.err(), "loading font from RGBA, mem.png\n");
  EXPECT_EQ(f->data, (std::vector<uint8_t>{2, 0, 1, 2, 2}));
  const Rect z = f->rects.at(U'z');
  EXPECT_EQ((std::vector<int64_t>{z.x, z.y, z.w, z.h}), (std::vector<int64_t>{1, 0, 2, 0}));
  try {
    decodeFont(bytes.substr(0, 30), "cut.png", "z");
    FAIL() << "no error";
  } catch (const FormatError& e) {
    EXPECT_STREQ(e.what(), "cut.png: the file ends early (truncated PNG)");
  }
}

// The fonts the game ships, with the glyph strings the program entry passes.
TEST(ShippedFonts, LoadWithTheEntryGlyphStrings) {
  loopState().assetPath = test::sourceDir() + "/assets";
  resetFontState();
  const test::LogCapture capture;
  loadFont(0, "font.png", fontChars);
  loadFont(1, "font5x5.png", font5x5Chars);
  resetLoopState();
  const Font& big = *fontState().fonts[0];
  const Font& small = *fontState().fonts[1];
  EXPECT_EQ(fontChars.size(), 94u);
  EXPECT_EQ(big.rects.size(), 94u);
  EXPECT_EQ(small.rects.size(), 95u);
  EXPECT_EQ(small.rects.count(U'\n'), 1u);
  EXPECT_EQ(big.rects.count(U'|'), 0u);
  for (const auto& [c, r] : small.rects) {
    EXPECT_LE(r.w, 5) << char(c);
    EXPECT_EQ(r.h, 5) << char(c);
  }
  for (const auto& [c, r] : big.rects) EXPECT_EQ(r.h, 7) << char(c);
  // Every glyph but the blanks has ink.
  for (const Font* f : {&big, &small})
    for (const auto& [c, r] : f->rects) {
      int ink = 0;
      for (int64_t y = 0; y < r.h; ++y)
        for (int64_t x = r.x; x < r.x + r.w; ++x) ink += f->data[size_t(y * f->w + x)] == 1;
      EXPECT_EQ(ink == 0, c == U' ' || c == U'\n') << char(c);
    }
  // The speed read-out (digits, right-aligned at the screen edge) fits the six rows above the
  // gauges.
  for (char32_t d = U'0'; d <= U'9'; ++d) {
    const Rect r = big.rects.at(d);
    for (int64_t x = r.x; x < r.x + r.w; ++x) EXPECT_NE(big.data[size_t(6 * big.w + x)], 1) << char(d);
  }
}

}  // namespace
}  // namespace dx
