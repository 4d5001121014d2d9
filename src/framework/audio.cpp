#include "framework/audio.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "framework/errors.h"
#include "framework/log.h"

namespace dx {

namespace {

MixerState gMixer;

void idle(AudioChannel& c) {
  c.kind = channelNone;
  c.buffer.reset();
}

// Once per stereo frame: the 1/60 s clock flag and the tempo tick.
void advanceClocks(MixerState& m) {
  if (--m.clockCounter <= 0) {
    m.clockCounter = int(std::floor(m.sampleRate)) / 60;
    m.clock = true;
  } else {
    m.clock = false;
  }
  m.tickCounter -= 1.0;
  if (m.tickCounter <= 0.0) {
    if (m.tickFunc) m.tickFunc();
    // Real division: ticks per second are ticks per beat times beats per second.
    m.tickCounter = m.sampleRate / ((double(m.currentTpb) / 60.0) * double(m.currentBpm));
  }
}

// Moves a playing sample on by one frame, wrapping at its end; a counted loop idles the channel
// once it has played out.
void advancePhase(AudioChannel& c, int n) {
  c.phase += c.freq;
  if (c.phase >= 0.0f && c.phase < float(n)) return;
  c.phase = std::fmod(c.phase, float(n));
  if (c.phase < 0.0f) c.phase += float(n);
  if (!(c.phase >= 0.0f && c.phase < float(n))) c.phase = 0.0f;  // non-finite pitch or rounding up to n
  if (c.loop > 0 && --c.loop == 0) idle(c);
}

// The left value of a stereo frame; the right half repeats it, so a mono sample sits centred and
// the position moves once per frame.
float leftValue(AudioChannel& c, double sfxVolume) {
  if (c.kind != channelWave || !c.buffer) return 0.0f;
  const SampleBuffer& b = *c.buffer;
  const int n = std::min(b.length, int(b.data.size()));
  if (n <= 0) {
    idle(c);
    return 0.0f;
  }
  const int i0 = int(c.phase);
  const int i1 = i0 + 1 < n ? i0 + 1 : 0;
  const float t = c.phase - float(i0);
  const float s = b.data[size_t(i0)] + (b.data[size_t(i1)] - b.data[size_t(i0)]) * t;
  const float v = float(sfxVolume * double(c.gain) * double(s));
  advancePhase(c, n);
  return v;
}

}  // namespace

MixerState& mixerState() { return gMixer; }

void resetMixerState() { gMixer = MixerState{}; }

void startMixer(double sampleRate) {
  MixerState& m = gMixer;
  m.sampleRate = sampleRate;
  m.invSampleRate = 1.0 / m.sampleRate;
  for (AudioChannel& c : m.audioChannels) c = AudioChannel{};
  m.outputSamples.assign(size_t(m.audioBufferSize), 0.0f);
}

void mixValues(float* out, int count) {
  MixerState& m = gMixer;
  for (int i = 0; i < count; ++i) {
    const bool left = i % 2 == 0;
    if (left) advanceClocks(m);
    float sum = 0.0f;
    for (AudioChannel& c : m.audioChannels) {
      const float v = left ? leftValue(c, m.sfxVolume) : c.outvalue;
      c.outvalue = v;
      c.outputBuffer[size_t(c.outputIndex)] = v;
      c.outputIndex = (c.outputIndex + 1) % kChannelRingSize;
      sum += v;
    }
    out[i] = sum;
    ++m.sampleCounter;
  }
}

void mixPass() {
  MixerState& m = gMixer;
  m.outputSamples.resize(size_t(m.audioBufferSize));
  mixValues(m.outputSamples.data(), m.audioBufferSize);
}

void sfx(int channel, int index, int loop, float gain, float pitch, float priority) {
  if (channel < -1 || channel >= kChannelCount)
    throw IndexError("sfx: channel " + std::to_string(channel) + " is outside -1..15");
  MixerState& m = gMixer;
  if (index == -1) {
    if (channel == -1) {
      echo("resetting all audio channels");
      for (AudioChannel& c : m.audioChannels) idle(c);
    } else {
      idle(m.audioChannels[size_t(channel)]);
    }
    return;
  }
  if (channel == -1) channel = findFreeChannel(priority);
  if (channel == -1 || index < 0 || index >= kLibrarySize || !m.library[size_t(index)]) return;
  AudioChannel& c = m.audioChannels[size_t(channel)];
  c.kind = channelWave;
  c.buffer = m.library[size_t(index)];
  c.gain = gain;
  c.phase = 0.0f;
  c.freq = pitch;
  c.loop = loop;
  // Kept so that a later, more important sound can take this channel over.
  c.priority = priority;
}

int findFreeChannel(float priority) {
  const auto& chans = gMixer.audioChannels;
  for (int i = 0; i < kChannelCount; ++i)
    if (chans[size_t(i)].kind == channelNone) return i;
  // A channel at +infinity is never taken over: nothing compares below it.
  int best = -1;
  float lowest = std::numeric_limits<float>::infinity();
  for (int i = 0; i < kChannelCount; ++i) {
    if (chans[size_t(i)].priority < lowest) {
      lowest = chans[size_t(i)].priority;
      best = i;
    }
  }
  return priority >= lowest ? best : -1;
}

}  // namespace dx
