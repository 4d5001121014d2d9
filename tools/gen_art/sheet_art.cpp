#include <algorithm>
#include <cmath>
#include <map>
#include <stdexcept>

#include "art.h"

namespace dx {

namespace {

constexpr float kPi = 3.14159265f;

// Palette indices of the ramps (see palette_art.cpp), dark to light.
constexpr int kShadow = 1, kWhite = 7, kLightGrey = 6;
constexpr int kTeamGreen = teamRampFirst + 3 * 8;  // its body, shade and trim
constexpr int kGrey = 64, kLeaf = 72, kRock = 84, kSnow = 90, kWater = 96, kBark = 102, kCactus = 106, kGlow = 110;

using Legend = std::map<char, int>;

// Letters shared by the hand-drawn sprites; each sprite adds its own.
const Legend& commonLegend() {
  static const Legend l = {{'.', 0},          {'k', kShadow},   {'K', kGrey},     {'w', kWhite},
                           {'W', kLightGrey}, {'1', kGrey + 1}, {'2', kGrey + 2}, {'3', kGrey + 3},
                           {'4', kGrey + 4},  {'5', kGrey + 5}, {'6', kGrey + 6}, {'7', kGrey + 7}};
  return l;
}

struct Sheet {
  SurfacePtr s = newSurface(128, 128);
  void put(int x, int y, int c) const {
    if (c > 0) set(*s, x, y, uint8_t(c));
  }
  int at(int x, int y) const { return get(*s, x, y); }
};

int originX(int spr) { return (spr % 16) * 8; }
int originY(int spr) { return (spr / 16) * 8; }

void drawAscii(const Sheet& sh, int spr, int w, int h, const std::vector<const char*>& rows, const Legend& own = {}) {
  if (int(rows.size()) != h * 8) throw std::logic_error("sprite " + std::to_string(spr) + ": wrong row count");
  for (int y = 0; y < h * 8; ++y) {
    const std::string row = rows[size_t(y)];
    if (int(row.size()) != w * 8) throw std::logic_error("sprite " + std::to_string(spr) + ": wrong row width");
    for (int x = 0; x < w * 8; ++x) {
      auto it = own.find(row[size_t(x)]);
      if (it == own.end()) it = commonLegend().find(row[size_t(x)]);
      if (it == commonLegend().end()) throw std::logic_error("sprite " + std::to_string(spr) + ": unknown letter");
      sh.put(originX(spr) + x, originY(spr) + y, it->second);
    }
  }
}

// Ordered dither threshold in [0, 1) for blending neighbouring ramp entries.
float bayer(int x, int y) {
  static const int m[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
  return (float(m[(x & 3) + 4 * (y & 3)]) + 0.5f) / 16.0f;
}

// A ramp entry for brightness t in [0, 1], dithered between neighbours.
int shade(int first, int count, float t, int x, int y) {
  const float pos = std::clamp(t, 0.0f, 1.0f) * float(count - 1);
  const int base = int(pos);
  return first + std::min(count - 1, base + (pos - float(base) > bayer(x, y) ? 1 : 0));
}

// Small deterministic noise in [0, 1).
float noise(int x, int y, int seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return float((h ^ (h >> 16)) & 0xFFFF) / 65536.0f;
}

// Light from the upper left and above, as everywhere in the art.
float lightDot(float nx, float ny, float nz) {
  const float lx = -0.55f, ly = -0.6f, lz = 0.58f;
  return nx * lx + ny * ly + nz * lz;
}

// Brightness of a dome of radius r at offset (dx, dy) from its centre.
float domeLight(float dx, float dy, float r) {
  const float nx = dx / r, ny = dy / r, nz = std::sqrt(std::max(0.0f, 1.0f - nx * nx - ny * ny));
  return 0.5f + 0.5f * lightDot(nx, ny, nz);
}

// Star-shaped outline: radius r with `points` spikes of relative depth `depth`, turned by phase.
float starRadius(float angle, float r, int points, float depth, float phase) {
  const float t = std::fmod(std::fabs(angle * float(points) / (2 * kPi) + phase), 1.0f);
  const float tri = 1.0f - 2.0f * std::fabs(t - 0.5f);
  return r * (1.0f - depth + depth * tri);
}

// One conifer tier seen from above: a spiky cone lit from the upper left, darker at its rim.
// The ramp runs dark to light; a ramp ending in snow colours puts snow on the lit slopes.
void coneTier(const Sheet& sh, int spr, float cx, float cy, float r, int points, float phase,
              const std::vector<int>& ramp) {
  const int ox = originX(spr), oy = originY(spr);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const float dx = float(x) + 0.5f - cx, dy = float(y) + 0.5f - cy, d = std::hypot(dx, dy);
      const float edge = starRadius(std::atan2(dy, dx), r, points, 0.35f, phase);
      if (d > edge) continue;
      const float slope = 0.75f;  // a cone's surface faces outwards and up
      const float nx = d > 0 ? dx / d * slope : 0, ny = d > 0 ? dy / d * slope : 0;
      const float t = 0.5f + 0.7f * lightDot(nx, ny, 0.65f) - 0.35f * (d / edge) * (d / edge);
      const float pos = std::clamp(t, 0.0f, 1.0f) * float(ramp.size() - 1);
      const int base = int(pos);
      sh.put(ox + x, oy + y, ramp[size_t(std::min(int(ramp.size()) - 1, base + (pos - float(base) > bayer(x, y))))]);
    }
}

// A drifting fog cloud: three soft lobes whose cover thins towards the rim; `density` scales
// the cover, so the three puffs fade in and out.
void fogPuff(const Sheet& sh, int spr, float density, int seed) {
  const int ox = originX(spr), oy = originY(spr);
  struct Lobe {
    float x, y, r;
  };
  const Lobe lobes[] = {{6.0f, 8.5f, 5.5f}, {10.0f, 7.0f, 5.0f}, {8.0f, 10.0f, 4.5f}};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      float f = 0;
      for (const Lobe& l : lobes)
        f = std::max(f, 1.0f - std::hypot(float(x) + 0.5f - l.x, float(y) + 0.5f - l.y) / l.r);
      f += 0.2f * (noise(x, y, seed) - 0.5f);
      if (f <= 0 || density * std::min(1.0f, f * 2.2f) <= bayer(x, y)) continue;
      const bool lit = float(x) + float(y) < 16.0f;
      sh.put(ox + x, oy + y,
             f > 0.5f    ? (lit ? kWhite : kLightGrey)
             : f > 0.25f ? (lit ? kLightGrey : kSnow + 3)
                         : kSnow + 3);
    }
}

void snowTree(const Sheet& sh) {
  const std::vector<int> base = {kLeaf, kLeaf + 1, kLeaf + 2, kLeaf + 3, kSnow + 3, kSnow + 5};
  const std::vector<int> tier = {kLeaf, kLeaf + 1, kLeaf + 2, kLeaf + 3, kLeaf + 4, kSnow + 4, kSnow + 5};
  const std::vector<int> crown = {kSnow + 1, kSnow + 2, kSnow + 3, kSnow + 4, kSnow + 5};
  coneTier(sh, snowTreeBase, 8.0f, 8.0f, 7.6f, 9, 0.1f, base);
  coneTier(sh, snowTreeTier, 8.0f, 8.0f, 5.8f, 7, 0.45f, tier);
  coneTier(sh, snowTreeSnow, 7.5f, 7.5f, 3.0f, 5, 0.2f, crown);
}

// Overlapping leafy domes with a dark rim where they meet the ground.
void bigBush(const Sheet& sh, int spr) {
  const int ox = originX(spr), oy = originY(spr);
  struct Dome {
    float x, y, r;
  };
  const Dome domes[] = {{5.5f, 9.0f, 4.6f}, {10.5f, 9.5f, 4.8f}, {8.0f, 5.6f, 5.0f}, {7.5f, 10.8f, 4.0f}};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      float best = -1;
      for (const Dome& d : domes) {
        const float dx = float(x) + 0.5f - d.x, dy = float(y) + 0.5f - d.y;
        if (std::hypot(dx, dy) > d.r) continue;
        best = std::max(best, domeLight(dx, dy, d.r) + 0.15f * (noise(x, y, 3) - 0.5f));
      }
      if (best >= 0) sh.put(ox + x, oy + y, shade(kLeaf, 6, best * 1.1f - 0.1f, x, y));
    }
  for (int x = 3; x < 14; ++x)
    if (sh.at(ox + x, oy + 15) == 0 && sh.at(ox + x, oy + 14) != 0) sh.put(ox + x, oy + 15, kShadow);
}

