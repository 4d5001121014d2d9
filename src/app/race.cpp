#include "app/race.h"

#include <algorithm>
#include <numeric>

#include "app/lap_times.h"
#include "app/race_mode.h"
#include "app/training.h"
#include "car/ai_driver.h"
#include "map/node_queries.h"
#include "map/world_step.h"

namespace dx {

namespace {

// The race's streams, apart from every generation's: 0 for the step, 1 for breeding, then one per
// opponent.
constexpr uint64_t kRaceStreams = ~uint64_t(0);
constexpr float kPoleBack = 1.0f;   // the pole car's centre behind the line; its nose is 0.625 ahead
constexpr float kRowPitch = 2.5f;   // a car length (1.25) and a car length's gap
constexpr float kAbreast = 1.0f;    // each car of a row this far off the centre line
constexpr int64_t kGridReach = 64;  // nodes a grid may reach back

struct GridSpot {
  Vec2f pos;
  float angle = 0;
  int64_t node = 0;  // the node ahead of the spot
};

// The spot of a grid slot (0 is pole), measured back along the road's centre from the start node.
GridSpot gridSpot(const Map& map, int64_t startNode, int64_t slot) {
  float back = kPoleBack + float(slot / 2) * kRowPitch;
  int64_t node = startNode;
  Vec2f ahead = nodeAt(map, node).pos, dir = polarVec2f(nodeAt(map, node).angle, 1);
  for (int64_t k = 0; k < kGridReach; ++k) {
    const Vec2f behind = nodeAt(map, node - 1).pos;
    const float seg = length(ahead - behind);
    if (seg <= 0) break;  // the first node of an open track: nothing further back
    dir = (ahead - behind) / seg;
    if (back <= seg) break;
    back -= seg;
    ahead = behind;
    node -= 1;
  }
  const float side = slot % 2 == 0 ? -kAbreast : kAbreast;
  return {ahead - dir * back + perpendicular(dir) * side, angle(dir), node};
}

// A car at rest on its grid spot, before its first lap, waiting for GO.
void putOnGrid(Car& car, Race& race, const GridSpot& spot) {
  car.map = race.map;
  car.currentNode = spot.node;
  resetCarOnTrack(car, *race.map);
  car.pos = spot.pos;
  car.angle = spot.angle;
  car.currentNode = car.lastNode = car.lastGoodNode = spot.node;
  car.controls = {};
  car.lapTimes.clear();
  car.finished = car.engineShutdown = false;
  car.temperature = 24.0f;  // a race run before leaves no hot engine
  car.ready = 1.0f;
  car.race = &race.state;
}

CarPtr newOpponent(const OpponentChoice& chosen, const RaceSetup& s, int64_t index, RandomState& r) {
  CarPtr car = newCar(nullptr, s.settings);
  car->stream = streamFor(s.seed, kRaceStreams, uint64_t(2 + index));
  car->team = teamSK;
  car->map = &s.map;
  recalculate(car->settings);
  car->ai = newAI(car.get(), r);
  car->ai->skill = 0.5f;
  setDriverKind(*car->ai, s.driver, s.plan);
  if (chosen.gains.empty())
    randomizeGenes(*car->ai, r);
  else
    loadGenes(*car->ai, chosen.gains);
  return car;
}

RaceEntry newEntry(CarPtr car, GainSource source, int64_t rank) {
  RaceEntry e;
  e.car = std::move(car);
  e.source = source;
  e.rank = rank;
  return e;
}

bool running(const RaceEntry& e) { return !e.total && !e.retired; }

// The race time at which the entry first reached `node`, if it has.
std::optional<float> reachedAt(const RaceEntry& e, int64_t node) {
  const int64_t k = node - e.start;
  if (k < 0 || k >= int64_t(e.reached.size())) return std::nullopt;
  return e.reached[size_t(k)];
}

void recordProgress(Race& race, RaceEntry& e, float dt) {
  if (!running(e)) return;
  Car& car = *e.car;
  recordLapTime(car, *race.map, dt);
  while (car.currentNode - e.start >= int64_t(e.reached.size())) e.reached.push_back(race.state.time);
  if (car.currentNode < race.finishNode) return;
  // The step that crossed the line opened the next lap's entry; the distance ends before it.
  car.finished = true;
  e.total = std::accumulate(car.lapTimes.begin(), car.lapTimes.end() - 1, 0.0f);
  if (e.source != GainSource::user) race.lastOpponentFinish = race.state.time;
}

void finishRace(Race& race) { race.over = race.state.finished = true; }

// The race ends when every car is done, or kLastFinishWait after the user finished while others
// still run (a winner sees the field come in), or as long after the last opponent finished while
// the user still runs.
void checkEnd(Race& race) {
  const RaceEntry& user = race.entries.front();
  const bool opponentsDone =
      std::none_of(race.entries.begin() + 1, race.entries.end(), [](const RaceEntry& e) { return running(e); });
  const float t = race.state.time;
  const bool waited = user.total ? t - *user.total >= kLastFinishWait
                                 : race.lastOpponentFinish && t - *race.lastOpponentFinish >= kLastFinishWait;
  if ((opponentsDone && (user.total || waited)) || (user.total && waited) ||
      (race.timeLimit > 0 && t >= race.timeLimit))
    finishRace(race);
}

}  // namespace

std::string entryLabel(const RaceEntry& e) {
  switch (e.source) {
    case GainSource::user: return "you";
    case GainSource::pool: return std::to_string(e.rank);
    case GainSource::bred: return std::to_string(e.rank).insert(0, 1, 'b');
    case GainSource::random: return std::to_string(e.rank).insert(0, 1, 'r');
  }
  return "";
}

std::string entryName(const RaceEntry& e) { return e.source == GainSource::user ? "you" : "AI #" + entryLabel(e); }

std::vector<OpponentChoice> chooseOpponents(const std::vector<ScoredGains>& pool, int64_t count, RandomState& r) {
  std::vector<OpponentChoice> out;
  auto taken = [&](const std::vector<float>& w) {
    return std::any_of(out.begin(), out.end(), [&](const OpponentChoice& c) { return c.gains == w; });
  };
  for (size_t i = 0; i < pool.size() && int64_t(out.size()) < count; ++i)
    if (!taken(pool[i].weights)) out.push_back({GainSource::pool, int64_t(i) + 1, pool[i].weights});
  for (int64_t k = 1; int64_t(out.size()) < count; ++k)
    out.push_back(pool.empty() ? OpponentChoice{GainSource::random, k, {}}
                               : OpponentChoice{GainSource::bred, k, chooseGains(pool, r)});
  return out;
}

RacePtr newRace(const RaceSetup& s) {
  RacePtr race = std::make_unique<Race>();
  Map& map = s.map;
  race->map = &map;
  race->random = streamFor(s.seed, kRaceStreams, 0);
  RandomState breeding = streamFor(s.seed, kRaceStreams, 1);
  race->state.map = &map;
  race->state.laps = isLooping(map) ? (s.laps > 0 ? s.laps : map.laps) : 1;
  race->finishNode = isLooping(map) ? race->state.laps * int64_t(map.path.size()) : getEndNode(map);
  race->timeLimit = s.timeLimit;
  race->entries.push_back(newEntry(s.user, GainSource::user, 0));
  const std::vector<OpponentChoice> chosen = chooseOpponents(s.pool, s.opponents, breeding);
  for (size_t i = 0; i < chosen.size(); ++i)
    race->entries.push_back(
        newEntry(newOpponent(chosen[i], s, int64_t(i), breeding), chosen[i].source, chosen[i].rank));
  race->state.competitors = int64_t(race->entries.size());
  const int64_t startNode = getStartNode(map, 0), n = int64_t(race->entries.size());
  for (int64_t i = 0; i < n; ++i) {
    RaceEntry& e = race->entries[size_t(i)];
    const int64_t slot = s.pole ? i : (i == 0 ? n - 1 : i - 1);
    putOnGrid(*e.car, *race, gridSpot(map, startNode, slot));
    e.start = e.car->currentNode;
  }
  auto& objs = map.trackObjects;
  if (std::find(objs.begin(), objs.end(), s.user) == objs.end()) objs.push_back(s.user);
  for (size_t i = 1; i < race->entries.size(); ++i) objs.push_back(race->entries[i].car);
  return race;
}

void endRaceOnTrack(Race& race) {
  auto& objs = race.map->trackObjects;
  for (size_t i = 1; i < race.entries.size(); ++i) std::erase(objs, TrackObjectPtr(race.entries[i].car));
  race.entries.front().car->race = nullptr;
}

void stepRace(Race& race, float dt) {
  // Once the results are in, the field stands as it was when they were taken.
  if (race.over) return;
  if (race.countdown > 0) {
    race.countdown -= 1;
    race.state.ready = race.countdown == 0;
    return;
  }
  // The clock runs before the step: the car update steers only once it is past 0.
  race.state.time += dt;
  stepWorld(*race.map, dt, race.random);
  for (RaceEntry& e : race.entries) recordProgress(race, e, dt);
  checkEnd(race);
}

void retire(Race& race) {
  if (race.over) return;
  race.entries.front().retired = true;
  finishRace(race);
}

int64_t countdownNumber(const Race& race) {
  if (race.countdown > 0) return (race.countdown + kGoSteps - 1) / kGoSteps;
  return race.state.time < float(kGoSteps) / 60.0f ? 0 : -1;
}

std::vector<const RaceEntry*> standings(const Race& race) {
  std::vector<const RaceEntry*> out;
  for (const RaceEntry& e : race.entries) out.push_back(&e);
  auto arrival = [](const RaceEntry* e) { return reachedAt(*e, e->car->currentNode).value_or(0.0f); };
  std::stable_sort(out.begin(), out.end(), [&](const RaceEntry* a, const RaceEntry* b) {
    if (a->total || b->total) return a->total && (!b->total || *a->total < *b->total);
    if (a->car->currentNode != b->car->currentNode) return a->car->currentNode > b->car->currentNode;
    return arrival(a) < arrival(b);
  });
  return out;
}

int64_t placeOf(const Race& race, const RaceEntry& e) {
  const std::vector<const RaceEntry*> order = standings(race);
  return int64_t(std::find(order.begin(), order.end(), &e) - order.begin()) + 1;
}

std::optional<float> gapAhead(const Race& race, const RaceEntry& e) {
  const std::vector<const RaceEntry*> order = standings(race);
  const auto at = std::find(order.begin(), order.end(), &e);
  if (at == order.begin() || at == order.end()) return std::nullopt;
  const RaceEntry& ahead = **(at - 1);
  if (e.total) return *e.total - *ahead.total;
  const std::optional<float> passed = reachedAt(ahead, e.car->currentNode);
  if (!passed) return std::nullopt;
  return race.state.time - *passed;
}

int64_t raceLaps(const Race& race) { return race.state.laps; }

int64_t lapOf(const Race& race, const RaceEntry& e) {
  return std::clamp<int64_t>(int64_t(e.car->lapTimes.size()), 1, raceLaps(race));
}

std::optional<float> lastLap(const Race& race, const RaceEntry& e) {
  const std::vector<float>& t = e.car->lapTimes;
  if (t.size() < 2) return std::nullopt;
  return t[std::min(t.size() - 2, size_t(raceLaps(race)) - 1)];
}

std::optional<float> bestLap(const Race& race, const RaceEntry& e) {
  const std::vector<float>& t = e.car->lapTimes;
  if (t.size() < 2) return std::nullopt;
  const size_t done = std::min(t.size() - 1, size_t(raceLaps(race)));
  return *std::min_element(t.begin(), t.begin() + ptrdiff_t(done));
}

}  // namespace dx
