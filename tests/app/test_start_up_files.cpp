// The real game started with files and environments users end up with: a per-user folder that
// cannot be made or an empty XDG_DATA_HOME, controller mappings that are a folder, a FIFO or far
// too long, a damaged palette, catalogue, pool or track. The game either ends before its window
// opens, naming the file, or starts, says what it does instead, and ends cleanly on SIGTERM;
// nothing it saves changes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "app/process_runner.h"
#include "test_support.h"

namespace dx {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class StartUpFiles : public test::RunFolderTest {
 protected:
  StartUpFiles() : RunFolderTest("dx-start-up-", "draxen3516") {}

  // Starts the game, lets it run a moment and ends it; returns its standard error.
  std::string startAndStop(const std::vector<std::string>& env) {
    test::GameProcess p;
    std::vector<std::string> all = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
    all.insert(all.end(), env.begin(), env.end());
    p.start((run / "draxen3516").string(), run.string(), all);
    EXPECT_TRUE(p.waitForOutput("sdl resize", 20s)) << p.err();
    p.signal(SIGTERM);
    EXPECT_EQ(p.wait(10s), 0) << p.err();
    return p.err();
  }
  // Starts the game on something that ends it; returns its status and output.
  test::RunResult refused(const std::vector<std::string>& args = {}) {
    test::GameProcess p;
    p.start((run / "draxen3516").string(), run.string(),
            {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", "XDG_DATA_HOME=" + (run / "home").string()}, args);
    return p.finish(20s);
  }
};

TEST_F(StartUpFiles, PerUserFolder) {
  // An empty XDG_DATA_HOME counts as unset: the folder goes under HOME, not the root.
  const fs::path home = run / "home";
  fs::create_directories(home);
  std::string err = startAndStop({"XDG_DATA_HOME=", "HOME=" + home.string()});
  EXPECT_NE(err.find("writePath: , " + home.string() + "/.local/share/tormix/draxen3516/\n"), std::string::npos) << err;
  EXPECT_TRUE(fs::is_directory(home / ".local" / "share" / "tormix" / "draxen3516"));
  // A file where the folder should go: the game says there is no per-user folder and runs on.
  std::ofstream(run / "blocker") << "a file";
  err = startAndStop({"XDG_DATA_HOME=" + (run / "blocker").string()});
  EXPECT_NE(err.find("writePath: , \nno per-user folder: Couldn't create directory"), std::string::npos) << err;
  EXPECT_NE(err.find("screenshots and recordings cannot be saved\n"), std::string::npos) << err;
  // A file where the game's own folder should be.
  const fs::path blocker = home / "tormix" / "draxen3516";
  fs::create_directories(blocker.parent_path());
  std::ofstream(blocker) << "a file";
  err = startAndStop({"XDG_DATA_HOME=" + home.string()});
  EXPECT_NE(err.find("no per-user folder: " + blocker.string() + " is not a folder, "), std::string::npos) << err;
  EXPECT_EQ(test::slurp(blocker), "a file");
}

TEST_F(StartUpFiles, ControllerMappingsThatAreNoFileOrFarTooLong) {
  const fs::path db = run / "assets" / "gamecontrollerdb.txt";
  const fs::path home = run / "home";
  const std::vector<std::string> env = {"XDG_DATA_HOME=" + home.string()};
  fs::remove(db);
  fs::create_directory(db);
  std::string err = startAndStop(env);
  EXPECT_NE(err.find(db.string() + " is a directory, controller mappings not loaded\n"), std::string::npos) << err;
  fs::remove(db);
  ASSERT_EQ(mkfifo(db.c_str(), 0644), 0);
  err = startAndStop(env);
  EXPECT_NE(err.find(db.string() + " is not a regular file, controller mappings not loaded\n"), std::string::npos)
      << err;
  fs::remove(db);
  {
    std::ofstream out(db);
    for (int i = 0; i < 12000; ++i)
      out << "030000000000000000000000" << std::hex << 0x10000000 + i << ",Pad,a:b0,platform:Linux,\n";
  }
  err = startAndStop(env);
  EXPECT_NE(err.find(db.string() + " has more than 10000 lines, controller mappings not loaded\n"), std::string::npos)
      << err;
}

// A palette cut short, a catalogue value of another JSON type, a pool the first generation could
// not read (once found a minute into the session) and an empty ghost path end the game at once,
// naming the file; the pool is left as it was.
TEST_F(StartUpFiles, DamagedFilesEndTheGameAtStartUpNamingThem) {
  const fs::path palette = run / "assets" / "palette.gpl", catalogue = run / "assets" / "components.json";
  const fs::path pool = run / "assets" / "ai.json";
  const std::string shipped = test::slurp(palette), components = test::slurp(catalogue);
  auto endsWith = [&](const std::string& message, const std::vector<std::string>& args = {}) {
    const test::RunResult r = refused(args);
    EXPECT_EQ(r.status, message.starts_with("draxen3516: bad argument") ? 2 : 1) << message;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    // The pool and the command line are checked before anything else starts.
    if (message.find(pool.string()) != std::string::npos || r.status == 2) {
      EXPECT_EQ(r.err.rfind(message, 0), 0u) << r.err;
    }
  };
  // Cut in the colours: fewer than the header's index ranges name; cut in the header: none.
  std::ofstream(palette, std::ios::binary) << shipped.substr(0, shipped.find("\n 29  43  83") + 1);
  endsWith("error: " + palette.string() + ": 1 of the 120 colours its header names\n");
  std::ofstream(palette, std::ios::binary) << shipped.substr(0, shipped.find('\n', shipped.find("team3")) + 1);
  endsWith("error: " + palette.string() + ": no colours\n");
  std::ofstream(palette, std::ios::binary) << shipped;
  for (const auto& [value, type] : {std::pair{"\"5\"", "string"}, {"null", "null"}}) {
    std::ofstream(catalogue, std::ios::binary)
        << std::regex_replace(components, std::regex("\"mass\": 5,"), std::string("\"mass\": ") + value + ",");
    endsWith("error: " + catalogue.string() + ": hulls[0]: \"mass\" must be a number, not " + type + "\n");
  }
  std::ofstream(catalogue, std::ios::binary) << components;
  std::ofstream(pool, std::ios::trunc) << "garbage";
  endsWith("error: " + pool.string() + ": not valid JSON: parse error at line 1, column 1: ");
  std::ofstream(pool, std::ios::trunc) << "1e39";
  endsWith("error: " + pool.string() + ": the gain pool must be a JSON array\n");
  EXPECT_EQ(test::slurp(pool), "1e39");
  fs::remove(pool);
  fs::create_directory(pool);
  endsWith("error: " + pool.string() + " is a directory\n");
  endsWith("draxen3516: bad argument '--ghost'\n", {"--ghost", ""});
}

// A track whose geometry a damaged byte changed is still shown, but the game says it will not
// save its pool, naming the file and the first rule it breaks.
TEST_F(StartUpFiles, TrackBreakingALayoutRuleIsShownButNotTrainedInto) {
  const fs::path track = run / "maps" / "1.map";
  std::string bytes = test::slurp(track);
  bytes[5] = char(bytes[5] ^ 0x10);
  std::ofstream(track, std::ios::binary | std::ios::trunc) << bytes;
  test::GameProcess p;
  p.start((run / "draxen3516").string(), run.string(),
          {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", "XDG_DATA_HOME=" + (run / "home").string()});
  EXPECT_TRUE(p.waitForOutput("training on this track is not saved", 20s)) << p.out();
  EXPECT_NE(p.out().find(track.string() + ": the loop does not close: "), std::string::npos) << p.out();
  p.signal(SIGTERM);
  EXPECT_EQ(p.wait(10s), 0) << p.err();
}

}  // namespace
}  // namespace dx
