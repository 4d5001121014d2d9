#include "gen_backgrounds/backgrounds.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>

#include "framework/errors.h"

namespace dx {

namespace {

// ---- deterministic noise: the art must come out the same on every run ----

uint32_t mix(uint32_t h) {
  h ^= h >> 16;
  h *= 0x7feb352dU;
  h ^= h >> 15;
  h *= 0x846ca68bU;
  h ^= h >> 16;
  return h;
}

float hash01(int x, int y, uint32_t salt) {
  return float(mix(uint32_t(x) * 0x9E3779B1U ^ mix(uint32_t(y) + salt * 0x85EBCA77U)) >> 8) / float(1 << 24);
}

float smooth(float t) { return t * t * (3.0f - 2.0f * t); }

// Smoothly varying values in [0, 1) with features about `cell` tiles apart.
float valueNoise(float x, float y, float cell, uint32_t salt) {
  const float fx = x / cell, fy = y / cell;
  const int ix = int(std::floor(fx)), iy = int(std::floor(fy));
  const float tx = smooth(fx - float(ix)), ty = smooth(fy - float(iy));
  const float a = hash01(ix, iy, salt), b = hash01(ix + 1, iy, salt);
  const float c = hash01(ix, iy + 1, salt), d = hash01(ix + 1, iy + 1, salt);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// ---- tiles ----

using Colors = std::vector<uint8_t>;

class Tile {
 public:
  Tile(Surface& s, int index, uint32_t salt)
      : s_(s),
        ox_(index % kTilesetColumns * 8),
        oy_(index / kTilesetColumns * 8),
        salt_(salt + uint32_t(index) * 131u) {}

  void px(int x, int y, uint8_t c) {
    if (x >= 0 && x < 8 && y >= 0 && y < 8) set(s_, ox_ + x, oy_ + y, c);
  }
  float rnd(int x, int y, uint32_t k = 0) const { return hash01(x, y, salt_ + k); }
  void fill(uint8_t c) {
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) px(x, y, c);
  }
  // Each pixel takes one of `colors` with probability `density`.
  void speckle(const Colors& colors, float density, uint32_t k = 1) {
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        if (rnd(x, y, k) < density) px(x, y, colors[size_t(rnd(x, y, k + 7) * float(colors.size())) % colors.size()]);
  }
  void disc(float cx, float cy, float r, uint8_t c) {
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        if ((float(x) + 0.5f - cx) * (float(x) + 0.5f - cx) + (float(y) + 0.5f - cy) * (float(y) + 0.5f - cy) <= r * r)
          px(x, y, c);
  }
  void hline(int y, int x0, int x1, uint8_t c) {
    for (int x = x0; x <= x1; ++x) px(x, y, c);
  }
  void vline(int x, int y0, int y1, uint8_t c) {
    for (int y = y0; y <= y1; ++y) px(x, y, c);
  }

 private:
  Surface& s_;
  int ox_, oy_;
  uint32_t salt_;
};

class Palette8 {
 public:
  explicit Palette8(const Ramps& r) : ramps_(r) {}
  uint8_t operator()(const std::string& ramp, size_t i) const {
    const auto it = ramps_.find(ramp);
    if (it == ramps_.end() || i >= it->second.size())
      throw FormatError("the palette has no colour " + std::to_string(i) + " in ramp \"" + ramp + "\"");
    return it->second[i];
  }

