#include "framework/spritesheet.h"

namespace dx {

void reloadSpritesheets() {}

}  // namespace dx
