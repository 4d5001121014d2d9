#pragma once
// Small hand-made tracks: the one way every test fixture builds its sections and sources.
#include "map/track.h"

namespace dx::test {

// An AngleCurve section of `steps` nodes, turning by `turn` per node.
inline Section section(int steps, float turn = 0, uint16_t flags = 0, float width = 32, float verge = 8) {
  Section s;
  s.kind = AngleCurve;
  s.steps = steps;
  s.turn = turn;
  s.widthL = s.widthR = width;
  s.vergeL = s.vergeR = verge;
  s.flags = flags;
  return s;
}

inline Section straight(int steps, uint16_t flags = 0, float width = 32, float verge = 8) {
  return section(steps, 0, flags, width, verge);
}

inline Section turning(int steps, float turn, float width = 32) { return section(steps, turn, 0, width); }

inline MapSource sourceOf(std::vector<Section> sections, int64_t laps) {
  MapSource src;
  src.sections = std::move(sections);
  src.laps = laps;
  return src;
}

// A circle of n nodes (one AngleCurve step per node), closed when laps > 0.
inline MapSource ring(int n, int64_t laps = 1, float width = 32) {
  return sourceOf({turning(n, float(2 * 3.14159265358979 / n), width)}, laps);
}

}  // namespace dx::test
