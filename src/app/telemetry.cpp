#include "app/telemetry.h"

#include <cstdio>

#include "framework/file_io.h"

namespace dx {

std::string formatDataLog(const std::vector<DataLogRecord>& log) {
  std::string out;
  char buf[512];
  for (const DataLogRecord& r : log) {
    const int n =
        std::snprintf(buf, sizeof buf, "%.6f %.6f %.6f %.6f %.6f %d\n", double(r.headingError), double(r.courseError),
                      double(r.angularVelocity), double(r.speed), double(r.steer), r.brake ? 1 : 0);
    out.append(buf, size_t(n) < sizeof buf ? size_t(n) : sizeof buf - 1);
  }
  return out;
}

void writeDataLog(const std::string& path, const std::vector<DataLogRecord>& log) {
  writeFileAtomically(path, formatDataLog(log));
}

}  // namespace dx
