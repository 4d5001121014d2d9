#include "nn/neural_net.h"

#include <limits>
#include <string>

#include "framework/errors.h"

namespace dx {

// A layer's width with its bias column; a negative width would leave no room for the bias.
static int64_t withBias(int64_t n) {
  if (n < 0 || n == std::numeric_limits<int64_t>::max()) throw IndexError("invalid layer size " + std::to_string(n));
  return n + 1;
}

// A 1 x (n + 1) row holding the bias 1.0 then n zeros.
static Matrix biasRow(int64_t n) {
  Matrix m = initMatrix(1, withBias(n));
  m.data[0] = 1.0f;
  return m;
}

NeuralNetPtr newNeuralNet(int64_t inputs, int64_t outputs, std::span<const int64_t> hidden, RandomState& r) {
  auto net = std::make_shared<NeuralNet>();
  net->X = biasRow(inputs);
  net->wH.resize(hidden.size());
  net->H.resize(hidden.size());
  int64_t prev = inputs;
  for (size_t k = 0; k < hidden.size(); ++k) {
    net->wH[k] = initRandMatrix(withBias(prev), hidden[k], r);
    net->H[k] = biasRow(hidden[k]);
    prev = hidden[k];
  }
  net->wO = initRandMatrix(withBias(prev), outputs, r);
  net->O = initMatrix(1, outputs);
  return net;
}

}  // namespace dx
