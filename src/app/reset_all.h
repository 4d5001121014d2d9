#pragma once
// Every module state of the game and of the libraries below it, back at its start-up defaults at
// once, so a test or a start-up never depends on a hand-kept list: the car library's reset (which
// calls the map's, and so on down to the framework's), then the harness's own. The platform's
// state (the window, the input events, the audio device) is the platform's to reset, and the log
// sink belongs to whoever set it (a test's log capture, which puts the previous one back itself).

namespace dx {

void resetAllState();

}  // namespace dx
