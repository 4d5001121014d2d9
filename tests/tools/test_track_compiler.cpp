// The track compiler: descriptions to map sources, the loop-closing fit, placements and
// scenery, the layout checks, the plan picture, and the shipped tracks against their sources.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>

#include "framework/errors.h"
#include "framework/numeric.h"
#include "geom/geometry.h"
#include "map/node_queries.h"
#include "test_support.h"
#include "track_compiler/track_description.h"
#include "track_compiler/track_drawing.h"
#include "track_compiler/track_report.h"

namespace dx {
namespace {

namespace fs = std::filesystem;
using ojson = nlohmann::ordered_json;

fs::path tempDir() { return test::tempFolder("dx-trackc-"); }

MapSource compile(const std::string& text, const CompileOptions& options = {}) {
  return compileTrackDescription(ojson::parse(text), "t.json", options);
}

std::string compileError(const std::string& text, const CompileOptions& options = {}) {
  try {
    compile(text, options);
  } catch (const GameError& e) {
    return e.what();
  }
  return "no error";
}

// A clockwise square with rounded corners, left open before the start for a closing section.
const char* kSquare = R"({"name": "square", "laps": 2, "sections": [
  {"kind": "angle", "steps": 10},
  {"kind": "angle", "steps": 10, "degrees": 90},
  {"kind": "angle", "steps": 10},
  {"kind": "angle", "steps": 10, "degrees": 90},
  {"kind": "angle", "steps": 10},
  {"kind": "angle", "steps": 10, "degrees": 90},
  {"kind": "angle", "steps": 7},
  {"kind": "bezier", "endOffset": "close"}]})";

// ---- sections ----

TEST(TrackDescription, SectionsTakeNamedFlagsDegreesAndCarriedWidths) {
  const MapSource src = compile(R"({"name": "demo", "style": "Forest", "laps": 2, "sections": [
    {"kind": "angle", "steps": 4, "width": 40, "verge": 6, "flags": ["gate", "split", 512]},
    {"kind": "angle", "steps": 6, "degrees": 90, "widthR": 30},
    {"kind": "bezier", "endOffset": [100, 50], "control1": [30, 0], "control2": [0, -30], "vergeL": 2,
     "flags": ["leftOpen", "rightSpecial", "blend", "altSurface", "noWalls", "rightOpen", "leftSpecial"]}]})");
  EXPECT_EQ(src.name, "demo");
  EXPECT_EQ(src.style, Forest);
  EXPECT_EQ(src.laps, 2);
  ASSERT_EQ(src.sections.size(), 3u);
  const Section& a = src.sections[0];
  EXPECT_EQ(a.kind, AngleCurve);
  EXPECT_EQ(a.steps, 4);
  EXPECT_EQ(a.turn, 0.0f);
  EXPECT_EQ(a.widthL, 40.0f);
  EXPECT_EQ(a.widthR, 40.0f);
  EXPECT_EQ(a.vergeL, 6.0f);
  EXPECT_EQ(a.vergeR, 6.0f);
  EXPECT_EQ(a.flags, 0x601);
  const Section& b = src.sections[1];
  EXPECT_EQ(b.turn, float(deg2rad(90.0) / 6.0));
  EXPECT_EQ(b.widthL, 40.0f);
  EXPECT_EQ(b.widthR, 30.0f);
  EXPECT_EQ(b.vergeL, 6.0f);
  EXPECT_EQ(b.flags, 0);
  const Section& c = src.sections[2];
  EXPECT_EQ(c.kind, CubicBezierCurve);
  EXPECT_EQ(c.endOffset, (Vec2f{100, 50}));
  EXPECT_EQ(c.control1, (Vec2f{30, 0}));
  EXPECT_EQ(c.control2, (Vec2f{0, -30}));
  EXPECT_EQ(c.widthR, 30.0f);
  EXPECT_EQ(c.vergeL, 2.0f);
  EXPECT_EQ(c.vergeR, 6.0f);
  EXPECT_EQ(c.flags, 0x17E);
}

