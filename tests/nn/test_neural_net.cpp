#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "framework/errors.h"
#include "framework/random.h"
#include "nn/matrix.h"
#include "nn/neural_net.h"

namespace dx {
namespace {

TEST(Matrix, ShapesAndCheckedSetter) {
  const Matrix z = initMatrix(0, 4);
  EXPECT_EQ(z.nrows, 0);
  EXPECT_EQ(z.ncols, 4);
  EXPECT_TRUE(z.data.empty());
  Matrix m = initMatrix(2, 3);
  EXPECT_EQ(m.data, std::vector<float>(6, 0.0f));
  set(m, 1, 2, 7.5f);
  set(m, 0, 1, -1.0f);
  EXPECT_EQ(m.data, (std::vector<float>{0, -1, 0, 0, 0, 7.5f}));
  EXPECT_THROW(set(m, 2, 0, 1.0f), IndexError);
  EXPECT_THROW(set(m, 0, -1, 1.0f), IndexError);
  EXPECT_THROW(set(m, INT64_MAX, 2, 1.0f), IndexError);
  EXPECT_THROW(initMatrix(-1, 2), IndexError);
  EXPECT_THROW(initMatrix(INT64_MAX, 3), IndexError);
}

TEST(Matrix, RandomElementsDrawnInStorageOrder) {
  seedRandom(42);
  std::vector<float> expected;
  for (int i = 0; i < 6; ++i) expected.push_back(rnd(2.0f) - 1.0f);
  const float next = rnd(1.0f);
  seedRandom(42);
  const Matrix m = initRandMatrix(2, 3);
  EXPECT_EQ(m.data, expected);
  EXPECT_EQ(rnd(1.0f), next);
}

TEST(NeuralNet, ShapeOfTheDriversNetwork) {
  seedRandom(7);
  const std::vector<int64_t> hidden{5};
  const NeuralNetPtr net = newNeuralNet(6, 3, hidden);
  EXPECT_EQ(net->X.nrows, 1);
  EXPECT_EQ(net->X.ncols, 7);
  ASSERT_EQ(net->wH.size(), 1u);
  ASSERT_EQ(net->H.size(), 1u);
  EXPECT_EQ(net->wH[0].nrows, 7);
  EXPECT_EQ(net->wH[0].ncols, 5);
  EXPECT_EQ(net->H[0].nrows, 1);
  EXPECT_EQ(net->H[0].ncols, 6);
  EXPECT_EQ(net->wO.nrows, 6);
  EXPECT_EQ(net->wO.ncols, 3);
  EXPECT_EQ(net->O.data, std::vector<float>(3, 0.0f));
  EXPECT_EQ(net->X.data, (std::vector<float>{1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(net->H[0].data, (std::vector<float>{1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(net->wH[0].data.size(), 35u);
  EXPECT_EQ(net->wO.data.size(), 18u);
  for (const Matrix* w : {&net->wH[0], &net->wO})
    for (float v : w->data) {
      EXPECT_GE(v, -1.0f);
      EXPECT_LT(v, 1.0f);
    }
}

TEST(NeuralNet, DrawsHiddenWeightsLayerByLayerThenOutputs) {
  seedRandom(5);
  std::vector<float> draws;
  for (int i = 0; i < 3 * 2 + 3 * 4 + 5 * 1 + 1; ++i) draws.push_back(rnd(2.0f) - 1.0f);
  seedRandom(5);
  const std::vector<int64_t> hidden{2, 4};
  const NeuralNetPtr net = newNeuralNet(2, 1, hidden);
  const std::vector<float> w0(draws.begin(), draws.begin() + 6);
  const std::vector<float> w1(draws.begin() + 6, draws.begin() + 18);
  const std::vector<float> wo(draws.begin() + 18, draws.begin() + 23);
  EXPECT_EQ(net->wH[0].data, w0);
  EXPECT_EQ(net->wH[1].data, w1);
  EXPECT_EQ(net->wO.data, wo);
  EXPECT_EQ(net->wH[1].nrows, 3);
  EXPECT_EQ(net->H[1].ncols, 5);
  EXPECT_EQ(rnd(2.0f) - 1.0f, draws.back());
}

TEST(NeuralNet, NoHiddenLayerAndBadSizes) {
  const NeuralNetPtr net = newNeuralNet(4, 2, {});
  EXPECT_TRUE(net->wH.empty());
  EXPECT_TRUE(net->H.empty());
  EXPECT_EQ(net->wO.nrows, 5);
  EXPECT_EQ(net->wO.ncols, 2);
  EXPECT_THROW(newNeuralNet(-1, 2, {}), IndexError);
  const std::vector<int64_t> bad{-1};
  EXPECT_THROW(newNeuralNet(3, 2, bad), IndexError);
}

// Worked by hand: X = [1, 0.5, -1]; hidden = tanh of X × wH (bias row first); O = [1, h] × wO.
TEST(NeuralNet, ForwardPassAndWeightsInStorageOrder) {
  const std::vector<int64_t> hidden{2};
  const NeuralNetPtr net = newNeuralNet(2, 1, hidden);
  const std::vector<float> weights = {0.1f,  -0.2f, 1, 0.5f, 0.5f, 1,  // wH[0], 3 x 2
                                      0.25f, 2,     -1};               // wO, 3 x 1
  loadNetWeights(*net, weights);
  EXPECT_EQ(netWeights(*net), weights);
  const float in[] = {0.5f, -1};
  evaluate(*net, in);
  const float h1 = std::tanh(0.1f), h2 = std::tanh(-0.95f);  // 0.1 + 0.5 - 0.5, -0.2 + 0.25 - 1
  EXPECT_EQ(net->X.data, std::vector<float>({1, 0.5f, -1}));
  EXPECT_FLOAT_EQ(net->H[0].data[1], h1);
  EXPECT_FLOAT_EQ(net->H[0].data[2], h2);
  EXPECT_FLOAT_EQ(net->O.data[0], 0.25f + 2 * h1 - h2);
  EXPECT_THROW(evaluate(*net, std::vector<float>{1}), IndexError);
  EXPECT_THROW(loadNetWeights(*net, std::vector<float>(8)), IndexError);
}

}  // namespace
}  // namespace dx
