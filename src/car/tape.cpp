#include "car/tape.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <tuple>
#include <utility>

#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/log.h"
#include "map/track_checks.h"

namespace dx {

namespace {

using json = nlohmann::ordered_json;

constexpr const char* kMagic = "draxen3516 tape";
// A tape nests three deep (a run inside the controls inside the tape); parsing stops well before
// a file of brackets makes the parser build millions of empty arrays.
constexpr int kMaxDepth = 8;

// Bounds far beyond anything the game's own drives reach; a number past one is damage or a crafted
// file, and driving it would overflow the car's node counters or its physics.
constexpr double kMaxSpeed = 1000;   // map units (or radians) per second
constexpr double kMaxAngle = 1e6;    // radians: a car's heading winds on, it is not wrapped
constexpr double kMaxHeight = 1000;  // map units above or below the ground
constexpr double kMaxLateral = 1e6;  // a node's side product: node spacing times map units
constexpr double kMaxSeconds = 1e6;  // a timer or a lap time
constexpr double kMaxGain = 10000;   // as in the gain pool
constexpr double kMaxScore = 1e9;    // as in the gain pool
constexpr int64_t kMaxClass = 4;     // the editor's classes
constexpr int64_t kExtraLaps = 100;  // laps beyond the track's own that a node count may reach
constexpr float kStartMargin = 100;  // map units beyond the track's outer bands

// The 25 parameters under their field names; the four spares have no catalogue key.
std::string paramName(size_t i) {
  static const char* spares[] = {"spareA", "spareB", "spareC", "spareD"};
  const CarParamInfo& p = carParams()[i];
  if (p.key) return p.key;
  size_t spare = 0;
  for (size_t k = 0; k < i; ++k) spare += carParams()[k].key == nullptr;
  return spares[spare];
}

json vec(Vec2f v) { return json::array({double(v.x), double(v.y)}); }

int controlBits(const Controls& c) { return c.accel | c.brake << 1 | c.boost << 2 | c.shoot << 3; }

Controls controlsOf(float steer, int64_t bits) {
  return {steer, (bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0};
}

// Each field of a CarStart once, for writing and reading alike.
template <class S, class F>
void eachStartField(S& s, F&& f) {
  f("pos", s.pos), f("vel", s.vel), f("smoothVel", s.smoothVel), f("dir", s.dir);
  f("z", s.z), f("nodeAlpha", s.nodeAlpha), f("nodeLat", s.nodeLat), f("angle", s.angle);
  f("angularVelocity", s.angularVelocity), f("accel", s.accel), f("brake", s.brake), f("brakeAccel", s.brakeAccel);
  f("temperature", s.temperature), f("temperatureChange", s.temperatureChange), f("targetAngle", s.targetAngle);
  f("boosting", s.boosting), f("ready", s.ready), f("recovery", s.recovery);
  f("currentNode", s.currentNode), f("lastNode", s.lastNode), f("lastGoodNode", s.lastGoodNode), f("lost", s.lost);
  f("wrongWay", s.wrongWay), f("firstCrashNode", s.firstCrashNode);
  f("engineShutdown", s.engineShutdown), f("boostReset", s.boostReset);
}

template <class S, class F>
void eachSettingsIndex(S& s, F&& f) {
  f("class", s.carClass), f("hullIndex", s.hullIndex), f("thrusterIndex", s.thrusterIndex);
  f("heatsinkIndex", s.heatsinkIndex), f("wingIndex", s.wingIndex), f("coverIndex", s.coverIndex);
  f("podIndex", s.podIndex);
}

struct Writer {
  json& out;
  void operator()(const char* k, Vec2f v) const { out[k] = vec(v); }
  void operator()(const char* k, float v) const { out[k] = double(v); }
  void operator()(const char* k, int64_t v) const { out[k] = v; }
  void operator()(const char* k, bool v) const { out[k] = v; }
};

json settingsJson(const CarSettings& s) {
  json out = {{"name", s.name}, {"manufacturer", s.manufacturer}, {"country", s.country}, {"desc", s.desc}};
  eachSettingsIndex(s, Writer{out});
  for (size_t i = 0; i < carParams().size(); ++i) out[paramName(i)] = double(s.*carParams()[i].field);
  return out;
}

json controlsJson(const std::vector<TapeFrame>& frames) {
  json runs = json::array();
  for (size_t i = 0; i < frames.size();) {
    size_t j = i + 1;
    const Controls& c = frames[i].controls;
    while (j < frames.size() && frames[j].controls.steer == c.steer &&
           controlBits(frames[j].controls) == controlBits(c))
      ++j;
    runs.push_back(json::array({double(c.steer), controlBits(c), j - i}));
    i = j;
  }
  return runs;
}

// Strict reading: every member present, of its type, finite.
struct Reader {
  const json& in;
  const std::string& where;

  const json& member(const char* k) const {
    if (!in.is_object() || !in.contains(k)) throw FormatError(where + " has no \"" + k + "\"");
    return in[k];
  }
  [[noreturn]] void bad(const char* k, const char* what) const {
    throw FormatError(where + ": \"" + k + "\" must be " + what);
  }
  float number(const json& j, const char* k) const {
    if (!j.is_number()) bad(k, "a number");
    const double d = j.get<double>();
    if (!std::isfinite(d) || std::fabs(d) > 3.0e38) bad(k, "a finite number");
    return float(d);
  }
  void operator()(const char* k, float& v) const { v = number(member(k), k); }
  void operator()(const char* k, Vec2f& v) const {
    const json& j = member(k);
    if (!j.is_array() || j.size() != 2) bad(k, "a pair of numbers");
    v = {number(j[0], k), number(j[1], k)};
  }
  void operator()(const char* k, int64_t& v) const {
    const json& j = member(k);
    if (!j.is_number_integer()) bad(k, "an integer");
    v = j.get<int64_t>();
  }
  void operator()(const char* k, bool& v) const {
    const json& j = member(k);
    if (!j.is_boolean()) bad(k, "true or false");
    v = j.get<bool>();
  }
  std::string text(const char* k) const {
    const json& j = member(k);
    if (!j.is_string()) bad(k, "a string");
    return j.get<std::string>();
  }
};

void within(const std::string& where, const char* key, double v, double lo, double hi) {
  if (!(v >= lo && v <= hi))
    throw FormatError(where + ": \"" + key + "\" is " + shortNumber(v) + ", outside " + shortNumber(lo) + " to " +
                      shortNumber(hi));
}

void withinCount(const std::string& where, const char* key, int64_t v, int64_t limit) {
  if (v < -limit || v > limit)
    throw FormatError(where + ": \"" + key + "\" is " + std::to_string(v) + ", outside -" + std::to_string(limit) +
                      " to " + std::to_string(limit));
}

void speedAtMost(const std::string& where, const char* key, Vec2f v) {
  if (!(double(length(v)) <= kMaxSpeed))
    throw FormatError(where + ": \"" + key + "\" is a speed of " + shortNumber(length(v)) + ", above " +
                      shortNumber(kMaxSpeed));
}

void checkSettings(const CarSettings& s, const std::string& where) {
  within(where, "class", double(s.carClass), 0, kMaxClass);
  for (size_t i = 0; i < carParams().size(); ++i)
    within(where, paramName(i).c_str(), s.*carParams()[i].field, -kMaxBuiltParam, kMaxBuiltParam);
  const std::string fault = buildFault(s);
  if (!fault.empty()) throw FormatError(where + ": " + fault);
}

void checkStart(const CarStart& s, const std::string& where) {
  speedAtMost(where, "vel", s.vel);
  speedAtMost(where, "smoothVel", s.smoothVel);
  within(where, "angularVelocity", s.angularVelocity, -kMaxSpeed, kMaxSpeed);
  for (float d : {s.dir.x, s.dir.y}) within(where, "dir", d, -1, 1);
  for (const auto& [k, v] : {std::pair{"nodeAlpha", s.nodeAlpha},
                             {"brake", s.brake},
                             {"boosting", s.boosting},
                             {"ready", s.ready},
                             {"steer", s.controls.steer}})
    within(where, k, v, -1, 1);
  for (const auto& [k, v] : {std::pair{"accel", s.accel},
                             {"brakeAccel", s.brakeAccel},
                             {"temperature", s.temperature},
                             {"temperatureChange", s.temperatureChange}})
    within(where, k, v, -kMaxBuiltParam, kMaxBuiltParam);
  within(where, "z", s.z, -kMaxHeight, kMaxHeight);
  within(where, "nodeLat", s.nodeLat, -kMaxLateral, kMaxLateral);
  within(where, "angle", s.angle, -kMaxAngle, kMaxAngle);
  within(where, "targetAngle", s.targetAngle, -kMaxAngle, kMaxAngle);
  within(where, "recovery", s.recovery, -kMaxSeconds, kMaxSeconds);
}

CarSettings readSettings(const Reader& r) {
  CarSettings s;
  s.name = r.text("name"), s.manufacturer = r.text("manufacturer"), s.country = r.text("country");
  s.desc = r.text("desc");
  eachSettingsIndex(s, r);
  for (size_t i = 0; i < carParams().size(); ++i) r(paramName(i).c_str(), s.*carParams()[i].field);
  return s;
}

std::vector<TapeFrame> readControls(const json& runs, const std::string& where) {
  if (!runs.is_array()) throw FormatError(where + ": \"controls\" must be an array");
  std::vector<TapeFrame> frames;
  for (size_t i = 0; i < runs.size(); ++i) {
    const std::string at = where + ": controls run " + std::to_string(i);
    const json& run = runs[i];
    const Reader r{run, at};
    if (!run.is_array() || run.size() != 3 || !run[1].is_number_integer() || !run[2].is_number_integer())
      throw FormatError(at + " must be [steer, buttons, count]");
    const float steer = r.number(run[0], "steer");
    within(at, "steer", steer, -1, 1);
    const int64_t bits = run[1].get<int64_t>(), count = run[2].get<int64_t>();
    if (bits < 0 || bits > 15 || count < 1 || count > kMaxTapeFrames - int64_t(frames.size()))
      throw FormatError(at + " has buttons outside 0..15 or a count outside 1.." + std::to_string(kMaxTapeFrames));
    frames.insert(frames.end(), size_t(count), TapeFrame{controlsOf(steer, bits)});
  }
  return frames;
}

// Hands each field of the start state to f together with the car's field of the same name, so
// that capturing and restoring cannot list different fields.
template <class C, class S, class F>
void eachStartField(C& car, S& s, F&& f) {
  f(car.pos, s.pos), f(car.vel, s.vel), f(car.smoothVel, s.smoothVel), f(car.dir, s.dir);
  f(car.z, s.z), f(car.nodeAlpha, s.nodeAlpha), f(car.nodeLat, s.nodeLat), f(car.angle, s.angle);
  f(car.angularVelocity, s.angularVelocity), f(car.accel, s.accel), f(car.brake, s.brake);
  f(car.brakeAccel, s.brakeAccel), f(car.temperature, s.temperature);
  f(car.temperatureChange, s.temperatureChange), f(car.targetAngle, s.targetAngle);
  f(car.boosting, s.boosting), f(car.ready, s.ready), f(car.recovery, s.recovery);
  f(car.currentNode, s.currentNode), f(car.lastNode, s.lastNode), f(car.lastGoodNode, s.lastGoodNode);
  f(car.lost, s.lost), f(car.wrongWay, s.wrongWay), f(car.firstCrashNode, s.firstCrashNode);
  f(car.engineShutdown, s.engineShutdown), f(car.boostReset, s.boostReset), f(car.controls, s.controls);
}

}  // namespace

CarStart captureStart(const Car& car) {
  CarStart s;
  eachStartField(car, s, [](const auto& from, auto& to) { to = from; });
  return s;
}

void restoreStart(Car& car, const CarStart& s) {
  eachStartField(car, s, [](auto& to, const auto& from) { to = from; });
}

std::shared_ptr<Tape> startRecording(Car& car, int64_t track, const std::string& kind) {
  auto tape = std::make_shared<Tape>();
  tape->track = track;
  tape->settings = car.settings;
  tape->start = captureStart(car);
  tape->kind = kind;
  car.recordTape = tape;
  return tape;
}

CarPtr newReplayCar(const Tape& tape, Map& map, Team team) {
  CarPtr car = newCar(nullptr, tape.settings);
  car->map = &map;
  car->team = team;
  restoreStart(*car, tape.start);
  car->ethereal = true;
  car->replayTape = std::make_shared<Tape>(tape);
  car->replayTape->position = 0;
  return car;
}

namespace {

// A champion's driver and genes: version 1 holds a pid driver's three "gains".
void readGenes(const Reader& r, int64_t version, Tape& t) {
  const char* key = version == 1 ? "gains" : "genes";
  if (version != 1) {
    const std::optional<DriverKind> kind = driverNamed(r.text("driver"));
    if (!kind) r.bad("driver", "\"pid\", \"racer\" or \"neural\"");
    t.driver = *kind;
  }
  const size_t n = geneCount(t.driver);
  const json& genes = r.member(key);
  if (!genes.is_array() || genes.size() != n) r.bad(key, (std::to_string(n) + " numbers").c_str());
  for (const json& g : genes) t.genes.push_back(r.number(g, key));
  for (float g : t.genes) within(r.where, key, g, -kMaxGain, kMaxGain);
}

}  // namespace

std::string formatTape(const Tape& t) {
  json out = {{"tape", kMagic},
              {"version", kTapeVersion},
              {"kind", t.kind},
              {"track", t.track},
              {"startNode", t.start.currentNode}};
  if (t.kind == "lap") out["time"] = double(t.time);
  if (t.kind == "champion") {
    out["score"] = double(t.score);
    out["driver"] = driverName(t.driver);
    out["genes"] = json::array();
    for (float g : t.genes) out["genes"].push_back(double(g));
    if (t.standingLap) out["standingLap"] = double(*t.standingLap);
    if (t.flyingLap) out["flyingLap"] = double(*t.flyingLap);
  }
  out["settings"] = settingsJson(t.settings);
  json start = json::object();
  eachStartField(t.start, Writer{start});
  start["steer"] = double(t.start.controls.steer);
  start["buttons"] = controlBits(t.start.controls);
  out["start"] = start;
  out["controls"] = controlsJson(t.frames);
  return out.dump(1) + "\n";
}

Tape parseTape(std::string_view text, const std::string& source) {
  const auto shallow = [&](int depth, json::parse_event_t, json&) {
    if (depth > kMaxDepth) throw FormatError(source + ": not a tape (nested deeper than a tape)");
    return true;
  };
  const json root = json::parse(text, shallow, false);
  if (root.is_discarded()) throw FormatError(source + ": not a tape (not valid JSON)");
  const Reader r{root, source};
  if (!root.is_object() || !root.contains("tape") || root["tape"] != kMagic) throw FormatError(source + ": not a tape");
  int64_t version = 0;
  r("version", version);
  if (version != 1 && version != kTapeVersion)
    throw FormatError(source + ": tape version " + std::to_string(version) + " is not known (this game reads version " +
                      std::to_string(kTapeVersion) + ")");
  Tape t;
  t.kind = r.text("kind");
  if (t.kind != "lap" && t.kind != "champion") throw FormatError(source + ": unknown tape kind \"" + t.kind + "\"");
  r("track", t.track);
  if (t.kind == "lap") r("time", t.time);
  within(source, "time", t.time, 0, kMaxSeconds);
  if (t.kind == "champion") {
    r("score", t.score);
    within(source, "score", t.score, -kMaxScore, kMaxScore);
    readGenes(r, version, t);
    for (auto [key, lap] : {std::pair{"standingLap", &t.standingLap}, {"flyingLap", &t.flyingLap}})
      if (root.contains(key)) {
        float v = 0;
        r(key, v);
        within(source, key, v, 0, kMaxSeconds);
        *lap = v;
      }
  }
  t.settings = readSettings(Reader{r.member("settings"), source + ": settings"});
  checkSettings(t.settings, source + ": settings");
  const Reader start{r.member("start"), source + ": start"};
  eachStartField(t.start, start);
  int64_t buttons = 0;
  start("buttons", buttons);
  if (buttons < 0 || buttons > 15) start.bad("buttons", "0 to 15");
  t.start.controls = controlsOf(start.number(start.member("steer"), "steer"), buttons);
  checkStart(t.start, source + ": start");
  t.frames = readControls(r.member("controls"), source);
  return t;
}

void checkTapeFits(const Tape& t, const Map& map, const std::string& source) {
  const std::string where = source + ": start";
  const int64_t limit = (std::max<int64_t>(map.laps, 0) + kExtraLaps) * int64_t(map.path.size());
  const CarStart& s = t.start;
  for (const auto& [k, v] : {std::pair{"currentNode", s.currentNode},
                             {"lastNode", s.lastNode},
                             {"lastGoodNode", s.lastGoodNode},
                             {"lost", s.lost},
                             {"wrongWay", s.wrongWay},
                             {"firstCrashNode", s.firstCrashNode}})
    withinCount(where, k, v, limit);
  const AABB area = trackBounds(map);
  if (!(s.pos.x >= area.min.x - kStartMargin && s.pos.x <= area.max.x + kStartMargin &&
        s.pos.y >= area.min.y - kStartMargin && s.pos.y <= area.max.y + kStartMargin))
    throw FormatError(where + ": \"pos\" (" + shortNumber(s.pos.x) + ", " + shortNumber(s.pos.y) + ") is more than " +
                      shortNumber(kStartMargin) + " map units off the track");
  const CarCatalogue& c = carCatalogue();
  for (const auto& [k, v, list] : {std::tuple{"hullIndex", t.settings.hullIndex, &c.carHulls},
                                   {"thrusterIndex", t.settings.thrusterIndex, &c.carThrusters},
                                   {"heatsinkIndex", t.settings.heatsinkIndex, &c.carHeatsinks},
                                   {"wingIndex", t.settings.wingIndex, &c.carWings},
                                   {"coverIndex", t.settings.coverIndex, &c.carCovers},
                                   {"podIndex", t.settings.podIndex, &c.carPods}})
    if (v < 0 || v >= int64_t(list->size()))
      throw FormatError(source + ": settings: \"" + k + "\" is " + std::to_string(v) +
                        ", outside the catalogue's 0 to " + std::to_string(int64_t(list->size()) - 1));
}

void recordStep(Tape& tape, const Controls& controls) {
  if (int64_t(tape.frames.size()) <= kMaxTapeFrames) tape.frames.push_back({controls});
}

bool tapeTooLong(const Tape& tape) { return int64_t(tape.frames.size()) > kMaxTapeFrames; }

Tape readTapeFile(const std::string& path) {
  const std::vector<uint8_t> bytes = readFile(path, readCap::tape);
  return parseTape(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), path);
}

void writeTapeFile(const std::string& path, const Tape& tape) { writeFileAtomically(path, formatTape(tape)); }

}  // namespace dx
