// The real game in a real window under Xvfb, driven with xdotool like a user would.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <regex>
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

struct Telemetry {
  double speed = 0, steer = 0;
  int brake = 0;
};

std::vector<Telemetry> readCarDat(const fs::path& p) {
  std::ifstream in(p);
  std::vector<Telemetry> out;
  double heading, course, spin;
  Telemetry t;
  while (in >> heading >> course >> spin >> t.speed >> t.steer >> t.brake) out.push_back(t);
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
    test::copyRunFolder(run, "draxen3516");
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

  // Starts the game from `cwd` (the run folder by default) and focuses its window.
  void startGame(const std::vector<std::string>& args = {}, fs::path cwd = {}, std::vector<std::string> env = {}) {
    if (cwd.empty()) cwd = run;
    for (const char* e : {"SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy"}) env.push_back(e);
    env.push_back("DISPLAY=" + display);
    env.push_back("XDG_DATA_HOME=" + home.string());
    game.start((run / "draxen3516").string(), cwd.string(), env, args);
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
  // Holds a key for a while, as a player would.
  void hold(const std::string& key, double seconds) {
    xdotool(display, "keydown " + key + " sleep " + std::to_string(seconds) + " keyup " + key);
    std::this_thread::sleep_for(200ms);
  }
  std::string display, window;
  fs::path run, home;
  test::GameProcess xvfb, game;
};

TEST_F(WindowTest, KeysReachTheHarnessAndTheFramework) {
  // No file browser on the search path, so F11 has to say so.
  startGame({}, {}, {"PATH=/nonexistent-dx"});
  if (HasFatalFailure()) return;
  tap("F2");
  ASSERT_TRUE(game.waitForOutput("wrote car.dat", 5s)) << game.out();
  EXPECT_TRUE(fs::exists(run / "car.dat"));
  fs::remove(run / "car.dat");
  fs::create_directory(run / "car.dat");  // cannot be written: said, and the session goes on
  tap("F2");
  ASSERT_TRUE(game.waitForOutput("could not write car.dat: Unable to write car.dat: it is a directory", 5s))
      << game.out();
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

// No config.ini anywhere: the default key map drives the car, and Backspace puts it back on the
// track at rest.
TEST_F(WindowTest, DefaultKeysDriveTheCarAndBackspaceResetsIt) {
  startGame();
  if (HasFatalFailure()) return;
  hold("z", 2.5);
  hold("Left", 0.6);
  hold("Right", 0.6);
  hold("x", 0.6);
  tap("F2");
  ASSERT_TRUE(game.waitForOutput("wrote car.dat", 5s)) << game.out();
  const std::vector<Telemetry> drive = readCarDat(run / "car.dat");
  ASSERT_FALSE(drive.empty());
  double top = 0, lo = 0, hi = 0;
  int braked = 0;
  for (const Telemetry& t : drive)
    top = std::max(top, t.speed), lo = std::min(lo, t.steer), hi = std::max(hi, t.steer),
    braked = std::max(braked, t.brake);
  EXPECT_GT(top, 5.0);
  EXPECT_EQ(lo, -1.0);
  EXPECT_EQ(hi, 1.0);
  EXPECT_EQ(braked, 1);

  hold("z", 1.0);
  tap("BackSpace");
  tap("F2");
  ASSERT_TRUE(game.waitForOutput("wrote car.dat\nwrote car.dat", 5s)) << game.out();
  const std::vector<Telemetry> after = readCarDat(run / "car.dat");
  ASSERT_GT(after.size(), drive.size() + 20);
  for (size_t i = after.size() - 10; i < after.size(); ++i) EXPECT_EQ(after[i].speed, 0.0) << "record " << i;
  tap("ctrl+q");
  EXPECT_EQ(game.wait(10s), 0) << game.err();
}

// Track 2, where nothing has been trained yet: the game says so, trains into the track's own pool
// on r, and leaves track 1's pool alone.
TEST_F(WindowTest, EveryTrackTrainsIntoItsOwnPool) {
  const std::string track1Pool = test::slurp(run / "assets" / "ai.json");
  startGame({"--track", "2"});
  if (HasFatalFailure()) return;
  EXPECT_NE(game.err().find("loading map: , " + fs::canonical(run).string() + "/maps/2.map"), std::string::npos)
      << game.err();
  const std::regex reference(R"(reference lap \d+\.\d s flying, \d+\.\d s standing for assets/testCar.json\n)");
  EXPECT_TRUE(std::regex_search(game.out(), reference)) << game.out();
  const fs::path pool = run / "assets" / "ai-2.json";
  tap("r");
  ASSERT_TRUE(game.waitForOutput("no gain pool yet: " + fs::canonical(run).string() +
                                     "/assets/ai-2.json, "
                                     "starting from random gains",
                                 5s))
      << game.out();
  tap("r");
  ASSERT_TRUE(game.waitForOutput("iteration: , 1", 5s)) << game.err();
  EXPECT_TRUE(game.running());
  EXPECT_TRUE(fs::exists(pool));
  EXPECT_EQ(test::slurp(run / "assets" / "ai.json"), track1Pool);
  tap("ctrl+q");
  EXPECT_EQ(game.wait(10s), 0) << game.err();

  // Another kind of driver trains a pool of its own on the same track, its own number of genes.
  const std::string track2Pool = test::slurp(pool);
  startGame({"--track", "2", "--driver", "neural"});
  if (HasFatalFailure()) return;
  tap("r");
  ASSERT_TRUE(game.waitForOutput("no gain pool yet: " + fs::canonical(run).string() + "/assets/ai-2-neural.json", 5s))
      << game.out();
  tap("r");
  ASSERT_TRUE(game.waitForOutput("iteration: , 1", 5s)) << game.err();
  tap("ctrl+q");
  EXPECT_EQ(game.wait(10s), 0) << game.err();
  EXPECT_EQ(test::slurp(pool), track2Pool);
  const nlohmann::json neural = nlohmann::json::parse(test::slurp(run / "assets" / "ai-2-neural.json"));
  ASSERT_FALSE(neural.empty());
  EXPECT_EQ(neural[0]["weights"].size(), 53u);
}

// The trainer runs while the game is open on the same track: the game's save on r keeps what the
// trainer found (and breeds from it). A track that did not load whole is shown but never saved.
TEST_F(WindowTest, TheGameKeepsTheTrainersResultsAndSavesNoPartialTrack) {
  startGame();
  if (HasFatalFailure()) return;
  tap("r");  // the first generation: an empty pool
  ASSERT_TRUE(game.waitForOutput("loaded 0 pid settings", 5s)) << game.out();
  fs::copy_file(test::gameDir() + "/draxen3516-train", run / "draxen3516-train");
  test::GameProcess trainer;
  trainer.start((run / "draxen3516-train").string(), run.string(), {}, {"--generations", "5", "--seed", "4"});
  const test::RunResult t = trainer.finish(60s);
  ASSERT_EQ(t.status, 0) << t.err;
  const std::string trained = test::slurp(run / "assets" / "ai.json");
  const size_t at = trained.find("\"score\": ");
  ASSERT_NE(at, std::string::npos);
  const std::string best = trained.substr(at, trained.find(',', at) - at);
  tap("r");  // the game scores its generation and saves
  ASSERT_TRUE(game.waitForOutput("iteration: , 1", 5s)) << game.err();
  std::this_thread::sleep_for(300ms);
  const std::string saved = test::slurp(run / "assets" / "ai.json");
  EXPECT_EQ(saved.substr(saved.find("\"score\": "), best.size()), best) << saved;
  tap("ctrl+q");
  EXPECT_EQ(game.wait(10s), 0) << game.err();

  fs::remove(run / "assets" / "ai.json");
  const std::string track = test::slurp(run / "maps" / "1.map");
  std::ofstream(run / "maps" / "1.map", std::ios::binary | std::ios::trunc) << track.substr(0, track.size() / 2);
  window.clear();
  startGame();
  if (HasFatalFailure()) return;
  tap("r");
  tap("r");
  ASSERT_TRUE(game.waitForOutput("iteration: , 1", 5s)) << game.err();
  std::this_thread::sleep_for(300ms);
  EXPECT_NE(game.out().find("Error loading map"), std::string::npos) << game.out();
  EXPECT_FALSE(fs::exists(run / "assets" / "ai.json"));
  tap("ctrl+q");
  EXPECT_EQ(game.wait(10s), 0) << game.err();
}

// Live tuning: a typo in the catalogue is reported with its place and the session goes on; once
// fixed, r puts the new catalogue in force.
TEST_F(WindowTest, BrokenCatalogueOnReloadKeepsTheSession) {
  const fs::path catalogue = run / "assets" / "components.json";
  const std::string good = test::slurp(catalogue);
  startGame({}, fs::temp_directory_path());  // and from another working directory
  if (HasFatalFailure()) return;
  tap("r");
  ASSERT_TRUE(game.waitForOutput("maxSpeed: ", 5s)) << game.out();
  const size_t first = game.out().find("maxSpeed: ");
  const std::string speed = game.out().substr(first, game.out().find('\n', first) - first);

  std::ofstream(catalogue) << "{\n  \"hulls\": [\n    {\"name\": \"x\",}\n  ]\n}\n";
  tap("r");
  ASSERT_TRUE(game.waitForOutput("could not reload the catalogue: ", 5s)) << game.out();
  EXPECT_NE(
      game.out().find(fs::canonical(run).string() + "/assets/components.json: not valid JSON: parse error at line 3, "
                                                    "column 18"),
      std::string::npos)
      << game.out();
  EXPECT_TRUE(game.running());

  std::string faster = good;
  const size_t at = faster.find("\"maxaccel\": ");
  ASSERT_NE(at, std::string::npos);
  faster.insert(at + 12, "9");  // a leading digit: a much higher throttle limit
  std::ofstream(catalogue) << faster;
  tap("r");
  ASSERT_TRUE(game.waitForOutput("maxSpeed: ", 5s));
  const size_t last = game.out().rfind("maxSpeed: ");
  EXPECT_NE(last, first);
  EXPECT_NE(game.out().substr(last, game.out().find('\n', last) - last), speed) << game.out();
  tap("ctrl+q");
  EXPECT_EQ(game.wait(10s), 0) << game.err();
  EXPECT_EQ(game.err().find("error"), std::string::npos) << game.err();
}

// The trainer's champion raced as a ghost, then saved with F4 into the per-user tapes folder; a
// tape that cannot be read leaves the game without a ghost.
TEST_F(WindowTest, GhostTapeLoadedAndSavedWithF4) {
  fs::copy_file(test::gameDir() + "/draxen3516-train", run / "draxen3516-train");
  test::GameProcess trainer;
  trainer.start((run / "draxen3516-train").string(), run.string(), {}, {"--generations", "1", "--seed", "4"});
  ASSERT_EQ(trainer.wait(120s), 0) << trainer.err();
  startGame({"--ghost", (run / "assets" / "champion.tape").string()});
  if (HasFatalFailure()) return;
  EXPECT_NE(game.out().find("ghost: " + (run / "assets" / "champion.tape").string() + "\n"), std::string::npos)
      << game.out();
  tap("F4");
  ASSERT_TRUE(game.waitForOutput("saved tape to: ", 5s)) << game.out();
  const fs::path tapes = home / "tormix" / "draxen3516" / "tapes";
  ASSERT_TRUE(fs::is_directory(tapes));
  const fs::path saved = fs::directory_iterator(tapes)->path();
  EXPECT_EQ(saved.filename().string().rfind("track1-champion-", 0), 0u) << saved;
  EXPECT_EQ(test::slurp(saved), test::slurp(run / "assets" / "champion.tape"));
  tap("ctrl+q");
  EXPECT_EQ(game.wait(10s), 0) << game.err();

  window.clear();
  startGame({"--ghost", (run / "nothing.tape").string()});
  if (HasFatalFailure()) return;
  EXPECT_NE(game.out().find("no ghost: Unable to open file: " + (run / "nothing.tape").string()), std::string::npos)
      << game.out();
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
  const Rgb backing{20, 20, 28}, orange{255, 163, 0}, blue{41, 173, 255}, yellow{255, 240, 36};
  auto press = [this](const std::string& key) { tap(key); };
  // Until the first generation starts, the panel's third line says how to start it.
  const SurfacePtr first = screenshot(game, press);
  ASSERT_TRUE(first) << game.err();
  EXPECT_GT(share(*first, 2, 14, 60, 18, yellow), 0.2) << "no \"r starts training now\" line";
  tap("r");  // a generation of training cars to follow
  ASSERT_TRUE(game.waitForOutput("loaded 0 pid settings", 5s)) << game.out();
  std::this_thread::sleep_for(2s);  // they move off the start

  const SurfacePtr panel = screenshot(game, press);
  ASSERT_TRUE(panel) << game.err();
  EXPECT_GT(share(*panel, 0, 0, 60, 37, backing), 0.5) << "no status panel in the top left corner";
  EXPECT_EQ(share(*panel, 2, 14, 60, 18, yellow), 0.0);
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

TEST_F(WindowTest, ARaceShowsItsPlaceThenTheResultsAndWritesThem) {
  startGame({"--race", "--opponents", "3"});
  if (HasFatalFailure()) return;
  ASSERT_TRUE(game.waitForOutput("race: you and 3 computer drivers, 3 laps", 5s)) << game.out();
  hold("z", 4.5);  // through the countdown and off the grid
  auto press = [this](const std::string& key) { tap(key); };
  const SurfacePtr racing = screenshot(game, press);
  ASSERT_TRUE(racing) << game.err();
  // The panel's second line begins with the place: a white "P" at (2, 8).
  const char* const kP[5] = {"###.", "#..#", "###.", "#...", "#..."};
  const Rgb white{255, 241, 232};
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(pixel(*racing, 2 + x, 8 + y) == white, kP[y][x] == '#') << x << ", " << y;

  tap("Escape");  // retires: the results, not the editor
  ASSERT_TRUE(game.waitForOutput("race results added to ", 5s)) << game.out();
  const SurfacePtr results = screenshot(game, press);
  ASSERT_TRUE(results) << game.err();
  EXPECT_GT(share(*results, 150, 2, 230, 30, {20, 20, 28}), 0.5) << "no results table at the top right";
  const std::string csv = test::slurp(home / "tormix" / "draxen3516" / "results.csv");
  EXPECT_EQ(csv.rfind("date,track,driver kind,level,position,name,best lap s,total s\n", 0), 0u) << csv;
  EXPECT_EQ(count(csv, "\n"), 5u) << csv;
  EXPECT_EQ(count(csv, ",1,pid,0,"), 4u) << csv;
  EXPECT_EQ(count(csv, ",you,,DNF\n"), 1u) << csv;
  tap("ctrl+q");
  EXPECT_EQ(game.wait(10s), 0) << game.err();
}

}  // namespace
}  // namespace dx