// A boulder: a squashed dome with flat, unblended facets.
void bigRock(const Sheet& sh, int spr) {
  const int ox = originX(spr), oy = originY(spr);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const float dx = float(x) + 0.5f - 7.5f, dy = (float(y) + 0.5f - 8.5f) * 1.3f;
      const float edge = 7.0f * (0.88f + 0.12f * std::cos(3.0f * std::atan2(dy, dx) + 0.6f));
      if (std::hypot(dx, dy) > edge) continue;
      const float facet = std::floor(std::atan2(dy, dx) / (2 * kPi) * 7.0f);
      const float t = domeLight(dx, dy, edge + 1.0f) + 0.08f * std::sin(facet * 2.3f);
      sh.put(ox + x, oy + y, kRock + std::clamp(int(t * 6.0f), 1, 5));
    }
  for (int x = 3; x < 14; ++x) sh.put(ox + x, oy + 15, sh.at(ox + x, oy + 14) ? kShadow : 0);
}

// A palm seen from above: drooping fronds fanned round a brown crown.
void palm(const Sheet& sh, int spr) {
  const int ox = originX(spr), oy = originY(spr);
  for (int f = 0; f < 7; ++f) {
    const float a = float(f) * 2 * kPi / 7.0f + 0.3f;
    const float ca = std::cos(a), sa = std::sin(a);
    for (float r = 1.0f; r < 7.6f; r += 0.25f) {
      const float droop = 0.04f * r * r;  // fronds bend down, so they shift towards the viewer
      const float px = 7.5f + ca * r, py = 7.5f + sa * r + droop;
      const float half = r < 6.0f ? 1.2f : 0.6f;
      for (float s = -half; s <= half; s += 0.5f) {
        const int x = int(std::floor(px - sa * s)), y = int(std::floor(py + ca * s));
        if (x < 0 || y < 0 || x > 15 || y > 15) continue;
        const float lit = 0.55f + 0.45f * lightDot(ca, sa, 0.3f) + (s < 0 ? 0.15f : -0.15f) - 0.03f * r;
        sh.put(ox + x, oy + y, shade(kLeaf + 1, 5, lit, x, y));
      }
    }
  }
  const char* crown[] = {".bc.", "bccd", "cddd", ".dd."};
  const Legend l = {{'b', kBark + 3}, {'c', kBark + 2}, {'d', kBark + 1}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      if (crown[y][x] != '.') sh.put(ox + 6 + x, oy + 6 + y, l.at(crown[y][x]));
}

void smallDome(const Sheet& sh, int spr, float r, int first, int count, int seed) {
  const int ox = originX(spr), oy = originY(spr);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const float dx = float(x) + 0.5f - 4.0f, dy = float(y) + 0.5f - 3.8f;
      const float edge = r * (0.9f + 0.2f * noise(int(std::atan2(dy, dx) * 3.0f), 0, seed));
      if (std::hypot(dx, dy * 1.1f) > edge) continue;
      sh.put(ox + x, oy + y, shade(first, count, domeLight(dx, dy, edge) + 0.1f * (noise(x, y, seed) - 0.5f), x, y));
    }
  for (int x = 1; x < 7; ++x)
    if (sh.at(ox + x, oy + 7) == 0 && sh.at(ox + x - 1, oy + 6)) sh.put(ox + x, oy + 7, kShadow);
}

