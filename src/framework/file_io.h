#pragma once
// Whole-file reading and writing.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace dx {

// The largest file each kind of reader accepts. Every real file of its kind is far below its
// cap; what reaches one is an endless device, a wrong file or a hostile one behind the name.
namespace readCap {
constexpr size_t kMiB = size_t(1) << 20;
constexpr size_t text = 1 * kMiB;          // GIMP palettes, config.ini
constexpr size_t controllerDb = 2 * kMiB;  // gamecontrollerdb.txt
constexpr size_t json = 4 * kMiB;          // catalogue, car description, item types, gain pool
constexpr size_t tape = 8 * kMiB;          // tapes: an hour of steps, each its own run, is 6.2 MiB
constexpr size_t track = 8 * kMiB;         // track files and their JSON descriptions
constexpr size_t tilemap = 16 * kMiB;      // background tile maps, binary or JSON
constexpr size_t image = 32 * kMiB;        // PNG files
constexpr size_t model = 32 * kMiB;        // OBJ models
constexpr size_t any = 64 * kMiB;          // readFile without a cap of its own
}  // namespace readCap

// The whole file as bytes; the path is used unchanged. The path must name a regular file,
// checked before it is opened so a FIFO never blocks the reader: NotFoundError
// "Unable to open file: <path>" when there is nothing there, IOError "<path> is a directory" or
// "<path> is not a regular file" (a FIFO, a device, a socket) otherwise. A file larger than
// maxBytes raises IOError "<path> is larger than N MiB" without being read to its end, and one
// that cannot be opened or read IOError "Unable to open file: <path>".
std::vector<uint8_t> readFile(const std::string& path, size_t maxBytes = readCap::any);
// readFile as text.
std::string readTextFile(const std::string& path, size_t maxBytes = readCap::any);

// Text parsed as JSON with object members kept in file order. Raises FormatError
// "<name>: not valid JSON: <where and what>" naming the text by `name`.
nlohmann::ordered_json parseJson(std::string_view text, const std::string& name);
// The file parsed with parseJson, naming the file. Raises readFile's errors too.
nlohmann::ordered_json readJsonFile(const std::string& path, size_t maxBytes = readCap::json);

// Replaces the file at path so that it always holds either its old or its new content, whole:
// the bytes go to a temporary file in the same folder, which is flushed, synced and renamed over
// the old one. A symbolic link is followed and its target replaced (the link stays); an existing
// file keeps its permissions, a new one gets 0666 less the umask. This program's temporary files
// beside the target that a crash left behind (older than a minute) are removed. Raises IOError
// naming the file when any step fails, or when the target exists and is not a regular file; the
// old file is then untouched.
void writeFileAtomically(const std::string& path, std::string_view bytes);

// An advisory lock on "<target>.lock", the target being the file the path's links end at, so every
// program that saves the file, through whichever link, takes the same lock. Blocks until it is
// free; the kernel drops it when its holder dies. Where no lock file can be made (a read-only
// folder) or the target is no regular file, none is held: no save could replace the file there.
class FileLock {
 public:
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

// A write beyond the process's file-size limit then fails with an error (reported through the
// writer's own failure path) instead of killing the program with SIGXFSZ.
void ignoreFileSizeSignal();

}  // namespace dx