TEST(TrackDescription, ErrorsNameTheFileAndThePart) {
  EXPECT_EQ(compileError(R"({"laps": 1, "sections": [{"kind": "angle", "steps": 2}, {"kind": "angle", "steps": 2,
            "flags": ["sideOpen"]}]})"),
            "t.json: section 1: unknown flag \"sideOpen\"");
  EXPECT_EQ(compileError(R"({"sections": [{"kind": "angle", "steps": 2}]})"),
            "t.json: \"laps\" is required (1 or more for a loop, 0 for a point-to-point track)");
  EXPECT_EQ(compileError(R"({"laps": 1, "sections": [{"kind": "angle", "steps": 300}]})"),
            "t.json: section 0: \"steps\" must be 0 to 255");
  EXPECT_EQ(compileError(R"({"laps": 1, "sections": [{"kind": "angle", "stpes": 3}]})"),
            "t.json: section 0: unknown key \"stpes\"");
  EXPECT_EQ(compileError(R"({"laps": 1, "sections": [{"kind": "spiral"}]})"),
            "t.json: section 0: \"kind\" must be \"angle\" or \"bezier\"");
  EXPECT_EQ(compileError(R"({"laps": 1, "sections": [{"kind": "bezier", "endOffset": "close"},
            {"kind": "angle", "steps": 3}]})"),
            "t.json: section 0: only the last section can close the loop");
  EXPECT_EQ(compileError(R"({"laps": 1, "sections": [{"kind": "angle", "steps": 3, "turn": 0.1, "degrees": 5}]})"),
            "t.json: section 0: give \"turn\" or \"degrees\", not both");
  EXPECT_EQ(compileError(R"({"laps": 1, "sections": [{"kind": "bezier", "endOffset": [1]}]})"),
            "t.json: section 0: \"endOffset\" must be two numbers [x, y]");
  EXPECT_EQ(compileError(R"({"laps": 1, "sections": [{"kind": "angle", "steps": 3, "width": -2}]})"),
            "t.json: section 0: widths must be positive");
  EXPECT_EQ(compileError(R"({"laps": 1, "sections": [{"kind": "bezier", "endOffset": [1e300, 0]}]})"),
            "t.json: section 0: \"endOffset\" is out of range (each coordinate -16384 to 16384)");
  EXPECT_EQ(compileError(R"({"laps": 1, "style": "Moon", "sections": [{"kind": "angle", "steps": 3}]})"),
            "t.json: unknown style \"Moon\" (CityNight, CityDay, Desert, Snow, Forest or Sea)");
  EXPECT_EQ(compileError(R"({"laps": 1, "sections": []})"), "t.json: \"sections\" must be a non-empty array");
  EXPECT_EQ(compileError(R"({"laps": 0, "sections": [{"kind": "angle", "steps": 40}],
            "trackObjects": [{"kind": "booster", "node": 40}]})"),
            "t.json: trackObjects 0: \"node\" must be 0 to 39");
  EXPECT_EQ(compileError(R"({"laps": 0, "sections": [{"kind": "angle", "steps": 40}],
            "objects": [{"kind": 1, "pos": [1, 2], "side": "left"}]})"),
            "t.json: objects 0: unknown key \"side\"");
  EXPECT_EQ(compileError(R"({"laps": 0, "sections": [{"kind": "angle", "steps": 0}], "objects": []})"),
            "t.json: the track has no nodes");
  EXPECT_THROW(compileTrackFile((tempDir() / "missing.json").string()), IOError);
}

