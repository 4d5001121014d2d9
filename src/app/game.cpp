#include "app/game.h"

#include <cmath>

#include "framework/canvas.h"
#include "framework/input.h"
#include "framework/log.h"

namespace dx {

namespace {
Harness gHarness;
}

Harness& harness() { return gHarness; }
void resetHarness() { gHarness = Harness{}; }

void gameInit() {}

void gameUpdate(float dt) {
  Harness& h = gHarness;
  h.time += dt;
  if (keyp(keyEscape)) h.carEdit = !h.carEdit;
  if (keyp(keyF2)) {
    writeDataLog("car.dat", h.dataLog);
    echo("wrote car.dat");
  }
  if (keyp(keyR)) echo("reloading file");
  if (h.carEdit)
    gameUpdateEdit();
  else
    gameUpdateRace(dt);
}

void gameDraw() {
  gHarness.frame += 1;
  if (gHarness.carEdit)
    gameDrawEdit();
  else
    gameDrawRace();
}

void gameUpdateRace(float dt) { gHarness.timeSinceStart += dt; }

void gameUpdateEdit() {}

void gameDrawRace() {
  // Until the track and the cars are drawn: a turning fan of triangles over a grid.
  const DrawState& d = drawState();
  cls();
  setColor(1);
  for (int x = 0; x < d.screenWidth; x += 16) line(x, 0, x, d.screenHeight - 1);
  for (int y = 0; y < d.screenHeight; y += 16) line(0, y, d.screenWidth - 1, y);
  const float cx = d.screenWidth * 0.5f, cy = d.screenHeight * 0.5f, t = gHarness.time;
  for (int i = 0; i < 6; ++i) {
    const float a = t + float(i) * 1.0471976f, b = a + 0.5f;
    setColor(8 + i);
    trifill(Pint(cx), Pint(cy), Pint(cx + 50 * std::cos(a)), Pint(cy + 50 * std::sin(a)),
            Pint(cx + 50 * std::cos(b)), Pint(cy + 50 * std::sin(b)));
  }
  setColor(7);
  circ(Pint(cx), Pint(cy), 55);
}

void gameDrawEdit() {
  cls();
  setColor(5);
  rectfill(0, 0, 20, 20);
}

}  // namespace dx
