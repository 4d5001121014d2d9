#include <gtest/gtest.h>

#include "map/reset_map.h"
#include "map/world_step.h"
#include "map_fixtures.h"

namespace dx {
namespace {

using test::ring;

// Objects that record what the map step does with them.
struct Probe : TrackObject {
  ObjectKind k = ObjectKind::base;
  bool removeOnUpdate = false;
  std::vector<int>* updates = nullptr;
  int tag = 0;
  ObjectKind kind() const override { return k; }
  void update(float, RandomState&) override {
    if (updates) updates->push_back(tag);
    if (removeOnUpdate) remove = true;
  }
};

std::vector<std::pair<int64_t, int64_t>> gTested;

Collision recordCarPair(TrackObject& a, TrackObject& b) {
  gTested.push_back({a.currentNode, b.currentNode});
  return {};
}

std::shared_ptr<Probe> probe(Map& map, ObjectKind k, int64_t node, int tag = 0) {
  auto p = std::make_shared<Probe>();
  p->k = k;
  p->currentNode = node;
  p->tag = tag;
  p->map = &map;
  map.trackObjects.push_back(p);
  return p;
}

TEST(MapUpdate, OnlyPairsLessThanTwoNodesApartAreTested) {
  const MapPtr map = fromSource(ring(100));
  map->trackObjects.clear();
  gTested.clear();
  collisionAnswers().carVsCar = recordCarPair;
  probe(*map, ObjectKind::car, 99);
  probe(*map, ObjectKind::car, 0);
  probe(*map, ObjectKind::car, 2);
  probe(*map, ObjectKind::car, 12);
  update(*map, 1.0f / 60);
  resetMapModules();
  EXPECT_EQ(gTested, (std::vector<std::pair<int64_t, int64_t>>{{99, 0}}));
}

TEST(MapUpdate, EtherealCarPairsAreSkipped) {
  const MapPtr map = fromSource(ring(100));
  map->trackObjects.clear();
  gTested.clear();
  collisionAnswers().carVsCar = recordCarPair;
  probe(*map, ObjectKind::car, 5)->ethereal = true;
  probe(*map, ObjectKind::car, 5);
  update(*map, 1.0f / 60);
  resetMapModules();
  EXPECT_TRUE(gTested.empty());
}

TEST(MapUpdate, UpdatesInOrderAndRemovesFlaggedObjectsKeepingOrder) {
  const MapPtr map = fromSource(ring(100));
  map->trackObjects.clear();
  std::vector<int> updates;
  for (int t = 0; t < 5; ++t) {
    auto p = probe(*map, ObjectKind::base, t * 20, t);
    p->updates = &updates;
    p->removeOnUpdate = t == 1 || t == 3;
  }
  update(*map, 1.0f / 60);
  EXPECT_EQ(updates, (std::vector<int>{0, 1, 2, 3, 4}));
  std::vector<int> left;
  for (const auto& o : map->trackObjects) left.push_back(static_cast<Probe&>(*o).tag);
  EXPECT_EQ(left, (std::vector<int>{0, 2, 4}));
}

}  // namespace
}  // namespace dx
