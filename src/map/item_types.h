#pragma once
// What the scenery kinds of a track style mean (sprite, size, flashing), and the style's
// background resources.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "map/track.h"
#include "render3d/model.h"

namespace dx {

struct MapObjectDescription {
  std::string name;
  int64_t spr = 0;
  int64_t w = 1, h = 1;
  std::array<int64_t, 3> flash{};  // colour flash[0] shown as flash[1] for half of every flash[2] frames
};

struct ItemTypesState {
  std::vector<MapObjectDescription> mapObjectDescriptions;
  Model hexModel;
};

ItemTypesState& itemTypes();
void resetItemTypes();

const char* itemFileForStyle(MapStyle style);
// Replaces the table with the style's item file. A missing file leaves it empty; a malformed
// one raises FormatError naming the file.
void loadItemTypes(const Map& map);
// Parses one item file's text; `path` names it in errors.
std::vector<MapObjectDescription> parseItemTypes(std::string_view text, const std::string& path);

// The style's background tile map and tileset, the depth buffer and the hexagon model.
void init(Map& map);

}  // namespace dx
