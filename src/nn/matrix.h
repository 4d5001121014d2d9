#pragma once
// A dense row-major float32 matrix: element (row, col) is data[row * ncols + col].
#include <cstdint>
#include <vector>

#include "framework/random.h"

namespace dx {

struct Matrix {
  int64_t nrows = 0;
  int64_t ncols = 0;
  std::vector<float> data;
};

// Every element 0. A negative shape throws IndexError.
Matrix initMatrix(int64_t rows, int64_t cols);
// Every element uniform in [-1, 1), drawn in storage order.
Matrix initRandMatrix(int64_t rows, int64_t cols, RandomState& r = randomState());
// Sets data[row * ncols + col]; an element outside data throws IndexError.
void set(Matrix& m, int64_t row, int64_t col, float value);

}  // namespace dx
