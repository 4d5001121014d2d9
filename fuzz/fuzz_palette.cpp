// GIMP palette files ("palette.gpl").
#include "framework/palette.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dx::fuzz::guarded([&] { dx::parsePaletteGPL(dx::fuzz::asText(data, size), "palette.gpl"); });
  return 0;
}
