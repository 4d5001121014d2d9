// Writes the game's low-poly OBJ models: the car components, the four whole cars and the
// hexagonal column. Run it with the assets folder as argument after changing a shape; the
// files it writes are committed.
//
// Model frame of a car: the nose points to -y (the car drawing turns model -y onto the
// heading), +x is the car's right, z is up and the car rests on z = 0. A car is about 10 units
// long (y from -5 to 5), the engine flame starts at y = 7. Every part is a closed convex-ish
// solid whose faces are wound counter-clockwise seen from outside, which is the winding the
// renderer keeps after its mirrored screen mapping.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "geom/vec.h"

namespace dx::gen {

// Material ids, which select a team colour slot (group suffix = id + 1).
enum Slot { slotDark = 0, slotBody = 1, slotShade = 2, slotAccent = 3, slotTrim = 4, slotGlow = 6, slotLight = 7 };
const char* const kSlotNames[8] = {"dark", "body", "shade", "accent", "trim", "metal", "glow", "light"};

struct Poly {
  std::vector<Vec3f> pts;
  int slot = 0;
};
using Mesh = std::vector<Poly>;
using Ring = std::vector<Vec3f>;
using Paint = std::function<int(Vec3f normal)>;

constexpr float kPi = 3.14159265358979f;

Vec3f centroid(const std::vector<Vec3f>& pts) {
  Vec3f c{};
  for (Vec3f p : pts) c += p;
  return c / float(pts.size());
}

// Newell's normal: robust for slightly non-planar quads.
Vec3f polyNormal(const std::vector<Vec3f>& p) {
  Vec3f n{};
  for (size_t i = 0; i < p.size(); ++i) {
    const Vec3f a = p[i], b = p[(i + 1) % p.size()];
    n.x += (a.y - b.y) * (a.z + b.z);
    n.y += (a.z - b.z) * (a.x + b.x);
    n.z += (a.x - b.x) * (a.y + b.y);
  }
  return normalized(n);
}

bool samePoint(Vec3f a, Vec3f b) { return length(a - b) < 1e-4f; }

// Drops repeated corners (collapsed ring points) and degenerate polygons; splits polygons of
// more than four corners into a fan of quads, since models hold only triangles and quads.
void emit(Mesh& mesh, std::vector<Vec3f> pts, Vec3f outward, const Paint& paint) {
  std::vector<Vec3f> clean;
  for (Vec3f p : pts)
    if (clean.empty() || !samePoint(clean.back(), p)) clean.push_back(p);
  while (clean.size() > 1 && samePoint(clean.front(), clean.back())) clean.pop_back();
  if (clean.size() < 3) return;
  Vec3f n = polyNormal(clean);
  if (length(n) < 0.5f) return;
  if (dot(n, outward) < 0.0f) {
    std::reverse(clean.begin(), clean.end());
    n = -n;
  }
  const int slot = paint(n);
  for (size_t i = 1; i + 1 < clean.size(); i += 2) {
    Poly p{{clean[0], clean[i], clean[i + 1]}, slot};
    if (i + 2 < clean.size()) p.pts.push_back(clean[i + 2]);
    mesh.push_back(p);
  }
}

// A solid through a sequence of rings with the same number of corners, capped at both ends.
// Side faces face away from the axis between their two rings, caps away from their neighbour.
void loft(Mesh& mesh, const std::vector<Ring>& rings, const Paint& paint) {
  for (size_t i = 0; i + 1 < rings.size(); ++i) {
    const Ring& a = rings[i];
    const Ring& b = rings[i + 1];
    const Vec3f axis = (centroid(a) + centroid(b)) * 0.5f;
    for (size_t j = 0; j < a.size(); ++j) {
      const size_t k = (j + 1) % a.size();
      std::vector<Vec3f> q{a[j], a[k], b[k], b[j]};
      emit(mesh, q, centroid(q) - axis, paint);
    }
  }
  emit(mesh, rings.front(), centroid(rings.front()) - centroid(rings[1]), paint);
  emit(mesh, rings.back(), centroid(rings.back()) - centroid(rings[rings.size() - 2]), paint);
}

void mirrorX(Mesh& mesh, const Mesh& part) {
  for (Poly p : part) {
    for (Vec3f& v : p.pts) v.x = -v.x;
    std::reverse(p.pts.begin(), p.pts.end());
    mesh.push_back(p);
  }
}

// Both halves: the part as built (on the +x side) and its mirror image.
void symmetric(Mesh& mesh, const std::function<void(Mesh&)>& build) {
  Mesh half;
  build(half);
  mesh.insert(mesh.end(), half.begin(), half.end());
  mirrorX(mesh, half);
}

// ---- paints ----

Paint uniform(int slot) {
  return [slot](Vec3f) { return slot; };
}
// Upward faces in `top`, downward ones dark, the rest in `side`.
Paint shaded(int top, int side) {
  return [top, side](Vec3f n) { return n.z > 0.4f ? top : (n.z < -0.6f ? int(slotDark) : side); };
}
// Faces looking backward (+y) in `back`, the rest as `rest`.
Paint backFace(int back, Paint rest) {
  return [back, rest](Vec3f n) { return n.y > 0.9f ? back : rest(n); };
}
Paint frontFace(int front, Paint rest) {
  return [front, rest](Vec3f n) { return n.y < -0.9f ? front : rest(n); };
}

// ---- rings ----

// A cross-section in the xz plane at y: a rectangle from x = cx - w to cx + w and z = zb to zt
// with its top corners cut by bt and its bottom corners by bb.
Ring section(float y, float cx, float w, float zb, float zt, float bt, float bb) {
  return {{cx - w, y, zb + bb}, {cx - w + bb, y, zb}, {cx + w - bb, y, zb}, {cx + w, y, zb + bb},
          {cx + w, y, zt - bt}, {cx + w - bt, y, zt}, {cx - w + bt, y, zt}, {cx - w, y, zt - bt}};
}

// A regular n-gon in the xz plane at y, with a flat top and bottom for even n.
constexpr float kOctagonInradius = 0.9238795f;  // cos(pi / 8): centre to the flat bottom of an octagon

Ring disc(float y, float cx, float cz, float rx, float rz, int n) {
  Ring r;
  for (int i = 0; i < n; ++i) {
    const float a = 2.0f * kPi * (float(i) + 0.5f) / float(n);
    r.push_back({cx + rx * std::cos(a), y, cz + rz * std::sin(a)});
  }
  return r;
}

// A polygon given in (y, z) placed at x.
Ring profileAt(float x, const std::vector<Vec2f>& yz) {
  Ring r;
  for (Vec2f p : yz) r.push_back({x, p.x, p.y});
  return r;
}

// A polygon given in (x, y) placed at height z.
Ring planAt(float z, const std::vector<Vec2f>& xy) {
  Ring r;
  for (Vec2f p : xy) r.push_back({p.x, p.y, z});
  return r;
}

// A box from lo to hi.
void box(Mesh& mesh, Vec3f lo, Vec3f hi, const Paint& paint) {
  const float w = (hi.x - lo.x) * 0.5f, cx = (hi.x + lo.x) * 0.5f;
  loft(mesh, {section(lo.y, cx, w, lo.z, hi.z, 0, 0), section(hi.y, cx, w, lo.z, hi.z, 0, 0)}, paint);
}

// A thin plate extruded in x from a (y, z) outline.
void fin(Mesh& mesh, float x, float thickness, const std::vector<Vec2f>& yz, const Paint& paint) {
  loft(mesh, {profileAt(x - thickness * 0.5f, yz), profileAt(x + thickness * 0.5f, yz)}, paint);
}

// A wing extruded in z from an (x, y) outline, its top outline shrunk toward the centre by inset.
void wingPlate(Mesh& mesh, const std::vector<Vec2f>& xy, float zb, float zt, float inset, const Paint& paint) {
  Vec2f c{};
  for (Vec2f p : xy) c += p;
  c = c / float(xy.size());
  std::vector<Vec2f> top;
  for (Vec2f p : xy) top.push_back(p + (c - p) * inset);
  loft(mesh, {planAt(zb, xy), planAt(zt, top)}, paint);
}

// ---- hulls: the central body, x within +-1.5, from the nose at y = -5 to about y = 4.6 ----

Mesh hullDart() {
  Mesh m;
  loft(m,
       {section(-5.0f, 0, 0.15f, 0.55f, 0.75f, 0.05f, 0.05f), section(-3.6f, 0, 0.75f, 0.35f, 1.05f, 0.25f, 0.2f),
        section(-1.2f, 0, 1.2f, 0.25f, 1.45f, 0.45f, 0.3f), section(2.6f, 0, 1.25f, 0.25f, 1.45f, 0.45f, 0.3f),
        section(4.3f, 0, 0.9f, 0.35f, 1.25f, 0.35f, 0.25f)},
       shaded(slotBody, slotShade));
  // A racing stripe along the top.
  loft(m,
       {section(-3.6f, 0, 0.2f, 0.98f, 1.1f, 0, 0), section(-1.2f, 0, 0.28f, 1.38f, 1.5f, 0, 0),
        section(2.6f, 0, 0.28f, 1.38f, 1.5f, 0, 0), section(4.3f, 0, 0.2f, 1.18f, 1.3f, 0, 0)},
       shaded(slotAccent, slotTrim));
  return m;
}

Mesh hullWedge() {
  Mesh m;
  loft(m,
       {section(-5.0f, 0, 1.0f, 0.3f, 0.45f, 0.05f, 0.0f), section(-1.5f, 0, 1.4f, 0.25f, 1.0f, 0.2f, 0.15f),
        section(3.0f, 0, 1.4f, 0.25f, 1.5f, 0.3f, 0.15f), section(4.5f, 0, 1.2f, 0.3f, 1.4f, 0.3f, 0.15f)},
       shaded(slotBody, slotShade));
  // Side strakes.
  symmetric(m, [](Mesh& h) {
    loft(h, {section(-3.0f, 1.45f, 0.08f, 0.3f, 0.55f, 0, 0), section(3.5f, 1.45f, 0.08f, 0.3f, 0.75f, 0, 0)},
         shaded(slotAccent, slotTrim));
  });
  return m;
}

Mesh hullBrick() {
  Mesh m;
  loft(m,
       {section(-4.8f, 0, 1.3f, 0.35f, 0.9f, 0.1f, 0.1f), section(-4.1f, 0, 1.5f, 0.2f, 1.3f, 0.3f, 0.15f),
        section(3.8f, 0, 1.5f, 0.2f, 1.55f, 0.3f, 0.15f), section(4.6f, 0, 1.3f, 0.3f, 1.3f, 0.2f, 0.1f)},
       shaded(slotBody, slotShade));
  box(m, {-1.35f, -5.1f, 0.3f}, {1.35f, -4.7f, 0.65f}, uniform(slotAccent));  // bumper
  return m;
}

// ---- thrusters: at the tail, from about y = 3.4 to 6.5 ----

// One engine along y: a dark casing with a coloured top, a collar and a glowing exhaust.
void engine(Mesh& m, float cx, float cz, float r, float y0, float y1) {
  const float collar = y1 - 0.5f;
  loft(m, {disc(y0, cx, cz, r * 0.8f, r * 0.8f, 8), disc(y0 + 0.4f, cx, cz, r, r, 8), disc(collar, cx, cz, r, r, 8)},
       shaded(slotAccent, slotDark));
  loft(m, {disc(collar, cx, cz, r * 1.02f, r * 1.02f, 8), disc(y1, cx, cz, r * 1.12f, r * 1.12f, 8)},
       backFace(slotGlow, uniform(slotTrim)));
}

Mesh thrusterSingle() {
  Mesh m;
  engine(m, 0, 0.95f, 0.8f, 3.5f, 6.4f);
  return m;
}

Mesh thrusterTwin() {
  Mesh m;
  symmetric(m, [](Mesh& h) { engine(h, 0.85f, 0.85f, 0.55f, 3.4f, 6.2f); });
  box(m, {-0.5f, 4.2f, 0.7f}, {0.5f, 5.2f, 1.0f}, uniform(slotDark));  // the bridge between them
  return m;
}

Mesh thrusterTriple() {
  Mesh m;
  symmetric(m, [](Mesh& h) { engine(h, 0.75f, 0.6f, 0.42f, 3.6f, 6.0f); });
  engine(m, 0, 1.45f, 0.45f, 3.3f, 6.3f);
  return m;
}

// ---- heatsinks: on the back of the hull, y from about 0.6 to 3.5, from z = 1.1 up ----

Mesh heatsinkFins() {
  Mesh m;
  for (float x : {-0.75f, -0.25f, 0.25f, 0.75f})
    fin(m, x, 0.14f, {{0.8f, 1.1f}, {3.5f, 1.1f}, {3.5f, 2.15f}, {1.4f, 1.85f}}, shaded(slotAccent, slotDark));
  box(m, {-0.95f, 0.7f, 1.05f}, {0.95f, 3.6f, 1.3f}, uniform(slotDark));  // base plate
  return m;
}

Mesh heatsinkPlate() {
  Mesh m;
  symmetric(m, [](Mesh& h) {
    // A radiator leaning outward from the spine, with three cooling ribs.
    loft(h,
         {profileAt(0.12f, {{0.7f, 1.2f}, {3.4f, 1.2f}, {3.4f, 1.95f}, {0.7f, 1.75f}}),
          profileAt(1.15f, {{0.9f, 1.2f}, {3.3f, 1.2f}, {3.3f, 1.4f}, {0.9f, 1.3f}})},
         shaded(slotAccent, slotTrim));
    for (float y : {1.3f, 2.0f, 2.7f})
      loft(h,
           {profileAt(0.12f, {{y, 1.5f}, {y + 0.2f, 1.5f}, {y + 0.2f, 1.95f}, {y, 1.9f}}),
            profileAt(1.0f, {{y, 1.3f}, {y + 0.2f, 1.3f}, {y + 0.2f, 1.52f}, {y, 1.5f}})},
           uniform(slotDark));
  });
  box(m, {-0.14f, 0.6f, 1.15f}, {0.14f, 3.5f, 2.05f}, shaded(slotGlow, slotDark));  // the spine
  return m;
}

// ---- wings: reaching out to x = +-3.2 ----

Mesh wingDelta() {
  Mesh m;
  symmetric(m, [](Mesh& h) {
    wingPlate(h, {{1.0f, 0.6f}, {1.0f, 4.6f}, {3.2f, 4.6f}, {3.2f, 3.6f}}, 0.45f, 0.7f, 0.12f,
              shaded(slotBody, slotShade));
    fin(h, 3.2f, 0.12f, {{3.3f, 0.45f}, {4.8f, 0.45f}, {4.8f, 1.5f}, {4.3f, 1.5f}}, shaded(slotTrim, slotAccent));
  });
  return m;
}

Mesh wingSpoiler() {
  Mesh m;
  symmetric(m, [](Mesh& h) {
    box(h, {0.75f, 4.25f, 1.0f}, {0.95f, 4.75f, 2.35f}, uniform(slotDark));                            // post
    fin(h, 2.7f, 0.1f, {{3.8f, 2.0f}, {5.3f, 2.0f}, {5.4f, 2.8f}, {4.1f, 2.75f}}, uniform(slotDark));  // end plate
  });
  loft(m,
       {profileAt(-2.65f, {{3.9f, 2.35f}, {5.2f, 2.4f}, {5.25f, 2.6f}, {4.1f, 2.62f}}),
        profileAt(2.65f, {{3.9f, 2.35f}, {5.2f, 2.4f}, {5.25f, 2.6f}, {4.1f, 2.62f}})},
       shaded(slotAccent, slotTrim));
  return m;
}

Mesh wingCanard() {
  Mesh m;
  symmetric(m, [](Mesh& h) {
    wingPlate(h, {{0.6f, -4.6f}, {0.8f, -3.2f}, {2.5f, -3.5f}, {2.5f, -4.1f}}, 0.4f, 0.56f, 0.1f,
              shaded(slotAccent, slotTrim));
    box(h, {2.35f, -4.35f, 0.35f}, {2.65f, -3.4f, 0.75f}, frontFace(slotLight, uniform(slotDark)));  // lamp
    // Small tail planes behind the pods.
    wingPlate(h, {{1.1f, 3.6f}, {1.1f, 4.5f}, {2.6f, 4.5f}, {2.6f, 4.1f}}, 0.9f, 1.02f, 0.1f,
              shaded(slotBody, slotShade));
  });
  return m;
}

// ---- covers: the cockpit on top of the hull, y from about -3 to 1 ----

Mesh coverBubble() {
  Mesh m;
  auto dome = [](float y, float w, float zb, float zt) {
    const float b = w * 0.45f;
    return Ring{{-w, y, zb}, {w, y, zb}, {w, y, zt - b}, {w - b, y, zt}, {-w + b, y, zt}, {-w, y, zt - b}};
  };
  loft(m,
       {dome(-3.0f, 0.2f, 1.1f, 1.25f), dome(-2.2f, 0.65f, 1.2f, 1.95f), dome(-0.6f, 0.8f, 1.3f, 2.3f),
        dome(0.9f, 0.55f, 1.35f, 2.0f), dome(1.4f, 0.2f, 1.35f, 1.5f)},
       [](Vec3f n) { return n.z < -0.6f ? int(slotDark) : int(slotGlow); });
  // The frame bar over the top.
  loft(m,
       {section(-2.3f, 0, 0.12f, 1.9f, 2.02f, 0, 0), section(-0.6f, 0, 0.12f, 2.26f, 2.38f, 0, 0),
        section(0.95f, 0, 0.12f, 1.95f, 2.07f, 0, 0)},
       uniform(slotAccent));
  return m;
}

Mesh coverVisor() {
  Mesh m;
  // A faceted canopy: slanted screen in front, flat roof, vertical back.
  const std::vector<Vec2f> side{{-3.2f, 1.1f}, {1.2f, 1.1f}, {1.2f, 2.05f}, {-0.6f, 2.15f}, {-1.3f, 2.1f}};
  loft(m, {profileAt(-0.85f, side), profileAt(0.85f, side)}, [](Vec3f n) {
    if (n.z < -0.6f) return int(slotDark);
    if (n.y < -0.3f) return int(slotGlow);  // the screen
    return std::abs(n.x) > 0.7f ? int(slotTrim) : int(slotAccent);
  });
  return m;
}

// ---- pods: beside the hull, x from about 1.5 to 3, resting on z = 0; darker than the body, so
// that seen from above a car is a light hull between two dark pods ----

Mesh podSide() {
  Mesh m;
  symmetric(m, [](Mesh& h) {
    const float cx = 2.25f, cz = 0.6f * kOctagonInradius;  // resting on the ground
    loft(h,
         {disc(-3.4f, cx, cz, 0.3f, 0.3f, 8), disc(-2.6f, cx, cz, 0.62f, 0.6f, 8), disc(2.6f, cx, cz, 0.62f, 0.6f, 8),
          disc(3.7f, cx, cz, 0.4f, 0.4f, 8)},
         frontFace(slotLight, shaded(slotShade, slotDark)));
    box(h, {1.0f, -1.0f, 0.5f}, {1.7f, 1.6f, 0.8f}, uniform(slotDark));  // strut to the hull
  });
  return m;
}

Mesh podBlister() {
  Mesh m;
  symmetric(m, [](Mesh& h) {
    const float cx = 2.1f, cz = 0.7f * kOctagonInradius;
    loft(h,
         {disc(-1.6f, cx, cz, 0.5f, 0.5f, 8), disc(-1.0f, cx, cz, 0.72f, 0.7f, 8), disc(1.6f, cx, cz, 0.72f, 0.7f, 8),
          disc(2.5f, cx, cz, 0.3f, 0.35f, 8)},
         frontFace(slotDark, shaded(slotShade, slotDark)));
    box(h, {1.0f, -0.6f, 0.55f}, {1.5f, 1.4f, 0.85f}, uniform(slotDark));
  });
  return m;
}

// ---- scenery ----

// A hexagonal column of circumradius 1 standing on z = 0 up to z = 1, corners toward +-x.
Mesh hexColumn() {
  Mesh m;
  Ring bottom, top;
  for (int i = 0; i < 6; ++i) {
    const float a = 2.0f * kPi * float(i) / 6.0f;
    bottom.push_back({std::cos(a), std::sin(a), 0.0f});
    top.push_back({std::cos(a), std::sin(a), 1.0f});
  }
  loft(m, {bottom, top}, uniform(slotDark));
  return m;
}

// ---- output ----

std::string num(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4f", double(v));
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

std::string vecText(Vec3f v) { return num(v.x) + " " + num(v.y) + " " + num(v.z); }

// OBJ text: every vertex and normal once, then one group per colour slot in slot order. The
// first group always exists and is slot 1 (material 0), because the loader keeps material 0 for
// the faces of the first group.
std::string objText(const std::string& name, const Mesh& mesh) {
  std::map<std::string, int> vIndex, nIndex;
  std::string vs, ns;
  auto index = [](std::map<std::string, int>& table, std::string& out, const char* tag, const std::string& key) {
    auto [it, added] = table.emplace(key, int(table.size()) + 1);
    if (added) out += std::string(tag) + " " + key + "\n";
    return it->second;
  };
  std::map<int, std::string> groups;
  for (const Poly& p : mesh) {
    const int n = index(nIndex, ns, "vn", vecText(polyNormal(p.pts)));
    std::string f = "f";
    for (Vec3f v : p.pts) f += " " + std::to_string(index(vIndex, vs, "v", vecText(v))) + "//" + std::to_string(n);
    groups[p.slot] += f + "\n";
  }
  groups.try_emplace(slotDark);
  std::string out = "# " + name + "\n" + vs + ns;
  for (const auto& [slot, faces] : groups)
    out += "g " + name + "_" + kSlotNames[slot] + "_" + std::to_string(slot + 1) + "\n" + faces;
  return out;
}

void write(const std::string& dir, const std::string& name, const Mesh& mesh) {
  const std::string path = dir + "/" + name + ".obj";
  std::ofstream out(path, std::ios::binary);
  out << objText(name, mesh);
  if (!out) throw std::runtime_error("cannot write " + path);
  std::cout << path << ": " << mesh.size() << " faces\n";
}

Mesh combine(std::initializer_list<Mesh> parts) {
  Mesh m;
  for (const Mesh& p : parts) m.insert(m.end(), p.begin(), p.end());
  return m;
}

void writeAll(const std::string& assets) {
  const std::map<std::string, Mesh> parts{
      {"hull_dart", hullDart()},         {"hull_wedge", hullWedge()},
      {"hull_brick", hullBrick()},       {"thruster_single", thrusterSingle()},
      {"thruster_twin", thrusterTwin()}, {"thruster_triple", thrusterTriple()},
      {"heatsink_fins", heatsinkFins()}, {"heatsink_plate", heatsinkPlate()},
      {"wing_delta", wingDelta()},       {"wing_spoiler", wingSpoiler()},
      {"wing_canard", wingCanard()},     {"cover_bubble", coverBubble()},
      {"cover_visor", coverVisor()},     {"pod_side", podSide()},
      {"pod_blister", podBlister()},
  };
  for (const auto& [name, mesh] : parts) write(assets + "/components", name, mesh);
  auto car = [&](const char* hull, const char* thruster, const char* heatsink, const char* wing, const char* pod,
                 const char* cover) {
    return combine(
        {parts.at(hull), parts.at(thruster), parts.at(heatsink), parts.at(wing), parts.at(pod), parts.at(cover)});
  };
  write(assets, "car", car("hull_dart", "thruster_single", "heatsink_fins", "wing_delta", "pod_side", "cover_bubble"));
  write(assets, "car2",
        car("hull_wedge", "thruster_twin", "heatsink_plate", "wing_spoiler", "pod_blister", "cover_visor"));
  write(assets, "car3",
        car("hull_brick", "thruster_triple", "heatsink_fins", "wing_canard", "pod_side", "cover_visor"));
  write(assets, "car4",
        car("hull_dart", "thruster_twin", "heatsink_plate", "wing_spoiler", "pod_blister", "cover_bubble"));
  write(assets, "hex", hexColumn());
}

}  // namespace dx::gen

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: gen_models <assets folder>\n";
    return 2;
  }
  try {
    dx::gen::writeAll(argv[1]);
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
