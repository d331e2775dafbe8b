// Curves and glow dots: a straight curve, the dot's centre, distance-3 and rim values, opacity
// build-up and its fixed column limit.
#include <gtest/gtest.h>

#include "common/test_util.h"
#include "geom3d/curves.h"

TEST(Curve, StraightControlDrawsAnUnbrokenLine)
{
    PaddedSurface g(200, 100, 0);
    draw_curve(&g.s, {170, 50, 0, 0}, {10, 50, 0, 0}, {90, 50, 0, 0}, 0xFFFFFFFFu);
    for (int x = 11; x <= 169; ++x) EXPECT_GE(g.at(x, 50) >> 24, 0xFEu) << x;
    for (int x = 0; x < 200; ++x) EXPECT_EQ(g.at(x, 49) | g.at(x, 51), 0u);
}

TEST(GlowDot, FalloffBuildUpLimitsAndFullPrecision)
{
    PaddedSurface g(600, 400, 0);
    draw_glow_dot(&g.s, 100, 100, 4, 0xFFABD4E4u);
    EXPECT_EQ(g.at(100, 100), 0x00ABD4E4u);
    EXPECT_EQ(g.at(103, 100), 0x004A5C63u);   // opacity 111: (c * 112) >> 8
    EXPECT_EQ(g.at(100, 97), 0x004A5C63u);
    EXPECT_EQ(g.at(104, 100) | g.at(100, 96), 0u);
    // Over a stored opacity of 255 the first dot is opaque throughout and leaves top byte 0.
    PaddedSurface o(100, 100, 0xFF102030u);
    draw_glow_dot(&o.s, 50, 50, 4, 0xFFABD4E4u);
    EXPECT_EQ(o.at(53, 50), 0x00ABD4E4u);
    draw_glow_dot(&o.s, 50, 50, 4, 0xFF000000u);
    EXPECT_EQ(o.at(53, 50), 0x00607881u);   // opacity 111 only: (c * 145) >> 8
    // Never past column 511 or row 383, even on a larger surface; nothing for radius 0.
    draw_glow_dot(&g.s, 510, 383, 10, 0xFFFFFFFFu);
    draw_glow_dot(&g.s, 300, 300, 0, 0xFFFFFFFFu);
    EXPECT_NE(g.at(511, 383), 0u);
    for (int y = 370; y < 400; ++y)
        for (int x = 500; x < 600; ++x)
            ASSERT_EQ(x >= 512 || y >= 384 ? g.at(x, y) : 0u, 0u) << x << "," << y;
    EXPECT_EQ(g.at(300, 300), 0u);
    EXPECT_TRUE(g.pad_intact());
    // A pixel where the cancellation in q decides the truncation: k * q is 9.99999785 exactly, so the
    // dot's opacity is 9 (with the stored 0xD7 that makes 224), not 10.
    PaddedSurface p(512, 384, 0);
    p.words[155 * p.stride + 277] = 0xD7D6D6EAu;
    draw_glow_dot(&p.s, 0x1.191134p+8f, 0x1.3843c4p+7f, 0x1.13a8f6p+2f, 0xFFABD4E4u);
    EXPECT_EQ(p.at(277, 155), 0x00B1D5E5u);
}
