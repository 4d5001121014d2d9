#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "framework/capture.h"
#include "framework/palette.h"
#include "framework/png_io.h"
#include "framework/reset_framework.h"
#include "framework/run_loop.h"
#include "test_support.h"

namespace dx {
namespace {

namespace fs = std::filesystem;

// A GIF read back whole by giflib.
struct GifFile {
  GifFileType* gif = nullptr;
  explicit GifFile(const std::string& path) {
    int err = 0;
    gif = DGifOpenFileName(path.c_str(), &err);
    if (gif && DGifSlurp(gif) != GIF_OK) ADD_FAILURE() << "cannot decode " << path;
  }
  ~GifFile() {
    int err = 0;
    if (gif) DGifCloseFile(gif, &err);
  }
  uint8_t pixel(int frame, int x, int y) const {
    const SavedImage& im = gif->SavedImages[frame];
    return im.RasterBits[size_t(y) * size_t(im.ImageDesc.Width) + size_t(x)];
  }
  int delay(int frame) const {
    GraphicsControlBlock gcb{};
    DGifSavedExtensionToGCB(gif, frame, &gcb);
    return gcb.DelayTime;
  }
};

class Capture : public testing::Test {
 protected:
  void SetUp() override {
    resetFrameworkModules();
    home = fs::path(test::buildDir()) / "test-capture" / testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(home);
    fs::create_directories(home);
    loopState().writePath = home.string() + "/";
  }

  void TearDown() override { resetFrameworkModules(); }

  // What the platform's window leaves behind once it is open: a canvas of its logical size and
  // a capture buffer for it.
  void windowOpened(int w, int h) {
    loopState().windowOpen = true;
    setCanvasSize(w, h);
    createRecordBuffer();
  }

  // Saves the recording and returns the one GIF written, with the log lines.
  fs::path record(std::string* out = nullptr, std::string* err = nullptr) {
    const test::LogCapture capture;
    saveRecording();
    const std::string o = capture.out(), e = capture.err();
    if (out) *out = o;
    if (err) *err = e;
    const auto files = test::filesIn(home / "video");
    EXPECT_EQ(files.size(), 1u) << e;
    return files.empty() ? fs::path() : files[0];
  }

