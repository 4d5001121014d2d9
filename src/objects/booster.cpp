#include <array>
#include <limits>

#include "framework/audio.h"
#include "framework/canvas.h"
#include "framework/colors.h"
#include "geom/draw_adapters.h"
#include "objects/shared_records.h"
#include "objects/track_object.h"

namespace dx {

namespace {

// An arrow pointing along +x.
constexpr std::array<Vec2f, 3> kBoosterShape = {{{-5, 5}, {6, 0}, {-5, -5}}};

int64_t blinkColour() { return sharedRecords().frame % 10 < 5 ? 11 : 7; }

}  // namespace

void Booster::draw() {
  setColor(blinkColour());
  const std::vector<Vec2f> shape = rotatedPoly(pos, kBoosterShape, angle, {0, 0}, 1.5f);
  trifill(shape);
  setColor(color::lavender);
  poly(shape);
}

void Booster::drawEditor(float scale) {
  setColor(blinkColour());
  trifill(rotatedPoly(pos * scale, kBoosterShape, angle, {0, 0}, scale));
}

void Booster::hitBy(TrackObject& car) {
  if (car.hasPlayer()) sfx(9, 2, 1, 1.0f, 1.0f, std::numeric_limits<float>::infinity());
}

}  // namespace dx
