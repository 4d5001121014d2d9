#include "app/race_results.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/log.h"

namespace dx {

namespace {

std::string seconds(std::optional<float> v) { return v ? fixed(*v, 2) : ""; }

// A name never holds a comma or a quote (labels are digits and letters), so no field is quoted.
std::string line(const RaceRecordKey& k, int64_t place, const Race& race, const RaceEntry& e) {
  const std::string total = e.total ? seconds(e.total) : "DNF";
  return k.dateTime + "," + std::to_string(k.track) + "," + k.driver + "," + std::to_string(k.level) + "," +
         std::to_string(place) + "," + entryName(e) + "," + seconds(bestLap(race, e)) + "," + total + "\n";
}

}  // namespace

std::string resultsDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  char buf[64];
  return std::string(buf, std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &t));
}

std::string resultsLines(const Race& race, const RaceRecordKey& key) {
  std::string out;
  int64_t place = 0;
  for (const RaceEntry* e : standings(race)) out += line(key, ++place, race, *e);
  return out;
}

bool appendResults(const std::string& path, const std::string& lines) {
  try {
    const FileLock lock(path);
    std::error_code ec;
    const std::string old = std::filesystem::exists(path, ec) ? readTextFile(path) : kResultsHeader;
    writeFileAtomically(path, old + lines);
    return true;
  } catch (const IOError& e) {
    echo("could not write the race results (", e.what(), ")");
    return false;
  }
}

}  // namespace dx
