// The status panel, the gauge backing and the key help over the race screen; and the race screen
// with the panel off, compared byte for byte with the screen drawn step by step as described.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/race_screen.h"
#include "app/status_panel.h"
#include "app/view_controls.h"
#include "geom/scalar_math.h"
#include "map/node_queries.h"
#include "map/world_step.h"
#include "platform/input_events.h"
#include "screen_fixtures.h"
#include "test_support.h"

namespace dx {
namespace {

using screens::kH;
using screens::kW;
using test::at;

// The race screen as described, one step after another, around the user's car.
void describedRaceScreen() {
  Harness& h = harness();
  const Car& car = *h.myCar;
  const Map& map = *h.myMap;
  cls();
  h.pos = lerp(h.pos, (car.pos + car.vel * 0.1f) * 8.0f, 0.5f);
  const Vec2f screen = vec2f(kW, kH);
  const Vec2f topLeft = h.pos - screen * 0.5f;
  const AABB box{topLeft / 8.0f, (topLeft + screen) / 8.0f};
  std::vector<Node> nodes = getNodesInAABB(map, box);
  const int64_t n = int64_t(map.path.size());
  std::stable_sort(nodes.begin(), nodes.end(), [&](const Node& a, const Node& b) {
    return modDiff(a.id, car.currentNode, n) > modDiff(b.id, car.currentNode, n);
  });
  setupCamera(car.pos, car.vel);
  drawLayer0(map, car.currentNode);
  drawLayer1(map, car.currentNode);
  drawLayer2(map, nodes, car.currentNode);
  drawLayer3(map, nodes, car.currentNode);
  drawParticles(map.ps, car.currentNode, loopState().timeStep);
  drawLayer4(map, car.currentNode);
  drawLayer5(map, nodes, car.currentNode, box);
  setSpritesheet(0);
  drawWeather(map.envPS, loopState().timeStep);
  setCamera(0, 0);
  stencilMode(stencilAlways);
  drawGauges(car);
}

// Canvas and stencil of 20 frames of a moving field of cars, each frame drawn by `draw`.
std::vector<std::vector<uint8_t>> frames(void (*draw)()) {
  screens::resetScreens(test::sourceDir());
  screens::loadArt(test::sourceDir());
  screens::raceScene(test::sourceDir(), CityNight, 8);
  viewState().panel = false;
  std::vector<std::vector<uint8_t>> out;
  for (int i = 0; i < 20; ++i) {
    sharedRecords().frame += 1;
    draw();
    out.push_back(drawState().swCanvas->data);
    out.push_back(drawState().stencilBuffer->data);
    update(*harness().myMap, 1.0f / 60);
  }
  return out;
}

TEST(RaceScreen, PanelOffIsTheDescribedScreenByteForByte) {
  const auto described = frames(describedRaceScreen);
  const auto drawn = frames(gameDrawRace);
  ASSERT_EQ(drawn.size(), described.size());
  for (size_t i = 0; i < drawn.size(); ++i) EXPECT_TRUE(drawn[i] == described[i]) << "frame " << i / 2;
}

// The pixels `print` inks for text at (x, y), in font 1.
std::set<std::pair<int, int>> ink(const std::string& text, int x, int y) {
  test::freshCanvas(kW, kH);
  setFont(1);
  setColor(7);
  print(text, x, y);
  return test::changedPixels();
}

class Panel : public testing::Test {
 protected:
  void SetUp() override {
    screens::resetScreens(test::sourceDir());
    screens::loadArt(test::sourceDir());
    screens::raceScene(test::sourceDir(), CityNight, 3);
    Harness& h = harness();
    h.myMap->mapSlot = 2;
    h.myMap->name = "Test Ring";
    trainingRecord().history = {{310, 140.0f, 400, 1.0, 38.5f, std::nullopt}, {312, 145.3f, 420, 1.0, 38.25f, 36.5f}};
    h.timeSinceStart = 17.5f;
    h.ff = true;
    h.bestAI = {{100, {}}, {420, {}}};  // a loaded pool is not sorted
    h.myCar->lapTimes = {30.5f, 31.25f, 4.0f};
    trainingRecord().reference = std::make_shared<const SpeedPlan>(SpeedPlan{{}, 36.125f, 38.875f});
  }
};

TEST_F(Panel, LinesTellTrainingAndTheFollowedCar) {
  const std::vector<std::string> want{"track 2: Test Ring, level 0",
                                      "gen 3  left 42.5 s  2x",
                                      "last gen: best 312  mean 145.3",
                                      "  standing 38.25 s, flying 36.50 s",
                                      "pool best 420",
                                      "following: you, node 12",
                                      "lap 3/3  last 31.25  best 30.50  ref 36.1"};
  EXPECT_EQ(panelLines(*harness().myCar), want);

  Harness& h = harness();
  trainingRecord().history.clear();
  h.bestAI.clear();
  h.ff = false;
  h.timeSinceStart = 61;
  h.aiCars[1]->currentNode = 40;
  cycleFollow();
  const std::vector<std::string> lines = panelLines(followedCar());
  EXPECT_EQ(lines[1], "gen 1  left 0.0 s");
  EXPECT_EQ(lines[2], "last gen: none yet");
  EXPECT_EQ(lines[3], "pool: empty");
  EXPECT_EQ(lines[4], "following: AI #2, node 40");
  EXPECT_EQ(lines[5], "lap 1/3  last --  best --  ref 38.9");  // its first lap: a standing lap

  // Another kind of driver is named, and a followed driver of it shows its genes, a digit each.
  sessionOptions().driver = DriverKind::racer;
  AI& ai = *h.aiCars[1]->ai;
  ai.kind = DriverKind::racer;
  ai.genes = {-1, -0.5f, 0, 0.5f, 1, 0.99f, -2, 2, 0.1f, -0.1f, 0.3f};
  const std::vector<std::string> racer = panelLines(followedCar());
  EXPECT_EQ(racer[0], "track 2: Test Ring, racer, level 0");
  EXPECT_EQ(racer.back(), "genes 02579909546");
  sessionOptions().driver = DriverKind::pid;

  h.aiCars.clear();  // before the first generation starts
  EXPECT_EQ(panelLines(*h.myCar)[2], "no cars yet: r starts training now");
}

TEST_F(Panel, TextSitsOnItsBackingInTheTopLeftCorner) {
  const std::vector<std::string> lines = panelLines(*harness().myCar);
  const ColorId colours[7] = {12, 7, 6, 6, 6, 9, 7};
  std::vector<std::set<std::pair<int, int>>> inks;
  int w = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    inks.push_back(ink(lines[i], 2, 2 + 6 * int(i)));
    w = std::max(w, int(textWidth(lines[i])));
  }
  test::freshCanvas(kW, kH);
  drawStatusPanel(*harness().myCar);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      int want = test::kSentinel;
      if (x <= w + 2 && y <= 44) {
        want = 64;
        for (size_t i = 0; i < inks.size(); ++i)
          if (inks[i].count({x, y})) want = colours[i];
      }
      ASSERT_EQ(at(x, y), want) << x << ", " << y;
    }
}

