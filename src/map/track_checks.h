#pragma once
// What a built track is like: its size, whether the loop closes, whether the road runs over
// itself, whether the racing line keeps off the walls, and where the flags, boosters and scenery
// ended up; and the layout rules a drivable track keeps, for the track compiler and for whoever
// loads a track.
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "map/track.h"

namespace dx {

// Layout rules a drivable track keeps.
constexpr float kMaxNodeSpacing = 4.0f;       // map units: one straight walk step
constexpr float kMaxJointTurn = 0.3f;         // radians: the largest heading change the walk makes
constexpr float kMinLineClearance = 1.9f;     // map units from the racing line to a wall
constexpr float kMinDividerClearance = 1.0f;  // map units from the racing line to a split's centre

struct NodeRange {
  int64_t first = 0, last = 0;
};

struct FlagUse {
  uint16_t bit = 0;
  std::vector<NodeRange> ranges;
};

struct TrackReport {
  std::string name;
  MapStyle style = CityNight;
  int64_t laps = 0;
  size_t sections = 0;
  std::vector<NodeRange> sectionNodes;  // the nodes each section made (last < first for none)
  int64_t nodes = 0;
  float length = 0;
  AABB bounds;  // of the outer bands, map units
  float maxSpacing = 0;
  Vec2f walkEndPos;  // where the last node stands, layout units, and the heading it leaves with
  float walkEndHeading = 0;
  // The joint from the last node back to node 0 (loops only).
  float loopGap = 0;                                   // map units between the last node and node 0
  float endFromStart = 0;                              // map units between the last node and the walk's start point
  float headingMismatch = 0;                           // radians: the larger of the two heading changes at the joint
  std::vector<std::pair<int64_t, int64_t>> crossings;  // nodes whose outer bands overlap
  std::vector<int64_t> folds;                          // nodes whose band edges run backwards
  float lineClearance = std::numeric_limits<float>::infinity();
  int64_t lineClearanceNode = 0;
  float dividerClearance = std::numeric_limits<float>::infinity();
  float narrowestSplitLane = std::numeric_limits<float>::infinity();
  std::vector<FlagUse> flags;
  std::vector<int64_t> boosterNodes;
  float boosterLineDistance = 0;  // the largest distance from a booster to the racing line
  size_t scenery = 0;
  size_t sceneryOnRoad = 0;
};

// The box of the outer bands, map units.
AABB trackBounds(const Map& map);

// Whether p lies on a node's extended polygon or within margin of one's outer edges.
bool nearRoad(const Map& map, Vec2f p, float margin);

// Pairs of nodes at least two apart along the track whose extended polygons overlap.
std::vector<std::pair<int64_t, int64_t>> findCrossings(const Map& map);

// The map must have its racing line (buildTrack). `src` supplies the counts and scenery.
TrackReport inspectTrack(const Map& map, const MapSource& src);

// The rules above that the track breaks, one line each; empty for a drivable track.
std::vector<std::string> trackProblems(const TrackReport& r);

// The rules a loaded track breaks (see trackProblems); `src` is the source it was built from
// (loadMapSource, then buildMap with a copy).
std::vector<std::string> layoutProblems(const Map& map, const MapSource& src);

// Where the section walk stands after the last node: position in layout units and heading.
struct WalkEnd {
  Vec2f pos;
  float heading = 0;
};
WalkEnd walkEnd(const Map& map);

}  // namespace dx
