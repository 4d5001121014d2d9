#include "framework/presentation.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace dx {

ScreenLayout computeLayout(int w, int h, int targetW, int targetH, bool fixed, bool integer) {
  ScreenLayout out;
  double sx, sy;
  if (integer) {
    sx = double(w / targetW);
    sy = double(h / targetH);
  } else {
    sx = double(float(w) / float(targetW));
    sy = double(float(h) / float(targetH));
  }
  out.screenScale = std::min(sx, sy);
  if (out.screenScale <= 1.0) out.screenScale = 1.0;
  if (fixed) {
    out.screenWidth = targetW;
    out.screenHeight = targetH;
    out.dw = int(double(targetW) * out.screenScale);
    out.dh = int(double(targetH) * out.screenScale);
    out.paddingX = (w - out.dw) / 2;
    out.paddingY = (h - out.dh) / 2;
  } else if (integer) {
    const int s = int(std::floor(out.screenScale));
    out.screenWidth = w / s;
    out.screenHeight = h / s;
    out.dw = w;
    out.dh = h;
  } else {
    out.screenWidth = int(double(w) / out.screenScale);
    out.screenHeight = int(double(h) / out.screenScale);
    out.dw = w;
    out.dh = h;
  }
  return out;
}

void convertCanvas(const Surface& canvas, const Palette& palette, const std::array<ColorId, 256>& displayMap,
                   uint8_t* dst, int pitch) {
  // One table per frame folds the display remap and the palette into ready pixels.
  uint32_t lut[256];
  for (int i = 0; i < 256; ++i) {
    const RGB c = palette.colors[displayMap[i] & 0xFF];
    const uint8_t bytes[4] = {255, c.b, c.g, c.r};
    std::memcpy(&lut[i], bytes, 4);
  }
  for (int y = 0; y < canvas.h; ++y) {
    const uint8_t* src = canvas.data.data() + size_t(y) * size_t(canvas.w);
    uint32_t* out = reinterpret_cast<uint32_t*>(dst + size_t(y) * size_t(pitch));
    for (int x = 0; x < canvas.w; ++x) out[x] = lut[src[x]];
  }
}

}  // namespace dx
