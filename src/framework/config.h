#pragma once
// The configuration file "config.ini": sections in square brackets, then lines of a key, "=" and
// a value (optionally double-quoted). Read once at start-up from the per-user folder or, when it
// is not there, from beside the executable.
#include <map>
#include <string>
#include <string_view>

namespace dx {

using ConfigSection = std::map<std::string, std::string>;
using Config = std::map<std::string, ConfigSection>;  // keys before any section header go to ""

struct ConfigState {
  Config config;
};

ConfigState& configState();
void resetConfig();

// Parses INI text. Lines that are neither a section, a key line nor a comment (";" or "#"), and
// quoted values without their closing quote, are skipped with a message naming `fileName`.
Config parseConfig(std::string_view text, const std::string& fileName);

// Loads "config.ini" from writePath, else from basePath; an empty configuration when neither opens.
void loadConfig();

// The value of key in section, or def when it is missing or empty.
std::string getConfigValue(const std::string& section, const std::string& key, const std::string& def);

}  // namespace dx
