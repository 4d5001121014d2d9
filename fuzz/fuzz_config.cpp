// "config.ini", followed by what the program does with it: the key map from section "Input".
#include "framework/config.h"
#include "framework/input.h"
#include "fuzz_support.h"
#include "platform/input_events.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dx::fuzz::guarded([&] {
    dx::resetConfig();
    dx::configState().config = dx::parseConfig(dx::fuzz::asText(data, size), "config.ini");
    dx::resetInput();
    dx::installKeyNames();  // the platform's key names, as at start-up
    dx::setKeyMap(dx::getConfigValue("Input", "keymap", ""));
  });
  return 0;
}
