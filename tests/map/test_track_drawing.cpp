#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "map/item_types.h"
#include "map/node_queries.h"
#include "map/reset_map.h"
#include "map/track_drawing.h"
#include "map_fixtures.h"
#include "objects/shared_records.h"
#include "render3d/render_state.h"
#include "test_support.h"

namespace dx {
namespace {

using test::at;
using test::changedPixels;
using test::freshCanvas;
using test::Pixels;

void resetAll() {
  resetMapModules();
  freshCanvas(240, 136);
}

TEST(TrackColor, ProgressColoursFromStartToFinish) {
  const MapPtr map = fromSource(test::ring(100));
  EXPECT_EQ(trackColor(*map, 0), 8);
  EXPECT_EQ(trackColor(*map, 17), 9);    // trunc(1.02)
  EXPECT_EQ(trackColor(*map, 50), 11);   // trunc(3.0)
  EXPECT_EQ(trackColor(*map, 99), 14);   // trunc(5.94)
  EXPECT_EQ(trackColor(*map, 250), 15);  // a car's node on a later lap is held at the last colour
  EXPECT_EQ(trackColor(*map, -5), 8);
}

TEST(TrackCamera, ZoomHalvesTheHeightAndTheLookAhead) {
  auto heightAndLook = [](float zoom) {
    resetAll();
    trackDrawState().zoom = zoom;
    setupCamera({0, 0}, {0, 0});
    const float height = trackDrawState().cameraPos.z;
    resetTrackDrawState();
    trackDrawState().zoom = zoom;
    setupCamera({0, 0}, {1000, 0});
    return std::pair{height, trackDrawState().cameraTarget.x};
  };
  const auto [h1, look1] = heightAndLook(1.0f);
  const auto [h2, look2] = heightAndLook(2.0f);
  // From rest at the origin the first frame moves a third of the way to 0.75 of the height at
  // which 20 map units fill the view, and 0.93 of the way to a look-ahead of 20 * 0.33.
  EXPECT_NEAR(h1, 0.33f * 0.75f * 31.7159f, 1e-3f);
  EXPECT_NEAR(look1, 0.93f * 6.6f, 1e-4f);
  EXPECT_FLOAT_EQ(h2, h1 * 0.5f);
  EXPECT_FLOAT_EQ(look2, look1 * 0.5f);
}

TEST(TrackCamera, ClearsTheDepthAndSetsTheClipDistances) {
  resetAll();
  stencilClear(7);
  setStencilWrite(true);
  setupCamera({3, 4}, {0, 0});
  EXPECT_EQ(trackDrawState().near, 2.0f);
  EXPECT_EQ(trackDrawState().far, 50.0f);
  EXPECT_EQ(stencilGet(0, 0), 255);
  EXPECT_EQ(stencilGet(239, 135), 255);
  EXPECT_FALSE(drawState().stencilWrite);
}

// Records which of its two drawing passes ran, by name.
class Probe : public TrackObject {
 public:
  Probe(std::string name, float height, int64_t node, std::vector<std::string>* log)
      : name_(std::move(name)), log_(log) {
    z = height;
    currentNode = node;
  }
  void drawShadow3d() override { log_->push_back(name_ + " shadow"); }
  void draw3d() override { log_->push_back(name_ + " body"); }

