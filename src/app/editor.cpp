#include "app/editor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "app/game.h"
#include "car/car_draw.h"
#include "framework/canvas.h"
#include "framework/colors.h"
#include "framework/errors.h"
#include "framework/font.h"
#include "framework/input.h"
#include "framework/keys.h"
#include "framework/log.h"
#include "framework/numeric.h"
#include "objects/shared_records.h"
#include "render3d/model_draw.h"
#include "render3d/rasterizer.h"
#include "render3d/render_state.h"

namespace dx {

namespace {

constexpr int kRepeat = 48;

// The catalogue list and the settings index of each editor slot, in component order.
struct Slot {
  const char* kindName;
  std::vector<CarComponent> CarCatalogue::*list;
  int64_t CarSettings::*index;
};

const Slot kSlots[6] = {
    {"Hull", &CarCatalogue::carHulls, &CarSettings::hullIndex},
    {"Thruster", &CarCatalogue::carThrusters, &CarSettings::thrusterIndex},
    {"Heatsink", &CarCatalogue::carHeatsinks, &CarSettings::heatsinkIndex},
    {"Wing", &CarCatalogue::carWings, &CarSettings::wingIndex},
    {"Cover", &CarCatalogue::carCovers, &CarSettings::coverIndex},
    {"Pod", &CarCatalogue::carPods, &CarSettings::podIndex},
};

const Slot& slotAt(int64_t slot) {
  if (slot < 0 || slot > 5) throw IndexError("editor slot " + std::to_string(slot) + " outside 0..5");
  return kSlots[size_t(slot)];
}

// The catalogue entry an editor slot has selected, or none when the index is outside the list.
const CarComponent* selected(const CarSettings& s, int64_t slot) {
  const Slot& k = slotAt(slot);
  const std::vector<CarComponent>& list = carCatalogue().*k.list;
  const int64_t i = s.*k.index;
  return i >= 0 && i < int64_t(list.size()) ? &list[size_t(i)] : nullptr;
}

// The ground grid, the two range circles, the light and the guides to it and to the eye.
void drawStage(Vec3f eye, Vec3f light) {
  setColor(color::darkBlue);
  for (int i = -10; i <= 10; ++i) line3d(Vec3f{float(i), -10.0f, 0.0f}, Vec3f{float(i), 10.0f, 0.0f});
  for (int j = -10; j <= 10; ++j) line3d(Vec3f{-10.0f, float(j), 0.0f}, Vec3f{10.0f, float(j), 0.0f});
  setColor(color::darkGrey);
  circflat3d(worldOrigin, 5.0f, worldUp, 64);
  circflat3d(worldOrigin, 10.0f, worldUp, 64);
  const Vec3f lightGround{light.x, light.y, 0.0f};
  lineDashed3d(worldOrigin, lightGround, 0xCC);
  lineDashed3d(worldOrigin, clamp(Vec3f{eye.x, eye.y, 0.0f}, 10.0f), 0xCC);
  setColor(color::lightGrey);
  lineDashed3d(light, lightGround, 0xCC);
  setColor(color::white);
  circfill3d(light, 1.0f);
  circflat3d(lightGround, 1.0f, worldUp, 64);
}

// The selected slot and entry and the derived handling values on the left; the heat values
// right-aligned on the right. The handling rows start below the light marker, which covers
// x 33..59, y 20..46 with the light in its start-up place, 8 pixels apart to fit above the
// bottom edge.
void drawValues(const Car& car, int64_t slot) {
  const CarSettings& s = car.settings;
  setColor(color::white);
  print(slotAt(slot).kindName, 1, 1);
  const CarComponent* c = selected(s, slot);
  print(c ? c->name : "", 1, 8);
  Pint y = 48;
  print("class: " + std::to_string(s.carClass), 1, y);
  const std::pair<const char*, float> left[] = {
      {"mass: ", s.mass},
      {"speed: ", toKmh(calculateMaxSpeed(car))},
      {"dLong: ", s.dragLong * s.longSurfaceArea},
      {"dLat: ", s.dragLat * s.latSurfaceArea},
      {"turn: ", s.turnForce / s.mass},
      {"brakeTurn: ", s.brakeTurnForce / s.mass},
      {"accel: ", s.maxaccel / s.mass},
      {"boost: ", s.boostForce / s.mass},
      {"brake: ", s.brakeMaxAccel / s.mass},
  };
  for (const auto& [label, value] : left) {
    y += 8;
    print(label + fixed(value, 2), 1, y);
  }
  const Pint xr = drawState().screenWidth - 1;
  const std::pair<const char*, float> right[] = {
      {"boost gen: ", s.boostHeatGeneration},
      {"heat dis: ", s.heatDissipation},
      {"shutdown temp: ", s.shutdownTemperature},
      {"restart temp: ", s.restartTemperature},
      {"temp: ", car.temperature},
  };
  y = 20;
  for (const auto& [label, value] : right) {
    printr(label + fixed(value, 2), xr, y);
    y += 10;
  }
}

// Takes an edited build once its handling is recalculated, unless it cannot drive (a loaded
// catalogue may hold parts that sum to no mass): then the car keeps the build it had.
bool tryBuild(CarSettings& s, CarSettings edited) {
  try {
    recalculate(edited);
  } catch (const FormatError& e) {
    echo("the editor passes over a build that cannot drive: ", e.what());
    return false;
  }
  s = std::move(edited);
  return true;
}

}  // namespace

void gameUpdateEdit() {
  Harness& h = harness();
  CarSettings& s = h.myCar->settings;
  if (keyp(keyReturn)) carDrawState().useAltColors = !carDrawState().useAltColors;
  if (btnpr(Button::Up, kRepeat) && --h.carEditSlot < 0) h.carEditSlot = 5;
  if (btnpr(Button::Down, kRepeat) && ++h.carEditSlot > 5) h.carEditSlot = 0;
  CarSettings edited = s;
  if (btnpr(Button::A, kRepeat) && s.carClass > 0) {
    edited.carClass -= 1;
    tryBuild(s, edited);
  }
  if (btnpr(Button::B, kRepeat) && s.carClass <= 3) {
    edited.carClass = s.carClass + 1;
    tryBuild(s, edited);
  }
  const bool left = btnpr(Button::Left, kRepeat), right = btnpr(Button::Right, kRepeat);
  if (left || right) {
    const Slot& slot = kSlots[h.carEditSlot];
    const int64_t n = int64_t((carCatalogue().*slot.list).size());
    // The next component the car can drive with, passing over the ones it cannot.
    edited = s;
    for (int64_t tries = 0; tries < n; ++tries) {
      edited.*slot.index = wrap(edited.*slot.index + (left ? -1 : 1), n);
      if (tryBuild(s, edited)) break;
    }
  }
}

void gameDrawEdit() {
  Harness& h = harness();
  const Car& car = *h.myCar;
  const CarSettings& s = car.settings;
  cls();
  stencilClear(255);
  setStencilWrite(false);

  const Vec3f eye =
      Vec3f{std::cos(h.cameraOrbitX), std::sin(h.cameraOrbitX), std::sin(h.cameraOrbitY)} * h.cameraOrbitDistance;
  setPerspective(50.0f, 1.0f, 100.0f);
  setCamera3D(eye, worldOrigin, worldUp);
  setLightDir(-normalized(h.lightPos));
  modelReset();
  drawStage(eye, h.lightPos);

  std::array<ColorId, 8> colours{};
  const auto& team = sharedRecords().teams[size_t(car.team) % 6];
  std::copy(team.colors.begin(), team.colors.end(), colours.begin());
  if (carDrawState().useAltColors) std::swap_ranges(colours.begin(), colours.begin() + 2, colours.begin() + 2);

  // A solid model needs the depth test, whatever the last frame left switched on.
  setUseDepth(true);
  modelRotate(h.time * 0.7f, worldZ);
  // Hull, thruster, heatsink, wing, then the pod before the cover.
  for (int slot : {0, 1, 2, 3, 5, 4}) {
    if (const CarComponent* c = selected(s, slot)) drawFlat(c->model, colours);
  }
  setColor(sharedRecords().frame % 10 > 4 ? 10 : 7);
  if (const CarComponent* c = selected(s, h.carEditSlot)) drawWire(c->model);

  stencilMode(stencilLEqual);
  setStencilRef(0);
  modelReset();
  stencilMode(stencilAlways);
  setCamera(0, 0);
  drawValues(car, h.carEditSlot);
}

}  // namespace dx
