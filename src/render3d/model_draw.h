#pragma once
// Whole models through the rasteriser: flat colours per face set, lit shades per face, or
// outlines.
#include <array>
#include <span>

#include "framework/canvas.h"
#include "render3d/model.h"

namespace dx {

// Each face set in colors[materialId]. A set whose id has no colour in the list is reported
// once and not drawn. Depth use is whatever setUseDepth or an earlier drawLit left.
void drawFlat(const Model& model, std::span<const ColorId> colors);
// Each face in the shade of ramp (dark to bright) that its lighting selects: 8 plain shades,
// or 32 dithered ones when light dithering is on. Turns depth test and write on.
void drawLit(const Model& model, const std::array<ColorId, 8>& ramp);
// Every face outlined in the current colour, without depth test.
void drawWire(const Model& model);

}  // namespace dx
