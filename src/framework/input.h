#pragma once
// Console-style input: a list of controllers (the keyboard is always controller 0, game
// controllers join and leave while the program runs), each with 16 logical buttons and 6
// analogue axes, read through `btn` and `btnpr`; raw key state read through `key` and `keyp`;
// and the key map that says which keyboard keys drive which buttons.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/keys.h"

union SDL_Event;
struct _SDL_GameController;
typedef struct _SDL_GameController SDL_GameController;

namespace dx {

enum class Button : uint8_t { Left, Right, Up, Down, A, B, X, Y, L1, L2, L3, R1, R2, R3, Start, Back };
constexpr int kButtonCount = 16;
// Platform numbering: left stick x, y, right stick x, y, left trigger, right trigger.
constexpr int kAxisCount = 6;

enum class ControllerKind : uint8_t { Keyboard = 0, Gamepad = 1 };

struct ControllerAxis {
  double value = 0.0;     // in [-1, 1]
  double previous = 0.0;  // value at the end of the previous update
  int hold = 0;           // consecutive updates beyond the dead zone on one side
};

// Button counters: 0 up; n >= 1 held (the press writes 1, every update adds 1, so the program
// first sees 2); -2 written by the release, stepped to -1 ("released this update") and then 0.
struct Controller {
  ControllerKind kind = ControllerKind::Keyboard;
  std::string name;
  SDL_GameController* sdlController = nullptr;
  int32_t id = -1;  // joystick instance id; -1 for the keyboard
  std::array<ControllerAxis, kAxisCount> axes{};
  std::array<int, kButtonCount> buttons{};
  double deadzone = 0.0;
  bool invertX = false, invertY = false;
  bool useRightStick = false;
};

using KeyListener = std::function<bool(int32_t key, uint16_t mods, int32_t scancode, bool down)>;
using EventListener = std::function<bool(const SDL_Event&)>;
using ControllerFunc = std::function<void(Controller&)>;

struct InputState {
  std::vector<std::shared_ptr<Controller>> controllers;  // [0] is the keyboard once initialised
  std::unordered_map<int32_t, int> keysDown;  // 0 up, n >= 1 held for n updates (1 = pressed now)
  // Scan codes per button, from start-up on.
  std::array<std::vector<int>, kButtonCount> keymap{{
      {scanLeft, scanA},           // Left
      {scanRight, scanD},          // Right
      {scanUp, scanW},             // Up
      {scanDown, scanS},           // Down
      {scanZ},                     // A
      {scanX},                     // B
      {scanLShift, scanRShift},    // X
      {scanC},                     // Y
      {scanF},                     // L1
      {scanG},                     // L2
      {scanH},                     // L3
      {scanV},                     // R1
      {scanB},                     // R2
      {scanN},                     // R3
      {scanReturn},                // Start
      {scanEscape, scanBackspace}  // Back
  }};
  bool aKeyWasPressed = false, aKeyWasReleased = false;
  std::vector<KeyListener> keyListeners;
  std::vector<EventListener> eventListeners;
  ControllerFunc controllerAddedFunc, controllerRemovedFunc;
};

InputState& inputState();
// Start-up defaults: no controllers, the default key map, no listeners.
void resetInput();

// Empties the controller list and adds the keyboard as controller 0.
void initInput();
// Opens every attached game controller in joystick-index order, skipping those that fail.
void openAttachedControllers();

// Opens a controller: id < 0 is the keyboard, otherwise a joystick device index. Raises
// GameError when the platform cannot open it. ("Tesk" is the framework's own name, kept in its
// interface: `newTeskController`, `toTeskKeycode`, `toTeskScancode`.)
std::shared_ptr<Controller> newTeskController(int32_t id);

// Handles one platform event in the input order, passing window-level events on.
void processEvent(const SDL_Event& e);
// The per-update steps the loop runs for every controller before and after the program's update.
void updateControllers();
void postUpdateControllers();
// After every fixed update: every held key counts one update more.
void advanceKeyCounters();

void setButtonState(Controller& c, Button b, bool down);
void setAxisValue(Controller& c, int axis, double v);
void update(Controller& c);
void postUpdate(Controller& c);
double axis(const Controller& c, int i);

bool btn(const Controller& c, Button b);
bool btnpr(const Controller& c, Button b, int repeat);
// True when any controller holds / reports b as pressed or repeating every `repeat` updates.
bool btn(Button b);
bool btnpr(Button b, int repeat);
// True in the one update in which some controller's button b went down (its counter is 2).
bool btnp(Button b);
bool key(int32_t k);
bool keyp(int32_t k);

// Replaces the key lists of the buttons named in a string such as "Left:Left,A;A:Space".
void setKeyMap(std::string_view s);
// The name a button has in key-map strings ("Left" .. "Back").
const char* buttonName(Button b);
// The platform's name of a scan code, as key-map strings write it ("Left Shift"); "?" for a
// code it does not know.
std::string scanCodeName(int scanCode);

}  // namespace dx
