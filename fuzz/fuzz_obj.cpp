// Wavefront OBJ models.
#include "fuzz_support.h"
#include "render3d/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dx::Model model;
  dx::fuzz::guarded([&] { dx::parseObj(dx::fuzz::asText(data, size), "model.obj", model); });
  return 0;
}
