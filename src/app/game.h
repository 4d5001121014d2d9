#pragma once
// The harness: its module state and the three loop callbacks with their mode dispatch.
#include <cstdint>
#include <string>
#include <vector>

#include "app/generation_stats.h"
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

struct Harness {
  CarPtr myCar;
  MapPtr myMap;
  std::vector<CarPtr> aiCars;
  std::vector<ScoredGains> bestAI;
  int64_t iteration = 0;
  float timeSinceStart = 0;
  std::vector<GenerationStats> history;  // one record per scored generation of this session
  std::chrono::steady_clock::time_point generationStart;
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

// Key codes the harness reacts to.
constexpr int32_t keyEscape = 27;
constexpr int32_t keyReturn = 13;
constexpr int32_t keyF2 = 0x4000003B;
constexpr int32_t keyR = 114;
constexpr int32_t keySpace = 32;

// The files the harness reads, relative to the working directory (the run folder).
constexpr const char* componentsFile = "assets/components.json";
constexpr const char* testCarFile = "assets/testCar.json";
constexpr const char* carDatFile = "car.dat";

void gameInit();
void gameUpdate(float dt);
void gameDraw();

}  // namespace dx
