#include "framework/file_io.h"

#include <SDL.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "framework/errors.h"

namespace dx {

namespace {

std::string folderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
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

}  // namespace

std::vector<uint8_t> readFile(const std::string& path) {
  SDL_RWops* rw = SDL_RWFromFile(path.c_str(), "r");
  if (!rw) throw IOError("Unable to open file: " + path);
  std::vector<uint8_t> bytes;
  // Read in chunks: the size is not known for every kind of stream.
  uint8_t chunk[65536];
  size_t n;
  while ((n = SDL_RWread(rw, chunk, 1, sizeof chunk)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  SDL_RWclose(rw);
  return bytes;
}

nlohmann::ordered_json readJsonFile(const std::string& path) {
  const std::vector<uint8_t> bytes = readFile(path);
  try {
    return nlohmann::ordered_json::parse(bytes.begin(), bytes.end());
  } catch (const nlohmann::json::parse_error& e) {
    throw FormatError(path + ": not valid JSON: " + parserMessage(e.what()));
  } catch (const nlohmann::json::exception& e) {
    throw FormatError(path + ": " + parserMessage(e.what()));
  }
}

void writeFileAtomically(const std::string& path, std::string_view bytes) {
  std::string tmp = path + ".tmp-XXXXXX";
  const int fd = mkstemp(tmp.data());
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
  if (fchmod(fd, 0644) != 0) abandon("cannot set permissions");
  if (fsync(fd) != 0) abandon("sync failed");
  if (close(fd) != 0) {
    const int err = errno;
    unlink(tmp.c_str());
    fail(path, "close failed", err);
  }
  if (rename(tmp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    unlink(tmp.c_str());
    fail(path, "rename failed", err);
  }
  // The rename itself is durable only once the folder is synced.
  const int dir = open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
}

}  // namespace dx
