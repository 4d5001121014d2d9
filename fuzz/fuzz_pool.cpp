// The saved gain pool ("ai.json").
#include "app/gain_pool.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(dx::fuzz::asText(data, size));
  dx::fuzz::guarded([&] { dx::parsePool(text, "ai.json", 3); });
  return 0;
}
