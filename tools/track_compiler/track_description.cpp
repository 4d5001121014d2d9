#include "track_compiler/track_description.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/log.h"
#include "framework/numeric.h"
#include "framework/run_loop.h"
#include "geom/curves.h"
#include "geom/geometry.h"
#include "map/item_types.h"
#include "map/node_queries.h"

namespace dx {

namespace {

using ojson = nlohmann::ordered_json;

struct FlagName {
  uint16_t bit;
  const char* name;
};
constexpr FlagName kFlagNames[] = {
    {flagGate, "gate"},
    {flagLeftOpen, "leftOpen"},
    {flagRightOpen, "rightOpen"},
    {flagLeftSpecial, "leftSpecial"},
    {flagRightSpecial, "rightSpecial"},
    {flagBlendWidths, "blend"},
    {flagAltSurface, "altSurface"},
    {flagNoWalls, "noWalls"},
    {flagSplit, "split"},
};

constexpr const char* kStyleNames[] = {"CityNight", "CityDay", "Desert", "Snow", "Forest", "Sea"};

// Layout units from the walk's start point within which the closing fit counts as exact.
constexpr float kCloseTolerance = 0.01f;

// The ranges a drivable track uses, far beyond the shipped ones; beyond them a value is a typo
// (or an overflow in the making).
constexpr double kMaxWidth = 256;         // layout units: a half-width of 32 map units
constexpr double kMaxVerge = 128;         // layout units
constexpr double kMaxOffset = 16384;      // layout units: Bézier end points and handles
constexpr double kMaxPosition = 16384;    // map units: scenery positions
constexpr double kMaxSceneryOffset = 64;  // map units beyond the outer band
constexpr double kMaxEndHeading = 720;    // degrees

std::string quoted(const char* key) {
  std::string s = "\"";
  s += key;
  s += '"';
  return s;
}

// Names the file and the part of it being read, so every complaint says where it comes from.
struct Where {
  const std::string& path;
  std::string part;

  [[noreturn]] void fail(const std::string& what) const {
    throw FormatError(path + ": " + (part.empty() ? "" : part + ": ") + what);
  }

  void allowOnly(const ojson& obj, std::initializer_list<std::string_view> keys) const {
    for (const auto& [key, value] : obj.items()) {
      bool known = key == "comment";
      for (std::string_view k : keys) known = known || key == k;
      if (!known) fail("unknown key \"" + key + "\"");
    }
  }

  double number(const ojson& obj, const char* key) const {
    const ojson& v = obj.at(key);
    if (!v.is_number()) fail(quoted(key) + " must be a number");
    const double d = v.get<double>();
    if (!std::isfinite(float(d))) fail(quoted(key) + " is out of range");
    return d;
  }

  // A number within [lo, hi], the range named in the complaint.
  double number(const ojson& obj, const char* key, double lo, double hi) const {
    const double d = number(obj, key);
    if (!(d >= lo && d <= hi)) fail(quoted(key) + " must be " + shortNumber(lo) + " to " + shortNumber(hi));
    return d;
  }

  int64_t integer(const ojson& obj, const char* key, int64_t lo, int64_t hi) const {
    const ojson& v = obj.at(key);
    if (!v.is_number_integer()) fail(quoted(key) + " must be an integer");
    const int64_t i = v.get<int64_t>();
    if (i < lo || i > hi) fail(quoted(key) + " must be " + std::to_string(lo) + " to " + std::to_string(hi));
    return i;
  }

  Vec2f vec(const ojson& v, const char* key, double limit) const {
    if (!v.is_array() || v.size() != 2 || !v[0].is_number() || !v[1].is_number())
      fail(quoted(key) + " must be two numbers [x, y]");
    const double x = v[0].get<double>(), y = v[1].get<double>();
    if (!(std::fabs(x) <= limit && std::fabs(y) <= limit))
      fail(quoted(key) + " is out of range (each coordinate -" + shortNumber(limit) + " to " + shortNumber(limit) +
           ")");
    return {float(x), float(y)};
  }

