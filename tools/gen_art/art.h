#pragma once
// The game's 2D art, built in code so it can be regenerated and checked: the palette, the
// spritesheet and the two fonts. gen_art writes them into the assets folder.
#include <string>
#include <vector>

#include "framework/canvas.h"
#include "framework/palette.h"

namespace dx {

struct NamedColor {
  RGB rgb;
  std::string name;
};

// Palette layout: 0-15 the framework's default roles; 16-63 six teams of eight colours in the
// order of the car models' colour slots (dark, body, shade, accent, trim, metal, glass, lamp);
// then ramps, dark to light, for the scenery and tilesets (see artPaletteText for the ranges).
inline constexpr int teamRampFirst = 16;
std::vector<NamedColor> artColors();
Palette artPalette();
// The palette as a GIMP palette file.
std::string artPaletteText();

// A scenery prop of the spritesheet: first sprite number and size in 8 x 8 tiles.
struct PropSprite {
  const char* name;
  int spr, w, h;
};
const std::vector<PropSprite>& propSprites();
// Sprites the game draws by fixed number: snow tree tiers and fog puffs (2 x 2 tiles each).
inline constexpr int snowTreeBase = 88, snowTreeTier = 90, snowTreeSnow = 120;
inline constexpr int fogDense = 54, fogMedium = 86, fogFaint = 118;

// 128 x 128 indexed sheet, 8 x 8 tiles; pixel row 32 holds the team colours.
SurfacePtr artSpritesheet();

// RGBA font images in the marker-column format, glyphs in the order of fontChars and
// font5x5Chars.
SurfacePtr artFont();
SurfacePtr artFont5x5();

}  // namespace dx
