#pragma once
// Tracks and cars for the car tests.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "car/car.h"
#include "framework/run_loop.h"
#include "map/map_fixtures.h"
#include "map/racing_line.h"
#include "map/track.h"
#include "test_support.h"

namespace dx::test {

inline MapPtr straightTrack(int nodes, uint16_t flags = 0, int64_t laps = 1) {
  return buildMap(sourceOf({straight(nodes, flags)}, laps));
}

// Handling values chosen for easy arithmetic: everything 1 unless a test sets it.
inline CarSettings plainSettings() {
  CarSettings s;
  for (const CarParamInfo& p : carParams()) s.*p.field = 0;
  s.mass = 1;
  s.turnForce = 1;
  s.brakeTurnForce = 1;
  s.maxaccel = 100;
  s.accsqr = 1000;
  s.shutdownTemperature = 100;
  s.restartTemperature = 50;
  return s;
}

// Models come from the source tree's assets.
inline void useSourceAssets() {
  loopState().assetPath = sourceDir() + "/assets";
  loopState().basePath = sourceDir() + "/";
}

inline CarPtr carOn(const MapPtr& map, int64_t node, const CarSettings& s = plainSettings()) {
  useSourceAssets();
  CarPtr car = newCar(nullptr, s);
  car->map = map.get();
  setNode(*car, node);
  return car;
}

inline std::string writeTempFile(const std::string& name, const std::string& text) {
  const std::filesystem::path p = tempFolder("dx-car-") / name;
  std::ofstream(p) << text;
  return p.string();
}

}  // namespace dx::test
