#pragma once
// Keyboard input: the held-key table read through `key` and `keyp`, and the logical buttons
// of the keyboard controller read through `btn`.
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

union SDL_Event;

namespace dx {

enum class Button : uint8_t { Left, Right, Up, Down, A, B, X, Y, L1, L2, L3, R1, R2, R3, Start, Back };

struct InputState {
  std::unordered_map<int32_t, int> keysDown;  // 0 up, n >= 1 held for n updates
  std::array<int, 16> buttons{};              // keyboard button counters
  std::array<std::vector<int>, 16> keymap;    // scan codes per button
};

InputState& inputState();
void resetInput();

void initInput();
// Handles one platform event in the input order, passing window-level events on.
void processEvent(const SDL_Event& e);
void updateControllers();
void postUpdateControllers();
void advanceKeyCounters();

bool btn(Button b);
bool key(int32_t k);
bool keyp(int32_t k);

}  // namespace dx
