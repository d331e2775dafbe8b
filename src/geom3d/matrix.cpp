// The 4x4 transform library. Points are transformed with float arithmetic throughout; the matrix
// product sums each entry's four products in double (each float product is exact there) and rounds
// the entry to float once, so a product does not depend on the order the compiler evaluates it in.
#include "geom3d/matrix.h"

#include <cmath>

namespace {

const Matrix4 k_identity = {{1.0f, 0.0f, 0.0f, 0.0f,
                             0.0f, 1.0f, 0.0f, 0.0f,
                             0.0f, 0.0f, 1.0f, 0.0f,
                             0.0f, 0.0f, 0.0f, 1.0f}};

// The float nearest pi / 180.
constexpr float k_degree = 0.017453292f;

}  // namespace

void mat_identity(Matrix4* dst)
{
    *dst = k_identity;
}

void mat_multiply(Matrix4* dst, const Matrix4* a, const Matrix4* b)
{
    // Built apart and copied last, so dst may alias a or b.
    Matrix4 r;
    for (int row = 0; row < 4; ++row) {
        const float* ar = a->m + 4 * row;
        for (int col = 0; col < 4; ++col) {
            double sum = 0.0;
            sum += static_cast<double>(ar[0]) * b->m[col];
            sum += static_cast<double>(ar[1]) * b->m[4 + col];
            sum += static_cast<double>(ar[2]) * b->m[8 + col];
            sum += static_cast<double>(ar[3]) * b->m[12 + col];
            r.m[4 * row + col] = static_cast<float>(sum);
        }
    }
    *dst = r;
}

void mat_translate(Matrix4* m, const Vec4& t)
{
    Matrix4 tr = k_identity;
    tr.m[3] = t.x;
    tr.m[7] = t.y;
    tr.m[11] = t.z;
    tr.m[15] = t.w;
    mat_multiply(m, m, &tr);
}

void mat_scale(Matrix4* m, const Vec4& s)
{
    Matrix4 sc = k_identity;
    sc.m[0] = s.x;
    sc.m[5] = s.y;
    sc.m[10] = s.z;
    sc.m[15] = s.w;
    mat_multiply(m, m, &sc);
}

void mat_rotate_xyz(Matrix4* m, const Vec4& angles)
{
    // The double sine and cosine, rounded to float as they are stored in the matrix.
    const float cz = static_cast<float>(std::cos(static_cast<double>(angles.z)));
    const float sz = static_cast<float>(std::sin(static_cast<double>(angles.z)));
    Matrix4 rz = k_identity;
    rz.m[0] = cz;
    rz.m[1] = sz;
    rz.m[4] = -sz;
    rz.m[5] = cz;
    mat_multiply(m, m, &rz);

    const float cy = static_cast<float>(std::cos(static_cast<double>(angles.y)));
    const float sy = static_cast<float>(std::sin(static_cast<double>(angles.y)));
    Matrix4 ry = k_identity;
    ry.m[0] = cy;
    ry.m[2] = -sy;
    ry.m[8] = sy;
    ry.m[10] = cy;
    mat_multiply(m, m, &ry);

    const float cx = static_cast<float>(std::cos(static_cast<double>(angles.x)));
    const float sx = static_cast<float>(std::sin(static_cast<double>(angles.x)));
    Matrix4 rx = k_identity;
    rx.m[5] = cx;
    rx.m[6] = sx;
    rx.m[9] = -sx;
    rx.m[10] = cx;
    mat_multiply(m, m, &rx);
}

void mat_perspective(Matrix4* m, float fov, float near_plane, float far_plane)
{
    const float half = (fov * k_degree) * 0.5f;
    const float f = 1.0f - near_plane / far_plane;
    const float ch = static_cast<float>(std::cos(static_cast<double>(half)));
    const float sh = static_cast<float>(std::sin(static_cast<double>(half)));
    Matrix4 p = k_identity;
    p.m[0] = ch;
    p.m[5] = ch;
    p.m[10] = sh / f;
    p.m[11] = -(near_plane * sh) / f;
    p.m[14] = sh;
    mat_multiply(m, m, &p);
}

void mat_transform_points(const Matrix4* m, Vec4* points, int count)
{
    const float* e = m->m;
    for (int i = 0; i < count; ++i) {
        const Vec4 p = points[i];
        Vec4& out = points[i];
        out.x = e[0] * p.x + e[1] * p.y + e[2] * p.z + e[3] * p.w;
        out.y = e[4] * p.x + e[5] * p.y + e[6] * p.z + e[7] * p.w;
        out.z = e[8] * p.x + e[9] * p.y + e[10] * p.z + e[11] * p.w;
        out.w = e[12] * p.x + e[13] * p.y + e[14] * p.z + e[15] * p.w;
    }
}
