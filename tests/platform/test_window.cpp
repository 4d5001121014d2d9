#include <SDL.h>
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "framework/canvas.h"
#include "framework/capture.h"
#include "framework/palette.h"
#include "framework/reset_framework.h"
#include "framework/run_loop.h"
#include "platform/run_loop.h"
#include "platform/window.h"
#include "test_support.h"

namespace dx {
namespace {

namespace fs = std::filesystem;

// An 8 x 4 window at scale 1 with capture on, writing into a fresh per-user folder.
class WindowCapture : public testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError(); }
  static void TearDownTestSuite() { SDL_Quit(); }

  void SetUp() override {
    resetFrameworkModules();
    home = fs::path(test::buildDir()) / "test-window" / testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(home);
    fs::create_directories(home);
    loopState().writePath = home.string() + "/";
    const test::LogCapture capture;  // resize logs
    createWindow("capture test", 8, 4, 1, false);
    ASSERT_EQ(drawState().screenWidth, 8);
    ASSERT_EQ(drawState().screenHeight, 4);
  }

  void TearDown() override {
    resetWindowState();
    resetFrameworkModules();
  }

  fs::path home;
};

TEST_F(WindowCapture, FlipKeepsTheDrawnCanvas) {
  test::fillCanvas(6);
  pset(1, 2, 9);
  flip();
  ASSERT_EQ(captureState().recordFrames.size(), 1u);
  EXPECT_EQ(captureState().recordFrames[0]->data, drawState().swCanvas->data);
  pset(1, 2, 10);  // the captured frame is a copy
  EXPECT_EQ(get(*captureState().recordFrames[0], 1, 2), 9);
}

TEST_F(WindowCapture, F8ThenF9GivesAGifWithNoFrames) {
  for (int k = 0; k < 3; ++k) captureFrame();
  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.type = SDL_KEYDOWN;
  e.key.keysym.sym = SDLK_F8;
  handleWindowEvent(e);
  EXPECT_TRUE(captureState().recordFrames.empty());
  e.key.keysym.sym = SDLK_F9;
  const test::LogCapture capture;
  handleWindowEvent(e);
  const std::string out = capture.out(), err = capture.err();
  const auto files = test::filesIn(home / "video");
  ASSERT_EQ(files.size(), 1u) << err;
  const std::string path = files[0].string();
  EXPECT_TRUE(
      std::regex_match(files[0].filename().string(), std::regex(R"(video-\d{4}-\d\d-\d\dT\d\d-\d\d-\d\d\.gif)")))
      << path;
  EXPECT_EQ(path, home.string() + "/video/" + files[0].filename().string());
  EXPECT_EQ(err, "created gif: , " + path + "\n");
  EXPECT_EQ(out, "completed saving gif " + path + " frames: 0\n");
  // giflib's whole-file reader refuses a GIF without images, so walk its records instead.
  int gifErr = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &gifErr);
  ASSERT_NE(gif, nullptr);
  EXPECT_EQ(gif->SWidth, 16);
  EXPECT_EQ(gif->SHeight, 8);
  int extensions = 0;
  GifRecordType type = UNDEFINED_RECORD_TYPE;
  while (DGifGetRecordType(gif, &type) == GIF_OK && type != TERMINATE_RECORD_TYPE) {
    ASSERT_EQ(type, EXTENSION_RECORD_TYPE);  // no image descriptor
    ++extensions;
    int code = 0;
    GifByteType* block = nullptr;
    ASSERT_EQ(DGifGetExtension(gif, &code, &block), GIF_OK);
    while (block) ASSERT_EQ(DGifGetExtensionNext(gif, &block), GIF_OK);
  }
  EXPECT_EQ(type, TERMINATE_RECORD_TYPE);
  EXPECT_EQ(extensions, 1);  // only the looping block
  DGifCloseFile(gif, &gifErr);
}

}  // namespace
}  // namespace dx
