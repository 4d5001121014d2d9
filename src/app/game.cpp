#include "app/game.h"

#include <cstdio>

#include "app/editor.h"
#include "app/race_mode.h"
#include "app/race_screen.h"
#include "app/status_panel.h"
#include "app/view_controls.h"
#include "framework/canvas.h"
#include "framework/input.h"
#include "framework/log.h"
#include "framework/palette.h"
#include "framework/spritesheet.h"
#include "map/item_types.h"
#include "map/node_queries.h"
#include "objects/shared_records.h"

namespace dx {

namespace {

Harness gHarness;

void fillTeams() {
  auto& teams = sharedRecords().teams;
  for (int i = 0; i < 6; ++i) {
    teams[i].name = "Team " + std::to_string(i);
    for (int j = 0; j < 8; ++j) teams[i].colors[j] = sget(8 * i + j, 32);
  }
}

void printMaxSpeed(const Car& car) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", double(calculateMaxSpeed(car) * 60.0f * 60.0f / 1000.0f));
  echo("maxSpeed: ", buf);
}

}  // namespace

Harness& harness() { return gHarness; }
void resetHarness() { gHarness = Harness{}; }

void gameInit() {
  Harness& h = gHarness;
  setPalette(loadPaletteFromGPL("palette.gpl"));
  loadSpriteSheet(0, "spritesheet.png", 8, 8);
  h.myMap = loadMap("", 1);
  init(*h.myMap);
  loadCarComponentSettings(componentsFile);
  setSpritesheet(0);
  fillTeams();
  CarSettings settings;
  loadCarSettings(testCarFile, settings);
  h.myCar = newCar(nullptr, settings);
  h.myCar->team = teamCA;
  h.myCar->map = h.myMap.get();
  setNode(*h.myCar, getStartNode(*h.myMap, 0));
  recalculate(h.myCar->settings);
  h.myMap->trackObjects.push_back(h.myCar);
}

void gameUpdate(float dt) {
  Harness& h = gHarness;
  h.time += dt;
  if (keyp(keyEscape)) {
    h.carEdit = !h.carEdit;
    recalculate(h.myCar->settings);
  }
  if (keyp(keyF2)) {
    writeDataLog(carDatFile, h.dataLog);
    echo("wrote car.dat");
  }
  if (keyp(keyR)) {
    echo("reloading file");
    loadCarComponentSettings(componentsFile);
    recalculate(h.myCar->settings);
    printMaxSpeed(*h.myCar);
  }
  updateViewKeys();
  if (h.carEdit)
    gameUpdateEdit();
  else
    gameUpdateRace(dt);
}

void gameDraw() {
  sharedRecords().frame += 1;
  if (gHarness.carEdit)
    gameDrawEdit();
  else
    gameDrawRace();
  if (viewState().keyHelp) drawKeyHelp();
}

}  // namespace dx
