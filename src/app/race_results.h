#pragma once
// The results file: every race that ends adds one line per car to results.csv in the per-user
// folder, so races can be compared across sessions.
#include <string>

#include "app/race.h"

namespace dx {

constexpr const char* resultsFile = "results.csv";
constexpr const char* kResultsHeader = "date,track,driver kind,level,position,name,best lap s,total s\n";

// What every line of a race shares.
struct RaceRecordKey {
  std::string dateTime;  // "2026-12-09T18:56:27"
  int64_t track = 1;
  std::string driver;  // the drivers' kind
  int64_t level = 0;
};

// The local time as the results file writes it.
std::string resultsDateTime();
// One line per car in race order: best lap and total time in seconds with two decimals, an empty
// best lap when none was completed, "DNF" for a car that did not finish.
std::string resultsLines(const Race& race, const RaceRecordKey& key);
// Appends the lines to the file under its lock, replacing it whole (with the header first when it
// is new). A file that cannot be written is reported; returns whether it was.
bool appendResults(const std::string& path, const std::string& lines);

}  // namespace dx