// Every number is held to the range a track can use, and the complaint names the entry: values
// that once passed (and overflowed the plan) and curves that silently made no node.
TEST(TrackDescription, NumbersOutsideWhatATrackCanUseAreRefused) {
  const std::string straight = R"({"kind": "angle", "steps": 40})";
  const struct {
    std::string text, message;
  } cases[] = {
      {R"({"laps": -1, "sections": [)" + straight + "]}", "t.json: \"laps\" must be 0 to 127"},
      {R"({"laps": 0, "sections": [{"kind": "angle", "steps": 4, "width": 1e30}]})",
       "t.json: section 0: widths must be at most 256"},
      {R"({"laps": 0, "sections": [{"kind": "angle", "steps": 4, "verge": 1e9}]})",
       "t.json: section 0: verges must be at most 128"},
      {R"({"laps": 0, "sections": [{"kind": "angle", "steps": 4, "turn": 10}]})",
       "t.json: section 0: \"turn\" must be -3.14159 to 3.14159"},
      {R"({"laps": 0, "sections": [{"kind": "angle", "steps": 2, "degrees": 400}]})",
       "t.json: section 0: \"degrees\" must be -360 to 360 over 2 steps"},
      {R"({"laps": 0, "sections": [{"kind": "bezier", "endOffset": [100, 0], "endHeading": 1e9}]})",
       "t.json: section 0: \"endHeading\" must be -720 to 720"},
      {R"({"laps": 0, "sections": [)" + straight + R"(, {"kind": "bezier", "endOffset": [0, 0]}, )" + straight + "]}",
       "t.json: section 1: the curve is too short to make a node (its end is 0 layout units away)"},
      {R"({"laps": 0, "sections": [{"kind": "bezier", "endOffset": [20000, 0]}]})",
       "t.json: section 0: \"endOffset\" is out of range (each coordinate -16384 to 16384)"},
      {R"({"laps": 0, "sections": [)" + straight +
           R"(], "trackObjects": [{"kind": "booster", "node": 5, "lateral": 1e30}]})",
       "t.json: trackObjects 0: \"lateral\" must be -1 to 1"},
      {R"({"laps": 0, "sections": [)" + straight + R"(], "objects": [{"kind": 0, "node": 5, "offset": 1e30}]})",
       "t.json: objects 0: \"offset\" must be 0 to 64"},
      {R"({"laps": 0, "sections": [)" + straight + R"(], "objects": [{"kind": 0, "pos": [3e38, 0]}]})",
       "t.json: objects 0: \"pos\" is out of range (each coordinate -16384 to 16384)"},
  };
  for (const auto& c : cases) EXPECT_EQ(compileError(c.text), c.message) << c.text;
}

TEST(TrackDescription, BezierHandlesFollowTheHeadingAndMirrorAcrossTheChord) {
  const MapSource src = compile(R"({"laps": 0, "sections": [
    {"kind": "angle", "steps": 5},
    {"kind": "bezier", "endOffset": [300, 400]},
    {"kind": "bezier", "endOffset": [300, 400], "endHeading": 90, "handle": 0.25}]})");
  const Section& sym = src.sections[1];
  EXPECT_EQ(sym.control1, polarVec2f(0.0f, 200.0f));
  EXPECT_EQ(sym.control2, polarVec2f(2.0f * std::atan2(400.0f, 300.0f), -200.0f));
  // The second curve starts where the first one's walk ended, heading along its last step.
  const Section& given = src.sections[2];
  EXPECT_NEAR(given.control2.x, 0.0f, 1e-4f);
  EXPECT_NEAR(given.control2.y, -125.0f, 1e-4f);
  EXPECT_NEAR(length(given.control1), 125.0f, 1e-3f);
}

TEST(TrackDescription, ClosingSectionBringsTheWalkBackToTheStart) {
  const MapSource src = compile(kSquare);
  const MapPtr map = buildTrack(src, "t.json");
  const WalkEnd end = walkEnd(*map);
  EXPECT_LT(length(end.pos), 0.01f);
  const TrackReport r = inspectTrack(*map, src);
  EXPECT_NEAR(r.loopGap, 4.0f, 2e-3f);
  EXPECT_LT(r.headingMismatch, 0.05f);
  EXPECT_TRUE(trackProblems(r).empty());
}

// ---- placements and scenery ----

