#include "nn/evolution.h"

#include <string>

#include "framework/errors.h"
#include "framework/random.h"

namespace dx {

static void requireCovers(std::span<const float> a, std::span<const float> b, const char* op) {
  if (b.size() < a.size())
    throw IndexError(std::string(op) + ": second parent has " + std::to_string(b.size()) + " elements, first has " +
                     std::to_string(a.size()));
}

std::vector<float> mutate(std::span<const float> w, float amount, float rate, RandomState& r) {
  std::vector<float> out(w.begin(), w.end());
  for (float& v : out) {
    const double p = rnd(r, 1.0);
    if (double(rate) > p) v += float((rnd(r, 2.0) - 1.0) * double(amount));
  }
  return out;
}

std::vector<float> breedLinear(std::span<const float> a, std::span<const float> b, RandomState& r) {
  requireCovers(a, b, "breedLinear");
  const float t = float(rnd(r, 1.0));  // drawn even for empty parents, keeping the stream aligned
  std::vector<float> out(a.size());
  for (size_t i = 0; i < a.size(); ++i) out[i] = a[i] + (b[i] - a[i]) * t;
  return out;
}

std::vector<float> breedBinary(std::span<const float> a, std::span<const float> b, RandomState& r) {
  requireCovers(a, b, "breedBinary");
  std::vector<float> out(a.begin(), a.end());
  for (size_t i = 0; i < out.size(); ++i)
    if (rnd(r, 1.0) >= 0.5) out[i] = b[i];
  return out;
}

}  // namespace dx
