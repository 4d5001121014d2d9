#pragma once
// A car: a track object with a large driving state, assembled from six catalogue components
// whose parameters are summed and scaled by the car's class.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "car/driver_kind.h"
#include "objects/enums.h"
#include "objects/ring_buffer.h"
#include "objects/shared_records.h"
#include "objects/track_object.h"
#include "render3d/model.h"

namespace dx {

struct AI;

struct Controls {
  float steer = 0;  // -1 full left .. +1 full right; the car clamps it
  bool accel = false;
  bool brake = false;
  bool boost = false;
  bool shoot = false;
};

// The 25 handling parameters, in storage order.
struct CarParams {
  float accsqr = 0;
  float turnForce = 0;
  float brakeTurnForce = 0;
  float stabilisation = 0;
  float spareA = 0;
  float spareB = 0;
  float maxaccel = 0;
  float boostForce = 0;
  float heatDissipation = 0;
  float boostHeatGeneration = 0;
  float shutdownTemperature = 0;
  float restartTemperature = 0;
  float brakeMaxAccel = 0;
  float brakeAccSqr = 0;
  float mass = 0;
  float dragLong = 0;
  float dragLongBraking = 0;
  float longSurfaceArea = 0;
  float dragLat = 0;
  float dragLatBraking = 0;
  float latSurfaceArea = 0;
  float dragViscous = 0;
  float lift = 0;
  float spareC = 0;
  float spareD = 0;
};

struct CarParamInfo {
  const char* key;  // JSON key; nullptr for the four spare parameters, which have none
  float CarParams::*field;
};
// All 25 parameters in storage order.
const std::array<CarParamInfo, 25>& carParams();

struct CarComponent : CarParams {
  std::string name;
  ComponentKind kind = ComponentKind::Hull;
  Model model;
};

struct CarSettings : CarParams {
  std::string name, manufacturer, country, desc;
  int64_t carClass = 0;  // 0..4 in the editor
  int64_t hullIndex = 0, thrusterIndex = 0, heatsinkIndex = 0, wingIndex = 0, coverIndex = 0, podIndex = 0;
};

// The component catalogue and the shared car body model.
struct CarCatalogue {
  std::vector<CarComponent> carHulls, carThrusters, carHeatsinks, carWings, carCovers, carPods;
  Model carModel;
};
CarCatalogue& carCatalogue();
void resetCarCatalogue();

// The car's collision triangle in car-local units; vertex 1 is the nose, facing +x.
constexpr std::array<Vec2f, 3> carVerts = {{{-0.625f, -0.375f}, {0.625f, 0.0f}, {-0.625f, 0.375f}}};

// The car module's own fixed step, used by the car-car response.
constexpr double carTimeStep = 1.0 / 60.0;

struct TapeFrame {
  Controls controls;
};

// Everything of a car's driving state that its update reads: a car restored to it and given the
// same controls step for step drives the same path, bit for bit.
struct CarStart {
  Vec2f pos, vel, smoothVel, dir;
  float z = 0, nodeAlpha = 0, nodeLat = 0, angle = 0, angularVelocity = 0, accel = 0, brake = 0, brakeAccel = 0;
  float temperature = 0, temperatureChange = 0, targetAngle = 0, boosting = 0, ready = 0, recovery = 0;
  int64_t currentNode = 0, lastNode = 0, lastGoodNode = 0, lost = 0, wrongWay = 0, firstCrashNode = 0;
  bool engineShutdown = false, boostReset = false;
  Controls controls;
};

// A recorded drive: what a replay needs to start identically, then the controls of every step.
struct Tape {
  int64_t track = 1;  // the map slot it was driven on
  CarSettings settings;
  CarStart start;
  std::string kind;                     // "lap" (a lap of the user's car) or "champion" (a generation's best AI)
  float time = 0;                       // a lap's time in seconds
  float score = 0;                      // a champion's score
  DriverKind driver = DriverKind::pid;  // a champion's kind of driver
  std::vector<float> genes;             // and its genes (a pid driver's Kp, Ki, Kd)
  // A champion's standing lap and best flying lap in its run, when it completed them.
  std::optional<float> standingLap, flyingLap;
  int64_t position = 0;  // next frame to play
  std::vector<TapeFrame> frames;
};

class Car : public TrackObject {
 public:
  ObjectKind kind() const override { return ObjectKind::car; }
  using TrackObject::update;
  void update(float dt, RandomState& r) override;
  void draw3d() override;
  void drawShadow3d() override;
  AABB getAABB() const override;
  bool hasPlayer() const override { return player != nullptr; }

