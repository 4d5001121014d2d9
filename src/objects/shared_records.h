#pragma once
// Records shared across the game: screens and race state, players, notifications, cameras,
// team colours, and the drawing frame counter.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "geom/geometry.h"
#include "geom/text_align.h"
#include "objects/enums.h"

namespace dx {

struct Map;
class Car;
struct Controller;

class GameState {
 public:
  virtual ~GameState() = default;
  virtual void cleanup() {}
  virtual void onEnter() {}
  virtual void onExit() {}
  virtual void onResize() {}
  virtual void onCovered() {}
  virtual void init() {}
  virtual void update(float) {}
  virtual void draw() {}
  bool opaque = false;
  std::string breadcrumb;
};

struct Notification {
  std::string text;
  float ttl = 0;
  int64_t x = 0, y = 0;
  TextAlign align = taLeft;
  bool shadow = false;
  std::array<int64_t, 2> colors{};
  int64_t speed = 0;
};

struct MinimapArrow {
  std::vector<Vec2f> points;
  AABB bounds;
};

struct Player {
  Controller* controller = nullptr;
  ControlScheme controlScheme = ControlScheme::Classic;
  bool showMinimap = false;
  MinimapArrow minimapArrow;
  bool lookbehind = false;
  std::string name;
  Team team = teamCA;
  int64_t ship = 0;
  Car* car = nullptr;
  std::vector<Notification> notifications;
  int64_t handicap = 0;
  int64_t trailColor = 0;
};

struct Camera {
  Vec2f pos, vel, targetVel, targetPos;
};

class RaceState : public GameState {
 public:
  int64_t competitors = 0;
  bool finished = false;
  bool ready = false;
  int64_t textStep = 0;
  Map* map = nullptr;
  CarClass carClass = CarClass::classC;
  std::vector<std::shared_ptr<Player>> players;
  std::vector<Camera> cameras;
  float time = 0;
  int64_t laps = 0;
  std::vector<std::vector<float>> lapTimes;
  bool drawGUI = false;
};

struct TeamInfo {
  std::string name;
  std::array<int64_t, 8> colors{};
};

struct SharedRecords {
  int64_t frame = 0;  // drawn frames, for blinking and periodic effects
  std::array<TeamInfo, 6> teams{};
};

SharedRecords& sharedRecords();
void resetSharedRecords();

}  // namespace dx
