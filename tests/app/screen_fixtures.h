#pragma once
// The game's art and a small hand-made circuit with the user's car and a field of training cars
// on it, for the screen tests and the race screen benchmark. Everything comes from the source
// tree's assets, so the pictures do not change when the shipped tracks do.
#include <memory>
#include <string>
#include <vector>

#include "app/game.h"
#include "app/reset_all.h"
#include "app/view_controls.h"
#include "car/ai_driver.h"
#include "car/car.h"
#include "car/car_draw.h"
#include "framework/canvas.h"
#include "framework/font.h"
#include "framework/input.h"
#include "framework/palette.h"
#include "framework/random.h"
#include "framework/run_loop.h"
#include "framework/spritesheet.h"
#include "map/item_types.h"
#include "map/map_fixtures.h"
#include "map/racing_line.h"
#include "map/track.h"
#include "map/track_drawing.h"
#include "objects/shared_records.h"
#include "render3d/render_state.h"

namespace dx::screens {

inline constexpr int kW = 240, kH = 136;

// The canvas and every module the screens read, back at their start-up state.
inline void resetScreens(const std::string& sourceDir) {
  resetAllState();
  setCanvasSize(kW, kH);
  loopState().assetPath = sourceDir + "/assets";
  loopState().basePath = sourceDir + "/";
  seedRandom(3516);
}

// Palette, spritesheet, both fonts, the component catalogue and the team colours, as the game
// loads them at start.
inline Palette loadArt(const std::string& sourceDir) {
  const Palette palette = loadPaletteFromGPL("palette.gpl");
  setPalette(palette);
  loadSpriteSheet(0, "spritesheet.png", 8, 8);
  loadFont(0, "font.png", fontChars);
  loadFont(1, "font5x5.png", font5x5Chars);
  setFont(1);
  loadCarComponentSettings(sourceDir + "/assets/components.json");
  setSpritesheet(0);
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 8; ++j) sharedRecords().teams[size_t(i)].colors[size_t(j)] = sget(8 * i + j, 32);
  return palette;
}

// A closed circle of 120 nodes turning clockwise on screen, with a gate stretch at the start,
// an open left side, a special right side, a split and an alternative surface along the way.
// No scenery: its sprites come from the style's tileset, which is tested on its own.
inline MapPtr circuit(MapStyle style) {
  const float turn = float(2.0 * 3.14159265358979 / 120.0);
  using test::section;
  MapSource src = test::sourceOf({section(6, turn, flagGate), section(10, turn), section(8, turn, flagLeftOpen),
                                  section(8, turn, flagRightSpecial), section(12, turn), section(8, turn, flagSplit),
                                  section(8, turn, flagAltSurface), section(60, turn)},
                                 3);
  src.style = style;
  MapPtr map = buildMap(std::move(src));
  init(*map);
  setSpritesheet(0);
  return map;
}

inline CarSettings testCarSettings(const std::string& sourceDir) {
  CarSettings s;
  loadCarSettings(sourceDir + "/assets/testCar.json", s);
  return s;
}

// The harness after start-up on the circuit, its car some way round and moving, with `field`
// training cars spread over the nodes around it.
inline void raceScene(const std::string& sourceDir, MapStyle style, int field) {
  Harness& h = harness();
  h.lightPos = Vec3f{5.0f, 5.0f, 5.0f};
  h.myMap = circuit(style);
  const CarSettings settings = testCarSettings(sourceDir);
  h.myCar = newCar(nullptr, settings);
  h.myCar->map = h.myMap.get();
  setNode(*h.myCar, 12);
  recalculate(h.myCar->settings);
  h.myCar->vel = polarVec2f(h.myCar->angle, 20.0f);
  h.myCar->ready = 0;
  h.myCar->controls.accel = true;
  h.myCar->temperature = 40.0f;
  h.myMap->trackObjects.push_back(h.myCar);
  for (int i = 0; i < field; ++i) {
    CarPtr car = newCar(nullptr, settings);
    car->team = Team(1 + i % 5);
    car->map = h.myMap.get();
    setNode(*car, 8 + (i * 7) % 14);
    recalculate(car->settings);
    car->pos += polarVec2f(car->angle + 1.5708f, float(i % 5) - 2.0f);
    car->vel = polarVec2f(car->angle, 10.0f + float(i % 7));
    car->ready = 0;
    car->ethereal = true;
    car->ai = newAI(car.get());
    h.aiCars.push_back(car);
    h.myMap->trackObjects.push_back(car);
  }
}

}  // namespace dx::screens
