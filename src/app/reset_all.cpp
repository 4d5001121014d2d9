#include "app/reset_all.h"

#include "app/game.h"
#include "app/race_session.h"
#include "app/view_controls.h"
#include "car/reset_car.h"

namespace dx {

void resetAllState() {
  resetCarModules();
  resetHarness();
  resetSession();
  resetRaceSession();
  resetViewState();
}

}  // namespace dx
