#pragma once
// Background tile maps, from the Tiled editor's JSON format or a small binary format, kept in
// 16 slots. (The game's track loader is also called loadMap, so this loader is loadTilemap.)
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dx {

struct Tilemap {
  std::vector<uint8_t> data;  // one tile per byte, row-major, w * h of them
  int w = 0, h = 0;           // in tiles
  bool hex = false;
  int hexOffset = 0;
  int tw = 0, th = 0;  // tile size in pixels
};
using TilemapPtr = std::shared_ptr<Tilemap>;

struct TilemapState {
  std::array<TilemapPtr, 16> tilemaps{};
  TilemapPtr currentTilemap;
};

TilemapState& tilemapState();
void resetTilemapState();

// Loads the asset file into slot index (0..15): a name ending in ".json" is a Tiled map (its
// first layer's cells stored as value - 1, so an empty cell becomes 255), anything else the
// binary form (little-endian 32-bit width and height, then one byte per tile, 8 x 8 pixel
// tiles). Raises IndexError for a bad slot, IOError "Unable to open <path> for reading" for a
// binary map that cannot be opened, and FormatError naming the file for missing keys, short
// data or a truncated file.
void loadTilemap(int64_t index, const std::string& filename);
// The tile map in the bytes of a file, in the form its name ending in ".json" or not chooses;
// `name` stands for the file in errors.
Tilemap parseTilemap(std::string_view bytes, const std::string& name);
// Selects slot index (0..15) as the current tile map.
void setMap(int64_t index);

}  // namespace dx
