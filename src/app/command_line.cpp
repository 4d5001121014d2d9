#include "app/command_line.h"

#include <cstdio>
#include <filesystem>

namespace dx {

namespace {

const char* kUsage =
    "usage: draxen3516 [--track SLOT] [--ghost FILE]\n"
    "Starts the car-AI tuning harness in a window: you drive one car while generations of 100\n"
    "computer-driven cars train their steering gains on the same track (the README lists the keys).\n"
    "  --track SLOT  the track, maps/SLOT.map beside the game (default 1); its gain pool is\n"
    "                assets/ai.json for track 1 and assets/ai-SLOT.json for any other\n"
    "  --ghost FILE  race against the ghost of a tape (a lap saved with F4, or the trainer's\n"
    "                assets/champion.tape); a tape of another track is refused\n"
    "  --help        show this text\n";

}  // namespace

std::optional<int64_t> parseInteger(const std::string& s) {
  try {
    size_t used = 0;
    const long long v = std::stoll(s, &used);
    if (used == s.size()) return v;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

std::optional<GameOptions> parseGameArgs(const std::vector<std::string>& args, bool& ok) {
  GameOptions o;
  ok = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return std::nullopt;
    }
    const bool hasValue = i + 1 < args.size();
    if (a == "--ghost" && hasValue) {
      o.ghost = args[++i];
      continue;
    }
    const std::optional<int64_t> v = a == "--track" && hasValue ? parseInteger(args[i + 1]) : std::nullopt;
    if (!v || *v < 1) {
      std::fprintf(stderr, "draxen3516: bad argument '%s'\n%s", a.c_str(), kUsage);
      ok = false;
      return std::nullopt;
    }
    o.track = *v;
    ++i;
  }
  return o;
}

std::string trackFileProblem(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (!fs::exists(st)) return "no such track: " + path;
  if (!fs::is_regular_file(st)) return "the track " + path + " is not a regular file";
  return "";
}

}  // namespace dx
