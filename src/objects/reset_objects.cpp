#include "objects/reset_objects.h"

#include "objects/shared_records.h"
#include "objects/track_object.h"
#include "render3d/reset_render3d.h"

namespace dx {

void resetObjectModules() {
  resetRender3dModules();
  resetSharedRecords();
  collisionAnswers() = CollisionAnswers{};
}

}  // namespace dx
