#pragma once
// The command line the asset generators share: one argument, the assets folder to write into.
#include <cstdio>
#include <exception>
#include <functional>
#include <string>

namespace dx {

// Runs `write` on the folder named by the only argument and returns the exit status: 2 with a
// usage line for any other arguments, 1 with the message when writing fails.
inline int runOnAssetsFolder(int argc, char** argv, const char* program,
                             const std::function<void(const std::string& dir)>& write) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <assets folder>\n", program);
    return 2;
  }
  try {
    write(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", program, e.what());
    return 1;
  }
  return 0;
}

}  // namespace dx
