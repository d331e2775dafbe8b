// Segment clipping and the line band: cut points, gradient continuity, horizontal coverage,
// opacity, and writes held inside the surface.
#include <gtest/gtest.h>

#include <cmath>

#include "base/random.h"
#include "common/test_util.h"
#include "geom3d/lines.h"

TEST(ClipSegment, CutPointsAndRejections)
{
    struct Case {
        Vec4 p, q;
        float bound;
        int code, result;
        Vec4 p_after, q_after;
    } cases[] = {
        {{-5, 0, 0, 0}, {10, 30, 3, 6}, -1, CLIP_MIN_X, 0, {-1, 8, 0.8f, 1.6f}, {10, 30, 3, 6}},
        {{0, 0, 0, 0}, {20, 10, 0, 2}, 10, CLIP_MAX_X, 0, {0, 0, 0, 0}, {10, 5, 0, 1}},
        {{4, 50, 0, 0}, {8, -10, 0, 0}, -1, CLIP_MIN_Y, 0, {4, 50, 0, 0}, {7.4f, -1, 0, 0}},
        {{-1, 7, 1, 2}, {-9, 3, 5, 6}, -1, CLIP_MIN_X, 0, {-1, 7, 1, 2}, {-1, 7, 1, 2}},   // t = 0
        {{-3, 0, 0, 0}, {-2, 5, 0, 0}, -1, CLIP_MIN_X, -1, {-3, 0, 0, 0}, {-2, 5, 0, 0}},
        {{1, 2, 0, 0}, {3, 4, 0, 0}, 0, 0x13, -1, {1, 2, 0, 0}, {3, 4, 0, 0}},
    };
    for (const Case& c : cases) {
        Vec4 v[2] = {c.p, c.q};
        const Vec4 want[2] = {c.p_after, c.q_after};
        EXPECT_EQ(clip_segment(&v[0], &v[1], c.bound, c.code), c.result);
        for (int i = 0; i < 2; ++i) expect_near(v[i], want[i], 1e-5);
    }
}

TEST(LineDraw, HorizontalCoverageAndEndColours)
{
    // y = 100.0 lights only row 100 at full coverage; y = 100.5 gives rows 100 and 101 coverage 127.
    struct Case {
        float y;
        int first, last;
        uint32_t lit;   // white at opacity (255 * cov) >> 8 over black
    } cases[] = {{100.0f, 100, 100, 0xFEFEFEFEu}, {100.5f, 100, 101, 0x7E7E7E7Eu}};
    for (const Case& c : cases) {
        PaddedSurface g(200, 200, 0);
        draw_line_aa(&g.s, {20, c.y, 0, 0}, {120, c.y, 0, 0}, 0xFFFFFFFFu, 0xFFFFFFFFu);
        for (int y = 97; y < 104; ++y) EXPECT_EQ(g.at(70, y), y >= c.first && y <= c.last ? c.lit : 0u) << y;
    }
    // The first colour belongs to q: opaque black at q = (50, 90), transparent at p = (50, 10).
    PaddedSurface g(100, 100, 0x00FFFFFFu);
    draw_line_aa(&g.s, {50, 10, 0, 0}, {50, 90, 0, 0}, 0xFF000000u, 0x00000000u);
    EXPECT_LE(g.at(50, 90) & 0xFFFFFF, 0x010101u);
    EXPECT_EQ(g.at(50, 10), 0x00FFFFFFu);
    EXPECT_EQ(g.at(49, 50), 0x00FFFFFFu);   // a vertical band: distance 1 has coverage 0
}

TEST(LineDraw, GradientContinuesAcrossClip)
{
    // Whole, and cut by the left edge: the cut end takes the colour of its place on the whole
    // segment, so well-covered pixels agree.
    for (float dy : {0.0f, 60.0f}) {
        PaddedSurface whole(200, 100, 0, 0), cut(100, 100, 0, 0);
        draw_line_aa(&whole.s, {10, 10, 0, 0}, {110, 10 + dy, 0, 0}, 0xFFFFFFFFu, 0xFF000000u);
        draw_line_aa(&cut.s, {-40, 10, 0, 0}, {60, 10 + dy, 0, 0}, 0xFFFFFFFFu, 0xFF000000u);
        int checked = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 3; x < 55; ++x) {
                const uint32_t a = whole.at(x + 50, y), b = cut.at(x, y);
                if ((a >> 24) < 0xC0 || (b >> 24) < 0xC0) continue;
                EXPECT_NEAR(static_cast<int>(a >> 8 & 0xff), static_cast<int>(b >> 8 & 0xff), 3) << x << "," << y;
                ++checked;
            }
        EXPECT_GT(checked, 30);
    }
}

TEST(LineDraw, TransparentColourAndWritesHeldInside)
{
    PaddedSurface g(64, 48, 0x00808080u);
    draw_line_wide(&g.s, {3, 4, 0, 0}, {60, 40, 0, 0}, 0x00FFFFFFu, 0x00FFFFFFu, 2.5f);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_EQ(g.at(x, y), 0x00808080u);
    PaddedSurface r(512, 384, 0, 128);
    demo_srand(77);
    auto coord = [] { return static_cast<float>(demo_rand() % 1400) - 400.0f + (demo_rand() % 64) / 64.0f; };
    for (int i = 0; i < 600; ++i)
        draw_line_wide(&r.s, {coord(), coord(), 0, 0}, {coord(), coord(), 0, 0}, ~0u, demo_rand(), 0.5f + i % 7);
    for (Vec4 p : {Vec4{NAN, 10, 0, 0}, Vec4{-INFINITY, 10, 0, 0}, Vec4{1e38f, -1e38f, 0, 0}, Vec4{10, 10.0000005f, 0, 0}})
        draw_line_aa(&r.s, p, {400, 10, 0, 0}, ~0u, ~0u);
    EXPECT_TRUE(r.pad_intact());
}