 private:
  std::string name_;
  std::vector<std::string>* log_;
};

TEST(TrackLayers, ObjectsSplitAtHeightThreeQuartersAndWithin16Nodes) {
  resetAll();
  const MapPtr map = fromSource(test::ring(100));
  std::vector<std::string> log;
  auto add = [&](const char* name, float z, int64_t node) {
    map->trackObjects.push_back(std::make_shared<Probe>(name, z, node, &log));
  };
  add("low", 0.5f, 10);
  add("edge", 0.75f, 10);
  add("car", 3.0f, 25);     // 15 nodes ahead
  add("far", 3.0f, 26);     // 16 nodes ahead
  add("behind", 0.1f, 95);  // 15 nodes back round the loop
  add("justLow", 0.7499f, 10);
  setupCamera(map->path[10].pos, {0, 0});
  drawLayer1(*map, 10);
  EXPECT_EQ(log, (std::vector<std::string>{"low shadow", "behind shadow", "justLow shadow", "low body", "behind body",
                                           "justLow body"}));
  log.clear();
  drawLayer4(*map, 10);
  EXPECT_EQ(log, (std::vector<std::string>{"edge shadow", "car shadow", "edge body", "car body"}));
}

TEST(TrackLayers, BackgroundColourFillsTheViewUnderTheDeepGrid) {
  for (MapStyle style : {CityNight, Desert}) {
    SCOPED_TRACE(mapStyleName(style));
    resetAll();
    MapSource src = test::ring(100);
    src.style = style;
    const MapPtr map = fromSource(src);
    setupCamera(map->path[0].pos, {0, 0});
    drawLayer0(*map, 0);
    int background = 0, grid = 0, other = 0;
    for (int y = 0; y < 136; ++y)
      for (int x = 0; x < 240; ++x) {
        const uint8_t c = at(x, y);
        if (c == 1)
          ++grid;
        else if (c == (style == Desert ? 15 : test::kSentinel))
          ++background;
        else
          ++other;
      }
    EXPECT_GT(grid, 100);
    EXPECT_GT(background, 240 * 136 / 2);
    EXPECT_EQ(other, 0);
  }
}

TEST(TrackLayers, ASeaTrackWithoutTilesetStillDrawsItsGatesAndNoScenery) {
  resetAll();
  MapSource src = test::sourceOf({test::straight(40, flagGate)}, 1);
  src.style = Sea;
  src.objects.push_back(MapObject{0, Vec2f{60, 20}});
  const MapPtr map = fromSource(src);
  itemTypes().mapObjectDescriptions = {{"buoy", 1, 1, 1, {}}};
  const AABB box{{70, -10}, {100, 10}};
  const std::vector<Node> nodes = {map->path[20]};
  setupCamera(map->path[20].pos, {0, 0});
  sharedRecords().frame = 1;  // odd: no gate shadows
  EXPECT_NO_THROW(drawLayer5(*map, nodes, 20, box));
  Pixels painted = changedPixels();
  ASSERT_FALSE(painted.empty());
  std::set<uint8_t> colours;
  for (auto [x, y] : painted) colours.insert(at(x, y));
  EXPECT_EQ(colours, (std::set<uint8_t>{uint8_t(trackColor(*map, 20))}));
}

// ---- scenery sprites ----

// Spritesheet slot 2 of w x h cells, every pixel in colour c.
void plainSheet(int w, int h, uint8_t c) {
  SurfacePtr s = newSurface(w * 8, h * 8);
  std::fill(s->data.begin(), s->data.end(), c);
  s->tw = s->th = 8;
  drawState().spritesheets[2] = s;
  setSpritesheet(2);
}

Pixels rect(int x0, int y0, int x1, int y1) {
  Pixels p;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) p.insert({x, y});
  return p;
}

TEST(Scenery, SpriteIsCentredOnTheMapPositionTakenAsPixels) {
  resetAll();
  const MapPtr map = fromSource(test::ring(100));
  plainSheet(2, 3, 4);
  itemTypes().mapObjectDescriptions = {{"crate", 0, 2, 3, {}}};
  drawObj(*map, MapObject{0, {100.7f, 50.2f}}, 1.0f);
  EXPECT_EQ(changedPixels(), rect(92, 38, 107, 61));
  EXPECT_EQ(at(92, 38), 4);
}

TEST(Scenery, FlashSwapsAColourForHalfOfEveryPeriod) {
  resetAll();
  const MapPtr map = fromSource(test::ring(100));
  plainSheet(1, 1, 3);
  itemTypes().mapObjectDescriptions = {{"steady", 0, 1, 1, {3, 7, 0}}, {"lamp", 0, 1, 1, {3, 7, 20}}};
  for (int64_t f = 0; f < 40; ++f) {
    SCOPED_TRACE(f);
    sharedRecords().frame = f;
    drawObj(*map, MapObject{0, {20, 20}}, 1.0f);
    drawObj(*map, MapObject{1, {40, 20}}, 1.0f);
    EXPECT_EQ(at(20, 20), 3);
    EXPECT_EQ(at(40, 20), f % 20 < 10 ? 7 : 3);
    EXPECT_EQ(drawState().paletteMapDraw[3], 3);  // the mapping is reset after each sprite
  }
}

TEST(Scenery, AFlashColourOutsideThePaletteIsIgnored) {
  resetAll();
  const MapPtr map = fromSource(test::ring(100));
  plainSheet(1, 1, 3);
  itemTypes().mapObjectDescriptions = {{"odd", 0, 1, 1, {300, 7, 20}}};
  EXPECT_NO_THROW(drawObj(*map, MapObject{0, {20, 20}}, 1.0f));
  EXPECT_EQ(at(20, 20), 3);
}

TEST(Scenery, OtherScalesStretchTheSpriteOrShowADot) {
  resetAll();
  const MapPtr map = fromSource(test::ring(100));
  plainSheet(2, 2, 4);
  itemTypes().mapObjectDescriptions = {{"rock", 0, 2, 2, {}}};
  drawObj(*map, MapObject{0, {40, 20}}, 0.5f);  // 8 x 8 pixels around (20, 10)
  EXPECT_EQ(changedPixels(), rect(16, 6, 23, 13));
  freshCanvas(240, 136);
  plainSheet(2, 2, 4);
  drawObj(*map, MapObject{0, {40, 20}}, 0.05f);  // under a pixel: one dot of colour 3
  EXPECT_EQ(changedPixels(), (Pixels{{2, 1}}));
  EXPECT_EQ(at(2, 1), 3);
}

TEST(Scenery, SnowTreesIgnoreTheirDescription) {
  resetAll();
  MapSource src = test::ring(100);
  src.style = Snow;
  const MapPtr map = fromSource(src);
  SurfacePtr s = newSurface(128, 128);
  s->tw = s->th = 8;
  for (int y = 40; y < 56; ++y)
    for (int x = 64; x < 80; ++x) s->data[size_t(y * 128 + x)] = 6;  // sprite 88, 2 x 2 cells
  drawState().spritesheets[2] = s;
  setSpritesheet(2);
  itemTypes().mapObjectDescriptions = {{"tree", 0, 4, 4, {6, 8, 2}}};
  drawObj(*map, MapObject{0, {50.5f, 60.5f}}, 1.0f);
  Pixels trunk = rect(42, 52, 57, 67), disc;
  for (auto p : changedPixels())
    if (!trunk.count(p)) disc.insert(p);
  for (auto p : trunk) EXPECT_EQ(at(p.first, p.second), 6);
  EXPECT_EQ(disc, (Pixels{{48, 68}, {49, 68}, {50, 68}, {51, 68}, {52, 68}}));  // the shadow below it
  EXPECT_EQ(at(50, 68), 5);
}

TEST(Scenery, AKindWithoutDescriptionIsAnIndexError) {
  resetAll();
  const MapPtr map = fromSource(test::ring(100));
  EXPECT_THROW(drawObj(*map, MapObject{3, {10, 10}}, 1.0f), IndexError);
}

}  // namespace
}  // namespace dx
