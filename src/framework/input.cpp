#include "framework/input.h"

#include <SDL.h>

#include "framework/run_loop.h"

namespace dx {

namespace {

InputState gInput;

void installDefaultKeymap(InputState& s) {
  s.keymap = {{{80, 4}, {79, 7}, {82, 26}, {81, 22}, {29}, {27}, {225, 229}, {6},
               {9}, {10}, {11}, {25}, {5}, {17}, {40}, {41, 42}}};
}

}  // namespace

InputState& inputState() { return gInput; }

void resetInput() {
  gInput = InputState{};
  installDefaultKeymap(gInput);
}

void initInput() { resetInput(); }

void processEvent(const SDL_Event& e) {
  const bool isKey = e.type == SDL_KEYDOWN || e.type == SDL_KEYUP;
  if (isKey) gInput.keysDown[e.key.keysym.sym] = e.type == SDL_KEYDOWN ? 1 : 0;
  if (handleWindowEvent(e) || !isKey || e.key.repeat) return;
  for (int b = 0; b < 16; ++b)
    for (int sc : gInput.keymap[b])
      if (sc == int(e.key.keysym.scancode)) gInput.buttons[b] = e.type == SDL_KEYDOWN ? 1 : -2;
}

void updateControllers() {
  for (int& c : gInput.buttons) c = c == -1 ? 0 : c == -2 ? -1 : c > 0 ? c + 1 : c;
}

void postUpdateControllers() {}

void advanceKeyCounters() {
  for (auto& [k, v] : gInput.keysDown)
    if (v != 0) ++v;
}

bool btn(Button b) { return gInput.buttons[size_t(b)] > 0; }

bool key(int32_t k) {
  auto it = gInput.keysDown.find(k);
  return it != gInput.keysDown.end() && it->second != 0;
}

bool keyp(int32_t k) {
  auto it = gInput.keysDown.find(k);
  return it != gInput.keysDown.end() && it->second == 1;
}

}  // namespace dx
