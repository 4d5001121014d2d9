// Writes the background tilesets and tile maps of the track styles into the assets folder given
// as argument, in the colours of its palette.gpl.
#include <filesystem>
#include <string>

#include "assets_folder_main.h"
#include "framework/file_io.h"
#include "framework/palette.h"
#include "framework/png_io.h"
#include "framework/run_loop.h"
#include "gen_backgrounds/backgrounds.h"

int main(int argc, char** argv) {
  using namespace dx;
  return runOnAssetsFolder(argc, argv, "gen_backgrounds", [](const std::string& dir) {
    const std::string gplPath = joinPath(dir, "palette.gpl");
    const std::string gpl = readTextFile(gplPath, readCap::text);
    const Ramps ramps = rampsFromGpl(gpl);
    const Palette palette = parsePaletteGPL(gpl, gplPath);
    std::filesystem::create_directories(joinPath(dir, "maps"));
    const SurfacePtr sprites = loadSurfaceIndexed(joinPath(dir, "spritesheet.png"));
    for (Scene s : kScenes) {
      writePngIndexed(joinPath(dir, tilesetFile(s)), *composeStyleSheet(*sprites, *drawTileset(s, ramps)), palette);
      const std::string mapFile = tileMapFile(s);
      const std::vector<uint8_t> tiles = tileMap(s);
      const bool json = mapFile.ends_with(".json");
      writeFileAtomically(joinPath(dir, mapFile), json ? encodeTiledJson(tiles, kBackgroundSide, kBackgroundSide,
                                                                         std::string("../") + tilesetFile(s))
                                                       : encodeBinaryTileMap(tiles, kBackgroundSide, kBackgroundSide));
    }
  });
}
