#include "nn/neural_net.h"

#include <algorithm>
#include <cmath>
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

namespace {

// out's elements after its bias column (or all of them, without one): in × w, through tanh on a
// hidden layer.
void layer(const Matrix& in, const Matrix& w, Matrix& out, bool bias, bool squash) {
  const int64_t first = bias ? 1 : 0;
  for (int64_t j = 0; j < w.ncols; ++j) {
    float sum = 0;
    for (int64_t i = 0; i < w.nrows; ++i) sum += in.data[size_t(i)] * w.data[size_t(i * w.ncols + j)];
    out.data[size_t(first + j)] = squash ? std::tanh(sum) : sum;
  }
}

}  // namespace

void evaluate(NeuralNet& net, std::span<const float> inputs) {
  if (int64_t(inputs.size()) + 1 != net.X.ncols)
    throw IndexError("the network takes " + std::to_string(net.X.ncols - 1) + " inputs, not " +
                     std::to_string(inputs.size()));
  std::copy(inputs.begin(), inputs.end(), net.X.data.begin() + 1);
  const Matrix* in = &net.X;
  for (size_t k = 0; k < net.wH.size(); ++k) {
    layer(*in, net.wH[k], net.H[k], true, true);
    in = &net.H[k];
  }
  layer(*in, net.wO, net.O, false, false);
}

std::vector<float> netWeights(const NeuralNet& net) {
  std::vector<float> w;
  for (const Matrix& m : net.wH) w.insert(w.end(), m.data.begin(), m.data.end());
  w.insert(w.end(), net.wO.data.begin(), net.wO.data.end());
  return w;
}

void loadNetWeights(NeuralNet& net, std::span<const float> weights) {
  size_t total = net.wO.data.size();
  for (const Matrix& m : net.wH) total += m.data.size();
  if (weights.size() != total)
    throw IndexError("the network has " + std::to_string(total) + " weights, not " + std::to_string(weights.size()));
  auto next = weights.begin();
  for (Matrix& m : net.wH) {
    std::copy_n(next, m.data.size(), m.data.begin());
    next += std::ptrdiff_t(m.data.size());
  }
  std::copy_n(next, net.wO.data.size(), net.wO.data.begin());
}

}  // namespace dx
