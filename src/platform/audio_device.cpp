#include "audio_device.h"

#include <SDL.h>

#include <string>

#include "framework/audio.h"
#include "framework/errors.h"
#include "framework/log.h"

namespace dx {

namespace {

// The game plays no sound, so a machine without audio must still run it: the mixer stays closed.
void audioOff(const std::string& why) {
  debug(why);
  debug("audio is off");
}

}  // namespace

void initMixer(bool withInput) {
  MixerState& m = mixerState();
  debug("initMixer");
  if (m.audioDeviceId != 0) SDL_CloseAudioDevice(m.audioDeviceId);
  m.audioDeviceId = 0;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    audioOff(std::string("Unable to initialize audio: ") + SDL_GetError());
    return;
  }
  SDL_AudioSpec want{}, have{};
  want.freq = int(m.sampleRate);
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = Uint16(m.audioBufferSize);
  // Only the rate may differ from the request; SDL converts anything else, so the queued data
  // is always float32 stereo.
  const SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
  if (dev == 0) {
    audioOff(std::string("Unable to open audio device: ") + SDL_GetError());
    return;
  }
  m.audioDeviceId = dev;
  echo("opened audio output ", have.freq, " channels: ", int(have.channels), " format: ", have.format);
  if (withInput) debug("audio input is not supported");
  startMixer(double(have.freq));
  queueMixerAudio();
  SDL_PauseAudioDevice(dev, 0);
  debug("audio initialised using main thread");
}

void queueMixerAudio() {
  MixerState& m = mixerState();
  if (m.audioDeviceId == 0) return;
  mixPass();
  const auto bytes = Uint32(m.outputSamples.size() * sizeof(float));
  if (SDL_QueueAudio(m.audioDeviceId, m.outputSamples.data(), bytes) != 0)
    throw GameError(std::string("error queueing audio: ") + SDL_GetError());
}

int64_t queuedAudioSize() {
  const MixerState& m = mixerState();
  if (m.audioDeviceId == 0) return 0;
  return int64_t(SDL_GetQueuedAudioSize(m.audioDeviceId) / sizeof(float));
}

void refillAudio() {
  const MixerState& m = mixerState();
  if (m.audioDeviceId == 0) return;
  if (queuedAudioSize() < 4 * int64_t(m.audioBufferSize)) queueMixerAudio();
}

}  // namespace dx
