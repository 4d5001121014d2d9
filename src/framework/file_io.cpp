#include "framework/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>

#include "framework/errors.h"

namespace dx {

namespace {

std::string folderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

[[noreturn]] void fail(const std::string& path, const char* what, int err) {
  throw IOError("Unable to write " + path + ": " + what + ": " + std::strerror(err));
}

// The parser's text without its "[json.exception.parse_error.101] " tag; what remains says where
// ("parse error at line 3, column 5: ...").
std::string parserMessage(const char* what) {
  std::string s = what;
  if (s.starts_with("[json.exception.")) {
    const size_t end = s.find("] ");
    if (end != std::string::npos) s.erase(0, end + 2);
  }
  return s;
}

struct FdCloser {
  int fd;
  ~FdCloser() { close(fd); }
};

std::string capText(size_t maxBytes) {
  if (maxBytes >= readCap::kMiB) return std::to_string(maxBytes / readCap::kMiB) + " MiB";
  return std::to_string(maxBytes) + " bytes";
}

// The file a chain of symbolic links ends at (which need not exist yet); the path itself when
// it is no link.
std::string linkTarget(const std::string& path) {
  std::string p = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    char buf[4096];
    const ssize_t n = readlink(p.c_str(), buf, sizeof buf);
    if (n < 0) fail(path, "cannot follow the symbolic link", errno);
    if (n == 0 || size_t(n) >= sizeof buf) fail(path, "cannot follow the symbolic link", ENAMETOOLONG);
    const std::string next(buf, size_t(n));
    p = next.front() == '/' ? next : folderOf(p) + "/" + next;
  }
  fail(path, "cannot follow the symbolic link", ELOOP);
}

// "<name>.tmp-" followed by six letters or digits: what this writer names its temporary files.
bool isOwnTemporary(const std::string& entry, const std::string& prefix) {
  if (entry.size() != prefix.size() + 6 || entry.compare(0, prefix.size(), prefix) != 0) return false;
  for (size_t i = prefix.size(); i < entry.size(); ++i)
    if (!std::isalnum(static_cast<unsigned char>(entry[i]))) return false;
  return true;
}

// A crash between writing and renaming leaves a temporary file; one older than a minute
// belongs to no save still in progress.
void removeStaleTemporaries(const std::string& target) {
  const std::string folder = folderOf(target);
  const std::string prefix = fileNameOf(target) + ".tmp-";
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  const std::time_t now = std::time(nullptr);
  while (const dirent* e = readdir(dir)) {
    if (!isOwnTemporary(e->d_name, prefix)) continue;
    const std::string p = folder + "/" + e->d_name;
    struct stat st;
    if (lstat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && now - st.st_mtime > 60) unlink(p.c_str());
  }
  closedir(dir);
}

// Creates a new temporary file beside target; the umask applies to mode as for any new file.
int createTemporary(const std::string& target, std::string& tmp) {
  static std::atomic<uint64_t> counter{0};
  static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    uint64_t x = uint64_t(getpid()) * 0x9E3779B97F4A7C15ull ^ uint64_t(std::time(nullptr)) ^
                 (counter.fetch_add(1) + 1) * 0xBF58476D1CE4E5B9ull;
    tmp = target + ".tmp-";
    for (int i = 0; i < 6; ++i, x /= 62) tmp += digits[x % 62];
    const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

void requireRegularFile(const std::string& path) {
  struct stat st;
  // A name holding a NUL would be cut short there and name another file; no file has one.
  if (path.find('\0') != std::string::npos) throw NotFoundError("Unable to open file: " + path);
  if (stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) throw NotFoundError("Unable to open file: " + path);
    throw IOError("Unable to open file: " + path);
  }
  if (S_ISDIR(st.st_mode)) throw IOError(path + " is a directory");
  if (!S_ISREG(st.st_mode)) throw IOError(path + " is not a regular file");
}

}  // namespace

std::vector<uint8_t> readFile(const std::string& path, size_t maxBytes) {
  requireRegularFile(path);
  // Non-blocking, so that a FIFO put in its place after the check cannot hold the open.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) throw IOError("Unable to open file: " + path);
  const FdCloser closer{fd};
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) throw IOError(path + " is not a regular file");
  const auto tooLarge = [&] { throw IOError(path + " is larger than " + capText(maxBytes)); };
  if (uint64_t(st.st_size) > maxBytes) tooLarge();
  std::vector<uint8_t> bytes;
  bytes.reserve(size_t(st.st_size));
  // Read in chunks up to the cap: some files report no size, and a file may grow meanwhile.
  uint8_t chunk[65536];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw IOError("Unable to read file: " + path + ": " + std::strerror(errno));
    if (n == 0) break;
    if (bytes.size() + size_t(n) > maxBytes) tooLarge();
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return bytes;
}

std::string readTextFile(const std::string& path, size_t maxBytes) {
  const std::vector<uint8_t> bytes = readFile(path, maxBytes);
  return std::string(bytes.begin(), bytes.end());
}

nlohmann::ordered_json parseJson(std::string_view text, const std::string& name) {
  try {
    return nlohmann::ordered_json::parse(text);
  } catch (const nlohmann::json::parse_error& e) {
    throw FormatError(name + ": not valid JSON: " + parserMessage(e.what()));
  } catch (const nlohmann::json::exception& e) {
    throw FormatError(name + ": " + parserMessage(e.what()));
  }
}

nlohmann::ordered_json readJsonFile(const std::string& path, size_t maxBytes) {
  return parseJson(readTextFile(path, maxBytes), path);
}

void writeFileAtomically(const std::string& path, std::string_view bytes) {
  const std::string target = linkTarget(path);
  struct stat old;
  const bool replacing = lstat(target.c_str(), &old) == 0;
  if (replacing && !S_ISREG(old.st_mode))
    throw IOError("Unable to write " + path + ": " +
                  (S_ISDIR(old.st_mode) ? "it is a directory" : "it is not a regular file"));
  removeStaleTemporaries(target);
  std::string tmp;
  const int fd = createTemporary(target, tmp);
  if (fd < 0) fail(path, "cannot create a temporary file", errno);
  auto abandon = [&](const char* what) {
    const int err = errno;
    close(fd);
    unlink(tmp.c_str());
    fail(path, what, err);
  };
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) abandon("write failed");
    done += size_t(n);
  }
  if (replacing && fchmod(fd, old.st_mode & 07777) != 0) abandon("cannot set permissions");
  if (fsync(fd) != 0) abandon("sync failed");
  if (close(fd) != 0) {
    const int err = errno;
    unlink(tmp.c_str());
    fail(path, "close failed", err);
  }
  if (rename(tmp.c_str(), target.c_str()) != 0) {
    const int err = errno;
    unlink(tmp.c_str());
    fail(path, "rename failed", err);
  }
  // The rename itself is durable only once the folder is synced.
  const int dir = open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
}

FileLock::FileLock(const std::string& path) {
  const std::string target = linkTarget(path);
  // No lock beside what is not a file (a device, say), nor in a folder that cannot hold one: no
  // save can replace the file there either, and the writer says why.
  struct stat st;
  if (lstat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return;
  fd_ = open((target + ".lock").c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) return;
  while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
  }
}

FileLock::~FileLock() {
  if (fd_ >= 0) close(fd_);
}

void ignoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace dx
