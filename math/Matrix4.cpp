#include "math/Matrix4.h"

#include <algorithm>
#include <cmath>

void Matrix4::identity(float* out)
{
    std::fill(out, out + 16, 0.0f);
    out[0] = out[5] = out[10] = out[15] = 1.0f;
}

void Matrix4::multiply(const float* a, const float* b, float* out)
{
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            float sum = a[0 * 4 + row] * b[column * 4 + 0];
            sum += a[1 * 4 + row] * b[column * 4 + 1];
            sum += a[2 * 4 + row] * b[column * 4 + 2];
            sum += a[3 * 4 + row] * b[column * 4 + 3];
            out[column * 4 + row] = sum;
        }
    }
}

void Matrix4::rotation(float angle, float x, float y, float z, float* out)
{
    std::fill(out, out + 16, 0.0f);
    out[15] = 1.0f;
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length == 0.0f) {
        out[0] = out[5] = out[10] = 1.0f;
        return;
    }
    x /= length;
    y /= length;
    z /= length;
    const float ca = std::cos(angle);
    const float sa = std::sin(angle);
    const float ta = 1.0f - ca;
    out[0] = ca + ta * x * x;
    out[1] = ta * x * y + sa * z;
    out[2] = ta * x * z - sa * y;
    out[4] = ta * x * y - sa * z;
    out[5] = ca + ta * y * y;
    out[6] = ta * y * z + sa * x;
    out[8] = ta * x * z + sa * y;
    out[9] = ta * y * z - sa * x;
    out[10] = ca + ta * z * z;
}

void Matrix4::rotate(float* m, float degrees, float x, float y, float z)
{
    float turn[16];
    rotation(degrees * 3.14159265f / 180.0f, x, y, z, turn);
    float before[16];
    std::copy(m, m + 16, before);
    multiply(before, turn, m);
}

void Matrix4::translate(float* m, float x, float y, float z)
{
    for (int row = 0; row < 4; ++row) {
        m[12 + row] += m[row] * x + m[4 + row] * y + m[8 + row] * z;
    }
}

void Matrix4::scale(float* m, float x, float y, float z)
{
    for (int row = 0; row < 4; ++row) {
        m[row] *= x;
        m[4 + row] *= y;
        m[8 + row] *= z;
    }
}

float Matrix4::cofactors(const float* m, float* out)
{
    const float a = m[0], b = m[4], c = m[8];
    const float d = m[1], e = m[5], f = m[9];
    const float g = m[2], h = m[6], i = m[10];
    const float cofactor[9] = {e * i - f * h, f * g - d * i, d * h - e * g,
                               c * h - b * i, a * i - c * g, b * g - a * h,
                               b * f - c * e, c * d - a * f, a * e - b * d};
    std::copy(cofactor, cofactor + 9, out);
    return a * cofactor[0] + b * cofactor[1] + c * cofactor[2];
}

void Matrix4::normalMatrix(const float* m, float* out)
{
    float cofactor[9];
    const float determinant = cofactors(m, cofactor);
    const float inverse = determinant != 0.0f ? 1.0f / determinant : 0.0f;
    // Row r of the cofactor matrix is column r of the inverse transpose's transpose: out(row, col) = C(row, col) / det.
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            out[col * 3 + row] = cofactor[row * 3 + col] * inverse;
        }
    }
}

bool Matrix4::eyeOf(const float* m, float* eye)
{
    // Solves A·eye + t = 0 for the affine part: eye = −Cᵀ·t / det A.
    float cofactor[9];
    const float determinant = cofactors(m, cofactor);
    const float t[3] = {m[12], m[13], m[14]};
    for (int row = 0; row < 3; ++row) {
        eye[row] = -(cofactor[row] * t[0] + cofactor[3 + row] * t[1] + cofactor[6 + row] * t[2]) / determinant;
    }
    return determinant < 0.0f;
}
