#pragma once
// Small numeric helpers shared by the whole program.
#include <climits>
#include <cmath>
#include <cstdint>

namespace dx {

constexpr double kPi = 3.14159265358979323846;

inline float lerp(float a, float b, float t) { return a + (b - a) * t; }
inline double lerp(double a, double b, float t) { return a + (b - a) * double(t); }

// Limits x to [0, 1].
inline float clamp(float x) { return x < 0.0f ? 0.0f : (x > 1.0f ? 1.0f : x); }

template <class T>
inline T clamp(T x, T lo, T hi) {
  return x < lo ? lo : (x > hi ? hi : x);
}

// ((x mod m) + m) mod m with truncating mod; 0 when m is 0.
inline int64_t wrap(int64_t x, int64_t m) { return m == 0 ? 0 : ((x % m) + m) % m; }

// The signed shortest angle from b to a, in [-pi, pi), computed in double.
// std::fmod(x, m) for m > 0, without the library call where the answer is at hand: x itself
// within (-m, m), and one subtraction of m within (-2m, 2m), which is exact there (Sterbenz).
inline double fmodOf(double x, double m) {
  const double ax = std::fabs(x);
  if (ax < m) return x;
  if (ax < 2.0 * m) return std::copysign(ax - m, x);
  return std::fmod(x, m);
}

inline float angleDiff(float a, float b) {
  double d = double(a) - double(b) + kPi;
  return float(fmodOf(fmodOf(d, 2.0 * kPi) + 2.0 * kPi, 2.0 * kPi) - kPi);
}

inline double deg2rad(double x) { return x * 0.017453292519943295; }

// For m > 0 the largest multiple of m not above x.
inline int64_t roundTo(int64_t x, int64_t m) { return x >= 0 ? m * (x / m) : m * ((x - m + 1) / m); }

inline double modSign(double a, double b) { return std::fmod(std::fmod(a, b) + b, b); }

// Truncation toward zero that saturates instead of overflowing; NaN gives 0. Float-to-integer
// conversion of an out-of-range value is undefined in C++, and positions far off screen or from
// a damaged file must still convert safely.
inline int64_t truncToInt64(double v) {
  if (!(v == v)) return 0;
  if (v >= 9.2233720368547748e18) return INT64_MAX;
  if (v <= -9.2233720368547758e18) return INT64_MIN;
  return int64_t(v);
}
inline int32_t truncToInt32(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return int32_t(v);
}

}  // namespace dx
