#pragma once
// Colour palettes: the built-in 16-colour default, palettes read from GIMP palette files, and
// the current palette that the presentation converts the canvas through.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

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
// Reads a GIMP palette file from the asset folder and resets the draw, display and
// transparency tables. Lines that are not colour lines are logged as "not matched: " and
// skipped; a colour line before the "GIMP Palette" header, a file without that header or a
// value above 255 raise FormatError naming the file. Colours past the 256th are ignored.
Palette loadPaletteFromGPL(const std::string& filename);
// The palette of a GIMP palette file's text, without touching the tables; `name` stands for
// the file in messages.
Palette parsePaletteGPL(std::string_view text, const std::string& name);
void setPalette(const Palette& p);
Palette& currentPalette();

}  // namespace dx