  CarSettings settings;
  Player* player = nullptr;
  RaceState* race = nullptr;
  std::shared_ptr<Tape> replayTape;
  std::shared_ptr<Tape> recordTape;
  float time = 0;
  Vec2f accelForce, dragForceLong, dragForceLat, boostForce, brakeForce;
  int64_t firstCrashNode = 0;
  Vec2f vel;
  Vec2f smoothVel;
  Vec2f dir;
  float angle = 0;
  float angularVelocity = 0;
  float accel = 0;
  float brake = 0;
  float brakeAccel = 0;
  float temperature = 0;
  float temperatureChange = 0;
  bool engineShutdown = false;
  float targetAngle = 0;
  Controls controls;
  int64_t lastGoodNode = 0;
  Team team = teamCA;
  bool boostReset = false;
  float boosting = 0;
  int64_t overheatGraceFrames = 0;
  RingBuffer<Vec2f> trail;
  int64_t trailColor = 0;
  int64_t lost = 0;
  int64_t wrongWay = 0;
  std::shared_ptr<AI> ai;
  std::shared_ptr<AI> autopilotAI;
  int64_t colliding = 0;
  int64_t place = 0;
  int64_t engineSfx = 0;
  bool finished = false;
  float ready = 0;
  float shake = 0;
  float recovery = 0;
  int64_t lastNode = 0;
  std::vector<float> lapTimes;
  PowerupKind storedPowerup = NONE;
  PowerupKind activePowerup = NONE;
  float powerupTimeout = 0;
  int64_t powerupCounter = 0;
  // The car's own random stream: a training car's driving then does not depend on the order in
  // which the cars of its generation are stepped. Without one it draws from the step's generator.
  std::optional<RandomState> stream;
  int64_t updates = 0;  // steps run, for the trail's every fourth one
  // (cos, sin) of headingAngle, kept from the move so that the next step, which starts at that
  // angle, need not take them again.
  Vec2f heading{1, 0};
  float headingAngle = 0;
};

using CarPtr = std::shared_ptr<Car>;

// The largest magnitude of a catalogue or test car value: fifty times the largest in the shipped
// catalogue, and small enough that sums of six components and the physics' products stay finite.
constexpr double kMaxCarParam = 100000;
// The largest magnitude of a built car's value: six components at that bound, with the class
// scaling some of them up to four times.
constexpr double kMaxBuiltParam = 6 * 4 * kMaxCarParam;

// (Re)builds the six lists from a catalogue file; raises FormatError naming the file when it is
// not the expected JSON shape, and then keeps the lists it had.
void loadCarComponentSettings(const std::string& path);
// The six lists of a catalogue's text, without touching the ones in force; `name` stands for
// the file in errors.
CarCatalogue parseCarCatalogue(std::string_view text, const std::string& name);
// Puts read lists in force; the car body model stays.
void useCarCatalogue(CarCatalogue&& lists);
// Fills settings (zeroed by the caller) from a car description; every key is required.
void loadCarSettings(const std::string& path, CarSettings& settings);
// The same from the text of a car description; `name` stands for the file in errors.
void parseCarSettings(std::string_view text, const std::string& name, CarSettings& settings);
// The 25 parameters from the components and the class. Raises IndexError for an index outside
// its catalogue list and FormatError for a build whose mass is not positive.
void recalculate(CarSettings& settings);
// Why built settings cannot drive ("a mass of 0; a car needs a mass of at least 0.01", or a
// negative drag); "" when they can.
std::string buildFault(const CarSettings& settings);
float calculateMaxSpeed(const Car& car);
// A speed in map units per second as the game shows it (units per hour over 1000).
inline float toKmh(float unitsPerSecond) { return unitsPerSecond * 60.0f * 60.0f / 1000.0f; }
CarPtr newCar(RaceState* race, const CarSettings& settings);
void setNode(Car& car, int64_t index);

// The stream the car's driving draws from: its own, or `step` (the step's generator).
inline RandomState& carRandom(Car& car, RandomState& step) { return car.stream ? *car.stream : step; }

// (cos, sin) of the car's angle.
Vec2f headingOf(const Car& car);
// 0.875 map units behind the centre along the heading.
Vec2f enginePoint(const Car& car);
// Palette index of the engine glow and trail.
int64_t getEngineColor(const Car& car);

}  // namespace dx
