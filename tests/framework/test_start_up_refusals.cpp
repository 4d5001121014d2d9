// The real game started with damaged files where a user meets them: a palette cut short, a
// catalogue value of the wrong JSON type, a file where the per-user folder should be. The game
// names the file and ends, or goes on without what it cannot have; nothing it saves changes.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "app/process_runner.h"
#include "test_support.h"

namespace dx {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class StartUpRefusals : public test::RunFolderTest {
 protected:
  StartUpRefusals() : RunFolderTest("dx-start-up-refusals-", "draxen3516") {}

  std::vector<std::string> env() const {
    return {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", "XDG_DATA_HOME=" + (run / "home").string()};
  }

  // Starts the game on a damaged file that ends it; returns its status and standard error.
  test::RunResult refused() {
    test::GameProcess p;
    p.start((run / "draxen3516").string(), run.string(), env());
    return p.finish(20s);
  }
};

TEST_F(StartUpRefusals, DamagedPaletteOrCatalogueEndsTheGameNamingTheFile) {
  const fs::path palette = run / "assets" / "palette.gpl", catalogue = run / "assets" / "components.json";
  const std::string shipped = test::slurp(palette), components = test::slurp(catalogue);
  const std::string pool = test::slurp(run / "assets" / "ai.json");
  // Cut in the colours: fewer than the header's index ranges name; cut in the header: none.
  const size_t last = shipped.rfind('\n', shipped.size() - 2), second = shipped.find("\n 29  43  83");
  const size_t header = shipped.find('\n', shipped.find("team3"));
  for (const auto& [cut, message] : {std::pair{last, "119 of the 120 colours its header names"},
                                     {second, "1 of the 120 colours its header names"},
                                     {header, "no colours"}}) {
    std::ofstream(palette, std::ios::binary) << shipped.substr(0, cut + 1);
    const test::RunResult r = refused();
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: " + palette.string() + ": " + message + "\n"), std::string::npos) << r.err;
  }
  std::ofstream(palette, std::ios::binary) << shipped;
  for (const auto& [value, type] : {std::pair{"\"5\"", "string"}, {"null", "null"}, {"[1]", "array"}}) {
    std::ofstream(catalogue, std::ios::binary)
        << std::regex_replace(components, std::regex("\"mass\": 5,"), std::string("\"mass\": ") + value + ",");
    const test::RunResult r = refused();
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error: " + catalogue.string() + ": hulls[0]: \"mass\" must be a number, not " + type + "\n"),
              std::string::npos)
        << r.err;
  }
  EXPECT_EQ(test::slurp(run / "assets" / "ai.json"), pool);
  EXPECT_FALSE(fs::exists(run / "home" / "tormix" / "draxen3516" / "tapes"));
}

TEST_F(StartUpRefusals, PerUserFolderThatIsAFileIsReportedAndTheGameGoesOn) {
  const fs::path blocker = run / "home" / "tormix" / "draxen3516";
  fs::create_directories(blocker.parent_path());
  std::ofstream(blocker) << "a file";
  test::GameProcess p;
  p.start((run / "draxen3516").string(), run.string(), env());
  EXPECT_TRUE(p.waitForOutput("sdl resize", 20s)) << p.err();
  p.signal(SIGTERM);
  EXPECT_EQ(p.wait(10s), 0) << p.err();
  EXPECT_NE(p.err().find("writePath: , \nno per-user folder: " + blocker.string() +
                         " is not a folder, screenshots and recordings cannot be saved\n"),
            std::string::npos)
      << p.err();
  EXPECT_EQ(test::slurp(blocker), "a file");
}

// A pool the first generation could not read ends the game before the window opens, with the
// reader's message, instead of a minute into the session; an empty ghost path is refused.
TEST_F(StartUpRefusals, DamagedPoolOrEmptyGhostEndsTheGameAtOnce) {
  const fs::path pool = run / "assets" / "ai.json";
  const struct {
    std::string text, message;
  } cases[] = {
      {"garbage",
       ": not valid JSON: parse error at line 1, column 1: syntax error while parsing value - invalid "
       "literal; last read: 'g'\n"},
      {"1e39", ": the gain pool must be a JSON array\n"},
      {"\"5\"", ": the gain pool must be a JSON array\n"},
  };
  for (const auto& c : cases) {
    std::ofstream(pool, std::ios::trunc) << c.text;
    const test::RunResult r = refused();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "error: " + pool.string() + c.message);
    EXPECT_EQ(test::slurp(pool), c.text);
  }
  fs::remove(pool);
  fs::create_directory(pool);
  EXPECT_EQ(refused().err, "error: " + pool.string() + " is a directory\n");
  test::GameProcess p;
  p.start((run / "draxen3516").string(), run.string(), env(), {"--ghost", ""});
  const test::RunResult r = p.finish(20s);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("draxen3516: bad argument '--ghost'\n", 0), 0u) << r.err;
}

// A track whose geometry a damaged byte changed is still shown, but the game says it will not
// save its pool, naming the file and the first rule it breaks.
TEST_F(StartUpRefusals, TrackBreakingALayoutRuleIsShownButNotTrainedInto) {
  const fs::path track = run / "maps" / "1.map";
  std::string bytes = test::slurp(track);
  bytes[5] = char(bytes[5] ^ 0x10);
  std::ofstream(track, std::ios::binary | std::ios::trunc) << bytes;
  test::GameProcess p;
  p.start((run / "draxen3516").string(), run.string(), env());
  EXPECT_TRUE(p.waitForOutput("training on this track is not saved", 20s)) << p.out();
  EXPECT_NE(p.out().find(track.string() + ": the loop does not close: "), std::string::npos) << p.out();
  p.signal(SIGTERM);
  EXPECT_EQ(p.wait(10s), 0) << p.err();
  EXPECT_FALSE(fs::exists(run / "assets" / "ai.json.lock"));
}

}  // namespace
}  // namespace dx
