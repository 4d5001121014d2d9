#pragma once
// Bitmap fonts cut out of PNG images by marker columns, and text drawing and measuring.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "framework/canvas.h"

namespace dx {

// The glyph strings the game loads its two fonts with: a space, '!' to '@', 'a' to 'z',
// '[' to '`', 'A' to 'Z', then '{', '}' and '~' (no '|'). The 5x5 font adds a line feed.
inline constexpr std::string_view fontChars =
    " !\"#$%&'()*+,-./0123456789:;<=>?@abcdefghijklmnopqrstuvwxyz[\\]^_`ABCDEFGHIJKLMNOPQRSTUVWXYZ{}~";
inline constexpr std::string_view font5x5Chars =
    " !\"#$%&'()*+,-./0123456789:;<=>?@abcdefghijklmnopqrstuvwxyz[\\]^_`ABCDEFGHIJKLMNOPQRSTUVWXYZ{}~\n";

struct Font {
  std::unordered_map<char32_t, Rect> rects;  // glyph cell per code point; y is always 0
  std::vector<uint8_t> data;                 // per image pixel: 0 background, 1 ink, 2 marker
  int w = 0, h = 0;
};
using FontPtr = std::shared_ptr<Font>;

struct FontState {
  std::array<FontPtr, 16> fonts{};
  FontPtr currentFont;
  int currentFontId = -1;
};

FontState& fontState();
// No fonts loaded and none current, as at start-up.
void resetFontState();

// Cuts a font out of an indexed (2 marker, 1 ink) or RGBA surface (pixel (0, 0) is the marker
// colour, pixel (1, 0) the background): glyph cells lie between marker columns of the top row
// and take the characters of the UTF-8 string chars in order.
FontPtr createFontFromSurface(const Surface& s, std::string_view chars);
// Cuts a font out of the bytes of an RGBA PNG file; `name` stands for the file in messages.
FontPtr decodeFont(std::string_view png, const std::string& name, std::string_view chars);
// Decodes the asset file as RGBA into font slot index (0..15); it becomes current when the slot
// held the current font (also when none is current and the slot was empty).
void loadFont(int64_t index, const std::string& filename, std::string_view chars);
// Selects slot index (0..15), even an empty one; larger values are ignored.
void setFont(int64_t index);

// Draws one character at canvas position (x, y) and returns the advance (0 without a glyph).
Pint glyph(char32_t c, Pint x, Pint y, Pint scale);
// Draws text with its top-left at (x, y); lines end at CR LF, CR or LF and are as far apart as
// the font image is high, whatever the scale.
void print(std::string_view text, Pint x, Pint y, Pint scale = 1);
// Draws text ending at x.
void printr(std::string_view text, Pint x, Pint y, Pint scale = 1);
// Advance width of the whole text, line breaks included; a character without a glyph raises.
Pint textWidth(std::string_view text, Pint scale = 1);

}  // namespace dx