 private:
  const Ramps& ramps_;
};

void cityTile(Tile& t, int i, const Palette8& c) {
  const uint8_t road = c("asphalt", 1);
  switch (i) {
    case 0: t.fill(road), t.speckle({c("asphalt", 0), c("asphalt", 2)}, 0.12f); break;
    case 1: t.fill(road), t.speckle({c("asphalt", 0), c("asphalt", 2), c("asphalt", 3)}, 0.3f); break;
    case 2: t.fill(road), t.hline(3, 1, 5, c("grey", 6)), t.hline(4, 1, 5, c("grey", 5)); break;
    case 3: t.fill(road), t.vline(3, 1, 5, c("grey", 6)), t.vline(4, 1, 5, c("grey", 5)); break;
    case 4:
      t.fill(c("grey", 2));
      for (int k = 0; k < 8; k += 4) t.hline(k, 0, 7, c("grey", 1)), t.vline(k, 0, 7, c("grey", 1));
      break;
    case 5:
      t.fill(c("grey", 2)), t.hline(4, 0, 7, c("grey", 5)), t.hline(5, 0, 7, c("grey", 3));
      for (int y = 6; y < 8; ++y) t.hline(y, 0, 7, road);
      break;
    case 6: t.fill(c("grey", 1)), t.speckle({c("grey", 0), c("grey", 2)}, 0.15f); break;
    case 7:
      t.fill(c("asphalt", 2));
      for (int y = 1; y < 8; y += 3)
        for (int x = 1; x < 8; x += 3) {
          const uint8_t w = t.rnd(x, y, 3) < 0.35f  ? c("asphalt", 0)
                            : t.rnd(x, y, 4) < 0.5f ? c("glow", 1)
                                                    : c("glow", 2);
          t.px(x, y, w), t.px(x + 1, y, w), t.px(x, y + 1, w), t.px(x + 1, y + 1, w);
        }
      break;
    case 8: t.fill(c("grey", 1)), t.disc(4, 4, 2.6f, c("grey", 3)), t.disc(4, 4, 1.2f, c("grey", 0)); break;
    case 9: t.fill(c("leaf", 1)), t.speckle({c("leaf", 0), c("leaf", 2)}, 0.3f); break;
    case 10:
      t.fill(c("leaf", 1)), t.disc(4, 4, 3.8f, c("leaf", 2)), t.disc(3.4f, 3.4f, 2.4f, c("leaf", 3)),
          t.px(3, 3, c("leaf", 4));
      break;
    case 11:
      t.fill(c("water", 1));
      for (int y = 1; y < 8; y += 3) t.hline(y, int(t.rnd(0, y) * 4), int(t.rnd(0, y) * 4) + 2, c("water", 2));
      break;
    case 12:
      t.fill(c("asphalt", 0)), t.hline(2, 0, 7, c("glow", 0)), t.hline(3, 0, 7, c("glow", 3)),
          t.hline(4, 0, 7, c("glow", 0));
      break;
    case 13:
      t.fill(road);
      for (int x = 0; x < 8; x += 3) t.vline(x, 0, 7, c("grey", 7)), t.vline(x + 1, 0, 7, c("grey", 6));
      break;
    case 14: t.fill(road), t.speckle({c("asphalt", 2)}, 0.1f), t.vline(0, 0, 7, c("grey", 5)); break;
    default:
      t.fill(road), t.disc(4, 4, 3.0f, c("grey", 3)), t.disc(4, 4, 2.0f, c("grey", 2)), t.hline(4, 2, 5, c("grey", 1));
      break;
  }
}

void desertTile(Tile& t, int i, const Palette8& c) {
  const uint8_t sand = c("sand", 3);
  switch (i) {
    case 0: t.fill(sand), t.speckle({c("sand", 2), c("sand", 4)}, 0.2f); break;
    case 1:
      t.fill(sand);
      for (int k = -8; k < 8; k += 3)
        for (int x = 0; x < 8; ++x) t.px(x, x / 2 + k, c("sand", 2));
      break;
    case 2: t.fill(c("sand", 2)), t.speckle({c("sand", 1), c("sand", 3)}, 0.2f); break;
    case 3:
      for (int y = 0; y < 8; ++y) t.hline(y, 0, 7, c("sand", size_t(3 - y / 3)));
      break;
    case 4: t.fill(sand), t.speckle({c("rock", 3), c("rock", 4), c("rock", 2)}, 0.14f); break;
    case 5: t.fill(sand), t.disc(4, 5, 2.6f, c("rock", 2)), t.disc(3.6f, 4.4f, 1.8f, c("rock", 4)); break;
    case 6: t.fill(c("rock", 3)), t.speckle({c("rock", 2), c("rock", 4), c("rock", 5)}, 0.4f); break;
    case 7:
      t.fill(c("sand", 1));
      t.hline(2, 0, 4, c("sand", 0)), t.vline(4, 2, 6, c("sand", 0)), t.hline(6, 4, 7, c("sand", 0));
      break;
    case 8:
      t.fill(sand), t.disc(4, 4, 3.0f, c("cactus", 1)), t.disc(4, 4, 2.0f, c("cactus", 2)), t.px(3, 3, c("cactus", 3));
      break;
    case 9:
      t.fill(sand);
      for (int k = 0; k < 4; ++k)
        t.px(2 + k, 5 - k, c("bark", 2)), t.px(5 - k, 5 - k, c("bark", 1)), t.px(4, 6 - k, c("bark", 2));
      break;
    case 10: t.fill(sand), t.vline(2, 0, 7, c("sand", 1)), t.vline(5, 0, 7, c("sand", 1)); break;
    case 11: t.fill(c("sand", 4)), t.speckle({c("sand", 3), c("sand", 5)}, 0.2f); break;
    case 12: t.fill(c("water", 2)), t.speckle({c("water", 3), c("water", 4)}, 0.2f); break;
    case 13: t.fill(c("leaf", 3)), t.speckle({c("leaf", 2), c("leaf", 4), sand}, 0.35f); break;
    case 14:
      t.fill(sand);
      for (int y = 4; y < 8; ++y) t.hline(y, 0, 7, c("sand", 1));
      break;
    default: t.fill(sand), t.speckle({c("sand", 5)}, 0.12f); break;
  }
}

void snowTile(Tile& t, int i, const Palette8& c) {
  const uint8_t snow = c("snow", 4);
  switch (i) {
    case 0: t.fill(snow), t.speckle({c("snow", 3), c("snow", 5)}, 0.15f); break;
    case 1: t.fill(snow), t.speckle({c("snow", 5)}, 0.25f), t.speckle({c("base", 7)}, 0.05f, 9); break;
    case 2: t.fill(c("snow", 3)), t.speckle({c("snow", 2), c("snow", 4)}, 0.2f); break;
    case 3:
      t.fill(snow);
      for (int x = 0; x < 8; ++x) t.px(x, 3 + int(std::lround(std::sin(float(x)) * 1.2f)), c("snow", 3));
      break;
    case 4: t.fill(c("water", 4)), t.speckle({c("water", 5), c("snow", 5)}, 0.2f); break;
    case 5:
      t.fill(c("water", 4));
      for (int k = 0; k < 8; ++k) t.px(k, (k * 5) % 8, c("snow", 5)), t.px(k, 7 - k / 2, c("water", 5));
      break;
    case 6: t.fill(snow), t.disc(4, 5, 2.8f, c("rock", 2)), t.disc(4, 3.6f, 2.2f, c("snow", 5)); break;
    case 7:
      t.fill(snow), t.disc(4, 4, 3.6f, c("leaf", 1)), t.disc(4, 4, 2.2f, c("leaf", 2));
      t.px(2, 2, c("snow", 5)), t.px(5, 3, c("snow", 5)), t.px(3, 5, c("snow", 4));
      break;
    case 8:
      t.fill(snow);
      for (int y = 0; y < 8; y += 4) t.px(2, y, c("snow", 2)), t.px(5, y + 2, c("snow", 2));
      break;
    case 9: t.fill(c("snow", 2)), t.speckle({c("snow", 1), c("snow", 3)}, 0.2f); break;
    case 10: t.fill(c("water", 3)), t.speckle({c("water", 4)}, 0.2f); break;
    case 11: t.fill(snow), t.speckle({c("rock", 2), c("rock", 3)}, 0.12f); break;
    case 12:
      t.fill(snow);
      for (int k = 0; k < 6; ++k) t.px(1 + k, 6 - k, c("bark", 1)), t.px(3 + k / 2, 6 - k, c("bark", 0));
      break;
    case 13: t.fill(snow), t.disc(4, 5, 3.0f, c("leaf", 0)), t.disc(4, 4, 2.6f, c("snow", 5)); break;
    case 14: t.fill(snow), t.vline(2, 0, 7, c("snow", 2)), t.vline(5, 0, 7, c("snow", 2)); break;
    default:
      for (int y = 0; y < 8; ++y) t.hline(y, 0, 7, c("snow", size_t(1 + y / 3)));
      break;
  }
}

void forestTile(Tile& t, int i, const Palette8& c) {
  const uint8_t grass = c("leaf", 2);
  switch (i) {
    case 0: t.fill(grass), t.speckle({c("leaf", 1), c("leaf", 3)}, 0.25f); break;
    case 1: t.fill(c("leaf", 3)), t.speckle({c("leaf", 2), c("leaf", 4)}, 0.25f); break;
    case 2: t.fill(c("leaf", 1)), t.speckle({c("leaf", 0), c("leaf", 2)}, 0.25f); break;
    case 3:
      t.fill(c("leaf", 3)), t.disc(3, 3, 2.5f, c("leaf", 4)), t.disc(6, 6, 2.0f, c("leaf", 4)),
          t.px(2, 2, c("leaf", 5));
      break;
    case 4: t.fill(c("leaf", 1)), t.disc(4, 4, 3.4f, c("leaf", 3)), t.speckle({c("leaf", 4)}, 0.1f); break;
    case 5:
      t.fill(grass), t.disc(4, 4, 2.8f, c("bark", 2)), t.disc(4, 4, 1.8f, c("bark", 3)), t.px(4, 4, c("bark", 1));
      break;
    case 6: t.fill(c("bark", 2)), t.speckle({c("sand", 1), c("bark", 1)}, 0.3f); break;
    case 7:
      t.fill(c("bark", 2)), t.speckle({c("sand", 1)}, 0.2f);
      for (int y = 0; y < 3; ++y) t.hline(y, 0, 7, grass);
      break;
    case 8: t.fill(grass), t.speckle({c("base", 14), c("glow", 2), c("base", 7)}, 0.12f); break;
    case 9: t.fill(grass), t.disc(4, 4.5f, 3.0f, c("rock", 3)), t.disc(3.5f, 3.5f, 1.6f, c("rock", 4)); break;
    case 10:
      t.fill(c("water", 2));
      for (int y = 1; y < 8; y += 3) t.hline(y, int(t.rnd(1, y) * 4), int(t.rnd(1, y) * 4) + 2, c("water", 4));
      break;
    case 11:
      t.fill(c("water", 2));
      for (int y = 0; y < 3; ++y) t.hline(y, 0, 7, c("sand", 1));
      break;
    case 12: t.fill(c("cactus", 1)), t.speckle({c("cactus", 0), c("cactus", 2)}, 0.3f); break;
    case 13: t.fill(grass), t.speckle({c("bark", 3), c("glow", 0), c("sand", 2)}, 0.3f); break;
    case 14:
      t.fill(grass), t.disc(2.5f, 3, 1.3f, c("base", 8)), t.disc(5.5f, 5, 1.1f, c("base", 8)), t.px(2, 2, c("base", 7));
      break;
    default:
      t.fill(grass);
      for (int k = 0; k < 4; ++k)
        t.px(4 - k, 6 - k, c("leaf", 4)), t.px(4 + k, 6 - k, c("leaf", 4)), t.px(4, 7 - k, c("leaf", 3));
      break;
  }
}

// ---- maps ----

using Grid = std::vector<uint8_t>;
constexpr int N = kBackgroundSide;

// A style's map, each tile chosen by `tileAt` from its position.
Grid mapOf(uint8_t (*tileAt)(int x, int y)) {
  Grid g(N * N);
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x) g[size_t(y * N + x)] = tileAt(x, y);
  return g;
}

uint8_t cityMapTile(int x, int y) {
  const int lx = x % 8, ly = y % 8, bx = x / 8, by = y / 8;
  const bool streetX = lx < 2, streetY = ly < 2;
  uint8_t t;
  if (streetX && streetY)
    t = hash01(x, y, 1) < 0.1f ? 15 : 0;
  else if (streetY)
    t = lx == 2 ? 13 : ly == 1 && x % 2 == 0 ? 2 : hash01(x, y, 2) < 0.3f ? 1 : 0;
  else if (streetX)
    t = ly == 2 ? 13 : lx == 1 && y % 2 == 0 ? 3 : hash01(x, y, 3) < 0.3f ? 1 : 0;
  else if (lx == 2 || lx == 7 || ly == 2 || ly == 7)
    t = ly == 7 ? 5 : 4;
  else {
    const float kind = hash01(bx, by, 4);
    if (kind < 0.15f)
      t = hash01(x, y, 5) < 0.4f ? 10 : 9;
    else if (kind < 0.22f)
      t = 11;
    else if (kind < 0.32f)
      t = 14;
    else
      t = ly == 3 && hash01(bx, by, 6) < 0.5f ? 12 : hash01(x, y, 7) < 0.45f ? 7 : hash01(x, y, 8) < 0.15f ? 8 : 6;
  }
  return t;
}

uint8_t desertMapTile(int x, int y) {
  const float h = valueNoise(float(x), float(y), 9, 11), rocks = valueNoise(float(x), float(y), 6, 12);
  const float r = hash01(x, y, 13);
  const float track = std::fabs(float(x) - 24.0f - 8.0f * std::sin(float(y) * 0.15f));
  const float oasis = std::hypot(float(x) - 36.0f, float(y) - 12.0f);
  uint8_t t;
  if (oasis < 3.0f)
    t = 12;
  else if (oasis < 4.5f)
    t = 13;
  else if (rocks > 0.78f)
    t = rocks > 0.86f ? 6 : 5;
  else if (rocks > 0.72f)
    t = 14;
  else if (track < 0.8f)
    t = 10;
  else if (r < 0.02f)
    t = 8;
  else if (r < 0.04f)
    t = 9;
  else if (r < 0.07f)
    t = 4;
  else if (h < 0.3f)
    t = h < 0.2f ? 3 : 2;
  else if (h > 0.7f)
    t = r < 0.5f ? 11 : 15;
  else
    t = (int(h * 40.0f) % 3 == 0) ? 1 : r < 0.15f ? 7 : 0;
  return t;
}

uint8_t snowMapTile(int x, int y) {
  const float h = valueNoise(float(x), float(y), 8, 21), woods = valueNoise(float(x), float(y), 7, 22);
  const float r = hash01(x, y, 23);
  const float lake = std::hypot((float(x) - 14.0f) * 0.8f, float(y) - 32.0f);
  const float sled = std::fabs(float(y) - 20.0f - 6.0f * std::sin(float(x) * 0.2f));
  uint8_t t;
  if (lake < 5.0f)
    t = lake < 2.5f ? 10 : r < 0.3f ? 5 : 4;
  else if (woods > 0.7f)
    t = r < 0.55f ? 7 : r < 0.7f ? 15 : 13;
  else if (sled < 0.8f)
    t = 14;
  else if (r < 0.02f)
    t = 6;
  else if (r < 0.05f)
    t = 12;
  else if (r < 0.08f)
    t = 11;
  else if (r < 0.1f)
    t = 8;
  else if (h < 0.3f)
    t = h < 0.18f ? 9 : 2;
  else
    t = h > 0.7f ? 1 : (int(h * 30.0f) % 4 == 0) ? 3 : 0;
  return t;
}

uint8_t forestMapTile(int x, int y) {
  const float h = valueNoise(float(x), float(y), 7, 31), canopy = valueNoise(float(x), float(y), 6, 32);
  const float r = hash01(x, y, 33);
  const float stream = std::fabs(float(x) - 30.0f - 7.0f * std::sin(float(y) * 0.18f));
  const float path = std::fabs(float(y) - 10.0f - 5.0f * std::sin(float(x) * 0.12f));
  uint8_t t;
  if (stream < 1.0f)
    t = 10;
  else if (stream < 1.8f)
    t = 11;
  else if (path < 0.7f)
    t = 6;
  else if (path < 1.3f)
    t = 7;
  else if (canopy > 0.66f)
    t = canopy > 0.72f ? (r < 0.08f ? 5 : 3) : 4;
  else if (r < 0.03f)
    t = 8;
  else if (r < 0.05f)
    t = 9;
  else if (r < 0.07f)
    t = 14;
  else if (r < 0.1f)
    t = 15;
  else if (r < 0.13f)
    t = 13;
  else if (h < 0.3f)
    t = h < 0.2f ? 12 : 2;
  else
    t = h > 0.68f ? 1 : 0;
  return t;
}

}  // namespace

