// Track files: the three layouts with their fall-back, then the track built from what was read.
#include "fuzz_support.h"
#include "map/map_source.h"
#include "map/track.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Building a track reads its style's item file relative to the working directory.
  std::filesystem::current_path(DX_SOURCE_DIR);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = dx::fuzz::writeInput(data, size, "track.map");
  dx::fuzz::guarded([&] { dx::fromSource(dx::loadMapSourceFile(path)); });
  return 0;
}
