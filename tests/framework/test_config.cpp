#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "framework/config.h"
#include "framework/reset_framework.h"
#include "framework/run_loop.h"
#include "test_support.h"

namespace dx {
namespace {

namespace fs = std::filesystem;

TEST(ConfigParse, SectionsKeysAndQuotedValues) {
  const Config c = parseConfig(
      "\xEF\xBB\xBF"
      "top = 1\n"
      "; a comment\n"
      "# another\n"
      "\n"
      "[Input]\r\n"
      "  keymap =  \"Left:Left,A;A:Space\"  \n"
      "plain=a = b\n"
      "empty=\n"
      "[ Other ]\n"
      "keymap=x\n"
      "[Input]\n"
      "quoted=\"  padded  \" trailing\n",
      "config.ini");
  EXPECT_EQ(c.at("").at("top"), "1");
  EXPECT_EQ(c.at("Input").at("keymap"), "Left:Left,A;A:Space");
  EXPECT_EQ(c.at("Input").at("plain"), "a = b");
  EXPECT_EQ(c.at("Input").at("empty"), "");
  EXPECT_EQ(c.at("Input").at("quoted"), "  padded  ");
  EXPECT_EQ(c.at("Other").at("keymap"), "x");
  EXPECT_EQ(c.size(), 3u);
}

TEST(ConfigParse, JunkLinesAndOpenQuotesAreSkippedWithTheirPlace) {
  const test::LogCapture capture;
  const Config c = parseConfig(
      "[Input\n"
      "just words\n"
      "=value\n"
      "[Input]\n"
      "keymap=\"Left:J\n"
      "other=ok\n"
      "\x01\x02\xFF\n",
      "/x/config.ini");
  EXPECT_EQ(capture.err(),
            "/x/config.ini:1: section name without ']', line ignored\n"
            "/x/config.ini:2: not a section or a key line, line ignored\n"
            "/x/config.ini:3: not a section or a key line, line ignored\n"
            "/x/config.ini:5: quoted value without its closing quote, line ignored\n"
            "/x/config.ini:7: not a section or a key line, line ignored\n");
  EXPECT_EQ(c.at("Input").size(), 1u);
  EXPECT_EQ(c.at("Input").at("other"), "ok");
}

TEST(ConfigValue, DefaultWhenMissingOrEmptyAndOneLogLine) {
  resetFrameworkModules();
  configState().config = parseConfig("[Input]\nkeymap=Left:J\nblank=\"\"\n", "config.ini");
  const test::LogCapture capture;
  EXPECT_EQ(getConfigValue("Input", "keymap", ""), "Left:J");
  EXPECT_EQ(getConfigValue("Input", "blank", "d"), "d");
  EXPECT_EQ(getConfigValue("Input", "nothing", "d"), "d");
  EXPECT_EQ(getConfigValue("Video", "keymap", ""), "");
  EXPECT_EQ(capture.err(),
            "getConfigValue, Input, keymap, Left:J\n"
            "getConfigValue, Input, blank, d\n"
            "getConfigValue, Input, nothing, d\n"
            "getConfigValue, Video, keymap, \n");
}

// Two temporary folders standing in for the per-user folder and the executable's folder.
class ConfigLoad : public testing::Test {
 protected:
  fs::path root, user, base;

  void SetUp() override {
    root = fs::temp_directory_path() / ("dx_config_" + std::to_string(getpid()));
    user = root / "user";
    base = root / "base";
    fs::create_directories(user);
    fs::create_directories(base);
    resetFrameworkModules();
    loopState().writePath = user.string() + "/";
    loopState().basePath = base.string() + "/";
  }
  void TearDown() override { fs::remove_all(root); }

  static void write(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
};

TEST_F(ConfigLoad, PerUserFileComesFirst) {
  write(user / "config.ini", "[Input]\nkeymap=user\n");
  write(base / "config.ini", "[Input]\nkeymap=base\n");
  const test::LogCapture capture;
  loadConfig();
  EXPECT_EQ(capture.err(), "loaded config from " + (user / "config.ini").string() + "\n");
  EXPECT_EQ(configState().config.at("Input").at("keymap"), "user");
}

TEST_F(ConfigLoad, FallsBackToTheExecutableFolder) {
  write(base / "config.ini", "[Input]\nkeymap=base\n");
  fs::create_directory(user / "config.ini");  // present but not a file
  const test::LogCapture capture;
  loadConfig();
  EXPECT_EQ(capture.err(), (user / "config.ini").string() + " is a directory, not used\nloaded config from " +
                               (base / "config.ini").string() + "\n");
  EXPECT_EQ(configState().config.at("Input").at("keymap"), "base");
}

TEST_F(ConfigLoad, NoFileLeavesAnEmptyConfiguration) {
  configState().config["Input"]["keymap"] = "stale";
  const test::LogCapture capture;
  loadConfig();
  EXPECT_EQ(capture.err(), "no config file loaded\n");
  EXPECT_TRUE(configState().config.empty());
}

TEST_F(ConfigLoad, EmptyFileIsAnEmptyConfiguration) {
  write(user / "config.ini", "");
  write(base / "config.ini", "[Input]\nkeymap=base\n");
  const test::LogCapture capture;
  loadConfig();
  EXPECT_EQ(capture.err(), "loaded config from " + (user / "config.ini").string() + "\n");
  EXPECT_TRUE(configState().config.empty());
}

}  // namespace
}  // namespace dx
