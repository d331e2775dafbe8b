// The 4x4 transform library: vectors, row-major matrices applied to column vectors, the builders
// that post-multiply a transform (translate, scale, rotate, perspective) and the in-place point
// transform. No routine divides by w; the callers project and centre.
#pragma once

// x, y, z, w as 32-bit floats.
struct Vec4 {
    float x;
    float y;
    float z;
    float w;
};

// Element (row r, column c) is m[4 * r + c]; translation lives in entries 3, 7 and 11.
struct Matrix4 {
    float m[16];
};

void mat_identity(Matrix4* dst);
// dst = a * b; dst may be the same matrix as a or b.
void mat_multiply(Matrix4* dst, const Matrix4* a, const Matrix4* b);
// m = m * T(t): column 3 becomes (t.x, t.y, t.z, t.w), so t.w replaces the corner entry.
void mat_translate(Matrix4* m, const Vec4& t);
// m = m * diag(s.x, s.y, s.z, s.w).
void mat_scale(Matrix4* m, const Vec4& s);
// m = m * Rz(angles.z) * Ry(angles.y) * Rx(angles.x); radians, angles.w is ignored. Applied to a
// point the x rotation acts first; Rz turns (1, 0, 0) to (cos z, -sin z, 0).
void mat_rotate_xyz(Matrix4* m, const Vec4& angles);
// m = m * P(fov, near, far); fov in degrees.
void mat_perspective(Matrix4* m, float fov, float near_plane, float far_plane);
// Every point p = m * p, in place; nothing happens for count <= 0.
void mat_transform_points(const Matrix4* m, Vec4* points, int count);
