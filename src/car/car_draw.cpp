// A car in the 3D scene: its flat shadow and engine trail, then brake lights, the body built
// from its six component models, the engine flame and glow, and the AI's debug vectors.
#include "car/car_draw.h"

#include <algorithm>
#include <array>

#include "car/ai_driver.h"
#include "car/car.h"
#include "framework/canvas.h"
#include "framework/colors.h"
#include "framework/numeric.h"
#include "framework/random.h"
#include "render3d/model_draw.h"
#include "render3d/rasterizer.h"
#include "render3d/render_state.h"

namespace dx {

namespace {

CarDrawState gCarDraw;

void modelTransform(const Car& car, float height) {
  modelTranslate(vec3f(car.pos, height));
  modelRotate(float(kPi / 2) + car.angle, -worldZ);
  modelRotate(-car.angularVelocity * 0.2f, worldY);
  modelScale(0.125f);
}

void drawComponents(const Car& car, std::span<const ColorId> colours) {
  const CarCatalogue& c = carCatalogue();
  const CarSettings& s = car.settings;
  auto draw = [&](const std::vector<CarComponent>& list, int64_t i) {
    if (i >= 0 && i < int64_t(list.size())) drawFlat(list[size_t(i)].model, colours);
  };
  draw(c.carHulls, s.hullIndex);
  draw(c.carThrusters, s.thrusterIndex);
  draw(c.carHeatsinks, s.heatsinkIndex);
  draw(c.carWings, s.wingIndex);
  draw(c.carPods, s.podIndex);
  draw(c.carCovers, s.coverIndex);
  modelReset();
}

Vec3f at(Vec2f p, float z) { return vec3f(p, z); }

Vec2f rotated(const Car& car, Vec2f v) { return rotatePoint(v, car.angle, {0, 0}); }

void brakeLights(const Car& car) {
  if (!(car.brake > 0)) return;
  const Vec3f c = at(car.pos, 2);
  auto lines = [&](float outer) {
    if (car.controls.steer <= 0)
      line3d(c + rotated(car, Vec2f{2, -2} * 0.125f), c + rotated(car, Vec2f{outer, -outer} * 0.125f * car.brake));
    if (car.controls.steer >= 0)
      line3d(c + rotated(car, Vec2f{2, 2} * 0.125f), c + rotated(car, Vec2f{outer, outer} * 0.125f * car.brake));
  };
  setColor(car.trailColor);
  lines(4);
  if (sharedRecords().frame % 2 == 0) {
    setColor(color::white);
    lines(2.5f);
  }
}

// The flame and the trail flicker with the drawing's own generator: what is drawn must not
// change what the simulation draws.
float flameLength(const Car& car) {
  RandomState& r = drawRandom();
  if (car.ready > 0) return rnd(r, lerp(20.0f, 0.0f, car.ready));
  if (car.controls.accel) return 2.0f + rnd(r, 3.0f * car.boosting + 2.0f);
  return 1.0f + rnd(r, 2.0f);
}

void engine(const Car& car) {
  setUseDepth(false);
  const Vec2f e = enginePoint(car);
  const int64_t k = getEngineColor(car);
  const float h = flameLength(car);
  const Vec2f s = perpendicular(polarVec2f(car.angle, 1));
  const float g = (rnd(drawRandom(), 0.125f) + 0.25f) * 0.25f;
  const bool moving = !isZero(car.vel);
  if (moving) {
    setColor(k);
    trifill3d(at(e - car.vel * 0.25f * g * h, 2), at(e - s * g * h, 2), at(e + s * g * h, 2));
  }
  setColor(car.engineShutdown ? 0 : k);
  circfill3d(at(e, 2), car.engineShutdown ? 0.0625f : 2 * h * 0.125f);
  if (car.trail.size >= 1) {
    setColor(k);
    circfill3d(at(e, 2), h * 1.5f * 0.125f);
  }
  if (!car.engineShutdown) {
    setColor(color::white);
    circfill3d(at(e, 2), 0.125f * h);
  }
  if (moving) {
    setColor(color::white);
    trifill3d(at(e - car.vel * 0.125f * g * h, 2), at(e - s * h * g * 0.5f, 2), at(e + s * h * g * 0.5f, 2));
  }
  setUseDepth(true);
  ditherPattern(0xFFFF);
}

}  // namespace

CarDrawState& carDrawState() { return gCarDraw; }
void resetCarDrawState() { gCarDraw = CarDrawState{}; }

void nextCarModel() {
  static const char* bodies[4] = {"car.obj", "car2.obj", "car3.obj", "car4.obj"};
  gCarDraw.carModelIndex = (gCarDraw.carModelIndex + 1) % 4;
  loadObj(bodies[gCarDraw.carModelIndex], carCatalogue().carModel);
}

void Car::drawShadow3d() {
  setColor(color::black);
  ditherPatternCheckerboard();
  modelTransform(*this, 0.01f);
  const std::array<ColorId, 8> black{};
  drawComponents(*this, black);
  ditherPattern(0xFFFF);
  setColor(activePowerup == BOOST ? 11 : trailColor);
  Vec2f p = enginePoint(*this);
  const int64_t n = trail.size - 1;
  if (n <= 0) return;
  double l = 48;
  float m = 255;
  for (int64_t i = n; i >= 1; --i) {
    const Vec2f q = trail[i];
    const double u = rnd(drawRandom(), 1.0);
    const int64_t v = rnd(drawRandom(), 2);
    m = float(double(m) - (u + l));
    int64_t pattern = int64_t(std::max(m, 0.0f));
    if (v == 1) pattern *= 2;
    lineDashed3d(at(p, 2), at(q, 2), uint8_t(pattern));
    p = q;
    l -= l * 0.1;
    m = std::max(m, 0.0f);
  }
}

void Car::draw3d() {
  brakeLights(*this);
  if (ethereal) ditherPatternCheckerboard();
  modelTransform(*this, 2);
  std::array<ColorId, 8> colours{};
  const TeamInfo& t = sharedRecords().teams[team % 6];
  for (size_t i = 0; i < 8; ++i) colours[i] = t.colors[i];
  if (gCarDraw.useAltColors) std::swap_ranges(colours.begin(), colours.begin() + 2, colours.begin() + 2);
  drawComponents(*this, colours);
  engine(*this);
  if (!ai || !gCarDraw.aiLines) return;
  const Vec2f vectors[3] = {ai->debugVector, ai->debugVector2, ai->debugVector3};
  for (int i = 0; i < 3; ++i) {
    setColor(color::green + i);
    line3d(at(pos, 2), at(pos + vectors[i], 2));
  }
}

}  // namespace dx
