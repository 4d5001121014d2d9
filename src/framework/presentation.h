#pragma once
// The window, the scaling of the logical canvas into it, and the conversion of the palette
// canvas into colours for presenting.
#include <array>
#include <cstdint>
#include <string>

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

void createWindow(const std::string& title, int w, int h, int scale, bool fullscreen);
void fixedSize(bool b);
void integerScale(bool b);
void resize();
void resize(int w, int h);
bool getFullscreen();
void setFullscreen(bool b);
void toggleFullscreen();

void flip();
void present();

// Converts canvas indices through the display remap and the palette into 32-bit pixels whose
// bytes in memory are 255, blue, green, red.
void convertCanvas(const Surface& canvas, const Palette& palette,
                   const std::array<ColorId, 256>& displayMap, uint8_t* dst, int pitch);

}  // namespace dx
