#pragma once
// Colour palettes: the built-in 16-colour default and the current palette that the
// presentation converts the canvas through.
#include <array>
#include <cstdint>
#include <string>

namespace dx {

struct RGB {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const RGB&) const = default;
};

struct Palette {
  int size = 0;
  std::array<RGB, 256> colors{};
};

Palette loadPaletteDefault();
void setPalette(const Palette& p);
Palette& currentPalette();

}  // namespace dx
