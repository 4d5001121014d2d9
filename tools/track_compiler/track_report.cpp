#include "track_compiler/track_report.h"

#include <cmath>
#include <cstdio>

#include "framework/numeric.h"
#include "track_compiler/track_description.h"

namespace dx {

namespace {

std::string nodeRange(const NodeRange& r) {
  std::string s = std::to_string(r.first);
  if (r.last > r.first) {
    s += '-';
    s += std::to_string(r.last);
  }
  return s;
}

std::string fmt(const char* format, double a, double b = 0, double c = 0, double d = 0) {
  char buf[160];
  std::snprintf(buf, sizeof buf, format, a, b, c, d);
  return buf;
}

// Control characters as \xHH, so a track's name cannot drive the terminal it is shown on; other
// bytes (UTF-8 letters) pass unchanged.
std::string withoutControls(const std::string& text) {
  std::string out;
  char hex[8];
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7F) {
      out += c;
      continue;
    }
    std::snprintf(hex, sizeof hex, "\\x%02X", u);
    out += hex;
  }
  return out;
}

}  // namespace

std::string formatReport(const TrackReport& r) {
  std::string s = "track \"" + withoutControls(r.name) + "\": style " + mapStyleName(r.style) + ", laps " +
                  std::to_string(r.laps) + ", " + std::to_string(r.sections) + " sections, " + std::to_string(r.nodes) +
                  " nodes\n";
  s += fmt("length %.1f map units; bounds (%.1f, %.1f) to ", r.length, r.bounds.min.x, r.bounds.min.y);
  s += fmt("(%.1f, %.1f); largest node spacing %.2f\n", r.bounds.max.x, r.bounds.max.y, r.maxSpacing);
  s += fmt("the walk ends at layout (%.1f, %.1f) heading %.2f degrees\n", r.walkEndPos.x, r.walkEndPos.y,
           r.walkEndHeading * 180.0 / kPi);
  if (r.laps > 0)
    s += fmt("loop: last node %.3f from node 0, %.3f from the start point, heading mismatch %.4f rad\n", r.loopGap,
             r.endFromStart, r.headingMismatch);
  else
    s += "open track: nodes 0-31 are the start run-off, the last 33 the finish run-off\n";
  s += "self-crossings: " + std::to_string(r.crossings.size()) + ", folded corners: " + std::to_string(r.folds.size()) +
       "\n";
  s += fmt("racing line: %.2f from the nearest wall (node %.0f)", r.lineClearance, double(r.lineClearanceNode));
  if (std::isfinite(r.dividerClearance))
    s += fmt(", %.2f from the split divider; narrowest split lane %.2f", r.dividerClearance, r.narrowestSplitLane);
  s += "\n";
  s += "nodes of each section:";
  for (size_t i = 0; i < r.sectionNodes.size(); ++i) {
    const NodeRange& range = r.sectionNodes[i];
    s += ' ';
    s += std::to_string(i);
    s += ':';
    s += range.last < range.first ? "none" : nodeRange(range);
  }
  s += "\n";
  for (const FlagUse& f : r.flags) {
    const char* name = flagName(f.bit);
    char bit[16];
    std::snprintf(bit, sizeof bit, "0x%x", f.bit);
    s += std::string("flag ") + (name ? name : "") + " (" + bit + "): nodes";
    for (const NodeRange& range : f.ranges) {
      s += ' ';
      s += nodeRange(range);
    }
    s += "\n";
  }
  s += "boosters: " + std::to_string(r.boosterNodes.size()) + " at nodes";
  for (int64_t b : r.boosterNodes) {
    s += ' ';
    s += std::to_string(b);
  }
  s += fmt("; farthest %.2f from the racing line\n", r.boosterLineDistance);
  s += "scenery: " + std::to_string(r.scenery) + " objects, " + std::to_string(r.sceneryOnRoad) + " on the road\n";
  return s;
}

std::string formatNodes(const Map& map) {
  std::string s = "id section x y angle widthL widthR flags distanceRemaining\n";
  char buf[200];
  for (const Node& n : map.path) {
    std::snprintf(buf, sizeof buf, "%lld %lld %.3f %.3f %.4f %.1f %.1f 0x%03x %.2f\n", (long long)n.id,
                  (long long)n.section, n.pos.x, n.pos.y, n.angle, n.widthL, n.widthR, n.flags, n.distanceRemaining);
    s += buf;
  }
  return s;
}

}  // namespace dx
