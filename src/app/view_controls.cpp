#include "app/view_controls.h"

#include <algorithm>

#include "app/race_mode.h"
#include "app/race_session.h"
#include "car/car_draw.h"
#include "framework/input.h"
#include "framework/keys.h"

namespace dx {

namespace {

ViewState gView;

// The running AI cars, farthest along the track first; equal nodes keep the generation's order.
std::vector<CarPtr> byProgress(const std::vector<CarPtr>& cars) {
  std::vector<CarPtr> out = cars;
  std::stable_sort(out.begin(), out.end(),
                   [](const CarPtr& a, const CarPtr& b) { return a->currentNode > b->currentNode; });
  return out;
}

// Forgets a followed car that the running generation (or the champion's replay) no longer holds.
void dropVanished() {
  if (!gView.followed || gView.followed == trainingRecord().replays.championCar) return;
  const std::vector<CarPtr>& cars = harness().aiCars;
  if (std::find(cars.begin(), cars.end(), gView.followed) != cars.end()) return;
  gView.followed = nullptr;
  gView.followStep = 0;
}

}  // namespace

ViewState& viewState() { return gView; }
void resetViewState() { gView = ViewState{}; }

void updateViewKeys() {
  if (keyp(keyTab)) gView.panel = !gView.panel;
  if (keyp(keyF1)) gView.keyHelp = !gView.keyHelp;
  if (btnp(Button::Y)) cycleFollow();
  if (btnp(Button::L1)) carDrawState().aiLines = !carDrawState().aiLines;
  Harness& h = harness();
  Replays& replays = trainingRecord().replays;
  if (keyp(keyF4)) saveBestLap(replays, sessionOptions().trackSlot);
  if (keyp(keyGhost)) toggleGhost(replays, *h.myMap);
  // Escape shares the Back button in the default key map; it leaves the editor, not the track.
  if (!h.carEdit && btnp(Button::Back) && !keyp(keyEscape) && !onTheGrid()) {
    resetCarOnTrack(*h.myCar, *h.myMap);
    lapInterrupted(replays);
  }
}

void cycleFollow() {
  dropVanished();
  const std::vector<CarPtr> ranked = byProgress(harness().aiCars);
  const CarPtr& champion = trainingRecord().replays.championCar;
  // Stops without a car to follow are passed over; the user's car is always there.
  do {
    gView.followStep = (gView.followStep + 1) % 4;
    if (gView.followStep == 0)
      gView.followed = nullptr;
    else if (gView.followStep < 3)
      gView.followed = gView.followStep <= int64_t(ranked.size()) ? ranked[size_t(gView.followStep - 1)] : nullptr;
    else
      gView.followed = champion;
  } while (gView.followStep != 0 && !gView.followed);
}

bool followingChampion() {
  dropVanished();
  return gView.followed && gView.followed == trainingRecord().replays.championCar;
}

const Car& followedCar() {
  dropVanished();
  return gView.followed ? *gView.followed : *harness().myCar;
}

int64_t followedAiNumber() {
  dropVanished();
  if (!gView.followed) return 0;
  const std::vector<CarPtr>& cars = harness().aiCars;
  return int64_t(std::find(cars.begin(), cars.end(), gView.followed) - cars.begin()) + 1;
}

}  // namespace dx