Ramps rampsFromGpl(const std::string& text) {
  Ramps ramps;
  std::istringstream in(text);
  std::string line;
  int index = 0;
  bool header = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!header) {
      header = line.rfind("GIMP Palette", 0) == 0;
      continue;
    }
    std::istringstream fields(line);
    int r, g, b;
    if (line.empty() || line[0] == '#' || !(fields >> r >> g >> b)) continue;
    std::string name;
    std::getline(fields >> std::ws, name);
    const size_t space = name.find_last_of(' ');
    const std::string ramp = index < 16 ? "base" : name.substr(0, space == std::string::npos ? 0 : space);
    if (index < 256) ramps[ramp].push_back(uint8_t(index));
    ++index;
  }
  return ramps;
}

const char* tilesetFile(Scene s) {
  switch (s) {
    case Scene::city: return "tileset-city-night.png";
    case Scene::desert: return "tileset-desert.png";
    case Scene::snow: return "tileset-snow.png";
    case Scene::forest: return "tileset-forest.png";
  }
  return "";
}

const char* tileMapFile(Scene s) {
  switch (s) {
    case Scene::city: return "maps/city.map";
    case Scene::desert: return "maps/desert.json";
    case Scene::snow: return "maps/snow.json";
    case Scene::forest: return "maps/forest.map";
  }
  return "";
}

