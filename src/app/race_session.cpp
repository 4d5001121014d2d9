#include "app/race_session.h"

#include <algorithm>
#include <cstdio>

#include "app/gain_pool.h"
#include "app/race_mode.h"
#include "app/race_results.h"
#include "app/status_panel.h"
#include "app/view_controls.h"
#include "framework/canvas.h"
#include "framework/colors.h"
#include "framework/errors.h"
#include "framework/font.h"
#include "framework/input.h"
#include "framework/keys.h"
#include "framework/log.h"
#include "framework/run_loop.h"
#include "render3d/rasterizer.h"
#include "render3d/render_state.h"

namespace dx {

namespace {

RaceSession gRace;

std::string orDashes(std::optional<float> v) { return v ? fixed(*v, 2) : "--"; }

// The pool the race reads; a file damaged since start-up is reported and the field is bred at
// random.
std::vector<ScoredGains> racePool() {
  try {
    return readPool(poolPath(), geneCount(sessionOptions().driver)).value_or(std::vector<ScoredGains>{});
  } catch (const GameError& e) {
    echo("cannot read the gain pool for the race: ", e.what());
    return {};
  }
}

std::string fieldNote(const Race& race) {
  const int64_t bred = std::count_if(race.entries.begin(), race.entries.end(),
                                     [](const RaceEntry& e) { return e.source == GainSource::bred; });
  const int64_t random = std::count_if(race.entries.begin(), race.entries.end(),
                                       [](const RaceEntry& e) { return e.source == GainSource::random; });
  if (random > 0) return std::to_string(random) + " random: the pool is empty";
  if (bred > 0) return std::to_string(bred) + " bred: the pool has too few drivers";
  return "";
}

const RaceEntry& entryOf(const Race& race, const Car& car) {
  for (const RaceEntry& e : race.entries)
    if (e.car.get() == &car) return e;
  return race.entries.front();
}

void keepResults(RaceSession& s) {
  s.resultsKept = true;
  const SessionOptions& o = sessionOptions();
  const RaceRecordKey key{resultsDateTime(), o.trackSlot, std::string(driverName(o.driver)), o.level};
  if (writePath().empty()) {
    echo("race results not written: there is no per-user folder");
    return;
  }
  const std::string path = joinPath(writePath(), resultsFile);
  if (appendResults(path, resultsLines(*s.race, key))) echo("race results added to ", path);
}

void drawCountdown(const Race& race) {
  const int64_t n = countdownNumber(race);
  if (n < 0) return;
  const std::string text = n == 0 ? "GO" : std::to_string(n);
  const DrawState& d = drawState();
  setFont(0);
  constexpr Pint kScale = 3;
  // Below the grid, which the camera centres, and above the gauges.
  const Pint x = (d.screenWidth - textWidth(text, kScale)) / 2, y = d.screenHeight * 5 / 8;
  setColor(color::black);
  print(text, x + 1, y + 1, kScale);
  setColor(n == 0 ? color::green : color::yellow);
  print(text, x, y, kScale);
}

std::string padded(std::string s, size_t width) {
  s.resize(std::max(s.size(), width), ' ');
  return s;
}

std::vector<std::string> resultsTable(const Race& race) {
  std::vector<std::string> lines = {"RESULTS   r: race again", "P   driver   best    total"};
  int64_t place = 0;
  for (const RaceEntry* e : standings(race)) {
    const std::string total = e->total                  ? fixed(*e->total, 2)
                              : race.over || e->retired ? "DNF"
                                                        : "lap " + std::to_string(lapOf(race, *e));
    lines.push_back(padded(std::to_string(++place), 4) + padded(entryName(*e), 9) +
                    padded(orDashes(bestLap(race, *e)), 8) + total);
  }
  return lines;
}

}  // namespace

RaceSession& raceSession() { return gRace; }
void resetRaceSession() { gRace = RaceSession{}; }

bool racing() { return sessionOptions().race; }

bool onTheGrid() { return racing() && gRace.race && gRace.race->countdown > 0; }

void startSessionRace() {
  Harness& h = harness();
  RaceSession& s = gRace;
  if (s.race) endRaceOnTrack(*s.race);
  CarSettings settings;
  loadCarSettings(gameFile(testCarFile), settings);
  const std::vector<ScoredGains> pool = racePool();
  const SessionOptions& o = sessionOptions();
  s.race = newRace({*h.myMap, h.myCar, settings, pool, o.opponents, o.pole, nextRandom(randomState()), 0, 0, o.driver,
                    trainingRecord().reference});
  s.fieldNote = fieldNote(*s.race);
  s.resultsKept = false;
  h.aiCars.clear();
  for (size_t i = 1; i < s.race->entries.size(); ++i) h.aiCars.push_back(s.race->entries[i].car);
  echo("race: you and ", o.opponents, " computer drivers, ", raceLaps(*s.race),
       raceLaps(*s.race) == 1 ? " lap" : " laps");
}

void updateSessionRace(float dt) {
  Harness& h = harness();
  Replays& replays = trainingRecord().replays;
  if (keyp(keyR)) {
    startSessionRace();
    startReplays(replays, *h.myCar, *h.myMap, sessionOptions().trackSlot);
  }
  Race& race = *gRace.race;
  if (h.ff) stepRace(race, dt);
  stepRace(race, dt);
  afterRaceStep(replays, *h.myCar, *h.myMap, sessionOptions().trackSlot);
  if (race.over && !gRace.resultsKept) keepResults(gRace);
  h.dataLog.push_back(dataLogRecord(*h.myCar));
}

void retireFromRace() { retire(*gRace.race); }

std::vector<std::string> racePanelLines(const Car& followed) {
  const Race& race = *gRace.race;
  const Map& map = *race.map;
  const RaceEntry& e = entryOf(race, followed);
  const std::optional<float> gap = gapAhead(race, e);
  std::string place = "P";
  place.append(std::to_string(placeOf(race, e))).append("/").append(std::to_string(race.entries.size()));
  place.append("  lap ").append(std::to_string(lapOf(race, e))).append("/").append(std::to_string(raceLaps(race)));
  place.append("  gap ").append(gap ? std::string(1, '+').append(fixed(*gap, 2)) : "--");
  if (harness().ff) place.append("  2x");
  std::vector<std::string> lines = {trackLine(map), place,
                                    "last " + orDashes(lastLap(race, e)) + "  best " + orDashes(bestLap(race, e)),
                                    "following: " + entryName(e)};
  if (!gRace.fieldNote.empty()) lines.push_back(gRace.fieldNote);
  return lines;
}

void drawRaceMarks() {
  const Race& race = *gRace.race;
  modelReset();
  setFont(1);
  for (size_t i = 1; i < race.entries.size(); ++i) {
    const RaceEntry& e = race.entries[i];
    const ScreenPoint p = project(vec3f(e.car->pos, 3.0f));
    if (!p.visible) continue;
    const std::string label = entryLabel(e);
    const Pint x = Pint(p.x) - textWidth(label) / 2, y = Pint(p.y) - 9;
    setColor(color::black);
    rectfill(x - 1, y - 1, x + textWidth(label), y + 5);
    setColor(color::yellow);
    print(label, x, y);
  }
}

void drawRaceOverlay() {
  const Race& race = *gRace.race;
  drawCountdown(race);
  if (!race.over && !race.entries.front().total) return;  // from the user's finish, the field comes in
  const std::vector<std::string> lines = resultsTable(race);
  std::vector<ColorId> colors = {color::blue, color::lightGrey};
  for (const RaceEntry* e : standings(race))
    colors.push_back(e == &race.entries.front() ? color::yellow : color::white);
  setFont(1);
  Pint w = 0;
  for (const std::string& l : lines) w = std::max(w, textWidth(l));
  // At the right, clear of the panel on the left and of the gauges below.
  textBox(lines, colors, drawState().screenWidth - w - 6, 2);
}

}  // namespace dx
