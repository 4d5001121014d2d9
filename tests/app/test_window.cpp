// The real game in a real window under Xvfb, driven with xdotool like a user would.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/process_runner.h"
#include "framework/png_io.h"
#include "test_support.h"

namespace dx {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

bool onPath(const char* tool) {
  std::string cmd = "command -v ";
  cmd += tool;
  cmd += " > /dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

// Runs xdotool with the given arguments against the display; returns its output.
std::string xdotool(const std::string& display, const std::string& args) {
  std::string cmd = "DISPLAY=";
  cmd += display;
  cmd += " xdotool ";
  cmd += args;
  cmd += " 2>/dev/null";
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

class WindowTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!onPath("Xvfb") || !onPath("xdotool")) GTEST_SKIP() << "Xvfb and xdotool are needed for this test";
    display = ":";
    display += std::to_string(90 + getpid() % 100);
    xvfb.start("/usr/bin/env", "/", {}, {"Xvfb", display, "-screen", "0", "800x600x24", "-nolisten", "tcp"});
    std::this_thread::sleep_for(1s);
    run = fs::temp_directory_path() / ("dx-window-" + std::to_string(getpid()));
    fs::remove_all(run);
    fs::create_directories(run);
    const fs::path game = test::gameDir();
    fs::copy_file(game / "draxen3516", run / "draxen3516");
    fs::copy(game / "assets", run / "assets", fs::copy_options::recursive);
    fs::copy(game / "maps", run / "maps", fs::copy_options::recursive);
    std::ofstream(run / "assets" / "ai.json") << "[]\n";
    home = run / "home";
  }
  void TearDown() override {
    if (game.pid > 0) game.signal(SIGKILL), game.wait(5s);
    if (xvfb.pid > 0) xvfb.signal(SIGTERM), xvfb.wait(5s);
    fs::remove_all(run);
  }
  // Sends one key tap, as the keyboard would, to the focused game window and gives the loop time
  // to see it. (Events sent to a window directly are ignored as synthetic.)
  void tap(const std::string& key) {
    // Held for a while: a press and release drained in the same loop step are never seen.
    xdotool(display, "keydown " + key + " sleep 0.15 keyup " + key);
    std::this_thread::sleep_for(400ms);
  }

  std::string display, window;
  fs::path run, home;
  test::GameProcess xvfb, game;
};

TEST_F(WindowTest, KeysReachTheHarnessAndTheFramework) {
  // No file browser on the search path, so F11 has to say so.
  game.start((run / "draxen3516").string(), run.string(),
             {"DISPLAY=" + display, "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy", "XDG_DATA_HOME=" + home.string(),
              "PATH=/nonexistent-dx"});
  ASSERT_TRUE(game.waitForOutput("loading map: ", 10s)) << game.err();
  for (int i = 0; i < 50 && window.empty(); ++i) {
    window = xdotool(display, "search --name \"DRAXEN 3516\"");
    if (!window.empty()) window = window.substr(0, window.find('\n'));
    std::this_thread::sleep_for(100ms);
  }
  ASSERT_FALSE(window.empty()) << "no game window";
  xdotool(display, "windowfocus --sync " + window);
  std::this_thread::sleep_for(1s);

  tap("F2");
  ASSERT_TRUE(game.waitForOutput("wrote car.dat", 5s)) << game.out();
  EXPECT_TRUE(fs::exists(run / "car.dat"));
  tap("r");
  ASSERT_TRUE(game.waitForOutput("loaded 0 pid settings", 5s)) << game.out();
  EXPECT_NE(game.out().find("reloading file\nmaxSpeed: "), std::string::npos) << game.out();

  tap("Escape");  // the editor
  // Three presses well within a second: three screenshots, none replacing another.
  xdotool(display, "key --delay 60 F10 F10 F10");
  std::this_thread::sleep_for(600ms);
  const fs::path shots = home / "tormix" / "draxen3516" / "screenshots";
  ASSERT_TRUE(game.waitForOutput("saved screenshot to: ", 5s)) << game.err();
  ASSERT_TRUE(fs::exists(shots));
  EXPECT_EQ(std::distance(fs::directory_iterator(shots), fs::directory_iterator()), 3) << game.err();
  const fs::path shot = fs::directory_iterator(shots)->path();
  const SurfacePtr img = loadSurfaceRGBA(shot.string());
  EXPECT_EQ(img->w, 240);
  EXPECT_EQ(img->h, 136);
  size_t lit = 0;
  for (size_t i = 0; i < img->data.size(); i += 4) lit += img->data[i] + img->data[i + 1] + img->data[i + 2] > 0;
  EXPECT_GT(lit, img->data.size() / 4 / 20) << "the editor view is mostly empty";

  tap("F11");
  ASSERT_TRUE(game.waitForOutput("cannot open the folder: no file browser (xdg-open is not installed), the folder is " +
                                     (home / "tormix" / "draxen3516").string() + "/\n",
                                 5s))
      << game.err();

  tap("ctrl+q");
  EXPECT_EQ(game.wait(10s), 0) << game.err();
}

}  // namespace
}  // namespace dx
