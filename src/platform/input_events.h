#pragma once
// The platform's side of input: its events turned into the input model (framework/input.h), game
// controllers opened and closed, and its key names handed to the framework.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "framework/input.h"

union SDL_Event;

namespace dx {

using EventListener = std::function<bool(const SDL_Event&)>;

struct InputEventState {
  std::vector<EventListener> eventListeners;  // offered every event first; one returning true consumes it
};

InputEventState& inputEventState();
// Start-up defaults: no listeners.
void resetInputEvents();

// Gives the framework the platform's key names (for key-map strings and the key help).
void installKeyNames();
// Opens every attached game controller in joystick-index order, skipping those that fail.
void openAttachedControllers();

// Opens a controller: id < 0 is the keyboard, otherwise a joystick device index. Raises
// GameError when the platform cannot open it. ("Tesk" is the framework's own name, kept in its
// interface: `newTeskController`, `toTeskKeycode`, `toTeskScancode`.)
std::shared_ptr<Controller> newTeskController(int32_t id);

// The framework's key codes and scan codes are the platform's own (framework/keys.h), so a code
// from the platform passes through unchanged.
constexpr int32_t toTeskKeycode(int32_t platformKey) { return platformKey; }
constexpr int32_t toTeskScancode(int32_t platformScanCode) { return platformScanCode; }

// Handles one platform event in the input order, passing window-level events on.
void processEvent(const SDL_Event& e);

}  // namespace dx
