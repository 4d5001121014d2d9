// Writes the game's palette, spritesheet and fonts into the assets folder given as argument.
#include <cstdio>
#include <exception>

#include "art.h"
#include "framework/file_io.h"
#include "framework/png_io.h"
#include "framework/run_loop.h"

int main(int argc, char** argv) {
  using namespace dx;
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_art <assets folder>\n");
    return 2;
  }
  try {
    const std::string dir = argv[1];
    writeFileAtomically(joinPath(dir, "palette.gpl"), artPaletteText());
    writePngIndexed(joinPath(dir, "spritesheet.png"), *artSpritesheet(), artPalette());
    writePngRGBA(joinPath(dir, "font.png"), *artFont());
    writePngRGBA(joinPath(dir, "font5x5.png"), *artFont5x5());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gen_art: %s\n", e.what());
    return 1;
  }
  return 0;
}
