#include "app/reset_all.h"

#include "app/game.h"
#include "app/view_controls.h"
#include "car/ai_driver.h"
#include "car/car.h"
#include "car/car_draw.h"
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
#include "map/item_types.h"
#include "map/track_drawing.h"
#include "objects/shared_records.h"
#include "render3d/render_state.h"

namespace dx {

void resetAllState() {
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
  resetRenderState();
  resetSharedRecords();
  resetItemTypes();
  resetTrackDrawState();
  resetCarCatalogue();
  resetCarDrawState();
  resetAIState();
  resetHarness();
  resetSession();
  resetViewState();
}

}  // namespace dx
