#include "app/editor.h"

#include "app/game.h"
#include "framework/canvas.h"
#include "framework/input.h"
#include "framework/numeric.h"

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

}  // namespace

void gameUpdateEdit() {
  Harness& h = harness();
  CarSettings& s = h.myCar->settings;
  if (btnpr(Button::Up, kRepeat) && --h.carEditSlot < 0) h.carEditSlot = 5;
  if (btnpr(Button::Down, kRepeat) && ++h.carEditSlot > 5) h.carEditSlot = 0;
  if (btnpr(Button::A, kRepeat) && s.carClass > 0) {
    s.carClass -= 1;
    recalculate(s);
  }
  if (btnpr(Button::B, kRepeat) && s.carClass <= 3) {
    s.carClass += 1;
    recalculate(s);
  }
  const bool left = btnpr(Button::Left, kRepeat), right = btnpr(Button::Right, kRepeat);
  if (left || right) {
    const Slot& slot = kSlots[h.carEditSlot];
    const int64_t n = int64_t((carCatalogue().*slot.list).size());
    s.*slot.index = wrap(s.*slot.index + (left ? -1 : 1), n);
    recalculate(s);
  }
}

void gameDrawEdit() {
  cls();
  setColor(5);
  rectfill(0, 0, 20, 20);
}

}  // namespace dx
