#include "app/replays.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "app/game.h"
#include "app/lap_times.h"
#include "car/ai_driver.h"
#include "car/tape.h"
#include "framework/errors.h"
#include "framework/log.h"
#include "framework/run_loop.h"

namespace dx {

namespace {

// The ghost drives the best lap from its start, beside the user who starts a lap now.
void startGhost(Replays& r, Map& map, Team team) {
  takeOffTrack(map, r.ghost);
  r.ghost = nullptr;
  if (!r.ghostOn || !r.bestLap) return;
  r.ghost = newReplayCar(*r.bestLap, map, team);
  map.trackObjects.push_back(r.ghost);
}

// A lap ends when the car's node count reaches the next multiple of the node count.
bool lapCompleted(const Car& user, const Tape& lap, const Map& map) {
  const int64_t n = int64_t(map.path.size());
  if (!isLooping(map) || n == 0) return false;
  const int64_t startLap = std::max<int64_t>(0, lap.start.currentNode / n);
  return user.currentNode >= (startLap + 1) * n;
}

}  // namespace

void takeOffTrack(Map& map, const CarPtr& car) {
  if (car) std::erase(map.trackObjects, car);
}

void startReplays(Replays& r, Car& user, Map& map, int64_t track) {
  r.lapTape = startRecording(user, track, "lap");
  r.lapReplayable = true;
  startGhost(r, map, user.team);
}

void afterRaceStep(Replays& r, Car& user, Map& map, int64_t track) {
  if (!r.lapTape || !lapCompleted(user, *r.lapTape, map)) return;
  const size_t done = user.lapTimes.size() >= 2 ? user.lapTimes.size() - 2 : 0;
  r.lapTape->time = user.lapTimes.empty() ? 0.0f : user.lapTimes[done];
  const bool faster = !r.bestLap || r.bestLap->kind != "lap" || r.lapTape->time < r.bestLap->time;
  if (tapeTooLong(*r.lapTape)) {
    echo("lap of ", fixed(r.lapTape->time, 2), " s not kept as a tape: a tape holds at most an hour");
  } else if (r.lapReplayable && faster) {
    r.bestLap = r.lapTape;
    echo("best lap: ", fixed(r.bestLap->time, 2), " s");
  }
  user.recordTape = nullptr;
  r.lapTape = startRecording(user, track, "lap");
  r.lapReplayable = true;
  startGhost(r, map, user.team);
}

void lapInterrupted(Replays& r) { r.lapReplayable = false; }

void toggleGhost(Replays& r, Map& map) {
  r.ghostOn = !r.ghostOn;
  echo(r.ghostOn ? "ghost on: it starts with you at your next lap" : "ghost off");
  if (!r.ghostOn) {
    takeOffTrack(map, r.ghost);
    r.ghost = nullptr;
  }
}

bool loadGhost(Replays& r, const std::string& path, int64_t track) {
  try {
    Tape t = readTapeFile(path);
    if (t.track != track)
      throw FormatError(path + ": the tape was driven on track " + std::to_string(t.track) + ", not on track " +
                        std::to_string(track));
    checkTapeFits(t, *harness().myMap, path);
    r.bestLap = std::make_shared<Tape>(std::move(t));
    echo("ghost: ", path);
    return true;
  } catch (const GameError& e) {
    echo("no ghost: ", e.what());
    return false;
  }
}

std::string tapeFileName(int64_t track, const Tape& tape) {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H-%M-%S", &t);
  const std::string what = tape.kind == "lap" ? "lap-" + fixed(tape.time, 2) + "s" : "champion-" + fixed(tape.score, 2);
  return "track" + std::to_string(track) + "-" + what + "-" + stamp + ".tape";
}

std::string saveBestLap(const Replays& r, int64_t track) {
  if (!r.bestLap) {
    echo("no tape to save yet: complete a lap first");
    return "";
  }
  const std::string folder = joinPath(writePath(), "tapes");
  const std::string path = joinPath(folder, tapeFileName(track, *r.bestLap));
  try {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) throw IOError("cannot create " + folder + ": " + ec.message());
    writeTapeFile(path, *r.bestLap);
  } catch (const GameError& e) {
    echo("could not save the tape: ", e.what());
    return "";
  }
  echo("saved tape to: ", path);
  return path;
}

void keepChampion(Replays& r, const std::vector<CarPtr>& cars) {
  const CarPtr* best = nullptr;
  for (const CarPtr& car : cars)
    if (car->recordTape && (!best || runScore(*car) > runScore(**best))) best = &car;
  if (!best) return;
  const Car& car = **best;
  r.champion = car.recordTape;
  r.champion->score = runScore(car);
  r.champion->driver = car.ai->kind;
  r.champion->genes = genesOf(*car.ai);
  r.champion->standingLap = standingLap(car);
  r.champion->flyingLap = bestFlyingLap(car);
}

void startChampionReplay(Replays& r, Map& map) {
  takeOffTrack(map, r.championCar);
  r.championCar = nullptr;
  if (!r.champion) return;
  r.championCar = newReplayCar(*r.champion, map, teamDK);
  map.trackObjects.push_back(r.championCar);
}

}  // namespace dx
