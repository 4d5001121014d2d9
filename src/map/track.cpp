#include "map/track.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "framework/errors.h"
#include "framework/log.h"
#include "framework/numeric.h"
#include "geom/curves.h"
#include "map/item_types.h"
#include "map/node_queries.h"
#include "map/racing_line.h"

namespace dx {

namespace {

constexpr double kLayoutToMap = 1.0 / 8.0;

// The running values of the section walk, in double as the walk keeps them.
struct Walk {
  Vec2f P;
  double a = 0;
  double wL = 32, wR = 32, vL = 8, vR = 8;
  int64_t counter = 0;
  int64_t section = 0;
};

struct Widths {
  double wL, wR, vL, vR;
};

void emit(Map& map, Walk& w, Vec2f Q, double heading, const Widths& k, uint16_t flags) {
  if (int64_t(map.path.size()) >= kMaxNodes)
    throw FormatError("track \"" + map.name + "\" has more than " + std::to_string(kMaxNodes) + " nodes");
  addNode(map, initNode(w.section, w.counter, Q, normal(Q - w.P), float(heading), float(k.wL), float(k.wR), float(k.vL),
                        float(k.vR), flags));
  w.P = Q;
  w.counter += 1;
}

Widths blended(const Walk& w, const Section& s, float t) {
  return {lerp(w.wL, double(s.widthL), t), lerp(w.wR, double(s.widthR), t), lerp(w.vL, double(s.vergeL), t),
          lerp(w.vR, double(s.vergeR), t)};
}

void keep(Walk& w, const Widths& k) { w.wL = k.wL, w.wR = k.wR, w.vL = k.vL, w.vR = k.vR; }

void walkAngleCurve(Map& map, Walk& w, const Section& s) {
  const int64_t n = s.steps;
  const bool blend = s.flags & flagBlendWidths;
  auto widthsAt = [&](float b) { return blend ? blended(w, s, b) : Widths{s.widthL, s.widthR, s.vergeL, s.vergeR}; };
  Widths last{w.wL, w.wR, w.vL, w.vR};
  for (int64_t k = 0; k < n; ++k) {
    const float g = float(double(k) / double(n));
    if (std::fabs(s.turn) <= 0.3f) {
      w.a += s.turn;
      last = widthsAt(g);
      emit(map, w, w.P + polarVec2f(float(w.a), 32), w.a, last, s.flags);
    } else {
      w.a += s.turn * 0.5f;
      last = widthsAt(g);
      emit(map, w, w.P + polarVec2f(float(w.a), 16), w.a, last, s.flags);
      w.a += s.turn * 0.5f;
      last = widthsAt(float((double(k) + 0.5) / double(n)));
      emit(map, w, w.P + polarVec2f(float(w.a), 16), w.a, last, s.flags);
    }
  }
  keep(w, last);
}

void walkBezier(Map& map, Walk& w, const Section& s) {
  const Vec2f p0 = w.P, p1 = w.P + s.control1, p2 = w.P + s.endOffset + s.control2, p3 = w.P + s.endOffset;
  const double L = double(bezierCubicLength(p0, p1, p2, p3, 5)) * 0.03125;
  double sum = 0, step = 1.0;
  Widths last{w.wL, w.wR, w.vL, w.vR};
  while (sum < L && L > 0.01) {
    sum += step;
    const float t = float(sum / L);
    const Vec2f Q = bezierCubic(p0, p1, p2, p3, t);
    const float h = angle(Q - w.P), d = length(Q - w.P);
    if (d > 32 || (step >= 0.5 && std::fabs(angleDiff(float(w.a), h)) > 0.3f)) {
      sum -= step;
      step *= 0.5;
      // A curve whose next point cannot be reached by halving (a damaged file) ends here.
      if (step < 1e-9) break;
      continue;
    }
    last = blended(w, s, t);
    emit(map, w, Q, w.a, last, s.flags);
    w.a = h;
    step = 1.0;
  }
  keep(w, last);
}

// Turn marks, split warnings and the edge stripe colours of node i.
void markNode(Map& map, int64_t i) {
  const std::array<int64_t, 4>& pal = mapPalette(map.style);
  Node& node = map.path[size_t(i)];
  const float turn = angleDiff(node.angle, nodeAt(map, i - 1).angle);
  const float ahead = angleDiff(nodeAt(map, i + 6).angle, nodeAt(map, i + 5).angle);
  if (turn > 0.05f)
    node.cornerLeft = true;
  else if (ahead > 0.05f)
    node.warningLeft = true;
  if (turn < -0.05f)
    node.cornerRight = true;
  else if (ahead < -0.05f)
    node.warningRight = true;
  const bool odd = i % 2 != 0;
  if (node.flags & flagLeftSpecial)
    node.leftEdgeColor = 11;
  else
    node.leftEdgeColor = odd ? pal[3] : node.warningLeft ? 8 : node.cornerLeft ? 9 : pal[1];
  if (node.flags & flagRightSpecial)
    node.rightEdgeColor = 11;
  else
    node.rightEdgeColor = odd ? pal[3] : node.warningRight ? 8 : node.cornerRight ? 9 : pal[1];
  if (!(node.flags & flagSplit)) {
    for (int64_t k = 1; k <= 5; ++k)
      if (nodeAt(map, i + k).flags & flagSplit) {
        node.warningSplit = true;
        break;
      }
  }
}

// Whether the segment from node i - 1 to node i is part of the track's length.
bool countsForLength(const Map& map, int64_t i) {
  const int64_t n = int64_t(map.path.size());
  if (isLooping(map)) return i > 0 && i < map.laps * n;
  return i > 32 && i < n - 33;
}

float segmentLength(const Map& map, int64_t i) { return length(nodeAt(map, i).pos - nodeAt(map, i - 1).pos); }

void markAndMeasure(Map& map) {
  const int64_t n = int64_t(map.path.size());
  const bool loop = isLooping(map);
  double sum = 0;
  for (int64_t i = loop ? 0 : 1; i < (loop ? n : n - 6); ++i) {
    markNode(map, i);
    if (countsForLength(map, i)) sum += double(segmentLength(map, i));
  }
  map.length = float(sum);
  float D = map.length;
  for (int64_t i = 0; i < n; ++i) {
    map.path[size_t(i)].distanceRemaining = D;
    if (countsForLength(map, i)) D -= segmentLength(map, i);
  }
}

void placeObjects(Map& map, const MapSource& src) {
  const int64_t n = int64_t(map.path.size());
  for (const TrackObjectPlacement& p : src.trackObjects) {
    if (p.kind == toCursor) continue;
    const float w = float(n) * p.along;
    // A damaged file's huge negative fraction must still leave room for E - 1.
    const int64_t E = std::max(truncToInt64(w), INT64_MIN + 1);
    const Node& B = nodeAt(map, E);
    const Node& A = nodeAt(map, E - 1);
    const float frac = std::fmod(w, 1.0f);
    const float W = p.lateral < 0 ? A.widthL : A.widthR;
    std::shared_ptr<TrackObject> obj;
    float objAngle = lerp(A.angle, B.angle, frac);
    if (p.kind == toBooster) {
      auto b = std::make_shared<Booster>();
      b->angle = objAngle;
      obj = b;
    } else {
      auto pu = std::make_shared<Powerup>();
      pu->angle = objAngle;
      obj = pu;
    }
    obj->map = &map;
    obj->currentNode = B.id;
    obj->pos = lerp(A.pos, B.pos, frac) + B.normal * (p.lateral * (W - 8));
    obj->radius = 7;
    obj->z = 1;
    map.trackObjects.push_back(obj);
  }
}

void indexScenery(Map& map, MapSource& src) {
  std::stable_sort(src.objects.begin(), src.objects.end(), [](const MapObject& a, const MapObject& b) {
    return truncToInt64(a.pos.y) < truncToInt64(b.pos.y);
  });
  const size_t kinds = itemTypes().mapObjectDescriptions.size();
  for (const MapObject& o : src.objects)
    if (o.kind < kinds) map.objectIndex[getIndex(o.pos)].push_back(o);
}

}  // namespace

const std::array<int64_t, 4>& mapPalette(MapStyle style) {
  static const std::array<int64_t, 4> palettes[6] = {
      {0, 1, 13, 0}, {5, 13, 1, 1}, {15, 5, 13, 1}, {6, 13, 1, 1}, {3, 5, 13, 1}, {1, 13, 0, 0},
  };
  return palettes[style <= Sea ? style : 0];
}

MapPtr newMap() {
  auto map = std::make_shared<Map>();
  map->sectorMap.reserve(64);
  map->objectIndex.reserve(64);
  return map;
}

SectorKey getIndex(Vec2f p) { return {truncToInt64(double(p.x) * 0.25), truncToInt64(double(p.y) * 0.25)}; }

void addNode(Map& map, const Node& node) {
  map.sectorMap[node.index].push_back(node.id);
  map.path.push_back(node);
}

Node initNode(int64_t section, int64_t id, Vec2f P, Vec2f N, float angle, float wl, float wr, float vl, float vr,
              uint16_t f) {
  const double e = (f & flagLeftSpecial) ? 0.33 : (f & flagLeftOpen) ? 0.9 : 0.6;
  const double r = (f & flagRightSpecial) ? 0.33 : (f & flagRightOpen) ? 0.9 : 0.6;
  const float m = (f & flagLeftOpen) ? 4.0f : vl != 0 ? vl : 8.0f;
  const float u = (f & flagRightOpen) ? 4.0f : vr != 0 ? vr : 8.0f;
  Node node;
  node.pos = P * kLayoutToMap;
  node.left = (P - N * wl) * kLayoutToMap;
  node.right = (P + N * wr) * kLayoutToMap;
  node.ileft = (P - N * (e * double(wl))) * kLayoutToMap;
  node.iright = (P + N * (r * double(wr))) * kLayoutToMap;
  node.oleft = (P - N * (wl + m)) * kLayoutToMap;
  node.oright = (P + N * (wr + u)) * kLayoutToMap;
  node.widthL = wl;
  node.widthR = wr;
  node.normal = N;
  node.angle = angle;
  node.id = id;
  node.section = section;
  node.flags = f;
  node.index = getIndex(node.pos);
  return node;
}

MapPtr walkSections(const MapSource& src) {
  MapPtr map = newMap();
  map->name = src.name;
  map->laps = src.laps;
  map->style = src.style;
  loadItemTypes(*map);
  const bool city = src.style == CityNight || src.style == CityDay;
  map->offTrackSlowdown = city ? 0.0f : 0.02f;
  map->backgroundHeight = city ? 0.0f : 0.95f;
  Walk w;
  for (const Section& s : src.sections) {
    if (s.kind == AngleCurve)
      walkAngleCurve(*map, w, s);
    else if (s.kind == CubicBezierCurve)
      walkBezier(*map, w, s);
    else {
      echo("unknown section type: ", int(s.kind));
      throw TrackError("unknown section type: " + std::to_string(int(s.kind)));
    }
    w.section += 1;
  }
  return map;
}

MapPtr fromSource(MapSource src) {
  MapPtr map = walkSections(src);
  if (map->path.empty()) {
    echo("map has no nodes");
    throw TrackError("map has no nodes");
  }
  markAndMeasure(*map);
  placeObjects(*map, src);
  indexScenery(*map, src);
  return map;
}

MapPtr loadMap(const std::string& mapBank, int64_t mapSlot) {
  debug("load map", mapBank, mapSlot);
  return buildMap(loadMapSource(mapBank, mapSlot), mapBank, mapSlot);
}

MapPtr buildMap(MapSource src, const std::string& mapBank, int64_t mapSlot) {
  MapPtr map = fromSource(std::move(src));
  map->mapBank = mapBank;
  map->mapSlot = mapSlot;
  generateRacingLine(*map);
  newParticleSystem(256, map->ps);
  newParticleSystem(256, map->envPS);
  return map;
}

}  // namespace dx
