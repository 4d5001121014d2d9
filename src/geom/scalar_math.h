#pragma once
// Ring-index and rounding helpers on scalars. The framework's integer roundTo lives in
// framework/numeric.h; the float one here rounds down to a multiple of a float step.
#include <cstdint>

#include "framework/numeric.h"

namespace dx {

// The remainder with the sign of b: for b > 0 a ring index in [0, b). b = 0 throws IndexError.
int64_t floorMod(int64_t a, int64_t b);
// Circular distance of two indices on a ring of m; m = 0 throws IndexError.
int64_t modDiff(int64_t a, int64_t b, int64_t m);
// floor(a / step) * step.
inline float roundTo(float a, float step) { return std::floor(a / step) * step; }

}  // namespace dx