TEST(TrackDescription, PlacementsByNodeWithLateralFractionOrOnTheRacingLine) {
  const MapSource src = compile(R"({"laps": 1, "sections": [
    {"kind": "angle", "steps": 30, "width": 40}, {"kind": "angle", "steps": 20, "degrees": 90},
    {"kind": "angle", "steps": 30}, {"kind": "angle", "steps": 20, "degrees": 90},
    {"kind": "angle", "steps": 22}, {"kind": "angle", "steps": 20, "degrees": 90},
    {"kind": "angle", "steps": 22}, {"kind": "bezier", "endOffset": "close"}],
    "trackObjects": [{"kind": "booster", "node": 12, "lateral": 0.5}, {"kind": "powerup", "along": 0.25},
                     {"kind": "booster", "node": 40, "lateral": "line"}]})");
  ASSERT_EQ(src.trackObjects.size(), 3u);
  const MapPtr map = buildTrack(src, "t.json");
  const int64_t n = int64_t(map->path.size());
  EXPECT_EQ(src.trackObjects[0].along, float((12 + 0.5) / double(n)));
  EXPECT_EQ(src.trackObjects[0].lateral, 0.0625f);
  EXPECT_EQ(src.trackObjects[1].kind, toPowerup);
  EXPECT_EQ(src.trackObjects[1].along, 0.25f);
  EXPECT_EQ(map->trackObjects[0]->currentNode, 12);
  // Half the usable half-width (40 - 8 layout units) to the right of the centre line.
  const Vec2f base = lerp(map->path[11].pos, map->path[12].pos, 0.5f);
  EXPECT_NEAR(dot(map->trackObjects[0]->pos - base, map->path[12].normal), 2.0f, 1e-4f);
  // The third sits where the racing line (built without it) crosses its stretch, in a corner.
  MapSource bare = src;
  bare.trackObjects.clear();
  const MapPtr plain = buildTrack(bare, "t.json");
  const Line line{plain->racingLine[39], plain->racingLine[40]};
  const Vec2f base40 = lerp(plain->path[39].pos, plain->path[40].pos, 0.5f);
  EXPECT_GT(lineSegDistance(line, base40), 0.5f);
  EXPECT_LT(lineSegDistance(line, map->trackObjects[2]->pos), 1e-3f);
  EXPECT_NEAR(dot(map->trackObjects[2]->pos - base40, perpendicular(plain->path[40].normal)), 0.0f, 1e-4f);
}

TEST(TrackDescription, SceneryByPositionBesideNodesAndInRowsOffTheRoad) {
  const fs::path root = tempDir() / "scenery";
  fs::create_directories(root / "assets");
  std::ofstream(root / "assets" / "items-desert.json")
      << R"({"items": [{"name": "rock", "spr": 2}, {"name": "saguaro", "spr": 9, "h": 2}]})";
  CompileOptions options;
  options.assetRoot = root.string();
  // A hairpin: a row on its inside with a wide offset would land on the other leg.
  const MapSource src = compile(R"({"laps": 0, "style": "Desert", "sections": [
    {"kind": "angle", "steps": 20}, {"kind": "angle", "steps": 9, "degrees": 180}, {"kind": "angle", "steps": 8}],
    "objects": [{"kind": "saguaro", "pos": [3, -40]},
                {"kind": 0, "node": 5, "side": "left", "offset": 2},
                {"kind": "rock", "nodes": [2, 18], "every": 4, "side": "right", "offset": 12}]})",
                                options);
  const MapPtr map = buildTrack(src, "t.json");
  ASSERT_GE(src.objects.size(), 2u);
  EXPECT_EQ(src.objects[0].kind, 1);
  EXPECT_EQ(src.objects[0].pos, (Vec2f{3, -40}));
  const Node& n5 = map->path[5];
  EXPECT_EQ(src.objects[1].kind, 0);
  EXPECT_EQ(src.objects[1].pos, n5.oleft - n5.normal * 2.0f);
  const size_t row = src.objects.size() - 2;
  EXPECT_GT(row, 0u);
  EXPECT_LT(row, 5u);  // of nodes 2, 6, 10, 14 and 18, those facing the other leg are skipped
  for (const MapObject& o : src.objects) EXPECT_FALSE(nearRoad(*map, o.pos, 0.0f));
  options.assetRoot = (root / "nowhere").string();
  EXPECT_EQ(compileError(R"({"laps": 0, "sections": [{"kind": "angle", "steps": 10}],
            "objects": [{"kind": "rock", "pos": [0, 9]}]})",
                         options),
            "Unable to open file: " + options.assetRoot + "/assets/items-city.json");
  options.assetRoot = root.string();
  EXPECT_EQ(compileError(R"({"laps": 0, "style": "Desert", "sections": [{"kind": "angle", "steps": 10}],
            "objects": [{"kind": "cactus", "pos": [0, 9]}]})",
                         options),
            "t.json: objects 0: no item \"cactus\" in " + root.string() + "/assets/items-desert.json");
}

