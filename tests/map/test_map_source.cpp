#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>

#include "framework/errors.h"
#include "framework/run_loop.h"
#include "map/map_source.h"
#include "map/reset_map.h"
#include "test_support.h"

namespace dx {
namespace {

namespace fs = std::filesystem;

// Little-endian byte building for hand-made track files.
struct Bytes {
  std::string b;
  Bytes& u8(int v) { return b.push_back(char(uint8_t(v))), *this; }
  Bytes& u16(int v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
  Bytes& f32(float f) {
    const uint32_t bits = std::bit_cast<uint32_t>(f);
    return u16(int(bits & 0xFFFF)).u16(int(bits >> 16));
  }
  Bytes& str(const std::string& s) { return b += s, *this; }
};

std::string writeTemp(const std::string& name, const std::string& bytes) {
  const fs::path p = test::tempFolder("dx-map-source-") / name;
  std::ofstream(p, std::ios::binary) << bytes;
  return p.string();
}

// One section as version 1 and the headerless layout store it (42 bytes).
Bytes& v1Section(Bytes& b, int kind) {
  b.u8(kind).u8(3).f32(0.25f).f32(30).f32(34);
  for (int i = 0; i < 6; ++i) b.f32(float(i + 1));
  return b.u16(0x0102).u16(0x0304);
}

MapSource sampleSource() {
  MapSource src;
  Section a;
  a.steps = 4;
  a.turn = 0.5f;
  a.widthL = 30;
  a.widthR = 28;
  a.vergeL = 5;
  a.flags = 0x0401;
  Section b;
  b.kind = CubicBezierCurve;
  b.endOffset = {100, 50};
  b.control1 = {30, 0};
  b.control2 = {0, -30};
  b.flags = 0x20;
  src.sections = {a, b};
  src.trackObjects = {{toBooster, 0.25f, 1.0f}, {toPowerup, 0.75f, -0.5f}};
  src.objects = {{3, {10.5f, -4}}, {0, {1, 2}}};
  src.laps = 3;
  src.name = "Harbour Loop";
  src.style = Desert;
  return src;
}

TEST(MapFileVersion2, EmptyTrackWithTrailer) {
  const std::string p = writeTemp("empty.map", Bytes().u16(2).u16(0).u16(0).u16(0).u8(3).u8(4).u16(0).b);
  const test::LogCapture capture;
  const MapSource src = loadMapSourceFile(p);
  EXPECT_EQ(capture.err(), "loading map: , " + p + "\n");
  EXPECT_TRUE(src.sections.empty());
  EXPECT_EQ(src.laps, 3);
  EXPECT_EQ(src.style, Forest);
  EXPECT_EQ(src.name, "");
}

TEST(MapFileVersion2, EncodeThenLoadRoundTrips) {
  const MapSource want = sampleSource();
  const std::string bytes = encodeMapSource(want);
  EXPECT_EQ(bytes.size(), 2 + 2 + 2 * 48 + 2 + 2 * 9 + 2 + 2 * 9 + 1 + 1 + 2 + 12u);
  const MapSource got = loadMapSourceFile(writeTemp("round.map", bytes));
  ASSERT_EQ(got.sections.size(), 2u);
  EXPECT_EQ(got.sections[0].steps, 4);
  EXPECT_EQ(got.sections[0].turn, 0.5f);
  EXPECT_EQ(got.sections[0].vergeL, 5.0f);
  EXPECT_EQ(got.sections[0].flags, 0x0401);
  EXPECT_EQ(got.sections[1].kind, CubicBezierCurve);
  EXPECT_EQ(got.sections[1].control2, (Vec2f{0, -30}));
  ASSERT_EQ(got.trackObjects.size(), 2u);
  EXPECT_EQ(got.trackObjects[0].lateral, 1.0f);  // stored as 8, read back scaled
  EXPECT_EQ(got.trackObjects[1].kind, toPowerup);
  ASSERT_EQ(got.objects.size(), 2u);
  EXPECT_EQ(got.objects[0].pos, (Vec2f{10.5f, -4}));
  EXPECT_EQ(got.laps, 3);
  EXPECT_EQ(got.style, Desert);
  EXPECT_EQ(got.name, "Harbour Loop");
}

TEST(MapFileVersion2, PlacementKindAboveTwoIsABooster) {
  Bytes b;
  b.u16(2).u16(0).u16(1).u8(7).f32(0.5f).f32(8.0f).u16(0).u8(1).u8(0).u16(2).str("ab");
  const MapSource src = loadMapSourceFile(writeTemp("kind7.map", b.b));
  ASSERT_EQ(src.trackObjects.size(), 1u);
  EXPECT_EQ(src.trackObjects[0].kind, toBooster);
  EXPECT_EQ(src.trackObjects[0].along, 0.5f);
  EXPECT_EQ(src.trackObjects[0].lateral, 1.0f);
}

TEST(MapFileVersions, VersionOneIsReadByItsOwnLoader) {
  Bytes b;
  b.u16(1).u16(1);
  v1Section(b, 1);
  b.u16(1).u8(1).f32(0.5f).f32(8.0f).u16(1).u8(2).f32(4).f32(5).u8(uint8_t(-2)).u8(5).u16(3).str("old");
  const test::LogCapture capture;
  const MapSource src = loadMapSourceFile(writeTemp("v1.map", b.b));
  EXPECT_EQ(capture.out(), "incorrect map version: 1 should be 2\ntrying version 1 loader\n");
  ASSERT_EQ(src.sections.size(), 1u);
  EXPECT_EQ(src.sections[0].kind, CubicBezierCurve);
  EXPECT_EQ(src.sections[0].vergeL, 0.0f);
  EXPECT_EQ(src.sections[0].endOffset, (Vec2f{1, 2}));
  EXPECT_EQ(src.sections[0].control2, (Vec2f{5, 6}));
  EXPECT_EQ(src.sections[0].flags, 0x0102);
  EXPECT_EQ(src.sections[0].flags2, 0x0304);
  EXPECT_EQ(src.trackObjects[0].lateral, 8.0f);  // not scaled in version 1
  EXPECT_EQ(src.objects.size(), 1u);
  EXPECT_EQ(src.laps, -2);
  EXPECT_EQ(src.style, Sea);
  EXPECT_EQ(src.name, "old");
}

TEST(MapFileVersions, OtherFirstWordIsAHeaderlessSectionCount) {
  Bytes b;
  b.u16(2 + 1);  // three sections, no version word
  for (int i = 0; i < 3; ++i) v1Section(b, 0);
  b.u16(1).u8(0).u16(0xFFFF).u16(0xFFFF).f32(0.1f).f32(2.0f).u8(2).u8(1).u16(0xFFFF);
  const test::LogCapture capture;
  const MapSource src = loadMapSourceFile(writeTemp("old.map", b.b));
  EXPECT_EQ(capture.out(), "incorrect map version: 3 should be 2\ntrying old loader\ntrying old loader\n");
  EXPECT_EQ(src.sections.size(), 3u);
  ASSERT_EQ(src.trackObjects.size(), 1u);
  EXPECT_EQ(src.trackObjects[0].along, 0.1f);
  EXPECT_EQ(src.trackObjects[0].lateral, 2.0f);
  EXPECT_TRUE(src.objects.empty());
  EXPECT_EQ(src.laps, 2);
  EXPECT_EQ(src.style, CityDay);
  EXPECT_EQ(src.name, "???");  // negative name length
}

TEST(MapFileErrors, TruncatedObjectListKeepsWhatWasComplete) {
  std::string bytes = encodeMapSource(sampleSource());
  const size_t objectsStart = 2 + 2 + 2 * 48 + 2 + 2 * 9 + 2;
  bytes.resize(objectsStart + 9 + 4);  // the first object whole, the second cut
  const test::LogCapture capture;
  const std::string path = writeTemp("cut.map", bytes);
  const MapSource src = loadMapSourceFile(path);
  const std::string why = path + ": the file ends after 135 bytes, in object 1 of 2";
  EXPECT_EQ(capture.out(), "Error loading map\n" + why + "\n");
  EXPECT_EQ(src.loadError, why);
  EXPECT_EQ(src.sections.size(), 2u);
  EXPECT_EQ(src.trackObjects.size(), 2u);
  EXPECT_EQ(src.objects.size(), 1u);
  EXPECT_EQ(src.laps, 0);
  EXPECT_EQ(src.style, CityNight);
  EXPECT_EQ(src.name, "???");
}

TEST(MapFileErrors, ShortNameIsWhatIsPresent) {
  std::string bytes = encodeMapSource(sampleSource());
  bytes.resize(bytes.size() - 4);
  const MapSource src = loadMapSourceFile(writeTemp("name.map", bytes));
  EXPECT_EQ(src.name, "Harbour ");
  EXPECT_EQ(src.style, Desert);
}

TEST(MapFileErrors, EveryTruncationLoadsWithoutACrash) {
  Bytes v1;
  v1.u16(1).u16(2);
  v1Section(v1, 0);
  v1Section(v1, 1);
  v1.u16(0).u16(0).u8(1).u8(0).u16(1).str("x");
  const struct {
    std::string bytes;
    size_t nameLength;
  } files[] = {{encodeMapSource(sampleSource()), 12}, {v1.b, 1}};
  for (const auto& f : files) {
    for (size_t n = 0; n <= f.bytes.size(); ++n) {
      const test::LogCapture capture;
      const MapSource src = loadMapSourceFile(writeTemp("trunc.map", f.bytes.substr(0, n)));
      const bool failed = capture.out().find("Error loading map") != std::string::npos;
      // Only a cut inside the name still loads: the name is what is present.
      EXPECT_EQ(failed, n < f.bytes.size() - f.nameLength) << n;
      EXPECT_LE(src.sections.size(), 2u);
    }
  }
}

TEST(MapFileErrors, BadKindOrStyleBytesNameTheFile) {
  Bytes b;
  b.u16(2).u16(1).u8(4);
  const std::string p = writeTemp("badkind.map", b.b + std::string(60, '\0'));
  try {
    loadMapSourceFile(p);
    FAIL();
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find(p), std::string::npos);
  }
  const std::string q = writeTemp("badstyle.map", Bytes().u16(2).u16(0).u16(0).u16(0).u8(1).u8(6).u16(0).b);
  EXPECT_THROW(loadMapSourceFile(q), FormatError);
}

TEST(MapFileErrors, MissingFileGivesAnEmptyRecordNamedUnknown) {
  const test::LogCapture capture;
  const MapSource src = loadMapSourceFile("/nonexistent/dx/1.map");
  EXPECT_EQ(capture.out(), "Error loading map\nUnable to open file: /nonexistent/dx/1.map\n");
  EXPECT_TRUE(src.sections.empty());
  EXPECT_EQ(src.name, "???");
  EXPECT_EQ(src.loadError, "Unable to open file: /nonexistent/dx/1.map");
}

// Each reason a load ends early is told with the file: nothing there, nothing in it, a folder,
// far too large, or the part of the file where it stops.
TEST(MapFileErrors, TheReasonNamesTheFileAndWhereItStops) {
  const fs::path dir = fs::path(writeTemp("x", "")).parent_path();
  fs::create_directories(dir / "folder.map");
  const std::string big = (dir / "big.map").string();
  std::ofstream(big, std::ios::binary).close();
  fs::resize_file(big, 9u << 20);  // sparse: costs no disk
  const std::string bytes = encodeMapSource(sampleSource());
  const struct {
    std::string path, why;
  } cases[] = {
      {writeTemp("empty.map", ""), "the file is empty"},
      {(dir / "folder.map").string(), "is a directory"},
      {big, "is larger than 8 MiB"},
      {writeTemp("v.map", bytes.substr(0, 1)), "the file ends after 1 byte, in the version word"},
      {writeTemp("s.map", bytes.substr(0, 40)), "the file ends after 40 bytes, in section 0 of 2"},
      {writeTemp("l.map", bytes.substr(0, 2 + 2 + 2 * 48 + 2 + 2 * 9 + 2 + 2 * 9)),
       "the file ends after 140 bytes, in the laps"},
  };
  for (const auto& c : cases) {
    const test::LogCapture capture;
    const MapSource src = loadMapSourceFile(c.path);
    const std::string out = capture.out();
    const std::string why = c.path + (c.why.starts_with("is ") ? " " : ": ") + c.why;
    EXPECT_EQ(out, "Error loading map\n" + why + "\n");
    EXPECT_EQ(src.loadError, why);
  }
}

// A file cut right after its laps byte keeps the laps read (and so stays a closed track).
TEST(MapFileErrors, CutAfterTheLapsKeepsThem) {
  std::string bytes = encodeMapSource(sampleSource());
  bytes.resize(2 + 2 + 2 * 48 + 2 + 2 * 9 + 2 + 2 * 9 + 1);
  const test::LogCapture capture;
  const MapSource src = loadMapSourceFile(writeTemp("laps.map", bytes));
  EXPECT_EQ(src.laps, 3);
  EXPECT_EQ(src.style, CityNight);
  EXPECT_EQ(src.name, "???");
}

// A number that is not finite or far beyond any track is refused where it is read, naming the
// file, the entry and the field; such a source is never written either.
TEST(MapFileErrors, NumbersOutOfRangeAreRefused) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const struct {
    std::function<void(MapSource&)> spoil;
    std::string entry;
  } cases[] = {
      {[&](MapSource& s) { s.sections[0].turn = nan; }, "section 0: turn is nan, outside -1e+06 to 1e+06"},
      {[&](MapSource& s) { s.sections[1].widthR = 3e38f; }, "section 1: widthR is 3e+38, outside -1e+06 to 1e+06"},
      {[&](MapSource& s) { s.sections[1].control2.y = -inf; }, "section 1: control2 is -inf, outside -1e+06 to 1e+06"},
      {[&](MapSource& s) { s.trackObjects[1].along = 1.5f; }, "track object 1: along is 1.5, outside 0 to 1"},
      {[&](MapSource& s) { s.trackObjects[0].lateral = 1e30f; },
       "track object 0: lateral is 8e+30, outside -1e+06 to 1e+06"},
      {[&](MapSource& s) { s.objects[1].pos.x = nan; }, "object 1: pos is nan, outside -1e+06 to 1e+06"},
  };
  const std::string good = encodeMapSource(sampleSource());
  for (const auto& c : cases) {
    MapSource src = sampleSource();
    c.spoil(src);
    try {
      encodeMapSource(src);
      ADD_FAILURE() << "written: " << c.entry;
    } catch (const FormatError& e) {
      EXPECT_EQ(std::string(e.what()), "the track: " + c.entry);
    }
  }
  // The same in a file: patch the first section's turn (bytes 6 to 9) to a NaN.
  std::string bytes = good;
  const uint32_t bits = std::bit_cast<uint32_t>(nan);
  for (int i = 0; i < 4; ++i) bytes[size_t(6 + i)] = char(bits >> (8 * i));
  const std::string path = writeTemp("nan.map", bytes);
  const test::LogCapture capture;
  try {
    loadMapSourceFile(path);
    ADD_FAILURE() << "loaded";
  } catch (const FormatError& e) {
    EXPECT_EQ(std::string(e.what()), path + ": section 0: turn is nan, outside -1e+06 to 1e+06");
  }
}

// The bytes of a file read in memory give what the file gives, with the same lines on standard
// output (the fall-backs read the same bytes again) and without the file's "loading map" line;
// the given name stands for the file in every reason.
TEST(MapSourceBytes, ReadAsTheFileIs) {
  Bytes v1;
  v1.u16(1).u16(1);
  v1Section(v1, 1);
  v1.u16(0).u16(0).u8(1).u8(0).u16(1).str("x");
  Bytes headerless;
  headerless.u16(1 + 2);
  for (int i = 0; i < 3; ++i) v1Section(headerless, 0);
  headerless.u16(0).u8(2).u8(1).u16(2).str("ab");
  const std::string v2 = encodeMapSource(sampleSource());
  // Whole and cut files of each layout, and an empty one.
  const std::string files[] = {
      v2, v2.substr(0, 135), "", v1.b, v1.b.substr(0, 20), headerless.b, headerless.b.substr(0, 3),
  };
  for (const std::string& bytes : files) {
    const std::string path = writeTemp("same.map", bytes);
    test::LogCapture capture;
    const MapSource fromFile = loadMapSourceFile(path);
    EXPECT_EQ(capture.err(), "loading map: , " + path + "\n");
    const std::string fileOut = capture.out();
    capture.clear();
    const MapSource inMemory = parseMapSource(bytes, path);
    EXPECT_EQ(capture.err(), "");
    EXPECT_EQ(capture.out(), fileOut) << bytes.size();
    EXPECT_EQ(encodeMapSource(inMemory), encodeMapSource(fromFile)) << bytes.size();
    EXPECT_EQ(inMemory.name, fromFile.name);
    EXPECT_EQ(inMemory.loadError, fromFile.loadError);
    ASSERT_EQ(inMemory.sections.size(), fromFile.sections.size());
    for (size_t i = 0; i < inMemory.sections.size(); ++i)
      EXPECT_EQ(inMemory.sections[i].flags2, fromFile.sections[i].flags2);
  }
  const test::LogCapture capture;
  const MapSource cut = parseMapSource(v1.b.substr(0, 20), "track 7");
  EXPECT_EQ(capture.out(),
            "incorrect map version: 1 should be 2\ntrying version 1 loader\n"
            "Error loading map\ntrack 7: the file ends after 20 bytes, in section 0 of 1\n");
  EXPECT_EQ(cut.name, "???");
  try {
    parseMapSource(Bytes().u16(2).u16(0).u16(0).u16(0).u8(1).u8(6).u16(0).b, "styled");
    ADD_FAILURE() << "loaded";
  } catch (const FormatError& e) {
    EXPECT_STREQ(e.what(), "styled: unknown map style 6");
  }
}

TEST(MapFileLocation, SlotsUnderBaseOrBank) {
  resetMapModules();
  loopState().basePath = "/game/";
  loopState().writePath = "/home/u/.local/share/tormix/draxen3516/";
  EXPECT_EQ(mapSourcePath("", 1), "/game/maps/1.map");
  EXPECT_EQ(mapSourcePath("mine", 12), "/home/u/.local/share/tormix/draxen3516/maps/mine/12.map");
}

}  // namespace
}  // namespace dx
