#pragma once
// What the race screen shows and whose view it is: the status panel (Tab) and the key help (F1)
// on or off, the AI cars' aim lines (L1) on or off, and the car the camera follows (Y cycles
// through the user's car, the AI car farthest along the track, the second farthest, the replay of
// the last generation's champion, and back).
// The user's car keeps its controls whichever car is followed.
#include <cstdint>

#include "app/game.h"

namespace dx {

struct ViewState {
  bool panel = true;
  bool keyHelp = false;
  int64_t followStep = 0;  // 0: the user's car; 1, 2: the AI car that was 1st, 2nd when chosen;
                           // 3: the champion's replay
  CarPtr followed;         // that car; none while the user's car is followed
};

ViewState& viewState();
void resetViewState();

// The keys of the harness's own views and helpers, each read here only: Tab (panel), F1 (key help),
// Y (follow), L1 (aim lines), F4 (save the best lap), o (ghost) and, racing, Back (car back on the
// track).
void updateViewKeys();
// The next step of the follow cycle among the AI cars running now; a step with no car to
// follow goes back to the user's car.
void cycleFollow();
// The followed car: the chosen AI car while it is still in the running generation, otherwise
// (also after a new generation replaced it) the user's car, from which the cycle starts again.
const Car& followedCar();
// 1-based place of the followed car in the running generation; 0 for the user's car and the
// champion's replay.
int64_t followedAiNumber();
bool followingChampion();

}  // namespace dx
