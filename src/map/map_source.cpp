#include "map/map_source.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <fstream>
#include <iterator>

#include "framework/errors.h"
#include "framework/log.h"
#include "framework/run_loop.h"

namespace dx {

namespace {

// No valid track file comes near this size; reading stops here so a huge file costs nothing.
constexpr size_t kMaxMapFileBytes = 8u << 20;

std::string readMapBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) throw IOError("Unable to open file: " + path);
  const std::streamoff size = in.tellg();
  in.seekg(0);
  std::string bytes(size_t(std::clamp<std::streamoff>(size, 0, kMaxMapFileBytes)), '\0');
  in.read(bytes.data(), std::streamsize(bytes.size()));
  bytes.resize(size_t(in.gcount()));
  return bytes;
}

// Little-endian reads over the file's bytes; a short read raises "cannot read from stream".
class Stream {
 public:
  explicit Stream(std::string_view bytes) : data_(bytes) {}

  uint8_t readUint8() { return uint8_t(take(1)[0]); }
  int8_t readInt8() { return int8_t(readUint8()); }
  uint16_t readUint16() {
    const char* p = take(2);
    return uint16_t(uint8_t(p[0]) | uint8_t(p[1]) << 8);
  }
  int16_t readInt16() { return int16_t(readUint16()); }
  float readFloat32() {
    const char* p = take(4);
    const uint32_t bits = uint32_t(uint8_t(p[0])) | uint32_t(uint8_t(p[1])) << 8 |
                          uint32_t(uint8_t(p[2])) << 16 | uint32_t(uint8_t(p[3])) << 24;
    return std::bit_cast<float>(bits);
  }
  Vec2f readVec2f() {
    const float x = readFloat32();
    return {x, readFloat32()};
  }
  // Up to n bytes: what is present when the file ends early.
  std::string readUpTo(size_t n) {
    const size_t k = std::min(n, data_.size() - pos_);
    std::string out(data_.substr(pos_, k));
    pos_ += k;
    return out;
  }

 private:
  const char* take(size_t n) {
    if (data_.size() - pos_ < n) throw IOError("cannot read from stream");
    const char* p = data_.data() + pos_;
    pos_ += n;
    return p;
  }
  std::string_view data_;
  size_t pos_ = 0;
};

enum class Layout { v2, v1, headerless };

SectionKind checkedSectionKind(uint8_t b, const std::string& path, size_t index) {
  if (b > 1)
    throw FormatError(path + ": section " + std::to_string(index) + " has unknown kind " + std::to_string(b));
  return SectionKind(b);
}

Section readSection(Stream& s, Layout layout, const std::string& path, size_t index) {
  Section sec;
  sec.kind = checkedSectionKind(s.readUint8(), path, index);
  sec.steps = s.readUint8();
  sec.turn = s.readFloat32();
  sec.widthL = s.readFloat32();
  sec.widthR = s.readFloat32();
  if (layout == Layout::v2) {
    sec.vergeL = s.readFloat32();
    sec.vergeR = s.readFloat32();
  }
  sec.endOffset = s.readVec2f();
  sec.control1 = s.readVec2f();
  sec.control2 = s.readVec2f();
  sec.flags = s.readUint16();
  if (layout != Layout::v2) sec.flags2 = s.readUint16();
  return sec;
}

TrackObjectPlacement readPlacement(Stream& s, Layout layout) {
  TrackObjectPlacement p;
  const uint8_t kind = s.readUint8();
  p.kind = kind > 2 ? toBooster : TrackObjectKind(kind);
  if (layout == Layout::headerless) s.readUint16(), s.readUint16();  // four unused bytes
  p.along = s.readFloat32();
  p.lateral = s.readFloat32();
  if (layout == Layout::v2) p.lateral *= 0.125f;
  return p;
}

// Everything after the version word (or from offset 0 in the headerless layout), appended to src
// in file order so that a read error leaves what was complete.
void readBody(Stream& s, Layout layout, MapSource& src, const std::string& path) {
  const uint16_t sectionCount = s.readUint16();
  for (size_t i = 0; i < sectionCount; ++i) src.sections.push_back(readSection(s, layout, path, i));
  const int16_t placements = s.readInt16();
  for (int i = 0; i < placements; ++i) src.trackObjects.push_back(readPlacement(s, layout));
  if (layout != Layout::headerless) {
    const int16_t objects = s.readInt16();
    for (int i = 0; i < objects; ++i) {
      MapObject o;
      o.kind = s.readUint8();
      o.pos = s.readVec2f();
      src.objects.push_back(o);
    }
  }
  const int64_t laps = s.readInt8();
  const uint8_t style = s.readUint8();
  if (style > 5) throw FormatError(path + ": unknown map style " + std::to_string(style));
  src.laps = laps;
  src.style = MapStyle(style);
  const int16_t nameLength = s.readInt16();
  if (nameLength < 0) {
    if (layout == Layout::headerless) src.name = "???";
    return;
  }
  src.name = s.readUpTo(size_t(nameLength));
}

