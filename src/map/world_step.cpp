#include "map/world_step.h"

#include <algorithm>
#include <vector>

#include "geom/scalar_math.h"
#include "map/racing_line.h"

namespace dx {

namespace {

// How an object takes part in the pair tests. Two cars of which one is ethereal answer each
// other with nothing (the car-car response ignores ethereal cars and the test changes nothing),
// so such pairs are never looked at: a field of ethereal cars costs no pair work.
enum class PairRole : uint8_t { other, car, etherealCar };

PairRole pairRole(const TrackObject& o) {
  if (o.kind() != ObjectKind::car) return PairRole::other;
  return o.ethereal ? PairRole::etherealCar : PairRole::car;
}

// Every pair (a, b) with a before b in the list, in that order, unless both are cars and one of
// them is ethereal; tested only when they are less than two nodes apart along the track. Neither
// a test nor a hit changes an object's kind or ethereal flag, so the roles are taken once.
void collidePairs(Map& map, RandomState& r) {
  const int64_t n = int64_t(map.path.size());
  const auto& objs = map.trackObjects;
  std::vector<PairRole> roles;
  std::vector<size_t> nonCars, notEthereal;  // ascending list positions
  roles.reserve(objs.size());
  for (size_t i = 0; i < objs.size(); ++i) {
    roles.push_back(pairRole(*objs[i]));
    if (roles[i] == PairRole::other) nonCars.push_back(i);
    if (roles[i] != PairRole::etherealCar) notEthereal.push_back(i);
  }
  auto test = [&](TrackObject& a, TrackObject& b) {
    if (modDiff(a.currentNode, b.currentNode, n) >= 2) return;
    const Collision c = checkCollision(a, b);
    if (c.hit) hit(a, b, c, r);
  };
  for (size_t i = 0; i < objs.size(); ++i) {
    TrackObject& a = *objs[i];
    if (roles[i] == PairRole::other) {
      for (size_t j = i + 1; j < objs.size(); ++j) test(a, *objs[j]);
      continue;
    }
    const std::vector<size_t>& partners = roles[i] == PairRole::car ? notEthereal : nonCars;
    for (auto j = std::upper_bound(partners.begin(), partners.end(), i); j != partners.end(); ++j) test(a, *objs[*j]);
  }
}

}  // namespace

void stepWorld(Map& map, float dt, RandomState& r) {
  iterateRacingLine(map, dt);
  // Index loop: an update may append objects to the list; the list keeps each one alive.
  for (size_t i = 0; i < map.trackObjects.size(); ++i) map.trackObjects[i]->update(dt, r);
  collidePairs(map, r);
  std::erase_if(map.trackObjects, [](const TrackObjectPtr& o) { return o->remove; });
  updateParticles(map.ps, dt, r);
  updateWeather(map.envPS, dt, r);
}

void update(Map& map, float dt) { stepWorld(map, dt, randomState()); }

MapPtr newLane(const Map& map) {
  MapPtr lane = newMap();
  lane->mapBank = map.mapBank;
  lane->mapSlot = map.mapSlot;
  lane->path = map.path;
  lane->sectorMap = map.sectorMap;
  lane->objectIndex = map.objectIndex;
  lane->laps = map.laps;
  lane->name = map.name;
  lane->style = map.style;
  lane->length = map.length;
  lane->offTrackSlowdown = map.offTrackSlowdown;
  lane->backgroundHeight = map.backgroundHeight;
  lane->racingLine = map.racingLine;
  newParticleSystem(map.ps.size, lane->ps);
  newParticleSystem(map.envPS.size, lane->envPS);
  return lane;
}

}  // namespace dx
