#include "framework/spritesheet.h"

#include "framework/canvas.h"
#include "framework/errors.h"
#include "framework/log.h"
#include "framework/png_io.h"
#include "framework/run_loop.h"

namespace dx {

void loadSpriteSheet(int64_t index, const std::string& filename, int tw, int th) {
  if (index < 0 || index > 15) throw IndexError("Invalid spritesheet " + std::to_string(index));
  DrawState& d = drawState();
  const bool wasCurrent = d.spritesheets[index] && d.spritesheets[index] == d.spritesheet;
  SurfacePtr s = loadSurfaceIndexed(joinPath(assetPath(), filename));
  echo("loaded spritesheet: ", filename, " ", s->w, "x", s->h, " tile:", tw, "x", th);
  s->tw = tw;
  s->th = th;
  s->filename = filename;
  d.spritesheets[index] = s;
  if (wasCurrent) setSpritesheet(index);
}

void reloadSpritesheets() {
  for (const SurfacePtr& sheet : drawState().spritesheets) {
    if (!sheet || sheet->filename.empty()) continue;
    SurfacePtr fresh;
    try {
      fresh = loadSurfaceIndexed(joinPath(assetPath(), sheet->filename));
    } catch (const GameError& e) {
      // A file caught half-written by an editor must not end the run; the old pixels stay.
      debug("cannot refresh spritesheet", e.what());
      continue;
    }
    debug("refreshed spritesheet", sheet->filename, fresh->w, fresh->h, sheet->tw, sheet->th);
    sheet->data = std::move(fresh->data);
    sheet->w = fresh->w;
    sheet->h = fresh->h;
  }
}

}  // namespace dx
