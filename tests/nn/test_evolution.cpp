#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "framework/errors.h"
#include "framework/random.h"
#include "nn/evolution.h"

namespace dx {
namespace {

const std::vector<float> kA{0.5f, -1.25f, 3.0f, 0.0f};
const std::vector<float> kB{1.5f, 0.75f, -3.0f, 2.0f, 9.0f};

TEST(Mutate, RateZeroCopiesRateOneChangesEverything) {
  seedRandom(3);
  EXPECT_EQ(mutate(kA, 0.5f, 0.0f), kA);
  const std::vector<float> m = mutate(kA, 0.5f, 1.0f);
  ASSERT_EQ(m.size(), kA.size());
  for (size_t i = 0; i < kA.size(); ++i) {
    EXPECT_NE(m[i], kA[i]) << i;
    EXPECT_LE(std::abs(m[i] - kA[i]), 0.5f) << i;
  }
  EXPECT_EQ(kA, (std::vector<float>{0.5f, -1.25f, 3.0f, 0.0f}));
}

TEST(Mutate, DrawsTheChanceThenTheAmountInDouble) {
  seedRandom(11);
  std::vector<float> expected = kA;
  for (float& v : expected) {
    const double r = rnd(1.0);
    if (0.25 > r) v += float((rnd(2.0) - 1.0) * 0.5);
  }
  const double next = rnd(1.0);
  seedRandom(11);
  EXPECT_EQ(mutate(kA, 0.5f, 0.25f), expected);
  EXPECT_EQ(rnd(1.0), next);
}

TEST(Mutate, EmptyVectorDrawsNothing) {
  seedRandom(8);
  const double first = rnd(1.0);
  seedRandom(8);
  EXPECT_TRUE(mutate({}, 0.5f, 1.0f).empty());
  EXPECT_TRUE(breedBinary({}, kB).empty());
  EXPECT_EQ(rnd(1.0), first);
}

TEST(BreedLinear, OneBlendForAllElements) {
  seedRandom(21);
  const float t = float(rnd(1.0));
  const double next = rnd(1.0);
  seedRandom(21);
  const std::vector<float> c = breedLinear(kA, kB);
  ASSERT_EQ(c.size(), kA.size());
  for (size_t i = 0; i < kA.size(); ++i) EXPECT_EQ(c[i], kA[i] + (kB[i] - kA[i]) * t) << i;
  EXPECT_EQ(rnd(1.0), next);
  EXPECT_EQ(breedLinear(kA, kA), kA);
  // An empty parent still takes its blend draw.
  seedRandom(21);
  EXPECT_TRUE(breedLinear({}, {}).empty());
  EXPECT_EQ(rnd(1.0), next);
}

TEST(BreedBinary, EachElementFromEitherParent) {
  seedRandom(17);
  std::vector<float> expected = kA;
  for (size_t i = 0; i < expected.size(); ++i)
    if (!(rnd(1.0) < 0.5)) expected[i] = kB[i];
  const double next = rnd(1.0);
  seedRandom(17);
  EXPECT_EQ(breedBinary(kA, kB), expected);
  EXPECT_EQ(rnd(1.0), next);
  EXPECT_EQ(kB, (std::vector<float>{1.5f, 0.75f, -3.0f, 2.0f, 9.0f}));
}

TEST(Breeding, ShorterSecondParentThrows) {
  EXPECT_THROW(breedLinear(kB, kA), IndexError);
  EXPECT_THROW(breedBinary(kB, kA), IndexError);
}

}  // namespace
}  // namespace dx
