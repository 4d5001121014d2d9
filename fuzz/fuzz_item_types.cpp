// Item type files ("assets/items-<style>.json").
#include "fuzz_support.h"
#include "map/item_types.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(dx::fuzz::asText(data, size));
  dx::fuzz::guarded([&] { dx::parseItemTypes(text, "items.json"); });
  return 0;
}