  fs::path home;
};

TEST(CaptureNames, DateAndTimeInTheFileNames) {
  std::tm t{};
  t.tm_year = 124;
  t.tm_mon = 2;
  t.tm_mday = 5;
  t.tm_hour = 7;
  t.tm_min = 8;
  t.tm_sec = 9;
  EXPECT_EQ(videoFileName(t), "video-2024-03-05T07-08-09.gif");
  EXPECT_EQ(screenshotFileName(t), "screenshot-2024-03-05T07:08:09.png");
}

TEST(CaptureNames, CapacityFromSecondsAndSpeed) {
  EXPECT_EQ(recordCapacity(10, true, 60), 600u);
  EXPECT_EQ(recordCapacity(10, false, 60), 300u);
  EXPECT_EQ(recordCapacity(0, true, 60), 1u);
  EXPECT_EQ(recordCapacity(-3, false, 60), 1u);
}

TEST_F(Capture, NothingIsKeptBeforeAWindowExists) {
  setRecordSeconds(10);
  EXPECT_EQ(captureState().recordSeconds, 10);
  EXPECT_EQ(captureState().recordFrame, nullptr);
  captureFrame();
  EXPECT_TRUE(captureState().recordFrames.empty());
}

TEST_F(Capture, RingKeepsTheNewest600AndTheGifHoldsThem) {
  windowOpened(8, 4);
  currentPalette().size = 256;  // 8-bit GIF, so frame numbers survive as indices
  setRecordSeconds(10);
  EXPECT_EQ(captureState().capacity, 600u);
  for (int k = 0; k < 605; ++k) {
    test::fillCanvas(uint8_t(k));
    captureFrame();
  }
  const auto& frames = captureState().recordFrames;
  ASSERT_EQ(frames.size(), 600u);
  EXPECT_EQ(frames.front()->data[0], 5);
  EXPECT_EQ(frames.back()->data[0], uint8_t(604));
  std::string out;
  const fs::path path = record(&out);
  EXPECT_EQ(out, "completed saving gif " + path.string() + " frames: 600\n");
  GifFile g(path);
  ASSERT_NE(g.gif, nullptr);
  ASSERT_EQ(g.gif->ImageCount, 600);
  EXPECT_EQ(g.pixel(0, 0, 0), 5);
  EXPECT_EQ(g.pixel(599, 15, 7), uint8_t(604));
  EXPECT_EQ(g.delay(0), 2);
  EXPECT_EQ(frames.size(), 600u);  // saving does not empty the ring
}

TEST_F(Capture, HalfSpeedKeepsEvenUpdatesWithDelayThree) {
  windowOpened(8, 4);
  captureState().fullSpeedGif = false;
  setRecordSeconds(10);
  EXPECT_EQ(captureState().capacity, 300u);
  for (int f = 1; f <= 6; ++f) {
    loopState().frame = f;
    test::fillCanvas(uint8_t(f));
    captureFrame();
  }
  std::vector<int> kept;
  for (const auto& s : captureState().recordFrames) kept.push_back(s->data[0]);
  EXPECT_EQ(kept, (std::vector<int>{2, 4, 6}));
  GifFile g(record());
  ASSERT_EQ(g.gif->ImageCount, 3);
  EXPECT_EQ(g.pixel(1, 3, 3), 4);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(g.delay(i), 3);
}

TEST_F(Capture, CaptureOffKeepsNothing) {
  windowOpened(8, 4);
  setRecordSeconds(0);
  EXPECT_EQ(captureState().capacity, 1u);
  captureFrame();
  EXPECT_TRUE(captureState().recordFrames.empty());
}

TEST_F(Capture, GameCanvasGivesADoubleSizeLoopingGif) {
  windowOpened(240, 136);
  test::fillCanvas(1);
  pset(10, 20, 8);
  pset(239, 135, 12);
  captureFrame();
  const fs::path path = record();
  std::ifstream in(path, std::ios::binary);
  std::string magic(6, '\0');
  in.read(magic.data(), 6);
  EXPECT_EQ(magic, "GIF89a");

  GifFile g(path);
  ASSERT_NE(g.gif, nullptr);
  EXPECT_EQ(g.gif->SWidth, 480);
  EXPECT_EQ(g.gif->SHeight, 272);
  const ColorMapObject* map = g.gif->SColorMap;
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->ColorCount, 16);  // the 16-colour default palette gives bit depth 4
  EXPECT_EQ(map->BitsPerPixel, 4);
  const Palette def = loadPaletteDefault();
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(map->Colors[i].Red, def.colors[size_t(i)].r) << i;
    EXPECT_EQ(map->Colors[i].Green, def.colors[size_t(i)].g) << i;
    EXPECT_EQ(map->Colors[i].Blue, def.colors[size_t(i)].b) << i;
  }

  ASSERT_EQ(g.gif->ImageCount, 1);
  const SavedImage& im = g.gif->SavedImages[0];
  EXPECT_EQ(im.ImageDesc.Width, 480);
  EXPECT_EQ(im.ImageDesc.Height, 272);
  // NETSCAPE2.0 application block, then the sub-block: 1, loop count 0 (little-endian).
  bool looping = false;
  for (int i = 0; i + 1 < im.ExtensionBlockCount; ++i) {
    const ExtensionBlock& a = im.ExtensionBlocks[i];
    const ExtensionBlock& b = im.ExtensionBlocks[i + 1];
    if (a.Function == APPLICATION_EXT_FUNC_CODE && a.ByteCount == 11 &&
        std::string(reinterpret_cast<char*>(a.Bytes), 11) == "NETSCAPE2.0") {
      looping = b.ByteCount == 3 && b.Bytes[0] == 1 && b.Bytes[1] == 0 && b.Bytes[2] == 0;
    }
  }
  EXPECT_TRUE(looping);
  EXPECT_EQ(g.delay(0), 2);
  for (int y = 40; y <= 41; ++y)
    for (int x = 20; x <= 21; ++x) EXPECT_EQ(g.pixel(0, x, y), 8) << x << "," << y;
  EXPECT_EQ(g.pixel(0, 22, 40), 1);
  EXPECT_EQ(g.pixel(0, 20, 42), 1);
  EXPECT_EQ(g.pixel(0, 19, 41), 1);
  EXPECT_EQ(g.pixel(0, 478, 270), 12);
  EXPECT_EQ(g.pixel(0, 479, 271), 12);
  EXPECT_EQ(g.pixel(0, 477, 271), 1);
}

