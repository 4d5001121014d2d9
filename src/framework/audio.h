#pragma once
// The audio mixer: 16 channels mixed on the loop thread and queued to the device.
#include <cstdint>

namespace dx {

void initMixer(bool withInput);
// Queues another mixed buffer when the device queue runs low.
void refillAudio();
void sfx(int channel, int index, int loop, float gain, float pitch, float priority);

}  // namespace dx
