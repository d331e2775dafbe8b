// Dot fillers: exact intensities and blends, saturation of channels and top byte, alpha 0, the
// fixed clip of the glow dot, the hardness plateau, rows that miss the circle, and the dot matrix's
// coverage.
#include <gtest/gtest.h>

#include "common/test_util.h"
#include "scenes/objects/dot_fillers.h"

TEST(GlowDotAdd, ExactValuesSaturationAndTheFrameClip)
{
    PaddedSurface g(200, 200, 0);
    draw_glow_dot_add(&g.s, 100, 100, 4, 0xFFABD4E4u);
    // q = 12: a = trunc(12 * 255 / 16) = 191; q = 11: a = 175.
    EXPECT_EQ(g.at(102, 100), 0xBF7F9EAAu);
    EXPECT_EQ(g.at(102, 101), 0xAF74909Bu);
    EXPECT_EQ(g.at(104, 100), 0u);   // on the rim q = 0: untouched
    // One white dot stays at 254 or below in every channel; only its top byte reaches 255.
    PaddedSurface w(100, 100, 0);
    draw_glow_dot_add(&w.s, 50, 50, 10, 0xFFFFFFFFu);
    EXPECT_EQ(w.at(50, 50), 0xFFFEFEFEu);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) ASSERT_LE(w.at(x, y) & 0xFFu, 254u);
    // A second one saturates every lane instead of wrapping.
    draw_glow_dot_add(&w.s, 50, 50, 10, 0xFFFFFFFFu);
    EXPECT_EQ(w.at(50, 50), 0xFFFFFFFFu);
    EXPECT_EQ(w.at(55, 50) >> 24, 255u);   // 2 * trunc(75 * 255 / 100) = 382
    // The colour's top byte is the peak intensity, not a channel: alpha 128 gives floor(255 * 128 / 256).
    PaddedSurface h(100, 100, 0);
    draw_glow_dot_add(&h.s, 50, 50, 10, 0x80FFFFFFu);
    EXPECT_EQ(h.at(50, 50), 0x807F7F7Fu);
    EXPECT_TRUE(g.pad_intact() && w.pad_intact() && h.pad_intact());
    // Clipped to the frame whatever the target.
    PaddedSurface big(700, 450, 0);
    draw_glow_dot_add(&big.s, 600, 200, 100, 0xFFFFFFFFu);
    draw_glow_dot_add(&big.s, 300, 400, 30, 0xFFFFFFFFu);
    EXPECT_NE(big.at(511, 200), 0u);
    EXPECT_NE(big.at(300, 383), 0u);
    for (int y = 0; y < 450; ++y)
        for (int x = 0; x < 700; ++x)
            if (x >= 512 || y >= 384) {
                ASSERT_EQ(big.at(x, y), 0u) << x << "," << y;
            }
    EXPECT_TRUE(big.pad_intact());
}

TEST(SoftDots, HardnessPlateauLinearFalloffAndAlphaZero)
{
    // Hardness 99, radius 10, alpha 63: full intensity wherever q >= 2 (q = 1 does not occur on
    // whole pixels), nothing outside.
    PaddedSurface g(40, 40, 0);
    draw_soft_dot_add(&g.s, 20, 20, 10, 99, 0x3F000000u);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const int d2 = (x - 20) * (x - 20) + (y - 20) * (y - 20);
            ASSERT_EQ(g.at(x, y) >> 24, d2 < 100 ? 63u : 0u) << x << "," << y;
        }
    // Hardness 0: a = trunc(q * 0.63f), the float slope showing at q = 100.
    PaddedSurface f(40, 40, 0);
    draw_soft_dot_add(&f.s, 20, 20, 10, 0, 0x3F000000u);
    EXPECT_EQ(f.at(20, 20) >> 24, 62u);
    EXPECT_EQ(f.at(25, 20) >> 24, 47u);
    EXPECT_EQ(f.at(29, 20) >> 24, 11u);
    // Mixing: (d * (256 - a) + c * (a + 1)) >> 8 with a = 128 at the centre.
    PaddedSurface m(20, 20, 0x000000FFu);
    draw_soft_dot_mix(&m.s, 10, 10, 4, 0, 0x80FF0000u);
    EXPECT_EQ(m.at(10, 10) & 0xFFFFFFu, 0x0080007Fu);
    EXPECT_EQ(m.at(14, 10), 0x000000FFu);
    // Alpha 0 leaves every pixel, whichever the dot.
    PaddedSurface z(64, 64, 0x12345678u);
    draw_glow_dot_add(&z.s, 30, 30, 20, 0x00FFFFFFu);
    draw_soft_dot_add(&z.s, 30, 30, 20, 50, 0x00FFFFFFu);
    draw_soft_dot_mix(&z.s, 30, 30, 20, 50, 0x00FFFFFFu);
    EXPECT_EQ(z.words, PaddedSurface(64, 64, 0x12345678u).words);
}