TEST_F(Capture, LargePaletteGivesBitDepthEight) {
  windowOpened(8, 4);
  currentPalette().size = 17;  // 16 colour lines read from a file
  currentPalette().colors[200] = RGB{1, 2, 3};
  test::fillCanvas(200);
  captureFrame();
  GifFile g(record());
  ASSERT_NE(g.gif->SColorMap, nullptr);
  EXPECT_EQ(g.gif->SColorMap->ColorCount, 256);
  EXPECT_EQ(g.gif->SColorMap->Colors[200].Blue, 3);
  EXPECT_EQ(g.pixel(0, 15, 7), 200);
}

TEST_F(Capture, FramesFromAnOlderSmallerCanvasEndTheGif) {
  windowOpened(8, 4);
  captureFrame();
  captureFrame();
  setCanvasSize(4, 2);
  captureFrame();
  captureFrame();
  setCanvasSize(8, 4);
  std::string out, err;
  const fs::path path = record(&out, &err);
  EXPECT_EQ(err, "created gif: , " + path.string() + "\nwent past end of input data on frame , 2,  of , 4\n");
  EXPECT_EQ(out, "completed saving gif " + path.string() + " frames: 2\n");
  GifFile g(path);
  EXPECT_EQ(g.gif->ImageCount, 2);
}

TEST_F(Capture, ScreenshotIsTheNewestFrameThroughDisplayRemapAndPalette) {
  windowOpened(6, 3);
  test::fillCanvas(0);
  captureFrame();  // older frame, not saved
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) pset(x, y, (x + 6 * y) % 16);
  drawState().paletteMapDisplay[3] = 9;
  currentPalette().colors[4] = RGB{7, 8, 9};
  captureFrame();
  const test::LogCapture capture;
  saveScreenshot();
  const std::string err = capture.err();
  const auto files = test::filesIn(home / "screenshots");
  ASSERT_EQ(files.size(), 1u) << err;
  EXPECT_TRUE(
      std::regex_match(files[0].filename().string(), std::regex(R"(screenshot-\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.png)")));
  EXPECT_EQ(err, "saved screenshot to: , " + files[0].string() + "\n");
  const SurfacePtr png = loadSurfaceRGBA(files[0].string());
  ASSERT_EQ(png->w, 6);
  ASSERT_EQ(png->h, 3);
  const Palette& p = currentPalette();
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 6; ++x) {
      const int i = (x + 6 * y) % 16;
      const RGB c = p.colors[size_t(i == 3 ? 9 : i)];
      const uint8_t* px = png->data.data() + (size_t(y) * 6 + size_t(x)) * 4;
      EXPECT_EQ((std::vector<int>{px[0], px[1], px[2], px[3]}), (std::vector<int>{c.r, c.g, c.b, 255}))
          << x << "," << y;
    }
  }
}

TEST_F(Capture, ScreenshotWithNothingCapturedWritesNothing) {
  windowOpened(6, 3);
  const test::LogCapture capture;
  EXPECT_NO_THROW(saveScreenshot());
  EXPECT_EQ(capture.err(), "no captured frame to save as a screenshot\n");
  EXPECT_TRUE(test::filesIn(home / "screenshots").empty());
}

