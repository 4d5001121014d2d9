#include "geom/scalar_math.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "framework/errors.h"

namespace dx {

int64_t floorMod(int64_t a, int64_t b) {
  if (b == 0) throw IndexError("floorMod: division by zero (" + std::to_string(a) + " mod 0)");
  if (b == -1) return 0;  // INT64_MIN % -1 traps on x86
  // Adding b only when the signs differ gives ((a % b) + b) % b without its overflow.
  const int64_t r = a % b;
  return r != 0 && ((r < 0) != (b < 0)) ? r + b : r;
}

int64_t modDiff(int64_t a, int64_t b, int64_t m) {
  if (m == 0) throw IndexError("modDiff: ring of size 0");
  const int64_t diff = std::abs(floorMod(a, m) - floorMod(b, m));
  return std::min(m - diff, diff);
}

}  // namespace dx
