#pragma once
// The background tile maps and 8 x 8-pixel tilesets of the track styles, drawn in code from the
// named colour ramps of the game palette so that they follow any change of its layout.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "framework/canvas.h"

namespace dx {

// Palette indices by ramp name ("sand" -> the indices of "sand 0", "sand 1", ... in order),
// read from the text of a GIMP palette; the first 16 entries are ramp "base".
using Ramps = std::map<std::string, std::vector<uint8_t>>;
Ramps rampsFromGpl(const std::string& gplText);

enum class Scene { city, desert, snow, forest };
constexpr Scene kScenes[] = {Scene::city, Scene::desert, Scene::snow, Scene::forest};

constexpr int kTilesetColumns = 8, kTilesetRows = 2;
constexpr int kTileCount = kTilesetColumns * kTilesetRows;
constexpr int kBackgroundSide = 48;  // tiles

// File names below the assets folder.
const char* tilesetFile(Scene s);
const char* tileMapFile(Scene s);

// 64 x 16 indexed picture of the style's 16 background tiles. Raises FormatError when a ramp it
// needs is missing.
SurfacePtr drawTileset(Scene s, const Ramps& ramps);

// The style's sheet as the game loads it into spritesheet slot 2: the scenery is drawn from that
// slot, so the sheet is a copy of the main spritesheet (every prop and tree at its sprite number)
// with the background tiles in its free rows, from tile kFirstBackgroundTile on.
constexpr int kSheetColumns = 16;
constexpr int kFirstBackgroundTile = 144;
SurfacePtr composeStyleSheet(const Surface& spritesheet, const Surface& backgroundTiles);

// 48 x 48 tiles of the style sheet, row-major: kFirstBackgroundTile + a background tile.
std::vector<uint8_t> tileMap(Scene s);

// The file bytes: the binary layout (little-endian width and height, then the tiles) or a
// Tiled JSON document whose first layer holds tile + 1 (the tileset image path is for the editor).
std::string encodeBinaryTileMap(const std::vector<uint8_t>& tiles, int w, int h);
std::string encodeTiledJson(const std::vector<uint8_t>& tiles, int w, int h, const std::string& tilesetImage);

}  // namespace dx
