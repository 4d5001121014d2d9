#include "platform/input_events.h"

#include <SDL.h>

#include <algorithm>
#include <optional>
#include <string>

#include "framework/errors.h"
#include "framework/keys.h"
#include "framework/log.h"
#include "platform/run_loop.h"

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

InputEventState gEvents;

int32_t keyFromName(const char* name) { return toTeskKeycode(SDL_GetKeyFromName(name)); }

int32_t scanCodeFromKey(int32_t key) { return toTeskScancode(SDL_GetScancodeFromKey(key)); }

const char* nameOfScanCode(int32_t scanCode) {
  return scanCode > 0 && scanCode < SDL_NUM_SCANCODES ? SDL_GetScancodeName(SDL_Scancode(scanCode)) : "";
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

bool offerToEventListeners(const SDL_Event& e) {
  // A copy, so a listener may add or remove listeners while it runs.
  const auto listeners = gEvents.eventListeners;
  for (const auto& f : listeners)
    if (f(e)) return true;
  return false;
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
  InputState& in = inputState();
  in.controllers.push_back(c);
  debug("added controller");
  if (const auto f = in.controllerAddedFunc) f(*c);
}

void removeController(int32_t instanceId) {
  Controller* c = findController(instanceId);
  if (!c) return;
  if (c->sdlController) SDL_GameControllerClose(static_cast<SDL_GameController*>(c->sdlController));
  c->sdlController = nullptr;
  forgetController(instanceId);
}

}  // namespace

InputEventState& inputEventState() { return gEvents; }

void resetInputEvents() { gEvents = InputEventState{}; }

void installKeyNames() { inputState().keyNames = KeyNames{keyFromName, scanCodeFromKey, nameOfScanCode}; }

void openAttachedControllers() {
  const int n = SDL_NumJoysticks();
  for (int i = 0; i < n; ++i) {
    if (!SDL_IsGameController(i)) continue;
    try {
      inputState().controllers.push_back(newTeskController(i));
    } catch (const GameError& err) {
      debug(err.what());
    }
  }
}

std::shared_ptr<Controller> newTeskController(int32_t id) {
  if (id < 0) return newKeyboardController();
  SDL_GameController* gc = SDL_GameControllerOpen(id);
  if (!gc) throw GameError("error opening game controller: " + std::to_string(id));
  auto c = std::make_shared<Controller>();
  const char* name = SDL_GameControllerName(gc);
  c->kind = ControllerKind::Gamepad;
  c->name = name ? name : "";
  c->sdlController = gc;
  // Later events name the controller by its instance id, not by the device index it was opened with.
  c->id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(gc));
  c->deadzone = 0.5;
  announceController(id, *c);
  return c;
}

void processEvent(const SDL_Event& e) {
  const bool isKey = e.type == SDL_KEYDOWN || e.type == SDL_KEYUP;
  const bool down = e.type == SDL_KEYDOWN;
  const int32_t key = isKey ? toTeskKeycode(e.key.keysym.sym) : keyUnknown;
  const int32_t scanCode = isKey ? toTeskScancode(e.key.keysym.scancode) : scanUnknown;
  if (isKey) recordKey(key, down);
  if (offerToEventListeners(e)) return;
  if (isKey && offerToKeyListeners(key, e.key.keysym.mod, scanCode, down)) return;
  if (handleWindowEvent(e)) return;
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: applyKeyToButtons(key, scanCode, down, e.key.repeat != 0); break;
    case SDL_CONTROLLERAXISMOTION:
      if (Controller* c = findController(e.caxis.which))
        setAxisValue(*c, e.caxis.axis, std::max(-1.0, e.caxis.value / 32767.0));
      break;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
      if (Controller* c = findController(e.cbutton.which))
        if (const auto b = buttonFromPad(e.cbutton.button)) setButtonState(*c, *b, e.type == SDL_CONTROLLERBUTTONDOWN);
      break;
    case SDL_CONTROLLERDEVICEADDED: addHotPluggedController(e.cdevice.which); break;
    case SDL_CONTROLLERDEVICEREMOVED: removeController(e.cdevice.which); break;
    default: break;
  }
}

}  // namespace dx
