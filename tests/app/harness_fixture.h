#pragma once
// A harness on a small loop track, with the run folder's catalogue and test car, and a gain pool
// in a temporary folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "app/game.h"
#include "app/reset_all.h"
#include "app/view_controls.h"
#include "car/car.h"
#include "framework/random.h"
#include "framework/run_loop.h"
#include "map/map_fixtures.h"
#include "map/racing_line.h"
#include "map/track.h"
#include "objects/shared_records.h"
#include "test_support.h"

namespace dx::test {

namespace fs = std::filesystem;

// A stadium loop: two straights and two half turns.
inline MapPtr stadium() {
  const float half = float(3.14159265358979 / 12);
  return buildMap(sourceOf({turning(40, 0), turning(12, half), turning(40, 0), turning(12, half)}, 3));
}

class HarnessTest : public testing::Test {
 protected:
  void SetUp() override {
    base = fs::temp_directory_path() / ("dx-harness-" + std::to_string(getpid()) + "-" +
                                        testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(base);
    fs::create_directories(base / "assets");
    // The run folder's files, read beside the "executable", with a pool of the test's own and no
    // link to a shipped pool a test could train into.
    for (const fs::directory_entry& e : fs::directory_iterator(fs::path(gameDir()) / "assets"))
      if (!e.path().filename().string().starts_with("ai"))
        fs::create_symlink(e.path(), base / "assets" / e.path().filename());
    fs::create_directory_symlink(fs::path(gameDir()) / "maps", base / "maps");
    writePool("[]");
    resetAllState();
    loopState().basePath = base.string() + "/";
    loopState().assetPath = gameDir() + "/assets";
    seedRandom(12345);
    const test::LogCapture capture;
    loadCarComponentSettings(gameFile(componentsFile));
    harness().myMap = stadium();
  }
  void TearDown() override { fs::remove_all(base); }
  // The user's car, built from the run folder's test car and put on the harness's track.
  void addUserCar() {
    Harness& h = harness();
    CarSettings s;
    loadCarSettings(gameFile(testCarFile), s);
    h.myCar = newCar(nullptr, s);
    h.myCar->map = h.myMap.get();
    h.myMap->trackObjects.push_back(h.myCar);
  }
  void writePool(const std::string& text) { std::ofstream(base / "assets" / "ai.json") << text; }
  std::string pool() const { return slurp(base / "assets" / "ai.json"); }

  fs::path base;
};

}  // namespace dx::test