  std::string text(const ojson& obj, const char* key) const {
    const ojson& v = obj.at(key);
    if (!v.is_string()) fail(quoted(key) + " must be a string");
    return v.get<std::string>();
  }
};

// The float's shortest decimal form, so a written description reads back to the same float.
ojson exact(float f) {
  char buf[32];
  const auto written = std::to_chars(buf, buf + sizeof buf, f);
  double d = 0;
  std::from_chars(buf, written.ptr, d);
  return d;
}

// ---- sections ----

// Widths and bands continue from the previous section unless a section sets them.
struct Carry {
  float widthL = 32, widthR = 32, vergeL = 0, vergeR = 0;
};

uint16_t readFlags(const ojson& sec, const Where& at) {
  if (!sec.contains("flags")) return 0;
  const ojson& list = sec["flags"];
  if (!list.is_array()) at.fail("\"flags\" must be an array of flag names");
  uint16_t flags = 0;
  for (const ojson& f : list) {
    if (f.is_string()) {
      const uint16_t bit = flagBitByName(f.get<std::string>());
      if (bit == 0) at.fail("unknown flag \"" + f.get<std::string>() + "\"");
      flags |= bit;
    } else if (f.is_number_integer() && f.get<int64_t>() >= 0 && f.get<int64_t>() <= 0xFFFF) {
      flags |= uint16_t(f.get<int64_t>());
    } else {
      at.fail("a flag must be a name or a number 0 to 65535");
    }
  }
  return flags;
}

void readWidths(const ojson& sec, const Where& at, Carry& carry, Section& out) {
  if (sec.contains("width")) carry.widthL = carry.widthR = float(at.number(sec, "width"));
  if (sec.contains("widthL")) carry.widthL = float(at.number(sec, "widthL"));
  if (sec.contains("widthR")) carry.widthR = float(at.number(sec, "widthR"));
  if (sec.contains("verge")) carry.vergeL = carry.vergeR = float(at.number(sec, "verge"));
  if (sec.contains("vergeL")) carry.vergeL = float(at.number(sec, "vergeL"));
  if (sec.contains("vergeR")) carry.vergeR = float(at.number(sec, "vergeR"));
  if (carry.widthL <= 0 || carry.widthR <= 0) at.fail("widths must be positive");
  if (carry.widthL > kMaxWidth || carry.widthR > kMaxWidth) at.fail("widths must be at most " + shortNumber(kMaxWidth));
  if (carry.vergeL < 0 || carry.vergeR < 0) at.fail("verges must not be negative");
  if (carry.vergeL > kMaxVerge || carry.vergeR > kMaxVerge) at.fail("verges must be at most " + shortNumber(kMaxVerge));
  out.widthL = carry.widthL, out.widthR = carry.widthR;
  out.vergeL = carry.vergeL, out.vergeR = carry.vergeR;
}

void readAngleCurve(const ojson& sec, const Where& at, Section& out) {
  at.allowOnly(sec,
               {"kind", "steps", "turn", "degrees", "width", "widthL", "widthR", "verge", "vergeL", "vergeR", "flags"});
  out.kind = AngleCurve;
  if (!sec.contains("steps")) at.fail("an angle section needs \"steps\"");
  out.steps = at.integer(sec, "steps", 0, 255);
  if (sec.contains("turn") && sec.contains("degrees")) at.fail("give \"turn\" or \"degrees\", not both");
  if (sec.contains("turn")) out.turn = float(at.number(sec, "turn", -kPi, kPi));
  if (sec.contains("degrees")) {
    if (out.steps == 0) at.fail("\"degrees\" needs at least one step");
    const double degrees = at.number(sec, "degrees");
    // A step turns at most half a circle.
    if (std::fabs(degrees) > 180.0 * double(out.steps))
      at.fail("\"degrees\" must be -" + shortNumber(180.0 * double(out.steps)) + " to " +
              shortNumber(180.0 * double(out.steps)) + " over " + std::to_string(out.steps) + " steps");
    out.turn = float(deg2rad(degrees) / double(out.steps));
  }
}

// A Bézier section whose handles are left to the compiler: the start handle follows the heading
// at the section's start, the end handle the given end heading (or the mirror image of the start
// across the chord, which gives a symmetric bend).
struct AutoHandles {
  bool control1 = false, control2 = false;
  std::optional<float> endHeading;
  float handle = 0.4f;
};

AutoHandles readBezier(const ojson& sec, const Where& at, Section& out, bool& closing) {
  at.allowOnly(sec, {"kind", "endOffset", "control1", "control2", "endHeading", "handle", "width", "widthL", "widthR",
                     "verge", "vergeL", "vergeR", "flags"});
  out.kind = CubicBezierCurve;
  if (!sec.contains("endOffset")) at.fail("a bezier section needs \"endOffset\" ([x, y] or \"close\")");
  const ojson& end = sec["endOffset"];
  closing = end.is_string();
  if (closing && end.get<std::string>() != "close") at.fail("\"endOffset\" must be [x, y] or \"close\"");
  if (!closing) out.endOffset = at.vec(end, "endOffset", kMaxOffset);
  AutoHandles a;
  a.control1 = !sec.contains("control1");
  a.control2 = !sec.contains("control2");
  if (!a.control1) out.control1 = at.vec(sec["control1"], "control1", kMaxOffset);
  if (!a.control2) out.control2 = at.vec(sec["control2"], "control2", kMaxOffset);
  if (sec.contains("endHeading")) {
    if (!a.control2) at.fail("\"endHeading\" sets the end handle: give it or \"control2\", not both");
    if (closing) at.fail("a closing section ends at the start heading; \"endHeading\" does not apply");
    a.endHeading = float(deg2rad(at.number(sec, "endHeading", -kMaxEndHeading, kMaxEndHeading)));
  }
  if (sec.contains("handle")) {
    a.handle = float(at.number(sec, "handle"));
    if (a.handle <= 0 || a.handle > 1) at.fail("\"handle\" must be above 0 and at most 1");
  }
  return a;
}

MapSource withSections(const MapSource& src, size_t count) {
  MapSource part = src;
  part.sections.resize(count);
  part.trackObjects.clear();
  part.objects.clear();
  return part;
}

// Where the walk stands after the first `count` sections (the start, before any node).
WalkEnd walkEndAfter(const MapSource& src, size_t count) {
  MapSource part = withSections(src, count);
  if (part.sections.empty()) return {};
  return walkEnd(*walkSections(part));  // no node yet: still at the start
}

void fillHandles(Section& s, const AutoHandles& a, const WalkEnd& start) {
  const float reach = length(s.endOffset) * a.handle;
  if (a.control1) s.control1 = polarVec2f(start.heading, reach);
  if (a.control2) {
    const float chord = angle(s.endOffset);
    const float endHeading = a.endHeading ? *a.endHeading : 2.0f * chord - start.heading;
    s.control2 = polarVec2f(endHeading, -reach);
  }
}

// The last node of the whole track (layout units), with the closing section as it stands.
Vec2f lastNode(const MapSource& src) { return walkEnd(*walkSections(withSections(src, src.sections.size()))).pos; }

// The walk's measure of a Bézier section starting at p0: its estimated length in node steps.
double walkSteps(Vec2f p0, const Section& s) {
  return double(bezierCubicLength(p0, p0 + s.control1, p0 + s.endOffset + s.control2, p0 + s.endOffset, 5)) * 0.03125;
}

// Fits the closing Bézier so that the walk's last node lands on the start point, arriving along
// the walk's start heading (0): node 0 then follows it just as it follows the walk's start.
//
// The curve ends on the start point. The walk places nodes at fixed steps of its own length
// estimate and stops at the first one on or beyond the end, so the last node lands on the end
// point only when that estimate is a whole number of half steps. Scaling the handles changes the
// estimate continuously: each scale where it crosses a half step is found by bisection, from
// below, and the one whose last node comes closest (preferring a scale near 1) is kept.
float fitClosingSection(MapSource& src, const AutoHandles& a) {
  const WalkEnd start = walkEndAfter(src, src.sections.size() - 1);
  Section& s = src.sections.back();
  s.endOffset = -start.pos;
  const float reach = length(s.endOffset) * a.handle;
  const Vec2f base1 = a.control1 ? polarVec2f(start.heading, reach) : s.control1;
  const Vec2f base2 = a.control2 ? Vec2f{-reach, 0} : s.control2;
  auto steps = [&](double scale) {
    s.control1 = base1 * scale;
    s.control2 = base2 * scale;
    return walkSteps(start.pos, s);
  };
  auto residual = [&](double scale) {
    steps(scale);
    return length(lastNode(src));
  };
  double bestScale = 1.0;
  float bestErr = residual(1.0);
  auto consider = [&](double scale) {
    const float err = residual(scale);
    const bool closer = err < bestErr - kCloseTolerance ||
                        (err <= std::max(bestErr, kCloseTolerance) && std::fabs(scale - 1) < std::fabs(bestScale - 1));
    if (closer) bestErr = err, bestScale = scale;
  };
  constexpr int kSamples = 400;
  double prevScale = 0.5, prevSteps = steps(prevScale);
  for (int k = 1; k <= kSamples; ++k) {
    const double scale = 0.5 + double(k) / kSamples;
    const double cur = steps(scale);
    const double grid = std::floor(std::max(prevSteps, cur) * 2.0) / 2.0;
    if (std::min(prevSteps, cur) < grid && grid > 0) {
      // Bisect to the scale where the estimate is just below the half step.
      double below = prevSteps < grid ? prevScale : scale, above = prevSteps < grid ? scale : prevScale;
      for (int i = 0; i < 60; ++i) {
        const double mid = 0.5 * (below + above);
        (steps(mid) < grid ? below : above) = mid;
      }
      consider(below);
    }
    prevScale = scale, prevSteps = cur;
  }
  steps(bestScale);
  return bestErr;
}

// A Bézier section too short to reach its first node would vanish from the track unnoticed.
void requireNodesFromCurves(const MapSource& src, const std::string& path) {
  const MapPtr map = walkSections(withSections(src, src.sections.size()));
  if (map->path.empty()) return;  // no node at all: said where the track is built
  std::vector<int64_t> made(src.sections.size(), 0);
  for (const Node& n : map->path) made[size_t(n.section)] += 1;
  for (size_t i = 0; i < src.sections.size(); ++i)
    if (src.sections[i].kind == CubicBezierCurve && made[i] == 0)
      Where{path, "section " + std::to_string(i)}.fail("the curve is too short to make a node (its end is " +
                                                       shortNumber(double(length(src.sections[i].endOffset))) +
                                                       " layout units away)");
}

// ---- placements and scenery ----

TrackObjectKind placementKind(const ojson& v, const Where& at) {
  if (v.is_string()) {
    const std::string k = v.get<std::string>();
    if (k == "booster") return toBooster;
    if (k == "powerup") return toPowerup;
    if (k == "cursor") return toCursor;
  } else if (v.is_number_integer() && v.get<int64_t>() >= 0 && v.get<int64_t>() <= 2) {
    return TrackObjectKind(v.get<int64_t>());
  }
  at.fail("\"kind\" must be \"booster\", \"powerup\" or \"cursor\"");
}

int64_t nodeIndex(const ojson& obj, const char* key, const Map& map, const Where& at) {
  return at.integer(obj, key, 0, int64_t(map.path.size()) - 1);
}

// The placement's offset across the road for a map-unit offset `off` from the centre, as the
// fraction the loader scales by the usable half-width (the file keeps it multiplied by 8).
float lateralForOffset(const Map& map, float along, float off, const Where& at) {
  const float w = float(map.path.size()) * along;
  const Node& A = nodeAt(map, truncToInt64(w) - 1);
  const float W = off < 0 ? A.widthL : A.widthR;
  if (W <= 8) at.fail("the road is too narrow here to place anything off its centre");
  return off / (W - 8);
}

// Where the racing line crosses the placement's cross-section: the offset from its base point
// along the node's normal at which the line between the two nodes' points passes.
float racingLineOffset(const Map& map, float along) {
  const float w = float(map.path.size()) * along;
  const int64_t E = truncToInt64(w);
  const Node& A = nodeAt(map, E - 1);
  const Node& B = nodeAt(map, E);
  const Vec2f base = lerp(A.pos, B.pos, std::fmod(w, 1.0f));
  const Vec2f a = map.racingLine[size_t(A.id)], b = map.racingLine[size_t(B.id)];
  const Vec2f across = perpendicular(B.normal);
  const float run = dot(b - a, across);
  const float u = std::fabs(run) > 1e-6f ? std::clamp(dot(base - a, across) / run, 0.0f, 1.0f) : 0.5f;
  return dot(lerp(a, b, u) - base, B.normal);
}

TrackObjectPlacement readPlacement(const ojson& obj, const Map& map, const Where& at) {
  if (!obj.is_object()) at.fail("must be an object");
  at.allowOnly(obj, {"kind", "along", "node", "lateral"});
  TrackObjectPlacement p;
  if (!obj.contains("kind")) at.fail("needs \"kind\"");
  p.kind = placementKind(obj["kind"], at);
  if (obj.contains("along") == obj.contains("node")) at.fail("give either \"along\" or \"node\"");
  if (obj.contains("along")) {
    p.along = float(at.number(obj, "along"));
    if (p.along < 0 || p.along > 1) at.fail("\"along\" must be 0 to 1");
  } else {
    p.along = float((double(nodeIndex(obj, "node", map, at)) + 0.5) / double(map.path.size()));
  }
  if (obj.contains("lateral")) {
    const ojson& l = obj["lateral"];
    if (l.is_string() && l.get<std::string>() == "line") {
      p.lateral = lateralForOffset(map, p.along, racingLineOffset(map, p.along), at);
    } else if (l.is_number()) {
      p.lateral = float(at.number(obj, "lateral", -1, 1)) * 0.125f;
    } else {
      at.fail("\"lateral\" must be a number (-1 left edge to 1 right edge of the usable road) or \"line\"");
    }
  }
  return p;
}

class ItemNames {
 public:
  ItemNames(const CompileOptions& o, MapStyle s) : options_(o), style_(s) {}
  uint8_t kindOf(const ojson& v, const Where& at) {
    if (v.is_number_integer() && v.get<int64_t>() >= 0 && v.get<int64_t>() <= 255) return uint8_t(v.get<int64_t>());
    if (!v.is_string()) at.fail("\"kind\" must be an item name or a number 0 to 255");
    load();
    for (size_t i = 0; i < items_.size() && i < 256; ++i)
      if (items_[i].name == v.get<std::string>()) return uint8_t(i);
    at.fail("no item \"" + v.get<std::string>() + "\" in " + file());
  }