TEST_F(Panel, GaugesGetABackingAndALetterEach) {
  test::freshCanvas(kW, kH);
  drawGaugeBacking();
  // Left of the full gauges (speed and temperature 48 pixels, forces 60 pixels left of x 238).
  const std::vector<std::pair<std::pair<int, int>, ColorId>> letters{
      {{187, 124}, 9},  {{188, 124}, 9},  {{187, 125}, 9},  {{186, 126}, 9},  {{187, 126}, 9},                    // S
      {{172, 129}, 11}, {{173, 129}, 11}, {{174, 129}, 11}, {{172, 130}, 11}, {{173, 130}, 11},                   // F
      {{172, 131}, 11}, {{186, 133}, 6},  {{187, 133}, 6},  {{188, 133}, 6},  {{187, 134}, 6},  {{187, 135}, 6},  // T
  };
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      int want = x >= 169 && y >= 119 ? 64 : test::kSentinel;
      for (const auto& [p, c] : letters)
        if (p == std::make_pair(x, y)) want = int(c);
      ASSERT_EQ(at(x, y), want) << x << ", " << y;
    }
  // Full force with boost and 300 km/h reach none of them.
  Car& car = *harness().myCar;
  car.accelForce = {car.settings.maxaccel, 0};
  car.boostForce = {car.settings.boostForce, 0};
  car.vel = {300.0f / 3.6f, 0};
  drawGauges(car);
  for (const auto& [p, c] : letters) EXPECT_EQ(at(p.first, p.second), c) << p.first << ", " << p.second;
}

