#include "framework/tilemap.h"

#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/log.h"
#include "framework/run_loop.h"

namespace dx {

namespace {

TilemapState gMaps;

// Sizes beyond this are refused rather than allocated.
constexpr int64_t kMaxTiles = int64_t(1) << 26;

void checkSlot(int64_t index) {
  if (index < 0 || index > 15) throw IndexError("Invalid tile map slot " + std::to_string(index));
}

bool endsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void checkSize(const std::string& path, int64_t w, int64_t h) {
  if (w < 0 || h < 0 || w > kMaxTiles || h > kMaxTiles || w * h > kMaxTiles)
    throw FormatError(path + ": bad tile map size " + std::to_string(w) + " x " + std::to_string(h));
}

int64_t intKey(const nlohmann::ordered_json& j, const char* key, const std::string& path) {
  const auto it = j.find(key);
  if (it == j.end() || !it->is_number_integer())
    throw FormatError(path + ": tile map lacks the integer \"" + key + "\"");
  return it->get<int64_t>();
}

Tilemap parseJsonMap(std::string_view text, const std::string& path) {
  const nlohmann::ordered_json j = parseJson(text, path);
  if (!j.is_object()) throw FormatError(path + ": a tile map must be a JSON object");
  Tilemap m;
  const int64_t w = intKey(j, "width", path), h = intKey(j, "height", path);
  checkSize(path, w, h);
  m.w = int(w);
  m.h = int(h);
  m.tw = int(intKey(j, "tilewidth", path));
  m.th = int(intKey(j, "tileheight", path));
  const auto orientation = j.find("orientation");
  if (orientation == j.end() || !orientation->is_string())
    throw FormatError(path + ": tile map lacks the string \"orientation\"");
  if (*orientation == "hexagonal") {
    const int64_t side = intKey(j, "hexsidelength", path);
    if (side < INT32_MIN || side > INT32_MAX)
      throw FormatError(path + ": bad \"hexsidelength\" " + std::to_string(side));
    m.hex = true;
    m.hexOffset = int(side + (m.th - side) / 2);
  }
  const auto layers = j.find("layers");
  if (layers == j.end() || !layers->is_array() || layers->empty() || !(*layers)[0].is_object())
    throw FormatError(path + ": tile map lacks a first layer in \"layers\"");
  const auto data = (*layers)[0].find("data");
  if (data == (*layers)[0].end() || !data->is_array())
    throw FormatError(path + ": the first layer lacks its \"data\" array");
  if (int64_t(data->size()) < w * h)
    throw FormatError(path + ": the first layer holds " + std::to_string(data->size()) + " cells, not " +
                      std::to_string(w * h));
  m.data.resize(size_t(w * h));
  for (size_t i = 0; i < m.data.size(); ++i) {
    const auto& v = (*data)[i];
    if (!v.is_number_integer()) throw FormatError(path + ": tile " + std::to_string(i) + " is not an integer");
    // Tiled counts tiles from 1 and keeps 0 for an empty cell, which becomes 255.
    // The subtraction is unsigned: any 64-bit value keeps its low byte without overflowing.
    m.data[i] = uint8_t(uint64_t(v.get<int64_t>()) - 1u);
  }
  return m;
}

// The little-endian 32-bit integer at byte `at`.
int32_t le32(std::string_view s, size_t at) {
  const auto* p = reinterpret_cast<const uint8_t*>(s.data() + at);
  return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

Tilemap parseBinaryMap(std::string_view bytes, const std::string& path) {
  if (bytes.size() < 8) throw FormatError(path + ": tile map ends before its size");
  Tilemap m;
  const int64_t w = le32(bytes, 0), h = le32(bytes, 4);
  checkSize(path, w, h);
  if (int64_t(bytes.size()) - 8 < w * h)
    throw FormatError(path + ": tile map ends early: " + std::to_string(bytes.size() - 8) + " of " +
                      std::to_string(w * h) + " tiles");
  m.w = int(w);
  m.h = int(h);
  m.tw = m.th = 8;
  m.data.assign(bytes.begin() + 8, bytes.begin() + 8 + std::ptrdiff_t(w * h));
  debug("read ", m.data.size(), " tiles: ", m.w, " x", m.h);
  return m;
}

// A binary map that is not there says so in its own words.
std::string readTilemapFile(const std::string& path) {
  if (endsWith(path, ".json")) return readTextFile(path, readCap::tilemap);
  try {
    return readTextFile(path, readCap::tilemap);
  } catch (const NotFoundError&) {
    throw IOError("Unable to open " + path + " for reading");
  }
}

}  // namespace

TilemapState& tilemapState() { return gMaps; }

void resetTilemapState() { gMaps = TilemapState{}; }

Tilemap parseTilemap(std::string_view bytes, const std::string& name) {
  return endsWith(name, ".json") ? parseJsonMap(bytes, name) : parseBinaryMap(bytes, name);
}

void loadTilemap(int64_t index, const std::string& filename) {
  checkSlot(index);
  const std::string path = joinPath(assetPath(), filename);
  gMaps.tilemaps[index] = std::make_shared<Tilemap>(parseTilemap(readTilemapFile(path), path));
}

void setMap(int64_t index) {
  checkSlot(index);
  gMaps.currentTilemap = gMaps.tilemaps[index];
}

}  // namespace dx