// ---- round trip ----

TEST(TrackDescription, CompiledFileLoadsBackAndDescribesItself) {
  const MapSource src = compile(R"({"name": "trip", "style": "Snow", "laps": 3, "sections": [
    {"kind": "angle", "steps": 12, "width": 36, "verge": 10, "flags": ["gate"]},
    {"kind": "angle", "steps": 9, "degrees": 180, "flags": ["leftSpecial"]},
    {"kind": "bezier", "endOffset": [-300, 200], "endHeading": 180, "flags": ["split", "blend"]},
    {"kind": "angle", "steps": 8, "turn": -0.1},
    {"kind": "bezier", "endOffset": "close"}],
    "trackObjects": [{"kind": "booster", "along": 0.3, "lateral": -0.75}, {"kind": "cursor", "node": 3}],
    "objects": [{"kind": 4, "pos": [-12.5, 30.25]}]})");
  const std::string bytes = encodeMapSource(src);
  const std::string path = (tempDir() / "trip.map").string();
  std::ofstream(path, std::ios::binary) << bytes;
  const MapSource back = loadMapSourceFile(path);
  ASSERT_EQ(back.sections.size(), src.sections.size());
  for (size_t i = 0; i < src.sections.size(); ++i) {
    const Section &a = src.sections[i], &b = back.sections[i];
    EXPECT_EQ(a.kind, b.kind);
    EXPECT_EQ(a.steps, b.steps);
    EXPECT_EQ(a.turn, b.turn);
    EXPECT_EQ(a.widthL, b.widthL);
    EXPECT_EQ(a.widthR, b.widthR);
    EXPECT_EQ(a.vergeL, b.vergeL);
    EXPECT_EQ(a.vergeR, b.vergeR);
    EXPECT_EQ(a.endOffset, b.endOffset);
    EXPECT_EQ(a.control1, b.control1);
    EXPECT_EQ(a.control2, b.control2);
    EXPECT_EQ(a.flags, b.flags);
  }
  ASSERT_EQ(back.trackObjects.size(), 2u);
  EXPECT_EQ(back.trackObjects[0].lateral, -0.75f / 8.0f);
  EXPECT_EQ(back.trackObjects[1].kind, toCursor);
  ASSERT_EQ(back.objects.size(), 1u);
  EXPECT_EQ(back.objects[0].pos, (Vec2f{-12.5f, 30.25f}));
  EXPECT_EQ(back.name, "trip");
  EXPECT_EQ(back.style, Snow);
  EXPECT_EQ(back.laps, 3);
  // The written-out description compiles to the same bytes.
  const ojson described = describeMapSource(back);
  EXPECT_EQ(described["sections"][1]["flags"], ojson::parse(R"(["leftSpecial"])"));
  EXPECT_EQ(described["trackObjects"][0]["lateral"], -0.75);
  EXPECT_EQ(encodeMapSource(compileTrackDescription(described, "described.json")), bytes);
}

// ---- checks ----

