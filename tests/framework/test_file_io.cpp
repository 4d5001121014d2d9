#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>

#include "framework/errors.h"
#include "framework/file_io.h"
#include "test_support.h"

namespace dx {
namespace {

namespace fs = std::filesystem;

fs::path scratch(const char* name) {
  fs::path dir = fs::temp_directory_path() / ("dx-file-io-" + std::to_string(getpid())) / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

TEST(AtomicWrite, ReplacesWholeAndLeavesNoTemporaryFile) {
  const fs::path dir = scratch("replace");
  const fs::path f = dir / "pool.json";
  writeFileAtomically(f.string(), "old");
  writeFileAtomically(f.string(), "new content");
  EXPECT_EQ(test::slurp(f), "new content");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST(AtomicWrite, FailureKeepsTheOldFileAndNamesThePath) {
  if (geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  const fs::path dir = scratch("readonly");
  const fs::path f = dir / "car.dat";
  writeFileAtomically(f.string(), "precious");
  chmod(dir.c_str(), 0555);
  try {
    writeFileAtomically(f.string(), "lost?");
    FAIL() << "no error raised";
  } catch (const IOError& e) {
    EXPECT_NE(std::string(e.what()).find(f.string()), std::string::npos);
  }
  chmod(dir.c_str(), 0755);
  EXPECT_EQ(test::slurp(f), "precious");
}

TEST(AtomicWrite, MissingFolderIsAnIOError) {
  EXPECT_THROW(writeFileAtomically("/nonexistent-folder-dx/x.json", "x"), IOError);
}

// A link is followed: its target is replaced (the temporary file beside the target, not beside
// the link), the link stays, and a dangling link gets its target made.
TEST(AtomicWrite, ReplacesTheTargetOfALink) {
  const fs::path dir = scratch("link");
  fs::create_directories(dir / "shared");
  writeFileAtomically((dir / "shared" / "pool.json").string(), "old");
  fs::create_symlink("shared/pool.json", dir / "here.json");
  fs::create_symlink("here.json", dir / "again.json");  // a chain of two
  writeFileAtomically((dir / "again.json").string(), "new");
  EXPECT_TRUE(fs::is_symlink(dir / "here.json"));
  EXPECT_TRUE(fs::is_symlink(dir / "again.json"));
  EXPECT_EQ(test::slurp(dir / "shared" / "pool.json"), "new");
  fs::create_symlink("shared/later.json", dir / "dangling.json");
  writeFileAtomically((dir / "dangling.json").string(), "made");
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.json"));
  EXPECT_EQ(test::slurp(dir / "shared" / "later.json"), "made");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "shared"), fs::directory_iterator()), 2);
}

// An existing file keeps its permissions, read-only included; a new one gets 0666 less the umask.
TEST(AtomicWrite, KeepsTheModeOfTheFileItReplaces) {
  const fs::path dir = scratch("mode");
  const mode_t mask = umask(022);
  writeFileAtomically((dir / "new.json").string(), "a");
  EXPECT_EQ(fs::status(dir / "new.json").permissions() & fs::perms::all, fs::perms(0644));
  umask(027);
  writeFileAtomically((dir / "private.json").string(), "a");
  EXPECT_EQ(fs::status(dir / "private.json").permissions() & fs::perms::all, fs::perms(0640));
  umask(mask);
  fs::permissions(dir / "new.json", fs::perms(0444));
  writeFileAtomically((dir / "new.json").string(), "b");
  EXPECT_EQ(fs::status(dir / "new.json").permissions() & fs::perms::all, fs::perms(0444));
  EXPECT_EQ(test::slurp(dir / "new.json"), "b");
}

// Temporary files a crash left beside the file are removed on the next save once they are
// stale; a fresh one (a save in progress elsewhere) and other names are kept.
TEST(AtomicWrite, RemovesItsOwnStaleTemporaryFiles) {
  const fs::path dir = scratch("stale");
  for (const char* name : {"ai.json.tmp-Ab12Cd", "ai.json.tmp-fresh1", "ai.json.tmp-notmine", "other.json.tmp-Ab12Cd"})
    std::ofstream(dir / name) << "left over";
  for (const char* name : {"ai.json.tmp-Ab12Cd", "ai.json.tmp-notmine", "other.json.tmp-Ab12Cd"})
    fs::last_write_time(dir / name, fs::file_time_type::clock::now() - std::chrono::hours(1));
  writeFileAtomically((dir / "ai.json").string(), "pool");
  std::set<std::string> left;
  for (const auto& e : fs::directory_iterator(dir)) left.insert(e.path().filename().string());
  EXPECT_EQ(left,
            (std::set<std::string>{"ai.json", "ai.json.tmp-fresh1", "ai.json.tmp-notmine", "other.json.tmp-Ab12Cd"}));
}

// Every kind of file that is not a regular one is refused before it is opened; a FIFO would
// otherwise block the reader for ever, and a device never ends.
TEST(ReadFile, OnlyRegularFilesAreRead) {
  const fs::path dir = scratch("kinds");
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0644), 0);
  fs::create_directory(dir / "folder");
  fs::create_symlink("/dev/zero", dir / "zero");
  const struct {
    fs::path path;
    std::string message;
  } cases[] = {{dir / "fifo", (dir / "fifo").string() + " is not a regular file"},
               {dir / "folder", (dir / "folder").string() + " is a directory"},
               {dir / "zero", (dir / "zero").string() + " is not a regular file"},
               {dir / "none", "Unable to open file: " + (dir / "none").string()}};
  for (const auto& c : cases) {
    try {
      readFile(c.path.string());
      ADD_FAILURE() << c.path;
    } catch (const IOError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
  EXPECT_THROW(readFile((dir / "none").string()), NotFoundError);
  EXPECT_THROW(readFile((dir / "folder").string() + '\0' + "/dev/zero"), NotFoundError);
}

// A file above its kind's cap is refused without being read; at the cap it is read whole.
TEST(ReadFile, SizeCapPerKind) {
  const fs::path dir = scratch("cap");
  std::ofstream(dir / "huge").close();
  fs::resize_file(dir / "huge", readCap::json + 1);  // sparse
  try {
    readFile((dir / "huge").string(), readCap::json);
    FAIL() << "read";
  } catch (const IOError& e) {
    EXPECT_EQ(std::string(e.what()), (dir / "huge").string() + " is larger than 4 MiB");
  }
  fs::resize_file(dir / "huge", readCap::json);
  EXPECT_EQ(readFile((dir / "huge").string(), readCap::json).size(), readCap::json);
  std::ofstream(dir / "small") << "12345";
  EXPECT_THROW(readFile((dir / "small").string(), 4), IOError);
  EXPECT_EQ(readTextFile((dir / "small").string(), 5), "12345");
}

// Every JSON file of the game is parsed by one reader: members stay in file order, and text
// that is not JSON is refused naming its source and where the parser stopped.
TEST(JsonText, OneReaderForTextAndFiles) {
  const nlohmann::ordered_json j = parseJson(R"({"zeta": 1, "alpha": [2.5, "x"]})", "mem.json");
  EXPECT_EQ(j.begin().key(), "zeta");
  EXPECT_EQ(j["alpha"][0].get<double>(), 2.5);
  const std::string why =
      "parse error at line 2, column 1: syntax error while parsing object - unexpected end of input; "
      "expected '}'";
  try {
    parseJson("{\"a\": 1\n", "mem.json");
    FAIL() << "parsed";
  } catch (const FormatError& e) {
    EXPECT_EQ(std::string(e.what()), "mem.json: not valid JSON: " + why);
  }
  const fs::path file = scratch("json") / "bad.json";
  std::ofstream(file) << "{\"a\": 1\n";
  try {
    readJsonFile(file.string());
    FAIL() << "parsed";
  } catch (const FormatError& e) {
    EXPECT_EQ(std::string(e.what()), file.string() + ": not valid JSON: " + why);
  }
}

}  // namespace
}  // namespace dx
