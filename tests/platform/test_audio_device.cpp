#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "audio_device.h"
#include "framework/audio.h"
#include "framework/reset_framework.h"
#include "test_support.h"

namespace dx {
namespace {

class Mixer : public testing::Test {
 protected:
  void SetUp() override { resetFrameworkModules(); }
  void TearDown() override {
    resetFrameworkModules();
    SDL_Quit();  // closes the device
  }
};

TEST_F(Mixer, OpensTheDeviceAndQueuesOneBufferAtATime) {
  const test::LogCapture capture;
  initMixer(false);
  const std::string out = capture.out();
  const std::string err = capture.err();
  ASSERT_NE(mixerState().audioDeviceId, 0u) << err;
  EXPECT_EQ(out, "opened audio output 44100 channels: 2 format: " + std::to_string(AUDIO_F32SYS) + "\n");
  EXPECT_EQ(err, "initMixer\naudio initialised using main thread\n");
  EXPECT_EQ(mixerState().sampleRate, 44100.0);
  EXPECT_EQ(mixerState().outputSamples.size(), 2048u);
  EXPECT_EQ(mixerState().sampleCounter, 2048u);
  EXPECT_LE(queuedAudioSize(), 2048);
  refillAudio();  // at most one pass is queued, well below four
  EXPECT_EQ(mixerState().sampleCounter, 4096u);
}

TEST_F(Mixer, WithoutAudioTheMixerIsOffAndTheRunGoesOn) {
  const char* old = std::getenv("SDL_AUDIODRIVER");
  const std::string saved = old ? old : "";
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  const test::LogCapture capture;
  EXPECT_NO_THROW(initMixer(false));
  const std::string err = capture.err();
  if (old)
    setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
  else
    unsetenv("SDL_AUDIODRIVER");
  EXPECT_EQ(err.rfind("initMixer\nUnable to initialize audio: ", 0), 0u) << err;
  EXPECT_NE(err.find("\naudio is off\n"), std::string::npos) << err;
  EXPECT_EQ(mixerState().audioDeviceId, 0u);
  refillAudio();
  queueMixerAudio();
  EXPECT_EQ(queuedAudioSize(), 0);
  EXPECT_EQ(mixerState().sampleCounter, 0u);
}

}  // namespace
}  // namespace dx
