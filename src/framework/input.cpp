#include "framework/input.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

#include "framework/errors.h"
#include "framework/log.h"

namespace dx {

namespace {

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

Controller* keyboardController() {
  if (gInput.controllers.empty()) return nullptr;
  return gInput.controllers.front().get();
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

void driveFromTrigger(int& counter, double trigger, double deadzone) { counter = trigger > deadzone ? counter + 1 : 0; }

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
    const KeyNames& names = gInput.keyNames;
    const int32_t k = names.keyFromName(std::string(name).c_str());
    if (k == keyUnknown) debug(joinPieces("", "setKeyMap: unknown key name: ", name));
    codes.push_back(names.scanCodeFromKey(k));
  }
  return codes;
}

}  // namespace

InputState& inputState() { return gInput; }

void resetInput() {
  const KeyNames names = gInput.keyNames;
  gInput = InputState{};
  gInput.keyNames = names;
}

void initInput() {
  gInput.controllers.clear();
  gInput.controllers.push_back(newKeyboardController());
}

std::shared_ptr<Controller> newKeyboardController() {
  auto c = std::make_shared<Controller>();
  c->name = "KEYBOARD";
  announceController(-1, *c);
  return c;
}

void announceController(int32_t id, const Controller& c) {
  echo("added game controller: ", id, ": ", c.kind == ControllerKind::Keyboard ? "Keyboard" : "Gamepad", ": ", c.name);
}

Controller* findController(int32_t id) {
  for (auto& c : gInput.controllers)
    if (c->id == id) return c.get();
  return nullptr;
}

void forgetController(int32_t id) {
  auto& list = gInput.controllers;
  auto it = std::find_if(list.begin(), list.end(), [&](const auto& c) { return c->id == id; });
  if (it == list.end()) return;
  const std::shared_ptr<Controller> c = *it;
  if (const auto f = gInput.controllerRemovedFunc) f(*c);
  // The callback may have changed the list: look the controller up again before removing it.
  it = std::find(list.begin(), list.end(), c);
  if (it == list.end()) return;
  *it = list.back();
  list.pop_back();
}

void recordKey(int32_t key, bool down) {
  gInput.keysDown[key] = down ? 1 : 0;
  (down ? gInput.aKeyWasPressed : gInput.aKeyWasReleased) = true;
}

bool offerToKeyListeners(int32_t key, uint16_t mods, int32_t scanCode, bool down) {
  // A copy, so a listener may add or remove listeners while it runs.
  const auto listeners = gInput.keyListeners;
  for (const auto& f : listeners)
    if (f(key, mods, scanCode, down)) return true;
  return false;
}

void applyKeyToButtons(int32_t key, int32_t scanCode, bool down, bool repeat) {
  Controller* kb = keyboardController();
  // Auto-repeats must not re-press a button; scan code 0 is what unknown key names map to, and
  // the platform also reports it for keys it cannot identify, so it drives nothing.
  if (!kb || repeat || scanCode == scanUnknown) return;
  if (key == keyAcBack) setButtonState(*kb, Button::Back, down);
  for (int b = 0; b < kButtonCount; ++b) {
    const auto& codes = gInput.keymap[b];
    if (std::find(codes.begin(), codes.end(), scanCode) != codes.end()) setButtonState(*kb, Button(b), down);
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
  return std::any_of(gInput.controllers.begin(), gInput.controllers.end(),
                     [&](const auto& c) { return c->buttons[i] == 2; });
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
  const char* name = gInput.keyNames.scanCodeName(scanCode);
  return name && *name ? name : "?";
}

}  // namespace dx
