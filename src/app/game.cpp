#include "app/game.h"

#include <cstdio>

#include "app/editor.h"
#include "app/race_mode.h"
#include "app/race_screen.h"
#include "app/race_session.h"
#include "app/status_panel.h"
#include "app/training.h"
#include "app/view_controls.h"
#include "framework/canvas.h"
#include "framework/errors.h"
#include "framework/input.h"
#include "framework/keys.h"
#include "framework/log.h"
#include "framework/palette.h"
#include "framework/run_loop.h"
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

void printMaxSpeed(const Car& car) { echo("maxSpeed: ", fixed(toKmh(calculateMaxSpeed(car)), 2)); }

}  // namespace

std::string gameFile(const std::string& relative) { return joinPath(basePath(), relative); }

std::string runFile(const std::string& relative, int64_t slot, int64_t level, DriverKind driver) {
  std::string tag;
  if (slot != 1) tag.append("-").append(std::to_string(slot));
  if (driver != DriverKind::pid) tag.append("-").append(driverName(driver));
  if (level != 0) tag.append("-l").append(std::to_string(level));
  const size_t dot = relative.find_last_of('.');
  const size_t cut = dot == std::string::npos || dot < relative.find_last_of('/') + 1 ? relative.size() : dot;
  std::string name = relative;
  name.insert(cut, tag);
  return name;
}

bool reloadCatalogue() {
  const std::string path = gameFile(componentsFile);
  CarCatalogue previous = carCatalogue();
  try {
    loadCarComponentSettings(path);
    CarSettings tried = gHarness.myCar->settings;
    try {
      recalculate(tried);
    } catch (const GameError& e) {
      throw FormatError(path + ": your car cannot be built from it: " + e.what());
    }
    return true;
  } catch (const GameError& e) {
    carCatalogue() = std::move(previous);
    echo("could not reload the catalogue: ", e.what(), "; the previous catalogue stays in force");
    return false;
  }
}

Harness& harness() { return gHarness; }
void resetHarness() { gHarness = Harness{}; }

void gameInit() {
  Harness& h = gHarness;
  setPalette(loadPaletteFromGPL("palette.gpl"));
  loadSpriteSheet(0, "spritesheet.png", 8, 8);
  // A track that did not load whole, or breaks a layout rule, can still be looked at; its scores
  // would go into the track's pool, so they are not saved.
  SessionTrack track = loadSessionTrack(sessionOptions().trackSlot);
  h.myMap = track.map;
  if (!track.loadError.empty()) trainingRecord().notSaved = "track did not load whole: training is not saved";
  if (!track.layoutProblem.empty()) {
    echo(track.layoutProblem, "; training on this track is not saved");
    trainingRecord().notSaved = "track breaks a layout rule: training is not saved";
  }
  init(*h.myMap);
  loadCarComponentSettings(gameFile(componentsFile));
  setSpritesheet(0);
  fillTeams();
  CarSettings settings;
  loadCarSettings(gameFile(testCarFile), settings);
  h.myCar = newCar(nullptr, settings);
  h.myCar->team = teamCA;
  h.myCar->map = h.myMap.get();
  setNode(*h.myCar, getStartNode(*h.myMap, 0));
  recalculate(h.myCar->settings);
  h.myMap->trackObjects.push_back(h.myCar);
  planReferenceLap();  // before a race: its racer and neural drivers read the plan
  if (racing()) startSessionRace();
  if (!sessionOptions().ghostFile.empty())
    loadGhost(trainingRecord().replays, sessionOptions().ghostFile, sessionOptions().trackSlot);
  startReplays(trainingRecord().replays, *h.myCar, *h.myMap, sessionOptions().trackSlot);
}

void gameUpdate(float dt) {
  Harness& h = gHarness;
  h.time += dt;
  if (keyp(keyEscape) && racing()) {
    retireFromRace();
  } else if (keyp(keyEscape)) {
    h.carEdit = !h.carEdit;
    recalculate(h.myCar->settings);
    lapInterrupted(trainingRecord().replays);
  }
  if (keyp(keyF2)) {
    try {
      writeDataLog(carDatFile, h.dataLog);
      echo("wrote car.dat");
    } catch (const IOError& e) {
      echo("could not write car.dat: ", e.what());
    }
  }
  if (keyp(keyR)) {
    echo("reloading file");
    if (reloadCatalogue()) {
      recalculate(h.myCar->settings);
      printMaxSpeed(*h.myCar);
      lapInterrupted(trainingRecord().replays);
    }
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
