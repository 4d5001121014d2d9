#include "app/race_screen.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "app/game.h"
#include "app/race_session.h"
#include "app/status_panel.h"
#include "app/view_controls.h"
#include "framework/canvas.h"
#include "framework/colors.h"
#include "framework/font.h"
#include "framework/numeric.h"
#include "framework/run_loop.h"
#include "geom/scalar_math.h"
#include "map/node_queries.h"
#include "map/track_drawing.h"
#include "objects/shared_records.h"

namespace dx {

namespace {

// Whole pixels of a bar length; held within reach of the screen so a degenerate car (no force
// or temperature limit, which divides by zero) draws a full or empty bar instead of overflowing.
Pint barPixels(double v) {
  constexpr double kLimit = 1 << 20;
  if (v != v) return 0;
  return Pint(std::clamp(std::floor(v), -kLimit, kLimit));
}

// A gauge bar from x0 to xr on row y, and one pixel further left on the row below.
void bar(Pint x0, Pint y, Pint xr) {
  hline(x0, y, xr);
  hline(x0 - 1, y + 1, xr);
}

ColorId temperatureColor(const Car& car, float t) {
  const int64_t frame = sharedRecords().frame;
  if (car.engineShutdown) return frame % 10 < 5 ? 8 : 0;
  if (t < 0.125f && frame % 10 <= 4) return 7;
  if (t < 0.25f && frame % 20 <= 9) return 7;
  return getEngineColor(car);
}

// The nodes near the view, farthest from the car first so the near ones are painted last.
std::vector<Node> nodesFarthestFirst(const Map& map, const AABB& box, int64_t carNode) {
  std::vector<Node> nodes = getNodesInAABB(map, box);
  const int64_t n = int64_t(map.path.size());
  std::vector<std::pair<int64_t, size_t>> keys;
  keys.reserve(nodes.size());
  for (size_t i = 0; i < nodes.size(); ++i) keys.emplace_back(modDiff(nodes[i].id, carNode, n), i);
  std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<Node> sorted;
  sorted.reserve(nodes.size());
  for (const auto& k : keys) sorted.push_back(std::move(nodes[k.second]));
  return sorted;
}

}  // namespace

void gameDrawRace() {
  Harness& h = harness();
  const Car& car = followedCar();
  const Map& map = *h.myMap;
  const DrawState& d = drawState();
  cls();
  h.pos = lerp(h.pos, (car.pos + car.vel * 0.1f) * 8.0f, 0.5f);
  const Vec2f screen = vec2f(d.screenWidth, d.screenHeight);
  const Vec2f topLeft = h.pos - screen * 0.5f;
  const AABB box{topLeft / 8.0f, (topLeft + screen) / 8.0f};
  const std::vector<Node> nodes = nodesFarthestFirst(map, box, car.currentNode);
  setupCamera(car.pos, car.vel);
  drawLayer0(map, car.currentNode);
  drawLayer1(map, car.currentNode);
  drawLayer2(map, nodes, car.currentNode);
  drawLayer3(map, nodes, car.currentNode);
  drawParticles(map.ps, car.currentNode, loopState().timeStep);
  drawLayer4(map, car.currentNode);
  drawLayer5(map, nodes, car.currentNode, box);
  setSpritesheet(0);
  drawWeather(map.envPS, loopState().timeStep);
  setCamera(0, 0);
  stencilMode(stencilAlways);
  if (racing()) drawRaceMarks();
  const bool panel = viewState().panel;
  if (panel) drawGaugeBacking();
  drawGauges(car);
  if (panel) drawStatusPanel(car);
  if (racing()) drawRaceOverlay();
}

void drawGauges(const Car& car) {
  const DrawState& d = drawState();
  const CarSettings& s = car.settings;
  const Pint W = d.screenWidth, H = d.screenHeight, xr = W - 2;
  const double w5 = W / 5.0;

  const float t = 1.0f - car.temperature / s.shutdownTemperature;
  const float u = 1.0f - s.restartTemperature / s.shutdownTemperature;
  setColor(color::darkBlue);
  bar(W - barPixels(w5), H - 3, xr);
  setColor(color::black);
  bar(std::max(0, xr - barPixels(u * w5)), H - 3, xr);
  setColor(temperatureColor(car, t));
  bar(std::max(0, xr - barPixels(t * w5)), H - 3, xr);

  const float F = s.maxaccel + s.boostForce;
  const float scale = 0.25f * float(W);
  auto L = [&](Vec2f v) { return barPixels(length(v) / F * scale); };
  const Pint full = xr - L(car.accelForce + car.boostForce);
  setColor(color::red);
  bar(full, H - 6, xr);
  setColor(color::green);
  bar(xr - L(car.accelForce), H - 6, xr);
  const Pint xb = xr - L(car.brakeForce);
  setColor(color::black);
  if (xb > 1) {
    hline(xb + 1, H - 6, xr);
    hline(xb, H - 5, xr);
  }
  hline(full - 1, H - 4, xr);

  const float v = toKmh(length(car.vel));
  setColor(color::orange);
  bar(xr - barPixels(w5 * (v / 200.0f)), H - 9, xr);
  setFont(0);
  printr(std::to_string(truncToInt64(v)), W, H - 15, 1);
}

}  // namespace dx
