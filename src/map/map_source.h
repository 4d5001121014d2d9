#pragma once
// The binary track file: curve sections, objects placed along the track, scenery objects, laps,
// name and style, in three layouts (version 2, version 1 and the headerless original).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "geom/vec.h"
#include "objects/enums.h"

namespace dx {

enum SectionKind : uint8_t { AngleCurve = 0, CubicBezierCurve = 1 };

enum MapStyle : uint8_t { CityNight = 0, CityDay = 1, Desert = 2, Snow = 3, Forest = 4, Sea = 5 };

const char* mapStyleName(MapStyle s);

struct Section {
  SectionKind kind = AngleCurve;
  int64_t steps = 0;
  float turn = 0;
  float widthL = 0, widthR = 0;
  float vergeL = 0, vergeR = 0;
  Vec2f endOffset, control1, control2;
  uint16_t flags = 0;
  uint16_t flags2 = 0;
};

struct TrackObjectPlacement {
  TrackObjectKind kind = toBooster;
  float along = 0;
  float lateral = 0;
};

struct MapObject {
  uint8_t kind = 0;
  Vec2f pos;
};

struct MapSource {
  std::vector<Section> sections;
  std::vector<TrackObjectPlacement> trackObjects;
  std::vector<MapObject> objects;
  int64_t laps = 0;
  std::string name;
  MapStyle style = CityNight;
  // Why the load ended early ("maps/1.map: the file ends after 1234 bytes, in section 7 of 12");
  // empty when the whole file was read.
  std::string loadError;
};

// The largest magnitude of any number in a track file (layout or map units, radians): far beyond
// any drivable track, and small enough that the track's construction stays finite. Placements'
// `along` must lie in 0 to 1.
constexpr float kMaxTrackValue = 1e6f;

// What the file format can count: sections, and placements and scenery objects each.
constexpr size_t kMaxFileSections = 0xFFFF;
constexpr size_t kMaxFileObjects = 0x7FFF;
constexpr const char* kTooManyForFile = "track has too many sections or objects for the file format";

MapSource newMapSource();

// The file of a slot: basePath/maps/<slot>.map, or writePath/maps/<bank>/<slot>.map for a bank.
std::string mapSourcePath(const std::string& mapBank, int64_t mapSlot);

// Reads the current layout and falls back to the older ones; read errors end in a partial record
// named "???" after "Error loading map" and a line saying why (also kept in `loadError`). A bad
// section kind or style byte, or a number that is not finite or out of range, raises FormatError
// naming the file and the entry.
MapSource loadMapSource(const std::string& mapBank, int64_t mapSlot);
MapSource loadMapSource1(const std::string& mapBank, int64_t mapSlot);
MapSource loadMapSourceOld(const std::string& mapBank, int64_t mapSlot);

// The same readers over a file path, for tools and tests.
MapSource loadMapSourceFile(const std::string& path);
// The same over the bytes of a file; `name` stands for the file in messages. Falling back reads
// the same bytes again in the older layouts, with the same log lines as the file readers.
MapSource parseMapSource(std::string_view bytes, const std::string& name);

// The version-2 bytes of a map source (what the track compiler writes). Raises FormatError for a
// source the loader would refuse (counts, steps, laps or a number out of range).
std::string encodeMapSource(const MapSource& src);

}  // namespace dx
