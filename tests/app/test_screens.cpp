// The race screen's gauges, the editor's text columns, and one frame of each screen compared
// with committed reference pictures. DX_UPDATE_REFERENCES=1 rewrites the references from the
// current output; every run also leaves its pictures in <build>/screen-pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include "app/editor.h"
#include "app/race_screen.h"
#include "framework/input.h"
#include "framework/png_io.h"
#include "map/world_step.h"
#include "screen_fixtures.h"
#include "test_support.h"

namespace dx {
namespace {

namespace fs = std::filesystem;
using screens::kH;
using screens::kW;
using test::at;

// One canvas row from x0 to x1 as colour indices.
std::vector<int> row(int y, int x0, int x1) {
  std::vector<int> out;
  for (int x = x0; x <= x1; ++x) out.push_back(at(x, y));
  return out;
}

// Colour c from x0 to x1, the sentinel elsewhere in [from, to].
std::vector<int> span(int from, int to, std::initializer_list<std::tuple<int, int, int>> runs) {
  std::vector<int> out(size_t(to - from + 1), test::kSentinel);
  for (auto [x0, x1, c] : runs)
    for (int x = x0; x <= x1; ++x) out[size_t(x - from)] = c;
  return out;
}

class Gauges : public testing::Test {
 protected:
  void SetUp() override {
    screens::resetScreens(test::sourceDir());
    loadFont(0, "font.png", fontChars);
    test::freshCanvas(kW, kH);
    car.settings.shutdownTemperature = 100;
    car.settings.restartTemperature = 60;
    car.settings.maxaccel = 300;
    car.settings.boostForce = 100;
    car.trailColor = 12;
    sharedRecords().frame = 1;
  }
  Car car;
};

TEST_F(Gauges, TemperatureLevelIsFullWhenColdAndEmptyAtShutdown) {
  // W = 240: the gauge's background runs from 240 - 48 to xr = 238 on row 133 and one pixel
  // further left on row 134; the restart zone (60 of 100) covers the last floor(0.4 * 48) = 19.
  car.temperature = 0;
  drawGauges(car);
  EXPECT_EQ(row(133, 180, 239), span(180, 239, {{190, 238, 12}}));
  EXPECT_EQ(row(134, 180, 239), span(180, 239, {{189, 238, 12}}));

  test::freshCanvas(kW, kH);
  car.temperature = 100;  // t = 0: a level of length 0, blinking white on this frame
  drawGauges(car);
  EXPECT_EQ(row(133, 180, 239), span(180, 239, {{192, 218, 1}, {219, 237, 0}, {238, 238, 7}}));
  EXPECT_EQ(row(134, 180, 239), span(180, 239, {{191, 217, 1}, {218, 236, 0}, {237, 238, 7}}));
}

TEST_F(Gauges, ShutDownEngineBlinksRedAndBlack) {
  car.temperature = 80;
  car.engineShutdown = true;
  for (int64_t f : {0, 4, 5, 9}) {
    sharedRecords().frame = f;
    drawGauges(car);
    EXPECT_EQ(at(230, 133), f % 10 < 5 ? 8 : 0) << f;
  }
}

TEST_F(Gauges, ForcesShowAccelerationAndBoostLessBraking) {
  // F = 400 and the bar is a quarter of the screen: 60 pixels for the full force.
  car.accelForce = {200, 0};  // 30 pixels
  car.boostForce = {0, 100};  // with the acceleration, length 223.6: 33 pixels
  car.brakeForce = {0, 80};   // 12 pixels
  drawGauges(car);
  EXPECT_EQ(row(130, 190, 239), span(190, 239, {{205, 207, 8}, {208, 226, 11}, {227, 238, 0}}));
  EXPECT_EQ(row(131, 190, 239), span(190, 239, {{204, 206, 8}, {207, 225, 11}, {226, 238, 0}}));
  EXPECT_EQ(row(132, 190, 239), span(190, 239, {{204, 238, 0}}));
}

TEST_F(Gauges, SpeedReadsZeroAtRestRightAlignedAtTheScreenEdge) {
  drawGauges(car);
  const std::vector<int> rest = row(127, 180, 239);
  EXPECT_EQ(rest, span(180, 239, {{238, 238, 9}}));
  // The digit's cell ends at the screen edge: its last column is 238, the advance's blank
  // column is 239.
  const int w = textWidth("0");
  int minX = kW, maxX = -1;
  for (int y = kH - 15; y < kH - 9; ++y)
    for (int x = 0; x < kW; ++x)
      if (at(x, y) != test::kSentinel) {
        EXPECT_EQ(at(x, y), 9);
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
      }
  EXPECT_GE(minX, kW - w);
  EXPECT_EQ(maxX, kW - 2);
  EXPECT_EQ(drawState().spritesheet, drawState().spritesheets[0]);
  EXPECT_EQ(fontState().currentFontId, 0);

  // 100 km/h fills half of the bar.
  test::freshCanvas(kW, kH);
  car.vel = {100.0f / 3.6f + 1e-4f, 0};
  drawGauges(car);
  EXPECT_EQ(row(127, 180, 239), span(180, 239, {{214, 238, 9}}));
}

// ---- the editor ----

class Editor : public testing::Test {
 protected:
  void SetUp() override {
    screens::resetScreens(test::sourceDir());
    palette = screens::loadArt(test::sourceDir());
    Harness& h = harness();
    h.lightPos = Vec3f{5, 5, 5};
    h.myMap = screens::circuit(CityNight);
    h.myCar = newCar(nullptr, screens::testCarSettings(test::sourceDir()));
    h.myCar->map = h.myMap.get();
    recalculate(h.myCar->settings);
  }
  Palette palette;
};

// Every ink pixel of the text printed alone must be in the frame, and the frame must hold no
// other colour-7 pixel in the text's box.
void expectText(const std::vector<uint8_t>& frame, const std::string& text, int x, int y, bool right) {
  SCOPED_TRACE(text);
  test::freshCanvas(kW, kH, 0);
  setColor(7);
  right ? printr(text, x, y) : print(text, x, y);
  const int w = textWidth(text);
  const int left = right ? x - w : x;
  for (int yy = y; yy < y + 6; ++yy)
    for (int xx = left; xx < left + w && xx < kW; ++xx)
      EXPECT_EQ(frame[size_t(yy * kW + xx)] == 7, at(xx, yy) == 7) << xx << ", " << yy;
}

TEST_F(Editor, TextColumnsNameTheSlotAndTheHandling) {
  Harness& h = harness();
  CarSettings& s = h.myCar->settings;
  h.lightPos = Vec3f{-8, 0, 2};  // behind the car, clear of the text
  h.carEditSlot = 2;
  s.heatsinkIndex = 1;
  s.carClass = 3;
  s.mass = 10;
  s.maxaccel = 400;
  s.dragLong = 0.25f;
  s.longSurfaceArea = 800;
  s.dragLat = 480;
  s.latSurfaceArea = 10;
  s.turnForce = 70;
  s.brakeTurnForce = 90;
  s.boostForce = 200;
  s.brakeMaxAccel = 500;
  s.boostHeatGeneration = 24;
  s.heatDissipation = 5;
  s.shutdownTemperature = 100;
  s.restartTemperature = 60;
  h.myCar->temperature = 24.5f;
  sharedRecords().frame = 5;  // the outline is in colour 10 on this frame
  gameDrawEdit();
  const std::vector<uint8_t> frame = drawState().swCanvas->data;
  const std::pair<const char*, int> left[] = {
      {"Heatsink", 1},         {"heatsink_plate", 8}, {"class: 3", 48},      {"mass: 10.00", 56},
      {"speed: 144.00", 64},   {"dLong: 200.00", 72}, {"dLat: 4800.00", 80}, {"turn: 7.00", 88},
      {"brakeTurn: 9.00", 96}, {"accel: 40.00", 104}, {"boost: 20.00", 112}, {"brake: 50.00", 120},
  };
  for (auto [text, y] : left) expectText(frame, text, 1, y, false);
  const std::pair<const char*, int> right[] = {
      {"boost gen: 24.00", 20},    {"heat dis: 5.00", 30}, {"shutdown temp: 100.00", 40},
      {"restart temp: 60.00", 50}, {"temp: 24.50", 60},
  };
  for (auto [text, y] : right) expectText(frame, text, kW - 1, y, true);

  // With the light where it starts, its marker leaves the class and the mass readable.
  h.lightPos = Vec3f{5, 5, 5};
  gameDrawEdit();
  const std::vector<uint8_t> lit = drawState().swCanvas->data;
  expectText(lit, "class: 3", 1, 48, false);
  expectText(lit, "mass: 10.00", 1, 56, false);
}

// A catalogue whose second hull sums to no mass: stepping right passes over it to the third, so
// the car always keeps a build it can drive (recalculating one that cannot ended the game).
TEST_F(Editor, BuildsThatCannotDriveArePassedOver) {
  CarCatalogue c;
  auto part = [](float mass) {
    CarComponent p;
    p.name = "p";
    p.mass = mass;
    return p;
  };
  c.carHulls = {part(1), part(-5), part(2)};
  for (auto* list : {&c.carThrusters, &c.carHeatsinks, &c.carWings, &c.carCovers, &c.carPods}) *list = {part(0)};
  useCarCatalogue(std::move(c));
  CarSettings& s = harness().myCar->settings;
  s.hullIndex = 0;
  recalculate(s);
  initInput();
  inputState().controllers[0]->buttons[size_t(Button::Right)] = 2;
  const test::LogCapture capture;
  gameUpdateEdit();
  EXPECT_EQ(capture.out().rfind("the editor passes over a build that cannot drive: ", 0), 0u);
  EXPECT_EQ(s.hullIndex, 2);
  EXPECT_EQ(s.mass, 2.0f);
}

TEST_F(Editor, ReturnSwapsTheBodyColoursUntilPressedAgain) {
  auto& keys = inputState().keysDown;
  auto frameWithReturn = [&](int updatesHeld) {
    keys[keyReturn] = updatesHeld;  // 1: went down this update
    gameUpdateEdit();
    gameDrawEdit();
    return drawState().swCanvas->data;
  };
  const std::vector<uint8_t> plain = frameWithReturn(0);
  const std::vector<uint8_t> swapped = frameWithReturn(1);
  EXPECT_NE(swapped, plain);
  EXPECT_TRUE(carDrawState().useAltColors);
  EXPECT_EQ(frameWithReturn(2), swapped);  // held, not pressed again
  EXPECT_EQ(frameWithReturn(0), swapped);
  EXPECT_EQ(frameWithReturn(1), plain);
}

// The race cars follow the same colour choice as the editor: the swap is the same picture as a
// team whose first two colours trade places with the next two.
TEST(CarColours, SwapReachesTheCarsOnTheTrack) {
  screens::resetScreens(test::sourceDir());
  screens::loadArt(test::sourceDir());
  screens::raceScene(test::sourceDir(), CityNight, 0);
  Car& car = *harness().myCar;
  auto drawCar = [&] {
    test::freshCanvas(kW, kH, 0);
    resetTrackDrawState();
    setupCamera(car.pos, {0, 0});
    setUseDepth(true);
    seedRandom(7);
    car.draw3d();
    return drawState().swCanvas->data;
  };
  const std::vector<uint8_t> plain = drawCar();
  carDrawState().useAltColors = true;
  const std::vector<uint8_t> swapped = drawCar();
  EXPECT_NE(swapped, plain);
  carDrawState().useAltColors = false;
  auto& colours = sharedRecords().teams[car.team].colors;
  std::swap_ranges(colours.begin(), colours.begin() + 2, colours.begin() + 2);
  EXPECT_EQ(drawCar(), swapped);
}

// ---- the world step does not depend on drawing ----

// The cars' states after 600 world steps of the race scene; with `draw`, the race screen is drawn
// after every step while the debug keys are pressed, as a frame of the game would.
std::vector<float> carsAfterSteps(bool draw) {
  screens::resetScreens(test::sourceDir());
  screens::loadArt(test::sourceDir());
  screens::raceScene(test::sourceDir(), CityNight, 8);
  Map& map = *harness().myMap;
  for (int i = 0; i < 600; ++i) {
    stepWorld(map, 1.0f / 60, randomState());  // the simulation's generator: drawing must not touch it
    if (!draw) continue;
    for (int32_t k : {keyT, keyReturn, keyM}) inputState().keysDown[k] = 1;
    sharedRecords().frame += 1;
    gameDrawRace();
  }
  std::vector<float> state;
  for (const TrackObjectPtr& o : map.trackObjects) {
    const Car& c = static_cast<const Car&>(*o);
    state.insert(state.end(), {c.pos.x, c.pos.y, c.vel.x, c.vel.y, c.angle, c.angularVelocity, c.accel, c.temperature,
                               c.controls.steer, float(c.controls.brake), float(c.currentNode), c.nodeAlpha,
                               c.targetAngle, float(c.team), float(c.trail.size)});
    for (int64_t k = 0; k < c.trail.size; ++k) state.insert(state.end(), {c.trail[k].x, c.trail[k].y});
    if (c.ai) state.insert(state.end(), {c.ai->tightness, c.ai->pidSteering0.integral, float(c.ai->lastActive)});
  }
  return state;
}

TEST(WorldStep, DrawingBetweenStepsChangesNothing) {
  const std::vector<float> plain = carsAfterSteps(false);
  EXPECT_EQ(plain.size(), 9u * 15 + 8 * 3 + 9 * 32);
  EXPECT_EQ(carsAfterSteps(true), plain);
}

// ---- pictures ----

void checkPicture(const std::string& name, const Palette& palette) {
  const fs::path out = fs::path(test::buildDir()) / "screen-pictures" / (name + ".png");
  const fs::path ref = fs::path(test::sourceDir()) / "tests" / "app" / "reference" / (name + ".png");
  fs::create_directories(out.parent_path());
  writePngIndexed(out.string(), *drawState().swCanvas, palette);
  if (std::getenv("DX_UPDATE_REFERENCES")) writePngIndexed(ref.string(), *drawState().swCanvas, palette);
  ASSERT_TRUE(fs::exists(ref)) << "missing reference " << ref;
  const SurfacePtr want = loadSurfaceIndexed(ref.string());
  ASSERT_EQ(want->w, kW);
  ASSERT_EQ(want->h, kH);
  int differing = 0;
  for (size_t i = 0; i < want->data.size(); ++i) differing += want->data[i] != drawState().swCanvas->data[i];
  EXPECT_EQ(differing, 0) << "pixels differ from " << ref << "; see " << out;
}

TEST(ScreenPictures, RaceFrame) {
  screens::resetScreens(test::sourceDir());
  const Palette palette = screens::loadArt(test::sourceDir());
  screens::raceScene(test::sourceDir(), CityNight, 8);
  Map& map = *harness().myMap;
  const Car& car = *harness().myCar;
  newParticle(map.ps, particleSmoke, car.pos + Vec2f{-3, 1}, {}, 1.0f, false, 0, float(car.currentNode));
  newParticle(map.ps, particleBoost, car.pos + Vec2f{-2, -1}, {}, 0.5f, false, 11, float(car.currentNode));
  newParticle(map.envPS, particleSnow, car.pos + Vec2f{4, 2}, {}, 2.0f, false, 0, 0);
  // The camera eases in over the first frames.
  for (int i = 0; i < 40; ++i) {
    sharedRecords().frame += 1;
    gameDrawRace();
  }
  checkPicture("race_frame", palette);
}

TEST(ScreenPictures, EditorFrame) {
  screens::resetScreens(test::sourceDir());
  const Palette palette = screens::loadArt(test::sourceDir());
  screens::raceScene(test::sourceDir(), CityNight, 0);
  Harness& h = harness();
  h.time = 1.5f;
  h.carEditSlot = 3;
  h.myCar->settings.wingIndex = 1;
  recalculate(h.myCar->settings);
  sharedRecords().frame = 2;  // the outline blinks white
  gameDrawEdit();
  checkPicture("editor_frame", palette);
}

}  // namespace
}  // namespace dx
