// The real game given tapes users and attackers end up with: numbers beyond any drive, runs of
// millions of steps, brackets nested millions deep, files far too large. Each is refused at once
// with the file and the entry, the game starts without a ghost, and nothing saved changes.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "app/process_runner.h"
#include "app/replays.h"
#include "car/tape.h"
#include "framework/file_io.h"
#include "test_support.h"

namespace dx {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

// Every file below `dir` with its bytes.
std::map<std::string, std::string> snapshot(const fs::path& dir) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) out[e.path().string()] = test::slurp(e.path());
  return out;
}

class TapeFiles : public test::RunFolderTest {
 protected:
  TapeFiles() : RunFolderTest("dx-tape-files-", "draxen3516") {}

  // The trainer's champion tape of one seeded generation on track 1.
  json championTape() {
    fs::copy_file(fs::path(test::gameDir()) / "draxen3516-train", run / "draxen3516-train");
    test::GameProcess p;
    p.start((run / "draxen3516-train").string(), run.string(), {"XDG_DATA_HOME=" + home().string()},
            {"--generations", "1", "--seed", "3"});
    EXPECT_EQ(p.wait(120s), 0) << p.err();
    return parseJson(test::slurp(run / "assets" / "champion.tape"), "champion.tape");
  }

  fs::path home() const { return run / "home"; }

  // Starts the game with the tape as its ghost, reads what it said of it and ends it.
  std::string ghostLine(const fs::path& tape) {
    fs::create_directories(home() / "tormix" / "draxen3516");
    const auto before = snapshot(run / "assets"), homeBefore = snapshot(home());
    const std::string bytes = test::slurp(tape);
    test::GameProcess p;
    p.start((run / "draxen3516").string(), run.string(),
            {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", "XDG_DATA_HOME=" + home().string()},
            {"--ghost", tape.string()});
    EXPECT_TRUE(p.waitForOutput("ghost", 20s)) << p.err();
    EXPECT_TRUE(p.waitForOutput("sdl resize", 20s)) << p.err();
    p.signal(SIGTERM);
    EXPECT_EQ(p.wait(10s), 0) << p.err();
    EXPECT_EQ(test::slurp(tape), bytes);
    EXPECT_TRUE(snapshot(run / "assets") == before);
    EXPECT_TRUE(snapshot(home()) == homeBefore);
    const std::string out = p.out();
    const size_t at = out.find("ghost");
    const size_t from = out.rfind('\n', at) + 1;
    return out.substr(from, out.find('\n', at) - from);
  }
};

TEST_F(TapeFiles, NumbersBeyondAnyDriveAreRefusedAndTheGameStartsWithoutAGhost) {
  const json good = championTape();
  const fs::path tape = run / "my.tape";
  std::ofstream(tape) << good.dump(1);
  EXPECT_EQ(ghostLine(tape), "ghost: " + tape.string());

  using Edit = std::function<void(json&)>;
  const std::vector<std::pair<Edit, std::string>> cases = {
      // Driving this ghost overflowed the node counters and hung the game.
      {[](json& t) { t["start"]["currentNode"] = INT64_MAX; },
       "start: \"currentNode\" is 9223372036854775807, outside -57886 to 57886"},
      {[](json& t) {
         t["start"]["pos"] = {1e5, 0};
       },
       "start: \"pos\" (100000, 0) is more than 100 map units off the track"},
      {[](json& t) {
         t["start"]["vel"] = {600, 800.5};
       },
       "start: \"vel\" is a speed of 1000.4, above 1000"},
      {[](json& t) { t["settings"]["maxaccel"] = 3e6; },
       "settings: \"maxaccel\" is 3e+06, outside -2.4e+06 to 2.4e+06"},
      {[](json& t) { t["settings"]["hullIndex"] = 3; }, "settings: \"hullIndex\" is 3, outside the catalogue's 0 to 2"},
      {[](json& t) { t["genes"][1] = -10001; }, "\"genes\" is -10001, outside -10000 to 10000"},
      // A 13 KB tape asked for 1.6 GB.
      {[](json& t) {
         t["controls"] = json::array({json::array({0, 1, 99999999})});
       },
       "controls run 0 has buttons outside 0..15 or a count outside 1..216000"},
      {[](json& t) {
         t["controls"].push_back(json::array({0, 1, 216000}));
       },
       "controls run " + std::to_string(good["controls"].size()) +
           " has buttons outside 0..15 or a count outside 1..216000"},
      {[](json& t) {
         t["kind"] = "lap";
         t["time"] = -1;
       },
       "\"time\" is -1, outside 0 to 1e+06"},
  };
  for (const auto& [edit, message] : cases) {
    json t = good;
    edit(t);
    std::ofstream(tape) << t.dump(1);
    EXPECT_EQ(ghostLine(tape), "no ghost: " + tape.string() + ": " + message);
  }
  // 5 MB of brackets took 387 MB before they were refused.
  std::ofstream(tape) << std::string(5'000'000, '[');
  EXPECT_EQ(ghostLine(tape), "no ghost: " + tape.string() + ": not a tape (nested deeper than a tape)");
  std::ofstream(tape) << good.dump(1) << std::string(9 << 20, ' ');
  EXPECT_EQ(ghostLine(tape), "no ghost: " + tape.string() + " is larger than 8 MiB");
}

// The recorder keeps one step past the cap, no more, and a lap that long is said not to be kept.
TEST(LapRecorder, ALapLongerThanAnHourIsNotKept) {
  Tape full;
  full.frames.resize(kMaxTapeFrames);
  EXPECT_FALSE(tapeTooLong(full));
  for (int i = 0; i < 3; ++i) recordStep(full, Controls{1, true});
  EXPECT_EQ(full.frames.size(), size_t(kMaxTapeFrames + 1));
  EXPECT_TRUE(tapeTooLong(full));

  Map map;
  map.laps = 3;
  map.path.resize(10);
  Car user;
  user.currentNode = 10;
  user.lapTimes = {3600.5f, 0};
  Replays r;
  r.lapTape = std::make_shared<Tape>(full);
  const test::LogCapture capture;
  afterRaceStep(r, user, map, 1);
  EXPECT_EQ(capture.out(), "lap of 3600.50 s not kept as a tape: a tape holds at most an hour\n");
  EXPECT_FALSE(r.bestLap);
  EXPECT_TRUE(r.lapTape->frames.empty());  // the next lap records afresh
}

}  // namespace
}  // namespace dx
