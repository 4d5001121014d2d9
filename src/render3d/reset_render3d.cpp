#include "render3d/reset_render3d.h"

#include "framework/reset_framework.h"
#include "render3d/render_state.h"

namespace dx {

void resetRender3dModules() {
  resetFrameworkModules();
  resetRenderState();
}

}  // namespace dx
