// GIMP palette files, read from the asset folder as the program reads "palette.gpl".
#include "framework/palette.h"
#include "framework/run_loop.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  dx::loopState().assetPath = dx::fuzz::scratchDir().string();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dx::fuzz::writeInput(data, size, "palette.gpl");
  dx::fuzz::guarded([] { dx::loadPaletteFromGPL("palette.gpl"); });
  return 0;
}
