// Program entry: configures the framework and hands the loop the harness callbacks.
#include <cstdio>

#include "app/game.h"
#include "framework/capture.h"
#include "framework/errors.h"
#include "framework/presentation.h"
#include "framework/run_loop.h"

int main() {
  using namespace dx;
  try {
    init("tormix", "draxen3516");
    createWindow("DRAXEN 3516", 240, 136, 2, false);
    fixedSize(false);
    integerScale(true);
    setRecordSeconds(10);
    run(gameInit, gameUpdate, gameDraw);
  } catch (const ExitRequest& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return e.status;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    return 1;
  }
  return 0;
}
