// Wavefront OBJ models.
#include "fuzz_support.h"
#include "render3d/model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = dx::fuzz::writeInput(data, size, "model.obj");
  dx::Model model;
  dx::fuzz::guarded([&] { dx::loadObjFile(path, model); });
  return 0;
}
