// The two files the program writes, the gain pool and "car.dat", on a full disk, under a file
// size limit and in a read-only folder: a clear message naming the file, the old file byte for
// byte, and the program going on where it can (the pool save is retried after the next
// generation; a failed "car.dat" ends the program with its IOError). Each fault is set up in a
// child process (a private mount namespace, a resource limit) so the test process stays clean.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/gain_pool.h"
#include "app/harness_fixture.h"
#include "app/training.h"
#include "framework/errors.h"
#include "framework/input.h"
#include "test_support.h"

namespace dx {
namespace {

namespace fs = std::filesystem;
using test::HarnessTest;

void writeBytes(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

enum class Fault { fullDisk, fileSizeLimit, readOnlyFolder };

const char* faultName(Fault f) {
  switch (f) {
    case Fault::fullDisk: return "full disk";
    case Fault::fileSizeLimit: return "file size limit";
    case Fault::readOnlyFolder: return "read-only folder";
  }
  return "?";
}

// The strerror text each fault shows in the message.
const char* faultText(Fault f) {
  switch (f) {
    case Fault::fullDisk: return std::strerror(ENOSPC);
    case Fault::fileSizeLimit: return std::strerror(EFBIG);
    case Fault::readOnlyFolder: return getuid() == 0 ? std::strerror(EROFS) : std::strerror(EACCES);
  }
  return "?";
}

// What the child saw. `skipped` is set when the fault cannot be made on this machine.
struct Outcome {
  std::string skipped, error, out, fileAfter, leftovers;
  bool wentOn = false;
};

void put(int fd, const std::string& s) {
  const uint64_t n = s.size();
  if (write(fd, &n, sizeof n) != ssize_t(sizeof n) || write(fd, s.data(), s.size()) != ssize_t(s.size())) _exit(3);
}

bool get(int fd, std::string& s) {
  uint64_t n = 0;
  if (read(fd, &n, sizeof n) != ssize_t(sizeof n)) return false;
  s.resize(n);
  size_t done = 0;
  while (done < n) {
    const ssize_t k = read(fd, s.data() + done, n - done);
    if (k <= 0) return false;
    done += size_t(k);
  }
  return true;
}

// A private mount namespace, so mounts made here vanish with the child.
std::string privateMounts() {
  if (unshare(CLONE_NEWNS) != 0) return std::string("no mount namespace: ") + std::strerror(errno);
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    return std::string("cannot make mounts private: ") + std::strerror(errno);
  return "";
}

// Makes the fault on folder, where file (holding oldBytes) lives; "" or why it could not.
std::string makeFault(Fault f, const fs::path& folder, const fs::path& file, const std::string& oldBytes) {
  switch (f) {
    case Fault::fullDisk: {
      if (std::string why = privateMounts(); !why.empty()) return why;
      std::vector<std::pair<fs::path, fs::path>> links;  // the run folder's files the harness reads
      for (const auto& e : fs::directory_iterator(folder))
        if (e.is_symlink()) links.emplace_back(fs::read_symlink(e.path()), e.path());
      if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=16k") != 0)
        return std::string("cannot mount a small tmpfs: ") + std::strerror(errno);
      for (const auto& [target, link] : links) fs::create_symlink(target, link);
      writeBytes(file, oldBytes);
      // Fill what is left, block by block.
      FILE* filler = std::fopen((folder / "filler").c_str(), "wb");
      if (!filler) return "cannot create the filler file";
      const std::string block(512, 'x');
      while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() && std::fflush(filler) == 0) {
      }
      std::fclose(filler);
      return "";
    }
    case Fault::fileSizeLimit: {
      std::signal(SIGXFSZ, SIG_IGN);
      const rlimit lim{1024, 1024};
      if (setrlimit(RLIMIT_FSIZE, &lim) != 0) return "cannot set RLIMIT_FSIZE";
      return "";
    }
    case Fault::readOnlyFolder: {
      if (getuid() != 0) return chmod(folder.c_str(), 0555) == 0 ? "" : "cannot make the folder read-only";
      // Root writes through permissions, so the folder is bound over itself read-only instead.
      if (std::string why = privateMounts(); !why.empty()) return why;
      if (mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
          mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        return std::string("cannot bind the folder read-only: ") + std::strerror(errno);
      return "";
    }
  }
  return "unknown fault";
}

// Runs step in a child with the fault made on file's folder; the step returns normally when
// the program goes on, or raises the error that would end it.
Outcome runWithFault(Fault f, const fs::path& file, const std::string& oldBytes, const std::function<void()>& step) {
  int fds[2];
  if (pipe(fds) != 0) {
    Outcome o;
    o.skipped = "no pipe";
    return o;
  }
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    Outcome o;
    o.skipped = makeFault(f, file.parent_path(), file, oldBytes);
    if (o.skipped.empty()) {
      const test::LogCapture capture;
      try {
        step();
        o.wentOn = true;
      } catch (const GameError& e) {
        o.error = e.what();
      }
      o.out = capture.out();
      o.fileAfter = test::slurp(file);
      for (const auto& entry : fs::directory_iterator(file.parent_path()))
        if (entry.path().filename().string().find(".tmp-") != std::string::npos)
          o.leftovers += entry.path().filename().string() + " ";
    }
    for (const std::string* s : {&o.skipped, &o.error, &o.out, &o.fileAfter, &o.leftovers}) put(fds[1], *s);
    put(fds[1], o.wentOn ? "1" : "0");
    _exit(0);
  }
  close(fds[1]);
  Outcome o;
  std::string wentOn;
  const bool complete = get(fds[0], o.skipped) && get(fds[0], o.error) && get(fds[0], o.out) &&
                        get(fds[0], o.fileAfter) && get(fds[0], o.leftovers) && get(fds[0], wentOn);
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  chmod(file.parent_path().c_str(), 0755);  // undo the read-only folder of a non-root run
  if (!complete) o.skipped = "the child ended without reporting (status " + std::to_string(status) + ")";
  o.wentOn = wentOn == "1";
  return o;
}

const Fault kFaults[] = {Fault::fullDisk, Fault::fileSizeLimit, Fault::readOnlyFolder};

std::string paramName(const testing::TestParamInfo<Fault>& info) {
  switch (info.param) {
    case Fault::fullDisk: return "FullDisk";
    case Fault::fileSizeLimit: return "FileSizeLimit";
    case Fault::readOnlyFolder: return "ReadOnlyFolder";
  }
  return "Unknown";
}

class PoolWriteFault : public HarnessTest, public testing::WithParamInterface<Fault> {};

TEST_P(PoolWriteFault, MessageOldFileKeptNextGenerationStarts) {
  const fs::path file = base / "assets" / "ai.json";
  const std::string oldBytes = formatPool({{412, {0.5f, -0.25f, 1}}, {7, {1, 2, 3}}});
  writePool(oldBytes);
  const test::LogCapture capture;
  nextIteration();                                                   // loads the two pairs and starts a generation
  for (const CarPtr& car : harness().aiCars) car->currentNode = 20;  // enough to rewrite the file
  const Outcome o = runWithFault(GetParam(), file, oldBytes, [] {
    nextIteration();
    if (harness().aiCars.size() != size_t(kPopulation) || harness().iteration != 2)
      throw GameError("no new generation");
  });
  if (!o.skipped.empty()) GTEST_SKIP() << faultName(GetParam()) << " cannot be made here: " << o.skipped;
  EXPECT_TRUE(o.wentOn) << o.error;
  EXPECT_NE(o.out.find("could not save the gain pool (Unable to write " + file.string() + ": "), std::string::npos)
      << o.out;
  EXPECT_NE(o.out.find(faultText(GetParam())), std::string::npos) << o.out;
  EXPECT_EQ(o.fileAfter, oldBytes);
  EXPECT_EQ(o.leftovers, "");
}

INSTANTIATE_TEST_SUITE_P(Faults, PoolWriteFault, testing::ValuesIn(kFaults), paramName);

class CarDatWriteFault : public HarnessTest, public testing::WithParamInterface<Fault> {
 protected:
  void SetUp() override {
    HarnessTest::SetUp();
    dir = base / "run";
    fs::create_directories(dir);
    // A minute of telemetry, so the new file is larger than the size limit.
    for (int i = 0; i < 3600; ++i) harness().dataLog.push_back({0.1f, -0.5f, float(i), 12.25f, -1.0f, i % 2 == 0});
    inputState().keysDown[keyF2] = 1;
  }
  fs::path dir;
};

// F2 that cannot write car.dat says why and the session goes on; the old file stays whole.
TEST_P(CarDatWriteFault, F2ReportsNamingTheFileKeepsTheOldOneAndTheSessionGoesOn) {
  const fs::path file = dir / carDatFile;
  const std::string oldBytes = "0.000000 0.000000 0.000000 0.000000 0.000000 0\n";
  writeBytes(file, oldBytes);
  const fs::path run = dir;
  const Outcome o = runWithFault(GetParam(), file, oldBytes, [run] {
    fs::current_path(run);  // "car.dat" is written to the working directory
    gameUpdate(1.0f / 60);
  });
  if (!o.skipped.empty()) GTEST_SKIP() << faultName(GetParam()) << " cannot be made here: " << o.skipped;
  EXPECT_TRUE(o.wentOn) << o.error;
  EXPECT_EQ(o.out.rfind("could not write car.dat: Unable to write car.dat: ", 0), 0u) << o.out;
  EXPECT_NE(o.out.find(faultText(GetParam())), std::string::npos) << o.out;
  EXPECT_EQ(o.out.find("wrote car.dat"), std::string::npos);
  EXPECT_EQ(o.fileAfter, oldBytes);
  EXPECT_EQ(o.leftovers, "");
}

INSTANTIATE_TEST_SUITE_P(Faults, CarDatWriteFault, testing::ValuesIn(kFaults), paramName);

// A pool linked to /dev/full is refused on load and on save (the save replaces a link's target,
// which must be a regular file); the link and the device are left alone and the run goes on.
using PoolLink = HarnessTest;

TEST_F(PoolLink, LinkedToDevFullIsRefusedOnLoadAndOnSave) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "this machine has no /dev/full";
  const fs::path file = base / "assets" / "ai.json";
  fs::remove(file);
  fs::create_symlink("/dev/full", file);
  try {
    nextIteration();
    FAIL() << "a pool that is a device loaded";
  } catch (const IOError& e) {
    EXPECT_EQ(std::string(e.what()), file.string() + " is not a regular file");
  }
  fs::remove(file);
  writePool("[]");
  test::LogCapture capture;
  nextIteration();
  for (const CarPtr& car : harness().aiCars) car->currentNode = 9;
  fs::remove(file);
  fs::create_symlink("/dev/full", file);
  capture.clear();
  nextIteration();
  const std::string out = capture.out();
  EXPECT_NE(out.find("could not save the gain pool (" + file.string() + " is not a regular file)"), std::string::npos)
      << out;
  EXPECT_TRUE(fs::is_symlink(file));
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
  EXPECT_EQ(harness().aiCars.size(), 100u);  // the run goes on
}

}  // namespace
}  // namespace dx