TEST(TrackChecks, FindCrossingsFoldsAndOpenLoops) {
  // A heading change of 270 degrees brings the road back across its own start.
  const MapSource crossing = compile(R"({"laps": 0, "sections": [
    {"kind": "angle", "steps": 20}, {"kind": "angle", "steps": 24, "degrees": 270}, {"kind": "angle", "steps": 25}]})");
  const MapPtr crossed = buildTrack(crossing, "t.json");
  const std::vector<std::pair<int64_t, int64_t>> pairs = findCrossings(*crossed);
  ASSERT_FALSE(pairs.empty());
  for (const auto& [a, b] : pairs) {
    EXPECT_LT(a, 21);
    EXPECT_GT(b, 44);
  }
  // A hairpin far too tight for a wide road folds its inner bands.
  const MapSource tight = compile(R"({"laps": 0, "sections": [
    {"kind": "angle", "steps": 5, "width": 90}, {"kind": "angle", "steps": 3, "degrees": 180}, {"kind": "angle", "steps": 5}]})");
  const TrackReport folded = inspectTrack(*buildTrack(tight, "t.json"), tight);
  EXPECT_FALSE(folded.folds.empty());
  // A loop whose last node stops short of the start.
  const MapSource open = compile(R"({"laps": 2, "sections": [
    {"kind": "angle", "steps": 10}, {"kind": "angle", "steps": 20, "degrees": 270}]})");
  const TrackReport gap = inspectTrack(*buildTrack(open, "t.json"), open);
  const std::vector<std::string> problems = trackProblems(gap);
  ASSERT_FALSE(problems.empty());
  EXPECT_EQ(problems[0].rfind("the loop does not close", 0), 0u) << problems[0];
}

TEST(TrackChecks, ReportListsFlagRangesBoostersAndScenery) {
  const MapSource src = compile(R"({"name": "r", "laps": 0, "sections": [
    {"kind": "angle", "steps": 40}, {"kind": "angle", "steps": 6, "width": 60, "flags": ["split"]},
    {"kind": "angle", "steps": 40, "width": 32, "flags": ["gate"]}],
    "trackObjects": [{"kind": "booster", "node": 60}],
    "objects": [{"kind": 0, "pos": [100, 0]}, {"kind": 0, "pos": [100, 30]}]})");
  const TrackReport r = inspectTrack(*buildTrack(src, "t.json"), src);
  EXPECT_EQ(r.nodes, 86);
  ASSERT_EQ(r.flags.size(), 2u);
  EXPECT_EQ(r.flags[0].bit, flagGate);
  EXPECT_EQ(r.flags[0].ranges[0].first, 46);
  EXPECT_EQ(r.flags[0].ranges[0].last, 85);
  EXPECT_EQ(r.flags[1].bit, flagSplit);
  EXPECT_EQ(r.flags[1].ranges[0].first, 40);
  EXPECT_EQ(r.flags[1].ranges[0].last, 45);
  EXPECT_EQ(r.boosterNodes, std::vector<int64_t>{60});
  EXPECT_EQ(r.sceneryOnRoad, 1u);
  EXPECT_EQ(r.narrowestSplitLane, 7.0f);
  const std::string text = formatReport(r);
  EXPECT_NE(text.find("flag gate (0x1): nodes 46-85\n"), std::string::npos) << text;
  EXPECT_NE(text.find("flag split (0x400): nodes 40-45\n"), std::string::npos) << text;
  EXPECT_NE(text.find("nodes of each section: 0:0-39 1:40-45 2:46-85\n"), std::string::npos) << text;
  const std::vector<std::string> problems = trackProblems(r);
  EXPECT_NE(std::find(problems.begin(), problems.end(), "1 scenery objects stand on the road"), problems.end());
}

// ---- the plan ----

