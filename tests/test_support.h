#pragma once
// Shared helpers for the tests: a canvas filled with a sentinel colour so stray writes show.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "framework/canvas.h"

namespace dx::test {

constexpr uint8_t kSentinel = 0xEE;

inline void freshCanvas(int w, int h, uint8_t fill = kSentinel) {
  resetDrawState();
  setCanvasSize(w, h);
  auto& px = drawState().swCanvas->data;
  std::fill(px.begin(), px.end(), fill);
}

inline uint8_t at(int x, int y) { return get(*drawState().swCanvas, x, y); }

// Every canvas position that no longer holds the sentinel.
inline std::set<std::pair<int, int>> changedPixels() {
  std::set<std::pair<int, int>> out;
  const Surface& s = *drawState().swCanvas;
  for (int y = 0; y < s.h; ++y)
    for (int x = 0; x < s.w; ++x)
      if (get(s, x, y) != kSentinel) out.insert({x, y});
  return out;
}

using Pixels = std::set<std::pair<int, int>>;

// The source tree and run folder, passed in by the test environment.
inline std::string sourceDir() { return std::getenv("DX_SOURCE_DIR") ? std::getenv("DX_SOURCE_DIR") : "."; }
inline std::string gameDir() { return std::getenv("DX_GAME_DIR") ? std::getenv("DX_GAME_DIR") : "game"; }
inline std::string buildDir() { return std::getenv("DX_BUILD_DIR") ? std::getenv("DX_BUILD_DIR") : "."; }

}  // namespace dx::test