void teamSwatches(const Sheet& sh) {
  // Tiles 64-69: tile i shows team i's eight colours as columns, so pixel row 32 reads them.
  for (int team = 0; team < 6; ++team)
    for (int y = 0; y < 8; ++y)
      for (int j = 0; j < 8; ++j) sh.put(8 * team + j, 32 + y, teamRampFirst + 8 * team + j);
}

void handDrawn(const Sheet& sh) {
  drawAscii(sh, 1, 1, 1,  // traffic cone
            {"........", "...ab...", "...ab...", "..wwWW..", "..aabb..", ".aaabbb.", ".wwwWWW.", "bbbbbbbk"},
            {{'a', 9}, {'b', 4}});
  drawAscii(sh, 4, 1, 1,  // red channel buoy with its light
            {"...yy...", "..yKKy..", "..rwwR..", ".hrrrRR.", ".rwwwWR.", ".rrrRRR.", "c.RRRR.c", ".cc..cc."},
            {{'y', kGlow + 2}, {'h', 14}, {'r', 8}, {'R', 2}, {'c', kWater + 5}});
  drawAscii(sh, 7, 1, 1,  // green channel buoy
            {"...yy...", "..yKKy..", "..rwwR..", ".hrrrRR.", ".rwwwWR.", ".rrrRRR.", "c.RRRR.c", ".cc..cc."},
            {{'y', kGlow + 2}, {'h', kTeamGreen + 1}, {'r', kTeamGreen + 2}, {'R', kTeamGreen + 4}, {'c', kWater + 5}});
  drawAscii(sh, 5, 1, 1,  // barrel cactus in flower
            {"...pq...", "..cpqC..", ".cCcCcD.", ".cCcCcD.", ".cCcCDD.", ".CcCDCD.", "..DDDD..", "...kkkk."},
            {{'p', 14}, {'q', 2}, {'c', kCactus + 3}, {'C', kCactus + 2}, {'D', kCactus + 1}});
  drawAscii(sh, 6, 1, 1,  // tyre stack
            {"..KKKK..", ".K3454K.", "K34..43K", "K5.kk.3K", "K4.kk.2K", "K34..32K", ".K2332K.", "..KKKKk."});
  drawAscii(sh, 8, 1, 2,  // lamp post
            {"...yy...", "..yLLy..", ".yLwwLy.", ".yLwwLy.", "..yLLy..", "...KK...", "...45...", "...45...", "...45...",
             "...45...", "...45...", "...45...", "...45...", "..4552..", ".455522.", "..kkkkk."},
            {{'y', kGlow + 1}, {'L', kGlow + 2}});
  drawAscii(sh, 9, 1, 2,  // saguaro cactus
            {"........", "...cc...", "..cCCD..", "..cCCD..", "c.cCCD..", "cDcCCD..", "cDcCCD.c", "cDcCCD.C", ".ccCCDCD",
             "..cCCDD.", "..cCCD..", "..cCCD..", "..cCCD..", "..cCCD..", "..DDDDk.", "...kkk.."},
            {{'c', kCactus + 3}, {'C', kCactus + 2}, {'D', kCactus + 1}});
  drawAscii(sh, 32, 2, 1,  // chevron board pointing left
            {"KKKKKKKKKKKKKKKK", "KrrrwwrrwwrrwwrK", "KrrwwrrwwrrwwrrK", "KrwwrrwwrrwwrrrK", "KrrwwrrwwrrwwrrK",
             "KrrrwwrrwwrrwwrK", "KKKKKKKKKKKKKKKK", "..4k........4k.."},
            {{'r', 8}});
  drawAscii(sh, 34, 2, 1,  // chevron board pointing right
            {"KKKKKKKKKKKKKKKK", "KrwwrrwwrrwwrrrK", "KrrwwrrwwrrwwrrK", "KrrrwwrrwwrrwwrK", "KrrwwrrwwrrwwrrK",
             "KrwwrrwwrrwwrrrK", "KKKKKKKKKKKKKKKK", "..4k........4k.."},
            {{'r', 8}});
  drawAscii(sh, 36, 1, 2,  // warning sign
            {"...KK...", "..KyyK..", ".KyKKyK.", "KyyKKyyK", "KyyyyyyK", ".KyKKyK.", "..KyyK..", "...KK...", "...45...",
             "...45...", "...45...", "...45...", "...45...", "...45...", "..4552..", "...kkk.."},
            {{'y', 10}});
}

}  // namespace

