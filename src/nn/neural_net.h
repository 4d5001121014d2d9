#pragma once
// The layered network record every AI driver owns. It is built with random weights; the neural
// driver evaluates it, the others leave it as built.
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

// The forward pass: X takes the inputs after its bias, every hidden layer is tanh of its weighted
// sum, and O is the output layer's plain weighted sum. Raises IndexError for a wrong input count.
void evaluate(NeuralNet& net, std::span<const float> inputs);

// Every weight in storage order: wH[0], wH[1], ..., then wO.
std::vector<float> netWeights(const NeuralNet& net);
// Raises IndexError unless `weights` holds exactly as many as the network.
void loadNetWeights(NeuralNet& net, std::span<const float> weights);

}  // namespace dx
