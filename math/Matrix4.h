#pragma once

// Column-major 4 × 4 matrices as GL keeps them, for code that needs on the processor the matrices it
// also hands to GL.
class Matrix4 {
public:
    static void identity(float* out);
    // out = a × b, each element accumulated as ((a0*b0 + a1*b1) + a2*b2) + a3*b3 in floats; out may not alias.
    static void multiply(const float* a, const float* b, float* out);
    // The matrix glRotatef builds, with the angle in radians; a zero axis gives the identity.
    static void rotation(float angle, float x, float y, float z, float* out);
    // m = m × the matrix of glRotatef(degrees, x, y, z), as glRotatef does to the current matrix.
    static void rotate(float* m, float degrees, float x, float y, float z);
    // m = m × the matrix of glTranslatef(x, y, z).
    static void translate(float* m, float x, float y, float z);
    // m = m × the matrix of glScalef(x, y, z).
    static void scale(float* m, float x, float y, float z);
    // The cofactor matrix C of the upper 3 × 3 part A of a column-major matrix, row-major: out[3 * row + col]
    // = C(row, col), so that A⁻¹ = Cᵀ / det A. Returns det A.
    static float cofactors(const float* m, float* out);
    // The inverse transpose of the upper 3 × 3, column-major: what GL applies to normals (zero when singular).
    static void normalMatrix(const float* m, float* out);
    // Where the eye (the origin of eye space) lies in the coordinates a modelview maps from; true when the
    // modelview mirrors, so that a winding counter-clockwise there shows clockwise on the screen.
    static bool eyeOf(const float* modelview, float* eye);
};
