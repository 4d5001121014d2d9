// The headless trainer's entry.
#include <cstdio>
#include <string>
#include <vector>

#include "app/headless_trainer.h"
#include "app/reset_all.h"
#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/run_loop.h"
#include "platform/folders.h"

int main(int argc, char** argv) {
  using namespace dx;
  ignoreFileSizeSignal();
  bool ok = true;
  const std::optional<TrainerOptions> options = parseTrainerArgs(std::vector<std::string>(argv + 1, argv + argc), ok);
  if (!options) return ok ? 0 : 2;
  try {
    resetAllState();
    LoopState& L = loopState();
    L.basePath = basePathOfExecutable();
    L.assetPath = joinPath(L.basePath, "assets");
    return runTrainer(*options);
  } catch (const TrackError&) {
    return 1;  // the track builder has said why
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    return 1;
  }
}
