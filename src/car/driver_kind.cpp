#include "car/driver_kind.h"

#include "car/racer_driver.h"

namespace dx {

std::string_view driverName(DriverKind kind) {
  switch (kind) {
    case DriverKind::racer: return "racer";
    case DriverKind::neural: return "neural";
    default: return "pid";
  }
}

std::optional<DriverKind> driverNamed(std::string_view name) {
  for (DriverKind k : {DriverKind::pid, DriverKind::racer, DriverKind::neural})
    if (driverName(k) == name) return k;
  return std::nullopt;
}

size_t geneCount(DriverKind kind) {
  switch (kind) {
    case DriverKind::racer: return kRacerGenes;
    case DriverKind::neural: return 53;  // 7 x 5 hidden weights, then 6 x 3 output weights
    default: return 3;
  }
}

}  // namespace dx