SurfacePtr drawTileset(Scene s, const Ramps& ramps) {
  SurfacePtr sheet = newSurface(kTilesetColumns * 8, kTilesetRows * 8);
  sheet->tw = sheet->th = 8;
  const Palette8 colors(ramps);
  for (int i = 0; i < kTileCount; ++i) {
    Tile t(*sheet, i, 1000u + uint32_t(s) * 97u);
    switch (s) {
      case Scene::city: cityTile(t, i, colors); break;
      case Scene::desert: desertTile(t, i, colors); break;
      case Scene::snow: snowTile(t, i, colors); break;
      case Scene::forest: forestTile(t, i, colors); break;
    }
  }
  return sheet;
}

SurfacePtr composeStyleSheet(const Surface& spritesheet, const Surface& tiles) {
  const int rowsNeeded = (kFirstBackgroundTile + kTileCount + kSheetColumns - 1) / kSheetColumns;
  if (spritesheet.w != kSheetColumns * 8 || spritesheet.h < rowsNeeded * 8 || spritesheet.channels != 1)
    throw FormatError(
        "the spritesheet must be an indexed picture 128 pixels wide and tall enough for the "
        "background tiles");
  SurfacePtr sheet = newSurface(spritesheet.w, spritesheet.h);
  sheet->data = spritesheet.data;
  sheet->tw = sheet->th = 8;
  for (int i = 0; i < kTileCount; ++i) {
    const int sx = i % kTilesetColumns * 8, sy = i / kTilesetColumns * 8;
    const int tile = kFirstBackgroundTile + i;
    const int dx = tile % kSheetColumns * 8, dy = tile / kSheetColumns * 8;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) {
        if (get(*sheet, dx + x, dy + y) != 0) throw FormatError("the spritesheet's background rows are not free");
        set(*sheet, dx + x, dy + y, get(tiles, sx + x, sy + y));
      }
  }
  return sheet;
}

