#pragma once
// Every module state of the game and of the framework below it, back at its start-up defaults at
// once, so a test or a start-up never depends on a hand-kept list. The platform's own state (the
// window, the input events, the audio device) is the platform's to reset, and the log sink
// belongs to whoever set it (a test's log capture, which puts the previous one back itself).

namespace dx {

void resetAllState();

}  // namespace dx
