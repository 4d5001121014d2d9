#pragma once
// The per-step telemetry of the user's car and its "car.dat" dump.
#include <string>
#include <vector>

namespace dx {

struct DataLogRecord {
  float headingError = 0;
  float courseError = 0;
  float angularVelocity = 0;
  float speed = 0;
  float steer = 0;
  bool brake = false;
};

// One line per record: five fixed-point numbers with 6 decimals, each followed by a space,
// then 1 or 0 for the brake.
std::string formatDataLog(const std::vector<DataLogRecord>& log);
// Writes the log to path, replacing the file whole; raises IOError naming the file.
void writeDataLog(const std::string& path, const std::vector<DataLogRecord>& log);

}  // namespace dx
