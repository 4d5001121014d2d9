#pragma once
// The audio mixer: 16 channels mixed on the loop thread. A channel plays a sample from the 64-slot
// sound library. The device and its queue are the platform's (platform/detail/audio_device.h).
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace dx {

enum ChannelKind : uint8_t {
  channelNone = 0,
  channelSynth = 1,
  channelWave = 2,
  channelMusic = 3,
  channelCallback = 4,
};

// One library entry: mono float32 samples.
struct SampleBuffer {
  std::vector<float> data;
  float rate = 44100.0f;
  int channels = 1;
  int length = 0;
};
using SampleBufferPtr = std::shared_ptr<SampleBuffer>;

constexpr int kChannelCount = 16;
constexpr int kLibrarySize = 64;
constexpr int kChannelRingSize = 1024;

struct AudioChannel {
  ChannelKind kind = channelNone;
  SampleBufferPtr buffer;
  int loop = 0;  // plays left before the channel goes idle; 0 or less repeats forever
  float phase = 0.0f, freq = 0.0f;
  float gain = 0.0f;
  float outvalue = 0.0f;
  float priority = 0.0f;
  // The channel's last output values, for a scope display.
  std::array<float, kChannelRingSize> outputBuffer{};
  int outputIndex = 0;
};

struct MixerState {
  double sampleRate = 44100.0;
  double invSampleRate = 1.0 / 44100.0;
  int audioBufferSize = 2048;  // interleaved stereo values per mixing pass
  double sfxVolume = 1.0, musicVolume = 1.0, masterVolume = 1.0;
  int currentBpm = 128, currentTpb = 4;
  std::function<void()> tickFunc;
  bool clock = false;  // true in the stereo frame where the 1/60 s clock rolled over
  std::vector<float> outputSamples;
  uint32_t audioDeviceId = 0;  // 0 while no device is open: the mixer is then silent and idle
  std::array<AudioChannel, kChannelCount> audioChannels{};
  std::array<SampleBufferPtr, kLibrarySize> library{};
  int clockCounter = 0;
  double tickCounter = 0.0;
  uint64_t sampleCounter = 0;
};

MixerState& mixerState();
// Restores the start-up defaults (a device that is open stays the platform's to close).
void resetMixerState();

// Readies the mixer for a device that plays `sampleRate` values per second: every channel idle,
// an output buffer of one pass.
void startMixer(double sampleRate);
// Mixes `count` interleaved values (left, right, ...) into out.
void mixValues(float* out, int count);
// Mixes one pass of audioBufferSize values into outputSamples.
void mixPass();

// Plays library sample `index` on `channel` (-1 = choose one by priority). index -1 idles the
// channel, or every channel when channel is -1 too. Raises IndexError for a channel outside -1..15.
void sfx(int channel, int index, int loop, float gain, float pitch, float priority);
// The lowest idle channel, else the busy one with the lowest priority if `priority` is not
// below it; -1 when nothing may be taken.
int findFreeChannel(float priority);

}  // namespace dx