TEST(LapLine, ClosedAndOpenTracks) {
  Map loop;
  loop.laps = 3;
  loop.path.resize(120);
  Car car;
  EXPECT_EQ(lapLine(car, loop), "lap 1/3  last --  best --");
  car.currentNode = 250;  // no lap times: the lap of its node
  EXPECT_EQ(lapLine(car, loop), "lap 3/3  last --  best --");
  car.lapTimes = {33.0f};
  EXPECT_EQ(lapLine(car, loop), "lap 1/3  last --  best --");
  car.lapTimes = {33.0f, 29.996f, 31.5f, 0.25f};  // the last entry is the lap under way
  EXPECT_EQ(lapLine(car, loop), "lap 4/3  last 31.50  best 30.00");

  Map open;  // point to point: laps 0
  open.path.resize(200);
  car.lapTimes.clear();
  EXPECT_EQ(lapLine(car, open), "lap open");
  car.lapTimes = {12.5f};
  EXPECT_EQ(lapLine(car, open), "lap open  time 12.50");
}

TEST(KeyHelp, ListsTheKeysOfTheKeyMapInForce) {
  screens::resetScreens(test::sourceDir());
  installKeyNames();  // as the framework's start-up does
  const std::vector<std::string> defaults = keyHelpLines();
  EXPECT_EQ(defaults[1], "steer (Left/Right): Left, A / Right, D");
  EXPECT_EQ(defaults[4], "boost (X): Left Shift, Right Shift");
  EXPECT_EQ(defaults[5], "follow AI (Y): C");
  EXPECT_EQ(defaults[6], "AI aim lines (L1): F");
  EXPECT_EQ(defaults[7], "reset car (Back): Backspace");  // Escape opens the editor instead

  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();  // key names are looked up in its key map
  const test::LogCapture capture;
  setKeyMap("Left:J;A:Space,Keypad |;Y:Tab;L1:");
  const std::vector<std::string> custom = keyHelpLines();
  EXPECT_EQ(custom[1], "steer (Left/Right): J / Right, D");
  EXPECT_EQ(custom[2], "throttle (A): Space, Keypad |");
  EXPECT_EQ(custom[5], "follow AI (Y): Tab");
  EXPECT_EQ(custom[6], "AI aim lines (L1): none");
  EXPECT_EQ(custom.size(), 16u);
  EXPECT_EQ(custom.back(), "F11 open the per-user folder");

  // A name with a character the font lacks is drawn as '?' rather than failing.
  screens::loadArt(test::sourceDir());
  const std::set<std::pair<int, int>> shown = ink("throttle (A): Space, Keypad ?", 6, 6 + 6 * 2);
  test::freshCanvas(kW, kH);
  drawKeyHelp();
  for (const auto& [x, y] : shown) EXPECT_EQ(at(x, y), 7) << x << ", " << y;
}

TEST(Follow, CameraAndGaugesFollowTheChosenCar) {
  screens::resetScreens(test::sourceDir());
  screens::loadArt(test::sourceDir());
  screens::raceScene(test::sourceDir(), CityNight, 4);
  Harness& h = harness();
  h.aiCars[2]->currentNode = 30;
  cycleFollow();
  const Car& ai = *h.aiCars[2];
  ASSERT_EQ(&followedCar(), &ai);
  gameDrawRace();
  EXPECT_EQ(h.pos, lerp(Vec2f{}, (ai.pos + ai.vel * 0.1f) * 8.0f, 0.5f));
}

}  // namespace
}  // namespace dx
