#pragma once
// A plan view of a track for checking a design: road and bands, walls coloured by kind, split
// dividers, gates, start and finish lines with the driving direction, the racing line, boosters
// and scenery, and a legend.
#include <optional>
#include <string>

#include "framework/canvas.h"
#include "map/track.h"

namespace dx {

// Colours of the plan (indices of the default 16-colour palette).
enum PlanColor : uint8_t {
  planBackground = 0,
  planRoad = 1,
  planScenery = 3,
  planBand = 5,
  planWall = 6,
  planStart = 7,
  planRacingLine = 8,
  planOpenSide = 9,
  planGate = 10,
  planSpecialSide = 11,
  planBooster = 12,
  planNodeMark = 13,
  planDivider = 14,
};

struct PlanView {
  float scale = 2;             // pixels per map unit
  std::optional<AABB> window;  // map units; the whole track and its scenery when absent
  std::string legendFont;      // an RGBA font image (font5x5.png) for the legend; none without
};

// Draws the plan onto the framework canvas (resized to fit the view) and returns the canvas: an
// arrow on the start line points the driving direction, and with a legend font a strip below
// names the colours. The map needs its racing line.
SurfacePtr drawTrackPlan(const Map& map, const MapSource& src, const PlanView& view);

// drawTrackPlan written as an indexed PNG in the default palette.
void writeTrackPlan(const std::string& path, const Map& map, const MapSource& src, const PlanView& view);

}  // namespace dx
