#pragma once
// The track compiler's printed report of a built track (see map/track_checks.h) and its node list.
#include <string>

#include "map/track_checks.h"

namespace dx {

std::string formatReport(const TrackReport& r);

// One line per node: id, section, position, heading, widths, flags, distance remaining.
std::string formatNodes(const Map& map);

}  // namespace dx