TEST(SoftDots, RowsLandOnTheirOwnRowsAndClipToTheTarget)
{
    // cy - r = 8.7: row 8 misses the circle, rows 9 to 12 are drawn where they belong.
    PaddedSurface g(20, 20, 0);
    draw_soft_dot_add(&g.s, 10, 10.7f, 2, 0, 0xFFFFFFFFu);
    for (int y = 0; y < 20; ++y) EXPECT_EQ(g.at(10, y) != 0, y >= 9 && y <= 12) << y;
    // Partly outside on every side: clipped to the width and height, the pitch respected.
    PaddedSurface c(30, 20, 0);
    for (float x : {-3.0f, 28.0f})
        for (float y : {-2.0f, 19.5f}) {
            draw_soft_dot_add(&c.s, x, y, 6, 20, 0xFFFFFFFFu);
            draw_soft_dot_mix(&c.s, x, y, 6, 20, 0xFF00FF00u);
        }
    EXPECT_NE(c.at(0, 0), 0u);
    EXPECT_NE(c.at(29, 19), 0u);
    EXPECT_TRUE(c.pad_intact());
}

TEST(DotMatrix, CoversTwiceTheSpacingPerPixelFromHalfASpacingBefore)
{
    PaddedSurface src(80, 15, 0x00FFFFFFu);
    PaddedSurface g(600, 140, 0);
    draw_dot_matrix(&g.s, &src.s, 10, 20, 3.5f, 99, 255);
    // 560 x 105 pixels: columns 7..566 and rows 17..121, no gap along the rows and columns of centres.
    for (int x = 0; x < 600; ++x) ASSERT_EQ(g.at(x, 20) != 0, x >= 7 && x <= 566) << x;
    for (int y = 0; y < 140; ++y) ASSERT_EQ(g.at(10, y) != 0, y >= 17 && y <= 121) << y;
    for (int y = 0; y < 140; ++y)
        for (int x = 0; x < 600; ++x)
            if (x < 7 || x > 566 || y < 17 || y > 121) {
                ASSERT_EQ(g.at(x, y), 0u) << x << "," << y;
            }
    EXPECT_EQ(g.at(10, 20) & 0xFFFFFFu, 0xFFFFFFu);
    EXPECT_TRUE(g.pad_intact());
}

TEST(DotMatrix, AlphaIsClampedAndOredIntoTheSourceTopByte)
{
    struct Case {
        uint32_t source;
        int alpha;
        uint32_t centre;   // colour at the first dot's centre, over 0x00000000
    } cases[] = {
        {0x00FFFFFFu, 0, 0u},               // nothing drawn
        {0x00FFFFFFu, -40, 0u},             // clamped to 0
        {0x00FFFFFFu, 1000, 0xFFFFFFu},     // clamped to 255: the colour exactly
        {0xFFFFFFFFu, 0, 0xFFFFFFu},        // OR-ed, not substituted: the source's own 255 stays
    };
    for (const Case& c : cases) {
        PaddedSurface src(2, 2, c.source);
        PaddedSurface g(40, 40, 0);
        draw_dot_matrix(&g.s, &src.s, 8, 8, 4, 99, c.alpha);
        EXPECT_EQ(g.at(8, 8) & 0xFFFFFFu, c.centre) << c.alpha;
        EXPECT_EQ(g.at(16, 16) & 0xFFFFFFu, c.centre) << c.alpha;
    }
}
