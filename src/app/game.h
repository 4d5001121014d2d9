#pragma once
// The harness: its module state and the three loop callbacks with their mode dispatch.
#include <cstdint>
#include <string>
#include <vector>

#include "app/telemetry.h"

namespace dx {

struct Harness {
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
  bool useAltColors = false;
  std::string keymap;
  int64_t frame = 0;  // drawn frames
};

Harness& harness();
void resetHarness();

// Key codes the harness reacts to.
constexpr int32_t keyEscape = 27;
constexpr int32_t keyF2 = 0x4000003B;
constexpr int32_t keyR = 114;
constexpr int32_t keySpace = 32;

void gameInit();
void gameUpdate(float dt);
void gameDraw();

void gameUpdateRace(float dt);
void gameDrawRace();
void gameUpdateEdit();
void gameDrawEdit();

}  // namespace dx
