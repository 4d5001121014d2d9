#include "app/race_screen.h"

#include "app/game.h"
#include "framework/canvas.h"
#include "geom/draw_adapters.h"

namespace dx {

void gameDrawRace() {
  Harness& h = harness();
  cls();
  const DrawState& d = drawState();
  const Vec2f centre = h.myCar->pos * 8.0f - Vec2f{d.screenWidth * 0.5f, d.screenHeight * 0.5f};
  setCamera(Pint(centre.x), Pint(centre.y));
  setColor(5);
  for (const Node& n : h.myMap->path) {
    line(n.left * 8.0f, n.right * 8.0f);
  }
  for (const auto& o : h.myMap->trackObjects) {
    setColor(o.get() == h.myCar.get() ? 8 : 12);
    pset(o->pos * 8.0f);
  }
  setCamera(0, 0);
}

}  // namespace dx
