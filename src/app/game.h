#pragma once
// The harness: its module state and the three loop callbacks with their mode dispatch.
#include <cstdint>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/telemetry.h"
#include "car/car.h"
#include "geom/vec.h"
#include "map/track.h"

namespace dx {

// One scored set of steering gains (Kp, Ki, Kd).
struct ScoredGains {
  float score = 0;
  std::vector<float> weights;
};

// The harness's module state as described; what the session adds lives in app/session.h.
struct Harness {
  CarPtr myCar;
  MapPtr myMap;
  std::vector<CarPtr> aiCars;
  std::vector<ScoredGains> bestAI;
  int64_t iteration = 0;
  float timeSinceStart = 0;
  std::vector<DataLogRecord> dataLog;
  bool ff = false;
  float time = 0;
  bool carEdit = false;
  int64_t carEditSlot = 0;
  float cameraOrbitX = 0;
  float cameraOrbitY = 0.5f;
  float cameraOrbitDistance = 15.0f;
  Vec2f pos;
  Vec3f lightPos;
  std::string keymap;
};

Harness& harness();
void resetHarness();

// The files the harness reads, relative to the run folder (the executable's folder).
constexpr const char* componentsFile = "assets/components.json";
constexpr const char* testCarFile = "assets/testCar.json";
// Written to the working directory.
constexpr const char* carDatFile = "car.dat";

// A run-folder file, found beside the executable whatever the working directory.
std::string gameFile(const std::string& relative);
// A file kept per track and driver level: track 1 at level 0 uses the plain name
// ("assets/ai.json"); another track inserts "-N" and another level "-lL" before the extension
// ("assets/ai-2.json", "assets/ai-l4.json", "assets/ai-2-l4.json"), so the files of track 1 at
// level 0 stay where they always were.
std::string runFile(const std::string& relative, int64_t slot, int64_t level, DriverKind driver = DriverKind::pid);

// Reloads the component catalogue for live tuning. A file that cannot be read, or that no longer
// has the parts the user's car is built from, is reported and the catalogue in force stays;
// returns whether the new one was taken.
bool reloadCatalogue();

void gameInit();
void gameUpdate(float dt);
void gameDraw();

}  // namespace dx
