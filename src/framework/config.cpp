#include "framework/config.h"

#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/log.h"
#include "framework/run_loop.h"

namespace dx {

namespace {

ConfigState gConfig;

std::string_view trim(std::string_view s) {
  const auto space = [](char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\f' || ch == '\v'; };
  while (!s.empty() && space(s.front())) s.remove_prefix(1);
  while (!s.empty() && space(s.back())) s.remove_suffix(1);
  return s;
}

void skipLine(const std::string& fileName, int lineNo, const char* why) {
  debug(joinPieces("", fileName, ":", lineNo, ": ", why, ", line ignored"));
}

}  // namespace

ConfigState& configState() { return gConfig; }

void resetConfig() { gConfig = ConfigState{}; }

Config parseConfig(std::string_view text, const std::string& fileName) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte-order mark from some editors
  Config out;
  std::string section;
  int lineNo = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNo;
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']') {
        skipLine(fileName, lineNo, "section name without ']'");
        continue;
      }
      section = trim(line.substr(1, line.size() - 2));
      out[section];
      continue;
    }
    const size_t eq = line.find('=');
    const std::string_view key = trim(line.substr(0, eq));
    if (eq == std::string_view::npos || key.empty()) {
      skipLine(fileName, lineNo, "not a section or a key line");
      continue;
    }
    std::string_view value = trim(line.substr(eq + 1));
    if (!value.empty() && value.front() == '"') {
      const size_t close = value.find('"', 1);
      if (close == std::string_view::npos) {
        skipLine(fileName, lineNo, "quoted value without its closing quote");
        continue;
      }
      value = value.substr(1, close - 1);
    }
    out[section][std::string(key)] = std::string(value);
  }
  return out;
}

namespace {

// Replaces the configuration with the file's contents; false when the file cannot be opened.
bool loadConfigFile(const std::string& path) {
  std::string text;
  try {
    text = readTextFile(path, readCap::text);
  } catch (const NotFoundError&) {
    return false;
  } catch (const IOError& e) {
    debug(joinPieces("", e.what(), ", not used"));
    return false;
  }
  gConfig.config = parseConfig(text, path);
  return true;
}

}  // namespace

void loadConfig() {
  for (const std::string& dir : {writePath(), basePath()}) {
    if (dir.empty()) continue;  // no such folder: do not fall back to the working directory
    const std::string path = joinPath(dir, "config.ini");
    if (loadConfigFile(path)) {
      debug("loaded config from " + path);
      return;
    }
  }
  gConfig.config.clear();
  debug("no config file loaded");
}

std::string getConfigValue(const std::string& section, const std::string& key, const std::string& def) {
  std::string value = def;
  if (auto s = gConfig.config.find(section); s != gConfig.config.end())
    if (auto k = s->second.find(key); k != s->second.end() && !k->second.empty()) value = k->second;
  debug("getConfigValue", section, key, value);
  return value;
}

}  // namespace dx
