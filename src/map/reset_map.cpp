#include "map/reset_map.h"

#include "map/item_types.h"
#include "map/track_drawing.h"
#include "objects/reset_objects.h"

namespace dx {

void resetMapModules() {
  resetObjectModules();
  resetItemTypes();
  resetTrackDrawState();
}

}  // namespace dx
