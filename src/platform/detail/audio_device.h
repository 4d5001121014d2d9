#pragma once
// The audio output device: opened at start-up, fed from the loop with passes of the mixer
// (framework/audio.h).
#include <cstdint>

namespace dx {

// Opens the default output (float32 stereo) and queues the first buffer. When the platform has
// no usable audio the mixer logs that audio is off and stays silent instead of ending the run.
void initMixer(bool withInput);
// Mixes one pass of audioBufferSize values and queues it on the device.
void queueMixerAudio();
// Float samples waiting on the device.
int64_t queuedAudioSize();
// Queues another mixed buffer when fewer than 4 passes are waiting.
void refillAudio();

}  // namespace dx
