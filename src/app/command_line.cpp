#include "app/command_line.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

#include "app/race.h"
#include "car/ai_driver.h"

namespace dx {

namespace {

const char* kUsage =
    "usage: draxen3516 [--track SLOT] [--difficulty LEVEL] [--ghost FILE]\n"
    "                  [--driver KIND] [--race [--opponents N] [--pole]]\n"
    "Starts the car-AI tuning harness in a window: you drive one car while generations of 100\n"
    "computer-driven cars train their steering gains on the same track (the README lists the keys).\n"
    "  --track SLOT  the track, maps/SLOT.map beside the game (default 1); its gain pool is\n"
    "                assets/ai.json for track 1 and assets/ai-SLOT.json for any other\n"
    "  --driver KIND the computer drivers: pid (default), racer or neural; a kind other than pid\n"
    "                trains a pool of its own, assets/ai[-SLOT]-KIND.json\n"
    "  --difficulty LEVEL  the computer drivers' level, 0 (default) to 4; a level other than 0\n"
    "                trains a pool of its own, assets/ai[-SLOT]-lLEVEL.json\n"
    "  --ghost FILE  race against the ghost of a tape (a lap saved with F4, or the trainer's\n"
    "                assets/champion.tape); a tape of another track is refused\n"
    "  --race        race the pool's best drivers instead of training them\n"
    "  --opponents N the race's computer drivers, 1 to 15 (default 7)\n"
    "  --pole        start the race first on the grid instead of last\n"
    "  --help        show this text\n";

}  // namespace

bool takeDriver(const std::string& name, DriverKind& driver) {
  const std::optional<DriverKind> kind = driverNamed(name);
  if (kind) driver = *kind;
  return kind.has_value();
}

std::optional<int64_t> parseInteger(const std::string& s) {
  try {
    size_t used = 0;
    const long long v = std::stoll(s, &used);
    if (used == s.size()) return v;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

std::optional<uint64_t> parseUnsigned(const std::string& s) {
  // stoull would take "-1" as 2^64 - 1.
  if (s.empty() || !std::isdigit(static_cast<unsigned char>(s[0]))) return std::nullopt;
  try {
    size_t used = 0;
    const unsigned long long v = std::stoull(s, &used);
    if (used == s.size()) return v;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

ArgsResult walkOptions(const std::vector<std::string>& args, const char* program, const char* usage,
                       const OptionTaker& take) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      std::fputs(usage, stdout);
      return ArgsResult::help;
    }
    if (i + 1 >= args.size() || !take(a, args[i + 1])) {
      std::fprintf(stderr, "%s: bad argument '%s'\n%s", program, a.c_str(), usage);
      return ArgsResult::bad;
    }
    ++i;
  }
  return ArgsResult::parsed;
}

std::optional<GameOptions> parseGameArgs(const std::vector<std::string>& args, bool& ok) {
  GameOptions o;
  // The flags take no value; the rest come in pairs.
  std::vector<std::string> pairs;
  for (const std::string& a : args)
    if (a == "--race")
      o.race = true;
    else if (a == "--pole")
      o.pole = true;
    else
      pairs.push_back(a);
  const ArgsResult r = walkOptions(pairs, "draxen3516", kUsage, [&](const std::string& name, const std::string& value) {
    if (name == "--ghost") return o.ghost = value, !value.empty();
    if (name == "--driver") return takeDriver(value, o.driver);
    const std::optional<int64_t> v = parseInteger(value);
    if (name == "--opponents" && v && *v >= 1 && *v <= kMaxOpponents) return o.opponents = *v, true;
    if (name == "--difficulty" && v && *v >= 0 && *v <= kMaxLevel) return o.level = *v, true;
    if (name != "--track" || !v || *v < 1) return false;
    o.track = *v;
    return true;
  });
  ok = r != ArgsResult::bad;
  if (r != ArgsResult::parsed) return std::nullopt;
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
