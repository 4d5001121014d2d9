#include <gtest/gtest.h>

#include <cmath>

#include "car/reset_car.h"
#include "car/tape.h"
#include "car_fixtures.h"
#include "framework/errors.h"
#include "framework/numeric.h"
#include "map/node_queries.h"
#include "map/world_step.h"
#include "test_support.h"

namespace dx {
namespace {

struct Drive {
  MapPtr map;
  CarPtr car;
};

// The test car on a shipped track, steered by a plain rule towards its racing-line target.
Drive driveOn(int slot, int steps, std::shared_ptr<Tape>* tape = nullptr, int recordFrom = 0) {
  resetCarModules();
  test::useSourceAssets();
  const test::LogCapture capture;
  Drive d{buildMap(loadMapSourceFile(test::sourceDir() + "/maps/" + std::to_string(slot) + ".map")), nullptr};
  loadCarComponentSettings(test::sourceDir() + "/assets/components.json");
  CarSettings s;
  loadCarSettings(test::sourceDir() + "/assets/testCar.json", s);
  d.car = newCar(nullptr, s);
  d.car->map = d.map.get();
  setNode(*d.car, getStartNode(*d.map, 0));
  recalculate(d.car->settings);
  d.map->trackObjects.push_back(d.car);
  float lastError = 0;
  for (int i = 0; i < steps; ++i) {
    if (tape && i == recordFrom) *tape = startRecording(*d.car, slot, "lap");
    const float error = angleDiff(d.car->targetAngle, d.car->angle);
    d.car->controls.steer = clamp(error * 2.0f + (error - lastError) * 30.0f, -1.0f, 1.0f);
    d.car->controls.accel = i % 200 < 170;
    d.car->controls.brake = std::fabs(error) > 0.4f && length(d.car->vel) > 35;
    d.car->controls.boost = i % 300 < 40;
    lastError = error;
    update(*d.map, 1.0f / 60);
  }
  return d;
}

// Replays a tape on a fresh copy of its track for as many steps as it holds.
CarPtr replay(const Tape& tape, int slot) {
  Drive fresh = driveOn(slot, 0);
  fresh.map->trackObjects.clear();
  CarPtr ghost = newReplayCar(tape, *fresh.map, teamCA);
  fresh.map->trackObjects.push_back(ghost);
  for (size_t i = 0; i < tape.frames.size(); ++i) update(*fresh.map, 1.0f / 60);
  return ghost;
}

void expectSameDrive(const Car& a, const Car& b) {
  EXPECT_EQ(a.pos, b.pos);
  EXPECT_EQ(a.vel, b.vel);
  EXPECT_EQ(a.angle, b.angle);
  EXPECT_EQ(a.currentNode, b.currentNode);
  EXPECT_EQ(a.temperature, b.temperature);
}

// A drive recorded from mid-run (throttle, brake, boost and overheating included) replays to the
// same state bit for bit, on the loop and on the open track, also after a trip through the file.
TEST(Tape, RecordedDriveReplaysBitForBit) {
  for (int slot : {1, 2}) {
    std::shared_ptr<Tape> tape;
    const Drive original = driveOn(slot, 1500, &tape, 300);
    ASSERT_EQ(tape->frames.size(), 1200u);
    EXPECT_GT(original.car->currentNode, tape->start.currentNode + 40) << "track " << slot;
    expectSameDrive(*replay(*tape, slot), *original.car);
    const Tape loaded = parseTape(formatTape(*tape), "tape");
    EXPECT_EQ(loaded.track, slot);
    EXPECT_EQ(formatTape(loaded), formatTape(*tape));
    expectSameDrive(*replay(loaded, slot), *original.car);
  }
}

TEST(Tape, DamagedOrForeignFilesAreRefusedNamingTheFile) {
  std::shared_ptr<Tape> tape;
  driveOn(1, 30, &tape, 0);
  tape->kind = "champion";
  tape->score = 12;
  tape->genes = {0.5f, 0, 2};
  const std::string good = formatTape(*tape);
  EXPECT_EQ(parseTape(good, "t").genes, tape->genes);
  auto refusal = [](const std::string& text) {
    try {
      parseTape(text, "my.tape");
    } catch (const FormatError& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  EXPECT_EQ(refusal(good.substr(0, good.size() / 2)), "my.tape: not a tape (not valid JSON)");
  const auto edited = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    return t.replace(t.find(from), from.size(), to);
  };
  EXPECT_EQ(refusal(edited("\"version\": 2", "\"version\": 3")),
            "my.tape: tape version 3 is not known (this game reads version 2)");
  // A version 1 champion is a pid driver with its three "gains".
  const Tape v1 =
      parseTape(edited("\"version\": 2", "\"version\": 1").replace(good.find("\"genes\""), 7, "\"gains\""), "t");
  EXPECT_EQ(v1.driver, DriverKind::pid);
  EXPECT_EQ(v1.genes, tape->genes);
  EXPECT_EQ(refusal(edited("\"pid\"", "\"racer\"")), "my.tape: \"genes\" must be 11 numbers");
  EXPECT_EQ(refusal(edited("\"pid\"", "\"rally\"")), "my.tape: \"driver\" must be \"pid\", \"racer\" or \"neural\"");
  std::string nan = good;
  nan.replace(nan.find("\"mass\": "), 8, "\"mass\": 1e39, \"x\": ");
  EXPECT_EQ(refusal(nan), "my.tape: settings: \"mass\" must be a finite number");
  EXPECT_EQ(refusal(R"({"tape": "draxen3516 tape", "version": 1})"), "my.tape has no \"kind\"");
  EXPECT_EQ(refusal("{}"), "my.tape: not a tape");
}

}  // namespace
}  // namespace dx
