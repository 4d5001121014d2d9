#pragma once
// Small hand-made tracks for the track tests.
#include "map/track.h"

namespace dx::test {

inline Section straight(int steps, uint16_t flags = 0, float width = 32, float verge = 8) {
  Section s;
  s.kind = AngleCurve;
  s.steps = steps;
  s.widthL = s.widthR = width;
  s.vergeL = s.vergeR = verge;
  s.flags = flags;
  return s;
}

inline Section turning(int steps, float turn, float width = 32) {
  Section s = straight(steps, 0, width);
  s.turn = turn;
  return s;
}

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
