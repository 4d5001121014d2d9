#include "framework/palette.h"

namespace dx {

namespace {
Palette gCurrent = loadPaletteDefault();
}

Palette loadPaletteDefault() {
  static const RGB colors[16] = {
      {0, 0, 0},       {29, 43, 83},    {126, 37, 83},   {0, 135, 81},
      {171, 82, 54},   {95, 87, 79},    {194, 195, 199}, {255, 241, 232},
      {255, 0, 77},    {255, 163, 0},   {255, 240, 36},  {0, 231, 86},
      {41, 173, 255},  {131, 118, 156}, {255, 119, 168}, {255, 204, 170},
  };
  Palette p;
  p.size = 16;
  for (int i = 0; i < 16; ++i) p.colors[i] = colors[i];
  return p;
}

void setPalette(const Palette& p) { gCurrent = p; }

Palette& currentPalette() { return gCurrent; }

}  // namespace dx
