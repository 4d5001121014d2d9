#pragma once
// Shared by the fuzz targets: every reader may end with one of the framework's errors and
// nothing else, so anything that escapes `guarded` (another exception, a crash, a sanitizer
// report) is a finding.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "framework/errors.h"

namespace dx::fuzz {

// A scratch folder of this process, made once (on tmpfs when the machine has one) and removed
// when the run ends normally.
inline const std::filesystem::path& scratchDir() {
  struct Scratch {
    std::filesystem::path dir;
    Scratch() {
      const std::filesystem::path root = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
      dir = root / ("dx-fuzz-" + std::to_string(getpid()));
      std::filesystem::create_directories(dir);
    }
    ~Scratch() {
      std::error_code ec;
      std::filesystem::remove_all(dir, ec);
    }
  };
  static const Scratch scratch;
  return scratch.dir;
}

inline std::string_view asText(const uint8_t* data, size_t size) { return {reinterpret_cast<const char*>(data), size}; }

// Runs f; the framework's own errors are the expected way for a reader to refuse an input.
template <class F>
void guarded(F&& f) {
  try {
    f();
  } catch (const GameError&) {
  }
}

}  // namespace dx::fuzz