TEST(TrackPlan, DrawsRoadBandsLinesAndObjectsToScale) {
  const MapSource src = compile(R"({"laps": 0, "sections": [{"kind": "angle", "steps": 80}],
    "trackObjects": [{"kind": "booster", "node": 50, "lateral": 0.0}],
    "objects": [{"kind": 0, "pos": [200, 20]}]})");
  const MapPtr map = buildTrack(src, "t.json");
  PlanView view;
  view.scale = 1;
  const SurfacePtr plan = drawTrackPlan(*map, src, view);
  // Nodes run from (4, 0) to (320, 0); the bands reach 5 units to each side and the scenery
  // object at y = 20 widens the picture, plus an 8-pixel margin.
  ASSERT_EQ(plan->w, 316 + 17);
  ASSERT_EQ(plan->h, 25 + 17);
  auto px = [&](float x, float y) { return get(*plan, int(std::floor(x - 4.0f)) + 8, int(std::floor(y + 5.0f)) + 8); };
  // Across the road at x = 100: band, wall, road, racing line on the centre, wall, band.
  EXPECT_EQ(px(100.5f, -4.5f), planBand);
  EXPECT_EQ(px(100.5f, -3.5f), planWall);
  EXPECT_EQ(px(100.5f, -2.5f), planRoad);
  EXPECT_EQ(px(100.5f, 0.5f), planRacingLine);
  EXPECT_EQ(px(100.5f, 4.5f), planWall);
  EXPECT_EQ(px(100.5f, 5.0f), planBand);
  EXPECT_EQ(px(100.5f, -8.5f), planBackground);
  // Node i stands at x = 4 (i + 1): the start line at node 32, the finish at node n - 33 = 47.
  EXPECT_EQ(px(132.5f, -2.5f), planStart);
  EXPECT_EQ(px(192.5f, -2.5f), planStart);
  EXPECT_EQ(px(128.5f, -2.5f), planRoad);
  EXPECT_EQ(px(map->trackObjects[0]->pos.x, -0.5f), planBooster);
  EXPECT_EQ(px(200.0f, 20.0f), planScenery);
  EXPECT_THROW(drawTrackPlan(*map, src, PlanView{0.0f, {}, ""}), FormatError);
  // An arrow points from the start line along the driving direction, less wide than the road.
  EXPECT_EQ(px(134.5f, 0.5f), planStart);
  EXPECT_EQ(px(134.5f, -3.0f), planRoad);
  EXPECT_NE(px(131.0f, 0.5f), planStart);
}

// With the game's small font the plan grows a strip below it naming the colours.
TEST(TrackPlan, LegendBelowThePlan) {
  const MapSource src = compile(R"({"laps": 0, "sections": [{"kind": "angle", "steps": 120}]})");
  const MapPtr map = buildTrack(src, "t.json");
  PlanView view;
  view.scale = 1;
  const int plainHeight = drawTrackPlan(*map, src, view)->h;
  view.legendFont = test::sourceDir() + "/assets/font5x5.png";
  const test::LogCapture capture;
  const SurfacePtr plan = drawTrackPlan(*map, src, view);
  ASSERT_GT(plan->h, plainHeight + 8);
  // The first entry's swatch: the road colour, at the strip's left margin.
  EXPECT_EQ(get(*plan, 8, plainHeight), planRoad);
  EXPECT_EQ(get(*plan, 12, plainHeight + 4), planRoad);
  std::set<uint8_t> colours;
  for (int y = plainHeight; y < plan->h; ++y)
    for (int x = 0; x < plan->w; ++x) colours.insert(get(*plan, x, y));
  EXPECT_EQ(colours,
            (std::set<uint8_t>{planBackground, planRoad, planScenery, planBand, planWall, planStart, planRacingLine,
                               planOpenSide, planGate, planSpecialSide, planBooster, planNodeMark, planDivider}));
}

// ---- the shipped tracks ----

TEST(ShippedTrackSources, MapsAreWhatTheirDescriptionsCompileTo) {
  CompileOptions options;
  options.assetRoot = test::sourceDir();
  for (int slot : {1, 2, 3}) {
    const std::string n = std::to_string(slot);
    const MapSource src = compileTrackFile(test::sourceDir() + "/tools/tracks/" + n + ".json", options);
    EXPECT_TRUE(encodeMapSource(src) == test::slurp(test::sourceDir() + "/maps/" + n + ".map"))
        << "maps/" << n << ".map is stale: rebuild it with the regenerate_tracks target";
    EXPECT_TRUE(trackProblems(inspectTrack(*buildTrack(src, n), src)).empty()) << "slot " << slot;
  }
}

}  // namespace
}  // namespace dx
