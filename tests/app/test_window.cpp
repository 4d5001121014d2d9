// The real game in a real window under Xvfb, driven with xdotool like a user would.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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
  // Starts the game in the run folder and gives its window the focus.
  void startGame() {
    game.start((run / "draxen3516").string(), run.string(),
               {"DISPLAY=" + display, "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy", "XDG_DATA_HOME=" + home.string()});
    ASSERT_TRUE(game.waitForOutput("loading map: ", 10s)) << game.err();
    for (int i = 0; i < 50 && window.empty(); ++i) {
      window = xdotool(display, "search --name \"DRAXEN 3516\"");
      if (!window.empty()) window = window.substr(0, window.find('\n'));
      std::this_thread::sleep_for(100ms);
    }
    ASSERT_FALSE(window.empty()) << "no game window";
    xdotool(display, "windowfocus --sync " + window);
    std::this_thread::sleep_for(1s);
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
  startGame();

  tap("F2");
  ASSERT_TRUE(game.waitForOutput("wrote car.dat", 5s)) << game.out();
  EXPECT_TRUE(fs::exists(run / "car.dat"));
  tap("r");
  ASSERT_TRUE(game.waitForOutput("loaded 0 pid settings", 5s)) << game.out();
  EXPECT_NE(game.out().find("reloading file\nmaxSpeed: "), std::string::npos) << game.out();

  tap("Escape");  // the editor
  tap("F10");
  const fs::path shots = home / "tormix" / "draxen3516" / "screenshots";
  ASSERT_TRUE(game.waitForOutput("saved screenshot to: ", 5s)) << game.err();
  ASSERT_TRUE(fs::exists(shots));
  const fs::path shot = fs::directory_iterator(shots)->path();
  const SurfacePtr img = loadSurfaceRGBA(shot.string());
  EXPECT_EQ(img->w, 240);
  EXPECT_EQ(img->h, 136);
  size_t lit = 0;
  for (size_t i = 0; i < img->data.size(); i += 4) lit += img->data[i] + img->data[i + 1] + img->data[i + 2] > 0;
  EXPECT_GT(lit, img->data.size() / 4 / 20) << "the editor view is mostly empty";

  tap("ctrl+q");
  EXPECT_EQ(game.wait(10s), 0) << game.err();
}

size_t count(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
  return n;
}

// F10 once more: the picture it saved (file names tell seconds apart, so one second passes first).
SurfacePtr screenshot(test::GameProcess& game, const std::function<void(const std::string&)>& tap) {
  static const std::string kSaved = "saved screenshot to: , ";
  const size_t before = count(game.err(), kSaved);
  std::this_thread::sleep_for(1s);
  tap("F10");
  for (int i = 0; i < 50 && count(game.err(), kSaved) == before; ++i) std::this_thread::sleep_for(100ms);
  const std::string err = game.err();
  if (count(err, kSaved) == before) return nullptr;
  const size_t from = err.rfind(kSaved) + kSaved.size();
  return loadSurfaceRGBA(err.substr(from, err.find('\n', from) - from));
}

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};
Rgb pixel(const Surface& s, int x, int y) {
  const uint8_t* p = &s.data[size_t(y * s.w + x) * 4];
  return {p[0], p[1], p[2]};
}
// Share of the pixels of the box (x0, y0) - (x1, y1) that have colour c.
double share(const Surface& s, int x0, int y0, int x1, int y1, Rgb c) {
  int n = 0;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) n += pixel(s, x, y) == c;
  return double(n) / double((x1 - x0 + 1) * (y1 - y0 + 1));
}
// The right end of the panel's fifth line ("following: ..."): its last orange pixel inside the
// panel's backing, whose width the backing's top row shows.
int followingLineEnd(const Surface& s, Rgb backing, Rgb orange) {
  int right = 0;
  while (right < s.w && pixel(s, right, 0) == backing) ++right;
  int end = -1;
  for (int y = 26; y <= 30; ++y)
    for (int x = 0; x < right; ++x)
      if (pixel(s, x, y) == orange) end = std::max(end, x);
  return end;
}

TEST_F(WindowTest, TabF1AndCChangeWhatTheScreenShows) {
  startGame();
  const Rgb backing{20, 20, 28}, orange{255, 163, 0}, blue{41, 173, 255};
  auto press = [this](const std::string& key) { tap(key); };
  tap("r");  // a generation of training cars to follow
  ASSERT_TRUE(game.waitForOutput("loaded 0 pid settings", 5s)) << game.out();
  std::this_thread::sleep_for(2s);  // they move off the start

  const SurfacePtr panel = screenshot(game, press);
  ASSERT_TRUE(panel) << game.err();
  EXPECT_GT(share(*panel, 0, 0, 60, 37, backing), 0.5) << "no status panel in the top left corner";
  const int youEnd = followingLineEnd(*panel, backing, orange);
  EXPECT_GT(youEnd, 40);

  tap("Tab");
  const SurfacePtr bare = screenshot(game, press);
  ASSERT_TRUE(bare) << game.err();
  EXPECT_LT(share(*bare, 0, 0, 60, 37, backing), 0.05) << "Tab did not hide the panel";

  tap("Tab");
  tap("c");  // the Y button: the leading training car
  const SurfacePtr following = screenshot(game, press);
  ASSERT_TRUE(following) << game.err();
  EXPECT_GT(followingLineEnd(*following, backing, orange), youEnd + 4) << "\"following: AI #k\" is longer than \"you\"";

  tap("F1");
  const SurfacePtr help = screenshot(game, press);
  ASSERT_TRUE(help) << game.err();
  EXPECT_GT(share(*help, 8, 40, 160, 90, backing), 0.5) << "no key help";
  EXPECT_GT(share(*help, 6, 6, 40, 10, blue), 0.1) << "no \"KEYS\" title";

  tap("ctrl+q");  // the game ran on through all of it
  EXPECT_EQ(game.wait(10s), 0) << game.err();
}

}  // namespace
}  // namespace dx
