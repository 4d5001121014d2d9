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
  dx::fuzz::guarded([&] { dx::fromSource(dx::parseMapSource(dx::fuzz::asText(data, size), "track.map")); });
  return 0;
}
