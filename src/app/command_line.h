#pragma once
// The game's command line, and the number parsing both programs' command lines share.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "car/driver_kind.h"

namespace dx {

// The whole text as a decimal integer, or nothing.
std::optional<int64_t> parseInteger(const std::string& s);
// The whole text as a decimal integer from 0 to 2^64 - 1, or nothing.
std::optional<uint64_t> parseUnsigned(const std::string& s);

// Walks a command line of "--name value" pairs, handing each to `take`, which says whether it is
// good. "--help" or "-h" prints the usage on standard output; a bad pair (or a name without a
// value) prints "<program>: bad argument '<name>'" and the usage on standard error.
enum class ArgsResult { parsed, help, bad };
using OptionTaker = std::function<bool(const std::string& name, const std::string& value)>;
ArgsResult walkOptions(const std::vector<std::string>& args, const char* program, const char* usage,
                       const OptionTaker& take);

// A --driver value: "pid", "racer" or "neural"; false for anything else.
bool takeDriver(const std::string& name, DriverKind& driver);

struct GameOptions {
  int64_t track = 1;
  std::string ghost;  // a tape file to race against
  int64_t level = 0;  // the drivers' difficulty level
  DriverKind driver = DriverKind::pid;
  bool race = false;
  int64_t opponents = 7;
  bool pole = false;
};

// Parses the game's arguments; returns nothing after printing the usage (`ok` true) or an error
// with the usage (`ok` false).
std::optional<GameOptions> parseGameArgs(const std::vector<std::string>& args, bool& ok);

// Why a track file cannot be raced ("no such track: …"), or an empty text when it can be opened.
std::string trackFileProblem(const std::string& path);

}  // namespace dx
