// Transform library: the product with an aliased destination, rotation signs, perspective entries.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "common/test_util.h"
#include "geom3d/matrix.h"

TEST(Matrix, ProductWithAliasedDestination)
{
    Matrix4 a, b, ref;
    for (int i = 0; i < 16; ++i) a.m[i] = 0.5f + 0.37f * i, b.m[i] = -1.25f + 0.011f * i * i;
    mat_multiply(&ref, &a, &b);
    Matrix4 da = a, db = b;
    mat_multiply(&da, &da, &b);
    mat_multiply(&db, &a, &db);
    EXPECT_EQ(0, std::memcmp(&da, &ref, sizeof ref));
    EXPECT_EQ(0, std::memcmp(&db, &ref, sizeof ref));
}

TEST(Matrix, RotationSignsAndTranslation)
{
    const float h = static_cast<float>(M_PI / 2), a = 0.3f, b = 0.7f;
    struct Case {
        Vec4 angles, in, out;
    } cases[] = {
        {{0, 0, h, 0}, {1, 0, 0, 1}, {0, -1, 0, 1}},
        {{h, 0, 0, 0}, {0, 1, 0, 1}, {0, 0, -1, 1}},
        {{0, h, 0, 0}, {1, 0, 0, 1}, {0, 0, 1, 1}},
        // x acts first: (0, 1, 0) -> (0, cos a, -sin a), then about y.
        {{a, b, 0, 0}, {0, 1, 0, 0}, {std::sin(a) * std::sin(b), std::cos(a), -std::sin(a) * std::cos(b), 0}},
    };
    for (const Case& c : cases) {
        Matrix4 m;
        mat_identity(&m);
        mat_rotate_xyz(&m, c.angles);
        Vec4 p = c.in;
        mat_transform_points(&m, &p, 1);
        expect_near(p, c.out, 1e-6);
    }
    Matrix4 m;
    mat_identity(&m);
    mat_translate(&m, {1, 2, 3, 1});
    Vec4 p[2] = {{0, 0, 0, 1}, {5, 0, 0, 0}};
    mat_transform_points(&m, p, -1);
    EXPECT_EQ(p[0].x, 0.0f);
    mat_transform_points(&m, p, 2);
    expect_near(p[0], {1, 2, 3, 1}, 0);
    expect_near(p[1], {5, 0, 0, 0}, 0);
}

TEST(Matrix, PerspectiveEntries)
{
    Matrix4 m;
    mat_identity(&m);
    mat_perspective(&m, 90.0f, 0.0f, 60.0f);
    for (int i : {0, 5, 10, 14}) EXPECT_NEAR(m.m[i], 0.70710678f, 1e-6) << i;
    EXPECT_EQ(m.m[11], 0.0f);
    EXPECT_EQ(m.m[15], 1.0f);
    mat_identity(&m);
    mat_perspective(&m, 2.0943952f, 1.0f, 100.0f);   // the object scenes' values: fov in degrees
    const float sh = static_cast<float>(std::sin(static_cast<double>((2.0943952f * 0.017453292f) * 0.5f)));
    EXPECT_EQ(m.m[10], sh / 0.99f);
    EXPECT_EQ(m.m[11], -sh / 0.99f);
    EXPECT_EQ(m.m[14], sh);
}
