#include "map/item_types.h"

#include <nlohmann/json.hpp>

#include "framework/canvas.h"
#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/log.h"
#include "framework/run_loop.h"
#include "framework/spritesheet.h"
#include "framework/tilemap.h"
#include "render3d/model.h"
#include "render3d/rasterizer.h"

namespace dx {

namespace {

ItemTypesState gItems;

using json = nlohmann::ordered_json;

[[noreturn]] void bad(const std::string& path, const std::string& what) { throw FormatError(path + ": " + what); }

int64_t integerMember(const json& e, const char* key, const std::string& path, size_t i) {
  const json& v = e.at(key);
  if (!v.is_number_integer()) bad(path, "item " + std::to_string(i) + ": \"" + key + "\" must be an integer");
  return v.get<int64_t>();
}

MapObjectDescription parseItem(const json& e, const std::string& path, size_t i) {
  if (!e.is_object()) bad(path, "item " + std::to_string(i) + " is not an object");
  for (const char* key : {"name", "spr"})
    if (!e.contains(key)) bad(path, "item " + std::to_string(i) + " has no \"" + key + "\"");
  MapObjectDescription d;
  if (!e["name"].is_string()) bad(path, "item " + std::to_string(i) + ": \"name\" must be a string");
  d.name = e["name"].get<std::string>();
  d.spr = integerMember(e, "spr", path, i);
  if (e.contains("w")) d.w = integerMember(e, "w", path, i);
  if (e.contains("h")) d.h = integerMember(e, "h", path, i);
  if (e.contains("flash")) {
    const json& f = e["flash"];
    if (!f.is_array()) bad(path, "item " + std::to_string(i) + ": \"flash\" must be an array");
    if (f.size() > 3) bad(path, "item " + std::to_string(i) + ": \"flash\" has more than three values");
    for (size_t k = 0; k < f.size(); ++k) {
      if (!f[k].is_number_integer()) bad(path, "item " + std::to_string(i) + ": \"flash\" values must be integers");
      d.flash[k] = f[k].get<int64_t>();
    }
  }
  return d;
}

}  // namespace

ItemTypesState& itemTypes() { return gItems; }
void resetItemTypes() { gItems = ItemTypesState{}; }

const char* itemFileForStyle(MapStyle style) {
  switch (style) {
    case CityNight:
    case CityDay: return "assets/items-city.json";
    case Desert: return "assets/items-desert.json";
    case Snow: return "assets/items-snow.json";
    case Forest: return "assets/items-forest.json";
    case Sea: return "assets/items-sea.json";
  }
  return "assets/items-city.json";
}

std::vector<MapObjectDescription> parseItemTypes(std::string_view text, const std::string& path) {
  const json root = parseJson(text, path);
  if (!root.is_object() || !root.contains("items") || !root["items"].is_array())
    bad(path, "the root must be an object with an \"items\" array");
  std::vector<MapObjectDescription> out;
  const json& items = root["items"];
  for (size_t i = 0; i < items.size(); ++i) out.push_back(parseItem(items[i], path, i));
  return out;
}

void loadItemTypes(const Map& map) {
  const std::string path = joinPath(basePath(), itemFileForStyle(map.style));
  gItems.mapObjectDescriptions.clear();
  std::string text;
  try {
    text = readTextFile(path, readCap::json);
  } catch (const NotFoundError&) {
    return;  // no item file: the scenery is simply not shown
  } catch (const IOError& e) {
    echo(e.what(), "; the scenery is not shown");
    return;
  }
  gItems.mapObjectDescriptions = parseItemTypes(text, path);
}

void init(Map& map) {
  struct Background {
    const char* tilemap;
    const char* tileset;
  };
  static const Background backgrounds[6] = {
      {"maps/city.map", "tileset-city-night.png"}, {"maps/city.map", "tileset-city-night.png"},
      {"maps/desert.json", "tileset-desert.png"},  {"maps/snow.json", "tileset-snow.png"},
      {"maps/forest.map", "tileset-forest.png"},   {nullptr, nullptr},
  };
  const Background& bg = backgrounds[map.style <= Sea ? map.style : 0];
  if (bg.tilemap) {
    loadTilemap(0, bg.tilemap);
    setMap(0);
    loadSpriteSheet(2, bg.tileset, 8, 8);
    setSpritesheet(2);
  }
  newDepthBuffer();
  loadObj("hex.obj", gItems.hexModel);
}

}  // namespace dx
