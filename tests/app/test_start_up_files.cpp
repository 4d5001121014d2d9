// The real game started with files and environments users end up with: a per-user folder that
// cannot be made or an empty XDG_DATA_HOME, and controller mappings that are a folder, a FIFO or
// far too long. The game starts, says what it did instead, and ends cleanly on SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

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

}  // namespace
}  // namespace dx
