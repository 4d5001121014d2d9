#include "car/car.h"

#include <bit>
#include <cmath>
#include <nlohmann/json.hpp>

#include "car/ai_driver.h"
#include "car_collision.h"
#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/log.h"
#include "framework/numeric.h"
#include "map/node_queries.h"

namespace dx {

namespace {

CarCatalogue gCatalogue;

using json = nlohmann::ordered_json;

#define DX_PARAM(name) \
  CarParamInfo { #name, &CarParams::name }
#define DX_SPARE(name) \
  CarParamInfo { nullptr, &CarParams::name }
const std::array<CarParamInfo, 25> kParams = {
    DX_PARAM(accsqr),
    DX_PARAM(turnForce),
    DX_PARAM(brakeTurnForce),
    DX_PARAM(stabilisation),
    DX_SPARE(spareA),
    DX_SPARE(spareB),
    DX_PARAM(maxaccel),
    DX_PARAM(boostForce),
    DX_PARAM(heatDissipation),
    DX_PARAM(boostHeatGeneration),
    DX_PARAM(shutdownTemperature),
    DX_PARAM(restartTemperature),
    DX_PARAM(brakeMaxAccel),
    DX_PARAM(brakeAccSqr),
    DX_PARAM(mass),
    DX_PARAM(dragLong),
    DX_PARAM(dragLongBraking),
    DX_PARAM(longSurfaceArea),
    DX_PARAM(dragLat),
    DX_PARAM(dragLatBraking),
    DX_PARAM(latSurfaceArea),
    DX_PARAM(dragViscous),
    DX_PARAM(lift),
    DX_SPARE(spareC),
    DX_SPARE(spareD),
};
const std::array<CarParamInfo, 7> kDragParams = {
    DX_PARAM(dragLong),       DX_PARAM(dragLongBraking), DX_PARAM(longSurfaceArea), DX_PARAM(dragLat),
    DX_PARAM(dragLatBraking), DX_PARAM(latSurfaceArea),  DX_PARAM(dragViscous),
};
#undef DX_PARAM
#undef DX_SPARE

// The smallest mass a built car may have (the shipped hulls weigh 4 to 6.5).
constexpr float kMinMass = 0.01f;

// A JSON number as a float. Another kind of value, a number that is not finite or one beyond
// kMaxCarParam (a float32 would turn 1e39 into infinity) is refused, naming `where`.
float paramValue(const json& v, const std::string& where, const char* key) {
  if (!v.is_number())
    throw FormatError(where + ": \"" + key + "\" must be a number, not " + std::string(v.type_name()));
  const double d = v.get<double>();
  if (!(std::fabs(d) <= kMaxCarParam))
    throw FormatError(where + ": \"" + key + "\" is " + shortNumber(d) + ", outside -100000 to 100000");
  return float(d);
}

std::vector<CarComponent>* listFor(CarCatalogue& c, const std::string& key) {
  if (key == "hulls") return &c.carHulls;
  if (key == "thrusters") return &c.carThrusters;
  if (key == "heatsinks") return &c.carHeatsinks;
  if (key == "wings") return &c.carWings;
  if (key == "covers") return &c.carCovers;
  if (key == "pods") return &c.carPods;
  return nullptr;
}

CarComponent loadComponent(const json& e, const std::string& path, const std::string& key, size_t i) {
  const std::string where = path + ": " + key + "[" + std::to_string(i) + "]";
  if (!e.is_object()) throw FormatError(where + " is not an object");
  if (!e.contains("name") || !e["name"].is_string()) throw FormatError(where + " has no \"name\" string");
  CarComponent c;
  c.name = e["name"].get<std::string>();
  try {
    loadObj("components/" + c.name + ".obj", c.model);
  } catch (const IOError& err) {
    echo("no model:", c.name);
    // A missing model is a normal case; any other reason is worth telling.
    if (!dynamic_cast<const NotFoundError*>(&err)) echo(err.what());
    c.model = Model{};
  }
  for (const CarParamInfo& p : kParams)
    if (p.key && e.contains(p.key)) c.*p.field = paramValue(e[p.key], where, p.key);
  return c;
}

template <class T>
const T& pick(const std::vector<T>& list, int64_t index, const char* what) {
  if (index < 0 || index >= int64_t(list.size()))
    throw IndexError(std::string(what) + " " + std::to_string(index) + " is outside the catalogue's " +
                     std::to_string(list.size()) + " entries");
  return list[size_t(index)];
}

}  // namespace

const std::array<CarParamInfo, 25>& carParams() { return kParams; }

CarCatalogue& carCatalogue() { return gCatalogue; }
void resetCarCatalogue() { gCatalogue = CarCatalogue{}; }

CarCatalogue parseCarCatalogue(std::string_view text, const std::string& path) {
  const json root = parseJson(text, path);
  if (!root.is_object()) throw FormatError(path + ": the catalogue must be a JSON object");
  CarCatalogue out;
  for (const auto& [key, value] : root.items()) {
    if (!value.is_array()) throw FormatError(path + ": \"" + key + "\" must be an array");
    std::vector<CarComponent>* list = listFor(out, key);
    for (size_t i = 0; i < value.size(); ++i) {
      CarComponent c = loadComponent(value[i], path, key, i);
      if (list) list->push_back(std::move(c));
    }
  }
  return out;
}

void useCarCatalogue(CarCatalogue&& lists) {
  lists.carModel = std::move(gCatalogue.carModel);
  gCatalogue = std::move(lists);
}

void loadCarComponentSettings(const std::string& path) {
  useCarCatalogue(parseCarCatalogue(readTextFile(path, readCap::json), path));
}

void loadCarSettings(const std::string& path, CarSettings& settings) {
  parseCarSettings(readTextFile(path, readCap::json), path, settings);
}

void parseCarSettings(std::string_view text, const std::string& path, CarSettings& settings) {
  const json root = parseJson(text, path);
  if (!root.is_object()) throw FormatError(path + ": a car description must be a JSON object");
  CarSettings s = settings;
  auto textAt = [&](const char* key) {
    if (!root.contains(key) || !root[key].is_string()) throw FormatError(path + ": missing text \"" + key + "\"");
    return root[key].get<std::string>();
  };
  s.name = textAt("name");
  s.manufacturer = textAt("manufacturer");
  s.country = textAt("country");
  s.desc = textAt("desc");
  for (const CarParamInfo& p : kParams) {
    if (!p.key) continue;
    if (!root.contains(p.key) || !root[p.key].is_number())
      throw FormatError(path + ": missing number \"" + p.key + "\"");
    s.*p.field = paramValue(root[p.key], path, p.key);
  }
  settings = s;
}

void recalculate(CarSettings& s) {
  const CarCatalogue& c = gCatalogue;
  const CarComponent& hull = pick(c.carHulls, s.hullIndex, "hull");
  const CarComponent& thruster = pick(c.carThrusters, s.thrusterIndex, "thruster");
  const CarComponent& heatsink = pick(c.carHeatsinks, s.heatsinkIndex, "heatsink");
  const CarComponent& wing = pick(c.carWings, s.wingIndex, "wing");
  const CarComponent& cover = pick(c.carCovers, s.coverIndex, "cover");
  const CarComponent& pod = pick(c.carPods, s.podIndex, "pod");
  for (const CarParamInfo& p : kParams)
    s.*p.field =
        0.0f + hull.*p.field + thruster.*p.field + heatsink.*p.field + wing.*p.field + pod.*p.field + cover.*p.field;
  const float t = float(s.carClass) * 0.25f;
  s.maxaccel = lerp(s.maxaccel, 3.0f * s.maxaccel, t);
  s.boostForce = lerp(s.boostForce, 2.0f * s.boostForce, t);
  s.spareD = lerp(s.spareD, 4.0f * s.spareD, t);
  s.spareC = lerp(s.spareC, 4.0f * s.spareC, t);
  const std::string fault = buildFault(s);
  if (!fault.empty())
    throw FormatError("the components " + hull.name + ", " + thruster.name + ", " + heatsink.name + ", " + wing.name +
                      ", " + pod.name + ", " + cover.name + " sum to " + fault);
}

std::string buildFault(const CarSettings& s) {
  // Every force is divided by the mass: a build without a real mass cannot drive, and a tiny one
  // turns every force into infinity.
  if (!(s.mass >= kMinMass))
    return "a mass of " + shortNumber(s.mass) + "; a car needs a mass of at least " + shortNumber(kMinMass);
  // Negative drag feeds speed back into itself until it is infinite.
  for (const CarParamInfo& p : kDragParams)
    if (s.*p.field < 0)
      return "a " + std::string(p.key) + " of " + shortNumber(s.*p.field) + "; drag cannot be negative";
  return "";
}

float calculateMaxSpeed(const Car& car) { return std::sqrt(car.settings.maxaccel / car.settings.dragLong); }

CarPtr newCar(RaceState* race, const CarSettings& settings) {
  auto car = std::make_shared<Car>();
  car->settings = settings;
  car->race = race;
  car->radius = 4.0f;
  car->trailColor = 12;
  car->ready = 1.0f;
  car->overheatGraceFrames = 15;
  car->trail = newRingBuffer<Vec2f>(16);
  car->boostReset = true;
  car->temperature = 24.0f;
  // Shared by every car, so set up by the first one rather than again for each (a generation
  // makes a hundred): the collision answers, and the body model (a missing file still fails here).
  if (!collisionAnswers().carHitsCar) registerCarCollisions();
  if (gCatalogue.carModel.vertices.empty()) loadObj("car.obj", gCatalogue.carModel);
  return car;
}

void setNode(Car& car, int64_t index) {
  if (!car.map) throw IndexError("setNode: the car is not on a track");
  car.currentNode = index;
  const Node& n = nodeAt(*car.map, index);
  car.z = 3.0f;
  car.pos = n.pos;
  car.angle = n.angle;
}

Vec2f headingOf(const Car& car) {
  if (std::bit_cast<uint32_t>(car.angle) == std::bit_cast<uint32_t>(car.headingAngle)) return car.heading;
  return polarVec2f(car.angle, 1);
}

// rotatePoint((-7 * 0.125, 0), angle, (0, 0)) with the cosine and sine at hand.
Vec2f enginePoint(const Car& car) {
  const Vec2f h = headingOf(car), d{-7 * 0.125f, 0};
  return car.pos + Vec2f{d.x * h.x - d.y * h.y + 0.0f, d.y * h.x + d.x * h.y + 0.0f};
}

int64_t getEngineColor(const Car& car) {
  if (car.activePowerup == BOOST) return 11;
  if (car.engineShutdown) return 8;
  if (car.temperature > 0.9f * car.settings.shutdownTemperature) return 8;
  if (car.temperature > 0.5f * car.settings.shutdownTemperature) return 9;
  return car.trailColor;
}

}  // namespace dx
