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
  // The platform's open game-controller handle, opaque here; none for the keyboard.
  void* sdlController = nullptr;
  int32_t id = -1;  // joystick instance id; -1 for the keyboard
  std::array<ControllerAxis, kAxisCount> axes{};
  std::array<int, kButtonCount> buttons{};
  double deadzone = 0.0;
  bool invertX = false, invertY = false;
  bool useRightStick = false;
};

using KeyListener = std::function<bool(int32_t key, uint16_t mods, int32_t scancode, bool down)>;
using ControllerFunc = std::function<void(Controller&)>;

// How the platform names keys, for key-map strings and the key help: the key code of a key name
// (keyUnknown for a name it does not know), the scan code of a key code, and the name of a scan
// code ("" for a code without one). The platform installs its lookups at start-up; until then no
// name is known.
struct KeyNames {
  int32_t (*keyFromName)(const char* name) = [](const char*) { return keyUnknown; };
  int32_t (*scanCodeFromKey)(int32_t key) = [](int32_t) { return scanUnknown; };
  const char* (*scanCodeName)(int32_t scanCode) = [](int32_t) { return ""; };
};

struct InputState {
  std::vector<std::shared_ptr<Controller>> controllers;  // [0] is the keyboard once initialised
  std::unordered_map<int32_t, int> keysDown;             // 0 up, n >= 1 held for n updates (1 = pressed now)
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
  ControllerFunc controllerAddedFunc, controllerRemovedFunc;
  KeyNames keyNames;
};

InputState& inputState();
// Start-up defaults: no controllers, the default key map, no listeners. The platform's key names
// stay installed.
void resetInput();

// Empties the controller list and adds the keyboard as controller 0.
void initInput();
// The keyboard as a controller.
std::shared_ptr<Controller> newKeyboardController();
// Logs a controller that joined: the id it was opened with, its kind and its name.
void announceController(int32_t id, const Controller& c);
// The controller with that joystick instance id, or null.
Controller* findController(int32_t id);
// Tells controllerRemovedFunc that the controller with that id left, and takes it off the list
// (the last controller takes its place).
void forgetController(int32_t id);

// A key event's part in the input model, in the order the platform takes the steps: the key's
// held state; the key listeners (true when one handled the key); the keyboard controller's
// buttons through the key map.
void recordKey(int32_t key, bool down);
bool offerToKeyListeners(int32_t key, uint16_t mods, int32_t scanCode, bool down);
void applyKeyToButtons(int32_t key, int32_t scanCode, bool down, bool repeat);

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
