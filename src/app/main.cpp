// Program entry: reads the command line, configures the framework and hands the loop the harness
// callbacks.
#include <cstdio>

#include "app/command_line.h"
#include "app/gain_pool.h"
#include "app/game.h"
#include "car/ai_driver.h"
#include "framework/capture.h"
#include "framework/config.h"
#include "framework/errors.h"
#include "framework/font.h"
#include "framework/input.h"
#include "framework/run_loop.h"
#include "platform/folders.h"
#include "platform/run_loop.h"
#include "platform/window.h"
#include "render3d/rasterizer.h"

int main(int argc, char** argv) {
  using namespace dx;
  bool ok = true;
  const std::optional<GameOptions> options = parseGameArgs(std::vector<std::string>(argv + 1, argv + argc), ok);
  if (!options) return ok ? 0 : 2;
  // A track that cannot be raced is told before any window opens.
  const std::string problem =
      trackFileProblem(joinPath(basePathOfExecutable(), "maps/" + std::to_string(options->track) + ".map"));
  if (!problem.empty()) {
    std::fprintf(stderr, "error: %s\n", problem.c_str());
    return 1;
  }
  // So is a gain pool that could not be read when the first generation ends.
  try {
    readPool(joinPath(basePathOfExecutable(), poolFileName(options->track, options->level, options->driver)),
             geneCount(options->driver));
  } catch (const GameError& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    return 1;
  }
  try {
    initRenderer3d();
    sessionOptions().trackSlot = options->track;
    sessionOptions().ghostFile = options->ghost;
    sessionOptions().race = options->race;
    sessionOptions().opponents = options->opponents;
    sessionOptions().pole = options->pole;
    sessionOptions().level = aiState().difficulty = options->level;
    sessionOptions().driver = options->driver;
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
  } catch (const TrackError&) {
    return 1;  // the track builder has said why
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    return 1;
  }
  return 0;
}