const std::vector<PropSprite>& propSprites() {
  static const std::vector<PropSprite> props = {
      {"cone", 1, 1, 1},          {"rock", 2, 1, 1},           {"bush", 3, 1, 1},          {"red buoy", 4, 1, 1},
      {"barrel cactus", 5, 1, 1}, {"tyre stack", 6, 1, 1},     {"green buoy", 7, 1, 1},    {"lamp post", 8, 1, 2},
      {"saguaro", 9, 1, 2},       {"palm", 10, 2, 2},          {"boulder", 12, 2, 2},      {"pine", 14, 2, 2},
      {"chevron left", 32, 2, 1}, {"chevron right", 34, 2, 1}, {"warning sign", 36, 1, 2}, {"big bush", 40, 2, 2},
  };
  return props;
}

SurfacePtr artSpritesheet() {
  Sheet sh;
  handDrawn(sh);
  smallDome(sh, 2, 3.4f, kRock + 1, 5, 11);
  smallDome(sh, 3, 3.7f, kLeaf, 6, 5);
  palm(sh, 10);
  bigRock(sh, 12);
  coneTier(sh, 14, 8.0f, 8.0f, 7.6f, 9, 0.1f, {kLeaf, kLeaf + 1, kLeaf + 2, kLeaf + 3, kLeaf + 4, kLeaf + 5});
  coneTier(sh, 14, 7.5f, 7.5f, 4.4f, 7, 0.5f, {kLeaf + 1, kLeaf + 2, kLeaf + 3, kLeaf + 4, kLeaf + 5});
  bigBush(sh, 40);
  teamSwatches(sh);
  snowTree(sh);
  fogPuff(sh, fogDense, 0.95f, 1);
  fogPuff(sh, fogMedium, 0.6f, 2);
  fogPuff(sh, fogFaint, 0.32f, 3);
  return sh.s;
}

}  // namespace dx
