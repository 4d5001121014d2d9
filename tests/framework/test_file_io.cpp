#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "framework/errors.h"
#include "framework/file_io.h"

namespace dx {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

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
  EXPECT_EQ(slurp(f), "new content");
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
  EXPECT_EQ(slurp(f), "precious");
}

TEST(AtomicWrite, MissingFolderIsAnIOError) {
  EXPECT_THROW(writeFileAtomically("/nonexistent-folder-dx/x.json", "x"), IOError);
}

}  // namespace
}  // namespace dx
