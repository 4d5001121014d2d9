#pragma once
// Start-up of the platform and the fixed-time-step loop with its three callbacks; the window and
// application events and the window-level hot keys. The loop's state is framework/run_loop.h.
#include <cstdint>
#include <functional>
#include <string>

union SDL_Event;

namespace dx {

void init(const std::string& org, const std::string& app);
void run(std::function<void()> initCb, std::function<void(float)> updateCb, std::function<void()> drawCb);
// One pass of the loop: drain events, then `advance` with the current tick count.
bool step();
// Feeds the elapsed time into the accumulator and runs the due updates and at most one draw.
// Returns whether any update ran.
bool advance(uint32_t now);

// The window-level part of the event handling: quit, window and application events and the
// hot keys. Returns true when a key event must not be processed further.
bool handleWindowEvent(const SDL_Event& e);

}  // namespace dx