TEST_F(Capture, FolderThatCannotBeMadeIsLogged) {
  windowOpened(6, 3);
  captureFrame();
  std::ofstream(home / "blocker") << "a file where the folder should go";
  loopState().writePath = (home / "blocker").string();
  const test::LogCapture capture;
  saveRecording();
  saveScreenshot();
  EXPECT_EQ(capture.out(), "");
  const std::string blocker = (home / "blocker").string();
  EXPECT_EQ(capture.err(), "unable to create video output directory, " + blocker +
                               "/video\nunable to create screenshot output directory, " + blocker + "/screenshots\n");
}

TEST_F(Capture, UnwritableFolderIsLoggedAndTheRunGoesOn) {
  windowOpened(6, 3);
  captureFrame();
  // A folder nobody can create files in, not even a privileged test user.
  fs::create_directory_symlink("/proc/self", home / "video");
  fs::create_directory_symlink("/proc/self", home / "screenshots");
  const test::LogCapture capture;
  EXPECT_NO_THROW(saveRecording());
  EXPECT_NO_THROW(saveScreenshot());
  const std::string out = capture.out(), err = capture.err();
  EXPECT_EQ(out, "");
  EXPECT_TRUE(std::regex_search(err, std::regex(R"(^unable to create gif: , .*/video/video-[^\n]*\.gif\n)"))) << err;
  EXPECT_TRUE(std::regex_search(err, std::regex(R"(\nunable to save screenshot: , [^\n]*screenshot-)"))) << err;
  EXPECT_EQ(err.find("saved screenshot to"), std::string::npos) << err;
}

// Captures within the same second get "-2", "-3"… before the extension instead of replacing
// each other; the first keeps the usual name.
TEST_F(Capture, CapturesInTheSameSecondKeepEachOther) {
  windowOpened(6, 3);
  captureFrame();
  const test::LogCapture capture;
  for (int i = 0; i < 3; ++i) saveScreenshot(), saveRecording();
  const std::string err = capture.err();
  for (const char* folder : {"screenshots", "video"}) {
    std::vector<std::string> names;
    for (const fs::path& p : test::filesIn(home / folder)) names.push_back(p.filename().string());
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 3u) << err;
    const std::regex form(
        R"((screenshot-\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d|video-\d{4}-\d\d-\d\dT\d\d-\d\d-\d\d)(-[23])?\.(png|gif))");
    for (const std::string& n : names) EXPECT_TRUE(std::regex_match(n, form)) << n;
  }
}

// Screenshots and recordings are made like any new file: 0666 less the umask.
TEST_F(Capture, CapturesGetTheUsualFileMode) {
  windowOpened(6, 3);
  captureFrame();
  const mode_t mask = umask(022);
  const test::LogCapture capture;
  saveScreenshot();
  saveRecording();
  umask(mask);
  for (const char* folder : {"screenshots", "video"}) {
    const auto files = test::filesIn(home / folder);
    ASSERT_EQ(files.size(), 1u) << folder;
    EXPECT_EQ(fs::status(files[0]).permissions() & fs::perms::all, fs::perms(0644)) << files[0];
  }
}

// Without a per-user folder (it could not be made at start-up) nothing lands in the working
// directory: the capture is not saved and the log says why.
TEST_F(Capture, WithoutAPerUserFolderNothingIsSaved) {
  windowOpened(6, 3);
  captureFrame();
  loopState().writePath = "";
  const fs::path before = fs::current_path();
  fs::current_path(home);
  const test::LogCapture capture;
  saveScreenshot();
  saveRecording();
  EXPECT_EQ(capture.out(), "");
  EXPECT_EQ(capture.err(),
            "unable to save screenshot: there is no per-user folder (see the writePath line at start-up)\n"
            "unable to save gif: there is no per-user folder (see the writePath line at start-up)\n");
  fs::current_path(before);
  EXPECT_TRUE(test::filesIn(home).empty());
}

}  // namespace
}  // namespace dx