 private:
  std::string file() const { return joinPath(options_.assetRoot, itemFileForStyle(style_)); }
  void load() {
    if (loaded_) return;
    items_ = parseItemTypes(readTextFile(file(), readCap::json), file());
    loaded_ = true;
  }
  const CompileOptions& options_;
  MapStyle style_;
  bool loaded_ = false;
  std::vector<MapObjectDescription> items_;
};

// Scenery is refused the moment there is more than a track file can hold, before rows of it
// look for road at every spot.
void keep(std::vector<MapObject>& out, const MapObject& o) {
  if (out.size() >= kMaxFileObjects) throw FormatError(kTooManyForFile);
  out.push_back(o);
}

Vec2f besideNode(const Node& n, bool left, float offset) {
  return left ? n.oleft - n.normal * offset : n.oright + n.normal * offset;
}

void readSceneryEntry(const ojson& obj, const Map& map, ItemNames& names, const Where& at,
                      std::vector<MapObject>& out) {
  if (!obj.is_object()) at.fail("must be an object");
  at.allowOnly(obj, {"kind", "pos", "node", "nodes", "every", "side", "offset"});
  if (!obj.contains("kind")) at.fail("needs \"kind\"");
  const uint8_t kind = names.kindOf(obj["kind"], at);
  const int forms = int(obj.contains("pos")) + int(obj.contains("node")) + int(obj.contains("nodes"));
  if (forms != 1) at.fail("give exactly one of \"pos\", \"node\" or \"nodes\"");
  if (obj.contains("pos")) {
    at.allowOnly(obj, {"kind", "pos"});
    keep(out, {kind, at.vec(obj["pos"], "pos", kMaxPosition)});
    return;
  }
  const std::string side = obj.contains("side") ? at.text(obj, "side") : "both";
  if (side != "left" && side != "right" && side != "both") at.fail("\"side\" must be left, right or both");
  const float offset = obj.contains("offset") ? float(at.number(obj, "offset", 0, kMaxSceneryOffset)) : 2.0f;
  if (obj.contains("node")) {
    if (obj.contains("every")) at.fail("\"every\" belongs to a row (\"nodes\")");
    const Node& n = map.path[size_t(nodeIndex(obj, "node", map, at))];
    if (side != "right") keep(out, {kind, besideNode(n, true, offset)});
    if (side != "left") keep(out, {kind, besideNode(n, false, offset)});
    return;
  }
  const ojson& range = obj["nodes"];
  if (!range.is_array() || range.size() != 2 || !range[0].is_number_integer() || !range[1].is_number_integer())
    at.fail("\"nodes\" must be [first, last] node ids");
  const int64_t n = int64_t(map.path.size());
  const int64_t first = range[0].get<int64_t>(), last = range[1].get<int64_t>();
  if (first < 0 || last >= n || first > last) at.fail("\"nodes\" must be ids 0 to " + std::to_string(n - 1));
  const int64_t every = obj.contains("every") ? at.integer(obj, "every", 1, 100000) : 4;
  // A row skips the spots where another stretch of road passes close by.
  for (int64_t i = first; i <= last; i += every)
    for (bool left : {true, false}) {
      if ((left && side == "right") || (!left && side == "left")) continue;
      const Vec2f p = besideNode(map.path[size_t(i)], left, offset);
      if (!nearRoad(map, p, 1.0f)) keep(out, {kind, p});
    }
}

template <class F>
void eachEntry(const ojson& doc, const char* key, const std::string& path, F&& f) {
  if (!doc.contains(key)) return;
  const ojson& list = doc[key];
  if (!list.is_array()) Where{path, ""}.fail(quoted(key) + " must be an array");
  for (size_t i = 0; i < list.size(); ++i) f(list[i], Where{path, std::string(key) + " " + std::to_string(i)});
}

}  // namespace

uint16_t flagBitByName(const std::string& name) {
  for (const FlagName& f : kFlagNames)
    if (name == f.name) return f.bit;
  return 0;
}

const char* flagName(uint16_t bit) {
  for (const FlagName& f : kFlagNames)
    if (bit == f.bit) return f.name;
  return nullptr;
}

MapStyle styleByName(const std::string& name, const std::string& where) {
  for (int i = 0; i <= Sea; ++i)
    if (name == kStyleNames[i]) return MapStyle(i);
  throw FormatError(where + ": unknown style \"" + name + "\" (CityNight, CityDay, Desert, Snow, Forest or Sea)");
}

MapPtr buildTrack(const MapSource& src, const std::string& path) {
  try {
    return buildMap(src);
  } catch (const TrackError&) {
    throw FormatError(path + ": the track has no nodes");
  }
}

MapSource compileTrackDescription(const ojson& doc, const std::string& path, const CompileOptions& options) {
  const Where top{path, ""};
  if (!doc.is_object()) top.fail("the description must be a JSON object");
  top.allowOnly(doc, {"name", "style", "laps", "sections", "trackObjects", "objects"});
  MapSource src = newMapSource();
  if (doc.contains("name")) src.name = top.text(doc, "name");
  if (doc.contains("style")) {
    const ojson& s = doc["style"];
    if (s.is_number_integer() && s.get<int64_t>() >= 0 && s.get<int64_t>() <= Sea)
      src.style = MapStyle(s.get<int64_t>());
    else if (s.is_string())
      src.style = styleByName(s.get<std::string>(), path);
    else
      top.fail("\"style\" must be a style name");
  }
  if (!doc.contains("laps")) top.fail("\"laps\" is required (1 or more for a loop, 0 for a point-to-point track)");
  src.laps = top.integer(doc, "laps", 0, 127);
  if (!doc.contains("sections") || !doc["sections"].is_array() || doc["sections"].empty())
    top.fail("\"sections\" must be a non-empty array");

  const ojson& sections = doc["sections"];
  if (sections.size() > kMaxFileSections) throw FormatError(kTooManyForFile);
  Carry carry;
  std::optional<AutoHandles> closing;
  for (size_t i = 0; i < sections.size(); ++i) {
    const ojson& sec = sections[i];
    const Where at{path, "section " + std::to_string(i)};
    if (!sec.is_object()) at.fail("must be an object");
    const std::string kind = sec.contains("kind") ? at.text(sec, "kind") : "";
    Section s;
    bool closes = false;
    std::optional<AutoHandles> handles;
    if (kind == "angle" || kind == "AngleCurve") {
      readAngleCurve(sec, at, s);
    } else if (kind == "bezier" || kind == "CubicBezierCurve") {
      handles = readBezier(sec, at, s, closes);
      if (closes && i + 1 != sections.size()) at.fail("only the last section can close the loop");
    } else {
      at.fail("\"kind\" must be \"angle\" or \"bezier\"");
    }
    readWidths(sec, at, carry, s);
    s.flags = readFlags(sec, at);
    src.sections.push_back(s);
    if (closes) {
      closing = handles;
    } else if (handles && (handles->control1 || handles->control2)) {
      fillHandles(src.sections.back(), *handles, walkEndAfter(src, i));
    }
  }
  if (closing) {
    const float err = fitClosingSection(src, *closing);
    if (err > 1.0f)
      top.fail("the closing section cannot reach the start (its last node stays " + std::to_string(err / 8.0f) +
               " map units away); give it more room");
  }
  requireNodesFromCurves(src, path);

  const bool needTrack = doc.contains("trackObjects") || doc.contains("objects");
  if (!needTrack) return src;
  if (doc.contains("trackObjects") && doc["trackObjects"].size() > kMaxFileObjects) throw FormatError(kTooManyForFile);
  const MapPtr map = buildTrack(withSections(src, src.sections.size()), path);
  eachEntry(doc, "trackObjects", path,
            [&](const ojson& o, const Where& at) { src.trackObjects.push_back(readPlacement(o, *map, at)); });
  ItemNames names(options, src.style);
  eachEntry(doc, "objects", path,
            [&](const ojson& o, const Where& at) { readSceneryEntry(o, *map, names, at, src.objects); });
  return src;
}

MapSource compileTrackFile(const std::string& path, const CompileOptions& options) {
  return compileTrackDescription(readJsonFile(path, readCap::track), path, options);
}

ojson describeMapSource(const MapSource& src) {
  ojson doc = ojson::object();
  doc["name"] = src.name;
  doc["style"] = src.style <= Sea ? kStyleNames[src.style] : "CityNight";
  doc["laps"] = src.laps;
  ojson sections = ojson::array();
  for (const Section& s : src.sections) {
    ojson o = ojson::object();
    o["kind"] = s.kind == AngleCurve ? "angle" : "bezier";
    if (s.kind == AngleCurve) {
      o["steps"] = s.steps;
      o["turn"] = exact(s.turn);
    } else {
      o["endOffset"] = {exact(s.endOffset.x), exact(s.endOffset.y)};
      o["control1"] = {exact(s.control1.x), exact(s.control1.y)};
      o["control2"] = {exact(s.control2.x), exact(s.control2.y)};
    }
    o["widthL"] = exact(s.widthL);
    o["widthR"] = exact(s.widthR);
    o["vergeL"] = exact(s.vergeL);
    o["vergeR"] = exact(s.vergeR);
    ojson flags = ojson::array();
    for (int b = 0; b < 16; ++b) {
      const uint16_t bit = uint16_t(1u << b);
      if (!(s.flags & bit)) continue;
      if (const char* name = flagName(bit))
        flags.push_back(name);
      else
        flags.push_back(bit);
    }
    if (!flags.empty()) o["flags"] = flags;
    sections.push_back(o);
  }
  doc["sections"] = sections;
  ojson placements = ojson::array();
  static const char* kKinds[] = {"booster", "powerup", "cursor"};
  for (const TrackObjectPlacement& p : src.trackObjects)
    placements.push_back({{"kind", kKinds[p.kind <= toCursor ? p.kind : 0]},
                          {"along", exact(p.along)},
                          {"lateral", exact(p.lateral * 8.0f)}});
  doc["trackObjects"] = placements;
  ojson objects = ojson::array();
  for (const MapObject& o : src.objects)
    objects.push_back({{"kind", o.kind}, {"pos", {exact(o.pos.x), exact(o.pos.y)}}});
  doc["objects"] = objects;
  return doc;
}

}  // namespace dx
