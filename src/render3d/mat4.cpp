#include "render3d/mat4.h"

#include <cmath>
#include <string>

#include "framework/errors.h"

namespace dx {

namespace {

void checkIndex(int col, int row) {
  if (col < 0 || col > 3 || row < 0 || row > 3)
    throw IndexError("Mat4 element out of range: (" + std::to_string(col) + ", " + std::to_string(row) + ")");
}

Vec4f column(const Mat4& a, int j) { return {a.m[j * 4], a.m[j * 4 + 1], a.m[j * 4 + 2], a.m[j * 4 + 3]}; }

void setColumn(Mat4& a, int j, Vec4f v) {
  a.m[j * 4] = v.x;
  a.m[j * 4 + 1] = v.y;
  a.m[j * 4 + 2] = v.z;
  a.m[j * 4 + 3] = v.w;
}

Vec4f times(Vec4f v, float s) { return {v.x * s, v.y * s, v.z * s, v.w * s}; }

}  // namespace

float Mat4::operator()(int col, int row) const {
  checkIndex(col, row);
  return m[col * 4 + row];
}

float& Mat4::operator()(int col, int row) {
  checkIndex(col, row);
  return m[col * 4 + row];
}

Mat4 mat4x4f(float d) {
  Mat4 r;
  r.m[0] = r.m[5] = r.m[10] = r.m[15] = d;
  return r;
}

Mat4 operator*(const Mat4& a, const Mat4& b) {
  Mat4 r;
  for (int j = 0; j < 4; ++j) setColumn(r, j, a * column(b, j));
  return r;
}

Mat4 translate(const Mat4& m, Vec3f v) {
  Mat4 r = m;
  setColumn(r, 3, times(column(m, 0), v.x) + times(column(m, 1), v.y) + times(column(m, 2), v.z) + column(m, 3));
  return r;
}

Mat4 rotate(float angle, Vec3f axis) {
  const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  const float x = axis.x, y = axis.y, z = axis.z;
  Mat4 r = mat4x4f(1.0f);
  setColumn(r, 0, {t * x * x + c, t * x * y - s * z, t * x * z + s * y, 0.0f});
  setColumn(r, 1, {t * x * y + s * z, t * y * y + c, t * y * z - s * x, 0.0f});
  setColumn(r, 2, {t * x * z - s * y, t * y * z + s * x, t * z * z + c, 0.0f});
  return r;
}

Mat4 rotate(const Mat4& m, float angle, Vec3f axis) { return m * rotate(angle, axis); }

Mat4 scale(const Mat4& m, float s) { return scale(m, Vec3f{s, s, s}); }

Mat4 scale(const Mat4& m, Vec3f s) {
  Mat4 r = m;
  setColumn(r, 0, times(column(m, 0), s.x));
  setColumn(r, 1, times(column(m, 1), s.y));
  setColumn(r, 2, times(column(m, 2), s.z));
  return r;
}

Mat4 perspectiveRH(float fovy, float aspect, float near, float far) {
  const float e = std::tan(fovy / 2.0f);
  Mat4 r;
  r.m[0] = 1.0f / (aspect * e);
  r.m[5] = 1.0f / e;
  r.m[10] = -(far + near) / (far - near);
  r.m[11] = -1.0f;
  r.m[14] = -(2.0f * far * near) / (far - near);
  return r;
}

Mat4 lookAt(Vec3f eye, Vec3f center, Vec3f up) {
  const Vec3f f = normalized(eye - center);
  const Vec3f s = normalized(cross(normalized(up), f));
  const Vec3f u = cross(f, s);
  Mat4 r = mat4x4f(1.0f);
  setColumn(r, 0, {s.x, u.x, f.x, 0.0f});
  setColumn(r, 1, {s.y, u.y, f.y, 0.0f});
  setColumn(r, 2, {s.z, u.z, f.z, 0.0f});
  setColumn(r, 3, r * Vec4f{-eye.x, -eye.y, -eye.z, 1.0f});
  return r;
}

Mat4 transpose(const Mat4& m) {
  Mat4 r;
  for (int c = 0; c < 4; ++c)
    for (int k = 0; k < 4; ++k) r.m[c * 4 + k] = m.m[k * 4 + c];
  return r;
}

Mat4 inverse(const Mat4& a) {
  const auto& m = a.m;
  Mat4 r;
  auto& inv = r.m;
  inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] +
           m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
  inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14] -
           m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
  inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] +
           m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
  inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13] -
            m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
  inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14] -
           m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
  inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] +
           m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
  inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] -
           m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
  inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] +
            m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
  inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] + m[13] * m[2] * m[7] -
           m[13] * m[3] * m[6];
  inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] -
           m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
  inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] +
            m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
  inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] -
            m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
  inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] - m[9] * m[2] * m[7] +
           m[9] * m[3] * m[6];
  inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] + m[8] * m[2] * m[7] -
           m[8] * m[3] * m[6];
  inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] - m[8] * m[1] * m[7] +
            m[8] * m[3] * m[5];
  inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] + m[8] * m[1] * m[6] -
            m[8] * m[2] * m[5];
  const float det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
  for (float& v : inv) v /= det;
  return r;
}

Vec4f row(const Mat4& m, int i) {
  if (i < 0 || i > 3) throw IndexError("Mat4 row out of range: " + std::to_string(i));
  return {m.m[i], m.m[4 + i], m.m[8 + i], m.m[12 + i]};
}

}  // namespace dx
