#pragma once
// Where the logical canvas goes in a window of a given size, and the conversion of the palette
// canvas into colours for presenting. The window itself is the platform's (platform/window.h).
#include <array>
#include <cstdint>

#include "framework/canvas.h"
#include "framework/palette.h"

namespace dx {

// Where the canvas goes in a window of a given size.
struct ScreenLayout {
  double screenScale = 1.0;
  int screenWidth = 0, screenHeight = 0;
  int paddingX = 0, paddingY = 0;
  int dw = 0, dh = 0;  // picture size in window pixels
};

ScreenLayout computeLayout(int w, int h, int targetW, int targetH, bool fixedSize, bool integerScale);

// Converts canvas indices through the display remap and the palette into 32-bit pixels whose
// bytes in memory are 255, blue, green, red.
void convertCanvas(const Surface& canvas, const Palette& palette, const std::array<ColorId, 256>& displayMap,
                   uint8_t* dst, int pitch);

}  // namespace dx
