#pragma once
// 4 x 4 float matrices for the software renderer, column-major: element (col, row) is stored at
// index col * 4 + row.
#include <array>

#include "geom/vec.h"

namespace dx {

struct Mat4 {
  std::array<float, 16> m{};

  // Element (col, row); both must be 0..3 (IndexError otherwise).
  float operator()(int col, int row) const;
  float& operator()(int col, int row);
  bool operator==(const Mat4&) const = default;
};

// d on the diagonal, 0 elsewhere; mat4x4f(1) is the identity.
Mat4 mat4x4f(float d);

// result[row] = sum over col of m(col, row) * v[col], summed from column 0 up. Inline: the
// renderer projects every vertex of every model through it.
inline Vec4f operator*(const Mat4& a, Vec4f v) {
  const auto& m = a.m;
  return {m[0] * v.x + m[4] * v.y + m[8] * v.z + m[12] * v.w, m[1] * v.x + m[5] * v.y + m[9] * v.z + m[13] * v.w,
          m[2] * v.x + m[6] * v.y + m[10] * v.z + m[14] * v.w, m[3] * v.x + m[7] * v.y + m[11] * v.z + m[15] * v.w};
}
// Column j of the product is a * (column j of b).
Mat4 operator*(const Mat4& a, const Mat4& b);

// Post-multiplies by a translation: column 3 becomes m0 * v.x + m1 * v.y + m2 * v.z + m3.
Mat4 translate(const Mat4& m, Vec3f v);
// The rotation about an axis (used as given, not normalised). Its sine terms have the signs of a
// rotation by -angle in the usual right-handed convention; with the mirrored screen x of the
// projection that fixes the on-screen sense of rotation.
Mat4 rotate(float angle, Vec3f axis);
Mat4 rotate(const Mat4& m, float angle, Vec3f axis);
Mat4 scale(const Mat4& m, float s);
Mat4 scale(const Mat4& m, Vec3f s);
Mat4 perspectiveRH(float fovy, float aspect, float near, float far);
Mat4 lookAt(Vec3f eye, Vec3f center, Vec3f up);
Mat4 transpose(const Mat4& m);
// The general inverse by cofactors; a singular matrix gives non-finite elements.
Mat4 inverse(const Mat4& m);
// Row i (0..3) as a vector: (m(0, i), m(1, i), m(2, i), m(3, i)).
Vec4f row(const Mat4& m, int i);

}  // namespace dx
