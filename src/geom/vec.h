#pragma once
// 2D, 3D and 4D float vectors and the integer 2D vector, with their arithmetic.
#include <cmath>
#include <concepts>
#include <cstdint>
#include <string>

#include "framework/errors.h"
#include "framework/numeric.h"

namespace dx {

struct Vec2f {
  float x = 0, y = 0;
  float& operator[](int i) { return i == 0 ? x : y; }
  float operator[](int i) const { return i == 0 ? x : y; }
  bool operator==(const Vec2f&) const = default;
};

struct Vec3f {
  float x = 0, y = 0, z = 0;
  bool operator==(const Vec3f&) const = default;
};

struct Vec4f {
  float x = 0, y = 0, z = 0, w = 0;
  bool operator==(const Vec4f&) const = default;
};

struct Vec2i {
  int64_t x = 0, y = 0;
  bool operator==(const Vec2i&) const = default;
};

inline Vec2f vec2f() { return {}; }
inline Vec2f vec2f(float x, float y) { return {x, y}; }
// Integer coordinates, e.g. pixel positions; a template so int arguments are not ambiguous.
template <std::integral I>
Vec2f vec2f(I x, I y) {
  return {float(x), float(y)};
}
inline Vec3f vec3f(float x, float y, float z) { return {x, y, z}; }
inline Vec3f vec3f(Vec2f xy, float z) { return {xy.x, xy.y, z}; }
inline Vec4f vec4f(float x, float y, float z, float w) { return {x, y, z, w}; }
inline Vec4f vec4f(Vec3f v, float w) { return {v.x, v.y, v.z, w}; }
inline Vec2f xy(Vec3f v) { return {v.x, v.y}; }
inline Vec2f xy(Vec4f v) { return {v.x, v.y}; }
inline Vec3f xyz(Vec4f v) { return {v.x, v.y, v.z}; }
inline Vec2i vec2i(int64_t x, int64_t y) { return {x, y}; }
// Truncation toward zero, saturating (NaN gives 0).
inline Vec2i xyi(Vec2f v) { return {truncToInt64(v.x), truncToInt64(v.y)}; }

inline Vec2f operator+(Vec2f a, Vec2f b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2f operator-(Vec2f a, Vec2f b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2f operator-(Vec2f a) { return {-a.x, -a.y}; }
inline Vec2f operator*(Vec2f a, float s) { return {a.x * s, a.y * s}; }
inline Vec2f operator*(float s, Vec2f a) { return {a.x * s, a.y * s}; }
// A double scalar is applied in double and stored back as float.
inline Vec2f operator*(Vec2f a, double s) { return {float(double(a.x) * s), float(double(a.y) * s)}; }
inline Vec2f operator*(double s, Vec2f a) { return a * s; }
inline Vec2f operator/(Vec2f a, float s) { return {a.x / s, a.y / s}; }
inline Vec2f& operator+=(Vec2f& a, Vec2f b) { return a = a + b; }
inline Vec2f& operator-=(Vec2f& a, Vec2f b) { return a = a - b; }
inline Vec2f& operator*=(Vec2f& a, float s) { return a = a * s; }
inline Vec2f& operator*=(Vec2f& a, double s) { return a = a * s; }

inline Vec3f operator+(Vec3f a, Vec3f b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3f operator+(Vec3f a, Vec2f b) { return {a.x + b.x, a.y + b.y, a.z}; }
inline Vec3f operator-(Vec3f a, Vec3f b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3f operator-(Vec3f a, Vec2f b) { return {a.x - b.x, a.y - b.y, a.z}; }
inline Vec3f operator-(Vec3f a) { return {-a.x, -a.y, -a.z}; }
inline Vec3f operator*(Vec3f a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3f operator*(float s, Vec3f a) { return a * s; }
inline Vec3f operator*(Vec3f a, double s) {
  return {float(double(a.x) * s), float(double(a.y) * s), float(double(a.z) * s)};
}
inline Vec3f operator*(double s, Vec3f a) { return a * s; }
inline Vec3f operator/(Vec3f a, float s) { return {a.x / s, a.y / s, a.z / s}; }
inline Vec3f& operator+=(Vec3f& a, Vec3f b) { return a = a + b; }
inline Vec3f& operator+=(Vec3f& a, Vec2f b) { return a = a + b; }
inline Vec3f& operator-=(Vec3f& a, Vec3f b) { return a = a - b; }
inline Vec3f& operator-=(Vec3f& a, Vec2f b) { return a = a - b; }
inline Vec3f& operator*=(Vec3f& a, float s) { return a = a * s; }
inline Vec3f& operator*=(Vec3f& a, double s) { return a = a * s; }

inline Vec4f operator+(Vec4f a, Vec4f b) { return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w}; }
inline Vec4f operator-(Vec4f a, Vec4f b) { return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w}; }
inline Vec4f operator*(Vec4f a, Vec4f b) { return {a.x * b.x, a.y * b.y, a.z * b.z, a.w * b.w}; }
inline Vec4f& operator+=(Vec4f& a, Vec4f b) { return a = a + b; }
inline Vec4f& operator-=(Vec4f& a, Vec4f b) { return a = a - b; }

// Integer vectors hold indices and pixel positions; a difference that does not fit is a
// programming error, checked rather than left to wrap.
inline Vec2i operator-(Vec2i a, Vec2i b) {
  Vec2i r;
  if (__builtin_sub_overflow(a.x, b.x, &r.x) || __builtin_sub_overflow(a.y, b.y, &r.y))
    throw IndexError("Vec2i difference overflows: (" + std::to_string(a.x) + ", " + std::to_string(a.y) + ") - (" +
                     std::to_string(b.x) + ", " + std::to_string(b.y) + ")");
  return r;
}

inline float dot(Vec2f a, Vec2f b) { return a.x * b.x + a.y * b.y; }
inline float dot(Vec3f a, Vec3f b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline float length2(Vec2f v) { return v.x * v.x + v.y * v.y; }
inline float length2(Vec3f v) { return v.x * v.x + v.y * v.y + v.z * v.z; }
inline float length(Vec2f v) { return std::sqrt(length2(v)); }
inline float length(Vec3f v) { return std::sqrt(length2(v)); }

// v / length, or the zero vector when the length is below 1e-6.
inline Vec2f normalized(Vec2f v) {
  const float l = length(v);
  return l < 1e-6f ? Vec2f{} : v / l;
}
inline Vec3f normalized(Vec3f v) {
  const float l = length(v);
  return l < 1e-6f ? Vec3f{} : v / l;
}

inline Vec2f perpendicular(Vec2f v) { return {-v.y, v.x}; }
// The perpendicular of the normalized vector; zero for a near-zero input.
inline Vec2f normal(Vec2f v) { return perpendicular(normalized(v)); }
inline float cross(Vec2f a, Vec2f b) { return a.x * b.y - a.y * b.x; }
inline Vec3f cross(Vec3f a, Vec3f b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float angle(Vec2f v) { return std::atan2(v.y, v.x); }
inline bool isZero(Vec2f v) { return v.x == 0.0f && v.y == 0.0f; }

// The mirror image of v about the direction n (n of unit length).
inline Vec2f reflect(Vec2f v, Vec2f n) { return n * (2.0f * dot(v, n)) - v; }
// v's component along onto; onto must not be zero.
inline Vec2f project(Vec2f v, Vec2f onto) { return onto * (dot(v, onto) / dot(onto, onto)); }

// v shortened to maxLen when it is longer.
inline Vec2f clamp(Vec2f v, float maxLen) { return length2(v) <= maxLen * maxLen ? v : v * (maxLen / length(v)); }
inline Vec3f clamp(Vec3f v, float maxLen) { return length2(v) <= maxLen * maxLen ? v : v * (maxLen / length(v)); }

// Componentwise blends.
inline Vec2f lerp(Vec2f a, Vec2f b, float t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }
inline Vec3f lerp(Vec3f a, Vec3f b, float t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

}  // namespace dx
