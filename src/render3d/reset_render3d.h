#pragma once
// The 3D renderer's state and the framework's below it, back at their start-up defaults.

namespace dx {

void resetRender3dModules();

}  // namespace dx
