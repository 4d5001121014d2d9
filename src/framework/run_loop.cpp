#include "framework/run_loop.h"

#include <utility>

namespace dx {

namespace {

LoopState gLoop;

}  // namespace

LoopState& loopState() { return gLoop; }

void resetLoopState() { gLoop = LoopState{}; }

void addResizeFunc(std::function<void(int, int)> f) { gLoop.resizeFuncs.push_back(std::move(f)); }

const std::string& basePath() { return gLoop.basePath; }
const std::string& assetPath() { return gLoop.assetPath; }
const std::string& writePath() { return gLoop.writePath; }

std::string joinPath(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  const bool aSlash = a.back() == '/', bSlash = b.front() == '/';
  if (aSlash && bSlash) return a + b.substr(1);
  if (aSlash || bSlash) return a + b;
  return a + "/" + b;
}

}  // namespace dx
