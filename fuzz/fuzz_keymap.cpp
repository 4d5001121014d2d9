// Key-map strings as they come out of the configuration.
#include "framework/input.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dx::fuzz::guarded([&] {
    dx::resetInput();
    dx::setKeyMap(dx::fuzz::asText(data, size));
  });
  return 0;
}
