#pragma once
// The kinds of computer driver: the described one, steering with its PID gains, and two that
// decide differently within the same reaction model.
#include <cstddef>
#include <optional>
#include <string_view>

namespace dx {

enum class DriverKind { pid, racer, neural };

// "pid", "racer", "neural": the name on the command line, in file names and on tapes.
std::string_view driverName(DriverKind kind);
std::optional<DriverKind> driverNamed(std::string_view name);
// How many genes the search breeds for a driver of the kind: 3 gains, the racer's genes, or the
// network's 53 weights.
size_t geneCount(DriverKind kind);

}  // namespace dx
