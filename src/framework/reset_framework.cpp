#include "framework/reset_framework.h"

#include "framework/audio.h"
#include "framework/canvas.h"
#include "framework/capture.h"
#include "framework/config.h"
#include "framework/font.h"
#include "framework/input.h"
#include "framework/palette.h"
#include "framework/random.h"
#include "framework/run_loop.h"
#include "framework/tilemap.h"

namespace dx {

void resetFrameworkModules() {
  resetLoopState();
  resetDrawState();
  setPalette(loadPaletteDefault());
  resetFontState();
  resetInput();
  resetMixerState();
  resetCaptureState();
  resetConfig();
  resetTilemapState();
  resetRandomGenerators();
}

}  // namespace dx
