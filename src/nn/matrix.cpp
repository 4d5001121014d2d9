#include "nn/matrix.h"

#include <string>

#include "framework/errors.h"
#include "framework/random.h"

namespace dx {

Matrix initMatrix(int64_t rows, int64_t cols) {
  int64_t count;
  if (rows < 0 || cols < 0 || __builtin_mul_overflow(rows, cols, &count))
    throw IndexError("invalid matrix shape " + std::to_string(rows) + " x " + std::to_string(cols));
  return {rows, cols, std::vector<float>(size_t(count), 0.0f)};
}

Matrix initRandMatrix(int64_t rows, int64_t cols, RandomState& r) {
  Matrix m = initMatrix(rows, cols);
  for (float& v : m.data) v = rnd(r, 2.0f) - 1.0f;
  return m;
}

void set(Matrix& m, int64_t row, int64_t col, float value) {
  int64_t i;
  if (__builtin_mul_overflow(row, m.ncols, &i) || __builtin_add_overflow(i, col, &i) || i < 0 ||
      i >= int64_t(m.data.size()))
    throw IndexError("matrix element (" + std::to_string(row) + ", " + std::to_string(col) + ") outside a " +
                     std::to_string(m.nrows) + " x " + std::to_string(m.ncols) + " matrix");
  m.data[size_t(i)] = value;
}

}  // namespace dx
