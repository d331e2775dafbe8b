// The star field: the sub-pixel weights, the edge rows and columns, rejection, black-only plotting,
// the random draws of creation, and the projection.
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "base/random.h"
#include "common/test_util.h"
#include "scenes/plane/star_field.h"

TEST(StarField, SubpixelWeightsEdgesAndRejection)
{
    struct Px {
        int x, y;
        uint32_t value;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        float x, y;
        uint32_t colour;
        std::vector<Px> lit;
    } cases[] = {
        {"whole pixel", 10, 20, 0xFFFFFFu, {{10, 20, 0xFFFFFFu}}},
        {"quarters", 10.5f, 20.5f, 0xFFFFFFu, {{10, 20, 0x3F3F3Fu}, {11, 20, 0x3F3F3Fu}, {10, 21, 0x3F3F3Fu}, {11, 21, 0x3F3F3Fu}}},
        {"left of column 0", -0.5f, 20.5f, 0xFFFFFFu, {{0, 20, 0x3F3F3Fu}, {0, 21, 0x3F3F3Fu}}},
        {"last column", 31.5f, 20, 0xFFFFFFu, {{31, 20, 0x7F7F7Fu}}},
        {"last row", 10, 23.5f, 0xFFFFFFu, {{10, 23, 0x7F7F7Fu}}},
        // fx = fy = 64, o = 16: only the bottom row, weights 48 and 16, per channel.
        {"above row 0", 10.25f, -0.75f, 0xAB8040FFu, {{10, 0, 0x180C2Fu}, {11, 0, 0x08040Fu}}},
        // Pixel (10, 20) starts as 1, not black; (11, 20) as 0xFF000000, black whatever its top byte.
        {"over a picture", 10.5f, 20.5f, 0xFFFFFFu, {{10, 20, 1}, {11, 20, 0x3F3F3Fu}, {10, 21, 0x3F3F3Fu}, {11, 21, 0x3F3F3Fu}}},
        {"left of -1", -1.01f, 5, 0xFFFFFFu, {}},
        {"at width", 32, 5, 0xFFFFFFu, {}},
        {"at height", 5, 24, 0xFFFFFFu, {}},
        {"not a number", nan, 5, 0xFFFFFFu, {}},
        {"not a number either", 5, nan, 0xFFFFFFu, {}},
    };
    for (const Case& c : cases) {
        PaddedSurface s(32, 24, 0);
        const bool picture = std::strcmp(c.what, "over a picture") == 0;
        if (picture) s.words[20 * s.stride + 10] = 1, s.words[20 * s.stride + 11] = 0xFF000000u;
        plot_subpixel(&s.s, c.x, c.y, c.colour);
        for (int y = 0; y < 24; ++y) {
            for (int x = 0; x < 32; ++x) {
                uint32_t want = 0;
                for (const Px& p : c.lit) want = p.x == x && p.y == y ? p.value : want;
                EXPECT_EQ(s.at(x, y), want) << c.what << " at " << x << "," << y;
            }
        }
        EXPECT_TRUE(s.pad_intact()) << c.what;
    }
}

TEST(StarField, CreationDrawsThreeNumbersPerStarThenProjects)
{
    demo_srand(0);
    std::vector<uint32_t> draws(10);
    for (uint32_t& d : draws) d = demo_rand();
    demo_srand(0);
    StarCloud* cloud = star_cloud_create(3);
    ASSERT_NE(cloud, nullptr);
    EXPECT_EQ(demo_rand(), draws[9]);
    for (int i = 0; i < 3; ++i) {
        // Polar angle from the first number, brightness from the low byte of the third.
        const Vec4& p = cloud->points[i];
        EXPECT_NEAR(std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z), 8000.0, 0.01);
        EXPECT_NEAR(p.z, 8000.0 * std::cos(draws[3 * i] / 4294967296.0 * 3.14159265358979), 0.01);
        EXPECT_EQ(p.w, static_cast<float>(draws[3 * i + 2] & 0xFF));
    }
    EXPECT_EQ(std::memcmp(cloud->work, cloud->points, 3 * sizeof(Vec4)), 0);
    EXPECT_EQ(star_cloud_create(-1), nullptr);

    cloud->points[0] = {20, -10, 150, 255};   // turned a quarter about z: (10, 20) lands on (170, 140)
    cloud->points[1] = {0, -30, -150, 128};   // behind: mirrored through the centre to (130, 120)
    cloud->points[2] = {30, 0, 0, 255};       // on the viewer's plane: nowhere
    Matrix4 m;
    mat_identity(&m);
    mat_rotate_xyz(&m, {0, 0, -1.5707964f, 0});
    star_cloud_transform(cloud, &m);
    Frame f;
    surface_clear(&f.s);
    star_cloud_draw(cloud, &f.s);
    int lit = 0;
    for (int y = 0; y < 384; ++y)
        for (int x = 0; x < 512; ++x) lit += f.at(x, y) != 0;
    EXPECT_EQ(lit, 2);
    EXPECT_EQ(f.at(170, 140), 0xFFFFFFu);
    EXPECT_EQ(f.at(130, 120), 0x808080u);
    expect_near(cloud->points[0], {20, -10, 150, 255}, 0);
    star_cloud_free(cloud);
}
