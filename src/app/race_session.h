#pragma once
// Race mode of the game (draxen3516 --race): the race of the session's options around the user's
// car, its keys (Escape retires, r restarts), the results file, and what the race screen shows
// over the track (the panel's race lines, the opponents' marks, the countdown, the results).
#include <string>
#include <vector>

#include "app/race.h"

namespace dx {

struct RaceSession {
  RacePtr race;
  std::string fieldNote;     // how the field was filled when the pool held too few drivers
  bool resultsKept = false;  // this race's results went to the file (or were refused, and said so)
};

RaceSession& raceSession();
void resetRaceSession();

// Whether the session races instead of training.
bool racing();
// Whether a race's countdown holds the cars on the grid (a reset would move the user off it).
bool onTheGrid();
// A new race from the track's pool, the user's car on the grid; a race already run is taken off
// the track first.
void startSessionRace();
// One update of race mode after the user's controls: the restart key, the race steps (two with
// fast-forward), the replays, the results file when the race has ended, the telemetry.
void updateSessionRace(float dt);
// The user gives up the race (Escape).
void retireFromRace();

// The panel's lines in a race, for the followed car.
std::vector<std::string> racePanelLines(const Car& followed);
// Each opponent's mark above its car (the label its line of the results table names it by), under
// the panel and the gauges.
void drawRaceMarks();
// The countdown and, once the race is over, the results table, over everything.
void drawRaceOverlay();

}  // namespace dx
