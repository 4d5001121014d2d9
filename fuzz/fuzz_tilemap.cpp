// Tile maps: byte 0 chooses the form by file name (even: Tiled JSON, odd: binary), the rest
// is the file.
#include "framework/tilemap.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string name = data[0] % 2 == 0 ? "tiles.json" : "tiles.map";
  dx::fuzz::guarded([&] { dx::parseTilemap(dx::fuzz::asText(data + 1, size - 1), name); });
  return 0;
}
