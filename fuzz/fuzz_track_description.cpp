// Track descriptions for the track compiler, then the file bytes of what compiled. Scenery by
// name reads the item files of the source tree. Descriptions of more than twelve sections are
// skipped: the closing fit rebuilds the whole track a few hundred times, and a long track only
// makes each input slower without reaching other code.
#include "framework/file_io.h"
#include "fuzz_support.h"
#include "track_compiler/track_description.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Building a track reads its style's item file relative to the working directory.
  std::filesystem::current_path(DX_SOURCE_DIR);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dx::CompileOptions options;
  options.assetRoot = DX_SOURCE_DIR;
  dx::fuzz::guarded([&] {
    const nlohmann::ordered_json doc = dx::parseJson(dx::fuzz::asText(data, size), "track.json");
    if (doc.is_object() && doc.contains("sections") && doc["sections"].is_array() && doc["sections"].size() > 12)
      return;
    dx::encodeMapSource(dx::compileTrackDescription(doc, "track.json", options));
  });
  return 0;
}
