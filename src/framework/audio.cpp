#include "framework/audio.h"

namespace dx {

void initMixer(bool) {}
void refillAudio() {}
void sfx(int, int, int, float, float, float) {}

}  // namespace dx
