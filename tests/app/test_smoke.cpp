#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "app/process_runner.h"
#include "test_support.h"

namespace dx {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(Smoke, StartsLogsItsFoldersAndEndsCleanlyOnSigterm) {
  const fs::path home = fs::temp_directory_path() / ("dx-smoke-" + std::to_string(getpid()));
  fs::remove_all(home);
  fs::create_directories(home);
  const std::string game = test::gameDir();
  test::GameProcess p;
  p.start(game + "/draxen3516", game,
          {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", "XDG_DATA_HOME=" + home.string()});
  ASSERT_TRUE(p.waitForOutput("sdl resize", 10s)) << p.err();
  std::this_thread::sleep_for(300ms);  // let the loop run a few steps
  p.signal(SIGTERM);
  EXPECT_EQ(p.wait(10s), 0) << p.err();
  const std::string err = p.err();
  const std::string base = fs::canonical(game).string() + "/";
  EXPECT_NE(err.find("basePath: , " + base + "\n"), std::string::npos) << err;
  EXPECT_NE(err.find("assetPath: , " + base + "assets\n"), std::string::npos) << err;
  EXPECT_NE(err.find("writePath: , " + home.string() + "/tormix/draxen3516/\n"), std::string::npos) << err;
  const size_t resized = err.find("sdl resize, 480, 272\n");
  ASSERT_NE(resized, std::string::npos) << err;
  EXPECT_NE(err.find("\n0, 0\n", resized), std::string::npos) << err;
  EXPECT_TRUE(fs::is_directory(home / "tormix" / "draxen3516"));
  fs::remove_all(home);
}

TEST(Smoke, RunsFromAnyWorkingDirectory) {
  const fs::path home = fs::temp_directory_path() / ("dx-smoke-cwd-" + std::to_string(getpid()));
  fs::create_directories(home);
  test::GameProcess p;
  p.start(test::gameDir() + "/draxen3516", "/",
          {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", "XDG_DATA_HOME=" + home.string()});
  ASSERT_TRUE(p.waitForOutput("loading map: ", 10s)) << p.err();
  std::this_thread::sleep_for(3s);
  EXPECT_TRUE(p.running()) << p.err();
  p.signal(SIGTERM);
  EXPECT_EQ(p.wait(10s), 0) << p.err();
  EXPECT_EQ(p.err().find("error"), std::string::npos) << p.err();
  fs::remove_all(home);
}

TEST(Smoke, CommandLineHelpAndTracksThatCannotBeRaced) {
  const std::string game = test::gameDir();
  const std::vector<std::string> env = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy", "XDG_DATA_HOME=/nonexistent"};
  test::GameProcess help;
  help.start(game + "/draxen3516", game, env, {"--help"});
  EXPECT_EQ(help.wait(10s), 0);
  EXPECT_EQ(help.out().rfind("usage: draxen3516 [--track SLOT] [--difficulty LEVEL] [--ghost FILE]\n", 0), 0u)
      << help.out();

  test::GameProcess missing;
  missing.start(game + "/draxen3516", game, env, {"--track", "9"});
  EXPECT_EQ(missing.wait(10s), 1);
  EXPECT_EQ(missing.err(), "error: no such track: " + fs::canonical(game).string() + "/maps/9.map\n");

  test::GameProcess bad;
  bad.start(game + "/draxen3516", game, env, {"--track", "two"});
  EXPECT_EQ(bad.wait(10s), 2);
  EXPECT_EQ(bad.err().rfind("draxen3516: bad argument '--track'\nusage: ", 0), 0u) << bad.err();

  for (const char* level : {"5", "-1", "two"}) {  // refused before anything loads
    test::GameProcess badLevel;
    badLevel.start(game + "/draxen3516", game, env, {"--difficulty", level});
    EXPECT_EQ(badLevel.wait(10s), 2);
    EXPECT_EQ(badLevel.err().rfind("draxen3516: bad argument '--difficulty'\nusage: ", 0), 0u) << badLevel.err();
  }
  for (const char* count : {"0", "16"}) {
    test::GameProcess badField;
    badField.start(game + "/draxen3516", game, env, {"--race", "--opponents", count});
    EXPECT_EQ(badField.wait(10s), 2);
    EXPECT_EQ(badField.err().rfind("draxen3516: bad argument '--opponents'\nusage: ", 0), 0u) << badField.err();
  }
}

}  // namespace
}  // namespace dx
