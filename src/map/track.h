#pragma once
// A track built from its source: the dense path of node cross-sections, the sector hashes of
// nodes and scenery, the placed objects, the racing line and the two particle pools.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "geom/geometry.h"
#include "map/map_source.h"
#include "objects/particles.h"
#include "objects/track_object.h"

namespace dx {

struct SectorKey {
  int64_t x = 0, y = 0;
  bool operator==(const SectorKey&) const = default;
};

struct SectorKeyHash {
  size_t operator()(const SectorKey& k) const { return std::hash<int64_t>()(k.x * 0x9E3779B97F4A7C15ll ^ k.y); }
};

// Section flag bits.
enum NodeFlag : uint16_t {
  flagGate = 0x01,
  flagLeftOpen = 0x02,
  flagRightOpen = 0x04,
  flagLeftSpecial = 0x08,
  flagRightSpecial = 0x10,
  flagBlendWidths = 0x20,
  flagAltSurface = 0x40,
  flagNoWalls = 0x100,
  flagSplit = 0x400,
};

struct Node {
  SectorKey index;
  int64_t id = 0;
  Vec2f pos;
  float widthL = 0, widthR = 0;  // layout units
  Vec2f normal;
  float angle = 0;
  Vec2f left, right;
  Vec2f oleft, oright;
  Vec2f ileft, iright;
  bool cornerLeft = false, cornerRight = false;
  bool warningLeft = false, warningRight = false;
  bool warningSplit = false;
  uint16_t flags = 0;
  uint16_t flags2 = 0;
  int64_t section = 0;
  float distanceRemaining = 0;
  int64_t leftEdgeColor = 0, rightEdgeColor = 0;
};

struct RacingLineSpring {
  Vec2f pos;
  Vec2f anchor;
  Vec2f vel;
  float mass = 1;
  bool fixed = false;
};

// Where the racing line's relaxation stands. A step is a fixed function of the springs, the
// nodes and dt, so once the springs come back to a state they had (a fixed point, or a short
// cycle left by float rounding), every later step is known: it is replayed, not computed.
struct RacingLineRest {
  float dt = 0;  // the step length the states below were found with
  // The states the relaxation repeats, in order; empty while it still moves.
  std::vector<std::vector<RacingLineSpring>> cycle;
  size_t next = 0;  // the state of `cycle` the next step gives
  // The search for a repeat (Brent's): a state, and the steps taken since it was kept.
  std::vector<RacingLineSpring> mark;
  int64_t sinceMark = 0, window = 1;
};

struct Map {
  std::string mapBank;
  int64_t mapSlot = 0;
  std::vector<Node> path;
  std::unordered_map<SectorKey, std::vector<int64_t>, SectorKeyHash> sectorMap;
  std::unordered_map<SectorKey, std::vector<MapObject>, SectorKeyHash> objectIndex;
  std::vector<TrackObjectPtr> trackObjects;
  int64_t laps = 0;
  std::string name;
  MapStyle style = CityNight;
  float length = 0;
  float offTrackSlowdown = 0;
  float backgroundHeight = 0;
  std::vector<Vec2f> racingLine;
  std::vector<RacingLineSpring> racingLineSprings;
  RacingLineRest racingLineRest;
  ParticleSystem ps;
  ParticleSystem envPS;
};

using MapPtr = std::shared_ptr<Map>;

// Four colours per style: background, road surface and even edge stripes, lines, walls.
const std::array<int64_t, 4>& mapPalette(MapStyle style);

// A track may not have more nodes than this; a damaged or hostile file could otherwise ask for
// an unbounded number.
constexpr int64_t kMaxNodes = 100000;

MapPtr newMap();
// Builds the track. A source without nodes raises TrackError ("map has no nodes", printed).
MapPtr fromSource(MapSource src);
// Only the walk over the sections: the header and the nodes, which may be none; no marks, lengths,
// objects or scenery. Raises TrackError for a section kind it does not know.
MapPtr walkSections(const MapSource& src);
// The program's entry: load the slot's file, build it, relax its racing line, make its pools.
MapPtr loadMap(const std::string& mapBank, int64_t mapSlot);
// loadMap for a source already read (by a caller that checks it first), and the one way every
// track is built whole; a track made from a source in memory has no bank or slot.
MapPtr buildMap(MapSource src, const std::string& mapBank = "", int64_t mapSlot = 0);

Node initNode(int64_t section, int64_t id, Vec2f pos, Vec2f normal, float angle, float widthL, float widthR,
              float vergeL, float vergeR, uint16_t flags);
SectorKey getIndex(Vec2f p);
void addNode(Map& map, const Node& node);
inline bool isLooping(const Map& map) { return map.laps > 0; }

}  // namespace dx
