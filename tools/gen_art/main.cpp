// Writes the game's palette, spritesheet and fonts into the assets folder given as argument.
#include "art.h"
#include "assets_folder_main.h"
#include "framework/file_io.h"
#include "framework/png_io.h"
#include "framework/run_loop.h"

int main(int argc, char** argv) {
  using namespace dx;
  return runOnAssetsFolder(argc, argv, "gen_art", [](const std::string& dir) {
    writeFileAtomically(joinPath(dir, "palette.gpl"), artPaletteText());
    writePngIndexed(joinPath(dir, "spritesheet.png"), *artSpritesheet(), artPalette());
    writePngRGBA(joinPath(dir, "font.png"), *artFont());
    writePngRGBA(joinPath(dir, "font5x5.png"), *artFont5x5());
  });
}