std::vector<uint8_t> tileMap(Scene s) {
  std::vector<uint8_t> tiles;
  switch (s) {
    case Scene::city: tiles = mapOf(cityMapTile); break;
    case Scene::desert: tiles = mapOf(desertMapTile); break;
    case Scene::snow: tiles = mapOf(snowMapTile); break;
    case Scene::forest: tiles = mapOf(forestMapTile); break;
  }
  for (uint8_t& t : tiles) t = uint8_t(kFirstBackgroundTile + t);
  return tiles;
}

std::string encodeBinaryTileMap(const std::vector<uint8_t>& tiles, int w, int h) {
  std::string out;
  for (int v : {w, h})
    for (int k = 0; k < 4; ++k) out.push_back(char(uint32_t(v) >> (8 * k)));
  out.append(tiles.begin(), tiles.end());
  return out;
}

std::string encodeTiledJson(const std::vector<uint8_t>& tiles, int w, int h, const std::string& tilesetImage) {
  nlohmann::ordered_json data = nlohmann::ordered_json::array();
  for (uint8_t t : tiles) data.push_back(int(t) + 1);
  nlohmann::ordered_json layer = {{"name", "background"}, {"type", "tilelayer"}, {"x", 0},       {"y", 0},
                                  {"width", w},           {"height", h},         {"opacity", 1}, {"visible", true},
                                  {"data", data}};
  nlohmann::ordered_json doc = {{"type", "map"},
                                {"orientation", "orthogonal"},
                                {"renderorder", "right-down"},
                                {"width", w},
                                {"height", h},
                                {"tilewidth", 8},
                                {"tileheight", 8},
                                {"infinite", false},
                                {"layers", nlohmann::ordered_json::array({layer})}};
  doc["tilesets"] = nlohmann::ordered_json::array({{{"firstgid", 1},
                                                    {"name", "tiles"},
                                                    {"image", tilesetImage},
                                                    {"imagewidth", kSheetColumns * 8},
                                                    {"imageheight", kSheetColumns * 8},
                                                    {"tilewidth", 8},
                                                    {"tileheight", 8},
                                                    {"tilecount", kSheetColumns * kSheetColumns},
                                                    {"columns", kSheetColumns}}});
  return doc.dump() + "\n";
}

}  // namespace dx
