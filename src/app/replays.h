#pragma once
// Replays in the game: the user's laps are recorded on tapes, the fastest becomes a ghost that
// starts with the user at every lap start, and each generation's best AI is replayed as the
// champion during the next one.
#include <cstdint>
#include <memory>
#include <string>

#include "car/car.h"
#include "framework/keys.h"
#include "map/track.h"

namespace dx {

struct Replays {
  std::shared_ptr<Tape> lapTape;  // the user's lap being recorded
  bool lapReplayable = true;      // false once something other than driving moved the car this lap
  std::shared_ptr<Tape> bestLap;  // the ghost's tape: the session's fastest lap, or one loaded
  bool ghostOn = true;
  CarPtr ghost;
  std::shared_ptr<Tape> champion;  // the best AI car of the last scored generation
  CarPtr championCar;
};

// The key that shows or hides the ghost; F4 saves the best lap's tape.
constexpr int32_t keyGhost = keyO;

// Starts recording the user's first lap; shows a loaded ghost at once.
void startReplays(Replays& r, Car& user, Map& map, int64_t track);
// After each race update: closes a completed lap (a faster one becomes the ghost) and starts the
// ghost with the user on the new lap.
void afterRaceStep(Replays& r, Car& user, Map& map, int64_t track);
// The car was moved by something other than its drive (reset, editor, catalogue): the lap being
// recorded cannot be replayed.
void lapInterrupted(Replays& r);
void toggleGhost(Replays& r, Map& map);

// Loads a tape for `track` as the ghost; a damaged tape or one of another track is refused with a
// message naming the file, and the game goes on without it.
bool loadGhost(Replays& r, const std::string& path, int64_t track);
// Writes the best lap's tape to the per-user folder's tapes/; returns its path or "" (logged).
std::string saveBestLap(const Replays& r, int64_t track);
// "track1-lap-31.25s-2026-12-08T10-11-12.tape", or "track1-champion-712.00-….tape".
std::string tapeFileName(int64_t track, const Tape& tape);

// The champion: the highest score of the cars that ran (first on ties), and its replay car.
void keepChampion(Replays& r, const std::vector<CarPtr>& cars);
void startChampionReplay(Replays& r, Map& map);

// Removes a car from the track's object list, if it is there.
void takeOffTrack(Map& map, const CarPtr& car);

}  // namespace dx
