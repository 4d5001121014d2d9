// The component catalogue and a car description: byte 0 chooses (even: catalogue, odd: car
// description), the rest is the file. Component models are looked up in an asset folder that
// holds an empty "components" folder, so every model is reported missing.
#include "car/car.h"
#include "framework/run_loop.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  dx::loopState().assetPath = dx::fuzz::scratchDir().string();
  std::filesystem::create_directories(dx::fuzz::scratchDir() / "components");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string_view text = dx::fuzz::asText(data + 1, size - 1);
  if (data[0] % 2 == 0) {
    dx::fuzz::guarded([&] { dx::useCarCatalogue(dx::parseCarCatalogue(text, "car.json")); });
  } else {
    dx::CarSettings settings;
    dx::fuzz::guarded([&] { dx::parseCarSettings(text, "car.json", settings); });
  }
  return 0;
}
