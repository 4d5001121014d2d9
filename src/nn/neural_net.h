#pragma once
// The layered network record every AI driver owns. It is built with random weights but never
// evaluated: the driver steers with its PID controller.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "nn/matrix.h"

namespace dx {

// Column 0 of every input and activation row is the bias 1.0, so row 0 of every weight matrix
// holds the bias weights.
struct NeuralNet {
  Matrix X;                // 1 x (inputs + 1)
  std::vector<Matrix> wH;  // (size of previous layer + 1) x (size of layer k)
  std::vector<Matrix> H;   // 1 x (size of layer k + 1)
  Matrix wO;               // (size of last layer + 1) x outputs
  Matrix O;                // 1 x outputs
};
using NeuralNetPtr = std::shared_ptr<NeuralNet>;

// Draws the weights of wH[0], wH[1], ... and then wO, each in storage order.
NeuralNetPtr newNeuralNet(int64_t inputs, int64_t outputs, std::span<const int64_t> hidden,
                          RandomState& r = randomState());

}  // namespace dx
