#include "map/map_source.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/log.h"
#include "framework/run_loop.h"

namespace dx {

namespace {

// Little-endian reads over the file's bytes; a short read raises "cannot read from stream".
// `part` names what is being read, to say where a file that ends early stops.
class Stream {
 public:
  explicit Stream(std::string_view bytes) : data_(bytes) {}

  std::string part;
  size_t size() const { return data_.size(); }

  uint8_t readUint8() { return uint8_t(take(1)[0]); }
  int8_t readInt8() { return int8_t(readUint8()); }
  uint16_t readUint16() {
    const char* p = take(2);
    return uint16_t(uint8_t(p[0]) | uint8_t(p[1]) << 8);
  }
  int16_t readInt16() { return int16_t(readUint16()); }
  float readFloat32() {
    const char* p = take(4);
    const uint32_t bits = uint32_t(uint8_t(p[0])) | uint32_t(uint8_t(p[1])) << 8 | uint32_t(uint8_t(p[2])) << 16 |
                          uint32_t(uint8_t(p[3])) << 24;
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

// A float of the file within [lo, hi]; anything else (not finite, absurdly large) is refused,
// naming the file, the entry and the field.
float checked(float v, float lo, float hi, const std::string& path, const std::string& entry, const char* field) {
  if (!(v >= lo && v <= hi))
    throw FormatError(path + ": " + entry + ": " + field + " is " + shortNumber(double(v)) + ", outside " +
                      shortNumber(double(lo)) + " to " + shortNumber(double(hi)));
  return v;
}

float anyValue(float v, const std::string& path, const std::string& entry, const char* field) {
  return checked(v, -kMaxTrackValue, kMaxTrackValue, path, entry, field);
}

Vec2f anyPoint(Vec2f v, const std::string& path, const std::string& entry, const char* field) {
  return {anyValue(v.x, path, entry, field), anyValue(v.y, path, entry, field)};
}

SectionKind checkedSectionKind(uint8_t b, const std::string& path, size_t index) {
  if (b > 1) throw FormatError(path + ": section " + std::to_string(index) + " has unknown kind " + std::to_string(b));
  return SectionKind(b);
}

Section readSection(Stream& s, Layout layout, const std::string& path, size_t index) {
  const std::string entry = "section " + std::to_string(index);
  Section sec;
  sec.kind = checkedSectionKind(s.readUint8(), path, index);
  sec.steps = s.readUint8();
  sec.turn = anyValue(s.readFloat32(), path, entry, "turn");
  sec.widthL = anyValue(s.readFloat32(), path, entry, "widthL");
  sec.widthR = anyValue(s.readFloat32(), path, entry, "widthR");
  if (layout == Layout::v2) {
    sec.vergeL = anyValue(s.readFloat32(), path, entry, "vergeL");
    sec.vergeR = anyValue(s.readFloat32(), path, entry, "vergeR");
  }
  sec.endOffset = anyPoint(s.readVec2f(), path, entry, "endOffset");
  sec.control1 = anyPoint(s.readVec2f(), path, entry, "control1");
  sec.control2 = anyPoint(s.readVec2f(), path, entry, "control2");
  sec.flags = s.readUint16();
  if (layout != Layout::v2) sec.flags2 = s.readUint16();
  return sec;
}

TrackObjectPlacement readPlacement(Stream& s, Layout layout, const std::string& path, size_t index) {
  const std::string entry = "track object " + std::to_string(index);
  TrackObjectPlacement p;
  const uint8_t kind = s.readUint8();
  p.kind = kind > 2 ? toBooster : TrackObjectKind(kind);
  if (layout == Layout::headerless) s.readUint16(), s.readUint16();  // four unused bytes
  p.along = checked(s.readFloat32(), 0, 1, path, entry, "along");
  p.lateral = anyValue(s.readFloat32(), path, entry, "lateral");
  if (layout == Layout::v2) p.lateral *= 0.125f;
  return p;
}

// "section 3 of 12": which entry of a list is being read.
std::string nth(const char* what, size_t i, size_t count) {
  return std::string(what) + " " + std::to_string(i) + " of " + std::to_string(count);
}

// Everything after the version word (or from offset 0 in the headerless layout), appended to src
// in file order so that a read error leaves every field that was complete.
void readBody(Stream& s, Layout layout, MapSource& src, const std::string& path) {
  s.part = "the section count";
  const uint16_t sectionCount = s.readUint16();
  for (size_t i = 0; i < sectionCount; ++i) {
    s.part = nth("section", i, sectionCount);
    src.sections.push_back(readSection(s, layout, path, i));
  }
  s.part = "the track object count";
  const int16_t placements = s.readInt16();
  for (int i = 0; i < placements; ++i) {
    s.part = nth("track object", size_t(i), size_t(placements));
    src.trackObjects.push_back(readPlacement(s, layout, path, size_t(i)));
  }
  if (layout != Layout::headerless) {
    s.part = "the object count";
    const int16_t objects = s.readInt16();
    for (int i = 0; i < objects; ++i) {
      s.part = nth("object", size_t(i), size_t(objects));
      MapObject o;
      o.kind = s.readUint8();
      o.pos = anyPoint(s.readVec2f(), path, "object " + std::to_string(i), "pos");
      src.objects.push_back(o);
    }
  }
  s.part = "the laps";
  src.laps = s.readInt8();
  s.part = "the style";
  const uint8_t style = s.readUint8();
  if (style > 5) throw FormatError(path + ": unknown map style " + std::to_string(style));
  src.style = MapStyle(style);
  s.part = "the name length";
  const int16_t nameLength = s.readInt16();
  if (nameLength < 0) {
    if (layout == Layout::headerless) src.name = "???";
    return;
  }
  src.name = s.readUpTo(size_t(nameLength));
}

// The load ends early: the record keeps what was read, is named "???" and says why.
MapSource failedLoad(MapSource src, const std::string& reason) {
  echo("Error loading map");
  echo(reason);
  src.name = "???";
  src.loadError = reason;
  return src;
}

std::string whereItEnds(const std::string& path, const Stream& s) {
  if (s.size() == 0) return path + ": the file is empty";
  const size_t n = s.size();
  return path + ": the file ends after " + std::to_string(n) + (n == 1 ? " byte, in " : " bytes, in ") + s.part;
}

// Parses the bytes with `read`; bytes that end early give a failed load saying where.
template <class F>
MapSource parseWith(std::string_view bytes, const std::string& name, F&& read) {
  MapSource src = newMapSource();
  Stream s(bytes);
  try {
    if (std::optional<MapSource> other = read(s, src)) return std::move(*other);
  } catch (const IOError&) {
    return failedLoad(std::move(src), whereItEnds(name, s));
  }
  return src;
}

// The file's bytes handed to `parse`; a file that cannot be read gives a failed load with the
// reason.
template <class F>
MapSource loadWith(const std::string& path, F&& parse) {
  std::string bytes;
  try {
    bytes = readTextFile(path, readCap::track);
  } catch (const IOError& e) {
    return failedLoad(newMapSource(), e.what());
  }
  return parse(bytes, path);
}

MapSource parseOld(std::string_view bytes, const std::string& name) {
  return parseWith(bytes, name, [&](Stream& s, MapSource& src) -> std::optional<MapSource> {
    readBody(s, Layout::headerless, src, name);
    return std::nullopt;
  });
}

// Each fall-back reads the same bytes again from the start.
MapSource tryOld(std::string_view bytes, const std::string& name) {
  echo("trying old loader");
  return parseOld(bytes, name);
}

// A layout that starts with its version word `want`; `otherwise` reads bytes with another word.
template <class F>
MapSource parseVersioned(std::string_view bytes, const std::string& name, uint16_t want, Layout layout, F&& otherwise) {
  return parseWith(bytes, name, [&](Stream& s, MapSource& src) -> std::optional<MapSource> {
    s.part = "the version word";
    const uint16_t version = s.readUint16();
    if (version != want) {
      echo("incorrect map version: ", version, " should be ", want);
      return otherwise(version);
    }
    readBody(s, layout, src, name);
    return std::nullopt;
  });
}

MapSource parseV1(std::string_view bytes, const std::string& name) {
  return parseVersioned(bytes, name, 1, Layout::v1, [&](uint16_t) { return tryOld(bytes, name); });
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

// No number the loader would refuse is ever written.
void checkEncodable(const MapSource& src) {
  const std::string path = "the track";
  for (size_t i = 0; i < src.sections.size(); ++i) {
    const Section& s = src.sections[i];
    const std::string entry = "section " + std::to_string(i);
    for (auto [v, name] : {std::pair{s.turn, "turn"},
                           {s.widthL, "widthL"},
                           {s.widthR, "widthR"},
                           {s.vergeL, "vergeL"},
                           {s.vergeR, "vergeR"}})
      anyValue(v, path, entry, name);
    anyPoint(s.endOffset, path, entry, "endOffset");
    anyPoint(s.control1, path, entry, "control1");
    anyPoint(s.control2, path, entry, "control2");
  }
  for (size_t i = 0; i < src.trackObjects.size(); ++i) {
    const std::string entry = "track object " + std::to_string(i);
    checked(src.trackObjects[i].along, 0, 1, path, entry, "along");
    anyValue(src.trackObjects[i].lateral * 8.0f, path, entry, "lateral");
  }
  for (size_t i = 0; i < src.objects.size(); ++i)
    anyPoint(src.objects[i].pos, path, "object " + std::to_string(i), "pos");
}

}  // namespace

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
  return loadMapSourceFile(mapSourcePath(mapBank, mapSlot));
}

MapSource loadMapSource1(const std::string& mapBank, int64_t mapSlot) {
  return loadWith(mapSourcePath(mapBank, mapSlot), parseV1);
}

MapSource loadMapSourceOld(const std::string& mapBank, int64_t mapSlot) {
  echo("trying old loader");
  return loadWith(mapSourcePath(mapBank, mapSlot), parseOld);
}

MapSource loadMapSourceFile(const std::string& path) {
  debug("loading map: ", path);
  return loadWith(path, parseMapSource);
}

MapSource parseMapSource(std::string_view bytes, const std::string& name) {
  return parseVersioned(bytes, name, 2, Layout::v2, [&](uint16_t version) {
    if (version == 1) {
      echo("trying version 1 loader");
      return parseV1(bytes, name);
    }
    echo("trying old loader");
    return tryOld(bytes, name);
  });
}

std::string encodeMapSource(const MapSource& src) {
  if (src.sections.size() > kMaxFileSections || src.trackObjects.size() > kMaxFileObjects ||
      src.objects.size() > kMaxFileObjects)
    throw FormatError(kTooManyForFile);
  checkEncodable(src);
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
