#pragma once
// The human-readable track description (JSON) and its translation into a map source: sections
// with names for kinds and flags, widths carried over from section to section, Bézier handles
// worked out from the heading, a closing section fitted to return to the start, placements by
// node or along the racing line, and rows of scenery beside the road.
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "map/map_source.h"
#include "map/track.h"
#include "map/track_checks.h"

namespace dx {

struct CompileOptions {
  // The folder holding assets/items-<style>.json, for scenery kinds given by name.
  std::string assetRoot = ".";
};

// The named section flags, in bit order; other bits may be given as numbers.
uint16_t flagBitByName(const std::string& name);  // 0 for an unknown name
const char* flagName(uint16_t bit);               // nullptr for a bit without a name

MapStyle styleByName(const std::string& name, const std::string& where);

// Builds the source described by doc. `path` names the file in every error (FormatError).
MapSource compileTrackDescription(const nlohmann::ordered_json& doc, const std::string& path,
                                  const CompileOptions& options = {});
MapSource compileTrackFile(const std::string& path, const CompileOptions& options = {});

// A description that compiles back to the same source (every value written out explicitly).
nlohmann::ordered_json describeMapSource(const MapSource& src);

// The track built from a source, with its racing line. A source without nodes is a FormatError
// naming `path`.
MapPtr buildTrack(const MapSource& src, const std::string& path);

}  // namespace dx