MapSource failedLoad(MapSource src) {
  echo("Error loading map");
  src.name = "???";
  return src;
}

MapSource loadOldFrom(const std::string& path) {
  echo("trying old loader");
  MapSource src = newMapSource();
  try {
    const std::string bytes = readMapBytes(path);
    Stream s(bytes);
    readBody(s, Layout::headerless, src, path);
  } catch (const IOError&) {
    return failedLoad(std::move(src));
  }
  return src;
}

MapSource loadV1From(const std::string& path) {
  MapSource src = newMapSource();
  try {
    const std::string bytes = readMapBytes(path);
    Stream s(bytes);
    const uint16_t version = s.readUint16();
    if (version != 1) {
      echo("incorrect map version: ", version, " should be ", "1");
      return loadOldFrom(path);
    }
    readBody(s, Layout::v1, src, path);
  } catch (const IOError&) {
    return failedLoad(std::move(src));
  }
  return src;
}

MapSource loadV2From(const std::string& path) {
  debug("loading map: ", path);
  MapSource src = newMapSource();
  try {
    const std::string bytes = readMapBytes(path);
    Stream s(bytes);
    const uint16_t version = s.readUint16();
    if (version != 2) {
      echo("incorrect map version: ", version, " should be ", "2");
      if (version == 1) {
        echo("trying version 1 loader");
        return loadV1From(path);
      }
      echo("trying old loader");
      return loadOldFrom(path);
    }
    readBody(s, Layout::v2, src, path);
  } catch (const IOError&) {
    return failedLoad(std::move(src));
  }
  return src;
}

void put8(std::string& out, uint8_t v) { out.push_back(char(v)); }
void put16(std::string& out, uint16_t v) {
  put8(out, uint8_t(v));
  put8(out, uint8_t(v >> 8));
}
void putFloat(std::string& out, float f) {
  const uint32_t bits = std::bit_cast<uint32_t>(f);
  put16(out, uint16_t(bits));
  put16(out, uint16_t(bits >> 16));
}
void putVec(std::string& out, Vec2f v) {
  putFloat(out, v.x);
  putFloat(out, v.y);
}

}  // namespace

const char* sectionKindName(SectionKind k) { return k == AngleCurve ? "AngleCurve" : "CubicBezierCurve"; }

const char* mapStyleName(MapStyle s) {
  static const char* names[] = {"CityNight", "CityDay", "Desert", "Snow", "Forest", "Sea"};
  return s <= Sea ? names[s] : "?";
}

MapSource newMapSource() { return MapSource{}; }

std::string mapSourcePath(const std::string& mapBank, int64_t mapSlot) {
  const std::string file = std::to_string(mapSlot) + ".map";
  if (mapBank.empty()) return joinPath(joinPath(basePath(), "maps"), file);
  return joinPath(joinPath(joinPath(writePath(), "maps"), mapBank), file);
}

MapSource loadMapSource(const std::string& mapBank, int64_t mapSlot) {
  return loadV2From(mapSourcePath(mapBank, mapSlot));
}

MapSource loadMapSource1(const std::string& mapBank, int64_t mapSlot) {
  return loadV1From(mapSourcePath(mapBank, mapSlot));
}

MapSource loadMapSourceOld(const std::string& mapBank, int64_t mapSlot) {
  return loadOldFrom(mapSourcePath(mapBank, mapSlot));
}

MapSource loadMapSourceFile(const std::string& path) { return loadV2From(path); }

std::string encodeMapSource(const MapSource& src) {
  if (src.sections.size() > 0xFFFF || src.trackObjects.size() > 0x7FFF || src.objects.size() > 0x7FFF)
    throw FormatError("track has too many sections or objects for the file format");
  std::string out;
  put16(out, 2);
  put16(out, uint16_t(src.sections.size()));
  for (const Section& s : src.sections) {
    if (s.steps < 0 || s.steps > 255) throw FormatError("section steps must be 0 to 255");
    put8(out, s.kind);
    put8(out, uint8_t(s.steps));
    for (float f : {s.turn, s.widthL, s.widthR, s.vergeL, s.vergeR}) putFloat(out, f);
    putVec(out, s.endOffset);
    putVec(out, s.control1);
    putVec(out, s.control2);
    put16(out, s.flags);
  }
  put16(out, uint16_t(src.trackObjects.size()));
  for (const TrackObjectPlacement& p : src.trackObjects) {
    put8(out, p.kind);
    putFloat(out, p.along);
    putFloat(out, p.lateral * 8.0f);
  }
  put16(out, uint16_t(src.objects.size()));
  for (const MapObject& o : src.objects) {
    put8(out, o.kind);
    putVec(out, o.pos);
  }
  if (src.laps < -128 || src.laps > 127) throw FormatError("laps must be -128 to 127");
  put8(out, uint8_t(int8_t(src.laps)));
  put8(out, src.style);
  const std::string name = src.name.substr(0, 0x7FFF);
  put16(out, uint16_t(name.size()));
  out += name;
  return out;
}

}  // namespace dx
