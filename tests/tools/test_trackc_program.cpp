// draxen-trackc as a user runs it: help, usage errors noticed before any track is read, the
// check summary, outputs it must not replace, and the item files found from any folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "app/process_runner.h"
#include "test_support.h"

namespace dx {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class TrackcProgram : public testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("dx-trackc-program-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  // Runs the compiler in the scratch folder, which holds no assets of its own.
  test::RunResult trackc(const std::vector<std::string>& args) {
    test::GameProcess p;
    p.start(test::buildDir() + "/bin/draxen-trackc", dir.string(), {}, args);
    return p.finish(60s);
  }

  fs::path dir;
};

TEST_F(TrackcProgram, HelpAndUsageErrors) {
  const test::RunResult help = trackc({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage:\n  draxen-trackc compile", 0), 0u) << help.out;
  EXPECT_EQ(help.err, "");
  // An unknown command is refused before the track is read (it does not exist either).
  const test::RunResult unknown = trackc({"chek", "nowhere.json"});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_EQ(unknown.err.rfind("draxen-trackc: unknown command chek\nusage:", 0), 0u) << unknown.err;
  const test::RunResult radius = trackc({"plan", "nowhere.map", "p.png", "--node", "3", "--radius", "nan"});
  EXPECT_EQ(radius.status, 1);
  EXPECT_EQ(radius.err.rfind("draxen-trackc: --radius needs a number from 1 to 100000, not nan\n", 0), 0u)
      << radius.err;
  EXPECT_FALSE(fs::exists(dir / "p.png"));
}

TEST_F(TrackcProgram, CheckSummarisesEveryFile) {
  const std::string good = test::sourceDir() + "/maps/1.map";
  const test::RunResult r = trackc({"check", good, "maps/9.map"});
  EXPECT_EQ(r.status, 1);
  const std::string summary = good + ": ok\nmaps/9.map: no such file\n";
  ASSERT_GE(r.out.size(), summary.size());
  EXPECT_EQ(r.out.substr(r.out.size() - summary.size()), summary) << r.out;
  std::ofstream(dir / "bad.json") << R"({"laps": 2, "sections": [{"kind": "angle", "steps": 10}]})";
  const test::RunResult open = trackc({"check", "bad.json"});
  EXPECT_EQ(open.status, 2);
  EXPECT_TRUE(std::regex_search(open.out, std::regex("\nbad.json: [0-9]+ problems\n$"))) << open.out;
}

// Compiled from a folder without assets, scenery by name still finds the shipped item files; the
// output may be neither the input nor something that is not a file.
TEST_F(TrackcProgram, CompileFindsItsItemsAndGuardsItsOutput) {
  fs::copy_file(test::sourceDir() + "/tools/tracks/1.json", dir / "1.json");
  const std::string source = test::slurp(dir / "1.json");
  const test::RunResult ok = trackc({"compile", "1.json", "-o", "1.map", "--plan", "1.png"});
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(test::slurp(dir / "1.map"), test::slurp(test::sourceDir() + "/maps/1.map"));
  EXPECT_TRUE(fs::exists(dir / "1.png"));
  const test::RunResult self = trackc({"compile", "1.json", "-o", "./1.json"});
  EXPECT_EQ(self.status, 1);
  EXPECT_EQ(self.err.rfind("draxen-trackc: -o ./1.json is the input; give another file\n", 0), 0u) << self.err;
  EXPECT_EQ(test::slurp(dir / "1.json"), source);
  fs::create_directory(dir / "out.map");
  const test::RunResult folder = trackc({"compile", "1.json", "-o", "out.map"});
  EXPECT_EQ(folder.status, 1);
  EXPECT_EQ(folder.err, "draxen-trackc: -o out.map exists and is not a regular file; nothing was written\n");
  EXPECT_TRUE(fs::is_directory(dir / "out.map"));
}

// Rows of scenery past what a track file holds are refused at once, before each spot of each row
// is looked at (2,000 rows took 13 s); a name's control characters are shown, not sent.
TEST_F(TrackcProgram, TooManyObjectsAreRefusedAtOnceAndNamesAreShownSafely) {
  std::string rows;
  for (int i = 0; i < 2000; ++i) rows += std::string(i ? ", " : "") + R"({"kind": 0, "nodes": [0, 300], "every": 1})";
  const std::string track =
      R"({"laps": 0, "sections": [{"kind": "angle", "steps": 255}, {"kind": "angle", "steps": 100}])";
  std::ofstream(dir / "many.json") << track + R"(, "objects": [)" + rows + "]}";
  std::ofstream(dir / "old.map") << "kept";
  const test::RunResult many = trackc({"compile", "many.json", "-o", "old.map"});
  EXPECT_EQ(many.status, 1);
  EXPECT_EQ(many.err, "draxen-trackc: track has too many sections or objects for the file format\n");
  EXPECT_EQ(many.out, "");
  EXPECT_EQ(test::slurp(dir / "old.map"), "kept");
  std::ofstream(dir / "name.json") << R"({"name": "Evil\u001b[2J\u007fEnd", )" + track.substr(1) + "}";
  const test::RunResult info = trackc({"info", "name.json"});
  EXPECT_EQ(info.status, 0) << info.err;
  EXPECT_EQ(info.out.rfind("name.json\ntrack \"Evil\\x1B[2J\\x7FEnd\": style CityNight, laps 0, 2 sections, ", 0), 0u)
      << info.out;
}

// info ends a track's report with the test car's reference lap when the asset folder holds the
// car and its catalogue; without them the report is the same without that line.
TEST_F(TrackcProgram, InfoGivesTheReferenceLapOfTheTestCar) {
  const std::string track = test::sourceDir() + "/maps/1.map";
  const test::RunResult with = trackc({"info", track, "--assets", test::sourceDir()});
  EXPECT_EQ(with.status, 0) << with.err;
  const std::string car = (fs::path(test::sourceDir()) / "assets/testCar.json").lexically_normal().string();
  const std::string line = "reference lap 38.1 s flying, 39.4 s standing for " + car + "\n";
  ASSERT_GE(with.out.size(), line.size());
  EXPECT_EQ(with.out.substr(with.out.size() - line.size()), line) << with.out;
  const std::string report = with.out.substr(0, with.out.size() - line.size());
  const test::RunResult without = trackc({"info", track, "--assets", "."});
  EXPECT_EQ(without.status, 0) << without.err;
  EXPECT_EQ(without.out, report);
}

}  // namespace
}  // namespace dx
