#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "framework/audio.h"
#include "framework/errors.h"
#include "framework/reset_framework.h"
#include "test_support.h"

namespace dx {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

SampleBufferPtr samples(std::vector<float> v) {
  auto b = std::make_shared<SampleBuffer>();
  b->length = int(v.size());
  b->data = std::move(v);
  return b;
}

std::vector<ChannelKind> kinds() {
  std::vector<ChannelKind> out;
  for (const AudioChannel& c : mixerState().audioChannels) out.push_back(c.kind);
  return out;
}

std::vector<float> mix(int count) {
  std::vector<float> out(size_t(count), -99.0f);
  mixValues(out.data(), count);
  return out;
}

class Mixer : public testing::Test {
 protected:
  void SetUp() override { resetFrameworkModules(); }
  void TearDown() override { resetFrameworkModules(); }

  // Every channel playing library slot 5 at priorities 1..16.
  void fillChannels() {
    mixerState().library[5] = samples({0.25f});
    for (int i = 0; i < kChannelCount; ++i) sfx(i, 5, 0, 1.0f, 1.0f, float(i + 1));
  }
};

TEST_F(Mixer, FreeChannelIsTheLowestIdleThenTheLeastImportant) {
  EXPECT_EQ(findFreeChannel(0.0f), 0);
  fillChannels();
  EXPECT_EQ(findFreeChannel(0.5f), -1);
  EXPECT_EQ(findFreeChannel(1.0f), 0);
  EXPECT_EQ(findFreeChannel(100.0f), 0);
  mixerState().audioChannels[3].priority = 1.0f;  // a tie goes to the lower number
  EXPECT_EQ(findFreeChannel(1.0f), 0);
  mixerState().audioChannels[0].priority = 2.0f;
  EXPECT_EQ(findFreeChannel(1.0f), 3);
  sfx(7, -1, 0, 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(findFreeChannel(0.0f), 7);
  for (AudioChannel& c : mixerState().audioChannels) {
    c.kind = channelWave;
    c.priority = kInf;
  }
  EXPECT_EQ(findFreeChannel(kInf), -1);  // never taken over
}

TEST_F(Mixer, ChosenChannelKeepsTheRequestPriority) {
  fillChannels();
  mixerState().library[6] = samples({0.5f});
  sfx(-1, 6, 2, 0.75f, 1.5f, 0.5f);  // below every playing sound: dropped
  EXPECT_EQ(mixerState().audioChannels[0].buffer, mixerState().library[5]);
  sfx(-1, 6, 2, 0.75f, 1.5f, 3.5f);
  const AudioChannel& c = mixerState().audioChannels[0];
  EXPECT_EQ(c.kind, channelWave);
  EXPECT_EQ(c.buffer, mixerState().library[6]);
  EXPECT_EQ(c.loop, 2);
  EXPECT_EQ(c.gain, 0.75f);
  EXPECT_EQ(c.freq, 1.5f);
  EXPECT_EQ(c.phase, 0.0f);
  EXPECT_EQ(c.priority, 3.5f);
  EXPECT_EQ(findFreeChannel(2.0f), 1);  // channel 0 now outranks channel 1
}

TEST_F(Mixer, EmptyLibraryOrBadIndexChangesNoChannel) {
  const std::vector<ChannelKind> idle(kChannelCount, channelNone);
  sfx(-1, 3, 1, 1.0f, 1.0f, 5.0f);
  sfx(9, 2, 1, 1.0f, 1.0f, kInf);
  sfx(-1, 17, 1, 0.3f, 1.0f, 0.25f);
  EXPECT_EQ(kinds(), idle);
  mixerState().library[0] = samples({0.5f});
  sfx(2, 64, 1, 1.0f, 1.0f, 1.0f);
  sfx(2, -2, 1, 1.0f, 1.0f, 1.0f);
  EXPECT_EQ(kinds(), idle);
}

TEST_F(Mixer, ResetIdlesEveryChannelWithOneLine) {
  fillChannels();
  const test::LogCapture capture;
  sfx(4, -1, 0, 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(capture.out(), "");
  EXPECT_EQ(mixerState().audioChannels[4].kind, channelNone);
  EXPECT_EQ(mixerState().audioChannels[5].kind, channelWave);
  sfx(-1, -1, 1, 1.0f, 1.0f, 1.0f);
  EXPECT_EQ(capture.out(), "resetting all audio channels\n");
  EXPECT_EQ(kinds(), std::vector<ChannelKind>(kChannelCount, channelNone));
}

TEST_F(Mixer, ChannelOutsideTheMixerIsAnIndexError) {
  EXPECT_THROW(sfx(16, 0, 1, 1.0f, 1.0f, 1.0f), IndexError);
  EXPECT_THROW(sfx(-2, -1, 1, 1.0f, 1.0f, 1.0f), IndexError);
}

TEST_F(Mixer, ClockFlagOnceEvery735StereoFramesAt44100) {
  std::vector<int> flagged;
  for (int frame = 0; frame < 3 * 735 + 10; ++frame) {
    mix(2);
    if (mixerState().clock) flagged.push_back(frame);
  }
  EXPECT_EQ(flagged, (std::vector<int>{0, 735, 1470, 2205}));
  EXPECT_EQ(mixerState().sampleCounter, uint64_t(2 * (3 * 735 + 10)));
}

TEST_F(Mixer, TickCallbackFollowsTheTempo) {
  // 4 ticks per beat at 128 beats per minute: 44100 / (4 / 60 * 128) = 5167.97 frames apart.
  std::vector<uint64_t> ticks;
  mixerState().tickFunc = [&] { ticks.push_back(mixerState().sampleCounter / 2); };
  mix(2 * 10400);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{0, 5168, 10336}));
}

TEST_F(Mixer, WaveChannelPlaysItsSampleOncePerFrameThenGoesIdle) {
  mixerState().library[1] = samples({0.1f, 0.2f, 0.3f, 0.4f});
  sfx(2, 1, 1, 0.5f, 1.0f, 1.0f);
  const std::vector<float> out = mix(10);
  const std::vector<float> want{0.05f, 0.05f, 0.1f, 0.1f, 0.15f, 0.15f, 0.2f, 0.2f, 0.0f, 0.0f};
  ASSERT_EQ(out.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) EXPECT_FLOAT_EQ(out[i], want[i]) << i;
  EXPECT_EQ(mixerState().audioChannels[2].kind, channelNone);
  EXPECT_FLOAT_EQ(mixerState().audioChannels[2].outputBuffer[6], 0.2f);
  EXPECT_EQ(mixerState().audioChannels[2].outputIndex, 10);
}

TEST_F(Mixer, PitchInterpolatesAcrossTheWrapAndChannelsAdd) {
  mixerState().library[0] = samples({0.0f, 1.0f});
  mixerState().library[1] = samples({0.25f});
  mixerState().sfxVolume = 0.5;
  sfx(0, 0, 0, 1.0f, 0.5f, 1.0f);  // loops forever
  sfx(15, 1, 0, 1.0f, 1.0f, 1.0f);
  const std::vector<float> out = mix(12);
  const float base = 0.125f;
  const std::vector<float> want{0.0f, 0.0f, 0.25f, 0.25f, 0.5f, 0.5f, 0.25f, 0.25f, 0.0f, 0.0f, 0.25f, 0.25f};
  for (size_t i = 0; i < want.size(); ++i) EXPECT_FLOAT_EQ(out[i], want[i] + base) << i;
  EXPECT_EQ(mixerState().audioChannels[0].kind, channelWave);
}

TEST_F(Mixer, NonFinitePitchOrEmptyBufferStaysInsideTheSample) {
  mixerState().library[0] = samples({0.5f, 0.25f});
  mixerState().library[1] = samples({});
  sfx(0, 0, 0, 1.0f, std::nanf(""), 1.0f);
  sfx(1, 0, 0, 1.0f, -0.75f, 1.0f);
  sfx(2, 1, 0, 1.0f, 1.0f, 1.0f);
  const std::vector<float> out = mix(8);
  for (float v : out) EXPECT_TRUE(std::isfinite(v));
  EXPECT_EQ(mixerState().audioChannels[2].kind, channelNone);
  const float phase = mixerState().audioChannels[1].phase;
  EXPECT_TRUE(phase >= 0.0f && phase < 2.0f) << phase;
}

TEST_F(Mixer, StartingAtTheDevicesRateIdlesEveryChannelAndPassesAreWhole) {
  fillChannels();
  startMixer(48000.0);
  EXPECT_EQ(mixerState().sampleRate, 48000.0);
  EXPECT_EQ(mixerState().invSampleRate, 1.0 / 48000.0);
  EXPECT_EQ(kinds(), std::vector<ChannelKind>(kChannelCount, channelNone));
  sfx(0, 5, 0, 1.0f, 1.0f, 1.0f);
  mixPass();
  EXPECT_EQ(mixerState().outputSamples, std::vector<float>(2048, 0.25f));
  EXPECT_EQ(mixerState().sampleCounter, 2048u);
}

}  // namespace
}  // namespace dx
