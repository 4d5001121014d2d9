// Key-map strings as they come out of the configuration.
#include "framework/input.h"
#include "fuzz_support.h"
#include "platform/input_events.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dx::fuzz::guarded([&] {
    dx::resetInput();
    dx::installKeyNames();  // the platform's key names, as at start-up
    dx::setKeyMap(dx::fuzz::asText(data, size));
  });
  return 0;
}
