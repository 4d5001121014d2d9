#include "framework/input.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

#include "framework/errors.h"
#include "framework/log.h"
#include "framework/run_loop.h"

namespace dx {

namespace {

// The framework's key vocabulary is the platform's own numbering, so codes pass through unchanged.
static_assert(scanUnknown == SDL_SCANCODE_UNKNOWN && scanA == SDL_SCANCODE_A && scanB == SDL_SCANCODE_B &&
              scanC == SDL_SCANCODE_C && scanD == SDL_SCANCODE_D && scanE == SDL_SCANCODE_E &&
              scanF == SDL_SCANCODE_F && scanG == SDL_SCANCODE_G && scanH == SDL_SCANCODE_H &&
              scanI == SDL_SCANCODE_I && scanJ == SDL_SCANCODE_J && scanK == SDL_SCANCODE_K &&
              scanL == SDL_SCANCODE_L && scanM == SDL_SCANCODE_M && scanN == SDL_SCANCODE_N &&
              scanO == SDL_SCANCODE_O && scanP == SDL_SCANCODE_P && scanQ == SDL_SCANCODE_Q &&
              scanR == SDL_SCANCODE_R && scanS == SDL_SCANCODE_S && scanT == SDL_SCANCODE_T &&
              scanU == SDL_SCANCODE_U && scanV == SDL_SCANCODE_V && scanW == SDL_SCANCODE_W &&
              scanX == SDL_SCANCODE_X && scanY == SDL_SCANCODE_Y && scanZ == SDL_SCANCODE_Z);
static_assert(scanReturn == SDL_SCANCODE_RETURN && scanEscape == SDL_SCANCODE_ESCAPE &&
              scanBackspace == SDL_SCANCODE_BACKSPACE && scanTab == SDL_SCANCODE_TAB &&
              scanSpace == SDL_SCANCODE_SPACE && scanF1 == SDL_SCANCODE_F1 && scanF2 == SDL_SCANCODE_F2 &&
              scanF3 == SDL_SCANCODE_F3 && scanF4 == SDL_SCANCODE_F4 && scanF5 == SDL_SCANCODE_F5 &&
              scanF6 == SDL_SCANCODE_F6 && scanF7 == SDL_SCANCODE_F7 && scanF8 == SDL_SCANCODE_F8 &&
              scanF9 == SDL_SCANCODE_F9 && scanF10 == SDL_SCANCODE_F10 && scanF11 == SDL_SCANCODE_F11 &&
              scanF12 == SDL_SCANCODE_F12 && scanRight == SDL_SCANCODE_RIGHT && scanLeft == SDL_SCANCODE_LEFT &&
              scanDown == SDL_SCANCODE_DOWN && scanUp == SDL_SCANCODE_UP && scanLShift == SDL_SCANCODE_LSHIFT &&
              scanRShift == SDL_SCANCODE_RSHIFT && scanAcBack == SDL_SCANCODE_AC_BACK);
static_assert(keyUnknown == SDLK_UNKNOWN && keyA == SDLK_a && keyB == SDLK_b && keyC == SDLK_c && keyD == SDLK_d &&
              keyE == SDLK_e && keyF == SDLK_f && keyG == SDLK_g && keyH == SDLK_h && keyI == SDLK_i &&
              keyJ == SDLK_j && keyK == SDLK_k && keyL == SDLK_l && keyM == SDLK_m && keyN == SDLK_n &&
              keyO == SDLK_o && keyP == SDLK_p && keyQ == SDLK_q && keyR == SDLK_r && keyS == SDLK_s &&
              keyT == SDLK_t && keyU == SDLK_u && keyV == SDLK_v && keyW == SDLK_w && keyX == SDLK_x &&
              keyY == SDLK_y && keyZ == SDLK_z);
static_assert(keyBackspace == SDLK_BACKSPACE && keyTab == SDLK_TAB && keyReturn == SDLK_RETURN &&
              keyEscape == SDLK_ESCAPE && keySpace == SDLK_SPACE && keyF1 == SDLK_F1 && keyF2 == SDLK_F2 &&
              keyF3 == SDLK_F3 && keyF4 == SDLK_F4 && keyF5 == SDLK_F5 && keyF6 == SDLK_F6 && keyF7 == SDLK_F7 &&
              keyF8 == SDLK_F8 && keyF9 == SDLK_F9 && keyF10 == SDLK_F10 && keyF11 == SDLK_F11 && keyF12 == SDLK_F12 &&
              keyRight == SDLK_RIGHT && keyLeft == SDLK_LEFT && keyDown == SDLK_DOWN && keyUp == SDLK_UP &&
              keyLShift == SDLK_LSHIFT && keyRShift == SDLK_RSHIFT && keyAcBack == SDLK_AC_BACK);
static_assert(modShift == KMOD_SHIFT && modCtrl == KMOD_CTRL && modAlt == KMOD_ALT);

InputState gInput;

constexpr const char* kButtonNames[kButtonCount] = {"Left", "Right", "Up", "Down", "A",  "B",  "X",     "Y",
                                                    "L1",   "L2",    "L3", "R1",   "R2", "R3", "Start", "Back"};

int buttonIndex(Button b, const char* who) {
  const int i = int(b);
  if (i >= kButtonCount) throw IndexError(std::string(who) + ": no button " + std::to_string(i));
  return i;
}

void checkRepeat(int repeat) {
  if (repeat < 1) throw GameError("btnpr: the repeat period must be at least 1, not " + std::to_string(repeat));
}

Controller* findController(int32_t id) {
  for (auto& c : gInput.controllers)
    if (c->id == id) return c.get();
  return nullptr;
}

Controller* keyboardController() {
  if (gInput.controllers.empty()) return nullptr;
  return gInput.controllers.front().get();
}

std::optional<Button> buttonFromPad(int padButton) {
  switch (padButton) {
    case SDL_CONTROLLER_BUTTON_A: return Button::A;
    case SDL_CONTROLLER_BUTTON_B: return Button::B;
    case SDL_CONTROLLER_BUTTON_X: return Button::X;
    case SDL_CONTROLLER_BUTTON_Y: return Button::Y;
    case SDL_CONTROLLER_BUTTON_BACK: return Button::Back;
    case SDL_CONTROLLER_BUTTON_START: return Button::Start;
    case SDL_CONTROLLER_BUTTON_LEFTSTICK: return Button::L3;
    case SDL_CONTROLLER_BUTTON_RIGHTSTICK: return Button::R3;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: return Button::L1;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return Button::R1;
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return Button::Up;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return Button::Down;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return Button::Left;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return Button::Right;
    default: return std::nullopt;  // the guide button and newer extras drive nothing
  }
}

void recordKey(const SDL_KeyboardEvent& k) {
  const bool down = k.type == SDL_KEYDOWN;
  gInput.keysDown[k.keysym.sym] = down ? 1 : 0;
  (down ? gInput.aKeyWasPressed : gInput.aKeyWasReleased) = true;
}

bool offerToKeyListeners(const SDL_KeyboardEvent& k) {
  // A copy, so a listener may add or remove listeners while it runs.
  const auto listeners = gInput.keyListeners;
  for (const auto& f : listeners)
    if (f(k.keysym.sym, k.keysym.mod, k.keysym.scancode, k.type == SDL_KEYDOWN)) return true;
  return false;
}

bool offerToEventListeners(const SDL_Event& e) {
  const auto listeners = gInput.eventListeners;
  for (const auto& f : listeners)
    if (f(e)) return true;
  return false;
}

void applyKeyToButtons(const SDL_KeyboardEvent& k) {
  Controller* kb = keyboardController();
  // Auto-repeats must not re-press a button; scan code 0 is what unknown key names map to, and
  // the platform also reports it for keys it cannot identify, so it drives nothing.
  if (!kb || k.repeat || k.keysym.scancode == scanUnknown) return;
  const bool down = k.type == SDL_KEYDOWN;
  if (k.keysym.sym == keyAcBack) setButtonState(*kb, Button::Back, down);
  for (int b = 0; b < kButtonCount; ++b) {
    const auto& codes = gInput.keymap[b];
    if (std::find(codes.begin(), codes.end(), int(k.keysym.scancode)) != codes.end())
      setButtonState(*kb, Button(b), down);
  }
}

void addHotPluggedController(int32_t deviceIndex) {
  const SDL_JoystickID instance = SDL_JoystickGetDeviceInstanceID(deviceIndex);
  if (instance >= 0 && findController(instance)) {
    debug("controller already exists");
    return;
  }
  std::shared_ptr<Controller> c;
  try {
    c = newTeskController(deviceIndex);
  } catch (const GameError& err) {
    debug(err.what());
    return;
  }
  gInput.controllers.push_back(c);
  debug("added controller");
  if (const auto f = gInput.controllerAddedFunc) f(*c);
}

void removeController(int32_t instanceId) {
  auto& list = gInput.controllers;
  auto it = std::find_if(list.begin(), list.end(), [&](const auto& c) { return c->id == instanceId; });
  if (it == list.end()) return;
  const std::shared_ptr<Controller> c = *it;
  if (c->sdlController) SDL_GameControllerClose(c->sdlController);
  c->sdlController = nullptr;
  if (const auto f = gInput.controllerRemovedFunc) f(*c);
  // The callback may have changed the list: look the controller up again before removing it.
  it = std::find(list.begin(), list.end(), c);
  if (it == list.end()) return;
  *it = list.back();
  list.pop_back();
}

// The stick axis that pushes a direction button, when it is pushed that way beyond the dead zone.
const ControllerAxis* stickFor(const Controller& c, Button b) {
  const double dz = c.deadzone;
  const ControllerAxis &x = c.axes[0], &y = c.axes[1];
  switch (b) {
    case Button::Left: return x.value < -dz ? &x : nullptr;
    case Button::Right: return x.value > dz ? &x : nullptr;
    case Button::Up: return y.value < -dz ? &y : nullptr;
    case Button::Down: return y.value > dz ? &y : nullptr;
    default: return nullptr;
  }
}

void driveFromTrigger(int& counter, double trigger, double deadzone) {
  counter = trigger > deadzone ? counter + 1 : 0;
}

std::string_view trim(std::string_view s) {
  const auto space = [](char ch) { return std::isspace(static_cast<unsigned char>(ch)) != 0; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> split(std::string_view s, char sep) {
  std::vector<std::string_view> out;
  for (size_t start = 0;;) {
    const size_t end = s.find(sep, start);
    out.push_back(s.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return out;
    start = end + 1;
  }
}

// Button names match ignoring letter case and underscores.
std::string foldName(std::string_view s) {
  std::string out;
  for (char ch : s)
    if (ch != '_') out += char(std::tolower(static_cast<unsigned char>(ch)));
  return out;
}

std::optional<Button> buttonFromName(std::string_view name) {
  const std::string folded = foldName(name);
  for (int b = 0; b < kButtonCount; ++b)
    if (folded == foldName(kButtonNames[b])) return Button(b);
  return std::nullopt;
}

std::vector<int> scanCodesFor(std::string_view keyNames) {
  std::vector<int> codes;
  for (std::string_view name : split(keyNames, ',')) {
    name = trim(name);
    if (name.empty()) continue;
    const SDL_Keycode k = SDL_GetKeyFromName(std::string(name).c_str());
    if (k == SDLK_UNKNOWN) debug(joinPieces("", "setKeyMap: unknown key name: ", name));
    codes.push_back(SDL_GetScancodeFromKey(k));
  }
  return codes;
}

}  // namespace

InputState& inputState() { return gInput; }

void resetInput() { gInput = InputState{}; }

void initInput() {
  gInput.controllers.clear();
  gInput.controllers.push_back(newTeskController(-1));
}

void openAttachedControllers() {
  const int n = SDL_NumJoysticks();
  for (int i = 0; i < n; ++i) {
    if (!SDL_IsGameController(i)) continue;
    try {
      gInput.controllers.push_back(newTeskController(i));
    } catch (const GameError& err) {
      debug(err.what());
    }
  }
}

std::shared_ptr<Controller> newTeskController(int32_t id) {
  auto c = std::make_shared<Controller>();
  if (id < 0) {
    c->name = "KEYBOARD";
  } else {
    SDL_GameController* gc = SDL_GameControllerOpen(id);
    if (!gc) throw GameError("error opening game controller: " + std::to_string(id));
    const char* name = SDL_GameControllerName(gc);
    c->kind = ControllerKind::Gamepad;
    c->name = name ? name : "";
    c->sdlController = gc;
    // Later events name the controller by its instance id, not by the device index it was opened with.
    c->id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(gc));
    c->deadzone = 0.5;
  }
  echo("added game controller: ", id, ": ", c->kind == ControllerKind::Keyboard ? "Keyboard" : "Gamepad", ": ",
       c->name);
  return c;
}

void processEvent(const SDL_Event& e) {
  const bool isKey = e.type == SDL_KEYDOWN || e.type == SDL_KEYUP;
  if (isKey) recordKey(e.key);
  if (offerToEventListeners(e)) return;
  if (isKey && offerToKeyListeners(e.key)) return;
  if (handleWindowEvent(e)) return;
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      applyKeyToButtons(e.key);
      break;
    case SDL_CONTROLLERAXISMOTION:
      if (Controller* c = findController(e.caxis.which))
        setAxisValue(*c, e.caxis.axis, std::max(-1.0, e.caxis.value / 32767.0));
      break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      if (Controller* c = findController(e.cbutton.which))
        if (const auto b = buttonFromPad(e.cbutton.button)) setButtonState(*c, *b, e.type == SDL_CONTROLLERBUTTONDOWN);
      break;
    case SDL_CONTROLLERDEVICEADDED:
      addHotPluggedController(e.cdevice.which);
      break;
    case SDL_CONTROLLERDEVICEREMOVED:
      removeController(e.cdevice.which);
      break;
    default:
      break;
  }
}

void updateControllers() {
  for (auto& c : gInput.controllers) update(*c);
}

void postUpdateControllers() {
  for (auto& c : gInput.controllers) postUpdate(*c);
}

void advanceKeyCounters() {
  for (auto& [k, v] : gInput.keysDown)
    if (v != 0) ++v;
}

void setButtonState(Controller& c, Button b, bool down) {
  if (int(b) >= kButtonCount) return;
  c.buttons[size_t(b)] = down ? 1 : -2;
}

void setAxisValue(Controller& c, int axis, double v) {
  if (axis < 0 || axis >= kAxisCount) return;
  const bool invert = (axis == 0 && c.invertX) || (axis == 1 && c.invertY);
  c.axes[size_t(axis)].value = invert ? -v : v;
}

void update(Controller& c) {
  if (c.kind == ControllerKind::Gamepad) {
    driveFromTrigger(c.buttons[size_t(Button::L2)], c.axes[4].value, c.deadzone);
    driveFromTrigger(c.buttons[size_t(Button::R2)], c.axes[5].value, c.deadzone);
  }
  for (int& n : c.buttons) n = n == -1 ? 0 : n == -2 ? -1 : n > 0 ? n + 1 : n;
  const double dz = c.deadzone;
  for (ControllerAxis& a : c.axes) {
    const bool held = (a.previous < -dz && a.value < -dz) || (a.previous > dz && a.value > dz);
    a.hold = held ? a.hold + 1 : 0;
  }
}

void postUpdate(Controller& c) {
  for (ControllerAxis& a : c.axes) a.previous = a.value;
}

double axis(const Controller& c, int i) {
  if (i < 0 || i >= kAxisCount) throw IndexError("axis: no axis " + std::to_string(i));
  return c.axes[size_t(i)].value;
}

bool btn(const Controller& c, Button b) {
  const int i = buttonIndex(b, "btn");
  return c.buttons[size_t(i)] > 0 || stickFor(c, b) != nullptr;
}

bool btnpr(const Controller& c, Button b, int repeat) {
  checkRepeat(repeat);
  const int n = c.buttons[size_t(buttonIndex(b, "btnpr"))];
  if (n == 2 || (n > 2 && (n - 2) % repeat == 0)) return true;
  const ControllerAxis* stick = stickFor(c, b);
  return stick && stick->hold % repeat == 0;
}

bool btn(Button b) {
  buttonIndex(b, "btn");
  return std::any_of(gInput.controllers.begin(), gInput.controllers.end(), [&](const auto& c) { return btn(*c, b); });
}

bool btnpr(Button b, int repeat) {
  buttonIndex(b, "btnpr");
  checkRepeat(repeat);
  return std::any_of(gInput.controllers.begin(), gInput.controllers.end(),
                     [&](const auto& c) { return btnpr(*c, b, repeat); });
}

bool btnp(Button b) {
  const size_t i = size_t(buttonIndex(b, "btnp"));
  return std::any_of(gInput.controllers.begin(), gInput.controllers.end(), [&](const auto& c) { return c->buttons[i] == 2; });
}

bool key(int32_t k) {
  auto it = gInput.keysDown.find(k);
  return it != gInput.keysDown.end() && it->second != 0;
}

bool keyp(int32_t k) {
  auto it = gInput.keysDown.find(k);
  return it != gInput.keysDown.end() && it->second == 1;
}

void setKeyMap(std::string_view s) {
  if (s.empty()) {
    echo("setKeyMap: empty string");
    return;
  }
  echo("setKeyMap: ", s);
  for (std::string_view entry : split(s, ';')) {
    if (trim(entry).empty()) continue;  // a trailing ";" leaves an empty entry
    const size_t colon = entry.find(':');
    if (colon == std::string_view::npos) {
      debug(joinPieces("", "setKeyMap: ignoring entry without ':': ", entry));
      continue;
    }
    const std::string_view name = trim(entry.substr(0, colon));
    const auto b = buttonFromName(name);
    if (!b) {
      debug(joinPieces("", "invalid button name: ", name));
      return;
    }
    gInput.keymap[size_t(*b)] = scanCodesFor(entry.substr(colon + 1));
  }
}

const char* buttonName(Button b) { return kButtonNames[buttonIndex(b, "buttonName")]; }

std::string scanCodeName(int scanCode) {
  const char* name = scanCode > 0 && scanCode < SDL_NUM_SCANCODES ? SDL_GetScancodeName(SDL_Scancode(scanCode)) : "";
  return name && *name ? name : "?";
}

}  // namespace dx
