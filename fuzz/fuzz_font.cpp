// The font cutter over any surface: the first bytes choose the layout, the next ones the
// character string, the rest are the pixels.
//   byte 0: bit 0 RGBA (else indexed), bit 1 one row more than the pixels hold,
//           bit 2 three channels (neither indexed nor RGBA)
//   byte 1: width in pixels; byte 2: length of the character string
#include <algorithm>

#include "framework/canvas.h"
#include "framework/font.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint8_t mode = data[0];
  const int channels = (mode & 4) ? 3 : (mode & 1) ? 4 : 1;
  const int w = data[1];
  const size_t charCount = std::min<size_t>(data[2], size - 3);
  const std::string_view chars = dx::fuzz::asText(data + 3, charCount);
  const uint8_t* pixels = data + 3 + charCount;
  const size_t pixelBytes = size - 3 - charCount;
  dx::Surface s;
  s.channels = channels;
  s.w = w;
  s.h = w == 0 ? int(pixelBytes % 7) : int(pixelBytes / (size_t(w) * size_t(channels)));
  s.data.assign(pixels, pixels + std::min(pixelBytes, size_t(w) * size_t(s.h) * size_t(channels)));
  if (mode & 2) s.h += 1;
  s.filename = "font.png";
  dx::fuzz::guarded([&] { dx::createFontFromSurface(s, chars); });
  return 0;
}
