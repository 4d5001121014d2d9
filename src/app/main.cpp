// Program entry: configures the framework and hands the loop the harness callbacks.
#include <cstdio>

#include "app/game.h"
#include "framework/capture.h"
#include "framework/config.h"
#include "framework/errors.h"
#include "framework/font.h"
#include "framework/input.h"
#include "framework/presentation.h"
#include "framework/run_loop.h"
#include "render3d/rasterizer.h"

int main() {
  using namespace dx;
  try {
    initRenderer3d();
    harness().lightPos = {5.0f, 5.0f, 5.0f};
    init("tormix", "draxen3516");
    createWindow("DRAXEN 3516", 240, 136, 2, false);
    loadFont(0, "font.png", fontChars);
    loadFont(1, "font5x5.png", font5x5Chars);
    setFont(1);
    fixedSize(false);
    integerScale(true);
    setRecordSeconds(10);
    harness().keymap = getConfigValue("Input", "keymap", "");
    setKeyMap(harness().keymap);
    run(gameInit, gameUpdate, gameDraw);
  } catch (const ExitRequest& e) {
    return e.status;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    return 1;
  }
  return 0;
}
